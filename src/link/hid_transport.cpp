#include "link/hid_transport.h"

namespace karvelm {

namespace {

// Stands in until the HID backend exists: no device is ever found.
class TAbsentHidTransport final : public TLinkTransport {
 public:
  bool Connected() const override { return false; }
  bool Write(const uint8_t*, int) override { return false; }
  bool Read(uint8_t*, int, int, int*) override { return false; }
};

}  // namespace

std::unique_ptr<TLinkTransport> MakeHidTransport(TIntfType, uint16_t, uint16_t) {
  return std::make_unique<TAbsentHidTransport>();
}

}  // namespace karvelm
