/*
** def2.cpp - DC constants and literals in the code generation phase (module
** "def2").
**
** Calls: def1, esd1, eval, ins2, lbl, msc2, pars, pun2, stmt.
** Called by: none.
**
** Owns the output buffer of the operand in hand (with the pending partial
** byte of bit-length constants) and two storage stacks: one for the parse
** trees and value buffers of the statement in hand, reset per statement, and
** one for a single conversion or expression evaluation at a time.  Both are
** heap stacks (subpool 0), so no phase boundary can leave them dangling.
**
** Notes on the design:
**  - Every operand is evaluated again by pDcEvaluate, from the location where
**    the operand before it ended, exactly as in the conditional assembly
**    phase; the bytes of an operand always fill the extent that evaluation
**    gives (a value in error becomes zeros), so no later address moves.
**  - Padding between operands is generated here as zero bytes; the padding
**    before the first constant belongs to the statement (STMT_ALIGN).
**  - Decimal nominal values are converted exactly: the significant digits
**    become a multi-precision integer that is multiplied and divided by
**    powers of 10 and 2; remainders are kept as a sticky bit.  Rounding is to
**    nearest, halves away from zero.  A double estimate of the magnitude
**    screens out values that are far too large or too small first, so the
**    integers stay a few thousand bits long whatever the exponents.
**  - Hexadecimal floating point: the fraction keeps 2 x length - 2 hex digits
**    (one characteristic byte), or for lengths above 8 (L) 14 digits, a second
**    characteristic 14 below the first (modulo 128, sign copied) and the rest.
**    A zero, and a value whose characteristic would fall below 0 even after
**    rounding, become a true zero (all bits 0) without a message; a
**    characteristic above 127 draws 323 and the value is zeros.
**  - In an address constant * is the address of the constant being
**    generated, of each repetition in turn.  A value without '*' is
**    evaluated once and its bytes and relocation terms are reused (each
**    repetition with RLD items at its own address).  A value with '*' that
**    repeats is compiled once into a few steps of its dependence on * (runs
**    of added and subtracted terms folded into one linear step that keeps
**    the evaluator's 32-bit overflow checks as bounds on its input), so a
**    long expression over millions of repetitions costs only those steps;
**    the program is checked against a real evaluation first, and a step
**    that would overflow hands that constant back to the evaluator for its
**    message.
**  - Truncation (512, only under FLAG(TRUNC)) means lost content: characters
**    cut from C, one bits cut from X and B, digits cut from P and Z (leading
**    zeros do not count), an A or Y value that fits its field neither signed
**    nor unsigned.  F and H values that do not fit draw 322 and are zeros; a
**    Y value outside -32768..32767 draws 322 and keeps its low bytes.  P and
**    Z are their digits as written: scale and exponent modifiers only give
**    attributes.
**  - With a bit length, C and the floating point types keep their leftmost
**    bits, the other types their rightmost.
**  - Each message is attached at most once per operand.
*/
#define MEM_MODULE "def2"

#include "def2.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "asm0.h"
#include "chars.h"
#include "def1.h"
#include "esd1.h"
#include "expr.h"
#include "gen1.h"
#include "ins2.h"
#include "lbl.h"
#include "mem.h"
#include "msc2.h"
#include "pun2.h"
#include "vorn.h"
#include "work.h"

