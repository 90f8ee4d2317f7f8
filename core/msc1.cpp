/*
** msc1.cpp - the listing control instructions PRINT, PUSH/POP PRINT, TITLE,
** EJECT, SPACE and CEJECT, and the input and control instructions ICTL,
** ISEQ, ADATA, EXITCTL and EXEC (module "msc1").
**
** Calls: asm0, eval, exe1, prn2, pun2, src1, stmt.
** Called by: asm, asm2, instr.
**
** Owns the PRINT stack (subpool 2: it lives for one conditional assembly
** phase), the first TITLE label of the assembly, the sequence field of
** ISEQ, the EXITCTL values, the FLAG stack and the USING LIMIT in force;
** all of them start afresh with every assembly.
**
** Notes on the design:
**  - Keywords are compared in upper case; an operand that is no keyword, a
**    second keyword of a slot already used, or NOPRINT alone is reported
**    and ignored, the valid keywords of the statement still take effect.
**  - The PRINT stack exists only while a listing is produced, like the
**    PRINT status it saves.
**  - ISEQ only sets the sequence field that &SYSSEQF shows; no sequence
**    checking is done.
**  - EXEC changes the FLAG settings in force at once (each later record
**    copies them into its head) and the USING LIMIT in force, which USING
**    statements carry in a sub-record while it differs from the option's.
**    NOUSINGLIMIT sets the limit in force to 4095; the option's value is
**    never changed, so RESET and the next assembly start from it again.
*/
#define MEM_MODULE "msc1"

#include "msc1.h"

#include <cstring>
#include <string>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "exe1.h"
#include "expr.h"
#include "gen1.h"
#include "mem.h"
#include "prn2.h"
#include "pun2.h"
#include "src1.h"
#include "vorn.h"
#include "work.h"

