* A call starts with fresh variables although the storage of an
* earlier call's locals, parameters, links and system variables is
* reused; the MHELP dump shows the call's own.
*! rc 12
R        CSECT
         MACRO
         KEEP  &P,&K=
         LCLA  &A(20),&N
         LCLC  &C
&N       SETA  K'&SYSLIST(12)*10000+&A(15)*1000+N'&SYSLIST*100
&N       SETA  &N+K'&C*10+K'&K
         DC    F'&N'
&A(15)   SETA  9
&C       SETC  'ABC'
         MEND
         MACRO
         WHERE
         DC    C'&SYSSTYP.-&SYSECT.-&SYSLOC'
         MEND
         MACRO
         GSET
         GBLA  &G
&G       SETA  5
         MEND
         MACRO
         GUSE
         DC    AL1(&G)
         MEND
         KEEP  1,2,3,4,5,6,7,8,9,10,11,12,K=XY
*! list 000000 000052D2
         KEEP  1
*! list 000004 00000064
         GSET
         GUSE
*! list Variable &G is not defined
         MHELP 16
         KEEP  4
*! list SYSC SYSNDX='0005'
*! list SYSA SYSNEST=1
*! list SYSC SYSLIST(1)
*! list SYMC P='4'
         MHELP 0
         WHERE
*! list C'CSECT-R-R'
D        DSECT
         WHERE
*! list C'DSECT-D-D'
R        CSECT
         WHERE
*! list C'CSECT-R-R'
         END