namespace {

constexpr uint32_t OUT_BUFFER = 4096;
constexpr int64_t EXPONENT_CAP = 1000000; /* decimal exponents are kept below this */

struct DEF2STATE {
  STACKHDR *pStack;   /* the statement in hand */
  STACKHDR *pScratch; /* one conversion or evaluation */
  uint8_t abOut[OUT_BUFFER];
  uint32_t ulOut;
  uint8_t bPending; /* partial byte, left-justified */
  unsigned uBits;   /* bits used in it */
};
DEF2STATE g_def2 = {};

void vStacksReset()
{
  if (g_def2.pStack == nullptr) g_def2.pStack = pStackCreate(SP_HEAP);
  if (g_def2.pScratch == nullptr) g_def2.pScratch = pStackCreate(SP_HEAP);
  vStackReset(g_def2.pStack);
  vStackReset(g_def2.pScratch);
}

/* ---- output ----------------------------------------------------------------- */

void vFlush()
{
  if (g_def2.ulOut != 0) vStmtBytesPut(g_def2.ulOut, g_def2.abOut);
  g_def2.ulOut = 0;
}

void vEmitByte(uint8_t b)
{
  if (g_def2.ulOut == OUT_BUFFER) vFlush();
  g_def2.abOut[g_def2.ulOut++] = b;
}

/* Whole bytes (zeros when p is null); no bits may be pending. */
void vEmitBytes(const uint8_t *p, uint64_t ullCount)
{
  while (ullCount > 0) {
    if (g_def2.ulOut == OUT_BUFFER) vFlush();
    uint32_t ulPart = OUT_BUFFER - g_def2.ulOut;
    if (ulPart > ullCount) ulPart = static_cast<uint32_t>(ullCount);
    if (p != nullptr) {
      std::memcpy(g_def2.abOut + g_def2.ulOut, p, ulPart);
      p += ulPart;
    } else {
      std::memset(g_def2.abOut + g_def2.ulOut, 0, ulPart);
    }
    g_def2.ulOut += ulPart;
    ullCount -= ulPart;
  }
}

/* k (1-8) bits, left-justified in b, after the pending ones. */
void vEmitBitsOf(uint8_t b, unsigned k)
{
  unsigned uUsed = g_def2.uBits;
  g_def2.bPending = static_cast<uint8_t>(g_def2.bPending | b >> uUsed);
  if (uUsed + k < 8) {
    g_def2.uBits = uUsed + k;
    return;
  }
  vEmitByte(g_def2.bPending);
  g_def2.bPending = uUsed == 0 ? 0 : static_cast<uint8_t>(b << (8 - uUsed));
  g_def2.uBits = uUsed + k - 8;
}

/* A bit string appended to p (bit 0 the leftmost), starting ullSkip bits in. */
struct BITS {
  uint8_t *p;
  uint64_t ullPos;
};

/* The k (1-8) bits of p from bit ullSkip on, left-justified. */
uint8_t bBitsAt(const uint8_t *p, uint64_t ullSkip, unsigned k)
{
  const uint8_t *q = p + ullSkip / 8;
  unsigned o = static_cast<unsigned>(ullSkip % 8);
  unsigned v = (q[0] << o) & 0xFFu;
  if (o + k > 8) v |= q[1] >> (8 - o);
  return static_cast<uint8_t>(v & (0xFFu << (8 - k)));
}

void vEmitZeroBits(uint64_t ullBits)
{
  for (; ullBits > 0 && g_def2.uBits != 0; ullBits--) vEmitBitsOf(0, 1);
  vEmitBytes(nullptr, ullBits / 8);
  for (ullBits %= 8; ullBits > 0; ullBits--) vEmitBitsOf(0, 1);
}

void vEmitBits(const uint8_t *p, uint64_t ullSkip, uint64_t ullBits)
{
  if (g_def2.uBits == 0 && ullSkip % 8 == 0 && ullBits % 8 == 0) {
    vEmitBytes(p + ullSkip / 8, ullBits / 8);
    return;
  }
  while (ullBits > 0) {
    unsigned k = ullBits < 8 ? static_cast<unsigned>(ullBits) : 8;
    vEmitBitsOf(bBitsAt(p, ullSkip, k), k);
    ullSkip += k;
    ullBits -= k;
  }
}

void vBitsPut(BITS *pOut, const uint8_t *p, uint64_t ullSkip, uint64_t ullBits)
{
  while (ullBits > 0) {
    unsigned k = ullBits < 8 ? static_cast<unsigned>(ullBits) : 8;
    uint8_t b = bBitsAt(p, ullSkip, k);
    uint8_t *q = pOut->p + pOut->ullPos / 8;
    unsigned o = static_cast<unsigned>(pOut->ullPos % 8);
    q[0] = static_cast<uint8_t>(q[0] | b >> o);
    if (o + k > 8) q[1] = static_cast<uint8_t>(q[1] | b << (8 - o));
    pOut->ullPos += k;
    ullSkip += k;
    ullBits -= k;
  }
}

/* ---- multi-precision integers ----------------------------------------------- */

/* Little-endian 32-bit limbs in the scratch stack; n = 0 is zero. */
struct BIG {
  uint32_t *pl;
  uint32_t n;
  uint32_t ulCap;
};

void vBigReserve(BIG *b, uint32_t ulCap)
{
  if (ulCap <= b->ulCap) return;
  if (ulCap < 2 * b->ulCap) ulCap = 2 * b->ulCap;
  uint32_t *pl = static_cast<uint32_t *>(pStackAlloc(g_def2.pScratch, static_cast<size_t>(ulCap) * 4));
  if (b->n != 0) std::memcpy(pl, b->pl, static_cast<size_t>(b->n) * 4);
  b->pl = pl;
  b->ulCap = ulCap;
}

void vBigTrim(BIG *b)
{
  while (b->n > 0 && b->pl[b->n - 1] == 0) b->n--;
}

void vBigCopy(BIG *pTo, const BIG &from)
{
  *pTo = BIG{};
  vBigReserve(pTo, from.n + 4);
  if (from.n != 0) std::memcpy(pTo->pl, from.pl, static_cast<size_t>(from.n) * 4);
  pTo->n = from.n;
}

void vBigMulAdd(BIG *b, uint32_t ulMul, uint32_t ulAdd)
{
  uint64_t c = ulAdd;
  for (uint32_t i = 0; i < b->n; i++) {
    c += static_cast<uint64_t>(b->pl[i]) * ulMul;
    b->pl[i] = static_cast<uint32_t>(c);
    c >>= 32;
  }
  if (c != 0) {
    vBigReserve(b, b->n + 1);
    b->pl[b->n++] = static_cast<uint32_t>(c);
  }
}

const uint32_t c_aulPow10[10] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

void vBigMulPow10(BIG *b, uint64_t e)
{
  for (; e >= 9; e -= 9) vBigMulAdd(b, c_aulPow10[9], 0);
  if (e != 0) vBigMulAdd(b, c_aulPow10[e], 0);
}

void vBigShl(BIG *b, uint64_t s)
{
  if (b->n == 0 || s == 0) return;
  uint32_t w = static_cast<uint32_t>(s / 32), r = static_cast<uint32_t>(s % 32);
  vBigReserve(b, b->n + w + 1);
  b->pl[b->n + w] = 0;
  for (uint32_t i = b->n; i-- > 0;) {
    uint64_t v = static_cast<uint64_t>(b->pl[i]) << r;
    b->pl[i + w + 1] |= static_cast<uint32_t>(v >> 32);
    b->pl[i + w] = static_cast<uint32_t>(v);
  }
  for (uint32_t i = 0; i < w; i++) b->pl[i] = 0;
  b->n += w + 1;
  vBigTrim(b);
}

/* Divides by d; true when a remainder was lost. */
bool bBigDivSmall(BIG *b, uint32_t d)
{
  uint64_t r = 0;
  for (uint32_t i = b->n; i-- > 0;) {
    uint64_t cur = r << 32 | b->pl[i];
    b->pl[i] = static_cast<uint32_t>(cur / d);
    r = cur % d;
  }
  vBigTrim(b);
  return r != 0;
}

bool bBigDivPow10(BIG *b, uint64_t e)
{
  bool bSticky = false;
  for (; e >= 9 && b->n != 0; e -= 9) bSticky |= bBigDivSmall(b, c_aulPow10[9]);
  if (b->n == 0) return bSticky;
  if (e != 0) bSticky |= bBigDivSmall(b, c_aulPow10[e]);
  return bSticky;
}

/* Shifts right; true when a one bit was lost. */
bool bBigShr(BIG *b, uint64_t s)
{
  if (b->n == 0 || s == 0) return false;
  uint64_t w = s / 32;
  uint32_t r = static_cast<uint32_t>(s % 32);
  if (w >= b->n) {
    b->n = 0;
    return true;
  }
  bool bSticky = false;
  for (uint32_t i = 0; i < w; i++) bSticky |= b->pl[i] != 0;
  if (r != 0) bSticky |= (b->pl[w] & ((1u << r) - 1)) != 0;
  uint32_t n = b->n - static_cast<uint32_t>(w);
  for (uint32_t i = 0; i < n; i++) {
    uint64_t v = b->pl[i + w];
    if (i + w + 1 < b->n) v |= static_cast<uint64_t>(b->pl[i + w + 1]) << 32;
    b->pl[i] = static_cast<uint32_t>(v >> r);
  }
  b->n = n;
  vBigTrim(b);
  return bSticky;
}

uint32_t ulBigBits(const BIG &b)
{
  if (b.n == 0) return 0;
  uint32_t ulTop = b.pl[b.n - 1], k = 0;
  while (ulTop != 0) {
    ulTop >>= 1;
    k++;
  }
  return (b.n - 1) * 32 + k;
}

bool bBigBit(const BIG &b, uint32_t i) { return i / 32 < b.n && (b.pl[i / 32] >> (i % 32) & 1) != 0; }

uint64_t ullBigLow(const BIG &b)
{
  uint64_t ull = b.n > 0 ? b.pl[0] : 0;
  if (b.n > 1) ull |= static_cast<uint64_t>(b.pl[1]) << 32;
  return ull;
}

/* ---- decimal nominal values ---------------------------------------------------- */

/* A value of F H E D L: mantissa x 10 ** exponent. */
struct DECNUM {
  bool bNegative;
  BIG mant; /* significant digits, zero for a zero value */
  int64_t llExp10;
  double dLead;           /* the first (up to 17) significant digits */
  uint32_t ulSignificant; /* significant digits in all */
  uint32_t ulLead;        /* of them in dLead */
};

/* An estimate of log10 of the magnitude (of a nonzero value). */
double dLog10(const DECNUM &num)
{
  return std::log10(num.dLead) + static_cast<double>(num.ulSignificant - num.ulLead) + static_cast<double>(num.llExp10);
}

bool bDecDigit(uint8_t b) { return b >= E_0 && b <= E_9; }

/* Parses [sign] digits [. digits] [E [sign] digits] and applies the exponent
   modifier. */
void vDecimalValue(const uint8_t *p, uint32_t n, int32_t lExponent, DECNUM *pNum)
{
  *pNum = DECNUM{};
  uint32_t i = 0;
  if (i < n && (p[i] == E_PLUS || p[i] == E_MINUS)) pNum->bNegative = p[i++] == E_MINUS;
  uint32_t ulDigitsStart = i;
  while (i < n && (bDecDigit(p[i]) || p[i] == E_DOT)) i++;
  uint32_t ulDigitsEnd = i;
  int64_t llExp = 0;
  if (i < n && g_abUpper[p[i]] == E_E) {
    bool bMinus = false;
    if (++i < n && (p[i] == E_PLUS || p[i] == E_MINUS)) bMinus = p[i++] == E_MINUS;
    for (; i < n && bDecDigit(p[i]); i++)
      if (llExp < EXPONENT_CAP) llExp = llExp * 10 + (p[i] & 0x0F);
    if (bMinus) llExp = -llExp;
  }
  /* the significant digits run from the first to the last nonzero digit;
     they enter the mantissa nine at a time */
  int64_t llFraction = 0, llTrailing = 0;
  uint32_t ulChunk = 0, ulChunkDigits = 0;
  auto vDigit = [&](uint32_t d) {
    ulChunk = ulChunk * 10 + d;
    if (++ulChunkDigits == 9) {
      vBigMulAdd(&pNum->mant, c_aulPow10[9], ulChunk);
      ulChunk = ulChunkDigits = 0;
    }
    if (pNum->ulLead < 17) {
      pNum->dLead = pNum->dLead * 10 + d;
      pNum->ulLead++;
    }
    pNum->ulSignificant++;
  };
  bool bPoint = false;
  for (uint32_t k = ulDigitsStart; k < ulDigitsEnd; k++) {
    if (p[k] == E_DOT) {
      bPoint = true;
      continue;
    }
    uint32_t d = p[k] & 0x0F;
    if (bPoint) llFraction++;
    if (pNum->ulSignificant == 0 && d == 0) continue;
    if (d == 0) {
      llTrailing++;
      continue;
    }
    for (; llTrailing > 0; llTrailing--) vDigit(0);
    vDigit(d);
  }
  if (ulChunkDigits != 0) vBigMulAdd(&pNum->mant, c_aulPow10[ulChunkDigits], ulChunk);
  pNum->llExp10 = llTrailing - llFraction + llExp + lExponent;
}

/* floor(mantissa x 10 ** exponent x 2 ** llShift) into *pOut; true when
   something was lost. */
bool bScaled(const DECNUM &num, int64_t llShift, BIG *pOut)
{
  vBigCopy(pOut, num.mant);
  if (num.llExp10 > 0) vBigMulPow10(pOut, static_cast<uint64_t>(num.llExp10));
  if (llShift > 0) vBigShl(pOut, static_cast<uint64_t>(llShift));
  bool bSticky = false;
  if (num.llExp10 < 0) bSticky |= bBigDivPow10(pOut, static_cast<uint64_t>(-num.llExp10));
  if (llShift < 0) bSticky |= bBigShr(pOut, static_cast<uint64_t>(-llShift));
  return bSticky;
}

/* Rounds 2x (in *b) to x, to nearest with halves away from zero. */
void vRoundHalf(BIG *b)
{
  vBigMulAdd(b, 1, 1);
  bBigShr(b, 1);
}

/* Fixed point: the value times 2 ** lScale, rounded, as a two's complement
   number of uBits (1-64) bits.  Returns 0 or DM_VALUE_LARGE; *pbInexact
   tells that a fraction was lost. */
int iFixedValue(const DECNUM &num, int32_t lScale, unsigned uBits, uint64_t *pullValue, bool *pbInexact)
{
  *pullValue = 0;
  *pbInexact = false;
  if (num.mant.n == 0) return 0;
  uint64_t ullMagnitude = 0;
  if (num.llExp10 == 0 && lScale == 0 && num.mant.n == 1) {
    /* a whole number of one limb: nothing to scale or round, and the limit
       below finds any that is too large */
    ullMagnitude = num.mant.pl[0];
  } else {
    double dLog2 = dLog10(num) * 3.321928094887362 + lScale;
    if (dLog2 > uBits + 2.0) return DM_VALUE_LARGE;
    if (dLog2 < -3.0) {
      *pbInexact = true;
      return 0;
    }
    BIG q = {};
    bool bSticky = bScaled(num, static_cast<int64_t>(lScale) + 1, &q);
    *pbInexact = bSticky || bBigBit(q, 0);
    vRoundHalf(&q);
    if (ulBigBits(q) > 64) return DM_VALUE_LARGE;
    ullMagnitude = ullBigLow(q);
  }
  uint64_t ullLimit = 1ULL << (uBits - 1);
  if (num.bNegative ? ullMagnitude > ullLimit : ullMagnitude >= ullLimit) return DM_VALUE_LARGE;
  *pullValue = num.bNegative ? 0 - ullMagnitude : ullMagnitude;
  return 0;
}

/* Hexadecimal floating point of uBits (1-128) bits, left-justified in
   abOut[16].  Returns 0 or DM_FLOAT_RANGE. */
int iFloatValue(const DECNUM &num, int32_t lScale, unsigned uBits, uint8_t abOut[16])
{
  std::memset(abOut, 0, 16);
  if (num.mant.n == 0) return 0;
  int64_t llFraction = 0;
  if (uBits <= 64)
    llFraction = uBits > 8 ? uBits - 8 : 0;
  else
    llFraction = 56 + (uBits > 72 ? uBits - 72 : 0);
  int64_t llE16 = static_cast<int64_t>(std::floor(dLog10(num) / std::log10(16.0))) + 1;
  if (llE16 + lScale + 64 > 130) return DM_FLOAT_RANGE;
  if (llE16 + lScale + 64 < -3) return 0;
  /* normalise: the first hex digit of value / 16 ** E16 is 1 to 15 */
  for (int k = 0; k < 8; k++) {
    BIG t = {};
    bScaled(num, 4 * (1 - llE16), &t);
    if (t.n == 0)
      llE16--;
    else if (ulBigBits(t) > 4)
      llE16++;
    else
      break;
  }
  int64_t llTop = llFraction - 4 * static_cast<int64_t>(lScale);
  if (llTop < 0) llTop = 0;
  BIG q = {};
  for (int k = 0;; k++) {
    bScaled(num, llFraction + 1 - 4 * (llE16 + lScale), &q);
    vRoundHalf(&q);
    if (ulBigBits(q) <= llTop || k == 2) break;
    llE16++; /* rounding carried into a new digit */
  }
  int64_t llChar = llE16 + lScale + 64;
  if (llChar > 127) return DM_FLOAT_RANGE;
  if (llChar < 0 || q.n == 0) return 0;
  uint8_t bSign = num.bNegative ? 0x80 : 0;
  abOut[0] = static_cast<uint8_t>(bSign | llChar);
  if (uBits > 64) abOut[8] = static_cast<uint8_t>(bSign | ((llChar - 14) & 0x7F));
  for (int64_t j = 0; j < llFraction; j++) {
    if (!bBigBit(q, static_cast<uint32_t>(llFraction - 1 - j))) continue;
    int64_t llPos = j < 56 ? 8 + j : 72 + (j - 56);
    abOut[llPos / 8] = static_cast<uint8_t>(abOut[llPos / 8] | 0x80 >> (llPos % 8));
  }
  return 0;
}

/* ---- one operand ------------------------------------------------------------- */

struct GEN {
  EXPRCTX *c;
  DCOPERAND *op;
  unsigned uOperand;
  int32_t lSection; /* of the statement */
  bool bStarFixed;  /* literal: * is where the literal was referred to */
  int32_t lStarSection;
  int32_t lStarValue;
  int32_t lStart;   /* location of the operand's first constant */
  uint64_t ullBits; /* bits generated from lStart on */
  int32_t lEnd;     /* location after the operand */
  uint32_t ulSeen;  /* messages attached (1 << DCMSG) */
  bool bExprError;  /* an expression error was attached */
  int iReport;      /* highest RLD report */
};

void vDcMessage(GEN *g, int iMsg)
{
  if (iMsg == DM_TRUNCATED && (g_asm.ulFlagInForce & FLAG_TRUNC) == 0) return;
  if ((g->ulSeen & 1u << iMsg) != 0) return;
  g->ulSeen |= 1u << iMsg;
  iStmtDiagStem(g_aDcMsg[iMsg], g->uOperand);
}

/* Bits of one constant. */
uint32_t ulValueBits(const DCOPERAND *op, const DCVALUE *v)
{
  if (op->bBitLength) return static_cast<uint32_t>(op->lLength);
  uint32_t ulBytes = op->lLength > 0 ? static_cast<uint32_t>(op->lLength) : ulDcImplicitLength(op, v);
  return 8 * ulBytes;
}

/* Whether bits of p (n bytes) before bit ullSkip hold a one. */
bool bHighBits(const uint8_t *p, uint64_t ullSkip)
{
  for (uint64_t i = 0; i < ullSkip; i++)
    if ((p[i / 8] & 0x80 >> (i % 8)) != 0) return true;
  return false;
}

/* The digits of a P or Z value (sign and point skipped). */
struct DIGITS {
  uint8_t abDigit[64];
  uint32_t n; /* digits kept (leading zeros dropped; at least one) */
  bool bNegative;
};

void vPackedDigits(const uint8_t *p, uint32_t ulLength, DIGITS *pOut)
{
  *pOut = DIGITS{};
  for (uint32_t i = 0; i < ulLength; i++) {
    if (p[i] == E_MINUS) pOut->bNegative = true;
    if (!bDecDigit(p[i])) continue;
    uint8_t d = p[i] & 0x0F;
    if (pOut->n == 0 && d == 0) continue;
    if (pOut->n < sizeof pOut->abDigit) pOut->abDigit[pOut->n++] = d;
  }
}

/* The constant of a type without addresses into ab (nbytes), with the number
   of leading bits to skip; C and the floating point types are left-justified
   (skip 0), the others right-justified. */
void vStaticValue(GEN *g, const DCVALUE *v, uint32_t ulBits, uint8_t *ab, uint64_t *pullSkip)
{
  const DCOPERAND *op = g->op;
  const uint8_t *p = op->pText + v->ulStart;
  uint32_t n = v->ulLength;
  uint32_t ulBytes = (ulBits + 7) / 8;
  uint64_t ullSkip = 8ULL * ulBytes - ulBits;
  bool bTruncated = false;
  *pullSkip = ullSkip;
  switch (op->cType) {
  case 'C': {
    *pullSkip = 0;
    uint32_t ulUnits = 0;
    std::memset(ab, EBCDIC_BLANK, ulBytes);
    for (uint32_t i = 0; i < n; i++) {
      if ((p[i] == E_QUOTE || p[i] == E_AMP) && i + 1 < n && p[i + 1] == p[i]) i++;
      if (ulUnits < ulBytes) ab[ulUnits] = p[i];
      ulUnits++;
    }
    bTruncated = 8ULL * ulUnits > ulBits;
    break;
  }
  case 'X':
  case 'B': {
    unsigned uWidth = op->cType == 'X' ? 4 : 1;
    uint64_t ullPos = 0; /* bits filled from the right */
    for (uint32_t i = n; i-- > 0;) {
      unsigned d = g_abUpper[p[i]];
      d = bDecDigit(static_cast<uint8_t>(d)) ? (d & 0x0F) : (d & 0x0F) + 9;
      for (unsigned k = 0; k < uWidth; k++, ullPos++) {
        if ((d >> k & 1) == 0) continue;
        if (ullPos >= 8ULL * ulBytes) {
          bTruncated = true;
          continue;
        }
        uint64_t ullBit = 8ULL * ulBytes - 1 - ullPos;
        ab[ullBit / 8] = static_cast<uint8_t>(ab[ullBit / 8] | 0x80 >> (ullBit % 8));
      }
    }
    bTruncated = bTruncated || bHighBits(ab, ullSkip);
    break;
  }
  case 'P': {
    DIGITS d;
    vPackedDigits(p, n, &d);
    uint64_t ullNibble = 0;
    auto vNibble = [&](unsigned u) {
      if (ullNibble < 2ULL * ulBytes) {
        uint64_t i = ulBytes - 1 - ullNibble / 2;
        ab[i] = static_cast<uint8_t>(ab[i] | (ullNibble % 2 == 0 ? u : u << 4));
      }
      ullNibble++;
    };
    vNibble(d.bNegative ? 0x0D : 0x0C);
    for (uint32_t i = d.n; i-- > 0;) vNibble(d.abDigit[i]);
    bTruncated = 4ULL * (d.n + 1) > ulBits;
    break;
  }
  case 'Z': {
    DIGITS d;
    vPackedDigits(p, n, &d);
    if (d.n == 0) d.n = 1; /* a zero value keeps one digit */
    std::memset(ab, E_0, ulBytes);
    for (uint32_t i = 0; i < d.n && i < ulBytes; i++)
      ab[ulBytes - 1 - i] = static_cast<uint8_t>(0xF0 | d.abDigit[d.n - 1 - i]);
    ab[ulBytes - 1] = static_cast<uint8_t>((d.bNegative ? 0xD0 : 0xC0) | (ab[ulBytes - 1] & 0x0F));
    bTruncated = 8ULL * d.n > ulBits;
    break;
  }
  case 'F':
  case 'H': {
    DECNUM num;
    vStackReset(g_def2.pScratch);
    vDecimalValue(p, n, op->lExponent, &num);
    uint64_t ullValue = 0;
    bool bInexact = false;
    if (iFixedValue(num, op->lScale, ulBits, &ullValue, &bInexact) != 0) {
      vDcMessage(g, DM_VALUE_LARGE);
      break;
    }
    if (bInexact) vDcMessage(g, DM_PRECISION);
    for (uint32_t i = 0; i < ulBytes && i < 8; i++) ab[ulBytes - 1 - i] = static_cast<uint8_t>(ullValue >> (8 * i));
    break;
  }
  default: { /* E D L */
    *pullSkip = 0;
    DECNUM num;
    vStackReset(g_def2.pScratch);
    vDecimalValue(p, n, op->lExponent, &num);
    uint8_t abFloat[16];
    if (iFloatValue(num, op->lScale, ulBits > 128 ? 128 : ulBits, abFloat) != 0) {
      vDcMessage(g, DM_FLOAT_RANGE);
      break;
    }
    std::memcpy(ab, abFloat, ulBytes < 16 ? ulBytes : 16);
    break;
  }
  }
  if (bTruncated) vDcMessage(g, DM_TRUNCATED);
}

/* C X B P Z F H E D L: the values once, repeated. */
void vStaticOperand(GEN *g)
{
  const DCOPERAND *op = g->op;
  uint64_t ullRepBits = 0;
  for (const DCVALUE *v = op->pFirst; v != nullptr; v = v->pNext) ullRepBits += ulValueBits(op, v);
  BITS rep = {static_cast<uint8_t *>(pStackAlloc(g_def2.pStack, ullRepBits / 8 + 2)), 0};
  for (const DCVALUE *v = op->pFirst; v != nullptr; v = v->pNext) {
    uint32_t ulBits = ulValueBits(op, v);
    uint32_t ulBytes = (ulBits + 7) / 8;
    uint8_t *ab = static_cast<uint8_t *>(pStackAlloc(g_def2.pStack, ulBytes + 1));
    uint64_t ullSkip = 0;
    vStaticValue(g, v, ulBits, ab, &ullSkip);
    vBitsPut(&rep, ab, ullSkip, ulBits);
  }
  for (int64_t k = 0; k < op->llDup; k++) {
    vEmitBits(rep.p, 0, ullRepBits);
    g->ullBits += ullRepBits;
  }
}

/* How an A, Y or S value is obtained for each constant. */
enum : uint8_t {
  AV_NEW,      /* not evaluated yet */
  AV_FIXED,    /* the same for every constant (or failed: zeros) */
  AV_COMPILED, /* the program of its dependence on * */
  AV_EACH,     /* evaluated for every constant */
};

/* One step of a value's dependence on *.  A linear step computes
   sign x input + C from the step before it (or *), valid while the input
   lies in Lo..Hi (the bounds that keep every intermediate sum it stands for
   within 32 bits); an operator step combines two steps or constants the way
   the evaluator does. */
struct STEP {
  char cOp;       /* 'L' linear, else '+', '-', '*', '/' */
  int32_t lIn;    /* L: input step, -1 for *; else left step or -1 */
  int32_t lRight; /* right step or -1 */
  int64_t llSign, llC, llLo, llHi;
  int64_t llLeftValue, llRightValue; /* constants when no step */
};

struct PROGRAM {
  STEP *p;
  uint32_t n;
  int32_t lResult;   /* the step of the whole value */
  int64_t *pllValue; /* one per step, while running */
};

struct ADDRVALUE {
  uint8_t bMode;
  bool bFailed;
  int32_t lValue;
  uint32_t ulPositive, ulNegative;
  int32_t *plPositive, *plNegative;
  PROGRAM prog;
  uint8_t abS[2];
};

constexpr int64_t INT32_LO = -2147483648LL, INT32_HI = 2147483647LL;

bool bFits32(int64_t ll) { return ll >= INT32_LO && ll <= INT32_HI; }

/* A context for one evaluation, in the scratch stack. */
EXPRCTX *pEvalContext(const GEN *g)
{
  vStackReset(g_def2.pScratch);
  EXPRCTX *k = static_cast<EXPRCTX *>(pStackAlloc(g_def2.pScratch, sizeof(EXPRCTX)));
  *k = *g->c;
  k->pStack = g_def2.pScratch;
  k->err = EXPRERROR{};
  return k;
}

void vExpressionFailed(GEN *g, const EXPRCTX *k)
{
  if (g->bExprError) return;
  g->bExprError = true;
  if (bExprFailed(k))
    iExprDiag(k);
  else
    iStmtDiagOperand(g->uOperand);
}

int32_t lStarSection(const GEN *g) { return g->bStarFixed ? g->lStarSection : g->lSection; }

/* Evaluates a tree of an A or Y value with * = lStar (ignored for literals);
   null after an error (in *ppCtx). */
const EXPRVALUE *pEvaluateTree(const GEN *g, const EXPRNODE *pTree, uint32_t ulBits, int32_t lStar, EXPRCTX **ppCtx)
{
  EXPRCTX *k = *ppCtx = pEvalContext(g);
  uint32_t ulStarLength = (ulBits + 7) / 8 > 7 ? 7 : (ulBits + 7) / 8;
  return pExprEvaluate(k, const_cast<EXPRNODE *>(pTree), ulRefWord(g_asm.ulStmtNo, 0), lStarSection(g),
                       g->bStarFixed ? g->lStarValue : lStar, ulStarLength | EF_ABSOLUTE | EF_RELOCATABLE | EF_COMPLEX);
}

/* The same into *a; bKeep copies the relocation terms to the statement's
   stack, for reuse after later evaluations. */
bool bEvaluateValue(GEN *g, const DCVALUE *v, uint32_t ulBits, int32_t lStar, bool bKeep, ADDRVALUE *a)
{
  EXPRCTX *k = nullptr;
  const EXPRVALUE *r = pEvaluateTree(g, v->pTree, ulBits, lStar, &k);
  if (r == nullptr) {
    vExpressionFailed(g, k);
    a->bFailed = true;
    a->bMode = AV_FIXED;
    return false;
  }
  a->lValue = r->lValue;
  a->ulPositive = r->ulPositive;
  a->ulNegative = r->ulNegative;
  a->plPositive = r->plPositive;
  a->plNegative = r->plNegative;
  if (bKeep) {
    size_t ulTerms = static_cast<size_t>(r->ulPositive) + r->ulNegative;
    int32_t *pl = static_cast<int32_t *>(pStackAlloc(g_def2.pStack, (ulTerms + 1) * sizeof(int32_t)));
    if (r->ulPositive != 0) std::memcpy(pl, r->plPositive, r->ulPositive * sizeof(int32_t));
    if (r->ulNegative != 0) std::memcpy(pl + r->ulPositive, r->plNegative, r->ulNegative * sizeof(int32_t));
    a->plPositive = pl;
    a->plNegative = pl + r->ulPositive;
  }
  return true;
}

/* Narrows a linear step to the inputs for which sign x input + C fits. */
void vLinearBound(STEP *s)
{
  int64_t llLo = s->llSign > 0 ? INT32_LO - s->llC : s->llC - INT32_HI;
  int64_t llHi = s->llSign > 0 ? INT32_HI - s->llC : s->llC - INT32_LO;
  if (llLo > s->llLo) s->llLo = llLo;
  if (llHi < s->llHi) s->llHi = llHi;
}

/* Compiles the dependence of a value on * into steps (all storage in the
   statement's stack): the nodes are listed parents first without recursion
   (trees can be deep), then turned into steps children first; terms without
   * are evaluated once, and runs of additions and subtractions of them fold
   into one linear step.  False when the tree has a form not handled here. */
bool bCompile(const GEN *g, const DCVALUE *v, uint32_t ulBits, PROGRAM *pProg)
{
  uint32_t ulMax = v->ulLength + 8;
  const EXPRNODE **ap = static_cast<const EXPRNODE **>(pStackAlloc(g_def2.pStack, ulMax * sizeof(EXPRNODE *)));
  uint32_t *pulParent = static_cast<uint32_t *>(pStackAlloc(g_def2.pStack, ulMax * sizeof(uint32_t)));
  uint32_t *pulFirst = static_cast<uint32_t *>(pStackAlloc(g_def2.pStack, ulMax * sizeof(uint32_t)));
  int32_t *plStep = static_cast<int32_t *>(pStackAlloc(g_def2.pStack, ulMax * sizeof(int32_t)));
  bool *pbStar = static_cast<bool *>(pStackAlloc(g_def2.pStack, ulMax));
  pProg->p = static_cast<STEP *>(pStackAlloc(g_def2.pStack, ulMax * sizeof(STEP)));
  pProg->pllValue = static_cast<int64_t *>(pStackAlloc(g_def2.pStack, ulMax * sizeof(int64_t)));
  pProg->n = 0;
  uint32_t n = 0;
  ap[n++] = v->pTree;
  for (uint32_t i = 0; i < n; i++) {
    const EXPRNODE *p = ap[i];
    pbStar[i] = p->bKind == EN_LOCATION && p->bSub != 'L';
    pulFirst[i] = n;
    if (p->bKind == EN_LITERAL) continue; /* its constant is not part of the value */
    const EXPRNODE *apChild[3] = {p->pLeft, p->pRight, p->pThird};
    for (const EXPRNODE *pChild : apChild) {
      if (pChild == nullptr) continue;
      if (n == ulMax) return false;
      pulParent[n] = i;
      ap[n++] = pChild;
    }
  }
  for (uint32_t i = n; i-- > 1;) pbStar[pulParent[i]] = pbStar[pulParent[i]] || pbStar[i];
  if (!pbStar[0]) return false;
  /* step index of node k when it has *, else its value */
  auto bOperand = [&](uint32_t k, int32_t *plIndex, int64_t *pllValue) {
    *plIndex = pbStar[k] ? plStep[k] : -1;
    if (pbStar[k]) return true;
    EXPRCTX *c = nullptr;
    const EXPRVALUE *r = pEvaluateTree(g, ap[k], ulBits, 0, &c);
    if (r != nullptr) *pllValue = r->lValue;
    return r != nullptr;
  };
  for (uint32_t i = n; i-- > 0;) {
    if (!pbStar[i]) continue;
    const EXPRNODE *p = ap[i];
    STEP s = {};
    s.cOp = 'L';
    s.lIn = -1;
    s.lRight = -1;
    s.llSign = 1;
    s.llLo = INT64_MIN;
    s.llHi = INT64_MAX;
    if (p->bKind == EN_LOCATION) {
      plStep[i] = static_cast<int32_t>(pProg->n);
      pProg->p[pProg->n++] = s;
      continue;
    }
    if (p->bKind != EN_OPERATOR || p->pRight == nullptr) return false;
    int32_t lLeft = -1, lRight = -1;
    int64_t llLeft = 0, llRight = 0;
    uint32_t k = pulFirst[i]; /* the children follow in order */
    if (p->pLeft != nullptr && !bOperand(k++, &lLeft, &llLeft)) return false;
    if (!bOperand(k, &lRight, &llRight)) return false;
    bool bLinear = p->pLeft == nullptr || ((p->bSub == '+' || p->bSub == '-') && (lLeft < 0 || lRight < 0));
    if (!bLinear) {
      s.cOp = static_cast<char>(p->bSub);
      s.lIn = lLeft;
      s.lRight = lRight;
      s.llLeftValue = llLeft;
      s.llRightValue = llRight;
      plStep[i] = static_cast<int32_t>(pProg->n);
      pProg->p[pProg->n++] = s;
      continue;
    }
    /* a linear step on the operand with *: folded into its step when that
       is linear too (a tree node has one parent, so nothing else uses it) */
    int32_t lFrom = lLeft >= 0 ? lLeft : lRight;
    int32_t lAt = lFrom;
    if (pProg->p[lFrom].cOp != 'L') {
      s.lIn = lFrom;
      lAt = static_cast<int32_t>(pProg->n);
      pProg->p[pProg->n++] = s;
    }
    STEP *t = &pProg->p[lAt];
    if (p->pLeft == nullptr) { /* unary minus */
      t->llSign = -t->llSign;
      t->llC = -t->llC;
    } else if (p->bSub == '+') {
      t->llC += lLeft >= 0 ? llRight : llLeft;
    } else if (lLeft >= 0) { /* x - c */
      t->llC -= llRight;
    } else { /* c - x */
      t->llSign = -t->llSign;
      t->llC = llLeft - t->llC;
    }
    vLinearBound(t);
    plStep[i] = lAt;
  }
  pProg->lResult = plStep[0];
  return true;
}

/* Runs a program with * = x; false when a step leaves 32 bits. */
bool bRun(const PROGRAM &prog, int64_t x, int32_t *plValue)
{
  int64_t *v = prog.pllValue;
  for (uint32_t i = 0; i < prog.n; i++) {
    const STEP &s = prog.p[i];
    if (s.cOp == 'L') {
      int64_t llIn = s.lIn < 0 ? x : v[s.lIn];
      if (llIn < s.llLo || llIn > s.llHi) return false;
      v[i] = s.llSign * llIn + s.llC;
      continue;
    }
    int64_t a = s.lIn >= 0 ? v[s.lIn] : s.llLeftValue, b = s.lRight >= 0 ? v[s.lRight] : s.llRightValue;
    if (s.cOp == '+')
      v[i] = a + b;
    else if (s.cOp == '-')
      v[i] = a - b;
    else if (s.cOp == '*')
      v[i] = a * b;
    else
      v[i] = b == 0 ? 0 : a / b;
    if (!bFits32(v[i])) return false;
  }
  *plValue = static_cast<int32_t>(v[prog.lResult]);
  return true;
}

/* S: base and displacement from the USING resolution of the operand encoder,
   with * as the context's location. */
void vSValue(const GEN *g, const DCVALUE *v, int32_t lAddress, ADDRVALUE *a)
{
  EXPRCTX *k = pEvalContext(g);
  k->lLocSection = lStarSection(g);
  k->lLocValue = g->bStarFixed ? g->lStarValue : lAddress;
  k->ulRef = ulRefWord(g_asm.ulStmtNo, 0);
  vSConstant(k, v->pTree, g->uOperand, a->abS);
}

/* First evaluation of a value: decides how the later constants get theirs.
   A value using * that repeats is compiled, and the program is checked
   against this evaluation. */
void vAddressFirst(GEN *g, const DCVALUE *v, uint32_t ulBits, int32_t lAddress, ADDRVALUE *a)
{
  bool bStar = !g->bStarFixed && std::memchr(g->op->pText + v->ulStart, E_STAR, v->ulLength) != nullptr;
  a->bMode = bStar ? AV_EACH : AV_FIXED;
  if (g->op->cType == 'S') {
    vSValue(g, v, lAddress, a);
    return;
  }
  if (!bEvaluateValue(g, v, ulBits, lAddress, true, a) || !bStar || g->op->llDup < 2) return;
  int32_t lRun = 0;
  if (bCompile(g, v, ulBits, &a->prog) && a->prog.n > 0 && bRun(a->prog, lAddress, &lRun) && lRun == a->lValue)
    a->bMode = AV_COMPILED;
}

/* The value for the constant at lAddress. */
void vAddressValue(GEN *g, const DCVALUE *v, uint32_t ulBits, int32_t lAddress, ADDRVALUE *a)
{
  if (a->bMode == AV_NEW) {
    vAddressFirst(g, v, ulBits, lAddress, a);
  } else if (a->bMode == AV_COMPILED) {
    if (!bRun(a->prog, lAddress, &a->lValue)) bEvaluateValue(g, v, ulBits, lAddress, false, a); /* its message */
  } else if (a->bMode == AV_EACH) {
    if (g->op->cType == 'S')
      vSValue(g, v, lAddress, a);
    else
      bEvaluateValue(g, v, ulBits, lAddress, false, a);
  }
}

void vRld(GEN *g, int32_t lSection, int32_t lAddress, uint8_t bFlag)
{
  int iReport = iRldAdd(pEsdItem(lSection), static_cast<uint32_t>(lAddress), bFlag);
  if (iReport > g->iReport) g->iReport = iReport;
}

/* Bytes (right-justified in 8) and relocation of one A or Y constant. */
void vAddressConstant(GEN *g, const ADDRVALUE &a, uint32_t ulBits, int32_t lAddress, uint8_t ab[8])
{
  std::memset(ab, 0, 8);
  if (a.bFailed) return;
  int64_t llValue = a.lValue;
  bool bFits = ulBits >= 32 || (llValue >= -(1LL << (ulBits - 1)) && llValue < (1LL << ulBits));
  if (g->op->cType == 'Y' && (llValue < -32768 || llValue > 32767))
    vDcMessage(g, DM_VALUE_LARGE);
  else if (!bFits)
    vDcMessage(g, DM_TRUNCATED);
  if (a.ulPositive + a.ulNegative != 0) {
    if (g->op->bBitLength || ulBits < 16) {
      vDcMessage(g, DM_RELOCATABLE);
    } else {
      uint32_t ulBytes = ulBits / 8;
      for (uint32_t i = 0; i < a.ulPositive; i++) vRld(g, a.plPositive[i], lAddress, bRldFlag(RLD_A, ulBytes, false));
      for (uint32_t i = 0; i < a.ulNegative; i++) vRld(g, a.plNegative[i], lAddress, bRldFlag(RLD_A, ulBytes, true));
    }
  }
  for (unsigned i = 0; i < 4; i++) ab[7 - i] = static_cast<uint8_t>(static_cast<uint32_t>(a.lValue) >> (8 * i));
  if (a.lValue < 0) std::memset(ab, 0xFF, 4);
}

/* V and Q: the external item a name stands for, or null after a message.
   A V constant may also name a control section or an entry point of this
   assembly (*ppLocal, no message): it is then relocated like an A constant
   of the name, flagged V, and the link editor resolves it as it would an
   external one. */
const ESDITEM *pExternalTarget(const GEN *g, const DCVALUE *v, const SYMBOL **ppLocal)
{
  const uint8_t *pName = g->op->pText + v->ulStart;
  const SYMBOL *pSym = pSymbolFind(pName, v->ulLength);
  const ESDITEM *pItem = pSym != nullptr ? pEsdFind(pSym) : nullptr;
  bool bQ = g->op->cType == 'Q';
  *ppLocal = nullptr;
  if (!bQ && pItem != nullptr && pItem->pName == pSym && (pItem->bKind == ESD_SD || pItem->bKind == ESD_LD) &&
      pSym->lSection >= 0) {
    *ppLocal = pSym;
    return nullptr;
  }
  if (pItem == nullptr || (bQ ? pItem->bKind != ESD_XD : pItem->bKind != ESD_ER && pItem->bKind != ESD_WX)) {
    iStmtDiagName(g_aDcMsg[bQ ? DM_NOT_DUMMY : DM_NOT_EXTERNAL], pName, v->ulLength);
    return nullptr;
  }
  if (v->ulLength > ESD_NAME_MAX && pItem->pAlias == nullptr) {
    iStmtDiagName(g_aEsdMsg[ESDM_EXTERNAL_NAME], pName, v->ulLength);
    return nullptr;
  }
  return pItem;
}

/* A Y S V Q: every constant in turn, with * and RLD items at its address. */
void vAddressOperand(GEN *g)
{
  const DCOPERAND *op = g->op;
  bool bName = op->cType == 'V' || op->cType == 'Q';
  ADDRVALUE *aValue = static_cast<ADDRVALUE *>(pStackAlloc(g_def2.pStack, (op->ulValues + 1) * sizeof(ADDRVALUE)));
  const ESDITEM **apTarget =
      static_cast<const ESDITEM **>(pStackAlloc(g_def2.pStack, (op->ulValues + 1) * sizeof(ESDITEM *)));
  const SYMBOL **apLocal =
      static_cast<const SYMBOL **>(pStackAlloc(g_def2.pStack, (op->ulValues + 1) * sizeof(SYMBOL *)));
  uint32_t i = 0;
  if (bName)
    for (const DCVALUE *v = op->pFirst; v != nullptr; v = v->pNext, i++)
      apTarget[i] = pExternalTarget(g, v, &apLocal[i]);
  for (int64_t k = 0; k < op->llDup; k++) {
    i = 0;
    for (const DCVALUE *v = op->pFirst; v != nullptr; v = v->pNext, i++) {
      uint32_t ulBits = ulValueBits(op, v);
      uint32_t ulBytes = (ulBits + 7) / 8;
      int32_t lAddress = static_cast<int32_t>(g->lStart + static_cast<int64_t>(g->ullBits / 8));
      uint8_t ab[8] = {};
      if (bName && apLocal[i] != nullptr) {
        if (op->bBitLength || ulBits < 16) {
          vDcMessage(g, DM_RELOCATABLE);
        } else {
          vRld(g, apLocal[i]->lSection, lAddress, bRldFlag(RLD_V, ulBytes, false));
          for (unsigned k = 0; k < 4; k++)
            ab[7 - k] = static_cast<uint8_t>(static_cast<uint32_t>(apLocal[i]->lValue) >> (8 * k));
        }
      } else if (bName) {
        if (apTarget[i] != nullptr && op->bBitLength) {
          vDcMessage(g, DM_RELOCATABLE);
        } else if (apTarget[i] != nullptr) {
          int iReport = iRldAdd(apTarget[i], static_cast<uint32_t>(lAddress),
                                bRldFlag(op->cType == 'V' ? RLD_V : RLD_Q, ulBytes, false));
          if (iReport == RLD_RA3) g->iReport = RLD_RA3;
        }
      } else {
        ADDRVALUE &a = aValue[i];
        vAddressValue(g, v, ulBits, lAddress, &a);
        if (op->cType == 'S')
          std::memcpy(ab + 6, a.abS, 2);
        else
          vAddressConstant(g, a, ulBits, lAddress, ab);
      }
      vEmitBits(ab, 64 - ulBits, ulBits);
      g->ullBits += ulBits;
    }
  }
  if (g->iReport == RLD_RA2) vDcMessage(g, DM_RA2);
  if (g->iReport == RLD_RA3) vDcMessage(g, DM_RA3);
  if (g->iReport == RLD_DSECT) vDcMessage(g, DM_DSECT_REF);
}

/* Generates one operand at *plLocation (the byte holding the pending bits,
   if any); false when its evaluation failed (message attached). */
bool bOperandGenerate(EXPRCTX *c, EXPRNODE *pOperand, unsigned uOperand, int32_t lSection, const int32_t *plStar,
                      int32_t *plLocation)
{
  DCEVAL *e = pDcEvaluate(c, pOperand, lSection, *plLocation, g_def2.uBits, 0);
  DCOPERAND *op = pDcOperand(pOperand);
  if (e == nullptr || op == nullptr) {
    if (bExprFailed(c))
      iExprDiag(c);
    else
      iStmtDiagOperand(uOperand);
    return false;
  }
  int64_t llLocation = *plLocation;
  if (!op->bBitLength && g_def2.uBits != 0) { /* the partial byte is complete */
    vEmitByte(g_def2.bPending);
    g_def2.bPending = 0;
    g_def2.uBits = 0;
    llLocation++;
  }
  if (e->lStart > llLocation) vEmitBytes(nullptr, static_cast<uint64_t>(e->lStart - llLocation));
  GEN g = {};
  g.c = c;
  g.op = op;
  g.uOperand = uOperand;
  g.lSection = lSection;
  g.bStarFixed = plStar != nullptr;
  if (plStar != nullptr) {
    g.lStarSection = plStar[0];
    g.lStarValue = plStar[1];
  }
  g.lStart = e->lStart;
  g.lEnd = e->lEnd;
  g.ullBits = g_def2.uBits;
  if (op->llDup > 0 && op->pFirst != nullptr) {
    switch (op->cType) {
    case 'A':
    case 'Y':
    case 'S':
    case 'V':
    case 'Q':
      vAddressOperand(&g);
      break;
    default:
      vStaticOperand(&g);
      break;
    }
  }
  /* the operand fills exactly the extent its evaluation gave */
  uint64_t ullExtent = 8ULL * static_cast<uint64_t>(e->lEnd - e->lStart) + e->ulBitOffset;
  if (g.ullBits < ullExtent) vEmitZeroBits(ullExtent - g.ullBits);
  *plLocation = e->lEnd;
  return true;
}

/* The first operand sub-record of the record in hand, or null. */
const uint8_t *pOperandsOf(int *piOperands)
{
  uint32_t ulLabel = 0;
  const uint8_t *pLabel = nullptr, *pFirst = nullptr;
  *piOperands = iStmtLocate(&ulLabel, &pLabel, &pFirst);
  return *piOperands > 0 ? pFirst : nullptr;
}

void vStatementEnd()
{
  if (g_def2.uBits != 0) vEmitByte(g_def2.bPending);
  g_def2.bPending = 0;
  g_def2.uBits = 0;
  vFlush();
}

} // namespace

