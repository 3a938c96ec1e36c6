// The loop-back test of the input/output boards: each output line fed back, inverted,
// through a harness into the input line of the same bit.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "diag/bus_access.h"

namespace karvelm {

constexpr int kLoopbackBits = 16;
constexpr int kLoopbackStepWaitMs = 100;

// Choices of the test group: output pairs (ComboBox9) and input words (ComboBox10, 11).
inline constexpr std::array<const char*, 3> kOutputPairTexts = {"167624-167626", "167630-167632",
                                                                "167634-167636"};
constexpr int kOutputPairDefault = 1;
inline constexpr std::array<const char*, 10> kInputWordTexts = {
    "167602", "167604", "167606", "167610", "167612",
    "167614", "167616", "167620", "167622", "167624"};

// The result rows: the high word of a pair (bit 1 of its address set) reports in the high row.
enum TLoopbackRow : int {
  lrLow = 0,
  lrHigh = 1,
};

// Called as soon as a bit is decided, so the page can paint its circle at once.
using TLoopbackReport = std::function<void(TLoopbackRow row, int bit, bool passed)>;

struct TLoopbackWord {
  uint16_t input = 0;
  uint16_t output = 0;
  std::array<bool, kLoopbackBits> bits{};  // index = bit number; true: passed
  bool cancelled = false;                  // stopped early; the bits after it untested
  TLoopbackRow Row() const { return (output & 2) ? lrHigh : lrLow; }
  bool Passed() const;
};

// RunLoopbackTest: for each bit three writes of the output word (0, the bit alone, all but
// the bit), each followed by a 100 ms wait and a read of the input word; finally 0 is
// written to the output, also when cancel stops the test before a bit.
TLoopbackWord RunLoopbackTest(uint16_t input, uint16_t output, const TLoopbackReport& report = {},
                              const TCancel& cancel = {});

// The settings of the test group as item indexes.
struct TLoopbackRequest {
  int pair = kOutputPairDefault;
  std::optional<int> lowInput;   // CheckBox1 ticked: the item of ComboBox10
  std::optional<int> highInput;  // CheckBox2 ticked: the item of ComboBox11
};

struct TLoopbackRun {
  bool moduleAnswered = false;
  std::optional<TLoopbackWord> low;
  std::optional<TLoopbackWord> high;
  bool cancelled = false;  // cancel was asked for before the end (a word not begun stays empty)
  // Every tested bit passed (and the module answered).
  bool Passed() const;
};

// The core of Button1Click after the circles are whitened: when the firmware is connected and
// answers, Timer1 off, the low word and then the high word as ticked, Timer1 on. Indexes
// outside the lists test nothing. Once cancelled, the next word is not begun.
TLoopbackRun RunLoopback(const TLoopbackRequest& request, bool firmwareConnected,
                         const TTimerSwitch& timer1 = {}, const TLoopbackReport& report = {},
                         const TCancel& cancel = {});

// The item index of a list text, for callers that take the texts (the CLI).
std::optional<int> FindOutputPair(std::string_view text);
std::optional<int> FindInputWord(std::string_view text);

}  // namespace karvelm
