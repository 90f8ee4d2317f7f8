/*
** prn2.cpp - the listing writer and the statement lines of the code
** generation phase (module "prn2").
**
** Calls: msc2, pun2, stmt, usg2, xrf2.
** Called by: asm, asm2, msc1, xrf2.
**
** Owns the listing state: the SYSPRINT file, its record form, width, page
** control and LINECOUNT, the page and line counters, the heading texts, the
** printer's font state, and the active-USINGs lines shown in the heading of
** the statement listing.
**
** Notes on the design:
**  - ulLine is the number of lines used on the page, counting lines only
**    skipped; 0 means a new page starts before the next line.  ulWritten is
**    how far the page was actually written: the next printed line writes the
**    difference in the form of the page control (empty lines, ASA
**    characters).  Skips at the top of a page still to start are dropped.
**  - The printable width is the LIST value less its carriage-control
**    position (120 or 132); a fixed-length EBCDIC record of n bytes holds
**    the ASA character and n - 1 printable columns.
**  - Without paging (LINECOUNT(0)) only the first page gets a heading; a
**    forced page writes the page separator alone, and at most 100 blank
**    lines are kept pending.
**  - Output goes through one 256-byte buffer.  A failed write ends the run;
**    after it nothing more is written, not even at close.
*/
#define MEM_MODULE "prn2"

#include "prn2.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "file.h"
#include "gen1.h"
#include "ins2.h"
#include "msc1.h"
#include "msc2.h"
#include "opt.h"
#include "pun2.h"
#include "src1.h"
#include "svc.h"
#include "usg2.h"
#include "vorn.h"
#include "work.h"
#include "xrf2.h"

