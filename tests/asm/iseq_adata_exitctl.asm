* ISEQ names the sequence field that &SYSSEQF shows for the primary
* input; ADATA and EXITCTL check their operands (an empty EXITCTL
* operand keeps its value, *+n adds to it).
*! rc 12
         MACRO
         SHOWSEQ &X
         MNOTE *,'SEQ=&SYSSEQF'
         MEND
S        CSECT
         SHOWSEQ X                                                      SEQ00010
*! list SEQ=SEQ00010
         ISEQ  61,64
         SHOWSEQ X                                          ABCD
*! list SEQ=ABCD
         ISEQ
         SHOWSEQ X                                          ABCD        NUM00030
*! list SEQ=NUM00030
         ISEQ  10
*! list Required operand 2 omitted.
         ISEQ  20,10
*! list Operand 2 is invalid.
         ISEQ  0,5
*! list Operand 1 is invalid.
         ADATA 1,-2,+3,,'ABC'
         ADATA -2147483648,2147483647
         ADATA 1X,,,4,ABC
*! list Operand 1 is invalid.
*! list Operand 5 is invalid.
         ADATA ,2147483648
*! list Operand 2 is invalid.
         EXITCTL SOURCE,2147483646,,*-1
         EXITCTL SOURCE,*+1,,*+2147483647
         EXITCTL SOURCE,*+1
*! list EXITCTL SOURCE,*+1
*! list Operand 2 is invalid.
         EXITCTL TERM,,,*-2147483648,-1
         EXITCTL TERM,,,*-1
*! list EXITCTL TERM,,,*-1
*! list Operand 4 is invalid.
         EXITCTL LISTINGS,1
*! list Operand 1 is invalid.
         EXITCTL PUNCH,*
*! list Operand 2 is invalid.
*! nolist Record 12 in
*! nolist Record 15 in
*! nolist Record 24 in
*! nolist Record 25 in
*! nolist Record 31 in
*! nolist Record 32 in
*! nolist Record 36 in
         END
