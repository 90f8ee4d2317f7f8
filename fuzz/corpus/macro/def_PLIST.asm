X        CSECT
.* A parameter list of addresses: PLIST (A,B,C) or PLIST A,B,C;
.* the last address has its high-order bit set.
         MACRO
&NAME    PLIST
         LCLA  &I,&N
         AIF   (N'&SYSLIST EQ 1 AND N'&SYSLIST(1) GT 1).SUB
&N       SETA  N'&SYSLIST
&NAME    DS    0F
.LOOP    ANOP
&I       SETA  &I+1
         AIF   (&I EQ &N).LAST
         DC    A(&SYSLIST(&I))
         AGO   .LOOP
.LAST    DC    A(X'80000000'+&SYSLIST(&I))
         MEXIT
.SUB     ANOP
&N       SETA  N'&SYSLIST(1)
&NAME    DS    0F
.SLOOP   ANOP
&I       SETA  &I+1
         AIF   (&I EQ &N).SLAST
         DC    A(&SYSLIST(1,&I))
         AGO   .SLOOP
.SLAST   DC    A(X'80000000'+&SYSLIST(1,&I))
         MEND
         PLIST A,B
         END
