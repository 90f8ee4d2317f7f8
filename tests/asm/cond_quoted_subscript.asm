* The subscript of a variable inside a quoted string is an expression:
* the quote of an N' there does not end the string, in AIF and SETC,
* nor does a comma there end one of several SET operands.
*! rc 0
S        CSECT
         MACRO
         LAST  &LIST
         LCLC  &C(2)
         AIF   ('&LIST(N'&LIST)' EQ '').NONE
&C(1)    SETC  '&LIST(N'&LIST,1)','&LIST(1)'
         DC    C'&C(1)&C(2)'
.NONE    MEND
         LAST  (A,BC)
         LAST  (A,)
*! obj C2C3C1
         END
