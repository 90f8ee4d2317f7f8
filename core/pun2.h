/*
** pun2.h - the object module (module "pun2"): for now the store of the
** relocation dictionary items that address constants, CCWs and CXD request
** in the code generation phase.
**
** An item is kept as its 8 sorting bytes {position ESD id (2), address (3),
** relocation ESD id (2), flag byte}, big-endian, in subpool 1; the store is
** emptied at the start of every code generation phase.
*/
#pragma once

#include <cstdint>

struct ESDITEM;

/* RLD flag byte. */
enum : uint8_t {
  RLD_A = 0x00,
  RLD_V = 0x10,
  RLD_Q = 0x20,
  RLD_CXD = 0x30,
  RLD_NEGATIVE = 0x02,
  RLD_SAME = 0x01,
};
inline uint8_t bRldFlag(uint8_t bType, uint32_t ulLength, bool bNegative)
{
  return static_cast<uint8_t>(bType | ((ulLength - 1) & 3) << 2 | (bNegative ? RLD_NEGATIVE : 0));
}

/* What iRldAdd reports. */
enum : int {
  RLD_NOTHING = 0,
  RLD_ONE_BYTE = 1, /* a one-byte relocatable field */
  RLD_RA2 = 2,      /* a 2-byte relocatable address under FLAG(RA2/RA3/RA3ANY) */
  RLD_RA3 = 3,      /* a 3-byte relocatable address under FLAG(RA3), or RA3ANY with RMODE ANY */
  RLD_DSECT = 4,    /* the target is a dummy section: nothing recorded */
};

struct RLDITEM {
  uint8_t ab[8];
};

/* Start of the code generation phase: no items. */
void vRldReset();
/* Records an item for the statement in hand (its section is the position)
   at an address, relative to pTarget (null for CXD). */
int iRldAdd(const ESDITEM *pTarget, uint32_t ulAddress, uint8_t bFlag);
/* The items recorded so far, in order of request. */
const RLDITEM *pRldItems(uint32_t *pulCount);
