// Ordinary expressions: any operand bytes, under any parse and evaluation
// flags, are parsed, evaluated (address forms part by part), used as an EQU
// operand and as an absolute operand against a small symbol table, without
// crash, overrun or hang.  Input: parse flags, evaluation flags, top rule,
// then the operand text (EBCDIC).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "chars.h"
#include "fuzzfront.h"
#include "expr.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "opt.h"
#include "vorn.h"

namespace {

std::vector<uint8_t> g_abOperand;

void vText(const char *psz, std::vector<uint8_t> &ab)
{
  ab.assign(psz, psz + std::strlen(psz));
  vAsciiToEbcdic(ab.data(), ab.data(), ab.size());
}

SYMBOL *pPlace(const char *psz, int32_t lSection, int32_t lValue, int32_t lLength, char cType)
{
  std::vector<uint8_t> ab;
  vText(psz, ab);
  bool bCreated = false;
  SYMBOL *p = pSymbolDefine(ab.data(), ab.size(), 1, &bCreated);
  p->lSection = lSection;
  p->lValue = lValue;
  p->lLength = lLength;
  p->bType = g_abAsciiToEbcdic[static_cast<uint8_t>(cType)];
  p->bFlags = 0;
  p->sScale = 0;
  return p;
}

/* One operand sub-record (kind 7) holding the text. */
const uint8_t *pOperand(const uint8_t *pText, size_t ulLength)
{
  g_abOperand.resize(ulLength + 4);
  vPut32(g_abOperand.data(), SUB_OPERAND | static_cast<uint32_t>(ulLength + 4) << 8);
  if (ulLength != 0) std::memcpy(g_abOperand.data() + 4, pText, ulLength);
  return g_abOperand.data();
}

void vEqu(const char *pszLabel, const char *pszOperand)
{
  std::vector<uint8_t> abLabel, abText;
  vText(pszLabel, abLabel);
  vText(pszOperand, abText);
  bool bCreated = false;
  SYMBOL *p = pSymbolDefine(abLabel.data(), abLabel.size(), 2, &bCreated);
  iEquDefine(p, pOperand(abText.data(), abText.size()), 1, 1, 0x100);
}

void vTable(bool bXref)
{
  vSubpoolRelease(SP_RUN);
  vSymbolsReset(bXref);
  vStmtStart();
  pPlace("A", 1, 0x10, 4, 'F');
  pPlace("B", 1, 0x30, 2, 'H');
  pPlace("C", 2, 0x08, 1, 'C');
  pPlace("P", 1, 0x40, 3, 'P')->sScale = 2;
  pPlace("U", -1, -1, SYM_LENGTH_USING, 'U');
  vEqu("D1", "D2+1");
  vEqu("D2", "D3*2");
  vEqu("D3", "A-B");
  vEqu("CX", "A+C");
  vEqu("NEVER", "GHOST");
  std::vector<uint8_t> ab;
  vText("=F'1'", ab);
  SYMBOL *pLit = pLiteralAdd(ab.data(), ab.size(), 1, 0);
  pLit->lSection = 1;
  pLit->lValue = 0x200;
  pLit->lLength = 4;
  pLit->bFlags = 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  vFuzzCoreInit();
  if (ulSize < 3 || ulSize > 4096) return 0;
  try {
    vTable((pData[0] & 0x80) != 0);
    g_asm.ulStmtNo = 3;
    uint32_t ulParse = pData[0] & (PF_QUALIFIED | PF_LITERAL | PF_VARIABLE | PF_CONDITIONAL);
    uint32_t ulFlags = pData[1];
    EXPRTOP eTop = (pData[2] & 1) != 0 ? ET_ADDRESS : ET_EXPRESSION;
    const uint8_t *pText = pData + 3;
    uint32_t ulLength = static_cast<uint32_t>(ulSize - 3);

    EXPRCTX *c = pExprParse(pText, ulLength, 1, (pData[2] & 2) != 0 ? "label" : nullptr, pExprStack(), ulParse, eTop);
    if (c->ulPos > ulLength || (c->pTree == nullptr) == (c->err.sNumber == 0)) std::abort();
    if (c->pTree != nullptr && c->pTree->bKind == EN_ADDRESS) {
      for (EXPRNODE *n : {c->pTree->pLeft, c->pTree->pRight, c->pTree->pThird})
        if (n != nullptr) pExprEvaluate(c, n, ulRefWord(3, pData[2] & 4 ? REF_MODIFY : 0), 1, 0x80, ulFlags);
    } else if (c->pTree != nullptr) {
      EXPRVALUE *v = pExprEvaluate(c, c->pTree, ulRefWord(3, 0), 1, 0x80, ulFlags);
      if (v != nullptr && (v->ulPositive > ulLength || v->ulNegative > ulLength)) std::abort();
    }
    if (c->err.ulLength >= sizeof c->err.achText) std::abort();

    /* The same text as an EQU operand, then used through the symbol. */
    vStmtStart();
    std::vector<uint8_t> abZ;
    vText("Z", abZ);
    bool bCreated = false;
    SYMBOL *pZ = pSymbolDefine(abZ.data(), abZ.size(), 4, &bCreated);
    iEquDefine(pZ, pOperand(pText, ulLength), 1, 1, 0x100);
    std::vector<uint8_t> abUse;
    vText("Z+D1-L'Z", abUse);
    EXPRCTX *u =
        pExprParse(abUse.data(), static_cast<uint32_t>(abUse.size()), 1, nullptr, pExprStack(), 0, ET_EXPRESSION);
    pExprEvaluate(u, u->pTree, ulRefWord(5, 0), 1, 0, 0xF9);

    int32_t lResult = 0;
    iAbsOperand(pOperand(pText, ulLength), 2, 1, 0x100, ulFlags | EF_ABSOLUTE, &lResult, -100, 100);
  } catch (const AsmTerminated &) {
    std::abort();
  }
  return 0;
}
