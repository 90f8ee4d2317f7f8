X        CSECT
.* Return to the caller with a return code.
         MACRO
&NAME    LEAVE &RC=0
&NAME    L     13,4(,13)
         LM    14,12,12(13)
         LA    15,&RC
         BR    14
         MEND
         LEAVE A,B
         END
