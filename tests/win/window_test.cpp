/* The windowed assembler driven in-process: dialogs, pause and resume, the
   outcomes, Copy and Save As, the way from a message to its source line,
   assembling again, the progress and the settings; the real program for
   what only a process shows (standard streams, no display). */
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runvorn.h"
#include "vorn.h"
#include "vornwin.h"

namespace {

using namespace std::chrono_literals;
using CLOCK = std::chrono::steady_clock;

std::string strRead(const std::string &strPath)
{
  std::stringstream ss;
  ss << std::ifstream(strPath, std::ios::binary).rdbuf();
  return ss.str();
}

/* A program of n LA statements, with or without its END. */
std::string strProgram(int n, bool bEnd)
{
  std::string str = "BIG      CSECT\n";
  for (int i = 0; i < n; i++) str += "         LA    1,1\n";
  return bEnd ? str + "         END\n" : str;
}

/* Clicks OK (or Cancel) of the modal dialog of that name; false when it is
   not the one open. */
bool bAnswer(const char *pszName, bool bOk)
{
  QWidget *p = QApplication::activeModalWidget();
  if (p == nullptr || p->objectName() != pszName) return false;
  p->findChild<QDialogButtonBox *>()->button(bOk ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
  return true;
}

QFileDialog *pFileDialog() { return qobject_cast<QFileDialog *>(QApplication::activeModalWidget()); }

void vCloseWhenFinished()
{
  if (g_win.ePhase == WP_FINISHED && g_win.pWindow != nullptr && !g_win.bClosed) g_win.pWindow->close();
}

class WinRun : public RunDirTest {
protected:
  std::function<void()> fnTick; /* called every 5 ms while the entry runs */

  /* The program entry on the arguments in a directory; standard streams
     and the working directory are restored afterwards.  A run still going
     after 60 s fails and is closed. */
  int iRun(const std::vector<std::string> &astrArgs, std::string strIn = "")
  {
    if (strIn.empty()) strIn = strDir;
    char achCwd[PATH_MAX];
    if (getcwd(achCwd, sizeof achCwd) == nullptr || chdir(strIn.c_str()) != 0) return -1;
    int aiSaved[3] = {dup(0), dup(1), dup(2)};
    auto tpEnd = CLOCK::now() + 60s;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (fnTick) fnTick();
      if (CLOCK::now() < tpEnd) return;
      ADD_FAILURE() << "still running";
      if (QWidget *p = QApplication::activeModalWidget()) p->close();
      if (g_win.pWindow != nullptr) g_win.pWindow->close();
    });
    timer.start(5);
    std::vector<std::string> astr = {"vornwin"};
    astr.insert(astr.end(), astrArgs.begin(), astrArgs.end());
    std::vector<char *> apsz;
    for (auto &str : astr) apsz.push_back(str.data());
    apsz.push_back(nullptr);
    int iRc = iWinMain(static_cast<int>(astr.size()), apsz.data());
    timer.stop();
    for (int i = 0; i < 3; i++) {
      dup2(aiSaved[i], i);
      close(aiSaved[i]);
    }
    return chdir(achCwd) == 0 ? iRc : -1;
  }

  /* The real vornwin program on the platform (none: no display at all):
     exit code and what it wrote. */
  RUN runProgram(const std::vector<std::string> &astrArgs, const char *pszPlatform)
  {
    std::string strCmd = "cd '" + strDir + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                         (pszPlatform != nullptr ? std::string("QT_QPA_PLATFORM=") + pszPlatform : "") + " " +
                         VORNWIN_EXE;
    for (const auto &str : astrArgs) strCmd += " '" + str + "'";
    int iStatus = std::system((strCmd + " </dev/null >tmp/out 2>&1").c_str());
    return {WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1, strRead(strDir + "/tmp/out"), ""};
  }

  void SetUp() override
  {
    RunDirTest::SetUp();
    for (const char *psz : {"VORNDIR", "VORNINI", "VORNLIB"}) unsetenv(psz);
    vSource("hello.asm", "HELLO    CSECT\n         END\n");
    QSettings settings("vorn", "vornwin");
    settings.clear();
    settings.sync();
  }
};

/* Runs fn once the current tick has returned: a dialog opened inside a tick
   would stop the ticks. */
void vLater(std::function<void()> fn) { QTimer::singleShot(0, g_win.pWindow, std::move(fn)); }

/* Chooses a path in the open file dialog of that title; false when it is not
   the one open. */
bool bChoose(const char *pszTitle, const std::string &strPath)
{
  QFileDialog *p = pFileDialog();
  if (p == nullptr || p->windowTitle() != pszTitle) return false;
  p->selectFile(QString::fromStdString(strPath));
  static_cast<QDialog *>(p)->accept();
  return true;
}

/* The first line of the last run that begins with the text, or -1. */
long lLineOf(const std::string &strStart)
{
  for (size_t l = static_cast<size_t>(g_win.lRunFirstLine); l < ulLogLines(g_win.log); l++)
    if (strLogLine(g_win.log, l).rfind(strStart, 0) == 0) return static_cast<long>(l);
  return -1;
}

