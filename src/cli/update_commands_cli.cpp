#include "cli/update_commands_cli.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/backup_commands_cli.h"
#include "cli/cli_link.h"
#include "cli/json_text.h"
#include "cli/progress_line.h"
#include "link/commands_codec.h"
#include "link/module_commands.h"
#include "report/report_json.h"
#include "update/accessory_update.h"
#include "update/firmware_image.h"
#include "update/image_kind.h"
#include "update/module_update.h"
#include "update/update_texts.h"
#include "update/version_page.h"

namespace karvelm::cli {

namespace {

constexpr const char* kNoFirmwareText = "the firmware does not answer";

// Progress goes to stderr, and only when it is a terminal: stdout carries the result alone.
// The line lives as long as the hooks are used.
TUpdateHooks ProgressHooks(TProgressLine& line) {
  TUpdateHooks hooks;
  if (!line.Enabled()) return hooks;
  hooks.bytes = line.Sink();
  hooks.progressVisible = [&line](bool shown) {
    if (!shown) line.Finish();
  };
  return hooks;
}

// The image read whole before the link is opened, so that a file that cannot be read, or one
// with nothing in it, fails with nothing sent.
int ReadImage(const TCliContext& context, const std::string& path, TFirmwareImage& image) {
  TImageOpenResult opened = ReadImageFile(path);
  if (!opened.ok) return context.Fail(opened.error);
  if (opened.image.bytes.empty())
    return context.Fail(std::string(kUpdateErrorText) + "\nthe image is empty; nothing was sent");
  image = std::move(opened.image);
  return kExitDone;
}

// An image that its name marks for the other kind of target is refused with nothing sent,
// unless --force asks for it; then the mismatch is still said on stderr.
int CheckKind(const TCliContext& context, const std::string& path, TImageKind wanted) {
  const std::optional<TImageMismatch> mismatch = CheckImageKind(path, wanted);
  if (!mismatch) return kExitDone;
  const char* what =
      mismatch->found == ikModule ? "a module image (*.upd)" : "an accessory image (*.upm)";
  const char* needed = wanted == ikModule ? "a module image (*.upd)" : "an accessory image (*.upm)";
  const std::string reason = path + " is " + what + ", not " + needed;
  if (!context.options.force)
    return context.Fail(reason + "; nothing was sent (--force sends it anyway)");
  context.err << "warning: " << reason << "; sent anyway (--force)\n";
  return kExitDone;
}

class TFirmwareUpdate final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 3) return context.Usage();
    if (const int status = ReadImage(context, context.options.words[2], image_);
        status != kExitDone)
      return status;
    return CheckKind(context, context.options.words[2], ikModule);
  }

  int Run(const TCliContext& context) override {
    const std::string& path = context.options.words[2];
    // A module whose firmware is replaced may lose its stored configurations with it.
    std::vector<std::string> backups;
    const int configs[] = {0, 1};
    if (const int status = BackUpBeforeOverwrite(context, configs, backups); status != kExitDone)
      return status;
    const auto line = MakeProgressLine(context, "firmware update");
    const TUpdateHooks hooks = ProgressHooks(*line);
    TImageResolver images;  // the image is a file; no built-in one is looked up
    const TModuleUpdateResult result = UpdateModuleFirmware(path, true, images, hooks);
    switch (result.outcome) {
      case muDone:
        break;
      case muImageError:
        return context.Fail(result.message);
      case muNoLoader:
        return context.Fail(kNoLoaderText);
      case muNotAnnounced:
        return context.Fail(std::string(kUpdateErrorText) +
                            "\nthe bootloader refused the update request; nothing was written");
      case muEmptyImage:
        return context.Fail(kUpdateErrorText);
      case muChunkNotAcknowledged:
        // The module stays in its bootloader with a partial image, ready for another try.
        return context.Fail(std::string(kUpdateErrorText) + "\n" + std::to_string(result.sent) +
                            " of " + std::to_string(result.size) +
                            " bytes acknowledged; the module stays in its bootloader");
    }
    bool restarted = false;
    if (context.options.restart) {
      restarted = RestartFromLoader();
      if (!restarted) context.err << kNoLoaderText << "; no restart sent\n";
    }
    if (context.options.json) {
      TJson json;
      json["file"] = path;
      json["bytes"] = result.size;
      json["backups"] = backups;
      json["restarted"] = restarted ? 1 : 0;
      context.out << JsonText(json) << '\n';
    } else {
      context.out << "firmware written from " << path << " (" << result.size << " bytes)"
                  << (restarted ? "; restart sent" : "") << '\n';
    }
    return kExitDone;
  }

 private:
  TFirmwareImage image_;
};

