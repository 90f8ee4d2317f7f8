/*
** sourceview.cpp - the source pane: a source or listing file read only, in
** the system's fixed font, with line numbers in a gutter and one line
** marked.
**
** Only regular files of at most SOURCE_MAX bytes are read, so a FIFO or a
** device named in a message can neither block the window nor fill its
** memory.  Text that is not UTF-8 is taken as Latin-1.  Lines are split as
** the source reader splits them, so the numbers are the ones in messages;
** control characters other than tabs are shown as U+FFFD, form feeds of a
** listing's page control are left out.
*/
#include "vornwin.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>

namespace {

constexpr qint64 SOURCE_MAX = 64LL << 20;
constexpr int CARD = 80; /* the record length of a file without line ends */

class Gutter : public QWidget {
public:
  explicit Gutter(SourceView *pView) : QWidget(pView), m_pView(pView) {}
  QSize sizeHint() const override { return {m_pView->iGutterWidth(), 0}; }

protected:
  void paintEvent(QPaintEvent *pEvent) override { m_pView->vPaintGutter(pEvent); }

private:
  SourceView *m_pView;
};

bool bReadText(const QString &strPath, QString &strText, QString &strError)
{
  QFileInfo fi(strPath);
  if (!fi.exists()) {
    strError = "no such file";
    return false;
  }
  if (!fi.isFile()) {
    strError = "not a regular file";
    return false;
  }
  QFile file(strPath);
  if (!file.open(QIODevice::ReadOnly)) {
    strError = file.errorString();
    return false;
  }
  QByteArray data = file.read(SOURCE_MAX + 1);
  if (file.error() != QFileDevice::NoError) {
    strError = file.errorString();
    return false;
  }
  if (data.size() > SOURCE_MAX) {
    strError = "larger than 64 MiB";
    return false;
  }
  if (data.endsWith('\x1A')) data.chop(1);
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  strText = decoder.decode(data);
  if (decoder.hasError()) strText = QString::fromLatin1(data);
  if (!data.contains('\n') && !data.contains('\r')) {
    QString strCards;
    for (qsizetype i = 0; i < strText.size(); i += CARD) strCards += strText.mid(i, CARD) + '\n';
    strText = strCards;
  } else {
    strText.replace("\r\n", "\n");
    strText.replace('\r', '\n');
  }
  strText.remove('\f');
  for (QChar &c : strText)
    if ((c.unicode() < 0x20 && c != '\n' && c != '\t') || c.unicode() == 0x7F) c = QChar::ReplacementCharacter;
  if (strText.endsWith('\n')) strText.chop(1);
  return true;
}

} // namespace

SourceView::SourceView(QWidget *pParent) : QPlainTextEdit(pParent)
{
  setObjectName("sourceView");
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  pGutter = new Gutter(this);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(iGutterWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rc, int iDy) {
    if (iDy != 0)
      pGutter->scroll(0, iDy);
    else
      pGutter->update(0, rc.y(), pGutter->width(), rc.height());
  });
  setViewportMargins(iGutterWidth(), 0, 0, 0);
}

int SourceView::iGutterWidth() const
{
  int iDigits = 1;
  for (int i = std::max(1, blockCount()); i >= 10; i /= 10) iDigits++;
  return (iDigits + 1) * fontMetrics().horizontalAdvance('9') + 8;
}

void SourceView::resizeEvent(QResizeEvent *pEvent)
{
  QPlainTextEdit::resizeEvent(pEvent);
  QRect rc = contentsRect();
  pGutter->setGeometry(rc.left(), rc.top(), iGutterWidth(), rc.height());
}

void SourceView::vPaintGutter(QPaintEvent *pEvent)
{
  QPainter painter(pGutter);
  painter.fillRect(pEvent->rect(), palette().color(QPalette::Window));
  QFont fontBold = font();
  fontBold.setBold(true);
  QTextBlock block = firstVisibleBlock();
  int iTop = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && iTop <= pEvent->rect().bottom()) {
    int iBottom = iTop + qRound(blockBoundingRect(block).height());
    if (block.isVisible() && iBottom >= pEvent->rect().top()) {
      bool bMarked = block.blockNumber() + 1 == lMarked;
      if (bMarked) painter.fillRect(0, iTop, pGutter->width(), iBottom - iTop, QColor(0xF0, 0xC0, 0x40));
      painter.setFont(bMarked ? fontBold : font());
      painter.setPen(palette().color(bMarked ? QPalette::Text : QPalette::PlaceholderText));
      painter.drawText(0, iTop, pGutter->width() - 4, iBottom - iTop, Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(block.blockNumber() + 1));
    }
    block = block.next();
    iTop = iBottom;
  }
}

void SourceView::vMark()
{
  QList<QTextEdit::ExtraSelection> aSelections;
  if (lMarked > 0) {
    QTextBlock block = document()->findBlockByNumber(static_cast<int>(std::min<long>(lMarked, blockCount()) - 1));
    QTextEdit::ExtraSelection sel;
    sel.format.setBackground(QColor(0xFF, 0xEC, 0xA0));
    sel.format.setProperty(QTextFormat::FullWidthSelection, true);
    sel.cursor = QTextCursor(block);
    aSelections << sel;
    setTextCursor(QTextCursor(block));
    centerCursor();
  }
  setExtraSelections(aSelections);
  pGutter->update();
}

bool SourceView::bShow(const QString &strFile, long lLine, QString &strError)
{
  QFileInfo fi(strFile);
  QString strAbsolute = fi.absoluteFilePath();
  bool bSame = strAbsolute == strPath && fi.size() == llSize && fi.lastModified().toMSecsSinceEpoch() == llModified;
  if (!bSame) {
    QString strText;
    if (!bReadText(strAbsolute, strText, strError)) return false;
    setPlainText(strText);
    strPath = strAbsolute;
    llSize = fi.size();
    llModified = fi.lastModified().toMSecsSinceEpoch();
  }
  lMarked = lLine;
  vMark();
  return true;
}

bool SourceView::bReload(QString &strError)
{
  if (strPath.isEmpty()) return true;
  int iScroll = verticalScrollBar()->value();
  llSize = -1;
  if (!bShow(strPath, lMarked, strError)) return false;
  verticalScrollBar()->setValue(iScroll);
  return true;
}
