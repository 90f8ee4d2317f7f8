// USING resolution in the code generation phase: resolution rules, USING and
// DROP, dependent and labeled USINGs, PUSH/POP USING levels, the FLAG checks,
// the active-USINGs line and the USING map records.
//
// Most cases are scripts of statements separated by ';', each one statement
// numbered from 1, run against a fixed symbol table (SetUp):
//   [label] USING ops | DROP [ops] | PUSH | POP   the statement handlers
//   @[qual.]sec:hexoffset    pUsingResolve for operand 1: "none" or BDDD
//   ?qual:sec                bUsingQualifierValid: "yes" or "no"
//   LIMIT n / NOFLAG / NODUP USING LIMIT sub-record from here on / FLAG
//                            settings without the USING checks / without
//                            the override check
// The result lists "n:msg" for each diagnostic of statement n, and the
// answers of the queries, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "opt.h"
#include "optimage.h"
#include "testfront.h"
#include "usg2.h"
#include "vorn.h"
#include "work.h"

namespace {

std::vector<uint8_t> ebc(const std::string &str)
{
  std::vector<uint8_t> ab(str.begin(), str.end());
  vAsciiToEbcdic(ab.data(), ab.data(), ab.size());
  return ab;
}

std::string host(const uint8_t *p, size_t n)
{
  std::string str(n, ' ');
  vEbcdicToAscii(reinterpret_cast<uint8_t *>(str.data()), p, n);
  return str;
}

std::vector<std::string> split(const std::string &str, char c)
{
  std::vector<std::string> a(1);
  for (char ch : str)
    if (ch == c)
      a.emplace_back();
    else
      a.back().push_back(ch);
  return a;
}

/* Sections: 1 MAIN (SD), 2 unnamed control section, 3 unnamed DSECT,
   4 external reference EXTSYM, 5 unnamed common. */
const uint8_t c_abMain[] = {0xD4, 0xC1, 0xC9, 0xD5};
bool bTestSection(int32_t lSection, USINGSECTION *p)
{
  static const uint8_t abKind[] = {0, 0, 4, 255, 2, 5};
  if (lSection < 1 || lSection > 5) return false;
  *p = {abKind[lSection], lSection == 1 ? c_abMain : nullptr, lSection == 1 ? 4u : 0u, 0};
  return true;
}

struct SCRIPTCASE {
  const char *pszScript;
  const char *pszExpected;
};

class UsingTest : public ::testing::Test {
protected:
  uint32_t ulFlag = FLAG_DEFAULT;
  int32_t lLimit = -1;

  void SetUp() override
  {
    vFrontReset();
    vCharsReset();
    iCharsPair(':', 0x7A); /* the run's translation tables have it */
    ASSERT_EQ(iOptableLoadImage(g_abOptImage, g_ulOptImageSize, "x"), 0);
    vSymbolsReset(true);
    static const struct {
      const char *psz;
      int32_t lSection, lValue;
    } c_aSym[] = {{"A", 1, 0x100}, {"B", 1, 0x1100}, {"D", 2, 0x40},  {"E2", 2, 0xFFFFF0},   {"F", 5, 0x10},
                  {"G", 3, 5},     {"EXTSYM", 4, 0}, {"R12", -1, 12}, {"BIG", -1, 0x1000000}};
    for (const auto &k : c_aSym) pPlace(k.psz, k.lSection, k.lValue);
    for (const char *psz : {"LAB", "LAB2", "LONGLABELNUMBER1", "LONGLABELNUMBER2", "LONGLABELNUMBER3",
                            "LONGLABELNUMBER4", "LONGLABELNUMBER5"})
      pPlace(psz, -1, 0)->lLength = SYM_LENGTH_USING;
    g_opt.bUsingMap = true;
    g_opt.bUsingLimit = false;
    g_opt.ulUsingLimit = 4095;
    ulFlag = FLAG_DEFAULT;
    lLimit = -1;
    vUsingSectionHook(bTestSection);
    vPhaseSet('2', 'G');
    vUsingReset();
  }
  void TearDown() override
  {
    vUsingSectionHook(nullptr);
    vPhaseSet('0', 'N');
    vSubpoolRelease(SP_RUN);
    vOptableRelease();
  }

