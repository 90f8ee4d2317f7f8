/*
** xrf2.cpp - the listing reports: diagnostic lines, the flagged-statement
** list, the options report, the external symbol dictionary, the cross
** references, the relocation dictionary and the closing summary (module
** "xrf2").
**
** Calls: esd1, lbl, prn2, pun2, stmt, usg2.
** Called by: asm, asm2, prn2.
**
** Owns the flagged-statement list of the assembly (statement number, source
** identity and line of each flagged statement, subpool 1), the number of the
** statement flagged last, the line ranges of the primary input files that
** the assembly's records came from, and the rows of the report in hand.
** The reports on symbols read the symbol table and the external symbol
** dictionary, so they run before the code generation phase drops subpool 1.
**
** Notes on the design:
**  - A statement enters the flagged list with its first diagnostic; later
**    diagnostics of the same statement do not add it again.
**  - Diagnostic lines are built in the character set of their text (host
**    text, or EBCDIC for texts that start with source characters) so that
**    no character is lost on the way; the listing writer translates.  The
**    rows of the symbol reports are EBCDIC lines for the same reason.
**  - Rows of the symbol reports sort in EBCDIC order of the names, which
**    are held in EBCDIC.  The first entry of a symbol's reference list is
**    its definition; the others are its references.
*/
#define MEM_MODULE "xrf2"

#include "xrf2.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "esd1.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "prn2.h"
#include "pun2.h"
#include "src1.h"
#include "svc.h"
#include "usg2.h"
#include "vorn.h"
#include "work.h"

namespace {

constexpr uint32_t PREFIX = 24;      /* diagnostic prefix columns */
constexpr uint32_t NOTE_TEXT = 72;   /* note text per line */
constexpr uint32_t INPUT_LABEL = 43; /* "Primary input:  lines%7ld to %7ld of " */

struct FLAGGED {
  uint32_t ulStmt, ulSrcId, ulLine;
  uint32_t ulFrame, ulOrdinal; /* inside a macro or COPY member: where (0 open code) */
};

struct INPUTRANGE {
  uint32_t ulIndex; /* position in the SYSIN list */
  uint32_t ulSrcId, ulFirst, ulLast;
};

struct REPORTSTATE {
  GROWBUF flagged; /* FLAGGED entries (subpool 1) */
  uint32_t ulFlagged;
  uint32_t ulLastFlagged;
  GROWBUF inputs; /* INPUTRANGE entries (subpool 1) */
  uint32_t ulInputs;
  uint32_t ulCachedId; /* the source identity looked up last */
  int iCachedIndex;    /* its SYSIN position, -1 none */
  GROWBUF rows;        /* the rows of a report being printed, sorted */
  GROWBUF refs;        /* the references of one cross-reference row */
  GROWBUF unrefs;      /* the rows of the unreferenced CSECT symbols */
};
REPORTSTATE g_rpt = {{SP_RUN, 1, 0, nullptr, nullptr},
                     0,
                     0,
                     {SP_RUN, 1, 0, nullptr, nullptr},
                     0,
                     0,
                     -1,
                     {SP_RUN, 1, 0, nullptr, nullptr},
                     {SP_RUN, 1, 0, nullptr, nullptr},
                     {SP_RUN, 1, 0, nullptr, nullptr}};

const char *const c_pszSummaryTitle = "                         Diagnostic Cross Reference and Assembler Summary";

/* The lists were dropped with subpool 1. */
void vCheckReleased()
{
  if (g_rpt.flagged.pData == nullptr) g_rpt.ulFlagged = 0;
  if (g_rpt.inputs.pData == nullptr) g_rpt.ulInputs = 0;
}

void vFlag(uint32_t ulStmt)
{
  vCheckReleased();
  if (g_rpt.ulFlagged > 0 && g_rpt.ulLastFlagged == ulStmt) return;
  auto *p = static_cast<FLAGGED *>(GB_ROOM(&g_rpt.flagged, (g_rpt.ulFlagged + 1) * sizeof(FLAGGED)));
  uint32_t ulFrame = 0, ulOrdinal = 0;
  vStmtFrameOf(&ulFrame, &ulOrdinal);
  p[g_rpt.ulFlagged++] = FLAGGED{ulStmt, g_asm.ulSrcId, g_asm.ulSrcLine, ulFrame, ulOrdinal};
  g_rpt.ulLastFlagged = ulStmt;
}

/* A line of the text's character set: blank-filled, host prefix placed at
   column 0 translated when the line is EBCDIC. */
void vLineStart(uint8_t *pLine, bool bEbcdic, const char *pszPrefix)
{
  std::memset(pLine, bEbcdic ? EBCDIC_BLANK : ASCII_BLANK, LIST_LINE_MAX);
  size_t n = std::min<size_t>(std::strlen(pszPrefix), LIST_LINE_MAX);
  if (bEbcdic)
    vAsciiToEbcdic(pLine, reinterpret_cast<const uint8_t *>(pszPrefix), n);
  else
    std::memcpy(pLine, pszPrefix, n);
}

void vPutText(uint8_t *pLine, bool bEbcdic, uint32_t ulColumn, const char *psz)
{
  size_t n = std::strlen(psz);
  if (ulColumn >= LIST_LINE_MAX) return;
  n = std::min<size_t>(n, LIST_LINE_MAX - ulColumn);
  if (bEbcdic)
    vAsciiToEbcdic(pLine + ulColumn, reinterpret_cast<const uint8_t *>(psz), n);
  else
    std::memcpy(pLine + ulColumn, psz, n);
}

/* Ordinary diagnostic: the text from column 25 in pieces of the width
   left, continuation lines with a blank prefix. */
void vMessageLines(const char *pszPrefix, bool bEbcdic, const uint8_t *pText, uint32_t ulLength)
{
  uint32_t ulWidth = ulListLineWidth();
  uint32_t ulPiece = ulWidth > PREFIX ? ulWidth - PREFIX : 1;
  uint32_t ulOff = 0;
  do {
    uint8_t abLine[LIST_LINE_MAX];
    vLineStart(abLine, bEbcdic, ulOff == 0 ? pszPrefix : "");
    uint32_t n = std::min(ulPiece, ulLength - ulOff);
    n = std::min(n, LIST_LINE_MAX - PREFIX);
    std::memcpy(abLine + PREFIX, pText + ulOff, n);
    ulOff += n;
    iListLine((bEbcdic ? LIST_EBCDIC : LIST_HOST) | LL_BOLD | LL_FOLD, abLine, PREFIX + n);
  } while (ulOff < ulLength);
}

/* Note (MNOTE): laid out like a statement line, the statement number in its
   column and the text in the source columns, 72 characters per line. */
void vNoteLines(const char *pszPrefix, bool bEbcdic, const uint8_t *pText, uint32_t ulLength)
{
  uint32_t ulSource = ulListSourceColumn(), ulStmtEnd = ulListStatementColumn();
  uint32_t ulOff = 0;
  do {
    uint8_t abLine[LIST_LINE_MAX];
    vLineStart(abLine, bEbcdic, ulOff == 0 ? pszPrefix : "");
    if (ulOff == 0) {
      char achNumber[16];
      std::snprintf(achNumber, sizeof achNumber, "%6lu", static_cast<unsigned long>(g_asm.ulStmtNo % 1000000));
      vPutText(abLine, bEbcdic, ulStmtEnd - 5, achNumber);
    }
    uint32_t n = std::min(NOTE_TEXT, ulLength - ulOff);
    std::memcpy(abLine + ulSource, pText + ulOff, n);
    ulOff += n;
    iListLine((bEbcdic ? LIST_EBCDIC : LIST_HOST) | LL_BOLD, abLine, ulSource + n);
  } while (ulOff < ulLength);
}

/* Whether a source is a primary input file; its SYSIN position. */
int iPrimaryIndex(uint32_t ulSrcId)
{
  if (ulSrcId == g_rpt.ulCachedId && ulSrcId != 0) return g_rpt.iCachedIndex;
  int iIndex = -1;
  const char *pszName = pSvcSourceName(ulSrcId);
  for (uint32_t i = 0; pszName != nullptr && i < g_opt.ulSysinCount && iIndex < 0; i++) {
    const char *pszSysin = g_opt.apszSysinShow != nullptr ? g_opt.apszSysinShow[i] : g_opt.apszSysin[i];
    if (pszSysin != nullptr && std::strcmp(pszSysin, pszName) == 0) iIndex = static_cast<int>(i);
  }
  g_rpt.ulCachedId = ulSrcId;
  g_rpt.iCachedIndex = iIndex;
  return iIndex;
}

void vLine(uint32_t ulFlags, const char *psz)
{
  iListLine(LIST_HOST | ulFlags, psz, static_cast<uint32_t>(std::strlen(psz)));
}

/* The flagged statements as a running list filling the line width. */
void vFlaggedList(const FLAGGED *p, uint32_t ulCount)
{
  bool bRecord = (g_opt.ulFlag & FLAG_RECORD) != 0;
  uint32_t ulWidth = std::min<uint32_t>(ulListLineWidth(), LIST_LINE_MAX - 1);
  char achLine[LIST_LINE_MAX + 1];
  size_t n = 0;
  uint32_t ulSource = 0;
  auto vFlush = [&]() {
    if (n > 0) iListLine(LIST_HOST, achLine, static_cast<uint32_t>(n));
    n = 0;
  };
  for (uint32_t i = 0; i < ulCount; i++) {
    if (bRecord && (i == 0 || p[i].ulSrcId != ulSource)) {
      vFlush();
      ulSource = p[i].ulSrcId;
      const char *pszName = pSvcSourceName(ulSource);
      vLine(0, pszName != nullptr ? pszName : "");
    }
    char achItem[48];
    int iLen = bRecord ? std::snprintf(achItem, sizeof achItem, " %lu(%lu),", static_cast<unsigned long>(p[i].ulStmt),
                                       static_cast<unsigned long>(p[i].ulLine))
                       : std::snprintf(achItem, sizeof achItem, " %lu,", static_cast<unsigned long>(p[i].ulStmt));
    size_t ulItem = static_cast<size_t>(iLen);
    if (i + 1 == ulCount) ulItem--; /* the last comma is dropped */
    if (n > 0 && n + ulItem > ulWidth) vFlush();
    ulItem = std::min(ulItem, sizeof achLine - 1 - n);
    std::memcpy(achLine + n, achItem, ulItem);
    n += ulItem;
  }
  vFlush();
}

/* The flagged statements inside macros and COPY members, each with the
   way back to the programmer's line, innermost first. */
void vFlaggedChains(const FLAGGED *p, uint32_t ulCount)
{
  bool bTitle = false;
  for (uint32_t i = 0; i < ulCount; i++) {
    if (p[i].ulFrame == 0) continue;
    if (!bTitle) vLine(0, "Flagged statements inside macros and COPY members -");
    bTitle = true;
    std::vector<FRAMELINK> vecChain = vecFrameChain(p[i].ulFrame, p[i].ulOrdinal, p[i].ulSrcId, p[i].ulLine);
    if (vecChain.empty()) continue;
    const char *pszName = pSvcSourceName(vecChain.back().ulSrcId);
    char achLine[LIST_LINE_MAX + 1];
    std::snprintf(achLine, sizeof achLine, "%8lu  %s(%lu)", static_cast<unsigned long>(p[i].ulStmt),
                  pszName != nullptr ? pszName : "", static_cast<unsigned long>(vecChain.back().ulLine));
    vLine(0, achLine);
    for (const FRAMELINK &l : vecChain) {
      std::memset(achLine, ' ', 12);
      vFrameLinkText(l, achLine + 12, sizeof achLine - 12);
      vLine(0, achLine);
    }
  }
}

/* The primary input lines, followed by a blank line; nothing when the
   assembly saw none. */
void vInputLines()
{
  vCheckReleased();
  auto *p = static_cast<INPUTRANGE *>(g_rpt.inputs.pData);
  if (g_rpt.ulInputs == 0 || p == nullptr) return;
  std::sort(p, p + g_rpt.ulInputs, [](const INPUTRANGE &a, const INPUTRANGE &b) { return a.ulIndex < b.ulIndex; });
  uint32_t ulWidth = ulListLineWidth();
  int iRoom = ulWidth > INPUT_LABEL ? static_cast<int>(ulWidth - INPUT_LABEL) : 0;
  for (uint32_t i = 0; i < g_rpt.ulInputs; i++) {
    const char *pszName = pSvcSourceName(p[i].ulSrcId);
    const char *pszLabel = i > 0         ? "                     "
                           : g_opt.bFold ? "PRIMARY INPUT:  LINES"
                                         : "Primary input:  lines";
    char achLine[LIST_LINE_MAX + 64];
    std::snprintf(achLine, sizeof achLine, g_opt.bFold ? "%s%7lu TO %7lu OF %.*s" : "%s%7lu to %7lu of %.*s", pszLabel,
                  static_cast<unsigned long>(p[i].ulFirst), static_cast<unsigned long>(p[i].ulLast), iRoom,
                  pszName != nullptr ? pszName : "");
    vLine(0, achLine);
  }
  vListSkip(1);
}

} // namespace

