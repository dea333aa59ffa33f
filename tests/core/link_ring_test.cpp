#include <gtest/gtest.h>

#include "link/receive_ring.h"

namespace varnalux {
namespace {

TEST(ReceiveRing, WrapsAfterLastSlotAndNeverOverwritesUnread) {
  static ReceiveRing ring;
  ring.Reset();
  // Move both indexes close to the end, then write across the wrap.
  std::vector<uint8_t> fill(ReceiveRing::Slots - 3, 0xAA);
  ASSERT_EQ(ring.Append(fill.data(), static_cast<uint32_t>(fill.size())), fill.size());
  uint8_t b;
  for (size_t i = 0; i < fill.size(); ++i) ASSERT_TRUE(ring.Take(b));
  const uint8_t data[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(ring.Append(data, 6), 6u);
  EXPECT_EQ(ring.writeIndex, 3u);
  for (uint8_t want : data) {
    ASSERT_TRUE(ring.Take(b));
    EXPECT_EQ(b, want);
  }
  EXPECT_FALSE(ring.Take(b));
  // A full ring refuses more bytes instead of overwriting.
  std::vector<uint8_t> all(ReceiveRing::Slots + 10, 1);
  EXPECT_EQ(ring.Append(all.data(), static_cast<uint32_t>(all.size())), ReceiveRing::Slots);
}

}  // namespace
}  // namespace varnalux
