/*
** src1.cpp - the source reader (module "src1").
**
** Calls: lbl, stmt.
** Called by: asm, asm1, gen1, mac1, msc1, var1.
**
** Owns the stack of input sources, the position in the SYSIN file list, the
** read-ahead card of the empty-source check and of BATCH, and the table of
** source identities.
**
** Notes on the design:
**  - A file's format is judged once, from its first 160 bytes: EBCDIC card
**    images (every byte an EBCDIC code with a translation), ASCII card images
**    (no line end or tab), or ASCII text lines.
**  - Text lines: a tab moves to the next multiple of 8 columns, characters
**    beyond column 80 are dropped, CR LF / LF / CR end a line, a final X'1A'
**    is ignored, and a two-byte UTF-8 sequence for U+00A0-U+00FF is read as
**    that one Latin-1 character; a source read that way makes the run's
**    text UTF-8 (bSourceUtf8), so the listing gives the character back as
**    the source had it.  A longer UTF-8 sequence is one untranslatable
**    character, so the columns after it stay where the text shows them.
**  - A character without a translation is reported on the terminal stream
**    as the record is read; the statement that takes the record carries the
**    same note (message 099, the first one of its records) for the listing.
**  - A text record with more than blanks after column 80 is cut there like
**    any other; the first such record of each file is noted on the terminal
**    stream (message 125), so no text is dropped unseen.
**  - A UTF-8 byte-order mark that opens a file is skipped before the
**    format is judged.
**  - A member that ends is popped at once; the statement in progress then
**    sees the end of its input (message 101 when it expected a record).
**  - Library members are looked up along the SYSLIB patterns under the name
**    as built, in lower case, and with the pattern's extension in lower case.
**    A LIBEXIT command runs only for names that are valid symbols, and the
**    member name reaches the shell in single quotes.
**  - After END, the input ahead is read on streams of its own to tell
**    whether statements follow (blank lines and comments do not count); the
**    sources themselves do not move.  Only regular files are read twice:
**    anything else counts as holding statements.
**  - A statement keeps at most SRC_RECORDS_MAX records (message 124); the
**    further continuation records are read and dropped, so the memory of
**    one statement is bounded whatever the input.
*/
#include "src1.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "cnd1.h"
#include "file.h"
#include "gen1.h"
#include "instr.h"
#include "lbl.h"
#include "opt.h"
#include "prn2.h"
#include "vorn.h"
#include "svc.h"

#define MEM_MODULE "src1"