/* A point of the log view on that line. */
QPoint ptOfLine(long lLine)
{
  LogView *pView = g_win.pWindow->pView;
  for (int y = 0; y < pView->viewport()->height(); y++)
    if (pView->lLineAt(y) == lLine) return {20, y + 2};
  ADD_FAILURE() << "line " << lLine << " not in view";
  return {};
}

/* A key as the user types it in the log of the active window: the window's
   shortcuts see it. */
void vKey(Qt::Key eKey, Qt::KeyboardModifiers eModifiers = Qt::NoModifier)
{
  g_win.pWindow->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(g_win.pWindow));
  QTest::keyClick(g_win.pWindow->pView, eKey, eModifiers);
}

std::string strStatus() { return g_win.pWindow->pStatus->text().toStdString(); }

/* The window as a picture in the build folder, for a reviewer. */
void vScreenshot(const char *pszName)
{
  QString strPath = QString(VORNWIN_SHOT_DIR) + "/" + pszName;
  EXPECT_TRUE(g_win.pWindow->grab().save(strPath, "PNG")) << strPath.toStdString();
}

std::string strLog() { return g_win.log.astrBlocks.empty() ? "" : g_win.log.astrBlocks.front(); }

} // namespace

TEST_F(WinRun, OptionsDialogOkRunsTheTypedLineCancelRunsNothing)
{
  std::string strInitial;
  fnTick = [&] {
    if (QWidget *p = QApplication::activeModalWidget(); p != nullptr && p->objectName() == "optionsDialog") {
      auto *pEdit = p->findChild<QLineEdit *>("optionsEdit");
      strInitial = pEdit->text().toStdString();
      pEdit->setText("-LIST hello.asm");
      bAnswer("optionsDialog", true);
    }
    vCloseWhenFinished();
  };
  EXPECT_EQ(iRun({"?", "-NOLIST", "my prog.asm"}), 0);
  EXPECT_EQ(strInitial, "-NOLIST \"my prog.asm\"");
  EXPECT_TRUE(g_win.bAsked); /* so the window stayed open after the clean run */
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"hello.asm", "hello.lst", "tmp"}));

  fnTick = [] { bAnswer("optionsDialog", false); };
  EXPECT_EQ(iRun({}), 20);
  EXPECT_EQ(strLog(), "");
}

TEST_F(WinRun, EmptyCommandLineAsksForTheSourceCancelClosesTheWindow)
{
  QStringList astrFilters;
  bool bSelect = false;
  fnTick = [&] {
    bAnswer("optionsDialog", true);
    if (QFileDialog *p = pFileDialog()) {
      EXPECT_EQ(p->windowTitle(), "Open Assembler Source");
      astrFilters = p->nameFilters();
      if (bSelect) {
        p->selectFile(QString::fromStdString(strDir + "/hello.asm"));
        static_cast<QDialog *>(p)->accept();
      } else {
        p->reject();
      }
    }
    vCloseWhenFinished();
  };
  EXPECT_EQ(iRun({}), 20);
  EXPECT_TRUE(g_win.bClosed);
  EXPECT_EQ(astrFilters, (QStringList{"Assembler Source (*.asm *.mac *.390 *.s *.a)", "All Files (*)"}));

  bSelect = true;
  EXPECT_EQ(iRun({"?", "-OBJECT"}), 0);
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"hello.asm", "hello.lst", "hello.obj", "tmp"}));
}

TEST_F(WinRun, CleanRunFromACompleteLineClosesByItselfTerminationStaysOpen)
{
  EXPECT_EQ(iRun({"hello.asm"}), 0);
  EXPECT_TRUE(g_win.bClosed);
  fnTick = vCloseWhenFinished;
  EXPECT_EQ(iRun({"nosuch.asm"}), 20);
  EXPECT_NE(strLog().find("\nKZM999I Assembly terminated with return code 20.\n"), std::string::npos) << strLog();
}

TEST_F(WinRun, PauseHoldsTheAssemblyUntilResumeExitWhilePausedEndsIt)
{
  vSource("big.asm", strProgram(30000, true));
  for (bool bExit : {false, true}) {
    int iStep = 0;
    uint32_t ulAt = 0;
    CLOCK::time_point tp;
    fnTick = [&] {
      if (iStep == 0 && g_asm.cPhase == '1' && g_asm.ulStmtNo > 0) {
        g_win.pWindow->pPause->trigger();
        EXPECT_TRUE(g_win.pWindow->pResume->isEnabled() && !g_win.pWindow->pPause->isEnabled());
        ulAt = g_asm.ulStmtNo;
        tp = CLOCK::now();
        iStep = 1;
      } else if (iStep == 1 && CLOCK::now() - tp > 300ms) {
        EXPECT_EQ(g_asm.ulStmtNo, ulAt);
        (bExit ? g_win.pWindow->pExit : g_win.pWindow->pResume)->trigger();
        iStep = 2;
      }
    };
    EXPECT_EQ(iRun({"-LIST,OBJECT", "big.asm"}), bExit ? 20 : 0);
    EXPECT_EQ(iStep, 2);
    if (bExit) {
      EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"big.asm", "hello.asm", "tmp"}));
    }
  }
}

/* Endless conditional assembly (ACTR -1) in open code and in a macro: the
   window's Exit ends the run. */
