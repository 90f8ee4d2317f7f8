// Tests of the operation code table image: layout, counts, sorting, the
// assembler and machine entries, descriptor use checked against the format
// facts of the table source, and skeletons checked against GNU binutils.
// The image is parsed here independently of the loader.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "optimage.h"

namespace {

constexpr size_t kImageSize = 21528;
constexpr size_t kEntryCount = 818;
constexpr size_t kDescCount = 158;
constexpr size_t kPermHeader = 72;
constexpr size_t kEntryHeader = 600;
constexpr size_t kEntries = 616;
constexpr size_t kDescHeader = kEntries + kEntryCount * 24;
constexpr size_t kDescs = kDescHeader + 16;

const uint8_t *pImage() { return g_abOptImage; }

uint32_t ulGet32(size_t uOff)
{
  const uint8_t *p = pImage() + uOff;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

const uint8_t *pEntry(size_t i) { return pImage() + kEntries + 24 * i; }

uint16_t uMask(const uint8_t *pe, int i) { return static_cast<uint16_t>(pe[16 + 2 * i] | (pe[17 + 2 * i] << 8)); }

bool bMachine(const uint8_t *pe) { return pe[1] != 0; }

char cAscii(uint8_t b)
{
  if (b >= 0xC1 && b <= 0xC9) return static_cast<char>('A' + (b - 0xC1));
  if (b >= 0xD1 && b <= 0xD9) return static_cast<char>('J' + (b - 0xD1));
  if (b >= 0xE2 && b <= 0xE9) return static_cast<char>('S' + (b - 0xE2));
  if (b >= 0xF0 && b <= 0xF9) return static_cast<char>('0' + (b - 0xF0));
  return '?';
}

// Name field as an 8-byte EBCDIC key (a machine entry's skeleton masked off).
std::array<uint8_t, 8> abNameKey(const uint8_t *pe)
{
  std::array<uint8_t, 8> ab{};
  std::copy(pe + 4, pe + (bMachine(pe) ? 10 : 12), ab.begin());
  return ab;
}

std::string sName(const uint8_t *pe)
{
  std::string s;
  for (uint8_t b : abNameKey(pe)) {
    if (b == 0) break;
    s += cAscii(b);
  }
  return s;
}

const std::map<std::string, size_t> &mIndex()
{
  static const std::map<std::string, size_t> m = [] {
    std::map<std::string, size_t> mm;
    for (size_t i = 2; i < kEntryCount; ++i) mm[sName(pEntry(i))] = i;
    return mm;
  }();
  return m;
}

const uint8_t *pFind(const std::string &s)
{
  auto it = mIndex().find(s);
  return it == mIndex().end() ? nullptr : pEntry(it->second);
}

unsigned uSkeleton(const uint8_t *pe) { return (pe[10] << 8) | pe[11]; }

struct DESC {
  unsigned uKind, uLow, uByte, uSecLow, uSecByte, uAlign;
};

DESC descGet(unsigned n)
{
  uint32_t w = ulGet32(kDescs + 8 * n);
  return {w & 0xFF, (w >> 8) & 1, (w >> 9) & 0x7F, (w >> 16) & 1, (w >> 17) & 0x7F, w >> 24};
}

// One machine line of the table source.
struct FACT {
  std::string sName, sSkel, sLevel, sDescs, sRegs, sFormat, sOperands, sSource;
  unsigned uLen = 0;
};

const std::vector<FACT> &vFacts()
{
  static const std::vector<FACT> v = [] {
    std::vector<FACT> vv;
    std::ifstream in(VORN_OPTABLE_SOURCE);
    std::string sLine;
    while (std::getline(in, sLine)) {
      std::istringstream ss(sLine.substr(0, sLine.find('#')));
      std::string sKey;
      FACT f;
      if (!(ss >> sKey) || sKey != "mach") continue;
      ss >> f.sName >> f.sSkel >> f.uLen >> f.sLevel >> f.sDescs >> f.sRegs >> f.sFormat >> f.sOperands >> f.sSource;
      vv.push_back(f);
    }
    return vv;
  }();
  return v;
}

std::vector<std::string> vsOperands(const std::string &s)
{
  std::vector<std::string> v;
  if (s == "-") return v;
  std::string sCur;
  int iDepth = 0;
  for (char c : s) {
    if (c == '(') ++iDepth;
    if (c == ')') --iDepth;
    if (c == ',' && iDepth == 0) {
      v.push_back(sCur);
      sCur.clear();
    } else
      sCur += c;
  }
  v.push_back(sCur);
  return v;
}

// ---------------------------------------------------------------------------
// Image layout

TEST(OptImageLayout, SizeAndMagic)
{
  ASSERT_EQ(g_ulOptImageSize, kImageSize);
  EXPECT_EQ(0, std::memcmp(pImage(), "OPV1200\0", 8));
  EXPECT_EQ(0, pImage()[71]) << "header text must stay NUL-terminated";
}

TEST(OptImageLayout, SectionHeaders)
{
  struct ROW {
    size_t uOff;
    uint32_t ulMagic, ulSize, ulCount;
  };
  const ROW aRows[] = {
      {kPermHeader, 0x1CC4A128, 256, 2},
      {kEntryHeader, 0x0A9FE369, 24, kEntryCount},
      {kDescHeader, 0x37D1BC0F, 8, kDescCount},
  };
  for (const ROW &r : aRows) {
    SCOPED_TRACE(r.uOff);
    EXPECT_EQ(ulGet32(r.uOff), r.ulMagic);
    EXPECT_EQ(ulGet32(r.uOff + 4), r.ulSize);
    EXPECT_EQ(ulGet32(r.uOff + 8), r.ulSize * r.ulCount);
    EXPECT_EQ(ulGet32(r.uOff + 12), r.ulCount);
  }
  EXPECT_EQ(kDescs + 8 * kDescCount, kImageSize);
}

TEST(OptImageLayout, PermutationTables)
{
  const uint8_t *pT1 = pImage() + kPermHeader + 16, *pT2 = pT1 + 256;
  for (const uint8_t *p : {pT1, pT2}) {
    std::set<uint8_t> s(p, p + 256);
    EXPECT_EQ(s.size(), 256u) << "not a permutation of 0-255";
    int iFixed = 0;
    for (int i = 0; i < 256; ++i) iFixed += p[i] == i;
    EXPECT_LT(iFixed, 16) << "table is too close to the identity to spread hashes";
  }
  EXPECT_NE(0, std::memcmp(pT1, pT2, 256)) << "T1 and T2 must differ";
}

TEST(OptImageLayout, FileImageEqualsBuiltIn)
{
  std::ifstream in(VORN_OPT_FILE, std::ios::binary);
  ASSERT_TRUE(in) << VORN_OPT_FILE;
  std::vector<char> v((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(v.size(), kImageSize);
  EXPECT_EQ(0, std::memcmp(v.data(), pImage(), kImageSize));
}

TEST(OptImageLayout, DescriptorsWordForWord)
{
  static const char szExpected[] =
      "0000000B/0101 00000200/0203 00000300/0002 00000206/0001 00000200/0201 00000300/0201 00000207/0001 "
      "00000200/0003 02000200/061F 02000300/061F 02000200/060F 02000204/0603 02000304/0601 04000204/060F "
      "04000304/0605 02000204/0601 0203040C/0813 0003040C/0901 0003040C/0813 0003040C/0811 00000200/0001 "
      "0203040C/0C02 0203040C/0811 0803040C/0813 0803040C/0811 0403040C/0813 00000200/0233 0003040C/0911 "
      "0403040C/0811 02000200/020F 0000040B/0811 0800040B/0C11 00000300/0205 00000409/0802 0000040B/0001 "
      "0000040B/0003 0200040B/0C02 0000040B/0941 00000200/0281 00000300/02C1 0400040B/0813 0000040B/0011 "
      "0000040B/0013 0000040B/0813 00000200/0283 00000300/02C3 0400040B/0811 0400040B/0C11 00000201/0283 "
      "00000301/02C3 00000201/0281 00000301/02C1 0400040B/0C13 0000040B/0901 00000408/0001 00000200/0207 "
      "0000040B/0101 00000306/0001 0800040B/0C13 0000040B/0801 0800040B/0813 0200040B/0C13 0800040B/0C03 "
      "0000040B/0803 0400040B/0803 00000600/0201 00000700/0201 00000600/0203 00000700/0211 00000600/0000 "
      "04000604/060F 04000704/0605 00000600/0001 00000700/0002 02000700/061F 00000600/0005 00000700/0003 "
      "02000604/0603 02000704/0601 02000600/0605 00000600/0283 00000700/02C3 02000600/060F 00000601/0203 "
      "00000701/0201 00000600/0211 00000600/0213 00000700/0213 02000600/061F 00000600/0003 00000202/0281 "
      "00000302/02C1 00000202/0283 00000302/02C3 02000300/0605 0002040F/0013 0000080B/0811 0002040F/0011 "
      "0000080B/0803 0002040C/0213 0002040C/0203 0000080B/0801 0800040B/0411 0000080B/0901 0000040B/0111 "
      "0002040E/0013 0000080B/0941 00000305/0001 0003080E/0811 0002040E/0011 0003080D/0811 00000603/0203 "
      "00000403/0201 0005070A/0211 02000606/0401 00000603/0201 02000603/060F 02000403/0605 02000603/0605 "
      "02000404/0601 00000400/0201 00000703/0201 02000703/0605 02000404/0603 02000700/040F 00000400/0203 "
      "02000600/0615 0400080B/0811 0400080B/0813 0800080B/0811 0800080B/0813 02000400/0605 00000410/0802 "
      "00000410/0901 00000406/0001 02000604/0601 04000604/0605 04000204/0605 02000804/0603 02000704/0601 "
      "00000506/0001 00000300/0201 0000080B/0813 0002080F/0811 "
      /* the later rows' floating point registers (kind 17, 16 registers; alignment 4: a pair) */
      "00000211/0603 04000211/060F 00000211/0601 04000611/060F 04000711/0605 00000611/0603 00000711/0601 "
      "00000411/0603 00000611/0601 04000611/0605 04000211/0605 00000811/0603 00000711/0601 00000506/0001";
  std::istringstream in(szExpected);
  std::string sPair;
  size_t n = 0;
  while (in >> sPair) {
    ASSERT_LT(n, kDescCount);
    uint32_t ulWord = static_cast<uint32_t>(std::stoul(sPair.substr(0, 8), nullptr, 16));
    uint32_t ulFlags = static_cast<uint32_t>(std::stoul(sPair.substr(9), nullptr, 16));
    EXPECT_EQ(ulGet32(kDescs + 8 * n), ulWord) << "descriptor " << n;
    EXPECT_EQ(ulGet32(kDescs + 8 * n + 4), ulFlags) << "descriptor " << n;
    ++n;
  }
  EXPECT_EQ(n, kDescCount);
}

// ---------------------------------------------------------------------------
// Entries: order and the nameless entries

TEST(OptImageEntries, NamelessEntries)
{
  std::array<uint8_t, 24> abNull{}, abLiteral{};
  abNull[15] = 255;
  abLiteral[0] = 0xFF;
  abLiteral[12] = 1;
  abLiteral[14] = 1;
  abLiteral[15] = 51;
  abLiteral[16] = 0x04;
  EXPECT_EQ(0, std::memcmp(pEntry(0), abNull.data(), 24));
  EXPECT_EQ(0, std::memcmp(pEntry(1), abLiteral.data(), 24));
}

TEST(OptImageEntries, SortedByEbcdicNameAndUnique)
{
  for (size_t i = 3; i < kEntryCount; ++i) {
    EXPECT_LT(abNameKey(pEntry(i - 1)), abNameKey(pEntry(i)))
        << "entries " << i - 1 << " " << sName(pEntry(i - 1)) << " and " << i << " " << sName(pEntry(i));
  }
  EXPECT_EQ(mIndex().size(), kEntryCount - 2);
}

TEST(OptImageEntries, NamesAreEbcdicPaddedWithZeros)
{
  for (size_t i = 2; i < kEntryCount; ++i) {
    const uint8_t *pe = pEntry(i);
    std::array<uint8_t, 8> ab = abNameKey(pe);
    size_t uLen = std::find(ab.begin(), ab.end(), 0) - ab.begin();
    SCOPED_TRACE(i);
    EXPECT_GE(uLen, 1u);
    EXPECT_LE(uLen, bMachine(pe) ? 5u : 7u);
    EXPECT_TRUE(std::all_of(ab.begin() + uLen, ab.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(sName(pe).find('?'), std::string::npos) << "non-EBCDIC letter or digit in a name";
  }
}

TEST(OptImageEntries, EbcdicOrderPutsLettersBeforeDigits)
{
  // In ASCII CCW1 would sort after CCW but digits sort before letters; the
  // padded name CCW must come first, and the order of the EBCDIC letters
  // (gaps after I and R) must not disturb the alphabet.
  const char *apszOrdered[] = {"CCW", "CCW1", "CD", "IC", "ICM", "J", "LR", "LRA", "S", "SAC", "ZAP"};
  for (size_t i = 1; i < std::size(apszOrdered); ++i) {
    ASSERT_NE(pFind(apszOrdered[i - 1]), nullptr) << apszOrdered[i - 1];
    ASSERT_NE(pFind(apszOrdered[i]), nullptr) << apszOrdered[i];
    EXPECT_LT(mIndex().at(apszOrdered[i - 1]), mIndex().at(apszOrdered[i]));
  }
}

// ---------------------------------------------------------------------------
// Assembler instructions

struct ASMROW {
  const char *pszName;
  unsigned uMin, uOpt, uNumber;
  const char *pszFlags;
};

constexpr unsigned kAny = 255;
const ASMROW kAsmRows[] = {
    {"ACTR", 1, 0, 2, "CN"},     {"ADATA", 0, 5, 3, "N"},     {"AEJECT", 0, 0, 4, "CN"},   {"AGO", 1, kAny, 5, "CN"},
    {"AIF", 1, kAny, 6, "CN"},   {"ALIAS", 1, 0, 7, "L"},     {"AMODE", 1, 0, 8, ""},      {"ANOP", 0, 0, 9, "CN"},
    {"AREAD", 0, 1, 10, "C"},    {"ASPACE", 0, 1, 11, "CN"},  {"CCW", 4, 0, 12, ""},       {"CCW1", 4, 0, 13, ""},
    {"CEJECT", 0, 1, 14, "N"},   {"CNOP", 2, 0, 15, ""},      {"COM", 0, 0, 16, ""},       {"COPY", 1, 0, 17, "CN"},
    {"CSECT", 0, 0, 18, ""},     {"CXD", 0, 0, 19, ""},       {"DC", 1, kAny, 20, ""},     {"DROP", 0, kAny, 21, "N"},
    {"DS", 1, kAny, 22, ""},     {"DSECT", 0, 0, 23, ""},     {"DXD", 1, 0, 24, ""},       {"EJECT", 0, 0, 25, "N"},
    {"END", 0, 1, 26, ""},       {"ENTRY", 1, kAny, 27, "N"}, {"EQU", 1, 2, 28, "L"},      {"EXEC", 1, 0, 29, "C"},
    {"EXITCTL", 1, 4, 30, "N"},  {"EXTRN", 1, kAny, 31, "N"}, {"GBLA", 1, kAny, 32, "CN"}, {"GBLB", 1, kAny, 33, "CN"},
    {"GBLC", 1, kAny, 34, "CN"}, {"ICTL", 1, 2, 35, "N"},     {"ISEQ", 0, 2, 36, "N"},     {"LCLA", 1, kAny, 37, "CN"},
    {"LCLB", 1, kAny, 38, "CN"}, {"LCLC", 1, kAny, 39, "CN"}, {"LOCTR", 0, 0, 40, "L"},    {"LTORG", 0, 0, 41, ""},
    {"MACRO", 0, 0, 42, "CN"},   {"MEND", 0, 0, 43, "CN"},    {"MEXIT", 0, 0, 44, "CN"},   {"MHELP", 1, 0, 45, "N"},
    {"MNOTE", 0, 2, 46, "N"},    {"OPSYN", 0, 1, 47, "L"},    {"ORG", 0, 1, 48, ""},       {"POP", 1, 2, 49, "N"},
    {"PRINT", 1, 6, 50, "N"},    {"PUNCH", 1, 0, 51, "N"},    {"PUSH", 1, 2, 52, "N"},     {"REPRO", 0, 0, 53, "CN"},
    {"RMODE", 1, 0, 54, ""},     {"RSECT", 0, 0, 55, ""},     {"SETA", 1, kAny, 56, "C"},  {"SETB", 1, kAny, 57, "C"},
    {"SETC", 1, kAny, 58, "C"},  {"SPACE", 0, 1, 59, "N"},    {"START", 0, 1, 60, ""},     {"TITLE", 1, 0, 61, ""},
    {"USING", 2, 251, 62, ""},   {"WXTRN", 1, kAny, 63, ""},
};

unsigned uFlagBits(const char *psz)
{
  unsigned u = 0;
  for (; *psz; ++psz) u |= *psz == 'C' ? 1 : *psz == 'L' ? 2 : 4;
  return u;
}

TEST(OptImageAssembler, EveryInstructionWithItsNumberCountsAndFlags)
{
  ASSERT_EQ(std::size(kAsmRows), 62u);
  for (const ASMROW &r : kAsmRows) {
    SCOPED_TRACE(r.pszName);
    const uint8_t *pe = pFind(r.pszName);
    ASSERT_NE(pe, nullptr);
    EXPECT_EQ(pe[0], 0xFF);
    EXPECT_EQ(pe[1], 0);
    EXPECT_EQ(pe[2] | pe[3], 0);
    EXPECT_EQ(pe[12], r.uMin);
    EXPECT_EQ(pe[13], r.uOpt);
    EXPECT_EQ(pe[14], r.uNumber);
    unsigned uFlags = uFlagBits(r.pszFlags);
    EXPECT_EQ(pe[16], uFlags);
    // Conditional-assembly statements carry their own number, others none.
    EXPECT_EQ(pe[15], (uFlags & 1) ? r.uNumber : 255u);
    EXPECT_TRUE(std::all_of(pe + 17, pe + 24, [](uint8_t b) { return b == 0; }));
  }
}

TEST(OptImageAssembler, OnlyTheListedAssemblerEntriesExist)
{
  size_t uCount = 0;
  unsigned uLast = 1;
  for (size_t i = 2; i < kEntryCount; ++i) {
    const uint8_t *pe = pEntry(i);
    if (bMachine(pe)) continue;
    ++uCount;
    EXPECT_EQ(pe[14], uLast + 1) << sName(pe) << ": numbers must follow the name order";
    uLast = pe[14];
  }
  EXPECT_EQ(uCount, 62u);
}

// ---------------------------------------------------------------------------
// Machine instructions: level partition and named examples

struct LEVELROW {
  uint8_t bMask;
  size_t uCount;
  const char *pszExamples;
};

const LEVELROW kLevelRows[] = {
    {0x1E, 215, "A AD AP B BAL BALR BC BCR L LA LM MVC MVCL SVC TRT ZAP BE BNE BR BER NOP NOPR"},
    {0x10, 284,
     "AHI BAKR BRAS BRC BRCT CHI CKSM CLCLE CLST CMPSC J JE JNE LAE LAM LHI MHI MS MSR LARL BRASL BRCL ALCR MLR "
     "LRV PLO TAM SAM31 STFL BRU BRE BRNZ JLU JNOP TMLH TMHH KM THDR CEFR FIER MAER ADBR DIEBR CFXBR SFPC SRNM "
     "TROO CLCLU PKA TP CU12"},
    {0x1A, 23, "BAS BASR EPAR ESAR IAC IPTE PC PT SAC SIGP SSAR TPROT"},
    {0x18, 21, "BASSM BSM CSCH HSCH MSCH SIE SSCH STSCH TPI TSCH"},
    {0x06, 11, "CLRIO HDV HIO ISK RRB SIO SIOF SSK STIDC TCH TIO"},
    {0x04, 11, "CLRP CTP DCTP DEP IPB LFI MAD MUN RSP SPB STCAP"},
    {0x02, 6, "CLRCH CONCS DISCS RDD RIO WRD"},
    {0x0E, 1, "MADS"},
    {0x00, 182, "VA VACD VAD VC VDD VMDQ"},
};

TEST(OptImageMachine, LevelPartitionAndNamedExamples)
{
  std::map<unsigned, size_t> mCount;
  size_t uMachines = 0;
  for (size_t i = 2; i < kEntryCount; ++i)
    if (bMachine(pEntry(i))) {
      ++mCount[pEntry(i)[0]];
      ++uMachines;
    }
  EXPECT_EQ(uMachines, 754u);
  for (const LEVELROW &r : kLevelRows) {
    SCOPED_TRACE(r.bMask);
    EXPECT_EQ(mCount[r.bMask], r.uCount);
    std::istringstream in(r.pszExamples);
    std::string s;
    while (in >> s) {
      const uint8_t *pe = pFind(s);
      ASSERT_NE(pe, nullptr) << s;
      EXPECT_TRUE(bMachine(pe)) << s;
      EXPECT_EQ(pe[0], r.bMask) << s;
    }
    mCount.erase(r.bMask);
  }
  EXPECT_TRUE(mCount.empty()) << "machine entries with a level mask outside the partition";
}

TEST(OptImageMachine, EntryFieldsAreWellFormed)
{
  for (size_t i = 2; i < kEntryCount; ++i) {
    const uint8_t *pe = pEntry(i);
    if (!bMachine(pe)) continue;
    SCOPED_TRACE(sName(pe));
    EXPECT_TRUE(pe[1] == 2 || pe[1] == 4 || pe[1] == 6);
    EXPECT_EQ(pe[2] | pe[3], 0);
    EXPECT_LE(pe[12], 4);
    for (int k = 0; k < 3; ++k) {
      if (k < pe[12]) {
        EXPECT_LT(pe[13 + k], ulGet32(kDescHeader + 12)) << "operand " << k + 1;
      } else {
        EXPECT_EQ(pe[13 + k], 0) << "unused descriptor slot " << k + 1;
      }
    }
    if (pe[12] == 4) {
      EXPECT_LT(pe[15] + 1u, ulGet32(kDescHeader + 12)) << "operand 4 takes the descriptor after operand 3's";
    }
  }
}

TEST(OptImageMachine, LengthFollowsOpcodeRange)
{
  struct ROW {
    unsigned uFirst, uLast, uLen; // skeleton range (both bytes)
  };
  const ROW aRows[] = {
      {0x0000, 0x3FFF, 2}, // RR, E (01xx)
      {0x4000, 0x7FFF, 4}, // RX
      {0x8000, 0xBFFF, 4}, // RS, SI, S, RI (A7x), RRE (B2xx), vector A4xx-A6xx
      {0xC000, 0xFFFF, 6}, // SS, SSE (E5xx), vector E4xx
  };
  for (size_t i = 2; i < kEntryCount; ++i) {
    const uint8_t *pe = pEntry(i);
    if (!bMachine(pe)) continue;
    for (const ROW &r : aRows) {
      if (uSkeleton(pe) >= r.uFirst && uSkeleton(pe) <= r.uLast) {
        EXPECT_EQ(pe[1], r.uLen) << sName(pe);
      }
    }
  }
  struct NAMED {
    const char *pszName;
    unsigned uSkel, uLen;
  };
  const NAMED aNamed[] = {
      {"PR", 0x0101, 2},    {"UPT", 0x0102, 2},  {"LR", 0x1800, 2},    {"L", 0x5800, 4},   {"BRC", 0xA704, 4},
      {"AHI", 0xA70A, 4},   {"IPK", 0xB20B, 4},  {"BAKR", 0xB240, 4},  {"VA", 0xA420, 4},  {"VLVM", 0xA680, 4},
      {"MVC", 0xD200, 6},   {"LASP", 0xE500, 6}, {"TPROT", 0xE501, 6}, {"VLI", 0xE400, 6}, {"SRP", 0xF000, 6},
      {"SAM31", 0x010D, 2}, {"LARL", 0xC000, 6}, {"JLU", 0xC0F4, 6},   {"LRV", 0xE31E, 6}, {"MAE", 0xED2E, 6},
      {"PLO", 0xEE00, 6},   {"ADBR", 0xB31A, 4}, {"ALCR", 0xB998, 4},  {"BRU", 0xA7F4, 4}, {"TMHL", 0xA703, 4},
  };
  for (const NAMED &n : aNamed) {
    const uint8_t *pe = pFind(n.pszName);
    ASSERT_NE(pe, nullptr) << n.pszName;
    EXPECT_EQ(uSkeleton(pe), n.uSkel) << n.pszName;
    EXPECT_EQ(pe[1], n.uLen) << n.pszName;
  }
}

TEST(OptImageMachine, DocumentedDescriptorsSkeletonsAndRegisterMasks)
{
  struct ROW {
    const char *pszName;
    unsigned uSkel, uOps, auDesc[3];
    uint16_t auMask[4];
  };
  const ROW aRows[] = {
      {"L", 0x5800, 2, {1, 28, 0}, {0, 0, 0, 0}},         {"MVC", 0xD200, 2, {95, 96, 0}, {0, 0, 0, 0}},
      {"MVCL", 0x0E00, 2, {8, 9, 0}, {0, 0, 0, 0}},       {"BRC", 0xA704, 2, {3, 33, 0}, {0, 0, 0, 0}},
      {"AHI", 0xA70A, 2, {1, 54, 0}, {0, 0, 0, 0}},       {"MP", 0xFC00, 2, {105, 110, 0}, {0, 0, 0, 0}},
      {"DP", 0xFD00, 2, {105, 110, 0}, {0, 0, 0, 0}},     {"SRP", 0xF000, 3, {105, 106, 107}, {0, 0, 0, 0}},
      {"B", 0x47F0, 1, {21, 0, 0}, {0, 0, 0, 0}},         {"BR", 0x07F0, 1, {2, 0, 0}, {0, 0, 0, 0}},
      {"J", 0xA7F4, 1, {33, 0, 0}, {0, 0, 0, 0}},         {"CSCH", 0xB230, 0, {0, 0, 0}, {0x0002, 0, 0, 0}},
      {"TRT", 0xDD00, 2, {97, 96, 0}, {0, 0x0006, 0, 0}}, {"BAKR", 0xB240, 2, {72, 73, 0}, {0xFFFF, 0, 0xFFFF, 0}},
      {"BRCL", 0xC004, 2, {3, 132, 0}, {0, 0, 0, 0}},     {"LARL", 0xC000, 2, {1, 133, 0}, {0, 0, 0, 0}},
      {"PLO", 0xEE00, 4, {1, 42, 141}, {3, 0, 0, 0}},     {"DIEBR", 0xB353, 4, {149, 151, 156}, {0, 0, 0, 0}},
  };
  for (const ROW &r : aRows) {
    SCOPED_TRACE(r.pszName);
    const uint8_t *pe = pFind(r.pszName);
    ASSERT_NE(pe, nullptr);
    EXPECT_EQ(uSkeleton(pe), r.uSkel);
    EXPECT_EQ(pe[12], r.uOps);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(pe[13 + k], r.auDesc[k]) << "operand " << k + 1;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(uMask(pe, k), r.auMask[k]) << "mask " << k + 1;
  }
}

// ---------------------------------------------------------------------------
// Machine instructions against the facts of the table source

TEST(OptImageFacts, EveryMachineLineIsInTheImage)
{
  ASSERT_EQ(vFacts().size(), 754u);
  for (const FACT &f : vFacts()) {
    SCOPED_TRACE(f.sName);
    const uint8_t *pe = pFind(f.sName);
    ASSERT_NE(pe, nullptr);
    EXPECT_EQ(uSkeleton(pe), std::stoul(f.sSkel, nullptr, 16));
    EXPECT_EQ(pe[1], f.uLen);
    EXPECT_EQ(pe[0], std::stoul(f.sLevel, nullptr, 16));
    std::vector<std::string> vOps = vsOperands(f.sOperands);
    EXPECT_EQ(pe[12], vOps.size());
  }
}

// Where each operand of a format lives: allowed kinds (bit n = kind n), the
// byte of the main field and its half (0 high, 1 low, 2 not a half-byte
// field), and for storage and stride operands the secondary field.
struct LAYOUT {
  const char *pszFormat, *pszToken;
  unsigned uKinds, uByte, uHalf, uSecByte, uSecHalf;
};

constexpr unsigned kReg =
    1u << 0 | 1u << 1 | 1u << 2 | 1u << 4 | 1u << 17; // general, access, control, FP (of 4, of 16)
constexpr unsigned kGr = 1u << 0, kVr = 1u << 3, kQr = 1u << 0 | 1u << 4, kMask = 1u << 6;
constexpr unsigned kNone = 99;

const LAYOUT kLayouts[] = {
    {"RR", "R1", kReg, 1, 0, kNone, 0},
    {"RR", "M1", kMask, 1, 0, kNone, 0},
    {"RR", "R2", kReg, 1, 1, kNone, 0},
    {"RR", "I", 1u << 7, 1, 2, kNone, 0},
    {"RX", "R1", kReg, 1, 0, kNone, 0},
    {"RX", "M1", kMask, 1, 0, kNone, 0},
    {"RX", "D2(X2,B2)", 1u << 12, 2, 0, 1, 1},
    {"RS", "R1", kReg, 1, 0, kNone, 0},
    {"RS", "R3", kReg, 1, 1, kNone, 0},
    {"RS", "M3", kMask, 1, 1, kNone, 0},
    {"RS", "D2(B2)", 1u << 11, 2, 0, kNone, 0},
    {"RSI", "R1", kGr, 1, 0, kNone, 0},
    {"RSI", "R3", kGr, 1, 1, kNone, 0},
    {"RSI", "I2", 1u << 9, 2, 2, kNone, 0},
    {"RI", "R1", kGr, 1, 0, kNone, 0},
    {"RI", "M1", kMask, 1, 0, kNone, 0},
    {"RI", "I2", 1u << 8 | 1u << 9, 2, 2, kNone, 0},
    {"RIL", "R1", kGr, 1, 0, kNone, 0},
    {"RIL", "M1", kMask, 1, 0, kNone, 0},
    {"RIL", "I2", 1u << 16, 2, 2, kNone, 0},
    {"RXE", "R1", kReg, 1, 0, kNone, 0},
    {"RXE", "D2(X2,B2)", 1u << 12, 2, 0, 1, 1},
    {"RXF", "R1", kReg, 4, 0, kNone, 0},
    {"RXF", "R3", kReg, 1, 0, kNone, 0},
    {"RXF", "D2(X2,B2)", 1u << 12, 2, 0, 1, 1},
    {"RRD", "R1", kReg, 2, 0, kNone, 0},
    {"RRD", "R3", kReg, 3, 0, kNone, 0},
    {"RRD", "R2", kReg, 3, 1, kNone, 0},
    {"RRF", "R1", kReg, 3, 0, kNone, 0},
    {"RRF", "R3", kReg, 2, 0, kNone, 0},
    {"RRF", "M3", kMask, 2, 0, kNone, 0},
    {"RRF", "R2", kReg, 3, 1, kNone, 0},
    {"RRF", "M4", kMask, 2, 1, kNone, 0},
    {"SS-e", "R1", kGr, 1, 0, kNone, 0},
    {"SS-e", "R3", kGr, 1, 1, kNone, 0},
    {"SS-e", "D2(B2)", 1u << 11, 2, 0, kNone, 0},
    {"SS-e", "D4(B4)", 1u << 11, 4, 0, kNone, 0},
    {"SS-f", "D1(B1)", 1u << 11, 2, 0, kNone, 0},
    {"SS-f", "D2(L2,B2)", 1u << 15, 4, 0, 1, 2},
    {"RSY", "R1", kReg, 1, 0, kNone, 0},
    {"RSY", "R3", kReg, 1, 1, kNone, 0},
    {"RSY", "D2(B2)", 1u << 11, 2, 0, kNone, 0},
    {"RSL", "D1(L1,B1)", 1u << 14, 2, 0, 1, 0},
    {"SI", "D1(B1)", 1u << 11, 2, 0, kNone, 0},
    {"SI", "I2", 1u << 7, 1, 2, kNone, 0},
    {"S", "D2(B2)", 1u << 11, 2, 0, kNone, 0},
    {"SS", "D1(L,B1)", 1u << 15, 2, 0, 1, 2},
    {"SS", "D1(L1,B1)", 1u << 13 | 1u << 14, 2, 0, 1, 0},
    {"SS", "D2(L2,B2)", 1u << 13 | 1u << 14, 4, 0, 1, 1},
    {"SS", "D1(R1,B1)", 1u << 12, 2, 0, 1, 0},
    {"SS", "D2(B2)", 1u << 11, 4, 0, kNone, 0},
    {"SS", "R3", kGr, 1, 1, kNone, 0},
    {"SS", "I3", 1u << 5, 1, 1, kNone, 0},
    {"SSE", "D1(B1)", 1u << 11, 2, 0, kNone, 0},
    {"SSE", "D2(B2)", 1u << 11, 4, 0, kNone, 0},
    {"RRE", "R1", kReg, 3, 0, kNone, 0},
    {"RRE", "GR1", kGr, 3, 0, kNone, 0},
    {"RRE", "R2", kReg, 3, 1, kNone, 0},
    {"VST", "VR1", kVr, 3, 0, kNone, 0},
    {"VST", "M1", kMask, 3, 0, kNone, 0},
    {"VST", "VR3", kVr, 2, 0, kNone, 0},
    {"VST", "RS2(RT2)", 1u << 10, 3, 2, 2, 1},
    {"QST", "VR1", kVr, 3, 0, kNone, 0},
    {"QST", "M1", kMask, 3, 0, kNone, 0},
    {"QST", "QR3", kQr, 2, 0, kNone, 0},
    {"QST", "RS2(RT2)", 1u << 10, 3, 2, 2, 1},
    {"VV", "VR1", kVr, 3, 0, kNone, 0},
    {"VV", "M1", kMask, 3, 0, kNone, 0},
    {"VV", "VR3", kVr, 2, 0, kNone, 0},
    {"VV", "VR2", kVr, 3, 1, kNone, 0},
    {"QV", "VR1", kVr, 3, 0, kNone, 0},
    {"QV", "M1", kMask, 3, 0, kNone, 0},
    {"QV", "QR3", kQr, 2, 0, kNone, 0},
    {"QV", "VR2", kVr, 3, 1, kNone, 0},
    {"VR", "VR1", kVr, 3, 0, kNone, 0},
    {"VR", "QR3", kQr, 2, 0, kNone, 0},
    {"VR", "GR2", kGr, 3, 1, kNone, 0},
    {"VS", "RS2", kGr, 3, 1, kNone, 0},
    {"RSE", "VR1", kVr, 3, 0, kNone, 0},
    {"RSE", "VR3", kVr, 2, 0, kNone, 0},
    {"RSE", "GR3", kGr, 2, 0, kNone, 0},
    {"RSE", "D2(B2)", 1u << 11, 4, 0, kNone, 0},
};

const LAYOUT *pLayout(const std::string &sFormat, const std::string &sToken)
{
  for (const LAYOUT &l : kLayouts)
    if (sFormat == l.pszFormat && sToken == l.pszToken) return &l;
  return nullptr;
}

TEST(OptImageFacts, DescriptorsPlaceEveryOperandWhereItsFormatPutsIt)
{
  for (const FACT &f : vFacts()) {
    const uint8_t *pe = pFind(f.sName);
    ASSERT_NE(pe, nullptr) << f.sName;
    std::vector<std::string> vOps = vsOperands(f.sOperands);
    for (size_t k = 0; k < vOps.size() && k < 4; ++k) {
      SCOPED_TRACE(f.sName + " " + f.sFormat + " operand " + vOps[k]);
      const LAYOUT *pl = pLayout(f.sFormat, vOps[k]);
      ASSERT_NE(pl, nullptr) << "no layout known for this format and operand";
      DESC d = descGet(k < 3 ? pe[13 + k] : pe[15] + 1u);
      EXPECT_TRUE(pl->uKinds & (1u << d.uKind)) << "kind " << d.uKind;
      EXPECT_EQ(d.uByte, pl->uByte);
      if (pl->uHalf != 2) {
        EXPECT_EQ(d.uLow, pl->uHalf);
      }
      if (pl->uSecByte != kNone) {
        EXPECT_EQ(d.uSecByte, pl->uSecByte);
        if (pl->uSecHalf != 2) {
          EXPECT_EQ(d.uSecLow, pl->uSecHalf);
        }
      }
      unsigned uWidth = d.uKind == 16 ? 4 : d.uKind >= 8 && d.uKind != 10 && d.uKind != 17 ? 2 : 1;
      EXPECT_LE(d.uByte + uWidth, pe[1]) << "field beyond the instruction";
    }
  }
}

TEST(OptImageFacts, PlaceholdersCollideWithNoOtherOpcode)
{
  std::map<unsigned, std::vector<std::string>> mByOpcode; // opcode byte, or both bytes for two-byte opcodes
  auto uKey = [](const uint8_t *pe) {
    unsigned b = pe[10];
    bool bTwo = b == 0x01 || b == 0xA4 || b == 0xA5 || b == 0xA6 || b == 0xA7 || b == 0xB2 || b == 0xE4 || b == 0xE5 ||
                (b >= 0x9C && b <= 0x9F);
    return bTwo ? uSkeleton(pe) : b << 8;
  };
  for (size_t i = 2; i < kEntryCount; ++i)
    if (bMachine(pEntry(i))) mByOpcode[uKey(pEntry(i))].push_back(sName(pEntry(i)));
  size_t uPlaceholders = 0;
  for (const FACT &f : vFacts()) {
    if (f.sSource != "placeholder") continue;
    ++uPlaceholders;
    EXPECT_EQ(mByOpcode[uKey(pFind(f.sName))].size(), 1u) << f.sName << " shares its opcode";
  }
  EXPECT_EQ(uPlaceholders, 10u);
}

// ---------------------------------------------------------------------------
// Skeletons against GNU binutils

// objdump prints its preferred name for some opcodes and masks.
const std::map<std::string, std::string> kObjdumpNames = {
    {"BC", "nop"},     {"BCR", "nopr"},   {"BRC", "jnop"},   {"BM", "bl"},      {"BMR", "blr"},   {"BNM", "bnl"},
    {"BNMR", "bnlr"},  {"BNP", "bnh"},    {"BNPR", "bnhr"},  {"BNZ", "bne"},    {"BNZR", "bner"}, {"BP", "bh"},
    {"BPR", "bhr"},    {"BZ", "be"},      {"BZR", "ber"},    {"JM", "jl"},      {"JNM", "jnl"},   {"JNP", "jnh"},
    {"JNZ", "jne"},    {"JP", "jh"},      {"JZ", "je"},      {"JAS", "bras"},   {"JCT", "brct"},  {"JXH", "brxh"},
    {"JXLE", "brxle"}, {"TMH", "tmlh"},   {"TML", "tmll"},   {"LRDR", "ldxr"},  {"LRER", "ledr"}, {"ME", "mde"},
    {"MER", "mder"},   {"JASL", "brasl"}, {"CU12", "cutfu"}, {"CU21", "cuutf"},
};

// objdump prints a relative branch on condition (A7m4, C0m4) as j or jg and
// the condition of its mask.
std::string sRelativeBranchName(const uint8_t *pe)
{
  static const char *const apszCond[16] = {"nop", "o",   "h",  "nle", "l",  "nhe", "lh", "ne",
                                           "e",   "nlh", "he", "nl",  "le", "nh",  "no", ""};
  if ((pe[10] != 0xA7 && pe[10] != 0xC0) || (pe[11] & 0x0F) != 4) return "";
  return std::string(pe[10] == 0xA7 ? "j" : "jg") + apszCond[pe[11] >> 4];
}
// Instructions binutils does not know whose opcode it decodes as another.
const std::map<std::string, std::string> kOpcodeReused = {{"RDD", "brxle"}, {"WRD", "brxh"}};

struct DISASM {
  std::string sMnemonic;
  size_t uBytes = 0;
};

TEST(OptImageBinutils, SkeletonsDisassembleToTheirMnemonic)
{
  if (std::system("command -v s390x-linux-gnu-objdump >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "s390x-linux-gnu-objdump not installed";
  // Every machine entry in its own 8-byte slot: the skeleton, zeros up to
  // the entry length, then 07 00 (NOPR) filler, so that an unknown opcode
  // (printed as a 4-byte .long) never reaches into the next slot.
  std::vector<const FACT *> vSlots;
  std::string sBlob;
  for (const FACT &f : vFacts()) {
    const uint8_t *pe = pFind(f.sName);
    ASSERT_NE(pe, nullptr) << f.sName;
    std::string sSlot(8, '\0');
    // RXE, RXF and RSE (opcodes E3, EB, ED) end with their second opcode byte.
    bool bLast = pe[1] == 6 && (pe[10] == 0xE3 || pe[10] == 0xEB || pe[10] == 0xED);
    sSlot[0] = static_cast<char>(pe[10]);
    sSlot[bLast ? 5 : 1] = static_cast<char>(pe[11]);
    for (size_t u = pe[1]; u < sSlot.size(); u += 2) sSlot[u] = 0x07;
    sBlob += sSlot;
    vSlots.push_back(&f);
  }
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("optable_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "blob.bin", std::ios::binary) << sBlob;
  std::string sCmd = "s390x-linux-gnu-objdump -D -z -b binary -m s390:31-bit -M esa '" + (dir / "blob.bin").string() +
                     "' > '" + (dir / "dis.txt").string() + "' 2>&1";
  int iRc = std::system(sCmd.c_str());
  std::ifstream in(dir / "dis.txt");
  std::map<size_t, DISASM> mDis;
  std::string sLine;
  while (std::getline(in, sLine)) {
    // "   8:\t58 00 00 00 \tl\t%r0,0"
    size_t uColon = sLine.find(":\t");
    if (uColon == std::string::npos) continue;
    std::istringstream addr(sLine.substr(0, uColon));
    size_t uOff = 0;
    if (!(addr >> std::hex >> uOff)) continue;
    size_t uTab = sLine.find('\t', uColon + 2);
    if (uTab == std::string::npos) continue;
    DISASM d;
    std::istringstream bytes(sLine.substr(uColon + 2, uTab - uColon - 2));
    std::string sByte;
    while (bytes >> sByte) ++d.uBytes;
    std::istringstream text(sLine.substr(uTab + 1));
    text >> d.sMnemonic;
    mDis[uOff] = d;
  }
  std::filesystem::remove_all(dir);
  ASSERT_EQ(iRc, 0) << sCmd;
  size_t uChecked = 0;
  for (size_t i = 0; i < vSlots.size(); ++i) {
    const FACT &f = *vSlots[i];
    SCOPED_TRACE(f.sName + " " + f.sSkel + " (" + f.sSource + ")");
    auto it = mDis.find(8 * i);
    ASSERT_NE(it, mDis.end()) << "no disassembly at the start of the slot";
    const DISASM &d = it->second;
    if (f.sSource == "binutils") {
      std::string sExpected = f.sName;
      std::transform(sExpected.begin(), sExpected.end(), sExpected.begin(), ::tolower);
      if (!sRelativeBranchName(pFind(f.sName)).empty()) sExpected = sRelativeBranchName(pFind(f.sName));
      if (kObjdumpNames.count(f.sName)) sExpected = kObjdumpNames.at(f.sName);
      EXPECT_EQ(d.sMnemonic, sExpected);
      EXPECT_EQ(d.uBytes, f.uLen);
      ++uChecked;
    } else if (kOpcodeReused.count(f.sName)) {
      EXPECT_EQ(d.sMnemonic, kOpcodeReused.at(f.sName));
    } else {
      EXPECT_EQ(d.sMnemonic[0], '.') << "binutils knows this opcode as " << d.sMnemonic;
    }
  }
  EXPECT_EQ(uChecked, 541u);
}

} // namespace
