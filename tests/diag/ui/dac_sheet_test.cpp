#include <QElapsedTimer>
#include <QGroupBox>

#include "app/sim_links.h"
#include "diag/dac_page.h"
#include "diag/dac_sawtooth.h"
#include "diag_sheets_fixture.h"
#include "main_form_fixture.h"

namespace karvelm {
namespace {

using diagtest::BusWrite;
using diagtest::Bytes;
using diagtest::DiagSheetsFixture;

// The DAC sub-page on a module that keeps its corrections (set only while paused) and lists
// an RK-130M in type-2 slot 0 serving the first servedEntries channels.
class DacSheet : public DiagSheetsFixture {
 protected:
  void SetUp() override {
    DiagSheetsFixture::SetUp();
    auto& h = link.module->handlers;
    h[0x10] = [this](const Bytes&) -> std::optional<Bytes> {
      Bytes reply;
      for (int32_t v : corrections)
        for (int i = 0; i < (Legacy() ? 2 : 4); ++i)
          reply.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
      return reply;
    };
    h[0x11] = [this](const Bytes& p) -> std::optional<Bytes> {
      EXPECT_TRUE(paused) << "corrections are set only while paused";
      for (size_t i = 0; i < 8; ++i)
        corrections[i] = Legacy() ? static_cast<int16_t>(GetU16(p.data() + 2 * i))
                                  : static_cast<int32_t>(GetU32(p.data() + 4 * i));
      tables.push_back(corrections);
      return Bytes{};
    };
    h[0x12] = [this](const Bytes&) -> std::optional<Bytes> {
      ++stores;
      return Bytes{};
    };
    h[0x19] = [this](const Bytes&) -> std::optional<Bytes> {
      paused = true;
      // The pressed button stays disabled and the tick off while the module is talked to.
      pressedEnabledWhilePaused.push_back(pressed && pressed->isEnabled());
      EXPECT_FALSE(services.timer1);
      return Bytes{};
    };
    h[0x1A] = [this](const Bytes&) -> std::optional<Bytes> {
      paused = false;
      return Bytes{};
    };
    h[0x0D] = [this](const Bytes& p) -> std::optional<Bytes> {
      const uint32_t index = Legacy() ? p[1] : GetU32(p.data() + 4);
      Bytes map(16, 0xFF);
      const bool present = index == 0 && dacPresent;
      for (int i = 0; i < servedEntries; ++i) map[static_cast<size_t>(i)] = 0;
      Bytes reply = Legacy() ? Bytes{present ? uint8_t{0x21} : uint8_t{0}}
                             : Bytes{present ? uint8_t{0x21} : uint8_t{0}, 0, 0, 0};
      reply.insert(reply.end(), map.begin(), map.end());
      reply.resize(reply.size() + 8, 0x01);
      return reply;
    };
    ShowSubPage(dpDac);
  }

  std::string Correction(int channel) { return Text(kDacRows[channel].correctionLabel); }
  QPushButton* TestButton(int channel) {
    return Find<QPushButton>(kDacRows[channel].sawtoothButton);
  }

