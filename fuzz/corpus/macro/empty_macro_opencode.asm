* macro instructions with empty operands in open code
E        CSECT
&X       SETC  ''
         MNOTE ''
         MNOTE '&X'
         MNOTE *,''
         MNOTE 4,'&X'
         MNOTE ,''
         AIF   ('&X' EQ '').E1
.E1      ANOP
&A       SETA  K'&X
&B       SETB  ('&X' EQ '')
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
         SETB
         SETB  ''
         SETC
         SETC  ''
         END
