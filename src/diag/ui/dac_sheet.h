// The DAC sub-page on TabSheet8: the eight channel rows (register, entry, write button, sawtooth
// test button), the calibration group GroupBox3 and the store button. The sawtooth runs on the
// diagnostics pages' DACTimer, which replaces the supervision tick while it runs.
#pragma once

#include <QObject>
#include <QPalette>
#include <array>

#include "base/data_page.h"
#include "base/shell_services.h"
#include "diag/dac_page.h"
#include "diag/dac_sawtooth.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QWidget;

namespace karvelm {

class TDacSheet final : public QObject, public TDataPage {
 public:
  // Registers itself as the page of dac_screen.
  TDacSheet(QWidget& sheet, QTimer& dacTimer, TPageRegistry& registry, TShellServices& services);

  // TDataPage: ReadDacState, ShowDacRegisters, and the entry step of PageControl2Change.
  void Read() override { FPage.Read(); }
  void Show() override;
  void Relist() override;

  void DACChange(int tag);
  void DACClick(int tag);
  void DACTestClick(int tag);
  void DACTimerTimer();
  void DACcorClick(QPushButton& button);
  void Button16Click();

 private:
  void ShowCorrections();

  TPageRegistry& FRegistry;
  TShellServices& FServices;
  QTimer& DACTimer;
  TDacPage FPage;
  TSawtoothTest FSawtooth;
  std::array<QLabel*, kDacRegisterWords> FValueLabels{};
  std::array<QLineEdit*, kDacRegisterWords> FEdits{};
  std::array<QToolButton*, kDacRegisterWords> FWriteButtons{};
  std::array<QPushButton*, kDacRegisterWords> FTestButtons{};
  // cal_controls: the correction labels of channels 1..8.
  std::array<QLabel*, kDacRegisterWords> cal_controls{};
  QGroupBox* GroupBox3 = nullptr;
  QPalette FNormal;
  QPalette FError;
};

}  // namespace karvelm
