// The main window offscreen: start-up and settings, the service switch, ticks, commands,
// page switching, files and the default exception report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>

#include "app/app_texts.h"
#include "app/ui/desktop_shell.h"
#include "base/ui/guarded_connect.h"
#include "link/commands.h"
#include "link/link_error.h"
#include "main_form_fixture.h"

namespace karvelm {
namespace {

// The dialog's picture buttons and check box, by their names.
void ClickChoice(TSelectIntfForm& form, int kind) {
  form.findChild<QToolButton*>(QString("SpeedButton%1").arg(kind + 1))->click();
}
void TickDontShowAgain(TSelectIntfForm& form) {
  form.findChild<QCheckBox*>("CheckBox1")->click();
}

struct TStartCase {
  const char* name;
  const char* settings;  // nullptr: no file
  int choose;            // -1: close the dialog with its close box
  bool dontShowAgain;
  bool dialogExpected;
  int linkKind;  // -1: no link
  bool checkBox6;
  const char* savedInterface;
  const char* savedDisable;
};

void PrintTo(const TStartCase& c, std::ostream* os) {
  *os << c.name;
}

class StartUp : public MainFormFixture, public testing::WithParamInterface<TStartCase> {};

TEST_P(StartUp, SettingsDialogAndLinkAsStored) {
  const auto& c = GetParam();
  if (c.settings) WriteSettings(c.settings);
  onSelect = [&](TSelectIntfForm& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Выбор типа интерфейса"));
    if (c.dontShowAgain) TickDontShowAgain(dialog);
    if (c.choose >= 0) {
      ClickChoice(dialog, c.choose);
    } else {
      dialog.close();
    }
  };
  Start();
  EXPECT_EQ(dialogShown, c.dialogExpected);
  if (c.linkKind < 0) {
    EXPECT_EQ(ActiveLink, nullptr);
    EXPECT_EQ(CheckedRadio(), -1);
  } else {
    ASSERT_NE(ActiveLink, nullptr);
    EXPECT_EQ(ActiveLink->IntfType(), c.linkKind);
    EXPECT_EQ(CheckedRadio(), c.linkKind);
    EXPECT_EQ(form->Shell().DEV_ID, FirmwareIdFor(static_cast<TIntfType>(c.linkKind)));
  }
  EXPECT_EQ(Find<QCheckBox>("CheckBox6")->isChecked(), c.checkBox6);
  EXPECT_TRUE(dialogs.shown.empty());
  // Nothing is written before the window closes.
  if (!c.settings) {
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
  }
  form->close();
  EXPECT_EQ(ActiveLink, nullptr);
  std::string saved = SavedSettings();
  EXPECT_THAT(saved, testing::HasSubstr(std::string("interface=") + c.savedInterface + "\n"));
  EXPECT_THAT(saved,
              testing::HasSubstr(std::string("disable_select_dialog=") + c.savedDisable + "\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartUp,
    testing::Values(TStartCase{"FirstStart", nullptr, 1, false, true, 1, true, "1", "0"},
                    TStartCase{"FirstStartClosed", nullptr, -1, false, true, 0, true, "0", "0"},
                    TStartCase{"FiveIsEthernet",
                               "[Settings]\ninterface=5\ndisable_select_dialog=1\n", 0, false,
                               false, 2, false, "2", "1"},
                    TStartCase{"MinusSevenNoLink",
                               "[Settings]\ninterface=-7\ndisable_select_dialog=1\n", 0, false,
                               false, -1, false, "-7", "1"},
                    TStartCase{"ClosedKeepsTheFile", "[Settings]\ninterface=2\n", -1, true, true, 2,
                               true, "2", "0"},
                    TStartCase{"DontShowAgain", "[Settings]\ninterface=0\n", 2, true, true, 2,
                               false, "2", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFormFixture, CheckingCheckBox6BringsTheDialogBack) {
  WriteSettings("[Settings]\ninterface=1\ndisable_select_dialog=1\n");
  Start();
  EXPECT_FALSE(dialogShown);
  QCheckBox* box = Find<QCheckBox>("CheckBox6");
  EXPECT_FALSE(box->isChecked());
  box->click();
  // A click on the wrapped text beside the box works as on the box itself.
  QLabel* text = Find<QLabel>("CheckBox6Label");
  QTest::mouseClick(text, Qt::LeftButton);
  EXPECT_FALSE(box->isChecked());
  QTest::mouseClick(text, Qt::LeftButton);
  EXPECT_TRUE(box->isChecked());
  form->close();
  EXPECT_THAT(SavedSettings(), testing::HasSubstr("disable_select_dialog=0\n"));
  Destroy();
  onSelect = [](TSelectIntfForm& dialog) { ClickChoice(dialog, 1); };
  Start();
  EXPECT_TRUE(dialogShown);
}

TEST_F(MainFormFixture, IpOkReopensEvenAUsbLinkAndCancelRestores) {
  WriteSettings("[Settings]\ninterface=1\ndisable_select_dialog=1\nip=127.0.0.21\n");
  Start();
  QLineEdit* field = Find<QLineEdit>("JvIPAddress1");
  EXPECT_EQ(field->text(), "127.0.0.21");
  TExtIntf* before = ActiveLink.get();
  field->setText("127.0.0.29");
  Find<QToolButton>("JvSpeedButton1")->click();
  EXPECT_EQ(form->Settings().ip_string, "127.0.0.29");
  ASSERT_NE(ActiveLink, nullptr);
  EXPECT_NE(ActiveLink.get(), before);
  EXPECT_EQ(ActiveLink->IntfType(), itHID_NEW);

  // Typing alone changes nothing; an incomplete address is not taken.
  field->setText("127.0.0");
  Find<QToolButton>("JvSpeedButton1")->click();
  EXPECT_EQ(form->Settings().ip_string, "127.0.0.29");
  Find<QToolButton>("JvSpeedButton2")->click();
  EXPECT_EQ(field->text(), "127.0.0.29");
  form->close();
  EXPECT_THAT(SavedSettings(), testing::HasSubstr("ip=127.0.0.29\n"));
}

// With no kind selected, OK still runs the link choice: the stored kind becomes "none".
TEST_F(MainFormFixture, IpOkWithNoKindSelectedStoresNone) {
  WriteSettings("[Settings]\ninterface=-7\ndisable_select_dialog=1\n");
  Start();
  EXPECT_EQ(ActiveLink, nullptr);
  Find<QLineEdit>("JvIPAddress1")->setText("127.0.0.5");
  Find<QToolButton>("JvSpeedButton1")->click();
  EXPECT_EQ(ActiveLink, nullptr);
  form->close();
  EXPECT_THAT(SavedSettings(), testing::HasSubstr("interface=-1\n"));
  EXPECT_THAT(SavedSettings(), testing::HasSubstr("ip=127.0.0.5\n"));
}

TEST_F(MainFormFixture, EthernetThatCannotOpenIsReportedAndStartUpGoesOn) {
  WriteSettings("[Settings]\ninterface=2\ndisable_select_dialog=1\n");
  linkFactory = [](TIntfType, const std::string&) -> std::unique_ptr<TExtIntf> {
    throw TOSError("Socket bind error 98.", 98);
  };
  Start();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Socket bind error 98.");
  EXPECT_EQ(ActiveLink, nullptr);
  EXPECT_FALSE(Find<QCheckBox>("CheckBox6")->isChecked());
  Ticks(2);
  EXPECT_EQ(Text("StaticText11"), QString::fromUtf8("не подключен"));
}

TEST_F(MainFormFixture, ServiceSwitchRevealsTheServiceFunctions) {
  const struct {
    std::vector<std::string> args;
    bool service;
  } cases[] = {{{}, false},
               {{"-s"}, true},
               {{"-S"}, false},
               {{"/s"}, false},
               {{"x", "-s"}, false},
               {{"-s", "--simulator"}, true},
               {{"--simulator", "-s"}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
    Create(c.args);
    EXPECT_EQ(!Find<QPushButton>("Button35")->isHidden(), c.service);
    EXPECT_EQ(!Find<QCheckBox>("CheckBox5")->isHidden(), c.service);
    EXPECT_EQ(Pages()->isTabVisible(mpDebug), c.service);
    ASSERT_EQ(Pages()->count(), c.service ? 7 : 6);
    if (c.service) {
      EXPECT_EQ(Pages()->tabText(mpDebug), QString::fromUtf8("Отладка"));
    }
    EXPECT_EQ(form->centralWidget()->size(), QSize(800, c.service ? 560 : 540));
    form->close();
    Destroy();
  }
}

TEST_F(MainFormFixture, WindowTabsAndCaptions) {
  WriteSettings("[Settings]\ndisable_select_dialog=1\n");
  Start();
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Конфигуратор модуля KarvelM v 1.97"));
  const char* pages[] = {"Параметры устройства", "Конфигурация памяти", "Блок уставок", "Терминал",
                         "Диагностика",          "Обновление ПО",       "Отладка"};
  // The normal mode has no debug tab at all (the service mode's seventh:
  // ServiceSwitchRevealsTheServiceFunctions).
  ASSERT_EQ(Pages()->count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Pages()->tabText(i), QString::fromUtf8(pages[i]));
  const char* subPages[] = {"Периферийная шина", "Вх./вых. RK-110(111,112)/RK-120", "ЦАП RK-130",
                            "БСД RK-140; RK-141,RK142,RK-143"};
  QTabWidget* diag = Find<QTabWidget>("PageControl2");
  ASSERT_EQ(diag->count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(diag->tabText(i), QString::fromUtf8(subPages[i]));
  EXPECT_EQ(Pages()->currentIndex(), 0);
  EXPECT_EQ(diag->currentIndex(), 0);
  EXPECT_EQ(Action("N9")->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_EQ(Find<QPushButton>("Button4")->text(),
            QString::fromUtf8("Считать конфигурацию 1 из Модуля"));
  EXPECT_EQ(Text("StaticText10"), QString::fromUtf8("н/д"));
  EXPECT_TRUE(Find<QProgressBar>("ProgressBar2")->isHidden());

  auto aboutLabel = [&] {
    QString label;
    WhenModal([&] {
      EXPECT_TRUE(about->isVisible());
      label = about->findChild<QLabel*>("Label1")->text();
      about->findChild<QPushButton*>("Button1")->click();
    });
    Action("N10")->trigger();
    EXPECT_FALSE(about->isVisible());
    return label;
  };
  const QString base = QString::fromUtf8("Конфигуратор модуля KarvelM v 1.97");
  EXPECT_EQ(aboutLabel(), base);

  // With a file open the caption carries its name; the box still shows the bare title.
  dialogs.files.push_back(folder.File("named.bin"));
  Action("N5")->trigger();
  dialogs.files.push_back(folder.File("named.bin"));
  Action("N4")->trigger();
  ASSERT_EQ(dialogs.shown.size(), 2u) << "an error box: " << dialogs.shown.back().text;
  EXPECT_EQ(dialogs.shown[1].kind, "open");
  ASSERT_EQ(form->windowTitle(), base + " - named.bin");
  EXPECT_EQ(aboutLabel(), base);
  EXPECT_EQ(form->windowTitle(), base + " - named.bin");
}

TEST_F(MainFormFixture, TicksShowTheModuleAndTheReadGoesThroughTheLoader) {
  WriteSettings("[Settings]\ninterface=2\ndisable_select_dialog=1\n");
  Start();
  Tick();
  EXPECT_EQ(Text("StaticText11"), QString::fromUtf8("не подключен"));
  EXPECT_FALSE(Find<QPushButton>("Button4")->isEnabled());
  Tick();
  EXPECT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
  EXPECT_EQ(Text("StaticText10"), "2.0.34.");
  EXPECT_EQ(Text("StaticText2"), "1.0.5.");
  for (const char* name : {"Button4", "Button7", "Button5", "Button8"})
    EXPECT_TRUE(Find<QPushButton>(name)->isEnabled()) << name;
  EXPECT_TRUE(Action("N11")->isEnabled());
  EXPECT_TRUE(Action("N16")->isEnabled());
  EXPECT_FALSE(Find<QPushButton>("Button6")->isEnabled());
  EXPECT_FALSE(Action("N14")->isEnabled());

  TakeCodes();
  Action("N11")->trigger();  // the menu item is the button
  EXPECT_TRUE(form->Shell().get_flag1);
  EXPECT_THAT(TakeCodes(), testing::ElementsAre(cmdIdentify, cmdEnterLoader));
  ASSERT_TRUE(TickUntilLoader());
  EXPECT_FALSE(form->Shell().get_flag1);
  EXPECT_EQ(Text("StaticText11"), QString::fromUtf8("загрузчик"));
  EXPECT_TRUE(Find<QPushButton>("Button6")->isEnabled());
  EXPECT_TRUE(Find<QProgressBar>("ProgressBar2")->isHidden());
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Конфигуратор модуля KarvelM v 1.97"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // The read went to the bootloader (what it finds there is the transfer's business).
  EXPECT_THAT(TakeCodes(), testing::Contains(cmdOpenRead));

  // Restart from the menu returns the module to its firmware.
  Action("N14")->trigger();
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_EQ(dialogs.shown.back().text, "Перезапустить плату?");
  EXPECT_THAT(TakeCodes(), testing::ElementsAre(cmdIdentify, cmdRestart));
}

// Every menu item that stands for a control does what the control does, seen by the
// command's own effect. Each case runs on a fresh window on the simulated module: once by the
// control, once by the item, and for the module items once more by the item with the control
// disabled (an item runs its control's handler whether or not the control is enabled).
TEST_F(MainFormFixture, MenuItemsDoWhatTheirControlsDo) {
  std::unique_ptr<QSignalSpy> clicks;  // the control's clicked signal
  struct TCase {
    const char* item;
    const char* control;  // nullptr: the window's close box
    bool whileDisabled;
    std::function<void()> expect;
  };
  const TCase cases[] = {
      {"N21", "Button7", true,
       [&] {
         EXPECT_TRUE(form->Shell().get_flag2);
         EXPECT_FALSE(form->Shell().get_flag1);
         EXPECT_THAT(TakeCodes(), testing::ElementsAre(cmdIdentify, cmdEnterLoader));
         EXPECT_TRUE(dialogs.shown.empty());
       }},
      {"N12", "Button5", true,
       [&] {
         ASSERT_EQ(dialogs.shown.size(), 1u);
         EXPECT_EQ(dialogs.shown[0].kind, "ask");
         EXPECT_EQ(dialogs.shown[0].text, "Записать в конфигурацию 1 платы?");
         EXPECT_EQ(dialogs.shown[0].caption, "Запись в плату");
         EXPECT_TRUE(form->Shell().set_flag1);
         EXPECT_FALSE(form->Shell().set_flag2);
         EXPECT_THAT(TakeCodes(), testing::ElementsAre(cmdIdentify, cmdEnterLoader));
       }},
      {"N5", "SpeedButton2", false,
       [&] {
         ASSERT_EQ(dialogs.shown.size(), 1u);
         EXPECT_EQ(dialogs.shown[0].kind, "save");
         EXPECT_EQ(dialogs.shown[0].request.title, "Сохранение конфигураций");
         EXPECT_EQ(dialogs.shown[0].request.filter, "Двоичный файл|*.bin");
       }},
      {"N7", nullptr, false,
       [&] {
         EXPECT_FALSE(form->isVisible());
         EXPECT_EQ(ActiveLink, nullptr);
         EXPECT_THAT(SavedSettings(), testing::HasSubstr("interface=2\n"));
         EXPECT_TRUE(dialogs.shown.empty());
       }},
      // The update button's handler belongs to the update page; the item only clicks it.
      {"N16", "Button2", true, [&] { EXPECT_EQ(clicks->count(), 1); }},
  };
  for (const auto& c : cases) {
    for (int run = 0; run < (c.whileDisabled ? 3 : 2); ++run) {
      SCOPED_TRACE(std::string(c.item) + (run == 0   ? " by its control"
                                          : run == 1 ? " by the item"
                                                     : " by the item, control disabled"));
      dialogs.shown.clear();
      WriteSettings("[Settings]\ninterface=2\ndisable_select_dialog=1\nip=127.0.0.1\n");
      Start();
      form->show();
      QCoreApplication::processEvents();
      Ticks(2);
      ASSERT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
      TakeCodes();
      // Within the client area: the interrupt dialog, also the window's child, has a Button2.
      auto* control =
          c.control ? form->centralWidget()->findChild<QAbstractButton*>(c.control) : nullptr;
      if (c.control) {
        ASSERT_NE(control, nullptr);
      }
      if (control) clicks = std::make_unique<QSignalSpy>(control, &QAbstractButton::clicked);
      // Only a save at close brings the file back.
      std::filesystem::remove(SettingsPath());
      if (run == 0) {
        if (control) {
          ASSERT_TRUE(control->isEnabled());
          control->click();
        } else {
          form->close();
        }
      } else {
        if (run == 2) control->setEnabled(false);
        ASSERT_TRUE(Action(c.item)->isEnabled());
        Action(c.item)->trigger();
      }
      c.expect();
      clicks.reset();
      form->close();
      Destroy();
    }
  }
}

// The settings cannot be written at close: a folder stands where the save puts its
// temporary file. The user is told once, after the link was closed, the window still closes
// and the file that was there stays as it was.
TEST_F(MainFormFixture, SettingsThatCannotBeSavedAtCloseAreReportedOnce) {
  const std::string old = "[Settings]\ninterface=2\ndisable_select_dialog=1\nip=127.0.0.1\n";
  WriteSettings(old);
  Start();
  form->show();
  QCoreApplication::processEvents();
  ASSERT_NE(ActiveLink, nullptr);
  Find<QCheckBox>("CheckBox6")->click();  // a change the save would have written
  ASSERT_TRUE(std::filesystem::create_directory(SettingsPath() + ".tmp"));
  bool linkOpenDuringBox = false;
  dialogs.whileOpen = [&](const TShownBox&) { linkOpenDuringBox = ActiveLink != nullptr; };
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ActiveLink, nullptr);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "inform");
  EXPECT_THAT(
      dialogs.shown[0].text,
      testing::StartsWith("Не удалось сохранить настройки в файл \"" + SettingsPath() + "\". "));
  EXPECT_THAT(dialogs.shown[0].text, testing::EndsWith(std::strerror(EISDIR)));
  EXPECT_EQ(dialogs.shown[0].caption, "Конфигуратор модуля KarvelM v 1.97");
  EXPECT_FALSE(linkOpenDuringBox);
  EXPECT_EQ(SavedSettings(), old);
  EXPECT_TRUE(std::filesystem::is_directory(SettingsPath() + ".tmp"));
  form->close();
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(MainFormFixture, PageChangesAreRefusedWhileTheDacTimerRuns) {
  WriteSettings("[Settings]\ndisable_select_dialog=1\n");
  Start();
  form->show();
  QTabBar* bar = Pages()->tabBar();
  QTimer* dacTimer = form->findChild<QTimer*>("DACTimer");
  ASSERT_NE(dacTimer, nullptr);
  dacTimer->start();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(mpTerminal).center());
  EXPECT_EQ(Pages()->currentIndex(), mpDeviceParameters);
  QTabBar* subBar = Find<QTabWidget>("PageControl2")->tabBar();
  QTest::mouseClick(subBar, Qt::LeftButton, {}, subBar->tabRect(dpDac).center());
  EXPECT_EQ(Find<QTabWidget>("PageControl2")->currentIndex(), dpPeripheralBus);
  dacTimer->stop();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(mpTerminal).center());
  EXPECT_EQ(Pages()->currentIndex(), mpTerminal);
  EXPECT_TRUE(form->Shell().terminal_mode);
  // The DAC sub-page in view when the diagnostics page is entered sets dac_screen.
  Find<QTabWidget>("PageControl2")->setCurrentIndex(dpDac);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(mpDiagnostics).center());
  EXPECT_TRUE(form->Shell().dac_screen);
  EXPECT_FALSE(form->Shell().terminal_mode);
}

// The page flags follow the tabs by their names: a tab moved to another place still sets its own
// flag, and the version gate's page is still the update page.
TEST_F(MainFormFixture, PagesAreFoundByTheirTabNames) {
  WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
  Start({"-s"});
  QTabBar* bar = Pages()->tabBar();
  bar->moveTab(mpTerminal, 0);
  bar->moveTab(mpDebug, 1);
  Pages()->setCurrentIndex(0);
  EXPECT_TRUE(form->Shell().terminal_mode);
  EXPECT_EQ(form->CurrentPage(), mpTerminal);
  Pages()->setCurrentIndex(1);
  EXPECT_TRUE(form->Shell().debug_screen);
  EXPECT_FALSE(form->Shell().terminal_mode);
  form->ShowPage(mpUpdate);
  EXPECT_EQ(Pages()->currentWidget()->objectName(), "TabSheet10");
  EXPECT_TRUE(form->Shell().debug_screen) << "a page shown by the program keeps the flags";
  QTabBar* subBar = Find<QTabWidget>("PageControl2")->tabBar();
  subBar->moveTab(dpSensors, 0);
  Find<QTabWidget>("PageControl2")->setCurrentIndex(0);
  EXPECT_EQ(form->CurrentSubPage(), dpSensors);
}

// A handler connected through ConnectGuarded that throws: the exception stops at the slot and
// goes to the application's report; the signal's other slots still run.
TEST_F(MainFormFixture, ExceptionsStopAtGuardedSlots) {
  std::vector<std::string> reports;
  TQtEnvironment::app->ReportException = [&](const std::string& text) { reports.push_back(text); };
  QTimer sender;
  int got = -1;
  bool laterSlotRan = false;
  ConnectGuarded(&sender, &QTimer::objectNameChanged, &sender, [&](const QString& name) {
    got = name.size();
    throw TOSError("Cannot open file \"UpdateKarvel\".");
  });
  ConnectGuarded(&sender, &QTimer::objectNameChanged, &sender, [] { throw 7; });
  QObject::connect(&sender, &QTimer::objectNameChanged, [&] { laterSlotRan = true; });
  sender.setObjectName("abc");
  TQtEnvironment::app->ReportException = nullptr;
  EXPECT_EQ(got, 3);
  EXPECT_TRUE(laterSlotRan);
  EXPECT_THAT(reports,
              testing::ElementsAre("Cannot open file \"UpdateKarvel\".", "Unknown exception."));
}

// Records what would be opened instead of starting a viewer.
class TRecordingShell final : public TDesktopShell {
 public:
  void OpenDocument(const QString& path) override { opened.push_back(path.toStdString()); }
  std::vector<std::string> opened;
};

TEST_F(MainFormFixture, HelpOpensTheDocumentBesideTheExecutable) {
  TRecordingShell shell;
  SetDesktopShell(&shell);
  WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
  Start();
  // Started from another folder, the document is still the one beside the program.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  Action("N9")->trigger();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QTest::keyClick(form.get(), Qt::Key_F1);
  std::filesystem::current_path(before);
  SetDesktopShell(nullptr);
  const std::string expected =
      (QCoreApplication::applicationDirPath() + "/KarvelMcfg.pdf").toStdString();
  EXPECT_THAT(shell.opened, testing::ElementsAre(expected, expected));
  EXPECT_TRUE(dialogs.shown.empty()) << "the outcome is not checked";
}

TEST_F(MainFormFixture, HelpPrefersTheDocumentOfTheCurrentFolder) {
  TRecordingShell shell;
  SetDesktopShell(&shell);
  WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
  Start();
  const std::filesystem::path document = std::filesystem::path(folder.Path()) / "KarvelMcfg.pdf";
  std::ofstream(document) << "%PDF";
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  Action("N9")->trigger();
  std::filesystem::current_path(before);
  SetDesktopShell(nullptr);
  EXPECT_THAT(shell.opened, testing::ElementsAre(document.string()));
}

TEST_F(MainFormFixture, EscapedExceptionIsReportedAndTheTimerGoesOn) {
  std::vector<std::string> reports;
  TQtEnvironment::app->ReportException = [&](const std::string& text) { reports.push_back(text); };
  QTimer timer;
  timer.setInterval(0);
  int calls = 0;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++calls;
    throw TOSError("Cannot open file \"UpdateKarvel\".");
  });
  timer.start();
  for (int i = 0; i < 20 && calls < 2; ++i) QTest::qWait(5);
  timer.stop();
  EXPECT_GE(calls, 2);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports[0], "Cannot open file \"UpdateKarvel\".");
  TQtEnvironment::app->ReportException = nullptr;
}

}  // namespace
}  // namespace karvelm
