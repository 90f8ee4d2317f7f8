         ICTL  1,71,16
* Every assembler instruction outside the macro language, with
* literals, location counters, ORG and the USING forms.
         PRINT ON,GEN,DATA
         TITLE 'ASSEMBLER INSTRUCTIONS'
MAIN     START X'1000'
         ENTRY MAINENT,DATAEND
         EXTRN EXTA,EXTB
         WXTRN WEAK
MAIN     AMODE 31
MAIN     RMODE ANY
MAIN     ALIAS C'MAINALIAS'
         USING MAIN,12
         USING AREA,10,11
LBL      USING WORK,9
DEP      USING ITEM,AREA+8
MAINENT  BALR  12,0
         L     1,=F'1'
         LA    2,=A(DATAEND,EXTA)
         MVC   AREA(4),=C'ABCD'
         MVC   LBL.WFLD,=X'0102'
         L     3,DEP.IFLD
         CLI   DEP.ICODE,C'X'
         LH    4,=H'-3'
         L     5,=V(EXTB)
         CNOP  2,8
         LR    1,2
         CNOP  0,4
         CCW   X'02',AREA,X'40',80
         CCW1  X'03',AREA,0,16
         CXD
         PUSH  USING,PRINT
         DROP  10,11
         PRINT NOGEN
         USING *,8
         SR    1,1
         POP   USING,PRINT
         DROP  LBL
         LTORG
         DC    F'5',H'6',C'TEXT',X'FF',P'-12',Z'34',B'1010'
         DC    A(MAINENT,EXTA+4),Y(AREA-MAIN),V(EXTB)
         DC    S(AREA,10(5)),AL3(*),Q(DX)
         DC    E'1.5',D'-2.25'
         DS    0D
AREA     DS    CL32
ALEN     EQU   *-AREA
TOTAL    EQU   ALEN*2,4,C'X'
TWICE    EQU   TOTAL+AREA-AREA
COUNT    LOCTR
         DC    F'100'
MAIN     LOCTR
SAVE     EQU   *
         ORG   AREA+4
         DC    C'OVER'
         ORG
         ORG   SAVE
DATAEND  DC    F'0'
         SPACE 2
         EJECT
         CEJECT 10
LATE     DC    A(FWD)
FWD      EQU   LATE+8
         PUNCH ' PUNCHED CARD'
         REPRO
 REPRODUCED CARD
         ADATA 1,2,3,4,'ADATA'
         EXITCTL LISTING,1
         ISEQ  73,80
         MHELP 0
         MNOTE 4,'A NOTE'
         MNOTE *,'A COMMENT NOTE'
OWNLR    OPSYN LR
DX       DXD   2F
WORK     DSECT
WFLD     DS    XL2
ITEM     DSECT
IFLD     DS    F
ICODE    DS    C
COMMON   COM
         DS    XL16
READONLY RSECT
         DC    H'7'
MAIN     CSECT
         L     1,=F'1'
         GBLA  &GOLD
&GOLD    SETA  1
         AIF   (1 EQ 1).SKIP
         DC    H'99'              skipped
.SKIP    ANOP
         MACRO
&N       PAIR  &A,&K=2
         GBLA  &GOLD
&N       DC    H'&A,&K,&GOLD'
         MEND
TWO      PAIR  5,K=6
         END   MAINENT
