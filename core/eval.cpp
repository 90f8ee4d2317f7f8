/*
** eval.cpp - the evaluator of ordinary expressions (module "eval").
**
** Calls: lbl, pars, stmt.
** Called by: def1, def2, esd1, ins2, lbl, mac1, msc1, msc2, usg2.
**
** Owns the storage of the absolute-operand helper and the scratch stack
** offered to callers (both in subpool 1, renewed by vExprReset for every
** assembly).
**
** Notes on the design:
**  - Values are carried in double precision and checked against the 32-bit
**    signed range after every operation (message 225).  Division truncates
**    toward zero; a divisor of 0 gives 0.
**  - A value's relocation is two lists of section indexes (positive and
**    negative terms); a term cancels one term of the same section with the
**    opposite sign.  The lists of every intermediate value are fresh pieces
**    of the context's stack, never shared, so nothing is modified in place.
**  - Three outcomes per node: a value, not yet resolvable (only where the
**    evaluation flags allow it), or the first error, which ends evaluation.
**    Both operands of an operator are evaluated before a pending operand
**    makes the operator pending, so that errors and references of the other
**    operand are not lost.
**  - An EQU symbol with a deferred operand is evaluated from that operand in
**    a context of its own (same stack, its origin location as *), at most
**    EXPR_DEFER_MAX levels deep; any failure in it reads "Expression is not
**    resolvable" in the outer context.  A result that is absolute or simply
**    relocatable is stored back into the symbol and the operand released; a
**    complexly relocatable one keeps the operand.  References inside a
**    deferred operand are not recorded again (its own EQU statement did).
**  - Operator chains (left-deep trees) are walked upwards through pUp
**    without recursion; recursion is bounded by the parser's nesting limit
**    and, across deferred levels, by EXPR_EVAL_DEPTH_MAX (message 229).
*/
#define MEM_MODULE "eval"

#include <cmath>
#include <cstring>

#include "chars.h"
#include "expr.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "vorn.h"

