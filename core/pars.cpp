/*
** pars.cpp - the parser of ordinary expressions (module "pars").
**
** Calls: lbl.
** Called by: def1, def2, esd1, eval, ins2, lbl, msc2, usg2.
**
** Owns the message table of the expression modules, the first-error record
** of a context and the grammar:
**
**   expression := term { ('+' | '-') term }
**   term       := factor { ('*' | '/') factor }
**   factor     := { '+' } ( '(' expression ')' | '-' factor | primary )
**   primary    := decimal | B'..' | C'..' | X'..' | attribute'name
**               | L'* | * | =literal | name | qualifier.name
**   address    := expression [ '(' [expression] [',' expression] ')' ]
**
** Notes on the design:
**  - All text is EBCDIC.  Letters of self-defining terms and attributes and
**    symbol names go through the upper-case table; the contents of quoted
**    strings are kept as written.
**  - Binary operators build left-deep trees whose nodes know their parent
**    (pUp), so the evaluator walks operator chains without recursion; only
**    '(' and unary '-' recurse here, at most EXPR_NESTING_MAX levels.
**  - A literal's extent (duplication factor, type, modifiers, nominal value
**    in quotes or parentheses) is found here, so that the literal can be
**    keyed without the DC operand parser: its text is upper-cased except
**    inside quoted strings of a C-type value and inside quoted strings of a
**    parenthesised value (C'a' in A(C'a') keeps its value), and an A, S or Y
**    literal whose value refers to * gets the statement number as second key.
**  - Nothing here is freed: nodes and copies come from the caller's stack.
*/
#define MEM_MODULE "pars"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "chars.h"
#include "expr.h"
#include "lbl.h"
#include "mem.h"
#include "vorn.h"

namespace {

/* The rows of EXPRMSG: printf formats; the place (" in operand %u" or the
   field) and a full stop follow. */
const MSGDEF c_aMsg[] = {
    {116, 12, "Unmatched '('"},
    {116, 12, "Unmatched quotes"},
    {201, 12, "Unexpected %c character"},
    {201, 12, "Unexpected X'%.2X' character"},
    {202, 12, "Self-defining value is too large"},
    {203, 12, "Incomplete expression"},
    {204, 12, "Unpaired ampersand"},
    {209, 12, "%s is not an active USING label"},
    {220, 12, "Invalid qualifier for %s"},
    {221, 12, "Complexly relocatable expression"},
    {222, 12, "Non-relocatable expression"},
    {223, 12, "Relocatable expression"},
    {224, 12, "Invalid location counter reference"},
    {225, 12, "Overflow occurred while evaluating expression"},
    {226, 12, "Modification of literal is not allowed"},
    {227, 12, "Symbol %s is not defined"},
    {228, 12, "%c' attribute of symbol %s is not defined"},
    {228, 12, "Value of symbol %s is not defined"},
    {229, 12, "Expression is not resolvable"},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == EM_COUNT);

} // namespace

EXPRHOOKS g_exprHooks;

