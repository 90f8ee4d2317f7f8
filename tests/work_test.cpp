// Work files: memory budget and spill to disk, positioning, failures, the
// statement-record layer and the source-image compression.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "gen1.h"
#include "testfront.h"
#include "work.h"

namespace {

std::vector<uint8_t> abPattern(size_t n, unsigned uSeed)
{
  std::vector<uint8_t> ab(n);
  uint32_t x = uSeed * 2654435761u + 1;
  for (auto &b : ab) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  return ab;
}

class WorkTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    vFrontReset();
    g_asm.ulTrace = 0;
    vWorkDeleteAll();
  }
  void TearDown() override
  {
    g_asm.ulTrace = 0;
    vWorkDeleteAll();
    vWorkSetMemory(4294967295ull);
    unsetenv("TMPDIR");
  }
  static void vWrite(int iFile, const std::vector<uint8_t> &ab) { vWorkWrite(ab.data(), 1, ab.size(), iFile); }
  static std::vector<uint8_t> abRead(int iFile, int64_t lPos, size_t n)
  {
    std::vector<uint8_t> ab(n);
    vWorkSeek(iFile, lPos, 0);
    vWorkRead(ab.data(), 1, n, iFile);
    return ab;
  }
};

TEST_F(WorkTest, BudgetIsRoundedDownToWholeChunks)
{
  struct {
    uint64_t ulRequest, ulBudget;
  } const aCases[] = {{100000, 65488}, {0, 0}, {65487, 0}, {65488, 65488}, {4294967295ull, 4294964992ull}};
  for (const auto &c : aCases) {
    vWorkSetMemory(c.ulRequest);
    EXPECT_EQ(ulWorkBudget(), c.ulBudget);
  }
  g_asm.ulTrace = TRACE_FILES;
  vFrontReset();
  vWorkSetMemory(100000);
  EXPECT_EQ(g_front.strOut, "KZM950I Temporary work file memory set to 65488.\n");
}

TEST_F(WorkTest, OneChunkBudgetSpillsOnTheSecondChunk)
{
  vWorkSetMemory(100000);
  auto ab = abPattern(WORK_CHUNK, 1);
  vWrite(WORK_SYSUT1, ab);
  EXPECT_EQ(g_aWork[0].ulMemory, WORK_CHUNK);
  EXPECT_EQ(g_aWork[0].ulState & WORK_SPILLED, 0u);
  EXPECT_EQ(g_aWork[0].iFd, -1);

  /* the other file finds the budget used up and spills at once */
  vWrite(WORK_MACRO, abPattern(10, 2));
  EXPECT_EQ(g_aWork[1].ulMemory, 0u);
  EXPECT_NE(g_aWork[1].ulState & WORK_SPILLED, 0u);

  vWrite(WORK_SYSUT1, abPattern(100, 3));
  EXPECT_NE(g_aWork[0].ulState & WORK_SPILLED, 0u);
  EXPECT_EQ(g_aWork[0].ulMemory, WORK_CHUNK);
  EXPECT_EQ(abRead(WORK_SYSUT1, 0, WORK_CHUNK), ab);
  EXPECT_EQ(abRead(WORK_SYSUT1, WORK_CHUNK, 100), abPattern(100, 3));
  EXPECT_EQ(abRead(WORK_MACRO, 0, 10), abPattern(10, 2));
}

TEST_F(WorkTest, ZeroBudgetSpillsTheFirstWrite)
{
  vWorkSetMemory(0);
  vWrite(WORK_SYSUT1, abPattern(300, 4));
  EXPECT_EQ(g_aWork[0].ulMemory, 0u);
  EXPECT_EQ(g_aWork[0].papChunks, nullptr);
  EXPECT_NE(g_aWork[0].ulState & WORK_SPILLED, 0u);
  EXPECT_EQ(abRead(WORK_SYSUT1, 0, 300), abPattern(300, 4));
}

