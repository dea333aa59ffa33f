// Runs varnalux-cli as a separate process, the way scripts use it, and
// captures its exit status and output. Every run is bounded in time.
#pragma once

#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace varnalux::testing {

using CliResult = ProgramResult;

inline CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "",
                        int timeoutMs = 30000) {
  std::vector<std::string> all{VARNALUX_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram(std::move(all), input, timeoutMs);
}

// The tool in a network namespace of its own that holds only a loopback
// interface that is down: whatever it would send cannot leave this process's
// namespace, which ends with it. For checks that a destination the tool must
// refuse (a broadcast or multicast address) is refused. False in `ran` when
// no such namespace can be made here (not root, no unshare).
inline CliResult RunCliWithoutNetwork(const std::vector<std::string>& args, bool& ran) {
  ran = access("/usr/bin/unshare", X_OK) == 0 && geteuid() == 0;
  if (!ran) return {};
  std::vector<std::string> all{"/usr/bin/unshare", "--net", "--", VARNALUX_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram(std::move(all), "", 30000);
}

}  // namespace varnalux::testing