namespace {

bool bDigit(uint8_t b) { return (g_abClass[b] & CC_DIGIT) != 0; }
bool bLetter(uint8_t b) { return (g_abClass[b] & CC_LETTER) != 0; }
bool bNameChar(uint8_t b) { return (g_abClass[b] & CC_NAME) != 0; }
uint8_t bUpper(uint8_t b) { return g_abUpper[b]; }
/* Host (ASCII) form of an upper-case EBCDIC letter, for node sub-kinds. */
uint8_t bHost(uint8_t b) { return g_abEbcdicToAscii[b]; }

int iPeek(const EXPRCTX *c, uint32_t ulAhead = 0)
{
  uint32_t p = c->ulPos + ulAhead;
  return p >= c->ulPos && p < c->ulLength ? c->pText[p] : -1;
}

void vFinish(const EXPRCTX *c, EXPRNODE *n) { n->ulLength = c->ulPos - n->ulStart; }

uint8_t *pUpperCopy(EXPRCTX *c, const uint8_t *p, uint32_t ulLen)
{
  uint8_t *pCopy = static_cast<uint8_t *>(pStackAlloc(c->pStack, ulLen != 0 ? ulLen : 1));
  for (uint32_t i = 0; i < ulLen; i++) pCopy[i] = bUpper(p[i]);
  return pCopy;
}

EXPRNODE *pExpression(EXPRCTX *c);

EXPRNODE *pBinary(EXPRCTX *c, uint8_t bOp, EXPRNODE *pLeft, EXPRNODE *pRight)
{
  EXPRNODE *n = pExprNode(c, EN_OPERATOR, pLeft->ulStart);
  n->bSub = bOp;
  n->pLeft = pLeft;
  n->pRight = pRight;
  pLeft->pUp = n;
  pRight->pUp = n;
  vFinish(c, n);
  return n;
}

/* ---- self-defining terms --------------------------------------------------- */

EXPRNODE *pDecimal(EXPRCTX *c)
{
  EXPRNODE *n = pExprNode(c, EN_VALUE, c->ulPos);
  int64_t l = 0;
  while (c->ulPos < c->ulLength && bDigit(c->pText[c->ulPos])) {
    l = l * 10 + (c->pText[c->ulPos] & 0x0F);
    if (l > 2147483647) {
      vExprError(c, EM_TOO_LARGE);
      return nullptr;
    }
    c->ulPos++;
  }
  n->bSub = 'D';
  n->lValue = static_cast<int32_t>(l);
  vFinish(c, n);
  return n;
}

/* The value of one character of a B'..' or X'..' term, or -1. */
int iDigitValue(uint8_t bUpperLetter, uint8_t b)
{
  if (bUpperLetter == E_B) return b == E_0 ? 0 : b == E_1 ? 1 : -1;
  uint8_t u = bUpper(b);
  if ((g_abClass[u] & CC_HEX) == 0) return -1;
  return bDigit(u) ? (u & 0x0F) : (u - E_A + 10);
}

/* B'..', X'..' or C'..' at ulPos (letter, quote).  An empty string sets
 *pbEmpty and leaves the position alone: the letter is then a symbol. */
EXPRNODE *pSelfDefining(EXPRCTX *c, uint8_t bType, bool *pbEmpty)
{
  uint32_t ulStart = c->ulPos;
  uint32_t i = c->ulPos + 2;
  uint32_t ulValue = 0;
  unsigned uCount = 0;
  *pbEmpty = false;
  for (;;) {
    if (i >= c->ulLength) {
      c->ulPos = i;
      vExprError(c, EM_UNMATCHED_QUOTES);
      return nullptr;
    }
    uint8_t b = c->pText[i];
    uint8_t bNext = i + 1 < c->ulLength ? c->pText[i + 1] : 0;
    if (bType == E_C) {
      if (b == E_QUOTE && bNext != E_QUOTE) break;
      if (b == E_AMP && bNext != E_AMP) {
        c->ulPos = i;
        vExprError(c, EM_AMPERSAND);
        return nullptr;
      }
      i += b == E_QUOTE || b == E_AMP ? 2 : 1;
      if (uCount == 4) {
        c->ulPos = i;
        vExprError(c, EM_TOO_LARGE);
        return nullptr;
      }
      ulValue = ulValue << 8 | b;
      uCount++;
      continue;
    }
    if (b == E_QUOTE) break;
    int iDigit = iDigitValue(bType, b);
    if (iDigit < 0) {
      c->ulPos = i;
      vExprUnexpected(c, b);
      return nullptr;
    }
    bool bFull = bType == E_B ? (ulValue & 0x80000000u) != 0 : ulValue > 0x0FFFFFFFu;
    if (bFull) {
      c->ulPos = i;
      vExprError(c, EM_TOO_LARGE);
      return nullptr;
    }
    ulValue =
        bType == E_B ? ulValue << 1 | static_cast<uint32_t>(iDigit) : ulValue << 4 | static_cast<uint32_t>(iDigit);
    uCount++;
    i++;
  }
  if (uCount == 0) {
    *pbEmpty = true;
    return nullptr;
  }
  c->ulPos = i + 1;
  EXPRNODE *n = pExprNode(c, EN_VALUE, ulStart);
  n->bSub = bHost(bType);
  n->lValue = static_cast<int32_t>(ulValue);
  vFinish(c, n);
  return n;
}

/* ---- symbols ------------------------------------------------------------- */

uint32_t ulNameEnd(const EXPRCTX *c, uint32_t i)
{
  while (i < c->ulLength && bNameChar(c->pText[i])) i++;
  return i;
}

/* A name at ulPos (a letter), optionally qualified; bSub 'A' or the
   attribute letter of a preceding attribute reference starting at ulStart. */
EXPRNODE *pName(EXPRCTX *c, uint8_t bSub, uint32_t ulStart)
{
  uint32_t ulName = c->ulPos;
  c->ulPos = ulNameEnd(c, c->ulPos);
  SYMBOL *pQualifier = nullptr;
  if ((c->ulParseFlags & PF_QUALIFIED) != 0 && iPeek(c) == E_DOT && iPeek(c, 1) >= 0 &&
      bLetter(static_cast<uint8_t>(iPeek(c, 1)))) {
    uint32_t ulLen = c->ulPos - ulName;
    pQualifier = pSymbolFind(c->pText + ulName, ulLen);
    if (pQualifier == nullptr || pQualifier->lLength != SYM_LENGTH_USING) {
      char achName[EXPR_NAME_SHOWN + 4];
      vExprHostName(achName, sizeof achName, pUpperCopy(c, c->pText + ulName, ulLen), ulLen);
      vExprError(c, EM_NOT_USING_LABEL, achName);
      return nullptr;
    }
    ulName = ++c->ulPos;
    c->ulPos = ulNameEnd(c, c->ulPos);
  }
  uint32_t ulLen = c->ulPos - ulName;
  SYMBOL *pSym = ulLen <= SYM_NAME_MAX ? pSymbolFind(c->pText + ulName, ulLen) : nullptr;
  EXPRNODE *n = pExprNode(c, pSym != nullptr ? EN_SYMBOL : EN_UNKNOWN, ulStart);
  n->bSub = bSub;
  n->pSymbol = pSym;
  n->pQualifier = pQualifier;
  /* a symbol in the table already holds the upper-cased name */
  n->pText = pSym != nullptr ? pSym->abName : pUpperCopy(c, c->pText + ulName, ulLen);
  n->ulTextLength = ulLen;
  vFinish(c, n);
  return n;
}

/* ---- literals ------------------------------------------------------------ */

/* Scans a literal's constant and writes its key text.  Positions are those
   of the operand; pOut receives the bytes from ulBase on. */
struct LITSCAN {
  const uint8_t *pText;
  uint32_t ulLength;
  uint32_t ulBase;
  uint8_t *pOut;
  uint8_t bType;   /* upper-case EBCDIC type letter, 0 when none */
  bool bStar;      /* the nominal value refers to * */
  bool bOpenQuote; /* text ended inside a quoted string */
  bool bOpenParen; /* text ended inside parentheses */

