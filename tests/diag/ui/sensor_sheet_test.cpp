#include <QCheckBox>
#include <QComboBox>

#include "diag/sensor_count.h"
#include "diag/sensor_page.h"
#include "diag_sheets_fixture.h"
#include "sensor_harness.h"

namespace karvelm {
namespace {

using diagtest::DiagSheetsFixture;
using diagtest::SensorHarness;

// The sensor sub-page on the count harness: output 167630 wired to channel 167704 (normal
// wiring), 167632 to 167710 (additional).
class SensorSheet : public DiagSheetsFixture {
 protected:
  void SetUp() override {
    DiagSheetsFixture::SetUp();
    harness.wiring = {{0167630, 1}, {0167632, 2}};
    ShowSubPage(dpSensors);
    // What each result label looked like whenever it was painted.
    for (const auto& wiring : kCountResultLabels)
      for (const char* name : wiring) Find<QLabel>(name)->installEventFilter(&painted);
  }

  std::vector<std::string> Results() {
    std::vector<std::string> texts;
    for (const auto& wiring : kCountResultLabels)
      for (const char* name : wiring) texts.push_back(Text(name));
    return texts;
  }

  void Choose(const char* list, int item) { Find<QComboBox>(list)->setCurrentIndex(item); }
  void Check(const char* box, bool on) { Find<QCheckBox>(box)->setChecked(on); }

  class TPaintLog final : public QObject {
   public:
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Paint)
        texts.push_back(watched->objectName().toStdString() + "=" +
                        static_cast<QLabel*>(watched)->text().toStdString());
      return false;
    }
    std::vector<std::string> texts;
  };

  SensorHarness harness{*link.module};
  TPaintLog painted;
};

TEST_P(SensorSheet, ControlsStartAsBuilt) {
  for (const char* name : kSensorCountLabels) EXPECT_EQ(Text(name), "0000.000");
  EXPECT_EQ(Text("SensorAddress2"), "167704");
  EXPECT_EQ(Find<QComboBox>("ComboBox12")->currentText(), "167630-167632");
  EXPECT_EQ(Find<QComboBox>("ComboBox13")->currentText(), "167700");
  EXPECT_EQ(Find<QComboBox>("ComboBox14")->count(), 8);
  EXPECT_FALSE(Find<QCheckBox>("CheckBox3")->isChecked());
  EXPECT_EQ(Find<QCheckBox>("CheckBox4")->text(), "Вход, доп. распайка");
  EXPECT_EQ(Find<QPushButton>("Button17")->text(), "Запуск");
}

// The tick shows each channel from its two words; status bits are not shown, a digit field
// above 9 takes two characters.
TEST_P(SensorSheet, CountersShowTheirDigits) {
  link.module->onRead = {};
  link.module->memory[0167700] = 0x4567;
  link.module->memory[0167702] = 0x0123;
  link.module->memory[0167704] = 0x0000;
  link.module->memory[0167706] = 0x6000;
  link.module->memory[0167734] = 0x000A;
  Tick(pgBsd);
  EXPECT_EQ(Text("StaticText162"), "1234.567");
  EXPECT_EQ(Text("StaticText163"), "0000.000");
  EXPECT_EQ(Text("StaticText169"), "0000.0010");
}

// Both wirings pass; Timer1 is off for the test only, and each result is painted as its step
// ends, before the test is over.
TEST_P(SensorSheet, CountTestPassesAndPaintsEachResultAsItIsDecided) {
  Check("CheckBox3", true);
  Choose("ComboBox13", 1);
  Check("CheckBox4", true);
  Choose("ComboBox14", 2);
  std::vector<std::string> paintedDuringTest;
  link.module->onWrite = [&, inner = link.module->onWrite](uint16_t address, uint32_t value) {
    inner(address, value);
    paintedDuringTest = painted.texts;
  };
  painted.texts.clear();
  Click("Button17");
  EXPECT_EQ(Results(), (std::vector<std::string>{"ОК", "ОК", "ОК", "ОК", "ОК", "ОК"}));
  EXPECT_EQ(services.log, (std::vector<std::string>{"timer off", "timer on"}));
  EXPECT_EQ(services.busyDepth, 0);
  const auto seen = [&](const std::string& text) {
    return std::find(paintedDuringTest.begin(), paintedDuringTest.end(), text) !=
           paintedDuringTest.end();
  };
  EXPECT_TRUE(seen("StaticText174=ОК"));
  EXPECT_TRUE(seen("StaticText175=ОК"));
  EXPECT_TRUE(seen("StaticText182=ОК"));
  EXPECT_TRUE(seen("StaticText183=ОК"));
}

struct TFaultCase {
  const char* name;
  std::function<void(SensorHarness&)> fault;
  std::vector<std::string> normal;
};

// A failed step names its fault and leaves the later ones at "-".
TEST_P(SensorSheet, FailuresShowInTheirStep) {
  const TFaultCase cases[] = {
      {"LostCount", [](SensorHarness& h) { h.lostCounts = 4; }, {"ошибка счета", "-", "-"}},
      {"SecondChannel", [](SensorHarness& h) { h.alsoCounts = 2; }, {"счет по 167710", "-", "-"}},
      {"NoZeroMark", [](SensorHarness& h) { h.zeroMarkWired = false; }, {"ОК", "ОК", "ошибка"}},
  };
  Check("CheckBox3", true);
  Choose("ComboBox13", 1);
  for (const TFaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    harness.lostCounts = 0;
    harness.alsoCounts = -1;
    harness.zeroMarkWired = true;
    c.fault(harness);
    Click("Button17");
    std::vector<std::string> expected = c.normal;
    expected.insert(expected.end(), {"-", "-", "-"});
    EXPECT_EQ(Results(), expected);
  }
}

// Pair "167624-167626": the normal wiring drives 167624, the additional 167626; a count that
// wraps from 9 999 950 still passes.
TEST_P(SensorSheet, FirstPairDrivesBothItsWords) {
  harness.wiring = {{0167624, 0}, {0167626, 5}};
  harness.count[5] = 9999950;
  Choose("ComboBox12", 0);
  Check("CheckBox3", true);
  Check("CheckBox4", true);
  Choose("ComboBox14", 5);
  Click("Button17");
  EXPECT_EQ(Results(), (std::vector<std::string>{"ОК", "ОК", "ОК", "ОК", "ОК", "ОК"}));
  std::set<uint16_t> outputs;
  for (const diagtest::TBusEvent& e : Writes())
    if (e.address >= 0167624 && e.address <= 0167636) outputs.insert(e.address);
  EXPECT_EQ(outputs, (std::set<uint16_t>{0167624, 0167626}));
}

// Without the firmware, or with a silent module, the labels go back to "-" and nothing else
// happens.
TEST_P(SensorSheet, WithoutTheModuleOnlyTheLabelsAreReset) {
  Check("CheckBox3", true);
  Choose("ComboBox13", 1);
  Click("Button17");
  ASSERT_EQ(Text("StaticText174"), "ОК");
  const size_t events = link.log.size();
  registry.connected = false;
  Click("Button17");
  EXPECT_EQ(Results(), std::vector<std::string>(6, "-"));
  link.module->answersIdentify = false;
  registry.connected = true;
  Click("Button17");
  EXPECT_EQ(link.log.size(), events);
  EXPECT_EQ(services.log, (std::vector<std::string>{"timer off", "timer on"}));
}

INSTANTIATE_TEST_SUITE_P(Links, SensorSheet, ::testing::Values(itHID_OLD, itHID_NEW, itUDP),
                         LinkKindParamName);

}  // namespace
}  // namespace karvelm
