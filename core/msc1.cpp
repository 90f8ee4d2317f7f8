/*
** msc1.cpp - the listing control instructions PRINT, PUSH/POP PRINT, TITLE,
** EJECT, SPACE and CEJECT (module "msc1").
**
** Owns the PRINT stack (subpool 2: it lives for one conditional assembly
** phase) and the first TITLE label of the assembly.
**
** Notes on the design:
**  - Keywords are compared in upper case; an operand that is no keyword, a
**    second keyword of a slot already used, or NOPRINT alone is reported
**    and ignored, the valid keywords of the statement still take effect.
**  - The PRINT stack exists only while a listing is produced, like the
**    PRINT status it saves.
*/
#define MEM_MODULE "msc1"

#include "msc1.h"

#include <cstring>

#include "asm0.h"
#include "chars.h"
#include "expr.h"
#include "gen1.h"
#include "mem.h"
#include "prn2.h"
#include "pun2.h"
#include "src1.h"
#include "vorn.h"
#include "work.h"

namespace {

enum MSC1MSG { MSG_TITLE_LABEL, MSG_PRINT_STACK, MSG_ICTL_FIRST, MSG_COUNT };
const MSGDEF c_aMsg[] = {
    {160, 12, "TITLE label field has already been specified."},
    {163, 12, "PRINT stack is empty."},
    {161, 12, "ICTL must be the first statement."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

void vDiag(MSC1MSG eMsg) { iStmtMsg(c_aMsg[eMsg]); }

constexpr uint32_t PRINT_KEYWORD_MAX = 9;
constexpr uint32_t PUSH_KEYWORD_MAX = 7;
constexpr int32_t LISTING_VALUE_MAX = 32767;
constexpr uint8_t SLOT_NOPRINT = 7;

struct PRINTKEY {
  const char *pszName;
  uint8_t bSlot;
  uint8_t bBit;
  bool bOn;
};
constexpr PRINTKEY c_aPrintKeys[] = {
    {"ON", 0, PRT_ON, true},          {"OFF", 0, PRT_ON, false},          {"GEN", 1, PRT_GEN, true},
    {"NOGEN", 1, PRT_GEN, false},     {"DATA", 2, PRT_DATA, true},        {"NODATA", 2, PRT_DATA, false},
    {"UHEAD", 3, PRT_UHEAD, true},    {"NOUHEAD", 3, PRT_UHEAD, false},   {"MCALL", 4, PRT_MCALL, true},
    {"NOMCALL", 4, PRT_MCALL, false}, {"MSOURCE", 5, PRT_MSOURCE, true},  {"NOMSOURCE", 5, PRT_MSOURCE, false},
    {"LIBMAC", 6, PRT_LIBMAC, true},  {"NOLIBMAC", 6, PRT_LIBMAC, false}, {"NOPRINT", SLOT_NOPRINT, 0, false},
};

/* PUSH and POP operands. */
enum : unsigned { PP_PRINT, PP_USING, PP_NOPRINT, PP_COUNT };
constexpr const char *c_apszPushKeys[PP_COUNT] = {"PRINT", "USING", "NOPRINT"};

struct MSC1STATE {
  GROWBUF stack; /* saved PRINT status bytes (subpool 2) */
  uint32_t ulDepth;
  uint8_t abTitle[8]; /* first TITLE label, EBCDIC */
  uint32_t ulTitle;
  bool bTitle;
};
MSC1STATE g_msc1 = {{SP_PHASE1, 1, 0, nullptr, nullptr}, 0, {}, 0, false};

/* An operand as an upper-case host keyword of at most ulMax characters;
   false when it is longer or empty. */
bool bKeyword(const uint8_t *pOperand, uint32_t ulMax, char *pszOut)
{
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pOperand, &ulLength);
  if (ulLength == 0 || ulLength > ulMax) return false;
  uint8_t abUpper[PRINT_KEYWORD_MAX];
  for (uint32_t i = 0; i < ulLength; i++) abUpper[i] = g_abUpper[pText[i]];
  vEbcdicToAscii(reinterpret_cast<uint8_t *>(pszOut), abUpper, ulLength);
  pszOut[ulLength] = '\0';
  return true;
}

uint8_t bApplyOptions(uint8_t bStatus)
{
  uint8_t bAllowed = g_opt.bPrintAllowed != 0 ? g_opt.bPrintAllowed : 0xFF;
  return static_cast<uint8_t>((bStatus | g_opt.bPrintForced) & bAllowed);
}

/* PUSH and POP share their operands; the PRINT part differs. */
void vPushPop(bool bPush, int iOperands, const uint8_t *pFirst)
{
  bool abSeen[PP_COUNT] = {};
  const uint8_t *pOp = pFirst;
  for (int i = 1; i <= iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    char achKey[PRINT_KEYWORD_MAX + 1];
    unsigned uKey = PP_COUNT;
    if (bKeyword(pOp, PUSH_KEYWORD_MAX, achKey))
      for (unsigned k = 0; k < PP_COUNT; k++)
        if (std::strcmp(achKey, c_apszPushKeys[k]) == 0) uKey = k;
    if (uKey == PP_COUNT || abSeen[uKey]) {
      iStmtDiagOperand(static_cast<unsigned>(i));
      continue;
    }
    abSeen[uKey] = true;
  }
  if (abSeen[PP_NOPRINT] && !abSeen[PP_PRINT] && !abSeen[PP_USING]) {
    iStmtDiagOperand(1);
    return;
  }
  if (abSeen[PP_NOPRINT]) vStmtSetFlags(SF_NOPRINT);
  if (abSeen[PP_USING]) vStmtWantPhase2();
  if (!abSeen[PP_PRINT] || !g_opt.bList) return;
  if (g_msc1.stack.pData == nullptr) g_msc1.ulDepth = 0; /* subpool 2 was released */
  if (bPush) {
    auto *p = static_cast<uint8_t *>(GB_ROOM(&g_msc1.stack, g_msc1.ulDepth + 1));
    p[g_msc1.ulDepth++] = bStmtPrintStatus();
  } else if (g_msc1.ulDepth == 0) {
    vDiag(MSG_PRINT_STACK);
  } else {
    vStmtSetPrintStatus(static_cast<const uint8_t *>(g_msc1.stack.pData)[--g_msc1.ulDepth]);
  }
}

/* Listing spacing statements reach the second phase only when printed. */
void vMarkIfPrinted()
{
  STMTVIEW v = stmtView();
  if (bPrintShows(v.bPrint, v.sNest)) vStmtWantPhase2();
}

/* The optional absolute operand 0..32767; false after a diagnostic. */
bool bListingValue(int iOperands, const uint8_t *pFirst, uint32_t ulFlags, int32_t *plValue)
{
  if (iOperands < 1 || pFirst == nullptr) return true;
  int iStatus = ABS_OK;
  iAbsOperand(pFirst, 1, -1, -1, ulFlags, plValue, 0, LISTING_VALUE_MAX, &iStatus);
  return iStatus != ABS_ERROR;
}

constexpr uint32_t FIRST_PHASE_FLAGS = EF_ABSOLUTE | EF_UNDEFINED_OK | EF_ATTRIBUTE_OK;

void vFirstPhaseSpacing(int iOperands, const uint8_t *pFirst)
{
  int32_t lValue = 0;
  if (bListingValue(iOperands, pFirst, FIRST_PHASE_FLAGS, &lValue)) vMarkIfPrinted();
}

/* The second-phase value: ok only when it is known and valid. */
bool bSecondPhaseValue(int iOperands, const uint8_t *pFirst, int32_t lDefault, int32_t *plValue)
{
  *plValue = lDefault;
  if (iOperands < 1 || pFirst == nullptr) return true;
  int iStatus = ABS_OK;
  iAbsOperand(pFirst, 1, -1, -1, EF_ABSOLUTE, plValue, 0, LISTING_VALUE_MAX, &iStatus);
  return iStatus == ABS_OK;
}

/* Contents of a quoted TITLE operand (pairs of quotes and ampersands stand
   for one); -1 when the operand is no such string or longer than the room. */
int iTitleText(const uint8_t *pText, uint32_t ulLength, uint8_t *pOut, uint32_t ulRoom)
{
  if (ulLength < 2 || pText[0] != E_QUOTE || pText[ulLength - 1] != E_QUOTE) return -1;
  uint32_t n = 0;
  for (uint32_t i = 1; i + 1 < ulLength; i++) {
    uint8_t c = pText[i];
    if (c == E_QUOTE || c == E_AMP) {
      if (i + 2 >= ulLength || pText[i + 1] != c) {
        if (c == E_QUOTE) return -1;
      } else {
        i++;
      }
    }
    if (n == ulRoom) return -1;
    pOut[n++] = c;
  }
  return static_cast<int>(n);
}

} // namespace

/* ---- conditional assembly phase ------------------------------------------------ */

void vPrintStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  bool abSlot[SLOT_NOPRINT + 1] = {};
  uint8_t bOn = 0, bOff = 0;
  const uint8_t *pOp = pFirstOperand;
  for (int i = 1; i <= iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    char achKey[PRINT_KEYWORD_MAX + 1];
    const PRINTKEY *pKey = nullptr;
    if (bKeyword(pOp, PRINT_KEYWORD_MAX, achKey))
      for (const PRINTKEY &k : c_aPrintKeys)
        if (std::strcmp(achKey, k.pszName) == 0) pKey = &k;
    if (pKey == nullptr || abSlot[pKey->bSlot]) {
      iStmtDiagOperand(static_cast<unsigned>(i));
      continue;
    }
    abSlot[pKey->bSlot] = true;
    if (pKey->bOn)
      bOn |= pKey->bBit;
    else
      bOff |= pKey->bBit;
  }
  if (abSlot[SLOT_NOPRINT] && iOperands == 1) {
    iStmtDiagOperand(1);
    return;
  }
  if (abSlot[SLOT_NOPRINT]) vStmtSetFlags(SF_NOPRINT);
  uint8_t bStatus = static_cast<uint8_t>((bStmtPrintStatus() | bOn) & ~bOff);
  vStmtSetPrintStatus(bApplyOptions(bStatus));
}

void vPushStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  vPushPop(true, iOperands, pFirstOperand);
}

void vPopStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  vPushPop(false, iOperands, pFirstOperand);
}

void vTitleStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int, const uint8_t *)
{
  vStmtWantPhase2();
  if (ulLabelLength == 0 || pLabel == nullptr) return;
  if (g_msc1.bTitle) {
    vDiag(MSG_TITLE_LABEL);
    return;
  }
  g_msc1.bTitle = true;
  g_msc1.ulTitle = ulLabelLength < sizeof g_msc1.abTitle ? ulLabelLength : sizeof g_msc1.abTitle;
  std::memcpy(g_msc1.abTitle, pLabel, g_msc1.ulTitle);
  vObjectDeckId(pLabel, ulLabelLength);
}

void vEjectStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  vFirstPhaseSpacing(iOperands, pFirstOperand);
}

void vSpaceStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  vFirstPhaseSpacing(iOperands, pFirstOperand);
}

void vCejectStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  vFirstPhaseSpacing(iOperands, pFirstOperand);
}

void vIctlStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  if (stmtView().ulNumber != 1) {
    vDiag(MSG_ICTL_FIRST);
    return;
  }
  constexpr int32_t BEGIN_MAX = 40, END_MIN = 41, END_DEFAULT = 71, CARD_END = 80;
  int32_t lBegin = 1, lEnd = END_DEFAULT, lContinue = 0;
  int iStatus = ABS_OK;
  const uint8_t *pOperand = iAbsOperand(pFirstOperand, 1, -1, -1, EF_ABSOLUTE, &lBegin, 1, BEGIN_MAX, &iStatus);
  if (iStatus != ABS_OK) return;
  uint32_t ulEndText = 0;
  if (iOperands >= 2) pOperandText(pOperand, &ulEndText);
  if (ulEndText > 0) { /* an empty operand 2 keeps column 71 */
    pOperand = iAbsOperand(pOperand, 2, -1, -1, EF_ABSOLUTE, &lEnd, lBegin + 5 > END_MIN ? lBegin + 5 : END_MIN,
                           CARD_END, &iStatus);
    if (iStatus != ABS_OK) return;
  } else if (iOperands >= 2) {
    pOperand = pOperandNext(pOperand);
  }
  /* continuation records exist only with a continue column and an end
     column below 80 */
  if (iOperands >= 3) {
    iAbsOperand(pOperand, 3, -1, -1, EF_ABSOLUTE, &lContinue, lBegin + 1, lEnd - 1 < BEGIN_MAX ? lEnd - 1 : BEGIN_MAX,
                &iStatus);
    if (iStatus != ABS_OK) return;
    if (lEnd >= CARD_END) lContinue = 0;
  }
  vSourceSetColumns(static_cast<uint32_t>(lBegin), static_cast<uint32_t>(lEnd), static_cast<uint32_t>(lContinue));
}

