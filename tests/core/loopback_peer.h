// A scripted TCP peer on 127.0.0.1 for link, framing and configuration
// tests: it accepts connections one after another, records what it
// receives, and answers each connection with the bytes given for it (after
// the first byte arrives), then stays silent or closes.
//
// With AnswerReports() it also plays a printer line by line: it answers
// DIAGNOSTIC REPORT keys from a table (a key not in the table gets no
// answer, as an older printer that does not know it), answers every
// DIAGNOSTIC INTERFACE line, and can drop the connection with a reset after
// a given number of lines.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/link_settings.h"
#include "operations/progress.h"

namespace varnalux::testing {

class LoopbackPeer {
 public:
  struct Script {
    std::string answer;         // sent once the first byte has arrived
    bool answerAtOnce = false;  // send right after accepting instead
    bool closeAfter = false;    // close the connection after answering
    bool neverRead = false;     // accept, then read nothing at all
    // A slow printer: pauses this long after each read.
    std::chrono::milliseconds readPause{0};
    // At most this many bytes per read (0: as many as have come), so that
    // with readPause the printer reads at a steady pace.
    size_t readChunk = 0;
    // A printer that stops reading once this many bytes came (0: never
    // stops), until ResumeReading().
    size_t stopReadingAfter = 0;
    // A printer that resets the connection once this many bytes came (0:
    // never), leaving the rest unread.
    size_t resetAfter = 0;
    // A printer that resets the connection once it has read to the end of
    // the job (the sender's end of stream), as many do after a job.
    bool resetAtEnd = false;
    // Receive buffer of the connection (0: the system's), so that a printer
    // that stops reading holds back the sender quickly.
    int receiveBuffer = 0;
  };

  enum Family { V4, V6 };

  // Listens on 127.0.0.1, or on ::1 for V6.
  explicit LoopbackPeer(Family family = V4) {
    listener_ = socket(family == V6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (family == V6) {
      sockaddr_in6 a{};
      a.sin6_family = AF_INET6;
      a.sin6_addr = in6addr_loopback;
      bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
      socklen_t len = sizeof a;
      getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
      port_ = ntohs(a.sin6_port);
    } else {
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
      socklen_t len = sizeof a;
      getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
      port_ = ntohs(a.sin_port);
    }
    listen(listener_, 8);
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
    // A connection's window is offered at the handshake, before accept: a
    // small receive buffer must already be on the listener.
    for (const Script& s : scripts_)
      if (s.receiveBuffer > 0)
        setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &s.receiveBuffer, sizeof s.receiveBuffer);
  }
  void SetAnswer(const std::string& answer) { SetScripts({Script{answer}}); }

