// TExtInputsForm on the screen: the three interrupt groups with their check boxes and
// register lists, OK and Cancel. The state and its rules are the TExtInputsForm model; this
// dialog shows it and passes the user's clicks to it.
#pragma once

#include <QDialog>
#include <array>

#include "config/ext_inputs.h"

class QCheckBox;
class QComboBox;

namespace karvelm {

class TExtInputsDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit TExtInputsDialog(QWidget* parent);

  TExtInputsForm& Model() { return FModel; }
  // Button34Click: edits the image's three interrupt words; true when closed with OK.
  bool Edit(TConfigImage& image);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void ShowGroup(int group);

  TExtInputsForm FModel;
  std::array<QCheckBox*, kExtInputGroups> FCheckBoxes{};
  std::array<QComboBox*, kExtInputGroups> FLists{};
};

}  // namespace karvelm
