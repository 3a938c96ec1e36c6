// The update page in the real window, offscreen, on the in-process simulated module: the
// version rows and their buttons in each module state, the module update from the button to
// the bootloader tick, and what the accessory buttons ask before anything is sent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <optional>
#include <string>

#include "app/app_texts.h"
#include "base/byte_order.h"
#include "config/backup_store.h"
#include "config/config_image.h"
#include "link/commands.h"
#include "main_form_fixture.h"
#include "sim_violations.h"
#include "update/firmware_image.h"
#include "update/image_kind.h"
#include "update/update_texts.h"
#include "update/version_page.h"

namespace karvelm {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Image(size_t n, uint8_t salt) {
  Bytes image(n);
  for (size_t i = 0; i < n; ++i) image[i] = static_cast<uint8_t>(i * 13 + salt);
  return image;
}

// The bootloader takes the firmware write, acknowledging every piece, where the simulator has
// no model of its own for it. The rule says "no answer": the simulator follows the sequence of
// cmdEnterLoader (the same code) by the rule of the program it has just restarted into.
void AcknowledgeFirmwareWrites(TModuleSim& sim) {
  if (sim.HasHandler(spLoader, cmdWriteFirmware)) return;
  sim.SetHandler(
      spLoader, cmdWriteFirmware,
      [](TModuleSim& s, const TSimRequest& request) {
        auto left = std::make_shared<uint32_t>(GetU32(request.payload.data()));
        if (*left > 0) {
          s.SetDataSink([left](TModuleSim& d, const TSimRequest& data) {
            *left -= std::min<uint32_t>(*left, static_cast<uint32_t>(data.payload.size()));
            if (*left == 0) d.SetDataSink(nullptr);
            d.Reply(data);
          });
        }
        s.Reply(request);
      },
      TSimCommandRule{{4}, saNone});
}

// What ProgressBar1 showed: each new value, and whether the bar was shown then.
struct TProgressSeen {
  int value;
  bool shown;
  bool operator==(const TProgressSeen&) const = default;
};
void PrintTo(const TProgressSeen& p, std::ostream* os) {
  *os << p.value << (p.shown ? "" : " (hidden)");
}

class UpdatePage : public MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    images = std::make_shared<TMemoryImageSource>("test images");
    firmwareImages = images;
  }

  // The window on a lively simulated module over a link of the kind.
  void StartOn(TIntfType kind, TSimConfig config = {}) {
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=" +
                  std::to_string(static_cast<int>(kind)) + "\n");
    Create({"-s"}, config);
    links->MakeLively();
    Show();
    form->show();
    QProgressBar* bar = Find<QProgressBar>("ProgressBar1");
    QObject::connect(bar, &QProgressBar::valueChanged, [this, bar](int value) {
      progress.push_back({value, !bar->isHidden()});
    });
  }
  // The user's switch to the update page (PageControl1Change refreshes it).
  void OpenUpdatePage() {
    for (int i = 0; i < Pages()->count(); ++i) {
      if (Pages()->widget(i)->objectName() == "TabSheet10") Pages()->setCurrentIndex(i);
    }
    ASSERT_EQ(Pages()->currentWidget()->objectName(), "TabSheet10");
  }
  void Click(const char* button) { emit Find<QPushButton>(button)->clicked(false); }
  bool Enabled(const char* button) { return Find<QPushButton>(button)->isEnabled(); }
  std::string Label(const QString& name) { return Text(name.toUtf8().constData()).toStdString(); }

  // The bytes of the firmware write: its announced length and the data packets after it.
  struct TFirmwareWrite {
    bool announced = false;
    uint32_t length = 0;
    Bytes data;
  };
  TFirmwareWrite TakeFirmwareWrite() {
    TFirmwareWrite write;
    for (const auto& received : links->Sim().Received()) {
      if (received.fate != sfHandled || received.program != spLoader) continue;
      const TSimRequest& r = received.request;
      if (r.type == kSimTypeReply && r.code == cmdWriteFirmware && r.payload.size() == 4) {
        write = {true, GetU32(r.payload.data()), {}};
      } else if (r.type == kSimTypeData && write.announced) {
        write.data.insert(write.data.end(), r.payload.begin(), r.payload.end());
      }
    }
    links->Sim().ClearRecord();
    return write;
  }
  static bool Contains(const std::vector<uint8_t>& codes, uint8_t code) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
  }

  std::shared_ptr<TMemoryImageSource> images;
  std::vector<TProgressSeen> progress;
};

