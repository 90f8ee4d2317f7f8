/* Assembler sources that state their own expectations.

   Every tests/asm/NAME.asm is assembled by the console program with the
   test macro library (tests/maclib) as SYSLIB; comment lines beginning
   with "*!" (after blanks, for sources whose ICTL begin column is not 1)
   say what must come out:

     *! opt OPTION        one more command-line option (-OPTION)
     *! rc N              the return code
     *! list TEXT         a listing line containing TEXT, after the line the
                          previous "list" matched (so order is checked)
     *! nolist TEXT       no listing line contains TEXT
     *! obj HEX           the object text (TXT bytes of the deck, in order)
                          contains these bytes

   Listing lines that hold "*!" (the expectations themselves) are skipped
   when matching. */
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runvorn.h"

namespace {

const std::string c_strTests = VORN_TEST_DIR;

std::string strFile(const std::string &strPath)
{
  std::ifstream in(strPath, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

/* The bytes of the TXT cards of an EBCDIC object deck, as upper-case hex. */
std::string strObjectText(const std::string &strDeck)
{
  static const char c_achHex[] = "0123456789ABCDEF";
  std::string strHex;
  for (size_t i = 0; i + 80 <= strDeck.size(); i += 80) {
    const auto *p = reinterpret_cast<const unsigned char *>(strDeck.data() + i);
    if (!(p[0] == 0x02 && p[1] == 0xE3 && p[2] == 0xE7 && p[3] == 0xE3)) continue; /* X'02' TXT */
    unsigned uCount = static_cast<unsigned>(p[10] << 8 | p[11]);
    for (unsigned k = 0; k < uCount && 16 + k < 72; k++) {
      strHex += c_achHex[p[16 + k] >> 4];
      strHex += c_achHex[p[16 + k] & 15];
    }
  }
  return strHex;
}

class AsmSourceTest : public RunDirTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(AsmSourceTest, MeetsItsExpectations)
{
  const std::string strName = GetParam();
  const std::string strSource = strFile(c_strTests + "/asm/" + strName);
  vSource(strName, strSource);
  std::vector<std::string> astrArgs = {"-SYSLIB(" + c_strTests + "/maclib/*.mac)", "-OBJECT"};
  struct EXPECT {
    std::string strKind, strText;
  };
  std::vector<EXPECT> aExpect;
  int iRc = 0;
  for (const std::string &strLine : astrLines(strSource)) {
    size_t ulAt = strLine.find_first_not_of(' ');
    if (ulAt == std::string::npos || strLine.compare(ulAt, 3, "*! ") != 0) continue;
    std::string strRest = strLine.substr(ulAt + 3);
    while (!strRest.empty() && (strRest.back() == ' ' || strRest.back() == '\r')) strRest.pop_back();
    size_t ulBlank = strRest.find(' ');
    std::string strKind = strRest.substr(0, ulBlank);
    std::string strText = ulBlank == std::string::npos ? "" : strRest.substr(ulBlank + 1);
    if (strKind == "opt")
      astrArgs.insert(astrArgs.begin(), "-" + strText);
    else if (strKind == "rc")
      iRc = std::stoi(strText);
    else
      aExpect.push_back({strKind, strText});
  }
  astrArgs.push_back(strName);
  RUN run = runPiped(strDir, astrArgs, nullptr);
  EXPECT_EQ(run.iRc, iRc) << strName << "\n" << run.strOut << run.strErr;
  std::string strBase = strName.substr(0, strName.rfind('.'));
  std::vector<std::string> astrListing = astrLines(strFile(strDir + "/" + strBase + ".lst"));
  std::string strObject = strObjectText(strFile(strDir + "/" + strBase + ".obj"));
  size_t ulNext = 0;
  for (const EXPECT &e : aExpect) {
    if (e.strKind == "list") {
      size_t i = ulNext;
      while (i < astrListing.size() &&
             (astrListing[i].find(e.strText) == std::string::npos || astrListing[i].find("*!") != std::string::npos))
        i++;
      EXPECT_LT(i, astrListing.size()) << strName << ": no listing line (in order) holds \"" << e.strText << "\"";
      if (i < astrListing.size()) ulNext = i + 1;
    } else if (e.strKind == "nolist") {
      for (const std::string &strLine : astrListing)
        EXPECT_TRUE(strLine.find(e.strText) == std::string::npos || strLine.find("*!") != std::string::npos)
            << strName << ": listing line holds \"" << e.strText << "\": " << strLine;
    } else if (e.strKind == "obj") {
      EXPECT_NE(strObject.find(e.strText), std::string::npos)
          << strName << ": object text lacks " << e.strText << "\n  text: " << strObject;
    } else {
      ADD_FAILURE() << strName << ": unknown expectation \"" << e.strKind << "\"";
    }
  }
}

std::vector<std::string> astrSources()
{
  std::vector<std::string> astr;
  for (const std::string &str : astrFiles(c_strTests + "/asm"))
    if (str.size() > 4 && str.compare(str.size() - 4, 4, ".asm") == 0) astr.push_back(str);
  return astr;
}

INSTANTIATE_TEST_SUITE_P(Sources, AsmSourceTest, ::testing::ValuesIn(astrSources()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                           std::string str = info.param.substr(0, info.param.size() - 4);
                           for (char &c : str)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return str;
                         });

} // namespace
