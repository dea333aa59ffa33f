#include "link/parallel_link.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

#include "link/port_names.h"

namespace varnalux {

int ParallelOpen(const char* deviceName) {
  std::string device = ResolvePortDevice(deviceName);
  if (device.empty()) return -1;
  int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  // Not shared: a second user of the port is refused.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

void ParallelClose(int fd) {
  if (fd >= 0) close(fd);
}

bool ParallelWrite(int fd, const uint8_t* data, uint32_t length) {
  uint32_t written = 0;
  while (written < length) {
    ssize_t n = write(fd, data + written, length - written);
    if (n <= 0) return false;
    written += static_cast<uint32_t>(n);
  }
  return true;
}

}  // namespace varnalux
