         CSECT
         ORG   A
A        EQU   B
B        EQU   *+4
C        DS    F
         END
