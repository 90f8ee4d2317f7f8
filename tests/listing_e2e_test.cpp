// The listing as the real program writes it (vorn.ini: LINEWIDTH(LF); the
// default page control FF and LINECOUNT(60)).  Expected lines follow the
// statement line layout:
//   LIST(121): location 1-6, object code from 8, Addr1 23-27, Addr2 29-33,
//              statement number 34-39, marker 40, source from 41;
//   LIST(133): location 1-8, object code from 10, Addr1 25-32, Addr2 34-41,
//              statement number 43-48, marker 49, source from 50.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runvorn.h"

namespace {

class ListingRun : public RunDirTest {
protected:
  RUN run(const std::string &strSource, std::vector<std::string> astrArgs = {"-LIST"})
  {
    vSource("prog.asm", strSource);
    astrArgs.insert(astrArgs.begin(), "prog.asm");
    return runPiped(strDir, astrArgs, nullptr);
  }
  std::vector<std::string> astrListing()
  {
    std::ifstream f(strDir + "/prog.lst", std::ios::binary);
    return astrLines(std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()));
  }
  /* The lines that follow the first line equal to strLine. */
  std::vector<std::string> astrAfter(const std::string &strLine, size_t ulCount)
  {
    std::vector<std::string> astr = astrListing();
    auto it = std::find(astr.begin(), astr.end(), strLine);
    if (it == astr.end()) return {"(" + strLine + " not found)"};
    ++it;
    return std::vector<std::string>(it, it + std::min<size_t>(ulCount, static_cast<size_t>(astr.end() - it)));
  }
};

/* Whether str has the form of the pattern: '#' stands for a digit. */
bool bShaped(const std::string &str, const std::string &strPattern)
{
  if (str.size() != strPattern.size()) return false;
  for (size_t i = 0; i < str.size(); i++)
    if (strPattern[i] == '#' ? !std::isdigit(static_cast<unsigned char>(str[i])) : str[i] != strPattern[i]) return false;
  return true;
}

const char c_szSections[] = "PROG     CSECT\n"
                            "FIELD    DS    F\n"
                            "R4       EQU   4\n"
                            "         DS    XL3\n"
                            "LAST     DS    H\n"
                            "         END\n";

TEST_F(ListingRun, StatementColumnsFollowTheListWidth)
{
  struct ROW {
    std::string strOption;
    size_t ulWidth;         /* printable columns */
    std::string strColumns; /* column heading */
    std::vector<std::string> astrStatements;
  } aRows[] = {
      {"-LIST(121)", 120, "  Loc  Object Code    Addr1 Addr2  Stmt   Source Statement",
       {"000000                                1 PROG     CSECT",
        "000000                                2 FIELD    DS    F",
        "                            00004     3 R4       EQU   4",
        "000004                                4          DS    XL3",
        "000008                                5 LAST     DS    H",
        "00000A                                6          END"}},
      {"-LIST(133)", 132, "   Loc   Object Code      Addr1    Addr2    Stmt   Source Statement",
       {"00000000                                       1 PROG     CSECT",
        "00000000                                       2 FIELD    DS    F",
        "                                 00000004      3 R4       EQU   4",
        "00000004                                       4          DS    XL3",
        "00000008                                       5 LAST     DS    H",
        "0000000A                                       6          END"}},
  };
  for (const ROW &row : aRows) {
    RUN r = run(c_szSections, {row.strOption});
    ASSERT_EQ(r.iRc, 0) << r.strErr;
    std::vector<std::string> astr = astrListing();
    ASSERT_GE(astr.size(), 10u);
    /* "PAGE    1" in the last 9 columns; the VORN block in the last 30 */
    EXPECT_EQ(astr[0], "\f" + std::string(row.ulWidth - 9, ' ') + "PAGE    1");
    EXPECT_EQ(astr[1], "  Active USINGs: None");
    std::string strColumns = row.strColumns;
    strColumns.resize(row.ulWidth - 30, ' ');
    EXPECT_EQ(astr[2].substr(0, strColumns.size()), strColumns);
    EXPECT_TRUE(bShaped(astr[2].substr(strColumns.size()), " VORN 1.2.00  ####/##/## ##.##")) << astr[2];
    EXPECT_EQ(astr[3], "");
    EXPECT_EQ(std::vector<std::string>(astr.begin() + 4, astr.begin() + 10), row.astrStatements) << row.strOption;
  }
}

