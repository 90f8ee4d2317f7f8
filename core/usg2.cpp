/*
** usg2.cpp - USING resolution (module "usg2").
**
** Calls: eval, lbl, pars, stmt.
** Called by: asm2, ins2, instr, prn2, xrf2.
**
** Owns the USING table of the code generation phase (entries, current stack
** level, changed flag), the USING map records and the listing details of the
** last USING statement.  vUsingReset starts all of it for each code
** generation phase; the storage is in subpool 1 and goes with it.
**
** Notes on the design (the visible levels):
**  - One list of entries, newest first.  An entry is active exactly when its
**    visible level equals the current level; every other entry is hidden
**    state kept for POP USING.  Visible levels never exceed the current level
**    and never drop below the creation level.
**  - PUSH raises the visible level of the active entries with the current
**    level.  POP removes the active entries made at the current level and
**    lowers the others by one, which makes them active again at the outer
**    level.
**  - An entry made at an outer level is never changed in place: dropping it
**    lowers its visible level (POP brings it back); dropping some of its
**    ranges puts a changed copy, made at the current level, in front of it
**    and lowers the original.  A copy keeps pOrig, the entry as first made,
**    so that dependents (whose pBase names that original) follow either
**    version; only one version of an original is active at any level.
**  - A dependent entry is always newer than the entry it was resolved
**    through, and copies take the place of their original in the list, so
**    walking the active entries from the oldest carries a drop from a base
**    to its dependents, and on to theirs, in one pass without recursion.
**  - A register dropped from a base entry is dropped from its dependents
**    too: they address through the same registers.
**  - Storage: entries removed at their own level go to a free list and are
**    reused; map records are kept to the end of the phase.
*/
#include "usg2.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "asm0.h"
#include "chars.h"
#include "expr.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "vorn.h"
#include "work.h"

#define MEM_MODULE "usg2"

