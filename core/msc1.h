/*
** msc1.h - the listing control instructions (module "msc1"): PRINT, PUSH
** and POP (their PRINT part), TITLE, EJECT, SPACE and CEJECT; the input and
** control instructions ICTL, ISEQ, ADATA, EXITCTL and EXEC.
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

/* ISEQ: the columns of the primary source's sequence field (&SYSSEQF);
   nothing is checked. */
void vIseqStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
/* ADATA: four signed decimal values and a quoted string, checked only. */
void vAdataStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
/* EXITCTL: the four values of an exit type (an empty operand keeps its
   value, *+n and *-n change it). */
void vExitctlStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
/* EXEC VORN,SET|RESET|PUSH|POP,...: the USING LIMIT and the FLAG settings
   in force from the next statement on, and the FLAG stack.  Splits the
   operands of the statement as read into the record in hand; 0, or 12
   when a message made it do nothing. */
struct SRCSTMT;
int iExecStatement(const SRCSTMT *pStmt);
/* A USING statement carries the USING LIMIT in force when it differs from
   the option's (sub-record SUB_USING_LIMIT). */
void vUsingLimitCarry();

/* ---- code generation phase --------------------------------------------------- */

/* TITLE: the quoted operand becomes the listing title; a new page follows. */
void vTitleSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vEjectSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vSpaceSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
void vCejectSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);

/* ---- state ---------------------------------------------------------------------- */

/* The first TITLE label of the assembly (EBCDIC), length 0 when none. */
const uint8_t *pTitleLabel(uint32_t *pulLength);
/* The sequence field ISEQ set: first column counted from 0 and length
   (72 and 8 without ISEQ). */
void vSequenceField(uint32_t *pulFirst, uint32_t *pulLength);
/* Forgets the title label, empties the PRINT and FLAG stacks and takes the
   sequence field, the exit values and the USING LIMIT from the options: at
   the start of every assembly. */
void vListControlReset();