TEST_F(ListingRun, ObjectCodeUsingAndAlignmentPadding)
{
  RUN r = run("CODE     CSECT\n"
              "         USING *,12\n"
              "         LR    1,2\n"
              "         DC    C'A'\n"
              "         DC    F'1'\n"
              "         EJECT\n"
              "         END\n");
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  /* the heading of the next page shows the USING made on this one */
  EXPECT_EQ(astrAfter("\f" + std::string(111, ' ') + "PAGE    2", 1),
            std::vector<std::string>{"  Active USINGs: CODE+0,12"});
  EXPECT_EQ(astrAfter("", 6), (std::vector<std::string>{
                                  "000000                                1 CODE     CSECT",
                                  "       R:C            00000           2          USING *,12",
                                  "000000 1812                           3          LR    1,2",
                                  "000002 C1                             4          DC    C'A'",
                                  "000003 00",
                                  "000004 00000001                       5          DC    F'1'",
                              }));
}

TEST_F(ListingRun, DiagnosticsRecordLineAndSummary)
{
  const char *pszSource = "A        CSECT\n"
                          "DUP      DS    F\n"
                          "DUP      DS    F\n"
                          "         END\n";
  struct ROW {
    std::string strFlag;
    std::vector<std::string> astrAfterStatement, astrList;
  } aRows[] = {
      {"-FLAG(0)",
       {"  KZM110E *** ERROR *** DUP has been previously defined.", "  KZM301I Record 3 in prog.asm",
        "000008                                4          END"},
       {"prog.asm", " 3(3)"}},
      {"-FLAG(NORECORD)",
       {"  KZM110E *** ERROR *** DUP has been previously defined.",
        "000008                                4          END"},
       {" 3"}},
  };
  for (const ROW &row : aRows) {
    RUN r = run(pszSource, {"-LIST", row.strFlag, "-NOTERM"});
    EXPECT_EQ(r.iRc, 12);
    EXPECT_EQ(astrAfter("000004                                3 DUP      DS    F", row.astrAfterStatement.size()),
              row.astrAfterStatement);
    std::vector<std::string> astr = astrListing();
    auto it = std::find(astr.begin(), astr.end(), "The following statements were flagged -");
    ASSERT_NE(it, astr.end()) << row.strFlag;
    /* the report title from column 10, after the blank heading id */
    std::string strTitle = "\f" + std::string(9 + 25, ' ') + "Diagnostic Cross Reference and Assembler Summary";
    strTitle.resize(1 + 111, ' ');
    ASSERT_GE(it - astr.begin(), 4);
    EXPECT_EQ(it[-4], strTitle + "PAGE    2");
    std::vector<std::string> astrExpected = row.astrList;
    astrExpected.push_back("1 statement flagged in this assembly,  12 was the highest severity code");
    astrExpected.push_back("");
    EXPECT_EQ(std::vector<std::string>(it + 1, it + 1 + astrExpected.size()), astrExpected);
    it += 1 + astrExpected.size();
    ASSERT_GE(astr.end() - it, 7);
    EXPECT_TRUE(it[0].size() > 16 && it[0].ends_with(", VERSION 1.2.00")) << it[0];
    EXPECT_TRUE(it[1].ends_with("    JOBNAME: VORN    STEPNAME: (NOSTEP)")) << it[1];
    EXPECT_EQ(it[2], "");
    EXPECT_EQ(it[3], "Primary input:  lines      1 to       4 of prog.asm");
    EXPECT_EQ(it[4], "");
    EXPECT_TRUE(it[5].starts_with("SYSUT1 work file size: ") && std::isdigit(static_cast<unsigned char>(it[5].back())))
        << it[5];
    EXPECT_TRUE(it[6].starts_with("KZM000I Return code 12, elapsed time ") && it[6].ends_with(" seconds.")) << it[6];
    EXPECT_EQ(it + 7, astr.end());
  }
}

