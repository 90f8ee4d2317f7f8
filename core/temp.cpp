/*
** temp.cpp - raw work files held in memory with spill to disk (module "temp").
**
** Calls: the services only.
** Called by: every layer above.
**
** Owns the two WORKFILE entries and the memory budget.
**
** Notes on the design:
**  - Bytes 0 .. memory-1 of a file live in its chunks; byte p at or beyond the
**    memory boundary lives at offset p - memory of the disk file.  Once a file
**    has spilled its memory does not grow again until it is closed.
**  - A file grows by one chunk, or by as many as a write needs but at most the
**    number already held by both files (memory at most doubles) and never past
**    the budget; when it cannot take all it needs it spills.  A file that
**    holds WORK_GROUP chunks takes at least that many at once (within the
**    budget): one piece of a huge page, which the storage layer maps as such.
**  - The disk part is read and written at explicit offsets (pread/pwrite), so
**    reads and writes can alternate freely.  Small transfers go through one
**    fixed window per file (DISK_WINDOW bytes, outside the budget): it holds
**    a copy of a stretch of the disk part, filled when a transfer falls
**    outside it, and collects writes (its dirty range) until it moves, a
**    read needs bytes of the disk not in it, or a transfer bypasses it.  The
**    window is flushed before it moves or the disk is touched directly, so
**    disk and window never disagree about a byte that is read.  Every byte
**    of the file below its size was written: beyond the flushed end of the
**    disk it can lie only in the window.
**  - The disk file is unlinked as soon as it is created: nothing is left in
**    the temporary directory, whatever way the run ends.  It stays open until
**    the work file is deleted and is reused by a later spill after a close
**    without delete.
*/
#include "temp.h"

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "file.h"
#include "mem.h"
#include "vorn.h"
#include "svc.h"

#define MEM_MODULE "temp"

WORKFILE g_aWork[WORK_FILES] = {{-1, nullptr, 0, 0, 0, 0, {}, 0}, {-1, nullptr, 0, 0, 0, 0, {}, 0}};

