// optgen - build-time generator of the operation code table image.
//
// Reads the readable table source (optable.tab: one line per descriptor and
// per operation code), checks it, and writes the binary table image in the
// table file format: a C++ source holding the image as the built-in table
// (g_abOptImage, g_ulOptImageSize) and/or the raw image file (vorn.opt).
//
// Image layout (little-endian, counts u32):
//   0    8   magic "OPV1200" and X'00'
//   8    64  header text, NUL-padded
//   72   16  section header 1 (permutation tables), then 2 x 256 bytes
//   600  16  section header 2 (operation codes), then count x 24 bytes
//   ...  16  section header 3 (operand descriptors), then count x 8 bytes
// Section header: magic, record size, total bytes, record count.
//
// Invariants the loader relies on and this program enforces: entry 0 is the
// nameless null entry, entry 1 the nameless literal-pool entry, all others
// sorted by name in EBCDIC byte order with unique names; assembler
// instruction numbers run 1-63 in that order; every descriptor number of a
// machine entry exists (a fourth operand's is the third's plus one); lengths agree with the opcode; the machine
// instructions are partitioned by level mask exactly as the shipped table
// requires.  Any violation stops the build with a message naming the line.
//
// With --instr it also writes the header of the assembler instruction
// numbers (INSTR_name = NUM for every asm line, INSTR_LITERAL for the
// nameless entry), so that the numbers are typed only in the table source.
//
// Usage: optgen SOURCE [--cpp FILE] [--image FILE] [--instr FILE]

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Shape of the shipped table.
constexpr unsigned kDescriptorCount = 158;
constexpr unsigned kNamedAsmCount = 62;
constexpr unsigned kEntrySize = 24;
constexpr unsigned kDescSize = 8;
constexpr unsigned kPermMagic = 0x1CC4A128;
constexpr unsigned kEntryMagic = 0x0A9FE369;
constexpr unsigned kDescMagic = 0x37D1BC0F;
constexpr unsigned kImageSize = 21528;

struct LEVELCOUNT {
  unsigned uMask;
  unsigned uCount;
};
// Machine instructions per level mask (370 02, DOS 04, XA 08, ESA 10).
constexpr LEVELCOUNT kLevelCounts[] = {
    {0x1E, 215}, {0x10, 284}, {0x1A, 23}, {0x18, 21}, {0x06, 11}, {0x04, 11}, {0x02, 6}, {0x0E, 1}, {0x00, 182},
};

struct ENTRY {
  std::string sName; // ASCII upper case; empty for the nameless entries
  int iLine = 0;
  std::array<uint8_t, kEntrySize> ab{};
};

struct TABLE {
  std::string sText;
  uint32_t aulSeed[2] = {0, 0};
  bool abSeedSeen[2] = {false, false};
  std::vector<std::array<uint32_t, 2>> vDesc;
  std::vector<ENTRY> vAsm;  // named assembler instructions
  std::vector<ENTRY> vMach; // machine instructions
  int iNullLine = 0;
  int iLiteralLine = 0;
  ENTRY literal;
};

[[noreturn]] void vFail(int iLine, const std::string &sMsg)
{
  std::string s = "optgen: ";
  if (iLine > 0) s += "line " + std::to_string(iLine) + ": ";
  throw std::runtime_error(s + sMsg);
}

// EBCDIC code of the characters allowed in operation code names.
uint8_t bEbcdic(char c)
{
  if (c >= 'A' && c <= 'I') return static_cast<uint8_t>(0xC1 + (c - 'A'));
  if (c >= 'J' && c <= 'R') return static_cast<uint8_t>(0xD1 + (c - 'J'));
  if (c >= 'S' && c <= 'Z') return static_cast<uint8_t>(0xE2 + (c - 'S'));
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(0xF0 + (c - '0'));
  if (c == '@') return 0x7C;
  if (c == '#') return 0x7B;
  if (c == '$') return 0x5B;
  return 0;
}

std::array<uint8_t, 8> abEbcdicName(const std::string &s)
{
  std::array<uint8_t, 8> ab{};
  for (size_t i = 0; i < s.size() && i < ab.size(); ++i) ab[i] = bEbcdic(s[i]);
  return ab;
}

