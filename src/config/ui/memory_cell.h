// One cell of the memory page's bank/page map: a static text drawn from its TMemoryCellView.
// Clickable cells (the first cell of a ROM region) show the hand cursor and report clicks.
#pragma once

#include <QLabel>

#include "config/memory_map_view.h"

namespace karvelm {

class TMemoryCell final : public QLabel {
  Q_OBJECT

 public:
  TMemoryCell(int bank, int page, QWidget* parent = nullptr);

  void Show(const TMemoryCellView& view);
  const TMemoryCellView& View() const { return FView; }

 signals:
  void Clicked(TMemoryCell* cell);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TMemoryCellView FView;
  QPalette FNormal;
};

}  // namespace karvelm
