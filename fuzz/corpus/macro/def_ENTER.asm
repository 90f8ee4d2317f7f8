X        CSECT
.* Program entry: save the caller's registers, set up a base register
.* and, unless SA=NO, chain a save area of our own.
         MACRO
&NAME    ENTER &BASE=12,&SA=YES
&NAME    STM   14,12,12(13)        save the caller's registers
         BALR  &BASE,0
         USING *,&BASE
         AIF   ('&SA' EQ 'NO').NOSA
         ST    13,SAV&SYSNDX+4     chain the save areas
         LA    13,SAV&SYSNDX
         B     SAV&SYSNDX+72
SAV&SYSNDX DS  18F
.NOSA    MEND
         ENTER A,B
         END
