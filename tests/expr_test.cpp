// Ordinary expressions: self-defining terms and their limits, operators and
// overflow, relocation and its checks, attributes, location counter,
// literals, qualifiers, address forms, message texts with their suffixes,
// nesting limits and the absolute-operand helper.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "chars.h"
#include "coretest.h"
#include "expr.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "opt.h"
#include "optimage.h"
#include "testfront.h"
#include "work.h"

namespace {

std::vector<uint8_t> ebc(const std::string &str)
{
  std::vector<uint8_t> ab(str.begin(), str.end());
  vAsciiToEbcdic(ab.data(), ab.data(), ab.size());
  return ab;
}

std::string asc(const uint8_t *p, size_t n)
{
  std::string str(p, p + n);
  vEbcdicToAscii(reinterpret_cast<uint8_t *>(str.data()), p, n);
  return str;
}

/* Texts of the diagnostics on the statement in hand. */
std::vector<std::string> vecDiags()
{
  vStmtFlushTail(); /* the record as the finished statement has it */
  std::vector<std::string> vec;
  const uint8_t *p = pRecord();
  for (uint32_t ul = STMT_HEAD; ul < g_rec.ulLength; ul += ulGet32(p + ul) >> 8)
    if (p[ul] == SUB_DIAG) vec.emplace_back(reinterpret_cast<const char *>(p + ul + 8), (ulGet32(p + ul) >> 8) - 8);
  return vec;
}

struct CASE {
  std::string strText;
  uint32_t ulFlags;
  std::string strExpected; /* value [+sections -sections], "pending", or "number: message" */
};

class ExprTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    g_exprHooks = EXPRHOOKS{}; /* an earlier assembly in this process leaves the DC hooks installed */
    ASSERT_TRUE(bStatementInHand(true, 10));
    pStack = pStackCreate(SP_RUN);
    /* Control sections 1 and 2, an absolute symbol, a USING label. */
    pDefine("A", 1, 16, 4, 'F');
    pDefine("B", 1, 48, 2, 'H');
    pDefine("C", 2, 8, 1, 'C');
    pDefine("ABS", -1, 5, 1, 'U');
    pDefine("U1", -1, -1, SYM_LENGTH_USING, 'U');
  }
  void TearDown() override
  {
    g_exprHooks = EXPRHOOKS{};
    vStatementRelease();
  }
  static SYMBOL *pDefine(const char *psz, int32_t lSection, int32_t lValue, int32_t lLength, char cType,
                         uint8_t bFlags = 0, int16_t sScale = 0)
  {
    auto ab = ebc(psz);
    bool bCreated = false;
    SYMBOL *p = pSymbolDefine(ab.data(), ab.size(), 1, &bCreated);
    p->lSection = lSection;
    p->lValue = lValue;
    p->lLength = lLength;
    p->sScale = sScale;
    p->bFlags = bFlags;
    p->bType = g_abAsciiToEbcdic[static_cast<uint8_t>(cType)];
    return p;
  }
  EXPRCTX *pParse(const std::string &str, uint32_t ulParse = PF_QUALIFIED | PF_LITERAL, EXPRTOP eTop = ET_EXPRESSION,
                  unsigned uOperand = 1, const char *pszField = nullptr)
  {
    abKeep.push_back(ebc(str));
    const auto &ab = abKeep.back();
    return pExprParse(ab.data(), static_cast<uint32_t>(ab.size()), uOperand, pszField, pStack, ulParse, eTop);
  }
  static std::string strOutcome(EXPRCTX *c, EXPRVALUE *v)
  {
    if (v == nullptr) return bExprFailed(c) ? std::to_string(c->err.sNumber) + ": " + c->err.achText : "pending";
    std::string str = std::to_string(v->lValue);
    if (v->ulPositive + v->ulNegative != 0) str += ' ';
    for (uint32_t i = 0; i < v->ulPositive; i++) str.append("+").append(std::to_string(v->plPositive[i]));
    for (uint32_t i = 0; i < v->ulNegative; i++) str.append("-").append(std::to_string(v->plNegative[i]));
    return str;
  }
  std::string strEval(const std::string &str, uint32_t ulFlags, uint32_t ulRef = 0, int32_t lLocSection = 1,
                      int32_t lLocValue = 64, unsigned uOperand = 1, const char *pszField = nullptr)
  {
    EXPRCTX *c = pParse(str, PF_QUALIFIED | PF_LITERAL, ET_EXPRESSION, uOperand, pszField);
    return strOutcome(c, pExprEvaluate(c, c->pTree, ulRef, lLocSection, lLocValue, ulFlags));
  }
  void vRun(const std::vector<CASE> &vec)
  {
    for (const auto &k : vec) EXPECT_EQ(strEval(k.strText, k.ulFlags), k.strExpected) << k.strText;
  }

  STACKHDR *pStack = nullptr;
  std::vector<std::vector<uint8_t>> abKeep;
};

