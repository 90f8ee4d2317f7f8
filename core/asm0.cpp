/*
** asm0.cpp - the option step (module "asm0").
**
** Calls: the services only.
** Called by: asm, msc1.
**
** Owns g_opt: reads the options files and the command line, assigns the file
** names of the DDNAMEs, builds the translation tables (with chars.cpp), loads
** and selects the operation code table, sets the TRACE mask and opens the
** SYSTERM file.  Every error writes one KZM0nnS line through vFrontWrite and
** makes iOptionsProcess return 20; the driver then terminates the run.
**
** Notes on the design:
**  - Order of the sources of options, each overriding the ones before it:
**    built-in defaults, vorn.ini in the program directory (must exist), the
**    files of the VORNINI list, the command line.
**  - One option is at most OPT_TEXT_MAX characters, one options-file line at
**    most OPT_LINE_MAX, one file name at most OPT_NAME_MAX; every buffer of
**    this module is bounded by these and longer input is reported, never
**    copied past the end.
**  - Strings owned by g_opt live in subpool 0 and are released by
**    vOptionCleanup, which also removes the temporary copy of standard input;
**    the driver calls it at the end of the run and on termination.
**  - An options-file line longer than OPT_RAW_LINE_MAX, or a file of more
**    than OPT_FILE_LINES_MAX lines, is an error: a device or a pipe without
**    end cannot keep the step reading.
**  - Before anything is written every SYSIN file must be readable and no
**    output may be one of the run's inputs or another output (file.h).
**  - The SYSTERM file is created last, so an error never leaves it behind.
**  - An option whose name is no option's is "invalid." with, when a valid
**    name is near (begun by it, or an edit or two away), "Did you mean"
**    and the option as it was likely meant.
*/
#include "asm0.h"

#include <cctype>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "chars.h"
#include "file.h"
#include "mem.h"
#include "opt.h"
#include "vorn.h"
#include "svc.h"

#define MEM_MODULE "asm0"

/* ---- messages ------------------------------------------------------------ */

#define MSG_BADCHAR "KZM001S Command line parameter %d contains an invalid character (X'%02X')."
#define MSG_OPTION_CMD "KZM002S Option %s in command line parameter %d %s"
#define MSG_OPTION_FILE "KZM002S Option %s in option file %s line %d %s"
#define MSG_MISSING_PAIR "KZM003S Missing %02X=%02X option."
#define MSG_MISSING_XX "KZM004S Missing %02X=xx option."
#define MSG_MISSING_XX_IN "KZM004S Missing %02X=xx option for file name %s."
#define MSG_TOO_LONG "KZM005S File name %s is too long."
#define MSG_READ_FILE "KZM006S Error reading options file %s: %s"
#define MSG_READ_STDIN "KZM006S Error reading stdin file: %s"
#define MSG_LINE_LONG "KZM006S Error reading options file %s: line %d is longer than %lu characters"
#define MSG_LINES_MANY "KZM006S Error reading options file %s: more than %lu lines"
#define MSG_SOURCE "KZM007S Cannot access source file %s"
#define MSG_TEMP "KZM008S Error creating temporary file %s: %s"
#define MSG_NO_SOURCE "KZM010S Missing source file name."
#define MSG_NO_SOURCE_IN "KZM010S Missing source file name (%s)."
#define MSG_USAGE_HINT "        Usage: vorn [options] source...   (vorn --help lists the options)"
#define MSG_ENV "KZM011S %s"
#define MSG_VORNLIB "KZM%sS VORNLIB environment variable %s."
#define MSG_SYSTERM "KZM900S Error creating SYSTERM file %s: %s"
#define MSG_SYSIN "KZM900S Error opening SYSIN file %s: %s"

/* Reasons of KZM002S. */
const char c_szInvalid[] = "is invalid.";
const char c_szUnbalanced[] = "contains unbalanced ()s.";
const char c_szBadParens[] = "contains invalid ()s.";
const char c_szIdrLong[] = "has an IDR string longer than 14 characters.";
const char c_szLineCount[] = "does not contain a LINECOUNT number of 0 or 10 to 32767.";
const char c_szTrace[] = "does not contain a TRACE number of 0 to 32767.";
const char c_szNoExtension[] = "has no file name extension.";
const char c_szQuote1[] = "contains mismatched quotes (').";
const char c_szQuote2[] = "contains mismatched quotes(\").";
const char c_szTooLong[] = "has a parameter string that is too long.";
#define MSG_NOT_ALNUM "'%c' is not an alphanumeric character."

/* Texts of the report and of the environment. */
const char c_szCommandLine[] = "Command Line";
const char c_szDefault[] = "(default)";
const char c_szStdinName[] = "(STDIN)";
#define VERSION_LINE "Velmora 390 Cross Assembler  -  version 1.2.00"
const char g_szVersionLine[] = VERSION_LINE;
const char c_szBanner[] = VERSION_LINE "\n"
                                       "System/390 assembler language, cross assembled on this host.\n";
const char c_szTranslator[] = "VORNASM   1200";

ASMOPTIONS g_opt;

namespace {

constexpr uint64_t SIZE_MAX_VALUE = 4294967295ull;
/* Without SIZE the work files keep 24 MiB in memory and continue on disk:
   a program of 800 000 statements then needs about 52 MiB, 61 MiB with its
   listing and cross reference, instead of some 100 MiB, and reads its
   spilled records back through a 64 KiB window at about the cost of the
   memory it saves.  SIZE(MAX) keeps everything in memory. */
constexpr uint64_t SIZE_DEFAULT_VALUE = 24ull << 20;
constexpr unsigned ASK_MAX = 100; /* front-end answers before giving up */

enum EXPAND { EX_OK, EX_NEEDS_SOURCE, EX_TOO_LONG };

struct KEPTNAME {
  KEPTNAME *pNext;
  char achName[1];
};

/* State of one option step beyond what g_opt shows. */
struct OPTSTATE {
  char *pszSysprintPat; /* file name patterns as given, or null */
  char *pszSyslinPat;
  char *pszSyspunchPat;
  char *pszSystermPat;
  char *pszDependPat;  /* DEPEND(file) as given, or null */
  char *pszSyslibList; /* SYSLIB(...) as given, or null */
  bool bNoSyslib;      /* NOSYSLIB: an empty library list */
  char *pszVornini;    /* copies of the environment */
  char *pszVornlib;
  KEPTNAME *pKept;            /* options file names shown as sources */
  const char *pszSource;      /* source of the option in hand */
  FILE *pStdin;               /* standard input of the run, or null */
  char achTemp[PATH_MAX + 1]; /* temporary copy of standard input */
  bool bTemp;
  char achTermName[PATH_MAX + 1]; /* SYSTERM name the driver shows */
  char achReason[64];
  char achHint[OPT_TEXT_MAX + 64]; /* "is invalid." with the name meant */
  char *pszScratch;                /* a joined list in the making; dropped on termination too */
};
OPTSTATE g_st = {};

/* ---- storage of strings ----------------------------------------------- */

char *pszSave(const char *p, size_t ulLen)
{
  char *psz = static_cast<char *>(SP_ALLOC(SP_HEAP, ulLen + 1));
  std::memcpy(psz, p, ulLen);
  return psz;
}

void vDrop(char *&rpsz)
{
  if (rpsz != nullptr) SP_FREE(SP_HEAP, rpsz);
  rpsz = nullptr;
}

void vSet(char *&rpsz, const char *psz)
{
  char *pszNew = pszSave(psz, std::strlen(psz));
  vDrop(rpsz);
  rpsz = pszNew;
}

void vDropList(char **&rapsz, uint32_t ulCount)
{
  if (rapsz == nullptr) return;
  for (uint32_t i = 0; i < ulCount; i++) vDrop(rapsz[i]);
  SP_FREE(SP_HEAP, rapsz);
  rapsz = nullptr;
}

void vAppend(char **&rapsz, uint32_t ulCount, const char *psz)
{
  rapsz = static_cast<char **>(SP_REALLOC(SP_HEAP, rapsz, ulCount * sizeof(char *), (ulCount + 1) * sizeof(char *)));
  rapsz[ulCount] = pszSave(psz, std::strlen(psz));
}

const char *pszKeepName(const char *pszName)
{
  size_t ulLen = std::strlen(pszName);
  KEPTNAME *pKept = static_cast<KEPTNAME *>(SP_ALLOC(SP_HEAP, sizeof(KEPTNAME) + ulLen));
  std::memcpy(pKept->achName, pszName, ulLen);
  pKept->pNext = g_st.pKept;
  g_st.pKept = pKept;
  return pKept->achName;
}

/* ---- small text helpers ------------------------------------------------ */

char cUpper(char c) { return static_cast<char>(g_abUpperAscii[static_cast<uint8_t>(c)]); }

bool bSameText(const char *p, size_t ulLen, const char *pszKey)
{
  size_t ulKey = std::strlen(pszKey);
  if (ulKey != ulLen) return false;
  for (size_t i = 0; i < ulLen; i++)
    if (cUpper(p[i]) != pszKey[i]) return false;
  return true;
}

bool bSame(const char *psz, const char *pszKey) { return bSameText(psz, std::strlen(psz), pszKey); }

bool bControl(uint8_t b) { return b < 0x20 || b == 0x7F; }

bool bAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

/* Decimal number of at most 10 digits, no sign; false when not one. */
bool bNumber(const char *p, size_t ulLen, uint64_t *pullValue)
{
  if (ulLen == 0 || ulLen > 10) return false;
  uint64_t ull = 0;
  for (size_t i = 0; i < ulLen; i++) {
    if (p[i] < '0' || p[i] > '9') return false;
    ull = ull * 10 + static_cast<uint64_t>(p[i] - '0');
  }
  *pullValue = ull;
  return true;
}

bool bNumberIn(const char *psz, uint64_t ullMin, uint64_t ullMax, uint32_t *pulValue)
{
  uint64_t ull = 0;
  if (!bNumber(psz, std::strlen(psz), &ull) || ull < ullMin || ull > ullMax) return false;
  *pulValue = static_cast<uint32_t>(ull);
  return true;
}

/* Removes one pair of enclosing quotes; inside single quotes '' is one. */
void vUnquote(char *psz)
{
  size_t ulLen = std::strlen(psz);
  if (ulLen < 2 || (psz[0] != '\'' && psz[0] != '"') || psz[ulLen - 1] != psz[0]) return;
  char cQuote = psz[0];
  size_t j = 0;
  for (size_t i = 1; i + 1 < ulLen; i++) {
    psz[j++] = psz[i];
    if (cQuote == '\'' && psz[i] == '\'' && psz[i + 1] == '\'' && i + 2 < ulLen) i++;
  }
  psz[j] = '\0';
}

/* Calls pfn for each comma-separated item; stops at the first error. */
template <typename F> const char *pszEachItem(const char *psz, F pfn)
{
  for (;;) {
    const char *pszComma = std::strchr(psz, ',');
    size_t ulLen = pszComma != nullptr ? static_cast<size_t>(pszComma - psz) : std::strlen(psz);
    if (ulLen == 0) return c_szInvalid;
    if (const char *pszError = pfn(psz, ulLen)) return pszError;
    if (pszComma == nullptr) return nullptr;
    psz = pszComma + 1;
  }
}

/* A name of 1 to ulMax letters and digits; null or the reason. */
const char *pszCheckName(const char *p, size_t ulLen, size_t ulMax)
{
  for (size_t i = 0; i < ulLen; i++)
    if (!bAlnum(p[i])) {
      std::snprintf(g_st.achReason, sizeof g_st.achReason, MSG_NOT_ALNUM, p[i]);
      return g_st.achReason;
    }
  return ulLen > ulMax ? c_szTooLong : nullptr;
}

} // namespace