namespace {

constexpr uint32_t OUT_BUFFER = 262144; /* listing bytes collected before a write */
constexpr uint32_t OUT_PIECE = 256;     /* host text converted to UTF-8 at a time */
constexpr uint32_t WIDTH_BEFORE_OPTIONS = 132;
constexpr uint32_t HEADING_BLOCK = 30; /* " VORN 1.2.00  yyyy/mm/dd hh.mm" */
constexpr uint32_t SPACING_MAX = 2;
constexpr uint32_t CARD_COLUMNS = 80;
constexpr uint32_t RECORDS_MAX = 10000; /* sanity bound of a statement's records */
constexpr uint32_t OBJECT_PER_LINE = 8;
constexpr uint32_t CONTINUE_COLUMN = 15; /* broken substituted text resumes here (0-based) */
constexpr uint32_t MARK_COLUMN = 71;     /* continuation mark (0-based) */
constexpr uint32_t LITERAL_COLUMN = 9;   /* literal text of a literal pool entry (0-based) */

constexpr uint8_t ASA_NEW_PAGE = '1', ASA_SINGLE = ' ', ASA_DOUBLE = '0', ASA_TRIPLE = '-';
constexpr uint8_t EASA_NEW_PAGE = 0xF1, EASA_SINGLE = 0x40, EASA_DOUBLE = 0xF0, EASA_TRIPLE = 0x60;

struct LISTSTATE {
  FILE *pFile;
  bool bOpen;
  bool bFailed; /* a write failed: nothing more is written */
  char achName[PATH_MAX + 1];
  uint32_t ulForm; /* LW_* or a fixed record length */
  bool bEbcdic;    /* record forms V and fixed */
  uint8_t bBlank;
  uint32_t ulWidth;
  uint8_t bCtl; /* PC_* */
  uint32_t ulLineCount;
  bool bWide; /* LIST(133) statement layout */
  uint32_t ulLine, ulWritten;
  uint16_t usPage;
  bool bStarted;   /* a page was begun */
  bool bPageStart; /* the next line written begins a page */
  uint32_t ulFill; /* NL: empty lines that end the previous page */
  bool bInHeading;
  uint8_t bIdForm, bTitleForm, bColumnsForm;
  uint8_t abId[LIST_ID_MAX];
  uint32_t ulId;
  uint8_t abTitle[LIST_TITLE_MAX];
  uint32_t ulTitle;
  uint8_t abColumns[LIST_COLUMNS_MAX];
  uint32_t ulColumns;
  char achBlock[64]; /* product and date of the headings, built at the first */
  PFNLISTHEADING pfnHeading;
  uint32_t ulSpacing;
  bool bBoldSwitch, bBoldNow;
  const char *pszBoldOn, *pszBoldOff;
  uint8_t abOut[OUT_BUFFER];
  uint32_t ulOut;
  uint32_t ulNumber;    /* the statement number shown last, */
  bool bNumber;         /* if any, */
  uint8_t abNumber[20]; /* in its 6 columns (room for ulEbcdicDecimal) */
  USINGLINES usings;    /* active-USINGs heading lines */
  bool bUsings;         /* lines were built */
  bool bShowUsings;     /* the statement in hand has PRINT UHEAD */
};
LISTSTATE g_lst = {};

/* ---- output -------------------------------------------------------------------- */

[[noreturn]] void vWriteFailed(int iErr)
{
  g_lst.bFailed = true;
  g_lst.ulOut = 0;
  vSvcMessage("KZM900S Error writing listing file %s: %s", g_lst.achName, std::strerror(iErr != 0 ? iErr : EIO));
  vSvcTerminate();
}

void vFlush()
{
  uint32_t ulCount = g_lst.ulOut;
  g_lst.ulOut = 0;
  if (ulCount == 0 || g_lst.bFailed) return;
  errno = 0;
  if (std::fwrite(g_lst.abOut, 1, ulCount, g_lst.pFile) != ulCount) vWriteFailed(errno);
}

void vOut(const void *p, size_t ulCount)
{
  const uint8_t *pb = static_cast<const uint8_t *>(p);
  if (ulCount <= OUT_BUFFER - g_lst.ulOut) { /* the common case: it fits */
    std::memcpy(g_lst.abOut + g_lst.ulOut, pb, ulCount);
    g_lst.ulOut += static_cast<uint32_t>(ulCount);
    return;
  }
  while (ulCount > 0) {
    if (g_lst.ulOut == OUT_BUFFER) vFlush();
    size_t ulPart = OUT_BUFFER - g_lst.ulOut;
    if (ulPart > ulCount) ulPart = ulCount;
    std::memcpy(g_lst.abOut + g_lst.ulOut, pb, ulPart);
    g_lst.ulOut += static_cast<uint32_t>(ulPart);
    pb += ulPart;
    ulCount -= ulPart;
  }
}

void vOutByte(uint8_t b)
{
  if (g_lst.ulOut == OUT_BUFFER) vFlush();
  g_lst.abOut[g_lst.ulOut++] = b;
}

/* Host text of a line: in UTF-8 when the source was, so that a character
   reaches the listing as the source had it. */
void vOutHost(const uint8_t *p, uint32_t ulCount)
{
  if (!bSvcSourceUtf8()) {
    vOut(p, ulCount);
    return;
  }
  uint8_t abUtf8[2 * OUT_PIECE];
  for (uint32_t ulPart; ulCount > 0; p += ulPart, ulCount -= ulPart) {
    ulPart = ulCount < OUT_PIECE ? ulCount : OUT_PIECE;
    vOut(abUtf8, ulLatin1ToUtf8(abUtf8, p, ulPart));
  }
}
void vOutText(const char *psz) { vOut(psz, std::strlen(psz)); }

void vLineEnd()
{
  if (g_lst.ulForm != LW_LF) vOutByte(0x0D);
  if (g_lst.ulForm != LW_CR) vOutByte(0x0A);
}

/* ---- character sets ------------------------------------------------------------- */

/* Copies text of a form into the listing's character set. */
void vConvert(uint8_t *pDst, const uint8_t *pSrc, uint32_t ulCount, uint8_t bForm)
{
  bool bSrcEbcdic = bForm == LIST_EBCDIC;
  if (bSrcEbcdic == g_lst.bEbcdic)
    std::memmove(pDst, pSrc, ulCount);
  else if (g_lst.bEbcdic)
    vAsciiToEbcdic(pDst, pSrc, ulCount);
  else
    vEbcdicToAscii(pDst, pSrc, ulCount);
}

/* Places text (in its form) at a 0-based column of a listing line of the
   listing's width, cut at the width. */
void vPlace(uint8_t *pLine, uint32_t ulColumn, const void *pText, uint32_t ulCount, uint8_t bForm)
{
  if (ulColumn >= g_lst.ulWidth) return;
  if (ulCount > g_lst.ulWidth - ulColumn) ulCount = g_lst.ulWidth - ulColumn;
  vConvert(pLine + ulColumn, static_cast<const uint8_t *>(pText), ulCount, bForm);
}

/* ---- writing one line -------------------------------------------------------------- */

/* Text in groups of 8 columns: a group ending in two or more blanks gives
   its non-blank part and one tab. */
void vOutTabbed(const uint8_t *pText, uint32_t ulLength)
{
  for (uint32_t g = 0; g < ulLength; g += 8) {
    uint32_t ulEnd = g + 8 <= ulLength ? g + 8 : ulLength;
    if (ulEnd - g == 8) {
      uint32_t k = ulEnd;
      while (k > g && pText[k - 1] == ASCII_BLANK) k--;
      if (ulEnd - k >= 2) {
        vOutHost(pText + g, k - g);
        vOutByte('\t');
        continue;
      }
    }
    vOutHost(pText + g, ulEnd - g);
  }
}

void vOutUnderlined(const uint8_t *pText, uint32_t ulLength)
{
  for (uint32_t i = 0; i < ulLength;) {
    if (pText[i] == ASCII_BLANK) {
      vOutByte(ASCII_BLANK);
      i++;
      continue;
    }
    uint32_t j = i;
    while (j < ulLength && pText[j] != ASCII_BLANK) j++;
    vOutText("\x1b&d0D");
    vOutHost(pText + i, j - i);
    vOutText("\x1b&d@");
    i = j;
  }
}

void vEmitAscii(uint32_t ulFlags, bool bPage, uint32_t ulSkipped, const uint8_t *pText, uint32_t ulLength)
{
  switch (g_lst.bCtl) {
  case PC_ASA: {
    uint8_t bControl = ASA_NEW_PAGE;
    if (!bPage) {
      for (; ulSkipped > 2; ulSkipped -= 3) {
        vOutByte(ASA_TRIPLE);
        vLineEnd();
      }
      bControl = ulSkipped == 0 ? ASA_SINGLE : ulSkipped == 1 ? ASA_DOUBLE : ASA_TRIPLE;
    }
    vOutByte(bControl);
    break;
  }
  case PC_NL:
    for (uint32_t i = bPage ? g_lst.ulFill : ulSkipped; i > 0; i--) vLineEnd();
    break;
  default: /* FF, HP */
    if (bPage) vOutByte(0x0C);
    for (uint32_t i = bPage ? 0 : ulSkipped; i > 0; i--) vLineEnd();
    break;
  }
  if (g_lst.bBoldSwitch) {
    bool bBold = (ulFlags & LL_BOLD) != 0;
    if (bBold != g_lst.bBoldNow) {
      vOutText(bBold ? g_lst.pszBoldOn : g_lst.pszBoldOff);
      g_lst.bBoldNow = bBold;
    }
  }
  if (g_lst.bCtl == PC_HP && (ulFlags & LL_UNDERLINE))
    vOutUnderlined(pText, ulLength);
  else if (g_lst.bCtl == PC_HP)
    vOutTabbed(pText, ulLength);
  else
    vOutHost(pText, ulLength);
  vLineEnd();
}

/* One EBCDIC record: descriptor word (V) or padding (fixed) around the
   control character and the text. */
void vRecordOut(uint8_t bControl, const uint8_t *pText, uint32_t ulLength)
{
  bool bVariable = g_lst.ulForm == LW_V;
  if (bVariable) {
    uint32_t ulRecord = 4 + 1 + ulLength;
    uint8_t abRdw[4] = {static_cast<uint8_t>(ulRecord >> 8), static_cast<uint8_t>(ulRecord), 0, 0};
    vOut(abRdw, sizeof abRdw);
  }
  vOutByte(bControl);
  if (ulLength > 0) vOut(pText, ulLength); /* a record of skipped lines has no text */
  if (!bVariable)
    for (uint32_t i = 1 + ulLength; i < g_lst.ulForm; i++) vOutByte(EBCDIC_BLANK);
}

void vEmitEbcdic(bool bPage, uint32_t ulSkipped, const uint8_t *pText, uint32_t ulLength)
{
  uint8_t bControl = EASA_NEW_PAGE;
  if (!bPage) {
    for (; ulSkipped > 2; ulSkipped -= 3) vRecordOut(EASA_TRIPLE, nullptr, 0);
    bControl = ulSkipped == 0 ? EASA_SINGLE : ulSkipped == 1 ? EASA_DOUBLE : EASA_TRIPLE;
  }
  vRecordOut(bControl, pText, ulLength);
}

/* Writes a line (in the listing's character set, trimmed and cut) after the
   vertical movement pending before it, and counts it. */
void vEmit(uint32_t ulFlags, const uint8_t *pText, uint32_t ulLength)
{
  bool bPage = g_lst.bPageStart;
  g_lst.bPageStart = false;
  uint32_t ulSkipped = !bPage && g_lst.ulLine > g_lst.ulWritten ? g_lst.ulLine - g_lst.ulWritten : 0;
  if (g_lst.bEbcdic)
    vEmitEbcdic(bPage, ulSkipped, pText, ulLength);
  else
    vEmitAscii(ulFlags, bPage, ulSkipped, pText, ulLength);
  g_lst.ulLine++;
  g_lst.ulWritten = g_lst.ulLine;
  if (g_lst.ulLineCount == 0 && !g_lst.bInHeading) g_lst.ulLine = g_lst.ulWritten = 1;
}

uint32_t ulTrimmed(const uint8_t *p, uint32_t ulLength, uint8_t bFiller)
{
  /* whole words of filler first: a line is mostly blank at its end */
  const uint64_t ullFiller = 0x0101010101010101ull * bFiller;
  for (uint64_t ullWord; ulLength >= 8; ulLength -= 8) {
    std::memcpy(&ullWord, p + ulLength - 8, 8);
    if (ullWord != ullFiller) break;
  }
  while (ulLength > 0 && p[ulLength - 1] <= bFiller) ulLength--;
  return ulLength;
}

/* Counts blank lines; nothing at the top of a page still to start. */
void vAdvance(uint32_t n)
{
  if (!g_lst.bOpen || g_lst.bFailed) return;
  if (g_lst.bInHeading) {
    g_lst.ulLine += n;
    return;
  }
  if (g_lst.ulLine == 0) return;
  if (g_lst.ulLineCount == 0) {
    uint64_t ullLine = static_cast<uint64_t>(g_lst.ulLine) + n;
    if (ullLine > g_lst.ulWritten + LIST_BLANKS_MAX) ullLine = g_lst.ulWritten + LIST_BLANKS_MAX;
    g_lst.ulLine = static_cast<uint32_t>(ullLine);
    return;
  }
  if (n >= g_lst.ulLineCount || g_lst.ulLine + n >= g_lst.ulLineCount)
    g_lst.ulLine = 0;
  else
    g_lst.ulLine += n;
}

/* ---- page heading ----------------------------------------------------------------- */

void vHeadingTitleLine()
{
  uint8_t abLine[LIST_LINE_MAX];
  std::memset(abLine, g_lst.bBlank, sizeof abLine);
  vPlace(abLine, 0, g_lst.abId, g_lst.ulId, g_lst.bIdForm);
  vPlace(abLine, LIST_ID_MAX + 1, g_lst.abTitle, g_lst.ulTitle, g_lst.bTitleForm);
  char achPage[] = "PAGE     "; /* the number right-aligned in 5 columns */
  const uint32_t ulPage = sizeof achPage - 1;
  uint32_t i = ulPage;
  for (unsigned u = g_lst.usPage; i == ulPage || u != 0; u /= 10) achPage[--i] = static_cast<char>('0' + u % 10);
  if (g_lst.ulWidth >= ulPage) vPlace(abLine, g_lst.ulWidth - ulPage, achPage, ulPage, LIST_HOST);
  vEmit(0, abLine, ulTrimmed(abLine, g_lst.ulWidth, g_lst.bBlank));
}

void vHeadingColumnsLine()
{
  uint8_t abLine[LIST_LINE_MAX];
  std::memset(abLine, g_lst.bBlank, sizeof abLine);
  vPlace(abLine, 0, g_lst.abColumns, g_lst.ulColumns, g_lst.bColumnsForm);
  if (g_lst.achBlock[0] == '\0') {
    const std::tm &tm = g_opt.tmAssembly;
    std::snprintf(g_lst.achBlock, sizeof g_lst.achBlock, " VORN 1.2.00  %04d/%02d/%02d %02d.%02d",
                  (tm.tm_year + 1900) % 10000, (tm.tm_mon + 1) % 100, tm.tm_mday % 100, tm.tm_hour % 100,
                  tm.tm_min % 100);
  }
  if (g_lst.ulWidth >= HEADING_BLOCK)
    vPlace(abLine, g_lst.ulWidth - HEADING_BLOCK, g_lst.achBlock, HEADING_BLOCK, LIST_HOST);
  vEmit(0, abLine, ulTrimmed(abLine, g_lst.ulWidth, g_lst.bBlank));
}

void vStartPage()
{
  g_lst.ulFill = 0;
  if (g_lst.bCtl == PC_NL && g_lst.bStarted)
    g_lst.ulFill = g_lst.ulLineCount == 0                ? 1
                   : g_lst.ulLineCount > g_lst.ulWritten ? g_lst.ulLineCount - g_lst.ulWritten
                                                         : 0;
  g_lst.bStarted = true;
  g_lst.bPageStart = true;
  g_lst.ulLine = g_lst.ulWritten = 0;
  if (g_lst.ulLineCount == 0 && g_lst.usPage != 0) return; /* one heading only */
  g_lst.usPage++;
  g_lst.bInHeading = true;
  vHeadingTitleLine();
  uint32_t ulBefore = g_lst.ulLine;
  if (g_lst.pfnHeading != nullptr) g_lst.pfnHeading();
  if (g_lst.ulLine == ulBefore) vAdvance(1);
  vHeadingColumnsLine();
  vAdvance(g_lst.ulSpacing);
  g_lst.bInHeading = false;
}

/* ---- printer set-up (PRINTCTL(HP)) ------------------------------------------------- */

const char *pszSymbolSet()
{
  if (g_abEbcdicDefined[0x4A] != CHD_NONE) {
    switch (g_abEbcdicToAscii[0x4A]) { /* cent sign */
    case 155:
      return "10U";
    case 162:
      return "0N";
    case 189:
      return "12U";
    case 191:
      return "8U";
    default:
      break;
    }
  }
  if (g_abEbcdicDefined[0x5F] != CHD_NONE) {
    switch (g_abEbcdicToAscii[0x5F]) { /* not sign */
    case 170:
      return "12U";
    case 172:
      return "0N";
    default:
      break;
    }
  }
  return nullptr;
}

void vPrinterSetup()
{
  uint32_t L = g_lst.ulLineCount;
  vOutText("\x1b"
           "E");
  vOutText(g_lst.ulForm == LW_LF ? "\x1b&k2G" : g_lst.ulForm == LW_CR ? "\x1b&k3G" : "\x1b&k0G");
  const char *pszSet = pszSymbolSet();
  auto fSymbolSet = [&](const char *pszSelect) {
    if (pszSet == nullptr) return;
    vOutText(pszSelect);
    vOutText(pszSet);
  };
  if (L >= 1 && L <= 60) { /* landscape, 12 characters per inch */
    vOutText("\x1b&l1o1L");
    fSymbolSet("\x1b(");
    vOutText("\x1b(s0p12.00h10.0v0s0b3T");
    fSymbolSet("\x1b)");
    vOutText("\x1b)s0p12.00h10.0v0s3b3T");
    g_lst.bBoldSwitch = true;
    if (L <= 52 || (L >= 55 && L <= 58)) {
      vOutText("\x1b"
               "9\x1b&a1L");
      g_lst.pszBoldOn = "\x0e";
      g_lst.pszBoldOff = "\x0f";
    } else {
      vOutText("\x1b&k9.6H");
      g_lst.pszBoldOn = "\x0e\x1b&k9.6H";
      g_lst.pszBoldOff = "\x0f\x1b&k9.6H";
    }
    vOutText(L <= 54 ? "\x1b&l6.6666c4E" : "\x1b&l8d4E");
  } else { /* portrait, compressed */
    vOutText("\x1b&l0O");
    fSymbolSet("\x1b(");
    vOutText("\x1b(s0p16.67h8.5v0s0b0T");
    vOutText(L <= 84 || (L >= 91 && L <= 110) ? "\x1b&k7.2H" : "\x1b&k7H");
    vOutText("\x1b"
             "9\x1b&a1L");
    bool bEight = (L >= 61 && L <= 80) || L == 85 || (L >= 91 && L <= 104);
    vOutText(bEight ? "\x1b&l8d4E" : "\x1b&l5.6666c5E");
  }
  char achLength[32];
  if (L >= 1 && L <= 110)
    std::snprintf(achLength, sizeof achLength, "\x1b&l%uf0L", static_cast<unsigned>(L));
  else
    std::snprintf(achLength, sizeof achLength, "\x1b&l1L");
  vOutText(achLength);
}

/* ---- statement lines ----------------------------------------------------------------- */

/* 0-based columns of the statement line by listing width. */
struct STMTCOLUMNS {
  uint32_t ulLocDigits, ulObject, ulAddr1, ulAddr2, ulAddrDigits, ulStmtEnd, ulMarker, ulSource;
};
constexpr STMTCOLUMNS c_aColumns[2] = {
    {6, 7, 22, 28, 5, 38, 39, 40}, /* LIST(121) */
    {8, 9, 24, 33, 8, 47, 48, 49}, /* LIST(133) */
};

const STMTCOLUMNS &columns() { return c_aColumns[g_lst.bWide ? 1 : 0]; }

bool bLocationValid(const STMTVIEW &v) { return !(v.usFlags & SF_UNASSIGNED) && v.lSection >= 0; }

bool bListed(const STMTVIEW &v)
{
  if (!(v.bPrint & PRT_ON)) return false;
  if (v.usFlags & SF_ERROR) return true;
  return !(v.usFlags & SF_NOPRINT) && bPrintShows(v.bPrint, v.sNest);
}

/* Host text into an EBCDIC statement line at a 0-based column. */
void vPutHost(uint8_t *pLine, uint32_t ulColumn, const char *psz)
{
  size_t ulCount = std::strlen(psz);
  if (ulColumn >= LIST_LINE_MAX) return;
  if (ulCount > LIST_LINE_MAX - ulColumn) ulCount = LIST_LINE_MAX - ulColumn;
  vAsciiToEbcdic(pLine + ulColumn, reinterpret_cast<const uint8_t *>(psz), ulCount);
}

/* EBCDIC text at a 0-based column of a statement line, cut at its end. */
void vPutEbcdic(uint8_t *pLine, uint32_t ulColumn, const uint8_t *p, uint32_t ulCount)
{
  if (ulColumn >= LIST_LINE_MAX) return;
  std::memcpy(pLine + ulColumn, p, std::min(ulCount, LIST_LINE_MAX - ulColumn));
}

/* The two EBCDIC hexadecimal digits of each byte value. */
struct HEXPAIRS {
  uint8_t ab[256][2];
  HEXPAIRS()
  {
    for (unsigned b = 0; b < 256; b++) {
      ab[b][0] = g_abEbcdicHexDigit[b >> 4];
      ab[b][1] = g_abEbcdicHexDigit[b & 15];
    }
  }
};
const HEXPAIRS c_hexPairs;

/* ulDigits hexadecimal digits of ulValue (the low ones when it has more). */
void vPutHex(uint8_t *pLine, uint32_t ulColumn, uint32_t ulValue, uint32_t ulDigits)
{
  uint8_t ab[20];
  if (ulDigits < 8) ulValue &= (1u << (4 * ulDigits)) - 1;
  uint32_t n = std::clamp<uint32_t>(ulDigits, 1, sizeof ab);
  uint8_t *p = ulColumn + n <= LIST_LINE_MAX ? pLine + ulColumn : ab; /* in place unless cut */
  uint32_t i = n;
  for (; i >= 2; i -= 2, ulValue >>= 8) std::memcpy(p + i - 2, c_hexPairs.ab[ulValue & 0xFF], 2);
  if (i == 1) p[0] = g_abEbcdicHexDigit[ulValue & 15];
  if (p == ab) vPutEbcdic(pLine, ulColumn, ab, n);
}

/* Object code: instructions in groups of two bytes, data without gaps. */
void vPutObject(uint8_t *pLine, uint32_t ulColumn, const uint8_t *pBytes, uint32_t ulCount, bool bInstruction)
{
  if (ulCount > OBJECT_PER_LINE || ulColumn + 3 * OBJECT_PER_LINE > LIST_LINE_MAX) return; /* never so */
  for (uint32_t i = 0; i < ulCount; i++) {
    std::memcpy(pLine + ulColumn, c_hexPairs.ab[pBytes[i]], 2);
    ulColumn += bInstruction && i % 2 == 1 && i + 1 < ulCount ? 3 : 2;
  }
}

/* The card images of the statement's compressed source image (kind 10),
   80 EBCDIC columns each; null when it has none. */
const uint8_t *pSourceCards(const STMTVIEW &v, uint32_t *pulRecords)
{
  const uint8_t *pImage = pStmtSub(SUB_SOURCE);
  if (pImage == nullptr) return nullptr;
  uint32_t ulStored = (ulGet32(pImage) >> 8) - 4;
  uint32_t ulRecords = v.ulRecords;
  if (ulRecords == 0 || ulRecords > RECORDS_MAX) ulRecords = (ulStored + CARD_COLUMNS - 1) / CARD_COLUMNS;
  *pulRecords = ulRecords;
  return pTextExpand(ulRecords * CARD_COLUMNS, ulStored, pImage + 4);
}

/* Source lines of a statement, 80 EBCDIC columns each: the records of the
   compressed source image, or substituted text broken at column 71 with
   a continuation mark in column 72. */
class SOURCECURSOR {
public:
  explicit SOURCECURSOR(const STMTVIEW &v)
  {
    if (const uint8_t *pLines = pStmtSub(SUB_LINES)) {
      uint32_t ulSub = ulGet32(pLines) >> 8;
      if (ulSub >= 8) {
        m_pNext = pLines + 8;
        m_pEnd = pLines + ulSub;
        m_ulEntries = ulGet32(pLines + 4);
      }
      return;
    }
    m_pImage = pSourceCards(v, &m_ulRecords);
    if (m_pImage == nullptr && v.bInstruction == INSTR_LITERAL) {
      uint32_t ulLabel = 0;
      const uint8_t *pLabel = nullptr, *pOperand = nullptr;
      if (iStmtLocate(&ulLabel, &pLabel, &pOperand) > 0) m_pText = pOperandText(pOperand, &m_ulText);
      m_ulColumn = LITERAL_COLUMN;
    }
  }

