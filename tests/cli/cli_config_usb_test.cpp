// karvelm config write / config read over both USB kinds: the fake HID backend carries the
// reports to the simulated module in process, on the module's fake clock.
#include <gtest/gtest.h>

#include <memory>

#include "cli_usb_fixture.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using testing::TCliRun;
using testing::TCliUsbFixture;
using testing::TSimHidModule;

class CliConfigUsb : public TCliUsbFixture {
 protected:
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

  TTempFolder dir_;
};

TEST_P(CliConfigUsb, WriteThenReadBackFromTheFirmware) {
  TSimHidModule& module = Plug(spFirmware);
  const std::string file = MachineFile();
  TCliRun r = Run({"config", "write", "1", file});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(module.sim.Program(), spLoader);

  const std::string out = dir_.File("backup.bin");
  r = Run({"config", "read", "1", out, "--restart"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(TTempFolder::Read(out), TTempFolder::Read(file));
  module.clock.Advance(1000);
  EXPECT_EQ(module.sim.Program(), spFirmware);
}

TEST_P(CliConfigUsb, FailingBlockLeavesTheFileAlone) {
  TSimHidModule& module = Plug(spLoader);
  module.sim.Faults().failReadAt = kSettingsAddress[1];
  const std::string out = dir_.Write("old.bin", "kept");
  TCliRun r = Run({"config", "read", "2", out});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("Ошибка считывания настроек.\n", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("settings block"), std::string::npos) << r.err;
  EXPECT_EQ(TTempFolder::Read(out), "kept");
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, CliConfigUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

}  // namespace
}  // namespace karvelm
