 ICTL 2,70,16
 *! rc 12
 * ICTL after the first statement is refused; fields begin in column 2
 * and end in column 70, so continuation marks stand in column 71.
 ICT      CSECT
 A        DC    C'AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAX
               BB'
 *! list 000000 C1C1C1C1C1C1C1C1
          ICTL  1
 *! list ICTL must be the first statement.
          END
 *! list 000036
