/* The outputs of a run never destroy an input, never stay behind half
   written or stale, and every lost byte of output is a failure; the caps on
   options-file lines and statement records; one resolution pass for a chain
   of LOCTR counters. */
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "runvorn.h"

namespace fs = std::filesystem;

namespace {

class Outputs : public RunDirTest {
protected:
  /* Starts vorn in strDir: standard output to pszOut (default: discarded),
     file sizes limited to lLimit bytes when given. */
  int iStdin = -1; /* standard input of the runs, if not the test's own */
  pid_t pidStart(const std::vector<std::string> &astrArgs, const char *pszOut, long lLimit,
                 const std::vector<std::string> &astrEnv = {})
  {
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(strDir.c_str()) != 0) _exit(99);
    unsetenv("VORNDIR");
    unsetenv("VORNINI");
    unsetenv("VORNLIB");
    for (const auto &str : astrEnv) putenv(const_cast<char *>(str.c_str()));
    int iErr = open("tmp/err", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int iOut = open(pszOut != nullptr ? pszOut : "/dev/null", O_WRONLY);
    if (iErr < 0 || iOut < 0 || dup2(iOut, 1) < 0 || dup2(iErr, 2) < 0) _exit(99);
    if (iStdin >= 0 && dup2(iStdin, 0) < 0) _exit(99);
    if (lLimit > 0) {
      std::signal(SIGXFSZ, SIG_DFL);
      rlimit lim{static_cast<rlim_t>(lLimit), static_cast<rlim_t>(lLimit)};
      setrlimit(RLIMIT_FSIZE, &lim);
    }
    alarm(60); /* a hang fails the test instead of blocking it */
    std::vector<char *> apsz{const_cast<char *>(VORN_EXE)};
    for (const auto &str : astrArgs) apsz.push_back(const_cast<char *>(str.c_str()));
    apsz.push_back(nullptr);
    execv(VORN_EXE, apsz.data());
    _exit(98);
  }
  RUN run(const std::vector<std::string> &astrArgs, const char *pszOut = nullptr, long lLimit = 0,
          const std::vector<std::string> &astrEnv = {})
  {
    int iStatus = 0;
    waitpid(pidStart(astrArgs, pszOut, lLimit, astrEnv), &iStatus, 0);
    std::ifstream in(strDir + "/tmp/err");
    std::string strErr((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return {WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1, "", strErr};
  }
  /* Every name in the directory, dot files included, "tmp" left out. */
  std::vector<std::string> astrAll()
  {
    std::vector<std::string> astr;
    for (const auto &e : fs::directory_iterator(strDir))
      if (e.path().filename() != "tmp") astr.push_back(e.path().filename());
    std::sort(astr.begin(), astr.end());
    return astr;
  }
  std::string strFile(const std::string &strName)
  {
    std::ifstream in(strDir + "/" + strName, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
};

const std::string c_strMain = "         COPY  MEM\n         END\n", c_strMember = "         DC    F'1'\n";
const std::string c_strSevere = "A        CSECT\n         DC    F'1'\n         DC    X'GG'\n         END\n";

bool bHas(const RUN &run, const std::string &strLine) { return run.strErr.find(strLine + "\n") != std::string::npos; }

TEST_F(Outputs, AClashWithAnInputOrAnotherOutputWritesNothing)
{
  vSource("p.asm", c_strMain);
  vSource("MEM.MAC", c_strMember);
  vSource("o.ini", "NOXREF\n");
  const std::vector<std::string> astrBefore = astrAll();
  const struct {
    std::string strOption, strMessage;
  } aCases[] = {
      {"-OBJECT SYSLIN(p.asm)", "SYSLIN file p.asm is the same file as SYSIN file p.asm."},
      {"-SYSPRINT(p.asm)", "SYSPRINT file p.asm is the same file as SYSIN file p.asm."},
      {"-TERM SYSTERM(./p.asm)", "SYSTERM file ./p.asm is the same file as SYSIN file p.asm."},
      {"-OBJECT SYSLIN(&D&F.asm)", "SYSLIN file p.asm is the same file as SYSIN file p.asm."},
      {"-OBJECT SYSPRINT(p.obj)", "SYSLIN file p.obj is the same file as SYSPRINT file p.obj."},
      {"-OBJECT SYSLIN(MEM.MAC)", "SYSLIN file MEM.MAC is the same file as Copy file MEM.MAC."},
      {"-SYSPRINT(o.ini)", "SYSPRINT file o.ini is the same file as options file o.ini."},
      {"-LIST", "SYSPRINT file p.lst is the same file as SYSIN file p.asm."}, /* p.lst -> p.asm */
  };
  for (const auto &c : aCases) {
    if (c.strOption == "-LIST") fs::create_symlink("p.asm", strDir + "/p.lst");
    RUN r = run({c.strOption, "p.asm"}, nullptr, 0, {"VORNINI=o.ini"});
    EXPECT_EQ(r.iRc, 20) << c.strOption;
    EXPECT_TRUE(bHas(r, "KZM901S " + c.strMessage)) << r.strErr;
    EXPECT_EQ(strFile("p.asm") + strFile("MEM.MAC") + strFile("o.ini"), c_strMain + c_strMember + "NOXREF\n");
    fs::remove(strDir + "/p.lst");
    EXPECT_EQ(astrAll(), astrBefore) << c.strOption;
  }

  /* a member that comes to exist during the run, under an output's name */
  fs::create_directory(strDir + "/lib");
  vSource("n.asm", "         NEWC\n         END\n");
  RUN rNew = run({"-SYSPRINT(lib/NEWC.mac)", "-SYSLIB(lib/*.mac)",
                  "-LIBEXIT('printf \"         MACRO\\n         NEWC\\n         MEND\\n\" >lib/&M.mac')", "n.asm"});
  EXPECT_EQ(rNew.iRc, 20);
  EXPECT_TRUE(bHas(rNew, "KZM901S SYSPRINT file lib/NEWC.mac is the same file as Macro file lib/NEWC.mac."))
      << rNew.strErr;
  EXPECT_EQ(strFile("lib/NEWC.mac"), "         MACRO\n         NEWC\n         MEND\n");
  std::vector<std::string> astrLib;
  for (const auto &e : fs::directory_iterator(strDir + "/lib")) astrLib.push_back(e.path().filename());
  EXPECT_EQ(astrLib, std::vector<std::string>{"NEWC.mac"});
  fs::remove_all(strDir + "/lib");
  fs::remove(strDir + "/n.asm");

  /* every source must be readable before anything is written */
  RUN r = run({"-OBJECT", "p.asm", "missing.asm"});
  EXPECT_EQ(r.iRc, 20);
  EXPECT_TRUE(bHas(r, "KZM900S Error opening SYSIN file missing.asm: No such file or directory")) << r.strErr;
  EXPECT_EQ(astrAll(), astrBefore);
}

TEST_F(Outputs, FailedRunsLeaveNoPartialOrStaleFile)
{
  /* disk full at the final flush of the object, and in the listing */
  vSource("big.asm", "A        CSECT\n         DC    2000X'00'\n         END\n");
  vSource("big.obj", "old deck");
  vSource("big.lst", "old listing");
  RUN r = run({"-NOLIST", "-OBJECT", "big.asm"}, nullptr, 2000);
  EXPECT_EQ(r.iRc, 20);
  EXPECT_TRUE(bHas(r, "KZM900S Error writing SYSPUNCH file big.obj: File too large")) << r.strErr;
  std::string str;
  for (int i = 0; i < 60; i++) str += "         DC    F'1'\n";
  vSource("big.asm", str);
  r = run({"big.asm"}, nullptr, 2000);
  EXPECT_TRUE(bHas(r, "KZM900S Error writing listing file big.lst: File too large")) << r.strErr;
  EXPECT_EQ(astrAll(), std::vector<std::string>{"big.asm"});

  /* a run that ends before its listing leaves no stale one */
  vSource("empty.asm", "");
  vSource("empty.lst", "Return code 0");
  EXPECT_EQ(run({"empty.asm"}).iRc, 20);
  EXPECT_FALSE(fs::exists(strDir + "/empty.lst"));

  /* severe errors: a FIFO stays, a link stays and its target goes */
  vSource("s.asm", c_strSevere);
  ASSERT_EQ(mkfifo((strDir + "/f.obj").c_str(), 0600), 0);
  int iReader = open((strDir + "/f.obj").c_str(), O_RDONLY | O_NONBLOCK);
  EXPECT_EQ(run({"-NOLIST", "-OBJECT SYSLIN(f.obj)", "s.asm"}).iRc, 12);
  close(iReader);
  EXPECT_TRUE(fs::is_fifo(strDir + "/f.obj"));
  vSource("tgt.obj", "old deck");
  fs::create_symlink("tgt.obj", strDir + "/link.obj");
  EXPECT_EQ(run({"-NOLIST", "-OBJECT SYSLIN(link.obj)", "s.asm"}).iRc, 12);
  EXPECT_TRUE(fs::is_symlink(strDir + "/link.obj"));
  EXPECT_FALSE(fs::exists(strDir + "/tgt.obj"));
}

/* An interrupted run ends as a terminated one, with a line naming the
   signal and return code 20; its temporary files go, and the outputs of an
   earlier run stay as they were. */
TEST_F(Outputs, InterruptedRunLeavesEarlierOutputsAndNoTemporaryFile)
{
  ASSERT_EQ(mkfifo((strDir + "/in.asm").c_str(), 0600), 0); /* no writer: the run waits */
  vSource("in.lst", "earlier listing");
  vSource("in.obj", "earlier object");
  for (int iSignal : {SIGINT, SIGTERM}) {
    pid_t pid = pidStart({"-OBJECT", "in.asm"}, nullptr, 0);
    for (int i = 0; i < 500 && astrAll().size() < 4; i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(astrAll().size(), 4u); /* the object under its temporary name */
    kill(pid, iSignal);
    int iStatus = 0;
    waitpid(pid, &iStatus, 0);
    EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 20) << iSignal;
    std::string strName = iSignal == SIGINT ? "SIGINT" : "SIGTERM";
    EXPECT_TRUE(strFile("tmp/err").ends_with("\nKZM996S Assembly interrupted by " + strName +
                                             ".\nKZM999I Assembly terminated with return code 20.\n"))
        << strFile("tmp/err");
    EXPECT_EQ(astrAll(), (std::vector<std::string>{"in.asm", "in.lst", "in.obj"}));
    EXPECT_EQ(strFile("in.lst") + "," + strFile("in.obj"), "earlier listing,earlier object");
  }
}

TEST_F(Outputs, KilledRunLeavesNoCopyOfStandardInput)
{
  int aiPipe[2];
  ASSERT_EQ(pipe(aiPipe), 0);
  iStdin = aiPipe[0];
  fs::create_directory(strDir + "/copy");
  pid_t pid = pidStart({"-NOLIST"}, nullptr, 0, {"TMPDIR=" + strDir + "/copy"});
  close(aiPipe[0]);
  auto copies = [&] { return std::distance(fs::directory_iterator(strDir + "/copy"), fs::directory_iterator()); };
  ASSERT_EQ(write(aiPipe[1], "         LR    1,2\n", 19), 19); /* the writer stays open: the copy waits */
  for (int i = 0; i < 500 && copies() == 0; i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(copies(), 1);
  kill(pid, SIGTERM);
  int iStatus = 0;
  waitpid(pid, &iStatus, 0);
  close(aiPipe[1]);
  EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 20);
  EXPECT_EQ(copies(), 0);
}

TEST_F(Outputs, LostTerminalOutputIsAFailure)
{
  vSource("e.asm", "         LR    1,\n         END\n");
  RUN r = run({"-TERM SYSTERM(/dev/full)", "e.asm"});
  EXPECT_EQ(r.iRc, 20);
  EXPECT_TRUE(bHas(r, "KZM900S Error writing to SYSTERM file /dev/full: No space left on device")) << r.strErr;
  r = run({"-TERM", "e.asm"}, "/dev/full");
  EXPECT_EQ(r.iRc, 20);
  EXPECT_TRUE(bHas(r, "KZM900S Error writing to SYSTERM file (STDOUT): No space left on device")) << r.strErr;
  EXPECT_FALSE(fs::exists(strDir + "/e.lst"));
}

TEST_F(Outputs, InputsWithoutEndAreCapped)
{
  vSource("p.asm", "         END\n");
  RUN r = run({"p.asm"}, nullptr, 0, {"VORNINI=/dev/zero"});
  EXPECT_EQ(r.iRc, 20);
  EXPECT_TRUE(bHas(r, "KZM006S Error reading options file /dev/zero: line 1 is longer than 65536 characters"))
      << r.strErr;

  std::string strMany = "         DC    C'" + std::string(54, ' ') + "X\n";
  for (int i = 0; i < 1500; i++) strMany += std::string(15, ' ') + std::string(56, 'A') + "X\n";
  vSource("many.asm", strMany + std::string(15, ' ') + "'\n         END\n");
  EXPECT_EQ(run({"-NOTERM", "many.asm"}).iRc, 12);
  EXPECT_NE(strFile("many.lst").find("More than 999 continuation records."), std::string::npos);
}

TEST_F(Outputs, OnePassSettlesAChainOfLoctrCounters)
{
  std::string str = "MAIN     CSECT\n";
  for (int i = 0; i < 2000; i++) str += "L" + std::to_string(100000 + i) + "  LOCTR\n         DC    F'1'\n";
  vSource("loc.asm", str + "         END\n");
  RUN r = run({"-NOLIST", "-TRACE(1)", "loc.asm"});
  EXPECT_EQ(r.iRc, 0);
  auto astr = astrLines(r.strErr);
  EXPECT_EQ(std::count_if(astr.begin(), astr.end(),
                          [](const std::string &s) { return s.rfind("KZM950I Entering address resolution", 0) == 0; }),
            1);
}

} // namespace
