// The option step through the real program: the options file next to it,
// source from a pipe, and nothing left on disk when options are rejected.
#include <gtest/gtest.h>

#include "runvorn.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

class OptionsRun : public RunDirTest {
protected:
  void SetUp() override
  {
    RunDirTest::SetUp();
    vSource("one.asm", "         END\n");
  }
  static std::string strAfterBanner(const RUN &run)
  {
    return run.strErr.rfind(c_strBanner, 0) == 0 ? run.strErr.substr(c_strBanner.size()) : "(no banner) " + run.strErr;
  }
};

TEST_F(OptionsRun, SourceFromAPipe)
{
  RUN run = runPiped(strDir, {"-NOLIST"}, "* piped\n         END\n");
  EXPECT_EQ(run.iRc, 0) << run.strErr;
  EXPECT_EQ(astrFiles(strDir + "/tmp"), std::vector<std::string>{}); /* the copy is gone */

  /* the files of the run are named after STDIN */
  run = runPiped(strDir, {"-TRACE(64)"}, "         END\n");
  EXPECT_EQ(run.iRc, 0) << run.strErr;
  EXPECT_NE(run.strErr.find("KZM950I 1 (STDIN) 1\n"), std::string::npos) << run.strErr;

  run = runPiped(strDir, {}, nullptr);
  EXPECT_EQ(run.iRc, 20);
  EXPECT_EQ(strAfterBanner(run), "KZM010S Missing source file name.\n" + c_strUsageHint +
                                     "KZM999I Assembly terminated with return code 20.\n");
}

/* Help and version are answered on standard output before any assembly;
   after "--" those words are source names like any other argument. */
TEST_F(OptionsRun, HelpAndVersion)
{
  for (const auto &astrArgs :
       std::vector<std::vector<std::string>>{{"-h"}, {"-?"}, {"--help"}, {"one.asm", "--help"}}) {
    RUN run = runPiped(strDir, astrArgs, nullptr);
    EXPECT_EQ(run.iRc, 0);
    EXPECT_EQ(run.strErr, "");
    EXPECT_EQ(run.strOut.rfind("Usage: vorn [options] source...\n", 0), 0u) << run.strOut;
    for (const char *psz : {"NOLIST", "OBJECT", "DECK", "TERM", "prog.lst", "prog.obj", "Return codes", "20 "})
      EXPECT_NE(run.strOut.find(psz), std::string::npos) << psz;
  }
  RUN run = runPiped(strDir, {"--version"}, nullptr);
  EXPECT_EQ(run.iRc, 0);
  EXPECT_EQ(run.strOut, "Velmora 390 Cross Assembler  -  version 1.2.00\n");
  EXPECT_EQ(run.strErr, "");
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"one.asm", "tmp"}));

  run = runPiped(strDir, {"-NOLIST", "--", "--help"}, nullptr);
  EXPECT_EQ(run.iRc, 20);
  EXPECT_NE(run.strErr.find("KZM900S Error opening SYSIN file --help"), std::string::npos) << run.strErr;
}

/* The examples of --help run as they stand when pasted into bash; the one
   with SYSLIB finds its macro through the first pattern. */
TEST_F(OptionsRun, HelpExamplesRunInBash)
{
  RUN help = runPiped(strDir, {"--help"}, nullptr);
  mkdir((strDir + "/maclib").c_str(), 0700);
  vSource("maclib/mymac.mac", "         MACRO\n         MYMAC\n         DC    X'5A'\n         MEND\n");
  std::string strVornDir = std::string(VORN_EXE).substr(0, std::string(VORN_EXE).rfind('/'));
  unsigned uExamples = 0;
  for (const std::string &strLine : astrLines(help.strOut)) {
    if (strLine.rfind("  vorn ", 0) != 0) continue;
    uExamples++;
    bool bLibrary = strLine.find("SYSLIB") != std::string::npos;
    vSource("prog.asm", std::string(bLibrary ? "         MYMAC\n" : "") + "         END\n");
    vSource("example.sh", strLine + "\n");
    unlink((strDir + "/prog.obj").c_str());
    int iStatus = std::system(
        ("cd '" + strDir + "' && PATH='" + strVornDir + "':\"$PATH\" bash example.sh >/dev/null 2>&1").c_str());
    EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << strLine;
    std::ifstream in(strDir + "/prog.obj", std::ios::binary);
    std::string strObj((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(strObj.find('\x5A') != std::string::npos, bLibrary) << strLine; /* the macro's byte */
  }
  EXPECT_EQ(uExamples, 2u) << help.strOut;
}

/* Commas separate options as blanks do, except inside parentheses; "--"
   ends the options. */
TEST_F(OptionsRun, CommasBetweenOptionsAndTheEndOfOptions)
{
  RUN run = runPiped(strDir, {"-NOLIST,OBJECT", "one.asm"}, nullptr);
  EXPECT_EQ(run.iRc, 0) << run.strErr;
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"one.asm", "one.obj", "tmp"}));

  vSource("-two.asm", "         LR    1,2\n         END\n");
  run = runPiped(strDir, {"-FLAG(4,NOALIGN),,NOOBJECT LIST", "--", "-two.asm"}, nullptr);
  EXPECT_EQ(run.iRc, 0) << run.strErr;
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"-two.asm", "-two.lst", "one.asm", "one.obj", "tmp"}));

  run = runPiped(strDir, {"-NOLIST,FLAG(4,BAD)", "one.asm"}, nullptr);
  EXPECT_EQ(strAfterBanner(run), "KZM002S Option FLAG(4,BAD) in command line parameter 1 is invalid.\n"
                                 "KZM999I Assembly terminated with return code 20.\n");
}