void vCheckName(const std::string &s, size_t uMax, int iLine)
{
  if (s.empty() || s.size() > uMax)
    vFail(iLine, "name '" + s + "' must have 1 to " + std::to_string(uMax) + " characters");
  if (s[0] >= '0' && s[0] <= '9') vFail(iLine, "name '" + s + "' must not start with a digit");
  for (char c : s)
    if (bEbcdic(c) == 0) vFail(iLine, "name '" + s + "' has a character other than A-Z, 0-9, @, #, $");
}

unsigned long ulNumber(const std::string &s, int iBase, unsigned long ulMax, int iLine, const char *pszWhat)
{
  if (s.empty()) vFail(iLine, std::string("missing ") + pszWhat);
  size_t uEnd = 0;
  unsigned long ul = 0;
  try {
    ul = std::stoul(s, &uEnd, iBase);
  } catch (const std::exception &) {
    uEnd = 0;
  }
  if (uEnd != s.size() || s[0] == '-' || s[0] == '+') vFail(iLine, std::string("invalid ") + pszWhat + " '" + s + "'");
  if (ul > ulMax) vFail(iLine, std::string(pszWhat) + " '" + s + "' is out of range");
  return ul;
}

// Splits a line into words; '#' starts a comment, "..." is one word.
std::vector<std::string> vsWords(const std::string &sLine, int iLine)
{
  std::vector<std::string> vs;
  size_t i = 0;
  while (i < sLine.size()) {
    char c = sLine[i];
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '"') {
      size_t uEnd = sLine.find('"', i + 1);
      if (uEnd == std::string::npos) vFail(iLine, "unterminated string");
      vs.push_back(sLine.substr(i, uEnd - i + 1));
      i = uEnd + 1;
      continue;
    }
    size_t uEnd = sLine.find_first_of(" \t\r#", i);
    if (uEnd == std::string::npos) uEnd = sLine.size();
    vs.push_back(sLine.substr(i, uEnd - i));
    i = uEnd;
  }
  return vs;
}

void vNeedWords(const std::vector<std::string> &vs, size_t uCount, int iLine)
{
  if (vs.size() != uCount)
    vFail(iLine,
          "'" + vs[0] + "' needs " + std::to_string(uCount - 1) + " fields, found " + std::to_string(vs.size() - 1));
}

void vParseText(TABLE &t, const std::vector<std::string> &vs, int iLine)
{
  vNeedWords(vs, 2, iLine);
  if (vs[1].size() < 2 || vs[1].front() != '"') vFail(iLine, "text needs a quoted string");
  t.sText = vs[1].substr(1, vs[1].size() - 2);
  if (t.sText.size() > 63) vFail(iLine, "header text longer than 63 bytes");
}

void vParsePerm(TABLE &t, const std::vector<std::string> &vs, int iLine)
{
  vNeedWords(vs, 3, iLine);
  unsigned long ulN = ulNumber(vs[1], 10, 2, iLine, "permutation number");
  if (ulN < 1) vFail(iLine, "permutation number must be 1 or 2");
  if (t.abSeedSeen[ulN - 1]) vFail(iLine, "permutation " + vs[1] + " given twice");
  unsigned long ulSeed = ulNumber(vs[2], 16, 0xFFFFFFFFul, iLine, "seed");
  if (ulSeed == 0) vFail(iLine, "seed must not be 0");
  t.aulSeed[ulN - 1] = static_cast<uint32_t>(ulSeed);
  t.abSeedSeen[ulN - 1] = true;
}

void vParseDesc(TABLE &t, const std::vector<std::string> &vs, int iLine)
{
  vNeedWords(vs, 4, iLine);
  unsigned long ulN = ulNumber(vs[1], 10, 255, iLine, "descriptor number");
  if (ulN != t.vDesc.size())
    vFail(iLine, "descriptor " + vs[1] + " out of order, expected " + std::to_string(t.vDesc.size()));
  if (vs[2].size() != 8 || vs[3].size() != 4) vFail(iLine, "descriptor needs an 8-digit word and a 4-digit flags word");
  uint32_t ulWord = static_cast<uint32_t>(ulNumber(vs[2], 16, 0xFFFFFFFFul, iLine, "descriptor word"));
  uint32_t ulFlags = static_cast<uint32_t>(ulNumber(vs[3], 16, 0xFFFF, iLine, "flags word"));
  unsigned uKind = ulWord & 0xFF, uAlign = ulWord >> 24;
  if (uKind > 17) vFail(iLine, "operand kind " + std::to_string(uKind) + " is not 0-17");
  if (uAlign != 0 && uAlign != 2 && uAlign != 4 && uAlign != 8) vFail(iLine, "alignment must be 0, 2, 4 or 8");
  t.vDesc.push_back({ulWord, ulFlags});
}