TEST_F(WinRun, EndlessActrLoopIsEndedFromTheWindow)
{
  vSource("loop.asm", "         ACTR  -1\n.L       ANOP\n         AGO   .L\n         END\n");
  vSource("mloop.asm", "         MACRO\n         SPIN\n         ACTR  -1\n.L       ANOP\n         AGO   .L\n"
                       "         MEND\n         SPIN\n         END\n");
  for (const char *pszSource : {"loop.asm", "mloop.asm"}) {
    auto tpStart = CLOCK::now();
    fnTick = [&] {
      if (CLOCK::now() - tpStart > 300ms && g_win.pWindow != nullptr) g_win.pWindow->pExit->trigger();
    };
    EXPECT_EQ(iRun({"-LIST,OBJECT", pszSource}), 20) << pszSource;
    EXPECT_LT(CLOCK::now() - tpStart, 20s) << pszSource;
  }
}

TEST_F(WinRun, CopyOnlyWithinOneBlockSaveAsWritesTheWholeLog)
{
  vSource("small.asm", "SMALL    CSECT\n"); /* no END: return code 4 keeps the window open */
  fnTick = [] {
    if (g_win.ePhase == WP_FINISHED && g_win.pWindow->pCopy->isEnabled()) {
      g_win.pWindow->pCopy->trigger();
      g_win.pWindow->close();
    }
  };
  EXPECT_EQ(iRun({"small.asm"}), 4);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), strLog());
  EXPECT_EQ(strLog().rfind(c_strBanner, 0), 0u); /* line feeds only */

  vSource("big.asm", strProgram(4000, false));
  bool bCopy = true, bSaving = false;
  fnTick = [&] {
    if (QFileDialog *p = pFileDialog()) {
      EXPECT_EQ(p->windowTitle(), "Save Assembler Messages");
      p->selectFile(QString::fromStdString(strDir + "/log.txt"));
      static_cast<QDialog *>(p)->accept();
    } else if (g_win.ePhase == WP_FINISHED && !bSaving) {
      bSaving = true;
      bCopy = g_win.pWindow->pCopy->isEnabled();
      /* the dialog runs after this tick: a timer does not fire inside its own slot */
      QTimer::singleShot(0, g_win.pWindow->pSaveAs, [] {
        g_win.pWindow->pSaveAs->trigger();
        g_win.pWindow->close();
      });
    }
  };
  EXPECT_EQ(iRun({"-TRACE(64)", "big.asm"}), 4);
  EXPECT_FALSE(bCopy);
  std::string strSaved = strRead(strDir + "/log.txt");
  EXPECT_GT(strSaved.size(), LOG_BLOCK_TEXT);
  EXPECT_EQ(strSaved, g_win.log.astrBlocks.at(0) + g_win.log.astrBlocks.at(1));
  /* one trace line per statement in phase 2: CSECT, 4000 LA and the END made for the missing one */
  std::vector<std::string> astrSaved = astrLines(strSaved);
  EXPECT_EQ(std::count_if(astrSaved.begin(), astrSaved.end(),
                          [](auto &str) { return str.rfind("KZM950I ", 0) == 0 && std::isdigit(str[8]); }),
            4002);
}

TEST_F(WinRun, ExamplesGiveTheListingsAndObjectsOfVorn)
{
  /* "2026/12/08 09.27" in the headings, the times of the summary line, the date of the END card */
  auto strMasked = [](std::string s) {
    for (size_t i = 0; i + 16 <= s.size(); i++) {
      std::string strShape = s.substr(i, 16);
      for (char &c : strShape) c = std::isdigit(static_cast<unsigned char>(c)) ? '9' : c;
      if (strShape == "9999/99/99 99.99") s.replace(i, 16, 16, 'T');
      if (s.compare(i, 13, "elapsed time ") == 0) s.erase(i, s.find('\n', i) - i);
    }
    for (size_t i = 0; i + 80 <= s.size(); i += 80)
      if (s.compare(i + 1, 3, "\xC5\xD5\xC4") == 0) s.replace(i + 47, 5, 5, '\0');
    /* the options report: time stamps, the program's own options file, and
       the terminal stream, which only the console program has */
    for (const char *psz : {"\nAssembled on ", "\nSYSDATC ", "\nSYSDATE ", "\nSYSTIME ", "\nSYSTERM", "\nLINEWIDTH"})
      for (size_t i = s.find(psz); i != std::string::npos; i = s.find(psz, i + 1))
        s.erase(i + std::strlen(psz), s.find('\n', i + 1) - i - std::strlen(psz));
    return s;
  };
  fnTick = vCloseWhenFinished;
  for (const char *pszName : {"hello", "savearea", "table", "twosects", "errors"}) {
    std::string strName = pszName, strSource = strRead(std::string(VORN_EXAMPLES) + "/" + strName + ".asm");
    for (const char *pszSub : {"/vorn", "/win"}) {
      mkdir((strDir + pszSub).c_str(), 0700);
      std::ofstream(strDir + pszSub + "/" + strName + ".asm") << strSource;
    }
    RUN run = runPiped(strDir + "/vorn", {"-LIST,OBJECT", strName + ".asm"}, nullptr);
    EXPECT_EQ(iRun({"-LIST,OBJECT", strName + ".asm"}, strDir + "/win"), run.iRc) << strName;
    for (const char *pszExt : {".lst", ".obj"}) {
      std::string strVorn = strRead(strDir + "/vorn/" + strName + pszExt);
      EXPECT_TRUE(!strVorn.empty() || strName == "errors") << strName << pszExt; /* severe errors: no object */
      EXPECT_EQ(strMasked(strRead(strDir + "/win/" + strName + pszExt)), strMasked(strVorn)) << strName << pszExt;
    }
  }
}

