// The service output of the memory page: the ROM pages of a layout as files b<bank>_<page>.bin,
// one per ROM region, named after the region's first cell.
#pragma once

#include <string>
#include <vector>

#include "config/config_image.h"

namespace karvelm {

constexpr const char* kSaveBankFilesCaption = "Сохранить банки в файл";  // Button35

struct TBankFilesResult {
  bool ok = true;
  std::string message;               // the runtime's create or write error when !ok
  std::vector<std::string> written;  // full paths, in the order written
};

// "b3_0.bin": bank and page in decimal.
std::string BankFileName(int bank, int page);

// Button35Click: writes the 8192 bytes of each ROM region's page into folder (the
// executable's folder in the program), creating or replacing the files. Stops at the first
// file that cannot be created or written; the files written before it remain. A layout
// outside 0..20 writes nothing.
TBankFilesResult SaveBankFiles(const TConfigImage& image, int layout, const std::string& folder);

}  // namespace karvelm
