* machine instructions LXR to MH: no operand, '', a lone comma
E        CSECT
         USING *,12
         LXR
         LXR   ''
         LXR   ,
         LZDR
         LZDR  ''
         LZDR  ,
         LZER
         LZER  ''
         LZER  ,
         LZXR
         LZXR  ''
         LZXR  ,
         M
         M     ''
         M     ,
         MAD
         MAD   ''
         MAD   ,
         MADB
         MADB  ''
         MADB  ,
         MADBR
         MADBR ''
         MADBR ,
         MADR
         MADR  ''
         MADR  ,
         MADS
         MADS  ''
         MADS  ,
         MAE
         MAE   ''
         MAE   ,
         MAEB
         MAEB  ''
         MAEB  ,
         MAEBR
         MAEBR ''
         MAEBR ,
         MAER
         MAER  ''
         MAER  ,
         MC
         MC    ''
         MC    ,
         MD
         MD    ''
         MD    ,
         MDB
         MDB   ''
         MDB   ,
         MDBR
         MDBR  ''
         MDBR  ,
         MDE
         MDE   ''
         MDE   ,
         MDEB
         MDEB  ''
         MDEB  ,
         MDEBR
         MDEBR ''
         MDEBR ,
         MDER
         MDER  ''
         MDER  ,
         MDR
         MDR   ''
         MDR   ,
         ME
         ME    ''
         ME    ,
         MEE
         MEE   ''
         MEE   ,
         MEEB
         MEEB  ''
         MEEB  ,
         MEEBR
         MEEBR ''
         MEEBR ,
         MEER
         MEER  ''
         MEER  ,
         MER
         MER   ''
         MER   ,
         MH
         MH    ''
         MH    ,
         END
