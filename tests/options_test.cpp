// The option step in-process: option values and their forms, rejected
// options with their exact messages, options files, file assignment, the
// cross-checks, the translation tables and standard input as source.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "asm0.h"
#include "chars.h"
#include "opt.h"
#include "testfront.h"

namespace {

const std::string c_strIni = std::string(VORN_TEST_DIR) + "/../console/vorn.ini";

class Options : public ::testing::Test {
protected:
  std::string strDir;
  std::vector<std::string> astrArgs;
  std::vector<char *> apszArgv;

  void SetUp() override
  {
    char szDir[] = "/tmp/vornoptXXXXXX";
    ASSERT_NE(mkdtemp(szDir), nullptr);
    strDir = szDir;
    mkdir((strDir + "/tmp").c_str(), 0700);
    mkdir((strDir + "/src").c_str(), 0700);
    std::ifstream in(c_strIni, std::ios::binary);
    ASSERT_TRUE(in.good()) << c_strIni;
    std::ofstream(strDir + "/vorn.ini", std::ios::binary) << in.rdbuf();
    vFile("src/prog.asm", "         END\n");
    setenv("VORNDIR", strDir.c_str(), 1);
    setenv("TMPDIR", (strDir + "/tmp").c_str(), 1);
    unsetenv("VORNINI");
    unsetenv("VORNLIB");
    g_asm.bWindowed = false;
    g_asm.pTerm = stdout;
  }
  void TearDown() override
  {
    vAsmCloseAll();
    g_asm.ulTrace = 0;
    unsetenv("VORNDIR");
    unsetenv("VORNINI");
    unsetenv("VORNLIB");
    unsetenv("TMPDIR");
    std::system(("rm -rf '" + strDir + "'").c_str());
  }
  void vFile(const std::string &strName, const std::string &strText)
  {
    std::ofstream(strDir + "/" + strName, std::ios::binary) << strText;
  }
  int iRun(const std::vector<std::string> &astr, FILE *pStdin = nullptr)
  {
    astrArgs = astr;
    astrArgs.insert(astrArgs.begin(), "vorn");
    apszArgv.clear();
    for (auto &str : astrArgs) apszArgv.push_back(str.data());
    apszArgv.push_back(nullptr);
    vFrontReset();
    return iOptionsProcess(static_cast<int>(astrArgs.size()), apszArgv.data(), pStdin);
  }
  /* What the option step wrote after the banner. */
  static std::string strMessages()
  {
    std::string str = g_front.strOut;
    for (int i = 0; i < 2; i++) str.erase(0, str.find('\n') + 1);
    return str;
  }
  std::string strSrc() const { return strDir + "/src/prog.asm"; }
};

TEST_F(Options, BannerIsTheFirstOutput)
{
  EXPECT_EQ(iRun({strSrc()}), 0);
  EXPECT_EQ(g_front.strOut.rfind("Velmora 390 Cross Assembler  -  version 1.2.00\n", 0), 0u) << g_front.strOut;
  EXPECT_EQ(strMessages(), "");
}

TEST_F(Options, OneArgumentHoldsSeveralOptions)
{
  EXPECT_EQ(iRun({"-LIST(133) NOXREF", strSrc()}), 0) << g_front.strOut;
  EXPECT_EQ(g_opt.ulListWidth, 133u);
  EXPECT_EQ(g_opt.bXref, 0);
  EXPECT_STREQ(g_opt.aOpt[OPT_LIST].pszValue, "LIST(133)");
  EXPECT_STREQ(g_opt.aOpt[OPT_LIST].pszSource, "Command Line");
  EXPECT_EQ(g_opt.aOpt[OPT_ALIGN].pszValue, nullptr); /* "(default)" */
}

/* Each row: options, then the value they leave in one field. */
struct VALUECASE {
  std::vector<std::string> astrOptions;
  std::function<uint64_t()> fnField;
  uint64_t ullExpected;
};

#define FIELD(expr) [] { return static_cast<uint64_t>(expr); }

TEST_F(Options, OptionsSetTheirValues)
{
  const VALUECASE aCases[] = {
      /* defaults */
      {{}, FIELD(g_opt.ulFlag), FLAG_DEFAULT},
      {{}, FIELD(g_opt.ulLineCount), 60},
      {{}, FIELD(g_opt.ulLineForm), LW_LF}, /* from vorn.ini */
      {{}, FIELD(g_opt.bPrintCtl), PC_FF},
      {{}, FIELD(g_opt.ulProcess), PROC_DEFAULT},
      {{}, FIELD(g_opt.bExecAllowed), 1},
      {{}, FIELD(g_opt.bTerm), TERM_ON | TERM_PREFIX},
      {{}, FIELD(g_opt.ullSize), 24ull << 20}, /* work files spill beyond 24 MiB */
      {{}, FIELD(g_opt.bOptable), OPTABLE_UNI},
      {{}, FIELD(g_opt.bMxref), MXREF_SOURCE},
      {{}, FIELD(g_opt.ulUsingLimit), 4095},
      /* switches, long and short, with their NO forms */
      {{"-NOALIGN"}, FIELD(g_opt.bAlign), 0},
      {{"-NA", "-A"}, FIELD(g_opt.bAlign), 1},
      {{"-ndx"}, FIELD(g_opt.bDxref), 0},
      {{"-NE"}, FIELD(g_opt.bEsd), 0},
      {{"-FO"}, FIELD(g_opt.bFold), 1},
      {{"-FOLD", "-NFO"}, FIELD(g_opt.bFold), 0},
      {{"-NRL"}, FIELD(g_opt.bRld), 0},
      {{"-NUM"}, FIELD(g_opt.bUsingMap), 0},
      {{"-NX"}, FIELD(g_opt.bXref), 0},
      {{"-NX", "-X"}, FIELD(g_opt.bXref), XREF_UNREFS},
      {{"-XREF(FULL,UNREFS)"}, FIELD(g_opt.bXref), XREF_FULL | XREF_UNREFS},
      {{"-X(FULL,SHORT)"}, FIELD(g_opt.bXref), XREF_SHORT},
      {{"-NMX"}, FIELD(g_opt.bMxref), 0},
      {{"-MXREF(FULL)"}, FIELD(g_opt.bMxref), MXREF_SOURCE | MXREF_XREF},
      {{"-NMX", "-MX"}, FIELD(g_opt.bMxref), MXREF_SOURCE},
      /* FLAG and its aliases */
      {{"-FLAG(4,NOALIGN,RA3ANY)"}, FIELD(g_opt.ulFlag), (FLAG_DEFAULT & ~FLAG_ALIGN) | 4 | FLAG_RA3ANY},
      {{"-F(SUBSTR,NOCONT)"}, FIELD(g_opt.ulFlag), (FLAG_DEFAULT & ~FLAG_CONT) | FLAG_SUBSTR},
      {{"-RENT"}, FIELD(g_opt.ulFlag), FLAG_DEFAULT | FLAG_RENT},
      {{"-RENT", "-NORENT"}, FIELD(g_opt.ulFlag), FLAG_DEFAULT},
      {{"-RA2"}, FIELD(g_opt.ulFlag & FLAG_RA), FLAG_RA2},
      {{"-FLAG(RA3)", "-NORA2"}, FIELD(g_opt.ulFlag & FLAG_RA), 0},
      {{"-FLAG(REFPSA)", "-FLAG(MODPSA)"}, FIELD(g_opt.ulFlag & (FLAG_REFPSA | FLAG_MODPSA)), FLAG_MODPSA},
      {{"-FLAG(TRUNC,INDEX,BRPSA,DECIMAL,NOLINT)"}, FIELD(g_opt.ulFlag & FLAG_LINT), 0},
      {{"-FLAG(WARN0,255)"}, FIELD(g_opt.ulFlag), FLAG_DEFAULT | FLAG_WARN0 | 255},
      /* PCONTROL masks */
      {{"-PCONTROL(ON,NOGEN,MC)"}, FIELD(g_opt.bPrintForced), PRT_ON | PRT_MCALL},
      {{"-PCONTROL(ON,NOGEN,MC)"}, FIELD(g_opt.bPrintAllowed), 0xFF & ~PRT_GEN},
      {{"-PC(OFF,NODATA,NOMS,UH)"}, FIELD(g_opt.bPrintAllowed), 0xFF & ~(PRT_ON | PRT_DATA | PRT_MSOURCE)},
      {{"-LIBMAC"}, FIELD(g_opt.bPrintForced), PRT_LIBMAC},
      {{"-LIBMAC", "-NOLIBMAC"}, FIELD(g_opt.bPrintAllowed), 0xFF & ~PRT_LIBMAC},
      {{"-PCONTROL(DATA)", "-NPC"}, FIELD(g_opt.bPrintForced), 0},
      /* PROCESS */
      {{"-BATCH"}, FIELD(g_opt.bBatch), 1},
      {{"-BATCH", "-NOBATCH"}, FIELD(g_opt.bBatch), 0},
      {{"-PROCESS(NOVORN)"}, FIELD(g_opt.bExecAllowed), 0},
      {{"-PS(JCL,NBATCH,CICS)"}, FIELD(g_opt.ulProcess), PROC_DEFAULT | PROC_JCL | PROC_CICS},
      {{"-PROCESS(CICS)", "-PROCESS(NOCICS,NJCL)"}, FIELD(g_opt.ulProcess), PROC_DEFAULT},
      /* the fourth switch answers to any other name of up to five characters */
      {{"-PROCESS(ABC)"}, FIELD(g_opt.ulProcess), PROC_DEFAULT | PROC_CICS},
      {{"-PROCESS(BATCJ,X1)"}, FIELD(g_opt.ulProcess), PROC_DEFAULT | PROC_CICS},
      {{"-PROCESS(CICSX)", "-PROCESS(NCICS)"}, FIELD(g_opt.ulProcess), PROC_DEFAULT},
      /* numbers */
      {{"-LINECOUNT(0)"}, FIELD(g_opt.ulLineCount), 0},
      {{"-LC(10)"}, FIELD(g_opt.ulLineCount), 10},
      {{"-LINECOUNT(32767)"}, FIELD(g_opt.ulLineCount), 32767},
      {{"-NLC"}, FIELD(g_opt.ulLineCount), 0},
      {{"-SIZE(4K)"}, FIELD(g_opt.ullSize), 4096},
      {{"-SZ(2m)"}, FIELD(g_opt.ullSize), 2097152},
      {{"-SIZE(4294967295)"}, FIELD(g_opt.ullSize), 4294967295ull},
      {{"-SIZE(0)", "-SIZE(MAX)"}, FIELD(g_opt.ullSize), 4294967295ull},
      {{"-SZ(1)"}, FIELD(g_opt.ullSize), 1},
      {{"-SL(x/*)"}, FIELD(g_opt.ulSyslibCount), 1},
      {{"-TRACE(64)"}, FIELD(g_opt.ulTrace), 64},
      {{"-TRACE(64)"}, FIELD(g_asm.ulTrace), 0x41},
      {{"-TRACE(32767)"}, FIELD(g_opt.ulTrace), 32767},
      {{"-UL(4095)"}, FIELD(g_opt.ulUsingLimit), 4095},
      {{"-USINGLIMIT(0)"}, FIELD(g_opt.bUsingLimit), 1},
      {{"-USINGLIMIT(7)", "-NUL"}, FIELD(g_opt.bUsingLimit), 0},
      /* listing */
      {{"-L"}, FIELD(g_opt.ulListWidth), 121},
      {{"-L(133)", "-LIST"}, FIELD(g_opt.ulListWidth), 121},
      {{"-NOLIST"}, FIELD(g_opt.bList), 0},
      {{"-LINEWIDTH(NL)"}, FIELD(g_opt.ulLineForm), LW_NL},
      {{"-LW(cr)"}, FIELD(g_opt.ulLineForm), LW_CR},
      {{"-LINEWIDTH(133)"}, FIELD(g_opt.ulLineForm), 133},
      {{"-LINEWIDTH(V)"}, FIELD(g_opt.bPrintCtl), PC_ASA},
      {{"-PRINTCTL(HP)"}, FIELD(g_opt.bPrintCtl), PC_HP},
      {{"-ASA"}, FIELD(g_opt.bPrintCtl), PC_ASA},
      {{"-ASA", "-NOASA"}, FIELD(g_opt.bPrintCtl), PC_NL},
      /* object, TEST, TERM, OPTABLE */
      {{"-O"}, FIELD(g_opt.bObject), OBJ_OMF},
      {{"-DECK"}, FIELD(g_opt.bObject), OBJ_DECK},
      {{"-DECK", "-NODECK"}, FIELD(g_opt.bObject), OBJ_NONE},
      {{"-O(DECK)", "-NO"}, FIELD(g_opt.bObject), OBJ_NONE},
      {{"-OBJECT", "-TEST"}, FIELD(g_opt.bTest), TEST_ON},
      {{"-OBJECT(OMF)", "-TE(ALL)"}, FIELD(g_opt.bTest), TEST_ALL},
      {{"-OBJECT", "-TEST", "-NTE"}, FIELD(g_opt.bTest), TEST_OFF},
      {{"-TERM(NOPREFIX)"}, FIELD(g_opt.bTerm), TERM_ON},
      {{"-NOTERMREC"}, FIELD(g_opt.bTerm), TERM_ON},
      {{"-NTR", "-T"}, FIELD(g_opt.bTerm), TERM_ON | TERM_PREFIX},
      {{"-TERM(NOPREFIX,UPPER)"}, FIELD(g_opt.bTerm), TERM_ON | TERM_UPPER},
      {{"-NT"}, FIELD(g_opt.bTerm), 0},
      {{"-NOTERM"}, FIELD(g_asm.pTerm == nullptr), 1},
      {{"-OPTABLE(370)"}, FIELD(g_opt.bOptable), OPTABLE_370},
      {{"-OP(esa)"}, FIELD(g_opt.bOptable), OPTABLE_ESA},
      {{"-OPTABLE(ASM)"}, FIELD(g_opt.bOptable), OPTABLE_ASM},
      {{"-OPTABLE(XA)", "-OPTABLE(DOS)"}, FIELD(g_opt.bOptable), OPTABLE_DOS},
  };
  for (const auto &c : aCases) {
    std::vector<std::string> astr = c.astrOptions;
    astr.push_back(strSrc());
    std::string strWhat = ::testing::PrintToString(c.astrOptions);
    ASSERT_EQ(iRun(astr), 0) << strWhat << g_front.strOut;
    EXPECT_EQ(c.fnField(), c.ullExpected) << strWhat;
    vAsmCloseAll();
  }
}

TEST_F(Options, TextValuesLoseTheirQuotes)
{
  struct {
    std::vector<std::string> astrOptions;
    char *ASMOPTIONS::*pField;
    const char *pszExpected;
  } const aCases[] = {
      {{"-SYSPARM('A B,C')"}, &ASMOPTIONS::pszSysparm, "A B,C"},
      {{"-SP(\"x(1)\")"}, &ASMOPTIONS::pszSysparm, "x(1)"},
      {{"-SYSPARM('IT''S')"}, &ASMOPTIONS::pszSysparm, "IT'S"},
      {{"-SYSPARM()"}, &ASMOPTIONS::pszSysparm, ""},
      {{"-SYSPARM(A)", "-NSP"}, &ASMOPTIONS::pszSysparm, nullptr},
      {{"-IDR(12345678901234)"}, &ASMOPTIONS::pszIdr, "12345678901234"},
      {{"-LIBEXIT('cp /lib/&M.mac .')"}, &ASMOPTIONS::pszLibExit, "cp /lib/&M.mac ."},
      {{"-SYSTEMID('MYASM 0100')"}, &ASMOPTIONS::pszSystemId, "MYASM 0100"},
      {{"-SOURCEEXT(.asm)"}, &ASMOPTIONS::pszSourceExt, "asm"},
      {{}, &ASMOPTIONS::pszSourceExt, "390"},
      {{"-NSE"}, &ASMOPTIONS::pszSourceExt, nullptr},
      {{"-SYMNAME(LONG,MIXED)"}, &ASMOPTIONS::pszSymname, "LONG,MIXED"},
      {{"-XOPTS(A1,B2)"}, &ASMOPTIONS::pszXopts, "A1,B2"},
      /* short forms of the options with values */
      {{"-SP(s)"}, &ASMOPTIONS::pszSysparm, "s"},
      {{"-SI(i)"}, &ASMOPTIONS::pszSystemId, "i"},
      {{"-SY(n)"}, &ASMOPTIONS::pszSymname, "n"},
      {{"-XO(x)"}, &ASMOPTIONS::pszXopts, "x"},
      {{"-LE(cmd)"}, &ASMOPTIONS::pszLibExit, "cmd"},
      {{"-SE(A)"}, &ASMOPTIONS::pszSourceExt, "A"},
      {{"-ST(p.l)"}, &ASMOPTIONS::pszSysprint, "p.l"},
      {{"-SM(/dev/null)"}, &ASMOPTIONS::pszSysterm, "/dev/null"},
      {{"-O", "-SN(o.o)"}, &ASMOPTIONS::pszSyslin, "o.o"},
      {{"-DECK", "-SH(p.p)"}, &ASMOPTIONS::pszSyspunch, "p.p"},
  };
  for (const auto &c : aCases) {
    std::vector<std::string> astr = c.astrOptions;
    astr.push_back(strSrc());
    std::string strWhat = ::testing::PrintToString(c.astrOptions);
    ASSERT_EQ(iRun(astr), 0) << strWhat << g_front.strOut;
    if (c.pszExpected == nullptr)
      EXPECT_EQ(g_opt.*c.pField, nullptr) << strWhat;
    else
      EXPECT_STREQ(g_opt.*c.pField, c.pszExpected) << strWhat;
    vAsmCloseAll();
  }
}

TEST_F(Options, BadOptionsAreReportedWithTheirReason)
{
  const std::string strLong(256, 'A');
  struct {
    std::string strOption;
    std::string strReason;
  } const aCases[] = {
      {"LINECOUNT(5)", "does not contain a LINECOUNT number of 0 or 10 to 32767."},
      {"LINECOUNT(32768)", "does not contain a LINECOUNT number of 0 or 10 to 32767."},
      {"LINECOUNT(X)", "does not contain a LINECOUNT number of 0 or 10 to 32767."},
      {"IDR(123456789012345)", "has an IDR string longer than 14 characters."},
      {"IDR()", "is invalid."},
      {"TRACE(32768)", "does not contain a TRACE number of 0 to 32767."},
      {"TRACE(-1)", "does not contain a TRACE number of 0 to 32767."},
      {"TRACE(99999999999999999999)", "does not contain a TRACE number of 0 to 32767."},
      {"NOSUCH", "is invalid."},
      {"TRACE", "is invalid."},
      {"FLAG", "is invalid."},
      {"NOFLAG", "is invalid."},
      {"LIST(133", "contains unbalanced ()s."},
      {"LIST133)", "contains unbalanced ()s."},
      {"LIST(121)X", "contains unbalanced ()s."},
      {"NOXREF(FULL)", "contains invalid ()s."},
      {"ALIGN()", "contains invalid ()s."},
      {"XREF((FULL))", "contains invalid ()s."},
      {"(LIST)", "is invalid."},
      {"SYSPARM('ABC)", "contains mismatched quotes (')."},
      {"SYSPARM(\"ABC)", "contains mismatched quotes(\")."},
      {"SYSPARM(" + strLong + ")", "has a parameter string that is too long."},
      {"SYSTEMID(123456789012345)", "has a parameter string that is too long."},
      {"SOURCEEXT()", "has no file name extension."},
      {"SOURCEEXT(.)", "has no file name extension."},
      {"SOURCEEXT(a-b)", "'-' is not an alphanumeric character."},
      {"SYMNAME(A,B_C)", "'_' is not an alphanumeric character."},
      {"XOPTS(A,,B)", "is invalid."},
      {"XREF(FULL,)", "is invalid."},
      {"XREF(LONG)", "is invalid."},
      {"MXREF(ALL)", "is invalid."},
      {"LIST(120)", "is invalid."},
      {"LIST()", "is invalid."},
      {"OBJECT(ELF)", "is invalid."},
      {"OPTABLE(390)", "is invalid."},
      {"PRINTCTL(PS)", "is invalid."},
      {"PCONTROL(NOON)", "is invalid."},
      {"PCONTROL(NOOFF)", "is invalid."},
      {"PROCESS(BATCHX)", "is invalid."},
      {"PROCESS(NO)", "is invalid."},
      {"PROCESS(CICSXY)", "is invalid."},
      {"PROCESS(A-B)", "is invalid."},
      {"TERM(BOTHX)", "is invalid."},
      {"TEST(YES)", "is invalid."},
      {"LANGUAGE(DE)", "is invalid."},
      {"SIZE()", "is invalid."},
      {"SIZE(K)", "is invalid."},
      {"SIZE(4294967296)", "is invalid."},
      {"SIZE(4194304K)", "is invalid."},
      {"USINGLIMIT(4096)", "is invalid."},
      {"LINEWIDTH(4)", "is invalid."},
      {"LINEWIDTH(256)", "is invalid."},
      {"FLAG(256)", "is invalid."},
      {"FLAG(NOWARN)", "is invalid."},
      {"FLAG(4,)", "is invalid."},
      {"SYSLIB()", "is invalid."},
      {"SYSPRINT()", "is invalid."},
      {"41=C1", "is invalid."}, /* a standard character */
      {"80=C1", "is invalid."}, /* the code of a standard character */
      {"8G=41", "is invalid."},
      {"80=4", "is invalid."},
      {"4=", "is invalid."},
      {"61=", "is invalid."},
  };
  for (const auto &c : aCases) {
    EXPECT_EQ(iRun({"-" + c.strOption, strSrc()}), 20) << c.strOption;
    std::string strShown = c.strOption.substr(0, 255);
    EXPECT_EQ(strMessages(), "KZM002S Option " + strShown + " in command line parameter 1 " + c.strReason + "\n");
    vAsmCloseAll();
  }
}

/* An unknown name is shown the valid one meant: a name it begins (the
   shortest), else one within an edit (three to six letters) or two
   (longer); what follows the name stays as it was given. */
TEST_F(Options, UnknownNamesGetTheNearestValidOne)
{
  struct {
    const char *pszOption;
    const char *pszMeant; /* null: no name is near */
  } const aCases[] = {
      {"OBJ", "OBJECT"},                   /* begins OBJECT, the alias that stands alone */
      {"obj", "OBJECT"},                   /* names are not case-sensitive */
      {"OBJ(DECK)", "OBJECT(DECK)"},       /* the value is kept */
      {"NOOBJ", "NOOBJECT"},               /* begins the NO form */
      {"OBJET", "OBJECT"},                 /* one letter left out */
      {"USINGMPA", "USINGMAP"},            /* two letters swapped: one edit */
      {"XREFF(FULL)", "XREF(FULL)"},       /* one letter too many */
      {"LINECUONTT(50)", "LINECOUNT(50)"}, /* two edits in a long name */
      {"TRAC", "TRACE(...)"},              /* a name that needs its value */
      {"NOXRF", "NOXREF"},
      {"NOSUCH", nullptr},
      {"NOFLAG", nullptr}, /* NOFOLD is two edits away */
      {"Q", nullptr},      /* a letter or two: no guess */
      {"OX", nullptr},
  };
  for (const auto &c : aCases) {
    EXPECT_EQ(iRun({std::string("-") + c.pszOption, strSrc()}), 20) << c.pszOption;
    std::string strHint = c.pszMeant != nullptr ? std::string(" Did you mean ") + c.pszMeant + "?" : "";
    EXPECT_EQ(strMessages(), std::string("KZM002S Option ") + c.pszOption + " in command line parameter 1 is invalid." +
                                 strHint + "\n");
    vAsmCloseAll();
  }
}

/* The manual page of vorn names every option of the table in capitals,
   with its short form, the capitals of the name as the table spells it. */
TEST_F(Options, ManualPageNamesEveryOptionAndItsShortForm)
{
  std::ifstream in(std::string(VORN_TEST_DIR) + "/../man/vorn.1");
  std::string strPage((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(strPage.empty());
  ASSERT_EQ(iRun({strSrc()}), 0);
  for (unsigned i = 0; i < OPT_COUNT; i++) {
    std::string strLong, strShort;
    for (const char *p = g_opt.aOpt[i].pszName; *p != '\0'; p++) {
      strLong += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
      if (*p >= 'A' && *p <= 'Z') strShort += *p;
    }
    EXPECT_NE(strPage.find(".BR " + strLong), std::string::npos) << strLong; /* an entry of its own */
    bool bShort = strPage.find("Short form:\n.BR " + strShort + " .") != std::string::npos ||
                  strPage.find("Short forms:\n.BR " + strShort + " ,") != std::string::npos;
    EXPECT_TRUE(bShort) << strLong << " " << strShort;
  }
}

TEST_F(Options, OptionsFilesFollowTheLineRules)
{
  const std::string strLongLine = "NOALIGN" + std::string(1100, ' ') + "ignored";
  struct {
    std::string strText;
    int iRc;
    std::string strMessage; /* after "KZM002S Option " */
  } const aCases[] = {
      {"* a comment\n\n   NOESD   a remark\n", 0, ""},
      {"NOESD\r\nNOALIGN\r\n", 0, ""}, /* Windows line ends */
      {"\t NOESD\x01\n", 0, ""},       /* control characters count as blanks */
      {"SYSPARM('A B')  remark\n", 0, ""},
      {strLongLine + "\nNOESD\n", 0, ""},
      {"NOESD\nBAD\n", 20, "BAD in option file @ line 2 is invalid.\n"},
      {"NOESD\r\n  LIST(133\r\n", 20, "LIST(133 in option file @ line 2 contains unbalanced ()s.\n"},
      {"SYSPARM(" + std::string(300, 'x') + ")\n", 20,
       "SYSPARM(" + std::string(247, 'x') + " in option file @ line 1 has a parameter string that is too long.\n"},
      {std::string(2000, 'X') + "\n", 20,
       std::string(255, 'X') + " in option file @ line 1 has a parameter string that is too long.\n"},
  };
  for (const auto &c : aCases) {
    vFile("user.ini", c.strText);
    std::string strIni = strDir + "/user.ini";
    setenv("VORNINI", strIni.c_str(), 1);
    EXPECT_EQ(iRun({strSrc()}), c.iRc) << c.strText.substr(0, 40);
    std::string strExpected = c.strMessage;
    if (!strExpected.empty()) {
      strExpected.replace(strExpected.find('@'), 1, strIni);
      strExpected = "KZM002S Option " + strExpected;
    }
    EXPECT_EQ(strMessages(), strExpected) << c.strText.substr(0, 40);
    if (c.iRc == 0) {
      EXPECT_FALSE(g_opt.bEsd && g_opt.bAlign && g_opt.pszSysparm == nullptr) << c.strText.substr(0, 40);
      if (g_opt.pszSysparm != nullptr) {
        EXPECT_STREQ(g_opt.pszSysparm, "A B");
      }
    }
    vAsmCloseAll();
  }
}

TEST_F(Options, OptionsFileListOfVornini)
{
  vFile("a.ini", "NOESD\n");
  vFile("src/prog.ini", "NOALIGN\n");
  mkdir((strDir + "/adir").c_str(), 0700);
  struct {
    std::string strList;
    int iRc;
    std::string strMessage;
  } const aCases[] = {
      {"@" + strDir + "/missing.ini;" + strDir + "/a.ini", 0, ""},
      {";;&X/a.ini;", 0, ""},
      {"&D&F.ini", 0, ""},
      {strDir + "/missing.ini", 20,
       "KZM006S Error reading options file " + strDir + "/missing.ini: No such file or directory\n"},
      {strDir + "/adir", 20, "KZM006S Error reading options file " + strDir + "/adir: Is a directory\n"},
      {"\"" + strDir + "/a.ini\"", 0, ""},
  };
  for (const auto &c : aCases) {
    setenv("VORNINI", c.strList.c_str(), 1);
    EXPECT_EQ(iRun({strSrc()}), c.iRc) << c.strList;
    EXPECT_EQ(strMessages(), c.strMessage) << c.strList;
    vAsmCloseAll();
  }
  setenv("VORNINI", "&D&F.ini", 1);
  ASSERT_EQ(iRun({strSrc()}), 0);
  EXPECT_FALSE(g_opt.bAlign);
  EXPECT_STREQ(g_opt.aOpt[OPT_ALIGN].pszSource, (strDir + "/src/prog.ini").c_str());
}

TEST_F(Options, ProgramDirectoryMustHoldVornIni)
{
  unlink((strDir + "/vorn.ini").c_str());
  EXPECT_EQ(iRun({strSrc()}), 20);
  EXPECT_EQ(strMessages(), "KZM006S Error reading options file " + strDir + "/vorn.ini: No such file or directory\n");
  vOptionCleanup();
  vFile("vorn.ini", "NOESD\n");
  setenv("VORNDIR", (strDir + "/").c_str(), 1); /* no second '/' */
  EXPECT_EQ(iRun({strSrc()}), 0) << g_front.strOut;
  EXPECT_EQ(std::string(g_opt.achProgDir), strDir + "/");
}

TEST_F(Options, FileNamesFollowTheirPatterns)
{
  const std::string strS = strDir + "/src/";
  struct {
    std::vector<std::string> astrArgs;
    char *ASMOPTIONS::*pField;
    std::string strExpected; /* "-" for none */
  } const aCases[] = {
      {{strSrc()}, &ASMOPTIONS::pszSysprint, strS + "prog.lst"},
      {{strSrc()}, &ASMOPTIONS::pszSyslin, "-"},
      {{strSrc(), "-NOLIST"}, &ASMOPTIONS::pszSysprint, "-"},
      {{strSrc(), "-OBJECT"}, &ASMOPTIONS::pszSyslin, strS + "prog.obj"},
      {{strSrc(), "-DECK"}, &ASMOPTIONS::pszSyspunch, strS + "prog.txt"},
      {{strSrc(), "-DECK"}, &ASMOPTIONS::pszSyslin, "-"},
      {{strSrc(), "-LIST(out.lst)"}, &ASMOPTIONS::pszSysprint, "out.lst"},
      {{strSrc(), "-OBJECT(&D&F&E.o)"}, &ASMOPTIONS::pszSyslin, strS + "prog.asm.o"},
      {{strSrc(), "-TERM(&D&F.t)"}, &ASMOPTIONS::pszSysterm, strS + "prog.t"},
      {{strSrc(), "-SYSPRINT(&X&&&Q.l)"}, &ASMOPTIONS::pszSysprint, strDir + "/&&Q.l"},
      {{strSrc(), "-SYSPRINT(\"a b.l\")"}, &ASMOPTIONS::pszSysprint, "a b.l"},
      {{strSrc(), "-SYSLIN(x.o)", "-O"}, &ASMOPTIONS::pszSyslin, "x.o"},
      {{strSrc(), "-SYSPUNCH(x.p)", "-DECK"}, &ASMOPTIONS::pszSyspunch, "x.p"},
      /* the extension comes from the last path component only */
      {{strDir + "/src.d/prog", "-O"}, &ASMOPTIONS::pszSyslin, strDir + "/src.d/prog.obj"},
      {{"prog", "-O"}, &ASMOPTIONS::pszSyslin, "prog.obj"},
      {{".hidden", "-O"}, &ASMOPTIONS::pszSyslin, ".hidden.obj"},
  };
  /* every source named must exist */
  char achCwd[PATH_MAX];
  ASSERT_NE(getcwd(achCwd, sizeof achCwd), nullptr);
  ASSERT_EQ(chdir(strDir.c_str()), 0);
  mkdir("src.d", 0700);
  for (const char *psz : {"src.d/prog", "prog", ".hidden"}) vFile(psz, "");
  for (const auto &c : aCases) {
    std::string strWhat = ::testing::PrintToString(c.astrArgs);
    ASSERT_EQ(iRun(c.astrArgs), 0) << strWhat << g_front.strOut;
    if (c.strExpected == "-")
      EXPECT_EQ(g_opt.*c.pField, nullptr) << strWhat;
    else
      EXPECT_EQ(std::string(g_opt.*c.pField != nullptr ? g_opt.*c.pField : "(null)"), c.strExpected) << strWhat;
    vAsmCloseAll();
  }
  ASSERT_EQ(chdir(achCwd), 0);
  ASSERT_EQ(iRun({"-LIST(x.lst)", strSrc()}), 0);
  EXPECT_STREQ(g_opt.aDd[DD_SYSPRINT].pszFile, "x.lst");
  EXPECT_STREQ(g_opt.aDd[DD_SYSPRINT].pszSource, "Command Line");
  EXPECT_STREQ(g_opt.aDd[DD_SYSTERM].pszFile, "(STDOUT)");
  EXPECT_STREQ(g_opt.aDd[DD_SYSIN].pszFile, strSrc().c_str());
}

TEST_F(Options, LibraryPathList)
{
  const std::string strS = strDir + "/src/";
  struct {
    const char *pszVornlib; /* null: unset */
    std::vector<std::string> astrOptions;
    std::vector<std::string> astrPaths;
  } const aCases[] = {
      {nullptr, {}, {strS + "*.MAC"}},
      {"/lib/*.mac;/lib2/*", {}, {"/lib/*.mac", "/lib2/*"}},
      {"/lib/*.mac", {"-SYSLIB(a/*.m;b/*.m)"}, {"a/*.m", "b/*.m"}},
      {"/lib/*.mac", {"-NOSYSLIB"}, {}},
      {nullptr, {"-SYSLIB(a/*.m;;a/*.m;&D*.cpy)"}, {"a/*.m", strS + "*.cpy"}},
      {nullptr, {"-NSL", "-SL(\"x y/*\")"}, {"x y/*"}},
  };
  for (const auto &c : aCases) {
    if (c.pszVornlib != nullptr)
      setenv("VORNLIB", c.pszVornlib, 1);
    else
      unsetenv("VORNLIB");
    std::vector<std::string> astr = c.astrOptions;
    astr.push_back(strSrc());
    ASSERT_EQ(iRun(astr), 0) << g_front.strOut;
    std::vector<std::string> astrGot(g_opt.apszSyslib, g_opt.apszSyslib + g_opt.ulSyslibCount);
    EXPECT_EQ(astrGot, c.astrPaths) << ::testing::PrintToString(c.astrOptions);
    std::string strJoined;
    for (const auto &str : c.astrPaths) strJoined += (strJoined.empty() ? "" : ";") + str;
    EXPECT_STREQ(std::getenv("VORNLIB"), strJoined.c_str()); /* for LIBEXIT commands */
    vAsmCloseAll();
  }
  /* without a source directory */
  unsetenv("VORNLIB");
  char achCwd[PATH_MAX];
  ASSERT_NE(getcwd(achCwd, sizeof achCwd), nullptr);
  ASSERT_EQ(chdir((strDir + "/src").c_str()), 0);
  EXPECT_EQ(iRun({"prog.asm"}), 0);
  EXPECT_STREQ(g_opt.apszSyslib[0], "*.MAC");
  ASSERT_EQ(chdir(achCwd), 0);
}

TEST_F(Options, BadFileNamesAndLibraryPaths)
{
  const std::string strLongName(PATH_MAX + 10, 'n');
  struct {
    std::string strVornlib; /* "-": unset */
    std::vector<std::string> astrArgs;
    std::string strMessage;
  } const aCases[] = {
      {"-",
       {strSrc(), "-SYSLIB(/x/y.mac)"},
       "KZM012S VORNLIB environment variable path \"/x/y.mac\" does not contain an '*'."},
      {"/lib/*.mac;/x/y.mac",
       {strSrc()},
       "KZM012S VORNLIB environment variable path \"/x/y.mac\" does not contain an '*'."},
      {"/lib/**.mac", {strSrc()}, "KZM012S VORNLIB environment variable path \"/lib/**.mac\" is invalid."},
      {"/lib/*.mac;/l\x02/*",
       {strSrc()},
       "KZM001S VORNLIB environment variable contains an invalid character (X'02')."},
      {"/" + std::string(PATH_MAX + 10, 'a') + "*",
       {strSrc()},
       "KZM005S File name /" + std::string(PATH_MAX - 2, 'a') + " is too long."},
      {"-", {"dir/"}, "KZM007S Cannot access source file dir/"},
      {"-", {strLongName}, "KZM005S File name " + strLongName + " is too long."},
      {"-", {"one\x07.asm"}, "KZM001S Command line parameter 1 contains an invalid character (X'07')."},
      {"-", {strSrc(), "-NOESD\x7F"}, "KZM001S Command line parameter 2 contains an invalid character (X'7F')."},
      {"-", {"caf\xC3\xA9.asm"}, "KZM004S Missing C3=xx option for file name caf\xC3\xA9.asm."},
      {"-", {strSrc(), "-SYSPARM(\x80)"}, "KZM004S Missing 80=xx option."},
  };
  for (const auto &c : aCases) {
    if (c.strVornlib != "-")
      setenv("VORNLIB", c.strVornlib.c_str(), 1);
    else
      unsetenv("VORNLIB");
    std::string strWhat = ::testing::PrintToString(c.astrArgs).substr(0, 200);
    EXPECT_EQ(iRun(c.astrArgs), c.strMessage.empty() ? 0 : 20) << strWhat;
    EXPECT_EQ(strMessages(), c.strMessage.empty() ? "" : c.strMessage + "\n") << strWhat;
    vAsmCloseAll();
  }
}

TEST_F(Options, StandardInputNamesTheFilesAfterStdin)
{
  /* standard input as source: &F is STDIN, &D and &E are empty */
  struct {
    std::vector<std::string> astrOptions;
    char *ASMOPTIONS::*ppszField;
    std::string strName;
  } const aCases[] = {
      {{}, &ASMOPTIONS::pszSysprint, "STDIN.lst"},
      {{"-NOLIST", "-OBJECT"}, &ASMOPTIONS::pszSyslin, "STDIN.obj"},
      {{"-NOLIST", "-DECK"}, &ASMOPTIONS::pszSyspunch, "STDIN.txt"},
  };
  for (const auto &c : aCases) {
    FILE *pIn = std::tmpfile();
    std::fputs("         END\n", pIn);
    std::rewind(pIn);
    EXPECT_EQ(iRun(c.astrOptions, pIn), 0) << strMessages();
    const char *pszName = g_opt.*c.ppszField;
    EXPECT_STREQ(pszName != nullptr ? pszName : "(none)", c.strName.c_str()) << ::testing::PrintToString(c.astrOptions);
    vOptionCleanup();
    std::fclose(pIn);
  }
}

TEST_F(Options, RedirectedStandardInputIsCopied)
{
  FILE *pIn = std::tmpfile();
  std::fputs("* from a pipe\n         END\n", pIn);
  std::rewind(pIn);
  ASSERT_EQ(iRun({"-NOLIST"}, pIn), 0) << g_front.strOut;
  ASSERT_EQ(g_opt.ulSysinCount, 1u);
  EXPECT_TRUE(g_opt.bStdin);
  EXPECT_STREQ(g_opt.apszSysinShow[0], "(STDIN)");
  std::string strTemp = g_opt.apszSysin[0];
  EXPECT_EQ(strTemp.rfind(strDir + "/tmp/", 0), 0u) << strTemp;
  std::ifstream in(strTemp, std::ios::binary);
  std::string strCopy((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(strCopy, "* from a pipe\n         END\n");
  vOptionCleanup();
  EXPECT_NE(access(strTemp.c_str(), F_OK), 0) << "temporary copy left behind";
  std::fclose(pIn);

  /* a device that is not a pipe or file, like /dev/null, holds no source */
  FILE *pNull = std::fopen("/dev/null", "r");
  EXPECT_EQ(iRun({"-NOLIST"}, pNull), 20);
  EXPECT_EQ(strMessages(), "KZM010S Missing source file name.\n"
                           "        Usage: vorn [options] source...   (vorn --help lists the options)\n");
  std::fclose(pNull);

  /* the temporary directory cannot be used */
  vOptionCleanup();
  setenv("TMPDIR", (strDir + "/none").c_str(), 1);
  pIn = std::tmpfile();
  EXPECT_EQ(iRun({"-NOLIST"}, pIn), 20);
  EXPECT_EQ(strMessages(),
            "KZM008S Error creating temporary file " + strDir + "/none/vornXXXXXX: No such file or directory\n");
  std::fclose(pIn);
}

TEST_F(Options, CrossChecksNoteWhatTheyOverride)
{
  struct {
    std::vector<std::string> astrOptions;
    std::vector<std::string> astrNotes;
  } const aCases[] = {
      {{"-TEST", "-DECK"}, {"TEST overridden by OBJECT(DECK)"}},
      {{"-TEST"}, {"TEST overridden by NOOBJECT"}},
      {{"-TEST(ALL)", "-NODECK"}, {"TEST(ALL) overridden by NOOBJECT"}},
      {{"-TEST", "-OBJECT"}, {}},
      {{"-LINEWIDTH(V)"}, {"PRINTCTL(FF) overridden by LINEWIDTH(V)"}},
      {{"-LINEWIDTH(121)", "-ASA"}, {}},
      {{"-LIST(133)", "-LINEWIDTH(100)", "-ASA"}, {"LIST(133) overridden by LINEWIDTH(100)"}},
      {{"-LIST(133)", "-LINEWIDTH(132)", "-PRINTCTL(HP)"}, {"PRINTCTL(HP) overridden by LINEWIDTH(132)"}},
  };
  for (const auto &c : aCases) {
    std::vector<std::string> astr = c.astrOptions;
    astr.push_back(strSrc());
    ASSERT_EQ(iRun(astr), 0) << g_front.strOut;
    std::vector<std::string> astrNotes(g_opt.aachNote, g_opt.aachNote + g_opt.uNotes);
    EXPECT_EQ(astrNotes, c.astrNotes) << ::testing::PrintToString(c.astrOptions);
    vAsmCloseAll();
  }
  ASSERT_EQ(iRun({"-TEST", "-DECK", strSrc()}), 0);
  EXPECT_EQ(g_opt.bTest, TEST_OFF); /* no TESTRAN pass */
  ASSERT_EQ(iRun({"-LIST(133)", "-LINEWIDTH(100)", strSrc()}), 0);
  EXPECT_EQ(g_opt.ulListWidth, 121u);
  EXPECT_EQ(g_opt.bPrintCtl, PC_ASA);
}

TEST_F(Options, TranslationPairs)
{
  /* the shipped vorn.ini: code page 037 for every other printable character */
  ASSERT_EQ(iRun({strSrc()}), 0) << g_front.strOut;
  const struct {
    char c;
    uint8_t bEbcdic;
  } aCp037[] = {{'!', 0x5A}, {'"', 0x7F}, {'%', 0x6C}, {':', 0x7A},  {';', 0x5E},    {'<', 0x4C},
                {'>', 0x6E}, {'?', 0x6F}, {'[', 0xBA}, {'\\', 0xE0}, {']', 0xBB},    {'^', 0xB0},
                {'`', 0x79}, {'{', 0xC0}, {'|', 0x4F}, {'}', 0xD0},  {'~', 0xA1},    {'A', 0xC1},
                {'z', 0xA9}, {'0', 0xF0}, {'_', 0x6D}, {'\'', 0x7D}, {'\xA2', 0x4A}, {'\xAC', 0x5F}};
  for (const auto &c : aCp037) {
    uint8_t bAscii = static_cast<uint8_t>(c.c);
    EXPECT_EQ(g_abAsciiToEbcdic[bAscii], c.bEbcdic) << c.c;
    EXPECT_EQ(g_abEbcdicToAscii[c.bEbcdic], bAscii) << c.c;
  }
  for (unsigned i = 0x20; i < 0x7F; i++) EXPECT_NE(g_abAsciiDefined[i], CHD_NONE) << i;
  for (unsigned i = 0; i < 256; i++) {
    if (g_abAsciiDefined[i] != CHD_NONE) {
      EXPECT_GE(g_abAsciiToEbcdic[i], 0x40) << i;
    }
  }
  EXPECT_EQ(g_opt.ulLineForm, LW_LF);
  EXPECT_STREQ(g_opt.aOpt[OPT_LINEWIDTH].pszSource, (strDir + "/vorn.ini").c_str());
  vOptionCleanup();

  /* redefining and removing pairs */
  ASSERT_EQ(iRun({"-3A=FA", "-60=fa", "-25=", strSrc()}), 0) << g_front.strOut;
  EXPECT_EQ(g_abAsciiToEbcdic[':'], 0xFA);
  EXPECT_EQ(g_abEbcdicToAscii[0x7A], ' '); /* the old code of ':' translates back to a blank */
  EXPECT_EQ(g_abEbcdicDefined[0x7A], CHD_NONE);
  EXPECT_EQ(g_abAsciiDefined['%'], CHD_NONE);
  EXPECT_EQ(g_abAsciiToEbcdic['%'], 0x40);
  EXPECT_EQ(g_abEbcdicDefined[0x6C], CHD_NONE);
  EXPECT_EQ(g_abEbcdicToAscii[0xFA], '`'); /* the later pair wins backwards */
  EXPECT_EQ(g_abEbcdicToAscii[0x79], ' ');
  vOptionCleanup();

  /* a character in use needs a translation */
  EXPECT_EQ(iRun({"-25=", "-SYSPARM(50%)", strSrc()}), 20);
  EXPECT_EQ(strMessages(), "KZM004S Missing 25=xx option.\n");
}

TEST_F(Options, TranslatorIdentificationAndSystemValues)
{
  ASSERT_EQ(iRun({"-IDR('MY PROG')", strSrc()}), 0);
  char achYyddd[32];
  std::snprintf(achYyddd, sizeof achYyddd, "%02d%03d", g_opt.tmAssembly.tm_year % 100, g_opt.tmAssembly.tm_yday + 1);
  uint8_t abAscii[19];
  vEbcdicToAscii(abAscii, g_opt.abTranslatorId, 19);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(abAscii), 19), std::string("VORNASM   1200") + achYyddd);
  ASSERT_TRUE(g_opt.bIdr);
  vEbcdicToAscii(abAscii, g_opt.abIdrId, 19);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(abAscii), 19), std::string("MY PROG       ") + achYyddd);
  EXPECT_STREQ(g_opt.aSys[SV_SYSASM].achValue, "VELMORA 390 CROSS ASSEMBLER");
  EXPECT_STREQ(g_opt.aSys[SV_SYSJOB].achValue, "VORN");
  EXPECT_STREQ(g_opt.aSys[SV_SYSSTEP].achValue, "(NOSTEP)");
  EXPECT_STREQ(g_opt.aSys[SV_SYSVER].achValue, "1.2.00");
  EXPECT_EQ(std::strlen(g_opt.aSys[SV_SYSDATC].achValue), 8u);
  EXPECT_EQ(g_opt.aSys[SV_SYSDATE].achValue[2], '/');
  EXPECT_EQ(g_opt.aSys[SV_SYSTIME].achValue[2], '.');
  EXPECT_NE(std::string(g_opt.achStamp).find(" at "), std::string::npos);
  EXPECT_NE(std::string(g_opt.achStamp).find(':'), std::string::npos); /* ':' translates */
  EXPECT_NE(g_opt.achOsName[0], '\0');
  vOptionCleanup();

  ASSERT_EQ(iRun({"-SYSTEMID(ASM2)", "-3A=", strSrc()}), 0);
  vEbcdicToAscii(abAscii, g_opt.abTranslatorId, 19);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(abAscii), 14), "ASM2          ");
  EXPECT_EQ(std::string(g_opt.achStamp).find(':'), std::string::npos); /* '.' without a ':' pair */
}

