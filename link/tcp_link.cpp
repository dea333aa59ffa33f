#include "link/tcp_link.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "base/deadline.h"
#include "link/close_wait.h"

namespace varnalux {

namespace {
// The connection of the operation now running on this thread; -1 when
// none. One per thread, as the link settings are: a tool serving several
// printers at once runs each printer's operations on a thread of its own.
thread_local int g_socket = -1;
// Bytes the system took for the connection now open.
thread_local uint64_t g_written = 0;
thread_local ReceiveRing g_tcpRing;

// How often a wait with no event to wake it looks again.
constexpr milliseconds PollSlice{5};
// Refills of unread input dropped in one go while closing.
constexpr int DiscardBurst = 64;

// Waits for one poll event until the deadline; retries when a signal
// interrupts the wait. Returns the events, 0 at the deadline, -1 on error.
int PollUntil(int fd, short events, const Deadline& deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, deadline.LeftMs());
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return r;
    return p.revents;
  }
}

// Non-blocking connect to one address, bounded by the deadline.
int ConnectOne(const addrinfo* ai, const Deadline& deadline, OpenFailure& why) {
  int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
  if (fd < 0) {
    why = OpenFailureFromErrno(errno);
    return -1;
  }
  if (connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) return fd;
  if (errno != EINPROGRESS) {
    why = OpenFailureFromErrno(errno);
    close(fd);
    return -1;
  }
  int revents = PollUntil(fd, POLLOUT, deadline);
  int soError = 0;
  socklen_t len = sizeof soError;
  if (revents == 0) {
    why = OpenFailure::TimedOut;
  } else if (revents < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) {
    why = OpenFailure::Other;
  } else if (soError != 0) {
    why = OpenFailureFromErrno(soError);
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

// One name lookup in progress: the request and what it points at must stay
// valid until the lookup has finished, so they live on the heap.
struct Lookup {
  gaicb request{};
  addrinfo hints{};
  std::string host;
  std::string service;
};

// Resolves host (an address or a name) within the deadline; null when it
// does not resolve in time. A lookup that cannot be cancelled once its time
// is up is left to finish on its own (its few bytes are not reclaimed).
addrinfo* Resolve(const char* host, const char* service, const Deadline& deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* list = nullptr;
  if (getaddrinfo(host, service, &hints, &list) == 0) return list;

  auto* lookup = new Lookup;
  lookup->host = host;
  lookup->service = service;
  lookup->hints.ai_family = AF_UNSPEC;
  lookup->hints.ai_socktype = SOCK_STREAM;
  lookup->request.ar_name = lookup->host.c_str();
  lookup->request.ar_service = lookup->service.c_str();
  lookup->request.ar_request = &lookup->hints;
  gaicb* requests[1] = {&lookup->request};
  if (getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr) != 0) {
    delete lookup;
    return nullptr;
  }
  while (gai_error(&lookup->request) == EAI_INPROGRESS) {
    int left = deadline.LeftMs();
    if (left == 0) break;
    timespec wait{left / 1000, (left % 1000) * 1000000L};
    const gaicb* const waiting[1] = {&lookup->request};
    gai_suspend(waiting, 1, &wait);
  }
  int state = gai_error(&lookup->request);
  if (state == EAI_INPROGRESS) {
    if (gai_cancel(&lookup->request) == EAI_NOTCANCELED) return nullptr;  // still running
    state = gai_error(&lookup->request);
    if (state != 0) {
      delete lookup;
      return nullptr;
    }
  }
  list = state == 0 ? lookup->request.ar_result : nullptr;
  if (state != 0 && lookup->request.ar_result != nullptr) freeaddrinfo(lookup->request.ar_result);
  delete lookup;
  return list;
}

// The host text without the brackets an IPv6 address may come in.
std::string HostText(const TcpTarget& target) {
  std::string host(target.host, strnlen(target.host, sizeof target.host));
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  return host;
}

// Bytes the printer has not yet acknowledged; -1 when the system cannot say.
int Unacknowledged(int fd) {
  int queued = 0;
  return ioctl(fd, SIOCOUTQ, &queued) == 0 ? queued : -1;
}

// True when the connection has ended (reset, or the system gave up on it):
// nothing still unacknowledged will be acknowledged.
bool Gone(int fd) {
  tcp_info info{};
  socklen_t len = sizeof info;
  return getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len) != 0 || info.tcpi_state == TCP_CLOSE;
}

// The end of a connection, from the start of the close. Every wait here
// lets the window handle its messages (CloseWaitProgress).
class Closing {
 public:
  Closing(int fd, const TcpTimeouts& timeouts, LinkProgress* progress)
      : fd_(fd), timeouts_(timeouts), progress_(progress) {}

