// Ordinary symbol table: hashing and lookup, case folding, literal keys,
// duplicate and USING labels, cross-reference lists and their growth, and
// EQU with deferred operands (forward references, chains, errors).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

/* Diagnostics on the statement in hand, "number: text" in host characters. */
std::string strDiags()
{
  vStmtFlushTail(); /* the record as the finished statement has it */
  std::string str;
  const uint8_t *p = pRecord();
  for (uint32_t ul = STMT_HEAD; ul < g_rec.ulLength; ul += ulGet32(p + ul) >> 8) {
    if (p[ul] != SUB_DIAG) continue;
    std::string strText(p + ul + 8, p + ul + (ulGet32(p + ul) >> 8));
    if (p[ul + 6] == 64) vEbcdicToAscii(reinterpret_cast<uint8_t *>(strText.data()), p + ul + 8, strText.size());
    str += std::to_string(usGet16(p + ul + 4)) + ": " + strText;
  }
  return str;
}

class SymbolTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(bStatementInHand(true, 5)); }
  void TearDown() override { vStatementRelease(); }
  static SYMBOL *pFind(const std::string &str) { return pSymbolFind(ebc(str).data(), str.size()); }
  static SYMBOL *pNew(const std::string &str, uint32_t ulStmt = 5)
  {
    bool bCreated = false;
    return pSymbolDefine(ebc(str).data(), str.size(), ulStmt, &bCreated);
  }
  static void vPlace(const char *psz, int32_t lSection, int32_t lValue, int32_t lLength)
  {
    SYMBOL *p = pNew(psz);
    p->lSection = lSection;
    p->lValue = lValue;
    p->lLength = lLength;
    p->bFlags = 0;
  }
  static std::vector<uint32_t> vecRefs(const SYMBOL *p)
  {
    return std::vector<uint32_t>(pSymbolRefList(p), pSymbolRefList(p) + ulSymbolRefCount(p));
  }
  /* Value of an operand: "value [+section]", "pending" or "number". */
  static std::string strEval(const char *psz, uint32_t ulFlags)
  {
    auto ab = ebc(psz);
    EXPRCTX *c = pExprParse(ab.data(), static_cast<uint32_t>(ab.size()), 1, nullptr, pExprStack(), 0, ET_EXPRESSION);
    EXPRVALUE *v = pExprEvaluate(c, c->pTree, 0, 1, 0, ulFlags);
    if (v == nullptr) return bExprFailed(c) ? std::to_string(c->err.sNumber) : "pending";
    std::string str = std::to_string(v->lValue);
    for (uint32_t i = 0; i < v->ulPositive; i++) str += " +" + std::to_string(v->plPositive[i]);
    return str;
  }
  /* label EQU operands, at location 256 of section 1. */
  static int iEqu(const std::string &strLabel, std::initializer_list<const char *> ops)
  {
    SYMBOL *p = pFind(strLabel);
    if (p == nullptr) p = pNew(strLabel);
    std::vector<uint8_t> ab;
    for (const char *psz : ops) {
      auto abText = ebc(psz);
      ab.resize(ab.size() + 4);
      vPut32(ab.data() + ab.size() - 4, SUB_OPERAND | static_cast<uint32_t>(abText.size() + 4) << 8);
      ab.insert(ab.end(), abText.begin(), abText.end());
    }
    return iEquDefine(p, ab.data(), static_cast<unsigned>(ops.size()), 1, 256);
  }
};

TEST_F(SymbolTest, NamesDifferingOnlyInCaseAreOneSymbol)
{
  SYMBOL *p = pNew("Alpha");
  for (const char *psz : {"ALPHA", "alpha", "aLpHa"}) EXPECT_EQ(pFind(psz), p) << psz;
  bool bCreated = false;
  EXPECT_EQ(pSymbolDefine(ebc("alpha").data(), 5, 9, &bCreated), p);
  EXPECT_FALSE(bCreated);
  EXPECT_EQ(pFind("ALPHAB"), nullptr);
  EXPECT_EQ(p->bFlags, 0x60);
  EXPECT_EQ(p->bType, 0xE4);
  EXPECT_EQ(p->sScale, SYM_SCALE_UNKNOWN);
  std::string str63(63, 'Q'), str64(64, 'Q');
  EXPECT_NE(pNew(str63), nullptr);
  EXPECT_NE(pFind(str63), nullptr);
  EXPECT_EQ(pNew(str64), nullptr);
  EXPECT_EQ(pFind(str64), nullptr);
}

