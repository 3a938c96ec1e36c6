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

void OpenConfigFile(TShellHost& host, TUserDialogs& dialogs, TConfigImage& image) {
  auto path = dialogs.ChooseOpenFile(OpenConfigDialogRequest());
  if (!path) return;
  host.SetCaption(BaseTitle());
  TConfigFileResult result;
  {
    TBusyCursor cursor(host);
    result = LoadConfigImageFile(*path, image);
  }
  if (result.status == cfCannotOpen) {
    // Nothing was read: the image and the pages stay as they were.
    dialogs.Inform(result.message, BaseTitle());
    return;
  }
  if (result.ok()) {
    host.SetCaption(TitleWithFile(FileNameOnly(*path)));
  } else {
    dialogs.Inform(kOpenFileErrorText, kOpenFileCaption);
  }
  host.RefreshConfigPages();
}

void SaveConfigFile(TShellHost& host, TUserDialogs& dialogs, TConfigImage& image) {
  auto chosen = dialogs.ChooseSaveFile(SaveConfigDialogRequest());
  if (!chosen) return;
  const std::string path = WithDefaultExtension(*chosen, kConfigFileExtension);
  host.SetCaption(BaseTitle());
  TConfigFileResult result;
  {
    TBusyCursor cursor(host);
    result = SaveConfigImageFile(path, image);
  }
  if (!result.ok()) {
    dialogs.Inform(result.message, BaseTitle());
    return;
  }
  host.SetCaption(TitleWithFile(FileNameOnly(path)));
}

}  // namespace karvelm
