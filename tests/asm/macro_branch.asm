* Branches to sequence symbols: MHELP traces the one taken, a missing
* one is named with the macro or file it was looked for in.
*! rc 12
S        CSECT
         MACRO
         JUMP  &T
         AGO   (&T).A,.ZZ
.A       DC    C'A'
         MEND
         MHELP 2
         JUMP  1
*! list MHELP: Branch to .A from
         JUMP  2
*! list Sequence symbol .ZZ is undefined within macro JUMP
         AGO   .MISSING
*! list Sequence symbol .MISSING is undefined within file
         END
