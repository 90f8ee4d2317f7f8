* machine instructions VLMEQ to VMCD: no operand, '', a lone comma
E        CSECT
         USING *,12
         VLMEQ
         VLMEQ ''
         VLMEQ ,
         VLMER
         VLMER ''
         VLMER ,
         VLMQ
         VLMQ  ''
         VLMQ  ,
         VLMR
         VLMR  ''
         VLMR  ,
         VLNDR
         VLNDR ''
         VLNDR ,
         VLNER
         VLNER ''
         VLNER ,
         VLNR
         VLNR  ''
         VLNR  ,
         VLPDR
         VLPDR ''
         VLPDR ,
         VLPER
         VLPER ''
         VLPER ,
         VLPR
         VLPR  ''
         VLPR  ,
         VLQ
         VLQ   ''
         VLQ   ,
         VLR
         VLR   ''
         VLR   ,
         VLVCA
         VLVCA ''
         VLVCA ,
         VLVCU
         VLVCU ''
         VLVCU ,
         VLVM
         VLVM  ''
         VLVM  ,
         VLVXA
         VLVXA ''
         VLVXA ,
         VLY
         VLY   ''
         VLY   ,
         VLYD
         VLYD  ''
         VLYD  ,
         VLYE
         VLYE  ''
         VLYE  ,
         VLZDR
         VLZDR ''
         VLZDR ,
         VLZER
         VLZER ''
         VLZER ,
         VLZR
         VLZR  ''
         VLZR  ,
         VM
         VM    ''
         VM    ,
         VMAD
         VMAD  ''
         VMAD  ,
         VMADQ
         VMADQ ''
         VMADQ ,
         VMADS
         VMADS ''
         VMADS ,
         VMAE
         VMAE  ''
         VMAE  ,
         VMAEQ
         VMAEQ ''
         VMAEQ ,
         VMAES
         VMAES ''
         VMAES ,
         VMCD
         VMCD  ''
         VMCD  ,
         END
