// karvelm watch: N rows of the right columns once per interval, over both USB kinds in
// process (the intervals run on the module's fake clock), and the CSV form of a row.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli_usb_fixture.h"
#include "diag/live_values.h"
#include "sim/dac_model.h"
#include "sim/peripheral_setup.h"
#include "sim/sensor_model.h"
#include "sim/sim_faults.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using testing::TCliRun;
using testing::TSimHidModule;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  std::istringstream in(line);
  while (std::getline(in, cell, ',')) cells.push_back(cell);
  if (!line.empty() && line.back() == ',') cells.push_back("");
  return cells;
}

struct TWatchCase {
  const char* what;
  std::string header;            // the columns after "time"
  std::vector<std::string> row;  // the cells of every row after the time
};

// The tool over the second USB generation to a module in process, as the USB fixture does it
// for the tests parameterised by the link kind.
class TWatchFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    if (module_) ExpectNoViolations(module_->sim);
  }
  TSimHidModule& Plug() {
    TSimConfig config;
    config.program = spFirmware;
    module_ = std::make_unique<TSimHidModule>(itHID_NEW, config);
    SetClock(&module_->clock);
    hid_.backend().Plug(module_->device);
    ApplyPeripheralSetup(module_->sim, LivelySetup());
    return *module_;
  }
  TCliRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--link", "usb2"});
    return testing::RunCliInProcess(args);
  }

  testing::TFakeHidScope hid_;
  std::unique_ptr<TSimHidModule> module_;
  TLinkStateScope linkState;
  TTempFolder dir_;
};

class CliWatch : public TWatchFixture, public ::testing::WithParamInterface<TWatchCase> {};

// The lively set-up: a panel and modules with counters, the harnesses on 167630/167632, an
// RK-130M serving all eight corrections. The write of 167630 shows through the loop-back
// harness on 167602 (inverted; unwired inputs float to 1) and moves the first position
// counter by one step through the count harness.
TEST_P(CliWatch, WritesCountRowsOfTheColumns) {
  const TWatchCase& c = GetParam();
  TSimHidModule& module = Plug();
  module.sim.FindModel<TDacModel>()->corrections = {3, -1, 0, 0, 0, 0, 0, 7};
  ASSERT_EQ(Run({"bus", "write", "167630", "000017"}).code, 0);
  ASSERT_EQ(Run({"dac", "set", "2", "1234"}).code, 0);

  const std::string csv = dir_.File("values.csv");
  const uint64_t start = module.clock.NowMs();
  TCliRun r = Run({"watch", c.what, "--interval", "0.25", "--count", "4", "--csv", csv});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "4 rows written to " + csv + "\n");
  EXPECT_GE(module.clock.NowMs() - start, 750u) << "rows at 0, 250, 500 and 750 ms";
  EXPECT_LT(module.clock.NowMs() - start, 1000u);

  const std::vector<std::string> lines = Lines(TTempFolder::Read(csv));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "time," + c.header);
  const std::regex time(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3})");
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> cells = Cells(lines[i]);
    ASSERT_EQ(cells.size(), Cells(lines[0]).size()) << lines[i];
    EXPECT_TRUE(std::regex_match(cells[0], time)) << cells[0];
    if (c.row.empty()) {
      for (size_t k = 1; k < cells.size(); ++k) EXPECT_FALSE(cells[k].empty()) << lines[i];
    } else {
      EXPECT_EQ(std::vector<std::string>(cells.begin() + 1, cells.end()), c.row);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CliWatch,
    ::testing::Values(
        // Counters that move with every poll: each cell a number.
        TWatchCase{"bus",
                   "panel exchanges,panel timeouts,panel errors,RK-110M 0x0A exchanges,"
                   "RK-110M 0x0A timeouts,RK-110M 0x0A errors,RK-120M 0x14 exchanges,"
                   "RK-120M 0x14 timeouts,RK-120M 0x14 errors,RK-130M 0x1A exchanges,"
                   "RK-130M 0x1A timeouts,RK-130M 0x1A errors,RK-140M/RK-143M 0x1E exchanges,"
                   "RK-140M/RK-143M 0x1E timeouts,RK-140M/RK-143M 0x1E errors,"
                   "RK-150M 0x22 exchanges,RK-150M 0x22 timeouts,RK-150M 0x22 errors",
                   {}},
        // 167630 fed back, inverted, into 167602.
        TWatchCase{"io",
                   "in 167602,in 167604,in 167606,in 167610,in 167612,in 167614,in 167616,"
                   "in 167620,in 167622,in 167624,out 167624,out 167626,out 167630,"
                   "out 167632,out 167634,out 167636",
                   {"177760", "177777", "177777", "177777", "177777", "177777", "177777", "177777",
                    "177777", "0", "0", "0", "17", "0", "0", "0"}},
        TWatchCase{
            "dac",
            "dac 167640,dac 167642,dac 167644,dac 167646,dac 167650,dac 167652,"
            "dac 167654,dac 167656,correction 1,correction 2,correction 3,"
            "correction 4,correction 5,correction 6,correction 7,correction 8",
            {"0", "1234", "0", "0", "0", "0", "0", "0", "3", "-1", "0", "0", "0", "0", "0", "7"}},
        TWatchCase{"sensors",
                   "167700,167704,167710,167714,167720,167724,167730,167734",
                   {"0000.001", "0000.000", "0000.000", "0000.000", "0000.000", "0000.000",
                    "0000.000", "0000.000"}}),
    [](const auto& info) { return std::string(info.param.what); });

