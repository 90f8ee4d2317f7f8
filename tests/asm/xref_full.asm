* XREF(FULL) lists every symbol and no separate unreferenced ones; the
* options report shows where each option came from.
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
*! list P               1 00000000 00000001 J      17
*! list U               4 00000000 00000001 F      18
*! nolist   Defn  Symbol
P        CSECT
U        DS    F
         END
