// End-to-end runs of the console assembler: return codes, the summary line,
// the termination messages, trace lines and what is left on disk.
#include <gtest/gtest.h>

#include "runvorn.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "optimage.h"
#include "vorn.h"

namespace {

constexpr size_t BANNER_LINES = 2;

RUN runVorn(const std::string &strDir, const std::vector<std::string> &astrArgs)
{
  return runPiped(strDir, astrArgs, nullptr);
}

class VornRun : public RunDirTest {
protected:
  static bool bSummary(const std::string &strLine, unsigned uRc)
  {
    std::string strStart = "KZM000I Return code " + std::to_string(uRc) + ", elapsed time ";
    return strLine.rfind(strStart, 0) == 0 && strLine.size() > 8 && strLine.substr(strLine.size() - 9) == " seconds.";
  }
};

TEST_F(VornRun, EndOnlyProgramAssemblesCleanly)
{
  vSource("one.asm", "         END\n");
  RUN run = runVorn(strDir, {"one.asm"});
  EXPECT_EQ(run.iRc, 0);
  auto astr = astrLines(run.strErr);
  ASSERT_FALSE(astr.empty());
  EXPECT_TRUE(bSummary(astr.back(), 0)) << run.strErr;
  EXPECT_EQ(astrFiles(strDir + "/tmp"), std::vector<std::string>{});
}

TEST_F(VornRun, MissingEndIsAWarning)
{
  vSource("noend.asm", "* no end statement\n         LR    1,2\n");
  RUN run = runVorn(strDir, {"noend.asm"});
  EXPECT_EQ(run.iRc, 4);
  EXPECT_TRUE(bSummary(astrLines(run.strErr).back(), 4)) << run.strErr;
}

TEST_F(VornRun, StartUpFailuresTerminateWithTwenty)
{
  vSource("empty.asm", "");
  mkdir((strDir + "/adir").c_str(), 0700);
  struct {
    std::vector<std::string> astrArgs;
    std::string strErr;
  } const aCases[] = {
      {{"empty.asm"}, "KZM100S Source file is empty.\n"},
      {{}, "KZM010S Missing source file name.\n" + c_strUsageHint},
      {{"-TRACE(0)"}, "KZM010S Missing source file name.\n" + c_strUsageHint},
      {{"missing.asm"}, "KZM900S Error opening SYSIN file missing.asm: No such file or directory\n"},
      {{"adir"}, "KZM900S Error opening SYSIN file adir: Is a directory\n"},
  };
  for (const auto &c : aCases) {
    RUN run = runVorn(strDir, c.astrArgs);
    EXPECT_EQ(run.iRc, 20);
    EXPECT_EQ(run.strErr, c_strBanner + c.strErr + "KZM999I Assembly terminated with return code 20.\n");
    EXPECT_EQ(run.strOut, "");
  }
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"adir", "empty.asm", "tmp"}));
  EXPECT_EQ(astrFiles(strDir + "/tmp"), std::vector<std::string>{});
}

TEST_F(VornRun, TraceOneShowsThePhaseLinesInOrder)
{
  vSource("one.asm", "         END\n");
  RUN run = runVorn(strDir, {"-TRACE(1)", "one.asm"});
  EXPECT_EQ(run.iRc, 0);
  auto astr = astrLines(run.strErr);
  ASSERT_EQ(astr.size(), BANNER_LINES + 4) << run.strErr;
  EXPECT_EQ(run.strErr.substr(0, c_strBanner.size()), c_strBanner);
  astr.erase(astr.begin(), astr.begin() + BANNER_LINES);
  EXPECT_EQ(astr[0], "KZM950I Entering conditional assembly phase ...");
  EXPECT_EQ(astr[1], "KZM950I Entering code generation phase ...");
  EXPECT_EQ(astr[2], "KZM950I Completing code generation phase ...");
  EXPECT_TRUE(bSummary(astr[3], 0));

  run = runVorn(strDir, {"-trace(0)", "one.asm"});
  EXPECT_EQ(run.strErr.find("KZM950I"), std::string::npos) << run.strErr;
}

