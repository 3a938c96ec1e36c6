// The listing rules of the peripheral bus view: which devices get rows, in which order, and
// the texts of their cells. The CLI's JSON and the two grids are built from the same
// listing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "diag/diag_records.h"

namespace karvelm {

constexpr int kBusColumns = 7;
constexpr int kLowSpeedRows = 6;    // row 0 holds the titles
constexpr int kHighSpeedRows = 90;  // at least; the table grows when more rows are listed
constexpr int kBusFixedColumnWidth = 100;
constexpr int kBusRowHeight = 18;

enum TBusColumn : int {
  bcDevice = 0,
  bcAddress,
  bcVersion,
  bcRegister,
  bcExchanges,
  bcTimeouts,
  bcErrors,
};

inline constexpr std::array<const char*, kBusColumns> kBusColumnTitles = {
    "Ус-во", "Сет.адр.", "Версия", "Регистры", "Обмены", "Таймауты", "Ошибки"};
constexpr const char* kLowSpeedTitle = "Низкоскоростная шина";
constexpr const char* kHighSpeedTitle = "Высокоскоростная шина";
constexpr const char* kPanelName = "П.У.";
constexpr const char* kPanelAddressText = "0x01";
constexpr const char* kBootloaderMark = " загр.";
constexpr uint8_t kBootloaderVersionByte = 0xB0;

struct TPanelListing {
  bool console = false;
  bool panelRegisters = false;
  uint32_t version = 0;
  std::string versionText;
  std::vector<std::string> registers;  // octal texts, at most five
};

struct TModuleListing {
  uint8_t type = 0;
  int index = 0;
  int slot = 0;
  std::string name;
  uint32_t address = 0;
  std::string addressText;  // "0x1A"
  uint32_t version = 0;
  std::string versionText;  // with " загр." while the module runs its bootloader
  bool bootloader = false;
  std::vector<std::string> registers;  // octal texts
  int row = 0;                         // its first row in the high-speed table
};

struct TBusListing {
  std::optional<TPanelListing> panel;   // none: the low-speed table shows no row
  std::vector<TModuleListing> modules;  // listing order
};

using TGridRow = std::array<std::string, kBusColumns>;

// The two grids' cells. low[0] holds the column titles.
struct TBusTables {
  std::array<TGridRow, kLowSpeedRows> low{};
  std::vector<TGridRow> high = std::vector<TGridRow>(kHighSpeedRows);
  TBusTables();
  // Empties rows 1..5 of the low-speed table and the whole high-speed table (back to 90 rows).
  void Clear();
};

// The low-speed row is shown when the panel serves console or panel registers and reports a
// version.
bool PanelRowShown(const PanelLinkInfo& panel);
// "0x" and at least two upper-case hexadecimal digits.
std::string NetAddressText(uint32_t address);
// FormatVersion, and " загр." when the low byte marks the bootloader.
std::string ModuleVersionText(uint32_t version);

// The listing of the records as they are. Sets each listed slot's TableRow. Every module
// gets at least one row of its own, also one whose map lists no register, so that its
// counters never share a row with the next module.
TBusListing ListBusDevices(TDiagRecords& records);

// The cells of a listing (counters empty).
TBusTables BusTables(const TBusListing& listing);

// ShowBusStatistics: the counters of the records into their rows, unsigned decimal. Nothing
// while the firmware is not connected. Only slots with a network address are written.
void ShowBusStatistics(bool firmwareConnected, const TDiagRecords& records, TBusTables& tables);

}  // namespace karvelm
