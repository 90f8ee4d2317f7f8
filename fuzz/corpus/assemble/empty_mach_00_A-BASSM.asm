* machine instructions A to BASSM: no operand, '', a lone comma
E        CSECT
         USING *,12
         A
         A     ''
         A     ,
         AD
         AD    ''
         AD    ,
         ADB
         ADB   ''
         ADB   ,
         ADBR
         ADBR  ''
         ADBR  ,
         ADR
         ADR   ''
         ADR   ,
         AE
         AE    ''
         AE    ,
         AEB
         AEB   ''
         AEB   ,
         AEBR
         AEBR  ''
         AEBR  ,
         AER
         AER   ''
         AER   ,
         AH
         AH    ''
         AH    ,
         AHI
         AHI   ''
         AHI   ,
         AL
         AL    ''
         AL    ,
         ALC
         ALC   ''
         ALC   ,
         ALCR
         ALCR  ''
         ALCR  ,
         ALR
         ALR   ''
         ALR   ,
         AP
         AP    ''
         AP    ,
         AR
         AR    ''
         AR    ,
         AU
         AU    ''
         AU    ,
         AUR
         AUR   ''
         AUR   ,
         AW
         AW    ''
         AW    ,
         AWR
         AWR   ''
         AWR   ,
         AXBR
         AXBR  ''
         AXBR  ,
         AXR
         AXR   ''
         AXR   ,
         B
         B     ''
         B     ,
         BAKR
         BAKR  ''
         BAKR  ,
         BAL
         BAL   ''
         BAL   ,
         BALR
         BALR  ''
         BALR  ,
         BAS
         BAS   ''
         BAS   ,
         BASR
         BASR  ''
         BASR  ,
         BASSM
         BASSM ''
         BASSM ,
         END