const std::vector<std::string> kLivelyNames = {"RK-110M 0x0A", "RK-120M 0x14", "RK-130M 0x1A",
                                               "RK-140M/143M 0x1E", "RK-150M 0x22"};

TEST_F(UpdatePage, FixedTextsAndInitialVersionsBeforeTheFirstRefresh) {
  StartOn(itUDP);
  EXPECT_EQ(Label("StaticText194"), kInitialVersionText);
  EXPECT_EQ(Label("ext_mod_ver12"), kInitialVersionText);
  QWidget* sheet = Find<QWidget>("TabSheet10");
  QStringList texts;
  for (QLabel* label : sheet->findChildren<QLabel*>()) texts << label->text();
  for (const char* text : {kAvailableVersionsHeading, kCurrentVersionsHeading,
                           "Модуль KarvelM v1.x.x", "v 1.3.39.", "v 2.0.34.", "v 1.1.21."})
    EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
  // The service switch shows the file option.
  EXPECT_FALSE(Find<QCheckBox>("CheckBox5")->isHidden());
  EXPECT_FALSE(Find<QCheckBox>("CheckBox5")->isChecked());
  EXPECT_TRUE(Find<QProgressBar>("ProgressBar1")->isHidden());
}

TEST_F(UpdatePage, FirmwareRunningFillsTheRowsInSlotOrderWithTheirButtons) {
  StartOn(itUDP);
  Ticks(2);
  OpenUpdatePage();
  EXPECT_EQ(Label("StaticText194"), "v 2.0.34.");
  EXPECT_TRUE(Enabled("Button2"));
  // No BOSI link on a second-generation module.
  EXPECT_EQ(Label("StaticText223"), "-");
  EXPECT_FALSE(Enabled("Button33"));
  // The panel buttons go with the panel's version.
  const bool panel = Label("StaticText195") != "-";
  EXPECT_EQ(Enabled("Button18"), panel);
  EXPECT_EQ(Enabled("Button25"), panel);

  const char* buttons[] = {"Button19", "Button20", "Button21", "Button22", "Button23",
                           "Button24", "Button26", "Button27", "Button28", "Button29",
                           "Button30", "Button31", "Button32"};
  for (int r = 0; r < kExtModuleRows; ++r) {
    SCOPED_TRACE(r);
    const QString name = QString("ext_mod_name%1").arg(r);
    const bool found = r < static_cast<int>(kLivelyNames.size());
    EXPECT_EQ(Label(name), found ? kLivelyNames[r] : "-");
    EXPECT_EQ(Enabled(buttons[r]), found);
    EXPECT_EQ(Find<QPushButton>(buttons[r])->property("tag").toInt(), r + 4);
    if (!found) {
      EXPECT_EQ(Label(QString("ext_mod_ver%1").arg(r)), "-");
    }
  }
  // The address goes with the name label.
  EXPECT_EQ(Find<QLabel>("ext_mod_name2")->property("tag").toUInt(), 0x1Au);
  EXPECT_EQ(Label("ext_mod_ver0"), "v 1.1.21.");
  EXPECT_EQ(Label("ext_mod_ver4"), "v 1.0.0. загрузчик");
  ExpectNoViolations(links->Sim());
}

