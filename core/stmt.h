/*
** stmt.h - the statement record (STMT): its head, its statement flags, its
** sub-record kinds, and the one view through which other modules read it.
**
** A STMT is a 48-byte head followed by typed sub-records.  It is built in
** the record buffer of work (pRecord) by gen1 in the conditional assembly
** phase, written to SYSUT1, rewritten in place by the resolution passes
** (fix1) and read back in the code generation phase (asm2).  All numbers
** are little-endian.  Modules other than gen1 and work do not use the head
** offsets: they read the record through STMTVIEW or the accessors below and
** change it through the named setters.
*/
#pragma once

#include <cstdint>
#include <vector>

#include "opt.h"
#include "vorn.h"
#include "work.h"

/* Offsets of the head fields. */
enum : uint32_t {
  STMT_LENGTH = 0,    /* u32 record length, head included */
  STMT_SUBCOUNT = 4,  /* u32 number of sub-records */
  STMT_SRCID = 8,     /* u32 source identity (file of the statement) */
  STMT_LINE = 12,     /* u32 line of its first record in that source */
  STMT_RECORDS = 16,  /* u32 number of card records of the statement */
  STMT_NUMBER = 20,   /* u32 statement number */
  STMT_SECTION = 24,  /* i32 section index (-1 none); while SF_UNASSIGNED,
                         the index of the location counter it waits for */
  STMT_LOCATION = 28, /* u32 location; before the location is assigned,
                         the statement's extent (bytes it covers) */
  STMT_SEQUENCE = 32, /* u32 text handle of the sequence field, 0 none */
  STMT_FLAGSET = 36,  /* u32 FLAG settings in force */
  STMT_NEST = 40,     /* i16 macro nesting level */
  STMT_OPINDEX = 42,  /* i16 operation table index, -1 none */
  STMT_FLAGS = 44,    /* u16 statement flags SF_* */
  STMT_PRINT = 46,    /* u8 PRINT status in force, 0 when not listed */
  STMT_ALIGN = 47,    /* u8 padding bytes before the statement's first byte
                         (before assignment: the alignment it asks for) */
  STMT_HEAD = 48,
};

/* Statement flags (head offset 44), with the modules that set and clear
   them.  gen1 owns the field: vStmtSetFlags / vStmtClearFlags. */
enum : uint16_t {
  SF_OBJECT_CALL = 0x0001,   /* object deck ESD work at this statement; set: esd1 */
  SF_LISTING = 0x0002,       /* reserved for listing-only statements; unused */
  SF_MACHINE = 0x0004,       /* a machine instruction; set: gen1, ins2 */
  SF_BYTES = 0x0008,         /* generates object bytes; set: esd1 (alignment
                                padding), msc2 (collected bytes) */
  SF_UNASSIGNED = 0x0100,    /* no location yet, the section field names the
                                counter it waits for; set: esd1; clear: esd1,
                                lbl (EQU, USING) */
  SF_NOPRINT = 0x0200,       /* PRINT/PUSH/POP with NOPRINT; set: msc1 */
  SF_RELATIVE = 0x0400,      /* location relative to its section; set: esd1,
                                lbl; clear: asm2 (made absolute), usg2 */
  SF_SUBSTITUTED = 0x0800,   /* carries substituted text (generated
                                statements, literal entries); set: esd1 */
  SF_PHASE2 = 0x1000,        /* has work in the code generation phase; set
                                only through vStmtWantPhase2 (gen1) by esd1,
                                exe1, gen1, instr, lbl, msc1; clear: gen1 and
                                fix1 when the statement is in error */
  SF_OPTIONAL = 0x2000,      /* kept although nothing else needs it (literal
                                entries, external names); set: esd1 */
  SF_REVISIT = 0x4000,       /* to revisit in the resolution passes; set: gen1
                                (iStmtReserveDiag); clear: fix1 before each
                                re-run, gen1 and fix1 when in error */
  SF_ERROR = 0x8000,         /* in error (a diagnostic above 8); set: gen1
                                (iStmtDiag), fix1 (109) */
  SF_KEPT_IN_ERROR = 0x8E01, /* 0x8A01 and the relative-location bit, so a
                                statement in error is listed at its address */
};

/* Sub-record kinds: a sub-record starts with a word holding its kind in the
   low byte and its total length (word included) in the upper 24 bits. */
