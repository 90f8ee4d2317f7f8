* machine instructions VDDR to VLME: no operand, '', a lone comma
E        CSECT
         USING *,12
         VDDR
         VDDR  ''
         VDDR  ,
         VDDS
         VDDS  ''
         VDDS  ,
         VDE
         VDE   ''
         VDE   ,
         VDEQ
         VDEQ  ''
         VDEQ  ,
         VDER
         VDER  ''
         VDER  ,
         VDES
         VDES  ''
         VDES  ,
         VL
         VL    ''
         VL    ,
         VLBIX
         VLBIX ''
         VLBIX ,
         VLCDR
         VLCDR ''
         VLCDR ,
         VLCER
         VLCER ''
         VLCER ,
         VLCR
         VLCR  ''
         VLCR  ,
         VLCVM
         VLCVM ''
         VLCVM ,
         VLD
         VLD   ''
         VLD   ,
         VLDQ
         VLDQ  ''
         VLDQ  ,
         VLDR
         VLDR  ''
         VLDR  ,
         VLE
         VLE   ''
         VLE   ,
         VLEL
         VLEL  ''
         VLEL  ,
         VLELD
         VLELD ''
         VLELD ,
         VLELE
         VLELE ''
         VLELE ,
         VLEQ
         VLEQ  ''
         VLEQ  ,
         VLER
         VLER  ''
         VLER  ,
         VLH
         VLH   ''
         VLH   ,
         VLI
         VLI   ''
         VLI   ,
         VLID
         VLID  ''
         VLID  ,
         VLIE
         VLIE  ''
         VLIE  ,
         VLM
         VLM   ''
         VLM   ,
         VLMD
         VLMD  ''
         VLMD  ,
         VLMDQ
         VLMDQ ''
         VLMDQ ,
         VLMDR
         VLMDR ''
         VLMDR ,
         VLME
         VLME  ''
         VLME  ,
         END
