#include "config/config_records.h"

#include <algorithm>
#include <array>

#include "config/frame_crc.h"
#include "config/rle.h"

namespace karvelm {

bool WriteRecord(uint8_t type, uint32_t address, uint16_t length, const uint8_t* data,
                 TByteSink& stream) {
  std::array<uint8_t, kMaxDecodedRecord> record{};
  size_t size = 0;
  record[size++] = type;
  record[size++] = static_cast<uint8_t>(address >> 16);
  record[size++] = static_cast<uint8_t>(address >> 8);
  record[size++] = static_cast<uint8_t>(address);
  record[size++] = static_cast<uint8_t>(length >> 8);
  record[size++] = static_cast<uint8_t>(length);
  if (type == RecData) {
    // Larger payloads never occur: the writer's chunks are 512 bytes.
    if (length > kMaxDecodedRecord - kRecordHeaderSize - 1) return false;
    std::copy_n(data, length, record.begin() + size);
    size += length;
  }
  record[size++] = 0;

  const std::vector<uint8_t> encoded = RleEncode(record.data(), size);
  const uint16_t frameLength = static_cast<uint16_t>(encoded.size() + 2);
  const uint16_t crc = FrameCrc(encoded.data(), encoded.size());
  const uint8_t head[2] = {static_cast<uint8_t>(frameLength >> 8),
                           static_cast<uint8_t>(frameLength)};
  const uint8_t tail[2] = {static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
  return stream.Put(head, 2) && stream.Put(encoded.data(), encoded.size()) && stream.Put(tail, 2);
}

bool WriteBlock(uint32_t address, size_t size, const uint8_t* data, TByteSink& stream) {
  for (size_t offset = 0; offset < size; offset += kRecordChunkSize) {
    const uint32_t chunkAddress = address + static_cast<uint32_t>(offset);
    const uint16_t n = static_cast<uint16_t>(std::min(kRecordChunkSize, size - offset));
    if (!WriteRecord(RecAddress, chunkAddress, kRecordChunkSize, nullptr, stream) ||
        !WriteRecord(RecData, 0, n, data + offset, stream) ||
        !WriteRecord(RecChunkEnd, chunkAddress, n, nullptr, stream)) {
      return false;
    }
  }
  return true;
}

bool WriteConfigSection(TConfigImage& image, int configIndex, TByteSink& stream) {
  if (!WriteRecord(RecSection, SectionAddress(configIndex), 0, nullptr, stream)) return false;
  SealSettingsBlock(image);
  return WriteBlock(kSettingsAddress[configIndex], kSettingsBlockSize, image.SettingsBlock.data(),
                    stream) &&
         WriteBlock(kSetPointAddress[configIndex], kSetPointBlockSize, image.SetPointBlock.data(),
                    stream) &&
         WriteBlock(kMemoryImageAddress[configIndex], kMemoryImageSize, image.MemoryImage.data(),
                    stream);
}

bool WriteEndRecord(TByteSink& stream) {
  return WriteRecord(RecEnd, 0, 0, nullptr, stream);
}

bool WriteConfigFile(TConfigImage& image, TByteSink& stream) {
  return WriteConfigSection(image, 0, stream) && WriteConfigSection(image, 1, stream) &&
         WriteEndRecord(stream);
}

}  // namespace karvelm