namespace {

struct EVALSTATE {
  STACKHDR *pScratch; /* offered to callers through pExprStack */
  STACKHDR *pAbs;     /* iAbsOperand, reset on every call */
};
EVALSTATE g_eval;

enum EVRC { EV_OK, EV_PENDING, EV_ERROR };

bool bFits(double d) { return d >= -2147483648.0 && d <= 2147483647.0; }

EVRC eError(EXPRCTX *c, EXPRMSG eMsg)
{
  vExprError(c, eMsg);
  return EV_ERROR;
}

EVRC eNamed(EXPRCTX *c, EXPRMSG eMsg, const uint8_t *pName, size_t ulLength)
{
  char achName[EXPR_NAME_SHOWN + 4];
  vExprHostName(achName, sizeof achName, pName, ulLength);
  vExprError(c, eMsg, achName);
  return EV_ERROR;
}

EVRC eAttribute(EXPRCTX *c, uint8_t bLetter, const SYMBOL *pSym)
{
  char achName[EXPR_NAME_SHOWN + 4];
  vExprHostName(achName, sizeof achName, pSym->abName, pSym->usNameLength);
  vExprError(c, EM_ATTRIBUTE, static_cast<int>(bLetter), achName);
  return EV_ERROR;
}

/* Not yet resolvable when the flags allow it, else message 229. */
EVRC ePending(EXPRCTX *c, uint32_t ulAllow)
{
  return (c->ulEvalFlags & ulAllow) != 0 ? EV_PENDING : eError(c, EM_UNRESOLVABLE);
}

void vAbsolute(EXPRVALUE *v, int32_t lValue)
{
  *v = EXPRVALUE{};
  v->lValue = lValue;
  v->lSection = -1;
}

void vRelocatable(EXPRCTX *c, EXPRVALUE *v, int32_t lSection, int32_t lValue)
{
  vAbsolute(v, lValue);
  if (lSection == -1) return;
  v->plPositive = static_cast<int32_t *>(pStackAlloc(c->pStack, sizeof(int32_t)));
  v->plPositive[0] = lSection;
  v->ulPositive = 1;
  v->lSection = lSection;
}

bool bAbsolute(const EXPRVALUE *v) { return v->ulPositive == 0 && v->ulNegative == 0; }

int32_t *plCopy(EXPRCTX *c, const int32_t *pl, uint32_t ulCount, uint32_t ulRoom)
{
  if (ulRoom == 0) return nullptr;
  int32_t *plNew = static_cast<int32_t *>(pStackAlloc(c->pStack, sizeof(int32_t) * ulRoom));
  if (ulCount != 0) std::memcpy(plNew, pl, sizeof(int32_t) * ulCount);
  return plNew;
}

/* Adds one term to the list of its sign unless it cancels a term of the
   same section in the other list. */
void vTerm(int32_t lSection, int32_t *plSame, uint32_t *pulSame, int32_t *plOther, uint32_t *pulOther)
{
  for (uint32_t i = 0; i < *pulOther; i++) {
    if (plOther[i] == lSection) {
      for (uint32_t k = i + 1; k < *pulOther; k++) plOther[k - 1] = plOther[k];
      (*pulOther)--;
      return;
    }
  }
  plSame[(*pulSame)++] = lSection;
}

EVRC eCombine(EXPRCTX *c, uint8_t bOp, EXPRVALUE *l, const EXPRVALUE *r)
{
  double d;
  if (bOp == '*' || bOp == '/') {
    if (!bAbsolute(l) || !bAbsolute(r)) return eError(c, EM_RELOCATABLE);
    if (bOp == '*')
      d = static_cast<double>(l->lValue) * r->lValue;
    else
      d = r->lValue == 0 ? 0.0 : std::trunc(static_cast<double>(l->lValue) / r->lValue);
    if (!bFits(d)) return eError(c, EM_OVERFLOW);
    l->lValue = static_cast<int32_t>(d);
    return EV_OK;
  }
  bool bMinus = bOp == '-';
  d = bMinus ? static_cast<double>(l->lValue) - r->lValue : static_cast<double>(l->lValue) + r->lValue;
  if (!bFits(d)) return eError(c, EM_OVERFLOW);
  const int32_t *plPlus = bMinus ? r->plNegative : r->plPositive;
  const int32_t *plMinus = bMinus ? r->plPositive : r->plNegative;
  uint32_t ulPlus = bMinus ? r->ulNegative : r->ulPositive;
  uint32_t ulMinus = bMinus ? r->ulPositive : r->ulNegative;
  uint32_t ulPos = l->ulPositive, ulNeg = l->ulNegative;
  int32_t *plPos = plCopy(c, l->plPositive, ulPos, ulPos + ulPlus);
  int32_t *plNeg = plCopy(c, l->plNegative, ulNeg, ulNeg + ulMinus);
  for (uint32_t i = 0; i < ulPlus; i++) vTerm(plPlus[i], plPos, &ulPos, plNeg, &ulNeg);
  for (uint32_t i = 0; i < ulMinus; i++) vTerm(plMinus[i], plNeg, &ulNeg, plPos, &ulPos);
  l->plPositive = plPos;
  l->ulPositive = ulPos;
  l->plNegative = plNeg;
  l->ulNegative = ulNeg;
  l->lValue = static_cast<int32_t>(d);
  if (l->pQualifier == nullptr) l->pQualifier = r->pQualifier;
  return EV_OK;
}

EVRC eNode(EXPRCTX *c, const EXPRNODE *n, EXPRVALUE *v);

/* ---- symbols and literals ---------------------------------------------------- */

EVRC eDeferred(EXPRCTX *c, SYMBOL *pSym, EXPRVALUE *v)
{
  if (c->uDefer >= EXPR_DEFER_MAX) return eError(c, EM_UNRESOLVABLE);
  EXPRCTX *k = pExprParse(pDeferText(pSym), ulDeferLength(pSym), 0, nullptr, c->pStack, 0, ET_EXPRESSION);
  if (bExprFailed(k)) return eError(c, EM_UNRESOLVABLE);
  k->uDefer = c->uDefer + 1;
  k->uDepth = c->uDepth;
  k->ulEvalFlags = 0x01 | EF_UNDEFINED_OK | EF_ATTRIBUTE_OK | EF_ABSOLUTE | EF_RELOCATABLE | EF_COMPLEX;
  k->lLocSection = pSym->lOrgSection;
  k->lLocValue = pSym->lOrgValue;
  EVRC rc = eNode(k, k->pTree, v);
  if (rc == EV_ERROR) return eError(c, EM_UNRESOLVABLE);
  if (rc == EV_PENDING) return ePending(c, EF_ATTRIBUTE_OK);
  if (v->ulNegative == 0 && v->ulPositive <= 1) {
    pSym->lSection = v->ulPositive != 0 ? v->plPositive[0] : -1;
    pSym->lValue = v->lValue;
    pSym->bFlags &= static_cast<uint8_t>(~SYMF_VALUE_PENDING);
    vSymbolDeferRelease(pSym);
  }
  return EV_OK;
}

EVRC eValue(EXPRCTX *c, SYMBOL *pSym, EXPRVALUE *v)
{
  if (pSym->lLength == SYM_LENGTH_USING) return eNamed(c, EM_NO_VALUE, pSym->abName, pSym->usNameLength);
  if ((pSym->bFlags & SYMF_UNDEFINED) != 0) return eNamed(c, EM_UNDEFINED, pSym->abName, pSym->usNameLength);
  if (pSym->pDeferred != nullptr) return eDeferred(c, pSym, v);
  if (pSym->bFlags < SYMF_VALUE_PENDING) {
    vRelocatable(c, v, pSym->lSection, pSym->lValue);
    return EV_OK;
  }
  return ePending(c, EF_ATTRIBUTE_OK);
}

bool bScaledType(uint8_t bType)
{
  return bType == E_D || bType == E_E || bType == E_F || bType == E_G || bType == E_H || bType == E_K || bType == E_L ||
         bType == E_P || bType == E_Z;
}

/* I' from type, length and scale (a scale marker counts as 0). */
EVRC eInteger(EXPRCTX *c, const SYMBOL *pSym, EXPRVALUE *v)
{
  bool bPending = (c->ulEvalFlags & EF_ATTRIBUTE_OK) != 0;
  if ((pSym->bFlags & SYMF_TYPE_PENDING) != 0) return bPending ? EV_PENDING : eAttribute(c, 'I', pSym);
  uint8_t t = pSym->bType;
  if (!bScaledType(t)) return eAttribute(c, 'I', pSym);
  if (pSym->lLength < 0) return bPending && pSym->lLength == SYM_LENGTH_UNKNOWN ? EV_PENDING : eAttribute(c, 'I', pSym);
  int64_t l = pSym->lLength;
  int64_t s = pSym->sScale > SYM_SCALE_UNKNOWN ? pSym->sScale : 0;
  int64_t i;
  if (t == E_F || t == E_G || t == E_H)
    i = 8 * l - s - 1;
  else if (t == E_P)
    i = 2 * l - s - 1;
  else if (t == E_Z)
    i = l - s;
  else
    i = l > 8 ? 2 * l - s - 4 : 2 * l - s - 2;
  if (!bFits(static_cast<double>(i))) return eError(c, EM_OVERFLOW);
  vAbsolute(v, static_cast<int32_t>(i));
  return EV_OK;
}

EVRC eAttributeOf(EXPRCTX *c, const SYMBOL *pSym, uint8_t bLetter, EXPRVALUE *v)
{
  bool bPending = (c->ulEvalFlags & EF_ATTRIBUTE_OK) != 0;
  bool bTypePending = (pSym->bFlags & SYMF_TYPE_PENDING) != 0;
  switch (bLetter) {
  case 'L':
    if (pSym->lLength >= 0) {
      vAbsolute(v, pSym->lLength);
      return EV_OK;
    }
    return bPending && pSym->lLength == SYM_LENGTH_UNKNOWN ? EV_PENDING : eAttribute(c, 'L', pSym);
  case 'S':
    if (pSym->sScale > SYM_SCALE_UNKNOWN) {
      vAbsolute(v, pSym->sScale);
      return EV_OK;
    }
    return bPending && (bTypePending || bScaledType(pSym->bType)) ? EV_PENDING : eAttribute(c, 'S', pSym);
  case 'T':
    if (bTypePending && bPending) return EV_PENDING;
    vAbsolute(v, pSym->bType);
    return EV_OK;
  case 'I':
    return eInteger(c, pSym, v);
  default:
    return eAttribute(c, bLetter, pSym);
  }
}

EVRC eSymbol(EXPRCTX *c, const EXPRNODE *n, EXPRVALUE *v)
{
  SYMBOL *pSym = n->pSymbol;
  if ((c->ulRef & REF_STMT_MASK) != 0) vSymbolXref(pSym, c->ulRef);
  if (n->pQualifier != nullptr && g_exprHooks.pfnQualifierCovers != nullptr &&
      !g_exprHooks.pfnQualifierCovers(n->pQualifier, pSym->lSection))
    return eNamed(c, EM_QUALIFIER, pSym->abName, pSym->usNameLength);
  EVRC rc = n->bSub == 'A' ? eValue(c, pSym, v) : eAttributeOf(c, pSym, n->bSub, v);
  if (rc == EV_OK) v->pQualifier = n->pQualifier;
  return rc;
}

EVRC eLiteral(EXPRCTX *c, const EXPRNODE *n, EXPRVALUE *v)
{
  if (c->ulRef >> REF_KIND_SHIFT == REF_MODIFY) return eError(c, EM_LITERAL_MODIFIED);
  int32_t lPool = static_cast<int32_t>(ulLiteralPool());
  SYMBOL *pLit = nullptr;
  if (n->bSub == 'A') {
    pLit = pLiteralFind(n->pText, n->ulTextLength, lPool, n->lValue);
  } else {
    for (int32_t k = lPool; k >= 1 && pLit == nullptr; k--)
      pLit = pLiteralFind(n->pText, n->ulTextLength, k, n->lValue);
  }
  if (pLit == nullptr) return ePending(c, EF_ATTRIBUTE_OK);
  if ((c->ulRef & REF_STMT_MASK) != 0) vSymbolXref(pLit, c->ulRef);
  if (n->bSub != 'A') return eAttributeOf(c, pLit, n->bSub, v);
  if (pLit->bFlags >= SYMF_VALUE_PENDING) return ePending(c, EF_ATTRIBUTE_OK);
  vRelocatable(c, v, pLit->lSection, pLit->lValue);
  return EV_OK;
}

EVRC eLocation(EXPRCTX *c, const EXPRNODE *n, EXPRVALUE *v)
{
  uint32_t ulLength = c->ulEvalFlags & EF_LOCATION;
  if (n->bSub == 'L') {
    vAbsolute(v, ulLength != 0 ? static_cast<int32_t>(ulLength) : 1);
    return EV_OK;
  }
  if (ulLength == 0 || c->lLocSection == -1) return eError(c, EM_LOCATION);
  if (c->lLocValue < 0) return ePending(c, EF_UNDEFINED_OK | EF_ATTRIBUTE_OK);
  vRelocatable(c, v, c->lLocSection, c->lLocValue);
  return EV_OK;
}

/* ---- operators ----------------------------------------------------------- */

EVRC eNegate(EXPRCTX *c, const EXPRNODE *n, EXPRVALUE *v)
{
  EVRC rc = eNode(c, n->pRight, v);
  if (rc != EV_OK) return rc;
  double d = -static_cast<double>(v->lValue);
  if (!bFits(d)) return eError(c, EM_OVERFLOW);
  v->lValue = static_cast<int32_t>(d);
  int32_t *pl = v->plPositive;
  uint32_t ul = v->ulPositive;
  v->plPositive = v->plNegative;
  v->ulPositive = v->ulNegative;
  v->plNegative = pl;
  v->ulNegative = ul;
  return EV_OK;
}

/* A chain of binary operators: down the left operands, then back up. */
EVRC eChain(EXPRCTX *c, const EXPRNODE *n, EXPRVALUE *v)
{
  const EXPRNODE *p = n;
  while (p->bKind == EN_OPERATOR && p->pLeft != nullptr) p = p->pLeft;
  EVRC rc = eNode(c, p, v);
  if (rc == EV_ERROR) return rc;
  bool bPending = rc == EV_PENDING;
  while (p != n) {
    p = p->pUp;
    EXPRVALUE r;
    EVRC rcRight = eNode(c, p->pRight, &r);
    if (rcRight == EV_ERROR) return rcRight;
    bPending = bPending || rcRight == EV_PENDING;
    if (!bPending && eCombine(c, p->bSub, v, &r) == EV_ERROR) return EV_ERROR;
  }
  return bPending ? EV_PENDING : EV_OK;
}

EVRC eNode(EXPRCTX *c, const EXPRNODE *n, EXPRVALUE *v)
{
  *v = EXPRVALUE{};
  v->lSection = -1;
  if (n == nullptr || c->uDepth >= EXPR_EVAL_DEPTH_MAX) return eError(c, EM_UNRESOLVABLE);
  c->uDepth++;
  EVRC rc;
  switch (n->bKind) {
  case EN_VALUE:
    vAbsolute(v, n->lValue);
    rc = EV_OK;
    break;
  case EN_LOCATION:
    rc = eLocation(c, n, v);
    break;
  case EN_SYMBOL:
    rc = eSymbol(c, n, v);
    break;
  case EN_UNKNOWN:
    rc = (c->ulEvalFlags & EF_UNDEFINED_OK) != 0 ? EV_PENDING : eNamed(c, EM_UNDEFINED, n->pText, n->ulTextLength);
    break;
  case EN_LITERAL:
    rc = eLiteral(c, n, v);
    break;
  case EN_OPERATOR:
    rc = n->pLeft == nullptr ? eNegate(c, n, v) : eChain(c, n, v);
    break;
  default: /* address forms and DC operands are evaluated part by part */
    rc = eError(c, EM_UNRESOLVABLE);
    break;
  }
  c->uDepth--;
  return rc;
}

bool bAllDigits(const uint8_t *p, uint32_t ulLength)
{
  for (uint32_t i = 0; i < ulLength; i++)
    if (p[i] < E_0 || p[i] > E_9) return false;
  return true;
}

} // namespace

