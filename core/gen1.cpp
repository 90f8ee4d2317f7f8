/*
** gen1.cpp - statement processing and the statement record (module "gen1").
**
** Owns the running statement number and the statement being built.  For now
** a statement is stored with its source image; the only statement recognised
** is END, which ends the program.
*/
#include "gen1.h"

#include <cstring>

#include "src1.h"
#include "vorn.h"
#include "work.h"

namespace {

struct STMTSTATE {
  uint32_t ulNext; /* number of the next statement */
  bool bEnd;       /* the statement being built is END */
};
STMTSTATE g_stmt = {1, false};

void vHeadPut32(uint32_t ulOffset, uint32_t ulValue) { vPut32(pRecord() + ulOffset, ulValue); }

uint16_t usFlags() { return usGet16(pRecord() + STMT_FLAGS); }
void vFlagsSet(uint16_t usBits) { vPut16(pRecord() + STMT_FLAGS, static_cast<uint16_t>(usFlags() | usBits)); }

/* The operation field of a source line is END (comment lines excluded). */
bool bIsEnd(const uint8_t *pImage, uint32_t ulLength)
{
  if (ulLength == 0 || pImage[0] == '*' || (ulLength > 1 && pImage[0] == '.' && pImage[1] == '*')) return false;
  uint32_t i = 0;
  while (i < ulLength && pImage[i] != ' ') i++;
  while (i < ulLength && pImage[i] == ' ') i++;
  return i + 3 <= ulLength && std::memcmp(pImage + i, "END", 3) == 0 && (i + 3 == ulLength || pImage[i + 3] == ' ');
}

} // namespace

void vStmtPhaseStart() { g_stmt.ulNext = 1; }

uint32_t ulStmtNumber() { return g_stmt.ulNext; }

void vStmtStart()
{
  vRecordReset(STMT_HEAD);
  g_stmt.bEnd = false;
  vHeadPut32(STMT_NUMBER, g_stmt.ulNext);
  vPut32(pRecord() + STMT_SECTION, 0xFFFFFFFFu);
  vPut16(pRecord() + STMT_OPINDEX, 0xFFFF);
  vHeadPut32(STMT_FLAGSET, g_asm.ulFlagInForce);
  g_asm.ulStmtNo = g_stmt.ulNext;
}

void vStmtAddSub(uint8_t bKind, uint32_t ulLength, const void *pBytes)
{
  uint8_t *pSub = static_cast<uint8_t *>(pRecordExtend(ulLength + 4));
  vPut32(pSub, bKind | (ulLength + 4) << 8);
  if (ulLength != 0 && pBytes != nullptr) std::memcpy(pSub + 4, pBytes, ulLength);
  vHeadPut32(STMT_SUBCOUNT, ulGet32(pRecord() + STMT_SUBCOUNT) + 1);
}

int iStmtDiag(int iNumber, int iForm, int iSeverity, uint32_t ulLength, const char *pszText)
{
  if (ulLength == 0) ulLength = static_cast<uint32_t>(std::strlen(pszText));
  uint8_t *pSub = static_cast<uint8_t *>(pRecordExtend(ulLength + 8));
  vPut32(pSub, SUB_DIAG | (ulLength + 8) << 8);
  vPut16(pSub + 4, static_cast<uint16_t>(iNumber));
  pSub[6] = static_cast<uint8_t>(iForm);
  pSub[7] = static_cast<uint8_t>(iSeverity);
  std::memcpy(pSub + 8, pszText, ulLength);
  vHeadPut32(STMT_SUBCOUNT, ulGet32(pRecord() + STMT_SUBCOUNT) + 1);
  if (static_cast<uint32_t>(iSeverity) > g_asm.ulMaxSev) g_asm.ulMaxSev = static_cast<uint32_t>(iSeverity);
  if (iSeverity > 8) vFlagsSet(SF_ERROR);
  return 0;
}

void vStmtDiagOnly(int iNumber, int iSeverity, const char *pszText)
{
  vStmtStart();
  vHeadPut32(STMT_SRCID, g_asm.ulSrcId);
  vHeadPut32(STMT_LINE, g_asm.ulSrcLine);
  vHeadPut32(STMT_RECORDS, 1);
  iStmtDiag(iNumber, DIAG_HOST_TEXT, iSeverity, 0, pszText);
  bStmtFinish();
}

bool bStmtFinish()
{
  vWorkWrite(pRecord(), 1, g_rec.ulLength, WORK_SYSUT1);
  g_stmt.ulNext++;
  return g_stmt.bEnd;
}

bool bStmtProcess(const uint8_t *pImage, uint32_t ulLength, uint32_t ulSrcId, uint32_t ulLine)
{
  g_asm.ulSrcId = ulSrcId;
  g_asm.pszSrcName = pSourceName(ulSrcId);
  g_asm.ulSrcLine = ulLine;
  vStmtStart();
  vHeadPut32(STMT_SRCID, ulSrcId);
  vHeadPut32(STMT_LINE, ulLine);
  vHeadPut32(STMT_RECORDS, 1);
  uint32_t ulStored = 0;
  const uint8_t *pStored = pTextCompress(pImage, ulLength, &ulStored);
  vStmtAddSub(SUB_SOURCE, ulStored, pStored);
  if (bIsEnd(pImage, ulLength)) {
    g_stmt.bEnd = true;
    vFlagsSet(SF_OBJECT_CALL);
  }
  return bStmtFinish();
}
