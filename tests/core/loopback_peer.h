// A scripted TCP peer on 127.0.0.1 for link and framing tests: it accepts
// connections one after another, records what it receives, and answers each
// connection with the bytes given for it (after the first byte arrives),
// then stays silent or closes.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/link_settings.h"

namespace varnalux::testing {

class LoopbackPeer {
 public:
  struct Script {
    std::string answer;         // sent once the first byte has arrived
    bool answerAtOnce = false;  // send right after accepting instead
    bool closeAfter = false;    // close the connection after answering
    bool neverRead = false;     // accept, then read nothing at all
  };

  LoopbackPeer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 8);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  ~LoopbackPeer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  // Scripts for the next connections, in order; later ones repeat the last.
  void SetScripts(std::vector<Script> scripts) {
    std::lock_guard<std::mutex> lock(mutex_);
    scripts_ = std::move(scripts);
  }
  void SetAnswer(const std::string& answer) { SetScripts({Script{answer}}); }

  uint16_t Port() const { return port_; }
  int Connections() const { return connections_; }
  std::string Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  void Target(TcpTarget& t) const {
    CopyText(t.host, sizeof t.host, "127.0.0.1");
    t.port = port_;
  }

 private:
  Script ScriptFor(int n) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (scripts_.empty()) return Script{};
    return scripts_[static_cast<size_t>(n) < scripts_.size() ? n : scripts_.size() - 1];
  }

  void Serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      Script s = ScriptFor(connections_++);
      Handle(fd, s);
      close(fd);
    }
  }

  void Handle(int fd, const Script& s) {
    bool answered = false;
    auto answer = [&] {
      if (!s.answer.empty()) send(fd, s.answer.data(), s.answer.size(), MSG_NOSIGNAL);
      answered = true;
    };
    if (s.answerAtOnce) answer();
    if (answered && s.closeAfter) return;
    while (!stop_) {
      if (s.neverRead) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (peerGone(fd)) return;
        continue;
      }
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char buf[65536];
      ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(buf, static_cast<size_t>(n));
      }
      if (!answered) {
        answer();
        if (s.closeAfter) return;
      }
    }
  }

  static bool peerGone(int fd) {
    char c;
    ssize_t n = recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0;
  }

  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<Script> scripts_;
  std::string received_;
  std::thread thread_;
};

// Binds the module-wide link settings to records owned by the test.
struct BoundLink {
  SerialSettings serial{};
  char parallel[ParallelNameSize] = {};
  TcpTarget tcp{};
  BoundLink() {
    InitialSerialSettings(serial);
    InitialParallelName(parallel);
    InitialTcpTarget(tcp);
    BindLinkSettings(serial, parallel, tcp);
  }
};

}  // namespace varnalux::testing
