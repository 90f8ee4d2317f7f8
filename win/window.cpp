/*
** window.cpp - the window of the windowed assembler: the menus, the status
** bar, the options, open and About dialogs, Copy and Save As, the settings,
** and the way from a message to its source line.
**
** The first window is sized for 100 columns and 30 lines of the log font,
** within the screen's available area and centred in it; later windows take
** the size and place the last one had.  The source pane is hidden until a
** file is shown; the first time it opens the window widens for it.
*/
#include "vornwin.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include <cstring>

const char c_szTitle[] = "Velmora 390 Cross Assembler";

namespace {

const char c_szProduct[] = "Velmora 390 Cross Assembler 1.2.00";
const char c_szNotice[] = "System/390 assembler language, cross assembled on this host.";
constexpr int OPTIONS_MAX = 4000; /* characters of the options dialog's command line */
constexpr int STATUS_NOTE_MS = 10000;
/* extensions of assembler sources besides the one the core asks for */
const char *const c_apszSourceExts[] = {"asm", "mac", "390", "s", "a"};

/* The head of both dialogs: icon, product text and notice text. */
void vDialogHead(QDialog *pDialog, QVBoxLayout *pLayout)
{
  auto *pRow = new QHBoxLayout;
  auto *pIcon = new QLabel(pDialog);
  pIcon->setPixmap(pDialog->style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
  auto *pTexts = new QVBoxLayout;
  pTexts->addWidget(new QLabel(c_szProduct, pDialog));
  pTexts->addWidget(new QLabel(c_szNotice, pDialog));
  pRow->addWidget(pIcon, 0, Qt::AlignTop);
  pRow->addLayout(pTexts, 1);
  pLayout->addLayout(pRow);
}

void vBox(QWidget *pParent, const char *pszTitle, const QString &strText)
{
  QApplication::beep();
  QMessageBox::warning(pParent, pszTitle, strText);
}

void vNote(const QString &strText)
{
  if (g_win.pWindow != nullptr) g_win.pWindow->statusBar()->showMessage(strText, STATUS_NOTE_MS);
}

QString strLocal(const std::string &str)
{
  return QString::fromLocal8Bit(str.data(), static_cast<qsizetype>(str.size()));
}

/* A name from a message or an option, relative to the runs' directory. */
QString strResolved(const QString &strName)
{
  if (QFileInfo(strName).isAbsolute()) return strName;
  return QDir(strLocal(g_win.strDir)).filePath(strName);
}

/* The folder button of the options dialog: a member pattern for the folder
   chosen, after the paths already in the field. */
void vAddLibraryFolder(QWidget *pParent, QLineEdit *pLib)
{
  QFileDialog dialog(pParent, "Choose a Macro Library Folder", strLocal(g_win.strDir));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  QString strText = pLib->text().trimmed();
  if (!strText.isEmpty() && !strText.endsWith(';')) strText += ';';
  pLib->setText(strText + QDir(dialog.selectedFiles().front()).filePath("*.MAC"));
}

} // namespace

QVariant valueSetting(const QString &strKey, const QVariant &valueDefault)
{
  QSettings settings("vorn", "vornwin");
  return settings.value(strKey, valueDefault);
}

bool bSetSetting(const QString &strKey, const QVariant &value)
{
  QSettings settings("vorn", "vornwin");
  settings.setValue(strKey, value);
  settings.sync();
  if (settings.status() == QSettings::NoError) return true;
  vNote(QString("The settings could not be written to %1.").arg(settings.fileName()));
  return false;
}

bool bRecentAdd(const QString &strKey, const QString &strValue, int iMax)
{
  QStringList astr = valueSetting(strKey).toStringList();
  astr.removeAll(strValue);
  astr.prepend(strValue);
  while (astr.size() > iMax) astr.removeLast();
  return bSetSetting(strKey, astr);
}

bool bOptionsDialog(QWidget *pParent, const std::string &strInitial, std::vector<std::string> &astrArgs)
{
  QDialog dialog(pParent);
  dialog.setObjectName("optionsDialog");
  dialog.setWindowTitle("Specify Assembler Options");
  auto *pLayout = new QVBoxLayout(&dialog);
  vDialogHead(&dialog, pLayout);
  auto *pGroup = new QGroupBox("Assembler Options", &dialog);
  auto *pGrid = new QGridLayout(pGroup);
  auto *pCombo = new QComboBox(pGroup);
  pCombo->setObjectName("optionsHistory");
  pCombo->setEditable(true);
  pCombo->setInsertPolicy(QComboBox::NoInsert);
  pCombo->setCompleter(nullptr);
  pCombo->addItems(valueSetting("options/history").toStringList());
  QLineEdit *pEdit = pCombo->lineEdit();
  pEdit->setObjectName("optionsEdit");
  pEdit->setMaxLength(OPTIONS_MAX);
  pEdit->setText(strLocal(strInitial));
  pCombo->setMinimumWidth(pEdit->fontMetrics().averageCharWidth() * 60);
  auto *pLineLabel = new QLabel("&Options and source files, as for vorn:", pGroup);
  pLineLabel->setBuddy(pCombo);
  auto *pLib = new QLineEdit(valueSetting("options/syslib").toString(), pGroup);
  pLib->setObjectName("syslibEdit");
  pLib->setMaxLength(OPTIONS_MAX);
  auto *pLibLabel = new QLabel("&SYSLIB, the macro and COPY libraries (';' between paths):", pGroup);
  pLibLabel->setBuddy(pLib);
  auto *pFolder = new QPushButton("&Folder...", pGroup);
  pFolder->setObjectName("syslibFolder");
  pFolder->setAutoDefault(false);
  QObject::connect(pFolder, &QPushButton::clicked, &dialog, [&dialog, pLib] { vAddLibraryFolder(&dialog, pLib); });
  pGrid->addWidget(pLineLabel, 0, 0, 1, 2);
  pGrid->addWidget(pCombo, 1, 0, 1, 2);
  pGrid->addWidget(pLibLabel, 2, 0, 1, 2);
  pGrid->addWidget(pLib, 3, 0);
  pGrid->addWidget(pFolder, 3, 1);
  pLayout->addWidget(pGroup);
  auto *pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  pLayout->addWidget(pButtons);
  if (dialog.exec() != QDialog::Accepted) return false;
  QString strLine = pEdit->text();
  if (!strLine.trimmed().isEmpty()) bRecentAdd("options/history", strLine, OPTION_HISTORY_MAX);
  bSetSetting("options/syslib", pLib->text());
  astrArgs = astrSplitCommandLine(strLine.toLocal8Bit().toStdString());
  /* first, so that a SYSLIB option on the line itself still wins */
  std::string strSyslib = strSyslibOption(pLib->text().toLocal8Bit().toStdString());
  if (!strSyslib.empty()) astrArgs.insert(astrArgs.begin(), strSyslib);
  return true;
}

QString strAskSourceFile(QWidget *pParent, const QString &strDir, const QString &strExt)
{
  QStringList astrPatterns;
  for (const char *psz : c_apszSourceExts) astrPatterns << QString("*.%1").arg(psz);
  QString strCore = "*." + strExt.toLower();
  if (!strExt.isEmpty() && !astrPatterns.contains(strCore)) astrPatterns << strCore;
  QString strStart = strDir;
  if (strStart.isEmpty()) strStart = valueSetting("open/folder").toString();
  if (strStart.isEmpty() || !QFileInfo(strStart).isDir()) strStart = strLocal(g_win.strDir);
  QFileDialog dialog(pParent, "Open Assembler Source", strStart);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QString("Assembler Source (%1)").arg(astrPatterns.join(' ')), "All Files (*)"});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  QString strPath = dialog.selectedFiles().front();
  bSetSetting("open/folder", QFileInfo(strPath).absolutePath());
  return strPath;
}