  static SYMBOL *pSym(const std::string &str) { return pSymbolFind(ebc(str).data(), str.size()); }
  static SYMBOL *pPlace(const std::string &str, int32_t lSection, int32_t lValue)
  {
    bool bCreated = false;
    SYMBOL *p = pSymbolDefine(ebc(str).data(), str.size(), 0, &bCreated);
    p->lSection = lSection;
    p->lValue = lValue;
    p->lLength = 1;
    p->bFlags = 0;
    return p;
  }

  /* The statement record in hand, as the code generation phase reads it. */
  void vStatement(uint32_t ulNo, const std::string &strLabel, const std::vector<std::string> &astrOps)
  {
    vRecordReset(STMT_HEAD);
    vPut32(pRecord() + STMT_NUMBER, ulNo);
    vPut32(pRecord() + STMT_SECTION, 1);
    vPut32(pRecord() + STMT_FLAGSET, ulFlag);
    g_asm.ulStmtNo = ulNo;
    g_asm.ulFlagInForce = ulFlag;
    auto sub = [](uint8_t bKind, std::vector<uint8_t> ab) {
      auto *q = static_cast<uint8_t *>(pRecordExtend(static_cast<uint32_t>(ab.size()) + 4));
      vPut32(q, bKind | static_cast<uint32_t>(ab.size() + 4) << 8);
      std::copy(ab.begin(), ab.end(), q + 4);
    };
    if (lLimit >= 0) sub(SUB_USING_LIMIT, {static_cast<uint8_t>(lLimit), static_cast<uint8_t>(lLimit >> 8), 0, 0});
    if (!strLabel.empty()) sub(SUB_LABEL, ebc(strLabel));
    for (const auto &str : astrOps) sub(SUB_OPERAND, ebc(str));
  }

  /* Diagnostics of the statement in hand: number and text. */
  static std::vector<std::pair<int, std::string>> aDiags()
  {
    vStmtFlushTail(); /* the record as the finished statement has it */
    std::vector<std::pair<int, std::string>> a;
    const uint8_t *p = pRecord();
    for (uint32_t ul = STMT_HEAD, n; ul < g_rec.ulLength; ul += n) {
      n = ulGet32(p + ul) >> 8;
      if (p[ul] != SUB_DIAG) continue;
      std::string str(p + ul + 8, p + ul + n);
      a.emplace_back(usGet16(p + ul + 4), p[ul + 6] == DIAG_NAME_TEXT ? host(p + ul + 8, n - 8) : str);
    }
    return a;
  }

  static std::string strQuery(const std::string &strCmd)
  {
    std::vector<std::string> a = split(strCmd.substr(1), ':');
    std::vector<std::string> aq = split(a[0], '.');
    const SYMBOL *q = aq.size() > 1 || strCmd[0] == '?' ? pSym(aq[0]) : nullptr;
    int32_t lSection = std::stoi(strCmd[0] == '?' ? a[1] : aq.back());
    if (strCmd[0] == '?') return bUsingQualifierValid(q, lSection) ? "yes" : "no";
    uint8_t ab[2] = {0xEE, 0xEE};
    const USINGENTRY *e = pUsingResolve(ab, q, lSection, static_cast<int32_t>(std::stol(a[1], nullptr, 16)), 1);
    char ach[24];
    std::snprintf(ach, sizeof ach, e != nullptr ? "%02X%02X" : ab[0] == 0xEE ? "none" : "written", ab[0], ab[1]);
    return ach;
  }