void vReportReset()
{
  g_rpt.ulFlagged = 0;
  g_rpt.ulLastFlagged = 0;
  g_rpt.ulInputs = 0;
  g_rpt.ulCachedId = 0;
  g_rpt.iCachedIndex = -1;
}

char cDiagnosticLetter(int iNumber, int iSeverity)
{
  if (iNumber == 0 || iNumber == 300 || iSeverity <= 0) return 'I';
  return iSeverity <= 4 ? 'W' : 'E';
}

void vListDiagnostic(int iSeverity, int iNumber, uint8_t bForm, uint32_t ulLength, const void *pText)
{
  if (!bListOpen()) return;
  if (bForm == DIAG_LIST_LINE) {
    char achLine[LIST_LINE_MAX + 1];
    std::snprintf(achLine, sizeof achLine, "%.*s", static_cast<int>(std::min<uint32_t>(ulLength, LIST_LINE_MAX)),
                  pText != nullptr ? static_cast<const char *>(pText) : "");
    vLine(0, achLine);
    return;
  }
  if (bForm == DIAG_READER_NOTE) { /* a note of the source reader flags nothing */
    char achLine[LIST_LINE_MAX + 16];
    std::snprintf(achLine, sizeof achLine, "  KZM%03dI %.*s", (iNumber < 0 ? -iNumber : iNumber) % 1000,
                  static_cast<int>(std::min<uint32_t>(ulLength, LIST_LINE_MAX)),
                  pText != nullptr ? static_cast<const char *>(pText) : "");
    vLine(0, achLine);
    return;
  }
  bool bNote = iNumber == 0 || iNumber == 300;
  const char *pszLabel = bNote ? "*** MNOTE ***" : iSeverity > 4 ? "*** ERROR ***" : "** WARNING **";
  char achPrefix[32];
  std::snprintf(achPrefix, sizeof achPrefix, "  KZM%03d%c %s", (iNumber < 0 ? -iNumber : iNumber) % 1000,
                cDiagnosticLetter(iNumber, iSeverity), pszLabel);
  vFlag(g_asm.ulStmtNo);
  bool bEbcdic = bForm == DIAG_NAME_TEXT;
  const uint8_t *p = static_cast<const uint8_t *>(pText);
  if (p == nullptr) ulLength = 0;
  if (bNote)
    vNoteLines(achPrefix, bEbcdic, p, ulLength);
  else
    vMessageLines(achPrefix, bEbcdic, p, ulLength);
}

