/*
** ins2.h - machine instruction encoding and the instruction-like assembler
** statements CCW, CCW1, CNOP and CXD (module "ins2"), code generation phase.
**
** The encoder is driven by the operation code table only: each entry's
** length, opcode bytes and per-operand OPDESC descriptors say what every
** operand is and where its fields go.  The bytes of the statement in hand go
** to the generated-bytes collector (msc2.h); diagnostics to the statement.
*/
#pragma once

#include <cstdint>

struct EXPRCTX;
struct EXPRNODE;

/* Second phase of the machine instruction in the record buffer. */
void vMachineInstruction();
/* Encodes one parsed operand (pCtx->pTree, operand number pCtx->uOperand)
   into the instruction image of ulLength bytes by its descriptor word and
   flags word; * stands at (lSection, lLocation).  Diagnostics go to the
   statement in hand. */
void vMachineOperand(EXPRCTX *pCtx, uint32_t ulLength, int32_t lSection, int32_t lLocation, uint8_t *pImage,
                     uint32_t ulDesc, uint32_t ulFlags);
/* Second phase of CCW/CCW1, CNOP and CXD. */
void vCcwStatement();
void vCnopStatement();
void vCxdStatement();

/* S-type address constant (descriptor 0): the 2 bytes of base and
   displacement of one address operand of DC, parsed in context c as an
   address node ('M'), for operand uOperand of the statement in hand.
   * has the value the caller left in c->lLocSection/lLocValue (the
   constant's location), or the statement's location when the section there
   is -1.  Any diagnostic is attached here; the bytes hold what was built
   (zero when the context already holds an error). */
void vSConstant(EXPRCTX *c, const EXPRNODE *pAddress, unsigned uOperand, uint8_t abOut[2]);

/* Value of an optionally signed decimal number; message 111
   (iStmtDiagOperand) and 0 when it is not one. */
int32_t lSignedDecimal(const uint8_t *pText, uint32_t ulLength, unsigned uOperand);
/* Contents of a quoted operand: bytes copied, or -1. */
int iQuotedString(const uint8_t *pText, uint32_t ulLength, uint8_t *pDest, uint32_t ulRoom);
