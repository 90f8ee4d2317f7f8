* A generated call's operand may hold a quoted string whose variable
* has a subscript with an attribute quote in it: that quote ends
* neither the string nor the operand; remarks keep their column.
*! rc 0
         MACRO
         IN    &A,&B
         DC    C&A,C'&B'
         MEND
         MACRO
         OUT   &LIST
         IN    '&LIST(N'&LIST)',X       LAST ELEMENT
         MEND
T        CSECT
         OUT   (P,Q,R)
*! obj D9E7
*! list IN    'R',X                    LAST ELEMENT
         END
