/*
** esd1.h - sections, external symbols, location counters and literal pools
** (module "esd1").
**
** The external symbol dictionary is an array of ESDITEMs in order of
** creation; an item's index is the "section index" that symbols, statements
** and expression values carry.  Kinds with storage (SD, PC, CM, DSECT) own a
** chain of location counters: the section's own counter first, then one per
** LOCTR name.  Locations are section-relative until the layout at the end of
** the conditional assembly phase gives every control section its start.
**
** Location counters and folding: only the first counter of a section's
** chain that is not yet folded is usable in the conditional assembly phase;
** a later LOCTR counter waits until the counters before it are complete
** (the resolution passes fold them).  A counter is also blocked while an
** ORG, DC, DS or CNOP statement whose extent is not yet known is pending on
** it.  Statements that would need a location from a blocked counter get none
** yet: their record keeps STMT flag 0x0100 and carries the counter index in
** its section field until a resolution pass assigns the location.
**
** Lifetime: vEsdReset starts every conditional assembly phase; items and
** counters live in subpool 1 (SP_RUN) until the end of the code generation
** phase.  Pointers returned by pEsdItem/pLocCounter stay valid only until the
** next item or counter is created.
*/
#pragma once

#include <cstddef>
#include <cstdint>

#include "vorn.h"

struct INSTRARGS;
struct SYMBOL;

/* Messages of sections, location counters and external symbols.  The text
   of ESDM_LOCATION is a stem (" in operand %u." or "." follows, see
   iStmtDiagStem); ESDM_*_NAME texts follow the name they are about. */
enum ESDMSG {
  ESDM_EXECUTABLE,     /* 151 */
  ESDM_SECTION_TYPE,   /* 152 */
  ESDM_ATTRIBUTE,      /* 153 */
  ESDM_AMODE_RMODE,    /* 154 */
  ESDM_REPEATED_NAME,  /* 155 */
  ESDM_ENTRY_NAME,     /* 156 */
  ESDM_UNNAMED,        /* 157 */
  ESDM_UNDEFINED_NAME, /* 158 */
  ESDM_UNNAMED_DXD,    /* 170 */
  ESDM_LOCATION,       /* 171 */
  ESDM_EXTERNAL_NAME,  /* 302 */
  ESDM_COUNT
};
extern const MSGDEF g_aEsdMsg[];

/* Message 171 on the statement in hand (ESDM_LOCATION with a full stop). */
void vLocationOverflow();

/* ESD item kinds. */
enum : uint8_t {
  ESD_SD = 0,
  ESD_LD = 1,
  ESD_ER = 2,
  ESD_PC = 4,
  ESD_CM = 5,
  ESD_XD = 6,
  ESD_WX = 10,
  ESD_DSECT = 255,
};

/* Attribute flags. */
enum : uint8_t {
  ESDA_AMODE24 = 0x01,
  ESDA_AMODE31 = 0x02,
  ESDA_AMODEANY = 0x03,
  ESDA_AMODE = 0x03,
  ESDA_RMODEANY = 0x04,
  ESDA_RMODE24 = 0x40,
  ESDA_RMODE = 0x44,
  ESDA_DSECT = 0x07,
  ESDA_RSECT = 0x08,
};

constexpr uint32_t ESD_ID_MAX = 65535;
constexpr uint32_t ESD_NAME_MAX = 8; /* longer names need an alias */
constexpr uint32_t ESD_ALIAS_MAX = 64;
constexpr uint32_t LOCATION_LIMIT = 0xFFFFFF;

struct ESDITEM {
  SYMBOL *pName;     /* null for the unnamed section, common and DSECT */
  uint32_t ulStart;  /* START value, then the start address (SD, PC);
                        DSECT/XD: defining statement until layout; LD:
                        the symbol's address after layout */
  uint32_t ulFolded; /* base of the section's first unfolded counter;
                        the section's length after layout; LD: owning
                        section's id after layout; XD: its length */
  uint32_t ulLimit;  /* highest address allowed */
  int32_t lFirstLoc; /* first location counter; -1 without storage */
  int32_t lCurLoc;   /* counter in use */
  int32_t lLastLoc;  /* last counter of its chain */
  int32_t lId;       /* ESD id after layout; DSECTs -1, -2, ... */
  int32_t lDefStmt;  /* DSECT, XD: defining statement after layout */
  uint8_t bKind;     /* ESD_* */
  uint8_t bAttr;     /* ESDA_* */
  uint16_t usAliasLength;
  const uint8_t *pAlias; /* EBCDIC alias or null */
  uint32_t ulXdAlign;    /* XD: alignment of the external dummy */
  bool bLocated;         /* a statement was given a location in it */
  bool bOmitted;         /* empty unnamed section left out of the layout */
};

struct LOCCTR {
  SYMBOL *pName;
  uint32_t ulCurrent; /* next offset, relative to the counter's base */
  uint32_t ulHigh;    /* largest offset reached */
  int32_t lNext;      /* next counter of the same section; -1 none */
  int32_t lSection;   /* ESDITEM index */
  int32_t lPending;   /* statement blocking the counter; 0 usable */
  bool bWaiting;      /* a LOCTR counter waiting for the ones before it */
  bool bFolded;
};

/* Outcome of iAssignLocation. */
enum : int {
  LOC_ASSIGNED = 0,
  LOC_WAITING = 1, /* the counter is blocked; the statement waits */
  LOC_ERROR = 2,   /* message 171 attached */
};

/* Starts a conditional assembly phase: no items, no counters. */
void vEsdReset();

uint32_t ulEsdCount();
ESDITEM *pEsdItem(int32_t lIndex);
uint32_t ulLocCounterCount();
LOCCTR *pLocCounter(int32_t lIndex);
/* The counter in use; -1 before the first section.  Waits for the macro
   language: the system variable symbols &SYSECT and &SYSLOC name it. */
