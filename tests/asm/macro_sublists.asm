* A parameter list macro given a sublist, several operands, or one:
* N'&SYSLIST, N' of a sublist and &SYSLIST(1,n); a sublist continued
* after a comma.
*! rc 0
S        CSECT
         PLIST (A,                                                     X
               B)
         PLIST X,Y,Z
         PLIST A
*! obj 000000188000001C000000200000002480000028
*! obj 8000001800000001
A        DC    F'1'
B        DC    F'2'
X        DC    F'3'
Y        DC    F'4'
Z        DC    F'5'
         END
