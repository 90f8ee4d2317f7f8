* Branches find each sequence symbol of a definition whatever
* its place in their order: names that are prefixes of others,
* names that differ in their last character, names that sort
* first and last.  Each target generates its own byte.
*! rc 0
S        CSECT
         MACRO
         PICK  &N
         AGO   (&N).A,.AB,.A1,.B,.ZZ9,.AA,.Z
.A       DC    X'01'
         MEXIT
.AB      DC    X'02'
         MEXIT
.A1      DC    X'03'
         MEXIT
.B       DC    X'04'
         MEXIT
.ZZ9     DC    X'05'
         MEXIT
.AA      DC    X'06'
         MEXIT
.Z       DC    X'07'
         MEND
         PICK  7
         PICK  2
         PICK  6
         PICK  1
         PICK  5
         PICK  3
         PICK  4
*! obj 07020601050304
         END
