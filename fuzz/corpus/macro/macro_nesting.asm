* Nested calls get labels of their own; recursion ends by AIF; a
* definition inside a definition is made when the outer one expands.
*! rc 0
N        CSECT
         USING N,15
         OUTER 1,2
*! list IN0002    DS   0H
*! list IN0003    DS   0H
*! obj 47F0F006000147F0F00C0002
         DEPTH 3
*! obj 000300020001
         MACRO
         MAKER
         MACRO
         MADE  &X
         DC    F'&X'
         MEND
         MEND
         MAKER
         MADE  5
*! obj 00000005
         END