TEST_F(ExprTest, SelfDefiningTermsAndTheirLimits)
{
  vRun({
      {"2147483647", 0x20, "2147483647"},
      {"0000000000002147483647", 0x20, "2147483647"},
      {"2147483648", 0x20, "202: Self-defining value is too large in operand 1."},
      {"X'FFFFFFFF'", 0x20, "-1"},
      {"X'00000000000FF'", 0x20, "255"},
      {"x'a1'", 0x20, "161"},
      {"X'1FFFFFFFF'", 0x20, "202: Self-defining value is too large in operand 1."},
      {"X'1G'", 0x20, "201: Unexpected G character in operand 1."},
      {"X'12", 0x20, "116: Unmatched quotes in operand 1."},
      {"B'101'", 0x20, "5"},
      {"b'11111111111111111111111111111111'", 0x20, "-1"},
      {"B'000000000000000000000000000000000001'", 0x20, "1"},
      {"B'100000000000000000000000000000000'", 0x20, "202: Self-defining value is too large in operand 1."},
      {"B'12'", 0x20, "201: Unexpected 2 character in operand 1."},
      {"B''", 0x20, "201: Unexpected ' character in operand 1."},
      {"C'ABCD'", 0x20, "-1044200508"},
      {"C'ABCDE'", 0x20, "202: Self-defining value is too large in operand 1."},
      {"C'a'", 0x20, "129"},
      {"c'A'", 0x20, "193"},
      {"C''''", 0x20, "125"},
      {"C'&&'", 0x20, "80"},
      {"C'A&B'", 0x20, "204: Unpaired ampersand in operand 1."},
      {"C'AB", 0x20, "116: Unmatched quotes in operand 1."},
      {"C'''", 0x20, "116: Unmatched quotes in operand 1."},
  });
}

TEST_F(ExprTest, OperatorsPrecedenceAndOverflow)
{
  vRun({
      {"2+3*4", 0x20, "14"},
      {"(2+3)*4", 0x20, "20"},
      {"10-2-3", 0x20, "5"},
      {"100/10/5", 0x20, "2"},
      {"5/0", 0x20, "0"},
      {"-7/2", 0x20, "-3"},
      {"7/-2", 0x20, "-3"},
      {"--5", 0x20, "5"},
      {"+-+5", 0x20, "-5"},
      {"1++2", 0x20, "3"},
      {"-2147483647-1", 0x20, "-2147483648"},
      {"X'FFFFFFFF'*X'FFFFFFFF'", 0x20, "1"},
      {"2147483647+1", 0x20, "225: Overflow occurred while evaluating expression in operand 1."},
      {"-(-2147483647-1)", 0x20, "225: Overflow occurred while evaluating expression in operand 1."},
      {"(-2147483647-1)/-1", 0x20, "225: Overflow occurred while evaluating expression in operand 1."},
      {"65536*32768", 0x20, "225: Overflow occurred while evaluating expression in operand 1."},
      {"1+", 0x20, "203: Incomplete expression in operand 1."},
      {"", 0x20, "203: Incomplete expression in operand 1."},
      {"(", 0x20, "116: Unmatched '(' in operand 1."},
      {"(1+2", 0x20, "116: Unmatched '(' in operand 1."},
      {"(1+2X", 0x20, "201: Unexpected X character in operand 1."},
      {"1)", 0x20, "201: Unexpected ) character in operand 1."},
      {"=F'1'", 0x20, "229: Expression is not resolvable in operand 1."},
  });
  EXPRCTX *c = pParse("=F'1'", 0);
  EXPECT_STREQ(c->err.achText, "Unexpected = character in operand 1.");
}