namespace {

/* ---- messages ------------------------------------------------------------ */

enum USGMSG {
  MSG_ADDRESSABILITY, /* 317 */
  MSG_STACK_EMPTY,    /* 350 */
  MSG_NOT_LABEL,      /* 351, after the name */
  MSG_NOT_ACTIVE,     /* 352, register */
  MSG_DOMAIN,         /* 353 */
  MSG_STACK_FULL,     /* 354 */
  MSG_OVERRIDDEN,     /* 530, statement */
  MSG_OVERRIDES,      /* 531, statement */
  MSG_BASE_ZERO,      /* 532 */
  MSG_OVERLAP,        /* 533, statement */
  MSG_LIMIT,          /* 534, operand */
  MSG_COUNT
};

/* Texts are printf formats for the argument named beside them; 351 follows
   the name it is about. */
const MSGDEF c_aMsg[] = {
    {317, 12, "Addressability error in operand 2."},
    {350, 12, "USING stack is empty."},
    {351, 4, "is not an active USING label."},
    {352, 4, "Register %u is not active in an unlabeled USING."},
    {353, 12, "Invalid USING domain."},
    {354, 12, "USING stack is full."},
    {530, 4, "USING overridden by prior USING at statement %lu."},
    {531, 4, "Prior USING at statement %lu overridden by this USING."},
    {532, 4, "USING base address set to zero."},
    {533, 4, "USING range overlaps prior USING at statement %lu."},
    {534, 4, "Displacement exceeds the USING LIMIT in operand %u."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

template <typename... ARGS> void vDiag(USGMSG eMsg, ARGS... args) { iStmtMsg(c_aMsg[eMsg], args...); }

/* ---- state --------------------------------------------------------------- */

constexpr int32_t ADDR_MAX = 0xFFFFFF;
constexpr int32_t RANGE = 4096;
constexpr uint32_t EVAL_ADDRESS = 0x01 | EF_ABSOLUTE | EF_RELOCATABLE;
constexpr uint32_t EVAL_ABSOLUTE = 0x01 | EF_ABSOLUTE;
constexpr uint8_t ESD_ER = 2, ESD_PC = 4, ESD_CM = 5, ESD_WX = 10;

enum : uint8_t { ACT_NONE = 0, ACT_REMOVE = 1, ACT_RANGES = 2 };
enum : uint8_t { DROP_ALL, DROP_LABEL, DROP_REGS };

struct USGSTATE {
  USINGENTRY *pHead; /* all entries, newest first */
  USINGENTRY *pFree; /* removed entries for reuse */
  int32_t lLevel;    /* current USING stack level */
  bool bChanged;     /* the active set changed since the last line */
  uint32_t ulStamp;  /* work mark of the latest drop pass */
  USINGMAP *pMapFirst, *pMapLast;
  STACKHDR *pStack; /* expression storage, reset per operand */
  GROWBUF order;    /* drop pass: the active entries in list order */
  PFNUSINGSECTION pfnSection;
  USINGLISTINFO info;
};
USGSTATE g_usg = {nullptr, nullptr, 0, true, 0, nullptr, nullptr, nullptr, {SP_HEAP, 0, 0, nullptr, nullptr},
                  nullptr, {}};

bool bActive(const USINGENTRY *p) { return p->lVisible == g_usg.lLevel; }

USINGSECTION section(int32_t lSection)
{
  USINGSECTION s = {ESD_PC, nullptr, 0, 0};
  if (lSection >= 0 && g_usg.pfnSection != nullptr && !g_usg.pfnSection(lSection, &s)) s = {ESD_PC, nullptr, 0, 0};
  return s;
}

bool bExternal(int32_t lSection)
{
  if (lSection < 0) return false;
  uint8_t bKind = section(lSection).bKind;
  return bKind == ESD_ER || bKind == ESD_WX;
}

/* ---- entries ------------------------------------------------------------- */

USINGENTRY *pEntryNew()
{
  USINGENTRY *p = g_usg.pFree;
  if (p != nullptr) {
    g_usg.pFree = p->pNext;
    std::memset(static_cast<void *>(p), 0, sizeof *p);
  } else {
    p = static_cast<USINGENTRY *>(SP_ALLOC(SP_RUN, sizeof(USINGENTRY)));
  }
  return p;
}

void vEntryFree(USINGENTRY *p)
{
  p->pNext = g_usg.pFree;
  g_usg.pFree = p;
}

uint16_t usRegMask(const USINGENTRY *p)
{
  uint16_t us = 0;
  for (uint32_t i = 0; i < p->ulCount; i++)
    if (p->abReg[i] != USING_DROPPED) us = static_cast<uint16_t>(us | 1u << p->abReg[i]);
  return us;
}

USINGMAPREG *pMapReg(const USINGENTRY *p, uint32_t ulRange)
{
  uint32_t ul = ulRange + p->ulMapShift;
  return p->pMap != nullptr && ul < p->pMap->ulRegs ? &p->pMap->aReg[ul] : nullptr;
}

void vRangeEnded(const USINGENTRY *p, uint32_t ulRange)
{
  USINGMAPREG *r = pMapReg(p, ulRange);
  if (r != nullptr && r->ulEnd == 0) r->ulEnd = g_asm.ulStmtNo;
}

/* Takes an active entry off the current level: hidden when made at an outer
   level (POP restores it), else freed.  *pp is the link that holds it;
   returns the link to continue from. */
USINGENTRY **ppRemove(USINGENTRY **pp, bool bEnded)
{
  USINGENTRY *p = *pp;
  if (bEnded)
    for (uint32_t i = 0; i < p->ulCount; i++)
      if (p->abReg[i] != USING_DROPPED) vRangeEnded(p, i);
  g_usg.bChanged = true;
  if (p->lCreated < g_usg.lLevel) {
    p->lVisible--;
    return &p->pNext;
  }
  *pp = p->pNext;
  vEntryFree(p);
  return pp;
}

/* POP ends the ranges of an entry made at the level it leaves; a copy made
   there shares the map record of its original, which comes back. */
bool bEndsAtPop(const USINGENTRY *p) { return p->lCreated >= g_usg.lLevel && p->pOrig == p; }

/* The entry at *pp made changeable at the current level: itself, or a copy
   put in front of it when it belongs to an outer level. */
USINGENTRY *pOwn(USINGENTRY **pp)
{
  USINGENTRY *p = *pp;
  if (p->lCreated >= g_usg.lLevel) return p;
  USINGENTRY *q = pEntryNew();
  *q = *p;
  q->lCreated = q->lVisible = g_usg.lLevel;
  q->pNext = p;
  *pp = q;
  p->lVisible--;
  return q;
}

/* Drops the ranges of usMask's registers; the entry keeps at least one. */
void vDropRanges(USINGENTRY *p, uint16_t usMask)
{
  for (uint32_t i = 0; i < p->ulCount; i++)
    if (p->abReg[i] != USING_DROPPED && (usMask >> p->abReg[i] & 1) != 0) {
      vRangeEnded(p, i);
      p->abReg[i] = USING_DROPPED;
    }
  while (p->ulCount > 1 && p->abReg[p->ulCount - 1] == USING_DROPPED) p->ulCount--;
  while (p->ulCount > 1 && p->abReg[0] == USING_DROPPED) {
    std::memmove(p->abReg, p->abReg + 1, p->ulCount - 1);
    p->ulCount--;
    p->abReg[p->ulCount] = 0;
    p->lBase += RANGE;
    p->ulMapShift++;
  }
  g_usg.bChanged = true;
}

struct DROPREQ {
  uint8_t bKind;        /* DROP_* */
  const SYMBOL *pLabel; /* DROP_LABEL */
  uint16_t usRegs;      /* DROP_REGS */
};

/* Decides what a drop does to one active entry (oldest first, so that its
   base was decided already); true for an entry the request names itself. */
bool bDropDecide(USINGENTRY *p, const DROPREQ &r, uint32_t ulStamp)
{
  bool bDirect = false;
  uint8_t bAction = ACT_NONE;
  uint16_t usMask = 0;
  if (r.bKind == DROP_ALL || (r.bKind == DROP_LABEL && p->pLabel == r.pLabel)) {
    bAction = ACT_REMOVE;
    bDirect = true;
  } else if (r.bKind == DROP_REGS && p->pLabel == nullptr && p->pBase == nullptr) {
    usMask = static_cast<uint16_t>(usRegMask(p) & r.usRegs);
    bDirect = usMask != 0;
  }
  const USINGENTRY *b = p->pBase;
  if (bAction == ACT_NONE && b != nullptr && b->ulStamp == ulStamp) {
    if (b->bAction == ACT_REMOVE)
      bAction = ACT_REMOVE;
    else
      usMask = static_cast<uint16_t>(usMask | (usRegMask(p) & b->usDropMask));
  }
  if (bAction == ACT_NONE && usMask != 0) bAction = (usRegMask(p) & ~usMask) == 0 ? ACT_REMOVE : ACT_RANGES;
  if (bAction != ACT_NONE) {
    p->pOrig->ulStamp = ulStamp;
    p->pOrig->bAction = bAction;
    p->pOrig->usDropMask = usMask;
  }
  return bDirect;
}

/* One drop at the current level with its effect on dependents; returns the
   number of entries the request named. */
unsigned uDropPass(const DROPREQ &r)
{
  uint32_t ulStamp = ++g_usg.ulStamp;
  size_t n = 0;
  for (const USINGENTRY *p = g_usg.pHead; p != nullptr; p = p->pNext)
    if (bActive(p)) n++;
  auto **ap = static_cast<USINGENTRY **>(GB_ENSURE(&g_usg.order, (n + 1) * sizeof(USINGENTRY *)));
  n = 0;
  for (USINGENTRY *p = g_usg.pHead; p != nullptr; p = p->pNext)
    if (bActive(p)) ap[n++] = p;
  unsigned uDirect = 0;
  for (size_t i = n; i-- > 0;)
    if (bDropDecide(ap[i], r, ulStamp)) uDirect++;
  for (USINGENTRY **pp = &g_usg.pHead; *pp != nullptr;) {
    USINGENTRY *p = *pp;
    USINGENTRY *o = p->pOrig;
    if (!bActive(p) || o->ulStamp != ulStamp || o->bAction == ACT_NONE) {
      pp = &p->pNext;
      continue;
    }
    uint8_t bAction = o->bAction;
    o->bAction = ACT_NONE; /* the version made active below is done */
    if (bAction == ACT_REMOVE) {
      pp = ppRemove(pp, true);
      continue;
    }
    vDropRanges(pOwn(pp), o->usDropMask);
    pp = &p->pNext; /* past the copy, if one was put in front of p */
  }
  return uDirect;
}

/* ---- USING map ----------------------------------------------------------- */

USINGMAP *pMapAdd(uint8_t bAction, uint8_t bType, uint32_t ulRegs, const char *pszText)
{
  if (!g_opt.bUsingMap) return nullptr;
  auto *m = static_cast<USINGMAP *>(SP_ALLOC(SP_RUN, sizeof(USINGMAP) + ulRegs * sizeof(USINGMAPREG)));
  m->ulStmt = g_asm.ulStmtNo;
  m->lLevel = g_usg.lLevel;
  m->bAction = bAction;
  m->bType = bType;
  m->lSection = -1;
  m->ulRegs = ulRegs;
  std::snprintf(m->achText, sizeof m->achText, "%s", pszText != nullptr ? pszText : "");
  if (g_usg.pMapLast != nullptr)
    g_usg.pMapLast->pNext = m;
  else
    g_usg.pMapFirst = m;
  g_usg.pMapLast = m;
  return m;
}

void vMapOfEntry(USINGENTRY *p, uint8_t bType, const char *pszText)
{
  USINGMAP *m = pMapAdd(UM_USING, bType, p->ulCount, pszText);
  if (m == nullptr) return;
  m->lSection = p->lSection;
  m->lBase = p->lBase;
  m->lLimit = p->lLimit;
  for (uint32_t i = 0; i < p->ulCount; i++) {
    m->aReg[i].lBase = p->lBase + static_cast<int32_t>(i) * RANGE;
    m->aReg[i].bReg = p->abReg[i];
    m->aReg[i].lMaxDisp = -1;
  }
  p->pMap = m;
}

/* Host text of up to USING_TEXT_MAX characters of EBCDIC bytes appended. */
void vHostAppend(char *psz, const uint8_t *p, size_t n)
{
  size_t ulHave = std::strlen(psz);
  if (ulHave >= USING_TEXT_MAX) return;
  if (n > USING_TEXT_MAX - ulHave) n = USING_TEXT_MAX - ulHave;
  vEbcdicToAscii(reinterpret_cast<uint8_t *>(psz + ulHave), p, n);
  psz[ulHave + n] = 0;
}

/* ---- operands ------------------------------------------------------------ */

/* Evaluates an operand with * at the statement's location; false after a
   diagnostic was attached. */
bool bOperandValue(const uint8_t *pOperand, unsigned uNumber, uint32_t ulParse, uint32_t ulFlags, uint8_t bRefKind,
                   EXPRVALUE *pValue)
{
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pOperand, &ulLength);
  if (ulLength == 0) {
    iStmtDiagOperand(uNumber);
    return false;
  }
  if (g_usg.pStack == nullptr) g_usg.pStack = pStackCreate(SP_RUN);
  vStackReset(g_usg.pStack);
  EXPRCTX *c = pExprParse(pText, ulLength, uNumber, nullptr, g_usg.pStack, ulParse, ET_EXPRESSION);
  EXPRVALUE *v = pExprEvaluate(c, c->pTree, ulRefWord(g_asm.ulStmtNo, bRefKind), lStmtSection(),
                               static_cast<int32_t>(ulStmtLocation()), ulFlags);
  if (v == nullptr) {
    if (bExprFailed(c))
      iExprDiag(c);
    else
      iStmtDiagOperand(uNumber);
    return false;
  }
  *pValue = *v;
  pValue->plPositive = pValue->plNegative = nullptr; /* storage is reused */
  return true;
}

bool bRelocatable(const EXPRVALUE &v) { return v.ulPositive == 1 && v.ulNegative == 0; }
bool bAbsoluteValue(const EXPRVALUE &v) { return v.ulPositive == 0 && v.ulNegative == 0; }

/* Registers of an ordinary USING (operands 2..n); false after diagnostics. */
bool bRegisterList(const uint8_t *pOperand, int iOperands, const EXPRVALUE &v2, USINGENTRY *e)
{
  bool bOk = true;
  uint16_t usSeen = 0;
  for (int k = 2; k <= iOperands; k++, pOperand = pOperandNext(pOperand)) {
    EXPRVALUE v = v2;
    if (k > 2 && !bOperandValue(pOperand, static_cast<unsigned>(k), 0, EVAL_ABSOLUTE, REF_USING, &v)) {
      bOk = false;
      continue;
    }
    if (!bAbsoluteValue(v) || v.lValue < 0 || v.lValue > 15 || (usSeen >> v.lValue & 1) != 0) {
      iStmtDiagOperand(static_cast<unsigned>(k));
      bOk = false;
      continue;
    }
    usSeen = static_cast<uint16_t>(usSeen | 1u << v.lValue);
    e->abReg[e->ulCount++] = static_cast<uint8_t>(v.lValue);
  }
  return bOk;
}

int32_t lStatementLimit()
{
  uint32_t ulLimit = g_opt.bUsingLimit ? g_opt.ulUsingLimit : 4095;
  pStmtEachSub([&](uint8_t bKind, const uint8_t *pSub, uint32_t ulLen) {
    if (bKind == SUB_USING_LIMIT && ulLen >= 8) ulLimit = ulGet32(pSub + 4); /* the last one counts */
    return false;
  });
  return static_cast<int32_t>(ulLimit > 4095 ? 4095 : ulLimit);
}

/* The FLAG checks of a new unlabeled USING against the other unlabeled
   entries of its section. */
void vUsingChecks(const USINGENTRY *e)
{
  uint32_t ulFlag = g_asm.ulFlagInForce;
  int64_t lEnd = static_cast<int64_t>(e->lBase) + static_cast<int64_t>(e->ulCount) * RANGE;
  for (const USINGENTRY *p = g_usg.pHead; p != nullptr; p = p->pNext) {
    if (p == e || !bActive(p) || p->pLabel != nullptr || p->lSection != e->lSection || p->ulStmt == e->ulStmt) continue;
    unsigned long ulPrior = p->ulStmt;
    if (p->lBase == e->lBase && (ulFlag & FLAG_USINGDUP) != 0) {
      vDiag(e->abReg[0] < p->abReg[0] ? MSG_OVERRIDDEN : MSG_OVERRIDES, ulPrior);
      continue;
    }
    if ((ulFlag & FLAG_USINGMULT) == 0) continue;
    for (uint32_t i = 0; i < p->ulCount; i++) {
      int64_t lStart = static_cast<int64_t>(p->lBase) + static_cast<int64_t>(i) * RANGE;
      if (p->abReg[i] != USING_DROPPED && lStart < lEnd && lStart + RANGE > e->lBase) {
        vDiag(MSG_OVERLAP, ulPrior);
        break;
      }
    }
  }
}

void vListObject(const USINGENTRY *e)
{
  char *psz = g_usg.info.achObject;
  psz[0] = 'R';
  psz[1] = ':';
  for (uint32_t i = 0; i < e->ulCount; i++) psz[2 + i] = "0123456789ABCDEF"[e->abReg[i] & 15];
  psz[2 + e->ulCount] = 0;
}

/* Text of a USING map record: "label." and the operands as written. */
void vUsingText(char *psz, uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pOperand)
{
  psz[0] = 0;
  if (ulLabelLength != 0) {
    vHostAppend(psz, pLabel, ulLabelLength);
    vHostAppend(psz, &E_DOT, 1);
  }
  for (int k = 1; k <= iOperands; k++, pOperand = pOperandNext(pOperand)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOperand, &ulLength);
    if (k > 1) vHostAppend(psz, &E_COMMA, 1);
    vHostAppend(psz, pText, ulLength);
  }
}

/* Dependent USING: the entry op1 stands for, addressed through the USING
   that resolves op2; false after a diagnostic. */
bool bDependent(USINGENTRY *e, const EXPRVALUE &v1, const EXPRVALUE &v2)
{
  uint8_t abAddress[2];
  const USINGENTRY *r = pUsingResolve(abAddress, v2.pQualifier, v2.lSection, v2.lValue, 0);
  if (r == nullptr) {
    vDiag(MSG_ADDRESSABILITY);
    return false;
  }
  int64_t lBase = static_cast<int64_t>(v1.lValue) + (static_cast<int64_t>(r->lBase) - v2.lValue);
  if (lBase < -ADDR_MAX || lBase > ADDR_MAX || lBase + static_cast<int64_t>(r->ulCount - 1) * RANGE > ADDR_MAX) {
    vDiag(MSG_DOMAIN);
    return false;
  }
  e->pBase = r->pOrig;
  e->lBase = static_cast<int32_t>(lBase);
  e->lLimit = r->lLimit;
  e->ulCount = r->ulCount;
  std::memcpy(e->abReg, r->abReg, sizeof e->abReg);
  g_usg.info.bAddress = true;
  std::memcpy(g_usg.info.abAddress, abAddress, 2);
  return true;
}

/* Ordinary USING: base and register list; false after diagnostics. */
bool bOrdinary(USINGENTRY *e, const EXPRVALUE &v1, const EXPRVALUE &v2, int iOperands, const uint8_t *pOperand2)
{
  if (!bRegisterList(pOperand2, iOperands, v2, e)) return false;
  if (static_cast<int64_t>(v1.lValue) + static_cast<int64_t>(e->ulCount - 1) * RANGE > ADDR_MAX) {
    vDiag(MSG_DOMAIN);
    return false;
  }
  e->lBase = v1.lValue;
  if (e->abReg[0] == 0 && e->lBase != 0) {
    e->lBase = 0;
    if ((g_asm.ulFlagInForce & FLAG_USINGZERO) != 0) vDiag(MSG_BASE_ZERO);
  }
  e->lLimit = lStatementLimit();
  vListObject(e);
  return true;
}

/* ---- active-USINGs line -------------------------------------------------- */

struct LINEBUF {
  uint8_t ab[512];
  uint32_t ul;
};

void vPutHost(LINEBUF *b, const char *psz)
{
  size_t n = std::strlen(psz);
  if (n > sizeof b->ab - b->ul) n = sizeof b->ab - b->ul;
  vAsciiToEbcdic(b->ab + b->ul, reinterpret_cast<const uint8_t *>(psz), n);
  b->ul += static_cast<uint32_t>(n);
}

void vPutBytes(LINEBUF *b, const uint8_t *p, size_t n)
{
  if (n > sizeof b->ab - b->ul) n = sizeof b->ab - b->ul;
  std::memcpy(b->ab + b->ul, p, n);
  b->ul += static_cast<uint32_t>(n);
}

/* One entry as the listing shows it: [label.]section+offset,reg,... */
void vEntryText(const USINGENTRY *p, LINEBUF *b)
{
  b->ul = 0;
  char ach[32];
  if (p->pLabel != nullptr) {
    vPutBytes(b, p->pLabel->abName, p->pLabel->usNameLength);
    vPutHost(b, ".");
  }
  int64_t lOffset = p->lBase;
  if (p->lSection >= 0) {
    USINGSECTION s = section(p->lSection);
    if (s.pName != nullptr && s.ulNameLength != 0)
      vPutBytes(b, s.pName, s.ulNameLength);
    else
      vPutHost(b, s.bKind == ESD_PC ? "(PC)" : s.bKind == ESD_CM ? "(COM)" : "(DSECT)");
    lOffset -= s.lStart;
    vPutHost(b, lOffset < 0 ? "-" : "+");
  } else if (lOffset < 0) {
    vPutHost(b, "-");
  }
  uint64_t ulMagnitude = static_cast<uint64_t>(lOffset < 0 ? -lOffset : lOffset);
  if (ulMagnitude <= 9)
    std::snprintf(ach, sizeof ach, "%lu", static_cast<unsigned long>(ulMagnitude));
  else
    std::snprintf(ach, sizeof ach, "X'%lX'", static_cast<unsigned long>(ulMagnitude));
  vPutHost(b, ach);
  for (uint32_t i = 0; i < p->ulCount; i++) {
    if (p->abReg[i] == USING_DROPPED)
      std::snprintf(ach, sizeof ach, ",");
    else
      std::snprintf(ach, sizeof ach, ",%u", static_cast<unsigned>(p->abReg[i]));
    vPutHost(b, ach);
  }
}

} // namespace

