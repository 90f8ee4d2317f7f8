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
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runvorn.h"

namespace {

class ListingRun : public RunDirTest {
protected:
  /* The reports about symbols and macros are left out: these tests are
     about the statement lines and the pages around them. */
  RUN run(const std::string &strSource, std::vector<std::string> astrArgs = {"-LIST"})
  {
    vSource("prog.asm", strSource);
    astrArgs.insert(astrArgs.begin(), "prog.asm");
    astrArgs.push_back("-NOESD NOXREF NODXREF NOUSINGMAP NOMXREF");
    return runPiped(strDir, astrArgs, nullptr);
  }
  /* The listing from the first page after the options report, its pages
     numbered from there. */
  std::vector<std::string> astrListing()
  {
    std::ifstream f(strDir + "/prog.lst", std::ios::binary);
    std::vector<std::string> astr =
        astrLines(std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()));
    size_t ulFirst = 0, ulPages = 0;
    while (ulFirst < astr.size() && (astr[ulFirst].empty() || astr[ulFirst][0] != '\f' ||
                                     astr[ulFirst].find("Option Summary") != std::string::npos)) {
      if (!astr[ulFirst].empty() && astr[ulFirst][0] == '\f') ulPages++;
      ulFirst++;
    }
    astr.erase(astr.begin(), astr.begin() + static_cast<long>(ulFirst));
    for (std::string &str : astr) {
      size_t ulAt = str.rfind("PAGE");
      if (str.empty() || str[0] != '\f' || ulAt == std::string::npos || str.size() != ulAt + 9) continue;
      char sz[16];
      std::snprintf(sz, sizeof sz, "PAGE%5lu", std::stoul(str.substr(ulAt + 4)) - ulPages);
      str.replace(ulAt, 9, sz);
    }
    return astr;
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
    if (strPattern[i] == '#' ? !std::isdigit(static_cast<unsigned char>(str[i])) : str[i] != strPattern[i])
      return false;
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
      {"-LIST(121)",
       120,
       "  Loc  Object Code    Addr1 Addr2  Stmt   Source Statement",
       {"000000                                1 PROG     CSECT",
        "000000                                2 FIELD    DS    F",
        "                            00004     3 R4       EQU   4",
        "000004                                4          DS    XL3",
        "000008                                5 LAST     DS    H",
        "00000A                                6          END"}},
      {"-LIST(133)",
       132,
       "   Loc   Object Code      Addr1    Addr2    Stmt   Source Statement",
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

TEST_F(ListingRun, ComplexlyRelocatableEquatesListTheirAddressValue)
{
  /* S2 is placed at 8: B at 8, A at 12; A+B is X'14' as an address sum */
  RUN r = run("S1       CSECT\n"
              "         DS    XL8\n"
              "S2       CSECT\n"
              "B        DS    F\n"
              "A        DS    F\n"
              "XP       EQU   A+B\n"
              "XM       EQU   A-B+A\n"
              "         DC    A(XP)\n"
              "         END\n");
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  EXPECT_EQ(astrAfter("00000C                                5 A        DS    F", 3),
            (std::vector<std::string>{"                            00014     6 XP       EQU   A+B",
                                      "                            00010     7 XM       EQU   A-B+A",
                                      "000010 00000014                       8          DC    A(XP)"}));
}

TEST_F(ListingRun, EndStandsWhereTheCounterIsAndDefinesItsLabel)
{
  struct {
    const char *pszSource;
    std::vector<std::string> astrLines; /* all of them in the listing */
  } const aRows[] = {
      /* after a LOCTR: 2 bytes in P's counter, L2 from 2 */
      {"P        CSECT\n         DC    XL2'01'\nL2       LOCTR\n         DC    XL3'02'\n         END\n",
       {"000005                                5          END"}},
      /* after an ORG back to a symbol defined later, not at the high-water mark 8 */
      {"P        CSECT\n         DC    XL8'00'\n         ORG   B\nB        EQU   P+4\n         END\n",
       {"000004                                5          END"}},
      /* after a DC whose duplication factor is known only in a pass; the
         label takes END's location: 4 bytes of A(EL), 3 of X'01' */
      {"P        CSECT\n         DC    A(EL)\n         DC    (N)X'01'\nN        EQU   3\nEL       END\n",
       {"000000 00000007                       2          DC    A(EL)",
        "000007                                5 EL       END"}},
  };
  for (const auto &row : aRows) {
    RUN r = run(row.pszSource);
    EXPECT_EQ(r.iRc, 0) << row.pszSource << r.strErr;
    std::vector<std::string> astr = astrListing();
    for (const std::string &strLine : row.astrLines)
      EXPECT_NE(std::find(astr.begin(), astr.end(), strLine), astr.end()) << row.pszSource << strLine;
  }
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
      {"A        CSECT\n         DS    F\n",
       4,
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

/* A UTF-8 source: the cent sign (code page 037 X'4A' by vorn.ini) comes back
   in the listing and the terminal echo as the source had it; e-acute has no
   translation and becomes a blank, its note shown on the terminal and after
   the statement in the listing, which neither flags nor counts it. */
TEST_F(ListingRun, CharactersOfAUtf8SourceAndUntranslatedOnes)
{
  const std::string strSource = "PROG     CSECT\n"
                                "         DC    C'\xC2\xA2\xC3\xA9'\n"
                                "         DC    C'\xC2\xA2'\n"
                                "         BADOP \xC2\xA2\n"
                                "         END\n";
  const std::string strNote = "KZM099I Unrecognized ASCII character X'E9' in column 19 translated to a blank.";
  RUN r = run(strSource, {"-LIST"});
  EXPECT_EQ(r.iRc, 12) << r.strErr; /* from the invalid operation alone */
  EXPECT_EQ(astrLines(r.strOut)[0], "prog.asm(2) : " + strNote);
  EXPECT_EQ(std::count(r.strOut.begin(), r.strOut.end(), '\n'), 3) << r.strOut; /* no echo of statement 2 */
  EXPECT_EQ(astrLines(r.strOut)[1], "prog.asm(4) :          BADOP \xC2\xA2");
  EXPECT_EQ(
      astrAfter("000000                                1 PROG     CSECT", 3),
      (std::vector<std::string>{"000000 4A40                           2          DC    C'\xC2\xA2 '", "  " + strNote,
                                "000002 4A                             3          DC    C'\xC2\xA2'"}));
  std::vector<std::string> astr = astrListing();
  EXPECT_NE(
      std::find(astr.begin(), astr.end(), "1 statement flagged in this assembly,  12 was the highest severity code"),
      astr.end());
  /* no other byte beyond ASCII anywhere: no raw Latin-1 */
  std::ifstream f(strDir + "/prog.lst", std::ios::binary);
  std::string str(std::istreambuf_iterator<char>(f), {});
  for (size_t i; (i = str.find("\xC2\xA2")) != std::string::npos;) str.erase(i, 2);
  EXPECT_EQ(std::count_if(str.begin(), str.end(), [](char c) { return (c & 0x80) != 0; }), 0);
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
      {{"-NOLIST", "-TERM(NOPREFIX)"},
       "DUP      DS    F                  again\nKZM110E DUP has been previously defined.\n"},
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
  EXPECT_EQ(
      std::vector<std::string>(astrTitles.begin(), astrTitles.begin() + 3),
      (std::vector<std::string>{"\f" + strPage + "PAGE    1", "\f" + strPage + "PAGE    2", strSecond + "PAGE    3"}));
  EXPECT_EQ(astrAfter("\f" + strPage + "PAGE    2", 4)[3], "                                      4          EJECT");
  EXPECT_EQ(astrAfter(strSecond + "PAGE    3", 4)[3],
            "                                      5          TITLE 'Second part'");
}

TEST_F(ListingRun, AspaceAndAejectActOnTheListingOfTheDefinition)
{
  RUN r = run("A        CSECT\n"
              "         MACRO\n"
              "         M\n"
              "         DS    F\n"
              "         ASPACE 2\n"
              "         AEJECT\n"
              "         DS    H\n"
              "         MEND\n"
              "         M\n"
              "         END\n",
              {"-LIST", "-NOTERM"});
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  const std::string strBlank(38, ' ');
  EXPECT_EQ(astrAfter(strBlank + "4          DS    F", 3),
            (std::vector<std::string>{"", "", strBlank + "5          ASPACE 2"}));
  std::vector<std::string> astrEject = astrAfter(strBlank + "5          ASPACE 2", 5);
  ASSERT_EQ(astrEject.size(), 5u);
  EXPECT_EQ(astrEject[0].substr(0, 1), "\f"); /* a new page, its headings, then the AEJECT */
  EXPECT_EQ(astrEject[4], strBlank + "6          AEJECT");
  /* the expansion holds neither */
  EXPECT_EQ(astrAfter(strBlank + "9          M", 2),
            (std::vector<std::string>{"000000                               10+         DS    F",
                                      "000004                               11+         DS    H"}));
}

/* A statement line built from the column table: location, object code,
   first and second address (-1: not shown), statement number (0: none)
   and source text, for LIST(121) or LIST(133). */
std::string strStatement(bool b133, long lLoc, const std::string &strObject, long lAddr1, long lAddr2, unsigned uStmt,
                         const std::string &strSource)
{
  std::string str(b133 ? 129 : 120, ' ');
  auto vPut = [&str](size_t ulColumn, const std::string &strText) {
    str.replace(ulColumn - 1, strText.size(), strText);
  };
  auto strHex = [](long l, int iDigits) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%0*lX", iDigits, l);
    return std::string(sz);
  };
  const int iDigits = b133 ? 8 : 5;
  if (lLoc >= 0) vPut(1, strHex(lLoc, b133 ? 8 : 6));
  vPut(b133 ? 10 : 8, strObject);
  if (lAddr1 >= 0) vPut(b133 ? 25 : 23, strHex(lAddr1, iDigits));
  if (lAddr2 >= 0) vPut(b133 ? 34 : 29, strHex(lAddr2, iDigits));
  if (uStmt != 0) {
    std::string strNumber = std::to_string(uStmt);
    vPut((b133 ? 49 : 40) - strNumber.size(), strNumber);
  }
  vPut(b133 ? 50 : 41, strSource);
  str.erase(str.find_last_not_of(' ') + 1);
  return str;
}

const char c_szKinds[] = "PROG     CSECT\n"
                         "         USING PROG,12\n"
                         "         LR    1,2\n"
                         "         MVI   A1,X'40'\n"
                         "         L     3,WORD\n"
                         "         MVC   A1,A2\n"
                         "         PRINT NODATA\n"
                         "         DC    C'ABCDEFGHIJ'\n"
                         "         PRINT DATA\n"
                         "         DC    X'0102030405060708090A'\n"
                         "         DC    C'K'\n"
                         "         DC    F'1,2,3'\n"
                         "A1       DS    CL4\n"
                         "A2       DS    CL4\n"
                         "WORD     DS    F\n"
                         "LEN      EQU   *-PROG\n"
                         "         ORG   *+20\n"
                         "         L     4,=F'5'\n"
                         "         LTORG\n"
                         "         DC    AL1(0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+X\n"
                         "               0+0+0+0+1)\n"
                         "         END\n";

TEST_F(ListingRun, EveryStatementLineKindInBothWidths)
{
  for (bool b133 : {false, true}) {
    struct LINE {
      long lLoc;
      const char *pszObject;
      long lAddr1, lAddr2;
      unsigned uStmt;
      const char *pszSource;
    } aLines[] = {
        {0, "", -1, -1, 1, "PROG     CSECT"},
        {-1, "R:C", 0, -1, 2, "         USING PROG,12"},
        {0x00, "1812", -1, -1, 3, "         LR    1,2"},                 /* 2 bytes, no address */
        {0x02, "9240 C034", 0x34, -1, 4, "         MVI   A1,X'40'"},     /* 4 bytes, first column */
        {0x06, "5830 C03C", -1, 0x3C, 5, "         L     3,WORD"},       /* 4 bytes, second column */
        {0x0A, "D203 C034 C038", 0x34, 0x38, 6, "         MVC   A1,A2"}, /* 6 bytes, both */
        {-1, "", -1, -1, 7, "         PRINT NODATA"},
        {0x10, "C1C2C3C4C5C6C7C8", -1, -1, 8, "         DC    C'ABCDEFGHIJ'"}, /* 10 bytes, 8 shown */
        {-1, "", -1, -1, 9, "         PRINT DATA"},
        {0x1A, "0102030405060708", -1, -1, 10, "         DC    X'0102030405060708090A'"},
        {0x22, "090A", -1, -1, 0, ""},
        {0x24, "D2", -1, -1, 11, "         DC    C'K'"},
        {0x25, "000000", -1, -1, 0, ""}, /* alignment padding */
        {0x28, "0000000100000002", -1, -1, 12, "         DC    F'1,2,3'"},
        {0x30, "00000003", -1, -1, 0, ""},
        {0x34, "", -1, -1, 13, "A1       DS    CL4"},
        {0x38, "", -1, -1, 14, "A2       DS    CL4"},
        {0x3C, "", -1, -1, 15, "WORD     DS    F"},
        {-1, "", -1, 0x40, 16, "LEN      EQU   *-PROG"},
        {0x40, "", -1, 0x54, 17, "         ORG   *+20"},
        {0x54, "5840 C058", -1, 0x58, 18, "         L     4,=F'5'"},
        {0x58, "", -1, -1, 19, "         LTORG"},
        {0x58, "00000005", -1, -1, 20, "         =F'5'"},
        {0x5C, "01", -1, -1, 21, "         DC    AL1(0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+0+X"},
        {-1, "", -1, -1, 0, "               0+0+0+0+1)"},
        {0x5D, "", -1, -1, 22, "         END"},
    };
    std::vector<std::string> astrExpected;
    for (const LINE &line : aLines)
      astrExpected.push_back(
          strStatement(b133, line.lLoc, line.pszObject, line.lAddr1, line.lAddr2, line.uStmt, line.pszSource));
    /* two lines spelled out, to anchor the builder to the column table */
    EXPECT_EQ(astrExpected[5], b133 ? "0000000A D203 C034 C038 00000034 00000038      6          MVC   A1,A2"
                                    : "00000A D203 C034 C038 00034 00038     6          MVC   A1,A2");
    EXPECT_EQ(astrExpected[1], b133 ? "         R:C            00000000               2          USING PROG,12"
                                    : "       R:C            00000           2          USING PROG,12");
    RUN r = run(c_szKinds, {b133 ? "-LIST(133)" : "-LIST(121)", "-NOTERM"});
    ASSERT_EQ(r.iRc, 0) << r.strErr;
    std::vector<std::string> astr = astrListing();
    ASSERT_GE(astr.size(), 4 + astrExpected.size());
    std::vector<std::string> astrGot(astr.begin() + 4, astr.begin() + 4 + static_cast<long>(astrExpected.size()));
    for (size_t i = 0; i < astrExpected.size(); i++) EXPECT_EQ(astrGot[i], astrExpected[i]) << b133 << " line " << i;
  }
}

TEST_F(ListingRun, DiagnosticSeverityLabelsInBothWidths)
{
  struct ROW {
    std::string strOption, strSource;
    unsigned uStmt; /* the flagged statement, on its source line */
    std::string strStatement, strDiagnostic;
    int iRc;
    size_t ulWidth;
  } aRows[] = {
      {"-LIST(121)", "A        CSECT\n         DROP  9\n         END\n", 2,
       "                                      2          DROP  9",
       "  KZM352W ** WARNING ** Register 9 is not active in an unlabeled USING.", 4, 120},
      {"-LIST(133)", "R        RSECT\n         USING R,15\n         ST    1,W\nW        DS    F\n         END\n", 3,
       "00000000 5010 F004               00000004      3          ST    1,W",
       "  KZM401E *** ERROR *** Reentrancy check failed in operand 2.", 8, 132},
  };
  for (const ROW &row : aRows) {
    RUN r = run(row.strSource, {row.strOption, "-NOTERM"});
    EXPECT_EQ(r.iRc, row.iRc) << row.strOption;
    EXPECT_EQ(astrAfter(row.strStatement, 2),
              (std::vector<std::string>{row.strDiagnostic,
                                        "  KZM301I Record " + std::to_string(row.uStmt) + " in prog.asm"}));
    std::string strTitle = "\f" + std::string(9 + 25, ' ') + "Diagnostic Cross Reference and Assembler Summary";
    strTitle.resize(1 + row.ulWidth - 9, ' ');
    EXPECT_EQ(
        astrAfter("The following statements were flagged -", 3),
        (std::vector<std::string>{"prog.asm", " " + std::to_string(row.uStmt) + "(" + std::to_string(row.uStmt) + ")",
                                  "1 statement flagged in this assembly,  " + std::to_string(row.iRc) +
                                      " was the highest severity code"}));
    std::vector<std::string> astr = astrListing();
    EXPECT_NE(std::find(astr.begin(), astr.end(), strTitle + "PAGE    2"), astr.end()) << row.strOption;
  }
}

TEST_F(ListingRun, UnwritableOutputEndsTheRun)
{
  struct ROW {
    std::vector<std::string> astrArgs;
    std::string strMessage;
  } aRows[] = {
      {{"-LIST", "-SYSPRINT(/nonexistent/dir/x.lst)"},
       "KZM900S Error opening listing file /nonexistent/dir/x.lst: No such file or directory"},
      {{"-LIST", "-OBJECT", "-SYSLIN(/nonexistent/dir/x.obj)"},
       "KZM900S Error opening SYSPUNCH file /nonexistent/dir/x.obj: No such file or directory"},
      {{"-NOLIST", "-OBJECT(DECK)", "-SYSPUNCH(/nonexistent/dir/x.txt)"},
       "KZM900S Error opening SYSPUNCH file /nonexistent/dir/x.txt: No such file or directory"},
      {{"-LIST", "-SYSPRINT(/dev/full)"}, "KZM900S Error writing listing file /dev/full: No space left on device"},
  };
  for (const ROW &row : aRows) {
    std::vector<std::string> astrArgs = row.astrArgs;
    astrArgs.push_back("-NOTERM");
    RUN r = run(c_szSections, astrArgs);
    EXPECT_EQ(r.iRc, 20) << row.strMessage;
    std::vector<std::string> astrErr = astrLines(r.strErr);
    EXPECT_NE(std::find(astrErr.begin(), astrErr.end(), row.strMessage), astrErr.end()) << r.strErr;
    /* nothing half-written is left behind, work files included */
    EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"prog.asm", "tmp"})) << row.strMessage;
    EXPECT_EQ(astrFiles(strDir + "/tmp"), std::vector<std::string>{}) << row.strMessage;
  }
}

/* The page heading lines (first lines after each form feed). */
std::vector<std::string> astrPageTops(const std::vector<std::string> &astr)
{
  std::vector<std::string> astrTops;
  for (const std::string &str : astr)
    if (!str.empty() && str[0] == '\f') astrTops.push_back(str);
  return astrTops;
}

TEST_F(ListingRun, LongTitlesManyEjectsAndShortPages)
{
  std::string strAlphabet;
  for (int i = 0; i < 300; i++) strAlphabet += static_cast<char>('A' + i % 26);
  /* a title of exactly 100 characters fills columns 10-109 */
  RUN r = run("A        CSECT\n" + strContinued("TITLE", "'" + strAlphabet.substr(0, 100) + "'") + "\n         END\n");
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  EXPECT_EQ(astrPageTops(astrListing())[1], "\f         " + strAlphabet.substr(0, 100) + "  PAGE    2");
  /* 300 characters over six records are more than a TITLE takes: the
     operand is refused, the title stays blank, the run goes on */
  std::string strEjects;
  for (int i = 0; i < 200; i++) strEjects += "         EJECT\n";
  r = run("A        CSECT\n" + strContinued("TITLE", "'" + strAlphabet + "'") + "\n         DS    F\n" + strEjects +
          "         END\n");
  EXPECT_EQ(r.iRc, 12);
  EXPECT_EQ(astrAfter("                                                       TUVWXYZABCDEFGHIJKLMN'", 1),
            std::vector<std::string>{"  KZM111E *** ERROR *** Operand 1 is invalid."});
  std::vector<std::string> astrTops = astrPageTops(astrListing());
  /* every EJECT line opens a page of its own: 1 + 200 pages and the summary */
  ASSERT_EQ(astrTops.size(), 202u);
  for (size_t i = 0; i + 1 < astrTops.size(); i++) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "PAGE%5zu", i + 1);
    EXPECT_EQ(astrTops[i], "\f" + std::string(111, ' ') + sz);
  }
  EXPECT_EQ(astrAfter("\f" + std::string(111, ' ') + "PAGE  201", 5)[3],
            "                                    203          EJECT");
  /* LINECOUNT(10) with fifteen USINGs: the active-USINGs heading takes two
     lines and no page grows beyond ten lines */
  std::string strSource = "U        CSECT\n";
  for (int i = 1; i <= 15; i++)
    strSource += "         USING U+" + std::to_string(i * 4096) + "," + std::to_string(i) + "\n";
  for (int i = 0; i < 20; i++) strSource += "         DS    F\n";
  r = run(strSource + "         END\n", {"-LIST", "-LINECOUNT(10)", "-NOTERM"});
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  std::vector<std::string> astr = astrListing();
  size_t ulOnPage = 0, ulPages = 0;
  for (const std::string &str : astr) {
    if (!str.empty() && str[0] == '\f') ulOnPage = 0, ulPages++;
    EXPECT_LE(++ulOnPage, 10u) << "page " << ulPages;
  }
  EXPECT_EQ(ulPages, 9u);
  EXPECT_EQ(astrAfter("\f" + std::string(111, ' ') + "PAGE    4", 5),
            (std::vector<std::string>{
                "  Active USINGs: U+X'F000',15  U+X'E000',14  U+X'D000',13  U+X'C000',12  U+X'B000',11  "
                "U+X'A000',10  U+X'9000',9",
                "                 U+X'8000',8  U+X'7000',7  U+X'6000',6  U+X'5000',5  U+X'4000',4  U+X'3000',3  "
                "U+X'2000',2  U+X'1000',1",
                astr.at(2), "", "000004                               18          DS    F"}));
}

} // namespace
