* MACRO, MEND, MEXIT and a prototype with empty operands
E        CSECT
         MACRO  ''
         M0
         MEXIT ''
         MEND  ''
         MACRO
         M1    ''
         MEND
         M0
         M1
         MACRO

         MEND
         MACRO
&L       M2
         MNOTE '&L'
         MNOTE '&SYSLIST(0)'
         MEND
         M2
         M2    ''
         END
