#include "cli/file_commands_cli.h"

#include <memory>
#include <string>
#include <vector>

#include "base/octal_text.h"
#include "cli/json_text.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/koi7.h"

namespace karvelm::cli {

namespace {

void PrintJson(const TCliContext& context, const TConfigImage& image) {
  TJson json;
  for (const TConfigField& field : ConfigFields())
    json[field.key] = SettingsWord(image, field.word);
  json["config_name"] = Cp1251ToUtf8(GetConfigName(image));
  std::vector<int64_t> setPoints, sums, crcs;
  for (int i = 0; i < kSetPointWords; ++i) setPoints.push_back(SetPointWord(image, i));
  for (int page = 0; page < kPageCount; ++page) {
    sums.push_back(image.PageSum[page]);
    crcs.push_back(image.PageCrc[page]);
  }
  json["set_points"] = setPoints;
  json["page_sum"] = sums;
  json["page_crc"] = crcs;
  context.out << JsonText(json) << '\n';
}

// Bus addresses, sums and CRCs in octal, as the configurator's pages show them.
void PrintText(const TCliContext& context, const TConfigImage& image) {
  std::ostream& out = context.out;
  for (const TConfigField& field : ConfigFields())
    out << field.key << ": " << FieldValueText(field, SettingsWord(image, field.word)) << '\n';
  out << "config_name: \"" << Cp1251ToUtf8(GetConfigName(image)) << "\"\n";
  for (int i = 0; i < kSetPointWords; ++i) {
    const uint16_t address = static_cast<uint16_t>(0xF600 + 2 * i);  // 173000 octal onwards
    out << "set_point " << WordToOctal(address) << ": " << WordToOctal(SetPointWord(image, i))
        << '\n';
  }
  for (int page = 0; page < kPageCount; ++page)
    out << "page " << page << ": sum " << WordToOctal(image.PageSum[page]) << ", crc "
        << WordToOctal(image.PageCrc[page]) << '\n';
}

class TFileNew final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    return context.options.words.size() == 3 ? kExitDone : context.Usage();
  }

  int Run(const TCliContext& context) override {
    const std::string& file = context.options.words[2];
    auto image = std::make_unique<TConfigImage>();
    ResetConfigImage(*image);
    TConfigFileResult saved = SaveConfigImageFile(file, *image);
    if (!saved.ok()) return context.Fail(saved.message);
    if (context.options.json) context.out << JsonText({{"file", file}}) << '\n';
    return kExitDone;
  }
};

class TFileShow final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    return context.options.words.size() == 3 ? kExitDone : context.Usage();
  }

  int Run(const TCliContext& context) override {
    auto image = std::make_unique<TConfigImage>();
    ResetConfigImage(*image);
    TConfigFileResult loaded = LoadConfigImageFile(context.options.words[2], *image);
    if (!loaded.ok()) return context.Fail(loaded.message);
    if (context.options.json)
      PrintJson(context, *image);
    else
      PrintText(context, *image);
    return kExitDone;
  }
};

}  // namespace

std::unique_ptr<TCliCommand> MakeFileNewCommand() {
  return std::make_unique<TFileNew>();
}
std::unique_ptr<TCliCommand> MakeFileShowCommand() {
  return std::make_unique<TFileShow>();
}

}  // namespace karvelm::cli
