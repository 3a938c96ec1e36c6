#include "cli/file_page_cli.h"

#include <memory>
#include <optional>
#include <string>

#include "cli/json_text.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/page_image_load.h"

namespace karvelm::cli {

namespace {

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

class TFilePage final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 5) return context.Usage();
    const std::optional<int> page = ParsePage(words[3]);
    if (!page) return context.Fail("PAGE must be 0..15, not '" + words[3] + "'", kExitUsage);
    const std::optional<TPageFormat> format = PageFormatFromName(context.options.format);
    if (!format) return context.Usage();
    page_ = *page;
    format_ = *format;
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    const std::string& file = context.options.words[2];
    auto image = std::make_unique<TConfigImage>();
    ResetConfigImage(*image);
    const TConfigFileResult loaded = LoadConfigImageFile(file, *image);
    if (!loaded.ok()) return context.Fail(loaded.message);

    const TPageLoadResult pageLoaded =
        LoadPageImage(*image, page_, context.options.words[4], format_);
    if (!pageLoaded.ok()) return context.Fail(pageLoaded.message);

    const TConfigFileResult saved = SaveConfigImageFile(file, *image);
    if (!saved.ok()) return context.Fail(saved.message);

    if (context.options.json) {
      TJson json;
      json["file"] = file;
      json["page"] = page_;
      json["sum"] = image->PageSum[page_];
      json["crc"] = image->PageCrc[page_];
      context.out << JsonText(json) << '\n';
    }
    return kExitDone;
  }

 private:
  int page_ = 0;
  TPageFormat format_{};
};

}  // namespace

std::unique_ptr<TCliCommand> MakeFilePageCommand() {
  return std::make_unique<TFilePage>();
}

}  // namespace karvelm::cli
