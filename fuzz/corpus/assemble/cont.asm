         DC    C'AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAX
               BC'
*VORN    LR    1,2
.* macro comment
         COPY  NOSUCH
         AIF   (1).X
LABEL
         END
