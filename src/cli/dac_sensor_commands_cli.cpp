#include "cli/dac_sensor_commands_cli.h"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/octal_text.h"
#include "cli/interrupt_scope.h"
#include "cli/json_text.h"
#include "diag/dac_page.h"
#include "diag/dac_sawtooth.h"
#include "diag/diag_records.h"
#include "diag/loopback_test.h"
#include "diag/sensor_count.h"
#include "diag/sensor_page.h"
#include "report/report_json.h"

namespace karvelm::cli {

namespace {

constexpr int kMaxSawtoothSeconds = 3600;

std::optional<int> ParseNumber(const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
    return std::nullopt;
  return value;
}

// CHANNEL 1..8 of the DAC commands as the tag 0..7; a usage error otherwise.
bool ParseDacChannel(const TCliContext& context, const std::string& text, int& tag) {
  const std::optional<int> channel = ParseNumber(text, 1, kDacRegisterWords);
  if (!channel) {
    context.Fail("CHANNEL must be 1..8, not '" + text + "'", kExitUsage);
    return false;
  }
  tag = *channel - 1;
  return true;
}

std::string DacAddress(int tag) {
  return WordToOctal(static_cast<uint16_t>(kDacBase + 2 * tag));
}

class TDacShow final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    return context.options.words.size() == 2 ? kExitDone : context.Usage();
  }

  // The sub-page's entry (both RK-130M slots queried again), then one tick's read and show.
  int Run(const TCliContext& context) override {
    TDiagRecords records;
    TDacPage page(records);
    page.Enter(true);
    if (!page.Read()) return context.Fail("the DAC registers or corrections could not be read");
    page.Show();
    const std::array<bool, kDacRegisterWords> served = ServedDacChannels(records);
    if (context.options.json) {
      TJson registers = TJson::array(), corrections = TJson::array();
      for (int i = 0; i < kDacRegisterWords; ++i) {
        registers.push_back(page.RegisterText(i));
        corrections.push_back(served[static_cast<size_t>(i)]
                                  ? TJson(records.DacCorrections[static_cast<size_t>(i)])
                                  : TJson(nullptr));
      }
      TJson json;
      json["registers"] = registers;
      json["corrections"] = corrections;
      context.out << JsonText(json) << '\n';
    } else {
      for (int i = 0; i < kDacRegisterWords; ++i)
        context.out << DacChannelCaption(i) << "  " << DacAddress(i) << ": " << page.RegisterText(i)
                    << "  correction " << page.CorrectionText(i) << '\n';
    }
    return kExitDone;
  }
};

class TDacSet final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 4) return context.Usage();
    if (!ParseDacChannel(context, words[2], tag_)) return kExitUsage;
    // The page would wrap 200000 to 0; the tool refuses it.
    const std::optional<uint16_t> value = ParseOctalWordStrict(words[3]);
    if (!value) return context.Fail("bad octal value '" + words[3] + "' (0..177777)", kExitUsage);
    value_ = *value;
    return kExitDone;
  }

  // The channel's entry, then its write button.
  int Run(const TCliContext& context) override {
    TDiagRecords records;
    TDacPage page(records);
    page.DACChange(tag_, WordToOctal(value_));
    if (!page.DACClick(tag_, true)) return context.Fail("the DAC register write failed");
    if (context.options.json) {
      TJson json;
      json["channel"] = tag_ + 1;
      json["address"] = DacAddress(tag_);
      json["value"] = WordToOctal(value_);
      context.out << JsonText(json) << '\n';
    } else {
      context.out << DacAddress(tag_) << " := " << WordToOctal(value_) << '\n';
    }
    return kExitDone;
  }

 private:
  int tag_ = 0;
  uint16_t value_ = 0;
};

