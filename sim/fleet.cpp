#include "sim/fleet.h"

namespace varnalux::sim {

namespace {
// Port of printer number (from 1) in a range starting at first; 0 stays 0.
uint16_t PortOf(uint16_t first, int number) {
  return first == 0 ? 0 : static_cast<uint16_t>(first + number - 1);
}
}  // namespace

Fleet::~Fleet() { Stop(); }

std::string Fleet::Start(const FleetPlan& plan, const PrinterOptions& options, const Setup& setup) {
  Stop();
  members_.clear();
  plan_ = plan;
  if (plan.count < 1 || plan.count > FleetMax ||
      plan.faults.size() != static_cast<size_t>(plan.count))
    return "a fleet has 1 to " + std::to_string(FleetMax) + " printers";
  if (!hub_.Start()) return "cannot start the listening thread";
  members_.reserve(static_cast<size_t>(plan.count));
  for (int number = 1; number <= plan.count; ++number)
    if (std::string error = Prepare(number, options, setup); !error.empty()) return error;
  for (int number = 1; number <= plan.count; ++number)
    if (std::string error = Serve(members_[static_cast<size_t>(number - 1)], number);
        !error.empty()) {
      Stop();
      return error;
    }
  if (!plan.udp) return {};
  std::vector<VirtualPrinter*> printers;
  for (Member& m : members_) printers.push_back(m.printer.get());
  if (udp_.Start(plan.udpOptions, printers)) return {};
  Stop();
  return "cannot serve UDP on " + plan.udpOptions.address + ":" +
         std::to_string(plan.udpOptions.port);
}

std::string Fleet::Prepare(int number, const PrinterOptions& options, const Setup& setup) {
  Member member{FleetName(plan_.baseName, number), std::make_unique<VirtualPrinter>(options)};
  VirtualPrinter& printer = *member.printer;
  if (setup)
    if (std::string error = setup(printer); !error.empty()) return error;
  NetworkSettings net = printer.Network();
  net.netName = member.name;
  if (!FleetMac(plan_.baseMac, number - 1, net.macAddress)) return "bad MAC " + plan_.baseMac;
  printer.SetNetwork(net);
  printer.SetFault(plan_.faults[static_cast<size_t>(number - 1)]);
  members_.push_back(std::move(member));
  return {};
}

std::string Fleet::Serve(Member& member, int number) {
  const uint16_t port = PortOf(plan_.port, number);
  if (!member.printer->StartTcp(plan_.address, port, &hub_))
    return "cannot listen on " + plan_.address + ":" + std::to_string(port) + " for " + member.name;
  if (!plan_.control) return {};
  const uint16_t controlPort = PortOf(plan_.controlPort, number);
  if (!member.printer->StartControl(plan_.controlAddress, controlPort, &hub_))
    return "cannot listen on " + plan_.controlAddress + ":" + std::to_string(controlPort) +
           " for the control channel of " + member.name;
  return {};
}

void Fleet::Stop() {
  udp_.Stop();
  for (Member& m : members_) m.printer->Stop();
  hub_.Stop();
}

std::string Fleet::Announcement() const {
  std::string lines;
  for (const Member& m : members_) {
    lines += "printer " + m.name + " listening " + plan_.address + ":" +
             std::to_string(m.printer->TcpPort());
    if (plan_.control)
      lines += " control " + plan_.controlAddress + ":" + std::to_string(m.printer->ControlPort());
    lines += "\n";
  }
  return lines;
}

std::string Fleet::PrinterList() const {
  std::string lines;
  for (const Member& m : members_)
    lines += m.name + " tcp:" + plan_.address + ":" + std::to_string(m.printer->TcpPort()) + "\n";
  return lines;
}

}  // namespace varnalux::sim