enum : uint8_t {
  SUB_POOL = 0,          /* u32 literal pool number of the statement's
                            literals (pool 1 without it) */
  SUB_VALUE = 1,         /* u32: ORG, the location set (X'FFFFFFFF' unknown);
                            literal entry, the literal's second key */
  SUB_USING_LIMIT = 2,   /* u32 USING LIMIT in force from here on */
  SUB_DIAG = 3,          /* u16 message number, u8 text form (DIAG_*), u8
                            severity, then the text */
  SUB_DIAG_SLOT = 4,     /* reserved diagnostic slot, 12 bytes in all: u16
                            number (0 free), u8 form, u8 severity, u32 text
                            handle */
  SUB_LABEL = 5,         /* the label field */
  SUB_OPERATION = 6,     /* substituted operation field */
  SUB_OPERAND = 7,       /* one operand, as written; consecutive kind-7
                            sub-records are the operands in order */
  SUB_OPERAND_FIELD = 8, /* substituted operand field */
  SUB_LINES = 9,         /* substituted source lines */
  SUB_SOURCE = 10,       /* the source card images, compressed (work) */
};

/* Text form of a diagnostic (SUB_DIAG, SUB_DIAG_SLOT): host (ASCII) text, or
   an EBCDIC name followed by host text. */
constexpr uint8_t DIAG_HOST_TEXT = 32;
constexpr uint8_t DIAG_NAME_TEXT = 64;
/* Host text of a note the source reader has already shown on the terminal:
   the listing prints it after the statement, which it does not flag. */
constexpr uint8_t DIAG_READER_NOTE = 96;
constexpr int DIAG_NUMBER_UNTRANSLATED = 99;
/* Host text the listing prints as a line of its own after the statement
   (MHELP output, records read by AREAD); it flags nothing. */
constexpr uint8_t DIAG_LIST_LINE = 128;

/* Walks the well-formed sub-records of a record of ulLength bytes in order
   (from ulFrom on, by default the first after the head):
   f(kind, sub-record, its total length) returns true to stop there.  The
   sub-record it stopped at, or null. */
template <typename F> uint8_t *pSubEach(uint8_t *pRec, uint32_t ulLength, F f, uint32_t ulFrom = STMT_HEAD)
{
  for (uint32_t ulOff = ulFrom; ulOff + 4 <= ulLength;) {
    uint32_t ulWord = ulGet32(pRec + ulOff);
    uint32_t ulLen = ulWord >> 8;
    VORN_INVARIANT(ulLen >= 4 && ulOff + ulLen <= ulLength);
    if (ulLen < 4 || ulOff + ulLen > ulLength) break;
    if (f(static_cast<uint8_t>(ulWord), pRec + ulOff, ulLen)) return pRec + ulOff;
    ulOff += ulLen;
  }
  return nullptr;
}

/* The same over the record in hand. */
template <typename F> uint8_t *pStmtEachSub(F f) { return pSubEach(pRecord(), g_rec.ulLength, f); }

/* The text of an operand sub-record (kind 7) and the sub-record after it. */
inline const uint8_t *pOperandText(const uint8_t *pSub, uint32_t *pulLength)
{
  uint32_t ulSub = static_cast<uint32_t>(pSub[1] | pSub[2] << 8 | pSub[3] << 16);
  *pulLength = ulSub > 4 ? ulSub - 4 : 0;
  return pSub + 4;
}

inline const uint8_t *pOperandNext(const uint8_t *pSub)
{
  uint32_t ulSub = static_cast<uint32_t>(pSub[1] | pSub[2] << 8 | pSub[3] << 16);
  return pSub + (ulSub > 4 ? ulSub : 4);
}

/* The head of a record, read once. */
struct STMTVIEW {
  uint32_t ulNumber, ulSrcId, ulLine, ulRecords, ulLocation, ulFlagSet, ulSequence;
  int32_t lSection;
  int16_t sNest;
  int16_t sOpIndex;
  uint16_t usFlags;
  uint8_t bPrint, bPad;
  uint8_t bInstruction; /* assembler instruction number, 0 for anything else */
};
/* The view of a record (gen1.cpp); of the record in hand. */
STMTVIEW viewOfRecord(const uint8_t *pRec);
inline STMTVIEW stmtView() { return viewOfRecord(pRecord()); }

/* The location counter a record waits for: marked for revisiting, no
   location yet, and its section field naming one of the ulCounters
   counters; else -1. */