/* ---- FLAG sub-options -------------------------------------------------- */

namespace {

/* A sub-option clears ulMask and sets ulSet; its NO form clears ulMask. */
struct FLAGSUB {
  const char *pszName;
  uint32_t ulMask;
  uint32_t ulSet;
  bool bNoForm;
};

const FLAGSUB c_aFlagSub[] = {
    {"SUBSTR", FLAG_SUBSTR, FLAG_SUBSTR, true},
    {"CONT", FLAG_CONT, FLAG_CONT, true},
    {"RECORD", FLAG_RECORD, FLAG_RECORD, true},
    {"ALIGN", FLAG_ALIGN, FLAG_ALIGN, true},
    {"RENT", FLAG_RENT, FLAG_RENT, true},
    {"USINGDUP", FLAG_USINGDUP, FLAG_USINGDUP, true},
    {"USINGZERO", FLAG_USINGZERO, FLAG_USINGZERO, true},
    {"USINGMULT", FLAG_USINGMULT, FLAG_USINGMULT, true},
    {"WARN0", FLAG_WARN0, FLAG_WARN0, true},
    {"RA2", FLAG_RA, FLAG_RA2, true},
    {"RA3", FLAG_RA, FLAG_RA3, true},
    {"RA3ANY", FLAG_RA, FLAG_RA3ANY, true},
    {"TRUNC", FLAG_TRUNC, FLAG_TRUNC, true},
    {"INDEX", FLAG_INDEX, FLAG_INDEX, true},
    {"REFPSA", FLAG_REFPSA | FLAG_MODPSA, FLAG_REFPSA, true},
    {"MODPSA", FLAG_REFPSA | FLAG_MODPSA, FLAG_MODPSA, true},
    {"BRPSA", FLAG_BRPSA, FLAG_BRPSA, true},
    {"DECIMAL", FLAG_DECIMAL, FLAG_DECIMAL, true},
    {"NOLINT", FLAG_LINT, 0, false},
};

const char *pszFlagItem(const char *p, size_t ulLen, uint32_t *pulFlag)
{
  uint64_t ullThreshold = 0;
  if (p[0] >= '0' && p[0] <= '9') {
    if (!bNumber(p, ulLen, &ullThreshold) || ullThreshold > FLAG_THRESHOLD) return c_szInvalid;
    *pulFlag = (*pulFlag & ~FLAG_THRESHOLD) | static_cast<uint32_t>(ullThreshold);
    return nullptr;
  }
  bool bNo = ulLen > 2 && cUpper(p[0]) == 'N' && cUpper(p[1]) == 'O';
  for (const FLAGSUB &sub : c_aFlagSub) {
    if (bSameText(p, ulLen, sub.pszName)) {
      *pulFlag = (*pulFlag & ~sub.ulMask) | sub.ulSet;
      return nullptr;
    }
    if (bNo && sub.bNoForm && bSameText(p + 2, ulLen - 2, sub.pszName)) {
      *pulFlag &= ~sub.ulMask;
      return nullptr;
    }
  }
  return c_szInvalid;
}

} // namespace

const char *pszFlagParse(const char *pszList, size_t ulLen, uint32_t *pulFlag)
{
  char achList[OPT_TEXT_MAX + 1];
  if (ulLen > OPT_TEXT_MAX) return c_szTooLong;
  std::memcpy(achList, pszList, ulLen);
  achList[ulLen] = '\0';
  uint32_t ulFlag = *pulFlag;
  const char *pszError =
      pszEachItem(achList, [&](const char *p, size_t ulItem) { return pszFlagItem(p, ulItem, &ulFlag); });
  if (pszError == nullptr) *pulFlag = ulFlag;
  return pszError;
}

/* ---- value handlers ------------------------------------------------------ */

