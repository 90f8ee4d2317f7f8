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
         SHOWN &A
         AGO   .X
         DC    C'SKIPPED'
.X       DC    C'&A'
         DC    C'&A',C'0123456789012345678901234567890123456789012345',X
               C'E'
         MEND
*! list .X       DC    C'&A'
*! list 2345',X
         SHOWN Q
*! obj D8D8F0F1
         MACRO
         LONG  &A
         DC    C'&A'
         MEND
         LONG  AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB
*! list AAAA+
*! list                B'
*! obj C1C1C1C2
         MACRO
         READ
         LCLC  &C
&C       AREAD NOSTMT
         DC    C'&C'
         MEND
         READ
RECORD READ
*! list RECORD READ
*! list 41+         DC    C'RECORD READ
*! obj D9C5C3D6D9C440D9C5C1C440
         MACRO
&N       LONGERMACRONAME &A
         DC    C'&A'
         MEND
         MACRO
         PUSHOP &L
         LCLC  &X
&X       SETC  '&L&L&L'
&X       LONGERMACRONAME Z
         MEND
         PUSHOP ABCDEFGHIJKLMNOPQRST
*! list +ABCDEFGHIJKLMNOPQRSTABCDEFGHIJKLMNOPQRST
*! list                LONGERMACRONAME Z
*! obj E9
         MACRO
         REMARKS &A
         DC    C'&A'          FIRST REMARK                             X
                              SECOND REMARK
         LONG  &A             CALL REMARK                              X
                              CALL AFTER
         MEND
         REMARKS R
*! list +         DC    C'R'           FIRST REMARK
*! list SECOND REMARK
*! list +         LONG  R 
*! list CALL AFTER
*! obj D9D9
         MACRO
         ENDS  &A
         AIF   ('&A' EQ '').OUT
         MEXIT
.OUT     MEND
         PRINT MSOURCE
         ENDS
*! list +         MEND
         ENDS  1
*! list +         MEXIT
         END
