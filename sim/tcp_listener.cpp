#include "sim/tcp_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace varnalux::sim {

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

bool TcpListener::Start(const std::string& address, uint16_t port, ListenerHub* hub) {
  if (listenFd_ >= 0 || !wake_.Open()) return false;
  listenFd_ = OpenListener(address, port, port_);
  if (listenFd_ < 0) return false;
  stopping_ = false;
  wake_.Clear();
  hub_ = hub;
  if (hub_ != nullptr)
    hub_->Add(this);
  else
    thread_ = std::thread([this] { Run(); });
  return true;
}

void TcpListener::Stop() {
  stopping_ = true;
  // Once removed, the hub starts no serving thread any more.
  if (hub_ != nullptr) hub_->Remove(this);
  if (thread_.joinable()) {
    wake_.Wake();
    thread_.join();
  }
  hub_ = nullptr;
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = -1;
}

void TcpListener::Run() {
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

}  // namespace varnalux::sim

namespace varnalux::sim {

// On the hub's thread, which holds its lock: a thread left from the last
// turn has handed the socket back already and is at its end. When no
// thread can be started, the waiting connection is closed unserved, as a
// busy printer would.
bool TcpListener::ConnectionWaiting() {
  if (thread_.joinable()) thread_.join();
  try {
    thread_ = std::thread([this] { ServeWaiting(); });
    return true;
  } catch (const std::system_error&) {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) close(fd);
    return false;
  }
}

void TcpListener::ServeWaiting() {
  while (!stopping_) {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) break;
    Serve(fd);
    close(fd);
  }
  if (hub_ != nullptr) hub_->Resume(this);
}

}  // namespace varnalux::sim
