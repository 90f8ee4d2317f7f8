/*
** opt.cpp - the operation code table (module "opt").
**
** Calls: the services only.
** Called by: every layer above.
**
** Owns the loaded table (entries and operand descriptors, subpool 0, for the
** whole run), the two Pearson permutation tables and the phase-1 name index
** (a binary search tree in subpool 2, rebuilt for every assembly).
**
** Notes on the design:
**  - A table image is checked completely before anything of it is used:
**    section headers, sizes (in 64 bits), entry counts, names NUL-terminated
**    within their fields and in EBCDIC order, machine lengths 2, 4 or 6,
**    assembler instruction numbers at most 63, at most four operands and
**    descriptor numbers below the descriptor count (for a fourth operand,
**    the descriptor after the third).  A damaged or foreign file can never make the
**    assembler read outside its tables.
**  - Selection keeps the entries without a length (assembler instructions
**    and the two nameless entries) under every OPTABLE value.
**  - The index starts perfectly balanced; insertions only rebalance a fresh
**    three-node chain, which keeps OPSYN and macro names cheap to add.
**  - Lookups pass a direct-mapped cache of names found or missed; every
**    change of the index empties the name's slot or the whole cache.
*/
#include "opt.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "file.h"
#include "mem.h"
#include "instrnum.h"
#include "optimage.h"
#include "vorn.h"
#include "svc.h"

#define MEM_MODULE "opt"

OPTABLE g_optab = {};
uint8_t g_abPearsonT1[256];
uint8_t g_abPearsonT2[256];