namespace {

constexpr uint64_t DISK_WINDOW = 65536; /* a spilled file costs a system call per 64 KiB */
/* chunks a file that holds as many takes at once: a huge page */
constexpr uint64_t WORK_GROUP = 32;

/* The window over the disk part of a file; offsets are disk offsets. */
struct DISKWINDOW {
  uint64_t ulStart;      /* disk offset of byte 0 of the window */
  uint64_t ulLength;     /* bytes the window covers (0: none) */
  uint64_t ulDirtyStart; /* written bytes not yet on disk: ulDirtyStart .. */
  uint64_t ulDirtyEnd;   /* ... ulDirtyEnd-1, relative to ulStart (empty: equal) */
  uint64_t ulDiskEnd;    /* bytes of the disk file written so far */
  uint8_t ab[DISK_WINDOW];
};

DISKWINDOW g_aWindow[WORK_FILES];

constexpr unsigned LINE_CHUNK_ARRAY = 382;
constexpr unsigned LINE_CHUNKS = 388;
constexpr unsigned LINE_CHUNK_ARRAY_FREE = 240;
constexpr uint64_t BUDGET_MAX = 4294967295ull / WORK_CHUNK * WORK_CHUNK;

uint64_t g_ulBudget = BUDGET_MAX;

[[noreturn]] void vWorkError(int iFile, const char *pszVerb, const char *pszText)
{
  WORKFILE &w = g_aWork[iFile];
  if (w.szName[0] != '\0')
    vSvcMessage("KZM900S Error %sing work file %d (%s): %s", pszVerb, iFile, w.szName, pszText);
  else
    vSvcMessage("KZM900S Error %sing work file %d: %s", pszVerb, iFile, pszText);
  if (w.iFd >= 0) close(w.iFd);
  w.iFd = -1;
  w.szName[0] = '\0';
  w.ulState = 0;
  vSvcTerminate();
}

const char *pszErrno(int iErr) { return iErr != 0 ? std::strerror(iErr) : "Unexpected end of file"; }

void vTakeChunks(int iFile, uint64_t ulCount)
{
  WORKFILE &w = g_aWork[iFile];
  uint64_t ulHeld = w.ulMemory / WORK_CHUNK;
  uint64_t ulSlots = w.ulChunkSlots;
  while (ulSlots < ulHeld + ulCount) ulSlots += 16;
  if (ulSlots != w.ulChunkSlots) {
    w.papChunks = static_cast<uint8_t **>(pSubpoolRealloc(SP_RUN, w.papChunks, w.ulChunkSlots * sizeof(uint8_t *),
                                                          ulSlots * sizeof(uint8_t *), "temp", LINE_CHUNK_ARRAY));
    w.ulChunkSlots = static_cast<uint32_t>(ulSlots);
  }
  uint8_t *pPiece =
      static_cast<uint8_t *>(pSubpoolAllocUncleared(SP_WORK0 + iFile, ulCount * WORK_CHUNK, "temp", LINE_CHUNKS));
  for (uint64_t k = 0; k < ulCount; k++) w.papChunks[ulHeld + k] = pPiece + k * WORK_CHUNK;
  w.ulMemory += ulCount * WORK_CHUNK;
}

/* pwrite/pread of n bytes at disk offset d, checked. */
void vDiskWrite(int iFile, const uint8_t *p, uint64_t n, uint64_t d)
{
  WORKFILE &w = g_aWork[iFile];
  DISKWINDOW &win = g_aWindow[iFile];
  while (n > 0) {
    ssize_t lDone = pwrite(w.iFd, p, n, static_cast<off_t>(d));
    if (lDone <= 0) vWorkError(iFile, "writ", lDone < 0 ? std::strerror(errno) : std::strerror(ENOSPC));
    p += lDone;
    d += static_cast<uint64_t>(lDone);
    n -= static_cast<uint64_t>(lDone);
  }
  if (d > win.ulDiskEnd) win.ulDiskEnd = d;
}

void vDiskRead(int iFile, uint8_t *p, uint64_t n, uint64_t d)
{
  WORKFILE &w = g_aWork[iFile];
  while (n > 0) {
    errno = 0;
    ssize_t lDone = w.iFd >= 0 ? pread(w.iFd, p, n, static_cast<off_t>(d)) : -1;
    if (lDone <= 0) vWorkError(iFile, "read", pszErrno(lDone < 0 ? errno : 0));
    p += lDone;
    d += static_cast<uint64_t>(lDone);
    n -= static_cast<uint64_t>(lDone);
  }
}

void vWindowFlush(int iFile)
{
  DISKWINDOW &win = g_aWindow[iFile];
  if (win.ulDirtyEnd > win.ulDirtyStart) {
    uint64_t ulFrom = win.ulDirtyStart, ulTo = win.ulDirtyEnd;
    win.ulDirtyStart = win.ulDirtyEnd = 0; /* a failing write leaves nothing to flush again */
    vDiskWrite(iFile, win.ab + ulFrom, ulTo - ulFrom, win.ulStart + ulFrom);
  }
}

/* Places the window so that it covers disk bytes d .. d+n-1 (n at most
   DISK_WINDOW), filled with what the disk holds there. */
void vWindowCover(int iFile, uint64_t d, uint64_t n)
{
  DISKWINDOW &win = g_aWindow[iFile];
  if (d >= win.ulStart && d + n <= win.ulStart + win.ulLength) return;
  vWindowFlush(iFile);
  win.ulStart = d;
  win.ulLength = DISK_WINDOW;
  if (d < win.ulDiskEnd) vDiskRead(iFile, win.ab, std::min(DISK_WINDOW, win.ulDiskEnd - d), d);
}

/* Transfers n bytes at disk offset d through the window or, when they are
   too many for it, directly. */
void vDiskTransfer(int iFile, uint8_t *pRead, const uint8_t *pWrite, uint64_t n, uint64_t d)
{
  DISKWINDOW &win = g_aWindow[iFile];
  if (n > DISK_WINDOW) {
    vWindowFlush(iFile);
    win.ulLength = 0;
    if (pWrite != nullptr)
      vDiskWrite(iFile, pWrite, n, d);
    else
      vDiskRead(iFile, pRead, n, d);
    return;
  }
  vWindowCover(iFile, d, n);
  uint64_t ulOff = d - win.ulStart;
  if (pRead != nullptr) {
    std::memcpy(pRead, win.ab + ulOff, n);
    return;
  }
  std::memcpy(win.ab + ulOff, pWrite, n);
  if (win.ulDirtyEnd == win.ulDirtyStart) {
    win.ulDirtyStart = ulOff;
    win.ulDirtyEnd = ulOff + n;
  } else {
    win.ulDirtyStart = std::min(win.ulDirtyStart, ulOff);
    win.ulDirtyEnd = std::max(win.ulDirtyEnd, ulOff + n);
  }
}

void vSpill(int iFile)
{
  WORKFILE &w = g_aWork[iFile];
  w.ulState |= WORK_SPILLED;
  if (w.iFd >= 0) {
    vSvcTrace(TRACE_FILES, "Work file %d (%s) rewound.", iFile, w.szName);
    return;
  }
  vFrontPoll();
  const char *pszDir = std::getenv("TMPDIR");
  if (pszDir == nullptr || *pszDir == '\0') pszDir = "/tmp";
  std::snprintf(w.szName, sizeof w.szName, "%s/vornut%dXXXXXX", pszDir, iFile);
  int iFd = -1, iErr = 0;
  {
    CleanupSignalsHeld held; /* no signal between the making and the removal leaves the file behind */
    iFd = mkstemp(w.szName);
    iErr = errno;
    if (iFd >= 0) unlink(w.szName);
  }
  if (iFd < 0) vWorkError(iFile, "open", std::strerror(iErr));
  w.iFd = iFd;
  DISKWINDOW &win = g_aWindow[iFile];
  win.ulLength = win.ulDirtyStart = win.ulDirtyEnd = win.ulDiskEnd = 0;
  w.ulState |= WORK_CREATED;
  if (bTraceOn(TRACE_FILES))
    vSvcTrace(TRACE_FILES, "Work file %d (%s) opened.", iFile, w.szName);
  else
    vFrontPoll();
}

/* Makes room for a write that ends at e beyond the memory of an unspilled file. */
void vGrow(int iFile, uint64_t e)
{
  WORKFILE &w = g_aWork[iFile];
  uint64_t m = w.ulMemory;
  uint64_t ulSum = g_aWork[0].ulMemory + g_aWork[1].ulMemory;
  bool bSpill = true;
  if (ulSum < g_ulBudget) {
    uint64_t u = e - m <= WORK_CHUNK ? 1 : (e - m + WORK_CHUNK - 1) / WORK_CHUNK;
    uint64_t ulTake = u;
    if (u > 1 && ulTake > ulSum / WORK_CHUNK) ulTake = ulSum / WORK_CHUNK;
    if (m / WORK_CHUNK >= WORK_GROUP && ulTake < WORK_GROUP) ulTake = WORK_GROUP;
    if (ulTake > (g_ulBudget - ulSum) / WORK_CHUNK) ulTake = (g_ulBudget - ulSum) / WORK_CHUNK;
    if (ulTake < 1) ulTake = 1;
    vTakeChunks(iFile, ulTake);
    bSpill = ulTake < u;
  }
  if (bSpill) vSpill(iFile);
}

} // namespace

