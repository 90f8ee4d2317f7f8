/*
** msc2.cpp - the generated-bytes collector (module "msc2").
**
** Calls: esd1, eval, ins2, pars, pun2, stmt.
** Called by: asm2, def2, ins2, instr, prn2, pun2.
**
** Owns the 256-byte buffer of the statement in hand, the byte count, the
** read position and the spill position on SYSUT1.
**
** Notes on the design:
**  - The spill area shares SYSUT1 with the statement records that the code
**    generation phase reads one after another.  Every spill write and read
**    saves the work file's position and restores it, so a statement with
**    more than 256 bytes never disturbs the reading of the next record.
**  - Spill offsets only grow within a statement, so every seek lands inside
**    the file or at its end.
*/
#define MEM_MODULE "msc2"

#include "msc2.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "chars.h"
#include "esd1.h"
#include "expr.h"
#include "lbl.h"
#include "asm0.h"
#include "stmt.h"
#include "gen1.h"
#include "ins2.h"
#include "pun2.h"
#include "mem.h"
#include "vorn.h"
#include "work.h"

namespace {

/* Formats for the arguments named beside them. */
enum MSC2MSG {
  MSG_UNTRANSLATABLE, /* character, column */
  MSG_OMITTED,        /* 113 */
  MSG_COUNT
};
const MSGDEF c_aMsg[] = {
    {303, 12, "Character X'%.02X' in column %u cannot be translated to ASCII."},
    {113, 12, "Required operand was omitted."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

constexpr uint32_t ZERO_BLOCK = 64;
constexpr int MNOTE_NUMBER = 300;

struct COLLECTOR {
  uint8_t abMemory[BYTES_IN_MEMORY];
  uint32_t ulCount;  /* bytes collected */
  uint32_t ulRead;   /* read position */
  uint64_t ullSpill; /* start of the spill area on SYSUT1 */
};
COLLECTOR g_col = {};
ENDDATA g_end = {};
STACKHDR *g_pEndStack = nullptr;

/* The translator record "(id,vvvv,ddddd)"; false when it has another form. */
bool bTranslatorRecord(const uint8_t *p, uint32_t ulLength)
{
  if (ulLength < 14 || ulLength > 23 || p[0] != E_LPAREN || p[ulLength - 1] != E_RPAREN) return false;
  uint32_t aulStart[3], aulLength[3], n = 0, ulStart = 1;
  for (uint32_t i = 1; i < ulLength; i++) {
    if (p[i] != E_COMMA && i != ulLength - 1) continue;
    if (n == 3) return false;
    aulStart[n] = ulStart;
    aulLength[n++] = i - ulStart;
    ulStart = i + 1;
  }
  if (n != 3 || aulLength[0] < 1 || aulLength[0] > 10 || aulLength[1] != 4 || aulLength[2] != 5) return false;
  std::memset(g_end.abId, EBCDIC_BLANK, sizeof g_end.abId);
  std::memcpy(g_end.abId, p + aulStart[0], aulLength[0]);
  std::memcpy(g_end.abVersion, p + aulStart[1], 4);
  std::memcpy(g_end.abDate, p + aulStart[2], 5);
  return true;
}

/* Writes or reads at an offset of the spill area, keeping SYSUT1's position. */
void vSpillTransfer(bool bWrite, uint32_t ulOffset, void *p, uint32_t ulLength)
{
  int64_t llSaved = lWorkTell(WORK_SYSUT1);
  vWorkSeek(WORK_SYSUT1, static_cast<int64_t>(g_col.ullSpill + ulOffset), 0);
  if (bWrite)
    vWorkWrite(p, 1, ulLength, WORK_SYSUT1);
  else
    vWorkRead(p, 1, ulLength, WORK_SYSUT1);
  vWorkSeek(WORK_SYSUT1, llSaved, 0);
}

} // namespace

void vStmtBytesPhaseStart(uint64_t ullEnd)
{
  g_end = ENDDATA{};
  g_pEndStack = nullptr; /* subpool 1 was released with the last phase */
  g_col.ullSpill = ullEnd;
  vStmtBytesReset();
}

void vStmtBytesReset()
{
  g_col.ulCount = 0;
  g_col.ulRead = 0;
}

uint32_t ulStmtBytesCount() { return g_col.ulCount; }

void vStmtBytesRewind() { g_col.ulRead = 0; }

void vStmtBytesPut(uint32_t ulLength, const void *pBytes)
{
  static uint8_t s_abZero[ZERO_BLOCK];
  const uint8_t *p = static_cast<const uint8_t *>(pBytes);
  vStmtSetFlags(SF_BYTES);
  while (ulLength > 0) {
    if (g_col.ulCount < BYTES_IN_MEMORY) {
      uint32_t ulPart = BYTES_IN_MEMORY - g_col.ulCount;
      if (ulPart > ulLength) ulPart = ulLength;
      if (p != nullptr)
        std::memcpy(g_col.abMemory + g_col.ulCount, p, ulPart);
      else
        std::memset(g_col.abMemory + g_col.ulCount, 0, ulPart);
      g_col.ulCount += ulPart;
      ulLength -= ulPart;
      if (p != nullptr) p += ulPart;
      continue;
    }
    uint32_t ulPart = p != nullptr ? ulLength : (ulLength < ZERO_BLOCK ? ulLength : ZERO_BLOCK);
    vSpillTransfer(true, g_col.ulCount - BYTES_IN_MEMORY, const_cast<uint8_t *>(p != nullptr ? p : s_abZero), ulPart);
    g_col.ulCount += ulPart;
    ulLength -= ulPart;
    if (p != nullptr) p += ulPart;
  }
}

uint32_t iStmtBytesGet(uint32_t ulCount, void *pDest)
{
  uint8_t *pOut = static_cast<uint8_t *>(pDest);
  uint32_t ulDone = 0;
  while (ulDone < ulCount && g_col.ulRead < g_col.ulCount) {
    uint32_t ulPart = ulCount - ulDone;
    if (g_col.ulRead < BYTES_IN_MEMORY) {
      if (ulPart > BYTES_IN_MEMORY - g_col.ulRead) ulPart = BYTES_IN_MEMORY - g_col.ulRead;
      if (ulPart > g_col.ulCount - g_col.ulRead) ulPart = g_col.ulCount - g_col.ulRead;
      std::memcpy(pOut + ulDone, g_col.abMemory + g_col.ulRead, ulPart);
    } else {
      if (ulPart > g_col.ulCount - g_col.ulRead) ulPart = g_col.ulCount - g_col.ulRead;
      vSpillTransfer(false, g_col.ulRead - BYTES_IN_MEMORY, pOut + ulDone, ulPart);
    }
    g_col.ulRead += ulPart;
    ulDone += ulPart;
  }
  return ulDone;
}

const ENDDATA *pEndData() { return &g_end; }

void vEndSecondPhase(int iOperands, const uint8_t *pFirstOperand)
{
  if (iOperands < 1 || pFirstOperand == nullptr) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  if (ulLength != 0) {
    if (g_pEndStack == nullptr) g_pEndStack = pStackCreate(SP_RUN);
    vStackReset(g_pEndStack);
    int32_t lSection = lStmtSection();
    int32_t lHere = static_cast<int32_t>(ulStmtLocation());
    EXPRCTX *c = pExprParse(pText, ulLength, 1, nullptr, g_pEndStack, 0, ET_EXPRESSION);
    EXPRVALUE *v = bExprFailed(c) ? nullptr
                                  : pExprEvaluate(c, c->pTree, ulRefWord(g_asm.ulStmtNo, 0), lSection, lHere,
                                                  EF_RELOCATABLE | 0x01);
    if (bExprFailed(c)) {
      iExprDiag(c);
    } else if (v != nullptr) {
      const ESDITEM *s = pEsdItem(v->lSection);
      bool bValid = false;
      if (s != nullptr && v->lValue >= 0) {
        if (s->bKind == ESD_ER || s->bKind == ESD_WX) {
          bValid = v->lValue == 0;
        } else if (s->bKind == ESD_SD || s->bKind == ESD_PC) {
          uint64_t ullValue = static_cast<uint32_t>(v->lValue);
          bool bInside = ullValue >= s->ulStart && ullValue <= static_cast<uint64_t>(s->ulStart) + s->ulFolded;
          bValid = ullValue == 0 || (ullValue % 2 == 0 && ullValue < LOCATION_LIMIT && bInside);
        }
      }
      if (bValid) {
        g_end.bEntry = true;
        g_end.lSection = v->lSection;
        g_end.ulAddress = static_cast<uint32_t>(v->lValue);
      } else {
        iStmtDiagOperand(1);
      }
    } else {
      iStmtDiagOperand(1);
    }
  }
  if (iOperands >= 2) {
    uint32_t ulSecond = 0;
    const uint8_t *pSecond = pOperandText(pOperandNext(pFirstOperand), &ulSecond);
    if (bTranslatorRecord(pSecond, ulSecond))
      g_end.bTranslator = true;
    else
      iStmtDiagOperand(2);
  }
}

namespace {

/* One card; under OBJECT(DECK) every character must have an ASCII form. */
void vPunchCard(const uint8_t *pText, uint32_t ulLength)
{
  uint8_t abCard[CARD];
  std::memset(abCard, EBCDIC_BLANK, sizeof abCard);
  std::memcpy(abCard, pText, ulLength < CARD ? ulLength : CARD);
  if (g_opt.bObject == OBJ_DECK) {
    for (uint32_t i = 0; i < CARD; i++) {
      if (g_abEbcdicDefined[abCard[i]]) continue;
      iStmtMsg(c_aMsg[MSG_UNTRANSLATABLE], abCard[i], i + 1);
      break;
    }
  }
  vObjectPunch(abCard);
}

} // namespace

void vPunchStatement(int iOperands, const uint8_t *pFirstOperand)
{
  if (iOperands < 1 || pFirstOperand == nullptr) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  uint8_t abCard[CARD];
  int iCount = iQuotedString(pText, ulLength, abCard, CARD);
  if (iCount < 0) {
    iStmtDiagOperand(1);
    return;
  }
  vPunchCard(abCard, static_cast<uint32_t>(iCount));
}

void vReproStatement(int iOperands, const uint8_t *pFirstOperand)
{
  if (iOperands < 1 || pFirstOperand == nullptr) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  vPunchCard(pText, ulLength);
}

void vMnoteStatement(int iOperands, const uint8_t *pFirstOperand)
{
  STMTVIEW v = stmtView();
  if (!(v.bPrint & PRT_MSOURCE) && !(v.usFlags & SF_ERROR)) vStmtSetPrint(0);
  if (iOperands < 1 || pFirstOperand == nullptr) {
    iStmtMsg(c_aMsg[MSG_OMITTED]);
    return;
  }
  const uint8_t *pMessage = pFirstOperand;
  int32_t lSeverity = -1; /* -1: a comment */
  bool bStar = false;
  std::string strText;
  if (iOperands >= 2) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
    pMessage = pOperandNext(pFirstOperand);
    if (ulLength == 1 && pText[0] == E_STAR) {
      bStar = true;
    } else if (ulLength == 0) {
      lSeverity = 0;
    } else {
      int iStatus = ABS_OK;
      int32_t lValue = 0;
      iAbsOperand(pFirstOperand, 1, -1, 0, 0, &lValue, 0, 255, &iStatus);
      if (iStatus != ABS_OK) return;
      lSeverity = lValue;
    }
  }
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pMessage, &ulLength);
  uint8_t abMessage[256];
  int iCount = iQuotedString(pText, ulLength, abMessage, sizeof abMessage - 1);
  if (iCount < 0) {
    iStmtDiagOperand(iOperands >= 2 ? 2 : 1);
    return;
  }
  std::vector<uint8_t> vecText;
  char achPrefix[16] = "";
  if (lSeverity >= 0)
    std::snprintf(achPrefix, sizeof achPrefix, "%ld,", static_cast<long>(lSeverity));
  else if (bStar)
    std::snprintf(achPrefix, sizeof achPrefix, "*,");
  size_t ulPrefix = std::strlen(achPrefix);
  /* one byte more: a note with no text still has a buffer */
  vecText.resize(ulPrefix + static_cast<size_t>(iCount) + 1);
  vAsciiToEbcdic(vecText.data(), reinterpret_cast<const uint8_t *>(achPrefix), ulPrefix);
  std::memcpy(vecText.data() + ulPrefix, abMessage, static_cast<size_t>(iCount));
  auto ulText = static_cast<uint32_t>(vecText.size() - 1);
  const char *psz = reinterpret_cast<const char *>(vecText.data());
  if (lSeverity >= 0)
    iStmtDiag(MNOTE_NUMBER, DIAG_NAME_TEXT, lSeverity > 16 ? 16 : static_cast<int>(lSeverity), ulText, psz);
  else if (v.bPrint & PRT_ON)
    iStmtDiag(0, DIAG_NAME_TEXT, 0, ulText, psz);
}
