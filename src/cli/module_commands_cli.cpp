#include "cli/module_commands_cli.h"

#include <charconv>
#include <optional>
#include <vector>

#include "base/octal_text.h"
#include "cli/cli_link.h"
#include "cli/json_writer.h"
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

using TVersionQuery = bool (*)(uint32_t&, int);

std::optional<int64_t> QueryVersion(TVersionQuery query) {
  uint32_t word = 0;
  if (!query(word, kTimeoutDefault)) return std::nullopt;
  return static_cast<int64_t>(word);
}

}  // namespace

int RunIdentify(const TCliContext& context) {
  if (context.options.words.size() != 1)
    return context.Fail("identify takes no arguments", kExitUsage);
  TCliLink link(context.options);
  if (!link.Ok()) return context.Fail(link.Error());

  const char* state = "absent";
  std::optional<int64_t> firmwareWord, loaderWord;
  if (BootloaderAnswers()) {
    state = "bootloader";
    loaderWord = QueryVersion(GetVersion);
    firmwareWord = QueryVersion(GetOtherVersion);
  } else if (FirmwareAnswers(link)) {
    state = "firmware";
    firmwareWord = QueryVersion(GetVersion);
    loaderWord = QueryVersion(GetOtherVersion);
  }
  auto text = [](const std::optional<int64_t>& word) -> std::optional<std::string> {
    if (!word) return std::nullopt;
    return FormatVersion(static_cast<uint32_t>(*word));
  };
  if (context.options.json) {
    context.out << TJsonObject()
                       .Field("state", state)
                       .Field("firmware_version", text(firmwareWord))
                       .Field("bootloader_version", text(loaderWord))
                       .Field("firmware_word", firmwareWord)
                       .Field("bootloader_word", loaderWord)
                       .Text()
                << '\n';
  } else {
    context.out << "state: " << state << '\n';
    if (firmwareWord) context.out << "firmware version: " << *text(firmwareWord) << '\n';
    if (loaderWord) context.out << "bootloader version: " << *text(loaderWord) << '\n';
  }
  if (std::string(state) == "absent") return context.Fail("the module does not answer");
  return kExitDone;
}

int RunRestart(const TCliContext& context) {
  if (context.options.words.size() != 1)
    return context.Fail("restart takes no arguments", kExitUsage);
  TCliLink link(context.options);
  if (!link.Ok()) return context.Fail(link.Error());
  if (!BootloaderAnswers()) return context.Fail("the bootloader does not answer");
  if (!Restart()) return context.Fail("cmdRestart could not be sent");
  if (context.options.json)
    context.out << TJsonObject().Field("restarted", int64_t{1}).Text() << '\n';
  else
    context.out << "restart sent\n";
  return kExitDone;
}

int RunBusRead(const TCliContext& context) {
  const auto& words = context.options.words;
  if (words.size() < 3 || words.size() > 4)
    return context.Fail("usage: bus read ADDRESS [COUNT]", kExitUsage);
  std::optional<uint16_t> address = ParseBusAddress(words[2]);
  if (!address)
    return context.Fail("bad bus address '" + words[2] + "' (even octal 0..177776)", kExitUsage);
  int count = 1;
  if (words.size() == 4) {
    auto [ptr, ec] = std::from_chars(words[3].data(), words[3].data() + words[3].size(), count);
    if (ec != std::errc() || ptr != words[3].data() + words[3].size() || count < 1 ||
        count > kMaxBusWords)
      return context.Fail("COUNT must be 1..32, not '" + words[3] + "'", kExitUsage);
  }
  if (static_cast<uint32_t>(*address) + 2u * static_cast<uint32_t>(count) > 0x10000u)
    return context.Fail("the words run past address 177776", kExitUsage);

  TCliLink link(context.options);
  if (!link.Ok()) return context.Fail(link.Error());
  if (!FirmwareAnswers(link)) return context.Fail("the firmware does not answer");
  std::vector<uint16_t> values(static_cast<size_t>(count));
  if (!ReadBusWords(*address, count, values.data())) return context.Fail("bus read failed");

  std::vector<std::string> texts;
  for (uint16_t value : values) texts.push_back(WordToOctal(value));
  if (context.options.json) {
    context.out
        << TJsonObject().Field("address", WordToOctal(*address)).Field("words", texts).Text()
        << '\n';
  } else {
    for (int i = 0; i < count; ++i)
      context.out << WordToOctal(static_cast<uint16_t>(*address + 2 * i)) << ": " << texts[i]
                  << '\n';
  }
  return kExitDone;
}

int RunBusWrite(const TCliContext& context) {
  const auto& words = context.options.words;
  if (words.size() != 4) return context.Fail("usage: bus write ADDRESS VALUE", kExitUsage);
  std::optional<uint16_t> address = ParseBusAddress(words[2]);
  if (!address)
    return context.Fail("bad bus address '" + words[2] + "' (even octal 0..177776)", kExitUsage);
  std::optional<uint16_t> value = ParseOctalWordStrict(words[3]);
  if (!value) return context.Fail("bad octal value '" + words[3] + "' (0..177777)", kExitUsage);

  TCliLink link(context.options);
  if (!link.Ok()) return context.Fail(link.Error());
  if (!FirmwareAnswers(link)) return context.Fail("the firmware does not answer");
  if (!WriteBusWord(*address, *value)) return context.Fail("bus write failed");
  if (context.options.json)
    context.out << TJsonObject()
                       .Field("address", WordToOctal(*address))
                       .Field("value", WordToOctal(*value))
                       .Text()
                << '\n';
  else
    context.out << WordToOctal(*address) << " := " << WordToOctal(*value) << '\n';
  return kExitDone;
}

}  // namespace karvelm::cli
