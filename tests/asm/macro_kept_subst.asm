* A substituted field is parsed at its first substitution and kept with
* its model; each call looks its variables up again (a local of another
* type, a variable left undeclared, a recursive call's own parameter),
* and what the kept form does not cover is read from the text.  So does
* a SET statement's target; a call's parameters start afresh although
* those of the call before are reused.  &SYSNDX is the call's own number
* although its digits are made when it is first looked up.  A value
* substituted up to the limit of 255 characters is taken, one more is
* not.
*! rc 12
R        CSECT
         MACRO
&N       TXT   &P,&L,&I=1
         AIF   ('&P' EQ 'A').ARITH
         LCLC  &V
&V       SETC  '&P'
         AGO   .USE
.ARITH   LCLA  &V
&V       SETA  12
.USE     DC    C'&V.&&&L(&I)&SYSLIST(0)'
         MEND
         MACRO
         UND   &F
         AIF   ('&F' EQ '').SKIP
         LCLC  &U
&U       SETC  'U'
.SKIP    DC    C'&U.X'
         MEND
         MACRO
         REC   &D
         AIF   (&D EQ 0).INNER
         REC   0
.INNER   DC    C'&D'
         MEND
Q1       TXT   B,(X,Y),I=2
*! list 000000 C250E8D8F1
Q2       TXT   A,(X,Y)
*! list 000005 F1F250E7D8F2
         TXT   A,(X,Y),I=3
*! list 00000B F1F250
         TXT   A,(X,Y),I=0
*! list Invalid subscript for &L
         UND   1
*! list 00000E E4E7
         UND
*! list Variable &U is not defined
         MACRO
         KW    &P,&K=D
         AIF   ('&P' EQ 'C').C
         LCLA  &V
         AGO   .SET
.C       LCLC  &V
.SET     ANOP
&V       SETA  5
         DC    C'&P&K&V'
         MEND
         MACRO
         OUTER
         INNER
         DC    C'&SYSNDX'
         MEND
         MACRO
         INNER
         DC    C'&SYSNDX'
         MEND
         MACRO
         ONE   &P
         LCLA  &N
&N       SETA  K'&P
         DC    AL1(&N)
         MEND
         MACRO
         TWO
         LCLC  &V
&V       SETC  (255)'A'
         ONE   &V
         ONE   &V.B
         MEND
         REC   7
*! list 000010 F0
*! list 000011 F7
         KW    A,K=X
*! list 000012 C1E7F5
         KW    B
*! list 000015 C2C4F5
         KW    C
*! list Invalid type for &V in label field.
         OUTER
*! list 00001A F0F0F1F3
*! list 00001E F0F0F1F2
         TWO
*! list 000022 FF
*! list Operand 1 is too long.
         END
