// The listing writer written to a real file: headings, page control (line
// ends, form feeds, printer control language, ASA), tab compression, bold and
// underline, EBCDIC records, folding and write failures; the diagnostic lines
// and the closing summary; the listing control instructions.
//
// The assembly date is fixed at 2024/05/06 07.08, so the right end of every
// column heading line reads " VORN 1.2.00  2024/05/06 07.08".  LIST(121)
// lines are 120 columns wide: "PAGE    n" takes columns 112-120.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "coretest.h"
#include "gen1.h"
#include "mem.h"
#include "msc1.h"
#include "prn2.h"
#include "src1.h"
#include "testfront.h"
#include "vorn.h"
#include "work.h"
#include "xrf2.h"

namespace {

const std::string ESC = "\x1b";
const std::string c_strBlock = " VORN 1.2.00  2024/05/06 07.08";

/* Title line of page n (n < 10) with the given id and title text. */
std::string strTitleLine(int n, const std::string &strIdTitle = "")
{
  std::string str = strIdTitle;
  str.resize(111, ' ');
  return str + "PAGE    " + std::to_string(n);
}

std::string strColumnsLine(const std::string &strColumns = "")
{
  std::string str = strColumns;
  str.resize(90, ' ');
  return str + c_strBlock;
}

class Prn2Writer : public ::testing::Test {
protected:
  std::string strPath;
  ASMOPTIONS saved{};

  void SetUp() override
  {
    vFrontReset();
    vCharsReset();
    iCharsPair(0xA2, 0x4A); /* the cent sign selects symbol set 0N */
    vCharsBuildClasses();
    char sz[] = "/tmp/vornlistXXXXXX";
    int iFd = mkstemp(sz);
    close(iFd);
    strPath = sz;
    saved = g_opt;
    g_opt.bList = true;
    g_opt.bFold = false;
    g_opt.bTerm = 0;
    g_opt.ulFlag = FLAG_DEFAULT;
    g_opt.tmAssembly = {};
    g_opt.tmAssembly.tm_year = 124;
    g_opt.tmAssembly.tm_mon = 4;
    g_opt.tmAssembly.tm_mday = 6;
    g_opt.tmAssembly.tm_hour = 7;
    g_opt.tmAssembly.tm_min = 8;
    g_asm.ulTrace = 0;
  }

  void TearDown() override
  {
    vListClose(true);
    g_opt.bList = saved.bList;
    g_opt.bFold = saved.bFold;
    g_opt.bTerm = saved.bTerm;
    g_opt.ulFlag = saved.ulFlag;
    g_opt.ulLineForm = saved.ulLineForm;
    g_opt.bPrintCtl = saved.bPrintCtl;
    g_opt.ulLineCount = saved.ulLineCount;
    g_opt.ulListWidth = saved.ulListWidth;
    g_opt.apszSysin = saved.apszSysin;
    g_opt.apszSysinShow = saved.apszSysinShow;
    g_opt.ulSysinCount = saved.ulSysinCount;
    unlink(strPath.c_str());
  }

  /* Opens the listing and starts a report without title and columns. */
  void vOpen(uint32_t ulForm, uint8_t bCtl, uint32_t ulLines, unsigned uSpacing = 0, uint32_t ulWidth = 121)
  {
    g_opt.ulLineForm = ulForm;
    g_opt.bPrintCtl = bCtl;
    g_opt.ulLineCount = ulLines;
    g_opt.ulListWidth = ulWidth;
    g_opt.pszSysprint = strPath.data();
    vListOpen();
    g_opt.pszSysprint = nullptr;
    vListHeadingId(LIST_HOST, "", 0);
    vListReport(LIST_HOST, "", "", nullptr, uSpacing);
  }

