* machine instructions MHI to MVN: no operand, '', a lone comma
E        CSECT
         USING *,12
         MHI
         MHI   ''
         MHI   ,
         ML
         ML    ''
         ML    ,
         MLR
         MLR   ''
         MLR   ,
         MP
         MP    ''
         MP    ,
         MR
         MR    ''
         MR    ,
         MS
         MS    ''
         MS    ,
         MSCH
         MSCH  ''
         MSCH  ,
         MSD
         MSD   ''
         MSD   ,
         MSDB
         MSDB  ''
         MSDB  ,
         MSDBR
         MSDBR ''
         MSDBR ,
         MSDR
         MSDR  ''
         MSDR  ,
         MSE
         MSE   ''
         MSE   ,
         MSEB
         MSEB  ''
         MSEB  ,
         MSEBR
         MSEBR ''
         MSEBR ,
         MSER
         MSER  ''
         MSER  ,
         MSR
         MSR   ''
         MSR   ,
         MSTA
         MSTA  ''
         MSTA  ,
         MUN
         MUN   ''
         MUN   ,
         MVC
         MVC   ''
         MVC   ,
         MVCDK
         MVCDK ''
         MVCDK ,
         MVCIN
         MVCIN ''
         MVCIN ,
         MVCK
         MVCK  ''
         MVCK  ,
         MVCL
         MVCL  ''
         MVCL  ,
         MVCLE
         MVCLE ''
         MVCLE ,
         MVCLU
         MVCLU ''
         MVCLU ,
         MVCP
         MVCP  ''
         MVCP  ,
         MVCS
         MVCS  ''
         MVCS  ,
         MVCSK
         MVCSK ''
         MVCSK ,
         MVI
         MVI   ''
         MVI   ,
         MVN
         MVN   ''
         MVN   ,
         END