TEST_F(WorkTest, WriteStraddlingTheMemoryBoundaryIsSplit)
{
  vWorkSetMemory(100000);
  vWrite(WORK_SYSUT1, abPattern(65000, 5));
  auto ab = abPattern(1000, 6);
  vWrite(WORK_SYSUT1, ab);
  ASSERT_NE(g_aWork[0].ulState & WORK_SPILLED, 0u);
  EXPECT_EQ(g_aWork[0].ulSize, 66000u);
  /* the last 488 bytes of the chunk and 512 bytes at disk offset 0 */
  EXPECT_EQ(std::memcmp(g_aWork[0].papChunks[0] + 65000, ab.data(), 488), 0);
  EXPECT_EQ(abRead(WORK_SYSUT1, 65000, 1000), ab);

  /* rewriting in place across the boundary */
  auto abNew = abPattern(600, 7);
  vWorkSeek(WORK_SYSUT1, 65200, 0);
  vWrite(WORK_SYSUT1, abNew);
  EXPECT_EQ(g_aWork[0].ulSize, 66000u);
  EXPECT_EQ(abRead(WORK_SYSUT1, 65200, 600), abNew);

  /* a write too big for the disk window goes straight to the disk, after
     what the window collected: 312 bytes of the rewrite, 200 of the first */
  vWorkSeek(WORK_SYSUT1, 0, 2);
  auto abBig = abPattern(70000, 8);
  vWrite(WORK_SYSUT1, abBig);
  std::vector<uint8_t> abDisk(512 + abBig.size());
  ASSERT_EQ(pread(g_aWork[0].iFd, abDisk.data(), abDisk.size(), 0), static_cast<ssize_t>(abDisk.size()));
  EXPECT_EQ(std::memcmp(abDisk.data(), abNew.data() + 288, 312), 0);
  EXPECT_EQ(std::memcmp(abDisk.data() + 312, ab.data() + 800, 200), 0);
  EXPECT_EQ(std::memcmp(abDisk.data() + 512, abBig.data(), abBig.size()), 0);
}

/* Reads, writes and rewrites of any size at any place of the disk part see
   exactly the bytes a plain array would hold. */
TEST_F(WorkTest, DiskPartBehavesLikeAnArray)
{
  vWorkSetMemory(0);
  std::vector<uint8_t> abModel;
  uint32_t x = 12345;
  auto ulNext = [&x](uint32_t ulMod) {
    x = x * 1103515245u + 12345u;
    return (x >> 8) % ulMod;
  };
  for (unsigned i = 0; i < 3000; i++) {
    size_t n = ulNext(8) == 0 ? 60000 + ulNext(20000) : 1 + ulNext(3000);
    size_t ulPos = abModel.empty() || ulNext(3) == 0 ? abModel.size() : ulNext(static_cast<uint32_t>(abModel.size()));
    if (ulNext(2) == 0 && ulPos + n <= abModel.size()) {
      ASSERT_EQ(abRead(WORK_SYSUT1, static_cast<int64_t>(ulPos), n),
                std::vector<uint8_t>(abModel.begin() + ulPos, abModel.begin() + ulPos + n))
          << i;
      continue;
    }
    auto ab = abPattern(n, i);
    vWorkSeek(WORK_SYSUT1, static_cast<int64_t>(ulPos), 0);
    vWrite(WORK_SYSUT1, ab);
    if (ulPos + n > abModel.size()) abModel.resize(ulPos + n);
    std::copy(ab.begin(), ab.end(), abModel.begin() + ulPos);
  }
  ASSERT_EQ(g_aWork[0].ulSize, abModel.size());
  EXPECT_EQ(abRead(WORK_SYSUT1, 0, abModel.size()), abModel);
}

TEST_F(WorkTest, LargeWritesAtMostDoubleTheMemoryBeforeSpilling)
{
  vWorkSetMemory(20 * uint64_t{WORK_CHUNK});
  vWrite(WORK_SYSUT1, abPattern(100, 8));            /* one chunk */
  vWrite(WORK_SYSUT1, abPattern(3 * WORK_CHUNK, 9)); /* needs 3 more, may take 1 */
  EXPECT_EQ(g_aWork[0].ulMemory, 2u * WORK_CHUNK);
  EXPECT_NE(g_aWork[0].ulState & WORK_SPILLED, 0u);
  EXPECT_EQ(abRead(WORK_SYSUT1, 100, 3 * WORK_CHUNK), abPattern(3 * WORK_CHUNK, 9));
}

