         CSECT
         USING *,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15
         DROP
         DROP
         POP   USING
         PUSH  USING
         USING *,12
         DROP  12
         POP   USING
         END
