// The one door between printer operations and the four physical links.
// Every operation opens a link, writes, reads byte by byte and closes it,
// through a LinkSession (link_session.h), which looks up its kind's driver
// row once and calls the functions below on it.
#pragma once

#include <cstdint>

#include "base/codes.h"
#include "link/link_driver.h"
#include "link/open_failure.h"

namespace varnalux {

// The size of a whole write that is not known (standard input).
inline constexpr uint64_t UnknownWholeSize = UINT64_MAX;

// How far a write has got: the bytes of its whole handed to the link, and
// the size of the whole (UnknownWholeSize when not known).
struct WriteShare {
  uint64_t handed = 0;
  uint64_t whole = 0;
};

// Where one buffer stands in a longer write made of several, such as a file
// sent piece by piece as it is read: the bytes of the whole written before
// it, the size of the whole (UnknownWholeSize when it is not known, as for
// standard input) and whether another piece follows at once. A buffer
// written on its own is its whole: {0, length, false}.
struct WritePlace {
  uint64_t before = 0;
  uint64_t whole = 0;
  bool moreFollows = false;
};

// The driver row of a kind, looked up once per operation (a LinkSession
// holds it); null for a kind outside 0..3. A null row opens nothing, writes
// and reads nothing, and closes as drained. progress is the window that
// follows the operation (the session's observer); null for none.
const LinkDriver* DriverFor(InterfaceKind kind);

// InvalidLink when the open failed; LastOpenFailure() then says why.
LinkHandle OpenLinkOn(const LinkDriver* driver, InterfaceKind kind);
// Why the latest open failed (None after one that succeeded).
OpenFailure LastOpenFailure();
// The same as a sentence for the line below "Port Open Error"; empty when
// the latest open succeeded.
const char* LastOpenFailureText();

// False when bytes written during the open did not leave the computer
// before the link's closing bound (they may be lost). Drain waits for them
// while the link's progress allows, handling the window's messages; Abort
// (after a failed write) drops them at once. lastWrite (when given) is the
// write the window follows: while the close waits, the window hears how much
// of it the printer has taken.
bool CloseLinkOn(const LinkDriver* driver, LinkHandle handle, CloseMode mode,
                 LinkProgress* progress, const WriteShare* lastWrite = nullptr);

// True when every byte was accepted by the link. Ticks the progress window
// (kind 0 once, kind 1 after each chunk) and lets the user interface process
// its pending messages between chunks. The kind-1 ticks give the share of
// the whole the printer has taken so far: the bytes handed over less those
// the link still holds (for TCP, those not yet acknowledged); none when the
// whole's size is unknown (the byte count is told either way). USB and
// parallel writes, and serial chunks, return only once the device took their
// bytes. The last chunk is marked as having more behind it when another
// piece follows; the final look of a link that gives one comes only after
// the piece that completes the whole.
bool WriteLinkOn(const LinkDriver* driver, LinkHandle handle, const void* buffer, uint32_t length,
                 const WritePlace& place, LinkProgress* progress);

// True when one byte was delivered; false after the link's read time-out.
// While the TCP and serial links wait for the printer, the user interface
// processes its pending messages (through progress), as between the chunks
// of a write.
bool ReadLinkByteOn(const LinkDriver* driver, LinkHandle handle, uint8_t& out,
                    LinkProgress* progress);

}  // namespace varnalux
