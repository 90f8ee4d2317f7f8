// DC constants and literals in the code generation phase: programs run
// through both phases and each constant's bytes and diagnostics are
// checked.  Expected bytes come from the data formats (two's complement,
// packed and zoned decimal, System/390 hexadecimal floating point worked
// out by hand or with exact fractions), never from this program's output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "asm0.h"
#include "asm2.h"
#include "coretest.h"
#include "esd1.h"
#include "lbl.h"
#include "msc2.h"
#include "pun2.h"
#include "vorn.h"
#include "work.h"

namespace {

/* A DC statement continued over as many cards as its operands need: 56
   columns of operands a card, the continuation mark in column 72. */
std::string strContinued(const std::string &strOperands)
{
  std::string str;
  for (size_t i = 0; i < strOperands.size(); i += 56) {
    str += i == 0 ? "         DC    " : "\n               ";
    str += strOperands.substr(i, 56);
    if (i + 56 < strOperands.size()) str += "X";
  }
  return str + "\n";
}

struct CASE {
  const char *pszOperands;
  const char *pszExpected; /* bytes in hexadecimal, then " <diagnostics>" */
  uint32_t ulFlag = 0;     /* FLAG bits added to the defaults */
};

class Def2Test : public CoreTest {
protected:
  uint8_t bObjectSaved = 0;
  bool bRldSaved = false;
  std::vector<std::string> astr;