TEST_F(WinRun, LibexitOutputNeverReachesTheListingOrObject)
{
  /* the exit writes to the three standard descriptors and makes the member */
  vSource("exit.sh", "#!/bin/sh\necho LIBEXIT-IN >&0\necho LIBEXIT-OUT\necho LIBEXIT-ERR >&2\n"
                     "printf '         DC    C\\047A\\047\\n' > \"$(dirname \"$0\")/$1.MAC\"\n");
  chmod((strDir + "/exit.sh").c_str(), 0755);
  vSource("prog.asm", "PROG     CSECT\n         COPY  MEMBER\n         END\n");
  RUN run = runProgram({"-LIST,OBJECT,LIBEXIT(" + strDir + "/exit.sh)", "prog.asm"}, "offscreen");
  EXPECT_EQ(run.iRc, 0) << run.strOut;
  std::string strList = strRead(strDir + "/prog.lst"), strObj = strRead(strDir + "/prog.obj");
  EXPECT_NE(strList.find("DC    C'A'"), std::string::npos);
  EXPECT_EQ(strList.find("LIBEXIT-"), std::string::npos);
  EXPECT_EQ(strObj.size() % 80, 0u);
  EXPECT_EQ(strObj.find("LIBEXIT-"), std::string::npos);
}

TEST_F(WinRun, WithoutADisplayItSaysSoAndEndsWith20ButAnswersVersionAndHelp)
{
  RUN run = runProgram({"hello.asm"}, nullptr);
  EXPECT_EQ(run.iRc, 20);
  EXPECT_NE(run.strOut.find("no display"), std::string::npos) << run.strOut;
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"hello.asm", "tmp"}));
  run = runProgram({"--version"}, nullptr);
  EXPECT_EQ(run.iRc, 0);
  EXPECT_EQ(run.strOut, c_strBanner.substr(0, c_strBanner.find('\n') + 1));
  for (const char *psz : {"--help", "-h", "-?"}) {
    run = runProgram({"-LIST", psz, "hello.asm"}, nullptr);
    EXPECT_EQ(run.iRc, 0) << psz;
    EXPECT_EQ(run.strOut.rfind("Usage: vornwin [options] source...\n", 0), 0u) << run.strOut;
  }
  run = runProgram({"--", "--version"}, nullptr); /* a source after "--" */
  EXPECT_EQ(run.iRc, 20);
}

TEST_F(WinRun, OpenDialogOffersAssemblerSourcesStartsInTheLastFolderAndListsRecentSources)
{
  mkdir((strDir + "/src").c_str(), 0700);
  vSource("src/hello.asm", "HELLO    CSECT\n         END\n");
  /* the source extension of the program's own options file, read before the dialog */
  mkdir((strDir + "/prog").c_str(), 0700);
  vSource("prog/vorn.ini", "SOURCEEXT(src)\n");
  setenv("VORNDIR", (strDir + "/prog").c_str(), 1);
  QStringList astrFilters, astrRecentMenu;
  std::string strStart;
  fnTick = [&] {
    bAnswer("optionsDialog", true);
    if (QFileDialog *p = pFileDialog()) {
      astrFilters = p->nameFilters();
      strStart = p->directory().absolutePath().toStdString();
    }
    bChoose("Open Assembler Source", strDir + "/src/hello.asm");
    if (g_win.ePhase == WP_FINISHED && g_win.pWindow != nullptr && !g_win.bClosed) {
      astrRecentMenu.clear();
      for (QAction *p : g_win.pWindow->pRecent->actions()) astrRecentMenu << p->toolTip();
    }
    vCloseWhenFinished();
  };
  EXPECT_EQ(iRun({"?"}), 0);
  unsetenv("VORNDIR");
  EXPECT_EQ(astrFilters.join('|').toStdString(), "Assembler Source (*.asm *.mac *.390 *.s *.a *.src)|All Files (*)");
  EXPECT_EQ(strStart, strDir);
  EXPECT_EQ(iRun({"?"}), 0);
  EXPECT_EQ(astrFilters, (QStringList{"Assembler Source (*.asm *.mac *.390 *.s *.a)", "All Files (*)"}));
  EXPECT_EQ(strStart, strDir + "/src");
  /* the source of both runs once in the File menu */
  EXPECT_EQ(astrRecentMenu, QStringList{QString::fromStdString(strDir + "/src/hello.asm")});
  for (int i = 1; i <= 9; i++) bRecentAdd("recent/sources", QString("/s/%1.asm").arg(i), RECENT_MAX);
  bRecentAdd("recent/sources", "/s/5.asm", RECENT_MAX);
  EXPECT_EQ(
      valueSetting("recent/sources").toStringList(),
      (QStringList{"/s/5.asm", "/s/9.asm", "/s/8.asm", "/s/7.asm", "/s/6.asm", "/s/4.asm", "/s/3.asm", "/s/2.asm"}));
}

