/*
** usg2.h - USING resolution (module "usg2"): the USING table of the code
** generation phase, the USING, DROP and PUSH/POP USING statements, the
** resolver that turns an implicit address into base register and
** displacement, the active-USINGs line of the listing and the USING map
** records.
**
** The table exists only in the code generation phase: vUsingReset starts it
** (empty, level 0) and all its storage lives in subpool 1 (SP_RUN), which the
** driver releases at the end of the phase.  Nothing here may be used after
** that release until the next vUsingReset.
**
** Statement handlers work on the statement in hand (pRecord()): its number
** and FLAG settings come from g_asm, its section index and location (the
** value of *) from the STMT head, its operands are the kind-7 sub-records
** that iStmtLocate finds.  Addresses are (section index, offset) pairs as an
** expression value gives them; section index -1 means absolute.
*/
#pragma once

#include <cstddef>
#include <cstdint>

struct SYMBOL;

constexpr unsigned USING_REGS = 16;      /* ranges of one USING at most */
constexpr uint8_t USING_DROPPED = 255;   /* register of a dropped range */
constexpr int32_t USING_LEVEL_MAX = 255; /* PUSH USING nesting at most */
constexpr uint32_t USING_TEXT_MAX = 54;  /* label/operand text of a map record */
constexpr unsigned USING_LINES_MAX = 4;  /* active-USINGs lines per change */
constexpr uint32_t USING_LINE_MAX = 256; /* longest listing line handled */

struct USINGMAP;

/* One USING in the table (read-only outside the module). */
struct USINGENTRY {
  int32_t lCreated;          /* stack level at which this entry was made */
  int32_t lVisible;          /* level at which it is active */
  USINGENTRY *pNext;         /* newer entries first */
  USINGENTRY *pBase;         /* dependent: the resolving entry's original */
  USINGENTRY *pOrig;         /* the entry as first made (itself unless a copy) */
  SYMBOL *pLabel;            /* labeled USING: its label */
  USINGMAP *pMap;            /* its map record, or null */
  uint32_t ulMapShift;       /* map register of range 0 (base moved up) */
  uint32_t ulStmt;           /* statement number of the USING */
  int32_t lSection;          /* section of the base; -1 absolute */
  int32_t lBase;             /* base address (offset in the section) */
  int32_t lLimit;            /* highest displacement without warning 534 */
  uint32_t ulCount;          /* ranges of 4096 bytes, 1..16 */
  uint8_t abReg[USING_REGS]; /* register of each range; USING_DROPPED */
  uint32_t ulStamp;          /* drop pass bookkeeping, kept in the original */
  uint8_t bAction;
  uint16_t usDropMask;
};

/* ---- USING map records (kept only under USING(MAP)) ---------------------- */

enum : uint8_t { UM_USING = 1, UM_DROP = 2, UM_PUSH = 3, UM_POP = 4 };
enum : uint8_t {
  UT_NONE = 0, /* PUSH, POP, DROP of a label */
  UT_ORDINARY = 1,
  UT_DEPENDENT = 2,
  UT_LABELED = 3,
  UT_LABDEP = 4,   /* labeled dependent */
  UT_ALL = 5,      /* DROP without operands */
  UT_REGISTER = 6, /* DROP of a register: bDropReg */
};

struct USINGMAPREG {
  int32_t lBase; /* base address of the range */
  uint8_t bReg;
  int32_t lMaxDisp; /* highest displacement used; -1 not used */
  uint32_t ulLast;  /* last statement that used the range */
  uint32_t ulEnd;   /* statement that dropped it; 0 none */
};

struct USINGMAP {
  USINGMAP *pNext; /* in statement order */
  uint32_t ulStmt;
  int32_t lLevel;
  uint8_t bAction;  /* UM_* */
  uint8_t bType;    /* UT_* */
  uint8_t bDropReg; /* UT_REGISTER */
  int32_t lSection; /* -1 absolute */
  int32_t lBase;
  int32_t lLimit;
  char achText[USING_TEXT_MAX + 1]; /* "label.operands", host characters */
  uint32_t ulRegs;
  USINGMAPREG aReg[]; /* ulRegs of them */
};

