* Branches in open code come back to a sequence symbol that stands on a
* macro call or on a statement with substituted operands; a forward
* branch skips what lies between.
*! rc 0
B        CSECT
         MACRO
         ONE   &V
         DC    AL1(&V)
         MEND
&I       SETA  2
.CALL    ONE   &I+32
&I       SETA  &I+1
         AIF   (&I LT 4).CALL
&I       SETA  0
         AGO   .FWD
         DC    X'EE'
.FWD     DC    AL1(&I+16)
&I       SETA  &I+1
         AIF   (&I LT 2).FWD
*! obj 22231011
         END