  /* The next line: a record of the image, or abLine built; null after the last. */
  const uint8_t *pNext(uint8_t abLine[CARD_COLUMNS])
  {
    if (m_pImage != nullptr) {
      if (m_ulRecord >= m_ulRecords) return nullptr;
      return m_pImage + static_cast<size_t>(m_ulRecord++) * CARD_COLUMNS;
    }
    std::memset(abLine, EBCDIC_BLANK, CARD_COLUMNS);
    if (m_ulText == 0 && !bNextEntry()) return nullptr;
    uint32_t ulRoom = CARD_COLUMNS - m_ulColumn;
    if (m_ulText <= ulRoom) {
      std::memcpy(abLine + m_ulColumn, m_pText, m_ulText);
      m_ulText = 0;
      return abLine;
    }
    uint32_t ulPart = MARK_COLUMN > m_ulColumn ? MARK_COLUMN - m_ulColumn : 1;
    std::memcpy(abLine + m_ulColumn, m_pText, ulPart);
    abLine[MARK_COLUMN] = E_PLUS;
    m_pText += ulPart;
    m_ulText -= ulPart;
    m_ulColumn = CONTINUE_COLUMN;
    return abLine;
  }

private:
  /* The next entry of sub-record 9: start column (1-based), length, text. */
  bool bNextEntry()
  {
    while (m_ulEntries > 0 && m_pNext + 2 <= m_pEnd) {
      m_ulEntries--;
      uint32_t ulColumn = m_pNext[0], ulLength = m_pNext[1];
      const uint8_t *pText = m_pNext + 2;
      if (pText + ulLength > m_pEnd) ulLength = static_cast<uint32_t>(m_pEnd - pText);
      m_pNext = pText + ulLength;
      m_pText = pText;
      m_ulText = ulLength;
      m_ulColumn = ulColumn >= 1 && ulColumn <= CARD_COLUMNS ? ulColumn - 1 : 0;
      if (ulLength > 0) return true;
    }
    return false;
  }

