#include "link/parallel_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "base/deadline.h"
#include "link/link_settings.h"
#include "link/port_names.h"

namespace varnalux {

namespace {

// One poll wait at most this long, so the window can repaint meanwhile.
constexpr milliseconds PollSlice{100};
// A port whose poll says "ready" but whose write still refuses (a parallel
// port driver without poll support) is asked again after this pause.
constexpr milliseconds BusyPause{5};
// A terminal's output queue has no event for "empty": it is looked at this often.
constexpr milliseconds QueuePollSlice{2};

// A port mapped to a terminal (a serial adapter, a pseudo-terminal) would
// rewrite line ends and swallow control bytes: it is in raw mode while this
// object lives, and gets its own settings back afterwards, so that the device
// is left as it was found.
class RawTerminal {
 public:
  explicit RawTerminal(int fd) : fd_(fd) {
    if (!isatty(fd) || tcgetattr(fd, &saved_) != 0) return;
    termios raw = saved_;
    cfmakeraw(&raw);
    active_ = tcsetattr(fd, TCSANOW, &raw) == 0;
  }
  ~RawTerminal() { Restore(Deadline(milliseconds(0))); }
  RawTerminal(const RawTerminal&) = delete;
  RawTerminal& operator=(const RawTerminal&) = delete;

  // The settings apply to bytes still in the terminal's queue as well, so
  // they are given back once the queue is empty. What has not left by the
  // deadline is dropped, and the result is false. progress (when given)
  // handles the window's messages meanwhile.
  bool Restore(const Deadline& deadline, LinkProgress* progress = nullptr) {
    if (!active_) return true;
    active_ = false;
    bool left = true;
    for (int queued = 0; ioctl(fd_, TIOCOUTQ, &queued) == 0 && queued > 0;) {
      if (deadline.Passed()) {
        left = false;
        (void)tcflush(fd_, TCOFLUSH);
        break;
      }
      std::this_thread::sleep_for(std::min(QueuePollSlice, deadline.Left()));
      if (progress != nullptr) progress->PumpMessages();
    }
    (void)tcsetattr(fd_, TCSANOW, &saved_);
    return left;
  }

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

}  // namespace

milliseconds ParallelWriteBound(uint32_t length, const ParallelTimeouts& timeouts) {
  int64_t kilobytes = (static_cast<int64_t>(length) + 1023) / 1024;
  return timeouts.writeBase + timeouts.writePerKiB * kilobytes;
}

int ParallelOpen(const char* deviceName, OpenFailure* why) {
  OpenFailure ignored;
  OpenFailure& failure = why != nullptr ? *why : ignored;
  failure = OpenFailure::NotSet;
  if (deviceName == nullptr || deviceName[0] == '\0') return -1;
  // The name field may lack its NUL: never read past it.
  char name[ParallelNameSize + 1] = {};
  for (int i = 0; i < ParallelNameSize && deviceName[i] != '\0'; ++i) name[i] = deviceName[i];
  std::string device = ResolvePortDevice(name);
  failure = OpenFailure::Missing;
  if (device.empty()) return -1;
  // A port is a character device. Anything else is refused before it is
  // opened: a FIFO would block or swallow the job, a file be overwritten.
  struct stat st{};
  if (stat(device.c_str(), &st) != 0) {
    failure = OpenFailureFromErrno(errno);
    return -1;
  }
  if (!S_ISCHR(st.st_mode)) {
    failure = OpenFailure::NotADevice;
    return -1;
  }
  // Write only: the port never reads. Existing device only (no O_CREAT);
  // non-blocking so that every wait of the write is a bounded poll.
  int fd = open(device.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    failure = OpenFailureFromErrno(errno);
    return -1;
  }
  // The name might have been swapped for something else since the check.
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
    failure = OpenFailure::NotADevice;
    close(fd);
    return -1;
  }
  // Not shared: a second user of the port is refused.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    failure = OpenFailure::Busy;
    close(fd);
    return -1;
  }
  failure = OpenFailure::None;
  return fd;
}

void ParallelClose(int fd) {
  if (fd >= 0) close(fd);
}

bool ParallelWrite(int fd, const uint8_t* data, uint32_t length, const ParallelTimeouts& timeouts,
                   LinkProgress* progress) {
  if (fd < 0) return false;
  if (length == 0) return true;
  if (data == nullptr) return false;
  Deadline deadline(ParallelWriteBound(length, timeouts));
  RawTerminal raw(fd);
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
    if (deadline.Passed()) return false;
    if (lastPollReady) {
      std::this_thread::sleep_for(BusyPause);
      if (deadline.Passed()) return false;
    }
    pollfd p{fd, POLLOUT, 0};
    int r = poll(&p, 1, deadline.LeftMs(PollSlice));
    if (r < 0 && errno != EINTR) return false;
    if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
    lastPollReady = r > 0;
    if (progress != nullptr) progress->PumpMessages();
  }
  return raw.Restore(deadline, progress);
}

// The row the facade picks for this link: adapters from the facade's
// calls to the ones above.
namespace {

LinkHandle ParallelOpenLink(const LinkSettings& s, OpenFailure& why) {
  if (s.parallelDeviceName == nullptr) {
    why = OpenFailure::NotSet;
    return InvalidLink;
  }
  int fd = ParallelOpen(s.parallelDeviceName, &why);
  return fd < 0 ? InvalidLink : fd;
}
bool ParallelCloseLink(LinkHandle handle, const LinkSettings&, CloseMode, LinkProgress*) {
  ParallelClose(static_cast<int>(handle));
  return true;  // the write returns only once the port took every byte
}
bool ParallelWriteAll(LinkHandle handle, const uint8_t* at, uint32_t n, bool, const LinkSettings& s,
                      LinkProgress* progress) {
  return ParallelWrite(static_cast<int>(handle), at, n, s.timeouts.parallel, progress);
}
bool NeverReads(LinkHandle, uint8_t&, const LinkSettings&, LinkProgress*) { return false; }

}  // namespace

const LinkDriver ParallelDriver = {ParallelOpenLink, ParallelCloseLink, ParallelWriteAll, NeverReads, nullptr, 0, false};

}  // namespace varnalux
