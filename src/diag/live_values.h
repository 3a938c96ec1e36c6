// Recording live values: one row of cells per sample from the same reads as the diagnostics
// pages (bus counters, board words, DAC registers and corrections, position counters), and
// the CSV form of a row.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diag/bus_page.h"
#include "diag/dac_page.h"
#include "diag/diag_records.h"

namespace karvelm {

enum TLiveSource : int {
  lsBus,
  lsIo,
  lsDac,
  lsSensors,
};

// "bus", "io", "dac", "sensors".
std::optional<TLiveSource> FindLiveSource(std::string_view name);

class TLiveRecorder {
 public:
  explicit TLiveRecorder(TLiveSource source);
  TLiveRecorder(const TLiveRecorder&) = delete;
  TLiveRecorder& operator=(const TLiveRecorder&) = delete;

  // What fixes the columns, once before the first sample: the bus scan for bus (the devices
  // listed then are the columns), the DAC sub-page's entry for dac (which corrections a
  // listed RK-130M serves).
  void Prepare();
  // The column titles, without the time.
  std::vector<std::string> Columns() const;
  // One sample into cells (one per column); a value that could not be read is an empty
  // cell. True when every read succeeded.
  bool Sample(std::vector<std::string>& cells);

 private:
  TLiveSource FSource;
  TDiagRecords FRecords;
  TBusListing FListing;
  TDacPage FDac{FRecords};
};

// The cells joined by commas; a cell with a comma, a quote or a line break is quoted.
std::string CsvLine(const std::vector<std::string>& cells);

// Local time as ISO 8601 with milliseconds: "2026-03-14T09:26:53.589".
std::string LocalTimestampMs();

}  // namespace karvelm