void vDcStatement()
{
  if (g_rec.ulLength < STMT_HEAD || (usStmtFlags() & SF_UNASSIGNED) != 0) return;
  vStacksReset();
  int32_t lSection = lStmtSection();
  int32_t lLocation = static_cast<int32_t>(ulStmtLocation());
  int iOperands = 0;
  const uint8_t *pOp = pOperandsOf(&iOperands);
  g_def2.ulOut = 0;
  g_def2.bPending = 0;
  g_def2.uBits = 0;
  for (int i = 0; i < iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOp, &ulLength);
    unsigned uOperand = static_cast<unsigned>(i + 1);
    EXPRCTX *c = pExprParse(pText, ulLength, uOperand, nullptr, g_def2.pStack, PF_LITERAL, ET_DCOPERAND);
    if (bExprFailed(c) || c->pTree == nullptr) {
      if (bExprFailed(c))
        iExprDiag(c);
      else
        iStmtDiagOperand(uOperand);
      break;
    }
    if (!bOperandGenerate(c, c->pTree, uOperand, lSection, nullptr, &lLocation)) break;
  }
  vStatementEnd();
}

void vLiteralStatement()
{
  if (g_rec.ulLength < STMT_HEAD || (usStmtFlags() & SF_UNASSIGNED) != 0) return;
  vStacksReset();
  int32_t lSection = lStmtSection();
  int32_t lLocation = static_cast<int32_t>(ulStmtLocation());
  const uint8_t *pPool = pStmtSub(SUB_POOL), *pKey = pStmtSub(SUB_VALUE);
  int32_t lPool = pPool != nullptr ? static_cast<int32_t>(ulGet32(pPool + 4)) : 1;
  int32_t lKey2 = pKey != nullptr ? static_cast<int32_t>(ulGet32(pKey + 4)) : 0;
  int iOperands = 0;
  const uint8_t *pOp = pOperandsOf(&iOperands);
  if (pOp == nullptr) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pOp, &ulLength);
  /* the constant's address, and * as it stood where the literal was used */
  int32_t alStar[2] = {lSection, lLocation};
  const SYMBOL *pLit = pLiteralFind(pText, ulLength, lPool, lKey2);
  if (pLit != nullptr && pLit->bFlags < SYMF_VALUE_PENDING && pLit->lValue >= 0) {
    lSection = pLit->lSection;
    lLocation = pLit->lValue;
    alStar[0] = pLit->lOrgSection;
    alStar[1] = pLit->lOrgValue;
  }
  EXPRCTX *c = pExprParse(pText, ulLength, 0, nullptr, g_def2.pStack, PF_LITERAL, ET_EXPRESSION);
  g_def2.ulOut = 0;
  g_def2.bPending = 0;
  g_def2.uBits = 0;
  if (bExprFailed(c) || c->pTree == nullptr || c->pTree->bKind != EN_LITERAL || pDcOperand(c->pTree) == nullptr) {
    if (bExprFailed(c))
      iExprDiag(c);
    else
      iStmtDiagOperand(1);
    return;
  }
  bOperandGenerate(c, c->pTree, 0, lSection, alStar, &lLocation);
  vStatementEnd();
}
