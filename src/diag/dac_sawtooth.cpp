#include "diag/dac_sawtooth.h"

#include "diag/bus_access.h"
#include "diag/diag_records.h"

namespace karvelm {

void TSawtoothGenerator::Advance() {
  test_dac_data = static_cast<uint16_t>(test_dac_data + kSawtoothStep);
  if (test_dac_data >= kSawtoothLimit) {
    test_dac_data = 0;
    test_dac_sign ^= kSawtoothSignBit;
  }
}

bool TSawtoothTest::Start(int channel, bool firmwareConnected) {
  if (!firmwareConnected || channel < 0 || channel >= kDacRegisterWords) return false;
  FChannel = channel;
  if (!FirmwareAnswers()) return false;
  FGenerator.Restart();
  FRunning = true;
  return true;
}

bool TSawtoothTest::Tick() {
  if (!FRunning) return false;
  const bool written =
      WriteBusWord(static_cast<uint16_t>(kDacBase + 2 * FChannel), FGenerator.Sample());
  FGenerator.Advance();
  return written;
}

}  // namespace karvelm
