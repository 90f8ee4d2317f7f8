* A program of dummy sections only has no external symbol dictionary.
*! nolist Symbol   Type   Id
*! list FFFFFFFF 00000004       4   AREA
AREA     DSECT
F        DS    F
         END
