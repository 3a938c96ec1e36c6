#include "diag/ui/bit_widgets.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

#include "base/ui/guarded_connect.h"

namespace karvelm {

namespace {

constexpr int kBits = 16;

QFont BitsFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(12);
  return font;
}

}  // namespace

TBitsLabel::TBitsLabel(const char* name, const QString& text) : QLabel(text) {
  if (name) setObjectName(name);
  setFont(BitsFont());
  setFixedSize(kBitsLabelWidth, QFontMetrics(font()).height() + 4);
}

TBitsLabel* TBitsLabel::Heading(const char* numbers) {
  auto* heading = new TBitsLabel(nullptr, QString::fromUtf8(numbers));
  heading->FFramed = false;
  return heading;
}

void TBitsLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // A sunken static text, as the words stand on the page.
  if (FFramed) {
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  painter.setFont(font());
  painter.setPen(palette().color(foregroundRole()));
  const QString shown = text();
  for (int i = 0; i < shown.size() && i < kBits; ++i)
    painter.drawText(QRect(i * kBitCellWidth, 0, kBitCellWidth, height()), Qt::AlignCenter,
                     shown.mid(i, 1));
}

void TBitsLabel::mousePressEvent(QMouseEvent* event) {
  if (!OnMouseDown) {
    QLabel::mousePressEvent(event);
    return;
  }
  // An exception must not leave an event handler into Qt; it goes to the report.
  try {
    OnMouseDown(static_cast<int>(event->position().x()));
  } catch (...) {
    ReportCurrentException();
  }
}

TResultShape::TResultShape(const QString& name) {
  setObjectName(name);
  setFixedSize(sizeHint());
}

void TResultShape::SetBrush(const QColor& colour) {
  FBrush = colour;
  repaint();
}

void TResultShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(FBrush);
  painter.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

}  // namespace karvelm
