/*
** var1.cpp - variable symbols: the SET symbols, macro parameters and system
** variables of every macro level, LCLx/GBLx declarations and SETA, SETB and
** SETC.
**
** Calls: cnd1, esd1, mac1, src1, stmt.
** Called by: asm1, cnd1, gen1, mac1.
**
** Each level has a scope of 256 hash chains (Pearson hash of the EBCDIC
** name) for its own variables and 256 chains of links to the global SET
** symbols it declared.  System variables 0 to 30 live once per phase in a
** table of their own that every level sees (open code only 0 to 26);
** 31 to 39 are own variables of each call.  A lookup allocates nothing;
** the scopes and variables of closed calls are kept for the next calls of
** the phase, so that opening a call seldom allocates.
*/
#include "var1.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "asm0.h"
#include "chars.h"
#include "cnd1.h"
#include "esd1.h"
#include "gen1.h"
#include "instr.h"
#include "lbl.h"
#include "mac1.h"
#include "msc1.h"
#include "opt.h"
#include "src1.h"

const MSGDEF g_aVarMsg[] = {
    {110, 12, "&%s is already defined."},     {112, 12, "More than 1 operand specified"},
    {119, 12, "Invalid label field"},         {240, 12, "Invalid type for &%s in label field."},
    {250, 12, "Invalid variable name"},       {251, 12, "Invalid subscript for &%s"},
    {261, 12, "Variable &%s is not defined"},
};
static_assert(sizeof g_aVarMsg / sizeof g_aVarMsg[0] == VARM_COUNT);

namespace {

constexpr uint32_t SYS_COUNT = 40;
constexpr uint32_t SEQ_DEFAULT_FIRST = 72, SEQ_DEFAULT_LENGTH = 8; /* columns 73-80 */
constexpr uint32_t SYS_WIDE = 31;                                  /* 0-30 live for the phase */
constexpr uint32_t SYS_OPEN = 27;                                  /* open code sees 0-26 */
enum : uint32_t {
  SYS_STMT = 0,
  SYS_IN_DSN = 27,
  SYS_IN_MEMBER = 28,
  SYS_SEQF = 30,
  SYS_ECT = 31,
  SYS_LOC = 32,
  SYS_NDX = 33,
  SYS_NEST = 34,
  SYS_STYP = 35,
  SYS_LIB_DSN = 36,
  SYS_LIB_MEMBER = 37,
  SYS_LIST = 39,
};
const char *const c_apszSys[SYS_COUNT] = {
    "SYSSTMT",        "SYSASM",        "SYSDATC",         "SYSDATE",      "SYSJOB",       "SYSOPT_DBCS",
    "SYSOPT_OPTABLE", "SYSOPT_RENT",   "SYSPARM",         "SYSSTEP",      "SYSTEM_ID",    "SYSTIME",
    "SYSVER",         "SYSPRINT_DSN",  "SYSPRINT_MEMBER", "SYSPRINT_VOL", "SYSPUNCH_DSN", "SYSPUNCH_MEMBER",
    "SYSPUNCH_VOL",   "SYSLIN_DSN",    "SYSLIN_MEMBER",   "SYSLIN_VOL",   "SYSTERM_DSN",  "SYSTERM_MEMBER",
    "SYSTERM_VOL",    "SYSADATA_DSN",  "SYSADATA_VOL",    "SYSIN_DSN",    "SYSIN_MEMBER", "SYSIN_VOL",
    "SYSSEQF",        "SYSECT",        "SYSLOC",          "SYSNDX",       "SYSNEST",      "SYSSTYP",
    "SYSLIB_DSN",     "SYSLIB_MEMBER", "SYSLIB_VOL",      "SYSLIST"};

/* Capacities an element array grows through. */
constexpr uint32_t c_aulGrowth[] = {8,    16,   32,   64,    128,   256,   512,    1008,
                                    2032, 4080, 8180, 16368, 32752, 65520, 131056, 262128};

struct VARLINK {
  VARLINK *pNext;
  VARSYM *pVar;
  uint8_t bHash; /* its chain */
};

} // namespace

struct VARSCOPE {
  VARSYM *apOwn[256] = {};
  VARLINK *apLink[256] = {};
  VARSYM aSysOwn[SYS_COUNT - SYS_WIDE];      /* a call's system variables 31-39 */
  bool bSysOwn = false;                      /* they are set up (a call's scope) */
  bool bSysNamed = false;                    /* their names and types are (kept for the next call) */
  std::vector<std::unique_ptr<VARSYM>> aOwn; /* the others in creation order */
  std::vector<std::unique_ptr<VARLINK>> aLinks;
  std::vector<VARSYM *> aParms; /* in prototype order (the first of aOwn) */
  /* the parameters of the call closed last in this scope, kept with their
     names for a call of the same parameter list */
  std::vector<std::unique_ptr<VARSYM>> aParmsKept;
  std::vector<uint8_t> vecParmList;
  VARSYM *pSyslist = nullptr;
  bool bOpenCode = false;
  VARSCOPE *pPrevLive = nullptr, *pNextLive = nullptr;
  uint64_t ullSerial = 0; /* distinct for every scope opened in the process */
};

