/*
** front.cpp - the four hooks of the windowed assembler and its program entry.
**
** A run ends in one of four ways: normally with its return code; outcome 1,
** the core was terminated (fatal hook); outcome 2, the source dialog was
** cancelled; outcome 3, the window was closed during the run.  The hooks
** throw for outcomes 1 to 3 and only after any dialog or event processing
** has returned; iWinMain catches them around iAssemble.  Outcomes end with
** exit code 20.
**
** After a run the entry waits in the message loop until the window is
** closed or the window asks for another run (Assemble Again, Open, a recent
** source); it then runs the core again, never from inside a slot.  The
** exit code is that of the last run.
**
** The poll hook also shows the progress (phase, statement, time) in the
** status bar, at most every STATUS_PERIOD, and notes the listing and the
** source extension of the run once the option step has set them.
*/
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <cstring>

#include "asm0.h"
#include "vorn.h"
#include "vornwin.h"

WINSTATE g_win;

namespace {

using CLOCK = std::chrono::steady_clock;
constexpr int POLL_CALLS = 10;                          /* a poll acts on every tenth call */
constexpr std::chrono::milliseconds POLL_PERIOD{50};    /* or when this much time has passed */
constexpr std::chrono::milliseconds PAINT_PERIOD{20};   /* lines coming faster are painted together */
constexpr std::chrono::milliseconds STATUS_PERIOD{250}; /* the progress is shown at most this often */

/* A dialog asked the user: the time it was open is not counted. */
void vTimeBaseReset()
{
  long lHundredths = 0, lMillis = 0;
  vTimeReading(&lHundredths, &lMillis);
  g_win.tpRun = CLOCK::now();
}

/* Shows what is new in the log: paint events only, no user input.  Lines
   that come faster are painted together, at the latest by the next poll. */
void vRepaint()
{
  if (g_win.pWindow == nullptr || g_win.pWindow->isMinimized()) return;
  auto tpNow = CLOCK::now();
  if (tpNow - g_win.tpPaint < PAINT_PERIOD) {
    g_win.pWindow->pView->viewport()->update();
    return;
  }
  g_win.pWindow->pView->vSync();
  g_win.pWindow->pView->viewport()->repaint();
  g_win.tpPaint = tpNow;
}

QString strQ(const std::string &str) { return QString::fromLocal8Bit(str.data(), static_cast<qsizetype>(str.size())); }

void vStatus(const QString &str)
{
  if (g_win.pWindow != nullptr) g_win.pWindow->pStatus->setText(str);
}

void vShowProgress()
{
  auto tpNow = CLOCK::now();
  long lMillis = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(tpNow - g_win.tpRun).count());
  vStatus(strQ(strProgressText(g_asm.cPhase, g_asm.ulStmtNo, g_asm.ulStmtCount, lMillis, g_win.bPaused)));
  g_win.tpStatus = tpNow;
  g_win.iStatusShown++;
}

/* The user closed the window while the core was waiting for an answer or a
   poll: the run ends (outcome 3). */
void vCheckClosed()
{
  if (g_win.bCloseRequested) throw WINOUTCOME{OUTCOME_CLOSED};
}

/* The message loop after the run, until the window is closed or asks for
   another run. */
void vMessageLoop()
{
  while (!g_win.bClosed && g_win.eRequest == REQ_NONE) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

/* The core's run on the arguments after the program name. */
unsigned uRun(const std::vector<std::string> &astrArgs)
{
  std::vector<char *> apszArgv;
  char szEmpty[] = "";
  apszArgv.push_back(szEmpty);
  std::vector<std::string> astrCopy = astrArgs;
  for (auto &str : astrCopy) apszArgv.push_back(str.data());
  apszArgv.push_back(nullptr);
  return iAssemble(1, static_cast<int>(astrCopy.size() + 1), apszArgv.data());
}

/* The text of the status bar after a run. */
QString strOutcomeText(int iOutcome, unsigned uRc)
{
  long lMillis =
      static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(CLOCK::now() - g_win.tpRun).count());
  switch (iOutcome) {
  case OUTCOME_FATAL:
    return "Assembly terminated with return code 20.";
  case OUTCOME_NO_SOURCE:
    return "No source was chosen.";
  default:
    return QString("Return code %1 after %2.%3 seconds.").arg(uRc).arg(lMillis / 1000).arg(lMillis / 100 % 10);
  }
}

