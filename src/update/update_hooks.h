// What an update needs of whoever shows it: questions, messages, the open dialog, the
// cursor, Timer1, the progress bar and the page refresh. Every hook may be left empty; an
// empty ask counts as OK (the command line asks nothing), an empty chooseFile as cancelled.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/byte_progress.h"

namespace karvelm {

struct TUpdateHooks {
  std::function<bool(const std::string& text, const std::string& caption)> ask;
  std::function<void(const std::string& text, const std::string& caption)> inform;
  // OpenDialog3 with the given filter index; the chosen path, or nothing when cancelled.
  std::function<std::optional<std::string>(int filterIndex)> chooseFile;
  std::function<void(bool busy)> busyCursor;
  std::function<void(bool running)> timer1;
  std::function<void()> repaint;
  // ProgressBar1: shown at 0 when a transfer starts, hidden when it ends.
  std::function<void(bool visible)> progressVisible;
  std::function<void(int percent)> progress;
  // The same steps in bytes (sent of size), for a line with rate and time left.
  TByteProgress bytes;
  // The update page's refresh (PageControl1Change on that page).
  std::function<void()> refreshPage;
};

// round(sent × 100 / size) to the nearest integer, halves to even; 100 only once everything
// is sent (99 before); 0 for an empty size.
int ProgressPercent(uint64_t sent, uint64_t size);

namespace detail {

bool Ask(const TUpdateHooks& hooks, const std::string& text);
void Inform(const TUpdateHooks& hooks, const std::string& text);
void Repaint(const TUpdateHooks& hooks);
void RefreshPage(const TUpdateHooks& hooks);

// The hourglass for a scope.
class TBusyScope {
 public:
  explicit TBusyScope(const TUpdateHooks& hooks);
  ~TBusyScope();
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  const TUpdateHooks& hooks_;
};

// Timer1 stopped for a scope and started again on every way out.
class TTimer1Pause {
 public:
  explicit TTimer1Pause(const TUpdateHooks& hooks);
  ~TTimer1Pause();
  TTimer1Pause(const TTimer1Pause&) = delete;
  TTimer1Pause& operator=(const TTimer1Pause&) = delete;

 private:
  const TUpdateHooks& hooks_;
};

// ProgressBar1 shown at 0 for a scope, and hidden also when the transfer ends early.
class TProgressScope {
 public:
  explicit TProgressScope(const TUpdateHooks& hooks);
  ~TProgressScope();
  TProgressScope(const TProgressScope&) = delete;
  TProgressScope& operator=(const TProgressScope&) = delete;
  void Step(uint64_t sent, uint64_t size);

 private:
  const TUpdateHooks& hooks_;
};

}  // namespace detail

}  // namespace karvelm
