/*
** front.cpp - the four hooks of the windowed assembler and its program entry.
**
** A run ends in one of four ways: normally with its return code; outcome 1,
** the core was terminated (fatal hook); outcome 2, the source dialog was
** cancelled; outcome 3, the window was closed during the run.  The hooks
** throw for outcomes 1 to 3 and only after any dialog or event processing
** has returned; iWinMain catches them around iAssemble.  Outcomes end with
** exit code 20.
*/
#include <QApplication>
#include <QFileDialog>

#include <cstring>

#include "vorn.h"
#include "vornwin.h"

WINSTATE g_win;

namespace {

constexpr int POLL_CALLS = 10;                       /* a poll acts on every tenth call */
constexpr std::chrono::milliseconds POLL_PERIOD{50}; /* or when this much time has passed */
constexpr std::chrono::milliseconds PAINT_PERIOD{20};

/* A dialog asked the user: the time it was open is not counted. */
void vTimeBaseReset()
{
  long lHundredths = 0, lMillis = 0;
  vTimeReading(&lHundredths, &lMillis);
}

/* Shows what is new in the log: paint events only, no user input.  Lines
   that come faster are painted together, at the latest by the next poll. */
void vRepaint()
{
  if (g_win.pWindow == nullptr || g_win.pWindow->isMinimized()) return;
  auto tpNow = std::chrono::steady_clock::now();
  if (tpNow - g_win.tpPaint < PAINT_PERIOD) {
    g_win.pWindow->pView->update();
    return;
  }
  g_win.pWindow->pView->repaint();
  g_win.tpPaint = tpNow;
}

/* The user closed the window while the core was waiting for an answer or a
   poll: the run ends (outcome 3). */
void vCheckClosed()
{
  if (g_win.bCloseRequested) throw WINOUTCOME{OUTCOME_CLOSED};
}

/* The message loop after the run, until the window is closed. */
void vMessageLoop()
{
  while (!g_win.bClosed) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
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
  QStringList astrFilters;
  if (*pszExt != '\0') {
    QString strLower = QString::fromLocal8Bit(pszExt).toLower(), strUpper = strLower.toUpper();
    astrFilters << (strLower == strUpper ? QString("Assembler Source (*.%1)").arg(strLower)
                                         : QString("Assembler Source (*.%1 *.%2)").arg(strLower, strUpper));
  }
  astrFilters << "All Files (*)";
  QFileDialog dialog(g_win.pWindow, "Open Assembler Source", strDir);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(astrFilters);
  bool bOk = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  vCheckClosed();
  if (!bOk) {
    QApplication::beep();
    throw WINOUTCOME{OUTCOME_NO_SOURCE};
  }
  vTimeBaseReset();
  g_win.bAsked = true;
  g_win.strSource = dialog.selectedFiles().front().toLocal8Bit().toStdString();
  return g_win.strSource.c_str();
}

void vFrontPoll()
{
  auto tpNow = std::chrono::steady_clock::now();
  if (++g_win.iPollCount < POLL_CALLS && tpNow - g_win.tpPoll < POLL_PERIOD) return;
  QApplication::processEvents();
  while (g_win.bPaused && !g_win.bCloseRequested) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  vCheckClosed();
  g_win.iPollCount = 0;
  g_win.tpPoll = std::chrono::steady_clock::now();
}

int iWinMain(int argc, char **argv)
{
  vTimeBaseReset();
  g_win = WINSTATE{};
  VornWindow window;
  g_win.pWindow = &window;
  g_win.tpPoll = std::chrono::steady_clock::now();
  window.show();
  QApplication::processEvents();

  std::vector<std::string> astrArgs(argv + (argc > 0 ? 1 : 0), argv + argc);
  int iOutcome = OUTCOME_NONE;
  unsigned uRc = 20;
  if (astrArgs.empty() || astrArgs.front() == "?") {
    std::string strText;
    bool bOk =
        bOptionsDialog(&window, strJoinArguments({astrArgs.begin() + !astrArgs.empty(), astrArgs.end()}), strText);
    if (!bOk || g_win.bCloseRequested) {
      QApplication::beep();
      g_win.pWindow = nullptr;
      return 20;
    }
    vTimeBaseReset();
    g_win.bAsked = true;
    astrArgs = astrSplitCommandLine(strText);
  }

  g_win.ePhase = WP_RUNNING;
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
  if (iOutcome == OUTCOME_CLOSED) {
    g_win.pWindow = nullptr;
    return 20;
  }
  if (iOutcome != OUTCOME_NO_SOURCE) {
    window.vRunFinished();
    QApplication::processEvents();
  }
  if (iOutcome != OUTCOME_NO_SOURCE) QApplication::beep(); /* that dialog beeped */
  if (iOutcome == OUTCOME_NO_SOURCE || (iOutcome == OUTCOME_NONE && uRc == 0 && !g_win.bAsked)) window.close();
  vMessageLoop();
  g_win.pWindow = nullptr;
  return static_cast<int>(uRc);
}
