// Read-back check after a configuration write: the stored configuration is read again and
// compared with what was sent, byte by byte, so that a module that acknowledged every piece
// but stored something else is not taken for a good write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/config_transfer.h"

namespace karvelm {

enum TCheckedBlock : uint8_t {
  cbNone,
  cbSettings,   // the settings block, the configuration name included
  cbSetPoints,  // the set-point block
  cbPage,       // one ROM page
};

struct TWriteCheck {
  bool readOk = false;  // everything written was read back
  std::string unread;   // what could not be read back, when !readOk
  // The first difference, when the read-back differs.
  TCheckedBlock block = cbNone;
  int page = 0;
  size_t offset = 0;
  uint8_t sent = 0;
  uint8_t stored = 0;

  bool ok() const { return readOk && block == cbNone; }
};

// The first byte where stored differs from sent: settings block, set-point block, then the
// pages in order. The common block is not part of a write and is not compared.
TWriteCheck CompareWritten(const TConfigImage& sent, const TConfigImage& stored);

// Reads configuration configIndex back from the bootloader and compares it with sent (the
// image as written: its settings block sealed by the write). progress and bytes follow the
// read as in ReadConfiguration.
TWriteCheck CheckWrittenConfiguration(const TConfigImage& sent, int configIndex,
                                      const TConfigProgress& progress = {},
                                      const TByteProgress& bytes = {});

// "Проверка записи не пройдена: страница 5, смещение 0x0123: записано 0x12, считано 0xED".
std::string WriteCheckFailureText(const TWriteCheck& check);

}  // namespace karvelm
