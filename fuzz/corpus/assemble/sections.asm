P        START 5
P        AMODE 24
P        RMODE ANY
         ENTRY E,E,1
         EXTRN X,X
E        L     1,=F'1'
         LTORG
         L     2,=A(*)
D        DSECT
Q        DXD   F
         DXD   H
         DXD   H
         END   E
