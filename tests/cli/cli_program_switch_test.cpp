// The tool while the module switches programs under it: a restart asked only of a bootloader
// that answers, identify after a switch between its probes, cmdEnterLoader repeated while the
// firmware keeps answering, and a USB module that comes back as a new device after a restart.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_link.h"
#include "cli_usb_fixture.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "link/commands.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using testing::MakeFakeHidDevice;
using testing::TCliRun;
using testing::TCliUsbFixture;
using testing::TFakeHidBackend;
using testing::TFakeHidDevicePtr;
using testing::TSimHidModule;

int CountRequests(const TModuleSim& sim, uint8_t code) {
  int count = 0;
  for (const TSimRequest& request : sim.Requests())
    if (request.type == kSimTypeReply && request.code == code) ++count;
  return count;
}

// Runs after the given number of command reports reached the module.
void AfterReports(TSimHidModule& module, int reports, std::function<void()> action) {
  auto forward = module.device->onSetFeature;
  auto count = std::make_shared<int>(0);
  module.device->onSetFeature = [forward, count, reports, action](const uint8_t* report, int size) {
    const bool ok = forward(report, size);
    if (++*count == reports) action();
    return ok;
  };
}

using CliProgramSwitch = TCliUsbFixture;

TEST_P(CliProgramSwitch, RestartAfterAReadOnlyWhenTheBootloaderAnswers) {
  TTempFolder dir;
  // How many reports a clean read takes, so that the module can leave its bootloader right
  // after the read on the second run.
  TSimHidModule& reference = Plug(spLoader);
  ASSERT_EQ(Run({"config", "read", "1", dir.File("a.bin")}).code, 0);
  const int readReports = static_cast<int>(reference.sim.Received().size());
  hid_.backend().Unplug(reference.device);

  TSimHidModule& module = Plug(spLoader);
  AfterReports(module, readReports, [&module] { module.sim.SetProgram(spFirmware); });
  const std::string out = dir.File("b.bin");
  TCliRun r = Run({"config", "read", "1", out, "--restart", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"config\": 1, \"file\": \"" + out + "\", \"restarted\": 0}\n");
  EXPECT_EQ(r.err, "the bootloader does not answer; no restart sent\n");
  EXPECT_EQ(CountRequests(module.sim, cmdRestart), 0);
  EXPECT_EQ(TTempFolder::Read(out), TTempFolder::Read(dir.File("a.bin")));
}

TEST_P(CliProgramSwitch, IdentifyReportsTheBootloaderThatCameUpBetweenTheProbes) {
  TSimHidModule& module = Plug(spFirmware);
  // The bootloader probe (three attempts) hears the firmware; then the bootloader answers.
  AfterReports(module, kCheckModuleAttempts, [&module] { module.sim.SetProgram(spLoader); });
  TCliRun r = Run({"identify", "--json"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(
      r.out,
      "{\"state\": \"bootloader\", \"firmware_version\": \"2.0.34.\", \"bootloader_version\": "
      "\"1.0.5.\", \"firmware_word\": 33563136, \"bootloader_word\": 16778496}\n");
}

// A firmware still starting takes no notice of cmdEnterLoader: the tool sends it again while
// the firmware answers, but never sooner than the module's restart time.
TEST_P(CliProgramSwitch, EnterLoaderRepeatedWhileTheFirmwareAnswers) {
  struct Case {
    int ignored;  // cmdEnterLoader taken no notice of
    int exitCode;
  } cases[] = {{1, 0}, {3, 0}, {1000, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ignored);
    TSimHidModule& module = Plug(spFirmware);
    std::vector<uint64_t> sentAt;
    module.sim.SetHandler(spFirmware, cmdEnterLoader,
                          [&sentAt, &c](TModuleSim& sim, const TSimRequest&) {
                            sentAt.push_back(sim.ClockRef().NowMs());
                            if (static_cast<int>(sentAt.size()) > c.ignored) sim.Restart(spLoader);
                          });
    TTempFolder dir;
    TCliRun r = Run({"config", "read", "2", dir.File("out.bin"), "--wait", "5"});
    EXPECT_EQ(r.code, c.exitCode) << r.err;
    const size_t expected = c.exitCode == 0 ? static_cast<size_t>(c.ignored + 1) : 5u;
    EXPECT_GE(sentAt.size(), c.exitCode == 0 ? expected : 2u);
    EXPECT_LE(sentAt.size(), expected + 1);
    for (size_t i = 1; i < sentAt.size(); ++i)
      EXPECT_GE(sentAt[i] - sentAt[i - 1], static_cast<uint64_t>(cli::kEnterLoaderRepeatMs));
    hid_.backend().Unplug(module.device);
  }
}

// The module as a real USB one behaves: when it restarts it leaves the bus, and once its restart
// time is over it comes back as a new HID device. The tool's sleeps move the module's time.
class TReenumeratingModule final : public TClock {
 public:
  TReenumeratingModule(TFakeHidBackend& backend, TSimHidModule& module)
      : backend_(backend), module_(module), current_(module.device) {
    setFeature_ = module.device->onSetFeature;
    getFeature_ = module.device->onGetFeature;
    Wire(current_);
    SetClock(this);
  }
  ~TReenumeratingModule() override {
    SetClock(nullptr);
    if (current_) backend_.Unplug(current_);
  }
  TReenumeratingModule(const TReenumeratingModule&) = delete;
  TReenumeratingModule& operator=(const TReenumeratingModule&) = delete;

  uint64_t NowMs() override { return module_.clock.NowMs(); }
  void SleepMs(int ms) override {
    module_.clock.SleepMs(ms);
    if (current_ || module_.sim.Restarting()) return;
    current_ = MakeFakeHidDevice("/dev/hidraw-module-" + std::to_string(++comebacks_),
                                 kModuleVendorId, module_.device->productId);
    Wire(current_);
    backend_.Plug(current_);
  }

  int Comebacks() const { return comebacks_; }

 private:
  void Wire(const TFakeHidDevicePtr& device) {
    device->onGetFeature = getFeature_;
    device->onSetFeature = [this](const uint8_t* report, int size) {
      const bool ok = setFeature_(report, size);
      if (current_ && module_.sim.Restarting()) {
        backend_.Unplug(current_);
        current_.reset();
      }
      return ok;
    };
  }

  TFakeHidBackend& backend_;
  TSimHidModule& module_;
  TFakeHidDevicePtr current_;
  std::function<bool(const uint8_t*, int)> setFeature_;
  std::function<bool(uint8_t*, int, int*)> getFeature_;
  int comebacks_ = 0;
};

// With and without the platform's hot-plug notices: the tool finds the module again either way.
TEST_P(CliProgramSwitch, ModuleFoundAgainAfterItLeftTheBusOnEnterLoader) {
  for (const bool notices : {true, false}) {
    SCOPED_TRACE(notices ? "hot-plug notices" : "no hot-plug notices");
    hid_.backend().monitorRefused = !notices;
    TSimHidModule& module = Plug(spFirmware);
    TReenumeratingModule usb(hid_.backend(), module);
    TTempFolder dir;
    const std::string file = dir.File("blank.bin");
    ASSERT_EQ(Run({"file", "new", file}).code, 0);

    TCliRun r = Run({"config", "write", "1", file, "--restart", "--json", "--wait", "5"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"restarted\": 1"), std::string::npos) << r.out;
    EXPECT_EQ(usb.Comebacks(), 1) << "the bootloader came back as a new device";
    EXPECT_EQ(hid_.backend().OpenCount(), 0) << "every handle closed";

    // After the restart into the firmware the module is found again for the next command.
    module.clock.Advance(1000);
    usb.SleepMs(0);
    r = Run({"identify", "--json"});
    EXPECT_NE(r.out.find("\"state\": \"firmware\""), std::string::npos) << r.out;
  }
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, CliProgramSwitch, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

}  // namespace
}  // namespace karvelm