TEST_F(Options, SystermFileIsCreatedLast)
{
  std::string strTerm = strDir + "/term.out";
  ASSERT_EQ(iRun({"-SYSTERM(" + strTerm + ")", strSrc()}), 0) << g_front.strOut;
  EXPECT_TRUE(g_asm.bTermIsFile);
  EXPECT_STREQ(g_asm.pszTermName, strTerm.c_str());
  EXPECT_NE(g_asm.pTerm, nullptr);
  /* written under a temporary name until the run is complete */
  EXPECT_NE(access(strTerm.c_str(), F_OK), 0);
  vAsmCloseAll();
  EXPECT_FALSE(g_asm.bTermIsFile);
  g_asm.pTerm = stdout;

  /* an error before the last step leaves no SYSTERM file */
  unlink(strTerm.c_str());
  EXPECT_EQ(iRun({"-SYSTERM(" + strTerm + ")", "-BAD", strSrc()}), 20);
  EXPECT_NE(access(strTerm.c_str(), F_OK), 0);

  EXPECT_EQ(iRun({"-SYSTERM(" + strDir + "/none/t.out)", strSrc()}), 20);
  EXPECT_EQ(strMessages(),
            "KZM900S Error creating SYSTERM file " + strDir + "/none/t.out: No such file or directory\n");
}

