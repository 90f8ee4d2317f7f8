/* The message log, the word wrap and the options dialog's command line. */
#include <gtest/gtest.h>

#include "msglog.h"

namespace {

std::string strRows(const char *pszLine, int iWidth)
{
  QString str = QString::fromLatin1(pszLine);
  std::string strOut;
  for (const WRAPROW &row : aWrapRows(str, iWidth, [](QChar) { return 10; }))
    strOut += "[" + str.mid(row.iStart, row.iLen).toStdString() + "]";
  return strOut;
}

} // namespace

TEST(WrapRows, BreakAfterLastBlankThatFitsLongWordsWhereRowIsFullContinuationBlanksSkipped)
{
  const struct {
    const char *pszLine;
    int iWidth;
    const char *pszRows;
  } aCases[] = {
      {"", 50, "[]"},
      {"short", 50, "[short]"},
      {"ab cd ef", 50, "[ab cd][ef]"},         /* 5 characters fit: the blank after cd does not */
      {"ab cd  ef gh", 60, "[ab cd ][ef gh]"}, /* the row keeps the blank that fits; the next is skipped */
      {"abcdefghij kl", 40, "[abcd][efgh][ij ][kl]"},
      {"x    ", 20, "[x ]"},
      {"abc", 5, "[a][b][c]"}, /* not one character fits */
  };
  for (const auto &c : aCases) EXPECT_EQ(strRows(c.pszLine, c.iWidth), c.pszRows) << c.pszLine;
}

TEST(CommandLine, BlanksSeparateDoubleQuotesRemovedSingleQuotesKept)
{
  const struct {
    const char *pszLine;
    std::vector<std::string> astrArgs;
  } aCases[] = {
      {"  -LIST   prog.asm ", {"-LIST", "prog.asm"}},
      {"\"my prog.asm\" -SYSPARM('a b')", {"my prog.asm", "-SYSPARM('a b')"}},
      {"'it''s \"x\"' \"\"", {"'it''s \"x\"'", ""}},
  };
  for (const auto &c : aCases) EXPECT_EQ(astrSplitCommandLine(c.pszLine), c.astrArgs) << c.pszLine;
  std::vector<std::string> astrArgs = {"-LIST", "my prog.asm", ""};
  EXPECT_EQ(astrSplitCommandLine(strJoinArguments(astrArgs)), astrArgs);
}

TEST(MessageLog, LongLineKeptWholeInTheLogAndCutOnlyInTheDisplay)
{
  MSGLOG log;
  std::string strLong(5000, 'x');
  EXPECT_EQ(ulLogWrite(log, ("first\n" + strLong).c_str()), 1u);
  EXPECT_EQ(ulLogWrite(log, "\npart"), 1u);
  EXPECT_EQ(log.astrBlocks.at(0), "first\n" + strLong + "\n");
  EXPECT_EQ(log.strPending, "part");
  /* 3999 characters and the terminator fill the display: "first" is dropped */
  ASSERT_EQ(log.astrDisplay.size(), 1u);
  EXPECT_EQ(log.astrDisplay.front(), std::string(3999, 'x'));
}

TEST(MessageLog, BlocksOf65512Bytes)
{
  MSGLOG log;
  std::string strLine(99, 'a'); /* 100 bytes with the line feed */
  for (int i = 0; i < 655; i++) vLogAddLine(log, strLine);
  EXPECT_TRUE(bLogFitsBlock(log)); /* 65500 bytes */
  vLogAddLine(log, "0123456789abcdef");
  EXPECT_FALSE(bLogFitsBlock(log));
  ASSERT_EQ(log.astrBlocks.size(), 2u);
  EXPECT_EQ(log.astrBlocks[0].size(), 65512u);
  EXPECT_EQ(log.astrBlocks[1], "cdef\n");
}

TEST(MessageLog, LinesAreFoundAcrossBlocksAndALineCutOffByAFullLogIsNotIndexed)
{
  MSGLOG log;
  std::string strLine(99, 'a');
  for (int i = 0; i < 655; i++) vLogAddLine(log, strLine);
  vLogAddLine(log, "0123456789abcdef"); /* "0123456789ab" ends the first block */
  vLogAddLine(log, "");
  ASSERT_EQ(ulLogLines(log), 657u);
  EXPECT_EQ(strLogLine(log, 654), strLine);
  EXPECT_EQ(strLogLine(log, 655), "0123456789abcdef");
  EXPECT_EQ(strLogLine(log, 656), "");
  EXPECT_EQ(strLogLine(log, 657), "");
  log.bFull = true;
  vLogAddLine(log, "lost");
  EXPECT_EQ(ulLogLines(log), 657u);
  EXPECT_EQ(log.astrDisplay.front(), "lost");
}

