/*
** chars.cpp - the translation, upper-casing and character class tables
** (module "chars").
**
** Calls: the services only.
** Called by: every layer above.
**
** Owns the tables declared in chars.h.  They hold the standard characters
** from program start, so modules and tests that run without an option step
** still translate the assembler language's own characters.
*/
#include "chars.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>

const char g_achStandard[CHARS_STANDARD + 1] =
    " .(+&$*)-/,_#@'=abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

const uint8_t g_abStandardEbcdic[CHARS_STANDARD] = {
    0x40, 0x4B, 0x4D, 0x4E, 0x50, 0x5B, 0x5C, 0x5D, 0x60, 0x61, 0x6B, 0x6D, 0x7B, 0x7C, 0x7D, 0x7E, /* specials */
    0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94,                   /* a-m */
    0x95, 0x96, 0x97, 0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9,                   /* n-z */
    0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4,                   /* A-M */
    0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9,                   /* N-Z */
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9,                                     /* 0-9 */
};

const uint8_t g_abEbcdicHexDigit[16] = {E_0,     E_0 + 1, E_0 + 2, E_0 + 3, E_0 + 4, E_0 + 5, E_0 + 6, E_0 + 7,
                                        E_0 + 8, E_9,     E_A,     E_B,     E_C,     E_D,     E_E,     E_F};

uint8_t g_abAsciiToEbcdic[256];
uint8_t g_abEbcdicToAscii[256];
uint8_t g_abAsciiDefined[256];
uint8_t g_abEbcdicDefined[256];
uint8_t g_abUpper[256];
uint8_t g_abUpperAscii[256];
uint8_t g_abClass[256];

namespace {

struct CHARSINIT {
  CHARSINIT() { vCharsReset(); }
};
const CHARSINIT c_init;

uint8_t bEbcdicOf(char c)
{
  const char *p = std::strchr(g_achStandard, c);
  return c != '\0' && p != nullptr ? g_abStandardEbcdic[p - g_achStandard] : EBCDIC_BLANK;
}

/* Forgets the EBCDIC side of a pair whose ASCII side is bAscii. */
void vDropReverse(uint8_t bAscii)
{
  uint8_t bOld = g_abAsciiToEbcdic[bAscii];
  if (g_abEbcdicDefined[bOld] == CHD_PAIR && g_abEbcdicToAscii[bOld] == bAscii) {
    g_abEbcdicToAscii[bOld] = ASCII_BLANK;
    g_abEbcdicDefined[bOld] = CHD_NONE;
  }
}

} // namespace

void vCharsReset()
{
  std::memset(g_abAsciiToEbcdic, EBCDIC_BLANK, sizeof g_abAsciiToEbcdic);
  std::memset(g_abEbcdicToAscii, ASCII_BLANK, sizeof g_abEbcdicToAscii);
  std::memset(g_abAsciiDefined, CHD_NONE, sizeof g_abAsciiDefined);
  std::memset(g_abEbcdicDefined, CHD_NONE, sizeof g_abEbcdicDefined);
  for (unsigned i = 0; i < CHARS_STANDARD; i++) {
    uint8_t bAscii = static_cast<uint8_t>(g_achStandard[i]);
    uint8_t bEbcdic = g_abStandardEbcdic[i];
    g_abAsciiToEbcdic[bAscii] = bEbcdic;
    g_abEbcdicToAscii[bEbcdic] = bAscii;
    g_abAsciiDefined[bAscii] = CHD_STANDARD;
    g_abEbcdicDefined[bEbcdic] = CHD_STANDARD;
  }
  vCharsBuildClasses();
}

CHARPAIR iCharsPair(uint8_t bAscii, uint8_t bEbcdic)
{
  if (g_abAsciiDefined[bAscii] == CHD_STANDARD) return CP_STANDARD_ASCII;
  if (g_abEbcdicDefined[bEbcdic] == CHD_STANDARD) return CP_STANDARD_EBCDIC;
  if (g_abAsciiDefined[bAscii] == CHD_PAIR) vDropReverse(bAscii);
  g_abAsciiToEbcdic[bAscii] = bEbcdic;
  g_abAsciiDefined[bAscii] = CHD_PAIR;
  g_abEbcdicToAscii[bEbcdic] = bAscii;
  g_abEbcdicDefined[bEbcdic] = CHD_PAIR;
  return CP_OK;
}

CHARPAIR iCharsRemove(uint8_t bAscii)
{
  if (g_abAsciiDefined[bAscii] == CHD_STANDARD) return CP_STANDARD_ASCII;
  if (g_abAsciiDefined[bAscii] == CHD_PAIR) vDropReverse(bAscii);
  g_abAsciiToEbcdic[bAscii] = EBCDIC_BLANK;
  g_abAsciiDefined[bAscii] = CHD_NONE;
  return CP_OK;
}

