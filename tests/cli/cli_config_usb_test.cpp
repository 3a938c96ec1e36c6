// karvelm config write / config read over both USB kinds: the fake HID backend carries the
// reports to the simulated module in process, on the module's fake clock.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "base/clock.h"
#include "cli/cli_main.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "hid_fake_backend.h"
#include "hid_sim_module.h"
#include "link/transactions.h"
#include "temp_dir.h"

namespace karvelm {
namespace {

using testing::TFakeHidScope;
using testing::TSimHidModule;
using testing::TTempDir;

struct TRun {
  int code;
  std::string out, err;
};

class CliConfigUsb : public ::testing::TestWithParam<TIntfType> {
 protected:
  void SetUp() override { SequenceNumber = 0; }
  void TearDown() override { SetClock(nullptr); }

  TSimHidModule& Plug(TSimProgram program) {
    TSimConfig config;
    config.program = program;
    module_ = std::make_unique<TSimHidModule>(GetParam(), config);
    SetClock(&module_->clock);
    hid_.backend().Plug(module_->device);
    return *module_;
  }

  TRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--link", GetParam() == itHID_OLD ? "usb1" : "usb2"});
    std::ostringstream out, err;
    const int code = cli::RunCli(args, out, err);
    return {code, out.str(), err.str()};
  }

  std::string MachineFile() {
    auto image = std::make_unique<TConfigImage>();
    ResetConfigImage(*image);
    for (size_t i = 0; i < kMemoryImageSize; i += 3)
      image->MemoryImage[i] = static_cast<uint8_t>(i >> 5);
    SetSettingsWord(*image, Rk160Mode, 2);
    SetSetPointWord(*image, 0, 0x0102);
    const std::string path = dir_.File("machine.bin");
    EXPECT_TRUE(SaveConfigImageFile(path, *image).ok());
    return path;
  }

  TTempDir dir_;
  TFakeHidScope hid_;
  std::unique_ptr<TSimHidModule> module_;
};

TEST_P(CliConfigUsb, WriteThenReadBackFromTheFirmware) {
  TSimHidModule& module = Plug(spFirmware);
  const std::string file = MachineFile();
  TRun r = Run({"config", "write", "1", file});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(module.sim.Program(), spLoader);

  const std::string out = dir_.File("backup.bin");
  r = Run({"config", "read", "1", out, "--restart"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(TTempDir::Read(out), TTempDir::Read(file));
  module.clock.Advance(1000);
  EXPECT_EQ(module.sim.Program(), spFirmware);
}

TEST_P(CliConfigUsb, FailingBlockLeavesTheFileAlone) {
  TSimHidModule& module = Plug(spLoader);
  module.sim.Faults().failReadAt = kSettingsAddress[1];
  const std::string out = dir_.Write("old.bin", "kept");
  TRun r = Run({"config", "read", "2", out});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("Ошибка считывания настроек.\n", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("settings block"), std::string::npos) << r.err;
  EXPECT_EQ(TTempDir::Read(out), "kept");
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, CliConfigUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

}  // namespace
}  // namespace karvelm
