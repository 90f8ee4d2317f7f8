X        CSECT
.* A fullword holding the count kept by COUNT.
         MACRO
&NAME    SHOWCNT
         GBLA  &CALLS
&NAME    DC    F'&CALLS'
         MEND
         SHOWCNT A,B
         END
