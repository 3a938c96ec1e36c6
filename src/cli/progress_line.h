// The progress line of the tool's transfers on stderr: percent, bytes, rate and time left,
// redrawn in place with a carriage return and ended with a line break. Any transfer plugs in
// through Sink(); the core only reports bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "base/byte_progress.h"
#include "cli/cli_context.h"

namespace karvelm::cli {

// "config read:  47%  61.5/131.5 KiB  42.0 KiB/s  0:02 left". The rate and the time left
// read "--" until some time has passed and some bytes have moved.
std::string FormatProgress(const std::string& label, uint64_t done, uint64_t total,
                           double elapsedSeconds);

// Whether the line may use colour: NO_COLOR unset (or empty) and a TERM that is not dumb.
bool ProgressColourAllowed();

class TProgressLine {
 public:
  using TNowMs = std::function<uint64_t()>;

  // A disabled line draws nothing; nowMs defaults to the steady clock.
  TProgressLine(std::ostream& err, std::string label, bool enabled, bool colour, TNowMs nowMs = {});
  ~TProgressLine();
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

  bool Enabled() const { return enabled_; }
  // Draws when the percent changed or kRedrawMs passed since the last drawing; the rate is
  // taken from the first report on.
  void Update(uint64_t done, uint64_t total);
  // Draws the last state and ends the line; nothing when nothing was drawn. Later calls do
  // nothing.
  void Finish();
  // Update as the core's callback; the line must outlive it.
  TByteProgress Sink();

  static constexpr uint64_t kRedrawMs = 100;

 private:
  void Draw();

  std::ostream& err_;
  std::string label_;
  bool enabled_;
  bool colour_;
  TNowMs nowMs_;
  bool started_ = false;
  bool drawn_ = false;
  uint64_t startMs_ = 0;
  uint64_t lastDrawMs_ = 0;
  int lastPercent_ = -1;
  uint64_t done_ = 0;
  uint64_t total_ = 0;
  size_t lastWidth_ = 0;
};

// The line for a command: drawn when its stderr is the process's stderr on a terminal and
// --quiet was not given.
std::unique_ptr<TProgressLine> MakeProgressLine(const TCliContext& context,
                                                const std::string& label);

}  // namespace karvelm::cli
