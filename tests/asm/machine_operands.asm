* Machine operands parsed one after another: an error in one operand
* leaves nothing behind for the next operand or statement.
*! rc 12
OPS      CSECT
         LR    1+,2
*! list Incomplete expression in operand 1.
         LR    3,4(
*! list Unmatched '(' in operand 2.
         LR    5,6
*! list 000002 1856
         L     7,12(8,9)
*! list 000004 5878 900C
         END
