* An AREAD whose label is no character SET symbol is in error and reads
* nothing: the record after the call stays in the program.
*! rc 12
P        CSECT
         MACRO
         RD
         LCLA  &N
&N       AREAD
         MEND
         RD
         DC    F'1'
*! list KZM240E
*! list 000000 00000001
         END
