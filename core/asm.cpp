/*
** asm.cpp - the assembly driver: iAssemble, the BATCH loop, the return code,
** the closing summary, termination and the message and trace writers.
**
** Calls: asm0, asm1, asm2, mac1, msc1, prn2, pun2, src1, xrf2.
** Called by: none.
**
** Owns the run state g_asm (phase pair, statement trace fields, highest
** severity, TRACE mask, terminal stream), the time base of the summary and
** the notes of the run (g_driver).
**
** Notes on the design:
**  - The return code of a run is the highest counted severity over all its
**    assemblies (0, 4, 8, 12, 16); 20 is only ever reached through
**    vAsmTerminate, which does not return.
**  - vAsmCloseAll may run at any point of a run, also twice: every close it
**    calls is a no-op for what is already closed.  It gives up every output
**    not yet in place (file.h); after a complete run they all are.
**  - The outputs are renamed into place together, after the terminal stream
**    was flushed and before the summary line is shown, so a run that shows
**    its return code has every output complete.
*/
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "asm0.h"
#include "asm1.h"
#include "asm2.h"
#include "file.h"
#include "gen1.h"
#include "mac1.h"
#include "mem.h"
#include "msc1.h"
#include "prn2.h"
#include "pun2.h"
#include "src1.h"
#include "svc.h"
#include "vorn.h"
#include "work.h"
#include "xrf2.h"

ASMRUN g_asm = {'0', 'N', 0, nullptr, 0, 0, 0, 0, 0, 0, 0, nullptr, false, nullptr, false};

