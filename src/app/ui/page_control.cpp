#include "app/ui/page_control.h"

#include <QFontMetrics>
#include <QResizeEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <algorithm>

namespace karvelm {

namespace {

// Space around a caption inside its tab; the style's own is far wider than seven tabs allow.
constexpr int kTabTextPadding = 10;
constexpr int kTabLinePadding = 6;
// The face never shrinks below this share of the window's own.
constexpr double kSmallestFace = 0.7;
constexpr double kFaceStep = 0.5;

}  // namespace

TFittedTabBar::TFittedTabBar(QWidget* parent) : QTabBar(parent), FBaseFace(font()) {
  setObjectName("PageControl1TabBar");
  setUsesScrollButtons(false);
  setElideMode(Qt::ElideNone);
  setExpanding(false);
  setDrawBase(false);
}

QStringList TFittedTabBar::Lines(int index, const QFontMetrics& metrics) const {
  const QString text = tabText(index);
  if (!FWrapped) return {text};
  QStringList best{text};
  int bestWidth = metrics.horizontalAdvance(text);
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != ' ') continue;
    const QString first = text.left(i);
    const QString second = text.mid(i + 1);
    const int width = std::max(metrics.horizontalAdvance(first), metrics.horizontalAdvance(second));
    if (width < bestWidth) {
      bestWidth = width;
      best = {first, second};
    }
  }
  return best;
}

QSize TFittedTabBar::HintFor(int index, const QFont& face) const {
  const QFontMetrics metrics(face);
  int width = 0;
  for (const QString& line : Lines(index, metrics))
    width = std::max(width, metrics.horizontalAdvance(line));
  const int lines = FWrapped ? 2 : 1;
  return {width + kTabTextPadding, lines * metrics.lineSpacing() + kTabLinePadding * 2};
}

QSize TFittedTabBar::tabSizeHint(int index) const {
  return HintFor(index, font());
}

int TFittedTabBar::TotalWidth(const QFont& face) const {
  int total = 0;
  for (int i = 0; i < count(); ++i) {
    if (isTabVisible(i)) total += HintFor(i, face).width();
  }
  return total;
}

void TFittedTabBar::FitTo(int width) {
  if (width <= 0) return;
  QFont face = FBaseFace;
  const double base = FBaseFace.pointSizeF();
  // One line at the window's face where that fits, else two lines and a face that shrinks.
  FWrapped = false;
  if (TotalWidth(face) > width) {
    FWrapped = true;
    for (double size = base; size >= base * kSmallestFace; size -= kFaceStep) {
      face.setPointSizeF(size);
      if (TotalWidth(face) <= width) break;
    }
  }
  if (face != font()) setFont(face);
  updateGeometry();
  update();
}

void TFittedTabBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  const QFontMetrics metrics(font());
  const int shift = style()->pixelMetric(QStyle::PM_TabBarTabShiftVertical, nullptr, this);
  auto drawTab = [&](int index) {
    QStyleOptionTab option;
    initStyleOption(&option, index);
    option.text.clear();
    painter.drawControl(QStyle::CE_TabBarTabShape, option);
    QRect textRect = option.rect;
    // The selected tab stands higher than the others, as the style draws its shape.
    if (option.state & QStyle::State_Selected) {
      textRect.adjust(0, 0, 0, -shift);
    } else {
      textRect.adjust(0, shift, 0, 0);
    }
    style()->drawItemText(&painter, textRect, Qt::AlignCenter, option.palette,
                          option.state & QStyle::State_Enabled, Lines(index, metrics).join('\n'),
                          QPalette::WindowText);
  };
  // The selected tab last, so that its shape lies over its neighbours'.
  for (int i = 0; i < count(); ++i) {
    if (isTabVisible(i) && i != currentIndex()) drawTab(i);
  }
  if (currentIndex() >= 0 && isTabVisible(currentIndex())) drawTab(currentIndex());
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), FBar(new TFittedTabBar) {
  setTabBar(FBar);
}

void TPageControl::RemovePage(QWidget& sheet) {
  const int index = indexOf(&sheet);
  if (index < 0) return;
  if (!FParking) {
    FParking = new QWidget(this);
    FParking->setObjectName("RemovedPages");
    FParking->hide();
  }
  removeTab(index);
  sheet.setParent(FParking);
}

void TPageControl::resizeEvent(QResizeEvent* event) {
  FBar->FitTo(event->size().width());
  QTabWidget::resizeEvent(event);
}

void TPageControl::tabInserted(int index) {
  QTabWidget::tabInserted(index);
  FBar->FitTo(width());
}

void TPageControl::tabRemoved(int index) {
  QTabWidget::tabRemoved(index);
  FBar->FitTo(width());
}

}  // namespace karvelm
