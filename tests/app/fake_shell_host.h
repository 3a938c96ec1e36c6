// A main window for the UI-free tests: keeps what the shell shows and logs what it is asked
// to do, in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/shell_host.h"

namespace karvelm {

class TFakeShellHost : public TShellHost {
 public:
  void SetStatusText(const std::string& text) override { status = text; }
  void SetFirmwareVersionText(const std::string& text) override { firmwareText = text; }
  void SetLoaderVersionText(const std::string& text) override { loaderText = text; }
  void SetConfigCommandsEnabled(bool enabled) override { configEnabled = enabled; }
  void SetUpdateCommandEnabled(bool enabled) override { updateEnabled = enabled; }
  void SetRestartEnabled(bool enabled) override { restartEnabled = enabled; }
  int CurrentPage() const override { return page; }
  int CurrentSubPage() const override { return subPage; }
  void ShowPage(int index) override {
    page = index;
    log.push_back("show page " + std::to_string(index));
  }
  void FocusTerminal() override { log.push_back("focus terminal"); }
  void SetTimerEnabled(bool enabled) override {
    timerEnabled = enabled;
    log.push_back(enabled ? "timer on" : "timer off");
  }
  bool DacTimerActive() const override { return dacTimer; }
  void SetBusyCursor(bool busy) override {
    busyDepth += busy ? 1 : -1;
    if (busyDepth > maxBusyDepth) maxBusyDepth = busyDepth;
  }
  void SetCaption(const std::string& text) override {
    caption = text;
    captions.push_back(text);
  }
  void RefreshConfigPages() override { log.push_back("refresh config pages"); }
  void SetProgress2Visible(bool visible) override {
    progressVisible = visible;
    log.push_back(visible ? "progress shown" : "progress hidden");
  }
  void SetProgress2(int percent) override { progress.push_back(percent); }
  void ReadConfiguration(int c) override {
    log.push_back("read " + std::to_string(c + 1));
    if (onTransfer) onTransfer();
  }
  void WriteConfiguration(int c) override {
    log.push_back("write " + std::to_string(c + 1));
    if (onTransfer) onTransfer();
  }
  bool LoadUpdateFromFile() const override { return fromFile; }
  void UpdateModuleFirmware(const std::string& source, bool file) override {
    log.push_back("update " + source + (file ? " from file" : ""));
    if (onTransfer) onTransfer();
  }
  void HideProgressBar1() override { log.push_back("hide progress 1"); }
  void RefreshUpdatePage() override { log.push_back("refresh update page"); }
  void RelistDevices() override { log.push_back("relist devices"); }
  void ReadBoardRegisters() override { log.push_back("read board registers"); }
  void ReadTerminalScreen() override { log.push_back("read terminal"); }
  void PollBusStatistics() override { log.push_back("poll bus statistics"); }
  void ReadDacState() override { log.push_back("read dac"); }
  void ReadSensorCounters() override { log.push_back("read sensors"); }
  void ShowDebugRegisters() override { log.push_back("show debug"); }
  void RenderTerminal() override { log.push_back("render terminal"); }
  void ShowBusStatistics() override { log.push_back("show bus statistics"); }
  void ShowInOutRegisters() override { log.push_back("show in/out"); }
  void ShowDacRegisters() override { log.push_back("show dac"); }
  void ShowSensorCounters() override { log.push_back("show sensors"); }

  std::string status, firmwareText, loaderText, caption;
  std::vector<std::string> captions;
  bool configEnabled = true, updateEnabled = true, restartEnabled = true;
  bool timerEnabled = true, dacTimer = false, fromFile = false, progressVisible = false;
  int page = 0, subPage = 0;
  int busyDepth = 0, maxBusyDepth = 0;
  std::vector<int> progress;
  std::vector<std::string> log;
  std::function<void()> onTransfer;
};

}  // namespace karvelm
