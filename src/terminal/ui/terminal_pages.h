// The terminal page, put onto the window's sheet TabSheet3: the mirror of the module's console
// screen, Memo1, with its sixteen lines, and the keys typed there sent to the module's console
// keyboard. The screen is read and redrawn by the supervision tick while the page is in view.
#pragma once

#include <QObject>
#include <functional>

#include "base/data_page.h"
#include "terminal/terminal_screen.h"

class QKeyEvent;
class QPlainTextEdit;
class QTabWidget;
class QWidget;

namespace karvelm {

class TTerminalPages final : public QObject, public TDataPage {
 public:
  // window: the owner; pages: the control holding the sheet; registry: the supervisor;
  // connected: whether the supervision last found the module's firmware (fw_state.connected).
  TTerminalPages(QWidget& window, QTabWidget& pages, TPageRegistry& registry,
                 std::function<bool()> connected);

  // TDataPage: ReadTerminalScreen, RenderTerminal, and the focus on entering the page.
  void Read() override;
  void Show() override;
  void Enter() override;

  void RenderTerminal();
  void Memo1KeyDown(const QKeyEvent& event);
  void Memo1Change();

  const TTerminalScreen& Screen() const { return FScreen; }

 private:
  QWidget* FSheet = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  std::function<bool()> FConnected;
  TTerminalScreen FScreen;
};

}  // namespace karvelm
