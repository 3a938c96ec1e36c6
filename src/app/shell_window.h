// What the shell's own logic (the supervisor, the file and transfer actions) needs of the main
// window: its shell services, its status panel, its page control and the configuration pages'
// refresh. The Qt window implements it; tests give a recording one.
#pragma once

#include <string>

#include "app/status_panel.h"
#include "base/data_page.h"
#include "base/shell_services.h"
#include "diag/sub_pages.h"

namespace karvelm {

// The pages of the main page control PageControl1, in index order.
enum TMainPage : int {
  mpDeviceParameters = 0,
  mpMemoryConfig = 1,
  mpSetPoints = 2,
  mpTerminal = 3,
  mpDiagnostics = 4,
  mpUpdate = 5,
  mpDebug = 6,
};

inline constexpr TPageTab kMainPages[] = {
    {mpDeviceParameters, "TabSheet1", "Параметры устройства"},
    {mpMemoryConfig, "TabSheet2", "Конфигурация памяти"},
    {mpSetPoints, "TabSheet4", "Блок уставок"},
    {mpTerminal, "TabSheet3", "Терминал"},
    {mpDiagnostics, "TabSheet5", "Диагностика"},
    {mpUpdate, "TabSheet10", "Обновление ПО"},
    {mpDebug, "TabSheet11", "Отладка"},
};

class TShellWindow {
 public:
  virtual TShellServices& Services() = 0;
  virtual TStatusPanel& StatusPanel() = 0;

  // The TMainPage / TDiagPage in view.
  virtual int CurrentPage() const = 0;
  virtual int CurrentSubPage() const = 0;
  // Brings a page into view without the page-switch handling (flags keep their values).
  virtual void ShowPage(int index) = 0;

  // Caption of the main window and the application title.
  virtual void SetCaption(const std::string& text) = 0;
  // Refreshes the device-parameter, memory and set-point pages from the image.
  virtual void RefreshConfigPages() = 0;
  // Configuration transfers run by the tick in the bootloader.
  virtual void ReadConfiguration(int configIndex) = 0;
  virtual void WriteConfiguration(int configIndex) = 0;

 protected:
  ~TShellWindow() = default;
};

}  // namespace karvelm