namespace {

/* &SYSSTYP's values. */
enum : uint32_t { STYP_CSECT, STYP_COM, STYP_DSECT, STYP_RSECT, STYP_COUNT };
const char *const c_apszSectionType[STYP_COUNT] = {"CSECT", "COM", "DSECT", "RSECT"};

/* A host text and its EBCDIC translation. */
struct HOSTTEXT {
  std::string strHost;
  std::string strEbcdic;
};

/* A system variable's name, EBCDIC. */
struct SYSNAME {
  uint8_t abName[16];
  uint8_t bLen;
  uint8_t bHash;
};

struct VARSTATE {
  MACLEVEL openCode;
  MACLEVEL *pCurrent;
  uint32_t ulSysndx;
  VARSYM *apGlobal[256];
  std::vector<std::unique_ptr<VARSYM>> aGlobal;
  VARSYM aSys[SYS_WIDE];
  VARSYM *apSys[256];
  SYSNAME aSysName[SYS_COUNT];
  VARSCOPE *pLive;    /* every scope not yet closed */
  uint64_t ullScopes; /* scopes opened so far: their serials */
  /* storage of closed levels, reused by the next calls of the phase */
  VARSCOPE *pFree; /* chained through pNextLive */
  std::vector<std::unique_ptr<VARSYM>> aSpare;
  std::vector<std::unique_ptr<VARLINK>> aSpareLinks;
  std::string astrSectionType[STYP_COUNT]; /* &SYSSTYP values, EBCDIC */
  HOSTTEXT libDsn, libMember;              /* the last &SYSLIB_DSN and &SYSLIB_MEMBER */
  std::string strInSource;                 /* what &SYSIN_DSN and &SYSIN_MEMBER were set from */
};
VARSTATE g_var;

/* ---- names and values ------------------------------------------------------ */

void vEbcdic(const char *psz, std::string *pOut)
{
  size_t n = psz != nullptr ? strnlen(psz, VALUE_MAX) : 0;
  pOut->resize(n);
  for (size_t k = 0; k < n; k++) (*pOut)[k] = static_cast<char>(g_abAsciiToEbcdic[static_cast<uint8_t>(psz[k])]);
}

/* Sets a value where it differs from the one it holds. */
void vSetValue(std::string *pValue, const uint8_t *p, size_t n)
{
  if (pValue->size() != n || std::memcmp(pValue->data(), p, n) != 0)
    pValue->assign(reinterpret_cast<const char *>(p), n);
}

/* vEbcdic for a text that is mostly the one translated before. */
void vEbcdicKept(const char *psz, HOSTTEXT *pKept, std::string *pOut)
{
  if (psz == nullptr) psz = "";
  if (pKept->strHost != psz) {
    pKept->strHost = psz;
    vEbcdic(psz, &pKept->strEbcdic);
  }
  vSetValue(pOut, reinterpret_cast<const uint8_t *>(pKept->strEbcdic.data()), pKept->strEbcdic.size());
}

/* A number in decimal (EBCDIC), at least ulDigits digits with leading zeros. */
void vDecimal(uint32_t ulValue, uint32_t ulDigits, std::string *pOut)
{
  char ach[16];
  uint32_t n = sizeof ach; /* filled from the end */
  do {
    ach[--n] = static_cast<char>(g_abAsciiToEbcdic[static_cast<uint8_t>('0' + ulValue % 10)]);
    ulValue /= 10;
  } while (n > 0 && (ulValue != 0 || sizeof ach - n < ulDigits));
  pOut->assign(ach + n, sizeof ach - n);
}

std::string strHostName(const uint8_t *p, size_t n)
{
  std::string s;
  for (size_t k = 0; k < n; k++) s += static_cast<char>(g_abEbcdicToAscii[p[k]]);
  return s;
}

std::string strHostName(const VARSYM *pVar) { return strHostName(pVar->abName, pVar->bNameLen); }

inline uint8_t bHash(const uint8_t *p, uint32_t n) { return bPearsonHash(p, n); }

void vSetName(VARSYM *pVar, const uint8_t *pName, uint32_t ulName)
{
  if (ulName > VAR_NAME_MAX) ulName = VAR_NAME_MAX;
  for (uint32_t k = 0; k < ulName; k++) pVar->abName[k] = g_abUpper[pName[k]];
  pVar->abName[ulName] = 0;
  pVar->bNameLen = static_cast<uint8_t>(ulName);
  pVar->bHash = bHash(pVar->abName, ulName);
}

/* The EBCDIC names of the system variables, for the phase's code page. */
void vSysNamesBuild()
{
  for (uint32_t k = 0; k < SYS_COUNT; k++) {
    SYSNAME &n = g_var.aSysName[k];
    n.bLen = 0;
    for (const char *psz = c_apszSys[k]; *psz != '\0' && n.bLen < sizeof n.abName; psz++)
      n.abName[n.bLen++] = g_abAsciiToEbcdic[static_cast<uint8_t>(*psz)];
    n.bHash = bHash(n.abName, n.bLen);
  }
  for (uint32_t k = 0; k < STYP_COUNT; k++) vEbcdic(c_apszSectionType[k], &g_var.astrSectionType[k]);
  g_var.libDsn = g_var.libMember = HOSTTEXT{};
}

VARSYM *pChainFind(VARSYM *p, const uint8_t *pName, uint32_t ulName)
{
  for (; p != nullptr; p = p->pNext)
    if (p->bNameLen == ulName && p->abName[0] == pName[0] && std::memcmp(p->abName, pName, ulName) == 0) return p;
  return nullptr;
}

/* Appends to the end of a chain. */
void vChainAdd(VARSYM **ppHead, VARSYM *pVar)
{
  while (*ppHead != nullptr) ppHead = &(*ppHead)->pNext;
  pVar->pNext = nullptr;
  *ppHead = pVar;
}

/* Member name of a file name: the part in parentheses of "file(member)",
   without directory and extension, upper case. */
std::string strMember(const char *psz)
{
  std::string s = psz != nullptr ? psz : "";
  size_t k = s.rfind('(');
  if (!s.empty() && s.back() == ')' && k != std::string::npos && k + 1 < s.size() && s[k + 1] != ')')
    s = s.substr(k + 1);
  k = s.find_last_of("\\/");
  if (k != std::string::npos) s = s.substr(k + 1);
  k = s.find('.');
  if (k != std::string::npos) s.resize(k);
  if (!s.empty() && s.back() == ')') s.pop_back();
  if (s.size() > VALUE_MAX) s.resize(VALUE_MAX);
  for (char &ch : s) ch = static_cast<char>(g_abUpperAscii[static_cast<uint8_t>(ch)]);
  return s;
}

/* A character value and the type attribute it implies. */
void vSetText(VARSYM *pVar, const char *pszHost, uint8_t bAttr = 0)
{
  vEbcdic(pszHost, &pVar->strValue);
  pVar->bAttr = bAttr != 0 ? bAttr : pVar->strValue.empty() ? E_O : E_U;
}

/* A variable as new, keeping the storage of its values. */
void vVarReset(VARSYM *pVar)
{
  pVar->pNext = nullptr;
  pVar->ulCount = 0;
  pVar->lValue = 0;
  pVar->strValue.clear();
  pVar->alElem.clear();
  pVar->astrElem.clear();
  if (pVar->astrElem.capacity() > c_aulGrowth[4] + 1) std::vector<std::string>().swap(pVar->astrElem);
  if (pVar->alElem.capacity() > c_aulGrowth[4] + 1) std::vector<int32_t>().swap(pVar->alElem);
  pVar->bFlags = 0;
  pVar->bAttr = 0;
  pVar->bKind = VK_SET;
  pVar->bSys = 0xFF;
  pVar->bGiven = false;
  pVar->bMarker = 0;
}

void vSysInit(VARSYM *pVar, uint32_t ulNumber, uint8_t bType)
{
  vVarReset(pVar);
  pVar->bFlags = static_cast<uint8_t>(bType | VF_GLOBAL | (ulNumber < SYS_WIDE ? VF_WIDE : 0));
  pVar->bKind = VK_SYS;
  pVar->bSys = static_cast<uint8_t>(ulNumber);
  pVar->bAttr = E_N;
  const SYSNAME &n = g_var.aSysName[ulNumber];
  std::memcpy(pVar->abName, n.abName, n.bLen);
  pVar->abName[n.bLen] = 0;
  pVar->bNameLen = n.bLen;
  pVar->bHash = n.bHash;
}

void vRefreshStatement(VARSYM *pVar) { vDecimal(ulStmtNumber(), 8, &pVar->strValue); }

/* The value of a variable whose value is made when it is looked up:
   &SYSSTMT's statement number, a call's &SYSNDX. */
void vValueNow(VARSYM *pVar)
{
  if (pVar->bFlags & VF_STMT) {
    vRefreshStatement(pVar);
    return;
  }
  vDecimal(pVar->ulCount, 4, &pVar->strValue);
  pVar->bFlags &= static_cast<uint8_t>(~VF_LATE);
}

/* System variables 0 to 30 of the phase. */
void vBuildSystem()
{
  std::memset(g_var.apSys, 0, sizeof g_var.apSys);
  for (uint32_t k = 0; k < SYS_WIDE; k++) {
    VARSYM *pVar = &g_var.aSys[k];
    bool bBool = k == 5 || k == 7;
    vSysInit(pVar, k, bBool ? VT_B : VT_C);
    vChainAdd(&g_var.apSys[pVar->bHash], pVar);
  }
  VARSYM *a = g_var.aSys;
  a[SYS_STMT].bFlags |= VF_STMT;
  vRefreshStatement(&a[SYS_STMT]);
  vSetText(&a[1], g_opt.aSys[SV_SYSASM].achValue);
  vSetText(&a[2], g_opt.aSys[SV_SYSDATC].achValue, E_N);
  vSetText(&a[3], g_opt.aSys[SV_SYSDATE].achValue);
  vSetText(&a[4], g_opt.aSys[SV_SYSJOB].achValue);
  a[5].lValue = 0;
  std::string strOptable = g_opt.achOptable;
  for (char &ch : strOptable) ch = static_cast<char>(g_abUpperAscii[static_cast<uint8_t>(ch)]);
  vSetText(&a[6], strOptable.c_str());
  a[7].lValue = (g_opt.ulFlag & FLAG_RENT) ? 1 : 0;
  vSetText(&a[8], g_opt.pszSysparm);
  vSetText(&a[9], g_opt.aSys[SV_SYSSTEP].achValue);
  vSetText(&a[10], g_opt.pszSystemId);
  vSetText(&a[11], g_opt.aSys[SV_SYSTIME].achValue);
  vSetText(&a[12], g_opt.aSys[SV_SYSVER].achValue);
  const char *apszDsn[4] = {g_opt.pszSysprint, g_opt.pszSyspunch, g_opt.pszSyslin, g_opt.pszSysterm};
  for (uint32_t k = 0; k < 4; k++) {
    vSetText(&a[13 + 3 * k], apszDsn[k]);
    vSetText(&a[14 + 3 * k], apszDsn[k] != nullptr ? strMember(apszDsn[k]).c_str() : "");
    vSetText(&a[15 + 3 * k], "");
  }
  for (uint32_t k = 25; k < SYS_WIDE; k++) vSetText(&a[k], "");
  g_var.strInSource.clear();
}

/* A closed scope: its variables and links go to the spares, the scope to
   the free list, every chain it used emptied. */
void vScopeDelete(VARSCOPE *pScope)
{
  if (pScope == nullptr) return;
  if (pScope->pPrevLive != nullptr)
    pScope->pPrevLive->pNextLive = pScope->pNextLive;
  else
    g_var.pLive = pScope->pNextLive;
  if (pScope->pNextLive != nullptr) pScope->pNextLive->pPrevLive = pScope->pPrevLive;
  if (pScope->bSysOwn)
    for (VARSYM &v : pScope->aSysOwn) pScope->apOwn[v.bHash] = nullptr;
  pScope->bSysOwn = false;
  for (size_t k = 0; k < pScope->aOwn.size(); k++) {
    std::unique_ptr<VARSYM> &p = pScope->aOwn[k];
    pScope->apOwn[p->bHash] = nullptr;
    if (k < pScope->aParms.size())
      pScope->aParmsKept.push_back(std::move(p));
    else
      g_var.aSpare.push_back(std::move(p));
  }
  for (auto &p : pScope->aLinks) {
    pScope->apLink[p->bHash] = nullptr;
    g_var.aSpareLinks.push_back(std::move(p));
  }
  pScope->aOwn.clear();
  pScope->aLinks.clear();
  pScope->aParms.clear();
  pScope->pSyslist = nullptr;
  pScope->bOpenCode = false;
  pScope->pPrevLive = nullptr;
  pScope->pNextLive = g_var.pFree;
  g_var.pFree = pScope;
}

VARSCOPE *pScopeNew()
{
  VARSCOPE *pScope = g_var.pFree;
  if (pScope != nullptr)
    g_var.pFree = pScope->pNextLive;
  else
    pScope = new VARSCOPE;
  pScope->ullSerial = ++g_var.ullScopes;
  pScope->pNextLive = g_var.pLive;
  if (g_var.pLive != nullptr) g_var.pLive->pPrevLive = pScope;
  g_var.pLive = pScope;
  return pScope;
}

/* A new own variable of the scope (a spare one when there is one); its
   name and chain are the caller's. */
VARSYM *pOwnAdd(VARSCOPE *pScope)
{
  if (g_var.aSpare.empty()) {
    pScope->aOwn.push_back(std::make_unique<VARSYM>());
  } else {
    pScope->aOwn.push_back(std::move(g_var.aSpare.back()));
    g_var.aSpare.pop_back();
    vVarReset(pScope->aOwn.back().get());
  }
  return pScope->aOwn.back().get();
}

VARSYM *pOwnNew(VARSCOPE *pScope, const uint8_t *pName, uint32_t ulName, uint8_t bFlags, uint8_t bKind)
{
  VARSYM *pVar = pOwnAdd(pScope);
  vSetName(pVar, pName, ulName);
  pVar->bFlags = bFlags;
  pVar->bKind = bKind;
  pVar->bSys = 0xFF;
  vChainAdd(&pScope->apOwn[pVar->bHash], pVar);
  return pVar;
}

uint32_t ulCapacity(uint32_t ulNeed)
{
  for (uint32_t ul : c_aulGrowth)
    if (ul >= ulNeed) return ul;
  return SUBSCRIPT_MAX;
}

/* Makes room for element n (1-based; SYSLIST from 0). */
void vGrow(VARSYM *pVar, uint32_t ulIndex)
{
  uint32_t ulSlots = ulIndex + 1;
  bool bText = (pVar->bFlags & VT_MASK) == VT_C;
  size_t ulHave = bText ? pVar->astrElem.size() : pVar->alElem.size();
  if (ulSlots > ulHave) {
    uint32_t ulCap = ulCapacity(ulSlots) + 1;
    if (bText)
      pVar->astrElem.resize(ulCap);
    else
      pVar->alElem.resize(ulCap, 0);
  }
  if (ulIndex > pVar->ulCount) pVar->ulCount = ulIndex;
}

bool bOpenCodeScope(const MACLEVEL *pLevel) { return pLevel->pVars != nullptr && pLevel->pVars->bOpenCode; }

void vHalveActr(MACLEVEL *pLevel)
{
  if (pLevel != nullptr && pLevel->lActr > 0) pLevel->lActr /= 2;
}

void vAttach(const CONDDIAG &d) { iStmtDiag(d.iNumber, DIAG_HOST_TEXT, 12, 0, d.achText); }

void vAttachMsg(VARMSG e, const std::string &strName = std::string()) { iStmtMsg(g_aVarMsg[e], strName.c_str()); }

/* Declares a variable in the level; null after 110. */
VARSYM *pDeclare(MACLEVEL *pLevel, const VARREF &ref, uint8_t bFlags, bool bStrict)
{
  const uint8_t *pName = ref.abName;
  uint32_t ulName = ref.ulName;
  VARSCOPE *pScope = pLevel->pVars;
  VARSYM *pVisible = pVarFind(pLevel, pName, ulName, ref.bHash);
  if (bOpenCodeScope(pLevel))
    for (uint32_t k = SYS_IN_DSN; k < SYS_COUNT; k++) {
      const SYSNAME &n = g_var.aSysName[k];
      if (n.bLen == ulName && std::memcmp(n.abName, pName, ulName) == 0) {
        vAttachMsg(VARM_DEFINED, strHostName(pName, ulName));
        return nullptr;
      }
    }
  if (pVisible != nullptr) {
    if (bStrict) {
      vAttachMsg(VARM_DEFINED, strHostName(pName, ulName));
      return nullptr;
    }
    return pVisible;
  }
  if (bFlags & VF_GLOBAL) {
    uint8_t h = ref.bHash;
    VARSYM *pVar = pChainFind(g_var.apGlobal[h], pName, ulName);
    if (pVar != nullptr && (pVar->bFlags & (VT_MASK | VF_DIM)) != (bFlags & (VT_MASK | VF_DIM))) {
      vAttachMsg(VARM_DEFINED, strHostName(pName, ulName));
      return nullptr;
    }
    if (pVar == nullptr) {
      g_var.aGlobal.push_back(std::make_unique<VARSYM>());
      pVar = g_var.aGlobal.back().get();
      vSetName(pVar, pName, ulName);
      pVar->bFlags = static_cast<uint8_t>(bFlags | VF_WIDE);
      pVar->bKind = VK_SET;
      pVar->bSys = 0xFF;
      vChainAdd(&g_var.apGlobal[h], pVar);
    }
    if (g_var.aSpareLinks.empty()) {
      pScope->aLinks.push_back(std::make_unique<VARLINK>());
    } else {
      pScope->aLinks.push_back(std::move(g_var.aSpareLinks.back()));
      g_var.aSpareLinks.pop_back();
    }
    VARLINK *pLink = pScope->aLinks.back().get();
    pLink->pNext = nullptr;
    pLink->pVar = pVar;
    pLink->bHash = h;
    VARLINK **pp = &pScope->apLink[h];
    while (*pp != nullptr) pp = &(*pp)->pNext;
    *pp = pLink;
    return pVar;
  }
  return pOwnNew(pScope, pName, ulName, bFlags, VK_SET);
}

/* The SET target named by a label field: the variable and the subscript
   (0 for none); false after a diagnostic.  pTarget (may be null): the
   target kept with the model statement of this very label. */
bool bSetTarget(MACLEVEL *pLevel, const uint8_t *pLabel, uint32_t ulLabel, uint8_t bType, VARSYM **ppVar,
                uint32_t *pulIndex, VARTARGET *pTarget = nullptr)
{
  auto fType = [&](const VARSYM *pVar, uint8_t bDim) {
    return pVar->bKind == VK_SET && (pVar->bFlags & VT_MASK) == bType && (pVar->bFlags & VF_DIM) == bDim;
  };
  if (pTarget != nullptr && pTarget->bState == 1) { /* a visible variable is what a declaration gives */
    VARSYM *pVar = pVarFindKept(pLevel, pTarget->abName, pTarget->bName, pTarget->bHash, &pTarget->kept);
    if (pVar != nullptr && fType(pVar, 0)) {
      *ppVar = pVar;
      *pulIndex = 0;
      return true;
    }
  }
  if (ulLabel < 2 || pLabel[0] != E_AMP) {
    vAttachMsg(VARM_LABEL);
    return false;
  }
  CONDDIAG d{};
  VARREF ref;
  uint32_t ulUsed = 0;
  if (!bCondVarRef(pLevel, pLabel, ulLabel, false, &ulUsed, &ref, &d)) {
    vAttach(d);
    return false;
  }
  if (ulUsed != ulLabel || ref.ulSubs > 1) {
    vAttachMsg(VARM_LABEL);
    return false;
  }
  if (pTarget != nullptr && pTarget->bState == 0) {
    pTarget->bState = ref.ulSubs == 0 && pLabel[1] != E_LPAREN ? 1 : 2; /* no created name */
    pTarget->bName = static_cast<uint8_t>(ref.ulName);
    pTarget->bHash = ref.bHash;
    std::memcpy(pTarget->abName, ref.abName, ref.ulName);
  }
  uint8_t bDim = ref.ulSubs > 0 ? VF_DIM : 0;
  VARSYM *pVar = pDeclare(pLevel, ref, static_cast<uint8_t>(bType | bDim), false);
  if (pVar == nullptr) return false;
  if (!fType(pVar, bDim)) {
    vAttachMsg(VARM_TYPE, strHostName(ref.abName, ref.ulName));
    return false;
  }
  if (ref.ulSubs > 0 && (ref.alSub[0] < 1 || ref.alSub[0] > static_cast<int32_t>(SUBSCRIPT_MAX))) {
    vAttachMsg(VARM_SUBSCRIPT, strHostName(ref.abName, ref.ulName));
    return false;
  }
  *ppVar = pVar;
  *pulIndex = ref.ulSubs > 0 ? static_cast<uint32_t>(ref.alSub[0]) : 0;
  return true;
}

void vAssignText(VARSYM *pVar, uint32_t ulIndex, const uint8_t *p, uint32_t n)
{
  if (n > VALUE_MAX) n = VALUE_MAX;
  if (ulIndex == 0 && !(pVar->bFlags & VF_FROM0)) {
    pVar->strValue.assign(reinterpret_cast<const char *>(p), n);
  } else {
    vGrow(pVar, ulIndex);
    pVar->astrElem[ulIndex].assign(reinterpret_cast<const char *>(p), n);
  }
}

void vAssignNumber(VARSYM *pVar, uint32_t ulIndex, int32_t l)
{
  if (ulIndex == 0) {
    pVar->lValue = l;
  } else {
    vGrow(pVar, ulIndex);
    pVar->alElem[ulIndex] = l;
  }
}

/* The type an instruction declares or sets. */
uint8_t bTypeOf(const OPENTRY *pEntry)
{
  if (bIsInstruction(pEntry, INSTR_LCLA) || bIsInstruction(pEntry, INSTR_GBLA) || bIsInstruction(pEntry, INSTR_SETA))
    return VT_A;
  if (bIsInstruction(pEntry, INSTR_LCLB) || bIsInstruction(pEntry, INSTR_GBLB) || bIsInstruction(pEntry, INSTR_SETB))
    return VT_B;
  return VT_C;
}

/* A dump line's value text. */
void vDumpValue(std::string *pLine, uint8_t bType, int32_t l, const std::string &s)
{
  char ach[16];
  if (bType == VT_C) {
    *pLine += '\'';
    *pLine += strHostName(reinterpret_cast<const uint8_t *>(s.data()), s.size());
    *pLine += '\'';
  } else {
    std::snprintf(ach, sizeof ach, "%ld", static_cast<long>(bType == VT_B ? (l != 0) : l));
    *pLine += ach;
  }
}

void vDumpVar(const char *pszClass, const VARSYM *pVar, void (*pfnLine)(const char *))
{
  uint8_t bType = pVar->bFlags & VT_MASK;
  std::string strLine = pszClass;
  strLine += bType == VT_A ? 'A' : bType == VT_B ? 'B' : bType == VT_C ? 'C' : '?';
  strLine += ' ';
  strLine += strHostName(pVar);
  if (!(pVar->bFlags & VF_DIM)) {
    strLine += '=';
    if (pVar->bFlags & (VF_STMT | VF_LATE)) vValueNow(const_cast<VARSYM *>(pVar));
    vDumpValue(&strLine, bType, pVar->lValue, pVar->strValue);
    pfnLine(strLine.c_str());
    return;
  }
  bool bFrom0 = (pVar->bFlags & VF_FROM0) != 0;
  char ach[24];
  std::snprintf(ach, sizeof ach, "(%lu)",
                static_cast<unsigned long>(bFrom0 && pVar->ulCount > 0 ? pVar->ulCount - 1 : pVar->ulCount));
  strLine += ach;
  pfnLine(strLine.c_str());
  for (uint32_t k = bFrom0 ? 0 : 1; k <= pVar->ulCount; k++) {
    bool bText = bType == VT_C;
    if (bText ? rVarElementText(pVar, k).empty() : lVarElement(pVar, k) == 0) continue;
    std::snprintf(ach, sizeof ach, "     %lu=", static_cast<unsigned long>(k));
    strLine = ach;
    vDumpValue(&strLine, bType, lVarElement(pVar, k), rVarElementText(pVar, k));
    pfnLine(strLine.c_str());
  }
}

} // namespace

