/*
** lbl.h - the ordinary symbol table: labels, literals, cross-references and
** the value of EQU statements.
**
** Every label of the assembly and every literal is one SYMBOL in a table of
** 4096 chains, hashed with the two Pearson tables of the operation code table.
** Names are EBCDIC, upper-cased, 1 to 63 characters; literal texts are kept as
** given and are told apart by two keys (pool number, second key).
**
** Lifetime: vSymbolsReset starts every assembly; entries come from a storage
** stack in subpool 1 (SP_RUN) and are never freed one by one, so the table
** must not be used after subpool 1 was released until the next reset.
*/
#pragma once

#include <cstddef>
#include <cstdint>

struct STACKHDR;

constexpr uint32_t SYM_BUCKETS = 4096;
constexpr uint32_t SYM_NAME_MAX = 63;

/* SYMBOL flags. */
enum : uint8_t {
  SYMF_EQU = 0x10,           /* defined by EQU */
  SYMF_TYPE_PENDING = 0x20,  /* type attribute still pending */
  SYMF_VALUE_PENDING = 0x40, /* value still pending */
  SYMF_UNDEFINED = 0x80,     /* undefined or in error */
  SYMF_NEW = 0x60,
};

constexpr int32_t SYM_LENGTH_UNKNOWN = -1;
constexpr int32_t SYM_LENGTH_USING = -2;      /* marks a USING label */
constexpr int16_t SYM_SCALE_UNKNOWN = -32765; /* this and below: markers */
constexpr uint8_t SYM_TYPE_UNDEFINED = 0xE4;  /* EBCDIC 'U' */

/* A reference word: statement number in the low 20 bits, a reference-kind
   letter (EBCDIC) in the top byte. */
constexpr uint32_t REF_STMT_MASK = 0x000FFFFF;
constexpr uint32_t REF_KIND_SHIFT = 24;
/* Reference kinds (EBCDIC letters shown in the cross reference). */
constexpr uint8_t REF_MODIFY = 0xD4;  /* 'M': receiving field */
constexpr uint8_t REF_USING = 0xE4;   /* 'U': USING operand */
constexpr uint8_t REF_DROP = 0xC4;    /* 'D': DROP operand */
constexpr uint8_t REF_BRANCH = 0xC2;  /* 'B': branch target */
constexpr uint8_t REF_EXECUTE = 0xE7; /* 'X': EX target */
inline uint32_t ulRefWord(uint32_t ulStmt, uint8_t bKind)
{
  return (ulStmt & REF_STMT_MASK) | static_cast<uint32_t>(bKind) << REF_KIND_SHIFT;
}

/* One ordinary symbol or literal.  With XREF on, the entry is preceded in
   storage by its inline reference list {count = 1, first reference}. */
struct SYMBOL {
  SYMBOL *pNext;       /* next entry of the same chain */
  uint32_t *pRefs;     /* {count, references...}; null with XREF off */
  uint8_t *pDeferred;  /* EQU operand {u32 length, text} not yet settled */
  int32_t lSection;    /* section index of the value; -1 absolute */
  int32_t lValue;      /* -1 while unknown */
  int32_t lLength;     /* L'; SYM_LENGTH_UNKNOWN, SYM_LENGTH_USING */
  int32_t lOrgSection; /* location counter item current at definition */
  int32_t lOrgValue;   /* location at definition (* of an EQU); -1 unknown */
  int32_t lKey2;       /* literal: second key; 0 for an ordinary symbol */
  int32_t lKey1;       /* literal: pool number; 0 for an ordinary symbol */
  int16_t sScale;      /* S'; SYM_SCALE_UNKNOWN while not known */
  uint16_t usNameLength;
  uint8_t bFlags;   /* SYMF_* */
  uint8_t bType;    /* T', EBCDIC letter */
  uint8_t abName[]; /* name (upper case) or literal text, not terminated */
};

struct LBLSTATE {
  SYMBOL *apBucket[SYM_BUCKETS];
  STACKHDR *pSymbols;     /* entries of this assembly */
  STACKHDR *pEquStack;    /* parse trees of EQU operands */
  uint32_t ulLiteralPool; /* pool number in force (key 1 of new literals) */
  bool bXref;             /* the XREF option: keep reference lists */
};
extern LBLSTATE g_lbl;

/* Starts an assembly: empty table, new storage, literal pool 1; also starts
   the expression modules (vExprReset). */
void vSymbolsReset(bool bXref);

/* The literal pool in force, the pool number new literals get: 1 at the
   start, the next after each pool is placed, 0 after the last one; in the
   code generation phase the pool the record in hand names. */
uint32_t ulLiteralPool();
void vLiteralPoolSet(uint32_t ulPool);

/* Bucket of an ordinary name (already upper-cased) and of a literal text. */
uint32_t ulSymbolBucket(const uint8_t *pName, size_t ulLength);
uint32_t ulLiteralBucket(const uint8_t *pText, size_t ulLength, int32_t lKey1, int32_t lKey2);

/* The ordinary entry of a name (any case), or null; null for a length of 0
   or above 63. */
SYMBOL *pSymbolFind(const uint8_t *pName, size_t ulLength);
/* Finds or creates the ordinary entry.  On entry *pbCreated asks for the
   statement number to be recorded as a reference when the entry exists; on
   return it tells whether the entry is new.  Null for an invalid length. */
