// read-config, write-config, show-config and diff-config.
#include <cstdio>
#include <string>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_output.h"
#include "operations/dispatcher.h"
#include "protocol/config_file.h"
#include "protocol/config_page_text.h"
#include "protocol/config_text.h"
#include "protocol/printer_config.h"
#include "protocol/report_exchange.h"

namespace varnalux {

namespace {

const char ReadUsage[] = "read-config [--json] [--save FILE.dcf]";
const char WriteUsage[] = "write-config FILE.dcf";
const char ShowUsage[] = "show-config FILE.dcf [--json]";
const char DiffUsage[] = "diff-config A B   (each a .dcf file or the word printer)";

void Print(const std::string& text) { fwrite(text.data(), 1, text.size(), CliOut()); }

// Loads a configuration file; on failure prints the reason and returns the
// exit status (4), else 0.
int LoadForCli(const std::string& path, PrinterConfig& config, int32_t& unit,
               PrinterStatus& status) {
  int r = LoadConfigFile(path, config, unit, status);
  if (r == ConfigFileOk) return 0;
  if (r == ConfigFileOpenFailed) {
    fprintf(CliErr(), "varnalux-cli: cannot open %s\n", path.c_str());
    return ReportCliResult(ResultFileOpenError);
  }
  fprintf(CliErr(), "File Data Error\n");
  return ResultFileOpenError;
}

// Reads the printer's configuration as the page's "Read" does.
ResultCode ReadPrinter(const CliLink& link, PrinterConfig& config) {
  ResetConfig(config);
  return RunOperation(OpReadConfig, link.kind, &config, 0);
}

}  // namespace

int CmdReadConfig(CliLink& link, const CliArgs& args) {
  bool json = false;
  std::string savePath;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--save" && i + 1 < args.size() && !args[i + 1].empty()) {
      savePath = args[++i];
    } else {
      return UsageError(ReadUsage);
    }
  }
  PrinterConfig config;
  ResultCode code = ReadPrinter(link, config);
  if (code != ResultOk) return ReportCliResult(code);
  Print(json ? ConfigAsJson(config) : ConfigAsText(config));
  if (!savePath.empty()) {
    // As the page saves right after a read: unit mm, no status read yet.
    // The listing leaves first, so that a save to standard output follows it.
    fflush(CliOut());
    uint8_t image[ConfigFileSize];
    BuildConfigFile(config, UnitMm, PrinterStatus{}, image);
    if (!SaveConfigFile(savePath, image)) {
      fprintf(CliErr(), "varnalux-cli: cannot write %s\n", savePath.c_str());
      return ReportCliResult(ResultFileOpenError);
    }
  }
  return 0;
}

int CmdWriteConfig(CliLink& link, const CliArgs& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') return UsageError(WriteUsage);
  PrinterConfig shown;
  int32_t unit = 0;
  PrinterStatus status;
  if (int r = LoadForCli(args[0], shown, unit, status); r != 0) return r;
  // The page loaded with the unit mm, then "Set".
  PrinterConfig record;
  CollectResult collected = CollectFromRecord(shown, PageUnitMm, record);
  if (!collected.ok()) {
    fprintf(CliErr(), "%s\n", collected.Message().c_str());
    return ResultFileOpenError;
  }
  return ReportCliResult(RunOperation(OpWriteConfig, link.kind, &record, 0));
}

int CmdShowConfig(CliLink&, const CliArgs& args) {
  std::string path;
  bool json = false;
  for (const std::string& a : args) {
    if (a == "--json")
      json = true;
    else if (path.empty() && !a.empty() && a[0] != '-')
      path = a;
    else
      return UsageError(ShowUsage);
  }
  if (path.empty()) return UsageError(ShowUsage);
  PrinterConfig config;
  int32_t unit = 0;
  PrinterStatus status;
  if (int r = LoadForCli(path, config, unit, status); r != 0) return r;
  if (json)
    Print(ConfigAsJson(config, &unit, &status));
  else
    Print(ConfigAsText(config) + UnitAndStatusAsText(unit, status));
  return 0;
}

int CmdDiffConfig(CliLink& link, const CliArgs& args) {
  if (args.size() != 2 || args[0].empty() || args[1].empty()) return UsageError(DiffUsage);
  PrinterConfig configs[2];
  for (int i = 0; i < 2; ++i) {
    if (args[i] == "printer") {
      ResultCode code = ReadPrinter(link, configs[i]);
      if (code != ResultOk) return ReportCliResult(code);
    } else {
      int32_t unit = 0;
      PrinterStatus status;
      if (int r = LoadForCli(args[i], configs[i], unit, status); r != 0) return r;
    }
  }
  int count = 0;
  Print(DiffConfigs(configs[0], configs[1], count));
  return count == 0 ? 0 : ExitDifferent;
}

}  // namespace varnalux
