// A scripted printer on 127.0.0.1 for the configuration tests: it answers
// DIAGNOSTIC REPORT keys from a table (a key not in the table gets no answer,
// as an older printer that does not know it), answers every DIAGNOSTIC
// INTERFACE line, records every byte, and can drop the connection with a
// reset after a given number of lines.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "app/progress.h"
#include "link/link_settings.h"

namespace varnalux::testing {

class ConfigPeer {
 public:
  ConfigPeer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 4);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ConfigPeer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  // The full answer table of a 203 dpi printer that knows every key.
  void AnswerAll() {
    const char* const table[][2] = {
        {"DPI", "203"},       {"VERSION", "V1.16 EZ"}, {"MILAGE", "12.5"},
        {"CHECKSUM", "8A3F"}, {"SPEED", "4"},          {"DENSITY", "8"},
        {"DENSITYBASE", "0"}, {"PAPERWIDTH", "812"},   {"PAPERHEIGHT", "406"},
        {"SENSORMODE", "0"},  {"GAPSIZE", "24"},       {"GAPOFFSET", "0"},
        {"PRINTOUT", "3"},    {"CUTTERPIECE", "2"},    {"REFERENCEX", "10"},
        {"REFERENCEY", "20"}, {"DIRCTION", "1"},       {"MIRROR", "0"},
        {"OFFSET", "-3"},     {"OFFSETBASE", "5"},     {"SHIFT", "7"},
        {"SHIFTBASE", "0"},   {"RIBBON", "1"},         {"CODEPAGE", "850"},
        {"COUNTRY", "049"},   {"HEAD", "1"},           {"GAPINTEN", "3"},
        {"BLINEINTEN", "4"},  {"CONINTEN", "5"},       {"BAUDRATE", "9600"},
        {"DATABIT", "8"},     {"PARITY", "None"},      {"STOPBIT", "1"},
        {"REPRINT", "1"},     {"SHIFTX", "-2"},        {"SHIFTXBASE", "6"},
    };
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& row : table) answers_[row[0]] = row[1];
  }
  void Answer(const std::string& key, const std::string& payload) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_[key] = payload;
  }
  void Forget(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.erase(key);
  }
  // Sends these bytes instead of a framed answer for the key.
  void RawAnswer(const std::string& key, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    raw_[key] = bytes;
  }
  // RawAnswer(ConfigPeer::kInterface, ...) replaces the announcement's answer.
  static constexpr const char* kInterface = "<interface>";
  // Resets the connection once this many non-empty lines have arrived.
  void ResetAfterLines(int lines) { resetAfter_ = lines; }
  bool WaitReset(int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return resetDone_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return wasReset_; });
  }

  // Connections accepted so far; waits up to timeoutMs for at least count.
  int Connections(int count = 0, int timeoutMs = 0) const {
    for (int waited = 0; connections_ < count && waited < timeoutMs; waited += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return connections_;
  }
  std::string Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  void ClearReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.clear();
  }
  void Target(TcpTarget& t) const {
    CopyText(t.host, sizeof t.host, "127.0.0.1");
    t.port = port_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      ++connections_;
      if (!Handle(fd)) close(fd);
    }
  }

  // True when the connection was reset (and fd closed) here.
  bool Handle(int fd) {
    std::string pending;
    int lines = 0;
    while (!stop_) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char buf[4096];
      ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return false;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(buf, static_cast<size_t>(n));
      }
      pending.append(buf, static_cast<size_t>(n));
      size_t end;
      while ((end = pending.find("\r\n")) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 2);
        if (line.empty()) continue;
        ++lines;
        if (resetAfter_ > 0 && lines >= resetAfter_) {
          linger l{1, 0};  // close with a reset, so the next write fails
          setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
          close(fd);
          std::lock_guard<std::mutex> lock(mutex_);
          wasReset_ = true;
          resetDone_.notify_all();
          return true;
        }
        std::string reply = ReplyTo(line);
        if (!reply.empty()) send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
      }
    }
    return false;
  }

  std::string ReplyTo(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (line.rfind("DIAGNOSTIC INTERFACE ", 0) == 0) {
      auto r = raw_.find(kInterface);
      return r != raw_.end() ? r->second : "{2|OK}";
    }
    const std::string prefix = "DIAGNOSTIC REPORT ";
    if (line.rfind(prefix, 0) != 0) return std::string();
    std::string key = line.substr(prefix.size());
    if (auto r = raw_.find(key); r != raw_.end()) return r->second;
    auto a = answers_.find(key);
    if (a == answers_.end()) return std::string();
    return "{" + std::to_string(a->second.size()) + "|" + a->second + "}";
  }

  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> resetAfter_{0};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::condition_variable resetDone_;
  bool wasReset_ = false;
  std::map<std::string, std::string> answers_, raw_;
  std::string received_;
  std::thread thread_;
};

// Holds the writer at its first pause between commands (after the first
// command went out) until wait returns, so the peer can drop the connection
// before the next write.
class GateAfterFirstWrite : public ProgressView {
 public:
  explicit GateAfterFirstWrite(std::function<void()> wait) : wait_(std::move(wait)) {
    SetProgressView(this);
  }
  explicit GateAfterFirstWrite(ConfigPeer& peer)
      : GateAfterFirstWrite([&peer] { peer.WaitReset(3000); }) {}
  ~GateAfterFirstWrite() override { SetProgressView(nullptr); }
  void Open(int, int, const char*) override {}
  void SetPosition(int) override {}
  void Close() override {}
  void ProcessPendingMessages() override {
    if (waited_) return;
    waited_ = true;
    wait_();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

 private:
  std::function<void()> wait_;
  bool waited_ = false;
};

}  // namespace varnalux::testing