/* ---- lookup ------------------------------------------------------------------ */

VARSYM *pVarFind(const MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName)
{
  if (ulName == 0 || ulName > VAR_NAME_MAX) return nullptr;
  return pVarFind(pLevel, pName, ulName, bHash(pName, ulName));
}

VARSYM *pVarFind(const MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName, uint8_t h)
{
  if (pLevel == nullptr || pLevel->pVars == nullptr || ulName == 0 || ulName > VAR_NAME_MAX) return nullptr;
  const VARSCOPE *pScope = pLevel->pVars;
  VARSYM *pVar = pChainFind(pScope->apOwn[h], pName, ulName);
  if (pVar == nullptr)
    for (VARLINK *pLink = pScope->apLink[h]; pLink != nullptr; pLink = pLink->pNext)
      if (pLink->pVar->bNameLen == ulName && std::memcmp(pLink->pVar->abName, pName, ulName) == 0) {
        pVar = pLink->pVar;
        break;
      }
  if (pVar == nullptr) {
    pVar = pChainFind(g_var.apSys[h], pName, ulName);
    if (pVar != nullptr && pScope->bOpenCode && pVar->bSys >= SYS_OPEN) pVar = nullptr;
  }
  if (pVar != nullptr && (pVar->bFlags & (VF_STMT | VF_LATE))) vValueNow(pVar);
  return pVar;
}

