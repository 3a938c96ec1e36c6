// What the memory page's bank/page map shows for a layout: one entry per cell, as plain
// data, so that the page only renders it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_image.h"
#include "config/memory_map.h"

namespace karvelm {

constexpr int kMaxBankPages = 8;
constexpr const char* kRamCellText = "ОЗУ";
constexpr const char* kRomCellText = "ППЗУ";

enum TCellBevel : uint8_t { cbNone, cbTiled };
enum TCellColour : uint8_t { ccWindowText, ccBlue };

struct TMemoryCellView {
  int bank = 0;
  int page = 0;
  std::string text;  // "ОЗУ", "ППЗУ" LF CR sum LF CR crc (octal), or empty
  TCellBevel bevel = cbTiled;
  TCellColour colour = ccWindowText;
  bool underline = false;
  // 0 for RAM and for a cell that continues the region before it; the table value (16..31)
  // for the first cell of a ROM region.
  int tag = 0;

  // Reacts to clicks and shows the hand cursor.
  bool clickable() const { return tag != 0; }
  // The ROM page a click loads.
  int romPage() const { return tag & 0x0F; }
};

using TMemoryMapView = std::array<TMemoryCellView, kMemoryMapCells>;

// The control of a bank's page in mem_bank_controls ("StaticText15" ...), or nullptr where
// the bank has no such page.
const char* MemoryCellComponent(int bank, int page);

// ShowMemoryMap: the 41 cells in table order for layout 0..20 (the user's 1..21), with the
// page checks of the image. Any other layout selects no row: every cell is blank (no bevel,
// no text) and not clickable.
TMemoryMapView ShowMemoryMap(const TConfigImage& image, int layout);

// ComboBox3Change: stores the chosen item (0..20) as MemLayout; -1 and other indexes change
// nothing. The page images stay; the new layout shows them under its own cells.
void SetMemLayout(TConfigImage& image, int itemIndex);

// The item ComboBox3 shows for a stored MemLayout, or -1 (no selection) outside 0..20.
int MemLayoutItemIndex(const TConfigImage& image);

struct TRomRegionStart {
  int bank;
  int page;
  int romPage;
};
// The first cells of the ROM regions of banks 1..6 in table order; empty for a layout
// outside 0..20.
std::vector<TRomRegionStart> RomRegionStarts(int layout);

}  // namespace karvelm
