// The diagnostics commands: bus scan and test loopback, end to end against karvelm-sim on
// loopback UDP, and over both USB kinds in process (where the test's waits take no time).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "cli_usb_fixture.h"
#include "sim/harness_model.h"
#include "sim/peripheral_setup.h"

namespace karvelm {
namespace {

using testing::RunProgram;
using testing::TCliRun;
using testing::TCliUsbFixture;
using testing::TRunResult;
using testing::TSimProcess;

TRunResult Karvelm(int port, std::vector<std::string> args) {
  std::vector<std::string> full = {"--ip",         "127.0.0.1", "--port", std::to_string(port),
                                   "--local-port", "0"};
  full.insert(full.end(), args.begin(), args.end());
  return RunProgram(KARVELM_CLI_PATH, full, 60);
}

// The panel, two boards of one type, a module in its bootloader and one of no known kind
// (listed last, never polled: its counters are null). Every counter has moved once.
TEST(CliDiag, BusScanJsonListsEveryDeviceInListingOrder) {
  TSimProcess sim({"--no-ext-modules", "--ext-module", "5:0:30:00010200", "--ext-module",
                   "0:1:0b:01011500:0006", "--ext-module", "4:0:22:010000B0", "--ext-module",
                   "0:0:0a:01011500:3000"});
  TRunResult r = Karvelm(sim.Port(), {"bus", "scan", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"panel\": {\"console\": true, \"panel_registers\": true, \"version\": \"1.9.0.\", "
            "\"version_word\": 17367040, \"registers\": [\"177560\", \"177562\", \"166760\", "
            "\"166762\", \"166764\"], \"exchanges\": 48238, \"timeouts\": 2, \"errors\": 0}, "
            "\"modules\": ["
            "{\"type\": 0, \"index\": 0, \"name\": \"RK-110M\", \"address\": 10, \"version\": "
            "\"1.1.21.\", \"version_word\": 16848128, \"bootloader\": false, \"registers\": "
            "[\"167630\", \"167632\"], \"exchanges\": 25, \"timeouts\": 0, \"errors\": 0}, "
            "{\"type\": 0, \"index\": 1, \"name\": \"RK-110M\", \"address\": 11, \"version\": "
            "\"1.1.21.\", \"version_word\": 16848128, \"bootloader\": false, \"registers\": "
            "[\"167602\", \"167604\"], \"exchanges\": 25, \"timeouts\": 0, \"errors\": 0}, "
            "{\"type\": 4, \"index\": 0, \"name\": \"RK-150M\", \"address\": 34, \"version\": "
            "\"1.0.0.\", \"version_word\": 16777392, \"bootloader\": true, \"registers\": [], "
            "\"exchanges\": 25, \"timeouts\": 0, \"errors\": 0}, "
            "{\"type\": 5, \"index\": 0, \"name\": \"RK-???M\", \"address\": 48, \"version\": "
            "\"0.1.2.\", \"version_word\": 66048, \"bootloader\": false, \"registers\": [], "
            "\"exchanges\": null, \"timeouts\": null, \"errors\": null}]}\n");

  TSimProcess bare({"--bare"});
  r = Karvelm(bare.Port(), {"bus", "scan", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"panel\": null, \"modules\": []}\n");
}

// One word that passes and one that fails: two crossed lines fail exactly their two bits.
TEST(CliDiag, LoopbackPassesThroughTheHarnessAndFailsOnCrossedLines) {
  TSimProcess sim({"--harness-swap", "167604:0:15"});
  TRunResult r = Karvelm(sim.Port(), {"test", "loopback", "--low", "167602"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "low word: output 167630, input 167602: ++++++++++++++++ passed\n");
  EXPECT_TRUE(r.err.empty()) << "no progress when stderr is not a terminal: " << r.err;

  r = Karvelm(sim.Port(), {"test", "loopback", "--high", "167604", "--json"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  std::string bits = "false";
  for (int i = 1; i < 15; ++i) bits += ", true";
  bits += ", false";
  EXPECT_EQ(r.out,
            "{\"low\": null, \"high\": {\"input\": \"167604\", \"output\": \"167632\", "
            "\"bits\": [" +
                bits + "]}}\n");
}

using CliDiagUsb = TCliUsbFixture;

// The same commands over USB: the scan's tables as the page shows them, the loop-back test
// with the harness unplugged (every bit fails) and plugged in again.
TEST_P(CliDiagUsb, ScanTablesAndLoopback) {
  testing::TSimHidModule& module = Plug(spFirmware);
  TSimPeripheralSetup setup = LivelySetup();
  setup.modules.resize(2);  // the RK-110M and the RK-120M
  ApplyPeripheralSetup(module.sim, setup);

  TCliRun r = Run({"bus", "scan"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Низкоскоростная шина\n"
            "Ус-во    Сет.адр.  Версия   Регистры  Обмены  Таймауты  Ошибки\n"
            "П.У.     0x01      1.9.0.   177560    48238   2         0\n"
            "                            177562\n"
            "                            166760\n"
            "                            166762\n"
            "                            166764\n"
            "\n"
            "Высокоскоростная шина\n"
            "RK-110M  0x0A      1.1.21.  167602    120425  3         1\n"
            "                            167604\n"
            "                            167606\n"
            "                            167610\n"
            "                            167612\n"
            "                            167630\n"
            "                            167632\n"
            "RK-120M  0x14      1.1.21.  167634    98035   1         0\n"
            "                            167636\n");

  module.sim.FindModel<TLoopbackHarnessModel>()->attached = false;
  r = Run({"test", "loopback", "--pair", "1", "--low", "167602", "--high", "167604"});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_EQ(r.out,
            "low word: output 167630, input 167602: ---------------- FAILED\n"
            "high word: output 167632, input 167604: ---------------- FAILED\n");

  module.sim.FindModel<TLoopbackHarnessModel>()->attached = true;
  r = Run({"test", "loopback", "--high", "167604", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"output\": \"167632\""), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("false"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliDiagUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return info.param == itHID_OLD ? "Usb1" : "Usb2";
                         });

}  // namespace
}  // namespace karvelm
