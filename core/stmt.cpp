/*
** stmt.cpp - the statement record and its diagnostics (module "stmt").
**
** Calls: the services only.
** Called by: asm1, asm2, def2, esd1, eval, exe1, fix1, gen1, ins2, instr,
**   lbl, mac1, msc1, msc2, prn2, src1, usg2, var1, xrf2.
**
** Owns the running statement number, the PRINT status in force, the text
** handles, the sub-records collected beside the record in hand and the
** revisit bookkeeping of the resolution passes.  Every phase attaches its
** diagnostics and sub-records to a statement through these functions; they
** call only the services below them (work, temp, mem, chars).
**
** Notes on the design:
**  - Nothing a handler does moves the record it reads: diagnostics and
**    reserved slots, and the sub-records added while handlers run (pool
**    numbers, ORG values) or in the code generation phase, are collected in
**    order in the tail beside the record and appended once by
**    vStmtFlushTail, after the operands are split, when the statement is
**    finished and, in the code generation phase, before it is listed.
**    pStmtSub finds what the tail holds.  So handlers read their label and
**    operands in the record itself.
**  - Diagnostics of the conditional assembly phase go to the tail.  Later
**    (the record is revisited in place) they go into a free reserved slot;
**    in the code generation phase a diagnostic without a free slot goes to
**    the tail of the record in memory, which is not written back, so the
**    listing still shows it.
**  - The FLAG threshold of the statement in hand decides what is recorded;
**    a severity-4 diagnostic under WARN0 is recorded but not counted.
*/
#include "stmt.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "instr.h"
#include "mem.h"
#include "src1.h"
#include "svc.h"
#include "vorn.h"
#include "work.h"

#define MEM_MODULE "stmt"

