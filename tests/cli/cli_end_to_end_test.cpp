// The karvelm tool as a user runs it, against karvelm-sim on loopback.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "udp_test_ports.h"

namespace karvelm {
namespace {

using testing::RunProgram;
using testing::TRunResult;
using testing::TSimProcess;

TRunResult Karvelm(int port, std::vector<std::string> args, double timeout = 30) {
  std::vector<std::string> full = {"--ip",         "127.0.0.1", "--port", std::to_string(port),
                                   "--local-port", "0"};
  full.insert(full.end(), args.begin(), args.end());
  return RunProgram(KARVELM_CLI_PATH, full, timeout);
}

TEST(CliEndToEnd, IdentifyFirmwareAndBootloader) {
  TSimProcess firmware;
  TRunResult r = Karvelm(firmware.Port(), {"identify", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"state\": \"firmware\", \"firmware_version\": \"2.0.34.\", \"bootloader_version\": "
            "\"1.0.5.\", \"firmware_word\": 33563136, \"bootloader_word\": 16778496}\n");

  TSimProcess loader({"--program", "bootloader", "--firmware-version", "02001600"});
  r = Karvelm(loader.Port(), {"--json", "identify"});  // options may come first
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"state\": \"bootloader\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"firmware_version\": \"2.0.22.\""), std::string::npos) << r.out;

  r = Karvelm(firmware.Port(), {"identify"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "state: firmware\nfirmware version: 2.0.34.\nbootloader version: 1.0.5.\n");
}

TEST(CliEndToEnd, IdentifyWithNothingListening) {
  testing::TPeerSocket silent;  // bound, never answers
  TRunResult r = Karvelm(silent.Port(), {"identify", "--json"}, 20);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("\"state\": \"absent\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"firmware_version\": null"), std::string::npos);
  EXPECT_FALSE(r.err.empty());
  // Two probes of three attempts, 250 ms each.
  EXPECT_LT(r.seconds, 5.0);
}

TEST(CliEndToEnd, RestartNeedsTheBootloader) {
  TSimProcess loader({"--program", "bootloader", "--restart-ms", "100"});
  TRunResult r = Karvelm(loader.Port(), {"restart"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = Karvelm(loader.Port(), {"identify", "--json"});
  EXPECT_NE(r.out.find("\"state\": \"firmware\""), std::string::npos) << r.out;

  r = Karvelm(loader.Port(), {"restart"});  // now in the firmware: refused
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_FALSE(r.err.empty());
}

TEST(CliEndToEnd, BusWriteThenRead) {
  TSimProcess sim;
  TRunResult r = Karvelm(sim.Port(), {"bus", "write", "1000", "177777"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = Karvelm(sim.Port(), {"bus", "write", "1004", "101"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = Karvelm(sim.Port(), {"bus", "read", "1000", "3", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"address\": \"1000\", \"words\": [\"177777\", \"0\", \"101\"]}\n");
  r = Karvelm(sim.Port(), {"bus", "read", "1004"});
  EXPECT_EQ(r.out, "1004: 101\n");
  r = Karvelm(sim.Port(), {"bus", "read", "177700", "32", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(CliEndToEnd, BusCommandsNeedTheFirmware) {
  TSimProcess loader({"--program", "bootloader"});
  TRunResult r = Karvelm(loader.Port(), {"bus", "read", "1000"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.empty());
}

TEST(CliEndToEnd, FaultsEndWithTheRightCodeInBoundedTime) {
  struct Case {
    std::vector<std::string> simArgs;
    std::vector<std::string> command;
    int exitCode;
  } cases[] = {
      // Every answer is a failure status: the firmware probe fails.
      {{"--status-ff", "1000"}, {"bus", "read", "1000"}, 1},
      // Stale answers are skipped by the link.
      {{"--stale-first"}, {"bus", "read", "1000", "4"}, 0},
      // The module falls silent after the probes: the read times out.
      {{"--silent-after", "1"}, {"bus", "read", "1000"}, 1},
      // A wrong checksum field is accepted on purpose.
      {{"--bad-checksum"}, {"identify"}, 0},
      // Length fields beyond the datagram are refused: nothing is heard.
      {{"--bad-length"}, {"identify"}, 1},
  };
  for (const Case& c : cases) {
    TSimProcess sim(c.simArgs);
    TRunResult r = Karvelm(sim.Port(), c.command, 20);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.simArgs[0] << ": " << r.err;
    EXPECT_LT(r.seconds, 5.0) << c.simArgs[0];
  }
}

TEST(CliEndToEnd, LocalPortInUseIsReported) {
  TSimProcess sim;
  testing::TPeerSocket holder;
  TRunResult r =
      RunProgram(KARVELM_CLI_PATH, {"--ip", "127.0.0.1", "--port", std::to_string(sim.Port()),
                                    "--local-port", std::to_string(holder.Port()), "identify"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Socket bind error 98.\n");
}

}  // namespace
}  // namespace karvelm