  std::string strRun(const std::string &strScript)
  {
    std::string strOut;
    auto add = [&](const std::string &str) { strOut += (strOut.empty() ? "" : " ") + str; };
    std::vector<std::string> astr = split(strScript, ';');
    for (uint32_t ulNo = 1; ulNo <= astr.size(); ulNo++) {
      std::vector<std::string> aw = split(astr[ulNo - 1], ' ');
      std::string strAnswer;
      if (aw[0].empty()) continue;
      if (aw[0] == "NOFLAG") ulFlag = FLAG_DEFAULT & ~(FLAG_USINGDUP | FLAG_USINGZERO | FLAG_USINGMULT);
      if (aw[0] == "NODUP") ulFlag = FLAG_DEFAULT & ~FLAG_USINGDUP;
      if (aw[0] == "LIMIT") lLimit = std::stoi(aw[1]);
      if (aw[0] == "NOFLAG" || aw[0] == "NODUP" || aw[0] == "LIMIT") continue;
      bool bOp = aw[0] == "USING" || aw[0] == "DROP" || aw[0] == "PUSH" || aw[0] == "POP";
      std::string strLabel = bOp || aw[0][0] == '@' || aw[0][0] == '?' ? "" : aw[0];
      if (!strLabel.empty()) aw.erase(aw.begin());
      vStatement(ulNo, strLabel, aw.size() > 1 ? split(aw[1], ',') : std::vector<std::string>{});
      uint32_t ulLabel = 0;
      const uint8_t *pLabel = nullptr, *pFirst = nullptr;
      int iOps = iStmtLocate(&ulLabel, &pLabel, &pFirst);
      if (aw[0][0] == '@' || aw[0][0] == '?') strAnswer = strQuery(aw[0]);
      if (aw[0] == "USING") vUsingStatement(ulLabel, pLabel, iOps, pFirst);
      if (aw[0] == "DROP") vDropStatement(iOps, pFirst);
      if (aw[0] == "PUSH" || aw[0] == "POP") vUsingPushPop(aw[0] == "PUSH");
      for (const auto &d : aDiags()) add(std::to_string(ulNo) + ":" + std::to_string(d.first));
      if (!strAnswer.empty()) add(strAnswer);
    }
    return strOut;
  }

  /* Each script against a fresh table. */
  template <size_t N> void vCases(const SCRIPTCASE (&a)[N])
  {
    for (const auto &k : a) {
      TearDown();
      SetUp();
      EXPECT_EQ(strRun(k.pszScript), k.pszExpected) << k.pszScript;
    }
  }

  static std::vector<std::string> astrActive(uint32_t ulWidth)
  {
    USINGLINES lines{};
    vUsingActiveLine(ulWidth, &lines);
    std::vector<std::string> astr;
    for (unsigned i = 0; i < lines.uCount; i++) astr.push_back(host(lines.aab[i], lines.aulLength[i]));
    return astr;
  }
};

} // namespace

TEST_F(UsingTest, UsingResolveChoosesRangeRegisterAndDisplacement)
{
  static const SCRIPTCASE c_a[] = {
      {"USING A,12;@1:10A;@1:FF;@1:1100", "C00A none none"}, /* below the base, past the range */
      {"USING A,12,11;@1:1100;@1:20FF;@1:2100", "B000 BFFF none"},
      {"USING A,12;USING A,11;@1:10A", "2:530 C00A"}, /* tie: the higher register */
      {"USING A,11;USING A,12;@1:10A", "2:531 C00A"},
      {"USING A,12;USING A+8,11;@1:110", "2:533 B008"}, /* the smaller displacement */
      {"USING A,12;@2:40", "none"},                     /* other section */
      {"USING 0,0;@-1:7F0;@-1:1000;@-1:-4", "07F0 none none"},
      {"USING A,0;@-1:10;@1:FFF", "1:532 0010 0FFF"}, /* register 0 in a section */
      {"USING 4096,5;@-1:1010;@-1:FFF", "5010 none"},
      {"USING 0,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15;@-1:F123;@-1:1000000", "F123 none"},
      {"USING 16773120,12;@-1:FFFFFF", "CFFF"},
      {"USING EXTSYM,12;@4:0", "1:111 none"}, /* external section */
      {"LAB USING A,12;@1:104;@LAB.1:104;@LAB2.1:104", "none C004 none"},
      {"LAB USING A,12;USING A,11;@1:104;@LAB.1:104", "B004 C004"},
      {"LIMIT 4000;USING A,12;@1:10A0;@1:10A1", "CFA0 4:534 CFA1"},
      {"LIMIT 4000;USING A,12,11;@1:10A1;@1:20A1", "CFA1 4:534 BFA1"},  /* last range only */
      {"USING A,12;@1:10FF", "CFFF"},                                   /* the option's 4095 */
      {"LIMIT 16;USING A,12;LIMIT 4095;USING D,A;@2:51", "5:534 C011"}, /* dependent: copied */
  };
  vCases(c_a);
}

