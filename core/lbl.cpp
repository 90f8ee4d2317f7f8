/*
** lbl.cpp - the ordinary symbol table (module "lbl").
**
** Calls: eval, pars, stmt.
** Called by: asm1, asm2, cnd1, def2, esd1, eval, fix1, gen1, ins2, instr,
**   pars, src1, usg2, xrf2.
**
** Owns g_lbl: the 4096 chain heads, the storage stack of the entries, the
** stack of EQU parse trees, the literal pool number in force and the XREF
** setting of the assembly.  Deferred EQU operands and grown reference lists
** are separate pieces of subpool 1, freed when they are replaced.
**
** Notes on the design:
**  - Ordinary names are upper-cased before hashing and comparing, so names
**    that differ only in case are one symbol.  Literal texts are taken as
**    given; the parser has already put them into their key form.
**  - Ordinary bucket = h2 XOR (h1 << 4); literal bucket additionally XOR
**    ((key 1 XOR key 2) AND 0xFFF).  A lookup accepts an entry only when its
**    key 1 is 0 (ordinary lookup) or both keys match (literal lookup).
**  - Beside the chains, an index finds the entries: open addressing over a
**    32-bit hash of the name and both keys, each slot holding the hash and
**    the entry, so a search touches no entry but the one it finds (a walk
**    along a chain misses the cache at every entry).  New entries still go
**    to the end of their chain, through the chain's last entry kept aside.
**  - With XREF on, every entry is preceded by an inline list {1, first
**    reference}; the first reference is the defining statement and stays
**    first.  Lists move to blocks of 8, 16, ... 40, then 64, 96, ...
**    references; the capacity follows from the count alone.
**  - A reference word without kind bits is not added when its statement is
**    already listed in any form; one with kind bits replaces the plain
**    entry of its statement (searched from the second entry on).
*/
#define MEM_MODULE "lbl"

#include "lbl.h"

#include <cstddef>
#include <cstring>

#include "chars.h"
#include "fix1.h"
#include "expr.h"
#include "instr.h"
#include "mem.h"
#include "opt.h"
#include "vorn.h"
#include "work.h"

LBLSTATE g_lbl;

