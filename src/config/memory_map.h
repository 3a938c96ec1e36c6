// The 21 memory layouts of the module's address space: which page of each bank is RAM and
// which ROM page image it shows. Selected by the MemLayout field.
#pragma once

#include <array>
#include <cstdint>

namespace karvelm {

constexpr int kMemoryMapRows = 21;
constexpr int kMemoryMapCells = 41;
constexpr int kBankCount = 7;
// Pages per bank: bank 0 has one, banks 1 and 2 four, banks 3..6 eight.
constexpr int kBankPages[kBankCount] = {1, 4, 4, 8, 8, 8, 8};
// A cell value from this up marks ROM holding page (value AND 15); below it marks RAM.
constexpr uint8_t kRomCell = 0x10;

using TMemoryMapRow = std::array<uint8_t, kMemoryMapCells>;

// Cells in order: bank 0 page 0; bank 1 pages 0..3; bank 2 pages 0..3; banks 3..6 pages 0..7.
// Consecutive equal cells, also across banks, form one region.
extern const std::array<TMemoryMapRow, kMemoryMapRows> MemoryMapTable;

constexpr bool IsRomCell(uint8_t cell) {
  return cell >= kRomCell;
}
constexpr int RomPageOf(uint8_t cell) {
  return cell & 0x0F;
}

// Index of the cell of a bank's page in a row.
constexpr int MemoryMapCell(int bank, int page) {
  int cell = 0;
  for (int b = 0; b < bank; ++b) cell += kBankPages[b];
  return cell + page;
}

}  // namespace karvelm
