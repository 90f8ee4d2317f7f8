// Sections, location counters, literal pools and the resolution passes:
// programs go through the conditional assembly phase (with its passes and
// the layout) and the symbol table, the ESD and the records are checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "asm0.h"
#include "coretest.h"
#include "esd1.h"
#include "gen1.h"
#include "lbl.h"
#include "msc2.h"
#include "testfront.h"
#include "usg2.h"
#include "vorn.h"
#include "work.h"

namespace {

class EsdTest : public CoreTest {
protected:
  std::vector<std::string> astr;       /* the records, dumped */
  std::map<uint32_t, uint32_t> mapLoc; /* statement -> section-relative location */

  /* Runs the phase; statements are lines of the form "label op operands". */
  void vRun(const std::string &strSource)
  {
    vWorkDeleteAll();
    vSourceCloseAll();
    astr = astrPhase1(strSource);
    mapLoc.clear();
    if (lStmtFirst(0) == 0) return;
    while (lStmtNext(0) != 0) {
      const uint8_t *p = pRecord();
      if (!(usGet16(p + STMT_FLAGS) & SF_UNASSIGNED)) mapLoc[ulGet32(p + STMT_NUMBER)] = ulGet32(p + STMT_LOCATION);
    }
  }
  const SYMBOL *pSym(const std::string &strName)
  {
    auto ab = abEbcdic(strName);
    return pSymbolFind(ab.data(), strName.size());
  }
  int32_t lValue(const std::string &strName)
  {
    const SYMBOL *p = pSym(strName);
    return p == nullptr || (p->bFlags & SYMF_UNDEFINED) ? -99 : p->lValue;
  }
  const ESDITEM *pItem(const std::string &strName) { return pEsdFind(pSym(strName)); }
  /* Every diagnostic text in the records, in order. */
  std::string strDiags()
  {
    std::string str;
    for (const auto &s : astr)
      for (size_t i = s.find("diag="); i != std::string::npos; i = s.find("diag=", i + 1))
        str += s.substr(i, s.find(" src", i) - i) + ";";
    for (const auto &s : astr)
      for (size_t i = s.find("slot="); i != std::string::npos; i = s.find("slot=", i + 1))
        if (s.compare(i, 7, "slot=0 ") != 0) str += "diag=" + s.substr(i + 5, s.find(" src", i) - i - 5) + ";";
    return str;
  }
};

TEST_F(EsdTest, SectionsAreResumedAndPlacedOneAfterAnother)
{
  vRun(strProgram({"A CSECT", "A1 DS 10F", "B CSECT", "B1 DS H", "A CSECT", "A2 DS F", "- END"}));
  EXPECT_EQ(strDiags(), "");
  EXPECT_EQ(lValue("A1"), 0);
  EXPECT_EQ(lValue("A2"), 40); /* A resumed where it stopped */
  EXPECT_EQ(lValue("B1"), 48); /* B at A's end (44) rounded up to 8 */
  ASSERT_NE(pItem("A"), nullptr);
  EXPECT_EQ(pItem("A")->lId, 1);
  EXPECT_EQ(pItem("A")->ulFolded, 44u);
  EXPECT_EQ(pItem("B")->lId, 2);
  EXPECT_EQ(pItem("B")->ulStart, 48u);
  EXPECT_EQ(lValue("B"), 48);
  EXPECT_EQ(mapLoc[6], 40u); /* statement locations stay section-relative on SYSUT1 */
}

TEST_F(EsdTest, StartRoundsUpAndMustComeFirst)
{
  vRun(strProgram({"P START 5", "X DS F", "- END"}));
  EXPECT_EQ(lValue("X"), 8);
  EXPECT_EQ(pItem("P")->ulStart, 8u);
  vRun(strProgram({"A CSECT", "P START 0", "- END"}));
  EXPECT_EQ(strDiags(), "diag=151/12:An executable control section has already been started.;");
  vRun(strProgram({"- DS F", "P START 0", "- END"}));
  EXPECT_EQ(strDiags(), "diag=151/12:An executable control section has already been started.;");
}

TEST_F(EsdTest, SectionTypesAndAttributesAreChecked)
{
  vRun(strProgram({"A CSECT", "A AMODE 24", "A RMODE ANY", "A AMODE 31", "A RMODE 31", "D DSECT", "D AMODE 31",
                   "D ALIAS C'DD'", "A ALIAS X'C1C2'", "A ALIAS C'X'", "D CSECT", "R RSECT", "R CSECT", "- END"}));
  EXPECT_EQ(strDiags(), "diag=154/12:Conflicting AMODE/RMODE attributes.;"
                        "diag=153/12:Attribute has already been set for this external symbol.;"
                        "diag=111/12:Operand 1 is invalid.;"
                        "diag=152/12:Invalid control section type.;"
                        "diag=152/12:Invalid control section type.;"
                        "diag=153/12:Attribute has already been set for this external symbol.;"
                        "diag=152/12:Invalid control section type.;"
                        "diag=152/12:Invalid control section type.;");
  EXPECT_EQ(pItem("A")->bAttr, ESDA_AMODE24);
  EXPECT_EQ(pItem("A")->usAliasLength, 2u);
  EXPECT_EQ(pItem("D")->lId, -1);
  /* an attribute for a section defined later waits for a pass; one never
     defined is reported in the last pass */
  vRun(strProgram({"L AMODE 31", "N RMODE 24", "L CSECT", "- END"}));
  EXPECT_EQ(strDiags(), "diag=158/12:N is not defined.;");
  EXPECT_EQ(pItem("L")->bAttr, ESDA_AMODE31);
}

TEST_F(EsdTest, LocationCounterStopsAtTheTwentyFourBitLimit)
{
  vRun(strProgram({"A CSECT", "- ORG *+X'FFFFF0'", "X DS XL15", "Y DS X", "Z DS 0X", "- END"}));
  EXPECT_EQ(lValue("X"), 0xFFFFF0);
  EXPECT_EQ(strDiags(), "diag=171/12:Location counter overflow in operand 1.;");
  EXPECT_EQ(lValue("Y"), -99);
  EXPECT_EQ(lValue("Z"), 0xFFFFFF);
}

TEST_F(EsdTest, LaterLocationCountersFollowTheEarlierOnes)
{
  vRun(strProgram(
      {"A CSECT", "- LR 1,1", "L2 LOCTR", "X DS F", "XE EQU *", "A LOCTR", "Y DS H", "B CSECT", "Z DS C", "- END"}));
  EXPECT_EQ(strDiags(), "");
  EXPECT_EQ(lValue("Y"), 2);
  EXPECT_EQ(lValue("X"), 4); /* after the first counter (4 bytes) */
  EXPECT_EQ(lValue("XE"), 8);
  EXPECT_EQ(lValue("L2"), 4);
  EXPECT_EQ(pItem("A")->ulFolded, 8u);
  EXPECT_EQ(lValue("Z"), 8);
}

TEST_F(EsdTest, ForwardReferencesSettleInPassesOrAreReported)
{
  vRun(strProgram({"A EQU B+1", "B EQU C+1", "C EQU 5", "- END"}));
  EXPECT_EQ(strDiags(), "");
  EXPECT_EQ(lValue("A"), 7);
  vRun(strProgram({"- CSECT", "X DS (N)F", "Y DS H", "N EQU 3", "- END"}));
  EXPECT_EQ(strDiags(), "");
  EXPECT_EQ(lValue("Y"), 12);
  vRun(strProgram({"X EQU NOPE", "- END"}));
  EXPECT_NE(strDiags().find("NOPE"), std::string::npos) << strDiags();
  EXPECT_EQ(lValue("X"), -99);
  /* ORG on a symbol that depends on the counter it moves */
  vRun(strProgram({"- CSECT", "- ORG A", "A EQU B", "B EQU *+4", "C DS F", "- END"}));
  EXPECT_EQ(strDiags(), "diag=229/12:Expression is not resolvable in operand 1.;");
  EXPECT_EQ(lValue("C"), 0); /* the counter goes on after the failed ORG */
}

TEST_F(EsdTest, PassesRevisitOnlyWhatIsLeftAmongSettledStatements)
{
  /* X, the LR and Y follow one another (read in sequence), N stands apart;
     the first pass settles N only, the second the three before it */
  vRun(strProgram(
      {"- CSECT", "X DS (N)F", "- LR 1,2", "Y DS H", "- LR 3,4", "N EQU M+1", "- LR 5,6", "M EQU 2", "- END"}));
  EXPECT_EQ(strDiags(), "");
  EXPECT_EQ(lValue("N"), 3);
  EXPECT_EQ(lValue("X"), 0);
  EXPECT_EQ(mapLoc[3], 12u); /* the first LR, after 3 fullwords */
  EXPECT_EQ(lValue("Y"), 14);
  EXPECT_EQ(mapLoc[7], 18u);
}

TEST_F(EsdTest, ACounterResumedInAPassLeavesItsNameAlone)
{
  /* A LOCTR waits behind the DC of unknown length; only B's own LOCTR gives
     B a value: A's counter ends at 5 (3 bytes, then 2) */
  vRun(strProgram({"A CSECT", "- DC (N)X'1'", "B LOCTR", "- DS F", "A LOCTR", "- DS XL2", "N EQU 3", "- END"}));
  EXPECT_EQ(strDiags(), "");
  EXPECT_EQ(lValue("A"), 0);
  EXPECT_EQ(lValue("B"), 5);
}

TEST_F(EsdTest, PassesRunOnlyForForwardReferences)
{
  g_asm.ulTrace = TRACE_PHASE;
  vFrontReset();
  vRun(strProgram({"A CSECT", "X DS F", "Y EQU X+4", "- LR 1,2", "- END"}));
  EXPECT_EQ(g_front.strOut.find("address resolution pass"), std::string::npos) << g_front.strOut;
  vFrontReset();
  vRun(strProgram({"A CSECT", "Y EQU X+4", "X DS F", "- END"}));
  EXPECT_NE(g_front.strOut.find("KZM950I Entering address resolution pass 1:1 for 1 statements ...\n"),
            std::string::npos)
      << g_front.strOut;
  g_asm.ulTrace = 0;
}

TEST_F(EsdTest, AlignmentPaddingIsObjectTextOnlyForGeneratedBytes)
{
  g_opt.bAlign = true;
  vRun(strProgram({"A CSECT", "- DC C'A'", "B DC F'1'", "- DC C'A'", "C DS F", "- DC C'A'", "D LR 1,1", "- END"}));
  EXPECT_EQ(lValue("B"), 4);
  EXPECT_EQ(lValue("C"), 12);
  EXPECT_EQ(lValue("D"), 18);
  EXPECT_EQ(astr[2].substr(0, 12), "3 flags=1408"); /* padding before the DC is text */
  EXPECT_EQ(astr[4].substr(0, 12), "5 flags=0400"); /* before the DS it only moves the location */
  EXPECT_EQ(astr[6].substr(0, 12), "7 flags=140C");
}

TEST_F(EsdTest, CommonSectionsAndExternalDummies)
{
  vRun(strProgram(
      {"C COM", "- DS 3F", "A CSECT", "- DS H", "C COM", "Y DS H", "X DXD 2F", "- DXD H", "- DXD H", "- END"}));
  EXPECT_EQ(strDiags(), "diag=170/12:The unnamed DXD is already defined.;");
  EXPECT_EQ(pItem("C")->bKind, ESD_CM);
  EXPECT_EQ(pItem("C")->ulFolded, 14u);
  EXPECT_EQ(pItem("C")->ulStart, 0u);
  EXPECT_EQ(lValue("Y"), 12);
  EXPECT_EQ(pItem("X")->bKind, ESD_XD);
  EXPECT_EQ(pItem("X")->ulFolded, 8u);
  EXPECT_EQ(pSym("X")->bType, 0xD1);  /* J */
  EXPECT_EQ(pItem("A")->ulStart, 0u); /* common sections take no place among the control sections */
}

TEST_F(EsdTest, LiteralsGoIntoTheirPools)
{
  vRun(strProgram({"- CSECT", "- L 1,=F'1'", "- LTORG", "- L 2,=H'2'", "- L 3,=F'1'", "- END"}));
  EXPECT_EQ(strDiags(), "");
  auto lLiteral = [](const char *psz, int32_t lPool) {
    auto ab = abEbcdic(psz);
    const SYMBOL *p = pLiteralFind(ab.data(), ab.size() - 1, lPool, 0);
    return p == nullptr ? -1 : p->lValue;
  };
  EXPECT_EQ(lLiteral("=F'1'", 1), 8);
  EXPECT_EQ(lLiteral("=F'1'", 2), 24); /* end pool after the Ls at 12 and 16, aligned to 8 */
  EXPECT_EQ(lLiteral("=H'2'", 2), 28); /* lengths by multiple of 8, of 4, of 2, odd */
  ASSERT_EQ(astr.size(), 9u);
  EXPECT_EQ(astr[3].substr(0, 33), "4 flags=3C00 op= operands=[=F'1']");
  EXPECT_NE(astr[4].find("sub0"), std::string::npos); /* the L of pool 2 carries its pool */
}

TEST_F(EsdTest, RegisterEquatesDoNotMakeAnEmptySectionForTheLastPool)
{
  vRun(strProgram({"R1 EQU 1", "D DSECT", "F DS F", "C CSECT", "- L R1,=F'1'", "D DSECT", "- END"}));
  EXPECT_EQ(strDiags(), "");
  EXPECT_EQ(pItem("C")->lId, 1); /* the unnamed section is left out */
  EXPECT_EQ(pItem("C")->ulFolded, 12u);
  EXPECT_EQ(pItem("D")->lId, -1);
}

TEST_F(EsdTest, VConstantsReferToExternalsAndQConstantsToDummies)
{
  vRun(
      strProgram({"A CSECT", "- L 15,=V(SUBR)", "- DC V(SUBR,A,OTHER)", "- DC Q(D)", "D DSECT", "- DS XL12", "- END"}));
  EXPECT_EQ(strDiags(), "");
  ASSERT_NE(pItem("SUBR"), nullptr);
  EXPECT_EQ(pItem("SUBR")->bKind, ESD_ER);
  EXPECT_EQ(pItem("OTHER")->bKind, ESD_ER);
  EXPECT_EQ(pItem("A")->bKind, ESD_SD); /* a section stays what it is */
  uint32_t ulEr = 0;
  for (uint32_t i = 0; i < ulEsdCount(); i++) ulEr += pEsdItem(static_cast<int32_t>(i))->bKind == ESD_ER;
  EXPECT_EQ(ulEr, 2u); /* each name once */
  ASSERT_NE(pItem("D"), nullptr);
  EXPECT_EQ(pItem("D")->bKind, ESD_XD);
  EXPECT_EQ(pItem("D")->ulFolded, 12u);
  EXPECT_EQ(pEsdItem(pSym("D")->lSection)->bKind, ESD_DSECT); /* the symbol still names the DSECT */
}

TEST_F(EsdTest, ExternalSymbolsAndEntries)
{
  vRun(strProgram({"A CSECT", "- ENTRY E,A", "- EXTRN X,Y,X", "- WXTRN W", "E DS F", "- ENTRY 1A", "- ENTRY U",
                   "K EQU 5", "- ENTRY K", "- END"}));
  EXPECT_EQ(strDiags(), "diag=155/12:X is repeated.;diag=111/12:Operand 1 is invalid.;"
                        "diag=156/12:K cannot be defined as an ENTRY.;diag=158/12:U is not defined.;");
  EXPECT_EQ(pItem("A")->lId, 1);
  EXPECT_EQ(pItem("X")->bKind, ESD_ER);
  EXPECT_EQ(pItem("X")->lId, 2); /* references follow the sections */
  EXPECT_EQ(pItem("W")->bKind, ESD_WX);
  ASSERT_NE(pItem("E"), nullptr);
  EXPECT_EQ(pItem("E")->bKind, ESD_LD);
  EXPECT_EQ(pItem("E")->ulFolded, 1u); /* owning section's id */
}

TEST_F(EsdTest, ExternalsOfVConstantsAreNumberedByFirstAppearance)
{
  vRun(strProgram({"- DC V(AAA)", "- EXTRN BBB", "- DC V(CCC,BBB,DDD)", "- WXTRN DDD", "- DC V(EEE)", "- END"}));
  EXPECT_EQ(strDiags(), "");
  std::string strOrder;
  for (const char *psz : {"AAA", "BBB", "CCC", "DDD", "EEE"}) {
    ASSERT_NE(pItem(psz), nullptr) << psz;
    strOrder += std::string(psz) + "=" + std::to_string(pItem(psz)->lId) + " ";
  }
  /* id 1 is the unnamed section; a V name that an EXTRN or WXTRN also
     declares takes the place and kind of the declaration */
  EXPECT_EQ(strOrder, "AAA=2 BBB=3 CCC=4 DDD=5 EEE=6 ");
  EXPECT_EQ(pItem("DDD")->bKind, ESD_WX);
}

TEST_F(EsdTest, StatementCrossingTheAddressLimitAfterStartIsFlagged)
{
  vRun(strProgram({"P START X'FFFFF8'", "X DS XL9", "Y DS XL7", "Z DS 0X", "- END"}));
  EXPECT_EQ(strDiags(), "diag=171/12:Location counter overflow.;");
  EXPECT_EQ(lValue("X"), -99);
  EXPECT_EQ(lValue("Y"), 0xFFFFF8); /* ends exactly at X'FFFFFF' */
  EXPECT_EQ(lValue("Z"), 0xFFFFFF);
}

TEST_F(EsdTest, UnderscoreStartsNamesAndMemberNames)
{
  strWrite("A_B.mac", "_IN      DS    C\n");
  vLibrary(".mac");
  vRun(strProgram({"_LOOP LR 1,2", "- COPY A_B", "- EXTRN _X", "- DC A(_LOOP,_X)", "- ENTRY _IN", "- END"}));
  EXPECT_EQ(strDiags(), "");
  EXPECT_EQ(lValue("_LOOP"), 0);
  EXPECT_EQ(lValue("_IN"), 2);
  ASSERT_NE(pItem("_X"), nullptr);
  EXPECT_EQ(pItem("_X")->bKind, ESD_ER);
}

} // namespace

