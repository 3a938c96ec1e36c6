#include "cli/config_commands_cli.h"

#include <memory>
#include <string>
#include <vector>

#include "cli/backup_commands_cli.h"
#include "cli/cli_link.h"
#include "cli/json_text.h"
#include "cli/progress_line.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/config_texts.h"
#include "config/config_transfer.h"
#include "config/write_check.h"
#include "link/module_commands.h"

namespace karvelm::cli {

namespace {

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

// config read|write 1|2 FILE, and the image both work on.
class TConfigCommand : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 4) return context.Usage();
    if (words[2] != "1" && words[2] != "2")
      return context.Fail("the configuration must be 1 or 2, not '" + words[2] + "'", kExitUsage);
    if (words[3].empty()) return context.Fail("FILE must not be empty", kExitUsage);
    configIndex_ = words[2] == "1" ? 0 : 1;
    file_ = words[3];
    image_ = std::make_unique<TConfigImage>();
    ResetConfigImage(*image_);
    return kExitDone;
  }

 protected:
  // --restart: back to the firmware, but only from a bootloader that answers. Said on stderr
  // when it was not sent, unless the command fails anyway (its reason is then the one line).
  static bool RestartIfAsked(const TCliContext& context, bool say = true) {
    if (!context.options.restart) return false;
    if (RestartFromLoader()) return true;
    if (say) context.err << kNoLoaderText << "; no restart sent\n";
    return false;
  }

  void PrintDone(const TCliContext& context, const char* action, bool restarted) const {
    if (context.options.json) {
      TJson json;
      json["config"] = configIndex_ + 1;
      json["file"] = file_;
      json["restarted"] = restarted ? 1 : 0;
      context.out << JsonText(json) << '\n';
    } else {
      context.out << "configuration " << configIndex_ + 1 << ' ' << action << ' ' << file_
                  << (restarted ? "; restart sent" : "") << '\n';
    }
  }

  int configIndex_ = 0;
  std::string file_;
  std::unique_ptr<TConfigImage> image_;
};

class TConfigRead final : public TConfigCommand {
 public:
  int Run(const TCliContext& context) override {
    TReadConfigResult result;
    {
      const auto line = MakeProgressLine(context, "config read");
      result = ReadConfiguration(*image_, configIndex_, {}, line->Sink());
    }
    // A read changes nothing on the module, so it goes back to its firmware either way.
    const bool restarted = RestartIfAsked(context, result.AllOk());
    if (!result.AllOk()) {
      // Stricter than the configurator: a backup with any hole in it is not written at all.
      if (!result.loaderAnswered) return context.Fail(kNoLoaderText);
      return context.Fail(std::string(kReadSettingsErrorText) +
                          "\nfailed: " + FailedBlocks(result));
    }
    TConfigFileResult saved = SaveConfigImageFile(file_, *image_);
    if (!saved.ok()) return context.Fail(saved.message);
    PrintDone(context, "read into", restarted);
    return kExitDone;
  }
};

class TConfigWrite final : public TConfigCommand {
 public:
  // The file is checked before the module is touched.
  int Prepare(const TCliContext& context) override {
    if (const int status = TConfigCommand::Prepare(context); status != kExitDone) return status;
    TConfigFileResult loaded = LoadConfigImageFile(file_, *image_);
    if (!loaded.ok()) return context.Fail(loaded.message);
    // A cut-off backup opens (what it holds is shown as read), but restoring it would replace
    // the stored pages it lost with erased ones.
    if (loaded.cutOff)
      return context.Fail(std::string(kOpenFileErrorText) +
                          "\nthe file ends inside a frame (cut off); nothing was written");
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    std::vector<std::string> backups;
    const int configs[] = {configIndex_};
    if (const int status = BackUpBeforeOverwrite(context, configs, backups); status != kExitDone)
      return status;
    TWriteConfigResult result;
    {
      const auto line = MakeProgressLine(context, "config write");
      result = WriteConfiguration(*image_, configIndex_, {}, line->Sink());
    }
    if (!result.ok()) {
      // The module may now hold a partial configuration: it stays in the bootloader, ready
      // for another write, rather than starting its firmware on it.
      if (!result.loaderAnswered) return context.Fail(kNoLoaderText);
      if (!result.requestAccepted)
        return context.Fail(std::string(kWriteSettingsErrorText) +
                            "\nthe module refused the write request");
      return context.Fail(std::string(kWriteSettingsErrorText) + "\n" +
                          std::to_string(result.sent) + " of " + std::to_string(result.total) +
                          " bytes acknowledged");
    }
    // Acknowledged is not yet stored: what the module holds now is read back and compared. A
    // mismatch leaves the module in its bootloader, as a failed write does.
    const bool verify = !context.options.noVerify;
    if (verify) {
      TWriteCheck check;
      {
        const auto line = MakeProgressLine(context, "verify " + std::to_string(configIndex_ + 1));
        check = CheckWrittenConfiguration(*image_, configIndex_, {}, line->Sink());
      }
      if (!check.ok()) return context.Fail(WriteCheckFailureText(check));
    }
    const bool restarted = RestartIfAsked(context);
    if (context.options.json) {
      TJson json;
      json["config"] = configIndex_ + 1;
      json["file"] = file_;
      json["bytes"] = result.total;
      json["backup"] = backups.empty() ? TJson(nullptr) : TJson(backups.front());
      json["verified"] = verify;
      json["restarted"] = restarted ? 1 : 0;
      context.out << JsonText(json) << '\n';
    } else {
      context.out << "configuration " << configIndex_ + 1 << " written from " << file_
                  << (verify ? " and read back equal" : "")
                  << (backups.empty() ? "" : "; backup " + backups.front())
                  << (restarted ? "; restart sent" : "") << '\n';
    }
    return kExitDone;
  }
};

}  // namespace

std::unique_ptr<TCliCommand> MakeConfigReadCommand() {
  return std::make_unique<TConfigRead>();
}
std::unique_ptr<TCliCommand> MakeConfigWriteCommand() {
  return std::make_unique<TConfigWrite>();
}

}  // namespace karvelm::cli