bool bCharsStandardOk(uint8_t *pbAscii, uint8_t *pbEbcdic)
{
  for (unsigned i = 0; i < CHARS_STANDARD; i++) {
    uint8_t bAscii = static_cast<uint8_t>(g_achStandard[i]);
    uint8_t bEbcdic = g_abStandardEbcdic[i];
    if (g_abAsciiToEbcdic[bAscii] != bEbcdic || g_abEbcdicToAscii[bEbcdic] != bAscii) {
      *pbAscii = bAscii;
      *pbEbcdic = bEbcdic;
      return false;
    }
  }
  return true;
}

void vCharsBuildClasses()
{
  for (unsigned i = 0; i < 256; i++) {
    g_abUpper[i] = static_cast<uint8_t>(i);
    g_abUpperAscii[i] = static_cast<uint8_t>(i >= 'a' && i <= 'z' ? i - 'a' + 'A' : i);
    g_abClass[i] = g_abEbcdicDefined[i] != CHD_NONE ? CC_OPERAND : 0;
  }
  for (char c = 'a'; c <= 'z'; c++) {
    uint8_t bLower = bEbcdicOf(c);
    uint8_t bUpperCase = bEbcdicOf(static_cast<char>(c - 'a' + 'A'));
    g_abUpper[bLower] = bUpperCase;
    g_abClass[bLower] |= CC_LETTER | CC_NAME;
    g_abClass[bUpperCase] |= CC_LETTER | CC_NAME;
    if (c <= 'f') {
      g_abClass[bLower] |= CC_HEX;
      g_abClass[bUpperCase] |= CC_HEX;
    }
  }
  for (char c : {'$', '#', '@', '_'}) g_abClass[bEbcdicOf(c)] |= CC_LETTER | CC_NAME;
  for (char c = '0'; c <= '9'; c++) g_abClass[bEbcdicOf(c)] |= CC_DIGIT | CC_NAME | CC_HEX;
}

void vAsciiToEbcdic(uint8_t *pDst, const uint8_t *pSrc, size_t ulLen)
{
  for (size_t i = 0; i < ulLen; i++) pDst[i] = g_abAsciiToEbcdic[pSrc[i]];
}

void vEbcdicToAscii(uint8_t *pDst, const uint8_t *pSrc, size_t ulLen)
{
  /* listing lines are long, with many blanks: a word of blanks at a time */
  constexpr uint64_t ONES = 0x0101010101010101u;
  const uint64_t ullBlanks = g_abEbcdicToAscii[0x40] * ONES;
  size_t i = 0;
  for (; i + 8 <= ulLen; i += 8) {
    uint64_t w = 0;
    std::memcpy(&w, pSrc + i, sizeof w);
    if (w == 0x40 * ONES) {
      std::memcpy(pDst + i, &ullBlanks, sizeof ullBlanks);
      continue;
    }
    pDst[i] = g_abEbcdicToAscii[pSrc[i]];
    pDst[i + 1] = g_abEbcdicToAscii[pSrc[i + 1]];
    pDst[i + 2] = g_abEbcdicToAscii[pSrc[i + 2]];
    pDst[i + 3] = g_abEbcdicToAscii[pSrc[i + 3]];
    pDst[i + 4] = g_abEbcdicToAscii[pSrc[i + 4]];
    pDst[i + 5] = g_abEbcdicToAscii[pSrc[i + 5]];
    pDst[i + 6] = g_abEbcdicToAscii[pSrc[i + 6]];
    pDst[i + 7] = g_abEbcdicToAscii[pSrc[i + 7]];
  }
  for (; i < ulLen; i++) pDst[i] = g_abEbcdicToAscii[pSrc[i]];
}