  // Lets DACTimer run until the module has n more sawtooth writes, or 5 s have passed.
  void RunSawtooth(size_t n) {
    const size_t target = Writes().size() + n;
    QElapsedTimer elapsed;
    elapsed.start();
    while (Writes().size() < target && elapsed.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }

  std::array<int32_t, 8> corrections{};
  std::vector<std::array<int32_t, 8>> tables;
  std::vector<bool> pressedEnabledWhilePaused;
  QPushButton* pressed = nullptr;
  bool paused = false;
  bool dacPresent = true;
  int servedEntries = 4;
  int stores = 0;
};

TEST_P(DacSheet, RowsStartAsBuilt) {
  for (int n = 0; n < 8; ++n) {
    EXPECT_EQ(Text(kDacRows[n].valueLabel), "0");
    EXPECT_EQ(Find<QLineEdit>(kDacRows[n].edit)->text(), "0");
    EXPECT_EQ(TestButton(n)->text(), "Тест пила");
    EXPECT_EQ(TestButton(n)->property("tag").toInt(), n);
    EXPECT_EQ(Find<QLabel>(kDacRows[n].correctionLabel)->text(), "0");
  }
  EXPECT_EQ(Text("DacChannel8"), "Канал 8");
  EXPECT_EQ(Text("DacAddress8"), "167656");
  EXPECT_EQ(Find<QGroupBox>("GroupBox3")->title(), "Калибровка");
  EXPECT_EQ(Find<QPushButton>("Button16")->text(), "Сохранить");
  EXPECT_EQ(Find<QPushButton>("DacCorrectionDown1")->text(), "–");
  EXPECT_EQ(Find<QPushButton>("DacCorrectionZero1")->text(), ">0<");
  EXPECT_EQ(Find<QTimer>("DACTimer")->interval(), 10);
}

// Enter writes the last accepted value: 177777 into Edit29 goes to 167656; a text that is not
// octal turns red and leaves that value.
TEST_P(DacSheet, EnterWritesTheLastAcceptedValue) {
  QLineEdit* edit = Find<QLineEdit>("Edit29");
  edit->setText("177777");
  QTest::keyClick(edit, Qt::Key_Return);
  edit->setText("1778");
  EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::red));
  QTest::keyClick(edit, Qt::Key_Return);
  edit->setText("12");
  EXPECT_NE(edit->palette().color(QPalette::Text), QColor(Qt::red));
  Click("SpeedButton14");
  EXPECT_EQ(Writes(),
            (std::vector<diagtest::TBusEvent>{BusWrite(0167656, 0xFFFF), BusWrite(0167656, 0xFFFF),
                                              BusWrite(0167656, 012)}));
  registry.connected = false;
  Click("SpeedButton14");
  EXPECT_EQ(Writes().size(), 3u) << "nothing written without the firmware";
}

// Entering the sub-page says "-----" and lists the RK-130M again; the tick then shows values
// in octal and corrections only for the channels a listed module serves.
struct TServedCase {
  const char* name;
  bool dacPresent;
  int servedEntries;
  int shownChannels;
};

TEST_P(DacSheet, CorrectionLabelsFollowTheListedModule) {
  const TServedCase cases[] = {
      {"FirstFour", true, 4, 4}, {"All", true, 16, 8}, {"NoModule", false, 16, 0}};
  for (const TServedCase& c : cases) {
    SCOPED_TRACE(c.name);
    dacPresent = c.dacPresent;
    servedEntries = c.servedEntries;
    corrections = {-1, 2, 3, 4, 5, 6, 7, 8};
    link.module->memory[0167642] = 0177777;
    link.module->memory[0167656] = 0100000;
    registry.pages[pgDac]->Relist();
    for (int n = 0; n < 8; ++n) EXPECT_EQ(Correction(n), "-----");
    Tick(pgDac);
    EXPECT_EQ(Text("StaticText119"), "177777");
    EXPECT_EQ(Text("StaticText135"), "100000");
    for (int n = 0; n < 8; ++n)
      EXPECT_EQ(Correction(n), n < c.shownChannels ? std::to_string(corrections[n]) : "-----") << n;
  }
}

// "+" twice on channel 3 from 5, then ">0<": each step sends the whole table between pause and
// resume with the button disabled and the tick off; the label follows at the next tick.
TEST_P(DacSheet, CorrectionButtonsStepTheWholeTable) {
  corrections[2] = 5;
  registry.pages[pgDac]->Relist();
  Tick(pgDac);
  EXPECT_EQ(Correction(2), "5");
  pressed = Find<QPushButton>("DacCorrectionUp3");
  pressed->click();
  pressed->click();
  Tick(pgDac);
  EXPECT_EQ(Correction(2), "7");
  pressed = Find<QPushButton>("DacCorrectionZero3");
  pressed->click();
  pressed = Find<QPushButton>("DacCorrectionDown1");
  pressed->click();
  Tick(pgDac);
  ASSERT_EQ(tables.size(), 4u);
  EXPECT_EQ(tables[0][2], 6);
  EXPECT_EQ(tables[1][2], 7);
  EXPECT_EQ(tables[2][2], 0);
  EXPECT_EQ(tables[3][0], -1) << "sent back as 0xFFFF on the legacy link";
  EXPECT_EQ(Correction(0), "-1");
  EXPECT_EQ(Correction(2), "0");
  EXPECT_EQ(pressedEnabledWhilePaused, (std::vector<bool>{false, false, false, false}));
  EXPECT_TRUE(pressed->isEnabled());
  EXPECT_EQ(services.log,
            (std::vector<std::string>{"timer off", "timer on", "timer off", "timer on", "timer off",
                                      "timer on", "timer off", "timer on"}));
  EXPECT_EQ(services.busyDepth, 0);

  // Without the firmware the button is not even disabled and nothing is sent.
  registry.connected = false;
  pressed = Find<QPushButton>("DacCorrectionUp3");
  pressed->click();
  EXPECT_EQ(tables.size(), 4u);
  // Module silent: the button comes back enabled.
  registry.connected = true;
  link.module->answersIdentify = false;
  pressed->click();
  EXPECT_EQ(tables.size(), 4u);
  EXPECT_TRUE(pressed->isEnabled());
  EXPECT_EQ(services.log.size(), 8u);
}

TEST_P(DacSheet, StoreWaitsWithTheTickOff) {
  Click("Button16");
  EXPECT_EQ(stores, 1);
  int waited = 0;
  for (const diagtest::TBusEvent& e : link.log)
    if (e.what == 'S') waited += static_cast<int>(e.value);
  EXPECT_EQ(waited, 300);
  EXPECT_EQ(services.log, (std::vector<std::string>{"timer off", "timer on"}));
  registry.connected = false;
  Click("Button16");
  EXPECT_EQ(stores, 1);
}

// Channel 8 under the sawtooth: 0, 819, ... with the sign from the 22nd sample on and 0 again
// at the 43rd; meanwhile the other buttons and the calibration are disabled, the tick is off
// and neither page control changes its page. Stopping restores all of it and writes nothing.
TEST_P(DacSheet, SawtoothRunsOnDacTimerAndHoldsThePages) {
  QTimer* dacTimer = Find<QTimer>("DACTimer");
  QPushButton* button = TestButton(7);
  button->click();
  ASSERT_TRUE(dacTimer->isActive());
  EXPECT_EQ(dacTimer->property("tag").toInt(), 7);
  EXPECT_EQ(button->text(), "Стоп");
  EXPECT_TRUE(button->isEnabled());
  for (int n = 0; n < 7; ++n) EXPECT_FALSE(TestButton(n)->isEnabled()) << n;
  EXPECT_FALSE(Find<QGroupBox>("GroupBox3")->isEnabled());
  EXPECT_EQ(services.log, std::vector<std::string>{"timer off"});

  QTabBar* bar = PageControl1->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
  EXPECT_EQ(PageControl1->currentIndex(), 1);
  QTabBar* subBar = Find<QTabWidget>("PageControl2")->tabBar();
  QTest::mouseClick(subBar, Qt::LeftButton, {}, subBar->tabRect(dpSensors).center());
  EXPECT_EQ(Find<QTabWidget>("PageControl2")->currentIndex(), dpDac);

  RunSawtooth(43);
  button->click();
  const std::vector<diagtest::TBusEvent> writes = Writes();
  ASSERT_GE(writes.size(), 43u);
  for (size_t i = 0; i < 43; ++i) {
    const uint32_t sign = (i / 21) % 2 ? 0x8000 : 0;
    EXPECT_EQ(writes[i], BusWrite(0167656, sign | (819 * (i % 21)))) << i;
  }
  EXPECT_EQ(writes[21].value, 0x8000u);
  EXPECT_EQ(writes[42].value, 0u);

  EXPECT_FALSE(dacTimer->isActive());
  EXPECT_EQ(button->text(), "Тест пила");
  for (int n = 0; n < 8; ++n) EXPECT_TRUE(TestButton(n)->isEnabled()) << n;
  EXPECT_TRUE(Find<QGroupBox>("GroupBox3")->isEnabled());
  EXPECT_EQ(services.log, (std::vector<std::string>{"timer off", "timer on"}));
  const size_t written = Writes().size();
  QTest::qWait(50);
  EXPECT_EQ(Writes().size(), written) << "no sample after the stop";
  QTest::mouseClick(subBar, Qt::LeftButton, {}, subBar->tabRect(dpSensors).center());
  EXPECT_EQ(Find<QTabWidget>("PageControl2")->currentIndex(), dpSensors);
}

// A failing write does not stop the test; without the firmware, or with a silent module, it
// does not start.
TEST_P(DacSheet, SawtoothStartsOnlyWithTheFirmwareAndSurvivesFailedWrites) {
  registry.connected = false;
  TestButton(0)->click();
  EXPECT_FALSE(Find<QTimer>("DACTimer")->isActive());
  registry.connected = true;
  link.module->answersIdentify = false;
  TestButton(0)->click();
  EXPECT_FALSE(Find<QTimer>("DACTimer")->isActive());
  EXPECT_EQ(TestButton(0)->text(), "Тест пила");
  EXPECT_TRUE(services.log.empty());

  link.module->answersIdentify = true;
  TestButton(0)->click();
  ASSERT_TRUE(Find<QTimer>("DACTimer")->isActive());
  // Every write fails from now on.
  CloseLink();
  QElapsedTimer elapsed;
  elapsed.start();
  while (elapsed.elapsed() < 60) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_TRUE(Find<QTimer>("DACTimer")->isActive());
  EXPECT_EQ(TestButton(0)->text(), "Стоп");
  TestButton(0)->click();
  EXPECT_FALSE(Find<QTimer>("DACTimer")->isActive());
}

INSTANTIATE_TEST_SUITE_P(Links, DacSheet, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

// On the real main window and the in-process simulator: the sawtooth started by its button
// holds both page controls and writes its samples into the module's bus.
TEST_F(MainFormFixture, SawtoothOnTheMainWindowHoldsBothPageControls) {
  WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=2\n");
  Start();
  form->show();
  Ticks(2);
  ASSERT_TRUE(form->Shell().fw_state.connected);
  QTabBar* bar = Pages()->tabBar();
  auto* sub = Find<QTabWidget>("PageControl2");
  sub->setCurrentIndex(dpDac);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(mpDiagnostics).center());
  ASSERT_TRUE(form->Shell().dac_screen);
  EXPECT_EQ(Text("StaticText138"), "-----");

  Find<QPushButton>("Button3")->click();
  ASSERT_TRUE(Find<QTimer>("DACTimer")->isActive());
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(mpTerminal).center());
  EXPECT_EQ(Pages()->currentIndex(), mpDiagnostics);
  QTest::mouseClick(sub->tabBar(), Qt::LeftButton, {}, sub->tabBar()->tabRect(dpSensors).center());
  EXPECT_EQ(sub->currentIndex(), dpDac);
  QElapsedTimer elapsed;
  elapsed.start();
  while (links->Sim().Bus().Read(0167640) == 0 && elapsed.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const uint16_t sample = links->Sim().Bus().Read(0167640);
  EXPECT_NE(sample, 0);
  EXPECT_EQ((sample & 0x7FFF) % 819, 0);
  Find<QPushButton>("Button3")->click();
  EXPECT_FALSE(Find<QTimer>("DACTimer")->isActive());
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(mpTerminal).center());
  EXPECT_EQ(Pages()->currentIndex(), mpTerminal);
  EXPECT_TRUE(links->Sim().Violations().empty());
}

}  // namespace
}  // namespace karvelm