namespace {

struct STMTSTATE {
  uint32_t ulNext;    /* number of the next statement */
  uint8_t bPrint;     /* PRINT status in force */
  uint32_t ulRevisit; /* statements marked for the resolution passes */
  uint64_t ullFirstRevisit, ullLastRevisit;
  uint32_t ulLongest; /* longest record marked for revisiting */
  bool bErrorSeen;    /* a diagnostic above 8 in this assembly */
  GROWBUF handles;    /* text handles: const char * per handle - 1 */
  uint32_t ulHandles;
  GROWBUF tail;                 /* sub-records to append to the record in hand */
  uint32_t ulTail, ulTailCount; /* their bytes and number */
  bool bHandlers;               /* first-phase handlers are reading the record */
  bool bUnnumbered;             /* the statement being finished takes no number */
  GROWBUF revisits;             /* work-file position of each record marked for revisiting */
  GROWBUF waits;                /* per location counter: the last of them waiting for it */
  uint32_t ulWaits;             /* counters it covers */
  uint32_t ulCounters;          /* location counters of the assembly (esd1 tells) */
  int32_t lPass;                /* the resolution pass the handlers run in */
};
/* PRINT ON, GEN and UHEAD: the PRINT status an assembly starts with. */
constexpr uint8_t PRINT_START = PRT_ON | PRT_GEN | PRT_UHEAD;
STMTSTATE g_stmt = {1,
                    PRINT_START,
                    0,
                    0,
                    0,
                    0,
                    false,
                    {SP_RUN, 1, 0, nullptr, nullptr},
                    0,
                    {SP_HEAP, 1, 0, nullptr, nullptr},
                    0,
                    0,
                    false,
                    false,
                    {SP_HEAP, 1, 0, nullptr, nullptr},
                    {SP_HEAP, 1, 0, nullptr, nullptr},
                    0,
                    0,
                    0};

/* The sequence field of the record in hand.  It becomes a text handle when
   the record is kept: most records opened for the statements of library
   definitions are dropped again.  Until then the head holds
   SEQUENCE_PENDING, which readers take as "a sequence field" as they would
   a handle. */
struct PENDINGSEQ {
  uint8_t ab[SRC_RECORD];
  uint32_t ulLength;
};
PENDINGSEQ g_seq = {{}, 0};
constexpr uint32_t SEQUENCE_PENDING = 0xFFFFFFFFu;

/* Diagnostics of revisited records that had no free slot, by statement. */
struct LATEDIAG {
  uint32_t ulStmt;
  int iNumber, iForm, iSeverity;
  std::string strText;
};
std::vector<LATEDIAG> g_vecLateDiags;

/* the frames of the assembly (index = id - 1) and the one in force */
struct FRAMES {
  std::vector<FRAME> vec;
  uint32_t ulCurrent = 0;
  uint32_t ulOrdinal = 0;                     /* of the statement in hand in the current frame */
  std::vector<uint32_t> vecOrdinals;          /* of the callers, one per frame entered */
  uint32_t ulOpened = 0, ulOpenedOrdinal = 0; /* of the record in hand */
  std::vector<std::string> vecNames;          /* host text */
  std::vector<uint32_t> vecNameOfKey;         /* index + 1 into vecNames */
  struct RECORDFRAME {
    uint32_t ulStmt, ulFrame, ulOrdinal;
  };
  std::vector<RECORDFRAME> vecRecords; /* the records kept in a frame, by statement number */
};
FRAMES g_frames;
bool g_bLateSorted = false;
size_t g_ulLateNext = 0;

/* handle of each interned text, for the lookup */
std::unordered_map<const char *, uint32_t> g_mapHandles;

constexpr uint32_t FLAG_THRESHOLD_MASK = 0xFF, FLAG_WARN0_BIT = 0x10000;

uint8_t *pHead() { return pRecord(); }
void vHeadPut32(uint32_t ulOffset, uint32_t ulValue) { vPut32(pHead() + ulOffset, ulValue); }

void vSubCount(int iDelta) { vHeadPut32(STMT_SUBCOUNT, ulGet32(pHead() + STMT_SUBCOUNT) + iDelta); }
enum STMTMSG { MSG_OPERAND, MSG_NO_LABEL, MSG_SEQ_INVALID, MSG_SEQ_DUPLICATE, MSG_COUNT };
const MSGDEF c_aMsg[] = {
    {111, 12, "Operand %u is invalid."},
    {117, 12, "Label field must be omitted."},
    {106, 12, "Invalid sequence symbol in label field."},
    {107, 12, "Sequence symbol is previously defined."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

bool bFirstPhase() { return g_asm.cPhase == '1' && g_asm.cStep == 'C'; }

/* Whether a sub-record added now goes to the tail: while handlers may hold
   pointers into the record, in the code generation phase, and behind
   anything already in the tail, so the order stays as added. */
bool bToTail() { return g_stmt.bHandlers || g_stmt.ulTailCount != 0 || g_asm.cStep == 'G'; }

/* Puts a diagnostic into the first free reserved slot; false when none. */
bool bDiagIntoSlot(int iNumber, int iForm, int iSeverity, uint32_t ulLength, const char *pszText)
{
  uint8_t *p = pStmtEachSub([](uint8_t bKind, const uint8_t *pSub, uint32_t ulLen) {
    return bKind == SUB_DIAG_SLOT && ulLen == 12 && ulGet32(pSub + 4) == 0;
  });
  if (p == nullptr) return false;
  vPut16(p + 4, static_cast<uint16_t>(iNumber));
  p[6] = static_cast<uint8_t>(iForm);
  p[7] = static_cast<uint8_t>(iSeverity);
  vPut32(p + 8, ulTextHandle(reinterpret_cast<const uint8_t *>(pszText), ulLength));
  return true;
}

/* Room for a sub-record of ulLength bytes after its kind word at the end of
   the tail, zero-filled, its kind word written. */
uint8_t *pTailAdd(uint8_t bKind, uint32_t ulLength)
{
  uint32_t ulTotal = ulLength + 4;
  auto *p = static_cast<uint8_t *>(GB_ENSURE(&g_stmt.tail, static_cast<size_t>(g_stmt.ulTail) + ulTotal));
  uint8_t *pSub = p + g_stmt.ulTail;
  std::memset(pSub, 0, ulTotal);
  vPut32(pSub, bKind | ulTotal << 8);
  g_stmt.ulTail += ulTotal;
  g_stmt.ulTailCount++;
  return pSub;
}

void vDiagAppend(int iNumber, int iForm, int iSeverity, uint32_t ulLength, const char *pszText)
{
  uint8_t *pSub = pTailAdd(SUB_DIAG, ulLength + 4);
  vPut16(pSub + 4, static_cast<uint16_t>(iNumber));
  pSub[6] = static_cast<uint8_t>(iForm);
  pSub[7] = static_cast<uint8_t>(iSeverity);
  std::memcpy(pSub + 8, pszText, ulLength);
}

} // namespace

/* Keeps only the sub-records the later phases and the listing need. */
void vPruneRecord(bool bKeepOperands, bool bKeepSubstituted, bool bKeepSource)
{
  uint8_t *p = pHead();
  uint32_t ulOut = STMT_HEAD, ulCount = 0;
  pStmtEachSub([&](uint8_t bKind, const uint8_t *pSub, uint32_t ulLen) {
    bool bKeep = true;
    if (bKind == SUB_LABEL || bKind == SUB_OPERAND) bKeep = bKeepOperands;
    if (bKind == SUB_OPERATION || bKind == SUB_OPERAND_FIELD || bKind == SUB_LINES) bKeep = bKeepSubstituted;
    if (bKind == SUB_SOURCE) bKeep = bKeepSource;
    if (bKeep) {
      if (p + ulOut != pSub) std::memmove(p + ulOut, pSub, ulLen);
      ulOut += ulLen;
      ulCount++;
    }
    return false;
  });
  if (ulOut < g_rec.ulLength) std::memset(p + ulOut, 0, g_rec.ulLength - ulOut);
  vRecordTruncate(ulOut);
  vHeadPut32(STMT_SUBCOUNT, ulCount);
}

/* The first operand sub-record of the statement in hand, after its label
   and iOperands operands were appended to the record; the record stays in
   place while the handlers read them.  Operands that went straight into
   the record (nothing in the tail) begin at ulFrom, its length before. */
const uint8_t *pOperandsInRecord(uint32_t ulFrom, int iOperands)
{
  if (g_stmt.ulTailCount == 0 && ulFrom >= STMT_HEAD) return iOperands > 0 ? pHead() + ulFrom : nullptr;
  vStmtFlushTail();
  uint32_t ulLabel = 0;
  const uint8_t *pLabel = nullptr, *pFirst = nullptr;
  iStmtLocate(&ulLabel, &pLabel, &pFirst);
  return pFirst;
}

bool bSymbolNameValid(const uint8_t *pName, uint32_t ulLen)
{
  if (ulLen < 1 || ulLen > 63 || !(g_abClass[pName[0]] & CC_LETTER)) return false;
  for (uint32_t i = 1; i < ulLen; i++)
    if (!(g_abClass[pName[i]] & (CC_NAME | CC_LETTER))) return false;
  return true;
}

bool bSequenceSymbolValid(const uint8_t *pLabel, uint32_t ulLen)
{
  if (ulLen < 2 || ulLen > 63 || pLabel[0] != E_DOT || !(g_abClass[pLabel[1]] & CC_LETTER)) return false;
  for (uint32_t i = 2; i < ulLen; i++)
    if (!(g_abClass[pLabel[i]] & (CC_LETTER | CC_DIGIT))) return false;
  return true;
}

namespace {

void vSequenceField(const SRCSTMT *pStmt)
{
  if (pStmt->cKind == SRC_PRIMARY || pStmt->cKind == SRC_MODEL || pStmt->ulEnd > 71) return;
  const uint8_t *pCard = static_cast<const uint8_t *>(pStmt->cards.pData);
  g_seq.ulLength = SRC_RECORD - pStmt->ulEnd - 1;
  std::memcpy(g_seq.ab, pCard + pStmt->ulEnd + 1, g_seq.ulLength);
  vHeadPut32(STMT_SEQUENCE, SEQUENCE_PENDING);
}
} // namespace

/* Opens the record of a statement: where it comes from, its nesting level,
   the reader's note. */
void vStmtOpen(const SRCSTMT *pStmt, int16_t sNest)
{
  vStmtStart();
  vHeadPut32(STMT_SRCID, pStmt->ulSrcId);
  vHeadPut32(STMT_LINE, pStmt->ulLine);
  vHeadPut32(STMT_RECORDS, pStmt->ulRecords);
  vPut16(pHead() + STMT_NEST, static_cast<uint16_t>(sNest));
  vSequenceField(pStmt);
  g_frames.ulOpened = g_frames.ulCurrent; /* the record gets it when it is kept */
  g_frames.ulOpenedOrdinal = g_frames.ulOrdinal;
  if (pStmt->achNote[0] != '\0') iStmtDiag(DIAG_NUMBER_UNTRANSLATED, DIAG_READER_NOTE, 0, 0, pStmt->achNote);
}

/* ---- frames ---------------------------------------------------------------- */

uint32_t ulFrameEnter(char cKind, uint32_t ulNameKey, const uint8_t *pName, uint32_t ulNameLength, uint32_t ulSrcId,
                      uint32_t ulLine)
{
  constexpr uint32_t KEYS_MAX = 1u << 20; /* a key beyond it keeps its name apart */
  uint32_t ulNone = 0;
  if (ulNameKey < KEYS_MAX && ulNameKey >= g_frames.vecNameOfKey.size()) g_frames.vecNameOfKey.resize(ulNameKey + 1, 0);
  uint32_t &ulIndex = ulNameKey < KEYS_MAX ? g_frames.vecNameOfKey[ulNameKey] : ulNone;
  if (ulIndex == 0) {
    std::string str(std::min<uint32_t>(ulNameLength, 63), ' ');
    vEbcdicToAscii(reinterpret_cast<uint8_t *>(str.data()), pName, str.size());
    g_frames.vecNames.push_back(str);
    ulIndex = static_cast<uint32_t>(g_frames.vecNames.size());
  }
  g_frames.vec.push_back(
      FRAME{g_frames.ulCurrent, ulSrcId, ulLine, g_frames.ulOrdinal, static_cast<uint8_t>(cKind) | (ulIndex - 1) << 8});
  g_frames.vecOrdinals.push_back(g_frames.ulOrdinal);
  g_frames.ulCurrent = static_cast<uint32_t>(g_frames.vec.size());
  g_frames.ulOrdinal = 0;
  return g_frames.ulCurrent;
}

void vFrameLeave(uint32_t ulFrame)
{
  bool bOpen = false; /* on the chain of the frame in force */
  for (uint32_t id = g_frames.ulCurrent; id != 0 && !bOpen; id = g_frames.vec[id - 1].ulParent) bOpen = id == ulFrame;
  if (!bOpen) return;
  /* frames still open inside it go with it */
  uint32_t ulParent = g_frames.vec[ulFrame - 1].ulParent;
  while (g_frames.ulCurrent != ulParent && !g_frames.vecOrdinals.empty()) {
    g_frames.ulOrdinal = g_frames.vecOrdinals.back();
    g_frames.vecOrdinals.pop_back();
    g_frames.ulCurrent = g_frames.vec[g_frames.ulCurrent - 1].ulParent;
  }
}

void vFrameStatement(uint32_t ulOrdinal) { g_frames.ulOrdinal = ulOrdinal; }

const FRAME *pFrame(uint32_t ulFrame)
{
  return ulFrame == 0 || ulFrame > g_frames.vec.size() ? nullptr : &g_frames.vec[ulFrame - 1];
}

void vStmtFrameOf(uint32_t *pulFrame, uint32_t *pulOrdinal)
{
  *pulFrame = *pulOrdinal = 0;
  if (g_rec.ulLength < STMT_HEAD || g_frames.vecRecords.empty()) return;
  uint32_t ulStmt = ulGet32(pHead() + STMT_NUMBER);
  const auto &vec = g_frames.vecRecords;
  auto it = std::lower_bound(vec.begin(), vec.end(), ulStmt,
                             [](const FRAMES::RECORDFRAME &r, uint32_t ul) { return r.ulStmt < ul; });
  if (it == vec.end() || it->ulStmt != ulStmt) return;
  *pulFrame = it->ulFrame;
  *pulOrdinal = it->ulOrdinal;
}

std::vector<FRAMELINK> vecFrameChain(uint32_t ulFrame, uint32_t ulOrdinal, uint32_t ulSrcId, uint32_t ulLine)
{
  std::vector<FRAMELINK> vec;
  auto fAdd = [&vec](uint32_t ulSrc, uint32_t ulAt, const FRAME &f, uint32_t ulNumber, bool bCall) {
    FRAMELINK l{ulSrc, ulAt, {}};
    bool bCopy = static_cast<char>(f.ulName & 0xFF) == FRAME_COPY;
    uint32_t ulIndex = f.ulName >> 8;
    const char *pszName = ulIndex < g_frames.vecNames.size() ? g_frames.vecNames[ulIndex].c_str() : "";
    if (bCall)
      std::snprintf(l.achText, sizeof l.achText, bCopy ? "COPY of member %s" : "call of macro %s", pszName);
    else if (bCopy)
      std::snprintf(l.achText, sizeof l.achText, "in COPY member %s", pszName);
    else if (ulNumber != 0)
      std::snprintf(l.achText, sizeof l.achText, "in macro %s, statement %lu", pszName,
                    static_cast<unsigned long>(ulNumber));
    else
      std::snprintf(l.achText, sizeof l.achText, "in macro %s", pszName);
    vec.push_back(l);
  };
  const FRAME *f = pFrame(ulFrame);
  if (f == nullptr) return vec;
  fAdd(ulSrcId, ulLine, *f, ulOrdinal, false);
  /* frames only point to those made before them: the walk ends */
  for (uint32_t ulSeen = 0; f != nullptr && ulSeen <= g_frames.vec.size(); ulSeen++) {
    const FRAME *pParent = f->ulParent < ulFrame ? pFrame(f->ulParent) : nullptr;
    if (pParent == nullptr) {
      fAdd(f->ulSrcId, f->ulLine, *f, 0, true);
      break;
    }
    fAdd(f->ulSrcId, f->ulLine, *pParent, f->ulOrdinal, false);
    ulFrame = f->ulParent;
    f = pParent;
  }
  return vec;
}

void vFrameLinkText(const FRAMELINK &l, char *pszOut, size_t ulRoom)
{
  const char *pszName = pSvcSourceName(l.ulSrcId);
  std::snprintf(pszOut, ulRoom, "%s, %s(%lu)", l.achText, pszName != nullptr ? pszName : "",
                static_cast<unsigned long>(l.ulLine));
}

/* ---- state ------------------------------------------------------------------ */

void vStmtPhaseStart()
{
  g_frames = FRAMES{};
  g_vecLateDiags.clear();
  g_bLateSorted = false;
  g_ulLateNext = 0;
  g_stmt.ulNext = 1;
  g_stmt.bPrint = static_cast<uint8_t>((g_opt.bPrintForced | PRINT_START) &
                                       (g_opt.bPrintAllowed != 0 ? g_opt.bPrintAllowed : 0xFF));
  g_stmt.ulRevisit = 0;
  g_stmt.ullFirstRevisit = g_stmt.ullLastRevisit = 0;
  g_stmt.ulLongest = 0;
  g_stmt.ulWaits = 0;
  g_stmt.bErrorSeen = false;
  g_stmt.bHandlers = false;
  g_stmt.lPass = 0;
  vContextFlag(g_opt.ulFlag);
}

uint32_t ulStmtNumber() { return g_stmt.ulNext; }
bool bPrintShows(uint8_t bPrint, int32_t lNest) { return (bPrint & PRT_ON) && ((bPrint & PRT_GEN) || lNest == 0); }
uint8_t bStmtPrintStatus() { return g_stmt.bPrint; }
void vStmtSetPrintStatus(uint8_t bStatus) { g_stmt.bPrint = bStatus; }

uint32_t ulTextHandle(const uint8_t *pText, uint32_t ulLength)
{
  char achText[OPERAND_MAX + 1];
  if (ulLength > OPERAND_MAX) ulLength = OPERAND_MAX;
  std::memcpy(achText, pText, ulLength);
  achText[ulLength] = '\0';
  if (g_stmt.handles.pData == nullptr) { /* subpool 1 was released */
    g_stmt.ulHandles = 0;
    g_mapHandles.clear();
  }
  const char *pszInterned = pStringIntern(SP_RUN, achText);
  auto it = g_mapHandles.find(pszInterned);
  if (it != g_mapHandles.end()) return it->second;
  const char **apsz = static_cast<const char **>(GB_ROOM(&g_stmt.handles, (g_stmt.ulHandles + 1) * sizeof(char *)));
  apsz[g_stmt.ulHandles++] = pszInterned;
  g_mapHandles.emplace(pszInterned, g_stmt.ulHandles);
  return g_stmt.ulHandles;
}

uint32_t ulStmtSequence()
{
  if (pHead() == nullptr) return 0;
  uint32_t ulHandle = ulGet32(pHead() + STMT_SEQUENCE);
  if (ulHandle == SEQUENCE_PENDING) {
    ulHandle = ulTextHandle(g_seq.ab, g_seq.ulLength);
    vHeadPut32(STMT_SEQUENCE, ulHandle);
  }
  return ulHandle;
}

const char *pTextOfHandle(uint32_t ulHandle)
{
  if (ulHandle == 0 || ulHandle > g_stmt.ulHandles || g_stmt.handles.pData == nullptr) return "";
  return static_cast<const char **>(g_stmt.handles.pData)[ulHandle - 1];
}

/* ---- the record ----------------------------------------------------------- */

void vStmtStart()
{
  if (g_stmt.ulNext > STMT_LIMIT) {
    vSvcMessage("KZM128S More than %lu statements in this assembly.", static_cast<unsigned long>(STMT_LIMIT));
    vSvcTerminate();
  }
  vRecordReset(STMT_HEAD);
  g_stmt.ulTail = g_stmt.ulTailCount = 0;
  vHeadPut32(STMT_NUMBER, g_stmt.ulNext);
  vHeadPut32(STMT_SECTION, 0xFFFFFFFFu);
  vPut16(pHead() + STMT_OPINDEX, 0xFFFF);
  vHeadPut32(STMT_FLAGSET, g_asm.ulFlagInForce);
  if (g_stmt.bPrint & PRT_ON) pHead()[STMT_PRINT] = g_stmt.bPrint;
  vContextStatement(g_stmt.ulNext);
}

void vStmtAddSub(uint8_t bKind, uint32_t ulLength, const void *pBytes)
{
  uint8_t *pSub = nullptr;
  if (bToTail()) {
    pSub = pTailAdd(bKind, ulLength);
  } else {
    pSub = static_cast<uint8_t *>(pRecordExtend(ulLength + 4));
    vPut32(pSub, bKind | (ulLength + 4) << 8);
    vSubCount(1);
  }
  if (ulLength != 0 && pBytes != nullptr)
    std::memcpy(pSub + 4, pBytes, ulLength);
  else if (ulLength != 0)
    std::memset(pSub + 4, 0, ulLength);
}

void vStmtFlushTail()
{
  if (g_stmt.ulTailCount == 0) return;
  auto *pSub = static_cast<uint8_t *>(pRecordExtend(g_stmt.ulTail));
  std::memcpy(pSub, g_stmt.tail.pData, g_stmt.ulTail);
  vSubCount(static_cast<int>(g_stmt.ulTailCount));
  g_stmt.ulTail = g_stmt.ulTailCount = 0;
}

void vStmtWantPhase2() { vStmtSetFlags(SF_PHASE2); }

void vStmtSetOrigin(uint32_t ulSrcId, uint32_t ulLine, uint32_t ulRecords, uint32_t ulSequence)
{
  vHeadPut32(STMT_SRCID, ulSrcId);
  vHeadPut32(STMT_LINE, ulLine);
  vHeadPut32(STMT_RECORDS, ulRecords);
  vHeadPut32(STMT_SEQUENCE, ulSequence);
}

void vStmtSetOperation(int16_t sIndex, int16_t sNest)
{
  vPut16(pHead() + STMT_OPINDEX, static_cast<uint16_t>(sIndex));
  vPut16(pHead() + STMT_NEST, static_cast<uint16_t>(sNest));
}

void vStmtSetPrint(uint8_t bPrint) { pHead()[STMT_PRINT] = bPrint; }

STMTVIEW viewOfRecord(const uint8_t *p)
{
  STMTVIEW v{};
  v.ulNumber = ulGet32(p + STMT_NUMBER);
  v.ulSrcId = ulGet32(p + STMT_SRCID);
  v.ulLine = ulGet32(p + STMT_LINE);
  v.ulRecords = ulGet32(p + STMT_RECORDS);
  v.lSection = static_cast<int32_t>(ulGet32(p + STMT_SECTION));
  v.ulLocation = ulGet32(p + STMT_LOCATION);
  v.ulSequence = ulGet32(p + STMT_SEQUENCE);
  v.ulFlagSet = ulGet32(p + STMT_FLAGSET);
  v.sNest = static_cast<int16_t>(usGet16(p + STMT_NEST));
  v.sOpIndex = static_cast<int16_t>(usGet16(p + STMT_OPINDEX));
  v.usFlags = usGet16(p + STMT_FLAGS);
  v.bPrint = p[STMT_PRINT];
  v.bPad = p[STMT_ALIGN];
  v.bInstruction = bInstructionNumber(pEntryOfIndex(v.sOpIndex));
  return v;
}

int iStmtDiag(int iNumber, int iForm, int iSeverity, uint32_t ulLength, const char *pszText)
{
  if (pszText == nullptr) pszText = ""; /* a note with no text */
  if (ulLength == 0) ulLength = static_cast<uint32_t>(std::strlen(pszText));
  uint32_t ulThreshold = g_asm.ulFlagInForce & FLAG_THRESHOLD_MASK;
  bool bCounted = true;
  if (iNumber != 0 && iNumber != 300) {
    if (iSeverity > 8) {
      vStmtSetFlags(SF_ERROR);
      g_stmt.bErrorSeen = true;
    }
    if (static_cast<uint32_t>(iSeverity) < ulThreshold) return 0;
    if (iSeverity == 4 && (g_asm.ulFlagInForce & FLAG_WARN0_BIT)) bCounted = false;
  } else if (iNumber == 300 && static_cast<uint32_t>(iSeverity) < ulThreshold) {
    iNumber = 0;
    iSeverity = 0;
  }
  if (bCounted) vSeverityRaise(static_cast<uint32_t>(iSeverity));
  if (bFirstPhase() || g_asm.cPhase == '0')
    vDiagAppend(iNumber, iForm, iSeverity, ulLength, pszText);
  else if (!bDiagIntoSlot(iNumber, iForm, iSeverity, ulLength, pszText)) {
    if (g_asm.cStep == 'G')
      vDiagAppend(iNumber, iForm, iSeverity, ulLength, pszText);
    else /* a revisited record has no room left: kept aside for the code generation phase */
      g_vecLateDiags.push_back(
          LATEDIAG{ulGet32(pHead() + STMT_NUMBER), iNumber, iForm, iSeverity, std::string(pszText, ulLength)});
  }
  return 0;
}

void vStmtLateDiags()
{
  if (g_vecLateDiags.empty()) return;
  if (!g_bLateSorted) {
    std::stable_sort(g_vecLateDiags.begin(), g_vecLateDiags.end(),
                     [](const LATEDIAG &a, const LATEDIAG &b) { return a.ulStmt < b.ulStmt; });
    g_bLateSorted = true;
    g_ulLateNext = 0;
  }
  uint32_t ulStmt = ulGet32(pHead() + STMT_NUMBER);
  while (g_ulLateNext < g_vecLateDiags.size() && g_vecLateDiags[g_ulLateNext].ulStmt < ulStmt) g_ulLateNext++;
  for (; g_ulLateNext < g_vecLateDiags.size() && g_vecLateDiags[g_ulLateNext].ulStmt == ulStmt; g_ulLateNext++) {
    const LATEDIAG &d = g_vecLateDiags[g_ulLateNext];
    vDiagAppend(d.iNumber, d.iForm, d.iSeverity, static_cast<uint32_t>(d.strText.size()), d.strText.data());
  }
}

/* (va_start needs the argument before the variable ones to be no reference.) */
int iStmtMsgOf(const MSGDEF *pMsg, ...)
{
  char achText[256];
  va_list ap;
  va_start(ap, pMsg);
  std::vsnprintf(achText, sizeof achText, pMsg->pszText, ap);
  va_end(ap);
  return iStmtDiag(pMsg->sNumber, DIAG_HOST_TEXT, pMsg->bSeverity, 0, achText);
}

int iStmtDiagStem(const MSGDEF &msg, unsigned uOperand)
{
  char achText[256];
  if (uOperand != 0)
    std::snprintf(achText, sizeof achText, "%s in operand %u.", msg.pszText, uOperand);
  else
    std::snprintf(achText, sizeof achText, "%s.", msg.pszText);
  return iStmtDiag(msg.sNumber, DIAG_HOST_TEXT, msg.bSeverity, 0, achText);
}

int iStmtDiagName(const MSGDEF &msg, const uint8_t *pName, uint32_t ulNameLength)
{
  char achText[OPERAND_MAX + 160];
  if (ulNameLength > OPERAND_MAX) ulNameLength = OPERAND_MAX;
  size_t ulMessage = std::strlen(msg.pszText);
  if (ulMessage > 150) ulMessage = 150;
  std::memcpy(achText, pName, ulNameLength);
  achText[ulNameLength] = static_cast<char>(EBCDIC_BLANK);
  vAsciiToEbcdic(reinterpret_cast<uint8_t *>(achText) + ulNameLength + 1,
                 reinterpret_cast<const uint8_t *>(msg.pszText), ulMessage);
  return iStmtDiag(msg.sNumber, DIAG_NAME_TEXT, msg.bSeverity, static_cast<uint32_t>(ulNameLength + 1 + ulMessage),
                   achText);
}

int iStmtDiagOperand(unsigned uOperand) { return iStmtMsg(c_aMsg[MSG_OPERAND], uOperand); }

const MSGDEF &rLabelMsg(LABELMSG eMsg)
{
  return c_aMsg[eMsg == LM_SEQ_INVALID ? MSG_SEQ_INVALID : eMsg == LM_SEQ_DUPLICATE ? MSG_SEQ_DUPLICATE : MSG_NO_LABEL];
}

int iStmtReserveDiag(unsigned uCount)
{
  /* slots are added once, in the conditional assembly phase; a revisited
     record keeps its size */
  if (!bFirstPhase() || (usStmtFlags() & SF_REVISIT)) uCount = 0;
  for (unsigned i = 0; i < uCount; i++) pTailAdd(SUB_DIAG_SLOT, 8);
  vStmtSetFlags(SF_REVISIT);
  return 0;
}

void vStmtInError()
{
  uint8_t *p = pHead();
  if (usStmtFlags() & SF_UNASSIGNED) { /* it never got a location */
    vPut32(p + STMT_SECTION, 0xFFFFFFFFu);
    vPut32(p + STMT_LOCATION, 0);
  }
  vPut16(p + STMT_OPINDEX, 0xFFFF);
  vPut16(p + STMT_FLAGS, static_cast<uint16_t>(usStmtFlags() & SF_KEPT_IN_ERROR));
}

uint8_t *pStmtSub(uint8_t bKind)
{
  auto fKind = [bKind](uint8_t bThis, const uint8_t *, uint32_t) { return bThis == bKind; };
  uint8_t *p = pStmtEachSub(fKind);
  if (p == nullptr && g_stmt.ulTailCount != 0)
    p = pSubEach(static_cast<uint8_t *>(g_stmt.tail.pData), g_stmt.ulTail, fKind, 0);
  return p;
}

void vStmtRevisitWindow(uint32_t *pulCount, uint64_t *pullFirst, uint64_t *pullLast, uint32_t *pulLongest,
                        GROWBUF *pPositions)
{
  GB_FREE(pPositions);
  std::swap(*pPositions, g_stmt.revisits);
  *pulCount = g_stmt.ulRevisit;
  *pullFirst = g_stmt.ullFirstRevisit;
  *pullLast = g_stmt.ullLastRevisit;
  *pulLongest = g_stmt.ulLongest;
}

void vStmtLastWaiting(uint64_t *pullLast, uint32_t ulCounters)
{
  const auto *pull = static_cast<const uint64_t *>(g_stmt.waits.pData);
  for (uint32_t i = 0; i < ulCounters && i < g_stmt.ulWaits; i++) pullLast[i] = pull[i];
}

void vStmtDiagOnly(const MSGDEF &msg)
{
  vStmtStart();
  vHeadPut32(STMT_SRCID, g_asm.ulSrcId);
  vHeadPut32(STMT_LINE, g_asm.ulSrcLine);
  vHeadPut32(STMT_RECORDS, 1);
  pHead()[STMT_PRINT] = 0;
  iStmtMsg(msg);
  bStmtFinish();
}

namespace {

/* A record to revisit waits for a location counter; the resolution passes
   want the last such record of each counter. */
void vNoteWaiting(uint32_t ulCounter, uint64_t ullPos)
{
  if (ulCounter >= g_stmt.ulWaits) {
    auto *pull =
        static_cast<uint64_t *>(GB_ENSURE(&g_stmt.waits, (static_cast<size_t>(ulCounter) + 1) * sizeof(uint64_t)));
    std::fill(pull + g_stmt.ulWaits, pull + ulCounter + 1, ~uint64_t{0});
    g_stmt.ulWaits = ulCounter + 1;
  }
  static_cast<uint64_t *>(g_stmt.waits.pData)[ulCounter] = ullPos;
}

} // namespace

bool bStmtFinish()
{
  vStmtFlushTail();
  uint16_t usFlags = usStmtFlags();
  uint32_t ulNumber = ulGet32(pHead() + STMT_NUMBER);
  bool bEnd = false;
  if (usFlags & SF_ERROR) {
    vStmtClearFlags(SF_REVISIT | SF_PHASE2);
  } else {
    bEnd = bIsInstruction(pStmtEntry(), INSTR_END);
  }
  usFlags = usStmtFlags();
  if (!g_stmt.bUnnumbered) g_stmt.ulNext++;
  g_stmt.bUnnumbered = false;
  if (g_rec.ulLength == 0) return bEnd; /* nothing to keep of this statement */
  if (g_frames.ulOpened != 0 && bFirstPhase() &&
      (g_frames.vecRecords.empty() || g_frames.vecRecords.back().ulStmt != ulNumber))
    g_frames.vecRecords.push_back({ulNumber, g_frames.ulOpened, g_frames.ulOpenedOrdinal});
  if (usFlags & SF_REVISIT) {
    uint64_t ullPos = static_cast<uint64_t>(lWorkTell(WORK_SYSUT1));
    auto *pullPositions = static_cast<uint64_t *>(
        GB_ROOM(&g_stmt.revisits, (static_cast<size_t>(g_stmt.ulRevisit) + 1) * sizeof(uint64_t)));
    pullPositions[g_stmt.ulRevisit] = ullPos;
    if (g_stmt.ulRevisit++ == 0) g_stmt.ullFirstRevisit = ullPos;
    g_stmt.ullLastRevisit = ullPos;
    if (g_rec.ulLength > g_stmt.ulLongest) g_stmt.ulLongest = g_rec.ulLength;
    int32_t lCounter =
        lWaitsForCounter(usFlags, static_cast<int32_t>(ulGet32(pHead() + STMT_SECTION)), g_stmt.ulCounters);
    if (lCounter >= 0) vNoteWaiting(static_cast<uint32_t>(lCounter), ullPos);
    if (bTraceOn(TRACE_UPDATE)) /* (a call per statement costs even with tracing off) */
      vSvcTrace(TRACE_UPDATE, "Statement %lu:%.4X (unresolved)", static_cast<unsigned long>(ulNumber), usFlags);
  } else if (bTraceOn(TRACE_STORE)) {
    vSvcTrace(TRACE_STORE, "Statement %lu:%.4X", static_cast<unsigned long>(ulNumber), usFlags);
  }
  VORN_INVARIANT(g_rec.ulLength >= STMT_HEAD && ulGet32(pHead()) == g_rec.ulLength);
  VORN_INVARIANT(pStmtEachSub([](uint8_t, const uint8_t *, uint32_t) { return false; }) == nullptr);
  ulStmtSequence(); /* a pending sequence field becomes its handle now that the record is kept */
  vWorkWrite(pHead(), 1, g_rec.ulLength, WORK_SYSUT1);
  return bEnd;
}

void vStmtListLine(const char *pszLine) { iStmtDiag(0, DIAG_LIST_LINE, 0, 0, pszLine); }

void vStmtUnnumbered() { g_stmt.bUnnumbered = true; }

void vStmtHandlersRunning(bool bRunning) { g_stmt.bHandlers = bRunning; }
bool bStmtTailEmpty() { return g_stmt.ulTailCount == 0; }
void vStmtCounters(uint32_t ulCounters) { g_stmt.ulCounters = ulCounters; }
int32_t lResolvePass() { return g_stmt.lPass; }
void vStmtSetPass(int32_t lPass) { g_stmt.lPass = lPass; }

LISTADDRS &rStmtListAddresses()
{
  static LISTADDRS s_addrs; /* one statement's at a time */
  return s_addrs;
}
