/*
** cnd1.cpp - conditional-assembly expressions: arithmetic, boolean and
** character expressions over the variable symbols of a macro level, the
** substitution of variable symbols into model statement fields, and the
** operands of AIF and AGO.
**
** Calls: lbl, var1.
** Called by: mac1, var1.
**
** The parser evaluates as it reads (recursive descent over the EBCDIC text);
** every function returns false after the first error, which is kept in the
** caller's CONDDIAG.  Values are typed: arithmetic (32-bit, computed in 64
** bits with a range check), boolean, or character (at most 255 characters).
** AND, OR, XOR and NOT are bitwise inside arithmetic expressions and logical
** in boolean ones; a parenthesised group inside a boolean expression is
** arithmetic when an arithmetic or relational operator follows it.
**
** The operand of an AIF, SETA, SETB or SETC model statement is also kept
** in a parsed form (CONDFORM), built by reading the text the way the parser
** does.  The form never reports anything: when it meets what it does not
** cover, or its evaluation fails in any way, the parser evaluates the text
** from the start, so every value and diagnostic is the parser's.
*/
#include "cnd1.h"

#include <climits>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "asm0.h"
#include "chars.h"
#include "lbl.h"
#include "opt.h"
#include "src1.h"
#include "var1.h"

namespace {

/* Texts with %s take host text, %c a letter, %u a number. */
enum CNDMSG {
  MSG_OPERAND_LONG, /* 115: operand */
  MSG_FIELD_LONG,   /* 115: field name */
  MSG_PAREN,        /* 116 */
  MSG_QUOTES,       /* 116 */
  MSG_FIELD_QUOTE,  /* 116 */
  MSG_FIELD_RIGHT,  /* 116 */
  MSG_FIELD_LEFT,   /* 116 */
  MSG_OMITTED,      /* 113 */
  MSG_OPERAND1,     /* 111 */
  MSG_INVALID,      /* 201: the generic syntax error of the parser */
  MSG_LARGE,        /* 202 */
  MSG_INCOMPLETE,   /* 203 */
  MSG_AMPERSAND,    /* 204 */
  MSG_LOCATION,     /* 224 */
  MSG_OVERFLOW,     /* 225 */
  MSG_SYMBOL_ATTR,  /* 228: letter, name */
  MSG_SYMBOL_VALUE, /* 228: name */
  MSG_SYMBOL,       /* 228: name */
  MSG_RELOCATABLE,  /* 228 */
  MSG_FUNCTION,     /* 242: word */
  MSG_OPERATOR,     /* 243: word */
  MSG_SEQUENCE,     /* 244: name */
  MSG_TOO_LONG,     /* 252 */
  MSG_DUPLICATION,  /* 253 */
  MSG_START,        /* 254 */
  MSG_LENGTH,       /* 255 */
  MSG_BEYOND,       /* 256 */
  MSG_ATTR_CHAR,    /* 257: letter */
  MSG_ATTR_ARITH,   /* 258: letter */
  MSG_ATTR_VAR,     /* 259: letter, name */
  MSG_NONNUMERIC,   /* 260 */
  MSG_COUNT
};
const MSGDEF c_aMsg[] = {
    {115, 12, "Operand %u is too long."},
    {115, 12, "%s field is too long."},
    {116, 12, "Unmatched '('"},
    {116, 12, "Unmatched quotes"},
    {116, 12, "Unmatched quote in operand field."},
    {116, 12, "Unmatched ')' in operand field."},
    {116, 12, "Unmatched '(' in operand field."},
    {113, 12, "Required operand was omitted."},
    {111, 12, "Operand 1 is invalid"},
    {201, 12, "Invalid character expression"},
    {202, 12, "Self-defining value is too large"},
    {203, 12, "Incomplete expression"},
    {204, 12, "Unpaired ampersand"},
    {224, 12, "Invalid location counter reference"},
    {225, 12, "Overflow occurred while evaluating expression"},
    {228, 12, "%c' attribute of symbol %s is not defined"},
    {228, 12, "Value of symbol %s is not defined"},
    {228, 12, "Symbol %s is not defined"},
    {228, 12, "Relocatable expression"},
    {242, 12, "%s is an invalid arithmetic function"},
    {243, 12, "%s is an invalid operator"},
    {244, 12, ". %s is an invalid sequence symbol"},
    {252, 12, "Character expression is too long"},
    {253, 12, "Invalid duplication factor"},
    {254, 12, "Invalid substring starting index"},
    {255, 12, "Invalid substring length"},
    {256, 12, "Substring index beyond end of string"},
    {257, 12, "%c' attribute is invalid in a character expression"},
    {258, 12, "%c' attribute is invalid in an arithmetic expression"},
    {259, 12, "%c' attribute of &%s is not defined"},
    {260, 12, "Nonnumeric value in arithmetic expression"},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

constexpr int DEPTH_MAX = 64;
/* Parenthesised groups one evaluation may read.  A group that turns out to
   be a relation is read again as one, so nested groups could otherwise
   cost twice as much per level; real expressions stay far below this. */
constexpr uint32_t GROUPS_MAX = 10000;
constexpr uint32_t SEQ_NAME_MAX = 62;

struct VAL {
  char cType = 'A';       /* 'A', 'B' or 'C' */
  bool bCharTerm = false; /* a quoted string, T'/O' or a string form */
  int32_t l = 0;
  std::string s;
};

struct CTX {
  const MACLEVEL *pLevel;
  const uint8_t *p;
  uint32_t n;
  uint32_t i;
  CONDDIAG *pDiag;
  int iDepth;
  uint32_t ulGroups;        /* groups read so far (GROUPS_MAX) */
  std::string strElement{}; /* a sublist element taken from another */
};

bool bDiagFormat(CONDDIAG *pDiag, const MSGDEF &msg, va_list ap)
{
  if (pDiag != nullptr && pDiag->iNumber == 0) {
    pDiag->iNumber = msg.sNumber;
    std::vsnprintf(pDiag->achText, sizeof pDiag->achText, msg.pszText, ap);
  }
  return false;
}

bool bDiag(CONDDIAG *pDiag, const MSGDEF *pMsg, ...)
{
  va_list ap;
  va_start(ap, pMsg);
  bDiagFormat(pDiag, *pMsg, ap);
  va_end(ap);
  return false;
}

bool bFail(CTX &c, int e, ...)
{
  va_list ap;
  va_start(ap, e);
  bDiagFormat(c.pDiag, c_aMsg[e], ap);
  va_end(ap);
  return false;
}

/* Host text of an EBCDIC name (cut to fit). */
std::string strHost(const uint8_t *p, size_t n)
{
  std::string s;
  for (size_t k = 0; k < n && k < 100; k++) s += static_cast<char>(g_abEbcdicToAscii[p[k]]);
  return s;
}

inline bool bLetter(uint8_t b) { return (g_abClass[b] & CC_LETTER) != 0; }
inline bool bAlnum(uint8_t b) { return (g_abClass[b] & (CC_LETTER | CC_NAME)) != 0; }
inline bool bDigit(uint8_t b) { return (g_abClass[b] & CC_DIGIT) != 0; }
inline uint8_t bPeek(const CTX &c, uint32_t k = 0) { return c.i + k < c.n ? c.p[c.i + k] : 0; }
inline void vBlanks(CTX &c)
{
  while (c.i < c.n && c.p[c.i] == EBCDIC_BLANK) c.i++;
}

/* Length of the word (letters only) at c.i. */
uint32_t ulWord(const CTX &c)
{
  uint32_t k = c.i;
  while (k < c.n && bLetter(c.p[k]) && !bDigit(c.p[k])) k++;
  if (k < c.n && bDigit(c.p[k])) return 0;
  return k - c.i;
}

bool bWordIs(const CTX &c, uint32_t ulLen, const char *psz)
{
  for (uint32_t k = 0; k < ulLen; k++)
    if (psz[k] == '\0' || g_abUpper[c.p[c.i + k]] != g_abAsciiToEbcdic[static_cast<uint8_t>(psz[k])]) return false;
  return psz[ulLen] == '\0';
}

/* Whether the word of ulLen at c.i names a string function (UPPER, LOWER,
   DOUBLE) that may open a group. */
bool bStringFunction(const CTX &c, uint32_t ulLen)
{
  return bWordIs(c, ulLen, "UPPER") || bWordIs(c, ulLen, "LOWER") || bWordIs(c, ulLen, "DOUBLE");
}

/* Arithmetic function words: code and name. */
struct FUNCWORD {
  char cCode;
  const char *pszName;
};
const FUNCWORD c_aFunc[] = {{'&', "AND"}, {'|', "OR"},  {'^', "XOR"},  {'{', "SLA"},  {'[', "SLL"},
                            {'}', "SRA"}, {']', "SRL"}, {'F', "FIND"}, {'X', "INDEX"}};
const FUNCWORD c_aRel[] = {{'=', "EQ"}, {'N', "NE"}, {'>', "GT"}, {'<', "LT"}, {'G', "GE"}, {'L', "LE"}};

char cWordCode(const CTX &c, uint32_t ulLen, const FUNCWORD *pTable, size_t ulCount)
{
  for (size_t k = 0; k < ulCount; k++)
    if (bWordIs(c, ulLen, pTable[k].pszName)) return pTable[k].cCode;
  return 0;
}

/* A word is an operator word only when a blank, '(' , quote, '&' or the
   end follows it: "AND" in "ANDY" is a name. */
bool bWordEnds(const CTX &c, uint32_t ulLen)
{
  uint32_t k = c.i + ulLen;
  return k >= c.n || !bAlnum(c.p[k]);
}

std::string strWordHost(const CTX &c)
{
  uint32_t k = c.i;
  while (k < c.n && bAlnum(c.p[k])) k++;
  return strHost(c.p + c.i, k - c.i);
}

/* ---- values --------------------------------------------------------------- */

void vDecimal(int32_t l, std::string *pOut)
{
  char ach[16];
  uint32_t n = 0;
  uint32_t u = l < 0 ? 0u - static_cast<uint32_t>(l) : static_cast<uint32_t>(l);
  do {
    ach[n++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (l < 0) ach[n++] = '-';
  pOut->resize(n);
  for (uint32_t k = 0; k < n; k++)
    (*pOut)[k] = static_cast<char>(g_abAsciiToEbcdic[static_cast<uint8_t>(ach[n - 1 - k])]);
}

void vToC(VAL &v)
{
  if (v.cType == 'C') return;
  vDecimal(v.l, &v.s);
  v.cType = 'C';
}

/* A self-defining term at p: decimal, X'..', B'..' or C'..'.  0 with its
   value and length, -1 when there is none, else a message of c_aMsg. */
int iSelfDefining(const uint8_t *p, uint32_t n, uint32_t *pulUsed, int32_t *plValue)
{
  if (n == 0) return -1;
  uint64_t ull = 0;
  if (bDigit(p[0])) {
    uint32_t k = 0;
    for (; k < n && bDigit(p[k]); k++) {
      ull = ull * 10 + (p[k] - E_0);
      if (ull > 0x7FFFFFFFull) return MSG_LARGE;
    }
    *pulUsed = k;
    *plValue = static_cast<int32_t>(ull);
    return 0;
  }
  if (n < 2 || p[1] != E_QUOTE) return -1;
  uint8_t cKind = g_abUpper[p[0]];
  if (cKind != E_X && cKind != E_B && cKind != E_C) return -1;
  uint32_t k = 2, ulChars = 0;
  for (;;) {
    if (k >= n) return MSG_QUOTES;
    uint8_t b = p[k];
    if (b == E_QUOTE) {
      if (cKind == E_C && k + 1 < n && p[k + 1] == E_QUOTE) {
        k++;
      } else {
        break;
      }
    } else if (cKind == E_C && b == E_AMP) {
      if (k + 1 >= n || p[k + 1] != E_AMP) return MSG_AMPERSAND;
      k++;
    }
    if (cKind == E_X) {
      if (!(g_abClass[b] & CC_HEX)) return MSG_INVALID;
      if (ull > 0x0FFFFFFF) return MSG_LARGE;
      ull = ull * 16 + (bDigit(b) ? b - E_0 : (g_abUpper[b] - E_A + 10));
    } else if (cKind == E_B) {
      if (b != E_0 && b != E_1) return MSG_INVALID;
      if (ull & 0x80000000ull) return MSG_LARGE;
      ull = ull * 2 + (b - E_0);
    } else {
      if (++ulChars > 4) return MSG_LARGE;
      ull = (ull << 8) | b;
    }
    k++;
  }
  if (k == 2 && cKind != E_C) return -1; /* B'' and X'' are no terms */
  *pulUsed = k + 1;
  *plValue = static_cast<int32_t>(static_cast<uint32_t>(ull));
  return 0;
}

/* The number a character value stands for: an optionally signed
   self-defining term, optionally inside redundant parentheses. */
bool bNumeric(const std::string &s, int32_t *pl)
{
  const uint8_t *p = reinterpret_cast<const uint8_t *>(s.data());
  uint32_t n = static_cast<uint32_t>(s.size());
  if (n == 0) {
    *pl = 0;
    return true;
  }
  while (n >= 2 && p[0] == E_LPAREN && p[n - 1] == E_RPAREN) {
    p++;
    n -= 2;
  }
  bool bNeg = false;
  if (n > 0 && (p[0] == E_PLUS || p[0] == E_MINUS)) {
    bNeg = p[0] == E_MINUS;
    p++;
    n--;
  }
  uint32_t ulUsed = 0;
  int32_t l = 0;
  if (iSelfDefining(p, n, &ulUsed, &l) != 0 || ulUsed != n) return false;
  *pl = bNeg ? static_cast<int32_t>(0u - static_cast<uint32_t>(l)) : l;
  return true;
}

bool bToA(CTX &c, VAL &v)
{
  if (v.cType == 'C') {
    if (!bNumeric(v.s, &v.l)) return bFail(c, MSG_NONNUMERIC);
    v.s.clear();
  }
  v.cType = 'A';
  v.bCharTerm = false;
  return true;
}

bool bRange(CTX &c, int64_t ll, int32_t *pl)
{
  if (ll > INT32_MAX || ll < INT32_MIN) return bFail(c, MSG_OVERFLOW);
  *pl = static_cast<int32_t>(ll);
  return true;
}

bool bArith(CTX &c, char cOp, int32_t a, int32_t b, int32_t *pl)
{
  int64_t x = a, y = b;
  switch (cOp) {
  case '+':
    return bRange(c, x + y, pl);
  case '-':
    return bRange(c, x - y, pl);
  case '*':
    return bRange(c, x * y, pl);
  default:
    if (y == 0) {
      *pl = 0;
      return true;
    }
    return bRange(c, x / y, pl);
  }
}

int32_t lShift(char cOp, int32_t a, int32_t lCount)
{
  uint32_t n = static_cast<uint32_t>(lCount) & 63, u = static_cast<uint32_t>(a);
  if (n == 0) return a;
  switch (cOp) {
  case '[':
    return n >= 32 ? 0 : static_cast<int32_t>(u << n);
  case ']':
    return n >= 32 ? 0 : static_cast<int32_t>(u >> n);
  case '{':
    if (n >= 32) return static_cast<int32_t>(u & 0x80000000u);
    return static_cast<int32_t>(((u << n) & 0x7FFFFFFFu) | (u & 0x80000000u));
  default:
    return n >= 32 ? (a < 0 ? -1 : 0) : (a >> n);
  }
}

int32_t lFind(const std::string &s, const std::string &t)
{
  for (size_t k = 0; k < s.size(); k++)
    if (t.find(s[k]) != std::string::npos) return static_cast<int32_t>(k + 1);
  return 0;
}

int32_t lIndex(const std::string &s, const std::string &t)
{
  if (s.empty() || t.empty() || t.size() > s.size()) return 0;
  size_t k = s.find(t);
  return k == std::string::npos ? 0 : static_cast<int32_t>(k + 1);
}

/* Applies an arithmetic function code to two values. */
bool bFunction(CTX &c, char cCode, VAL &v, VAL &w)
{
  if (cCode == 'F' || cCode == 'X') {
    vToC(v);
    vToC(w);
    v.l = cCode == 'F' ? lFind(v.s, w.s) : lIndex(v.s, w.s);
    v.cType = 'A';
    v.bCharTerm = false;
    v.s.clear();
    return true;
  }
  if (!bToA(c, v) || !bToA(c, w)) return false;
  switch (cCode) {
  case '&':
    v.l &= w.l;
    break;
  case '|':
    v.l |= w.l;
    break;
  case '^':
    v.l ^= w.l;
    break;
  default:
    v.l = lShift(cCode, v.l, w.l);
    break;
  }
  return true;
}

/* Character comparison: the shorter string is the lower. */
int iCompare(const std::string &a, const std::string &b)
{
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return std::memcmp(a.data(), b.data(), a.size());
}

/* Whether a relation (its code in c_aRel) holds for a comparison result. */
bool bHolds(char cRel, int iCmp)
{
  switch (cRel) {
  case '=':
    return iCmp == 0;
  case 'N':
    return iCmp != 0;
  case '>':
    return iCmp > 0;
  case '<':
    return iCmp < 0;
  case 'G':
    return iCmp >= 0;
  default:
    return iCmp <= 0;
  }
}

bool bRelation(CTX &c, char cRel, VAL &v, VAL &w)
{
  int iCmp = 0;
  if (v.bCharTerm || w.bCharTerm) {
    vToC(v);
    vToC(w);
    iCmp = iCompare(v.s, w.s);
  } else {
    if (!bToA(c, v) || !bToA(c, w)) return false;
    iCmp = v.l < w.l ? -1 : v.l > w.l ? 1 : 0;
  }
  v.cType = 'B';
  v.bCharTerm = false;
  v.l = bHolds(cRel, iCmp) ? 1 : 0;
  v.s.clear();
  return true;
}

bool bTruth(CTX &c, VAL &v, bool *pb)
{
  if (v.cType == 'C' && !bToA(c, v)) return false;
  *pb = v.l != 0;
  return true;
}

/* ---- sublists and symbol attributes -------------------------------------- */

/* Offsets of the matching ')' of the '(' at p[0], or n. */
size_t ulMatching(const uint8_t *p, size_t n)
{
  int iDepth = 0;
  STRINGS str;
  for (size_t k = 0; k < n; k++) {
    if (!c_abListStop[p[k]] || str.bTake(p, k, n)) continue;
    if (p[k] == E_LPAREN) {
      iDepth++;
    } else if (p[k] == E_RPAREN && --iDepth == 0) {
      return k;
    }
  }
  return n;
}

bool bIsSublist(const std::string &s)
{
  const uint8_t *p = reinterpret_cast<const uint8_t *>(s.data());
  return s.size() >= 2 && p[0] == E_LPAREN && ulMatching(p, s.size()) == s.size() - 1;
}

bool bSymbolName(const uint8_t *p, size_t n)
{
  if (n == 0 || n > SYM_NAME_MAX || !bLetter(p[0]) || bDigit(p[0])) return false;
  for (size_t k = 1; k < n; k++)
    if (!bAlnum(p[k])) return false;
  return true;
}

SYMBOL *pSymbolOf(const uint8_t *p, size_t n)
{
  uint8_t ab[SYM_NAME_MAX];
  if (!bSymbolName(p, n)) return nullptr;
  for (size_t k = 0; k < n; k++) ab[k] = g_abUpper[p[k]];
  SYMBOL *pSym = pSymbolFind(ab, n);
  if (pSym != nullptr && (pSym->bFlags & SYMF_UNDEFINED)) return nullptr;
  return pSym;
}

/* Attributes of an ordinary symbol: from the table, else from the source
   ahead when the reader's look-ahead is installed. */
bool bSymbolAttrs(const uint8_t *p, size_t n, CONDATTR *pAttr)
{
  SYMBOL *pSym = pSymbolOf(p, n);
  if (pSym != nullptr) {
    *pAttr = CONDATTR{pSym->bType != 0 ? pSym->bType : E_U, pSym->lLength, pSym->sScale};
    return true;
  }
  if (g_pfnCondLookahead == nullptr || !bSymbolName(p, n)) return false;
  uint8_t ab[SYM_NAME_MAX];
  for (size_t k = 0; k < n; k++) ab[k] = g_abUpper[p[k]];
  return g_pfnCondLookahead(ab, static_cast<uint32_t>(n), pAttr);
}

/* T' of an ordinary symbol; without bAhead 0 when only the source ahead
   could tell it. */
uint8_t bTypeOfSymbol(const uint8_t *p, size_t n, bool bAhead = true)
{
  CONDATTR attr{};
  if (!bAhead && pSymbolOf(p, n) == nullptr) return 0;
  return bSymbolAttrs(p, n, &attr) ? attr.bType : E_U;
}

/* T' of a value: O empty, N a self-defining term, a symbol's type, else U. */
uint8_t bTypeOfValue(const std::string &s, bool bAhead = true)
{
  if (s.empty()) return E_O;
  int32_t l = 0;
  uint32_t ulUsed = 0;
  const uint8_t *p = reinterpret_cast<const uint8_t *>(s.data());
  if (iSelfDefining(p, static_cast<uint32_t>(s.size()), &ulUsed, &l) == 0 && ulUsed == s.size()) return E_N;
  if (bSymbolName(p, s.size())) return bTypeOfSymbol(p, s.size(), bAhead);
  return E_U;
}

/* O' of an operation name. */
uint8_t bOperationType(const uint8_t *p, size_t n)
{
  uint8_t ab[64];
  if (n == 0 || n > 63) return E_U;
  for (size_t k = 0; k < n; k++) ab[k] = g_abUpper[p[k]];
  ab[n] = 0;
  const uint8_t *pRec = static_cast<const uint8_t *>(pOpindexFind(ab));
  if (pRec == nullptr) return E_U;
  if (pRec[0] == OPK_ASSEMBLER) return E_A;
  if (pRec[0] == OPK_MACRO) return E_M;
  return E_O;
}

/* L', S', I' or D' of an ordinary symbol. */
bool bSymbolAttribute(CTX &c, char cLetter, const uint8_t *p, size_t n, int32_t *pl)
{
  if (cLetter == 'D') {
    *pl = pSymbolOf(p, n) != nullptr ? 1 : 0;
    return true;
  }
  CONDATTR attr{};
  if (!bSymbolAttrs(p, n, &attr) || (cLetter != 'S' && attr.lLength < 0) ||
      (cLetter != 'L' && attr.sScale <= SYM_SCALE_UNKNOWN))
    return bFail(c, MSG_SYMBOL_ATTR, cLetter, strHost(p, n).c_str());
  int32_t lLen = attr.lLength, lScale = attr.sScale;
  if (cLetter == 'L') {
    *pl = lLen;
  } else if (cLetter == 'S') {
    *pl = lScale;
  } else {
    switch (g_abEbcdicToAscii[attr.bType]) {
    case 'F':
    case 'H':
    case 'G':
      *pl = 8 * lLen - lScale - 1;
      break;
    case 'E':
    case 'D':
    case 'L':
      *pl = 2 * (lLen - 1) - lScale;
      break;
    case 'P':
      *pl = 2 * lLen - lScale - 1;
      break;
    case 'Z':
      *pl = lLen - lScale;
      break;
    default:
      *pl = 0;
      break;
    }
  }
  return true;
}

/* ---- the parser ------------------------------------------------------------ */

bool bExprA(CTX &c, char cCtx, VAL &v);
bool bBoolXor(CTX &c, VAL &v);
bool bConcat(CTX &c, VAL &v);
bool bVarRef(CTX &c, bool bDot, VARREF &ref);

struct DEPTH {
  CTX &c;
  explicit DEPTH(CTX &cx) : c(cx) { c.iDepth++; }
  ~DEPTH() { c.iDepth--; }
  bool bTooDeep() const { return c.iDepth > DEPTH_MAX; }
};

/* A message of the variable symbols about the referenced name. */
bool bRefDiag(CTX &c, VARMSG e, const VARREF &ref)
{
  return bDiag(c.pDiag, &g_aVarMsg[e], strHost(ref.abName, ref.ulName).c_str());
}

/* The value of a variable reference (with its subscripts) to pVar. */
bool bVarValue(CTX &c, const VARREF &ref, const VARSYM *pVar, VAL &v)
{
  uint8_t bType = pVar->bFlags & VT_MASK;
  v.bCharTerm = false;
  v.cType = bType == VT_A ? 'A' : bType == VT_B ? 'B' : 'C';
  if (ref.ulSubs == 0) {
    if (pVar->bFlags & VF_DIM) return bRefDiag(c, VARM_SUBSCRIPT, ref);
    v.l = pVar->lValue;
    if (v.cType == 'C') v.s = pVar->strValue;
    return true;
  }
  bool bSyslist = (pVar->bFlags & VF_FROM0) != 0;
  for (uint32_t k = 0; k < ref.ulSubs; k++) {
    int32_t l = ref.alSub[k];
    if (l < ((bSyslist && k == 0) ? 0 : 1) || l > static_cast<int32_t>(SUBSCRIPT_MAX))
      return bRefDiag(c, VARM_SUBSCRIPT, ref);
  }
  if (bSyslist || pVar->bKind == VK_PARM) {
    /* the element, and the element of that for each further subscript */
    const std::string *pFrom = bSyslist ? &rVarElementText(pVar, static_cast<uint32_t>(ref.alSub[0])) : &pVar->strValue;
    v.cType = 'C';
    for (uint32_t k = bSyslist ? 1 : 0; k < ref.ulSubs; k++) {
      if (pFrom != &v.s) { /* the first element taken: straight into the value */
        vCondSublistElement(c.pLevel, *pFrom, static_cast<uint32_t>(ref.alSub[k]), &v.s);
        pFrom = &v.s;
        continue;
      }
      vCondSublistElement(c.pLevel, *pFrom, static_cast<uint32_t>(ref.alSub[k]), &c.strElement);
      v.s.swap(c.strElement);
    }
    if (pFrom != &v.s) v.s = *pFrom;
    return true;
  }
  if (!(pVar->bFlags & VF_DIM) || ref.ulSubs != 1) return bRefDiag(c, VARM_SUBSCRIPT, ref);
  if (v.cType == 'C')
    v.s = rVarElementText(pVar, static_cast<uint32_t>(ref.alSub[0]));
  else
    v.l = lVarElement(pVar, static_cast<uint32_t>(ref.alSub[0]));
  return true;
}

/* The value of a variable reference; *ppVar the variable. */
bool bRefValue(CTX &c, const VARREF &ref, VAL &v, VARSYM **ppVar = nullptr)
{
  VARSYM *pVar = pVarFind(c.pLevel, ref.abName, ref.ulName, ref.bHash);
  if (pVar == nullptr) return bRefDiag(c, VARM_UNDEFINED, ref);
  if (ppVar != nullptr) *ppVar = pVar;
  return bVarValue(c, ref, pVar, v);
}

/* Appends the value of a variable reference as characters. */
bool bRefAppend(CTX &c, const VARREF &ref, std::string *pOut)
{
  const VARSYM *pVar = pVarFind(c.pLevel, ref.abName, ref.ulName, ref.bHash);
  if (pVar == nullptr) return bRefDiag(c, VARM_UNDEFINED, ref);
  if (ref.ulSubs == 0 && (pVar->bFlags & (VT_MASK | VF_DIM)) == VT_C) {
    *pOut += pVar->strValue; /* the common case, without a copy */
    return true;
  }
  VAL v;
  if (!bVarValue(c, ref, pVar, v)) return false;
  vToC(v);
  *pOut += v.s;
  return true;
}

/* T' of a variable reference whose value is s. */
uint8_t bTypeOfVar(const VARSYM *pVar, const VARREF &ref, const std::string &s, bool bAhead = true)
{
  if ((pVar->bFlags & VT_MASK) != VT_C) return E_N;
  if (ref.ulSubs == 0 && pVar->bAttr > 1) return pVar->bAttr;
  return bTypeOfValue(s, bAhead);
}

/* K' of a variable whose value is l or s. */
int32_t lLengthOf(const VARSYM *pVar, int32_t l, const std::string &s)
{
  if ((pVar->bFlags & VT_MASK) == VT_C) return static_cast<int32_t>(s.size());
  uint32_t u = l < 0 ? 0u - static_cast<uint32_t>(l) : static_cast<uint32_t>(l);
  int32_t lDigits = 1;
  for (; u >= 10; u /= 10) lDigits++;
  return lDigits;
}

/* N' of a variable named without subscripts. */
int32_t lNumberOf(const MACLEVEL *pLevel, const VARSYM *pVar)
{
  if (pVar->bFlags & VF_FROM0) return static_cast<int32_t>(pVar->ulCount > 0 ? pVar->ulCount - 1 : 0);
  if (pVar->bFlags & VF_DIM) return static_cast<int32_t>(pVar->ulCount);
  if (pVar->bKind == VK_PARM) return static_cast<int32_t>(ulCondSublistCount(pLevel, pVar->strValue));
  return 0;
}

/* An attribute reference; c.i is at the letter.  cCtx: 'A' arithmetic, 'B'
   operand of a relation (T' and O' give characters), 'C' character. */
bool bAttribute(CTX &c, char cCtx, VAL &v)
{
  char cLetter = static_cast<char>(g_abEbcdicToAscii[g_abUpper[c.p[c.i]]]);
  c.i += 2;
  bool bChar = cLetter == 'T' || cLetter == 'O';
  if (cCtx == 'C' && !bChar) return bFail(c, MSG_ATTR_CHAR, cLetter);
  if (cCtx == 'A' && bChar) return bFail(c, MSG_ATTR_ARITH, cLetter);
  v = VAL{};
  if (bPeek(c) == E_AMP) {
    VARREF ref;
    uint32_t ulStart = c.i;
    if (!bVarRef(c, false, ref)) return false;
    VARSYM *pVar = nullptr;
    VAL w;
    if (cLetter == 'N') {
      pVar = pVarFind(c.pLevel, ref.abName, ref.ulName, ref.bHash);
      if (pVar == nullptr) return bRefDiag(c, VARM_UNDEFINED, ref);
      if (ref.ulSubs == 0 || (pVar->bFlags & VF_DIM && !(pVar->bFlags & VF_FROM0))) {
        v.l = lNumberOf(c.pLevel, pVar);
        return true;
      }
    }
    if (!bRefValue(c, ref, w, &pVar)) return false;
    bool bNumber = (pVar->bFlags & VT_MASK) != VT_C;
    switch (cLetter) {
    case 'N':
      v.l = static_cast<int32_t>(ulCondSublistCount(c.pLevel, w.s));
      return true;
    case 'K':
      v.l = lLengthOf(pVar, w.l, w.s);
      return true;
    case 'T':
    case 'O':
      v.cType = 'C';
      v.bCharTerm = true;
      if (cLetter == 'T')
        v.s.assign(1, static_cast<char>(bTypeOfVar(pVar, ref, w.s)));
      else
        v.s.assign(1, static_cast<char>(
                          bNumber ? E_U : bOperationType(reinterpret_cast<const uint8_t *>(w.s.data()), w.s.size())));
      return true;
    default:
      if (bNumber) {
        std::string strRef = strHost(c.p + ulStart + 1, c.i - ulStart - 1);
        return bFail(c, MSG_ATTR_VAR, cLetter, strRef.c_str());
      }
      /* an omitted value has no length; another value that is no symbol
         name (a number, a literal, a register in parentheses) length 1 */
      if (w.s.empty() || !bSymbolName(reinterpret_cast<const uint8_t *>(w.s.data()), w.s.size())) {
        v.l = cLetter == 'L' && !w.s.empty() ? 1 : 0;
        return true;
      }
      return bSymbolAttribute(c, cLetter, reinterpret_cast<const uint8_t *>(w.s.data()), w.s.size(), &v.l);
    }
  }
  if (bPeek(c) == E_STAR) return bFail(c, MSG_LOCATION);
  uint32_t ulStart = c.i;
  while (c.i < c.n && bAlnum(c.p[c.i])) c.i++;
  uint32_t ulLen = c.i - ulStart;
  if (ulLen == 0) return bFail(c, c.i >= c.n ? MSG_INCOMPLETE : MSG_INVALID);
  const uint8_t *pName = c.p + ulStart;
  switch (cLetter) {
  case 'T':
  case 'O':
    v.cType = 'C';
    v.bCharTerm = true;
    v.s.assign(1, static_cast<char>(cLetter == 'T' ? bTypeOfSymbol(pName, ulLen) : bOperationType(pName, ulLen)));
    return true;
  case 'N':
  case 'K':
    return bFail(c, MSG_ATTR_ARITH, cLetter);
  default:
    return bSymbolAttribute(c, cLetter, pName, ulLen, &v.l);
  }
}

/* An ordinary symbol as an arithmetic term. */
bool bSymbolTerm(CTX &c, VAL &v)
{
  uint32_t ulStart = c.i;
  while (c.i < c.n && bAlnum(c.p[c.i])) c.i++;
  const uint8_t *p = c.p + ulStart;
  uint32_t n = c.i - ulStart;
  std::string strName = strHost(p, n);
  SYMBOL *pSym = pSymbolOf(p, n);
  if (pSym == nullptr) return bFail(c, MSG_SYMBOL, strName.c_str());
  if (pSym->lValue == -1 || (pSym->bFlags & SYMF_VALUE_PENDING)) return bFail(c, MSG_SYMBOL_VALUE, strName.c_str());
  if (pSym->lSection != -1) return bFail(c, MSG_RELOCATABLE);
  v = VAL{};
  v.l = pSym->lValue;
  return true;
}

/* Reads the body of a quoted string from its opening quote: '' is one
   quote, && stays two ampersands.  fText(p, n) takes text, fVar() reads the
   variable symbol at c.i; false when either does, or at the end of the text
   before the closing quote (c.i then at the end). */
template <typename TEXT, typename VAR> bool bReadQuoted(CTX &c, TEXT fText, VAR fVar)
{
  c.i++;
  for (;;) {
    if (c.i >= c.n) return false;
    const uint8_t *p = c.p + c.i;
    if (p[0] == E_QUOTE && bPeek(c, 1) != E_QUOTE) {
      c.i++;
      return true;
    }
    if (p[0] == E_AMP && bPeek(c, 1) != E_AMP) {
      if (!fVar()) return false;
      continue;
    }
    bool bPair = p[0] == E_QUOTE || p[0] == E_AMP;
    c.i += bPair ? 2 : 1;
    if (!fText(p, p[0] == E_AMP ? 2u : 1u)) return false;
  }
}

/* The body of a quoted string from its opening quote, variable symbols
   replaced. */
bool bQuoted(CTX &c, std::string &s)
{
  s.clear();
  auto fLength = [&] { return s.size() <= VALUE_MAX || bFail(c, MSG_TOO_LONG); };
  auto fText = [&](const uint8_t *p, uint32_t n) {
    s.append(reinterpret_cast<const char *>(p), n);
    return fLength();
  };
  auto fVar = [&] {
    VARREF ref;
    VAL w;
    if (!bVarRef(c, true, ref) || !bRefValue(c, ref, w)) return false;
    vToC(w);
    s += w.s;
    return fLength();
  };
  if (bReadQuoted(c, fText, fVar)) return true;
  return c.i >= c.n ? bFail(c, MSG_QUOTES) : false;
}

/* Reads the (S,L) or (S,*) of a substring from its '(': fValue() reads S
   and L.  The number of values read, 0 when fValue fails, -1 when no ')'
   closes them. */
template <typename VALUE> int iReadSubstring(CTX &c, VALUE fValue)
{
  c.i++;
  vBlanks(c);
  if (!fValue()) return 0;
  vBlanks(c);
  int iValues = 1;
  if (bPeek(c) == E_COMMA) {
    c.i++;
    vBlanks(c);
    if (bPeek(c) == E_STAR) {
      c.i++;
    } else {
      if (!fValue()) return 0;
      iValues = 2;
    }
    vBlanks(c);
  }
  if (bPeek(c) != E_RPAREN) return -1;
  c.i++;
  return iValues;
}

/* Cuts s to its substring from character lStart (1 the first) to its end
   (bRest) or of lLength characters; false with the message when the start
   or the length is invalid. */
bool bCutSubstring(std::string &s, int32_t lStart, bool bRest, int32_t lLength, int *piMsg)
{
  *piMsg = lStart < 1                                 ? MSG_START
           : !bRest && lLength < 0                    ? MSG_LENGTH
           : static_cast<uint32_t>(lStart) > s.size() ? MSG_BEYOND
                                                      : -1;
  if (*piMsg >= 0) return false;
  size_t ulRest = s.size() - static_cast<size_t>(lStart - 1);
  size_t ulLen = bRest ? ulRest : static_cast<size_t>(lLength);
  if (ulLen > ulRest) {
    *piMsg = MSG_LENGTH;
    if (g_asm.ulFlagInForce & FLAG_SUBSTR) return false;
    ulLen = ulRest;
  }
  s.erase(0, static_cast<size_t>(lStart - 1));
  s.resize(ulLen);
  return true;
}

/* A substring (S,L) right after a string, when one follows. */
bool bSubstring(CTX &c, std::string &s)
{
  if (bPeek(c) != E_LPAREN) return true;
  VAL av[2];
  int k = 0;
  int iValues = iReadSubstring(c, [&] { return bExprA(c, 'A', av[k]) && bToA(c, av[k++]); });
  if (iValues == 0) return false;
  if (iValues < 0) return bFail(c, c.i >= c.n ? MSG_PAREN : MSG_INVALID);
  int iMsg = 0;
  return bCutSubstring(s, av[0].l, iValues == 1, av[1].l, &iMsg) || bFail(c, iMsg);
}

/* Whether the '(' at c.i starts an arithmetic group inside a boolean
   expression: an arithmetic or relational operator, or a string to
   duplicate, follows its ')'. */
bool bArithmeticGroup(const CTX &c)
{
  size_t k = c.i + ulMatching(c.p + c.i, c.n - c.i);
  if (k >= c.n) return false;
  k++;
  if (k < c.n && c.p[k] == E_QUOTE) return true;
  while (k < c.n && c.p[k] == EBCDIC_BLANK) k++;
  if (k >= c.n) return false;
  uint8_t b = c.p[k];
  if (b == E_PLUS || b == E_MINUS || b == E_STAR || b == E_SLASH) return true;
  CTX d = c;
  d.i = static_cast<uint32_t>(k);
  uint32_t ulLen = ulWord(d);
  return ulLen > 0 && bWordEnds(d, ulLen) && cWordCode(d, ulLen, c_aRel, std::size(c_aRel)) != 0;
}

/* A parenthesised group at c.i: a string function, a duplication factor
   with its string, an arithmetic function form, an arithmetic or a boolean
   expression. */
bool bGroup(CTX &c, char cCtx, VAL &v)
{
  DEPTH depth(c);
  if (depth.bTooDeep() || ++c.ulGroups > GROUPS_MAX) return bFail(c, MSG_INVALID);
  char cInner = cCtx == 'B' && !bArithmeticGroup(c) ? 'B' : 'A';
  c.i++;
  vBlanks(c);
  uint32_t ulLen = ulWord(c);
  uint8_t bAfter = c.i + ulLen < c.n ? c.p[c.i + ulLen] : 0;
  bool bWord = ulLen > 0 && (bAfter == EBCDIC_BLANK || bAfter == E_LPAREN || bAfter == E_QUOTE || bAfter == E_AMP);
  v = VAL{};
  if (bWord && bStringFunction(c, ulLen)) {
    char cFn = static_cast<char>(g_abEbcdicToAscii[g_abUpper[c.p[c.i]]]);
    c.i += ulLen;
    vBlanks(c);
    if (!bConcat(c, v)) return false;
    std::string t;
    for (char ch : v.s) {
      uint8_t b = static_cast<uint8_t>(ch);
      if (cFn == 'U') {
        t += static_cast<char>(g_abUpper[b]);
      } else if (cFn == 'L') {
        bool bUpper = (b >= 0xC1 && b <= 0xC9) || (b >= 0xD1 && b <= 0xD9) || (b >= 0xE2 && b <= 0xE9);
        t += static_cast<char>(bUpper ? b - 0x40 : b);
      } else {
        t += ch;
        if (b == E_QUOTE || b == E_AMP) t += ch;
      }
    }
    if (t.size() > VALUE_MAX) return bFail(c, MSG_TOO_LONG);
    v.s.swap(t);
    v.bCharTerm = true;
  } else if (cInner == 'B' && cCtx == 'B') {
    if (!bBoolXor(c, v)) return false;
  } else if (bWord && bWordIs(c, ulLen, "NOT")) {
    c.i += ulLen;
    vBlanks(c);
    if (!bExprA(c, 'A', v) || !bToA(c, v)) return false;
    v.l = ~v.l;
  } else {
    uint32_t ulStart = c.i;
    if (!bExprA(c, 'A', v)) return false;
    vBlanks(c);
    if (c.i < c.n && c.p[c.i] != E_RPAREN && ulWord(c) > 0 && bWordEnds(c, ulWord(c)) &&
        cWordCode(c, ulWord(c), c_aRel, std::size(c_aRel)) != 0) {
      /* a relation: the group is a boolean expression after all */
      c.i = ulStart;
      if (!bBoolXor(c, v)) return false;
    } else if (c.i < c.n && c.p[c.i] != E_RPAREN) {
      ulLen = ulWord(c);
      char cCode = ulLen > 0 && bWordEnds(c, ulLen) ? cWordCode(c, ulLen, c_aFunc, std::size(c_aFunc)) : 0;
      if (cCode == 0) {
        if (ulLen == 0) return bFail(c, MSG_INVALID);
        return bFail(c, MSG_FUNCTION, strWordHost(c).c_str());
      }
      c.i += ulLen;
      vBlanks(c);
      if (c.i >= c.n || c.p[c.i] == E_RPAREN) return bFail(c, MSG_INCOMPLETE);
      VAL w;
      if (!bExprA(c, 'A', w)) return false;
      if (!bFunction(c, cCode, v, w)) return false;
      vBlanks(c);
    }
  }
  vBlanks(c);
  if (c.i >= c.n) return bFail(c, MSG_PAREN);
  if (c.p[c.i] != E_RPAREN) {
    uint32_t ulWordLen = ulWord(c);
    if (ulWordLen > 0) return bFail(c, MSG_OPERATOR, strWordHost(c).c_str());
    return bFail(c, MSG_INVALID);
  }
  c.i++;
  /* a duplication factor */
  if (bPeek(c) == E_QUOTE) {
    if (!bToA(c, v)) return false;
    if (v.l < 0) return bFail(c, MSG_DUPLICATION);
    if (v.l > static_cast<int32_t>(VALUE_MAX)) return bFail(c, MSG_TOO_LONG);
    std::string s;
    if (!bQuoted(c, s) || !bSubstring(c, s)) return false;
    if (s.size() * static_cast<size_t>(v.l) > VALUE_MAX) return bFail(c, MSG_TOO_LONG);
    v.cType = 'C';
    v.bCharTerm = true;
    v.s.clear();
    for (int32_t k = 0; k < v.l; k++) v.s += s;
  } else if (cCtx == 'C' && v.cType != 'C') {
    return bFail(c, MSG_INVALID);
  }
  return true;
}

bool bPrimary(CTX &c, char cCtx, VAL &v)
{
  uint8_t b = bPeek(c);
  if (c.i >= c.n || b == E_RPAREN || b == E_COMMA) return bFail(c, MSG_INCOMPLETE);
  if (b == E_LPAREN) return bGroup(c, cCtx, v);
  if (b == E_AMP) {
    VARREF ref;
    return bVarRef(c, true, ref) && bRefValue(c, ref, v);
  }
  if (b == E_QUOTE) return bConcat(c, v);
  if (b == E_STAR) return bFail(c, MSG_LOCATION);
  if (bPeek(c, 1) == E_QUOTE && bLetter(b)) {
    uint8_t u = g_abUpper[b];
    if (u == E_N || u == E_K || u == E_L || u == E_S || u == E_I || u == E_D || u == E_T || u == E_O)
      return bAttribute(c, cCtx, v);
  }
  if (bDigit(b) || (bPeek(c, 1) == E_QUOTE && bLetter(b))) {
    uint32_t ulUsed = 0;
    v = VAL{};
    int iMsg = iSelfDefining(c.p + c.i, c.n - c.i, &ulUsed, &v.l);
    if (iMsg > 0) return bFail(c, iMsg);
    if (iMsg < 0) return bFail(c, MSG_INVALID);
    c.i += ulUsed;
    return true;
  }
  if (bLetter(b)) return bSymbolTerm(c, v);
  return bFail(c, MSG_INVALID);
}

bool bUnary(CTX &c, char cCtx, VAL &v)
{
  uint8_t b = bPeek(c);
  if (b == E_PLUS || b == E_MINUS) {
    DEPTH depth(c);
    if (depth.bTooDeep()) return bFail(c, MSG_INVALID);
    c.i++;
    if (!bUnary(c, cCtx, v) || !bToA(c, v)) return false;
    if (b == E_MINUS) return bRange(c, -static_cast<int64_t>(v.l), &v.l);
    return true;
  }
  return bPrimary(c, cCtx, v);
}

/* An operator character after optional blanks (inside parentheses). */
uint8_t bOperatorAhead(const CTX &c, uint32_t *pulAt)
{
  uint32_t k = c.i;
  while (k < c.n && c.p[k] == EBCDIC_BLANK) k++;
  *pulAt = k;
  return k < c.n ? c.p[k] : 0;
}

bool bMul(CTX &c, char cCtx, VAL &v)
{
  if (!bUnary(c, cCtx, v)) return false;
  for (;;) {
    uint32_t k = 0;
    uint8_t b = bOperatorAhead(c, &k);
    if (b != E_STAR && b != E_SLASH) return true;
    c.i = k + 1;
    vBlanks(c);
    VAL w;
    if (!bToA(c, v) || !bUnary(c, cCtx, w) || !bToA(c, w)) return false;
    if (!bArith(c, b == E_STAR ? '*' : '/', v.l, w.l, &v.l)) return false;
  }
}

bool bExprA(CTX &c, char cCtx, VAL &v)
{
  if (!bMul(c, cCtx, v)) return false;
  for (;;) {
    uint32_t k = 0;
    uint8_t b = bOperatorAhead(c, &k);
    if (b != E_PLUS && b != E_MINUS) return true;
    c.i = k + 1;
    vBlanks(c);
    VAL w;
    if (!bToA(c, v) || !bMul(c, cCtx, w) || !bToA(c, w)) return false;
    if (!bArith(c, b == E_PLUS ? '+' : '-', v.l, w.l, &v.l)) return false;
  }
}

/* The operator word after optional blanks: its length and position. */
uint32_t ulWordAhead(CTX &c, uint32_t *pulAt)
{
  uint32_t k = c.i;
  while (k < c.n && c.p[k] == EBCDIC_BLANK) k++;
  *pulAt = k;
  if (k >= c.n || !bLetter(c.p[k])) return 0; /* no word starts there */
  CTX d = c;
  d.i = k;
  uint32_t ulLen = ulWord(d);
  return ulLen > 0 && bWordEnds(d, ulLen) ? ulLen : 0;
}

bool bWordAheadIs(CTX &c, const char *psz, uint32_t *pulNext)
{
  uint32_t ulAt = 0, ulLen = ulWordAhead(c, &ulAt);
  CTX d = c;
  d.i = ulAt;
  if (ulLen == 0 || !bWordIs(d, ulLen, psz)) return false;
  *pulNext = ulAt + ulLen;
  return true;
}

/* After an operator word: blanks, and an operand must follow. */
bool bOperandFollows(CTX &c, uint32_t ulNext)
{
  c.i = ulNext;
  vBlanks(c);
  if (c.i >= c.n || c.p[c.i] == E_RPAREN) return bFail(c, MSG_INCOMPLETE);
  return true;
}

bool bRelational(CTX &c, VAL &v)
{
  if (!bExprA(c, 'B', v)) return false;
  for (;;) {
    uint32_t ulAt = 0, ulLen = ulWordAhead(c, &ulAt);
    if (ulLen == 0) return true;
    CTX d = c;
    d.i = ulAt;
    char cRel = cWordCode(d, ulLen, c_aRel, std::size(c_aRel));
    char cFn = cRel != 0 ? 0 : cWordCode(d, ulLen, c_aFunc, std::size(c_aFunc)); /* a relation is no function */
    if (cRel == 0 && (cFn == 0 || cFn == '&' || cFn == '|' || cFn == '^')) return true;
    if (!bOperandFollows(c, ulAt + ulLen)) return false;
    VAL w;
    if (!bExprA(c, cRel != 0 ? 'B' : 'A', w)) return false;
    if (cRel != 0 ? !bRelation(c, cRel, v, w) : !bFunction(c, cFn, v, w)) return false;
  }
}

bool bBoolNot(CTX &c, VAL &v)
{
  uint32_t ulNext = 0;
  if (bWordAheadIs(c, "NOT", &ulNext)) {
    DEPTH depth(c);
    if (depth.bTooDeep()) return bFail(c, MSG_INVALID);
    bool b = false;
    if (!bOperandFollows(c, ulNext) || !bBoolNot(c, v) || !bTruth(c, v, &b)) return false;
    v.cType = 'B';
    v.l = b ? 0 : 1;
    return true;
  }
  return bRelational(c, v);
}

bool bBoolBinary(CTX &c, VAL &v, int iLevel)
{
  static const char *const s_apszOp[] = {"XOR", "OR", "AND"};
  if (!(iLevel == 2 ? bBoolNot(c, v) : bBoolBinary(c, v, iLevel + 1))) return false;
  for (uint32_t ulNext = 0; bWordAheadIs(c, s_apszOp[iLevel], &ulNext);) {
    VAL w;
    bool a = false, b = false;
    if (!bOperandFollows(c, ulNext)) return false;
    if (!(iLevel == 2 ? bBoolNot(c, w) : bBoolBinary(c, w, iLevel + 1))) return false;
    if (!bTruth(c, v, &a) || !bTruth(c, w, &b)) return false;
    v.cType = 'B';
    v.bCharTerm = false;
    v.l = iLevel == 0 ? (a != b) : iLevel == 1 ? (a || b) : (a && b);
  }
  return true;
}

bool bBoolXor(CTX &c, VAL &v) { return bBoolBinary(c, v, 0); }

/* A character expression: terms joined by juxtaposition or by '.'. */
bool bConcat(CTX &c, VAL &v)
{
  DEPTH depth(c);
  if (depth.bTooDeep()) return bFail(c, MSG_INVALID);
  std::string s, t;
  for (;;) {
    uint8_t b = bPeek(c);
    if (c.i >= c.n || b == EBCDIC_BLANK || b == E_RPAREN) return bFail(c, MSG_INCOMPLETE);
    if (b == E_QUOTE) {
      if (!bQuoted(c, t) || !bSubstring(c, t)) return false;
    } else if (b == E_AMP) {
      VARREF ref;
      VAL w;
      if (!bVarRef(c, true, ref) || !bRefValue(c, ref, w)) return false;
      vToC(w);
      t.swap(w.s);
    } else if (b == E_LPAREN) {
      VAL w;
      if (!bGroup(c, 'C', w)) return false;
      t.swap(w.s);
    } else if (bPeek(c, 1) == E_QUOTE && bLetter(b) && g_abUpper[b] != E_C && g_abUpper[b] != E_X &&
               g_abUpper[b] != E_B) {
      VAL w;
      if (!bAttribute(c, 'C', w)) return false;
      t.swap(w.s);
    } else {
      return bFail(c, MSG_INVALID);
    }
    s += t;
    if (s.size() > VALUE_MAX) return bFail(c, MSG_TOO_LONG);
    b = bPeek(c);
    uint8_t bNext = bPeek(c, 1);
    if (b == E_DOT &&
        (bNext == E_QUOTE || bNext == E_AMP || bNext == E_LPAREN || (bLetter(bNext) && bPeek(c, 2) == E_QUOTE))) {
      c.i++;
    } else if (b != E_QUOTE && b != E_AMP) {
      break;
    }
  }
  v = VAL{};
  v.cType = 'C';
  v.bCharTerm = true;
  v.s.swap(s);
  return true;
}

/* A created name &(...): text and variable symbols up to the ')'; c.i is
   at the '('.  Kept apart from the plain names, which are most. */
[[gnu::noinline]] bool bCreatedName(CTX &c, VARREF &ref)
{
  c.i++;
  VAL v;
  while (bPeek(c) != E_RPAREN) {
    if (c.i >= c.n) return bFail(c, MSG_PAREN);
    if (c.p[c.i] == E_AMP) {
      VARREF inner;
      VAL w;
      if (!bVarRef(c, true, inner) || !bRefValue(c, inner, w)) return false;
      vToC(w);
      v.s += w.s;
    } else {
      v.s += static_cast<char>(c.p[c.i++]);
    }
    if (v.s.size() > VALUE_MAX) return bFail(c, MSG_TOO_LONG);
  }
  c.i++;
  const uint8_t *p = reinterpret_cast<const uint8_t *>(v.s.data());
  if (v.s.empty() || v.s.size() > VAR_NAME_MAX || !bLetter(p[0]) || bDigit(p[0]))
    return bDiag(c.pDiag, &g_aVarMsg[VARM_NAME]);
  for (size_t k = 0; k < v.s.size(); k++) {
    if (!bAlnum(p[k])) return bDiag(c.pDiag, &g_aVarMsg[VARM_NAME]);
    ref.abName[k] = g_abUpper[p[k]];
  }
  ref.ulName = static_cast<uint32_t>(v.s.size());
  ref.bHash = bPearsonHash(ref.abName, ref.ulName);
  return true;
}

/* The subscripts of a reference; c.i is at the '('. */
[[gnu::noinline]] bool bSubscripts(CTX &c, VARREF &ref)
{
  c.i++;
  for (;;) {
    vBlanks(c);
    VAL v;
    if (!bExprA(c, 'A', v) || !bToA(c, v)) return false;
    if (ref.ulSubs >= VARREF_SUBS_MAX) return bRefDiag(c, VARM_SUBSCRIPT, ref);
    ref.alSub[ref.ulSubs++] = v.l;
    vBlanks(c);
    uint8_t b = bPeek(c);
    c.i++;
    if (b == E_RPAREN) return true;
    if (b != E_COMMA) return bFail(c, b == 0 && c.i > c.n ? MSG_PAREN : MSG_INVALID);
  }
}

bool bVarRef(CTX &c, bool bDot, VARREF &ref)
{
  DEPTH depth(c);
  if (depth.bTooDeep()) return bFail(c, MSG_INVALID);
  ref.ulName = 0;
  ref.ulSubs = 0;
  c.i++; /* the ampersand */
  if (c.i >= c.n) return bFail(c, MSG_AMPERSAND);
  if (c.p[c.i] == E_LPAREN) {
    if (!bCreatedName(c, ref)) return false;
  } else {
    if (!bLetter(c.p[c.i]) || bDigit(c.p[c.i])) return bFail(c, MSG_AMPERSAND);
    uint32_t i = c.i, n = 0;
    uint8_t h = 0; /* bPearsonHash of the name, as it is taken */
    for (; i < c.n && bAlnum(c.p[i]); i++) {
      if (n >= VAR_NAME_MAX) {
        c.i = i;
        return bDiag(c.pDiag, &g_aVarMsg[VARM_NAME]);
      }
      uint8_t u = g_abUpper[c.p[i]];
      ref.abName[n++] = u;
      h = g_abPearsonT1[h ^ u];
    }
    c.i = i;
    ref.ulName = n;
    ref.bHash = h;
  }
  ref.abName[ref.ulName] = 0;
  if (bPeek(c) == E_LPAREN && !bSubscripts(c, ref)) return false;
  if (bDot && bPeek(c) == E_DOT) c.i++;
  return true;
}

/* Runs a parse over a whole text: it must take all of it. */
bool bWhole(CTX &c, bool bOk)
{
  if (!bOk) return false;
  if (c.i < c.n) {
    uint32_t ulLen = ulWord(c);
    if (c.p[c.i] == EBCDIC_BLANK) {
      CTX d = c;
      vBlanks(d);
      ulLen = ulWord(d);
      if (ulLen > 0) return bFail(c, MSG_OPERATOR, strWordHost(d).c_str());
    } else if (ulLen > 0) {
      return bFail(c, MSG_OPERATOR, strWordHost(c).c_str());
    }
    return bFail(c, c.p[c.i] == E_RPAREN ? MSG_INVALID : MSG_INVALID);
  }
  return true;
}

CTX ctxOf(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, CONDDIAG *pDiag)
{
  if (pDiag != nullptr) {
    pDiag->iNumber = 0;
    pDiag->achText[0] = '\0';
  }
  return CTX{pLevel, pText, ulLength, 0, pDiag, 0, 0};
}

/* A sequence symbol at c.i (its period): the name, upper case. */
bool bSequence(CTX &c, std::string *pName)
{
  if (bPeek(c) != E_DOT) return bFail(c, c.i >= c.n ? MSG_INCOMPLETE : MSG_INVALID);
  c.i++;
  uint32_t ulStart = c.i;
  while (c.i < c.n && bAlnum(c.p[c.i])) c.i++;
  uint32_t ulLen = c.i - ulStart;
  if (ulLen > SEQ_NAME_MAX) return bFail(c, MSG_SEQUENCE, strHost(c.p + ulStart, ulLen < 63 ? ulLen : 63).c_str());
  if (ulLen == 0 || bDigit(c.p[ulStart])) return bFail(c, MSG_INVALID);
  pName->resize(ulLen);
  for (uint32_t k = 0; k < ulLen; k++) (*pName)[k] = static_cast<char>(g_abUpper[c.p[ulStart + k]]);
  return true;
}

/* ---- the parsed form ---------------------------------------------------------- */

/* Steps of a CONDFORM.  The builder follows the parser's reading of the
   text step by step and gives up on anything beyond the forms below.  The
   steps work on one stack whose places hold a number or a string: which of
   the two each place holds is fixed when the form is built. */
enum : uint8_t {
  CS_TERM,    /* N' of a variable */
  CS_VAR,     /* the arithmetic value of a variable */
  CS_LENGTH,  /* K' of a variable */
  CS_TYPE,    /* T' of a variable: a string */
  CS_VARSTR,  /* the value of a variable as characters: a string */
  CS_CATVAR,  /* ... appended to the string below its subscripts */
  CS_NUMBER,  /* l */
  CS_STRING,  /* the l characters at ulAt of strNames */
  CS_CATTEXT, /* ... appended to the string on top */
  CS_CAT,     /* the string on top appended to the one below */
  CS_SUBSTR,  /* (start) or (start,length) of the string below: l the number of values */
  CS_TOSTR,   /* the number on top as characters */
  CS_NEG,
  CS_NOT,
  CS_ADD, /* ORDER c_acOp */
  CS_SUB,
  CS_MUL,
  CS_DIV,
  CS_REL,    /* numbers: l the relation's code */
  CS_STRREL, /* strings: l the relation's code */
  CS_XOR,    /* ORDER c_aBool */
  CS_OR,
  CS_AND,
  CS_BRANCH /* AIF: to target l when true; the value is l, 0 when no branch is taken */
};
constexpr uint8_t CS_NAMED = CS_CATVAR; /* the steps up to it name a variable, l its subscripts */
constexpr uint32_t FORM_STACK = 16;     /* values an evaluation holds at once */
constexpr int FORM_NEST = 16;           /* signs, variables, groups and strings inside each other */
static_assert(FORM_NEST < DEPTH_MAX, "the form must not cover what the parser finds too deep");

struct FORMBUILD {
  CTX c;
  CONDFORM *pForm;
  uint32_t ulDepth;   /* values held after the steps so far */
  uint32_t ulStrings; /* bit k: place k holds a string */
  uint32_t ulRaw;     /* bit k: place k holds a group of one variable, whose value the parser keeps as it is */
  uint32_t ulGroups;  /* as the parser counts them (GROUPS_MAX) */
  int iNest;
  char cCtx; /* where the parser would be: 'A' arithmetic, 'B' operand of a relation */
};
struct FORMDEPTH {
  FORMBUILD &f;
  explicit FORMDEPTH(FORMBUILD &fb) : f(fb) { f.iNest++; }
  ~FORMDEPTH() { f.iNest--; }
  bool bTooDeep() const { return f.iNest > FORM_NEST; }
};
/* The parser's context for a part of the text. */
struct FORMCTX {
  FORMBUILD &f;
  char cSaved;
  FORMCTX(FORMBUILD &fb, char cCtx) : f(fb), cSaved(fb.cCtx) { f.cCtx = cCtx; }
  ~FORMCTX() { f.cCtx = cSaved; }
};

/* Whether place k of the stack holds a string. */
bool bIsString(const FORMBUILD &f, uint32_t k) { return (f.ulStrings >> k & 1) != 0; }

/* Appends a step, checking what it takes from the stack: false when the
   form cannot hold it or the parser would have to judge the mixture.  A
   step takes strings, then numbers above them (subscripts, a substring's
   start and length, operands), and leaves a number, a string or nothing. */
bool bFormStep(FORMBUILD &f, const CONDSTEP &step)
{
  uint8_t bOp = step.bOp;
  uint32_t ulNumbers = 0, ulStrings = 0;
  int iLeaves = 0; /* -1 nothing, 0 a number, 1 a string */
  if (bOp <= CS_NAMED) {
    ulNumbers = static_cast<uint32_t>(step.l);
    ulStrings = bOp == CS_CATVAR ? 1 : 0;
    iLeaves = bOp == CS_TYPE || bOp == CS_VARSTR || bOp == CS_CATVAR ? 1 : 0;
  } else {
    switch (bOp) {
    case CS_NUMBER:
      break;
    case CS_STRING:
      iLeaves = 1;
      break;
    case CS_CATTEXT:
      ulStrings = 1;
      iLeaves = 1;
      break;
    case CS_CAT:
      ulStrings = 2;
      iLeaves = 1;
      break;
    case CS_SUBSTR:
      ulNumbers = static_cast<uint32_t>(step.l);
      ulStrings = 1;
      iLeaves = 1;
      break;
    case CS_TOSTR:
      ulNumbers = 1;
      iLeaves = 1;
      break;
    case CS_STRREL:
      ulStrings = 2;
      break;
    case CS_BRANCH:
      ulNumbers = 1;
      iLeaves = -1;
      break;
    case CS_NEG:
    case CS_NOT:
      ulNumbers = 1;
      break;
    default: /* + - * /, a relation of numbers, XOR, OR, AND */
      ulNumbers = 2;
      break;
    }
  }
  if (f.ulDepth < ulNumbers + ulStrings) return false;
  uint32_t ulFrom = f.ulDepth - ulNumbers - ulStrings;
  for (uint32_t k = ulFrom; k < f.ulDepth; k++)
    if (bIsString(f, k) != (k < ulFrom + ulStrings)) return false;
  f.ulDepth = ulFrom;
  if (iLeaves >= 0) {
    if (f.ulDepth >= FORM_STACK) return false;
    uint32_t ulBit = 1u << f.ulDepth++;
    f.ulStrings = iLeaves != 0 ? f.ulStrings | ulBit : f.ulStrings & ~ulBit;
    f.ulRaw &= ~ulBit;
    if (iLeaves != 0 && f.pForm->vecStrings.size() < f.ulDepth) f.pForm->vecStrings.resize(f.ulDepth);
  }
  f.pForm->vecSteps.push_back(step);
  return true;
}
bool bFormStep(FORMBUILD &f, uint8_t bOp, int32_t l = 0) { return bFormStep(f, CONDSTEP{bOp, 0, 0, 0, l, {}}); }

/* Literal text kept in strNames for a CS_STRING or CS_CATTEXT step. */
bool bFormText(FORMBUILD &f, uint8_t bOp, const std::string &strText)
{
  CONDSTEP step{bOp, 0, 0, static_cast<uint32_t>(f.pForm->strNames.size()), static_cast<int32_t>(strText.size()), {}};
  f.pForm->strNames += strText;
  return bFormStep(f, step);
}

bool bFormTerms(FORMBUILD &f, bool bAdd);

/* &NAME with its subscripts; no created name.  bDot: a period after it is
   read with it (inside a string), else no period may follow. */
bool bFormVar(FORMBUILD &f, uint8_t bOp, bool bDot = false)
{
  CTX &c = f.c;
  FORMDEPTH depth(f);
  if (depth.bTooDeep()) return false;
  c.i++;
  if (c.i >= c.n || !bLetter(c.p[c.i]) || bDigit(c.p[c.i])) return false;
  CONDSTEP step{bOp, 0, 0, static_cast<uint32_t>(f.pForm->strNames.size()), 0, {}};
  for (; c.i < c.n && bAlnum(c.p[c.i]); c.i++) {
    if (step.bName >= VAR_NAME_MAX) return false;
    uint8_t u = g_abUpper[c.p[c.i]];
    f.pForm->strNames += static_cast<char>(u);
    step.bHash = g_abPearsonT1[step.bHash ^ u];
    step.bName++;
  }
  if (bPeek(c) == E_LPAREN) {
    FORMCTX ctx(f, 'A');
    c.i++;
    for (;;) {
      vBlanks(c);
      if (step.l >= static_cast<int32_t>(VARREF_SUBS_MAX) || !bFormTerms(f, true)) return false;
      step.l++;
      vBlanks(c);
      uint8_t b = bPeek(c);
      c.i++;
      if (b == E_RPAREN) break;
      if (b != E_COMMA) return false;
    }
  }
  if (bPeek(c) == E_DOT) {
    if (!bDot) return false;
    c.i++;
  }
  return bFormStep(f, step);
}

/* A quoted string from its opening quote, pushed, the variables in it
   appended to it. */
bool bFormQuoted(FORMBUILD &f)
{
  std::string strText;
  bool bPushed = false;
  auto fFlush = [&] {
    bool bOk = !bPushed ? bFormText(f, CS_STRING, strText) : strText.empty() || bFormText(f, CS_CATTEXT, strText);
    bPushed = true;
    strText.clear();
    return bOk;
  };
  auto fText = [&](const uint8_t *p, uint32_t n) {
    strText.append(reinterpret_cast<const char *>(p), n);
    return true;
  };
  auto fVar = [&] { return fFlush() && bFormVar(f, CS_CATVAR, true); };
  return bReadQuoted(f.c, fText, fVar) && fFlush();
}

/* A substring (S,L) or (S,*) after a string. */
bool bFormSubstring(FORMBUILD &f)
{
  FORMCTX ctx(f, 'A');
  int iValues = iReadSubstring(f.c, [&] { return bFormTerms(f, true); });
  return iValues > 0 && bFormStep(f, CS_SUBSTR, iValues);
}

/* A character expression from its quote: strings (each with a substring)
   and variables, joined by juxtaposition or a period. */
bool bFormString(FORMBUILD &f)
{
  CTX &c = f.c;
  FORMDEPTH depth(f);
  if (depth.bTooDeep()) return false;
  for (bool bFirst = true;; bFirst = false) {
    uint8_t b = bPeek(c);
    if (b == E_QUOTE) {
      if (!bFormQuoted(f) || (bPeek(c) == E_LPAREN && !bFormSubstring(f))) return false;
      if (!bFirst && !bFormStep(f, CS_CAT)) return false;
    } else if (b != E_AMP || bFirst || !bFormVar(f, CS_CATVAR, true)) {
      return false;
    }
    b = bPeek(c);
    uint8_t bNext = bPeek(c, 1);
    if (b == E_DOT && (bNext == E_QUOTE || bNext == E_AMP)) {
      c.i++;
    } else if (b == E_DOT && (bNext == E_LPAREN || (bLetter(bNext) && bPeek(c, 2) == E_QUOTE))) {
      return false; /* a group or an attribute joined on */
    } else if (b != E_QUOTE && b != E_AMP) {
      return true;
    }
  }
}

bool bFormBool(FORMBUILD &f, int iLevel);
bool bFormGroup(FORMBUILD &f);

/* A parenthesised arithmetic expression. */
bool bFormArithGroup(FORMBUILD &f)
{
  CTX &c = f.c;
  FORMDEPTH depth(f);
  if (depth.bTooDeep() || ++f.ulGroups > GROUPS_MAX) return false;
  FORMCTX ctx(f, 'A');
  c.i++;
  vBlanks(c);
  uint32_t ulLen = ulWord(c);
  if (ulLen > 0 && (bStringFunction(c, ulLen) || bWordIs(c, ulLen, "NOT"))) return false;
  if (!bFormTerms(f, true)) return false;
  vBlanks(c);
  if (bPeek(c) != E_RPAREN) return false; /* a relation or a function inside: the parser */
  c.i++;
  return bPeek(c) != E_QUOTE;
}

bool bFormPrimary(FORMBUILD &f)
{
  CTX &c = f.c;
  uint8_t b = bPeek(c);
  if (c.i >= c.n) return false;
  if (b == E_AMP) return bFormVar(f, CS_VAR);
  if (b == E_QUOTE) return bFormString(f);
  if (b == E_LPAREN) {
    bool bBool = f.cCtx == 'B' && !bArithmeticGroup(c);
    if (!(bBool ? bFormGroup(f) : bFormArithGroup(f))) return false;
    if (f.pForm->vecSteps.back().bOp == CS_VAR) f.ulRaw |= 1u << (f.ulDepth - 1);
    return true;
  }
  if (bPeek(c, 1) == E_QUOTE && bLetter(b)) {
    uint8_t u = g_abUpper[b];
    if (u == E_N || u == E_K || u == E_T) {
      c.i += 2;
      return bPeek(c) == E_AMP && bFormVar(f, u == E_N ? CS_TERM : u == E_K ? CS_LENGTH : CS_TYPE);
    }
    if (u == E_L || u == E_S || u == E_I || u == E_D || u == E_O) return false;
  }
  uint32_t ulUsed = 0;
  int32_t l = 0;
  if (!bDigit(b) && !bLetter(b)) return false;
  if (iSelfDefining(c.p + c.i, c.n - c.i, &ulUsed, &l) != 0) return false;
  c.i += ulUsed;
  return bFormStep(f, CS_NUMBER, l);
}

bool bFormUnary(FORMBUILD &f)
{
  uint8_t b = bPeek(f.c);
  if (b != E_PLUS && b != E_MINUS) return bFormPrimary(f);
  FORMDEPTH depth(f);
  if (depth.bTooDeep()) return false;
  f.c.i++;
  if (!bFormUnary(f)) return false;
  return b == E_PLUS ? !bIsString(f, f.ulDepth - 1) : bFormStep(f, CS_NEG);
}

/* Terms joined by the operators of one level: '*' '/' or '+' '-'. */
bool bFormTerms(FORMBUILD &f, bool bAdd)
{
  if (!(bAdd ? bFormTerms(f, false) : bFormUnary(f))) return false;
  for (;;) {
    uint32_t k = 0;
    uint8_t b = bOperatorAhead(f.c, &k);
    if (bAdd ? b != E_PLUS && b != E_MINUS : b != E_STAR && b != E_SLASH) return true;
    f.c.i = k + 1;
    vBlanks(f.c);
    if (!(bAdd ? bFormTerms(f, false) : bFormUnary(f))) return false;
    uint8_t bOp = b == E_PLUS ? CS_ADD : b == E_MINUS ? CS_SUB : b == E_STAR ? CS_MUL : CS_DIV;
    if (!bFormStep(f, bOp)) return false;
  }
}

/* The operator word after blanks, when it is one of those given ("" for
   none): *pulNext is after it. */
char cFormWordAhead(FORMBUILD &f, const FUNCWORD *pTable, size_t ulCount, uint32_t *pulNext)
{
  uint32_t ulAt = 0, ulLen = ulWordAhead(f.c, &ulAt);
  if (ulLen == 0) return 0;
  CTX d = f.c;
  d.i = ulAt;
  *pulNext = ulAt + ulLen;
  return cWordCode(d, ulLen, pTable, ulCount);
}

/* After an operator word: blanks, and an operand must follow. */
bool bFormOperandFollows(FORMBUILD &f, uint32_t ulNext)
{
  f.c.i = ulNext;
  vBlanks(f.c);
  return f.c.i < f.c.n && f.c.p[f.c.i] != E_RPAREN;
}

const FUNCWORD c_aBool[] = {{'^', "XOR"}, {'|', "OR"}, {'&', "AND"}}; /* by level */

/* Whether an AND, OR or XOR or nothing comes next. */
bool bFormBoolNext(FORMBUILD &f)
{
  uint32_t ulNext = 0;
  return ulWordAhead(f.c, &ulNext) == 0 || cFormWordAhead(f, c_aBool, std::size(c_aBool), &ulNext) != 0;
}

/* An operand of a relation: *pulEnd the steps after it; *pbVar whether it
   is a variable alone, whose value a comparison of characters takes as it
   is (an expression is a number first). */
bool bFormOperand(FORMBUILD &f, size_t *pulEnd, bool *pbVar)
{
  bool bAmp = bPeek(f.c) == E_AMP;
  if (!bFormTerms(f, true)) return false;
  *pulEnd = f.pForm->vecSteps.size();
  *pbVar = bAmp && f.pForm->vecSteps.back().bOp == CS_VAR;
  return true;
}

/* The operand of a comparison of characters made a string: its steps end
   before ulEnd, its value is place k.  False for a group of one variable,
   whose characters the form does not keep. */
bool bFormAsString(FORMBUILD &f, size_t ulEnd, bool bVar, uint32_t k)
{
  if (bIsString(f, k)) return true;
  if (f.ulRaw >> k & 1) return false;
  std::vector<CONDSTEP> &v = f.pForm->vecSteps;
  if (bVar)
    v[ulEnd - 1].bOp = CS_VARSTR;
  else
    v.insert(v.begin() + static_cast<std::ptrdiff_t>(ulEnd), CONDSTEP{CS_TOSTR, 0, 0, 0, 0, {}});
  f.ulStrings |= 1u << k;
  if (f.pForm->vecStrings.size() <= k) f.pForm->vecStrings.resize(k + 1);
  return true;
}

/* An arithmetic or character expression, and one relation with another
   after it: characters are compared when either side is a string. */
bool bFormRelation(FORMBUILD &f)
{
  FORMCTX ctx(f, 'B');
  size_t ulLeft = 0, ulRight = 0;
  bool bLeftVar = false, bRightVar = false;
  if (!bFormOperand(f, &ulLeft, &bLeftVar)) return false;
  uint32_t ulNext = 0;
  char cRel = cFormWordAhead(f, c_aRel, std::size(c_aRel), &ulNext);
  if (cRel == 0) return bFormBoolNext(f);
  if (!bFormOperandFollows(f, ulNext) || !bFormOperand(f, &ulRight, &bRightVar)) return false;
  uint32_t k = f.ulDepth - 2;
  if (!bIsString(f, k) && !bIsString(f, k + 1)) return bFormStep(f, CS_REL, cRel) && bFormBoolNext(f);
  /* the right side first: its steps come after the left's */
  return bFormAsString(f, ulRight, bRightVar, k + 1) && bFormAsString(f, ulLeft, bLeftVar, k) &&
         bFormStep(f, CS_STRREL, cRel) && bFormBoolNext(f);
}

bool bFormNot(FORMBUILD &f)
{
  uint32_t ulNext = 0, ulLen = ulWordAhead(f.c, &ulNext);
  CTX d = f.c;
  d.i = ulNext;
  if (ulLen == 0 || !bWordIs(d, ulLen, "NOT")) return bFormRelation(f);
  FORMDEPTH depth(f);
  return !depth.bTooDeep() && bFormOperandFollows(f, ulNext + ulLen) && bFormNot(f) && bFormStep(f, CS_NOT);
}

/* XOR (level 0) of OR of AND of NOT and relations. */
bool bFormBool(FORMBUILD &f, int iLevel)
{
  auto fOperand = [&] { return iLevel == 2 ? bFormNot(f) : bFormBool(f, iLevel + 1); };
  if (!fOperand()) return false;
  for (;;) {
    uint32_t ulNext = 0;
    if (cFormWordAhead(f, &c_aBool[iLevel], 1, &ulNext) == 0) return true;
    if (!bFormOperandFollows(f, ulNext) || !fOperand() || !bFormStep(f, static_cast<uint8_t>(CS_XOR + iLevel)))
      return false;
  }
}

/* A group read as a boolean expression. */
bool bFormGroup(FORMBUILD &f)
{
  CTX &c = f.c;
  if (bPeek(c) != E_LPAREN || bArithmeticGroup(c)) return false;
  FORMDEPTH depth(f);
  if (depth.bTooDeep() || ++f.ulGroups > GROUPS_MAX) return false;
  c.i++;
  vBlanks(c);
  uint32_t ulLen = ulWord(c);
  if (ulLen > 0 && bStringFunction(c, ulLen)) return false;
  if (!bFormBool(f, 0)) return false;
  vBlanks(c);
  if (bPeek(c) != E_RPAREN) return false;
  c.i++;
  return bPeek(c) != E_QUOTE;
}

/* (cond).SEQ[,(cond).SEQ...]: each condition followed by a branch step to
   its target. */
bool bFormAif(FORMBUILD &f)
{
  for (;;) {
    std::string strName;
    if (!bFormGroup(f) || !bSequence(f.c, &strName)) return false;
    f.pForm->vecTargets.push_back(strName);
    if (!bFormStep(f, CS_BRANCH, static_cast<int32_t>(f.pForm->vecTargets.size()))) return false;
    if (f.c.i >= f.c.n) return true;
    if (f.c.p[f.c.i] != E_COMMA) return false;
    f.c.i++;
  }
}

/* Builds the form of a text once: cKind 'A' arithmetic, 'B' boolean,
   'C' character, 'I' AIF operand; false when the form does not cover the
   text. */
bool bFormBuilt(CONDFORM *pForm, char cKind, const uint8_t *pText, uint32_t ulLength)
{
  if (pForm->bState == 0) {
    pForm->cKind = cKind;
    FORMBUILD f{CTX{nullptr, pText, ulLength, 0, nullptr, 0, 0}, pForm, 0, 0, 0, 0, 0, cKind == 'B' ? 'B' : 'A'};
    bool bOk = false;
    if (cKind == 'I')
      bOk = bFormAif(f) && f.ulDepth == 0;
    else if (cKind == 'C')
      bOk = bPeek(f.c) == E_QUOTE && bFormString(f) && f.ulDepth == 1 && bIsString(f, 0);
    else if (cKind == 'A' || bPeek(f.c) != E_LPAREN)
      bOk = bFormTerms(f, true) && f.ulDepth == 1 && !bIsString(f, 0);
    else
      bOk = bFormGroup(f) && f.ulDepth == 1 && !bIsString(f, 0);
    pForm->bState = bOk && f.c.i == f.c.n ? 1 : 2;
    if (pForm->bState != 1) {
      pForm->vecSteps.clear();
      pForm->strNames.clear();
      pForm->vecTargets.clear();
      pForm->vecStrings.clear();
    }
  }
  return pForm->bState == 1 && pForm->cKind == cKind; /* a substituted operation may read it otherwise */
}

/* The arithmetic value of a variable named without subscripts; false when
   the parser has to judge it. */
bool bVarNumber(const VARSYM *pVar, int32_t *plValue)
{
  if (pVar->bFlags & VF_DIM) return false;
  if ((pVar->bFlags & VT_MASK) == VT_C) return bNumeric(pVar->strValue, plValue);
  *plValue = pVar->lValue;
  return true;
}

/* Evaluates a form into *plValue, or *pstrValue for a character form;
   false when the parser has to (an error of any kind). */
bool bFormValue(const CONDFORM &form, const MACLEVEL *pLevel, int32_t *plValue, std::string *pstrValue = nullptr)
{
  int32_t al[FORM_STACK];
  std::vector<std::string> &as = form.vecStrings;
  uint32_t n = 0;
  const auto *pNames = reinterpret_cast<const uint8_t *>(form.strNames.data());
  CTX c{pLevel, nullptr, 0, 0, nullptr, 0, 0}; /* no diagnostics kept */
  for (const CONDSTEP &s : form.vecSteps) {
    if (s.bOp == CS_VAR && s.l == 0) { /* the most common step first */
      const VARSYM *pVar = pVarFindKept(pLevel, pNames + s.ulAt, s.bName, s.bHash, &s.kept);
      if (pVar == nullptr || !bVarNumber(pVar, &al[n++])) return false;
      continue;
    }
    switch (s.bOp) {
    case CS_NUMBER:
      al[n++] = s.l;
      continue;
    case CS_STRING:
      as[n++].assign(form.strNames, s.ulAt, static_cast<size_t>(s.l));
      if (s.l > static_cast<int32_t>(VALUE_MAX)) return false;
      continue;
    case CS_CATTEXT:
      as[n - 1].append(form.strNames, s.ulAt, static_cast<size_t>(s.l));
      if (as[n - 1].size() > VALUE_MAX) return false;
      continue;
    case CS_CAT:
      n--;
      as[n - 1] += as[n];
      if (as[n - 1].size() > VALUE_MAX) return false;
      continue;
    case CS_SUBSTR: {
      n -= static_cast<uint32_t>(s.l);
      int iMsg = 0;
      if (!bCutSubstring(as[n - 1], al[n], s.l == 1, s.l == 2 ? al[n + 1] : 0, &iMsg)) return false;
      continue;
    }
    case CS_TOSTR:
      vDecimal(al[n - 1], &as[n - 1]);
      continue;
    default:
      break;
    }
    if (s.bOp <= CS_NAMED) {
      const VARSYM *pVar = pVarFindKept(pLevel, pNames + s.ulAt, s.bName, s.bHash, &s.kept);
      if (pVar == nullptr) return false;
      auto ulSubs = static_cast<uint32_t>(s.l);
      n -= ulSubs;
      bool bSublist = !(pVar->bFlags & VF_DIM) || (pVar->bFlags & VF_FROM0);
      if (s.bOp == CS_TERM && (ulSubs == 0 || !bSublist)) {
        al[n++] = lNumberOf(pLevel, pVar);
        continue;
      }
      VARREF ref;
      ref.ulName = 0;
      ref.ulSubs = ulSubs;
      std::memcpy(ref.alSub, al + n, ulSubs * sizeof al[0]);
      const std::string *pText = &pVar->strValue; /* the value of a plain character variable, without a copy */
      VAL v;
      if (ulSubs != 0 || (pVar->bFlags & (VT_MASK | VF_DIM)) != VT_C) {
        if (!bVarValue(c, ref, pVar, v)) return false;
        if (s.bOp == CS_VARSTR || s.bOp == CS_CATVAR) vToC(v);
        pText = &v.s;
      }
      switch (s.bOp) {
      case CS_TERM:
        al[n++] = static_cast<int32_t>(ulCondSublistCount(pLevel, *pText));
        break;
      case CS_VAR:
        if (v.cType != 'C')
          al[n++] = v.l;
        else if (!bNumeric(*pText, &al[n++]))
          return false;
        break;
      case CS_LENGTH:
        al[n++] = lLengthOf(pVar, v.l, *pText);
        break;
      case CS_TYPE: {
        uint8_t bType = bTypeOfVar(pVar, ref, *pText, false);
        if (bType == 0) return false; /* the source ahead would have to be read: the parser does */
        as[n++].assign(1, static_cast<char>(bType));
        break;
      }
      case CS_VARSTR:
        as[n++] = *pText;
        break;
      default: /* CS_CATVAR */
        as[n - 1] += *pText;
        if (as[n - 1].size() > VALUE_MAX) return false;
        break;
      }
      continue;
    }
    if (s.bOp == CS_NEG) {
      if (!bRange(c, -static_cast<int64_t>(al[n - 1]), &al[n - 1])) return false;
      continue;
    }
    if (s.bOp == CS_NOT) {
      al[n - 1] = al[n - 1] == 0;
      continue;
    }
    if (s.bOp == CS_BRANCH) {
      if (al[--n] == 0) continue;
      *plValue = s.l;
      return true;
    }
    n--;
    if (s.bOp == CS_STRREL) {
      al[n - 1] = bHolds(static_cast<char>(s.l), iCompare(as[n - 1], as[n]));
      continue;
    }
    int32_t a = al[n - 1], b = al[n];
    if (s.bOp >= CS_XOR) {
      bool x = a != 0, y = b != 0;
      al[n - 1] = s.bOp == CS_XOR ? x != y : s.bOp == CS_OR ? x || y : x && y;
    } else if (s.bOp == CS_REL) {
      al[n - 1] = bHolds(static_cast<char>(s.l), a < b ? -1 : a > b ? 1 : 0);
    } else {
      static const char c_acOp[] = {'+', '-', '*', '/'};
      if (!bArith(c, c_acOp[s.bOp - CS_ADD], a, b, &al[n - 1])) return false;
    }
  }
  if (pstrValue != nullptr) {
    pstrValue->swap(as[0]);
    return true;
  }
  *plValue = n > 0 ? al[0] : 0;
  return true;
}

/* The value of a text through its kept form, when that covers it. */
bool bFormEval(CONDFORM *pForm, char cKind, const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength,
               int32_t *plValue, CONDDIAG *pDiag, std::string *pstrValue = nullptr)
{
  if (pForm == nullptr || !bFormBuilt(pForm, cKind, pText, ulLength)) return false;
  if (!bFormValue(*pForm, pLevel, plValue, pstrValue)) return false;
  ctxOf(pLevel, pText, ulLength, pDiag);
  return true;
}

/* ---- the parsed form of a substituted field ------------------------------------ */

enum : uint8_t {
  SP_TEXT,   /* literal text */
  SP_VAR,    /* a variable reference; its subscripts follow */
  SP_NUMBER, /* a subscript: a decimal number */
  SP_SUBVAR  /* a subscript: a variable */
};

/* Literal text appended to the form: to the run before when that is text. */
void vSubstText(SUBSTFORM *pForm, const uint8_t *p, uint32_t n)
{
  if (pForm->vecParts.empty() || pForm->vecParts.back().bKind != SP_TEXT)
    pForm->vecParts.push_back(SUBSTPART{SP_TEXT, 0, 0, static_cast<uint32_t>(pForm->strText.size()), 0, 0, {}});
  pForm->vecParts.back().ulLen += n;
  pForm->strText.append(reinterpret_cast<const char *>(p), n);
}

/* The name after an ampersand at p[*pi], as bVarRef reads it, into a part
   of kind bKind; false where it reads none. */
bool bSubstName(SUBSTFORM *pForm, const uint8_t *p, uint32_t n, uint32_t *pi, uint8_t bKind)
{
  uint32_t i = *pi;
  if (i >= n || !bLetter(p[i]) || bDigit(p[i])) return false;
  SUBSTPART part{bKind, 0, 0, static_cast<uint32_t>(pForm->strText.size()), 0, 0, {}};
  for (; i < n && bAlnum(p[i]); i++) {
    if (part.ulLen >= VAR_NAME_MAX) return false;
    uint8_t u = g_abUpper[p[i]];
    pForm->strText += static_cast<char>(u);
    part.bHash = g_abPearsonT1[part.bHash ^ u];
    part.ulLen++;
  }
  pForm->vecParts.push_back(part);
  *pi = i;
  return true;
}

/* Builds the form of a field by reading it the way bSubstitute does; false
   at anything beyond the form. */
bool bSubstBuild(SUBSTFORM *pForm, const uint8_t *p, uint32_t n)
{
  pForm->vecParts.clear();
  pForm->strText.clear();
  pForm->bVars = false;
  for (uint32_t i = 0; i < n;) {
    if (p[i] != E_AMP) {
      const void *pAmp = std::memchr(p + i + 1, E_AMP, n - i - 1);
      auto e = pAmp != nullptr ? static_cast<uint32_t>(static_cast<const uint8_t *>(pAmp) - p) : n;
      vSubstText(pForm, p + i, e - i);
      i = e;
      continue;
    }
    if (i + 1 < n && (p[i + 1] == E_AMP || (!bLetter(p[i + 1]) && p[i + 1] != E_LPAREN))) {
      uint32_t k = p[i + 1] == E_AMP ? 2 : 1; /* "&&", or an ampersand the statement's checks see */
      vSubstText(pForm, p + i, k);
      i += k;
      continue;
    }
    i++;
    size_t ulRef = pForm->vecParts.size();
    if (!bSubstName(pForm, p, n, &i, SP_VAR)) return false;
    if (i < n && p[i] == E_LPAREN) {
      for (i++;;) {
        if (pForm->vecParts[ulRef].bSubs >= VARREF_SUBS_MAX) return false;
        if (i < n && p[i] == E_AMP) {
          i++;
          if (!bSubstName(pForm, p, n, &i, SP_SUBVAR)) return false;
        } else {
          uint32_t ulUsed = 0;
          int32_t l = 0;
          if (i >= n || !bDigit(p[i]) || iSelfDefining(p + i, n - i, &ulUsed, &l) != 0) return false;
          pForm->vecParts.push_back(SUBSTPART{SP_NUMBER, 0, 0, 0, 0, l, {}});
          i += ulUsed;
        }
        pForm->vecParts[ulRef].bSubs++;
        uint8_t b = i < n ? p[i] : 0;
        i++;
        if (b == E_RPAREN) break;
        if (b != E_COMMA) return false;
      }
    }
    if (i < n && p[i] == E_DOT) i++;
    pForm->bVars = true;
  }
  return true;
}

/* Substitution through the form, appended to s; false when the text has to
   be read instead (nothing is reported): a lookup or a value that fails, or
   a result that reaches ulCut characters, where the reading stops. */
bool bSubstKept(SUBSTFORM &form, const MACLEVEL *pLevel, std::string &s, size_t ulCut)
{
  VAL vTerm;
  const char *pText = form.strText.data();
  CTX c{pLevel, nullptr, 0, 0, nullptr, 0, 0}; /* no diagnostics kept */
  for (size_t k = 0; k < form.vecParts.size(); k++) {
    SUBSTPART &part = form.vecParts[k];
    if (part.bKind == SP_TEXT) {
      s.append(pText + part.ulAt, part.ulLen);
    } else {
      const auto *pName = reinterpret_cast<const uint8_t *>(pText) + part.ulAt;
      const VARSYM *pVar = pVarFindKept(pLevel, pName, part.ulLen, part.bHash, &part.kept);
      if (pVar == nullptr) return false;
      if (part.bSubs == 0 && (pVar->bFlags & (VT_MASK | VF_DIM)) == VT_C) {
        s += pVar->strValue;
      } else {
        VARREF ref;
        ref.ulName = 0;
        ref.ulSubs = part.bSubs;
        for (uint32_t j = 0; j < ref.ulSubs; j++) {
          SUBSTPART &sub = form.vecParts[++k];
          if (sub.bKind == SP_NUMBER) {
            ref.alSub[j] = sub.lValue;
            continue;
          }
          const auto *pSubName = reinterpret_cast<const uint8_t *>(pText) + sub.ulAt;
          const VARSYM *pSub = pVarFindKept(pLevel, pSubName, sub.ulLen, sub.bHash, &sub.kept);
          if (pSub == nullptr || !bVarNumber(pSub, &ref.alSub[j])) return false;
        }
        if (!bVarValue(c, ref, pVar, vTerm)) return false;
        vToC(vTerm);
        s += vTerm.s;
      }
    }
    if (s.size() >= ulCut) return false;
  }
  return true;
}

} // namespace

bool (*g_pfnCondLookahead)(const uint8_t *pName, uint32_t ulName, CONDATTR *pAttr) = nullptr;

/* ---- shared pieces ------------------------------------------------------------ */

/* Whether p[0..k) ends with the name of a variable symbol: '&' (not one of
   a pair) and alphanumerics. */
namespace {

/* The sublist elements of a value, split into the cache unless it holds
   them already. */
const SUBLIST &rSublistOf(const std::string &strValue, SUBLIST &cache)
{
  if (cache.bValid && cache.strValue == strValue) return cache;
  cache.bValid = true;
  cache.strValue = strValue;
  cache.bSublist = bIsSublist(strValue);
  cache.aItems.clear();
  if (cache.bSublist) {
    vCondSplit(reinterpret_cast<const uint8_t *>(strValue.data()) + 1, static_cast<uint32_t>(strValue.size() - 2),
               &cache.aItems, QR_SUBLIST);
    for (auto &item : cache.aItems) item.first++;
  }
  return cache;
}

} // namespace

void vCondSublistElement(const MACLEVEL *pLevel, const std::string &strValue, uint32_t ulIndex, std::string *pOut)
{
  SUBLIST own;
  const SUBLIST &list = rSublistOf(strValue, pLevel != nullptr ? pLevel->sublist : own);
  pOut->clear();
  if (!list.bSublist) {
    if (ulIndex == 1) *pOut = strValue;
    return;
  }
  if (ulIndex >= 1 && ulIndex <= list.aItems.size())
    pOut->assign(strValue, list.aItems[ulIndex - 1].first, list.aItems[ulIndex - 1].second);
}

uint32_t ulCondSublistCount(const MACLEVEL *pLevel, const std::string &strValue)
{
  if (strValue.empty()) return 0;
  SUBLIST own;
  const SUBLIST &list = rSublistOf(strValue, pLevel != nullptr ? pLevel->sublist : own);
  if (!list.bSublist) return 1;
  if (strValue.size() == 2) return 0;
  return static_cast<uint32_t>(list.aItems.size());
}

bool bCondVarRef(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, bool bDot, uint32_t *pulUsed,
                 VARREF *pRef, CONDDIAG *pDiag)
{
  CTX c = ctxOf(pLevel, pText, ulLength, pDiag);
  if (ulLength == 0 || pText[0] != E_AMP) return bFail(c, MSG_INVALID);
  if (!bVarRef(c, bDot, *pRef)) return false;
  *pulUsed = c.i;
  return true;
}

/* ---- evaluation ------------------------------------------------------------ */

bool bCondArithmetic(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, int32_t *plValue, CONDDIAG *pDiag,
                     CONDFORM *pForm)
{
  if (bFormEval(pForm, 'A', pLevel, pText, ulLength, plValue, pDiag)) return true;
  CTX c = ctxOf(pLevel, pText, ulLength, pDiag);
  VAL v;
  if (!bWhole(c, bExprA(c, 'A', v)) || !bToA(c, v)) return false;
  *plValue = v.l;
  return true;
}

bool bCondBoolean(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, bool *pbValue, CONDDIAG *pDiag,
                  CONDFORM *pForm)
{
  int32_t l = 0;
  if (bFormEval(pForm, 'B', pLevel, pText, ulLength, &l, pDiag)) {
    *pbValue = l != 0;
    return true;
  }
  CTX c = ctxOf(pLevel, pText, ulLength, pDiag);
  VAL v;
  return bWhole(c, bBoolXor(c, v)) && bTruth(c, v, pbValue);
}

bool bCondCharacter(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, std::string *pValue,
                    CONDDIAG *pDiag, CONDFORM *pForm)
{
  int32_t l = 0;
  if (bFormEval(pForm, 'C', pLevel, pText, ulLength, &l, pDiag, pValue)) return true;
  CTX c = ctxOf(pLevel, pText, ulLength, pDiag);
  VAL v;
  if (!bWhole(c, bConcat(c, v))) return false;
  pValue->swap(v.s);
  return true;
}

bool bSubstitute(const MACLEVEL *pLevel, const uint8_t *pText, uint32_t ulLength, SUBSTFIELD eField, unsigned uOperand,
                 uint32_t ulLimit, std::string *pOut, bool *pbChanged, CONDDIAG *pDiag, SUBSTFORM *pForm)
{
  CTX c = ctxOf(pLevel, pText, ulLength, pDiag);
  const size_t ulBase = pOut->size(); /* the result is built in place after it */
  std::string &s = *pOut;
  const size_t ulCut = ulBase + 2 * static_cast<size_t>(ulLimit) + 2 * VALUE_MAX + 1;
  bool bChanged = false;
  auto fFail = [&](int e, auto... args) {
    s.resize(ulBase);
    return bFail(c, e, args...);
  };
  if (pForm != nullptr && pForm->bState == 0) pForm->bState = bSubstBuild(pForm, pText, ulLength) ? 1 : 2;
  if (pForm != nullptr && pForm->bState == 1) {
    if (bSubstKept(*pForm, pLevel, s, ulCut)) {
      bChanged = pForm->bVars;
      c.i = c.n;
    } else {
      s.resize(ulBase);
    }
  }
  while (c.i < c.n) {
    uint8_t b = c.p[c.i];
    if (b != E_AMP) { /* text up to the next ampersand (or just past the limit) */
      const void *pAmp = std::memchr(c.p + c.i + 1, E_AMP, c.n - c.i - 1);
      auto e = pAmp != nullptr ? static_cast<uint32_t>(static_cast<const uint8_t *>(pAmp) - c.p) : c.n;
      if (s.size() + (e - c.i) > ulCut) e = c.i + static_cast<uint32_t>(ulCut - s.size());
      s.append(reinterpret_cast<const char *>(c.p + c.i), e - c.i);
      c.i = e;
    } else if (bPeek(c, 1) == E_AMP) {
      s.append(2, static_cast<char>(E_AMP));
      c.i += 2;
    } else if (c.i + 1 < c.n && !(g_abClass[bPeek(c, 1)] & CC_LETTER) && bPeek(c, 1) != E_LPAREN) {
      s += static_cast<char>(b); /* no variable symbol: the statement's own checks see it */
      c.i++;
    } else {
      VARREF ref;
      if (!bVarRef(c, true, ref) || !bRefAppend(c, ref, &s)) {
        s.resize(ulBase);
        return false;
      }
      bChanged = true;
    }
    if (s.size() >= ulCut) break; /* long past the limit */
  }
  size_t ulFrom = ulBase, ulTo = s.size();
  if (eField != SUBST_OPERAND) {
    while (ulFrom < ulTo && static_cast<uint8_t>(s[ulFrom]) == EBCDIC_BLANK) ulFrom++;
    while (ulTo > ulFrom && static_cast<uint8_t>(s[ulTo - 1]) == EBCDIC_BLANK) ulTo--;
  }
  if (pbChanged != nullptr) *pbChanged = bChanged;
  if (ulTo - ulFrom > ulLimit) {
    if (eField == SUBST_OPERAND) return fFail(MSG_OPERAND_LONG, uOperand);
    return fFail(MSG_FIELD_LONG, eField == SUBST_LABEL ? "Label" : "Operation");
  }
  if (ulTo < s.size()) s.resize(ulTo);
  if (ulFrom > ulBase) s.erase(ulBase, ulFrom - ulBase);
  return true;
}

namespace {
/* Characters the operand field's scan looks at outside quotes. */
bool bFieldSpecial(uint8_t b) { return b == EBCDIC_BLANK || b == E_QUOTE || b == E_LPAREN || b == E_RPAREN; }

} // namespace

bool bCondOperandField(const SRCSTMT *pStmt, std::string *pField, CONDDIAG *pDiag)
{
  CTX c = ctxOf(nullptr, nullptr, 0, pDiag);
  pField->clear();
  if (pStmt->ulOperandOff == 0 || pStmt->ulOperandOff >= pStmt->ulRecords * SRC_RECORD) return bFail(c, MSG_OMITTED);
  const uint8_t *pCards = static_cast<const uint8_t *>(pStmt->cards.pData);
  uint32_t ulEnd = pStmt->ulEnd, ulCont = pStmt->ulContinue > 0 ? pStmt->ulContinue - 1 : 0;
  uint32_t r = pStmt->ulOperandOff / SRC_RECORD, col = pStmt->ulOperandOff % SRC_RECORD;
  STRINGS str;
  int iDepth = 0;
  for (;;) {
    if (col >= ulEnd || col >= SRC_RECORD) {
      if (++r >= pStmt->ulRecords) break;
      col = ulCont;
      continue;
    }
    const uint8_t *pCard = pCards + r * SRC_RECORD;
    uint8_t b = pCard[col];
    uint32_t ulStop = ulEnd < SRC_RECORD ? ulEnd : SRC_RECORD;
    if (str.bQuote ? !STRINGS::bQuotedSpecial(b) : !bFieldSpecial(b)) { /* a run that changes no state */
      uint32_t e = col + 1;
      while (e < ulStop && (str.bQuote ? !STRINGS::bQuotedSpecial(pCard[e]) : !bFieldSpecial(pCard[e]))) e++;
      pField->append(reinterpret_cast<const char *>(pCard + col), e - col);
      col = e;
      continue;
    }
    /* whether the quote b opens a string (is no attribute's) */
    auto fOpens = [&] {
      size_t n = pField->size();
      uint8_t abLook[4] = {n >= 2 ? static_cast<uint8_t>((*pField)[n - 2]) : EBCDIC_BLANK,
                           n >= 1 ? static_cast<uint8_t>((*pField)[n - 1]) : EBCDIC_BLANK, b,
                           col + 1 < ulEnd ? pCard[col + 1] : EBCDIC_BLANK};
      return bOpensString(abLook, 2, sizeof abLook, QR_CONDITIONAL);
    };
    auto fAfterVariable = [&] {
      return bEndsWithVariable(reinterpret_cast<const uint8_t *>(pField->data()), pField->size());
    };
    if (str.bStep(b, fOpens, fAfterVariable)) {
      /* a quote, or in a string */
    } else if (b == EBCDIC_BLANK && iDepth == 0) {
      /* a comma and a blank end a card that is continued: the list goes
         on at the continue column of the next */
      if (pField->empty() || static_cast<uint8_t>(pField->back()) != E_COMMA || r + 1 >= pStmt->ulRecords) break;
      col = ulEnd;
      continue;
    } else if (b == E_LPAREN) {
      iDepth++;
    } else if (b == E_RPAREN) {
      if (iDepth == 0) return bFail(c, MSG_FIELD_RIGHT);
      iDepth--;
    }
    *pField += static_cast<char>(b);
    col++;
  }
  if (str.bQuote) return bFail(c, MSG_FIELD_QUOTE);
  if (iDepth > 0) return bFail(c, MSG_FIELD_LEFT);
  if (pField->empty()) return bFail(c, MSG_OMITTED);
  return true;
}

bool bCondAif(const MACLEVEL *pLevel, const uint8_t *pField, uint32_t ulLength, std::string *pTarget, CONDDIAG *pDiag,
              CONDFORM *pForm)
{
  int32_t l = 0;
  if (bFormEval(pForm, 'I', pLevel, pField, ulLength, &l, pDiag)) {
    if (l != 0)
      *pTarget = pForm->vecTargets[static_cast<size_t>(l - 1)];
    else
      pTarget->clear();
    return true;
  }
  CTX c = ctxOf(pLevel, pField, ulLength, pDiag);
  pTarget->clear();
  for (;;) {
    if (bPeek(c) != E_LPAREN) return bFail(c, c.i >= c.n ? MSG_INCOMPLETE : MSG_INVALID);
    VAL v;
    bool b = false;
    std::string strName;
    if (!bGroup(c, 'B', v) || !bTruth(c, v, &b) || !bSequence(c, &strName)) return false;
    if (b) {
      pTarget->swap(strName);
      return true;
    }
    if (c.i >= c.n) return true;
    if (c.p[c.i] != E_COMMA) return bFail(c, MSG_INVALID);
    c.i++;
  }
}

bool bCondAgo(const MACLEVEL *pLevel, const uint8_t *pField, uint32_t ulLength, std::string *pTarget, CONDDIAG *pDiag)
{
  CTX c = ctxOf(pLevel, pField, ulLength, pDiag);
  pTarget->clear();
  if (bPeek(c) == E_DOT) {
    std::string strName;
    if (!bSequence(c, &strName)) return false;
    if (c.i < c.n) return bFail(c, MSG_INVALID);
    pTarget->swap(strName);
    return true;
  }
  if (bPeek(c) != E_LPAREN) return bFail(c, c.i >= c.n ? MSG_INCOMPLETE : MSG_INVALID);
  VAL v;
  if (!bGroup(c, 'A', v) || !bToA(c, v)) return false;
  if (c.i >= c.n) return bFail(c, MSG_OPERAND1);
  for (int32_t k = 1;; k++) {
    std::string strName;
    if (!bSequence(c, &strName)) return false;
    if (k == v.l) pTarget->swap(strName);
    if (c.i >= c.n) return true;
    if (c.p[c.i] != E_COMMA) return bFail(c, MSG_INVALID);
    c.i++;
  }
}
