// TCP link to the printer's raw port: one connection per operation.
#pragma once

#include <cstdint>

#include "base/codes.h"
#include "base/deadline.h"
#include "link/link_driver.h"
#include "link/link_progress.h"
#include "link/link_settings.h"
#include "link/link_timeouts.h"
#include "link/open_failure.h"
#include "link/receive_ring.h"

struct addrinfo;

namespace varnalux {

// Resolves host (an address or a name) for a stream connection within the
// deadline; null when it does not resolve in time. The caller frees the
// list with freeaddrinfo. A lookup that cannot be cancelled once its time is
// up is left to finish on its own (its few bytes are not reclaimed).
addrinfo* ResolveTcpHost(const char* host, const char* service, const Deadline& deadline);

// The link's row for the facade.
extern const LinkDriver TcpDriver;

inline constexpr uint32_t TcpRefillSize = 4096;

// Connects to the target; false when the host is empty, does not resolve, or
// no connection is made within the connect bound. The host may be a name,
// a dotted IPv4 address or an IPv6 address, with or without brackets and
// with a zone ("fe80::1%eth0"). why (when given) tells what went wrong.
bool TcpOpen(const TcpTarget& target, const TcpTimeouts& timeouts = TcpTimeouts{},
             OpenFailure* why = nullptr);
// Lets what was written leave, then closes: unread input is dropped, and the
// close waits as long as the printer keeps acknowledging bytes, then shuts
// the sending side down. False when written bytes were not acknowledged: none
// for the no-progress bound, or the connection broke first. A reset after
// every byte was acknowledged is no failure. CloseMode::Abort (after a failed
// write) resets the connection at once. progress, when given, handles the
// window's messages during every wait and hears what the close waits for.
bool TcpClose(const TcpTimeouts& timeouts = TcpTimeouts{}, CloseMode mode = CloseMode::Drain,
              LinkProgress* progress = nullptr);
bool TcpIsOpen();
// Bytes written on the open connection that the printer has not yet
// acknowledged (queued or in flight); 0 without a connection, UINT64_MAX
// when the system cannot say.
uint64_t TcpUnacknowledged();
// Writes the whole chunk; false on a socket error or when the socket takes
// nothing for writeRetries waits in a row. more: another chunk follows at
// once, so the system may hold this one back to fill a segment.
bool TcpWriteChunk(const uint8_t* data, uint32_t count, bool more = false,
                   const TcpTimeouts& timeouts = TcpTimeouts{});
// One refill attempt: waits up to the data wait, reads up to 4096 bytes.
// progress, when given, handles the window's messages while it waits.
bool TcpReadByte(uint8_t& out, const TcpTimeouts& timeouts = TcpTimeouts{},
                 LinkProgress* progress = nullptr);
// The TCP ring, reset by every open.
ReceiveRing& TcpRing();

}  // namespace varnalux
