#include "diag/sensor_page.h"

#include "base/octal_text.h"
#include "diag/loopback_test.h"
#include "diag/sensor_count.h"

namespace karvelm {

namespace {

constexpr int kQuadratureWaitMs = 1;
using TSensorWords = std::array<uint16_t, kSensorWords>;

uint32_t Value(const TSensorWords& words, int channel) {
  return SensorChannelValue(words.data(), channel);
}

// A failed read leaves the array as it was.
void ReadAll(TSensorWords& words) {
  ReadBusWords(kSensorBase, kSensorWords, words.data());
}

// The first other channel whose value changed, or none.
std::optional<int> OtherChannelCounted(const TSensorWords& before, const TSensorWords& after,
                                       int channel) {
  for (int j = 0; j < kSensorChannels; ++j)
    if (j != channel && Value(before, j) != Value(after, j)) return j;
  return std::nullopt;
}

int Forward(int from, int to) {
  int d = to - from;
  if (d < 0) d += kSensorCountModulus;
  return d;
}

}  // namespace

bool ReadSensorCounters(TDiagRecords& records) {
  return ReadBusWords(kSensorBase, kSensorWords, records.SensorRegs.data());
}

std::string TSensorPage::CountText(int channel) const {
  return FormatSensorCount(ChannelValue(channel));
}

uint32_t TSensorPage::ChannelValue(int channel) const {
  if (channel < 0 || channel >= kSensorChannels) return 0;
  return SensorChannelValue(FRecords.SensorRegs.data(), channel);
}

bool DriveQuadrature(uint16_t out, int cycles, const TCancel& cancel) {
  static constexpr uint16_t kForward[] = {kQuadratureA, kQuadratureA | kQuadratureB, kQuadratureB,
                                          0};
  static constexpr uint16_t kBackward[] = {kQuadratureB, kQuadratureA | kQuadratureB, kQuadratureA,
                                           0};
  const uint16_t* phases = cycles > 0 ? kForward : kBackward;
  const int count = cycles < 0 ? -cycles : cycles;
  for (int cycle = 0; cycle < count; ++cycle) {
    if (Cancelled(cancel)) return false;
    for (int phase = 0; phase < 4; ++phase) {
      WriteBusWord(out, phases[phase]);
      DiagWait(kQuadratureWaitMs);
    }
  }
  return true;
}

bool TCountResult::Passed() const {
  for (const std::string& text : texts)
    if (text != kCountOk) return false;
  return true;
}

TCountResult RunCountTest(int channel, uint16_t out, const TCountReport& report,
                          const TCancel& cancel) {
  TCountResult result;
  result.channel = channel;
  result.output = out;
  const uint16_t lo = static_cast<uint16_t>(kSensorBase + 4 * channel);
  const uint16_t hi = static_cast<uint16_t>(lo + 2);
  const int lowWord = 2 * channel;

  // Sets the step's label; false when the step failed.
  auto decide = [&](TCountStep step, const TSensorWords& before, const TSensorWords& after, bool ok,
                    const char* failure) {
    std::string& text = result.texts[static_cast<size_t>(step)];
    if (const std::optional<int> other = OtherChannelCounted(before, after, channel)) {
      text = kCountOnPrefix + WordToOctal(static_cast<uint16_t>(kSensorBase + 4 * *other));
      ok = false;
    } else {
      text = ok ? kCountOk : failure;
    }
    if (report) report(result.Wiring(), step, text);
    return ok;
  };

  // The outputs as the normal end leaves them.
  auto stop = [&] {
    WriteBusWord(out, 0);
    WriteBusWord(hi, 0);
    result.cancelled = true;
    return result;
  };

  TSensorWords before{};
  TSensorWords after{};

  WriteBusWord(out, 0);
  DiagWait(10);
  WriteBusWord(hi, 0);
  DiagWait(20);
  ReadAll(before);

  if (!DriveQuadrature(out, kCountUpCycles, cancel)) return stop();
  DiagWait(20);
  ReadAll(after);
  const int up = Forward(BcdToInt(Value(before, channel)), BcdToInt(Value(after, channel)));
  before[lowWord] = after[lowWord];
  before[lowWord + 1] = after[lowWord + 1];
  if (!decide(ctUp, before, after, up == 4 * kCountUpCycles, kCountError)) return result;

  if (!DriveQuadrature(out, -kCountDownCycles, cancel)) return stop();
  DiagWait(20);
  ReadAll(after);
  const int down = Forward(BcdToInt(Value(after, channel)), BcdToInt(Value(before, channel)));
  const bool downOk = decide(ctDown, before, after, down == 4 * kCountDownCycles, kCountError);
  before = after;
  if (!downOk) return result;

  if (Cancelled(cancel)) return stop();
  WriteBusWord(hi, kZeroMarkEnable);
  DiagWait(20);
  WriteBusWord(out, kZeroMarkPulse);
  DiagWait(5);
  WriteBusWord(out, 0);
  DiagWait(20);
  ReadAll(after);
  decide(ctZeroMark, before, after, Value(after, channel) == kZeroMarkValue, kZeroMarkError);
  WriteBusWord(hi, 0);
  return result;
}

bool TCountRun::Passed() const {
  if (!moduleAnswered) return false;
  return (!normal || normal->Passed()) && (!additional || additional->Passed());
}

TCountRun RunCountTests(const TCountRequest& request, bool firmwareConnected,
                        const TTimerSwitch& timer1, const TCountReport& report,
                        const TCancel& cancel) {
  TCountRun run;
  if (!firmwareConnected || !FirmwareAnswers()) return run;
  run.moduleAnswered = true;
  if (timer1) timer1(false);
  if (request.pair >= 0 && request.pair < static_cast<int>(kOutputPairTexts.size())) {
    const uint16_t lowOutput = static_cast<uint16_t>(kBoardOutputBase + 4 * request.pair);
    auto valid = [](std::optional<int> item) {
      return item && *item >= 0 && *item < kSensorChannels;
    };
    if (valid(request.normal) && !Cancelled(cancel))
      run.normal = RunCountTest(*request.normal, lowOutput, report, cancel);
    if (valid(request.additional) && !Cancelled(cancel))
      run.additional =
          RunCountTest(*request.additional, static_cast<uint16_t>(lowOutput + 2), report, cancel);
  }
  run.cancelled = (run.normal && run.normal->cancelled) ||
                  (run.additional && run.additional->cancelled) || Cancelled(cancel);
  if (timer1) timer1(true);
  return run;
}

std::optional<int> FindSensorChannel(std::string_view text) {
  for (size_t i = 0; i < kSensorChannelTexts.size(); ++i)
    if (text == kSensorChannelTexts[i]) return static_cast<int>(i);
  return std::nullopt;
}

}  // namespace karvelm
