// Storage subpools: size classes, slot and block life cycle, failures,
// resizing, growable buffers, interning and storage stacks.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstring>
#include <string>

#include "mem.h"
#include "testfront.h"

namespace {

constexpr unsigned SP_TEST = 9; /* a subpool the assembler itself never uses */

uint16_t usClassOf(const void *p)
{
  uint16_t us;
  std::memcpy(&us, static_cast<const uint8_t *>(p) - 4, 2);
  return us;
}

bool bAllZero(const void *p, size_t n)
{
  const uint8_t *pb = static_cast<const uint8_t *>(p);
  for (size_t i = 0; i < n; i++)
    if (pb[i] != 0) return false;
  return true;
}

class MemTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    vFrontReset();
    vMemSetHeap(nullptr);
    vPhaseSet('0', 'N');
  }
  void TearDown() override
  {
    vMemSetHeap(nullptr);
    vSubpoolRelease(SP_TEST);
    vSubpoolRelease(SP_TEST + 1);
  }
};

TEST_F(MemTest, RequestsAreServedFromTheSmallestFittingClass)
{
  struct {
    size_t ulCount;
    uint16_t usClass; /* 0 = large block */
  } const aCases[] = {{0, 1},   {1, 1},   {24, 1},  {25, 2},  {56, 2},   {57, 3},   {120, 3},  {121, 4},
                      {240, 4}, {241, 5}, {496, 5}, {497, 6}, {1000, 6}, {1001, 7}, {2016, 7}, {2017, 0}};
  for (const auto &c : aCases) {
    void *p = pSubpoolAlloc(SP_TEST, c.ulCount, "test", __LINE__);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
    EXPECT_EQ(usClassOf(p), c.usClass) << "request of " << c.ulCount << " bytes";
    EXPECT_TRUE(bAllZero(p, (c.ulCount + 7) & ~size_t{7}));
    std::memset(p, 0xAB, c.ulCount);
  }
  vSubpoolRelease(SP_TEST);
  for (unsigned uClass = 0; uClass <= MEM_CLASSES; uClass++) EXPECT_EQ(pSubpoolBlocks(SP_TEST, uClass), nullptr);
}

TEST_F(MemTest, LastFreedSlotReleasesItsBlockAndFreedSlotsComeBackZero)
{
  void *pA = pSubpoolAlloc(SP_TEST, 16, "test", __LINE__);
  void *pB = pSubpoolAlloc(SP_TEST, 16, "test", __LINE__);
  BLOCKHDR *pBlock = pSubpoolBlocks(SP_TEST, 1);
  ASSERT_NE(pBlock, nullptr);
  EXPECT_EQ(pBlock->pNext, nullptr); /* both slots from one block */

  std::memset(pA, 0x5A, 16);
  vSubpoolFree(SP_TEST, pA, "test", __LINE__);
  EXPECT_EQ(pSubpoolBlocks(SP_TEST, 1), pBlock); /* B still holds the block */
  void *pC = pSubpoolAlloc(SP_TEST, 16, "test", __LINE__);
  EXPECT_EQ(pC, pA); /* first free slot again, zeroed */
  EXPECT_TRUE(bAllZero(pC, 16));

  vSubpoolFree(SP_TEST, pB, "test", __LINE__);
  vSubpoolFree(SP_TEST, pC, "test", __LINE__);
  EXPECT_EQ(pSubpoolBlocks(SP_TEST, 1), nullptr);

  pSubpoolAlloc(SP_TEST, 16, "test", __LINE__);
  EXPECT_NE(pSubpoolBlocks(SP_TEST, 1), nullptr);
}

TEST_F(MemTest, FullBlockMakesANewBlockAtTheListHead)
{
  for (uint32_t i = 0; i < g_aulSlotsPerBlock[7]; i++) pSubpoolAlloc(SP_TEST, 2000, "test", __LINE__);
  BLOCKHDR *pFirst = pSubpoolBlocks(SP_TEST, 7);
  pSubpoolAlloc(SP_TEST, 2000, "test", __LINE__);
  BLOCKHDR *pSecond = pSubpoolBlocks(SP_TEST, 7);
  EXPECT_NE(pSecond, pFirst);
  EXPECT_EQ(pSecond->pNext, pFirst);
  EXPECT_LE(pFirst->ulSize, 4096u); /* a slot block stays within 4 KB of heap */
}

