#include "app/cli/fleet_main.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/cli/fleet_report.h"
#include "app/cli/fleet_run.h"
#include "app/cli/printer_list.h"
#include "base/numbers.h"
#include "base/printable_text.h"

namespace varnalux {

namespace {

constexpr const char* FleetUsage =
    "usage: varnalux-cli --printers FILE [--jobs N] [--json] COMMAND [arguments]\n";

struct FleetOptions {
  std::string list;
  int jobs = FleetJobsDefault;
  bool json = false;
};

int Refuse(const std::string& why) {
  fprintf(stderr, "varnalux-cli: %s\n%s", why.c_str(), FleetUsage);
  return ExitUsage;
}

// Takes --printers, --jobs and --json from the front of args.
bool TakeFleetOptions(CliArgs& args, FleetOptions& options, std::string& error) {
  size_t i = 0;
  for (; i < args.size() && IsFleetOption(args[i]); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      options.json = true;
      continue;
    }
    if (i + 1 >= args.size()) return error = a + " needs a value", false;
    const std::string& v = args[++i];
    if (a == "--printers") {
      if (v.empty()) return error = "--printers needs a file", false;
      options.list = v;
    } else if (!ParseStrictInteger(v.c_str(), options.jobs) || options.jobs < 1 ||
               options.jobs > FleetJobsMax) {
      return error = "--jobs takes 1 to " + std::to_string(FleetJobsMax) + ", not " + PlainText(v),
             false;
    }
  }
  args.erase(args.begin(), args.begin() + static_cast<long>(i));
  if (options.list.empty()) return error = "--jobs and --json go with --printers FILE", false;
  return true;
}

// True when args start with a link option.
bool StartsWithLinkOption(const CliArgs& args) {
  CliArgs copy = args;
  CliLink link;
  std::string error;
  return !ParseLinkOptions(copy, link, error) || copy.size() != args.size();
}

bool Has(const CliArgs& args, const char* word) {
  for (const std::string& a : args)
    if (a == word) return true;
  return false;
}

// Tries the command's arguments as each printer gets them (once when they
// do not hold its name); true, with the refusal said, when any is refused.
bool ArgumentsRefused(const CliCommand& command, const CliArgs& args,
                      const std::vector<ListedPrinter>& printers) {
  const bool named = std::any_of(args.begin(), args.end(), [](const std::string& a) {
    return a.find("{name}") != std::string::npos;
  });
  for (const ListedPrinter& printer : printers) {
    std::string err;
    if (TryArguments(command, args, printer.name, err) == ExitUsage) {
      if (named) fprintf(stderr, "varnalux-cli: for the printer %s:\n", printer.name.c_str());
      fputs(err.c_str(), stderr);
      return true;
    }
    if (!named) break;
  }
  return false;
}

}  // namespace

bool IsFleetOption(const std::string& word) {
  return word == "--printers" || word == "--jobs" || word == "--json";
}

std::string FleetRefusal(const CliCommand& command, const CliArgs& args, size_t printers) {
  const std::string name = command.name;
  if (command.fleet == FleetUse::NoPrinter || (name == "diff-config" && !Has(args, "printer")))
    return name + " needs no printer: run it without --printers";
  if (name == "format" && !Has(args, "--yes"))
    return "format over a list of printers asks no question: give --yes";
  if (printers < 2) return "";
  if (name == "send" && Has(args, "-"))
    return "standard input can go to one printer only: send a file";
  if (name == "net" && !args.empty() && args[0] == "set-ip")
    return "net set-ip would give every printer the same address: set one printer at a time";
  if (command.writesAfter == nullptr) return "";
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == command.writesAfter && args[i + 1].find("{name}") == std::string::npos)
      return name + " writes " + PlainText(args[i + 1]) +
             " for every printer: put {name} in it, as in 'backup/{name}.dcf'";
  return "";
}

int FleetMain(const CliArgs& all) {
  CliArgs args = all;
  FleetOptions options;
  std::string error;
  if (!TakeFleetOptions(args, options, error)) return Refuse(error);
  if (!args.empty() && StartsWithLinkOption(args))
    return Refuse("a list of printers names their links: give no link option");
  if (args.empty()) return Refuse("give a command");
  const CliCommand* command = FindCliCommand(args[0]);
  if (command == nullptr) return Refuse("unknown command '" + PlainText(args[0]) + "'");
  const CliArgs commandArgs(args.begin() + 1, args.end());
  std::vector<ListedPrinter> printers;
  if (!LoadPrinterList(options.list, printers, error)) return Refuse(error);
  if (std::string why = FleetRefusal(*command, commandArgs, printers.size()); !why.empty())
    return Refuse(why);
  if (ArgumentsRefused(*command, commandArgs, printers)) return ExitUsage;

  const auto start = std::chrono::steady_clock::now();
  FleetReport report(printers, options.json, Has(commandArgs, "--json"));
  RunFleet(printers, *command, commandArgs, options.jobs,
           [&](size_t index, const PrinterOutcome& outcome) {
             report.Finished(printers[index], outcome);
           });
  report.Summary(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return report.Worst();
}

}  // namespace varnalux
