#include "app/ui/about_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace karvelm {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutForm");
  setWindowTitle(QString::fromUtf8("О программе"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(24, 20, 24, 16);
  Label1 = new QLabel;
  Label1->setObjectName("Label1");
  Label1->setAlignment(Qt::AlignCenter);
  column->addWidget(Label1);
  auto* ok = new QPushButton("OK");
  ok->setObjectName("Button1");
  ok->setDefault(true);
  column->addWidget(ok, 0, Qt::AlignCenter);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::Label1Text(const std::string& text) {
  Label1->setText(QString::fromStdString(text));
  adjustSize();
}

}  // namespace karvelm
