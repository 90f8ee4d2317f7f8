A        CSECT
X        LOCTR
         DC    A(Y)
Y        DS    (Z-X)C
A        LOCTR
Z        DS    (Y-A)C
X        LOCTR
         DS    F
         END