namespace {

/* Where a kept lookup finds its variable in another scope. */
enum : uint8_t {
  VP_NONE,
  VP_PARM,     /* the scope's parameter usIndex */
  VP_SYS_OWN,  /* the scope's system variable 31 + usIndex */
  VP_SYS_WIDE, /* the phase's system variable usIndex, in a call's scope */
};

/* The variable a kept lookup's place holds in this scope when it has the
   name; null otherwise. */
VARSYM *pPlaced(const VARSCOPE *pScope, const VARKEPT &kept, const uint8_t *pName, uint32_t ulName)
{
  VARSYM *pVar = nullptr;
  if (kept.bPlace == VP_PARM && kept.usIndex < pScope->aParms.size())
    pVar = pScope->aParms[kept.usIndex];
  else if (kept.bPlace == VP_SYS_OWN && pScope->bSysOwn)
    pVar = const_cast<VARSYM *>(&pScope->aSysOwn[kept.usIndex]);
  else if (kept.bPlace == VP_SYS_WIDE && !pScope->bOpenCode)
    pVar = &g_var.aSys[kept.usIndex];
  if (pVar == nullptr || pVar->bNameLen != ulName) return nullptr;
  for (uint32_t k = 0; k < ulName; k++) /* mostly a short name: no call */
    if (pVar->abName[k] != pName[k]) return nullptr;
  return pVar;
}

/* The place of a variable found in a scope. */
void vPlace(const VARSCOPE *pScope, const VARSYM *pVar, VARKEPT *pKept)
{
  pKept->bPlace = VP_NONE;
  if (pVar->bKind == VK_SYS && pVar->bSys < SYS_WIDE) {
    if (!pScope->bOpenCode) *pKept = VARKEPT{pKept->pVar, pKept->ullScope, VP_SYS_WIDE, pVar->bSys};
  } else if (pVar->bKind == VK_SYS && pVar->bSys < SYS_COUNT) {
    *pKept = VARKEPT{pKept->pVar, pKept->ullScope, VP_SYS_OWN, static_cast<uint16_t>(pVar->bSys - SYS_WIDE)};
  } else if (pVar->bKind == VK_PARM) {
    for (size_t k = 0; k < pScope->aParms.size() && k <= UINT16_MAX; k++)
      if (pScope->aParms[k] == pVar) {
        *pKept = VARKEPT{pKept->pVar, pKept->ullScope, VP_PARM, static_cast<uint16_t>(k)};
        break;
      }
  }
}

} // namespace

