// What the supervision tick and the main-window commands need of the main window. The Qt
// window implements it; tests give a recording one. The page hooks belong to the data pages
// and do nothing until those pages provide them.
#pragma once

#include <string>

namespace karvelm {

// Page indices of the main page control, and of the diagnostics sub-pages.
enum TMainPage : int {
  mpDeviceParameters = 0,
  mpMemoryConfig = 1,
  mpSetPoints = 2,
  mpTerminal = 3,
  mpDiagnostics = 4,
  mpUpdate = 5,
  mpDebug = 6,
};
enum TDiagPage : int {
  dpPeripheralBus = 0,
  dpInOut = 1,
  dpDac = 2,
  dpSensors = 3,
};

class TShellHost {
 public:
  virtual ~TShellHost() = default;

  // Status panel.
  virtual void SetStatusText(const std::string& text) = 0;           // StaticText11
  virtual void SetFirmwareVersionText(const std::string& text) = 0;  // StaticText10
  virtual void SetLoaderVersionText(const std::string& text) = 0;    // StaticText2

  // Command groups: Button4/7/5/8 with N11/N21/N12/N22; N16; Button6 with N14.
  virtual void SetConfigCommandsEnabled(bool enabled) = 0;
  virtual void SetUpdateCommandEnabled(bool enabled) = 0;
  virtual void SetRestartEnabled(bool enabled) = 0;

  virtual int CurrentPage() const = 0;
  virtual int CurrentSubPage() const = 0;
  // Brings a page into view without the page-switch handling (flags keep their values).
  virtual void ShowPage(int index) = 0;
  virtual void FocusTerminal() {}

  virtual void SetTimerEnabled(bool enabled) = 0;  // Timer1
  virtual bool DacTimerActive() const { return false; }
  // The hourglass while true; balanced calls (see TBusyCursor).
  virtual void SetBusyCursor(bool busy) = 0;

  // Caption of the main window and the application title.
  virtual void SetCaption(const std::string& text) = 0;
  // Refreshes the device-parameter, memory and set-point pages from the image.
  virtual void RefreshConfigPages() {}
  // ProgressBar2 of the configuration transfers: 0..100, shown only during a transfer.
  virtual void SetProgress2Visible(bool /*visible*/) {}
  virtual void SetProgress2(int /*percent*/) {}
  // Lets the window paint now, inside a long exchange.
  virtual void Repaint() {}

  // Configuration transfers run by the tick in the bootloader.
  virtual void ReadConfiguration(int configIndex) = 0;
  virtual void WriteConfiguration(int configIndex) = 0;

  // Module firmware update (CheckBox5 is the from-file flag).
  virtual bool LoadUpdateFromFile() const { return false; }
  virtual void UpdateModuleFirmware(const std::string& /*source*/, bool /*fromFile*/) {}
  virtual void HideProgressBar1() {}
  // The update page's own refresh when it comes into view.
  virtual void RefreshUpdatePage() {}
  // Re-lists the devices of the diagnostics pages.
  virtual void RelistDevices() {}

  // Per-tick reads of the page in view, each run after a fresh check of the firmware.
  virtual void ReadBoardRegisters() {}
  virtual void ReadTerminalScreen() {}
  virtual void PollBusStatistics() {}
  virtual void ReadDacState() {}
  virtual void ReadSensorCounters() {}
  // Redraws from the page buffers, in every state.
  virtual void ShowDebugRegisters() {}
  virtual void RenderTerminal() {}
  virtual void ShowBusStatistics() {}
  virtual void ShowInOutRegisters() {}
  virtual void ShowDacRegisters() {}
  virtual void ShowSensorCounters() {}
};

// The hourglass for one exchange group, back to the default at its end also when the group
// leaves early or by an exception.
class TBusyCursor {
 public:
  explicit TBusyCursor(TShellHost& host) : FHost(host) { FHost.SetBusyCursor(true); }
  ~TBusyCursor() { FHost.SetBusyCursor(false); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TShellHost& FHost;
};

}  // namespace karvelm
