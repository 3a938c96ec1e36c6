#include "link/framing.h"

#include <gtest/gtest.h>

namespace karvelm {
namespace {

TEST(PacketChecksum, WorkedValues) {
  EXPECT_EQ(PacketChecksum(nullptr, 0), 0u);
  const uint8_t abc[] = {0x61, 0x62, 0x63};
  EXPECT_EQ(PacketChecksum(abc, 3), 0x2ABu);
}

}  // namespace
}  // namespace karvelm