/* ---- code generation phase --------------------------------------------------------- */

void vTitleSecondPhase(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  if (iOperands < 1 || pFirstOperand == nullptr) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  uint8_t abTitle[LIST_TITLE_MAX];
  int iLength = iTitleText(pText, ulLength, abTitle, sizeof abTitle);
  if (iLength < 0) {
    iStmtDiagOperand(1);
    return;
  }
  vListTitle(LIST_EBCDIC, abTitle, static_cast<uint32_t>(iLength));
  vListNewPage(0);
}

void vEjectSecondPhase(uint32_t, const uint8_t *, int, const uint8_t *) { vListNewPage(0); }

void vSpaceSecondPhase(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  int32_t lLines = 1;
  if (bSecondPhaseValue(iOperands, pFirstOperand, 1, &lLines) && lLines > 0) vListSkip(lLines);
}

void vCejectSecondPhase(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  int32_t lLines = 0;
  if (bSecondPhaseValue(iOperands, pFirstOperand, 0, &lLines)) vListNewPage(lLines);
}

/* ---- state ------------------------------------------------------------------------- */

const uint8_t *pTitleLabel(uint32_t *pulLength)
{
  *pulLength = g_msc1.bTitle ? g_msc1.ulTitle : 0;
  return g_msc1.abTitle;
}

void vListControlReset()
{
  g_msc1.bTitle = false;
  g_msc1.ulTitle = 0;
  g_msc1.ulDepth = 0;
}
