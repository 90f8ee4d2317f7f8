X        CSECT
.* Checks an operand by its type and count attributes.
         MACRO
         CHECK &OP,&MAX=8
         AIF   (T'&OP EQ 'O').OMITTED
         AIF   (K'&OP GT &MAX).LONG
         MNOTE *,'&OP is fine'
         MEXIT
.OMITTED MNOTE 8,'CHECK: operand omitted'
         MEXIT
.LONG    MNOTE 4,'CHECK: &OP is longer than &MAX'
         MEND
         CHECK A,B
         END