TEST_F(UpdatePage, BootloaderShowsOnlyTheModuleRowAndItsButton) {
  TSimConfig config;
  config.program = spLoader;
  StartOn(itHID_OLD, config);
  ASSERT_TRUE(TickUntilLoader());
  OpenUpdatePage();
  // The firmware version as the bootloader reports it.
  EXPECT_EQ(Label("StaticText194"), "v 2.0.34.");
  EXPECT_TRUE(Enabled("Button2"));
  for (const char* label : {"StaticText195", "StaticText223", "ext_mod_name0", "ext_mod_ver0"})
    EXPECT_EQ(Label(label), "-") << label;
  for (const char* button : {"Button33", "Button18", "Button25", "Button19"})
    EXPECT_FALSE(Enabled(button)) << button;
  ExpectNoViolations(links->Sim());
}

TEST_F(UpdatePage, AModuleGoneLeavesTheRowsUntilTheNextRefreshThenDashes) {
  StartOn(itUDP);
  Ticks(2);
  OpenUpdatePage();
  ASSERT_TRUE(Enabled("Button19"));
  CloseLink();
  Ticks(2);
  EXPECT_EQ(Label("ext_mod_name0"), kLivelyNames[0]);
  EXPECT_TRUE(Enabled("Button19"));
  Pages()->setCurrentIndex(0);
  OpenUpdatePage();
  EXPECT_EQ(Label("StaticText194"), "-");
  EXPECT_FALSE(Enabled("Button2"));
  EXPECT_EQ(Label("ext_mod_name0"), "-");
  EXPECT_FALSE(Enabled("Button19"));
}

class ModuleUpdateKinds : public UpdatePage, public testing::WithParamInterface<TIntfType> {};

// Raised while the firmware runs: cmdEnterLoader, and the transfer of the link kind's built-in
// image at the first tick that finds the bootloader, with ProgressBar1 shown only meanwhile.
TEST_P(ModuleUpdateKinds, RequestedInFirmwareRunsAtTheFirstLoaderTick) {
  const Bytes image = Image(2500, 3);
  images->Add(ModuleImageName(GetParam()), image);
  images->Add(ModuleImageName(GetParam() == itHID_OLD ? itUDP : itHID_OLD), Image(100, 9));
  StartOn(GetParam());
  Ticks(2);
  OpenUpdatePage();
  AcknowledgeFirmwareWrites(links->Sim());
  TakeCodes();
  Click("Button2");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "ask");
  EXPECT_EQ(dialogs.shown[0].text, kAskModuleUpdateText);
  EXPECT_EQ(dialogs.shown[0].caption, kUpdateCaption);
  EXPECT_EQ(TakeCodes(), (std::vector<uint8_t>{cmdIdentify, cmdEnterLoader}));
  EXPECT_TRUE(form->Shell().up_flag);
  EXPECT_TRUE(progress.empty());

  ASSERT_TRUE(TickUntilLoader());
  EXPECT_FALSE(form->Shell().up_flag);
  const TFirmwareWrite write = TakeFirmwareWrite();
  EXPECT_TRUE(write.announced);
  EXPECT_EQ(write.length, image.size());
  EXPECT_EQ(write.data, image);
  // Set to 0, then shown for every step up to 100.
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress.front().value, 0);
  EXPECT_EQ(progress.back(), (TProgressSeen{100, true}));
  EXPECT_TRUE(std::all_of(progress.begin() + 1, progress.end(), [](auto& p) { return p.shown; }));
  EXPECT_TRUE(Find<QProgressBar>("ProgressBar1")->isHidden());
  EXPECT_EQ(dialogs.shown.size(), 1u);  // no message after a complete update
  // Raised once, run once.
  Ticks(3);
  EXPECT_FALSE(TakeFirmwareWrite().announced);
  ExpectNoViolations(links->Sim());
}

