// Widgets of the board views: a word as its 16 bit characters, one fixed cell per bit so that
// the characters stand under their bit numbers and a click finds its bit; and the round result
// mark of the loop-back test.
#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>
#include <functional>

namespace karvelm {

constexpr int kBitCellWidth = 8;
constexpr int kBitsLabelWidth = 132;  // 16 cells and 4 pixels to spare

class TBitsLabel final : public QLabel {
 public:
  explicit TBitsLabel(const char* name = nullptr, const QString& text = QString());
  // The bit numbers above a column of words, without the word's frame.
  static TBitsLabel* Heading(const char* numbers);
  // Mouse presses of any button, with x in the label; empty: the label takes no clicks.
  std::function<void(int x)> OnMouseDown;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool FFramed = true;
};

// A shape drawn as a filled circle with a thin outline.
class TResultShape final : public QWidget {
 public:
  explicit TResultShape(const QString& name);
  QColor Brush() const { return FBrush; }
  // The new colour, painted at once: the window shows each result as it is decided.
  void SetBrush(const QColor& colour);
  QSize sizeHint() const override { return {11, 11}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor FBrush = Qt::white;
};

}  // namespace karvelm