/* ---- interface ----------------------------------------------------------- */

void vUsingSectionHook(PFNUSINGSECTION pfn) { g_usg.pfnSection = pfn; }

void vUsingReset()
{
  /* Subpool 1 was released after the previous phase (or holds pieces that
     are simply left there): nothing of the old table is freed here. */
  g_usg.pHead = g_usg.pFree = nullptr;
  g_usg.lLevel = 0;
  g_usg.bChanged = true;
  g_usg.pMapFirst = g_usg.pMapLast = nullptr;
  g_usg.pStack = pStackCreate(SP_RUN);
  g_usg.info = USINGLISTINFO{};
  g_exprHooks.pfnQualifierCovers = bUsingQualifierValid;
}

const USINGMAP *pUsingMapFirst() { return g_usg.pMapFirst; }
bool bUsingChanged() { return g_usg.bChanged; }
const USINGLISTINFO *pUsingListInfo() { return &g_usg.info; }

const USINGENTRY *pUsingResolve(uint8_t *pResult, const SYMBOL *pQualifier, int32_t lSection, int32_t lOffset,
                                unsigned uOperand)
{
  if (lOffset < -ADDR_MAX || lOffset > ADDR_MAX || bExternal(lSection)) return nullptr;
  const USINGENTRY *pBest = nullptr;
  uint32_t ulBestDisp = 0, ulBestRange = 0;
  for (const USINGENTRY *p = g_usg.pHead; p != nullptr; p = p->pNext) {
    if (!bActive(p) || p->pLabel != pQualifier) continue;
    int64_t lDistance;
    if (p->lSection == lSection)
      lDistance = static_cast<int64_t>(lOffset) - p->lBase;
    else if (lSection == -1 && lOffset >= 0 && p->abReg[0] == 0)
      lDistance = lOffset;
    else
      continue;
    if (lDistance < 0 || lDistance > ADDR_MAX) continue;
    uint32_t ulRange = static_cast<uint32_t>(lDistance / RANGE);
    uint32_t ulDisp = static_cast<uint32_t>(lDistance % RANGE);
    if (ulRange >= p->ulCount || p->abReg[ulRange] == USING_DROPPED) continue;
    if (pBest == nullptr || ulDisp < ulBestDisp ||
        (ulDisp == ulBestDisp && p->abReg[ulRange] > pBest->abReg[ulBestRange])) {
      pBest = p;
      ulBestDisp = ulDisp;
      ulBestRange = ulRange;
    }
  }
  if (pBest == nullptr) return nullptr;
  if (pResult != nullptr) {
    pResult[0] = static_cast<uint8_t>(pBest->abReg[ulBestRange] << 4 | ulBestDisp >> 8);
    pResult[1] = static_cast<uint8_t>(ulBestDisp);
  }
  if (uOperand != 0 && ulBestRange == pBest->ulCount - 1 && static_cast<int32_t>(ulBestDisp) > pBest->lLimit)
    vDiag(MSG_LIMIT, uOperand);
  if (USINGMAPREG *r = pMapReg(pBest, ulBestRange); r != nullptr) {
    r->ulLast = g_asm.ulStmtNo;
    if (static_cast<int32_t>(ulBestDisp) > r->lMaxDisp) r->lMaxDisp = static_cast<int32_t>(ulBestDisp);
  }
  return pBest;
}