  void vPut(uint32_t i, bool bKeep) { pOut[i - ulBase] = bKeep ? pText[i] : bUpper(pText[i]); }
  bool bIs(uint32_t i, uint8_t b) const { return i < ulLength && pText[i] == b; }

  /* A quoted string from the quote at i; returns the position after it. */
  uint32_t ulString(uint32_t i, bool bKeep)
  {
    vPut(i++, false);
    while (i < ulLength) {
      if (pText[i] == E_QUOTE) {
        if (!bIs(i + 1, E_QUOTE)) {
          vPut(i, false);
          return i + 1;
        }
        vPut(i++, false);
      }
      vPut(i++, bKeep);
    }
    bOpenQuote = true;
    return i;
  }

  /* A parenthesised group from the '(' at i; returns the position after it.
     In the nominal value quoted strings are kept and * is looked for. */
  uint32_t ulGroup(uint32_t i, bool bNominal)
  {
    unsigned uDepth = 0;
    bool bTermExpected = true;
    bool bAddress = bType == E_A || bType == E_S || bType == E_Y;
    while (i < ulLength) {
      uint8_t b = pText[i];
      if (b == E_QUOTE && bOpensString(pText + ulBase, i - ulBase, ulLength - ulBase)) {
        i = ulString(i, bNominal);
        bTermExpected = false;
        continue;
      }
      if (b == E_STAR && bTermExpected && bNominal && bAddress) bStar = true;
      vPut(i++, false);
      if (b == E_LPAREN) uDepth++;
      if (b == E_RPAREN && --uDepth == 0) return i;
      bTermExpected =
          b == E_LPAREN || b == E_COMMA || b == E_PLUS || b == E_MINUS || b == E_STAR || b == E_SLASH || b == E_QUOTE;
    }
    bOpenParen = true;
    return i;
  }

