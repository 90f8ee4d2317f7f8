* A call in a definition is scanned once and kept; the FLAG in force
* at each call still decides its continuation warnings.
*! rc 4
S        CSECT
         MACRO
         INNER &A
         DC    C'&A'
         MEND
         MACRO
         OUTER
         INNER X,
         MEND
         EXEC  VORN,SET,FLAG(NOCONT)
         OUTER
*! list 000000 E7
         EXEC  VORN,RESET,FLAG
         OUTER
*! list Continuation column is blank.
*! list 000001 E7
         END
