* machine instructions VACRS to VDDQ: no operand, '', a lone comma
E        CSECT
         USING *,12
         VACRS
         VACRS ''
         VACRS ,
         VACSV
         VACSV ''
         VACSV ,
         VAD
         VAD   ''
         VAD   ,
         VADQ
         VADQ  ''
         VADQ  ,
         VADR
         VADR  ''
         VADR  ,
         VADS
         VADS  ''
         VADS  ,
         VAE
         VAE   ''
         VAE   ,
         VAEQ
         VAEQ  ''
         VAEQ  ,
         VAER
         VAER  ''
         VAER  ,
         VAES
         VAES  ''
         VAES  ,
         VAQ
         VAQ   ''
         VAQ   ,
         VAR
         VAR   ''
         VAR   ,
         VAS
         VAS   ''
         VAS   ,
         VC
         VC    ''
         VC    ,
         VCD
         VCD   ''
         VCD   ,
         VCDQ
         VCDQ  ''
         VCDQ  ,
         VCDR
         VCDR  ''
         VCDR  ,
         VCDS
         VCDS  ''
         VCDS  ,
         VCE
         VCE   ''
         VCE   ,
         VCEQ
         VCEQ  ''
         VCEQ  ,
         VCER
         VCER  ''
         VCER  ,
         VCES
         VCES  ''
         VCES  ,
         VCOVM
         VCOVM ''
         VCOVM ,
         VCQ
         VCQ   ''
         VCQ   ,
         VCR
         VCR   ''
         VCR   ,
         VCS
         VCS   ''
         VCS   ,
         VCVM
         VCVM  ''
         VCVM  ,
         VCZVM
         VCZVM ''
         VCZVM ,
         VDD
         VDD   ''
         VDD   ,
         VDDQ
         VDDQ  ''
         VDDQ  ,
         END
