* The subscript of a variable inside a quoted string is an expression:
* the quote of an N' there does not end the string, in AIF and SETC.
*! rc 0
S        CSECT
         MACRO
         LAST  &LIST
         LCLC  &C
         AIF   ('&LIST(N'&LIST)' EQ '').NONE
&C       SETC  '&LIST(N'&LIST)'
         DC    C'&C'
.NONE    MEND
         LAST  (A,BC)
         LAST  (A,)
*! obj C2C3
         END