  // True when the printer acknowledged every written byte. It may take as
  // long as it keeps taking them; the close gives up only when none was
  // acknowledged for the no-progress bound, or when the connection broke
  // with bytes still unacknowledged. linger: then give the printer a moment
  // to close its side.
  bool LetWrittenBytesLeave(bool linger) {
    // Unread input at close makes the system send a reset, which throws away
    // what is still queued on both sides: drop it first.
    DiscardInput();
    if (!WaitUntilAcknowledged()) return false;
    // Every byte is with the printer now, so nothing from here on can lose
    // one: a printer that resets the connection after its job (many do) or
    // a failed shutdown does not change the result.
    if (shutdown(fd_, SHUT_WR) != 0) return true;
    // The printer closes its side once it has read our end; until then,
    // whatever it still sends is dropped here rather than answered by a reset.
    Deadline lingerBound(linger ? timeouts_.closeLinger : milliseconds(0));
    CloseWaitProgress window(progress_);
    while (!broken_ && !peerClosed_ && !lingerBound.Passed()) {
      window.Look(0);
      Wait(lingerBound);
    }
    return true;
  }

  // After a failed write the queue cannot drain: the connection is reset
  // when it is closed, dropping what is queued. True when nothing was left.
  bool Abort() {
    const bool nothingLeft = Unacknowledged(fd_) == 0;
    linger reset{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    return nothingLeft;
  }

 private:
  // The FIN is sent only after this, so that the count of unacknowledged
  // bytes is the job's own and a reset that answers the FIN cannot hide a
  // byte that was taken.
  bool WaitUntilAcknowledged() {
    CloseWaitProgress window(progress_);
    Deadline stall(timeouts_.NoProgressBound());
    int last = -1;
    for (;;) {
      // Looked at before the reset that may have ended the last wait: a
      // printer that reset the connection after taking everything has taken
      // everything.
      const int queued = Unacknowledged(fd_);
      if (queued == 0) {
        window.Emptied();
        return true;
      }
      if (queued < 0 || broken_ || Gone(fd_)) return false;
      if (last >= 0 && queued < last) stall = Deadline(timeouts_.NoProgressBound());
      last = queued;
      if (stall.Passed()) return false;
      window.Look(static_cast<uint64_t>(queued));
      Wait(stall);
    }
  }

  // Drops what has arrived, at most DiscardBurst refills at a time, so that
  // a printer that never stops sending cannot hold the close here.
  void DiscardInput() {
    uint8_t buffer[TcpRefillSize];
    for (int burst = 0; burst < DiscardBurst && !peerClosed_; ++burst) {
      ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) continue;
      if (n == 0) peerClosed_ = true;
      else if (errno == EINTR) continue;
      else if (errno != EAGAIN && errno != EWOULDBLOCK) broken_ = true;  // reset
      return;
    }
  }

  // One short wait for input (or just time), then what came is dropped.
  void Wait(const Deadline& until) {
    Deadline slice(PollSlice);
    const Deadline& first = until.Left() < slice.Left() ? until : slice;
    if (!peerClosed_) {
      if (PollUntil(fd_, POLLIN, first) != 0) DiscardInput();
      return;
    }
    // The printer's end of stream is always readable, so after it only the
    // end of the connection (the reset that answers bytes sent to a closed
    // printer) ends the wait early.
    if (PollUntil(fd_, 0, first) != 0 && !Gone(fd_)) std::this_thread::sleep_for(first.Left());
  }

  int fd_;
  const TcpTimeouts& timeouts_;
  LinkProgress* progress_;
  bool broken_ = false;  // reset or another socket error
  bool peerClosed_ = false;
};

}  // namespace

bool TcpOpen(const TcpTarget& target, const TcpTimeouts& timeouts, OpenFailure* why) {
  OpenFailure ignored;
  OpenFailure& failure = why != nullptr ? *why : ignored;
  TcpClose(timeouts);
  // An empty host fails at once, without any traffic.
  const std::string host = HostText(target);
  if (host.empty() || target.port <= 0 || target.port > 65535) {
    failure = OpenFailure::NotSet;
    return false;
  }
  char service[16];
  snprintf(service, sizeof service, "%d", static_cast<int>(target.port));

  // Resolving and connecting share one bound, so neither a mistyped address
  // nor an unreachable name server can freeze the window for the system's
  // minutes-long time-outs.
  Deadline deadline(timeouts.connect);
  addrinfo* list = Resolve(host.c_str(), service, deadline);
  if (list == nullptr) {
    failure = deadline.Passed() ? OpenFailure::TimedOut : OpenFailure::UnknownHost;
    return false;
  }

  int fd = -1;
  failure = OpenFailure::TimedOut;
  for (const addrinfo* ai = list; ai != nullptr && fd < 0; ai = ai->ai_next) {
    if (deadline.Passed()) break;
    fd = ConnectOne(ai, deadline, failure);
  }
  freeaddrinfo(list);
  if (fd < 0) return false;

  // Command lines leave at once; the chunks of one long write are marked as
  // having more behind them, so the system still fills whole segments.
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  // Back to blocking mode, with every send bounded by the write time-out.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  const auto ms = timeouts.write.count() > 0 ? timeouts.write.count() : 1;
  timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  g_socket = fd;
  g_written = 0;
  failure = OpenFailure::None;
  return true;
}

