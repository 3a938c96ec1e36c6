// The position-sensor sub-page without its widgets: the eight counters and the count test.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "diag/bus_access.h"
#include "diag/diag_records.h"

namespace karvelm {

inline constexpr std::array<const char*, kSensorChannels> kSensorCountLabels = {
    "StaticText162", "StaticText163", "StaticText164", "StaticText165",
    "StaticText166", "StaticText167", "StaticText168", "StaticText169"};
// The channel lists of the test group (ComboBox13, ComboBox14).
inline constexpr std::array<const char*, kSensorChannels> kSensorChannelTexts = {
    "167700", "167704", "167710", "167714", "167720", "167724", "167730", "167734"};

// ReadSensorCounters: the sixteen words at 167700.
bool ReadSensorCounters(TDiagRecords& records);

class TSensorPage {
 public:
  explicit TSensorPage(TDiagRecords& records = DiagRecords()) : FRecords(records) {}

  bool Read() { return ReadSensorCounters(FRecords); }
  // ShowSensorCounters: the text of channel k's label.
  std::string CountText(int channel) const;
  uint32_t ChannelValue(int channel) const;

 private:
  TDiagRecords& FRecords;
};

// Count test texts.
constexpr const char* kCountOk = "ОК";
constexpr const char* kCountError = "ошибка счета";
constexpr const char* kZeroMarkError = "ошибка";
constexpr const char* kCountOnPrefix = "счет по ";
constexpr const char* kCountNotRun = "-";

// The quadrature phases and the zero mark on an output word, and the zero-mark enable in
// the channel's high word.
constexpr uint16_t kQuadratureA = 0x0008;
constexpr uint16_t kQuadratureB = 0x0080;
constexpr uint16_t kZeroMarkPulse = 0x0800;
constexpr uint16_t kZeroMarkEnable = 0x2000;
constexpr uint32_t kZeroMarkValue = 0x60000000;  // count 0 with bits 29 and 30
constexpr int kCountUpCycles = 25;
constexpr int kCountDownCycles = 50;

// DriveQuadrature: |cycles| cycles of four writes to out, each followed by 1 ms; forward
// 0x08, 0x88, 0x80, 0x00, backward (cycles < 0) 0x80, 0x88, 0x08, 0x00. cancel is asked
// before each cycle; false when it stopped the drive (out is then 0, as after a cycle).
bool DriveQuadrature(uint16_t out, int cycles, const TCancel& cancel = {});

enum TCountStep : int {
  ctUp = 0,
  ctDown = 1,
  ctZeroMark = 2,
};

// The result labels: normal wiring for the low word of a pair, additional for the high word.
enum TCountWiring : int {
  cwNormal = 0,
  cwAdditional = 1,
};
inline constexpr std::array<std::array<const char*, 3>, 2> kCountResultLabels = {{
    {"StaticText174", "StaticText175", "StaticText176"},
    {"StaticText182", "StaticText183", "StaticText184"},
}};

// Called as each step's label is decided, so the page can paint it at once.
using TCountReport =
    std::function<void(TCountWiring wiring, TCountStep step, const std::string& text)>;

struct TCountResult {
  int channel = 0;
  uint16_t output = 0;
  std::array<std::string, 3> texts{kCountNotRun, kCountNotRun, kCountNotRun};
  bool cancelled = false;  // stopped early; the steps after it show "-"
  TCountWiring Wiring() const { return (output & 2) ? cwAdditional : cwNormal; }
  bool Passed() const;
};

// RunCountTest: preparation, 25 cycles up, 50 down, the zero mark; each step checks the
// count of the channel and that no other channel counted. A failed step ends the test.
// Stopped by cancel, the output word and the channel's high word are written 0, as at the
// normal end.
TCountResult RunCountTest(int channel, uint16_t out, const TCountReport& report = {},
                          const TCancel& cancel = {});

struct TCountRequest {
  int pair = 1;                   // item of ComboBox12
  std::optional<int> normal;      // CheckBox3 ticked: item of ComboBox13
  std::optional<int> additional;  // CheckBox4 ticked: item of ComboBox14
};

struct TCountRun {
  bool moduleAnswered = false;
  std::optional<TCountResult> normal;
  std::optional<TCountResult> additional;
  bool cancelled = false;  // cancel was asked for before the end (a test not begun stays empty)
  bool Passed() const;
};

// The core of Button17Click after the six labels were set to "-": when the firmware is
// connected and answers, Timer1 off, the normal wiring on the pair's low word, the
// additional wiring on its high word, Timer1 on.
TCountRun RunCountTests(const TCountRequest& request, bool firmwareConnected,
                        const TTimerSwitch& timer1 = {}, const TCountReport& report = {},
                        const TCancel& cancel = {});

std::optional<int> FindSensorChannel(std::string_view text);

}  // namespace karvelm