TEST_F(MemTest, AfterAFreeTheFirstFitSearchStartsAgainAtTheListHead)
{
  auto pTake = [] { return pSubpoolAlloc(SP_TEST, 2000, "test", __LINE__); }; /* class 7: 2 slots a block */
  void *pA1 = pTake();
  pTake();
  void *pB1 = pTake(); /* block B, now the head */
  pTake();
  BLOCKHDR *pB = pSubpoolBlocks(SP_TEST, 7);
  vSubpoolFree(SP_TEST, pA1, "test", __LINE__);
  EXPECT_EQ(pTake(), pA1); /* past the full head into A */
  vSubpoolFree(SP_TEST, pB1, "test", __LINE__);
  EXPECT_EQ(pTake(), pB1); /* the head has room again: no new block */
  EXPECT_EQ(pSubpoolBlocks(SP_TEST, 7), pB);
}

TEST_F(MemTest, UnclearedPiecesAreReleasedLikeOthers)
{
  void *pSmall = pSubpoolAllocUncleared(SP_TEST, 24, "test", __LINE__);
  EXPECT_EQ(usClassOf(pSmall), 1u);
  EXPECT_TRUE(bAllZero(pSmall, 24));
  void *pLarge = pSubpoolAllocUncleared(SP_TEST, 65488, "test", __LINE__);
  EXPECT_TRUE(usClassOf(pLarge) == 0 || usClassOf(pLarge) == 8);
  EXPECT_EQ(pSubpoolBlocks(SP_TEST, 0)->ulSize, 65488u + MEM_BLOCK_OVERHEAD);
  std::memset(pLarge, 0x77, 65488);
  vSubpoolFree(SP_TEST, pLarge, "test", __LINE__);
  vSubpoolFree(SP_TEST, pSmall, "test", __LINE__);
  EXPECT_EQ(pSubpoolBlocks(SP_TEST, 0), nullptr);
}

TEST_F(MemTest, BadReleasesAreFatalWithTheirFailureNumber)
{
  void *pKeep = pSubpoolAlloc(SP_TEST, 16, "test", 10);
  void *pPiece = pSubpoolAlloc(SP_TEST, 16, "test", 11);
  char achAddr[32];
  std::snprintf(achAddr, sizeof achAddr, "%016" PRIXPTR, reinterpret_cast<uintptr_t>(pPiece));

  EXPECT_EQ(strExpectTerminate([] { vSubpoolFree(SP_TEST, nullptr, "lbl", 77); }),
            "KZM997S vSubpoolFree(9, 0000000000000000) failure 1 in phase 0-N!\n"
            "KZM997S Request was from lbl line 77.\n"
            "KZM999I Assembly terminated with return code 20.\n");
  EXPECT_EQ(strExpectTerminate([&] { vSubpoolFree(SP_COUNT, pPiece, nullptr, 0); }),
            "KZM997S vSubpoolFree(16, " + std::string(achAddr) +
                ") failure 1 in phase 0-N!\nKZM999I Assembly terminated with return code 20.\n");
  vPhaseSet('1', 'C');
  EXPECT_EQ(strExpectTerminate([&] { vSubpoolFree(SP_TEST + 1, pPiece, "esd1", 5); }),
            "KZM997S vSubpoolFree(10, " + std::string(achAddr) +
                ") failure 2 in phase 1-C!\nKZM997S Request was from esd1 line 5.\n"
                "KZM999I Assembly terminated with return code 20.\n");

  /* a slot header whose class does not fit its place in the block: failure 3 */
  SLOTHDR *pSh = reinterpret_cast<SLOTHDR *>(static_cast<uint8_t *>(pPiece) - MEM_SLOT_HDR);
  SLOTHDR saved = *pSh;
  pSh->usClass = 2;
  EXPECT_NE(strExpectTerminate([&] {
              vSubpoolFree(SP_TEST, pPiece, "mac1", 9);
            }).find(") failure 3 in phase 1-C!\nKZM997S Request was from mac1 line 9.\n"),
            std::string::npos);
  *pSh = saved;

  /* freeing twice: the first free zeroed the slot header */
  vSubpoolFree(SP_TEST, pPiece, "test", 12);
  EXPECT_NE(strExpectTerminate([&] { vSubpoolFree(SP_TEST, pPiece, "test", 13); }).find(") failure 2 in phase"),
            std::string::npos);
  vSubpoolFree(SP_TEST, pKeep, "test", 14);
}

