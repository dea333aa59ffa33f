// The commands of the command-line tool. Each takes the arguments after its
// name and returns the process exit status: the ResultCode (0 to 5), 6 for
// configurations that differ, 64 for bad usage.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/cli_link.h"

namespace varnalux {

using CliArgs = std::vector<std::string>;

// How a command takes part in a run over a list of printers.
enum class FleetUse {
  PerPrinter,  // runs once for every printer of the list
  NoPrinter,   // needs no printer: refused with --printers
};

struct CliCommand {
  const char* name;
  const char* usage;
  int (*run)(CliLink& link, const CliArgs& args);
  FleetUse fleet = FleetUse::PerPrinter;
  // The word after which the command names a file it writes (read-config
  // --save FILE, dump-text file OUT); null when it writes none.
  const char* writesAfter = nullptr;
};

// The command of this name; null when there is none.
const CliCommand* FindCliCommand(const std::string& name);
// The tool's usage text.
void PrintCliUsage(FILE* out);

// Foundation.
int CmdProbe(CliLink& link, const CliArgs& args);
int CmdStatus(CliLink& link, const CliArgs& args);
int CmdSend(CliLink& link, const CliArgs& args);

// Configuration.
int CmdReadConfig(CliLink& link, const CliArgs& args);
int CmdWriteConfig(CliLink& link, const CliArgs& args);
int CmdShowConfig(CliLink& link, const CliArgs& args);
int CmdDiffConfig(CliLink& link, const CliArgs& args);

// Devices the program can see.
int CmdDevices(CliLink& link, const CliArgs& args);

// Printer functions and the clock.
int CmdFactoryDefault(CliLink& link, const CliArgs& args);
int CmdSelftest(CliLink& link, const CliArgs& args);
int CmdDumpText(CliLink& link, const CliArgs& args);
int CmdCalibrate(CliLink& link, const CliArgs& args);
int CmdReset(CliLink& link, const CliArgs& args);
int CmdIgnoreAutoBas(CliLink& link, const CliArgs& args);
int CmdTestPage(CliLink& link, const CliArgs& args);
int CmdClock(CliLink& link, const CliArgs& args);

// The printer's memory devices.
int CmdFiles(CliLink& link, const CliArgs& args);
int CmdDownload(CliLink& link, const CliArgs& args);
int CmdFormat(CliLink& link, const CliArgs& args);

// Bitmap fonts: make one, look into a font file, draw its glyphs.
int CmdMakeFont(CliLink& link, const CliArgs& args);
int CmdFontInfo(CliLink& link, const CliArgs& args);
int CmdFontSheet(CliLink& link, const CliArgs& args);

// The printer's own network settings through the link.
int CmdNet(CliLink& link, const CliArgs& args);
// UDP discovery and remote settings (no link).
int CmdDiscover(CliLink& link, const CliArgs& args);
int CmdRemoteReset(CliLink& link, const CliArgs& args);
int CmdRemoteSet(CliLink& link, const CliArgs& args);

// Prints "usage: varnalux-cli [link options] <usage>" to standard error; 64.
int UsageError(const char* usage);

}  // namespace varnalux
