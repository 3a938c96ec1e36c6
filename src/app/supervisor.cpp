#include "app/supervisor.h"

#include "app/app_texts.h"
#include "link/commands.h"
#include "link/commands_codec.h"
#include "link/module_commands.h"
#include "link/transactions.h"

namespace karvelm {

namespace {

// Restarts the timer when the scope ends, also by an exception, so the tick never stays off.
class TTimerPause {
 public:
  explicit TTimerPause(TShellHost& host) : FHost(host) { FHost.SetTimerEnabled(false); }
  ~TTimerPause() { FHost.SetTimerEnabled(true); }
  TTimerPause(const TTimerPause&) = delete;
  TTimerPause& operator=(const TTimerPause&) = delete;

 private:
  TShellHost& FHost;
};

}  // namespace

void TSupervisor::Reset() {
  fw_state = {};
  boot_state = {};
  dev_boot = false;
  up_flag = get_flag1 = get_flag2 = set_flag1 = set_flag2 = false;
  terminal_mode = perif_bus_screen = in_out_screen = dac_screen = bsd_screen = debug_screen = false;
  FFirmwareShown = false;
}

void TSupervisor::FirmwareProbe() {
  {
    TBusyCursor cursor(FHost);
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
  TBusyCursor cursor(FHost);
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
  FHost.ShowPage(mpUpdate);
  TTimerPause pause(FHost);
  FDialogs.Inform(kOutdatedFirmwareText, kOutdatedFirmwareCaption);
  up_flag = true;
  TBusyCursor cursor(FHost);
  if (CheckModule(DEV_ID, kTimeoutDefault)) EnterLoader();
}

void TSupervisor::RunRequests() {
  // Each flag is cleared before its action, so a tick that runs inside the action's
  // message box does not start it again.
  if (up_flag) {
    up_flag = false;
    FHost.UpdateModuleFirmware(UpdateFileName, FHost.LoadUpdateFromFile());
    FHost.HideProgressBar1();
  }
  if (get_flag1) {
    get_flag1 = false;
    FHost.ReadConfiguration(0);
  }
  if (get_flag2) {
    get_flag2 = false;
    FHost.ReadConfiguration(1);
  }
  if (set_flag1) {
    set_flag1 = false;
    FHost.WriteConfiguration(0);
  }
  if (set_flag2) {
    set_flag2 = false;
    FHost.WriteConfiguration(1);
  }
}

void TSupervisor::ShowFirmwareStatus() {
  FHost.SetStatusText(kStatusConnected);
  FHost.SetFirmwareVersionText(FormatVersion(fw_state.fw_ver));
  FHost.SetLoaderVersionText(FormatVersion(fw_state.boot_ver));
  FHost.SetRestartEnabled(false);
  FFirmwareShown = true;
}

void TSupervisor::ReadPages(bool prev) {
  auto guarded = [this](void (TShellHost::*read)()) {
    TBusyCursor cursor(FHost);
    if (CheckModule(DEV_ID, kTimeoutDefault)) (FHost.*read)();
  };
  if (debug_screen) guarded(&TShellHost::ReadBoardRegisters);
  if (terminal_mode) guarded(&TShellHost::ReadTerminalScreen);
  if (perif_bus_screen) {
    if (!prev) PageControl2Change();
    guarded(&TShellHost::PollBusStatistics);
  }
  if (in_out_screen) guarded(&TShellHost::ReadBoardRegisters);
  if (dac_screen) {
    if (!prev) PageControl2Change();
    guarded(&TShellHost::ReadDacState);
  }
  if (bsd_screen) guarded(&TShellHost::ReadSensorCounters);
}

bool TSupervisor::LockedOut() const {
  return terminal_mode || perif_bus_screen || in_out_screen || dac_screen || bsd_screen ||
         FHost.CurrentPage() == mpUpdate;
}

void TSupervisor::Redraw() {
  if (debug_screen) FHost.ShowDebugRegisters();
  if (terminal_mode) FHost.RenderTerminal();
  if (perif_bus_screen) FHost.ShowBusStatistics();
  if (in_out_screen) FHost.ShowInOutRegisters();
  if (dac_screen) FHost.ShowDacRegisters();
  if (bsd_screen) FHost.ShowSensorCounters();
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
    FHost.SetStatusText(kStatusLoader);
    FHost.SetLoaderVersionText(FormatVersion(boot_state.boot_ver));
    FFirmwareShown = false;
    RunRequests();
    FHost.SetRestartEnabled(true);
  } else if (fw_state.connected) {
    if (!prev || !FFirmwareShown) ShowFirmwareStatus();
    ReadPages(prev);
    if (FHost.CurrentPage() == mpUpdate && !prev) PageControl1Change();
  } else {
    FHost.SetStatusText(kStatusNotConnected);
    FHost.SetLoaderVersionText(kVersionUnknown);
    FHost.SetFirmwareVersionText(kVersionUnknown);
    FFirmwareShown = false;
    FHost.SetConfigCommandsEnabled(false);
    FHost.SetUpdateCommandEnabled(false);
    FHost.SetRestartEnabled(false);
  }
  if (boot_state.connected || fw_state.connected) {
    FHost.SetConfigCommandsEnabled(true);
    FHost.SetUpdateCommandEnabled(true);
  }

  if (LockedOut()) {
    FHost.SetConfigCommandsEnabled(false);
    FHost.SetUpdateCommandEnabled(false);
    FHost.SetRestartEnabled(false);
  }
  Redraw();
}

void TSupervisor::RequestConfigRead(int configIndex) {
  (configIndex == 0 ? get_flag1 : get_flag2) = true;
  TBusyCursor cursor(FHost);
  if (!boot_state.connected && CheckModule(DEV_ID, kTimeoutDefault)) EnterLoader();
}

void TSupervisor::RequestConfigWrite(int configIndex) {
  if (!FDialogs.AskOkCancel(configIndex == 0 ? kWriteConfig1Question : kWriteConfig2Question,
                            kWriteConfigCaption))
    return;
  (configIndex == 0 ? set_flag1 : set_flag2) = true;
  TBusyCursor cursor(FHost);
  if (!boot_state.connected && CheckModule(DEV_ID, kTimeoutDefault)) EnterLoader();
}

void TSupervisor::RestartModule() {
  if (!FDialogs.AskOkCancel(kRestartQuestion, kRestartCaption)) return;
  TBusyCursor cursor(FHost);
  if (CheckModule(LOADER_ID, kTimeoutDefault)) Restart();
}

void TSupervisor::PageControl1Change() {
  const int index = FHost.CurrentPage();
  debug_screen = index == mpDebug;
  if (index == mpTerminal) {
    FHost.FocusTerminal();
    terminal_mode = true;
  } else {
    terminal_mode = false;
  }
  if (index == mpDiagnostics) {
    PageControl2Change();
  } else {
    perif_bus_screen = in_out_screen = dac_screen = bsd_screen = false;
  }
  if (index == mpUpdate) FHost.RefreshUpdatePage();
}

void TSupervisor::PageControl2Change() {
  const int sub = FHost.CurrentSubPage();
  perif_bus_screen = sub == dpPeripheralBus;
  in_out_screen = sub == dpInOut;
  dac_screen = sub == dpDac;
  bsd_screen = sub == dpSensors;
  FHost.RelistDevices();
}

}  // namespace karvelm
