/*
** pun2.cpp - the object module (module "pun2").
**
** Owns the relocation dictionary item store of the assembly.
**
** Notes on the design:
**  - Items are recorded only for statements in control sections, only while
**    the assembly has no error above severity 8, and only when an object
**    module or the relocation dictionary listing is wanted (decided at the
**    first request of the phase).  What iRldAdd reports does not depend on
**    whether the item was kept.
*/
#define MEM_MODULE "pun2"

#include "pun2.h"

#include "asm0.h"
#include "esd1.h"
#include "gen1.h"
#include "mem.h"
#include "vorn.h"
#include "work.h"

namespace {

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

} // namespace

void vRldReset()
{
  g_rld.ulCount = 0;
  g_rld.iWanted = -1;
}

int iRldAdd(const ESDITEM *pTarget, uint32_t ulAddress, uint8_t bFlag)
{
  const ESDITEM *pHere = pEsdItem(static_cast<int32_t>(ulGet32(pRecord() + STMT_SECTION)));
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
  uint8_t *p = static_cast<uint8_t *>(GB_ROOM(&g_rld.items, (static_cast<size_t>(g_rld.ulCount) + 1) * sizeof(RLDITEM)));
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
