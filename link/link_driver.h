// What the facade needs of one physical link: its row of functions. Each
// link's own file defines its row; the facade picks the row by kind.
#pragma once

#include <cstdint>

#include "base/codes.h"
#include "link/link_progress.h"
#include "link/open_failure.h"

namespace varnalux {

struct LinkSettings;

// For USB, COM and LPT an operating system handle; for TCP the constant 1.
using LinkHandle = intptr_t;
inline constexpr LinkHandle InvalidLink = -1;

// Chunk sizes of the links' writes.
inline constexpr uint32_t UsbSerialChunk = 64;
inline constexpr uint32_t TcpChunk = 1024;

// Every function gets the run's settings; those that may wait get the
// operation's progress (may be null), whose window they keep handling.
struct LinkDriver {
  LinkHandle (*open)(const LinkSettings&, OpenFailure&);
  // False when written bytes did not leave before the close's bound. The
  // progress (may be null) handles the window during the close's waits.
  bool (*close)(LinkHandle, const LinkSettings&, CloseMode, LinkProgress*);
  // Writes one whole chunk; more tells that another chunk of the same write
  // follows at once.
  bool (*writeChunk)(LinkHandle, const uint8_t*, uint32_t, bool more, const LinkSettings&,
                     LinkProgress*);
  bool (*readByte)(LinkHandle, uint8_t&, const LinkSettings&, LinkProgress*);
  // Bytes written that the printer has not taken yet (UINT64_MAX: the
  // system cannot say); null for a link whose writes return only once the
  // device took their bytes.
  uint64_t (*held)(LinkHandle);
  uint32_t chunkSize;  // 0: the whole buffer in one call
  bool finalLook;      // one more look at what the printer took after the last chunk
};

}  // namespace varnalux
