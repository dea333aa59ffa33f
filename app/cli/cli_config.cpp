// Placeholder until the configuration commands are built.
#include <cstdio>

#include "app/cli/cli_commands.h"

namespace varnalux {
static int NotBuilt(const char* name) {
  fprintf(stderr, "varnalux-cli: %s is not available yet\n", name);
  return ExitUsage;
}
int CmdReadConfig(CliLink&, const CliArgs&) { return NotBuilt("read-config"); }
int CmdWriteConfig(CliLink&, const CliArgs&) { return NotBuilt("write-config"); }
int CmdShowConfig(CliLink&, const CliArgs&) { return NotBuilt("show-config"); }
int CmdDiffConfig(CliLink&, const CliArgs&) { return NotBuilt("diff-config"); }
}  // namespace varnalux
