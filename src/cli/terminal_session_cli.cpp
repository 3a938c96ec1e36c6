#include "cli/terminal_session_cli.h"

#include <curses.h>
#include <langinfo.h>
#include <signal.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "cli/cli_link.h"
#include "cli/terminal_input.h"
#include "terminal/terminal_keys.h"
#include "terminal/terminal_screen.h"

namespace karvelm::cli {

namespace {

using TSteady = std::chrono::steady_clock;

constexpr int kFrameWidth = kTerminalColumns + 2;
constexpr int kFrameHeight = kTerminalLines + 2;
constexpr int kStatusRow = kFrameHeight;
constexpr int kEscapeDelayMs = 50;  // a lone Esc is told from a key's escape sequence
constexpr int kScreenColors = 1;

volatile sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
  stopSignal = signal;
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The stop signals caught for the session, and the old handlers put back when it ends.
class TSignalScope {
 public:
  TSignalScope() {
    stopSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a waiting read returns and the loop sees the flag
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
      sigaction(kStopSignals[i], &action, &old_[i]);
  }
  ~TSignalScope() {
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
      sigaction(kStopSignals[i], &old_[i], nullptr);
  }
  TSignalScope(const TSignalScope&) = delete;
  TSignalScope& operator=(const TSignalScope&) = delete;

 private:
  struct sigaction old_[std::size(kStopSignals)]{};
};

// Curses on stdin/stdout for the session; the terminal's own mode comes back when it goes,
// an exception included.
class TCursesScope {
 public:
  TCursesScope() {
    screen_ = newterm(nullptr, stdout, stdin);
    if (!screen_) return;
    set_term(screen_);
    raw();  // every key goes to the module: no signals, no flow control from the keyboard
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(kEscapeDelayMs);
    curs_set(0);
    if (has_colors()) {
      start_color();
      init_pair(kScreenColors, COLOR_WHITE, COLOR_BLACK);
    }
  }
  ~TCursesScope() {
    if (!screen_) return;
    endwin();
    delscreen(screen_);
  }
  TCursesScope(const TCursesScope&) = delete;
  TCursesScope& operator=(const TCursesScope&) = delete;

  bool Ok() const { return screen_ != nullptr; }

