// A small text control channel on TCP: one command a line, each answered
// by reply lines that end in a line "OK" or "ERROR ...". One client at a
// time; "quit" closes the connection.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "sim/fd_io.h"

namespace varnalux::sim {

class VirtualPrinter;

class ControlChannel {
 public:
  explicit ControlChannel(VirtualPrinter& printer);
  ~ControlChannel();
  ControlChannel(const ControlChannel&) = delete;
  ControlChannel& operator=(const ControlChannel&) = delete;

  bool Start(const std::string& address, uint16_t port);
  uint16_t Port() const { return port_; }
  void Stop();

 private:
  void Run();
  void Serve(int fd);

  VirtualPrinter& printer_;
  WakePipe wake_;
  std::atomic<bool> stopping_{false};
  int listenFd_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

// Runs one control command against printer. close is set for "quit".
std::string RunControlCommand(VirtualPrinter& printer, const std::string& line, bool& close);

}  // namespace varnalux::sim
