/*
** def1.cpp - DC and DS operands, first phase (module "def1").
**
** Calls: eval, pars.
** Called by: asm1, def2, esd1.
**
** Owns the type table, the message table of DC/DS operands and the hook
** registration; keeps no state of its own between calls.
**
** Notes on the design:
**  - The parser takes [duplication] type, then the modifiers in the order
**    L, S, E, then the nominal values; anything after them is left for the
**    expression parser, which reports it as unexpected.
**  - Parenthesised parts (duplication factor, modifiers, address values) are
**    delimited here, quote-aware and without recursion, and their contents
**    parsed by pExprParse in contexts of their own from the same storage
**    stack; their first error is copied into the operand's context.  Inside
**    a literal PF_IN_LITERAL travels along, so literals cannot nest.
**  - A quote right after an attribute letter (L'X) does not open a string;
**    the same rule as the expression parser's literal scan, so both agree
**    on where a literal ends.
**  - Lengths and counts are 64-bit and numbers are capped (DC_NUMBER_CAP),
**    so a duplication factor times a length can never overflow.
*/
#define MEM_MODULE "def1"

#include "def1.h"
#include "esd1.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "asm0.h"
#include "chars.h"
#include "expr.h"
#include "lbl.h"
#include "mem.h"
#include "vorn.h"

const MSGDEF g_aDcMsg[] = {
    {205, 12, "Invalid storage type"},
    {206, 12, "Scale modifier is not valid"},
    {206, 12, "Exponent modifier is not valid"},
    {206, 12, "Bit length is not valid"},
    {207, 12, "Nominal value is missing"},
    {208, 12, "Nominal value exponent is out of range"},
    {219, 12, "Nominal value is too long"},
    {230, 12, "Length modifier is out of range"},
    {230, 12, "Scale modifier is out of range"},
    {230, 12, "Exponent modifier is out of range"},
    {231, 12, "Invalid duplication factor"},
    {320, 12, "is not a dummy section."},
    {321, 12, "cannot be defined as an external reference."},
    {322, 12, "Data value is too large"},
    {323, 12, "Floating point value is out of range"},
    {324, 12, "Relocatable value is not allowed"},
    {325, 12, "Relocatable DSECT reference"},
    {510, 4, "Relocatable 2-byte address"},
    {510, 4, "Relocatable 3-byte address"},
    {511, 4, "Precision lost"},
    {512, 4, "Value truncated"},
};
static_assert(sizeof g_aDcMsg / sizeof g_aDcMsg[0] == DM_COUNT);

