/*
** var1.h - variable symbols (module "var1"): the SET symbols, macro
** parameters and system variables of every macro level; declaration
** (LCLA, LCLB, LCLC, GBLA, GBLB, GBLC) and assignment (SETA, SETB, SETC).
**
** Names and values are EBCDIC; names are stored upper case without the
** ampersand.  A MACLEVEL is one macro call; open code has one of its own
** (level 0) for the whole conditional assembly phase.
*/
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "vorn.h"

struct INSTRARGS;
struct SRCSTMT;
struct MACDEF;
struct MACSEQ;
struct VARSCOPE;

constexpr int32_t ACTR_START = 4096;
constexpr uint32_t VALUE_MAX = 255;         /* characters of a character value */
constexpr uint32_t SUBSCRIPT_MAX = 0x3FFF0; /* 262128 */

/* A value split into its sublist elements (cnd1). */
struct SUBLIST {
  bool bValid = false;
  std::string strValue; /* the value */
  bool bSublist = false;
  std::vector<std::pair<uint32_t, uint32_t>> aItems; /* a sublist's elements: offset in the value, length */
};

/* One macro call, or open code. */
struct MACLEVEL {
  int32_t lNest;      /* open code 0; a call: the caller's level while it is
                         set up, its own after vVarParmsFinish */
  int32_t lActr;      /* branch budget (ACTR) */
  uint32_t ulSysndx;  /* &SYSNDX of the call; 0 in open code */
  uint8_t abName[64]; /* macro name, upper case EBCDIC, NUL-ended; empty in open code */
  uint32_t ulNameLen;
  const MACDEF *pDef; /* mac1: the definition being expanded */
  MACSEQ *pSeq;       /* mac1: the sequence symbols of that definition */
  MACLEVEL *pCaller;  /* the level the call stands in; null for open code */
  VARSCOPE *pVars;    /* var1: the level's own variables and its links */
  /* cnd1: the value split into sublist elements last at this level, kept
     as the same parameter is mostly asked for again and again (in a loop
     over its elements) */
  mutable SUBLIST sublist;
};

/* Start of a conditional assembly phase: the &SYSNDX counter to 0, the
   global SET symbols dropped, system variables 0-30 built from the options
   and file names, the open-code level set up (ACTR 4096) and made current. */
void vVarPhaseStart();
/* End of the phase: every level's and every global variable's storage goes. */
void vVarPhaseEnd();
MACLEVEL *pVarOpenCode();
/* The level statements are processed in (open code outside expansions);
   the macro expansion sets it around each expansion. */
MACLEVEL *pVarLevel();
void vVarLevelSet(MACLEVEL *pLevel);

/* Sets up a call's variables: links the system variables 0-30, creates
   31-39 (raising the &SYSNDX counter; pLevel->ulSysndx receives it) and one
   parameter per entry of the macro's stored parameter list (marker X'4C'
   label, X'50' positional, X'6B' keyword without default, X'4B' keyword
   with default; marker, name length, name, [default length, default]).
   &SYSLIB_DSN and &SYSLIB_MEMBER take the two host strings.  pLevel->lNest
   is the caller's level; pLevel->abName the macro name. */
void vVarLevelOpen(MACLEVEL *pLevel, const uint8_t *pParms, uint32_t ulParms, const char *pszLibDsn,
                   const char *pszLibMember);
/* Drops the level's own variables (global SET symbols stay). */
void vVarLevelClose(MACLEVEL *pLevel);
/* A call from open code: &SYSIN_DSN and &SYSIN_MEMBER from the source's
   name (host text), &SYSSEQF from the EBCDIC sequence field.  pSeq points
   at columns 73-80 (ulSeq 8) of the statement's first 80-column card; for a
   statement of the primary input the columns ISEQ set are taken from that
   card instead. */
void vVarOpenCodeCall(const char *pszSource, const uint8_t *pSeq, uint32_t ulSeq);
/* Value of the &SYSNDX counter (calls set up so far). */
uint32_t ulVarSysndxCounter();

/* Binding a call's operands (values EBCDIC, at most 255 characters).
   A keyword operand: 0, or 122 (no keyword parameter of that name) or 123
   (given twice); the caller words the diagnostic. */
int iVarKeyword(MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName, const uint8_t *pValue, uint32_t ulValue);
/* &SYSLIST element n (0 the name field, 1... the positional operands); the
   element count grows to n, an empty value still counts. */
void vVarSyslist(MACLEVEL *pLevel, uint32_t ulIndex, const uint8_t *pValue, uint32_t ulValue);
/* Positional and label parameters take their &SYSLIST elements, type
   attributes are set (given: 1, empty: O), &SYSLIST gets U, and the level
   is raised by one. */
void vVarParmsFinish(MACLEVEL *pLevel);

/* A character variable's value for COPY &NAME: 0 with the value, 261 when
   the name is not visible, 111 when it is not an undimensioned character
   variable. */
int iVarCharacter(const MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName, const uint8_t **ppValue,
                  uint32_t *pulValue);
/* AREAD: the statement's label field names a character SET symbol (as for
   SETC, implicitly declared), found before anything is read; the value is
   assigned to it afterwards.  Diagnostics are attached to the statement in
   hand; false after one. */
struct VARSYM;
struct VARELEMENT {
  VARSYM *pVar;
  uint32_t ulIndex;
};
bool bVarLabelTarget(const SRCSTMT *pStmt, VARELEMENT *pTarget);
void vVarAssignTarget(const VARELEMENT &target, const uint8_t *pValue, uint32_t ulValue);

