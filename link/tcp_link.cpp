#include "link/tcp_link.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

namespace varnalux {

namespace {
// The connection of the operation now running; -1 when none.
int g_socket = -1;
ReceiveRing g_tcpRing;

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for one poll event; retries when a signal interrupts the wait.
int PollFor(int fd, short events, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, MillisecondsLeft(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return r;
    return p.revents;
  }
}

// Non-blocking connect to one address, bounded by the deadline.
int ConnectOne(const addrinfo* ai, std::chrono::steady_clock::time_point deadline) {
  int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
  if (fd < 0) return -1;
  if (connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) return fd;
  if (errno != EINPROGRESS) {
    close(fd);
    return -1;
  }
  int revents = PollFor(fd, POLLOUT, MillisecondsLeft(deadline));
  int soError = 0;
  socklen_t len = sizeof soError;
  if (revents <= 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0 || soError != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// One name lookup in progress: the request and what it points at must stay
// valid until the lookup has finished, so they live on the heap.
struct Lookup {
  gaicb request{};
  addrinfo hints{};
  std::string host;
  std::string service;
};

// Resolves host (a dotted address or a name) within the deadline; null when
// it does not resolve in time. A lookup that cannot be cancelled once its time
// is up is left to finish on its own (its few bytes are not reclaimed).
addrinfo* Resolve(const char* host, const char* service,
                  std::chrono::steady_clock::time_point deadline) {
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
    int left = MillisecondsLeft(deadline);
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

}  // namespace

bool TcpOpen(const TcpTarget& target) {
  TcpClose();
  // An empty host fails at once, without any traffic.
  if (target.host[0] == '\0') return false;
  if (target.port <= 0 || target.port > 65535) return false;

  char host[sizeof target.host + 1] = {};
  for (size_t i = 0; i < sizeof target.host && target.host[i] != '\0'; ++i)
    host[i] = target.host[i];
  char service[16];
  snprintf(service, sizeof service, "%d", static_cast<int>(target.port));

  // Resolving and connecting share one bound, so neither a mistyped address
  // nor an unreachable name server can freeze the window for the system's
  // minutes-long time-outs.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TcpConnectTimeoutMs);
  addrinfo* list = Resolve(host, service, deadline);
  if (list == nullptr) return false;

  int fd = -1;
  for (const addrinfo* ai = list; ai != nullptr && fd < 0; ai = ai->ai_next) {
    if (MillisecondsLeft(deadline) == 0) break;
    fd = ConnectOne(ai, deadline);
  }
  freeaddrinfo(list);
  if (fd < 0) return false;

  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  // Back to blocking mode, with every send bounded by the write time-out.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  timeval tv{TcpWriteTimeoutMs / 1000, (TcpWriteTimeoutMs % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  g_socket = fd;
  return true;
}

void TcpClose() {
  if (g_socket >= 0) {
    close(g_socket);
    g_socket = -1;
  }
}

bool TcpIsOpen() { return g_socket >= 0; }

bool TcpWriteChunk(const uint8_t* data, uint32_t count) {
  if (g_socket < 0) return false;
  // The socket is blocking with a send time-out of TcpWriteTimeoutMs, so each
  // send waits at most that long. The whole chunk is written: a short send
  // is continued, never dropped; a send that takes nothing within its
  // time-out is repeated at most TcpWriteRetries times in a row.
  uint32_t sent = 0;
  int idleWaits = 0;
  while (sent < count) {
    ssize_t n = send(g_socket, data + sent, count - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<uint32_t>(n);
      idleWaits = 0;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;  // socket error
    if (++idleWaits >= TcpWriteRetries) return false;
  }
  return true;
}

bool TcpReadByte(uint8_t& out) {
  if (g_tcpRing.Empty() && g_socket >= 0) {
    int revents = PollFor(g_socket, POLLIN, TcpDataWaitMs);
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

}  // namespace varnalux
