* OPSYN: a synonym of a machine instruction and of a macro, an
* operation code deleted, and names that are not operation codes.
*! rc 12
O        CSECT
MOVE     OPSYN MVC
         MOVE  0(2,1),2(1)
*! list 000000 D201 1000 1002
         MACRO
         TWICE &X
         DC    2AL1(&X)
         MEND
DOUBLE   OPSYN TWICE
         DOUBLE 9
*! list 000006 0909
SVC      OPSYN
         SVC   3
*! list Macro SVC was not found in SYSLIB.
NOPE     OPSYN NOSUCHOP
*! list NOSUCHOP is not a defined operation code or macro name.
GONE     OPSYN
*! list GONE is not a defined operation code or macro name.
* a name looked up before OPSYN changes it
         LR    1,2
*! list 000008 1812
LR       OPSYN AR
         LR    1,2
*! list 00000A 1A12
LR       OPSYN
         LR    1,2
*! list Macro LR was not found in SYSLIB.
         END
