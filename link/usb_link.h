// USB printer link: the first present device of the configured vendor, on
// libusb-1.0. Writes go to the printer interface's bulk OUT endpoint in
// chunks of at most 64 bytes; answers come from its bulk IN endpoint through
// the USB receive ring.
//
// The module owns the one libusb context of the run (created at first use)
// and the state of the one open device; the handle given to the facade is a
// cookie (>= 0) naming that open, not an operating system handle.
#pragma once

#include <cstdint>

#include "link/link_driver.h"
#include "link/link_timeouts.h"
#include "link/open_failure.h"
#include "link/receive_ring.h"

struct libusb_context;

namespace varnalux {

// The link's row for the facade.
extern const LinkDriver UsbDriver;

// Opens the printer; returns a handle (>= 0), or -1 with the reason in why.
intptr_t UsbOpen(OpenFailure& why);
// Releases the interface, gives a detached kernel driver its interface back
// and closes the device. A handle that is not the open one is ignored.
void UsbClose(intptr_t handle);
// Returns the count written, or 0 when the chunk (at most 64 bytes) was not
// written completely within the write bound (per byte plus base).
uint32_t UsbWriteChunk(intptr_t handle, const uint8_t* data, uint32_t count,
                       const UsbTimeouts& timeouts = UsbTimeouts{});
// One byte from the ring; an empty ring is refilled by one bulk read of up to
// a packet, waiting at most the read time-out.
bool UsbReadByte(intptr_t handle, uint8_t& out, const UsbTimeouts& timeouts = UsbTimeouts{});
ReceiveRing& UsbRing();

// What to tell the user whose system refused access to a present printer.
const char* UsbAccessHint();

// The module's libusb context, created on first use; null when libusb cannot
// be initialised on this system.
libusb_context* UsbContext();
// Closes an open device and ends the libusb context; the next use creates a
// new one. Runs at program exit; tests call it between emulated set-ups.
void UsbShutdown();

}  // namespace varnalux
