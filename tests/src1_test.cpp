// Source reader: file formats, card images, statements with their fields and
// continuation rules, several SYSIN files, library search and LIBEXIT.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "asm0.h"
#include "coretest.h"
#include "chars.h"
#include "mem.h"
#include "opt.h"
#include "optimage.h"
#include "src1.h"
#include "testfront.h"

namespace {

const std::string c_strLongNote = "KZM125I Record longer than 80 characters: the text after column 80 is dropped, "
                                  "here and in any later such record of this file.\n";

class SourceTest : public CoreTest {
protected:
  SRCSTMT stmt{};

  void TearDown() override
  {
    vGrowbufFree(&stmt.cards, "test", __LINE__);
    CoreTest::TearDown();
  }
  /* Reads all statements; each as "line:label|operation|operands|error". */
  std::vector<std::string> astrStatements()
  {
    std::vector<std::string> astr;
    while (iStatementRead(&stmt) == 0) {
      const uint8_t *p = static_cast<const uint8_t *>(stmt.cards.pData);
      std::string str = std::to_string(stmt.ulLine) + ":" + strAscii(p + stmt.ulLabelOff, stmt.ulLabelLen) + "|" +
                        strAscii(p + stmt.ulOpOff, stmt.ulOpLen) + "|";
      if (stmt.ulOperandOff != 0) {
        std::string strRest = strAscii(p + stmt.ulOperandOff, stmt.ulRecords * SRC_RECORD - stmt.ulOperandOff);
        str += strRest.substr(0, strRest.find(' '));
      }
      if (stmt.bComment) str += "(comment)";
      if (stmt.iError != 0) str.append("|").append(std::to_string(stmt.iError)).append(" ").append(stmt.achError);
      astr.push_back(str);
    }
    return astr;
  }
  std::string strCard(size_t i) const
  {
    return strAscii(static_cast<const uint8_t *>(stmt.cards.pData) + i * SRC_RECORD, SRC_RECORD);
  }
};

TEST_F(SourceTest, FormatIsJudgedFromTheFirstBytes)
{
  std::string strText = "         LR    1,2\n";
  std::string strCards(160, ' ');
  std::vector<uint8_t> abCards = abEbcdic(std::string(80, ' ') + "         END");
  abCards.pop_back();
  EXPECT_EQ(iSourceFormat(reinterpret_cast<const uint8_t *>(strText.data()), 19), FMT_TEXT);
  EXPECT_EQ(iSourceFormat(reinterpret_cast<const uint8_t *>(strCards.data()), 160), FMT_ASCII_RECORDS);
  EXPECT_EQ(iSourceFormat(reinterpret_cast<const uint8_t *>("A\tB"), 3), FMT_TEXT);
  EXPECT_EQ(iSourceFormat(abCards.data(), static_cast<uint32_t>(abCards.size())), FMT_EBCDIC_RECORDS);
}

TEST_F(SourceTest, TextLinesBecomeCardImages)
{
  strWrite("a.asm", std::string("\tLR 1,2\r\n") + std::string(100, 'X') + "\rLAST\xC2\xAC" + "Y\n\x1A");
  ASSERT_TRUE(bOpen({"a.asm"}));
  const uint8_t *p = pRecordRead();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(strAscii(p, 80), std::string(8, ' ') + "LR 1,2" + std::string(66, ' ')); /* tab to column 9 */
  p = pRecordRead();
  EXPECT_EQ(strAscii(p, 80), std::string(80, 'X')); /* cut at 80; lone CR ends the line */
  p = pRecordRead();
  EXPECT_EQ(p[4], 0x5F); /* UTF-8 not sign: one column */
  EXPECT_EQ(strAscii(p, 6), "LAST\xACY");
  EXPECT_EQ(pRecordRead(), nullptr);                                  /* the final Ctrl-Z is no record */
  EXPECT_EQ(g_front.strOut, strDir + "/a.asm(2) : " + c_strLongNote); /* the 20 Xs cut */
}

/* Text after column 80 is dropped; the first record of each file that
   loses more than blanks is noted, once for the file. */
TEST_F(SourceTest, LongRecordsAreCutWithOneNotePerFile)
{
  strWrite("l.asm", std::string(80, 'A') + "  \t \n" + /* only blanks beyond */
                        std::string(81, 'B') + "\n" + std::string(90, 'C') + "\n");
  strWrite("m.asm", "*" + std::string(10, '\t') + "D\n"); /* tabs to column 81: D is cut */
  ASSERT_TRUE(bOpen({"l.asm", "m.asm"}));
  EXPECT_EQ(strAscii(pRecordRead(), 80), std::string(80, 'A'));
  EXPECT_EQ(strAscii(pRecordRead(), 80), std::string(80, 'B'));
  EXPECT_EQ(strAscii(pRecordRead(), 80), std::string(80, 'C'));
  EXPECT_EQ(strAscii(pRecordRead(), 80), "*" + std::string(79, ' '));
  EXPECT_EQ(pRecordRead(), nullptr);
  EXPECT_EQ(g_front.strOut, strDir + "/l.asm(2) : " + c_strLongNote + strDir + "/m.asm(1) : " + c_strLongNote);
}

TEST_F(SourceTest, RunsOfPlainBytesStopAtLeadBytesAndLineEndsInsideEightByteGroups)
{
  strWrite("r.asm", "0123456789A\xC2\xAC"
                    "BCDEFGHIJ\tK\r\nLMNOPQRSTUVWXYZ\x01Z\n");
  ASSERT_TRUE(bOpen({"r.asm"}));
  EXPECT_EQ(strAscii(pRecordRead(), 25), "0123456789A\xAC"
                                         "BCDEFGHIJ   K"); /* tab from column 22 to 25 */
  EXPECT_EQ(strAscii(pRecordRead(), 17).substr(0, 15), "LMNOPQRSTUVWXYZ");
  EXPECT_EQ(pRecordRead(), nullptr);
}

TEST_F(SourceTest, LinesAcrossTheReadBufferBoundariesAreWhole)
{
  /* the file is read 1024 bytes at a time: after 16 lines of 63 bytes the
     Bs, the tab and the Cs of line 17 straddle byte 1024, the dropped end
     of the long line 18 byte 2048 */
  std::string strText;
  for (int i = 0; i < 16; i++) strText += std::string(62, 'Z') + "\n";
  strWrite("b.asm",
           strText + std::string(10, 'B') + "\t" + std::string(10, 'C') + "\n" + std::string(1100, 'D') + "\nE\n");
  ASSERT_TRUE(bOpen({"b.asm"}));
  for (int i = 0; i < 16; i++) ASSERT_EQ(strAscii(pRecordRead(), 80), std::string(62, 'Z') + std::string(18, ' '));
  EXPECT_EQ(strAscii(pRecordRead(), 80), std::string(10, 'B') + "      " + std::string(10, 'C') + std::string(54, ' '));
  EXPECT_EQ(strAscii(pRecordRead(), 80), std::string(80, 'D'));
  EXPECT_EQ(strAscii(pRecordRead(), 80), "E" + std::string(79, ' '));
  EXPECT_EQ(pRecordRead(), nullptr);
}

TEST_F(SourceTest, LineEndsAtTheReadBufferBoundary)
{
  /* after 16 lines of 63 bytes: CR at byte 1023 and LF at byte 1024, then
     a line whose LF is byte 2047, the last of the second 1024 bytes */
  std::string strText;
  for (int i = 0; i < 16; i++) strText += std::string(62, 'Z') + "\n";
  strWrite("e.asm", strText + std::string(15, 'A') + "\r\nBB\r\n" + std::string(1018, 'C') + "\nD\n");
  ASSERT_TRUE(bOpen({"e.asm"}));
  for (int i = 0; i < 16; i++) ASSERT_EQ(strAscii(pRecordRead(), 80), std::string(62, 'Z') + std::string(18, ' '));
  EXPECT_EQ(strAscii(pRecordRead(), 80), std::string(15, 'A') + std::string(65, ' '));
  EXPECT_EQ(strAscii(pRecordRead(), 80), "BB" + std::string(78, ' '));
  EXPECT_EQ(strAscii(pRecordRead(), 80), std::string(80, 'C'));
  EXPECT_EQ(strAscii(pRecordRead(), 80), "D" + std::string(79, ' '));
  EXPECT_EQ(pRecordRead(), nullptr);
}

TEST_F(SourceTest, UntranslatableCharactersAreReportedAndBlanked)
{
  strWrite("u.asm", "AB\x7F"
                    "C\n");
  ASSERT_TRUE(bOpen({"u.asm"}));
  const uint8_t *p = pRecordRead();
  EXPECT_EQ(strAscii(p, 4), "AB C");
  EXPECT_EQ(g_front.strOut, strDir + "/u.asm(1) : KZM099I Unrecognized ASCII character X'7F' in column 3 "
                                     "translated to a blank.\n");
  /* at the start of a line, and a control character after a tab */
  g_front.strOut.clear();
  strWrite("v.asm", "\x7F\tB\x01"
                    "C\nA CDEFG\x7FIJ K\n");
  ASSERT_TRUE(bOpen({"v.asm"}));
  EXPECT_EQ(strAscii(pRecordRead(), 12), std::string(8, ' ') + "B C ");
  EXPECT_EQ(strAscii(pRecordRead(), 13), "A CDEFG IJ K ");
  const std::string strNote = " : KZM099I Unrecognized ASCII character X'";
  EXPECT_EQ(g_front.strOut, strDir + "/v.asm(1)" + strNote + "7F' in column 1 translated to a blank.\n" + strDir +
                                "/v.asm(1)" + strNote + "01' in column 10 translated to a blank.\n" + strDir +
                                "/v.asm(2)" + strNote + "7F' in column 8 translated to a blank.\n");
}

TEST_F(SourceTest, CardImageFilesAreReadAsRecords)
{
  std::vector<uint8_t> abCards = abEbcdic(std::string(9, ' ') + "LR    1,2" + std::string(62, ' ') +
                                          std::string(9, ' ') + "END" + std::string(68, ' '));
  abCards.pop_back();
  strWrite("e.asm", std::string(abCards.begin(), abCards.end()));
  strWrite("f.asm", std::string(9, ' ') + "SR    1,1" + std::string(62, ' ') + "         END");
  ASSERT_TRUE(bOpen({"e.asm", "f.asm"}));
  EXPECT_EQ(astrStatements(), (std::vector<std::string>{"1:|LR|1,2", "2:|END|", "1:|SR|1,1", "2:|END|"}));
}

TEST_F(SourceTest, StatementsAreSplitIntoFields)
{
  auto cont = [](const std::string &str) { return str + std::string(71 - str.size(), ' ') + "X\n"; };
  strWrite("s.asm", "* a comment line\n"
                    "LOOP     L     3,FIELD     remark\n"
                    "\n"
                    "LABEL\n" +
                        cont("         MVC   A,B") +
                        "               C,D\n"
                        "         DC    C'A B'\n"
                        "Q'A B'   DC    F'1'\n" +
                        cont("         AB#   1") + "         X\n" + cont("         LA    1,2"));
  ASSERT_TRUE(bOpen({"s.asm"}));
  EXPECT_EQ(astrStatements(), (std::vector<std::string>{
                                  "1:||(comment)",
                                  "2:LOOP|L|3,FIELD",
                                  "3:||",
                                  "4:LABEL||"
                                  "|103 The operation entry must be specified entirely on the first statement line.",
                                  "5:|MVC|A,B",
                                  "7:|DC|C'A",
                                  "8:Q'A B'|DC|F'1'",
                                  "9:|AB#|1|102 Non-blank characters found before begin-to-continue column.",
                                  "11:|LA|1,2|101 End of file encountered in continued statement.",
                              }));
  /* blank runs across eight-column steps; an operation up to the end column */
  strWrite("t.asm",
           "A" + std::string(15, ' ') + "LR" + std::string(16, ' ') + "1,2\nB" + std::string(61, ' ') + "ABCDEFGHI\n");
  ASSERT_TRUE(bOpen({"t.asm"}));
  EXPECT_EQ(astrStatements(), (std::vector<std::string>{"1:A|LR|1,2", "2:B|ABCDEFGHI|"}));
}

TEST_F(SourceTest, BlankLineIsASpaceStatementAndOperandsMayStartOnAContinuation)
{
  strWrite("b.asm", "\n         DC" + std::string(60, ' ') + "X\n               F'1'\n");
  ASSERT_TRUE(bOpen({"b.asm"}));
  ASSERT_EQ(iStatementRead(&stmt), 0);
  const OPENTRY *pSpace = static_cast<const OPENTRY *>(stmt.pOperation);
  ASSERT_NE(pSpace, nullptr);
  EXPECT_EQ(pSpace->abOps[2], 59); /* SPACE */
  ASSERT_EQ(iStatementRead(&stmt), 0);
  EXPECT_EQ(stmt.ulRecords, 2u);
  EXPECT_EQ(stmt.ulOperandOff, 80u + 15u);
  EXPECT_EQ(iStatementRead(&stmt), 1);
}

TEST_F(SourceTest, VornLinesAndJobControlLines)
{
  strWrite("v.asm", "*VORN    LR    1,2\n*VORN* comment\n//STEP EXEC\n");
  g_opt.ulProcess = PROC_VORN | PROC_JCL;
  ASSERT_TRUE(bOpen({"v.asm"}));
  EXPECT_EQ(astrStatements(), (std::vector<std::string>{"1:|LR|1,2", "2:||(comment)", "3:||(comment)"}));
}

TEST_F(SourceTest, ReproTakesTheNextRecordWhole)
{
  strWrite("r.asm", "         REPRO\nTHIS IS DATA" + std::string(59, ' ') + "X\n");
  ASSERT_TRUE(bOpen({"r.asm"}));
  ASSERT_EQ(iStatementRead(&stmt), 0);
  EXPECT_EQ(stmt.ulRecords, 2u);
  EXPECT_EQ(stmt.iError, 0);
  EXPECT_EQ(strCard(1).substr(0, 12), "THIS IS DATA");
  EXPECT_EQ(iStatementRead(&stmt), 1);
}

TEST_F(SourceTest, EmptySysinFilesAreSkipped)
{
  strWrite("empty.asm", "");
  EXPECT_FALSE(bOpen({"empty.asm"}));
  strWrite("one.asm", "         END\n");
  ASSERT_TRUE(bOpen({"empty.asm", "one.asm", "empty.asm"}));
  EXPECT_EQ(astrStatements(), std::vector<std::string>{"1:|END|"});
}

TEST_F(SourceTest, CopyMembersAreFoundUnderLowerCaseNames)
{
  strWrite("main.asm", "         LR    1,2\n         END\n");
  strWrite("member.mac", "         SR    3,3\n");
  vLibrary(".MAC");
  ASSERT_TRUE(bOpen({"main.asm"}));
  ASSERT_EQ(iStatementRead(&stmt), 0);
  auto abName = abEbcdic("MEMBER");
  EXPECT_FALSE(bCopyOpen(abName.data()));
  ASSERT_TRUE(bSourcePush(SRC_COPY, abName.data()));
  EXPECT_TRUE(bCopyOpen(abName.data()));
  EXPECT_TRUE(iMemberFind(abName.data()));
  EXPECT_FALSE(iMemberFind(abEbcdic("NOSUCH").data()));
  EXPECT_EQ(astrStatements(), (std::vector<std::string>{"1:|SR|3,3", "2:|END|"}));
}

TEST_F(SourceTest, CicsClosingMembersComeBeforeEnd)
{
  strWrite("main.asm", "         LR    1,2\n         END\n");
  strWrite("EXEC_CICS_DFHEIEND.mac", "         SR    2,2\n");
  strWrite("EXEC_CICS_DFHEIRET.mac", "         BR    14\n");
  vLibrary(".mac");
  g_opt.ulProcess = PROC_DEFAULT | PROC_CICS;
  ASSERT_TRUE(bOpen({"main.asm"}));
  EXPECT_EQ(astrStatements(), (std::vector<std::string>{"1:|LR|1,2", "1:|SR|2,2", "1:|BR|14", "2:|END|"}));
}

TEST_F(SourceTest, LibexitRunsWithSubstitutionsAndQuotedNames)
{
  vLibrary(".mac");
  std::string strLog = strDir + "/log";
  std::string strExit =
      "printf '%s %s %s &&\\n' &M &m &T >" + strLog + "; printf '         END\\n' >" + strDir + "/&m.mac";
  g_opt.pszLibExit = strExit.data();
  EXPECT_TRUE(iMemberFind(abEbcdic("ABC").data()));
  std::ifstream in(strLog);
  std::string strLine;
  std::getline(in, strLine);
  EXPECT_EQ(strLine, "ABC abc O &");

  /* no ampersand: the member name is appended, quoted for the shell */
  std::string strEcho = "echo >" + strLog;
  g_opt.pszLibExit = strEcho.data();
  EXPECT_FALSE(iMemberFind(abEbcdic("A$B").data()));
  std::ifstream in2(strLog);
  std::getline(in2, strLine);
  EXPECT_EQ(strLine, "A$B");

  std::string strFail = "exit 3;";
  g_opt.pszLibExit = strFail.data();
  vFrontReset();
  EXPECT_FALSE(iMemberFind(abEbcdic("XYZ").data()));
  EXPECT_EQ(g_front.strOut, "KZM105W LIBEXIT: system(\"exit 3; 'XYZ'\") returned 3.\n");
}

TEST_F(SourceTest, ByteOrderMarkIsSkippedInSourcesAndMembers)
{
  strWrite("main.asm", "\xEF\xBB\xBFLOOP     LR    1,2\n         END\n");
  strWrite("member.mac", "\xEF\xBB\xBF         SR    3,3\n");
  vLibrary(".mac");
  ASSERT_TRUE(bOpen({"main.asm"}));
  ASSERT_EQ(iStatementRead(&stmt), 0);
  EXPECT_EQ(strCard(0).substr(0, 19), "LOOP     LR    1,2 ");
  ASSERT_TRUE(bSourcePush(SRC_COPY, abEbcdic("MEMBER").data()));
  EXPECT_EQ(astrStatements(), (std::vector<std::string>{"1:|SR|3,3", "2:|END|"}));
  EXPECT_EQ(g_front.strOut, ""); /* no KZM099I for the mark */
}

TEST_F(SourceTest, MembersWithUnderscoresAndDirectoriesInTheirPlace)
{
  strWrite("A_B.mac", "         SR    3,3\n");
  mkdir((strDir + "/DIR.mac").c_str(), 0700);
  vLibrary(".mac");
  EXPECT_TRUE(iMemberFind(abEbcdic("A_B").data()));
  EXPECT_EQ(g_front.strOut, "");
  /* a directory is there but cannot be read as a member: an access failure */
  EXPECT_FALSE(iMemberFind(abEbcdic("DIR").data()));
  EXPECT_EQ(g_front.strOut, "KZM127W Error accessing file " + strDir + "/DIR.mac: Is a directory\n");
}

TEST_F(SourceTest, OnlyStatementsAfterEndMakeAnotherProgram)
{
  std::string strEnd = "         END\n";
  std::string strContinuedComment = "* comment" + std::string(62, ' ') + "X\n               LR 1,2\n";
  struct {
    std::vector<std::string> astrFiles;
    bool bMore;
    std::string strFirst; /* the first statement of the next program */
  } const aCases[] = {
      {{strEnd + "\n  \n* comment\n.* macro comment\n"}, false, ""},
      {{strEnd + "\n", "\n* second file\n"}, false, ""},
      {{strEnd + strContinuedComment}, false, ""},
      {{strEnd + std::string(72, ' ') + "SEQ00010\n"}, false, ""}, /* only a sequence field */
      {{strEnd + "\n* the next one\n         LR 1,2\n"}, true, "2:||"},
      {{strEnd, "* second file\n         END\n"}, true, "1:||(comment)"},
      {{strEnd + "*VORN    LR 1,2\n"}, true, "2:|LR|1,2"},
  };
  for (const auto &c : aCases) {
    std::vector<std::string> astrNames;
    for (size_t i = 0; i < c.astrFiles.size(); i++) {
      astrNames.push_back("f" + std::to_string(i) + ".asm");
      strWrite(astrNames.back(), c.astrFiles[i]);
    }
    ASSERT_TRUE(bOpen(astrNames));
    ASSERT_EQ(iStatementRead(&stmt), 0);
    EXPECT_TRUE(bSourceRemains() == c.bMore) << c.astrFiles[0];
    ASSERT_EQ(bSourceMore(), c.bMore) << c.astrFiles[0];
    if (c.bMore) {
      EXPECT_EQ(astrStatements().at(0), c.strFirst);
    }
  }
  EXPECT_EQ(g_front.strOut, "");
}

} // namespace
