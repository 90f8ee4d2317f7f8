// Generated-bytes collector: memory and spill parts, zeros, reading back in
// pieces, reuse by the next statement, and the reading of statement records
// going on undisturbed around spills.
#include <gtest/gtest.h>

#include <vector>

#include "gen1.h"
#include "msc2.h"
#include "testfront.h"
#include "work.h"

namespace {

std::vector<uint8_t> abBytes(size_t n, uint8_t bSeed)
{
  std::vector<uint8_t> ab(n);
  for (size_t i = 0; i < n; i++) ab[i] = static_cast<uint8_t>(bSeed + i * 7);
  return ab;
}

std::vector<uint8_t> abReadAll(uint32_t ulPiece)
{
  std::vector<uint8_t> ab;
  uint8_t abBuf[1000];
  while (uint32_t n = iStmtBytesGet(ulPiece, abBuf)) ab.insert(ab.end(), abBuf, abBuf + n);
  return ab;
}

class CollectorTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    vFrontReset();
    vWorkDeleteAll();
    vStmtPhaseStart();
    /* three statement records and the end marker, as phase 1 leaves them */
    for (int i = 0; i < 3; i++) {
      vStmtStart();
      bStmtFinish();
    }
    const uint32_t ulEnd = 0;
    vWorkWrite(&ulEnd, 4, 1, WORK_SYSUT1);
    vPhaseSet('2', 'G');
    vStmtBytesPhaseStart(static_cast<uint64_t>(vWorkSeek(WORK_SYSUT1, 0, 2)));
    lStmtFirst(0);
  }
  void TearDown() override
  {
    vWorkDeleteAll();
    vPhaseSet('0', 'N');
  }
};

TEST_F(CollectorTest, BytesComeBackInOrderFromMemoryAndSpillArea)
{
  struct {
    std::vector<uint32_t> aulPuts; /* lengths of successive puts */
    uint32_t ulPiece;              /* read in pieces of this size */
  } const aCases[] = {{{10}, 1000}, {{256}, 7}, {{257}, 256}, {{100, 200, 300}, 33}, {{4000}, 1000}, {{0, 1}, 1}};
  for (const auto &c : aCases) {
    ASSERT_NE(lStmtNext(0), 0u);
    vStmtBytesReset();
    std::vector<uint8_t> abAll;
    for (size_t i = 0; i < c.aulPuts.size(); i++) {
      auto ab = abBytes(c.aulPuts[i], static_cast<uint8_t>(i + 1));
      vStmtBytesPut(c.aulPuts[i], ab.data());
      abAll.insert(abAll.end(), ab.begin(), ab.end());
    }
    EXPECT_EQ(ulStmtBytesCount(), abAll.size());
    EXPECT_EQ(abReadAll(c.ulPiece), abAll);
    EXPECT_EQ(usStmtFlags() & SF_BYTES, SF_BYTES);
    lStmtFirst(0); /* start the records again for the next case */
  }
}

TEST_F(CollectorTest, ZerosWithoutBytesAndReuseOfTheSpillArea)
{
  ASSERT_NE(lStmtNext(0), 0u);
  vStmtBytesReset();
  auto ab = abBytes(1000, 9);
  vStmtBytesPut(1000, ab.data());
  vStmtBytesReset(); /* the next statement overwrites the spill area */
  vStmtBytesPut(300, nullptr);
  vStmtBytesPut(1, ab.data());
  std::vector<uint8_t> abExpected(300, 0);
  abExpected.push_back(ab[0]);
  EXPECT_EQ(abReadAll(1000), abExpected);
}

TEST_F(CollectorTest, SpillsDoNotDisturbTheReadingOfRecords)
{
  for (uint32_t ulStmt = 1; ulStmt <= 3; ulStmt++) {
    ASSERT_EQ(lStmtNext(0), STMT_HEAD);
    EXPECT_EQ(g_asm.ulStmtNo, ulStmt);
    vStmtBytesReset();
    auto ab = abBytes(700 * ulStmt, static_cast<uint8_t>(ulStmt));
    vStmtBytesPut(static_cast<uint32_t>(ab.size()), ab.data());
    EXPECT_EQ(abReadAll(100), ab);
  }
  EXPECT_EQ(lStmtNext(0), 0u);
}

} // namespace
