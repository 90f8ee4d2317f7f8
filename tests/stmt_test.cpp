// Statement processing of the conditional assembly phase: operand splitting,
// field checks, the diagnostic service, which records are written, COPY and
// the statement limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asm0.h"
#include "coretest.h"
#include "gen1.h"
#include "runvorn.h"
#include "lbl.h"
#include "testfront.h"
#include "vorn.h"
#include "work.h"

namespace {

class StmtTest : public CoreTest {
protected:
  /* The record a one-statement program (and END) leaves first on SYSUT1. */
  void vExpectFirstRecord(const std::string &strLine, const std::string &strDump)
  {
    auto astr = astrPhase1(strLine + "\n         END\n");
    ASSERT_GE(astr.size(), 1u) << strLine;
    EXPECT_EQ(astr[0], "1 " + strDump + " src") << strLine;
    vWorkDeleteAll();
    vSourceCloseAll();
  }
};

std::string strOperand(size_t n, char c) { return std::string(n, c); }

TEST_F(StmtTest, OperandsAreSplitAtCommasOutsideQuotesAndParentheses)
{
  std::string strDc300 = "F'1'";
  for (int i = 1; i < 300; i++) strDc300 += ",H'2'";
  strDc300 = strContinued("DC", strDc300);
  std::string strLong = strContinued("DC", "CL1'" + strOperand(1019, 'X') + "'");
  std::string strTooLong = strContinued("DC", "CL1'" + strOperand(1020, 'X') + "'");
  auto cont = [](const std::string &str) { return str + std::string(71 - str.size(), ' ') + "X\n"; };
  struct {
    std::string strLine;
    std::string strDump; /* expected record, without the number */
  } const aCases[] = {
      {"         DC    C'A,B'", "flags=3401 op=DC operands=[C'A,B']"},
      {"         L     1,L'FIELD,X", "flags=8000 diag=112/12:More than 2 operands specified."},
      {"         LA    1,L'FIELD", "flags=3405 op=LA operands=[1][L'FIELD]"},
      {"         DC    CL8'A,B''C',X'FF'", "flags=3401 op=DC operands=[CL8'A,B''C'][X'FF']"},
      {"         MVC   0(2,R1),=C'(,'", "flags=3405 op=MVC operands=[0(2,R1)][=C'(,']"},
      {"         CNOP  0", "flags=8000 diag=114/12:1 of 2 required operands were not specified."},
      {"         CNOP", "flags=8000 diag=114/12:2 of 2 required operands were not specified."},
      {"         DC", "flags=8000 diag=113/12:Required operand was omitted."},
      {"         CNOP  ,4", "flags=8000 diag=113/12:Required operand 1 omitted."},
      {"         DC    F'1',", "flags=3401 op=DC operands=[F'1']"},
      {"         LR    1,2,3", "flags=8000 diag=112/12:More than 2 operands specified."},
      {"         COPY  A,B", "flags=8000 diag=112/12:More than 1 operand specified."},
      {"         DC    F'1)'),X", "flags=8000 diag=116/12:Unmatched ')' in operand 1."},
      {"         DC    (3", "flags=8000 diag=116/12:Unmatched '(' in operand 1."},
      {cont("         DC    C'AB") + "               CD", "flags=8000 diag=116/12:Unmatched quotes in operand field."},
      {cont("         DC    C'" + strOperand(54, 'A')) + "               BC'",
       "flags=3401 op=DC operands=[C'" + strOperand(54, 'A') + "BC']"},
      {strLong, "flags=3401 op=DC operands=[CL1'" + strOperand(1019, 'X') + "']"},
      {strTooLong, "flags=8000 diag=115/12:Operand 1 is too long."},
      {"         END   ,(ASM,0102,00001)", "flags=1001 op=END operands=[][(ASM,0102,00001)]"},
      {"         END   START,(X)", "flags=1001 op=END operands=[START][(X)]"},
      {"         END   ,(ABCDEFGHIJKLMNOPQRSTUVWXYZ)", "flags=8000 diag=111/12:Operand 2 is invalid."},
      {"         END", "flags=0001 op=END"},
  };
  for (const auto &c : aCases) vExpectFirstRecord(c.strLine, c.strDump);
  auto astr = astrPhase1(strDc300 + "\n");
  ASSERT_FALSE(astr.empty());
  EXPECT_EQ(astr[0].substr(0, 23), "1 flags=3401 op=DC oper");
  EXPECT_EQ(std::count(astr[0].begin(), astr[0].end(), '['), 300);
}

TEST_F(StmtTest, CharactersWithoutTranslationInAnEbcdicSourceAreInvalid)
{
  /* the first two cards make the file EBCDIC; the third has X'FF' */
  std::string strCards;
  for (const char *psz : {"* EBCDIC card images", "* second card", "         DC    C'Z'", "         END"}) {
    auto ab = abEbcdic(psz);
    ab.pop_back();
    ab.resize(80, 0x40);
    strCards.append(ab.begin(), ab.end());
  }
  strCards[2 * 80 + 17] = '\xFF';
  auto astr = astrPhase1(strCards);
  ASSERT_EQ(astr.size(), 4u);
  EXPECT_EQ(astr[2], "3 flags=8000 diag=104/12:EBCDIC character X'FF' found in operand 1. src");
}

TEST_F(StmtTest, FieldsAreCheckedBeforeTheStatementIsStored)
{
  struct {
    std::string strLine;
    std::string strDump;
  } const aCases[] = {
      {"         FOO   1", "flags=8000 diag=141/12:Macro FOO was not found in SYSLIB."},
      {"         F$O-  1", "flags=8000 diag=120/12:Invalid operation field."},
      {"LBL      DROP  1", "flags=8000 diag=117/12:Label field must be omitted."},
      {"         EQU   1", "flags=8000 diag=118/12:Label field must be specified."},
      {"1ABC     LR    1,2", "flags=8000 diag=119/12:Invalid label field."},
      {"NINECHARS TITLE 'X'", "flags=8000 diag=119/12:Invalid label field."},
      {"EIGHTCHR TITLE 'X'", "flags=1000 op=TITLE label=EIGHTCHR operands=['X']"},
      {"lower    lr    1,2", "flags=3405 op=LR label=lower operands=[1][2]"},
      {".SEQ     LR    1,2", "flags=3405 op=LR operands=[1][2]"},
      {"         AIF   (0).X", "flags=0000"},
      {"* comment", "flags=0000"},
      {"LABEL", "flags=8000 diag=103/12:The operation entry must be specified entirely on the first statement line."},
  };
  for (const auto &c : aCases) vExpectFirstRecord(c.strLine, c.strDump);
}

TEST_F(StmtTest, LabelsAreDefinedOnceAndEquWaitsForLaterSymbols)
{
  auto astr = astrPhase1("A        LR    1,2\n"
                         "a        SR    1,1\n"
                         "B        EQU   C+1\n"
                         "C        EQU   4\n"
                         "D        EQU   5,2,X'C6'\n"
                         "BASE     USING *,12\n"
                         "BASE     USING *,11\n"
                         "         END\n");
  ASSERT_EQ(astr.size(), 8u);
  EXPECT_EQ(astr[0], "1 flags=3405 op=LR label=A operands=[1][2] src");
  EXPECT_EQ(astr[1], "2 flags=8400 diag=110/12:a has been previously defined. src"); /* keeps its place */
  EXPECT_EQ(astr[2], "3 flags=0000 op=EQU label=B operands=[C+1] slot=0 src");       /* settled by a pass */
  EXPECT_EQ(astr[3], "4 flags=0000 op=EQU src");
  EXPECT_EQ(astr[5], "6 flags=1400 op=USING label=BASE operands=[*][12] src");
  EXPECT_EQ(astr[6], "7 flags=1400 op=USING label=BASE operands=[*][11] src");
  const SYMBOL *pD = pSymbolFind(abEbcdic("d").data(), 1);
  ASSERT_NE(pD, nullptr);
  EXPECT_EQ(pD->lValue, 5);
  EXPECT_EQ(pD->lLength, 2);
  EXPECT_EQ(pD->bType, 0xC6); /* F */
  const SYMBOL *pA = pSymbolFind(abEbcdic("A").data(), 1);
  ASSERT_NE(pA, nullptr);
  EXPECT_EQ(pA->lLength, 2);
  EXPECT_EQ(pA->bType, 0xC9); /* I */
  const SYMBOL *pB = pSymbolFind(abEbcdic("B").data(), 1);
  ASSERT_NE(pB, nullptr);
  EXPECT_EQ(pB->bFlags & SYMF_VALUE_PENDING, 0); /* C+1 was settled by a resolution pass */
  EXPECT_EQ(pB->lValue, 5);
}

TEST_F(StmtTest, DcAndDsLabelsTakeTheAttributesOfTheirFirstConstant)
{
  astrPhase1(
      "F        DC    F'1',C'AB'\nH        DS    3H\nC        DC    cl5'a'\nP        DC    P'1.25'\n         END\n");
  struct {
    const char *pszName;
    int32_t lLength;
    uint8_t bType;
  } const aCases[] = {{"F", 4, 0xC6}, {"H", 2, 0xC8}, {"C", 5, 0xC3}, {"P", 2, 0xD7}};
  for (const auto &c : aCases) {
    const SYMBOL *pSym = pSymbolFind(abEbcdic(c.pszName).data(), 1);
    ASSERT_NE(pSym, nullptr) << c.pszName;
    EXPECT_EQ(pSym->lLength, c.lLength) << c.pszName;
    EXPECT_EQ(pSym->bType, c.bType) << c.pszName;
  }
  EXPECT_EQ(pSymbolFind(abEbcdic("P").data(), 1)->sScale, 2);
}

TEST_F(StmtTest, MissingEndGeneratesAWarningStatement)
{
  auto astr = astrPhase1("         LR    1,2\n");
  ASSERT_EQ(astr.size(), 2u);
  EXPECT_EQ(astr[1], "2 flags=0000 diag=108/4:Missing END statement generated.");
  EXPECT_EQ(g_asm.ulMaxSev, 4u);
}

TEST_F(StmtTest, FlagThresholdAndWarn0DecideWhatIsRecordedAndCounted)
{
  g_opt.ulFlag = FLAG_DEFAULT | 8;
  auto astr = astrPhase1("         LR    1,2\n");
  ASSERT_EQ(astr.size(), 2u);
  EXPECT_EQ(astr[1], "2 flags=0000"); /* severity 4 below the threshold */
  EXPECT_EQ(g_asm.ulMaxSev, 0u);

  vWorkDeleteAll();
  g_opt.ulFlag = FLAG_DEFAULT | FLAG_WARN0;
  astr = astrPhase1("         LR    1,2\n");
  ASSERT_EQ(astr.size(), 2u);
  EXPECT_EQ(astr[1], "2 flags=0000 diag=108/4:Missing END statement generated.");
  EXPECT_EQ(g_asm.ulMaxSev, 0u); /* recorded, not counted */
}

TEST_F(StmtTest, StatementsNeededByNoOneLeaveNoRecord)
{
  g_opt.bPrintAllowed = 0x7F; /* PRINT OFF forced */
  auto astr = astrPhase1("         LR    1,2\n* comment\nLBL      DS    F\n         END\n");
  ASSERT_EQ(astr.size(), 2u); /* nothing of the comment and the DS is needed later */
  EXPECT_EQ(astr[0], "1 flags=3405 op=LR operands=[1][2]");
  EXPECT_EQ(astr[1], "4 flags=0401 op=END");
}

TEST_F(StmtTest, DiagnosticsLaterGoIntoReservedSlotsOrTheRecordInMemory)
{
  vStmtPhaseStart();
  vStmtStart();
  iStmtReserveDiag(1);
  EXPECT_EQ(strRecordDump(), "1 flags=4000 slot=0");
  vPhaseSet('1', 'R');
  iStmtDiag(229, DIAG_HOST_TEXT, 12, 0, "Expression is not resolvable in operand 1.");
  EXPECT_EQ(strRecordDump(), "1 flags=C000 slot=229/12:Expression is not resolvable in operand 1.");
  iStmtDiag(227, DIAG_HOST_TEXT, 12, 0, "dropped in a pass");
  EXPECT_EQ(strRecordDump(), "1 flags=C000 slot=229/12:Expression is not resolvable in operand 1.");
  vPhaseSet('2', 'G');
  iStmtDiag(317, DIAG_HOST_TEXT, 12, 0, "Not addressable");
  EXPECT_EQ(strRecordDump(),
            "1 flags=C000 slot=229/12:Expression is not resolvable in operand 1. diag=317/12:Not addressable");
  EXPECT_EQ(g_asm.ulMaxSev, 12u);
}

TEST_F(StmtTest, MnoteBelowTheThresholdIsAPlainNote)
{
  vStmtPhaseStart();
  g_asm.ulFlagInForce = 8;
  vStmtStart();
  iStmtDiag(300, DIAG_HOST_TEXT, 4, 0, "note");
  EXPECT_EQ(strRecordDump(), "1 flags=0000 diag=0/0:note");
  iStmtDiag(300, DIAG_HOST_TEXT, 8, 0, "mnote");
  EXPECT_EQ(strRecordDump(), "1 flags=0000 diag=0/0:note diag=300/8:mnote");
  iStmtDiagName(MSGDEF{110, 12, "has been previously defined."}, abEbcdic("LBL").data(), 3);
  EXPECT_EQ(strRecordDump(),
            "1 flags=8000 diag=0/0:note diag=300/8:mnote diag=110/12:LBL has been previously defined.");
}

/* A handler reads its operands in the record while it attaches
   diagnostics and sub-records: the record does not move until the
   statement is finished, and what was added keeps its order. */
TEST_F(StmtTest, DiagnosticsAndAddedSubRecordsDoNotMoveTheRecord)
{
  vStmtPhaseStart();
  vStmtStart();
  vStmtAddSub(SUB_OPERAND, 2, abEbcdic("AB").data());
  vStmtFlushTail();
  const uint8_t *pRec = pRecord();
  std::string strLong(900, 'x'), strExpected = "1 flags=C000 operands=[AB]";
  for (int i = 0; i < 40; i++) {
    iStmtDiag(200 + i, DIAG_HOST_TEXT, 12, 0, strLong.c_str());
    strExpected += " diag=" + std::to_string(200 + i) + "/12:" + strLong;
    if (i == 20) {
      iStmtReserveDiag(1);
      strExpected += " slot=0";
    }
  }
  uint32_t ulPool = 7;
  vStmtAddSub(SUB_POOL, 4, &ulPool);
  const uint8_t *pPool = pStmtSub(SUB_POOL);
  ASSERT_NE(pPool, nullptr);
  EXPECT_EQ(ulGet32(pPool + 4), 7u);
  EXPECT_EQ(pRecord(), pRec);
  EXPECT_EQ(strRecordDump().substr(0, strExpected.size()), strExpected);
}

TEST_F(StmtTest, CopyMembersAreReadInPlace)
{
  vLibrary(".mac");
  strWrite("inner.mac", "         SR    2,2\n");
  strWrite("outer.mac", "         LR    1,1\n         COPY  INNER\n         COPY  OUTER\n");
  auto astr = astrPhase1("         COPY  OUTER\n         COPY  1X\n         COPY  MISSING\n         END\n");
  ASSERT_EQ(astr.size(), 8u);
  EXPECT_EQ(astr[0], "1 flags=0000 op=COPY src");
  EXPECT_EQ(astr[1], "2 flags=3405 op=LR operands=[1][1] src");
  EXPECT_EQ(astr[2], "3 flags=0000 op=COPY src");
  EXPECT_EQ(astr[3], "4 flags=1404 op=SR operands=[2][2] src");
  EXPECT_EQ(astr[4], "5 flags=8000 diag=140/12:Recursive COPY is not allowed. src");
  EXPECT_EQ(astr[5], "6 flags=8000 diag=111/12:Operand 1 is invalid. src");
  EXPECT_EQ(astr[6], "7 flags=8000 diag=141/12:Copy member MISSING was not found in SYSLIB. src");
  EXPECT_EQ(astr[7], "8 flags=0401 op=END src");
}

TEST_F(StmtTest, StatementLimitEndsTheAssembly)
{
  vStmtPhaseStart();
  for (uint32_t i = 0; i < STMT_LIMIT; i++) {
    vStmtStart();
    g_rec.ulLength = 0;
    bStmtFinish();
  }
  EXPECT_EQ(strExpectTerminate([] { vStmtStart(); }), "KZM128S More than 999999 statements in this assembly.\n"
                                                      "KZM999I Assembly terminated with return code 20.\n");
}

} // namespace
