/* Where a diagnostic came from, on the terminal stream and in the listing:
   a statement inside a library macro, a nested one, a COPY member; one
   cause in a loop shown ten times; the GNU form editors read. */
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runvorn.h"

namespace {

/* ^[^:]+:[0-9]+:[0-9]+: (error|warning|note): KZM[0-9]{3}[A-Z] */
bool bGnuLine(const std::string &s)
{
  size_t i = s.find(':');
  if (i == 0 || i == std::string::npos) return false;
  for (int iNumber = 0; iNumber < 2; iNumber++) {
    size_t k = ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') i++;
    if (i == k || i >= s.size() || s[i] != ':') return false;
  }
  bool bKind = false;
  for (const char *psz : {" error: ", " warning: ", " note: "})
    if (!bKind && s.compare(i + 1, std::strlen(psz), psz) == 0) {
      bKind = true;
      i += 1 + std::strlen(psz);
    }
  if (!bKind || s.compare(i, 3, "KZM") != 0 || s.size() < i + 8) return false;
  for (size_t k = i + 3; k < i + 6; k++)
    if (s[k] < '0' || s[k] > '9') return false;
  return s[i + 6] >= 'A' && s[i + 6] <= 'Z' && s[i + 7] == ' ';
}

class DiagRun : public RunDirTest {
protected:
  void SetUp() override
  {
    RunDirTest::SetUp();
    std::filesystem::create_directory(strDir + "/lib");
    vSource("lib/OUTER.mac", "         MACRO\n"
                             "&L       OUTER &A\n"
                             "&L       DS    0H\n"
                             "         INNER &A\n"
                             "         MEND\n");
    vSource("lib/INNER.mac", "         MACRO\n"
                             "         INNER &B\n"
                             "         LA    1,&B\n"
                             "         MEND\n");
    vSource("lib/MEMB.cpy", "         LR    1,2\n"
                            "         MVC   0(4,1),=Q\n");
    vSource("prog.asm", "PROG     CSECT\n"
                        "         USING *,15\n"
                        "         OUTER 5\n"
                        "         OUTER XYZ\n"
                        "         COPY  MEMB\n"
                        "         LTORG\n"
                        "         END\n");
  }
  RUN run(const std::string &strOptions)
  {
    return runPiped(strDir, {"-LIST NOOBJECT SYSLIB(lib/*.mac;lib/*.cpy) " + strOptions, "prog.asm"}, nullptr);
  }
  std::string strListing()
  {
    std::ifstream f(strDir + "/prog.lst", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
};

/* The message names the programmer's line (the outermost call or COPY);
   below it the way back, innermost first: macro and statement number within
   its definition, or member, each with the file and line it was read from. */
TEST_F(DiagRun, TerminalNamesTheCallingLineAndTheChainBelowIt)
{
  RUN r = run("TERM");
  EXPECT_EQ(r.iRc, 12);
  EXPECT_EQ(r.strOut, "prog.asm(4) :          LA    1,XYZ\n"
                      "prog.asm(4) : KZM227E Symbol XYZ is not defined in operand 2.\n"
                      "    lib/INNER.mac(3) : in macro INNER, statement 3\n"
                      "    lib/OUTER.mac(4) : in macro OUTER, statement 4\n"
                      "    prog.asm(4) : call of macro OUTER\n"
                      "prog.asm(5) :          MVC   0(4,1),=Q\n"
                      "prog.asm(5) : KZM207E Nominal value is missing in operand 2.\n"
                      "    lib/MEMB.cpy(2) : in COPY member MEMB\n"
                      "    prog.asm(5) : COPY of member MEMB\n"
                      "prog.asm(4) : KZM227E first of the highest severity (12): Symbol XYZ is not defined in "
                      "operand 2.\n");
  /* the listing: the chain under the message, and in the summary */
  std::string strList = strListing();
  EXPECT_NE(strList.find("  KZM227E *** ERROR *** Symbol XYZ is not defined in operand 2.\n"
                         "                        in macro INNER, statement 3, lib/INNER.mac(3)\n"
                         "                        in macro OUTER, statement 4, lib/OUTER.mac(4)\n"
                         "                        call of macro OUTER, prog.asm(4)\n"),
            std::string::npos)
      << strList;
  EXPECT_NE(strList.find("Flagged statements inside macros and COPY members -\n"), std::string::npos);
  EXPECT_NE(strList.find("            in COPY member MEMB, lib/MEMB.cpy(2)\n"
                         "            COPY of member MEMB, prog.asm(5)\n"),
            std::string::npos);
}

/* Every line of the GNU form reads as file:line:column: kind: KZMnnnX; the
   column is that of the operand in error, on the card that holds it. */
TEST_F(DiagRun, GnuFormOnEveryLineWithTheOperandColumn)
{
  vSource("prog.asm", "P        CSECT\n"
                      "         USING *,15\n"
                      "         LA    1,0(0,16)\n"
                      "         DC    A(1),A(1),A(1),A(1),A(1),A(1),A(1),A(1),A(1),A(1),A(22),X\n"
                      "               A(NOWHERE)\n"
                      "         OUTER XYZ\n"
                      "         MNOTE 4,'LOOK'\n"
                      "         END\n");
  RUN r = run("TERM(GNU)");
  std::vector<std::string> astr = astrLines(r.strOut);
  ASSERT_GE(astr.size(), 6u) << r.strOut;
  for (const std::string &s : astr) EXPECT_TRUE(bGnuLine(s)) << s;
  EXPECT_EQ(astr[0], "prog.asm:3:18: error: KZM311E Invalid base register in operand 2.");
  /* operand 12 stands on the next card */
  EXPECT_EQ(astr[1], "prog.asm:5:16: error: KZM227E Symbol NOWHERE is not defined in operand 12.");
  EXPECT_EQ(astr[2], "prog.asm:6:1: error: KZM227E Symbol XYZ is not defined in operand 2.");
  EXPECT_EQ(astr[3], "lib/INNER.mac:3:1: note: KZM227E in macro INNER, statement 3");
  EXPECT_EQ(astr[6].rfind("prog.asm:7:1: warning: KZM300", 0), 0u) << astr[6];
}

/* A macro loop that makes the same slip 300 times: ten on the terminal,
   one line for the rest, all 300 in the listing, the return code of one. */
TEST_F(DiagRun, OneCauseInALoopShowsTenTimes)
{
  vSource("prog.asm", "P        CSECT\n"
                      "         MACRO\n"
                      "         LOOP  &N\n"
                      "&I       SETA  0\n"
                      ".TOP     AIF   (&I EQ &N).DONE\n"
                      "         LA    1,UNDEF\n"
                      "&I       SETA  &I+1\n"
                      "         AGO   .TOP\n"
                      ".DONE    MEND\n"
                      "         USING *,15\n"
                      "         LOOP  300\n"
                      "         END\n");
  RUN r = run("TERM");
  EXPECT_EQ(r.iRc, 12);
  std::vector<std::string> astr = astrLines(r.strOut);
  size_t ulMessages = 0, ulSuppressed = 0;
  for (const std::string &s : astr) {
    if (s.find(": KZM227E Symbol UNDEF") != std::string::npos) ulMessages++;
    if (s == "prog.asm(11) : KZM227E 290 more from this statement not shown (the listing has all)") ulSuppressed++;
  }
  EXPECT_EQ(ulMessages, 10u);
  EXPECT_EQ(ulSuppressed, 1u) << r.strOut;
  std::string strList = strListing();
  size_t ulListed = 0;
  for (size_t i = 0; (i = strList.find("KZM227E *** ERROR *** Symbol UNDEF", i)) != std::string::npos; i++) ulListed++;
  EXPECT_EQ(ulListed, 300u);
}

} // namespace

namespace {

/* DEPEND: a make rule of the object and every file read, each member once
   and with an empty rule of its own; make then re-assembles when a macro
   changes.  Nothing is written without an object. */
TEST_F(DiagRun, DependencyFileMakesMakeReassembleAfterAMacroChanges)
{
  vSource("lib/MEMB.cpy", "         LR    1,2\n");
  vSource("prog.asm", "PROG     CSECT\n"
                      "         OUTER 5\n"
                      "         OUTER 6\n"
                      "         COPY  MEMB\n"
                      "         END\n");
  RUN r = runPiped(strDir, {"-NOLIST NOOBJECT DEPEND SYSLIB(lib/*.mac;lib/*.cpy)", "prog.asm"}, nullptr);
  EXPECT_EQ(r.iRc, 0);
  EXPECT_FALSE(std::filesystem::exists(strDir + "/prog.d"));
  r = runPiped(strDir, {"-NOLIST OBJECT DEPEND SYSLIB(lib/*.mac;lib/*.cpy)", "prog.asm"}, nullptr);
  ASSERT_EQ(r.iRc, 0) << r.strOut << r.strErr;
  std::ifstream f(strDir + "/prog.d", std::ios::binary);
  std::string strDep((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(strDep, "prog.obj: \\\n prog.asm \\\n lib/OUTER.mac \\\n lib/INNER.mac \\\n lib/MEMB.cpy\n"
                    "\nlib/OUTER.mac:\n\nlib/INNER.mac:\n\nlib/MEMB.cpy:\n");
  if (std::system("make --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no make";
  vSource("Makefile", std::string("prog.obj: prog.asm\n\t\"") + VORN_EXE +
                          "\" \"-NOLIST OBJECT DEPEND SYSLIB(lib/*.mac;lib/*.cpy)\" prog.asm\n-include prog.d\n");
  std::string strMake = "make -s -q -C '" + strDir + "' prog.obj";
  EXPECT_EQ(std::system(strMake.c_str()), 0); /* up to date */
  auto t = std::filesystem::last_write_time(strDir + "/prog.obj");
  std::filesystem::last_write_time(strDir + "/lib/INNER.mac", t + std::chrono::seconds(5));
  EXPECT_NE(std::system(strMake.c_str()), 0); /* a macro changed: out of date */
}

} // namespace
