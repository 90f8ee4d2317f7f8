// Options from the command line and from an options file: any option text
// is parsed, reported and applied to a small program without crash,
// overrun or hang.  Input: command-line options, one per line (each gets a
// leading '-'), then a NUL byte and the text of the options file named by
// VORNINI.  '/' is replaced, so every file a run names lands in the run
// directory, which is also the current directory.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzzfront.h"

namespace {

const char c_szProgram[] = "FZ       CSECT\n"
                           "         USING *,12\n"
                           "         L     1,X\n"
                           "         MVC   X,=C'AB'\n"
                           "X        DC    F'1',C'abc'\n"
                           "         END   FZ\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  static const bool s_bInit = [] {
    if (chdir(strFuzzDir().c_str()) != 0) std::abort();
    FILE *pFile = std::fopen((strFuzzDir() + "/source.asm").c_str(), "wb");
    if (pFile == nullptr || std::fputs(c_szProgram, pFile) < 0 || std::fclose(pFile) != 0) std::abort();
    setenv("VORNINI", (strFuzzDir() + "/fuzz.ini").c_str(), 1);
    return true;
  }();
  (void)s_bInit;
  std::string strData(reinterpret_cast<const char *>(pData), ulSize);
  std::replace(strData.begin(), strData.end(), '/', '_');
  size_t ulNul = strData.find('\0');
  std::string strFile = ulNul == std::string::npos ? std::string() : strData.substr(ulNul + 1);
  std::vector<std::string> astrOptions;
  size_t ulPos = 0, ulEnd = std::min(ulNul, strData.size());
  while (ulPos < ulEnd && astrOptions.size() < 64) {
    size_t ulLine = std::min(strData.find('\n', ulPos), ulEnd);
    astrOptions.push_back("-" + strData.substr(ulPos, ulLine - ulPos));
    ulPos = ulLine + 1;
  }
  FILE *pFile = std::fopen((strFuzzDir() + "/fuzz.ini").c_str(), "wb");
  if (pFile == nullptr) std::abort();
  std::fwrite(strFile.data(), 1, strFile.size(), pFile);
  if (std::fclose(pFile) != 0) std::abort();
  vFuzzRun(astrOptions);
  return 0;
}
