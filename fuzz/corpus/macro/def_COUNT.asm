X        CSECT
.* Counts its calls in a global shared with SHOWCNT.
         MACRO
         COUNT &BY=1
         GBLA  &CALLS
&CALLS   SETA  &CALLS+&BY
         MEND
         COUNT A,B
         END
