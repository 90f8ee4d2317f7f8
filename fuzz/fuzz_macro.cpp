// Assembles arbitrary bytes as a source file with the test macro library as
// SYSLIB, run after run in one process: macro definitions, calls and
// conditional assembly of any shape, and calls of the library's macros; no
// input may crash the assembler, overrun memory or leave state behind that
// breaks the next run.
#include "fuzzfront.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  vFuzzAssemble(pData, ulSize, "-SYSLIB(" VORN_MACLIB_DIR "*.mac)");
  return 0;
}
