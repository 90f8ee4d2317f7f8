X        CSECT
.* Calls INNER twice: each call gets labels of its own.
         MACRO
&NAME    OUTER &A,&B
&NAME    DS    0H
         INNER &A
         INNER &B
         MEND
         OUTER A,B
         END
