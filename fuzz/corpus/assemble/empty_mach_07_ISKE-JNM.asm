* machine instructions ISKE to JNM: no operand, '', a lone comma
E        CSECT
         USING *,12
         ISKE
         ISKE  ''
         ISKE  ,
         IVSK
         IVSK  ''
         IVSK  ,
         J
         J     ''
         J     ,
         JAS
         JAS   ''
         JAS   ,
         JASL
         JASL  ''
         JASL  ,
         JCT
         JCT   ''
         JCT   ,
         JE
         JE    ''
         JE    ,
         JH
         JH    ''
         JH    ,
         JL
         JL    ''
         JL    ,
         JLE
         JLE   ''
         JLE   ,
         JLH
         JLH   ''
         JLH   ,
         JLL
         JLL   ''
         JLL   ,
         JLM
         JLM   ''
         JLM   ,
         JLNE
         JLNE  ''
         JLNE  ,
         JLNH
         JLNH  ''
         JLNH  ,
         JLNL
         JLNL  ''
         JLNL  ,
         JLNM
         JLNM  ''
         JLNM  ,
         JLNO
         JLNO  ''
         JLNO  ,
         JLNOP
         JLNOP ''
         JLNOP ,
         JLNP
         JLNP  ''
         JLNP  ,
         JLNZ
         JLNZ  ''
         JLNZ  ,
         JLO
         JLO   ''
         JLO   ,
         JLP
         JLP   ''
         JLP   ,
         JLU
         JLU   ''
         JLU   ,
         JLZ
         JLZ   ''
         JLZ   ,
         JM
         JM    ''
         JM    ,
         JNE
         JNE   ''
         JNE   ,
         JNH
         JNH   ''
         JNH   ,
         JNL
         JNL   ''
         JNL   ,
         JNM
         JNM   ''
         JNM   ,
         END