TEST_F(WorkTest, ManyChunksInMemoryReadBackAtAnyPosition)
{
  std::vector<uint8_t> abAll;
  for (unsigned i = 0; i < 60; i++) {
    auto ab = abPattern(7919 * (i % 5 + 1), i);
    vWrite(WORK_MACRO, ab);
    abAll.insert(abAll.end(), ab.begin(), ab.end());
  }
  EXPECT_EQ(g_aWork[1].ulState & WORK_SPILLED, 0u);
  EXPECT_GT(g_aWork[1].ulChunkSlots, 16u);
  for (size_t ulPos : {size_t{0}, size_t{WORK_CHUNK - 3}, size_t{5 * WORK_CHUNK + 17}, abAll.size() - 9})
    EXPECT_EQ(
        abRead(WORK_MACRO, static_cast<int64_t>(ulPos), 9),
        std::vector<uint8_t>(abAll.begin() + static_cast<long>(ulPos), abAll.begin() + static_cast<long>(ulPos) + 9));
}

TEST_F(WorkTest, SeekAndReadOutsideTheFileAreFatal)
{
  vWrite(WORK_SYSUT1, abPattern(50, 10));
  EXPECT_EQ(vWorkSeek(WORK_SYSUT1, 50, 0), 50);
  EXPECT_EQ(vWorkSeek(WORK_SYSUT1, -10, 1), 40);
  EXPECT_EQ(vWorkSeek(WORK_SYSUT1, 0, 2), 50);
  EXPECT_EQ(strExpectTerminate([] { vWorkSeek(WORK_SYSUT1, 51, 0); }),
            "KZM900S Error seeking work file 0: Seek outside of file\n"
            "KZM999I Assembly terminated with return code 20.\n");
  vWrite(WORK_SYSUT1, abPattern(50, 10));
  EXPECT_EQ(strExpectTerminate([] { vWorkSeek(WORK_SYSUT1, -1, 0); }).substr(0, 60),
            "KZM900S Error seeking work file 0: Seek outside of file\nKZM9");
  vWrite(WORK_MACRO, abPattern(8, 11));
  EXPECT_EQ(strExpectTerminate([] {
              uint8_t ab[16];
              vWorkSeek(WORK_MACRO, 0, 0);
              vWorkRead(ab, 4, 4, WORK_MACRO);
            }),
            "KZM900S Error reading work file 1: Read past end of file\n"
            "KZM999I Assembly terminated with return code 20.\n");
}

TEST_F(WorkTest, CloseWithoutDeleteReusesTheDiskFile)
{
  vWorkSetMemory(0);
  g_asm.ulTrace = TRACE_FILES;
  vWrite(WORK_SYSUT1, abPattern(10, 12));
  std::string strName = g_aWork[0].szName;
  EXPECT_EQ(g_front.strOut, "KZM950I Work file 0 (" + strName + ") opened.\n");
  vFrontReset();
  EXPECT_EQ(lWorkClose(WORK_SYSUT1, false), 0u);
  EXPECT_EQ(g_front.strOut, "KZM950I Work file 0 (" + strName + ") closed; memory: 0 bytes; size: 10 bytes.\n");
  EXPECT_GE(g_aWork[0].iFd, 0);

  vFrontReset();
  vWrite(WORK_SYSUT1, abPattern(20, 13));
  EXPECT_EQ(g_front.strOut, "KZM950I Work file 0 (" + strName + ") rewound.\n");
  EXPECT_EQ(abRead(WORK_SYSUT1, 0, 20), abPattern(20, 13));

  vFrontReset();
  lWorkClose(WORK_SYSUT1, true);
  EXPECT_EQ(g_front.strOut, "KZM950I Work file 0 (" + strName + ") deleted; memory: 0 bytes; size: 20 bytes.\n");
  EXPECT_EQ(g_aWork[0].iFd, -1);
  EXPECT_NE(access(strName.c_str(), F_OK), 0); /* nothing left on disk */

  vWorkSetMemory(4294967295ull);
  vFrontReset();
  vWrite(WORK_MACRO, abPattern(10, 14));
  EXPECT_EQ(lWorkClose(WORK_MACRO, true), uint64_t{WORK_CHUNK});
  EXPECT_EQ(g_front.strOut, "KZM950I Work file 1 closed; size: 10 bytes\n");
}

