* Attributes of symbols that the source defines further on: a packed or
* zoned constant is as long as its digits need, whatever its sign and
* decimal point, and the digits after the point give its scale; an EQU
* takes the length and type its operands give, or its first term's (an
* attribute reference in an operand splits nothing).
*! rc 0
A        CSECT
         MACRO
         ATTR  &S
         LCLA  &L,&C
&L       SETA  L'&S
&C       SETA  S'&S
         DC    AL1(&L,&C)
         MEND
E0       EQU   0,3
         ATTR  P1
         ATTR  P2
         ATTR  Z1
         ATTR  P3
*! obj 0300020204030202
         LENTYPE E1
         LENTYPE E2
         LENTYPE E3
         LENTYPE E4
*! obj 10E403E404C602C8
P1       DC    P'-12345'
P2       DC    P'1.25'
Z1       DC    Z'-1.234'
P3       DC    PL2'1.25'
E1       EQU   P1,16
E2       EQU   E0
E3       EQU   *,4,C'F'
E4       EQU   P3,L'P1,C'H'
         END
