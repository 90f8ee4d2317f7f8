/*
** vorntab_test.cpp - the real vorntab program run on files in a fresh
** temporary directory: command line, report table, wild cards, renaming, and
** the replacement that must keep the original whenever something fails.
*/
#include "tabconv.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string USAGE = "Usage: vorntab [options] files\n"
                          "\n"
                          "options: [-c  | -x ] compresses or expands the files using tab characters.\n"
                          "         [-d  | -u ] sets the end-of-line to DOS or UNIX standards.\n"
                          "         [-i4 | -i8] sets the input tab stops to every 4 or 8 characters.\n"
                          "         [-o4 | -o8] sets the output tab stops to every 4 or 8 characters.\n"
                          "         [-rl | -ru] renames the files to lower or upper case names.\n"
                          "         [-lnnn]     sets the maximum line length to nnn (0-999).\n"
                          "         [-t]        sets test-only mode.\n"
                          "         default: -c -u -i8 -o8 -l999\n"
                          "files:   the files to be compressed or expanded (wild cards allowed).\n";

/* a.asm "a", 7 blanks, "b", LF: 1 line, 10 bytes in, "a\tb\n" 4 out;
   b.asm "x\r\ny  \r\n": 2 lines, 8 bytes in, "x\ny\n" 4 out */
const std::string TABLE_AB = "File         "
                             "      Lines   Bytes in  Bytes out\n"
                             "a.asm        "
                             "          1         10          4\n"
                             "b.asm        "
                             "          2          8          4\n"
                             "\n"
                             "Total: 2     "
                             "          3         18          8\n";

struct RESULT {
  int iExit;
  std::string out, err;
};

std::string sRead(const std::string &path)
{
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

class Vorntab : public ::testing::Test {
protected:
  std::string dir, cap;
  uid_t runAs = 0; /* user the program runs as, when the tests run as root */

  void SetUp() override
  {
    char szDir[] = "/tmp/vorntab.XXXXXX", szCap[] = "/tmp/vorntab.XXXXXX";
    ASSERT_NE(mkdtemp(szDir), nullptr);
    ASSERT_NE(mkdtemp(szCap), nullptr);
    dir = szDir;
    cap = szCap;
  }
  void TearDown() override
  {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
    fs::remove_all(cap);
  }
  void put(const std::string &name, const std::string &text)
  {
    std::ofstream(dir + "/" + name, std::ios::binary) << text;
  }
  std::string get(const std::string &name) { return sRead(dir + "/" + name); }
  std::vector<std::string> names(const std::string &sub = "")
  {
    std::vector<std::string> v;
    for (const auto &e : fs::directory_iterator(dir + "/" + sub)) v.push_back(e.path().filename());
    std::sort(v.begin(), v.end());
    return v;
  }
  /* Runs vorntab in dir with the extra environment settings given. */
  RESULT run(std::vector<std::string> args, std::vector<std::string> env = {})
  {
    std::string exe = VORNTAB_EXE;
    if (runAs) {
      /* the build tree may be private to root: run a copy the user can reach */
      exe = cap + "/vorntab";
      if (!fs::exists(exe)) {
        fs::copy_file(VORNTAB_EXE, exe);
        fs::permissions(exe, fs::perms(0755));
        fs::permissions(cap, fs::perms(0711));
      }
    }
    args.insert(args.begin(), exe);
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string out = cap + "/out", err = cap + "/err";
    pid_t pid = fork();
    if (pid == 0) {
      int fdOut = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int fdErr = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (dup2(fdOut, 1) < 0 || dup2(fdErr, 2) < 0) _exit(127);
      if (runAs && (setgroups(0, nullptr) != 0 || setgid(runAs) != 0 || setuid(runAs) != 0)) _exit(127);
      if (chdir(dir.c_str()) != 0) _exit(127);
      for (std::string &e : env) putenv(e.data());
      execv(argv[0], argv.data());
      _exit(127);
    }
    int iStatus = 0;
    waitpid(pid, &iStatus, 0);
    return {WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1, sRead(out), sRead(err)};
  }
  RESULT runFailing(const std::string &call, std::vector<std::string> args)
  {
    const char *pszAsan = getenv("ASAN_OPTIONS");
    return run(args, {"VORNTAB_FAIL=" + call, std::string("LD_PRELOAD=") + VORNTAB_FAILSHIM,
                      "ASAN_OPTIONS=verify_asan_link_order=0:" + std::string(pszAsan ? pszAsan : "")});
  }
};

/* -t reports the counts of a real run and changes nothing */
TEST_F(Vorntab, TableOfTestOnlyAndRealRun)
{
  put("a.asm", "a       b\n");
  put("b.asm", "x\r\ny  \r\n");
  RESULT r = run({"-T", "a.asm", "b.asm"});
  EXPECT_EQ(r.iExit, 0);
  EXPECT_EQ(r.out, TABLE_AB);
  EXPECT_EQ(get("a.asm") + get("b.asm"), "a       b\nx\r\ny  \r\n");
  r = run({"a.asm", "b.asm"});
  EXPECT_EQ(r.iExit, 0);
  EXPECT_EQ(r.out, TABLE_AB);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(get("a.asm") + get("b.asm"), "a\tb\nx\ny\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.asm", "b.asm"}));
}

