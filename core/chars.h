/*
** chars.h - character codes of the run: the ASCII/EBCDIC translation tables,
** the upper-casing tables and the EBCDIC character class table; and the
** scans over statement text that every phase shares (where a quote opens a
** string, how a list splits at its commas).
**
** Statement text inside the core is EBCDIC.  The host side (source files,
** file names, messages) is ASCII.  Translation starts from the standard
** characters below (blank, digits, both alphabets and the special characters
** of the assembler language), which always translate to their code page 037
** codes; options files and the command line add further pairs ("hh=hh") or
** remove them ("hh=").  The option step owns all changes; every other module
** only reads the tables.
**
** Invariants:
**  - A standard character and its EBCDIC code always translate to each other;
**    no other ASCII code may take the EBCDIC code of a standard character.
**  - A code without a defined translation maps to the other side's blank
**    (ASCII X'20', EBCDIC X'40'); its entry in the "defined" table is 0.
**  - g_abClass marks CC_OPERAND exactly for the EBCDIC codes that have an
**    ASCII translation, so it must be rebuilt (vCharsBuildClasses) after the
**    translation pairs are final.
*/
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

/* The standard characters, in the order of their codes in g_abStandardEbcdic. */
constexpr unsigned CHARS_STANDARD = 78;
extern const char g_achStandard[CHARS_STANDARD + 1];
extern const uint8_t g_abStandardEbcdic[CHARS_STANDARD];

/* Values of the "defined" tables. */
enum : uint8_t {
  CHD_NONE = 0,
  CHD_PAIR = 1,     /* given by a translation pair */
  CHD_STANDARD = 2, /* a standard character or its EBCDIC code */
};

/* Bits of the EBCDIC character class table. */
enum : uint8_t {
  CC_LETTER = 0x01,  /* A-Z, a-z, $, #, @, _: may start a symbol */
  CC_DIGIT = 0x02,   /* 0-9 */
  CC_NAME = 0x04,    /* letters and digits */
  CC_HEX = 0x08,     /* 0-9, A-F, a-f */
  CC_OPERAND = 0x10, /* has an ASCII translation: valid in an operand */
};

constexpr uint8_t EBCDIC_BLANK = 0x40;
constexpr uint8_t ASCII_BLANK = 0x20;

/* EBCDIC codes of the characters the statement modules look for: the
   specials of the assembler language, the upper-case letters used as keys
   and the digits. */
constexpr uint8_t E_DOT = 0x4B, E_LPAREN = 0x4D, E_PLUS = 0x4E, E_AMP = 0x50, E_STAR = 0x5C, E_RPAREN = 0x5D,
                  E_MINUS = 0x60, E_SLASH = 0x61, E_COMMA = 0x6B, E_COLON = 0x7A, E_QUOTE = 0x7D, E_EQUAL = 0x7E;
constexpr uint8_t E_A = 0xC1, E_B = 0xC2, E_C = 0xC3, E_D = 0xC4, E_E = 0xC5, E_F = 0xC6, E_G = 0xC7, E_H = 0xC8,
                  E_I = 0xC9, E_J = 0xD1, E_K = 0xD2, E_L = 0xD3, E_M = 0xD4, E_N = 0xD5, E_O = 0xD6, E_P = 0xD7,
                  E_Q = 0xD8, E_R = 0xD9, E_S = 0xE2, E_T = 0xE3, E_U = 0xE4, E_V = 0xE5, E_W = 0xE6, E_X = 0xE7,
                  E_Y = 0xE8, E_Z = 0xE9;
constexpr uint8_t E_0 = 0xF0, E_1 = 0xF1, E_9 = 0xF9;

extern uint8_t g_abAsciiToEbcdic[256];
extern uint8_t g_abEbcdicToAscii[256];
extern uint8_t g_abAsciiDefined[256];  /* CHD_* per ASCII code */
extern uint8_t g_abEbcdicDefined[256]; /* CHD_* per EBCDIC code */
extern uint8_t g_abUpper[256];         /* EBCDIC to upper case */
extern uint8_t g_abUpperAscii[256];    /* ASCII to upper case */
extern uint8_t g_abClass[256];         /* CC_* per EBCDIC code */

/* Back to the standard characters only; rebuilds the class table. */
void vCharsReset();

/* Outcome of a translation pair. */
enum CHARPAIR {
  CP_OK,
  CP_STANDARD_ASCII,  /* the ASCII code is a standard character */
  CP_STANDARD_EBCDIC, /* the EBCDIC code belongs to a standard character */
};
/* Adds or changes the pair ASCII bAscii = EBCDIC bEbcdic. */
CHARPAIR iCharsPair(uint8_t bAscii, uint8_t bEbcdic);
/* Removes the translation of an ASCII code ("hh="). */
CHARPAIR iCharsRemove(uint8_t bAscii);

/* Checks that every standard character translates both ways; false with
   the first failing pair in *pbAscii, *pbEbcdic. */
