* Two sections, an entry point, external references and V-type
* constants: the first section calls a routine of the second one, which
* calls an external routine.
MAINPROG CSECT
         ENTRY MAINENT
         EXTRN PRINTER
         USING MAINPROG,15
MAINENT  L     15,=A(HELPER)      HELPER is in the second section
         BALR  14,15
         L     15,PRINTADR
         BALR  14,15
         BR    14
PRINTADR DC    A(PRINTER)
         LTORG                    this section's literals
*
HELPSECT CSECT
         USING HELPSECT,15
HELPER   L     15,=V(LOGGER)      an external routine nobody declared
         BR    14
DATA     DC    A(MAINENT,HELPER)
         DC    Y(DATA-HELPSECT)
         LTORG                    else they would go into MAINPROG
         END   MAINENT
