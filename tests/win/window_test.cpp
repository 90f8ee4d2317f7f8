/* The windowed assembler driven in-process: dialogs, pause and resume, the
   outcomes, Copy and Save As; the real program for what only a process
   shows (standard streams, no display). */
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
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
  }
};

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
  EXPECT_EQ(astrFilters, (QStringList{"Assembler Source (*.390)", "All Files (*)"}));

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

TEST_F(WinRun, WithoutADisplayItSaysSoAndEndsWith20)
{
  RUN run = runProgram({"hello.asm"}, nullptr);
  EXPECT_EQ(run.iRc, 20);
  EXPECT_NE(run.strOut.find("no display"), std::string::npos) << run.strOut;
  EXPECT_EQ(astrFiles(strDir), (std::vector<std::string>{"hello.asm", "tmp"}));
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