// Both stored configurations are saved before the module's firmware is replaced; when they
// cannot be, the user is asked, Cancel being the default.
class ModuleUpdateBackups : public UpdatePage {
 protected:
  void SetUp() override {
    UpdatePage::SetUp();
    if (const char* old = ::getenv("XDG_DATA_HOME")) oldDataHome = old;
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    images->Add(ModuleImageName(itUDP), Image(2500, 3));
    StartOn(itUDP);
    Ticks(2);
    OpenUpdatePage();
    AcknowledgeFirmwareWrites(links->Sim());
  }
  void TearDown() override {
    oldDataHome ? ::setenv("XDG_DATA_HOME", oldDataHome->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    UpdatePage::TearDown();
  }
  TTempFolder data;
  std::optional<std::string> oldDataHome;
};

TEST_F(ModuleUpdateBackups, BothConfigurationsAreSavedFirst) {
  Click("Button2");
  ASSERT_TRUE(TickUntilLoader());
  EXPECT_TRUE(TakeFirmwareWrite().announced);
  const std::vector<TBackupEntry> backups = ListBackups(BackupFolder());
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_EQ(backups[0].configNumber + backups[1].configNumber, 3);
  EXPECT_EQ(dialogs.shown.size(), 1u) << "only the update's own question";
}

TEST_F(ModuleUpdateBackups, FailedBackupAsksAndCancelSendsNoImage) {
  links->Sim().Faults().failReadAt = kCommonBlockAddress;
  dialogs.answers = {true, false};  // the update: yes; without a backup: no
  Click("Button2");
  ASSERT_TRUE(TickUntilLoader());
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].kind, "ask-cancel");
  EXPECT_EQ(dialogs.shown[1].text,
            "Не удалось сохранить резервную копию конфигурации 1: Ошибка считывания настроек. "
            "(common block)\nОбновить ПО без резервной копии?");
  EXPECT_EQ(dialogs.shown[1].caption, kUpdateCaption);
  EXPECT_FALSE(TakeFirmwareWrite().announced);
  EXPECT_TRUE(ListBackups(BackupFolder()).empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ModuleUpdateKinds, testing::Values(itHID_NEW, itUDP),
                         [](const auto& info) {
                           return std::string(info.param == itUDP ? "Udp" : "UsbNew");
                         });

TEST_F(UpdatePage, RaisedInTheBootloaderSendsNoEnterLoaderAndRunsAtTheNextTick) {
  const Bytes image = Image(700, 5);
  images->Add(kImageModule, image);
  TSimConfig config;
  config.program = spLoader;
  StartOn(itUDP, config);
  ASSERT_TRUE(TickUntilLoader());
  OpenUpdatePage();
  AcknowledgeFirmwareWrites(links->Sim());
  TakeCodes();
  Click("Button2");
  EXPECT_TRUE(TakeCodes().empty());
  EXPECT_TRUE(form->Shell().up_flag);
  Tick();
  EXPECT_EQ(TakeFirmwareWrite().data, image);
  EXPECT_TRUE(Find<QProgressBar>("ProgressBar1")->isHidden());
}

TEST_F(UpdatePage, AMissingBuiltInImageIsToldAndNothingIsSent) {
  TSimConfig config;
  config.program = spLoader;
  StartOn(itUDP, config);
  ASSERT_TRUE(TickUntilLoader());
  OpenUpdatePage();
  Click("Button2");
  Tick();
  EXPECT_FALSE(TakeFirmwareWrite().announced);
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].kind, "inform");
  EXPECT_THAT(dialogs.shown[1].text, testing::HasSubstr(kImageModule));
  EXPECT_TRUE(Find<QProgressBar>("ProgressBar1")->isHidden());
}

struct TNoFileCase {
  const char* name;
  bool cancel;  // else a file that is gone
};

class ModuleFileNotTaken : public UpdatePage, public testing::WithParamInterface<TNoFileCase> {};

