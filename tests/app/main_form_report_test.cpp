// The help menu's module report: the folder asked for, the module read as the tool's report
// reads it (and left in its firmware), the page opened through the desktop shell.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/report_action.h"
#include "app/ui/desktop_shell.h"
#include "config/koi7.h"
// The window fixture first: the fake backend's namespace karvelm::testing would otherwise
// hide GoogleTest's inside it.
#include "main_form_fixture.h"
// clang-format off
#include "hid_fake_backend.h"
#include "hid_sim_module.h"
// clang-format on

namespace karvelm {
namespace {

class TRecordingShell final : public TDesktopShell {
 public:
  void OpenDocument(const QString& path) override { opened.push_back(path.toStdString()); }
  std::vector<std::string> opened;
};

class ReportThroughWindow : public MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    SetDesktopShell(&shell);
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=2\nip=127.0.0.7\n");
    Start();
    Ticks(2);
    ASSERT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
  }
  void TearDown() override {
    SetDesktopShell(nullptr);
    MainFormFixture::TearDown();
  }

  TRecordingShell shell;
};

TEST_F(ReportThroughWindow, WritesTheReportAndOpensThePage) {
  auto stored = std::make_unique<TConfigImage>();
  ResetConfigImage(*stored);
  SetConfigName(*stored, Utf8ToCp1251("СТАНОК 7"));
  SealSettingsBlock(*stored);
  links->Sim().Storage().Load(1, *stored);
  QAction* item = Action("N23");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), QString::fromUtf8("Отчёт о модуле…"));

  const std::string out = folder.File("report");
  dialogs.files.push_back(out);
  item->trigger();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "folder");
  EXPECT_EQ(dialogs.shown[0].text, "Папка для отчёта о модуле");
  EXPECT_THAT(shell.opened, ::testing::ElementsAre(out + "/report.html"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  const nlohmann::json report = nlohmann::json::parse(TTempFolder::Read(out + "/report.json"));
  EXPECT_EQ(report["link"], "udp 127.0.0.7");
  EXPECT_EQ(report["identity"]["state"], "firmware");
  EXPECT_TRUE(report["bus"].is_object());
  EXPECT_EQ(report["configurations"][1]["config_name"], "СТАНОК 7");
  EXPECT_EQ(report["complete"], true) << report["problems"];
  EXPECT_TRUE(std::filesystem::exists(out + "/report.html"));

  // Back in its firmware: the next ticks find it as before.
  Ticks(2);
  EXPECT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
}

// Cancelled: nothing read, nothing opened. A folder that cannot be made: the user is told.
TEST_F(ReportThroughWindow, CancelAndUnwritableFolder) {
  TakeCodes();
  Action("N23")->trigger();
  EXPECT_TRUE(TakeCodes().empty());
  EXPECT_TRUE(shell.opened.empty());

  const std::string file = folder.Write("plain", "x");
  dialogs.files.push_back(file + "/report");
  dialogs.shown.clear();
  TakeCodes();
  Action("N23")->trigger();
  EXPECT_TRUE(TakeCodes().empty()) << "the folder is checked before the module is read";
  EXPECT_TRUE(shell.opened.empty());
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].kind, "inform");
  EXPECT_EQ(dialogs.shown[1].caption, "Отчёт о модуле");
  EXPECT_THAT(dialogs.shown[1].text, ::testing::HasSubstr("cannot write into the folder"));
}

// A USB module leaves the bus on each restart and comes back as a new device: the report
// finds it in its bootloader and again in its firmware without the event loop's notices.
class ReportOverUsb : public MainFormFixture, public ::testing::WithParamInterface<TIntfType> {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    SetDesktopShell(&shell);
    linkFactory = MakeHardwareLink;  // the real USB link, on the fake backend
    module.PlugInto(hid.backend());
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=" +
                  std::to_string(static_cast<int>(GetParam())) + "\n");
    Start();
  }
  void TearDown() override {
    SetClock(&clock);
    SetDesktopShell(nullptr);
    ExpectNoViolations(module.sim);
    MainFormFixture::TearDown();
  }

  TRecordingShell shell;
  testing::TFakeHidScope hid;
  testing::TSimHidModule module{GetParam(), [] {
                                  TSimConfig config;
                                  config.usbLeavesBusOnRestart = true;
                                  return config;
                                }()};
};

TEST_P(ReportOverUsb, BootloaderAndFirmwareFoundAgain) {
  ASSERT_TRUE(ActiveLink && ActiveLink->Connected());
  Ticks(2);
  ASSERT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
  SetClock(&module.clock);  // the report's waits move the module's time
  const std::string out = folder.File("usb");
  dialogs.files.push_back(out);
  Action("N23")->trigger();
  ASSERT_EQ(shell.opened.size(), 1u);
  const nlohmann::json report = nlohmann::json::parse(TTempFolder::Read(out + "/report.json"));
  EXPECT_EQ(report["link"], GetParam() == itHID_OLD ? "usb1" : "usb2");
  EXPECT_EQ(report["configurations"][0]["read"], true);
  EXPECT_EQ(report["configurations"][1]["read"], true);
  EXPECT_EQ(report["complete"], true) << report["problems"];
  EXPECT_EQ(module.sim.Program(), spFirmware);
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, ReportOverUsb, ::testing::Values(itHID_OLD, itHID_NEW),
                         [](const auto& info) {
                           return std::string(info.param == itHID_OLD ? "usb1" : "usb2");
                         });

}  // namespace
}  // namespace karvelm
