// Operation code table: loading and validation of table images and files,
// selection by instruction level, the phase-1 name index and name hashing.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "mem.h"
#include "opt.h"
#include "optimage.h"
#include "testfront.h"

namespace {

/* Upper-case letters and digits to EBCDIC. */
std::vector<uint8_t> ebc(const char *psz)
{
  std::vector<uint8_t> ab;
  for (; *psz != '\0'; psz++) {
    char c = *psz;
    ab.push_back(static_cast<uint8_t>(c >= '0' && c <= '9' ? 0xF0 + (c - '0')
                                      : c <= 'I'           ? 0xC1 + (c - 'A')
                                      : c <= 'R'           ? 0xD1 + (c - 'J')
                                                           : 0xE2 + (c - 'S')));
  }
  ab.push_back(0);
  return ab;
}

void *pFindRecord(const char *psz) { return pOpindexFind(ebc(psz).data()); }
const OPENTRY *pFind(const char *psz) { return static_cast<const OPENTRY *>(pFindRecord(psz)); }

std::vector<uint8_t> abImage() { return std::vector<uint8_t>(g_abOptImage, g_abOptImage + g_ulOptImageSize); }

constexpr size_t OFF_ENTRIES = 616; /* first entry of the built-in image */
constexpr uint32_t ENTRY_COUNT = 818, DESC_COUNT = 158;

class OptTest : public ::testing::Test {
protected:
  void SetUp() override { vFrontReset(); }
  void TearDown() override
  {
    vOpindexDrop();
    vSubpoolRelease(SP_PHASE1);
    vOptableRelease();
  }
  static void vLoad(uint8_t bMask, bool bExec = false)
  {
    ASSERT_EQ(iOptableLoadImage(g_abOptImage, g_ulOptImageSize, "(built-in)"), 0);
    vOptableSelect(bMask);
    vOpindexBuild(bExec);
  }
};

TEST_F(OptTest, BuiltInImageLoads)
{
  ASSERT_EQ(iOptableLoadImage(g_abOptImage, g_ulOptImageSize, "x"), 0);
  EXPECT_EQ(g_optab.ulCount, ENTRY_COUNT);
  EXPECT_EQ(g_optab.ulDescCount, DESC_COUNT);
  EXPECT_EQ(g_front.strOut, "");
}

TEST_F(OptTest, DamagedImagesAreRejectedWithTheirErrorNumber)
{
  constexpr size_t ulDescHeader = OFF_ENTRIES + ENTRY_COUNT * 24;
  struct {
    const char *pszWhat;
    void (*pfnDamage)(std::vector<uint8_t> &);
    int iError;
  } const aCases[] = {
      {"short header", [](std::vector<uint8_t> &ab) { ab.resize(71); }, 2},
      {"wrong magic", [](std::vector<uint8_t> &ab) { ab[3] = '2'; }, 2},
      {"permutation magic", [](std::vector<uint8_t> &ab) { ab[72] ^= 1; }, 3},
      {"permutation data short", [](std::vector<uint8_t> &ab) { ab.resize(300); }, 3},
      {"three permutation tables",
       [](std::vector<uint8_t> &ab) {
         vPut32(ab.data() + 80, 768);
         vPut32(ab.data() + 84, 3);
         ab.insert(ab.begin() + 600, 256, 0);
       },
       4},
      {"entry record size 25", [](std::vector<uint8_t> &ab) { vPut32(ab.data() + 604, 25); }, 5},
      {"entry total not count x 24", [](std::vector<uint8_t> &ab) { vPut32(ab.data() + 608, 24 * 589); }, 5},
      {"entries short", [](std::vector<uint8_t> &ab) { ab.resize(OFF_ENTRIES + 100 * 24); }, 5},
      {"huge entry count",
       [](std::vector<uint8_t> &ab) {
         vPut32(ab.data() + 608, 0xFFFFFFF0u);
         vPut32(ab.data() + 612, 0xAAAAAAAAu);
       },
       5},
      {"names out of order",
       [](std::vector<uint8_t> &ab) {
         std::swap_ranges(ab.begin() + OFF_ENTRIES + 2 * 24, ab.begin() + OFF_ENTRIES + 3 * 24,
                          ab.begin() + OFF_ENTRIES + 3 * 24);
       },
       5},
      {"machine length 3", [](std::vector<uint8_t> &ab) { ab[OFF_ENTRIES + 589 * 24 + 1] = 3; }, 5},
      {"name not terminated",
       [](std::vector<uint8_t> &ab) { std::memset(ab.data() + OFF_ENTRIES + 589 * 24 + 4, 0xE9, 6); }, 5},
      {"descriptor magic", [](std::vector<uint8_t> &ab) { ab[ulDescHeader] ^= 1; }, 6},
      {"descriptors short", [](std::vector<uint8_t> &ab) { ab.pop_back(); }, 6},
      {"no descriptors",
       [](std::vector<uint8_t> &ab) {
         vPut32(ab.data() + ulDescHeader + 8, 0);
         vPut32(ab.data() + ulDescHeader + 12, 0);
       },
       6},
      {"descriptor number beyond the table",
       [](std::vector<uint8_t> &ab) {
         vPut32(ab.data() + ulDescHeader + 8, 8 * 10);
         vPut32(ab.data() + ulDescHeader + 12, 10);
       },
       6},
  };
  for (const auto &c : aCases) {
    auto ab = abImage();
    c.pfnDamage(ab);
    vFrontReset();
    EXPECT_EQ(iOptableLoadImage(ab.data(), ab.size(), "/p/vorn.opt"), c.iError) << c.pszWhat;
    EXPECT_EQ(g_front.strOut,
              "KZM006S Error " + std::to_string(c.iError) + " reading OPTABLE file /p/vorn.opt: No error\n")
        << c.pszWhat;
    EXPECT_EQ(g_optab.pEntries, nullptr) << c.pszWhat;
  }
}

TEST_F(OptTest, TableFileInTheProgramDirectoryTakesThePlaceOfTheBuiltInOne)
{
  char szDir[] = "/tmp/vornoptXXXXXX";
  std::string strDir = mkdtemp(szDir);
  std::string strFile = strDir + "/vorn.opt";

  EXPECT_EQ(iOptableLoad(strDir.c_str()), 0); /* no file: built-in table */
  EXPECT_EQ(g_optab.ulCount, ENTRY_COUNT);

  auto ab = abImage();
  vPut32(ab.data() + 604, 25);
  std::ofstream(strFile, std::ios::binary)
      .write(reinterpret_cast<const char *>(ab.data()), static_cast<long>(ab.size()));
  vFrontReset();
  EXPECT_EQ(iOptableLoad((strDir + "/").c_str()), 5);
  EXPECT_EQ(g_front.strOut, "KZM006S Error 5 reading OPTABLE file " + strFile + ": No error\n");

  ab = abImage();
  std::ofstream(strFile, std::ios::binary)
      .write(reinterpret_cast<const char *>(ab.data()), static_cast<long>(ab.size()));
  EXPECT_EQ(iOptableLoad(strDir.c_str()), 0);

  /* a directory or an empty file is named for what it is */
  unlink(strFile.c_str());
  mkdir(strFile.c_str(), 0700);
  vFrontReset();
  EXPECT_EQ(iOptableLoad(strDir.c_str()), 1);
  EXPECT_EQ(g_front.strOut, "KZM006S Error 1 reading OPTABLE file " + strFile + ": Is a directory\n");
  rmdir(strFile.c_str());
  std::ofstream(strFile, std::ios::binary).flush();
  vFrontReset();
  EXPECT_EQ(iOptableLoad(strDir.c_str()), 2);
  EXPECT_EQ(g_front.strOut, "KZM006S Error 2 reading OPTABLE file " + strFile + ": File is empty\n");
  std::ofstream(strFile, std::ios::binary)
      .write(reinterpret_cast<const char *>(ab.data()), static_cast<long>(ab.size()));

  if (geteuid() != 0) {
    chmod(strFile.c_str(), 0);
    vFrontReset();
    EXPECT_EQ(iOptableLoad(strDir.c_str()), 1);
    EXPECT_EQ(g_front.strOut, "KZM006S Error 1 reading OPTABLE file " + strFile + ": Permission denied\n");
  }
  unlink(strFile.c_str());
  rmdir(strDir.c_str());
}

/* A table file made before the later ESA/390 instructions (526 machine
   instructions, 132 descriptors) still loads and selects as it did. */
TEST_F(OptTest, TableFileOfTheEarlierInstructionSetStillLoads)
{
  std::ifstream in(std::string(VORN_TEST_DIR) + "/optable/vorn-526.opt", std::ios::binary);
  std::vector<uint8_t> ab((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(ab.size(), 15848u);
  ASSERT_EQ(iOptableLoadImage(ab.data(), ab.size(), "old/vorn.opt"), 0);
  EXPECT_EQ(g_optab.ulCount, 590u);
  EXPECT_EQ(g_optab.ulDescCount, 132u);
  vOptableSelect(OPTABLE_ESA);
  vOpindexBuild(false);
  EXPECT_NE(pFind("BRC"), nullptr);
  EXPECT_EQ(pFind("LARL"), nullptr);
  EXPECT_EQ(g_front.strOut, "");
}

TEST_F(OptTest, FourOperandEntriesNeedTheDescriptorAfterTheThird)
{
  auto ab = abImage();
  size_t ulPlo = 0;
  const auto abPlo = ebc("PLO");
  for (size_t i = 2; i < ENTRY_COUNT && ulPlo == 0; i++)
    if (std::memcmp(ab.data() + OFF_ENTRIES + 24 * i + 4, abPlo.data(), abPlo.size()) == 0) ulPlo = i;
  ASSERT_NE(ulPlo, 0u);
  uint8_t *pe = ab.data() + OFF_ENTRIES + 24 * ulPlo;
  ASSERT_EQ(pe[12], 4);
  pe[15] = DESC_COUNT - 1; /* operand 4 would take descriptor DESC_COUNT */
  EXPECT_EQ(iOptableLoadImage(ab.data(), ab.size(), "p"), 6);
  pe[15] = DESC_COUNT - 2;
  pe[12] = 5;
  EXPECT_EQ(iOptableLoadImage(ab.data(), ab.size(), "p"), 5);
  pe[12] = 4;
  EXPECT_EQ(iOptableLoadImage(ab.data(), ab.size(), "p"), 0);
}

TEST_F(OptTest, SelectionByLevelKeepsTheRightInstructions)
{
  struct {
    uint8_t bMask;
    std::vector<const char *> apszKnown, apszUnknown;
    uint32_t ulMachines; /* the level partition's rows that include the mask */
  } const aCases[] = {
      {OPTABLE_UNI, {"L", "AHI", "J", "CLRIO", "VA", "BAS", "MADS", "LARL", "ADBR"}, {}, 754},
      {OPTABLE_370, {"L", "CLRIO", "BAS", "MVCL", "RDD"}, {"AHI", "J", "VA", "CSCH", "CLRP", "LARL", "BRU"}, 256},
      {OPTABLE_DOS, {"L", "CLRIO", "CLRP", "MADS", "MAD"}, {"BAS", "AHI", "CSCH", "VA", "JLU", "SFPC"}, 238},
      {OPTABLE_XA, {"L", "BAS", "CSCH", "BASSM"}, {"CLRIO", "AHI", "J", "VA", "PLO", "TAM"}, 260},
      {OPTABLE_ESA,
       {"L",   "AHI", "J",     "BAKR", "CSCH", "BAS", "LARL", "BRASL", "BRCL", "ALCR",  "MLR", "LRV",
        "PLO", "TAM", "SAM31", "STFL", "BRU",  "BRE", "BRNZ", "JLU",   "JNOP", "DIEBR", "KM"},
       {"CLRIO", "RDD", "VA", "CLRP", "MAD"},
       543},
      {OPTABLE_ASM, {}, {"L", "AHI", "BALR", "VA", "CLRIO"}, 0},
  };
  for (const auto &c : aCases) {
    vLoad(c.bMask);
    for (const char *psz : {"DC", "DS", "USING", "END", "MACRO"}) {
      const OPENTRY *p = pFind(psz);
      ASSERT_NE(p, nullptr) << psz;
      EXPECT_EQ(p->bKind, OPK_ASSEMBLER);
    }
    for (const char *psz : c.apszKnown) {
      const OPENTRY *p = pFind(psz);
      ASSERT_NE(p, nullptr) << psz << " under mask " << int(c.bMask);
      EXPECT_EQ(p->bKind, OPK_MACHINE);
    }
    for (const char *psz : c.apszUnknown) EXPECT_EQ(pFind(psz), nullptr) << psz << " under mask " << int(c.bMask);
    uint32_t ulMachines = 0;
    for (uint32_t i = 0; i < g_optab.ulCount; i++) {
      EXPECT_EQ(g_optab.pEntries[i].sIndex, static_cast<int16_t>(i));
      ulMachines += g_optab.pEntries[i].bKind == OPK_MACHINE;
    }
    EXPECT_EQ(ulMachines, c.ulMachines) << "mask " << int(c.bMask);
    EXPECT_EQ(g_optab.pEntries[0].abOps[3], 255); /* the nameless entries stay in front */
    EXPECT_EQ(g_optab.pEntries[1].abOps[2], 1);
    EXPECT_EQ(g_optab.ulDescCount, c.bMask == OPTABLE_ASM ? 0u : DESC_COUNT);
    TearDown();
  }
}

TEST_F(OptTest, IndexFindsEveryEntryAndTheBuiltInSynonyms)
{
  vLoad(OPTABLE_UNI);
  const auto abExec = ebc("EXEC");
  for (uint32_t i = 2; i < g_optab.ulCount; i++)
    if (std::memcmp(g_optab.pEntries[i].abName, abExec.data(), abExec.size()) != 0) {
      EXPECT_EQ(pOpindexFind(g_optab.pEntries[i].abName), &g_optab.pEntries[i]) << i;
    }
  EXPECT_LE(ulOpindexHeight(), 11u); /* 816 names, perfectly balanced in 10 levels, then AGOB, AIFB, CCW0 */
  EXPECT_EQ(pFind("AGOB"), pFind("AGO"));
  EXPECT_EQ(pFind("AIFB"), pFind("AIF"));
  EXPECT_EQ(pFind("CCW0"), pFind("CCW"));
  EXPECT_EQ(pFind("EXEC"), nullptr);
  EXPECT_EQ(pFind("LX"), nullptr);
  EXPECT_EQ(pFind("A0"), nullptr);
  TearDown();
  vLoad(OPTABLE_UNI, true);
  EXPECT_NE(pFind("EXEC"), nullptr);
}

TEST_F(OptTest, IndexUpdatesReplaceDeleteAndInsert)
{
  vLoad(OPTABLE_ESA);
  int aiRecords[300];
  /* names in ascending order: the worst case for a search tree */
  std::vector<std::vector<uint8_t>> aNames;
  for (int i = 0; i < 300; i++) {
    char szName[16];
    std::snprintf(szName, sizeof szName, "ZZ%03d", i);
    aNames.push_back(ebc(szName));
    vOpindexSet(aNames.back().data(), &aiRecords[i]);
  }
  for (int i = 0; i < 300; i++) EXPECT_EQ(pOpindexFind(aNames[static_cast<size_t>(i)].data()), &aiRecords[i]);
  for (uint32_t i = 2; i < g_optab.ulCount; i++)
    if (g_optab.pEntries[i].abOps[2] != 29 || g_optab.pEntries[i].bLength != 0) { /* EXEC is removed */
      EXPECT_EQ(pOpindexFind(g_optab.pEntries[i].abName), &g_optab.pEntries[i]);
    }

  vOpindexSet(ebc("LR").data(), nullptr); /* OPSYN LR, */
  EXPECT_EQ(pFind("LR"), nullptr);
  vOpindexSet(ebc("LR").data(), pFindRecord("L")); /* LR OPSYN L */
  EXPECT_EQ(pFind("LR"), pFind("L"));
  vOpindexSet(ebc("NOSUCH").data(), nullptr); /* deleting an unknown name adds nothing */
  EXPECT_EQ(pFind("NOSUCH"), nullptr);

  /* the next assembly starts from the table again */
  vOpindexDrop();
  vSubpoolRelease(SP_PHASE1);
  vOpindexBuild(false);
  EXPECT_NE(pFind("LR"), pFind("L"));
  EXPECT_EQ(pOpindexFind(aNames[0].data()), nullptr);
}

TEST_F(OptTest, ThreeNodeChainsAreRebalancedOnInsertion)
{
  /* a table of only the two nameless entries leaves an empty index */
  auto ab = abImage();
  vPut32(ab.data() + 608, 48);
  vPut32(ab.data() + 612, 2);
  std::vector<uint8_t> abSmall(ab.begin(), ab.begin() + OFF_ENTRIES + 48);
  abSmall.insert(abSmall.end(), ab.begin() + OFF_ENTRIES + ENTRY_COUNT * 24, ab.end());
  ASSERT_EQ(iOptableLoadImage(abSmall.data(), abSmall.size(), "small"), 0);
  vOptableSelect(OPTABLE_UNI);
  vOpindexBuild(true);
  EXPECT_EQ(ulOpindexHeight(), 0u);

  int i1, i2, i3;
  struct {
    const char *apsz[3];
  } const aOrders[] = {{{"A", "B", "C"}}, {{"C", "B", "A"}}, {{"A", "C", "B"}}, {{"C", "A", "B"}}};
  for (const auto &o : aOrders) {
    vOpindexDrop();
    vOpindexSet(ebc(o.apsz[0]).data(), &i1);
    vOpindexSet(ebc(o.apsz[1]).data(), &i2);
    vOpindexSet(ebc(o.apsz[2]).data(), &i3);
    EXPECT_EQ(ulOpindexHeight(), 2u) << o.apsz[0] << o.apsz[1] << o.apsz[2];
    EXPECT_EQ(pFindRecord(o.apsz[0]), &i1);
    EXPECT_EQ(pFindRecord(o.apsz[1]), &i2);
    EXPECT_EQ(pFindRecord(o.apsz[2]), &i3);
  }
}

TEST_F(OptTest, PearsonHashesFollowThePermutationTables)
{
  ASSERT_EQ(iOptableLoadImage(g_abOptImage, g_ulOptImageSize, "x"), 0);
  EXPECT_EQ(0, std::memcmp(g_abPearsonT1, g_abOptImage + 88, 256));
  EXPECT_EQ(0, std::memcmp(g_abPearsonT2, g_abOptImage + 344, 256));
  const uint8_t abName[] = {0xC1, 0xC2, 0xC3};
  uint8_t h = 0, h1 = 0, h2 = 0;
  for (uint8_t b : abName) h = g_abPearsonT1[h ^ b];
  EXPECT_EQ(bPearsonHash(abName, 3), h);
  EXPECT_EQ(bPearsonHash(abName, 0), 0);
  vPearsonPair(abName, 3, &h1, &h2);
  EXPECT_EQ(h1, h);
  uint8_t h2Expected = g_abPearsonT2[g_abPearsonT2[g_abPearsonT2[0xC1] ^ 0xC2] ^ 0xC3];
  EXPECT_EQ(h2, h2Expected);
}

} // namespace
