T        RSECT
         CCW   1,X'1000000',0,1
         CCW1  1,X'1000000',X'41',1
         CCW   2,A-E,X'41',300
         CCW   256,A,0,65536
         CNOP  2,4
         CNOP  6,8
         CNOP  7,3
         CXD
         ST    1,A
         LA    1,0
A        DS    F
         EXTRN E
         END
