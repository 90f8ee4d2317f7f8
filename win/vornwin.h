/*
** vornwin.h - the windowed assembler: its window, the state the hooks share
** with it, and the program entry.
**
** One thread: the core runs on the user-interface thread, called from the
** program entry (never from a slot or timer).  User input is handled only
** inside vFrontPoll, which alone unwinds the run when the window was closed,
** after the events were processed; showing a line repaints the log and
** handles no input.  No exception leaves a Qt event handler: a close request
** during the run only sets a flag.
*/
#pragma once

#include <QMainWindow>
#include <QWidget>

#include <chrono>
#include <functional>
#include <string>

#include "msglog.h"

class QAction;

/* The log display: the display lines painted from the bottom up, newest
   lowest, each word-wrapped to the width. */
class LogView : public QWidget {
public:
  explicit LogView(QWidget *pParent);

protected:
  void paintEvent(QPaintEvent *pEvent) override;
};

class VornWindow : public QMainWindow {
public:
  VornWindow();
  QAction *pCopy, *pSaveAs, *pExit, *pPause, *pResume, *pAbout;
  LogView *pView;
  /* Pause (true) or Resume (false) from the menu. */
  void vPauseSet(bool bPaused);
  /* After the run: no Pause or Resume; Save As when the log holds text, Copy
     when it also fits in its first block. */
  void vRunFinished();

protected:
  void closeEvent(QCloseEvent *pEvent) override;

private:
  void vCopy();
  void vSaveAs();
  void vAbout();
};

enum WINPHASE { WP_ASKING, WP_RUNNING, WP_FINISHED };

struct WINSTATE {
  MSGLOG log;
  VornWindow *pWindow = nullptr;
  WINPHASE ePhase = WP_ASKING;
  bool bPaused = false;
  bool bCloseRequested = false; /* the window was closed before the run ended */
  bool bClosed = false;         /* the window is closed */
  bool bAsked = false;          /* the user was asked: the window stays open */
  int iPollCount = 0;
  std::chrono::steady_clock::time_point tpPoll;
  std::chrono::steady_clock::time_point tpPaint; /* the log was last painted */
  std::string strSource;                         /* the answer of the source dialog */
};
extern WINSTATE g_win;

/* How a run ended early: thrown by the hooks, caught by the entry.  The fatal
   hook throws AsmTerminated (outcome 1). */
enum { OUTCOME_NONE, OUTCOME_FATAL, OUTCOME_NO_SOURCE, OUTCOME_CLOSED };
struct WINOUTCOME {
  int iOutcome;
};

/* The program entry once the application exists: dialogs, the run, its
   outcome and the message loop.  Returns the exit code. */
int iWinMain(int argc, char **argv);

/* The options dialog; true and the edited text on OK. */
bool bOptionsDialog(QWidget *pParent, const std::string &strInitial, std::string &strText);

extern const char c_szTitle[];
