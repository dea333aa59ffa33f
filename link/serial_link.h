// Serial link on POSIX termios: settings applied at every open, 64-byte chunk
// writes that count only once the bytes have left (bounded by 10 ms per byte
// plus 5 s), byte reads with six attempts. The bounds are SerialTimeouts.
#pragma once

#include <termios.h>

#include <cstdint>

#include "base/codes.h"
#include "link/link_driver.h"
#include "link/link_progress.h"
#include "link/link_settings.h"
#include "link/link_timeouts.h"
#include "link/open_failure.h"
#include "link/receive_ring.h"

namespace varnalux {

// The link's row for the facade.
extern const LinkDriver SerialDriver;

// The line settings the link applies, derived from the record's indexes and
// laid over the terminal's current settings (everything else is kept).
termios BuildSerialTermios(const termios& current, const SerialSettings& settings);
speed_t SerialBaudRate(int32_t baudIndex);

// Opens the port named by settings.portName (a COM name or a device path),
// applies the settings, purges both queues, raises DTR and RTS. Returns the
// file descriptor, or -1 with the reason in why (when given).
int OpenSerialPort(const SerialSettings& settings, OpenFailure* why = nullptr);
// Applies the settings to an open port; the outcome is not reported.
void ApplySerialSettings(int fd, const SerialSettings& settings);
// Drops what the printer sent before the operation (the input queue).
void PurgeSerialPort(int fd);
// Closes the port. Every chunk has left by then; anything a caller queued
// by other means and still held back by flow control is dropped, and the
// result is false then. Drain first gives it the write bound to leave (the
// window handled meanwhile through progress, when given); Abort, after a
// failed write, drops it at once.
bool CloseSerialPort(int fd, const SerialTimeouts& timeouts = SerialTimeouts{},
                     CloseMode mode = CloseMode::Drain, LinkProgress* progress = nullptr);
// Writes one chunk and waits until it has left the driver's queue; returns
// the count, or 0 when the chunk did not leave within its bound (flow
// control that never releases, a line that went away).
uint32_t SerialWriteChunk(int fd, const uint8_t* data, uint32_t count,
                          const SerialTimeouts& timeouts = SerialTimeouts{});
// progress, when given, handles the window's messages while it waits.
bool SerialReadByte(int fd, uint8_t& out, const SerialTimeouts& timeouts = SerialTimeouts{},
                    LinkProgress* progress = nullptr);
// Bytes written that are still in the driver's output queue (not yet on the
// line); UINT64_MAX when the driver cannot say.
uint64_t SerialUnsent(int fd);
ReceiveRing& SerialRing();

}  // namespace varnalux
