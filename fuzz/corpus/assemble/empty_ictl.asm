         ICTL  ''
E        CSECT
         ICTL
         END   ''
