// Arbitrary bytes as the module's answers: replies and data packets on every link kind,
// through the receive operations and the transactions that use them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "link/ext_intf.h"
#include "link/transactions.h"

namespace {

using namespace karvelm;

// Replays the fuzz input as a sequence of reports: each begins with a length byte pair.
class TFuzzTransport final : public TLinkTransport {
 public:
  TFuzzTransport(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Connected() const override { return true; }
  bool Write(const uint8_t*, int) override { return true; }
  bool Read(uint8_t* report, int size, int, int* received) override {
    if (pos_ + 2 > size_) return false;
    size_t length = data_[pos_] | data_[pos_ + 1] << 8;
    pos_ += 2;
    length = std::min({length, size_ - pos_, static_cast<size_t>(size)});
    std::memcpy(report, data_ + pos_, length);
    pos_ += length;
    if (received) *received = static_cast<int>(length);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const TIntfType kind = static_cast<TIntfType>(data[0] % 3);
  const uint8_t operation = data[1] % 5;
  OpenLink(std::make_unique<TExtIntf>(kind, std::make_unique<TFuzzTransport>(data + 2, size - 2)));
  SequenceNumber = 0;
  uint8_t destination[2048];
  uint32_t seq = 0;
  switch (operation) {
    case 0:
      while (ReceiveReply(destination, 1024, 0, seq)) {
      }
      break;
    case 1:
      while (ReceiveDataPacket(destination, 1052, 0, seq)) {
      }
      break;
    case 2:
      Transact(0x02, nullptr, 0, destination, 4, 0);
      break;
    case 3:
      ReadData(0x0C, nullptr, 0, destination, sizeof destination, 0);
      break;
    default:
      CheckModule(LOADER_ID, 0);
      WriteData(destination, 64, 0);
      break;
  }
  CloseLink();
  return 0;
}