TEST_F(MemTest, BlockReleaseChecksTheSubpool)
{
  void *pLarge = pSubpoolAlloc(SP_TEST, 5000, "test", __LINE__);
  char achAddr[32];
  std::snprintf(achAddr, sizeof achAddr, "%016" PRIXPTR, reinterpret_cast<uintptr_t>(pLarge));
  EXPECT_EQ(strExpectTerminate([&] { vBlockFree(SP_TEST + 1, 0, pLarge); }),
            "KZM997S vBlockFree(10, 0, " + std::string(achAddr) +
                ") error 3 in phase 0-N!\nKZM999I Assembly terminated with return code 20.\n");
  vSubpoolFree(SP_TEST, pLarge, "test", __LINE__);
  EXPECT_EQ(pSubpoolBlocks(SP_TEST, 0), nullptr);
}

void *pFailingAlloc(size_t) { return nullptr; }
void *pFailingRealloc(void *, size_t) { return nullptr; }
void vNoFree(void *) {}

TEST_F(MemTest, HeapExhaustionNamesTheRequestAndItsOrigin)
{
  const MEMHEAP failing = {pFailingAlloc, pFailingRealloc, vNoFree};
  vPhaseSet('2', 'G');
  vMemSetHeap(&failing);
  EXPECT_EQ(strExpectTerminate([] { pSubpoolAlloc(SP_HEAP, 10, "pun2", 321); }),
            "KZM998S Heap memory exhausted in phase 2-G!\n"
            "KZM998S Request for 16 bytes failed.\n"
            "KZM998S Request was from pun2 line 321.\n"
            "KZM999I Assembly terminated with return code 20.\n");
  /* a slot request needs a new block: the block's heap request is reported */
  char achCount[64];
  std::snprintf(achCount, sizeof achCount, "KZM998S Request for %u bytes failed.\n",
                126 * 32 + 16 + MEM_BLOCK_OVERHEAD);
  EXPECT_EQ(strExpectTerminate([] { pSubpoolAlloc(SP_TEST, 8, nullptr, 0); }),
            "KZM998S Heap memory exhausted in phase 2-G!\n" + std::string(achCount) +
                "KZM999I Assembly terminated with return code 20.\n");
}

TEST_F(MemTest, ReallocKeepsZeroBeyondTheLogicalSize)
{
  uint8_t *p = static_cast<uint8_t *>(pSubpoolAlloc(SP_TEST, 10, "test", __LINE__));
  std::memset(p, 0x11, 10);
  EXPECT_EQ(pSubpoolRealloc(SP_TEST, p, 10, 16, "test", __LINE__), p);
  EXPECT_TRUE(bAllZero(p + 10, 6));

  uint8_t *q = static_cast<uint8_t *>(pSubpoolAlloc(SP_TEST, 24, "test", __LINE__));
  for (int i = 0; i < 24; i++) q[i] = static_cast<uint8_t>(i + 1);
  uint8_t *r = static_cast<uint8_t *>(pSubpoolRealloc(SP_TEST, q, 24, 40, "test", __LINE__));
  EXPECT_NE(r, q);
  EXPECT_EQ(usClassOf(r), 2);
  for (int i = 0; i < 24; i++) EXPECT_EQ(r[i], i + 1);
  EXPECT_TRUE(bAllZero(r + 24, 16));

  /* shrinking zeroes what is given up; growing within the slot stays in place */
  uint8_t *s = static_cast<uint8_t *>(pSubpoolRealloc(SP_TEST, r, 40, 8, "test", __LINE__));
  EXPECT_EQ(s, r);
  EXPECT_TRUE(bAllZero(s + 8, 32));
  EXPECT_EQ(pSubpoolRealloc(SP_TEST, s, 8, 48, "test", __LINE__), s);
  EXPECT_EQ(pSubpoolRealloc(SP_TEST, s, 48, 0, "test", __LINE__), nullptr);

  uint8_t *h = static_cast<uint8_t *>(pSubpoolAlloc(SP_HEAP, 8, "test", __LINE__));
  std::memset(h, 0x22, 8);
  h = static_cast<uint8_t *>(pSubpoolRealloc(SP_HEAP, h, 8, 100000, "test", __LINE__));
  EXPECT_EQ(h[7], 0x22);
  EXPECT_TRUE(bAllZero(h + 8, 100000 - 8));
  vSubpoolFree(SP_HEAP, h, "test", __LINE__);
}

