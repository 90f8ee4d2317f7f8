* XREF(FULL) lists every symbol, in EBCDIC order, and no separate
* unreferenced ones; the options report shows where options came from.
*! opt XREF(FULL)
*! list Command Line Parameters-
*! list   -XREF(FULL)
*! list FLAG(0)                         (default)
*! list     ALIGN,CONT,RECORD,NoSUBSTR,NoRENT,USINGDUP,USINGZERO,
*! list OBJECT(OMF)                     Command Line
*! list XREF(FULL)                      Command Line
*! list       0123456789ABCDEF
*! list    4  @ABCDEFGHIJKLMNO
*! list SYSIN       xref_full.asm
*! list SYSJOB      VORN
*! list AB              1 00000005 00000001 C      22
*! list A1              1 00000004 00000001 C      21
*! list P               1 00000000 00000001 J      19
*! list U               4 00000000 00000001 F      20
*! nolist   Defn  Symbol
P        CSECT
U        DS    F
A1       DS    C
AB       DS    C
         END
