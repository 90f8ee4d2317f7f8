// The object decks of the example programs and of programs written into the
// table, read back purely by the card layout of the object module (ESD, TXT,
// RLD and END cards), independent of the writer.  The expectations were worked out by hand from the sources:
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
  const char *pszFile; /* under examples/, or the name of pszSource */
  std::vector<ESDX> aEsd;
  std::vector<RLDX> aRld; /* sorted by position id, then address */
  int iEntryId;           /* -1: no entry point */
  unsigned uEntryAddr;
  std::vector<INSN> aInsn;
  std::vector<DATA> aData;
  const char *pszSource = nullptr;
};

const EXAMPLE c_aExamples[] = {
    {"savearea.asm",
     {{"SAVEDEMO", 0, 0, 160}}, /* 58 bytes of code, SAVE at 60, TOTAL ends at 160 */
     {},
     1,
     0,
     {{0, "stm", {14, 12, 12, 13}}, /* STM 14,12,12(13) */
      {4, "balr", {12, 0}},         /* BALR 12,0; base 12 = 6 */
      {6, "st", {13, 58, 12}},      /* ST 13,SAVE+4: 64 - 6 */
      {10, "la", {15, 54, 12}},     /* LA 15,SAVE: 60 - 6 */
      {20, "l", {2, 126, 12}},      /* L 2,COUNT: 132 - 6 */
      {30, "a", {3, 0, 4}},         /* LOOP A 3,0(,4) */
      {38, "bct", {2, 24, 12}},     /* BCT 2,LOOP: 30 - 6 */
      {42, "st", {3, 150, 12}},     /* ST 3,TOTAL: 156 - 6 */
      {50, "lm", {14, 12, 12, 13}}, /* LM 14,12,12(13) */
      {56, "br", {14}}},            /* BR 14 */
     {{132, "00000005"}, {136, "0000000100000002000000030000000400000005"}}},
    {"table.asm",
     {{"DISPATCH", 0, 0, 204}}, /* code 0-55, CODE 56, entries 60-83, routines 84-101,
                                   pool at 104: F'8', H'1', H'2'; P 112, Z 115, E 120, WORK 124-203 */
     {{1, 1, 0x0C, 64}, {1, 1, 0x0C, 72}, {1, 1, 0x0C, 80}},
     -1,
     0,
     {{4, "la", {2, 60, 15}},         /* LA 2,ENTRIES */
      {8, "la", {3, 8}},              /* LA 3,ENTLEN: absolute 8 */
      {12, "la", {4, 76, 15}},        /* ENTRIES+8*(3-1) */
      {16, "clc", {56, 4, 15, 0, 2}}, /* CLC CODE,0(2) */
      {22, "be", {42, 15}},           /* BE FOUND */
      {26, "bxle", {2, 3, 16, 15}},   /* BXLE 2,3,SEARCH */
      {30, "la", {15, 104, 15}},      /* LA 15,=F'8' */
      {42, "l", {15, 4, 2}},          /* FOUND L 15,4(,2) */
      {84, "ah", {1, 108, 15}},       /* AH 1,=H'1' */
      {90, "sh", {1, 108, 15}},       /* SH 1,=H'1', the same literal */
      {96, "mh", {1, 110, 15}}},      /* MH 1,=H'2' */
     {{56, "C1C4C440"},
      {64, "00000054"},
      {72, "0000005A"},
      {80, "00000060"},
      {104, "0000000800010002"},
      {112, "12345DF6F7C8"},
      {120, "41180000"}}},
    {"twosects.asm",
     {{"MAINPROG", 0, 0, 28},  /* code 0-13, PRINTADR 16, pool at 24: A(HELPER) */
      {"HELPSECT", 0, 32, 28}, /* code 32-37, DATA 40-47, Y 48, pool at 56: V(LOGGER) */
      {"MAINENT", 1, 0, 1},
      {"PRINTER", 2, 0, 0}, /* the EXTRN list, then the undeclared V name */
      {"LOGGER", 2, 0, 0}},
     {{1, 3, 0x0C, 16}, {1, 2, 0x0C, 24}, {2, 1, 0x0C, 40}, {2, 2, 0x0C, 44}, {2, 4, 0x1C, 56}},
     1,
     0,
     {{0, "l", {15, 24, 15}}, /* MAINENT L 15,=A(HELPER) */
      {4, "balr", {14, 15}},
      {6, "l", {15, 16, 15}}, /* L 15,PRINTADR */
      {12, "br", {14}},
      {32, "l", {15, 24, 15}}, /* HELPER L 15,=V(LOGGER): 56 - 32 */
      {36, "br", {14}}},
     {{16, "00000000"}, {24, "00000020"}, {40, "0000000000000020"}, {48, "0008"}, {56, "00000000"}}},
    /* Literals left to END close the first control section, after the last
       counter of its chain; the bytes of every section are given whole. */
    {"poolsects",
     {{"FIRST", 0, 0, 16},   /* L, BR at 0-5, pool at 8: F'1', F'2' */
      {"SECOND", 0, 16, 6}}, /* starts at FIRST's end, 16 */
     {},
     -1,
     0,
     {{0, "l", {1, 8, 12}}, {16, "l", {2, 12, 12}}}, /* both literals through FIRST's base */
     {{0, "5810C00807FE00000000000100000002"}, {16, "5820C00C07FE"}},
     "FIRST    CSECT\n"
     "         USING FIRST,12\n"
     "         L     1,=F'1'\n"
     "         BR    14\n"
     "SECOND   CSECT\n"
     "         USING SECOND,11\n"
     "         L     2,=F'2'\n"
     "         BR    14\n"
     "         END\n"},
    {"poolloctr",
     {{"P", 0, 0, 20}}, /* P's counter 0-5, L2 6-10, pool at 16 */
     {},
     -1,
     0,
     {{0, "l", {1, 16, 12}}},
     {{0, "5810C010"
          "0000"
          "C9D540D3F2"
          "0000000000"
          "00000001"}},
     "P        CSECT\n"
     "         USING P,12\n"
     "         L     1,=F'1'\n"
     "L2       LOCTR\n"
     "         DC    C'IN L2'\n"
     "P        LOCTR\n"
     "         DC    H'0'\n"
     "         END\n"},
    /* * in a literal used where the location is known only after a pass */
    {"starloctr",
     {{"P", 0, 0, 12}},
     {{1, 1, 0x0C, 8}}, /* A(*) at 8: 4 bytes relocated by P */
     -1,
     0,
     {},
     {{0, "00000001"
          "5810C008"
          "00000004"}},
     "P        CSECT\n"
     "         USING P,12\n"
     "         DC    F'1'\n"
     "L2       LOCTR\n"
     "         L     1,=A(*)\n"
     "         LTORG\n"
     "         END\n"},
    /* Two sections of two counters each, a DSECT used by Q and a labeled
       USING, an external dummy, an entry, a label on END.
       MAIN: ENT L at 0; DC (N)X'FF' 4-6 (N known later); L at 8 (pad 7);
             BR at C; DATA counter from E: A(WORK) at 10 (pad E-F), A(EL)
             at 14; pool at 18: =A(*) of ENT (0), =A(*) of the L at 8.
       SECOND at 20: LA at 0; S(LU.F2) at 4 = base 7, displacement 4;
             Q(AREA,XD1) at 8 (pad 6-7); Y(WORK-SECOND) at 10; TAIL from 12:
             WORK at 14 (pad 12-13); END at 18, so EL = 20 + 18 = 38. */
    {"multi",
     {{"MAIN", 0, 0, 0x20},
      {"ENT", 1, 0, 1},
      {"XD1", 6, 3, 8}, /* DXD 2F: fullword alignment 3, length 8 */
      {"SECOND", 0, 0x20, 0x18},
      {"AREA", 6, 7, 8}}, /* the DSECT named by Q: doubleword 7 */
     {{1, 3, 0x0C, 0x10},
      {1, 3, 0x0C, 0x14},
      {1, 1, 0x0C, 0x18},
      {1, 1, 0x0C, 0x1C},
      {3, 4, 0x2C, 0x28},
      {3, 2, 0x2C, 0x2C}},
     1,
     0,
     {{0, "l", {1, 24, 12}}, {0x20, "la", {3, 20, 11}}},
     {{0, "5810C018"
          "FFFFFF00"
          "5820C01C"
          "07FE0000"
          "00000034"
          "00000038"
          "00000000"
          "00000008"},
      {0x20, "4130B014"
             "7004"
             "0000"
             "00000000"
             "00000000"
             "0014"
             "0000"
             "00000005"}},
     "AREA     DSECT\n"
     "F1       DS    F\n"
     "F2       DS    F\n"
     "MAIN     CSECT\n"
     "         USING MAIN,12\n"
     "ENT      L     1,=A(*)\n"
     "         ENTRY ENT\n"
     "         DC    (N)X'FF'\n"
     "         L     2,=A(*)\n"
     "DATA     LOCTR\n"
     "         DC    A(WORK)\n"
     "         DC    A(EL)\n"
     "MAIN     LOCTR\n"
     "         BR    14\n"
     "N        EQU   3\n"
     "XD1      DXD   2F\n"
     "SECOND   CSECT\n"
     "         USING SECOND,11\n"
     "LU       USING AREA,7\n"
     "         LA    3,WORK\n"
     "         DC    S(LU.F2)\n"
     "         DC    Q(AREA,XD1)\n"
     "TAIL     LOCTR\n"
     "WORK     DC    F'5'\n"
     "SECOND   LOCTR\n"
     "         DC    Y(WORK-SECOND)\n"
     "TAIL     LOCTR\n"
     "EL       END   ENT\n"},
    /* From X'100': FIRST: BALR 0, CNOP pad 2-3, L at 4, BR 8, LTORG pool
       at 10: V(SUB); C'AB' at 14; TABLE from 16: A(ENTRY2,FIRST) at 18
       (pad 16-17); the last pool after TABLE at 20: F'9'; length 24.
       NEXT at 128: LA 0, AREA 4-7 with X'DD' at 6 by ORG, L 8 (the
       literal through FIRST's base), BUF C-13; CHAN from 14: CCW at 18
       (pad 14-17) with BUF = 134 in its 3-byte address at 141. */
    {"startloctr",
     {{"FIRST", 0, 0x100, 0x24}, {"NEXT", 0, 0x128, 0x20}, {"SUB", 2, 0, 0}},
     {{1, 3, 0x1C, 0x110}, {1, 2, 0x0C, 0x118}, {1, 1, 0x0C, 0x11C}, {2, 2, 0x08, 0x141}},
     2,
     0x128,
     {{0x100, "balr", {14, 15}},
      {0x104, "l", {15, 16, 10}},
      {0x108, "br", {14}},
      {0x128, "la", {1, 24, 9}},
      {0x130, "l", {2, 32, 10}}},
     {{0x100, "05EF0700"
              "58F0A010"
              "07FE0000"
              "00000000"
              "00000000"
              "C1C20000"
              "00000128"
              "00000100"
              "00000009"},
      {0x128, "41109018"
              "0000DD00"
              "5820A020"
              "00000000"
              "00000000"
              "00000000"
              "0200013420000008"}},
     "FIRST    START X'100'\n"
     "         USING FIRST,10\n"
     "         BALR  14,15\n"
     "         CNOP  0,4\n"
     "         L     15,=V(SUB)\n"
     "         BR    14\n"
     "         LTORG\n"
     "TABLE    LOCTR\n"
     "         DC    A(ENTRY2,FIRST)\n"
     "FIRST    LOCTR\n"
     "         DC    C'AB'\n"
     "NEXT     CSECT\n"
     "         USING NEXT,9\n"
     "ENTRY2   LA    1,CCWS\n"
     "AREA     DS    XL4\n"
     "         ORG   AREA+2\n"
     "         DC    X'DD'\n"
     "         ORG\n"
     "CHAN     LOCTR\n"
     "CCWS     CCW   2,BUF,X'20',8\n"
     "NEXT     LOCTR\n"
     "         L     2,=F'9'\n"
     "BUF      DS    CL8\n"
     "         END   ENTRY2\n"},
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
    if (c >= 0xC1 && c <= 0xC9)
      strOut += static_cast<char>('A' + (c - 0xC1));
    else if (c >= 0xD1 && c <= 0xD9)
      strOut += static_cast<char>('J' + (c - 0xD1));
    else if (c >= 0xE2 && c <= 0xE9)
      strOut += static_cast<char>('S' + (c - 0xE2));
    else if (c >= 0xF0 && c <= 0xF9)
      strOut += static_cast<char>('0' + (c - 0xF0));
    else if (c == 0x40)
      strOut += ' ';
    else
      strOut += '?';
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
  std::string strCmd =
      "s390x-linux-gnu-objdump -D -b binary -m s390:31-bit -M esa --adjust-vma=" + std::to_string(uStart) + " '" +
      strDir + "/sect.bin' > '" + strDir + "/sect.dis'";
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
    if (!strMnemonic.empty())
      m[std::stoul(strLine.substr(ulStart, ulColon - ulStart), nullptr, 16)] = {strMnemonic, strOperands};
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

class ObjDeck : public RunDirTest, public ::testing::WithParamInterface<EXAMPLE> {
protected:
  /* The program as prog.asm in the run directory. */
  void vProgram(const EXAMPLE &x)
  {
    if (x.pszSource != nullptr) {
      vSource("prog.asm", x.pszSource);
      return;
    }
    std::ifstream src(std::string(VORN_TEST_DIR) + "/../examples/" + x.pszFile, std::ios::binary);
    ASSERT_TRUE(src) << x.pszFile;
    vSource("prog.asm", std::string(std::istreambuf_iterator<char>(src), std::istreambuf_iterator<char>()));
  }
};

TEST_P(ObjDeck, CardsFollowTheLayout)
{
  const EXAMPLE &x = GetParam();
  ASSERT_NO_FATAL_FAILURE(vProgram(x));
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
      if (x.iEntryId < 0)
        EXPECT_EQ(num(c, 15, 2), 0x4040u);
      else {
        EXPECT_EQ(num(c, 15, 2), static_cast<unsigned>(x.iEntryId));
        EXPECT_EQ(num(c, 6, 3), x.uEntryAddr);
      }
      EXPECT_TRUE(c[32] == '\xF1' || c[32] == '\xF2');
    } else
      ADD_FAILURE() << "card type " << hex(c.substr(1, 3));
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
  ASSERT_NO_FATAL_FAILURE(vProgram(GetParam()));
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