void vExprReset()
{
  g_eval.pScratch = pStackCreate(SP_RUN);
  g_eval.pAbs = pStackCreate(SP_RUN);
}

STACKHDR *pExprStack()
{
  if (g_eval.pScratch == nullptr) g_eval.pScratch = pStackCreate(SP_RUN);
  return g_eval.pScratch;
}

EXPRVALUE *pExprEvaluate(EXPRCTX *pCtx, EXPRNODE *pTree, uint32_t ulRef, int32_t lLocSection, int32_t lLocValue,
                         uint32_t ulFlags)
{
  if (bExprFailed(pCtx)) return nullptr;
  pCtx->ulRef = ulRef;
  pCtx->lLocSection = lLocSection;
  pCtx->lLocValue = lLocValue;
  pCtx->ulEvalFlags = ulFlags;
  EXPRVALUE *v = static_cast<EXPRVALUE *>(pStackAlloc(pCtx->pStack, sizeof(EXPRVALUE)));
  EVRC rc = eNode(pCtx, pTree, v);
  if (rc != EV_OK) return nullptr;
  if (!bAbsolute(v)) {
    if ((ulFlags & EF_RELOCATABLE) == 0) {
      vExprError(pCtx, EM_RELOCATABLE);
      return nullptr;
    }
    if ((ulFlags & EF_COMPLEX) == 0 && (v->ulPositive != 1 || v->ulNegative != 0)) {
      vExprError(pCtx, EM_COMPLEX);
      return nullptr;
    }
  } else if ((ulFlags & EF_ABSOLUTE) == 0) {
    vExprError(pCtx, EM_NOT_RELOCATABLE);
    return nullptr;
  }
  v->lSection = v->ulPositive != 0 ? v->plPositive[0] : -1;
  return v;
}