namespace {

constexpr size_t LINE_MAX_TEXT = 8192;

/* ---- messages ------------------------------------------------------------ */

enum ASMMSG {
  MSG_NOT_ASSEMBLED, /* 146 */
  MSG_COUNT
};

const MSGDEF c_aMsg[] = {
    {146, 0, "records after END were not assembled; BATCH assembles them"},
};
static_assert(sizeof c_aMsg / sizeof c_aMsg[0] == MSG_COUNT);

/* A note of the run: in the listing before the summary line, and on the
   terminal. */
void vRunNote(ASMMSG eMsg)
{
  char achLine[160];
  std::snprintf(achLine, sizeof achLine, "KZM%03d%c %s", c_aMsg[eMsg].sNumber,
                cDiagnosticLetter(c_aMsg[eMsg].sNumber, c_aMsg[eMsg].bSeverity), c_aMsg[eMsg].pszText);
  vListNoteLine(achLine);
  vMessage("%s", achLine);
}

struct DRIVERSTATE {
  bool bNotAssembled; /* without BATCH, statements followed the END */
};
DRIVERSTATE g_driver = {};

struct TIMEBASE {
  bool bSet;
  bool bProcTimes;  /* process times available */
  int64_t llWallMs; /* calendar time of the last reading, milliseconds */
  int64_t llCpuMs;  /* processor time of the last reading */
  std::clock_t clk; /* fallback: process clock of the last reading */
};
TIMEBASE g_time = {};

int64_t llClockMs(clockid_t id)
{
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

/* Calendar time of process creation in milliseconds, or -1. */
int64_t llProcessStartMs()
{
  FILE *pStat = std::fopen("/proc/self/stat", "r");
  if (pStat == nullptr) return -1;
  char achBuf[1024];
  size_t ulLen = std::fread(achBuf, 1, sizeof achBuf - 1, pStat);
  std::fclose(pStat);
  achBuf[ulLen] = '\0';
  const char *p = std::strrchr(achBuf, ')');
  if (p == nullptr) return -1;
  /* fields after the command name start with field 3; starttime is field 22 */
  unsigned long long ullStart = 0;
  int iField = 2;
  for (p++; *p != '\0' && iField < 22; p++)
    if (*p == ' ') {
      iField++;
      if (iField == 22) ullStart = std::strtoull(p + 1, nullptr, 10);
    }
  long lTicks = sysconf(_SC_CLK_TCK);
  if (iField != 22 || lTicks <= 0) return -1;
  int64_t llAgeMs = llClockMs(CLOCK_BOOTTIME) - static_cast<int64_t>(ullStart * 1000 / lTicks);
  return llClockMs(CLOCK_REALTIME) - (llAgeMs > 0 ? llAgeMs : 0);
}

int64_t llCpuMs()
{
  rusage ru{};
  if (getrusage(RUSAGE_SELF, &ru) != 0) return 0;
  return (static_cast<int64_t>(ru.ru_utime.tv_sec) + ru.ru_stime.tv_sec) * 1000 +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000;
}

void vWriteFormatted(void (*pfnOut)(const char *), const char *pszPrefix, const char *pszFormat, va_list args)
{
  char achLine[LINE_MAX_TEXT];
  size_t ulPrefix = std::strlen(pszPrefix);
  std::memcpy(achLine, pszPrefix, ulPrefix);
  int iLen = std::vsnprintf(achLine + ulPrefix, sizeof achLine - ulPrefix - 1, pszFormat, args);
  size_t ulEnd = ulPrefix + (iLen < 0 ? 0 : static_cast<size_t>(iLen));
  if (ulEnd > sizeof achLine - 2) ulEnd = sizeof achLine - 2;
  achLine[ulEnd] = '\n';
  achLine[ulEnd + 1] = '\0';
  pfnOut(achLine);
}

[[noreturn]] void vTermFailed(int iErr)
{
  vMessage("KZM900S Error writing to SYSTERM file %s: %s",
           g_asm.pszTermName != nullptr ? g_asm.pszTermName : "(STDOUT)", std::strerror(iErr != 0 ? iErr : EIO));
  vAsmTerminate();
}

/* End of the run: the terminal stream with every byte delivered. */
void vTermClose()
{
  if (g_asm.pTerm == nullptr) return;
  if (!g_asm.bTermIsFile) {
    errno = 0;
    if (std::fflush(g_asm.pTerm) != 0 || std::ferror(g_asm.pTerm) != 0) {
      int iErr = errno;
      g_asm.pTerm = nullptr;
      vTermFailed(iErr);
    }
    return;
  }
  vTrace(TRACE_FILES, "SYSTERM file %s closed.", g_asm.pszTermName != nullptr ? g_asm.pszTermName : "");
  g_asm.pTerm = nullptr;
  g_asm.bTermIsFile = false;
  int iErr = iFileFinish(FO_TERM);
  if (iErr != 0) vTermFailed(iErr);
}

/* Termination: a SYSTERM file is given up like every unfinished output. */
void vTermAbandon()
{
  if (g_asm.bTermIsFile) vFileAbandon(FO_TERM);
  g_asm.pTerm = nullptr;
  g_asm.bTermIsFile = false;
}

/* The windowed program has no standard streams, yet descriptors 0, 1 and 2
   stay taken, by /dev/null: closed, they would go to the next files opened
   (the listing, the object), and whatever a LIBEXIT command or a library
   writes to them would land in those files. */
void vStdStreamsToNull()
{
  std::fflush(stdout);
  std::fflush(stderr);
  int iFd = open("/dev/null", O_RDWR);
  if (iFd < 0) return;
  for (int i = 0; i <= 2; i++)
    if (iFd != i) dup2(iFd, i);
  if (iFd > 2) close(iFd);
}

/* One assembly of a program: both phases; returns its highest severity. */
unsigned uAssembleProgram()
{
  vListControlReset(); /* no TITLE label, empty PRINT stack */
  vPhase1();
  if (!g_opt.bBatch) {
    vPhaseSet('1', g_asm.cStep);
    g_driver.bNotAssembled = bSourceRemains();
    vSourceCloseAll();
  }
  vPhase2();
  return g_asm.ulMaxSev;
}

} // namespace

namespace {

void vServiceMessage(const char *pszFormat, va_list args) { vWriteFormatted(vFrontWrite, "", pszFormat, args); }

void vServiceTrace(uint32_t ulBits, const char *pszFormat, va_list args)
{
  if (bTraceOn(ulBits)) vWriteFormatted(vTraceWrite, "KZM950I ", pszFormat, args);
}

} // namespace

void vMessage(const char *pszFormat, ...)
{
  va_list args;
  va_start(args, pszFormat);
  vServiceMessage(pszFormat, args);
  va_end(args);
}

void vTrace(uint32_t ulBits, const char *pszFormat, ...)
{
  va_list args;
  va_start(args, pszFormat);
  vServiceTrace(ulBits, pszFormat, args);
  va_end(args);
}

/* the services at the bottom reach the driver and the source reader through
   this table only */
const SERVICES g_svc = {vServiceMessage, vServiceTrace, vAsmTerminate, pSourceName, iTermWrite, bSourceUtf8};

void vTraceWrite(const char *pszText)
{
  if (g_asm.bWindowed && g_asm.bTermIsFile && g_asm.pTerm != nullptr)
    std::fputs(pszText, g_asm.pTerm);
  else
    vFrontWrite(pszText);
}

int iTermWrite(const char *pszText, size_t ulLen)
{
  if (ulLen == 0) ulLen = std::strlen(pszText);
  if (g_asm.pTerm != nullptr) {
    if (std::fwrite(pszText, 1, ulLen, g_asm.pTerm) != ulLen) return 1;
    return std::ferror(g_asm.pTerm) != 0 ? 1 : 0;
  }
  char achLine[LINE_MAX_TEXT];
  while (ulLen > 0) {
    size_t ulPart = ulLen < sizeof achLine - 1 ? ulLen : sizeof achLine - 1;
    std::memcpy(achLine, pszText, ulPart);
    achLine[ulPart] = '\0';
    vFrontWrite(achLine);
    pszText += ulPart;
    ulLen -= ulPart;
  }
  return 0;
}

void vTimeReading(long *plHundredths, long *plMillis)
{
  if (!g_time.bSet) {
    g_time.bSet = true;
    int64_t llStart = llProcessStartMs();
    g_time.bProcTimes = llStart >= 0;
    g_time.llWallMs = llStart;
    g_time.llCpuMs = 0;
    g_time.clk = 0;
  }
  if (!g_time.bProcTimes) {
    std::clock_t clk = std::clock();
    *plHundredths = static_cast<long>((clk - g_time.clk) * 100 / CLOCKS_PER_SEC);
    *plMillis = 0;
    g_time.clk = clk;
    return;
  }
  int64_t llWall = llClockMs(CLOCK_REALTIME);
  int64_t llDiff = llWall - g_time.llWallMs;
  *plHundredths = static_cast<long>(llDiff > 0 ? (llDiff + 5) / 10 : 0);
  g_time.llWallMs = llWall;
  int64_t llCpu = llCpuMs();
  *plMillis = static_cast<long>(llCpu - g_time.llCpuMs);
  g_time.llCpuMs = llCpu;
}

void vSummaryFormat(char *pszBuf, size_t ulSize, unsigned uRc, long lHundredths, long lMillis)
{
  char achFraction[16] = "";
  char achCpu[64] = "";
  if (lHundredths % 100 != 0) std::snprintf(achFraction, sizeof achFraction, ".%02ld", lHundredths % 100);
  if (lMillis > 0)
    std::snprintf(achCpu, sizeof achCpu, " seconds, processor time %ld.%03ld", lMillis / 1000, lMillis % 1000);
  std::snprintf(pszBuf, ulSize, "KZM000I Return code %u, elapsed time %ld%s%s seconds.", uRc, lHundredths / 100,
                achFraction, achCpu);
}

void vAsmTerminate() { vFrontFatal("KZM999I Assembly terminated with return code 20."); }

void vAsmCloseAll()
{
  /* a failure while closing terminates again: the second time round there
     is nothing more to close */
  static bool s_bClosing = false;
  if (s_bClosing) return;
  s_bClosing = true;
  vListAbandon();
  vObjectClose(true);
  vSourceCloseAll();
  vWorkDeleteAll();
  vOptionCleanup();
  vTermAbandon();
  vMacroAbandon();
  vFileAbandonAll();
  s_bClosing = false;
}

unsigned iAssemble(int iWindowed, int argc, char **argv)
{
  vStmtTraceClear();
  vPhaseSet('0', 'N');
  g_asm.ulMaxSev = 0;
  g_asm.ulTrace = 0;
  g_asm.bWindowed = iWindowed != 0;
  g_driver.bNotAssembled = false;
  if (g_asm.bWindowed) {
    vStdStreamsToNull();
    g_asm.pTerm = nullptr;
  } else {
    g_asm.pTerm = stdout;
  }

  if (iOptionsProcess(argc, argv, g_asm.bWindowed ? nullptr : stdin) != 0) vAsmTerminate();
  vSubpoolRelease(SP_RUN);
  vWorkSetMemory(g_opt.ullSize);
  vObjectOpen();

  vPhaseSet('1', g_asm.cStep);
  if (!bSourceOpenPrimary()) {
    vMessage("KZM100S Source file is empty.");
    vAsmTerminate();
  }

  unsigned uRc = uAssembleProgram();
  if (g_opt.bBatch) {
    while (bSourceMore()) {
      unsigned uProgram = uAssembleProgram();
      if (uProgram > uRc) uRc = uProgram;
    }
    vSourceCloseAll();
  }

  /* summary */
  vPhaseSet('2', g_asm.cStep);
  vListObjectTotal();
  vObjectClose(false);
  vFileDepend();
  vWorkDeleteAll();
  vOptionCleanup();
  long lHundredths = 0, lMillis = 0;
  vTimeReading(&lHundredths, &lMillis);
  char achLine[160];
  vSummaryFormat(achLine, sizeof achLine - 1, uRc, lHundredths, lMillis);
  if (g_driver.bNotAssembled) vRunNote(MSG_NOT_ASSEMBLED);
  vListSummaryLine(achLine);
  vTermClose();
  vFileCommit();
  std::strcat(achLine, "\n");
  vFrontWrite(achLine);
  return uRc;
}
