/* A fixture for the tests of the variable symbols and the expressions:
   statements run through statement processing with the variables kept for
   the checks afterwards. */
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cnd1.h"
#include "coretest.h"
#include "def1.h"
#include "esd1.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "src1.h"
#include "var1.h"
#include "vorn.h"

class VarTest : public CoreTest {
protected:
  SRCSTMT stmt{};
  /* The statements of the source through statement processing; the
     variables stay for the checks. */
  void vRun(const std::vector<std::string> &astrLines)
  {
    strWrite("vars.asm", strProgram(astrLines));
    ASSERT_TRUE(bOpen({"vars.asm"}));
    vStmtPhaseStart();
    vSeverityReset();
    vPhaseSet('1', 'C');
    vSymbolsReset(false);
    vEsdReset();
    vDcInit();
    vVarPhaseStart();
    while (iStatementRead(&stmt) == 0)
      if (bStmtProcess(&stmt)) break;
  }
  void TearDown() override
  {
    vVarPhaseEnd();
    vGrowbufFree(&stmt.cards, "test", __LINE__);
    CoreTest::TearDown();
  }
  /* The diagnostics of a whole conditional assembly phase, "n:number". */
  std::vector<std::string> astrDiags(const std::vector<std::string> &astrLines)
  {
    std::vector<std::string> astr;
    for (const std::string &str : astrPhase1(strProgram(astrLines))) {
      size_t k = str.find(" diag=");
      if (k != std::string::npos) astr.push_back(str.substr(0, str.find(' ')) + ":" + str.substr(k + 6, 3));
    }
    return astr;
  }
  /* A character expression in the current level: its value, or "#n". */
  std::string strValue(MACLEVEL *pLevel, const std::string &strExpr, CONDFORM *pForm = nullptr)
  {
    std::vector<uint8_t> ab = abEbcdic(strExpr);
    std::string strOut;
    CONDDIAG d{};
    if (!bCondCharacter(pLevel, ab.data(), static_cast<uint32_t>(strExpr.size()), &strOut, &d, pForm))
      return "#" + std::to_string(d.iNumber);
    return strAscii(reinterpret_cast<const uint8_t *>(strOut.data()), strOut.size());
  }
  std::string strValue(const std::string &strExpr, CONDFORM *pForm = nullptr)
  {
    return strValue(pVarLevel(), strExpr, pForm);
  }
};