namespace {

constexpr int32_t LOCATION_MAX = 0xFFFFFF;
constexpr int64_t DUP_MAX = 0xFFFFFF;

/* How the nominal values of a type are written and sized. */
enum : uint8_t {
  NV_CHAR,    /* C */
  NV_HEX,     /* X */
  NV_BINARY,  /* B */
  NV_DECIMAL, /* F H E D L: signed number, decimal point, exponent */
  NV_PACKED,  /* P Z: signed digits, decimal point */
  NV_EXPR,    /* A Y: expressions */
  NV_ADDRESS, /* S: base-displacement addresses */
  NV_NAME,    /* V Q: names */
};

struct DCTYPE {
  char cType;
  uint8_t bValues;   /* NV_* */
  uint8_t bAlign;    /* boundary */
  uint8_t bImplicit; /* implicit length; 0: from the value */
  uint32_t ulMin;    /* explicit length range */
  uint32_t ulMax;
  uint32_t ulMaxDs; /* the same in DS */
  bool bScale;      /* S modifier allowed */
  bool bBits;       /* L. allowed */
  char cWithLength; /* T' with a length modifier */
  bool bFloat;      /* scale range of hexadecimal floating point */
};

/* One line per type: letter, values, boundary, implicit length, explicit
   range (DC, DS), scale and exponent, bit length, T' with a length. */
constexpr DCTYPE g_aType[] = {
    {'C', NV_CHAR, 1, 0, 1, 256, 65535, false, true, 'C', false},
    {'X', NV_HEX, 1, 0, 1, 256, 65535, false, true, 'X', false},
    {'B', NV_BINARY, 1, 0, 1, 256, 65535, false, true, 'B', false},
    {'F', NV_DECIMAL, 4, 4, 1, 8, 8, true, true, 'G', false},
    {'H', NV_DECIMAL, 2, 2, 1, 8, 8, true, true, 'G', false},
    {'E', NV_DECIMAL, 4, 4, 1, 8, 8, true, true, 'K', true},
    {'D', NV_DECIMAL, 8, 8, 1, 8, 8, true, true, 'K', true},
    {'L', NV_DECIMAL, 8, 16, 1, 16, 16, true, true, 'K', true},
    {'P', NV_PACKED, 1, 0, 1, 16, 16, true, true, 'P', false},
    {'Z', NV_PACKED, 1, 0, 1, 16, 16, true, true, 'Z', false},
    {'A', NV_EXPR, 4, 4, 1, 4, 4, false, true, 'R', false},
    {'Y', NV_EXPR, 2, 2, 1, 2, 2, false, true, 'R', false},
    {'S', NV_ADDRESS, 2, 2, 2, 2, 2, false, false, 'R', false},
    {'V', NV_NAME, 4, 4, 3, 4, 4, false, false, 'R', false},
    {'Q', NV_NAME, 4, 4, 1, 4, 4, false, true, 'R', false},
};

/* The row of each type letter by its code: 0 none, else the row + 1. */
constexpr auto c_abTypeRow = [] {
  std::array<uint8_t, 256> ab{};
  for (size_t i = std::size(g_aType); i-- > 0;)
    ab[static_cast<uint8_t>(g_aType[i].cType)] = static_cast<uint8_t>(i + 1);
  return ab;
}();

const DCTYPE *pTypeOf(const DCOPERAND *op)
{
  uint8_t bRow = c_abTypeRow[static_cast<uint8_t>(op->cType)];
  return bRow != 0 ? &g_aType[bRow - 1] : nullptr;
}

bool bDigit(uint8_t b) { return (g_abClass[b] & CC_DIGIT) != 0; }
bool bLetter(uint8_t b) { return (g_abClass[b] & CC_LETTER) != 0; }
bool bNameChar(uint8_t b) { return (g_abClass[b] & CC_NAME) != 0; }
uint8_t bUpper(uint8_t b) { return g_abUpper[b]; }

int iAt(const EXPRCTX *c, uint32_t i) { return i < c->ulLength ? c->pText[i] : -1; }

/* Records a message of the table with the location suffix of the context,
   in the form of the expression modules' errors. */
int iDcError(EXPRCTX *c, const MSGDEF &msg)
{
  EXPRERROR &e = c->err;
  if (e.sNumber != 0) return e.sNumber;
  char achSuffix[32] = "";
  if (c->pszField == nullptr && c->uOperand != 0)
    std::snprintf(achSuffix, sizeof achSuffix, " in operand %u", c->uOperand);
  int iLen =
      std::snprintf(e.achText, sizeof e.achText, "%s%s%s%s%s.", msg.pszText, c->pszField != nullptr ? " in " : "",
                    c->pszField != nullptr ? c->pszField : "", c->pszField != nullptr ? " field" : "", achSuffix);
  e.sNumber = msg.sNumber;
  e.bForm = 32;
  e.bSeverity = msg.bSeverity;
  if (iLen < 0) iLen = 0;
  if (iLen >= static_cast<int>(sizeof e.achText)) iLen = static_cast<int>(sizeof e.achText) - 1;
  e.ulLength = static_cast<uint32_t>(iLen);
  return e.sNumber;
}

int iDcError(EXPRCTX *c, int iMsg) { return iDcError(c, g_aDcMsg[iMsg]); }

int iUnexpectedAt(EXPRCTX *c, uint32_t i)
{
  c->ulPos = i;
  if (i >= c->ulLength) {
    vExprError(c, EM_INCOMPLETE);
  } else {
    vExprUnexpected(c, c->pText[i]);
  }
  return c->err.sNumber;
}

int iExprMsg(EXPRCTX *c, uint32_t i, int iMsg)
{
  c->ulPos = i;
  vExprError(c, iMsg);
  return c->err.sNumber;
}

/* ---- delimiting parenthesised parts --------------------------------------- */

/* From i, the position of the first ',' or ')' outside inner parentheses
   and strings, or the end of the text; *pbOpenQuote tells that the text
   ended inside a string. */
uint32_t ulPieceEnd(const EXPRCTX *c, uint32_t i, bool *pbOpenQuote)
{
  uint32_t ulDepth = 0;
  *pbOpenQuote = false;
  while (i < c->ulLength) {
    uint8_t b = c->pText[i];
    if (b == E_QUOTE && bOpensString(c->pText, i, c->ulLength)) {
      for (i++;; i++) {
        if (i >= c->ulLength) {
          *pbOpenQuote = true;
          return i;
        }
        if (c->pText[i] == E_QUOTE) {
          if (iAt(c, i + 1) != E_QUOTE) break;
          i++;
        }
      }
      i++;
      continue;
    }
    if (ulDepth == 0 && (b == E_COMMA || b == E_RPAREN)) return i;
    if (b == E_LPAREN) ulDepth++;
    if (b == E_RPAREN) ulDepth--;
    i++;
  }
  return i;
}

/* Parses the text from ulStart to ulEnd with a context of its own; the
   tree, or null after copying its error into c.  Addresses (S-type values)
   may name a symbol through a USING label, as instruction operands do. */
EXPRNODE *pSubParse(EXPRCTX *c, uint32_t ulStart, uint32_t ulEnd, EXPRTOP eTop)
{
  uint32_t ulFlags = c->ulParseFlags & ~static_cast<uint32_t>(PF_HAS_LITERAL);
  if (eTop == ET_ADDRESS) ulFlags |= PF_QUALIFIED;
  EXPRCTX *k = pExprParse(c->pText + ulStart, ulEnd - ulStart, c->uOperand, c->pszField, c->pStack, ulFlags, eTop);
  if (bExprFailed(k)) {
    if (!bExprFailed(c)) c->err = k->err;
    c->ulPos = ulStart + k->ulPos;
    return nullptr;
  }
  c->ulParseFlags |= k->ulParseFlags & PF_HAS_LITERAL;
  return k->pTree;
}

/* '(' expression ')' at c->ulPos. */
EXPRNODE *pParenExpr(EXPRCTX *c)
{
  uint32_t ulOpen = c->ulPos;
  bool bOpenQuote = false;
  uint32_t ulEnd = ulPieceEnd(c, ulOpen + 1, &bOpenQuote);
  if (bOpenQuote) {
    iExprMsg(c, ulEnd, EM_UNMATCHED_QUOTES);
    return nullptr;
  }
  if (ulEnd >= c->ulLength) {
    iExprMsg(c, ulEnd, EM_UNMATCHED_PAREN);
    return nullptr;
  }
  EXPRNODE *n = pSubParse(c, ulOpen + 1, ulEnd, ET_EXPRESSION);
  if (n == nullptr) return nullptr;
  if (c->pText[ulEnd] != E_RPAREN) {
    iUnexpectedAt(c, ulEnd);
    return nullptr;
  }
  c->ulPos = ulEnd + 1;
  return n;
}

/* Decimal digits at c->ulPos, capped. */
int64_t llDigits(EXPRCTX *c)
{
  int64_t ll = 0;
  while (c->ulPos < c->ulLength && bDigit(c->pText[c->ulPos])) {
    ll = ll * 10 + (c->pText[c->ulPos++] & 0x0F);
    if (ll > DC_NUMBER_CAP) ll = DC_NUMBER_CAP;
  }
  return ll;
}

/* A modifier value (digits, or an expression in parentheses) at c->ulPos;
   bSigned lets a sign precede the digits.  False after an error. */
bool bModifier(EXPRCTX *c, DCMOD *m, bool bSigned)
{
  int iChar = iAt(c, c->ulPos);
  if (iChar == E_LPAREN) {
    m->bForm = DCM_EXPR;
    m->pTree = pParenExpr(c);
    return m->pTree != nullptr;
  }
  bool bMinus = false;
  if (bSigned && (iChar == E_PLUS || iChar == E_MINUS)) {
    bMinus = iChar == E_MINUS;
    iChar = iAt(c, ++c->ulPos);
  }
  if (iChar < 0 || !bDigit(static_cast<uint8_t>(iChar))) {
    iUnexpectedAt(c, c->ulPos);
    return false;
  }
  m->bForm = DCM_NUMBER;
  m->llValue = llDigits(c);
  if (bMinus) m->llValue = -m->llValue;
  return true;
}

/* ---- nominal values ------------------------------------------------------- */

DCVALUE *pNewValue(EXPRCTX *c, DCOPERAND *op, uint32_t ulStart)
{
  DCVALUE *v = static_cast<DCVALUE *>(pStackAlloc(c->pStack, sizeof(DCVALUE)));
  v->ulStart = ulStart;
  if (op->pLast != nullptr)
    op->pLast->pNext = v;
  else
    op->pFirst = v;
  op->pLast = v;
  op->ulValues++;
  return v;
}

bool bValueEnd(const EXPRCTX *c, uint32_t i)
{
  return i >= c->ulLength || c->pText[i] == E_QUOTE || c->pText[i] == E_COMMA;
}

/* Counts digits from *pi; returns their number. */
uint32_t ulCountDigits(const EXPRCTX *c, uint32_t *pi)
{
  uint32_t n = 0;
  while (*pi < c->ulLength && bDigit(c->pText[*pi])) {
    (*pi)++;
    n++;
  }
  return n;
}

/* One value of X, B, P, Z or F H E D L from i up to the ',' or quote that
   ends it; returns the position of that delimiter or -1 after an error. */
int64_t llScanValue(EXPRCTX *c, uint8_t bValues, uint32_t i, DCVALUE *v)
{
  if (bValues == NV_HEX || bValues == NV_BINARY) {
    for (; !bValueEnd(c, i); i++) {
      uint8_t b = c->pText[i];
      bool bOk = bValues == NV_HEX ? (g_abClass[b] & CC_HEX) != 0 : (b == E_0 || b == E_1);
      if (!bOk) return iUnexpectedAt(c, i), -1;
      v->ulUnits++;
    }
    return i;
  }
  if (!bValueEnd(c, i) && (c->pText[i] == E_PLUS || c->pText[i] == E_MINUS)) {
    i++;
    if (bValueEnd(c, i) || (!bDigit(c->pText[i]) && c->pText[i] != E_DOT)) return iExprMsg(c, i, EM_INCOMPLETE), -1;
  }
  v->ulUnits = ulCountDigits(c, &i);
  if (iAt(c, i) == E_DOT) {
    i++;
    v->ulFraction = ulCountDigits(c, &i);
    v->ulUnits += v->ulFraction;
  }
  if (v->ulUnits == 0) {
    if (bValueEnd(c, i) || c->pText[i] == E_DOT || iAt(c, i - 1) == E_DOT) return iExprMsg(c, i, EM_INCOMPLETE), -1;
    return iUnexpectedAt(c, i), -1;
  }
  if (bValues == NV_DECIMAL && !bValueEnd(c, i) && bUpper(c->pText[i]) == E_E) {
    i++;
    if (!bValueEnd(c, i) && (c->pText[i] == E_PLUS || c->pText[i] == E_MINUS)) i++;
    uint32_t ulFrom = i;
    if (ulCountDigits(c, &i) == 0) return iExprMsg(c, i, EM_INCOMPLETE), -1;
    int64_t llExp = 0;
    for (uint32_t k = ulFrom; k < i && llExp <= 999; k++) llExp = llExp * 10 + (c->pText[k] & 0x0F);
    if (llExp > 999) {
      c->ulPos = ulFrom;
      iDcError(c, DM_EXP_VALUE);
      return -1;
    }
  }
  if (!bValueEnd(c, i)) return iUnexpectedAt(c, i), -1;
  return i;
}

/* C'...' from the quote at c->ulPos: one value. */
bool bCharValue(EXPRCTX *c, DCOPERAND *op)
{
  uint32_t i = c->ulPos + 1;
  DCVALUE *v = pNewValue(c, op, i);
  for (;;) {
    int iChar = iAt(c, i);
    if (iChar < 0) return iExprMsg(c, i, EM_UNMATCHED_QUOTES), false;
    int iNext = iAt(c, i + 1);
    if (iChar == E_QUOTE && iNext != E_QUOTE) break;
    if (iChar == E_AMP && iNext != E_AMP) return iExprMsg(c, i, EM_AMPERSAND), false;
    i += iChar == E_QUOTE || iChar == E_AMP ? 2 : 1;
    v->ulUnits++;
  }
  v->ulLength = i - v->ulStart;
  c->ulPos = i + 1;
  if (v->ulUnits == 0) {
    iDcError(c, DM_MISSING);
    return false;
  }
  return true;
}

/* '...' of the other quoted types: values separated by commas. */
bool bQuotedValues(EXPRCTX *c, DCOPERAND *op, uint8_t bValues)
{
  uint32_t i = c->ulPos + 1;
  for (;;) {
    DCVALUE *v = pNewValue(c, op, i);
    if (i >= c->ulLength) return iExprMsg(c, i, EM_UNMATCHED_QUOTES), false;
    if (bValueEnd(c, i)) {
      c->ulPos = i;
      iDcError(c, DM_MISSING);
      return false;
    }
    int64_t llEnd = llScanValue(c, bValues, i, v);
    if (llEnd < 0) return false;
    i = static_cast<uint32_t>(llEnd);
    v->ulLength = i - v->ulStart;
    if (i >= c->ulLength) return iExprMsg(c, i, EM_UNMATCHED_QUOTES), false;
    i++;
    if (c->pText[i - 1] == E_QUOTE) break;
  }
  c->ulPos = i;
  return true;
}

/* A V or Q name: a letter, then name characters, filling the piece. */
bool bNameValue(EXPRCTX *c, uint32_t ulStart, uint32_t ulEnd)
{
  if (ulStart == ulEnd) return iExprMsg(c, ulStart, EM_INCOMPLETE), false;
  if (!bLetter(c->pText[ulStart])) return iUnexpectedAt(c, ulStart), false;
  for (uint32_t i = ulStart + 1; i < ulEnd; i++)
    if (!bNameChar(c->pText[i])) return iUnexpectedAt(c, i), false;
  return true;
}

/* (...) of the address types from the '(' at c->ulPos. */
bool bParenValues(EXPRCTX *c, DCOPERAND *op, uint8_t bValues)
{
  uint32_t i = c->ulPos + 1;
  for (;;) {
    bool bOpenQuote = false;
    uint32_t ulEnd = ulPieceEnd(c, i, &bOpenQuote);
    if (bOpenQuote) return iExprMsg(c, ulEnd, EM_UNMATCHED_QUOTES), false;
    if (ulEnd >= c->ulLength) return iExprMsg(c, ulEnd, EM_UNMATCHED_PAREN), false;
    DCVALUE *v = pNewValue(c, op, i);
    v->ulLength = ulEnd - i;
    if (bValues == NV_NAME) {
      if (!bNameValue(c, i, ulEnd)) return false;
    } else {
      v->pTree = pSubParse(c, i, ulEnd, bValues == NV_ADDRESS ? ET_ADDRESS : ET_EXPRESSION);
      if (v->pTree == nullptr) return false;
    }
    i = ulEnd + 1;
    if (c->pText[ulEnd] == E_RPAREN) break;
  }
  c->ulPos = i;
  return true;
}

bool bNominal(EXPRCTX *c, DCOPERAND *op, const DCTYPE *t)
{
  int iChar = iAt(c, c->ulPos);
  bool bQuoted = t->bValues <= NV_PACKED;
  if (iChar == (bQuoted ? E_QUOTE : E_LPAREN)) {
    op->bNominal = true;
    if (t->bValues == NV_CHAR) return bCharValue(c, op);
    return bQuoted ? bQuotedValues(c, op, t->bValues) : bParenValues(c, op, t->bValues);
  }
  if (iChar == (bQuoted ? E_LPAREN : E_QUOTE)) return iUnexpectedAt(c, c->ulPos), false;
  return true;
}

/* The modifiers after the type letter, in the order L, S, E. */
bool bModifiers(EXPRCTX *c, DCOPERAND *op, const DCTYPE *t)
{
  int iChar = iAt(c, c->ulPos);
  if (iChar >= 0 && bUpper(static_cast<uint8_t>(iChar)) == E_L) {
    c->ulPos++;
    if (iAt(c, c->ulPos) == E_DOT) {
      if (!t->bBits) {
        c->ulPos--;
        iDcError(c, DM_BITS_INVALID);
        return false;
      }
      op->bBitLength = true;
      c->ulPos++;
    }
    if (!bModifier(c, &op->length, false)) return false;
    iChar = iAt(c, c->ulPos);
  }
  if (iChar >= 0 && bUpper(static_cast<uint8_t>(iChar)) == E_S) {
    if (!t->bScale) return iDcError(c, DM_SCALE_INVALID), false;
    c->ulPos++;
    if (!bModifier(c, &op->scale, true)) return false;
    iChar = iAt(c, c->ulPos);
  }
  if (iChar >= 0 && bUpper(static_cast<uint8_t>(iChar)) == E_E) {
    if (!t->bScale) return iDcError(c, DM_EXP_INVALID), false;
    c->ulPos++;
    if (!bModifier(c, &op->exponent, true)) return false;
  }
  return true;
}

} // namespace

