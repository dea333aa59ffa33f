#include "link/parallel_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "app/progress.h"
#include "link/link_settings.h"
#include "link/port_names.h"

namespace varnalux {

namespace {

int64_t g_testBoundMs = 0;

// One poll wait at most this long, so the window can repaint meanwhile.
constexpr int PollSliceMs = 100;
// A port whose poll says "ready" but whose write still refuses (a parallel
// port driver without poll support) is asked again after this pause.
constexpr int BusyPauseMs = 5;

int64_t MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? left.count() : 0;
}

}  // namespace

int64_t ParallelWriteBound(uint32_t length) {
  if (g_testBoundMs > 0) return g_testBoundMs;
  int64_t kilobytes = (static_cast<int64_t>(length) + 1023) / 1024;
  return ParallelWriteBaseMs + ParallelWritePerKbMs * kilobytes;
}

void SetParallelWriteBoundForTests(int64_t ms) { g_testBoundMs = ms > 0 ? ms : 0; }

int ParallelOpen(const char* deviceName) {
  if (deviceName == nullptr || deviceName[0] == '\0') return -1;
  // The name field may lack its NUL: never read past it.
  char name[ParallelNameSize + 1] = {};
  for (int i = 0; i < ParallelNameSize && deviceName[i] != '\0'; ++i) name[i] = deviceName[i];
  std::string device = ResolvePortDevice(name);
  if (device.empty()) return -1;
  // Existing device only (no O_CREAT); non-blocking so that every wait of the
  // write is a bounded poll.
  int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  // Not shared: a second user of the port is refused.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  // A port mapped to a terminal (a serial adapter, a pseudo-terminal) would
  // otherwise rewrite line ends and swallow control bytes.
  termios t{};
  if (isatty(fd) && tcgetattr(fd, &t) == 0) {
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  return fd;
}

void ParallelClose(int fd) {
  if (fd >= 0) close(fd);
}

bool ParallelWrite(int fd, const uint8_t* data, uint32_t length) {
  if (fd < 0) return false;
  if (length == 0) return true;
  if (data == nullptr) return false;
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(ParallelWriteBound(length));
  uint32_t written = 0;
  bool lastPollReady = false;
  while (written < length) {
    ssize_t n = write(fd, data + written, length - written);
    if (n > 0) {
      written += static_cast<uint32_t>(n);
      lastPollReady = false;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    // The port takes nothing now: wait for it, within the bound.
    int64_t left = MillisecondsLeft(deadline);
    if (left <= 0) return false;
    if (lastPollReady) {
      std::this_thread::sleep_for(std::chrono::milliseconds(BusyPauseMs));
      left = MillisecondsLeft(deadline);
      if (left <= 0) return false;
    }
    pollfd p{fd, POLLOUT, 0};
    int r = poll(&p, 1, static_cast<int>(left < PollSliceMs ? left : PollSliceMs));
    if (r < 0 && errno != EINTR) return false;
    if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
    lastPollReady = r > 0;
    ProcessPendingMessages();
  }
  return true;
}

}  // namespace varnalux