uint8_t bAsmFlags(const std::string &s, int iLine)
{
  if (s == "-") return 0;
  uint8_t b = 0;
  for (char c : s) {
    uint8_t bBit = c == 'C' ? 0x01 : c == 'L' ? 0x02 : c == 'N' ? 0x04 : 0;
    if (bBit == 0 || (b & bBit)) vFail(iLine, "flags '" + s + "' must be a combination of C, L, N or '-'");
    b |= bBit;
  }
  if ((b & 0x06) == 0x06) vFail(iLine, "a label cannot be both required and omitted");
  return b;
}

void vParseAsm(TABLE &t, const std::vector<std::string> &vs, int iLine)
{
  vNeedWords(vs, 7, iLine);
  ENTRY e;
  e.iLine = iLine;
  e.ab[0] = 0xFF;
  e.ab[12] = static_cast<uint8_t>(ulNumber(vs[2], 10, 255, iLine, "minimum operand count"));
  e.ab[13] = vs[3] == "*" ? 255 : static_cast<uint8_t>(ulNumber(vs[3], 10, 254, iLine, "optional operand count"));
  e.ab[14] = static_cast<uint8_t>(ulNumber(vs[4], 10, 63, iLine, "instruction number"));
  e.ab[15] = vs[5] == "-" ? 255 : static_cast<uint8_t>(ulNumber(vs[5], 10, 254, iLine, "statement number"));
  e.ab[16] = bAsmFlags(vs[6], iLine);
  if (e.ab[14] == 0) vFail(iLine, "instruction number must be 1-63");
  if (vs[1] == "-") {
    if (t.iLiteralLine)
      vFail(iLine, "second nameless assembler entry (first on line " + std::to_string(t.iLiteralLine) + ")");
    t.iLiteralLine = iLine;
    t.literal = e;
    return;
  }
  vCheckName(vs[1], 7, iLine);
  e.sName = vs[1];
  std::array<uint8_t, 8> abName = abEbcdicName(e.sName);
  std::copy(abName.begin(), abName.end(), e.ab.begin() + 4);
  t.vAsm.push_back(e);
}

// Operand count of a format operand list such as "R1,D2(X2,B2)".
unsigned uListCount(const std::string &s)
{
  if (s == "-") return 0;
  unsigned u = 1;
  int iDepth = 0;
  for (char c : s) {
    if (c == '(') ++iDepth;
    if (c == ')') --iDepth;
    if (c == ',' && iDepth == 0) ++u;
  }
  return u;
}

unsigned uExpectedLength(unsigned uOpcode) { return uOpcode < 0x40 ? 2 : uOpcode < 0xC0 ? 4 : 6; }

void vParseRegs(ENTRY &e, const std::string &s, int iLine)
{
  if (s == "-") return;
  std::istringstream in(s);
  std::string sWord;
  unsigned u = 0;
  while (std::getline(in, sWord, '/')) {
    if (u == 4 || sWord.size() != 4) vFail(iLine, "register masks must be four 4-digit hex words separated by '/'");
    unsigned long ul = ulNumber(sWord, 16, 0xFFFF, iLine, "register mask");
    e.ab[16 + 2 * u] = static_cast<uint8_t>(ul & 0xFF);
    e.ab[17 + 2 * u] = static_cast<uint8_t>(ul >> 8);
    ++u;
  }
  if (u != 4) vFail(iLine, "register masks must be four 4-digit hex words separated by '/'");
}

