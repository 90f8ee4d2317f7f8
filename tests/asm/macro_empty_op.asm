* A generated statement whose operation substitution leaves empty has
* an invalid operation field; it is not a continuation fault.
*! rc 12
E        CSECT
         MACRO
         EMPTY &OP
LBL      &OP   1,2
         MEND
         EMPTY
*! list +LBL            1,2
*! list KZM120E *** ERROR *** Invalid operation field.
*! nolist KZM103E
         END
