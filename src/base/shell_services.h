// What a page may ask of the window it sits in: the hourglass, Timer1 off and on around its own
// multi-step exchanges, a repaint inside a long exchange, and the user dialogs.
#pragma once

#include "base/user_dialogs.h"

namespace karvelm {

class TShellServices {
 public:
  // The hourglass while true; balanced calls (see TBusyCursor).
  virtual void SetBusyCursor(bool busy) = 0;
  // Timer1 (see TTimerPause).
  virtual void SetTimerEnabled(bool enabled) = 0;
  // Lets the window paint now, inside a long exchange.
  virtual void Repaint() = 0;
  virtual TUserDialogs& Dialogs() = 0;

 protected:
  ~TShellServices() = default;
};

// The hourglass for one exchange group, back to the default at its end also when the group
// leaves early or by an exception.
class TBusyCursor {
 public:
  explicit TBusyCursor(TShellServices& services) : FServices(services) {
    FServices.SetBusyCursor(true);
  }
  ~TBusyCursor() { FServices.SetBusyCursor(false); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TShellServices& FServices;
};

// Timer1 off for the scope: a message box's nested loop must not run the tick. The timer runs
// again when the scope ends, also by an exception, so the tick never stays off.
class TTimerPause {
 public:
  explicit TTimerPause(TShellServices& services) : FServices(services) {
    FServices.SetTimerEnabled(false);
  }
  ~TTimerPause() { FServices.SetTimerEnabled(true); }
  TTimerPause(const TTimerPause&) = delete;
  TTimerPause& operator=(const TTimerPause&) = delete;

 private:
  TShellServices& FServices;
};

}  // namespace karvelm
