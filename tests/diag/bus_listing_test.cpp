#include "diag/bus_listing.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace karvelm {
namespace {

struct TCell {
  int row;
  int column;
  std::string text;
};

struct TListingCase {
  const char* name;
  std::function<void(TDiagRecords&)> setup;
  std::vector<TCell> low;   // every other cell of rows 1..5 is empty
  std::vector<TCell> high;  // every other cell is empty
};

void PrintTo(const TListingCase& c, std::ostream* os) {
  *os << c.name << " (" << c.low.size() << " low and " << c.high.size() << " high cells)";
}

ExtModuleInfo& Slot(TDiagRecords& r, uint8_t type, int index) {
  return r.extModules[static_cast<size_t>(ExtModuleSlot(type, index))];
}

void Module(TDiagRecords& r, uint8_t type, int index, uint32_t address, uint32_t version,
            std::vector<int> served) {
  ExtModuleInfo& slot = Slot(r, type, index);
  slot.NetAddress = address;
  slot.Version = version;
  slot.RegisterMap.fill(0xFF);
  for (int i : served) slot.RegisterMap[static_cast<size_t>(i)] = 0x01;
}

std::vector<int> AllSixteen() {
  std::vector<int> all(16);
  for (int i = 0; i < 16; ++i) all[static_cast<size_t>(i)] = i;
  return all;
}

const TListingCase kListingCases[] = {
    {"NothingPresent", [](TDiagRecords&) {}, {}, {}},
    {"PanelFlagsButVersionZero",
     [](TDiagRecords& r) {
       r.panelLink = {1, 1, 0};
     },
     {},
     {}},
    {"PanelVersionButNoFlags",
     [](TDiagRecords& r) {
       r.panelLink = {0, 0, 0x01090000};
     },
     {},
     {}},
    {"OnlyPanelRegisters",
     [](TDiagRecords& r) {
       r.panelLink = {0, 1, 0x01090000};
     },
     {{1, 0, "П.У."},
      {1, 1, "0x01"},
      {1, 2, "1.9.0."},
      {1, 3, "166760"},
      {2, 3, "166762"},
      {3, 3, "166764"}},
     {}},
    {"ConsoleAndPanelRegisters",
     [](TDiagRecords& r) {
       r.panelLink = {7, 1, 0x01040000};
     },
     {{1, 0, "П.У."},
      {1, 1, "0x01"},
      {1, 2, "1.4.0."},
      {1, 3, "177560"},
      {2, 3, "177562"},
      {3, 3, "166760"},
      {4, 3, "166762"},
      {5, 3, "166764"}},
     {}},
    {"TypeZeroServingTwoRegisters",
     [](TDiagRecords& r) {
       Module(r, 0, 0, 5, 0x01011500, {1, 3});
     },
     {},
     {{0, 0, "RK-110M"}, {0, 1, "0x05"}, {0, 2, "1.1.21."}, {0, 3, "167602"}, {1, 3, "167606"}}},
    {"BootloaderMarkAndHexAddress",
     [](TDiagRecords& r) { Module(r, 3, 1, 26, 0x01000AB0, {0}); },
     {},
     {{0, 0, "RK-140M/RK-143M"}, {0, 1, "0x1A"}, {0, 2, "1.0.10. загр."}, {0, 3, "167700"}}},
    {"ListingOrderFollowsTheTypeTable",
     [](TDiagRecords& r) {
       Module(r, 2, 0, 0x30, 0x01000000, {7});
       Module(r, 6, 3, 0x20, 0x02000000, {15});
       Module(r, 0, 2, 0x10, 0x03000000, {0});
     },
     {},
     {{0, 0, "RK-110M"},
      {0, 1, "0x10"},
      {0, 2, "3.0.0."},
      {0, 3, "167600"},
      {1, 0, "RK-110M"},
      {1, 1, "0x20"},
      {1, 2, "2.0.0."},
      {1, 3, "167776"},
      {2, 0, "RK-130M"},
      {2, 1, "0x30"},
      {2, 2, "1.0.0."},
      {2, 3, "167656"}}},
    {"TypeFiveAfterTypeFourKeepsBothRows",
     [](TDiagRecords& r) {
       Module(r, 5, 0, 0x50, 0x01000000, AllSixteen());  // its map is never listed
       Module(r, 4, 0, 0x40, 0x01020300, {0, 1});
     },
     {},
     {{0, 0, "RK-150M"},
      {0, 1, "0x40"},
      {0, 2, "1.2.3."},
      {0, 3, "167740"},
      {1, 3, "167742"},
      {2, 0, "RK-???M"},
      {2, 1, "0x50"},
      {2, 2, "1.0.0."}}},
    {"ModuleWithoutRegistersGetsItsOwnRow",
     [](TDiagRecords& r) {
       Module(r, 0, 0, 0x01, 0x01000000, {});
       Module(r, 0, 1, 0x02, 0x01000000, {4});
     },
     {},
     {{0, 0, "RK-110M"},
      {0, 1, "0x01"},
      {0, 2, "1.0.0."},
      {1, 0, "RK-110M"},
      {1, 1, "0x02"},
      {1, 2, "1.0.0."},
      {1, 3, "167610"}}},
};

class BusListing : public ::testing::TestWithParam<TListingCase> {};

TEST_P(BusListing, CellsAreExactlyTheListedOnes) {
  const TListingCase& c = GetParam();
  TDiagRecords records;
  c.setup(records);
  const TBusTables tables = BusTables(ListBusDevices(records));

  for (int col = 0; col < kBusColumns; ++col)
    EXPECT_EQ(tables.low[0][static_cast<size_t>(col)], kBusColumnTitles[static_cast<size_t>(col)]);
  ASSERT_EQ(tables.high.size(), static_cast<size_t>(kHighSpeedRows));

  auto check = [](const auto& grid, const std::vector<TCell>& expected, size_t firstRow,
                  const char* which) {
    for (size_t row = firstRow; row < grid.size(); ++row)
      for (int col = 0; col < kBusColumns; ++col) {
        std::string want;
        for (const TCell& cell : expected)
          if (cell.row == static_cast<int>(row) && cell.column == col) want = cell.text;
        EXPECT_EQ(grid[row][static_cast<size_t>(col)], want)
            << which << " row " << row << " column " << col;
      }
  };
  check(tables.low, c.low, 1, "low");
  check(tables.high, c.high, 0, "high");
}

INSTANTIATE_TEST_SUITE_P(Cases, BusListing, ::testing::ValuesIn(kListingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BusListing, MoreThanNinetyRowsGrowTheTable) {
  TDiagRecords records;
  for (int i = 0; i < 4; ++i) Module(records, 0, i, 0x10 + i, 0x01000000, AllSixteen());
  for (int i = 0; i < 4; ++i) Module(records, 6, i, 0x20 + i, 0x01000000, AllSixteen());
  TBusTables tables = BusTables(ListBusDevices(records));
  records.extStats[7] = {7, 7, 7};
  ShowBusStatistics(true, records, tables);
  ASSERT_EQ(tables.high.size(), 128u);
  EXPECT_EQ(tables.high[63][bcRegister], "167636");
  EXPECT_EQ(tables.high[64][bcDevice], "RK-110M");
  EXPECT_EQ(tables.high[64][bcAddress], "0x20");
  EXPECT_EQ(tables.high[64][bcRegister], "167740");
  EXPECT_EQ(tables.high[112][bcExchanges], "7") << "the last module's counters";
  EXPECT_EQ(tables.high[127][bcRegister], "167776");
  tables.Clear();
  EXPECT_EQ(tables.high.size(), static_cast<size_t>(kHighSpeedRows)) << "a new scan starts at 90";
}

TEST(BusListing, TableRowIsTheModulesFirstRowAndTheJsonFieldsFollowTheRecords) {
  TDiagRecords records;
  Module(records, 0, 0, 0x05, 0x01011500, {0, 1, 2});
  Module(records, 3, 0, 0x0A, 0x010203B0, {0});
  records.panelLink = {1, 0, 0x01090000};
  const TBusListing listing = ListBusDevices(records);

  EXPECT_EQ(Slot(records, 0, 0).TableRow, 0);
  EXPECT_EQ(Slot(records, 3, 0).TableRow, 3);
  ASSERT_TRUE(listing.panel);
  EXPECT_TRUE(listing.panel->console);
  EXPECT_FALSE(listing.panel->panelRegisters);
  EXPECT_EQ(listing.panel->registers, (std::vector<std::string>{"177560", "177562"}));
  ASSERT_EQ(listing.modules.size(), 2u);
  const TModuleListing& sensor = listing.modules[1];
  EXPECT_EQ(sensor.type, 3);
  EXPECT_EQ(sensor.index, 0);
  EXPECT_EQ(sensor.address, 0x0Au);
  EXPECT_EQ(sensor.version, 0x010203B0u);
  EXPECT_TRUE(sensor.bootloader);
  EXPECT_FALSE(listing.modules[0].bootloader);
}

TEST(BusListing, CountersGoToEachModulesFirstRowAsUnsignedDecimal) {
  TDiagRecords records;
  Module(records, 0, 0, 0x05, 0x01000000, {0, 1});
  Module(records, 5, 0, 0x06, 0x01000000, {});
  Module(records, 1, 1, 0x07, 0x01000000, {3});
  records.panelLink = {1, 1, 0x01000000};
  TBusTables tables = BusTables(ListBusDevices(records));
  records.panelStats = {0xFFFFFFFF, 2, 3};
  records.extStats[0] = {10, 11, 12};
  records.extStats[static_cast<size_t>(ExtModuleSlot(1, 1))] = {20, 21, 22};
  records.extStats[static_cast<size_t>(ExtModuleSlot(5, 0))] = {30, 31, 32};

  TBusTables untouched = tables;
  ShowBusStatistics(false, records, untouched);
  EXPECT_EQ(untouched.high, tables.high) << "nothing while not connected";
  EXPECT_EQ(untouched.low, tables.low);

  ShowBusStatistics(true, records, tables);
  EXPECT_EQ(tables.low[1][bcExchanges], "4294967295");
  EXPECT_EQ(tables.low[1][bcTimeouts], "2");
  EXPECT_EQ(tables.low[2][bcExchanges], "") << "only the panel's first row";
  EXPECT_EQ(tables.high[0][bcExchanges], "10");
  EXPECT_EQ(tables.high[0][bcErrors], "12");
  EXPECT_EQ(tables.high[1][bcExchanges], "") << "a module's later rows stay empty";
  EXPECT_EQ(tables.high[2][bcExchanges], "20");
  EXPECT_EQ(tables.high[3][bcExchanges], "") << "type 5 has no counters";
  EXPECT_EQ(tables.high[3][bcDevice], "RK-???M");
}

TEST(BusListing, HiddenPanelRowGetsNoCounters) {
  TDiagRecords records;
  records.panelLink = {1, 1, 0};
  records.panelStats = {1, 2, 3};
  TBusTables tables = BusTables(ListBusDevices(records));
  ShowBusStatistics(true, records, tables);
  EXPECT_EQ(tables.low[1][bcExchanges], "");
}

}  // namespace
}  // namespace karvelm
