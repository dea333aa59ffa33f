// What a fleet of virtual printers is to be: how many, where each listens,
// and the rules that give each its own name, MAC address and fault.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/printer_options.h"
#include "sim/udp_responder.h"

namespace varnalux::sim {

inline constexpr int FleetMax = 1000;

struct FleetPlan {
  int count = 0;
  // Printer i (from 1) listens on port + i - 1; port 0: each picks one.
  std::string address = "127.0.0.1";
  uint16_t port = 0;
  bool control = false;  // a control channel each, numbered the same way
  std::string controlAddress = "127.0.0.1";
  uint16_t controlPort = 0;
  bool udp = false;  // one socket answers discovery for all
  UdpServeOptions udpOptions;
  std::string baseName = "VPRINTER";
  std::string baseMac = "00:1B:82:56:50:01";
  std::vector<Fault> faults;  // the starting fault of each, count entries
};

// Marks the printers a list names ("1-5,9": numbers and ranges from 1 to
// count, joined by commas) in chosen (count entries, printer 1 first); an
// error message, or empty.
std::string ChoosePrinters(const std::string& list, int count, std::vector<bool>& chosen);

// The name of printer number (from 1): base, a dash, three digits at least.
std::string FleetName(const std::string& base, int number);

// base MAC plus offset in its last three bytes (wrapping within them);
// false when base is not a MAC address.
bool FleetMac(const std::string& base, int offset, std::string& mac);

// An error message when count consecutive ports from port go beyond 65535
// (option names the option in it); empty when they fit or port is 0.
std::string CheckPortRange(const std::string& option, uint16_t port, int count);

}  // namespace varnalux::sim