TEST_F(UsingTest, UsingStatementsAreCheckedAndMade)
{
  static const SCRIPTCASE c_a[] = {
      {"USING A,16", "1:111"},
      {"USING A,12,11,12,11;@1:104", "1:111 1:111 none"}, /* repeats; nothing made */
      {"USING A,12,B", "1:223"},
      {"USING BIG,12", "1:111"},
      {"USING 16773120,12,11", "1:353"},
      {"USING A,", "1:111"},
      {"USING A,B;USING D,A", "1:317 2:317"}, /* dependent without base */
      {"USING 0,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,0", "1:111"},
      {"USING A,12;USING D,12;@1:104;@2:44", "none C004"}, /* the register moves */
      {"USING A,12;LAB USING D,12;@1:104", "C004"},        /* not for a labeled one */
      {"LAB USING A,12;LAB USING D,11;@LAB.1:104;@LAB.2:44", "none B004"},
      {"LAB USING A,12;LAB USING 99999999,11;@LAB.1:104", "2:111 none"},
      {"USING A,12;USING D,A+8;@2:40;@2:50;@2:37", "C008 C018 none"},
      {"USING A,12,11;USING D,A;@2:1040", "B000"},
      {"USING A,12,11;USING E2,A", "2:353"},
      {"USING A,12;USING E2,A;@2:FFFFFF", "C00F"},
      {"LAB USING A,12;USING D,A", "2:317"},
      {"LAB USING A,12;LAB2 USING D,LAB.A+4;@LAB2.2:40;@2:40", "C004 none"},
      {"USING A,12;USING D,A;USING F,D;@5:14", "C004"},
      {"LAB USING A,12;?LAB:1;?LAB:2;?LAB:-1;DROP LAB;?LAB:1", "yes no no no"},
      {"LAB USING A,0;?LAB:-1;LAB USING 0,0;?LAB:-1;USING A,12;?LAB:1", "1:532 yes yes no"},
      {"LAB USING A,12;PUSH;DROP LAB;?LAB:1;POP;?LAB:1", "no yes"},
  };
  vCases(c_a);
}

TEST_F(UsingTest, UsingFlagChecks)
{
  static const SCRIPTCASE c_a[] = {
      {"USING A,0;USING A,12;USING A,11", "1:532 2:533 3:530 3:533"},
      {"NOFLAG;USING A,0;USING A,12;USING A,11;USING A+8,10", ""},
      {"NODUP;USING A,12;USING A,11", "3:533"},   /* the overlap check stays on */
      {"USING A,12;USING B,11", ""},              /* adjacent */
      {"USING A,12,11,10;DROP 11;USING B,9", ""}, /* only a dropped range */
      {"USING A,12,11,10;DROP 11;USING B+8,9", "3:533"},
      {"USING A,12;USING D,11;USING A,12", ""},          /* other section; moved */
      {"LAB USING A,12;USING A,11;LAB2 USING A,10", ""}, /* labeled ones */
      {"USING A,12;PUSH;USING A+8,11;POP;USING A+8,11", "3:533 5:533"},
  };
  vCases(c_a);
}

TEST_F(UsingTest, DropRemovesRangesAndCarriesToDependents)
{
  static const SCRIPTCASE c_a[] = {
      {"USING A,12,11;DROP 12;@1:104;@1:1104", "none B004"}, /* the base moves up */
      {"USING A,12,11;DROP 11;@1:1104;@1:104", "none C004"},
      {"USING A,12,11,10;DROP 11;@1:1104;@1:2104", "none A004"},
      {"USING A,12,11,10;DROP 12,11;@1:2104;@1:1104", "A004 none"},
      {"DROP 12;DROP 16;DROP A;DROP LAB", "1:352 2:111 3:223 4:351"},
      {"USING A,R12;DROP R12;@1:104", "none"},
      {"LAB USING A,12;DROP 12;@LAB.1:104;DROP LAB;@LAB.1:104", "2:352 C004 none"},
      {"USING A,12;LAB USING A,11;DROP;@1:104;@LAB.1:104;DROP;DROP 12", "none none 7:352"},
      {"USING 0,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15;DROP 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15;"
       "DROP 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15;@-1:0",
       "3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 3:352 none"},
      {"USING A,12;USING D,A;USING F,D;@5:14;DROP 12;@5:14;@2:44", "C004 none none"},
      {"USING A,12,11;USING D,A;DROP 11;@2:1044;@2:44", "none C004"},
      {"USING A,12,11;USING D,A;DROP 12;@2:44;@2:1044", "none B004"},
      {"LAB USING A,12;LAB2 USING D,LAB.A;DROP LAB;@LAB2.2:44", "none"},
      {"USING A,12;USING D,A;USING A,12;@2:44", "none"},
  };
  vCases(c_a);
}

