#include "cli/file_page_cli.h"

#include <memory>
#include <optional>
#include <string>

#include "cli/json_writer.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/page_image_load.h"

namespace karvelm::cli {

namespace {

constexpr const char* kUsage = "usage: file page FILE PAGE IMAGE [--format bin|lda|auto]";

// Decimal 0..15 only: a page number is never given in octal.
std::optional<int> ParsePage(const std::string& text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int page = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    page = page * 10 + (c - '0');
  }
  if (page >= kPageCount) return std::nullopt;
  return page;
}

}  // namespace

int RunFilePage(const TCliContext& context) {
  const auto& words = context.options.words;
  if (words.size() != 5) return context.Fail(kUsage, kExitUsage);
  const std::string& file = words[2];
  const std::optional<int> page = ParsePage(words[3]);
  if (!page) return context.Fail("PAGE must be 0..15, not '" + words[3] + "'", kExitUsage);
  const std::optional<TPageFormat> format = PageFormatFromName(context.options.format);
  if (!format) return context.Fail(kUsage, kExitUsage);

  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  const TConfigFileResult loaded = LoadConfigImageFile(file, *image);
  if (!loaded.ok()) return context.Fail(loaded.message);

  const TPageLoadResult pageLoaded = LoadPageImage(*image, *page, words[4], *format);
  if (!pageLoaded.ok()) return context.Fail(pageLoaded.message);

  const TConfigFileResult saved = SaveConfigImageFile(file, *image);
  if (!saved.ok()) return context.Fail(saved.message);

  if (context.options.json) {
    context.out << TJsonObject()
                       .Field("file", file)
                       .Field("page", static_cast<int64_t>(*page))
                       .Field("sum", static_cast<int64_t>(image->PageSum[*page]))
                       .Field("crc", static_cast<int64_t>(image->PageCrc[*page]))
                       .Text()
                << '\n';
  }
  return kExitDone;
}

}  // namespace karvelm::cli
