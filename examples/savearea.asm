* Standard linkage: save the caller's registers, chain the save areas,
* do a little work and return with a zero return code.
SAVEDEMO CSECT
         STM   14,12,12(13)       save the caller's registers
         BALR  12,0               establish addressability
         USING *,12
         ST    13,SAVE+4          chain our save area to the caller's
         LA    15,SAVE
         ST    15,8(,13)
         LR    13,15
*
         L     2,COUNT            the work: add up a table of words
         SR    3,3
         LA    4,TABLE
LOOP     A     3,0(,4)
         LA    4,4(,4)
         BCT   2,LOOP
         ST    3,TOTAL
*
         L     13,SAVE+4          back to the caller's save area
         LM    14,12,12(13)
         SR    15,15              return code 0
         BR    14
*
SAVE     DS    18F                our save area
COUNT    DC    F'5'
TABLE    DC    F'1,2,3,4,5'
TOTAL    DS    F
         END   SAVEDEMO
