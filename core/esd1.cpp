/*
** esd1.cpp - sections, external symbols, location counters and literal
** pools (module "esd1").
**
** Calls: def1, eval, lbl, pars, stmt.
** Called by: asm1, asm2, def2, fix1, gen1, ins2, instr, msc2, pun2, var1,
**   xrf2.
**
** Owns the item and counter arrays, the counter in use, the EXTRN list, the
** four length lists of the literal pool being filled and the layout's error
** state.  All of it lives in subpool 1 and is started by vEsdReset.
**
** Notes on the design:
**  - A statement that waits for a location keeps the index of its location
**    counter in the section field of its record (flag 0x0100 set); the
**    resolution passes take the counter from there.
**  - A counter blocked by a statement stays usable for that statement, so a
**    pending ORG, DC, DS or CNOP settles itself when a pass re-runs it.
**  - External references are made from the EXTRN list only at the layout, so
**    their ids follow those of the sections; the V names nobody declared
**    take their places among them in the order of their statements.
**  - The final literal pool goes to the end of the first control section,
**    after the last location counter of its chain.  An unnamed control
**    section that never received a location (started only for EQU or USING
**    statements before the first CSECT) is left out of the layout, and the
**    final literal pool never goes into it.
*/
#define MEM_MODULE "esd1"

#include "esd1.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "asm0.h"
#include "chars.h"
#include "def1.h"
#include "expr.h"
#include "fix1.h"
#include "gen1.h"
#include "instr.h"
#include "lbl.h"
#include "mem.h"
#include "opt.h"
#include "svc.h"
#include "vorn.h"
#include "work.h"

const MSGDEF g_aEsdMsg[] = {
    {151, 12, "An executable control section has already been started."},
    {152, 12, "Invalid control section type."},
    {153, 12, "Attribute has already been set for this external symbol."},
    {154, 12, "Conflicting AMODE/RMODE attributes."},
    {155, 12, "is repeated."},
    {156, 12, "cannot be defined as an ENTRY."},
    {157, 12, "The unnamed control section is not defined."},
    {158, 12, "is not defined."},
    {170, 12, "The unnamed DXD is already defined."},
    {171, 12, "Location counter overflow"},
    {302, 12, "is too long to be defined as an external symbol."},
};
static_assert(sizeof g_aEsdMsg / sizeof g_aEsdMsg[0] == ESDM_COUNT);

void vLocationOverflow() { iStmtDiagStem(g_aEsdMsg[ESDM_LOCATION], 0); }

