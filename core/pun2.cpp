/*
** pun2.cpp - the object module (module "pun2").
**
** Calls: esd1, msc2.
** Called by: asm, asm1, asm2, def2, ins2, msc1, msc2, prn2, xrf2.
**
** Owns the relocation dictionary item store of the assembly, the object
** file, the TXT card being filled, the deck identification and the card
** counts.
**
** Notes on the design:
**  - Items are recorded only for statements in control sections, only while
**    the assembly has no error above severity 8, and only when an object
**    module or the relocation dictionary listing is wanted (decided at the
**    first request of the phase).  What iRldAdd reports does not depend on
**    whether the item was kept.
**  - Columns 73-80 of every generated card: the deck identification, then
**    the card's number with leading zeros in the columns left; PUNCH and
**    REPRO cards are not numbered.
*/
#define MEM_MODULE "pun2"

#include "pun2.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "asm0.h"
#include "chars.h"
#include "esd1.h"
#include "file.h"
#include "gen1.h"
#include "lbl.h"
#include "mem.h"
#include "msc2.h"
#include "vorn.h"
#include "work.h"
#include "svc.h"

namespace {

enum PUNMSG { MSG_DECK_OBJECT, MSG_COUNT };
const MSGDEF c_aMsg[] = {
    {303, 12, "Object code cannot be generated using the OBJECT(DECK) option."},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

struct RLDSTORE {
  GROWBUF items;
  uint32_t ulCount;
  int iWanted; /* -1 not yet decided, else 0 or 1 */
};
RLDSTORE g_rld = {{SP_RUN, 1, 0, nullptr, nullptr}, 0, -1};

void vPutBig(uint8_t *p, uint32_t ulValue, unsigned uBytes)
{
  for (unsigned i = 0; i < uBytes; i++) p[i] = static_cast<uint8_t>(ulValue >> (8 * (uBytes - 1 - i)));
}

constexpr const char *DDNAME = "SYSPUNCH";

struct OBJSTATE {
  int iState;
  FILE *pFile;
  const char *pszName;
  bool bDeck; /* OBJECT(DECK): only PUNCH and REPRO cards */
  bool bEsdWritten;
  uint8_t abTxt[CARD];   /* the TXT card being filled */
  uint32_t ulTxtCount;   /* text bytes on it */
  uint32_t ulTxtAddress; /* address of its first text byte */
  int32_t lTxtId;
  GROWBUF highest;     /* per ESD item: highest address written + 1 */
  uint32_t ulSequence; /* cards of this assembly */
  uint64_t ullTotal;   /* cards of the run */
  unsigned uAssemblies;
  uint8_t abDeck[8];
  uint32_t ulDeck;
  char achResult[64];
  GROWBUF sym; /* SYM data of the assembly (subpool 0) */
  uint32_t ulSym;
};
OBJSTATE g_obj = {OBJ_STATE_NEW,
                  nullptr,
                  nullptr,
                  false,
                  false,
                  {},
                  0,
                  0,
                  -1,
                  {SP_HEAP, 1, 0, nullptr, nullptr},
                  0,
                  0,
                  0,
                  {},
                  0,
                  "",
                  {SP_HEAP, 1, 0, nullptr, nullptr},
                  0};

[[noreturn]] void vFileError(const char *pszWhat)
{
  vSvcMessage("KZM900S Error %s %s file %s: %s", pszWhat, DDNAME, g_obj.pszName != nullptr ? g_obj.pszName : "",
              std::strerror(errno));
  vSvcTerminate();
}

/* Closes and removes the file once the assembly has a severe error. */
bool bWritable()
{
  if (g_obj.iState == OBJ_STATE_OPEN && g_asm.ulMaxSev > 8) {
    g_obj.pFile = nullptr;
    vFileAbandon(FO_OBJECT);
    g_obj.iState = OBJ_STATE_DELETED;
    vSvcTrace(TRACE_FILES, "%s file %s closed and deleted.", DDNAME, g_obj.pszName);
  }
  return g_obj.iState == OBJ_STATE_OPEN && !g_obj.bDeck;
}

void vCardStart(uint8_t *p, const char *pszType)
{
  std::memset(p, EBCDIC_BLANK, CARD);
  p[0] = 0x02;
  vAsciiToEbcdic(p + 1, reinterpret_cast<const uint8_t *>(pszType), 3);
}

void vCardWrite(uint8_t *p)
{
  uint32_t ulNumber = ++g_obj.ulSequence;
  std::memcpy(p + 72, g_obj.abDeck, g_obj.ulDeck);
  for (uint32_t i = 8; i-- > g_obj.ulDeck;) {
    p[72 + i] = static_cast<uint8_t>(E_0 + ulNumber % 10);
    ulNumber /= 10;
  }
  if (std::fwrite(p, 1, CARD, g_obj.pFile) != CARD) vFileError("writing");
}

void vTextFlush()
{
  if (g_obj.ulTxtCount == 0) return;
  vPutBig(g_obj.abTxt + 5, g_obj.ulTxtAddress, 3);
  vPutBig(g_obj.abTxt + 10, g_obj.ulTxtCount, 2);
  vPutBig(g_obj.abTxt + 14, static_cast<uint32_t>(g_obj.lTxtId), 2);
  if (bWritable()) vCardWrite(g_obj.abTxt);
  vCardStart(g_obj.abTxt, "TXT");
  g_obj.ulTxtCount = 0;
}

uint32_t *pHighest(int32_t lSection)
{
  auto *p = static_cast<uint32_t *>(GB_ROOM(&g_obj.highest, (static_cast<size_t>(lSection) + 1) * sizeof(uint32_t)));
  return p + lSection;
}

/* Appends bytes (zeros when pBytes is null) at ulAddress of the section. */
void vTextAppend(int32_t lSection, int32_t lId, uint32_t ulAddress, const uint8_t *pBytes, uint32_t ulLength)
{
  if (ulLength == 0) return;
  uint32_t ulEnd = g_obj.ulTxtAddress + g_obj.ulTxtCount;
  if (g_obj.ulTxtCount != 0) {
    bool bNew = lId != g_obj.lTxtId || ulAddress < ulEnd;
    if (!bNew && ulAddress > ulEnd) {
      uint32_t ulGap = ulAddress - ulEnd;
      bNew = ulGap > TXT_ROOM - g_obj.ulTxtCount || ulEnd < *pHighest(lSection);
      if (!bNew) {
        std::memset(g_obj.abTxt + 16 + g_obj.ulTxtCount, 0, ulGap);
        g_obj.ulTxtCount += ulGap;
      }
    }
    if (bNew) vTextFlush();
  }
  if (g_obj.ulTxtCount == 0) {
    g_obj.ulTxtAddress = ulAddress;
    g_obj.lTxtId = lId;
  }
  while (ulLength > 0) {
    uint32_t ulPart = std::min(ulLength, TXT_ROOM - g_obj.ulTxtCount);
    if (pBytes != nullptr)
      std::memcpy(g_obj.abTxt + 16 + g_obj.ulTxtCount, pBytes, ulPart);
    else
      std::memset(g_obj.abTxt + 16 + g_obj.ulTxtCount, 0, ulPart);
    g_obj.ulTxtCount += ulPart;
    ulAddress += ulPart;
    ulLength -= ulPart;
    if (pBytes != nullptr) pBytes += ulPart;
    if (g_obj.ulTxtCount == TXT_ROOM) {
      vTextFlush();
      g_obj.ulTxtAddress = ulAddress;
      g_obj.lTxtId = lId;
    }
  }
  uint32_t *pHigh = pHighest(lSection);
  if (ulAddress > *pHigh) *pHigh = ulAddress;
}

/* An ESD item's name field: the alias, else the name, cut to 8. */
void vEsdName(uint8_t *p, const ESDITEM *e)
{
  std::memset(p, EBCDIC_BLANK, 8);
  if (e->pAlias != nullptr)
    std::memcpy(p, e->pAlias, std::min<uint32_t>(e->usAliasLength, 8));
  else if (e->pName != nullptr)
    std::memcpy(p, e->pName->abName, std::min<uint32_t>(e->pName->usNameLength, 8));
}

} // namespace

void vRldReset()
{
  g_rld.ulCount = 0;
  g_rld.iWanted = -1;
}

int iRldAdd(const ESDITEM *pTarget, uint32_t ulAddress, uint8_t bFlag)
{
  const ESDITEM *pHere = pEsdItem(lStmtSection());
  if (pHere == nullptr || (pHere->bKind != ESD_SD && pHere->bKind != ESD_PC)) return RLD_NOTHING;
  if (pTarget != nullptr && pTarget->bKind == ESD_DSECT) return RLD_DSECT;
  uint32_t ulLength = ((bFlag >> 2) & 3) + 1;
  uint32_t ulRa = g_asm.ulFlagInForce & FLAG_RA;
  int iReport = RLD_NOTHING;
  if (ulLength == 1)
    iReport = RLD_ONE_BYTE;
  else if (ulLength == 2 && ulRa != 0)
    iReport = RLD_RA2;
  else if (ulLength == 3 && (ulRa == FLAG_RA3 || (ulRa == FLAG_RA3ANY && (pHere->bAttr & ESDA_RMODE) == ESDA_RMODEANY)))
    iReport = RLD_RA3;
  if (g_rld.iWanted < 0) g_rld.iWanted = g_opt.bObject != OBJ_NONE || g_opt.bRld ? 1 : 0;
  if (g_rld.iWanted == 0 || g_asm.ulMaxSev > 8) return iReport;
  uint8_t *p =
      static_cast<uint8_t *>(GB_ROOM(&g_rld.items, (static_cast<size_t>(g_rld.ulCount) + 1) * sizeof(RLDITEM)));
  p += static_cast<size_t>(g_rld.ulCount) * sizeof(RLDITEM);
  vPutBig(p, static_cast<uint32_t>(pHere->lId), 2);
  vPutBig(p + 2, ulAddress & 0xFFFFFF, 3);
  vPutBig(p + 5, pTarget != nullptr ? static_cast<uint32_t>(pTarget->lId) : 0, 2);
  p[7] = bFlag;
  g_rld.ulCount++;
  return iReport;
}

const RLDITEM *pRldItems(uint32_t *pulCount)
{
  *pulCount = g_rld.items.pData != nullptr ? g_rld.ulCount : 0;
  return static_cast<const RLDITEM *>(g_rld.items.pData);
}

const RLDITEM *pRldSorted(uint32_t *pulCount)
{
  RLDITEM *p = const_cast<RLDITEM *>(pRldItems(pulCount));
  std::sort(p, p + *pulCount, [](const RLDITEM &a, const RLDITEM &b) { return std::memcmp(a.ab, b.ab, 8) < 0; });
  return p;
}

/* ---- the object file ------------------------------------------------------ */

void vObjectOpen()
{
  g_obj.iState = OBJ_STATE_NONE;
  g_obj.bDeck = g_opt.bObject == OBJ_DECK;
  g_obj.pszName = g_obj.bDeck ? g_opt.pszSyspunch : g_opt.pszSyslin;
  g_obj.ullTotal = 0;
  g_obj.uAssemblies = 0;
  g_obj.ulSequence = 0;
  g_obj.ulDeck = 0;
  g_obj.bEsdWritten = false;
  g_obj.ulTxtCount = 0;
  g_obj.ulSym = 0;
  g_obj.achResult[0] = '\0';
  vCardStart(g_obj.abTxt, "TXT");
  if (g_opt.bObject == OBJ_NONE || g_obj.pszName == nullptr) return;
  g_obj.pFile = pFileCreate(FO_OBJECT, DDNAME, g_obj.pszName);
  if (g_obj.pFile == nullptr) vFileError("opening");
  g_obj.iState = OBJ_STATE_OPEN;
  vSvcTrace(TRACE_FILES, "%s file %s opened.", DDNAME, g_obj.pszName);
}

void vObjectDeckId(const uint8_t *pLabel, uint32_t ulLength)
{
  if (g_obj.ulDeck != 0 || ulLength == 0) return;
  g_obj.ulDeck = std::min<uint32_t>(ulLength, 8);
  for (uint32_t i = 0; i < g_obj.ulDeck; i++) g_obj.abDeck[i] = g_abUpper[pLabel[i]];
}

void vObjectPunch(const uint8_t abCard[CARD])
{
  bWritable();
  if (g_obj.iState != OBJ_STATE_OPEN) return;
  if (g_obj.bDeck) {
    uint8_t abLine[CARD + 1];
    uint32_t n = CARD;
    while (n > 0 && abCard[n - 1] == EBCDIC_BLANK) n--;
    vEbcdicToAscii(abLine, abCard, n);
    abLine[n] = '\n';
    if (std::fwrite(abLine, 1, n + 1, g_obj.pFile) != n + 1) vFileError("writing");
    return;
  }
  vTextFlush();
  if (std::fwrite(abCard, 1, CARD, g_obj.pFile) != CARD) vFileError("writing");
}

void vObjectEsd()
{
  if (g_obj.bEsdWritten) return;
  g_obj.bEsdWritten = true;
  if (g_obj.bDeck && g_obj.iState == OBJ_STATE_OPEN) {
    for (uint32_t i = 0; i < ulEsdCount(); i++) {
      const ESDITEM *e = pEsdItem(static_cast<int32_t>(i));
      if (e->bKind != ESD_DSECT && !e->bOmitted) {
        iStmtMsg(c_aMsg[MSG_DECK_OBJECT]);
        break;
      }
    }
    return;
  }
  if (!bWritable()) return;
  uint8_t abCard[CARD];
  uint32_t ulOnCard = 0;
  int32_t lFirstId = -1;
  auto vFlush = [&]() {
    if (ulOnCard == 0) return;
    vPutBig(abCard + 10, ulOnCard * 16, 2);
    if (lFirstId >= 0) vPutBig(abCard + 14, static_cast<uint32_t>(lFirstId), 2);
    vCardWrite(abCard);
    ulOnCard = 0;
    lFirstId = -1;
  };
  for (uint32_t i = 0; i < ulEsdCount(); i++) {
    const ESDITEM *e = pEsdItem(static_cast<int32_t>(i));
    if (e->bKind == ESD_DSECT || e->bOmitted) continue;
    if (ulOnCard == 0) vCardStart(abCard, "ESD");
    uint8_t *p = abCard + 16 + ulOnCard * 16;
    vEsdName(p, e);
    p[8] = e->bKind;
    /* an external dummy has no address: the field holds its alignment as
       a mask, 0 byte, 1 halfword, 3 fullword, 7 doubleword */
    vPutBig(p + 9, e->bKind == ESD_XD ? (e->ulXdAlign > 0 ? e->ulXdAlign - 1 : 0) : e->ulStart, 3);
    if (e->bKind == ESD_LD) {
      vPutBig(p + 13, e->ulFolded, 3);
    } else if (e->bKind != ESD_ER && e->bKind != ESD_WX) {
      p[12] = static_cast<uint8_t>(e->bAttr & (ESDA_AMODE | ESDA_RMODE | ESDA_RSECT));
      vPutBig(p + 13, e->ulFolded, 3);
    }
    if (e->bKind != ESD_LD && lFirstId < 0) lFirstId = e->lId;
    if (++ulOnCard == 3) vFlush();
  }
  vFlush();
}

void vObjectText()
{
  if (!bWritable()) return;
  int32_t lSection = lStmtSection();
  const ESDITEM *e = pEsdItem(lSection);
  if (e == nullptr || (e->bKind != ESD_SD && e->bKind != ESD_PC)) return;
  uint32_t ulPad = bStmtPad();
  uint32_t ulAddress = ulStmtLocation();
  uint32_t ulStart = ulAddress >= ulPad ? ulAddress - ulPad : 0;
  vTextAppend(lSection, e->lId, ulStart, nullptr, ulAddress - ulStart);
  vStmtBytesRewind();
  uint8_t ab[TXT_ROOM];
  uint32_t ulAt = ulAddress;
  for (uint32_t n; (n = iStmtBytesGet(sizeof ab, ab)) != 0; ulAt += n) vTextAppend(lSection, e->lId, ulAt, ab, n);
  vStmtBytesRewind();
}

void vObjectRld()
{
  uint32_t ulCount = 0;
  const RLDITEM *p = pRldSorted(&ulCount);
  if (ulCount == 0 || g_asm.ulMaxSev > 8) return;
  if (!bWritable()) return;
  vTextFlush();
  uint8_t abCard[CARD];
  uint32_t ulUsed = 0;
  uint8_t *pPrevFlag = nullptr;
  const RLDITEM *pPrev = nullptr;
  auto vFlush = [&]() {
    if (ulUsed == 0) return;
    vPutBig(abCard + 10, ulUsed, 2);
    vCardWrite(abCard);
    ulUsed = 0;
    pPrev = nullptr;
  };
  for (uint32_t i = 0; i < ulCount; i++) {
    const RLDITEM &r = p[i];
    bool bSame =
        pPrev != nullptr && std::memcmp(pPrev->ab, r.ab, 2) == 0 && std::memcmp(pPrev->ab + 5, r.ab + 5, 2) == 0;
    uint32_t ulNeed = bSame ? 4 : 8;
    if (ulUsed + ulNeed > TXT_ROOM) {
      vFlush();
      bSame = false;
      ulNeed = 8;
    }
    if (ulUsed == 0) vCardStart(abCard, "RLD");
    uint8_t *q = abCard + 16 + ulUsed;
    if (bSame) {
      *pPrevFlag |= RLD_SAME;
    } else {
      std::memcpy(q, r.ab + 5, 2); /* relocation id */
      std::memcpy(q + 2, r.ab, 2); /* position id */
      q += 4;
    }
    q[0] = r.ab[7];
    std::memcpy(q + 1, r.ab + 2, 3);
    pPrevFlag = q;
    pPrev = &r;
    ulUsed += ulNeed;
  }
  vFlush();
}

void vObjectSymData(const uint8_t *pBytes, uint32_t ulLength)
{
  auto *p = static_cast<uint8_t *>(GB_ROOM(&g_obj.sym, g_obj.ulSym + ulLength));
  std::memcpy(p + g_obj.ulSym, pBytes, ulLength);
  g_obj.ulSym += ulLength;
}

/* The SYM data, 56 bytes a card: an item may go on on the next card. */
void vSymCards()
{
  const auto *p = static_cast<const uint8_t *>(g_obj.sym.pData);
  for (uint32_t ulAt = 0; ulAt < g_obj.ulSym; ulAt += TXT_ROOM) {
    uint32_t n = g_obj.ulSym - ulAt < TXT_ROOM ? g_obj.ulSym - ulAt : TXT_ROOM;
    uint8_t abCard[CARD];
    vCardStart(abCard, "SYM");
    vPutBig(abCard + 10, n, 2);
    std::memcpy(abCard + 16, p + ulAt, n);
    vCardWrite(abCard);
  }
}

void vObjectEnd()
{
  const char *pszLine = nullptr;
  if (g_obj.iState == OBJ_STATE_NEW) g_obj.iState = OBJ_STATE_NONE;
  if (bWritable() && g_obj.bEsdWritten) {
    vTextFlush();
    vSymCards();
    uint8_t abCard[CARD];
    vCardStart(abCard, "END");
    const ENDDATA *pEnd = pEndData();
    const ESDITEM *e = pEnd->bEntry ? pEsdItem(pEnd->lSection) : nullptr;
    if (e != nullptr) {
      vPutBig(abCard + 5, pEnd->ulAddress, 3);
      vPutBig(abCard + 14, static_cast<uint32_t>(e->lId), 2);
    }
    abCard[32] = static_cast<uint8_t>(E_0 + (g_opt.bIdr ? 2 : 1));
    std::memcpy(abCard + 33, g_opt.abTranslatorId, 19);
    if (g_opt.bIdr) std::memcpy(abCard + 52, g_opt.abIdrId, 19);
    vCardWrite(abCard);
  }
  if (g_obj.iState == OBJ_STATE_OPEN && !g_obj.bDeck)
    pszLine = "%s file records written: %lu";
  else if (g_obj.iState == OBJ_STATE_ERRORS)
    pszLine = "%s file not written due to errors";
  else if (g_obj.iState == OBJ_STATE_DELETED)
    pszLine = "%s file deleted due to errors";
  if (pszLine != nullptr)
    std::snprintf(g_obj.achResult, sizeof g_obj.achResult, pszLine, DDNAME,
                  static_cast<unsigned long>(g_obj.ulSequence));
  else
    g_obj.achResult[0] = '\0';
  g_obj.ullTotal += g_obj.ulSequence;
  g_obj.uAssemblies++;
  /* the next assembly of a batch starts afresh */
  g_obj.ulSequence = 0;
  g_obj.ulDeck = 0;
  g_obj.bEsdWritten = false;
  g_obj.ulTxtCount = 0;
  g_obj.ulSym = 0;
  vCardStart(g_obj.abTxt, "TXT");
  GB_FREE(&g_obj.highest);
  g_obj.highest.ulKeep = 1;
  GB_FREE(&g_obj.sym);
  g_obj.sym.ulKeep = 1;
}

const char *pszObjectTotal()
{
  static char s_achTotal[80];
  s_achTotal[0] = '\0';
  if (g_obj.uAssemblies > 1 && g_obj.iState == OBJ_STATE_OPEN && !g_obj.bDeck)
    std::snprintf(s_achTotal, sizeof s_achTotal, "%s file total records written: %lu", DDNAME,
                  static_cast<unsigned long>(g_obj.ullTotal));
  return s_achTotal;
}

void vObjectClose(bool bDelete)
{
  if (g_obj.pFile == nullptr) return;
  g_obj.pFile = nullptr;
  if (!bDelete) {
    int iErr = iFileFinish(FO_OBJECT);
    if (iErr != 0) {
      errno = iErr;
      vFileError("writing");
    }
  }
  if (bDelete) {
    vFileAbandon(FO_OBJECT);
    g_obj.iState = OBJ_STATE_DELETED;
    vSvcTrace(TRACE_FILES, "%s file %s closed and deleted.", DDNAME, g_obj.pszName);
  } else {
    vSvcTrace(TRACE_FILES, "%s file %s closed.", DDNAME, g_obj.pszName);
  }
}

const char *pszObjectResult() { return g_obj.achResult; }
