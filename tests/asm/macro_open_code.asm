* Conditional assembly in open code: a loop of macro calls, MHELP
* tracing and its &SYSNDX limit, a generated conditional-assembly
* statement, and COPY of a member that copies itself.
*! rc 12
O        CSECT
         MACRO
         ONE   &V
         DC    AL2(&V)
         MEND
         MHELP '1'
         ONE   7
*! list MACRO=ONE  &SYSNDX=0001 &SYSNEST=1
*! list 000000 0007
         MHELP 258
&I       SETA  1
.AGAIN   ANOP
&I       SETA  &I+1
         ONE   &I
         AIF   (&I LT 261).AGAIN
*! list DC    AL2(258)
*! list Macro call supressed by MHELP &SYSNDX limit.
*! nolist AL2(259)
&OP      SETC  'AGO'
         &OP   .NOWHERE
*! list Conditional assembly statements may not be generated.
         COPY  SELFCOPY
*! list Recursive COPY is not allowed.
         END