TEST_F(WinRun, OptionsDialogKeepsTheLastLinesAndAddsALibraryFolder)
{
  mkdir((strDir + "/my macs").c_str(), 0700);
  vSource("my macs/MYM.MAC", "         MACRO\n         MYM\n         DC    F'1'\n         MEND\n");
  vSource("prog.asm", "PROG     CSECT\n         MYM\n         END\n");
  QString strLine = "-NOLIST prog.asm", strLib;
  QStringList astrHistory;
  int iStep = 0;
  fnTick = [&] {
    QWidget *p = QApplication::activeModalWidget();
    bool bOptions = p != nullptr && p->objectName() == "optionsDialog";
    if (iStep == 0 && bOptions) {
      auto *pCombo = p->findChild<QComboBox *>("optionsHistory");
      astrHistory.clear();
      for (int i = 0; i < pCombo->count(); i++) astrHistory << pCombo->itemText(i);
      p->findChild<QLineEdit *>("optionsEdit")->setText(strLine);
      bool bEmpty = p->findChild<QLineEdit *>("syslibEdit")->text().isEmpty();
      if (bEmpty) vLater([p] { p->findChild<QPushButton *>("syslibFolder")->click(); });
      iStep = bEmpty ? 1 : 2;
    } else if (iStep == 1 && bChoose("Choose a Macro Library Folder", strDir + "/my macs")) {
      iStep = 2;
    } else if (iStep == 2 && bOptions) {
      strLib = p->findChild<QLineEdit *>("syslibEdit")->text();
      bAnswer("optionsDialog", true);
      iStep = 3;
    }
    vCloseWhenFinished();
  };
  EXPECT_EQ(iRun({}), 0); /* the macro was found in the folder */
  EXPECT_EQ(astrHistory, QStringList{});
  EXPECT_EQ(strLib.toStdString(), strDir + "/my macs/*.MAC");
  std::vector<std::string> astrArgs = {"-SYSLIB(\"" + strDir + "/my macs/*.MAC\")", "-NOLIST", "prog.asm"};
  EXPECT_EQ(g_win.astrArgs, astrArgs);
  EXPECT_EQ(runPiped(strDir, astrArgs, nullptr).iRc, 0); /* the console program takes the same arguments */

  iStep = 0;
  strLine = "-LIST prog.asm";
  EXPECT_EQ(iRun({}), 0);
  EXPECT_EQ(astrHistory, QStringList{"-NOLIST prog.asm"});
  EXPECT_EQ(strLib.toStdString(), strDir + "/my macs/*.MAC"); /* kept from the last time */
  EXPECT_EQ(valueSetting("options/history").toStringList(), (QStringList{"-LIST prog.asm", "-NOLIST prog.asm"}));
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"hello.asm", "my macs", "prog.asm", "prog.lst", "tmp"}));
}

TEST_F(WinRun, AfterARunWithErrorsTheMessagesLeadToTheirSourceLines)
{
  vSource("errors.asm", strRead(std::string(VORN_EXAMPLES) + "/errors.asm"));
  bool bDone = false;
  fnTick = [&] {
    if (g_win.ePhase != WP_FINISHED || bDone) return;
    bDone = true;
    VornWindow *pWin = g_win.pWindow;
    SourceView *pSource = pWin->pSource;
    LogView *pView = pWin->pView;
    pWin->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(pWin));
    EXPECT_FALSE(pWin->pSourcePane->isVisible());
    /* F8 with no current line: the first message of the run */
    QTest::keyClick(pView, Qt::Key_F8);
    EXPECT_TRUE(pWin->pSourcePane->isVisible());
    EXPECT_EQ(pSource->strPath.toStdString(), strDir + "/errors.asm");
    EXPECT_EQ(pSource->lMarked, 5);
    EXPECT_EQ(pSource->textCursor().blockNumber(), 4);
    EXPECT_NE(pSource->textCursor().block().text().indexOf("LR    1,16"), -1);
    EXPECT_EQ(pView->lCurrent, lLineOf("errors.asm(5) : KZM315E"));
    /* the log at 100 columns beside the source */
    QFontMetrics fmLog(pView->font());
    pWin->resize(180 * fmLog.horizontalAdvance('M'), 36 * fmLog.lineSpacing());
    pWin->pSplitter->setSizes({102 * fmLog.horizontalAdvance('M'), 78 * fmLog.horizontalAdvance('M')});
    QApplication::processEvents();
    vScreenshot("vornwin-errors.png");
    QFontMetrics fm(pView->font());
    EXPECT_TRUE(QFontInfo(pView->font()).fixedPitch());
    EXPECT_EQ(fm.horizontalAdvance('i'), fm.horizontalAdvance('W'));

    QTest::mouseDClick(pView->viewport(), Qt::LeftButton, {}, ptOfLine(lLineOf("errors.asm(10) : KZM322E")));
    EXPECT_EQ(pSource->lMarked, 10);
    QTest::keyClick(pView, Qt::Key_F8);
    EXPECT_EQ(pSource->lMarked, 11);
    QTest::keyClick(pView, Qt::Key_F8); /* the closing line: the first of the highest severity */
    EXPECT_EQ(pSource->lMarked, 5);
    QTest::keyClick(pView, Qt::Key_F8); /* none after the last */
    EXPECT_EQ(pSource->lMarked, 5);
    EXPECT_EQ(pWin->statusBar()->currentMessage().toStdString(), "No further message with a source line.");
    for (long lLine : {11, 10, 9, 7}) {
      QTest::keyClick(pView, Qt::Key_F8, Qt::ShiftModifier);
      EXPECT_EQ(pSource->lMarked, lLine);
    }
    /* Enter: on the banner nothing to open; two lines down the echo of line 5 */
    pView->vSetCurrent(g_win.lRunFirstLine);
    QTest::keyClick(pView, Qt::Key_Return);
    EXPECT_EQ(pSource->lMarked, 7);
    EXPECT_EQ(pWin->statusBar()->currentMessage().toStdString(), "This line names no source line.");
    QTest::keyClick(pView, Qt::Key_Down);
    QTest::keyClick(pView, Qt::Key_Down);
    QTest::keyClick(pView, Qt::Key_Enter);
    EXPECT_EQ(pSource->lMarked, 5);
    EXPECT_TRUE(pSource->isReadOnly());
    pWin->close();
  };
  EXPECT_EQ(iRun({"errors.asm"}), 12);
  EXPECT_TRUE(bDone);
}

