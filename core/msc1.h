/*
** msc1.h - the listing control instructions (module "msc1"): PRINT, PUSH
** and POP (their PRINT part), TITLE, EJECT, SPACE and CEJECT.
**
** First-phase handlers run on the statement being built (conditional
** assembly phase); second-phase handlers on the record in hand (code
** generation phase).  Every handler takes the label (length 0 for none),
** the operand count and the first operand sub-record (kind 7), in a copy
** that stays in place while diagnostics are attached.
**
** PRINT changes the PRINT status in force from the next statement on; the
** statement itself keeps the status it started with.
*/
#pragma once

#include <cstdint>

/* ---- conditional assembly phase -------------------------------------------- */

void vPrintStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
/* PUSH and POP: the PRINT stack, NOPRINT, and the mark for the second phase
   when USING is named (the USING stack is handled there). */
void vPushStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vPopStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
/* TITLE: the first label is the heading id and the object deck id. */
void vTitleStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
/* EJECT, SPACE, CEJECT: operand check; second phase only when printed. */
void vEjectStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vSpaceStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vCejectStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
/* ICTL (only as the first statement): begin, end and continue columns of
   the primary source from the next record on. */
void vIctlStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);

/* ---- code generation phase --------------------------------------------------- */

/* TITLE: the quoted operand becomes the listing title; a new page follows. */
void vTitleSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vEjectSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vSpaceSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vCejectSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);

/* ---- state ---------------------------------------------------------------------- */

/* The first TITLE label of the assembly (EBCDIC), length 0 when none. */
const uint8_t *pTitleLabel(uint32_t *pulLength);
/* Forgets the title label and empties the PRINT stack: at the start of
   every assembly. */
void vListControlReset();