namespace {

/* A keyword value: its text and the number it stands for. */
struct VALUENAME {
  const char *pszName;
  uint32_t ulValue;
};

template <size_t N> bool bLookup(const VALUENAME (&aNames)[N], const char *p, size_t ulLen, uint32_t *pulValue)
{
  for (const VALUENAME &name : aNames)
    if (bSameText(p, ulLen, name.pszName)) {
      *pulValue = name.ulValue;
      return true;
    }
  return false;
}

const char *hFlag(char *psz) { return pszFlagParse(psz, std::strlen(psz), &g_opt.ulFlag); }

const char *hIdr(char *psz)
{
  vUnquote(psz);
  if (*psz == '\0') return c_szInvalid;
  if (std::strlen(psz) > 14) return c_szIdrLong;
  vSet(g_opt.pszIdr, psz);
  return nullptr;
}

const char *hLanguage(char *psz)
{
  if (!bSame(psz, "EN")) return c_szInvalid;
  std::strcpy(g_opt.achLanguage, "EN");
  return nullptr;
}

const char *hText(char *psz, char *&rpszField, size_t ulMax, bool bEmptyOk)
{
  vUnquote(psz);
  if (*psz == '\0' && !bEmptyOk) return c_szInvalid;
  if (std::strlen(psz) > ulMax) return c_szTooLong;
  vSet(rpszField, psz);
  return nullptr;
}

const char *hLibExit(char *psz) { return hText(psz, g_opt.pszLibExit, OPT_TEXT_MAX, false); }
const char *hSysparm(char *psz) { return hText(psz, g_opt.pszSysparm, OPT_TEXT_MAX, true); }
const char *hSystemId(char *psz) { return hText(psz, g_opt.pszSystemId, 14, false); }

const char *hLineCount(char *psz)
{
  uint32_t ul = 0;
  if (!bNumberIn(psz, 0, 32767, &ul) || (ul > 0 && ul < 10)) return c_szLineCount;
  g_opt.ulLineCount = ul;
  return nullptr;
}

const char *hLineWidth(char *psz)
{
  static const VALUENAME c_aForms[] = {{"NL", LW_NL}, {"CR", LW_CR}, {"LF", LW_LF}, {"V", LW_V}};
  uint32_t ul = 0;
  if (!bLookup(c_aForms, psz, std::strlen(psz), &ul) && !bNumberIn(psz, LW_V + 1, 255, &ul)) return c_szInvalid;
  g_opt.ulLineForm = ul;
  return nullptr;
}

/* A value holding '.' names the file of the option's DDNAME; the DDNAME's
   record then shows it as if given as keyword(file). */
bool bFileValue(const char *psz, OPTID id, const char *pszKeyword, char *&rpszPattern)
{
  if (std::strchr(psz, '.') == nullptr) return false;
  vSet(rpszPattern, psz);
  OPTRECORD &rec = g_opt.aOpt[id];
  size_t ulSize = std::strlen(pszKeyword) + std::strlen(psz) + 3;
  vDrop(rec.pszValue);
  rec.pszValue = static_cast<char *>(SP_ALLOC(SP_HEAP, ulSize));
  std::snprintf(rec.pszValue, ulSize, "%s(%s)", pszKeyword, psz);
  rec.pszSource = g_st.pszSource;
  return true;
}

const char *hList(char *psz)
{
  uint32_t ulWidth = 121;
  if (!bFileValue(psz, OPT_SYSPRINT, "SYSPRINT", g_st.pszSysprintPat) && !bSame(psz, "121")) {
    if (!bSame(psz, "133")) return c_szInvalid;
    ulWidth = 133;
  }
  g_opt.bList = true;
  g_opt.ulListWidth = ulWidth;
  return nullptr;
}

const char *hObject(char *psz)
{
  static const VALUENAME c_aForms[] = {{"OMF", OBJ_OMF}, {"DECK", OBJ_DECK}};
  uint32_t ul = 0;
  if (bFileValue(psz, OPT_SYSLIN, "SYSLIN", g_st.pszSyslinPat)) {
    g_opt.bObject = OBJ_OMF;
    return nullptr;
  }
  if (!bLookup(c_aForms, psz, std::strlen(psz), &ul)) return c_szInvalid;
  g_opt.bObject = static_cast<uint8_t>(ul);
  return nullptr;
}

const char *hTerm(char *psz)
{
  static const VALUENAME c_aTerm[] = {{"BOTH", TERM_PREFIX}, {"NOPREFIX", 0}, {"UPPER", TERM_UPPER}, {"GNU", TERM_GNU}};
  if (bFileValue(psz, OPT_SYSTERM, "SYSTERM", g_st.pszSystermPat)) {
    g_opt.bTerm = TERM_ON | TERM_PREFIX;
    return nullptr;
  }
  uint8_t bTerm = TERM_ON | TERM_PREFIX;
  const char *pszError = pszEachItem(psz, [&](const char *p, size_t ulLen) -> const char * {
    uint32_t ul = 0;
    if (!bLookup(c_aTerm, p, ulLen, &ul)) return c_szInvalid;
    if (ul == 0) bTerm &= static_cast<uint8_t>(~TERM_PREFIX);
    bTerm |= static_cast<uint8_t>(ul);
    return nullptr;
  });
  if (pszError == nullptr) g_opt.bTerm = bTerm;
  return pszError;
}

const char *hMxref(char *psz)
{
  static const VALUENAME c_aMx[] = {
      {"SOURCE", MXREF_SOURCE}, {"XREF", MXREF_XREF}, {"FULL", MXREF_SOURCE | MXREF_XREF}};
  uint8_t b = 0;
  const char *pszError = pszEachItem(psz, [&](const char *p, size_t ulLen) -> const char * {
    uint32_t ul = 0;
    if (!bLookup(c_aMx, p, ulLen, &ul)) return c_szInvalid;
    b |= static_cast<uint8_t>(ul);
    return nullptr;
  });
  if (pszError == nullptr) g_opt.bMxref = b;
  return pszError;
}

const char *hXref(char *psz)
{
  static const VALUENAME c_aX[] = {{"FULL", XREF_FULL}, {"SHORT", XREF_SHORT}, {"UNREFS", XREF_UNREFS}};
  uint8_t b = 0;
  const char *pszError = pszEachItem(psz, [&](const char *p, size_t ulLen) -> const char * {
    uint32_t ul = 0;
    if (!bLookup(c_aX, p, ulLen, &ul)) return c_szInvalid;
    if (ul != XREF_UNREFS) b &= static_cast<uint8_t>(~(XREF_FULL | XREF_SHORT)); /* FULL and SHORT exclude each other */
    b |= static_cast<uint8_t>(ul);
    return nullptr;
  });
  if (pszError == nullptr) g_opt.bXref = b;
  return pszError;
}

const char *hOptable(char *psz)
{
  static const VALUENAME c_aTables[] = {{"UNI", OPTABLE_UNI}, {"ASM", OPTABLE_ASM}, {"370", OPTABLE_370},
                                        {"DOS", OPTABLE_DOS}, {"XA", OPTABLE_XA},   {"ESA", OPTABLE_ESA}};
  uint32_t ul = 0;
  if (!bLookup(c_aTables, psz, std::strlen(psz), &ul)) return c_szInvalid;
  g_opt.bOptable = static_cast<uint8_t>(ul);
  for (size_t i = 0; i < sizeof g_opt.achOptable; i++) g_opt.achOptable[i] = psz[i] != '\0' ? cUpper(psz[i]) : '\0';
  g_opt.achOptable[sizeof g_opt.achOptable - 1] = '\0';
  return nullptr;
}

const char *hPcontrol(char *psz)
{
  static const VALUENAME c_aBits[] = {{"ON", PRT_ON},         {"DATA", PRT_DATA},   {"GEN", PRT_GEN},
                                      {"MCALL", PRT_MCALL},   {"MC", PRT_MCALL},    {"MSOURCE", PRT_MSOURCE},
                                      {"MS", PRT_MSOURCE},    {"UHEAD", PRT_UHEAD}, {"UH", PRT_UHEAD},
                                      {"LIBMAC", PRT_LIBMAC}, {"LM", PRT_LIBMAC}};
  uint8_t bForced = g_opt.bPrintForced, bAllowed = g_opt.bPrintAllowed;
  const char *pszError = pszEachItem(psz, [&](const char *p, size_t ulLen) -> const char * {
    uint32_t ul = 0;
    bool bOff = bSameText(p, ulLen, "OFF");
    if (bOff) {
      ul = PRT_ON;
    } else if (!bLookup(c_aBits, p, ulLen, &ul)) {
      /* NO forms of all but ON */
      bOff = ulLen > 2 && cUpper(p[0]) == 'N' && cUpper(p[1]) == 'O' && bLookup(c_aBits, p + 2, ulLen - 2, &ul) &&
             ul != PRT_ON;
      if (!bOff) return c_szInvalid;
    }
    if (bOff) {
      bForced &= static_cast<uint8_t>(~ul);
      bAllowed &= static_cast<uint8_t>(~ul);
    } else {
      bForced |= static_cast<uint8_t>(ul);
      bAllowed |= static_cast<uint8_t>(ul);
    }
    return nullptr;
  });
  if (pszError == nullptr) {
    g_opt.bPrintForced = bForced;
    g_opt.bPrintAllowed = bAllowed;
  }
  return pszError;
}

const char *hPrintctl(char *psz)
{
  static const VALUENAME c_aCtl[] = {{"NL", PC_NL}, {"FF", PC_FF}, {"HP", PC_HP}, {"ASA", PC_ASA}};
  uint32_t ul = 0;
  if (!bLookup(c_aCtl, psz, std::strlen(psz), &ul)) return c_szInvalid;
  g_opt.bPrintCtl = static_cast<uint8_t>(ul);
  return nullptr;
}

/* A PROCESS sub-option that is none of the named switches: any name of one
   to five letters or digits stands for the fourth switch; "N" and "NO"
   alone are only the negation prefix. */
bool bFourthSwitchName(const char *p, size_t ulLen)
{
  if (ulLen == 0 || ulLen > 5 || bSameText(p, ulLen, "N") || bSameText(p, ulLen, "NO")) return false;
  for (size_t i = 0; i < ulLen; i++)
    if (!std::isalnum(static_cast<unsigned char>(p[i]))) return false;
  return true;
}

/* The switch a sub-option names, in *pul; false when it names none. */
bool bProcessSwitch(const char *p, size_t ulLen, uint32_t *pul)
{
  static const VALUENAME c_aSwitches[] = {{"BATCH", PROC_BATCH}, {"JCL", PROC_JCL}, {"VORN", PROC_VORN}};
  if (bLookup(c_aSwitches, p, ulLen, pul)) return true;
  *pul = PROC_CICS;
  return bFourthSwitchName(p, ulLen);
}

const char *hProcess(char *psz)
{
  uint32_t ulProcess = g_opt.ulProcess;
  const char *pszError = pszEachItem(psz, [&](const char *p, size_t ulLen) -> const char * {
    uint32_t ul = 0;
    /* negated by a leading NO or N */
    if (ulLen > 1 && cUpper(p[0]) == 'N' && !bSameText(p, ulLen, "NO")) {
      size_t ulSkip = ulLen > 2 && cUpper(p[1]) == 'O' ? 2 : 1;
      if (bProcessSwitch(p + ulSkip, ulLen - ulSkip, &ul)) {
        ulProcess &= ~ul;
        return nullptr;
      }
    }
    if (!bProcessSwitch(p, ulLen, &ul)) return c_szInvalid;
    ulProcess |= ul;
    return nullptr;
  });
  if (pszError == nullptr) g_opt.ulProcess = ulProcess;
  return pszError;
}

const char *hSize(char *psz)
{
  size_t ulLen = std::strlen(psz);
  if (bSame(psz, "MAX")) {
    g_opt.ullSize = SIZE_MAX_VALUE;
    return nullptr;
  }
  uint64_t ullUnit = 1, ull = 0;
  if (ulLen > 1 && cUpper(psz[ulLen - 1]) == 'K') ullUnit = 1024;
  if (ulLen > 1 && cUpper(psz[ulLen - 1]) == 'M') ullUnit = 1024 * 1024;
  if (ullUnit != 1) ulLen--;
  if (!bNumber(psz, ulLen, &ull) || ull * ullUnit > SIZE_MAX_VALUE) return c_szInvalid;
  g_opt.ullSize = ull * ullUnit;
  return nullptr;
}

const char *hSourceExt(char *psz)
{
  if (*psz == '.') psz++;
  if (*psz == '\0') return c_szNoExtension;
  if (const char *pszError = pszCheckName(psz, std::strlen(psz), 32)) return pszError;
  vSet(g_opt.pszSourceExt, psz);
  return nullptr;
}

/* SYMNAME and XOPTS: lists of names kept for the Parts that use them. */
const char *hNameList(char *psz, char *&rpszField)
{
  const char *pszError = pszEachItem(psz, [](const char *p, size_t ulLen) { return pszCheckName(p, ulLen, 31); });
  if (pszError == nullptr) vSet(rpszField, psz);
  return pszError;
}

const char *hSymname(char *psz) { return hNameList(psz, g_opt.pszSymname); }
const char *hXopts(char *psz) { return hNameList(psz, g_opt.pszXopts); }

const char *hPattern(char *psz, char *&rpszPattern)
{
  if (*psz == '\0') return c_szInvalid;
  vSet(rpszPattern, psz);
  return nullptr;
}

const char *hSyslib(char *psz)
{
  g_st.bNoSyslib = false;
  return hPattern(psz, g_st.pszSyslibList);
}
const char *hSyslin(char *psz) { return hPattern(psz, g_st.pszSyslinPat); }
const char *hDepend(char *psz)
{
  g_opt.bDepend = true;
  return hPattern(psz, g_st.pszDependPat);
}
const char *hSysprint(char *psz) { return hPattern(psz, g_st.pszSysprintPat); }
const char *hSyspunch(char *psz) { return hPattern(psz, g_st.pszSyspunchPat); }
const char *hSysterm(char *psz) { return hPattern(psz, g_st.pszSystermPat); }

const char *hTest(char *psz)
{
  if (!bSame(psz, "ALL")) return c_szInvalid;
  g_opt.bTest = TEST_ALL;
  return nullptr;
}

const char *hTrace(char *psz)
{
  uint32_t ul = 0;
  if (!bNumberIn(psz, 0, 32767, &ul)) return c_szTrace;
  g_opt.ulTrace = ul;
  return nullptr;
}

const char *hUsingLimit(char *psz)
{
  uint32_t ul = 0;
  if (!bNumberIn(psz, 0, 4095, &ul)) return c_szInvalid;
  g_opt.bUsingLimit = true;
  g_opt.ulUsingLimit = ul;
  return nullptr;
}

/* ---- the option table --------------------------------------------------- */

enum : uint8_t {
  F_BARE = 0x01,   /* the keyword (and its short form) alone switches on */
  F_NO = 0x02,     /* NO + keyword switches off */
  F_NSHORT = 0x04, /* N + short form switches off */
  F_VALUE = 0x08,  /* keyword(value) */
  F_PARENS = 0x10, /* the value may hold balanced parentheses */
};

struct OPTDEF {
  const char *pszName;    /* mixed case; the capitals spell the short form */
  const char *pszDefault; /* as the report shows it, or null */
  uint8_t fForms;
  const char *(*pfnValue)(char *psz);
  void (*pfnSwitch)(bool bOn);
};

const OPTDEF c_aOptDef[OPT_COUNT] = {
    {"Align", "ALIGN", F_BARE | F_NO | F_NSHORT, nullptr, [](bool b) { g_opt.bAlign = b; }},
    {"DEPend", "NODEPEND", F_BARE | F_NO | F_NSHORT | F_VALUE | F_PARENS, hDepend,
     [](bool b) {
       g_opt.bDepend = b;
       if (!b) vDrop(g_st.pszDependPat);
     }},
    {"DXref", "DXREF", F_BARE | F_NO | F_NSHORT, nullptr, [](bool b) { g_opt.bDxref = b; }},
    {"Esd", "ESD", F_BARE | F_NO | F_NSHORT, nullptr, [](bool b) { g_opt.bEsd = b; }},
    {"Flag", "FLAG(0)", F_VALUE, hFlag, nullptr},
    {"FOld", "NOFOLD", F_BARE | F_NO | F_NSHORT, nullptr, [](bool b) { g_opt.bFold = b; }},
    {"IDR", nullptr, F_NO | F_VALUE | F_PARENS, hIdr, [](bool) { vDrop(g_opt.pszIdr); }},
    {"LAnguage", "LANGUAGE(EN)", F_VALUE, hLanguage, nullptr},
    {"LibExit", nullptr, F_NO | F_NSHORT | F_VALUE | F_PARENS, hLibExit, [](bool) { vDrop(g_opt.pszLibExit); }},
    {"LineCount", "LINECOUNT(60)", F_NO | F_NSHORT | F_VALUE, hLineCount, [](bool) { g_opt.ulLineCount = 0; }},
    {"LineWidth", "LINEWIDTH(NL)", F_VALUE, hLineWidth, nullptr},
    {"List", "LIST(121)", F_NO | F_VALUE | F_PARENS, hList, [](bool) { g_opt.bList = false; }},
    {"MXref", "MXREF(SOURCE)", F_NO | F_NSHORT | F_VALUE, hMxref, [](bool) { g_opt.bMxref = 0; }},
    {"Object", "NOOBJECT", F_NO | F_NSHORT | F_VALUE | F_PARENS, hObject, [](bool) { g_opt.bObject = OBJ_NONE; }},
    {"OPtable", "OPTABLE(UNI)", F_VALUE, hOptable, nullptr},
    {"PControl", nullptr, F_NO | F_NSHORT | F_VALUE, hPcontrol,
     [](bool) {
       g_opt.bPrintForced = 0;
       g_opt.bPrintAllowed = 0xFF;
     }},
    {"PRintctl", "PRINTCTL(FF)", F_NO | F_NSHORT | F_VALUE, hPrintctl, [](bool) { g_opt.bPrintCtl = PC_NL; }},
    {"ProcesS", "PROCESS(NOBATCH,VORN)", F_VALUE, hProcess, nullptr},
    {"RLd", "RLD", F_BARE | F_NO | F_NSHORT, nullptr, [](bool b) { g_opt.bRld = b; }},
    {"SiZe", "SIZE(24M)", F_VALUE, hSize, nullptr},
    {"SourceExt", "SOURCEEXT(390)", F_NO | F_NSHORT | F_VALUE, hSourceExt, [](bool) { vDrop(g_opt.pszSourceExt); }},
    {"SYmname", nullptr, F_NO | F_NSHORT | F_VALUE, hSymname, [](bool) { vDrop(g_opt.pszSymname); }},
    {"SysLib", "SYSLIB(&D*.MAC)", F_NO | F_NSHORT | F_VALUE | F_PARENS, hSyslib,
     [](bool) {
       vDrop(g_st.pszSyslibList);
       g_st.bNoSyslib = true;
     }},
    {"SysliN", "SYSLIN(&D&F.obj)", F_VALUE | F_PARENS, hSyslin, nullptr},
    {"SysParm", nullptr, F_NO | F_NSHORT | F_VALUE | F_PARENS, hSysparm, [](bool) { vDrop(g_opt.pszSysparm); }},
    {"SysprinT", "SYSPRINT(&D&F.lst)", F_VALUE | F_PARENS, hSysprint, nullptr},
    {"SyspuncH", "SYSPUNCH(&D&F.txt)", F_VALUE | F_PARENS, hSyspunch, nullptr},
    {"SystemId", nullptr, F_NO | F_NSHORT | F_VALUE | F_PARENS, hSystemId, [](bool) { vDrop(g_opt.pszSystemId); }},
    {"SysterM", nullptr, F_NO | F_NSHORT | F_VALUE | F_PARENS, hSysterm, [](bool) { vDrop(g_st.pszSystermPat); }},
    {"Term", "TERM(BOTH)", F_NO | F_NSHORT | F_VALUE | F_PARENS, hTerm, [](bool) { g_opt.bTerm = 0; }},
    {"TEst", "NOTEST", F_BARE | F_NO | F_NSHORT | F_VALUE, hTest, [](bool b) { g_opt.bTest = b ? TEST_ON : TEST_OFF; }},
    {"TRACE", "TRACE(0)", F_VALUE, hTrace, nullptr},
    {"UsingLimit", nullptr, F_NO | F_NSHORT | F_VALUE, hUsingLimit,
     [](bool) {
       g_opt.bUsingLimit = false;
       g_opt.ulUsingLimit = 4095;
     }},
    {"UsingMap", "USINGMAP", F_BARE | F_NO | F_NSHORT, nullptr, [](bool b) { g_opt.bUsingMap = b; }},
    {"XOpts", nullptr, F_VALUE, hXopts, nullptr},
    {"Xref", "XREF(UNREFS)", F_BARE | F_NO | F_NSHORT | F_VALUE, hXref,
     [](bool b) { g_opt.bXref = b ? XREF_UNREFS : 0; }},
};

/* Options that stand for another option. */
struct ALIAS {
  const char *pszAlias;
  const char *pszMeaning;
};

const ALIAS c_aAlias[] = {
    {"ASA", "PRINTCTL(ASA)"},
    {"NOASA", "NOPRINTCTL"},
    {"RA2", "FLAG(RA2)"},
    {"NORA2", "FLAG(NORA2)"},
    {"BATCH", "PROCESS(BATCH)"},
    {"NOBATCH", "PROCESS(NOBATCH)"},
    {"DECK", "OBJECT(DECK)"},
    {"NODECK", "NOOBJECT"},
    {"LIBMAC", "PCONTROL(LIBMAC)"},
    {"NOLIBMAC", "PCONTROL(NOLIBMAC)"},
    {"L", "LIST(121)"},
    {"LIST", "LIST(121)"},
    {"MX", "MXREF(SOURCE)"},
    {"MXREF", "MXREF(SOURCE)"},
    {"O", "OBJECT(OMF)"},
    {"OBJECT", "OBJECT(OMF)"},
    {"RENT", "FLAG(RENT)"},
    {"NORENT", "FLAG(NORENT)"},
    {"T", "TERM(BOTH)"},
    {"TERM", "TERM(BOTH)"},
    {"NOTERMREC", "TERM(NOPREFIX)"},
    {"NTR", "TERM(NOPREFIX)"},
};

/* The short form of an option: the capitals of its name. */
void vShortForm(const char *pszName, char *pszShort)
{
  for (; *pszName != '\0'; pszName++)
    if (*pszName >= 'A' && *pszName <= 'Z') *pszShort++ = *pszName;
  *pszShort = '\0';
}

void vLongForm(const char *pszName, char *pszLong)
{
  for (; *pszName != '\0'; pszName++) *pszLong++ = cUpper(*pszName);
  *pszLong = '\0';
}

/* Whether p[0..ulLen) names the option, with an optional prefix. */
bool bNames(const char *p, size_t ulLen, const char *pszPrefix, const char *pszName)
{
  size_t ulPrefix = std::strlen(pszPrefix);
  if (ulLen < ulPrefix) return false;
  for (size_t i = 0; i < ulPrefix; i++)
    if (cUpper(p[i]) != pszPrefix[i]) return false;
  return bSameText(p + ulPrefix, ulLen - ulPrefix, pszName);
}

/* Finds the keyword p[0..ulLen): an option and whether it is a NO form or
   takes a value; -1 when there is none. */
int iKeyword(const char *p, size_t ulLen, bool bValue, bool *pbNo)
{
  for (unsigned i = 0; i < OPT_COUNT; i++) {
    const OPTDEF &def = c_aOptDef[i];
    char achLong[16], achShort[16];
    vLongForm(def.pszName, achLong);
    vShortForm(def.pszName, achShort);
    bool bName = bNames(p, ulLen, "", achLong) || bNames(p, ulLen, "", achShort);
    if (bValue) {
      if ((def.fForms & F_VALUE) != 0 && bName) return static_cast<int>(i);
      continue;
    }
    *pbNo = false;
    if ((def.fForms & F_BARE) != 0 && bName) return static_cast<int>(i);
    *pbNo = true;
    if ((def.fForms & F_NO) != 0 && bNames(p, ulLen, "NO", achLong)) return static_cast<int>(i);
    if ((def.fForms & F_NSHORT) != 0 && bNames(p, ulLen, "N", achShort)) return static_cast<int>(i);
  }
  return -1;
}

/* ---- the name meant by an unknown one ------------------------------------ */

/* Edits that turn a into b: insertions, deletions, replacements and
   swaps of two neighbours, each counting one. */
size_t ulEditDistance(const std::string &a, const std::string &b)
{
  std::vector<size_t> aulPrev2(b.size() + 1), aulPrev(b.size() + 1), aulRow(b.size() + 1);
  for (size_t j = 0; j <= b.size(); j++) aulPrev[j] = j;
  for (size_t i = 1; i <= a.size(); i++) {
    aulRow[0] = i;
    for (size_t j = 1; j <= b.size(); j++) {
      size_t ulCost = a[i - 1] == b[j - 1] ? 0 : 1;
      aulRow[j] = std::min({aulPrev[j] + 1, aulRow[j - 1] + 1, aulPrev[j - 1] + ulCost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        aulRow[j] = std::min(aulRow[j], aulPrev2[j - 2] + 1);
    }
    std::swap(aulPrev2, aulPrev);
    std::swap(aulPrev, aulRow);
  }
  return aulPrev[b.size()];
}

/* A name an option may be given by, and how a hint shows it. */
struct OPTNAME {
  std::string strName, strShown;
};

/* Every name an option may be given by, the aliases first and then in
   table order: bValue asks for the names that take a value, else for the
   ones that stand alone and for the names that need a value, shown with
   "(...)" after them. */
std::vector<OPTNAME> aOptionNames(bool bValue)
{
  std::vector<OPTNAME> a;
  auto vAdd = [&](const std::string &str, bool bNeedsValue) { a.push_back({str, bNeedsValue ? str + "(...)" : str}); };
  if (!bValue) /* first: OBJECT alone is a name, before OBJECT(...) */
    for (const ALIAS &alias : c_aAlias) vAdd(alias.pszAlias, false);
  for (const OPTDEF &def : c_aOptDef) {
    char achLong[16], achShort[16];
    vLongForm(def.pszName, achLong);
    vShortForm(def.pszName, achShort);
    bool bAlone = (def.fForms & F_BARE) != 0;
    if (bValue ? (def.fForms & F_VALUE) != 0 : true) {
      vAdd(achLong, !bValue && !bAlone);
      vAdd(achShort, !bValue && !bAlone);
    }
    if (bValue) continue;
    if ((def.fForms & F_NO) != 0) vAdd(std::string("NO") + achLong, false);
    if ((def.fForms & F_NSHORT) != 0) vAdd(std::string("N") + achShort, false);
  }
  return a;
}

/* The valid name nearest to an unknown one, as a hint shows it: a name it
   begins (at least two letters of it, the fewest left out), else the one
   the fewest edits away, within one edit for names of 3 to 6 letters and
   two for longer ones; empty when none is that near. */
std::string strNearestName(const std::string &strName, bool bValue)
{
  std::string strBest;
  size_t ulBest = SIZE_MAX, ulBestRest = SIZE_MAX;
  size_t ulNear = strName.size() <= 2 ? 0 : strName.size() <= 6 ? 1 : 2;
  for (const OPTNAME &valid : aOptionNames(bValue)) {
    const std::string &str = valid.strName;
    bool bBegins = strName.size() >= 2 && str.size() > strName.size() && str.starts_with(strName);
    size_t ulDistance = bBegins ? 0 : ulEditDistance(strName, str);
    size_t ulRest = bBegins ? str.size() - strName.size() : 0;
    if (ulDistance < ulBest || (ulDistance == ulBest && ulRest < ulBestRest)) {
      strBest = valid.strShown;
      ulBest = ulDistance;
      ulBestRest = ulRest;
    }
  }
  return ulBest <= ulNear ? strBest : std::string();
}

/* The reason for an option whose name (psz[0..ulName)) is no option's:
   "is invalid.", and the option as it was likely meant when a valid name is
   near, with what follows the name kept. */
const char *pszUnknownName(const char *psz, size_t ulName)
{
  std::string strName;
  for (size_t i = 0; i < ulName; i++) strName += cUpper(psz[i]);
  std::string strMeant = ulName > 0 ? strNearestName(strName, psz[ulName] == '(') : std::string();
  if (strMeant.empty()) return c_szInvalid;
  std::snprintf(g_st.achHint, sizeof g_st.achHint, "%s Did you mean %s%s?", c_szInvalid, strMeant.c_str(),
                psz + ulName);
  return g_st.achHint;
}

/* ---- one option ---------------------------------------------------------- */

int iOptionError(const char *pszText, const char *pszFile, int iPos, const char *pszReason)
{
  if (pszFile != nullptr)
    vSvcMessage(MSG_OPTION_FILE, pszText, pszFile, iPos, pszReason);
  else
    vSvcMessage(MSG_OPTION_CMD, pszText, iPos, pszReason);
  return 20;
}

int iHexDigit(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  c = cUpper(c);
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

/* "hh=hh" adds a pair, "hh=" removes one; null or the reason. */
const char *pszPairOption(const char *psz, size_t ulLen)
{
  int iHi = iHexDigit(psz[0]), iLo = iHexDigit(psz[1]);
  if (iHi < 0 || iLo < 0) return c_szInvalid;
  uint8_t bAscii = static_cast<uint8_t>(iHi << 4 | iLo);
  if (ulLen == 3) return iCharsRemove(bAscii) == CP_OK ? nullptr : c_szInvalid;
  iHi = iHexDigit(psz[3]);
  iLo = iHexDigit(psz[4]);
  if (iHi < 0 || iLo < 0) return c_szInvalid;
  return iCharsPair(bAscii, static_cast<uint8_t>(iHi << 4 | iLo)) == CP_OK ? nullptr : c_szInvalid;
}

/* Quotes must close; parentheses outside quotes must balance.  Sets *pulOpen
   to the first '(' outside quotes (or the length). */
const char *pszSyntax(const char *psz, size_t *pulOpen)
{
  char cQuote = '\0';
  int iDepth = 0;
  size_t ulLen = std::strlen(psz);
  *pulOpen = ulLen;
  for (size_t i = 0; i < ulLen; i++) {
    char c = psz[i];
    if (cQuote != '\0') {
      if (c == cQuote) cQuote = '\0';
    } else if (c == '\'' || c == '"') {
      cQuote = c;
    } else if (c == '(') {
      if (*pulOpen == ulLen) *pulOpen = i;
      iDepth++;
    } else if (c == ')') {
      if (--iDepth < 0) return c_szUnbalanced;
    }
  }
  if (cQuote == '\'') return c_szQuote1;
  if (cQuote == '"') return c_szQuote2;
  return iDepth != 0 ? c_szUnbalanced : nullptr;
}

void vRecord(unsigned uOpt, const char *pszText)
{
  vSet(g_opt.aOpt[uOpt].pszValue, pszText);
  g_opt.aOpt[uOpt].pszSource = g_st.pszSource;
}

/* Parses an option after alias expansion; null or the reason. */
const char *pszOption(char *psz)
{
  size_t ulOpen = 0;
  if (const char *pszError = pszSyntax(psz, &ulOpen)) return pszError;
  size_t ulLen = std::strlen(psz);
  bool bNo = false;
  if (ulOpen == ulLen) {
    int iOpt = iKeyword(psz, ulLen, false, &bNo);
    if (iOpt < 0) return iKeyword(psz, ulLen, true, &bNo) >= 0 ? c_szInvalid : pszUnknownName(psz, ulLen);
    c_aOptDef[iOpt].pfnSwitch(!bNo);
    vRecord(static_cast<unsigned>(iOpt), psz);
    return nullptr;
  }
  int iOpt = iKeyword(psz, ulOpen, true, &bNo);
  if (iOpt < 0)
    return ulOpen > 0 && iKeyword(psz, ulOpen, false, &bNo) >= 0 ? c_szBadParens : pszUnknownName(psz, ulOpen);
  if (psz[ulLen - 1] != ')') return c_szUnbalanced;
  char achValue[OPT_TEXT_MAX + 1];
  size_t ulValue = ulLen - ulOpen - 2;
  std::memcpy(achValue, psz + ulOpen + 1, ulValue);
  achValue[ulValue] = '\0';
  if ((c_aOptDef[iOpt].fForms & F_PARENS) == 0 && std::strpbrk(achValue, "()") != nullptr) return c_szBadParens;
  if (const char *pszError = c_aOptDef[iOpt].pfnValue(achValue)) return pszError;
  vRecord(static_cast<unsigned>(iOpt), psz);
  return nullptr;
}

} // namespace

int iOptionParse(const char *pszText, const char *pszFile, int iPos)
{
  size_t ulLen = std::strlen(pszText);
  char achText[OPT_TEXT_MAX + 1];
  if (ulLen > OPT_TEXT_MAX) {
    std::memcpy(achText, pszText, OPT_TEXT_MAX);
    achText[OPT_TEXT_MAX] = '\0';
    return iOptionError(achText, pszFile, iPos, c_szTooLong);
  }
  g_st.pszSource = pszFile != nullptr ? pszFile : c_szCommandLine;
  const char *pszError = nullptr;
  if ((ulLen == 3 || ulLen == 5) && pszText[2] == '=') {
    pszError = pszPairOption(pszText, ulLen);
  } else {
    std::memcpy(achText, pszText, ulLen + 1);
    for (const ALIAS &alias : c_aAlias)
      if (bSame(pszText, alias.pszAlias)) std::strcpy(achText, alias.pszMeaning);
    pszError = pszOption(achText);
  }
  return pszError != nullptr ? iOptionError(pszText, pszFile, iPos, pszError) : 0;
}

/* ---- file names ------------------------------------------------------------ */

namespace {

/* Expands &D &F &E &X && in a file name pattern (double quotes around the
   whole name are dropped).  pszOut (ulSize bytes) always ends with a NUL and
   holds what fitted.  A name that needs the primary source's name when there
   is none, or that is empty, gives EX_NEEDS_SOURCE. */
EXPAND iExpand(const char *pszPattern, size_t ulLen, char *pszOut, size_t ulSize)
{
  if (ulLen >= 2 && pszPattern[0] == '"' && pszPattern[ulLen - 1] == '"') {
    pszPattern++;
    ulLen -= 2;
  }
  size_t ulOut = 0;
  pszOut[0] = '\0';
  for (size_t i = 0; i < ulLen; i++) {
    char achOne[2] = {pszPattern[i], '\0'};
    const char *pszAdd = achOne;
    if (pszPattern[i] == '&' && i + 1 < ulLen) {
      char cKey = pszPattern[i + 1];
      bool bSource = cKey == 'D' || cKey == 'F' || cKey == 'E';
      if (bSource && !g_opt.bSrcName) return EX_NEEDS_SOURCE;
      if (cKey == 'D') pszAdd = g_opt.achSrcDir;
      if (cKey == 'F') pszAdd = g_opt.achSrcName;
      if (cKey == 'E') pszAdd = g_opt.achSrcExt;
      if (cKey == 'X') pszAdd = g_opt.achProgDir;
      if (pszAdd != achOne || cKey == '&') i++;
    }
    size_t ulAdd = std::strlen(pszAdd);
    if (ulOut + ulAdd >= ulSize) {
      std::memcpy(pszOut + ulOut, pszAdd, ulSize - 1 - ulOut);
      pszOut[ulSize - 1] = '\0';
      return EX_TOO_LONG;
    }
    std::memcpy(pszOut + ulOut, pszAdd, ulAdd + 1);
    ulOut += ulAdd;
  }
  return ulOut == 0 ? EX_NEEDS_SOURCE : EX_OK;
}

/* Names the primary source: 0 with a name, 1 for the name "*" (directory and
   extension only), 20 after a reported error. */
int iPrimarySource(const char *pszName)
{
  size_t ulLen = std::strlen(pszName);
  if (ulLen > OPT_NAME_MAX) {
    vSvcMessage(MSG_TOO_LONG, pszName);
    return 20;
  }
  if (ulLen == 0 || pszName[ulLen - 1] == '/') {
    vSvcMessage(MSG_SOURCE, pszName);
    return 20;
  }
  const char *pszSlash = std::strrchr(pszName, '/');
  size_t ulDir = pszSlash != nullptr ? static_cast<size_t>(pszSlash - pszName) + 1 : 0;
  const char *pszBase = pszName + ulDir;
  const char *pszDot = std::strrchr(pszBase, '.');
  if (pszDot == pszBase) pszDot = nullptr; /* ".name" has no extension */
  size_t ulBase = pszDot != nullptr ? static_cast<size_t>(pszDot - pszBase) : std::strlen(pszBase);
  std::memcpy(g_opt.achSrcDir, pszName, ulDir);
  g_opt.achSrcDir[ulDir] = '\0';
  std::strcpy(g_opt.achSrcExt, pszDot != nullptr ? pszDot : "");
  std::memcpy(g_opt.achSrcName, pszBase, ulBase);
  g_opt.achSrcName[ulBase] = '\0';
  g_opt.bSrcName = !(ulBase == 1 && pszBase[0] == '*');
  if (!g_opt.bSrcName) g_opt.achSrcName[0] = '\0';
  return g_opt.bSrcName ? 0 : 1;
}

void vAddSysin(const char *pszPath, const char *pszShow, bool bFront)
{
  /* both lists grow by a null entry first, so that storage running out
     half-way leaves nothing that the clean-up cannot see */
  uint32_t ulCount = g_opt.ulSysinCount;
  for (char ***ppapsz : {&g_opt.apszSysin, &g_opt.apszSysinShow}) {
    *ppapsz =
        static_cast<char **>(SP_REALLOC(SP_HEAP, *ppapsz, ulCount * sizeof(char *), (ulCount + 1) * sizeof(char *)));
    (*ppapsz)[ulCount] = nullptr;
  }
  g_opt.ulSysinCount = ulCount + 1;
  g_opt.apszSysin[ulCount] = pszSave(pszPath, std::strlen(pszPath));
  g_opt.apszSysinShow[ulCount] = pszSave(pszShow, std::strlen(pszShow));
  if (bFront)
    for (uint32_t i = ulCount; i > 0; i--) {
      std::swap(g_opt.apszSysin[i], g_opt.apszSysin[i - 1]);
      std::swap(g_opt.apszSysinShow[i], g_opt.apszSysinShow[i - 1]);
    }
}

/* ---- options files --------------------------------------------------------- */

/* One line: the option is its first word; blanks inside quotes belong to it. */
int iOptionsLine(char *pszLine, size_t ulLen, const char *pszSource, int iLine)
{
  for (size_t i = 0; i < ulLen; i++)
    if (bControl(static_cast<uint8_t>(pszLine[i]))) pszLine[i] = ' ';
  size_t i = 0;
  while (i < ulLen && pszLine[i] == ' ') i++;
  if (i == ulLen || pszLine[i] == '*') return 0;
  size_t ulStart = i;
  char cQuote = '\0';
  for (; i < ulLen; i++) {
    char c = pszLine[i];
    if (cQuote != '\0') {
      if (c == cQuote) cQuote = '\0';
    } else if (c == '\'' || c == '"') {
      cQuote = c;
    } else if (c == ' ') {
      break;
    }
  }
  pszLine[i] = '\0';
  return iOptionParse(pszLine + ulStart, pszSource, iLine);
}

int iOptionsFile(const char *pszPath, bool bOptional)
{
  FILE *pFile = std::fopen(pszPath, "rb");
  if (pFile == nullptr) {
    if (bOptional) return 0;
    vSvcMessage(MSG_READ_FILE, pszPath, std::strerror(errno));
    return 20;
  }
  bFileInput(fileno(pFile), "options", pszPath);
  const char *pszSource = pszKeepName(pszPath);
  char achLine[OPT_LINE_MAX + 1];
  int iLine = 0, iRc = 0;
  for (;;) {
    size_t ulLen = 0, ulRaw = 0;
    int c;
    while ((c = std::getc(pFile)) != EOF && c != '\n' && ulRaw++ < OPT_RAW_LINE_MAX)
      if (ulLen < OPT_LINE_MAX) achLine[ulLen++] = static_cast<char>(c);
    if (c == EOF && ulRaw == 0) break;
    if (ulRaw > OPT_RAW_LINE_MAX || iLine >= static_cast<int>(OPT_FILE_LINES_MAX)) {
      if (ulRaw > OPT_RAW_LINE_MAX)
        vSvcMessage(MSG_LINE_LONG, pszPath, iLine + 1, static_cast<unsigned long>(OPT_RAW_LINE_MAX));
      else
        vSvcMessage(MSG_LINES_MANY, pszPath, static_cast<unsigned long>(OPT_FILE_LINES_MAX));
      std::fclose(pFile);
      return 20;
    }
    achLine[ulLen] = '\0';
    if (iOptionsLine(achLine, ulLen, pszSource, ++iLine) != 0) {
      iRc = 20;
      break;
    }
    if (c == EOF) break;
  }
  int iErr = errno;
  bool bError = std::ferror(pFile) != 0;
  std::fclose(pFile);
  if (iRc == 0 && bError) {
    vSvcMessage(MSG_READ_FILE, pszPath, std::strerror(iErr));
    iRc = 20;
  }
  return iRc;
}

/* ---- the steps ---------------------------------------------------------------- */

void vDefaults(int argc, char **argv)
{
  std::memset(&g_opt, 0, sizeof g_opt);
  g_opt.ullSize = SIZE_DEFAULT_VALUE;
  g_opt.bAlign = g_opt.bDxref = g_opt.bEsd = g_opt.bRld = g_opt.bUsingMap = true;
  g_opt.ulFlag = FLAG_DEFAULT;
  g_opt.bPrintAllowed = 0xFF;
  g_opt.ulProcess = PROC_DEFAULT;
  g_opt.bTerm = TERM_ON | TERM_PREFIX;
  g_opt.bXref = XREF_UNREFS;
  g_opt.bMxref = MXREF_SOURCE;
  g_opt.bList = true;
  g_opt.ulListWidth = 121;
  g_opt.ulLineForm = LW_NL;
  g_opt.bPrintCtl = PC_FF;
  g_opt.ulLineCount = 60;
  g_opt.ulUsingLimit = 4095;
  g_opt.bOptable = OPTABLE_UNI;
  std::strcpy(g_opt.achOptable, "UNI");
  std::strcpy(g_opt.achLanguage, "EN");
  g_opt.ulLocLimit = 0x1000000;
  vSet(g_opt.pszSourceExt, "390");
  g_opt.iArgc = argc;
  g_opt.ppszArgv = argv;
  for (unsigned i = 0; i < OPT_COUNT; i++)
    g_opt.aOpt[i] = {c_aOptDef[i].pszName, c_aOptDef[i].pszDefault, nullptr, nullptr};
  static const char *const c_apszDd[DD_COUNT] = {"SYSIN", "SYSLIB", "SYSPRINT", "SYSPUNCH", "SYSTERM", "SYSLIN"};
  for (unsigned i = 0; i < DD_COUNT; i++) g_opt.aDd[i] = {c_apszDd[i], nullptr, c_szDefault};
  static const char *const c_apszSys[SV_COUNT] = {"SYSASM",  "SYSDATC", "SYSDATE", "SYSJOB",
                                                  "SYSSTEP", "SYSTIME", "SYSVER"};
  for (unsigned i = 0; i < SV_COUNT; i++) g_opt.aSys[i].pszName = c_apszSys[i];
  vCharsReset();
}

/* The date and time of the assembly and the system identification. */
int iSystemValues()
{
  std::time_t t = std::time(nullptr);
  localtime_r(&t, &g_opt.tmAssembly);
  const std::tm &tm = g_opt.tmAssembly;
  SYSVALUE *a = g_opt.aSys;
  std::snprintf(a[SV_SYSASM].achValue, sizeof a[0].achValue, "VELMORA 390 CROSS ASSEMBLER");
  std::snprintf(a[SV_SYSDATC].achValue, sizeof a[0].achValue, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday);
  std::snprintf(a[SV_SYSDATE].achValue, sizeof a[0].achValue, "%02d/%02d/%02d", tm.tm_mon + 1, tm.tm_mday,
                tm.tm_year % 100);
  std::snprintf(a[SV_SYSJOB].achValue, sizeof a[0].achValue, "VORN");
  std::snprintf(a[SV_SYSSTEP].achValue, sizeof a[0].achValue, "(NOSTEP)");
  std::snprintf(a[SV_SYSTIME].achValue, sizeof a[0].achValue, "%02d.%02d", tm.tm_hour, tm.tm_min);
  std::snprintf(a[SV_SYSVER].achValue, sizeof a[0].achValue, "1.2.00");

  utsname uts{};
  if (uname(&uts) != 0) {
    char achText[80];
    std::snprintf(achText, sizeof achText, "System identification not available: %s", std::strerror(errno));
    vSvcMessage(MSG_ENV, achText);
    return 20;
  }
  unsigned uMajor = 0, uMinor = 0;
  std::sscanf(uts.release, "%u.%u", &uMajor, &uMinor);
  std::snprintf(g_opt.achComputer, sizeof g_opt.achComputer, "%s", uts.nodename);
  std::snprintf(g_opt.achOsName, sizeof g_opt.achOsName, "%.60s %u.%u", uts.sysname, uMajor, uMinor);
  std::snprintf(g_opt.achPlatform, sizeof g_opt.achPlatform, "POSIX");
  std::snprintf(g_opt.achSysIdent, sizeof g_opt.achSysIdent, "%s", g_opt.achOsName);
  const passwd *pPw = getpwuid(geteuid());
  const char *pszUser = pPw != nullptr ? pPw->pw_name : std::getenv("USER");
  std::snprintf(g_opt.achUser, sizeof g_opt.achUser, "%s", pszUser != nullptr ? pszUser : "");
  return 0;
}

int iEnvironment()
{
  const char *pszDir = std::getenv("VORNDIR");
  if (pszDir != nullptr && *pszDir != '\0') {
    size_t ulLen = std::strlen(pszDir);
    if (ulLen > OPT_NAME_MAX - 1) {
      vSvcMessage(MSG_TOO_LONG, pszDir);
      return 20;
    }
    std::memcpy(g_opt.achProgDir, pszDir, ulLen + 1);
  } else {
    char achExe[PATH_MAX + 1];
    char *pszSlash = realpath("/proc/self/exe", achExe) != nullptr ? std::strrchr(achExe, '/') : nullptr;
    if (pszSlash == nullptr) {
      vSvcMessage(MSG_ENV, "Environment variable VORNDIR is not set.");
      return 20;
    }
    pszSlash[1] = '\0';
    std::strcpy(g_opt.achProgDir, achExe);
  }
  size_t ulDir = std::strlen(g_opt.achProgDir);
  if (g_opt.achProgDir[ulDir - 1] != '/') std::strcpy(g_opt.achProgDir + ulDir, "/");
  if (const char *psz = std::getenv("VORNINI")) vSet(g_st.pszVornini, psz);
  if (const char *psz = std::getenv("VORNLIB")) vSet(g_st.pszVornlib, psz);
  return iSystemValues();
}

/* The number of the argument "--", which ends the options, or the argument
   count when there is none. */
int iOptionsEnd()
{
  for (int i = 1; i < g_opt.iArgc; i++)
    if (g_opt.ppszArgv[i] != nullptr && std::strcmp(g_opt.ppszArgv[i], "--") == 0) return i;
  return g_opt.iArgc;
}

/* Whether argument i holds options: it begins with '-' and comes before "--". */
bool bOptionArgument(int i, int iEnd)
{
  const char *pszArg = g_opt.ppszArgv[i];
  return pszArg != nullptr && pszArg[0] == '-' && i < iEnd;
}

/* The primary source and the SYSIN list from the arguments. */
int iSourceArguments()
{
  bool bFirst = true;
  int iEnd = iOptionsEnd();
  for (int i = 1; i < g_opt.iArgc; i++) {
    const char *pszArg = g_opt.ppszArgv[i];
    if (pszArg == nullptr || i == iEnd || bOptionArgument(i, iEnd)) continue;
    if (bFirst) {
      bFirst = false;
      int iRc = iPrimarySource(pszArg);
      if (iRc == 20) return 20;
      if (iRc == 1) continue;
    }
    vAddSysin(pszArg, pszArg, false);
  }
  return 0;
}

int iProgramIni()
{
  char achPath[PATH_MAX + 16];
  std::snprintf(achPath, sizeof achPath, "%svorn.ini", g_opt.achProgDir);
  return iOptionsFile(achPath, false);
}

/* Source from standard input only when it is a file, a pipe or a socket: a
   terminal, a device such as /dev/null or a closed stream hold none. */
bool bStdinRedirected(FILE *pStdin)
{
  struct stat st {};
  if (pStdin == nullptr || fstat(fileno(pStdin), &st) != 0) return false;
  return S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
}

int iCopyStdin(FILE *pStdin)
{
  const char *pszTmp = std::getenv("TMPDIR");
  if (pszTmp == nullptr || *pszTmp == '\0') pszTmp = "/tmp";
  int iLen = std::snprintf(g_st.achTemp, sizeof g_st.achTemp, "%s/vornXXXXXX", pszTmp);
  if (iLen < 0 || static_cast<size_t>(iLen) >= sizeof g_st.achTemp) {
    vSvcMessage(MSG_TEMP, pszTmp, std::strerror(ENAMETOOLONG));
    return 20;
  }
  int iFd = -1, iErr = 0;
  {
    CleanupSignalsHeld held; /* a signal finds the copy registered as soon as it exists */
    iFd = mkstemp(g_st.achTemp);
    iErr = errno;
    if (iFd >= 0) vFileScratch(g_st.achTemp);
  }
  if (iFd < 0) {
    std::strcpy(g_st.achTemp + iLen - 6, "XXXXXX"); /* the name as asked for */
    vSvcMessage(MSG_TEMP, g_st.achTemp, std::strerror(iErr));
    return 20;
  }
  g_st.bTemp = true;
  FILE *pOut = fdopen(iFd, "wb");
  if (pOut == nullptr) {
    vSvcMessage(MSG_TEMP, g_st.achTemp, std::strerror(errno));
    close(iFd);
    return 20;
  }
  char achBuf[8192];
  size_t ulRead;
  bool bWriteError = false;
  while (!bWriteError && (ulRead = std::fread(achBuf, 1, sizeof achBuf, pStdin)) > 0)
    bWriteError = std::fwrite(achBuf, 1, ulRead, pOut) != ulRead;
  iErr = errno;
  bool bReadError = std::ferror(pStdin) != 0;
  if (std::fclose(pOut) != 0 && !bWriteError) {
    bWriteError = true;
    iErr = errno;
  }
  if (bWriteError) {
    vSvcMessage(MSG_TEMP, g_st.achTemp, std::strerror(iErr));
    return 20;
  }
  if (bReadError) {
    vSvcMessage(MSG_READ_STDIN, std::strerror(iErr));
    return 20;
  }
  vAddSysin(g_st.achTemp, c_szStdinName, true);
  g_opt.bStdin = true;
  /* the copy has no name of its own: the files of the run are named after
     STDIN in the source directory (the current one unless "*" gave one) */
  std::strcpy(g_opt.achSrcName, "STDIN");
  g_opt.bSrcName = true;
  return 0;
}

int iAskSource()
{
  for (unsigned uAsk = 0;; uAsk++) {
    const char *pszAnswer =
        uAsk < ASK_MAX ? pFrontAskSource(g_opt.achSrcDir, g_opt.pszSourceExt != nullptr ? g_opt.pszSourceExt : "")
                       : nullptr;
    if (pszAnswer == nullptr || *pszAnswer == '\0') {
      vSvcMessage(MSG_NO_SOURCE);
      if (!g_asm.bWindowed) vSvcMessage(MSG_USAGE_HINT); /* the console program never asks */
      return 20;
    }
    if (std::strlen(pszAnswer) > OPT_NAME_MAX) {
      vSvcMessage(MSG_TOO_LONG, pszAnswer);
      return 20;
    }
    char achName[PATH_MAX + 1];
    std::strcpy(achName, pszAnswer);
    int iRc = iPrimarySource(achName);
    if (iRc == 20) return 20;
    if (iRc == 0) {
      vAddSysin(achName, achName, true);
      return 0;
    }
  }
}

int iSourceFallback()
{
  if (g_opt.bSrcName) return 0;
  if (!g_asm.bWindowed && bStdinRedirected(g_st.pStdin)) return iCopyStdin(g_st.pStdin);
  return iAskSource();
}

int iVornini()
{
  if (g_st.pszVornini == nullptr) return 0;
  const char *p = g_st.pszVornini;
  for (;;) {
    const char *pszSemi = std::strchr(p, ';');
    size_t ulLen = pszSemi != nullptr ? static_cast<size_t>(pszSemi - p) : std::strlen(p);
    if (ulLen > 0) {
      bool bOptional = p[0] == '@';
      char achName[PATH_MAX];
      EXPAND ex = iExpand(p + bOptional, ulLen - bOptional, achName, sizeof achName);
      if (ex == EX_TOO_LONG) {
        vSvcMessage(MSG_TOO_LONG, achName);
        return 20;
      }
      if (ex == EX_NEEDS_SOURCE && !bOptional) {
        vSvcMessage(MSG_NO_SOURCE_IN, "VORNINI");
        return 20;
      }
      if (ex == EX_OK && iOptionsFile(achName, bOptional) != 0) return 20;
    }
    if (pszSemi == nullptr) return 0;
    p = pszSemi + 1;
  }
}

/* Options in one argument, separated by blanks outside quotes or by commas
   outside quotes and parentheses (-OBJECT,FLAG(4,NOALIGN) holds two). */
int iArgumentOptions(const char *pszArg, int iPos)
{
  char achOption[OPT_TEXT_MAX + 2];
  const char *p = pszArg;
  for (;;) {
    while (*p == ' ' || *p == ',') p++;
    if (*p == '\0') return 0;
    size_t ulLen = 0;
    char cQuote = '\0';
    unsigned uDepth = 0;
    for (; *p != '\0' && (cQuote != '\0' || (*p != ' ' && (*p != ',' || uDepth > 0))); p++) {
      if (cQuote != '\0') {
        if (*p == cQuote) cQuote = '\0';
      } else if (*p == '\'' || *p == '"') {
        cQuote = *p;
      } else if (*p == '(') {
        uDepth++;
      } else if (*p == ')' && uDepth > 0) {
        uDepth--;
      }
      if (ulLen <= OPT_TEXT_MAX) achOption[ulLen++] = *p; /* one more than fits shows the cut */
    }
    achOption[ulLen] = '\0';
    if (iOptionParse(achOption, nullptr, iPos) != 0) return 20;
  }
}

int iCommandLine()
{
  for (int i = 1; i < g_opt.iArgc; i++) {
    const char *pszArg = g_opt.ppszArgv[i];
    for (const char *p = pszArg; p != nullptr && *p != '\0'; p++)
      if (bControl(static_cast<uint8_t>(*p))) {
        vSvcMessage(MSG_BADCHAR, i, static_cast<uint8_t>(*p));
        return 20;
      }
  }
  int iEnd = iOptionsEnd();
  for (int i = 1; i < g_opt.iArgc; i++)
    if (bOptionArgument(i, iEnd) && iArgumentOptions(g_opt.ppszArgv[i] + 1, i) != 0) return 20;
  return 0;
}

void vSetDd(DDID dd, const char *pszFile, const char *pszSource)
{
  vSet(g_opt.aDd[dd].pszFile, pszFile);
  g_opt.aDd[dd].pszSource = pszSource;
}

const char *pszSourceOf(OPTID id)
{
  return g_opt.aOpt[id].pszValue != nullptr ? g_opt.aOpt[id].pszSource : c_szDefault;
}

/* The message of a file name pattern that could not be expanded for
   pszWhat (the expansion pszName as far as it went) and 20; else 0. */
int iExpandError(EXPAND ex, const char *pszWhat, const char *pszName)
{
  if (ex == EX_NEEDS_SOURCE) {
    vSvcMessage(MSG_NO_SOURCE_IN, pszWhat);
    return 20;
  }
  if (ex == EX_TOO_LONG) {
    vSvcMessage(MSG_TOO_LONG, pszName);
    return 20;
  }
  return 0;
}

int iAssignFile(const char *pszPattern, const char *pszDefault, DDID dd, OPTID id, char *&rpszFile)
{
  if (pszPattern == nullptr) pszPattern = pszDefault;
  char achName[PATH_MAX];
  EXPAND ex = iExpand(pszPattern, std::strlen(pszPattern), achName, sizeof achName);
  if (iExpandError(ex, g_opt.aDd[dd].pszName, achName) != 0) return 20;
  vSet(rpszFile, achName);
  vSetDd(dd, achName, pszSourceOf(id));
  return 0;
}

/* One SYSLIB path: checked, expanded, added unless already there. */
int iSyslibPath(const char *p, size_t ulLen)
{
  for (size_t i = 0; i < ulLen; i++)
    if (bControl(static_cast<uint8_t>(p[i]))) {
      char achReason[48];
      std::snprintf(achReason, sizeof achReason, "contains an invalid character (X'%02X')", static_cast<uint8_t>(p[i]));
      vSvcMessage(MSG_VORNLIB, "001", achReason);
      return 20;
    }
  char achPath[PATH_MAX];
  EXPAND ex = iExpand(p, ulLen, achPath, sizeof achPath);
  if (iExpandError(ex, "SYSLIB/VORNLIB", achPath) != 0) return 20;
  const char *pszStar = std::strchr(achPath, '*');
  if (pszStar == nullptr || std::strchr(pszStar + 1, '*') != nullptr) {
    char achReason[PATH_MAX + 48];
    std::snprintf(achReason, sizeof achReason,
                  pszStar == nullptr ? "path \"%.*s\" does not contain an '*'" : "path \"%.*s\" is invalid",
                  static_cast<int>(std::strlen(achPath)), achPath);
    vSvcMessage(MSG_VORNLIB, "012", achReason);
    return 20;
  }
  for (uint32_t i = 0; i < g_opt.ulSyslibCount; i++)
    if (std::strcmp(g_opt.apszSyslib[i], achPath) == 0) return 0;
  vAppend(g_opt.apszSyslib, g_opt.ulSyslibCount++, achPath);
  return 0;
}

/* SYSLIB from the option, else VORNLIB, else the default; the final list
   goes back into VORNLIB for the LIBEXIT commands. */
int iAssignSyslib()
{
  const char *pszList = g_opt.bSrcName && g_opt.achSrcDir[0] != '\0' ? "&D*.MAC" : "*.MAC";
  const char *pszSource = c_szDefault;
  if (g_st.bNoSyslib || g_st.pszSyslibList != nullptr) {
    pszList = g_st.bNoSyslib ? "" : g_st.pszSyslibList;
    pszSource = g_opt.aOpt[OPT_SYSLIB].pszSource;
  } else if (g_st.pszVornlib != nullptr) {
    pszList = g_st.pszVornlib;
    pszSource = "VORNLIB";
  }
  size_t ulJoined = 1;
  for (const char *p = pszList;;) {
    const char *pszSemi = std::strchr(p, ';');
    size_t ulLen = pszSemi != nullptr ? static_cast<size_t>(pszSemi - p) : std::strlen(p);
    if (ulLen > 0 && iSyslibPath(p, ulLen) != 0) return 20;
    if (pszSemi == nullptr) break;
    p = pszSemi + 1;
  }
  for (uint32_t i = 0; i < g_opt.ulSyslibCount; i++) ulJoined += std::strlen(g_opt.apszSyslib[i]) + 1;
  char *&pszJoined = g_st.pszScratch = static_cast<char *>(SP_ALLOC(SP_HEAP, ulJoined));
  for (uint32_t i = 0; i < g_opt.ulSyslibCount; i++) {
    if (i > 0) std::strcat(pszJoined, ";");
    std::strcat(pszJoined, g_opt.apszSyslib[i]);
  }
  setenv("VORNLIB", pszJoined, 1);
  vSetDd(DD_SYSLIB, pszJoined, pszSource);
  vDrop(pszJoined);
  return 0;
}

int iAssignFiles()
{
  size_t ulShow = 1;
  for (uint32_t i = 0; i < g_opt.ulSysinCount; i++) ulShow += std::strlen(g_opt.apszSysinShow[i]) + 1;
  char *&pszShow = g_st.pszScratch = static_cast<char *>(SP_ALLOC(SP_HEAP, ulShow));
  for (uint32_t i = 0; i < g_opt.ulSysinCount; i++) {
    if (i > 0) std::strcat(pszShow, ";");
    std::strcat(pszShow, g_opt.apszSysinShow[i]);
  }
  vSetDd(DD_SYSIN, pszShow, g_opt.bStdin ? c_szDefault : c_szCommandLine);
  vDrop(pszShow);

  if (g_opt.bList && iAssignFile(g_st.pszSysprintPat, "&D&F.lst", DD_SYSPRINT, OPT_SYSPRINT, g_opt.pszSysprint) != 0)
    return 20;
  if (g_opt.bObject == OBJ_OMF &&
      iAssignFile(g_st.pszSyslinPat, "&D&F.obj", DD_SYSLIN, OPT_SYSLIN, g_opt.pszSyslin) != 0)
    return 20;
  if (g_opt.bObject == OBJ_DECK &&
      iAssignFile(g_st.pszSyspunchPat, "&D&F.txt", DD_SYSPUNCH, OPT_SYSPUNCH, g_opt.pszSyspunch) != 0)
    return 20;
  if (g_opt.bDepend && g_opt.bObject != OBJ_NONE) {
    char achName[PATH_MAX];
    EXPAND ex = EX_OK;
    if (g_st.pszDependPat != nullptr) {
      ex = iExpand(g_st.pszDependPat, std::strlen(g_st.pszDependPat), achName, sizeof achName);
    } else { /* the object's name with .d for its extension */
      std::string str = g_opt.bObject == OBJ_DECK ? g_opt.pszSyspunch : g_opt.pszSyslin;
      size_t ulSlash = str.rfind('/'), ulBase = ulSlash == std::string::npos ? 0 : ulSlash + 1;
      size_t ulDot = str.rfind('.');
      if (ulDot != std::string::npos && ulDot > ulBase) str.resize(ulDot);
      str += ".d";
      ex = str.size() < sizeof achName ? EX_OK : EX_TOO_LONG;
      std::snprintf(achName, sizeof achName, "%s", str.c_str());
    }
    if (iExpandError(ex, "DEPEND", achName) != 0) return 20;
    vSet(g_opt.pszDepend, achName);
  }
  if (g_st.pszSystermPat != nullptr) {
    if (iAssignFile(g_st.pszSystermPat, "", DD_SYSTERM, OPT_SYSTERM, g_opt.pszSysterm) != 0) return 20;
  } else if ((g_opt.bTerm & TERM_ON) != 0 && !g_asm.bWindowed) {
    vSetDd(DD_SYSTERM, "(STDOUT)", c_szDefault);
  }
  return iAssignSyslib();
}

void vNote(const char *pszWhat, const char *pszBy)
{
  if (g_opt.uNotes >= OPT_NOTES_MAX) return;
  std::snprintf(g_opt.aachNote[g_opt.uNotes++], OPT_NOTE_LEN, "%s overridden by %s", pszWhat, pszBy);
}

/* The cross-checks, then the switches that follow from PROCESS. */
int iCrossChecks()
{
  char achBy[32];
  if (g_opt.bTest != TEST_OFF && g_opt.bObject != OBJ_OMF) {
    vNote(g_opt.bTest == TEST_ALL ? "TEST(ALL)" : "TEST", g_opt.bObject == OBJ_DECK ? "OBJECT(DECK)" : "NOOBJECT");
    g_opt.bTest = TEST_OFF;
  }
  if (g_opt.ulLineForm == LW_V)
    std::snprintf(achBy, sizeof achBy, "LINEWIDTH(V)");
  else
    std::snprintf(achBy, sizeof achBy, "LINEWIDTH(%lu)", static_cast<unsigned long>(g_opt.ulLineForm));
  /* EBCDIC record forms carry ASA control characters */
  if (g_opt.ulLineForm >= LW_V && g_opt.bPrintCtl != PC_ASA) {
    static const char *const c_apszCtl[] = {"PRINTCTL(NL)", "PRINTCTL(FF)", "PRINTCTL(HP)"};
    vNote(c_apszCtl[g_opt.bPrintCtl], achBy);
    g_opt.bPrintCtl = PC_ASA;
  }
  if (g_opt.bList && g_opt.ulListWidth == 133 && g_opt.ulLineForm > LW_V && g_opt.ulLineForm < 132) {
    char achWhat[16];
    std::snprintf(achWhat, sizeof achWhat, "%s(133)", "LIST");
    vNote(achWhat, achBy);
    g_opt.ulListWidth = 121;
  }
  g_opt.bBatch = (g_opt.ulProcess & PROC_BATCH) != 0;
  g_opt.bExecAllowed = (g_opt.ulProcess & PROC_VORN) != 0;
  return 0;
}

/* Every character of a text translated; a file name is named in the message. */
int iCheckTranslated(const char *psz, bool bFileName = true)
{
  for (const char *p = psz; p != nullptr && *p != '\0'; p++)
    if (g_abAsciiDefined[static_cast<uint8_t>(*p)] == CHD_NONE) {
      if (bFileName)
        vSvcMessage(MSG_MISSING_XX_IN, static_cast<uint8_t>(*p), psz);
      else
        vSvcMessage(MSG_MISSING_XX, static_cast<uint8_t>(*p));
      return 20;
    }
  return 0;
}

int iTranslationCheck()
{
  uint8_t bAscii = 0, bEbcdic = 0;
  if (!bCharsStandardOk(&bAscii, &bEbcdic)) {
    vSvcMessage(MSG_MISSING_PAIR, bAscii, bEbcdic);
    return 20;
  }
  for (uint32_t i = 0; i < g_opt.ulSysinCount; i++)
    if (iCheckTranslated(g_opt.apszSysinShow[i]) != 0) return 20;
  for (int i = 1; i < g_opt.iArgc; i++)
    if (iCheckTranslated(g_opt.ppszArgv[i], false) != 0) return 20;
  for (uint32_t i = 0; i < g_opt.ulSyslibCount; i++)
    if (iCheckTranslated(g_opt.apszSyslib[i]) != 0) return 20;
  for (const char *psz : {g_opt.pszSysprint, g_opt.pszSyslin, g_opt.pszSyspunch, g_opt.pszSysterm})
    if (iCheckTranslated(psz) != 0) return 20;
  return 0;
}

/* Every SYSIN file can be read before anything is written; the descriptor
   is opened without waiting, so a FIFO does not block here. */
int iSysinCheck()
{
  for (uint32_t i = 0; i < g_opt.ulSysinCount; i++) {
    int iFd = open(g_opt.apszSysin[i], O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    int iErr = iFd < 0 ? errno : fstat(iFd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (iErr == 0) bFileInput(iFd, "SYSIN", g_opt.apszSysinShow[i]);
    if (iFd >= 0) close(iFd);
    if (iErr != 0) {
      vSvcMessage(MSG_SYSIN, g_opt.apszSysinShow[i], std::strerror(iErr));
      return 20;
    }
  }
  return 0;
}

int iOperationTable()
{
  if (iOptableLoad(g_opt.achProgDir) != 0) return 20;
  vOptableSelect(g_opt.bOptable);
  vCharsBuildClasses();
  return 0;
}

/* "%-14s%s": name and yyddd, in EBCDIC for the object module. */
void vIdentification(const char *pszName, uint8_t *pbOut)
{
  char achId[48];
  std::snprintf(achId, sizeof achId, "%-14.14s%02d%03d", pszName, g_opt.tmAssembly.tm_year % 100,
                g_opt.tmAssembly.tm_yday + 1);
  vAsciiToEbcdic(pbOut, reinterpret_cast<const uint8_t *>(achId), 19);
}

int iIdentification()
{
  vIdentification(g_opt.pszSystemId != nullptr ? g_opt.pszSystemId : c_szTranslator, g_opt.abTranslatorId);
  g_opt.bIdr = g_opt.pszIdr != nullptr;
  if (g_opt.bIdr) vIdentification(g_opt.pszIdr, g_opt.abIdrId);
  char achFormat[64];
  std::strftime(achFormat, sizeof achFormat, "%B %%d, %Y at %H%%c%M", &g_opt.tmAssembly);
  char cSep = g_abAsciiDefined[static_cast<uint8_t>(':')] != CHD_NONE ? ':' : '.';
  std::snprintf(g_opt.achStamp, sizeof g_opt.achStamp, achFormat, g_opt.tmAssembly.tm_mday, cSep);
  return 0;
}

int iTerminal()
{
  vTraceMaskSet(ulTraceMask(g_opt.ulTrace));
  if ((g_opt.bTerm & TERM_ON) == 0) {
    if (!g_asm.bTermIsFile) vTermSet(nullptr, false, g_asm.pszTermName);
    return 0;
  }
  if (g_opt.pszSysterm == nullptr) return 0;
  FILE *pTerm = pFileCreate(FO_TERM, "SYSTERM", g_opt.pszSysterm);
  if (pTerm == nullptr) {
    vSvcMessage(MSG_SYSTERM, g_opt.pszSysterm, std::strerror(errno));
    return 20;
  }
  std::snprintf(g_st.achTermName, sizeof g_st.achTermName, "%s", g_opt.pszSysterm);
  vTermSet(pTerm, true, g_st.achTermName);
  return 0;
}

} // namespace

int iOptionsProcess(int argc, char **argv, FILE *pStdin)
{
  vFrontWrite(c_szBanner);
  vOptionCleanup();
  vFileReset();
  vDefaults(argc, argv);
  g_st.pStdin = pStdin;
  static int (*const c_apfnStep[])() = {
      iEnvironment, iSourceArguments,  iProgramIni,     iSourceFallback, iVornini,        iCommandLine,    iAssignFiles,
      iCrossChecks, iTranslationCheck, iOperationTable, iSysinCheck,     iFileOutputsSet, iIdentification, iTerminal};
  for (auto pfnStep : c_apfnStep)
    if (pfnStep() != 0) return 20;
  return 0;
}

void vOptionCleanup()
{
  vFileScratch(nullptr);
  if (g_st.bTemp) unlink(g_st.achTemp);
  g_st.bTemp = false;
  vDropList(g_opt.apszSysin, g_opt.ulSysinCount);
  vDropList(g_opt.apszSysinShow, g_opt.ulSysinCount);
  g_opt.ulSysinCount = 0;
  vDropList(g_opt.apszSyslib, g_opt.ulSyslibCount);
  g_opt.ulSyslibCount = 0;
  for (char **ppsz :
       {&g_opt.pszIdr,      &g_opt.pszLibExit,    &g_opt.pszSourceExt, &g_opt.pszSymname,    &g_opt.pszSysparm,
        &g_opt.pszSystemId, &g_opt.pszXopts,      &g_opt.pszSysprint,  &g_opt.pszSyslin,     &g_opt.pszSyspunch,
        &g_opt.pszSysterm,  &g_st.pszSysprintPat, &g_st.pszSyslinPat,  &g_st.pszSyspunchPat, &g_st.pszSystermPat,
        &g_opt.pszDepend,   &g_st.pszDependPat,   &g_st.pszSyslibList, &g_st.pszVornini,     &g_st.pszVornlib,
        &g_st.pszScratch})
    vDrop(*ppsz);
  for (OPTRECORD &rec : g_opt.aOpt) {
    vDrop(rec.pszValue);
    rec.pszSource = nullptr;
  }
  for (DDRECORD &dd : g_opt.aDd) vDrop(dd.pszFile);
  g_st.bNoSyslib = false;
  g_st.pszSource = nullptr;
  while (KEPTNAME *pKept = g_st.pKept) {
    g_st.pKept = pKept->pNext;
    SP_FREE(SP_HEAP, pKept);
  }
}