namespace {

enum LBLMSG { MSG_DUPLICATE, MSG_COUNT };
const MSGDEF c_aMsg[] = {
    {110, 12, "has been previously defined."}, /* after the name */
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);
constexpr uint32_t LITERAL_TEXT_MAX = 0xFFFF;

size_t ulEntrySize(size_t ulNameLength) { return offsetof(SYMBOL, abName) + ulNameLength; }

struct INDEXSLOT {
  uint32_t ulHash;
  SYMBOL *pSym; /* null: free */
};
struct SYMINDEX {
  INDEXSLOT *pSlots; /* a power of two of them (subpool 0), or null */
  uint32_t ulSlots, ulUsed;
  SYMBOL *apTail[SYM_BUCKETS]; /* last entry of each chain */
};
SYMINDEX g_index = {};
constexpr uint32_t INDEX_FIRST_SLOTS = 1024;

void vIndexReset()
{
  if (g_index.pSlots != nullptr) SP_FREE(SP_HEAP, g_index.pSlots);
  g_index.pSlots = nullptr;
  g_index.ulSlots = g_index.ulUsed = 0;
  std::memset(g_index.apTail, 0, sizeof g_index.apTail);
}

/* The index hash: FNV-1a over the name (ulNameHash or ulUpperName), then
   the keys mixed in. */
constexpr uint32_t FNV_BASIS = 2166136261u, FNV_PRIME = 16777619u;

uint32_t ulNameHash(const uint8_t *pName, size_t ulLength)
{
  uint32_t h = FNV_BASIS;
  for (size_t i = 0; i < ulLength; i++) h = (h ^ pName[i]) * FNV_PRIME;
  return h;
}

/* Upper-cases an ordinary name into pOut; returns the hash of the result. */
uint32_t ulUpperName(uint8_t *pOut, const uint8_t *pName, size_t ulLength)
{
  uint32_t h = FNV_BASIS;
  for (size_t i = 0; i < ulLength; i++) {
    pOut[i] = g_abUpper[pName[i]];
    h = (h ^ pOut[i]) * FNV_PRIME;
  }
  return h;
}

uint32_t ulIndexHash(uint32_t h, int32_t lKey1, int32_t lKey2)
{
  h ^= static_cast<uint32_t>(lKey1) * 0x9E3779B1u;
  h = (h ^ (h >> 15)) * 0x85EBCA77u;
  h ^= static_cast<uint32_t>(lKey2) * 0xC2B2AE3Du;
  h = (h ^ (h >> 13)) * 0x27D4EB2Fu;
  return h ^ (h >> 16);
}

/* The slot of the entry with this name and keys, or the free slot where it
   would go. */
INDEXSLOT *pIndexSlot(uint32_t ulHash, const uint8_t *pName, size_t ulLength, int32_t lKey1, int32_t lKey2)
{
  for (uint32_t i = ulHash;; i++) {
    INDEXSLOT *pSlot = &g_index.pSlots[i & (g_index.ulSlots - 1)];
    const SYMBOL *p = pSlot->pSym;
    if (p == nullptr) return pSlot;
    if (pSlot->ulHash == ulHash && p->lKey1 == lKey1 && p->lKey2 == lKey2 && p->usNameLength == ulLength &&
        std::memcmp(p->abName, pName, ulLength) == 0)
      return pSlot;
  }
}

SYMBOL *pIndexFind(uint32_t ulHash, const uint8_t *pName, size_t ulLength, int32_t lKey1, int32_t lKey2)
{
  return g_index.pSlots != nullptr ? pIndexSlot(ulHash, pName, ulLength, lKey1, lKey2)->pSym : nullptr;
}

/* Enters a new entry, growing the index to keep it at most three quarters
   full. */
void vIndexAdd(uint32_t ulHash, SYMBOL *pSym)
{
  if ((g_index.ulUsed + 1) * 4 > g_index.ulSlots * 3) {
    INDEXSLOT *pOld = g_index.pSlots;
    uint32_t ulOld = g_index.ulSlots;
    g_index.ulSlots = ulOld != 0 ? 2 * ulOld : INDEX_FIRST_SLOTS;
    g_index.pSlots = static_cast<INDEXSLOT *>(SP_ALLOC(SP_HEAP, g_index.ulSlots * sizeof(INDEXSLOT)));
    for (uint32_t i = 0; i < ulOld; i++)
      if (pOld[i].pSym != nullptr) {
        uint32_t j = pOld[i].ulHash;
        while (g_index.pSlots[j & (g_index.ulSlots - 1)].pSym != nullptr) j++;
        g_index.pSlots[j & (g_index.ulSlots - 1)] = pOld[i];
      }
    if (pOld != nullptr) SP_FREE(SP_HEAP, pOld);
  }
  *pIndexSlot(ulHash, pSym->abName, pSym->usNameLength, pSym->lKey1, pSym->lKey2) = INDEXSLOT{ulHash, pSym};
  g_index.ulUsed++;
}

SYMBOL *pNewEntry(uint32_t ulBucket, uint32_t ulHash, const uint8_t *pName, size_t ulLength, int32_t lKey1,
                  int32_t lKey2, uint32_t ulFirstRef)
{
  if (g_lbl.pSymbols == nullptr) g_lbl.pSymbols = pStackCreate(SP_RUN);
  size_t ulPrefix = g_lbl.bXref ? 2 * sizeof(uint32_t) : 0;
  uint8_t *pRaw = static_cast<uint8_t *>(pStackAlloc(g_lbl.pSymbols, ulPrefix + ulEntrySize(ulLength)));
  SYMBOL *p = reinterpret_cast<SYMBOL *>(pRaw + ulPrefix);
  if (g_lbl.bXref) {
    p->pRefs = reinterpret_cast<uint32_t *>(pRaw);
    p->pRefs[0] = 1;
    p->pRefs[1] = ulFirstRef;
  }
  p->lSection = -1;
  p->lValue = -1;
  p->lLength = SYM_LENGTH_UNKNOWN;
  p->lOrgSection = -1;
  p->lOrgValue = -1;
  p->lKey1 = lKey1;
  p->lKey2 = lKey2;
  p->sScale = SYM_SCALE_UNKNOWN;
  p->usNameLength = static_cast<uint16_t>(ulLength);
  p->bFlags = SYMF_NEW;
  p->bType = SYM_TYPE_UNDEFINED;
  std::memcpy(p->abName, pName, ulLength);
  if (g_index.apTail[ulBucket] != nullptr)
    g_index.apTail[ulBucket]->pNext = p;
  else
    g_lbl.apBucket[ulBucket] = p;
  g_index.apTail[ulBucket] = p;
  vIndexAdd(ulHash, p);
  return p;
}

bool bNameLengthOk(size_t ulLength) { return ulLength >= 1 && ulLength <= SYM_NAME_MAX; }
bool bTextLengthOk(size_t ulLength) { return ulLength >= 1 && ulLength <= LITERAL_TEXT_MAX; }

/* Room of a reference list with ulCount entries. */
uint32_t ulRefRoom(uint32_t ulCount)
{
  if (ulCount <= 1) return 1;
  if (ulCount <= 8) return 8;
  if (ulCount <= 40) return (ulCount + 7) & ~7u;
  return (ulCount + 31) & ~31u;
}

/* ---- EQU ------------------------------------------------------------------ */

/* L' from the leftmost term: a symbol's own (-1 while unknown), 1 for * and
   for everything else. */
int32_t lLeftmostLength(const EXPRNODE *n)
{
  while (n->bKind == EN_OPERATOR) n = n->pLeft != nullptr ? n->pLeft : n->pRight;
  if (n->bKind == EN_UNKNOWN && n->bSub == 'A') return SYM_LENGTH_UNKNOWN;
  if (n->bKind != EN_SYMBOL || n->bSub != 'A') return 1;
  int32_t l = n->pSymbol->lLength;
  return l == SYM_LENGTH_USING ? 1 : l;
}

int iEquFail(SYMBOL *pSym)
{
  if (pSym != nullptr) {
    vSymbolDeferRelease(pSym);
    pSym->bFlags = static_cast<uint8_t>((pSym->bFlags | SYMF_UNDEFINED | SYMF_EQU) & ~SYMF_TYPE_PENDING);
    pSym->lLength = 1;
  }
  return EQU_ERROR;
}

/* Operand 2 (L') or 3 (T'): absent or empty leaves lDefault. */
int iEquAttribute(const uint8_t **ppOperand, unsigned uNumber, unsigned uCount, int32_t lLocSection, int32_t lLocValue,
                  int32_t lMax, int32_t *plResult)
{
  if (uCount < uNumber) return ABS_OK;
  uint32_t ulLength = 0;
  pOperandText(*ppOperand, &ulLength);
  if (ulLength == 0) {
    *ppOperand = pOperandNext(*ppOperand);
    return ABS_OK;
  }
  int iStatus = ABS_ERROR;
  *ppOperand = iAbsOperand(*ppOperand, uNumber, lLocSection, lLocValue, 0x01 | ulPassPendingFlags() | EF_ABSOLUTE,
                           plResult, 0, lMax, &iStatus);
  return iStatus;
}

} // namespace

