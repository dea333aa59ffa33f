// A UDP port on 127.0.0.1 that takes datagrams and never answers: where the
// widget tests send discovery requests unless a test sets other
// destinations.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QString>

class SilentUdpPort {
 public:
  SilentUdpPort() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      return;
    port_ = ntohs(addr.sin_port);
  }
  ~SilentUdpPort() {
    if (fd_ >= 0) close(fd_);
  }
  SilentUdpPort(const SilentUdpPort&) = delete;
  SilentUdpPort& operator=(const SilentUdpPort&) = delete;

  bool Bound() const { return port_ != 0; }
  QString Destination() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};
