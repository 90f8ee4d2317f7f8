/*
** gen1.h - the statement record (STMT), the statement diagnostic service and
** statement processing of the conditional assembly phase.
**
** A STMT is a 48-byte head followed by typed sub-records, built in the record
** buffer of the SYSUT1 record layer and written to SYSUT1 by bStmtFinish.
** Every module that attaches a diagnostic to a statement does it through
** iStmtDiag and its variants, between vStmtStart and bStmtFinish in the
** conditional assembly phase, or on the record in hand in later phases.
*/
#pragma once

#include <cstdint>

#include "instrnum.h"
#include "vorn.h"
#include "work.h"

/* Offsets of the head fields. */
enum : uint32_t {
  STMT_LENGTH = 0,
  STMT_SUBCOUNT = 4,
  STMT_SRCID = 8,
  STMT_LINE = 12,
  STMT_RECORDS = 16,
  STMT_NUMBER = 20,
  STMT_SECTION = 24,
  STMT_LOCATION = 28,
  STMT_SEQUENCE = 32,
  STMT_FLAGSET = 36,
  STMT_NEST = 40,
  STMT_OPINDEX = 42,
  STMT_FLAGS = 44,
  STMT_PRINT = 46,
  STMT_ALIGN = 47,
  STMT_HEAD = 48,
};

/* Statement flags (head offset 44). */
enum : uint16_t {
  SF_OBJECT_CALL = 0x0001,
  SF_LISTING = 0x0002,
  SF_MACHINE = 0x0004,
  SF_BYTES = 0x0008,
  SF_UNASSIGNED = 0x0100,
  SF_NOPRINT = 0x0200,
  SF_RELATIVE = 0x0400,
  SF_SUBSTITUTED = 0x0800,
  SF_PHASE2 = 0x1000,
  SF_OPTIONAL = 0x2000,
  SF_REVISIT = 0x4000,
  SF_ERROR = 0x8000,
  SF_KEPT_IN_ERROR = 0x8E01, /* 0x8A01 and the relative-location bit, so a
                                statement in error is listed at its address */
};

/* Sub-record kinds. */
enum : uint8_t {
  SUB_POOL = 0,
  SUB_VALUE = 1,
  SUB_USING_LIMIT = 2,
  SUB_DIAG = 3,
  SUB_DIAG_SLOT = 4,
  SUB_LABEL = 5,
  SUB_OPERATION = 6,
  SUB_OPERAND = 7,
  SUB_OPERAND_FIELD = 8,
  SUB_LINES = 9,
  SUB_SOURCE = 10,
};

constexpr uint8_t DIAG_HOST_TEXT = 32;
constexpr uint8_t DIAG_NAME_TEXT = 64;
constexpr uint32_t STMT_LIMIT = 999999;
constexpr uint32_t OPERAND_MAX = 1024;


/* The text of an operand sub-record (kind 7) and the sub-record after it. */
inline const uint8_t *pOperandText(const uint8_t *pSub, uint32_t *pulLength)
{
  uint32_t ulSub = static_cast<uint32_t>(pSub[1] | pSub[2] << 8 | pSub[3] << 16);
  *pulLength = ulSub > 4 ? ulSub - 4 : 0;
  return pSub + 4;
}

inline const uint8_t *pOperandNext(const uint8_t *pSub)
{
  uint32_t ulSub = static_cast<uint32_t>(pSub[1] | pSub[2] << 8 | pSub[3] << 16);
  return pSub + (ulSub > 4 ? ulSub : 4);
}

/* Starts statement numbering and the statement state of a conditional
   assembly phase. */
void vStmtPhaseStart();
/* Number the next statement gets. */
uint32_t ulStmtNumber();
/* PRINT status byte in force. */
uint8_t bStmtPrintStatus();
void vStmtSetPrintStatus(uint8_t bStatus);

void vStmtStart();
void vStmtAddSub(uint8_t bKind, uint32_t ulLength, const void *pBytes);
uint16_t usStmtFlags();
void vStmtSetFlags(uint16_t usBits);
void vStmtClearFlags(uint16_t usBits);

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
/* Walks the well-formed sub-records of the record in hand in order:
   f(kind, sub-record, its total length) returns true to stop there.  The
   sub-record it stopped at, or null. */
template <typename F> uint8_t *pStmtEachSub(F f)
{
  uint8_t *p = pRecord();
  for (uint32_t ulOff = STMT_HEAD; ulOff + 4 <= g_rec.ulLength;) {
    uint32_t ulWord = ulGet32(p + ulOff);
    uint32_t ulLen = ulWord >> 8;
    if (ulLen < 4 || ulOff + ulLen > g_rec.ulLength) break;
    if (f(static_cast<uint8_t>(ulWord), p + ulOff, ulLen)) return p + ulOff;
    ulOff += ulLen;
  }
  return nullptr;
}
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
   0 for none) and a copy of the operand sub-records that stays in place
   while diagnostics are attached. */
void vFirstPhaseDispatch(const SRCSTMT *pStmt, const struct OPENTRY *pEntry, int iOperands, uint32_t ulLabelLength,
                         const uint8_t *pLabel, const uint8_t *pFirstOperand);
/* First phase of COPY (opens the member) and REPRO (keeps the record that
   follows as its operand) (exe1.cpp). */
struct INSTRARGS;
void vCopyFirstPhase(const INSTRARGS &a);
void vReproFirstPhase(const INSTRARGS &a);
