/*
** def2.h - DC constants and literals in the code generation phase (module
** "def2"): the bytes of every nominal value, with the relocation dictionary
** requests of address constants.
**
** Operands are parsed and evaluated by def1 (pDcEvaluate) exactly as in the
** conditional assembly phase; this module produces their values through the
** generated-bytes collector (msc2.h) and asks the object module for RLD
** items (pun2.h).  Every operand yields exactly the bytes of the extent its
** evaluation gives, values in error as zeros, so no address moves.
**
** In an address constant * is the address of the constant being generated
** (of each one when the operand repeats); in a literal it is the location
** of the statement that used the literal.
*/
#pragma once

#include <cstdint>

struct EXPRCTX;
struct EXPRNODE;

/* Second phase of the DC statement in the record buffer. */
void vDcStatement();
/* Second phase of a generated literal statement (instruction number 1). */
void vLiteralStatement();
