T        CSECT
         DC    F'1',F'-1',H'32767',H'32768',FS4'1.5',FL3'-2',FE-1'100'
         DC    E'1',E'-0.1',D'0.1',L'1',ES2'1',E'1E-80',E'1E76'
         DC    D'-1E-999',L'1E-70',E'7.2370055E75'
         DC    P'12345',PL2'12345',P'-1',Z'-12',Z'1.5',P'+0'
         DC    CL3'ABCD',CL5'AB',C'A''B&&C',X'ABC',XL1'00FF',B'101'
         DC    F'123456789012345678901234567890',F'1E999',EE75'1E999'
         DC    3A(*),A((*-T)/2+1,T-*),2Y(-(*-T)+X'10'),AL1(T)
         DC    Y(40000),3A((*-T)+2147483643),AL3(T),A(UNDEF)
         DC    V(EXT),VL3(EXT),Q(D),Q(T),V(T),V(LONGNAME9),S(0)
         L     1,=F'5'
         L     1,=A(*)
         LTORG
D        DSECT
         DS    F
         END
