* A conditional operand is parsed at its first evaluation and kept with
* its model: each call and pass looks its variables up again, so the
* kind of a variable in this call, a declaration made after the first
* pass and an error on a later pass all count.
*! rc 12
R        CSECT
         MACRO
         KIND  &T
         LCLA  &R
         AIF   ('&T' EQ 'C').C
         AIF   ('&T' EQ 'B').B
         AIF   ('&T' EQ 'D').D
         LCLA  &V
&V       SETA  3
         AGO   .USE
.C       LCLC  &V
&V       SETC  '4'
         AGO   .USE
.B       LCLB  &V
&V       SETB  (1 EQ 1)
         AGO   .USE
.D       LCLA  &V(2)
.USE     ANOP
&R       SETA  &V+1
         DC    F'&R'
         MEND
         MACRO
         LATE
         LCLA  &N
.TOP     AIF   (&N GE 2).OUT
&N       SETA  &N+&K+1
         AIF   (&N GT 0).TOP
         LCLA  &K
&K       SETA  5
         AGO   .TOP
.OUT     DC    F'&N'
         MEND
         MACRO
         GROW
         LCLA  &N,&I
&N       SETA  1
.TOP     ANOP
&I       SETA  &I+1
&N       SETA  &N*256
         AIF   (&I LT 4).TOP
         DC    F'&N'
         MEND
         MACRO
         SUBS
         LCLA  &A(3),&I,&S
&A(1)    SETA  1,2,3
&I       SETA  3
.TOP     ANOP
&S       SETA  &S+&A(&I)
&I       SETA  &I-1
         AIF   (&I GE 0).TOP
         DC    F'&S'
         MEND
         MACRO
         CNT
         LCLA  &I,&S
.TOP     ANOP
&I       SETA  &I+1
&S       SETA  &S*10+N'&SYSLIST(&I)
         AIF   (&I LT N'&SYSLIST).TOP
         DC    F'&S'
         MEND
         MACRO
         REC   &D
         LCLA  &R
         AIF   (&D EQ 0).C
         LCLA  &V
&V       SETA  &D*10
         REC   0
         AGO   .USE
.C       LCLC  &V
&V       SETC  '7'
.USE     ANOP
&R       SETA  &V+&D
         DC    F'&R'
         MEND
         KIND  A
*! list 000000 00000004
         KIND  C
*! list 000004 00000005
         KIND  B
*! list 000008 00000002
         KIND  D
*! list Invalid subscript for &V
*! list 00000C 00000000
         LATE
*! list Variable &K is not defined
*! list 000010 00000006
         GROW
*! list Overflow occurred while evaluating expression
*! list 000014 01000000
         SUBS
*! list Invalid subscript for &A
*! list 000018 00000006
         CNT   (A,B),C,(D,E,F)
*! list 00001C 000000D5
         REC   2
*! list 000020 00000007
*! list 000024 00000016
         END
