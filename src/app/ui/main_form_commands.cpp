// Handlers of the status-panel buttons, the tool bar and the help menu.
#include "app/app_texts.h"
#include "app/file_actions.h"
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

void TMainForm::N10Click() {
  if (!FOptions.aboutForm) return;
  FOptions.aboutForm->Label1Text(BaseTitle());
  FOptions.aboutForm->exec();
}

}  // namespace karvelm
