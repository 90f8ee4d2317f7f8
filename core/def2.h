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

/* Emits the bytes of one operand (a 'D' node or a literal node of context
   c) of the statement in hand at lLocation (the byte holding the pending
   bits, if any), with a pending partial byte of bit-length constants
   (*pbPending holding *puPendingBits bits, left-justified), which it
   updates; the padding before the operand's first constant is emitted as
   zeros.  Returns the location after the operand (lLocation after an error
   in the operand's evaluation, which is attached to the statement). */
int32_t iDcGenerate(EXPRCTX *c, EXPRNODE *pOperand, unsigned uOperand, int32_t lLocation, uint8_t *pbPending,
                    unsigned *puPendingBits);