TEST_F(WorkTest, InputOutputTraceLines)
{
  g_asm.ulTrace = TRACE_IO;
  vWrite(WORK_SYSUT1, abPattern(12, 15));
  uint8_t ab[4];
  vWorkSeek(WORK_SYSUT1, 4, 0);
  vWorkRead(ab, 2, 2, WORK_SYSUT1);
  lWorkTell(WORK_SYSUT1);
  EXPECT_EQ(g_front.strOut, "KZM950I write(*,1,12,0) from 0\n"
                            "KZM950I seek(0,4,0)\n"
                            "KZM950I read(*,2,2,0) from 4\n"
                            "KZM950I tell(0): 8\n");
}

TEST_F(WorkTest, UnusableTemporaryDirectoryIsFatal)
{
  vWorkSetMemory(0);
  setenv("TMPDIR", "/nonexistent-vorn-dir", 1);
  std::string strOut = strExpectTerminate([] { vWrite(WORK_SYSUT1, abPattern(10, 16)); });
  EXPECT_EQ(strOut.rfind("KZM900S Error opening work file 0 (/nonexistent-vorn-dir/", 0), 0u) << strOut;
  EXPECT_NE(strOut.find("): No such file or directory\nKZM999I"), std::string::npos) << strOut;
}

TEST_F(WorkTest, FailingDiskWriteIsFatalNotTruncated)
{
  vWorkSetMemory(0);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 4096;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  /* one write too big for the disk window; small writes collected in it */
  for (size_t ulPiece : {70000, 1000}) {
    SCOPED_TRACE(ulPiece);
    vWrite(WORK_SYSUT1, abPattern(10, 17)); /* creates the disk file */
    setrlimit(RLIMIT_FSIZE, &small);
    std::string strOut = strExpectTerminate([ulPiece] {
      for (size_t n = 0; n < 100000; n += ulPiece) vWrite(WORK_SYSUT1, abPattern(ulPiece, 18));
    });
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(strOut.rfind("KZM900S Error writing work file 0 (", 0), 0u) << strOut;
    EXPECT_NE(strOut.find("): File too large\nKZM999I"), std::string::npos) << strOut;
    EXPECT_EQ(g_aWork[0].iFd, -1);
    vWorkDeleteAll();
    vFrontReset();
  }
  std::signal(SIGXFSZ, oldHandler);
}

TEST_F(WorkTest, StatementRecordsReadBackInOrder)
{
  vStmtPhaseStart();
  for (uint32_t i = 0; i < 3; i++) {
    vStmtStart();
    vPut32(pRecord() + STMT_SRCID, 0);
    vPut32(pRecord() + STMT_LINE, 10 + i);
    vStmtAddSub(SUB_LABEL, 3, "LBL");
    for (uint32_t k = 0; k < i; k++) vStmtAddSub(SUB_OPERAND, 2, "OP");
    bStmtFinish();
  }
  const uint32_t ulEnd = 0;
  vWorkWrite(&ulEnd, 4, 1, WORK_SYSUT1);

  EXPECT_EQ(lStmtFirst(0), STMT_HEAD + 7u);
  for (uint32_t i = 0; i < 3; i++) {
    uint32_t ulLen = lStmtNext(0);
    EXPECT_EQ(ulLen, STMT_HEAD + 7 + 6 * i);
    EXPECT_EQ(ulGet32(pRecord()), ulLen);
    EXPECT_EQ(g_asm.ulStmtNo, i + 1);
    EXPECT_EQ(g_asm.ulSrcLine, 10 + i);
    uint32_t ulLabel = 0;
    const uint8_t *pLabel = nullptr, *pOperand = nullptr;
    EXPECT_EQ(iStmtLocate(&ulLabel, &pLabel, &pOperand), static_cast<int>(i));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(pLabel), ulLabel), "LBL");
    EXPECT_EQ(pOperand != nullptr, i > 0);
  }
  EXPECT_EQ(lStmtNext(0), 0u);

  /* rereading the second record at its known position */
  EXPECT_EQ(lStmtFirst(STMT_HEAD + 7), STMT_HEAD + 13u);
  EXPECT_EQ(lStmtNext(STMT_HEAD + 7 + 4), STMT_HEAD + 13u);
  EXPECT_EQ(g_asm.ulStmtNo, 2u);
  EXPECT_EQ(lStmtFinishFile(), 3u * STMT_HEAD + 7 + 13 + 19 + 4);
}

