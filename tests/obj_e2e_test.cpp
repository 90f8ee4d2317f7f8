// The object module as the real program writes it: card layout of ESD and
// END cards, sequence numbers, and what is left when the assembly fails.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "runvorn.h"

namespace {

class ObjectRun : public RunDirTest {
protected:
  RUN run(const std::string &strSource, std::vector<std::string> astrArgs = {"-OBJECT", "-NOLIST"})
  {
    vSource("prog.asm", strSource);
    astrArgs.insert(astrArgs.begin(), "prog.asm");
    return runPiped(strDir, astrArgs, nullptr);
  }
  std::string strObject()
  {
    std::ifstream f(strDir + "/prog.obj", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
};

/* EBCDIC of upper-case letters, digits and blanks. */
std::string e(const std::string &str)
{
  std::string strOut;
  for (char c : str) {
    if (c >= 'A' && c <= 'I')
      strOut += static_cast<char>(0xC1 + (c - 'A'));
    else if (c >= 'J' && c <= 'R')
      strOut += static_cast<char>(0xD1 + (c - 'J'));
    else if (c >= 'S' && c <= 'Z')
      strOut += static_cast<char>(0xE2 + (c - 'S'));
    else if (c >= '0' && c <= '9')
      strOut += static_cast<char>(0xF0 + (c - '0'));
    else
      strOut += '\x40';
  }
  return strOut;
}
std::string b(std::initializer_list<int> ai)
{
  std::string str;
  for (int i : ai) str += static_cast<char>(i);
  return str;
}

TEST_F(ObjectRun, EsdAndEndCardsFollowTheCardLayout)
{
  RUN r = run("MAIN     CSECT\n"
              "         ENTRY E1\n"
              "         EXTRN EXT1\n"
              "E1       DS    F\n"
              "SECOND   CSECT\n"
              "         DS    XL10\n"
              "D        DSECT\n"
              "         DS    F\n"
              "         END   E1\n");
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  std::string str = strObject();
  ASSERT_EQ(str.size(), 240u); /* two ESD cards and the END card */
  std::string strEsd1 = b({2}) + e("ESD") + e("      ") + b({0, 48}) + e("  ") + b({0, 1}) + e("MAIN    ") +
                        b({0, 0, 0, 0, 0, 0, 0, 4}) +                             /* SD 1, at 0, length 4 */
                        e("SECOND  ") + b({0, 0, 0, 8, 0, 0, 0, 10}) +            /* SD 2 at 8 */
                        e("E1      ") + b({1, 0, 0, 0}) + e(" ") + b({0, 0, 1}) + /* LD in section 1 */
                        e("        ") + e("00000001");
  EXPECT_EQ(str.substr(0, 80), strEsd1);
  std::string strEsd2 = b({2}) + e("ESD") + e("      ") + b({0, 16}) + e("  ") + b({0, 3}) + e("EXT1    ") +
                        b({2, 0, 0, 0}) + e("    ") + std::string(40, '\x40') + e("00000002");
  EXPECT_EQ(str.substr(80, 80), strEsd2);
  std::string strEnd = str.substr(160, 80);
  EXPECT_EQ(strEnd.substr(0, 16), b({2}) + e("END") + e(" ") + b({0, 0, 0}) + e("      ") + b({0, 1}));
  EXPECT_EQ(strEnd.substr(32, 15), e("1VORNASM   1200"));
  EXPECT_EQ(strEnd.substr(72), e("00000003"));
}

TEST_F(ObjectRun, SevereErrorsLeaveNoObjectFile)
{
  RUN r =
      run("A        CSECT\n         DS    F\nA        DS    F\n         END\n", {"-OBJECT", "-NOLIST", "-TRACE(2)"});
  EXPECT_EQ(r.iRc, 12);
  EXPECT_NE(r.strErr.find("SYSPUNCH file prog.obj closed and deleted."), std::string::npos) << r.strErr;
  std::ifstream f(strDir + "/prog.obj");
  EXPECT_FALSE(f.good());
  r = run("A        CSECT\n         END\n", {"-NOOBJECT", "-NOLIST"});
  EXPECT_EQ(r.iRc, 0);
  std::ifstream g(strDir + "/prog.obj");
  EXPECT_FALSE(g.good());
}

TEST_F(ObjectRun, DeckFormWritesNoObjectCode)
{
  RUN r = run("A        CSECT\n         END\n", {"-OBJECT(DECK)", "-NOLIST"});
  EXPECT_EQ(r.iRc, 12); /* 303: object code cannot be generated */
}

/* The cards of one type, in order. */
std::vector<std::string> astrCards(const std::string &strObject, const std::string &strType)
{
  std::vector<std::string> astr;
  for (size_t i = 0; i + 80 <= strObject.size(); i += 80)
    if (strObject.compare(i + 1, 3, e(strType)) == 0) astr.push_back(strObject.substr(i, 80));
  return astr;
}

TEST_F(ObjectRun, TextCardsFillGapsOrStartAfresh)
{
  RUN r = run("PROG1    TITLE 'TEXT'\n"
              "A        CSECT\n"
              "         DC    60X'11'\n" /* 000000-00003B: 56 + 4 bytes */
              "         DS    2X\n"      /* a gap that fits: zeros */
              "         DC    X'22'\n"   /* 00003E */
              "         DS    100X\n"    /* a gap that does not fit */
              "         DC    X'33'\n"   /* 0000A3 */
              "         END\n");
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  auto astr = astrCards(strObject(), "TXT");
  ASSERT_EQ(astr.size(), 3u);
  EXPECT_EQ(astr[0].substr(4, 12), e(" ") + b({0, 0, 0}) + e("  ") + b({0, 56}) + e("  ") + b({0, 1}));
  EXPECT_EQ(astr[0].substr(16, 56), std::string(56, '\x11'));
  EXPECT_EQ(astr[1].substr(4, 12), e(" ") + b({0, 0, 0x38}) + e("  ") + b({0, 7}) + e("  ") + b({0, 1}));
  EXPECT_EQ(astr[1].substr(16, 7), std::string(4, '\x11') + b({0, 0, 0x22}));
  EXPECT_EQ(astr[2].substr(4, 12), e(" ") + b({0, 0, 0xA3}) + e("  ") + b({0, 1}) + e("  ") + b({0, 1}));
  EXPECT_EQ(astr[0].substr(72), e("PROG1002")); /* deck id from the TITLE label; the ESD card is 001 */
}

TEST_F(ObjectRun, RelocationItemsAreSortedAndPacked)
{
  RUN r = run("A        CSECT\n"
              "         DC    A(X)\n"
              "         DC    A(X)\n"
              "         DC    A(*)\n"
              "         EXTRN X\n"
              "         END\n");
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  auto astr = astrCards(strObject(), "RLD");
  ASSERT_EQ(astr.size(), 1u);
  /* sorted by position id, address: A(X) at 0, A(X) at 4, A(*) at 8 relocated by A itself */
  EXPECT_EQ(astr[0].substr(10, 2), b({0, 20}));
  EXPECT_EQ(astr[0].substr(16, 24), b({0, 2, 0, 1, 0x0D, 0, 0, 0}) + /* rel X(2), pos A(1), 4 bytes, more */
                                        b({0x0C, 0, 0, 4}) +         /* same ids: a 4-byte item */
                                        b({0, 1, 0, 1, 0x0C, 0, 0, 8}) + std::string(4, '\x40'));
  /* the same items in the listing under the RLD option */
  r = run("A        CSECT\n         DC    A(X)\n         DC    A(*)\n         EXTRN X\n         END\n",
          {"-NOOBJECT", "-LIST", "-RLD"});
  std::ifstream f(strDir + "/prog.lst");
  std::string strList((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_NE(strList.find("\n 00000001     00000002   0C      00000000\n 00000001     00000001   0C      00000004\n"),
            std::string::npos)
      << strList;
}

TEST_F(ObjectRun, VConstantsOfDummySectionNamesAreExternalReferences)
{
  /* a dummy section's name, or a symbol defined in one, is no external
     symbol of the assembly: V makes an external reference of the name */
  RUN r = run("P        CSECT\n"
              "         DC    V(ASMVT)\n"
              "         DC    V(FLD)\n"
              "ASMVT    DSECT\n"
              "FLD      DS    F\n"
              "P        CSECT\n"
              "         USING ASMVT,1\n"
              "         L     2,FLD\n"
              "         END\n");
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  auto astrEsd = astrCards(strObject(), "ESD");
  ASSERT_EQ(astrEsd.size(), 1u);
  EXPECT_EQ(astrEsd[0].substr(10, 54), b({0, 48}) + e("  ") + b({0, 1}) + e("P       ") +
                                           b({0, 0, 0, 0, 0, 0, 0, 12}) +                /* SD 1, length 12 */
                                           e("ASMVT   ") + b({2, 0, 0, 0}) + e("    ") + /* ER 2 */
                                           e("FLD     ") + b({2, 0, 0, 0}) + e("    ")); /* ER 3 */
  auto astrRld = astrCards(strObject(), "RLD");
  ASSERT_EQ(astrRld.size(), 1u);
  EXPECT_EQ(astrRld[0].substr(10, 2), b({0, 16}));
  EXPECT_EQ(astrRld[0].substr(16, 16), b({0, 2, 0, 1, 0x1C, 0, 0, 0}) + /* V, 4 bytes, at 0 */
                                           b({0, 3, 0, 1, 0x1C, 0, 0, 4}));
  auto astrTxt = astrCards(strObject(), "TXT");
  ASSERT_EQ(astrTxt.size(), 1u);
  EXPECT_EQ(astrTxt[0].substr(16, 12), std::string(8, '\0') + b({0x58, 0x20, 0x10, 0x00})); /* FLD: 0 off 1 */
}

TEST_F(ObjectRun, PunchAndReproCards)
{
  RUN r =
      run("         PUNCH ' ENTRY MAIN'\n         REPRO\n NAME MAIN(R)\n         END\n", {"-OBJECT(DECK)", "-NOLIST"});
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  std::ifstream f(strDir + "/prog.txt", std::ios::binary);
  std::string str((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(str, " ENTRY MAIN\n NAME MAIN(R)\n");
  r = run("A        CSECT\n         PUNCH ' INCLUDE X'\n         END\n");
  ASSERT_EQ(r.iRc, 0) << r.strErr;
  std::string strObj = strObject();
  ASSERT_EQ(strObj.size(), 240u); /* ESD, the card, END */
  EXPECT_EQ(strObj.substr(80, 80), e(" INCLUDE X") + std::string(70, '\x40'));
}

} // namespace
