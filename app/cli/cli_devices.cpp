// Placeholder until the device listing is built.
#include <cstdio>

#include "app/cli/cli_commands.h"

namespace varnalux {
int CmdDevices(CliLink&, const CliArgs&) {
  fprintf(stderr, "varnalux-cli: devices is not available yet\n");
  return ExitUsage;
}
}  // namespace varnalux