/* Pieces that fill whole huge pages are mapped apart from the C library's
   heap: resizing across that size and releasing must still work. */
TEST_F(MemTest, PiecesOfWholeHugePagesResizeAndReleaseLikeOthers)
{
  constexpr size_t MB = size_t{1} << 20;
  uint8_t *h = static_cast<uint8_t *>(pSubpoolAlloc(SP_HEAP, 16, "test", __LINE__));
  std::memset(h, 0x33, 16);
  for (size_t n : {2 * MB - 4096, 4 * MB, 64 * size_t{1024}, 6 * MB - 8, 3 * MB}) {
    h = static_cast<uint8_t *>(pSubpoolRealloc(SP_HEAP, h, 16, n, "test", __LINE__));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h[0], 0x33);
    EXPECT_EQ(h[15], 0x33);
    EXPECT_TRUE(bAllZero(h + 16, n - 16)) << n;
    h[n - 1] = 0x55; /* the whole size is usable */
    h[n - 1] = 0;
  }
  vSubpoolFree(SP_HEAP, h, "test", __LINE__);

  /* large blocks of a subpool: given back one by one and with the subpool */
  const size_t A = 4 * MB - 4096, B = 2 * MB - 4096;
  uint8_t *a = static_cast<uint8_t *>(pSubpoolAllocUncleared(SP_TEST, A, "test", __LINE__));
  uint8_t *b = static_cast<uint8_t *>(pSubpoolAlloc(SP_TEST, B, "test", __LINE__));
  a[A - 1] = 1;
  EXPECT_TRUE(bAllZero(b, B));
  vSubpoolFree(SP_TEST, a, "test", __LINE__);
  b[B - 1] = 1;
  vSubpoolRelease(SP_TEST);
}

TEST_F(MemTest, GrowableBuffersKeepContentsOnlyWhenAsked)
{
  struct {
    unsigned uSubpool;
    uint32_t ulKeep;
    bool bKept;
  } const aCases[] = {{SP_TEST, 0, false}, {SP_HEAP, 0, true}, {SP_TEST, 1, true}};
  for (const auto &c : aCases) {
    GROWBUF buf = {c.uSubpool, c.ulKeep, 0, nullptr, nullptr};
    /* the second round: a freed buffer is used again the same way */
    for (int iRound = 0; iRound < 2; iRound++) {
      char *p = static_cast<char *>(pGrowbufEnsure(&buf, 100, "test", __LINE__));
      EXPECT_EQ(buf.ulCapacity, 4048u);
      std::strcpy(p, "contents");
      EXPECT_EQ(pGrowbufEnsure(&buf, 4048, "test", __LINE__), p);
      p = static_cast<char *>(pGrowbufEnsure(&buf, 5000, "test", __LINE__));
      EXPECT_EQ(buf.ulCapacity, 4048u + 4096u);
      EXPECT_EQ(std::strcmp(p, "contents") == 0, c.bKept)
          << "subpool " << c.uSubpool << " keep " << c.ulKeep << " round " << iRound;
      vGrowbufFree(&buf, "test", __LINE__);
      EXPECT_EQ(buf.pData, nullptr);
      EXPECT_EQ(buf.ulCapacity, 0u);
    }
  }
}

TEST_F(MemTest, ReleasingASubpoolResetsItsGrowableBuffers)
{
  GROWBUF buf = {SP_TEST, 1, 0, nullptr, nullptr};
  pGrowbufEnsure(&buf, 10, "test", __LINE__);
  vSubpoolRelease(SP_TEST);
  EXPECT_EQ(buf.pData, nullptr);
  EXPECT_EQ(buf.ulCapacity, 0u);
  char *p = static_cast<char *>(pGrowbufEnsure(&buf, 10, "test", __LINE__));
  EXPECT_TRUE(bAllZero(p, 10));
  vGrowbufFree(&buf, "test", __LINE__);
}

