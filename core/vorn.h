/*
** vorn.h - types and services shared by every module of the assembler core.
**
** The core is a library of plain functions with process-wide state.  A front
** end (console or windowed program) calls iAssemble once per run and supplies
** the four hooks declared below; the core calls nothing else of the front end.
**
** Run state lives in one record, g_asm, owned by the assembly driver (asm.cpp):
** the phase pair shown in storage diagnostics, the statement trace fields that
** name the statement in hand, the highest severity and the TRACE mask.
**
** Termination: a module that meets an unrecoverable error writes its own
** KZMnnnS line through vFrontWrite and calls vAsmTerminate, which never
** returns.  The console hook ends the process; other front ends throw
** AsmTerminated and catch it at their entry.  No core function may rely on
** running clean-up code after it called a hook that can terminate.
*/
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

/* ---- front-end hooks: every front end defines exactly these four -------- */

void vFrontWrite(const char *pszText);
[[noreturn]] void vFrontFatal(const char *pszText);
const char *pFrontAskSource(const char *pszDir, const char *pszExt);
void vFrontPoll();

/* Thrown by front ends whose fatal hook must return control to their entry. */
struct AsmTerminated {};

/* ---- statement messages ---------------------------------------------------- */

/* One row of a module's message table: the message number, its severity (0,
   4, 8, 12 or 16) and its text.  Each module keeps its messages in one
   unsized table with a static_assert on its size against the module's enum,
   so a forgotten row cannot compile.  A text is a printf format only where
   the module's table says so. */
struct MSGDEF {
  int16_t sNumber;
  uint8_t bSeverity;
  const char *pszText;
};

/* ---- trace classes of the TRACE mask ------------------------------------- */

enum : uint32_t {
  TRACE_PHASE = 0x01,  /* phase entries */
  TRACE_FILES = 0x02,  /* files and work files opened, closed, deleted */
  TRACE_LIB = 0x04,    /* library search, macro nesting */
  TRACE_GEN = 0x08,    /* statement generation */
  TRACE_STORE = 0x10,  /* statements stored */
  TRACE_UPDATE = 0x20, /* address resolution updates */
  TRACE_STMT = 0x40,   /* one line per statement in phase 2 */
  TRACE_IO = 0x80,     /* low-level work-file input and output */
};

/* ---- run state ------------------------------------------------------------ */

struct ASMRUN {
  char cPhase;             /* '0', '1' or '2' */
  char cStep;              /* 'N', 'C', 'R', 'T' or 'G' */
  uint32_t ulStmtNo;       /* statement in hand; 0 outside statements */
  const char *pszSrcName;  /* source of the statement in hand, or null */
  uint32_t ulSrcLine;      /* its line in that source */
  uint32_t ulSrcId;        /* source identity of the statement in hand */
  uint32_t ulFlagInForce;  /* FLAG settings of the statement in hand */
  int32_t lNestLevel;      /* macro nesting level of the statement in hand */
  uint32_t ulStmtCount;    /* statements of the assembly (end of phase 1) */
  uint32_t ulMaxSev;       /* highest severity of the current assembly */
  uint32_t ulTrace;        /* TRACE mask */
  FILE *pTerm;             /* terminal stream, or null */
  bool bTermIsFile;        /* the terminal stream is a SYSTERM file */
  const char *pszTermName; /* SYSTERM file name when bTermIsFile */
  bool bWindowed;          /* called by the windowed front end */
};

extern ASMRUN g_asm;

/* Other modules write the run state only through these setters. */
inline void vPhaseSet(char cPhase, char cStep)
{
  g_asm.cPhase = cPhase;
  g_asm.cStep = cStep;
}

/* The product and version line that opens the banner of every run (no line
   end); front ends show it when asked for their version. */
extern const char g_szVersionLine[];

/* The statement in hand: its number, its source, the FLAG settings and the
   macro nesting level in force for it (statement processing in the first
   phase, the record layer when a record is read back). */
inline void vContextStatement(uint32_t ulStmtNo) { g_asm.ulStmtNo = ulStmtNo; }
inline void vContextSource(uint32_t ulSrcId, const char *pszSrcName, uint32_t ulSrcLine)
{
  g_asm.ulSrcId = ulSrcId;
  g_asm.pszSrcName = pszSrcName;
  g_asm.ulSrcLine = ulSrcLine;
}
inline void vContextFlag(uint32_t ulFlagInForce) { g_asm.ulFlagInForce = ulFlagInForce; }
inline void vContextNest(int32_t lNestLevel) { g_asm.lNestLevel = lNestLevel; }

/* Highest severity of the assembly: reset by each first phase, raised by the
   statement diagnostic service. */
inline void vSeverityReset() { g_asm.ulMaxSev = 0; }
inline void vSeverityRaise(uint32_t ulSeverity)
{
  if (ulSeverity > g_asm.ulMaxSev) g_asm.ulMaxSev = ulSeverity;
}
inline void vStmtCountSet(uint32_t ulCount) { g_asm.ulStmtCount = ulCount; }

/* The option step: TRACE mask and terminal stream. */
inline void vTraceMaskSet(uint32_t ulMask) { g_asm.ulTrace = ulMask; }
inline void vTermSet(FILE *pTerm, bool bIsFile, const char *pszName)
{
  g_asm.pTerm = pTerm;
  g_asm.bTermIsFile = bIsFile;
  g_asm.pszTermName = pszName;
}

/* ---- driver services (asm.cpp) ------------------------------------------- */

unsigned iAssemble(int iWindowed, int argc, char **argv);
[[noreturn]] void vAsmTerminate();
void vAsmCloseAll();
int iTermWrite(const char *pszText, size_t ulLen);
void vTraceWrite(const char *pszText);

/* Formatted message line through vFrontWrite; a line feed is appended. */
void vMessage(const char *pszFormat, ...) __attribute__((format(printf, 1, 2)));
/* Formatted "KZM950I " trace line when any bit of ulBits is in the mask. */
void vTrace(uint32_t ulBits, const char *pszFormat, ...) __attribute__((format(printf, 2, 3)));
inline bool bTraceOn(uint32_t ulBits) { return (g_asm.ulTrace & ulBits) != 0; }

/* Clears the statement trace fields. */
inline void vStmtTraceClear()
{
  g_asm.ulStmtNo = 0;
  g_asm.pszSrcName = nullptr;
  g_asm.ulSrcLine = 0;
}

/* Elapsed time in hundredths and processor time in milliseconds since the
   previous reading (the first reading measures from process start). */
void vTimeReading(long *plHundredths, long *plMillis);
/* The closing summary line, without line end. */
void vSummaryFormat(char *pszBuf, size_t ulSize, unsigned uRc, long lHundredths, long lMillis);

/* The TRACE option value to mask rule: any nonzero value sets bit 0x01. */
inline uint32_t ulTraceMask(unsigned long ulValue) { return ulValue == 0 ? 0 : 0x01 | (ulValue & 0xFE); }

/* ---- little-endian fields of records ------------------------------------ */

inline uint32_t ulGet32(const uint8_t *p)
{
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline void vPut32(uint8_t *p, uint32_t ul)
{
  p[0] = static_cast<uint8_t>(ul);
  p[1] = static_cast<uint8_t>(ul >> 8);
  p[2] = static_cast<uint8_t>(ul >> 16);
  p[3] = static_cast<uint8_t>(ul >> 24);
}

inline uint16_t usGet16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline void vPut16(uint8_t *p, uint16_t us)
{
  p[0] = static_cast<uint8_t>(us);
  p[1] = static_cast<uint8_t>(us >> 8);
}