namespace {

/* A name from a V-type or Q-type constant. */
struct DCNAME {
  const uint8_t *pName; /* subpool 1 copy */
  uint32_t ulLength;
  bool bQ;
  uint32_t ulStmt; /* the statement that named it first */
};

struct EXTRNENTRY {
  SYMBOL *pSym;
  uint32_t ulStmt;
  uint8_t bKind; /* ESD_ER or ESD_WX */
  uint16_t usAliasLength;
  const uint8_t *pAlias;
};

constexpr unsigned LIT_LISTS = 4;

struct ESDSTATE {
  GROWBUF items;
  uint32_t ulItems;
  GROWBUF counters;
  uint32_t ulCounters;
  int32_t lCurrent; /* counter in use; -1 before the first section */
  GROWBUF extrn;
  uint32_t ulExtrn;
  GROWBUF dcNames;
  uint32_t ulDcNames;
  GROWBUF aLits[LIT_LISTS]; /* SYMBOL * of the pool being filled */
  uint32_t aulLits[LIT_LISTS];
  bool bFirstItem;
  STACKHDR *pStack;       /* expression storage of the handlers */
  STACKHDR *pLocateStack; /* and of the location steps */
};
ESDSTATE g_esd = {{SP_RUN, 1, 0, nullptr, nullptr},
                  0,
                  {SP_RUN, 1, 0, nullptr, nullptr},
                  0,
                  -1,
                  {SP_RUN, 1, 0, nullptr, nullptr},
                  0,
                  {SP_RUN, 1, 0, nullptr, nullptr},
                  0,
                  {{SP_RUN, 1, 0, nullptr, nullptr},
                   {SP_RUN, 1, 0, nullptr, nullptr},
                   {SP_RUN, 1, 0, nullptr, nullptr},
                   {SP_RUN, 1, 0, nullptr, nullptr}},
                  {0, 0, 0, 0},
                  true,
                  nullptr,
                  nullptr};

STACKHDR *pStack()
{
  if (g_esd.pStack == nullptr) g_esd.pStack = pStackCreate(SP_RUN);
  vStackReset(g_esd.pStack);
  return g_esd.pStack;
}

uint32_t ulLimit()
{
  uint32_t ul = g_opt.ulLocLimit != 0 ? g_opt.ulLocLimit : 0x1000000;
  return ul;
}

bool bStorageKind(uint8_t bKind) { return bKind == ESD_SD || bKind == ESD_PC || bKind == ESD_CM || bKind == ESD_DSECT; }
bool bControlKind(uint8_t bKind) { return bKind == ESD_SD || bKind == ESD_PC; }

int32_t lNewCounter(SYMBOL *pName, int32_t lSection)
{
  uint32_t ul = g_esd.ulCounters;
  LOCCTR *p = static_cast<LOCCTR *>(GB_ROOM(&g_esd.counters, (static_cast<size_t>(ul) + 1) * sizeof(LOCCTR)));
  p[ul] = LOCCTR{pName, 0, 0, -1, lSection, 0, false, false};
  g_esd.ulCounters = ul + 1;
  vStmtCounters(g_esd.ulCounters);
  return static_cast<int32_t>(ul);
}

uint32_t ulStmt() { return g_asm.ulStmtNo; }

void vRecordLocation(int32_t lSection, int32_t lLocation, bool bRelative)
{
  vStmtSetPlace(lSection, static_cast<uint32_t>(lLocation));
  vStmtClearFlags(SF_UNASSIGNED);
  if (bRelative) vStmtSetFlags(SF_RELATIVE);
}

void vDiag(ESDMSG eMsg) { iStmtMsg(g_aEsdMsg[eMsg]); }

/* Symbol of a label, found or made; null (with message 110) for a label
   already defined as something else. */
SYMBOL *pNameSymbol(uint32_t ulLabelLength, const uint8_t *pLabel)
{
  return pLabelDefine(pLabel, ulLabelLength, ulStmt(), false);
}

int32_t lCounterOfName(const SYMBOL *pSym)
{
  if (pSym == nullptr) return -1;
  const LOCCTR *c = static_cast<const LOCCTR *>(g_esd.counters.pData);
  for (uint32_t i = 0; i < g_esd.ulCounters; i++)
    if (c[i].pName == pSym) return static_cast<int32_t>(i);
  return -1;
}

int32_t lUnnamed(uint8_t bKind)
{
  for (uint32_t i = 0; i < g_esd.ulItems; i++) {
    const ESDITEM *p = pEsdItem(static_cast<int32_t>(i));
    if (p->pName == nullptr && p->bKind == bKind) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t lLastCounter(int32_t lSection) { return pEsdItem(lSection)->lLastLoc; }

bool bUpperEquals(const uint8_t *p, uint32_t ulLength, const char *pszHost)
{
  size_t n = std::strlen(pszHost);
  if (n != ulLength) return false;
  for (size_t i = 0; i < n; i++)
    if (g_abUpper[p[i]] != g_abAsciiToEbcdic[static_cast<uint8_t>(pszHost[i])]) return false;
  return true;
}

} // namespace

/* ---- items and counters ------------------------------------------------- */

void vEsdReset()
{
  g_esd.ulItems = 0;
  g_esd.ulCounters = 0;
  vStmtCounters(0);
  g_esd.lCurrent = -1;
  g_esd.ulExtrn = 0;
  g_esd.ulDcNames = 0;
  for (uint32_t &ul : g_esd.aulLits) ul = 0;
  g_esd.bFirstItem = true;
  g_esd.pStack = nullptr; /* subpool 1 was released with the last assembly */
  g_esd.pLocateStack = nullptr;
}

uint32_t ulEsdCount() { return g_esd.ulItems; }
ESDITEM *pEsdItem(int32_t lIndex)
{
  if (lIndex < 0 || static_cast<uint32_t>(lIndex) >= g_esd.ulItems) return nullptr;
  return static_cast<ESDITEM *>(g_esd.items.pData) + lIndex;
}
uint32_t ulLocCounterCount() { return g_esd.ulCounters; }
LOCCTR *pLocCounter(int32_t lIndex)
{
  if (lIndex < 0 || static_cast<uint32_t>(lIndex) >= g_esd.ulCounters) return nullptr;
  return static_cast<LOCCTR *>(g_esd.counters.pData) + lIndex;
}
int32_t lEsdCurrentCounter() { return g_esd.lCurrent; }

int32_t lEsdFirstControlSection()
{
  int32_t lAny = -1;
  for (uint32_t i = 0; i < g_esd.ulItems; i++) {
    const ESDITEM *p = pEsdItem(static_cast<int32_t>(i));
    if (!bControlKind(p->bKind)) continue;
    if (p->bLocated) return static_cast<int32_t>(i);
    if (lAny < 0) lAny = static_cast<int32_t>(i);
  }
  return lAny;
}

int32_t iEsdNew(uint8_t bKind, SYMBOL *pName)
{
  uint32_t ul = g_esd.ulItems;
  ESDITEM *p = static_cast<ESDITEM *>(GB_ROOM(&g_esd.items, (static_cast<size_t>(ul) + 1) * sizeof(ESDITEM)));
  p += ul;
  *p = ESDITEM{};
  p->pName = pName;
  p->ulLimit = ulLimit();
  p->lFirstLoc = p->lCurLoc = p->lLastLoc = -1;
  p->lDefStmt = -1;
  p->bKind = bKind;
  g_esd.ulItems = ul + 1;
  int32_t lIndex = static_cast<int32_t>(ul);
  if (bKind == ESD_DSECT || bKind == ESD_XD) p->ulStart = ulStmt();
  if (bStorageKind(bKind)) {
    int32_t lCounter = lNewCounter(pName, lIndex);
    p = pEsdItem(lIndex);
    p->lFirstLoc = p->lCurLoc = p->lLastLoc = lCounter;
  }
  if (g_esd.bFirstItem && bKind != ESD_ER && bKind != ESD_WX) {
    g_esd.bFirstItem = false;
    if (g_asm.cPhase == '1' && g_asm.cStep == 'C' && lResolvePass() == 0) vStmtSetFlags(SF_OPTIONAL | SF_OBJECT_CALL);
  }
  if (pName != nullptr && pName->lLength == SYM_LENGTH_UNKNOWN) {
    pName->lLength = 1;
    pName->lValue = 0;
    pName->lSection = lIndex;
    pName->bFlags = static_cast<uint8_t>(pName->bFlags & ~(SYMF_VALUE_PENDING | SYMF_TYPE_PENDING));
  }
  return lIndex;
}

void vPrivateSection()
{
  if (g_esd.lCurrent >= 0) return;
  int32_t l = iEsdNew(ESD_PC, nullptr);
  g_esd.lCurrent = pEsdItem(l)->lFirstLoc;
}

int32_t lEsdFindIndex(const SYMBOL *pSym)
{
  if (pSym == nullptr) return -1;
  for (uint32_t i = g_esd.ulItems; i-- > 0;)
    if (pEsdItem(static_cast<int32_t>(i))->pName == pSym) return static_cast<int32_t>(i);
  return -1;
}

ESDITEM *pEsdFind(const SYMBOL *pSym) { return pEsdItem(lEsdFindIndex(pSym)); }

bool bCounterLocation(int32_t lCounter, int32_t *plSection, int32_t *plOffset)
{
  const LOCCTR *c = pLocCounter(lCounter);
  if (c == nullptr || c->bWaiting || (c->lPending != 0 && static_cast<uint32_t>(c->lPending) != ulStmt())) return false;
  const ESDITEM *s = pEsdItem(c->lSection);
  uint64_t ull = static_cast<uint64_t>(s->ulFolded) + c->ulCurrent;
  *plSection = c->lSection;
  *plOffset = static_cast<int32_t>(ull > 0x7FFFFFFF ? 0x7FFFFFFF : ull);
  return true;
}

void vLocationWait(int32_t lCounter)
{
  vStmtSetSection(lCounter);
  vStmtSetFlags(SF_UNASSIGNED);
  iStmtReserveDiag(1);
}

void vCounterBlock(int32_t lCounter)
{
  LOCCTR *c = pLocCounter(lCounter);
  if (c != nullptr && c->lPending == 0) c->lPending = static_cast<int32_t>(ulStmt());
  vLocationWait(lCounter);
}

void vCounterRelease(int32_t lCounter, uint32_t ulStmtNo)
{
  LOCCTR *c = pLocCounter(lCounter);
  if (c != nullptr && static_cast<uint32_t>(c->lPending) == ulStmtNo) c->lPending = 0;
}

void vCounterSet(int32_t lCounter, uint32_t ulOffset)
{
  LOCCTR *c = pLocCounter(lCounter);
  if (c == nullptr) return;
  const ESDITEM *s = pEsdItem(c->lSection);
  c->ulCurrent = ulOffset >= s->ulFolded ? ulOffset - s->ulFolded : 0;
  if (c->ulCurrent > c->ulHigh) c->ulHigh = c->ulCurrent;
}

int32_t lStatementCounter()
{
  if (lResolvePass() != 0 && (usStmtFlags() & SF_UNASSIGNED)) return lStmtSection();
  return g_esd.lCurrent;
}

void vRecordExtent(uint32_t ulLength, uint8_t bAlign)
{
  vStmtSetLocation(ulLength);
  vStmtSetPad(bAlign);
}

int iAssignLocation(int32_t lCounter, SYMBOL *pSym, bool bBytes)
{
  int32_t lSection = -1, lOffset = 0;
  if (!bCounterLocation(lCounter, &lSection, &lOffset)) {
    vLocationWait(lCounter);
    return LOC_WAITING;
  }
  LOCCTR *c = pLocCounter(lCounter);
  ESDITEM *s = pEsdItem(lSection);
  uint64_t ullOffset = static_cast<uint64_t>(s->ulFolded) + c->ulCurrent;
  uint64_t ullLength = ulStmtLocation(); /* the extent, until assigned */
  uint8_t bAlign = bStmtPad();
  uint32_t ulPad = 0;
  if ((bAlign == 2 || bAlign == 4 || bAlign == 8) && ullOffset % bAlign != 0)
    ulPad = static_cast<uint32_t>(bAlign - ullOffset % bAlign);
  ullOffset += ulPad;
  /* a START value is the section's origin already: the addresses count */
  uint64_t ullOrigin = bControlKind(s->bKind) ? s->ulStart : 0;
  if (ullOrigin + ullOffset > LOCATION_LIMIT || ullOrigin + ullOffset + ullLength > LOCATION_LIMIT) {
    vLocationOverflow();
    if (pSym != nullptr) pSym->bFlags |= SYMF_UNDEFINED;
    vCounterRelease(lCounter, ulStmt());
    return LOC_ERROR;
  }
  c->ulCurrent = static_cast<uint32_t>(ullOffset + ullLength - s->ulFolded);
  if (c->ulCurrent > c->ulHigh) c->ulHigh = c->ulCurrent;
  vCounterRelease(lCounter, ulStmt());
  vStmtSetPad(static_cast<uint8_t>(ulPad));
  vRecordLocation(lSection, static_cast<int32_t>(ullOffset), true);
  if (ulPad != 0 && bBytes) vStmtSetFlags(SF_BYTES);
  s->bLocated = true;
  if (pSym != nullptr) {
    pSym->lSection = lSection;
    pSym->lValue = static_cast<int32_t>(ullOffset);
    pSym->bFlags = static_cast<uint8_t>(pSym->bFlags & ~SYMF_VALUE_PENDING);
    if (pSym->lKey1 == 0) {
      pSym->lOrgSection = lSection;
      pSym->lOrgValue = static_cast<int32_t>(ullOffset);
    }
  }
  return LOC_ASSIGNED;
}

/* ---- section statements ------------------------------------------------- */

namespace {

/* Resumes counter lCounter as the current one; the statement takes its
   location (LOCTR statements give it to their symbol). */
void vResume(int32_t lCounter, SYMBOL *pLocSym)
{
  LOCCTR *c = pLocCounter(lCounter);
  g_esd.lCurrent = lCounter;
  pEsdItem(c->lSection)->lCurLoc = lCounter;
  vRecordExtent(0, 1);
  iAssignLocation(lCounter, pLocSym, false);
}

/* The statement's start value: 0..X'FFFFF8' rounded up to 8; false after
   an error. */
bool bStartValue(int iOperands, const uint8_t *pFirstOperand, uint32_t *pulStart)
{
  *pulStart = 0;
  if (iOperands < 1) return true;
  uint32_t ulLength = 0;
  pOperandText(pFirstOperand, &ulLength);
  if (ulLength == 0) return true;
  int32_t lValue = 0;
  int iStatus = ABS_ERROR;
  iAbsOperand(pFirstOperand, 1, -1, -1, EF_ABSOLUTE, &lValue, 0, 0xFFFFF8, &iStatus);
  if (iStatus != ABS_OK) {
    if (iStatus == ABS_PENDING) iStmtDiagOperand(1);
    return false;
  }
  *pulStart = (static_cast<uint32_t>(lValue) + 7) & ~7u;
  return true;
}

bool bAnyControlSection()
{
  for (uint32_t i = 0; i < g_esd.ulItems; i++)
    if (bControlKind(pEsdItem(static_cast<int32_t>(i))->bKind)) return true;
  return false;
}

} // namespace

void vSectionStatement(uint8_t bNumber, uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands,
                       const uint8_t *pFirstOperand)
{
  if (lResolvePass() != 0) {
    /* a pass only refreshes the location of a statement that waited; the
       name takes it only from the LOCTR that made the counter (a LOCTR
       resuming a section's or an older counter leaves its value alone) */
    int32_t lCounter = lStatementCounter();
    SYMBOL *pSym = bNumber == INSTR_LOCTR ? pSymbolFind(pLabel, ulLabelLength) : nullptr;
    if (pSym != nullptr && (pSym->bFlags & SYMF_VALUE_PENDING) == 0) pSym = nullptr;
    iAssignLocation(lCounter, pSym, false);
    return;
  }
  bool bLoctr = bNumber == INSTR_LOCTR;
  uint8_t bKind = bNumber == INSTR_COM ? ESD_CM : bNumber == INSTR_DSECT ? ESD_DSECT : ESD_SD;
  bool bRsect = bNumber == INSTR_RSECT;
  if (bNumber == INSTR_START) {
    uint32_t ulStart = 0;
    if (!bStartValue(iOperands, pFirstOperand, &ulStart)) return;
    if (bAnyControlSection()) {
      vDiag(ESDM_EXECUTABLE);
      return;
    }
    if (ulLabelLength == 0) {
      int32_t l = iEsdNew(ESD_PC, nullptr);
      pEsdItem(l)->ulStart = ulStart;
      vResume(pEsdItem(l)->lFirstLoc, nullptr);
      return;
    }
    SYMBOL *pSym = pNameSymbol(ulLabelLength, pLabel);
    if (pSym == nullptr) return;
    if (ulLabelLength > ESD_NAME_MAX) vStmtWantPhase2();
    int32_t l = iEsdNew(ESD_SD, pSym);
    pSym->bType = E_J;
    pEsdItem(l)->ulStart = ulStart;
    vResume(pEsdItem(l)->lFirstLoc, nullptr);
    return;
  }

  if (ulLabelLength == 0) {
    uint8_t bUnnamed = bKind == ESD_SD ? static_cast<uint8_t>(ESD_PC) : bKind;
    int32_t l = lUnnamed(bUnnamed);
    if (l >= 0) {
      ESDITEM *p = pEsdItem(l);
      if (((p->bAttr & ESDA_RSECT) != 0) != bRsect && bUnnamed == ESD_PC) {
        vDiag(ESDM_SECTION_TYPE);
        return;
      }
      vResume(p->lCurLoc, nullptr);
      return;
    }
    l = iEsdNew(bUnnamed, nullptr);
    if (bKind == ESD_DSECT) pEsdItem(l)->bAttr = ESDA_DSECT;
    if (bRsect) pEsdItem(l)->bAttr = ESDA_RSECT;
    vResume(pEsdItem(l)->lFirstLoc, nullptr);
    return;
  }

  if (!bLoctr && ulLabelLength > ESD_NAME_MAX) vStmtWantPhase2();
  SYMBOL *pFound = pSymbolFind(pLabel, ulLabelLength);
  int32_t lCounter = lCounterOfName(pFound);
  if (lCounter >= 0) {
    const LOCCTR *c = pLocCounter(lCounter);
    ESDITEM *p = pEsdItem(c->lSection);
    if (!bLoctr) {
      bool bOwn = p->lFirstLoc == lCounter;
      bool bKindOk = bKind == ESD_SD ? bControlKind(p->bKind) : p->bKind == bKind;
      bool bWasRsect = (p->bAttr & ESDA_RSECT) != 0 && p->bKind != ESD_DSECT;
      if (!bOwn || !bKindOk || bWasRsect != bRsect) {
        vDiag(ESDM_SECTION_TYPE);
        return;
      }
      lCounter = p->lCurLoc;
    }
    vResume(lCounter, nullptr);
    return;
  }

  /* a DSECT may continue an external dummy of the same name */
  const ESDITEM *pXd = bKind == ESD_DSECT ? pEsdFind(pFound) : nullptr;
  SYMBOL *pSym = pXd != nullptr && pXd->bKind == ESD_XD ? pFound : pNameSymbol(ulLabelLength, pLabel);
  if (pSym == nullptr) return;
  pSym->bType = E_J;
  if (bLoctr) {
    vPrivateSection();
    int32_t lSection = pLocCounter(g_esd.lCurrent)->lSection;
    int32_t lLast = lLastCounter(lSection);
    int32_t lNew = lNewCounter(pSym, lSection);
    LOCCTR *c = pLocCounter(lNew);
    c->bWaiting = true;
    pLocCounter(lLast)->lNext = lNew;
    pEsdItem(lSection)->lLastLoc = lNew;
    pSym->lLength = 1;
    pSym->bFlags = static_cast<uint8_t>(pSym->bFlags & ~SYMF_TYPE_PENDING);
    vResume(lNew, pSym);
    return;
  }
  int32_t l = iEsdNew(bKind, pSym);
  if (bKind == ESD_DSECT) pEsdItem(l)->bAttr = ESDA_DSECT;
  if (bRsect) pEsdItem(l)->bAttr = ESDA_RSECT;
  vResume(pEsdItem(l)->lFirstLoc, nullptr);
}

/* ---- ALIAS, AMODE, RMODE -------------------------------------------------- */

namespace {

/* The alias of an ALIAS operand into abOut; its length, or -1. */
int iAliasValue(const uint8_t *p, uint32_t ulLength, uint8_t *abOut)
{
  if (ulLength < 3 || p[1] != E_QUOTE || p[ulLength - 1] != E_QUOTE) return -1;
  uint8_t bType = g_abUpper[p[0]];
  uint32_t n = 0;
  if (bType == E_C) {
    for (uint32_t i = 2; i + 1 < ulLength; i++) {
      if (p[i] == E_QUOTE) {
        if (i + 2 >= ulLength || p[i + 1] != E_QUOTE) return -1;
        i++;
      }
      if (n >= ESD_ALIAS_MAX) return -1;
      abOut[n++] = p[i];
    }
  } else if (bType == E_X) {
    uint32_t ulDigits = ulLength - 3;
    if (ulDigits == 0 || ulDigits % 2 != 0 || ulDigits / 2 > ESD_ALIAS_MAX) return -1;
    for (uint32_t i = 0; i < ulDigits; i += 2) {
      int aiNibble[2];
      for (int k = 0; k < 2; k++) {
        uint8_t c = g_abUpper[p[2 + i + k]];
        if (c >= E_0 && c <= E_9)
          aiNibble[k] = c - E_0;
        else if (c >= E_A && c <= E_F)
          aiNibble[k] = c - E_A + 10;
        else
          return -1;
      }
      abOut[n++] = static_cast<uint8_t>(aiNibble[0] << 4 | aiNibble[1]);
    }
  } else {
    return -1;
  }
  if (n == 0) return -1;
  for (uint32_t i = 0; i < n; i++)
    if (abOut[i] < 0x42 || abOut[i] > 0xFE) return -1;
  return static_cast<int>(n);
}

EXTRNENTRY *pExtrnOf(const SYMBOL *pSym)
{
  EXTRNENTRY *a = static_cast<EXTRNENTRY *>(g_esd.extrn.pData);
  for (uint32_t i = 0; i < g_esd.ulExtrn; i++)
    if (a[i].pSym == pSym) return &a[i];
  return nullptr;
}

const uint8_t *pInternAlias(const uint8_t *ab, int n)
{
  uint8_t *p = static_cast<uint8_t *>(SP_ALLOC(SP_RUN, static_cast<size_t>(n)));
  std::memcpy(p, ab, static_cast<size_t>(n));
  return p;
}

} // namespace

void vSectionAttribute(uint8_t bNumber, uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands,
                       const uint8_t *pFirstOperand)
{
  if (iOperands < 1) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  uint8_t abAlias[ESD_ALIAS_MAX];
  int iAlias = 0;
  uint8_t bBits = 0;
  if (bNumber == INSTR_ALIAS) {
    iAlias = iAliasValue(pText, ulLength, abAlias);
    if (iAlias < 0) {
      iStmtDiagOperand(1);
      return;
    }
  } else if (bUpperEquals(pText, ulLength, "24")) {
    bBits = bNumber == INSTR_AMODE ? ESDA_AMODE24 : ESDA_RMODE24;
  } else if (bUpperEquals(pText, ulLength, "ANY")) {
    bBits = bNumber == INSTR_AMODE ? ESDA_AMODEANY : ESDA_RMODEANY;
  } else if (bNumber == INSTR_AMODE && bUpperEquals(pText, ulLength, "31")) {
    bBits = ESDA_AMODE31;
  } else {
    iStmtDiagOperand(1);
    return;
  }

  SYMBOL *pSym = ulLabelLength > 0 ? pSymbolFind(pLabel, ulLabelLength) : nullptr;
  ESDITEM *p = ulLabelLength > 0 ? pEsdFind(pSym) : pEsdItem(lUnnamed(ESD_PC));
  EXTRNENTRY *pExt = bNumber == INSTR_ALIAS && p == nullptr ? pExtrnOf(pSym) : nullptr;
  if (p == nullptr && pExt == nullptr) {
    if (lResolvePass() >= 0 || lResolvePass() == -1) {
      iStmtReserveDiag(1);
    } else if (ulLabelLength > 0) {
      iStmtDiagName(g_aEsdMsg[ESDM_UNDEFINED_NAME], pLabel, ulLabelLength);
    } else {
      vDiag(ESDM_UNNAMED);
    }
    return;
  }
  if (bNumber == INSTR_ALIAS) {
    if (pExt != nullptr) {
      if (pExt->pAlias != nullptr) {
        vDiag(ESDM_ATTRIBUTE);
        return;
      }
      pExt->pAlias = pInternAlias(abAlias, iAlias);
      pExt->usAliasLength = static_cast<uint16_t>(iAlias);
      return;
    }
    if (p->bKind == ESD_DSECT) {
      vDiag(ESDM_SECTION_TYPE);
      return;
    }
    if (p->pAlias != nullptr) {
      vDiag(ESDM_ATTRIBUTE);
      return;
    }
    p->pAlias = pInternAlias(abAlias, iAlias);
    p->usAliasLength = static_cast<uint16_t>(iAlias);
    return;
  }
  if (p->bKind != ESD_SD && p->bKind != ESD_PC && p->bKind != ESD_CM) {
    vDiag(ESDM_SECTION_TYPE);
    return;
  }
  uint8_t bMask = bNumber == INSTR_AMODE ? ESDA_AMODE : ESDA_RMODE;
  if ((p->bAttr & bMask) != 0) {
    vDiag(ESDM_ATTRIBUTE);
    return;
  }
  uint8_t bNew = static_cast<uint8_t>(p->bAttr | bBits);
  if ((bNew & ESDA_AMODE) == ESDA_AMODE24 && (bNew & ESDA_RMODE) == ESDA_RMODEANY) {
    vDiag(ESDM_AMODE_RMODE);
    return;
  }
  p->bAttr = bNew;
}

/* ---- ENTRY, EXTRN, WXTRN -------------------------------------------------- */

void vExternalStatement(uint8_t bNumber, int iOperands, const uint8_t *pFirstOperand)
{
  const uint8_t *pOp = pFirstOperand;
  bool bPending = false;
  for (int i = 0; i < iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    uint32_t ulLength = 0;
    const uint8_t *pName = pOperandText(pOp, &ulLength);
    if (!bSymbolNameValid(pName, ulLength)) {
      iStmtDiagOperand(static_cast<unsigned>(i + 1));
      return;
    }
    /* the same name earlier in the statement */
    const uint8_t *pEarlier = pFirstOperand;
    bool bRepeated = false;
    for (int k = 0; k < i; k++, pEarlier = pOperandNext(pEarlier)) {
      uint32_t ulOther = 0;
      const uint8_t *pOther = pOperandText(pEarlier, &ulOther);
      if (ulOther != ulLength) continue;
      bool bSame = true;
      for (uint32_t j = 0; j < ulLength && bSame; j++) bSame = g_abUpper[pOther[j]] == g_abUpper[pName[j]];
      bRepeated = bRepeated || bSame;
    }
    if (bRepeated) {
      if (lResolvePass() == 0) iStmtDiagName(g_aEsdMsg[ESDM_REPEATED_NAME], pName, ulLength);
      continue;
    }
    if (ulLength > ESD_NAME_MAX) vStmtWantPhase2();

    if (bNumber != INSTR_ENTRY) {
      if (lResolvePass() != 0) continue;
      bool bCreated = true;
      SYMBOL *pSym = pSymbolDefine(pName, ulLength, ulStmt(), &bCreated);
      if (pSym == nullptr) continue;
      if (!bCreated && pSym->bType == E_T && (pSym->bFlags & SYMF_VALUE_PENDING) != 0) continue; /* listed */
      if (!bCreated && (pSym->bFlags & SYMF_VALUE_PENDING) == 0) {
        vSymbolDuplicate(pName, ulLength);
        continue;
      }
      pSym->bType = E_T;
      pSym->bFlags = static_cast<uint8_t>(pSym->bFlags & ~SYMF_TYPE_PENDING);
      EXTRNENTRY *a = static_cast<EXTRNENTRY *>(
          GB_ROOM(&g_esd.extrn, (static_cast<size_t>(g_esd.ulExtrn) + 1) * sizeof(EXTRNENTRY)));
      a[g_esd.ulExtrn++] = EXTRNENTRY{pSym, ulStmt(), bNumber == INSTR_WXTRN ? ESD_WX : ESD_ER, 0, nullptr};
      continue;
    }

    /* ENTRY: the name is a reference of the symbol */
    SYMBOL *pSym = pSymbolFind(pName, ulLength);
    if (pSym != nullptr) vSymbolXref(pSym, ulStmt());
    if (pSym == nullptr || (pSym->bFlags & (SYMF_VALUE_PENDING | SYMF_UNDEFINED)) != 0) {
      if (lResolvePass() >= 0)
        bPending = true;
      else
        iStmtDiagName(g_aEsdMsg[ESDM_UNDEFINED_NAME], pName, ulLength);
      continue;
    }
    ESDITEM *pOwn = pEsdFind(pSym);
    if (pOwn != nullptr && (pOwn->bKind == ESD_SD || pOwn->bKind == ESD_PC || pOwn->bKind == ESD_CM)) continue;
    if (pOwn != nullptr && pOwn->bKind == ESD_LD) continue;
    const ESDITEM *pSection = pEsdItem(pSym->lSection);
    if (pSection == nullptr || (pSection->bKind != ESD_SD && pSection->bKind != ESD_PC && pSection->bKind != ESD_CM)) {
      iStmtDiagName(g_aEsdMsg[ESDM_ENTRY_NAME], pName, ulLength);
      continue;
    }
    iEsdNew(ESD_LD, pSym);
  }
  if (bPending) iStmtReserveDiag(1);
}

void vExternalNameCheck(uint8_t bNumber, uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands,
                        const uint8_t *pFirstOperand)
{
  if (bNumber == INSTR_ENTRY || bNumber == INSTR_EXTRN || bNumber == INSTR_WXTRN) {
    const uint8_t *pOp = pFirstOperand;
    for (int i = 0; i < iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
      uint32_t ulLength = 0;
      const uint8_t *pName = pOperandText(pOp, &ulLength);
      if (ulLength <= ESD_NAME_MAX) continue;
      SYMBOL *pSym = pSymbolFind(pName, ulLength);
      const ESDITEM *p = pEsdFind(pSym);
      const EXTRNENTRY *pExt = pExtrnOf(pSym);
      if ((p != nullptr && p->pAlias != nullptr) || (pExt != nullptr && pExt->pAlias != nullptr)) continue;
      iStmtDiagName(g_aEsdMsg[ESDM_EXTERNAL_NAME], pName, ulLength);
    }
    return;
  }
  if (ulLabelLength <= ESD_NAME_MAX) return;
  const ESDITEM *p = pEsdFind(pSymbolFind(pLabel, ulLabelLength));
  if (p != nullptr && p->pAlias != nullptr) return;
  iStmtDiagName(g_aEsdMsg[ESDM_EXTERNAL_NAME], pLabel, ulLabelLength);
}

/* ---- DXD, ORG, END --------------------------------------------------------- */

void vDxdStatement(SYMBOL *pSym, uint32_t ulLabelLength, const uint8_t *pLabel, const uint8_t *pFirstOperand)
{
  if (lResolvePass() != 0) return;
  if (ulLabelLength == 0 && lUnnamed(ESD_XD) >= 0) {
    vDiag(ESDM_UNNAMED_DXD);
    return;
  }
  if (ulLabelLength > 0 && pSym == nullptr) return; /* duplicate */
  if (ulLabelLength > ESD_NAME_MAX) vStmtWantPhase2();
  uint32_t ulLength = 1, ulAlign = 1;
  if (pFirstOperand != nullptr) {
    uint32_t ulText = 0;
    const uint8_t *pText = pOperandText(pFirstOperand, &ulText);
    EXPRCTX *c = pExprParse(pText, ulText, 1, nullptr, pStack(), 0, ET_DCOPERAND);
    DCEVAL *e = bExprFailed(c) || c->pTree == nullptr ? nullptr : pDcEvaluate(c, c->pTree, -1, 0, 0, DCE_DS);
    if (e == nullptr) {
      if (!bExprFailed(c)) iStmtDiagOperand(1);
      iExprDiag(c);
      return;
    }
    ulLength = e->ulTotal;
    ulAlign = e->bAlign;
    if (pSym != nullptr) {
      pSym->lLength = e->lLength;
      pSym->sScale = e->sScale;
    }
  }
  int32_t l = iEsdNew(ESD_XD, pSym);
  ESDITEM *p = pEsdItem(l);
  p->ulFolded = ulLength;
  p->ulXdAlign = ulAlign;
  if (pSym != nullptr) {
    pSym->bType = E_J;
    pSym->lSection = l;
    pSym->lValue = 0;
    pSym->bFlags = static_cast<uint8_t>(pSym->bFlags & ~(SYMF_VALUE_PENDING | SYMF_TYPE_PENDING));
  }
  vRecordLocation(l, 0, true);
  (void)pLabel;
}

void vOrgStatement(SYMBOL *pSym, int iOperands, const uint8_t *pFirstOperand)
{
  if (pSym != nullptr) {
    pSym->lLength = 1;
    pSym->bType = E_U;
    pSym->bFlags = static_cast<uint8_t>(pSym->bFlags & ~SYMF_TYPE_PENDING);
  }
  int32_t lCounter = lStatementCounter();
  if (lCounter < 0) return;
  int32_t lSection = -1, lHere = 0;
  if (!bCounterLocation(lCounter, &lSection, &lHere)) {
    vLocationWait(lCounter);
    return;
  }
  uint8_t *pValue = pStmtSub(SUB_VALUE);
  uint32_t ulLength = 0;
  const uint8_t *pText = iOperands > 0 ? pOperandText(pFirstOperand, &ulLength) : nullptr;
  if (ulLength == 0) {
    vRecordExtent(0, 1);
    iAssignLocation(lCounter, pSym, false);
    LOCCTR *c = pLocCounter(lCounter);
    c->ulCurrent = c->ulHigh;
    if (pValue != nullptr) vPut32(pValue + 4, pEsdItem(c->lSection)->ulFolded + c->ulCurrent);
    return;
  }
  int32_t lPass = lResolvePass();
  uint32_t ulFlags = lPass == 0 ? 0x59u : lPass > 0 ? 0x51u : 0x41u;
  EXPRCTX *c = pExprParse(pText, ulLength, 1, nullptr, pStack(), 0, ET_EXPRESSION);
  EXPRVALUE *v =
      bExprFailed(c) ? nullptr : pExprEvaluate(c, c->pTree, ulRefWord(ulStmt(), 0), lSection, lHere, ulFlags);
  if (bExprFailed(c)) {
    iExprDiag(c);
    vCounterRelease(lCounter, ulStmt());
    return;
  }
  if (v == nullptr) {
    vCounterBlock(lCounter);
    return;
  }
  const ESDITEM *s = pEsdItem(lSection);
  if (v->ulNegative != 0 || v->ulPositive != 1 || v->lSection != lSection ||
      v->lValue < static_cast<int32_t>(s->ulFolded) || v->lValue > static_cast<int32_t>(LOCATION_LIMIT)) {
    iStmtDiagOperand(1);
    vCounterRelease(lCounter, ulStmt());
    return;
  }
  vRecordExtent(0, 1);
  if (iAssignLocation(lCounter, pSym, false) != LOC_ASSIGNED) return;
  vCounterSet(lCounter, static_cast<uint32_t>(v->lValue));
  pValue = pStmtSub(SUB_VALUE);
  if (pValue != nullptr) vPut32(pValue + 4, static_cast<uint32_t>(v->lValue));
}

void vEndStatement(SYMBOL *pSym, int iOperands)
{
  if (lResolvePass() == 0) {
    vStmtSetFlags(SF_OBJECT_CALL);
    if (iOperands > 0) vStmtWantPhase2();
  }
  int32_t lCounter = lStatementCounter();
  const LOCCTR *c = pLocCounter(lCounter);
  if (c == nullptr) {
    vRecordLocation(-1, 0, false);
    if (pSym != nullptr) {
      pSym->lSection = -1;
      pSym->lValue = 0;
      pSym->bFlags = static_cast<uint8_t>(pSym->bFlags & ~SYMF_VALUE_PENDING);
    }
    return;
  }
  /* END stands where the counter is now (it waits like any statement for a
     counter not yet usable), but puts nothing into its section */
  ESDITEM *s = pEsdItem(c->lSection);
  bool bLocated = s->bLocated;
  vRecordExtent(0, 1);
  iAssignLocation(lCounter, pSym, false);
  s->bLocated = bLocated;
}

/* ---- names of V and Q constants ------------------------------------------------ */

void vDcExternalNames(const DCOPERAND *pOp)
{
  if (pOp == nullptr || (pOp->cType != 'V' && pOp->cType != 'Q')) return;
  for (const DCVALUE *v = pOp->pFirst; v != nullptr; v = v->pNext) {
    const uint8_t *pName = pOp->pText + v->ulStart;
    if (!bSymbolNameValid(pName, v->ulLength)) continue; /* the second phase reports it */
    uint8_t *pCopy = static_cast<uint8_t *>(SP_ALLOC(SP_RUN, v->ulLength));
    for (uint32_t i = 0; i < v->ulLength; i++) pCopy[i] = g_abUpper[pName[i]];
    DCNAME *a =
        static_cast<DCNAME *>(GB_ROOM(&g_esd.dcNames, (static_cast<size_t>(g_esd.ulDcNames) + 1) * sizeof(DCNAME)));
    a[g_esd.ulDcNames++] = DCNAME{pCopy, v->ulLength, pOp->cType == 'Q', ulStmt()};
  }
}

namespace {

uint32_t ulSectionLength(const ESDITEM *p)
{
  uint64_t ull = 0;
  for (int32_t k = p->lFirstLoc; k >= 0; k = pLocCounter(k)->lNext) ull += pLocCounter(k)->ulHigh;
  return static_cast<uint32_t>(ull > 0xFFFFFFFF ? 0xFFFFFFFF : ull);
}

/* The V names of the statements before ulBefore, from index i of the names
   in statement order, become external references unless they are ESD items
   already or wait in the EXTRN list (a label of the same name keeps its own
   value); the index after them. */
uint32_t ulVNamesToItems(uint32_t i, uint32_t ulBefore)
{
  const DCNAME *a = static_cast<DCNAME *>(g_esd.dcNames.pData);
  for (; i < g_esd.ulDcNames && a[i].ulStmt < ulBefore; i++) {
    if (a[i].bQ) continue;
    SYMBOL *pSym = pSymbolFind(a[i].pName, a[i].ulLength);
    bool bCreated = false;
    if (pSym == nullptr) {
      pSym = pSymbolDefine(a[i].pName, a[i].ulLength, 0, &bCreated);
      if (pSym == nullptr) continue;
      pSym->bType = E_T;
    }
    vSymbolXref(pSym, a[i].ulStmt); /* the constant refers to its symbol */
    if (bCreated) {
      iEsdNew(ESD_ER, pSym);
      continue;
    }
    /* a dummy section's name is no external symbol: the constant refers
       to an external one of that name, which the section keeps its own
       item beside */
    const ESDITEM *pOwn = pEsdFind(pSym);
    if (pOwn != nullptr && pOwn->bKind != ESD_DSECT) continue;               /* its kind is checked when generated */
    if (pSym->bType == E_T && (pSym->bFlags & SYMF_VALUE_PENDING)) continue; /* EXTRN */
    iEsdNew(ESD_ER, pSym);
  }
  return i;
}

/* DSECTs named by Q become external dummies of their length.  Each name
   once. */
void vQNamesToItems()
{
  for (uint32_t i = 0; i < g_esd.ulDcNames; i++) {
    DCNAME n = static_cast<DCNAME *>(g_esd.dcNames.pData)[i];
    if (!n.bQ) continue;
    SYMBOL *pSym = pSymbolFind(n.pName, n.ulLength);
    ESDITEM *p = pEsdFind(pSym);
    if (p == nullptr || p->bKind != ESD_DSECT) continue;
    uint32_t ulLength = ulSectionLength(p);
    int32_t l = iEsdNew(ESD_XD, pSym);
    pEsdItem(l)->ulFolded = ulLength;
    pEsdItem(l)->ulXdAlign = 8;
  }
}

} // namespace

/* ---- literal pools ------------------------------------------------------------ */

namespace {

/* The first statement with a location that uses a literal is where its *
   stands. */
void vLiteralOrigin(SYMBOL *pLit)
{
  if (pLit->lOrgSection >= 0 || (usStmtFlags() & SF_UNASSIGNED)) return;
  int32_t lSection = lStmtSection();
  if (lSection < 0) return;
  pLit->lOrgSection = lSection;
  pLit->lOrgValue = static_cast<int32_t>(ulStmtLocation());
}

void vLiteralRegister(EXPRCTX *c, EXPRNODE *n, int32_t lPool)
{
  if (lPool < 1) return;
  if (SYMBOL *pOld = pLiteralFind(n->pText, n->ulTextLength, lPool, n->lValue)) {
    vLiteralOrigin(pOld);
    return;
  }
  if (lResolvePass() != 0) return; /* made in the first phase only */
  DCEVAL *e = pDcEvaluate(c, n, -1, 0, 0, 0);
  if (e == nullptr) {
    if (bExprFailed(c)) iExprDiag(c);
    return;
  }
  SYMBOL *pLit = pLiteralAdd(n->pText, n->ulTextLength, lPool, n->lValue);
  if (pLit == nullptr) return;
  const DCOPERAND *op = pDcOperand(n);
  pLit->lValue = static_cast<int32_t>(e->ulTotal);
  pLit->lLength = e->lLength;
  pLit->sScale = e->sScale;
  if (op != nullptr && op->cType == 'Q') pLit->sScale = -32766;
  if (op != nullptr && op->cType == 'V') pLit->sScale = -32767;
  pLit->bType = e->bType;
  pLit->bFlags = static_cast<uint8_t>(pLit->bFlags & ~SYMF_TYPE_PENDING);
  vDcExternalNames(op);
  vLiteralOrigin(pLit);
  unsigned uList = e->ulTotal % 8 == 0 ? 0 : e->ulTotal % 4 == 0 ? 1 : e->ulTotal % 2 == 0 ? 2 : 3;
  GROWBUF *pBuf = &g_esd.aLits[uList];
  SYMBOL **ap =
      static_cast<SYMBOL **>(GB_ROOM(pBuf, (static_cast<size_t>(g_esd.aulLits[uList]) + 1) * sizeof(SYMBOL *)));
  ap[g_esd.aulLits[uList]++] = pLit;
}

int32_t lLiteralEntry()
{
  for (uint32_t i = 0; i < g_optab.ulCount; i++) {
    const OPENTRY &e = g_optab.pEntries[i];
    if (e.bKind == OPK_ASSEMBLER && e.abOps[2] == INSTR_LITERAL) return static_cast<int32_t>(i);
  }
  return -1;
}

} // namespace

void vLiteralScan(const uint8_t *pText, uint32_t ulLength, unsigned uOperand)
{
  if (ulLength == 0 || std::memchr(pText, E_EQUAL, ulLength) == nullptr) return;
  /* a pass finds the pool in the statement (it cannot grow the record) */
  bool bPass = lResolvePass() != 0;
  const uint8_t *pPool = bPass ? pStmtSub(SUB_POOL) : nullptr;
  int32_t lPool = !bPass             ? static_cast<int32_t>(ulLiteralPool())
                  : pPool != nullptr ? static_cast<int32_t>(ulGet32(pPool + 4))
                                     : 1;
  EXPRCTX *c = pExprParse(pText, ulLength, uOperand, nullptr, pStack(), PF_LITERAL, ET_ADDRESS);
  if (bExprFailed(c) || c->pTree == nullptr) return;
  /* walk the tree without recursion: down the left, then right/third */
  EXPRNODE *n = c->pTree;
  bool bAny = false;
  while (n != nullptr) {
    if (n->bKind == EN_LITERAL) {
      bAny = true;
      vLiteralRegister(c, n, lPool);
      if (bExprFailed(c)) return;
    }
    EXPRNODE *pDown = n->bKind == EN_LITERAL ? nullptr
                      : n->pLeft != nullptr  ? n->pLeft
                      : n->pRight != nullptr ? n->pRight
                                             : n->pThird;
    if (pDown != nullptr) {
      n = pDown;
      continue;
    }
    /* up until a parent has an unvisited right or third child */
    for (;;) {
      EXPRNODE *pUp = n->pUp;
      if (pUp == nullptr || n == c->pTree) {
        n = nullptr;
        break;
      }
      EXPRNODE *pNext = nullptr;
      if (n == pUp->pLeft)
        pNext = pUp->pRight != nullptr ? pUp->pRight : pUp->pThird;
      else if (n == pUp->pRight)
        pNext = pUp->pThird;
      if (pNext != nullptr) {
        n = pNext;
        break;
      }
      n = pUp;
    }
  }
  if (bAny && !bPass && ulLiteralPool() > 1 && pStmtSub(SUB_POOL) == nullptr) {
    uint32_t ulPool = ulLiteralPool();
    vStmtAddSub(SUB_POOL, 4, &ulPool);
  }
}

uint32_t ulLiteralsWaiting()
{
  uint32_t ul = 0;
  for (uint32_t n : g_esd.aulLits) ul += n;
  return ul;
}

void vLiteralPool(int32_t lLevel, uint32_t ulLine, uint32_t ulSrcId, uint32_t ulSequence)
{
  bool bEnd = lLevel < 0;
  if (ulLiteralsWaiting() == 0) {
    vLiteralPoolSet(bEnd ? 0 : ulLiteralPool() + 1);
    return;
  }
  if (bEnd) {
    /* the last pool closes the first control section, whatever is current */
    int32_t lSection = lEsdFirstControlSection();
    if (lSection < 0) lSection = iEsdNew(ESD_PC, nullptr);
    g_esd.lCurrent = lLastCounter(lSection);
  }
  int32_t lCounter = g_esd.lCurrent;
  int32_t lEntry = lLiteralEntry();
  uint32_t ulPool = ulLiteralPool();
  bool bFirst = true;
  for (unsigned k = 0; k < LIT_LISTS; k++) {
    for (uint32_t i = 0; i < g_esd.aulLits[k]; i++) {
      SYMBOL *pLit = static_cast<SYMBOL **>(g_esd.aLits[k].pData)[i];
      vStmtStart();
      vStmtSetOrigin(ulSrcId, ulLine, 0, ulSequence);
      vStmtSetOperation(static_cast<int16_t>(lEntry), static_cast<int16_t>(bEnd ? 0 : lLevel));
      uint8_t bPrint = bStmtPrintStatus();
      vStmtSetPrint((bPrint & PRT_ON) ? static_cast<uint8_t>(bPrint | PRT_GEN) : 0);
      vStmtSetFlags(SF_UNASSIGNED | SF_RELATIVE | SF_SUBSTITUTED | SF_OPTIONAL);
      vStmtWantPhase2();
      vStmtAddSub(SUB_OPERAND, pLit->usNameLength, pLit->abName);
      if (ulPool > 1) vStmtAddSub(SUB_POOL, 4, &ulPool);
      uint32_t ulKey2 = static_cast<uint32_t>(pLit->lKey2);
      vStmtAddSub(SUB_VALUE, 4, &ulKey2);
      vRecordExtent(static_cast<uint32_t>(pLit->lValue), bFirst ? 8 : 1);
      bFirst = false;
      iAssignLocation(lCounter, pLit, true);
      if (pLit->pRefs != nullptr) pLit->pRefs[1] = ulStmt() & REF_STMT_MASK;
      bStmtFinish();
    }
    g_esd.aulLits[k] = 0;
  }
  vLiteralPoolSet(bEnd ? 0 : ulLiteralPool() + 1);
}

/* ---- location steps of the assembler instructions ------------------------------ */

namespace {

STACKHDR *pLocateStack()
{
  if (g_esd.pLocateStack == nullptr) g_esd.pLocateStack = pStackCreate(SP_RUN);
  vStackReset(g_esd.pLocateStack);
  return g_esd.pLocateStack;
}

void vDcAttributes(SYMBOL *pSym, const DCEVAL *e)
{
  if (pSym == nullptr) return;
  pSym->lLength = e->lLength;
  pSym->sScale = e->sScale;
  pSym->bType = e->bType;
  pSym->bFlags = static_cast<uint8_t>(pSym->bFlags & ~SYMF_TYPE_PENDING);
}

/* L', T' and S' of a DC/DS label from the first constant of its first
   operand, while its location is not known.  Errors are left to the
   statement's own evaluation. */
void vDcLabelAttributes(SYMBOL *pSym, const uint8_t *pFirstOperand, bool bDs)
{
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  if (ulLength == 0 || pSym == nullptr) return;
  EXPRCTX *c = pExprParse(pText, ulLength, 1, nullptr, pLocateStack(), PF_LITERAL, ET_DCOPERAND);
  if (bExprFailed(c) || c->pTree == nullptr) return;
  DCEVAL *pEval = pDcEvaluate(c, c->pTree, -1, 0, 0, DCE_DEFER | (bDs ? static_cast<uint32_t>(DCE_DS) : 0u));
  if (pEval != nullptr) vDcAttributes(pSym, pEval);
}

/* DC and DS: every operand is evaluated from the statement's location on;
   the statement asks for the alignment of its first operand and covers up
   to the end of the last. */
void vDcLocation(SYMBOL *pSym, int iOperands, const uint8_t *pFirstOperand, bool bDs)
{
  int32_t lCounter = lStatementCounter();
  int32_t lSection = -1, lOffset = 0;
  if (!bCounterLocation(lCounter, &lSection, &lOffset)) {
    if (lResolvePass() == 0 && pFirstOperand != nullptr) vDcLabelAttributes(pSym, pFirstOperand, bDs);
    vLocationWait(lCounter);
    return;
  }
  uint32_t ulFlags = (bDs ? static_cast<uint32_t>(DCE_DS) : 0u) | (ulPassPendingFlags() != 0 ? DCE_DEFER : 0u);
  int64_t llStart = lOffset, llEnd = lOffset;
  uint32_t ulBits = 0;
  uint8_t bAlign = 1;
  const uint8_t *pOp = pFirstOperand;
  for (int i = 0; i < iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOp, &ulLength);
    EXPRCTX *c =
        pExprParse(pText, ulLength, static_cast<unsigned>(i + 1), nullptr, pLocateStack(), PF_LITERAL, ET_DCOPERAND);
    DCEVAL *e = nullptr;
    if (!bExprFailed(c) && c->pTree != nullptr)
      e = pDcEvaluate(c, c->pTree, lSection, static_cast<int32_t>(llEnd), ulBits, ulFlags);
    if (e == nullptr) {
      if (bExprFailed(c) || c->pTree == nullptr) {
        if (!bExprFailed(c)) iStmtDiagOperand(static_cast<unsigned>(i + 1));
        iExprDiag(c);
        if (pSym != nullptr) pSym->bFlags |= SYMF_UNDEFINED;
        vCounterRelease(lCounter, g_asm.ulStmtNo);
        return;
      }
      if (i == 0 && lResolvePass() == 0) vDcLabelAttributes(pSym, pFirstOperand, bDs);
      vCounterBlock(lCounter);
      return;
    }
    vDcExternalNames(pDcOperand(c->pTree));
    if (i == 0) {
      llStart = e->lStart;
      bAlign = e->bAlign;
      vDcAttributes(pSym, e);
    }
    llEnd = e->lEnd;
    ulBits = e->ulBitOffset;
  }
  int64_t llLength = llEnd + (ulBits != 0 ? 1 : 0) - llStart;
  vRecordExtent(static_cast<uint32_t>(llLength < 0 ? 0 : llLength), bAlign);
  iAssignLocation(lCounter, pSym, !bDs);
}

/* CNOP b,w: the no-operation bytes that bring the location to byte b of a
   w-byte boundary. */
void vCnopLocation(SYMBOL *pSym, const uint8_t *pFirstOperand)
{
  int32_t lCounter = lStatementCounter();
  int32_t lSection = -1, lOffset = 0;
  if (!bCounterLocation(lCounter, &lSection, &lOffset)) {
    vLocationWait(lCounter);
    return;
  }
  uint32_t ulFlags = EF_ABSOLUTE | ulPassPendingFlags();
  int32_t lByte = 0, lWord = 4;
  int iByte = ABS_ERROR, iWord = ABS_ERROR;
  const uint8_t *pNext = iAbsOperand(pFirstOperand, 1, -1, -1, ulFlags, &lByte, 0, 6, &iByte);
  if (iByte != ABS_ERROR) iAbsOperand(pNext, 2, -1, -1, ulFlags, &lWord, 4, 8, &iWord);
  if (iByte == ABS_ERROR || iWord == ABS_ERROR) {
    vCounterRelease(lCounter, g_asm.ulStmtNo);
    return;
  }
  if (iByte == ABS_PENDING || iWord == ABS_PENDING) {
    vCounterBlock(lCounter);
    return;
  }
  int64_t llHere = (static_cast<int64_t>(lOffset) + 1) & ~1LL;
  int64_t llPad = lByte - llHere % lWord;
  if (llPad < 0) llPad += lWord;
  vRecordExtent(static_cast<uint32_t>(llPad), 2);
  iAssignLocation(lCounter, pSym, true);
}

/* EQU: * is the location where the statement stands. */
void vEquLocation(SYMBOL *pSym, int iOperands, const uint8_t *pFirstOperand)
{
  int32_t lCounter = lStatementCounter();
  int32_t lSection = -1, lOffset = -1;
  bool bKnown = false;
  if (lResolvePass() != 0 && pSym != nullptr && pSym->lOrgValue >= 0 && !(usStmtFlags() & SF_UNASSIGNED)) {
    lSection = pSym->lOrgSection;
    lOffset = pSym->lOrgValue;
    bKnown = true;
  } else if (bCounterLocation(lCounter, &lSection, &lOffset)) {
    bKnown = true;
  } else if (const LOCCTR *c = pLocCounter(lCounter)) {
    lSection = c->lSection;
  }
  int iRc = iEquDefine(pSym, pFirstOperand, static_cast<unsigned>(iOperands), lSection, bKnown ? lOffset : -1);
  if (bKnown) {
    vStmtClearFlags(SF_UNASSIGNED);
  } else if (iRc == EQU_PENDING) {
    vLocationWait(lCounter);
    return;
  }
  if (iRc == EQU_PENDING) iStmtReserveDiag(1);
  if (iRc == EQU_PHASE2) vStmtWantPhase2();
  if ((iRc == EQU_DEFINED || iRc == EQU_PHASE2) && pSym != nullptr) {
    vStmtClearFlags(SF_UNASSIGNED);
    vStmtSetPlace(pSym->lSection, static_cast<uint32_t>(pSym->lValue));
    if (pSym->lSection >= 0) vStmtSetFlags(SF_RELATIVE);
  }
}

/* USING: the statement stands at the location of its counter. */
void vUsingLocation()
{
  int32_t lCounter = lStatementCounter();
  int32_t lSection = -1, lOffset = 0;
  if (!bCounterLocation(lCounter, &lSection, &lOffset)) {
    vLocationWait(lCounter);
    return;
  }
  vStmtSetPlace(lSection, static_cast<uint32_t>(lOffset));
  vStmtClearFlags(SF_UNASSIGNED);
  vStmtSetFlags(SF_RELATIVE);
}

/* A literal's statement in a resolution pass: the literal from its operand,
   pool (kind 0, else 1) and second key (kind 1). */
void vLiteralLocation(const uint8_t *pFirstOperand)
{
  if (pFirstOperand == nullptr) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  const uint8_t *pPool = pStmtSub(SUB_POOL), *pKey = pStmtSub(SUB_VALUE);
  int32_t lPool = pPool != nullptr ? static_cast<int32_t>(ulGet32(pPool + 4)) : 1;
  int32_t lKey2 = pKey != nullptr ? static_cast<int32_t>(ulGet32(pKey + 4)) : 0;
  SYMBOL *pLit = pLiteralFind(pText, ulLength, lPool, lKey2);
  iAssignLocation(lStatementCounter(), pLit, true);
}

} // namespace

void vCcwLocate(const INSTRARGS &a)
{
  vRecordExtent(8, 8);
  iAssignLocation(lStatementCounter(), a.pSym, true);
}

void vCxdLocate(const INSTRARGS &a)
{
  vRecordExtent(4, 4);
  iAssignLocation(lStatementCounter(), a.pSym, true);
}

void vCnopLocate(const INSTRARGS &a) { vCnopLocation(a.pSym, a.pFirst); }
void vDcLocate(const INSTRARGS &a) { vDcLocation(a.pSym, a.iOperands, a.pFirst, false); }
void vDsLocate(const INSTRARGS &a) { vDcLocation(a.pSym, a.iOperands, a.pFirst, true); }

void vLtorgLocate(const INSTRARGS &a)
{
  vRecordExtent(0, ulLiteralsWaiting() != 0 || a.bPass ? 8 : 1);
  iAssignLocation(lStatementCounter(), a.pSym, false);
}

void vOrgLocate(const INSTRARGS &a)
{
  if (!a.bPass && pStmtSub(SUB_VALUE) == nullptr) {
    uint32_t ulUnknown = 0xFFFFFFFFu;
    vStmtAddSub(SUB_VALUE, 4, &ulUnknown);
  }
  vOrgStatement(a.pSym, a.iOperands, a.pFirst);
}

void vEquLocate(const INSTRARGS &a) { vEquLocation(a.pSym, a.iOperands, a.pFirst); }
void vLiteralLocate(const INSTRARGS &a) { vLiteralLocation(a.pFirst); }
void vUsingLocate(const INSTRARGS &) { vUsingLocation(); }

void vMachineLocate(const INSTRARGS &a)
{
  vRecordExtent(a.pEntry->bLength, 2);
  iAssignLocation(lStatementCounter(), a.pSym, true);
  if (a.bPass && (usStmtFlags() & SF_UNASSIGNED)) return;
  /* literals of the operands join the current pool; in a pass, those
     made while the statement had no location learn where * stands */
  const uint8_t *pOp = a.pFirst;
  for (int i = 0; i < a.iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOp, &ulLength);
    vLiteralScan(pText, ulLength, static_cast<unsigned>(i + 1));
  }
}

