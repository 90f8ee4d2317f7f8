/*
** mem.cpp - storage subpools (module "mem").
**
** Calls: the services only.
** Called by: every layer above.
**
** Owns the list heads of all subpools: per subpool, head 0 lists the large
** blocks, heads 1-7 the slot blocks of classes 1-7, head 8 the storage stacks
** created in the subpool and head 9 its string stack.  Also owns the
** registration of growable buffers whose data lives in subpools 1-15.
**
** Notes on the design:
**  - A piece of subpools 1-15 is always preceded by two 16-bit words: its
**    class (1-7 for a slot, 0 or 8 for a large block) and its subpool.  Every
**    release checks them before it touches anything else.
**  - A slot block's bitmap has a bit per slot; a block whose last slot is
**    freed goes back to the heap at once, so no block is ever empty.
**  - Slots are zeroed when freed and blocks when taken, so every piece handed
**    out is zero without a memset on the allocation path.
**  - Bytes beyond a piece's logical size are always zero (resizing zeroes
**    what it gives up and what it adds).
**  - The C library's heap serves the requests, but for those that fill
**    whole huge pages (2 MiB) all but a sixteenth: they are mapped apart,
**    aligned and marked for huge pages.
*/
#include "mem.h"

#include <bit>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <string_view>
#include <unordered_map>
#if defined(__linux__) && __has_include(<sys/mman.h>)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "vorn.h"
#include "svc.h"

namespace {
/* Index of each subpool's interned strings, so interning does not search
   them all; dropped with the subpool. */
std::unordered_map<std::string_view, const char *> g_aInternIndex[SP_COUNT];
} // namespace

#define MEM_MODULE "mem"

const uint32_t g_aulSlotSize[MEM_CLASSES + 1] = {0, 32, 64, 128, 248, 504, 1008, 2024};
const uint32_t g_aulSlotsPerBlock[MEM_CLASSES + 1] = {0, 126, 63, 31, 16, 8, 4, 2};

