/*
** asm0.h - options of the run and the option step.
**
** g_opt holds every option value later modules read.  It is set by the
** option step at the start of each run and released at its end.
*/
#pragma once

#include <cstdint>
#include <cstdio>

struct ASMOPTIONS {
  uint64_t ullSize;       /* SIZE: work-file memory request in bytes */
  bool bBatch;            /* BATCH: several programs in SYSIN */
  unsigned long ulTrace;  /* TRACE value as given */
  char **apszSysin;       /* SYSIN file names, in order (subpool 0) */
  uint32_t ulSysinCount;
};

extern ASMOPTIONS g_opt;

/* Reads the options and assigns the files; false after a reported error. */
bool bOptionStep(int argc, char **argv, FILE *pStdin);
/* Releases the storage of the option step; safe to call more than once. */
void vOptionCleanup();
