#include "app/supervisor.h"

#include "app/app_texts.h"
#include "link/commands.h"
#include "link/commands_codec.h"
#include "link/hid_access.h"
#include "link/module_commands.h"
#include "link/transactions.h"

namespace karvelm {

namespace {

// The data pages as the tick and the page switches see them, in the order of the page reads
// and of the redraws. page and subPage: where the page is (-1: not a diagnostics sub-page);
// locks: the module commands are locked while it is in view; relists: when the firmware is
// found again the devices are listed again (through PageControl2Change) before the read.
struct TDataPageRow {
  TDataPageId id;
  bool TSupervisor::*flag;
  int page;
  int subPage;
  bool locks;
  bool relists;
};

constexpr TDataPageRow kDataPages[] = {
    {pgDebug, &TSupervisor::debug_screen, mpDebug, -1, false, false},
    {pgTerminal, &TSupervisor::terminal_mode, mpTerminal, -1, true, false},
    {pgPerifBus, &TSupervisor::perif_bus_screen, mpDiagnostics, dpPeripheralBus, true, true},
    {pgInOut, &TSupervisor::in_out_screen, mpDiagnostics, dpInOut, true, false},
    {pgDac, &TSupervisor::dac_screen, mpDiagnostics, dpDac, true, true},
    {pgBsd, &TSupervisor::bsd_screen, mpDiagnostics, dpSensors, true, false},
};

}  // namespace

void TSupervisor::Reset() {
  fw_state = {};
  boot_state = {};
  dev_boot = false;
  up_flag = get_flag1 = get_flag2 = set_flag1 = set_flag2 = false;
  for (const TDataPageRow& row : kDataPages) this->*row.flag = false;
  FFirmwareShown = false;
  FNoAccessTold = false;
}

// Once, until the module has been reached: the status panel keeps saying it meanwhile.
void TSupervisor::TellNoAccess(const std::string& devicePath) {
  if (FNoAccessTold) return;
  FNoAccessTold = true;
  TTimerPause pause(Services());
  Services().Dialogs().Inform(NoAccessText(devicePath), kNoAccessCaption);
}

bool TSupervisor::PageChangeAllowed() const {
  for (const auto& held : FHolds) {
    if (held()) return false;
  }
  return true;
}

void TSupervisor::FirmwareProbe() {
  {
    TBusyCursor cursor(Services());
    if (!CheckModule(DEV_ID, kTimeoutProbe)) {
      fw_state.connected = false;
      return;
    }
    GetVersion(fw_state.fw_ver);  // a failed query keeps the previous value
    GetOtherVersion(fw_state.boot_ver);
    fw_state.connected = true;
  }
  VersionGate();
}

void TSupervisor::LoaderProbe() {
  TBusyCursor cursor(Services());
  if (!CheckModule(LOADER_ID, kTimeoutProbe)) {
    boot_state.connected = false;
    return;
  }
  GetVersion(boot_state.boot_ver);
  GetOtherVersion(boot_state.fw_ver);
  boot_state.connected = true;
}

// Second-generation firmware below 2.0.22 cannot be worked with: the user is sent to the
// update page and the module into its bootloader with the update requested.
void TSupervisor::VersionGate() {
  if (IsLegacyLink() || fw_state.fw_ver >= kMinimumFramedFirmware) return;
  FWindow.ShowPage(mpUpdate);
  TTimerPause pause(Services());
  Services().Dialogs().Inform(kOutdatedFirmwareText, kOutdatedFirmwareCaption);
  up_flag = true;
  TBusyCursor cursor(Services());
  if (CheckModule(DEV_ID, kTimeoutDefault)) EnterLoader();
}

void TSupervisor::RunRequests() {
  // Each flag is cleared before its action, so a tick that runs inside the action's
  // message box does not start it again.
  if (up_flag) {
    up_flag = false;
    if (FUpdatePage) FUpdatePage->RunModuleUpdate(UpdateFileName);
  }
  if (get_flag1) {
    get_flag1 = false;
    FWindow.ReadConfiguration(0);
  }
  if (get_flag2) {
    get_flag2 = false;
    FWindow.ReadConfiguration(1);
  }
  if (set_flag1) {
    set_flag1 = false;
    FWindow.WriteConfiguration(0);
  }
  if (set_flag2) {
    set_flag2 = false;
    FWindow.WriteConfiguration(1);
  }
}

void TSupervisor::ShowFirmwareStatus() {
  Panel().SetStatusText(kStatusConnected);
  Panel().SetFirmwareVersionText(FormatVersion(fw_state.fw_ver));
  Panel().SetLoaderVersionText(FormatVersion(fw_state.boot_ver));
  Panel().SetRestartEnabled(false);
  FFirmwareShown = true;
}

void TSupervisor::ReadPages(bool prev) {
  for (const TDataPageRow& row : kDataPages) {
    if (!(this->*row.flag)) continue;
    if (row.relists && !prev) PageControl2Change();
    TBusyCursor cursor(Services());
    // The guard is the tick's own: it runs also for a page that is not built.
    if (CheckModule(DEV_ID, kTimeoutDefault) && FPages[row.id]) FPages[row.id]->Read();
  }
}

bool TSupervisor::LockedOut() const {
  for (const TDataPageRow& row : kDataPages) {
    if (row.locks && this->*row.flag) return true;
  }
  return FWindow.CurrentPage() == mpUpdate;
}

void TSupervisor::Redraw() {
  for (const TDataPageRow& row : kDataPages) {
    if (this->*row.flag && FPages[row.id]) FPages[row.id]->Show();
  }
}

void TSupervisor::Timer1Timer() {
  const bool prev = fw_state.connected;
  if (dev_boot) {
    FirmwareProbe();
  } else {
    LoaderProbe();
  }
  dev_boot = !dev_boot;

  if (boot_state.connected) {
    Panel().SetStatusText(kStatusLoader);
    Panel().SetLoaderVersionText(FormatVersion(boot_state.boot_ver));
    FFirmwareShown = false;
    RunRequests();
    Panel().SetRestartEnabled(true);
  } else if (fw_state.connected) {
    if (!prev || !FFirmwareShown) ShowFirmwareStatus();
    ReadPages(prev);
    if (FWindow.CurrentPage() == mpUpdate && !prev) PageControl1Change();
  } else {
    const std::string denied = DeniedModuleDevice();
    Panel().SetStatusText(denied.empty() ? kStatusNotConnected : kStatusNoAccess);
    Panel().SetLoaderVersionText(kVersionUnknown);
    Panel().SetFirmwareVersionText(kVersionUnknown);
    FFirmwareShown = false;
    Panel().SetConfigCommandsEnabled(false);
    Panel().SetUpdateCommandEnabled(false);
    Panel().SetRestartEnabled(false);
    if (!denied.empty()) TellNoAccess(denied);
  }
  if (boot_state.connected || fw_state.connected) {
    FNoAccessTold = false;
    Panel().SetConfigCommandsEnabled(true);
    Panel().SetUpdateCommandEnabled(true);
  }

  if (LockedOut()) {
    Panel().SetConfigCommandsEnabled(false);
    Panel().SetUpdateCommandEnabled(false);
    Panel().SetRestartEnabled(false);
  }
  Redraw();
}

void TSupervisor::RequestConfigRead(int configIndex) {
  (configIndex == 0 ? get_flag1 : get_flag2) = true;
  TBusyCursor cursor(Services());
  if (!boot_state.connected && CheckModule(DEV_ID, kTimeoutDefault)) EnterLoader();
}

void TSupervisor::RequestConfigWrite(int configIndex) {
  if (!Services().Dialogs().AskOkCancel(
          configIndex == 0 ? kWriteConfig1Question : kWriteConfig2Question, kWriteConfigCaption))
    return;
  (configIndex == 0 ? set_flag1 : set_flag2) = true;
  TBusyCursor cursor(Services());
  if (!boot_state.connected && CheckModule(DEV_ID, kTimeoutDefault)) EnterLoader();
}

void TSupervisor::RestartModule() {
  if (!Services().Dialogs().AskOkCancel(kRestartQuestion, kRestartCaption)) return;
  TBusyCursor cursor(Services());
  if (CheckModule(LOADER_ID, kTimeoutDefault)) Restart();
}

void TSupervisor::PageControl1Change() {
  const int index = FWindow.CurrentPage();
  for (const TDataPageRow& row : kDataPages) {
    if (row.subPage >= 0) continue;
    const bool entered = index == row.page;
    if (entered && FPages[row.id]) FPages[row.id]->Enter();
    this->*row.flag = entered;
  }
  if (index == mpDiagnostics) {
    PageControl2Change();
  } else {
    for (const TDataPageRow& row : kDataPages) {
      if (row.subPage >= 0) this->*row.flag = false;
    }
  }
  if (index == mpUpdate && FUpdatePage) FUpdatePage->Refresh();
}

void TSupervisor::PageControl2Change() {
  const int sub = FWindow.CurrentSubPage();
  for (const TDataPageRow& row : kDataPages) {
    if (row.subPage < 0) continue;
    const bool entered = sub == row.subPage;
    if (entered && row.relists && FPages[row.id]) FPages[row.id]->Relist();
    this->*row.flag = entered;
  }
}

}  // namespace karvelm
