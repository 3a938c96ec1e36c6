#include "cli/cli_commands.h"

#include "cli/backup_commands_cli.h"
#include "cli/config_commands_cli.h"
#include "cli/console_commands_cli.h"
#include "cli/dac_sensor_commands_cli.h"
#include "cli/diag_commands_cli.h"
#include "cli/diff_commands_cli.h"
#include "cli/file_commands_cli.h"
#include "cli/file_page_cli.h"
#include "cli/module_commands_cli.h"
#include "cli/report_command_cli.h"
#include "cli/update_commands_cli.h"
#include "cli/watch_command_cli.h"

namespace karvelm::cli {

namespace {

constexpr unsigned kModule = kLinkOptions | obJson;
constexpr unsigned kOffline = kLinkOptions | obJson;
constexpr size_t kUsageColumn = 31;

}  // namespace

const std::vector<TCommandRow>& CommandRows() {
  static const std::vector<TCommandRow> rows = {
      {"identify", nullptr, MakeIdentifyCommand, pnAny, kModule, "identify",
       "which program answers and both versions"},
      {"restart", nullptr, MakeRestartCommand, pnBootloader, kModule, "restart",
       "restart the module from its bootloader into its firmware"},
      {"bus", "read", MakeBusReadCommand, pnFirmware, kModule, "bus read ADDRESS [COUNT]",
       "read COUNT (1..32) bus words from octal ADDRESS"},
      {"bus", "write", MakeBusWriteCommand, pnFirmware, kModule, "bus write ADDRESS VALUE",
       "write one bus word; both octal"},
      // Diagnostics.
      {"bus", "scan", MakeBusScanCommand, pnFirmware, kModule, "bus scan",
       "the devices on both peripheral buses, with versions, registers and\ncounters"},
      {"test", "loopback", MakeTestLoopbackCommand, pnFirmware, kModule | obPair | obLow | obHigh,
       "test loopback [--pair P] [--low INPUT] [--high INPUT]",
       "loop-back test of an output pair against input words"},
      {"config", "read", MakeConfigReadCommand, pnEnterLoader, kModule | obWait | obRestart,
       "config read 1|2 FILE", "read a stored configuration into FILE"},
      {"config", "write", MakeConfigWriteCommand, pnEnterLoader,
       kModule | obWait | obRestart | obNoBackup | obNoVerify,
       "config write 1|2 FILE [--no-backup] [--no-verify]",
       "back up the stored configuration, write FILE into it and read it\nback to check"},
      {"config", "diff", MakeConfigDiffCommand, pnEnterLoader, kModule | obWait | obRestart,
       "config diff 1|2 FILE",
       "compare a stored configuration with FILE (exit 0 equal, 1 different)"},
      // Firmware updates.
      {"firmware", "update", MakeFirmwareUpdateCommand, pnEnterLoader,
       kModule | obWait | obRestart | obNoBackup | obForce,
       "firmware update IMAGE [--no-backup] [--force]",
       "back up both stored configurations, then update the module firmware\nfrom an image file "
       "(sent unchanged)"},
      {"versions", nullptr, MakeVersionsCommand, pnAny, kModule, "versions",
       "firmware versions of the module and its accessories,\nand those this program carries"},
      {"accessory", "update", MakeAccessoryUpdateCommand, pnFirmware, kModule | obForce,
       "accessory update TARGET IMAGE [--force]",
       "update an accessory through the running module:\nTARGET bosi | panel-karvel | "
       "panel-torsen | ext:ADDRESS (hex)"},
      {"screen", nullptr, MakeScreenCommand, pnFirmware, kModule, "screen",
       "the console screen once (16 or 8 lines of 32 characters)"},
      {"keys", nullptr, MakeKeysCommand, pnFirmware, kModule, "keys TEXT",
       "type TEXT on the console keyboard: letters, digits, / + = - \\;\n"
       "a line feed is Enter, a backspace character Backspace,\n"
       "{F1}..{F10} are Ctrl+F1..Ctrl+F10"},
      {"terminal", nullptr, MakeTerminalCommand, pnFirmware, kLinkOptions | obInterval,
       "terminal [--interval SECONDS]",
       "live console screen in this terminal; keys go to the module,\nCtrl-] quits"},
      {"test", "count", MakeTestCountCommand, pnFirmware,
       kModule | obPair | obNormal | obAdditional,
       "test count [--pair P] [--normal CHANNEL] [--additional CHANNEL]",
       "count test of position-sensor channels (octal, 167700, 167704, ...,\n167734)"},
      {"dac", "show", MakeDacShowCommand, pnFirmware, kModule, "dac show",
       "the eight DAC registers and the corrections"},
      {"dac", "set", MakeDacSetCommand, pnFirmware, kModule, "dac set CHANNEL VALUE",
       "write a DAC register (channel 1..8, value octal)"},
      {"dac", "correct", MakeDacCorrectCommand, pnFirmware, kModule, "dac correct CHANNEL +|-|0",
       "one calibration step on channel 1..8"},
      {"dac", "save", MakeDacSaveCommand, pnFirmware, kModule, "dac save",
       "store the corrections in the module"},
      {"dac", "sawtooth", MakeDacSawtoothCommand, pnFirmware, kModule,
       "dac sawtooth CHANNEL SECONDS",
       "drive channel 1..8 with the sawtooth for SECONDS (1..3600), then stop"},
      {"sensors", nullptr, MakeSensorsCommand, pnFirmware, kModule, "sensors",
       "the eight position counters"},
      // Field service: the report of the module and recording live values.
      {"report", nullptr, MakeReportCommand, pnAny,
       kModule | obWait | obOut | obLoopback | obCount | obPair | obLow | obHigh | obNormal |
           obAdditional,
       "report --out FOLDER [--loopback ...] [--count ...]",
       "identity, versions, buses with counters and the checks of both\n"
       "stored configurations (and the tests asked for) as report.json and\n"
       "report.html in FOLDER"},
      {"watch", nullptr, MakeWatchCommand, pnFirmware, kModule | obInterval | obCount | obCsv,
       "watch bus|io|dac|sensors --csv FILE [--interval S] [--count N]",
       "one CSV row per interval: the time (local, ISO 8601 with\n"
       "milliseconds) and the bus counters, board words, DAC registers and\n"
       "corrections, or position counters; without --count until Ctrl-C"},
      {"backups", nullptr, MakeBackupsCommand, pnNone, kOffline, "backups",
       "the configurations saved before overwrites, newest first"},
      {"file", "new", MakeFileNewCommand, pnNone, kOffline, "file new FILE",
       "save the configuration file of the initial image"},
      {"file", "show", MakeFileShowCommand, pnNone, kOffline, "file show FILE",
       "decode a configuration file and print its settings"},
      {"file", "page", MakeFilePageCommand, pnNone, kOffline | obFormat,
       "file page FILE PAGE IMAGE [--format bin|lda|auto]",
       "load a ROM page image into page 0..15 of FILE"},
      {"file", "diff", MakeFileDiffCommand, pnNone, kOffline, "file diff A B",
       "compare two configuration files: fields, name, memory layout,\n"
       "set-points, pages (exit 0 equal, 1 different)"},
  };
  return rows;
}

const TCommandRow* FindCommand(const std::vector<std::string>& words) {
  if (words.empty()) return nullptr;
  for (const TCommandRow& row : CommandRows()) {
    if (words[0] != row.first) continue;
    if (row.second && (words.size() < 2 || words[1] != row.second)) continue;
    return &row;
  }
  return nullptr;
}

std::string CommandName(const TCommandRow& row) {
  std::string name = row.first;
  if (row.second) name += std::string(" ") + row.second;
  return name;
}

int TCliContext::Usage() const {
  return Fail(std::string("usage: ") + row->usage, kExitUsage);
}

namespace {

// "  NAME" padded to the column, then the help; further help lines indented to the column.
void AddEntry(std::string& text, const std::string& name, const std::string& help) {
  std::string line = "  " + name;
  if (line.size() + 1 > kUsageColumn) {
    text += line + '\n';
    line.clear();
  }
  line.resize(kUsageColumn, ' ');
  for (char c : help) {
    if (c == '\n') {
      text += line + '\n';
      line.assign(kUsageColumn, ' ');
    } else {
      line += c;
    }
  }
  text += line + '\n';
}

}  // namespace

std::string UsageText() {
  std::string text = "usage: karvelm [options] COMMAND ... [options]\n\nModule commands:\n";
  for (const TCommandRow& row : CommandRows())
    if (row.needs != pnNone) AddEntry(text, row.usage, row.summary);
  text += "Offline commands:\n";
  for (const TCommandRow& row : CommandRows())
    if (row.needs == pnNone) AddEntry(text, row.usage, row.summary);
  text += "\nOptions:\n";
  for (const TOptionInfo& option : Options()) {
    std::string name = option.name;
    if (option.valueName) name += std::string(" ") + option.valueName;
    AddEntry(text, name, option.help);
  }
  text += "Exit status: 0 done, 1 the operation failed, 2 usage error.\n";
  return text;
}

}  // namespace karvelm::cli