uint64_t ulWorkBudget() { return g_ulBudget; }

void vWorkSetMemory(uint64_t ulRequest)
{
  g_ulBudget = ulRequest / WORK_CHUNK * WORK_CHUNK;
  vSvcTrace(TRACE_FILES, "Temporary work file memory set to %lu.", static_cast<unsigned long>(g_ulBudget));
}

int64_t lWorkTell(int iFile)
{
  vSvcTrace(TRACE_IO, "tell(%d): %lu", iFile, static_cast<unsigned long>(g_aWork[iFile].ulPos));
  return static_cast<int64_t>(g_aWork[iFile].ulPos);
}

int64_t vWorkSeek(int iFile, int64_t lOffset, int iOrigin)
{
  WORKFILE &w = g_aWork[iFile];
  int64_t lTarget = -1;
  if (iOrigin == 0)
    lTarget = lOffset;
  else if (iOrigin == 1)
    lTarget = static_cast<int64_t>(w.ulPos) + lOffset;
  else if (iOrigin == 2)
    lTarget = static_cast<int64_t>(w.ulSize) + lOffset;
  if (lTarget < 0 || static_cast<uint64_t>(lTarget) > w.ulSize) vWorkError(iFile, "seek", "Seek outside of file");
  w.ulPos = static_cast<uint64_t>(lTarget);
  if ((w.ulState & WORK_SPILLED) && w.ulPos >= w.ulMemory)
    vSvcTrace(TRACE_IO, "seek(%d,%ld,%d): fseek(%s,%ld,SEEK_SET)", iFile, static_cast<long>(lOffset), iOrigin, w.szName,
              static_cast<long>(w.ulPos - w.ulMemory));
  else
    vSvcTrace(TRACE_IO, "seek(%d,%ld,%d)", iFile, static_cast<long>(lOffset), iOrigin);
  return lTarget;
}