VornWindow::VornWindow()
{
  setWindowTitle(c_szTitle);
  setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
  pView = new LogView(this);
  pView->fnActivate = [this](long lLine) { bOpenMessage(lLine); };
  pSourcePane = new QWidget(this);
  pSourcePane->setObjectName("sourcePane");
  auto *pPaneLayout = new QVBoxLayout(pSourcePane);
  pPaneLayout->setContentsMargins(0, 0, 0, 0);
  pPaneLayout->setSpacing(2);
  pSourceTitle = new QLabel(pSourcePane);
  pSourceTitle->setObjectName("sourceTitle");
  pSourceTitle->setTextFormat(Qt::PlainText);
  pSource = new SourceView(pSourcePane);
  pPaneLayout->addWidget(pSourceTitle);
  pPaneLayout->addWidget(pSource, 1);
  pSourcePane->hide();
  pSplitter = new QSplitter(Qt::Horizontal, this);
  pSplitter->addWidget(pView);
  pSplitter->addWidget(pSourcePane);
  pSplitter->setChildrenCollapsible(false);
  setCentralWidget(pSplitter);
  pStatus = new QLabel(this);
  pStatus->setObjectName("runStatus");
  statusBar()->addWidget(pStatus, 1);

  QMenu *pFile = menuBar()->addMenu("&File");
  pOpen = pFile->addAction("&Open...", QKeySequence::Open, this, &VornWindow::vOpen);
  pOpenListing = pFile->addAction("Open &Listing", QKeySequence(Qt::CTRL | Qt::Key_L), this, &VornWindow::vOpenListing);
  pRecent = pFile->addMenu("Recent &Sources");
  pFile->addSeparator();
  pCopy = pFile->addAction("&Copy", QKeySequence::Copy, this, &VornWindow::vCopy);
  pSaveAs = pFile->addAction("Save &As...", QKeySequence(Qt::CTRL | Qt::Key_S), this, &VornWindow::vSaveAs);
  pFile->addSeparator();
  pExit = pFile->addAction("E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q), this, &QWidget::close);
  QMenu *pRun = menuBar()->addMenu("R&un");
  pRerun = pRun->addAction("&Assemble Again", QKeySequence(Qt::Key_F5), this, [this] { vRequest(REQ_RERUN, ""); });
  pRun->addSeparator();
  pNext = pRun->addAction("&Next Message", QKeySequence(Qt::Key_F8), this, [this] { vStepMessage(1); });
  pPrevious =
      pRun->addAction("&Previous Message", QKeySequence(Qt::SHIFT | Qt::Key_F8), this, [this] { vStepMessage(-1); });
  pPause = menuBar()->addAction("&Pause", this, [this] { vPauseSet(true); });
  pResume = menuBar()->addAction("&Resume", this, [this] { vPauseSet(false); });
  pAbout = menuBar()->addMenu("&Help")->addAction("&About...", this, &VornWindow::vAbout);
  for (QAction *p : {pOpen, pOpenListing, pCopy, pSaveAs, pRerun, pResume}) p->setEnabled(false);
  pRecent->setEnabled(false);
  vRecentUpdate();

  if (restoreGeometry(valueSetting("window/geometry").toByteArray())) return;
  QFontMetrics fm(pView->font());
  QSize size(100 * fm.horizontalAdvance('M') + 2 * pView->frameWidth() +
                 pView->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8,
             30 * fm.lineSpacing() + 2 * pView->frameWidth() + menuBar()->sizeHint().height() +
                 statusBar()->sizeHint().height());
  if (QScreen *pScreen = QGuiApplication::primaryScreen()) {
    QRect rcWork = pScreen->availableGeometry();
    size = size.boundedTo(rcWork.size());
    resize(size);
    move(rcWork.center() - QPoint(size.width() / 2, size.height() / 2));
  } else {
    resize(size);
  }
}

void VornWindow::vPauseSet(bool bPaused)
{
  g_win.bPaused = bPaused;
  pPause->setEnabled(!bPaused);
  pResume->setEnabled(bPaused);
}

void VornWindow::vRunStarted()
{
  g_win.bPaused = false;
  pPause->setEnabled(true);
  for (QAction *p : {pOpen, pOpenListing, pCopy, pSaveAs, pRerun, pResume}) p->setEnabled(false);
  pRecent->setEnabled(false);
  pView->lCurrent = -1;
  pView->viewport()->update();
}

void VornWindow::vRunFinished()
{
  g_win.bPaused = false;
  pPause->setEnabled(false);
  pResume->setEnabled(false);
  bool bText = ulLogBytes(g_win.log) > 0;
  pSaveAs->setEnabled(bText);
  pCopy->setEnabled(bText && bLogFitsBlock(g_win.log));
  pOpen->setEnabled(true);
  pRerun->setEnabled(true);
  pOpenListing->setEnabled(!g_win.strListing.empty());
  vRecentUpdate();
  pView->vSync();
  pView->viewport()->update();
}

void VornWindow::vRecentUpdate()
{
  pRecent->clear();
  QStringList astr = valueSetting("recent/sources").toStringList();
  for (int i = 0; i < astr.size(); i++) {
    QString strPath = astr[i];
    QString strShown = fontMetrics().elidedText(QDir::toNativeSeparators(strPath), Qt::ElideMiddle,
                                                60 * fontMetrics().averageCharWidth());
    QAction *p = pRecent->addAction(QString("&%1 %2").arg(i + 1).arg(strShown.replace('&', "&&")), this,
                                    [this, strPath] { vRequest(REQ_OPEN, strPath.toLocal8Bit().toStdString()); });
    p->setToolTip(strPath);
  }
  pRecent->setEnabled(!astr.isEmpty() && g_win.ePhase == WP_FINISHED);
}

void VornWindow::vRequest(WINREQUEST eRequest, const std::string &strSource)
{
  if (g_win.ePhase != WP_FINISHED || g_win.bClosed) return;
  g_win.eRequest = eRequest;
  g_win.strRequestSource = strSource;
}

void VornWindow::vOpen()
{
  QString strPath = strAskSourceFile(this, {}, strLocal(g_win.strExt));
  if (!strPath.isEmpty()) vRequest(REQ_OPEN, strPath.toLocal8Bit().toStdString());
}

void VornWindow::vOpenListing()
{
  if (g_win.strListing.empty()) {
    vNote("The last run wrote no listing.");
    return;
  }
  bShowFile(strResolved(strLocal(g_win.strListing)), 0);
}

bool VornWindow::bShowFile(const QString &strPath, long lLine)
{
  QString strError;
  if (!pSource->bShow(strPath, lLine, strError)) {
    QApplication::beep();
    vNote(QString("Cannot show %1: %2").arg(QDir::toNativeSeparators(strPath), strError));
    return false;
  }
  pSourceTitle->setText(lLine > 0 ? QString("%1, line %2").arg(QDir::toNativeSeparators(strPath)).arg(lLine)
                                  : QDir::toNativeSeparators(strPath));
  if (pSourcePane->isHidden()) {
    /* room for a card image beside the log */
    int iWant = 86 * pSource->fontMetrics().horizontalAdvance('M') + pSource->iGutterWidth();
    if (!isMaximized() && !isFullScreen()) {
      int iWidth = width() + iWant;
      if (QScreen *pScreen = screen()) iWidth = std::min(iWidth, pScreen->availableGeometry().width());
      resize(iWidth, height());
    }
    pSourcePane->show();
    int iTotal = pSplitter->width();
    pSplitter->setSizes({std::max(iTotal - iWant, iTotal / 3), std::min(iWant, iTotal * 2 / 3)});
  }
  return true;
}

bool VornWindow::bOpenMessage(long lLine)
{
  if (lLine < 0 || static_cast<size_t>(lLine) >= ulLogLines(g_win.log)) return false;
  LINEINFO info = infoOfLine(strLogLine(g_win.log, static_cast<size_t>(lLine)));
  if (info.strFile.empty()) {
    vNote("This line names no source line.");
    return false;
  }
  return bShowFile(strResolved(strLocal(info.strFile)), static_cast<long>(info.ulLine));
}

void VornWindow::vStepMessage(int iStep)
{
  long lCount = static_cast<long>(ulLogLines(g_win.log));
  long lFrom = pView->lCurrent >= 0 ? pView->lCurrent + iStep : iStep > 0 ? g_win.lRunFirstLine : lCount - 1;
  for (long l = lFrom; l >= 0 && l < lCount; l += iStep) {
    LINEINFO info = infoOfLine(strLogLine(g_win.log, static_cast<size_t>(l)));
    if (info.cSeverity == 0 || info.strFile.empty()) continue;
    pView->vSetCurrent(l);
    bOpenMessage(l);
    return;
  }
  QApplication::beep();
  vNote(iStep > 0 ? "No further message with a source line." : "No earlier message with a source line.");
}

void VornWindow::closeEvent(QCloseEvent *pEvent)
{
  bSetSetting("window/geometry", saveGeometry());
  if (g_win.ePhase != WP_FINISHED) {
    /* the run ends at its next poll, which then closes the window */
    g_win.bCloseRequested = true;
    pEvent->ignore();
    return;
  }
  g_win.bClosed = true;
  pEvent->accept();
}

void VornWindow::vCopy()
{
  if (!bLogFitsBlock(g_win.log) || g_win.log.astrBlocks.empty()) {
    QApplication::beep();
    return;
  }
  const std::string &strBlock = g_win.log.astrBlocks.front();
  QApplication::clipboard()->setText(strLocal(strBlock));
}

void VornWindow::vSaveAs()
{
  QFileDialog dialog(this, "Save Assembler Messages", strLocal(g_win.strDir));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({"Text Files (*.txt)", "Log Files (*.log)", "All Files (*)"});
  dialog.setDefaultSuffix("txt");
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &strFilter) {
    dialog.setDefaultSuffix(strFilter.contains("*.txt") ? "txt" : strFilter.contains("*.log") ? "log" : "");
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  QString strPath = dialog.selectedFiles().front();
  int iErr = 0;
  SAVERESULT eResult = eLogSave(g_win.log, strPath.toLocal8Bit().toStdString(), iErr);
  if (eResult == SAVE_OPEN)
    vBox(this, "File Open Failure",
         QString("Open failed for file \"%1\": %2").arg(strPath, QString::fromLocal8Bit(std::strerror(iErr))));
  else if (eResult == SAVE_WRITE)
    vBox(this, "Write Failure",
         QString("Write failed for file \"%1\": %2").arg(strPath, QString::fromLocal8Bit(std::strerror(iErr))));
  else
    vNote(QString("The messages were saved in %1.").arg(QDir::toNativeSeparators(strPath)));
}

void VornWindow::vAbout()
{
  QDialog dialog(this);
  dialog.setObjectName("aboutDialog");
  dialog.setWindowTitle("About vornwin");
  auto *pLayout = new QVBoxLayout(&dialog);
  vDialogHead(&dialog, pLayout);
  auto *pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  pLayout->addWidget(pButtons);
  dialog.exec();
}
