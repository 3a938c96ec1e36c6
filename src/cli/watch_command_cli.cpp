#include "cli/watch_command_cli.h"

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "cli/json_text.h"
#include "diag/live_values.h"

namespace karvelm::cli {

namespace {

// Ctrl-C ends the recording after the row in hand; the file keeps every row written.
volatile sig_atomic_t watchInterrupted = 0;

void OnWatchInterrupt(int) {
  watchInterrupted = 1;
}

class TInterruptScope {
 public:
  TInterruptScope() {
    watchInterrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnWatchInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
  }
  ~TInterruptScope() { sigaction(SIGINT, &previous_, nullptr); }
  TInterruptScope(const TInterruptScope&) = delete;
  TInterruptScope& operator=(const TInterruptScope&) = delete;

 private:
  struct sigaction previous_ {};
};

// Long intervals are slept in slices so that Ctrl-C is heard soon.
constexpr uint64_t kSleepSliceMs = 100;

class TWatch final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const TCliOptions& options = context.options;
    if (options.words.size() != 2 || options.csv.empty()) return context.Usage();
    source_ = FindLiveSource(options.words[1]);
    if (!source_)
      return context.Fail("WHAT must be bus, io, dac or sensors, not '" + options.words[1] + "'",
                          kExitUsage);
    if ((options.given & obCount) && !options.count)
      return context.Fail("--count needs the number of rows", kExitUsage);
    // The file is opened before the link, so a path that cannot be written fails at once.
    file_.open(options.csv, std::ios::binary | std::ios::trunc);
    if (!file_) return context.Fail("cannot create " + options.csv);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    const TCliOptions& options = context.options;
    TLiveRecorder recorder(*source_);
    recorder.Prepare();
    std::vector<std::string> header = recorder.Columns();
    header.insert(header.begin(), "time");
    file_ << CsvLine(header) << '\n' << std::flush;

    TClock& clock = Clock();
    const uint64_t intervalMs = static_cast<uint64_t>(options.intervalSeconds * 1000 + 0.5);
    const uint64_t start = clock.NowMs();
    long rows = 0, failed = 0;
    std::vector<std::string> cells;
    {
      TInterruptScope interrupt;
      // Row i is due at start + i intervals: a slow read does not push the later rows.
      for (long row = 0; !options.count || row < *options.count; ++row) {
        const uint64_t due = start + static_cast<uint64_t>(row) * intervalMs;
        for (uint64_t now = clock.NowMs(); now < due && !watchInterrupted; now = clock.NowMs())
          clock.SleepMs(static_cast<int>(std::min(due - now, kSleepSliceMs)));
        if (watchInterrupted) break;
        const std::string time = LocalTimestampMs();
        if (!recorder.Sample(cells)) ++failed;
        cells.insert(cells.begin(), time);
        file_ << CsvLine(cells) << '\n' << std::flush;
        if (!file_) return context.Fail("cannot write " + options.csv);
        ++rows;
      }
    }
    file_.close();
    if (!file_) return context.Fail("cannot write " + options.csv);
    if (options.json) {
      TJson json;
      json["file"] = options.csv;
      json["rows"] = rows;
      json["failed"] = failed;
      json["interrupted"] = watchInterrupted != 0;
      context.out << JsonText(json) << '\n';
    } else {
      context.out << rows << " rows written to " << options.csv << '\n';
    }
    if (failed > 0)
      return context.Fail(std::to_string(failed) + " of " + std::to_string(rows) +
                          " samples could not be read (their cells are empty)");
    return kExitDone;
  }

 private:
  std::optional<TLiveSource> source_;
  std::ofstream file_;
};

}  // namespace

std::unique_ptr<TCliCommand> MakeWatchCommand() {
  return std::make_unique<TWatch>();
}

}  // namespace karvelm::cli