  const uint8_t *m_pImage = nullptr;
  uint32_t m_ulRecords = 0, m_ulRecord = 0;
  const uint8_t *m_pNext = nullptr, *m_pEnd = nullptr;
  uint32_t m_ulEntries = 0;
  const uint8_t *m_pText = nullptr;
  uint32_t m_ulText = 0, m_ulColumn = 0;
};

void vPaddingLine(const STMTVIEW &v)
{
  const STMTCOLUMNS &c = columns();
  uint8_t abLine[LIST_LINE_MAX];
  std::memset(abLine, EBCDIC_BLANK, sizeof abLine);
  static const uint8_t c_abZero[OBJECT_PER_LINE] = {};
  uint32_t ulPad = v.bPad < OBJECT_PER_LINE ? v.bPad : OBJECT_PER_LINE;
  vPutHex(abLine, 0, v.ulLocation - v.bPad, c.ulLocDigits);
  vPutObject(abLine, c.ulObject, c_abZero, ulPad, false);
  iListLine(LIST_EBCDIC, abLine, sizeof abLine);
}

/* A statement number (below 1000000) in 6 columns: the one after the
   number shown last is counted on from its digits. */
void vPutNumber(uint8_t *pLine, uint32_t ulColumn, uint32_t ulNumber)
{
  uint8_t *ab = g_lst.abNumber;
  if (g_lst.bNumber && ulNumber == g_lst.ulNumber + 1 && ulNumber < 1000000) {
    int i = 5; /* a digit below 9 or a blank comes before the first column */
    for (; ab[i] == E_9; i--) ab[i] = E_0;
    ab[i] = ab[i] == EBCDIC_BLANK ? E_0 + 1 : ab[i] + 1;
  } else {
    ulEbcdicDecimal(ab, ulNumber, 6);
  }
  g_lst.ulNumber = ulNumber;
  g_lst.bNumber = true;
  vPutEbcdic(pLine, ulColumn, ab, 6);
}

/* Right-aligned hexadecimal value ending at the last column of an address
   field; values too wide for it take 8 digits. */
void vPutAddressValue(uint8_t *pLine, uint32_t ulColumn, uint32_t ulValue)
{
  const STMTCOLUMNS &c = columns();
  uint32_t ulDigits = c.ulAddrDigits >= 8 || (ulValue >> (4 * c.ulAddrDigits)) == 0 ? c.ulAddrDigits : 8;
  vPutHex(pLine, ulColumn + c.ulAddrDigits - ulDigits, ulValue, ulDigits);
}

/* Fields of the first line besides location, object code and source. */
void vFirstLineFields(uint8_t *pLine, const STMTVIEW &v)
{
  const STMTCOLUMNS &c = columns();
  if (v.bInstruction == INSTR_USING) {
    const USINGLISTINFO *u = pUsingListInfo();
    if (u->ulStmt == v.ulNumber) {
      vPutHost(pLine, c.ulObject, u->achObject);
      if (u->bAddress) vPutHex(pLine, c.ulAddr2, static_cast<uint32_t>(u->abAddress[0] << 8 | u->abAddress[1]), 4);
    }
    if (!(v.usFlags & SF_UNASSIGNED)) vPutHex(pLine, c.ulAddr1, v.ulLocation, c.ulAddrDigits);
  } else if (v.bInstruction == INSTR_EQU) {
    if (!(v.usFlags & SF_UNASSIGNED)) vPutAddressValue(pLine, c.ulAddr2, v.ulLocation);
  } else if (v.bInstruction == INSTR_ORG) {
    const uint8_t *pValue = pStmtSub(SUB_VALUE);
    if (pValue != nullptr && (ulGet32(pValue) >> 8) >= 8 && ulGet32(pValue + 4) != 0xFFFFFFFFu)
      vPutHex(pLine, c.ulAddr2, ulGet32(pValue + 4), c.ulAddrDigits);
  }
  /* addresses are recorded by instruction encoding for its statement */
  const LISTADDRS *a = (v.usFlags & SF_MACHINE) ? pStmtListAddresses() : nullptr;
  if (a != nullptr && a->ulStmt == v.ulNumber && v.ulNumber != 0) {
    if (a->bFirst) vPutHex(pLine, c.ulAddr1, a->ulFirst, c.ulAddrDigits);
    if (a->bSecond) vPutHex(pLine, c.ulAddr2, a->ulSecond, c.ulAddrDigits);
  }
  vPutNumber(pLine, c.ulStmtEnd - 5, v.ulNumber % 1000000);
  if (v.sNest != 0)
    pLine[c.ulMarker] = E_PLUS;
  else if (v.ulSequence != 0)
    pLine[c.ulMarker] = E_C;
}

void vStatementLines(const STMTVIEW &v)
{
  const STMTCOLUMNS &c = columns();
  bool bLocation = bLocationValid(v) && v.bInstruction != INSTR_EQU && v.bInstruction != INSTR_USING;
  if ((v.usFlags & SF_BYTES) && v.bPad > 0 && bLocation) vPaddingLine(v);
  uint32_t ulBytes = ulStmtBytesCount();
  uint32_t ulObjectLines = ulBytes == 0            ? 0
                           : (v.bPrint & PRT_DATA) ? (ulBytes + OBJECT_PER_LINE - 1) / OBJECT_PER_LINE
                                                   : 1;
  bool bMachine = (v.usFlags & SF_MACHINE) != 0;
  SOURCECURSOR src(v);
  uint8_t abSource[CARD_COLUMNS];
  const uint8_t *pSource = src.pNext(abSource);
  vStmtBytesRewind();
  for (uint32_t i = 0;; i++) {
    bool bObject = i < ulObjectLines;
    if (i > 0 && !bObject && pSource == nullptr) break;
    uint8_t abLine[LIST_LINE_MAX];
    std::memset(abLine, EBCDIC_BLANK, sizeof abLine);
    if (bLocation && (i == 0 || bObject)) vPutHex(abLine, 0, v.ulLocation + OBJECT_PER_LINE * i, c.ulLocDigits);
    if (bObject) {
      uint8_t abBytes[OBJECT_PER_LINE];
      uint32_t n = iStmtBytesGet(OBJECT_PER_LINE, abBytes);
      vPutObject(abLine, c.ulObject, abBytes, n, bMachine);
    }
    if (i == 0) vFirstLineFields(abLine, v);
    if (pSource != nullptr) {
      std::memcpy(abLine + c.ulSource, pSource, CARD_COLUMNS);
      pSource = src.pNext(abSource);
    }
    iListLine(LIST_EBCDIC, abLine, c.ulSource + CARD_COLUMNS); /* nothing lies beyond the source */
  }
  vStmtBytesRewind();
}

/* ---- diagnostics of the record ---------------------------------------------------- */

struct DIAGVIEW {
  int iNumber;
  uint8_t bForm, bSeverity;
  const uint8_t *pText;
  uint32_t ulLength;
};

/* Calls f for each kind 3 and each filled kind 4 sub-record, in order. */
template <typename F> void vEachDiagnostic(F f)
{
  pStmtEachSub([&f](uint8_t bKind, const uint8_t *s, uint32_t ulLen) {
    if (bKind == SUB_DIAG && ulLen >= 8) {
      f(DIAGVIEW{static_cast<int16_t>(usGet16(s + 4)), s[6], s[7], s + 8, ulLen - 8});
    } else if (bKind == SUB_DIAG_SLOT && ulLen >= 12 && ulGet32(s + 4) != 0) {
      const char *psz = pTextOfHandle(ulGet32(s + 8));
      f(DIAGVIEW{static_cast<int16_t>(usGet16(s + 4)), s[6], s[7], reinterpret_cast<const uint8_t *>(psz),
                 static_cast<uint32_t>(std::strlen(psz))});
    }
    return false;
  });
}

/* ---- the terminal stream ------------------------------------------------------------ */

/* Diagnostics of one number from one source line (a model statement's for
   those of an expansion) that the terminal shows; the rest are counted,
   and one line at the end of the phase tells how many.  The listing keeps
   them all. */
constexpr uint32_t TERM_SAME_MAX = 10;
/* the column (from 0) where the text of a diagnostic line starts */
constexpr size_t DIAG_TEXT_COLUMN = 24;

struct SAMELINE {
  uint32_t ulShown = 0, ulHidden = 0;
  uint32_t ulSrcId = 0, ulLine = 0; /* where the first hidden one points */
  char cLetter = ' ';
};

struct TERMRUN {
  std::map<std::tuple<int, uint32_t, uint32_t>, SAMELINE> mapSame;
  std::vector<std::tuple<int, uint32_t, uint32_t>> vecHidden; /* keys, in the order they were first hidden */
  /* the first diagnostic of the highest severity */
  int iWorst = -1;
  uint32_t ulDiagnostics = 0; /* with a message number, shown or not */
  int iWorstNumber = 0;
  char cWorstLetter = ' ';
  uint32_t ulWorstSrcId = 0, ulWorstLine = 0, ulWorstColumn = 1;
  std::string strWorstText;
};
TERMRUN g_term;

/* The kind of a diagnostic in the GNU form. */
const char *pszTermKind(int iSeverity) { return iSeverity > 4 ? "error" : iSeverity == 4 ? "warning" : "note"; }

/* The operand a message text names ("in operand 2", "Operand 2 ..."); 0 none. */
unsigned uOperandNamed(const char *p, size_t n)
{
  for (size_t i = 0; i + 8 < n; i++) {
    if ((p[i] != 'o' && p[i] != 'O') || std::strncmp(p + i + 1, "perand ", 7) != 0) continue;
    unsigned u = 0;
    size_t k = i + 8;
    for (; k < n && p[k] >= '0' && p[k] <= '9' && u < 1000; k++) u = u * 10 + static_cast<unsigned>(p[k] - '0');
    if (k > i + 8) return u;
  }
  return 0;
}

/* The card (from 0) and column (from 1) where operand uOperand of the
   statement starts, as its lines show it: fields at the standard columns,
   a continued operand field going on at the continue column of the next
   card after a comma and a blank.  False when it cannot be found. */
bool bOperandPlace(const STMTVIEW &v, unsigned uOperand, uint32_t *pulCard, uint32_t *pulColumn)
{
  constexpr uint32_t END = 71, CONTINUE = 15; /* columns 72 and 16, from 0 */
  SOURCECURSOR source(v);
  std::vector<std::array<uint8_t, CARD_COLUMNS>> vecCards;
  uint8_t abLine[CARD_COLUMNS];
  for (const uint8_t *p; vecCards.size() < RECORDS_MAX && (p = source.pNext(abLine)) != nullptr;) {
    vecCards.emplace_back();
    std::memcpy(vecCards.back().data(), p, CARD_COLUMNS);
  }
  if (vecCards.empty() || uOperand == 0) return false;
  const uint8_t *c = vecCards[0].data();
  if (c[0] == E_STAR) return false;
  uint32_t i = 0;
  while (i < END && c[i] != EBCDIC_BLANK) i++; /* the label */
  while (i < END && c[i] == EBCDIC_BLANK) i++;
  while (i < END && c[i] != EBCDIC_BLANK) i++; /* the operation */
  while (i < END && c[i] == EBCDIC_BLANK) i++;
  if (i >= END) return false;
  unsigned uAt = 1;
  int iDepth = 0;
  bool bQuote = false;
  uint8_t bBefore = EBCDIC_BLANK;
  for (uint32_t r = 0; r < vecCards.size();) {
    c = vecCards[r].data();
    if (uAt == uOperand && i < END) {
      *pulCard = r;
      *pulColumn = i + 1;
      return true;
    }
    if (i >= END || (c[i] == EBCDIC_BLANK && !bQuote && iDepth == 0)) {
      /* the field goes on on the next card only after a comma and a blank */
      if (r + 1 >= vecCards.size() || (c[i] == EBCDIC_BLANK && bBefore != E_COMMA) || c[END] == EBCDIC_BLANK)
        return false;
      r++;
      i = CONTINUE;
      continue;
    }
    uint8_t b = c[i];
    if (b == E_QUOTE && (bQuote || bOpensString(c, i, END, QR_ORDINARY)))
      bQuote = !bQuote;
    else if (!bQuote && b == E_LPAREN)
      iDepth++;
    else if (!bQuote && b == E_RPAREN && iDepth > 0)
      iDepth--;
    else if (!bQuote && iDepth == 0 && b == E_COMMA)
      uAt++;
    bBefore = b;
    i++;
  }
  return false;
}

/* The statement's diagnostics on the terminal stream: its records (not
   with TERM(GNU)), each diagnostic at the programmer's own line (the
   outermost macro call or COPY for a statement inside one), with the chain
   of calls below it, innermost first. */
void vTermEcho(const STMTVIEW &v)
{
  uint32_t ulFrame = 0, ulOrdinal = 0;
  vStmtFrameOf(&ulFrame, &ulOrdinal);
  std::vector<FRAMELINK> vecChain;
  if (ulFrame != 0) vecChain = vecFrameChain(ulFrame, ulOrdinal, v.ulSrcId, v.ulLine);
  uint32_t ulSrcId = vecChain.empty() ? v.ulSrcId : vecChain.back().ulSrcId;
  uint32_t ulLine = vecChain.empty() ? v.ulLine : vecChain.back().ulLine;
  bool bGnu = (g_opt.bTerm & TERM_GNU) != 0;

  struct SHOWN {
    DIAGVIEW d;
    uint32_t ulLine, ulColumn;
  };
  std::vector<SHOWN> vecShown;
  vEachDiagnostic([&](const DIAGVIEW &d) {
    if (d.iNumber == 0 || d.bForm == DIAG_READER_NOTE || d.bForm == DIAG_LIST_LINE)
      return; /* the reader showed its notes */
    char cLetter = cDiagnosticLetter(d.iNumber, d.bSeverity);
    g_term.ulDiagnostics++;
    uint32_t ulAt = ulLine, ulColumn = 1;
    if (vecChain.empty() && d.bForm == DIAG_HOST_TEXT) {
      uint32_t ulCard = 0;
      unsigned uOperand = uOperandNamed(reinterpret_cast<const char *>(d.pText), d.ulLength);
      if (uOperand != 0 && bOperandPlace(v, uOperand, &ulCard, &ulColumn))
        ulAt += ulCard;
      else
        ulColumn = 1;
    }
    if (static_cast<int>(d.bSeverity) > g_term.iWorst) {
      g_term.iWorst = d.bSeverity;
      g_term.iWorstNumber = d.iNumber;
      g_term.cWorstLetter = cLetter;
      g_term.ulWorstSrcId = ulSrcId;
      g_term.ulWorstLine = ulAt;
      g_term.ulWorstColumn = ulColumn;
      g_term.strWorstText.clear();
      if (d.bForm == DIAG_NAME_TEXT) {
        std::string str(d.ulLength, ' ');
        vEbcdicToAscii(reinterpret_cast<uint8_t *>(str.data()), d.pText, d.ulLength);
        g_term.strWorstText = str;
      } else {
        g_term.strWorstText.assign(reinterpret_cast<const char *>(d.pText), d.ulLength);
      }
    }
    SAMELINE &same = g_term.mapSame[{d.iNumber, v.ulSrcId, v.ulLine}];
    if (same.ulShown < TERM_SAME_MAX) {
      same.ulShown++;
      vecShown.push_back(SHOWN{d, ulAt, ulColumn});
      return;
    }
    if (same.ulHidden++ == 0) {
      same.ulSrcId = ulSrcId;
      same.ulLine = ulLine;
      same.cLetter = cLetter;
      g_term.vecHidden.emplace_back(d.iNumber, v.ulSrcId, v.ulLine);
    }
  });
  if (vecShown.empty()) return;

  if (!bGnu) { /* the lines the listing shows: a literal its text */
    SOURCECURSOR source(v);
    uint8_t abLine[CARD_COLUMNS];
    uint32_t r = 0;
    for (const uint8_t *pLine; (pLine = source.pNext(abLine)) != nullptr; r++) {
      uint8_t abCard[CARD_COLUMNS], abUtf8[2 * CARD_COLUMNS];
      vEbcdicToAscii(abCard, pLine, CARD_COLUMNS);
      size_t n = ulTrimmed(abCard, CARD_COLUMNS, ASCII_BLANK);
      const uint8_t *pText = abCard;
      if (bSvcSourceUtf8()) {
        n = ulLatin1ToUtf8(abUtf8, abCard, n);
        pText = abUtf8;
      }
      vTermLine(ulSrcId, vecChain.empty() ? v.ulLine + r : ulLine, 1, "", reinterpret_cast<const char *>(pText), n);
    }
  }
  for (const SHOWN &s : vecShown) {
    const DIAGVIEW &d = s.d;
    char achText[OPERAND_MAX + 160];
    uint32_t ulText = d.ulLength < OPERAND_MAX + 140 ? d.ulLength : OPERAND_MAX + 140;
    char cLetter = cDiagnosticLetter(d.iNumber, d.bSeverity);
    int iLen = std::snprintf(achText, sizeof achText, "KZM%03d%c ", d.iNumber % 1000, cLetter);
    size_t n = static_cast<size_t>(iLen);
    if (d.bForm == DIAG_NAME_TEXT)
      vEbcdicToAscii(reinterpret_cast<uint8_t *>(achText) + n, d.pText, ulText);
    else
      std::memcpy(achText + n, d.pText, ulText);
    vTermLine(ulSrcId, s.ulLine, s.ulColumn, pszTermKind(d.bSeverity), achText, n + ulText);
    for (const FRAMELINK &l : vecChain) {
      char achLink[PATH_MAX + 160];
      if (bGnu) {
        int k = std::snprintf(achLink, sizeof achLink, "KZM%03d%c %s", d.iNumber % 1000, cLetter, l.achText);
        vTermLine(l.ulSrcId, l.ulLine, 1, "note", achLink, static_cast<size_t>(k));
        continue;
      }
      size_t k = 4;
      std::memcpy(achLink, "    ", 4);
      if (g_opt.bTerm & TERM_PREFIX) {
        k += ulTermPlace(achLink + k, sizeof achLink - k, l.ulSrcId, l.ulLine, 1, "");
        k += static_cast<size_t>(std::snprintf(achLink + k, sizeof achLink - k, "%s", l.achText));
      } else {
        const char *pszName = pSvcSourceName(l.ulSrcId);
        k +=
            static_cast<size_t>(std::snprintf(achLink + k, sizeof achLink - k, "%s, %.*s(%lu)", l.achText, PATH_MAX,
                                              pszName != nullptr ? pszName : "", static_cast<unsigned long>(l.ulLine)));
      }
      vTermOut(achLink, std::min(k, sizeof achLink - 2));
    }
  }
}

/* ---- active USINGs in the heading --------------------------------------------------- */

void vUsingHeadingLines()
{
  if (!g_lst.bUsings || !g_lst.bShowUsings) return;
  for (unsigned i = 0; i < g_lst.usings.uCount && i < USING_LINES_MAX; i++)
    iListLine(LIST_EBCDIC, g_lst.usings.aab[i], g_lst.usings.aulLength[i]);
}

} // namespace

