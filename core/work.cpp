/*
** work.cpp - the statement-record layer on SYSUT1 and the blank-run
** compression of source images (module "work").
**
** Calls: the services only.
** Called by: every layer above.
**
** Owns the record buffer: the statement record being built or read, whose
** first word always equals its length, and the length of the next record to
** read (0 = end of stream).  Records on SYSUT1 follow one another without
** gaps, each starting with its own length word; a zero length word ends the
** stream.  Reading a record reads the following record's length word with it,
** so sequential reading needs no positions.
*/
#include "work.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "chars.h"
#include "src1.h"
#include "stmt.h"
#include "vorn.h"
#include "svc.h"

#define MEM_MODULE "work"

STMTRECORD g_rec = {{SP_HEAP, 1, 0, nullptr, nullptr}, 0, 0, 0, 0};

namespace {

GROWBUF g_compressed = {SP_HEAP, 1, 0, nullptr, nullptr};
GROWBUF g_expanded = {SP_HEAP, 1, 0, nullptr, nullptr};

GROWBUF g_blankMap = {SP_HEAP, 1, 0, nullptr, nullptr};

/* The data of a buffer with room for ulRequired bytes; grows it only when
   it is too small. */
uint8_t *pRoom(GROWBUF *pBuf, size_t ulRequired)
{
  return static_cast<uint8_t *>(ulRequired <= pBuf->ulCapacity ? pBuf->pData : GB_ENSURE(pBuf, ulRequired));
}

/* Copies a piece of text of at most 16 bytes: two overlapping moves of
   a fixed size rather than a copy of variable length. */
[[gnu::always_inline]] inline void vCopyPiece(uint8_t *pDst, const uint8_t *pSrc, uint32_t n)
{
  if (n >= 8) {
    std::memcpy(pDst, pSrc, 8);
    std::memcpy(pDst + n - 8, pSrc + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(pDst, pSrc, 4);
    std::memcpy(pDst + n - 4, pSrc + n - 4, 4);
  } else if (n >= 2) {
    std::memcpy(pDst, pSrc, 2);
    std::memcpy(pDst + n - 2, pSrc + n - 2, 2);
  } else if (n == 1) {
    pDst[0] = pSrc[0];
  }
}

/* The blank map of an image: bit k%64 of word k/64 is set when byte k is
   a blank; bits beyond the image are clear. */
const uint64_t *pBlankMap(const uint8_t *p, uint32_t ulLen)
{
  uint64_t *pull = reinterpret_cast<uint64_t *>(pRoom(&g_blankMap, (ulLen / 64 + 1) * sizeof(uint64_t)));
  for (uint32_t w = 0; w * 64 < ulLen; w++) {
    uint32_t n = std::min<uint32_t>(64, ulLen - w * 64);
    const uint8_t *q = p + w * 64;
    uint64_t ullBits = 0;
    uint32_t k = 0;
#ifdef __SSE2__
    const __m128i xBlank = _mm_set1_epi8(static_cast<char>(EBCDIC_BLANK));
    for (; k + 16 <= n; k += 16) {
      __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q + k));
      ullBits |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, xBlank)))} << k;
    }
#endif
    for (; k < n; k++) ullBits |= uint64_t{q[k] == EBCDIC_BLANK} << k;
    pull[w] = ullBits;
  }
  return pull;
}

/* The first index from i on whose byte is a blank (bBlank) or is not;
   ulLen when there is none. */
[[gnu::always_inline]] inline uint32_t ulFind(const uint64_t *pullMap, uint32_t i, uint32_t ulLen, bool bBlank)
{
  uint32_t w = i / 64;
  uint64_t x = (bBlank ? pullMap[w] : ~pullMap[w]) & (~uint64_t{0} << (i % 64));
  while (x == 0) {
    if (++w * 64 >= ulLen) return ulLen;
    x = bBlank ? pullMap[w] : ~pullMap[w];
  }
  return std::min<uint32_t>(ulLen, w * 64 + static_cast<uint32_t>(std::countr_zero(x)));
}