namespace {

enum MSC1MSG {
  MSG_TITLE_LABEL,
  MSG_PRINT_STACK,
  MSG_ICTL_FIRST,
  MSG_FLAG_STACK,
  MSG_FLAG_PARSE,      /* the FLAG parser's text */
  MSG_EXEC_COMMAND,    /* operand 1 */
  MSG_EXEC_UNEXPECTED, /* character, operand */
  MSG_COUNT
};
const MSGDEF c_aMsg[] = {
    {160, 12, "TITLE label field has already been specified."},
    {163, 12, "PRINT stack is empty."},
    {161, 12, "ICTL must be the first statement."},
    {164, 12, "FLAG stack is empty."},
    {165, 12, "%s"},
    {166, 12, "EXEC %s command is not supported."},
    {201, 12, "Unexpected %c character in operand %u."},
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

/* EXITCTL exit types, in the order of their values. */
constexpr const char *c_apszExitTypes[] = {"SOURCE", "LIBRARY", "LISTING", "PUNCH", "OBJECT", "ADATA", "TERM"};
constexpr unsigned EXIT_TYPES = sizeof c_apszExitTypes / sizeof c_apszExitTypes[0];
constexpr unsigned EXIT_VALUES = 4;
constexpr uint32_t EXIT_TYPE_MAX = 7;
constexpr uint32_t QUOTED_MAX = 255;               /* ADATA operand 5 */
constexpr uint32_t SEQ_FIRST = 72, SEQ_LENGTH = 8; /* columns 73-80 */
constexpr uint32_t EXEC_NAME_MAX = 31, EXEC_VALUE_MAX = 255;
constexpr uint32_t USING_LIMIT_MAX = 4095;
constexpr int EXEC_FAILED = 12; /* the severity of every EXEC message */

struct MSC1STATE {
  GROWBUF stack; /* saved PRINT status bytes (subpool 2) */
  uint32_t ulDepth;
  uint8_t abTitle[8]; /* first TITLE label, EBCDIC */
  uint32_t ulTitle;
  bool bTitle;
  uint32_t ulSeqFirst, ulSeqLength; /* ISEQ: first column from 0, length */
  int32_t aalExit[EXIT_TYPES][EXIT_VALUES];
  std::vector<uint32_t> vecFlags; /* the FLAG stack */
  uint32_t ulUsingLimit;          /* USING LIMIT in force, when bUsingLimit */
  bool bUsingLimit;               /* set by EXEC; else the option's */
};
MSC1STATE g_msc1 = {{SP_PHASE1, 1, 0, nullptr, nullptr}, 0, {}, 0, false, SEQ_FIRST, SEQ_LENGTH, {}, {}, 0, false};

uint32_t ulOptionUsingLimit() { return g_opt.bUsingLimit ? g_opt.ulUsingLimit : USING_LIMIT_MAX; }

void vUsingLimitSet(uint32_t ulLimit)
{
  g_msc1.ulUsingLimit = ulLimit;
  g_msc1.bUsingLimit = true;
}

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

/* Contents of a quoted operand (pairs of quotes and ampersands stand
   for one); -1 when the operand is no such string or longer than the room. */
int iQuotedText(const uint8_t *pText, uint32_t ulLength, uint8_t *pOut, uint32_t ulRoom)
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

/* A decimal value with an optional sign; false when it is none or does not
   fit in 32 bits with its sign. */
bool bSignedDecimal(const uint8_t *p, uint32_t ulLength, int64_t *pllValue)
{
  uint32_t i = ulLength > 0 && (p[0] == E_PLUS || p[0] == E_MINUS) ? 1 : 0;
  if (i == ulLength) return false;
  int64_t ll = 0;
  for (; i < ulLength; i++) {
    if (p[i] < E_0 || p[i] > E_9) return false;
    ll = ll * 10 + (p[i] - E_0);
    if (ll > 0x80000000LL) return false;
  }
  *pllValue = p[0] == E_MINUS ? -ll : ll;
  return *pllValue <= 0x7FFFFFFFLL;
}

/* One EXEC operand: a name and, when given, its parenthesised value (host
   text, the name upper-cased). */
struct EXECOPERAND {
  std::string strName, strValue;
  bool bValue;
};

std::string strHostText(const uint8_t *p, uint32_t ulLength)
{
  std::string str(ulLength, ' ');
  vEbcdicToAscii(reinterpret_cast<uint8_t *>(str.data()), p, ulLength);
  return str;
}

/* One of the operand splitter's messages; false. */
bool bSplitFailed(SPLITDIAG eDiag, unsigned uOperand)
{
  iSplitDiag(eDiag, uOperand);
  return false;
}

bool bExecUnexpected(uint8_t b, unsigned uOperand)
{
  uint8_t c = 0;
  vEbcdicToAscii(&c, &b, 1);
  iStmtMsg(c_aMsg[MSG_EXEC_UNEXPECTED], static_cast<int>(c), uOperand);
  return false;
}

/* Splits an operand by EXEC's rules; false after a diagnostic. */
bool bExecOperand(const std::string &strText, unsigned uOperand, EXECOPERAND *pOut)
{
  const auto *p = reinterpret_cast<const uint8_t *>(strText.data());
  auto n = static_cast<uint32_t>(strText.size());
  uint32_t i = 0;
  uint8_t abName[EXEC_NAME_MAX];
  for (; i < n && p[i] != E_LPAREN; i++) {
    if (!(g_abClass[p[i]] & (CC_NAME | CC_LETTER))) return bExecUnexpected(p[i], uOperand);
    if (i < EXEC_NAME_MAX) abName[i] = g_abUpper[p[i]];
  }
  if (i > EXEC_NAME_MAX) return bSplitFailed(SD_TOO_LONG, uOperand);
  pOut->strName = strHostText(abName, i);
  pOut->bValue = i < n;
  if (i == n) return true;
  uint32_t ulDepth = 0, j = i;
  for (; j < n; j++) {
    if (p[j] == E_LPAREN) ulDepth++;
    if (p[j] == E_RPAREN && --ulDepth == 0) break;
  }
  if (j == n) return bSplitFailed(SD_PAREN_LEFT, uOperand);
  if (j + 1 < n) return bExecUnexpected(p[j + 1], uOperand);
  if (j - i - 1 > EXEC_VALUE_MAX) return bSplitFailed(SD_TOO_LONG, uOperand);
  pOut->strValue = strHostText(p + i + 1, j - i - 1);
  return true;
}

bool bNamed(const EXECOPERAND &op, const char *pszName, bool bValue)
{
  return op.bValue == bValue && op.strName == pszName;
}

/* EXEC VORN,SET: NOUSINGLIMIT, USINGLIMIT(n), FLAG(list). */
void vExecSet(const EXECOPERAND &op, unsigned uOperand)
{
  if (bNamed(op, "NOUSINGLIMIT", false)) {
    vUsingLimitSet(USING_LIMIT_MAX);
  } else if (bNamed(op, "USINGLIMIT", true)) {
    const std::string &s = op.strValue;
    bool bOk = !s.empty() && s.size() <= 4 && s.find_first_not_of("0123456789") == std::string::npos;
    if (bOk && std::stoul(s) <= USING_LIMIT_MAX)
      vUsingLimitSet(static_cast<uint32_t>(std::stoul(s)));
    else
      iStmtDiagOperand(uOperand);
  } else if (bNamed(op, "FLAG", true)) {
    uint32_t ulFlag = g_asm.ulFlagInForce;
    const char *pszError = pszFlagParse(op.strValue.data(), op.strValue.size(), &ulFlag);
    if (pszError != nullptr)
      iStmtMsg(c_aMsg[MSG_FLAG_PARSE], ("FLAG(" + op.strValue + ") " + pszError).c_str());
    else
      vContextFlag(ulFlag);
  } else {
    iStmtDiagOperand(uOperand);
  }
}

/* EXEC VORN,RESET: USINGLIMIT and FLAG go back to the options' values. */
void vExecReset(const EXECOPERAND &op, unsigned uOperand)
{
  if (bNamed(op, "USINGLIMIT", false))
    g_msc1.bUsingLimit = false;
  else if (bNamed(op, "FLAG", false))
    vContextFlag(g_opt.ulFlag);
  else
    iStmtDiagOperand(uOperand);
}

void vExecPushPop(bool bPush, const EXECOPERAND &op, unsigned uOperand)
{
  if (!bNamed(op, "FLAG", false)) {
    iStmtDiagOperand(uOperand);
  } else if (bPush) {
    g_msc1.vecFlags.push_back(g_asm.ulFlagInForce);
  } else if (g_msc1.vecFlags.empty()) {
    vDiag(MSG_FLAG_STACK);
  } else {
    vContextFlag(g_msc1.vecFlags.back());
    g_msc1.vecFlags.pop_back();
  }
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

void vIseqStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  constexpr int32_t CARD_END = 80;
  if (iOperands <= 0 || pFirstOperand == nullptr) {
    g_msc1.ulSeqFirst = SEQ_FIRST;
    g_msc1.ulSeqLength = SEQ_LENGTH;
    return;
  }
  if (iOperands == 1) {
    iSplitDiag(SD_OPERAND_OMITTED, 2);
    return;
  }
  int32_t lLeft = 0, lRight = 0;
  int iStatus = ABS_OK;
  const uint8_t *pOperand = iAbsOperand(pFirstOperand, 1, -1, -1, EF_ABSOLUTE, &lLeft, 1, CARD_END, &iStatus);
  if (iStatus != ABS_OK) return;
  iAbsOperand(pOperand, 2, -1, -1, EF_ABSOLUTE, &lRight, lLeft, CARD_END, &iStatus);
  if (iStatus != ABS_OK) return;
  g_msc1.ulSeqFirst = static_cast<uint32_t>(lLeft - 1);
  g_msc1.ulSeqLength = static_cast<uint32_t>(lRight - lLeft + 1);
}

void vAdataStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  constexpr int VALUES = 4;
  const uint8_t *pOp = pFirstOperand;
  for (int i = 1; i <= iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOp, &ulLength);
    if (ulLength == 0) continue;
    int64_t llValue = 0;
    uint8_t abText[QUOTED_MAX];
    bool bOk = i <= VALUES ? bSignedDecimal(pText, ulLength, &llValue)
                           : iQuotedText(pText, ulLength, abText, sizeof abText) >= 0;
    if (!bOk) iStmtDiagOperand(static_cast<unsigned>(i));
  }
}