class TVersions final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 1)
      return context.Fail("versions takes no arguments", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    bool loader = BootloaderAnswers();
    const bool firmware = !loader && FirmwareAnswers(*context.link);
    if (!loader && !firmware) loader = BootloaderAnswers();
    // The firmware's version: its own, or the one the bootloader reports for it.
    TModuleVersions state;
    std::optional<uint32_t> moduleVersion;
    uint32_t word = 0;
    if (firmware && GetVersion(word)) moduleVersion = word;
    if (loader && GetOtherVersion(word)) moduleVersion = word;
    state.firmware = firmware;
    state.firmwareVersion = firmware ? moduleVersion.value_or(0) : 0;
    state.loader = loader;
    state.loaderReportedFirmware = loader ? moduleVersion.value_or(0) : 0;
    const TVersionPageRows rows = RefreshVersionPage(state, [] { return ListExtModulesOnLink(); });
    const char* stateName = firmware ? "firmware" : loader ? "bootloader" : "absent";
    if (context.options.json)
      PrintJson(context, stateName, moduleVersion, rows);
    else
      PrintText(context, stateName, moduleVersion, rows);
    if (!firmware && !loader) return context.Fail("the module does not answer");
    return kExitDone;
  }

 private:
  static void PrintJson(const TCliContext& context, const char* stateName,
                        const std::optional<uint32_t>& moduleVersion,
                        const TVersionPageRows& rows) {
    context.out << JsonText(VersionsJson(stateName, moduleVersion, rows)) << '\n';
  }

  static void PrintText(const TCliContext& context, const char* stateName,
                        const std::optional<uint32_t>& moduleVersion,
                        const TVersionPageRows& rows) {
    std::ostream& out = context.out;
    out << kCurrentVersionsHeading << '\n';
    out << "  Модуль KarvelM: "
        << (moduleVersion ? VersionText(*moduleVersion) : std::string(kNoVersionText)) << " ("
        << stateName << ")\n";
    out << "  ПУ-Karvel/Torsen: " << rows.panel.version << '\n';
    out << "  Модуль связи с БОСИ: " << rows.bosi.version << '\n';
    for (const TExtModuleRow& row : rows.modules)
      out << "  " << row.name << ": " << row.version << '\n';
    out << kAvailableVersionsHeading << '\n';
    for (const TAvailableVersion& version : AvailableVersions())
      out << "  " << version.caption << ": " << AvailableVersionText(version) << '\n';
  }
};

enum TAccessoryTarget { atBosi, atPanelKarvel, atPanelTorsen, atExtModule };

class TAccessoryUpdate final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 4) return context.Usage();
    const std::string& target = words[2];
    if (target == "bosi") {
      target_ = atBosi;
    } else if (target == "panel-karvel") {
      target_ = atPanelKarvel;
    } else if (target == "panel-torsen") {
      target_ = atPanelTorsen;
    } else if (target.rfind("ext:", 0) == 0 && ParseAddress(target.substr(4))) {
      target_ = atExtModule;
    } else {
      return context.Fail(
          "bad target '" + target + "' (bosi, panel-karvel, panel-torsen or ext:ADDRESS in hex)",
          kExitUsage);
    }
    if (const int status = ReadImage(context, words[3], image_); status != kExitDone) return status;
    return CheckKind(context, words[3], ikAccessory);
  }

  int Run(const TCliContext& context) override {
    const std::string& path = context.options.words[3];
    const auto line = MakeProgressLine(context, "accessory update");
    TUpdateHooks hooks = ProgressHooks(*line);
    // No question is asked; the image is the file of the command line.
    hooks.chooseFile = [path](int) { return std::optional<std::string>(path); };
    std::vector<std::string> told;
    hooks.inform = [&told](const std::string& text, const std::string&) { told.push_back(text); };
    TImageResolver images;
    const TAccessoryUpdateContext update{images, hooks, true, true};

    TAccessoryResult result;
    switch (target_) {
      case atBosi:
        result = UpdateBosi(update);
        break;
      case atPanelKarvel:
      case atPanelTorsen:
        result = UpdatePanel(update, target_ == atPanelKarvel ? pkKarvel : pkTorsen);
        break;
      case atExtModule: {
        // Only a module that a fresh query lists is updated.
        std::optional<TFoundExtModule> module;
        for (const TFoundExtModule& found : ListExtModulesOnLink())
          if (found.address == address_) module = found;
        if (!module) return context.Fail("no external module answers at address " + AddressText());
        result = UpdateExtModule(update, ExtModuleRowName(module->type, address_), address_);
        break;
      }
    }
    // What the desktop program would show besides the error itself (the BOSI finish).
    for (const std::string& text : told)
      if (text != kUpdateErrorText) context.err << text << '\n';
    if (result.outcome != aoDone) return context.Fail(FailureText(result));
    if (context.options.json) {
      TJson json;
      json["target"] = context.options.words[2];
      json["file"] = path;
      json["bytes"] = image_.bytes.size();
      context.out << JsonText(json) << '\n';
    } else {
      context.out << context.options.words[2] << " updated from " << path << " ("
                  << image_.bytes.size() << " bytes)\n";
    }
    return kExitDone;
  }

 private:
  bool ParseAddress(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
      digits = digits.substr(2);
    const char* end = digits.data() + digits.size();
    auto [ptr, ec] = std::from_chars(digits.data(), end, address_, 16);
    return !digits.empty() && ec == std::errc() && ptr == end && address_ != 0;
  }

  std::string AddressText() const {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(address_));
    return text;
  }

  static std::string FailureText(const TAccessoryResult& result) {
    const std::string error = kUpdateErrorText;
    switch (result.outcome) {
      case aoModuleAbsent:
        return kNoFirmwareText;
      case aoImageError:
      case aoNoSource:
        return result.message.empty() ? error : result.message;
      case aoNotReady:
        return error + "\nthe target did not become ready";
      default:
        break;
    }
    switch (result.transfer) {
      case atNotAnnounced:
        return error + "\nthe module refused the image length";
      case atPieceNotAcknowledged:
        return error + "\na piece was not acknowledged";
      case atStatusFailed:
        return error + "\nthe module stopped reporting the target's status";
      case atNeverReady:
        return error + "\nthe target did not take a piece";
      default:
        return error;
    }
  }

  TAccessoryTarget target_ = atBosi;
  uint32_t address_ = 0;
  TFirmwareImage image_;
};

}  // namespace

std::unique_ptr<TCliCommand> MakeFirmwareUpdateCommand() {
  return std::make_unique<TFirmwareUpdate>();
}
std::unique_ptr<TCliCommand> MakeVersionsCommand() {
  return std::make_unique<TVersions>();
}
std::unique_ptr<TCliCommand> MakeAccessoryUpdateCommand() {
  return std::make_unique<TAccessoryUpdate>();
}

}  // namespace karvelm::cli