bool bUsingQualifierValid(const SYMBOL *pQualifier, int32_t lSection)
{
  if (g_asm.cPhase != '2') return true;
  for (const USINGENTRY *p = g_usg.pHead; p != nullptr; p = p->pNext)
    if (bActive(p) && p->pLabel == pQualifier && pQualifier != nullptr &&
        (p->lSection == lSection || (lSection == -1 && p->abReg[0] == 0)))
      return true;
  return false;
}

void vUsingStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand)
{
  g_usg.info = USINGLISTINFO{};
  g_usg.info.ulStmt = g_asm.ulStmtNo;
  SYMBOL *pSym = nullptr;
  if (ulLabelLength != 0) {
    pSym = pSymbolFind(pLabel, ulLabelLength);
    /* A label that is no USING label was refused in the first phase. */
    if (pSym == nullptr || pSym->lLength != SYM_LENGTH_USING) return;
    vSymbolXref(pSym, ulRefWord(g_asm.ulStmtNo, REF_USING));
    uDropPass({DROP_LABEL, pSym, 0});
  }
  if (iOperands < 2 || pFirstOperand == nullptr) {
    iStmtDiagOperand(iOperands < 1 ? 1 : 2);
    return;
  }
  EXPRVALUE v1{}, v2{};
  if (!bOperandValue(pFirstOperand, 1, 0, EVAL_ADDRESS, 0, &v1)) return;
  if (v1.lValue < -ADDR_MAX || v1.lValue > ADDR_MAX || bExternal(v1.lSection)) {
    iStmtDiagOperand(1);
    return;
  }
  vStmtSetPlace(v1.lSection, static_cast<uint32_t>(v1.lValue));
  vStmtClearFlags(SF_RELATIVE); /* the value is in the form expressions give */
  const uint8_t *pOperand2 = pOperandNext(pFirstOperand);
  if (!bOperandValue(pOperand2, 2, PF_QUALIFIED, EVAL_ADDRESS, REF_USING, &v2)) return;

  USINGENTRY e{};
  e.lSection = v1.lSection;
  bool bDep = iOperands == 2 && bRelocatable(v1) && bRelocatable(v2);
  if (bDep ? !bDependent(&e, v1, v2) : !bOrdinary(&e, v1, v2, iOperands, pOperand2)) return;
  if (!bDep && pSym == nullptr) uDropPass({DROP_REGS, nullptr, usRegMask(&e)});

  USINGENTRY *p = pEntryNew();
  *p = e;
  p->lCreated = p->lVisible = g_usg.lLevel;
  p->pOrig = p;
  p->pLabel = pSym;
  p->ulStmt = g_asm.ulStmtNo;
  p->pNext = g_usg.pHead;
  g_usg.pHead = p;
  g_usg.bChanged = true;
  char achText[USING_TEXT_MAX + 1];
  vUsingText(achText, ulLabelLength, pLabel, iOperands, pFirstOperand);
  vMapOfEntry(p, pSym != nullptr ? (bDep ? UT_LABDEP : UT_LABELED) : (bDep ? UT_DEPENDENT : UT_ORDINARY), achText);
  if (pSym == nullptr) vUsingChecks(p);
}

