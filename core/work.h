/*
** work.h - the two work files and the statement-record layer on SYSUT1.
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

#include "mem.h"

constexpr uint32_t WORK_CHUNK = 65488;
constexpr int WORK_SYSUT1 = 0;
constexpr int WORK_MACRO = 1;
constexpr int WORK_FILES = 2;

enum : uint32_t {
  WORK_SPILLED = 1, /* bytes at and beyond the memory boundary live on disk */
  WORK_CREATED = 2, /* the disk file was created here and is removed on delete */
};

struct WORKFILE {
  int iFd;                 /* disk file, -1 until the file first spills */
  uint8_t **papChunks;     /* chunk k holds bytes k*WORK_CHUNK ... */
  uint64_t ulSize;         /* logical end */
  uint64_t ulMemory;       /* bytes held in chunks (a multiple of WORK_CHUNK) */
  uint64_t ulPos;          /* current position */
  uint32_t ulChunkSlots;   /* entries the chunk array has room for */
  char szName[4096];       /* disk file name, empty until created */
  uint32_t ulState;        /* WORK_SPILLED, WORK_CREATED */
};

extern WORKFILE g_aWork[WORK_FILES];

/* Raw work files (temp.cpp) */
void vWorkSetMemory(uint64_t ulRequest);
uint64_t ulWorkBudget();
int64_t lWorkTell(int iFile);
int64_t vWorkSeek(int iFile, int64_t lOffset, int iOrigin);
void vWorkRead(void *pDest, size_t ulSize, size_t ulCount, int iFile);
void vWorkWrite(const void *pSrc, size_t ulSize, size_t ulCount, int iFile);
uint64_t lWorkClose(int iFile, bool bDelete);
void vWorkDeleteAll();

/* Statement-record layer on SYSUT1 (work.cpp) */
struct STMTRECORD {
  GROWBUF buf;             /* subpool 0; the record's first word is its length */
  uint32_t ulLength;       /* length of the record in the buffer */
  uint32_t ulNextLength;   /* length of the next record to read, 0 = end */
  uint64_t ulSysut1Size;   /* for the summary, kept by lStmtFinishFile */
  uint64_t ulSysut1Memory;
};
extern STMTRECORD g_rec;

uint32_t lStmtFirst(uint64_t ulPos);
uint32_t lStmtNext(uint64_t ulPos);
void *pRecordExtend(uint32_t ulCount);
uint8_t *pRecord();
void vRecordReset(uint32_t ulHeadLength);
/* Shortens the record in hand to ulLength bytes (0: nothing to keep); the
   one way other modules change its length. */
void vRecordTruncate(uint32_t ulLength);
int iStmtLocate(uint32_t *pulLabelLen, const uint8_t **ppLabel, const uint8_t **ppFirstOperand);
uint64_t lStmtFinishFile();
const uint8_t *pTextCompress(const uint8_t *pImage, uint32_t ulLen, uint32_t *pulStored);
const uint8_t *pTextExpand(uint32_t ulLen, uint32_t ulStored, const uint8_t *pStored);
