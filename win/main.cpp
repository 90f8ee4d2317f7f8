/*
** main.cpp - the windowed assembler vornwin: the core in a Qt window.
**
** The command line is handed to the core unchanged; no arguments, or "?"
** first, ask for it in the options dialog.  Qt sees only the program name,
** so no assembler argument is taken for a Qt option.  --version and --help
** (-h, -?) are answered on standard output with exit code 0 before Qt
** starts, so they need no display.  Without a display the program says so
** and ends with 20 before Qt starts (Qt would abort).
*/
#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "file.h"
#include "vornwin.h"

namespace {

const char c_szNoDisplay[] = "vornwin: no display: DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are all unset; "
                             "vorn assembles without one.\n";

bool bHasDisplay()
{
  for (const char *pszName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char *pszValue = std::getenv(pszName);
    if (pszValue != nullptr && *pszValue != '\0') return true;
  }
  return false;
}

/* An interrupted run leaves no temporary output file behind. */
void vOnSignal(int iSignal)
{
  vFileSignalCleanup();
  std::signal(iSignal, SIG_DFL);
  std::raise(iSignal);
}

} // namespace

int main(int argc, char **argv)
{
  if (const char *pszAnswer = pszCommandAnswer(argc, argv)) {
    std::fputs(pszAnswer, stdout);
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 20;
  }
  if (!bHasDisplay()) {
    std::fputs(c_szNoDisplay, stderr);
    return 20;
  }
  int iQtArgc = 1;
  char szName[] = "vornwin";
  char *apszQtArgv[] = {szName, nullptr};
  QApplication app(iQtArgc, apszQtArgv);
  for (int iSignal : {SIGINT, SIGTERM, SIGHUP}) std::signal(iSignal, vOnSignal);
  /* a file-size limit makes the write fail, as a full disk does */
  std::signal(SIGXFSZ, SIG_IGN);
  return iWinMain(argc, argv);
}