/* Copies the context of the record in hand into the statement trace fields. */
void vContextFromRecord(const uint8_t *pRec)
{
  uint32_t ulSrcId = ulGet32(pRec + STMT_SRCID);
  vContextSource(ulSrcId, pSvcSourceName(ulSrcId), ulGet32(pRec + STMT_LINE));
  vContextStatement(ulGet32(pRec + STMT_NUMBER));
  vContextFlag(ulGet32(pRec + STMT_FLAGSET));
  int16_t sNest = static_cast<int16_t>(usGet16(pRec + STMT_NEST));
  vContextNest(sNest == 0 && ulGet32(pRec + STMT_SEQUENCE) != 0 ? -1 : sNest);
}

} // namespace

void vRecordReset(uint32_t ulHeadLength)
{
  uint8_t *p = pRoom(&g_rec.buf, ulHeadLength > 4 ? ulHeadLength : 4);
  std::memset(p, 0, g_rec.ulLength > ulHeadLength ? g_rec.ulLength : ulHeadLength);
  g_rec.ulLength = ulHeadLength;
  vPut32(p, ulHeadLength);
}

uint8_t *pRecordRoom(size_t ulRequired) { return pRoom(&g_rec.buf, ulRequired); }

uint32_t lStmtFirst(uint64_t ulPos)
{
  uint8_t ab[4];
  vWorkSeek(WORK_SYSUT1, static_cast<int64_t>(ulPos), 0);
  vWorkRead(ab, 1, 4, WORK_SYSUT1);
  g_rec.ulNextLength = ulGet32(ab);
  return g_rec.ulNextLength;
}

/* Bytes ahead of a record read whose memory is fetched meanwhile: reading
   the records one after another need not wait for it. */
constexpr uint64_t READ_AHEAD = 1024;

uint32_t lStmtNext(uint64_t ulPos)
{
  uint32_t L = g_rec.ulNextLength;
  if (L < 4) return 0;
  VORN_INVARIANT(L >= STMT_HEAD);
  if (ulPos != 0) vWorkSeek(WORK_SYSUT1, static_cast<int64_t>(ulPos), 0);
  vWorkPrefetch(WORK_SYSUT1, g_aWork[WORK_SYSUT1].ulPos + READ_AHEAD);
  uint8_t *p = pRoom(&g_rec.buf, static_cast<size_t>(L) + 4);
  vWorkRead(p + 4, 1, L, WORK_SYSUT1);
  g_rec.ulNextLength = ulGet32(p + L);
  std::memset(p + L, 0, 4);
  if (g_rec.ulLength > L) std::memset(p + L + 4, 0, g_rec.ulLength - L > 4 ? g_rec.ulLength - L - 4 : 0);
  g_rec.ulLength = L;
  vPut32(p, L);
  if (L >= STMT_HEAD) vContextFromRecord(p);
  return L;
}

void vRecordTruncate(uint32_t ulLength)
{
  if (ulLength >= g_rec.ulLength) return;
  g_rec.ulLength = ulLength;
  if (ulLength >= 4) vPut32(pRecord(), ulLength);
}

int iStmtLocate(uint32_t *pulLabelLen, const uint8_t **ppLabel, const uint8_t **ppFirstOperand)
{
  *pulLabelLen = 0;
  *ppLabel = nullptr;
  *ppFirstOperand = nullptr;
  if (pRecord() == nullptr || g_rec.ulLength < STMT_HEAD) return 0;
  int iOperands = 0;
  bool bInOperands = false;
  pStmtEachSub([&](uint8_t bKind, const uint8_t *pSub, uint32_t ulLen) {
    if (bKind == SUB_LABEL) {
      *pulLabelLen = ulLen - 4;
      *ppLabel = pSub + 4;
    }
    if (bKind == SUB_OPERAND && (bInOperands || iOperands == 0)) {
      if (iOperands == 0) *ppFirstOperand = pSub;
      iOperands++;
      bInOperands = true;
    } else {
      bInOperands = false;
    }
    return false;
  });
  return iOperands;
}