/* One run of the core in the window; the outcome, and the return code in
   uRc. */
int iRunOnce(VornWindow &window, const std::vector<std::string> &astrArgs, unsigned &uRc)
{
  if (g_win.iRuns++ > 0) vTimeBaseReset();
  g_win.astrArgs = astrArgs;
  g_win.strSource.clear();
  g_win.strListing.clear();
  g_win.bRunKnown = false;
  g_win.iStatusShown = 0;
  g_win.tpRun = CLOCK::now();
  g_win.lRunFirstLine = static_cast<long>(ulLogLines(g_win.log));
  window.vRunStarted();
  vStatus("Assembling...");
  g_win.ePhase = WP_RUNNING;
  int iOutcome = OUTCOME_NONE;
  try {
    uRc = uRun(astrArgs);
  } catch (const AsmTerminated &) {
    iOutcome = OUTCOME_FATAL;
  } catch (const WINOUTCOME &outcome) {
    iOutcome = outcome.iOutcome;
  }
  vAsmCloseAll();
  g_win.ePhase = WP_FINISHED;
  if (iOutcome != OUTCOME_NONE) uRc = 20;
  if (iOutcome == OUTCOME_CLOSED) return iOutcome;
  /* the next run takes the source the dialog gave */
  if (!g_win.strSource.empty()) g_win.astrArgs = astrWithSource(g_win.astrArgs, g_win.strSource);
  std::string strPrimary = strPrimarySource(g_win.astrArgs);
  if (!strPrimary.empty()) {
    QFileInfo fi(QDir(strQ(g_win.strDir)), strQ(strPrimary));
    if (fi.isFile()) bRecentAdd("recent/sources", fi.absoluteFilePath(), RECENT_MAX);
  }
  vStatus(strOutcomeText(iOutcome, uRc));
  QString strError;
  if (g_win.iRuns > 1 && !window.pSource->bReload(strError)) window.pSource->clear();
  return iOutcome;
}

} // namespace

void vFrontWrite(const char *pszText)
{
  if (ulLogWrite(g_win.log, pszText) > 0) vRepaint();
}

void vFrontFatal(const char *pszText)
{
  vLogAddLine(g_win.log, pszText);
  g_win.tpPaint = {};
  vRepaint();
  throw AsmTerminated{};
}

const char *pFrontAskSource(const char *pszDir, const char *pszExt)
{
  QString strDir = QString::fromLocal8Bit(pszDir);
  if (strDir.size() > 1 && strDir.endsWith('/')) strDir.chop(1);
  g_win.strExt = pszExt;
  QString strPath = strAskSourceFile(g_win.pWindow, strDir, QString::fromLocal8Bit(pszExt));
  vCheckClosed();
  if (strPath.isEmpty()) {
    QApplication::beep();
    throw WINOUTCOME{OUTCOME_NO_SOURCE};
  }
  vTimeBaseReset();
  g_win.bAsked = true;
  g_win.strSource = strPath.toLocal8Bit().toStdString();
  return g_win.strSource.c_str();
}

void vFrontPoll()
{
  if (!g_win.bRunKnown && g_asm.cPhase != '0') {
    /* the option step is over: what the window needs of the run's options */
    g_win.bRunKnown = true;
    g_win.strListing = g_opt.bList && g_opt.pszSysprint != nullptr ? g_opt.pszSysprint : "";
    g_win.strExt = g_opt.pszSourceExt != nullptr ? g_opt.pszSourceExt : "";
  }
  auto tpNow = CLOCK::now();
  if (++g_win.iPollCount < POLL_CALLS && tpNow - g_win.tpPoll < POLL_PERIOD) return;
  QApplication::processEvents();
  if (g_win.bPaused && !g_win.bCloseRequested) {
    vShowProgress();
    while (g_win.bPaused && !g_win.bCloseRequested) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    vShowProgress();
  } else if (tpNow - g_win.tpStatus >= STATUS_PERIOD) {
    vShowProgress();
  }
  vCheckClosed();
  g_win.iPollCount = 0;
  g_win.tpPoll = CLOCK::now();
}