/* MHELP dump of a level, one line per variable and set element ("SYS",
   "GBL", "SYM", "LCL" lines); host text handed to pfnLine. */
enum : unsigned {
  VDUMP_SYSTEM = 1, /* the level's system variables */
  VDUMP_GLOBAL = 2, /* the global SET symbols */
  VDUMP_OWN = 4,    /* parameters and local SET symbols */
};
void vVarDump(const MACLEVEL *pLevel, unsigned uWhat, void (*pfnLine)(const char *pszLine));

/* First-phase handlers: LCLA..GBLC, and SETA/SETB/SETC.  They read the
   statement as read (a.pStmt), evaluate in pVarLevel() and attach their
   diagnostics (halving the level's ACTR after one). */
void vDeclareFirstPhase(const INSTRARGS &a);
void vSetFirstPhase(const INSTRARGS &a);

/* ---- the variables themselves, for the expression evaluator ------------ */

/* VARSYM flags: bits 0-1 the type, then the scope and shape bits. */
enum : uint8_t {
  VT_A = 0,
  VT_B = 1,
  VT_C = 2,
  VT_MASK = 3,
  VF_GLOBAL = 0x04, /* global SET symbol or system variable */
  VF_DIM = 0x08,    /* dimensioned */
  VF_FROM0 = 0x10,  /* subscripts count from 0 (SYSLIST) */
  VF_STMT = 0x20,   /* the value is the statement number (SYSSTMT) */
  VF_WIDE = 0x40,   /* lives for the phase (global SET symbols, system 0-30) */
  VF_LATE = 0x80,   /* the value is made at its next lookup (a call's SYSNDX, from ulCount) */
};
/* What a variable is. */
enum : uint8_t { VK_SET = 0, VK_PARM = 1, VK_SYS = 2 };
constexpr uint32_t VAR_NAME_MAX = 62;

struct VARSYM {
  VARSYM *pNext;                     /* next of the same hash chain */
  uint32_t ulCount;                  /* elements (dimensioned, SYSLIST: with element 0);
                                        a positional parameter before binding: its position */
  int32_t lValue;                    /* A: the value; B: 0 or 1 */
  std::string strValue;              /* C: the value (EBCDIC) */
  std::vector<int32_t> alElem;       /* dimensioned A and B: slots 1... */
  std::vector<std::string> astrElem; /* dimensioned C: slots 1... (SYSLIST 0...) */
  uint8_t bFlags;                    /* VT_* | VF_* */
  uint8_t bAttr;                     /* type attribute: 0 SET symbol, 1 given parameter,
                                        else an EBCDIC letter (O, U, N) */
  uint8_t bKind;                     /* VK_* */
  uint8_t bSys;                      /* system variable number, 0xFF for none */
  bool bGiven;                       /* keyword parameter: given in the call */
  uint8_t bMarker;                   /* parameter: its marker in the parameter list */
  uint8_t bNameLen;
  uint8_t bHash;                    /* hash chain of the name */
  uint8_t abName[VAR_NAME_MAX + 1]; /* upper case EBCDIC, NUL-ended */
};

/* The variable of that name visible in the level (its own, then its links,
   then the system variables it sees), or null.  &SYSSTMT is refreshed. */
VARSYM *pVarFind(const MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName);
/* The same for a name whose bPearsonHash is known. */
VARSYM *pVarFind(const MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName, uint8_t bHash);
/* A lookup kept with a reference of a model statement: the variable found
   and the scope it was found in.  What a name finds in a scope stays so for
   the scope's life (a declaration of a visible name creates nothing), so the
   next lookup from the same scope takes it without searching.  A parameter
   or system variable is also found by its place in the next call of the
   same macro (its parameters are laid out alike), checked by its name. */
struct VARKEPT {
  VARSYM *pVar = nullptr;
  uint64_t ullScope = 0; /* serial of the scope; 0 none */
  uint8_t bPlace = 0;    /* VP_... of var1.cpp */
  uint16_t usIndex = 0;  /* in that place */
};
VARSYM *pVarFindKept(const MACLEVEL *pLevel, const uint8_t *pName, uint32_t ulName, uint8_t bHash, VARKEPT *pKept);
/* The SET symbol a model statement's label names, kept with the model when
   the label is a plain name without subscripts. */
struct VARTARGET {
  uint8_t bState = 0; /* 0 not known yet, 1 a plain name, 2 anything else */
  uint8_t bName = 0;
  uint8_t bHash = 0;
  uint8_t abName[VAR_NAME_MAX + 1];
  VARKEPT kept;
};
/* Element n of a dimensioned variable: beyond the stored slots 0 or empty. */
int32_t lVarElement(const VARSYM *pVar, uint32_t ulIndex);
const std::string &rVarElementText(const VARSYM *pVar, uint32_t ulIndex);

/* Messages of the variable symbols (the evaluator attaches 250, 251 and
   261 through these rows too).  Texts with %s take the name (host text). */
enum VARMSG {
  VARM_DEFINED,   /* 110: name */
  VARM_MORE,      /* 112 */
  VARM_LABEL,     /* 119 */
  VARM_TYPE,      /* 240: name */
  VARM_NAME,      /* 250 */
  VARM_SUBSCRIPT, /* 251: name */
  VARM_UNDEFINED, /* 261: name */
  VARM_COUNT
};
extern const MSGDEF g_aVarMsg[];