bool bReportLastFlagged(uint32_t ulStmt)
{
  vCheckReleased();
  return g_rpt.ulFlagged > 0 && g_rpt.ulLastFlagged == ulStmt;
}

void vListRecordLine(uint32_t ulLine, const char *pszSource)
{
  char achLine[LIST_LINE_MAX + 64];
  int iRoom = static_cast<int>(LIST_LINE_MAX);
  std::snprintf(achLine, sizeof achLine, g_opt.bFold ? "  KZM301I RECORD %lu IN %.*s" : "  KZM301I Record %lu in %.*s",
                static_cast<unsigned long>(ulLine), iRoom, pszSource != nullptr ? pszSource : "");
  vLine(0, achLine);
}

void vReportNoteSource(uint32_t ulSrcId, uint32_t ulFirst, uint32_t ulLast)
{
  int iIndex = iPrimaryIndex(ulSrcId);
  if (iIndex < 0 || ulFirst == 0) return;
  vCheckReleased();
  auto *p = static_cast<INPUTRANGE *>(g_rpt.inputs.pData);
  for (uint32_t i = 0; i < g_rpt.ulInputs; i++) {
    if (p[i].ulSrcId != ulSrcId) continue;
    p[i].ulFirst = std::min(p[i].ulFirst, ulFirst);
    p[i].ulLast = std::max(p[i].ulLast, ulLast);
    return;
  }
  p = static_cast<INPUTRANGE *>(GB_ROOM(&g_rpt.inputs, (g_rpt.ulInputs + 1) * sizeof(INPUTRANGE)));
  p[g_rpt.ulInputs++] = INPUTRANGE{static_cast<uint32_t>(iIndex), ulSrcId, ulFirst, ulLast};
}

/* ---- options report, external symbol dictionary, cross references ------ */

