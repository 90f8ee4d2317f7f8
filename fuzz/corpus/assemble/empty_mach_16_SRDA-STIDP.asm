* machine instructions SRDA to STIDP: no operand, '', a lone comma
E        CSECT
         USING *,12
         SRDA
         SRDA  ''
         SRDA  ,
         SRDL
         SRDL  ''
         SRDL  ,
         SRL
         SRL   ''
         SRL   ,
         SRNM
         SRNM  ''
         SRNM  ,
         SRP
         SRP   ''
         SRP   ,
         SRST
         SRST  ''
         SRST  ,
         SSAR
         SSAR  ''
         SSAR  ,
         SSCH
         SSCH  ''
         SSCH  ,
         SSK
         SSK   ''
         SSK   ,
         SSKE
         SSKE  ''
         SSKE  ,
         SSM
         SSM   ''
         SSM   ,
         ST
         ST    ''
         ST    ,
         STAM
         STAM  ''
         STAM  ,
         STAP
         STAP  ''
         STAP  ,
         STC
         STC   ''
         STC   ,
         STCAP
         STCAP ''
         STCAP ,
         STCK
         STCK  ''
         STCK  ,
         STCKC
         STCKC ''
         STCKC ,
         STCKE
         STCKE ''
         STCKE ,
         STCM
         STCM  ''
         STCM  ,
         STCPS
         STCPS ''
         STCPS ,
         STCRW
         STCRW ''
         STCRW ,
         STCTL
         STCTL ''
         STCTL ,
         STD
         STD   ''
         STD   ,
         STE
         STE   ''
         STE   ,
         STFL
         STFL  ''
         STFL  ,
         STFPC
         STFPC ''
         STFPC ,
         STH
         STH   ''
         STH   ,
         STIDC
         STIDC ''
         STIDC ,
         STIDP
         STIDP ''
         STIDP ,
         END
