// Parallel link: write only, the whole buffer in one bounded write.
#pragma once

#include <cstdint>

namespace varnalux {

// Opens the port named by the parallel device name ("LPT1".."LPT4" or a
// device path) exclusively; returns the descriptor or -1.
int ParallelOpen(const char* deviceName);
void ParallelClose(int fd);
// True when the whole buffer was taken by the port within the bound.
bool ParallelWrite(int fd, const uint8_t* data, uint32_t length);

}  // namespace varnalux
