/*
** logview.cpp - the log display of the window: the lines of the log painted
** from the bottom up in the system's fixed font, each word-wrapped to the
** width and cut to DISPLAY_LINE_MAX characters, coloured by the severity of
** its message; the summary lines bold on a band of their own.
**
** The scroll bar's value is the line shown lowest; its minimum is the
** lowest line that still fills the view, so the oldest lines never float
** below an empty top.
*/
#include "vornwin.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace {

constexpr int MARGIN = 3; /* pixels left of the text */

QString strShown(size_t ulLine)
{
  std::string str = strLogLine(g_win.log, ulLine).substr(0, DISPLAY_LINE_MAX);
  return QString::fromLocal8Bit(str.data(), static_cast<qsizetype>(str.size()));
}

long lLines() { return static_cast<long>(ulLogLines(g_win.log)); }

QColor colorOf(char cSeverity, const QPalette &palette)
{
  switch (cSeverity) {
  case 'W':
    return QColor(0xA0, 0x5A, 0x00);
  case 'E':
    return QColor(0xC0, 0x10, 0x10);
  case 'S':
    return QColor(0x90, 0x00, 0x90);
  default:
    return palette.color(QPalette::Text);
  }
}

} // namespace

LogView::LogView(QWidget *pParent) : QAbstractScrollArea(pParent)
{
  setObjectName("logView");
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  viewport()->setAutoFillBackground(true);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setForegroundRole(QPalette::Text);
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setRange(0, 0);
}

long LogView::lBottom() const
{
  long lCount = lLines();
  return bFollow ? lCount - 1 : std::min(static_cast<long>(verticalScrollBar()->value()), lCount - 1);
}

int LogView::iLineHeight(long lLine) const
{
  QFontMetrics fm(font());
  auto fnAdvance = [&fm](QChar c) { return fm.horizontalAdvance(c); };
  int iWidth = std::max(1, viewport()->width() - MARGIN);
  return static_cast<int>(aWrapRows(strShown(static_cast<size_t>(lLine)), iWidth, fnAdvance).size()) * fm.lineSpacing();
}

void LogView::vVisible(const std::function<bool(long, int, int)> &fn) const
{
  int iBottom = viewport()->height();
  for (long l = lBottom(); l >= 0 && iBottom > 0; l--) {
    int iHeight = iLineHeight(l);
    if (!fn(l, iBottom - iHeight, iBottom)) return;
    iBottom -= iHeight;
  }
}

void LogView::vSync()
{
  long lCount = lLines();
  /* the lowest line with which the oldest lines fill the view */
  long lMin = 0;
  for (int iFilled = 0; lMin < lCount; lMin++) {
    iFilled += iLineHeight(lMin);
    if (iFilled >= viewport()->height()) break;
  }
  long lMax = std::max(0L, lCount - 1);
  lMin = std::min(lMin, lMax);
  QScrollBar *pBar = verticalScrollBar();
  bool bWasFollowing = bFollow;
  pBar->setRange(static_cast<int>(lMin), static_cast<int>(lMax));
  pBar->setPageStep(std::max(1, viewport()->height() / std::max(1, QFontMetrics(font()).lineSpacing())));
  if (bWasFollowing) pBar->setValue(pBar->maximum());
  bFollow = bWasFollowing || pBar->value() == pBar->maximum();
}

void LogView::vSetCurrent(long lLine)
{
  long lCount = lLines();
  if (lCount == 0) return;
  lCurrent = std::clamp(lLine, 0L, lCount - 1);
  bool bInView = false;
  vVisible([&](long l, int iTop, int) {
    if (l == lCurrent) bInView = iTop >= 0;
    return l > lCurrent;
  });
  if (!bInView) {
    vSync();
    /* the line about the middle of the view */
    long lBottomLine = lCurrent;
    for (int iHeight = iLineHeight(lCurrent); lBottomLine + 1 < lCount && iHeight < viewport()->height() / 2;)
      iHeight += iLineHeight(++lBottomLine);
    if (lCurrent > lBottom()) lBottomLine = std::max(lBottomLine, lCurrent);
    bFollow = lBottomLine >= verticalScrollBar()->maximum();
    verticalScrollBar()->setValue(static_cast<int>(lBottomLine));
  }
  viewport()->update();
}

