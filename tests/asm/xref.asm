* Symbol reports: external symbol dictionary, cross reference with
* reference kinds, a long name, a literal and a complex value, the
* unreferenced symbols of the control sections and the DSECTs.
*! list XREFT     SD 00000001 00000000 00000024             00
*! list OTHER     SD 00000002 00000028 00000001             00
*! list =F'1'           4 00000020 00000001 F      37 21
*! list ABS             1 00000005          U      31 28
*! list AVERYLONGNAME
*! list                 4 00000014 00000001 F      26 27
*! list COUNTER         4 0000000C 00000001 F      24 22M
*! list CPLX            4 00000008 Complex  U      30 35
*! list NEXT            4 00000018 00000001 I      27 23B,30
*! list OTHER           1 00000028 00000002 J      34 30
*! list R12             1 0000000C          U      19 20U,29D
*! list XREFT           1 00000000 00000001 J      18 20
*! list     25  UNUSED
*! list FFFFFFFF 00000008      32   AREA
XREFT    CSECT
R12      EQU   12
         USING XREFT,R12
         L     3,=F'1'
         ST    3,COUNTER
         B     NEXT
COUNTER  DS    F
UNUSED   DS    H
AVERYLONGNAME DS F
NEXT     LA    4,AVERYLONGNAME
         LA    5,ABS
         DROP  R12
CPLX     EQU   NEXT-OTHER+NEXT
ABS      EQU   5
AREA     DSECT
FLD      DS    CL8
OTHER    CSECT
         DC    AL1(L'CPLX)
         END
