// Small blocking clients for talking to the virtual printer in tests.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace varnalux::sim::test {

class Client {
 public:
  // TCP to 127.0.0.1:port.
  static Client Tcp(uint16_t port) {
    Client c;
    c.fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(c.fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) c.Close();
    return c;
  }
  // The slave of a pseudo-terminal, raw.
  static Client Serial(const std::string& path) {
    Client c;
    c.fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (c.fd_ >= 0) {
      termios t{};
      tcgetattr(c.fd_, &t);
      cfmakeraw(&t);
      tcsetattr(c.fd_, TCSANOW, &t);
      tcflush(c.fd_, TCIOFLUSH);
    }
    return c;
  }

  Client() = default;
  Client(Client&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  ~Client() { Close(); }

  bool Ok() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  bool Send(const std::string& bytes) {
    return fd_ >= 0 && write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until count bytes arrived, the peer closed or timeoutMs passed.
  std::string Read(size_t count, int timeoutMs) {
    std::string out;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fd_ >= 0 && out.size() < count) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[4096];
      size_t want = count - out.size() < sizeof buffer ? count - out.size() : sizeof buffer;
      ssize_t n = read(fd_, buffer, want);
      if (n <= 0) {
        closedByPeer_ = true;
        break;
      }
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
  // What one read gives within timeoutMs.
  std::string ReadOnce(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (fd_ < 0 || poll(&p, 1, timeoutMs) <= 0) return {};
    char buffer[4096];
    ssize_t n = read(fd_, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
  }
  // One framed answer "{len|payload}" (reads up to the closing brace).
  std::string ReadFramed(int timeoutMs) {
    std::string out;
    while (out.empty() || out.back() != '}') {
      std::string b = Read(1, timeoutMs);
      if (b.empty()) break;
      out += b;
    }
    return out;
  }
  bool ClosedByPeer() const { return closedByPeer_; }

 private:
  int fd_ = -1;
  bool closedByPeer_ = false;
};

}  // namespace varnalux::sim::test
