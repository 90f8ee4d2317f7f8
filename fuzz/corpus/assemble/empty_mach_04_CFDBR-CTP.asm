* machine instructions CFDBR to CTP: no operand, '', a lone comma
E        CSECT
         USING *,12
         CFDBR
         CFDBR ''
         CFDBR ,
         CFDR
         CFDR  ''
         CFDR  ,
         CFEBR
         CFEBR ''
         CFEBR ,
         CFER
         CFER  ''
         CFER  ,
         CFXBR
         CFXBR ''
         CFXBR ,
         CFXR
         CFXR  ''
         CFXR  ,
         CH
         CH    ''
         CH    ,
         CHI
         CHI   ''
         CHI   ,
         CKSM
         CKSM  ''
         CKSM  ,
         CL
         CL    ''
         CL    ,
         CLC
         CLC   ''
         CLC   ,
         CLCL
         CLCL  ''
         CLCL  ,
         CLCLE
         CLCLE ''
         CLCLE ,
         CLCLU
         CLCLU ''
         CLCLU ,
         CLI
         CLI   ''
         CLI   ,
         CLM
         CLM   ''
         CLM   ,
         CLR
         CLR   ''
         CLR   ,
         CLRCH
         CLRCH ''
         CLRCH ,
         CLRIO
         CLRIO ''
         CLRIO ,
         CLRP
         CLRP  ''
         CLRP  ,
         CLST
         CLST  ''
         CLST  ,
         CMPSC
         CMPSC ''
         CMPSC ,
         CONCS
         CONCS ''
         CONCS ,
         CP
         CP    ''
         CP    ,
         CPYA
         CPYA  ''
         CPYA  ,
         CR
         CR    ''
         CR    ,
         CS
         CS    ''
         CS    ,
         CSCH
         CSCH  ''
         CSCH  ,
         CSP
         CSP   ''
         CSP   ,
         CTP
         CTP   ''
         CTP   ,
         END
