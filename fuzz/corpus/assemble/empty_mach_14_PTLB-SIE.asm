* machine instructions PTLB to SIE: no operand, '', a lone comma
E        CSECT
         USING *,12
         PTLB
         PTLB  ''
         PTLB  ,
         RCHP
         RCHP  ''
         RCHP  ,
         RDD
         RDD   ''
         RDD   ,
         RIO
         RIO   ''
         RIO   ,
         RRB
         RRB   ''
         RRB   ,
         RRBE
         RRBE  ''
         RRBE  ,
         RSCH
         RSCH  ''
         RSCH  ,
         RSP
         RSP   ''
         RSP   ,
         S
         S     ''
         S     ,
         SAC
         SAC   ''
         SAC   ,
         SACF
         SACF  ''
         SACF  ,
         SAL
         SAL   ''
         SAL   ,
         SAM24
         SAM24 ''
         SAM24 ,
         SAM31
         SAM31 ''
         SAM31 ,
         SAR
         SAR   ''
         SAR   ,
         SCHM
         SCHM  ''
         SCHM  ,
         SCK
         SCK   ''
         SCK   ,
         SCKC
         SCKC  ''
         SCKC  ,
         SCKPF
         SCKPF ''
         SCKPF ,
         SD
         SD    ''
         SD    ,
         SDB
         SDB   ''
         SDB   ,
         SDBR
         SDBR  ''
         SDBR  ,
         SDR
         SDR   ''
         SDR   ,
         SE
         SE    ''
         SE    ,
         SEB
         SEB   ''
         SEB   ,
         SEBR
         SEBR  ''
         SEBR  ,
         SER
         SER   ''
         SER   ,
         SFPC
         SFPC  ''
         SFPC  ,
         SH
         SH    ''
         SH    ,
         SIE
         SIE   ''
         SIE   ,
         END
