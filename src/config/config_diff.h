// Two configuration images compared the way an engineer reads them: settings fields by name,
// the configuration name, the memory layout, the set-points and, page by page, how many bytes
// of the ROM images differ and where the first ones are. The common block is not compared:
// configuration files never carry it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_fields.h"
#include "config/config_image.h"

namespace karvelm {

// How many offsets of the differing bytes a page lists.
constexpr size_t kDiffOffsetsShown = 8;

struct TWordDiff {
  int index = 0;  // the settings word or the set-point
  uint16_t a = 0;
  uint16_t b = 0;
};

struct TFieldDiff {
  const TConfigField* field = nullptr;
  uint16_t a = 0;
  uint16_t b = 0;
};

struct TPageDiff {
  size_t bytes = 0;                    // differing bytes; 0 when the pages are equal
  std::vector<uint32_t> firstOffsets;  // the first kDiffOffsetsShown of them, ascending
  bool Differs() const { return bytes != 0; }
};

struct TConfigDiff {
  // Table fields that differ, in table order; the memory layout is reported on its own and the
  // settings checksum only when it does not follow from the rest of the block.
  std::vector<TFieldDiff> fields;
  // Settings words that no field, the name or the checksum covers.
  std::vector<TWordDiff> otherWords;
  bool nameDiffers = false;
  std::string nameA, nameB;  // decoded, UTF-8
  bool layoutDiffers = false;
  uint16_t layoutA = 0, layoutB = 0;
  std::vector<TWordDiff> setPoints;
  std::array<TPageDiff, kPageCount> pages{};

  size_t DifferingPages() const;
  // The rows of a difference table: fields, other words, name, layout, set-points, pages.
  size_t RowCount() const;
  bool Equal() const { return RowCount() == 0; }
};

TConfigDiff DiffConfigImages(const TConfigImage& a, const TConfigImage& b);

// One row of the desktop program's difference table, in its words: what differs, the open
// configuration's value and the file's. A page row has one text across both value columns.
struct TDiffTableRow {
  std::string item;
  std::string a;
  std::string b;
  bool spansValues = false;  // a holds the text, b is empty
};
std::vector<TDiffTableRow> DiffTableRows(const TConfigDiff& diff);

// The memory layout's field, for its texts.
const TConfigField& MemLayoutField();

}  // namespace karvelm
