#include "app/file_actions.h"

#include "app/app_texts.h"
#include "config/config_file.h"
#include "config/config_texts.h"

namespace karvelm {

TFileDialogRequest OpenConfigDialogRequest() {
  return {kOpenConfigDialogTitle, kOpenConfigDialogFilter, kConfigFileExtension, 1, {}, {}};
}

TFileDialogRequest SaveConfigDialogRequest() {
  return {kSaveConfigDialogTitle, kSaveConfigDialogFilter, kConfigFileExtension, 1, {}, {}};
}

void OpenConfigFile(TShellWindow& window, TConfigImage& image) {
  TUserDialogs& dialogs = window.Services().Dialogs();
  auto path = dialogs.ChooseOpenFile(OpenConfigDialogRequest());
  if (!path) return;
  window.SetCaption(BaseTitle());
  TConfigFileResult result;
  {
    TBusyCursor cursor(window.Services());
    result = LoadConfigImageFile(*path, image);
  }
  if (result.status == cfCannotOpen) {
    // Nothing was read: the image and the pages stay as they were.
    dialogs.Inform(result.message, BaseTitle());
    return;
  }
  if (result.ok()) {
    window.SetCaption(TitleWithFile(FileNameOnly(*path)));
  } else {
    dialogs.Inform(kOpenFileErrorText, kOpenFileCaption);
  }
  window.RefreshConfigPages();
}

void SaveConfigFile(TShellWindow& window, TConfigImage& image) {
  TUserDialogs& dialogs = window.Services().Dialogs();
  auto chosen = dialogs.ChooseSaveFile(SaveConfigDialogRequest());
  if (!chosen) return;
  const std::string path = WithDefaultExtension(*chosen, kConfigFileExtension);
  window.SetCaption(BaseTitle());
  TConfigFileResult result;
  {
    TBusyCursor cursor(window.Services());
    result = SaveConfigImageFile(path, image);
  }
  if (!result.ok()) {
    dialogs.Inform(result.message, BaseTitle());
    return;
  }
  window.SetCaption(TitleWithFile(FileNameOnly(path)));
}

}  // namespace karvelm
