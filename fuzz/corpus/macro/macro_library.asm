* COPY inside a library macro, globals shared by two macros, MNOTE
* severities from attribute tests, and the library errors.
*! rc 12
L        CSECT
         REGS
         LR    R12,R15
*! list 18CF
         COUNT
         COUNT BY=3
         SHOWCNT
*! list 00000004
         CHECK ABC
*! list ABC is fine
         CHECK ABCDEFGHIJ
*! list 4,CHECK: ABCDEFGHIJ is longer than 8
         CHECK
*! list 8,CHECK: operand omitted
         NOTMACRO
*! list KZM133E
*! list Definition of macro NOTMACRO failed
         NOSUCH
*! list Macro NOSUCH was not found
         END
