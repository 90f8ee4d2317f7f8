X        CSECT
* A member whose first statement is not MACRO.
         DC    F'1'
         NOTMACRO A,B
         END
