#include "diag/ui/sensor_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/octal_text.h"
#include "base/ui/guarded_connect.h"
#include "base/ui/painting_waits.h"
#include "diag/loopback_test.h"
#include "diag/sensor_count.h"
#include "diag/ui/timer_switch.h"

namespace karvelm {

namespace {

constexpr const char* kTestGroupCaption = "Тестирование RK-140";
constexpr const char* kOutputCaption = "Выход";
constexpr const char* kNormalInputCaption = "Вход, обычная распайка";
constexpr const char* kAdditionalInputCaption = "Вход, доп. распайка";
constexpr const char* kStartCaption = "Запуск";
constexpr const char* kResultsCaption = "Результаты";
constexpr const char* kWiringCaptions[] = {"Обычная распайка", "Доп. распайка"};
constexpr const char* kStepCaptions[] = {"Счет в +", "Счет в -", "0-метка"};

QLabel* Panel(const QString& text, const char* name, int width) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(Qt::AlignCenter);
  label->setFixedSize(width, 22);
  return label;
}

QComboBox* List(const char* name, std::span<const char* const> items, int selected) {
  auto* list = new QComboBox;
  list->setObjectName(name);
  for (const char* item : items) list->addItem(QString::fromUtf8(item));
  list->setCurrentIndex(selected);
  return list;
}

}  // namespace

TSensorSheet::TSensorSheet(QWidget& sheet, TPageRegistry& registry, TShellServices& services)
    : QObject(&sheet), FRegistry(registry), FServices(services) {
  auto* row = new QHBoxLayout(&sheet);
  auto* channels = new QGridLayout;
  channels->setHorizontalSpacing(8);
  channels->setVerticalSpacing(4);
  for (int k = 0; k < kSensorChannels; ++k) {
    auto* caption = new QLabel(QString("Канал %1").arg(k + 1));
    caption->setObjectName(QString("SensorChannel%1").arg(k + 1));
    auto* address =
        new QLabel(QString::fromStdString(WordToOctal(static_cast<uint16_t>(kSensorBase + 4 * k))));
    address->setObjectName(QString("SensorAddress%1").arg(k + 1));
    FCountLabels[k] = Panel(QString::fromUtf8(kSensorCountInitialText),
                            kSensorCountLabels[static_cast<size_t>(k)], 80);
    channels->addWidget(caption, k, 0);
    channels->addWidget(address, k, 1);
    channels->addWidget(FCountLabels[k], k, 2);
    channels->setRowMinimumHeight(k, 24);
  }

  auto* test = new QGroupBox(QString::fromUtf8(kTestGroupCaption));
  test->setObjectName("SensorTestGroup");
  auto* testGrid = new QGridLayout(test);
  testGrid->setHorizontalSpacing(4);
  ComboBox12 = List("ComboBox12", kOutputPairTexts, kOutputPairDefault);
  ComboBox12->setFixedWidth(124);
  CheckBox3 = new QCheckBox(QString::fromUtf8(kNormalInputCaption));
  CheckBox3->setObjectName("CheckBox3");
  ComboBox13 = List("ComboBox13", kSensorChannelTexts, 0);
  ComboBox13->setFixedWidth(82);
  CheckBox4 = new QCheckBox(QString::fromUtf8(kAdditionalInputCaption));
  CheckBox4->setObjectName("CheckBox4");
  ComboBox14 = List("ComboBox14", kSensorChannelTexts, 0);
  ComboBox14->setFixedWidth(82);
  auto* start = new QPushButton(QString::fromUtf8(kStartCaption));
  start->setObjectName("Button17");
  auto* output = new QLabel(QString::fromUtf8(kOutputCaption));
  output->setObjectName("SensorOutputCaption");
  testGrid->addWidget(output, 0, 0);
  testGrid->addWidget(ComboBox12, 0, 1);
  testGrid->addWidget(CheckBox3, 1, 0);
  testGrid->addWidget(ComboBox13, 1, 1);
  testGrid->addWidget(CheckBox4, 2, 0);
  testGrid->addWidget(ComboBox14, 2, 1);
  testGrid->addWidget(start, 3, 0, 1, 2, Qt::AlignLeft);

  auto* results = new QGroupBox(QString::fromUtf8(kResultsCaption));
  results->setObjectName("SensorResultsGroup");
  auto* resultGrid = new QGridLayout(results);
  // Each wiring under its heading, the second below the first.
  for (int w = 0; w < 2; ++w) {
    auto* heading = new QLabel(QString::fromUtf8(kWiringCaptions[w]));
    heading->setObjectName(QString("SensorWiring%1").arg(w + 1));
    resultGrid->addWidget(heading, 4 * w, 0, 1, 2);
    for (int s = 0; s < 3; ++s) {
      auto* step = new QLabel(QString::fromUtf8(kStepCaptions[s]));
      step->setObjectName(QString("SensorStep%1_%2").arg(w + 1).arg(s + 1));
      FResults[w][s] =
          Panel(QString::fromUtf8(kCountNotRun),
                kCountResultLabels[static_cast<size_t>(w)][static_cast<size_t>(s)], 130);
      resultGrid->addWidget(step, 4 * w + s + 1, 0);
      resultGrid->addWidget(FResults[w][s], 4 * w + s + 1, 1);
    }
  }
  resultGrid->setColumnStretch(2, 1);

  auto* left = new QVBoxLayout;
  left->addLayout(channels);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(test);
  right->addWidget(results);
  right->addStretch(1);
  row->addLayout(left);
  row->addSpacing(8);
  row->addLayout(right);
  row->addStretch(1);

  ConnectGuarded(start, &QPushButton::clicked, this, &TSensorSheet::Button17Click);
  registry.AddDataPage(pgBsd, *this);
}

void TSensorSheet::Show() {
  for (int k = 0; k < kSensorChannels; ++k)
    FCountLabels[k]->setText(QString::fromStdString(FPage.CountText(k)));
}

void TSensorSheet::Button17Click() {
  TBusyCursor cursor(FServices);
  for (auto& wiring : FResults)
    for (QLabel* label : wiring) label->setText(QString::fromUtf8(kCountNotRun));
  TCountRequest request;
  request.pair = ComboBox12->currentIndex();
  if (CheckBox3->isChecked()) request.normal = ComboBox13->currentIndex();
  if (CheckBox4->isChecked()) request.additional = ComboBox14->currentIndex();
  // Each result is painted as its step ends; no user input reaches the window meanwhile.
  TPaintingWaits waits;
  TTimer1Switch timer1(FServices);
  RunCountTests(request, FRegistry.FirmwareConnected(), timer1.Switch(),
                [this](TCountWiring wiring, TCountStep step, const std::string& text) {
                  FResults[wiring][step]->setText(QString::fromStdString(text));
                });
}

}  // namespace karvelm
