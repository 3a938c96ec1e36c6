// The position counters' form: seven BCD digits in bits 0..27 of a channel's 32-bit value,
// status in bits 28..31.
#pragma once

#include <cstdint>
#include <string>

namespace karvelm {

constexpr int kSensorCountModulus = 10000000;  // seven digits
constexpr const char* kSensorCountInitialText = "0000.000";

// The seven digits as an integer, most significant (bits 24..27) first; a field above 9
// counts with its value. Bits 28..31 are ignored.
int BcdToInt(uint32_t value);

// The digits of bits 24..12, a point, the digits of bits 8..0; each field printed in decimal,
// so one above 9 takes two characters.
std::string FormatSensorCount(uint32_t value);

// The 32-bit value of channel k (0..7) from the sixteen sensor words: high word at 2k+1.
uint32_t SensorChannelValue(const uint16_t* words, int channel);

}  // namespace karvelm
