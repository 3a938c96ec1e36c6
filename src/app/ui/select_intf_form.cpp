#include "app/ui/select_intf_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace karvelm {

namespace {

constexpr int kButtonSize = 161;

// A plain drawing of the module with its connector, so the buttons tell the kinds apart.
QIcon KindPicture(int kind) {
  QPixmap picture(kButtonSize - 16, kButtonSize - 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor board = kind == 0 ? QColor(40, 110, 60) : QColor(30, 80, 140);
  painter.setBrush(board);
  painter.setPen(QPen(Qt::black, 2));
  painter.drawRoundedRect(QRectF(20, 30, 105, 85), 6, 6);
  painter.setBrush(QColor(200, 200, 200));
  if (kind == 2) {
    painter.drawRect(QRectF(55, 100, 35, 28));  // RJ-45
  } else {
    painter.drawRect(QRectF(60, 108, 25, 14));  // USB
  }
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(18);
  painter.setFont(font);
  painter.drawText(QRectF(20, 40, 105, 50), Qt::AlignCenter, kind == 0 ? "v1" : "v2");
  return QIcon(picture);
}

}  // namespace

TSelectIntfForm::TSelectIntfForm(QWidget* parent) : QDialog(parent) {
  setObjectName("SelectIntfForm");
  setWindowTitle(QString::fromUtf8("Выбор типа интерфейса"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* grid = new QGridLayout(this);
  const char* labels[] = {"USB KarvelM v1.x.x", "USB KarvelM v2.x.x", "Ethernet KarvelM v2.x.x"};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(QString::fromUtf8(labels[i]));
    label->setObjectName(QString("Label%1").arg(i + 1));
    label->setAlignment(Qt::AlignCenter);
    auto* button = new QToolButton;
    button->setObjectName(QString("SpeedButton%1").arg(i + 1));
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setIcon(KindPicture(i));
    button->setIconSize(QSize(kButtonSize - 16, kButtonSize - 16));
    grid->addWidget(label, 0, i);
    grid->addWidget(button, 1, i);
    connect(button, &QToolButton::clicked, this, [this, i] { Choose(i); });
  }
  CheckBox1 = new QCheckBox(QString::fromUtf8("Больше не показывать это сообщение"));
  CheckBox1->setObjectName("CheckBox1");
  grid->addWidget(CheckBox1, 2, 0, 1, 3);
  connect(CheckBox1, &QCheckBox::clicked, this, &TSelectIntfForm::CheckBox1Click);
  setFixedSize(sizeHint());
}

void TSelectIntfForm::Prepare(bool disableSelection) {
  DisableSelection = disableSelection;
  CheckBox1->setChecked(disableSelection);
}

void TSelectIntfForm::CheckBox1Click() {
  DisableSelection = CheckBox1->isChecked();
}

void TSelectIntfForm::Choose(int kind) {
  SelectedIntf = kind;
  accept();
}

}  // namespace karvelm
