X        CSECT
.* A branch around a constant, labelled with &SYSNDX.
         MACRO
         INNER &V
         B     IN&SYSNDX
         DC    H'&V'
IN&SYSNDX DSÿÿÿÿÿÿÿÿ     CSECT
.* A branch around a constant, labelled with &SYSNDX.
        }MACRO
         INNER &V
         B     IN&SYSNDX
         DC    H'&V'
IN&SYSNDX DS   0H
         MEND
         INNER A,B
         0H
         MEND
         INNER A,B
         END
