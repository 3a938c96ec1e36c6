// dac, sensors and test count: end to end against karvelm-sim on loopback, and over both USB
// kinds against the in-process module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "cli_usb_fixture.h"
#include "link/commands.h"
#include "sim/dac_model.h"
#include "sim/peripheral_setup.h"
#include "sim/sensor_model.h"
#include "udp_test_ports.h"

namespace karvelm {
namespace {

using testing::RunProgram;
using testing::TCliRun;
using testing::TRunResult;
using testing::TSimProcess;

TRunResult Karvelm(const TSimProcess& sim, std::vector<std::string> args,
                   double interruptAfter = 0) {
  std::vector<std::string> full = {
      "--ip", "127.0.0.1", "--port", std::to_string(sim.Port()), "--local-port", "0"};
  full.insert(full.end(), args.begin(), args.end());
  return RunProgram(KARVELM_CLI_PATH, full, 30, interruptAfter);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CliDiag, DacShowSetCorrectAndSave) {
  TSimProcess sim({"--dac-channels", "4", "--dac-corrections", "5,-1,0,0,9,9,9,9"});
  TRunResult r = Karvelm(sim, {"dac", "set", "8", "177777"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = Karvelm(sim, {"dac", "correct", "3", "+", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"channel\": 3, \"correction\": 1}\n");
  r = Karvelm(sim, {"dac", "correct", "1", "0"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // Channels 5..8 have no RK-130M serving them: null, whatever the module holds.
  r = Karvelm(sim, {"dac", "show", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"registers\": [\"0\", \"0\", \"0\", \"0\", \"0\", \"0\", \"0\", \"177777\"], "
            "\"corrections\": [0, -1, 1, 0, null, null, null, null]}\n");
  r = Karvelm(sim, {"dac", "save", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"saved\": true}\n");
  EXPECT_GE(r.seconds, 0.3) << "the store waits 300 ms";
}

TEST(CliDiag, SensorsShowTheCounters) {
  TSimProcess sim({"--start-count", "1234567"});
  TRunResult r = Karvelm(sim, {"sensors", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out,
                  "{\"channels\": [{\"address\": \"167700\", \"count\": \"1234.567\", "
                  "\"value\": 19088743}, {\"address\": \"167704\", \"count\": \"1234.567\""))
      << r.out;
  EXPECT_TRUE(Has(r.out, "{\"address\": \"167734\", \"count\": \"0000.000\", \"value\": 0}]}"));
  r = Karvelm(sim, {"sensors"});
  EXPECT_TRUE(Has(r.out, "167710  0000.000\n")) << r.out;
}

struct TCountCliCase {
  const char* name;
  std::vector<std::string> simArgs;
  std::vector<std::string> args;
  int exitCode;
  std::string json;
};

class CliCount : public ::testing::TestWithParam<TCountCliCase> {};

TEST_P(CliCount, ResultsAndExit) {
  const TCountCliCase& c = GetParam();
  TSimProcess sim(c.simArgs);
  std::vector<std::string> args = {"test", "count", "--json"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  TRunResult r = Karvelm(sim, args);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  EXPECT_EQ(r.out, c.json + "\n");
}

const std::string kBothOk =
    "{\"normal\": {\"channel\": \"167700\", \"output\": \"167630\", \"up\": \"ОК\", \"down\": "
    "\"ОК\", \"zero\": \"ОК\"}, \"additional\": {\"channel\": \"167704\", \"output\": "
    "\"167632\", \"up\": \"ОК\", \"down\": \"ОК\", \"zero\": \"ОК\"}}";

INSTANTIATE_TEST_SUITE_P(
    Harness, CliCount,
    ::testing::Values(
        TCountCliCase{
            "bothWiringsPass", {}, {"--normal", "167700", "--additional", "167704"}, 0, kBothOk},
        TCountCliCase{"lostCount",
                      {"--lose-counts", "4"},
                      {"--normal", "167700"},
                      1,
                      "{\"normal\": {\"channel\": \"167700\", \"output\": \"167630\", \"up\": "
                      "\"ошибка счета\", \"down\": \"-\", \"zero\": \"-\"}, \"additional\": null}"},
        TCountCliCase{"anotherChannelCounts",
                      {"--harness", "167624=167704", "--also-counts", "167710"},
                      {"--pair", "0", "--normal", "167704"},
                      1,
                      "{\"normal\": {\"channel\": \"167704\", \"output\": \"167624\", \"up\": "
                      "\"счет по 167710\", \"down\": \"-\", \"zero\": \"-\"}, \"additional\": "
                      "null}"},
        TCountCliCase{"noZeroMark",
                      {"--no-zero-mark", "--start-count", "9999950"},
                      {"--additional", "167704"},
                      1,
                      "{\"normal\": null, \"additional\": {\"channel\": \"167704\", \"output\": "
                      "\"167632\", \"up\": \"ОК\", \"down\": \"ОК\", \"zero\": \"ошибка\"}}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliDiag, SawtoothEndsByItselfAndOnCtrlC) {
  TSimProcess sim;
  TRunResult r = Karvelm(sim, {"dac", "sawtooth", "8", "1", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"address\": \"167656\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"failed\": 0, ")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"interrupted\": false")) << r.out;
  EXPECT_GE(r.seconds, 1.0);

  r = Karvelm(sim, {"dac", "sawtooth", "1", "3600", "--json"}, 0.5);
  EXPECT_EQ(r.exitCode, 130) << r.err;  // ended by a signal
  EXPECT_TRUE(Has(r.out, "\"interrupted\": true")) << r.out;
  EXPECT_LT(r.seconds, 5.0);
  // The channel keeps the last sample the tool reported.
  const size_t last = r.out.find("\"last\": \"");
  ASSERT_NE(last, std::string::npos) << r.out;
  const std::string lastText = r.out.substr(last + 9, r.out.find('"', last + 9) - last - 9);
  r = Karvelm(sim, {"bus", "read", "167640"});
  EXPECT_EQ(r.out, "167640: " + lastText + "\n");
}

TEST(CliDiag, NoModuleFailsWithExit1) {
  testing::TPeerSocket silent;
  for (std::vector<std::string> args : {std::vector<std::string>{"dac", "show"},
                                        {"sensors"},
                                        {"test", "count", "--normal", "167700"}}) {
    std::vector<std::string> full = {
        "--ip", "127.0.0.1", "--port", std::to_string(silent.Port()), "--local-port", "0"};
    full.insert(full.end(), args.begin(), args.end());
    TRunResult r = RunProgram(KARVELM_CLI_PATH, full, 20);
    EXPECT_EQ(r.exitCode, 1) << args[0];
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

// Over USB, in process: the commands run on the module's fake clock, so the count test's and
// the sawtooth's waits cost nothing.
using CliDacSensorUsb = testing::TCliUsbFixture;

TEST_P(CliDacSensorUsb, CorrectionsAndTheCountTest) {
  testing::TSimHidModule& module = Plug(spFirmware);
  ApplyPeripheralSetup(module.sim, LivelySetup());  // its RK-130M serves the corrections
  TDacModel* dac = module.sim.FindModel<TDacModel>();
  dac->corrections[1] = -1;
  TCliRun r = Run({"dac", "show", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"corrections\": [0, -1, 0, 0, 0, 0, 0, 0]")) << r.out;
  r = Run({"dac", "correct", "2", "-"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(dac->corrections[1], -2);
  EXPECT_EQ(dac->refusedSets, 0) << "sent between cmdPause and cmdResume";

  r = Run({"test", "count", "--normal", "167700", "--additional", "167704"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "additional wiring: channel 167704, output 167632\n  Счет в +: ОК\n"))
      << r.out;

  r = Run({"dac", "sawtooth", "8", "1", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"samples\": 100,")) << r.out;
  EXPECT_EQ(dac->writes[7], 100u);
  EXPECT_EQ(dac->registers[7], 0x333 * 15) << "sample 100 is the 16th of the third period";
}

TEST_P(CliDacSensorUsb, BadArgumentsSendNothing) {
  testing::TSimHidModule& module = Plug(spFirmware);
  for (std::vector<std::string> args : {
           std::vector<std::string>{"dac", "set", "9", "1"},
           {"dac", "set", "0", "1"},
           {"dac", "set", "1", "200000"},
           {"dac", "set", "1", "8"},
           {"dac", "set", "1"},
           {"dac", "correct", "1", "++"},
           {"dac", "correct", "9", "+"},
           {"dac", "sawtooth", "1", "0"},
           {"dac", "sawtooth", "1", "3601"},
           {"dac", "save", "now"},
           {"dac", "show", "1"},
           {"sensors", "1"},
           {"test", "count"},
           {"test", "count", "--normal", "167702"},
           {"test", "count", "--additional", "167740"},
           {"test", "count", "--pair", "3", "--normal", "167700"},
           {"sensors", "--pair", "1"},
       }) {
    TCliRun r = Run(args);
    EXPECT_EQ(r.code, 2) << args[0] << " " << args[1] << " " << args.back();
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_TRUE(module.sim.Received().empty());
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, CliDacSensorUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

}  // namespace
}  // namespace karvelm