namespace {

constexpr uint32_t OPT_SOURCE_COLUMN = 32; /* "Source" of the options list */
constexpr uint32_t DD_FILE_COLUMN = 12;    /* "File/Path Names" */
constexpr uint32_t XREF_NAME_MAX = 8;      /* longer names stand on lines of their own */
constexpr uint32_t ESD_NAME_COLUMN_MAX = 9;
constexpr uint32_t XREF_WIDE_STMTS = 99999; /* beyond: the wide Defn column */

/* Cross-reference row columns (0-based): length, value, id, type, Defn and
   references; the wide layout moves Defn and the references one column
   out on each side. */
constexpr uint32_t XC_LENGTH = 9, XC_VALUE = 18, XC_ID = 27, XC_TYPE = 36, XC_DEFN = 40, XC_REFS = 46;

template <typename T> T **ppRows(uint32_t ulCount)
{
  return static_cast<T **>(GB_ROOM(&g_rpt.rows, (static_cast<size_t>(ulCount) + 1) * sizeof(T *)));
}

/* EBCDIC order of names, shorter first on a common stem. */
bool bNameBefore(const uint8_t *pA, uint32_t ulA, const uint8_t *pB, uint32_t ulB)
{
  int i = std::memcmp(pA, pB, std::min(ulA, ulB));
  return i != 0 ? i < 0 : ulA < ulB;
}

/* An EBCDIC line: blanks, then texts placed by column. */
struct ELINE {
  uint8_t ab[LIST_LINE_MAX];
  uint32_t ulEnd = 0;
  ELINE() { std::memset(ab, EBCDIC_BLANK, sizeof ab); }
  void vText(uint32_t ulCol, const char *psz)
  {
    size_t n = std::strlen(psz);
    if (ulCol >= LIST_LINE_MAX) return;
    n = std::min<size_t>(n, LIST_LINE_MAX - ulCol);
    vAsciiToEbcdic(ab + ulCol, reinterpret_cast<const uint8_t *>(psz), n);
    ulEnd = std::max(ulEnd, static_cast<uint32_t>(ulCol + n));
  }
  void vName(uint32_t ulCol, const uint8_t *p, uint32_t n)
  {
    if (ulCol >= LIST_LINE_MAX || p == nullptr) return;
    n = std::min(n, LIST_LINE_MAX - ulCol);
    std::memcpy(ab + ulCol, p, n);
    ulEnd = std::max(ulEnd, ulCol + n);
  }
  /* a number right-aligned in ulWidth columns ("%*lu") */
  void vDecimal(uint32_t ulCol, unsigned long ul, uint32_t ulWidth)
  {
    uint8_t abDigits[24];
    vName(ulCol, abDigits, ulEbcdicDecimal(abDigits, ul, std::min<uint32_t>(ulWidth, 20)));
  }
  /* a number in ulDigits hexadecimal digits ("%0*lX") */
  void vHex(uint32_t ulCol, unsigned long ul, uint32_t ulDigits)
  {
    uint8_t abDigits[24];
    vName(ulCol, abDigits, ulEbcdicHex(abDigits, ul, std::min<uint32_t>(ulDigits, 20)));
  }
  void vPrint()
  {
    iListLine(LIST_EBCDIC, ab, ulEnd);
    std::memset(ab, EBCDIC_BLANK, sizeof ab);
    ulEnd = 0;
  }
};

/* A name too long for its column: alone, in pieces of the line width. */
void vLongName(const uint8_t *p, uint32_t n)
{
  uint32_t ulWidth = std::max<uint32_t>(1, std::min(ulListLineWidth(), LIST_LINE_MAX));
  for (uint32_t ulOff = 0; ulOff < n; ulOff += ulWidth) {
    ELINE line;
    line.vName(0, p + ulOff, std::min(ulWidth, n - ulOff));
    line.vPrint();
  }
}

/* ---- options report ---- */

void vHostLine(const char *psz) { iListLine(LIST_HOST, psz, static_cast<uint32_t>(std::strlen(psz))); }

/* A value and, from the Source column, where it came from; a value that
   reaches the column leaves the source for the next line. */
void vValueLine(const char *pszValue, const char *pszSource)
{
  char ach[LIST_LINE_MAX + 1];
  size_t n = std::strlen(pszValue);
  if (n >= OPT_SOURCE_COLUMN) {
    vHostLine(pszValue);
    n = 0;
  }
  std::snprintf(ach, sizeof ach, "%-*.*s%s", static_cast<int>(OPT_SOURCE_COLUMN), static_cast<int>(n), pszValue,
                pszSource);
  vHostLine(ach);
}

/* A report line under construction: host text, blank-filled. */
struct REPORTLINE {
  char ach[LIST_LINE_MAX + 1];
  REPORTLINE() { vClear(); }
  void vClear()
  {
    std::memset(ach, ' ', LIST_LINE_MAX);
    ach[LIST_LINE_MAX] = 0;
  }
  /* text as "%s" would put it, without the formatting */
  void vText(uint32_t ulColumn, const char *psz)
  {
    if (ulColumn >= LIST_LINE_MAX) return;
    size_t ulCount = strnlen(psz, LIST_LINE_MAX - ulColumn);
    std::memcpy(ach + ulColumn, psz, ulCount);
  }
  /* a number in at least ulDigits digits of base 10 or 16, right-aligned
     in ulWidth columns: "%*lu", "%0*lu", "%.*lX"; the columns it takes */
  uint32_t ulNumber(uint32_t ulColumn, uint64_t ull, unsigned uBase, uint32_t ulDigits, uint32_t ulWidth = 0)
  {
    char achDigits[24];
    uint32_t n = 0;
    for (; n < sizeof achDigits && (ull != 0 || n < ulDigits || n == 0); ull /= uBase)
      achDigits[sizeof achDigits - ++n] = "0123456789ABCDEF"[ull % uBase];
    for (; n < sizeof achDigits && n < ulWidth; n++) achDigits[sizeof achDigits - 1 - n] = ' ';
    if (ulColumn < LIST_LINE_MAX)
      std::memcpy(ach + ulColumn, achDigits + sizeof achDigits - n, std::min(n, LIST_LINE_MAX - ulColumn));
    return n;
  }
  void vPrint()
  {
    iListLine(LIST_HOST, ach, LIST_LINE_MAX);
    vClear();
  }
};

/* Items laid out from a column, wrapping to the same column on new lines:
   separated by commas, or, with ulSlot, each in slots of that many columns. */
class ITEMLINE {
public:
  ITEMLINE(REPORTLINE &l, uint32_t ulColumn, uint32_t ulSlot = 0) : m_l(l), m_ulStart(ulColumn), m_ulSlot(ulSlot) {}
  void vItem(const std::string &str, bool bLast)
  {
    std::string strItem = bLast || m_ulSlot != 0 ? str : str + ",";
    uint32_t ulWidth = std::min<uint32_t>(ulListLineWidth(), LIST_LINE_MAX);
    if (m_ulColumn > m_ulStart && m_ulColumn + strItem.size() > ulWidth) vFlush();
    m_l.vText(m_ulColumn, strItem.c_str());
    m_ulColumn += static_cast<uint32_t>(strItem.size());
    if (m_ulSlot != 0) m_ulColumn = m_ulStart + (m_ulColumn - m_ulStart + m_ulSlot) / m_ulSlot * m_ulSlot;
    m_bPending = true;
  }
  void vFlush()
  {
    if (m_bPending) m_l.vPrint();
    m_bPending = false;
    m_ulColumn = m_ulStart;
  }

private:
  REPORTLINE &m_l;
  uint32_t m_ulStart;
  uint32_t m_ulSlot;
  uint32_t m_ulColumn = m_ulStart;
  bool m_bPending = false;
};

/* FLAG: the threshold, then its switches in the order of the report. */
void vFlagLines()
{
  const OPTRECORD &rec = g_opt.aOpt[OPT_FLAG];
  uint32_t ul = g_opt.ulFlag;
  char ach[32];
  std::snprintf(ach, sizeof ach, "FLAG(%u)", static_cast<unsigned>(ul & FLAG_THRESHOLD));
  vValueLine(ach, rec.pszValue != nullptr ? rec.pszSource : "(default)");
  static const struct {
    uint32_t ulBit;
    const char *pszName;
  } c_aSwitch[] = {{FLAG_ALIGN, "ALIGN"},         {FLAG_CONT, "CONT"},           {FLAG_RECORD, "RECORD"},
                   {FLAG_SUBSTR, "SUBSTR"},       {FLAG_RENT, "RENT"},           {FLAG_USINGDUP, "USINGDUP"},
                   {FLAG_USINGZERO, "USINGZERO"}, {FLAG_USINGMULT, "USINGMULT"}, {FLAG_WARN0, "WARN0"}};
  REPORTLINE l;
  ITEMLINE items(l, 4);
  for (const auto &s : c_aSwitch) {
    std::snprintf(ach, sizeof ach, "%s%s", (ul & s.ulBit) ? "" : "No", s.pszName);
    items.vItem(ach, false);
  }
  if ((ul & FLAG_LINT) == 0) {
    items.vItem("NOLINT", true);
  } else {
    static const char *const c_apszRa[] = {"NORA2", "RA2", "RA3", "RA3ANY"};
    const char *pszPsa = (ul & FLAG_MODPSA) ? "MODPSA" : (ul & FLAG_REFPSA) ? "REFPSA" : "NOREFPSA";
    items.vItem(c_apszRa[(ul & FLAG_RA) >> 17], false);
    items.vItem((ul & FLAG_TRUNC) ? "TRUNC" : "NoTRUNC", false);
    items.vItem((ul & FLAG_BRPSA) ? "BRPSA" : "NoBRPSA", false);
    items.vItem(pszPsa, false);
    items.vItem((ul & FLAG_INDEX) ? "INDEX" : "NoINDEX", false);
    items.vItem((ul & FLAG_DECIMAL) ? "DECIMAL" : "NoDECIMAL", true);
  }
  items.vFlush();
}

/* An option as given, else its default, else NO and its name. */
void vOptionLine(const OPTRECORD &rec)
{
  if (rec.pszValue != nullptr) {
    vValueLine(rec.pszValue, rec.pszSource != nullptr ? rec.pszSource : "");
    return;
  }
  char ach[OPT_SOURCE_COLUMN + 16];
  if (rec.pszDefault != nullptr) {
    std::snprintf(ach, sizeof ach, "%s", rec.pszDefault);
  } else {
    size_t n = std::snprintf(ach, sizeof ach, "NO");
    for (const char *p = rec.pszName; *p != '\0' && n + 1 < sizeof ach; p++)
      ach[n++] = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    ach[n] = '\0';
  }
  vValueLine(ach, "(default)");
}

/* The ASCII codes with a translation, by high digit: the character where
   it is printable, '*' for the others, '.' where none is defined. */
void vTranslationTable()
{
  vListNewPage(4); /* the heading lines stay with a row */
  vHostLine("ASCII to EBCDIC Translation Table-");
  vHostLine("      0123456789ABCDEF");
  for (unsigned uHigh = 0; uHigh < 16; uHigh++) {
    char ach[32];
    bool bAny = false;
    int n = std::snprintf(ach, sizeof ach, "   %X  ", uHigh);
    for (unsigned uLow = 0; uLow < 16; uLow++) {
      unsigned c = uHigh << 4 | uLow;
      bool bDefined = g_abAsciiDefined[c] != CHD_NONE;
      bAny = bAny || bDefined;
      ach[n++] = !bDefined ? '.' : c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '*';
    }
    if (bAny) iListLine(LIST_HOST, ach, static_cast<uint32_t>(n));
  }
  vListSkip(1);
}

/* DDNAMEs and system values; SYSLIB's patterns one per line. */
void vDdnameLines()
{
  vListNewPage(4); /* the heading lines stay with a row */
  vHostLine("DDNAMEs     File/Path Names");
  vHostLine("--------    ---------------");
  char ach[LIST_LINE_MAX + 1];
  for (const DDRECORD &dd : g_opt.aDd) {
    const char *psz = dd.pszFile != nullptr ? dd.pszFile : "";
    const char *pszName = dd.pszName;
    do {
      const char *pEnd = std::strchr(psz, ';');
      int n = static_cast<int>(pEnd != nullptr ? pEnd - psz : std::strlen(psz));
      std::snprintf(ach, sizeof ach, "%-*s%.*s", static_cast<int>(DD_FILE_COLUMN), pszName, n, psz);
      vHostLine(ach);
      pszName = "";
      psz = pEnd != nullptr ? pEnd + 1 : nullptr;
    } while (psz != nullptr);
  }
  for (const SYSVALUE &sv : g_opt.aSys) {
    std::snprintf(ach, sizeof ach, "%-*s%s", static_cast<int>(DD_FILE_COLUMN), sv.pszName, sv.achValue);
    vHostLine(ach);
  }
}

/* ---- external symbol dictionary ---- */

/* Which numeric columns a row of each kind shows. */
enum : uint8_t { EC_ID = 0x01, EC_ADDRESS = 0x02, EC_LENGTH = 0x04, EC_LDID = 0x08, EC_FLAGS = 0x10 };

/* Where the columns of a row start (0-based), the name of up to 9
   characters from 0: at least one blank between any two columns (Id one
   to the right of its 1-based 13-20, Address and Length with it). */
constexpr uint32_t EC_TYPE_COLUMN = 10, EC_ID_COLUMN = 13, EC_ADDRESS_COLUMN = 22, EC_LENGTH_COLUMN = 31,
                   EC_LDID_COLUMN = 41, EC_FLAGS_COLUMN = 52, EC_ALIAS_COLUMN = 57;

struct ESDKIND {
  uint8_t bKind;
  char achType[3];
  uint8_t bColumns;
};
constexpr ESDKIND c_aEsdKind[] = {
    {ESD_SD, "SD", EC_ID | EC_ADDRESS | EC_LENGTH | EC_FLAGS},
    {ESD_LD, "LD", EC_ADDRESS | EC_LDID},
    {ESD_ER, "ER", EC_ID},
    {ESD_PC, "PC", EC_ID | EC_ADDRESS | EC_LENGTH | EC_FLAGS},
    {ESD_CM, "CM", EC_ID | EC_ADDRESS | EC_LENGTH},
    {ESD_XD, "XD", EC_ID | EC_LENGTH | EC_FLAGS},
    {ESD_WX, "WX", EC_ID},
};

const ESDKIND *pEsdKind(const ESDITEM *e)
{
  if (e->bOmitted) return nullptr;
  for (const ESDKIND &k : c_aEsdKind)
    if (k.bKind == e->bKind) return &k;
  return nullptr; /* dummy sections */
}

void vEsdRow(const ESDITEM *e, const ESDKIND &k)
{
  ELINE line;
  const uint8_t *pName = e->pName != nullptr ? e->pName->abName : nullptr;
  uint32_t ulName = e->pName != nullptr ? e->pName->usNameLength : 0;
  const uint8_t *pShown = e->pAlias != nullptr ? e->pAlias : pName;
  uint32_t ulShown = e->pAlias != nullptr ? e->usAliasLength : ulName;
  if (ulShown > ESD_NAME_COLUMN_MAX)
    vLongName(pShown, ulShown);
  else
    line.vName(0, pShown, ulShown);
  line.vText(EC_TYPE_COLUMN, k.achType);
  if (k.bColumns & EC_ID) line.vHex(EC_ID_COLUMN, static_cast<uint32_t>(e->lId), 8);
  if (k.bColumns & EC_ADDRESS) line.vHex(EC_ADDRESS_COLUMN, e->ulStart, 8);
  if (k.bColumns & EC_LENGTH) line.vHex(EC_LENGTH_COLUMN, e->ulFolded, 8);
  if (k.bColumns & EC_LDID) line.vHex(EC_LDID_COLUMN, e->ulFolded, 8);
  if (k.bColumns & EC_FLAGS) line.vHex(EC_FLAGS_COLUMN, e->bAttr & (ESDA_AMODE | ESDA_RMODE | ESDA_RSECT), 2);
  if (e->pAlias != nullptr) line.vName(EC_ALIAS_COLUMN, pName, ulName);
  line.vPrint();
}

/* ---- cross references ---- */

bool bSymbolBefore(const SYMBOL *a, const SYMBOL *b)
{
  int i = std::memcmp(a->abName, b->abName, std::min(a->usNameLength, b->usNameLength));
  if (i != 0) return i < 0;
  if (a->usNameLength != b->usNameLength) return a->usNameLength < b->usNameLength;
  return a->lKey1 != b->lKey1 ? a->lKey1 < b->lKey1 : a->lKey2 < b->lKey2; /* literals of several pools */
}

/* A symbol with the first 8 bytes of its name as a big-endian number,
   zeros after a shorter name: keys that differ order their symbols as
   bSymbolBefore does, so the sort reads the entries only on a tie. */
struct SORTKEY {
  uint64_t ullKey;
  SYMBOL *p;
};

uint64_t ullNameKey(const SYMBOL *p)
{
  uint8_t ab[8] = {};
  std::memcpy(ab, p->abName, std::min<uint32_t>(p->usNameLength, sizeof ab));
  uint64_t ullKey = 0;
  for (uint8_t b : ab) ullKey = ullKey << 8 | b;
  return ullKey;
}

/* Sorts the keys by name and leaves the rows (the entries) in their
   place: entry i of the result never lies beyond key i. */
void vSortRows(SORTKEY *pKeys, uint32_t n)
{
  std::sort(pKeys, pKeys + n, [](const SORTKEY &a, const SORTKEY &b) {
    return a.ullKey != b.ullKey ? a.ullKey < b.ullKey : bSymbolBefore(a.p, b.p);
  });
  auto **pp = reinterpret_cast<SYMBOL **>(pKeys);
  for (uint32_t i = 0; i < n; i++) pp[i] = pKeys[i].p;
}

/* Entries a few rows on are fetched while a row is made: the table is
   large and its entries lie anywhere in storage. */
constexpr uint32_t FETCH_AHEAD = 16;

void vFetchAhead(SYMBOL *const *pp, uint32_t i, uint32_t n)
{
  if (i + FETCH_AHEAD < n) __builtin_prefetch(pp[i + FETCH_AHEAD]);
  if (i + FETCH_AHEAD / 2 < n) __builtin_prefetch(pp[i + FETCH_AHEAD / 2]->pRefs);
}

bool bReferenced(const SYMBOL *p) { return ulSymbolRefCount(p) > 1; }

/* A symbol is listed with the value it has once defined: undefined ones
   show their name, definition and references only. */
bool bDefined(const SYMBOL *p) { return (p->bFlags & (SYMF_VALUE_PENDING | SYMF_UNDEFINED)) == 0; }

void vXrefColumns(ELINE &line, const SYMBOL *p, bool bWide)
{
  if (p->lLength >= 0) line.vDecimal(XC_LENGTH, static_cast<uint32_t>(p->lLength), 8);
  if (bDefined(p)) {
    line.vHex(XC_VALUE, static_cast<uint32_t>(p->lValue), 8);
    const ESDITEM *e = pEsdItem(p->lSection);
    if (bSymbolComplex(p))
      line.vText(XC_ID, g_opt.bFold ? "COMPLEX" : "Complex");
    else if (e != nullptr)
      line.vHex(XC_ID, static_cast<uint32_t>(e->lId), 8);
  }
  if (p->bType > EBCDIC_BLANK && g_abEbcdicDefined[p->bType] != CHD_NONE)
    line.vName(XC_TYPE, &p->bType, 1);
  else
    line.vHex(XC_TYPE, p->bType, 2);
  uint32_t ulDefn = ulSymbolDefinition(p);
  if (ulDefn != 0) line.vDecimal(bWide ? XC_DEFN - 1 : XC_DEFN, ulDefn, bWide ? 7 : 5);
}

/* The references after the definition, ascending, each with its kind
   letter, filling lines from the References column. */
void vXrefReferences(ELINE &line, const SYMBOL *p, uint32_t ulFrom)
{
  uint32_t ulCount = ulSymbolRefCount(p);
  const uint32_t *pl = pSymbolRefList(p);
  auto *pRefs = static_cast<uint32_t *>(GB_ROOM(&g_rpt.refs, (static_cast<size_t>(ulCount) + 1) * sizeof(uint32_t)));
  uint32_t n = 0;
  for (uint32_t i = 1; i < ulCount; i++) pRefs[n++] = pl[i];
  std::sort(pRefs, pRefs + n, [](uint32_t a, uint32_t b) {
    return (a & REF_STMT_MASK) != (b & REF_STMT_MASK) ? (a & REF_STMT_MASK) < (b & REF_STMT_MASK) : a < b;
  });
  uint32_t ulWidth = std::min(ulListLineWidth(), LIST_LINE_MAX);
  uint32_t ulAt = ulFrom;
  for (uint32_t i = 0; i < n; i++) {
    uint8_t abNumber[24];
    uint32_t ulLen = ulEbcdicDecimal(abNumber, pRefs[i] & REF_STMT_MASK, 0);
    uint8_t bKind = static_cast<uint8_t>(pRefs[i] >> REF_KIND_SHIFT);
    uint32_t ulItem = ulLen + (bKind != 0 ? 1 : 0) + (i + 1 < n ? 1 : 0);
    if (ulAt > ulFrom && ulAt + ulItem > ulWidth) {
      line.vPrint();
      ulAt = ulFrom;
    }
    line.vName(ulAt, abNumber, ulLen);
    ulAt += ulLen;
    if (bKind != 0) line.vName(ulAt++, &bKind, 1);
    static const uint8_t c_bComma = E_COMMA;
    if (i + 1 < n) line.vName(ulAt++, &c_bComma, 1);
  }
  line.vPrint();
}

void vXrefRow(const SYMBOL *p, bool bWide)
{
  ELINE line;
  if (p->usNameLength > XREF_NAME_MAX)
    vLongName(p->abName, p->usNameLength);
  else
    line.vName(0, p->abName, p->usNameLength);
  vXrefColumns(line, p, bWide);
  vXrefReferences(line, p, bWide ? XC_REFS + 1 : XC_REFS);
}

/* Unreferenced CSECT symbols: ordinary symbols, defined, whose value lies
   in a control section (CSECT, RSECT, START or the unnamed section), and
   that no statement refers to besides their definition.  Names of
   sections and location counters (T' J) are left out: they name the
   section itself, which the object module refers to. */
bool bUnreferencedCsectSymbol(const SYMBOL *p)
{
  if (p->lKey1 != 0 || bReferenced(p) || !bDefined(p) || p->bType == E_J) return false;
  const ESDITEM *e = pEsdItem(p->lSection);
  return e != nullptr && (e->bKind == ESD_SD || e->bKind == ESD_PC);
}

void vUnreferencedReport(SYMBOL *const *pp, uint32_t n)
{
  if (n == 0) return;
  vListReport(LIST_HOST, "                                     Unreferenced CSECT Symbols", "  Defn  Symbol", nullptr,
              1);
  for (uint32_t i = 0; i < n; i++) {
    ELINE line;
    line.vDecimal(0, ulSymbolDefinition(pp[i]), 6);
    line.vName(8, pp[i]->abName, pp[i]->usNameLength);
    line.vPrint();
  }
}

void vAddRow(GROWBUF *pRows, uint32_t *pulCount, SYMBOL *p)
{
  auto *pKeys = static_cast<SORTKEY *>(GB_ROOM(pRows, (static_cast<size_t>(*pulCount) + 1) * sizeof(SORTKEY)));
  pKeys[(*pulCount)++] = SORTKEY{ullNameKey(p), p};
}

/* The rows of both reports, sorted by name, in one walk over the table:
   the cross reference's (every entry, or the referenced ones) in rows, the
   unreferenced CSECT symbols in unrefs. */
void vCollectRows(bool bAll, bool bUnrefs, uint32_t *pulRows, uint32_t *pulUnrefs)
{
  uint32_t ulTotal = ulSymbolTotal();
  auto **ppAll = static_cast<SYMBOL **>(GB_ENSURE(&g_rpt.refs, (static_cast<size_t>(ulTotal) + 1) * sizeof(SYMBOL *)));
  uint32_t n = ulSymbolsAll(ppAll, ulTotal);
  uint32_t ulRows = 0, ulUnrefs = 0;
  for (uint32_t i = 0; i < n; i++) {
    vFetchAhead(ppAll, i, n);
    SYMBOL *p = ppAll[i];
    if (bAll || bReferenced(p)) vAddRow(&g_rpt.rows, &ulRows, p);
    if (bUnrefs && bUnreferencedCsectSymbol(p)) vAddRow(&g_rpt.unrefs, &ulUnrefs, p);
  }
  if (ulRows > 0) vSortRows(static_cast<SORTKEY *>(g_rpt.rows.pData), ulRows);
  if (ulUnrefs > 0) vSortRows(static_cast<SORTKEY *>(g_rpt.unrefs.pData), ulUnrefs);
  *pulRows = ulRows;
  *pulUnrefs = ulUnrefs;
}

bool bDsectBefore(const ESDITEM *a, const ESDITEM *b)
{
  const uint8_t *pA = a->pName != nullptr ? a->pName->abName : nullptr;
  const uint8_t *pB = b->pName != nullptr ? b->pName->abName : nullptr;
  uint32_t ulA = a->pName != nullptr ? a->pName->usNameLength : 0;
  uint32_t ulB = b->pName != nullptr ? b->pName->usNameLength : 0;
  if (ulA == 0 || ulB == 0) return ulA < ulB;
  return bNameBefore(pA, ulA, pB, ulB);
}

} // namespace