VARSYM *pVarFindKept(const MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName, uint8_t h, VARKEPT *pKept)
{
  const VARSCOPE *pScope = pLevel != nullptr ? pLevel->pVars : nullptr;
  if (pScope == nullptr) return nullptr;
  VARSYM *pVar = nullptr;
  if (pKept->ullScope == pScope->ullSerial) {
    pVar = pKept->pVar;
  } else if ((pVar = pPlaced(pScope, *pKept, pName, ulName)) != nullptr) {
    pKept->pVar = pVar;
    pKept->ullScope = pScope->ullSerial;
  } else {
    pVar = pVarFind(pLevel, pName, ulName, h);
    if (pVar == nullptr) return nullptr;
    pKept->pVar = pVar;
    pKept->ullScope = pScope->ullSerial;
    vPlace(pScope, pVar, pKept);
    return pVar; /* refreshed */
  }
  if (pVar->bFlags & (VF_STMT | VF_LATE)) vValueNow(pVar);
  return pVar;
}

int32_t lVarElement(const VARSYM *pVar, uint32_t ulIndex)
{
  return ulIndex < pVar->alElem.size() ? pVar->alElem[ulIndex] : 0;
}

const std::string &rVarElementText(const VARSYM *pVar, uint32_t ulIndex)
{
  static const std::string s_strEmpty;
  return ulIndex < pVar->astrElem.size() ? pVar->astrElem[ulIndex] : s_strEmpty;
}