  // Answers the DIAGNOSTIC lines of every connection from the report table.
  void AnswerReports() { reports_ = true; }
  // AnswerReports() with the full table of a 203 dpi printer that knows
  // every key.
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
    reports_ = true;
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
  // After the answer to the key, sends these bytes again and again until
  // the connection breaks or the peer stops: a list that never ends.
  void EndlessAnswer(const std::string& key, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    endless_[key] = bytes;
  }
  // RawAnswer(LoopbackPeer::Interface, ...) replaces the announcement's
  // answer.
  static constexpr const char* Interface = "<interface>";
  // With AnswerReports(): resets the connection once this many non-empty
  // lines have arrived.
  void ResetAfterLines(int lines) { resetAfter_ = lines; }
  // With AnswerReports(): answers the line numbered lines, then resets the
  // connection (as a printer that gives up on an idle connection).
  void ResetAfterAnswering(int lines) { resetAfterAnswer_ = lines; }
  // A printer held by stopReadingAfter reads on.
  void ResumeReading() { resumed_ = true; }
  bool WaitReset(int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return resetDone_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return wasReset_; });
  }

  uint16_t Port() const { return port_; }
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
  // How many bytes the printer has read so far.
  size_t ReceivedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_.size();
  }
  // Waits up to timeoutMs until at least count bytes came; what came.
  size_t WaitReceived(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return received_.size() >= count; });
    return received_.size();
  }
  // Waits up to timeoutMs until the connections so far have ended; true
  // when they have. What a connection sent is all there once it ended.
  bool WaitIdle(int timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return ended_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return handled_ == connections_; });
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
      if (s.receiveBuffer > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &s.receiveBuffer, sizeof s.receiveBuffer);
      if (!Handle(fd, s)) close(fd);
      std::lock_guard<std::mutex> lock(mutex_);
      ++handled_;
      ended_.notify_all();
    }
  }

  // True when the connection was reset (and fd closed) here.
  bool Handle(int fd, const Script& s) {
    bool answered = false;
    auto answer = [&] {
      if (!s.answer.empty()) send(fd, s.answer.data(), s.answer.size(), MSG_NOSIGNAL);
      answered = true;
    };
    if (s.answerAtOnce) answer();
    if (answered && s.closeAfter) return false;
    std::string pending;
    int lines = 0;
    size_t taken = 0;
    while (!stop_) {
      const bool held = s.stopReadingAfter > 0 && !resumed_;
      if (s.neverRead || (held && taken >= s.stopReadingAfter)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (peerGone(fd)) return false;
        continue;
      }
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char buf[65536];
      size_t want = sizeof buf;
      if (s.readChunk > 0 && s.readChunk < want) want = s.readChunk;
      if (held && s.stopReadingAfter - taken < want) want = s.stopReadingAfter - taken;
      if (s.resetAfter > 0 && s.resetAfter - taken < want) want = s.resetAfter - taken;
      ssize_t n = recv(fd, buf, want, 0);
      if (n == 0 && s.resetAtEnd) return Reset(fd);
      if (n <= 0) return false;
      taken += static_cast<size_t>(n);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.append(buf, static_cast<size_t>(n));
        arrived_.notify_all();
      }
      if (s.resetAfter > 0 && taken >= s.resetAfter) return Reset(fd);
      if (s.readPause.count() > 0) std::this_thread::sleep_for(s.readPause);
      if (!answered) {
        answer();
        if (s.closeAfter) return false;
      }
      if (!reports_) continue;
      pending.append(buf, static_cast<size_t>(n));
      size_t end;
      while ((end = pending.find("\r\n")) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 2);
        if (line.empty()) continue;
        ++lines;
        if (resetAfter_ > 0 && lines >= resetAfter_) return Reset(fd);
        std::string reply = ReplyTo(line);
        if (!reply.empty()) send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        if (resetAfterAnswer_ > 0 && lines >= resetAfterAnswer_) return Reset(fd);
        if (SendEndlessly(fd, line)) return false;
      }
    }
    return false;
  }

  std::string ReplyTo(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (line.rfind("DIAGNOSTIC INTERFACE ", 0) == 0) {
      auto r = raw_.find(Interface);
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

  // The endless answer of the line's key, if it has one, until sending
  // fails or the peer stops; true when there was one.
  bool SendEndlessly(int fd, const std::string& line) {
    const std::string prefix = "DIAGNOSTIC REPORT ";
    if (line.rfind(prefix, 0) != 0) return false;
    std::string bytes;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto e = endless_.find(line.substr(prefix.size()));
      if (e == endless_.end()) return false;
      bytes = e->second;
    }
    size_t at = 0;
    while (!stop_) {
      pollfd p{fd, POLLOUT, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      if ((p.revents & (POLLERR | POLLHUP)) != 0) break;
      ssize_t n = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
      if (n <= 0) break;
      at = (at + static_cast<size_t>(n)) % bytes.size();
    }
    return true;
  }

  // Closes with a reset, so the next write fails; true (fd closed here).
  bool Reset(int fd) {
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close(fd);
    std::lock_guard<std::mutex> lock(mutex_);
    wasReset_ = true;
    resetDone_.notify_all();
    return true;
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
  std::atomic<bool> reports_{false};
  std::atomic<int> resetAfter_{0};
  std::atomic<int> resetAfterAnswer_{0};
  std::atomic<bool> resumed_{false};
  mutable std::mutex mutex_;
  std::condition_variable resetDone_;
  mutable std::condition_variable arrived_;
  mutable std::condition_variable ended_;
  int handled_ = 0;
  bool wasReset_ = false;
  std::vector<Script> scripts_;
  std::map<std::string, std::string> answers_, raw_, endless_;
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
  explicit GateAfterFirstWrite(LoopbackPeer& peer)
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

// Binds the module-wide link settings to records owned by the test, with
// the progress window as the links' observer; unbinds them at the end, so no
// test sees another's records or shortened time-outs.
struct BoundLink {
  SerialSettings serial{};
  char parallel[ParallelNameSize] = {};
  TcpTarget tcp{};
  BoundLink() {
    InitialSerialSettings(serial);
    InitialParallelName(parallel);
    InitialTcpTarget(tcp);
    BindLinkSettings(serial, parallel, tcp, &ProgressObserver());
  }
  ~BoundLink() { UnbindLinkSettings(); }
  BoundLink(const BoundLink&) = delete;
  BoundLink& operator=(const BoundLink&) = delete;
  // The bounds the links wait for in this test.
  LinkTimeouts& Timeouts() { return CurrentLinkSettings().timeouts; }
};

}  // namespace varnalux::testing