TEST(FlagParse, ListsApplyOnlyWhenValid)
{
  struct {
    const char *pszList;
    uint32_t ulExpected;
    const char *pszError;
  } const aCases[] = {
      {"8", (FLAG_DEFAULT & ~FLAG_THRESHOLD) | 8, nullptr},
      {"NOUSINGDUP,NOUSINGZERO,NOUSINGMULT", FLAG_DEFAULT & ~(FLAG_USINGDUP | FLAG_USINGZERO | FLAG_USINGMULT),
       nullptr},
      {"RA3,NORA3", FLAG_DEFAULT, nullptr},
      {"NORECORD,BADONE", FLAG_DEFAULT, "is invalid."},
      {"", FLAG_DEFAULT, "is invalid."},
      {"4,,5", FLAG_DEFAULT, "is invalid."},
  };
  for (const auto &c : aCases) {
    uint32_t ulFlag = FLAG_DEFAULT;
    const char *pszError = pszFlagParse(c.pszList, std::strlen(c.pszList), &ulFlag);
    EXPECT_EQ(ulFlag, c.ulExpected) << c.pszList;
    if (c.pszError == nullptr)
      EXPECT_EQ(pszError, nullptr) << c.pszList;
    else
      EXPECT_STREQ(pszError, c.pszError) << c.pszList;
  }
}