/* ---- folding and layout ----------------------------------------------------- */

bool bFoldCounter(int32_t lCounter)
{
  LOCCTR *c = pLocCounter(lCounter);
  if (c == nullptr || c->bFolded || c->bWaiting || c->lPending != 0) return false;
  pEsdItem(c->lSection)->ulFolded += c->ulHigh;
  c->bFolded = true;
  if (c->lNext >= 0) pLocCounter(c->lNext)->bWaiting = false;
  return true;
}

bool bFoldCounters(uint32_t *pulBlocking, uint32_t ulRoom, uint32_t *pulCount)
{
  bool bComplete = true;
  for (uint32_t i = 0; i < g_esd.ulItems; i++) {
    ESDITEM *s = pEsdItem(static_cast<int32_t>(i));
    int32_t l = s->lFirstLoc;
    while (l >= 0 && pLocCounter(l)->bFolded) l = pLocCounter(l)->lNext;
    if (l < 0) continue;
    LOCCTR *c = pLocCounter(l);
    if (c->lPending != 0) {
      if (*pulCount < ulRoom) pulBlocking[(*pulCount)++] = static_cast<uint32_t>(c->lPending);
      bComplete = false;
      continue;
    }
    if (c->bWaiting) {
      /* usable from now on; folded after a pass has placed its statements */
      c->bWaiting = false;
      bComplete = false;
      continue;
    }
    bFoldCounter(l);
    if (c->lNext >= 0) bComplete = false;
  }
  return bComplete;
}

