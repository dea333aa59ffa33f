// varnalux-cli: the operations of the main window for scripts and fleets.
// It calls RunOperation with the same codes as the window, so the bytes on
// the wire are the same.
#include <cstdio>
#include <cstring>

#include "app/cli/cli_commands.h"
#include "app/cli/fleet_main.h"
#include "varnalux_version.h"

using namespace varnalux;

namespace {

const CliCommand Commands[] = {
    {"probe", "probe", CmdProbe},
    {"status", "status [--json]", CmdStatus},
    {"send", "send FILE|-", CmdSend},
    {"read-config", "read-config [--json] [--save FILE.dcf]", CmdReadConfig, FleetUse::PerPrinter,
     "--save"},
    {"write-config", "write-config FILE.dcf", CmdWriteConfig},
    {"show-config", "show-config FILE.dcf [--json]", CmdShowConfig, FleetUse::NoPrinter},
    {"diff-config", "diff-config A B   (each a .dcf file or the word printer)", CmdDiffConfig},
    {"devices", "devices", CmdDevices, FleetUse::NoPrinter},
    {"factory-default", "factory-default", CmdFactoryDefault},
    {"selftest", "selftest", CmdSelftest},
    {"dump-text", "dump-text print|card NAME|file OUT", CmdDumpText, FleetUse::PerPrinter, "file"},
    {"calibrate", "calibrate gap|bline|continuous", CmdCalibrate},
    {"reset", "reset", CmdReset},
    {"ignore-autobas", "ignore-autobas", CmdIgnoreAutoBas},
    {"test-page", "test-page WIDTH_MM HEIGHT_MM", CmdTestPage},
    {"clock", "clock get [--json] | clock set now|YYYY-MM-DDTHH:MM:SS", CmdClock},
    {"files", "files [--json]", CmdFiles},
    {"download",
     "download FILE [--type bmp|pcx|ttf|font|bas|data|firmware|kvx]\n"
     "           [--device dram|flash|card] [--name NAME]",
     CmdDownload},
    {"format", "format dram|flash|card [--yes]", CmdFormat},
    {"make-font",
     "make-font OUT --font FAMILY|FILE [--style regular|bold|italic|bold-italic]\n"
     "      [--size PT | --pixel-size PX] [--encoding standard|asian|table|asian-table]\n"
     "      [--range START-END | --mapping standard|full] [--asian tc|sc|kr|jp]\n"
     "      [--table FILE] [--codepage N] [--width W] [--height H] [--italic-width N]\n"
     "      [--pitch fixed|variable] [--strict] [--allow-fallback]",
     CmdMakeFont, FleetUse::NoPrinter},
    {"font-info", "font-info FILE [--json]", CmdFontInfo, FleetUse::NoPrinter},
    {"font-sheet", "font-sheet FILE OUT.png", CmdFontSheet, FleetUse::NoPrinter},
    {"net", "net get [--json] | net set-dhcp | net set-ip IP MASK GATEWAY | net set-name NAME",
     CmdNet},
    {"discover", "discover [--json] [--save-printers FILE]", CmdDiscover, FleetUse::NoPrinter},
    {"remote-reset", "remote-reset MAC", CmdRemoteReset, FleetUse::NoPrinter},
    {"remote-set", "remote-set MAC [--dhcp | --static IP MASK GATEWAY] [--name NAME]", CmdRemoteSet,
     FleetUse::NoPrinter},
};

}  // namespace

namespace varnalux {

void PrintCliUsage(FILE* out) {
  fprintf(out,
          "usage: varnalux-cli [link option] COMMAND [arguments]\n"
          "       varnalux-cli --printers FILE [--jobs N] [--json] COMMAND [arguments]\n"
          "       varnalux-cli --help | --version\n"
          "link options (one of; --usb is the default):\n"
          "  --usb\n"
          "  --com PORT   COM1..COM30 or a device path, with\n"
          "               --baud 2400|4800|9600|19200|38400|57600|115200  --data 7|8\n"
          "               --parity none|odd|even  --stop 1|1.5|2\n"
          "               --hw none|rts|rtscts  --sw none|xonxoff\n"
          "  --lpt PORT   LPT1..LPT4 or a device path\n"
          "  --tcp HOST[:PORT]   port 9100 when omitted\n"
          "a list of printers instead of a link option:\n"
          "  --printers FILE   COMMAND for every printer of FILE ({name} in an argument\n"
          "                    is the printer's name)\n"
          "  --jobs N          printers served at once, 1..256 (8 when omitted)\n"
          "  --json            one JSON object a printer, then a summary\n"
          "commands:\n");
  for (const CliCommand& c : Commands) fprintf(out, "  %s\n", c.usage);
  fprintf(out,
          "exit status: 0 success, 1 Port Open Error, 2 Data Transmission Error,\n"
          "3 Data Receiving Error, 4 File Open Error, 5 Unknow Error,\n"
          "6 configurations differ, 64 bad usage; with --printers the worst of the\n"
          "printers' results\n");
}

const CliCommand* FindCliCommand(const std::string& name) {
  for (const CliCommand& c : Commands)
    if (name == c.name) return &c;
  return nullptr;
}

}  // namespace varnalux

int main(int argc, char** argv) {
  CliArgs args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    PrintCliUsage(stdout);
    return 0;
  }
  if (!args.empty() && args[0] == "--version") {
    printf("varnalux-cli %s\n", VARNALUX_VERSION);
    return 0;
  }
  // A list of printers comes before the command, as a link option does.
  if (!args.empty() && IsFleetOption(args[0])) return FleetMain(args);
  CliLink link;
  std::string error;
  if (!ParseLinkOptions(args, link, error)) {
    fprintf(stderr, "varnalux-cli: %s\n", error.c_str());
    PrintCliUsage(stderr);
    return ExitUsage;
  }
  if (args.empty()) {
    PrintCliUsage(stderr);
    return ExitUsage;
  }
  if (IsFleetOption(args[0])) {
    fprintf(stderr, "varnalux-cli: a list of printers names their links: give no link option\n");
    return ExitUsage;
  }
  // No progress window here: the links write without an observer.
  BindLinkSettings(link.serial, link.parallel, link.tcp);
  if (const CliCommand* c = FindCliCommand(args[0]); c != nullptr) {
    try {
      return c->run(link, CliArgs(args.begin() + 1, args.end()));
    } catch (...) {
      // Out of memory on a huge input, say: a code and a message, not an abort.
      return ReportCliResult(ResultUnknownError);
    }
  }
  fprintf(stderr, "varnalux-cli: unknown command '%s'\n", args[0].c_str());
  PrintCliUsage(stderr);
  return ExitUsage;
}
