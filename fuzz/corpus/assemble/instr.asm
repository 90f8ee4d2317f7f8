T        CSECT
         USING T,12
Q        USING T,11
         LR    1,16
         MVCL  1,2
         MXR   2,4
         L     1,2(16)
         L     1,4096(0,1)
         L     1,Q.A
         MVC   0(257,1),0(1)
         MVC   0(0,1),0(1)
         MVC   A,B
         MVC   *,=C'AB'
         ZAP   A(17),=P'-12345'
         SRP   A,B,10
         LPSW  0(1,2)
         LR    1,2(3)
         AHI   1,-32769
         J     8
         J     *+3
         J     U
         BRXH  1,3,*-65538
         VA    0,2,3(3)
         VAS   0,3,3
         VA    1,2,3(16)
         EX    0,A
         ST    1,=F'1'
         SAC   1024
         CTP   1,0
         DCTP  0
A        DS    CL300
B        DS    CL4
U        CSECT
         END
