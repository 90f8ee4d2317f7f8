/*
** tabconv_test.cpp - the line conversion of the tab utility, called directly.
** Expected bytes are worked out by hand from the rules: input tabs advance to
** the next multiple of the input width, trailing blanks go, and a blank run is
** one tab only if it reaches the next output stop and is two or more long.
*/
#include "tabconv.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

struct CONVCASE {
  const char *pszWhat;
  TABOPTS opts;
  std::string in;
  std::string out;
  unsigned long ulLines;
};

const TABOPTS DFLT{};
const TABOPTS EXPAND{.bCompress = false};
const TABOPTS DOS{.bDosEnds = true};
const TABOPTS IN4{.uInTab = 4};
const TABOPTS OUT4{.uOutTab = 4};
const TABOPTS IN4OUT4{.uInTab = 4, .uOutTab = 4};

const CONVCASE g_aCases[] = {
    {"run to stop is a tab", DFLT, "a       b\n", "a\tb\n", 1},
    {"one blank before stop", DFLT, "abcdefg b\n", "abcdefg b\n", 1},
    {"run short of next stop", DFLT, "abcdefg  x\n", "abcdefg  x\n", 1},
    {"two stops", DFLT, "ab              c\n", "ab\t\tc\n", 1},
    {"line not over width", DFLT, "a      b\n", "a      b\n", 1},
    {"quotes are plain", DFLT, "'a       b'\n", "'a\t b'\n", 1},
    {"trailing blanks, tab", DFLT, "abc   \t  \n", "abc\n", 1},
    {"input tab compressed", DFLT, "\tx\n", "\tx\n", 1},
    {"expand", EXPAND, "a\tb\tc\t\n", "a       b       c\n", 1},
    {"input width 4", IN4, "\tx\n", "    x\n", 1},
    {"in 4, out 8", IN4, "ab\tcd\tef\n", "ab  cd\tef\n", 1},
    {"in 4, out 4", IN4OUT4, "\tx\n", "\tx\n", 1},
    {"output width 4", OUT4, "ab  cd\n", "ab\tcd\n", 1},
    {"CR, CR LF, LF, none", DFLT, "a\rb\r\nc\nd", "a\nb\nc\nd\n", 4},
    {"CR then CR LF", DFLT, "\r\r\n", "\n\n", 2},
    {"LF then CR", DFLT, "a\n\rb", "a\n\nb\n", 3},
    {"DOS ends", DOS, "a\r\nb\r", "a\r\nb\r\n", 2},
    {"DOS ends from each", DOS, "a\rb\r\nc\nd", "a\r\nb\r\nc\r\nd\r\n", 4},
    {"DOS ends, Ctrl-Z after CR", DOS, "abc\r\x1a", "abc\r\n", 1},
    {"Ctrl-Z after last line", DFLT, "abc\n\x1a", "abc\n", 1},
    {"Ctrl-Z ends open line", DFLT, "abc\x1a", "abc\n", 1},
    {"Ctrl-Z after CR", DFLT, "abc\r\x1a", "abc\n", 1},
    {"Ctrl-Z inside", DFLT, "a\032b\n", "a\032b\n", 1},
    {"only last Ctrl-Z goes", DFLT, "\x1a\x1a", "\x1a\n", 1},
    {"cut to length", TABOPTS{.uMaxLine = 3}, "abcdef\n", "abc\n", 1},
    {"tab stops at length", TABOPTS{.uMaxLine = 5}, "ab\tcd\n", "ab\n", 1},
    {"length 0", TABOPTS{.uMaxLine = 0}, "abc\n\tx\n\n", "\n\n\n", 3},
    {"length 0, open line", TABOPTS{.uMaxLine = 0}, "abc", "\n", 1},
    {"open tab-only line", DFLT, "x\n\t", "x\n\n", 2},
    {"empty file", DFLT, "", "", 0},
    {"NUL bytes", DFLT, "a\0b\n\0"s, "a\0b\n\0\n"s, 2},
};

TEST(TabConv, HandWorkedCases)
{
  for (const CONVCASE &tc : g_aCases) {
    SCOPED_TRACE(tc.pszWhat);
    TABCOUNT count;
    EXPECT_EQ(sTabConvert(tc.in, tc.opts, &count), tc.out);
    EXPECT_EQ(count.ulLines, tc.ulLines);
    EXPECT_EQ(count.ulBytesIn, tc.in.size());
    EXPECT_EQ(count.ulBytesOut, tc.out.size());

    /* byte by byte: CR LF pairs and Ctrl-Z split across chunks */
    TABCONV conv;
    std::string out;
    vTabConvInit(conv, tc.opts);
    for (char c : tc.in) vTabConvFeed(conv, std::string_view(&c, 1), out);
    vTabConvFinish(conv, out);
    EXPECT_EQ(out, tc.out);
  }
}

} // namespace
