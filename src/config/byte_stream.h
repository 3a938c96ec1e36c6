// Sequential byte sinks and sources: the record stream is written to files and to the
// memory buffer of a module write by the same code, and read from files or memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace karvelm {

class TByteSink {
 public:
  virtual ~TByteSink() = default;
  // Appends size bytes; false when they could not all be stored.
  virtual bool Put(const uint8_t* data, size_t size) = 0;
};

class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Reads up to size bytes and returns how many arrived; fewer means the end was reached
  // or the source failed (see Failed).
  virtual size_t Get(uint8_t* data, size_t size) = 0;
  // True after a read error (as opposed to the plain end of the data).
  virtual bool Failed() const { return false; }
};

class TMemorySink final : public TByteSink {
 public:
  bool Put(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    return true;
  }
  std::vector<uint8_t> bytes;
};

class TMemorySource final : public TByteSource {
 public:
  explicit TMemorySource(std::span<const uint8_t> bytes) : FBytes(bytes) {}
  size_t Get(uint8_t* data, size_t size) override;

 private:
  std::span<const uint8_t> FBytes;
  size_t FPosition = 0;
};

}  // namespace karvelm
