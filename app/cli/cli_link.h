// The link the command-line tool talks through, chosen by its options.
#pragma once

#include <string>
#include <vector>

#include "base/codes.h"
#include "link/link_settings.h"

namespace varnalux {

struct CliLink {
  InterfaceKind kind = KindUsb;
  SerialSettings serial{};
  char parallel[ParallelNameSize] = {};
  TcpTarget tcp{};
};

inline constexpr int ExitUsage = 64;
// diff-config: the two configurations differ.
inline constexpr int ExitDifferent = 6;

// Parses the link options at the front of args (removing them) into link.
// Returns false with a message in error when an option is bad.
bool ParseLinkOptions(std::vector<std::string>& args, CliLink& link, std::string& error);

// Prints the message of a non-zero code to standard error; returns the code.
int ReportCliResult(ResultCode code);

}  // namespace varnalux