void vReportOptions()
{
  if (!bListOpen() || usListPage() != 0) return; /* once, at the head of the listing */
  vListReport(LIST_HOST, "Velmora 390 Cross Assembler Option Summary", "", nullptr, 1);
  char ach[LIST_LINE_MAX + 1];
  std::snprintf(ach, sizeof ach, "Assembled on %s", g_opt.achStamp);
  vHostLine(ach);
  vListSkip(1);
  vHostLine("Command Line Parameters-");
  for (int i = 1; i < g_opt.iArgc && g_opt.ppszArgv != nullptr; i++) {
    std::snprintf(ach, sizeof ach, "  %s", g_opt.ppszArgv[i] != nullptr ? g_opt.ppszArgv[i] : "");
    vHostLine(ach);
  }
  vListSkip(1);
  vListNewPage(4); /* the heading lines stay with a row */
  vHostLine("Options for this Assembly       Source");
  vHostLine("-------------------------       --------------------------------");
  for (unsigned i = 0; i < OPT_COUNT; i++) {
    if (i == OPT_FLAG)
      vFlagLines();
    else
      vOptionLine(g_opt.aOpt[i]);
  }
  for (unsigned i = 0; i < g_opt.uNotes && i < OPT_NOTES_MAX; i++) {
    if (i == 0) vListSkip(1);
    vHostLine(g_opt.aachNote[i]);
  }
  vListSkip(1);
  vTranslationTable();
  vDdnameLines();
}

