// DC and DS operands, first phase: every type with its implicit length,
// alignment and attributes; length modifiers with their ranges and the
// type attributes they give; bit lengths and partial bytes; duplication
// factors, zero duplication and the ALIGN option; scale and exponent
// modifiers; the syntax of nominal values; literals through the expression
// parser; hostile operands.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "coretest.h"
#include "def1.h"
#include "expr.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "opt.h"
#include "optimage.h"
#include "testfront.h"

namespace {

std::vector<uint8_t> ebc(const std::string &str)
{
  std::vector<uint8_t> ab(str.begin(), str.end());
  vAsciiToEbcdic(ab.data(), ab.data(), ab.size());
  return ab;
}

constexpr uint32_t NOALIGN = 0x100; /* test flag: the ALIGN option off */
constexpr int32_t LOC = 1001;

struct CASE {
  std::string strText;
  std::string strExpected; /* see strOutcome */
  uint32_t ulFlags = 0;    /* DCE_* and NOALIGN */
  int32_t lLocation = LOC;
  uint32_t ulBitOffset = 0;
};

class DcTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    ASSERT_TRUE(bStatementInHand(false, 10));
    bAlignSaved = g_opt.bAlign;
    pStack = pStackCreate(SP_RUN);
    vDefine("ABS", -1, 5);
    vDefine("REL", 1, 16);
    vDcInit();
  }
  void TearDown() override
  {
    g_exprHooks = EXPRHOOKS{};
    g_opt.bAlign = bAlignSaved;
    vStatementRelease();
  }
  static void vDefine(const char *psz, int32_t lSection, int32_t lValue)
  {
    auto ab = ebc(psz);
    bool bCreated = false;
    SYMBOL *p = pSymbolDefine(ab.data(), ab.size(), 1, &bCreated);
    p->lSection = lSection;
    p->lValue = lValue;
    p->lLength = 1;
    p->bFlags = 0;
  }
  EXPRCTX *pParse(const std::string &str, EXPRTOP eTop = ET_DCOPERAND, uint32_t ulParse = PF_QUALIFIED,
                  unsigned uOperand = 1)
  {
    abKeep.push_back(ebc(str));
    const auto &ab = abKeep.back();
    return pExprParse(ab.data(), static_cast<uint32_t>(ab.size()), uOperand, nullptr, pStack, ulParse, eTop);
  }
  /* "al=A st=S tot=T end=E[.bits] L=n T=c S=n|-", "pending" or "number: message". */
  static std::string strOutcome(EXPRCTX *c, const DCEVAL *e)
  {
    if (e == nullptr) return bExprFailed(c) ? std::to_string(c->err.sNumber) + ": " + c->err.achText : "pending";
    char ach[160];
    std::string strScale = e->sScale == SYM_SCALE_UNKNOWN ? "-" : std::to_string(e->sScale);
    std::string strEnd = std::to_string(e->lEnd);
    if (e->ulBitOffset != 0) strEnd.append(".").append(std::to_string(e->ulBitOffset));
    std::snprintf(ach, sizeof ach, "al=%u st=%d tot=%u end=%s L=%d T=%c S=%s", e->bAlign, e->lStart, e->ulTotal,
                  strEnd.c_str(), e->lLength, g_abEbcdicToAscii[e->bType], strScale.c_str());
    return ach;
  }
  std::string strEval(const CASE &k, EXPRTOP eTop = ET_DCOPERAND, uint32_t ulParse = PF_QUALIFIED)
  {
    g_opt.bAlign = (k.ulFlags & NOALIGN) == 0;
    EXPRCTX *c = pParse(k.strText, eTop, ulParse);
    if (bExprFailed(c)) return strOutcome(c, nullptr);
    return strOutcome(c, pDcEvaluate(c, c->pTree, 1, k.lLocation, k.ulBitOffset, k.ulFlags & ~NOALIGN));
  }
  void vRun(const std::vector<CASE> &vec, EXPRTOP eTop = ET_DCOPERAND, uint32_t ulParse = PF_QUALIFIED)
  {
    for (const auto &k : vec) EXPECT_EQ(strEval(k, eTop, ulParse), k.strExpected) << k.strText;
  }

  STACKHDR *pStack = nullptr;
  std::vector<std::vector<uint8_t>> abKeep;
  bool bAlignSaved = true;
};

