// A plain HTTP/1.1 client for the exporter's tests: one GET on its own
// connection to 127.0.0.1, and a burst of many at once from one poll loop.
// Every wait is bounded.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace varnalux::testing {

struct HttpResult {
  int status = 0;    // 0: no answer
  std::string head;  // status line and headers
  std::string body;
};

inline HttpResult ParseHttpAnswer(const std::string& raw) {
  HttpResult r;
  const size_t end = raw.find("\r\n\r\n");
  if (raw.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos) return r;
  r.status = std::atoi(raw.c_str() + 9);
  r.head = raw.substr(0, end);
  r.body = raw.substr(end + 4);
  return r;
}

inline std::string RequestText(const std::string& method, const std::string& target,
                               const std::string& extraHeaders = "") {
  return method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
         extraHeaders + "\r\n";
}

inline int ConnectLoopback(int port, bool nonBlocking) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
  if (fd < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
    close(fd);
    return -1;
  }
  return fd;
}

// Many requests at once, each on its own connection; the answers in the
// order of the requests (status 0 for one that did not come within bound).
inline std::vector<HttpResult> HttpBurst(int port, const std::vector<std::string>& requests,
                                         std::chrono::milliseconds bound) {
  struct Conversation {
    int fd = -1;
    size_t sent = 0;
    std::string raw;
    bool done = false;
  };
  std::vector<Conversation> all(requests.size());
  for (Conversation& c : all) {
    c.fd = ConnectLoopback(port, true);
    c.done = c.fd < 0;
  }
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    std::vector<pollfd> fds;
    std::vector<size_t> which;
    for (size_t i = 0; i < all.size(); ++i) {
      if (all[i].done) continue;
      const bool sending = all[i].sent < requests[i].size();
      fds.push_back({all[i].fd, static_cast<short>(sending ? POLLOUT : POLLIN), 0});
      which.push_back(i);
    }
    if (fds.empty()) break;
    const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          deadline - std::chrono::steady_clock::now())
                                          .count());
    if (left <= 0 || poll(fds.data(), fds.size(), left) <= 0) break;
    for (size_t k = 0; k < fds.size(); ++k) {
      if (fds[k].revents == 0) continue;
      Conversation& c = all[which[k]];
      const std::string& request = requests[which[k]];
      if (c.sent < request.size()) {
        const ssize_t n =
            send(c.fd, request.data() + c.sent, request.size() - c.sent, MSG_NOSIGNAL);
        if (n > 0)
          c.sent += static_cast<size_t>(n);
        else if (n < 0 && errno != EAGAIN)
          c.done = true;
        continue;
      }
      char buffer[4096];
      const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
      if (n > 0)
        c.raw.append(buffer, static_cast<size_t>(n));
      else if (n == 0 || errno != EAGAIN)
        c.done = true;
    }
  }
  std::vector<HttpResult> results;
  for (Conversation& c : all) {
    results.push_back(ParseHttpAnswer(c.raw));
    if (c.fd >= 0) close(c.fd);
  }
  return results;
}

inline HttpResult HttpRequest(int port, const std::string& requestText,
                              std::chrono::milliseconds bound = std::chrono::seconds(30)) {
  return HttpBurst(port, {requestText}, bound)[0];
}

inline HttpResult HttpGet(int port, const std::string& target, const std::string& extraHeaders = "",
                          std::chrono::milliseconds bound = std::chrono::seconds(30)) {
  return HttpRequest(port, RequestText("GET", target, extraHeaders), bound);
}

// The value of the sample line that starts with series ("name{labels}"
// exactly as written); NaN when there is none.
inline double SampleValue(const std::string& text, const std::string& series) {
  const std::string start = series + " ";
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (text.compare(at, start.size(), start) == 0)
      return std::strtod(text.c_str() + at + start.size(), nullptr);
    at = end + 1;
  }
  return std::nan("");
}

}  // namespace varnalux::testing
