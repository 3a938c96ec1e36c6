// "О программе": the base title and an OK button.
#pragma once

#include <QDialog>
#include <string>

class QLabel;

namespace karvelm {

class TAboutForm final : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent = nullptr);
  void Label1Text(const std::string& text);

 private:
  QLabel* Label1 = nullptr;
};

}  // namespace karvelm
