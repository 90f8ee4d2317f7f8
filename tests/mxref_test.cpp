/* The reports after the statements: the USING map and the MACRO and COPY
   code source summary and cross reference, row by row as their column
   headings place them, under their options; and the terminal echo of
   statements found in error only in the code generation phase. */
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runvorn.h"

namespace {

class ReportRun : public RunDirTest {
protected:
  RUN run(const std::string &strSource, std::vector<std::string> astrArgs)
  {
    vSource("prog.asm", strSource);
    astrArgs.insert(astrArgs.begin(), "-LIST");
    astrArgs.push_back("prog.asm");
    return runPiped(strDir, astrArgs, nullptr);
  }
  /* The rows of the uStart-th report (0 the first) whose column heading
     begins with strColumns: its lines up to the next page, blank lines
     dropped. */
  std::vector<std::string> astrReport(const std::string &strColumns, unsigned uStart = 0)
  {
    std::ifstream f(strDir + "/prog.lst", std::ios::binary);
    std::vector<std::string> astr =
        astrLines(std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()));
    std::vector<std::string> astrRows;
    auto it = astr.begin();
    for (unsigned u = 0; u <= uStart; u++) {
      it = std::find_if(it, astr.end(), [&](const std::string &s) { return s.rfind(strColumns, 0) == 0; });
      if (it == astr.end()) return {"(no report)"};
      ++it;
    }
    for (; it != astr.end() && (it->empty() || (*it)[0] != '\f'); ++it)
      if (!it->empty()) astrRows.push_back(*it);
    return astrRows;
  }
};

const char c_szUsings[] = "P        CSECT\n"
                          "         USING P,12\n"
                          "         PUSH  USING\n"
                          "LB       USING P+4,11\n"
                          "         LA    1,LB.W\n"
                          "         DROP  LB\n"
                          "         POP   USING\n"
                          "         LA    1,W\n"
                          "         DROP\n"
                          "W        DS    F\n"
                          "         END\n";

TEST_F(ReportRun, UsingMapRowsFollowTheColumnTable)
{
  RUN r = run(c_szUsings, {"-NOTERM"});
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  /* W is at 8: 8 - 4 = 4 through LB's register 11, 8 through 12 */
  EXPECT_EQ(astrReport("  Stmt  Level  Action  Type          Id     Address   Reg  Max   Last    End  Label.Text"),
            (std::vector<std::string>{
                "     2         USING   Ordinary   00000001  00000000  12   008      8      9  P,12",
                "     3         PUSH",
                "     4      1  USING   Labeled    00000001  00000004  11   004      5      6  LB.P+4,11",
                "     6      1  DROP                                                           LB",
                "     7      1  POP",
                "     9         DROP    ALL",
            }));
  /* two ranges of one USING; X at 4100 is 4 beyond the second one's base,
     above the limit */
  r = run("Q        CSECT\n"
          "         USING Q,10,9\n"
          "         L     1,X\n"
          "         DROP  10\n"
          "         DS    XL4096\n"
          "X        DS    F\n"
          "         END\n",
          {"-NOTERM", "-USINGLIMIT(3)"});
  EXPECT_EQ(astrReport("  Stmt  Level  Action  Type"),
            (std::vector<std::string>{
                "     2         USING   Ordinary   00000001  00000000  10                   4  Q,10,9",
                "                                            00001000  09  *004      3",
                "     4         DROP    10                                                     10",
            }));
  run(c_szUsings, {"-NOTERM", "-NOUSINGMAP"});
  EXPECT_EQ(astrReport("  Stmt  Level  Action  Type"), std::vector<std::string>{"(no report)"});
}

class MacroReportRun : public ReportRun {
protected:
  void SetUp() override
  {
    ReportRun::SetUp();
    std::string strLib1 = strDir + "/lib1", strLib2 = strDir + "/lib2";
    ASSERT_EQ(std::system(("mkdir -p " + strLib1 + " " + strLib2).c_str()), 0);
    vSource("lib1/OUTER.mac", "         MACRO\n         OUTER &V\n         INNER &V\n         MEND\n");
    vSource("lib2/OUTER.mac", "* found after lib1's\n");
    vSource("lib2/INNER.mac", "         MACRO\n         INNER &V\n         DC    H'&V'\n         MEND\n");
    vSource("lib2/CPY.mac", "         DC    H'1'\n");
    strSyslib = "-SYSLIB(" + strLib1 + "/*.mac;" + strLib2 + "/*.mac)";
  }
  std::string strSyslib;
};

/* Statements: 2-5 the definition of LOCAL, 6 COPY and 7 its line, 8 a
   call listed with its expansion (9 OUTER, 10 INNER, 11 DC), 12 PRINT
   NOGEN, 13 a call whose nested calls are not listed, 14 its DC, 15 END. */
const char c_szMacros[] = "T        CSECT\n"
                          "         MACRO\n"
                          "         LOCAL &A\n"
                          "         OUTER &A\n"
                          "         MEND\n"
                          "         COPY  CPY\n"
                          "         LOCAL 5\n"
                          "         PRINT NOGEN\n"
                          "         LOCAL 6\n"
                          "         END\n";

