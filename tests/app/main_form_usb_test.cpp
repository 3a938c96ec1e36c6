// Hot-plug in the running window: a USB link on the fake HID backend, the module unplugged
// and plugged again. The notifications reach the link through the event loop's socket
// notifier, and the status panel follows on the next ticks.
#include <gtest/gtest.h>

#include <QTest>
#include <QThread>

// The window fixture first: the fake backend's namespace karvelm::testing would otherwise
// hide GoogleTest's inside it.
#include "main_form_fixture.h"
// clang-format off
#include "hid_fake_backend.h"
#include "hid_sim_module.h"
// clang-format on
#include "link/hid_access.h"
#include "link/usb_detector.h"
#include "sim_violations.h"

namespace karvelm {
namespace {

using testing::TFakeHidScope;
using testing::TSimHidModule;

class UsbHotPlug : public MainFormFixture, public ::testing::WithParamInterface<TIntfType> {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    linkFactory = MakeHardwareLink;  // the real USB link, on the fake backend
    hid.backend().present.push_back(module.device);
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=" +
                  std::to_string(static_cast<int>(GetParam())) + "\n");
    Start();
  }
  void TearDown() override {
    MainFormFixture::TearDown();
    ExpectNoViolations(module.sim);
  }

  // Runs the event loop until the link's state is as expected (or a second has passed).
  bool LoopUntilConnected(bool connected) {
    return QTest::qWaitFor([&] { return ActiveLink && ActiveLink->Connected() == connected; },
                           1000);
  }
  void ExpectStatus(const char* status, const char* firmware, bool commands) {
    EXPECT_EQ(Text("StaticText11"), QString::fromUtf8(status));
    EXPECT_EQ(Text("StaticText10"), QString::fromUtf8(firmware));
    EXPECT_EQ(Find<QPushButton>("Button4")->isEnabled(), commands);
  }

  TFakeHidScope hid;
  TSimHidModule module{GetParam()};
};

TEST_P(UsbHotPlug, EventsArriveThroughTheLoopAndTheStatusFollows) {
  ASSERT_NE(ActiveLink, nullptr);
  ASSERT_EQ(ActiveLink->IntfType(), GetParam());
  ASSERT_TRUE(ActiveLink->Connected());
  const char* version = "2.0.34.";
  Ticks(2);
  ExpectStatus("подключен", version, true);

  // The removal waits for the loop: nothing handles it inside the test's own code.
  Qt::HANDLE uiThread = QThread::currentThreadId();
  Qt::HANDLE handledOn = nullptr;
  TUSBDetector* detector = ActiveLink->Transport().Detector();
  ASSERT_NE(detector, nullptr);
  TDeviceChangeEvent linkHandler = detector->OnChange();
  detector->SetOnChange([&](TDeviceOperation operation) {
    handledOn = QThread::currentThreadId();
    linkHandler(operation);
  });
  hid.backend().Unplug(module.device);
  EXPECT_TRUE(ActiveLink->Connected()) << "handled only by the event loop";
  ASSERT_TRUE(LoopUntilConnected(false));
  EXPECT_EQ(handledOn, uiThread);

  // The firmware record still holds until its own probe fails, one tick later.
  const size_t reports = module.device->setReports.size();
  Tick();
  ExpectStatus("подключен", version, true);
  Tick();
  ExpectStatus("не подключен", "н/д", false);
  EXPECT_EQ(Text("StaticText2"), QString::fromUtf8("н/д"));
  EXPECT_EQ(module.device->setReports.size(), reports) << "no traffic without the device";

  hid.backend().Plug(module.device);
  ASSERT_TRUE(LoopUntilConnected(true));
  Tick();  // the bootloader probe: still nothing
  ExpectStatus("не подключен", "н/д", false);
  Tick();
  ExpectStatus("подключен", version, true);
  EXPECT_GT(module.device->setReports.size(), reports);
}

// Choosing the other USB kind makes a new link; its detector is the one watched.
TEST_P(UsbHotPlug, ReopenedLinkIsWatchedToo) {
  const int other = GetParam() == itHID_OLD ? itHID_NEW : itHID_OLD;
  Find<QRadioButton>(QString("RadioGroup1Item%1").arg(other).toUtf8().constData())->click();
  ASSERT_NE(ActiveLink, nullptr);
  ASSERT_EQ(ActiveLink->IntfType(), other);
  EXPECT_FALSE(ActiveLink->Connected()) << "the module is of the other generation";
  Find<QRadioButton>(QString("RadioGroup1Item%1").arg(GetParam()).toUtf8().constData())->click();
  ASSERT_TRUE(ActiveLink->Connected());
  hid.backend().Unplug(module.device);
  EXPECT_TRUE(LoopUntilConnected(false));
  hid.backend().Plug(module.device);
  EXPECT_TRUE(LoopUntilConnected(true));
  Ticks(2);
  EXPECT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
}

// The module replugged without the rights to open it: the status says so, and one message
// tells the device and the fix; it is told again only after the module was reached once.
TEST_P(UsbHotPlug, DeniedModuleIsToldOnceWithTheFix) {
  Ticks(2);
  ExpectStatus("подключен", "2.0.34.", true);
  auto replug = [&](bool denied) {
    hid.backend().Unplug(module.device);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !ActiveLink->Connected() && DeniedModuleDevice().empty(); }, 1000));
    module.device->accessDenied = denied;
    hid.backend().Plug(module.device);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ActiveLink->Connected() || !DeniedModuleDevice().empty(); }, 1000));
  };
  auto informs = [&] {
    int count = 0;
    for (const TShownBox& box : dialogs.shown) {
      if (box.kind != "inform") continue;
      ++count;
      EXPECT_EQ(box.text, NoAccessText("/dev/hidraw-module"));
      EXPECT_EQ(box.caption, "Нет доступа к модулю");
    }
    return count;
  };

  replug(true);
  Ticks(2);
  ExpectStatus("нет доступа", "н/д", false);
  EXPECT_EQ(informs(), 1);
  Ticks(3);
  EXPECT_EQ(informs(), 1) << "once";

  hid.backend().Unplug(module.device);
  ASSERT_TRUE(QTest::qWaitFor([&] { return DeniedModuleDevice().empty(); }, 1000));
  Tick();
  ExpectStatus("не подключен", "н/д", false);
  replug(true);
  Ticks(2);
  ExpectStatus("нет доступа", "н/д", false);
  EXPECT_EQ(informs(), 1) << "not again before the module was reached";

  replug(false);  // the rule installed
  Ticks(2);
  ExpectStatus("подключен", "2.0.34.", true);
  replug(true);
  Ticks(2);
  EXPECT_EQ(informs(), 2);
}

INSTANTIATE_TEST_SUITE_P(Kinds, UsbHotPlug, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "Old" : "New");
                         });

}  // namespace
}  // namespace karvelm