uint32_t ulLiteralPool() { return g_lbl.ulLiteralPool; }
void vLiteralPoolSet(uint32_t ulPool) { g_lbl.ulLiteralPool = ulPool; }

void vSymbolsReset(bool bXref)
{
  std::memset(g_lbl.apBucket, 0, sizeof g_lbl.apBucket);
  vIndexReset();
  g_lbl.pSymbols = pStackCreate(SP_RUN);
  g_lbl.pEquStack = pStackCreate(SP_RUN);
  g_lbl.ulLiteralPool = 1;
  g_lbl.bXref = bXref;
  vExprReset();
}

uint32_t ulSymbolTotal() { return g_index.ulUsed; }

/* From the index, whose slots lie side by side: the entries themselves are
   not touched. */
uint32_t ulSymbolsAll(SYMBOL **ppOut, uint32_t ulRoom)
{
  uint32_t n = 0;
  for (uint32_t i = 0; i < g_index.ulSlots && n < ulRoom; i++)
    if (g_index.pSlots[i].pSym != nullptr) ppOut[n++] = g_index.pSlots[i].pSym;
  return n;
}

uint32_t ulSymbolBucket(const uint8_t *pName, size_t ulLength)
{
  uint8_t h1 = 0, h2 = 0;
  vPearsonPair(pName, ulLength, &h1, &h2);
  return (h2 ^ static_cast<uint32_t>(h1) << 4) & (SYM_BUCKETS - 1);
}

uint32_t ulLiteralBucket(const uint8_t *pText, size_t ulLength, int32_t lKey1, int32_t lKey2)
{
  uint32_t ulKeys = static_cast<uint32_t>(lKey1 ^ lKey2) & 0xFFF;
  return ulKeys ^ ulSymbolBucket(pText, ulLength);
}