void vWorkWrite(const void *pSrc, size_t ulSize, size_t ulCount, int iFile)
{
  WORKFILE &w = g_aWork[iFile];
  if (bTraceOn(TRACE_IO))
    vSvcTrace(TRACE_IO, "write(*,%d,%d,%d) from %lu", static_cast<int>(ulSize), static_cast<int>(ulCount), iFile,
              static_cast<unsigned long>(w.ulPos));
  uint64_t n = static_cast<uint64_t>(ulSize) * ulCount;
  uint64_t e = w.ulPos + n;
  if (e > w.ulSize) {
    if (!(w.ulState & WORK_SPILLED) && e > w.ulMemory) vGrow(iFile, e);
    w.ulSize = e;
  }
  const uint8_t *p = static_cast<const uint8_t *>(pSrc);
  uint64_t ulPos = w.ulPos;
  /* most writes lie within one chunk */
  if (uint64_t ulOff = ulPos % WORK_CHUNK; e <= w.ulMemory && ulOff + n <= WORK_CHUNK) {
    std::memcpy(w.papChunks[ulPos / WORK_CHUNK] + ulOff, p, n);
    w.ulPos = e;
    vFrontPoll();
    return;
  }
  while (n > 0 && ulPos < w.ulMemory) {
    uint64_t ulOff = ulPos % WORK_CHUNK;
    uint64_t ulPart = WORK_CHUNK - ulOff;
    if (ulPart > n) ulPart = n;
    if (ulPart > w.ulMemory - ulPos) ulPart = w.ulMemory - ulPos;
    std::memcpy(w.papChunks[ulPos / WORK_CHUNK] + ulOff, p, ulPart);
    p += ulPart;
    ulPos += ulPart;
    n -= ulPart;
  }
  if (n > 0) vDiskTransfer(iFile, nullptr, p, n, ulPos - w.ulMemory);
  w.ulPos = e;
  vFrontPoll();
}