class TDacCorrect final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 4) return context.Usage();
    if (!ParseDacChannel(context, words[2], tag_)) return kExitUsage;
    if (words[3] == "+")
      step_ = dsUp;
    else if (words[3] == "-")
      step_ = dsDown;
    else if (words[3] == "0")
      step_ = dsZero;
    else
      return context.Fail("the step must be +, - or 0, not '" + words[3] + "'", kExitUsage);
    return kExitDone;
  }

  // The page steps from the corrections its tick last read; so does the tool. A step from a
  // failed read would send a whole table of wrong values, so that is refused.
  int Run(const TCliContext& context) override {
    TDiagRecords records;
    TDacPage page(records);
    if (!page.Read()) return context.Fail("the DAC corrections could not be read");
    if (!page.CorrectionStep(tag_, step_, true)) return context.Fail("the module does not answer");
    if (!page.LastTransferOk()) return context.Fail("the corrections were not taken");
    const int32_t correction = records.DacCorrections[static_cast<size_t>(tag_)];
    if (context.options.json) {
      TJson json;
      json["channel"] = tag_ + 1;
      json["correction"] = correction;
      context.out << JsonText(json) << '\n';
    } else {
      context.out << DacChannelCaption(tag_) << ": correction " << correction << '\n';
    }
    return kExitDone;
  }

 private:
  int tag_ = 0;
  TDacStep step_ = dsUp;
};

class TDacSave final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    return context.options.words.size() == 2 ? kExitDone : context.Usage();
  }

  int Run(const TCliContext& context) override {
    TDiagRecords records;
    TDacPage page(records);
    if (!page.Store(true)) return context.Fail("the module does not answer");
    if (!page.LastTransferOk()) return context.Fail("the corrections were not stored");
    if (context.options.json)
      context.out << JsonText({{"saved", true}}) << '\n';
    else
      context.out << "corrections stored\n";
    return kExitDone;
  }
};

class TDacSawtooth final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const auto& words = context.options.words;
    if (words.size() != 4) return context.Usage();
    if (!ParseDacChannel(context, words[2], tag_)) return kExitUsage;
    const std::optional<int> seconds = ParseNumber(words[3], 1, kMaxSawtoothSeconds);
    if (!seconds)
      return context.Fail("SECONDS must be 1..3600, not '" + words[3] + "'", kExitUsage);
    seconds_ = *seconds;
    return kExitDone;
  }

  // The page's 10 ms timer: one sample per event; a late event is not made up for, as a
  // timer does not queue missed events. A failed write does not stop the test.
  int Run(const TCliContext& context) override {
    TSawtoothTest test;
    if (!test.Start(tag_, true)) return context.Fail("the module does not answer");
    TClock& clock = Clock();
    const uint64_t start = clock.NowMs();
    const uint64_t end = start + static_cast<uint64_t>(seconds_) * 1000;
    uint64_t next = start;
    long samples = 0, failed = 0;
    uint16_t last = 0;
    {
      TInterruptScope interrupt;
      while (!TInterruptScope::Interrupted() && clock.NowMs() < end) {
        last = test.Generator().Sample();
        if (!test.Tick()) ++failed;
        ++samples;
        next += kDacTimerIntervalMs;
        const uint64_t now = clock.NowMs();
        if (next > now)
          clock.SleepMs(static_cast<int>(next - now));
        else
          next = now;
      }
    }
    // Stopped by hand or by the clock, the channel keeps its last sample, as on the page.
    test.Stop();
    const bool interrupted = TInterruptScope::Interrupted();
    if (context.options.json) {
      TJson json;
      json["channel"] = tag_ + 1;
      json["address"] = DacAddress(tag_);
      json["samples"] = samples;
      json["failed"] = failed;
      json["last"] = WordToOctal(last);
      json["interrupted"] = interrupted;
      context.out << JsonText(json) << '\n';
    } else {
      context.out << DacChannelCaption(tag_) << ": " << samples << " samples, last "
                  << WordToOctal(last) << (interrupted ? " (interrupted)" : "") << '\n';
    }
    if (failed > 0)
      return context.Fail(std::to_string(failed) + " of " + std::to_string(samples) +
                              " samples were not acknowledged",
                          interrupted ? kExitInterrupted : kExitFailed);
    return interrupted ? kExitInterrupted : kExitDone;
  }

 private:
  int tag_ = 0;
  int seconds_ = 1;
};