int iWinMain(int argc, char **argv)
{
  vTimeBaseReset();
  g_win = WINSTATE{};
  g_win.strDir = QDir::currentPath().toLocal8Bit().toStdString();
  VornWindow window;
  g_win.pWindow = &window;
  g_win.tpPoll = CLOCK::now();
  window.show();
  window.pView->setFocus();
  QApplication::processEvents();

  std::vector<std::string> astrArgs(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (astrArgs.empty() || astrArgs.front() == "?") {
    std::vector<std::string> astrAnswer;
    bool bOk =
        bOptionsDialog(&window, strJoinArguments({astrArgs.begin() + !astrArgs.empty(), astrArgs.end()}), astrAnswer);
    if (!bOk || g_win.bCloseRequested) {
      QApplication::beep();
      g_win.pWindow = nullptr;
      return 20;
    }
    vTimeBaseReset();
    g_win.bAsked = true;
    astrArgs = astrAnswer;
  }

  unsigned uRc = 20;
  for (;;) {
    int iOutcome = iRunOnce(window, astrArgs, uRc);
    if (iOutcome == OUTCOME_CLOSED) {
      g_win.pWindow = nullptr;
      return 20;
    }
    /* a later run asked from the window keeps the window whatever the outcome */
    bool bFirst = g_win.iRuns == 1;
    if (iOutcome != OUTCOME_NO_SOURCE || !bFirst) {
      window.vRunFinished();
      QApplication::processEvents();
    }
    if (iOutcome != OUTCOME_NO_SOURCE) QApplication::beep(); /* that dialog beeped */
    if ((iOutcome == OUTCOME_NO_SOURCE && bFirst) || (iOutcome == OUTCOME_NONE && uRc == 0 && !g_win.bAsked))
      window.close();
    vMessageLoop();
    if (g_win.bClosed) break;
    astrArgs = g_win.eRequest == REQ_OPEN ? astrWithSource(g_win.astrArgs, g_win.strRequestSource) : g_win.astrArgs;
    g_win.eRequest = REQ_NONE;
    g_win.bAsked = true;
  }
  g_win.pWindow = nullptr;
  return static_cast<int>(uRc);
}

const char *pszCommandAnswer(int argc, char **argv)
{
  static const std::string s_strVersion = std::string(g_szVersionLine) + "\n";
  static const char c_szUsage[] = "Usage: vornwin [options] source...\n"
                                  "       vornwin ? [initial text]\n"
                                  "\n"
                                  "The assembler in a window.  The arguments are those of vorn (vorn --help\n"
                                  "lists the options).  Without arguments, or with \"?\" first, a dialog asks\n"
                                  "for them (the rest of the line is its initial text); without a source\n"
                                  "file the open dialog asks for one.\n"
                                  "\n"
                                  "In the window: Enter or a double-click on a message shows its source line\n"
                                  "beside the log; F8 and Shift+F8 go to the next and the previous message;\n"
                                  "F5 assembles again; Ctrl+O opens another source, Ctrl+L the listing;\n"
                                  "Ctrl+C copies the log, Ctrl+S saves it; Ctrl+Q ends the program.\n"
                                  "\n"
                                  "The exit code is the return code of the last run, 20 when it was\n"
                                  "terminated, the window was closed during it or a dialog was cancelled.\n"
                                  "\n"
                                  "  -h, -?, --help   this text        --version   the version line\n";
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; i++) {
    const char *psz = argv[i];
    if (std::strcmp(psz, "-h") == 0 || std::strcmp(psz, "-?") == 0 || std::strcmp(psz, "--help") == 0) return c_szUsage;
    if (std::strcmp(psz, "--version") == 0) return s_strVersion.c_str();
  }
  return nullptr;
}
