// The printer's TCP port: one connection served at a time, the next one
// accepted when the previous closed (or stayed idle too long).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "sim/fd_io.h"
#include "sim/printer_core.h"

namespace varnalux::sim {

// A connection without any byte for this long is closed.
inline constexpr int IdleCloseSeconds = 60;

// A listening IPv4 socket on a numeric address ("localhost" is taken as
// 127.0.0.1); -1 on failure. port 0 picks a free port; boundPort tells it.
int OpenListener(const std::string& address, uint16_t port, uint16_t& boundPort);

class TcpTransport {
 public:
  explicit TcpTransport(PrinterCore& core);
  ~TcpTransport();
  TcpTransport(const TcpTransport&) = delete;
  TcpTransport& operator=(const TcpTransport&) = delete;

  bool Start(const std::string& address, uint16_t port);
  uint16_t Port() const { return port_; }
  void Stop();

 private:
  void Run();
  void Serve(int fd);

  PrinterCore& core_;
  WakePipe wake_;
  std::atomic<bool> stopping_{false};
  int listenFd_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace varnalux::sim
