#include "app/file_actions.h"

#include <filesystem>
#include <system_error>

#include "app/app_texts.h"
#include "config/backup_store.h"
#include "config/backup_texts.h"
#include "config/config_file.h"
#include "config/config_texts.h"

namespace karvelm {

TFileDialogRequest OpenConfigDialogRequest() {
  return {kOpenConfigDialogTitle, kOpenConfigDialogFilter, kConfigFileExtension, 1, {}, {}, {}};
}

TFileDialogRequest SaveConfigDialogRequest() {
  return {kSaveConfigDialogTitle, kSaveConfigDialogFilter, kConfigFileExtension, 1, {}, {}, {}};
}

TFileDialogRequest OpenBackupDialogRequest() {
  TFileDialogRequest request = OpenConfigDialogRequest();
  request.title = kOpenBackupDialogTitle;
  request.directory = BackupFolder();
  request.name = "OpenBackupDialog";
  return request;
}

namespace {

void OpenConfigFileFrom(TShellWindow& window, TConfigImage& image,
                        const TFileDialogRequest& request) {
  TUserDialogs& dialogs = window.Services().Dialogs();
  auto path = dialogs.ChooseOpenFile(request);
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

}  // namespace

void OpenConfigFile(TShellWindow& window, TConfigImage& image) {
  OpenConfigFileFrom(window, image, OpenConfigDialogRequest());
}

void OpenBackupFile(TShellWindow& window, TConfigImage& image) {
  const TFileDialogRequest request = OpenBackupDialogRequest();
  // A dialog asked for a folder that is not there would start somewhere else.
  std::error_code ignored;
  if (!request.directory.empty()) std::filesystem::create_directories(request.directory, ignored);
  OpenConfigFileFrom(window, image, request);
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
