* External symbol dictionary: the columns of each kind, an alias, and
* a name too long for the symbol column; ENTRY refers to its symbol.
*! list MAINALIAS SD 00000001 00000000 00000008             02   MAIN
*! list COM       CM 00000002 00000000 00000004
*! list XD        XD 00000003          00000004             00
*! list ENT       LD          00000004           00000001
*! list EXT       ER 00000004
*! list WEAK      WX 00000005
*! list ALONGERNAME
*! list ER 00000006                                    LONGEXT
*! list ENT             4 00000004 00000001 F      22 16
*! nolist   Defn  Symbol
MAIN     CSECT
MAIN     AMODE 31
MAIN     ALIAS C'MAINALIAS'
         ENTRY ENT
         EXTRN EXT
         WXTRN WEAK
         EXTRN LONGEXT
LONGEXT  ALIAS C'ALONGERNAME'
         DC    F'0'
ENT      DC    F'0'
COM      COM
         DS    F
XD       DXD   F
         END
