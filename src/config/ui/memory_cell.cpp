#include "config/ui/memory_cell.h"

#include <QMouseEvent>

namespace karvelm {

namespace {

constexpr int kCellWidth = 55;
constexpr int kCellHeight = 45;

// The view's lines end in LF CR; a label breaks at LF and would draw the CR.
QString DisplayText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.remove('\r');
  return shown;
}

}  // namespace

TMemoryCell::TMemoryCell(int bank, int page, QWidget* parent) : QLabel(parent) {
  setObjectName(MemoryCellComponent(bank, page));
  setFixedSize(kCellWidth, kCellHeight);
  setAlignment(Qt::AlignCenter);
  FNormal = palette();
  FView.bank = bank;
  FView.page = page;
  FView.text = kRamCellText;
  Show(FView);
}

void TMemoryCell::Show(const TMemoryCellView& view) {
  FView = view;
  setText(DisplayText(view.text));
  setFrameStyle(view.bevel == cbTiled ? QFrame::Panel | QFrame::Raised : QFrame::NoFrame);
  QPalette colours = FNormal;
  if (view.colour == ccBlue) colours.setColor(QPalette::WindowText, Qt::blue);
  setPalette(colours);
  QFont face = font();
  face.setUnderline(view.underline);
  setFont(face);
  setProperty("tag", view.tag);
  // StaticText21MouseEnter / MouseLeave: the hand only over cells that load a page.
  if (view.clickable()) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
}

void TMemoryCell::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QLabel::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  if (rect().contains(event->position().toPoint())) emit Clicked(this);
}

}  // namespace karvelm