void vParseMach(TABLE &t, const std::vector<std::string> &vs, int iLine)
{
  vNeedWords(vs, 10, iLine);
  ENTRY e;
  e.iLine = iLine;
  vCheckName(vs[1], 5, iLine);
  e.sName = vs[1];
  if (vs[2].size() != 4) vFail(iLine, "skeleton must have 4 hex digits");
  unsigned long ulSkel = ulNumber(vs[2], 16, 0xFFFF, iLine, "skeleton");
  unsigned long ulLen = ulNumber(vs[3], 10, 6, iLine, "length");
  if (ulLen != 2 && ulLen != 4 && ulLen != 6) vFail(iLine, "length must be 2, 4 or 6");
  if (ulLen != uExpectedLength(ulSkel >> 8))
    vFail(iLine, "length " + vs[3] + " does not fit opcode " + vs[2].substr(0, 2));
  if (vs[4].size() != 2) vFail(iLine, "level mask must have 2 hex digits");
  unsigned long ulLevel = ulNumber(vs[4], 16, 0x1E, iLine, "level mask");
  if (ulLevel & ~0x1Eul) vFail(iLine, "level mask may combine only 02, 04, 08 and 10");
  e.ab[0] = static_cast<uint8_t>(ulLevel);
  e.ab[1] = static_cast<uint8_t>(ulLen);
  std::array<uint8_t, 8> abName = abEbcdicName(e.sName);
  std::copy(abName.begin(), abName.begin() + 6, e.ab.begin() + 4);
  e.ab[10] = static_cast<uint8_t>(ulSkel >> 8);
  e.ab[11] = static_cast<uint8_t>(ulSkel & 0xFF);
  unsigned uOps = 0;
  if (vs[5] != "-") {
    std::istringstream in(vs[5]);
    std::string sNum;
    while (std::getline(in, sNum, ',')) {
      if (uOps == 4) vFail(iLine, "at most 4 operand descriptors");
      unsigned long ulDesc = ulNumber(sNum, 10, 255, iLine, "descriptor number");
      if (ulDesc >= kDescriptorCount)
        vFail(iLine, "descriptor " + sNum + " does not exist (" + std::to_string(kDescriptorCount) + " descriptors)");
      // The entry has three descriptor slots; operand 4 takes the
      // descriptor after the third.
      if (uOps == 3 && ulDesc != e.ab[15] + 1ul)
        vFail(iLine, "the fourth descriptor must follow the third (" + std::to_string(e.ab[15] + 1) + ")");
      if (uOps < 3) e.ab[13 + uOps] = static_cast<uint8_t>(ulDesc);
      ++uOps;
    }
  }
  e.ab[12] = static_cast<uint8_t>(uOps);
  vParseRegs(e, vs[6], iLine);
  if (uListCount(vs[8]) != uOps)
    vFail(iLine, "operand list '" + vs[8] + "' does not match " + std::to_string(uOps) + " descriptors");
  t.vMach.push_back(e);
}

TABLE tableRead(const std::string &sPath)
{
  std::ifstream in(sPath);
  if (!in) vFail(0, "cannot open " + sPath);
  TABLE t;
  std::string sLine;
  int iLine = 0;
  while (std::getline(in, sLine)) {
    ++iLine;
    std::vector<std::string> vs = vsWords(sLine, iLine);
    if (vs.empty()) continue;
    const std::string &sKey = vs[0];
    if (sKey == "text")
      vParseText(t, vs, iLine);
    else if (sKey == "perm")
      vParsePerm(t, vs, iLine);
    else if (sKey == "desc")
      vParseDesc(t, vs, iLine);
    else if (sKey == "asm")
      vParseAsm(t, vs, iLine);
    else if (sKey == "mach")
      vParseMach(t, vs, iLine);
    else if (sKey == "null") {
      vNeedWords(vs, 1, iLine);
      if (t.iNullLine) vFail(iLine, "second null entry");
      t.iNullLine = iLine;
    } else
      vFail(iLine, "unknown keyword '" + sKey + "'");
  }
  return t;
}

