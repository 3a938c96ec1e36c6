#include "cli/diff_commands_cli.h"

#include <memory>
#include <string>
#include <vector>

#include "base/octal_text.h"
#include "cli/cli_link.h"
#include "cli/json_text.h"
#include "config/config_diff.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/config_texts.h"
#include "config/config_transfer.h"
#include "config/set_point_page.h"

namespace karvelm::cli {

namespace {

// Opens a configuration file as the configurator does. A file that opens only in part (a bad
// frame) is not compared: its missing rest would show as differences that are not there.
int LoadFile(const TCliContext& context, const std::string& path, TConfigImage& image) {
  ResetConfigImage(image);
  const TConfigFileResult loaded = LoadConfigImageFile(path, image);
  if (loaded.status == cfCannotOpen) return context.Fail(loaded.message);
  if (!loaded.ok()) return context.Fail(path + ": " + loaded.message);
  if (loaded.cutOff)
    context.err << "warning: " << path << " ends inside a frame (cut off); what follows the cut "
                << "is compared as the initial image\n";
  return kExitDone;
}

std::string OffsetsText(const TPageDiff& page) {
  std::string text;
  for (uint32_t offset : page.firstOffsets)
    text += (text.empty() ? "" : ", ") + WordToOctal(static_cast<uint16_t>(offset));
  if (page.bytes > page.firstOffsets.size()) text += ", ...";
  return text;
}

TJson DiffJson(const TConfigDiff& diff, const std::string& a, const std::string& b) {
  TJson json;
  json["equal"] = diff.Equal();
  json["a"] = a;
  json["b"] = b;
  json["fields"] = TJson::array();
  for (const TFieldDiff& row : diff.fields) {
    TJson field;
    field["key"] = row.field->key;
    field["name"] = row.field->name;
    field["a"] = row.a;
    field["b"] = row.b;
    field["a_text"] = FieldValueText(*row.field, row.a);
    field["b_text"] = FieldValueText(*row.field, row.b);
    json["fields"].push_back(field);
  }
  json["settings_words"] = TJson::array();
  for (const TWordDiff& row : diff.otherWords)
    json["settings_words"].push_back({{"word", row.index}, {"a", row.a}, {"b", row.b}});
  json["config_name"] = {{"differs", diff.nameDiffers}, {"a", diff.nameA}, {"b", diff.nameB}};
  json["mem_layout"] = {{"differs", diff.layoutDiffers}, {"a", diff.layoutA}, {"b", diff.layoutB}};
  json["set_points"] = TJson::array();
  for (const TWordDiff& row : diff.setPoints)
    json["set_points"].push_back({{"index", row.index},
                                  {"address", SetPointAddressText(row.index)},
                                  {"a", row.a},
                                  {"b", row.b}});
  json["pages"] = TJson::array();
  for (int page = 0; page < kPageCount; ++page) {
    const TPageDiff& rows = diff.pages[page];
    json["pages"].push_back({{"page", page},
                             {"differs", rows.Differs()},
                             {"bytes", rows.bytes},
                             {"first_offsets", rows.firstOffsets}});
  }
  return json;
}

// One line per difference, A's value first; nothing at all when the two are equal.
void PrintText(std::ostream& out, const TConfigDiff& diff) {
  if (diff.layoutDiffers) {
    const TConfigField& layout = MemLayoutField();
    out << layout.key << ": " << FieldValueText(layout, diff.layoutA) << " | "
        << FieldValueText(layout, diff.layoutB) << '\n';
  }
  for (const TFieldDiff& row : diff.fields)
    out << row.field->key << ": " << FieldValueText(*row.field, row.a) << " | "
        << FieldValueText(*row.field, row.b) << '\n';
  for (const TWordDiff& row : diff.otherWords)
    out << "settings word " << row.index << ": " << row.a << " | " << row.b << '\n';
  if (diff.nameDiffers) out << "config_name: \"" << diff.nameA << "\" | \"" << diff.nameB << "\"\n";
  for (const TWordDiff& row : diff.setPoints)
    out << "set_point " << SetPointAddressText(row.index) << ": " << WordToOctal(row.a) << " | "
        << WordToOctal(row.b) << '\n';
  for (int page = 0; page < kPageCount; ++page) {
    const TPageDiff& rows = diff.pages[page];
    if (!rows.Differs()) continue;
    out << "page " << page << ": " << rows.bytes
        << (rows.bytes == 1 ? " byte differs" : " bytes differ") << "; first offsets (octal) "
        << OffsetsText(rows) << '\n';
  }
}

int Report(const TCliContext& context, const TConfigDiff& diff, const std::string& a,
           const std::string& b) {
  if (context.options.json)
    context.out << JsonText(DiffJson(diff, a, b)) << '\n';
  else
    PrintText(context.out, diff);
  return diff.Equal() ? kExitDone : kExitFailed;
}

class TFileDiff final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 4) return context.Usage();
    if (const int status = LoadFile(context, words[2], *a_); status != kExitDone) return status;
    return LoadFile(context, words[3], *b_);
  }

  int Run(const TCliContext& context) override {
    const auto& words = context.options.words;
    return Report(context, DiffConfigImages(*a_, *b_), words[2], words[3]);
  }

 private:
  std::unique_ptr<TConfigImage> a_ = std::make_unique<TConfigImage>();
  std::unique_ptr<TConfigImage> b_ = std::make_unique<TConfigImage>();
};

class TConfigDiffCommand final : public TCliCommand {
 public:
  // The file is read before the module is touched.
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 4) return context.Usage();
    if (words[2] != "1" && words[2] != "2")
      return context.Fail("the configuration must be 1 or 2, not '" + words[2] + "'", kExitUsage);
    configIndex_ = words[2] == "1" ? 0 : 1;
    return LoadFile(context, words[3], *file_);
  }

  int Run(const TCliContext& context) override {
    ResetConfigImage(*module_);
    const TReadConfigResult read = ReadConfiguration(*module_, configIndex_);
    // A read changes nothing on the module, so it goes back to its firmware either way.
    if (context.options.restart && !RestartFromLoader())
      context.err << kNoLoaderText << "; no restart sent\n";
    if (!read.loaderAnswered) return context.Fail(kNoLoaderText);
    // A block that did not arrive would show as a difference that is not there.
    if (!read.AllOk())
      return context.Fail(std::string(kReadSettingsErrorText) +
                          "\nnot every block was read; nothing was compared");
    const std::string a = "configuration " + std::to_string(configIndex_ + 1);
    return Report(context, DiffConfigImages(*module_, *file_), a, context.options.words[3]);
  }

 private:
  int configIndex_ = 0;
  std::unique_ptr<TConfigImage> module_ = std::make_unique<TConfigImage>();
  std::unique_ptr<TConfigImage> file_ = std::make_unique<TConfigImage>();
};

}  // namespace

std::unique_ptr<TCliCommand> MakeFileDiffCommand() {
  return std::make_unique<TFileDiff>();
}
std::unique_ptr<TCliCommand> MakeConfigDiffCommand() {
  return std::make_unique<TConfigDiffCommand>();
}

}  // namespace karvelm::cli
