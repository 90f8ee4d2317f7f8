* machine instructions VMCDR to VNQ: no operand, '', a lone comma
E        CSECT
         USING *,12
         VMCDR
         VMCDR ''
         VMCDR ,
         VMCE
         VMCE  ''
         VMCE  ,
         VMCER
         VMCER ''
         VMCER ,
         VMD
         VMD   ''
         VMD   ,
         VMDQ
         VMDQ  ''
         VMDQ  ,
         VMDR
         VMDR  ''
         VMDR  ,
         VMDS
         VMDS  ''
         VMDS  ,
         VME
         VME   ''
         VME   ,
         VMEQ
         VMEQ  ''
         VMEQ  ,
         VMER
         VMER  ''
         VMER  ,
         VMES
         VMES  ''
         VMES  ,
         VMNSD
         VMNSD ''
         VMNSD ,
         VMNSE
         VMNSE ''
         VMNSE ,
         VMQ
         VMQ   ''
         VMQ   ,
         VMR
         VMR   ''
         VMR   ,
         VMRRS
         VMRRS ''
         VMRRS ,
         VMRSV
         VMRSV ''
         VMRSV ,
         VMS
         VMS   ''
         VMS   ,
         VMSD
         VMSD  ''
         VMSD  ,
         VMSDQ
         VMSDQ ''
         VMSDQ ,
         VMSDS
         VMSDS ''
         VMSDS ,
         VMSE
         VMSE  ''
         VMSE  ,
         VMSEQ
         VMSEQ ''
         VMSEQ ,
         VMSES
         VMSES ''
         VMSES ,
         VMXAD
         VMXAD ''
         VMXAD ,
         VMXAE
         VMXAE ''
         VMXAE ,
         VMXSD
         VMXSD ''
         VMXSD ,
         VMXSE
         VMXSE ''
         VMXSE ,
         VN
         VN    ''
         VN    ,
         VNQ
         VNQ   ''
         VNQ   ,
         END