// With the file option, a cancelled dialog or a file gone since raises nothing and sends
// nothing, and withdraws a request that was still pending.
TEST_P(ModuleFileNotTaken, RaisesNothing) {
  StartOn(itUDP);
  Ticks(2);
  OpenUpdatePage();
  Find<QCheckBox>("CheckBox5")->setChecked(true);
  form->Shell().up_flag = true;
  dialogs.files.push_back(GetParam().cancel ? std::nullopt
                                            : std::optional(folder.File("gone.upd")));
  TakeCodes();
  Click("Button2");
  ASSERT_EQ(dialogs.shown.size(), 2u);
  const TShownBox& open = dialogs.shown[1];
  EXPECT_EQ(open.kind, "open");
  EXPECT_EQ(open.request.title, kUpdateDialogTitle);
  EXPECT_EQ(open.request.filter, kUpdateDialogFilter);
  EXPECT_EQ(open.request.defaultExtension, "upd");
  EXPECT_EQ(open.request.filterIndex, 1);
  EXPECT_EQ(open.request.name, "OpenDialog3");
  EXPECT_FALSE(form->Shell().up_flag);
  EXPECT_TRUE(TakeCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, ModuleFileNotTaken,
                         testing::Values(TNoFileCase{"Cancelled", true},
                                         TNoFileCase{"Gone", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// The gate raises the update with the file option on after an accessory file was chosen: the
// module gets its own built-in image, never the accessory's.
TEST_F(UpdatePage, VersionGateUpdateTakesAModuleImageOnly) {
  const Bytes moduleImage = Image(1500, 1);
  images->Add(kImageModule, moduleImage);
  images->Add(kImageExtModule, Image(200, 2));
  folder.Write("ext.upm", std::string(300, 'x'));
  StartOn(itUDP);
  Ticks(2);
  OpenUpdatePage();
  Find<QCheckBox>("CheckBox5")->setChecked(true);
  dialogs.files.push_back(folder.File("ext.upm"));
  Click("Button19");
  ASSERT_GE(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[1].request.filterIndex, 2);

  links->Sim().SetVersion(spFirmware, 0x02001500);
  AcknowledgeFirmwareWrites(links->Sim());
  links->Sim().ClearRecord();
  ASSERT_TRUE(TickUntilLoader());
  EXPECT_EQ(dialogs.Texts().back(), kOutdatedFirmwareText);
  const TFirmwareWrite write = TakeFirmwareWrite();
  EXPECT_EQ(write.length, moduleImage.size());
  EXPECT_EQ(write.data, moduleImage);
}

struct TCancelCase {
  const char* name;
  const char* button;
  std::deque<bool> answers;
  bool fileDialog;
  const char* question;
  bool timerInBoxes;  // Timer1 while the boxes are open
};

class AccessoryCancelled : public UpdatePage, public testing::WithParamInterface<TCancelCase> {};

// Nothing is sent, and Timer1 runs again afterwards (the panel stops it around its question).
TEST_P(AccessoryCancelled, SendsNothingAndLeavesTimer1Running) {
  const TCancelCase& c = GetParam();
  startTimer = true;
  StartOn(itUDP);
  QTimer* timer = Find<QTimer>("Timer1");
  timer->setInterval(3600 * 1000);  // the test ticks by itself
  Ticks(2);
  OpenUpdatePage();
  Find<QCheckBox>("CheckBox5")->setChecked(c.fileDialog);
  dialogs.answers = c.answers;
  std::vector<bool> timerSeen;
  dialogs.whileOpen = [&](const TShownBox&) { timerSeen.push_back(timer->isActive()); };
  TakeCodes();
  Click(c.button);
  ASSERT_EQ(dialogs.shown.size(), c.fileDialog ? 2u : 1u);
  EXPECT_EQ(dialogs.shown[0].text, c.question);
  EXPECT_EQ(dialogs.shown[0].caption, kUpdateCaption);
  if (c.fileDialog) {
    EXPECT_EQ(dialogs.shown[1].kind, "open");
    EXPECT_EQ(dialogs.shown[1].request.filterIndex, 2);
  }
  EXPECT_THAT(timerSeen, testing::Each(c.timerInBoxes));
  EXPECT_TRUE(timer->isActive());
  EXPECT_TRUE(TakeCodes().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, AccessoryCancelled,
                         testing::Values(TCancelCase{"ExtModuleDeclined",
                                                     "Button19",
                                                     {false},
                                                     false,
                                                     "Обновить прошивку модуля RK-110M 0x0A ?",
                                                     true},
                                         TCancelCase{"ExtModuleDialogCancelled",
                                                     "Button21",
                                                     {true},
                                                     true,
                                                     "Обновить прошивку модуля RK-130M 0x1A ?",
                                                     true},
                                         TCancelCase{"TorsenDeclined",
                                                     "Button25",
                                                     {false},
                                                     false,
                                                     "Обновить прошивку модуля ПУ-Torsen?",
                                                     false},
                                         TCancelCase{"BosiDialogCancelled",
                                                     "Button33",
                                                     {true},
                                                     true,
                                                     "Обновить прошивку модуля связи с БОСИ?",
                                                     true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdatePage, MenuItemN16ClicksTheModuleButton) {
  StartOn(itUDP);
  Ticks(2);
  dialogs.answers = {false};
  ASSERT_TRUE(Action("N16")->isEnabled());
  Action("N16")->trigger();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, kAskModuleUpdateText);
  EXPECT_FALSE(form->Shell().up_flag);
}

struct TMismatchCase {
  const char* name;
  const char* button;
  const char* file;
  bool secondAnswer;  // to the question that names the mismatch
  friend void PrintTo(const TMismatchCase& c, std::ostream* os) { *os << c.name; }
};

class ImageOfTheOtherKind : public UpdatePage, public testing::WithParamInterface<TMismatchCase> {};

// A module image offered to an accessory, or an accessory image to the module, goes only after
// a second question that names the file and both kinds; Cancel there sends nothing.
TEST_P(ImageOfTheOtherKind, GoesOnlyAfterASecondConfirmation) {
  const TMismatchCase& c = GetParam();
  StartOn(itUDP);
  Ticks(2);
  OpenUpdatePage();
  Find<QCheckBox>("CheckBox5")->setChecked(true);
  const std::string path = folder.Write(c.file, std::string(300, 'x'));
  const bool module = std::string(c.button) == "Button2";
  dialogs.files.push_back(path);
  dialogs.answers = {true, c.secondAnswer};
  TakeCodes();
  Click(c.button);
  ASSERT_GE(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[1].kind, "open");
  const TShownBox& second = dialogs.shown[2];
  EXPECT_EQ(second.kind, "ask");
  EXPECT_EQ(second.caption, kUpdateCaption);
  EXPECT_EQ(second.text,
            ImageMismatchQuestion(path, *CheckImageKind(path, module ? ikModule : ikAccessory)));
  EXPECT_THAT(second.text, testing::HasSubstr(module ? "(*.upm), а нужно обновление модуля KarvelM"
                                                     : "(*.upd), а нужно обновление внешнего"));
  const std::vector<uint8_t> codes = TakeCodes();
  if (!c.secondAnswer) {
    EXPECT_EQ(dialogs.shown.size(), 3u);
    EXPECT_TRUE(codes.empty());
    EXPECT_FALSE(form->Shell().up_flag);
  } else if (module) {
    EXPECT_TRUE(form->Shell().up_flag);
    EXPECT_TRUE(Contains(codes, cmdEnterLoader));
  } else {
    EXPECT_TRUE(Contains(codes, cmdPrepareExtModuleUpdate));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImageOfTheOtherKind,
    testing::Values(TMismatchCase{"ModuleGivenUpmCancelled", "Button2", "panel.upm", false},
                    TMismatchCase{"ModuleGivenUpmConfirmed", "Button2", "panel.upm", true},
                    TMismatchCase{"ExtModuleGivenUpdCancelled", "Button19", "module.upd", false},
                    TMismatchCase{"ExtModuleGivenUpdConfirmed", "Button19", "module.UPD", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvelm
