/*
** window.cpp - the window of the windowed assembler: the log display, the
** menus, the options and About dialogs, Copy and Save As.
**
** The window is sized from the font: 20 times (3 average plus 1 widest
** character) wide and 20 lines high, centred on the screen's available area.
*/
#include "vornwin.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <cstring>

const char c_szTitle[] = "Velmora 390 Cross Assembler";

namespace {

const char c_szProduct[] = "Velmora 390 Cross Assembler 1.2.00";
const char c_szNotice[] = "System/390 assembler language, cross assembled on this host.";
constexpr int OPTIONS_MAX = 4000; /* characters of the options dialog's command line */

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

} // namespace

bool bOptionsDialog(QWidget *pParent, const std::string &strInitial, std::string &strText)
{
  QDialog dialog(pParent);
  dialog.setObjectName("optionsDialog");
  dialog.setWindowTitle("Specify Assembler Options");
  auto *pLayout = new QVBoxLayout(&dialog);
  vDialogHead(&dialog, pLayout);
  auto *pGroup = new QGroupBox("Assembler Options", &dialog);
  auto *pEdit = new QLineEdit(QString::fromLocal8Bit(strInitial.c_str()), pGroup);
  pEdit->setObjectName("optionsEdit");
  pEdit->setMaxLength(OPTIONS_MAX);
  pEdit->setMinimumWidth(pEdit->fontMetrics().averageCharWidth() * 60);
  (new QVBoxLayout(pGroup))->addWidget(pEdit);
  pLayout->addWidget(pGroup);
  auto *pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  pLayout->addWidget(pButtons);
  if (dialog.exec() != QDialog::Accepted) return false;
  strText = pEdit->text().toLocal8Bit().toStdString();
  return true;
}

LogView::LogView(QWidget *pParent) : QWidget(pParent)
{
  setObjectName("logView");
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setForegroundRole(QPalette::Text);
}

void LogView::paintEvent(QPaintEvent *)
{
  QPainter painter(this);
  QFontMetrics fm(font());
  auto fnAdvance = [&fm](QChar c) { return fm.horizontalAdvance(c); };
  int iBottom = height();
  for (const auto &strLine : g_win.log.astrDisplay) {
    if (iBottom <= 0) break;
    QString str = QString::fromLocal8Bit(strLine.data(), static_cast<qsizetype>(strLine.size()));
    std::vector<WRAPROW> aRows = aWrapRows(str, width(), fnAdvance);
    for (auto it = aRows.rbegin(); it != aRows.rend() && iBottom > 0; ++it) {
      iBottom -= fm.lineSpacing();
      painter.drawText(0, iBottom + fm.ascent(), str.mid(it->iStart, it->iLen));
    }
  }
}

VornWindow::VornWindow()
{
  setWindowTitle(c_szTitle);
  setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
  pView = new LogView(this);
  setCentralWidget(pView);

  QMenu *pFile = menuBar()->addMenu("&File");
  pCopy = pFile->addAction("&Copy", this, &VornWindow::vCopy);
  pSaveAs = pFile->addAction("Save &As...", this, &VornWindow::vSaveAs);
  pFile->addSeparator();
  pExit = pFile->addAction("E&xit", this, &QWidget::close);
  pPause = menuBar()->addAction("&Pause", this, [this] { vPauseSet(true); });
  pResume = menuBar()->addAction("&Resume", this, [this] { vPauseSet(false); });
  pAbout = menuBar()->addMenu("&Help")->addAction("&About...", this, &VornWindow::vAbout);
  pCopy->setEnabled(false);
  pSaveAs->setEnabled(false);
  pResume->setEnabled(false);

  QFontMetrics fm(pView->font());
  QSize size(20 * (3 * fm.averageCharWidth() + fm.maxWidth()), 20 * fm.lineSpacing() + menuBar()->sizeHint().height());
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

void VornWindow::vRunFinished()
{
  g_win.bPaused = false;
  pPause->setEnabled(false);
  pResume->setEnabled(false);
  bool bText = ulLogBytes(g_win.log) > 0;
  pSaveAs->setEnabled(bText);
  pCopy->setEnabled(bText && bLogFitsBlock(g_win.log));
}

void VornWindow::closeEvent(QCloseEvent *pEvent)
{
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
  QApplication::clipboard()->setText(QString::fromLocal8Bit(strBlock.data(), static_cast<qsizetype>(strBlock.size())));
}

void VornWindow::vSaveAs()
{
  QFileDialog dialog(this, "Save Assembler Messages");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({"Text Files (*.txt)", "All Files (*)"});
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
