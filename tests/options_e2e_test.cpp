// The option step through the real program: the options file next to it,
// source from a pipe, and nothing left on disk when options are rejected.
#include <gtest/gtest.h>

#include "runvorn.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
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
  EXPECT_EQ(strAfterBanner(run),
            "KZM010S Missing source file name.\nKZM999I Assembly terminated with return code 20.\n");
}

TEST_F(OptionsRun, RejectedOptionsLeaveNothingBehind)
{
  struct {
    std::vector<std::string> astrArgs;
    const char *pszStdin;
    std::string strMessage;
  } const aCases[] = {
      {{"-SYSTERM(t.out) BAD", "one.asm"}, nullptr, "KZM002S Option BAD in command line parameter 1 is invalid."},
      {{"-NOLIST", "-LINECOUNT(5)"}, "         END\n",
       "KZM002S Option LINECOUNT(5) in command line parameter 2 does not contain a LINECOUNT number of 0 or 10 to "
       "32767."},
      {{"-SYSLIB(/x/y.mac)", "one.asm"}, nullptr,
       "KZM012S VORNLIB environment variable path \"/x/y.mac\" does not contain an '*'."},
      {{"-IDR(123456789012345)"}, "         END\n",
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
  EXPECT_EQ(strAfterBanner(run),
            "KZM004S Missing 3A=xx option.\nKZM999I Assembly terminated with return code 20.\n");
}

} // namespace
