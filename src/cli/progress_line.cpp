#include "cli/progress_line.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace karvelm::cli {

namespace {

constexpr double kKiB = 1024.0;
constexpr double kMiB = 1024.0 * 1024.0;
// Below this the rate is mostly noise.
constexpr double kMinRateSeconds = 0.05;

const char* kColourOn = "\033[1;32m";
const char* kColourOff = "\033[0m";

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

// done/total in the unit the total calls for.
std::string Amount(uint64_t done, uint64_t total) {
  if (total < 10 * 1024) return std::to_string(done) + "/" + std::to_string(total) + " B";
  if (total < 10 * 1024 * 1024)
    return Fixed(static_cast<double>(done) / kKiB) + "/" +
           Fixed(static_cast<double>(total) / kKiB) + " KiB";
  return Fixed(static_cast<double>(done) / kMiB) + "/" + Fixed(static_cast<double>(total) / kMiB) +
         " MiB";
}

std::string Rate(double bytesPerSecond) {
  if (bytesPerSecond < kKiB) return Fixed(bytesPerSecond) + " B/s";
  if (bytesPerSecond < kMiB) return Fixed(bytesPerSecond / kKiB) + " KiB/s";
  return Fixed(bytesPerSecond / kMiB) + " MiB/s";
}

std::string Duration(double seconds) {
  const uint64_t whole = static_cast<uint64_t>(seconds + 0.5);
  char text[32];
  if (whole >= 3600)
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                  static_cast<unsigned long long>(whole / 3600),
                  static_cast<unsigned long long>(whole / 60 % 60),
                  static_cast<unsigned long long>(whole % 60));
  else
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(whole / 60),
                  static_cast<unsigned long long>(whole % 60));
  return text;
}

int Percent(uint64_t done, uint64_t total) {
  if (total == 0 || done >= total) return 100;
  return static_cast<int>(done * 100 / total);  // 100 only once everything moved
}

uint64_t SteadyMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string PercentText(int percent) {
  char text[8];
  std::snprintf(text, sizeof text, "%3d%%", percent);
  return text;
}

}  // namespace

std::string FormatProgress(const std::string& label, uint64_t done, uint64_t total,
                           double elapsedSeconds) {
  std::string line = label + ": " + PercentText(Percent(done, total)) + "  " + Amount(done, total);
  // At the end the average is exact however short the transfer was.
  const bool ended = total > 0 && done >= total && elapsedSeconds > 0;
  if ((elapsedSeconds < kMinRateSeconds && !ended) || done == 0)
    return line + "  -- B/s  --:-- left";
  const double rate = static_cast<double>(done) / elapsedSeconds;
  const double left = done >= total ? 0.0 : static_cast<double>(total - done) / rate;
  return line + "  " + Rate(rate) + "  " + Duration(left) + " left";
}

bool ProgressColourAllowed() {
  const char* noColour = std::getenv("NO_COLOR");
  if (noColour && *noColour) return false;
  const char* term = std::getenv("TERM");
  return term && *term && std::strcmp(term, "dumb") != 0;
}

TProgressLine::TProgressLine(std::ostream& err, std::string label, bool enabled, bool colour,
                             TNowMs nowMs)
    : err_(err),
      label_(std::move(label)),
      enabled_(enabled),
      colour_(colour),
      nowMs_(nowMs ? std::move(nowMs) : TNowMs(SteadyMs)) {}

TProgressLine::~TProgressLine() {
  Finish();
}

void TProgressLine::Update(uint64_t done, uint64_t total) {
  if (!enabled_) return;
  const uint64_t now = nowMs_();
  if (!started_) {
    started_ = true;
    startMs_ = now;
  }
  done_ = done;
  total_ = total;
  const int percent = Percent(done, total);
  if (drawn_ && percent == lastPercent_ && now - lastDrawMs_ < kRedrawMs) return;
  lastPercent_ = percent;
  lastDrawMs_ = now;
  Draw();
}

void TProgressLine::Finish() {
  if (!enabled_ || !drawn_) return;
  Draw();
  err_ << '\n' << std::flush;
  enabled_ = false;
}

TByteProgress TProgressLine::Sink() {
  return [this](uint64_t done, uint64_t total) { Update(done, total); };
}

void TProgressLine::Draw() {
  const double elapsed = static_cast<double>(nowMs_() - startMs_) / 1000.0;
  const std::string text = FormatProgress(label_, done_, total_, elapsed);
  std::string shown = text;
  if (colour_) {
    // The percent stands out; the rest stays plain.
    const size_t at = label_.size() + 2;
    shown = text.substr(0, at) + kColourOn + text.substr(at, 4) + kColourOff + text.substr(at + 4);
  }
  // A shorter line than the last one blanks what would be left of it.
  const size_t pad = lastWidth_ > text.size() ? lastWidth_ - text.size() : 0;
  err_ << '\r' << shown << std::string(pad, ' ') << std::flush;
  lastWidth_ = text.size();
  drawn_ = true;
}

std::unique_ptr<TProgressLine> MakeProgressLine(const TCliContext& context,
                                                const std::string& label) {
  const bool enabled =
      !context.options.quiet && &context.err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
  return std::make_unique<TProgressLine>(context.err, label, enabled,
                                         enabled && ProgressColourAllowed());
}

}  // namespace karvelm::cli