void vDcInit() { g_exprHooks.pfnDcOperand = pDcOperandHook; }

EXPRNODE *pDcOperandHook(EXPRCTX *pCtx)
{
  EXPRNODE *n = pExprNode(pCtx, EN_DCOPERAND, pCtx->ulPos);
  return iDcParseOperand(pCtx, n) == 0 ? n : nullptr;
}

int iDcParseOperand(EXPRCTX *pCtx, EXPRNODE *pNode)
{
  EXPRCTX *c = pCtx;
  DCOPERAND *op = static_cast<DCOPERAND *>(pStackAlloc(c->pStack, sizeof(DCOPERAND)));
  op->pText = c->pText;
  op->ulStart = c->ulPos;
  op->bLiteral = (c->ulParseFlags & PF_IN_LITERAL) != 0;

  int iChar = iAt(c, c->ulPos);
  if (iChar == E_LPAREN) {
    op->dup.bForm = DCM_EXPR;
    if ((op->dup.pTree = pParenExpr(c)) == nullptr) return c->err.sNumber;
  } else if (iChar >= 0 && bDigit(static_cast<uint8_t>(iChar))) {
    op->dup.bForm = DCM_NUMBER;
    op->dup.llValue = llDigits(c);
  }
  iChar = iAt(c, c->ulPos);
  if (iChar >= 0) {
    op->bType = bUpper(static_cast<uint8_t>(iChar));
    op->cType = static_cast<char>(g_abEbcdicToAscii[op->bType]);
  }
  const DCTYPE *t = iChar >= 0 && bLetter(static_cast<uint8_t>(iChar)) ? pTypeOf(op) : nullptr;
  if (t == nullptr) return iDcError(c, DM_TYPE);
  c->ulPos++;
  if (!bModifiers(c, op, t) || !bNominal(c, op, t)) return c->err.sNumber;

  op->ulLength = c->ulPos - op->ulStart;
  pNode->pExtra = op;
  pNode->ulStart = op->ulStart;
  pNode->ulLength = op->ulLength;
  pNode->pText = c->pText + op->ulStart;
  pNode->ulTextLength = op->ulLength;
  pNode->bSub = static_cast<uint8_t>(op->cType);
  return 0;
}