  std::string strClose()
  {
    vListClose(false);
    std::ifstream f(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

  static void vLine(const std::string &str, uint32_t ulFlags = 0)
  {
    iListLine(LIST_HOST | ulFlags, str.data(), static_cast<uint32_t>(str.size()));
  }
};

TEST_F(Prn2Writer, HeadingAndLineEndsByPageControl)
{
  const std::string L1 = strTitleLine(1, "         TITLE"), L2 = strColumnsLine("COLS");
  struct ROW {
    uint32_t ulForm;
    uint8_t bCtl;
    std::string strExpected;
  } aRows[] = {
      {LW_LF, PC_FF, "\f" + L1 + "\n\n" + L2 + "\n\nONE\nTWO\n"},
      {LW_NL, PC_NL, L1 + "\r\n\r\n" + L2 + "\r\n\r\nONE\r\nTWO\r\n"},
      {LW_CR, PC_ASA, "1" + L1 + "\r0" + L2 + "\r0ONE\r TWO\r"},
  };
  for (const ROW &row : aRows) {
    vOpen(row.ulForm, row.bCtl, 60);
    vListReport(LIST_HOST, "TITLE", "COLS", nullptr, 1);
    vLine("ONE   ");
    vLine("TWO");
    EXPECT_EQ(strClose(), row.strExpected) << row.ulForm;
  }
}

TEST_F(Prn2Writer, AsaControlCharactersCountSkippedLines)
{
  struct ROW {
    int iSkip;
    std::string strTail;
  } aRows[] = {{0, " B\n"}, {1, "0B\n"}, {2, "-B\n"}, {3, "-\n B\n"}, {5, "-\n-B\n"}, {7, "-\n-\n0B\n"}};
  for (const ROW &row : aRows) {
    vOpen(LW_LF, PC_ASA, 0);
    vLine("A");
    if (row.iSkip > 0) vListSkip(row.iSkip);
    vLine("B");
    std::string str = strClose();
    EXPECT_EQ(str.substr(str.find(" A\n") + 3), row.strTail) << row.iSkip;
  }
}

TEST_F(Prn2Writer, NoPagingKeepsOneHeadingAndAtMostHundredBlankLines)
{
  vOpen(LW_LF, PC_NL, 0);
  for (int i = 0; i < 150; i++) vLine("X");
  vListSkip(150);
  vLine("A");
  vListNewPage(0);
  vListReport(LIST_HOST, "NEXT", "", nullptr, 2);
  vLine("B");
  std::string str = strClose();
  EXPECT_EQ(str.find("PAGE"), str.rfind("PAGE"));
  EXPECT_EQ(str.find("NEXT"), std::string::npos);
  EXPECT_NE(str.find("X\n" + std::string(100, '\n') + "A\n\nB\n"), std::string::npos);
  EXPECT_EQ(str.find("X\n" + std::string(101, '\n')), std::string::npos);
}

TEST_F(Prn2Writer, PagesBreakAtLineCountAndNlFillsThePage)
{
  vOpen(LW_LF, PC_FF, 10); /* heading: title, blank, columns */
  for (int i = 1; i <= 8; i++) vLine(std::to_string(i));
  std::string str = strClose();
  EXPECT_NE(str.find("7\n\f" + strTitleLine(2) + "\n\n" + strColumnsLine() + "\n8\n"), std::string::npos) << str;

  vOpen(LW_LF, PC_NL, 10);
  vLine("A");
  vListSkip(2);
  vLine("B"); /* 7 of 10 lines used */
  vListNewPage(0);
  vLine("C");
  str = strClose();
  EXPECT_NE(str.find("A\n\n\nB\n\n\n\n" + strTitleLine(2) + "\n"), std::string::npos) << str;
}

TEST_F(Prn2Writer, ConditionalEjectStartsPageOnlyWhenLinesDoNotFit)
{
  vOpen(LW_LF, PC_FF, 10);
  vLine("A");      /* 4 of 10 used */
  vListNewPage(6); /* fits */
  vLine("B");
  vListNewPage(6); /* 5 + 6 do not fit */
  vLine("C");
  vListNewPage(-1); /* the page is not empty */
  std::string str = strClose();
  EXPECT_NE(str.find("A\nB\n\f" + strTitleLine(2)), std::string::npos) << str;
  EXPECT_EQ(str.rfind('\f'), str.find("\f" + strTitleLine(2)));
}

TEST_F(Prn2Writer, PrinterSetupFollowsLineCount)
{
  const std::string strStart = ESC + "E" + ESC + "&k2G";
  struct ROW {
    uint32_t ulLines;
    std::string strSetup;
  } aRows[] = {
      {60, strStart + ESC + "&l1o1L" + ESC + "(0N" + ESC + "(s0p12.00h10.0v0s0b3T" + ESC + ")0N" + ESC +
               ")s0p12.00h10.0v0s3b3T" + ESC + "&k9.6H" + ESC + "&l8d4E" + ESC + "&l60f0L"},
      {40, strStart + ESC + "&l1o1L" + ESC + "(0N" + ESC + "(s0p12.00h10.0v0s0b3T" + ESC + ")0N" + ESC +
               ")s0p12.00h10.0v0s3b3T" + ESC + "9" + ESC + "&a1L" + ESC + "&l6.6666c4E" + ESC + "&l40f0L"},
      {66, strStart + ESC + "&l0O" + ESC + "(0N" + ESC + "(s0p16.67h8.5v0s0b0T" + ESC + "&k7.2H" + ESC + "9" + ESC +
               "&a1L" + ESC + "&l8d4E" + ESC + "&l66f0L"},
      {0, strStart + ESC + "&l0O" + ESC + "(0N" + ESC + "(s0p16.67h8.5v0s0b0T" + ESC + "&k7.2H" + ESC + "9" + ESC +
              "&a1L" + ESC + "&l5.6666c5E" + ESC + "&l1L"},
  };
  for (const ROW &row : aRows) {
    vOpen(LW_LF, PC_HP, row.ulLines);
    vLine("X");
    std::string str = strClose();
    EXPECT_EQ(str.substr(0, row.strSetup.size() + 1), row.strSetup + "\f") << row.ulLines;
    EXPECT_EQ(str.substr(str.size() - 4), "X\n" + ESC + "E") << row.ulLines; /* printer reset at close */
  }
}

TEST_F(Prn2Writer, PrinterLanguageTabsBoldAndUnderline)
{
  vOpen(LW_LF, PC_HP, 40);
  vLine("        TEXT");
  vLine("AB      CD");
  vLine("ABCDEFG X");
  vLine("ABCDEF  X");
  vLine("BOLD", LL_BOLD);
  vLine("AB CD", LL_UNDERLINE);
  std::string str = strClose();
  std::string strExpected = "\n\tTEXT\nAB\tCD\nABCDEFG X\nABCDEF\tX\n\x0e"
                            "BOLD\n\x0f" +
                            ESC + "&d0DAB" + ESC + "&d@ " + ESC + "&d0DCD" + ESC + "&d@\n" + ESC + "E";
  ASSERT_GE(str.size(), strExpected.size());
  EXPECT_EQ(str.substr(str.size() - strExpected.size()), strExpected);
}

TEST_F(Prn2Writer, EbcdicRecords)
{
  vOpen(LW_V, PC_FF, 60); /* EBCDIC records always carry ASA characters */
  iListLine(LIST_EBCDIC, "\xC1\xC2\x40\x40", 4);
  vListSkip(1);
  vLine("C");
  std::string str = strClose();
  EXPECT_EQ(str.substr(0, 6), std::string("\x00\x7D\x00\x00\xF1\x40", 6)); /* 120 columns of title line */
  EXPECT_EQ(str.substr(str.size() - 13), std::string("\x00\x07\x00\x00\x40\xC1\xC2\x00\x06\x00\x00\xF0\xC3", 13));

  vOpen(80, PC_FF, 60);
  vLine("AB");
  str = strClose();
  ASSERT_EQ(str.size(), 3u * 80);                                                    /* title line, columns line, AB */
  EXPECT_EQ(str.substr(71, 9), std::string("\xD7\xC1\xC7\xC5\x40\x40\x40\x40\xF1")); /* PAGE    1 in 72-80 */
  EXPECT_EQ(str.substr(80, 1), "\xF0");
  EXPECT_EQ(str.substr(160), "\x40\xC1\xC2" + std::string(77, '\x40'));
}

TEST_F(Prn2Writer, TitleAndHeadingIdAreCut)
{
  vOpen(LW_LF, PC_FF, 60);
  vListHeadingId(LIST_HOST, "ABCDEFGHIJ", 10);
  std::string strTitle(120, 'T');
  vListTitle(LIST_HOST, strTitle.data(), 120);
  vLine("X");
  vListTitle(LIST_EBCDIC, "\xC8\x89", 2); /* "Hi" */
  vListNewPage(0);
  vLine("Y");
  std::string str = strClose();
  EXPECT_EQ(str.substr(0, 121), "\f" + strTitleLine(1, "ABCDEFGH " + std::string(100, 'T')));
  EXPECT_NE(str.find("\f" + strTitleLine(2, "ABCDEFGH Hi") + "\n"), std::string::npos);
}

TEST_F(Prn2Writer, FoldUpperCasesMarkedLines)
{
  struct ROW {
    bool bFold;
    uint32_t ulFlags;
    std::string strExpected;
  } aRows[] = {{true, LL_FOLD, "\nMIXED CASE\n"}, {true, 0, "\nMixed case\n"}, {false, LL_FOLD, "\nMixed case\n"}};
  for (const ROW &row : aRows) {
    g_opt.bFold = row.bFold;
    vOpen(LW_LF, PC_NL, 0);
    vLine("Mixed case", row.ulFlags);
    std::string str = strClose();
    EXPECT_EQ(str.substr(str.size() - row.strExpected.size()), row.strExpected) << row.bFold << row.ulFlags;
  }
}

TEST_F(Prn2Writer, WriteAndOpenFailuresEndTheRun)
{
  g_opt.ulLineForm = LW_LF;
  g_opt.bPrintCtl = PC_FF;
  g_opt.ulLineCount = 60;
  g_opt.ulListWidth = 121;
  char szFull[] = "/dev/full";
  g_opt.pszSysprint = szFull;
  vListOpen();
  g_opt.pszSysprint = nullptr;
  for (int i = 0; i < 300; i++) vLine("LINE");
  std::string strOut = strExpectTerminate([] { vListClose(false); });
  EXPECT_NE(strOut.find("KZM900S Error writing listing file /dev/full: No space left on device"), std::string::npos)
      << strOut;
  EXPECT_FALSE(bListOpen());

  /* the termination releases the option storage, this name with it */
  const char szMissing[] = "/nonexistent-dir/prog.lst";
  g_opt.pszSysprint = static_cast<char *>(pSubpoolAlloc(SP_HEAP, sizeof szMissing, "test", __LINE__));
  std::memcpy(g_opt.pszSysprint, szMissing, sizeof szMissing);
  strOut = strExpectTerminate([] { vListOpen(); });
  EXPECT_EQ(g_opt.pszSysprint, nullptr);
  EXPECT_NE(strOut.find("KZM900S Error opening listing file /nonexistent-dir/prog.lst: No such file or directory"),
            std::string::npos)
      << strOut;
}

/* ---- diagnostics and the closing summary --------------------------------------- */

class Prn2Reports : public Prn2Writer {
protected:
  /* The lines printed after the heading (title, blank, columns). */
  std::vector<std::string> astrBody()
  {
    std::vector<std::string> astr = astrLinesOf(strClose());
    return astr.size() > 3 ? std::vector<std::string>(astr.begin() + 3, astr.end()) : astr;
  }
  static std::vector<std::string> astrLinesOf(const std::string &str)
  {
    std::vector<std::string> astr;
    size_t ulStart = 0;
    for (size_t ulEnd; (ulEnd = str.find('\n', ulStart)) != std::string::npos; ulStart = ulEnd + 1)
      astr.push_back(str.substr(ulStart, ulEnd - ulStart));
    return astr;
  }
  static void vStatement(uint32_t ulStmt, uint32_t ulSrcId, uint32_t ulLine)
  {
    g_asm.ulStmtNo = ulStmt;
    g_asm.ulSrcId = ulSrcId;
    g_asm.ulSrcLine = ulLine;
  }
};

TEST_F(Prn2Reports, DiagnosticLinesBySeverityAndKind)
{
  std::string strLong(150, 'x');
  std::vector<uint8_t> abName = abEbcdic("DUP has been previously defined.");
  struct ROW {
    int iSeverity, iNumber;
    uint8_t bForm;
    std::string strText;
    std::vector<std::string> astrLines;
  } aRows[] = {
      {4, 43, DIAG_HOST_TEXT, "Watch out.", {"  KZM043W ** WARNING ** Watch out."}},
      {8, 44, DIAG_HOST_TEXT, "Wrong.", {"  KZM044E *** ERROR *** Wrong."}},
      {0, 45, DIAG_HOST_TEXT, "Plain.", {"  KZM045I ** WARNING ** Plain."}},
      {12,
       110,
       DIAG_NAME_TEXT,
       std::string(abName.begin(), abName.end() - 1),
       {"  KZM110E *** ERROR *** DUP has been previously defined."}},
      {16,
       46,
       DIAG_HOST_TEXT,
       strLong,
       {"  KZM046E *** ERROR *** " + std::string(96, 'x'), std::string(24, ' ') + std::string(54, 'x')}},
      {8, 300, DIAG_HOST_TEXT, "8,Note text", {"  KZM300I *** MNOTE ***" + std::string(15, ' ') + "7 8,Note text"}},
      {0,
       0,
       DIAG_HOST_TEXT,
       std::string(80, 'n'),
       {"  KZM000I *** MNOTE ***" + std::string(15, ' ') + "7 " + std::string(72, 'n'),
        std::string(40, ' ') + std::string(8, 'n')}},
  };
  for (const ROW &row : aRows) {
    vOpen(LW_LF, PC_NL, 0);
    vReportReset();
    vStatement(7, 1, 7);
    vListDiagnostic(row.iSeverity, row.iNumber, row.bForm, static_cast<uint32_t>(row.strText.size()),
                    row.strText.data());
    EXPECT_EQ(astrBody(), row.astrLines) << row.iNumber;
  }
}

TEST_F(Prn2Reports, SummaryListsFlaggedStatementsOnce)
{
  const char *const apszNames[] = {"first.asm", "second.asm"};
  uint32_t ulFirst = ulSourceIdentity(apszNames[0]), ulSecond = ulSourceIdentity(apszNames[1]);
  char *apszSysin[] = {const_cast<char *>(apszNames[0]), const_cast<char *>(apszNames[1])};
  g_opt.apszSysin = apszSysin;
  g_opt.apszSysinShow = nullptr;
  g_opt.ulSysinCount = 2;
  std::snprintf(g_opt.achSysIdent, sizeof g_opt.achSysIdent, "TESTOS 1.0");
  std::snprintf(g_opt.achComputer, sizeof g_opt.achComputer, "HOST");
  std::snprintf(g_opt.aSys[SV_SYSJOB].achValue, sizeof g_opt.aSys[0].achValue, "VORN");
  std::snprintf(g_opt.aSys[SV_SYSSTEP].achValue, sizeof g_opt.aSys[0].achValue, "(NOSTEP)");
  g_rec.ulSysut1Size = 1234;
  g_asm.ulMaxSev = 12;
  struct ROW {
    uint32_t ulFlag;
    std::vector<std::string> astrList;
  } aRows[] = {
      {FLAG_DEFAULT, {"first.asm", " 3(3), 5(9),", "second.asm", " 6(2)"}},
      {FLAG_DEFAULT & ~FLAG_RECORD, {" 3, 5, 6"}},
  };
  for (const ROW &row : aRows) {
    g_opt.ulFlag = row.ulFlag;
    vOpen(LW_LF, PC_NL, 0);
    vReportReset();
    vReportNoteSource(ulSecond, 1, 4);
    vReportNoteSource(ulFirst, 2, 9);
    vReportNoteSource(ulFirst, 1, 1);
    vStatement(3, ulFirst, 3);
    vListDiagnostic(12, 40, DIAG_HOST_TEXT, 1, "A");
    vListDiagnostic(4, 41, DIAG_HOST_TEXT, 1, "B");
    vStatement(5, ulFirst, 9);
    vListDiagnostic(4, 41, DIAG_HOST_TEXT, 1, "C");
    vStatement(6, ulSecond, 2);
    vListDiagnostic(4, 41, DIAG_HOST_TEXT, 1, "D");
    EXPECT_TRUE(bReportLastFlagged(6));
    EXPECT_FALSE(bReportLastFlagged(5));
    vReportSummary();
    std::vector<std::string> astr = astrLinesOf(strClose());
    auto it = std::find(astr.begin(), astr.end(), "The following statements were flagged -");
    ASSERT_NE(it, astr.end());
    std::vector<std::string> astrExpected = row.astrList;
    for (const char *psz :
         {"3 statements flagged in this assembly,  12 was the highest severity code", "", "TESTOS 1.0, VERSION 1.2.00",
          "HOST    JOBNAME: VORN    STEPNAME: (NOSTEP)", "", "Primary input:  lines      1 to       9 of first.asm",
          "                           1 to       4 of second.asm", "", "SYSUT1 work file size: 1234"})
      astrExpected.push_back(psz);
    EXPECT_EQ(std::vector<std::string>(it + 1, astr.end()), astrExpected);
  }
}

TEST_F(Prn2Reports, SummaryEdgeCases)
{
  vOpen(LW_LF, PC_NL, 0);
  vReportReset();
  vReportSummary();
  std::string str = strClose();
  EXPECT_NE(str.find("\nNo statements flagged in this assembly\n"), std::string::npos);
  EXPECT_EQ(str.find("flagged -"), std::string::npos);

  /* one statement: singular; a long list fills lines of 120 columns */
  g_opt.ulFlag = FLAG_DEFAULT & ~FLAG_RECORD;
  vOpen(LW_LF, PC_NL, 0);
  vReportReset();
  for (uint32_t n = 100001; n <= 100016; n++) {
    vStatement(n, 1, n);
    vListDiagnostic(8, 50, DIAG_HOST_TEXT, 1, "E");
  }
  vReportSummary();
  str = strClose();
  std::string strFirst;
  for (uint32_t n = 100001; n <= 100015; n++) strFirst.append(" ").append(std::to_string(n)).append(",");
  EXPECT_NE(str.find("\n" + strFirst + "\n 100016\n16 statements flagged"), std::string::npos) << str;

  vOpen(LW_LF, PC_NL, 0);
  vReportReset();
  vStatement(4, 1, 4);
  vListDiagnostic(8, 50, DIAG_HOST_TEXT, 1, "E");
  vReportSummary();
  EXPECT_NE(strClose().find("\n1 statement flagged in this assembly,"), std::string::npos);
}

TEST_F(Prn2Reports, RecordLineFollowsFold)
{
  for (bool bFold : {false, true}) {
    g_opt.bFold = bFold;
    vOpen(LW_LF, PC_NL, 0);
    vListRecordLine(17, "dir/prog.asm");
    EXPECT_EQ(astrBody(), std::vector<std::string>{bFold ? "  KZM301I RECORD 17 IN dir/prog.asm"
                                                         : "  KZM301I Record 17 in dir/prog.asm"});
  }
}

/* ---- listing control instructions ---------------------------------------------------- */

class Prn2Control : public Prn2Writer {
protected:
  std::vector<uint8_t> abOps;

  void SetUp() override
  {
    Prn2Writer::SetUp();
    ASSERT_TRUE(bStatementInHand(false, 1));
    vPhaseSet('1', 'C');
    g_opt.bPrintForced = 0;
    g_opt.bPrintAllowed = 0xFF;
  }
  void TearDown() override
  {
    vListControlReset();
    vSubpoolRelease(SP_PHASE1);
    vStatementRelease();
    vPhaseSet('0', 'N');
    Prn2Writer::TearDown();
  }
  /* Kind 7 sub-records of comma-separated operands; their count. */
  int iOperands(const std::string &strOperands)
  {
    abOps.clear();
    int n = 0;
    size_t ulStart = 0;
    for (bool bMore = !strOperands.empty(); bMore; n++) {
      size_t ulComma = strOperands.find(',', ulStart);
      bMore = ulComma != std::string::npos;
      std::string str = strOperands.substr(ulStart, bMore ? ulComma - ulStart : std::string::npos);
      uint32_t ulHead = SUB_OPERAND | static_cast<uint32_t>(str.size() + 4) << 8;
      for (int k = 0; k < 4; k++) abOps.push_back(static_cast<uint8_t>(ulHead >> (8 * k)));
      std::vector<uint8_t> ab = abEbcdic(str);
      abOps.insert(abOps.end(), ab.begin(), ab.end() - 1);
      ulStart = ulComma + 1;
    }
    abOps.insert(abOps.end(), 4, 0);
    return n;
  }
  /* A fresh statement with the PRINT status byte and nesting level. */
  static void vFresh(uint8_t bPrint = 0x91, int16_t sNest = 0)
  {
    vStmtSetPrintStatus(bPrint);
    vStmtStart();
    vPut16(pRecord() + STMT_NEST, static_cast<uint16_t>(sNest));
  }
};

TEST_F(Prn2Control, PrintKeywordsChangeTheStatusOfLaterStatements)
{
  struct ROW {
    std::string strOperands;
    uint8_t bForced;
    uint8_t bStatus; /* in force afterwards; before: X'91' */
    uint16_t usNoprint;
    std::string strDiag;
  } aRows[] = {
      {"OFF", 0, 0x11, 0, ""},
      {"nogen,DATA,NOUHEAD", 0, 0x82, 0, ""},
      {"MCALL,MSOURCE,LIBMAC", 0, 0xBD, 0, ""},
      {"OFF,ON", 0, 0x11, 0, "diag=111/12:Operand 2 is invalid."},
      {"GENX,GEN,NOGEN", 0, 0x91, 0, "diag=111/12:Operand 1 is invalid. diag=111/12:Operand 3 is invalid."},
      {"NOPRINT", 0, 0x91, 0, "diag=111/12:Operand 1 is invalid."},
      {"DATA,NOPRINT", 0, 0x93, SF_NOPRINT, ""},
      {"NODATA", PRT_DATA, 0x93, 0, ""},
  };
  for (const ROW &row : aRows) {
    g_opt.bPrintForced = row.bForced;
    vFresh();
    int n = iOperands(row.strOperands);
    vPrintStatement(0, nullptr, n, abOps.data());
    EXPECT_EQ(bStmtPrintStatus(), row.bStatus) << row.strOperands;
    EXPECT_EQ(pRecord()[STMT_PRINT], 0x91) << row.strOperands; /* the statement itself keeps its status */
    EXPECT_EQ(usStmtFlags() & SF_NOPRINT, row.usNoprint) << row.strOperands;
    std::string strDump = strRecordDump();
    EXPECT_EQ(strDump.find("diag=") == std::string::npos ? "" : strDump.substr(strDump.find("diag=")), row.strDiag)
        << row.strOperands;
  }
}

TEST_F(Prn2Control, PushAndPopKeepThePrintStack)
{
  struct ROW {
    bool bPush;
    std::string strOperands;
    uint8_t bBefore, bAfter;
    uint16_t usFlags;
    std::string strDiag;
  } aRows[] = {
      {false, "PRINT", 0x91, 0x91, 0, "diag=163/12:PRINT stack is empty."},
      {true, "PRINT", 0x91, 0x91, 0, ""},
      {true, "PRINT,NOPRINT", 0x11, 0x11, SF_NOPRINT, ""},
      {false, "PRINT", 0x00, 0x11, 0, ""},
      {false, "print,using", 0x00, 0x91, SF_PHASE2, ""},
      {false, "PRINT", 0x00, 0x00, 0, "diag=163/12:PRINT stack is empty."},
      {true, "NOPRINT", 0x91, 0x91, 0, "diag=111/12:Operand 1 is invalid."},
      {true, "PRINT,PRINT", 0x91, 0x91, 0, "diag=111/12:Operand 2 is invalid."},
      {true, "PRINTER", 0x91, 0x91, 0, "diag=111/12:Operand 1 is invalid."},
  };
  for (const ROW &row : aRows) {
    vFresh(row.bBefore);
    int n = iOperands(row.strOperands);
    (row.bPush ? vPushStatement : vPopStatement)(0, nullptr, n, abOps.data());
    EXPECT_EQ(bStmtPrintStatus(), row.bAfter) << row.strOperands;
    EXPECT_EQ(usStmtFlags() & (SF_NOPRINT | SF_PHASE2), row.usFlags) << row.strOperands;
    std::string strDump = strRecordDump();
    EXPECT_EQ(strDump.find("diag=") == std::string::npos ? "" : strDump.substr(strDump.find("diag=")), row.strDiag)
        << row.strOperands;
  }
}

TEST_F(Prn2Control, SpacingStatementsReachThePhaseTwoOnlyWhenPrinted)
{
  struct ROW {
    void (*pfn)(uint32_t, const uint8_t *, int, const uint8_t *);
    std::string strOperands;
    uint8_t bPrint;
    int16_t sNest;
    uint16_t usFlags;
  } aRows[] = {
      {vSpaceStatement, "5", 0x91, 0, SF_PHASE2},
      {vSpaceStatement, "", 0x00, 0, 0},
      {vEjectStatement, "", 0x80, 2, 0},
      {vEjectStatement, "", 0x81, 2, SF_PHASE2},
      {vCejectStatement, "UNDEFINED", 0x80, 0, SF_PHASE2},
      {vCejectStatement, "32768", 0x80, 0, SF_ERROR},
  };
  for (const ROW &row : aRows) {
    vFresh(row.bPrint, row.sNest);
    int n = iOperands(row.strOperands);
    row.pfn(0, nullptr, n, abOps.data());
    EXPECT_EQ(usStmtFlags() & (SF_PHASE2 | SF_ERROR), row.usFlags) << row.strOperands;
  }
}

TEST_F(Prn2Control, TitleLabelAndTitleText)
{
  std::vector<uint8_t> abLabel = abEbcdic("PROG");
  vFresh();
  vTitleStatement(4, abLabel.data(), 0, nullptr);
  EXPECT_TRUE(usStmtFlags() & SF_PHASE2);
  vFresh();
  vTitleStatement(4, abLabel.data(), 0, nullptr);
  EXPECT_NE(strRecordDump().find("diag=160/12:TITLE label field has already been specified."), std::string::npos);
  uint32_t ulLength = 0;
  const uint8_t *pLabel = pTitleLabel(&ulLength);
  EXPECT_EQ(strAscii(pLabel, ulLength), "PROG");

  vOpen(LW_LF, PC_NL, 60);
  struct ROW {
    std::string strOperand, strTitle;
  } aRows[] = {{"'A''B&&C'", "A'B&C"},
               {"''", ""},
               {"'ABC", "?"},
               {"ABC", "?"},
               {"'A'B'", "?"},
               {"'" + std::string(101, 'T') + "'", "?"},
               {"'" + std::string(100, 'T') + "'", std::string(100, 'T')}};
  int iPage = 0;
  for (const ROW &row : aRows) {
    vFresh();
    vListTitle(LIST_HOST, "?", 1);
    int n = iOperands(row.strOperand);
    vTitleSecondPhase(0, nullptr, n, abOps.data());
    bool bInvalid = strRecordDump().find("diag=111/12:Operand 1 is invalid.") != std::string::npos;
    EXPECT_EQ(bInvalid, row.strTitle == "?") << row.strOperand;
    vLine("X");
    if (!bInvalid || iPage == 0) iPage++; /* a valid title starts a page */
    EXPECT_EQ(usListPage(), iPage) << row.strOperand;
  }
  std::string str = strClose();
  EXPECT_NE(str.find(strTitleLine(1, "         A'B&C")), std::string::npos);
  EXPECT_NE(str.find(strTitleLine(2) + "\n"), std::string::npos);
}

} // namespace
