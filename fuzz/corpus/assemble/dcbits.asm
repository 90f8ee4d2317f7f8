T        CSECT
         DC    BL.3'101',BL.5'11',FL.12'1,-1',XL.4'A',C'B'
         DC    3BL.1'1',CL.12'A',EL.12'1',PL.12'-12',AL.12(4095),0H
         DC    2AL.12((*-T)/1+1+1+1),YL.4(1),HL.9'-256',0F
         DC    BL.7'1',BL.7'1',BL.7'1',D'1'
         DC    (X'FFFFFF')A(0)
         DC    0C'AB',C'&',A(=A(=F'1'))
         END