TEST(MessageLine, SeveritySummaryAndSourceLine)
{
  const struct {
    const char *pszLine;
    char cSeverity;
    bool bSummary;
    const char *pszFile;
    unsigned long ulLine;
  } aCases[] = {
      {"errors.asm(5) : KZM315E Operand 2 must be a general register (0-15).", 'E', false, "errors.asm", 5},
      {"errors.asm(5) :          LR    1,16", 0, false, "errors.asm", 5},
      {"/a (b)/x.asm(12) : KZM108W Missing END statement generated.", 'W', false, "/a (b)/x.asm", 12},
      {"p.asm(3) :", 0, false, "p.asm", 3},
      {"KZM000I Return code 12, elapsed time 0 seconds.", 'I', true, "", 0},
      {"KZM999I Assembly terminated with return code 20.", 'I', true, "", 0},
      {"KZM010S Missing source file name.", 'S', false, "", 0},
      {"KZM950I SYSIN file p.asm opened.", 'I', false, "", 0},
      {"KZM12E short number", 0, false, "", 0},
      {"KZM123X unknown letter", 0, false, "", 0},
      {"KZM123EE no blank after the number", 0, false, "", 0},
      {"(5) : no name", 0, false, "", 0},
      {"p.asm(0) : KZM100E line 0", 0, false, "", 0},
      {"p.asm(1234567890) : KZM100E too many digits", 0, false, "", 0},
      {"p.asm(5): KZM100E no blank before the colon", 0, false, "", 0},
      {"p.asm(5) :KZM100E no blank after the colon", 0, false, "", 0},
      {"Velmora 390 Cross Assembler  -  version 1.2.00", 0, false, "", 0},
  };
  for (const auto &c : aCases) {
    LINEINFO info = infoOfLine(c.pszLine);
    EXPECT_EQ(info.cSeverity, c.cSeverity) << c.pszLine;
    EXPECT_EQ(info.bSummary, c.bSummary) << c.pszLine;
    EXPECT_EQ(info.strFile, c.pszFile) << c.pszLine;
    EXPECT_EQ(info.ulLine, c.ulLine) << c.pszLine;
  }
}

TEST(StatusBar, PhaseStatementOfTheCountAndElapsedTime)
{
  EXPECT_EQ(strProgressText('0', 0, 0, 40, false), "Options, 0:00.0 elapsed");
  EXPECT_EQ(strProgressText('1', 1200, 0, 3250, false), "Conditional assembly: statement 1200, 0:03.2 elapsed");
  EXPECT_EQ(strProgressText('2', 17, 30002, 61900, true),
            "Paused - Code generation: statement 17 of 30002, 1:01.9 elapsed");
  /* the count of the last assembly while BATCH reads the next one */
  EXPECT_EQ(strProgressText('2', 40, 30, 0, false), "Code generation: statement 40, 0:00.0 elapsed");
}

TEST(CommandLine, PrimarySourceAnotherSourceAndTheLibraryOption)
{
  using ARGS = std::vector<std::string>;
  EXPECT_EQ(strPrimarySource({"-LIST", "a.asm", "b.asm"}), "a.asm");
  EXPECT_EQ(strPrimarySource({"-LIST", "--", "-odd.asm"}), "-odd.asm");
  EXPECT_EQ(strPrimarySource({"-LIST", "--"}), "");
  EXPECT_EQ(strPrimarySource({}), "");
  EXPECT_EQ(astrWithSource({"-LIST", "a.asm", "-OBJECT", "--", "-x"}, "/s/b.asm"),
            (ARGS{"-LIST", "-OBJECT", "/s/b.asm"}));
  EXPECT_EQ(astrWithSource({}, "-b.asm"), (ARGS{"--", "-b.asm"}));
  EXPECT_EQ(strSyslibOption(""), "");
  EXPECT_EQ(strSyslibOption(" ; ;"), "");
  EXPECT_EQ(strSyslibOption(" /m/*.MAC ;;/my macs/*.MAC; \"/q r/*.MAC\""),
            "-SYSLIB(/m/*.MAC;\"/my macs/*.MAC\";\"/q r/*.MAC\")");
}