  /* [duplication] type {modifier} [nominal]; returns the end. */
  uint32_t ulScan(uint32_t i)
  {
    if (i < ulLength && bDigit(pText[i])) {
      while (i < ulLength && bDigit(pText[i])) vPut(i++, false);
    } else if (bIs(i, E_LPAREN)) {
      i = ulGroup(i, false);
    }
    if (i >= ulLength || !bLetter(pText[i])) return i;
    bType = bUpper(pText[i]);
    vPut(i++, false);
    while (i < ulLength) {
      uint8_t u = bUpper(pText[i]);
      if (u != E_L && u != E_S && u != E_E) break;
      uint32_t j = i + 1;
      if (u == E_L && bIs(j, E_DOT)) j++;
      if (u != E_L && (bIs(j, E_PLUS) || bIs(j, E_MINUS))) j++;
      if (j < ulLength && bDigit(pText[j])) {
        while (i < j) vPut(i++, false);
        while (i < ulLength && bDigit(pText[i])) vPut(i++, false);
      } else if (bIs(j, E_LPAREN)) {
        while (i < j) vPut(i++, false);
        i = ulGroup(i, false);
      } else {
        break;
      }
    }
    if (bIs(i, E_QUOTE)) return ulString(i, bType == E_C);
    if (bIs(i, E_LPAREN)) return ulGroup(i, true);
    return i;
  }
};

/* A literal at ulPos ('='); bSub 'A' or the attribute letter. */
EXPRNODE *pLiteral(EXPRCTX *c, uint8_t bSub, uint32_t ulStart)
{
  uint32_t ulEq = c->ulPos++;
  if (c->ulPos >= c->ulLength) {
    vExprError(c, EM_INCOMPLETE);
    return nullptr;
  }
  LITSCAN scan = {};
  scan.pText = c->pText;
  scan.ulLength = c->ulLength;
  scan.ulBase = ulEq;
  scan.pOut = static_cast<uint8_t *>(pStackAlloc(c->pStack, c->ulLength - ulEq));
  scan.pOut[0] = E_EQUAL;
  uint32_t ulEnd = scan.ulScan(c->ulPos);

  EXPRNODE *pConstant = nullptr;
  if (g_exprHooks.pfnDcOperand != nullptr) {
    uint32_t ulLength = c->ulLength, ulFlags = c->ulParseFlags;
    c->ulLength = ulEnd;
    c->ulParseFlags |= PF_IN_LITERAL;
    pConstant = g_exprHooks.pfnDcOperand(c);
    bool bRest = pConstant != nullptr && c->ulPos < ulEnd;
    c->ulLength = ulLength;
    c->ulParseFlags = ulFlags;
    if (bRest) vExprUnexpected(c, c->pText[c->ulPos]);
    if (pConstant == nullptr || bRest) return nullptr;
  } else {
    c->ulPos = ulEnd;
    if (scan.bOpenQuote) vExprError(c, EM_UNMATCHED_QUOTES);
    if (scan.bOpenParen) vExprError(c, EM_UNMATCHED_PAREN);
    if (bExprFailed(c)) return nullptr;
  }
  EXPRNODE *n = pExprNode(c, EN_LITERAL, ulStart);
  n->bSub = bSub;
  n->pText = scan.pOut;
  n->ulTextLength = ulEnd - ulEq;
  n->lValue = scan.bStar ? static_cast<int32_t>(g_asm.ulStmtNo) : 0;
  n->pLeft = pConstant;
  if (pConstant != nullptr) pConstant->pUp = n;
  c->ulParseFlags |= PF_HAS_LITERAL;
  vFinish(c, n);
  return n;
}

bool bLiteralAllowed(const EXPRCTX *c) { return (c->ulParseFlags & (PF_LITERAL | PF_IN_LITERAL)) == PF_LITERAL; }

/* ---- primaries and factors ----------------------------------------------- */

/* An attribute reference at ulPos (letter, quote); false when what follows
   the quote is no symbol, literal or L'*: the letter is then a symbol. */
bool bAttribute(EXPRCTX *c, uint8_t bLetterUpper, EXPRNODE **ppNode)
{
  int iNext = iPeek(c, 2);
  if (iNext < 0) return false;
  uint32_t ulStart = c->ulPos;
  uint8_t bSub = bHost(bLetterUpper);
  if (bLetter(static_cast<uint8_t>(iNext))) {
    c->ulPos += 2;
    *ppNode = pName(c, bSub, ulStart);
    return true;
  }
  if (iNext == E_STAR && bLetterUpper == E_L) {
    c->ulPos += 3;
    EXPRNODE *n = pExprNode(c, EN_LOCATION, ulStart);
    n->bSub = 'L';
    vFinish(c, n);
    *ppNode = n;
    return true;
  }
  if (iNext == E_EQUAL && bLiteralAllowed(c)) {
    c->ulPos += 2;
    *ppNode = pLiteral(c, bSub, ulStart);
    return true;
  }
  return false;
}

EXPRNODE *pHook(EXPRCTX *c, PFNEXPRHOOK pfn, uint8_t b)
{
  if (pfn == nullptr) {
    vExprUnexpected(c, b);
    return nullptr;
  }
  return pfn(c);
}

EXPRNODE *pPrimary(EXPRCTX *c)
{
  uint8_t b = c->pText[c->ulPos];
  if (bDigit(b)) return pDecimal(c);
  if (bLetter(b)) {
    uint8_t u = bUpper(b);
    if (iPeek(c, 1) == E_QUOTE) {
      if (u == E_B || u == E_C || u == E_X) {
        bool bEmpty = false;
        EXPRNODE *n = pSelfDefining(c, u, &bEmpty);
        if (!bEmpty) return n;
      } else if ((u == E_D || u == E_O) && (c->ulParseFlags & PF_CONDITIONAL) != 0) {
        return pHook(c, g_exprHooks.pfnCondTerm, b);
      } else if (bAttributeLetter(u)) {
        EXPRNODE *n = nullptr;
        if (bAttribute(c, u, &n)) return n;
      }
    }
    return pName(c, 'A', c->ulPos);
  }
  if (b == E_STAR) {
    EXPRNODE *n = pExprNode(c, EN_LOCATION, c->ulPos++);
    n->bSub = 'A';
    vFinish(c, n);
    return n;
  }
  if (b == E_EQUAL && bLiteralAllowed(c)) return pLiteral(c, 'A', c->ulPos);
  if (b == E_AMP && (c->ulParseFlags & PF_VARIABLE) != 0) return pHook(c, g_exprHooks.pfnCondTerm, b);
  vExprUnexpected(c, b);
  return nullptr;
}

EXPRNODE *pFactor(EXPRCTX *c);

EXPRNODE *pParenthesised(EXPRCTX *c)
{
  c->ulPos++;
  if (c->ulPos >= c->ulLength) {
    vExprError(c, EM_UNMATCHED_PAREN);
    return nullptr;
  }
  EXPRNODE *n = pExpression(c);
  if (n == nullptr) return nullptr;
  if (c->ulPos >= c->ulLength) {
    vExprError(c, EM_UNMATCHED_PAREN);
    return nullptr;
  }
  if (c->pText[c->ulPos] != E_RPAREN) {
    vExprUnexpected(c, c->pText[c->ulPos]);
    return nullptr;
  }
  c->ulPos++;
  return n;
}

EXPRNODE *pNegation(EXPRCTX *c)
{
  uint32_t ulStart = c->ulPos++;
  EXPRNODE *pOperand = pFactor(c);
  if (pOperand == nullptr) return nullptr;
  EXPRNODE *n = pExprNode(c, EN_OPERATOR, ulStart);
  n->bSub = '-';
  n->pRight = pOperand;
  pOperand->pUp = n;
  vFinish(c, n);
  return n;
}

EXPRNODE *pFactor(EXPRCTX *c)
{
  while (iPeek(c) == E_PLUS) c->ulPos++;
  int iChar = iPeek(c);
  if (iChar < 0) {
    vExprError(c, EM_INCOMPLETE);
    return nullptr;
  }
  if (iChar != E_LPAREN && iChar != E_MINUS) return pPrimary(c);
  if (c->uNest >= EXPR_NESTING_MAX) {
    vExprUnexpected(c, static_cast<uint8_t>(iChar));
    return nullptr;
  }
  c->uNest++;
  EXPRNODE *n = iChar == E_LPAREN ? pParenthesised(c) : pNegation(c);
  c->uNest--;
  return n;
}

EXPRNODE *pTerm(EXPRCTX *c)
{
  EXPRNODE *pLeft = pFactor(c);
  while (pLeft != nullptr) {
    int iOp = iPeek(c);
    if (iOp != E_STAR && iOp != E_SLASH) break;
    c->ulPos++;
    EXPRNODE *pRight = pFactor(c);
    pLeft = pRight != nullptr ? pBinary(c, iOp == E_STAR ? '*' : '/', pLeft, pRight) : nullptr;
  }
  return pLeft;
}

EXPRNODE *pExpression(EXPRCTX *c)
{
  EXPRNODE *pLeft = pTerm(c);
  while (pLeft != nullptr) {
    int iOp = iPeek(c);
    if (iOp != E_PLUS && iOp != E_MINUS) break;
    c->ulPos++;
    EXPRNODE *pRight = pTerm(c);
    pLeft = pRight != nullptr ? pBinary(c, iOp == E_PLUS ? '+' : '-', pLeft, pRight) : nullptr;
  }
  return pLeft;
}

/* ---- top rules ------------------------------------------------------------ */

EXPRNODE *pAddress(EXPRCTX *c)
{
  EXPRNODE *pDisp = pExpression(c);
  if (pDisp == nullptr) return nullptr;
  EXPRNODE *n = pExprNode(c, EN_ADDRESS, pDisp->ulStart);
  n->pLeft = pDisp;
  pDisp->pUp = n;
  if (iPeek(c) == E_LPAREN) {
    c->ulPos++;
    n->usParts = 1;
    if (iPeek(c) != E_COMMA && iPeek(c) >= 0) {
      if ((n->pRight = pExpression(c)) == nullptr) return nullptr;
      n->pRight->pUp = n;
    }
    if (iPeek(c) == E_COMMA) {
      c->ulPos++;
      n->usParts = 2;
      if ((n->pThird = pExpression(c)) == nullptr) return nullptr;
      n->pThird->pUp = n;
    }
    if (iPeek(c) != E_RPAREN) {
      vExprError(c, EM_UNMATCHED_PAREN);
      return nullptr;
    }
    c->ulPos++;
  }
  vFinish(c, n);
  return n;
}

EXPRNODE *pDcOperand(EXPRCTX *c)
{
  if (g_exprHooks.pfnDcOperand != nullptr) return g_exprHooks.pfnDcOperand(c);
  EXPRNODE *n = pExprNode(c, EN_DCOPERAND, c->ulPos);
  c->ulPos = c->ulLength;
  vFinish(c, n);
  return n;
}

void vAppend(char *psz, size_t ulSize, size_t *pulUsed, const char *pszAdd)
{
  while (*pszAdd != '\0' && *pulUsed + 1 < ulSize) psz[(*pulUsed)++] = *pszAdd++;
  psz[*pulUsed] = '\0';
}

} // namespace

