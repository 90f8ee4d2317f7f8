// Assembles arbitrary bytes as a source file, run after run in one process:
// no input may crash the assembler, overrun memory or leave state behind
// that breaks the next run.
#include "fuzzfront.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  vFuzzAssemble(pData, ulSize, nullptr);
  return 0;
}