TEST_F(ExprTest, RelocationAndResultChecks)
{
  vRun({
      {"B-A", 0x20, "32"},
      {"-A+B", 0x20, "32"},
      {"A+B", 0xE0, "64 +1+1"},
      {"A+B", 0x60, "221: Complexly relocatable expression in operand 1."},
      {"A-C", 0xE0, "8 +1-2"},
      {"A-C+C", 0x60, "16 +1"},
      {"a+ABS", 0x40, "21 +1"},
      {"-A", 0xE0, "-16 -1"},
      {"A", 0x20, "223: Relocatable expression in operand 1."},
      {"A", 0xA0, "223: Relocatable expression in operand 1."},
      {"5", 0x40, "222: Non-relocatable expression in operand 1."},
      {"A*2", 0xE0, "223: Relocatable expression in operand 1."},
      {"(B-A)*2", 0x20, "64"},
      {"undef", 0x20, "227: Symbol UNDEF is not defined in operand 1."},
      {"UNDEF", 0x28, "pending"},
      {"UNDEF+(1/0)+A*B", 0x28, "223: Relocatable expression in operand 1."}, /* pending does not hide errors */
      {"U1", 0x20, "228: Value of symbol U1 is not defined in operand 1."},
  });
}

TEST_F(ExprTest, AttributesFollowTypeLengthAndScale)
{
  pDefine("P", 1, 0, 3, 'P', 0, 2);
  pDefine("D8", 1, 0, 8, 'D');
  pDefine("L16", 1, 0, 16, 'L');
  pDefine("Z5", 1, 0, 5, 'Z', 0, 1);
  pDefine("NOSCALE", 1, 0, 4, 'F', 0, SYM_SCALE_UNKNOWN);
  pDefine("CHARS", 1, 0, 4, 'C', 0, SYM_SCALE_UNKNOWN);
  pDefine("NOLEN", 1, 0, SYM_LENGTH_UNKNOWN, 'F');
  pDefine("TPEND", 1, 0, 4, 'F', SYMF_TYPE_PENDING);
  pDefine("VPEND", 1, 0, 4, 'F', SYMF_VALUE_PENDING);
  pDefine("BAD", 1, 0, 4, 'F', SYMF_UNDEFINED);
  vRun({
      {"l'a", 0x20, "4"},
      {"T'A", 0x20, "198"},
      {"S'A", 0x20, "0"},
      {"I'A", 0x20, "31"},
      {"I'B", 0x20, "15"},
      {"I'P", 0x20, "3"},
      {"I'D8", 0x20, "14"},
      {"I'L16", 0x20, "28"},
      {"I'Z5", 0x20, "4"},
      {"I'C", 0x20, "228: I' attribute of symbol C is not defined in operand 1."},
      {"K'A", 0x20, "228: K' attribute of symbol A is not defined in operand 1."},
      {"N'A", 0x30, "228: N' attribute of symbol A is not defined in operand 1."},
      {"S'NOSCALE", 0x20, "228: S' attribute of symbol NOSCALE is not defined in operand 1."},
      {"S'NOSCALE", 0x30, "pending"},
      {"S'CHARS", 0x30, "228: S' attribute of symbol CHARS is not defined in operand 1."},
      {"L'NOLEN", 0x20, "228: L' attribute of symbol NOLEN is not defined in operand 1."},
      {"L'NOLEN", 0x30, "pending"},
      {"L'U1", 0x30, "228: L' attribute of symbol U1 is not defined in operand 1."},
      {"T'TPEND", 0x30, "pending"},
      {"I'TPEND", 0x20, "228: I' attribute of symbol TPEND is not defined in operand 1."},
      {"VPEND", 0x60, "229: Expression is not resolvable in operand 1."},
      {"VPEND", 0x70, "pending"},
      {"BAD", 0x78, "227: Symbol BAD is not defined in operand 1."},
      {"L'UNDEF", 0x20, "227: Symbol UNDEF is not defined in operand 1."},
      {"L'1", 0x20, "201: Unexpected ' character in operand 1."},
      {"A'B", 0x20, "201: Unexpected ' character in operand 1."},
  });
}

