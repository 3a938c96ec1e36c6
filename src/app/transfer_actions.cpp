#include "app/transfer_actions.h"

#include <optional>

#include "app/app_texts.h"
#include "config/backup_texts.h"
#include "config/config_backup.h"
#include "config/config_texts.h"
#include "config/config_transfer.h"
#include "config/write_check.h"

namespace karvelm {

namespace {

// Hides ProgressBar2 when the transfer ends, however it ends.
class TProgressShown {
 public:
  explicit TProgressShown(TStatusPanel& panel) : FPanel(panel) {}
  ~TProgressShown() { FPanel.SetProgress2Visible(false); }
  TProgressShown(const TProgressShown&) = delete;
  TProgressShown& operator=(const TProgressShown&) = delete;

 private:
  TStatusPanel& FPanel;
};

}  // namespace

void ReadConfigurationWithProgress(TShellWindow& window, TConfigImage& image, int configIndex) {
  TShellServices& services = window.Services();
  TStatusPanel& panel = window.StatusPanel();
  window.SetCaption(BaseTitle());
  services.Repaint();
  // The pages show the image afterwards in every case, also after an exception.
  struct TRefresh {
    TShellWindow& window;
    ~TRefresh() { window.RefreshConfigPages(); }
  } refresh{window};
  TReadConfigResult result;
  {
    TBusyCursor cursor(services);
    TProgressShown progressBar(panel);
    bool shown = false;
    result = ReadConfiguration(image, configIndex, [&](int percent) {
      panel.SetProgress2(percent);
      if (!shown) {
        shown = true;
        panel.SetProgress2Visible(true);
        services.Repaint();
      }
    });
  }
  if (result.ShowFailure()) services.Dialogs().Inform(kReadSettingsErrorText, kReadSettingsCaption);
}

void WriteConfigurationWithProgress(TShellWindow& window, TConfigImage& image, int configIndex) {
  TShellServices& services = window.Services();
  TStatusPanel& panel = window.StatusPanel();
  services.Repaint();
  // What the module holds now is saved before it is overwritten; without that backup the
  // user decides. The backup and the read-back show the hourglass only: ProgressBar2 belongs
  // to the write.
  std::string backupFailure;
  {
    TBusyCursor cursor(services);
    const int configs[] = {configIndex};
    backupFailure = BackUpForOverwrite(configs);
  }
  if (!backupFailure.empty()) {
    TTimerPause pause(services);
    if (!GoOnWithoutBackup(services.Dialogs(), backupFailure, kWriteWithoutBackupQuestion,
                           kWriteSettingsCaption))
      return;
  }
  TWriteConfigResult result;
  std::optional<TWriteCheck> check;
  {
    TBusyCursor cursor(services);
    TProgressShown progressBar(panel);
    panel.SetProgress2Visible(true);
    result =
        WriteConfiguration(image, configIndex, [&](int percent) { panel.SetProgress2(percent); });
    // Acknowledged is not yet stored: the configuration is read back and compared.
    if (result.ok()) check = CheckWrittenConfiguration(image, configIndex);
  }
  // The module holds a partial configuration: the user must know.
  if (result.PieceLost()) services.Dialogs().Inform(kWriteSettingsErrorText, kWriteSettingsCaption);
  if (check && !check->ok())
    services.Dialogs().Inform(WriteCheckFailureText(*check), kWriteSettingsCaption);
}

}  // namespace karvelm