void vExitctlStatement(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  char achType[PRINT_KEYWORD_MAX + 1];
  unsigned uType = EXIT_TYPES;
  if (pFirstOperand != nullptr && bKeyword(pFirstOperand, EXIT_TYPE_MAX, achType))
    for (unsigned k = 0; k < EXIT_TYPES; k++)
      if (std::strcmp(achType, c_apszExitTypes[k]) == 0) uType = k;
  if (uType == EXIT_TYPES) {
    iStmtDiagOperand(1);
    return;
  }
  int32_t *plValues = g_msc1.aalExit[uType];
  const uint8_t *pOp = pOperandNext(pFirstOperand);
  for (int i = 2; i <= iOperands && i <= static_cast<int>(EXIT_VALUES) + 1; i++, pOp = pOperandNext(pOp)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOp, &ulLength);
    if (ulLength == 0) continue; /* the value stays */
    int64_t llValue = 0;
    bool bOk = false;
    int32_t &rlSlot = plValues[i - 2];
    if (pText[0] == E_STAR) /* *+n, *-n: the value in force changed by n */
      bOk = ulLength > 2 && (pText[1] == E_PLUS || pText[1] == E_MINUS) &&
            bSignedDecimal(pText + 1, ulLength - 1, &llValue) && ((llValue += rlSlot), true);
    else
      bOk = bSignedDecimal(pText, ulLength, &llValue);
    if (!bOk || llValue < INT32_MIN || llValue > INT32_MAX) {
      iStmtDiagOperand(static_cast<unsigned>(i));
      continue;
    }
    rlSlot = static_cast<int32_t>(llValue);
  }
}

