// The interface-choice dialog shown at start: three picture buttons, one per link kind, and
// "Больше не показывать это сообщение".
#pragma once

#include <QDialog>

class QCheckBox;

namespace karvelm {

class TSelectIntfForm final : public QDialog {
  Q_OBJECT

 public:
  explicit TSelectIntfForm(QWidget* parent = nullptr);

  // Before showing: the check box starts from the stored setting.
  void Prepare(bool disableSelection);

  void SpeedButton1Click() { Choose(0); }
  void SpeedButton2Click() { Choose(1); }
  void SpeedButton3Click() { Choose(2); }
  void CheckBox1Click();

  int SelectedIntf = 0;
  bool DisableSelection = false;

 private:
  void Choose(int kind);
  QCheckBox* CheckBox1 = nullptr;
};

}  // namespace karvelm