void vEsdLayout()
{
  /* external references from the EXTRN list and the V names, in the order
     of their statements */
  DCNAME *pNames = static_cast<DCNAME *>(g_esd.dcNames.pData);
  std::stable_sort(pNames, pNames + g_esd.ulDcNames,
                   [](const DCNAME &a, const DCNAME &b) { return a.ulStmt < b.ulStmt; });
  uint32_t ulNext = 0;
  for (uint32_t i = 0; i < g_esd.ulExtrn; i++) {
    EXTRNENTRY e = static_cast<EXTRNENTRY *>(g_esd.extrn.pData)[i];
    ulNext = ulVNamesToItems(ulNext, e.ulStmt);
    ESDITEM *p = pEsdItem(e.pSym->lSection);
    if (p == nullptr || p->pName != e.pSym || (p->bKind != ESD_ER && p->bKind != ESD_WX)) {
      int32_t l = iEsdNew(e.bKind, e.pSym);
      p = pEsdItem(l);
      e.pSym->lSection = l;
      e.pSym->lValue = 0;
      if (e.pSym->lLength == SYM_LENGTH_UNKNOWN) e.pSym->lLength = 1;
      e.pSym->bFlags = static_cast<uint8_t>(e.pSym->bFlags & ~(SYMF_VALUE_PENDING | SYMF_TYPE_PENDING));
    }
    if (p->pAlias == nullptr && e.pAlias != nullptr) {
      p->pAlias = e.pAlias;
      p->usAliasLength = e.usAliasLength;
    }
  }
  ulVNamesToItems(ulNext, UINT32_MAX);
  vQNamesToItems();
  /* aliases shared by items of the same name */
  for (uint32_t i = 0; i < g_esd.ulItems; i++) {
    ESDITEM *p = pEsdItem(static_cast<int32_t>(i));
    if (p->pAlias == nullptr || p->pName == nullptr) continue;
    for (uint32_t k = 0; k < g_esd.ulItems; k++) {
      ESDITEM *q = pEsdItem(static_cast<int32_t>(k));
      if (q->pName == p->pName && q->pAlias == nullptr && q->bKind != ESD_DSECT) {
        q->pAlias = p->pAlias;
        q->usAliasLength = p->usAliasLength;
      }
    }
  }
  /* lengths, the empty unnamed section, placement */
  uint64_t ullEnd = 0;
  bool bFirstControl = true;
  for (uint32_t i = 0; i < g_esd.ulItems; i++) {
    ESDITEM *p = pEsdItem(static_cast<int32_t>(i));
    if (p->lFirstLoc >= 0) p->ulFolded = ulSectionLength(p);
    if (p->bKind == ESD_DSECT || p->bKind == ESD_XD) {
      p->lDefStmt = static_cast<int32_t>(p->ulStart);
      p->ulStart = 0;
    }
    if (p->bKind == ESD_PC && !p->bLocated && p->ulFolded == 0) p->bOmitted = true;
    if (!bControlKind(p->bKind) || p->bOmitted) continue;
    uint64_t ullStart = p->ulStart;
    if (!bFirstControl) ullStart += (ullEnd + 7) & ~7ull;
    bFirstControl = false;
    p->ulStart = static_cast<uint32_t>(ullStart > 0xFFFFFFFF ? 0xFFFFFFFF : ullStart);
    ullEnd = ullStart + p->ulFolded;
    p->ulFolded &= 0x7FFFFFFF;
  }
  /* ids */
  int32_t lDsect = 0, lId = 0;
  for (uint32_t i = 0; i < g_esd.ulItems; i++) {
    ESDITEM *p = pEsdItem(static_cast<int32_t>(i));
    if (p->bKind == ESD_DSECT) {
      p->lId = --lDsect;
    } else if (p->bKind != ESD_LD && !p->bOmitted) {
      p->lId = ++lId;
      if (static_cast<uint32_t>(lId) > ESD_ID_MAX) {
        vSvcMessage("KZM150S More than 65535 external symbols defined.");
        vSvcTerminate();
      }
    }
  }
  for (uint32_t i = 0; i < g_esd.ulItems; i++) {
    ESDITEM *p = pEsdItem(static_cast<int32_t>(i));
    if (p->bKind != ESD_LD) continue;
    const ESDITEM *pOwner = pEsdItem(p->pName->lSection);
    p->ulStart = (pOwner != nullptr ? pOwner->ulStart : 0) + static_cast<uint32_t>(p->pName->lValue);
    p->ulFolded = pOwner != nullptr ? static_cast<uint32_t>(pOwner->lId) : 0;
  }
  g_esd.ulCounters = 0;
  vStmtCounters(0);
  g_esd.lCurrent = -1;
}
