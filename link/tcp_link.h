// TCP link to the printer's raw port: one connection per operation.
#pragma once

#include <cstdint>

#include "link/link_settings.h"
#include "link/receive_ring.h"

namespace varnalux {

// Bounds of the TCP link, in milliseconds.
inline constexpr int TcpConnectTimeoutMs = 5000;  // whole connect, all addresses
inline constexpr int TcpWriteTimeoutMs = 3000;    // one wait for the socket to take data
inline constexpr int TcpWriteRetries = 3;         // waits that may pass with no progress
inline constexpr int TcpDataWaitMs = 1000;        // wait for incoming data per refill
inline constexpr uint32_t TcpRefillSize = 4096;

// Connects to the target; false when the host is empty, does not resolve, or
// no connection is made within TcpConnectTimeoutMs.
bool TcpOpen(const TcpTarget& target);
void TcpClose();
bool TcpIsOpen();
// Writes the whole chunk; false on a socket error or when the socket takes
// nothing for TcpWriteRetries waits of TcpWriteTimeoutMs in a row.
bool TcpWriteChunk(const uint8_t* data, uint32_t count);
// One refill attempt: waits up to TcpDataWaitMs, reads up to 4096 bytes.
bool TcpReadByte(uint8_t& out);
// The TCP ring, reset by every open.
ReceiveRing& TcpRing();

}  // namespace varnalux
