#include "cli/diag_commands_cli.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <iostream>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/octal_text.h"
#include "cli/interrupt_scope.h"
#include "cli/json_text.h"
#include "diag/bus_listing.h"
#include "diag/bus_page.h"
#include "diag/diag_records.h"
#include "diag/loopback_test.h"
#include "link/commands_codec.h"
#include "report/report_json.h"

namespace karvelm::cli {

namespace {

// Characters, not bytes: the titles are Cyrillic.
size_t TextWidth(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Rows up to the last one with anything in it.
std::vector<TGridRow> UsedRows(const std::vector<TGridRow>& rows) {
  size_t used = rows.size();
  auto empty = [](const TGridRow& row) {
    return std::all_of(row.begin(), row.end(),
                       [](const std::string& cell) { return cell.empty(); });
  };
  while (used > 0 && empty(rows[used - 1])) --used;
  return {rows.begin(), rows.begin() + static_cast<long>(used)};
}

// Both tables in one set of columns, the titles standing only above the low-speed one, as
// on the page.
void PrintTables(std::ostream& out, const TBusTables& tables) {
  const std::vector<TGridRow> low = UsedRows({tables.low.begin() + 1, tables.low.end()});
  const std::vector<TGridRow> high = UsedRows(tables.high);
  std::array<size_t, kBusColumns> width{};
  auto measure = [&](const TGridRow& row) {
    for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], TextWidth(row[c]));
  };
  measure(tables.low[0]);
  for (const TGridRow& row : low) measure(row);
  for (const TGridRow& row : high) measure(row);
  auto print = [&](const TGridRow& row) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(width[c] - TextWidth(row[c]) + 2, ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  };
  out << kLowSpeedTitle << '\n';
  print(tables.low[0]);
  for (const TGridRow& row : low) print(row);
  out << '\n' << kHighSpeedTitle << '\n';
  for (const TGridRow& row : high) print(row);
}

// The page's scan, then one counter poll; a counter the poll could not read is left out.
class TBusScan final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    if (context.options.words.size() != 2) return context.Usage();
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    TDiagRecords records;  // this run's own: nothing from an earlier scan is listed
    const TBusListing listing = ScanPeripheralBuses(true, records);
    const TBusPollResult poll = PollBusStatistics(records);
    if (context.options.json) {
      context.out << JsonText(BusScanJson(listing, poll, records)) << '\n';
      return kExitDone;
    }
    TBusTables tables = BusTables(listing);
    ShowBusStatistics(true, records, tables);
    auto clearCounters = [](TGridRow& row) {
      row[bcExchanges].clear();
      row[bcTimeouts].clear();
      row[bcErrors].clear();
    };
    if (listing.panel && !poll.panelRead) clearCounters(tables.low[1]);
    for (const TModuleListing& module : listing.modules)
      if (!poll.moduleRead[static_cast<size_t>(module.slot)])
        clearCounters(tables.high[static_cast<size_t>(module.row)]);
    PrintTables(context.out, tables);
    return kExitDone;
  }
};

// "+" for a passed bit, "-" for a failed one, bit 15 first as the circles stand.
std::string BitsText(const TLoopbackWord& word) {
  std::string text;
  for (int bit = kLoopbackBits - 1; bit >= 0; --bit)
    text += word.bits[static_cast<size_t>(bit)] ? '+' : '-';
  return text;
}

class TTestLoopback final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const TCliOptions& options = context.options;
    if (options.words.size() != 2) return context.Usage();
    if (options.low.empty() && options.high.empty())
      return context.Fail("test loopback needs --low or --high (or both)", kExitUsage);
    request_.pair = options.pair;
    for (auto [text, item, name] : {std::tuple{&options.low, &request_.lowInput, "--low"},
                                    std::tuple{&options.high, &request_.highInput, "--high"}}) {
      if (text->empty()) continue;
      *item = FindInputWord(*text);
      if (!*item)
        return context.Fail(std::string(name) + " must be an input word 167602, 167604, ..., " +
                                "167624, not '" + *text + "'",
                            kExitUsage);
    }
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    // Each word takes about five seconds: a terminal is told how far it got.
    const bool progress =
        !context.options.quiet && &context.err == &std::cerr && ::isatty(STDERR_FILENO);
    TLoopbackReport report;
    if (progress)
      report = [&context](TLoopbackRow row, int bit, bool passed) {
        context.err << '\r' << (row == lrHigh ? "high" : "low") << " word: bit " << bit << ' '
                    << (passed ? "passed" : "failed") << "   " << std::flush;
      };
    TInterruptScope interrupt;
    const TLoopbackRun run =
        RunLoopback(request_, true, {}, report, [] { return TInterruptScope::Interrupted(); });
    if (progress) context.err << "\r\033[K" << std::flush;
    if (!run.moduleAnswered) return context.Fail("the firmware does not answer");
    if (run.cancelled)
      return context.Fail("interrupted; the output words were set to 0", kExitInterrupted);
    if (context.options.json) {
      TJson json;
      json["low"] = LoopbackWordJson(run.low);
      json["high"] = LoopbackWordJson(run.high);
      context.out << JsonText(json) << '\n';
    } else {
      for (auto [name, word] : {std::pair{"low", &run.low}, std::pair{"high", &run.high}}) {
        if (!*word) continue;
        context.out << name << " word: output " << WordToOctal((*word)->output) << ", input "
                    << WordToOctal((*word)->input) << ": " << BitsText(**word) << ' '
                    << ((*word)->Passed() ? "passed" : "FAILED") << '\n';
      }
    }
    return run.Passed() ? kExitDone : kExitFailed;
  }

 private:
  TLoopbackRequest request_;
};

}  // namespace

std::unique_ptr<TCliCommand> MakeBusScanCommand() {
  return std::make_unique<TBusScan>();
}
std::unique_ptr<TCliCommand> MakeTestLoopbackCommand() {
  return std::make_unique<TTestLoopback>();
}

}  // namespace karvelm::cli