bool bCharsStandardOk(uint8_t *pbAscii, uint8_t *pbEbcdic);

/* Rebuilds the upper-casing and class tables from the translation tables. */
void vCharsBuildClasses();

/* Translates ulLen bytes; pDst may equal pSrc. */
void vAsciiToEbcdic(uint8_t *pDst, const uint8_t *pSrc, size_t ulLen);
void vEbcdicToAscii(uint8_t *pDst, const uint8_t *pSrc, size_t ulLen);

/* The EBCDIC codes of the hexadecimal digits 0-9, A-F. */
extern const uint8_t g_abEbcdicHexDigit[16];

/* Numbers as EBCDIC text, the way printf writes them ("%*lu", "%0*lX"):
   the decimal digits right-aligned in at least ulWidth columns filled with
   blanks; the hexadecimal digits (upper case) in at least ulDigits columns
   filled with zeros (at most 64).  pDst holds max(ulWidth, ulDigits, 20)
   bytes; the length written. */
uint32_t ulEbcdicDecimal(uint8_t *pDst, uint64_t ullValue, uint32_t ulWidth);
uint32_t ulEbcdicHex(uint8_t *pDst, uint64_t ullValue, uint32_t ulDigits);

/* Whether u (upper case) is a letter of the attributes ordinary
   expressions know: I, K, L, N, S and T. */
bool bAttributeLetter(uint8_t u);

/* The letters after which a quote is an attribute's, by where the text is. */
enum QUOTERULE : uint8_t {
  QR_ORDINARY,    /* I K L N S T: operands of ordinary statements */
  QR_CONDITIONAL, /* and D, O, which only conditional assembly knows */
  QR_SUBLIST,     /* I K L S T: the split of a sublist */
  QR_DEFAULT,     /* I L S T: default values of a prototype */
};
/* Whether the quote at p[i] of the text p[0..n) opens a string.  It does
   not when it is an attribute's (L'NAME): it follows an attribute letter of
   the rule that does not end a longer name, and neither the text's end nor
   a digit, '.', '+' or '-' follows it. */
bool bOpensString(const uint8_t *p, size_t i, size_t n, QUOTERULE rule = QR_ORDINARY);

/* Whether p[0..k) ends with the name of a variable symbol: '&' (not one of
   a pair) and alphanumerics. */
bool bEndsWithVariable(const uint8_t *p, size_t k);

/* Strings of a scan over conditional-assembly text.  Inside a string the
   subscript of a variable is an expression, where the quote of an attribute
   (N'&X) does not end the string. */
struct STRINGS {
  /* the characters that can change the state inside a string */
  static bool bQuotedSpecial(uint8_t b) { return b == E_QUOTE || b == E_LPAREN || b == E_RPAREN; }
  bool bQuote = false;
  int iSubscript = 0;
  QUOTERULE rule = QR_CONDITIONAL; /* of the quotes outside strings */
  /* Takes the quote or parenthesis b; true when that was all there is to do
     with it (it is in a string, or is a quote).  fOpens tells whether a
     quote there opens a string, fAfterVariable whether the text before it
     ends with a variable's name. */
  template <typename FOPENS, typename FAFTER> bool bStep(uint8_t b, FOPENS fOpens, FAFTER fAfterVariable)
  {
    if (!bQuote) {
      if (b == E_QUOTE) bQuote = fOpens();
      return b == E_QUOTE;
    }
    if (b == E_LPAREN && (iSubscript > 0 || fAfterVariable()))
      iSubscript++;
    else if (b == E_RPAREN && iSubscript > 0)
      iSubscript--;
    else if (b == E_QUOTE && (iSubscript == 0 || fOpens()))
      bQuote = false, iSubscript = 0;
    return true;
  }
  /* bStep for p[k] of the text p[0..n) */
  bool bTake(const uint8_t *p, size_t k, size_t n)
  {
    return bStep(
        p[k], [&] { return bOpensString(p, k, n, rule); }, [&] { return bEndsWithVariable(p, k); });
  }
};

/* The characters the scans of lists and parentheses stop at. */
inline constexpr std::array<bool, 256> c_abListStop = [] {
  std::array<bool, 256> a{};
  a[E_QUOTE] = a[E_LPAREN] = a[E_RPAREN] = a[E_COMMA] = true;
  return a;
}();
/* Splits a list at the commas outside quotes and parentheses: (offset,
   length) pairs.  The rule says which quotes are attributes'. */
void vCondSplit(const uint8_t *pText, uint32_t ulLength, std::vector<std::pair<uint32_t, uint32_t>> *pItems,
                QUOTERULE rule = QR_CONDITIONAL);

/* Host text with each character from X'80' on (Latin-1) as its two-byte
   UTF-8 sequence; pDst holds 2 * ulLen bytes and may not overlap pSrc.
   Returns the bytes written. */
size_t ulLatin1ToUtf8(uint8_t *pDst, const uint8_t *pSrc, size_t ulLen);
