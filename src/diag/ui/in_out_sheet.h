// The input/output sub-page TabSheet7: the ten input and six output words of the legacy boards,
// the six output entries with their write buttons, and the loop-back test with its 32 result
// circles, over TInOutPage and RunLoopback.
#pragma once

#include <QObject>
#include <array>

#include "base/data_page.h"
#include "base/shell_services.h"
#include "diag/board_io.h"
#include "diag/loopback_test.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace karvelm {

class TBitsLabel;
class TResultShape;

class TInOutSheet final : public QObject, public TDataPage {
 public:
  TInOutSheet(QWidget& sheet, TPageRegistry& registry, TShellServices& services);

  // ReadBoardRegisters.
  void Read() override;
  // ShowInOutRegisters.
  void Show() override;

  // The loop-back test (Button1): on the user-interface thread with Timer1 off; its waits let
  // the window paint, so each circle shows its result as soon as the bit is decided.
  void Button1Click();
  void OutpChange(int tag);
  void OutputClick(int tag);

  const TInOutPage& Model() const { return FModel; }

 private:
  QWidget* WordsBox();
  QWidget* TestBox();
  QWidget* ResultsBox();
  QWidget* OutputWord(const TBoardWordLabel& label);
  bool eventFilter(QObject* watched, QEvent* event) override;

  TPageRegistry& FRegistry;
  TShellServices& FServices;
  TInOutPage FModel;
  std::array<TBitsLabel*, kBoardWordLabels.size()> FWordLabels{};
  std::array<QLineEdit*, kBoardOutputWords> FEdits{};
  std::array<QToolButton*, kBoardOutputWords> FButtons{};
  // Low-word row in 0..15, high-word row in 16..31; bit i of a row in entry i (right to left).
  std::array<TResultShape*, 2 * kLoopbackBits> in_out_test_shape{};
  QComboBox* ComboBox9 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QComboBox* ComboBox10 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QComboBox* ComboBox11 = nullptr;
  QPushButton* Button1 = nullptr;
};

}  // namespace karvelm
