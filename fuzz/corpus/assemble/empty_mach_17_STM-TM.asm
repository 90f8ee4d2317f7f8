* machine instructions STM to TM: no operand, '', a lone comma
E        CSECT
         USING *,12
         STM
         STM   ''
         STM   ,
         STNSM
         STNSM ''
         STNSM ,
         STOSM
         STOSM ''
         STOSM ,
         STPT
         STPT  ''
         STPT  ,
         STPX
         STPX  ''
         STPX  ,
         STRV
         STRV  ''
         STRV  ,
         STRVH
         STRVH ''
         STRVH ,
         STSCH
         STSCH ''
         STSCH ,
         STSI
         STSI  ''
         STSI  ,
         STURA
         STURA ''
         STURA ,
         SU
         SU    ''
         SU    ,
         SUR
         SUR   ''
         SUR   ,
         SVC
         SVC   ''
         SVC   ,
         SW
         SW    ''
         SW    ,
         SWR
         SWR   ''
         SWR   ,
         SXBR
         SXBR  ''
         SXBR  ,
         SXR
         SXR   ''
         SXR   ,
         TAM
         TAM   ''
         TAM   ,
         TAR
         TAR   ''
         TAR   ,
         TB
         TB    ''
         TB    ,
         TBDR
         TBDR  ''
         TBDR  ,
         TBEDR
         TBEDR ''
         TBEDR ,
         TCDB
         TCDB  ''
         TCDB  ,
         TCEB
         TCEB  ''
         TCEB  ,
         TCH
         TCH   ''
         TCH   ,
         TCXB
         TCXB  ''
         TCXB  ,
         THDER
         THDER ''
         THDER ,
         THDR
         THDR  ''
         THDR  ,
         TIO
         TIO   ''
         TIO   ,
         TM
         TM    ''
         TM    ,
         END