TEST_F(ListingRun, SummaryOfCleanAndWarnedAssemblies)
{
  struct ROW {
    std::string strSource;
    int iRc;
    std::vector<std::string> astrExpected; /* lines in this order, others between */
  } aRows[] = {
      {"A        CSECT\n         END\n", 0, {"No statements flagged in this assembly"}},
      {"A        CSECT\n         DS    F\n", 4,
       {"  KZM108W ** WARNING ** Missing END statement generated.", "The following statements were flagged -",
        "1 statement flagged in this assembly,  4 was the highest severity code"}},
  };
  for (const ROW &row : aRows) {
    RUN r = run(row.strSource, {"-LIST", "-NOTERM"});
    EXPECT_EQ(r.iRc, row.iRc);
    std::vector<std::string> astr = astrListing();
    auto it = astr.begin();
    for (const std::string &str : row.astrExpected) {
      it = std::find(it, astr.end(), str);
      EXPECT_NE(it, astr.end()) << str;
    }
    EXPECT_EQ(std::count(astr.begin(), astr.end(), "The following statements were flagged -"), row.iRc == 0 ? 0 : 1);
  }
}

TEST_F(ListingRun, TermEchoesFlaggedStatements)
{
  const char *pszSource = "A        CSECT\n"
                          "DUP      DS    F\n"
                          "DUP      DS    F                  again\n"
                          "         END\n";
  struct ROW {
    std::vector<std::string> astrArgs;
    std::string strOut;
  } aRows[] = {
      {{"-LIST"},
       "prog.asm(3) : DUP      DS    F                  again\n"
       "prog.asm(3) : KZM110E DUP has been previously defined.\n"},
      {{"-NOLIST", "-TERM(NOPREFIX)"}, "DUP      DS    F                  again\nKZM110E DUP has been previously defined.\n"},
      {{"-LIST", "-NOTERM"}, ""},
  };
  for (const ROW &row : aRows) {
    RUN r = run(pszSource, row.astrArgs);
    EXPECT_EQ(r.iRc, 12);
    EXPECT_EQ(r.strOut, row.strOut) << row.astrArgs.back();
  }
}

TEST_F(ListingRun, SpaceEjectAndTitle)
{
  RUN r = run("A        CSECT\n"
              "         SPACE 2\n"
              "         DS    F\n"
              "         EJECT\n"
              "         TITLE 'Second part'\n"
              "         END\n",
              {"-LIST", "-NOTERM"});
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  std::vector<std::string> astr = astrListing();
  const std::string strPage(111, ' ');
  EXPECT_EQ(astrAfter("000000                                1 A        CSECT", 4),
            (std::vector<std::string>{"", "", "                                      2          SPACE 2",
                                      "000000                                3          DS    F"}));
  std::vector<std::string> astrTitles;
  for (const std::string &str : astr)
    if (!str.empty() && str[0] == '\f') astrTitles.push_back(str);
  std::string strSecond = "\f         Second part";
  strSecond.resize(112, ' ');
  ASSERT_EQ(astrTitles.size(), 4u); /* the fourth is the summary */
  EXPECT_EQ(std::vector<std::string>(astrTitles.begin(), astrTitles.begin() + 3),
            (std::vector<std::string>{"\f" + strPage + "PAGE    1", "\f" + strPage + "PAGE    2", strSecond + "PAGE    3"}));
  EXPECT_EQ(astrAfter("\f" + strPage + "PAGE    2", 4)[3], "                                      4          EJECT");
  EXPECT_EQ(astrAfter(strSecond + "PAGE    3", 4)[3],
            "                                      5          TITLE 'Second part'");
}

} // namespace
