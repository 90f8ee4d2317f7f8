* A note with no text: in open code and from a macro whose operand
* substitutes to nothing; with a severity it still counts.
*! rc 8
M        CSECT
         MACRO
         NOTE  &S
         LCLC  &X
         MNOTE &S,'&X'
         MEND
         MNOTE ''
*! list KZM000I *** MNOTE ***
         MNOTE *,''
         NOTE  8
*! list KZM300I *** MNOTE ***
         DC    F'1'
*! obj 00000001
         END