inline int32_t lWaitsForCounter(uint16_t usFlags, int32_t lSection, uint32_t ulCounters)
{
  constexpr uint16_t WAITING = SF_REVISIT | SF_UNASSIGNED;
  return (usFlags & WAITING) == WAITING && static_cast<uint32_t>(lSection) < ulCounters ? lSection : -1;
}

/* The operation table entry of an index, or null. */
inline const OPENTRY *pEntryOfIndex(int16_t sIndex)
{
  return sIndex >= 0 && static_cast<uint32_t>(sIndex) < g_optab.ulCount ? &g_optab.pEntries[sIndex] : nullptr;
}

/* The operation table entry of the record in hand, or null. */
inline const OPENTRY *pStmtEntry()
{
  if (g_rec.ulLength < STMT_HEAD) return nullptr;
  return pEntryOfIndex(static_cast<int16_t>(usGet16(pRecord() + STMT_OPINDEX)));
}

/* Head fields of the record in hand that the handlers read and write often. */
inline int32_t lStmtSection() { return static_cast<int32_t>(ulGet32(pRecord() + STMT_SECTION)); }
inline uint32_t ulStmtLocation() { return ulGet32(pRecord() + STMT_LOCATION); }
inline uint8_t bStmtPad() { return pRecord()[STMT_ALIGN]; }
inline void vStmtSetSection(int32_t lSection) { vPut32(pRecord() + STMT_SECTION, static_cast<uint32_t>(lSection)); }
inline void vStmtSetLocation(uint32_t ulLocation) { vPut32(pRecord() + STMT_LOCATION, ulLocation); }
inline void vStmtSetPlace(int32_t lSection, uint32_t ulLocation)
{
  vStmtSetSection(lSection);
  vStmtSetLocation(ulLocation);
}
inline void vStmtSetPad(uint8_t bPad) { pRecord()[STMT_ALIGN] = bPad; }

/* ---- the statement record service (stmt.cpp) -------------------------------
   Every module that attaches a diagnostic to a statement does it through
   iStmtDiag and its variants, between vStmtStart and bStmtFinish in the
   conditional assembly phase, or on the record in hand in later phases. */

constexpr uint32_t STMT_LIMIT = 999999;
constexpr uint32_t OPERAND_MAX = 1024;

/* ---- frames: where a statement inside a macro or COPY member came from ---
   One frame per macro expansion and per COPY member read; each names the
   statement that called or copied (its source, line, and its frame and
   statement number within its own definition).  Frames live for the
   assembly, and so does the frame of each record kept in one (by
   statement number, beside the records), so the listing and the terminal,
   written after the expansions are gone, can walk the chain back to the
   programmer's own line. */
constexpr char FRAME_MACRO = 'M', FRAME_COPY = 'C';
struct FRAME {
  uint32_t ulParent;  /* frame of the calling statement; 0 open code */
  uint32_t ulSrcId;   /* the calling statement: its source */
  uint32_t ulLine;    /* and line */
  uint32_t ulOrdinal; /* and statement number within its macro definition (0 none) */
  uint32_t ulName;    /* FRAME_MACRO or FRAME_COPY in the low byte, the index of the name above */
};
/* Enters a frame called by the statement read from (ulSrcId, ulLine) in
   the frame in force.  The name (EBCDIC) is kept once per ulNameKey, a
   small number the caller gives each distinct macro or member (its record
   of the macro and copy reports).  Returns the frame's id. */
uint32_t ulFrameEnter(char cKind, uint32_t ulNameKey, const uint8_t *pName, uint32_t ulNameLength, uint32_t ulSrcId,
                      uint32_t ulLine);
/* Leaves frame ulFrame (and any left open inside it). */
void vFrameLeave(uint32_t ulFrame);
/* The statement number within its definition of the model statement in
   hand of the innermost expansion (0 outside one). */
void vFrameStatement(uint32_t ulOrdinal);
/* A frame (null for 0 and unknown ids). */
const FRAME *pFrame(uint32_t ulFrame);
/* The frame and statement number of the record in hand (0, 0 without). */
void vStmtFrameOf(uint32_t *pulFrame, uint32_t *pulOrdinal);
/* One step of the way back from a statement in a frame to open code: the
   source and line of a statement and what it is ("in macro INNER,
   statement 3", "in COPY member MEMB"; the last, the call in open code:
   "call of macro OUTER", "COPY of member MEMB"). */
