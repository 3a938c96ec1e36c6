// The module supervision of the main window: the once-a-second tick that finds out which
// program of the module answers, keeps the status panel current, runs the requested
// transfers in the bootloader and reads the data page in view; and the commands and page
// switches that raise its request and page flags. UI-free: it talks to the window through
// TShellWindow, and knows the data pages only through the ones registered with it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/dev_state.h"
#include "app/shell_window.h"
#include "base/data_page.h"
#include "link/intf_type.h"

namespace karvelm {

class TSupervisor final : public TPageRegistry {
 public:
  explicit TSupervisor(TShellWindow& window) : FWindow(window) {}

  // TPageRegistry: what the page sets plug in.
  void AddDataPage(TDataPageId id, TDataPage& page) override { FPages.at(id) = &page; }
  void SetUpdatePage(TUpdatePage& page) override { FUpdatePage = &page; }
  void HoldPageChangesWhile(std::function<bool()> held) override {
    FHolds.push_back(std::move(held));
  }
  bool FirmwareConnected() const override { return fw_state.connected; }

  // The handler of Timer1 (1000 ms).
  void Timer1Timer();

  // Status-panel commands. A read or write raises its request and, when the firmware
  // answers, sends the module into its bootloader; the tick does the transfer there.
  void RequestConfigRead(int configIndex);   // Button4 (0), Button7 (1)
  void RequestConfigWrite(int configIndex);  // Button5 (0), Button8 (1); asks first
  void RestartModule();                      // Button6; asks first, bootloader only

  // The user chose another main page / diagnostics sub-page.
  void PageControl1Change();
  void PageControl2Change();
  // Asked before either page control changes its page.
  bool PageChangeAllowed() const;

  // Puts the records and flags into their state at window creation; the pages stay registered.
  void Reset();

  // State the tick reads and writes; fields of the main window.
  TDevState fw_state;
  TDevState boot_state;
  bool dev_boot = false;  // true: this tick probes the firmware
  uint16_t DEV_ID = kFirmwareIdOld;

  bool up_flag = false;
  bool get_flag1 = false;
  bool get_flag2 = false;
  bool set_flag1 = false;
  bool set_flag2 = false;

  bool terminal_mode = false;
  bool perif_bus_screen = false;
  bool in_out_screen = false;
  bool dac_screen = false;
  bool bsd_screen = false;
  bool debug_screen = false;

  std::string UpdateFileName;

 private:
  void FirmwareProbe();
  void LoaderProbe();
  void VersionGate();
  void RunRequests();
  void ReadPages(bool prev);
  void Redraw();
  bool LockedOut() const;
  void ShowFirmwareStatus();
  void TellNoAccess(const std::string& devicePath);
  TShellServices& Services() { return FWindow.Services(); }
  TStatusPanel& Panel() { return FWindow.StatusPanel(); }

  TShellWindow& FWindow;
  std::array<TDataPage*, kDataPageCount> FPages{};
  TUpdatePage* FUpdatePage = nullptr;
  std::vector<std::function<bool()>> FHolds;
  // The status panel shows the firmware's texts; they are written again whenever the
  // firmware is found while something else was shown, so "загрузчик" never outlives the
  // bootloader.
  bool FFirmwareShown = false;
  // The user was told that the module's USB device may not be opened.
  bool FNoAccessTold = false;
};

}  // namespace karvelm
