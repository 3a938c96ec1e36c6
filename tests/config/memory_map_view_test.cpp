#include "config/memory_map_view.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "config/config_fields.h"

namespace karvelm {
namespace {

std::unique_ptr<TConfigImage> FreshImage() {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  return image;
}

enum TLook { lRam, lRom, lBlank };

struct TCellCase {
  int bank;
  int page;
  TLook look;
  int tag;
};

void ExpectCell(const TMemoryMapView& view, const TCellCase& c) {
  const TMemoryCellView& cell = view[MemoryMapCell(c.bank, c.page)];
  SCOPED_TRACE("bank " + std::to_string(c.bank) + " page " + std::to_string(c.page));
  EXPECT_EQ(cell.bank, c.bank);
  EXPECT_EQ(cell.page, c.page);
  EXPECT_EQ(cell.tag, c.tag);
  EXPECT_EQ(cell.clickable(), c.tag != 0);
  switch (c.look) {
    case lRam:
      EXPECT_EQ(cell.text, "ОЗУ");
      EXPECT_EQ(cell.bevel, cbTiled);
      EXPECT_EQ(cell.colour, ccWindowText);
      EXPECT_FALSE(cell.underline);
      break;
    case lRom:
      EXPECT_EQ(cell.text.rfind("ППЗУ\n\r", 0), 0u);
      EXPECT_EQ(cell.bevel, cbTiled);
      EXPECT_EQ(cell.colour, ccBlue);
      EXPECT_TRUE(cell.underline);
      break;
    case lBlank:
      EXPECT_EQ(cell.text, "");
      EXPECT_EQ(cell.bevel, cbNone);
      EXPECT_FALSE(cell.underline);
      break;
  }
}

int Clickable(const TMemoryMapView& view) {
  int count = 0;
  for (const TMemoryCellView& cell : view) count += cell.clickable();
  return count;
}

TEST(MemoryMapView, Layout1) {
  auto image = FreshImage();
  const TMemoryMapView view = ShowMemoryMap(*image, 0);
  const TCellCase cells[] = {
      {0, 0, lRam, 0},   {1, 0, lRam, 0},    {1, 3, lRam, 0},    {2, 0, lRom, 0x10},
      {2, 1, lBlank, 0}, {2, 2, lBlank, 0},  {2, 3, lBlank, 0},  {3, 0, lRom, 0x11},
      {3, 7, lBlank, 0}, {4, 0, lRom, 0x12}, {5, 0, lRom, 0x13}, {5, 7, lBlank, 0},
      {6, 0, lRam, 0},   {6, 1, lRom, 0x14}, {6, 2, lRom, 0x15}, {6, 3, lBlank, 0},
      {6, 7, lBlank, 0},
  };
  for (const TCellCase& c : cells) ExpectCell(view, c);
  EXPECT_EQ(Clickable(view), 6);
  EXPECT_EQ(view[MemoryMapCell(2, 0)].romPage(), 0);
  EXPECT_EQ(view[MemoryMapCell(6, 2)].romPage(), 5);
}

TEST(MemoryMapView, Layout17HasNoRom) {
  auto image = FreshImage();
  const TMemoryMapView view = ShowMemoryMap(*image, 16);
  EXPECT_EQ(Clickable(view), 0);
  for (int bank = 1; bank < kBankCount; ++bank) {
    ExpectCell(view, {bank, 0, lRam, 0});
    for (int page = 1; page < kBankPages[bank]; ++page) ExpectCell(view, {bank, page, lBlank, 0});
  }
}

TEST(MemoryMapView, Layout21RegionsContinueAcrossBanks) {
  auto image = FreshImage();
  const TMemoryMapView view = ShowMemoryMap(*image, 20);
  const TCellCase cells[] = {
      {2, 0, lRam, 0},    {2, 1, lBlank, 0},  {4, 0, lRam, 0},    {4, 7, lBlank, 0},
      {5, 0, lBlank, 0},  {5, 1, lBlank, 0},  {5, 2, lBlank, 0},  {5, 3, lRom, 0x11},
      {5, 4, lRom, 0x12}, {5, 5, lRom, 0x13}, {5, 6, lRom, 0x14}, {5, 7, lBlank, 0},
      {6, 0, lBlank, 0},  {6, 1, lBlank, 0},  {6, 2, lBlank, 0},  {6, 3, lRom, 0x15},
      {6, 6, lRom, 0x18}, {6, 7, lBlank, 0},
  };
  for (const TCellCase& c : cells) ExpectCell(view, c);
}

TEST(MemoryMapView, RomCellsShowSumAndCrcInOctal) {
  auto image = FreshImage();
  EXPECT_EQ(ShowMemoryMap(*image, 0)[MemoryMapCell(2, 0)].text, "ППЗУ\n\r0\n\r0");
  image->PageSum[0] = 0xFFFF;
  image->PageCrc[0] = 0x3FFF;
  image->PageSum[5] = 8;
  image->PageCrc[5] = 0x6FFF;
  const TMemoryMapView view = ShowMemoryMap(*image, 0);
  EXPECT_EQ(view[MemoryMapCell(2, 0)].text, "ППЗУ\n\r177777\n\r37777");
  EXPECT_EQ(view[MemoryMapCell(6, 2)].text, "ППЗУ\n\r10\n\r67777");
}

TEST(MemoryMapView, LayoutOutsideTheTableShowsBlankCells) {
  auto image = FreshImage();
  for (int layout : {21, 255, 0xFFFF, -1}) {
    const TMemoryMapView view = ShowMemoryMap(*image, layout);
    for (int bank = 0; bank < kBankCount; ++bank)
      for (int page = 0; page < kBankPages[bank]; ++page) ExpectCell(view, {bank, page, lBlank, 0});
  }
  SetSettingsWord(*image, MemLayout, 21);
  EXPECT_EQ(MemLayoutItemIndex(*image), -1);
  SetMemLayout(*image, -1);  // the list without a selection stores nothing
  EXPECT_EQ(SettingsWord(*image, MemLayout), 21);
  SetMemLayout(*image, 20);
  EXPECT_EQ(MemLayoutItemIndex(*image), 20);
}

TEST(MemoryMapView, ClickableCellsAreTheRegionStartsOfEveryLayout) {
  auto image = FreshImage();
  for (int layout = 0; layout < kMemoryMapRows; ++layout) {
    const TMemoryMapView view = ShowMemoryMap(*image, layout);
    std::set<std::pair<int, int>> clickable;
    for (const TMemoryCellView& cell : view)
      if (cell.clickable()) clickable.insert({cell.bank, cell.page});
    std::set<std::pair<int, int>> starts;
    for (const TRomRegionStart& start : RomRegionStarts(layout)) {
      starts.insert({start.bank, start.page});
      EXPECT_EQ(view[MemoryMapCell(start.bank, start.page)].romPage(), start.romPage);
    }
    EXPECT_EQ(clickable, starts) << "layout " << layout + 1;
  }
}

TEST(MemoryMapView, CellComponents) {
  const struct {
    int bank, page;
    const char* name;
  } cases[] = {
      {0, 0, "StaticText15"}, {1, 0, "StaticText16"}, {1, 3, "StaticText26"},
      {2, 1, "StaticText23"}, {3, 0, "StaticText18"}, {3, 1, "StaticText28"},
      {3, 7, "StaticText40"}, {4, 7, "StaticText41"}, {5, 1, "StaticText42"},
      {6, 0, "StaticText21"}, {6, 7, "StaticText55"},
  };
  for (const auto& c : cases) EXPECT_STREQ(MemoryCellComponent(c.bank, c.page), c.name);
  EXPECT_EQ(MemoryCellComponent(0, 1), nullptr);
  EXPECT_EQ(MemoryCellComponent(2, 4), nullptr);
  EXPECT_EQ(MemoryCellComponent(7, 0), nullptr);
  std::set<std::string> names;
  for (int bank = 0; bank < kBankCount; ++bank)
    for (int page = 0; page < kBankPages[bank]; ++page)
      names.insert(MemoryCellComponent(bank, page));
  EXPECT_EQ(names.size(), static_cast<size_t>(kMemoryMapCells));
}

}  // namespace
}  // namespace karvelm
