// Parallel link: write only, the whole buffer in one bounded write.
#pragma once

#include <cstdint>

namespace varnalux {

// Opens the port named by the parallel device name ("LPT1".."LPT4" or a
// device path) for reading and writing, exclusively (a second user of the
// port is refused); returns the descriptor or -1. A terminal device is put
// into raw mode so that the bytes pass unchanged.
int ParallelOpen(const char* deviceName);
void ParallelClose(int fd);
// True when the whole buffer was taken by the port within ParallelWriteBound.
// A port that stops taking data ends the write with false after the bound.
bool ParallelWrite(int fd, const uint8_t* data, uint32_t length);

// 30 s plus 10 ms per started KB.
inline constexpr int64_t ParallelWriteBaseMs = 30000;
inline constexpr int64_t ParallelWritePerKbMs = 10;
int64_t ParallelWriteBound(uint32_t length);
// Makes every later write use ms as its bound (0 restores the default).
void SetParallelWriteBoundForTests(int64_t ms);

}  // namespace varnalux
