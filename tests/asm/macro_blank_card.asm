* A blank card in a macro body generates a SPACE, as it does in open
* code: no diagnostic, and the statements around it assemble.
*! rc 0
B        CSECT
         MACRO
         GAPPED &A
         DC    C'&A'

         DC    C'&A.&A'
         MEND
         GAPPED Z
*! obj E9E9E9
*! nolist KZM120E
         END