TEST_F(DcTest, EveryTypeWithItsImplicitLengthAndAlignment)
{
  vRun({
      {"C'ABC'", "al=1 st=1001 tot=3 end=1004 L=3 T=C S=-"},
      {"C'A''B&&C'", "al=1 st=1001 tot=5 end=1006 L=5 T=C S=-"},
      {"C'A,B'", "al=1 st=1001 tot=3 end=1004 L=3 T=C S=-"},
      {"X'ABC'", "al=1 st=1001 tot=2 end=1003 L=2 T=X S=-"},
      {"X'1,234,56789'", "al=1 st=1001 tot=6 end=1007 L=1 T=X S=-"},
      {"B'101'", "al=1 st=1001 tot=1 end=1002 L=1 T=B S=-"},
      {"B'111111111,1'", "al=1 st=1001 tot=3 end=1004 L=2 T=B S=-"},
      {"F'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=0"},
      {"3F'1,-2'", "al=4 st=1004 tot=24 end=1028 L=4 T=F S=0"},
      {"H'-5'", "al=2 st=1002 tot=2 end=1004 L=2 T=H S=0"},
      {"E'1.5'", "al=4 st=1004 tot=4 end=1008 L=4 T=E S=0"},
      {"D'1E2'", "al=8 st=1008 tot=8 end=1016 L=8 T=D S=0"},
      {"L'.5E-3'", "al=8 st=1008 tot=16 end=1024 L=16 T=L S=0"},
      {"P'123'", "al=1 st=1001 tot=2 end=1003 L=2 T=P S=0"},
      {"P'-12.345'", "al=1 st=1001 tot=3 end=1004 L=3 T=P S=3"},
      {"P'1,22,+333'", "al=1 st=1001 tot=5 end=1006 L=1 T=P S=0"},
      {"Z'-12.3'", "al=1 st=1001 tot=3 end=1004 L=3 T=Z S=1"},
      {"A(REL)", "al=4 st=1004 tot=4 end=1008 L=4 T=A S=-"},
      {"A(1,C',',L'REL)", "al=4 st=1004 tot=12 end=1016 L=4 T=A S=-"},
      {"Y(*)", "al=2 st=1002 tot=2 end=1004 L=2 T=Y S=-"},
      {"S(8(12),4095(,15))", "al=2 st=1002 tot=4 end=1006 L=2 T=S S=-"},
      {"V(EXTERNAL1)", "al=4 st=1004 tot=4 end=1008 L=4 T=V S=-"},
      {"Q(DUMMY,OTHER)", "al=4 st=1004 tot=8 end=1012 L=4 T=Q S=-"},
  });
}