namespace {

constexpr char c_szMagic[8] = {'O', 'P', 'V', '1', '2', '0', '0', '\0'};
constexpr uint32_t MAGIC_PERM = 0x1CC4A128;
constexpr uint32_t MAGIC_ENTRIES = 0x0A9FE369;
constexpr uint32_t MAGIC_DESCS = 0x37D1BC0F;
constexpr size_t HEADER_BYTES = 72;
constexpr uint32_t MAX_ENTRIES = 32767;
/* A machine entry holds three descriptor numbers; a fourth operand takes
   the descriptor after the third. */
constexpr uint8_t MAX_OPERANDS = 4;
constexpr uint8_t MAX_INSTRUCTION_NUMBER = INSTR_COUNT - 1;
constexpr size_t MAX_FILE_BYTES = 64u << 20;
constexpr size_t MACHINE_NAME_FIELD = 6;
constexpr size_t ASSEMBLER_NAME_FIELD = 8;

enum : int {
  OPT_OK = 0,
  OPT_OPEN = 1,
  OPT_HEADER = 2,
  OPT_PERM = 3,
  OPT_PERM_COUNT = 4,
  OPT_ENTRIES = 5,
  OPT_DESCS = 6,
};

struct OPNODE {
  const uint8_t *pszName;
  OPNODE *pLeft;
  OPNODE *pRight;
  void *pRecord;
};

/* The last lookup of a name, in front of the tree: most statements name
   one of a few operations.  Any change of the index empties it. */
constexpr uint32_t OPCACHE_SLOTS = 1024, OPCACHE_NAME = 16;
struct OPCACHED {
  uint8_t abName[OPCACHE_NAME]; /* NUL-padded */
  void *pRecord;
  bool bValid;
};

struct OPINDEX {
  OPNODE *pRoot;
  OPCACHED aCache[OPCACHE_SLOTS];
  uint64_t ullChanges; /* changes of the index so far */
};
OPINDEX g_index = {};

void vCacheClear()
{
  for (OPCACHED &c : g_index.aCache) c.bValid = false;
  g_index.ullChanges++;
}

/* The cache slot of a name and its padded key; null for a name too long
   to be kept. */
OPCACHED *pCacheSlot(const uint8_t *pszName, uint8_t *pKey)
{
  uint32_t h = 0;
  std::memset(pKey, 0, OPCACHE_NAME);
  for (uint32_t n = 0; pszName[n] != 0; n++) {
    if (n + 1 >= OPCACHE_NAME) return nullptr;
    pKey[n] = pszName[n];
    h = h * 31 + pszName[n];
  }
  return &g_index.aCache[(h ^ (h >> 10)) % OPCACHE_SLOTS];
}

/* Reads sections of an image held in memory. */
struct IMAGEREADER {
  const uint8_t *p;
  size_t ulLeft;
  bool bTake(size_t n, const uint8_t **pp)
  {
    if (n > ulLeft) return false;
    *pp = p;
    p += n;
    ulLeft -= n;
    return true;
  }
};

struct SECTION {
  uint32_t ulMagic, ulRecordSize, ulTotal, ulCount;
  const uint8_t *pRecords;
};

/* Reads a section header and its records; false on any mismatch. */
bool bSection(IMAGEREADER &rd, uint32_t ulMagic, uint32_t ulRecordSize, SECTION &sec)
{
  const uint8_t *pHdr;
  if (!rd.bTake(16, &pHdr)) return false;
  sec.ulMagic = ulGet32(pHdr);
  sec.ulRecordSize = ulGet32(pHdr + 4);
  sec.ulTotal = ulGet32(pHdr + 8);
  sec.ulCount = ulGet32(pHdr + 12);
  if (sec.ulMagic != ulMagic || sec.ulRecordSize != ulRecordSize || sec.ulTotal == 0 ||
      static_cast<uint64_t>(sec.ulCount) * sec.ulRecordSize != sec.ulTotal)
    return false;
  return rd.bTake(sec.ulTotal, &sec.pRecords);
}

int iCompareNames(const uint8_t *pA, const uint8_t *pB)
{
  for (;; pA++, pB++) {
    if (*pA != *pB) return *pA < *pB ? -1 : 1;
    if (*pA == 0) return 0;
  }
}

void *pTreeFind(const uint8_t *pszName)
{
  for (OPNODE *pNode = g_index.pRoot; pNode != nullptr;) {
    int iCmp = iCompareNames(pszName, pNode->pszName);
    if (iCmp == 0) return pNode->pRecord;
    pNode = iCmp < 0 ? pNode->pLeft : pNode->pRight;
  }
  return nullptr;
}

bool bNameTerminated(const OPENTRY &e)
{
  size_t ulField = e.bLength != 0 ? MACHINE_NAME_FIELD : ASSEMBLER_NAME_FIELD;
  return std::memchr(e.abName, 0, ulField) != nullptr;
}

/* Checks the entries on their own; the descriptor references come later. */
bool bEntriesValid(const OPENTRY *pEntries, uint32_t ulCount)
{
  if (ulCount > MAX_ENTRIES) return false;
  for (uint32_t i = 0; i < ulCount; i++) {
    const OPENTRY &e = pEntries[i];
    if (!bNameTerminated(e)) return false;
    if (e.bLength != 0 && e.bLength != 2 && e.bLength != 4 && e.bLength != 6) return false;
    if (e.bLength != 0 && e.abOps[0] > MAX_OPERANDS) return false;
    if (e.bLength == 0 && e.abOps[2] > MAX_INSTRUCTION_NUMBER) return false;
    if (i >= 2 && (e.abName[0] == 0 || (i > 2 && iCompareNames(pEntries[i - 1].abName, e.abName) >= 0))) return false;
  }
  return true;
}

bool bDescriptorsReferenced(const OPENTRY *pEntries, uint32_t ulCount, uint32_t ulDescCount)
{
  for (uint32_t i = 0; i < ulCount; i++) {
    const OPENTRY &e = pEntries[i];
    if (e.bLength == 0) continue;
    for (unsigned k = 0; k < e.abOps[0] && k < 3; k++)
      if (e.abOps[1 + k] >= ulDescCount) return false;
    if (e.abOps[0] == MAX_OPERANDS && e.abOps[3] + 1u >= ulDescCount) return false;
  }
  return true;
}

int iParseImage(const uint8_t *pImage, size_t ulSize)
{
  IMAGEREADER rd = {pImage, ulSize};
  const uint8_t *pHeader;
  if (!rd.bTake(HEADER_BYTES, &pHeader) || std::memcmp(pHeader, c_szMagic, sizeof c_szMagic) != 0) return OPT_HEADER;

  SECTION perm{}, entries{}, descs{};
  if (!bSection(rd, MAGIC_PERM, 256, perm)) return OPT_PERM;
  if (perm.ulCount != 2) return OPT_PERM_COUNT;
  if (!bSection(rd, MAGIC_ENTRIES, sizeof(OPENTRY), entries)) return OPT_ENTRIES;
  std::vector<OPENTRY> aEntries(entries.ulCount);
  std::memcpy(aEntries.data(), entries.pRecords, entries.ulTotal);
  if (!bEntriesValid(aEntries.data(), entries.ulCount)) return OPT_ENTRIES;
  if (!bSection(rd, MAGIC_DESCS, sizeof(OPDESC), descs)) return OPT_DESCS;
  if (!bDescriptorsReferenced(aEntries.data(), entries.ulCount, descs.ulCount)) return OPT_DESCS;

  std::memcpy(g_abPearsonT1, perm.pRecords, 256);
  std::memcpy(g_abPearsonT2, perm.pRecords + 256, 256);
  vOptableRelease();
  g_optab.pEntries = static_cast<OPENTRY *>(SP_ALLOC(SP_HEAP, entries.ulTotal));
  std::memcpy(g_optab.pEntries, aEntries.data(), entries.ulTotal);
  g_optab.ulCount = entries.ulCount;
  g_optab.pDescs = static_cast<OPDESC *>(SP_ALLOC(SP_HEAP, descs.ulTotal));
  for (uint32_t i = 0; i < descs.ulCount; i++) {
    g_optab.pDescs[i].ulDesc = ulGet32(descs.pRecords + 8 * i);
    g_optab.pDescs[i].ulFlags = ulGet32(descs.pRecords + 8 * i + 4);
  }
  g_optab.ulDescCount = descs.ulCount;
  return OPT_OK;
}

/* Reads a whole table file; on failure errno is left as the cause (a
   directory, a read error, a file larger than any table). */
int iReadFile(const char *pszPath, std::vector<uint8_t> &ab)
{
  FILE *pFile = std::fopen(pszPath, "rb");
  if (pFile == nullptr) return OPT_OPEN;
  bFileInput(fileno(pFile), "OPTABLE", pszPath);
  struct stat st {};
  int iErr = fstat(fileno(pFile), &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  uint8_t achBuf[65536];
  size_t n;
  errno = 0;
  while (iErr == 0 && (n = std::fread(achBuf, 1, sizeof achBuf, pFile)) > 0) {
    if (ab.size() + n > MAX_FILE_BYTES) iErr = EFBIG;
    ab.insert(ab.end(), achBuf, achBuf + n);
  }
  if (iErr == 0 && std::ferror(pFile)) iErr = errno != 0 ? errno : EIO;
  std::fclose(pFile);
  errno = iErr;
  return iErr == 0 ? OPT_OK : OPT_OPEN;
}

/* Converts an upper-case name of letters and digits to EBCDIC. */
void vEbcdicName(const char *pszName, uint8_t *pOut)
{
  for (; *pszName != '\0'; pszName++, pOut++) {
    char c = *pszName;
    if (c >= '0' && c <= '9')
      *pOut = static_cast<uint8_t>(0xF0 + (c - '0'));
    else if (c <= 'I')
      *pOut = static_cast<uint8_t>(0xC1 + (c - 'A'));
    else if (c <= 'R')
      *pOut = static_cast<uint8_t>(0xD1 + (c - 'J'));
    else
      *pOut = static_cast<uint8_t>(0xE2 + (c - 'S'));
  }
  *pOut = 0;
}

void *pFindHost(const char *pszName)
{
  uint8_t abName[16];
  vEbcdicName(pszName, abName);
  return pOpindexFind(abName);
}

void vSetHost(const char *pszName, void *pRecord)
{
  uint8_t abName[16];
  vEbcdicName(pszName, abName);
  vOpindexSet(abName, pRecord);
}

OPNODE *pNewNode(const uint8_t *pszName, void *pRecord)
{
  OPNODE *pNode = static_cast<OPNODE *>(SP_ALLOC(SP_PHASE1, sizeof(OPNODE)));
  pNode->pszName = pszName;
  pNode->pRecord = pRecord;
  return pNode;
}

OPNODE *pBuildRange(OPENTRY *pSorted, int32_t a, int32_t b)
{
  if (a > b) return nullptr;
  int32_t lRoot = a + (b - a + 1) / 2;
  OPNODE *pNode = pNewNode(pSorted[lRoot].abName, &pSorted[lRoot]);
  pNode->pLeft = pBuildRange(pSorted, a, lRoot - 1);
  pNode->pRight = pBuildRange(pSorted, lRoot + 1, b);
  return pNode;
}

uint32_t ulHeight(const OPNODE *pNode)
{
  if (pNode == nullptr) return 0;
  uint32_t ulLeft = ulHeight(pNode->pLeft), ulRight = ulHeight(pNode->pRight);
  return 1 + (ulLeft > ulRight ? ulLeft : ulRight);
}

} // namespace

int iOptableLoadImage(const uint8_t *pImage, size_t ulSize, const char *pszPath)
{
  int iErr = iParseImage(pImage, ulSize);
  /* only a failing open has a cause to show */
  if (iErr != OPT_OK)
    vSvcMessage("KZM006S Error %u reading OPTABLE file %s: %s", static_cast<unsigned>(iErr), pszPath, "No error");
  return iErr;
}

int iOptableLoad(const char *pszDir)
{
  char szPath[4096];
  std::snprintf(szPath, sizeof szPath, "%s%svorn.opt", pszDir,
                *pszDir != '\0' && pszDir[std::strlen(pszDir) - 1] != '/' ? "/" : "");
  errno = 0;
  if (access(szPath, F_OK) != 0) return iOptableLoadImage(g_abOptImage, g_ulOptImageSize, szPath);
  std::vector<uint8_t> abFile;
  if (iReadFile(szPath, abFile) != OPT_OK) {
    vSvcMessage("KZM006S Error %u reading OPTABLE file %s: %s", static_cast<unsigned>(OPT_OPEN), szPath,
                std::strerror(errno));
    return OPT_OPEN;
  }
  if (abFile.empty()) {
    vSvcMessage("KZM006S Error %u reading OPTABLE file %s: %s", static_cast<unsigned>(OPT_HEADER), szPath,
                "File is empty");
    return OPT_HEADER;
  }
  return iOptableLoadImage(abFile.data(), abFile.size(), szPath);
}

void vOptableRelease()
{
  if (g_optab.pEntries != nullptr) SP_FREE(SP_HEAP, g_optab.pEntries);
  if (g_optab.pDescs != nullptr) SP_FREE(SP_HEAP, g_optab.pDescs);
  g_optab = {};
  g_index.pRoot = nullptr;
  vCacheClear();
}

void vOptableSelect(uint8_t bMask)
{
  if (bMask == OPTABLE_ASM && g_optab.pDescs != nullptr) {
    SP_FREE(SP_HEAP, g_optab.pDescs);
    g_optab.pDescs = nullptr;
    g_optab.ulDescCount = 0;
  }
  int16_t sKept = 0;
  for (uint32_t i = 0; i < g_optab.ulCount; i++) {
    OPENTRY &e = g_optab.pEntries[i];
    bool bKeep = bMask == OPTABLE_UNI || e.bLength == 0 || (e.bKind & bMask) != 0;
    e.sIndex = bKeep ? sKept++ : -1;
    e.bKind = e.bLength != 0 ? OPK_MACHINE : OPK_ASSEMBLER;
  }
  if (static_cast<uint32_t>(sKept) == g_optab.ulCount) return;
  OPENTRY *pKept = static_cast<OPENTRY *>(SP_ALLOC(SP_HEAP, sizeof(OPENTRY) * (sKept > 0 ? sKept : 1)));
  uint32_t n = 0;
  for (uint32_t i = 0; i < g_optab.ulCount; i++)
    if (g_optab.pEntries[i].sIndex >= 0) pKept[n++] = g_optab.pEntries[i];
  SP_FREE(SP_HEAP, g_optab.pEntries);
  g_optab.pEntries = pKept;
  g_optab.ulCount = n;
}

void vOpindexBuild(bool bExecAllowed)
{
  g_index.pRoot = nullptr;
  vCacheClear();
  if (g_optab.ulCount > 2)
    g_index.pRoot = pBuildRange(g_optab.pEntries + 2, 0, static_cast<int32_t>(g_optab.ulCount) - 3);
  vSetHost("AGOB", pFindHost("AGO"));
  vSetHost("AIFB", pFindHost("AIF"));
  if (pFindHost("CCW1") != nullptr) vSetHost("CCW0", pFindHost("CCW"));
  if (!bExecAllowed) vSetHost("EXEC", nullptr);
}

void vOpindexDrop()
{
  g_index.pRoot = nullptr;
  vCacheClear();
}

uint32_t ulOpindexHeight() { return ulHeight(g_index.pRoot); }

uint64_t ullOpindexChanges() { return g_index.ullChanges + 1; }

void *pOpindexFind(const uint8_t *pszName)
{
  uint8_t abKey[OPCACHE_NAME];
  OPCACHED *pSlot = pCacheSlot(pszName, abKey);
  if (pSlot == nullptr) return pTreeFind(pszName);
  if (pSlot->bValid && std::memcmp(pSlot->abName, abKey, OPCACHE_NAME) == 0) return pSlot->pRecord;
  pSlot->pRecord = pTreeFind(pszName);
  std::memcpy(pSlot->abName, abKey, OPCACHE_NAME);
  pSlot->bValid = true;
  return pSlot->pRecord;
}

void vOpindexSet(const uint8_t *pszName, void *pRecord)
{
  uint8_t abKey[OPCACHE_NAME];
  OPCACHED *pSlot = pCacheSlot(pszName, abKey);
  if (pSlot != nullptr) pSlot->bValid = false;
  g_index.ullChanges++;
  OPNODE **ppLink = &g_index.pRoot;
  OPNODE *pN = nullptr, *pP = nullptr; /* last node reached and its parent */
  OPNODE **ppNLink = nullptr, **ppPLink = nullptr;
  int iDirN = 0, iDirP = 0; /* direction taken from N and from P */
  while (*ppLink != nullptr) {
    OPNODE *pCur = *ppLink;
    int iCmp = iCompareNames(pszName, pCur->pszName);
    if (iCmp == 0) {
      pCur->pRecord = pRecord;
      return;
    }
    pP = pN;
    ppPLink = ppNLink;
    iDirP = iDirN;
    pN = pCur;
    ppNLink = ppLink;
    iDirN = iCmp;
    ppLink = iCmp < 0 ? &pCur->pLeft : &pCur->pRight;
  }
  if (pRecord == nullptr) return;

  size_t ulLen = std::strlen(reinterpret_cast<const char *>(pszName));
  uint8_t *pszCopy = static_cast<uint8_t *>(SP_ALLOC(SP_PHASE1, ulLen + 1));
  std::memcpy(pszCopy, pszName, ulLen);
  OPNODE *pNew = pNewNode(pszCopy, pRecord);

  bool bChain =
      pP != nullptr && pN->pLeft == nullptr && pN->pRight == nullptr && (iDirP < 0 ? pP->pRight : pP->pLeft) == nullptr;
  if (!bChain) {
    *ppLink = pNew;
    return;
  }
  (iDirP < 0 ? pP->pLeft : pP->pRight) = nullptr;
  OPNODE *pTop;
  if ((iDirN < 0) == (iDirP < 0)) {
    pTop = pN; /* new < N < P or P < N < new */
    pN->pLeft = iDirN < 0 ? pNew : pP;
    pN->pRight = iDirN < 0 ? pP : pNew;
  } else {
    pTop = pNew; /* N < new < P or P < new < N */
    pNew->pLeft = iDirP < 0 ? pN : pP;
    pNew->pRight = iDirP < 0 ? pP : pN;
  }
  *ppPLink = pTop;
}
