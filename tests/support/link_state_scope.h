// The process-wide link state (the open link, the packet counter and the program's clock),
// fresh for one test and put back afterwards, so that no test sees what another one left.
#pragma once

#include <memory>

#include "base/clock.h"
#include "link/ext_intf.h"
#include "link/transactions.h"

namespace karvelm {

// No link and the counter at zero, as before the first link of a run.
inline void ResetLinkState() {
  CloseLink();
  SequenceNumber = 0;
}

// A link as a fresh program run would open it: the counter starts at zero.
inline void OpenFreshLink(std::unique_ptr<TExtIntf> link) {
  ResetLinkState();
  OpenLink(std::move(link));
}

// Opens ActiveLink afresh over a fake transport made for the kind; the fake stays reachable.
template <typename TFake>
TFake* OpenFreshLinkOver(TIntfType kind) {
  auto transport = std::make_unique<TFake>(kind);
  TFake* raw = transport.get();
  OpenFreshLink(std::make_unique<TExtIntf>(kind, std::move(transport)));
  return raw;
}

// Resets the link state on entry and on exit, and installs a clock for the scope (none: the
// system clock). Declare it after the clock it installs and after whatever the open link
// refers to, so that the link is closed first.
class TLinkStateScope {
 public:
  explicit TLinkStateScope(TClock* clock = nullptr) {
    ResetLinkState();
    SetClock(clock);
  }
  ~TLinkStateScope() {
    ResetLinkState();
    SetClock(nullptr);
  }
  TLinkStateScope(const TLinkStateScope&) = delete;
  TLinkStateScope& operator=(const TLinkStateScope&) = delete;
};

}  // namespace karvelm
