#include "diag/ui/in_out_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "base/octal_text.h"
#include "base/ui/guarded_connect.h"
#include "base/ui/painting_waits.h"
#include "diag/ui/bit_widgets.h"

namespace karvelm {

namespace {

constexpr const char* kTestGroupTitle = "Тестирование";
constexpr const char* kResultsGroupTitle = "Результаты";
constexpr const char* kOutputPairLabel = "Выход";
constexpr const char* kLowInputCheck = "Вход, мл. слово";
constexpr const char* kHighInputCheck = "Вход, ст. слово";
constexpr const char* kStartCaption = "Запуск";
constexpr const char* kLowRowLabel = "Мл. слово";
constexpr const char* kHighRowLabel = "Ст. слово";
constexpr int kOutputEditWidth = 56;

QString Utf8(const char* text) {
  return QString::fromUtf8(text);
}

QLabel* AddressCaption(uint16_t address) {
  return new QLabel(QString::fromStdString(WordToOctal(address)));
}

QComboBox* List(const char* name, auto texts, int selected) {
  auto* list = new QComboBox;
  list->setObjectName(name);
  for (const char* text : texts) list->addItem(Utf8(text));
  list->setCurrentIndex(selected);
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return list;
}

const TOutputEntry& EntryOf(int tag) {
  return kOutputEntries.at(static_cast<size_t>(tag));
}

}  // namespace

TInOutSheet::TInOutSheet(QWidget& sheet, TPageRegistry& registry, TShellServices& services)
    : QObject(&sheet), FRegistry(registry), FServices(services) {
  auto* column = new QVBoxLayout(&sheet);
  column->setContentsMargins(4, 4, 4, 4);
  column->addWidget(WordsBox(), 0, Qt::AlignLeft);
  auto* groups = new QHBoxLayout;
  groups->setSpacing(4);
  groups->addWidget(TestBox(), 1);
  groups->addWidget(ResultsBox());
  column->addLayout(groups);
  column->addStretch(1);
  Show();
  registry.AddDataPage(pgInOut, *this);
}

// Rows of two words, the higher address on the left; bit numbers above the input columns and
// above the output columns.
QWidget* TInOutSheet::WordsBox() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(24);
  grid->setVerticalSpacing(0);
  int row = 0;
  grid->addWidget(TBitsLabel::Heading(kInputBitHeading), row, 0);
  grid->addWidget(TBitsLabel::Heading(kInputBitHeading), row, 1);
  ++row;
  for (size_t i = 0; i < kBoardWordLabels.size(); i += 2) {
    const TBoardWordLabel& right = kBoardWordLabels[i];
    const TBoardWordLabel& left = kBoardWordLabels[i + 1];
    if (!right.input && right.word == 0) {
      grid->setRowMinimumHeight(row++, 8);
      grid->addWidget(TBitsLabel::Heading(kOutputBitHeadingLeft), row, 0);
      grid->addWidget(TBitsLabel::Heading(kOutputBitHeadingRight), row, 1);
      ++row;
    }
    int side = 0;
    for (const TBoardWordLabel* label : {&left, &right}) {
      const int column = side++;
      grid->addWidget(AddressCaption(label->address), row, column);
      if (label->input) {
        FWordLabels[static_cast<size_t>(label - kBoardWordLabels.data())] =
            new TBitsLabel(label->name);
        grid->addWidget(FWordLabels[static_cast<size_t>(label - kBoardWordLabels.data())], row + 1,
                        column);
      } else {
        grid->addWidget(OutputWord(*label), row + 1, column);
      }
    }
    row += 2;
  }
  return box;
}

// An output word: its bits, its entry and its write button, which share the word's Tag.
QWidget* TInOutSheet::OutputWord(const TBoardWordLabel& label) {
  const int tag = label.word;
  const TOutputEntry& entry = EntryOf(tag);
  auto* box = new QWidget;
  auto* line = new QHBoxLayout(box);
  line->setContentsMargins(0, 0, 0, 2);
  line->setSpacing(4);
  auto* bits = new TBitsLabel(label.name);
  FWordLabels[static_cast<size_t>(&label - kBoardWordLabels.data())] = bits;
  auto* edit = new QLineEdit(Utf8(kOutputInitialText));
  edit->setObjectName(entry.edit);
  edit->setProperty("Tag", tag);
  edit->setFixedWidth(kOutputEditWidth);
  auto* button = new QToolButton;
  button->setObjectName(entry.button);
  button->setProperty("Tag", tag);
  button->setIcon(button->style()->standardIcon(QStyle::SP_ArrowLeft));
  button->setAutoRaise(false);
  line->addWidget(bits);
  line->addWidget(edit);
  line->addWidget(button);
  FEdits[static_cast<size_t>(tag)] = edit;
  FButtons[static_cast<size_t>(tag)] = button;
  ConnectGuarded(edit, &QLineEdit::textChanged, this, [this, tag] { OutpChange(tag); });
  ConnectGuarded(button, &QToolButton::clicked, this, [this, tag] { OutputClick(tag); });
  edit->installEventFilter(this);
  return box;
}

