// A main window for the UI-free tests: keeps what the shell shows and logs what it is asked
// to do, in order. Its data pages and update page log their calls into the same log.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell_window.h"
#include "base/data_page.h"

namespace karvelm {

class TFakeShellHost : public TShellWindow, public TShellServices, public TStatusPanel {
 public:
  explicit TFakeShellHost(TUserDialogs& dialogs) : FDialogs(dialogs) {}

  // Registers a logging page for every data page, the update page and the DAC timer's hold.
  void RegisterPages(TPageRegistry& registry) {
    const struct {
      TDataPageId id;
      const char* read;
      const char* show;
      const char* enter;  // nullptr: nothing to log
    } pages[] = {
        {pgDebug, "read board registers", "show debug", nullptr},
        {pgTerminal, "read terminal", "render terminal", "focus terminal"},
        {pgPerifBus, "poll bus statistics", "show bus statistics", nullptr},
        {pgInOut, "read board registers", "show in/out", nullptr},
        {pgDac, "read dac", "show dac", nullptr},
        {pgBsd, "read sensors", "show sensors", nullptr},
    };
    for (const auto& page : pages) {
      FPages.push_back(std::make_unique<TLoggingPage>(log, page.read, page.show, page.enter));
      registry.AddDataPage(page.id, *FPages.back());
    }
    registry.SetUpdatePage(FUpdatePage);
    registry.HoldPageChangesWhile([this] { return dacTimer; });
  }

  TShellServices& Services() override { return *this; }
  TStatusPanel& StatusPanel() override { return *this; }
  TUserDialogs& Dialogs() override { return FDialogs; }

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
  void SetTimerEnabled(bool enabled) override {
    timerEnabled = enabled;
    log.push_back(enabled ? "timer on" : "timer off");
  }
  void SetBusyCursor(bool busy) override {
    busyDepth += busy ? 1 : -1;
    if (busyDepth > maxBusyDepth) maxBusyDepth = busyDepth;
  }
  void Repaint() override {}
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

  std::string status, firmwareText, loaderText, caption;
  std::vector<std::string> captions;
  bool configEnabled = true, updateEnabled = true, restartEnabled = true;
  bool timerEnabled = true, dacTimer = false, fromFile = false, progressVisible = false;
  int page = 0, subPage = 0;
  int busyDepth = 0, maxBusyDepth = 0;
  std::vector<int> progress;
  std::vector<std::string> log;
  std::function<void()> onTransfer;

 private:
  class TLoggingPage final : public TDataPage {
   public:
    TLoggingPage(std::vector<std::string>& log, const char* read, const char* show,
                 const char* enter)
        : FLog(log), FRead(read), FShow(show), FEnter(enter) {}
    void Read() override { FLog.push_back(FRead); }
    void Show() override { FLog.push_back(FShow); }
    void Relist() override { FLog.push_back("relist devices"); }
    void Enter() override {
      if (FEnter) FLog.push_back(FEnter);
    }

   private:
    std::vector<std::string>& FLog;
    const char* FRead;
    const char* FShow;
    const char* FEnter;
  };

  class TLoggingUpdatePage final : public TUpdatePage {
   public:
    explicit TLoggingUpdatePage(TFakeShellHost& host) : FHost(host) {}
    void RunModuleUpdate(const std::string& source) override {
      FHost.log.push_back("update " + source + (FHost.fromFile ? " from file" : ""));
      if (FHost.onTransfer) FHost.onTransfer();
      FHost.log.push_back("hide progress 1");
    }
    void Refresh() override { FHost.log.push_back("refresh update page"); }

   private:
    TFakeShellHost& FHost;
  };

  TUserDialogs& FDialogs;
  std::vector<std::unique_ptr<TLoggingPage>> FPages;
  TLoggingUpdatePage FUpdatePage{*this};
};

}  // namespace karvelm
