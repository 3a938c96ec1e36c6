// The peripheral bus sub-page on the main window: what the grids show after entering the
// sub-page and after ticks, their shape, and the re-listing when the module comes back.
// The listing rules themselves are the core's table tests.
#include <gtest/gtest.h>

#include <QTableWidget>
#include <string>

#include "diag/ext_module_types.h"
#include "diag/sub_pages.h"
#include "diag_pages_fixture.h"
#include "sim/peripheral_setup.h"

namespace karvelm {
namespace {

class BusSheet : public DiagPagesFixture {
 protected:
  void SetUp() override {
    DiagPagesFixture::SetUp();
    Open();
  }
  QTableWidget* Grid1() { return Find<QTableWidget>("StringGrid1"); }
  QTableWidget* Grid2() { return Find<QTableWidget>("StringGrid2"); }
  static std::string Cell(QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text().toStdString() : std::string();
  }
  static uint64_t Number(QTableWidget* grid, int row, int column) {
    return std::stoull(Cell(grid, row, column));
  }
  TPeripheralBusModel& Buses() { return *links->Sim().FindModel<TPeripheralBusModel>(); }
};

TEST_F(BusSheet, GridsHaveTheirShape) {
  EXPECT_EQ(Grid1()->rowCount(), 6);
  EXPECT_EQ(Grid2()->rowCount(), 90);
  for (QTableWidget* grid : {Grid1(), Grid2()}) {
    SCOPED_TRACE(grid->objectName().toStdString());
    EXPECT_EQ(grid->columnCount(), 7);
    EXPECT_EQ(grid->columnWidth(0), 100);
    EXPECT_EQ(grid->rowHeight(1), 18);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
  }
  const char* titles[] = {"Ус-во",  "Сет.адр.", "Версия", "Регистры",
                          "Обмены", "Таймауты", "Ошибки"};
  for (int c = 0; c < 7; ++c) EXPECT_EQ(Cell(Grid1(), 0, c), titles[c]);
  // No title row in the high-speed grid: its row 0 is data.
  EXPECT_EQ(Cell(Grid2(), 0, 0), "");
}

TEST_F(BusSheet, EnteringListsTheDevicesAndEachTickMovesTheCounters) {
  ShowSubPage(dpPeripheralBus);
  ASSERT_TRUE(form->Shell().perif_bus_screen);
  const struct {
    QTableWidget* grid;
    int row, column;
    const char* text;
  } cells[] = {
      {Grid1(), 1, 0, "П.У."},
      {Grid1(), 1, 1, "0x01"},
      {Grid1(), 1, 2, "1.9.0."},
      {Grid1(), 1, 3, "177560"},
      {Grid1(), 2, 3, "177562"},
      {Grid1(), 5, 3, "166764"},
      {Grid1(), 2, 0, ""},
      {Grid2(), 0, 0, "RK-110M"},
      {Grid2(), 0, 1, "0x0A"},
      {Grid2(), 0, 2, "1.1.21."},
      {Grid2(), 0, 3, "167602"},
      {Grid2(), 6, 3, "167632"},
      {Grid2(), 7, 0, "RK-120M"},
      {Grid2(), 7, 3, "167634"},
      {Grid2(), 9, 0, "RK-130M"},
      {Grid2(), 17, 0, "RK-140M/RK-143M"},
      {Grid2(), 17, 2, "1.1.20."},
      {Grid2(), 25, 0, "RK-150M"},
      {Grid2(), 25, 2, "1.0.0. загр."},
      {Grid2(), 25, 3, ""},
      {Grid2(), 26, 0, ""},
  };
  for (const auto& cell : cells) {
    SCOPED_TRACE(cell.grid->objectName().toStdString() + " " + std::to_string(cell.row) + "," +
                 std::to_string(cell.column));
    EXPECT_EQ(Cell(cell.grid, cell.row, cell.column), cell.text);
  }
  // Counters come with the first tick's poll.
  EXPECT_EQ(Cell(Grid1(), 1, 4), "");
  EXPECT_EQ(Cell(Grid2(), 0, 4), "");

  Tick();
  const uint64_t panel = Number(Grid1(), 1, 4);
  const uint64_t first = Number(Grid2(), 0, 4);
  const uint64_t bootloaderTimeouts = Number(Grid2(), 25, 5);
  EXPECT_GE(panel, 48213u);
  EXPECT_EQ(Cell(Grid1(), 1, 5), "2");
  EXPECT_EQ(Cell(Grid1(), 2, 4), "");  // only the panel's own row
  EXPECT_EQ(Cell(Grid2(), 1, 4), "");  // a module's counters stand in its first row only
  Tick();
  EXPECT_EQ(Number(Grid1(), 1, 4), panel + 25);
  EXPECT_EQ(Number(Grid2(), 0, 4), first + 25);
  EXPECT_EQ(Number(Grid2(), 25, 5), bootloaderTimeouts + 1);
}

TEST_F(BusSheet, ModuleThatComesBackIsListedAgain) {
  ShowSubPage(dpPeripheralBus);
  ASSERT_EQ(Cell(Grid2(), 7, 0), "RK-120M");
  Buses().extModules.erase({1, 0});
  links->Sim().Faults().silentAfter = 0;
  Ticks(2);
  ASSERT_FALSE(form->Shell().fw_state.connected);
  EXPECT_EQ(Cell(Grid2(), 7, 0), "RK-120M");  // the listing stays while the module is away
  links->Sim().Faults().silentAfter = kSimAlways;
  Ticks(2);
  ASSERT_TRUE(form->Shell().fw_state.connected);
  EXPECT_EQ(Cell(Grid2(), 7, 0), "RK-130M");
  EXPECT_EQ(Cell(Grid2(), 7, 4).empty(), false);  // polled in the same tick
}

TEST_F(BusSheet, HighSpeedGridGrowsForEveryListedRegisterAndShrinksBack) {
  TSimPeripheralSetup full;
  for (const TExtModuleType& type : kExtModuleTypes) {
    if (type.registerBase == 0) continue;
    for (int index = 0; index < type.instances; ++index) {
      TSimExtModuleSetup module;
      module.type = type.code;
      module.index = static_cast<uint32_t>(index);
      module.info.NetAddress = static_cast<uint32_t>(type.firstSlot + index + 1);
      module.info.RegisterMap = SimRegisterMap(0xFFFF);
      module.info.Version = 0x01000000;
      full.modules.push_back(module);
    }
  }
  ApplyPeripheralSetup(links->Sim(), full);
  ShowSubPage(dpPeripheralBus);
  ASSERT_EQ(Grid2()->rowCount(), 15 * 16);
  EXPECT_EQ(Cell(Grid2(), 15 * 16 - 16, 0), "RK-150M");
  EXPECT_EQ(Cell(Grid2(), 15 * 16 - 1, 3), "167776");
  Tick();
  EXPECT_FALSE(Cell(Grid2(), 15 * 16 - 16, 4).empty());

  links->MakeLively();
  ShowMainPage(mpDeviceParameters);
  ShowMainPage(mpDiagnostics);
  EXPECT_EQ(Grid2()->rowCount(), 90);
  EXPECT_EQ(Cell(Grid2(), 25, 0), "RK-150M");
}

}  // namespace
}  // namespace karvelm
