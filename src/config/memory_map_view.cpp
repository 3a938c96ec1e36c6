#include "config/memory_map_view.h"

#include "base/octal_text.h"
#include "config/config_fields.h"

namespace karvelm {
namespace {

// Components of each bank's pages, page 0 first.
constexpr int kCellComponents[kBankCount][kMaxBankPages] = {
    {15},
    {16, 22, 24, 26},
    {17, 23, 25, 27},
    {18, 28, 30, 32, 34, 36, 38, 40},
    {19, 29, 31, 33, 35, 37, 39, 41},
    {20, 42, 44, 46, 48, 50, 52, 54},
    {21, 43, 45, 47, 49, 51, 53, 55},
};

constexpr const char* kComponentNames[] = {
    "StaticText15", "StaticText16", "StaticText17", "StaticText18", "StaticText19", "StaticText20",
    "StaticText21", "StaticText22", "StaticText23", "StaticText24", "StaticText25", "StaticText26",
    "StaticText27", "StaticText28", "StaticText29", "StaticText30", "StaticText31", "StaticText32",
    "StaticText33", "StaticText34", "StaticText35", "StaticText36", "StaticText37", "StaticText38",
    "StaticText39", "StaticText40", "StaticText41", "StaticText42", "StaticText43", "StaticText44",
    "StaticText45", "StaticText46", "StaticText47", "StaticText48", "StaticText49", "StaticText50",
    "StaticText51", "StaticText52", "StaticText53", "StaticText54", "StaticText55",
};
static_assert(std::size(kComponentNames) == kMemoryMapCells);

bool ValidLayout(int layout) {
  return layout >= 0 && layout < kMemoryMapRows;
}

// Calls visit(bank, page, cell, value, startsRegion) for banks 1..6 in table order.
template <typename Visit>
void WalkRegions(const TMemoryMapRow& row, Visit visit) {
  uint8_t previous = 0;
  for (int bank = 1; bank < kBankCount; ++bank) {
    for (int page = 0; page < kBankPages[bank]; ++page) {
      const int cell = MemoryMapCell(bank, page);
      const uint8_t value = row[cell];
      visit(bank, page, cell, value, value != previous);
      previous = value;
    }
  }
}

}  // namespace

const char* MemoryCellComponent(int bank, int page) {
  if (bank < 0 || bank >= kBankCount || page < 0 || page >= kBankPages[bank]) return nullptr;
  return kComponentNames[kCellComponents[bank][page] - 15];
}

TMemoryMapView ShowMemoryMap(const TConfigImage& image, int layout) {
  TMemoryMapView view;
  for (int bank = 0; bank < kBankCount; ++bank) {
    for (int page = 0; page < kBankPages[bank]; ++page) {
      TMemoryCellView& cell = view[MemoryMapCell(bank, page)];
      cell.bank = bank;
      cell.page = page;
      cell.bevel = cbNone;
    }
  }
  if (!ValidLayout(layout)) return view;

  // Bank 0 is always RAM and keeps the cells' initial look.
  view[0].text = kRamCellText;
  view[0].bevel = cbTiled;
  WalkRegions(MemoryMapTable[layout], [&](int, int, int index, uint8_t value, bool starts) {
    TMemoryCellView& cell = view[index];
    if (!starts) return;  // continues the region before it: blank, no bevel
    cell.bevel = cbTiled;
    if (!IsRomCell(value)) {
      cell.text = kRamCellText;
      return;
    }
    const int romPage = RomPageOf(value);
    cell.colour = ccBlue;
    cell.underline = true;
    cell.text = std::string(kRomCellText) + "\n\r" + WordToOctal(image.PageSum[romPage]) + "\n\r" +
                WordToOctal(image.PageCrc[romPage]);
    cell.tag = value;
  });
  return view;
}

void SetMemLayout(TConfigImage& image, int itemIndex) {
  if (ValidLayout(itemIndex)) SetSettingsWord(image, MemLayout, static_cast<uint16_t>(itemIndex));
}

int MemLayoutItemIndex(const TConfigImage& image) {
  const uint16_t layout = SettingsWord(image, MemLayout);
  return ValidLayout(layout) ? layout : -1;
}

std::vector<TRomRegionStart> RomRegionStarts(int layout) {
  std::vector<TRomRegionStart> starts;
  if (!ValidLayout(layout)) return starts;
  WalkRegions(MemoryMapTable[layout], [&](int bank, int page, int, uint8_t value, bool start) {
    if (start && IsRomCell(value)) starts.push_back({bank, page, RomPageOf(value)});
  });
  return starts;
}

}  // namespace karvelm
