// The record stream of configuration files and module writes: one run-length coded,
// CRC-protected record per frame. A file holds both sections and an end record; a module
// write sends one section.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/byte_stream.h"
#include "config/config_image.h"

namespace karvelm {

// Record types.
constexpr uint8_t RecAddress = 2;   // current address for the following data record
constexpr uint8_t RecData = 3;      // data for the current address
constexpr uint8_t RecChunkEnd = 4;  // ends the chunk
constexpr uint8_t RecEnd = 7;       // end of the file
constexpr uint8_t RecSection = 15;  // starts the section of one stored configuration

constexpr size_t kRecordHeaderSize = 6;   // type, 24-bit address, 16-bit length
constexpr size_t kRecordChunkSize = 512;  // data bytes per chunk
constexpr size_t kMaxFrameLength = 1024;  // bytes after the length field
constexpr size_t kMinFrameLength = 3;
constexpr size_t kMaxDecodedRecord = 1024;

// The section record's address: 0x010100 for configuration index 0, 0x010200 for 1.
constexpr uint32_t SectionAddress(int configIndex) {
  return 0x010000u | static_cast<uint32_t>(configIndex + 1) << 8;
}

// Frames one record: header, payload (data records only, length bytes of data) and the list
// terminator, run-length coded, with its length field and CRC. False when the sink failed.
bool WriteRecord(uint8_t type, uint32_t address, uint16_t length, const uint8_t* data,
                 TByteSink& stream);
// Address, data and chunk-end records for each 512-byte chunk of the block.
bool WriteBlock(uint32_t address, size_t size, const uint8_t* data, TByteSink& stream);
// Seals the settings block of the image, then writes the section of configuration
// configIndex: section record, settings, set-points, memory image. CommonBlock never leaves.
bool WriteConfigSection(TConfigImage& image, int configIndex, TByteSink& stream);
bool WriteEndRecord(TByteSink& stream);

// Both sections and the end record: the content of a configuration file.
bool WriteConfigFile(TConfigImage& image, TByteSink& stream);

}  // namespace karvelm
