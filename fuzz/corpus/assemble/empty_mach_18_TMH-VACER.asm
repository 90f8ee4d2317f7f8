* machine instructions TMH to VACER: no operand, '', a lone comma
E        CSECT
         USING *,12
         TMH
         TMH   ''
         TMH   ,
         TMHH
         TMHH  ''
         TMHH  ,
         TMHL
         TMHL  ''
         TMHL  ,
         TML
         TML   ''
         TML   ,
         TMLH
         TMLH  ''
         TMLH  ,
         TMLL
         TMLL  ''
         TMLL  ,
         TP
         TP    ''
         TP    ,
         TPI
         TPI   ''
         TPI   ,
         TPROT
         TPROT ''
         TPROT ,
         TR
         TR    ''
         TR    ,
         TRACE
         TRACE ''
         TRACE ,
         TRAP2
         TRAP2 ''
         TRAP2 ,
         TRAP4
         TRAP4 ''
         TRAP4 ,
         TRE
         TRE   ''
         TRE   ,
         TROO
         TROO  ''
         TROO  ,
         TROT
         TROT  ''
         TROT  ,
         TRT
         TRT   ''
         TRT   ,
         TRTO
         TRTO  ''
         TRTO  ,
         TRTT
         TRTT  ''
         TRTT  ,
         TS
         TS    ''
         TS    ,
         TSCH
         TSCH  ''
         TSCH  ,
         UNPK
         UNPK  ''
         UNPK  ,
         UNPKA
         UNPKA ''
         UNPKA ,
         UNPKU
         UNPKU ''
         UNPKU ,
         UPT
         UPT   ''
         UPT   ,
         VA
         VA    ''
         VA    ,
         VACD
         VACD  ''
         VACD  ,
         VACDR
         VACDR ''
         VACDR ,
         VACE
         VACE  ''
         VACE  ,
         VACER
         VACER ''
         VACER ,
         END
