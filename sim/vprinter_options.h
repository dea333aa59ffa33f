// What the command line of varnalux-vprinter asks for, and its reading.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/printer_options.h"
#include "sim/udp_responder.h"

namespace varnalux::sim {

// What the command line asks for.
struct VprinterSettings {
  PrinterOptions options;
  std::string listen = "127.0.0.1:9100";
  bool tcp = true;
  bool pty = false;
  std::string linkPath;
  std::string control;
  std::string record;
  bool useStdin = false;
  Fault fault = Fault::None;
  std::vector<std::pair<std::string, std::string>> answers;
  std::vector<std::string> forgotten;
  std::vector<std::string> full;
  std::string udp;
  UdpServeOptions udpOptions;
  std::string mac;
  std::string netName;
  bool netNameGiven = false;
  std::string fixedIp;
  int fleet = 0;  // printers in one process; 0 for the single printer
  std::string fleetList;
  std::vector<std::string> fleetFaults;  // FAULT:LIST, as given
  bool done = false;                     // --help or --version answered: nothing to serve
};

// Reads the command line into settings; an error message, or empty.
std::string ParseCommandLine(int argc, char** argv, VprinterSettings& settings);

// "ADDR:PORT" into its parts; false when it is not one.
bool SplitAddress(const std::string& text, std::string& address, uint16_t& port);

}  // namespace varnalux::sim
