* A sequence symbol defined twice in a definition is flagged where
* the definition is read; the first definition stays the target.
*! rc 12
S        CSECT
         MACRO
         TWICE
         AGO   .L
.L       DC    X'01'
         MEXIT
.L       DC    X'02'
         MEND
*! list KZM107E
         TWICE
*! list 000000 01
*! nolist 000000 02
         END
