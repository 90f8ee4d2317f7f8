// Machine instruction encoding, CCW, CNOP and CXD: small programs (after
// "T CSECT") go through both phases; the bytes, diagnostics and relocation
// items of one statement are compared with values worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>

#include "asm0.h"
#include "coretest.h"
#include "expr.h"
#include "gen1.h"
#include "ins2.h"
#include "lbl.h"
#include "pun2.h"
#include "vorn.h"
#include "work.h"

namespace {

constexpr uint32_t F = FLAG_DEFAULT, NOALIGN = FLAG_DEFAULT & ~FLAG_ALIGN;

class Ins2Test : public CoreTest {
protected:
  std::vector<std::string> astr;
  void TearDown() override
  {
    g_opt.bRld = false;
    g_opt.bXref = 0;
    CoreTest::TearDown();
  }
  /* Runs "T CSECT" and the lines (';' between them); the statement checked
     is marked '>', else the last.  Returns its line. */
  std::string strRun(std::string strLines, uint32_t ulFlag = F)
  {
    vWorkDeleteAll();
    vSourceCloseAll();
    g_opt.ulFlag = ulFlag;
    strLines = "T CSECT;" + strLines;
    size_t ulMark = std::min(strLines.find('>'), strLines.size());
    auto n = std::count(strLines.begin(), strLines.begin() + static_cast<long>(ulMark), ';');
    strLines.erase(std::remove(strLines.begin(), strLines.end(), '>'), strLines.end());
    std::replace(strLines.begin(), strLines.end(), ';', '\n');
    astr = astrCode(strLines + "\n END\n");
    return static_cast<size_t>(n) < astr.size() ? astr[static_cast<size_t>(n)] : "";
  }
};

/* "bytes;diag;diag..." of a statement line, each diagnostic as "number/severity:text". */
std::string strResult(const std::string &s)
{
  size_t i = s.find(" bytes=");
  std::string str = i == std::string::npos ? "" : s.substr(i + 7);
  for (i = s.find(" diag="); i != std::string::npos; i = s.find(" diag=", i + 1))
    str.append(";").append(s, i + 6, std::min(s.find(" diag=", i + 1), s.find(" at=", i)) - i - 6);
  return str;
}

std::string strRldItems()
{
  uint32_t ulCount = 0;
  const RLDITEM *p = pRldItems(&ulCount);
  std::string str;
  char ach[20];
  for (uint32_t i = 0; i < ulCount; i++)
    for (int k = 0; k < 8; k++) str += (std::snprintf(ach, sizeof ach, k == 7 ? "%02X;" : "%02X", p[i].ab[k]), ach);
  return str;
}

TEST_F(Ins2Test, StatementsEncodeAndDrawTheirMessages)
{
  const struct {
    uint32_t ulFlag;
    const char *pszSource, *pszResult;
    const char *pszRld = nullptr; /* relocation items, when checked */
  } c_aCases[] = {
      /* registers and immediates */
      {F, " LR 1,16", "1810;315/12:Operand 2 must be a general register (0-15)."},
      {F, " MVCL 1,2", "0E02;315/12:Operand 1 must be an even general register (0-15)."},
      {NOALIGN, " MVCL 1,2", "0E02;315/12:Operand 1 must be an even general register (0-15)."},
      {F, " MXR 2,4", "2604;315/12:Operand 1 must be floating point register 0 or 4."},
      {F, " ADR 1,4", "2A04;315/12:Operand 1 must be a floating point register (0,2,4 or 6)."},
      {F, " BC 16,0", "47000000;315/12:Operand 1 must be an immediate value (0-15)."},
      {F, " MVI 0(1),256", "92001000;315/12:Operand 2 must be an immediate value (0-255)."},
      {F, " AHI 1,65536", "A71A0000;315/12:Operand 2 must be an immediate value (-32768 - 65535)."},
      {F, " SRP 0(1,1),0(0),10", "F00010000000;315/12:Operand 3 must be an immediate value (0-9)."},
      {F, " LR 1,2(3)", "1810;111/12:Operand 2 is invalid."},
      {F, " LPSW 0(1,2)", "82000000;111/12:Operand 1 is invalid."},
      {F, " L 1,ZZ", "58100000;227/12:Symbol ZZ is not defined in operand 2."},
      /* explicit base, index and length */
      {F, " L 1,2(16)", "58100000;313/12:Invalid index register in operand 2."},
      {F, " L 1,0(0,16)", "58100000;311/12:Invalid base register in operand 2."},
      {F, " L 1,4096(0,1)", "58101000;316/12:Invalid displacement in operand 2."},
      {F, " MVC 0(257,1),0(1)", "D20010001000;314/12:Invalid length field in operand 1."},
      {F, " MVC 0(0,1),0(1)", "D20010001000"},
      {F, " USING T,12; MVC *,0(1)", "D205C0001000"},
      {F, " AP 0(17,1),0(1,1)", "FA0010001000;314/12:Invalid length field in operand 1."},
      /* USING resolution, implicit lengths, literals, qualifiers */
      {F, " L 1,4096", "58100000;317/12:Addressability error in operand 2."},
      {F, " USING T,12;> MVC A,B;A DS CL300;B DS CL4", "D200C006C132;318/12:Implicit length is too invalid."},
      {F, " USING T,12;> MVC A(2),B;A DS CL300;B DS CL4", "D201C006C132"},
      {F, " USING T,12;> ZAP A,=P'123';A DS PL4; LTORG", "F831C006C010"},
      {F, "Q USING T,11;> L 1,Q.A;A DS F", "5810B004"},
      {F, " USING T,12;> ST 1,=F'1'; LTORG", "50100000;226/12:Modification of literal is not allowed in operand 2."},
      /* relative targets */
      {F, " J 8", "A7F40008;509/4:Relocatable value expected in operand 1."},
      {F, " J *+3", "A7F40000;309/12:Invalid target of branch relative instruction."},
      {F, " J *-65538", "A7F40000;309/12:Invalid target of branch relative instruction."},
      {F, "> J U;U CSECT", "A7F40000;309/12:Invalid target of branch relative instruction."},
      /* relative-long targets: a 32-bit halfword count in bytes 2-5 */
      {F, " LARL 1,*+8", "C01000000004"},
      {F, " BRCL 15,*-2", "C0F4FFFFFFFF"},
      {F, " BRUL *+X'20000'", "C0F400010000"},
      {F, " JLU 8", "C0F400000008;509/4:Relocatable value expected in operand 1."},
      {F, " BRASL 14,*+3", "C0E500000000;309/12:Invalid target of branch relative instruction."},
      {F, "> LARL 1,U;U CSECT", "C01000000000;309/12:Invalid target of branch relative instruction."},
      {F, " LARL 1,*(2)", "C01000000000;111/12:Operand 2 is invalid."},
      /* second opcode byte last (E3, ED), four operands, binary floating point registers */
      {F, " LRV 1,8(2,3)", "E3123008001E"},
      {F, " ADB 2,8(0,3)", "ED203008001A"},
      {F, " MAE 2,4,8(0,3)", "ED403008202E"},
      {F, " DIEBR 0,2,4,5", "B3532504"},
      {F, " DIEBR 0,2,4,16", "B3532004;315/12:Operand 4 must be an immediate value (0-15)."},
      {F, " PLO 2,8(3),4,16(5)", "EE2430085010"},
      {F, " PLO 2,8(3),4,16(16)", "EE2430080000;311/12:Invalid base register in operand 4."},
      /* the later rows: 16 floating point registers, pairs n and n+2; the
         original rows keep 0, 2, 4, 6 and the pairs 0 and 4 */
      {F, " ADBR 1,15", "B31A001F"},
      {F, " ADBR 16,2", "B31A0002;315/12:Operand 1 must be a floating point register (0-15)."},
      {F, " AXBR 13,1", "B34A00D1"},
      {F, " AXBR 2,4", "B34A0004;315/12:Operand 1 must be a floating point register pair (0,1,4,5,8,9,12 or 13)."},
      {F, " ADR 1,2", "2A02;315/12:Operand 1 must be a floating point register (0,2,4 or 6)."},
      {F, " AXR 1,4", "3604;315/12:Operand 1 must be floating point register 0 or 4."},
      {F, " MLR 3,4", "B9960004;315/12:Operand 1 must be an even general register (0-15)."},
      /* warnings */
      {F | FLAG_REFPSA, " L 1,0", "58100000;504/4:Storage access from page zero in operand 2."},
      {F | FLAG_REFPSA, " ST 1,0", "50100000;503/4:Storage modification to page zero in operand 2."},
      {F | FLAG_BRPSA, " BC 15,0", "47F00000;502/4:Branch reference to page zero in operand 2."},
      {F | FLAG_REFPSA | FLAG_MODPSA | FLAG_BRPSA, " LA 1,0", "41100000"},
      {F | FLAG_INDEX, " L 1,0(2)", "58120000;505/4:Access register will not be used in operand 2."},
      {F, " USING T,12;> L 1,A+1;A DS F", "5810C005;500/4:Improper alignment in operand 2."},
      {NOALIGN, " USING T,12;> L 1,A+1;A DS F", "5810C005"},
      {F, " USING T,12;> ST 1,A;A DS F;S RSECT", "5010C004"},
      {NOALIGN, " USING T,12;> LPSW A+2;A DS D", "8200C006;400/8:Improper alignment in operand 1."},
      {F, "S RSECT; USING S,12;> ST 1,A;A DS F", "5010C004;401/8:Reentrancy check failed in operand 2."},
      {F | FLAG_RENT, " USING T,12;> ST 1,A;A DS F", "5010C004;501/4:Reentrancy check failed in operand 2."},
      /* instruction-specific checks */
      {F, " VA 1,2,3(16)", "A4202010;312/12:Invalid stride register in operand 3."},
      {F, " VA 0,2,3(3)", "A4202303;319/12:Specification error in operand 3."},
      {F, " VAS 0,3,3", "A4A03003;319/12:Specification error in operand 2."},
      {F, " CTP 1,0", "B0100000;319/12:Specification error in operand 2."},
      {F, " SAC 1024", "B2190400;319/12:Specification error in operand 1."},
      {F, " DCTP 0", "B21C0000;319/12:Specification error in operand 1."},
      {F | FLAG_DECIMAL, " MP 0(2,1),0(3,1)", "FC1210001000;402/8:Length specification error."},
      /* CCW, CNOP, CXD */
      {F, " CCW 1,X'1000000',0,1", ";322/12:Data value is too large in operand 2."},
      {F, " CCW1 1,X'1000000',X'41',1", "0141000101000000"},
      {F, " CCW 2,8,X'40',300", "020000084000012C"},
      {F, " CCW 2,8,X'41',300", ";111/12:Operand 3 is invalid."},
      {F, "> CCW 2,A,X'40',8;A DS F", "0200000840000008", "0001000001000108;"},
      {F | FLAG_RA3, "> CCW 2,A,X'40',8;A DS F", "0200000840000008;510/4:Relocatable 3-byte address in operand 2.",
       "0001000001000108;"},
      {F, " EXTRN E;> CCW1 2,A-E,0,8;A DS F", "0200000800000008", "000100000400010C;000100000400020E;"},
      {F, " DS XL4096; CNOP 2,4", "0700"},
      {F, " DS XL4098; CNOP 2,4", ""},
      {F, " DS XL4098; CNOP 0,8", "070007000700"},
      {F, " DS H;> CXD", "00000000", "000100000400003C;"},
  };
  g_opt.bRld = true;
  for (const auto &c : c_aCases) {
    std::string strLine = strRun(c.pszSource, c.ulFlag);
    EXPECT_EQ(strResult(strLine), c.pszResult) << c.pszSource << "\n" << strLine;
    EXPECT_EQ(c.pszRld != nullptr ? strRldItems() : "", c.pszRld != nullptr ? c.pszRld : "") << c.pszSource;
  }
}

TEST_F(Ins2Test, UsageLettersAndListingAddresses)
{
  g_opt.bXref = XREF_FULL;
  strRun(" USING T,12; ST 1,A; BC 15,A; EX 0,A; L 1,A; J A; MVC A,B;A DS F;B DS F");
  const SYMBOL *pA = pSymbolFind(abEbcdic("A").data(), 1);
  ASSERT_NE(pA, nullptr);
  std::string strKinds;
  for (uint32_t i = 0; i < ulSymbolRefCount(pA); i++) {
    uint32_t ul = pSymbolRefList(pA)[i];
    uint8_t bKind = static_cast<uint8_t>(ul >> REF_KIND_SHIFT);
    if ((ul & REF_STMT_MASK) >= 3 && (ul & REF_STMT_MASK) <= 7) strKinds += bKind != 0 ? strAscii(&bKind, 1) : "-";
  }
  EXPECT_EQ(strKinds, "MBX-B");
  const LISTADDRS *p = pStmtListAddresses(); /* MVC: operand 1 in the first column, 2 in the second */
  EXPECT_TRUE(p->ulStmt == 8 && p->bFirst && p->bSecond && p->ulFirst == 0x1A && p->ulSecond == 0x1E);
}

TEST_F(Ins2Test, SConstantsTakeABaseButNoIndex)
{
  strRun(" USING T,12;A DS F");
  const char *const c_apszCases[][2] = {
      {"A+2", "C002"},
      {"100(3)", "3064"},
      {"100", "0064"},
      {"100(1,2)", "0000;310/12:Index register is not allowed in S-constant in operand 1."},
      {"5000", "0000;317/12:Addressability error in operand 1."}};
  for (const auto &c : c_apszCases) {
    auto ab = abEbcdic(c[0]);
    EXPRCTX *x = pExprParse(ab.data(), static_cast<uint32_t>(ab.size() - 1), 1, nullptr, pExprStack(), 0, ET_ADDRESS);
    uint8_t abOut[2] = {0xFF, 0xFF};
    size_t ulBefore = strRecordDump().size();
    vSConstant(x, x->pTree, 1, abOut);
    char ach[8];
    std::snprintf(ach, sizeof ach, "%02X%02X", abOut[0], abOut[1]);
    std::string strDiag = strRecordDump().substr(ulBefore);
    std::string strGot = ach;
    if (!strDiag.empty()) strGot.append(";").append(strDiag, 6);
    EXPECT_EQ(strGot, c[1]);
  }
}

TEST(Ins2Helpers, SignedDecimalsAndQuotedStrings)
{
  ASSERT_TRUE(bStatementInHand(false, 1));
  const std::pair<const char *, int32_t> c_aNumbers[] = {
      /* 1: not a number (message 111, result 0) */
      {"123", 123}, {"+7", 7}, {"-2147483648", INT32_MIN}, {"2147483648", 1}, {"-", 1}, {"", 1}, {"1A", 1}, {"+-1", 1}};
  for (const auto &[psz, lValue] : c_aNumbers) {
    vStmtStart();
    auto ab = abEbcdic(psz);
    EXPECT_EQ(lSignedDecimal(ab.data(), static_cast<uint32_t>(ab.size() - 1), 3), lValue == 1 ? 0 : lValue);
    EXPECT_EQ(strRecordDump().find("diag=111/12:Operand 3 is invalid.") != std::string::npos, lValue == 1) << psz;
  }
  const char *const c_apszStrings[][3] = {/* text ('?' a NUL byte), room, contents or "-1" */
                                          {"'IT''S'", "8", "IT'S"}, {"'A&&B'", "8", "A&B"}, {"'A?B'", "8", "AB"},
                                          {"''", "8", ""},          {"'A&B'", "8", "-1"},   {"'A''", "8", "-1"},
                                          {"AB", "8", "-1"},        {"'ABC'", "2", "-1"}};
  for (const auto &c : c_apszStrings) {
    auto ab = abEbcdic(c[0]);
    std::replace(ab.begin(), ab.end(), abEbcdic("?")[0], uint8_t{0});
    uint8_t abOut[8] = {};
    uint32_t ulRoom = static_cast<uint32_t>(std::stoul(c[1]));
    int i = iQuotedString(ab.data(), static_cast<uint32_t>(ab.size() - 1), abOut, ulRoom);
    EXPECT_EQ(i < 0 ? std::to_string(i) : strAscii(abOut, static_cast<size_t>(i)), c[2]) << c[0];
  }
  vStatementRelease();
}

} // namespace
