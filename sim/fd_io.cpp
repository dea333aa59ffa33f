#include "sim/fd_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
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
  if (fd_ < 0) fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return fd_ >= 0;
}

WakePipe::~WakePipe() {
  if (fd_ >= 0) close(fd_);
}

void WakePipe::Wake() {
  if (fd_ < 0) return;
  uint64_t one = 1;
  ssize_t n = write(fd_, &one, sizeof one);
  (void)n;  // a counter at its limit is already awake
}

void WakePipe::Clear() {
  uint64_t count = 0;
  if (fd_ >= 0) {
    ssize_t n = read(fd_, &count, sizeof count);
    (void)n;  // nothing to take back when it is not readable
  }
}

bool WakePipe::WaitMs(int ms) const {
  pollfd p{fd_, POLLIN, 0};
  int r = poll(&p, 1, ms);
  return r > 0 && (p.revents & POLLIN) != 0;
}

bool SetNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace varnalux::sim