SYMBOL *pSymbolFind(const uint8_t *pName, size_t ulLength)
{
  if (!bNameLengthOk(ulLength)) return nullptr;
  uint8_t abName[SYM_NAME_MAX];
  uint32_t ulHash = ulIndexHash(ulUpperName(abName, pName, ulLength), 0, 0);
  return pIndexFind(ulHash, abName, ulLength, 0, 0);
}

SYMBOL *pSymbolDefine(const uint8_t *pName, size_t ulLength, uint32_t ulStmt, bool *pbCreated)
{
  bool bRecord = *pbCreated;
  *pbCreated = false;
  if (!bNameLengthOk(ulLength)) return nullptr;
  uint8_t abName[SYM_NAME_MAX];
  uint32_t ulHash = ulIndexHash(ulUpperName(abName, pName, ulLength), 0, 0);
  SYMBOL *p = pIndexFind(ulHash, abName, ulLength, 0, 0);
  if (p != nullptr) {
    if (bRecord) vSymbolXref(p, ulStmt & REF_STMT_MASK);
    return p;
  }
  *pbCreated = true;
  return pNewEntry(ulSymbolBucket(abName, ulLength), ulHash, abName, ulLength, 0, 0, ulStmt & REF_STMT_MASK);
}

SYMBOL *pLiteralFind(const uint8_t *pText, size_t ulLength, int32_t lKey1, int32_t lKey2)
{
  if (!bTextLengthOk(ulLength) || lKey1 == 0) return nullptr;
  return pIndexFind(ulIndexHash(ulNameHash(pText, ulLength), lKey1, lKey2), pText, ulLength, lKey1, lKey2);
}

SYMBOL *pLiteralAdd(const uint8_t *pText, size_t ulLength, int32_t lKey1, int32_t lKey2)
{
  if (!bTextLengthOk(ulLength) || lKey1 == 0) return nullptr;
  uint32_t ulHash = ulIndexHash(ulNameHash(pText, ulLength), lKey1, lKey2);
  SYMBOL *p = pIndexFind(ulHash, pText, ulLength, lKey1, lKey2);
  return p != nullptr ? p
                      : pNewEntry(ulLiteralBucket(pText, ulLength, lKey1, lKey2), ulHash, pText, ulLength, lKey1, lKey2,
                                  g_asm.ulStmtNo & REF_STMT_MASK);
}

void vSymbolXref(SYMBOL *pSym, uint32_t ulRef)
{
  if (pSym->pRefs == nullptr) return;
  uint32_t ulStmt = ulRef & REF_STMT_MASK;
  if (ulStmt == 0) return;
  uint32_t ulCount = pSym->pRefs[0];
  uint32_t *pl = pSym->pRefs + 1;
  if (ulRef == ulStmt) {
    for (uint32_t i = ulCount; i-- > 0;)
      if ((pl[i] & REF_STMT_MASK) == ulStmt) return;
  } else {
    for (uint32_t i = ulCount; i-- > 1;) {
      if (pl[i] == ulRef) return;
      if (pl[i] == ulStmt) {
        pl[i] = ulRef;
        return;
      }
    }
  }
  uint32_t ulRoom = ulRefRoom(ulCount + 1);
  if (ulRoom > ulRefRoom(ulCount)) {
    uint32_t *pNew = static_cast<uint32_t *>(SP_ALLOC(SP_RUN, (static_cast<size_t>(ulRoom) + 1) * sizeof(uint32_t)));
    std::memcpy(pNew, pSym->pRefs, (static_cast<size_t>(ulCount) + 1) * sizeof(uint32_t));
    if (ulCount > 1) SP_FREE(SP_RUN, pSym->pRefs);
    pSym->pRefs = pNew;
  }
  pSym->pRefs[ulCount + 1] = ulRef;
  pSym->pRefs[0] = ulCount + 1;
}

SYMBOL *pLabelDefine(const uint8_t *pName, size_t ulLength, uint32_t ulStmt, bool bUsing)
{
  bool bCreated = false;
  SYMBOL *p = pSymbolDefine(pName, ulLength, ulStmt, &bCreated);
  if (p == nullptr) return nullptr;
  if (bCreated) {
    if (bUsing) p->lLength = SYM_LENGTH_USING;
    return p;
  }
  if (bUsing && p->lLength == SYM_LENGTH_USING) return p;
  vSymbolDuplicate(pName, static_cast<uint32_t>(ulLength));
  return nullptr;
}

