// A real USB module leaves the bus when it restarts and comes back as a new device. The
// window's link must find it again through the hot-plug notices, so that a configuration read
// asked for in the firmware runs in the bootloader that comes up.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

// The window fixture first: the fake backend's namespace karvelm::testing would otherwise
// hide GoogleTest's inside it.
#include "main_form_fixture.h"
// clang-format off
#include "hid_fake_backend.h"
#include "hid_sim_module.h"
// clang-format on
#include "link/commands.h"
#include "sim_violations.h"

namespace karvelm {
namespace {

using testing::TFakeHidScope;
using testing::TSimHidModule;

TSimConfig LeavesTheBus() {
  TSimConfig config;
  config.usbLeavesBusOnRestart = true;
  return config;
}

class UsbReenumeration : public MainFormFixture, public ::testing::WithParamInterface<TIntfType> {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    linkFactory = MakeHardwareLink;  // the real USB link, on the fake backend
    module.PlugInto(hid.backend());
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=" +
                  std::to_string(static_cast<int>(GetParam())) + "\n");
    Start();
  }
  void TearDown() override {
    ExpectNoViolations(module.sim);
    MainFormFixture::TearDown();
  }
  bool LoopUntilConnected(bool connected) {
    return QTest::qWaitFor([&] { return ActiveLink && ActiveLink->Connected() == connected; },
                           1000);
  }
  int Requests(uint8_t code) const {
    int count = 0;
    for (const TSimRequest& request : module.sim.Requests()) count += request.code == code;
    return count;
  }

  TFakeHidScope hid;
  TSimHidModule module{GetParam(), LeavesTheBus()};
};

TEST_P(UsbReenumeration, ReadRequestedInTheFirmwareRunsInTheBootloaderThatComesBack) {
  ASSERT_TRUE(ActiveLink && ActiveLink->Connected());
  Ticks(2);
  ASSERT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));

  Find<QPushButton>("Button4")->click();
  EXPECT_EQ(Requests(cmdEnterLoader), 1);
  EXPECT_TRUE(module.offTheBus) << "the module restarts and leaves the bus";
  ASSERT_TRUE(LoopUntilConnected(false));

  // The restart silence ends and the module is back as a new device.
  module.clock.Advance(module.sim.Config().restartMs + 1);
  EXPECT_FALSE(module.offTheBus);
  ASSERT_TRUE(LoopUntilConnected(true)) << "the link finds the module again";

  for (int tick = 0; tick < 4 && Requests(cmdOpenRead) == 0; ++tick) Tick();
  EXPECT_EQ(Text("StaticText11"), QString::fromUtf8("загрузчик"));
  EXPECT_GT(Requests(cmdOpenRead), 0) << "the requested read ran in the bootloader";
  EXPECT_FALSE(form->Shell().get_flag1);
}

INSTANTIATE_TEST_SUITE_P(Kinds, UsbReenumeration, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "Old" : "New");
                         });

}  // namespace
}  // namespace karvelm
