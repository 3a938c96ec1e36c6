#include "app/transfer_actions.h"

#include <optional>

#include "app/app_texts.h"
#include "config/config_texts.h"
#include "config/config_transfer.h"

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
  TWriteConfigResult result;
  {
    TBusyCursor cursor(services);
    TProgressShown progressBar(panel);
    panel.SetProgress2Visible(true);
    result =
        WriteConfiguration(image, configIndex, [&](int percent) { panel.SetProgress2(percent); });
  }
  // The module holds a partial configuration: the user must know.
  if (result.PieceLost()) services.Dialogs().Inform(kWriteSettingsErrorText, kWriteSettingsCaption);
}

}  // namespace karvelm
