* A definition's statements are kept from one call to the next: an
* operation changed by OPSYN or by a definition between two calls is
* looked up again, and the AIF and SET fields kept give each pass the
* values of its own call.
*! rc 0
C        CSECT
         MACRO
         EMIT  &N
         LCLA  &I
.L       ANOP
&I       SETA  &I+1
         XX    AL1(&I)
         YY    AL1(6)
         AIF   (&I LT &N).L
         MEND
XX       OPSYN DC
YY       OPSYN DC
         EMIT  2
*! list 000000 01
*! list 000001 06
*! list 000002 02
*! list 000003 06
XX       OPSYN DS
         EMIT  1
*! list 000005 06
YY       OPSYN
         MACRO
         YY    &Q
         DC    AL1(9)
         MEND
XX       OPSYN DC
         EMIT  3
*! list 000006 01
*! list 000007 09
*! list 000008 02
*! list 00000A 03
*! list 00000B 09
         END
