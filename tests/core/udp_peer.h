// A scripted UDP peer on 127.0.0.1 for the discovery tests: answers every
// datagram it receives with a fixed list of datagrams (or, flooding, keeps
// sending while it runs), and keeps what it received.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "net/udp_options.h"

namespace varnalux::testing {

class UdpPeer {
 public:
  explicit UdpPeer(std::vector<std::vector<uint8_t>> answers, bool flood = false)
      : answers_(std::move(answers)), flood_(flood) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      return;
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~UdpPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
  }

  uint16_t Port() const { return port_; }
  net::Destination Destination() const { return {0x7F000001u, port_}; }
  std::vector<std::vector<uint8_t>> Received() const {
    std::lock_guard<std::mutex> lock(mu_);
    return received_;
  }

 private:
  void Run() {
    std::vector<uint8_t> buffer(4096);
    sockaddr_in from{};
    bool haveSender = false;
    // Bounded: the peer lives as long as its test, at most a minute.
    for (int turn = 0; !stop_ && turn < 60000; ++turn) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, flood_ && haveSender ? 0 : 1) > 0) {
        socklen_t len = sizeof from;
        ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), 0,
                             reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) continue;
        {
          std::lock_guard<std::mutex> lock(mu_);
          received_.emplace_back(buffer.begin(), buffer.begin() + n);
        }
        haveSender = true;
        if (!flood_) SendAll(from);
      } else if (flood_ && haveSender) {
        SendAll(from);
        usleep(1000);
      }
    }
  }
  void SendAll(const sockaddr_in& to) {
    for (const std::vector<uint8_t>& a : answers_)
      sendto(fd_, a.data(), a.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }

  std::vector<std::vector<uint8_t>> answers_;
  bool flood_;
  int fd_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mu_;
  std::vector<std::vector<uint8_t>> received_;
};

}  // namespace varnalux::testing
