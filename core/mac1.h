/*
** mac1.h - macro definition, macro call and expansion, and the branching
** statements of conditional assembly (module "mac1").
**
** Definitions (in the source, or members of SYSLIB read at their first call)
** are stored in the MACRO work file: a header, the parameter list, one
** model record per body statement with its card images compressed, an end
** marker and the sorted sequence symbol table.  A MACDEF in the operation
** index makes the name an operation code of type macro.  A call binds its
** operands in a new MACLEVEL and replays the model statements through
** statement processing, which may call further macros (nesting by
** recursion, bounded).
*/
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct CONDDIAG;
struct CONDFORM;
struct INSTRARGS;
struct SRCSTMT;
struct MACLEVEL;
struct VARTARGET;

/* The operation-index record of a macro (first byte OPK_MACRO, like an
   OPENTRY's kind byte; index -1). */
struct MACDEF {
  uint8_t bKind; /* 'R' */
  uint8_t bPad;
  uint16_t usIndex;    /* X'FFFF' */
  uint32_t ulHeader;   /* MACRO work-file position of its header */
  uint32_t ulSeqTable; /* position of the sequence symbol table, 0 none */
  uint32_t ulSeqCount;
  uint32_t ulSeqPool; /* bytes of the name pool */
};

constexpr uint32_t MACRO_NEST_MAX = 255;

/* Phase lifecycle: the MACRO work file, the SYSLIB misses, MHELP. */
void vMacroPhaseStart();
void vMacroPhaseEnd();
/* An assembly that ends in the middle of expansions (a fatal error, the
   front end ending the run): their states are given back. */
void vMacroAbandon();
/* Size of the MACRO work file at the end of the last phase: waits for the
   closing summary of the listing reports ("MACRO work file size"). */
uint64_t ullMacroWorkSize();

/* ---- the macro and copy reports ----------------------------------------------
   Every member read (macro definition or COPY member) and every call or
   COPY of the assembly, kept from the first phase for the reports of the
   code generation phase. */
constexpr uint32_t MX_NAME_MAX = 63;
constexpr uint32_t MX_PRIMARY = 0xFFFFFFFFu; /* caller: the primary input */
constexpr char MX_MACRO = 'M', MX_COPY = 'C';

struct MXMEMBER {
  uint8_t abName[MX_NAME_MAX]; /* EBCDIC, upper case */
  uint32_t ulNameLength;
  char cKind;        /* MX_MACRO, MX_COPY */
  uint32_t ulConcat; /* SYSLIB concatenation (1-based); 0 an in-source definition */
  uint32_t ulDefn;   /* statement number of the listed MACRO statement; 0 none */
  bool bDefined;     /* a macro definition that was registered; every COPY member */
};

struct MXCALL {
  uint32_t ulMember; /* the macro called or the member copied */
  uint32_t ulCaller; /* member record of the calling macro or COPY member; MX_PRIMARY */
  uint32_t ulStmt;   /* the statement that called or copied (the outermost listed one) */
};

const MXMEMBER *pMacroMembers(uint32_t *pulCount);
const MXCALL *pMacroCalls(uint32_t *pulCount);

/* The operation field of a statement names no operation: the macro of
   that name from SYSLIB (read and defined now), or null after message 141
   or 130 was set in *piError / pszError (the caller attaches it). */
const MACDEF *pMacroFind(const uint8_t *pszName, int *piError, char *pszError, uint32_t ulErrorSize);

/* A statement whose operation is a macro: binds the call, writes the call
   statement and expands it.  True when a generated END ended the source. */
bool bMacroCall(const SRCSTMT *pStmt, const MACDEF *pDef);

/* The stored (compressed) card images of a generated statement that is the
   model statement in hand, unchanged, as its definition holds them; null
   when they must be compressed anew. */
const uint8_t *pModelStored(const SRCSTMT *pStmt, uint32_t *pulStored);

/* The operand field of a conditional assembly statement, as
   bCondOperandField gathers it: for the model statement in hand gathered
   once and kept with the model.  *ppField holds until the next call.
   With ppItems, *ppItems gets the field split at its commas (vCondSplit),
   for the model likewise split once. */
using CONDITEMS = std::vector<std::pair<uint32_t, uint32_t>>;
bool bModelCondField(const SRCSTMT *pStmt, const std::string **ppField, CONDDIAG *pDiag,
                     const CONDITEMS **ppItems = nullptr);
/* The parsed form of that field (of a single AIF, SETA or SETB operand)
   kept with the model statement in hand; null for any other statement. */
CONDFORM *pModelCondForm(const SRCSTMT *pStmt);
/* The SET target its label names, kept with the model statement in hand;
   null for any other statement. */
VARTARGET *pModelSetTarget(const SRCSTMT *pStmt);

/* Statements of the macro language in the first phase (instruction rows):
   MACRO, MEND/MEXIT (only inside expansions), AIF, AGO, ACTR, ANOP, AREAD,
   AEJECT/ASPACE (in open code: 139), MHELP. */
void vMacroFirstPhase(const INSTRARGS &a);
void vBranchFirstPhase(const INSTRARGS &a);
void vAreadFirstPhase(const INSTRARGS &a);
void vMhelpFirstPhase(const INSTRARGS &a);
/* OPSYN: the label becomes a synonym of the operand's operation code or
   macro; without an operand the label's operation code is deleted. */
void vOpsynFirstPhase(const INSTRARGS &a);

/* A MACRO statement in open code or generated: the definition that follows
   is read, listed and stored. */
bool bMacroDefinition(const SRCSTMT *pStmt);
/* COPY in the conditional assembly phase: checks the operand (a variable
   symbol inside an expansion) and opens the member; a COPY generated by an
   expansion finds no member (141).  False after a diagnostic. */
bool bCopyStatement(const SRCSTMT *pStmt, bool bGenerated);

/* Substitution of variable symbols into the label, operation and operand
   fields of a statement (open code or generated): pOut receives the
   statement with its fields substituted and rebuilt into card images when
   anything changed (true), else false.  A substitution error is left in
   piError / pszError. */
bool bStatementSubstitute(const SRCSTMT *pIn, SRCSTMT *pOut, int *piError, char *pszError, uint32_t ulErrorSize);