bool TcpClose(const TcpTimeouts& timeouts, CloseMode mode, LinkProgress* progress) {
  if (g_socket < 0) return true;
  const int fd = g_socket;
  g_socket = -1;
  // A connection that carried nothing has nothing to lose, and need not wait
  // for the printer to close first.
  const bool wrote = g_written > 0;
  Closing closing(fd, timeouts, progress);
  bool left = mode == CloseMode::Abort ? closing.Abort() : closing.LetWrittenBytesLeave(wrote);
  close(fd);
  return left || !wrote;
}

bool TcpIsOpen() { return g_socket >= 0; }

uint64_t TcpUnacknowledged() {
  if (g_socket < 0) return 0;
  const int queued = Unacknowledged(g_socket);
  return queued >= 0 ? static_cast<uint64_t>(queued) : UINT64_MAX;
}

bool TcpWriteChunk(const uint8_t* data, uint32_t count, bool more, const TcpTimeouts& timeouts) {
  if (g_socket < 0) return false;
  // The socket is blocking with a send time-out, so each send waits at most
  // that long. The whole chunk is written: a short send is continued, never
  // dropped; a send that takes nothing within its time-out is repeated at
  // most writeRetries times in a row.
  const int flags = MSG_NOSIGNAL | (more ? MSG_MORE : 0);
  uint32_t sent = 0;
  int idleWaits = 0;
  while (sent < count) {
    ssize_t n = send(g_socket, data + sent, count - sent, flags);
    if (n > 0) {
      sent += static_cast<uint32_t>(n);
      g_written += static_cast<uint64_t>(n);
      idleWaits = 0;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;  // socket error
    if (++idleWaits >= timeouts.writeRetries) return false;
  }
  return true;
}

bool TcpReadByte(uint8_t& out, const TcpTimeouts& timeouts, LinkProgress* progress) {
  if (g_tcpRing.Empty() && g_socket >= 0) {
    // A printer slow to answer does not freeze the window: the wait looks
    // again every slice and lets the window handle its messages between.
    const Deadline wait(timeouts.dataWait);
    int revents;
    for (;;) {
      const Deadline slice(progress != nullptr ? PollSlice : timeouts.dataWait);
      revents = PollUntil(g_socket, POLLIN, wait.Left() < slice.Left() ? wait : slice);
      if (revents != 0 || wait.Passed() || progress == nullptr) break;
      progress->PumpMessages();
    }
    if (revents > 0) {
      uint8_t buffer[TcpRefillSize];
      ssize_t n;
      do {
        n = recv(g_socket, buffer, sizeof buffer, MSG_DONTWAIT);
      } while (n < 0 && errno == EINTR);
      // A closed connection or a socket error brings no bytes; the read fails.
      if (n > 0) g_tcpRing.Append(buffer, static_cast<uint32_t>(n));
    }
  }
  return g_tcpRing.Take(out);
}

ReceiveRing& TcpRing() { return g_tcpRing; }

// The row the facade picks for this link: adapters from the facade's
// calls to the ones above.
namespace {

// Handle the TCP link returns; its connection objects are module-wide.
constexpr LinkHandle TcpHandle = 1;

LinkHandle TcpOpenLink(const LinkSettings& s, OpenFailure& why) {
  if (s.tcp == nullptr) {
    why = OpenFailure::NotSet;
    return InvalidLink;
  }
  if (!TcpOpen(*s.tcp, s.timeouts.tcp, &why)) return InvalidLink;
  TcpRing().Reset();
  return TcpHandle;
}
bool TcpCloseLink(LinkHandle, const LinkSettings& s, CloseMode mode, LinkProgress* progress) {
  return TcpClose(s.timeouts.tcp, mode, progress);
}
bool TcpWrite(LinkHandle, const uint8_t* at, uint32_t n, bool more, const LinkSettings& s,
              LinkProgress*) {
  return TcpWriteChunk(at, n, more, s.timeouts.tcp);
}
bool TcpRead(LinkHandle, uint8_t& out, const LinkSettings& s, LinkProgress* progress) {
  return TcpReadByte(out, s.timeouts.tcp, progress);
}
uint64_t TcpHeld(LinkHandle) { return TcpUnacknowledged(); }

}  // namespace

const LinkDriver TcpDriver = {TcpOpenLink, TcpCloseLink, TcpWrite, TcpRead, TcpHeld, TcpChunk, true};

}  // namespace varnalux
