#include "cli/config_commands_cli.h"

#include <memory>
#include <optional>
#include <string>

#include "cli/cli_link.h"
#include "cli/json_writer.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/config_texts.h"
#include "config/config_transfer.h"
#include "link/module_commands.h"

namespace karvelm::cli {

namespace {

constexpr const char* kNoLoaderText = "the bootloader does not answer";

struct TConfigArgs {
  int configIndex = 0;
  std::string file;
};

// config read|write 1|2 FILE; on a usage error the one-line reason is in error.
std::optional<TConfigArgs> ParseConfigArgs(const TCliContext& context, std::string& error) {
  const auto& words = context.options.words;
  if (words.size() != 4) {
    error = "usage: config " + words[1] + " 1|2 FILE";
    return std::nullopt;
  }
  if (words[2] != "1" && words[2] != "2") {
    error = "the configuration must be 1 or 2, not '" + words[2] + "'";
    return std::nullopt;
  }
  if (words[3].empty()) {
    error = "FILE must not be empty";
    return std::nullopt;
  }
  return TConfigArgs{words[2] == "1" ? 0 : 1, words[3]};
}

std::string FailedBlocks(const TReadConfigResult& result) {
  std::string text;
  auto add = [&text](const std::string& name) { text += (text.empty() ? "" : ", ") + name; };
  if (!result.commonOk) add("common block");
  if (!result.settingsOk) add("settings block");
  if (!result.setPointOk) add("set-point block");
  for (int page = 0; page < kPageCount; ++page) {
    if (!result.pageRequested[page])
      add("page " + std::to_string(page) + " (not requested)");
    else if (!result.pageOk[page])
      add("page " + std::to_string(page));
  }
  return text;
}

void PrintDone(const TCliContext& context, const char* action, const TConfigArgs& args,
               bool restarted, std::optional<uint32_t> bytes = std::nullopt) {
  if (context.options.json) {
    TJsonObject json;
    json.Field("config", static_cast<int64_t>(args.configIndex + 1)).Field("file", args.file);
    if (bytes) json.Field("bytes", static_cast<int64_t>(*bytes));
    json.Field("restarted", static_cast<int64_t>(restarted));
    context.out << json.Text() << '\n';
  } else {
    context.out << "configuration " << args.configIndex + 1 << ' ' << action << ' ' << args.file
                << (restarted ? "; restart sent" : "") << '\n';
  }
}

}  // namespace

int RunConfigRead(const TCliContext& context) {
  std::string error;
  std::optional<TConfigArgs> args = ParseConfigArgs(context, error);
  if (!args) return context.Fail(error, kExitUsage);
  TCliLink link(context.options);
  if (!link.Ok()) return context.Fail(link.Error());
  if (!EnsureBootloader(link, context.options.waitSeconds)) return context.Fail(kNoLoaderText);

  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  const TReadConfigResult result = ReadConfiguration(*image, args->configIndex);
  // A read changes nothing on the module, so it goes back to its firmware either way.
  const bool restarted = context.options.restart && Restart();
  if (!result.AllOk()) {
    // Stricter than the configurator: a backup with any hole in it is not written at all.
    if (!result.loaderAnswered) return context.Fail(kNoLoaderText);
    return context.Fail(std::string(kReadSettingsErrorText) + "\nfailed: " + FailedBlocks(result));
  }
  TConfigFileResult saved = SaveConfigImageFile(args->file, *image);
  if (!saved.ok()) return context.Fail(saved.message);
  PrintDone(context, "read into", *args, restarted);
  return kExitDone;
}

int RunConfigWrite(const TCliContext& context) {
  std::string error;
  std::optional<TConfigArgs> args = ParseConfigArgs(context, error);
  if (!args) return context.Fail(error, kExitUsage);
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  // The file is checked before the module is touched.
  TConfigFileResult loaded = LoadConfigImageFile(args->file, *image);
  if (!loaded.ok()) return context.Fail(loaded.message);
  // A cut-off backup opens (what it holds is shown as read), but restoring it would replace
  // the stored pages it lost with erased ones.
  if (loaded.cutOff)
    return context.Fail(std::string(kOpenFileErrorText) +
                        "\nthe file ends inside a frame (cut off); nothing was written");

  TCliLink link(context.options);
  if (!link.Ok()) return context.Fail(link.Error());
  if (!EnsureBootloader(link, context.options.waitSeconds)) return context.Fail(kNoLoaderText);

  const TWriteConfigResult result = WriteConfiguration(*image, args->configIndex);
  if (!result.ok()) {
    // The module may now hold a partial configuration: it stays in the bootloader, ready for
    // another write, rather than starting its firmware on it.
    if (!result.loaderAnswered) return context.Fail(kNoLoaderText);
    if (!result.requestAccepted)
      return context.Fail(std::string(kWriteSettingsErrorText) +
                          "\nthe module refused the write request");
    return context.Fail(std::string(kWriteSettingsErrorText) + "\n" + std::to_string(result.sent) +
                        " of " + std::to_string(result.total) + " bytes acknowledged");
  }
  const bool restarted = context.options.restart && Restart();
  PrintDone(context, "written from", *args, restarted, result.total);
  return kExitDone;
}

}  // namespace karvelm::cli