TEST_F(MemTest, InternedStringsAreSharedPerSubpool)
{
  const char *pA = pStringIntern(SP_TEST, "ABC");
  EXPECT_STREQ(pA, "ABC");
  EXPECT_EQ(pStringIntern(SP_TEST, "ABC"), pA);
  const char *pOther = pStringIntern(SP_TEST + 1, "ABC");
  EXPECT_NE(pOther, pA);
  EXPECT_NE(pStringIntern(SP_TEST, "ABCD"), pA);
  EXPECT_EQ(pStringIntern(SP_TEST, ""), pStringIntern(SP_TEST + 1, nullptr));

  std::string strLong(300, 'X');
  const char *pLong = pStringIntern(SP_TEST, strLong.c_str());
  EXPECT_EQ(static_cast<uint8_t>(pLong[-1]), 0); /* length byte 0 beyond 255 */
  EXPECT_EQ(pStringIntern(SP_TEST, strLong.c_str()), pLong);
  EXPECT_EQ(pStringIntern(SP_TEST, "ABC"), pA);
  EXPECT_EQ(static_cast<uint8_t>(pA[-1]), 3);
}

TEST_F(MemTest, StorageStacksGrowBySegmentsAndReset)
{
  STACKHDR *pStack = pStackCreate(SP_TEST);
  EXPECT_EQ(std::memcmp(pStack->achEye, "STACKHDR", 8), 0);
  EXPECT_EQ(pSubpoolStacks(SP_TEST), pStack);

  uint8_t *p = static_cast<uint8_t *>(pStackAlloc(pStack, 5000));
  ASSERT_NE(pStack->pFirst, nullptr);
  EXPECT_EQ(pStack->pFirst->ulSize, 8144u);
  EXPECT_TRUE(bAllZero(p, 5000));
  std::memset(p, 0x33, 5000);

  uint8_t *q = static_cast<uint8_t *>(pStackAlloc(pStack, 3));
  EXPECT_EQ(q, p + 5000); /* rounded to 8, from the same segment */
  EXPECT_EQ(static_cast<uint8_t *>(pStackAlloc(pStack, 1)), q + 8);
  pStackAlloc(pStack, 8000); /* does not fit: a second segment */
  ASSERT_NE(pStack->pFirst->pNext, nullptr);

  vStackReset(pStack);
  EXPECT_EQ(pStack->pFirst->pNext, nullptr);
  EXPECT_EQ(pStack->pFirst->ulFreeBytes, 8144u);
  uint8_t *r = static_cast<uint8_t *>(pStackAlloc(pStack, 5016));
  EXPECT_EQ(r, p);
  EXPECT_TRUE(bAllZero(r, 5016));

  /* first fit over many segments: a small piece still finds the room an
     early segment has left, a large one goes on to where it fits */
  vStackReset(pStack);
  uint8_t *pBig = static_cast<uint8_t *>(pStackAlloc(pStack, 8144 - 48)); /* 48 bytes left */
  for (int i = 0; i < 20; i++) pStackAlloc(pStack, 4000);                 /* 20 more segments, 48 left each */
  uint8_t *pSmall = static_cast<uint8_t *>(pStackAlloc(pStack, 40));
  EXPECT_EQ(pSmall, pBig + 8144 - 48);
  uint8_t *pLarge = static_cast<uint8_t *>(pStackAlloc(pStack, 100)); /* no segment has room */
  STACKSEG *pLast = pStack->pFirst;
  unsigned uSegments = 1;
  for (; pLast->pNext != nullptr; pLast = pLast->pNext) uSegments++;
  EXPECT_EQ(uSegments, 22u);
  EXPECT_EQ(pLarge, pLast->pStart);
  EXPECT_EQ(static_cast<uint8_t *>(pStackAlloc(pStack, 200)), pLarge + 104);

  vStackDelete(pStack);
  vStackDelete(nullptr);
  EXPECT_EQ(pSubpoolStacks(SP_TEST), nullptr);
  for (unsigned uClass = 0; uClass <= MEM_CLASSES; uClass++) EXPECT_EQ(pSubpoolBlocks(SP_TEST, uClass), nullptr);
}

} // namespace
