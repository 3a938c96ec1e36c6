#include "cli/file_commands_cli.h"

#include <memory>
#include <string>
#include <vector>

#include "base/octal_text.h"
#include "cli/json_writer.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/koi7.h"

namespace karvelm::cli {

namespace {

// Text form of one field: the stored number, and what the parameter page would show for it.
std::string FieldText(const TConfigField& field, uint16_t value) {
  std::string text = std::to_string(value);
  if (field.kind == fkList) {
    if (std::optional<std::string> item = FieldItemText(field, value))
      text += " (" + *item + ")";
    else
      text += " (no such item)";
  } else if (field.kind == fkIntReg) {
    if (value == kIntRegNotUsed)
      text += " (not used)";
    else if (uint16_t address = IntRegBusAddress(value))
      text += " (input register " + WordToOctal(address) + ")";
    else
      text += " (no such register)";
  }
  return text;
}

void PrintJson(const TCliContext& context, const TConfigImage& image) {
  TJsonObject json;
  for (const TConfigField& field : ConfigFields())
    json.Field(field.key, static_cast<int64_t>(SettingsWord(image, field.word)));
  json.Field("config_name", Cp1251ToUtf8(GetConfigName(image)));
  std::vector<int64_t> setPoints, sums, crcs;
  for (int i = 0; i < kSetPointWords; ++i) setPoints.push_back(SetPointWord(image, i));
  for (int page = 0; page < kPageCount; ++page) {
    sums.push_back(image.PageSum[page]);
    crcs.push_back(image.PageCrc[page]);
  }
  json.Field("set_points", setPoints).Field("page_sum", sums).Field("page_crc", crcs);
  context.out << json.Text() << '\n';
}

// Bus addresses, sums and CRCs in octal, as the configurator's pages show them.
void PrintText(const TCliContext& context, const TConfigImage& image) {
  std::ostream& out = context.out;
  for (const TConfigField& field : ConfigFields())
    out << field.key << ": " << FieldText(field, SettingsWord(image, field.word)) << '\n';
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

}  // namespace

int RunFileNew(const TCliContext& context) {
  const auto& words = context.options.words;
  if (words.size() != 3) return context.Fail("usage: file new FILE", kExitUsage);
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  TConfigFileResult saved = SaveConfigImageFile(words[2], *image);
  if (!saved.ok()) return context.Fail(saved.message);
  if (context.options.json) context.out << TJsonObject().Field("file", words[2]).Text() << '\n';
  return kExitDone;
}

int RunFileShow(const TCliContext& context) {
  const auto& words = context.options.words;
  if (words.size() != 3) return context.Fail("usage: file show FILE", kExitUsage);
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  TConfigFileResult loaded = LoadConfigImageFile(words[2], *image);
  if (!loaded.ok()) return context.Fail(loaded.message);
  if (context.options.json)
    PrintJson(context, *image);
  else
    PrintText(context, *image);
  return kExitDone;
}

}  // namespace karvelm::cli