TEST_F(DcTest, LengthModifiersAndTheirRanges)
{
  vRun({
      /* No alignment with a length, and T' of the length forms. */
      {"CL5'AB'", "al=1 st=1001 tot=5 end=1006 L=5 T=C S=-"},
      {"XL2'1,2'", "al=1 st=1001 tot=4 end=1005 L=2 T=X S=-"},
      {"FL3'1'", "al=1 st=1001 tot=3 end=1004 L=3 T=G S=0"},
      {"EL8'1'", "al=1 st=1001 tot=8 end=1009 L=8 T=K S=0"},
      {"DL4'1'", "al=1 st=1001 tot=4 end=1005 L=4 T=K S=0"},
      {"LL9'1'", "al=1 st=1001 tot=9 end=1010 L=9 T=K S=0"},
      {"PL4'1'", "al=1 st=1001 tot=4 end=1005 L=4 T=P S=0"},
      {"ZL2'1'", "al=1 st=1001 tot=2 end=1003 L=2 T=Z S=0"},
      {"AL3(1)", "al=1 st=1001 tot=3 end=1004 L=3 T=R S=-"},
      {"YL1(1)", "al=1 st=1001 tot=1 end=1002 L=1 T=R S=-"},
      {"SL2(0)", "al=1 st=1001 tot=2 end=1003 L=2 T=R S=-"},
      {"VL3(E)", "al=1 st=1001 tot=3 end=1004 L=3 T=R S=-"},
      {"QL1(D)", "al=1 st=1001 tot=1 end=1002 L=1 T=R S=-"},
      {"CL(2*ABS)'A'", "al=1 st=1001 tot=10 end=1011 L=10 T=C S=-"},
      /* Range limits, DC and DS. */
      {"CL256'A'", "al=1 st=1001 tot=256 end=1257 L=256 T=C S=-"},
      {"CL257'A'", "230: Length modifier is out of range in operand 1."},
      {"XL65535", "al=1 st=1001 tot=65535 end=66536 L=65535 T=X S=-", DCE_DS},
      {"BL65536", "230: Length modifier is out of range in operand 1.", DCE_DS},
      {"CL0'A'", "230: Length modifier is out of range in operand 1."},
      {"CL(-1)'A'", "230: Length modifier is out of range in operand 1."},
      {"CL99999999999999999999999'A'", "230: Length modifier is out of range in operand 1."},
      {"FL8'1'", "al=1 st=1001 tot=8 end=1009 L=8 T=G S=0"},
      {"FL9'1'", "230: Length modifier is out of range in operand 1."},
      {"DL9'1'", "230: Length modifier is out of range in operand 1."},
      {"LL16'1'", "al=1 st=1001 tot=16 end=1017 L=16 T=K S=0"},
      {"LL17'1'", "230: Length modifier is out of range in operand 1."},
      {"PL16'1'", "al=1 st=1001 tot=16 end=1017 L=16 T=P S=0"},
      {"PL17'1'", "230: Length modifier is out of range in operand 1."},
      {"AL5(1)", "230: Length modifier is out of range in operand 1."},
      {"YL3(1)", "230: Length modifier is out of range in operand 1."},
      {"SL1(0)", "230: Length modifier is out of range in operand 1."},
      {"SL3(0)", "230: Length modifier is out of range in operand 1."},
      {"VL2(E)", "230: Length modifier is out of range in operand 1."},
      {"VL5(E)", "230: Length modifier is out of range in operand 1."},
      {"QL5(D)", "230: Length modifier is out of range in operand 1."},
      {"CL(REL)'A'", "223: Relocatable expression in operand 1."},
  });
}

TEST_F(DcTest, BitLengthsAndPartialBytes)
{
  vRun({
      {"BL.3'1'", "al=1 st=1001 tot=1 end=1001.3 L=1 T=B S=-"},
      {"3BL.3'1'", "al=1 st=1001 tot=2 end=1002.1 L=1 T=B S=-"},
      {"BL.4'1,0'", "al=1 st=1001 tot=1 end=1002 L=1 T=B S=-"},
      {"FL.12'1'", "al=1 st=1001 tot=2 end=1002.4 L=2 T=G S=0"},
      {"AL.20(1)", "al=1 st=1001 tot=3 end=1003.4 L=3 T=R S=-"},
      {"CL.2048'A'", "al=1 st=1001 tot=256 end=1257 L=256 T=C S=-"},
      {"CL.2049'A'", "230: Length modifier is out of range in operand 1."},
      {"LL.128'1'", "al=1 st=1001 tot=16 end=1017 L=16 T=K S=0"},
      {"LL.129'1'", "230: Length modifier is out of range in operand 1."},
      {"BL.0'1'", "230: Length modifier is out of range in operand 1."},
      {"BL.(ABS)'1'", "al=1 st=1001 tot=1 end=1001.5 L=1 T=B S=-"},
      {"SL.8(0)", "206: Bit length is not valid in operand 1."},
      {"VL.8(E)", "206: Bit length is not valid in operand 1."},
      /* A pending partial byte: bit constants continue it, others complete it. */
      {"BL.4'1'", "al=1 st=1001 tot=1 end=1002.1 L=1 T=B S=-", 0, LOC, 5},
      {"BL.3'1'", "al=1 st=1001 tot=1 end=1002 L=1 T=B S=-", 0, LOC, 5},
      {"C'A'", "al=1 st=1002 tot=1 end=1003 L=1 T=C S=-", 0, LOC, 3},
      {"F'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=0", 0, 1003, 3},
      {"0BL.3'1'", "al=1 st=1001 tot=0 end=1001.5 L=1 T=B S=-", 0, LOC, 5},
  });
}

