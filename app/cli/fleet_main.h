// varnalux-cli --printers FILE [--jobs N] [--json] COMMAND [arguments]: one
// command for every printer of a list (see printer_list.h, fleet_run.h and
// fleet_report.h).
#pragma once

#include <string>

#include "app/cli/cli_commands.h"

namespace varnalux {

// Whether a word is one of the options that come with a list of printers.
bool IsFleetOption(const std::string& word);

// The whole run from its options on; the exit status. Usage errors (64)
// are found before any printer is served.
int FleetMain(const CliArgs& args);

// Why the command cannot run over this many printers ("" when it can).
std::string FleetRefusal(const CliCommand& command, const CliArgs& args, size_t printers);

}  // namespace varnalux