TEST_F(Vorntab, SingleFileColumnFitsHeading)
{
  put("a", "x");
  RESULT r = run({"a"});
  EXPECT_EQ(r.out, "File      Lines   Bytes in  Bytes out\n"
                   "a             1          1          2\n");
}

TEST_F(Vorntab, OptionsChangeTheOutput)
{
  const std::string IN = "\tab\tc  \r\nxyz\n";
  const struct {
    std::vector<std::string> args;
    std::string in, out;
  } aCases[] = {
      {{}, IN, "\tab\tc\nxyz\n"}, /* LF line ends unless -d */
      {{"-X"}, IN, "        ab      c\nxyz\n"},
      {{"-x", "-c"}, IN, "\tab\tc\nxyz\n"},
      {{"-u"}, IN, "\tab\tc\nxyz\n"},
      {{"-d"}, IN, "\tab\tc\r\nxyz\r\n"},
      {{"-D", "-x"}, IN, "        ab      c\r\nxyz\r\n"},
      {{"-d", "-u"}, IN, "\tab\tc\nxyz\n"},
      {{"-I4"}, IN, "    ab\tc\nxyz\n"},
      {{"-o4"}, IN, "\t\tab\t\tc\nxyz\n"},
      {{"-l2"}, IN, "\nxy\n"},
      {{"-L0"}, IN, "\n\n"},
      {{"-u"}, "a\rb\x1a", "a\nb\n"},
      {{"-d"}, "a\rb\x1a", "a\r\nb\r\n"},
  };
  for (const auto &tc : aCases) {
    SCOPED_TRACE(tc.args.empty() ? "defaults" : tc.args[0]);
    put("f.asm", tc.in);
    std::vector<std::string> args = tc.args;
    args.push_back("f.asm");
    EXPECT_EQ(run(args).iExit, 0);
    EXPECT_EQ(get("f.asm"), tc.out);
  }
}