void vDropStatement(int iOperands, const uint8_t *pFirstOperand)
{
  if (iOperands <= 0 || pFirstOperand == nullptr) {
    uDropPass({DROP_ALL, nullptr, 0});
    pMapAdd(UM_DROP, UT_ALL, 0, nullptr);
    return;
  }
  const uint8_t *pOperand = pFirstOperand;
  for (int k = 1; k <= iOperands; k++, pOperand = pOperandNext(pOperand)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOperand, &ulLength);
    char achText[USING_TEXT_MAX + 1] = "";
    vHostAppend(achText, pText, ulLength);
    int32_t lReg = -1;
    SYMBOL *pSym = ulLength <= SYM_NAME_MAX ? pSymbolFind(pText, ulLength) : nullptr;
    if (pSym != nullptr && pSym->lLength == SYM_LENGTH_USING) {
      vSymbolXref(pSym, ulRefWord(g_asm.ulStmtNo, REF_DROP));
      if (uDropPass({DROP_LABEL, pSym, 0}) == 0) {
        iStmtDiagName(c_aMsg[MSG_NOT_LABEL], pText, ulLength);
      }
      pMapAdd(UM_DROP, UT_NONE, 0, achText);
      continue;
    }
    if (pSym != nullptr && pSym->lSection == -1 && pSym->pDeferred == nullptr && pSym->bFlags < SYMF_VALUE_PENDING &&
        pSym->lValue >= 0 && pSym->lValue <= 15) {
      vSymbolXref(pSym, ulRefWord(g_asm.ulStmtNo, REF_DROP));
      lReg = pSym->lValue;
    } else {
      EXPRVALUE v{};
      if (!bOperandValue(pOperand, static_cast<unsigned>(k), 0, EVAL_ABSOLUTE, REF_DROP, &v)) continue;
      if (v.lValue < 0 || v.lValue > 15) {
        iStmtDiagOperand(static_cast<unsigned>(k));
        continue;
      }
      lReg = v.lValue;
    }
    if (uDropPass({DROP_REGS, nullptr, static_cast<uint16_t>(1u << lReg)}) == 0)
      vDiag(MSG_NOT_ACTIVE, static_cast<unsigned>(lReg));
    if (USINGMAP *m = pMapAdd(UM_DROP, UT_REGISTER, 0, achText); m != nullptr) m->bDropReg = static_cast<uint8_t>(lReg);
  }
}