void vCheckCounts(const TABLE &t)
{
  if (t.vDesc.size() != kDescriptorCount)
    vFail(0, std::to_string(t.vDesc.size()) + " operand descriptors, expected " + std::to_string(kDescriptorCount));
  if (!t.iNullLine) vFail(0, "the null entry is missing");
  if (!t.iLiteralLine) vFail(0, "the nameless literal-pool entry is missing");
  if (t.literal.ab[14] != 1) vFail(t.iLiteralLine, "the literal-pool entry must have instruction number 1");
  if (!t.abSeedSeen[0] || !t.abSeedSeen[1]) vFail(0, "both permutation seeds (perm 1, perm 2) are required");
  if (t.vAsm.size() != kNamedAsmCount)
    vFail(0,
          std::to_string(t.vAsm.size()) + " named assembler instructions, expected " + std::to_string(kNamedAsmCount));
  std::map<unsigned, unsigned> mCount;
  for (const ENTRY &e : t.vMach) ++mCount[e.ab[0]];
  std::string sErr;
  for (const LEVELCOUNT &lc : kLevelCounts) {
    char sz[96];
    if (mCount[lc.uMask] != lc.uCount) {
      std::snprintf(sz, sizeof sz, " X'%02X' has %u, expected %u;", lc.uMask, mCount[lc.uMask], lc.uCount);
      sErr += sz;
    }
    mCount.erase(lc.uMask);
  }
  for (const auto &[uMask, uCount] : mCount) {
    char sz[96];
    std::snprintf(sz, sizeof sz, " X'%02X' has %u, expected none;", uMask, uCount);
    sErr += sz;
  }
  if (!sErr.empty()) vFail(0, "machine instructions per level mask:" + sErr);
}

// Sorts the named entries and checks names and assembler instruction numbers.
std::vector<ENTRY> vSortedNamed(const TABLE &t)
{
  std::vector<ENTRY> v(t.vAsm);
  v.insert(v.end(), t.vMach.begin(), t.vMach.end());
  std::stable_sort(v.begin(), v.end(),
                   [](const ENTRY &a, const ENTRY &b) { return abEbcdicName(a.sName) < abEbcdicName(b.sName); });
  for (size_t i = 1; i < v.size(); ++i)
    if (v[i].sName == v[i - 1].sName)
      vFail(v[i].iLine, "name " + v[i].sName + " already defined on line " + std::to_string(v[i - 1].iLine));
  unsigned uNext = 2;
  for (const ENTRY &e : v) {
    if (e.ab[0] != 0xFF) continue;
    if (e.ab[14] != uNext)
      vFail(e.iLine, e.sName + " has instruction number " + std::to_string(e.ab[14]) + ", expected " +
                         std::to_string(uNext) + " (numbers follow the name order)");
    ++uNext;
  }
  return v;
}

std::array<uint8_t, 256> abPermutation(uint32_t ulSeed)
{
  std::array<uint8_t, 256> ab;
  for (unsigned i = 0; i < 256; ++i) ab[i] = static_cast<uint8_t>(i);
  uint32_t x = ulSeed;
  for (unsigned i = 255; i > 0; --i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    std::swap(ab[i], ab[x % (i + 1)]);
  }
  return ab;
}

void vPut32(std::vector<uint8_t> &v, uint32_t ul)
{
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(ul >> (8 * i)));
}

void vPutSection(std::vector<uint8_t> &v, uint32_t ulMagic, uint32_t ulSize, uint32_t ulCount)
{
  vPut32(v, ulMagic);
  vPut32(v, ulSize);
  vPut32(v, ulSize * ulCount);
  vPut32(v, ulCount);
}

std::vector<uint8_t> vBuildImage(const TABLE &t)
{
  vCheckCounts(t);
  std::vector<ENTRY> vNamed = vSortedNamed(t);
  std::vector<uint8_t> v;
  const char szMagic[8] = {'O', 'P', 'V', '1', '2', '0', '0', '\0'};
  v.insert(v.end(), szMagic, szMagic + 8);
  std::array<uint8_t, 64> abText{};
  std::copy(t.sText.begin(), t.sText.end(), abText.begin());
  v.insert(v.end(), abText.begin(), abText.end());
  vPutSection(v, kPermMagic, 256, 2);
  for (uint32_t ulSeed : t.aulSeed) {
    std::array<uint8_t, 256> ab = abPermutation(ulSeed);
    v.insert(v.end(), ab.begin(), ab.end());
  }
  vPutSection(v, kEntryMagic, kEntrySize, static_cast<uint32_t>(vNamed.size() + 2));
  std::array<uint8_t, kEntrySize> abNull{};
  abNull[15] = 255;
  v.insert(v.end(), abNull.begin(), abNull.end());
  v.insert(v.end(), t.literal.ab.begin(), t.literal.ab.end());
  for (const ENTRY &e : vNamed) v.insert(v.end(), e.ab.begin(), e.ab.end());
  vPutSection(v, kDescMagic, kDescSize, static_cast<uint32_t>(t.vDesc.size()));
  for (const auto &d : t.vDesc) {
    vPut32(v, d[0]);
    vPut32(v, d[1]);
  }
  if (v.size() != kImageSize)
    vFail(0, "image has " + std::to_string(v.size()) + " bytes, expected " + std::to_string(kImageSize));
  return v;
}

