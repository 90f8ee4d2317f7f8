// Front end for the fuzz targets: output is dropped, termination unwinds to
// the target with AsmTerminated.
#include "vorn.h"

void vFrontWrite(const char *) {}

void vFrontFatal(const char *)
{
  vAsmCloseAll();
  throw AsmTerminated{};
}

const char *pFrontAskSource(const char *, const char *) { return nullptr; }

void vFrontPoll() {}