/* First map record of the phase, in statement order (null when none). */
const USINGMAP *pUsingMapFirst();

/* ---- sections ------------------------------------------------------------ */

/* What the USING module needs to know of a section; the section module
   supplies it through vUsingSectionHook.  Without a hook every section is
   taken as an unnamed control section starting at 0. */
struct USINGSECTION {
  uint8_t bKind;        /* ESD kind: 0 SD, 2 ER, 4 PC, 5 CM, 10 WX, 255 DSECT ... */
  const uint8_t *pName; /* EBCDIC, null when unnamed */
  uint32_t ulNameLength;
  int32_t lStart; /* start address added by the layout; 0 before */
};
using PFNUSINGSECTION = bool (*)(int32_t lSection, USINGSECTION *pOut);
void vUsingSectionHook(PFNUSINGSECTION pfn);

/* ---- code generation phase ----------------------------------------------- */

/* Start of every code generation phase: empty table, level 0, changed flag
   set, no map records. */
void vUsingReset();

/* Second phase of USING: label as iStmtLocate gives it (length 0 for none),
   the operand count and the first operand sub-record (inside the record in
   hand, which diagnostics do not move).  The head's location and section
   become the base address for the listing. */
void vUsingStatement(uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands, const uint8_t *pFirstOperand);
/* Second phase of DROP. */
void vDropStatement(int iOperands, const uint8_t *pFirstOperand);
/* Second phase of PUSH USING (bPush) and POP USING. */
void vUsingPushPop(bool bPush);
/* Second phase of PUSH and POP: the USING level when an operand names USING. */
void vUsingPushPopStatement(bool bPush, int iOperands, const uint8_t *pFirstOperand);

/* Base and displacement of an address, as an expression value gives it:
   (lSection, lOffset) with lSection -1 for an absolute lOffset, and the
   value's qualifier (null when unqualified), which limits the search to the
   USINGs of that label.  Returns the entry used and writes {register << 4 |
   displacement bits 8-11, displacement bits 0-7} to pResult; null when the
   address is not addressable (pResult untouched: the caller reports 317).
   uOperand > 0 enables warning 534 for that operand of the statement in
   hand.  Every success is recorded in the USING map.  The entry stays valid
   until the next USING, DROP or POP. */
const USINGENTRY *pUsingResolve(uint8_t *pResult, const SYMBOL *pQualifier, int32_t lSection, int32_t lOffset,
                                unsigned uOperand);

/* Whether an active USING labeled pQualifier covers lSection.  Outside the
   code generation phase there is no USING table and every qualifier is
   accepted (the check is made when the statement is generated). */
bool bUsingQualifierValid(const SYMBOL *pQualifier, int32_t lSection);

/* ---- listing ------------------------------------------------------------- */

/* The set of active USINGs changed since the last vUsingActiveLine. */
bool bUsingChanged();

/* Active-USINGs lines, EBCDIC, without line ends. */
struct USINGLINES {
  unsigned uCount;
  uint32_t aulLength[USING_LINES_MAX];
  uint8_t aab[USING_LINES_MAX][USING_LINE_MAX];
};
/* Builds the lines for a listing line width (clamped to USING_LINE_MAX) and
   clears the changed flag. */
void vUsingActiveLine(uint32_t ulWidth, USINGLINES *pOut);

/* What the listing shows for the USING statement handled last: ulStmt is
   its number (0: none); achObject the object field of an ordinary USING
   ("R:" and the registers in hexadecimal), empty otherwise; bAddress and
   abAddress the resolved base and displacement of a dependent USING. */
struct USINGLISTINFO {
  uint32_t ulStmt;
  char achObject[2 + USING_REGS + 1];
  bool bAddress;
  uint8_t abAddress[2];
};
const USINGLISTINFO *pUsingListInfo();