/* ---- the writer ------------------------------------------------------------------------ */

void vListOpen()
{
  if (g_lst.bOpen || !g_opt.bList || g_opt.pszSysprint == nullptr) return;
  std::snprintf(g_lst.achName, sizeof g_lst.achName, "%s", g_opt.pszSysprint);
  FILE *pFile = pFileCreate(FO_LISTING, "SYSPRINT", g_lst.achName);
  if (pFile == nullptr) {
    vSvcMessage("KZM900S Error opening listing file %s: %s", g_lst.achName, std::strerror(errno));
    vSvcTerminate();
  }
  g_lst.pFile = pFile;
  g_lst.bOpen = true;
  g_lst.bFailed = false;
  g_lst.ulOut = 0;
  g_lst.ulForm = g_opt.ulLineForm >= LW_LF ? g_opt.ulLineForm : LW_NL;
  g_lst.bEbcdic = g_lst.ulForm >= LW_V;
  g_lst.bBlank = g_lst.bEbcdic ? EBCDIC_BLANK : ASCII_BLANK;
  g_lst.bCtl = g_lst.bEbcdic ? static_cast<uint8_t>(PC_ASA) : g_opt.bPrintCtl;
  g_lst.ulLineCount = g_opt.ulLineCount;
  g_lst.bWide = g_opt.ulListWidth == 133;
  g_lst.ulWidth = (g_lst.bWide ? 133 : 121) - 1;
  if (g_lst.ulForm > LW_V) g_lst.ulWidth = g_lst.ulForm - 1;
  if (g_lst.ulWidth >= LIST_LINE_MAX) g_lst.ulWidth = LIST_LINE_MAX - 1;
  if (g_lst.ulWidth == 0) g_lst.ulWidth = 1;
  g_lst.ulLine = g_lst.ulWritten = 0;
  g_lst.usPage = 0;
  g_lst.achBlock[0] = '\0';
  g_lst.bNumber = false;
  g_lst.bStarted = g_lst.bPageStart = g_lst.bInHeading = false;
  g_lst.bBoldSwitch = g_lst.bBoldNow = false;
  vSvcTrace(TRACE_FILES, "Listing file %s opened.", g_lst.achName);
  if (g_lst.bCtl == PC_HP) vPrinterSetup();
}