SYMBOL *pSymbolDefine(const uint8_t *pName, size_t ulLength, uint32_t ulStmt, bool *pbCreated);

/* Literal entries: text as it stands, keys as given (key 1 at least 1).
   pLiteralAdd returns the existing entry when there is one. */
SYMBOL *pLiteralFind(const uint8_t *pText, size_t ulLength, int32_t lKey1, int32_t lKey2);
SYMBOL *pLiteralAdd(const uint8_t *pText, size_t ulLength, int32_t lKey1, int32_t lKey2);

/* Every entry (ordinary symbols and literals), in no particular order,
   into ppOut, which has room for ulRoom of them (ulSymbolTotal() takes
   them all); their count. */
uint32_t ulSymbolTotal();
uint32_t ulSymbolsAll(SYMBOL **ppOut, uint32_t ulRoom);

/* Records one reference word (nothing with XREF off or statement 0). */
void vSymbolXref(SYMBOL *pSym, uint32_t ulRef);
inline uint32_t ulSymbolRefCount(const SYMBOL *pSym) { return pSym->pRefs != nullptr ? pSym->pRefs[0] : 0; }
inline const uint32_t *pSymbolRefList(const SYMBOL *pSym) { return pSym->pRefs != nullptr ? pSym->pRefs + 1 : nullptr; }
/* The defining statement: the first entry of the reference list (0 when
   none is kept or the entry was made by no statement). */
inline uint32_t ulSymbolDefinition(const SYMBOL *pSym)
{
  return ulSymbolRefCount(pSym) > 0 ? pSym->pRefs[1] & REF_STMT_MASK : 0;
}
/* A defined EQU symbol whose value is complexly relocatable: it keeps its
   operand for the second phase and has no section. */
inline bool bSymbolComplex(const SYMBOL *pSym)
{
  return (pSym->bFlags & (SYMF_EQU | SYMF_VALUE_PENDING | SYMF_UNDEFINED)) == SYMF_EQU && pSym->lSection == -1 &&
         pSym->pDeferred != nullptr;
}

/* The label part of the definition step: finds or creates the entry of a
   label.  An existing entry is a duplicate: message 110 (vSymbolDuplicate)
   goes to the statement and the result is null; a USING label (bUsing) may be repeated on USING statements and is
   marked with L' SYM_LENGTH_USING. */
SYMBOL *pLabelDefine(const uint8_t *pName, size_t ulLength, uint32_t ulStmt, bool bUsing);
/* Message 110 on the statement in hand: the name was defined before. */
void vSymbolDuplicate(const uint8_t *pName, uint32_t ulLength);

/* Deferred EQU operand of an entry. */
void vSymbolDeferSet(SYMBOL *pSym, const uint8_t *pText, uint32_t ulLength);
void vSymbolDeferRelease(SYMBOL *pSym);
uint32_t ulDeferLength(const SYMBOL *pSym);
inline const uint8_t *pDeferText(const SYMBOL *pSym) { return pSym->pDeferred + 4; }

/* Outcome of iEquDefine. */
enum : int {
  EQU_ERROR = -1,  /* diagnostic attached; symbol undefined (0x80), L' 1 */
  EQU_DEFINED = 0, /* value and attributes settled */
  EQU_PENDING = 1, /* depends on later definitions: the caller reserves a
                      diagnostic slot and marks the statement for revisiting */
  EQU_PHASE2 = 2,  /* complexly relocatable: the caller sets STMT flag 0x1000 */
};

/* Evaluates the operands of an EQU statement (operand sub-records of kind
   7, uCount of them) with * = (lLocSection, lLocValue) and gives the entry
   (may be null: operands are only checked) its value, L', T' and origin.
   Called in the conditional assembly phase and again by every resolution
   pass; an operand that cannot be computed yet is kept in the entry. */
int iEquDefine(SYMBOL *pSym, const uint8_t *pFirstOperand, unsigned uCount, int32_t lLocSection, int32_t lLocValue);

/* The label definition step for the statement in hand (its operation index
   is already in the record): defines the label with the attributes of its
   instruction, evaluates EQU, and marks statements whose values are not yet
   known for the resolution passes; a statement whose location counter is
   blocked waits for a pass.  In a resolution pass the entries are only
   found, and values and locations refreshed. */
void vDefineLabel(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);

/* What the label definition step and the end-of-phase relocation take
   from the layers above the symbol table: the instruction table's rows,
   the private section, the location step of a machine instruction and the
   start address of a section (false for none).  The instruction table
   (instr.cpp) fills it. */
struct INSTRARGS;
struct INSTRROW;
struct LABELHOOKS {
  const INSTRROW &(*pfnRow)(uint8_t bNumber);
  void (*pfnPrivateSection)();
  void (*pfnMachineLocate)(const INSTRARGS &a);
  bool (*pfnSectionStart)(int32_t lSection, uint32_t *pulStart);
};
extern const LABELHOOKS g_labelHooks;

/* Second phase of a complexly relocatable EQU (STMT flag 0x1000): the
   operand evaluated from the addresses of its terms becomes the value that
   the listing and the cross reference show, as relocatable EQU values show
   their addresses. */
void vEquSecondPhase(uint32_t ulLabelLength, const uint8_t *pLabel, const uint8_t *pFirstOperand);

/* End of the conditional assembly phase, after the layout: values and
   origins of defined entries become addresses; entries still pending
   become undefined. */
void vSymbolsRelocate();
