X        CSECT
* Register equates
R0       EQU   0
R1       EQU   1
R12      EQU   12
R13      EQU   13
R14      EQU   14
R15      EQU   15
         REGEQU A,B
         END
