#include "config/koi7.h"

#include <algorithm>

#include "config/config_fields.h"

namespace karvelm {
namespace {

// Stored codes of the Windows-1251 capitals А..Я (0xC0..0xDF).
constexpr uint8_t kCapitalCodes[32] = {
    0x61, 0x62, 0x77, 0x67, 0x64, 0x65, 0x76, 0x7A, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70,
    0x72, 0x73, 0x74, 0x75, 0x66, 0x68, 0x63, 0x7E, 0x7B, 0x7D, 0x17, 0x79, 0x78, 0x7C, 0x60, 0x71,
};

// Unicode code points of Windows-1251 bytes 0x80..0xFF. The unassigned 0x98 stands for
// U+0098, so that a stored name with that byte survives being shown and entered again.
constexpr uint16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char ToCp1251(uint32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  for (int i = 0; i < 128; ++i) {
    if (kCp1251High[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

uint8_t ToKoi7(uint8_t cp1251) {
  if (cp1251 >= 0xC0 && cp1251 <= 0xDF) return kCapitalCodes[cp1251 - 0xC0];
  if (cp1251 == 0x93) return 0x1B;
  if (cp1251 == 0x94) return 0x1C;
  return cp1251;
}

uint8_t FromKoi7(uint8_t stored) {
  if (stored == 0x1B) return 0x93;
  if (stored == 0x1C) return 0x94;
  if (stored == 0x7F) return 0x7C;  // the old code of Ъ shows as "|"
  for (int i = 0; i < 32; ++i) {
    if (kCapitalCodes[i] == stored) return static_cast<uint8_t>(0xC0 + i);
  }
  return stored;
}

std::string GetConfigName(const TConfigImage& image) {
  std::string name;
  for (int i = 0; i < kConfigNameMaxLength; ++i) {
    const uint8_t stored = image.SettingsBlock[ConfigNameOffset + i];
    if (stored == 0) break;
    name += static_cast<char>(FromKoi7(stored));
  }
  return name;
}

void SetConfigName(TConfigImage& image, const std::string& cp1251) {
  const size_t length = std::min<size_t>(cp1251.size(), kConfigNameMaxLength);
  for (size_t i = 0; i < length; ++i) {
    image.SettingsBlock[ConfigNameOffset + i] = ToKoi7(static_cast<uint8_t>(cp1251[i]));
  }
  image.SettingsBlock[ConfigNameOffset + length] = 0;
}

std::string Cp1251ToUtf8(const std::string& cp1251) {
  std::string out;
  for (char c : cp1251) {
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      AppendUtf8(out, kCp1251High[byte - 0x80]);
    }
  }
  return out;
}

std::string Utf8ToCp1251(const std::string& utf8) {
  std::string out;
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i]);
    size_t extra = 0;
    uint32_t cp = lead;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07;
    } else if (lead >= 0x80) {
      extra = n;  // a stray continuation byte or an invalid lead
    }
    bool ok = i + extra < n;
    for (size_t k = 1; ok && k <= extra; ++k) {
      const uint8_t next = static_cast<uint8_t>(utf8[i + k]);
      ok = (next & 0xC0) == 0x80;
      cp = cp << 6 | (next & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += ToCp1251(cp);
    i += extra + 1;
  }
  return out;
}

}  // namespace karvelm