TEST_F(WorkTest, SourceImagesCompressByBlankRuns)
{
  struct {
    std::string strImage;
    std::vector<uint8_t> abStored; /* empty: stored as is */
  } const aCases[] = {
      {std::string(80, '\x40'), {0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0x50}},
      {"\xC1\x40\xC2\x40\xC3\x40\xC4", {}},
      {std::string(9, '\x40') + "\xD3\x40\x40\x40\xF1" + std::string(66, '\x40'),
       {0x91, 0xD3, 0x31, 0xF1, 0xF0, 0xF0, 0xF0, 0xF0, 0x60}},
      {std::string(16, '\x40') + std::string(17, '\xC1'), {0xF0, 0x12, 0xC1, 0xC1, 0x0F, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1,
                                                           0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1}},
      /* bytes that differ from the blank in one bit only, after whole words */
      {std::string(8, '\x40') + "\xC0" + std::string(7, '\x40') + std::string(1, '\0') + std::string(63, '\x40'),
       {0x81, 0xC0, 0x71, 0x00, 0xF0, 0xF0, 0xF0, 0xF0, 0x30}},
  };
  for (const auto &c : aCases) {
    const uint8_t *pImage = reinterpret_cast<const uint8_t *>(c.strImage.data());
    uint32_t ulLen = static_cast<uint32_t>(c.strImage.size());
    uint32_t ulStored = 0;
    const uint8_t *pStored = pTextCompress(pImage, ulLen, &ulStored);
    if (c.abStored.empty()) {
      EXPECT_EQ(pStored, pImage);
      EXPECT_EQ(ulStored, ulLen);
    } else {
      EXPECT_EQ(std::vector<uint8_t>(pStored, pStored + ulStored), c.abStored);
    }
    std::vector<uint8_t> abCopy(pStored, pStored + ulStored);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(pTextExpand(ulLen, ulStored, abCopy.data())), ulLen),
              c.strImage);
  }
}

TEST_F(WorkTest, ExpansionStopsAtTheImageAndAtTheStoredBytes)
{
  /* text past the image's end is dropped; a piece cut short by the end of
     the stored bytes keeps what is there; the rest stays blank */
  const std::vector<uint8_t> abOver = {0x33, 0xC1, 0xC2, 0xC3, 0x12, 0xC4, 0xC5};
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(pTextExpand(5, 7, abOver.data())), 5), "\x40\x40\x40\xC1\xC2");
  const std::vector<uint8_t> abShort = {0x25, 0xC1};
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(pTextExpand(20, 2, abShort.data())), 20),
            "\x40\x40\xC1" + std::string(17, '\x40'));
}

TEST_F(WorkTest, CompressionRoundTripsEveryBlankPattern)
{
  for (unsigned uSeed = 0; uSeed < 2000; uSeed++) {
    /* cards, and images whose runs meet or cross 64-byte boundaries */
    auto ab = abPattern(uSeed % 2 == 0 ? 80 * (uSeed % 3 + 1) : 64 * (uSeed % 5 + 1), uSeed);
    bool bMostlyText = uSeed % 5 == 0;
    for (auto &b : ab) b = ((b & 3) != 0) != bMostlyText ? 0x40 : b | 1; /* mostly blanks, or text */
    uint32_t ulStored = 0;
    const uint8_t *pStored = pTextCompress(ab.data(), static_cast<uint32_t>(ab.size()), &ulStored);
    ASSERT_LE(ulStored, ab.size());
    std::vector<uint8_t> abCopy(pStored, pStored + ulStored);
    const uint8_t *pBack = pTextExpand(static_cast<uint32_t>(ab.size()), ulStored, abCopy.data());
    ASSERT_EQ(std::vector<uint8_t>(pBack, pBack + ab.size()), ab) << "seed " << uSeed;
  }
}

} // namespace
