#include "diag/dac_page.h"

#include "base/octal_text.h"
#include "diag/ext_module_query.h"
#include "link/transactions.h"

namespace karvelm {

namespace {

bool ValidChannel(int channel) {
  return channel >= 0 && channel < kDacRegisterWords;
}

constexpr uint8_t kNotServed = 0xFF;

}  // namespace

TDacStep DacStepOfCaption(std::string_view caption) {
  if (caption == kStepUpCaption) return dsUp;
  if (caption == kStepZeroCaption) return dsZero;
  return dsDown;
}

std::string DacChannelCaption(int channel) {
  return "Канал " + std::to_string(channel + 1);
}

bool ReadDacState(TDiagRecords& records) {
  const bool registers = ReadBusWords(kDacBase, kDacRegisterWords, records.DacRegs.data());
  const bool corrections = GetDacCorrection(records.DacCorrections);
  if (!corrections && IsLegacyLink()) records.DacCorrections.fill(0);
  return registers && corrections;
}

std::array<bool, kDacRegisterWords> ServedDacChannels(const TDiagRecords& records) {
  std::array<bool, kDacRegisterWords> served{};
  const TExtModuleType* type = FindExtModuleType(kDacModuleType);
  for (int index = 0; index < type->instances; ++index) {
    const ExtModuleInfo& slot = records.extModules[static_cast<size_t>(type->firstSlot + index)];
    if (slot.NetAddress == 0) continue;
    for (size_t i = 0; i < served.size(); ++i)
      if (slot.RegisterMap[i] != kNotServed) served[i] = true;
  }
  return served;
}

TDacPage::TDacPage(TDiagRecords& records) : FRecords(records) {
  FRegisterTexts.fill("0");
  FCorrectionTexts.fill(kCorrectionInitialText);
}

void TDacPage::Show() {
  for (size_t i = 0; i < FRegisterTexts.size(); ++i)
    FRegisterTexts[i] = WordToOctal(FRecords.DacRegs[i]);
  const std::array<bool, kDacRegisterWords> served = ServedDacChannels(FRecords);
  for (size_t i = 0; i < served.size(); ++i)
    if (served[i]) FCorrectionTexts[i] = std::to_string(FRecords.DacCorrections[i]);
}

void TDacPage::Enter(bool firmwareConnected) {
  FCorrectionTexts.fill(kCorrectionUnknown);
  if (!firmwareConnected || !FirmwareAnswers()) return;
  const TExtModuleType* type = FindExtModuleType(kDacModuleType);
  for (int index = 0; index < type->instances; ++index)
    QueryExtModule(kDacModuleType, static_cast<uint32_t>(index),
                   FRecords.extModules[static_cast<size_t>(type->firstSlot + index)]);
}

const std::string& TDacPage::RegisterText(int channel) const {
  return FRegisterTexts.at(static_cast<size_t>(channel));
}

const std::string& TDacPage::CorrectionText(int channel) const {
  return FCorrectionTexts.at(static_cast<size_t>(channel));
}

bool TDacPage::DACChange(int tag, std::string_view text) {
  if (!ValidChannel(tag)) return false;
  const std::optional<uint16_t> value = TryOctalToWord(text);
  if (!value) return false;
  temp_dac_data[static_cast<size_t>(tag)] = *value;
  return true;
}

bool TDacPage::DACClick(int tag, bool firmwareConnected) {
  if (!ValidChannel(tag) || !firmwareConnected || !FirmwareAnswers()) return false;
  return WriteBusWord(static_cast<uint16_t>(kDacBase + 2 * tag),
                      temp_dac_data[static_cast<size_t>(tag)]);
}

uint16_t TDacPage::AcceptedValue(int tag) const {
  return ValidChannel(tag) ? temp_dac_data[static_cast<size_t>(tag)] : 0;
}

bool TDacPage::CorrectionStep(int channel, TDacStep step, bool firmwareConnected,
                              const TTimerSwitch& timer1) {
  FLastTransferOk = false;
  if (!ValidChannel(channel) || !firmwareConnected || !FirmwareAnswers()) return false;
  if (timer1) timer1(false);
  int32_t& value = FRecords.DacCorrections[static_cast<size_t>(channel)];
  // Wrapping, as the module's 32-bit field would.
  const uint32_t bits = static_cast<uint32_t>(value);
  if (step == dsUp)
    value = static_cast<int32_t>(bits + 1);
  else if (step == dsDown)
    value = static_cast<int32_t>(bits - 1);
  else
    value = 0;
  FLastTransferOk = WriteDacCorrections(FRecords.DacCorrections);
  if (timer1) timer1(true);
  return true;
}

bool TDacPage::Store(bool firmwareConnected, const TTimerSwitch& timer1) {
  FLastTransferOk = false;
  if (!firmwareConnected || !FirmwareAnswers()) return false;
  if (timer1) timer1(false);
  FLastTransferOk = SaveDacCorrection();
  if (timer1) timer1(true);
  return true;
}

}  // namespace karvelm
