// Runs one command for every printer of a list, N printers at a time, each
// on a worker thread of its own that binds its printer's link settings and
// output buffers. Printers behind one serial, parallel or USB device form a
// lane that one worker serves in list order, so a device never carries two
// runs at once; every network printer is a lane of its own. A printer that
// does not answer holds only its own worker, for its own time-out.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/fleet_report.h"
#include "app/cli/printer_list.h"

namespace varnalux {

inline constexpr int FleetJobsDefault = 8;
inline constexpr int FleetJobsMax = 256;

// The words of the command with every {name} replaced by the name.
CliArgs WithPrinterName(const CliArgs& args, const std::string& name);

// What a link's device is known by ("" for a network printer, which has
// none to share): the device file behind a serial or parallel port (after
// links), or "usb".
std::string DeviceKey(const CliLink& link);

// The printers' indices by lane, in list order, lanes in the order of their
// first printer.
std::vector<std::vector<size_t>> FleetLanes(const std::vector<ListedPrinter>& printers);

// The command for one printer on the calling thread, with its output
// captured.
PrinterOutcome RunForPrinter(const ListedPrinter& printer, const CliCommand& command,
                             const CliArgs& args);

// The command with no link at all, to see its arguments refused once (64)
// before any printer is served: every command reads its words before it
// opens a link. 0 when they pass (or cannot be tried without reading
// standard input); the refusal's message goes to the err text.
int TryArguments(const CliCommand& command, const CliArgs& args, const std::string& name,
                 std::string& err);

// Runs every printer; finished is called as each one ends (one call at a
// time, from the worker that served it).
using FinishedPrinter = std::function<void(size_t index, const PrinterOutcome& outcome)>;
void RunFleet(const std::vector<ListedPrinter>& printers, const CliCommand& command,
              const CliArgs& args, int jobs, const FinishedPrinter& finished);

}  // namespace varnalux
