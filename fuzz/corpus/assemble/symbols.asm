A        LR    1,2
B        EQU   C+1
C        EQU   4
D        EQU   5,2,X'C6'
BASE     USING *,12
         DC    CL8'A,B''C',X'FF',3F'1'
         MVC   0(2,1),=C'(,'
         END   ,(ASM,0102,00001)
