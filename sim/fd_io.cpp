#include "sim/fd_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace varnalux::sim {

bool WriteFully(int fd, const uint8_t* data, size_t count, int timeoutMs, bool socket) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t done = 0;
  while (done < count) {
    ssize_t n = socket ? send(fd, data + done, count - done, MSG_NOSIGNAL)
                       : write(fd, data + done, count - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLOUT, 0};
    int r = poll(&p, 1, static_cast<int>(left.count()));
    if (r < 0 && errno != EINTR) return false;
    if (r > 0 && (p.revents & (POLLERR | POLLNVAL)) != 0) return false;
  }
  return true;
}

bool WakePipe::Open() {
  if (fds_[0] >= 0) return true;
  if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
  return fds_[0] >= 0;
}

WakePipe::~WakePipe() {
  for (int fd : fds_)
    if (fd >= 0) close(fd);
}

void WakePipe::Wake() {
  if (fds_[1] < 0) return;
  uint8_t byte = 1;
  ssize_t n = write(fds_[1], &byte, 1);
  (void)n;  // a full pipe is already awake
}

void WakePipe::Clear() {
  uint8_t buffer[64];
  while (fds_[0] >= 0 && read(fds_[0], buffer, sizeof buffer) > 0) {
  }
}

bool WakePipe::WaitMs(int ms) const {
  pollfd p{fds_[0], POLLIN, 0};
  int r = poll(&p, 1, ms);
  return r > 0 && (p.revents & POLLIN) != 0;
}

bool SetNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace varnalux::sim