 private:
  SCREEN* screen_ = nullptr;
};

// The module's screen holds Cyrillic: wide characters need a UTF-8 locale. One that is not
// (a bare C locale over SSH, say) gets C.UTF-8, the terminal being almost surely UTF-8.
void UseUtf8Locale() {
  std::setlocale(LC_ALL, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

std::string LinkText(const TCliOptions& options) {
  switch (options.link) {
    case itHID_OLD:
      return "usb1";
    case itHID_NEW:
      return "usb2";
    default:
      return "udp " + options.ip + ":" + std::to_string(options.port);
  }
}

std::string SecondsText(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g s", seconds);
  return buffer;
}

std::string ClockText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[16];
  std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
  return buffer;
}

class TSession {
 public:
  explicit TSession(const TCliContext& context) : context_(context) {}

  // One refresh: the module checked, then the screen read when it answers.
  void Refresh() {
    connected_ = FirmwareAnswers(*context_.link);
    if (connected_) {
      complete_ = screen_.ReadTerminalScreen().Complete();
    }
    refreshedAt_ = ClockText();
  }

  void Key(const TKeyStroke& stroke) {
    if (!connected_) {
      keyNote_ = "key ignored: not connected";
      return;
    }
    const TKeySendResult sent = SendTerminalKey(true, stroke);
    char buffer[48];
    switch (sent.outcome) {
      case ksSent:
        std::snprintf(buffer, sizeof buffer, "key %03o sent", sent.code);
        keyNote_ = buffer;
        break;
      case ksWriteFailed:
        std::snprintf(buffer, sizeof buffer, "key %03o not acknowledged", sent.code);
        keyNote_ = buffer;
        break;
      case ksNoAnswer:
        keyNote_ = "key not sent: no answer";
        break;
      default:
        keyNote_.clear();  // not a key of the console keyboard
    }
  }

  void Draw() const {
    erase();
    if (LINES < kFrameHeight + 1 || COLS < kFrameWidth) {
      mvaddstr(0, 0, "window too small: 34 x 19 needed; Ctrl-] quits");
      refresh();
      return;
    }
    mvaddch(0, 0, ACS_ULCORNER);
    mvhline(0, 1, ACS_HLINE, kTerminalColumns);
    mvaddch(0, kFrameWidth - 1, ACS_URCORNER);
    const TTerminalView view = screen_.RenderTerminal(connected_);
    const attr_t text = A_BOLD | (has_colors() ? COLOR_PAIR(kScreenColors) : 0);
    for (int i = 0; i < kTerminalLines; ++i) {
      const int row = 1 + i;
      mvaddch(row, 0, ACS_VLINE);
      std::wstring line(view.lines[i].begin(), view.lines[i].end());
      line.resize(kTerminalColumns, L' ');
      attron(text);
      mvaddnwstr(row, 1, line.c_str(), kTerminalColumns);
      attroff(text);
      mvaddch(row, kFrameWidth - 1, ACS_VLINE);
    }
    mvaddch(kFrameHeight - 1, 0, ACS_LLCORNER);
    mvhline(kFrameHeight - 1, 1, ACS_HLINE, kTerminalColumns);
    mvaddch(kFrameHeight - 1, kFrameWidth - 1, ACS_LRCORNER);

    std::string status = LinkText(context_.options);
    status += connected_ ? (complete_ ? "  answering" : "  read incomplete") : "  no answer";
    status += "  refresh " + SecondsText(context_.options.intervalSeconds) + " " + refreshedAt_;
    if (!keyNote_.empty()) status += "  " + keyNote_;
    status += "  Ctrl-] quits";
    mvaddnstr(kStatusRow, 0, status.c_str(), COLS);
    refresh();
  }

 private:
  const TCliContext& context_;
  TTerminalScreen screen_;
  bool connected_ = false;
  bool complete_ = true;
  std::string refreshedAt_;
  std::string keyNote_;
};

// The session itself: the signal that ended it, 0 for Ctrl-], -1 when curses could not start.
int RunSession(const TCliContext& context) {
  TSignalScope signals;  // before curses, which would otherwise put in handlers of its own
  TCursesScope curses;
  if (!curses.Ok()) return -1;
  TSession session(context);
  const auto interval = std::chrono::duration_cast<TSteady::duration>(
      std::chrono::duration<double>(context.options.intervalSeconds));
  TSteady::time_point next = TSteady::now();
  while (!stopSignal) {
    if (TSteady::now() >= next) {
      session.Refresh();
      session.Draw();
      // Due times stay on the grid unless a refresh overran it.
      next += interval;
      if (next < TSteady::now()) next = TSteady::now() + interval;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - TSteady::now());
    timeout(static_cast<int>(std::max<long long>(0, left.count())));
    wint_t value = 0;
    const int got = get_wch(&value);
    if (got == ERR) continue;  // the time is up, or a signal came
    const bool isKeyCode = got == KEY_CODE_YES;
    if (isKeyCode && value == KEY_RESIZE) {
      session.Draw();
      continue;
    }
    if (!isKeyCode && value == kTerminalQuitChar) return 0;
    session.Key(TerminalInputKey(isKeyCode, static_cast<uint32_t>(value)));
    session.Draw();
  }
  return stopSignal;
}

}  // namespace

int RunTerminalSession(const TCliContext& context) {
  UseUtf8Locale();
  // Messages only once the terminal is back in its own mode.
  const int ended = RunSession(context);
  if (ended < 0) {
    const char* term = std::getenv("TERM");
    return context.Fail(std::string("cannot drive this terminal (TERM=") + (term ? term : "") +
                        ")");
  }
  if (ended == 0 || ended == SIGINT) return kExitDone;
  return context.Fail(std::string("terminal: stopped by ") +
                      (ended == SIGTERM ? "SIGTERM" : "SIGHUP"));
}

}  // namespace karvelm::cli
