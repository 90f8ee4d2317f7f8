/*
** instr.cpp - the table of assembler instructions (module "instr").
**
** Calls: esd1, lbl, mac1, msc1, msc2, stmt, usg2.
** Called by: asm1, asm2, exe1, fix1.
**
** One row per assembler instruction number, in number order: the handler
** of each phase and the flags of the instruction (instr.h).  The handlers
** belong to the modules that own the instructions; a row names them, or
** adapts their arguments in a line.  Owns nothing else.
*/
#include "instr.h"
#include "mac1.h"
#include "src1.h"

#include "def2.h"
#include "esd1.h"
#include "exe1.h"
#include "gen1.h"
#include "ins2.h"
#include "lbl.h"
#include "msc1.h"
#include "msc2.h"
#include "opt.h"
#include "usg2.h"
#include "var1.h"

namespace {

constexpr uint8_t E_A = 0xC1, E_I = 0xC9, E_U = 0xE4, E_W = 0xE6; /* T' letters */

uint8_t bNumberOf(const INSTRARGS &a) { return a.pEntry->abOps[2]; }

/* ---- first phase ---------------------------------------------------------- */

/* The statement has work in the code generation phase. */
void vMarkPhase2(const INSTRARGS &) { vStmtWantPhase2(); }
/* Nothing to do in the first phase beyond the location step. */
void vFirstOnly(const INSTRARGS &) {}
void vCopy(const INSTRARGS &a) { bCopyStatement(a.pStmt, a.pStmt->cKind == SRC_MODEL); }

void vSection(const INSTRARGS &a) { vSectionStatement(bNumberOf(a), a.ulLabel, a.pLabel, a.iOperands, a.pFirst); }
void vAttribute(const INSTRARGS &a) { vSectionAttribute(bNumberOf(a), a.ulLabel, a.pLabel, a.iOperands, a.pFirst); }
void vExternal(const INSTRARGS &a) { vExternalStatement(bNumberOf(a), a.iOperands, a.pFirst); }

/* EXEC takes the statement as read: its operands follow rules of their own. */
void vExec(const INSTRARGS &a) { iExecStatement(a.pStmt); }
/* A USING carries the USING LIMIT in force into the code generation phase. */
void vUsing1(const INSTRARGS &)
{
  vStmtWantPhase2();
  vUsingLimitCarry();
}

/* Listing and control statements of msc1. */
using PFNLISTING = void (*)(uint32_t, const uint8_t *, int, const uint8_t *);
template <PFNLISTING PFN> void vListing(const INSTRARGS &a) { PFN(a.ulLabel, a.pLabel, a.iOperands, a.pFirst); }

/* ---- location step ---------------------------------------------------------- */

void vDxdLocate(const INSTRARGS &a) { vDxdStatement(a.pSym, a.ulLabel, a.pLabel, a.pFirst); }
void vEndLocate(const INSTRARGS &a) { vEndStatement(a.pSym, a.iOperands); }

/* ---- second phase ------------------------------------------------------------- */

/* Handlers that read the record in hand themselves. */
using PFNRECORD = void (*)();
template <PFNRECORD PFN> void vRecord(const INSTRARGS &) { PFN(); }

void vUsing2(const INSTRARGS &a) { vUsingStatement(a.ulLabel, a.pLabel, a.iOperands, a.pFirst); }
void vDrop2(const INSTRARGS &a) { vDropStatement(a.iOperands, a.pFirst); }
void vEnd2(const INSTRARGS &a) { vEndSecondPhase(a.iOperands, a.pFirst); }
void vPunch2(const INSTRARGS &a) { vPunchStatement(a.iOperands, a.pFirst); }
void vRepro2(const INSTRARGS &a) { vReproStatement(a.iOperands, a.pFirst); }
void vPush2(const INSTRARGS &a) { vUsingPushPopStatement(true, a.iOperands, a.pFirst); }
void vPop2(const INSTRARGS &a) { vUsingPushPopStatement(false, a.iOperands, a.pFirst); }
void vExternalName2(const INSTRARGS &a)
{
  vExternalNameCheck(bNumberOf(a), a.ulLabel, a.pLabel, a.iOperands, a.pFirst);
}
void vEqu2(const INSTRARGS &a) { vEquSecondPhase(a.ulLabel, a.pLabel, a.pFirst); }
void vMnote2(const INSTRARGS &a) { vMnoteStatement(a.iOperands, a.pFirst); }

/* ---- the table ------------------------------------------------------------------ */

constexpr PFNINSTR NONE = nullptr;
constexpr uint8_t M = IR_MACRO, L = IR_LOCATED, W = IR_WAITS;

/* ORDER INSTRNUM: one row per number of optable.tab, in number order. */
constexpr INSTRROW c_aInstr[] = {
    /* number        flags           first phase       location step     pass re-run  second phase */
    {0, 0, NONE, NONE, NONE, NONE, 0, 0},
    {INSTR_LITERAL, L | IR_NO_LABEL, vMarkPhase2, vLiteralLocate, NONE, vRecord<vLiteralStatement>, 0, 0},
    {INSTR_ACTR, M, vBranchFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_ADATA, 0, vListing<vAdataStatement>, NONE, NONE, NONE, 0, 0},
    {INSTR_AEJECT, M, vMacroFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_AGO, M, vBranchFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_AIF, M, vBranchFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_ALIAS, W, vAttribute, NONE, vAttribute, NONE, 0, 0},
    {INSTR_AMODE, W, vAttribute, NONE, vAttribute, NONE, 0, 0},
    {INSTR_ANOP, M, vBranchFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_AREAD, M, vAreadFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_ASPACE, M, vMacroFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_CCW, L, vMarkPhase2, vCcwLocate, NONE, vRecord<vCcwStatement>, E_W, 8},
    {INSTR_CCW1, L, vMarkPhase2, vCcwLocate, NONE, vRecord<vCcwStatement>, E_W, 8},
    {INSTR_CEJECT, 0, vListing<vCejectStatement>, NONE, NONE, vListing<vCejectSecondPhase>, 0, 0},
    {INSTR_CNOP, L | W, vMarkPhase2, vCnopLocate, NONE, vRecord<vCnopStatement>, E_I, 1},
    {INSTR_COM, 0, vSection, NONE, vSection, vExternalName2, 0, 0},
    {INSTR_COPY, 0, vCopy, NONE, NONE, NONE, 0, 0},
    {INSTR_CSECT, 0, vSection, NONE, vSection, vExternalName2, 0, 0},
    {INSTR_CXD, L, vMarkPhase2, vCxdLocate, NONE, vRecord<vCxdStatement>, E_A, 4},
    {INSTR_DC, L | W, vMarkPhase2, vDcLocate, NONE, vRecord<vDcStatement>, 0, 0},
    {INSTR_DROP, 0, vMarkPhase2, NONE, NONE, vDrop2, 0, 0},
    {INSTR_DS, L | W, vFirstOnly, vDsLocate, NONE, NONE, 0, 0},
    {INSTR_DSECT, 0, vSection, NONE, vSection, vExternalName2, 0, 0},
    {INSTR_DXD, 0, vFirstOnly, vDxdLocate, NONE, vExternalName2, 0, 0},
    {INSTR_EJECT, 0, vListing<vEjectStatement>, NONE, NONE, vListing<vEjectSecondPhase>, 0, 0},
    {INSTR_END, 0, vFirstOnly, vEndLocate, NONE, vEnd2, E_U, 1},
    {INSTR_ENTRY, W, vExternal, NONE, vExternal, vExternalName2, 0, 0},
    {INSTR_EQU, L | W, vFirstOnly, vEquLocate, NONE, vEqu2, 0, 0},
    {INSTR_EXEC, M, vExec, NONE, NONE, NONE, 0, 0},
    {INSTR_EXITCTL, 0, vListing<vExitctlStatement>, NONE, NONE, NONE, 0, 0},
    {INSTR_EXTRN, 0, vExternal, NONE, NONE, vExternalName2, 0, 0},
    {INSTR_GBLA, M, vDeclareFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_GBLB, M, vDeclareFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_GBLC, M, vDeclareFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_ICTL, 0, vListing<vIctlStatement>, NONE, NONE, NONE, 0, 0},
    {INSTR_ISEQ, 0, vListing<vIseqStatement>, NONE, NONE, NONE, 0, 0},
    {INSTR_LCLA, M, vDeclareFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_LCLB, M, vDeclareFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_LCLC, M, vDeclareFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_LOCTR, 0, vSection, NONE, vSection, NONE, 0, 0},
    {INSTR_LTORG, L, vFirstOnly, vLtorgLocate, NONE, NONE, E_U, 1},
    {INSTR_MACRO, M, vMacroFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_MEND, M, vMacroFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_MEXIT, M, vMacroFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_MHELP, 0, vMhelpFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_MNOTE, 0, vMarkPhase2, NONE, NONE, vMnote2, 0, 0},
    {INSTR_OPSYN, 0, vOpsynFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_ORG, L | W | IR_ORG_VALUE, vFirstOnly, vOrgLocate, NONE, NONE, E_U, 1},
    {INSTR_POP, 0, vListing<vPopStatement>, NONE, NONE, vPop2, 0, 0},
    {INSTR_PRINT, 0, vListing<vPrintStatement>, NONE, NONE, NONE, 0, 0},
    {INSTR_PUNCH, 0, vMarkPhase2, NONE, NONE, vPunch2, 0, 0},
    {INSTR_PUSH, 0, vListing<vPushStatement>, NONE, NONE, vPush2, 0, 0},
    {INSTR_REPRO, 0, vReproFirstPhase, NONE, NONE, vRepro2, 0, 0},
    {INSTR_RMODE, W, vAttribute, NONE, vAttribute, NONE, 0, 0},
    {INSTR_RSECT, 0, vSection, NONE, vSection, vExternalName2, 0, 0},
    {INSTR_SETA, M, vSetFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_SETB, M, vSetFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_SETC, M, vSetFirstPhase, NONE, NONE, NONE, 0, 0},
    {INSTR_SPACE, 0, vListing<vSpaceStatement>, NONE, NONE, vListing<vSpaceSecondPhase>, 0, 0},
    {INSTR_START, 0, vSection, NONE, vSection, vExternalName2, 0, 0},
    {INSTR_TITLE, 0, vListing<vTitleStatement>, NONE, NONE, vListing<vTitleSecondPhase>, 0, 0},
    {INSTR_USING, L | W | IR_USING_LABEL, vUsing1, vUsingLocate, NONE, vUsing2, 0, 0},
    {INSTR_WXTRN, 0, vExternal, NONE, NONE, vExternalName2, 0, 0},
};
static_assert(sizeof c_aInstr / sizeof c_aInstr[0] == INSTR_COUNT, "one row per instruction number");

constexpr bool bInOrder()
{
  for (unsigned i = 0; i < INSTR_COUNT; i++)
    if (c_aInstr[i].bNumber != i) return false;
  return true;
}
static_assert(bInOrder(), "rows in number order");

} // namespace

const INSTRROW &rInstrRow(uint8_t bNumber) { return c_aInstr[bNumber < INSTR_COUNT ? bNumber : 0]; }

const LABELHOOKS g_labelHooks = {rInstrRow, vPrivateSection, vMachineLocate, [](int32_t lSection, uint32_t *pulStart) {
                                   const ESDITEM *s = pEsdItem(lSection);
                                   if (s == nullptr) return false;
                                   *pulStart = s->ulStart;
                                   return true;
                                 }};