DCOPERAND *pDcOperand(const EXPRNODE *pNode)
{
  if (pNode != nullptr && pNode->bKind == EN_LITERAL) pNode = pNode->pLeft;
  if (pNode == nullptr || pNode->bKind != EN_DCOPERAND) return nullptr;
  return static_cast<DCOPERAND *>(pNode->pExtra);
}

uint32_t ulDcImplicitLength(const DCOPERAND *pOp, const DCVALUE *pValue)
{
  const DCTYPE *t = pTypeOf(pOp);
  if (t == nullptr) return 1;
  if (t->bImplicit != 0) return t->bImplicit;
  if (pValue == nullptr) return 1;
  uint32_t n = pValue->ulUnits;
  switch (pOp->cType) {
  case 'X':
    return n / 2 + n % 2;
  case 'B':
    return n / 8 + (n % 8 != 0 ? 1 : 0);
  case 'P':
    return n / 2 + 1;
  default: /* C, Z */
    return n;
  }
}

namespace {

enum EVRC { EVR_OK, EVR_ERROR, EVR_PENDING };

/* The value of a modifier or duplication factor as an absolute expression. */
EVRC eModifierValue(EXPRCTX *c, const DCMOD *m, int32_t lLocSection, int32_t lLocation, uint32_t ulFlags,
                    int64_t *pllValue)
{
  if (m->bForm == DCM_NUMBER) {
    *pllValue = m->llValue;
    return EVR_OK;
  }
  uint32_t ulEval = EF_ABSOLUTE | 0x01;
  if ((ulFlags & DCE_DEFER) != 0) ulEval |= EF_UNDEFINED_OK | EF_ATTRIBUTE_OK;
  EXPRVALUE *v = pExprEvaluate(c, m->pTree, ulRefWord(g_asm.ulStmtNo, 0), lLocSection, lLocation, ulEval);
  if (v == nullptr) return bExprFailed(c) ? EVR_ERROR : EVR_PENDING;
  *pllValue = v->lValue;
  return EVR_OK;
}

/* Largest scale of a floating point constant of the given length. */
int64_t llFloatScaleMax(const DCOPERAND *op, int64_t llLength)
{
  int64_t h = op->bBitLength ? (llLength + 3) / 4 : 2 * llLength;
  int64_t llMax = h - 3;
  if (llMax == 14 || llMax == 15) return 13;
  if (llMax > 15) return h - 5;
  return llMax;
}

EVRC eScaleExponent(EXPRCTX *c, DCOPERAND *op, const DCTYPE *t, int64_t llFirst, int32_t lLocSection, int32_t lLocation,
                    uint32_t ulFlags)
{
  int64_t llScale = 0;
  if (op->scale.bForm != DCM_NONE) {
    EVRC rc = eModifierValue(c, &op->scale, lLocSection, lLocation, ulFlags, &llScale);
    if (rc != EVR_OK) return rc;
    int64_t llMin = t->bFloat ? 0 : -187;
    int64_t llMax = t->bFloat ? llFloatScaleMax(op, llFirst) : (op->bBitLength ? llFirst : 8 * llFirst) - 1;
    if (llScale < llMin || llScale > llMax) return iDcError(c, DM_SCALE_RANGE), EVR_ERROR;
  } else if (t->bValues == NV_PACKED && op->pFirst != nullptr) {
    llScale = op->pFirst->ulFraction;
  }
  op->lScale = static_cast<int32_t>(llScale);
  int64_t llExp = 0;
  if (op->exponent.bForm != DCM_NONE) {
    EVRC rc = eModifierValue(c, &op->exponent, lLocSection, lLocation, ulFlags, &llExp);
    if (rc != EVR_OK) return rc;
    if (llExp < -85 || llExp > 75) return iDcError(c, DM_EXP_RANGE), EVR_ERROR;
  }
  op->lExponent = static_cast<int32_t>(llExp);
  return EVR_OK;
}

/* Checks the implicit lengths of the values and returns their sum. */
bool bValueLengths(EXPRCTX *c, const DCOPERAND *op, const DCTYPE *t, uint32_t ulFlags, int64_t *pllSum)
{
  int64_t llSum = 0;
  uint32_t ulMax = (ulFlags & DCE_DS) != 0 ? t->ulMaxDs : t->ulMax;
  for (const DCVALUE *v = op->pFirst; v != nullptr; v = v->pNext) {
    bool bLong = false;
    if (op->cType == 'P') bLong = v->ulUnits > 31;
    if (op->cType == 'Z') bLong = v->ulUnits > 16;
    if (op->length.bForm == DCM_NONE) {
      uint32_t ulLen = ulDcImplicitLength(op, v);
      if (t->bImplicit == 0 && ulLen > ulMax) bLong = true;
      llSum += ulLen;
    }
    if (bLong) return iDcError(c, DM_TOO_LONG), false;
  }
  if (op->pFirst == nullptr) llSum = ulDcImplicitLength(op, nullptr);
  *pllSum = llSum;
  return true;
}

} // namespace

