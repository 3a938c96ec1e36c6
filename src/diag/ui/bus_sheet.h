// The peripheral bus sub-page TabSheet6: the devices of the low-speed bus (StringGrid1) and of
// the high-speed bus (StringGrid2) with their counters, from TPeripheralBusPage.
#pragma once

#include <QObject>

#include "base/data_page.h"
#include "diag/bus_page.h"

class QTableWidget;
class QWidget;

namespace karvelm {

class TPeripheralBusSheet final : public QObject, public TDataPage {
 public:
  TPeripheralBusSheet(QWidget& sheet, TPageRegistry& registry);

  // PollBusStatistics.
  void Read() override;
  // ShowBusStatistics.
  void Show() override;
  // ScanPeripheralBuses.
  void Relist() override;

  const TPeripheralBusPage& Model() const { return FModel; }

 private:
  void ShowTables();

  TPageRegistry& FRegistry;
  TPeripheralBusPage FModel;
  QTableWidget* StringGrid1 = nullptr;
  QTableWidget* StringGrid2 = nullptr;
};

}  // namespace karvelm
