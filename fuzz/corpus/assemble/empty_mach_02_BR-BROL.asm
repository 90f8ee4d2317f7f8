* machine instructions BR to BROL: no operand, '', a lone comma
E        CSECT
         USING *,12
         BR
         BR    ''
         BR    ,
         BRAS
         BRAS  ''
         BRAS  ,
         BRASL
         BRASL ''
         BRASL ,
         BRC
         BRC   ''
         BRC   ,
         BRCL
         BRCL  ''
         BRCL  ,
         BRCT
         BRCT  ''
         BRCT  ,
         BRE
         BRE   ''
         BRE   ,
         BREL
         BREL  ''
         BREL  ,
         BRH
         BRH   ''
         BRH   ,
         BRHL
         BRHL  ''
         BRHL  ,
         BRL
         BRL   ''
         BRL   ,
         BRLL
         BRLL  ''
         BRLL  ,
         BRM
         BRM   ''
         BRM   ,
         BRML
         BRML  ''
         BRML  ,
         BRNE
         BRNE  ''
         BRNE  ,
         BRNEL
         BRNEL ''
         BRNEL ,
         BRNH
         BRNH  ''
         BRNH  ,
         BRNHL
         BRNHL ''
         BRNHL ,
         BRNL
         BRNL  ''
         BRNL  ,
         BRNLL
         BRNLL ''
         BRNLL ,
         BRNM
         BRNM  ''
         BRNM  ,
         BRNML
         BRNML ''
         BRNML ,
         BRNO
         BRNO  ''
         BRNO  ,
         BRNOL
         BRNOL ''
         BRNOL ,
         BRNP
         BRNP  ''
         BRNP  ,
         BRNPL
         BRNPL ''
         BRNPL ,
         BRNZ
         BRNZ  ''
         BRNZ  ,
         BRNZL
         BRNZL ''
         BRNZL ,
         BRO
         BRO   ''
         BRO   ,
         BROL
         BROL  ''
         BROL  ,
         END
