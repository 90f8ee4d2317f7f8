* machine instructions LPDR to LXER: no operand, '', a lone comma
E        CSECT
         USING *,12
         LPDR
         LPDR  ''
         LPDR  ,
         LPEBR
         LPEBR ''
         LPEBR ,
         LPER
         LPER  ''
         LPER  ,
         LPR
         LPR   ''
         LPR   ,
         LPSW
         LPSW  ''
         LPSW  ,
         LPXBR
         LPXBR ''
         LPXBR ,
         LPXR
         LPXR  ''
         LPXR  ,
         LR
         LR    ''
         LR    ,
         LRA
         LRA   ''
         LRA   ,
         LRDR
         LRDR  ''
         LRDR  ,
         LRER
         LRER  ''
         LRER  ,
         LRV
         LRV   ''
         LRV   ,
         LRVH
         LRVH  ''
         LRVH  ,
         LRVR
         LRVR  ''
         LRVR  ,
         LTDBR
         LTDBR ''
         LTDBR ,
         LTDR
         LTDR  ''
         LTDR  ,
         LTEBR
         LTEBR ''
         LTEBR ,
         LTER
         LTER  ''
         LTER  ,
         LTR
         LTR   ''
         LTR   ,
         LTXBR
         LTXBR ''
         LTXBR ,
         LTXR
         LTXR  ''
         LTXR  ,
         LURA
         LURA  ''
         LURA  ,
         LXD
         LXD   ''
         LXD   ,
         LXDB
         LXDB  ''
         LXDB  ,
         LXDBR
         LXDBR ''
         LXDBR ,
         LXDR
         LXDR  ''
         LXDR  ,
         LXE
         LXE   ''
         LXE   ,
         LXEB
         LXEB  ''
         LXEB  ,
         LXEBR
         LXEBR ''
         LXEBR ,
         LXER
         LXER  ''
         LXER  ,
         END
