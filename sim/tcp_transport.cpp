#include "sim/tcp_transport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
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

int OpenListener(const std::string& address, uint16_t port, uint16_t& boundPort) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  std::string host = address == "localhost" ? "127.0.0.1" : address;
  if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) return -1;
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) {
    close(fd);
    return -1;
  }
  socklen_t len = sizeof addr;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    close(fd);
    return -1;
  }
  boundPort = ntohs(addr.sin_port);
  SetNonBlocking(fd);
  return fd;
}

TcpTransport::TcpTransport(PrinterCore& core) : core_(core) {}

TcpTransport::~TcpTransport() { Stop(); }

bool TcpTransport::Start(const std::string& address, uint16_t port) {
  if (listenFd_ >= 0 || !wake_.Valid()) return false;
  listenFd_ = OpenListener(address, port, port_);
  if (listenFd_ < 0) return false;
  stopping_ = false;
  wake_.Clear();
  thread_ = std::thread([this] { Run(); });
  return true;
}

void TcpTransport::Stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    wake_.Wake();
    thread_.join();
  }
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = -1;
}

void TcpTransport::Run() {
  while (!stopping_) {
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
    int r = poll(p, 2, 1000);
    if (r < 0 && errno != EINTR) break;
    if (stopping_ || (p[1].revents & POLLIN) != 0) break;
    if ((p[0].revents & POLLIN) == 0) continue;
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) continue;
    Serve(fd);
    close(fd);
  }
}

void TcpTransport::Serve(int fd) {
  Session session(core_);
  SocketSink sink(fd);
  uint8_t buffer[4096];
  auto lastActivity = std::chrono::steady_clock::now();
  while (!stopping_) {
    pollfd p[2] = {{fd, POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
    int r = poll(p, 2, 1000);
    if (r < 0 && errno != EINTR) break;
    if (stopping_ || (p[1].revents & POLLIN) != 0) break;
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
}

}  // namespace varnalux::sim