struct TWatchUsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* error;
};

class CliWatchUsage : public ::testing::TestWithParam<TWatchUsageCase> {};

TEST_P(CliWatchUsage, RefusedBeforeTheModuleIsAsked) {
  const TCliRun r = testing::RunCliInProcess(GetParam().args);
  EXPECT_EQ(r.code, 2) << r.err;
  EXPECT_NE(r.err.find(GetParam().error), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliWatchUsage,
    ::testing::Values(TWatchUsageCase{"NoCsv", {"watch", "bus", "--count", "3"}, "usage: watch"},
                      TWatchUsageCase{"NoWhat", {"watch", "--csv", "x.csv"}, "usage: watch"},
                      TWatchUsageCase{"UnknownWhat",
                                      {"watch", "leds", "--csv", "x.csv"},
                                      "WHAT must be bus, io, dac or sensors, not 'leds'"},
                      TWatchUsageCase{"CountWithoutNumber",
                                      {"watch", "io", "--csv", "x.csv", "--count"},
                                      "--count needs the number of rows"},
                      TWatchUsageCase{"CountZero",
                                      {"watch", "io", "--csv", "x.csv", "--count", "0"},
                                      "--count must be 1..1000000"},
                      TWatchUsageCase{"IntervalTooShort",
                                      {"watch", "io", "--csv", "x.csv", "--interval", "0"},
                                      "--interval must be"},
                      TWatchUsageCase{"ReportOption",
                                      {"watch", "io", "--csv", "x.csv", "--out", "d"},
                                      "option --out does not apply to watch"}),
    [](const auto& info) { return std::string(info.param.name); });

// A file that cannot be made fails before the link; a read that fails leaves its cells empty,
// the recording goes on, and the exit says how many.
using CliWatchFaults = TWatchFixture;

TEST_F(CliWatchFaults, UnwritableFileAndFailedReads) {
  TCliRun r = testing::RunCliInProcess(
      {"watch", "io", "--csv", "/nonexistent-folder/x.csv", "--count", "1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "cannot create /nonexistent-folder/x.csv\n");

  TSimHidModule& module = Plug();
  const std::string csv = dir_.File("sensors.csv");
  // What the probe and a sample cost in packets, from a run of one row and one of two.
  ASSERT_EQ(Run({"watch", "sensors", "--count", "1", "--csv", csv}).code, 0);
  const int one = static_cast<int>(module.sim.Requests().size());
  module.sim.ClearRecord();
  ASSERT_EQ(Run({"watch", "sensors", "--count", "2", "--csv", csv}).code, 0);
  const int two = static_cast<int>(module.sim.Requests().size());
  const int sample = two - one, probe = one - sample;
  // The module falls silent after the probe and two samples of the next run.
  module.sim.Faults().silentAfter = one + two + probe + 2 * sample;
  r = Run({"watch", "sensors", "--count", "4", "--interval", "0.5", "--csv", csv, "--json"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "{\"file\": \"" + csv + "\", \"rows\": 4, \"failed\": 2, \"interrupted\": false}\n");
  EXPECT_EQ(r.err, "2 of 4 samples could not be read (their cells are empty)\n");
  const std::vector<std::string> lines = Lines(TTempFolder::Read(csv));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2].substr(23),
            ",0000.000,0000.000,0000.000,0000.000,0000.000,0000.000,"
            "0000.000,0000.000");
  EXPECT_EQ(lines[3].substr(23), ",,,,,,,,");
  EXPECT_EQ(lines[4].substr(23), ",,,,,,,,");
  module.sim.Faults().silentAfter = kSimAlways;
}

TEST(CsvLine, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(CsvLine({}), "");
  EXPECT_EQ(CsvLine({"a", "", "167602"}), "a,,167602");
  EXPECT_EQ(CsvLine({"x,y", "say \"hi\"", "two\nlines", "П.У."}),
            "\"x,y\",\"say \"\"hi\"\"\",\"two\nlines\",П.У.");
}

}  // namespace
}  // namespace karvelm
