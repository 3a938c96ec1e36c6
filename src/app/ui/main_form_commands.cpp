// Handlers of the status-panel buttons, the tool bar and the help menu.
#include "app/app_texts.h"
#include "app/file_actions.h"
#include "app/report_action.h"
#include "app/transfer_actions.h"
#include "app/ui/about_form.h"
#include "app/ui/desktop_shell.h"
#include "app/ui/main_form.h"

namespace karvelm {

void TMainForm::Button4Click() {
  FShell.RequestConfigRead(0);
}
void TMainForm::Button7Click() {
  FShell.RequestConfigRead(1);
}
void TMainForm::Button5Click() {
  FShell.RequestConfigWrite(0);
}
void TMainForm::Button8Click() {
  FShell.RequestConfigWrite(1);
}
void TMainForm::Button6Click() {
  FShell.RestartModule();
}

void TMainForm::SpeedButton1Click() {
  OpenConfigFile(*this, *FImage);
}
void TMainForm::SpeedButton2Click() {
  SaveConfigFile(*this, *FImage);
}

void TMainForm::ReadConfiguration(int configIndex) {
  ReadConfigurationWithProgress(*this, *FImage, configIndex);
}

void TMainForm::WriteConfiguration(int configIndex) {
  WriteConfigurationWithProgress(*this, *FImage, configIndex);
}

void TMainForm::N9Click() {
  DesktopShell().OpenDocument(HelpDocumentPath());
}

// The report names the link as the settings do; the page opens in the desktop's browser.
void TMainForm::N23Click() {
  std::string link;
  switch (FSettings.intf_type_num) {
    case 0:
      link = "usb1";
      break;
    case 1:
      link = "usb2";
      break;
    default:
      link = "udp " + FSettings.ip_string;
  }
  if (FOptions.commandLine.simulator) link += " (simulator)";
  if (const std::optional<std::string> html = WriteModuleReport(*this, link))
    DesktopShell().OpenDocument(QString::fromStdString(*html));
}

void TMainForm::N10Click() {
  if (!FOptions.aboutForm) return;
  FOptions.aboutForm->Label1Text(BaseTitle());
  FOptions.aboutForm->exec();
}

}  // namespace karvelm
