// Conditional-assembly expressions and substitution: any text, read as an
// arithmetic, boolean or character expression, as a model statement field,
// or as an AIF or AGO operand in a macro level with parameters, sublists,
// SET symbols and globals, ends with a value or a diagnostic, without
// crash, overrun or hang; the parsed form a model keeps of an arithmetic,
// boolean, character or AIF operand gives the parser's value and message.
// Input: the mode byte, then the text (host characters, translated to
// EBCDIC).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "chars.h"
#include "fuzzfront.h"
#include "cnd1.h"
#include "lbl.h"
#include "mem.h"
#include "opt.h"
#include "var1.h"
#include "vorn.h"

namespace {

std::vector<uint8_t> abText(const char *psz)
{
  std::vector<uint8_t> ab(psz, psz + std::strlen(psz));
  vAsciiToEbcdic(ab.data(), ab.data(), ab.size());
  return ab;
}

void vParm(std::vector<uint8_t> &ab, uint8_t bMarker, const char *pszName, const char *pszDefault)
{
  std::vector<uint8_t> abName = abText(pszName), abDefault = abText(pszDefault);
  ab.push_back(bMarker);
  ab.push_back(static_cast<uint8_t>(abName.size()));
  ab.insert(ab.end(), abName.begin(), abName.end());
  if (bMarker == 0x4B) {
    ab.push_back(static_cast<uint8_t>(abDefault.size()));
    ab.insert(ab.end(), abDefault.begin(), abDefault.end());
  }
}

MACLEVEL g_level;

/* A macro level: &L, &P1, &P2, &K=DEF, with a sublist and a long value. */
void vLevel()
{
  std::vector<uint8_t> ab;
  vParm(ab, 0x4C, "L", "");
  vParm(ab, 0x50, "P1", "");
  vParm(ab, 0x50, "P2", "");
  vParm(ab, 0x4B, "K", "DEF");
  g_level = MACLEVEL{};
  vVarLevelOpen(&g_level, ab.data(), static_cast<uint32_t>(ab.size()), "lib.mac", "LIB");
  const char *apszList[] = {"NAME", "(A,(B,C),'X,Y',L'Z)", "", "255"};
  for (uint32_t k = 0; k < 4; k++) {
    std::vector<uint8_t> abValue = abText(apszList[k]);
    vVarSyslist(&g_level, k, abValue.data(), static_cast<uint32_t>(abValue.size()));
  }
  std::string strLong(255, 'Q');
  std::vector<uint8_t> abK = abText("K"), abLong = abText(strLong.c_str());
  iVarKeyword(&g_level, abK.data(), 1, abLong.data(), static_cast<uint32_t>(abLong.size()));
  vVarParmsFinish(&g_level);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t ulSize)
{
  vFuzzCoreInit();
  if (ulSize < 1 || ulSize > 4096) return 0;
  try {
    vSubpoolRelease(SP_RUN);
    vSymbolsReset(false);
    vVarPhaseStart();
    vLevel();
    std::vector<uint8_t> ab(pData + 1, pData + ulSize);
    vAsciiToEbcdic(ab.data(), ab.data(), ab.size());
    const uint8_t *p = ab.data();
    uint32_t n = static_cast<uint32_t>(ab.size());
    CONDDIAG d{};
    std::string str;
    bool bOk = false;
    int iMode = pData[0] % 7;
    /* the expressions a model keeps a parsed form of: read by the parser
       alone, then through a form built by the first of two readings */
    auto fEvaluate = [&](CONDFORM *pForm, std::string *pOut, CONDDIAG *pDiag) {
      int32_t l = 0;
      bool b = false, bDone = false;
      switch (iMode) {
      case 0:
        bDone = bCondArithmetic(&g_level, p, n, &l, pDiag, pForm);
        *pOut = std::to_string(l);
        break;
      case 1:
        bDone = bCondBoolean(&g_level, p, n, &b, pDiag, pForm);
        *pOut = b ? "1" : "0";
        break;
      case 2:
        bDone = bCondCharacter(&g_level, p, n, pOut, pDiag, pForm);
        break;
      default:
        bDone = bCondAif(&g_level, p, n, pOut, pDiag, pForm);
        break;
      }
      return bDone;
    };
    switch (iMode) {
    case 0:
    case 1:
    case 2:
    case 4: {
      bOk = fEvaluate(nullptr, &str, &d);
      if (iMode == 2 && bOk && str.size() > VALUE_MAX) std::abort();
      CONDFORM form;
      for (int iPass = 0; iPass < 2; iPass++) {
        CONDDIAG dForm{};
        std::string strForm;
        bool bForm = fEvaluate(&form, &strForm, &dForm);
        if (bForm != bOk || dForm.iNumber != d.iNumber || (bOk && strForm != str)) std::abort();
      }
      break;
    }
    case 3: {
      bool bChanged = false;
      bOk = bSubstitute(&g_level, p, n, static_cast<SUBSTFIELD>(pData[0] / 7 % 3), 1, 255, &str, &bChanged, &d);
      if (bOk && str.size() > 255) std::abort();
      break;
    }
    case 5:
      bOk = bCondAgo(&g_level, p, n, &str, &d);
      break;
    default: {
      VARREF ref;
      uint32_t ulUsed = 0;
      bOk = n > 0 && bCondVarRef(&g_level, p, n, true, &ulUsed, &ref, &d);
      if (bOk && (ulUsed > n || ref.ulName > VAR_NAME_MAX || ref.ulSubs > VARREF_SUBS_MAX)) std::abort();
      break;
    }
    }
    if (bOk != (d.iNumber == 0) && n > 0) std::abort();
    if (std::memchr(d.achText, 0, sizeof d.achText) == nullptr) std::abort();
    vVarLevelClose(&g_level);
    vVarPhaseEnd();
  } catch (const AsmTerminated &) {
    std::abort();
  }
  return 0;
}
