/*
** opt.h - the operation code table, its phase-1 name index and the Pearson
** name hashing that every symbol table uses.
**
** The table is loaded once per run (the built-in image, or vorn.opt in the
** program directory in its place) and selected by the OPTABLE option.  Names
** in the table and in the index are EBCDIC, NUL-terminated, compared as
** unsigned bytes.
*/
#pragma once

#include <cstddef>
#include <cstdint>

/* One operation code table entry, 24 bytes as stored in the table.
   Assembler instruction: bKind X'FF' (then 'A'), name in abName (at most 7
   characters), abOps = minimum operands, further optional operands (255 =
   any), instruction number, conditional-assembly statement number (255 =
   none), abExtra[0] = flags.
   Machine instruction: bKind = level mask (then 'M'), bLength 2/4/6,
   abName[0..5] = mnemonic, abName[6..7] = skeleton, abOps = operand count
   (0-4) and three descriptor numbers (operand 4 takes the descriptor after
   operand 3's), abExtra = four 16-bit implicit register masks. */
struct OPENTRY {
  uint8_t bKind;
  uint8_t bLength;
  int16_t sIndex; /* position in the selected table, -1 when dropped */
  uint8_t abName[8];
  uint8_t abOps[4];
  uint8_t abExtra[8];
};
static_assert(sizeof(OPENTRY) == 24);

struct OPDESC {
  uint32_t ulDesc;  /* kind, field positions, alignment */
  uint32_t ulFlags; /* access kind, checks, listing column */
};
static_assert(sizeof(OPDESC) == 8);

enum : uint8_t {
  OPK_ASSEMBLER = 'A',
  OPK_MACHINE = 'M',
  OPK_MACRO = 'R',
};

/* Instruction flags of assembler entries (abExtra[0]). */
enum : uint8_t {
  OPF_COND = 0x01,    /* handled in the conditional assembly phase */
  OPF_LABEL = 0x02,   /* label required */
  OPF_NOLABEL = 0x04, /* label must be omitted */
};

/* OPTABLE option values. */
enum : uint8_t {
  OPTABLE_UNI = 0xFF,
  OPTABLE_ASM = 0x01,
  OPTABLE_370 = 0x02,
  OPTABLE_DOS = 0x04,
  OPTABLE_XA = 0x08,
  OPTABLE_ESA = 0x10,
};

struct OPTABLE {
  OPENTRY *pEntries;
  uint32_t ulCount;
  OPDESC *pDescs;
  uint32_t ulDescCount;
};
extern OPTABLE g_optab;
extern uint8_t g_abPearsonT1[256];
extern uint8_t g_abPearsonT2[256];

/* Loads the table from the program directory's vorn.opt when there is one,
   else the built-in image; 0, or error 1-6 after writing KZM006S. */
int iOptableLoad(const char *pszDir);
/* Loads a table image from memory (the built-in one, or any other). */
int iOptableLoadImage(const uint8_t *pImage, size_t ulSize, const char *pszPath);
void vOptableSelect(uint8_t bMask);
void vOptableRelease();

/* Phase-1 name index; its storage belongs to the phase and goes with it. */
void vOpindexBuild(bool bExecAllowed);
void *pOpindexFind(const uint8_t *pszName);
void vOpindexSet(const uint8_t *pszName, void *pRecord);
void vOpindexDrop();
uint32_t ulOpindexHeight(); /* levels of the tree */
/* Counts every change of the index (never 0): a lookup made at one count
   gives the same result while the count stays. */
uint64_t ullOpindexChanges();

/* Pearson hashes of a name (inline: every symbol and variable lookup
   takes one). */
inline uint8_t bPearsonHash(const uint8_t *pBytes, size_t ulLength)
{
  uint8_t h = 0;
  for (size_t i = 0; i < ulLength; i++) h = g_abPearsonT1[h ^ pBytes[i]];
  return h;
}

inline void vPearsonPair(const uint8_t *pBytes, size_t ulLength, uint8_t *pbH1, uint8_t *pbH2)
{
  uint8_t h1 = 0, h2 = 0;
  for (size_t i = 0; i < ulLength; i++) {
    h1 = g_abPearsonT1[h1 ^ pBytes[i]];
    h2 = g_abPearsonT2[h2 ^ pBytes[i]];
  }
  *pbH1 = h1;
  *pbH2 = h2;
}
