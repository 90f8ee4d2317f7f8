* A program with deliberate mistakes: the listing and the terminal
* show what is wrong with each flagged statement.
ERRORS   CSECT
         USING *,12
         LR    1,16               register 16 does not exist
         L     1,UNDEFINED        symbol never defined
         MVC   0(257,1),0(1)      length field too long
DUP      DS    F
DUP      DS    H                  label defined twice
         DC    Y(40000)           value too large for a halfword
         FOO   1,2                no such operation
         END
