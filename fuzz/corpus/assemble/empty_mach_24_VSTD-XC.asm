* machine instructions VSTD to XC: no operand, '', a lone comma
E        CSECT
         USING *,12
         VSTD
         VSTD  ''
         VSTD  ,
         VSTE
         VSTE  ''
         VSTE  ,
         VSTH
         VSTH  ''
         VSTH  ,
         VSTI
         VSTI  ''
         VSTI  ,
         VSTID
         VSTID ''
         VSTID ,
         VSTIE
         VSTIE ''
         VSTIE ,
         VSTK
         VSTK  ''
         VSTK  ,
         VSTKD
         VSTKD ''
         VSTKD ,
         VSTKE
         VSTKE ''
         VSTKE ,
         VSTM
         VSTM  ''
         VSTM  ,
         VSTMD
         VSTMD ''
         VSTMD ,
         VSTME
         VSTME ''
         VSTME ,
         VSTVM
         VSTVM ''
         VSTVM ,
         VSTVP
         VSTVP ''
         VSTVP ,
         VSVMM
         VSVMM ''
         VSVMM ,
         VTVM
         VTVM  ''
         VTVM  ,
         VX
         VX    ''
         VX    ,
         VXEL
         VXEL  ''
         VXEL  ,
         VXELD
         VXELD ''
         VXELD ,
         VXELE
         VXELE ''
         VXELE ,
         VXQ
         VXQ   ''
         VXQ   ,
         VXR
         VXR   ''
         VXR   ,
         VXS
         VXS   ''
         VXS   ,
         VXVC
         VXVC  ''
         VXVC  ,
         VXVM
         VXVM  ''
         VXVM  ,
         VXVMM
         VXVMM ''
         VXVMM ,
         VZPSD
         VZPSD ''
         VZPSD ,
         WRD
         WRD   ''
         WRD   ,
         X
         X     ''
         X     ,
         XC
         XC    ''
         XC    ,
         END
