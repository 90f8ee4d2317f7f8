/*
** work.h - the statement-record layer on SYSUT1 (module "work").
**
** The record in hand lives in one growable buffer (g_rec): the statement
** modules build it there in the first phase, the resolution passes and the
** code generation phase read it back from SYSUT1 into the same buffer.
** Reading a record also sets the statement context of the run (statement
** number, source, FLAG settings, nesting level).  Source images are stored
** compressed (runs of blanks).  All work-file errors are fatal (temp.h).
*/
#pragma once

#include <cstddef>
#include <cstdint>

#include "mem.h"
#include "temp.h"
#include "vorn.h"

/* The invariants of the statement records, checked in the sanitizer and
   fuzz builds (VORN_INVARIANTS): a broken one aborts with its place, so
   that fuzzing finds a broken invariant and not only its later crash.  In
   other builds the condition is not evaluated. */
#ifdef VORN_INVARIANTS
[[noreturn]] void vInvariantBroken(const char *pszCondition, const char *pszFile, int iLine);
#define VORN_INVARIANT(cond) ((cond) ? void(0) : vInvariantBroken(#cond, __FILE__, __LINE__))
#else
#define VORN_INVARIANT(cond) void(0)
#endif

/* Statement-record layer on SYSUT1 (work.cpp) */
struct STMTRECORD {
  GROWBUF buf;           /* subpool 0; the record's first word is its length */
  uint32_t ulLength;     /* length of the record in the buffer */
  uint32_t ulNextLength; /* length of the next record to read, 0 = end */
  uint64_t ulSysut1Size; /* for the summary, kept by lStmtFinishFile */
  uint64_t ulSysut1Memory;
};
extern STMTRECORD g_rec;

uint32_t lStmtFirst(uint64_t ulPos);
uint32_t lStmtNext(uint64_t ulPos);
/* The record buffer grown to hold at least ulRequired bytes. */
uint8_t *pRecordRoom(size_t ulRequired);
/* ulCount more bytes at the end of the record in hand, for the caller to
   fill.  A zero word follows the record, so stepping past its last
   sub-record stays inside the buffer.  Inline: every sub-record comes this
   way. */
inline void *pRecordExtend(uint32_t ulCount)
{
  size_t ulRequired = static_cast<size_t>(g_rec.ulLength) + ulCount + 4;
  uint8_t *p = ulRequired <= g_rec.buf.ulCapacity ? static_cast<uint8_t *>(g_rec.buf.pData) : pRecordRoom(ulRequired);
  uint8_t *pNew = p + g_rec.ulLength;
  vPut32(pNew + ulCount, 0);
  g_rec.ulLength += ulCount;
  vPut32(p, g_rec.ulLength);
  return pNew;
}
inline uint8_t *pRecord() { return static_cast<uint8_t *>(g_rec.buf.pData); }
void vRecordReset(uint32_t ulHeadLength);
/* Shortens the record in hand to ulLength bytes (0: nothing to keep); the
   one way other modules change its length. */
void vRecordTruncate(uint32_t ulLength);
int iStmtLocate(uint32_t *pulLabelLen, const uint8_t **ppLabel, const uint8_t **ppFirstOperand);
uint64_t lStmtFinishFile();
const uint8_t *pTextCompress(const uint8_t *pImage, uint32_t ulLen, uint32_t *pulStored);
const uint8_t *pTextExpand(uint32_t ulLen, uint32_t ulStored, const uint8_t *pStored);
