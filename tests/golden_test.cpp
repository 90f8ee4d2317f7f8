// Listings, object decks, messages and return codes of the example programs
// and of the programs in tests/golden compared with the files kept beside
// them, with what changes from run to run masked: the date and time in the
// listing headings and the object module's END card, the system lines of
// the closing summary and the timings of the summary line.  A change of
// output made on purpose is taken over with tools/golden.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "runvorn.h"

namespace {

const std::string c_strTests = VORN_TEST_DIR;

struct GOLDEN {
  const char *pszDir; /* below the source tree */
  const char *pszName;
};
constexpr GOLDEN c_aGolden[] = {
    {"examples", "errors"},   {"examples", "hello"},     {"examples", "savearea"},   {"examples", "table"},
    {"examples", "twosects"}, {"tests/golden", "instr"}, {"tests/golden", "faults"},
};

std::string strRead(const std::string &strPath)
{
  std::ifstream in(strPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool bDigits(const std::string &s, size_t i, size_t n)
{
  for (size_t k = i; k < i + n; k++)
    if (k >= s.size() || s[k] < '0' || s[k] > '9') return false;
  return true;
}

/* Text from the start of the line to a marker, on every line holding it. */
void vMaskBefore(std::string &s, const std::string &strMarker, const char *pszMask)
{
  for (size_t i = s.find(strMarker); i != std::string::npos; i = s.find(strMarker, i + 1)) {
    size_t ulLine = s.rfind('\n', i);
    ulLine = ulLine == std::string::npos ? 0 : ulLine + 1;
    s.replace(ulLine, i - ulLine, pszMask);
    i = ulLine + std::char_traits<char>::length(pszMask);
  }
}

/* Text from the start of a line holding a marker to the line end. */
void vMaskAfter(std::string &s, const std::string &strMarker, const char *pszMask)
{
  for (size_t i = s.find(strMarker); i != std::string::npos; i = s.find(strMarker, i + 1)) {
    if (i > 0 && s[i - 1] != '\n') continue;
    size_t ulFrom = i + strMarker.size(), ulEnd = s.find('\n', ulFrom);
    s.replace(ulFrom, (ulEnd == std::string::npos ? s.size() : ulEnd) - ulFrom, pszMask);
  }
}

/* The timings of the summary line. */
std::string strMaskTimes(std::string s)
{
  const std::string strElapsed = ", elapsed time ";
  for (size_t i = s.find(strElapsed); i != std::string::npos; i = s.find(strElapsed, i + 1)) {
    size_t ulEnd = s.find('\n', i);
    s.replace(i, (ulEnd == std::string::npos ? s.size() : ulEnd) - i, ", elapsed time T");
  }
  return s;
}

/* "2026/12/08 09.27" in the headings; the host's system and name lines. */
std::string strMaskListing(std::string s)
{
  for (size_t i = 0; i + 16 <= s.size(); i++)
    if (bDigits(s, i, 4) && s[i + 4] == '/' && bDigits(s, i + 5, 2) && s[i + 7] == '/' && bDigits(s, i + 8, 2) &&
        s[i + 10] == ' ' && bDigits(s, i + 11, 2) && s[i + 13] == '.' && bDigits(s, i + 14, 2))
      s.replace(i, 16, "YYYY/MM/DD HH.MM");
  vMaskBefore(s, ", VERSION ", "SYSTEM");
  vMaskBefore(s, "    JOBNAME: ", "HOST");
  /* the options report: its time stamp, the date and time system values
     and the place of the program's options file */
  for (const char *psz : {"Assembled on ", "SYSDATC     ", "SYSDATE     ", "SYSTIME     "}) vMaskAfter(s, psz, "T");
  const std::string strExe = VORN_EXE;
  const std::string strProgDir = strExe.substr(0, strExe.rfind('/') + 1);
  for (size_t i = s.find(strProgDir); i != std::string::npos; i = s.find(strProgDir, i))
    s.replace(i, strProgDir.size(), "PROGDIR/");
  return strMaskTimes(s);
}

/* The date (yyddd) of the translator identification on END cards. */
std::string strMaskDeck(std::string s)
{
  for (size_t i = 0; i + 80 <= s.size(); i += 80)
    if (s.compare(i + 1, 3, "\xC5\xD5\xC4") == 0 && s[i + 32] != '\x40') s.replace(i + 47, 5, 5, '\0');
  return s;
}

class GoldenRun : public RunDirTest {};

TEST_F(GoldenRun, OutputsMatchTheKeptFiles)
{
  bool bUpdate = std::getenv("VORN_GOLDEN_UPDATE") != nullptr;
  for (const GOLDEN &g : c_aGolden) {
    SCOPED_TRACE(g.pszName);
    std::string strName = g.pszName;
    vSource(strName + ".asm", strRead(c_strTests + "/../" + g.pszDir + "/" + strName + ".asm"));
    RUN run = runPiped(strDir, {"-LIST OBJECT TERM", strName + ".asm"}, nullptr);
    const std::pair<std::string, std::string> aOut[] = {
        {".lst", strMaskListing(strRead(strDir + "/" + strName + ".lst"))},
        {".obj", strMaskDeck(strRead(strDir + "/" + strName + ".obj"))},
        {".out", strMaskTimes("return code " + std::to_string(run.iRc) + "\n" + run.strOut + run.strErr)},
    };
    for (const auto &[strSuffix, strGot] : aOut) {
      std::string strKept = c_strTests + "/golden/" + strName + strSuffix;
      if (bUpdate) {
        std::ofstream out(strKept, std::ios::binary);
        out << strGot;
        ASSERT_TRUE(out.flush()) << strKept;
      } else {
        EXPECT_TRUE(strGot == strRead(strKept)) << strKept << " differs; got:\n" << strGot;
      }
    }
  }
}

} // namespace
