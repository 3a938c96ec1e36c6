#include "config/page_image_bank_files.h"

#include <cerrno>
#include <cstdio>

#include "config/config_texts.h"
#include "config/file_error_text.h"
#include "config/memory_map_view.h"

namespace karvelm {

std::string BankFileName(int bank, int page) {
  return "b" + std::to_string(bank) + "_" + std::to_string(page) + ".bin";
}

TBankFilesResult SaveBankFiles(const TConfigImage& image, int layout, const std::string& folder) {
  TBankFilesResult result;
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  for (const TRomRegionStart& start : RomRegionStarts(layout)) {
    const std::string path = prefix + BankFileName(start.bank, start.page);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      result.ok = false;
      result.message = FileErrorText(kCannotCreateFileFormat, path, errno);
      return result;
    }
    errno = 0;
    bool written = std::fwrite(image.Page(start.romPage), 1, kPageSize, file) == kPageSize;
    int error = errno ? errno : EIO;
    if (std::fclose(file) != 0 && written) written = false, error = errno;
    if (!written) {
      result.ok = false;
      result.message = FileErrorText(kCannotWriteFileFormat, path, error);
      return result;
    }
    result.written.push_back(path);
  }
  return result;
}

}  // namespace karvelm
