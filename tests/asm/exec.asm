* EXEC VORN: the USING LIMIT and the FLAG settings in force from the
* next statement on, the FLAG stack, every message of EXEC; the FLAG
* setting does not carry into the next program of a batch.
*! opt BATCH
*! rc 12
E        CSECT
         EXEC  VORN,SET,USINGLIMIT(4096)
*! list Operand 3 is invalid.
         EXEC  VORN,SET,USINGLIMIT(4095)
         USING E,12
         L     1,FAR
         DROP  12
         EXEC  VORN,SET,USINGLIMIT(100)
         USING E,12
         L     1,FAR
*! list Displacement exceeds the USING LIMIT in operand 2.
         DROP  12
         EXEC  VORN,RESET,USINGLIMIT
         USING E,12
         L     1,FAR
         EXEC  VORN,PUSH,FLAG
         EXEC  VORN,SET,FLAG(8,NOALIGN)
         USING E,11
         EXEC  VORN,POP,FLAG
         USING E,10
*! list USING overridden by prior USING
         EXEC  VORN,POP,FLAG
*! list FLAG stack is empty.
         EXEC  VORN,SET,FLAG(9X)
*! list FLAG(9X) is invalid.
LBL      EXEC  VORN,RESET,FLAG
*! list Label field must be omitted.
         EXEC  OTHER,SET,FLAG
*! list EXEC OTHER command is not supported.
         EXEC  VORN,DO,FLAG
*! list Operand 2 is invalid.
         EXEC  VORN,RESET
*! list Required operand 3 omitted.
         EXEC  VORN,PUSH,USING
*! list Operand 3 is invalid.
         EXEC  VORN,SET,FLAG(4)X
*! list Unexpected X character in operand 3.
         EXEC  VORN,SET,USINGLIMITUSINGLIMITUSINGLIMITXX
*! list Operand 3 is too long.
         EXEC  VORN,SET,FLAG(4
*! list Unmatched '(' in operand 3.
         EXEC
*! list Required operand was omitted.
*! nolist Record 9 in
*! nolist Record 11 in
*! nolist Record 20 in
*! nolist Record 22 in
*! nolist Record 23 in
         EXEC  VORN,SET,FLAG(8)
         DS    XL200
FAR      DS    F
         END
F        CSECT
         USING F,12
         USING F,11
*! list USING overridden by prior USING
         END
