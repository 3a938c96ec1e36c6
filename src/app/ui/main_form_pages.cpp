// The main page control PageControl1 with its seven tabs, the page sets that fill them, the
// page switch handling and the refusal while a page holds the view.
#include <QTabWidget>

#include "app/ui/main_form.h"
#include "app/ui/page_control.h"
#include "base/ui/guarded_connect.h"
#include "base/ui/page_sheets.h"
#include "base/ui/tab_switch_guard.h"
#include "config/ui/config_pages.h"
#include "diag/ui/diag_pages.h"
#include "terminal/ui/terminal_pages.h"
#include "update/ui/update_pages.h"

namespace karvelm {

QWidget* TMainForm::BuildPages() {
  PageControl1 = new TPageControl;
  PageControl1->setObjectName("PageControl1");
  for (const TPageTab& tab : kMainPages) AddSheet(*PageControl1, tab.name, tab.caption);

  FConfigPages = new TConfigPages(*this, *PageControl1, *FImage, *this);
  FTerminalPages = new TTerminalPages(*this, *PageControl1, FShell,
                                      [this] { return FShell.fw_state.connected; });
  FDiagPages = new TDiagPages(*this, *PageControl1, FShell, *this);
  FUpdatePages = new TUpdatePages(
      *this, *PageControl1,
      {FShell, *this,
       [this] {
         return TModuleVersions{FShell.fw_state.connected, FShell.fw_state.fw_ver,
                                FShell.boot_state.connected, FShell.boot_state.fw_ver};
       },
       [this](bool raised) { FShell.up_flag = raised; },
       [this](const std::string& path) { FShell.UpdateFileName = path; }, FOptions.firmwareImages,
       ServiceMode()});

  // Only the user's switches run the handlers; ShowPage blocks them.
  ConnectGuarded(PageControl1, &QTabWidget::currentChanged, this, &TMainForm::PageControl1Change);
  ConnectGuarded(FDiagPages, &TDiagPages::SubPageChanged, this, &TMainForm::PageControl2Change);
  // PageControl1Changing.
  new TTabSwitchGuard(*PageControl1, [this] { return FShell.PageChangeAllowed(); });
  return PageControl1;
}

// Out of the normal mode the debug page is not merely hidden but gone from the page control, so
// that no click, wheel, key or program switch can bring it into view.
void TMainForm::RemoveDebugPage() {
  if (QWidget* sheet = PageControl1->widget(TabIndex(mpDebug))) PageControl1->RemovePage(*sheet);
}

void TMainForm::PageControl1Change() {
  FShell.PageControl1Change();
}

void TMainForm::PageControl2Change() {
  FShell.PageControl2Change();
}

int TMainForm::TabIndex(int page) const {
  return TabPosition(*PageControl1, kMainPages, page);
}

int TMainForm::CurrentPage() const {
  return CurrentPageIndex(*PageControl1, kMainPages);
}

int TMainForm::CurrentSubPage() const {
  return FDiagPages->CurrentSubPage();
}

void TMainForm::ShowPage(int index) {
  QSignalBlocker block(PageControl1);
  PageControl1->setCurrentIndex(TabIndex(index));
}

}  // namespace karvelm
