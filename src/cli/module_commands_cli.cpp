#include "cli/module_commands_cli.h"

#include <charconv>
#include <optional>
#include <vector>

#include "base/octal_text.h"
#include "cli/cli_link.h"
#include "cli/json_text.h"
#include "link/commands.h"
#include "link/commands_codec.h"
#include "link/module_commands.h"
#include "link/transactions.h"
#include "report/module_identity.h"
#include "report/report_json.h"

namespace karvelm::cli {

namespace {

constexpr int kMaxBusWords = 32;

std::optional<uint16_t> ParseBusAddress(const std::string& text) {
  std::optional<uint16_t> address = ParseOctalWordStrict(text);
  if (address && (*address & 1)) return std::nullopt;  // words sit at even addresses
  return address;
}

int BadAddress(const TCliContext& context, const std::string& text) {
  return context.Fail("bad bus address '" + text + "' (even octal 0..177776)", kExitUsage);
}

class TIdentify final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 1)
      return context.Fail("identify takes no arguments", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    const TCliLink& link = *context.link;
    const TModuleIdentity identity = IdentifyModule(
        {[&link] { return FirmwareAnswers(link); }, [] { return BootloaderAnswers(); }});
    if (context.options.json) {
      context.out << JsonText(IdentityJson(identity)) << '\n';
    } else {
      context.out << "state: " << ModuleProgramName(identity.program) << '\n';
      if (identity.firmwareWord)
        context.out << "firmware version: " << FormatVersion(*identity.firmwareWord) << '\n';
      if (identity.loaderWord)
        context.out << "bootloader version: " << FormatVersion(*identity.loaderWord) << '\n';
    }
    if (identity.program == mpAbsent) return context.Fail("the module does not answer");
    return kExitDone;
  }
};

class TRestart final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 1)
      return context.Fail("restart takes no arguments", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    if (!Restart()) return context.Fail("cmdRestart could not be sent");
    if (context.options.json)
      context.out << JsonText({{"restarted", 1}}) << '\n';
    else
      context.out << "restart sent\n";
    return kExitDone;
  }
};

class TBusRead final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() < 3 || words.size() > 4) return context.Usage();
    std::optional<uint16_t> address = ParseBusAddress(words[2]);
    if (!address) return BadAddress(context, words[2]);
    address_ = *address;
    if (words.size() == 4) {
      const std::string& text = words[3];
      auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), count_);
      if (ec != std::errc() || ptr != text.data() + text.size() || count_ < 1 ||
          count_ > kMaxBusWords)
        return context.Fail("COUNT must be 1..32, not '" + text + "'", kExitUsage);
    }
    if (static_cast<uint32_t>(address_) + 2u * static_cast<uint32_t>(count_) > 0x10000u)
      return context.Fail("the words run past address 177776", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    std::vector<uint16_t> values(static_cast<size_t>(count_));
    if (!ReadBusWords(address_, count_, values.data())) return context.Fail("bus read failed");
    std::vector<std::string> texts;
    for (uint16_t value : values) texts.push_back(WordToOctal(value));
    if (context.options.json) {
      TJson json;
      json["address"] = WordToOctal(address_);
      json["words"] = texts;
      context.out << JsonText(json) << '\n';
    } else {
      for (int i = 0; i < count_; ++i)
        context.out << WordToOctal(static_cast<uint16_t>(address_ + 2 * i)) << ": " << texts[i]
                    << '\n';
    }
    return kExitDone;
  }

 private:
  uint16_t address_ = 0;
  int count_ = 1;
};

class TBusWrite final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 4) return context.Usage();
    std::optional<uint16_t> address = ParseBusAddress(words[2]);
    if (!address) return BadAddress(context, words[2]);
    std::optional<uint16_t> value = ParseOctalWordStrict(words[3]);
    if (!value) return context.Fail("bad octal value '" + words[3] + "' (0..177777)", kExitUsage);
    address_ = *address;
    value_ = *value;
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    if (!WriteBusWord(address_, value_)) return context.Fail("bus write failed");
    if (context.options.json) {
      TJson json;
      json["address"] = WordToOctal(address_);
      json["value"] = WordToOctal(value_);
      context.out << JsonText(json) << '\n';
    } else {
      context.out << WordToOctal(address_) << " := " << WordToOctal(value_) << '\n';
    }
    return kExitDone;
  }

 private:
  uint16_t address_ = 0;
  uint16_t value_ = 0;
};

}  // namespace

std::unique_ptr<TCliCommand> MakeIdentifyCommand() {
  return std::make_unique<TIdentify>();
}
std::unique_ptr<TCliCommand> MakeRestartCommand() {
  return std::make_unique<TRestart>();
}
std::unique_ptr<TCliCommand> MakeBusReadCommand() {
  return std::make_unique<TBusRead>();
}
std::unique_ptr<TCliCommand> MakeBusWriteCommand() {
  return std::make_unique<TBusWrite>();
}

}  // namespace karvelm::cli
