#include "diag/sensor_count.h"

namespace karvelm {

namespace {

constexpr int kDigits = 7;

unsigned Field(uint32_t value, int digit) {
  return (value >> (4 * digit)) & 0xF;
}

}  // namespace

int BcdToInt(uint32_t value) {
  int result = 0;
  for (int digit = kDigits - 1; digit >= 0; --digit)
    result = result * 10 + static_cast<int>(Field(value, digit));
  return result;
}

std::string FormatSensorCount(uint32_t value) {
  std::string text;
  for (int digit = kDigits - 1; digit >= 0; --digit) {
    text += std::to_string(Field(value, digit));
    if (digit == 3) text += '.';
  }
  return text;
}

uint32_t SensorChannelValue(const uint16_t* words, int channel) {
  return static_cast<uint32_t>(words[2 * channel + 1]) << 16 | words[2 * channel];
}

}  // namespace karvelm