TEST_F(UsingTest, PushPopRestoresTheOuterLevel)
{
  static const SCRIPTCASE c_a[] = {
      {"POP;PUSH;POP;POP", "1:350 4:350"},
      {"USING A,12;PUSH;@1:104;DROP 12;@1:104;POP;@1:104", "C004 none C004"},
      {"USING A,12,11;PUSH;DROP 12;@1:104;@1:1104;POP;@1:104;@1:1104", "none B004 C004 B004"},
      {"PUSH;USING A,12;POP;@1:104", "none"},
      {"USING A,12;PUSH;USING D,12;@1:104;POP;@1:104;@2:44", "none C004 none"},
      {"USING A,12;PUSH;PUSH;DROP 12;POP;@1:104;POP;@1:104", "C004 C004"},
      {"USING A,12;PUSH;DROP 12;PUSH;@1:104;POP;@1:104;POP;@1:104", "none none C004"},
      {"USING A,12,11;USING D,A;PUSH;DROP 11;@2:1044;POP;@2:1044", "none B004"},
      {"USING A,12;USING D,A;PUSH;DROP;@2:44;POP;@2:44", "none C004"},
      {"LAB USING A,12;PUSH;LAB USING D,11;@LAB.1:104;POP;@LAB.1:104;@LAB.2:44", "none C004 none"},
      {"USING A,12,11;PUSH;DROP 12;PUSH;DROP 11;@1:1104;POP;@1:1104;POP;@1:104", "none B004 C004"},
  };
  vCases(c_a);
}

TEST_F(UsingTest, UsingMessagesHaveTheirExactTexts)
{
  static const struct {
    const char *pszScript;
    int iNumber;
    const char *pszText;
  } c_a[] = {
      {"USING A,B", 317, "Addressability error in operand 2."},
      {"POP", 350, "USING stack is empty."},
      {"DROP LAB", 351, "LAB is not an active USING label."},
      {"DROP 7", 352, "Register 7 is not active in an unlabeled USING."},
      {"USING 16773120,12,11", 353, "Invalid USING domain."},
      {"USING A,11;USING A,10", 530, "USING overridden by prior USING at statement 1."},
      {"USING A,10;USING A,11", 531, "Prior USING at statement 1 overridden by this USING."},
      {"USING A,0", 532, "USING base address set to zero."},
      {"USING A,12;USING A+4,11", 533, "USING range overlaps prior USING at statement 1."},
      {"LIMIT 1;USING A,12;@1:102", 534, "Displacement exceeds the USING LIMIT in operand 1."},
      {"USING A,12,3,12", 111, "Operand 4 is invalid."},
  };
  for (const auto &k : c_a) {
    TearDown();
    SetUp();
    strRun(k.pszScript);
    EXPECT_EQ(aDiags(), (std::vector<std::pair<int, std::string>>{{k.iNumber, k.pszText}})) << k.pszScript;
  }
}

TEST_F(UsingTest, StackDepthOperandCountsAndLongChainsStayBounded)
{
  std::string strPush, strPop;
  for (int32_t i = 0; i < USING_LEVEL_MAX; i++) strPush += ";PUSH", strPop += ";POP";
  const std::string strMax = std::to_string(USING_LEVEL_MAX + 2);
  EXPECT_EQ(strRun("USING A,12" + strPush + ";PUSH"), strMax + ":354");
  EXPECT_EQ(aDiags()[0].second, "USING stack is full.");
  EXPECT_EQ(strRun(strPop.substr(1) + ";@1:104;POP"), "C004 " + std::to_string(USING_LEVEL_MAX + 2) + ":350");
  std::string strOps = "USING D";
  for (int i = 0; i < 251; i++) strOps.append(",").append(std::to_string(i % 20));
  EXPECT_EQ(split(strRun(strOps + ";@2:44"), ' ').back(), "none");
  /* L1 USING D,A; L2 USING F,L1.D; L3 USING G,L2.F; L4 USING A,L3.G; ...
     dropped in one pass, without recursion. */
  static const char *const c_apszSym[] = {"A", "D", "F", "G"}, *const c_apszSec[] = {"1:100", "2:40", "5:10", "3:5"};
  std::string strScript = "USING A,12";
  auto strL = [](int i) { return std::string("L").append(std::to_string(i)); };
  for (int i = 1; i <= 400; i++) {
    pPlace(strL(i), -1, 0)->lLength = SYM_LENGTH_USING;
    strScript.append(";").append(strL(i)).append(" USING ").append(c_apszSym[i % 4]).append(",");
    strScript.append(i == 1 ? std::string("A") : strL(i - 1) + "." + c_apszSym[(i - 1) % 4]);
  }
  EXPECT_EQ(strRun(strScript + ";@L400." + c_apszSec[0]), "C000");
  EXPECT_EQ(strRun("PUSH;DROP 12;@L400.1:100;POP;@L400.1:100;DROP 12;@L400.1:100"), "none C000 none");
}

TEST_F(UsingTest, UsingAndDropGiveXrefAndListingTheirFields)
{
  strRun("LAB USING A,12;DROP LAB;DROP R12");
  auto refs = [](const char *psz) {
    return std::vector<uint32_t>(pSymbolRefList(pSym(psz)), pSymbolRefList(pSym(psz)) + ulSymbolRefCount(pSym(psz)));
  };
  auto has = [](const std::vector<uint32_t> &a, uint32_t ul) { return std::find(a.begin(), a.end(), ul) != a.end(); };
  EXPECT_TRUE(has(refs("LAB"), ulRefWord(1, 0xE4))); /* 'U' */
  EXPECT_TRUE(has(refs("LAB"), ulRefWord(2, 0xC4))); /* 'D' */
  EXPECT_TRUE(has(refs("R12"), ulRefWord(3, 0xC4)));
  strRun("USING A,12,11,3");
  EXPECT_STREQ(pUsingListInfo()->achObject, "R:CB3");
  EXPECT_FALSE(pUsingListInfo()->bAddress);
  EXPECT_EQ(ulGet32(pRecord() + STMT_LOCATION), 0x100u);
  strRun("USING D,A+8");
  EXPECT_STREQ(pUsingListInfo()->achObject, "");
  EXPECT_TRUE(pUsingListInfo()->bAddress);
  EXPECT_EQ(pUsingListInfo()->abAddress[0] << 8 | pUsingListInfo()->abAddress[1], 0xC008);
  EXPECT_EQ(ulGet32(pRecord() + STMT_SECTION), 2u);
  vPhaseSet('1', 'C');
  EXPECT_TRUE(bUsingQualifierValid(pSym("LAB"), 2)); /* no table outside the phase */
}

TEST_F(UsingTest, ActiveUsingsLineShowsEachActiveEntry)
{
  static const SCRIPTCASE c_a[] = {
      {"", "None"},
      {"USING A,12", "MAIN+X'100',12"},
      {"USING D,12", "(PC)+X'40',12"},
      {"USING F,12", "(COM)+X'10',12"},
      {"USING A,12;USING G,A+8", "(DSECT)-3,12  MAIN+X'100',12"},
      {"LAB USING A,12,11,10;DROP 11;USING G,1", "(DSECT)+5,1  LAB.MAIN+X'100',12,11,10"},
      {"USING A,12,11,10;DROP 11", "MAIN+X'100',12,,10"},
      {"USING 4096,5;USING 7,1", "7,1  X'1000',5"},
      {"USING A,12;PUSH;DROP 12", "None"},
  };
  for (const auto &k : c_a) {
    TearDown();
    SetUp();
    strRun(k.pszScript);
    EXPECT_EQ(astrActive(121), std::vector<std::string>{std::string("  Active USINGs: ") + k.pszExpected})
        << k.pszScript;
  }
}

TEST_F(UsingTest, ActiveUsingsLineWrapsOverFourLinesAtMost)
{
  strRun("LONGLABELNUMBER1 USING A,12;LONGLABELNUMBER2 USING A,12;LONGLABELNUMBER3 USING A,12;"
         "LONGLABELNUMBER4 USING A,12;LONGLABELNUMBER5 USING A,12");
  const std::string s(16, ' ');
  EXPECT_EQ(astrActive(60),
            (std::vector<std::string>{"  Active USINGs: LONGLABELNUMBER5.MAIN+X'100',12",
                                      s + " LONGLABELNUMBER4.MAIN+X'100',12", s + " LONGLABELNUMBER3.MAIN+X'100',12",
                                      s + " LONGLABELNUMBER2.MAIN+X'100',12  MORE ..."}));
  EXPECT_EQ(astrActive(100).back(), s + " LONGLABELNUMBER1.MAIN+X'100',12"); /* two a line */
  std::vector<std::string> a = astrActive(40);                               /* entries wider than a line */
  EXPECT_EQ(a, (std::vector<std::string>{"  Active USINGs: LONGLABELNUMBER5.MAI...", s + " LONGLABELNUMBER4.MAI...",
                                         s + " LONGLABELNUMBER3.MAI...", s + " LONGLABELNUMB  MORE ..."}));
  EXPECT_EQ(astrActive(100000).size(), 1u);
}

