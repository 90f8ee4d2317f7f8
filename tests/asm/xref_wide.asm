* Beyond 99999 statements the Defn column is two columns wider.
*! list LAST            4 00000004 00000001 F   100011 100010
P        CSECT
         PRINT OFF
&I       SETA  0
         ACTR  99999
.L       ANOP
&I       SETA  &I+1
         AIF   (&I LT 33334).L
         PRINT ON
         DC    A(LAST)
LAST     DS    F
         END
