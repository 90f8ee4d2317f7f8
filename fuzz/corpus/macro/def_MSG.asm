X        CSECT
.* A message: its length in a byte, then its text, a quoted string
.* as written in the call.
         MACRO
&NAME    MSG   &TEXT
&NAME    DC    AL1(L'MSG&SYSNDX)
MSG&SYSNDX DC  C&TEXT
         MEND
         MSG A,B
         END
