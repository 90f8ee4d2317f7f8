* macro instructions with empty operands inside a definition, then calls with empty operands
E        CSECT
         MACRO
&L       EMPTY &P,&K=
         LCLC  &X
         LCLA  &VA
         LCLB  &VB
         LCLC  &VC
         GBLC  &G
&X       SETC  ''
&X       SETC  '&P'
&X       SETC  '&K'.''
&X       SETC  '&X'(1,0)
&VA      SETA  K'&X
&VA      SETA  K'&P
&VA      SETA  N'&P
&VA      SETA  N'&SYSLIST
&X       SETC  T'&P
&VB      SETB  ('&X' EQ '')
&VB      SETB  ('&P' EQ '&K')
         AIF   ('&X' EQ '').E1
.E1      ANOP
         AIF   (K'&P EQ 0).E2
.E2      ANOP
         AGO   .E3
.E3      ANOP
         MNOTE ''
         MNOTE '&X'
         MNOTE '&P'
         MNOTE '&K'
         MNOTE '&SYSLIST(1)'
         MNOTE '&SYSLIST(9)'
         MNOTE *,''
         MNOTE *,'&X'
         MNOTE 4,''
         MNOTE 8,'&P'
         MNOTE ,''
         MNOTE ,'&X'
         MNOTE '&X&X'
         MNOTE '&X'.''
         MNOTE '&P'(1,0)
         ACTR
         ACTR  ''
         AEJECT
         AEJECT ''
         AGO
         AGO   ''
         AIF
         AIF   ''
         ANOP
         ANOP  ''
         AREAD
         AREAD ''
         ASPACE
         ASPACE ''
         COPY
         COPY  ''
         EXEC
         EXEC  ''
         GBLA
         GBLA  ''
         GBLB
         GBLB  ''
         GBLC
         GBLC  ''
         LCLA
         LCLA  ''
         LCLB
         LCLB  ''
         LCLC
         LCLC  ''
         MHELP
         MHELP ''
         MNOTE
         MNOTE ''
         OPSYN
         OPSYN ''
         PUNCH
         PUNCH ''
         REPRO
         REPRO ''
         SETA
         SETA  ''
&VA      SETA
&VA      SETA  ''
         SETB
         SETB  ''
&VB      SETB
&VB      SETB  ''
         SETC
         SETC  ''
&VC      SETC
&VC      SETC  ''
         MEXIT
         MEND
         EMPTY
         EMPTY ''
         EMPTY ,
         EMPTY ,K=
         EMPTY ,K=''
L        EMPTY ''
         EMPTY (),K=()
         EMPTY '',K=''
         END