TEST_F(ExprTest, LocationCounterReference)
{
  struct {
    const char *pszText;
    uint32_t ulFlags;
    int32_t lSection, lValue;
    const char *pszExpected;
  } const aCases[] = {
      {"*", 0x41, 1, 64, "64 +1"},
      {"*-A", 0x21, 1, 64, "48"},
      {"*+2", 0x47, 1, 64, "66 +1"},
      {"L'*", 0x20, 1, 64, "1"}, /* no length from the context */
      {"L'*", 0x24, 1, 64, "4"},
      {"*", 0x60, 1, 64, "224: Invalid location counter reference in operand 1."},
      {"*", 0x41, -1, 64, "224: Invalid location counter reference in operand 1."},
      {"*", 0x49, 1, -1, "pending"},
      {"*", 0x41, 1, -1, "229: Expression is not resolvable in operand 1."},
      {"**2", 0x21, 1, 64, "223: Relocatable expression in operand 1."},
  };
  for (const auto &k : aCases) EXPECT_EQ(strEval(k.pszText, k.ulFlags, 0, k.lSection, k.lValue), k.pszExpected);
}

TEST_F(ExprTest, MessagesCarryTheirLocationSuffixAndOnlyTheFirstErrorCounts)
{
  struct {
    unsigned uOperand;
    const char *pszField;
    const char *pszText;
  } const aCases[] = {
      {1, "label", "227: Symbol UNDEF is not defined in label field."},
      {3, nullptr, "227: Symbol UNDEF is not defined in operand 3."},
      {0, nullptr, "227: Symbol UNDEF is not defined."},
  };
  for (const auto &k : aCases) EXPECT_EQ(strEval("UNDEF", 0x20, 0, 1, 0, k.uOperand, k.pszField), k.pszText);
  EXPRCTX *c = pParse("1");
  vExprError(c, EM_OVERFLOW);
  vExprError(c, EM_INCOMPLETE);
  EXPECT_EQ(strOutcome(c, pExprEvaluate(c, c->pTree, 0, -1, 0, 0x20)),
            "225: Overflow occurred while evaluating expression in operand 1.");
}

TEST_F(ExprTest, NamesCharactersAndNestingLimits)
{
  std::string strDeep = std::string(EXPR_NESTING_MAX + 1, '(') + "1" + std::string(EXPR_NESTING_MAX + 1, ')');
  std::string strChain = "A+2";
  for (int i = 0; i < 5000; i++) strChain += "*1+0";
  vRun({
      {std::string(300, 'N'), 0x20, "227: Symbol " + std::string(256, 'N') + "... is not defined in operand 1."},
      {std::string(64, 'A'), 0x20, "227: Symbol " + std::string(64, 'A') + " is not defined in operand 1."},
      {"1 ", 0x20, "201: Unexpected X'40' character in operand 1."},
      {std::string(EXPR_NESTING_MAX, '(') + "1" + std::string(EXPR_NESTING_MAX, ')'), 0x20, "1"},
      {strDeep, 0x20, "201: Unexpected ( character in operand 1."},
      {std::string(EXPR_NESTING_MAX + 1, '-') + "1", 0x20, "201: Unexpected - character in operand 1."},
      {std::string(20000, '+') + "1", 0x20, "1"},
      {strChain, 0x60, "18 +1"}, /* a long chain is not walked recursively */
  });
}

TEST_F(ExprTest, QualifiedSymbols)
{
  EXPRCTX *c = pParse("U1.A");
  ASSERT_EQ(c->pTree->bKind, EN_SYMBOL);
  EXPECT_EQ(asc(c->pTree->pQualifier->abName, 2), "U1");
  EXPRVALUE *v = pExprEvaluate(c, c->pTree, 0, -1, 0, 0x40);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->pQualifier, c->pTree->pQualifier);
  vRun({
      {"u1.a+4", 0x40, "20 +1"},
      {"A.B", 0x40, "209: A is not an active USING label in operand 1."},
      {"XX.B", 0x40, "209: XX is not an active USING label in operand 1."},
      {"U1.NONE", 0x40, "227: Symbol NONE is not defined in operand 1."},
      {"L'U1.B", 0x20, "2"},
      {"U1.", 0x40, "201: Unexpected . character in operand 1."},
  });
  EXPECT_STREQ(pParse("U1.A", 0)->err.achText, "Unexpected . character in operand 1.");
}