// Writes through a temporary file so that a failed run leaves no output that
// the build could take for up to date.
void vWriteFile(const std::string &sPath, const std::string &sData)
{
  std::string sTemp = sPath + ".tmp";
  {
    std::ofstream out(sTemp, std::ios::binary | std::ios::trunc);
    out.write(sData.data(), static_cast<std::streamsize>(sData.size()));
    if (!out) vFail(0, "cannot write " + sTemp);
  }
  if (std::rename(sTemp.c_str(), sPath.c_str()) != 0) {
    std::remove(sTemp.c_str());
    vFail(0, "cannot rename " + sTemp + " to " + sPath);
  }
}

std::string sCppSource(const std::vector<uint8_t> &v, const std::string &sSource)
{
  std::string s;
  s += "// Generated by optgen from " + sSource + ". Do not edit: change the table source.\n";
  s += "#include \"optimage.h\"\n\n";
  s += "const unsigned char g_abOptImage[" + std::to_string(v.size()) + "] = {\n";
  char sz[8];
  for (size_t i = 0; i < v.size(); ++i) {
    if (i % 16 == 0) s += "   ";
    std::snprintf(sz, sizeof sz, " 0x%02X,", v[i]);
    s += sz;
    if (i % 16 == 15 || i + 1 == v.size()) s += "\n";
  }
  s += "};\n";
  s += "const unsigned long g_ulOptImageSize = " + std::to_string(v.size()) + "ul;\n";
  return s;
}

// The enumeration of the assembler instruction numbers, in number order.
std::string sInstrHeader(const TABLE &t, const std::string &sSource)
{
  std::vector<std::pair<unsigned, std::string>> v{{t.literal.ab[14], "LITERAL"}};
  for (const ENTRY &e : t.vAsm) v.emplace_back(e.ab[14], e.sName);
  std::sort(v.begin(), v.end());
  std::string s;
  s += "// Generated by optgen from " + sSource + ". Do not edit: change the table source.\n";
  s += "// Assembler instruction numbers (the NUM column); they index the table of\n";
  s += "// assembler instructions (instr.cpp).\n";
  s += "#pragma once\n\n#include <cstdint>\n\nenum : uint8_t {\n";
  for (const auto &[uNumber, sName] : v) s += "  INSTR_" + sName + " = " + std::to_string(uNumber) + ",\n";
  s += "};\n\n/* Numbers run from 1 to INSTR_COUNT - 1. */\n";
  s += "constexpr unsigned INSTR_COUNT = " + std::to_string(v.back().first + 1) + ";\n";
  return s;
}

int iUsage()
{
  std::fprintf(stderr, "usage: optgen SOURCE [--cpp FILE] [--image FILE] [--instr FILE]\n");
  return 2;
}

} // namespace

int main(int argc, char **argv)
{
  if (argc < 2) return iUsage();
  std::string sSource = argv[1], sCpp, sImage, sInstr;
  for (int i = 2; i < argc; ++i) {
    std::string sArg = argv[i];
    if (i + 1 >= argc) return iUsage();
    if (sArg == "--cpp")
      sCpp = argv[++i];
    else if (sArg == "--image")
      sImage = argv[++i];
    else if (sArg == "--instr")
      sInstr = argv[++i];
    else
      return iUsage();
  }
  try {
    TABLE t = tableRead(sSource);
    std::vector<uint8_t> v = vBuildImage(t);
    std::string sBase = sSource.substr(sSource.find_last_of('/') + 1);
    if (!sImage.empty()) vWriteFile(sImage, std::string(v.begin(), v.end()));
    if (!sCpp.empty()) vWriteFile(sCpp, sCppSource(v, sBase));
    if (!sInstr.empty()) vWriteFile(sInstr, sInstrHeader(t, sBase));
  } catch (const std::exception &x) {
    std::fprintf(stderr, "%s\n", x.what());
    return 1;
  }
  return 0;
}
