// The user dialogs of the desktop program: QMessageBox and QFileDialog.
#pragma once

#include <QString>

#include "base/user_dialogs.h"

class QMessageBox;
class QWidget;

namespace karvelm {

class TQtDialogs final : public TUserDialogs {
 public:
  void SetParent(QWidget* parent) { FParent = parent; }

  bool AskOkCancel(const std::string& text, const std::string& caption) override;
  bool AskOkCancelDefaultCancel(const std::string& text, const std::string& caption) override;
  void Inform(const std::string& text, const std::string& caption) override;
  std::optional<std::string> ChooseOpenFile(const TFileDialogRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const TFileDialogRequest& request) override;
  std::optional<TFileChoice> ChooseOpenFileAndFilter(const TFileDialogRequest& request) override;
  std::optional<std::string> ChooseFolder(const std::string& title) override;

 private:
  QWidget* FParent = nullptr;
};

// Widens a message box so that the window frame shows its caption whole: Qt sizes the box by its
// text only, and a short text under a long caption cuts the caption.
void FitCaption(QMessageBox& box);
// The width a frame needs for the caption: its text in the title face, the frame's buttons.
int CaptionWidth(const QString& caption);

// "Description|*.a|Description|*.*" as the file dialogs' "Description (*.a);;..." list.
QStringList FileDialogFilters(const std::string& filter);

}  // namespace karvelm
