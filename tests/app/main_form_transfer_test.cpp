// Configuration transfers through the window, end to end on the simulated module: the
// button raises the request and sends the module into its bootloader, the tick runs the
// transfer there, and the window shows it (ProgressBar2, caption, cursor, messages).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <random>

#include "app/app_texts.h"
#include "base/byte_order.h"
#include "config/config_fields.h"
#include "config/config_transfer.h"
#include "config/koi7.h"
#include "link/commands.h"
#include "main_form_fixture.h"

namespace karvelm {
namespace {

const QString kBase = QString::fromUtf8("Конфигуратор модуля KarvelM v 1.97");

// An image unlike the initial one in every block: noise pages, fields, name, set-points.
std::unique_ptr<TConfigImage> BusyImage(uint32_t seed) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  std::mt19937 random(seed);
  for (uint8_t& byte : image->MemoryImage) byte = static_cast<uint8_t>(random());
  SetSettingsWord(*image, MemLayout, 13);
  SetSettingsWord(*image, CpuSlowdown, 4);
  SetConfigName(*image, Utf8ToCp1251("ТОКАРНЫЙ 16К20"));
  for (int i = 0; i < kSetPointWords; ++i)
    SetSetPointWord(*image, i, static_cast<uint16_t>(0x0101 * i + seed));
  SealSettingsBlock(*image);
  return image;
}

bool SameBlocks(const TConfigImage& a, const TConfigImage& b) {
  return a.SettingsBlock == b.SettingsBlock && a.SetPointBlock == b.SetPointBlock &&
         a.MemoryImage == b.MemoryImage;
}

// What ProgressBar2 showed: each new value with whether the bar was visible then.
struct TProgressSeen {
  int value;
  bool visible;
  bool operator==(const TProgressSeen&) const = default;
};
void PrintTo(const TProgressSeen& p, std::ostream* os) {
  *os << p.value << (p.visible ? "" : " (hidden)");
}

// Counts the times a widget appears.
class TShowCounter final : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shows;
    return false;
  }
  int shows = 0;
};

class TransferThroughWindow : public MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=2\n");
    Start();
    Ticks(2);
    ASSERT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
    QProgressBar* bar = Find<QProgressBar>("ProgressBar2");
    QObject::connect(bar, &QProgressBar::valueChanged, [this, bar](int value) {
      progress.push_back({value, bar->isVisible()});
    });
    bar->installEventFilter(&barShown);
    form->show();  // so that "visible" means shown on the window
    TakeCodes();
  }

  // A file name in the caption, as after saving the image.
  void SaveFile(const std::string& name) {
    dialogs.files.push_back(folder.File(name));
    Find<QToolButton>("SpeedButton2")->click();
    ASSERT_EQ(form->windowTitle(), kBase + " - " + QString::fromStdString(name));
    dialogs.shown.clear();
  }

  // The storage address of every block the bootloader was asked for, in order.
  std::vector<uint32_t> BlockReads() const {
    std::vector<uint32_t> addresses;
    for (const TSimRequest& r : links->Sim().Requests())
      if (r.type == kSimTypeReply && r.code == cmdOpenRead)
        addresses.push_back(GetU32(r.payload.data()));
    return addresses;
  }

  void ExpectIdleAfterTransfer() {
    EXPECT_EQ(barShown.shows, 1) << "ProgressBar2 appeared once, for the transfer";
    EXPECT_TRUE(Find<QProgressBar>("ProgressBar2")->isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The module stays in its bootloader; restart is how the user leaves it.
    EXPECT_EQ(Text("StaticText11"), QString::fromUtf8("загрузчик"));
    EXPECT_TRUE(Find<QPushButton>("Button6")->isEnabled());
  }

  std::vector<TProgressSeen> progress;
  TShowCounter barShown;
};

TEST_F(TransferThroughWindow, ReadOfConfiguration1FillsTheImageWithProgress) {
  auto stored = BusyImage(1);
  links->Sim().Storage().Load(0, *stored);
  links->Sim().Storage().Load(1, *BusyImage(2));
  SaveFile("before.bin");

  Find<QPushButton>("Button4")->click();
  EXPECT_TRUE(form->Shell().get_flag1);
  EXPECT_THAT(TakeCodes(), testing::ElementsAre(cmdIdentify, cmdEnterLoader));
  EXPECT_FALSE(SameBlocks(form->Image(), *stored)) << "nothing read yet";
  QLineEdit* name = Find<QLineEdit>("Edit9");
  EXPECT_NE(name->text(), QString::fromUtf8("ТОКАРНЫЙ 16К20"));
  ASSERT_TRUE(TickUntilLoader());

  EXPECT_FALSE(form->Shell().get_flag1);
  EXPECT_TRUE(SameBlocks(form->Image(), *stored));
  for (int page = 0; page < kPageCount; ++page) {
    EXPECT_EQ(form->Image().PageSum[page], PageSum16(kPageSize, stored->Page(page)));
    EXPECT_EQ(form->Image().PageCrc[page], PageCrc16(kPageSize, stored->Page(page)));
  }
  EXPECT_EQ(BlockReads().size(), 19u) << "common, settings, set-points and 16 pages";
  EXPECT_EQ(name->text(), QString::fromUtf8("ТОКАРНЫЙ 16К20")) << "the pages show the read image";
  // The bar is set to 0 as it appears, then moves page by page to 100, shown all the while.
  std::vector<TProgressSeen> expected{{0, false}};
  for (int page = 0; page < kPageCount; ++page)
    if (ReadProgress(page) != expected.back().value) expected.push_back({ReadProgress(page), true});
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(progress.back().value, 100);
  EXPECT_EQ(form->windowTitle(), kBase) << "the image no longer is the file's";
  EXPECT_TRUE(dialogs.shown.empty());
  ExpectIdleAfterTransfer();

  // The next bootloader ticks read nothing again.
  TakeCodes();
  Ticks(2);
  EXPECT_THAT(TakeCodes(), testing::Not(testing::Contains(cmdOpenRead)));
}