TEST_F(UsingTest, ChangedFlagFollowsTheActiveSet)
{
  static const struct {
    const char *pszBefore, *pszScript;
    bool bChanged;
  } c_a[] = {
      {"", "USING A,12", true},        {"USING A,12", "DROP 11", false},           {"", "DROP LAB", false},
      {"USING A,12", "PUSH", false},   {"USING A,12;PUSH", "POP", true},           {"", "POP", false},
      {"USING A,12", "DROP", true},    {"USING A,12", "USING 99999999,11", false}, {"USING A,12,11", "DROP 11", true},
      {"USING A,12", "@1:104", false},
  };
  EXPECT_TRUE(bUsingChanged()); /* the first statement shows the line */
  for (const auto &k : c_a) {
    TearDown();
    SetUp();
    strRun(k.pszBefore);
    astrActive(121);
    strRun(k.pszScript);
    EXPECT_EQ(bUsingChanged(), k.bChanged) << k.pszBefore << " / " << k.pszScript;
  }
}

TEST_F(UsingTest, UsingMapRecordsActionsUseAndEnds)
{
  strRun("USING A,12,11;@1:104;@1:1F00;DROP 12;@1:1108;PUSH;LAB USING D,B;POP;DROP 11,LAB;DROP");
  static const struct {
    uint32_t ulStmt;
    int32_t lLevel;
    uint8_t bAction, bType;
    const char *pszText;
    uint32_t ulRegs;
  } c_a[] = {
      {1, 0, UM_USING, UT_ORDINARY, "A,12,11", 2},
      {4, 0, UM_DROP, UT_REGISTER, "12", 0},
      {6, 0, UM_PUSH, UT_NONE, "", 0},
      {7, 1, UM_USING, UT_LABDEP, "LAB.D,B", 1},
      {8, 1, UM_POP, UT_NONE, "", 0},
      {9, 0, UM_DROP, UT_REGISTER, "11", 0},
      {9, 0, UM_DROP, UT_NONE, "LAB", 0},
      {10, 0, UM_DROP, UT_ALL, "", 0},
  };
  const USINGMAP *m = pUsingMapFirst();
  for (const auto &k : c_a) {
    ASSERT_NE(m, nullptr) << k.ulStmt;
    EXPECT_EQ(std::make_tuple(m->ulStmt, m->lLevel, m->bAction, m->bType, std::string(m->achText), m->ulRegs),
              std::make_tuple(k.ulStmt, k.lLevel, k.bAction, k.bType, std::string(k.pszText), k.ulRegs));
    m = m->pNext;
  }
  EXPECT_EQ(m, nullptr);
  const USINGMAP *u = pUsingMapFirst();
  EXPECT_EQ(std::make_tuple(u->lSection, u->lBase, u->lLimit), std::make_tuple(1, 0x100, 4095));
  auto reg = [](const USINGMAPREG &r) { return std::make_tuple(r.bReg, r.lBase, r.lMaxDisp, r.ulLast, r.ulEnd); };
  EXPECT_EQ(reg(u->aReg[0]), std::make_tuple(uint8_t{12}, 0x100, 0x4, 2u, 4u));
  EXPECT_EQ(reg(u->aReg[1]), std::make_tuple(uint8_t{11}, 0x1100, 0xE00, 7u, 9u)); /* last: the dependent */

  TearDown();
  SetUp();
  strRun("USING A,12,11,10;PUSH;USING D,9;DROP 11;POP");
  u = pUsingMapFirst();
  EXPECT_EQ(std::make_tuple(u->aReg[0].ulEnd, u->aReg[1].ulEnd, u->aReg[2].ulEnd), std::make_tuple(0u, 4u, 0u));
  EXPECT_EQ(u->pNext->pNext->aReg[0].ulEnd, 5u); /* made inside the level: POP ends it */

  g_opt.bUsingMap = false;
  vUsingReset();
  EXPECT_EQ(strRun("USING A,12;@1:104;DROP 12;PUSH;POP;DROP"), "C004");
  EXPECT_EQ(pUsingMapFirst(), nullptr);
}
