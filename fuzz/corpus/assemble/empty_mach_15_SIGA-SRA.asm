* machine instructions SIGA to SRA: no operand, '', a lone comma
E        CSECT
         USING *,12
         SIGA
         SIGA  ''
         SIGA  ,
         SIGP
         SIGP  ''
         SIGP  ,
         SIO
         SIO   ''
         SIO   ,
         SIOF
         SIOF  ''
         SIOF  ,
         SL
         SL    ''
         SL    ,
         SLA
         SLA   ''
         SLA   ,
         SLB
         SLB   ''
         SLB   ,
         SLBR
         SLBR  ''
         SLBR  ,
         SLDA
         SLDA  ''
         SLDA  ,
         SLDL
         SLDL  ''
         SLDL  ,
         SLL
         SLL   ''
         SLL   ,
         SLR
         SLR   ''
         SLR   ,
         SP
         SP    ''
         SP    ,
         SPB
         SPB   ''
         SPB   ,
         SPKA
         SPKA  ''
         SPKA  ,
         SPM
         SPM   ''
         SPM   ,
         SPT
         SPT   ''
         SPT   ,
         SPX
         SPX   ''
         SPX   ,
         SQD
         SQD   ''
         SQD   ,
         SQDB
         SQDB  ''
         SQDB  ,
         SQDBR
         SQDBR ''
         SQDBR ,
         SQDR
         SQDR  ''
         SQDR  ,
         SQE
         SQE   ''
         SQE   ,
         SQEB
         SQEB  ''
         SQEB  ,
         SQEBR
         SQEBR ''
         SQEBR ,
         SQER
         SQER  ''
         SQER  ,
         SQXBR
         SQXBR ''
         SQXBR ,
         SQXR
         SQXR  ''
         SQXR  ,
         SR
         SR    ''
         SR    ,
         SRA
         SRA   ''
         SRA   ,
         END