/* ---- phase and levels ---------------------------------------------------------- */

void vVarPhaseStart()
{
  vVarPhaseEnd();
  g_var.ulSysndx = 0;
  vSysNamesBuild();
  vBuildSystem();
  g_var.openCode = MACLEVEL{};
  g_var.openCode.lActr = ACTR_START;
  g_var.openCode.pVars = pScopeNew();
  g_var.openCode.pVars->bOpenCode = true;
  g_var.pCurrent = &g_var.openCode;
}

void vVarPhaseEnd()
{
  while (g_var.pLive != nullptr) vScopeDelete(g_var.pLive);
  while (g_var.pFree != nullptr) {
    VARSCOPE *pScope = g_var.pFree;
    g_var.pFree = pScope->pNextLive;
    delete pScope;
  }
  g_var.aSpare.clear();
  g_var.aSpareLinks.clear();
  g_var.openCode.pVars = nullptr;
  g_var.pCurrent = nullptr;
  g_var.aGlobal.clear();
  std::memset(g_var.apGlobal, 0, sizeof g_var.apGlobal);
  std::memset(g_var.apSys, 0, sizeof g_var.apSys);
}

MACLEVEL *pVarOpenCode() { return &g_var.openCode; }
MACLEVEL *pVarLevel() { return g_var.pCurrent; }
void vVarLevelSet(MACLEVEL *pLevel) { g_var.pCurrent = pLevel; }
uint32_t ulVarSysndxCounter() { return g_var.ulSysndx; }

void vVarLevelOpen(MACLEVEL *pLevel, const uint8_t *pParms, uint32_t ulParms, const char *pszLibDsn,
                   const char *pszLibMember)
{
  if (pLevel->pVars != nullptr) vVarLevelClose(pLevel);
  VARSCOPE *pScope = pScopeNew();
  pScope->aOwn.reserve(ulParms / 3 + 1); /* one allocation for the call's own */
  /* the parameters of the call before, when it had the same list */
  bool bKept = !pScope->aParmsKept.empty() && pScope->vecParmList.size() == ulParms &&
               std::memcmp(pScope->vecParmList.data(), pParms, ulParms) == 0;
  if (!bKept) {
    for (auto &p : pScope->aParmsKept) g_var.aSpare.push_back(std::move(p));
    pScope->aParmsKept.clear();
    pScope->vecParmList.assign(pParms, pParms + ulParms);
  }
  pScope->bSysOwn = true;
  pLevel->pVars = pScope;
  pLevel->lActr = ACTR_START;
  pLevel->ulSysndx = ++g_var.ulSysndx;

  /* 31 to 39: named once per scope, their values set for every call */
  if (!pScope->bSysNamed) {
    for (uint32_t k = SYS_WIDE; k < SYS_COUNT; k++)
      vSysInit(&pScope->aSysOwn[k - SYS_WIDE], k, k == SYS_NEST ? VT_A : VT_C);
    pScope->aSysOwn[SYS_LIST - SYS_WIDE].bFlags |= VF_DIM | VF_FROM0;
    pScope->bSysNamed = true;
  }
  auto sys = [pScope](uint32_t ulNumber) -> VARSYM & { return pScope->aSysOwn[ulNumber - SYS_WIDE]; };
  /* the values of the call before in this scope stay where they are the same */
  for (VARSYM &v : pScope->aSysOwn) {
    if (v.bSys != SYS_ECT && v.bSys != SYS_LOC && v.bSys != SYS_STYP && v.bSys != SYS_LIB_DSN &&
        v.bSys != SYS_LIB_MEMBER)
      v.strValue.clear();
    vChainAdd(&pScope->apOwn[v.bHash], &v);
  }
  int32_t lCounter = lEsdCurrentCounter();
  LOCCTR *pCounter = lCounter >= 0 ? pLocCounter(lCounter) : nullptr;
  ESDITEM *pItem = pCounter != nullptr ? pEsdItem(pCounter->lSection) : nullptr;
  const SYMBOL *pEctName = pItem != nullptr ? pItem->pName : nullptr;
  const SYMBOL *pLocName = pItem != nullptr && pCounter->pName != nullptr ? pCounter->pName : pEctName;
  auto fName = [](const SYMBOL *pName, std::string *pValue) {
    if (pName == nullptr)
      pValue->clear();
    else
      vSetValue(pValue, pName->abName, pName->usNameLength);
  };
  fName(pEctName, &sys(SYS_ECT).strValue);
  fName(pLocName, &sys(SYS_LOC).strValue);
  if (pItem != nullptr) {
    uint32_t ulType = STYP_CSECT;
    if (pItem->bKind == ESD_CM)
      ulType = STYP_COM;
    else if (pItem->bKind == ESD_DSECT || pItem->bKind == ESD_XD)
      ulType = STYP_DSECT;
    else if (pItem->bAttr & ESDA_RSECT)
      ulType = STYP_RSECT;
    const std::string &strType = g_var.astrSectionType[ulType];
    vSetValue(&sys(SYS_STYP).strValue, reinterpret_cast<const uint8_t *>(strType.data()), strType.size());
  } else {
    sys(SYS_STYP).strValue.clear();
  }
  sys(SYS_NDX).ulCount = pLevel->ulSysndx; /* its digits made when it is looked up */
  sys(SYS_NDX).bFlags |= VF_LATE;
  sys(SYS_NEST).lValue = pLevel->lNest + 1;
  vEbcdicKept(pszLibDsn, &g_var.libDsn, &sys(SYS_LIB_DSN).strValue);
  vEbcdicKept(pszLibMember, &g_var.libMember, &sys(SYS_LIB_MEMBER).strValue);
  VARSYM *pList = &sys(SYS_LIST);
  pList->ulCount = 1;
  if (pList->astrElem.capacity() > c_aulGrowth[4] + 1) std::vector<std::string>().swap(pList->astrElem);
  for (std::string &str : pList->astrElem) str.clear(); /* elements empty, their storage kept */
  if (pList->astrElem.size() < c_aulGrowth[0]) pList->astrElem.resize(c_aulGrowth[0]);
  pScope->pSyslist = pList;
  for (uint32_t k = SYS_WIDE; k < SYS_COUNT; k++)
    sys(k).bAttr = k == SYS_LIST ? E_U : k == SYS_NDX || k == SYS_NEST ? E_N : sys(k).strValue.empty() ? E_O : E_U;

  /* the parameters */
  uint32_t ulPos = 0;
  for (uint32_t i = 0; i + 2 <= ulParms;) {
    uint8_t bMarker = pParms[i];
    uint32_t ulName = pParms[i + 1];
    if (i + 2 + ulName > ulParms) break;
    const uint8_t *pName = pParms + i + 2;
    i += 2 + ulName;
    VARSYM *pVar = nullptr;
    if (bKept && pScope->aParms.size() < pScope->aParmsKept.size()) { /* named as it was */
      pScope->aOwn.push_back(std::move(pScope->aParmsKept[pScope->aParms.size()]));
      pVar = pScope->aOwn.back().get();
      vVarReset(pVar);
      pVar->bFlags = VT_C;
      pVar->bKind = VK_PARM;
      vChainAdd(&pScope->apOwn[pVar->bHash], pVar);
    } else {
      pVar = pOwnNew(pScope, pName, ulName, VT_C, VK_PARM);
    }
    pVar->bMarker = bMarker;
    pVar->bAttr = 1;
    if (bMarker == 0x4C) {
      pVar->ulCount = 0;
    } else if (bMarker == 0x50) {
      pVar->ulCount = ++ulPos;
    } else if (bMarker == 0x4B && i < ulParms) {
      uint32_t ulDefault = pParms[i];
      if (i + 1 + ulDefault > ulParms) ulDefault = ulParms - i - 1;
      vAssignText(pVar, 0, pParms + i + 1, ulDefault);
      i += 1 + ulDefault;
    }
    if (pVar->strValue.empty() && bMarker != 0x4C && bMarker != 0x50) pVar->bAttr = E_O;
    pScope->aParms.push_back(pVar);
  }
  for (auto &p : pScope->aParmsKept) /* those a cut list did not take */
    if (p != nullptr) g_var.aSpare.push_back(std::move(p));
  pScope->aParmsKept.clear();
}

