// The user dialogs of the desktop program: QMessageBox and QFileDialog.
#pragma once

#include <QString>

#include "base/user_dialogs.h"

class QWidget;

namespace karvelm {

class TQtDialogs final : public TUserDialogs {
 public:
  void SetParent(QWidget* parent) { FParent = parent; }

  bool AskOkCancel(const std::string& text, const std::string& caption) override;
  void Inform(const std::string& text, const std::string& caption) override;
  std::optional<std::string> ChooseOpenFile(const TFileDialogRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const TFileDialogRequest& request) override;
  std::optional<TFileChoice> ChooseOpenFileAndFilter(const TFileDialogRequest& request) override;

 private:
  QWidget* FParent = nullptr;
};

// "Description|*.a|Description|*.*" as the file dialogs' "Description (*.a);;..." list.
QStringList FileDialogFilters(const std::string& filter);

}  // namespace karvelm
