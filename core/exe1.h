/*
** exe1.h - operand splitting and the first-phase dispatch of assembler
** instructions (module "exe1").
*/
#pragma once

#include <cstdint>

struct OPENTRY;
struct SRCSTMT;

/* Splits the operand field of the statement in hand into kind-7 operand
   sub-records; returns the number of operands, or -1 after an
   error was attached.  *pulRemarks, unless null, receives the offset of the
   remarks. */
int iSplitOperands(const SRCSTMT *pStmt, unsigned uMinimum, unsigned uOptional, bool bEnd, uint32_t *pulRemarks);
/* First-phase dispatch of an assembler instruction: label (length 0 for
   none) and the first operand sub-record in the record in hand. */
void vFirstPhaseDispatch(const SRCSTMT *pStmt, const OPENTRY *pEntry, int iOperands, uint32_t ulLabelLength,
                         const uint8_t *pLabel, const uint8_t *pFirstOperand);
/* The splitter's operand messages, for statements whose operands follow
   rules of their own (EXEC, ISEQ): 113 "Required operand %u omitted.", 115
   "Operand %u is too long.", 116 "Unmatched '(' in operand %u.". */
enum SPLITDIAG { SD_OPERAND_OMITTED, SD_TOO_LONG, SD_PAREN_LEFT };
int iSplitDiag(SPLITDIAG eDiag, unsigned uOperand);
/* First phase of REPRO (keeps the record that follows as its operand). */
struct INSTRARGS;
void vReproFirstPhase(const INSTRARGS &a);