QWidget* TInOutSheet::TestBox() {
  auto* group = new QGroupBox(Utf8(kTestGroupTitle));
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(4);
  ComboBox9 = List("ComboBox9", kOutputPairTexts, kOutputPairDefault);
  CheckBox1 = new QCheckBox(Utf8(kLowInputCheck));
  CheckBox1->setObjectName("CheckBox1");
  ComboBox10 = List("ComboBox10", kInputWordTexts, 0);
  CheckBox2 = new QCheckBox(Utf8(kHighInputCheck));
  CheckBox2->setObjectName("CheckBox2");
  ComboBox11 = List("ComboBox11", kInputWordTexts, 0);
  Button1 = new QPushButton(Utf8(kStartCaption));
  Button1->setObjectName("Button1");
  grid->addWidget(new QLabel(Utf8(kOutputPairLabel)), 0, 0);
  grid->addWidget(ComboBox9, 0, 1);
  grid->addWidget(CheckBox1, 1, 0);
  grid->addWidget(ComboBox10, 1, 1);
  grid->addWidget(CheckBox2, 2, 0);
  grid->addWidget(ComboBox11, 2, 1);
  grid->addWidget(Button1, 3, 1);
  ConnectGuarded(Button1, &QPushButton::clicked, this, &TInOutSheet::Button1Click);
  return group;
}

// Two rows of 16 circles under the bit numbers, bit 0 on the right.
QWidget* TInOutSheet::ResultsBox() {
  auto* group = new QGroupBox(Utf8(kResultsGroupTitle));
  group->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(4, 4, 4, 4);
  grid->setHorizontalSpacing(1);
  grid->setColumnMinimumWidth(0, group->fontMetrics().horizontalAdvance(Utf8(kLowRowLabel)) + 6);
  for (int i = 0; i < kLoopbackBits; ++i) {
    auto* number = new QLabel(QString(QChar(kInputBitHeading[i])));
    number->setAlignment(Qt::AlignCenter);
    grid->addWidget(number, 0, 1 + i);
  }
  const char* rows[] = {kLowRowLabel, kHighRowLabel};
  for (int row = 0; row < 2; ++row) {
    grid->addWidget(new QLabel(Utf8(rows[row])), 1 + row, 0);
    for (int bit = 0; bit < kLoopbackBits; ++bit) {
      const int index = row * kLoopbackBits + bit;
      auto* shape = new TResultShape(QString("in_out_test_shape%1").arg(index));
      in_out_test_shape[static_cast<size_t>(index)] = shape;
      grid->addWidget(shape, 1 + row, kLoopbackBits - bit, Qt::AlignCenter);
    }
  }
  return group;
}

void TInOutSheet::Read() {
  FModel.Read();
}

void TInOutSheet::Show() {
  for (size_t i = 0; i < FWordLabels.size(); ++i)
    FWordLabels[i]->setText(QString::fromStdString(FModel.LabelText(static_cast<int>(i))));
}

void TInOutSheet::OutpChange(int tag) {
  QLineEdit* edit = FEdits.at(static_cast<size_t>(tag));
  const bool accepted = FModel.OutpChange(tag, edit->text().toStdString());
  QPalette colours = edit->palette();
  colours.setColor(QPalette::Text, accepted ? QPalette().color(QPalette::Text) : QColor(Qt::red));
  edit->setPalette(colours);
}

void TInOutSheet::OutputClick(int tag) {
  TBusyCursor cursor(FServices);
  FModel.OutputClick(tag, FRegistry.FirmwareConnected());
}

// Enter in an output entry clicks the write button of its row and column.
bool TInOutSheet::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      for (size_t tag = 0; tag < FEdits.size(); ++tag) {
        if (FEdits[tag] != watched) continue;
        FButtons[tag]->click();
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

void TInOutSheet::Button1Click() {
  TBusyCursor cursor(FServices);
  for (TResultShape* shape : in_out_test_shape) shape->SetBrush(Qt::white);
  TLoopbackRequest request;
  request.pair = ComboBox9->currentIndex();
  if (CheckBox1->isChecked()) request.lowInput = ComboBox10->currentIndex();
  if (CheckBox2->isChecked()) request.highInput = ComboBox11->currentIndex();
  // Timer1 comes back also when the test ends by an exception.
  std::optional<TTimerPause> pause;
  TPaintingWaits waits;
  RunLoopback(
      request, FRegistry.FirmwareConnected(),
      [&](bool enabled) {
        if (enabled) {
          pause.reset();
        } else {
          pause.emplace(FServices);
        }
      },
      [this](TLoopbackRow row, int bit, bool passed) {
        in_out_test_shape[static_cast<size_t>(row * kLoopbackBits + bit)]->SetBrush(
            passed ? Qt::green : Qt::red);
      });
}

}  // namespace karvelm