struct FRAMELINK {
  uint32_t ulSrcId, ulLine;
  char achText[96];
};
/* The chain of the statement read from (ulSrcId, ulLine) as statement
   ulOrdinal of frame ulFrame, innermost first; empty for open code. */
std::vector<FRAMELINK> vecFrameChain(uint32_t ulFrame, uint32_t ulOrdinal, uint32_t ulSrcId, uint32_t ulLine);
/* A link as the listing shows it: "in macro INNER, statement 3,
   lib/INNER.mac(3)". */
void vFrameLinkText(const FRAMELINK &l, char *pszOut, size_t ulRoom);

/* Starts statement numbering and the statement state of a conditional
   assembly phase. */
void vStmtPhaseStart();
/* Number the next statement gets. */
uint32_t ulStmtNumber();
/* PRINT status byte in force (bits PRT_* of asm0.h). */
uint8_t bStmtPrintStatus();
void vStmtSetPrintStatus(uint8_t bStatus);
/* The PRINT rule: a statement with PRINT status bPrint at macro nesting
   level lNest shows in the listing when PRINT ON is in force and either
   PRINT GEN or it is not inside a macro (level 0).  The listing adds its own
   conditions (errors, NOPRINT). */
bool bPrintShows(uint8_t bPrint, int32_t lNest);

void vStmtStart();
/* Adds a sub-record to the statement in hand.  While handlers read the
   record, in the code generation phase and behind a diagnostic it is
   collected beside the record (pStmtSub finds it) and appended by
   vStmtFlushTail, so that the record does not move under the handlers. */
void vStmtAddSub(uint8_t bKind, uint32_t ulLength, const void *pBytes);
/* Appends what was collected beside the record in hand (bStmtFinish does;
   the code generation phase before a statement is listed). */
void vStmtFlushTail();
inline uint16_t usStmtFlags() { return usGet16(pRecord() + STMT_FLAGS); }
inline void vStmtSetFlags(uint16_t usBits)
{
  vPut16(pRecord() + STMT_FLAGS, static_cast<uint16_t>(usStmtFlags() | usBits));
}
inline void vStmtClearFlags(uint16_t usBits)
{
  vPut16(pRecord() + STMT_FLAGS, static_cast<uint16_t>(usStmtFlags() & ~usBits));
}
/* The statement has work in the code generation phase (SF_PHASE2). */
void vStmtWantPhase2();
/* Head fields of a statement being built: where it comes from (source,
   line, card records, sequence field text handle), its operation table
   index and macro nesting level, the PRINT status it is listed under. */
void vStmtSetOrigin(uint32_t ulSrcId, uint32_t ulLine, uint32_t ulRecords, uint32_t ulSequence);
void vStmtSetOperation(int16_t sIndex, int16_t sNest);
void vStmtSetPrint(uint8_t bPrint);

/* The statement diagnostic service: attaches message iNumber (0 a plain
   note, 300 an MNOTE) with severity 0, 4, 8, 12 or 16 to the statement in
   hand.  iForm is DIAG_HOST_TEXT or DIAG_NAME_TEXT; ulLength is the length of
   the text, 0 for a NUL-terminated one.  A severity above 8 marks the
   statement in error; the FLAG setting in force decides whether the message
   is recorded and counted into the highest severity.  In the first phase the
   diagnostic is appended to the record being built, in the resolution passes
   it goes into a reserved slot (or is kept for the code generation phase),
   in the code generation phase into a slot or onto the record in memory.
   Always returns 0. */
int iStmtDiag(int iNumber, int iForm, int iSeverity, uint32_t ulLength, const char *pszText);
/* A row of a message table; its text is a printf format for the arguments. */
int iStmtMsgOf(const MSGDEF *pMsg, ...);
template <typename... ARGS> int iStmtMsg(const MSGDEF &msg, ARGS... args) { return iStmtMsgOf(&msg, args...); }
/* A row whose text is a stem: " in operand %u." (uOperand above 0) or "."
   completes it. */
int iStmtDiagStem(const MSGDEF &msg, unsigned uOperand);
/* A name of the statement (EBCDIC), a blank and the row's text: form
   DIAG_NAME_TEXT. */