  void SetUp() override
  {
    CoreTest::SetUp();
    bObjectSaved = g_opt.bObject;
    bRldSaved = g_opt.bRld;
  }
  void TearDown() override
  {
    g_opt.bObject = bObjectSaved;
    g_opt.bRld = bRldSaved;
    g_opt.bAlign = false;
    vPhaseSet('0', 'N');
    CoreTest::TearDown();
  }
  void vCode(const std::string &strSource)
  {
    vWorkDeleteAll();
    vSourceCloseAll();
    astr = astrCode(strSource);
  }
  /* The bytes and the diagnostics of record i: "HEX diag;diag;". */
  std::string strShown(size_t i)
  {
    if (i >= astr.size()) return "no record";
    const std::string &s = astr[i];
    size_t b = s.find(" bytes=");
    std::string str = b == std::string::npos ? "" : s.substr(b + 7);
    std::string strDiag;
    for (size_t d = s.find(" diag="); d != std::string::npos; d = s.find(" diag=", d + 1)) {
      size_t e = std::min({s.find(" diag=", d + 1), s.find(" src", d), s.find(" at=", d)});
      strDiag += s.substr(d + 6, e - d - 6) + ";";
    }
    return strDiag.empty() ? str : str + " " + strDiag;
  }
  std::string strAt(size_t i)
  {
    size_t a = i < astr.size() ? astr[i].find(" at=") : std::string::npos;
    return a == std::string::npos ? "" : astr[i].substr(a + 4, 6);
  }
  /* Each case as the DC of "T CSECT / DC operands / END". */
  void vCases(const std::vector<CASE> &aCase)
  {
    for (const CASE &k : aCase) {
      g_opt.ulFlag = FLAG_DEFAULT | k.ulFlag;
      vCode(strProgram({"T CSECT", std::string("- DC ") + k.pszOperands, "- END"}));
      EXPECT_EQ(strShown(1), k.pszExpected) << k.pszOperands;
    }
  }
  const ESDITEM *pItem(const char *pszName)
  {
    auto ab = abEbcdic(pszName);
    return pEsdFind(pSymbolFind(ab.data(), std::char_traits<char>::length(pszName)));
  }
  /* The RLD items kept, as "address/flags/relocation id" in order. */
  std::string strRld()
  {
    uint32_t n = 0;
    const RLDITEM *p = pRldItems(&n);
    std::string str;
    char ach[40];
    for (uint32_t i = 0; i < n; i++) {
      const uint8_t *q = p[i].ab;
      std::snprintf(ach, sizeof ach, "%02X%02X%02X/%02X/%u;", q[2], q[3], q[4], q[7], q[5] << 8 | q[6]);
      str += ach;
    }
    return str;
  }
};

TEST_F(Def2Test, FixedPointScaledAndRounded)
{
  vCases({
      {"F'1'", "00000001"},
      {"F'-1'", "FFFFFFFF"},
      {"H'32767'", "7FFF"},
      {"H'-32768'", "8000"},
      {"H'32768'", "0000 322/12:Data value is too large in operand 1.;"},
      {"F'2147483647,-2147483648'", "7FFFFFFF80000000"},
      {"F'2147483648'", "00000000 322/12:Data value is too large in operand 1.;"},
      {"F'4294967295'", "00000000 322/12:Data value is too large in operand 1.;"},
      {"FL8'4294967295,4294967296'", "00000000FFFFFFFF0000000100000000"},
      {"FL8'-1'", "FFFFFFFFFFFFFFFF"},
      {"FL8'9223372036854775807'", "7FFFFFFFFFFFFFFF"},
      {"FL8'9223372036854775808'", "0000000000000000 322/12:Data value is too large in operand 1.;"},
      {"FL3'-2'", "FFFFFE"},
      {"F'1.5'", "00000002 511/4:Precision lost in operand 1.;"},
      {"FS1'1.5'", "00000003"},
      {"FS4'1.5'", "00000018"},
      {"FS31'.5'", "40000000"},
      {"FS-2'10'", "00000003 511/4:Precision lost in operand 1.;"}, /* 2.5 rounds away from zero */
      {"H'-2.5'", "FFFD 511/4:Precision lost in operand 1.;"},
      {"H'0.4'", "0000 511/4:Precision lost in operand 1.;"},
      {"F'1E3,12.5E-1,+7'", "000003E80000000100000007 511/4:Precision lost in operand 1.;"},
      {"F'1.25',FS2'1.25'", "0000000100000005 511/4:Precision lost in operand 1.;"},
      {"FE-1'100'", "0000000A"},
      {"FE2'0.07'", "00000007"},
      {"F'0.50000000000000000000000000000000000001'", "00000001 511/4:Precision lost in operand 1.;"},
      {"F'000000000000000000000000000000000000042'", "0000002A"},
      {"F'1E-50'", "00000000 511/4:Precision lost in operand 1.;"},
      {"F'123456789012345678901234567890'", "00000000 322/12:Data value is too large in operand 1.;"},
      {"F'1E999'", "00000000 322/12:Data value is too large in operand 1.;"},
      {"H'0E999,-0'", "00000000"},
  });
}

TEST_F(Def2Test, HexadecimalFloatingPoint)
{
  vCases({
      {"E'1'", "41100000"},
      {"E'-1'", "C1100000"},
      {"E'0.1'", "4019999A"},
      {"D'0.1'", "401999999999999A"},
      {"D'-.1'", "C01999999999999A"},
      {"L'1'", "41100000000000003300000000000000"},
      {"L'-1'", "C110000000000000B300000000000000"},
      {"L'0.1'", "4019999999999999329999999999999A"},
      {"L'1E-70'", "06B0AF48EC79ACE878372D835A9DF0C7"}, /* the low characteristic wraps */
      {"E'100',EE2'1'", "4264000042640000"},
      {"E'0.5',E'0'", "4080000000000000"},
      {"E'3.1415926',D'3.1415926'", "413243F7413243F69A25B094"},
      {"E'123456789'", "4775BCD1"},
      {"ES2'1'", "43001000"},
      {"DS13'1'", "4E00000000000001"},
      {"EL3'1',DL5'0.1'", "411000401999999A"},
      {"E'1E75'", "7F235FAE"},
      {"E'7.237005E75'", "7FFFFFFF"},
      {"E'7.2370055E75'", "00000000 323/12:Floating point value is out of range in operand 1.;"},
      {"E'1E76'", "00000000 323/12:Floating point value is out of range in operand 1.;"},
      {"E'-1E999'", "00000000 323/12:Floating point value is out of range in operand 1.;"},
      {"E'1E-78'", "001DA48D"},
      {"E'5.397605346934028E-79'", "00100000"}, /* 16 ** -65, the smallest */
      {"E'2.7E-79'", "00000000"},               /* below it: zero, no message */
      {"E'1E-80',D'-1E-999'", "000000000000000000000000"},
  });
}

TEST_F(Def2Test, CharacterHexadecimalBinaryPackedZoned)
{
  vCases({
      {"C'ABC'", "C1C2C3"},
      {"CL5'AB'", "C1C2404040"},
      {"CL3'ABCD'", "C1C2C3"},
      {"CL3'ABCD'", "C1C2C3 512/4:Value truncated in operand 1.;", FLAG_TRUNC},
      {"C'A''B',C'A&&B'", "C17DC2C150C2"},
      {"C'a'", "81"},
      {"X'ABC',XL3'1'", "0ABC000001"},
      {"X'1,23'", "0123"},
      {"XL1'ABC'", "BC 512/4:Value truncated in operand 1.;", FLAG_TRUNC},
      {"XL1'00FF'", "FF", FLAG_TRUNC},
      {"B'101',BL2'1',B'111100001'", "05000101E1"},
      {"P'12345'", "12345C"},
      {"PL2'12345'", "345C"},
      {"PL2'12345'", "345C 512/4:Value truncated in operand 1.;", FLAG_TRUNC},
      {"PL2'0012'", "012C", FLAG_TRUNC},
      {"P'-1',P'+0',P'1.5',PL3'-12'", "1D0C015C00012D"},
      {"Z'-12'", "F1D2"},
      {"Z'1.5',ZL4'12',Z'-0012'", "F1C5F0F0F1C2F0F0F1D2"},
      {"ZL2'0012'", "F1C2", FLAG_TRUNC},
      {"ZL2'123'", "F2C3 512/4:Value truncated in operand 1.;", FLAG_TRUNC},
      {"Z'0'", "C0"},
  });
}

TEST_F(Def2Test, BitLengthsPackAcrossValuesAndOperands)
{
  vCases({
      {"BL.3'101',BL.5'11'", "A3"},
      {"FL.12'1,-1'", "001FFF"},
      {"XL.4'A',C'B'", "A0C2"}, /* the partial byte is completed with zeros */
      {"3BL.1'1'", "E0"},
      {"BL.3'1',BL.3'1'", "24"},
      {"CL.12'A'", "C140"},
      {"XL.4'AB'", "B0 512/4:Value truncated in operand 1.;", FLAG_TRUNC},
      {"EL.12'1'", "4110"},
      {"PL.12'-12'", "12D0"},
      {"AL.12(4095),YL.4(1)", "FFF1"},
      {"HL.9'-256'", "8000"},
      {"HL.9'256'", "0000 322/12:Data value is too large in operand 1.;"},
  });
}

TEST_F(Def2Test, DuplicationAndAlignment)
{
  g_opt.bAlign = true;
  vCases({
      {"3C'AB'", "C1C2C1C2C1C2"},
      {"2XL2'1,2'", "0001000200010002"},
      {"0C'AB'", ""},
      {"C'A',F'1'", "C100000000000001"},
      {"C'A',0F", "C1000000"},
      {"C'A',0D,H'2'", "C1000000000000000002"},
      {"BL.3'1',0H", "2000"},
      {"3A(*)", "000000000000000400000008"},
      {"3A((*-T)/2+1)", "000000010000000300000005"},
      {"2Y(-(*-T)+X'10',3-*+T)", "00100001000CFFFD"},
      {"3A((*-T)*(*-T)/4)", "000000000000000400000010"},
      {"2A((*-T)/4+(*-T)/2),2A(-(*-T)+(*-T)*3)", "00000000000000030000001000000018"},
      {"3A((*-T)+2147483643)",
       "7FFFFFFB7FFFFFFF00000000 225/12:Overflow occurred while evaluating expression in operand 1.;"},
      {"2AL.12((*-T)/1+1+1+1),0H", "00300400"}, /* * of a bit constant: its first byte */
  });
  /* alignment before the first constant is the statement's padding */
  for (bool bAlign : {true, false}) {
    g_opt.bAlign = bAlign;
    vCode(strProgram({"T CSECT", "- DC X'0102'", "- DC F'1'", "- DC 0F", "- END"}));
    EXPECT_EQ(strAt(2), bAlign ? "000004" : "000002");
    EXPECT_EQ(strShown(2), "00000001");
    EXPECT_EQ(strAt(3), "000008");
    EXPECT_EQ(strShown(3), "");
  }
}

TEST_F(Def2Test, AddressConstantsAndTheirDiagnostics)
{
  vCases({
      {"A(1,-1),Y(-32768)", "00000001FFFFFFFF8000"},
      {"AL1(255),AL2(-1),AL3(X'FFFFFF')", "FFFFFFFFFFFF"},
      {"AL1(256)", "00"},
      {"AL1(256)", "00 512/4:Value truncated in operand 1.;", FLAG_TRUNC},
      {"Y(40000)", "9C40 322/12:Data value is too large in operand 1.;"},
      {"Y(65535)", "FFFF 322/12:Data value is too large in operand 1.;"},
      {"A(((((((((((1+2)*3)))))))))),A(*+2)", "0000000900000006"},
      {"AL1(T)", "00 324/12:Relocatable value is not allowed in operand 1.;"},
      {"AL.16(T)", "0000 324/12:Relocatable value is not allowed in operand 1.;"},
      {"A(T-*+8),A(UNDEF)", "0000000800000000 227/12:Symbol UNDEF is not defined in operand 2.;"},
      {"AL2(T)", "0000"},
      {"AL2(T)", "0000 510/4:Relocatable 2-byte address in operand 1.;", FLAG_RA2},
      {"AL2(T)", "0000 510/4:Relocatable 2-byte address in operand 1.;", FLAG_RA3ANY},
      {"AL3(T)", "000000", FLAG_RA2},
      {"AL3(T)", "000000 510/4:Relocatable 3-byte address in operand 1.;", FLAG_RA3},
      {"AL3(T)", "000000", FLAG_RA3ANY},
      {"A(T),AL3(T)", "00000000000000", FLAG_RA3ANY},
  });
  g_opt.ulFlag = FLAG_DEFAULT | FLAG_RA3ANY;
  vCode(strProgram({"T CSECT", "T RMODE ANY", "- DC AL3(T)", "- END"}));
  EXPECT_EQ(strShown(2), "000000 510/4:Relocatable 3-byte address in operand 1.;");
  vCode(strProgram({"D DSECT", "F DS F", "T CSECT", "- DC A(F)", "- END"}));
  EXPECT_EQ(strShown(3), "00000000 325/12:Relocatable DSECT reference in operand 1.;");
  /* S: base and displacement of each constant's own * */
  vCode(strProgram({"T CSECT", "- USING T,12", "- DC H'0'", "- DC 2S(*),S(X'10')", "- END"}));
  EXPECT_EQ(strShown(3), "C002C0040010");
  /* a qualified symbol resolves through its labeled USING, as in instructions */
  vCode(strProgram(
      {"D DSECT", "F1 DS F", "F2 DS F", "T CSECT", "LU USING D,7", "- USING D,8", "- DC S(LU.F2,F2)", "- END"}));
  EXPECT_EQ(strShown(6), "70048004");
}

TEST_F(Def2Test, RelocationDictionaryRequests)
{
  g_opt.bObject = OBJ_OMF;
  g_opt.bAlign = true;
  vCode(strProgram({"T CSECT", "- DS H", "X DC A(X),AL3(X+1),YL2(X)", "- EXTRN E", "- DC A(E-X,X-X),2V(E)",
                    "- DC 0F,VL3(E)", "- END"}));
  EXPECT_EQ(strShown(2), "00000004"
                         "000005"
                         "0004");
  EXPECT_EQ(strShown(4), "FFFFFFFC00000000"
                         "0000000000000000");
  unsigned t = static_cast<unsigned>(pItem("T")->lId), e = static_cast<unsigned>(pItem("E")->lId);
  std::string strE = std::to_string(e), strT = std::to_string(t);
  EXPECT_EQ(strRld(), "000004/0C/" + strT + ";000008/08/" + strT + ";00000B/04/" + strT + ";" + /* statement 3 */
                          "000010/0C/" + strE + ";000010/0E/" + strT + ";" + /* E - X: positive first */
                          "000018/1C/" + strE + ";00001C/1C/" + strE + ";" + /* one per duplication */
                          "000020/18/" + strE + ";");
  /* Q names an external dummy, with the length code */
  vCode(strProgram({"D DSECT", "- DS F", "T CSECT", "- DC Q(D),QL2(D)", "- END"}));
  std::string strD = std::to_string(pItem("D")->lId);
  EXPECT_EQ(strShown(3), "000000000000");
  EXPECT_EQ(strRld(), "000000/2C/" + strD + ";000004/24/" + strD + ";");
}

TEST_F(Def2Test, ExternalNamesAreChecked)
{
  vCode(strProgram({"T CSECT", "L DS F", "- DC V(T)", "- DC Q(L)", "- DC V(LONGNAME9)", "- WXTRN W", "- DC V(W)",
                    "- DC VL3(W)", "- DC V(X)", "E EQU T+8", "- ENTRY E", "- DC V(E)", "X DSECT", "- END"}));
  /* a section or entry point of the assembly: relocated like A(name) */
  EXPECT_EQ(strShown(2), "00000000");
  EXPECT_EQ(strShown(8), "00000000"); /* a dummy section's name: an external reference of that name */
  EXPECT_EQ(strShown(11), "00000008");
  EXPECT_EQ(strShown(3), "00000000 320/12:L is not a dummy section.;");
  EXPECT_EQ(strShown(4), "00000000 302/12:LONGNAME9 is too long to be defined as an external symbol.;");
  EXPECT_EQ(strShown(6), "00000000");
  EXPECT_EQ(strShown(7), "000000");
  g_opt.ulFlag = FLAG_DEFAULT | FLAG_RA3;
  vCode(strProgram({"T CSECT", "- DC VL3(X),QL3(D)", "D DSECT", "- END"}));
  EXPECT_EQ(strShown(1), "000000000000 510/4:Relocatable 3-byte address in operand 1.;"
                         "510/4:Relocatable 3-byte address in operand 2.;");
}

TEST_F(Def2Test, LiteralsAreGeneratedInTheirPools)
{
  vCode(strProgram(
      {"T CSECT", "- LR 1,1", "- L 1,=F'5'", "- L 1,=A(*)", "- LTORG", "- L 1,=F'5'", "- L 1,=C'AB'", "- END"}));
  std::vector<std::string> aShown;
  for (size_t i = 0; i < astr.size(); i++)
    if (astr[i].find("operands=[=") != std::string::npos) aShown.push_back(strAt(i) + ":" + strShown(i));
  /* =A(*) takes * where the instruction stood (6); the second pool holds its own =F'5' */
  EXPECT_EQ(aShown, (std::vector<std::string>{"000010:00000005", "000014:00000006", "000020:00000005", "000024:C1C2"}));
}

TEST_F(Def2Test, HostileOperandsEndInDiagnostics)
{
  /* thousands of operands, long numbers, deep parentheses */
  std::string strMany;
  for (int i = 0; i < 3000; i++)
    strMany.append(i != 0 ? "," : "").append("AL1(").append(std::to_string(i % 256)).append(")");
  vCode(strProgram({"T CSECT"}) + strContinued(strMany) + strProgram({"- END"}));
  ASSERT_EQ(astr.size(), 3u);
  std::string strBytes = strShown(1);
  ASSERT_EQ(strBytes.size(), 6000u);
  EXPECT_EQ(strBytes.substr(0, 8), "00010203");
  EXPECT_EQ(strBytes.substr(5990), "B3B4B5B6B7");
  vCode(strProgram({"T CSECT"}) +
        strContinued("F'" + std::string(900, '9') + "',E'." + std::string(900, '0') + "1',P'1'") +
        strContinued("A(" + std::string(200, '(') + "1" + std::string(200, ')') + ")") +
        strProgram({"- DC C'&',X'FFFFFF'", "- DC E'1E1000'", "- DC A(=A(=F'1'))", "- DC =F'1'", "- DC (X'FFFFFF')A(0)",
                    "- END"}));
  ASSERT_EQ(astr.size(), 9u);
  EXPECT_EQ(strShown(1), "00000000000000001C 322/12:Data value is too large in operand 1.;");
  EXPECT_EQ(strShown(2).substr(0, 7), " 201/12") << strShown(2);
  EXPECT_EQ(strShown(3), " 204/12:Unpaired ampersand in operand 1.;");
  EXPECT_EQ(strShown(4), " 208/12:Nominal value exponent is out of range in operand 1.;");
  for (size_t i = 5; i <= 7; i++) EXPECT_NE(strShown(i).find("/12:"), std::string::npos) << astr[i];
  /* a 65535-byte DS value; sixteen million bytes of duplication */
  vCode(strProgram({"T CSECT", "- DS CL65535", "- DC C'Z'", "- END"}));
  EXPECT_EQ(strAt(2) + ":" + strShown(2), "00FFFF:E9");
  vWorkDeleteAll();
  vSourceCloseAll();
  astrPhase1(strProgram({"T CSECT", "- DC (X'FFFFFF')X'A5'", "- END"}));
  vPhaseSet('2', 'G');
  vCodePhaseStart();
  ASSERT_NE(lStmtFirst(0), 0u);
  uint32_t ulBytes = 0, ulOther = 0;
  while (lStmtNext(0) != 0) {
    vCodeStatement();
    ulBytes += ulStmtBytesCount();
    uint8_t ab[4096];
    for (uint32_t n; (n = iStmtBytesGet(sizeof ab, ab)) != 0;)
      ulOther += static_cast<uint32_t>(std::count_if(ab, ab + n, [](uint8_t b) { return b != 0xA5; }));
  }
  EXPECT_EQ(ulBytes, 0xFFFFFFu);
  EXPECT_EQ(ulOther, 0u);
}

} // namespace
