#include "sim/tcp_transport.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "sim/session.h"

namespace varnalux::sim {

namespace {
class SocketSink : public AnswerSink {
 public:
  explicit SocketSink(int fd) : fd_(fd) {}
  bool Write(const uint8_t* data, size_t count) override {
    return WriteFully(fd_, data, count, AnswerWriteTimeoutMs, true);
  }

 private:
  int fd_;
};
}  // namespace

TcpTransport::TcpTransport(PrinterCore& core) : core_(core) {}

TcpTransport::~TcpTransport() { Stop(); }

void TcpTransport::Serve(int fd) {
  Session session(core_);
  SocketSink sink(fd);
  uint8_t buffer[4096];
  auto lastActivity = std::chrono::steady_clock::now();
  while (!Stopping()) {
    pollfd p[2] = {{fd, POLLIN, 0}, {WakeFd(), POLLIN, 0}};
    int r = poll(p, 2, 1000);
    if (r < 0 && errno != EINTR) break;
    if (Stopping() || (p[1].revents & POLLIN) != 0) break;
    if ((p[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
      // A peer that neither sends nor closes must not hold the port.
      if (std::chrono::steady_clock::now() - lastActivity > std::chrono::seconds(IdleCloseSeconds))
        break;
      continue;
    }
    lastActivity = std::chrono::steady_clock::now();
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) break;
    if (!session.Incoming(buffer, static_cast<size_t>(n), sink)) break;
  }
  session.Finish();
  if (session.ResetWanted()) {
    // No lingering: the close that follows sends a reset.
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  }
}

}  // namespace varnalux::sim
