* machine instructions CU12 to DR: no operand, '', a lone comma
E        CSECT
         USING *,12
         CU12
         CU12  ''
         CU12  ,
         CU21
         CU21  ''
         CU21  ,
         CUSE
         CUSE  ''
         CUSE  ,
         CUTFU
         CUTFU ''
         CUTFU ,
         CUUTF
         CUUTF ''
         CUUTF ,
         CVB
         CVB   ''
         CVB   ,
         CVD
         CVD   ''
         CVD   ,
         CXBR
         CXBR  ''
         CXBR  ,
         CXFBR
         CXFBR ''
         CXFBR ,
         CXFR
         CXFR  ''
         CXFR  ,
         CXR
         CXR   ''
         CXR   ,
         D
         D     ''
         D     ,
         DCTP
         DCTP  ''
         DCTP  ,
         DD
         DD    ''
         DD    ,
         DDB
         DDB   ''
         DDB   ,
         DDBR
         DDBR  ''
         DDBR  ,
         DDR
         DDR   ''
         DDR   ,
         DE
         DE    ''
         DE    ,
         DEB
         DEB   ''
         DEB   ,
         DEBR
         DEBR  ''
         DEBR  ,
         DEP
         DEP   ''
         DEP   ,
         DER
         DER   ''
         DER   ,
         DIAG
         DIAG  ''
         DIAG  ,
         DIDBR
         DIDBR ''
         DIDBR ,
         DIEBR
         DIEBR ''
         DIEBR ,
         DISCS
         DISCS ''
         DISCS ,
         DL
         DL    ''
         DL    ,
         DLR
         DLR   ''
         DLR   ,
         DP
         DP    ''
         DP    ,
         DR
         DR    ''
         DR    ,
         END
