// One UDP socket that answers the discovery and network-setting protocol
// for several virtual printers: every datagram is offered to each printer,
// and each answer goes back to the sender as a datagram of its own. A
// discovery request thus gets one answer per printer; a request for one
// MAC address only that printer's.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "sim/fd_io.h"
#include "sim/udp_responder.h"

namespace varnalux::sim {

class VirtualPrinter;

class SharedUdpSocket {
 public:
  SharedUdpSocket() = default;
  ~SharedUdpSocket();
  SharedUdpSocket(const SharedUdpSocket&) = delete;
  SharedUdpSocket& operator=(const SharedUdpSocket&) = delete;

  // Binds as options say and serves the printers (which must outlive
  // Stop); false when the socket cannot be bound.
  bool Start(const UdpServeOptions& options, std::vector<VirtualPrinter*> printers);
  void Stop();
  uint16_t Port() const { return port_; }

 private:
  void Run();
  void Reply(const std::vector<uint8_t>& answer, const void* to, unsigned toLength);

  std::vector<VirtualPrinter*> printers_;
  WakePipe wake_;
  std::atomic<bool> stopping_{false};
  int fd_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace varnalux::sim