void vReportEsd()
{
  if (!g_opt.bEsd || !bListOpen()) return;
  uint32_t ulCount = ulEsdCount();
  bool bAny = false;
  for (uint32_t i = 0; i < ulCount && !bAny; i++) bAny = pEsdKind(pEsdItem(static_cast<int32_t>(i))) != nullptr;
  if (!bAny) return;
  vListReport(LIST_HOST, "                                    External Symbol Dictionary",
              "Symbol   Type   Id    Address   Length     LD ID  Flags  Alias-of", nullptr, 1);
  for (uint32_t i = 0; i < ulCount; i++) {
    const ESDITEM *e = pEsdItem(static_cast<int32_t>(i));
    if (const ESDKIND *k = pEsdKind(e)) vEsdRow(e, *k);
  }
}

void vReportXref()
{
  if (g_opt.bXref == 0 || !bListOpen()) return;
  bool bUnrefs = (g_opt.bXref & XREF_UNREFS) != 0;
  uint32_t n = 0, ulUnrefs = 0;
  vCollectRows((g_opt.bXref & XREF_FULL) != 0, bUnrefs, &n, &ulUnrefs);
  if (n > 0) {
    vListReport(LIST_HOST, "                                          Cross Reference",
                "Symbol    Length    Value     Id   Type  Defn  References", nullptr, 1);
    bool bWide = g_asm.ulStmtCount > XREF_WIDE_STMTS;
    SYMBOL **pp = static_cast<SYMBOL **>(g_rpt.rows.pData);
    for (uint32_t i = 0; i < n; i++) {
      vFetchAhead(pp, i, n);
      vXrefRow(pp[i], bWide);
    }
  }
  if (bUnrefs) vUnreferencedReport(static_cast<SYMBOL **>(g_rpt.unrefs.pData), ulUnrefs);
  GB_FREE(&g_rpt.rows);
  GB_FREE(&g_rpt.refs);
  GB_FREE(&g_rpt.unrefs);
}