TEST_F(ExprTest, LiteralTextKeysAndExtent)
{
  g_asm.ulStmtNo = 77;
  struct {
    const char *pszText;
    const char *pszKey; /* key text and second key, or the error */
  } const aCases[] = {
      {"=F'1'", "=F'1' 0"},
      {"=f'1e2'", "=F'1E2' 0"},
      {"=c'ab'", "=C'ab' 0"},
      {"=2cl3'a''b'", "=2CL3'a''b' 0"},
      {"=x'ab'", "=X'AB' 0"},
      {"=a(c'a')", "=A(C'a') 0"},
      {"=A(C')')", "=A(C')') 0"},
      {"=A(L'x)", "=A(L'X) 0"},
      {"=a(*+4)", "=A(*+4) 77"},
      {"=A(x*4)", "=A(X*4) 0"},
      {"=Y(2**)", "=Y(2**) 77"},
      {"=AL2(*)", "=AL2(*) 77"},
      {"=S(*)", "=S(*) 77"},
      {"=F(*)", "=F(*) 0"},
      {"=A(C'*')", "=A(C'*') 0"},
      {"=(2)F'1'", "=(2)F'1' 0"},
      {"=FL(4)'1'", "=FL(4)'1' 0"},
      {"=F'1'(2)", "=F'1' 0"},
      {"=F'1", "Unmatched quotes in operand 1."},
      {"=A(1", "Unmatched '(' in operand 1."},
      {"=", "Incomplete expression in operand 1."},
  };
  for (const auto &k : aCases) {
    EXPRCTX *c = pParse(k.pszText, PF_LITERAL, ET_ADDRESS);
    std::string str = c->err.achText;
    if (c->pTree != nullptr) {
      EXPRNODE *n = c->pTree->pLeft;
      EXPECT_NE(c->ulParseFlags & PF_HAS_LITERAL, 0u);
      str = n->bKind == EN_LITERAL ? asc(n->pText, n->ulTextLength) + " " + std::to_string(n->lValue) : "?";
    }
    EXPECT_EQ(str, k.pszKey) << k.pszText;
  }
}

TEST_F(ExprTest, LiteralsEvaluateFromThePoolInForce)
{
  auto abF = ebc("=F'1'"), abH = ebc("=H'2'");
  SYMBOL *pF = pLiteralAdd(abF.data(), abF.size(), 1, 0);
  pF->lSection = 1;
  pF->lValue = 256;
  pF->lLength = 4;
  pF->bFlags = 0;
  pLiteralAdd(abH.data(), abH.size(), 1, 0)->lLength = 2; /* registered, not yet placed */
  vRun({
      {"=f'1'", 0x40, "256 +1"},
      {"=H'2'", 0x40, "229: Expression is not resolvable in operand 1."},
      {"=H'2'", 0x50, "pending"},
      {"L'=H'2'", 0x20, "2"},
      {"=F'3'", 0x40, "229: Expression is not resolvable in operand 1."},
  });
  EXPECT_EQ(strEval("=F'1'", 0x40, ulRefWord(10, REF_MODIFY)),
            "226: Modification of literal is not allowed in operand 1.");
  vLiteralPoolSet(3);
  vRun({
      {"=F'1'", 0x40, "229: Expression is not resolvable in operand 1."}, /* values: the pool in force */
      {"L'=F'1'", 0x20, "4"},                                             /* attributes: pools 3, 2, 1 */
  });
}

TEST_F(ExprTest, AddressForm)
{
  struct {
    const char *pszText;
    const char *pszShape; /* parts, first given, second given; or the error */
  } const aCases[] = {
      {"4", "0--"},
      {"4(5)", "1F-"},
      {"4(5,6)", "2FS"},
      {"4(,6)", "2-S"},
      {"(4)(5)", "1F-"},
      {"4(", "Unmatched '(' in operand 1."},
      {"4(5", "Unmatched '(' in operand 1."},
      {"4(5,6,7)", "Unmatched '(' in operand 1."},
      {"4(5,)", "Unexpected ) character in operand 1."},
      {"4(5)X", "Unexpected X character in operand 1."},
  };
  for (const auto &k : aCases) {
    EXPRCTX *c = pParse(k.pszText, 0, ET_ADDRESS);
    EXPRNODE *n = c->pTree;
    std::string str =
        n == nullptr ? c->err.achText : std::to_string(n->usParts) + (n->pRight ? "F" : "-") + (n->pThird ? "S" : "-");
    EXPECT_EQ(str, k.pszShape) << k.pszText;
  }
  EXPRCTX *c = pParse("A+4(B-A,2)", 0, ET_ADDRESS);
  EXPECT_EQ(strOutcome(c, pExprEvaluate(c, c->pTree->pLeft, 0, -1, 0, 0x40)), "20 +1");
  EXPECT_EQ(strOutcome(c, pExprEvaluate(c, c->pTree->pRight, 0, -1, 0, 0x20)), "32");
}