EXPRNODE *pExprNode(EXPRCTX *pCtx, uint8_t bKind, uint32_t ulStart)
{
  EXPRNODE *n = static_cast<EXPRNODE *>(pStackAlloc(pCtx->pStack, sizeof(EXPRNODE)));
  n->bKind = bKind;
  n->ulStart = ulStart;
  return n;
}

void vExprError(EXPRCTX *pCtx, int iMsg, ...)
{
  EXPRERROR &e = pCtx->err;
  if (e.sNumber != 0) return;
  char achMessage[EXPR_ERROR_TEXT];
  va_list ap;
  va_start(ap, iMsg);
  std::vsnprintf(achMessage, sizeof achMessage, c_aMsg[iMsg].pszText, ap);
  va_end(ap);
  char achSuffix[32] = "";
  if (pCtx->pszField == nullptr && pCtx->uOperand != 0)
    std::snprintf(achSuffix, sizeof achSuffix, " in operand %u", pCtx->uOperand);
  size_t ulUsed = 0;
  vAppend(e.achText, sizeof e.achText, &ulUsed, achMessage);
  if (pCtx->pszField != nullptr) {
    vAppend(e.achText, sizeof e.achText, &ulUsed, " in ");
    vAppend(e.achText, sizeof e.achText, &ulUsed, pCtx->pszField);
    vAppend(e.achText, sizeof e.achText, &ulUsed, " field");
  }
  vAppend(e.achText, sizeof e.achText, &ulUsed, achSuffix);
  vAppend(e.achText, sizeof e.achText, &ulUsed, ".");
  e.sNumber = c_aMsg[iMsg].sNumber;
  e.bForm = 32;
  e.bSeverity = c_aMsg[iMsg].bSeverity;
  e.ulLength = static_cast<uint32_t>(ulUsed);
}