long LogView::lLineAt(int iY)
{
  long lFound = -1;
  vVisible([&](long l, int iTop, int iBottom) {
    if (iY >= iTop && iY < iBottom) lFound = l;
    return lFound < 0 && iTop > iY;
  });
  return lFound;
}

void LogView::paintEvent(QPaintEvent *)
{
  QPainter painter(viewport());
  QFontMetrics fm(font());
  QFont fontBold = font();
  fontBold.setBold(true);
  auto fnAdvance = [&fm](QChar c) { return fm.horizontalAdvance(c); };
  const QPalette &pal = palette();
  int iWidth = viewport()->width();
  vVisible([&](long l, int iTop, int iBottom) {
    LINEINFO info = infoOfLine(strLogLine(g_win.log, static_cast<size_t>(l)));
    char cSeverity = info.cSeverity;
    QRect rc(0, iTop, iWidth, iBottom - iTop);
    if (info.bSummary) {
      painter.fillRect(rc, pal.color(QPalette::AlternateBase));
      painter.setPen(pal.color(QPalette::Mid));
      painter.drawLine(0, iTop, iWidth, iTop);
    }
    if (l == lCurrent) {
      QColor color = pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
      color.setAlpha(70);
      painter.fillRect(rc, color);
      painter.setPen(pal.color(QPalette::Highlight));
      painter.drawRect(rc.adjusted(0, 0, -1, -1));
    }
    painter.setFont(info.bSummary || cSeverity == 'S' ? fontBold : font());
    painter.setPen(colorOf(cSeverity, pal));
    QString str = strShown(static_cast<size_t>(l));
    int iY = iTop;
    for (const WRAPROW &row : aWrapRows(str, std::max(1, iWidth - MARGIN), fnAdvance)) {
      painter.drawText(MARGIN, iY + fm.ascent(), str.mid(row.iStart, row.iLen));
      iY += fm.lineSpacing();
    }
    return true;
  });
}

void LogView::mousePressEvent(QMouseEvent *pEvent)
{
  if (pEvent->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(pEvent);
  long lLine = lLineAt(pEvent->position().toPoint().y());
  if (lLine >= 0) {
    lCurrent = lLine;
    viewport()->update();
  }
}

void LogView::mouseDoubleClickEvent(QMouseEvent *pEvent)
{
  long lLine = lLineAt(pEvent->position().toPoint().y());
  if (pEvent->button() != Qt::LeftButton || lLine < 0) return;
  lCurrent = lLine;
  viewport()->update();
  if (fnActivate) fnActivate(lLine);
}

void LogView::keyPressEvent(QKeyEvent *pEvent)
{
  long lCount = lLines();
  switch (pEvent->key()) {
  case Qt::Key_Up:
    vSetCurrent(lCurrent < 0 ? lBottom() : lCurrent - 1);
    break;
  case Qt::Key_Down:
    vSetCurrent(lCurrent < 0 ? lBottom() : lCurrent + 1);
    break;
  case Qt::Key_Home:
    vSetCurrent(0);
    break;
  case Qt::Key_End:
    vSetCurrent(lCount - 1);
    break;
  case Qt::Key_PageUp:
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    break;
  case Qt::Key_PageDown:
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    break;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    if (lCurrent >= 0 && fnActivate) fnActivate(lCurrent);
    break;
  default:
    QAbstractScrollArea::keyPressEvent(pEvent);
  }
}

void LogView::resizeEvent(QResizeEvent *pEvent)
{
  QAbstractScrollArea::resizeEvent(pEvent);
  vSync();
}

void LogView::scrollContentsBy(int, int)
{
  bFollow = verticalScrollBar()->value() == verticalScrollBar()->maximum();
  viewport()->update();
}
