// The main page control: every tab in view at once within the fixed window width. Long captions
// are drawn on two lines and the tab face shrinks until the tabs fit; the captions themselves
// (tabText) stay as they are. No scroll arrows: a tab that cannot be seen cannot be reached.
#pragma once

#include <QStringList>
#include <QTabBar>
#include <QTabWidget>

namespace karvelm {

class TFittedTabBar final : public QTabBar {
 public:
  explicit TFittedTabBar(QWidget* parent = nullptr);

  // Chooses the line layout and face with which every visible tab fits into width.
  void FitTo(int width);

 protected:
  QSize tabSizeHint(int index) const override;
  QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
  void paintEvent(QPaintEvent* event) override;

 private:
  // The caption as drawn: one line, or two split at the space that keeps the longer line short.
  QStringList Lines(int index, const QFontMetrics& metrics) const;
  QSize HintFor(int index, const QFont& face) const;
  int TotalWidth(const QFont& face) const;

  QFont FBaseFace;
  bool FWrapped = false;
};

class TPageControl final : public QTabWidget {
 public:
  explicit TPageControl(QWidget* parent = nullptr);

  TFittedTabBar& Bar() { return *FBar; }
  // Takes the page out of the control for good; the sheet stays alive, hidden, as a child, so
  // whatever was built on it keeps working. Nothing can select it afterwards.
  void RemovePage(QWidget& sheet);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void tabInserted(int index) override;
  void tabRemoved(int index) override;

 private:
  TFittedTabBar* FBar;
  QWidget* FParking = nullptr;
};

}  // namespace karvelm
