* Arithmetic values substituted as characters: the sign, zero and the
* two extremes.
*! rc 0
V        CSECT
         MACRO
         SHOW
         LCLA  &A,&B,&Z
&A       SETA  -2147483647-1
&B       SETA  2147483647
         DC    C'&A',C'&Z',C'&B'
         MEND
         SHOW
*! list DC    C'-2147483648',C'0',C'2147483647'
         END