TEST_F(VornRun, TraceSixtyFourListsEachStatementOfTheSecondPhase)
{
  vSource("three.asm", "* comment\n         LR    1,2\n         END\n");
  RUN run = runVorn(strDir, {"-TRACE(64)", "three.asm"});
  EXPECT_EQ(run.iRc, 0);
  auto astr = astrLines(run.strErr);
  ASSERT_EQ(astr.size(), BANNER_LINES + 7) << run.strErr;
  astr.erase(astr.begin(), astr.begin() + BANNER_LINES);
  EXPECT_EQ(astr[0], "KZM950I Entering conditional assembly phase ...");
  EXPECT_EQ(astr[1], "KZM950I Entering code generation phase ...");
  EXPECT_EQ(astr[2], "KZM950I 1 three.asm 1");
  EXPECT_EQ(astr[3], "KZM950I 2 three.asm 2");
  EXPECT_EQ(astr[4], "KZM950I 3 three.asm 3");
  EXPECT_EQ(astr[5], "KZM950I Completing code generation phase ...");
}

TEST_F(VornRun, SeveralSourceFilesAreReadAsOneInput)
{
  vSource("a.asm", "* first part\n");
  vSource("b.asm", "         END\n");
  RUN run = runVorn(strDir, {"-TRACE(64)", "a.asm", "b.asm"});
  EXPECT_EQ(run.iRc, 0);
  EXPECT_NE(run.strErr.find("KZM950I 1 a.asm 1\nKZM950I 2 b.asm 1\n"), std::string::npos) << run.strErr;
}

TEST_F(VornRun, TableFileBesideTheProgramTakesThePlaceOfTheBuiltInTable)
{
  std::string strProg = strDir + "/prog";
  mkdir(strProg.c_str(), 0700);
  std::ifstream in(std::string(VORN_TEST_DIR) + "/../console/vorn.ini", std::ios::binary);
  std::ofstream(strProg + "/vorn.ini", std::ios::binary) << in.rdbuf();
  vSource("one.asm", "         LR    1,2\n         END\n");
  std::vector<uint8_t> ab(g_abOptImage, g_abOptImage + g_ulOptImageSize);
  ab[604] = 25; /* record size of the operation code section */
  std::ofstream(strProg + "/vorn.opt", std::ios::binary)
      .write(reinterpret_cast<const char *>(ab.data()), static_cast<long>(ab.size()));
  RUN run = runPiped(strDir, {"one.asm"}, nullptr, {"VORNDIR=" + strProg});
  EXPECT_EQ(run.iRc, 20);
  EXPECT_EQ(run.strErr, c_strBanner + "KZM006S Error 5 reading OPTABLE file " + strProg +
                            "/vorn.opt: No error\nKZM999I Assembly terminated with return code 20.\n");

  ab[604] = 24;
  std::ofstream(strProg + "/vorn.opt", std::ios::binary)
      .write(reinterpret_cast<const char *>(ab.data()), static_cast<long>(ab.size()));
  run = runPiped(strDir, {"one.asm"}, nullptr, {"VORNDIR=" + strProg});
  EXPECT_EQ(run.iRc, 0) << run.strErr;
}

TEST_F(VornRun, SizeZeroSpillsTheWorkFileAndLeavesNothingBehind)
{
  vSource("one.asm", "         LR    1,2\n         END\n");
  RUN run = runVorn(strDir, {"-SIZE(0)", "-TRACE(2)", "one.asm"});
  EXPECT_EQ(run.iRc, 0) << run.strErr;
  EXPECT_NE(run.strErr.find("KZM950I Temporary work file memory set to 0.\n"), std::string::npos) << run.strErr;
  EXPECT_NE(run.strErr.find("KZM950I Work file 0 (" + strDir + "/tmp/vornut0"), std::string::npos) << run.strErr;
  EXPECT_EQ(astrFiles(strDir + "/tmp"), std::vector<std::string>{});
}

