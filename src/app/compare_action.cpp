#include "app/compare_action.h"

#include <memory>

#include "app/app_texts.h"
#include "app/file_actions.h"
#include "config/config_file.h"
#include "config/config_texts.h"

namespace karvelm {

TFileDialogRequest CompareDialogRequest() {
  TFileDialogRequest request = OpenConfigDialogRequest();
  request.title = kCompareDialogTitle;
  request.name = kCompareDialogName;
  return request;
}

std::optional<TFileComparison> CompareWithFile(TShellWindow& window, const TConfigImage& image) {
  TUserDialogs& dialogs = window.Services().Dialogs();
  auto path = dialogs.ChooseOpenFile(CompareDialogRequest());
  if (!path) return std::nullopt;
  auto file = std::make_unique<TConfigImage>();
  ResetConfigImage(*file);
  TConfigFileResult result;
  {
    TBusyCursor cursor(window.Services());
    result = LoadConfigImageFile(*path, *file);
  }
  if (result.status == cfCannotOpen) {
    dialogs.Inform(result.message, BaseTitle());
    return std::nullopt;
  }
  // A bad frame leaves the rest of the file unread: comparing it would show differences that
  // are not in the file.
  if (!result.ok()) {
    dialogs.Inform(kOpenFileErrorText, kOpenFileCaption);
    return std::nullopt;
  }
  // The open configuration as a save would write it: its checksum is made on the way out.
  auto open = std::make_unique<TConfigImage>(image);
  SealSettingsBlock(*open);
  return TFileComparison{*path, DiffConfigImages(*open, *file)};
}

}  // namespace karvelm
