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
  explicit TProgressShown(TShellHost& host) : FHost(host) {}
  ~TProgressShown() { FHost.SetProgress2Visible(false); }
  TProgressShown(const TProgressShown&) = delete;
  TProgressShown& operator=(const TProgressShown&) = delete;

 private:
  TShellHost& FHost;
};

}  // namespace

void ReadConfigurationWithProgress(TShellHost& host, TUserDialogs& dialogs, TConfigImage& image,
                                   int configIndex) {
  host.SetCaption(BaseTitle());
  host.Repaint();
  // The pages show the image afterwards in every case, also after an exception.
  struct TRefresh {
    TShellHost& host;
    ~TRefresh() { host.RefreshConfigPages(); }
  } refresh{host};
  TReadConfigResult result;
  {
    TBusyCursor cursor(host);
    TProgressShown progressBar(host);
    bool shown = false;
    result = ReadConfiguration(image, configIndex, [&](int percent) {
      host.SetProgress2(percent);
      if (!shown) {
        shown = true;
        host.SetProgress2Visible(true);
        host.Repaint();
      }
    });
  }
  if (result.ShowFailure()) dialogs.Inform(kReadSettingsErrorText, kReadSettingsCaption);
}

void WriteConfigurationWithProgress(TShellHost& host, TUserDialogs& dialogs, TConfigImage& image,
                                    int configIndex) {
  host.Repaint();
  TWriteConfigResult result;
  {
    TBusyCursor cursor(host);
    TProgressShown progressBar(host);
    host.SetProgress2Visible(true);
    result =
        WriteConfiguration(image, configIndex, [&](int percent) { host.SetProgress2(percent); });
  }
  // The module holds a partial configuration: the user must know.
  if (result.PieceLost()) dialogs.Inform(kWriteSettingsErrorText, kWriteSettingsCaption);
}

}  // namespace karvelm