TEST(Chars, ClassesAndUpperCase)
{
  vCharsReset();
  struct {
    char c;
    uint8_t bClass;
  } const aCases[] = {
      {'A', CC_LETTER | CC_NAME | CC_HEX | CC_OPERAND},
      {'f', CC_LETTER | CC_NAME | CC_HEX | CC_OPERAND},
      {'g', CC_LETTER | CC_NAME | CC_OPERAND},
      {'Z', CC_LETTER | CC_NAME | CC_OPERAND},
      {'$', CC_LETTER | CC_NAME | CC_OPERAND},
      {'@', CC_LETTER | CC_NAME | CC_OPERAND},
      {'_', CC_LETTER | CC_NAME | CC_OPERAND},
      {'7', CC_DIGIT | CC_NAME | CC_HEX | CC_OPERAND},
      {' ', CC_OPERAND},
      {'\'', CC_OPERAND},
  };
  for (const auto &c : aCases) {
    uint8_t bEbcdic = g_abAsciiToEbcdic[static_cast<uint8_t>(c.c)];
    EXPECT_EQ(g_abClass[bEbcdic], c.bClass) << c.c;
  }
  EXPECT_EQ(g_abClass[0x5A], 0); /* '!' has no translation without its pair */
  EXPECT_EQ(g_abUpper[0x81], 0xC1);
  EXPECT_EQ(g_abUpper[0xA9], 0xE9);
  EXPECT_EQ(g_abUpper[0xC1], 0xC1);
  EXPECT_EQ(g_abUpper[0x5A], 0x5A);
  ASSERT_EQ(iCharsPair(0x21, 0x5A), CP_OK);
  vCharsBuildClasses();
  EXPECT_EQ(g_abClass[0x5A], CC_OPERAND);
  EXPECT_EQ(iCharsPair(0x22, 0xC1), CP_STANDARD_EBCDIC);
  EXPECT_EQ(iCharsPair('a', 0xFF), CP_STANDARD_ASCII);
  EXPECT_EQ(iCharsRemove('a'), CP_STANDARD_ASCII);
  vCharsReset();
}

