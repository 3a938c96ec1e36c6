// The firmware commands over both USB kinds: the fake HID backend carries the reports to the
// simulated module in process, on the module's fake clock.
#include <gtest/gtest.h>

#include "cli_usb_fixture.h"
#include "link/commands.h"
#include "sim/sim_images.h"
#include "sim/updater_model.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using testing::TCliRun;
using testing::TCliUsbFixture;
using testing::TSimHidModule;

class CliUpdateUsb : public TCliUsbFixture {
 protected:
  std::string Image(const char* name) {
    std::string error;
    EXPECT_TRUE(WriteSimImages(dir_.Path(), error)) << error;
    return dir_.File(name);
  }
  TUpdaterModel& Updater() { return *module_->sim.FindModel<TUpdaterModel>(); }
  // Commands the program received (0x09 means one thing to each).
  int Received(uint8_t code, TSimProgram program = spFirmware) {
    int n = 0;
    for (const TSimReceived& r : module_->sim.Received())
      n += r.fate == sfHandled && r.program == program && r.request.type == kSimTypeReply &&
           r.request.code == code;
    return n;
  }
  bool Legacy() const { return GetParam() == itHID_OLD; }

  TTempFolder dir_;
};

TEST_P(CliUpdateUsb, FirmwareUpdateFromTheFirmware) {
  TSimHidModule& module = Plug(spFirmware);
  module.sim.SetVersion(spFirmware, kSimOldFirmwareVersion);
  const char* name = Legacy() ? "UpdateKarvelOld" : "UpdateKarvel";
  TCliRun r = Run({"firmware", "update", Image(name), "--restart"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Received(cmdEnterLoader), 1);
  EXPECT_EQ(Received(cmdWriteFirmware, spLoader), 1);
  EXPECT_EQ(Updater().firmware.image, SimImageFor(name));
  module.clock.Advance(1000);
  EXPECT_EQ(module.sim.Program(), spFirmware);
  EXPECT_EQ(module.sim.VersionOf(spFirmware), ParseSimImage(SimImageFor(name))->version);
}

TEST_P(CliUpdateUsb, VersionsShowTheBosiLinkOnTheFirstGenerationOnly) {
  Plug(spFirmware);
  TCliRun r = Run({"versions", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find(Legacy() ? "\"bosi\": \"2.3.0.\"" : "\"bosi\": null"), std::string::npos)
      << r.out;
}

TEST_P(CliUpdateUsb, BosiUpdateRestartsTheModule) {
  TSimHidModule& module = Plug(spFirmware);
  const uint64_t before = module.sim.SilentUntil();
  TCliRun r = Run({"accessory", "update", "bosi", Image("UpdateBOSI")});
  ASSERT_EQ(r.code, 0) << r.err;
  // The finish message of the desktop program, on stderr.
  EXPECT_EQ(r.err, "Обновление БОСИ завершено.\n\rМодуль KarvelM будет перезагружен.\n");
  EXPECT_GT(module.sim.SilentUntil(), before);
  EXPECT_EQ(Updater().bosiVersion, 0x02040000u);
}

TEST_P(CliUpdateUsb, ExtModuleAddressThatNoModuleHas) {
  Plug(spFirmware);
  TCliRun r = Run({"accessory", "update", "ext:1AB", Image("UpdateExtM")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "no external module answers at address 0x1AB\n");
  EXPECT_EQ(Received(cmdPause), 0);
  EXPECT_EQ(Received(cmdPrepareExtModuleUpdate), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliUpdateUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return info.param == itHID_OLD ? "Usb1" : "Usb2";
                         });

}  // namespace
}  // namespace karvelm
