* machine instructions LCTL to LPDBR: no operand, '', a lone comma
E        CSECT
         USING *,12
         LCTL
         LCTL  ''
         LCTL  ,
         LCXBR
         LCXBR ''
         LCXBR ,
         LCXR
         LCXR  ''
         LCXR  ,
         LD
         LD    ''
         LD    ,
         LDE
         LDE   ''
         LDE   ,
         LDEB
         LDEB  ''
         LDEB  ,
         LDEBR
         LDEBR ''
         LDEBR ,
         LDER
         LDER  ''
         LDER  ,
         LDR
         LDR   ''
         LDR   ,
         LDXBR
         LDXBR ''
         LDXBR ,
         LDXR
         LDXR  ''
         LDXR  ,
         LE
         LE    ''
         LE    ,
         LEDBR
         LEDBR ''
         LEDBR ,
         LEDR
         LEDR  ''
         LEDR  ,
         LER
         LER   ''
         LER   ,
         LEXBR
         LEXBR ''
         LEXBR ,
         LEXR
         LEXR  ''
         LEXR  ,
         LFI
         LFI   ''
         LFI   ,
         LFPC
         LFPC  ''
         LFPC  ,
         LH
         LH    ''
         LH    ,
         LHI
         LHI   ''
         LHI   ,
         LM
         LM    ''
         LM    ,
         LNDBR
         LNDBR ''
         LNDBR ,
         LNDR
         LNDR  ''
         LNDR  ,
         LNEBR
         LNEBR ''
         LNEBR ,
         LNER
         LNER  ''
         LNER  ,
         LNR
         LNR   ''
         LNR   ,
         LNXBR
         LNXBR ''
         LNXBR ,
         LNXR
         LNXR  ''
         LNXR  ,
         LPDBR
         LPDBR ''
         LPDBR ,
         END
