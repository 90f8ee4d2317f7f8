* assembler instructions GBLB to WXTRN in open code: no operand, ''
E        CSECT
         GBLB
         GBLB  ''
         GBLB  ,''
LGBLB    GBLB  ''
         GBLC
         GBLC  ''
         GBLC  ,''
LGBLC    GBLC  ''
         ISEQ
         ISEQ  ''
         ISEQ  ,''
LISEQ    ISEQ  ''
         LCLA
         LCLA  ''
         LCLA  ,''
LLCLA    LCLA  ''
         LCLB
         LCLB  ''
         LCLB  ,''
LLCLB    LCLB  ''
         LCLC
         LCLC  ''
         LCLC  ,''
LLCLC    LCLC  ''
         LOCTR
         LOCTR ''
         LOCTR ,''
LLOCTR   LOCTR ''
         LTORG
         LTORG ''
         LTORG ,''
LLTORG   LTORG ''
         MHELP
         MHELP ''
         MHELP ,''
LMHELP   MHELP ''
         MNOTE
         MNOTE ''
         MNOTE ,''
LMNOTE   MNOTE ''
         OPSYN
         OPSYN ''
         OPSYN ,''
LOPSYN   OPSYN ''
         ORG
         ORG   ''
         ORG   ,''
LORG     ORG   ''
         POP
         POP   ''
         POP   ,''
LPOP     POP   ''
         PRINT
         PRINT ''
         PRINT ,''
LPRINT   PRINT ''
         PUNCH
         PUNCH ''
         PUNCH ,''
LPUNCH   PUNCH ''
         PUSH
         PUSH  ''
         PUSH  ,''
LPUSH    PUSH  ''
         REPRO
         REPRO ''
         REPRO ,''
LREPRO   REPRO ''
         RMODE
         RMODE ''
         RMODE ,''
LRMODE   RMODE ''
         RSECT
         RSECT ''
         RSECT ,''
LRSECT   RSECT ''
         SETA
         SETA  ''
         SETA  ,''
LSETA    SETA  ''
         SETB
         SETB  ''
         SETB  ,''
LSETB    SETB  ''
         SETC
         SETC  ''
         SETC  ,''
LSETC    SETC  ''
         SPACE
         SPACE ''
         SPACE ,''
LSPACE   SPACE ''
         START
         START ''
         START ,''
LSTART   START ''
         TITLE
         TITLE ''
         TITLE ,''
LTITLE   TITLE ''
         USING
         USING ''
         USING ,''
LUSING   USING ''
         WXTRN
         WXTRN ''
         WXTRN ,''
LWXTRN   WXTRN ''
         END
