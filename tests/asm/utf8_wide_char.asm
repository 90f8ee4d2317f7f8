* A wider UTF-8 character (here U+FFFD, which conversions leave for
* a byte they could not map) takes one column: the box of this remark
* ends in column 71, and the statement after it is no continuation.
*! rc 0
U        CSECT
* R�X                                                                **
         DC    C'A'
*! obj C1
         END
