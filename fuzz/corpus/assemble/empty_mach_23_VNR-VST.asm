* machine instructions VNR to VST: no operand, '', a lone comma
E        CSECT
         USING *,12
         VNR
         VNR   ''
         VNR   ,
         VNS
         VNS   ''
         VNS   ,
         VNVM
         VNVM  ''
         VNVM  ,
         VO
         VO    ''
         VO    ,
         VOQ
         VOQ   ''
         VOQ   ,
         VOR
         VOR   ''
         VOR   ,
         VOS
         VOS   ''
         VOS   ,
         VOVM
         VOVM  ''
         VOVM  ,
         VRCL
         VRCL  ''
         VRCL  ,
         VRRS
         VRRS  ''
         VRRS  ,
         VRSV
         VRSV  ''
         VRSV  ,
         VRSVC
         VRSVC ''
         VRSVC ,
         VS
         VS    ''
         VS    ,
         VSD
         VSD   ''
         VSD   ,
         VSDQ
         VSDQ  ''
         VSDQ  ,
         VSDR
         VSDR  ''
         VSDR  ,
         VSDS
         VSDS  ''
         VSDS  ,
         VSE
         VSE   ''
         VSE   ,
         VSEQ
         VSEQ  ''
         VSEQ  ,
         VSER
         VSER  ''
         VSER  ,
         VSES
         VSES  ''
         VSES  ,
         VSLL
         VSLL  ''
         VSLL  ,
         VSPSD
         VSPSD ''
         VSPSD ,
         VSQ
         VSQ   ''
         VSQ   ,
         VSR
         VSR   ''
         VSR   ,
         VSRL
         VSRL  ''
         VSRL  ,
         VSRRS
         VSRRS ''
         VSRRS ,
         VSRSV
         VSRSV ''
         VSRSV ,
         VSS
         VSS   ''
         VSS   ,
         VST
         VST   ''
         VST   ,
         END
