#include "link/receive_ring.h"

namespace varnalux {

void ReceiveRing::Reset() {
  writeIndex = 0;
  readIndex = 0;
  unread = 0;
}

uint32_t ReceiveRing::Append(const uint8_t* data, uint32_t count) {
  uint32_t stored = 0;
  while (stored < count && unread < Slots) {
    bytes[writeIndex] = data[stored++];
    writeIndex = (writeIndex + 1) % Slots;
    ++unread;
  }
  return stored;
}

bool ReceiveRing::Take(uint8_t& out) {
  if (unread == 0) return false;
  out = bytes[readIndex];
  readIndex = (readIndex + 1) % Slots;
  --unread;
  return true;
}

}  // namespace varnalux
