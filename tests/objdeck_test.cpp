// The object decks of the example programs, read back purely by the card
// layout of the object module (ESD, TXT, RLD and END cards), independent of
// the writer.  The expectations were worked out by hand from the sources:
// statement lengths, alignments, literal pools (aligned to 8, longest
// literals first) and the placement of sections one after another, each
// starting at the previous one's end rounded up to 8.  Machine instruction
// bytes are decoded with GNU binutils where it is installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <cctype>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "runvorn.h"

namespace {

struct ESDX {
  const char *pszName;
  int iType;
  unsigned uAddr, uLenOrId; /* length (SD), owning ESD id (LD), 0 (ER) */
};
struct RLDX {
  unsigned uPos, uRel, uFlag, uAddr;
  bool operator==(const RLDX &o) const
  {
    return std::tie(uPos, uRel, uFlag, uAddr) == std::tie(o.uPos, o.uRel, o.uFlag, o.uAddr);
  }
};
struct INSN { /* binutils' mnemonic and the numbers of its operands in order */
  unsigned uAddr;
  const char *pszMnemonic;
  std::vector<long> alNumbers;
};
struct DATA { /* constant bytes (hexadecimal) at an address */
  unsigned uAddr;
  const char *pszHex;
};
struct EXAMPLE {
  const char *pszFile;
  std::vector<ESDX> aEsd;
  std::vector<RLDX> aRld; /* sorted by position id, then address */
  int iEntryId;           /* -1: no entry point */
  unsigned uEntryAddr;
  std::vector<INSN> aInsn;
  std::vector<DATA> aData;
};

const EXAMPLE c_aExamples[] = {
    {"savearea.asm",
     {{"SAVEDEMO", 0, 0, 160}}, /* 58 bytes of code, SAVE at 60, TOTAL ends at 160 */
     {},
     1, 0,
     {{0, "stm", {14, 12, 12, 13}},     /* STM 14,12,12(13) */
      {4, "balr", {12, 0}},             /* BALR 12,0; base 12 = 6 */
      {6, "st", {13, 58, 12}},          /* ST 13,SAVE+4: 64 - 6 */
      {10, "la", {15, 54, 12}},         /* LA 15,SAVE: 60 - 6 */
      {20, "l", {2, 126, 12}},          /* L 2,COUNT: 132 - 6 */
      {30, "a", {3, 0, 4}},             /* LOOP A 3,0(,4) */
      {38, "bct", {2, 24, 12}},         /* BCT 2,LOOP: 30 - 6 */
      {42, "st", {3, 150, 12}},         /* ST 3,TOTAL: 156 - 6 */
      {50, "lm", {14, 12, 12, 13}},     /* LM 14,12,12(13) */
      {56, "br", {14}}},                /* BR 14 */
     {{132, "00000005"}, {136, "0000000100000002000000030000000400000005"}}},
    {"table.asm",
     {{"DISPATCH", 0, 0, 204}}, /* code 0-55, CODE 56, entries 60-83, routines 84-101,
                                   pool at 104: F'8', H'1', H'2'; P 112, Z 115, E 120, WORK 124-203 */
     {{1, 1, 0x0C, 64}, {1, 1, 0x0C, 72}, {1, 1, 0x0C, 80}},
     -1, 0,
     {{4, "la", {2, 60, 15}},           /* LA 2,ENTRIES */
      {8, "la", {3, 8}},                /* LA 3,ENTLEN: absolute 8 */
      {12, "la", {4, 76, 15}},          /* ENTRIES+8*(3-1) */
      {16, "clc", {56, 4, 15, 0, 2}},   /* CLC CODE,0(2) */
      {22, "be", {42, 15}},             /* BE FOUND */
      {26, "bxle", {2, 3, 16, 15}},     /* BXLE 2,3,SEARCH */
      {30, "la", {15, 104, 15}},        /* LA 15,=F'8' */
      {42, "l", {15, 4, 2}},            /* FOUND L 15,4(,2) */
      {84, "ah", {1, 108, 15}},         /* AH 1,=H'1' */
      {90, "sh", {1, 108, 15}},         /* SH 1,=H'1', the same literal */
      {96, "mh", {1, 110, 15}}},        /* MH 1,=H'2' */
     {{56, "C1C4C440"}, {64, "00000054"}, {72, "0000005A"}, {80, "00000060"},
      {104, "0000000800010002"}, {112, "12345DF6F7C8"}, {120, "41180000"}}},
    {"twosects.asm",
     {{"MAINPROG", 0, 0, 28},  /* code 0-13, PRINTADR 16, pool at 24: A(HELPER) */
      {"HELPSECT", 0, 32, 28}, /* code 32-37, DATA 40-47, Y 48, end pool at 56: V(LOGGER) */
      {"MAINENT", 1, 0, 1},
      {"PRINTER", 2, 0, 0},    /* the EXTRN list, then the undeclared V name */
      {"LOGGER", 2, 0, 0}},
     {{1, 3, 0x0C, 16}, {1, 2, 0x0C, 24}, {2, 1, 0x0C, 40}, {2, 2, 0x0C, 44}, {2, 4, 0x1C, 56}},
     1, 0,
     {{0, "l", {15, 24, 15}},           /* MAINENT L 15,=A(HELPER) */
      {4, "balr", {14, 15}},
      {6, "l", {15, 16, 15}},           /* L 15,PRINTADR */
      {12, "br", {14}},
      {32, "l", {15, 24, 15}},          /* HELPER L 15,=V(LOGGER): 56 - 32 */
      {36, "br", {14}}},
     {{16, "00000000"}, {24, "00000020"}, {40, "0000000000000020"}, {48, "0008"}, {56, "00000000"}}},
};

void PrintTo(const RLDX &r, std::ostream *os)
{
  *os << "pos " << r.uPos << " rel " << r.uRel << " flag " << r.uFlag << " address " << r.uAddr;
}
void PrintTo(const EXAMPLE &x, std::ostream *os) { *os << x.pszFile; }

std::string ascii(const std::string &str) /* EBCDIC letters, digits, blank */
{
  std::string strOut;
  for (unsigned char c : str) {
    if (c >= 0xC1 && c <= 0xC9) strOut += static_cast<char>('A' + (c - 0xC1));
    else if (c >= 0xD1 && c <= 0xD9) strOut += static_cast<char>('J' + (c - 0xD1));
    else if (c >= 0xE2 && c <= 0xE9) strOut += static_cast<char>('S' + (c - 0xE2));
    else if (c >= 0xF0 && c <= 0xF9) strOut += static_cast<char>('0' + (c - 0xF0));
    else if (c == 0x40) strOut += ' ';
    else strOut += '?';
  }
  return strOut;
}
/* Big-endian binary field of columns iCol.. (from 1). */
unsigned num(const std::string &strCard, int iCol, int iLen)
{
  unsigned u = 0;
  for (int i = 0; i < iLen; ++i) u = u << 8 | static_cast<unsigned char>(strCard[iCol - 1 + i]);
  return u;
}
std::string hex(const std::string &str)
{
  std::string strOut;
  char sz[3];
  for (unsigned char c : str) snprintf(sz, sizeof sz, "%02X", c), strOut += sz;
  return strOut;
}

/* Disassembles the image of a section placed at uStart; address -> (mnemonic, operands). */
std::map<unsigned, std::pair<std::string, std::string>> disassemble(const std::string &strDir,
                                                                     const std::string &strImage, unsigned uStart)
{
  std::ofstream(strDir + "/sect.bin", std::ios::binary) << strImage;
  std::string strCmd = "s390x-linux-gnu-objdump -D -b binary -m s390:31-bit -M esa --adjust-vma=" +
                       std::to_string(uStart) + " '" + strDir + "/sect.bin' > '" + strDir + "/sect.dis'";
  EXPECT_EQ(std::system(strCmd.c_str()), 0);
  std::ifstream in(strDir + "/sect.dis");
  std::map<unsigned, std::pair<std::string, std::string>> m;
  for (std::string strLine; std::getline(in, strLine);) {
    /* "  addr:\tbytes \tmnemonic\toperands" */
    size_t ulColon = strLine.find(":\t");
    size_t ulStart = strLine.find_first_not_of(' ');
    if (ulColon == std::string::npos || ulStart >= ulColon ||
        strLine.find_first_not_of("0123456789abcdef", ulStart) != ulColon)
      continue;
    size_t ulMnemonic = strLine.find('\t', ulColon + 2);
    if (ulMnemonic == std::string::npos) continue;
    std::istringstream fields(strLine.substr(ulMnemonic + 1));
    std::string strMnemonic, strOperands;
    fields >> strMnemonic >> strOperands;
    if (!strMnemonic.empty()) m[std::stoul(strLine.substr(ulStart, ulColon - ulStart), nullptr, 16)] = {strMnemonic, strOperands};
  }
  return m;
}
std::vector<long> numbers(const std::string &strOperands)
{
  std::vector<long> a;
  const std::string &s = strOperands;
  for (size_t i = 0; i < s.size();) {
    bool bHex = s.compare(i, 2, "0x") == 0;
    bool bNumber = std::isdigit(static_cast<unsigned char>(s[i])) ||
                   (s[i] == '-' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])));
    if (!bHex && !bNumber) {
      i++;
      continue;
    }
    size_t ulEnd = bHex ? s.find_first_not_of("0123456789abcdef", i + 2) : s.find_first_not_of("0123456789", i + 1);
    if (ulEnd == std::string::npos) ulEnd = s.size();
    a.push_back(std::stol(s.substr(i, ulEnd - i), nullptr, 0));
    i = ulEnd;
  }
  return a;
}