void vUsingPushPop(bool bPush)
{
  if (bPush) {
    if (g_usg.lLevel >= USING_LEVEL_MAX) {
      vDiag(MSG_STACK_FULL);
      return;
    }
    pMapAdd(UM_PUSH, UT_NONE, 0, nullptr);
    for (USINGENTRY *p = g_usg.pHead; p != nullptr; p = p->pNext)
      if (bActive(p)) p->lVisible++;
    g_usg.lLevel++;
    return;
  }
  if (g_usg.lLevel == 0) {
    vDiag(MSG_STACK_EMPTY);
    return;
  }
  pMapAdd(UM_POP, UT_NONE, 0, nullptr);
  for (USINGENTRY **pp = &g_usg.pHead; *pp != nullptr;)
    pp = bActive(*pp) ? ppRemove(pp, bEndsAtPop(*pp)) : &(*pp)->pNext;
  g_usg.lLevel--;
  g_usg.bChanged = true;
}

void vUsingPushPopStatement(bool bPush, int iOperands, const uint8_t *pFirstOperand)
{
  static const uint8_t c_abUsing[] = {E_U, E_S, E_I, E_N, E_G};
  const uint8_t *pOp = pFirstOperand;
  for (int i = 0; i < iOperands && pOp != nullptr; i++, pOp = pOperandNext(pOp)) {
    uint32_t ulLength = 0;
    const uint8_t *pText = pOperandText(pOp, &ulLength);
    if (ulLength != sizeof c_abUsing) continue;
    bool bSame = true;
    for (uint32_t k = 0; k < ulLength && bSame; k++) bSame = g_abUpper[pText[k]] == c_abUsing[k];
    if (bSame) {
      vUsingPushPop(bPush);
      return;
    }
  }
}

