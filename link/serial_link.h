// Serial link on POSIX termios: settings applied at every open, 64-byte chunk
// writes bounded by 10 ms per byte plus 5 s, byte reads with six attempts.
#pragma once

#include <termios.h>

#include <cstdint>

#include "link/link_settings.h"
#include "link/receive_ring.h"

namespace varnalux {

inline constexpr int SerialWritePerByteMs = 10;
inline constexpr int SerialWriteConstantMs = 5000;
inline constexpr int SerialReadAttempts = 6;
inline constexpr int SerialReadPauseMs = 200;

// The line settings the link applies, derived from the record's indexes and
// laid over the terminal's current settings (everything else is kept).
termios BuildSerialTermios(const termios& current, const SerialSettings& settings);
speed_t SerialBaudRate(int32_t baudIndex);

// Opens the port named by settings.portName (a COM name or a device path),
// applies the settings, purges both queues, raises DTR and RTS. Returns the
// file descriptor or -1.
int OpenSerialPort(const SerialSettings& settings);
// Applies the settings to an open port; the outcome is not reported.
void ApplySerialSettings(int fd, const SerialSettings& settings);
// Drops what the printer sent before the operation (the input queue).
void PurgeSerialPort(int fd);
void CloseSerialPort(int fd);
// Writes one chunk; returns the count written, or 0 when the chunk was not
// written completely within its bound.
uint32_t SerialWriteChunk(int fd, const uint8_t* data, uint32_t count);
bool SerialReadByte(int fd, uint8_t& out);
ReceiveRing& SerialRing();

}  // namespace varnalux
