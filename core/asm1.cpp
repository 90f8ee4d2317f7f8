/*
** asm1.cpp - the conditional assembly phase (module "asm1").
**
** Reads every statement of a program, has it processed and stored on SYSUT1,
** ends the record stream with a zero length word and drops the storage of
** the phase.  Owns the SYSUT1 end position that the resolution passes use.
*/
#include "asm1.h"

#include "asm0.h"
#include "def1.h"
#include "esd1.h"
#include "fix1.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "opt.h"
#include "src1.h"
#include "var1.h"
#include "vorn.h"
#include "work.h"

namespace {

enum PHASE1MSG { MSG_END_MISSING, MSG_COUNT };
const MSGDEF c_aMsg[] = {
    {108, 4, "Missing END statement generated."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

struct PHASE1STATE {
  SRCSTMT stmt;          /* the statement in hand */
  uint64_t ullSysut1End; /* position after the end marker */
};
PHASE1STATE g_phase1 = {};

} // namespace

void vPhase1()
{
  vTrace(TRACE_PHASE, "Entering conditional assembly phase ...");
  vStmtPhaseStart();
  vStmtTraceClear();
  vSeverityReset();
  vPhaseSet('1', 'C');

  vOpindexBuild(g_opt.bExecAllowed);
  vSymbolsReset(g_opt.bXref != 0);
  vEsdReset();
  vDcInit();
  vVarPhaseStart();
  for (;;) {
    if (iStatementRead(&g_phase1.stmt) != 0) {
      vStmtDiagOnly(c_aMsg[MSG_END_MISSING]);
      break;
    }
    if (bStmtProcess(&g_phase1.stmt)) break;
  }

  /* the last literal pool */
  vLiteralPool(-1, g_asm.ulSrcLine, g_asm.ulSrcId, 0);

  vPhaseSet('1', 'N');
  vStmtCountSet(ulStmtNumber() - 1);
  vVarPhaseEnd();
  vStmtTraceClear();
  const uint32_t ulEndMarker = 0;
  vWorkWrite(&ulEndMarker, sizeof ulEndMarker, 1, WORK_SYSUT1);
  g_phase1.ullSysut1End = static_cast<uint64_t>(lWorkTell(WORK_SYSUT1));
  vSourceCloseNested();

  vResolveAddresses();
  vStmtTraceClear();
  vPhaseSet('1', 'N');
  vEsdLayout();
  vSymbolsRelocate();
  vOpindexDrop();
  vSubpoolRelease(SP_PHASE1);
}
