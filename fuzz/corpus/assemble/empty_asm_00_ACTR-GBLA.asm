* assembler instructions ACTR to GBLA in open code: no operand, ''
E        CSECT
         ACTR
         ACTR  ''
         ACTR  ,''
LACTR    ACTR  ''
         ADATA
         ADATA ''
         ADATA ,''
LADATA   ADATA ''
         AEJECT
         AEJECT ''
         AEJECT ,''
LAEJECT  AEJECT ''
         AGO
         AGO   ''
         AGO   ,''
LAGO     AGO   ''
         AIF
         AIF   ''
         AIF   ,''
LAIF     AIF   ''
         ALIAS
         ALIAS ''
         ALIAS ,''
LALIAS   ALIAS ''
         AMODE
         AMODE ''
         AMODE ,''
LAMODE   AMODE ''
         ANOP
         ANOP  ''
         ANOP  ,''
LANOP    ANOP  ''
         AREAD
         AREAD ''
         AREAD ,''
LAREAD   AREAD ''
         ASPACE
         ASPACE ''
         ASPACE ,''
LASPACE  ASPACE ''
         CCW
         CCW   ''
         CCW   ,''
LCCW     CCW   ''
         CCW1
         CCW1  ''
         CCW1  ,''
LCCW1    CCW1  ''
         CEJECT
         CEJECT ''
         CEJECT ,''
LCEJECT  CEJECT ''
         CNOP
         CNOP  ''
         CNOP  ,''
LCNOP    CNOP  ''
         COM
         COM   ''
         COM   ,''
LCOM     COM   ''
         COPY
         COPY  ''
         COPY  ,''
LCOPY    COPY  ''
         CSECT
         CSECT ''
         CSECT ,''
LCSECT   CSECT ''
         CXD
         CXD   ''
         CXD   ,''
LCXD     CXD   ''
         DC
         DC    ''
         DC    ,''
LDC      DC    ''
         DROP
         DROP  ''
         DROP  ,''
LDROP    DROP  ''
         DS
         DS    ''
         DS    ,''
LDS      DS    ''
         DSECT
         DSECT ''
         DSECT ,''
LDSECT   DSECT ''
         DXD
         DXD   ''
         DXD   ,''
LDXD     DXD   ''
         EJECT
         EJECT ''
         EJECT ,''
LEJECT   EJECT ''
         ENTRY
         ENTRY ''
         ENTRY ,''
LENTRY   ENTRY ''
         EQU
         EQU   ''
         EQU   ,''
LEQU     EQU   ''
         EXEC
         EXEC  ''
         EXEC  ,''
LEXEC    EXEC  ''
         EXITCTL
         EXITCTL ''
         EXITCTL ,''
LEXITCTL EXITCTL ''
         EXTRN
         EXTRN ''
         EXTRN ,''
LEXTRN   EXTRN ''
         GBLA
         GBLA  ''
         GBLA  ,''
LGBLA    GBLA  ''
         END