int32_t lEsdCurrentCounter();
/* Index of the first control section (SD or PC) given a location, else of
   the first control section, else -1. */
int32_t lEsdFirstControlSection();

/* Appends an item (kinds with storage get a location counter). */
int32_t iEsdNew(uint8_t bKind, SYMBOL *pName);
/* Starts the unnamed control section when no section is current. */
void vPrivateSection();
/* The item named by a symbol, newest first; null when none. */
ESDITEM *pEsdFind(const SYMBOL *pSym);
int32_t lEsdFindIndex(const SYMBOL *pSym);

/* Location of the next byte of counter lCounter (section and offset);
   false when the counter is blocked for the statement in hand. */
bool bCounterLocation(int32_t lCounter, int32_t *plSection, int32_t *plOffset);

/* Records what the statement in hand asks of its location: its length (at
   offset 28 until the location is assigned) and alignment (offset 47). */
void vRecordExtent(uint32_t ulLength, uint8_t bAlign);
/* Gives the statement in hand its location from counter lCounter: its
   record holds the required alignment at offset 47 and its length at offset
   28.  bBytes: padding is object text (the statement generates bytes).
   pSym, when given, takes the location. */
int iAssignLocation(int32_t lCounter, SYMBOL *pSym, bool bBytes);
/* Marks the statement in hand as waiting for counter lCounter. */
void vLocationWait(int32_t lCounter);
/* Blocks counter lCounter with the statement in hand until it settles;
   the statement waits too. */
void vCounterBlock(int32_t lCounter);
/* Releases a counter blocked by statement ulStmt (after an error). */
void vCounterRelease(int32_t lCounter, uint32_t ulStmt);
/* Sets counter lCounter to section-relative offset ulOffset (ORG). */
void vCounterSet(int32_t lCounter, uint32_t ulOffset);
/* Counter of the statement in hand: the one recorded while it waits, else
   the current one. */
int32_t lStatementCounter();

/* Location steps of the assembler instructions that take a location or
   define their label's value (rows of the instruction table). */
void vCcwLocate(const INSTRARGS &a);
void vCxdLocate(const INSTRARGS &a);
void vCnopLocate(const INSTRARGS &a);
void vDcLocate(const INSTRARGS &a);
void vDsLocate(const INSTRARGS &a);
void vLtorgLocate(const INSTRARGS &a);
void vOrgLocate(const INSTRARGS &a);
void vEquLocate(const INSTRARGS &a);
void vLiteralLocate(const INSTRARGS &a);
void vUsingLocate(const INSTRARGS &a);
/* A machine instruction's: its extent at a halfword, the label at its
   location, the literals of its operands into the pool. */
void vMachineLocate(const INSTRARGS &a);

/* ---- statement handlers (label and operands as iStmtLocate gives them) ---- */

/* CSECT, RSECT, START, COM, DSECT, LOCTR (assembler instruction number). */
void vSectionStatement(uint8_t bNumber, uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands,
                       const uint8_t *pFirstOperand);
/* ALIAS, AMODE, RMODE. */
void vSectionAttribute(uint8_t bNumber, uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands,
                       const uint8_t *pFirstOperand);
/* ENTRY, EXTRN, WXTRN. */
void vExternalStatement(uint8_t bNumber, int iOperands, const uint8_t *pFirstOperand);
/* DXD: the label's XD item. */
void vDxdStatement(SYMBOL *pSym, uint32_t ulLabelLength, const uint8_t *pLabel, const uint8_t *pFirstOperand);
/* ORG (label symbol or null). */
void vOrgStatement(SYMBOL *pSym, int iOperands, const uint8_t *pFirstOperand);
/* END (label symbol or null): its flags, and the location of the counter in
   use, which the label takes. */
void vEndStatement(SYMBOL *pSym, int iOperands);
/* Second phase of the section and external statements: message 302 for
   names that are too long for the object module. */
void vExternalNameCheck(uint8_t bNumber, uint32_t ulLabelLength, const uint8_t *pLabel, int iOperands,
                        const uint8_t *pFirstOperand);

/* The names of a V-type or Q-type DC operand or literal (others are
   ignored): at the layout a V name nobody declared becomes an external
   reference, and a DSECT named by Q becomes an external dummy. */
struct DCOPERAND;
void vDcExternalNames(const DCOPERAND *pOp);

/* ---- literal pools -------------------------------------------------------- */

/* Registers the literals of a machine instruction operand (text of an
   operand sub-record) in the current pool; in a resolution pass only gives
   the statement's new location, as the place of *, to those literals of its
   pool that have none. */
void vLiteralScan(const uint8_t *pText, uint32_t ulLength, unsigned uOperand);
/* Literals waiting in the current pool. */
uint32_t ulLiteralsWaiting();
/* Generates the statements of the current pool after the statement in
   hand's source position; lLevel < 0 at the end of the phase. */
void vLiteralPool(int32_t lLevel, uint32_t ulLine, uint32_t ulSrcId, uint32_t ulSequence);

/* ---- end of the phase ----------------------------------------------------- */

/* Location counter folding; true when every counter is folded.  The
   statements blocking a fold are appended to *pulBlocking (room for
   ulRoom) and counted in *pulCount. */
bool bFoldCounters(uint32_t *pulBlocking, uint32_t ulRoom, uint32_t *pulCount);
/* Folds one counter that is usable and blocked by no statement, which makes
   the next one of its section usable; false when it cannot be folded. */
bool bFoldCounter(int32_t lCounter);
/* Layout and numbering (KZM150S beyond 65535 ids ends the assembly). */
void vEsdLayout();
