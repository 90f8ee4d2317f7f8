// End-to-end runs of the console assembler: return codes, the summary line,
// the termination messages, trace lines and what is left on disk.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "vorn.h"

namespace {

struct RUN {
  int iRc;
  std::string strOut, strErr;
};

std::string strSlurp(int iFd)
{
  std::string str;
  char ach[4096];
  ssize_t n;
  lseek(iFd, 0, SEEK_SET);
  while ((n = read(iFd, ach, sizeof ach)) > 0) str.append(ach, static_cast<size_t>(n));
  return str;
}

/* Runs vorn in a directory with the given arguments and standard input. */
RUN runVorn(const std::string &strDir, const std::vector<std::string> &astrArgs, const char *pszStdin = nullptr)
{
  char szOut[] = "/tmp/vornoutXXXXXX", szErr[] = "/tmp/vornerrXXXXXX";
  int iOut = mkstemp(szOut), iErr = mkstemp(szErr);
  unlink(szOut);
  unlink(szErr);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(strDir.c_str()) != 0) _exit(99);
    setenv("TMPDIR", (strDir + "/tmp").c_str(), 1);
    int iIn = open(pszStdin != nullptr ? pszStdin : "/dev/null", O_RDONLY);
    dup2(iIn, 0);
    dup2(iOut, 1);
    dup2(iErr, 2);
    std::vector<char *> apsz;
    apsz.push_back(const_cast<char *>(VORN_EXE));
    for (const auto &str : astrArgs) apsz.push_back(const_cast<char *>(str.c_str()));
    apsz.push_back(nullptr);
    execv(VORN_EXE, apsz.data());
    _exit(98);
  }
  int iStatus = 0;
  waitpid(pid, &iStatus, 0);
  RUN run{WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1, strSlurp(iOut), strSlurp(iErr)};
  close(iOut);
  close(iErr);
  return run;
}

std::vector<std::string> astrLines(const std::string &str)
{
  std::vector<std::string> astr;
  size_t ulStart = 0;
  for (size_t ulNl; (ulNl = str.find('\n', ulStart)) != std::string::npos; ulStart = ulNl + 1)
    astr.push_back(str.substr(ulStart, ulNl - ulStart));
  if (ulStart < str.size()) astr.push_back(str.substr(ulStart));
  return astr;
}

std::vector<std::string> astrDir(const std::string &strDir)
{
  std::vector<std::string> astr;
  if (DIR *pDir = opendir(strDir.c_str())) {
    while (dirent *pEnt = readdir(pDir))
      if (pEnt->d_name[0] != '.') astr.push_back(pEnt->d_name);
    closedir(pDir);
  }
  std::sort(astr.begin(), astr.end());
  return astr;
}

class VornRun : public ::testing::Test {
protected:
  std::string strDir;
  void SetUp() override
  {
    char szDir[] = "/tmp/vorne2eXXXXXX";
    strDir = mkdtemp(szDir);
    mkdir((strDir + "/tmp").c_str(), 0700);
  }
  void TearDown() override { std::system(("rm -rf '" + strDir + "'").c_str()); }
  void vSource(const std::string &strName, const std::string &strText)
  {
    std::ofstream(strDir + "/" + strName, std::ios::binary) << strText;
  }
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
  EXPECT_EQ(astrDir(strDir + "/tmp"), std::vector<std::string>{});
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
      {{}, "KZM010S Missing source file name.\n"},
      {{"-TRACE(0)"}, "KZM010S Missing source file name.\n"},
      {{"missing.asm"}, "KZM900S Error opening SYSIN file missing.asm: No such file or directory\n"},
      {{"adir"}, "KZM900S Error opening SYSIN file adir: Is a directory\n"},
  };
  for (const auto &c : aCases) {
    RUN run = runVorn(strDir, c.astrArgs);
    EXPECT_EQ(run.iRc, 20);
    EXPECT_EQ(run.strErr, c.strErr + "KZM999I Assembly terminated with return code 20.\n");
    EXPECT_EQ(run.strOut, "");
  }
  EXPECT_EQ(astrDir(strDir), (std::vector<std::string>{"adir", "empty.asm", "tmp"}));
  EXPECT_EQ(astrDir(strDir + "/tmp"), std::vector<std::string>{});
}

TEST_F(VornRun, TraceOneShowsThePhaseLinesInOrder)
{
  vSource("one.asm", "         END\n");
  RUN run = runVorn(strDir, {"-TRACE(1)", "one.asm"});
  EXPECT_EQ(run.iRc, 0);
  auto astr = astrLines(run.strErr);
  ASSERT_EQ(astr.size(), 4u) << run.strErr;
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
  ASSERT_EQ(astr.size(), 7u) << run.strErr;
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

} // namespace
