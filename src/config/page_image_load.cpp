#include "config/page_image_load.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "config/config_file.h"
#include "config/config_texts.h"
#include "config/file_error_text.h"
#include "config/page_image_lda.h"

namespace karvelm {
namespace {

bool ReadBinaryImage(TByteSource& source, uint8_t* page) {
  size_t total = 0;
  while (total < kPageSize) {
    const size_t count = source.Get(page + total, kPageSize - total);
    if (count == 0) break;
    total += count;
  }
  return total > 0 && !source.Failed();
}

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

TPageFormat PageFormatForFilter(int filterIndex) {
  switch (filterIndex) {
    case 1:
      return pfBinary;
    case 2:
      return pfAbsoluteLoader;
    default:
      return pfAuto;
  }
}

std::optional<TPageFormat> PageFormatFromName(std::string_view name) {
  if (name == "bin") return pfBinary;
  if (name == "lda") return pfAbsoluteLoader;
  if (name == "auto") return pfAuto;
  return std::nullopt;
}

bool ReadPageImage(TByteSource& source, const std::function<bool()>& rewind, uint8_t* page,
                   TPageFormat format) {
  std::memset(page, 0xFF, kPageSize);
  switch (format) {
    case pfBinary:
      return ReadBinaryImage(source, page);
    case pfAbsoluteLoader:
      return ReadAbsoluteLoader(source, page) && !source.Failed();
    case pfAuto:
      if (ReadAbsoluteLoader(source, page) && !source.Failed()) return true;
      // The binary image covers whatever the failed blocks wrote: they came from the same file.
      return rewind && rewind() && ReadBinaryImage(source, page);
  }
  return false;
}

TPageLoadResult LoadPageImage(TConfigImage& image, int page, const std::string& path,
                              TPageFormat format) {
  if (page < 0 || page >= kPageCount) throw std::out_of_range("page " + std::to_string(page));
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return {plCannotOpen, FileErrorText(kCannotOpenFileFormat, path, errno)};
  struct stat info {};
  if (fstat(fileno(file.get()), &info) == 0 && S_ISDIR(info.st_mode))
    return {plCannotOpen, FileErrorText(kCannotOpenFileFormat, path, EISDIR)};
  // A device such as /dev/zero never ends and the absolute loader would scan it for ever.
  if (!S_ISREG(info.st_mode)) return {plBadContent, kPageLoadErrorText};

  TFileSource source(file.get());
  const auto rewind = [&file] {
    std::clearerr(file.get());
    return std::fseek(file.get(), 0, SEEK_SET) == 0;
  };
  if (!ReadPageImage(source, rewind, image.Page(page), format))
    return {plBadContent, kPageLoadErrorText};
  UpdatePageChecks(image, page);
  return {};
}

}  // namespace karvelm
