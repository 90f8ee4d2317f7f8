* A V-type constant refers to its external symbol, which no statement
* defines.
*! list VEXT            1 00000000 00000002 T         5
V        CSECT
         DC    V(VEXT)
         END