void vListTitle(uint8_t bForm, const void *pText, uint32_t ulLength)
{
  g_lst.ulTitle = ulLength < LIST_TITLE_MAX ? ulLength : LIST_TITLE_MAX;
  g_lst.bTitleForm = bForm;
  if (g_lst.ulTitle > 0) std::memcpy(g_lst.abTitle, pText, g_lst.ulTitle);
}

void vListHeadingId(uint8_t bForm, const void *pText, uint32_t ulLength)
{
  g_lst.ulId = ulLength < LIST_ID_MAX ? ulLength : LIST_ID_MAX;
  g_lst.bIdForm = bForm;
  if (g_lst.ulId > 0) std::memcpy(g_lst.abId, pText, g_lst.ulId);
}

void vListReport(uint8_t bForm, const char *pszTitle, const char *pszColumns, PFNLISTHEADING pfnHeading,
                 unsigned uSpacing)
{
  vListTitle(bForm, pszTitle, pszTitle != nullptr ? static_cast<uint32_t>(std::strlen(pszTitle)) : 0);
  size_t ulColumns = pszColumns != nullptr ? std::strlen(pszColumns) : 0;
  g_lst.ulColumns = static_cast<uint32_t>(ulColumns < LIST_COLUMNS_MAX ? ulColumns : LIST_COLUMNS_MAX);
  g_lst.bColumnsForm = bForm;
  if (g_lst.ulColumns > 0) std::memcpy(g_lst.abColumns, pszColumns, g_lst.ulColumns);
  g_lst.pfnHeading = pfnHeading;
  g_lst.ulSpacing = uSpacing < SPACING_MAX ? uSpacing : SPACING_MAX;
  vListNewPage(0);
}