uint32_t ulEbcdicDecimal(uint8_t *pDst, uint64_t ullValue, uint32_t ulWidth)
{
  /* digit pairs 00 .. 99: half the divisions of one digit at a time */
  static constexpr auto c_abPairs = [] {
    std::array<uint8_t, 200> ab{};
    for (unsigned i = 0; i < 100; i++) {
      ab[2 * i] = static_cast<uint8_t>(E_0 + i / 10);
      ab[2 * i + 1] = static_cast<uint8_t>(E_0 + i % 10);
    }
    return ab;
  }();
  /* the digits counted first, then written in place from the right */
  static constexpr auto c_aullPower = [] {
    std::array<uint64_t, 20> a{};
    a[0] = 1;
    for (unsigned i = 1; i < a.size(); i++) a[i] = a[i - 1] * 10;
    return a;
  }();
  uint32_t n = 1;
  while (n < c_aullPower.size() && ullValue >= c_aullPower[n]) n++;
  uint32_t ulPad = ulWidth > n ? ulWidth - n : 0;
  for (uint32_t i = 0; i < ulPad; i++) pDst[i] = EBCDIC_BLANK;
  uint8_t *q = pDst + ulPad + n;
  auto digits = [&q](auto v) {
    for (; v >= 100; v /= 100) {
      q -= 2;
      std::memcpy(q, &c_abPairs[2 * (v % 100)], 2);
    }
    if (v >= 10) {
      q -= 2;
      std::memcpy(q, &c_abPairs[2 * v], 2);
    } else {
      *--q = static_cast<uint8_t>(E_0 + v);
    }
  };
  if (ullValue <= UINT32_MAX) /* the common case, in cheaper arithmetic */
    digits(static_cast<uint32_t>(ullValue));
  else
    digits(ullValue);
  return ulPad + n;
}

bool bAttributeLetter(uint8_t u) { return u == E_I || u == E_K || u == E_L || u == E_N || u == E_S || u == E_T; }

bool bOpensString(const uint8_t *p, size_t i, size_t n, QUOTERULE rule)
{
  if (i == 0) return true;
  uint8_t u = g_abUpper[p[i - 1]];
  bool bLetter = rule == QR_DEFAULT   ? u == E_I || u == E_L || u == E_S || u == E_T
                 : rule == QR_SUBLIST ? u != E_N && bAttributeLetter(u)
                                      : bAttributeLetter(u) || (rule == QR_CONDITIONAL && (u == E_D || u == E_O));
  if (!bLetter) return true;
  if (i >= 2 && (g_abClass[p[i - 2]] & CC_NAME)) return true;
  if (i + 1 >= n) return false;
  uint8_t bNext = p[i + 1];
  return (g_abClass[bNext] & CC_DIGIT) || bNext == E_DOT || bNext == E_PLUS || bNext == E_MINUS;
}

uint32_t ulEbcdicHex(uint8_t *pDst, uint64_t ullValue, uint32_t ulDigits)
{
  uint32_t n = std::max((static_cast<uint32_t>(std::bit_width(ullValue)) + 3) / 4, std::min(ulDigits, 64u));
  if (n == 0) n = 1;
  for (uint32_t i = n; i-- > 0; ullValue >>= 4) pDst[i] = g_abEbcdicHexDigit[ullValue & 15];
  return n;
}

size_t ulLatin1ToUtf8(uint8_t *pDst, const uint8_t *pSrc, size_t ulLen)
{
  size_t n = 0;
  for (size_t i = 0; i < ulLen; i++) {
    uint8_t c = pSrc[i];
    if (c < 0x80) {
      pDst[n++] = c;
    } else {
      pDst[n++] = static_cast<uint8_t>(0xC0 | c >> 6);
      pDst[n++] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    }
  }
  return n;
}

/* ---- lists ------------------------------------------------------------ */

bool bEndsWithVariable(const uint8_t *p, size_t k)
{
  size_t i = k;
  while (i > 0 && (g_abClass[p[i - 1]] & (CC_LETTER | CC_NAME)) != 0) i--;
  if (i == k) return false;
  size_t ulAmps = 0;
  while (i > 0 && p[i - 1] == E_AMP) i--, ulAmps++;
  return ulAmps % 2 == 1;
}

namespace {

/* End of the list item that starts at p[ulFrom]: the comma after it outside
   quotes and parentheses, or n. */
uint32_t ulItemEnd(const uint8_t *p, uint32_t n, uint32_t ulFrom, QUOTERULE rule)
{
  int iDepth = 0;
  STRINGS str;
  str.rule = rule;
  for (uint32_t k = ulFrom; k < n; k++) {
    uint8_t b = p[k];
    if (!c_abListStop[b] || str.bTake(p, k, n)) continue;
    if (b == E_LPAREN) {
      iDepth++;
    } else if (b == E_RPAREN) {
      if (iDepth > 0) iDepth--;
    } else if (b == E_COMMA && iDepth == 0) {
      return k;
    }
  }
  return n;
}

} // namespace

void vCondSplit(const uint8_t *p, uint32_t n, std::vector<std::pair<uint32_t, uint32_t>> *pItems, QUOTERULE rule)
{
  pItems->clear();
  for (uint32_t ulStart = 0;;) {
    uint32_t ulEnd = ulItemEnd(p, n, ulStart, rule);
    pItems->emplace_back(ulStart, ulEnd - ulStart);
    if (ulEnd >= n) return;
    ulStart = ulEnd + 1;
  }
}