int32_t iExprValue(EXPRCTX *pCtx, EXPRNODE *pTree, int32_t lLocSection, int32_t lLocValue)
{
  EXPRVALUE *v = pExprEvaluate(pCtx, pTree, ulRefWord(g_asm.ulStmtNo, 0), lLocSection, lLocValue, 0x01 | EF_ABSOLUTE);
  return v != nullptr ? v->lValue : 0;
}

int iExprDiag(const EXPRCTX *pCtx)
{
  const EXPRERROR &e = pCtx->err;
  if (e.sNumber == 0) return 0;
  return iStmtDiag(e.sNumber, e.bForm, e.bSeverity, e.ulLength, e.achText);
}

const uint8_t *iAbsOperand(const uint8_t *pOperand, unsigned uNumber, int32_t lLocSection, int32_t lLocValue,
                           uint32_t ulFlags, int32_t *plResult, int32_t lMin, int32_t lMax, int *piStatus)
{
  int iStatus = ABS_ERROR;
  const uint8_t *pNext = nullptr;
  uint32_t ulLength = 0;
  if (pOperand != nullptr) {
    uint32_t ulSub = ulGet32(pOperand) >> 8;
    ulLength = ulSub > 4 ? ulSub - 4 : 0;
    pNext = pOperand + (ulSub > 4 ? ulSub : 4);
  }
  const uint8_t *pText = pOperand != nullptr ? pOperand + 4 : nullptr;
  int64_t lValue = 0;
  bool bHave = false;
  if (ulLength == 0) {
    iStmtDiagOperand(uNumber);
  } else if (ulLength <= 9 && bAllDigits(pText, ulLength)) {
    for (uint32_t i = 0; i < ulLength; i++) lValue = lValue * 10 + (pText[i] & 0x0F);
    bHave = true;
  } else {
    if (g_eval.pAbs == nullptr) g_eval.pAbs = pStackCreate(SP_RUN);
    vStackReset(g_eval.pAbs);
    EXPRCTX *c = pExprParse(pText, ulLength, uNumber, nullptr, g_eval.pAbs, 0, ET_EXPRESSION);
    EXPRVALUE *v = pExprEvaluate(c, c->pTree, ulRefWord(g_asm.ulStmtNo, 0), lLocSection, lLocValue, ulFlags);
    if (v != nullptr) {
      lValue = v->lValue;
      bHave = true;
    } else if (bExprFailed(c)) {
      iExprDiag(c);
    } else {
      iStatus = ABS_PENDING;
    }
  }
  if (bHave) {
    if (lValue < lMin || lValue > lMax) {
      iStmtDiagOperand(uNumber);
    } else {
      *plResult = static_cast<int32_t>(lValue);
      iStatus = ABS_OK;
    }
  }
  if (piStatus != nullptr) *piStatus = iStatus;
  return pNext;
}
