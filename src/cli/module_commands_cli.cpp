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

using TVersionQuery = bool (*)(uint32_t&, int);

std::optional<int64_t> QueryVersion(TVersionQuery query) {
  uint32_t word = 0;
  if (!query(word, kTimeoutDefault)) return std::nullopt;
  return static_cast<int64_t>(word);
}

class TIdentify final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 1)
      return context.Fail("identify takes no arguments", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    bool loader = BootloaderAnswers();
    const bool firmware = !loader && FirmwareAnswers(*context.link);
    // The module may have come up in its bootloader between the two probes; CheckModule does
    // not say what it heard, so the bootloader is asked once more.
    if (!loader && !firmware) loader = BootloaderAnswers();
    const char* state = "absent";
    std::optional<int64_t> firmwareWord, loaderWord;
    if (loader) {
      state = "bootloader";
      loaderWord = QueryVersion(GetVersion);
      firmwareWord = QueryVersion(GetOtherVersion);
    } else if (firmware) {
      state = "firmware";
      firmwareWord = QueryVersion(GetVersion);
      loaderWord = QueryVersion(GetOtherVersion);
    }
    auto text = [](const std::optional<int64_t>& word) -> std::optional<std::string> {
      if (!word) return std::nullopt;
      return FormatVersion(static_cast<uint32_t>(*word));
    };
    if (context.options.json) {
      TJson json;
      json["state"] = state;
      json["firmware_version"] = JsonOrNull(text(firmwareWord));
      json["bootloader_version"] = JsonOrNull(text(loaderWord));
      json["firmware_word"] = JsonOrNull(firmwareWord);
      json["bootloader_word"] = JsonOrNull(loaderWord);
      context.out << JsonText(json) << '\n';
    } else {
      context.out << "state: " << state << '\n';
      if (firmwareWord) context.out << "firmware version: " << *text(firmwareWord) << '\n';
      if (loaderWord) context.out << "bootloader version: " << *text(loaderWord) << '\n';
    }
    if (std::string(state) == "absent") return context.Fail("the module does not answer");
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