int iListLine(uint32_t ulFlags, const void *pText, uint32_t ulLength)
{
  if (!g_lst.bOpen || g_lst.bFailed) return 0;
  uint8_t bFiller = static_cast<uint8_t>(ulFlags);
  const uint8_t *p = static_cast<const uint8_t *>(pText);
  ulLength = p != nullptr ? ulTrimmed(p, ulLength, bFiller) : 0;
  if (ulLength == 0) {
    vAdvance(1);
    return 0;
  }
  if (ulLength > g_lst.ulWidth) ulLength = g_lst.ulWidth;
  if (!g_lst.bInHeading && (g_lst.ulLine == 0 || (g_lst.ulLineCount > 0 && g_lst.ulLine >= g_lst.ulLineCount)))
    vStartPage();
  uint8_t abLine[LIST_LINE_MAX];
  vConvert(abLine, p, ulLength, bFiller == LIST_EBCDIC ? LIST_EBCDIC : LIST_HOST);
  if ((ulFlags & LL_FOLD) && g_opt.bFold) {
    const uint8_t *pUpper = g_lst.bEbcdic ? g_abUpper : g_abUpperAscii;
    for (uint32_t i = 0; i < ulLength; i++) abLine[i] = pUpper[abLine[i]];
  }
  vEmit(ulFlags, abLine, ulLength);
  return 0;
}

void vListSkip(int n) { vAdvance(n < 1 ? 1u : static_cast<uint32_t>(n)); }

