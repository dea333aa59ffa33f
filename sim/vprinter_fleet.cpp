#include "sim/vprinter_fleet.h"

#include <cstdio>

namespace varnalux::sim {

namespace {

// Room left for "-NNNN" in a network name of up to 63 characters.
constexpr size_t FleetBaseNameMax = 58;

// The options that serve one printer only; an error message, or empty.
std::string SingleOnly(const VprinterSettings& s) {
  if (s.pty) return "--pty does not go with --fleet";
  if (!s.tcp) return "--no-tcp does not go with --fleet";
  if (!s.record.empty()) return "--record does not go with --fleet";
  if (s.useStdin) return "--stdin does not go with --fleet";
  return {};
}

// One --fleet-fault FAULT:LIST applied to the plan's faults.
std::string ApplyFleetFault(const std::string& text, FleetPlan& plan) {
  const size_t colon = text.find(':');
  Fault fault = Fault::None;
  if (colon == std::string::npos || !FaultFromName(text.substr(0, colon), fault))
    return "--fleet-fault needs FAULT:LIST with a fault name, not '" + text + "'";
  std::vector<bool> chosen;
  if (std::string error = ChoosePrinters(text.substr(colon + 1), plan.count, chosen);
      !error.empty())
    return "--fleet-fault " + text + ": " + error;
  for (size_t i = 0; i < chosen.size(); ++i)
    if (chosen[i]) plan.faults[i] = fault;
  return {};
}

// The TCP, control and UDP addresses of the plan.
std::string PlanAddresses(const VprinterSettings& s, FleetPlan& plan) {
  if (!SplitAddress(s.listen, plan.address, plan.port)) return "bad --listen " + s.listen;
  if (std::string error = CheckPortRange("--listen", plan.port, plan.count); !error.empty())
    return error;
  plan.control = !s.control.empty();
  if (plan.control) {
    if (!SplitAddress(s.control, plan.controlAddress, plan.controlPort))
      return "bad --control " + s.control;
    if (std::string error = CheckPortRange("--control", plan.controlPort, plan.count);
        !error.empty())
      return error;
  }
  plan.udp = !s.udp.empty();
  plan.udpOptions = s.udpOptions;
  if (plan.udp && !SplitAddress(s.udp, plan.udpOptions.address, plan.udpOptions.port))
    return "bad --udp " + s.udp;
  return {};
}

bool WriteList(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
  return fclose(f) == 0 && ok;
}

}  // namespace

std::string PlanFleet(const VprinterSettings& s, FleetPlan& plan) {
  if (std::string error = SingleOnly(s); !error.empty()) return error;
  plan.count = s.fleet;
  if (std::string error = PlanAddresses(s, plan); !error.empty()) return error;
  if (s.netNameGiven) plan.baseName = s.netName;
  if (plan.baseName.size() > FleetBaseNameMax)
    return "--net-name of a fleet takes up to " + std::to_string(FleetBaseNameMax) + " characters";
  if (!s.mac.empty()) plan.baseMac = s.mac;
  plan.faults.assign(static_cast<size_t>(plan.count), s.fault);
  for (const std::string& text : s.fleetFaults)
    if (std::string error = ApplyFleetFault(text, plan); !error.empty()) return error;
  return {};
}

std::string StartFleet(Fleet& fleet, const VprinterSettings& s, const Fleet::Setup& setup) {
  FleetPlan plan;
  if (std::string error = PlanFleet(s, plan); !error.empty()) return error;
  if (std::string error = fleet.Start(plan, s.options, setup); !error.empty()) return error;
  fputs(fleet.Announcement().c_str(), stdout);
  if (plan.udp) printf("udp %s:%u\n", plan.udpOptions.address.c_str(), fleet.UdpPort());
  if (!s.fleetList.empty() && !WriteList(s.fleetList, fleet.PrinterList()))
    return "cannot write " + s.fleetList;
  return {};
}

}  // namespace varnalux::sim
