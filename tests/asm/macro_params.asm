* An in-source definition: label, positional and keyword parameters,
* defaults with a comma inside quotes, the call errors, and which
* quotes open a string in a call's operands.
*! rc 12
TEST     CSECT
         MACRO
&L       TWO   &A,&B,&K=7,&Q='X,Y'
&L       DC    AL1(&A,&B,&K)
         DC    C&Q
         MEND
         TWO   1,2
*! list +         DC    AL1(1,2,7)
*! list 000003 E76BE8
LBL      TWO   3,4,K=9
*! list 030409 
         TWO   1,2,K=3,K=4
*! list K keyword parameter is duplicated
         TWO   1,Z=5
*! list Z is not defined as a keyword parameter
         MACRO
         COUNTOPS
&N       SETA  N'&SYSLIST
         DC    AL1(&N)
         MEND
         COUNTOPS DECB,SF,DCB,AREA,'S'
*! list 00000C 05
         COUNTOPS 'REPLY Y OR N'
*! list 00000D 01
         COUNTOPS L'X,Y
*! list 00000E 02
         COUNTOPS ABL'X,Y'
*! list 00000F 01
         END
