/*
** mem.h - storage subpools, storage stacks, interned strings, growable buffers.
**
** Every piece of core storage comes from a numbered subpool (0-15).  Subpool 0
** is the plain heap; subpools 1-15 serve small requests from slots of seven
** size classes carved out of blocks just under 4 KB, and larger requests from
** blocks of their own.  Everything handed out is zero-filled and 8-byte
** aligned; a subpool can be dropped as a whole with vSubpoolRelease.
**
** Every request that can allocate or free names its origin (module name and
** line) for the failure messages; use the SP_* macros, which pass the calling
** module's MEM_MODULE name and __LINE__.
*/
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

enum : unsigned {
  SP_HEAP = 0,   /* plain heap */
  SP_RUN = 1,    /* option scratch, then code generation side */
  SP_PHASE1 = 2, /* conditional assembly phase */
  SP_WORK0 = 3,  /* memory of work file 0 (SYSUT1) */
  SP_WORK1 = 4,  /* memory of work file 1 (MACRO) */
  SP_COUNT = 16,
};

/* Size classes 1-7: slot size including the 8-byte slot header. */
constexpr unsigned MEM_CLASSES = 7;
constexpr uint32_t MEM_SLOT_HDR = 8;
constexpr uint32_t MEM_LARGEST_SLOT = 2024;
extern const uint32_t g_aulSlotSize[MEM_CLASSES + 1];
extern const uint32_t g_aulSlotsPerBlock[MEM_CLASSES + 1];

/* Header at the start of every heap block taken for subpools 1-15.  Pointers
   have the host's width; the 4 bytes before every large-block payload hold
   {alignment flag, subpool} as 16-bit words. */
struct BLOCKHDR {
  BLOCKHDR *pNext;
  BLOCKHDR *pPrev;
  uint32_t ulSize;    /* heap request: payload + MEM_BLOCK_OVERHEAD */
  uint16_t usFlag;    /* 0: payload follows the header; 8: 4 bytes later */
  uint16_t usSubpool; /* 0xFEED once the block was given back */
};
constexpr uint32_t MEM_BLOCK_OVERHEAD = sizeof(BLOCKHDR) + 4;
constexpr uint16_t MEM_FREED = 0xFEED;

/* 8-byte header of every slot.  The block is found from the slot by its byte
   offset, so the header keeps its size with 64-bit pointers. */
struct SLOTHDR {
  uint32_t ulBlockOffset; /* slot address - block header address */
  uint16_t usClass;       /* 1-7 */
  uint16_t usSubpool;
};
static_assert(sizeof(SLOTHDR) == MEM_SLOT_HDR);

struct STACKSEG;

struct STACKHDR {
  char achEye[8]; /* "STACKHDR" */
  uint32_t ulSubpool;
  STACKSEG *pFirst;
  STACKHDR *pNext;
  STACKHDR *pPrev;
  uint32_t ulAddend; /* 7 for ordinary stacks, 0 for the string stack */
  uint32_t ulMask;   /* 0xFFFFFFF8 or 0xFFFFFFFF */
  STACKSEG *pLast;   /* last segment */
  STACKSEG *pRover;  /* first segment with STACK_ROVER_MIN free bytes or
                        more; the ones before it have fewer, so larger
                        requests start their first-fit search here */
};
constexpr uint32_t STACK_ROVER_MIN = 64;

struct STACKSEG {
  STACKHDR *pOwner;
  STACKSEG *pNext;
  uint8_t *pStart;
  uint8_t *pFree;
  uint32_t ulSize;
  uint32_t ulFreeBytes;
};

/* A growable buffer record, owned by its user (normally a static one).  A
   buffer with data in subpools 1-15 is reset (no data, capacity 0) when its
   subpool is released. */
struct GROWBUF {
  uint32_t ulSubpool;
  uint32_t ulKeep; /* nonzero: contents survive growth */
  size_t ulCapacity;
  void *pData;
  GROWBUF *pNextReg; /* registration with the subpool while it has data */
};

/* Heap behind subpool 0 and behind blocks; replaceable for tests. */
struct MEMHEAP {
  void *(*pfnAlloc)(size_t);
  void *(*pfnRealloc)(void *, size_t);
  void (*pfnFree)(void *);
};
void vMemSetHeap(const MEMHEAP *pHeap); /* null restores the C library heap */

/* Subpools.  Exhausted storage and a piece given back to the wrong subpool
   write KZM998S or KZM997S and terminate the run; no request for storage
   returns null. */
/* ulCount zero-filled, 8-byte aligned bytes (use SP_ALLOC). */
void *pSubpoolAlloc(unsigned uSubpool, size_t ulCount, const char *pszModule, unsigned uLine);
/* As pSubpoolAlloc, but a large piece of subpools 1-15 is not cleared: for
   storage whose every byte is written before it is read (work-file chunks),
   so that taking it does not touch it all. */
void *pSubpoolAllocUncleared(unsigned uSubpool, size_t ulCount, const char *pszModule, unsigned uLine);
/* Gives one piece back to the subpool it came from (use SP_FREE). */
void vSubpoolFree(unsigned uSubpool, void *pPiece, const char *pszModule, unsigned uLine);
/* A piece of ulOld bytes grown or shrunk to ulNew, contents kept, new bytes
   zero (use SP_REALLOC); a null piece is a new one, ulNew 0 gives the piece
   back and returns null. */
