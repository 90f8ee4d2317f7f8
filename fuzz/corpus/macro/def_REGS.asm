X        CSECT
.* Register equates, from the shop's COPY member.
         MACRO
         REGS
         COPY  REGEQU
         MEND
         REGS A,B
         END
