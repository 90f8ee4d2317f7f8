* A relation nested in groups many levels deep: each level was read
* twice, so 34 levels ran for hours; now the evaluation stops with a
* diagnostic after a bounded number of groups.  Eight levels still
* give their value.
*! rc 12
N        CSECT
&OK      SETB  (((((((((1 EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ X
               1))
         DC    AL1(&OK)
*! list 000000 01
&B       SETB  (((((((((((((((((((((((((((((((((((1 EQ 1) EQ 1) EQ 1) EX
               Q 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ X
               1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1)X
                EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EQ 1) EX
               Q 1) EQ 1) EQ 1))
*! list Invalid character expression
         END
