/*
** def2.h - DC constants and literals in the code generation phase (module
** "def2"): the bytes of every nominal value, with the relocation dictionary
** requests of address constants.
**
** Operands are parsed and evaluated by def1 (pDcEvaluate) exactly as in the
** conditional assembly phase; this module produces their values through the
** generated-bytes collector (msc2.h).
*/
#pragma once

#include <cstdint>

struct EXPRCTX;
struct EXPRNODE;

/* Second phase of the DC statement in the record buffer. */
void vDcStatement();
/* Second phase of a generated literal statement (instruction number 1). */
void vLiteralStatement();

/* Emits the bytes of one evaluated operand (a 'D' node or a literal node of
   context c) at lLocation, with a pending partial byte of bit-length
   constants (*pbPending holding *puPendingBits bits, left-justified);
   returns the location after the operand. */
int32_t iDcGenerate(EXPRCTX *c, EXPRNODE *pOperand, unsigned uOperand, int32_t lLocation, uint8_t *pbPending,
                    unsigned *puPendingBits);
