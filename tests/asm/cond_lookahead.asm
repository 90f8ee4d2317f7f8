* Attributes of symbols that the source defines further on: a packed or
* zoned constant is as long as its digits need, whatever its sign and
* decimal point, and the digits after the point give its scale.
*! rc 0
A        CSECT
         MACRO
         ATTR  &S
         LCLA  &L,&C
&L       SETA  L'&S
&C       SETA  S'&S
         DC    AL1(&L,&C)
         MEND
         ATTR  P1
         ATTR  P2
         ATTR  Z1
         ATTR  P3
*! obj 0300020204030202
P1       DC    P'-12345'
P2       DC    P'1.25'
Z1       DC    Z'-1.234'
P3       DC    PL2'1.25'
         END