TEST_F(WinRun, AssembleAgainRerunsAndReloadsOpenTakesAnotherSourceWithTheSameOptions)
{
  vSource("prog.asm", "PROG     CSECT\n         LR    1,16\n         END\n");
  vSource("other.asm", "OTHER    CSECT\n         END\n");
  int iStep = 0;
  std::vector<std::vector<std::string>> aastrArgs;
  QStringList astrRecent;
  fnTick = [&] {
    VornWindow *pWin = g_win.pWindow;
    if (pWin == nullptr || g_win.ePhase != WP_FINISHED || g_win.eRequest != REQ_NONE) return;
    if (iStep == 0) {
      pWin->pNext->trigger();
      EXPECT_EQ(pWin->pSource->lMarked, 2);
      vSource("prog.asm", "PROG     CSECT\n         LR    1,15\n         END\n");
      vKey(Qt::Key_F5);
      iStep = 1;
    } else if (iStep == 1 && g_win.iRuns == 2) {
      /* the pane shows the fixed source at the same line */
      EXPECT_NE(pWin->pSource->toPlainText().indexOf("LR    1,15"), -1);
      EXPECT_EQ(pWin->pSource->lMarked, 2);
      std::vector<std::string> astrLog = astrLines(strLog());
      EXPECT_EQ(std::count_if(astrLog.begin(), astrLog.end(), [](auto &str) { return str.rfind("KZM000I", 0) == 0; }),
                2);
      EXPECT_EQ(strStatus().rfind("Return code 0 after ", 0), 0u) << strStatus();
      pWin->pOpenListing->trigger();
      EXPECT_EQ(pWin->pSource->strPath.toStdString(), strDir + "/prog.lst");
      EXPECT_NE(pWin->pSource->toPlainText().indexOf("LR    1,15"), -1);
      vLater([pWin] { vKey(Qt::Key_O, Qt::ControlModifier); });
      iStep = 2;
    } else if (iStep == 2 && bChoose("Open Assembler Source", strDir + "/other.asm")) {
      iStep = 3;
    } else if (iStep == 3 && g_win.iRuns == 3) {
      aastrArgs.push_back(g_win.astrArgs);
      for (QAction *p : pWin->pRecent->actions()) astrRecent << p->toolTip();
      pWin->pRecent->actions().at(1)->trigger();
      iStep = 4;
    } else if (iStep == 4 && g_win.iRuns == 4) {
      aastrArgs.push_back(g_win.astrArgs);
      vKey(Qt::Key_Q, Qt::ControlModifier);
      iStep = 5;
    }
  };
  EXPECT_EQ(iRun({"-LIST", "prog.asm"}), 0);
  EXPECT_EQ(iStep, 5);
  EXPECT_TRUE(g_win.bClosed);
  EXPECT_EQ(aastrArgs,
            (std::vector<std::vector<std::string>>{{"-LIST", strDir + "/other.asm"}, {"-LIST", strDir + "/prog.asm"}}));
  EXPECT_EQ(astrRecent,
            (QStringList{QString::fromStdString(strDir + "/other.asm"), QString::fromStdString(strDir + "/prog.asm")}));
  EXPECT_EQ(astrFiles(strDir),
            (std::vector<std::string>{"hello.asm", "other.asm", "other.lst", "prog.asm", "prog.lst", "tmp"}));
}

