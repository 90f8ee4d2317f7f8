/*
** fix1.cpp - the address resolution passes (module "fix1").
**
** Calls: esd1, instr, lbl, stmt.
** Called by: asm1.
**
** Owns the pass and cycle counters, the work-file window of the records
** still to revisit and the table of statements that block the folding of a
** location counter.
**
** Notes on the design:
**  - A pass reads only the records that still carried flag 0x4000 after the
**    previous pass, in order, from the list of their positions: it seeks
**    only where the next of them does not follow the one read last.
**  - Before a handler runs again the record's flag 0x4000 is cleared; a
**    handler that still cannot settle the statement sets it again.  A record
**    is rewritten when any of its bytes changed.
**  - A final pass reports "Statement could not be resolved." on what is left,
**    which puts the statement in error and ends its revisiting; a counter it
**    blocked is released, so the cycles always end.  A cycle that makes no
**    progress at all is followed by the last kind of final pass (-2), which
**    leaves nothing unresolved.
**  - A location counter is folded within an ordinary pass as soon as the last
**    record waiting on it is placed, provided none of its records was left
**    waiting in that pass; the counter after it becomes usable at once, so
**    a chain of LOCTR counters whose statements follow one another settles
**    in one pass.  A counter made usable behind records of it that already
**    waited goes back to waiting until the fold between passes.
*/
#define MEM_MODULE "fix1"

#include "fix1.h"

#include <cstring>
#include <utility>

#include "esd1.h"
#include "expr.h"
#include "gen1.h"
#include "instr.h"
#include "lbl.h"
#include "mem.h"
#include "opt.h"
#include "temp.h"
#include "vorn.h"
#include "work.h"
#include "svc.h"