uint64_t lStmtFinishFile()
{
  vWorkSeek(WORK_SYSUT1, 0, 2);
  g_rec.ulSysut1Size = static_cast<uint64_t>(lWorkTell(WORK_SYSUT1));
  g_rec.ulSysut1Memory = lWorkClose(WORK_SYSUT1, false);
  GB_FREE(&g_rec.buf);
  g_rec.buf.ulKeep = 1;
  g_rec.ulLength = 0;
  g_rec.ulNextLength = 0;
  return g_rec.ulSysut1Size;
}

const uint8_t *pTextCompress(const uint8_t *pImage, uint32_t ulLen, uint32_t *pulStored)
{
  /* Each 15 text bytes take at most one control byte more, and a blank run
     never takes more bytes than it had: this holds any outcome, and 16
     bytes more let a piece of text be copied 16 bytes at once. */
  uint8_t *pOut = pRoom(&g_compressed, static_cast<size_t>(ulLen) + ulLen / 15 + 2 + 16);
  uint8_t *q = pOut;
  const uint64_t *pullMap = pBlankMap(pImage, ulLen);
  for (uint32_t i = 0; i < ulLen;) {
    uint32_t ulText = ulFind(pullMap, i, ulLen, false);
    uint32_t b = ulText - i;
    uint32_t l = ulText < ulLen ? ulFind(pullMap, ulText, ulLen, true) - ulText : 0;
    const uint8_t *pLit = pImage + i + b;
    i += b + l;
    for (; b > 15; b -= 15) *q++ = 0xF0;
    if (l == 0) {
      *q++ = static_cast<uint8_t>(b << 4);
      continue;
    }
    uint32_t e = l <= 15 ? l : (l - 1) % 15 + 1; /* the odd piece first */
    *q++ = static_cast<uint8_t>(b << 4 | e);
    if (pImage + ulLen - pLit >= 16) /* 16 bytes: what goes beyond the piece is written over or dropped */
      std::memcpy(q, pLit, 16);
    else
      vCopyPiece(q, pLit, e);
    q += e;
    pLit += e;
    for (l -= e; l > 0; l -= 15) {
      *q++ = 0x0F;
      std::memcpy(q, pLit, 15);
      q += 15;
      pLit += 15;
    }
  }
  *pulStored = static_cast<uint32_t>(q - pOut);
  if (*pulStored >= ulLen) {
    *pulStored = ulLen;
    return pImage;
  }
  return pOut;
}

const uint8_t *pTextExpand(uint32_t ulLen, uint32_t ulStored, const uint8_t *pStored)
{
  if (ulStored == ulLen) return pStored;
  uint8_t *pOut = pRoom(&g_expanded, ulLen != 0 ? ulLen : 1);
  std::memset(pOut, EBCDIC_BLANK, ulLen);
  uint64_t ulOut = 0;
  for (uint32_t i = 0; i < ulStored;) {
    uint8_t bCtl = pStored[i++];
    ulOut += bCtl >> 4;
    /* text beyond the stored bytes or beyond the image is dropped */
    uint32_t n = std::min<uint32_t>(bCtl & 0x0F, ulStored - i);
    if (n != 0 && ulOut < ulLen) {
      uint32_t ulCopy = std::min<uint32_t>(n, ulLen - static_cast<uint32_t>(ulOut));
      vCopyPiece(pOut + ulOut, pStored + i, ulCopy);
      ulOut += ulCopy;
    }
    i += n;
  }
  return pOut;
}

#ifdef VORN_INVARIANTS
void vInvariantBroken(const char *pszCondition, const char *pszFile, int iLine)
{
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", pszFile, iLine, pszCondition);
  std::abort();
}
#endif