TEST_F(SymbolTest, BucketIsTheTwoTablePearsonHashOfTheUpperCaseName)
{
  for (const char *psz : {"A", "field", "LONGER_NAME_42", "$#@"}) {
    SYMBOL *p = pNew(psz);
    uint8_t h1 = 0, h2 = 0;
    for (size_t i = 0; i < p->usNameLength; i++) {
      h1 = g_abPearsonT1[h1 ^ p->abName[i]];
      h2 = g_abPearsonT2[h2 ^ p->abName[i]];
    }
    SYMBOL *q = g_lbl.apBucket[h2 ^ (static_cast<uint32_t>(h1) << 4)];
    while (q != nullptr && q != p) q = q->pNext;
    EXPECT_EQ(q, p) << psz;
  }
}

TEST_F(SymbolTest, ThousandsOfEntriesAreFoundAndChainedInOrderOfDefinition)
{
  std::vector<SYMBOL *> vecSym;
  for (int i = 0; i < 5000; i++) vecSym.push_back(pNew("S" + std::to_string(i)));
  auto ab = ebc("=F'1'");
  SYMBOL *pLit = pLiteralAdd(ab.data(), ab.size(), 1, 7);
  for (int i = 0; i < 5000; i++) ASSERT_EQ(pFind("s" + std::to_string(i)), vecSym[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(pLiteralFind(ab.data(), ab.size(), 1, 7), pLit);
  EXPECT_EQ(pFind("S5000"), nullptr);
  /* every chain lists its entries in the order they were made */
  std::vector<size_t> vecSeen(vecSym.size(), 0);
  for (SYMBOL *pHead : g_lbl.apBucket) {
    size_t ulLast = 0;
    for (SYMBOL *q = pHead; q != nullptr; q = q->pNext) {
      if (q == pLit) continue;
      std::string strName(q->usNameLength, ' ');
      vEbcdicToAscii(reinterpret_cast<uint8_t *>(strName.data()), q->abName, q->usNameLength);
      size_t ul = std::stoul(strName.substr(1)) + 1;
      EXPECT_GT(ul, ulLast);
      ulLast = ul;
      vecSeen[ul - 1]++;
    }
  }
  EXPECT_EQ(std::count(vecSeen.begin(), vecSeen.end(), 1u), 5000);
  vSymbolsReset(true); /* a new assembly finds none of them */
  EXPECT_EQ(pFind("S1"), nullptr);
  EXPECT_EQ(pLiteralFind(ab.data(), ab.size(), 1, 7), nullptr);
  SYMBOL *p = pNew("S1");
  EXPECT_EQ(pFind("S1"), p);
}

TEST_F(SymbolTest, LiteralsAreKeyedByPoolAndSecondKey)
{
  auto ab = ebc("=F'1'");
  SYMBOL *p1 = pLiteralAdd(ab.data(), ab.size(), 1, 0);
  SYMBOL *p2 = pLiteralAdd(ab.data(), ab.size(), 2, 0);
  SYMBOL *p1s = pLiteralAdd(ab.data(), ab.size(), 1, 44);
  EXPECT_TRUE(p1 != p2 && p1 != p1s && p2 != p1s);
  EXPECT_EQ(pLiteralAdd(ab.data(), ab.size(), 1, 0), p1);
  EXPECT_EQ(pLiteralFind(ab.data(), ab.size(), 2, 0), p2);
  EXPECT_EQ(pLiteralFind(ab.data(), ab.size(), 1, 44), p1s);
  EXPECT_EQ(pLiteralFind(ab.data(), ab.size(), 3, 0), nullptr);
  EXPECT_EQ(pLiteralFind(ebc("=f'1'").data(), 5, 1, 0), nullptr); /* taken as it stands */
  SYMBOL *pOrd = pNew("LIT");
  EXPECT_EQ(pLiteralFind(ebc("LIT").data(), 3, 1, 0), nullptr);
  EXPECT_NE(pLiteralAdd(ebc("LIT").data(), 3, 1, 0), pOrd);
  EXPECT_EQ(pFind("LIT"), pOrd);
}

TEST_F(SymbolTest, DuplicateLabelsAndUsingLabels)
{
  struct {
    const char *pszName;
    bool bUsing;
    const char *pszDiag; /* empty: accepted */
  } const aSteps[] = {
      {"Field", false, ""},
      {"FIELD", false, "110: FIELD has been previously defined."},
      {"field", false, "110: field has been previously defined."},
      {"BASE", true, ""},
      {"base", true, ""},
      {"BASE", false, "110: BASE has been previously defined."},
      {"FIELD", true, "110: FIELD has been previously defined."},
  };
  for (const auto &k : aSteps) {
    vStmtStart();
    auto ab = ebc(k.pszName);
    SYMBOL *p = pLabelDefine(ab.data(), ab.size(), 7, k.bUsing);
    EXPECT_EQ(p == nullptr, *k.pszDiag != '\0') << k.pszName;
    EXPECT_EQ(strDiags(), k.pszDiag);
  }
  EXPECT_EQ(pFind("BASE")->lLength, SYM_LENGTH_USING);
  EXPECT_EQ(pFind("FIELD")->lLength, SYM_LENGTH_UNKNOWN);
}

TEST_F(SymbolTest, CrossReferenceRecording)
{
  SYMBOL *p = pNew("X", 5);
  const uint32_t M7 = ulRefWord(7, REF_MODIFY), M9 = ulRefWord(9, REF_MODIFY), M5 = ulRefWord(5, REF_MODIFY);
  struct {
    uint32_t ulRef;
    std::vector<uint32_t> vecAfter;
  } const aSteps[] = {
      {7, {5, 7}},      {7, {5, 7}},           {M7, {5, M7}},        {7, {5, M7}},         {M9, {5, M7, M9}},
      {9, {5, M7, M9}}, {M5, {5, M7, M9, M5}}, {5, {5, M7, M9, M5}}, {0, {5, M7, M9, M5}},
  };
  for (const auto &k : aSteps) {
    vSymbolXref(p, k.ulRef);
    EXPECT_EQ(vecRefs(p), k.vecAfter) << k.ulRef;
  }
  bool bCreated = true; /* asks for the reference when found */
  pSymbolDefine(ebc("x").data(), 1, 11, &bCreated);
  EXPECT_EQ(vecRefs(p).back(), 11u);

  SYMBOL *pGrow = pNew("GROW", 1);
  std::vector<uint32_t> vecAll{1};
  for (uint32_t ul = 2; ul <= 300; ul++) {
    vSymbolXref(pGrow, ul);
    vecAll.push_back(ul);
  }
  vSymbolXref(pGrow, 150);
  EXPECT_EQ(vecRefs(pGrow), vecAll);
}

TEST_F(SymbolTest, WithoutXrefThereAreNoListsAndEntriesAreShorter)
{
  auto ulStep = [](bool bXref) {
    vSymbolsReset(bXref);
    SYMBOL *a = pNew("AAAAAAAA");
    SYMBOL *b = pNew("BBBBBBBB");
    vSymbolXref(a, 9);
    EXPECT_EQ(ulSymbolRefCount(a), bXref ? 2u : 0u);
    return reinterpret_cast<uintptr_t>(b) - reinterpret_cast<uintptr_t>(a);
  };
  uintptr_t ulOn = ulStep(true);
  EXPECT_EQ(ulOn - ulStep(false), 8u);
}

TEST_F(SymbolTest, EquValueLengthAndType)
{
  vPlace("A", 1, 16, 4);
  vPlace("B", 1, 48, 2);
  vPlace("C", 2, 8, 1);
  struct {
    const char *pszLabel;
    std::initializer_list<const char *> ops;
    const char *pszExpected; /* result section value L' T' deferred */
  } const aCases[] = {
      {"E1", {"A"}, "0 1 16 4 E4 -"},
      {"E2", {"5"}, "0 -1 5 1 E4 -"},
      {"E3", {"*"}, "0 1 256 1 E4 -"},
      {"E4", {"B-A"}, "0 -1 32 2 E4 -"},
      {"E5", {"A", "8", "C'X'"}, "0 1 16 8 E7 -"},
      {"E6", {"A-A+3"}, "0 -1 3 4 E4 -"},
      {"E7", {"A", "", "X'C6'"}, "0 1 16 4 C6 -"},
      {"E8", {"-A+B"}, "0 -1 32 4 E4 -"},
      {"E9", {"A+C"}, "2 -1 24 4 E4 D"},
  };
  for (const auto &k : aCases) {
    vStmtStart();
    int iResult = iEqu(k.pszLabel, k.ops);
    SYMBOL *p = pFind(k.pszLabel);
    char ach[80];
    std::snprintf(ach, sizeof ach, "%d %d %d %d %02X %s", iResult, p->lSection, p->lValue, p->lLength, p->bType,
                  p->pDeferred != nullptr ? "D" : "-");
    EXPECT_EQ(ach, std::string(k.pszExpected)) << k.pszLabel;
    EXPECT_EQ(strDiags(), "");
    EXPECT_EQ(p->bFlags, SYMF_EQU);
    EXPECT_EQ(p->lOrgValue, 256);
  }
  EXPECT_EQ(strEval("E9", 0xE0), "24 +1 +2");
  EXPECT_EQ(strEval("E9", 0x60), "221");
  EXPECT_EQ(strEval("E9-C", 0x60), "16 +1");
}

TEST_F(SymbolTest, EquErrors)
{
  vPlace("A", 1, 16, 4);
  struct {
    const char *pszLabel;
    std::initializer_list<const char *> ops;
    const char *pszDiag;
  } const aCases[] = {
      {"F1", {"1+"}, "203: Incomplete expression in operand 1."},
      {"F2", {"1", "70000"}, "111: Operand 2 is invalid."},
      {"F3", {"1", "", "256"}, "111: Operand 3 is invalid."},
      {"F4", {"A", "A"}, "223: Relocatable expression in operand 2."},
      {"F5", {""}, "111: Operand 1 is invalid."},
  };
  for (const auto &k : aCases) {
    vStmtStart();
    EXPECT_EQ(iEqu(k.pszLabel, k.ops), EQU_ERROR);
    EXPECT_EQ(strDiags(), k.pszDiag);
    SYMBOL *p = pFind(k.pszLabel);
    EXPECT_EQ(p->bFlags & (SYMF_UNDEFINED | SYMF_TYPE_PENDING), SYMF_UNDEFINED) << k.pszLabel;
    EXPECT_EQ(p->lLength, 1);
  }
  EXPECT_EQ(strEval("F1", 0x38), "227");
}

TEST_F(SymbolTest, ForwardEquResolvesLaterOrStaysUndefined)
{
  EXPECT_EQ(iEqu("FWD", {"LATER+2"}), EQU_PENDING);
  SYMBOL *p = pFind("FWD");
  EXPECT_NE(p->pDeferred, nullptr);
  EXPECT_EQ(strEval("FWD", 0x60), "229");
  EXPECT_EQ(strEval("FWD", 0x70), "pending");
  vPlace("LATER", 1, 32, 4);
  EXPECT_EQ(strEval("FWD", 0x60), "34 +1");
  EXPECT_EQ(p->pDeferred, nullptr); /* settled by the evaluation */
  EXPECT_EQ(p->bFlags & SYMF_VALUE_PENDING, 0);
  EXPECT_EQ(iEqu("FWD", {"LATER+2"}), EQU_DEFINED); /* the resolution pass */
  EXPECT_EQ(p->lLength, 4);

  EXPECT_EQ(iEqu("NEVER", {"GHOST"}), EQU_PENDING);
  EXPECT_EQ(iEqu("NEVER", {"GHOST"}), EQU_PENDING);
  EXPECT_EQ(strEval("NEVER", 0x20), "229");
  EXPECT_EQ(iEqu("SELF", {"SELF+1"}), EQU_PENDING);
  vStmtStart();
  EXPECT_EQ(iEqu("SELF", {"SELF+1"}), EQU_ERROR); /* a cycle runs into the depth limit */
  EXPECT_EQ(strDiags(), "229: Expression is not resolvable in operand 1.");
}

TEST_F(SymbolTest, EquChainsAreFollowedTwentyLevelsDeep)
{
  for (int iDeferred : {5, 20, 21}) {
    vSymbolsReset(true);
    auto strS = [](int i) { return std::string("S").append(std::to_string(i)); };
    for (int i = 1; i <= iDeferred; i++) EXPECT_EQ(iEqu(strS(i), {strS(i + 1).c_str()}), EQU_PENDING);
    EXPECT_EQ(iEqu(strS(iDeferred + 1), {"7"}), EQU_DEFINED);
    EXPECT_EQ(strEval("S1", 0x20), iDeferred <= 20 ? "7" : "229") << iDeferred;
    EXPECT_EQ(strEval("S2", 0x20), "7");
    EXPECT_EQ(strEval("S1", 0x20), "7"); /* S2 is settled now */
  }
}

} // namespace
