         CSECT
         DS    (X'FFFFFF')X
         DS    X
         ORG   *-1
         DS    2X
         END
