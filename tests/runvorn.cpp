#include "runvorn.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string strRead(int iFd)
{
  std::string str;
  char ach[4096];
  ssize_t n;
  lseek(iFd, 0, SEEK_SET);
  while ((n = read(iFd, ach, sizeof ach)) > 0) str.append(ach, static_cast<size_t>(n));
  return str;
}

} // namespace

RUN runPiped(const std::string &strDir, const std::vector<std::string> &astrArgs, const char *pszStdin,
             const std::vector<std::string> &astrEnv, bool bPath, bool bMerged, long lFileLimit)
{
  char szOut[] = "/tmp/vornoptoXXXXXX", szErr[] = "/tmp/vornopteXXXXXX";
  int iOut = mkstemp(szOut), iErr = mkstemp(szErr);
  unlink(szOut);
  unlink(szErr);
  int aiPipe[2];
  if (pipe(aiPipe) != 0) return {-1, "", "pipe"};
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(strDir.c_str()) != 0) _exit(99);
    setenv("TMPDIR", (strDir + "/tmp").c_str(), 1);
    unsetenv("VORNDIR");
    unsetenv("VORNINI");
    unsetenv("VORNLIB");
    for (const auto &str : astrEnv) putenv(const_cast<char *>(str.c_str()));
    if (lFileLimit >= 0) {
      rlimit limit{static_cast<rlim_t>(lFileLimit), static_cast<rlim_t>(lFileLimit)};
      signal(SIGXFSZ, SIG_DFL); /* as a shell's ulimit leaves it: the program must cope */
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(97);
    }
    close(aiPipe[1]);
    dup2(pszStdin != nullptr ? aiPipe[0] : open("/dev/null", O_RDONLY), 0);
    dup2(iOut, 1);
    dup2(bMerged ? iOut : iErr, 2);
    std::string strExe = VORN_EXE;
    std::vector<char *> apsz;
    apsz.push_back(const_cast<char *>(bPath ? "vorn" : VORN_EXE));
    for (const auto &str : astrArgs) apsz.push_back(const_cast<char *>(str.c_str()));
    apsz.push_back(nullptr);
    if (bPath) {
      setenv("PATH", strExe.substr(0, strExe.rfind('/')).c_str(), 1);
      execvp("vorn", apsz.data());
    }
    execv(VORN_EXE, apsz.data());
    _exit(98);
  }
  close(aiPipe[0]);
  if (pszStdin != nullptr && write(aiPipe[1], pszStdin, std::strlen(pszStdin)) < 0) return {-1, "", "write"};
  close(aiPipe[1]);
  int iStatus = 0;
  waitpid(pid, &iStatus, 0);
  RUN run{WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1, strRead(iOut), strRead(iErr)};
  close(iOut);
  close(iErr);
  return run;
}

std::vector<std::string> astrFiles(const std::string &strDir)
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

std::vector<std::string> astrLines(const std::string &str)
{
  std::vector<std::string> astr;
  size_t ulStart = 0;
  for (size_t ulNl; (ulNl = str.find('\n', ulStart)) != std::string::npos; ulStart = ulNl + 1)
    astr.push_back(str.substr(ulStart, ulNl - ulStart));
  if (ulStart < str.size()) astr.push_back(str.substr(ulStart));
  return astr;
}

std::string strContinued(const std::string &strOperation, const std::string &strOperands)
{
  std::string str, strRest = strOperands;
  std::string strLine = "         " + strOperation;
  strLine.resize(15, ' ');
  for (;;) {
    std::string strPart = strRest.substr(0, 56);
    strRest.erase(0, strPart.size());
    strLine += strPart;
    if (strRest.empty()) return str + strLine;
    strLine.resize(71, ' ');
    str += strLine + "X\n";
    strLine = std::string(15, ' ');
  }
}

void RunDirTest::SetUp()
{
  char szDir[] = "/tmp/vornrunXXXXXX";
  strDir = mkdtemp(szDir);
  mkdir((strDir + "/tmp").c_str(), 0700);
}

void RunDirTest::TearDown() { std::system(("rm -rf '" + strDir + "'").c_str()); }

void RunDirTest::vSource(const std::string &strName, const std::string &strText)
{
  std::ofstream(strDir + "/" + strName, std::ios::binary) << strText;
}