namespace {

enum FIXMSG { MSG_UNRESOLVED, MSG_COUNT };
const MSGDEF c_aMsg[] = {
    {109, 12, "Statement could not be resolved."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

struct FIXSTATE {
  uint32_t ulCycle;
  uint64_t ullFirst, ullLast; /* window: first and last record to revisit */
  GROWBUF positions;          /* position of every record to revisit, in order */
  GROWBUF nextPositions;      /* the same, found for the next pass (both on the
                                 heap: unregistered, so they may be swapped) */
  uint32_t ulCount;           /* records still to revisit */
  uint64_t ullRecord;         /* position of the record in hand */
  GROWBUF blocking;           /* statements blocking a fold */
  uint32_t ulBlocking;
  bool bBlockingDone; /* pass -1: the first blocking record was taken */
  bool bFoldComplete;
  uint64_t ullProgress;    /* grows with every fold step and rewrite */
  GROWBUF before;          /* the record as read */
  GROWBUF lastWait;        /* per counter: last record waiting on it, this pass */
  GROWBUF nextWait;        /* the same, found for the next pass */
  GROWBUF stuck;           /* per counter: a record of it still waits */
  uint32_t ulRecordLength; /* of the record in hand as read */
};
FIXSTATE g_fix = {0,
                  0,
                  0,
                  {SP_HEAP, 1, 0, nullptr, nullptr},
                  {SP_HEAP, 1, 0, nullptr, nullptr},
                  0,
                  0,
                  {SP_HEAP, 0, 0, nullptr, nullptr},
                  0,
                  false,
                  false,
                  0,
                  {SP_HEAP, 0, 0, nullptr, nullptr},
                  {SP_HEAP, 0, 0, nullptr, nullptr},
                  {SP_HEAP, 0, 0, nullptr, nullptr},
                  {SP_HEAP, 0, 0, nullptr, nullptr},
                  0};

constexpr uint64_t NO_RECORD = ~0ull;

uint64_t *pullWait(GROWBUF &gb) { return static_cast<uint64_t *>(gb.pData); }

/* Records a pass reads ahead of the one in hand: they lie scattered over
   the work file. */
constexpr uint32_t PREFETCH_AHEAD = 4;

/* Reads the record at a position; in sequence, without a seek, when it is
   the one after the record read last, which ended at ullAfter. */
uint32_t ulReadAt(uint64_t ullPos, uint64_t ullAfter)
{
  if (ullPos != ullAfter) lStmtFirst(ullPos);
  return lStmtNext(0);
}

/* The counter a record waits on, or -1. */
int32_t lWaitingOn(const uint8_t *p)
{
  STMTVIEW v = viewOfRecord(p);
  return lWaitsForCounter(v.usFlags, v.lSection, ulLocCounterCount());
}

/* Room for the per-counter tables; nextWait emptied. */
void vWaitTablesReset()
{
  size_t ulCounters = ulLocCounterCount() + 1;
  GB_ENSURE(&g_fix.lastWait, ulCounters * sizeof(uint64_t));
  GB_ENSURE(&g_fix.nextWait, ulCounters * sizeof(uint64_t));
  GB_ENSURE(&g_fix.stuck, ulCounters);
  std::memset(g_fix.nextWait.pData, 0xFF, ulCounters * sizeof(uint64_t));
  std::memset(g_fix.stuck.pData, 0, ulCounters);
}

/* Before the first pass: the last record of the window waiting on each
   counter. */
void vWaitTablesStart()
{
  vWaitTablesReset();
  vStmtLastWaiting(pullWait(g_fix.nextWait), ulLocCounterCount());
}

/* A record of an ordinary pass was handled: once the last record waiting on
   a counter is placed and none of the counter's records still waits, the
   counter is complete and is folded now, so the counters after it settle in
   the same pass. */
void vFoldPlaced(int32_t lCounter)
{
  uint8_t *pbStuck = static_cast<uint8_t *>(g_fix.stuck.pData);
  if (lCounter < 0 || pullWait(g_fix.lastWait)[lCounter] != g_fix.ullRecord || pbStuck[lCounter]) return;
  while (bFoldCounter(lCounter)) {
    g_fix.ullProgress++;
    lCounter = pLocCounter(lCounter)->lNext;
    if (lCounter < 0) return;
    /* records of the next one that this pass already left waiting are
       placed by the next pass: until then the counter must not fold */
    if (pbStuck[lCounter]) {
      pLocCounter(lCounter)->bWaiting = true;
      return;
    }
    /* its records ahead are placed as they come, the last one folds it */
    if (pullWait(g_fix.lastWait)[lCounter] != NO_RECORD) return;
  }
}

void vFold()
{
  uint32_t ulRoom = ulLocCounterCount() + 1;
  uint32_t *pul = static_cast<uint32_t *>(GB_ENSURE(&g_fix.blocking, static_cast<size_t>(ulRoom) * sizeof(uint32_t)));
  uint32_t ulBefore = g_fix.ulBlocking;
  g_fix.ulBlocking = 0;
  bool bWasComplete = g_fix.bFoldComplete;
  /* progress: any counter folded or made usable */
  auto ullState = [] {
    uint64_t ull = 0;
    for (uint32_t i = 0; i < ulLocCounterCount(); i++) {
      const LOCCTR *c = pLocCounter(static_cast<int32_t>(i));
      ull += (c->bFolded ? 2u : 0u) + (c->bWaiting ? 0u : 1u);
    }
    return ull;
  };
  uint64_t ullBefore = ullState();
  g_fix.bFoldComplete = bFoldCounters(pul, ulRoom, &g_fix.ulBlocking);
  if (ullState() != ullBefore || bWasComplete != g_fix.bFoldComplete || ulBefore != g_fix.ulBlocking)
    g_fix.ullProgress++;
}

bool bBlocking(uint32_t ulStmt)
{
  const uint32_t *pul = static_cast<const uint32_t *>(g_fix.blocking.pData);
  for (uint32_t i = 0; i < g_fix.ulBlocking; i++)
    if (pul[i] == ulStmt) return true;
  return false;
}

/* The first-phase work of the record in hand, once more. */
void vReprocess(const OPENTRY *pEntry)
{
  uint32_t ulLabel = 0;
  const uint8_t *pLabel = nullptr, *pFirst = nullptr;
  int iOperands = iStmtLocate(&ulLabel, &pLabel, &pFirst);
  PFNINSTR pfn = pEntry->bKind == OPK_MACHINE ? nullptr : rInstrRow(pEntry->abOps[2]).pfnRerun;
  if (pfn != nullptr)
    pfn(INSTRARGS{nullptr, pEntry, iOperands, ulLabel, pLabel, pFirst, nullptr, true});
  else
    vDefineLabel(ulLabel, pLabel, iOperands, pFirst);
}

/* Whether a pass -1 takes the record in hand. */
bool bFinalCandidate(uint8_t bNumber, bool bMachine, uint16_t usFlags, uint32_t ulStmt)
{
  if (bBlocking(ulStmt) && !g_fix.bBlockingDone) {
    g_fix.bBlockingDone = true;
    return true;
  }
  if (!bMachine && (rInstrRow(bNumber).bFlags & IR_WAITS)) return false;
  return (usFlags & SF_UNASSIGNED) == 0;
}

} // namespace

void vStmtRewrite()
{
  uint16_t usFlags = usStmtFlags();
  if (usFlags & SF_ERROR) {
    vStmtInError();
    usFlags = usStmtFlags();
  }
  vSvcTrace(TRACE_UPDATE, "Update: %.4X%s", usFlags, (usFlags & SF_REVISIT) ? " (unresolved)" : "");
  /* a record is rewritten where it stands: it must keep its size */
  VORN_INVARIANT(g_rec.ulLength == g_fix.ulRecordLength && ulGet32(pRecord()) == g_rec.ulLength);
  int64_t lHere = lWorkTell(WORK_SYSUT1);
  vWorkSeek(WORK_SYSUT1, static_cast<int64_t>(g_fix.ullRecord), 0);
  vWorkWrite(pRecord(), 1, g_rec.ulLength, WORK_SYSUT1);
  vWorkSeek(WORK_SYSUT1, lHere, 0);
}

uint32_t iResolvePass()
{
  vSvcTrace(TRACE_PHASE, "Entering address resolution pass %lu:%ld for %lu statements ...",
            static_cast<unsigned long>(g_fix.ulCycle), static_cast<long>(lResolvePass()),
            static_cast<unsigned long>(g_fix.ulCount));
  [[maybe_unused]] uint64_t ullLast = g_fix.ullLast;
  uint32_t ulRecords = g_fix.ulCount;
  size_t ulWaitBytes = (ulLocCounterCount() + 1) * sizeof(uint64_t);
  GB_ENSURE(&g_fix.lastWait, ulWaitBytes);
  std::memcpy(g_fix.lastWait.pData, GB_ENSURE(&g_fix.nextWait, ulWaitBytes), ulWaitBytes);
  vWaitTablesReset();
  g_fix.ulCount = 0;
  g_fix.bBlockingDone = false;
  uint32_t ulUpdated = 0;
  GB_ENSURE(&g_fix.nextPositions, (static_cast<size_t>(ulRecords) + 1) * sizeof(uint64_t));
  const uint64_t *pullPositions = pullWait(g_fix.positions);
  uint64_t ullAfter = NO_RECORD;
  for (uint32_t i = 0; i < ulRecords; i++) {
    uint64_t ullPos = pullPositions[i];
    if (i + PREFETCH_AHEAD < ulRecords) vWorkPrefetch(WORK_SYSUT1, pullPositions[i + PREFETCH_AHEAD]);
    uint32_t ulLength = ulReadAt(ullPos, ullAfter);
    VORN_INVARIANT(ulLength >= STMT_HEAD); /* the list holds records only */
    if (ulLength < STMT_HEAD) break;
    g_fix.ullRecord = ullPos;
    g_fix.ulRecordLength = ulLength;
    ullAfter = ullPos + ulLength;
    uint8_t *p = pRecord();
    uint16_t usFlags = usStmtFlags();
    if (!(usFlags & SF_REVISIT)) continue;
    uint32_t ulStmt = g_asm.ulStmtNo; /* of the record just read */
    const OPENTRY *pEntry = pStmtEntry();
    bool bMachine = pEntry != nullptr && pEntry->bKind == OPK_MACHINE;
    uint8_t bNumber = bInstructionNumber(pEntry);
    bool bTake = pEntry != nullptr && (lResolvePass() != -1 || bFinalCandidate(bNumber, bMachine, usFlags, ulStmt));
    if (bTake) {
      vSvcTrace(TRACE_UPDATE, "%lu:%.4X %s %lu", static_cast<unsigned long>(ulStmt), usFlags,
                g_asm.pszSrcName != nullptr ? g_asm.pszSrcName : "", static_cast<unsigned long>(g_asm.ulSrcLine));
      uint8_t *pBefore = static_cast<uint8_t *>(GB_ENSURE(&g_fix.before, ulLength));
      std::memcpy(pBefore, p, ulLength);
      int32_t lCounter = lWaitingOn(p);
      vStmtClearFlags(SF_REVISIT);
      vReprocess(pEntry);
      p = pRecord();
      if (lCounter >= 0 && lWaitingOn(p) >= 0) static_cast<uint8_t *>(g_fix.stuck.pData)[lCounter] = 1;
      if ((usStmtFlags() & SF_REVISIT) && lResolvePass() < 0 && !(usStmtFlags() & SF_ERROR)) {
        if (usStmtFlags() & SF_UNASSIGNED) vCounterRelease(lStmtSection(), ulStmt);
        iStmtMsg(c_aMsg[MSG_UNRESOLVED]);
        vStmtSetFlags(SF_ERROR);
      }
      if (usStmtFlags() & SF_ERROR) vStmtClearFlags(SF_REVISIT | SF_PHASE2);
      if (std::memcmp(pBefore, p, ulLength) != 0) {
        vStmtRewrite();
        ulUpdated++;
        g_fix.ullProgress++;
      }
      if (lResolvePass() > 0) vFoldPlaced(lCounter);
    } else if (pEntry == nullptr) {
      /* nothing can settle it: end its revisiting */
      vStmtClearFlags(SF_REVISIT);
      vStmtRewrite();
      ulUpdated++;
    }
    if (usStmtFlags() & SF_REVISIT) {
      pullWait(g_fix.nextPositions)[g_fix.ulCount] = g_fix.ullRecord;
      if (g_fix.ulCount++ == 0) g_fix.ullFirst = g_fix.ullRecord;
      g_fix.ullLast = g_fix.ullRecord;
      int32_t lWaiting = lWaitingOn(pRecord());
      if (lWaiting >= 0) {
        pullWait(g_fix.nextWait)[lWaiting] = g_fix.ullRecord;
        static_cast<uint8_t *>(g_fix.stuck.pData)[lWaiting] = 1;
      }
    }
  }
  VORN_INVARIANT(g_fix.ullRecord == ullLast); /* the window ends on a record */
  std::swap(g_fix.positions, g_fix.nextPositions);
  return ulUpdated;
}

void vResolveAddresses()
{
  uint32_t ulLongest = 0;
  vStmtRevisitWindow(&g_fix.ulCount, &g_fix.ullFirst, &g_fix.ullLast, &ulLongest, &g_fix.positions);
  if (g_fix.ulCount == 0) {
    GB_FREE(&g_fix.positions);
    return;
  }
  char cStep = g_asm.cStep;
  vPhaseSet('1', 'R');
  GB_ENSURE(&g_fix.before, ulLongest + 4);
  g_fix.ulBlocking = 0;
  g_fix.bFoldComplete = false;
  g_fix.ullProgress = 0;
  vWaitTablesStart();
  vFold();
  /* an ordinary pass that rewrites something may be followed by another,
     but not without end */
  uint32_t ulPassLimit = 64 + 2 * ulLocCounterCount();
  g_fix.ulCycle = 1;
  while (g_fix.ulCount > 0) {
    uint64_t ullProgress = g_fix.ullProgress;
    vStmtSetPass(1);
    for (;;) {
      uint32_t ulUpdated = iResolvePass();
      if (ulUpdated == 0 || g_fix.ulCount == 0 || static_cast<uint32_t>(lResolvePass()) >= ulPassLimit) break;
      vFold();
      vStmtSetPass(lResolvePass() + 1);
    }
    if (g_fix.ulCount > 0) {
      bool bStalled = g_fix.ullProgress == ullProgress && g_fix.ulCycle > 1;
      if (g_fix.bFoldComplete || bStalled) {
        vStmtSetPass(-2);
      } else {
        vFold();
        vStmtSetPass(-1);
      }
      iResolvePass();
      if (lResolvePass() == -1) vFold();
    }
    g_fix.ulCycle++;
  }
  vStmtSetPass(0);
  g_fix.ulBlocking = 0;
  GB_FREE(&g_fix.blocking);
  GB_FREE(&g_fix.positions);
  GB_FREE(&g_fix.nextPositions);
  GB_FREE(&g_fix.before);
  GB_FREE(&g_fix.lastWait);
  GB_FREE(&g_fix.nextWait);
  GB_FREE(&g_fix.stuck);
  vPhaseSet('1', cStep);
}