class TSensors final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    return context.options.words.size() == 1 ? kExitDone : context.Usage();
  }

  int Run(const TCliContext& context) override {
    TDiagRecords records;
    TSensorPage page(records);
    if (!page.Read()) return context.Fail("the position counters could not be read");
    TJson channels = TJson::array();
    for (int k = 0; k < kSensorChannels; ++k) {
      const std::string address = kSensorChannelTexts[static_cast<size_t>(k)];
      if (context.options.json) {
        TJson channel;
        channel["address"] = address;
        channel["count"] = page.CountText(k);
        channel["value"] = page.ChannelValue(k);
        channels.push_back(channel);
      } else {
        context.out << address << "  " << page.CountText(k) << '\n';
      }
    }
    if (context.options.json) {
      TJson json;
      json["channels"] = channels;
      context.out << JsonText(json) << '\n';
    }
    return kExitDone;
  }
};

// The row captions of the results group.
constexpr const char* kStepCaptions[] = {"Счет в +", "Счет в -", "0-метка"};

void PrintCount(std::ostream& out, const char* wiring, const std::optional<TCountResult>& result) {
  if (!result) return;
  out << wiring << ": channel " << kSensorChannelTexts[static_cast<size_t>(result->channel)]
      << ", output " << WordToOctal(result->output) << '\n';
  for (size_t step = 0; step < result->texts.size(); ++step)
    out << "  " << kStepCaptions[step] << ": " << result->texts[step] << '\n';
}

class TTestCount final : public TCliCommand {
 public:
  int Prepare(const TCliContext& context) override {
    const TCliOptions& options = context.options;
    if (options.words.size() != 2) return context.Usage();
    request_.pair = options.pair;
    for (auto [bit, text, item] :
         {std::tuple{obNormal, &options.normal, &request_.normal},
          std::tuple{obAdditional, &options.additional, &request_.additional}}) {
      if (!(options.given & bit)) continue;
      *item = FindSensorChannel(*text);
      if (!*item)
        return context.Fail("bad channel '" + *text + "' (167700, 167704, ... 167734)", kExitUsage);
    }
    if (!request_.normal && !request_.additional)
      return context.Fail("test count needs --normal or --additional (or both)", kExitUsage);
    return kExitDone;
  }

  int Run(const TCliContext& context) override {
    TInterruptScope interrupt;
    const TCountRun run =
        RunCountTests(request_, true, {}, {}, [] { return TInterruptScope::Interrupted(); });
    if (!run.moduleAnswered) return context.Fail("the module does not answer");
    if (run.cancelled)
      return context.Fail("interrupted; the output word and the channel's high word were set to 0",
                          kExitInterrupted);
    if (context.options.json) {
      TJson json;
      json["normal"] = CountResultJson(run.normal);
      json["additional"] = CountResultJson(run.additional);
      context.out << JsonText(json) << '\n';
    } else {
      PrintCount(context.out, "normal wiring", run.normal);
      PrintCount(context.out, "additional wiring", run.additional);
    }
    if (!run.Passed()) return context.Fail("the count test failed");
    return kExitDone;
  }

 private:
  TCountRequest request_;
};

}  // namespace

std::unique_ptr<TCliCommand> MakeDacShowCommand() {
  return std::make_unique<TDacShow>();
}
std::unique_ptr<TCliCommand> MakeDacSetCommand() {
  return std::make_unique<TDacSet>();
}
std::unique_ptr<TCliCommand> MakeDacCorrectCommand() {
  return std::make_unique<TDacCorrect>();
}
std::unique_ptr<TCliCommand> MakeDacSaveCommand() {
  return std::make_unique<TDacSave>();
}
std::unique_ptr<TCliCommand> MakeDacSawtoothCommand() {
  return std::make_unique<TDacSawtooth>();
}
std::unique_ptr<TCliCommand> MakeSensorsCommand() {
  return std::make_unique<TSensors>();
}
std::unique_ptr<TCliCommand> MakeTestCountCommand() {
  return std::make_unique<TTestCount>();
}

}  // namespace karvelm::cli