class ObjDeck : public RunDirTest, public ::testing::WithParamInterface<EXAMPLE> {};

TEST_P(ObjDeck, CardsFollowTheLayout)
{
  const EXAMPLE &x = GetParam();
  std::ifstream src(std::string(VORN_TEST_DIR) + "/../examples/" + x.pszFile, std::ios::binary);
  ASSERT_TRUE(src) << x.pszFile;
  vSource("prog.asm", std::string(std::istreambuf_iterator<char>(src), std::istreambuf_iterator<char>()));
  RUN r = runPiped(strDir, {"prog.asm", "-OBJECT", "-NOLIST"}, nullptr);
  ASSERT_EQ(r.iRc, 0) << r.strOut << r.strErr;
  std::ifstream f(strDir + "/prog.obj", std::ios::binary);
  std::string strDeck((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(strDeck.empty());
  ASSERT_EQ(strDeck.size() % 80, 0u);

  std::vector<ESDX> aEsd;
  std::vector<std::string> astrNames;
  std::map<unsigned, std::map<unsigned, char>> mText; /* ESD id -> address -> byte */
  std::vector<RLDX> aRld;
  int iEnd = 0;
  unsigned uId = 0;
  for (size_t i = 0; i < strDeck.size() / 80; ++i) {
    const std::string c = strDeck.substr(i * 80, 80), strType = ascii(c.substr(1, 3));
    SCOPED_TRACE("card " + std::to_string(i + 1) + " " + strType);
    EXPECT_EQ(c[0], '\x02');
    char szSeq[24];
    snprintf(szSeq, sizeof szSeq, "%08zu", i + 1);
    EXPECT_EQ(ascii(c.substr(72, 8)), szSeq); /* no deck id: columns 73-80 all sequence number */
    EXPECT_EQ(iEnd, 0) << "card after END";
    if (strType == "ESD") {
      unsigned uCount = num(c, 11, 2), uFirst = 0;
      ASSERT_TRUE(uCount == 16 || uCount == 32 || uCount == 48) << uCount;
      for (unsigned u = 0; u < uCount; u += 16) {
        const std::string it = c.substr(16 + u, 16);
        ESDX e{nullptr, it[8], num(it, 10, 3), 0};
        bool bEr = e.iType == 2 || e.iType == 10;
        e.uLenOrId = bEr ? 0 : num(it, 14, 3);
        EXPECT_TRUE(!bEr || num(it, 13, 4) == 0x40404040u) << "ER/WX blanks";
        EXPECT_TRUE(e.iType != 1 || it[12] == '\x40') << "LD blank";
        if (e.iType != 1 && ++uId && !uFirst) uFirst = uId;
        std::string strName = ascii(it.substr(0, 8));
        astrNames.push_back(strName.substr(0, strName.find(' ')));
        aEsd.push_back(e);
      }
      EXPECT_EQ(num(c, 15, 2), uFirst ? uFirst : 0x4040u);
    } else if (strType == "TXT") {
      unsigned uAddr = num(c, 6, 3), uCount = num(c, 11, 2);
      ASSERT_TRUE(uCount >= 1 && uCount <= 56) << uCount;
      for (unsigned u = 0; u < uCount; ++u) mText[num(c, 15, 2)][uAddr + u] = c[16 + u];
    } else if (strType == "RLD") {
      unsigned uCount = num(c, 11, 2), uPos = 16, uRel = 0, uPosId = 0;
      bool bShort = false;
      ASSERT_LE(uCount, 56u);
      while (uPos < 16 + uCount) {
        if (!bShort) uRel = num(c, uPos + 1, 2), uPosId = num(c, uPos + 3, 2), uPos += 4;
        unsigned uFlag = num(c, uPos + 1, 1);
        aRld.push_back({uPosId, uRel, uFlag & ~1u, num(c, uPos + 2, 3)});
        uPos += 4;
        bShort = uFlag & 1;
      }
      EXPECT_EQ(uPos, 16 + uCount);
      EXPECT_FALSE(bShort) << "last item of the card continues";
    } else if (strType == "END") {
      iEnd = 1;
      if (x.iEntryId < 0) EXPECT_EQ(num(c, 15, 2), 0x4040u);
      else {
        EXPECT_EQ(num(c, 15, 2), static_cast<unsigned>(x.iEntryId));
        EXPECT_EQ(num(c, 6, 3), x.uEntryAddr);
      }
      EXPECT_TRUE(c[32] == '\xF1' || c[32] == '\xF2');
    } else ADD_FAILURE() << "card type " << hex(c.substr(1, 3));
  }
  EXPECT_EQ(iEnd, 1) << "no END card";

  ASSERT_EQ(aEsd.size(), x.aEsd.size());
  for (size_t i = 0; i < aEsd.size(); ++i) {
    SCOPED_TRACE(x.aEsd[i].pszName);
    EXPECT_EQ(astrNames[i], x.aEsd[i].pszName);
    EXPECT_EQ(aEsd[i].iType, x.aEsd[i].iType);
    EXPECT_EQ(aEsd[i].uAddr, x.aEsd[i].uAddr);
    EXPECT_EQ(aEsd[i].uLenOrId, x.aEsd[i].uLenOrId);
  }
  std::sort(aRld.begin(), aRld.end(),
            [](const RLDX &a, const RLDX &b) { return std::tie(a.uPos, a.uAddr) < std::tie(b.uPos, b.uAddr); });
  EXPECT_EQ(aRld, x.aRld);

  /* Section images (ESD ids of SD items are their ordinal among the non-LD items). */
  std::map<unsigned, std::string> mImage; /* section start -> bytes */
  unsigned uSect = 0;
  for (const ESDX &e : x.aEsd) {
    if (e.iType == 1) continue;
    ++uSect;
    if (e.iType != 0) continue;
    std::string &str = mImage[e.uAddr];
    str.assign(e.uLenOrId, '\0');
    for (auto [uAddr, c] : mText[uSect]) {
      ASSERT_TRUE(uAddr >= e.uAddr && uAddr < e.uAddr + e.uLenOrId) << uAddr;
      str[uAddr - e.uAddr] = c;
    }
    mText.erase(uSect);
  }
  EXPECT_TRUE(mText.empty()) << "text for an unknown ESD id";
  auto itSect = [&](unsigned uAddr) { return std::prev(mImage.upper_bound(uAddr)); };
  for (const DATA &d : x.aData) {
    auto it = itSect(d.uAddr);
    EXPECT_EQ(hex(it->second.substr(d.uAddr - it->first, std::string(d.pszHex).size() / 2)), d.pszHex) << d.uAddr;
  }

  if (std::system("command -v s390x-linux-gnu-objdump >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "s390x-linux-gnu-objdump is not installed";
  std::map<unsigned, std::pair<std::string, std::string>> mDis;
  for (const auto &[uStart, str] : mImage) mDis.merge(disassemble(strDir, str, uStart));
  for (const INSN &n : x.aInsn) {
    SCOPED_TRACE("address " + std::to_string(n.uAddr));
    ASSERT_TRUE(mDis.count(n.uAddr)) << "no instruction starts here";
    EXPECT_EQ(mDis[n.uAddr].first, n.pszMnemonic);
    EXPECT_EQ(numbers(mDis[n.uAddr].second), n.alNumbers) << mDis[n.uAddr].second;
  }
}

/* The tab utility as the README shows it (tabs at the default output stops
   of 8, the columns at which vorn reads them, with UNIX line ends; and
   expanded to blanks) leaves sources that assemble to the same deck. */
TEST_P(ObjDeck, TabUtilityKeepsTheDeck)
{
  std::ifstream src(std::string(VORN_TEST_DIR) + "/../examples/" + GetParam().pszFile, std::ios::binary);
  vSource("prog.asm", std::string(std::istreambuf_iterator<char>(src), std::istreambuf_iterator<char>()));
  auto strDeck = [&] {
    RUN r = runPiped(strDir, {"-OBJECT,NOLIST", "prog.asm"}, nullptr);
    EXPECT_EQ(r.iRc, 0) << r.strErr;
    std::ifstream f(strDir + "/prog.obj", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  };
  const std::string strOriginal = strDeck();
  ASSERT_FALSE(strOriginal.empty());
  for (const char *pszOptions : {"-u", "-x"}) {
    std::string strCommand = std::string("cd '").append(strDir).append("' && ").append(VORNTAB_EXE);
    ASSERT_EQ(std::system(strCommand.append(" ").append(pszOptions).append(" prog.asm >/dev/null").c_str()), 0);
    EXPECT_EQ(strDeck(), strOriginal) << pszOptions;
  }
}

INSTANTIATE_TEST_SUITE_P(ObjDeckExamples, ObjDeck, ::testing::ValuesIn(c_aExamples),
                         [](const ::testing::TestParamInfo<EXAMPLE> &i) {
                           std::string str = i.param.pszFile;
                           return str.substr(0, str.find('.'));
                         });

} // namespace
