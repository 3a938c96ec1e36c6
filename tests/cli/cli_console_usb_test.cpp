// karvelm keys and screen over both USB kinds, against the simulated module's console monitor.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_usb_fixture.h"
#include "link/commands.h"

namespace karvelm {
namespace {

using testing::TCliRun;
using testing::TCliUsbFixture;
using testing::TSimHidModule;

using CliConsoleUsb = TCliUsbFixture;

// text and spaces up to 32 characters (not bytes: the Cyrillic takes two each).
std::string Padded(std::string text) {
  size_t characters = 0;
  for (char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return text + std::string(32 - characters, ' ');
}

TEST_P(CliConsoleUsb, KeysReachTheKeyboardRegisterInOrderAndTheScreenShowsThem) {
  TSimHidModule& module = Plug(spFirmware);
  TCliRun r = Run({"keys", "ab1\b2{F10}\nz", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"sent\": 8, \"codes\": [65, 66, 49, 127, 50, 147, 10, 90]}\n");

  // One write per key, in the 12-byte form of the link kind.
  std::vector<uint8_t> codes;
  for (const TSimRequest& request : module.sim.Requests()) {
    if (request.code != cmdWriteBus) continue;
    ASSERT_GE(request.payload.size(), 12u);
    const uint8_t* p = request.payload.data();
    EXPECT_EQ(p[0] | p[1] << 8, 0xFF72);
    if (GetParam() == itHID_OLD) {
      codes.push_back(p[2]);
      EXPECT_EQ(p[3], 0);
      for (int i = 4; i < 12; ++i) EXPECT_EQ(p[i], 0) << i;
    } else {
      EXPECT_EQ(request.payload.size(), 12u);
      EXPECT_EQ(p[2] | p[3], 0);
      codes.push_back(p[4]);
      for (int i = 5; i < 12; ++i) EXPECT_EQ(p[i], 0) << i;
    }
  }
  EXPECT_EQ(codes, (std::vector<uint8_t>{0x41, 0x42, 0x31, 0x7F, 0x32, 0x93, 0x0A, 0x5A}));

  r = Run({"screen", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto json = nlohmann::json::parse(r.out);
  ASSERT_EQ(json["lines"].size(), 16u);
  EXPECT_EQ(json["lines"][0], Padded("МОДУЛЬ KARVELM"));
  EXPECT_EQ(json["lines"][2], Padded("> AB2"));
  EXPECT_EQ(json["lines"][3], Padded("> Z"));
  EXPECT_EQ(json["lines"][15], Padded(""));
  EXPECT_EQ(json["mode"], 0);
}

TEST_P(CliConsoleUsb, EightLineModeShowsEightLinesOfText) {
  TSimHidModule& module = Plug(spFirmware);
  module.sim.Console().SetEightLines(true);
  TCliRun r = Run({"screen"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string expected =
      Padded("МОДУЛЬ KARVELM") + "\n" + Padded("МОНИТОР КОНСОЛИ") + "\n" + Padded("> ") + "\n";
  for (int i = 3; i < 8; ++i) expected += Padded("") + "\n";
  EXPECT_EQ(r.out, expected);
  r = Run({"screen", "--json"});
  const auto json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["mode"], 2);
  EXPECT_EQ(json["lines"][8], "") << "lines past the eighth are empty";
}

TEST_P(CliConsoleUsb, AKeyTheModuleDoesNotAcknowledgeStopsTheRest) {
  // The first generation's write has no answer to miss.
  if (GetParam() == itHID_OLD) GTEST_SKIP();
  TSimHidModule& module = Plug(spFirmware);
  module.sim.RemoveHandler(spFirmware, cmdWriteBus);  // refused: status 0xFF or silence
  TCliRun r = Run({"keys", "abc"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("key 1 of 3"), std::string::npos) << r.err;
  int writes = 0;
  for (const TSimRequest& request : module.sim.Requests()) writes += request.code == cmdWriteBus;
  EXPECT_EQ(writes, 1);
}

TEST_P(CliConsoleUsb, ConsoleCommandsNeedTheFirmware) {
  Plug(spLoader);
  for (const char* command : {"screen", "keys"}) {
    std::vector<std::string> args = {command};
    if (std::string(command) == "keys") args.push_back("a");
    TCliRun r = Run(args);
    EXPECT_EQ(r.code, 1) << command;
    EXPECT_TRUE(r.out.empty()) << command;
  }
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, CliConsoleUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

}  // namespace
}  // namespace karvelm