int iStmtDiagName(const MSGDEF &msg, const uint8_t *pName, uint32_t ulNameLength);
/* Message 111 about the operand (invalid operand). */
int iStmtDiagOperand(unsigned uOperand);
/* The rows of the label field's messages, which the macro language and
   EXEC also give: 106, 107 and 117. */
enum LABELMSG { LM_SEQ_INVALID, LM_SEQ_DUPLICATE, LM_NO_LABEL };
const MSGDEF &rLabelMsg(LABELMSG eMsg);
/* Reserves uCount empty diagnostic slots (kind 4) for a statement that the
   resolution passes revisit, so their messages need not grow the record. */
int iStmtReserveDiag(unsigned uCount);
/* Code generation phase, for the record in hand: appends the diagnostics
   that the resolution passes could not put into its slots. */
void vStmtLateDiags();
/* A statement of its own that carries only this message (the missing END). */
void vStmtDiagOnly(const MSGDEF &msg);
/* An ordinary symbol name: a letter, then letters, digits and name
   characters, 1 to 63 in all. */
bool bSymbolNameValid(const uint8_t *pName, uint32_t ulLen);
/* A sequence symbol: a period, a letter, then letters and digits, 2 to 63
   characters in all. */
bool bSequenceSymbolValid(const uint8_t *pLabel, uint32_t ulLen);
/* A statement in error: no operation, only the flags that still matter,
   no location unless it had one. */
void vStmtInError();
/* The first sub-record of a kind in the record in hand, or null. */
uint8_t *pStmtSub(uint8_t bKind);
/* The records marked for revisiting: count, positions of the first and the
   last, longest length; *pPositions receives the buffer of all their
   positions in order (its earlier contents are freed). */
void vStmtRevisitWindow(uint32_t *pulCount, uint64_t *pullFirst, uint64_t *pullLast, uint32_t *pulLongest,
                        GROWBUF *pPositions);
/* Per location counter below ulCounters: the position of the last record
   marked for revisiting that waits for it; entries of counters none waits
   for are left as they are. */
void vStmtLastWaiting(uint64_t *pullLast, uint32_t ulCounters);
bool bStmtFinish();

/* Text handles: interned strings that records carry as 32-bit numbers; they
   live until the end of the code generation phase. */
uint32_t ulTextHandle(const uint8_t *pText, uint32_t ulLength);
const char *pTextOfHandle(uint32_t ulHandle);
/* The sequence field handle of the record in hand (0 none), made now if the
   record was opened with one. */
uint32_t ulStmtSequence();

/* A line of host text listed after the statement in hand (MHELP output,
   AREAD records). */
void vStmtListLine(const char *pszLine);
/* The statement in hand takes no statement number: the next one gets it. */
void vStmtUnnumbered();

struct SRCSTMT;
/* Opens the record of a statement: where it comes from, its nesting level,
   the reader's note. */
void vStmtOpen(const SRCSTMT *pStmt, int16_t sNest);
/* Keeps only the sub-records the later phases and the listing need. */
void vPruneRecord(bool bKeepOperands, bool bKeepSubstituted, bool bKeepSource);
/* The first operand sub-record of the statement in hand, after its label
   and iOperands operands were appended to the record; the record stays in
   place while the handlers read them.  Operands that went straight into
   the record (nothing in the tail) begin at ulFrom, its length before. */
const uint8_t *pOperandsInRecord(uint32_t ulFrom, int iOperands);
/* First-phase handlers are reading the record in hand: what they add goes
   beside it. */
void vStmtHandlersRunning(bool bRunning);
/* Nothing is collected beside the record in hand. */
bool bStmtTailEmpty();
/* The number of location counters of the assembly, for the records that
   wait for one (esd1 tells it as counters are made). */
void vStmtCounters(uint32_t ulCounters);
/* The pass the first-phase handlers run in: 0 in the conditional assembly
   phase, 1, 2, ... in the ordinary resolution passes, -1 and -2 in the
   final ones (fix1 sets it). */
int32_t lResolvePass();
void vStmtSetPass(int32_t lPass);

/* The addresses the listing shows in its address columns for the machine
   instruction in hand in the code generation phase (the encoder fills
   them, the listing reads them). */
struct LISTADDRS {
  uint32_t ulStmt; /* statement they belong to; 0 none */
  bool bFirst, bSecond;
  uint32_t ulFirst, ulSecond;
};
LISTADDRS &rStmtListAddresses();
inline const LISTADDRS *pStmtListAddresses() { return &rStmtListAddresses(); }