namespace {

/* The code generation phase over the records: locations become addresses
   and USING statements fill the USING table. */
class CodeTest : public EsdTest {
protected:
  std::vector<std::string> astrCode;
  void vCode(const std::string &strSource)
  {
    vWorkDeleteAll();
    vSourceCloseAll();
    astrCode = CoreTest::astrCode(strSource);
  }
  void TearDown() override
  {
    vPhaseSet('0', 'N');
    EsdTest::TearDown();
  }
};

TEST_F(CodeTest, LocationsBecomeAddressesAndUsingsResolve)
{
  vCode(strProgram({"A CSECT", "- DS XL10", "B CSECT", "- USING *,12,11", "X DS XL4096", "Y DS F", "- DROP 12",
                    "LONGNAME9 CSECT", "- END"}));
  ASSERT_EQ(astrCode.size(), 9u);
  EXPECT_EQ(lValue("X"), 16);
  EXPECT_NE(astrCode[3].find("at=000010"), std::string::npos) << astrCode[3]; /* USING at B's start, 16 */
  EXPECT_NE(astrCode[5].find("at=001010"), std::string::npos) << astrCode[5];
  EXPECT_NE(astrCode[7].find("302/12:LONGNAME9 is too long to be defined as an external symbol."), std::string::npos)
      << astrCode[7];
  /* after DROP 12 the second range is based on R11 from its own start */
  uint8_t ab[2] = {0, 0};
  ASSERT_NE(pUsingResolve(ab, nullptr, pSym("Y")->lSection, lValue("Y"), 0), nullptr);
  EXPECT_EQ(ab[0], 0xB0);
  EXPECT_EQ(ab[1], 0x00);
}

TEST_F(CodeTest, DiagnosticsOfThePassesWithoutASlotAreNotLost)
{
  vCode(strProgram({"A CSECT", "- ENTRY U,V", "- END"}));
  ASSERT_GE(astrCode.size(), 2u);
  EXPECT_NE(astrCode[1].find("158/12:U is not defined."), std::string::npos) << astrCode[1];
  EXPECT_NE(astrCode[1].find("158/12:V is not defined."), std::string::npos) << astrCode[1];
}

TEST_F(CodeTest, EndNamesTheEntryPointAndTheTranslator)
{
  vCode(strProgram({"A CSECT", "- LR 1,1", "B LR 1,1", "- END B,(ASM,0102,00001)"}));
  const ENDDATA *p = pEndData();
  EXPECT_TRUE(p->bEntry);
  EXPECT_EQ(p->ulAddress, 2u);
  EXPECT_TRUE(p->bTranslator);
  EXPECT_EQ(strAscii(p->abId, 10), "ASM       ");
  EXPECT_EQ(strAscii(p->abDate, 5), "00001");
  for (const char *psz : {"B+1", "X'10'", "B+100"}) {
    vCode(strProgram({"A CSECT", "- LR 1,1", "B LR 1,1", std::string("- END ") + psz}));
    EXPECT_NE(astrCode.back().find("diag="), std::string::npos) << psz << astrCode.back();
    EXPECT_FALSE(pEndData()->bEntry) << psz;
  }
  vCode(strProgram({"- EXTRN X", "- END X"}));
  EXPECT_TRUE(pEndData()->bEntry);
  vCode(strProgram({"- CSECT", "- END ,(ASM,01,00001)"}));
  EXPECT_NE(astrCode.back().find("diag=111/12:Operand 2 is invalid."), std::string::npos) << astrCode.back();
}

} // namespace
