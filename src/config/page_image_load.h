// Loading a ROM page image from a file, as the memory page's open dialog and the
// command-line tool do it: raw binary or absolute loader, chosen by the dialog's filter.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/byte_stream.h"
#include "config/config_image.h"

namespace karvelm {

// OpenDialog1 of the memory page. Its filter, not the file's extension, decides how the
// file is read.
constexpr const char* kPageImageDialogFilter =
    "Бинарный файл|*.bin|Абсолютный загрузчик|*.lda|Все файлы|*.*";
constexpr const char* kPageImageDefaultExtension = "bin";
constexpr const char* kPageLoadErrorText = "Ошибка открытия файла.";
constexpr const char* kPageLoadErrorCaption = "";

enum TPageFormat : uint8_t {
  pfBinary,          // up to one page from the start of the file
  pfAbsoluteLoader,  // ReadAbsoluteLoader
  pfAuto,            // the absolute loader; if that fails, the file again as binary
};

// The format of the dialog's 1-based filter index: 1 binary, 2 absolute loader, 3 (and any
// other index) auto, as for "all files".
TPageFormat PageFormatForFilter(int filterIndex);
// The command-line names "bin", "lda", "auto".
std::optional<TPageFormat> PageFormatFromName(std::string_view name);

enum TPageLoadStatus : uint8_t {
  plOk,          // the page holds the image and its checks were refreshed
  plCannotOpen,  // the file could not be opened; the page is untouched
  plBadContent,  // nothing read, or a bad absolute-loader file; the checks are unchanged
};

struct TPageLoadResult {
  TPageLoadStatus status = plOk;
  std::string message;  // for the user: kPageLoadErrorText or the runtime's open error
  bool ok() const { return status == plOk; }
};

// Reads a page image from a source into page (kPageSize bytes), which is first filled with
// 0xFF. rewind restarts the source from its beginning for the binary retry of pfAuto (false
// when it cannot). True when the image was read: at least one byte of a binary image, or an
// absolute-loader file up to its end block. A read error of the source counts as failure.
bool ReadPageImage(TByteSource& source, const std::function<bool()>& rewind, uint8_t* page,
                   TPageFormat format);

// StaticTextClick's load of one ROM page: opens path, fills the page with 0xFF, reads it in
// the given format and, on success, refreshes the page's sum and CRC. A failed read leaves
// what was read before the failure in the page and the checks of the previous content.
TPageLoadResult LoadPageImage(TConfigImage& image, int page, const std::string& path,
                              TPageFormat format);

}  // namespace karvelm
