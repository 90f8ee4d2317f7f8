* ACTR: a loop of 4096 backward branches runs, the next one exceeds the
* budget and ends the expansion; ACTR -1 never runs out.
*! rc 12
A        CSECT
         MACRO
         SPIN  &N
         LCLA  &I
.TOP     ANOP
&I       SETA  &I+1
         AIF   (&I LT &N).TOP
         DC    F'&I'
         MEND
         SPIN  4097
*! list 000000 00001001
         SPIN  4098
*! list ACTR limit exceeded
         MACRO
         FOREVER
         ACTR  -1
&I       SETA  0
.TOP     ANOP
&I       SETA  &I+1
         AIF   (&I LT 10000).TOP
         DC    F'&I'
         MEND
         FOREVER
*! list 00002710
         END