void vReportDsectXref()
{
  if (!g_opt.bDxref || !bListOpen()) return;
  uint32_t n = 0;
  for (uint32_t i = 0; i < ulEsdCount(); i++) {
    ESDITEM *e = pEsdItem(static_cast<int32_t>(i));
    if (e->bKind != ESD_DSECT) continue;
    ppRows<ESDITEM>(n + 1)[n] = e;
    n++;
  }
  if (n == 0) return;
  ESDITEM **pp = ppRows<ESDITEM>(n);
  std::sort(pp, pp + n, bDsectBefore);
  vListReport(LIST_HOST, "                                       Dsect Cross Reference",
              "   Id      Length    Defn   DSECT Name", nullptr, 1);
  for (uint32_t i = 0; i < n; i++) {
    ELINE line;
    line.vHex(0, static_cast<uint32_t>(pp[i]->lId), 8);
    line.vHex(9, pp[i]->ulFolded, 8);
    if (pp[i]->lDefStmt > 0) line.vDecimal(19, static_cast<uint32_t>(pp[i]->lDefStmt), 6);
    if (pp[i]->pName != nullptr) line.vName(28, pp[i]->pName->abName, pp[i]->pName->usNameLength);
    line.vPrint();
  }
  GB_FREE(&g_rpt.rows);
}

void vReportRld()
{
  if (!g_opt.bRld || !bListOpen()) return;
  uint32_t ulCount = 0;
  const RLDITEM *p = pRldSorted(&ulCount);
  if (ulCount == 0 || g_asm.ulMaxSev > 8) return;
  vListReport(LIST_HOST, "                                       Relocation Dictionary",
              " Pos.Id       Rel.Id     Flags   Address", nullptr, 1);
  for (uint32_t i = 0; i < ulCount; i++) {
    const uint8_t *q = p[i].ab;
    char ach[64];
    int n = std::snprintf(ach, sizeof ach, " %08X     %08X   %02X      %08X", static_cast<unsigned>(q[0] << 8 | q[1]),
                          static_cast<unsigned>(q[5] << 8 | q[6]), q[7],
                          static_cast<unsigned>(q[2] << 16 | q[3] << 8 | q[4]));
    iListLine(LIST_HOST, ach, static_cast<uint32_t>(n));
  }
}

void vReportSummary()
{
  if (!bListOpen()) return;
  vCheckReleased();
  vListReport(LIST_HOST, c_pszSummaryTitle, "", nullptr, 1);
  if (g_rpt.ulFlagged == 0) {
    vLine(LL_BOLD, "No statements flagged in this assembly");
  } else {
    vLine(LL_BOLD, "The following statements were flagged -");
    vFlaggedList(static_cast<const FLAGGED *>(g_rpt.flagged.pData), g_rpt.ulFlagged);
    vFlaggedChains(static_cast<const FLAGGED *>(g_rpt.flagged.pData), g_rpt.ulFlagged);
    char achCount[128];
    std::snprintf(achCount, sizeof achCount,
                  "%lu statement%s flagged in this assembly,  %u was the highest severity code",
                  static_cast<unsigned long>(g_rpt.ulFlagged), g_rpt.ulFlagged == 1 ? "" : "s",
                  static_cast<unsigned>(g_asm.ulMaxSev));
    vLine(LL_BOLD, achCount);
  }
  vListSkip(1);
  char achLine[LIST_LINE_MAX + 256];
  std::snprintf(achLine, sizeof achLine, "%s, VERSION 1.2.00", g_opt.achSysIdent);
  vLine(0, achLine);
  std::snprintf(achLine, sizeof achLine, "%s    JOBNAME: %s    STEPNAME: %s", g_opt.achComputer,
                g_opt.aSys[SV_SYSJOB].achValue, g_opt.aSys[SV_SYSSTEP].achValue);
  vLine(0, achLine);
  vListSkip(1);
  vInputLines();
  if (g_mxReport.ullWorkSize > 0) { /* the work file itself was closed at the end of the first phase */
    std::snprintf(achLine, sizeof achLine, "MACRO work file size: %ld", static_cast<long>(g_mxReport.ullWorkSize));
    vLine(0, achLine);
  }
  std::snprintf(achLine, sizeof achLine, "SYSUT1 work file size: %ld", static_cast<long>(g_rec.ulSysut1Size));
  vLine(0, achLine);
}

/* ---- USING map ------------------------------------------------------------------ */

namespace {

constexpr uint32_t UM_LEVEL = 6, UM_ACTION = 15, UM_TYPE = 23, UM_ID = 34, UM_BASE = 43, UM_REG = 54, UM_OVER = 58,
                   UM_MAX = 59, UM_END = 70, UM_TEXT = 78;

const char *pszUsingType(const USINGMAP &m, char *pszRegister, size_t ulSize)
{
  static const char *const c_apsz[] = {"", "Ordinary", "Dependent", "Labeled", "Lab+Depnd", "ALL"};
  if (m.bType == UT_REGISTER) {
    if (ulSize == 0) return "";
    *std::to_chars(pszRegister, pszRegister + ulSize - 1, m.bDropReg).ptr = '\0';
    return pszRegister;
  }
  return m.bType < sizeof c_apsz / sizeof c_apsz[0] ? c_apsz[m.bType] : "";
}

/* The columns of one register range of a USING. */
void vUsingRange(REPORTLINE &l, const USINGMAP &m, uint32_t i)
{
  const USINGMAPREG &r = m.aReg[i];
  int64_t lBase = r.lBase;
  l.vText(UM_BASE, lBase < 0 ? "-" : " ");
  l.ulNumber(UM_BASE + 1, static_cast<uint64_t>(lBase < 0 ? -lBase : lBase), 16, 8);
  l.ulNumber(UM_REG, r.bReg, 10, 2);
  if (r.lMaxDisp >= 0) {
    if (i + 1 == m.ulRegs && r.lMaxDisp > m.lLimit) l.vText(UM_OVER, "*");
    uint32_t ulAt = UM_MAX + l.ulNumber(UM_MAX, static_cast<uint16_t>(r.lMaxDisp), 16, 3);
    l.vText(ulAt, " ");
    l.ulNumber(ulAt + 1, r.ulLast, 10, 1, 6);
  }
  if (r.ulEnd != 0) l.ulNumber(UM_END, r.ulEnd, 10, 1, 6);
}

} // namespace

void vUsingMapReport()
{
  const USINGMAP *m = pUsingMapFirst();
  if (!g_opt.bUsingMap || !bListOpen() || m == nullptr) return;
  static const char *const c_apszAction[] = {"", "USING", "DROP", "PUSH", "POP"};
  vListReport(LIST_HOST, "                                             USING Map",
              "  Stmt  Level  Action  Type          Id     Address   Reg  Max   Last    End  Label.Text", nullptr, 1);
  REPORTLINE l;
  for (; m != nullptr; m = m->pNext) {
    l.ulNumber(0, m->ulStmt % 1000000, 10, 1, 6);
    if (m->lLevel > 0) l.ulNumber(UM_LEVEL, static_cast<uint64_t>(m->lLevel), 10, 1, 7);
    l.vText(UM_ACTION, m->bAction < 5 ? c_apszAction[m->bAction] : "");
    char achRegister[8];
    l.vText(UM_TYPE, pszUsingType(*m, achRegister, sizeof achRegister));
    const ESDITEM *pSection = m->bAction == UM_USING && m->lSection >= 0 ? pEsdItem(m->lSection) : nullptr;
    if (pSection != nullptr) l.ulNumber(UM_ID, static_cast<uint32_t>(pSection->lId), 16, 8);
    if (m->ulRegs > 0) vUsingRange(l, *m, 0);
    l.vText(UM_TEXT, m->achText);
    l.vPrint();
    for (uint32_t i = 1; i < m->ulRegs; i++) {
      vUsingRange(l, *m, i);
      l.vPrint();
    }
  }
}

