* machine instructions MVO to PT: no operand, '', a lone comma
E        CSECT
         USING *,12
         MVO
         MVO   ''
         MVO   ,
         MVPG
         MVPG  ''
         MVPG  ,
         MVST
         MVST  ''
         MVST  ,
         MVZ
         MVZ   ''
         MVZ   ,
         MXBR
         MXBR  ''
         MXBR  ,
         MXD
         MXD   ''
         MXD   ,
         MXDB
         MXDB  ''
         MXDB  ,
         MXDBR
         MXDBR ''
         MXDBR ,
         MXDR
         MXDR  ''
         MXDR  ,
         MXR
         MXR   ''
         MXR   ,
         N
         N     ''
         N     ,
         NC
         NC    ''
         NC    ,
         NI
         NI    ''
         NI    ,
         NOP
         NOP   ''
         NOP   ,
         NOPR
         NOPR  ''
         NOPR  ,
         NR
         NR    ''
         NR    ,
         O
         O     ''
         O     ,
         OC
         OC    ''
         OC    ,
         OI
         OI    ''
         OI    ,
         OR
         OR    ''
         OR    ,
         PACK
         PACK  ''
         PACK  ,
         PALB
         PALB  ''
         PALB  ,
         PC
         PC    ''
         PC    ,
         PGIN
         PGIN  ''
         PGIN  ,
         PGOUT
         PGOUT ''
         PGOUT ,
         PKA
         PKA   ''
         PKA   ,
         PKU
         PKU   ''
         PKU   ,
         PLO
         PLO   ''
         PLO   ,
         PR
         PR    ''
         PR    ,
         PT
         PT    ''
         PT    ,
         END