TEST_F(Vorntab, BadCommandLinesShowUsage)
{
  put("f.asm", "a  \n");
  const struct {
    std::vector<std::string> args;
    int iExit;
    std::string out, err;
  } aCases[] = {
      /* asked for: on standard output, nothing changed */
      {{"-h", "f.asm"}, 0, USAGE, ""},
      {{"-x", "-?"}, 0, USAGE, ""},
      {{"--help"}, 0, USAGE, ""},
      {{"f.asm", "--version"}, 0, "Velmora 390 tab utility  -  version 1.2.00\n", ""},
      {{}, 1, "", "No files were specified!\n" + USAGE},
      {{"-c", "-t"}, 1, "", "No files were specified!\n" + USAGE},
      {{"-t", "--"}, 1, "", "No files were specified!\n" + USAGE},
  };
  for (const auto &tc : aCases) {
    RESULT r = run(tc.args);
    EXPECT_EQ(r.iExit, tc.iExit);
    EXPECT_EQ(r.out, tc.out);
    EXPECT_EQ(r.err, tc.err);
  }
  for (const char *psz :
       {"-l1000", "-l12a", "-l", "-l-1", "-cx", "-i5", "-i", "-o48", "-r", "-rx", "-", "-q", "-th", "---"}) {
    RESULT r = run({"f.asm", psz});
    EXPECT_EQ(r.iExit, 1) << psz;
    EXPECT_EQ(r.err, std::string("\"").append(psz).append("\" is not a valid command line option!\n") + USAGE);
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(get("f.asm"), "a  \n");
}

/* after "--" every argument is a file name */
TEST_F(Vorntab, DoubleDashEndsTheOptions)
{
  put("-h", "a  \n");
  RESULT r = run({"-u", "--", "-h"});
  EXPECT_EQ(r.iExit, 0) << r.err;
  EXPECT_EQ(get("-h"), "a\n");
}

TEST_F(Vorntab, WildCardsExpandToRegularFiles)
{
  put("b.asm", "b \n");
  put("a.asm", "a \n");
  put("c.txt", "c \n");
  fs::create_directory(dir + "/d.asm");
  RESULT r = run({"*.asm"});
  EXPECT_EQ(r.iExit, 0);
  EXPECT_EQ(r.out, "File         "
                   "      Lines   Bytes in  Bytes out\n"
                   "a.asm        "
                   "          1          3          2\n"
                   "b.asm        "
                   "          1          3          2\n"
                   "\n"
                   "Total: 2     "
                   "          2          6          4\n");
  EXPECT_EQ(get("a.asm") + get("b.asm") + get("c.txt"), "a\nb\nc \n");

  put("x*y", "1 \n");
  put("xay", "2 \n");
  EXPECT_EQ(run({"x*y"}).iExit, 0);
  EXPECT_EQ(get("x*y") + get("xay"), "1\n2 \n");

  r = run({"*.zzz"});
  EXPECT_EQ(r.iExit, 1);
  EXPECT_EQ(r.err, "*.zzz: No such file or directory\n");
}

TEST_F(Vorntab, RenamesOnlyTheFileNamePart)
{
  fs::create_directory(dir + "/Sub");
  const struct {
    const char *pszOpt, *pszNew;
  } aCases[] = {{"-rl", "Sub/mixed.asm"}, {"-RU", "Sub/MIXED.ASM"}};
  for (const auto &tc : aCases) {
    put("Sub/MiXed.Asm", "a \n");
    fs::permissions(dir + "/Sub/MiXed.Asm", fs::perms(0640));
    EXPECT_EQ(run({tc.pszOpt, "Sub/MiXed.Asm"}).iExit, 0);
    EXPECT_EQ(get(tc.pszNew), "a\n");
    EXPECT_EQ(fs::status(dir + "/" + tc.pszNew).permissions(), fs::perms(0640));
    EXPECT_FALSE(fs::exists(dir + "/Sub/MiXed.Asm"));
    fs::remove(dir + "/" + tc.pszNew);
  }
}

TEST_F(Vorntab, RenameRefusedWhenNewNameIsAnotherFile)
{
  put("FOO.ASM", "a \n");
  fs::create_directory(dir + "/foo.asm");
  RESULT r = run({"-rl", "FOO.ASM"});
  EXPECT_EQ(r.iExit, 1);
  EXPECT_EQ(r.err, "Can't rename FOO.ASM to foo.asm: File exists\n");
  fs::remove(dir + "/foo.asm");
  put("foo.asm", "other\n");
  EXPECT_EQ(run({"-rl", "FOO.ASM"}).iExit, 1);
  EXPECT_EQ(get("FOO.ASM") + get("foo.asm"), "a \nother\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"FOO.ASM", "foo.asm"}));
}

TEST_F(Vorntab, FailedRenameKeepsOriginal)
{
  put("f.asm", "a \n");
  RESULT r = runFailing("rename", {"f.asm"});
  EXPECT_EQ(r.iExit, 1);
  EXPECT_EQ(r.err.rfind("Can't rename VORNTAB.", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(" to f.asm: Input/output error\n"), std::string::npos);
  EXPECT_EQ(get("f.asm"), "a \n");
  EXPECT_EQ(names(), std::vector<std::string>{"f.asm"});
}

TEST_F(Vorntab, FailedRemoveOfOldNameKeepsIt)
{
  put("F.ASM", "a \n");
  RESULT r = runFailing("unlink", {"-rl", "F.ASM"});
  EXPECT_EQ(r.iExit, 1);
  EXPECT_EQ(r.err, "Can't remove F.ASM: Input/output error\n");
  EXPECT_EQ(get("F.ASM") + get("f.asm"), "a \na\n");
}

TEST_F(Vorntab, BadFileStopsBeforeAnyChange)
{
  put("a.asm", "a \n");
  fs::create_directory(dir + "/d");
  const struct {
    const char *pszName, *pszErr;
  } aCases[] = {{"none.asm", "none.asm: No such file or directory\n"}, {"d", "d: Is a directory\n"}};
  for (const auto &tc : aCases) {
    RESULT r = run({"a.asm", tc.pszName});
    EXPECT_EQ(r.iExit, 1);
    EXPECT_EQ(r.err, tc.pszErr);
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(get("a.asm"), "a \n");
}

/* Root ignores permission bits, so as root the program runs as "nobody" on
   files handed to that user. */
TEST_F(Vorntab, PermissionsAreRespected)
{
  put("ro.asm", "a \n");
  fs::create_directory(dir + "/rodir");
  put("rodir/f.asm", "a \n");
  if (geteuid() == 0) {
    runAs = 65534;
    for (const auto &e : fs::recursive_directory_iterator(dir)) ASSERT_EQ(chown(e.path().c_str(), runAs, runAs), 0);
    ASSERT_EQ(chown(dir.c_str(), runAs, runAs), 0);
  }
  fs::permissions(dir + "/ro.asm", fs::perms(0444));
  RESULT r = run({"ro.asm"});
  if (r.iExit == 127) GTEST_SKIP() << "cannot run the program as an unprivileged user";
  EXPECT_EQ(r.iExit, 1);
  EXPECT_EQ(r.err, "ro.asm: Permission denied\n");

  fs::permissions(dir + "/rodir", fs::perms(0555));
  r = run({"rodir/f.asm"});
  fs::permissions(dir + "/rodir", fs::perms(0755));
  EXPECT_EQ(r.iExit, 1);
  EXPECT_EQ(r.err, "rodir/VORNTAB.XXXXXX: Permission denied\n");
  EXPECT_EQ(get("rodir/f.asm") + get("ro.asm"), "a \na \n");
  EXPECT_EQ(names("rodir"), std::vector<std::string>{"f.asm"});
}

/* NUL bytes, and a CR LF pair split across the program's 64 KB reads: the
   file must come out as the (hand-checked) conversion makes it in one piece */
TEST_F(Vorntab, LargeBinaryInput)
{
  std::string in;
  for (int i = 0; i < 300000; ++i) in += static_cast<char>(i % 7 == 0 ? '\r' : i % 5 == 0 ? '\n' : i * 37 % 256);
  in.replace(65535, 2, "\r\n");
  put("bin", in);
  RESULT r = run({"bin"});
  EXPECT_EQ(r.iExit, 0);
  EXPECT_NE(r.out.find("     300000"), std::string::npos);
  EXPECT_EQ(get("bin"), sTabConvert(in, TABOPTS{}));
}

/* links are followed or refused, a file named twice is converted once */
TEST_F(Vorntab, LinksAndRepeatedNames)
{
  put("real.asm", "a       b\n");
  fs::create_symlink("real.asm", dir + "/link.asm");
  RESULT r = run({"-u", "link.asm"});
  EXPECT_EQ(r.iExit, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir + "/link.asm"));
  EXPECT_EQ(get("real.asm"), "a\tb\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"link.asm", "real.asm"}));

  put("h1", "x  \n");
  fs::create_hard_link(dir + "/h1", dir + "/h2");
  r = run({"h1"});
  EXPECT_EQ(r.iExit, 1);
  EXPECT_EQ(r.err, "h1: Has 2 hard links, not converted\n");
  EXPECT_EQ(get("h2"), "x  \n");

  put("b.asm", "q \n");
  r = run({"-ru", "b.asm", "./b.asm"});
  EXPECT_EQ(r.iExit, 0) << r.err;
  EXPECT_EQ(get("B.ASM"), "q\n");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2); /* heading and one row */
}

/* an interrupted run leaves no temporary file; a lost report is a failure */
TEST_F(Vorntab, SignalAndFailingReport)
{
  put("f.asm", "a \n");
  RESULT r = runFailing("sigterm", {"f.asm"});
  EXPECT_EQ(r.iExit, -1);
  EXPECT_EQ(names(), std::vector<std::string>{"f.asm"});
  EXPECT_EQ(get("f.asm"), "a \n");

  r = runFailing("fflush", {"f.asm"});
  EXPECT_EQ(r.iExit, 1);
  EXPECT_EQ(r.err, "(standard output): No space left on device\n");
}

} // namespace
