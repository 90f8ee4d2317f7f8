/*
** asm1.cpp - the conditional assembly phase (module "asm1").
**
** Calls: def1, esd1, fix1, gen1, instr, lbl, mac1, pun2, src1, stmt, var1.
** Called by: asm.
**
** Reads every statement of a program, has it processed and stored on SYSUT1,
** ends the record stream with a zero length word and drops the storage of
** the phase.  Owns the SYSUT1 end position that the resolution passes use.
**
** With TEST, the TESTRAN pass reads the records once more after the layout
** and hands the object module the SYM data of the assembly (items laid out
** as docs/symcards.md describes).  A statement diagnostic above severity 8
** switches TEST off for the rest of the run: the assembly that has one and
** every later one of a batch get no TESTRAN pass.
*/
#include "asm1.h"

#include <cstring>

#include "asm0.h"
#include "chars.h"
#include "def1.h"
#include "esd1.h"
#include "fix1.h"
#include "gen1.h"
#include "instr.h"
#include "lbl.h"
#include "mac1.h"
#include "mem.h"
#include "opt.h"
#include "pun2.h"
#include "src1.h"
#include "var1.h"
#include "vorn.h"
#include "work.h"
#include "svc.h"

namespace {

enum PHASE1MSG { MSG_END_MISSING, MSG_COUNT };
const MSGDEF c_aMsg[] = {
    {108, 4, "Missing END statement generated."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

struct PHASE1STATE {
  SRCSTMT stmt;          /* the statement in hand */
  uint64_t ullSysut1End; /* position after the end marker */
  bool bTestOff;         /* a severe diagnostic switched TEST off */
};
PHASE1STATE g_phase1 = {};

/* ---- the TESTRAN pass ---------------------------------------------------- */

/* SYM item codes. */
enum : uint8_t { SYM_SECTION = 1, SYM_SYMBOL = 2, SYM_DC = 3, SYM_DS = 4, SYM_LOCATION = 5, SYM_INSTRUCTION = 6 };
constexpr uint32_t SYM_ITEM_MAX = 5 + 255; /* a DC item of 255 operands */

/* One item being built. */
struct SYMITEM {
  uint8_t ab[SYM_ITEM_MAX];
  uint32_t ul = 0;
  explicit SYMITEM(uint8_t bCode) { ab[ul++] = bCode; }
  void vBig(uint32_t ulValue, unsigned uBytes)
  {
    while (uBytes-- > 0) ab[ul++] = static_cast<uint8_t>(ulValue >> (8 * uBytes));
  }
  void vName(const uint8_t *pName, uint32_t ulLength)
  {
    ab[ul++] = static_cast<uint8_t>(ulLength);
    if (ulLength > 0) std::memcpy(ab + ul, pName, ulLength); /* an unnamed section has none */
    ul += ulLength;
  }
  void vPut() const { vObjectSymData(ab, ul); }
};

/* The address of a section-relative value. */
uint32_t ulAddress(int32_t lSection, uint32_t ulValue)
{
  const ESDITEM *e = pEsdItem(lSection);
  return (ulValue + (e != nullptr ? e->ulStart : 0)) & LOCATION_LIMIT;
}

bool bNameIs(const uint8_t *pName, uint32_t ulLength, const char *pszName)
{
  if (ulLength != std::strlen(pszName)) return false;
  for (uint32_t i = 0; i < ulLength; i++)
    if (g_abUpper[pName[i]] != g_abAsciiToEbcdic[static_cast<uint8_t>(pszName[i])]) return false;
  return true;
}

/* The type letter of a DC/DS operand or literal: after '=', a duplication
   factor of digits or a parenthesised expression. */
uint8_t bTypeLetter(const uint8_t *p, uint32_t ulLength)
{
  uint32_t i = ulLength > 0 && p[0] == E_EQUAL ? 1 : 0;
  if (i < ulLength && p[i] == E_LPAREN) {
    for (uint32_t ulDepth = 0; i < ulLength; i++) {
      if (p[i] == E_LPAREN) ulDepth++;
      if (p[i] == E_RPAREN && --ulDepth == 0) break;
    }
    i++;
  }
  while (i < ulLength && (g_abClass[p[i]] & CC_DIGIT)) i++;
  return i < ulLength ? g_abUpper[p[i]] : EBCDIC_BLANK;
}

/* The name of the section of a record (EBCDIC; length 0 when unnamed). */
const uint8_t *pSectionName(int32_t lSection, uint32_t *pulLength)
{
  const ESDITEM *e = pEsdItem(lSection);
  *pulLength = e != nullptr && e->pName != nullptr ? e->pName->usNameLength : 0;
  return *pulLength > 0 ? e->pName->abName : nullptr;
}

void vSymSection(const STMTVIEW &v)
{
  const ESDITEM *e = pEsdItem(v.lSection);
  if (e == nullptr) return;
  SYMITEM item(SYM_SECTION);
  item.ab[item.ul++] = e->bKind;
  item.vBig(e->lId > 0 ? static_cast<uint32_t>(e->lId) : 0, 2);
  item.vBig(e->ulStart & LOCATION_LIMIT, 3);
  uint32_t ulName = 0;
  const uint8_t *pName = pSectionName(v.lSection, &ulName);
  item.vName(pName, ulName);
  item.vPut();
}

void vSymLabel(const uint8_t *pLabel, uint32_t ulLabel)
{
  const SYMBOL *pSym = pSymbolFind(pLabel, ulLabel);
  if (pSym == nullptr || (pSym->bFlags & SYMF_UNDEFINED) || pSym->lLength == SYM_LENGTH_USING) return;
  SYMITEM item(SYM_SYMBOL);
  item.ab[item.ul++] = pSym->bType;
  item.vBig(static_cast<uint32_t>(pSym->lValue) & LOCATION_LIMIT, 3);
  item.vBig(pSym->lLength > 0 ? static_cast<uint32_t>(pSym->lLength) & 0xFFFF : 0, 2);
  item.vName(pSym->abName, pSym->usNameLength);
  item.vPut();
}

void vSymData(uint8_t bCode, uint32_t ulAt, int iOperands, const uint8_t *pFirst)
{
  SYMITEM item(bCode);
  item.vBig(ulAt, 3);
  uint32_t ulCount = iOperands < 255 ? static_cast<uint32_t>(iOperands) : 255;
  item.ab[item.ul++] = static_cast<uint8_t>(ulCount);
  const uint8_t *pOp = pFirst;
  for (uint32_t i = 0; i < ulCount && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOp, &ulLength);
    item.ab[item.ul++] = bTypeLetter(pText, ulLength);
  }
  item.vPut();
}

void vSymLocation(uint32_t ulAt)
{
  SYMITEM item(SYM_LOCATION);
  item.vBig(ulAt, 3);
  item.vPut();
}

void vSymInstruction(const STMTVIEW &v, uint32_t ulAt, const OPENTRY *pEntry)
{
  SYMITEM item(SYM_INSTRUCTION);
  item.vBig(ulAt, 3);
  item.vBig(v.ulNumber, 3);
  item.ab[item.ul++] = pEntry->bLength;
  item.ab[item.ul++] = pEntry->abName[6];
  item.ab[item.ul++] = pEntry->abName[7];
  item.vPut();
}

/* The items of the record in hand. */
void vSymStatement(const STMTVIEW &v, const OPENTRY *pEntry)
{
  uint32_t ulLabel = 0;
  const uint8_t *pLabel = nullptr, *pFirst = nullptr;
  int iOperands = iStmtLocate(&ulLabel, &pLabel, &pFirst);
  uint32_t ulAt = (v.usFlags & SF_RELATIVE) ? ulAddress(v.lSection, v.ulLocation) : v.ulLocation & LOCATION_LIMIT;
  uint8_t bNumber = bInstructionNumber(pEntry);
  switch (bNumber) {
  case INSTR_COM:
  case INSTR_CSECT:
  case INSTR_DSECT:
  case INSTR_RSECT:
  case INSTR_START:
    vSymSection(v);
    return;
  case INSTR_DC:
  case INSTR_DS:
  case INSTR_LITERAL:
    vSymData(bNumber == INSTR_DS ? SYM_DS : SYM_DC, ulAt, iOperands, pFirst);
    break;
  case INSTR_ORG: {
    const uint8_t *pValue = pStmtSub(SUB_VALUE);
    uint32_t ulValue = pValue != nullptr ? ulGet32(pValue + 4) : 0xFFFFFFFFu;
    if (ulValue != 0xFFFFFFFFu) vSymLocation(ulAddress(v.lSection, ulValue));
    break;
  }
  case INSTR_CNOP:
  case INSTR_LTORG:
    vSymLocation(ulAt);
    break;
  default:
    if (pEntry->bKind == OPK_MACHINE) vSymInstruction(v, ulAt, pEntry);
    break;
  }
  if (ulLabel > 0 && bNumber != INSTR_LITERAL && !(rInstrRow(bNumber).bFlags & IR_USING_LABEL))
    vSymLabel(pLabel, ulLabel);
}

/* TEST: DSECTs named SYMDEL and SYMUNDEL bracket statements that give no
   SYM data (SYMNODEL ends every bracket); TEST(ALL) takes them as DSECTs. */
void vTestranPass()
{
  vPhaseSet('1', 'T');
  vSvcTrace(TRACE_PHASE, "Entering TESTRAN pass ...");
  uint32_t ulSuppress = 0;
  lStmtFirst(0);
  while (lStmtNext(0) != 0) {
    STMTVIEW v = stmtView();
    const OPENTRY *pEntry = pStmtEntry();
    if ((v.usFlags & SF_ERROR) || pEntry == nullptr || pEntry->bKind == OPK_MACRO) continue;
    if (g_opt.bTest == TEST_ON && bInstructionNumber(pEntry) == INSTR_DSECT) {
      uint32_t ulName = 0;
      const uint8_t *pName = pSectionName(v.lSection, &ulName);
      if (bNameIs(pName, ulName, "SYMDEL")) {
        ulSuppress++;
        continue;
      }
      if (bNameIs(pName, ulName, "SYMUNDEL")) {
        if (ulSuppress > 0) ulSuppress--;
        continue;
      }
      if (bNameIs(pName, ulName, "SYMNODEL")) {
        ulSuppress = 0;
        continue;
      }
    }
    if (ulSuppress == 0) vSymStatement(v, pEntry);
  }
  vStmtTraceClear();
  vPhaseSet('1', 'N');
}

} // namespace

void vPhase1()
{
  vSvcTrace(TRACE_PHASE, "Entering conditional assembly phase ...");
  if (g_asm.ulMaxSev > 8) g_phase1.bTestOff = true; /* the assembly before this one */
  vStmtPhaseStart();
  vStmtTraceClear();
  vSeverityReset();
  vPhaseSet('1', 'C');

  vOpindexBuild(g_opt.bExecAllowed);
  vSymbolsReset(g_opt.bXref != 0);
  vEsdReset();
  vDcInit();
  vMacroPhaseStart();
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
  vStmtTraceClear();
  const uint32_t ulEndMarker = 0;
  vWorkWrite(&ulEndMarker, sizeof ulEndMarker, 1, WORK_SYSUT1);
  g_phase1.ullSysut1End = static_cast<uint64_t>(lWorkTell(WORK_SYSUT1));
  vSourceCloseNested();
  vVarPhaseEnd();
  vMacroPhaseEnd();

  vResolveAddresses();
  vStmtTraceClear();
  vPhaseSet('1', 'N');
  vEsdLayout();
  vSymbolsRelocate();
  if (g_asm.ulMaxSev > 8) g_phase1.bTestOff = true;
  if (g_opt.bTest != TEST_OFF && !g_phase1.bTestOff) vTestranPass();
  vOpindexDrop();
  vSubpoolRelease(SP_PHASE1);
}
