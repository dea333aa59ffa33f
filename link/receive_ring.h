// A receive ring of 65,536 bytes for one link. Bytes a link receives are
// appended at the write index; readers take them one by one from the read
// index. A link refills it only when it is empty, so nothing unread is lost.
#pragma once

#include <cstdint>

namespace varnalux {

struct ReceiveRing {
  static constexpr uint32_t Slots = 65536;
  uint8_t bytes[Slots];
  uint32_t writeIndex = 0;
  uint32_t readIndex = 0;
  uint32_t unread = 0;

  void Reset();
  bool Empty() const { return unread == 0; }
  // Appends at most the free space; returns how many bytes were stored.
  uint32_t Append(const uint8_t* data, uint32_t count);
  // Takes the next byte; false when the ring is empty.
  bool Take(uint8_t& out);
};

}  // namespace varnalux
