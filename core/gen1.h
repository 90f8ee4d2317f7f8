/*
** gen1.h - the statement record (STMT) and the statement diagnostic service.
**
** A STMT is a 48-byte head followed by typed sub-records, built in the record
** buffer of the SYSUT1 record layer and written to SYSUT1 by bStmtFinish.
*/
#pragma once

#include <cstdint>

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

/* Starts statement numbering for a conditional assembly phase. */
void vStmtPhaseStart();
/* Number the next statement gets. */
uint32_t ulStmtNumber();

void vStmtStart();
void vStmtAddSub(uint8_t bKind, uint32_t ulLength, const void *pBytes);
int iStmtDiag(int iNumber, int iForm, int iSeverity, uint32_t ulLength, const char *pszText);
void vStmtDiagOnly(int iNumber, int iSeverity, const char *pszText);
bool bStmtFinish();

/* Processes one statement of open code; true when it was END. */
bool bStmtProcess(const uint8_t *pImage, uint32_t ulLength, uint32_t ulSrcId, uint32_t ulLine);