void vVarLevelClose(MACLEVEL *pLevel)
{
  if (pLevel == nullptr || pLevel->pVars == nullptr) return;
  if (pLevel == &g_var.openCode) return;
  vScopeDelete(pLevel->pVars);
  pLevel->pVars = nullptr;
}

void vVarOpenCodeCall(const char *pszSource, const uint8_t *pSeq, uint32_t ulSeq)
{
  if (g_var.openCode.pVars == nullptr) return; /* no phase */
  if (pszSource == nullptr) pszSource = "";
  if (g_var.strInSource != pszSource) { /* mostly the same source as at the call before */
    g_var.strInSource = pszSource;
    vSetText(&g_var.aSys[SYS_IN_DSN], pszSource);
    vSetText(&g_var.aSys[SYS_IN_MEMBER], strMember(pszSource).c_str());
  }
  VARSYM *pSeqf = &g_var.aSys[SYS_SEQF];
  if (pSeq != nullptr && ulSeq == SEQ_DEFAULT_LENGTH && ulSourceDepth() == 1) {
    /* a statement of the primary input: the field ISEQ set, on the same card */
    uint32_t ulFirst = 0;
    vSequenceField(&ulFirst, &ulSeq);
    pSeq = pSeq - SEQ_DEFAULT_FIRST + ulFirst;
  }
  pSeqf->strValue.assign(reinterpret_cast<const char *>(pSeq), pSeq != nullptr ? ulSeq : 0);
  pSeqf->bAttr = ulSeq > 0 ? E_U : E_O;
}

int iVarKeyword(MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName, const uint8_t *pValue, uint32_t ulValue)
{
  if (pLevel == nullptr || pLevel->pVars == nullptr) return 122;
  uint8_t abName[VAR_NAME_MAX + 1];
  if (ulName == 0 || ulName > VAR_NAME_MAX) return 122;
  for (uint32_t k = 0; k < ulName; k++) abName[k] = g_abUpper[pName[k]];
  VARSYM *pVar = nullptr; /* the last parameter of that name */
  const auto &aParms = pLevel->pVars->aParms;
  for (size_t i = aParms.size(); i-- > 0 && pVar == nullptr;) {
    VARSYM *p = aParms[i];
    if (p->bNameLen == ulName && (p->bMarker == 0x6B || p->bMarker == 0x4B) && p->abName[0] == abName[0] &&
        std::memcmp(p->abName, abName, ulName) == 0)
      pVar = p;
  }
  if (pVar == nullptr) return 122;
  if (pVar->bGiven) return 123;
  pVar->bGiven = true;
  vAssignText(pVar, 0, pValue, ulValue);
  pVar->bAttr = pVar->strValue.empty() ? E_O : 1;
  return 0;
}

void vVarSyslist(MACLEVEL *pLevel, uint32_t ulIndex, const uint8_t *pValue, uint32_t ulValue)
{
  if (pLevel == nullptr || pLevel->pVars == nullptr || pLevel->pVars->pSyslist == nullptr) return;
  if (ulIndex > SUBSCRIPT_MAX) return;
  VARSYM *pList = pLevel->pVars->pSyslist;
  vAssignText(pList, ulIndex, pValue, ulValue);
  if (ulIndex + 1 > pList->ulCount) pList->ulCount = ulIndex + 1;
}

void vVarParmsFinish(MACLEVEL *pLevel)
{
  if (pLevel == nullptr || pLevel->pVars == nullptr) return;
  VARSCOPE *pScope = pLevel->pVars;
  for (VARSYM *pVar : pScope->aParms) {
    if (pVar->bMarker == 0x4C || pVar->bMarker == 0x50) {
      pVar->strValue = pScope->pSyslist != nullptr ? rVarElementText(pScope->pSyslist, pVar->ulCount) : "";
      pVar->ulCount = 0;
    }
    pVar->bAttr = pVar->strValue.empty() ? E_O : 1;
  }
  if (pScope->pSyslist != nullptr) pScope->pSyslist->bAttr = E_U;
  pLevel->lNest++;
}

int iVarCharacter(const MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName, const uint8_t **ppValue,
                  uint32_t *pulValue)
{
  uint8_t abName[VAR_NAME_MAX + 1];
  if (ulName == 0 || ulName > VAR_NAME_MAX) return 261;
  for (uint32_t k = 0; k < ulName; k++) abName[k] = g_abUpper[pName[k]];
  VARSYM *pVar = pVarFind(pLevel, abName, ulName);
  if (pVar == nullptr) return 261;
  if ((pVar->bFlags & VT_MASK) != VT_C || (pVar->bFlags & VF_DIM)) return 111;
  *ppValue = reinterpret_cast<const uint8_t *>(pVar->strValue.data());
  *pulValue = static_cast<uint32_t>(pVar->strValue.size());
  return 0;
}

bool bVarLabelTarget(const SRCSTMT *pStmt, VARELEMENT *pTarget)
{
  MACLEVEL *pLevel = g_var.pCurrent;
  *pTarget = VARELEMENT{nullptr, 0};
  if (pLevel == nullptr) return false;
  const uint8_t *pLabel = static_cast<const uint8_t *>(pStmt->cards.pData) + pStmt->ulLabelOff;
  return bSetTarget(pLevel, pLabel, pStmt->ulLabelLen, VT_C, &pTarget->pVar, &pTarget->ulIndex);
}

