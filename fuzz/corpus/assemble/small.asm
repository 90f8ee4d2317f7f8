HELLO    CSECT
         LR    1,2
* comment
         END