/* The terminal stream and the messages sent into one file keep the order in
   which they were written: the statement in error before the summary. */
TEST_F(OptionsRun, StreamsSharingOneFileKeepTheirOrder)
{
  vSource("bad.asm", "         BADOP\n         END\n");
  RUN run = runPiped(strDir, {"-NOLIST", "bad.asm"}, nullptr, {}, false, true);
  EXPECT_EQ(run.iRc, 12);
  EXPECT_EQ(astrLines(run.strOut),
            (std::vector<std::string>{
                astrLines(c_strBanner)[0], astrLines(c_strBanner)[1], "bad.asm(1) :          BADOP",
                "bad.asm(1) : KZM141E Macro BADOP was not found in SYSLIB.", astrLines(run.strOut).back()}));
  EXPECT_EQ(astrLines(run.strOut).back().rfind("KZM000I Return code 12,", 0), 0u) << run.strOut;
}

TEST_F(OptionsRun, RejectedOptionsLeaveNothingBehind)
{
  struct {
    std::vector<std::string> astrArgs;
    const char *pszStdin;
    std::string strMessage;
  } const aCases[] = {
      {{"-SYSTERM(t.out) BAD", "one.asm"}, nullptr, "KZM002S Option BAD in command line parameter 1 is invalid."},
      {{"-OBJ", "one.asm"}, nullptr, "KZM002S Option OBJ in command line parameter 1 is invalid. Did you mean OBJECT?"},
      {{"-NOLIST", "-LINECOUNT(5)"},
       "         END\n",
       "KZM002S Option LINECOUNT(5) in command line parameter 2 does not contain a LINECOUNT number of 0 or 10 to "
       "32767."},
      {{"-SYSLIB(/x/y.mac)", "one.asm"},
       nullptr,
       "KZM012S VORNLIB environment variable path \"/x/y.mac\" does not contain an '*'."},
      {{"-IDR(123456789012345)"},
       "         END\n",
       "KZM002S Option IDR(123456789012345) in command line parameter 1 has an IDR string longer than 14 "
       "characters."},
  };
  for (const auto &c : aCases) {
    RUN run = runPiped(strDir, c.astrArgs, c.pszStdin);
    EXPECT_EQ(run.iRc, 20);
    EXPECT_EQ(strAfterBanner(run), c.strMessage + "\nKZM999I Assembly terminated with return code 20.\n");
    EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"one.asm", "tmp"}));
    EXPECT_EQ(astrFiles(strDir + "/tmp"), std::vector<std::string>{});
  }
}

TEST_F(OptionsRun, OptionsFileBesideTheProgram)
{
  /* found through /proc/self/exe, also when started through PATH */
  RUN run = runPiped(strDir, {"-LIST(133) NOXREF", "one.asm"}, nullptr, {}, true);
  EXPECT_EQ(run.iRc, 0) << run.strErr;

  /* VORNDIR names another directory, which must hold vorn.ini */
  run = runPiped(strDir, {"one.asm"}, nullptr, {"VORNDIR=" + strDir});
  EXPECT_EQ(run.iRc, 20);
  EXPECT_EQ(strAfterBanner(run), "KZM006S Error reading options file " + strDir +
                                     "/vorn.ini: No such file or directory\n"
                                     "KZM999I Assembly terminated with return code 20.\n");
  std::ofstream(strDir + "/vorn.ini") << "* empty\n";
  run = runPiped(strDir, {"one.asm", "-SYSPARM(a:b)"}, nullptr, {"VORNDIR=" + strDir});
  EXPECT_EQ(strAfterBanner(run), "KZM004S Missing 3A=xx option.\nKZM999I Assembly terminated with return code 20.\n");
}

} // namespace