void vVarAssignTarget(const VARELEMENT &target, const uint8_t *pValue, uint32_t ulValue)
{
  if (target.pVar != nullptr) vAssignText(target.pVar, target.ulIndex, pValue, ulValue);
}

void vVarDump(const MACLEVEL *pLevel, unsigned uWhat, void (*pfnLine)(const char *pszLine))
{
  if (pLevel == nullptr || pLevel->pVars == nullptr) return;
  const VARSCOPE *pScope = pLevel->pVars;
  if (uWhat & VDUMP_SYSTEM) {
    uint32_t ulWide = pScope->bOpenCode ? SYS_OPEN : SYS_WIDE;
    for (uint32_t k = 0; k < ulWide; k++) vDumpVar("SYS", &g_var.aSys[k], pfnLine);
    if (pScope->bSysOwn)
      for (const VARSYM &v : pScope->aSysOwn) vDumpVar("SYS", &v, pfnLine);
  }
  if (uWhat & VDUMP_GLOBAL)
    for (const auto &p : pScope->aLinks) vDumpVar("GBL", p->pVar, pfnLine);
  if (uWhat & VDUMP_OWN) {
    for (const auto &p : pScope->aOwn)
      if (p->bKind == VK_PARM) vDumpVar("SYM", p.get(), pfnLine);
    for (const auto &p : pScope->aOwn)
      if (p->bKind == VK_SET) vDumpVar("LCL", p.get(), pfnLine);
  }
}

/* ---- the handlers -------------------------------------------------------------- */

void vDeclareFirstPhase(const INSTRARGS &a)
{
  MACLEVEL *pLevel = g_var.pCurrent;
  if (a.pStmt == nullptr || pLevel == nullptr) return;
  uint8_t bFlags = bTypeOf(a.pEntry);
  if (bIsInstruction(a.pEntry, INSTR_GBLA) || bIsInstruction(a.pEntry, INSTR_GBLB) ||
      bIsInstruction(a.pEntry, INSTR_GBLC))
    bFlags |= VF_GLOBAL;
  CONDDIAG d{};
  CONDFIELD own;
  const std::string *pStrField = nullptr;
  const CONDITEMS *pItems = nullptr;
  if (!bModelCondField(a.pStmt, &own, &pStrField, &d, &pItems)) {
    vAttach(d);
    return;
  }
  const uint8_t *pField = reinterpret_cast<const uint8_t *>(pStrField->data());
  const CONDITEMS &items = *pItems;
  for (size_t k = 0; k < items.size(); k++) {
    const uint8_t *p = pField + items[k].first;
    uint32_t n = items[k].second, ulUsed = 0;
    VARREF ref;
    if (n == 0 || p[0] != E_AMP) {
      iStmtDiagOperand(static_cast<unsigned>(k + 1));
      return;
    }
    if (!bCondVarRef(pLevel, p, n, false, &ulUsed, &ref, &d)) {
      vAttach(d);
      return;
    }
    if (ulUsed != n || ref.ulSubs > 1) {
      iStmtDiagOperand(static_cast<unsigned>(k + 1));
      return;
    }
    if (ref.ulSubs == 1 && (ref.alSub[0] < 0 || ref.alSub[0] > static_cast<int32_t>(SUBSCRIPT_MAX))) {
      vAttachMsg(VARM_SUBSCRIPT, strHostName(ref.abName, ref.ulName));
      return;
    }
    uint8_t bDim = ref.ulSubs > 0 ? VF_DIM : 0;
    VARSYM *pVar = pDeclare(pLevel, ref, static_cast<uint8_t>(bFlags | bDim), true);
    if (pVar == nullptr) return;
    if (bDim && static_cast<uint32_t>(ref.alSub[0]) > pVar->ulCount)
      pVar->ulCount = static_cast<uint32_t>(ref.alSub[0]);
  }
}

namespace {

/* A SET statement; false after a diagnostic. */
bool bSetStatement(MACLEVEL *pLevel, const INSTRARGS &a)
{
  uint8_t bType = bTypeOf(a.pEntry);
  const uint8_t *pLabel = static_cast<const uint8_t *>(a.pStmt->cards.pData) + a.pStmt->ulLabelOff;
  VARSYM *pVar = nullptr;
  uint32_t ulIndex = 0;
  if (!bSetTarget(pLevel, pLabel, a.pStmt->ulLabelLen, bType, &pVar, &ulIndex, pModelSetTarget(a.pStmt))) return false;
  CONDDIAG d{};
  std::string strValue;
  CONDFIELD own;
  const std::string *pStrField = nullptr;
  const CONDITEMS *pItems = nullptr;
  if (!bModelCondField(a.pStmt, &own, &pStrField, &d, &pItems)) {
    vAttach(d);
    return false;
  }
  const uint8_t *pField = reinterpret_cast<const uint8_t *>(pStrField->data());
  const CONDITEMS &items = *pItems;
  if (items.size() > 1 && ulIndex == 0) {
    vAttachMsg(VARM_MORE);
    return false;
  }
  if (ulIndex + items.size() - 1 > SUBSCRIPT_MAX) {
    vAttachMsg(VARM_SUBSCRIPT, strHostName(pVar));
    return false;
  }
  /* the array grows to the last element the operands name */
  if (ulIndex > 0 && ulIndex + items.size() - 1 > pVar->ulCount)
    pVar->ulCount = ulIndex + static_cast<uint32_t>(items.size()) - 1;
  CONDFORM *pForm = items.size() == 1 ? pModelCondForm(a.pStmt) : nullptr;
  for (size_t k = 0; k < items.size(); k++) {
    const uint8_t *p = pField + items[k].first;
    uint32_t n = items[k].second;
    uint32_t ulSlot = ulIndex == 0 ? 0 : ulIndex + static_cast<uint32_t>(k);
    if (n == 0) continue; /* leaves its element as it is */
    bool bOk = false;
    if (bType == VT_A) {
      int32_t l = 0;
      bOk = bCondArithmetic(pLevel, p, n, &l, &d, pForm);
      if (bOk) vAssignNumber(pVar, ulSlot, l);
    } else if (bType == VT_B) {
      bool b = false;
      bOk = bCondBoolean(pLevel, p, n, &b, &d, pForm);
      if (bOk) vAssignNumber(pVar, ulSlot, b ? 1 : 0);
    } else {
      bOk = bCondCharacter(pLevel, p, n, &strValue, &d, pForm);
      if (bOk)
        vAssignText(pVar, ulSlot, reinterpret_cast<const uint8_t *>(strValue.data()),
                    static_cast<uint32_t>(strValue.size()));
    }
    if (!bOk) {
      vAttach(d);
      return false;
    }
  }
  return true;
}

} // namespace

/* A SET statement that draws a diagnostic halves the level's ACTR, so that
   a loop that keeps failing ends soon. */
void vSetFirstPhase(const INSTRARGS &a)
{
  MACLEVEL *pLevel = g_var.pCurrent;
  if (a.pStmt == nullptr || pLevel == nullptr) return;
  if (!bSetStatement(pLevel, a)) vHalveActr(pLevel);
}
