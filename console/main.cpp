/*
** main.cpp - the console assembler: hands its command line to the core and
** exits with the return code.  Messages go to standard error, the terminal
** stream to standard output; the program never prompts.  A run whose
** messages could not be written to standard error ends with 20.
*/
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "file.h"
#include "vorn.h"

namespace {

/* An interrupted run leaves no temporary output file behind. */
void vOnSignal(int iSignal)
{
  vFileSignalCleanup();
  std::signal(iSignal, SIG_DFL);
  std::raise(iSignal);
}

} // namespace

void vFrontWrite(const char *pszText) { std::fputs(pszText, stderr); }

void vFrontFatal(const char *pszText)
{
  std::fputs(pszText, stderr);
  std::fputc('\n', stderr);
  vAsmCloseAll();
  std::exit(20);
}

const char *pFrontAskSource(const char *, const char *) { return nullptr; }

void vFrontPoll() {}

int main(int argc, char **argv)
{
  for (int iSignal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(iSignal, vOnSignal);
  unsigned uRc = iAssemble(0, argc, argv);
  vAsmCloseAll();
  /* messages that never arrived make the run a failure */
  if (std::fflush(stderr) != 0 || std::ferror(stderr) != 0) uRc = 20;
  return static_cast<int>(uRc);
}
