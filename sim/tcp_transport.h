// The printer's TCP port: one connection served at a time, the next one
// accepted when the previous closed (or stayed idle too long).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "sim/fd_io.h"
#include "sim/printer_core.h"
#include "sim/tcp_listener.h"

namespace varnalux::sim {

// A connection without any byte for this long is closed.
inline constexpr int IdleCloseSeconds = 60;

class TcpTransport : public TcpListener {
 public:
  explicit TcpTransport(PrinterCore& core);
  ~TcpTransport() override;

 private:
  void Serve(int fd) override;

  PrinterCore& core_;
};

}  // namespace varnalux::sim
