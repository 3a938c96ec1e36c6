#include "diag/live_values.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "base/octal_text.h"
#include "diag/board_io.h"
#include "diag/ext_module_types.h"
#include "diag/sensor_page.h"

namespace karvelm {

namespace {

constexpr const char* kCounterNames[] = {"exchanges", "timeouts", "errors"};

// A module of no known kind is never polled: it has no counter columns.
bool Polled(const TModuleListing& module) {
  const TExtModuleType* type = FindExtModuleType(module.type);
  return type && HasExtModuleStats(*type);
}

template <typename Counters>
void PutCounters(std::vector<std::string>& cells, const Counters& counters, bool read) {
  for (uint32_t value : {counters.Exchanges, counters.Timeouts, counters.Errors})
    cells.push_back(read ? std::to_string(value) : std::string());
}

std::string WordAt(uint16_t base, int word) {
  return WordToOctal(static_cast<uint16_t>(base + 2 * word));
}

}  // namespace

std::optional<TLiveSource> FindLiveSource(std::string_view name) {
  if (name == "bus") return lsBus;
  if (name == "io") return lsIo;
  if (name == "dac") return lsDac;
  if (name == "sensors") return lsSensors;
  return std::nullopt;
}

TLiveRecorder::TLiveRecorder(TLiveSource source) : FSource(source) {}

void TLiveRecorder::Prepare() {
  if (FSource == lsBus) FListing = ScanPeripheralBuses(true, FRecords);
  if (FSource == lsDac) FDac.Enter(true);
}

std::vector<std::string> TLiveRecorder::Columns() const {
  std::vector<std::string> columns;
  switch (FSource) {
    case lsBus:
      if (FListing.panel)
        for (const char* counter : kCounterNames)
          columns.push_back(std::string("panel ") + counter);
      for (const TModuleListing& module : FListing.modules) {
        if (!Polled(module)) continue;
        for (const char* counter : kCounterNames)
          columns.push_back(module.name + " " + module.addressText + " " + counter);
      }
      break;
    case lsIo:
      for (int word = 0; word < kBoardInputWords; ++word)
        columns.push_back("in " + WordAt(kBoardInputBase, word));
      for (int word = 0; word < kBoardOutputWords; ++word)
        columns.push_back("out " + WordAt(kBoardOutputBase, word));
      break;
    case lsDac:
      for (int channel = 0; channel < kDacRegisterWords; ++channel)
        columns.push_back("dac " + WordAt(kDacBase, channel));
      for (int channel = 0; channel < kDacRegisterWords; ++channel)
        columns.push_back("correction " + std::to_string(channel + 1));
      break;
    case lsSensors:
      for (const char* channel : kSensorChannelTexts) columns.push_back(channel);
      break;
  }
  return columns;
}

bool TLiveRecorder::Sample(std::vector<std::string>& cells) {
  cells.clear();
  switch (FSource) {
    case lsBus: {
      const TBusPollResult poll = PollBusStatistics(FRecords);
      bool all = !FListing.panel || poll.panelRead;
      if (FListing.panel) PutCounters(cells, FRecords.panelStats, poll.panelRead);
      for (const TModuleListing& module : FListing.modules) {
        if (!Polled(module)) continue;
        const size_t slot = static_cast<size_t>(module.slot);
        PutCounters(cells, FRecords.extStats[slot], poll.moduleRead[slot]);
        all = all && poll.moduleRead[slot];
      }
      return all;
    }
    case lsIo: {
      // One failed read of the two leaves stale words; the row says nothing rather than that.
      const bool read = ReadBoardRegisters(FRecords);
      for (uint16_t word : FRecords.BoardInputs) cells.push_back(read ? WordToOctal(word) : "");
      for (uint16_t word : FRecords.BoardOutputs) cells.push_back(read ? WordToOctal(word) : "");
      return read;
    }
    case lsDac: {
      const bool read = FDac.Read();
      FDac.Show();
      const std::array<bool, kDacRegisterWords> served = ServedDacChannels(FRecords);
      for (int channel = 0; channel < kDacRegisterWords; ++channel)
        cells.push_back(read ? FDac.RegisterText(channel) : "");
      for (size_t channel = 0; channel < served.size(); ++channel)
        cells.push_back(read && served[channel] ? std::to_string(FRecords.DacCorrections[channel])
                                                : "");
      return read;
    }
    case lsSensors: {
      TSensorPage page(FRecords);
      const bool read = page.Read();
      for (int channel = 0; channel < kSensorChannels; ++channel)
        cells.push_back(read ? page.CountText(channel) : "");
      return read;
    }
  }
  return false;
}

std::string CsvLine(const std::vector<std::string>& cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) line += ',';
    const std::string& cell = cells[i];
    if (cell.find_first_of(",\"\r\n") == std::string::npos) {
      line += cell;
      continue;
    }
    line += '"';
    for (char c : cell) {
      if (c == '"') line += '"';
      line += c;
    }
    line += '"';
  }
  return line;
}

std::string LocalTimestampMs() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const long ms = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[40];
  const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03ld", ms);
  return text;
}

}  // namespace karvelm
