/*
** gen1.h - the statement record (STMT), the statement diagnostic service and
** statement processing of the conditional assembly phase.
**
** A STMT (its layout in stmt.h) is built in the record buffer of the SYSUT1
** record layer and written to SYSUT1 by bStmtFinish.
** Every module that attaches a diagnostic to a statement does it through
** iStmtDiag and its variants, between vStmtStart and bStmtFinish in the
** conditional assembly phase, or on the record in hand in later phases.
*/
#pragma once

#include <cstdint>

#include "instrnum.h"
#include "stmt.h"
#include "vorn.h"
#include "work.h"

constexpr uint32_t STMT_LIMIT = 999999;
constexpr uint32_t OPERAND_MAX = 1024;

/* Starts statement numbering and the statement state of a conditional
   assembly phase. */
void vStmtPhaseStart();
/* Number the next statement gets. */
uint32_t ulStmtNumber();
/* PRINT status byte in force. */
uint8_t bStmtPrintStatus();
void vStmtSetPrintStatus(uint8_t bStatus);

void vStmtStart();
/* Adds a sub-record to the statement in hand.  While handlers read the
   record, in the code generation phase and behind a diagnostic it is
   collected beside the record (pStmtSub finds it) and appended by
   vStmtFlushTail, so that the record does not move under the handlers. */
void vStmtAddSub(uint8_t bKind, uint32_t ulLength, const void *pBytes);
/* Appends what was collected beside the record in hand (bStmtFinish does;
   the code generation phase before a statement is listed). */
void vStmtFlushTail();
uint16_t usStmtFlags();
void vStmtSetFlags(uint16_t usBits);
void vStmtClearFlags(uint16_t usBits);
/* The statement has work in the code generation phase (SF_PHASE2). */
void vStmtWantPhase2();
/* Head fields of a statement being built: where it comes from (source,
   line, card records, sequence field text handle), its operation table
   index and macro nesting level, the PRINT status it is listed under. */
void vStmtSetOrigin(uint32_t ulSrcId, uint32_t ulLine, uint32_t ulRecords, uint32_t ulSequence);
void vStmtSetOperation(int16_t sIndex, int16_t sNest);
void vStmtSetPrint(uint8_t bPrint);

int iStmtDiag(int iNumber, int iForm, int iSeverity, uint32_t ulLength, const char *pszText);
int iStmtDiagName(int iNumber, const uint8_t *pName, uint32_t ulNameLength, const char *pszMessage);
int iStmtDiagOperand(unsigned uOperand);
int iStmtReserveDiag(unsigned uCount);
/* Code generation phase, for the record in hand: appends the diagnostics
   that the resolution passes could not put into its slots. */
void vStmtLateDiags();
void vStmtDiagOnly(int iNumber, int iSeverity, const char *pszText);
/* An ordinary symbol name: a letter, then letters, digits and name
   characters, 1 to 63 in all. */
bool bSymbolNameValid(const uint8_t *pName, uint32_t ulLen);
/* A statement in error: no operation, only the flags that still matter,
   no location unless it had one. */
void vStmtInError();
/* The first sub-record of a kind in the record in hand, or null. */
uint8_t *pStmtSub(uint8_t bKind);
/* The records marked for revisiting: count, positions of the first and the
   last, longest length. */
void vStmtRevisitWindow(uint32_t *pulCount, uint64_t *pullFirst, uint64_t *pullLast, uint32_t *pulLongest);
bool bStmtFinish();

/* Text handles: interned strings that records carry as 32-bit numbers; they
   live until the end of the code generation phase. */
uint32_t ulTextHandle(const uint8_t *pText, uint32_t ulLength);
const char *pTextOfHandle(uint32_t ulHandle);

struct SRCSTMT;
/* Processes one statement from the reader; true when it was END. */
bool bStmtProcess(const SRCSTMT *pStmt);

/* Splits the operand field of the statement in hand into kind-7 operand
   sub-records (exe1.cpp); returns the number of operands, or -1 after an
   error was attached.  *pulRemarks receives the offset of the remarks. */
int iSplitOperands(const SRCSTMT *pStmt, unsigned uMinimum, unsigned uOptional, bool bEnd, uint32_t *pulRemarks);
/* First-phase dispatch of an assembler instruction (exe1.cpp): label (length
   0 for none) and the first operand sub-record in the record in hand. */
void vFirstPhaseDispatch(const SRCSTMT *pStmt, const struct OPENTRY *pEntry, int iOperands, uint32_t ulLabelLength,
                         const uint8_t *pLabel, const uint8_t *pFirstOperand);
/* First phase of COPY (opens the member) and REPRO (keeps the record that
   follows as its operand) (exe1.cpp). */
struct INSTRARGS;
void vCopyFirstPhase(const INSTRARGS &a);
void vReproFirstPhase(const INSTRARGS &a);
