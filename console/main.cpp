/*
** main.cpp - the console assembler: hands its command line to the core and
** exits with the return code.  Messages go to standard error, the terminal
** stream to standard output; the program never prompts.  A run whose
** messages could not be written to standard error ends with 20.
**
** -h, -?, --help and --version are answered here, before the core runs:
** the usage or the version line on standard output, exit code 0.  They count
** only before "--", after which every argument is a source file.
**
** Standard output is flushed before anything goes to standard error, so that
** both streams sent into one pipe or file keep the order of production.
**
** SIGINT and SIGTERM end a run as a termination does: KZM996S names the
** signal, KZM999I follows, exit code 20; no temporary file of the run stays
** and no output of an earlier run is replaced or removed.
*/
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "file.h"
#include "vorn.h"

namespace {

const char c_szInterrupt[] = "\nKZM996S Assembly interrupted by SIGINT.\n"
                             "KZM999I Assembly terminated with return code 20.\n";
const char c_szTerminate[] = "\nKZM996S Assembly interrupted by SIGTERM.\n"
                             "KZM999I Assembly terminated with return code 20.\n";

/* A signal leaves no temporary output file behind, and the outputs of an
   earlier run stay as they were.  SIGINT and SIGTERM end the run as any
   terminated one ends, with its last lines and return code 20; the other
   signals end the program as they would have. */
void vOnSignal(int iSignal)
{
  vFileSignalCleanup();
  if (iSignal == SIGINT || iSignal == SIGTERM) {
    const char *psz = iSignal == SIGINT ? c_szInterrupt : c_szTerminate;
    size_t ulLength = iSignal == SIGINT ? sizeof c_szInterrupt - 1 : sizeof c_szTerminate - 1;
    if (write(STDERR_FILENO, psz, ulLength) < 0) {
      /* nothing more can be said */
    }
    _exit(20);
  }
  std::signal(iSignal, SIG_DFL);
  std::raise(iSignal);
}

const char c_szUsage[] = "Usage: vorn [options] source...\n"
                         "       vorn [options] < source\n"
                         "\n"
                         "Assembles System/390 assembler language.  An argument beginning with '-'\n"
                         "holds options separated by blanks or commas (vorn -OBJECT,NOLIST prog.asm);\n"
                         "\"--\" ends the options.  The capitals of a name are its short form.\n"
                         "\n"
                         "Common options (defaults first):\n"
                         "  LIST(121|133) | NOLIST     listing prog.lst, 121 or 133 columns wide (L)\n"
                         "  NOOBJECT | OBJECT | DECK   no object (NO); object module prog.obj (O);\n"
                         "                             the PUNCH and REPRO cards as text in prog.txt\n"
                         "  TERM | NOTERM              statements in error and their diagnostics on\n"
                         "                             standard output (T, NT); TERM(GNU) as\n"
                         "                             file:line:column: error: lines for editors\n"
                         "  NODEPEND | DEPEND(f)       a make rule of the object and every file\n"
                         "                             read, in prog.d (DEP)\n"
                         "  FLAG(n)                    leave out diagnostics below severity n (F)\n"
                         "  LINECOUNT(60|n)            lines per page, 0 for no pages (LC)\n"
                         "  PRINTCTL(FF|NL|ASA)        page control of the listing (PR)\n"
                         "  BATCH                      several programs, each ended by END, in one run\n"
                         "  SYSLIB(pattern;...)        where library macros and COPY members are\n"
                         "                             read: each pattern in order, with '*' for\n"
                         "                             the member name (as written, then in lower\n"
                         "                             case); the first file found is used (SL;\n"
                         "                             default &D*.MAC, beside the source)\n"
                         "  SYSPRINT(f) SYSLIN(f)      other names for the listing (ST), the object\n"
                         "  SYSPUNCH(f) SYSTERM(f)     (SN), the DECK text (SH), the terminal (SM)\n"
                         "\n"
                         "Examples (quote an option with parentheses or ';', which the shell\n"
                         "would take for its own):\n"
                         "  vorn -OBJECT prog.asm\n"
                         "  vorn '-OBJECT,SYSLIB(maclib/*.mac;/usr/local/maclib/*.mac)' prog.asm\n"
                         "\n"
                         "Files: prog.lst, prog.obj and prog.txt are written beside the source;\n"
                         "options are read first from vorn.ini beside the program, then from the\n"
                         "files named in VORNINI, then from the command line.\n"
                         "\n"
                         "Return codes: 0 clean, 4 warnings, 8 errors, 12 severe errors,\n"
                         "16 critical errors, 20 the run was terminated.\n"
                         "\n"
                         "  -h, -?, --help   this text        --version   the version line\n";

enum REQUEST { REQ_ASSEMBLE, REQ_HELP, REQ_VERSION };

/* The first request for help or the version before "--", if any. */
REQUEST iRequest(int argc, char **argv)
{
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; i++) {
    const char *psz = argv[i];
    if (std::strcmp(psz, "-h") == 0 || std::strcmp(psz, "-?") == 0 || std::strcmp(psz, "--help") == 0) return REQ_HELP;
    if (std::strcmp(psz, "--version") == 0) return REQ_VERSION;
  }
  return REQ_ASSEMBLE;
}

/* Exit code 0 when the text reached standard output, else 20. */
int iAnswer(REQUEST iReq)
{
  if (iReq == REQ_HELP)
    std::fputs(c_szUsage, stdout);
  else
    std::printf("%s\n", g_szVersionLine);
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 20;
}

} // namespace

void vFrontWrite(const char *pszText)
{
  std::fflush(stdout);
  std::fputs(pszText, stderr);
}

void vFrontFatal(const char *pszText)
{
  std::fflush(stdout);
  std::fputs(pszText, stderr);
  std::fputc('\n', stderr);
  vAsmCloseAll();
  std::exit(20);
}

const char *pFrontAskSource(const char *, const char *) { return nullptr; }

void vFrontPoll() {}

int main(int argc, char **argv)
{
  REQUEST iReq = iRequest(argc, argv);
  if (iReq != REQ_ASSEMBLE) return iAnswer(iReq);
  for (int iSignal : c_aiCleanupSignals) std::signal(iSignal, vOnSignal);
  /* a file-size limit makes the write fail, as a full disk does */
  std::signal(SIGXFSZ, SIG_IGN);
  unsigned uRc = iAssemble(0, argc, argv);
  vAsmCloseAll();
  /* messages that never arrived make the run a failure */
  if (std::fflush(stderr) != 0 || std::ferror(stderr) != 0) uRc = 20;
  return static_cast<int>(uRc);
}
