* The symbol reports are left out under their NO options.
*! opt NOESD NOXREF NODXREF
*! nolist Symbol   Type   Id
*! nolist Symbol    Length    Value
*! nolist   Defn  Symbol
*! nolist DSECT Name
P        CSECT
U        DS    F
         DC    A(U)
D        DSECT
         END