TEST_F(WinRun, TheStatusBarShowsPhaseStatementAndTimeAFewTimesASecond)
{
  vSource("big.asm", strProgram(30000, false)); /* no END: return code 4 keeps the window */
  std::vector<std::string> astrPaused;
  int iShown = 0;
  CLOCK::time_point tpStart = CLOCK::now(), tpEnd, tpPause;
  char cPausedIn = '0';
  fnTick = [&] {
    if (g_win.ePhase == WP_RUNNING && !g_win.bPaused && g_asm.ulStmtNo > 0 && g_asm.cPhase > cPausedIn) {
      cPausedIn = g_asm.cPhase;
      g_win.pWindow->pPause->trigger();
      tpPause = CLOCK::now();
    } else if (g_win.bPaused && CLOCK::now() - tpPause > 100ms) {
      std::string strWant = cPausedIn == '1'
                                ? "Paused - Conditional assembly: statement " + std::to_string(g_asm.ulStmtNo) + ", "
                                : "Paused - Code generation: statement " + std::to_string(g_asm.ulStmtNo) + " of " +
                                      std::to_string(g_asm.ulStmtCount) + ", ";
      EXPECT_EQ(strStatus().rfind(strWant, 0), 0u) << strStatus() << " / " << strWant;
      astrPaused.push_back(strStatus());
      g_win.pWindow->pResume->trigger();
    } else if (g_win.ePhase == WP_FINISHED && !g_win.bClosed) {
      iShown = g_win.iStatusShown;
      tpEnd = CLOCK::now();
      EXPECT_EQ(strStatus().rfind("Return code 4 after ", 0), 0u) << strStatus();
      g_win.pWindow->close();
    }
  };
  EXPECT_EQ(iRun({"big.asm"}), 4);
  ASSERT_EQ(astrPaused.size(), 2u);
  EXPECT_NE(astrPaused[0].find(" elapsed"), std::string::npos);
  EXPECT_NE(astrPaused[1].find(" of 30002, "), std::string::npos); /* the CSECT, 30000 LA and the END made */
  /* every 250 ms at most, and twice for each pause */
  EXPECT_LE(iShown, (tpEnd - tpStart) / 250ms + 1 + 4);
}

