// A printer link for the fuzz targets: reads deliver the bytes given to
// SetLinkInput, one by one, then fail as a read time-out does; writes are
// counted and dropped.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnalux::fuzz {

void SetLinkInput(const uint8_t* data, size_t size);
// Bytes of the input not read yet.
size_t LinkInputLeft();
size_t LinkBytesWritten();
// Links open now (each open adds one, each close takes one away).
int LinksOpen();

}  // namespace varnalux::fuzz
