/*
** instr.h - the table of assembler instructions: one row per instruction
** number with the handler of every phase and the instruction's flags.
**
** The numbers (INSTR_*) are generated from the NUM column of the operation
** code table source (instrnum.h); the handlers live in the modules that own
** the instructions, and the dispatchers read the table:
**   first phase     exe1, vFirstPhaseDispatch (no handler: message 129);
**                   MACRO and macro calls are taken by statement processing
**                   before a record is opened
**   location step   lbl, vDefineLabel (label, location, extent)
**   pass re-run     fix1, the resolution passes (no handler: the location
**                   step once more)
**   second phase    asm2, the code generation phase (only statements with
**                   statement flag SF_PHASE2)
** A new assembler instruction needs its line in optable.tab, its row here
** and its handlers.
*/
#pragma once

#include <cstdint>

#include "instrnum.h"
#include "opt.h"

struct SRCSTMT;
struct SYMBOL;

/* What a handler is given: the statement's operands are its kind-7
   sub-records from pFirst on. */
struct INSTRARGS {
  const SRCSTMT *pStmt;  /* first phase: the statement as read; else null */
  const OPENTRY *pEntry; /* its operation table entry */
  int iOperands;
  uint32_t ulLabel; /* label length, 0 for none */
  const uint8_t *pLabel;
  const uint8_t *pFirst; /* first operand sub-record, or null */
  SYMBOL *pSym;          /* location step: the label's symbol, or null */
  bool bPass;            /* location step: in a resolution pass */
};
using PFNINSTR = void (*)(const INSTRARGS &);

/* Row flags. */
enum : uint8_t {
  IR_MACRO = 0x01,       /* macro language or conditional assembly */
  IR_LOCATED = 0x02,     /* takes a location: opens the private section */
  IR_WAITS = 0x04,       /* its extent or value waits for symbols: the last
                            kind of pass leaves it unless it blocks a fold */
  IR_ORG_VALUE = 0x08,   /* its kind-1 sub-record is a location, made
                            absolute with the statement's in phase 2 */
  IR_NO_LABEL = 0x10,    /* its label field is no symbol (literal entries) */
  IR_USING_LABEL = 0x20, /* its label names a USING, not a location */
};

struct INSTRROW {
  uint8_t bNumber;      /* = its index; checked at compile time */
  uint8_t bFlags;       /* IR_* */
  PFNINSTR pfnFirst;    /* first phase; null: not supported (129) */
  PFNINSTR pfnLocate;   /* location step; null: none */
  PFNINSTR pfnRerun;    /* resolution pass; null: the location step */
  PFNINSTR pfnSecond;   /* code generation phase; null: nothing to do */
  uint8_t bLabelType;   /* T' of its label (EBCDIC); 0: set by the step */
  uint8_t bLabelLength; /* L' of its label */
};

/* The row of an assembler instruction number; number 0 and numbers out of
   range (machine instructions) get an empty row. */
const INSTRROW &rInstrRow(uint8_t bNumber);

/* The assembler instruction number of an entry; 0 for a machine
   instruction, a macro or no entry. */
inline uint8_t bInstructionNumber(const OPENTRY *pEntry)
{
  return pEntry != nullptr && pEntry->bKind == OPK_ASSEMBLER ? pEntry->abOps[2] : 0;
}
/* Whether an entry is the assembler instruction bNumber (asked several
   times for every statement, so inline). */
inline bool bIsInstruction(const OPENTRY *pEntry, uint8_t bNumber)
{
  return bNumber != 0 && bInstructionNumber(pEntry) == bNumber;
}