/* ---- MACRO and COPY code reports ----------------------------------------------- */

namespace {

constexpr uint32_t MX_MEMBERS = 16; /* source summary: first member column */
constexpr uint32_t MX_SLOT = 9;     /* a member name and its blank */
constexpr uint32_t MX_CON = 9, MX_DEFN = 13, MX_CALLER = 21, MX_REFS = 36;

std::string strMemberName(const MXMEMBER &m)
{
  std::string str(m.ulNameLength, ' ');
  vEbcdicToAscii(reinterpret_cast<uint8_t *>(str.data()), m.abName, m.ulNameLength);
  return str;
}

/* EBCDIC order of two member names. */
bool bNameBefore(const MXMEMBER &a, const MXMEMBER &b)
{
  int i = std::memcmp(a.abName, b.abName, std::min(a.ulNameLength, b.ulNameLength));
  return i != 0 ? i < 0 : a.ulNameLength < b.ulNameLength;
}

bool bSameName(const MXMEMBER &a, const MXMEMBER &b)
{
  return a.ulNameLength == b.ulNameLength && std::memcmp(a.abName, b.abName, a.ulNameLength) == 0;
}

void vMacroSourceSummary(const MXMEMBER *pMembers, uint32_t ulMembers)
{
  std::vector<const MXMEMBER *> vec;
  for (uint32_t i = 0; i < ulMembers; i++)
    if (pMembers[i].bDefined) vec.push_back(&pMembers[i]);
  std::sort(vec.begin(), vec.end(), [](const MXMEMBER *a, const MXMEMBER *b) {
    return a->ulConcat != b->ulConcat ? a->ulConcat < b->ulConcat : bNameBefore(*a, *b);
  });
  vListReport(LIST_HOST, "                                MACRO and COPY Code Source Summary",
              "Con Source      Members", nullptr, 1);
  REPORTLINE l;
  for (size_t i = 0; i < vec.size();) {
    uint32_t ulConcat = vec[i]->ulConcat;
    char achSource[PATH_MAX + 16] = "    PRIMARY INPUT";
    if (ulConcat > 0)
      std::snprintf(achSource, sizeof achSource, "%3lu %s", static_cast<unsigned long>(ulConcat),
                    ulConcat <= g_opt.ulSyslibCount ? g_opt.apszSyslib[ulConcat - 1] : "");
    l.vText(0, achSource);
    if (std::strlen(achSource) >= MX_MEMBERS) l.vPrint(); /* the members start below a long source */
    ITEMLINE items(l, MX_MEMBERS, MX_SLOT);
    size_t j = i;
    for (; j < vec.size() && vec[j]->ulConcat == ulConcat; j++)
      if (j == i || !bSameName(*vec[j], *vec[j - 1])) items.vItem(strMemberName(*vec[j]), false);
    items.vFlush();
    i = j;
  }
}

void vMacroCrossReference(const MXMEMBER *pMembers, uint32_t ulMembers, const MXCALL *pCalls, uint32_t ulCalls)
{
  std::vector<uint32_t> vecMembers;
  for (uint32_t i = 0; i < ulMembers; i++)
    if (pMembers[i].bDefined) vecMembers.push_back(i);
  std::stable_sort(vecMembers.begin(), vecMembers.end(),
                   [&](uint32_t a, uint32_t b) { return bNameBefore(pMembers[a], pMembers[b]); });
  /* the calls by member, caller (the primary input first) and statement */
  auto fCallerBefore = [&](uint32_t a, uint32_t b) {
    if (a == b || b == MX_PRIMARY) return false;
    if (a == MX_PRIMARY) return true;
    return bNameBefore(pMembers[a], pMembers[b]) || (!bNameBefore(pMembers[b], pMembers[a]) && a < b);
  };
  std::vector<MXCALL> vecCalls(pCalls, pCalls + ulCalls);
  std::sort(vecCalls.begin(), vecCalls.end(), [&](const MXCALL &a, const MXCALL &b) {
    if (a.ulMember != b.ulMember) return a.ulMember < b.ulMember;
    if (a.ulCaller != b.ulCaller) return fCallerBefore(a.ulCaller, b.ulCaller);
    return a.ulStmt < b.ulStmt;
  });
  vListReport(LIST_HOST, "                                MACRO and COPY Code Cross Reference",
              "Macro    Con   Defn  Called by      References", nullptr, 1);
  REPORTLINE l;
  for (uint32_t ulMember : vecMembers) {
    const MXMEMBER &m = pMembers[ulMember];
    std::string strName = strMemberName(m);
    if (strName.size() > 8) {
      l.vText(0, strName.c_str());
      l.vPrint();
    } else {
      l.vText(0, strName.c_str());
    }
    if (m.ulConcat != 0) l.ulNumber(MX_CON, m.ulConcat, 10, 1, 3);
    if (m.ulDefn != 0) l.ulNumber(MX_DEFN, m.ulDefn, 10, 1, 6);
    auto it = std::lower_bound(vecCalls.begin(), vecCalls.end(), ulMember,
                               [](const MXCALL &c, uint32_t ul) { return c.ulMember < ul; });
    if (it == vecCalls.end() || it->ulMember != ulMember) l.vPrint();
    while (it != vecCalls.end() && it->ulMember == ulMember) {
      uint32_t ulCaller = it->ulCaller;
      std::string strCaller = ulCaller == MX_PRIMARY ? "PRIMARY INPUT" : strMemberName(pMembers[ulCaller]);
      l.vText(MX_CALLER, strCaller.c_str());
      if (MX_CALLER + strCaller.size() >= MX_REFS) l.vPrint();
      ITEMLINE refs(l, MX_REFS);
      uint32_t ulPrevious = 0;
      for (; it != vecCalls.end() && it->ulMember == ulMember && it->ulCaller == ulCaller; ++it) {
        if (it->ulStmt == ulPrevious) continue;
        ulPrevious = it->ulStmt;
        auto next = it + 1;
        while (next != vecCalls.end() && next->ulMember == ulMember && next->ulCaller == ulCaller &&
               next->ulStmt == ulPrevious)
          ++next;
        bool bLast = next == vecCalls.end() || next->ulMember != ulMember || next->ulCaller != ulCaller;
        refs.vItem(std::to_string(it->ulStmt) + (m.cKind == MX_COPY ? "C" : ""), bLast);
      }
      refs.vFlush();
    }
  }
}

} // namespace

MXREPORT g_mxReport;

void vReportMacroCopy()
{
  if (g_opt.bMxref == 0 || !bListOpen()) return;
  uint32_t ulMembers = static_cast<uint32_t>(g_mxReport.vecMembers.size());
  uint32_t ulCalls = static_cast<uint32_t>(g_mxReport.vecCalls.size());
  const MXMEMBER *pMembers = g_mxReport.vecMembers.data();
  const MXCALL *pCalls = g_mxReport.vecCalls.data();
  bool bAny = false;
  for (uint32_t i = 0; i < ulMembers; i++) bAny = bAny || pMembers[i].bDefined;
  if (!bAny) return;
  if (g_opt.bMxref & MXREF_SOURCE) vMacroSourceSummary(pMembers, ulMembers);
  if (g_opt.bMxref & MXREF_XREF) vMacroCrossReference(pMembers, ulMembers, pCalls, ulCalls);
}
