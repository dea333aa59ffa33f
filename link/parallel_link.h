// Parallel link: write only, the whole buffer in one bounded write.
#pragma once

#include <cstdint>

#include "link/link_driver.h"
#include "link/link_progress.h"
#include "link/link_timeouts.h"
#include "link/open_failure.h"

namespace varnalux {

// The link's row for the facade.
extern const LinkDriver ParallelDriver;

// Opens the port named by the parallel device name ("LPT1".."LPT4" or a
// device path) for writing, exclusively (a second user of the port is
// refused); returns the descriptor, or -1 with the reason in why (when
// given). Only a character device is a port: a file or a FIFO is refused
// untouched.
int ParallelOpen(const char* deviceName, OpenFailure* why = nullptr);
void ParallelClose(int fd);
// True when the whole buffer was taken by the port within ParallelWriteBound.
// A port that stops taking data ends the write with false after the bound.
// A terminal device is in raw mode during the write, so that the bytes pass
// unchanged, and gets its own settings back once they have left it.
// progress (when given) may handle the window's messages while it waits.
bool ParallelWrite(int fd, const uint8_t* data, uint32_t length,
                   const ParallelTimeouts& timeouts = ParallelTimeouts{},
                   LinkProgress* progress = nullptr);

// The base bound plus the per-KiB bound for each started KiB.
milliseconds ParallelWriteBound(uint32_t length,
                                const ParallelTimeouts& timeouts = ParallelTimeouts{});

}  // namespace varnalux