void vListNewPage(int n)
{
  if (!g_lst.bOpen || g_lst.bFailed || g_lst.bInHeading) return;
  if (n < 0) {
    if (g_lst.ulLine == 0) vStartPage();
  } else if (n == 0) {
    g_lst.ulLine = 0;
  } else if (g_lst.ulLineCount > 0 && g_lst.ulLine != 0 &&
             static_cast<uint64_t>(g_lst.ulLine) + static_cast<uint32_t>(n) > g_lst.ulLineCount) {
    g_lst.ulLine = 0;
  }
}

void vListClose(bool bNoReset)
{
  if (!g_lst.bOpen) return;
  if (!g_lst.bFailed) {
    if (g_lst.bCtl == PC_HP && !bNoReset)
      vOutText("\x1b"
               "E");
    vFlush(); /* a failure terminates; the nested close then closes the file */
  }
  if (!g_lst.bOpen) return;
  g_lst.pFile = nullptr;
  g_lst.bOpen = false;
  if (g_lst.bFailed) {
    vFileAbandon(FO_LISTING);
    return;
  }
  int iErr = iFileFinish(FO_LISTING);
  vSvcTrace(TRACE_FILES, "Listing file %s closed.", g_lst.achName);
  if (iErr != 0) vWriteFailed(iErr);
}

void vListAbandon()
{
  if (!g_lst.bOpen) return;
  g_lst.pFile = nullptr;
  g_lst.bOpen = false;
  g_lst.ulOut = 0;
  vFileAbandon(FO_LISTING);
  vSvcTrace(TRACE_FILES, "Listing file %s closed and deleted.", g_lst.achName);
}

bool bListOpen() { return g_lst.bOpen && !g_lst.bFailed; }
uint32_t ulListLineWidth() { return g_lst.bOpen ? g_lst.ulWidth : WIDTH_BEFORE_OPTIONS; }
uint16_t usListPage() { return g_lst.usPage; }

bool bListWide() { return g_lst.bWide; }
uint32_t ulListStatementColumn() { return columns().ulStmtEnd; }
uint32_t ulListSourceColumn() { return columns().ulSource; }

/* ---- the code generation phase ------------------------------------------------------ */

void vListPhaseStart(const uint8_t *pTitleLabel, uint32_t ulTitleLabel)
{
  vListOpen();
  vReportReset();
  g_term = TERMRUN{};
  g_lst.bUsings = g_lst.bShowUsings = false;
  vListHeadingId(LIST_EBCDIC, pTitleLabel, ulTitleLabel);
  vListTitle(LIST_HOST, "", 0);
}

void vTermPhaseEnd()
{
  if (!(g_opt.bTerm & TERM_ON)) return;
  for (const auto &key : g_term.vecHidden) {
    const SAMELINE &same = g_term.mapSame[key];
    char achText[160];
    int n =
        std::snprintf(achText, sizeof achText, "KZM%03d%c %lu more from this statement not shown (the listing has all)",
                      std::get<0>(key) % 1000, same.cLetter, static_cast<unsigned long>(same.ulHidden));
    vTermLine(same.ulSrcId, same.ulLine, 1, "note", achText, static_cast<size_t>(n));
  }
  if (g_term.iWorst > 0 && g_term.ulDiagnostics > 1) { /* where to start when there are many */
    char achText[OPERAND_MAX + 200];
    int n = std::snprintf(achText, sizeof achText, "KZM%03d%c first of the highest severity (%d): %.*s",
                          g_term.iWorstNumber % 1000, g_term.cWorstLetter, g_term.iWorst, OPERAND_MAX + 100,
                          g_term.strWorstText.c_str());
    vTermLine(g_term.ulWorstSrcId, g_term.ulWorstLine, g_term.ulWorstColumn, "note", achText,
              std::min(static_cast<size_t>(n), sizeof achText - 1));
  }
}

void vListStatementHeading()
{
  const char *pszColumns = g_lst.bWide ? "   Loc   Object Code      Addr1    Addr2    Stmt   Source Statement"
                                       : "  Loc  Object Code    Addr1 Addr2  Stmt   Source Statement";
  vListReport(LIST_HOST, "", pszColumns, vUsingHeadingLines, 1);
}

void vListUsingHeading()
{
  if (!bListOpen() || g_rec.ulLength < STMT_HEAD) return;
  uint8_t bPrint = stmtView().bPrint;
  if (!(bPrint & PRT_ON)) return;
  g_lst.bShowUsings = (bPrint & PRT_UHEAD) != 0;
  if (g_lst.bShowUsings && bUsingChanged()) {
    vUsingActiveLine(g_lst.ulWidth, &g_lst.usings);
    g_lst.bUsings = true;
  }
}

void vListStatement()
{
  if (g_rec.ulLength < STMT_HEAD || pRecord() == nullptr) return;
  bool bList = bListOpen();
  if (!bList && !(g_opt.bTerm & TERM_ON)) return; /* nothing to show */
  /* without a listing the view serves only a statement with messages */
  STMTVIEW v{};
  if (bList) {
    v = stmtView();
    uint32_t ulLast = v.ulLine;
    if (v.bInstruction != INSTR_LITERAL && v.ulRecords > 1 && v.ulRecords <= RECORDS_MAX) ulLast += v.ulRecords - 1;
    vReportNoteSource(v.ulSrcId, v.ulLine, ulLast);
    if (bListed(v)) vStatementLines(v);
  }
  bool bMessages = false, bAny = false;
  vEachDiagnostic([&](const DIAGVIEW &d) {
    if (d.bForm != DIAG_READER_NOTE && d.bForm != DIAG_LIST_LINE) {
      bAny = true;
      if (d.iNumber != 0) bMessages = true;
    }
    if (bList) vListDiagnostic(d.bSeverity, d.iNumber, d.bForm, d.ulLength, d.pText);
  });
  if (bList && bMessages) { /* the way back from a macro or COPY member, innermost first */
    uint32_t ulFrame = 0, ulOrdinal = 0;
    vStmtFrameOf(&ulFrame, &ulOrdinal);
    for (const FRAMELINK &l : vecFrameChain(ulFrame, ulOrdinal, v.ulSrcId, v.ulLine)) {
      char achLine[LIST_LINE_MAX + 1];
      std::memset(achLine, ' ', DIAG_TEXT_COLUMN);
      vFrameLinkText(l, achLine + DIAG_TEXT_COLUMN, sizeof achLine - DIAG_TEXT_COLUMN);
      iListLine(LIST_HOST, achLine, static_cast<uint32_t>(std::strlen(achLine)));
    }
  }
  if (bList && bAny && (v.ulFlagSet & FLAG_RECORD) && bReportLastFlagged(v.ulNumber))
    vListRecordLine(v.ulLine, pSvcSourceName(v.ulSrcId));
  if ((g_opt.bTerm & TERM_ON) && bMessages) vTermEcho(bList ? v : stmtView());
}

void vListObjectResult()
{
  const char *psz = pszObjectResult();
  if (!bListOpen() || psz == nullptr || *psz == '\0') return;
  vListSkip(1);
  iListLine(LIST_HOST, psz, static_cast<uint32_t>(std::strlen(psz)));
}

void vListObjectTotal()
{
  const char *psz = pszObjectTotal();
  if (*psz != '\0') vListNoteLine(psz);
}

void vListNoteLine(const char *pszLine)
{
  if (g_lst.bOpen) iListLine(LIST_HOST, pszLine, static_cast<uint32_t>(std::strlen(pszLine)));
}

void vListSummaryLine(const char *pszLine)
{
  if (!g_lst.bOpen) return;
  iListLine(LIST_HOST, pszLine, static_cast<uint32_t>(std::strlen(pszLine)));
  vListClose(false);
}
