/*
** asm2.cpp - the code generation phase (module "asm2").
**
** Reads the statement records of SYSUT1 back in order and hands each to its
** second-phase work; at the end closes SYSUT1 and drops the storage of the
** code generation side (subpool 1).
*/
#include "gen1.h"
#include "mem.h"
#include "msc2.h"
#include "vorn.h"
#include "work.h"

void vPhase2()
{
  vPhaseSet('2', g_asm.cStep);
  vTrace(TRACE_PHASE, "Entering code generation phase ...");
  vPhaseSet('2', 'G');
  vStmtBytesPhaseStart(static_cast<uint64_t>(vWorkSeek(WORK_SYSUT1, 0, 2)));
  lStmtFirst(0);
  while (lStmtNext(0) != 0) {
    vStmtBytesReset();
    vTrace(TRACE_STMT, "%lu %s %lu", static_cast<unsigned long>(g_asm.ulStmtNo),
           g_asm.pszSrcName != nullptr ? g_asm.pszSrcName : "", static_cast<unsigned long>(g_asm.ulSrcLine));
  }
  vPhaseSet('2', 'N');
  vStmtTraceClear();
  vTrace(TRACE_PHASE, "Completing code generation phase ...");
  lStmtFinishFile();
  vSubpoolRelease(SP_RUN);
}
