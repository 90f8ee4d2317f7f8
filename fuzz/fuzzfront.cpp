// Front end for the fuzz targets: output is dropped, termination unwinds to
// the target with AsmTerminated.
#include "fuzzfront.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
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
// source record, and the poll ends the run once the budget is spent.
constexpr auto RUN_BUDGET = std::chrono::seconds(2);
std::chrono::steady_clock::time_point g_tpRunEnd;
} // namespace

void vFrontPoll()
{
  if (std::chrono::steady_clock::now() < g_tpRunEnd) return;
  vAsmCloseAll();
  throw AsmTerminated{};
}

void vFuzzAssemble(const uint8_t *pData, size_t ulSize, const char *pszOption)
{
  static std::string s_strPath = [] {
    setenv("VORNDIR", VORN_INI_DIR, 1);                                  /* the shipped options file */
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort(); /* the terminal stream */
    char szDir[] = "/tmp/vornfuzzXXXXXX";
    std::string str = mkdtemp(szDir);
    return str + "/source.asm";
  }();
  FILE *pFile = std::fopen(s_strPath.c_str(), "wb");
  if (pFile == nullptr) return;
  std::fwrite(pData, 1, ulSize, pFile);
  std::fclose(pFile);
  char szProgram[] = "vorn";
  char szTrace[] = "-TRACE(0)";
  std::string strOption = pszOption != nullptr ? pszOption : "";
  std::string strPath = s_strPath;
  char *apszArgs[] = {szProgram, szTrace, strPath.data(), nullptr, nullptr};
  int iArgs = 3;
  if (!strOption.empty()) {
    apszArgs[2] = strOption.data();
    apszArgs[3] = strPath.data();
    iArgs = 4;
  }
  g_tpRunEnd = std::chrono::steady_clock::now() + RUN_BUDGET;
  try {
    iAssemble(0, iArgs, apszArgs);
  } catch (const AsmTerminated &) {
  }
  vAsmCloseAll();
}

void vFuzzCoreInit()
{
  static bool s_bInit = false;
  if (s_bInit) return;
  vCharsReset();
  if (iOptableLoadImage(g_abOptImage, g_ulOptImageSize, "fuzz") != 0) std::abort();
  s_bInit = true;
}