TEST_F(DcTest, DuplicationFactorAlignmentAndLocation)
{
  vRun({
      {"0F", "al=4 st=1004 tot=0 end=1004 L=4 T=F S=0"},
      {"0D", "al=8 st=1008 tot=0 end=1008 L=8 T=D S=0", NOALIGN},
      {"0H'1'", "al=2 st=1002 tot=0 end=1002 L=2 T=H S=0", NOALIGN},
      {"F'1'", "al=1 st=1001 tot=4 end=1005 L=4 T=F S=0", NOALIGN},
      {"0FL4", "al=1 st=1001 tot=0 end=1001 L=4 T=G S=0"},
      {"0CL8", "al=1 st=1001 tot=0 end=1001 L=8 T=C S=-"},
      {"(ABS)F'1'", "al=4 st=1004 tot=20 end=1024 L=4 T=F S=0"},
      {"(ABS-5)F'1'", "al=4 st=1004 tot=0 end=1004 L=4 T=F S=0"},
      {"(ABS-6)F'1'", "231: Invalid duplication factor in operand 1."},
      {"(*-REL)X'00'", "al=1 st=1001 tot=985 end=1986 L=1 T=X S=-"},
      {"(REL)F'1'", "223: Relocatable expression in operand 1."},
      {"(UNDEF)F'1'", "227: Symbol UNDEF is not defined in operand 1."},
      {"(UNDEF)F'1'", "pending", DCE_DEFER},
      {"16777215X'00'", "al=1 st=0 tot=16777215 end=16777215 L=1 T=X S=-", 0, 0},
      {"16777216X'00'", "231: Invalid duplication factor in operand 1.", 0, 0},
      {"(2147483647)F'1'", "231: Invalid duplication factor in operand 1."},
      {"99999999999999999999999C'A'", "231: Invalid duplication factor in operand 1."},
      {"16777215CL65535", "171: Location counter overflow in operand 1.", DCE_DS, 0},
      /* The location after the operand may reach X'FFFFFF', not pass it. */
      {"XL3'0'", "al=1 st=16777212 tot=3 end=16777215 L=3 T=X S=-", 0, 0xFFFFFC},
      {"F'0'", "171: Location counter overflow in operand 1.", 0, 0xFFFFFC},
      {"0D", "171: Location counter overflow in operand 1.", 0, 0xFFFFFD},
      {"BL.8'1'", "171: Location counter overflow in operand 1.", 0, 0xFFFFFF},
      /* Nominal values: DC needs them unless the factor is 0; DS does not. */
      {"F", "207: Nominal value is missing in operand 1."},
      {"F", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=0", DCE_DS},
      {"3C", "al=1 st=1001 tot=3 end=1004 L=1 T=C S=-", DCE_DS},
      {"P", "al=1 st=1001 tot=1 end=1002 L=1 T=P S=0", DCE_DS},
      {"C'ABCDEF'", "al=1 st=1001 tot=6 end=1007 L=6 T=C S=-", DCE_DS},
  });
}

TEST_F(DcTest, ScaleAndExponentModifiers)
{
  vRun({
      {"FS4'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=4"},
      {"FS-187'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=-187"},
      {"FS-188'1'", "230: Scale modifier is out of range in operand 1."},
      {"FS31'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=31"},
      {"FS32'1'", "230: Scale modifier is out of range in operand 1."},
      {"HS16'1'", "230: Scale modifier is out of range in operand 1."},
      {"FL.12S11'1'", "al=1 st=1001 tot=2 end=1002.4 L=2 T=G S=11"},
      {"FL.12S12'1'", "230: Scale modifier is out of range in operand 1."},
      {"ES5'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=E S=5"},
      {"ES6'1'", "230: Scale modifier is out of range in operand 1."},
      {"ES-1'1'", "230: Scale modifier is out of range in operand 1."},
      {"DS13'1'", "al=8 st=1008 tot=8 end=1016 L=8 T=D S=13"},
      {"DS14'1'", "230: Scale modifier is out of range in operand 1."},
      {"DL7S11'1'", "al=1 st=1001 tot=7 end=1008 L=7 T=K S=11"},
      {"DL7S12'1'", "230: Scale modifier is out of range in operand 1."},
      {"LL9S13'1'", "al=1 st=1001 tot=9 end=1010 L=9 T=K S=13"},
      {"LL9S14'1'", "230: Scale modifier is out of range in operand 1."},
      {"LS27'1'", "al=8 st=1008 tot=16 end=1024 L=16 T=L S=27"},
      {"LS28'1'", "230: Scale modifier is out of range in operand 1."},
      {"PS2'1'", "al=1 st=1001 tot=1 end=1002 L=1 T=P S=2"},
      {"ZS(ABS)'1'", "al=1 st=1001 tot=1 end=1002 L=1 T=Z S=5"},
      {"FE75'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=0"},
      {"FE76'1'", "230: Exponent modifier is out of range in operand 1."},
      {"FS2E-85'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=2"},
      {"FE-86'1'", "230: Exponent modifier is out of range in operand 1."},
      {"FE(UNDEF)'1'", "227: Symbol UNDEF is not defined in operand 1."},
      {"CS1'A'", "206: Scale modifier is not valid in operand 1."},
      {"AS1(1)", "206: Scale modifier is not valid in operand 1."},
      {"XE1'1'", "206: Exponent modifier is not valid in operand 1."},
      {"FE1S1'1'", "201: Unexpected S character in operand 1."},
  });
}

TEST_F(DcTest, NominalValueSyntax)
{
  std::string str31(31, '9'), str257(257, 'A');
  vRun({
      {"C''", "207: Nominal value is missing in operand 1."},
      {"C'A", "116: Unmatched quotes in operand 1."},
      {"C'A&B'", "204: Unpaired ampersand in operand 1."},
      {"C'" + str257 + "'", "219: Nominal value is too long in operand 1."},
      {"C'" + str257 + "'", "al=1 st=1001 tot=257 end=1258 L=257 T=C S=-", DCE_DS},
      {"CL5'" + str257 + "'", "al=1 st=1001 tot=5 end=1006 L=5 T=C S=-"},
      {"X''", "207: Nominal value is missing in operand 1."},
      {"X'1,,2'", "207: Nominal value is missing in operand 1."},
      {"X'1G'", "201: Unexpected G character in operand 1."},
      {"X'1 2'", "201: Unexpected X'40' character in operand 1."},
      {"B'102'", "201: Unexpected 2 character in operand 1."},
      {"F'1,'", "207: Nominal value is missing in operand 1."},
      {"F'1", "116: Unmatched quotes in operand 1."},
      {"F'1E'", "203: Incomplete expression in operand 1."},
      {"F'+'", "203: Incomplete expression in operand 1."},
      {"F'-X'", "203: Incomplete expression in operand 1."},
      {"F'.'", "203: Incomplete expression in operand 1."},
      {"F'A'", "201: Unexpected A character in operand 1."},
      {"F'1A'", "201: Unexpected A character in operand 1."},
      {"F'1E999'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=0"},
      {"F'1E1000'", "208: Nominal value exponent is out of range in operand 1."},
      {"D'-1.5E-1000'", "208: Nominal value exponent is out of range in operand 1."},
      {"P'1E5'", "201: Unexpected E character in operand 1."},
      {"P'1.2.3'", "201: Unexpected . character in operand 1."},
      {"P'" + str31 + "'", "al=1 st=1001 tot=16 end=1017 L=16 T=P S=0"},
      {"PL2'" + str31 + "9'", "219: Nominal value is too long in operand 1."},
      {"PL2'12345'", "al=1 st=1001 tot=2 end=1003 L=2 T=P S=0"},
      {"Z'1234567890123456'", "al=1 st=1001 tot=16 end=1017 L=16 T=Z S=0"},
      {"Z'12345678901234567'", "219: Nominal value is too long in operand 1."},
      {"F(1)", "201: Unexpected ( character in operand 1."},
      {"A'1'", "201: Unexpected ' character in operand 1."},
      {"A(1", "116: Unmatched '(' in operand 1."},
      {"A(C'1)", "116: Unmatched quotes in operand 1."},
      {"A(1,)", "203: Incomplete expression in operand 1."},
      {"A((1)", "116: Unmatched '(' in operand 1."},
      {"Y(2))", "201: Unexpected ) character in operand 1."},
      {"S(8(12,))", "201: Unexpected ) character in operand 1."},
      {"V()", "203: Incomplete expression in operand 1."},
      {"V(1E)", "201: Unexpected 1 character in operand 1."},
      {"V(A+B)", "201: Unexpected + character in operand 1."},
      {"F'1'X", "201: Unexpected X character in operand 1."},
      {"CL", "203: Incomplete expression in operand 1."},
      {"CL'A'", "201: Unexpected ' character in operand 1."},
  });
}

TEST_F(DcTest, TypeLettersAndLowerCase)
{
  vRun({
      {"G'1'", "205: Invalid storage type in operand 1."},
      {"5", "205: Invalid storage type in operand 1."},
      {"", "205: Invalid storage type in operand 1."},
      {"$", "205: Invalid storage type in operand 1."},
      {"3fl2s1e2'1'", "al=1 st=1001 tot=6 end=1007 L=2 T=G S=1"},
      {"cl.3'a'", "al=1 st=1001 tot=1 end=1001.3 L=1 T=C S=-"},
      {"2a(rel)", "al=4 st=1004 tot=8 end=1012 L=4 T=A S=-"},
      {"x'ab,c'", "al=1 st=1001 tot=2 end=1003 L=1 T=X S=-"},
      {"ll9'1'", "al=1 st=1001 tot=9 end=1010 L=9 T=K S=0"},
  });
  /* The contents of a C value are kept as written. */
  EXPRCTX *c = pParse("c'aB'");
  ASSERT_FALSE(bExprFailed(c));
  DCOPERAND *op = pDcOperand(c->pTree);
  ASSERT_NE(op, nullptr);
  EXPECT_EQ(op->cType, 'C');
  ASSERT_EQ(op->ulValues, 1u);
  EXPECT_EQ(std::string(op->pText + op->pFirst->ulStart, op->pText + op->pFirst->ulStart + op->pFirst->ulLength),
            std::string({'\x81', '\xC2'}));
}

TEST_F(DcTest, LiteralsThroughTheExpressionParser)
{
  /* The constant of a literal on its own. */
  vRun(
      {
          {"F'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=0"},
          {"3xl2'1'", "al=1 st=1001 tot=6 end=1007 L=2 T=X S=-"},
          {"a(*+4)", "al=4 st=1004 tot=4 end=1008 L=4 T=A S=-"},
          {"0F", "231: Invalid duplication factor in operand 1."},
          {"F", "207: Nominal value is missing in operand 1."},
          {"F", "207: Nominal value is missing in operand 1.", DCE_DS},
          {"A(=F'1')", "201: Unexpected = character in operand 1."},
      },
      ET_LITERAL, PF_QUALIFIED | PF_LITERAL);
  /* Literals inside expressions: the hook parses their constants. */
  struct {
    const char *psz;
    const char *pszExpected;
  } aRow[] = {
      {"=F'1'", "al=4 st=1004 tot=4 end=1008 L=4 T=F S=0"},
      {"=cl3'a,b'", "al=1 st=1001 tot=3 end=1004 L=3 T=C S=-"},
      {"=2A(*,L'REL)", "al=4 st=1004 tot=16 end=1020 L=4 T=A S=-"},
      {"=A(L'REL,C')')", "al=4 st=1004 tot=8 end=1012 L=4 T=A S=-"},
      {"=CL(L'REL+2)'x'", "al=1 st=1001 tot=3 end=1004 L=3 T=C S=-"},
      {"=F'1", "116: Unmatched quotes in operand 1."},
      {"=G'1'", "205: Invalid storage type in operand 1."},
      {"=A(=F'1')", "201: Unexpected = character in operand 1."},
      {"=FS40'1'", "230: Scale modifier is out of range in operand 1."},
  };
  for (const auto &r : aRow) {
    EXPRCTX *c = pParse(r.psz, ET_EXPRESSION, PF_QUALIFIED | PF_LITERAL);
    std::string str;
    if (bExprFailed(c)) {
      str = strOutcome(c, nullptr);
    } else {
      ASSERT_EQ(c->pTree->bKind, EN_LITERAL) << r.psz;
      EXPECT_NE(c->ulParseFlags & PF_HAS_LITERAL, 0u);
      str = strOutcome(c, pDcEvaluate(c, c->pTree, 1, LOC, 0, 0));
    }
    EXPECT_EQ(str, r.pszExpected) << r.psz;
  }
  /* The operand number of the message. */
  EXPRCTX *c = pParse("0F", ET_LITERAL, PF_QUALIFIED | PF_LITERAL, 3);
  ASSERT_FALSE(bExprFailed(c));
  EXPECT_EQ(strOutcome(c, pDcEvaluate(c, c->pTree, 1, LOC, 0, 0)), "231: Invalid duplication factor in operand 3.");
}

TEST_F(DcTest, HostileOperandsEndInAMessage)
{
  /* Deep parentheses, long numbers and every byte in every position. */
  std::string strDeep = std::string(300, '(') + "1" + std::string(300, ')') + "F'1'";
  EXPECT_EQ(strEval({strDeep, ""}).substr(0, 4), "201:");
  EXPECT_EQ(strEval({std::string(5000, '9') + "C'A'", ""}), "231: Invalid duplication factor in operand 1.");
  EXPECT_EQ(strEval({"CL" + std::string(5000, '9') + "'A'", ""}), "230: Length modifier is out of range in operand 1.");
  EXPECT_EQ(strEval({"A(" + std::string(5000, '(') + "1", ""}), "116: Unmatched '(' in operand 1.");
  const char *apszShape[] = {"#F'1'", "F#'1'", "F'#'", "FL#'1'", "FS#'1'", "A(#)",
                             "V(#)",  "S(#)",  "C'#'", "(#)F",   "BL.#",   "X'#"};
  for (const char *pszShape : apszShape) {
    for (unsigned b = 0; b < 256; b++) {
      std::string str = pszShape;
      std::vector<uint8_t> ab = ebc(str);
      for (auto &x : ab)
        if (x == 0x7B) x = static_cast<uint8_t>(b); /* '#' */
      EXPRCTX *c =
          pExprParse(ab.data(), static_cast<uint32_t>(ab.size()), 1, nullptr, pStack, PF_LITERAL, ET_DCOPERAND);
      if (!bExprFailed(c)) {
        DCEVAL *e = pDcEvaluate(c, c->pTree, 1, LOC, 0, DCE_DEFER);
        if (e != nullptr) {
          EXPECT_LE(e->lEnd, 0xFFFFFF);
        }
      } else {
        EXPECT_GT(c->err.ulLength, 0u);
      }
      vStackReset(pStack);
    }
  }
}

} // namespace
