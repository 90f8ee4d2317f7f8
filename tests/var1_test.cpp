/* Variable symbols: declarations, SET statements, scopes, system variables
   and the binding of a macro call's parameters. */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asm0.h"
#include "vartest.h"

namespace {

TEST_F(VarTest, SetStatementsAssignWithSubscriptsAndSeveralOperands)
{
  vRun({"&A(3) SETA 1,,3", "&A(4) SETA 9", "&A(3) SETA 7,,8", "&B SETB (1 EQ 1)", "&C SETC 'AB'.'CD'",
        "&W SETC '" + std::string(50, 'X') + "'", "&K SETC 'KEEP'", "&K SETC (6)'&W'", "&L SETC '&W&W&W&W&W&W'",
        "- LCLA &K", "- END"});
  /* elements 3 and 5 set, 4 kept; the second statement's 9 survives */
  EXPECT_EQ(strValue("'&A(3),&A(4),&A(5),&A(1)'"), "7,9,8,0");
  EXPECT_EQ(strValue("'&B&C'"), "1ABCD");
  /* 252 leaves the target as it was */
  EXPECT_EQ(strValue("'&K'"), "KEEP");
  EXPECT_EQ(strValue("'&L'"), ""); /* declared by the SETC, not assigned */
  /* each failing SET halves the ACTR counter; a failing declaration does not */
  EXPECT_EQ(pVarOpenCode()->lActr, ACTR_START / 4);
}

TEST_F(VarTest, DeclarationAndSetDiagnostics)
{
  EXPECT_EQ(astrDiags({"&X SETA 1",
                       "- LCLC &X", /* implicit A, then C: 110 */
                       "- GBLA &G",
                       "- GBLC &G", /* 110 */
                       "- LCLA &D(1)",
                       "&D(5) SETA 2",
                       "- LCLA &U",
                       "&U(5) SETA 2",      /* 240 */
                       "&D(262129) SETA 1", /* 251 */
                       "&D(0) SETA 1",      /* 251 */
                       "&U SETA 1,2",       /* 112 */
                       "- LCLA &P,,&Q",     /* 111 */
                       "- LCLA &R(1,2)",    /* 111 */
                       "X SETA 1",          /* 119 */
                       "&Y SETC 'A'",
                       "&Y SETA 1",       /* 240 */
                       "&S SETA &NOPE",   /* 261 */
                       "&S SETA &D",      /* 251 */
                       "&T SETA &SYSNDX", /* 261 in open code */
                       "- LCLC &SYSLIST", /* 110 in open code */
                       "&W SETC '" + std::string(50, 'W') + "'",
                       "&V SETC '&W&W&W'.'&W&W&W'", /* 252 */
                       "- END"}),
            (std::vector<std::string>{"2:110", "4:110", "8:240", "9:251", "10:251", "11:112", "12:111", "13:111",
                                      "14:119", "16:240", "17:261", "18:251", "19:261", "20:110", "22:252"}));
}

TEST_F(VarTest, ArraysGrowAndCountTheHighestSubscript)
{
  vRun({"- LCLA &ARR(1)", "&ARR(5) SETA 4", "- LCLC &S(2)", "&S(1000) SETC 'Z'", "&N SETA N'&ARR", "- END"});
  EXPECT_EQ(strValue("'&N,&ARR(1),&ARR(5)'"), "5,0,4");
  EXPECT_EQ(strValue("'&S(999)&S(1000)'"), "Z");
  int32_t l = 0;
  CONDDIAG d{};
  std::vector<uint8_t> ab = abEbcdic("N'&S");
  ASSERT_TRUE(bCondArithmetic(pVarLevel(), ab.data(), 4, &l, &d));
  EXPECT_EQ(l, 1000);
}

TEST_F(VarTest, GlobalsAreSharedBetweenLevelsAndLocalsAreNot)
{
  vRun({"- GBLA &G", "&G SETA 5", "&L SETA 6", "- END"});
  MACLEVEL level{};
  vVarLevelOpen(&level, nullptr, 0, "lib.mac", "LIB");
  vVarParmsFinish(&level);
  /* not declared in the macro: not visible */
  EXPECT_EQ(strValue(&level, "'&G'"), "#261");
  EXPECT_EQ(strValue(&level, "'&L'"), "#261");
  vVarLevelSet(&level);
  std::vector<std::string> astr = {"- GBLA &G", "&G SETA &G+1", "- LCLB &F(3)", "&F(2) SETB 1", "- END"};
  strWrite("macro.asm", strProgram(astr));
  ASSERT_TRUE(bOpen({"macro.asm"}));
  while (iStatementRead(&stmt) == 0)
    if (bStmtProcess(&stmt)) break;
  EXPECT_EQ(strValue(&level, "'&G'"), "6");
  static std::vector<std::string> s_astrDump;
  vVarDump(&level, VDUMP_GLOBAL | VDUMP_OWN, [](const char *psz) { s_astrDump.push_back(psz); });
  EXPECT_EQ(s_astrDump, (std::vector<std::string>{"GBLA G=6", "LCLB F(3)", "     2=1"}));
  vVarLevelSet(pVarOpenCode());
  EXPECT_EQ(strValue("'&G'"), "6");
  vVarLevelClose(&level);
  EXPECT_EQ(strValue("'&G&L'"), "66");
}

TEST_F(VarTest, SystemVariablesOfOpenCodeAndOfACall)
{
  g_opt.pszSysparm = const_cast<char *>("PARM1");
  g_opt.pszSysprint = const_cast<char *>("/tmp/dir/listing.lst");
  vRun({"- END"});
  g_opt.pszSysprint = nullptr;
  g_opt.pszSysparm = nullptr;
  EXPECT_EQ(strValue("'&SYSPARM'"), "PARM1");
  EXPECT_EQ(strValue("'&SYSPRINT_DSN'"), "/tmp/dir/listing.lst");
  EXPECT_EQ(strValue("'&SYSPRINT_MEMBER'"), "LISTING");
  EXPECT_EQ(strValue("T'&SYSPARM.T'&SYSPRINT_VOL.T'&SYSDATC"), "UON");
  EXPECT_EQ(strValue("'&SYSECT'"), "#261"); /* macro levels only */
  /* &SYSSTMT is the next statement's number, the same twice in a row */
  std::string strStmt = strValue("'&SYSSTMT'");
  EXPECT_EQ(strStmt.size(), 8u);
  EXPECT_EQ(strValue("'&SYSSTMT'"), strStmt);

  vVarOpenCodeCall("/src/prog.asm", abEbcdic("SEQ00010").data(), 8);
  MACLEVEL outer{}, inner{};
  vVarLevelOpen(&outer, nullptr, 0, "/lib/outer.mac", "OUTER");
  vVarParmsFinish(&outer);
  inner.lNest = outer.lNest;
  vVarLevelOpen(&inner, nullptr, 0, "/lib/inner.mac", "INNER");
  vVarParmsFinish(&inner);
  EXPECT_EQ(strValue(&outer, "'&SYSNEST/&SYSNDX/&SYSIN_MEMBER/&SYSSEQF/&SYSLIB_MEMBER'"), "1/0001/PROG/SEQ00010/OUTER");
  EXPECT_EQ(strValue(&inner, "'&SYSNEST/&SYSNDX/&SYSLIB_DSN'"), "2/0002//lib/inner.mac");
  /* no section yet: both empty */
  EXPECT_EQ(strValue(&inner, "'&SYSECT/&SYSSTYP/'.T'&SYSECT"), "//O");
  EXPECT_EQ(ulVarSysndxCounter(), 2u);
  vVarLevelClose(&inner);
  vVarLevelClose(&outer);
  /* later calls: each from its own source and library member */
  const char *apszCall[][3] = {{"/src/other.asm", "/lib/inner.mac", "INNER"},
                               {"/src/prog.asm", "/lib/outer.mac", "OUTER"}};
  const char *apszWant[] = {"OTHER/INNER/0003", "PROG/OUTER/0004"};
  for (int k = 0; k < 2; k++) {
    vVarOpenCodeCall(apszCall[k][0], abEbcdic("SEQ00020").data(), 8);
    outer = MACLEVEL{};
    vVarLevelOpen(&outer, nullptr, 0, apszCall[k][1], apszCall[k][2]);
    vVarParmsFinish(&outer);
    EXPECT_EQ(strValue(&outer, "'&SYSIN_MEMBER/&SYSLIB_MEMBER/&SYSNDX'"), apszWant[k]);
    vVarLevelClose(&outer);
  }
}

TEST_F(VarTest, ParametersBindPositionalKeywordAndSyslist)
{
  vRun({"- END"});
  /* &LBL, &P1, &P2, &K1= (empty default), &K2=DEF */
  std::vector<uint8_t> abParms = {0x4C, 3};
  for (uint8_t b : abEbcdic("LBL")) abParms.push_back(b);
  abParms.pop_back();
  auto vAdd = [&](uint8_t bMarker, const std::string &strName, const std::string &strDefault) {
    abParms.push_back(bMarker);
    abParms.push_back(static_cast<uint8_t>(strName.size()));
    for (size_t k = 0; k < strName.size(); k++) abParms.push_back(abEbcdic(strName)[k]);
    if (bMarker == 0x4B) {
      abParms.push_back(static_cast<uint8_t>(strDefault.size()));
      for (size_t k = 0; k < strDefault.size(); k++) abParms.push_back(abEbcdic(strDefault)[k]);
    }
  };
  vAdd(0x50, "P1", "");
  vAdd(0x50, "P2", "");
  vAdd(0x6B, "K1", "");
  vAdd(0x4B, "K2", "DEF");
  MACLEVEL level{};
  vVarLevelOpen(&level, abParms.data(), static_cast<uint32_t>(abParms.size()), "m.mac", "M");
  auto vList = [&](uint32_t n, const std::string &str) {
    std::vector<uint8_t> ab = abEbcdic(str);
    vVarSyslist(&level, n, ab.data(), static_cast<uint32_t>(str.size()));
  };
  vList(0, "HERE");
  vList(1, "(A,(B,C),'X,Y')");
  vList(2, "");
  vList(3, "EXTRA");
  std::vector<uint8_t> abK = abEbcdic("K1"), abV = abEbcdic("VAL");
  EXPECT_EQ(iVarKeyword(&level, abK.data(), 2, abV.data(), 3), 0);
  EXPECT_EQ(iVarKeyword(&level, abK.data(), 2, abV.data(), 3), 123);
  EXPECT_EQ(iVarKeyword(&level, abEbcdic("P1").data(), 2, abV.data(), 3), 122);
  vVarParmsFinish(&level);
  EXPECT_EQ(level.lNest, 1);
  EXPECT_EQ(strValue(&level, "'&LBL/&P2/&K1/&K2/&SYSLIST(3)'"), "HERE//VAL/DEF/EXTRA");
  EXPECT_EQ(strValue(&level, "'&P1(2,2)/&P1(3)/&SYSLIST(1,2,1)/&P1(4)'"), "C/'X,Y'/B/");
  EXPECT_EQ(strValue(&level, "T'&P1.T'&P2.T'&K2.T'&SYSLIST(2)"), "UOUO");
  int32_t l = 0;
  CONDDIAG d{};
  std::vector<uint8_t> ab = abEbcdic("N'&SYSLIST+N'&P1*10+N'&P2*100");
  ASSERT_TRUE(bCondArithmetic(&level, ab.data(), static_cast<uint32_t>(ab.size() - 1), &l, &d)) << d.achText;
  EXPECT_EQ(l, 3 + 30);
  const uint8_t *pValue = nullptr;
  uint32_t ulValue = 0;
  EXPECT_EQ(iVarCharacter(&level, abEbcdic("K2").data(), 2, &pValue, &ulValue), 0);
  EXPECT_EQ(strAscii(pValue, ulValue), "DEF");
  EXPECT_EQ(iVarCharacter(&level, abEbcdic("SYSNEST").data(), 7, &pValue, &ulValue), 111);
  EXPECT_EQ(iVarCharacter(&level, abEbcdic("NONE").data(), 4, &pValue, &ulValue), 261);

  std::vector<std::string> astrDump;
  static std::vector<std::string> *s_pDump;
  s_pDump = &astrDump;
  vVarDump(&level, VDUMP_OWN, [](const char *psz) { s_pDump->push_back(psz); });
  EXPECT_EQ(astrDump, (std::vector<std::string>{"SYMC LBL='HERE'", "SYMC P1='(A,(B,C),'X,Y')'", "SYMC P2=''",
                                                "SYMC K1='VAL'", "SYMC K2='DEF'"}));
  astrDump.clear();
  vVarDump(&level, VDUMP_SYSTEM, [](const char *psz) { s_pDump->push_back(psz); });
  EXPECT_EQ(astrDump.back(), "     3='EXTRA'");
  EXPECT_EQ(astrDump[astrDump.size() - 4], "SYSC SYSLIST(3)");
  vVarLevelClose(&level);
}

} // namespace
