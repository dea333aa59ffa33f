// A fleet of virtual printers in one process: each with its own state,
// TCP port, name, MAC address and (optionally) control channel, and one UDP
// socket that answers discovery for all of them. One thread waits on every
// listening socket; a printer has a thread only while it serves a
// connection.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/fleet_plan.h"
#include "sim/listener_hub.h"
#include "sim/shared_udp.h"
#include "sim/virtual_printer.h"

namespace varnalux::sim {

class Fleet {
 public:
  // Prepares one printer before it serves; an error message, or empty.
  using Setup = std::function<std::string(VirtualPrinter&)>;

  Fleet() = default;
  ~Fleet();
  Fleet(const Fleet&) = delete;
  Fleet& operator=(const Fleet&) = delete;

  // Makes plan.count printers, each prepared by setup, then given its name,
  // MAC address and fault, then started; an error message, or empty (a
  // failed start leaves the fleet stopped).
  std::string Start(const FleetPlan& plan, const PrinterOptions& options, const Setup& setup);
  void Stop();

  size_t Size() const { return members_.size(); }
  VirtualPrinter& Printer(size_t index) { return *members_[index].printer; }
  const std::string& Name(size_t index) const { return members_[index].name; }
  uint16_t UdpPort() const { return udp_.Port(); }

  // One line per printer: "printer NAME listening ADDR:PORT", followed by
  // " control ADDR:PORT" when the printers have a control channel.
  std::string Announcement() const;
  // The printer list: one "NAME tcp:ADDR:PORT" line per printer.
  std::string PrinterList() const;

 private:
  struct Member {
    std::string name;
    std::unique_ptr<VirtualPrinter> printer;
  };
  std::string Prepare(int number, const PrinterOptions& options, const Setup& setup);
  std::string Serve(Member& member, int number);

  FleetPlan plan_;
  ListenerHub hub_;  // waits on every printer's sockets; outlives them
  std::vector<Member> members_;
  SharedUdpSocket udp_;
};

}  // namespace varnalux::sim
