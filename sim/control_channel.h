// A small text control channel on TCP: one command a line, each answered
// by reply lines that end in a line "OK" or "ERROR ...". One client at a
// time; "quit" closes the connection.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "sim/tcp_listener.h"

namespace varnalux::sim {

class VirtualPrinter;

class ControlChannel : public TcpListener {
 public:
  explicit ControlChannel(VirtualPrinter& printer);
  ~ControlChannel() override;

 private:
  void Serve(int fd) override;

  VirtualPrinter& printer_;
};

// Runs one control command against printer. close is set for "quit".
std::string RunControlCommand(VirtualPrinter& printer, const std::string& line, bool& close);

}  // namespace varnalux::sim