namespace {

constexpr unsigned HEAD_LARGE = 0;
constexpr unsigned HEAD_STACKS = 8;
constexpr unsigned HEAD_STRINGS = 9;
constexpr unsigned HEADS = 10;
constexpr uint32_t BITMAP_BYTES = 16;
constexpr uint32_t STACK_SEG_OVERHEAD = 48; /* heap overhead kept off a segment's data */

/* Origins of the requests the stack functions make on their own. */
constexpr unsigned LINE_STACK_CREATE = 1047;
constexpr unsigned LINE_STACK_DELETE_DATA = 1105;
constexpr unsigned LINE_STACK_DELETE_SEG = 1106;
constexpr unsigned LINE_STACK_DELETE_HDR = 1115;
constexpr unsigned LINE_STACK_RESET_DATA = 1170;
constexpr unsigned LINE_STACK_RESET_SEG = 1171;
constexpr unsigned LINE_STACK_SEG = 1228;
constexpr unsigned LINE_STACK_DATA = 1245;

/* New heap pages made present in one step rather than a page fault each as
   they are first written (a fault costs microseconds on a virtual machine):
   the pages of a large piece, and those the C library's heap gained at its
   end (it grows by more than a request needs, so each step covers many
   pages).  Only a hint: where the system cannot, the pages come one by one
   as before. */
void vMakePresent(void *p, size_t n)
{
#if defined(MADV_POPULATE_WRITE)
  constexpr size_t PRESENT_MIN = 16384;
  static const long c_lPage = sysconf(_SC_PAGESIZE);
  static uintptr_t s_ulBreak = 0; /* the heap end present so far */
  if (p == nullptr || c_lPage <= 0) return;
  uintptr_t ulPage = static_cast<uintptr_t>(c_lPage);
  auto vPopulate = [ulPage](uintptr_t ulFrom, uintptr_t ulTo) {
    ulFrom = (ulFrom + ulPage - 1) / ulPage * ulPage;
    ulTo = ulTo / ulPage * ulPage;
    if (ulTo > ulFrom) madvise(reinterpret_cast<void *>(ulFrom), ulTo - ulFrom, MADV_POPULATE_WRITE);
  };
  uintptr_t ulBreak = reinterpret_cast<uintptr_t>(sbrk(0));
  if (s_ulBreak != 0 && ulBreak > s_ulBreak) vPopulate(s_ulBreak, ulBreak);
  s_ulBreak = ulBreak;
  if (n >= PRESENT_MIN) vPopulate(reinterpret_cast<uintptr_t>(p), reinterpret_cast<uintptr_t>(p) + n);
#else
  (void)p;
  (void)n;
#endif
}

/* Pieces that fill whole huge pages but for a sixteenth (the work files
   take their memory in such groups) are mapped on their own, aligned to
   the huge page, and marked for huge pages: one fault and one page table
   entry for 512 pages instead of one each.  Their mapped lengths are kept
   here, for release and resizing; only a piece aligned to a huge page is
   looked up. */
constexpr size_t HUGE_PAGE = size_t{2} << 20;
size_t ulHugeRounded(size_t n) { return (n + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1); }
bool bHugeFits(size_t n) { return n >= HUGE_PAGE / 2 && ulHugeRounded(n) - n <= ulHugeRounded(n) / 16; }
/* never destroyed: a piece may be released while the program ends */
std::unordered_map<uintptr_t, size_t> &g_hugePieces = *new std::unordered_map<uintptr_t, size_t>;

void *pHugeAlloc(size_t n)
{
#if defined(MADV_HUGEPAGE)
  size_t ulLength = ulHugeRounded(n);
  void *pMap = mmap(nullptr, ulLength + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pMap == MAP_FAILED) return nullptr;
  uintptr_t ulMap = reinterpret_cast<uintptr_t>(pMap);
  uintptr_t ulStart = (ulMap + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  if (ulStart > ulMap) munmap(pMap, ulStart - ulMap);
  munmap(reinterpret_cast<void *>(ulStart + ulLength), ulMap + HUGE_PAGE - ulStart);
  void *p = reinterpret_cast<void *>(ulStart);
  madvise(p, ulLength, MADV_HUGEPAGE);
  g_hugePieces[ulStart] = ulLength;
  return p;
#else
  (void)n;
  return nullptr;
#endif
}

/* The mapped length of a huge piece; 0 for a piece of the C library. */
size_t ulHugeLength(const void *p)
{
  uintptr_t ul = reinterpret_cast<uintptr_t>(p);
  if (ul % HUGE_PAGE != 0 || g_hugePieces.empty()) return 0;
  auto it = g_hugePieces.find(ul);
  return it != g_hugePieces.end() ? it->second : 0;
}

void *pHeapAlloc(size_t n)
{
  void *p = bHugeFits(n) ? pHugeAlloc(n) : nullptr;
  if (p == nullptr) p = std::malloc(n);
  vMakePresent(p, n);
  return p;
}
void vHeapFree(void *p)
{
  if (size_t ulLength = ulHugeLength(p); ulLength != 0) {
    g_hugePieces.erase(reinterpret_cast<uintptr_t>(p));
    munmap(p, ulLength);
    return;
  }
  std::free(p);
}
void *pHeapRealloc(void *p, size_t n)
{
  size_t ulLength = ulHugeLength(p);
  if (ulLength == 0 && !bHugeFits(n)) {
    void *pNew = std::realloc(p, n);
    vMakePresent(pNew, n);
    return pNew;
  }
  if (ulLength >= n) return p;
  void *pNew = pHeapAlloc(n);
  if (pNew == nullptr || p == nullptr) return pNew;
  size_t ulOld = ulLength != 0 ? ulLength : malloc_usable_size(p);
  std::memcpy(pNew, p, std::min(ulOld, n));
  vHeapFree(p);
  return pNew;
}
constexpr MEMHEAP c_heapDefault = {pHeapAlloc, pHeapRealloc, vHeapFree};

struct MEMSTATE {
  void *apHeads[SP_COUNT][HEADS];
  /* Per slot list, the block where the first-fit search may start: every
     block before it in the list is full.  Back to the head whenever a slot
     or block of the list is given back. */
  BLOCKHDR *apFirstRoom[SP_COUNT][MEM_CLASSES + 1];
  GROWBUF *apGrowbufs[SP_COUNT]; /* buffers with data in each subpool */
  MEMHEAP heap;
};
MEMSTATE g_mem = {{}, {}, {}, c_heapDefault};

size_t ulRound8(size_t n) { return (n + 7) & ~static_cast<size_t>(7); }

[[noreturn]] void vExhausted(size_t ulCount, const char *pszModule, unsigned uLine)
{
  vSvcMessage("KZM998S Heap memory exhausted in phase %c-%c!", g_asm.cPhase, g_asm.cStep);
  if (ulCount != 0) vSvcMessage("KZM998S Request for %lu bytes failed.", static_cast<unsigned long>(ulCount));
  if (pszModule != nullptr) vSvcMessage("KZM998S Request was from %s line %u.", pszModule, uLine);
  vSvcTerminate();
}

[[noreturn]] void vFreeFailure(unsigned uSubpool, const void *pPiece, int iFailure, const char *pszModule,
                               unsigned uLine)
{
  vSvcMessage("KZM997S vSubpoolFree(%u, %016" PRIXPTR ") failure %d in phase %c-%c!", uSubpool,
              reinterpret_cast<uintptr_t>(pPiece), iFailure, g_asm.cPhase, g_asm.cStep);
  if (pszModule != nullptr) vSvcMessage("KZM997S Request was from %s line %u.", pszModule, uLine);
  vSvcTerminate();
}

uint16_t usWordBefore(const void *p, unsigned uBytes)
{
  uint16_t us;
  std::memcpy(&us, static_cast<const uint8_t *>(p) - uBytes, sizeof us);
  return us;
}

BLOCKHDR *&rpHead(unsigned uSubpool, unsigned uHead)
{
  return reinterpret_cast<BLOCKHDR *&>(g_mem.apHeads[uSubpool][uHead]);
}

STACKHDR *&rpStackHead(unsigned uSubpool, unsigned uHead)
{
  return reinterpret_cast<STACKHDR *&>(g_mem.apHeads[uSubpool][uHead]);
}

uint8_t *pPayloadOf(BLOCKHDR *pHdr)
{
  return reinterpret_cast<uint8_t *>(pHdr) + sizeof(BLOCKHDR) + (pHdr->usFlag != 0 ? 4 : 0);
}

unsigned uClassFor(size_t n)
{
  unsigned uClass = MEM_CLASSES - 1;
  while (uClass > 1 && g_aulSlotSize[uClass - 1] >= n + MEM_SLOT_HDR) uClass--;
  if (g_aulSlotSize[uClass] < n + MEM_SLOT_HDR) uClass++;
  return uClass;
}

/* Takes the first free slot of a block, or returns null when it is full.
   The bitmap is read 64 slots at a time, most significant bit first. */
uint8_t *pSlotTake(BLOCKHDR *pHdr, unsigned uClass)
{
  uint8_t *pBitmap = pPayloadOf(pHdr);
  for (uint32_t i = 0; i < BITMAP_BYTES; i += 8) {
    uint64_t ulBits;
    std::memcpy(&ulBits, pBitmap + i, sizeof ulBits);
    if constexpr (std::endian::native == std::endian::little) ulBits = __builtin_bswap64(ulBits);
    if (ulBits == ~uint64_t{0}) continue;
    uint32_t ulSlot = i * 8 + static_cast<uint32_t>(std::countl_one(ulBits));
    if (ulSlot >= g_aulSlotsPerBlock[uClass]) return nullptr;
    pBitmap[ulSlot / 8] |= static_cast<uint8_t>(0x80 >> (ulSlot % 8));
    return pBitmap + BITMAP_BYTES + ulSlot * g_aulSlotSize[uClass];
  }
  return nullptr;
}

void vGrowbufUnregister(GROWBUF *pBuf)
{
  GROWBUF **pp = &g_mem.apGrowbufs[pBuf->ulSubpool < SP_COUNT ? pBuf->ulSubpool : 0];
  while (*pp != nullptr && *pp != pBuf) pp = &(*pp)->pNextReg;
  if (*pp == pBuf) *pp = pBuf->pNextReg;
  pBuf->pNextReg = nullptr;
}

void vGrowbufRegister(GROWBUF *pBuf)
{
  vGrowbufUnregister(pBuf);
  pBuf->pNextReg = g_mem.apGrowbufs[pBuf->ulSubpool];
  g_mem.apGrowbufs[pBuf->ulSubpool] = pBuf;
}

} // namespace

void vMemSetHeap(const MEMHEAP *pHeap) { g_mem.heap = pHeap != nullptr ? *pHeap : c_heapDefault; }

BLOCKHDR *pSubpoolBlocks(unsigned uSubpool, unsigned uClass) { return rpHead(uSubpool, uClass); }
STACKHDR *pSubpoolStacks(unsigned uSubpool) { return rpStackHead(uSubpool, HEAD_STACKS); }

namespace {

/* pBlockAlloc, with the payload cleared or not. */
void *pBlockTake(unsigned uSubpool, unsigned uClass, size_t ulPayload, BLOCKHDR **ppHdr, bool bClear,
                 const char *pszModule, unsigned uLine)
{
  size_t ulRequest = ulPayload + MEM_BLOCK_OVERHEAD;
  void *pRaw = ulRequest > UINT32_MAX ? nullptr : g_mem.heap.pfnAlloc(ulRequest);
  if (pRaw == nullptr) vExhausted(ulRequest, pszModule, uLine);
  std::memset(pRaw, 0, bClear ? ulRequest : MEM_BLOCK_OVERHEAD);
  BLOCKHDR *pHdr = static_cast<BLOCKHDR *>(pRaw);
  pHdr->ulSize = static_cast<uint32_t>(ulRequest);
  pHdr->usSubpool = static_cast<uint16_t>(uSubpool);
  if ((reinterpret_cast<uintptr_t>(pRaw) + sizeof(BLOCKHDR)) % 8 != 0) {
    /* heap address 4 bytes off: move the payload and repeat flag and subpool */
    pHdr->usFlag = 8;
    uint16_t aus[2] = {8, static_cast<uint16_t>(uSubpool)};
    std::memcpy(reinterpret_cast<uint8_t *>(pHdr) + sizeof(BLOCKHDR), aus, sizeof aus);
  }
  BLOCKHDR *&rHead = rpHead(uSubpool, uClass);
  pHdr->pNext = rHead;
  if (rHead != nullptr) rHead->pPrev = pHdr;
  rHead = pHdr;
  g_mem.apFirstRoom[uSubpool][uClass] = pHdr;
  if (ppHdr != nullptr) *ppHdr = pHdr;
  return pPayloadOf(pHdr);
}

} // namespace

void *pBlockAlloc(unsigned uSubpool, unsigned uClass, size_t ulPayload, BLOCKHDR **ppHdr, const char *pszModule,
                  unsigned uLine)
{
  return pBlockTake(uSubpool, uClass, ulPayload, ppHdr, true, pszModule, uLine);
}

void vBlockFree(unsigned uSubpool, unsigned uClass, void *pPayload)
{
  uint8_t *p = static_cast<uint8_t *>(pPayload);
  BLOCKHDR *pHdr = reinterpret_cast<BLOCKHDR *>(p - sizeof(BLOCKHDR) - (usWordBefore(p, 4) != 0 ? 4 : 0));
  if (uSubpool >= SP_COUNT || uClass > MEM_CLASSES || pHdr->usSubpool != uSubpool) {
    vSvcMessage("KZM997S vBlockFree(%u, %u, %016" PRIXPTR ") error %d in phase %c-%c!", uSubpool, uClass,
                reinterpret_cast<uintptr_t>(pPayload), 3, g_asm.cPhase, g_asm.cStep);
    vSvcTerminate();
  }
  if (pHdr->pPrev != nullptr)
    pHdr->pPrev->pNext = pHdr->pNext;
  else
    rpHead(uSubpool, uClass) = pHdr->pNext;
  if (pHdr->pNext != nullptr) pHdr->pNext->pPrev = pHdr->pPrev;
  g_mem.apFirstRoom[uSubpool][uClass] = rpHead(uSubpool, uClass);
  pHdr->usSubpool = MEM_FREED;
  g_mem.heap.pfnFree(pHdr);
}

void *pSubpoolAlloc(unsigned uSubpool, size_t ulCount, const char *pszModule, unsigned uLine)
{
  size_t n = ulRound8(ulCount);
  if (uSubpool >= SP_COUNT) vExhausted(n, pszModule, uLine);
  if (uSubpool == SP_HEAP) {
    void *p = n > UINT32_MAX ? nullptr : g_mem.heap.pfnAlloc(n != 0 ? n : 8);
    if (p == nullptr) vExhausted(n, pszModule, uLine);
    std::memset(p, 0, n != 0 ? n : 8);
    return p;
  }
  if (n + MEM_SLOT_HDR > MEM_LARGEST_SLOT) return pBlockAlloc(uSubpool, 0, n, nullptr, pszModule, uLine);

  unsigned uClass = uClassFor(n);
  uint8_t *pSlot = nullptr;
  BLOCKHDR *pHdr = g_mem.apFirstRoom[uSubpool][uClass];
  for (; pHdr != nullptr; pHdr = pHdr->pNext) {
    pSlot = pSlotTake(pHdr, uClass);
    if (pSlot != nullptr) break;
  }
  g_mem.apFirstRoom[uSubpool][uClass] = pHdr;
  if (pSlot == nullptr) {
    size_t ulPayload = g_aulSlotsPerBlock[uClass] * g_aulSlotSize[uClass] + BITMAP_BYTES;
    pBlockAlloc(uSubpool, uClass, ulPayload, &pHdr, pszModule, uLine);
    pSlot = pSlotTake(pHdr, uClass);
  }
  SLOTHDR *pSh = reinterpret_cast<SLOTHDR *>(pSlot);
  pSh->ulBlockOffset = static_cast<uint32_t>(pSlot - reinterpret_cast<uint8_t *>(pHdr));
  pSh->usClass = static_cast<uint16_t>(uClass);
  pSh->usSubpool = static_cast<uint16_t>(uSubpool);
  return pSlot + MEM_SLOT_HDR;
}

void *pSubpoolAllocUncleared(unsigned uSubpool, size_t ulCount, const char *pszModule, unsigned uLine)
{
  size_t n = ulRound8(ulCount);
  if (uSubpool == SP_HEAP || uSubpool >= SP_COUNT || n + MEM_SLOT_HDR <= MEM_LARGEST_SLOT)
    return pSubpoolAlloc(uSubpool, ulCount, pszModule, uLine);
  return pBlockTake(uSubpool, 0, n, nullptr, false, pszModule, uLine);
}

void vSubpoolFree(unsigned uSubpool, void *pPiece, const char *pszModule, unsigned uLine)
{
  if (uSubpool >= SP_COUNT || pPiece == nullptr) vFreeFailure(uSubpool, pPiece, 1, pszModule, uLine);
  if (uSubpool == SP_HEAP) {
    g_mem.heap.pfnFree(pPiece);
    return;
  }
  uint16_t usClass = usWordBefore(pPiece, 4);
  if (usWordBefore(pPiece, 2) != uSubpool || usClass > 8) vFreeFailure(uSubpool, pPiece, 2, pszModule, uLine);
  if (usClass == 0 || usClass == 8) {
    vBlockFree(uSubpool, 0, pPiece);
    return;
  }

  uint8_t *pSlot = static_cast<uint8_t *>(pPiece) - MEM_SLOT_HDR;
  SLOTHDR *pSh = reinterpret_cast<SLOTHDR *>(pSlot);
  uint32_t ulSlotSize = g_aulSlotSize[usClass];
  uint32_t ulMaxOffset = sizeof(BLOCKHDR) + 4 + BITMAP_BYTES + (g_aulSlotsPerBlock[usClass] - 1) * ulSlotSize;
  bool bOk = pSh->ulBlockOffset >= sizeof(BLOCKHDR) + BITMAP_BYTES && pSh->ulBlockOffset <= ulMaxOffset;
  BLOCKHDR *pHdr = reinterpret_cast<BLOCKHDR *>(pSlot - pSh->ulBlockOffset);
  uint8_t *pBitmap = nullptr;
  uint32_t ulSlot = 0;
  if (bOk) {
    pBitmap = pPayloadOf(pHdr);
    uint8_t *pFirst = pBitmap + BITMAP_BYTES;
    bOk = pHdr->usSubpool == pSh->usSubpool && pSlot >= pFirst && (pSlot - pFirst) % ulSlotSize == 0;
    ulSlot = bOk ? static_cast<uint32_t>((pSlot - pFirst) / ulSlotSize) : 0;
    bOk = bOk && ulSlot < g_aulSlotsPerBlock[usClass] && (pBitmap[ulSlot / 8] & (0x80 >> (ulSlot % 8))) != 0;
  }
  if (!bOk) vFreeFailure(pSh->usSubpool, pPiece, 3, pszModule, uLine);

  pBitmap[ulSlot / 8] &= static_cast<uint8_t>(~(0x80 >> (ulSlot % 8)));
  g_mem.apFirstRoom[uSubpool][usClass] = rpHead(uSubpool, usClass);
  static const uint8_t c_abZero[BITMAP_BYTES] = {};
  if (std::memcmp(pBitmap, c_abZero, BITMAP_BYTES) == 0)
    vBlockFree(uSubpool, usClass, pBitmap);
  else
    std::memset(pSlot, 0, ulSlotSize);
}

void *pSubpoolRealloc(unsigned uSubpool, void *pPiece, size_t ulOld, size_t ulNew, const char *pszModule,
                      unsigned uLine)
{
  size_t n = ulRound8(ulNew);
  size_t b = ulOld;
  if (n == 0) {
    if (b != 0 && pPiece != nullptr) vSubpoolFree(uSubpool, pPiece, pszModule, uLine);
    return nullptr;
  }
  if (pPiece == nullptr) return pSubpoolAlloc(uSubpool, n, pszModule, uLine);
  uint8_t *p = static_cast<uint8_t *>(pPiece);
  if (n > b && n - b > 7) {
    if (uSubpool == SP_HEAP) {
      void *pNew = n > UINT32_MAX ? nullptr : g_mem.heap.pfnRealloc(pPiece, n);
      if (pNew == nullptr) vExhausted(n, pszModule, uLine);
      std::memset(static_cast<uint8_t *>(pNew) + b, 0, n - b);
      return pNew;
    }
    uint16_t usClass = usWordBefore(p, 4);
    if (uSubpool < SP_COUNT && n + MEM_SLOT_HDR <= MEM_LARGEST_SLOT && usWordBefore(p, 2) == uSubpool && usClass >= 1 &&
        usClass <= MEM_CLASSES && g_aulSlotSize[usClass] >= n + MEM_SLOT_HDR)
      return pPiece;
    void *pNew = pSubpoolAlloc(uSubpool, n, pszModule, uLine);
    std::memcpy(pNew, pPiece, b);
    vSubpoolFree(uSubpool, pPiece, pszModule, uLine);
    return pNew;
  }
  if (n > b)
    std::memset(p + b, 0, n - b);
  else if (n < b)
    std::memset(p + n, 0, b - n);
  return pPiece;
}

void vSubpoolRelease(unsigned uSubpool)
{
  if (uSubpool == SP_HEAP || uSubpool >= SP_COUNT) return;
  g_aInternIndex[uSubpool].clear();
  for (unsigned uHead = HEAD_LARGE; uHead <= MEM_CLASSES; uHead++) {
    BLOCKHDR *pHdr = rpHead(uSubpool, uHead);
    while (pHdr != nullptr) {
      BLOCKHDR *pNext = pHdr->pNext;
      g_mem.heap.pfnFree(pHdr);
      pHdr = pNext;
    }
  }
  for (unsigned uHead = 0; uHead < HEADS; uHead++) g_mem.apHeads[uSubpool][uHead] = nullptr;
  for (BLOCKHDR *&rpRoom : g_mem.apFirstRoom[uSubpool]) rpRoom = nullptr;
  for (GROWBUF *pBuf = g_mem.apGrowbufs[uSubpool]; pBuf != nullptr;) {
    GROWBUF *pNext = pBuf->pNextReg;
    pBuf->pData = nullptr;
    pBuf->ulCapacity = 0;
    pBuf->pNextReg = nullptr;
    pBuf = pNext;
  }
  g_mem.apGrowbufs[uSubpool] = nullptr;
}

/* ---- storage stacks ------------------------------------------------------ */

STACKHDR *pStackCreate(unsigned uSubpool)
{
  STACKHDR *pStack = static_cast<STACKHDR *>(pSubpoolAlloc(uSubpool, sizeof(STACKHDR), "mem", LINE_STACK_CREATE));
  std::memcpy(pStack->achEye, "STACKHDR", 8);
  pStack->ulSubpool = uSubpool;
  pStack->ulAddend = 7;
  pStack->ulMask = 0xFFFFFFF8u;
  STACKHDR *&rHead = rpStackHead(uSubpool, HEAD_STACKS);
  pStack->pNext = rHead;
  if (rHead != nullptr) rHead->pPrev = pStack;
  rHead = pStack;
  return pStack;
}

namespace {

void vSegmentRelease(STACKSEG *pSeg, unsigned uSubpool, unsigned uLineData, unsigned uLineSeg)
{
  vSubpoolFree(uSubpool, pSeg->pStart, "mem", uLineData);
  vSubpoolFree(uSubpool, pSeg, "mem", uLineSeg);
}

} // namespace

void vStackDelete(STACKHDR *pStack)
{
  if (pStack == nullptr) return;
  unsigned uSubpool = pStack->ulSubpool;
  for (STACKSEG *pSeg = pStack->pFirst; pSeg != nullptr;) {
    STACKSEG *pNext = pSeg->pNext;
    vSegmentRelease(pSeg, uSubpool, LINE_STACK_DELETE_DATA, LINE_STACK_DELETE_SEG);
    pSeg = pNext;
  }
  if (pStack->pPrev != nullptr)
    pStack->pPrev->pNext = pStack->pNext;
  else
    rpStackHead(uSubpool, HEAD_STACKS) = pStack->pNext;
  if (pStack->pNext != nullptr) pStack->pNext->pPrev = pStack->pPrev;
  if (rpStackHead(uSubpool, HEAD_STRINGS) == pStack) {
    rpStackHead(uSubpool, HEAD_STRINGS) = nullptr;
    if (uSubpool < SP_COUNT) g_aInternIndex[uSubpool].clear();
  }
  vSubpoolFree(uSubpool, pStack, "mem", LINE_STACK_DELETE_HDR);
}

namespace {

/* Moves the rover past segments with too little room left. */
void vRoverAdvance(STACKHDR *pStack)
{
  while (pStack->pRover != nullptr && pStack->pRover->ulFreeBytes < STACK_ROVER_MIN)
    pStack->pRover = pStack->pRover->pNext;
}

} // namespace

void vStackDropRest(STACKHDR *pStack)
{
  STACKSEG *pFirst = pStack->pFirst;
  for (STACKSEG *pSeg = pFirst->pNext; pSeg != nullptr;) {
    STACKSEG *pNext = pSeg->pNext;
    vSegmentRelease(pSeg, pStack->ulSubpool, LINE_STACK_RESET_DATA, LINE_STACK_RESET_SEG);
    pSeg = pNext;
  }
  pFirst->pNext = nullptr;
}

void *pStackAllocSlow(STACKHDR *pStack, size_t ulCount)
{
  if (ulCount > 0x7FFF0000u) vExhausted(ulCount, "mem", LINE_STACK_DATA);
  uint32_t r = (static_cast<uint32_t>(ulCount) + pStack->ulAddend) & pStack->ulMask;
  /* first fit; segments before the rover cannot hold a piece this large */
  STACKSEG *pSeg = r >= STACK_ROVER_MIN ? pStack->pRover : pStack->pFirst;
  for (; pSeg != nullptr; pSeg = pSeg->pNext) {
    if (pSeg->ulFreeBytes >= r) {
      uint8_t *p = pSeg->pFree;
      pSeg->pFree += r;
      pSeg->ulFreeBytes -= r;
      vRoverAdvance(pStack);
      return p;
    }
  }
  pSeg = static_cast<STACKSEG *>(pSubpoolAlloc(pStack->ulSubpool, sizeof(STACKSEG), "mem", LINE_STACK_SEG));
  uint32_t s = ((r + 4095) & ~4095u) - STACK_SEG_OVERHEAD;
  if (s < r) s += 4096;
  pSeg->pOwner = pStack;
  pSeg->pStart = static_cast<uint8_t *>(pSubpoolAlloc(pStack->ulSubpool, s, "mem", LINE_STACK_DATA));
  pSeg->pFree = pSeg->pStart + r;
  pSeg->ulSize = s;
  pSeg->ulFreeBytes = s - r;
  if (pStack->pLast != nullptr)
    pStack->pLast->pNext = pSeg;
  else
    pStack->pFirst = pSeg;
  pStack->pLast = pSeg;
  if (pStack->pRover == nullptr && pSeg->ulFreeBytes >= STACK_ROVER_MIN) pStack->pRover = pSeg;
  return pSeg->pStart;
}

/* ---- interned strings ---------------------------------------------------- */

const char *pStringIntern(unsigned uSubpool, const char *pszText)
{
  static const char c_szEmpty[] = "";
  if (pszText == nullptr || *pszText == '\0') return c_szEmpty;
  STACKHDR *&rStrings = rpStackHead(uSubpool, HEAD_STRINGS);
  if (rStrings == nullptr) {
    rStrings = pStackCreate(uSubpool);
    rStrings->ulAddend = 0;
    rStrings->ulMask = 0xFFFFFFFFu;
  }
  size_t ulLen = std::strlen(pszText);
  auto &index = g_aInternIndex[uSubpool < SP_COUNT ? uSubpool : 0];
  if (index.empty() && rStrings->pFirst != nullptr) {
    /* strings interned before the index was kept (heap subpool) */
    for (STACKSEG *pSeg = rStrings->pFirst; pSeg != nullptr; pSeg = pSeg->pNext)
      for (uint8_t *p = pSeg->pStart; p < pSeg->pFree;) {
        const char *pszEntry = reinterpret_cast<const char *>(p + 1);
        size_t ulEntry = *p != 0 ? *p : std::strlen(pszEntry);
        index.emplace(std::string_view(pszEntry, ulEntry), pszEntry);
        p += ulEntry + 2;
      }
  }
  auto it = index.find(std::string_view(pszText, ulLen));
  if (it != index.end()) return it->second;
  uint8_t *p = static_cast<uint8_t *>(pStackAlloc(rStrings, ulLen + 2));
  p[0] = static_cast<uint8_t>(ulLen < 256 ? ulLen : 0);
  std::memcpy(p + 1, pszText, ulLen);
  const char *pszEntry = reinterpret_cast<const char *>(p + 1);
  index.emplace(std::string_view(pszEntry, ulLen), pszEntry);
  return pszEntry;
}

/* ---- growable buffers ---------------------------------------------------- */

void *pGrowbufEnsure(GROWBUF *pBuf, size_t ulRequired, const char *pszModule, unsigned uLine)
{
  if (pBuf->ulCapacity >= ulRequired) return pBuf->pData;
  size_t c = pBuf->ulCapacity != 0 ? pBuf->ulCapacity : 4048;
  if (c < ulRequired) c += (ulRequired - c + 4095) & ~static_cast<size_t>(4095);
  if (pBuf->ulKeep == 0 && pBuf->ulSubpool != SP_HEAP) {
    if (pBuf->ulCapacity != 0) vSubpoolFree(pBuf->ulSubpool, pBuf->pData, pszModule, uLine);
    pBuf->pData = nullptr;
    pBuf->ulCapacity = 0;
    pBuf->pData = pSubpoolAlloc(pBuf->ulSubpool, c, pszModule, uLine);
  } else {
    pBuf->pData = pSubpoolRealloc(pBuf->ulSubpool, pBuf->ulCapacity != 0 ? pBuf->pData : nullptr, pBuf->ulCapacity, c,
                                  pszModule, uLine);
  }
  pBuf->ulCapacity = c;
  if (pBuf->ulSubpool != SP_HEAP && pBuf->ulSubpool < SP_COUNT) vGrowbufRegister(pBuf);
  return pBuf->pData;
}

void vGrowbufFree(GROWBUF *pBuf, const char *pszModule, unsigned uLine)
{
  if (pBuf->ulCapacity != 0 && pBuf->pData != nullptr) vSubpoolFree(pBuf->ulSubpool, pBuf->pData, pszModule, uLine);
  if (pBuf->ulSubpool != SP_HEAP) vGrowbufUnregister(pBuf);
  pBuf->pData = nullptr;
  pBuf->ulCapacity = 0;
}
