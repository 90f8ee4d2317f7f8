// Front end for the fuzz targets: output is dropped, termination unwinds to
// the target with AsmTerminated.
#include "fuzzfront.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <dirent.h>
#include <unistd.h>

#include "chars.h"
#include "opt.h"
#include "optimage.h"
#include "vorn.h"

void vFrontWrite(const char *) {}

void vFrontFatal(const char *)
{
  vAsmCloseAll();
  throw AsmTerminated{};
}

const char *pFrontAskSource(const char *, const char *) { return nullptr; }

namespace {
// A macro that calls itself twice at every level, or loops under ACTR -1,
// runs as long as its author asked: legitimate input, but no finding.  Each
// run gets a budget; the core polls at every generated statement and every
// source record, and the poll ends the run once the budget is spent.  The
// budget is short: a kept input that runs into it (a hundred or so of the
// macro corpus generate the full 999 999 statements) costs it again at
// every replay, and CI replays each corpus within its minute.
constexpr auto RUN_BUDGET = std::chrono::milliseconds(100);
std::chrono::steady_clock::time_point g_tpRunEnd;
} // namespace

void vFrontPoll()
{
  if (std::chrono::steady_clock::now() < g_tpRunEnd) return;
  vAsmCloseAll();
  throw AsmTerminated{};
}

namespace {

bool bWriteFile(const std::string &strPath, const void *pData, size_t ulSize)
{
  FILE *pFile = std::fopen(strPath.c_str(), "wb");
  if (pFile == nullptr) return false;
  bool bOk = std::fwrite(pData, 1, ulSize, pFile) == ulSize;
  return std::fclose(pFile) == 0 && bOk;
}

std::string strReadFile(const char *pszPath)
{
  std::string str;
  if (FILE *pFile = std::fopen(pszPath, "rb")) {
    char ach[4096];
    size_t n;
    while ((n = std::fread(ach, 1, sizeof ach, pFile)) > 0) str.append(ach, n);
    std::fclose(pFile);
  }
  return str;
}

/* Everything in the run directory but the options file and the source. */
void vClearRunDir()
{
  DIR *pDir = opendir(strFuzzDir().c_str());
  if (pDir == nullptr) return;
  while (const dirent *e = readdir(pDir)) {
    std::string strName = e->d_name;
    if (strName == "." || strName == ".." || strName == "vorn.ini" || strName == "source.asm") continue;
    unlink((strFuzzDir() + "/" + strName).c_str());
  }
  closedir(pDir);
}

} // namespace

const std::string &strFuzzDir()
{
  /* never destroyed: the exit handler below still needs it */
  static const std::string &s_strDir = *new std::string([] {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort(); /* the terminal stream */
    char szDir[] = "/tmp/vornfuzzXXXXXX";
    if (mkdtemp(szDir) == nullptr) std::abort();
    setenv("VORNDIR", szDir, 1);
    std::atexit([] {
      vClearRunDir();
      unlink((strFuzzDir() + "/vorn.ini").c_str());
      unlink((strFuzzDir() + "/source.asm").c_str());
      rmdir(strFuzzDir().c_str());
    });
    return std::string(szDir);
  }());
  return s_strDir;
}

void vFuzzRun(const std::vector<std::string> &astrOptions)
{
  static const std::string s_strIni = strReadFile(VORN_INI_DIR "vorn.ini");
  if (s_strIni.empty()) std::abort();
  if (!bWriteFile(strFuzzDir() + "/vorn.ini", s_strIni.data(), s_strIni.size())) std::abort();
  std::vector<std::string> astrArgs{"vorn", "-TRACE(0)"};
  astrArgs.insert(astrArgs.end(), astrOptions.begin(), astrOptions.end());
  astrArgs.push_back(strFuzzDir() + "/source.asm");
  std::vector<char *> apszArgs;
  for (std::string &str : astrArgs) apszArgs.push_back(str.data());
  apszArgs.push_back(nullptr);
  g_tpRunEnd = std::chrono::steady_clock::now() + RUN_BUDGET;
  try {
    iAssemble(0, static_cast<int>(astrArgs.size()), apszArgs.data());
  } catch (const AsmTerminated &) {
  }
  vAsmCloseAll();
  vClearRunDir();
}

void vFuzzAssemble(const uint8_t *pData, size_t ulSize, const char *pszOption)
{
  if (!bWriteFile(strFuzzDir() + "/source.asm", pData, ulSize)) return;
  std::vector<std::string> astrOptions;
  if (pszOption != nullptr) astrOptions.emplace_back(pszOption);
  vFuzzRun(astrOptions);
}

void vFuzzCoreInit()
{
  static bool s_bInit = false;
  if (s_bInit) return;
  vCharsReset();
  if (iOptableLoadImage(g_abOptImage, g_ulOptImageSize, "fuzz") != 0) std::abort();
  s_bInit = true;
}
