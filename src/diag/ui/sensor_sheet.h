// The position-sensor sub-page on TabSheet9: the eight counters and the count test with its
// results.
#pragma once

#include <QObject>
#include <array>

#include "base/data_page.h"
#include "base/shell_services.h"
#include "diag/sensor_page.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;

namespace karvelm {

class TSensorSheet final : public QObject, public TDataPage {
 public:
  // Registers itself as the page of bsd_screen.
  TSensorSheet(QWidget& sheet, TPageRegistry& registry, TShellServices& services);

  // TDataPage: ReadSensorCounters, ShowSensorCounters.
  void Read() override { FPage.Read(); }
  void Show() override;

  void Button17Click();

 private:
  TPageRegistry& FRegistry;
  TShellServices& FServices;
  TSensorPage FPage;
  std::array<QLabel*, kSensorChannels> FCountLabels{};
  QComboBox* ComboBox12 = nullptr;
  QComboBox* ComboBox13 = nullptr;
  QComboBox* ComboBox14 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  // [wiring][step]
  std::array<std::array<QLabel*, 3>, 2> FResults{};
};

}  // namespace karvelm