void vExprUnexpected(EXPRCTX *pCtx, uint8_t b)
{
  uint8_t bHostChar = g_abEbcdicToAscii[b];
  if (bHostChar <= 0x20)
    vExprError(pCtx, EM_UNEXPECTED_CODE, static_cast<unsigned>(b));
  else
    vExprError(pCtx, EM_UNEXPECTED, static_cast<int>(bHostChar));
}

void vExprHostName(char *pszOut, size_t ulSize, const uint8_t *pName, size_t ulLength)
{
  if (ulSize == 0) return;
  size_t ulShown = ulLength > EXPR_NAME_SHOWN ? EXPR_NAME_SHOWN : ulLength;
  size_t ulUsed = 0;
  for (size_t i = 0; i < ulShown && ulUsed + 1 < ulSize; i++)
    pszOut[ulUsed++] = static_cast<char>(g_abEbcdicToAscii[pName[i]]);
  pszOut[ulUsed] = '\0';
  if (ulShown < ulLength) vAppend(pszOut, ulSize, &ulUsed, "...");
}

EXPRCTX *pExprParse(const uint8_t *pText, uint32_t ulLength, unsigned uOperand, const char *pszField, STACKHDR *pStack,
                    uint32_t ulParseFlags, EXPRTOP eTop)
{
  EXPRCTX *c = static_cast<EXPRCTX *>(pStackAlloc(pStack, sizeof(EXPRCTX)));
  return pExprParseInto(c, pText, ulLength, uOperand, pszField, pStack, ulParseFlags, eTop);
}

