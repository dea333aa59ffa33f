// The inside of a VirtualPrinter: the shared printer state and the
// transports that serve it.
#pragma once

#include <memory>

#include "sim/control_channel.h"
#include "sim/printer_core.h"
#include "sim/pty_transport.h"
#include "sim/tcp_transport.h"
#include "sim/udp_responder.h"
#include "sim/virtual_printer.h"

namespace varnalux::sim {

struct VirtualPrinter::State {
  explicit State(const PrinterOptions& options) : core(options), tcp(core), pty(core) {}
  PrinterCore core;
  TcpTransport tcp;
  PtyTransport pty;
  std::unique_ptr<ControlChannel> control;
  std::unique_ptr<UdpResponder> udp;
};

}  // namespace varnalux::sim