void vSymbolDuplicate(const uint8_t *pName, uint32_t ulLength)
{
  iStmtDiagName(c_aMsg[MSG_DUPLICATE], pName, ulLength);
}

uint32_t ulDeferLength(const SYMBOL *pSym) { return ulGet32(pSym->pDeferred); }

void vSymbolDeferSet(SYMBOL *pSym, const uint8_t *pText, uint32_t ulLength)
{
  if (pSym->pDeferred != nullptr && ulDeferLength(pSym) == ulLength &&
      std::memcmp(pDeferText(pSym), pText, ulLength) == 0)
    return;
  vSymbolDeferRelease(pSym);
  pSym->pDeferred = static_cast<uint8_t *>(SP_ALLOC(SP_RUN, static_cast<size_t>(ulLength) + 4));
  vPut32(pSym->pDeferred, ulLength);
  if (ulLength != 0) std::memcpy(pSym->pDeferred + 4, pText, ulLength);
}

void vSymbolDeferRelease(SYMBOL *pSym)
{
  if (pSym->pDeferred == nullptr) return;
  SP_FREE(SP_RUN, pSym->pDeferred);
  pSym->pDeferred = nullptr;
}

int iEquDefine(SYMBOL *pSym, const uint8_t *pFirstOperand, unsigned uCount, int32_t lLocSection, int32_t lLocValue)
{
  uint32_t ulLength = 0;
  const uint8_t *pText = pFirstOperand != nullptr && uCount != 0 ? pOperandText(pFirstOperand, &ulLength) : nullptr;
  if (ulLength == 0) {
    iStmtDiagOperand(1);
    return iEquFail(pSym);
  }
  if (g_lbl.pEquStack == nullptr) g_lbl.pEquStack = pStackCreate(SP_RUN);
  vStackReset(g_lbl.pEquStack);
  EXPRCTX *c = pExprParse(pText, ulLength, 1, nullptr, g_lbl.pEquStack, 0, ET_EXPRESSION);
  EXPRVALUE *v = pExprEvaluate(c, c->pTree, ulRefWord(g_asm.ulStmtNo, 0), lLocSection, lLocValue,
                               0x01 | ulPassPendingFlags() | EF_ABSOLUTE | EF_RELOCATABLE | EF_COMPLEX);
  if (bExprFailed(c)) {
    iExprDiag(c);
    return iEquFail(pSym);
  }
  int32_t lLength = c->pTree != nullptr ? lLeftmostLength(c->pTree) : 1;
  int32_t lType = SYM_TYPE_UNDEFINED;
  const uint8_t *pNext = pOperandNext(pFirstOperand);
  int iLength = iEquAttribute(&pNext, 2, uCount, lLocSection, lLocValue, 65535, &lLength);
  if (iLength == ABS_PENDING) lLength = SYM_LENGTH_UNKNOWN;
  int iType = iEquAttribute(&pNext, 3, uCount, lLocSection, lLocValue, 255, &lType);
  if (iLength == ABS_ERROR || iType == ABS_ERROR) return iEquFail(pSym);

  bool bComplex = v != nullptr && (v->ulNegative != 0 || v->ulPositive > 1);
  int iResult = v == nullptr ? EQU_PENDING : bComplex ? EQU_PHASE2 : EQU_DEFINED;
  if (lLength == SYM_LENGTH_UNKNOWN || iType == ABS_PENDING) iResult = EQU_PENDING;
  if (pSym == nullptr) return iResult;

  pSym->bFlags |= SYMF_EQU;
  pSym->lOrgSection = lLocSection;
  pSym->lOrgValue = lLocValue;
  if (v == nullptr) {
    vSymbolDeferSet(pSym, pText, ulLength);
    pSym->bFlags |= SYMF_VALUE_PENDING;
  } else {
    if (bComplex)
      vSymbolDeferSet(pSym, pText, ulLength);
    else
      vSymbolDeferRelease(pSym);
    pSym->lSection = bComplex ? -1 : v->lSection;
    pSym->lValue = v->lValue;
    pSym->bFlags &= static_cast<uint8_t>(~SYMF_VALUE_PENDING);
  }
  if (lLength != SYM_LENGTH_UNKNOWN) pSym->lLength = lLength;
  if (iType != ABS_PENDING) {
    pSym->bType = static_cast<uint8_t>(lType);
    pSym->bFlags &= static_cast<uint8_t>(~SYMF_TYPE_PENDING);
  }
  return iResult;
}