TEST_F(MacroReportRun, SourceSummaryAndCrossReferenceByConcatenation)
{
  RUN r = run(c_szMacros, {"-NOTERM", "-MXREF(FULL)", strSyslib});
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  EXPECT_EQ(astrReport("Con Source      Members"), (std::vector<std::string>{
                                                       "    PRIMARY INPUT",
                                                       "                LOCAL",
                                                       "  1 " + strDir + "/lib1/*.mac",
                                                       "                OUTER",
                                                       "  2 " + strDir + "/lib2/*.mac",
                                                       "                CPY      INNER",
                                                   }));
  EXPECT_EQ(astrReport("Macro    Con   Defn  Called by      References"),
            (std::vector<std::string>{
                "CPY        2         PRIMARY INPUT  6C",
                "INNER      2         OUTER          10,13",
                "LOCAL             2  PRIMARY INPUT  8,13",
                "OUTER      1         LOCAL          9,13",
            }));
  /* SOURCE (the default) and XREF each give one of them, NOMXREF none */
  struct ROW {
    std::string strOption;
    bool bSource, bXref;
  } aRows[] = {{"-NOTERM", true, false}, {"-MXREF(XREF)", false, true}, {"-NOMXREF", false, false}};
  for (const ROW &row : aRows) {
    run(c_szMacros, {"-NOTERM", row.strOption, strSyslib});
    EXPECT_EQ(astrReport("Con Source      Members").size() > 1, row.bSource) << row.strOption;
    EXPECT_EQ(astrReport("Macro    Con   Defn").size() > 1, row.bXref) << row.strOption;
  }
}

TEST_F(MacroReportRun, BatchAssembliesReportTheirOwnMacros)
{
  RUN r = run(std::string(c_szMacros) + "U        CSECT\n         INNER 7\n         END\n",
              {"-NOTERM", "-MXREF(XREF)", "-BATCH", strSyslib});
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  EXPECT_EQ(astrReport("Macro    Con   Defn", 1), (std::vector<std::string>{"INNER      2         PRIMARY INPUT  2"}));
}

TEST_F(MacroReportRun, SummaryGivesTheMacroWorkFileSize)
{
  auto fLine = [&](const std::string &strSource) {
    run(strSource, {"-NOTERM", strSyslib});
    std::ifstream f(strDir + "/prog.lst", std::ios::binary);
    std::string strListing((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t ul = strListing.find("MACRO work file size: ");
    return ul == std::string::npos ? std::string() : strListing.substr(ul, strListing.find('\n', ul) - ul);
  };
  std::string strLine = fLine(c_szMacros);
  EXPECT_EQ(strLine.find_first_not_of("0123456789", 22), std::string::npos) << strLine;
  EXPECT_GT(strLine.size(), 22u) << strLine;
  EXPECT_EQ(fLine("T        CSECT\n         END\n"), "");
}

/* A generated statement not listed (PRINT NOGEN) and an open-code one under
   PRINT OFF, both in error only when the code generation phase meets the
   undefined symbol, a SETA and a macro call in error under PRINT OFF, and
   a literal (its text as the listing gives it, in the pool at END):
   the terminal shows each statement with its message, and the listing the
   generated one with its text. */
TEST_F(ReportRun, TermEchoesStatementsNotListed)
{
  RUN r = run("P        CSECT\n"
              "         MACRO\n"
              "         GEN   &L\n"
              "&L       LA    1,ZZ\n"
              "         MEND\n"
              "         PRINT NOGEN\n"
              "         GEN   LQ\n"
              "         PRINT OFF\n"
              "         LA    1,QQ\n"
              "&X       SETA  'A'\n"
              "         GEN   K=1\n"
              "         PRINT ON\n"
              "         USING P,15\n"
              "         LA    1,=A(UNDEF)\n"
              "         END\n",
              {"-TERM"});
  EXPECT_EQ(r.iRc, 12);
  /* the generated statement at the call, the way back below its message */
  EXPECT_EQ(r.strOut, "prog.asm(7) : LQ       LA    1,ZZ\n"
                      "prog.asm(7) : KZM227E Symbol ZZ is not defined in operand 2.\n"
                      "    prog.asm(4) : in macro GEN, statement 3\n"
                      "    prog.asm(7) : call of macro GEN\n"
                      "prog.asm(9) :          LA    1,QQ\n"
                      "prog.asm(9) : KZM227E Symbol QQ is not defined in operand 2.\n"
                      "prog.asm(10) : &X       SETA  'A'\n"
                      "prog.asm(10) : KZM260E Nonnumeric value in arithmetic expression\n"
                      "prog.asm(11) :          GEN   K=1\n"
                      "prog.asm(11) : KZM122E K is not defined as a keyword parameter in the macro prototype.\n"
                      "prog.asm(15) :          =A(UNDEF)\n"
                      "prog.asm(15) : KZM227E Symbol UNDEF is not defined.\n"
                      "prog.asm(7) : KZM227E first of the highest severity (12): Symbol ZZ is not defined in "
                      "operand 2.\n");
  std::vector<std::string> astr = astrReport("  Loc  Object Code");
  ASSERT_GE(astr.size(), 8u);
  /* statement number in columns 34-39, the mark in 40, the source from 41 */
  EXPECT_EQ(astr[7].substr(33), "     8+LQ       LA    1,ZZ");
}

} // namespace