TEST(Chars, NumbersAsEbcdicText)
{
  /* as printf's "%*lu" and "%0*lX" would write them, in code page 037 */
  struct {
    bool bHex;
    uint64_t ullValue;
    uint32_t ulWidth;
    std::vector<uint8_t> ab;
  } const aCases[] = {
      {false, 0, 0, {0xF0}},
      {false, 7, 3, {0x40, 0x40, 0xF7}},
      {false, 123456, 4, {0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6}},
      {false, 10, 3, {0x40, 0xF1, 0xF0}},
      {false, 100, 0, {0xF1, 0xF0, 0xF0}},
      {false, 99, 3, {0x40, 0xF9, 0xF9}},
      {false, 10000000000000000000ull, 0, {0xF1, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0,
                                           0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0}},
      {false, 4294967295ull, 0, {0xF4, 0xF2, 0xF9, 0xF4, 0xF9, 0xF6, 0xF7, 0xF2, 0xF9, 0xF5}},
      {false, 18446744073709551615ull, 0, {0xF1, 0xF8, 0xF4, 0xF4, 0xF6, 0xF7, 0xF4, 0xF4, 0xF0, 0xF7,
                                           0xF3, 0xF7, 0xF0, 0xF9, 0xF5, 0xF5, 0xF1, 0xF6, 0xF1, 0xF5}},
      {true, 0, 0, {0xF0}},
      {true, 0xAF, 4, {0xF0, 0xF0, 0xC1, 0xC6}},
      {true, 0x1234ABCDEull, 8, {0xF1, 0xF2, 0xF3, 0xF4, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5}},
  };
  for (const auto &c : aCases) {
    uint8_t ab[24];
    uint32_t n = c.bHex ? ulEbcdicHex(ab, c.ullValue, c.ulWidth) : ulEbcdicDecimal(ab, c.ullValue, c.ulWidth);
    EXPECT_EQ(std::vector<uint8_t>(ab, ab + n), c.ab) << c.ullValue;
  }
}

} // namespace