/* A stand-in DC operand parser: takes everything it is given. */
std::string g_strHookSaw;
uint32_t g_ulHookFlags;
EXPRNODE *pTakeAll(EXPRCTX *c)
{
  g_strHookSaw = asc(c->pText + c->ulPos, c->ulLength - c->ulPos);
  g_ulHookFlags = c->ulParseFlags;
  EXPRNODE *n = pExprNode(c, EN_DCOPERAND, c->ulPos);
  c->ulPos = c->ulLength;
  return n;
}

TEST_F(ExprTest, DcOperandHookSeesOnlyTheLiteralConstant)
{
  g_exprHooks.pfnDcOperand = pTakeAll;
  EXPRCTX *c = pParse("=F'1'(2)", PF_LITERAL, ET_ADDRESS);
  ASSERT_FALSE(bExprFailed(c)) << c->err.achText;
  EXPECT_EQ(g_strHookSaw, "F'1'");
  EXPECT_NE(g_ulHookFlags & PF_IN_LITERAL, 0u);
  EXPECT_EQ(c->ulParseFlags & PF_IN_LITERAL, 0u);
  EXPECT_EQ(c->pTree->pLeft->pLeft->bKind, EN_DCOPERAND);
  EXPECT_EQ(c->pTree->pRight->lValue, 2);
  EXPECT_EQ(pParse("3F'1'", 0, ET_DCOPERAND)->pTree->bKind, EN_DCOPERAND);
  EXPECT_EQ(g_strHookSaw, "3F'1'");
  g_exprHooks.pfnDcOperand = nullptr;
  EXPECT_EQ(pParse("3F'1'", 0, ET_LITERAL)->pTree->bKind, EN_DCOPERAND);
}

TEST_F(ExprTest, AbsoluteOperands)
{
  struct {
    const char *pszText;
    uint32_t ulFlags;
    int32_t lMax;
    const char *pszExpected; /* status result [diagnostic] */
  } const aCases[] = {
      {"12", 0x20, 255, "0 12"},
      {"999999999", 0x20, 2147483647, "0 999999999"},
      {"2*3+ABS", 0x20, 255, "0 11"},
      {"256", 0x20, 255, "1 -7 Operand 2 is invalid."},
      {"-1", 0x20, 255, "1 -7 Operand 2 is invalid."},
      {"", 0x20, 255, "1 -7 Operand 2 is invalid."},
      {"X", 0x20, 255, "1 -7 Symbol X is not defined in operand 2."},
      {"X", 0x28, 255, "2 -7"},
      {"A", 0x20, 255, "1 -7 Relocatable expression in operand 2."},
  };
  for (const auto &k : aCases) {
    vStmtStart();
    auto abText = ebc(k.pszText);
    std::vector<uint8_t> ab(4 + abText.size() + 8, 0x40);
    vPut32(ab.data(), SUB_OPERAND | static_cast<uint32_t>(abText.size() + 4) << 8);
    std::copy(abText.begin(), abText.end(), ab.begin() + 4);
    int32_t lResult = -7;
    int iStatus = -1;
    const uint8_t *pNext = iAbsOperand(ab.data(), 2, -1, 0, k.ulFlags, &lResult, 0, k.lMax, &iStatus);
    EXPECT_EQ(pNext, ab.data() + 4 + abText.size());
    std::string str = std::to_string(iStatus) + " " + std::to_string(lResult);
    for (const auto &strDiag : vecDiags()) str += " " + strDiag;
    EXPECT_EQ(str, k.pszExpected) << k.pszText;
  }
  EXPRCTX *c = pParse("*-A+L'*");
  EXPECT_EQ(iExprValue(c, c->pTree, 1, 64), 49);
}

TEST_F(ExprTest, ReferencesAreRecordedWithTheirKind)
{
  SYMBOL *pA = pSymbolFind(ebc("A").data(), 1);
  strEval("A+A", 0x60, ulRefWord(12, 0));
  strEval("A", 0x40, ulRefWord(13, REF_MODIFY));
  strEval("L'A", 0x20, 0); /* statement 0: nothing recorded */
  std::vector<uint32_t> vec(pSymbolRefList(pA), pSymbolRefList(pA) + ulSymbolRefCount(pA));
  EXPECT_EQ(vec, (std::vector<uint32_t>{1, 12, ulRefWord(13, REF_MODIFY)}));
}

} // namespace
