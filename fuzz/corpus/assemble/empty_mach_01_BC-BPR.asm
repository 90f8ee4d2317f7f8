* machine instructions BC to BPR: no operand, '', a lone comma
E        CSECT
         USING *,12
         BC
         BC    ''
         BC    ,
         BCR
         BCR   ''
         BCR   ,
         BCT
         BCT   ''
         BCT   ,
         BCTR
         BCTR  ''
         BCTR  ,
         BE
         BE    ''
         BE    ,
         BER
         BER   ''
         BER   ,
         BH
         BH    ''
         BH    ,
         BHR
         BHR   ''
         BHR   ,
         BL
         BL    ''
         BL    ,
         BLR
         BLR   ''
         BLR   ,
         BM
         BM    ''
         BM    ,
         BMR
         BMR   ''
         BMR   ,
         BNE
         BNE   ''
         BNE   ,
         BNER
         BNER  ''
         BNER  ,
         BNH
         BNH   ''
         BNH   ,
         BNHR
         BNHR  ''
         BNHR  ,
         BNL
         BNL   ''
         BNL   ,
         BNLR
         BNLR  ''
         BNLR  ,
         BNM
         BNM   ''
         BNM   ,
         BNMR
         BNMR  ''
         BNMR  ,
         BNO
         BNO   ''
         BNO   ,
         BNOR
         BNOR  ''
         BNOR  ,
         BNP
         BNP   ''
         BNP   ,
         BNPR
         BNPR  ''
         BNPR  ,
         BNZ
         BNZ   ''
         BNZ   ,
         BNZR
         BNZR  ''
         BNZR  ,
         BO
         BO    ''
         BO    ,
         BOR
         BOR   ''
         BOR   ,
         BP
         BP    ''
         BP    ,
         BPR
         BPR   ''
         BPR   ,
         END
