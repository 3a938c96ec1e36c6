// The module's 7-bit Cyrillic code (KOI-7 N2, Ъ moved to 0x17) for the configuration name,
// and the Windows-1251 text form the name has on this side.
#pragma once

#include <cstdint>
#include <string>

#include "config/config_image.h"

namespace karvelm {

// One Windows-1251 byte to the stored code, and back. Bytes without a mapping pass through.
uint8_t ToKoi7(uint8_t cp1251);
uint8_t FromKoi7(uint8_t stored);

// The name from byte ConfigNameOffset of the settings block up to its 0 byte, decoded to
// Windows-1251; at most kConfigNameMaxLength characters are read.
std::string GetConfigName(const TConfigImage& image);
// Stores a Windows-1251 name (already upper case) with its 0 byte; longer names are cut to
// kConfigNameMaxLength characters.
void SetConfigName(TConfigImage& image, const std::string& cp1251);

// Text conversions for the name's Windows-1251 form. Characters without a Windows-1251
// code become '?'; the unassigned byte 0x98 and malformed UTF-8 become U+FFFD / '?'.
std::string Cp1251ToUtf8(const std::string& cp1251);
std::string Utf8ToCp1251(const std::string& utf8);

}  // namespace karvelm
