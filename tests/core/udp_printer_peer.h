// A printer's side of the discovery and setting protocol written for the
// tests from the protocol's tables alone, apart from the tool and from the
// virtual printer: a second, independent reading. It answers discovery,
// the two setting reads (with answers as long as a test asks, to play a
// printer whose answers stop short) and the writes to its MAC, keeps the
// settings the closing write applies, and records every datagram. It binds
// where the test says: 127.0.0.1 on a free port, or the protocol's port on
// every address inside a network namespace a test made.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace varnalux::testing {

class UdpPrinterPeer {
 public:
  using Bytes = std::vector<uint8_t>;
  using Quad = std::array<uint8_t, 4>;

  struct Settings {
    bool dhcp = true;
    Quad ip = {192, 168, 7, 20};
    Quad mask = {255, 255, 255, 0};
    Quad gateway = {192, 168, 7, 1};
    std::string name = "PEER";
  };

  struct Options {
    std::array<uint8_t, 6> mac = {0x00, 0x1B, 0x82, 0x77, 0x00, 0x01};
    uint32_t address = INADDR_LOOPBACK;  // host order; INADDR_ANY in a namespace
    uint16_t port = 0;                   // 0: a free one
    bool echoSequence = true;            // false: 0 where the sequence number goes
    size_t addressAnswerSize = 1064;     // how much of the read answers is sent
    size_t modeAnswerSize = 1064;
    Settings settings;
  };

  explicit UdpPrinterPeer(Options options) : options_(std::move(options)) {
    settings_ = options_.settings;
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(options_.address);
    addr.sin_port = htons(options_.port);
    socklen_t len = sizeof addr;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      return;
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~UdpPrinterPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
  }
  UdpPrinterPeer(const UdpPrinterPeer&) = delete;
  UdpPrinterPeer& operator=(const UdpPrinterPeer&) = delete;

  uint16_t Port() const { return port_; }
  // While held, answers wait; Release sends those that waited and answers
  // at once again.
  void Hold() {
    std::lock_guard<std::mutex> lock(mu_);
    held_ = true;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mu_);
    held_ = false;
    for (const auto& [answer, to] : waiting_)
      sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to);
    waiting_.clear();
  }
  Bytes Mac() const { return Bytes(options_.mac.begin(), options_.mac.end()); }
  Settings Current() const {
    std::lock_guard<std::mutex> lock(mu_);
    return settings_;
  }
  std::vector<Bytes> Received() const {
    std::lock_guard<std::mutex> lock(mu_);
    return received_;
  }
  // How many write-setting datagrams for this printer with this selector
  // came.
  size_t Writes(uint8_t selector) const {
    const std::vector<Bytes> all = Received();
    return static_cast<size_t>(std::count_if(all.begin(), all.end(), [&](const Bytes& d) {
      return d.size() >= 1064 && d[9] == 4 && d[34] == selector &&
             std::equal(options_.mac.begin(), options_.mac.end(), d.begin() + 22);
    }));
  }

 private:
  void Run() {
    Bytes buffer(4096);
    // Bounded: the peer lives as long as its test, at most two minutes.
    for (int turn = 0; !stop_ && turn < 12000; ++turn) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t n =
          recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n < 0) continue;
      const Bytes request(buffer.begin(), buffer.begin() + n);
      const Bytes answer = Answer(request);
      if (answer.empty()) continue;
      std::lock_guard<std::mutex> lock(mu_);
      if (held_)
        waiting_.emplace_back(answer, from);
      else
        sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
    }
  }

  // The answer's header: the request's, with the sequence number echoed or
  // not, and this printer's MAC.
  Bytes Header(const Bytes& request, size_t size) const {
    Bytes a(std::max<size_t>(size, 32), 0);
    std::copy(request.begin(), request.begin() + 32, a.begin());
    if (!options_.echoSequence) a[12] = a[13] = 0;
    std::copy(options_.mac.begin(), options_.mac.end(), a.begin() + 22);
    a.resize(size);
    return a;
  }

  Bytes Answer(const Bytes& request) {
    std::lock_guard<std::mutex> lock(mu_);
    received_.push_back(request);
    if (request.size() < 32) return {};
    const int command = request[8] << 8 | request[9];
    if (command == 2) {
      Bytes a = Header(request, 84 + settings_.name.size() + 1);
      std::copy(settings_.ip.begin(), settings_.ip.end(), a.begin() + 44);
      const char model[] = "PEER-1";
      std::copy(model, model + sizeof model - 1, a.begin() + 52);
      std::copy(settings_.name.begin(), settings_.name.end(), a.begin() + 84);
      return a;
    }
    if (!std::equal(options_.mac.begin(), options_.mac.end(), request.begin() + 22)) return {};
    if (command == 3 && request.size() >= 34) {
      Bytes a = Header(request, 1064);
      a[32] = request[32];
      if (request[32] == 4) {
        std::copy(settings_.ip.begin(), settings_.ip.end(), a.begin() + 69);
        std::copy(settings_.mask.begin(), settings_.mask.end(), a.begin() + 73);
        std::copy(settings_.gateway.begin(), settings_.gateway.end(), a.begin() + 77);
        a.resize(options_.addressAnswerSize);
      } else if (request[32] == 5) {
        a[942] = settings_.dhcp ? 8 : 1;
        a.resize(options_.modeAnswerSize);
      } else {
        return {};
      }
      return a;
    }
    if (command == 4 && request.size() >= 1064) {
      switch (request[34]) {
        case 0: {
          const auto begin = request.begin() + 176;
          pending_.name.assign(begin, std::find(begin, begin + 64, 0));
          pendingName_ = true;
          break;
        }
        case 4:
          std::copy(request.begin() + 69, request.begin() + 73, pending_.ip.begin());
          std::copy(request.begin() + 73, request.begin() + 77, pending_.mask.begin());
          std::copy(request.begin() + 77, request.begin() + 81, pending_.gateway.begin());
          pendingAddress_ = true;
          break;
        case 5:
          pending_.dhcp = request[942] == 8;
          pendingMode_ = true;
          break;
        case 7:
          if (pendingName_) settings_.name = pending_.name;
          if (pendingAddress_) {
            settings_.ip = pending_.ip;
            settings_.mask = pending_.mask;
            settings_.gateway = pending_.gateway;
          }
          if (pendingMode_) settings_.dhcp = pending_.dhcp;
          pendingName_ = pendingAddress_ = pendingMode_ = false;
          break;
        default: return {};
      }
      return Header(request, 32);
    }
    return {};
  }

  Options options_;
  int fd_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mu_;
  std::vector<Bytes> received_;
  Settings settings_;
  Settings pending_;
  bool pendingName_ = false, pendingAddress_ = false, pendingMode_ = false;
  bool held_ = false;
  std::vector<std::pair<Bytes, sockaddr_in>> waiting_;
};

}  // namespace varnalux::testing
