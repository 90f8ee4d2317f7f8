/*
** main.cpp - the console assembler: hands its command line to the core and
** exits with the return code.  Messages go to standard error, the terminal
** stream to standard output; the program never prompts.
*/
#include <cstdio>
#include <cstdlib>

#include "vorn.h"

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
  unsigned uRc = iAssemble(0, argc, argv);
  vAsmCloseAll();
  return static_cast<int>(uRc);
}
