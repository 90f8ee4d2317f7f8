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