TEST_F(TransferThroughWindow, WriteFromTheMenuReachesTheModuleStorage) {
  auto original = std::make_unique<TConfigImage>();
  links->Sim().Storage().Store(0, *original);
  form->Image() = *BusyImage(7);
  SetSettingsWord(form->Image(), CpuSlowdown, 2);  // unsealed: the write seals it

  dialogs.answers.push_back(true);
  Action("N22")->trigger();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Записать в конфигурацию 2 платы?");
  EXPECT_EQ(dialogs.shown[0].caption, "Запись в плату");
  EXPECT_TRUE(form->Shell().set_flag2);
  EXPECT_THAT(TakeCodes(), testing::ElementsAre(cmdIdentify, cmdEnterLoader));
  ASSERT_TRUE(TickUntilLoader());
  EXPECT_FALSE(form->Shell().set_flag2);

  auto written = std::make_unique<TConfigImage>();
  links->Sim().Storage().Store(1, *written);
  EXPECT_TRUE(SameBlocks(*written, form->Image()));
  EXPECT_EQ(SettingsWord(*written, CpuSlowdown), 2);
  auto first = std::make_unique<TConfigImage>();
  links->Sim().Storage().Store(0, *first);
  EXPECT_TRUE(SameBlocks(*first, *original)) << "configuration 1 untouched";

  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().value, 100);
  for (size_t i = 0; i < progress.size(); ++i) {
    EXPECT_TRUE(progress[i].visible) << i;
    if (i > 0) {
      EXPECT_GT(progress[i].value, progress[i - 1].value) << i;
    }
  }
  EXPECT_EQ(dialogs.shown.size(), 1u) << "no failure message";
  ExpectIdleAfterTransfer();
}

TEST_F(TransferThroughWindow, CancelledWriteLeavesTheModuleAlone) {
  dialogs.answers.push_back(false);
  Find<QPushButton>("Button5")->click();
  EXPECT_FALSE(form->Shell().set_flag1);
  EXPECT_TRUE(TakeCodes().empty());
  Ticks(4);
  EXPECT_EQ(barShown.shows, 0);
}

struct TFailingReadCase {
  const char* name;
  uint32_t failAt;  // storage address whose block read the bootloader refuses
  bool reported;    // the user is told
  size_t blocksAsked;
};

void PrintTo(const TFailingReadCase& c, std::ostream* os) {
  *os << c.name << " (refused at " << std::hex << c.failAt << std::dec << ")";
}

class FailingRead : public TransferThroughWindow,
                    public testing::WithParamInterface<TFailingReadCase> {};

// The message follows the last block read: the set-points when they fail (no page is read
// after them), otherwise page 15.
TEST_P(FailingRead, MessageFollowsTheLastBlock) {
  const auto& c = GetParam();
  links->Sim().Faults().failReadAt = c.failAt;
  SaveFile("before.bin");
  // A tick that runs while the message box is open does not start the read again.
  size_t readsWhileOpen = 0;
  dialogs.whileOpen = [&](const TShownBox&) {
    Tick();
    readsWhileOpen = BlockReads().size();
  };
  Find<QPushButton>("Button4")->click();
  ASSERT_TRUE(TickUntilLoader());
  EXPECT_EQ(BlockReads().size(), c.blocksAsked);
  if (c.reported) {
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "inform");
    EXPECT_EQ(dialogs.shown[0].text, "Ошибка считывания настроек.");
    EXPECT_EQ(dialogs.shown[0].caption, "Считывание настроек");
    EXPECT_EQ(readsWhileOpen, c.blocksAsked);
  } else {
    EXPECT_TRUE(dialogs.shown.empty());
  }
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front().value, 0);
  for (size_t i = 1; i < progress.size(); ++i) EXPECT_TRUE(progress[i].visible) << i;
  EXPECT_EQ(form->windowTitle(), kBase);
  ExpectIdleAfterTransfer();
}

INSTANTIATE_TEST_SUITE_P(Cases, FailingRead,
                         testing::Values(TFailingReadCase{"SetPoints", kSetPointAddress[0], true,
                                                          3},
                                         TFailingReadCase{"Page5", PageAddress(0, 5), false, 19},
                                         TFailingReadCase{"Page15", PageAddress(0, 15), true, 19}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace karvelm
