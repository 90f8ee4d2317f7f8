* Runaway recursion ends at the nesting limit; MEXIT ends only the
* inner macro; AREAD reads the records after the call; statements of
* the macro language that open code may not hold.
*! rc 12
R        CSECT
         MACRO
         LOOP
         LOOP
         MEND
         LOOP
*! list Macro nesting exceeds 255 levels.
         MACRO
         INSIDE
         DC    X'01'
         MEXIT
         DC    X'02'
         MEND
         MACRO
         AROUND
         INSIDE
         DC    X'03'
         MEND
         AROUND
*! list 000000 01
*! list 000001 03
*! nolist 000001 02
         MACRO
         READ2
&LINE    AREAD
&A       SETC  '&LINE'(1,8)
         DC    C'&A'
         MEND
         READ2
ABCDEFGH THIS RECORD IS READ, NOT ASSEMBLED
*! list C'ABCDEFGH'
         MEXIT
*! list This statement is not allowed in open code.
         AREAD
*! list This statement is not allowed in open code.
         MEND
*! list This statement is not allowed in open code.
         END