void *pSubpoolRealloc(unsigned uSubpool, void *pPiece, size_t ulOld, size_t ulNew, const char *pszModule,
                      unsigned uLine);
/* A heap block of its own for subpool uSubpool, chained on list uClass of
   the subpool (0 large pieces, 1-7 the slot blocks of a size class);
   *ppHdr receives its header when wanted.  The slot allocator's layer. */
void *pBlockAlloc(unsigned uSubpool, unsigned uClass, size_t ulPayload, BLOCKHDR **ppHdr, const char *pszModule,
                  unsigned uLine);
void vBlockFree(unsigned uSubpool, unsigned uClass, void *pPayload);
/* Drops everything of a subpool 1-15 at once: its blocks, stacks and
   interned strings; growable buffers with data in it are reset. */
void vSubpoolRelease(unsigned uSubpool);

/* Storage stacks: pieces carved in order from segments of a subpool, freed
   only all together.  Pieces are 8-byte aligned (the string stack packs). */
STACKHDR *pStackCreate(unsigned uSubpool);
/* Gives the stack and all its segments back to its subpool. */
void vStackDelete(STACKHDR *pStack);
/* Gives back the segments after the first (vStackReset's). */
void vStackDropRest(STACKHDR *pStack);
/* Empties the stack: the first segment is cleared and kept, the others go.
   Inline, as it comes before every operand that is parsed. */
inline void vStackReset(STACKHDR *pStack)
{
  STACKSEG *pFirst = pStack->pFirst;
  if (pFirst == nullptr) return;
  std::memset(pFirst->pStart, 0, pFirst->ulSize - pFirst->ulFreeBytes);
  pFirst->pFree = pFirst->pStart;
  pFirst->ulFreeBytes = pFirst->ulSize;
  if (pFirst->pNext != nullptr) vStackDropRest(pStack);
  pStack->pLast = pFirst;
  pStack->pRover = pFirst->ulSize >= STACK_ROVER_MIN ? pFirst : nullptr;
}
/* ulCount zero-filled bytes of the stack (first fit over its segments). */
void *pStackAllocSlow(STACKHDR *pStack, size_t ulCount);
/* The common case inline: the first segment has room, so first fit takes
   the piece from it; the rover moves on once that segment runs short. */
inline void *pStackAlloc(STACKHDR *pStack, size_t ulCount)
{
  STACKSEG *pSeg = pStack->pFirst;
  if (pSeg == nullptr || ulCount > pSeg->ulFreeBytes) return pStackAllocSlow(pStack, ulCount);
  uint32_t r = (static_cast<uint32_t>(ulCount) + pStack->ulAddend) & pStack->ulMask;
  if (r > pSeg->ulFreeBytes) return pStackAllocSlow(pStack, ulCount);
  uint8_t *p = pSeg->pFree;
  pSeg->pFree += r;
  pSeg->ulFreeBytes -= r;
  if (pSeg->ulFreeBytes < STACK_ROVER_MIN && pStack->pRover == pSeg) pStack->pRover = pSeg->pNext;
  return p;
}

/* The one copy of a text in the subpool: equal texts give the same pointer,
   valid until the subpool is released; an empty or null text gives "". */
const char *pStringIntern(unsigned uSubpool, const char *pszText);

/* Capacity for at least ulRequired bytes (use GB_ENSURE or GB_ROOM); the
   contents survive growth only when ulKeep is set or the buffer lives in
   subpool 0.  Returns the data. */
void *pGrowbufEnsure(GROWBUF *pBuf, size_t ulRequired, const char *pszModule, unsigned uLine);
/* Gives the data back; the buffer is empty again (capacity 0) and keeps its
   ulKeep setting for its next use. */
void vGrowbufFree(GROWBUF *pBuf, const char *pszModule, unsigned uLine);

/* The first list heads of a subpool, for tests and reports. */
BLOCKHDR *pSubpoolBlocks(unsigned uSubpool, unsigned uClass);
STACKHDR *pSubpoolStacks(unsigned uSubpool);

#define SP_ALLOC(sp, n) pSubpoolAlloc((sp), (n), MEM_MODULE, __LINE__)
#define SP_FREE(sp, p) vSubpoolFree((sp), (p), MEM_MODULE, __LINE__)
#define SP_REALLOC(sp, p, o, n) pSubpoolRealloc((sp), (p), (o), (n), MEM_MODULE, __LINE__)
#define GB_ENSURE(b, n) pGrowbufEnsure((b), (n), MEM_MODULE, __LINE__)
#define GB_FREE(b) vGrowbufFree((b), MEM_MODULE, __LINE__)
/* For arrays that grow one element at a time: a buffer that must grow at
   least doubles, so n appends cost O(n) copying in all. */
#define GB_ROOM(b, n)                                                                                                  \
  pGrowbufEnsure((b), (n) > (b)->ulCapacity && (n) < 2 * (b)->ulCapacity ? 2 * (b)->ulCapacity : (n), MEM_MODULE,      \
                 __LINE__)
