#include "sim/pty_transport.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <vector>

namespace varnalux::sim {

namespace {
constexpr int LateBytesMs = 10;

class PtySink : public AnswerSink {
 public:
  explicit PtySink(int fd) : fd_(fd) {}
  bool Write(const uint8_t* data, size_t count) override {
    return WriteFully(fd_, data, count, AnswerWriteTimeoutMs, false);
  }

 private:
  int fd_;
};

bool IsOurLink(const std::string& link, const std::string& target) {
  char buffer[512];
  ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
  if (n < 0) return false;
  buffer[n] = '\0';
  return target == buffer;
}
}  // namespace

PtyTransport::PtyTransport(PrinterCore& core) : core_(core) {}

PtyTransport::~PtyTransport() { Stop(); }

std::string PtyTransport::Start(const std::string& linkPath) {
  if (master_ >= 0 || !wake_.Open()) return {};
  int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {};
  char name[256] = {};
  if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
    close(fd);
    return {};
  }
  // Raw: no echo, no line editing, no CR/LF translation on either side.
  termios t{};
  if (tcgetattr(fd, &t) == 0) {
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
  }
  SetNonBlocking(fd);
  // Our own slave end, opened before the watch so that it is not counted.
  int own = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (own < 0) {
    close(fd);
    return {};
  }
  master_ = fd;
  ownSlave_ = own;
  slavePath_ = name;
  sink_ = std::make_unique<PtySink>(master_);
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ >= 0 && inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE) < 0) {
    close(watch_);
    watch_ = -1;
  }
  openCount_ = 0;
  dropped_ = false;
  stopping_ = false;
  wake_.Clear();
  thread_ = std::thread([this] { Run(); });
  if (!linkPath.empty()) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) unlink(linkPath.c_str());
    if (symlink(slavePath_.c_str(), linkPath.c_str()) == 0) linkPath_ = linkPath;
  }
  return slavePath_;
}

void PtyTransport::Stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    wake_.Wake();
    thread_.join();
  }
  if (!linkPath_.empty() && IsOurLink(linkPath_, slavePath_)) unlink(linkPath_.c_str());
  linkPath_.clear();
  for (int* fd : {&watch_, &ownSlave_, &master_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
  sink_.reset();
}

void PtyTransport::Run() {
  while (!stopping_) {
    pollfd p[3] = {{master_, POLLIN, 0}, {watch_, POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
    int r = poll(p, 3, 1000);
    if (r < 0 && errno != EINTR) break;
    if (stopping_ || (p[2].revents & POLLIN) != 0) break;
    // Opens and closes first: an open starts the connection the bytes
    // after it belong to, and a close drains what came before it.
    if ((p[1].revents & POLLIN) != 0) TakeEvents();
    if ((p[0].revents & POLLIN) != 0) Drain(0);
  }
  EndConnection(true);
}

bool PtyTransport::EventsPending() const {
  if (watch_ < 0) return false;
  pollfd p{watch_, POLLIN, 0};
  return poll(&p, 1, 0) > 0;
}

// Bytes are counted first and the slave's events checked after: when no
// open is pending then, the bytes counted were written before any new open
// and belong to the current connection. Pending events are handled first.
void PtyTransport::Drain(int waitMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  uint8_t buffer[4096];
  for (;;) {
    int available = 0;
    if (ioctl(master_, FIONREAD, &available) != 0) available = 0;
    if (EventsPending()) return;
    if (available > 0) {
      size_t want = static_cast<size_t>(available) < sizeof buffer ? static_cast<size_t>(available)
                                                                   : sizeof buffer;
      ssize_t n = read(master_, buffer, want);
      if (n > 0) TakeBytes(buffer, static_cast<size_t>(n));
      if (n > 0 || (n < 0 && errno == EINTR)) continue;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    // Waiting for late bytes ends as soon as the slave is opened again.
    pollfd p[2] = {{master_, POLLIN, 0}, {watch_, POLLIN, 0}};
    if (poll(p, 2, static_cast<int>(left.count())) <= 0) return;
  }
}

void PtyTransport::TakeBytes(const uint8_t* data, size_t count) {
  if (dropped_) return;
  if (!session_) session_ = std::make_unique<Session>(core_);
  if (!session_->Incoming(data, count, *sink_)) {
    // A pseudo-terminal cannot be closed from this end: the rest of this
    // connection is ignored instead.
    session_->Finish();
    session_.reset();
    dropped_ = true;
  }
}

// A connection ends at the slave's last close. The session (and with it a
// partly received line) survives it, unless the connection was dropped by a
// fault or the transport stops.
void PtyTransport::EndConnection(bool stopping) {
  if (session_ && (stopping || dropped_)) {
    session_->Finish();
    session_.reset();
  }
  dropped_ = false;
}

void PtyTransport::TakeEvents() {
  alignas(inotify_event) char buffer[4096];
  ssize_t n = read(watch_, buffer, sizeof buffer);
  if (n <= 0) return;
  std::vector<uint32_t> masks;
  for (char* at = buffer; at + sizeof(inotify_event) <= buffer + n;) {
    auto* event = reinterpret_cast<inotify_event*>(at);
    masks.push_back(event->mask);
    at += sizeof(inotify_event) + event->len;
  }
  for (size_t i = 0; i < masks.size(); ++i) {
    if ((masks[i] & IN_OPEN) != 0) {
      // A fresh open after the last close starts a new connection. The byte
      // stream itself goes on: a serial line has no connections, and the
      // tail of a command written just before the close may arrive only
      // after the next open (a line is never cut at the boundary).
      if (openCount_ == 0) EndConnection(false);
      ++openCount_;
    }
    if ((masks[i] & IN_CLOSE) != 0 && openCount_ > 0 && --openCount_ == 0) {
      // Bytes written just before the close may still be on their way,
      // unless the slave was opened again already.
      bool reopened = false;
      for (size_t k = i + 1; k < masks.size(); ++k) reopened |= (masks[k] & IN_OPEN) != 0;
      if (!reopened) Drain(LateBytesMs);
      EndConnection(false);
    }
  }
}

}  // namespace varnalux::sim
