* machine instructions DXBR to ISK: no operand, '', a lone comma
E        CSECT
         USING *,12
         DXBR
         DXBR  ''
         DXBR  ,
         DXR
         DXR   ''
         DXR   ,
         EAR
         EAR   ''
         EAR   ,
         ED
         ED    ''
         ED    ,
         EDMK
         EDMK  ''
         EDMK  ,
         EFPC
         EFPC  ''
         EFPC  ,
         EPAR
         EPAR  ''
         EPAR  ,
         EREG
         EREG  ''
         EREG  ,
         ESAR
         ESAR  ''
         ESAR  ,
         ESTA
         ESTA  ''
         ESTA  ,
         EX
         EX    ''
         EX    ,
         FIDBR
         FIDBR ''
         FIDBR ,
         FIDR
         FIDR  ''
         FIDR  ,
         FIEBR
         FIEBR ''
         FIEBR ,
         FIER
         FIER  ''
         FIER  ,
         FIXBR
         FIXBR ''
         FIXBR ,
         FIXR
         FIXR  ''
         FIXR  ,
         HDR
         HDR   ''
         HDR   ,
         HDV
         HDV   ''
         HDV   ,
         HER
         HER   ''
         HER   ,
         HIO
         HIO   ''
         HIO   ,
         HSCH
         HSCH  ''
         HSCH  ,
         IAC
         IAC   ''
         IAC   ,
         IC
         IC    ''
         IC    ,
         ICM
         ICM   ''
         ICM   ,
         IPB
         IPB   ''
         IPB   ,
         IPK
         IPK   ''
         IPK   ,
         IPM
         IPM   ''
         IPM   ,
         IPTE
         IPTE  ''
         IPTE  ,
         ISK
         ISK   ''
         ISK   ,
         END