namespace {

STACKHDR *pLabelStack()
{
  if (g_lbl.pEquStack == nullptr) g_lbl.pEquStack = pStackCreate(SP_RUN);
  vStackReset(g_lbl.pEquStack);
  return g_lbl.pEquStack;
}

} // namespace

void vDefineLabel(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand)
{
  const OPENTRY *pEntry = pStmtEntry();
  if (pEntry == nullptr) return;
  const OPENTRY &e = *pEntry;
  bool bMachine = e.bKind == OPK_MACHINE;
  if (!bMachine && e.bKind != OPK_ASSEMBLER) return;
  const INSTRROW &r = g_labelHooks.pfnRow(bMachine ? 0 : e.abOps[2]);
  if (!bMachine && r.pfnLocate == nullptr) return;
  bool bPass = lResolvePass() != 0;
  if (!bPass && (bMachine || (r.bFlags & IR_LOCATED))) g_labelHooks.pfnPrivateSection();

  SYMBOL *pSym = nullptr;
  if (ulLabelLength > 0 && !(r.bFlags & IR_NO_LABEL)) {
    if (bPass) {
      pSym = pSymbolFind(pLabel, ulLabelLength);
    } else {
      pSym = pLabelDefine(pLabel, ulLabelLength, g_asm.ulStmtNo, (r.bFlags & IR_USING_LABEL) != 0);
      if (pSym != nullptr && (bMachine || r.bLabelType != 0)) {
        pSym->lLength = bMachine ? e.bLength : r.bLabelLength;
        pSym->bType = bMachine ? E_I : r.bLabelType;
        pSym->bFlags = static_cast<uint8_t>(pSym->bFlags & ~SYMF_TYPE_PENDING);
      }
    }
  }
  PFNINSTR pfnLocate = bMachine ? g_labelHooks.pfnMachineLocate : r.pfnLocate;
  pfnLocate(INSTRARGS{nullptr, &e, iOperands, ulLabelLength, pLabel, pFirstOperand, pSym, bPass});
}

void vSymbolsRelocate()
{
  /* through the index: its slots lie side by side, where a chain would be
     followed entry by entry */
  for (uint32_t i = 0; i < g_index.ulSlots; i++) {
    SYMBOL *p = g_index.pSlots[i].pSym;
    if (p == nullptr) continue;
    if (p->bFlags < SYMF_VALUE_PENDING) {
      uint32_t ulStart = 0;
      if (p->lValue >= 0 && g_labelHooks.pfnSectionStart(p->lSection, &ulStart))
        p->lValue = static_cast<int32_t>(static_cast<uint32_t>(p->lValue) + ulStart);
      if (p->lOrgValue >= 0 && g_labelHooks.pfnSectionStart(p->lOrgSection, &ulStart))
        p->lOrgValue = static_cast<int32_t>(static_cast<uint32_t>(p->lOrgValue) + ulStart);
    } else {
      p->bFlags |= SYMF_UNDEFINED;
      vSymbolDeferRelease(p);
    }
  }
}

void vEquSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, const uint8_t *pFirstOperand)
{
  SYMBOL *pSym = ulLabelLength != 0 ? pSymbolFind(pLabel, ulLabelLength) : nullptr;
  if (pSym == nullptr || pFirstOperand == nullptr || (pSym->bFlags & SYMF_UNDEFINED)) return;
  uint32_t ulLength = 0;
  const uint8_t *pText = pOperandText(pFirstOperand, &ulLength);
  EXPRCTX *c = pExprParse(pText, ulLength, 1, nullptr, pLabelStack(), 0, ET_EXPRESSION);
  if (bExprFailed(c) || c->pTree == nullptr) return;
  /* no reference word: the first phase has recorded the references */
  EXPRVALUE *v = pExprEvaluate(c, c->pTree, 0, pSym->lOrgSection, pSym->lOrgValue,
                               0x01 | EF_ABSOLUTE | EF_RELOCATABLE | EF_COMPLEX);
  if (v == nullptr || bExprFailed(c)) return;
  vStmtSetLocation(static_cast<uint32_t>(v->lValue));
  pSym->lValue = v->lValue; /* for the cross reference: uses evaluate the operand */
}
