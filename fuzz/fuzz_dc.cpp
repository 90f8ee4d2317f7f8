// DC and DS operands: the data, one operand field per line, is assembled
// as DC statements (odd lines) and DS statements (even lines) in a section
// with a base, so every constant type, modifier, duplication and nominal
// value form reaches the first and the second phase.
#include <string>

#include "fuzzfront.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  std::string strSource = "DCF      CSECT\n         USING *,12\n";
  std::string strData(reinterpret_cast<const char *>(pData), ulSize);
  size_t ulPos = 0;
  for (unsigned uLine = 0; ulPos < strData.size() && uLine < 200; uLine++) {
    size_t ulEnd = strData.find('\n', ulPos);
    if (ulEnd == std::string::npos) ulEnd = strData.size();
    strSource += (uLine % 2 == 0 ? "L        DC    " : "         DS    ") + strData.substr(ulPos, ulEnd - ulPos) + "\n";
    ulPos = ulEnd + 1;
  }
  strSource += "         END\n";
  vFuzzAssemble(reinterpret_cast<const uint8_t *>(strSource.data()), strSource.size(), nullptr);
  return 0;
}
