X        CSECT
.* Recursion: DEPTH n generates n halfwords n, n-1, ... 1.
         MACRO
         DEPTH &N
         AIF   (&N LE 0).DONE
         DC    H'&N'
&M       SETA  &N-1
         DEPTH &M
.DONE    MEND
         DEPTH A,B
         END
