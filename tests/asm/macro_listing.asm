* The statements of a definition are listed as they were read: the
* sequence symbol of a body statement and the continuation mark in
* column 72 are kept in the listing.  A generated statement whose text
* no longer fits its card goes on at the continue column of the next,
* with a plus in column 72 of the card it leaves; an operation that a
* long label pushes past column 71 starts the next card whole; cards
* of remarks after the operands are kept.  An AREAD NOSTMT shows the
* record it read but takes no statement number.  PRINT MSOURCE lists
* the MEND or MEXIT that ends an expansion.
*! rc 0
L        CSECT
         MACRO
&N       LONGERMACRONAME &A
         DC    C'&A'
         MEND
         MACRO
         SHOWN &A
         AGO   .X
         DC    C'SKIPPED'
.X       DC    C'&A'          FIRST REMARK                             X
                              SECOND REMARK
         LONGERMACRONAME &A   CALL REMARK                              X
                              CALL AFTER
         MEND
*! list .X       DC    C'&A'          FIRST REMARK
*! list CALL REMARK                              X
         SHOWN Q
*! list +         DC    C'Q'           FIRST REMARK
*! list SECOND REMARK
*! list +         LONGERMACRONAME Q
*! list CALL AFTER
*! obj D8D8
         MACRO
         PUSHOP &L
         LCLC  &X
&X       SETC  '&L&L&L'
&X       LONGERMACRONAME &X
         MEND
         PUSHOP ABCDEFGHIJKLMNOPQRST
*! list +ABCDEFGHIJKLMNOPQRSTABCDEFGHIJKLMNOPQRST
*! list                LONGERMACRONAME ABCDEFGHIJ
*! list ABCDEFGHIJKLMN+
*! obj E3C1C2C3
         MACRO
         READ  &A
         LCLC  &C
&C       AREAD NOSTMT
         DC    C'&C'
         AIF   ('&A' EQ '').OUT
         MEXIT
.OUT     MEND
         READ
RECORD READ
*! list RECORD READ
*! list 56+         DC    C'RECORD READ
*! obj D9C5C3D6D9C440D9C5C1C440
         PRINT MSOURCE
         READ
AGAIN
*! list +         MEND
         READ  1
AGAIN
*! list +         MEXIT
         END
