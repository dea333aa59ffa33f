// probe, status and send.
#include <cstdio>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_progress.h"
#include "app/dispatcher.h"
#include "protocol/input_file.h"
#include "protocol/report_exchange.h"

namespace varnalux {

int CmdProbe(CliLink& link, const CliArgs& args) {
  if (!args.empty()) return UsageError("probe");
  return ReportCliResult(RunOperation(OpTestConnection, link.kind, nullptr, 0));
}

int CmdStatus(CliLink& link, const CliArgs& args) {
  bool json = false;
  for (const std::string& a : args) {
    if (a == "--json")
      json = true;
    else
      return UsageError("status [--json]");
  }
  PrinterStatus status;
  ResultCode code = RunOperation(OpQueryStatus, link.kind, &status, 0);
  if (code != ResultOk) return ReportCliResult(code);
  bool ready = StatusReady(status);
  if (json) {
    printf(
        "{\"headOpen\": %d, \"paperJam\": %d, \"outOfPaper\": %d, \"outOfRibbon\": %d, "
        "\"pause\": %d, \"printing\": %d, \"bit6\": %d, \"otherError\": %d, \"ready\": %s}\n",
        status.headOpen, status.paperJam, status.outOfPaper, status.outOfRibbon, status.pause,
        status.printing, status.bit6, status.otherError, ready ? "true" : "false");
    return 0;
  }
  // The captions of the lit indicators, in the order of the window's labels.
  if (ready) printf("Ready\n");
  if (status.headOpen) printf("Head Open\n");
  if (status.paperJam) printf("Paper Jam\n");
  if (status.outOfPaper) printf("Out of Paper\n");
  if (status.outOfRibbon) printf("Out of Ribbon\n");
  if (status.pause) printf("Pause\n");
  if (status.printing) printf("Printting\n");
  if (status.otherError) printf("Other Error\n");
  return 0;
}

int CmdSend(CliLink& link, const CliArgs& args) {
  if (args.size() != 1) return UsageError("send FILE|-");
  std::vector<uint8_t> bytes;
  const InputFileResult read = ReadInputFile(args[0], MostSendBytes, bytes);
  if (read != InputFileResult::Ok) {
    const char* name = args[0] == "-" ? "standard input" : args[0].c_str();
    fprintf(stderr, "varnalux-cli: %s %s\n", name, InputFileProblem(read));
    return ReportCliResult(ResultFileOpenError);
  }
  if (bytes.size() > 0x7fffffffu) return ReportCliResult(ResultFileOpenError);
  TerminalTransferProgress progress(bytes.size());
  return ReportCliResult(
      RunOperation(OpSendRaw, link.kind, bytes.data(), static_cast<int32_t>(bytes.size())));
}

}  // namespace varnalux
