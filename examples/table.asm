* A table-driven routine: look a code up in a table of entries and
* branch to the routine it names.  Constants, storage and literals.
DISPATCH CSECT
         USING DISPATCH,15
         STM   14,12,12(13)
         LA    2,ENTRIES          first entry
         LA    3,ENTLEN           length of one entry
         LA    4,ENTRIES+ENTLEN*(NENTRIES-1)   last entry
SEARCH   CLC   CODE,0(2)          is this the code we want?
         BE    FOUND
         BXLE  2,3,SEARCH         next entry
         LA    15,=F'8'           not found
         L     15,0(,15)
         B     RETURN
FOUND    L     15,4(,2)           the routine's address
         BALR  14,15
         SR    15,15
RETURN   LM    14,12,12(13)
         BR    14
*
CODE     DC    CL4'ADD '
ENTRIES  DS    0F
         DC    CL4'ADD ',A(ADDRTN)
ENTLEN   EQU   *-ENTRIES
         DC    CL4'SUB ',A(SUBRTN)
         DC    CL4'MUL ',A(MULRTN)
NENTRIES EQU   (*-ENTRIES)/ENTLEN
*
ADDRTN   AH    1,=H'1'
         BR    14
SUBRTN   SH    1,=H'1'
         BR    14
MULRTN   MH    1,=H'2'
         BR    14
         LTORG
PACKED   DC    PL3'-12345'
ZONED    DC    Z'678'
FLOAT    DC    E'1.5'
WORK     DS    CL80
         END