/* 24 MiB in whole chunks of 65 488 bytes */
TEST_F(VornRun, WorkFilesKeep24MiBByDefaultAndAllWithSizeMax)
{
  vSource("one.asm", "         LR    1,2\n         END\n");
  for (const auto &[pszSize, pszBudget] : {std::pair{"", "25147392"}, std::pair{"-SIZE(MAX)", "4294964992"}}) {
    std::vector<std::string> astrArgs = {"-TRACE(2)", "one.asm"};
    if (*pszSize != '\0') astrArgs.insert(astrArgs.begin(), pszSize);
    RUN run = runVorn(strDir, astrArgs);
    EXPECT_EQ(run.iRc, 0) << run.strErr;
    EXPECT_NE(run.strErr.find(std::string("KZM950I Temporary work file memory set to ") + pszBudget + ".\n"),
              std::string::npos)
        << pszSize << run.strErr;
  }
}

TEST_F(VornRun, BatchAssemblesEveryProgramOfTheInput)
{
  vSource("two.asm", "         LR    1,2\n         END\n         FOO   1\n         END\n");
  RUN run = runVorn(strDir, {"-BATCH", "-TRACE(1)", "two.asm"});
  EXPECT_EQ(run.iRc, 12) << run.strErr;
  auto astr = astrLines(run.strErr);
  EXPECT_EQ(std::count(astr.begin(), astr.end(), "KZM950I Entering conditional assembly phase ..."), 2);
  run = runVorn(strDir, {"-NOBATCH", "two.asm"});
  EXPECT_EQ(run.iRc, 0) << run.strErr;
}

