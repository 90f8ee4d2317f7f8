*! opt LINEWIDTH(133) PRINTCTL(ASA)
*! rc 0
* Records of an EBCDIC listing: lines skipped by SPACE are written as
* records of their own, without text.
SPC      CSECT
         SPACE 7
         DC    F'1'
         SPACE 2
         END
