#include "link/usb_link.h"

// The USB link is not built yet: every open fails, so operations on USB
// report "Port Open Error".
namespace varnalux {

namespace {
ReceiveRing g_usbRing;
}

intptr_t UsbOpen() { return -1; }
void UsbClose(intptr_t) {}
uint32_t UsbWriteChunk(intptr_t, const uint8_t*, uint32_t) { return 0; }
bool UsbReadByte(intptr_t, uint8_t& out) { return g_usbRing.Take(out); }
ReceiveRing& UsbRing() { return g_usbRing; }

}  // namespace varnalux