void vUsingActiveLine(uint32_t ulWidth, USINGLINES *pOut)
{
  static const char c_szHead[] = "  Active USINGs:";
  constexpr uint32_t ulIndent = sizeof c_szHead - 1;
  constexpr uint32_t ulMore = 10; /* "  MORE ..." */
  g_usg.bChanged = false;
  uint32_t w = ulWidth > USING_LINE_MAX ? USING_LINE_MAX : ulWidth < 40 ? 40 : ulWidth;
  pOut->uCount = 1;
  uint8_t *pLine = pOut->aab[0];
  uint32_t *pul = &pOut->aulLength[0];
  vAsciiToEbcdic(pLine, reinterpret_cast<const uint8_t *>(c_szHead), ulIndent);
  pLine[ulIndent - 1] = E_COLON; /* not among the standard characters */
  *pul = ulIndent;
  auto put = [&](const char *psz) {
    size_t n = std::strlen(psz);
    vAsciiToEbcdic(pLine + *pul, reinterpret_cast<const uint8_t *>(psz), n);
    *pul += static_cast<uint32_t>(n);
  };
  bool bAny = false;
  LINEBUF item;
  for (const USINGENTRY *p = g_usg.pHead; p != nullptr; p = p->pNext) {
    if (!bActive(p)) continue;
    vEntryText(p, &item);
    bool bFirstOnLine = *pul == ulIndent;
    uint32_t ulSep = bFirstOnLine ? 1 : 2;
    if (!bFirstOnLine && *pul + ulSep + item.ul > w) {
      if (pOut->uCount == USING_LINES_MAX) {
        if (*pul + ulMore > w) *pul = w - ulMore;
        put("  MORE ...");
        return;
      }
      pLine = pOut->aab[pOut->uCount];
      pul = &pOut->aulLength[pOut->uCount++];
      std::memset(pLine, EBCDIC_BLANK, ulIndent);
      *pul = ulIndent;
      ulSep = 1;
    }
    put(ulSep == 1 ? " " : "  ");
    uint32_t ulRoom = w - *pul;
    if (item.ul > ulRoom) {
      std::memcpy(pLine + *pul, item.ab, ulRoom - 3);
      *pul += ulRoom - 3;
      put("...");
    } else {
      std::memcpy(pLine + *pul, item.ab, item.ul);
      *pul += item.ul;
    }
    bAny = true;
  }
  if (!bAny) put(" None");
}
