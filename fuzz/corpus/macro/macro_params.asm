* An in-source definition: label, positional and keyword parameters,
* defaults with a comma inside quotes, and the call errors.
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
         END