DCEVAL *pDcEvaluate(EXPRCTX *pCtx, EXPRNODE *pOperand, int32_t lLocSection, int32_t lLocation, uint32_t ulBitOffset,
                    uint32_t ulFlags)
{
  EXPRCTX *c = pCtx;
  DCOPERAND *op = pDcOperand(pOperand);
  const DCTYPE *t = op != nullptr ? pTypeOf(op) : nullptr;
  if (t == nullptr) {
    iDcError(c, DM_TYPE);
    return nullptr;
  }
  ulBitOffset &= 7;
  int64_t llLocation = lLocation < 0 ? 0 : lLocation;

  /* Duplication factor. */
  int64_t llDup = 1;
  if (op->dup.bForm != DCM_NONE) {
    EVRC rc = eModifierValue(c, &op->dup, lLocSection, lLocation, ulFlags, &llDup);
    if (rc != EVR_OK) return nullptr;
    if (llDup < 0 || llDup > DUP_MAX || (llDup == 0 && op->bLiteral)) {
      iDcError(c, DM_DUPLICATION);
      return nullptr;
    }
  }
  op->llDup = llDup;
  if (!op->bNominal && llDup != 0 && (op->bLiteral || (ulFlags & DCE_DS) == 0)) {
    iDcError(c, DM_MISSING);
    return nullptr;
  }

  /* Alignment; a partial byte is completed first. */
  bool bExplicit = op->length.bForm != DCM_NONE;
  DCEVAL *e = static_cast<DCEVAL *>(pStackAlloc(c->pStack, sizeof(DCEVAL)));
  e->bAlign = 1;
  if (!op->bBitLength && ulBitOffset != 0) {
    llLocation++;
    ulBitOffset = 0;
  }
  if (!bExplicit && (g_opt.bAlign || llDup == 0)) {
    e->bAlign = t->bAlign;
    llLocation = (llLocation + t->bAlign - 1) / t->bAlign * t->bAlign;
  }
  if (llLocation > LOCATION_MAX) {
    iDcError(c, g_aEsdMsg[ESDM_LOCATION]);
    return nullptr;
  }

  /* Length of each constant. */
  int64_t llLength = 0;
  if (bExplicit) {
    EVRC rc = eModifierValue(c, &op->length, lLocSection, lLocation, ulFlags, &llLength);
    if (rc != EVR_OK) return nullptr;
    int64_t llMax = (ulFlags & DCE_DS) != 0 ? t->ulMaxDs : t->ulMax;
    int64_t llMin = t->ulMin;
    if (op->bBitLength) {
      llMax *= 8;
      llMin = 1;
    }
    if (llLength < llMin || llLength > llMax) {
      iDcError(c, DM_LENGTH_RANGE);
      return nullptr;
    }
  }
  op->lLength = static_cast<int32_t>(llLength);
  int64_t llSum = 0;
  if (!bValueLengths(c, op, t, ulFlags, &llSum)) return nullptr;
  int64_t llFirst = bExplicit ? llLength : ulDcImplicitLength(op, op->pFirst);

  if (eScaleExponent(c, op, t, llFirst, lLocSection, lLocation, ulFlags) != EVR_OK) return nullptr;

  /* Total length. */
  int64_t llCount = op->ulValues != 0 ? op->ulValues : 1;
  int64_t llEnd;
  if (op->bBitLength) {
    int64_t llBits = llDup * llCount * llLength;
    int64_t llEndBits = static_cast<int64_t>(ulBitOffset) + llBits;
    e->ulTotal = static_cast<uint32_t>((llBits + 7) / 8 > 0xFFFFFFFF ? 0xFFFFFFFF : (llBits + 7) / 8);
    llEnd = llLocation + llEndBits / 8;
    e->ulBitOffset = static_cast<uint32_t>(llEndBits % 8);
  } else {
    int64_t llTotal = llDup * (bExplicit ? llCount * llLength : llSum);
    e->ulTotal = static_cast<uint32_t>(llTotal > 0xFFFFFFFF ? 0xFFFFFFFF : llTotal);
    llEnd = llLocation + llTotal;
  }
  /* The location after the operand (a partial byte counting whole) must not
     pass X'FFFFFF'. */
  if (llEnd + (e->ulBitOffset != 0 ? 1 : 0) > LOCATION_MAX) {
    iDcError(c, g_aEsdMsg[ESDM_LOCATION]);
    return nullptr;
  }

  e->lStart = static_cast<int32_t>(llLocation);
  e->lEnd = static_cast<int32_t>(llEnd);
  e->lLength = static_cast<int32_t>(op->bBitLength ? (llLength + 7) / 8 : llFirst);
  e->sScale = t->bScale ? static_cast<int16_t>(op->lScale) : SYM_SCALE_UNKNOWN;
  e->bType = g_abAsciiToEbcdic[static_cast<uint8_t>(bExplicit ? t->cWithLength : t->cType)];
  return e;
}
