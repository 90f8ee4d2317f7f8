/*
** temp.h - the two raw work files (module "temp"): linear byte files held in
** memory chunks under the SIZE budget, with spill to a temporary disk file.
**
** Work file 0 (SYSUT1) holds the statement records, work file 1 (MACRO) the
** macro definitions.  Each is one linear byte file held in 65488-byte chunks
** of memory while the memory of both stays within the budget (SIZE option);
** beyond that its tail continues in a temporary disk file.  Callers never see
** where the bytes lie.  All errors are fatal (KZM900S, return code 20).
*/
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t WORK_CHUNK = 65488;
constexpr int WORK_SYSUT1 = 0;
constexpr int WORK_MACRO = 1;
constexpr int WORK_FILES = 2;

enum : uint32_t {
  WORK_SPILLED = 1, /* bytes at and beyond the memory boundary live on disk */
  WORK_CREATED = 2, /* the disk file was created here and is removed on delete */
};

struct WORKFILE {
  int iFd;               /* disk file, -1 until the file first spills */
  uint8_t **papChunks;   /* chunk k holds bytes k*WORK_CHUNK ... */
  uint64_t ulSize;       /* logical end */
  uint64_t ulMemory;     /* bytes held in chunks (a multiple of WORK_CHUNK) */
  uint64_t ulPos;        /* current position */
  uint32_t ulChunkSlots; /* entries the chunk array has room for */
  char szName[4096];     /* disk file name, empty until created */
  uint32_t ulState;      /* WORK_SPILLED, WORK_CREATED */
};

extern WORKFILE g_aWork[WORK_FILES];

/* The memory budget of both files (the SIZE option). */
void vWorkSetMemory(uint64_t ulRequest);
uint64_t ulWorkBudget();
int64_t lWorkTell(int iFile);
int64_t vWorkSeek(int iFile, int64_t lOffset, int iOrigin);
void vWorkRead(void *pDest, size_t ulSize, size_t ulCount, int iFile);
void vWorkWrite(const void *pSrc, size_t ulSize, size_t ulCount, int iFile);
/* A hint that the first bytes at ulPos will be read soon: a read that jumps
   about the file need not wait for memory.  No effect on the disk part. */
void vWorkPrefetch(int iFile, uint64_t ulPos);
/* Closes a file (bDelete: drops its bytes); its size. */
uint64_t lWorkClose(int iFile, bool bDelete);
void vWorkDeleteAll();
