// Every machine instruction that GNU binutils knows is assembled in-process
// and by s390x-linux-gnu-as, and the bytes must agree; the others (vector
// facility, S/370 I/O) are checked against the layouts of their documented
// formats.  Operand forms come from the Principles-of-Operation operand list
// of each entry of core/optable/optable.tab; the encoder's descriptors only
// pick values an operand accepts (even or floating point registers).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "coretest.h"
#include "opt.h"

namespace {

struct ROW {
  std::string strName, strSkel, strFormat, strOperands, strSource;
  unsigned uLength = 0;
  std::vector<unsigned> auDescs;
};

std::vector<ROW> vRows()
{
  std::vector<ROW> a;
  std::ifstream in(std::string(VORN_TEST_DIR) + "/../core/optable/optable.tab");
  for (std::string strLine, strKind, strLevel, strDescs, strRegs; std::getline(in, strLine);) {
    std::istringstream s(strLine.substr(0, strLine.find('#')));
    ROW r;
    if (!(s >> strKind) || strKind != "mach") continue;
    s >> r.strName >> r.strSkel >> r.uLength >> strLevel >> strDescs >> strRegs >> r.strFormat >> r.strOperands >>
        r.strSource;
    std::istringstream d(strDescs == "-" ? "" : strDescs);
    for (std::string str; std::getline(d, str, ',');) r.auDescs.push_back(static_cast<unsigned>(std::stoul(str)));
    a.push_back(r);
  }
  return a;
}

/* Documented formats of the instructions binutils does not know: operand
   token, byte and half (h, l, or the whole byte); D: base and displacement. */
const std::map<std::string, std::string> c_mapLayouts = {
    {"RR", "R1:1h R2:1l"}, {"S", "D:2"}, {"SI", "I2:1 D:2"}, {"RRE", "GR1:3h"}, {"VS", "RS2:3l"},
    {"VST", "VR1:3h M1:3h VR3:2h RS2:3l RT2:2l"}, {"QST", "VR1:3h M1:3h QR3:2h RS2:3l RT2:2l"},
    {"VV", "VR1:3h M1:3h VR3:2h VR2:3l"}, {"QV", "VR1:3h M1:3h QR3:2h VR2:3l"}, {"VR", "VR1:3h QR3:2h GR2:3l"},
    {"RSE", "VR1:3h VR3:2h GR3:2h D:4"}};

struct INSTANCE {
  std::string strName, strOurs, strGas, strExpected; /* expected bytes by layout; empty for binutils rows */
};

std::string strHex(const uint8_t *p, size_t n)
{
  std::string str;
  char ach[4];
  for (size_t i = 0; i < n; i++) str += (std::snprintf(ach, sizeof ach, "%02X", p[i]), ach);
  return str;
}

/* Variant v (0-2) of a row: values vary with the variant and the operand. */
INSTANCE instance(const ROW &r, unsigned v)
{
  static const unsigned c_auSeed[3][3] = {{3, 12, 5}, {14, 9, 15}, {8, 1, 10}};
  static const int c_aiByte[] = {255, 90, 1}, c_aiHalf[] = {-2, 32767, -32768};
  static const char *const c_apszRel[] = {"+40", "-65536", "+65534"};
  static const int c_aiDisp[] = {4088, 8, 1800}, c_aiBase[] = {15, 1, 0}, c_aiIndex[] = {14, 0, 9};
  INSTANCE in{r.strName, r.strName, r.strName, ""};
  std::vector<uint8_t> ab(r.uLength, 0);
  ab[0] = static_cast<uint8_t>(std::stoul(r.strSkel, nullptr, 16) >> 8);
  ab[1] = static_cast<uint8_t>(std::stoul(r.strSkel, nullptr, 16));
  std::string strLayout = " " + (c_mapLayouts.count(r.strFormat) ? c_mapLayouts.at(r.strFormat) + " " : "");
  auto vField = [&](const std::string &strToken, unsigned u) {
    size_t i = strLayout.find(" " + strToken + ":");
    char cHalf = i == std::string::npos ? 0 : strLayout[i + strToken.size() + 3];
    if (i != std::string::npos)
      ab[static_cast<size_t>(strLayout[i + strToken.size() + 2] - '0')] |=
          static_cast<uint8_t>(cHalf == 'h' ? u << 4 : cHalf == 'l' ? u & 15 : u);
  };
  std::vector<std::string> astrOps(r.strOperands == "-" ? 0 : 1);
  int iDepth = 0;
  for (char ch : r.strOperands == "-" ? std::string() : r.strOperands) {
    iDepth += ch == '(' ? 1 : ch == ')' ? -1 : 0;
    ch == ',' && iDepth == 0 ? astrOps.emplace_back() : astrOps.back() += ch;
  }
  for (size_t i = 0; i < astrOps.size(); i++) {
    const std::string &strOp = astrOps[i];
    uint32_t ulDesc = g_optab.pDescs[r.auDescs.at(i)].ulDesc;
    unsigned uKind = ulDesc & 0xFF, uAlign = ulDesc >> 24, a = (v + static_cast<unsigned>(i)) % 3;
    size_t ulParen = strOp.find('(');
    std::string strInner = ulParen == std::string::npos ? "" : strOp.substr(ulParen + 1, strOp.size() - ulParen - 2);
    std::string strOurs, strGas;
    if (uKind == 9) { /* relative target: a distance from the instruction */
      strOurs = std::string("*") + c_apszRel[v];
      strGas = std::string(".") + c_apszRel[v];
    } else if (uKind == 7 || uKind == 8) { /* binutils reads the TMH and TML immediate unsigned */
      int iValue = uKind == 7 ? c_aiByte[v] : c_aiHalf[v] + (r.strName.substr(0, 2) == "TM" && v != 1 ? 65536 : 0);
      strOurs = strGas = std::to_string(iValue);
      vField(strOp, static_cast<unsigned>(iValue));
    } else if (strOp[0] == 'D') { /* D(B), D(X,B), D(L,B), D(R,B); SAC takes the mode from bits 8-9 only */
      int iDisp = c_aiDisp[a] & (r.strName.substr(0, 3) == "SAC" ? 0x3FF : 0xFFF), iBase = c_aiBase[a];
      std::string strD = std::to_string(iDisp), strB = std::to_string(iBase);
      strOurs = strGas = strD + "(" + strB + ")";
      if (strInner.find(',') != std::string::npos) {
        int iLimit = uKind == 13 ? 8 : uKind == 14 ? 16 : 256;
        bool bLength = strInner[0] == 'L';
        int iSecond = !bLength ? c_aiIndex[a] : a == 0 ? iLimit : a == 1 ? 0 : iLimit / 2 - 1;
        strOurs = strD + "(" + (iSecond == 0 ? "" : std::to_string(iSecond)) + "," + strB + ")";
        strGas = strD + "(" + std::to_string(bLength && iSecond == 0 ? 1 : iSecond) + "," + strB + ")";
      }
      vField("D", static_cast<unsigned>(iBase << 4 | iDisp >> 8));
      if (size_t d = strLayout.find(" D:"); d != std::string::npos)
        ab[static_cast<size_t>(strLayout[d + 3] - '0' + 1)] = static_cast<uint8_t>(iDisp);
    } else {
      unsigned u = c_auSeed[v][i];
      u = uKind == 4 ? u & (uAlign == 4 ? 4 : 6) : uKind == 5 ? u % 10 : uAlign == 2 ? u & ~1u : u;
      strOurs = strGas = std::to_string(u);
      vField(strOp.substr(0, ulParen), u);
      if (!strInner.empty()) { /* RS2(RT2): a stride register other than RS2 */
        strOurs += "(" + std::to_string((u + 5) % 16) + ")";
        vField(strInner, (u + 5) % 16);
      }
    }
    in.strOurs += (i == 0 ? " " : ",") + strOurs;
    in.strGas += (i == 0 ? " " : ",") + strGas;
  }
  if (r.strSource != "binutils") in.strExpected = strHex(ab.data(), ab.size());
  return in;
}

/* The bytes GNU as makes of each line (labels between them, read by nm). */
std::vector<std::string> astrGasBytes(const std::vector<std::string> &astrLines)
{
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("ins2_gas_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream src(dir / "t.s");
  for (size_t k = 0; k < astrLines.size(); k++) src << "i" << k << ": " << astrLines[k] << "\n";
  src << "i" << astrLines.size() << ":\n";
  src.close();
  std::string strCmd = "cd '" + dir.string() + "' && s390x-linux-gnu-as -m31 -mesa -march=z9-109 -o t.o t.s && "
                       "s390x-linux-gnu-nm t.o >nm.txt && s390x-linux-gnu-objcopy -O binary -j .text t.o t.bin";
  EXPECT_EQ(std::system(strCmd.c_str()), 0) << strCmd;
  std::map<std::string, size_t> mapAddr;
  std::ifstream nm(dir / "nm.txt"), bin(dir / "t.bin", std::ios::binary);
  for (std::string strAddr, strType, strName; nm >> strAddr >> strType >> strName;)
    mapAddr[strName] = std::stoul(strAddr, nullptr, 16);
  std::vector<uint8_t> ab((std::istreambuf_iterator<char>(bin)), std::istreambuf_iterator<char>());
  std::vector<std::string> astrBytes(astrLines.size());
  for (size_t k = 0; k < astrLines.size(); k++) {
    size_t ulFrom = mapAddr["i" + std::to_string(k)], ulTo = mapAddr["i" + std::to_string(k + 1)];
    if (ulFrom <= ulTo && ulTo <= ab.size()) astrBytes[k] = strHex(ab.data() + ulFrom, ulTo - ulFrom);
  }
  std::filesystem::remove_all(dir);
  return astrBytes;
}

class Ins2Binutils : public CoreTest {};

TEST_F(Ins2Binutils, EveryInstructionEncodesAsBinutilsOrItsDocumentedFormat)
{
  bool bGas = std::system("(command -v s390x-linux-gnu-as && command -v s390x-linux-gnu-nm && "
                          "command -v s390x-linux-gnu-objcopy) >/dev/null 2>&1") == 0;
  std::vector<ROW> aRows = vRows();
  ASSERT_EQ(aRows.size(), 526u);
  std::vector<INSTANCE> aInst;
  std::vector<std::string> astrGasLines;
  std::string strSource = "T CSECT\n";
  std::map<std::string, unsigned> mapCount;
  for (const ROW &r : aRows) {
    bool bPlaceholder = r.strSource == "placeholder"; /* opcode unknown: nothing to check against */
    mapCount[bPlaceholder ? "not checked" : r.strSource == "binutils" ? "binutils" : "table"]++;
    for (unsigned v = 0; v < 3 && !bPlaceholder; v++) {
      aInst.push_back(instance(r, v));
      strSource += " " + aInst.back().strOurs + "\n";
      if (aInst.back().strExpected.empty()) astrGasLines.push_back(aInst.back().strGas);
    }
  }
  std::vector<std::string> astrOurs = astrCode(strSource + " END\n");
  ASSERT_EQ(astrOurs.size(), aInst.size() + 2);
  std::vector<std::string> astrGas = bGas ? astrGasBytes(astrGasLines) : std::vector<std::string>();
  for (size_t k = 0, g = 0; k < aInst.size(); k++) {
    const INSTANCE &in = aInst[k];
    const std::string &strLine = astrOurs[k + 1];
    size_t ulBytes = strLine.find(" bytes=");
    std::string strBytes = ulBytes == std::string::npos ? "" : strLine.substr(ulBytes + 7);
    bool bGasRow = in.strExpected.empty();
    EXPECT_NE(strLine.find(" op=" + in.strName + " "), std::string::npos) << strLine;
    EXPECT_EQ(strLine.find("diag="), std::string::npos) << strLine;
    EXPECT_EQ(strBytes, !bGasRow ? in.strExpected : g < astrGas.size() ? astrGas[g] : strBytes) << in.strGas;
    g += bGasRow ? 1 : 0;
  }
  std::printf("[ counts   ] checked by binutils %u, by format table %u, not checked %u\n", mapCount["binutils"],
              mapCount["table"], mapCount["not checked"]);
  if (!bGas) GTEST_SKIP() << "GNU binutils for s390 not installed: only the format table was checked";
}

} // namespace