TEST_F(VornRun, OnlyBlankLinesAndCommentsAfterEndAreNoProgram)
{
  const std::string strNote = "KZM146I records after END were not assembled; BATCH assembles them\n";
  vSource("trail.asm", "         LR    1,2\n         END\n\n* trailing comment\n");
  vSource("more.asm", "         LR    1,2\n         END\n* the next program\n         LR    3,4\n         END\n");
  struct {
    const char *pszOption, *pszSource;
    unsigned uRc;
    int iPrograms;
    bool bNote;
  } const aCases[] = {
      {"-BATCH", "trail.asm", 0, 1, false},
      {"-NOBATCH", "trail.asm", 0, 1, false},
      {"-BATCH", "more.asm", 0, 2, false},
      {"-NOBATCH", "more.asm", 0, 1, true},
  };
  for (const auto &c : aCases) {
    RUN run = runVorn(strDir, {c.pszOption, "-TRACE(1)", "-LIST", c.pszSource});
    std::string strWhat = std::string(c.pszOption) + " " + c.pszSource;
    EXPECT_EQ(run.iRc, static_cast<int>(c.uRc)) << strWhat << run.strErr;
    auto astr = astrLines(run.strErr);
    EXPECT_EQ(std::count(astr.begin(), astr.end(), "KZM950I Entering conditional assembly phase ..."), c.iPrograms)
        << strWhat;
    EXPECT_EQ(run.strErr.find(strNote) != std::string::npos, c.bNote) << strWhat << run.strErr;
    std::ifstream f(strDir + "/" + std::string(c.pszSource).substr(0, std::string(c.pszSource).find('.')) + ".lst");
    std::string strListing((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t ulNote = strListing.find(strNote);
    EXPECT_EQ(ulNote != std::string::npos, c.bNote) << strWhat;
    if (c.bNote) {
      EXPECT_EQ(strListing.compare(ulNote + strNote.size(), 20, "KZM000I Return code "), 0) << strWhat;
    }
  }
}

TEST_F(VornRun, AnEndInErrorStillEndsItsProgram)
{
  /* END defines its label: a duplicate is an error, but the program ends there */
  vSource("two.asm", "A        DS    F\nA        END\n         LR    1,2\n         END\n");
  RUN run = runVorn(strDir, {"-BATCH", "-TRACE(1)", "-NOLIST", "two.asm"});
  EXPECT_EQ(run.iRc, 12) << run.strErr;
  auto astr = astrLines(run.strErr);
  EXPECT_EQ(std::count(astr.begin(), astr.end(), "KZM950I Entering conditional assembly phase ..."), 2);
  EXPECT_EQ(run.strOut.find("KZM108W"), std::string::npos) << run.strOut;
  EXPECT_NE(run.strOut.find("KZM110E A has been previously defined."), std::string::npos) << run.strOut;
}

TEST_F(VornRun, HostileSourcesAreDiagnosedNotCrashedOn)
{
  auto cont = [](const std::string &str) { return str + std::string(71 - str.size(), ' ') + "X\n"; };
  std::string strManyRecords = cont("         DC    C'");
  for (int i = 0; i < 10000; i++) strManyRecords += cont("               " + std::string(56, 'A'));
  std::string strBinary;
  for (int i = 0; i < 20000; i++) strBinary += static_cast<char>((i * 7919) & 0xFF);
  struct {
    const char *pszWhat;
    std::string strSource;
  } const aCases[] = {
      {"binary junk", strBinary},
      {"NUL bytes", std::string("         LR    1,2\0\0\0\n", 22) + std::string(500, '\0') + "\n         END\n"},
      {"line of 100000 characters", std::string(100000, 'Q') + "\n         END\n"},
      {"10000 continuation records", strManyRecords},
      {"unterminated quote at the end", "LBL      EQU   C'ABC"},
      {"deep parentheses",
       std::string("X").append(strContinued("EQU", std::string(150, '(') + "1" + std::string(150, ')')), 1) +
           "\n         END\n"},
      {"long symbol", std::string(70, 'S') + " LR 1,2\n" + "Y        EQU   " + std::string(56, 'Z') + "\n"},
  };
  for (const auto &c : aCases) {
    vSource("hostile.asm", c.strSource);
    RUN run = runVorn(strDir, {"hostile.asm"});
    EXPECT_TRUE(run.iRc == 0 || run.iRc == 4 || run.iRc == 8 || run.iRc == 12 || run.iRc == 16)
        << c.pszWhat << ": " << run.iRc << "\n"
        << run.strErr.substr(0, 2000);
    EXPECT_TRUE(bSummary(astrLines(run.strErr).back(), static_cast<unsigned>(run.iRc))) << c.pszWhat;
  }
  EXPECT_EQ(astrFiles(strDir + "/tmp"), std::vector<std::string>{});
}

TEST(SummaryLine, TimesAreFormattedAsSecondsWithOptionalFractions)
{
  struct {
    unsigned uRc;
    long lHundredths, lMillis;
    const char *pszLine;
  } const aCases[] = {
      {4, 307, 1250, "KZM000I Return code 4, elapsed time 3.07 seconds, processor time 1.250 seconds."},
      {0, 300, 0, "KZM000I Return code 0, elapsed time 3 seconds."},
      {0, 200, 0, "KZM000I Return code 0, elapsed time 2 seconds."},
      {8, 205, 0, "KZM000I Return code 8, elapsed time 2.05 seconds."},
      {16, 0, 7, "KZM000I Return code 16, elapsed time 0 seconds, processor time 0.007 seconds."},
      {12, 12345, 61001, "KZM000I Return code 12, elapsed time 123.45 seconds, processor time 61.001 seconds."},
  };
  for (const auto &c : aCases) {
    char achLine[160];
    vSummaryFormat(achLine, sizeof achLine, c.uRc, c.lHundredths, c.lMillis);
    EXPECT_STREQ(achLine, c.pszLine);
  }
}

TEST(TraceOption, NonzeroValuesSwitchOnPhaseLinesAndCopyTheLowByte)
{
  struct {
    unsigned long ulValue;
    uint32_t ulMask;
  } const aCases[] = {{0, 0}, {1, 0x01}, {2, 0x03}, {64, 0x41}, {255, 0xFF}, {256, 0x01}, {32767, 0xFF}};
  for (const auto &c : aCases) EXPECT_EQ(ulTraceMask(c.ulValue), c.ulMask) << c.ulValue;
}

TEST_F(VornRun, MoreThan65535ExternalSymbolsEndTheAssembly)
{
  std::string str;
  for (int i = 0; i < 70000; i++) str += "         EXTRN X" + std::to_string(i) + "\n";
  vSource("many.asm", str + "         END\n");
  RUN run = runVorn(strDir, {"many.asm", "-NOLIST", "-NOOBJECT"});
  EXPECT_EQ(run.iRc, 20);
  EXPECT_NE(run.strErr.find("KZM150S More than 65535 external symbols defined.\n"), std::string::npos) << run.strErr;
}

} // namespace