TEST_F(WinRun, SaveAsOffersTextAndLogFilesAndTheWindowKeepsItsPlace)
{
  vSource("small.asm", "SMALL    CSECT\n");
  QStringList astrFilters;
  QSize sizeFirst, sizeShown;
  QFontMetrics fm(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  int iStep = 0;
  fnTick = [&] {
    QFileDialog *p = pFileDialog();
    if (iStep == 0 && g_win.ePhase == WP_FINISHED) {
      sizeFirst = g_win.pWindow->pView->viewport()->size();
      QApplication::clipboard()->clear();
      vKey(Qt::Key_C, Qt::ControlModifier);
      EXPECT_EQ(QApplication::clipboard()->text().toStdString(), strLog());
      vLater([] { vKey(Qt::Key_S, Qt::ControlModifier); });
      iStep = 1;
    } else if (iStep == 1 && p != nullptr) {
      astrFilters = p->nameFilters();
      /* the user picks the second file type */
      QTest::keyClick(p->findChild<QComboBox *>("fileTypeCombo"), Qt::Key_Down);
      EXPECT_EQ(p->selectedNameFilter().toStdString(), "Log Files (*.log)");
      bChoose("Save Assembler Messages", strDir + "/msgs");
      iStep = 2;
    } else if (iStep == 2 && p == nullptr) {
      vLater([] { g_win.pWindow->pSaveAs->trigger(); });
      iStep = 3;
    } else if (iStep == 3 && bChoose("Save Assembler Messages", strDir + "/plain")) {
      iStep = 4;
    } else if (iStep == 4 && p == nullptr) {
      g_win.pWindow->resize(640, 420);
      g_win.pWindow->close();
      iStep = 5;
    } else if (iStep == 10 && g_win.ePhase == WP_FINISHED) {
      sizeShown = g_win.pWindow->size();
      g_win.pWindow->close();
    }
  };
  EXPECT_EQ(iRun({"small.asm"}), 4);
  EXPECT_EQ(astrFilters, (QStringList{"Text Files (*.txt)", "Log Files (*.log)", "All Files (*)"}));
  EXPECT_EQ(strRead(strDir + "/msgs.log"), strLog());
  EXPECT_EQ(strRead(strDir + "/plain.txt"), strLog());
  /* the first window: 100 columns and 30 lines of the log font */
  EXPECT_GE(sizeFirst.width(), 100 * fm.horizontalAdvance('M'));
  EXPECT_GE(sizeFirst.height(), 30 * fm.lineSpacing());
  iStep = 10;
  EXPECT_EQ(iRun({"small.asm"}), 4);
  EXPECT_EQ(sizeShown, QSize(640, 420));
}

TEST_F(WinRun, SourcePaneNumbersLinesAsTheReaderDoesAndReadsOnlyRegularFiles)
{
  SourceView view(nullptr);
  QString strError;
  auto fnText = [&view](int iLine) { return view.document()->findBlockByNumber(iLine - 1).text().toStdString(); };
  auto fnPath = [this](const char *psz) { return QString::fromStdString(strDir + "/" + psz); };
  vSource("ends.asm", "one\r\ntwo\rthree\nfour\n\x1A");
  ASSERT_TRUE(view.bShow(fnPath("ends.asm"), 3, strError));
  EXPECT_EQ(view.blockCount(), 4);
  EXPECT_EQ(view.textCursor().blockNumber(), 2);
  EXPECT_EQ(fnText(3), "three");
  vSource("cards", std::string(80, 'A') + std::string(80, 'B') + "CC"); /* records without line ends */
  ASSERT_TRUE(view.bShow(fnPath("cards"), 0, strError));
  EXPECT_EQ(view.blockCount(), 3);
  EXPECT_EQ(fnText(3), "CC");
  vSource("latin.asm", "\xA2 cent\n\x0C"
                       "a\x01z\n");
  ASSERT_TRUE(view.bShow(fnPath("latin.asm"), 1, strError));
  EXPECT_EQ(fnText(1), "\xC2\xA2 cent");
  EXPECT_EQ(fnText(2), "a\xEF\xBF\xBDz");
  vSource("utf8.asm", "\xC2\xA2 cent\n");
  ASSERT_TRUE(view.bShow(fnPath("utf8.asm"), 1, strError));
  EXPECT_EQ(fnText(1), "\xC2\xA2 cent");
  /* a reload keeps the mark on the file as it is now */
  vSource("utf8.asm", "x\ny\nz\n");
  ASSERT_TRUE(view.bReload(strError));
  EXPECT_EQ(view.lMarked, 1);
  EXPECT_EQ(view.blockCount(), 3);

  ASSERT_EQ(mkfifo((strDir + "/fifo").c_str(), 0600), 0);
  for (const char *psz : {"fifo", "tmp", "missing.asm"}) {
    EXPECT_FALSE(view.bShow(fnPath(psz), 1, strError)) << psz;
    EXPECT_FALSE(strError.isEmpty());
  }
  EXPECT_EQ(view.strPath, fnPath("utf8.asm")); /* still the last file shown */
}

TEST(LogView, ScrolledUpItStaysWhereItIsAtTheEndItFollows)
{
  g_win = WINSTATE{};
  for (int i = 0; i < 500; i++) vLogAddLine(g_win.log, "line " + std::to_string(i));
  {
    LogView view(nullptr);
    view.resize(400, 300);
    view.show();
    view.vSync();
    int iLow = view.viewport()->height() - 2;
    auto fnShown = [&view](long lLine) {
      for (int y = 0; y < view.viewport()->height(); y++)
        if (view.lLineAt(y) == lLine) return true;
      return false;
    };
    EXPECT_EQ(view.lLineAt(iLow), 499);
    view.vSetCurrent(0); /* long gone from the display buffer, still in the log */
    EXPECT_TRUE(fnShown(0));
    vLogAddLine(g_win.log, "new");
    view.vSync();
    EXPECT_TRUE(fnShown(0));
    EXPECT_FALSE(fnShown(500));
    view.vSetCurrent(500);
    EXPECT_EQ(view.lLineAt(iLow), 500);
    vLogAddLine(g_win.log, "newer");
    view.vSync();
    EXPECT_EQ(view.lLineAt(iLow), 501);
  }
  g_win = WINSTATE{};
}

class Smoke : public WinRun {};

TEST_F(Smoke, TheWindowShowsTheMessages)
{
  if (const char *psz = std::getenv("VORNWIN_PLATFORM")) {
    EXPECT_EQ(QGuiApplication::platformName(), psz);
  }
  vSource("small.asm", "SMALL    CSECT\n");
  long lInk = -1;
  fnTick = [&] {
    if (g_win.ePhase != WP_FINISHED || lInk >= 0) return;
    LogView *pView = g_win.pWindow->pView;
    QPoint pt = pView->mapTo(g_win.pWindow, QPoint(0, 0));
    QImage img = g_win.pWindow->screen()
                     ->grabWindow(g_win.pWindow->winId(), pt.x(), pt.y(), pView->width(), pView->height())
                     .toImage();
    QRgb rgbPaper = pView->palette().color(QPalette::Base).rgb();
    lInk = 0;
    for (int y = 0; y < img.height(); y++)
      for (int x = 0; x < img.width(); x++) lInk += img.pixel(x, y) != rgbPaper;
    g_win.pWindow->close();
  };
  EXPECT_EQ(iRun({"small.asm"}), 4);
  EXPECT_GT(lInk, 200); /* the banner, the missing END and the summary line */
}

TEST_F(Smoke, ARunWithErrorsStaysOpen)
{
  vSource("errors.asm", strRead(std::string(VORN_EXAMPLES) + "/errors.asm"));
  CLOCK::time_point tpFinished;
  bool bOpen = false;
  fnTick = [&] {
    if (g_win.ePhase != WP_FINISHED || g_win.bClosed) return;
    if (tpFinished == CLOCK::time_point{}) {
      tpFinished = CLOCK::now();
      g_win.pWindow->pNext->trigger();
    } else if (CLOCK::now() - tpFinished > 500ms) {
      bOpen = g_win.pWindow->isVisible();
      QFontMetrics fm(g_win.pWindow->pView->font());
      g_win.pWindow->resize(180 * fm.horizontalAdvance('M'), 36 * fm.lineSpacing());
      g_win.pWindow->pSplitter->setSizes({102 * fm.horizontalAdvance('M'), 78 * fm.horizontalAdvance('M')});
      QApplication::processEvents();
      vScreenshot(("vornwin-errors-" + QGuiApplication::platformName().toStdString() + ".png").c_str());
      g_win.pWindow->close();
    }
  };
  EXPECT_EQ(iRun({"errors.asm"}), 12);
  EXPECT_TRUE(bOpen);
}