namespace {

constexpr uint32_t BUFFER_BYTES = 1024;
constexpr uint32_t FORMAT_PROBE = 160;
constexpr uint32_t TAB_STOP = 8;
constexpr uint32_t CARD_STEP = 4000;
constexpr uint32_t SRC_RECORDS_MAX = 1000; /* records of one statement */
constexpr size_t LIBEXIT_MAX = 1024;
constexpr size_t MEMBER_MAX = 63;
constexpr uint8_t ASCII_EOF = 0x1A;
constexpr uint32_t ICTL_BEGIN = 1, ICTL_END = 71, ICTL_CONTINUE = 16;

constexpr char MSG_UNTRANSLATED[] = "Unrecognized ASCII character X'%.2X' in column %u translated to a blank.";
constexpr int NOTE_LONG_RECORD = 125;
constexpr char MSG_LONG_RECORD[] = "Record longer than 80 characters: the text after column 80 is dropped, here and in "
                                   "any later such record of this file.";

/* EBCDIC codes the reader looks for. */

struct SRCFILE {
  SRCFILE *pLink;
  FILE *pFile;
  const char *pszName; /* name shown in messages */
  const char *pszPath; /* the file as opened */
  uint8_t abMember[MEMBER_MAX + 1];
  char cKind;
  uint32_t ulSrcId;
  uint32_t ulRecord;
  uint8_t abBuf[BUFFER_BYTES];
  uint32_t ulFill, ulPos;
  bool bEof;
  bool bPending; /* abCard was read ahead and not handed out yet */
  bool bQuiet;   /* read only to look ahead: no notes */
  bool bCut;     /* abCard's record had text beyond the last column */
  SRCFORMAT iFormat;
  uint32_t ulBegin, ulEnd, ulContinue;
  uint8_t abCard[SRC_RECORD];
  char achNote[SRC_NOTE_MAX]; /* note of abCard's first untranslated character, or "" */
  long lBufOffset;            /* file offset of abBuf[0] */
  long lCardOffset;           /* file offset of abCard's record */
  struct SEQTABLE *pSeq;      /* sequence symbols of the file, once a branch asked */
  struct LOOKTABLE *pLook;    /* attributes of the symbols defined further on */
  uint32_t ulFrame;           /* a COPY member's frame, left when it closes; 0 none */
};

/* Attributes of the symbols that the open-code statements after the
   position of the first look-ahead define (upper-case EBCDIC names). */
struct LOOKTABLE {
  std::unordered_map<std::string, CONDATTR> map;
};

/* Sequence symbols of an open-code source: name (EBCDIC upper case, no
   period) -> file offset and line of the statement that carries it. */
struct SEQTABLE {
  std::unordered_map<std::string, std::pair<long, uint32_t>> map;
  long lScanned; /* nonzero once the rest of the file was scanned */
};

struct SOURCESTATE {
  SRCFILE *pTop;
  uint32_t ulSysin;       /* index of the open SYSIN file in the list */
  bool bCicsHeld;         /* END of the primary source held back once */
  bool bInputEnded;       /* the primary source has no more records */
  const char **apszNames; /* source identities: index = identity - 1 */
  uint32_t ulNames;
  bool bUtf8;                   /* a UTF-8 sequence was read in this run */
  std::vector<bool> abCutNoted; /* by source identity: a long record was noted */
  /* the member bSourcePush opened last: its SYSLIB concatenation (1-based)
     and source identity, for the macro and copy reports */
  uint32_t ulMemberConcat, ulMemberId;
};
SOURCESTATE g_src = {};

/* Reader errors: texts are formats for the argument named beside them; the
   statement processing attaches them with severity 12. */
enum SRCMSG {
  MSG_EOF_REPRO,      /* 101 */
  MSG_EOF_CONTINUED,  /* 101 */
  MSG_BEFORE_COLUMN,  /* 102 */
  MSG_OPERATION_LINE, /* 103 */
  MSG_LABEL_EBCDIC,   /* 104: character */
  MSG_OP_EBCDIC,      /* 104: character */
  MSG_RECORDS_MAX,    /* 124: records allowed */
  MSG_COUNT
};
const MSGDEF c_aMsg[] = {
    {101, 12, "End of file encountered in REPRO."},
    {101, 12, "End of file encountered in continued statement."},
    {102, 12, "Non-blank characters found before begin-to-continue column."},
    {103, 12, "The operation entry must be specified entirely on the first statement line."},
    {104, 12, "EBCDIC character X'%.2X' found in label field."},
    {104, 12, "EBCDIC character X'%.2X' found in operation field."},
    {124, 12, "More than %u continuation records."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

void vSetError(SRCSTMT *pStmt, SRCMSG eMsg, unsigned uArg = 0)
{
  if (pStmt->iError != 0) return;
  pStmt->iError = c_aMsg[eMsg].sNumber;
  std::snprintf(pStmt->achError, sizeof pStmt->achError, c_aMsg[eMsg].pszText, uArg);
}

[[noreturn]] void vFileError(const char *pszVerb, const char *pszName, int iErr)
{
  vSvcMessage("KZM900S Error %sing file %s: %s", pszVerb, pszName, std::strerror(iErr));
  vSvcTerminate();
}

const char *pszKindName(char cKind) { return cKind == SRC_COPY ? "Copy" : "Macro"; }

/* ---- raw bytes ------------------------------------------------------------ */

void vFill(SRCFILE *s)
{
  if (s->bEof) return;
  vFrontPoll();
  s->lBufOffset += s->ulFill;
  s->ulFill = static_cast<uint32_t>(std::fread(s->abBuf, 1, BUFFER_BYTES, s->pFile));
  s->ulPos = 0;
  if (s->ulFill < BUFFER_BYTES) {
    if (std::ferror(s->pFile)) vFileError("read", s->pszPath, errno != 0 ? errno : EIO);
    if (s->ulFill == 0) s->bEof = true;
  }
}

int iPeek(SRCFILE *s)
{
  if (s->ulPos >= s->ulFill) vFill(s);
  return s->ulPos < s->ulFill ? s->abBuf[s->ulPos] : -1;
}

int iNext(SRCFILE *s)
{
  int c = iPeek(s);
  if (c >= 0) s->ulPos++;
  return c;
}

/* ---- card images ---------------------------------------------------------- */

/* Lead bytes of the UTF-8 sequences of three and four bytes. */
constexpr int UTF8_LONG_FIRST = 0xE0, UTF8_LONG_LAST = 0xF4;

/* Bytes of a text record that stand for themselves: all but the line ends,
   the tab, the end-of-file mark and the lead bytes of the UTF-8 sequences
   the reader takes as one character (the two-byte Latin-1 letters and
   every sequence of three or four bytes). */
constexpr std::array<bool, 256> c_abPlain = [] {
  std::array<bool, 256> a{};
  for (size_t i = 0; i < a.size(); i++) a[i] = true;
  for (uint8_t c : {uint8_t{'\n'}, uint8_t{'\r'}, uint8_t{'\t'}, ASCII_EOF, uint8_t{0xC2}, uint8_t{0xC3}}) a[c] = false;
  for (int c = UTF8_LONG_FIRST; c <= UTF8_LONG_LAST; c++) a[static_cast<size_t>(c)] = false;
  return a;
}();

/* The end of the run of plain bytes of p[i..n): eight bytes at a time while
   none of them is a control character (below X'20') or beyond ASCII (a
   UTF-8 lead byte may be among those), then byte by byte through the table. */
uint32_t ulPlainEnd(const uint8_t *p, uint32_t i, uint32_t n)
{
  constexpr uint64_t ONES = 0x0101010101010101u, HIGHS = 0x8080808080808080u;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    uint64_t ulStop = (((w - 0x20 * ONES) & ~w) | w) & HIGHS;
    if (ulStop != 0) { /* the first byte marked is one of them: the table judges it */
      int iBit = std::endian::native == std::endian::little ? std::countr_zero(ulStop) : std::countl_zero(ulStop);
      i += static_cast<uint32_t>(iBit) / 8;
      break;
    }
  }
  while (i < n && c_abPlain[p[i]]) i++;
  return i;
}

/* X'80' in each byte of w that equals the byte of ulPattern (which repeats
   one byte), nothing in the others. */
uint64_t ulBytesEqual(uint64_t w, uint64_t ulPattern)
{
  constexpr uint64_t LOWS = 0x7F7F7F7F7F7F7F7Fu;
  uint64_t x = w ^ ulPattern;
  return ~(((x & LOWS) + LOWS) | x) & ~LOWS;
}

/* A note about the record just read, on the terminal stream:
   "file(line) : KZMnnnI text" (a note line with TERM(GNU)). */
void vRecordNote(const SRCFILE *s, int iNumber, const char *pszText)
{
  char achText[SRC_NOTE_MAX + 160];
  int n = std::snprintf(achText, sizeof achText, "KZM%03dI %s", iNumber, pszText);
  vTermLine(s->ulSrcId, s->ulRecord, 1, "note", achText, std::min(static_cast<size_t>(n), sizeof achText - 1), true);
}

/* Whether text is dropped with p[0..n), bytes beyond the last column:
   anything but blanks. */
bool bTextIn(const uint8_t *p, uint32_t n)
{
  for (uint32_t i = 0; i < n; i++)
    if (p[i] != ASCII_BLANK) return true;
  return false;
}

/* Translates the ASCII bytes p[0..n) into the card image from column ulCol
   on, where it is still blank.  The table gives a blank for a character without a translation, and
   only the ASCII blank has that translation besides (the EBCDIC blank can
   be no pair's), so such characters show as blanks where the input has
   none; they are reported on the terminal stream. */
void vTranslate(SRCFILE *s, const uint8_t *p, uint32_t n, uint32_t ulCol)
{
  constexpr uint64_t ONES = 0x0101010101010101u;
  uint8_t *pCard = s->abCard + ulCol;
  bool bNone = false;
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t wIn = 0, wOut = 0;
    std::memcpy(&wIn, p + i, sizeof wIn);
    if (wIn == ASCII_BLANK * ONES) continue; /* the card is blank already */
#pragma GCC unroll 8
    for (unsigned k = 0; k < 8; k++) wOut |= uint64_t{g_abAsciiToEbcdic[p[i + k]]} << 8 * k;
    std::memcpy(pCard + i, &wOut, sizeof wOut);
    bNone |= ulBytesEqual(wOut, EBCDIC_BLANK * ONES) != ulBytesEqual(wIn, ASCII_BLANK * ONES);
  }
  for (; i < n; i++) {
    pCard[i] = g_abAsciiToEbcdic[p[i]];
    bNone |= g_abAsciiDefined[p[i]] == CHD_NONE;
  }
  if (!bNone) return;
  for (uint32_t j = 0; j < n; j++) {
    uint8_t c = p[j];
    if (g_abAsciiDefined[c] != CHD_NONE || s->bQuiet) continue;
    char achNote[SRC_NOTE_MAX];
    std::snprintf(achNote, sizeof achNote, MSG_UNTRANSLATED, c, ulCol + j + 1);
    if (s->achNote[0] == '\0') std::memcpy(s->achNote, achNote, sizeof achNote);
    vRecordNote(s, DIAG_NUMBER_UNTRANSLATED, achNote);
  }
}

/* Reads one record of a card-image file (EBCDIC or ASCII) into the card
   image; returns its length, or -1 at the end of the file. */
int iFixedRecord(SRCFILE *s)
{
  uint8_t abRaw[SRC_RECORD];
  uint32_t ulLen = 0;
  int c = 0;
  while (ulLen < SRC_RECORD && (c = iNext(s)) >= 0) abRaw[ulLen++] = static_cast<uint8_t>(c);
  if (s->iFormat == FMT_ASCII_RECORDS && ulLen > 0 && ulLen < SRC_RECORD && abRaw[ulLen - 1] == ASCII_EOF &&
      iPeek(s) < 0)
    ulLen--;
  if (ulLen == 0) return -1;
  if (s->iFormat == FMT_EBCDIC_RECORDS)
    std::memcpy(s->abCard, abRaw, ulLen);
  else
    vTranslate(s, abRaw, ulLen, 0);
  return static_cast<int>(ulLen);
}

/* Reads one text line into the card image, already blank: runs of plain
   bytes are translated straight from the file buffer.  Returns the length,
   or -1 when only the end-of-file mark was left. */
int iTextRecord(SRCFILE *s)
{
  /* the common line: plain bytes up to a line end, all in the buffer */
  uint32_t ulTo = ulPlainEnd(s->abBuf, s->ulPos, s->ulFill);
  uint32_t ulNext = 0;
  if (ulTo < s->ulFill && s->abBuf[ulTo] == '\n')
    ulNext = ulTo + 1;
  else if (ulTo + 1 < s->ulFill && s->abBuf[ulTo] == '\r' && s->abBuf[ulTo + 1] == '\n')
    ulNext = ulTo + 2;
  if (ulNext != 0) {
    uint32_t ulTake = std::min(ulTo - s->ulPos, SRC_RECORD);
    s->bCut = bTextIn(s->abBuf + s->ulPos + ulTake, ulTo - s->ulPos - ulTake);
    vTranslate(s, s->abBuf + s->ulPos, ulTake, 0);
    s->ulPos = ulNext;
    return static_cast<int>(ulTake);
  }

  uint32_t ulCol = 0, ulLen = 0;
  int c = 0;
  while ((c = iNext(s)) >= 0) {
    if (c_abPlain[c]) { /* the run of plain bytes in the buffer that starts here */
      uint32_t ulFrom = s->ulPos - 1;
      uint32_t ulTo = ulPlainEnd(s->abBuf, s->ulPos, s->ulFill);
      uint32_t ulTake = std::min(ulTo - ulFrom, SRC_RECORD - ulCol);
      s->bCut = s->bCut || bTextIn(s->abBuf + ulFrom + ulTake, ulTo - ulFrom - ulTake);
      vTranslate(s, s->abBuf + ulFrom, ulTake, ulCol);
      ulCol += ulTake;
      ulLen = ulCol;
      s->ulPos = ulTo;
      continue;
    }
    if (c == '\n') break;
    if (c == '\r') {
      if (iPeek(s) == '\n') iNext(s);
      break;
    }
    if (c == ASCII_EOF && iPeek(s) < 0) {
      if (ulCol == 0 && ulLen == 0) return -1;
      break;
    }
    if (c == '\t') {
      ulCol = (ulCol / TAB_STOP + 1) * TAB_STOP;
      if (ulCol > SRC_RECORD) ulCol = SRC_RECORD;
      continue;
    }
    if ((c == 0xC2 || c == 0xC3) && iPeek(s) >= 0x80 && iPeek(s) <= 0xBF) {
      int cNext = iNext(s);
      int cLatin = ((c & 0x1F) << 6) | (cNext & 0x3F);
      if (cLatin >= 0xA0) {
        c = cLatin;
        g_src.bUtf8 = true;
      } else {
        uint8_t bLead = static_cast<uint8_t>(c);
        if (ulCol < SRC_RECORD) vTranslate(s, &bLead, 1, ulCol++);
        c = cNext;
      }
    }
    if (c >= UTF8_LONG_FIRST && c <= UTF8_LONG_LAST && iPeek(s) >= 0x80 && iPeek(s) <= 0xBF) {
      /* a character beyond Latin-1 (the replacement character a conversion
         leaves, say) takes one column like any other; its lead byte stands
         for it, so it reads as untranslatable */
      int iMore = c >= 0xF0 ? 3 : 2;
      while (iMore-- > 0 && iPeek(s) >= 0x80 && iPeek(s) <= 0xBF) iNext(s);
    }
    uint8_t b = static_cast<uint8_t>(c);
    if (ulCol < SRC_RECORD)
      vTranslate(s, &b, 1, ulCol++);
    else
      s->bCut = true;
    ulLen = ulCol;
  }
  return static_cast<int>(ulCol > ulLen ? ulCol : ulLen);
}

/* The first record of a file cut at the last column is noted, once for the
   file in the run. */
void vNoteCut(const SRCFILE *s)
{
  std::vector<bool> &ab = g_src.abCutNoted;
  if (s->ulSrcId < ab.size() && ab[s->ulSrcId]) return;
  if (s->ulSrcId >= ab.size()) ab.resize(s->ulSrcId + 1);
  ab[s->ulSrcId] = true;
  vRecordNote(s, NOTE_LONG_RECORD, MSG_LONG_RECORD);
}

/* Reads the next card image of a source into its abCard; false at the end. */
bool bCardFrom(SRCFILE *s)
{
  s->lCardOffset = s->lBufOffset + s->ulPos;
  if (iPeek(s) < 0) return false;
  s->ulRecord++; /* the number the notes of the record give */
  s->achNote[0] = '\0';
  s->bCut = false;
  std::memset(s->abCard, EBCDIC_BLANK, SRC_RECORD);
  int iLen = s->iFormat == FMT_TEXT ? iTextRecord(s) : iFixedRecord(s);
  if (iLen < 0) {
    s->ulRecord--;
    return false;
  }
  if (s->bCut && !s->bQuiet) vNoteCut(s);
  return true;
}

/* ---- opening and closing ---------------------------------------------------- */

/* The first bytes of a file: a UTF-8 byte-order mark is skipped, then the
     format is judged. */
void vFillFirst(SRCFILE *s)
{
  vFill(s);
  static const uint8_t c_abMark[] = {0xEF, 0xBB, 0xBF};
  if (s->ulFill >= sizeof c_abMark && std::memcmp(s->abBuf, c_abMark, sizeof c_abMark) == 0) s->ulPos = sizeof c_abMark;
  uint32_t ulProbe = s->ulFill - s->ulPos;
  s->iFormat = iSourceFormat(s->abBuf + s->ulPos, ulProbe < FORMAT_PROBE ? ulProbe : FORMAT_PROBE);
}

SRCFILE *pOpenFile(FILE *pFile, const char *pszPath, const char *pszName, char cKind)
{
  if (!bFileInput(fileno(pFile), cKind == SRC_PRIMARY ? "SYSIN" : pszKindName(cKind), pszName)) {
    std::fclose(pFile);
    vSvcTerminate();
  }
  /* The run may end (storage, a front end's poll) before the source stack
     holds the file, which must then be closed: everything that can end it
     comes before the allocation or after the source is on the stack. */
  struct Closer {
    void operator()(FILE *p) const { std::fclose(p); }
  };
  std::unique_ptr<FILE, Closer> held(pFile);
  const char *pszPathKept = pStringIntern(SP_HEAP, pszPath), *pszNameKept = pStringIntern(SP_HEAP, pszName);
  uint32_t ulSrcId = ulSourceIdentity(pszName);
  SRCFILE *s = static_cast<SRCFILE *>(SP_ALLOC(SP_HEAP, sizeof(SRCFILE)));
  s->pFile = held.release();
  s->pszPath = pszPathKept;
  s->pszName = pszNameKept;
  s->cKind = cKind;
  s->ulSrcId = ulSrcId;
  s->ulBegin = ICTL_BEGIN;
  s->ulEnd = ICTL_END;
  s->ulContinue = ICTL_CONTINUE;
  s->ulFrame = 0;
  s->pLink = g_src.pTop;
  g_src.pTop = s;
  vFillFirst(s);
  return s;
}

void vCloseTop()
{
  SRCFILE *s = g_src.pTop;
  if (s == nullptr) return;
  g_src.pTop = s->pLink;
  if (s->ulFrame != 0) vFrameLeave(s->ulFrame);
  if (s->cKind == SRC_PRIMARY)
    vSvcTrace(TRACE_FILES, "SYSIN file closed.");
  else
    vSvcTrace(TRACE_FILES, "%s file %s closed.", pszKindName(s->cKind), s->pszPath);
  delete s->pSeq;
  delete s->pLook;
  int iRc = s->pFile != nullptr ? std::fclose(s->pFile) : 0;
  int iErr = errno;
  const char *pszPath = s->pszPath;
  SP_FREE(SP_HEAP, s);
  if (iRc != 0) vFileError("clos", pszPath, iErr);
}

/* Opens SYSIN file number i and the ones after it until one has a record;
   false when none has. */
bool bOpenSysinFrom(uint32_t i)
{
  for (; i < g_opt.ulSysinCount; i++) {
    const char *pszPath = g_opt.apszSysin[i];
    const char *pszName = g_opt.apszSysinShow != nullptr ? g_opt.apszSysinShow[i] : pszPath;
    vFrontPoll();
    struct stat st {};
    FILE *pFile = nullptr;
    int iErr = 0;
    if (stat(pszPath, &st) != 0)
      iErr = errno;
    else if (S_ISDIR(st.st_mode))
      iErr = EISDIR;
    else if ((pFile = std::fopen(pszPath, "rb")) == nullptr)
      iErr = errno;
    if (iErr != 0) {
      vSvcMessage("KZM900S Error opening SYSIN file %s: %s", pszName, std::strerror(iErr));
      vSvcTerminate();
    }
    vSvcTrace(TRACE_FILES, "SYSIN file %s opened.", pszName);
    g_src.ulSysin = i;
    SRCFILE *s = pOpenFile(pFile, pszPath, pszName, SRC_PRIMARY);
    if (bCardFrom(s)) {
      s->bPending = true;
      return true;
    }
    vCloseTop();
  }
  return false;
}

/* ---- library search ------------------------------------------------------- */

bool bValidMemberName(const char *pszName)
{
  size_t ulLen = std::strlen(pszName);
  if (ulLen == 0 || ulLen > MEMBER_MAX) return false;
  for (size_t i = 0; i < ulLen; i++) {
    unsigned char c = static_cast<unsigned char>(pszName[i]);
    bool bLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '$' || c == '#' || c == '@' || c == '_';
    if (!bLetter && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

/* Appends text to a bounded command; false when it no longer fits. */
bool bAppend(char *pszCmd, size_t &ulLen, const char *pszText)
{
  size_t ulAdd = std::strlen(pszText);
  if (ulLen + ulAdd > LIBEXIT_MAX) return false;
  std::memcpy(pszCmd + ulLen, pszText, ulAdd + 1);
  ulLen += ulAdd;
  return true;
}

bool bQuoted(char *pszCmd, size_t &ulLen, const char *pszName)
{
  return bAppend(pszCmd, ulLen, "'") && bAppend(pszCmd, ulLen, pszName) && bAppend(pszCmd, ulLen, "'");
}

/* Builds the LIBEXIT command for a member; false when it is too long. */
bool bLibexitCommand(char *pszCmd, const char *pszMember, const char *pszLower, char cKind)
{
  const char *pszExit = g_opt.pszLibExit;
  size_t ulLen = 0;
  pszCmd[0] = '\0';
  if (std::strchr(pszExit, '&') == nullptr)
    return bAppend(pszCmd, ulLen, pszExit) && bAppend(pszCmd, ulLen, " ") && bQuoted(pszCmd, ulLen, pszMember);
  for (const char *p = pszExit; *p != '\0'; p++) {
    char achOne[2] = {*p, '\0'};
    bool bOk = true;
    if (p[0] == '&' && p[1] == 'M') {
      bOk = bQuoted(pszCmd, ulLen, pszMember);
      p++;
    } else if (p[0] == '&' && p[1] == 'm') {
      bOk = bQuoted(pszCmd, ulLen, pszLower);
      p++;
    } else if (p[0] == '&' && p[1] == 'T') {
      achOne[0] = cKind;
      bOk = bAppend(pszCmd, ulLen, achOne);
      p++;
    } else if (p[0] == '&' && p[1] == '&') {
      bOk = bAppend(pszCmd, ulLen, "&");
      p++;
    } else {
      bOk = bAppend(pszCmd, ulLen, achOne);
    }
    if (!bOk) return false;
  }
  return true;
}

/* Tries the SYSLIB patterns; the open file and its path, or null.
 *pulConcat: the 1-based index of the pattern that found it. */
FILE *pSearchLibrary(const char *pszMember, const char *pszLower, char *pszPath, size_t ulPathSize, uint32_t *pulConcat)
{
  for (uint32_t i = 0; i < g_opt.ulSyslibCount; i++) {
    *pulConcat = i + 1;
    const char *pszPattern = g_opt.apszSyslib[i];
    const char *pszStar = std::strchr(pszPattern, '*');
    if (pszStar == nullptr) continue;
    size_t ulPrefix = static_cast<size_t>(pszStar - pszPattern);
    char achLowerSuffix[PATH_MAX];
    std::snprintf(achLowerSuffix, sizeof achLowerSuffix, "%s", pszStar + 1);
    for (char *p = achLowerSuffix; *p != '\0'; p++)
      if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
    const struct {
      const char *pszName, *pszSuffix;
    } aTries[] = {{pszMember, pszStar + 1}, {pszLower, pszStar + 1}, {pszLower, achLowerSuffix}};
    for (unsigned t = 0; t < 3; t++) {
      if (t > 0 && std::strcmp(aTries[t].pszName, aTries[t - 1].pszName) == 0 &&
          std::strcmp(aTries[t].pszSuffix, aTries[t - 1].pszSuffix) == 0)
        continue;
      int iLen = std::snprintf(pszPath, ulPathSize, "%.*s%s%s", static_cast<int>(ulPrefix), pszPattern,
                               aTries[t].pszName, aTries[t].pszSuffix);
      if (iLen < 0 || static_cast<size_t>(iLen) >= ulPathSize) continue;
      vFrontPoll();
      struct stat st {};
      FILE *pFile = nullptr;
      int iErr = 0;
      if (stat(pszPath, &st) != 0)
        iErr = errno;
      else if (S_ISDIR(st.st_mode))
        iErr = EISDIR; /* there, but no member file: an access failure */
      else if (!S_ISREG(st.st_mode))
        iErr = ENOENT;
      else if ((pFile = std::fopen(pszPath, "rb")) == nullptr)
        iErr = errno;
      vFrontPoll();
      if (pFile != nullptr) return pFile;
      if (iErr == ENOENT || iErr == ENOTDIR)
        vSvcTrace(TRACE_FILES, "File %s not found.", pszPath);
      else
        vSvcMessage("KZM127W Error accessing file %s: %s", pszPath, std::strerror(iErr));
    }
  }
  return nullptr;
}

/* Finds a member along SYSLIB, running LIBEXIT when it is missing. */
FILE *pFindMember(const uint8_t *pszMember, char cKind, char *pszPath, size_t ulPathSize, uint32_t *pulConcat)
{
  char achName[MEMBER_MAX + 1], achLower[MEMBER_MAX + 1];
  size_t ulLen = std::strlen(reinterpret_cast<const char *>(pszMember));
  if (ulLen > MEMBER_MAX) return nullptr;
  vEbcdicToAscii(reinterpret_cast<uint8_t *>(achName), pszMember, ulLen);
  achName[ulLen] = '\0';
  for (size_t i = 0; i <= ulLen; i++)
    achLower[i] = achName[i] >= 'A' && achName[i] <= 'Z' ? static_cast<char>(achName[i] - 'A' + 'a') : achName[i];

  bool bExit = g_opt.pszLibExit != nullptr && *g_opt.pszLibExit != '\0';
  FILE *pFile = pSearchLibrary(achName, achLower, pszPath, ulPathSize, pulConcat);
  if (pFile != nullptr || !bExit || !bValidMemberName(achName)) return pFile;

  char achCmd[LIBEXIT_MAX + 1];
  if (!bLibexitCommand(achCmd, achName, achLower, cKind)) {
    vSvcMessage("KZM105W LIBEXIT: system(\"%s\") returned %d.", achCmd, -1);
    return nullptr;
  }
  vSvcTrace(TRACE_LIB, "LIBEXIT: system(\"%s\")", achCmd);
  std::fflush(nullptr);
  int iRc = std::system(achCmd);
  if (iRc != 0) {
    iRc = iRc > 0 && WIFEXITED(iRc) ? WEXITSTATUS(iRc) : -1;
    vSvcMessage("KZM105W LIBEXIT: system(\"%s\") returned %d.", achCmd, iRc);
    return nullptr;
  }
  return pSearchLibrary(achName, achLower, pszPath, ulPathSize, pulConcat);
}

/* ---- statements ------------------------------------------------------------ */

uint8_t *pCards(SRCSTMT *pStmt) { return static_cast<uint8_t *>(pStmt->cards.pData); }

void vAddCard(SRCSTMT *pStmt, const uint8_t *pCard)
{
  size_t ulNeed = static_cast<size_t>(pStmt->ulRecords + 1) * SRC_RECORD;
  if (pStmt->cards.ulCapacity < ulNeed) {
    pStmt->cards.ulSubpool = SP_HEAP;
    pStmt->cards.ulKeep = 1;
    size_t ulSteps = (ulNeed + CARD_STEP - 1) / CARD_STEP * CARD_STEP;
    GB_ENSURE(&pStmt->cards, ulSteps);
  }
  std::memcpy(pCards(pStmt) + pStmt->ulRecords * SRC_RECORD, pCard, SRC_RECORD);
  pStmt->ulRecords++;
  const SRCFILE *s = g_src.pTop; /* the card was just handed out by pRecordRead */
  if (s != nullptr && pCard == s->abCard && s->achNote[0] != '\0' && pStmt->achNote[0] == '\0')
    std::memcpy(pStmt->achNote, s->achNote, sizeof pStmt->achNote);
}

bool bBlank(uint8_t c) { return c == EBCDIC_BLANK; }

/* The first column from i on, before e, that holds a blank (bBlanks false)
   or anything else (bBlanks true); e when there is none.  Eight columns a
   step. */
[[gnu::always_inline]] inline uint32_t ulSkip(const uint8_t *p, uint32_t i, uint32_t e, bool bBlanks)
{
  constexpr uint64_t BLANKS = EBCDIC_BLANK * 0x0101010101010101u;
  for (; i + 8 <= e; i += 8) {
    uint64_t w = 0;
    std::memcpy(&w, p + i, sizeof w);
    uint64_t ulStop = bBlanks ? w ^ BLANKS : ulBytesEqual(w, BLANKS); /* nonzero bytes: where the scan stops */
    if (ulStop != 0) {
      int iBit = std::endian::native == std::endian::little ? std::countr_zero(ulStop) : std::countl_zero(ulStop);
      return i + static_cast<uint32_t>(iBit) / 8;
    }
  }
  while (i < e && bBlank(p[i]) == bBlanks) i++;
  return i;
}

/* Scans the label field: up to the first blank outside quotes. */
uint32_t ulLabelEnd(const uint8_t *pCard, uint32_t ulStart, uint32_t ulLimit)
{
  bool bQuote = false;
  uint32_t p = ulStart;
  for (; p < ulLimit; p++) {
    uint8_t c = pCard[p];
    if (c == E_QUOTE && (bQuote || bOpensString(pCard + ulStart, p - ulStart, ulLimit - ulStart)))
      bQuote = !bQuote;
    else if (!bQuote && bBlank(c))
      break;
  }
  return p;
}

void vCheckField(SRCSTMT *pStmt, const uint8_t *pField, uint32_t ulLen, SRCMSG eMsg)
{
  for (uint32_t i = 0; i < ulLen; i++)
    if (!(g_abClass[pField[i]] & CC_OPERAND) && !bBlank(pField[i])) {
      vSetError(pStmt, eMsg, pField[i]);
      return;
    }
}

bool bIsComment(SRCSTMT *pStmt, const uint8_t *pCard, uint32_t &ulBase)
{
  uint32_t b = pStmt->ulBegin - 1;
  if (pCard[b] == E_STAR) {
    static const uint8_t c_abVorn[5] = {E_STAR, E_V, E_O, E_R, E_N};
    bool bVorn = (g_opt.ulProcess & PROC_VORN) && b + 5 < pStmt->ulEnd;
    for (uint32_t i = 1; bVorn && i < 5; i++) bVorn = g_abUpper[pCard[b + i]] == c_abVorn[i];
    if (!bVorn || pCard[b + 5] == E_STAR || pCard[b + 5] == E_DOT) return true;
    pStmt->bVornOnly = true;
    ulBase = b + 5;
    return false;
  }
  if (pCard[b] == E_DOT && b + 1 < SRC_RECORD && pCard[b + 1] == E_STAR) {
    pStmt->bMacroComment = true;
    return true;
  }
  return false;
}

void vStmtReset(SRCSTMT *pStmt, const SRCFILE *s)
{
  pStmt->ulRecords = 0;
  pStmt->pszSrcName = s->pszName;
  pStmt->cKind = s->cKind;
  pStmt->ulSrcId = s->ulSrcId;
  pStmt->ulLine = s->ulRecord;
  pStmt->ulBegin = s->ulBegin;
  pStmt->ulEnd = s->ulEnd;
  pStmt->ulContinue = s->ulContinue;
  pStmt->ulLabelOff = pStmt->ulLabelLen = pStmt->ulOpOff = pStmt->ulOpLen = pStmt->ulOperandOff = 0;
  pStmt->bComment = pStmt->bMacroComment = pStmt->bVornOnly = false;
  pStmt->pOperation = nullptr;
  pStmt->abOpName[0] = 0;
  pStmt->iError = 0;
  pStmt->achError[0] = '\0';
  pStmt->achNote[0] = '\0';
}

/* Operation records the reader itself needs. */
const OPENTRY *pOpEntry(const char *pszName)
{
  uint8_t abName[16];
  size_t ulLen = std::strlen(pszName);
  vAsciiToEbcdic(abName, reinterpret_cast<const uint8_t *>(pszName), ulLen);
  abName[ulLen] = 0;
  return static_cast<const OPENTRY *>(pOpindexFind(abName));
}

/* Whether the statement's operation is assembler instruction bNumber. */
bool bOperationIs(const SRCSTMT *pStmt, uint8_t bNumber)
{
  return bIsInstruction(static_cast<const OPENTRY *>(pStmt->pOperation), bNumber);
}

/* Reads the continuation records of a statement; false when the input
   ended while one was expected. */
void vContinuations(SRCSTMT *pStmt, bool bRepro)
{
  uint32_t e = pStmt->ulEnd;
  const uint8_t *pLast = pCards(pStmt) + (pStmt->ulRecords - 1) * SRC_RECORD;
  for (;;) {
    bool bMore = bRepro ? pStmt->ulRecords == 1 : pStmt->ulContinue != 0 && e < SRC_RECORD && !bBlank(pLast[e]);
    if (!bMore) return;
    const uint8_t *pCard = pRecordRead();
    if (pCard == nullptr) {
      vSetError(pStmt, bRepro ? MSG_EOF_REPRO : MSG_EOF_CONTINUED);
      return;
    }
    pLast = pCard;
    /* records beyond the limit are read to the statement's end and dropped */
    if (pStmt->ulRecords >= SRC_RECORDS_MAX) {
      vSetError(pStmt, MSG_RECORDS_MAX, SRC_RECORDS_MAX - 1);
      continue;
    }
    vAddCard(pStmt, pCard);
    pLast = pCards(pStmt) + (pStmt->ulRecords - 1) * SRC_RECORD;
    if (bRepro) return;
    for (uint32_t i = pStmt->ulBegin - 1; i + 1 < pStmt->ulContinue; i++)
      if (!bBlank(pCard[i])) {
        vSetError(pStmt, MSG_BEFORE_COLUMN);
        break;
      }
  }
}

/* With PROCESS(CICS), the END statement of the primary source is held back
   once and the translator's closing members are read before it.  True when
   members were opened: the END card is read again after them. */
bool bCicsMembers(const SRCSTMT *pStmt)
{
  if (!(g_opt.ulProcess & PROC_CICS) || g_src.bCicsHeld || pStmt->cKind != SRC_PRIMARY ||
      !bOperationIs(pStmt, INSTR_END) || pStmt->ulRecords != 1)
    return false;
  g_src.bCicsHeld = true;
  SRCFILE *pPrimary = g_src.pTop;
  static const struct {
    uint32_t ulBit;
    const char *pszMember;
  } c_aMembers[] = {{PROC_DFHEIRET, "EXEC_CICS_DFHEIRET"}, {PROC_DFHEIEND, "EXEC_CICS_DFHEIEND"}};
  bool bOpened = false;
  for (const auto &m : c_aMembers) {
    if (!(g_opt.ulProcess & m.ulBit)) continue;
    uint8_t abName[32];
    size_t ulLen = std::strlen(m.pszMember);
    vAsciiToEbcdic(abName, reinterpret_cast<const uint8_t *>(m.pszMember), ulLen);
    abName[ulLen] = 0;
    if (bSourcePush(SRC_COPY, abName)) bOpened = true;
  }
  if (bOpened) pPrimary->bPending = true; /* the END card comes again after the members */
  return bOpened;
}

/* ---- looking past END ----------------------------------------------------------- */

/* A reader of the input after the primary source's position, on streams of
   its own, so that the source itself does not move. */
struct LOOKAHEAD {
  SRCFILE file;     /* the primary source's state, then the later SYSIN files */
  uint32_t ulSysin; /* index of the SYSIN file in hand */
  bool bOpen;
};

/* Opens pszPath for the look-ahead at byte lOffset; false for anything but
   a regular file, which could not be read twice. */
bool bAheadOpen(SRCFILE *f, const char *pszPath, long lOffset)
{
  struct stat st {};
  if (stat(pszPath, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  f->pFile = std::fopen(pszPath, "rb");
  if (f->pFile == nullptr) return false;
  f->pszPath = pszPath;
  return std::fseek(f->pFile, lOffset, SEEK_SET) == 0;
}

/* Gives back a look-ahead's storage and closes its stream however the scan
   ends: a front end that ends the run unwinds through the scan. */
class AheadOwner {
public:
  AheadOwner(void *pStorage, SRCFILE *pStream) : m_pStorage(pStorage), m_pStream(pStream) {}
  AheadOwner(const AheadOwner &) = delete;
  AheadOwner &operator=(const AheadOwner &) = delete;
  ~AheadOwner()
  {
    if (m_pStream->pFile != nullptr) std::fclose(m_pStream->pFile);
    m_pStream->pFile = nullptr;
    SP_FREE(SP_HEAP, m_pStorage);
  }

private:
  void *m_pStorage;
  SRCFILE *m_pStream;
};

void vAheadClose(LOOKAHEAD *la)
{
  if (la->bOpen && la->file.pFile != nullptr) std::fclose(la->file.pFile);
  la->file.pFile = nullptr;
  la->bOpen = false;
}

/* The next card image ahead, or null at the end of the input; null with
 *pbUnknown set when a file cannot be looked into. */
const uint8_t *pAheadCard(LOOKAHEAD *la, bool *pbUnknown)
{
  for (;;) {
    if (la->bOpen && bCardFrom(&la->file)) return la->file.abCard;
    vAheadClose(la);
    if (++la->ulSysin >= g_opt.ulSysinCount) return nullptr;
    la->file = SRCFILE{};
    la->file.bQuiet = la->bOpen = true;
    if (!bAheadOpen(&la->file, g_opt.apszSysin[la->ulSysin], 0)) {
      *pbUnknown = true;
      return nullptr;
    }
    vFillFirst(&la->file);
  }
}

/* Whether the input after the primary source's position holds a statement
   other than blank lines and comments (read under the default ICTL
   columns).  Input that cannot be looked into counts as holding one. */
bool bStatementAhead()
{
  SRCFILE *s = g_src.pTop;
  if (s == nullptr) return false;
  if (s->bPending) return true;
  LOOKAHEAD *la = static_cast<LOOKAHEAD *>(SP_ALLOC(SP_HEAP, sizeof(LOOKAHEAD)));
  la->file = *s;
  la->file.pFile = nullptr;
  AheadOwner owner(la, &la->file);
  la->file.bQuiet = la->bOpen = true;
  la->ulSysin = g_src.ulSysin;
  long lOffset = s->bEof ? 0 : std::ftell(s->pFile);
  bool bAhead = !s->bEof && (lOffset < 0 || !bAheadOpen(&la->file, s->pszPath, lOffset));
  SRCSTMT probe{};
  probe.ulBegin = ICTL_BEGIN;
  probe.ulEnd = ICTL_END;
  const uint8_t *pCard = nullptr;
  while (!bAhead && (pCard = pAheadCard(la, &bAhead)) != nullptr) {
    uint32_t ulBase = 0;
    if ((g_opt.ulProcess & PROC_JCL) && pCard[0] == E_SLASH) continue;
    if (bIsComment(&probe, pCard, ulBase)) {
      /* its continuation records belong to it */
      while (!bBlank(pCard[ICTL_END]) && (pCard = pAheadCard(la, &bAhead)) != nullptr) {
      }
      continue;
    }
    for (uint32_t i = 0; i <= ICTL_END && !bAhead; i++) bAhead = !bBlank(pCard[i]);
  }
  return bAhead;
}

} // namespace

SRCFORMAT iSourceFormat(const uint8_t *pBytes, uint32_t ulLen)
{
  bool bEbcdic = ulLen > 0;
  for (uint32_t i = 0; i < ulLen && bEbcdic; i++) bEbcdic = g_abEbcdicDefined[pBytes[i]] != CHD_NONE;
  if (bEbcdic) return FMT_EBCDIC_RECORDS;
  for (uint32_t i = 0; i < ulLen; i++)
    if (pBytes[i] == '\n' || pBytes[i] == '\r' || pBytes[i] == '\t') return FMT_TEXT;
  return FMT_ASCII_RECORDS;
}

bool bSourceOpenPrimary()
{
  vSourceCloseAll();
  g_src.bInputEnded = false;
  g_src.bUtf8 = false;
  g_src.abCutNoted.clear();
  return bOpenSysinFrom(0);
}

bool bSourcePush(char cKind, const uint8_t *pszMember)
{
  char achPath[PATH_MAX];
  uint32_t ulConcat = 0;
  FILE *pFile = pFindMember(pszMember, cKind, achPath, sizeof achPath, &ulConcat);
  if (pFile == nullptr) return false;
  SRCFILE *s = pOpenFile(pFile, achPath, achPath, cKind);
  g_src.ulMemberConcat = ulConcat;
  g_src.ulMemberId = s->ulSrcId;
  std::snprintf(reinterpret_cast<char *>(s->abMember), sizeof s->abMember, "%s",
                reinterpret_cast<const char *>(pszMember));
  vSvcTrace(TRACE_FILES, "%s file %s opened.", pszKindName(cKind), achPath);
  return true;
}

void vSourcePop() { vCloseTop(); }

void vSourceFrame(uint32_t ulFrame)
{
  if (g_src.pTop != nullptr) g_src.pTop->ulFrame = ulFrame;
}

uint32_t ulSourceMemberConcat() { return g_src.ulMemberConcat; }
uint32_t ulSourceMemberId() { return g_src.ulMemberId; }

const uint8_t *pRecordRead()
{
  SRCFILE *s = g_src.pTop;
  if (s == nullptr) return nullptr;
  if (s->bPending) {
    s->bPending = false;
    return s->abCard;
  }
  if (bCardFrom(s)) return s->abCard;
  if (s->cKind != SRC_PRIMARY) {
    vCloseTop();
    return nullptr;
  }
  vCloseTop();
  if (!bOpenSysinFrom(g_src.ulSysin + 1)) {
    g_src.bInputEnded = true;
    return nullptr;
  }
  g_src.pTop->bPending = false;
  return g_src.pTop->abCard;
}

int iStatementRead(SRCSTMT *pStmt) { return iStatementReadAbove(pStmt, 0); }

uint32_t ulSourceDepth()
{
  uint32_t n = 0;
  for (const SRCFILE *s = g_src.pTop; s != nullptr; s = s->pLink) n++;
  return n;
}

int iStatementReadAbove(SRCSTMT *pStmt, uint32_t ulDepth)
{
  const uint8_t *pCard = nullptr;
  while ((pCard = pRecordRead()) == nullptr)
    if (g_src.pTop == nullptr || g_src.bInputEnded || ulSourceDepth() < ulDepth) return 1;
  SRCFILE *s = g_src.pTop;
  vStmtReset(pStmt, s);
  pStmt->lOffset = s->lCardOffset;
  vAddCard(pStmt, pCard);
  if (bTraceOn(TRACE_GEN)) /* (a call per statement costs even with tracing off) */
    vSvcTrace(TRACE_GEN, "%c %s %lu", s->cKind, s->pszName, static_cast<unsigned long>(s->ulRecord));

  const uint8_t *pFirst = pCards(pStmt);
  uint32_t b = pStmt->ulBegin - 1, e = pStmt->ulEnd;
  uint32_t ulBase = b;
  if ((g_opt.ulProcess & PROC_JCL) && pFirst[0] == E_SLASH) {
    pStmt->bComment = true;
    pStmt->pOperation = g_optab.ulCount > 0 ? &g_optab.pEntries[0] : nullptr;
    return 0;
  }
  if (bIsComment(pStmt, pFirst, ulBase)) {
    pStmt->bComment = true;
    pStmt->pOperation = g_optab.ulCount > 0 ? &g_optab.pEntries[0] : nullptr;
    vContinuations(pStmt, false);
    return 0;
  }

  /* label and operation fields */
  uint32_t ulLabelEndCol = bBlank(pFirst[ulBase]) ? ulBase : ulLabelEnd(pFirst, ulBase, e);
  pStmt->ulLabelOff = ulBase;
  pStmt->ulLabelLen = ulLabelEndCol - ulBase;
  vCheckField(pStmt, pFirst + ulBase, pStmt->ulLabelLen, MSG_LABEL_EBCDIC);
  uint32_t ulOpStart = ulSkip(pFirst, ulLabelEndCol, e, true);
  uint32_t p = ulSkip(pFirst, ulOpStart, e, false);
  pStmt->ulOpOff = ulOpStart;
  pStmt->ulOpLen = p - ulOpStart;
  vCheckField(pStmt, pFirst + ulOpStart, pStmt->ulOpLen, MSG_OP_EBCDIC);
  if (pStmt->ulOpLen > 0 && pStmt->ulOpLen < sizeof pStmt->abOpName) {
    for (uint32_t i = 0; i < pStmt->ulOpLen; i++) pStmt->abOpName[i] = g_abUpper[pFirst[ulOpStart + i]];
    pStmt->abOpName[pStmt->ulOpLen] = 0;
    pStmt->pOperation = pOpindexFind(pStmt->abOpName);
  }
  bool bOpReachesEnd = pStmt->ulOpLen > 0 && p >= e;

  /* continuation records */
  vContinuations(pStmt, bOperationIs(pStmt, INSTR_REPRO));
  pFirst = pCards(pStmt);
  if (pStmt->ulLabelLen == 0 && pStmt->ulOpLen == 0 && pStmt->ulRecords == 1) {
    pStmt->pOperation = const_cast<OPENTRY *>(pBlankLineOperation());
  } else if (pStmt->ulOpLen == 0 || (bOpReachesEnd && pStmt->ulRecords > 1 && !bOperationIs(pStmt, INSTR_REPRO))) {
    vSetError(pStmt, MSG_OPERATION_LINE);
  }

  if (bCicsMembers(pStmt)) return iStatementRead(pStmt);

  /* operand start */
  if (pStmt->ulOpLen > 0 && !bOperationIs(pStmt, INSTR_REPRO)) {
    uint32_t q = ulSkip(pFirst, p, e, true);
    if (q < e) {
      pStmt->ulOperandOff = q;
    } else {
      for (uint32_t r = 1; r < pStmt->ulRecords && pStmt->ulOperandOff == 0; r++) {
        const uint8_t *pCont = pFirst + r * SRC_RECORD;
        for (uint32_t c = pStmt->ulContinue - 1; c < e; c++)
          if (!bBlank(pCont[c])) {
            pStmt->ulOperandOff = r * SRC_RECORD + c;
            break;
          }
      }
    }
  }
  return 0;
}

void vSourceCloseNested()
{
  while (g_src.pTop != nullptr && g_src.pTop->cKind != SRC_PRIMARY) vCloseTop();
}

bool bSourceRemains()
{
  vSourceCloseNested();
  return bStatementAhead();
}

bool bSourceMore()
{
  vSourceCloseNested();
  SRCFILE *s = g_src.pTop;
  if (s == nullptr) return false;
  s->ulBegin = ICTL_BEGIN;
  s->ulEnd = ICTL_END;
  s->ulContinue = ICTL_CONTINUE;
  const uint8_t *pCard = bStatementAhead() ? pRecordRead() : nullptr;
  if (pCard == nullptr) {
    vSourceCloseAll();
    return false;
  }
  g_src.pTop->bPending = true;
  g_src.bCicsHeld = false;
  return true;
}

void vSourceCloseAll()
{
  while (g_src.pTop != nullptr) vCloseTop();
  g_src.bCicsHeld = false;
}

bool iMemberFind(const uint8_t *pszMember)
{
  char achPath[PATH_MAX];
  uint32_t ulConcat = 0;
  FILE *pFile = pFindMember(pszMember, SRC_EXISTS, achPath, sizeof achPath, &ulConcat);
  if (pFile == nullptr) return false;
  std::fclose(pFile);
  vSvcTrace(TRACE_LIB, "File %s found.", achPath);
  return true;
}

bool bCopyOpen(const uint8_t *pszMember)
{
  for (SRCFILE *s = g_src.pTop; s != nullptr; s = s->pLink)
    if (s->cKind == SRC_COPY &&
        std::strcmp(reinterpret_cast<const char *>(s->abMember), reinterpret_cast<const char *>(pszMember)) == 0)
      return true;
  return false;
}

void vSourceSetColumns(uint32_t ulBegin, uint32_t ulEnd, uint32_t ulContinue)
{
  if (g_src.pTop == nullptr) return;
  g_src.pTop->ulBegin = ulBegin;
  g_src.pTop->ulEnd = ulEnd;
  g_src.pTop->ulContinue = ulContinue;
}

uint32_t ulSourceIdentity(const char *pszName)
{
  for (uint32_t i = 0; i < g_src.ulNames; i++)
    if (std::strcmp(g_src.apszNames[i], pszName) == 0) return i + 1;
  g_src.apszNames = static_cast<const char **>(
      SP_REALLOC(SP_HEAP, g_src.apszNames, g_src.ulNames * sizeof(char *), (g_src.ulNames + 1) * sizeof(char *)));
  g_src.apszNames[g_src.ulNames++] = pStringIntern(SP_HEAP, pszName);
  return g_src.ulNames;
}

const char *pSourceName(uint32_t ulSrcId)
{
  return ulSrcId >= 1 && ulSrcId <= g_src.ulNames ? g_src.apszNames[ulSrcId - 1] : nullptr;
}

bool bSourceUtf8() { return g_src.bUtf8; }

void vStmtOperationLineError(SRCSTMT *pStmt) { vSetError(pStmt, MSG_OPERATION_LINE); }

const OPENTRY *pBlankLineOperation() { return pOpEntry("SPACE"); }

/* ---- sequence symbols of open code ------------------------------------------------ */

namespace {

SEQTABLE *pSeqTable(SRCFILE *s)
{
  if (s->pSeq == nullptr) s->pSeq = new SEQTABLE{};
  return s->pSeq;
}

/* The sequence symbol a card's label field holds (EBCDIC upper case,
   without the period), or "". */
std::string strSeqLabel(const uint8_t *pCard, uint32_t ulBegin, uint32_t ulEnd)
{
  std::string strName;
  uint32_t b = ulBegin - 1;
  if (pCard[b] != E_DOT || b + 1 >= ulEnd || pCard[b + 1] == E_STAR) return strName;
  for (uint32_t i = b + 1; i < ulEnd && !bBlank(pCard[i]); i++) strName += static_cast<char>(g_abUpper[pCard[i]]);
  return strName;
}

/* The operation field of a card (EBCDIC upper case). */
std::string strCardOperation(const uint8_t *pCard, uint32_t ulBegin, uint32_t ulEnd)
{
  uint32_t p = ulBegin - 1;
  while (p < ulEnd && !bBlank(pCard[p])) p++;
  while (p < ulEnd && bBlank(pCard[p])) p++;
  std::string strOp;
  while (p < ulEnd && !bBlank(pCard[p])) strOp += static_cast<char>(g_abUpper[pCard[p++]]);
  return strOp;
}

/* Reads the rest of a source file on a stream of its own and hands the
   first card of every open-code statement (statements between MACRO and
   MEND skipped) to f(card, its file offset, its line).  The source itself
   does not move.  With pszMember the file of that path, a COPY member the
   source brings in, is read from its start instead. */
template <typename F> void vScanAhead(SRCFILE *s, F f, const char *pszMember = nullptr)
{
  long lFrom = pszMember != nullptr ? 0 : s->bEof ? -1 : std::ftell(s->pFile);
  SRCFILE *a = static_cast<SRCFILE *>(SP_ALLOC(SP_HEAP, sizeof(SRCFILE)));
  *a = *s;
  a->pSeq = nullptr;
  a->pLook = nullptr;
  a->pFile = nullptr;
  a->bQuiet = true;
  a->bEof = false;
  AheadOwner owner(a, a);
  if (!(lFrom >= 0 && bAheadOpen(a, pszMember != nullptr ? pszMember : s->pszPath, lFrom))) a->bEof = true;
  static const std::string c_strMacro = "\xD4\xC1\xC3\xD9\xD6", c_strMend = "\xD4\xC5\xD5\xC4";
  int iNest = 0;
  bool bContinued = false, bCard = pszMember == nullptr && s->bPending;
  uint32_t b = s->ulBegin - 1, e = s->ulEnd;
  for (;;) {
    if (!bCard && !bCardFrom(a)) break;
    bCard = false;
    const uint8_t *pCard = a->abCard;
    bool bThis = bContinued;
    bContinued = s->ulContinue != 0 && e < SRC_RECORD && !bBlank(pCard[e]);
    if (bThis || pCard[b] == E_STAR || (pCard[b] == E_DOT && b + 1 < e && pCard[b + 1] == E_STAR)) continue;
    std::string strOp = strCardOperation(pCard, s->ulBegin, e);
    if (strOp == c_strMacro) iNest++;
    if (strOp == c_strMend && iNest > 0) {
      iNest--;
      continue;
    }
    if (iNest == 0) f(pCard, a->lCardOffset, a->ulRecord);
  }
}

/* Records the sequence symbols of the rest of the file. */
void vSeqScan(SRCFILE *s)
{
  SEQTABLE *t = pSeqTable(s);
  vSvcTrace(TRACE_FILES, "Scanning for sequence symbols in %s from line %lu ...", s->pszName,
            static_cast<unsigned long>(s->ulRecord));
  size_t ulBefore = t->map.size();
  vScanAhead(s, [&](const uint8_t *pCard, long lOffset, uint32_t ulLine) {
    std::string strName = strSeqLabel(pCard, s->ulBegin, s->ulEnd);
    if (!strName.empty()) t->map.emplace(strName, std::make_pair(lOffset, ulLine));
  });
  t->lScanned = 1;
  vSvcTrace(TRACE_FILES, "%lu sequence symbols found in %s", static_cast<unsigned long>(t->map.size() - ulBefore),
            s->pszName);
}

} // namespace

bool bSourceSeqDefine(const SRCSTMT *pStmt, const uint8_t *pName, uint32_t ulLength)
{
  SRCFILE *s = g_src.pTop;
  if (s == nullptr || s->ulSrcId != pStmt->ulSrcId) return true;
  std::string strName;
  for (uint32_t i = 0; i < ulLength; i++) strName += static_cast<char>(g_abUpper[pName[i]]);
  auto r = pSeqTable(s)->map.emplace(strName, std::make_pair(pStmt->lOffset, pStmt->ulLine));
  return r.second || r.first->second.first == pStmt->lOffset;
}

bool bSourceSeqFind(const uint8_t *pName, uint32_t ulLength)
{
  SRCFILE *s = g_src.pTop;
  if (s == nullptr) return false;
  std::string strName(reinterpret_cast<const char *>(pName), ulLength);
  SEQTABLE *t = pSeqTable(s);
  auto it = t->map.find(strName);
  if (it == t->map.end() && t->lScanned == 0) {
    vSeqScan(s);
    it = t->map.find(strName);
  }
  if (it == t->map.end()) return false;
  long lOffset = it->second.first;
  if (std::fseek(s->pFile, lOffset, SEEK_SET) != 0) return false;
  s->lBufOffset = lOffset;
  s->ulFill = s->ulPos = 0;
  s->bEof = false;
  s->bPending = false;
  s->ulRecord = it->second.second - 1;
  return true;
}

/* ---- attributes of symbols defined further on ------------------------------------- */

namespace {

/* Length of the first DC/DS operand's constant, and its type: the
   explicit length modifier, else the implied one of its type (the nominal
   value's for C, X, B, P, Z). */
bool bConstantAttr(const std::string &strOp, CONDATTR *pAttr)
{
  size_t i = 0, n = strOp.size();
  auto fDigit = [&](size_t k) { return k < n && g_abClass[static_cast<uint8_t>(strOp[k])] & CC_DIGIT; };
  while (fDigit(i)) i++; /* duplication factor */
  if (i < n && static_cast<uint8_t>(strOp[i]) == E_LPAREN) {
    int iDepth = 0;
    for (; i < n; i++) {
      uint8_t c = static_cast<uint8_t>(strOp[i]);
      if (c == E_LPAREN) iDepth++;
      if (c == E_RPAREN && --iDepth == 0) break;
    }
    i++;
  }
  if (i >= n) return false;
  uint8_t bType = g_abUpper[static_cast<uint8_t>(strOp[i++])];
  if (i < n && g_abUpper[static_cast<uint8_t>(strOp[i])] == E_D && bType == E_L) i++; /* LD */
  pAttr->bType = bType;
  pAttr->sScale = 0;
  int32_t lExplicit = -1;
  if (i < n && g_abUpper[static_cast<uint8_t>(strOp[i])] == E_L && fDigit(i + 1))
    for (i++, lExplicit = 0; fDigit(i) && lExplicit < 100000; i++) lExplicit = lExplicit * 10 + (strOp[i] & 0x0F);
  /* the first nominal value's length where the type takes it from the
     value: characters of C (a doubled quote or ampersand is one), digits
     of P and Z (those after a decimal point give the scale) */
  size_t q = strOp.find(static_cast<char>(E_QUOTE), i);
  size_t ulValue = 0, ulDigits = 0;
  bool bPoint = false, bChars = bType == E_C;
  if (q != std::string::npos) {
    for (size_t k = q + 1; k < n; k++) {
      auto c = static_cast<uint8_t>(strOp[k]);
      bool bPair = k + 1 < n && static_cast<uint8_t>(strOp[k + 1]) == c;
      if (c == E_QUOTE && !bPair) break;
      if (!bChars && c == E_COMMA) break;
      if (bPair && (c == E_QUOTE || (bChars && c == E_AMP))) k++;
      ulValue++;
      if (c == E_DOT) bPoint = true;
      if (fDigit(k)) {
        ulDigits++;
        if (bPoint) pAttr->sScale++;
      }
    }
  }
  if (bType != E_P && bType != E_Z) pAttr->sScale = 0;
  if (lExplicit >= 0) {
    pAttr->lLength = lExplicit;
    return true;
  }
  static const struct {
    uint8_t bType;
    int32_t lLength;
  } c_aImplied[] = {{E_F, 4}, {E_H, 2}, {E_D, 8}, {E_E, 4}, {E_L, 16}, {E_A, 4},
                    {E_V, 4}, {E_Y, 2}, {E_S, 2}, {E_Q, 4}, {E_R, 4},  {E_J, 4}};
  for (const auto &t : c_aImplied)
    if (t.bType == bType) {
      pAttr->lLength = t.lLength;
      return true;
    }
  if (bType == E_C)
    pAttr->lLength = ulValue > 0 ? static_cast<int32_t>(ulValue) : 1;
  else if (bType == E_X)
    pAttr->lLength = static_cast<int32_t>((ulValue + 1) / 2 > 0 ? (ulValue + 1) / 2 : 1);
  else if (bType == E_B)
    pAttr->lLength = static_cast<int32_t>((ulValue + 7) / 8 > 0 ? (ulValue + 7) / 8 : 1);
  else if (bType == E_P)
    pAttr->lLength = static_cast<int32_t>(ulDigits / 2 + 1);
  else if (bType == E_Z)
    pAttr->lLength = static_cast<int32_t>(ulDigits > 0 ? ulDigits : 1);
  else
    pAttr->lLength = 1;
  return true;
}

/* An EQU's attributes: the length its second operand gives (a decimal
   term), else the length of the symbol its first operand begins with (one
   the scan met before, or one already defined), else 1; the type its third
   operand gives (C'x'), else U. */
CONDATTR attrOfEqu(const std::string &strOperand, const LOOKTABLE &look)
{
  CONDATTR a{E_U, 1, 0};
  std::vector<std::pair<uint32_t, uint32_t>> vecItems;
  vCondSplit(reinterpret_cast<const uint8_t *>(strOperand.data()), static_cast<uint32_t>(strOperand.size()), &vecItems);
  std::vector<std::string> vecOps;
  for (auto [ulOff, ulLen] : vecItems) vecOps.push_back(strOperand.substr(ulOff, ulLen));
  const std::string &strFirst = vecOps[0];
  size_t n = 0;
  while (n < strFirst.size() && g_abClass[static_cast<uint8_t>(strFirst[n])] & (CC_LETTER | CC_DIGIT)) n++;
  std::string strTerm;
  for (size_t k = 0; k < n; k++) strTerm += static_cast<char>(g_abUpper[static_cast<uint8_t>(strFirst[k])]);
  if (n > 0 && !(g_abClass[static_cast<uint8_t>(strFirst[0])] & CC_DIGIT)) {
    auto it = look.map.find(strTerm);
    const SYMBOL *pSym =
        n <= SYM_NAME_MAX ? pSymbolFind(reinterpret_cast<const uint8_t *>(strTerm.data()), n) : nullptr;
    if (it != look.map.end())
      a.lLength = it->second.lLength;
    else if (pSym != nullptr && !(pSym->bFlags & SYMF_UNDEFINED) && pSym->lLength >= 0)
      a.lLength = pSym->lLength;
  }
  if (vecOps.size() >= 2 && !vecOps[1].empty() && vecOps[1].size() <= 5) {
    int32_t l = 0;
    bool bDecimal = true;
    for (char ch : vecOps[1]) {
      bDecimal = bDecimal && (g_abClass[static_cast<uint8_t>(ch)] & CC_DIGIT);
      l = l * 10 + (ch & 0x0F);
    }
    if (bDecimal) a.lLength = l;
  }
  if (vecOps.size() >= 3 && vecOps[2].size() == 4 && g_abUpper[static_cast<uint8_t>(vecOps[2][0])] == E_C &&
      static_cast<uint8_t>(vecOps[2][1]) == E_QUOTE && static_cast<uint8_t>(vecOps[2][3]) == E_QUOTE)
    a.bType = static_cast<uint8_t>(vecOps[2][2]);
  return a;
}

/* The attributes a statement gives the symbol in its label field. */
CONDATTR attrOfStatement(const std::string &strOp, const std::string &strOperand, const LOOKTABLE &look)
{
  CONDATTR a{E_U, 1, 0};
  std::string strName = strOp;
  strName.push_back('\0');
  const OPENTRY *pEntry =
      strOp.size() < 64 ? static_cast<const OPENTRY *>(pOpindexFind(reinterpret_cast<const uint8_t *>(strName.data())))
                        : nullptr;
  if (pEntry == nullptr) return CONDATTR{E_M, 1, 0};
  if (pEntry->bKind == OPK_MACHINE) return CONDATTR{E_I, pEntry->bLength, 0};
  if (pEntry->bKind == OPK_MACRO) return CONDATTR{E_M, 1, 0};
  switch (bInstructionNumber(pEntry)) {
  case INSTR_DC:
  case INSTR_DS:
    if (!bConstantAttr(strOperand, &a)) a = CONDATTR{E_U, 1, 0};
    break;
  case INSTR_CSECT:
  case INSTR_DSECT:
  case INSTR_RSECT:
  case INSTR_START:
  case INSTR_COM:
  case INSTR_LOCTR:
    a = CONDATTR{E_J, 1, 0};
    break;
  case INSTR_CCW:
  case INSTR_CCW1:
    a = CONDATTR{E_W, 8, 0};
    break;
  case INSTR_EQU:
    a = attrOfEqu(strOperand, look);
    break;
  default:
    break;
  }
  return a;
}

/* Records the attributes the card's statement gives its label; p is where
   its operand field starts. */
void vLookLabel(SRCFILE *s, const uint8_t *pCard, uint32_t p, const std::string &strLabel, const std::string &strOp)
{
  uint32_t e = s->ulEnd;
  std::string strOperand;
  bool bQuote = false;
  for (uint32_t ulField = p; p < e && (bQuote || !bBlank(pCard[p])); p++) {
    if (pCard[p] == E_QUOTE) bQuote = bQuote ? false : bOpensString(pCard + ulField, p - ulField, e - ulField);
    strOperand += static_cast<char>(pCard[p]);
  }
  s->pLook->map.emplace(strLabel, attrOfStatement(strOp, strOperand, *s->pLook));
}

/* The member a COPY card names (EBCDIC upper case), or "" when its
   operand is no member name. */
std::string strCopyMember(const uint8_t *pCard, uint32_t p, uint32_t e)
{
  std::string strName;
  for (; p < e && !bBlank(pCard[p]); p++) {
    if (!(g_abClass[pCard[p]] & (strName.empty() ? CC_LETTER : CC_NAME))) return "";
    strName += static_cast<char>(g_abUpper[pCard[p]]);
  }
  return strName.size() <= MEMBER_MAX ? strName : "";
}

/* Records in s->pLook the attributes of the symbols the rest of the file
   (with pszMember: that COPY member) defines, and those of the COPY members
   it brings in; a member already being read is not read again. */
void vLookCards(SRCFILE *s, const char *pszMember, std::vector<std::string> *pChain)
{
  static const std::string c_strCopy = "\xC3\xD6\xD7\xE8";
  constexpr size_t COPY_CHAIN_MAX = 16;
  uint32_t b = s->ulBegin - 1, e = s->ulEnd;
  vScanAhead(
      s,
      [&](const uint8_t *pCard, long, uint32_t) {
        uint32_t p = b;
        std::string strLabel; /* no sequence symbol, no variable */
        while (p < e && !bBlank(pCard[p])) strLabel += static_cast<char>(g_abUpper[pCard[p++]]);
        if (pCard[b] == E_DOT || pCard[b] == E_AMP) strLabel.clear();
        std::string strOp = strCardOperation(pCard, s->ulBegin, e);
        while (p < e && bBlank(pCard[p])) p++;
        while (p < e && !bBlank(pCard[p])) p++;
        while (p < e && bBlank(pCard[p])) p++;
        if (strOp == c_strCopy) {
          std::string strMember = strCopyMember(pCard, p, e);
          if (strMember.empty() || pChain->size() >= COPY_CHAIN_MAX ||
              std::find(pChain->begin(), pChain->end(), strMember) != pChain->end())
            return;
          char achPath[PATH_MAX];
          uint32_t ulConcat = 0;
          FILE *pFile = pFindMember(reinterpret_cast<const uint8_t *>(strMember.c_str()), SRC_COPY, achPath,
                                    sizeof achPath, &ulConcat);
          if (pFile == nullptr) return;
          std::fclose(pFile);
          pChain->push_back(strMember);
          vLookCards(s, achPath, pChain);
          pChain->pop_back();
          return;
        }
        if (strLabel.empty()) return;
        vLookLabel(s, pCard, p, strLabel, strOp);
      },
      pszMember);
}

/* Records the attributes of the symbols the rest of the file defines. */
void vLookScan(SRCFILE *s)
{
  s->pLook = new LOOKTABLE{};
  std::vector<std::string> vecChain;
  for (SRCFILE *c = s; c != nullptr; c = c->pLink) /* the members open now */
    if (c->cKind == SRC_COPY) vecChain.emplace_back(reinterpret_cast<const char *>(c->abMember));
  vLookCards(s, nullptr, &vecChain);
}

} // namespace

bool bSourceLookahead(const uint8_t *pName, uint32_t ulName, CONDATTR *pAttr)
{
  SRCFILE *s = g_src.pTop;
  while (s != nullptr && s->cKind == SRC_MACRO) s = s->pLink;
  if (s == nullptr) return false;
  if (s->pLook == nullptr) vLookScan(s);
  auto it = s->pLook->map.find(std::string(reinterpret_cast<const char *>(pName), ulName));
  if (it == s->pLook->map.end()) return false;
  *pAttr = it->second;
  return true;
}