void vWorkRead(void *pDest, size_t ulSize, size_t ulCount, int iFile)
{
  WORKFILE &w = g_aWork[iFile];
  if (bTraceOn(TRACE_IO))
    vSvcTrace(TRACE_IO, "read(*,%d,%d,%d) from %lu", static_cast<int>(ulSize), static_cast<int>(ulCount), iFile,
              static_cast<unsigned long>(w.ulPos));
  uint64_t n = static_cast<uint64_t>(ulSize) * ulCount;
  if (w.ulPos + n > w.ulSize) vWorkError(iFile, "read", "Read past end of file");
  uint8_t *p = static_cast<uint8_t *>(pDest);
  uint64_t ulPos = w.ulPos;
  /* most reads lie within one chunk */
  if (uint64_t ulOff = ulPos % WORK_CHUNK; ulPos + n <= w.ulMemory && ulOff + n <= WORK_CHUNK) {
    std::memcpy(p, w.papChunks[ulPos / WORK_CHUNK] + ulOff, n);
    w.ulPos = ulPos + n;
    vFrontPoll();
    return;
  }
  while (n > 0 && ulPos < w.ulMemory) {
    uint64_t ulOff = ulPos % WORK_CHUNK;
    uint64_t ulPart = WORK_CHUNK - ulOff;
    if (ulPart > n) ulPart = n;
    if (ulPart > w.ulMemory - ulPos) ulPart = w.ulMemory - ulPos;
    std::memcpy(p, w.papChunks[ulPos / WORK_CHUNK] + ulOff, ulPart);
    p += ulPart;
    ulPos += ulPart;
    n -= ulPart;
  }
  if (n > 0) vDiskTransfer(iFile, p, nullptr, n, ulPos - w.ulMemory);
  w.ulPos = ulPos + n;
  vFrontPoll();
}

void vWorkPrefetch(int iFile, uint64_t ulPos)
{
  const WORKFILE &w = g_aWork[iFile];
  if (ulPos >= w.ulMemory) return;
  const uint8_t *p = w.papChunks[ulPos / WORK_CHUNK] + ulPos % WORK_CHUNK;
  __builtin_prefetch(p);
  __builtin_prefetch(p + 64);
}

uint64_t lWorkClose(int iFile, bool bDelete)
{
  WORKFILE &w = g_aWork[iFile];
  if (w.iFd < 0 && w.papChunks == nullptr && w.ulMemory == 0) {
    w.ulPos = w.ulSize = 0;
    return 0;
  }
  if (bTraceOn(TRACE_FILES)) {
    if (w.ulState & WORK_SPILLED)
      vSvcTrace(TRACE_FILES, "Work file %d (%s) %sed; memory: %lu bytes; size: %ld bytes.", iFile, w.szName,
                bDelete ? "delet" : "clos", static_cast<unsigned long>(w.ulMemory), static_cast<long>(w.ulSize));
    else if (bDelete && w.iFd >= 0)
      vSvcTrace(TRACE_FILES, "Work file %d (%s) deleted; size: %lu bytes.", iFile, w.szName,
                static_cast<unsigned long>(w.ulSize));
    else
      vSvcTrace(TRACE_FILES, "Work file %d closed; size: %lu bytes", iFile, static_cast<unsigned long>(w.ulSize));
  }
  if (bDelete && w.iFd >= 0) {
    vFrontPoll();
    close(w.iFd);
    w.iFd = -1;
    if (w.ulState & WORK_CREATED) {
      vFrontPoll();
      unlink(w.szName); /* normally gone already: unlinked when created */
      w.ulState &= ~WORK_CREATED;
    }
    w.szName[0] = '\0';
    vFrontPoll();
  }
  w.ulState &= ~WORK_SPILLED;
  /* the bytes are dropped: a later spill writes the disk anew */
  DISKWINDOW &win = g_aWindow[iFile];
  win.ulLength = win.ulDirtyStart = win.ulDirtyEnd = win.ulDiskEnd = 0;
  uint64_t ulHeld = w.ulMemory;
  if (w.papChunks != nullptr) {
    vSubpoolRelease(SP_WORK0 + iFile);
    vSubpoolFree(SP_RUN, w.papChunks, "temp", LINE_CHUNK_ARRAY_FREE);
    w.papChunks = nullptr;
    w.ulChunkSlots = 0;
  }
  w.ulPos = w.ulSize = w.ulMemory = 0;
  return ulHeld;
}

void vWorkDeleteAll()
{
  for (int i = 0; i < WORK_FILES; i++) lWorkClose(i, true);
}
