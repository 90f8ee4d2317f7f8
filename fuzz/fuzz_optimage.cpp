// Operation code table images: any vorn.opt in the program directory is
// loaded, or refused with its KZM006S message, and a program using every
// instruction format is assembled with what was loaded, without crash,
// overrun or hang.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzzfront.h"

namespace {

const char c_szProgram[] = "FZ       CSECT\n"
                           "         USING *,12\n"
                           "         LR    1,2\n"
                           "         L     1,X(2)\n"
                           "         MVC   X(2),X+1\n"
                           "         AP    X(2),X(3)\n"
                           "         BRC   15,*+4\n"
                           "         BRASL 14,FZ\n"
                           "         SRP   X,3,5\n"
                           "         SVC   3\n"
                           "         LPSW  X\n"
                           "         VA    1,2,3\n"
                           "         BER   14\n"
                           "         PR\n"
                           "X        DC    F'1'\n"
                           "         END\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  const std::string strImage = strFuzzDir() + "/vorn.opt";
  FILE *pFile = std::fopen(strImage.c_str(), "wb");
  if (pFile == nullptr) std::abort();
  std::fwrite(pData, 1, ulSize, pFile);
  if (std::fclose(pFile) != 0) std::abort();
  vFuzzAssemble(reinterpret_cast<const uint8_t *>(c_szProgram), sizeof c_szProgram - 1, nullptr);
  std::remove(strImage.c_str());
  return 0;
}
