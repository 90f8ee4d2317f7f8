* Diagnostics of every severity: informational, warnings, errors, severe
* errors, and statements the resolution passes cannot settle.
FAULTS   CSECT
         USING FAULTS,12
         USING FAULTS,12
         LR    1,16
         L     1,NOWHERE
         DC    H'40000'
         DC    Y(70000)
DUP      DS    F
DUP      DS    H
         BOGUS 1,2
123      DS    F
         LA    1,
         MVC   0(257,1),0(1)
         DC    C'UNTERMINATED
         DS    (LOOP)C
LOOP     EQU   LOOPB
LOOPB    EQU   LOOP
         ORG   LOOP
         DC    (CYCLE)X'00'
CYCLE    EQU   *-FAULTS
         L     2,=F'1',3
         CNOP  3,4
         DROP  7
         USING 5000,2
         L     1,5000
         EXTRN
         ENTRY NOTDEFINED
         MNOTE 8,'AN ERROR NOTE'
         MNOTE 16,'A SEVERE NOTE'
         AMODE 99
         COPY  NOSUCH
         END
