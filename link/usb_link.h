// USB printer link: the first present device of the configured vendor.
#pragma once

#include <cstdint>

#include "link/receive_ring.h"

namespace varnalux {

// Opens the printer; returns a handle (>= 0) or -1.
intptr_t UsbOpen();
void UsbClose(intptr_t handle);
// Returns the count written, or 0 when the chunk (at most 64 bytes) was not
// written completely within its bound.
uint32_t UsbWriteChunk(intptr_t handle, const uint8_t* data, uint32_t count);
bool UsbReadByte(intptr_t handle, uint8_t& out);
ReceiveRing& UsbRing();

}  // namespace varnalux
