// The command line of karvelm-sim.
#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <tuple>

namespace karvelm {
namespace {

TEST(SimCommandLine, DefaultsServeTheFirmwareOnLoopback) {
  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(ParseSimCommandLine({}, line, error));
  EXPECT_EQ(line.server.bindAddress, "127.0.0.1");
  EXPECT_EQ(line.server.port, 30000);
  EXPECT_FALSE(line.server.allowNonLoopback);
  EXPECT_EQ(line.config.program, spFirmware);
  EXPECT_EQ(line.config.firmwareId, 0);
  EXPECT_FALSE(line.config.faults.Any());
}

TEST(SimCommandLine, EveryOptionReachesItsField) {
  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(ParseSimCommandLine({"--bind",
                                   "127.0.0.5",
                                   "--port=31001",
                                   "--program",
                                   "bootloader",
                                   "--firmware-version",
                                   "0x02002300",
                                   "--bootloader-version",
                                   "01000600",
                                   "--generation",
                                   "old",
                                   "--restart-ms",
                                   "40",
                                   "--drop",
                                   "2",
                                   "--drop-every",
                                   "5",
                                   "--delay-ms",
                                   "15",
                                   "--stale-first",
                                   "--status-ff",
                                   "3",
                                   "--bad-checksum",
                                   "--bad-length",
                                   "--silent-after",
                                   "9",
                                   "--fail-read",
                                   "0x3FA00",
                                   "--lose-write-ack=4",
                                   "--corrupt-write",
                                   "4A123",
                                   "--verbose"},
                                  line, error))
      << error;
  EXPECT_EQ(line.server.bindAddress, "127.0.0.5");
  EXPECT_EQ(line.server.port, 31001);
  EXPECT_EQ(line.config.program, spLoader);
  EXPECT_EQ(line.config.firmwareVersion, 0x02002300u);
  EXPECT_EQ(line.config.loaderVersion, 0x01000600u);
  EXPECT_EQ(line.config.firmwareId, 0x3B05);
  EXPECT_EQ(line.config.restartMs, 40);
  const TSimFaults& f = line.config.faults;
  EXPECT_EQ(f.dropNext, 2);
  EXPECT_EQ(f.dropEvery, 5);
  EXPECT_EQ(f.delayMs, 15);
  EXPECT_EQ(f.staleFirst, kSimAlways);
  EXPECT_EQ(f.statusFF, 3);
  EXPECT_EQ(f.badChecksum, kSimAlways);
  EXPECT_EQ(f.badLength, kSimAlways);
  EXPECT_EQ(f.silentAfter, 9);
  EXPECT_EQ(f.failReadAt, 0x3FA00u);
  EXPECT_EQ(f.loseDataAckAt, 4);
  EXPECT_EQ(f.corruptWriteAt, 0x4A123u);
  EXPECT_TRUE(line.verbose);
}

TEST(SimCommandLine, BadInputIsRefusedWithAReason) {
  const std::vector<std::vector<std::string>> cases = {
      {"--port", "65536"},
      {"--port"},
      {"--port", "-1"},
      {"--program", "loader"},
      {"--generation", "3"},
      {"--firmware-version", "1234567890"},
      {"--firmware-version", "xyz"},
      {"--drop-every", "0"},
      {"--fail-read", "0"},
      {"--fail-read", "3FG00"},
      {"--lose-write-ack", "0"},
      {"--corrupt-write", "0"},
      {"--corrupt-write", "4G"},
      {"--frobnicate"},
      {"--stale-first=1"},
  };
  for (const auto& args : cases) {
    TSimCommandLine line;
    std::string error;
    EXPECT_FALSE(ParseSimCommandLine(args, line, error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(SimCommandLine, HelpAndVersion) {
  for (const auto& [arg, help, version] :
       {std::tuple{"--help", true, false}, std::tuple{"-h", true, false},
        std::tuple{"--version", false, true}}) {
    TSimCommandLine line;
    std::string error;
    ASSERT_TRUE(ParseSimCommandLine({arg}, line, error)) << arg << ": " << error;
    EXPECT_EQ(line.help, help) << arg;
    EXPECT_EQ(line.version, version) << arg;
  }
  EXPECT_NE(SimUsage().find("--version"), std::string::npos);
}

TEST(SimCommandLine, UpdaterOptions) {
  TSimCommandLine line;
  std::string error;
  ASSERT_TRUE(ParseSimCommandLine(
      {"--old-firmware", "--bosi-version", "0", "--panel-version", "01070000", "--update-ready",
       "second", "--update-busy=3", "--write-images", "/tmp/images"},
      line, error))
      << error;
  EXPECT_EQ(line.config.firmwareVersion, kSimOldFirmwareVersion);
  EXPECT_LT(line.config.firmwareVersion, 0x02001600u) << "older than 2.0.22.";
  EXPECT_EQ(line.updater.bosiVersion, 0u);
  EXPECT_EQ(line.updater.panelVersion, 0x01070000u);
  EXPECT_EQ(line.updater.readiness, srAtSecond);
  EXPECT_EQ(line.updater.busyPolls, 3);
  EXPECT_EQ(line.updater.imagesFolder, "/tmp/images");

  for (const std::vector<std::string>& args : {std::vector<std::string>{"--update-ready", "later"},
                                               {"--update-busy", "-1"},
                                               {"--write-images", ""},
                                               {"--panel-version", "x"}}) {
    EXPECT_FALSE(ParseSimCommandLine(args, line, error)) << args[0];
  }
}

}  // namespace
}  // namespace karvelm
