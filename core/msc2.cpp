/*
** msc2.cpp - the generated-bytes collector (module "msc2").
**
** Owns the 256-byte buffer of the statement in hand, the byte count, the
** read position and the spill position on SYSUT1.
**
** Notes on the design:
**  - The spill area shares SYSUT1 with the statement records that the code
**    generation phase reads one after another.  Every spill write and read
**    saves the work file's position and restores it, so a statement with
**    more than 256 bytes never disturbs the reading of the next record.
**  - Spill offsets only grow within a statement, so every seek lands inside
**    the file or at its end.
*/
#include "msc2.h"

#include <cstring>

#include "gen1.h"
#include "work.h"

namespace {

constexpr uint32_t ZERO_BLOCK = 64;

struct COLLECTOR {
  uint8_t abMemory[BYTES_IN_MEMORY];
  uint32_t ulCount;    /* bytes collected */
  uint32_t ulRead;     /* read position */
  uint64_t ullSpill;   /* start of the spill area on SYSUT1 */
};
COLLECTOR g_col = {};

/* Writes or reads at an offset of the spill area, keeping SYSUT1's position. */
void vSpillTransfer(bool bWrite, uint32_t ulOffset, void *p, uint32_t ulLength)
{
  int64_t llSaved = lWorkTell(WORK_SYSUT1);
  vWorkSeek(WORK_SYSUT1, static_cast<int64_t>(g_col.ullSpill + ulOffset), 0);
  if (bWrite)
    vWorkWrite(p, 1, ulLength, WORK_SYSUT1);
  else
    vWorkRead(p, 1, ulLength, WORK_SYSUT1);
  vWorkSeek(WORK_SYSUT1, llSaved, 0);
}

} // namespace

void vStmtBytesPhaseStart(uint64_t ullEnd)
{
  g_col.ullSpill = ullEnd;
  vStmtBytesReset();
}

void vStmtBytesReset()
{
  g_col.ulCount = 0;
  g_col.ulRead = 0;
}

uint32_t ulStmtBytesCount() { return g_col.ulCount; }

void vStmtBytesPut(uint32_t ulLength, const void *pBytes)
{
  static uint8_t s_abZero[ZERO_BLOCK];
  const uint8_t *p = static_cast<const uint8_t *>(pBytes);
  vStmtSetFlags(SF_BYTES);
  while (ulLength > 0) {
    if (g_col.ulCount < BYTES_IN_MEMORY) {
      uint32_t ulPart = BYTES_IN_MEMORY - g_col.ulCount;
      if (ulPart > ulLength) ulPart = ulLength;
      if (p != nullptr)
        std::memcpy(g_col.abMemory + g_col.ulCount, p, ulPart);
      else
        std::memset(g_col.abMemory + g_col.ulCount, 0, ulPart);
      g_col.ulCount += ulPart;
      ulLength -= ulPart;
      if (p != nullptr) p += ulPart;
      continue;
    }
    uint32_t ulPart = p != nullptr ? ulLength : (ulLength < ZERO_BLOCK ? ulLength : ZERO_BLOCK);
    vSpillTransfer(true, g_col.ulCount - BYTES_IN_MEMORY, const_cast<uint8_t *>(p != nullptr ? p : s_abZero), ulPart);
    g_col.ulCount += ulPart;
    ulLength -= ulPart;
    if (p != nullptr) p += ulPart;
  }
}

uint32_t iStmtBytesGet(uint32_t ulCount, void *pDest)
{
  uint8_t *pOut = static_cast<uint8_t *>(pDest);
  uint32_t ulDone = 0;
  while (ulDone < ulCount && g_col.ulRead < g_col.ulCount) {
    uint32_t ulPart = ulCount - ulDone;
    if (g_col.ulRead < BYTES_IN_MEMORY) {
      if (ulPart > BYTES_IN_MEMORY - g_col.ulRead) ulPart = BYTES_IN_MEMORY - g_col.ulRead;
      if (ulPart > g_col.ulCount - g_col.ulRead) ulPart = g_col.ulCount - g_col.ulRead;
      std::memcpy(pOut + ulDone, g_col.abMemory + g_col.ulRead, ulPart);
    } else {
      if (ulPart > g_col.ulCount - g_col.ulRead) ulPart = g_col.ulCount - g_col.ulRead;
      vSpillTransfer(false, g_col.ulRead - BYTES_IN_MEMORY, pOut + ulDone, ulPart);
    }
    g_col.ulRead += ulPart;
    ulDone += ulPart;
  }
  return ulDone;
}
