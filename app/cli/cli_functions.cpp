// Placeholder until the printer function commands are built.
#include <cstdio>

#include "app/cli/cli_commands.h"

namespace varnalux {
static int NotBuilt(const char* name) {
  fprintf(stderr, "varnalux-cli: %s is not available yet\n", name);
  return ExitUsage;
}
int CmdFactoryDefault(CliLink&, const CliArgs&) { return NotBuilt("factory-default"); }
int CmdSelftest(CliLink&, const CliArgs&) { return NotBuilt("selftest"); }
int CmdDumpText(CliLink&, const CliArgs&) { return NotBuilt("dump-text"); }
int CmdCalibrate(CliLink&, const CliArgs&) { return NotBuilt("calibrate"); }
int CmdReset(CliLink&, const CliArgs&) { return NotBuilt("reset"); }
int CmdIgnoreAutoBas(CliLink&, const CliArgs&) { return NotBuilt("ignore-autobas"); }
int CmdTestPage(CliLink&, const CliArgs&) { return NotBuilt("test-page"); }
int CmdClock(CliLink&, const CliArgs&) { return NotBuilt("clock"); }
}  // namespace varnalux
