// TEST: the TESTRAN pass and the SYM cards of the object module, laid out
// as docs/symcards.md defines them; expectations worked out by hand from
// that layout.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runvorn.h"

namespace {

class TestranRun : public RunDirTest {
protected:
  RUN run(const std::string &strSource, const std::vector<std::string> &astrOptions)
  {
    vSource("prog.asm", strSource);
    std::vector<std::string> astrArgs = {"-NOLIST", "-TRACE(1)"};
    astrArgs.insert(astrArgs.end(), astrOptions.begin(), astrOptions.end());
    astrArgs.push_back("prog.asm");
    return runPiped(strDir, astrArgs, nullptr);
  }
  std::string strObject()
  {
    std::ifstream f(strDir + "/prog.obj", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
};

size_t ulPasses(const RUN &r)
{
  size_t n = 0;
  for (const std::string &str : astrLines(r.strErr)) n += str == "KZM950I Entering TESTRAN pass ..." ? 1 : 0;
  return n;
}

/* Bytes from hexadecimal digits; blanks separate the items for reading. */
std::string x(const std::string &strHex)
{
  std::string str;
  for (size_t i = 0; i + 1 < strHex.size(); i++) {
    if (strHex[i] == ' ') continue;
    str += static_cast<char>(std::stoi(strHex.substr(i, 2), nullptr, 16));
    i++;
  }
  return str;
}

TEST_F(TestranRun, SymCardsComeBeforeEndAndSkipTheSymdelGroup)
{
  const std::string strSource = "PROG     CSECT\n"
                                "         USING *,15\n"
                                "ENTRYPT  LA    1,DATA\n"
                                "         BR    14\n"
                                "DATA     DC    2F'1',CL3'ABC'\n"
                                "SYMDEL   DSECT\n"
                                "PROG     CSECT\n"
                                "HIDDEN   DS    H\n"
                                "SYMUNDEL DSECT\n"
                                "PROG     CSECT\n"
                                "AFTER    DS    XL3\n"
                                "         END\n";
  RUN r = run(strSource, {"-OBJECT", "-TEST"});
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  EXPECT_EQ(ulPasses(r), 1u);
  std::string str = strObject();
  ASSERT_EQ(str.size(), 5 * 80u);                               /* ESD, TXT, two SYM cards, END */
  std::string strData = x("01 00 0001 000000 04 D7D9D6C7"       /* section PROG, SD 1 at 0 */
                          "06 000000 000003 04 4100"            /* LA at 0, statement 3 */
                          "02 C9 000000 0004 07 C5D5E3D9E8D7E3" /* ENTRYPT, T' I, L' 4 */
                          "06 000004 000004 02 07F0"            /* BR = BCR 15 */
                          "03 000008 02 C6C3"                   /* DC F,C at 8 */
                          "02 C6 000008 0004 04 C4C1E3C1"       /* DATA */
                          "01 00 0001 000000 04 D7D9D6C7"       /* PROG again, after SYMUNDEL */
                          "04 000016 01 E7"                     /* DS X at 16 */
                          "02 E7 000016 0003 05 C1C6E3C5D9");   /* AFTER */
  ASSERT_EQ(strData.size(), 56u + 41u);
  std::string strCard1 = x("02 E2E8D4 404040404040 0038 40404040") + strData.substr(0, 56) + x("F0F0F0F0F0F0F0F3");
  EXPECT_EQ(str.substr(160, 80), strCard1);
  std::string strCard2 = str.substr(240, 80);
  EXPECT_EQ(strCard2.substr(0, 16), x("02 E2E8D4 404040404040 0029 40404040"));
  EXPECT_EQ(strCard2.substr(16, 41), strData.substr(56));
  EXPECT_EQ(strCard2.substr(57, 15), std::string(15, '\x40'));
  EXPECT_EQ(str.substr(321, 3), x("C5D5C4")) << "the END card comes last";
  /* TEST(ALL) takes SYMDEL and SYMUNDEL for plain DSECTs */
  vSource("prog.asm", strSource);
  ASSERT_EQ(runPiped(strDir, {"-NOLIST", "-OBJECT", "-TEST(ALL)", "prog.asm"}, nullptr).iRc, 0);
  EXPECT_NE(strObject().find(x("02 C8 000014 0002 06 C8C9C4C4C5D5")), std::string::npos) << "HIDDEN, T' H at 14";
}

TEST_F(TestranRun, SevereErrorsSwitchTestOffForTheRestOfTheRun)
{
  const std::string strGood = "A        CSECT\n"
                              "         DC    F'1'\n"
                              "         END\n";
  const std::string strBad = "B        CSECT\n"
                             "         DC    F'1'\n"
                             "         L     1,\n"
                             "         END\n";
  RUN rFirstBad = run(strBad + strGood, {"-OBJECT", "-TEST", "-BATCH"});
  EXPECT_EQ(rFirstBad.iRc, 12);
  EXPECT_EQ(ulPasses(rFirstBad), 0u) << rFirstBad.strErr;
  RUN rSecondBad = run(strGood + strBad + strGood, {"-OBJECT", "-TEST", "-BATCH"});
  EXPECT_EQ(ulPasses(rSecondBad), 1u) << rSecondBad.strErr;
}

TEST_F(TestranRun, DeckFormHasNoTestranPass)
{
  const std::string strSource = "         CSECT\n"
                                "D        DSECT\n"
                                "F        DS    F\n"
                                "         END\n";
  EXPECT_EQ(ulPasses(run(strSource, {"-DECK", "-TEST"})), 0u);
  RUN r = run(strSource, {"-OBJECT", "-TEST"}); /* an unnamed section: a name of length 0 */
  EXPECT_EQ(r.iRc, 0) << r.strErr;
  EXPECT_EQ(ulPasses(r), 1u);
}

} // namespace
