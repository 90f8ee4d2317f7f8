/*
** exe1.cpp - operand splitting and the first-phase dispatch of assembler
** instructions (module "exe1").
**
** Calls: instr, stmt.
** Called by: gen1, msc1.
**
** Owns the buffer in which a statement's operand field is gathered from its
** card images.
**
** Notes on the design:
**  - The operand field runs from the operand start to the end column of the
**    first record and from the continue column of every continuation record,
**    up to the first blank outside a quoted string.
**  - A quote opens a string unless it is an attribute quote: it follows one
**    of the letters I K L N S T that is not itself preceded by a name
**    character, and is not followed by a digit, '.', '+' or '-'.
**  - Only the first error of a statement's operands is reported; the
**    statement is then in error and its operands are not stored.
*/
#include "exe1.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "asm0.h"
#include "chars.h"
#include "esd1.h"
#include "gen1.h"
#include "instr.h"
#include "mem.h"
#include "msc1.h"
#include "opt.h"
#include "src1.h"
#include "vorn.h"
#include "work.h"

#define MEM_MODULE "exe1"

namespace {

constexpr unsigned OPERANDS_UNLIMITED = 32000;
constexpr uint32_t END_LANGUAGE_MAX = 23;

/* Texts are printf formats for the unsigned arguments named beside them. */
enum EXEMSG {
  MSG_EBCDIC,          /* 104: character, operand */
  MSG_MORE_THAN_ONE,   /* 112 */
  MSG_MORE_THAN,       /* 112: maximum */
  MSG_OMITTED,         /* 113 */
  MSG_OPERAND_OMITTED, /* 113: operand */
  MSG_NOT_SPECIFIED,   /* 114: missing, required */
  MSG_TOO_LONG,        /* 115: operand */
  MSG_FIELD_QUOTES,    /* 116 */
  MSG_PAREN_RIGHT,     /* 116: operand */
  MSG_QUOTES,          /* 116: operand */
  MSG_PAREN_LEFT,      /* 116: operand */
  MSG_NOT_SUPPORTED,   /* 129 */
  MSG_COUNT
};
const MSGDEF c_aMsg[] = {
    {104, 12, "EBCDIC character X'%.2X' found in operand %u."},
    {112, 12, "More than 1 operand specified."},
    {112, 12, "More than %u operands specified."},
    {113, 12, "Required operand was omitted."},
    {113, 12, "Required operand %u omitted."},
    {114, 12, "%u of %u required operands were not specified."},
    {115, 12, "Operand %u is too long."},
    {116, 12, "Unmatched quotes in operand field."},
    {116, 12, "Unmatched ')' in operand %u."},
    {116, 12, "Unmatched quotes in operand %u."},
    {116, 12, "Unmatched '(' in operand %u."},
    {129, 4, "Statement is not supported by this assembler."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

struct SPLITSTATE {
  GROWBUF field; /* the gathered operand field (subpool 0) */
};
SPLITSTATE g_split = {{SP_HEAP, 1, 0, nullptr, nullptr}};

/* Characters that end a plain run of the operand field: in the gathering,
   the blank, the quote and '(' (END's second operand); in the splitting,
   the quote, the comma and the parentheses. */
constexpr std::array<bool, 256> c_abMarks(std::initializer_list<uint8_t> marks)
{
  std::array<bool, 256> a{};
  for (uint8_t c : marks) a[c] = true;
  return a;
}
constexpr std::array<bool, 256> c_abGatherMark = c_abMarks({EBCDIC_BLANK, E_QUOTE, E_LPAREN});
constexpr std::array<bool, 256> c_abSplitMark = c_abMarks({E_QUOTE, E_COMMA, E_LPAREN, E_RPAREN});

bool bOperandChar(uint8_t c) { return (g_abClass[c] & CC_OPERAND) || c == EBCDIC_BLANK; }

int iSplitError(EXEMSG eMsg, unsigned uArg1 = 0, unsigned uArg2 = 0)
{
  iStmtMsg(c_aMsg[eMsg], uArg1, uArg2);
  return -1;
}

/* Gathers the operand field; its length, or -1 after an error.  The END
   statement's parenthesised second operand is returned separately. */
long lGather(const SRCSTMT *pStmt, bool bEnd, uint32_t *pulRemarks, uint32_t *pulParen)
{
  const uint8_t *pCards = static_cast<const uint8_t *>(pStmt->cards.pData);
  uint32_t ulEndCol = pStmt->ulEnd, ulCont = pStmt->ulContinue > 0 ? pStmt->ulContinue - 1 : 0;
  size_t ulNeed = static_cast<size_t>(pStmt->ulRecords) * SRC_RECORD;
  uint8_t *pOut = static_cast<uint8_t *>(GB_ENSURE(&g_split.field, ulNeed + 1));
  size_t n = 0;
  bool bQuote = false;
  uint32_t r = pStmt->ulOperandOff / SRC_RECORD, c = pStmt->ulOperandOff % SRC_RECORD;
  *pulParen = 0;
  for (;;) {
    const uint8_t *pRow = pCards + static_cast<size_t>(r) * SRC_RECORD;
    if (bQuote)
      while (c < ulEndCol && pRow[c] != E_QUOTE) pOut[n++] = pRow[c++];
    else
      while (c < ulEndCol && !c_abGatherMark[pRow[c]]) pOut[n++] = pRow[c++];
    if (c >= ulEndCol) {
      if (++r >= pStmt->ulRecords) break;
      c = ulCont;
      continue;
    }
    uint8_t ch = pCards[r * SRC_RECORD + c];
    if (bQuote) {
      if (ch == E_QUOTE) bQuote = false;
    } else if (ch == EBCDIC_BLANK) {
      break;
    } else if (ch == E_QUOTE) {
      uint8_t abLook[4] = {n >= 2 ? pOut[n - 2] : EBCDIC_BLANK, n >= 1 ? pOut[n - 1] : EBCDIC_BLANK, ch,
                           c + 1 < ulEndCol ? pCards[r * SRC_RECORD + c + 1] : EBCDIC_BLANK};
      bQuote = bOpensString(abLook, 2, sizeof abLook);
    } else if (bEnd && ch == E_LPAREN && n > 0 && pOut[n - 1] == E_COMMA) {
      *pulParen = r * SRC_RECORD + c;
      break;
    }
    pOut[n++] = ch;
    c++;
  }
  if (bQuote) return iSplitError(MSG_FIELD_QUOTES);
  if (pulRemarks == nullptr) return static_cast<long>(n);
  /* remarks: past the blanks after the field, across continuation records */
  while (r < pStmt->ulRecords && (c >= ulEndCol || pCards[r * SRC_RECORD + c] == EBCDIC_BLANK)) {
    if (c >= ulEndCol) {
      r++;
      c = ulCont;
    } else {
      c++;
    }
  }
  *pulRemarks = r * SRC_RECORD + c;
  return static_cast<long>(n);
}

/* The parenthesised second operand of END, from its '('. */
int iEndLanguage(const SRCSTMT *pStmt, uint32_t ulParen, uint32_t *pulLen)
{
  const uint8_t *pCards = static_cast<const uint8_t *>(pStmt->cards.pData);
  uint32_t r = ulParen / SRC_RECORD, c = ulParen % SRC_RECORD;
  for (uint32_t i = c; i < pStmt->ulEnd; i++)
    if (pCards[r * SRC_RECORD + i] == E_RPAREN &&
        (i + 1 >= pStmt->ulEnd || pCards[r * SRC_RECORD + i + 1] == EBCDIC_BLANK)) {
      *pulLen = i + 1 - c;
      return *pulLen <= END_LANGUAGE_MAX ? 0 : -1;
    }
  return -1;
}

} // namespace

/* ---- first-phase handler of REPRO ---------------------------------------------- */

/* REPRO keeps the source record that follows it as its operand. */
void vReproFirstPhase(const INSTRARGS &a)
{
  vStmtWantPhase2();
  if (a.pStmt->ulRecords >= 2)
    vStmtAddSub(SUB_OPERAND, SRC_RECORD, static_cast<const uint8_t *>(a.pStmt->cards.pData) + SRC_RECORD);
}

int iSplitOperands(const SRCSTMT *pStmt, unsigned uMinimum, unsigned uOptional, bool bEnd, uint32_t *pulRemarks)
{
  unsigned uMaximum = uOptional == 255 ? OPERANDS_UNLIMITED : uMinimum + uOptional;
  if (pulRemarks != nullptr) *pulRemarks = pStmt->ulOperandOff;
  if (uMinimum == 0 && uMaximum == 0) return 0;

  uint32_t ulParen = 0;
  long lLen = pStmt->ulOperandOff != 0 ? lGather(pStmt, bEnd, pulRemarks, &ulParen) : 0;
  if (lLen < 0) return -1;
  /* a lone comma holds the place of omitted operands before remarks */
  if (lLen == 1 && static_cast<const uint8_t *>(g_split.field.pData)[0] == E_COMMA && uMinimum == 0) lLen = 0;
  if (lLen == 0 && ulParen == 0) {
    if (uMinimum == 1) {
      iStmtMsg(c_aMsg[MSG_OMITTED]);
      return -1;
    }
    if (uMinimum > 1) return iSplitError(MSG_NOT_SPECIFIED, uMinimum, uMinimum);
    return 0;
  }

  const uint8_t *p = static_cast<const uint8_t *>(g_split.field.pData);
  size_t ulLen = static_cast<size_t>(lLen);
  unsigned uCount = 0;
  size_t ulStart = 0;
  unsigned uDepth = 0;
  bool bQuote = false;
  for (size_t i = 0; i <= ulLen; i++) {
    /* a run of valid characters that neither end nor open anything */
    if (bQuote)
      while (i < ulLen && p[i] != E_QUOTE && bOperandChar(p[i])) i++;
    else
      while (i < ulLen && !c_abSplitMark[p[i]] && (g_abClass[p[i]] & CC_OPERAND)) i++;
    bool bEndOfText = i == ulLen;
    uint8_t c = bEndOfText ? 0 : p[i];
    if (!bEndOfText && !bOperandChar(c)) return iSplitError(MSG_EBCDIC, c, uCount + 1);
    if (!bEndOfText && bQuote) {
      if (c == E_QUOTE) bQuote = false;
      continue;
    }
    if (!bEndOfText && !(c == E_COMMA && uDepth == 0)) {
      if (c == E_QUOTE)
        bQuote = bOpensString(p, i, ulLen);
      else if (c == E_LPAREN)
        uDepth++;
      else if (c == E_RPAREN && uDepth == 0)
        return iSplitError(MSG_PAREN_RIGHT, uCount + 1);
      else if (c == E_RPAREN)
        uDepth--;
      continue;
    }
    unsigned uNumber = uCount + 1;
    size_t ulOperand = i - ulStart;
    if (bQuote) return iSplitError(MSG_QUOTES, uNumber);
    if (uDepth > 0) return iSplitError(MSG_PAREN_LEFT, uNumber);
    if (ulOperand > OPERAND_MAX) return iSplitError(MSG_TOO_LONG, uNumber);
    bool bLastDropped = bEndOfText && ulOperand == 0 && uNumber > uMinimum && uNumber > 1;
    if (!bLastDropped) {
      if (uNumber > uMaximum)
        return uMaximum == 1 ? iSplitError(MSG_MORE_THAN_ONE) : iSplitError(MSG_MORE_THAN, uMaximum);
      if (ulOperand == 0 && uNumber <= uMinimum) return iSplitError(MSG_OPERAND_OMITTED, uNumber);
      vStmtAddSub(SUB_OPERAND, static_cast<uint32_t>(ulOperand), p + ulStart);
      uCount++;
    }
    ulStart = i + 1;
  }

  if (ulParen != 0) {
    uint32_t ulParenLen = 0;
    if (iEndLanguage(pStmt, ulParen, &ulParenLen) != 0) {
      iStmtDiagOperand(2);
      return -1;
    }
    if (uCount == 0) {
      vStmtAddSub(SUB_OPERAND, 0, nullptr);
      uCount++;
    }
    vStmtAddSub(SUB_OPERAND, ulParenLen, static_cast<const uint8_t *>(pStmt->cards.pData) + ulParen);
    uCount++;
  }
  if (uCount < uMinimum) return iSplitError(MSG_NOT_SPECIFIED, uMinimum - uCount, uMinimum);
  return static_cast<int>(uCount);
}

int iSplitDiag(SPLITDIAG eDiag, unsigned uOperand)
{
  static constexpr EXEMSG c_aRow[] = {MSG_OPERAND_OMITTED, MSG_TOO_LONG, MSG_PAREN_LEFT};
  iSplitError(c_aRow[eDiag], uOperand);
  return 0;
}

void vFirstPhaseDispatch(const SRCSTMT *pStmt, const OPENTRY *pEntry, int iOperands, uint32_t ulLabelLength,
                         const uint8_t *pLabel, const uint8_t *pFirstOperand)
{
  const INSTRROW &row = rInstrRow(pEntry->abOps[2]);
  PFNINSTR pfn = row.pfnFirst;
  if (pfn == nullptr) {
    iStmtMsg(c_aMsg[MSG_NOT_SUPPORTED]);
    return;
  }
  /* the TESTRAN pass reads the label and operands of every statement that
     can define a symbol or take a location */
  if (g_opt.bTest != TEST_OFF && !(row.bFlags & IR_MACRO)) vStmtSetFlags(SF_OPTIONAL);
  pfn(INSTRARGS{pStmt, pEntry, iOperands, ulLabelLength, pLabel, pFirstOperand, nullptr, false});
}
