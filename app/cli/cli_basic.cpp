// probe, status and send.
#include <cstdio>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_output.h"
#include "app/cli/cli_progress.h"
#include "base/input_file.h"
#include "operations/dispatcher.h"
#include "protocol/report_exchange.h"
#include "protocol/stream_send.h"

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
    fprintf(CliOut(),
            "{\"headOpen\": %d, \"paperJam\": %d, \"outOfPaper\": %d, \"outOfRibbon\": %d, "
            "\"pause\": %d, \"printing\": %d, \"bit6\": %d, \"otherError\": %d, \"ready\": %s}\n",
            status.headOpen, status.paperJam, status.outOfPaper, status.outOfRibbon, status.pause,
            status.printing, status.bit6, status.otherError, ready ? "true" : "false");
    return 0;
  }
  // The captions of the lit indicators, in the order of the window's labels.
  if (ready) fprintf(CliOut(), "Ready\n");
  if (status.headOpen) fprintf(CliOut(), "Head Open\n");
  if (status.paperJam) fprintf(CliOut(), "Paper Jam\n");
  if (status.outOfPaper) fprintf(CliOut(), "Out of Paper\n");
  if (status.outOfRibbon) fprintf(CliOut(), "Out of Ribbon\n");
  if (status.pause) fprintf(CliOut(), "Pause\n");
  if (status.printing) fprintf(CliOut(), "Printting\n");
  if (status.otherError) fprintf(CliOut(), "Other Error\n");
  return 0;
}

// The file (or standard input) goes to the printer piece by piece as it is
// read: the memory of a send does not grow with its size, and bytes that
// come slowly through a pipe go on as they come.
int CmdSend(CliLink& link, const CliArgs& args) {
  if (args.size() != 1) return UsageError("send FILE|-");
  const bool standardInput = args[0] == "-";
  const char* name = standardInput ? "standard input" : args[0].c_str();
  InputFile file;
  const InputFileResult opened = standardInput ? file.OpenStandardInput() : file.Open(args[0]);
  if (opened != InputFileResult::Ok) {
    fprintf(CliErr(), "varnalux-cli: %s %s\n", name, InputFileProblem(opened));
    return ReportCliResult(ResultFileOpenError);
  }
  StreamReport report;
  ResultCode code;
  {
    TerminalTransferProgress progress(file.SizeKnown() ? file.Size() : UnknownTotal, CliErr());
    code = RunFileSend(link.kind, file, report);
  }
  if (code == ResultFileOpenError)
    fprintf(CliErr(), "varnalux-cli: %s %s\n", name, StreamProblemText(file, report).c_str());
  return ReportCliResult(code);
}

}  // namespace varnalux
