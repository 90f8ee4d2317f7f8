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
/* PRINT status byte in force (bits PRT_* of asm0.h). */
uint8_t bStmtPrintStatus();
void vStmtSetPrintStatus(uint8_t bStatus);
/* The PRINT rule: a statement with PRINT status bPrint at macro nesting
   level lNest shows in the listing when PRINT ON is in force and either
   PRINT GEN or it is not inside a macro (level 0).  The listing adds its own
   conditions (errors, NOPRINT). */
bool bPrintShows(uint8_t bPrint, int32_t lNest);

void vStmtStart();
/* Adds a sub-record to the statement in hand.  While handlers read the
   record, in the code generation phase and behind a diagnostic it is
   collected beside the record (pStmtSub finds it) and appended by
   vStmtFlushTail, so that the record does not move under the handlers. */
void vStmtAddSub(uint8_t bKind, uint32_t ulLength, const void *pBytes);
/* Appends what was collected beside the record in hand (bStmtFinish does;
   the code generation phase before a statement is listed). */
void vStmtFlushTail();
inline uint16_t usStmtFlags() { return usGet16(pRecord() + STMT_FLAGS); }
inline void vStmtSetFlags(uint16_t usBits)
{
  vPut16(pRecord() + STMT_FLAGS, static_cast<uint16_t>(usStmtFlags() | usBits));
}
inline void vStmtClearFlags(uint16_t usBits)
{
  vPut16(pRecord() + STMT_FLAGS, static_cast<uint16_t>(usStmtFlags() & ~usBits));
}
/* The statement has work in the code generation phase (SF_PHASE2). */
void vStmtWantPhase2();
/* Head fields of a statement being built: where it comes from (source,
   line, card records, sequence field text handle), its operation table
   index and macro nesting level, the PRINT status it is listed under. */
void vStmtSetOrigin(uint32_t ulSrcId, uint32_t ulLine, uint32_t ulRecords, uint32_t ulSequence);
void vStmtSetOperation(int16_t sIndex, int16_t sNest);
void vStmtSetPrint(uint8_t bPrint);

/* The statement diagnostic service: attaches message iNumber (0 a plain
   note, 300 an MNOTE) with severity 0, 4, 8, 12 or 16 to the statement in
   hand.  iForm is DIAG_HOST_TEXT or DIAG_NAME_TEXT; ulLength is the length of
   the text, 0 for a NUL-terminated one.  A severity above 8 marks the
   statement in error; the FLAG setting in force decides whether the message
   is recorded and counted into the highest severity.  In the first phase the
   diagnostic is appended to the record being built, in the resolution passes
   it goes into a reserved slot (or is kept for the code generation phase),
   in the code generation phase into a slot or onto the record in memory.
   Always returns 0. */
int iStmtDiag(int iNumber, int iForm, int iSeverity, uint32_t ulLength, const char *pszText);
/* A row of a message table; its text is a printf format for the arguments. */
int iStmtMsgOf(const MSGDEF *pMsg, ...);
template <typename... ARGS> int iStmtMsg(const MSGDEF &msg, ARGS... args) { return iStmtMsgOf(&msg, args...); }
/* A row whose text is a stem: " in operand %u." (uOperand above 0) or "."
   completes it. */
int iStmtDiagStem(const MSGDEF &msg, unsigned uOperand);
/* A name of the statement (EBCDIC), a blank and the row's text: form
   DIAG_NAME_TEXT. */
int iStmtDiagName(const MSGDEF &msg, const uint8_t *pName, uint32_t ulNameLength);
/* Message 111 about the operand (invalid operand). */
int iStmtDiagOperand(unsigned uOperand);
/* The rows of the label field's messages, which the macro language and
   EXEC also give: 106, 107 and 117. */
enum LABELMSG { LM_SEQ_INVALID, LM_SEQ_DUPLICATE, LM_NO_LABEL };
const MSGDEF &rLabelMsg(LABELMSG eMsg);
/* Reserves uCount empty diagnostic slots (kind 4) for a statement that the
   resolution passes revisit, so their messages need not grow the record. */
int iStmtReserveDiag(unsigned uCount);
/* Code generation phase, for the record in hand: appends the diagnostics
   that the resolution passes could not put into its slots. */
void vStmtLateDiags();
/* A statement of its own that carries only this message (the missing END). */
void vStmtDiagOnly(const MSGDEF &msg);
/* An ordinary symbol name: a letter, then letters, digits and name
   characters, 1 to 63 in all. */
bool bSymbolNameValid(const uint8_t *pName, uint32_t ulLen);
/* A sequence symbol: a period, a letter, then letters and digits, 2 to 63
   characters in all. */
bool bSequenceSymbolValid(const uint8_t *pLabel, uint32_t ulLen);
/* A statement in error: no operation, only the flags that still matter,
   no location unless it had one. */
void vStmtInError();
/* The first sub-record of a kind in the record in hand, or null. */
uint8_t *pStmtSub(uint8_t bKind);
/* The records marked for revisiting: count, positions of the first and the
   last, longest length; *pPositions receives the buffer of all their
   positions in order (its earlier contents are freed). */
void vStmtRevisitWindow(uint32_t *pulCount, uint64_t *pullFirst, uint64_t *pullLast, uint32_t *pulLongest,
                        GROWBUF *pPositions);
/* Per location counter below ulCounters: the position of the last record
   marked for revisiting that waits for it; entries of counters none waits
   for are left as they are. */
void vStmtLastWaiting(uint64_t *pullLast, uint32_t ulCounters);
bool bStmtFinish();

/* Text handles: interned strings that records carry as 32-bit numbers; they
   live until the end of the code generation phase. */
uint32_t ulTextHandle(const uint8_t *pText, uint32_t ulLength);
const char *pTextOfHandle(uint32_t ulHandle);

struct SRCSTMT;
/* Processes one statement (from the reader, or generated by a macro
   expansion); true when it was END. */
bool bStmtProcess(const SRCSTMT *pStmt);

/* Statements the macro language consumes (definitions, calls): a record
   opened for the statement (reader errors and notes attached), the
   caller's diagnostics, then closed.  bListed: the statement shows in the
   listing with its card images (a statement in error always does while
   PRINT ON is in force).  A record with nothing to show is not written and
   takes no statement number.  pStmt null: no card images. */
void vStmtListBegin(const SRCSTMT *pStmt, int32_t lNest);
void vStmtListEnd(const SRCSTMT *pStmt, bool bListed);
/* A line of host text listed after the statement in hand (MHELP output,
   AREAD records). */
void vStmtListLine(const char *pszLine);
/* The statement in hand takes no statement number: the next one gets it. */
void vStmtUnnumbered();
