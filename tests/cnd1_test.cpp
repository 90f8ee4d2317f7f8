/* Conditional-assembly expressions: arithmetic, boolean and character
   values with their limits, attribute references, substitution into fields
   and the operands of AIF and AGO. */
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "vartest.h"

namespace {

class CondTest : public VarTest {
protected:
  void SetUp() override
  {
    VarTest::SetUp();
    vRun({"&C SETC 'ALL'", "&N SETC '5'", "&A SETA 3", "&B SETB 1", "&E SETC ''", "&SYM SETC 'FLD'", "MAIN CSECT",
          "FLD DC CL8'A'", "HW DC H'1'", "- END"});
  }
  std::string strArith(const std::string &str, CONDFORM *pForm = nullptr)
  {
    std::vector<uint8_t> ab = abEbcdic(str);
    int32_t l = 0;
    CONDDIAG d{};
    if (!bCondArithmetic(pVarLevel(), ab.data(), static_cast<uint32_t>(str.size()), &l, &d, pForm))
      return "#" + std::to_string(d.iNumber);
    return std::to_string(l);
  }
  std::string strBool(const std::string &str, CONDFORM *pForm = nullptr)
  {
    std::vector<uint8_t> ab = abEbcdic(str);
    bool b = false;
    CONDDIAG d{};
    if (!bCondBoolean(pVarLevel(), ab.data(), static_cast<uint32_t>(str.size()), &b, &d, pForm))
      return "#" + std::to_string(d.iNumber);
    return b ? "1" : "0";
  }
  /* AIF (bAif) or AGO: the target, "-" for none, or "#n". */
  std::string strBranch(bool bAif, const std::string &str, std::string *pText = nullptr, CONDFORM *pForm = nullptr)
  {
    std::vector<uint8_t> ab = abEbcdic(str);
    std::string strTarget;
    CONDDIAG d{};
    bool bOk = bAif ? bCondAif(pVarLevel(), ab.data(), static_cast<uint32_t>(str.size()), &strTarget, &d, pForm)
                    : bCondAgo(pVarLevel(), ab.data(), static_cast<uint32_t>(str.size()), &strTarget, &d);
    if (pText != nullptr) *pText = d.achText;
    if (!bOk) return "#" + std::to_string(d.iNumber);
    return strTarget.empty() ? "-" : strAscii(reinterpret_cast<const uint8_t *>(strTarget.data()), strTarget.size());
  }
  std::string strSubst(const std::string &str, SUBSTFIELD eField, uint32_t ulLimit, std::string *pText = nullptr)
  {
    std::vector<uint8_t> ab = abEbcdic(str);
    std::string strOut(1, static_cast<char>(abEbcdic("P")[0])); /* appended to */
    bool bChanged = false;
    CONDDIAG d{};
    if (!bSubstitute(pVarLevel(), ab.data(), static_cast<uint32_t>(str.size()), eField, 2, ulLimit, &strOut, &bChanged,
                     &d)) {
      if (pText != nullptr) *pText = d.achText;
      EXPECT_EQ(strAscii(reinterpret_cast<const uint8_t *>(strOut.data()), strOut.size()), "P"); /* left as it was */
      return "#" + std::to_string(d.iNumber);
    }
    return strAscii(reinterpret_cast<const uint8_t *>(strOut.data()), strOut.size()) + (bChanged ? "*" : "");
  }
};

TEST_F(CondTest, ArithmeticOperatorsShiftsAndLimits)
{
  const char *const apsz[][2] = {
      {"(1 SLL 64)", "1"},
      {"(1 SLL 32)", "0"},
      {"(-8 SRA 1)", "-4"},
      {"(-8 SRL 28)", "15"},
      {"(1 SLA 31)", "0"},
      {"(-1 SLA 40)", "-2147483648"},
      {"(-5 SRA 40)", "-1"},
      {"(5 SRA 33)", "0"},
      {"(3 SLA 1)", "6"},
      {"7/0", "0"},
      {"-7/2", "-3"},
      {"2147483647+1", "#225"},
      {"-2147483647-1", "-2147483648"},
      {"(-2147483647-1)/-1", "#225"},
      {"65536*32768", "#225"},
      {"2*3+4*(1+1)", "14"},
      {"(NOT 0)", "-1"},
      {"(12 AND 10)", "8"},
      {"(12 OR 3)", "15"},
      {"(12 XOR 10)", "6"},
      {"X'FF'+B'101'+C'A'", "453"},
      {"('ABC' INDEX 'BC')", "2"},
      {"('ABC' FIND 'XC')", "3"},
      {"('AB' INDEX 'ABC')", "0"},
      {"('' FIND 'A')", "0"},
      {"2147483648", "#202"},
      {"*+1", "#224"},
      {"(1 FOO 2)", "#242"},
      {"1+", "#203"},
      {"&UNDEF", "#261"},
      {"&A*&N+&B", "16"},
      {"&C", "#260"},
      {"&E+1", "1"},
      {"K'&C+K'&A", "4"},
      {"T'&C", "#258"},
      {"(1+2", "#116"},
  };
  for (const auto &a : apsz) EXPECT_EQ(strArith(a[0]), a[1]) << a[0];
  /* deep nesting ends in a diagnostic, not in an exhausted stack */
  EXPECT_EQ(strArith(std::string(20, '(') + "1" + std::string(20, ')')), "1");
  EXPECT_EQ(strArith(std::string(5000, '(') + "1" + std::string(5000, ')')), "#201");
  EXPECT_EQ(strArith(std::string(5000, '-') + "1"), "#201");
  EXPECT_EQ(strBool(std::string(3000, '(') + "NOT " + std::string(3000, ')')), "#201");
}

TEST_F(CondTest, BooleanRelationsAndCharacterComparison)
{
  const char *const apsz[][2] = {
      {"('AB' LT 'ABC')", "1"},
      {"('B' GT 'AB')", "0"},
      {"('B' GT 'A')", "1"},
      {"(1 EQ 1 AND NOT 0)", "1"},
      {"((5 AND 1) EQ 1)", "1"},
      {"(2 GT 1 XOR 1 GT 2)", "1"},
      {"(1 EQ 1 AND 1 EQ 2 OR 1 EQ 1)", "1"},
      {"(&N EQ 5)", "1"},
      {"(&C EQ 'ALL')", "1"},
      {"('&C' NE 'ALL')", "0"},
      {"(T'&E EQ 'O')", "1"},
      {"(T'&N EQ 'N')", "1"},
      {"(&A+1 GE 4)", "1"},
      {"((&A+1)*2 LE 7)", "0"},
      {"(&B)", "1"},
      {"((&A EQ 3 AND &B EQ 1) EQ 1)", "1"},
      {"(1 EQ)", "#203"},
      {"(1 FOO 2)", "#243"},
      {"('A' EQ 'A' OR)", "#203"},
      {"(NOT)", "#203"},
      {"('A' EQ 'B'", "#116"},
  };
  for (const auto &a : apsz) {
    EXPECT_EQ(strBool(a[0]), a[1]) << a[0];
    CONDFORM form; /* the kept form, built by the first evaluation, gives the same */
    EXPECT_EQ(strBool(a[0], &form), a[1]) << a[0];
    EXPECT_EQ(strBool(a[0], &form), a[1]) << a[0];
  }
}

TEST_F(CondTest, CharacterStringsSubstringsAndFunctions)
{
  const char *const apsz[][2] = {
      {"(3)'AB'", "ABABAB"},
      {"'ABCDE'(2,3)", "BCD"},
      {"'ABC'(2,5)", "BC"},
      {"'ABC'(2)", "BC"},
      {"'ABC'(2,*)", "BC"},
      {"'ABC'(4,1)", "#256"},
      {"'ABC'(0,1)", "#254"},
      {"'ABC'(1,-1)", "#255"},
      {"(-1)'A'", "#253"},
      {"(0)'A'", ""},
      {"(256)'A'", "#252"},
      {"(UPPER 'aB')", "AB"},
      {"(LOWER 'AB')", "ab"},
      {"(DOUBLE 'A''&&B')", "A''&&&&B"},
      {"'IHB'.'&A'", "IHB3"},
      {"'A''B'", "A'B"},
      {"'&C.X&A.'", "ALLX3"},
      {"'X'(1,1).'Y'", "XY"},
      {"'ABC", "#116"},
      {"'A&'", "#204"},
      {"&(S&C.Y)", "#261"},
      {"'&(C)'", "ALL"},
      {"'&(1X)'", "#250"},
      {"T'&C.T'&N.T'&SYM.T'FLD", "UNCC"},
      {"O'MVC.O'CSECT.O'NOPE", "OAU"},
      {"K'&C", "#257"},
      {"ABC", "#201"},
  };
  for (const auto &a : apsz) {
    EXPECT_EQ(strValue(a[0]), a[1]) << a[0];
    CONDFORM form;
    EXPECT_EQ(strValue(a[0], &form), a[1]) << a[0];
    EXPECT_EQ(strValue(a[0], &form), a[1]) << a[0];
  }
  CONDFORM form;
  EXPECT_EQ(strValue("'ABC'(2,5)", &form), "BC");
  g_asm.ulFlagInForce |= FLAG_SUBSTR;
  EXPECT_EQ(strValue("'ABC'(2,5)", &form), "#255");
  g_asm.ulFlagInForce &= ~FLAG_SUBSTR;
  std::string strLong = "'" + std::string(200, 'X') + "'.'" + std::string(200, 'Y') + "'";
  EXPECT_EQ(strValue(strLong), "#252");
  CONDFORM formLong;
  EXPECT_EQ(strValue(strLong, &formLong), "#252");
  EXPECT_EQ(strValue(strLong, &formLong), "#252");
}

TEST_F(CondTest, SymbolAttributes)
{
  EXPECT_EQ(strArith("L'FLD*100+L'HW*10+D'FLD"), "821");
  EXPECT_EQ(strArith("L'&SYM+D'NOPE+L'&E*10+L'&N*100"), "108");
  EXPECT_EQ(strArith("I'HW"), "15");
  EXPECT_EQ(strArith("L'NOPE"), "#228");
  EXPECT_EQ(strArith("L'&A"), "#259");
  std::vector<uint8_t> ab = abEbcdic("L'NOPE");
  int32_t l = 0;
  CONDDIAG d{};
  EXPECT_FALSE(bCondArithmetic(pVarLevel(), ab.data(), 6, &l, &d));
  EXPECT_STREQ(d.achText, "L' attribute of symbol NOPE is not defined");
  /* a symbol defined further on: attributes from the look-ahead, D' 0 */
  g_pfnCondLookahead = [](const uint8_t *pName, uint32_t ulName, CONDATTR *pAttr) {
    if (strAscii(pName, ulName) != "FWD") return false;
    *pAttr = CONDATTR{abEbcdic("F")[0], 4, 0};
    return true;
  };
  EXPECT_EQ(strArith("L'FWD*100+I'FWD+D'FWD"), "431");
  EXPECT_EQ(strValue("T'FWD.T'fwd.T'NOPE"), "FFU");
  EXPECT_EQ(strArith("L'NOPE"), "#228");
  g_pfnCondLookahead = nullptr;
}

TEST_F(CondTest, SubstitutionIntoFields)
{
  std::string strText;
  EXPECT_EQ(strSubst("L 1,&C.X", SUBST_OPERAND, 255), "PL 1,ALLX*");
  EXPECT_EQ(strSubst("C'&&'", SUBST_OPERAND, 255), "PC'&&'");
  EXPECT_EQ(strSubst("'&C'", SUBST_OPERAND, 255), "P'ALL'*");
  EXPECT_EQ(strSubst("  &C  ", SUBST_LABEL, 63), "PALL*");
  EXPECT_EQ(strSubst("&C&C", SUBST_OPERAND, 5, &strText), "#115");
  EXPECT_EQ(strText, "Operand 2 is too long.");
  EXPECT_EQ(strSubst("&C&C", SUBST_OPERATION, 5, &strText), "#115");
  EXPECT_EQ(strText, "Operation field is too long.");
  EXPECT_EQ(strSubst("&C&C", SUBST_LABEL, 5, &strText), "#115");
  EXPECT_EQ(strText, "Label field is too long.");
  EXPECT_EQ(strSubst("&A.&B,&C", SUBST_OPERAND, 255), "P31,ALL*");
  EXPECT_EQ(strSubst("X&", SUBST_OPERAND, 255), "#204");
  EXPECT_EQ(strSubst("&NOPE", SUBST_OPERAND, 255), "#261");
}

TEST_F(CondTest, SublistElementsAndCounts)
{
  auto element = [](const std::string &strValue, uint32_t ulIndex) {
    std::vector<uint8_t> ab = abEbcdic(strValue);
    std::string strOut = "stale";
    vCondSublistElement(nullptr, std::string(ab.begin(), ab.begin() + static_cast<long>(strValue.size())), ulIndex,
                        &strOut);
    return strAscii(reinterpret_cast<const uint8_t *>(strOut.data()), strOut.size());
  };
  auto count = [](const std::string &strValue) {
    std::vector<uint8_t> ab = abEbcdic(strValue);
    return ulCondSublistCount(nullptr, std::string(ab.begin(), ab.begin() + static_cast<long>(strValue.size())));
  };
  /* commas inside quotes and inner parentheses separate nothing */
  const std::string strList = "(A,'X,Y',(B,C),)";
  EXPECT_EQ(element(strList, 1), "A");
  EXPECT_EQ(element(strList, 2), "'X,Y'");
  EXPECT_EQ(element(strList, 3), "(B,C)");
  EXPECT_EQ(element(strList, 4), "");
  EXPECT_EQ(element(strList, 5), "");
  EXPECT_EQ(element(strList, 0), "");
  EXPECT_EQ(count(strList), 4u);
  /* an attribute quote opens no string */
  EXPECT_EQ(element("(L'X,Y)", 2), "Y");
  EXPECT_EQ(count("(L'X,Y)"), 2u);
  /* no sublist: the value is its own first element */
  EXPECT_EQ(element("(A)B", 1), "(A)B");
  EXPECT_EQ(element("(A)B", 2), "");
  EXPECT_EQ(count("(A,B"), 1u);
  EXPECT_EQ(count("()"), 0u);
  EXPECT_EQ(count(""), 0u);
}

TEST_F(CondTest, AifAndAgoOperands)
{
  std::string strText;
  EXPECT_EQ(strBranch(true, "('&C' EQ 'ALL').YES"), "YES");
  EXPECT_EQ(strBranch(true, "(0).A,(1).b"), "B");
  EXPECT_EQ(strBranch(true, "(1).A,(1).B"), "A");
  EXPECT_EQ(strBranch(true, "(&A EQ 2).A"), "-");
  EXPECT_EQ(strBranch(true, "(1).A,"), "A");
  EXPECT_EQ(strBranch(true, "(0).A,"), "#203");
  EXPECT_EQ(strBranch(true, "(1)A"), "#201");
  EXPECT_EQ(strBranch(false, ".X"), "X");
  EXPECT_EQ(strBranch(false, "(2).A,.B,.C"), "B");
  EXPECT_EQ(strBranch(false, "(&A-3).A,.B"), "-");
  EXPECT_EQ(strBranch(false, "(4).A,.B"), "-");
  EXPECT_EQ(strBranch(false, "(1)", &strText), "#111");
  EXPECT_EQ(strText, "Operand 1 is invalid");
  std::string strName(63, 'S');
  EXPECT_EQ(strBranch(false, "." + strName, &strText), "#244");
  EXPECT_EQ(strText, ". " + strName + " is an invalid sequence symbol");
  EXPECT_EQ(strBranch(false, "." + strName.substr(1)), strName.substr(1));
}

/* A form kept for an operand gives the parser's value or diagnostic on
   every pass and is built only for what it can evaluate alone. */
TEST_F(CondTest, KeptFormGivesTheValuesAndErrorsOfEveryPass)
{
  struct ROW {
    char cKind; /* 'A' SETA, 'B' SETB, 'C' SETC, 'I' AIF */
    const char *pszText;
    const char *pszValue;
    bool bCovered;
  };
  const ROW aRows[] = {
      {'A', "&A+1", "4", true},
      {'A', "-&N*2-7/2", "-13", true},
      {'A', "--&A", "3", true},
      {'A', "&B+X'10'+C'A'", "210", true},
      {'A', "&A/0", "0", true},
      {'A', "&C+1", "#260", true},
      {'A', "&Z+1", "#261", true},
      {'A', "2147483647+&A", "#225", true},
      {'A', "&A(1)", "#251", true},
      {'A', "N'&C+N'&A", "0", true},
      {'A', "&A.+1", "4", false},
      {'A', "&(A)", "3", false},
      {'A', "L'FLD", "8", false},
      {'B', "(&A LT &N)", "1", true},
      {'B', "( &A  GE 4 )", "0", true},
      {'B', "&B", "1", true},
      {'B', "(&A EQ 3 AND &B)", "1", true},
      {'B', "(NOT &A GT 5 OR &B AND 0)", "1", true},
      {'B', "(&B XOR 1 EQ 1)", "0", true},
      {'B', "(NOT)", "#203", false},
      {'B', "(&A EQ 3 LT 1)", "0", false},
      {'I', "(&A LT 5).OK", "OK", true},
      {'I', "(&A GT 5).OK", "-", true},
      {'I', "(&A LT &C).OK", "#260", true},
      {'I', "(&A GT 5).NO,(1).OK", "OK", true},
      {'I', "(&A GT 5).NO,(0).OK", "-", true},
      {'I', "(&A LT 5).OK,", "OK", false},
      {'I', "(&A GT 5).OK,", "#203", false},
      {'I', "(&A)'X'.OK", "#260", false},
      /* strings, substrings, K' and T', groups inside groups */
      {'I', "('&C' EQ 'ALL').OK", "OK", true},
      {'B', "('&C'(2,1) EQ 'L' AND '&C'(2,*) EQ 'LL')", "1", true},
      {'B', "('&C'(2,5) EQ 'LL')", "1", true},
      {'B', "('&C'(0,1) EQ 'A')", "#254", true},
      {'B', "('&C'(4,1) EQ 'A')", "#256", true},
      {'B', "('&C'(1,-1) EQ '')", "#255", true},
      {'B', "(K'&C EQ 3 AND K'&A EQ 1 AND K'&E EQ 0)", "1", true},
      {'B', "(T'&E EQ 'O' AND T'&N EQ 'N' AND T'&SYM EQ 'C' AND T'&A EQ 'N')", "1", true},
      {'B', "(T'&Z EQ 'O')", "#261", true},
      {'B', "(&A EQ '3' AND &A+1 EQ '4' AND N'&C EQ '0')", "1", true},
      {'B', "(&N EQ '05')", "0", true},
      {'B', "(&C EQ 'ALL')", "1", true},
      {'B', "('&&' EQ '&&' AND '''' NE '' AND 'A''B' EQ 'A''B')", "1", true},
      {'B', "('A'.'&C' EQ 'AALL' AND 'A'&C EQ 'AALL' AND '&C.X' EQ 'ALLX')", "1", true},
      {'B', "(('&C' EQ 'ALL' OR &A EQ 0) AND (&B))", "1", true},
      {'B', "('&C' LT 'ALLX' AND 'AB' GT 'B' AND 'B' GT 'A' AND '&A' GT '2')", "1", true},
      {'B', "('&C' EQ 'ALL' AND &C)", "#260", true},
      {'B', "('&C' EQ 'ALL' OR)", "#203", false},
      {'B', "((UPPER '&C') EQ 'ALL')", "1", false},
      {'A', "((&A+1)/2)*4+4", "12", true},
      {'A', "K'&C-2+K'&A", "2", true},
      {'A', "T'&C+1", "#258", false},
      {'A', "'3'+1", "4", false},
      {'C', "'&C'(2,2).'&A'", "LL3", true},
      {'C', "'&C.X&A.'", "ALLX3", true},
      {'C', "'X'(1,1).'Y'&C", "XYALL", true},
      {'C', "'&&'''", "&&'", true},
      {'C', "'&Z'", "#261", true},
      {'C', "'&A(1)'", "#251", true},
      {'C', "&C.'X'", "ALLX", false},
      {'C', "(2)'A'", "AA", false},
  };
  for (const ROW &r : aRows) {
    CONDFORM form;
    for (int iPass = 1; iPass <= 2; iPass++) {
      std::string str = r.cKind == 'A'   ? strArith(r.pszText, &form)
                        : r.cKind == 'B' ? strBool(r.pszText, &form)
                        : r.cKind == 'C' ? strValue(r.pszText, &form)
                                         : strBranch(true, r.pszText, nullptr, &form);
      EXPECT_EQ(str, r.pszValue) << r.pszText << " pass " << iPass;
    }
    EXPECT_EQ(form.bState, r.bCovered ? 1 : 2) << r.pszText;
  }
  CONDFORM form; /* kept for an AIF, then read by a SETA */
  EXPECT_EQ(strBranch(true, "(&A GT 1).X", nullptr, &form), "X");
  EXPECT_EQ(strArith("(&A GT 1).X", &form), "#201");
}

TEST_F(CondTest, OperandFieldAcrossContinuationsEndsAtABlankOutsideParentheses)
{
  auto vCards = [](SRCSTMT *p, std::vector<uint8_t> *pab, const std::vector<std::string> &astr) {
    pab->assign(astr.size() * 80, EBCDIC_BLANK);
    for (size_t r = 0; r < astr.size(); r++)
      for (size_t k = 0; k < astr[r].size() && k < 80; k++) (*pab)[r * 80 + k] = abEbcdic(astr[r].substr(k, 1))[0];
    std::memset(p, 0, sizeof *p);
    p->cards.pData = pab->data();
    p->ulRecords = static_cast<uint32_t>(astr.size());
    p->ulBegin = 1;
    p->ulEnd = 71;
    p->ulContinue = 16;
    p->ulOperandOff = 15;
  };
  SRCSTMT s;
  std::vector<uint8_t> ab;
  std::string strField;
  CONDDIAG d{};
  std::string strFirst = "         AIF   ('&C' EQ 'X' OR";
  strFirst.resize(71, ' ');
  vCards(&s, &ab, {strFirst + "X", "               '&C' EQ 'ALL').L  REMARK (", "               REMARK"});
  ASSERT_TRUE(bCondOperandField(&s, &strField, &d)) << d.achText;
  std::string strHost = strAscii(reinterpret_cast<const uint8_t *>(strField.data()), strField.size());
  EXPECT_EQ(strHost, "('&C' EQ 'X' OR" + std::string(71 - 30, ' ') + "'&C' EQ 'ALL').L");
  EXPECT_EQ(strBranch(true, strHost), "L");
  std::string strList = "         LCLA  &A,&B,  REMARK";
  strList.resize(71, ' ');
  vCards(&s, &ab, {strList + "X", "               &C,&D REMARK"});
  ASSERT_TRUE(bCondOperandField(&s, &strField, &d)) << d.achText;
  EXPECT_EQ(strAscii(reinterpret_cast<const uint8_t *>(strField.data()), strField.size()), "&A,&B,&C,&D");
  vCards(&s, &ab, {"         AIF   ('&C' EQ 'X'"});
  EXPECT_FALSE(bCondOperandField(&s, &strField, &d));
  EXPECT_STREQ(d.achText, "Unmatched '(' in operand field.");
  vCards(&s, &ab, {"         AIF   'A).B"});
  EXPECT_FALSE(bCondOperandField(&s, &strField, &d));
  EXPECT_STREQ(d.achText, "Unmatched quote in operand field.");
  vCards(&s, &ab, {"         AGO   "});
  s.ulOperandOff = 0;
  EXPECT_FALSE(bCondOperandField(&s, &strField, &d));
  EXPECT_EQ(d.iNumber, 113);
}

/* Expressions made at random from the pieces the kept form covers, with
   now and then a character taken out or put in: the form, built at the
   first evaluation and read at the second, gives what the parser alone
   gives, values and message numbers alike. */
class FormGrammar {
public:
  explicit FormGrammar(uint32_t ulSeed) : m_ul(ulSeed) {}
  std::string strBool(int iDepth)
  {
    switch (uPick(iDepth > 0 ? 7 : 3)) {
    case 0:
      return strSide(iDepth) + " " + c_apszRel[uPick(std::size(c_apszRel))] + " " + strSide(iDepth);
    case 1:
      return uPick(2) ? "&B" : "K'&C EQ 3";
    case 2:
      return strSide(iDepth);
    case 3:
    case 4:
      return strBool(iDepth - 1) + " " + c_apszBool[uPick(3)] + " " + strBool(iDepth - 1);
    case 5:
      return "NOT " + strBool(iDepth - 1);
    default:
      return uPick(4) ? "(" + strBool(iDepth - 1) + ")" : "( " + strBool(iDepth - 1) + " )";
    }
  }
  std::string strArith(int iDepth)
  {
    static const char *const apszTerm[] = {"1",    "0",    "3",     "&A",   "&N", "&C",    "&E",        "K'&C",
                                           "K'&A", "N'&C", "X'1F'", "C'A'", "&Z", "&A(1)", "2147483647"};
    switch (uPick(iDepth > 0 ? 5 : 1)) {
    case 0:
      return apszTerm[uPick(std::size(apszTerm))];
    case 1:
      return strArith(iDepth - 1) + "+-*/"[uPick(4)] + strArith(iDepth - 1);
    case 2:
      return "-" + strArith(iDepth - 1);
    case 3:
      return "(" + strArith(iDepth - 1) + ")";
    default:
      return strArith(iDepth - 1) + " " + "+-"[uPick(2)] + " " + strArith(iDepth - 1);
    }
  }
  std::string strString(int iDepth)
  {
    static const char *const apszPart[] = {"A",   "B",  "X",  "''", "&&",     "&C",   "&A",
                                           "&C.", "&N", "&E", "&Z", "&A(&A)", "&(C)", " "};
    std::string str = "'";
    for (uint32_t k = uPick(4); k > 0; k--) str += apszPart[uPick(std::size(apszPart))];
    str += "'";
    if (uPick(3) == 0) {
      str += "(" + strArith(iDepth > 0 ? 1 : 0);
      uint32_t u = uPick(3);
      str += u == 0 ? ")" : u == 1 ? ",*)" : "," + strArith(iDepth > 0 ? 1 : 0) + ")";
    }
    if (iDepth > 0 && uPick(4) == 0) str += (uPick(2) ? "." : "") + strString(iDepth - 1);
    if (iDepth > 0 && uPick(5) == 0) str += "&C";
    return str;
  }
  std::string strSide(int iDepth)
  {
    switch (uPick(4)) {
    case 0:
      return strString(iDepth);
    case 1:
      return uPick(2) ? "T'&C" : "T'&E";
    default:
      return strArith(iDepth);
    }
  }
  /* a character taken out or put in, now and then */
  std::string strSpoilt(std::string str)
  {
    if (str.empty() || uPick(8) != 0) return str;
    size_t k = uPick(static_cast<uint32_t>(str.size()));
    if (uPick(2)) return str.erase(k, 1);
    return str.insert(k, 1, "()'&. ,*"[uPick(8)]);
  }
  uint32_t uPick(uint32_t n)
  {
    m_ul = m_ul * 1103515245u + 12345u;
    return (m_ul >> 16) % n;
  }

private:
  static constexpr const char *c_apszRel[] = {"EQ", "NE", "LT", "GT", "LE", "GE", "eq", "Ne"};
  static constexpr const char *c_apszBool[] = {"AND", "OR", "XOR"};
  uint32_t m_ul;
};

TEST_F(CondTest, KeptFormAgreesWithTheParserOnRandomExpressions)
{
  FormGrammar g(2026);
  int iCovered = 0;
  for (int i = 0; i < 6000; i++) {
    char cKind = "ABCI"[i % 4];
    std::string str = cKind == 'A'   ? g.strArith(3)
                      : cKind == 'C' ? g.strString(2)
                      : cKind == 'B' ? "(" + g.strBool(2) + ")"
                      : i % 8 == 3   ? "(" + g.strBool(2) + ").T"
                                     : "(" + g.strBool(1) + ").T,(" + g.strBool(1) + ").U";
    str = g.strSpoilt(str);
    auto fEval = [&](CONDFORM *pForm) {
      return cKind == 'A'   ? strArith(str, pForm)
             : cKind == 'B' ? strBool(str, pForm)
             : cKind == 'C' ? strValue(str, pForm)
                            : strBranch(true, str, nullptr, pForm);
    };
    std::string strParser = fEval(nullptr);
    CONDFORM form;
    EXPECT_EQ(fEval(&form), strParser) << cKind << " " << str;
    EXPECT_EQ(fEval(&form), strParser) << cKind << " " << str << " (again)";
    iCovered += form.bState == 1 ? 1 : 0;
  }
  EXPECT_GT(iCovered, 3000); /* most of them go through the form */
}

} // namespace