int iExecStatement(const SRCSTMT *pStmt)
{
  uint32_t ulRemarks = 0;
  int iOperands = iSplitOperands(pStmt, 1, 255, false, &ulRemarks);
  /* the operands are copied: diagnostics grow the record they stand in */
  std::vector<std::string> vecText;
  if (iOperands > 0) {
    vStmtFlushTail();
    uint32_t ulLabel = 0;
    const uint8_t *pLabel = nullptr, *pOp = nullptr;
    iStmtLocate(&ulLabel, &pLabel, &pOp);
    for (int i = 0; i < iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
      uint32_t ulLength = 0;
      const uint8_t *pText = pOperandText(pOp, &ulLength);
      vecText.emplace_back(reinterpret_cast<const char *>(pText), ulLength);
    }
  }
  const auto *pCards = static_cast<const uint8_t *>(pStmt->cards.pData);
  if (pStmt->ulLabelLen > 0 && pCards[pStmt->ulLabelOff] != E_DOT) iStmtMsg(rLabelMsg(LM_NO_LABEL));
  if (vecText.empty()) return EXEC_FAILED;
  std::vector<EXECOPERAND> vecOp(vecText.size());
  for (size_t i = 0; i < vecText.size(); i++)
    if (!bExecOperand(vecText[i], static_cast<unsigned>(i + 1), &vecOp[i])) return EXEC_FAILED;
  if (!bNamed(vecOp[0], "VORN", false) || !(g_opt.ulProcess & PROC_VORN)) {
    const auto *p = reinterpret_cast<const uint8_t *>(vecText[0].data());
    iStmtMsg(c_aMsg[MSG_EXEC_COMMAND], strHostText(p, static_cast<uint32_t>(vecText[0].size())).c_str());
    return EXEC_FAILED;
  }
  enum : unsigned { EV_SET, EV_RESET, EV_PUSH, EV_POP, EV_NONE };
  static constexpr const char *c_apszVerbs[EV_NONE] = {"SET", "RESET", "PUSH", "POP"};
  unsigned uVerb = EV_NONE;
  for (unsigned k = 0; vecOp.size() >= 2 && k < EV_NONE; k++)
    if (bNamed(vecOp[1], c_apszVerbs[k], false)) uVerb = k;
  if (uVerb == EV_NONE) {
    iStmtDiagOperand(2);
    return EXEC_FAILED;
  }
  if (vecOp.size() < 3) {
    iSplitDiag(SD_OPERAND_OMITTED, 3);
    return EXEC_FAILED;
  }
  for (size_t i = 2; i < vecOp.size(); i++) {
    auto uOperand = static_cast<unsigned>(i + 1);
    if (uVerb == EV_SET)
      vExecSet(vecOp[i], uOperand);
    else if (uVerb == EV_RESET)
      vExecReset(vecOp[i], uOperand);
    else
      vExecPushPop(uVerb == EV_PUSH, vecOp[i], uOperand);
  }
  return 0;
}

void vUsingLimitCarry()
{
  if (!g_msc1.bUsingLimit || g_msc1.ulUsingLimit == ulOptionUsingLimit()) return;
  uint8_t abLimit[4];
  vPut32(abLimit, g_msc1.ulUsingLimit);
  vStmtAddSub(SUB_USING_LIMIT, sizeof abLimit, abLimit);
}

/* ---- code generation phase --------------------------------------------------------- */

void vTitleSecondPhase(uint32_t, const uint8_t *, int iOperands, const uint8_t *pFirstOperand)
{
  if (iOperands < 1 || pFirstOperand == nullptr) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  uint8_t abTitle[LIST_TITLE_MAX];
  int iLength = iQuotedText(pText, ulLength, abTitle, sizeof abTitle);
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

void vSequenceField(uint32_t *pulFirst, uint32_t *pulLength)
{
  *pulFirst = g_msc1.ulSeqFirst;
  *pulLength = g_msc1.ulSeqLength;
}

void vListControlReset()
{
  g_msc1.bTitle = false;
  g_msc1.ulTitle = 0;
  g_msc1.ulDepth = 0;
  g_msc1.ulSeqFirst = SEQ_FIRST;
  g_msc1.ulSeqLength = SEQ_LENGTH;
  std::memset(g_msc1.aalExit, 0, sizeof g_msc1.aalExit);
  g_msc1.vecFlags.clear();
  g_msc1.bUsingLimit = false;
}
