#include "diag/loopback_test.h"

#include <algorithm>

#include "diag/diag_records.h"

namespace karvelm {

namespace {

template <size_t N>
std::optional<int> FindText(const std::array<const char*, N>& texts, std::string_view text) {
  for (size_t i = 0; i < N; ++i)
    if (text == texts[i]) return static_cast<int>(i);
  return std::nullopt;
}

bool ReadInput(uint16_t input, uint16_t& word) {
  return ReadBusWords(input, 1, &word);
}

// The three steps of one bit; a failed read fails its step.
bool TestBit(uint16_t input, uint16_t output, int bit) {
  const uint16_t mask = static_cast<uint16_t>(1u << bit);
  uint16_t word = 0;
  WriteBusWord(output, 0);
  DiagWait(kLoopbackStepWaitMs);
  if (!ReadInput(input, word) || word != 0xFFFF) return false;

  WriteBusWord(output, mask);
  DiagWait(kLoopbackStepWaitMs);
  if (!ReadInput(input, word) || static_cast<uint16_t>(~word) != mask) return false;

  WriteBusLong(output, ~static_cast<uint32_t>(mask));
  DiagWait(kLoopbackStepWaitMs);
  return ReadInput(input, word) && word == mask;
}

std::optional<TLoopbackWord> RunChosen(std::optional<int> item, uint16_t output,
                                       const TLoopbackReport& report, const TCancel& cancel) {
  if (!item || *item < 0 || *item >= kBoardInputWords || Cancelled(cancel)) return std::nullopt;
  return RunLoopbackTest(static_cast<uint16_t>(kBoardInputBase + 2 * *item), output, report,
                         cancel);
}

}  // namespace

bool TLoopbackWord::Passed() const {
  return std::all_of(bits.begin(), bits.end(), [](bool passed) { return passed; });
}

TLoopbackWord RunLoopbackTest(uint16_t input, uint16_t output, const TLoopbackReport& report,
                              const TCancel& cancel) {
  TLoopbackWord result;
  result.input = input;
  result.output = output;
  for (int bit = 0; bit < kLoopbackBits; ++bit) {
    if (Cancelled(cancel)) {
      result.cancelled = true;
      break;
    }
    const bool passed = TestBit(input, output, bit);
    result.bits[static_cast<size_t>(bit)] = passed;
    if (report) report(result.Row(), bit, passed);
  }
  WriteBusWord(output, 0);
  return result;
}

bool TLoopbackRun::Passed() const {
  if (!moduleAnswered) return false;
  return (!low || low->Passed()) && (!high || high->Passed());
}

TLoopbackRun RunLoopback(const TLoopbackRequest& request, bool firmwareConnected,
                         const TTimerSwitch& timer1, const TLoopbackReport& report,
                         const TCancel& cancel) {
  TLoopbackRun run;
  if (!firmwareConnected || !FirmwareAnswers()) return run;
  run.moduleAnswered = true;
  if (timer1) timer1(false);
  if (request.pair >= 0 && request.pair < static_cast<int>(kOutputPairTexts.size())) {
    const uint16_t lowOutput = static_cast<uint16_t>(kBoardOutputBase + 4 * request.pair);
    run.low = RunChosen(request.lowInput, lowOutput, report, cancel);
    run.high = RunChosen(request.highInput, static_cast<uint16_t>(lowOutput + 2), report, cancel);
  }
  run.cancelled =
      (run.low && run.low->cancelled) || (run.high && run.high->cancelled) || Cancelled(cancel);
  if (timer1) timer1(true);
  return run;
}

std::optional<int> FindOutputPair(std::string_view text) {
  return FindText(kOutputPairTexts, text);
}

std::optional<int> FindInputWord(std::string_view text) {
  return FindText(kInputWordTexts, text);
}

}  // namespace karvelm
