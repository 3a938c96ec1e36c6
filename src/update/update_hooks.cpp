#include "update/update_hooks.h"

#include "update/update_texts.h"

namespace karvelm {

int ProgressPercent(uint64_t sent, uint64_t size) {
  if (size == 0) return 0;
  const uint64_t scaled = sent * 100;
  uint64_t percent = scaled / size;
  const uint64_t twiceRest = 2 * (scaled % size);
  if (twiceRest > size || (twiceRest == size && percent % 2 == 1)) ++percent;
  // A full bar would claim the end while bytes are still unacknowledged.
  if (sent < size && percent >= 100) percent = 99;
  return static_cast<int>(percent);
}

namespace detail {

bool Ask(const TUpdateHooks& hooks, const std::string& text) {
  return !hooks.ask || hooks.ask(text, kUpdateCaption);
}

void Inform(const TUpdateHooks& hooks, const std::string& text) {
  if (hooks.inform) hooks.inform(text, kUpdateCaption);
}

void Repaint(const TUpdateHooks& hooks) {
  if (hooks.repaint) hooks.repaint();
}

void RefreshPage(const TUpdateHooks& hooks) {
  if (hooks.refreshPage) hooks.refreshPage();
}

TBusyScope::TBusyScope(const TUpdateHooks& hooks) : hooks_(hooks) {
  if (hooks_.busyCursor) hooks_.busyCursor(true);
}

TBusyScope::~TBusyScope() {
  if (hooks_.busyCursor) hooks_.busyCursor(false);
}

TTimer1Pause::TTimer1Pause(const TUpdateHooks& hooks) : hooks_(hooks) {
  if (hooks_.timer1) hooks_.timer1(false);
}

TTimer1Pause::~TTimer1Pause() {
  if (hooks_.timer1) hooks_.timer1(true);
}

TProgressScope::TProgressScope(const TUpdateHooks& hooks) : hooks_(hooks) {
  if (hooks_.progress) hooks_.progress(0);
  if (hooks_.progressVisible) hooks_.progressVisible(true);
}

TProgressScope::~TProgressScope() {
  if (hooks_.progressVisible) hooks_.progressVisible(false);
}

void TProgressScope::Step(uint64_t sent, uint64_t size) {
  if (hooks_.progress) hooks_.progress(ProgressPercent(sent, size));
  if (hooks_.bytes) hooks_.bytes(sent, size);
}

}  // namespace detail

}  // namespace karvelm