EXPRCTX *pExprParseInto(EXPRCTX *c, const uint8_t *pText, uint32_t ulLength, unsigned uOperand, const char *pszField,
                        STACKHDR *pStack, uint32_t ulParseFlags, EXPRTOP eTop)
{
  /* everything but the error text, which is read only after an error wrote
     it */
  constexpr size_t ulText = offsetof(EXPRCTX, err) + offsetof(EXPRERROR, achText);
  constexpr size_t ulAfter = offsetof(EXPRCTX, err) + sizeof(EXPRERROR);
  std::memset(c, 0, ulText);
  std::memset(reinterpret_cast<uint8_t *>(c) + ulAfter, 0, sizeof(EXPRCTX) - ulAfter);
  c->pText = pText;
  c->ulLength = pText != nullptr ? ulLength : 0;
  c->pszField = pszField;
  c->uOperand = uOperand;
  c->ulParseFlags = ulParseFlags & ~static_cast<uint32_t>(PF_HAS_LITERAL);
  c->lLocSection = -1;
  c->pStack = pStack;
  EXPRNODE *n = nullptr;
  switch (eTop) {
  case ET_EXPRESSION:
    n = pExpression(c);
    break;
  case ET_ADDRESS:
    n = pAddress(c);
    break;
  case ET_LITERAL:
    c->ulParseFlags |= PF_IN_LITERAL;
    n = pDcOperand(c);
    break;
  case ET_DCOPERAND:
    n = pDcOperand(c);
    break;
  }
  if (n != nullptr && c->ulPos < c->ulLength) {
    vExprUnexpected(c, c->pText[c->ulPos]);
    n = nullptr;
  }
  if (n != nullptr && !bExprFailed(c)) {
    n->pUp = nullptr;
    c->pTree = n;
  }
  return c;
}
