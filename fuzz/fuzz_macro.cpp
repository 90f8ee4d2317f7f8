// Assembles arbitrary bytes as a source file with the test macro library as
// SYSLIB, run after run in one process: macro definitions, calls and
// conditional assembly of any shape, and calls of the library's macros;
// no input may crash the assembler, overrun memory or leave state behind
// that breaks the next run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "vorn.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  static std::string s_strPath = [] {
    setenv("VORNDIR", VORN_INI_DIR, 1);                                  /* the shipped options file */
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort(); /* the terminal stream */
    char szDir[] = "/tmp/vornfuzzXXXXXX";
    std::string str = mkdtemp(szDir);
    return str + "/source.asm";
  }();
  FILE *pFile = std::fopen(s_strPath.c_str(), "wb");
  if (pFile == nullptr) return 0;
  std::fwrite(pData, 1, ulSize, pFile);
  std::fclose(pFile);
  char szProgram[] = "vorn";
  char szTrace[] = "-TRACE(0)";
  std::string strSyslib = "-SYSLIB(" VORN_MACLIB_DIR "*.mac)";
  std::string strPath = s_strPath;
  char *apszArgs[] = {szProgram, szTrace, strSyslib.data(), strPath.data(), nullptr};
  try {
    iAssemble(0, 4, apszArgs);
  } catch (const AsmTerminated &) {
  }
  vAsmCloseAll();
  return 0;
}
