// varnalux-vprinter --fleet: the command line made into a fleet plan, and
// the fleet started and announced.
#pragma once

#include <string>

#include "sim/fleet.h"
#include "sim/vprinter_options.h"

namespace varnalux::sim {

// The plan the settings ask for; an error message, or empty.
std::string PlanFleet(const VprinterSettings& settings, FleetPlan& plan);

// Starts the fleet (each printer prepared by setup), prints a line per
// printer and the UDP line, and writes the printer list file when asked;
// an error message, or empty.
std::string StartFleet(Fleet& fleet, const VprinterSettings& settings, const Fleet::Setup& setup);

}  // namespace varnalux::sim
