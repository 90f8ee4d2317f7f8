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
**
** After a run the window stays for the next one: Assemble Again, Open and a
** recent source only record a request, and the program entry, waiting in
** its message loop, runs the core again.  The log holds every run of the
** window; the source pane beside it shows the source line of a message or
** the listing.
*/
#pragma once

#include <QAbstractScrollArea>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QVariant>
#include <QWidget>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "msglog.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;

/* The log display: the lines painted from the bottom up, newest lowest, each
   word-wrapped to the width, in the system's fixed font and coloured by the
   severity of the message.  The scroll bar gives the line shown lowest;
   while it stands at the newest line, new lines stay in view.  One line is
   the current line: a click, the arrow keys or the message keys move it;
   Enter or a double-click activates it. */
class LogView : public QAbstractScrollArea {
public:
  explicit LogView(QWidget *pParent);
  std::function<void(long)> fnActivate;
  long lCurrent = -1; /* the current line, -1 none */
  /* The scroll range follows the log; at its end the view stays there. */
  void vSync();
  /* Makes a line current and scrolls it into view. */
  void vSetCurrent(long lLine);
  /* The line at a height of the view, or -1. */
  long lLineAt(int iY);

protected:
  void paintEvent(QPaintEvent *pEvent) override;
  void mousePressEvent(QMouseEvent *pEvent) override;
  void mouseDoubleClickEvent(QMouseEvent *pEvent) override;
  void keyPressEvent(QKeyEvent *pEvent) override;
  void resizeEvent(QResizeEvent *pEvent) override;
  void scrollContentsBy(int iDx, int iDy) override;

private:
  bool bFollow = true;
  long lBottom() const;
  int iLineHeight(long lLine) const;
  /* Calls fn(line, top, bottom) for the lines in view, lowest first, until it
     returns false. */
  void vVisible(const std::function<bool(long, int, int)> &fn) const;
};

/* The source pane: a file shown read only with line numbers, one line
   marked.  Text files are split at LF, CR LF and CR as the source reader
   splits them; a file without line ends is cut into 80-byte records. */
class SourceView : public QPlainTextEdit {
public:
  explicit SourceView(QWidget *pParent);
  QString strPath;  /* the file shown, empty none */
  long lMarked = 0; /* the marked line, from 1; 0 none */
  /* Shows the file with the line marked (0: none), reading it when it is
     another file or changed since; false and the reason when it cannot be
     read. */
  bool bShow(const QString &strFile, long lLine, QString &strError);
  /* Reads the file shown again, keeping the mark. */
  bool bReload(QString &strError);
  int iGutterWidth() const;
  void vPaintGutter(QPaintEvent *pEvent);

protected:
  void resizeEvent(QResizeEvent *pEvent) override;

private:
  QWidget *pGutter;
  qint64 llSize = -1;
  qint64 llModified = -1;
  void vMark();
};

/* What the message loop after a run is asked to do. */
enum WINREQUEST { REQ_NONE, REQ_RERUN, REQ_OPEN };

class VornWindow : public QMainWindow {
public:
  VornWindow();
  QAction *pOpen, *pOpenListing, *pCopy, *pSaveAs, *pExit, *pRerun, *pNext, *pPrevious, *pPause, *pResume, *pAbout;
  QMenu *pRecent;
  LogView *pView;
  SourceView *pSource;
  QWidget *pSourcePane;
  QLabel *pSourceTitle, *pStatus;
  QSplitter *pSplitter;
  /* Pause (true) or Resume (false) from the menu. */
  void vPauseSet(bool bPaused);
  /* A run begins: Pause, no Resume; nothing that starts another run or needs
     the finished log. */
  void vRunStarted();
  /* After the run: no Pause or Resume; Save As when the log holds text, Copy
     when it also fits in its first block; the next run can be asked for. */
  void vRunFinished();
  /* Opens the source line of a log line in the source pane; false when the
     line names none or the file cannot be read (said in the status bar). */
  bool bOpenMessage(long lLine);
  /* The next (iStep 1) or previous (-1) message with a source line after the
     current one, made current and opened. */
  void vStepMessage(int iStep);
  /* Shows a file in the source pane at a line (0: none). */
  bool bShowFile(const QString &strPath, long lLine);
  void vRecentUpdate();

protected:
  void closeEvent(QCloseEvent *pEvent) override;

private:
  void vCopy();
  void vSaveAs();
  void vAbout();
  void vOpen();
  void vOpenListing();
  void vRequest(WINREQUEST eRequest, const std::string &strSource);
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
  std::chrono::steady_clock::time_point tpPaint;  /* the log was last painted */
  std::chrono::steady_clock::time_point tpStatus; /* the progress was last shown */
  std::chrono::steady_clock::time_point tpRun;    /* the run started (a dialog's time not counted) */
  int iStatusShown = 0;                           /* progress texts shown in the run */
  std::string strSource;                          /* the answer of the source dialog */
  std::string strDir;                             /* the working directory of the runs */
  std::string strExt = "390";                     /* the source extension the core asks for */
  std::string strListing;                         /* the listing of the last run, or empty */
  bool bRunKnown = false;                         /* the run's options were taken */
  int iRuns = 0;                                  /* runs started in the window */
  long lRunFirstLine = 0;                         /* the first log line of the last run */
  std::vector<std::string> astrArgs;              /* the arguments of the last run */
  WINREQUEST eRequest = REQ_NONE;
  std::string strRequestSource; /* REQ_OPEN: the source to assemble */
};
extern WINSTATE g_win;

/* How a run ended early: thrown by the hooks, caught by the entry.  The fatal
   hook throws AsmTerminated (outcome 1). */
enum { OUTCOME_NONE, OUTCOME_FATAL, OUTCOME_NO_SOURCE, OUTCOME_CLOSED };
struct WINOUTCOME {
  int iOutcome;
};

/* The program entry once the application exists: dialogs, the runs, their
   outcome and the message loop.  Returns the exit code of the last run. */
int iWinMain(int argc, char **argv);

/* The options dialog; true and the arguments on OK: the option line split
   as the command line is, then the SYSLIB option of the library field. */
bool bOptionsDialog(QWidget *pParent, const std::string &strInitial, std::vector<std::string> &astrArgs);

/* The open dialog of a source: "Assembler Source" with the usual
   extensions and the core's, and "All Files"; starts in the directory given,
   else in the last folder used.  The chosen path, or empty. */
QString strAskSourceFile(QWidget *pParent, const QString &strDir, const QString &strExt);

/* The settings of the window (recent sources, option lines, last folder,
   geometry), in the user's configuration as "vorn/vornwin".  A write is
   synced at once; false when it failed. */
QVariant valueSetting(const QString &strKey, const QVariant &valueDefault = {});
bool bSetSetting(const QString &strKey, const QVariant &value);
/* A list setting, most recent first, at most iMax entries: a value used
   again moves to the front. */
constexpr int RECENT_MAX = 8;
constexpr int OPTION_HISTORY_MAX = 10;
bool bRecentAdd(const QString &strKey, const QString &strValue, int iMax);

/* What the program answers for --version and --help without a display:
   the text for standard output, or null when the arguments ask to run. */
const char *pszCommandAnswer(int argc, char **argv);

extern const char c_szTitle[];
