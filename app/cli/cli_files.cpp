// files, download and format: the printer's memory devices.
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_output.h"
#include "app/cli/cli_progress.h"
#include "base/input_file.h"
#include "base/printable_text.h"
#include "operations/dispatcher.h"
#include "protocol/file_manager.h"
#include "protocol/file_names.h"
#include "protocol/stream_send.h"

namespace varnalux {

namespace {

const char FilesUsage[] = "files [--json]";
const char DownloadUsage[] =
    "download FILE [--type bmp|pcx|ttf|font|bas|data|firmware|kvx] [--device dram|flash|card] "
    "[--name NAME]";
const char FormatUsage[] = "format dram|flash|card [--yes]";

const char* const DeviceNames[MemoryDeviceCount] = {"DRAM", "FLASH", "CARD"};
const char* const DeviceWords[MemoryDeviceCount] = {"dram", "flash", "card"};
// The words of --type, in the order of the file-type list.
const char* const TypeWords[FileTypeCount] = {"bmp", "pcx",  "ttf",      "font",
                                              "bas", "data", "firmware", "kvx"};

int DeviceFromWord(const std::string& word) {
  for (int d = 0; d < MemoryDeviceCount; ++d)
    if (word == DeviceWords[d]) return d;
  return -1;
}

int TypeFromWord(const std::string& word) {
  for (int t = 0; t < FileTypeCount; ++t)
    if (word == TypeWords[t]) return t;
  return -1;
}

// Why a list holds fewer names than the printer has, for the text output.
std::string ListCutText(uint8_t cut) {
  switch (cut) {
    case ListCutFull: return "longer than " + std::to_string(DeviceListTextSize) + " bytes";
    case ListCutCancelled: return "cancelled";
    default: return "the printer did not end it in time";
  }
}

// Names from the printer as terminal text: UTF-8 where it is valid; control
// characters (which could move the cursor or change the terminal's state),
// the C1 controls and bytes that are not UTF-8 as \xNN.
void PrintText(const DeviceFiles* files) {
  for (int d = 0; d < MemoryDeviceCount; ++d) {
    const DeviceFiles& f = files[d];
    std::string physical = f.physicalValid ? std::to_string(f.physicalSpace) + " KB" : "";
    std::string free = f.freeValid ? std::to_string(f.freeSpace) + " KB" : "";
    fprintf(CliOut(), "%s physical: %s free: %s\n", DeviceNames[d], physical.c_str(), free.c_str());
    for (const std::string& name : FileListItems(f.listText))
      fprintf(CliOut(), "  %s\n", PlainText(name).c_str());
    if (f.listCut) fprintf(CliOut(), "  (list cut: %s)\n", ListCutText(f.listCut).c_str());
  }
}

void PrintJson(const DeviceFiles* files) {
  std::string out = "{";
  for (int d = 0; d < MemoryDeviceCount; ++d) {
    const DeviceFiles& f = files[d];
    if (d > 0) out += ", ";
    out += JsonString(DeviceNames[d]) + ": {\"physicalKb\": ";
    out += f.physicalValid ? std::to_string(f.physicalSpace) : "null";
    out += ", \"freeKb\": ";
    out += f.freeValid ? std::to_string(f.freeSpace) : "null";
    out += ", \"files\": [";
    bool first = true;
    for (const std::string& name : FileListItems(f.listText)) {
      if (!first) out += ", ";
      first = false;
      out += JsonString(name);
    }
    out += "], \"listCut\": ";
    out += f.listCut ? "true" : "false";
    out += "}";
  }
  out += "}\n";
  fputs(out.c_str(), CliOut());
}

// Sends the file unchanged (firmware, KVX) through the raw send of a file,
// piece by piece as it is read.
int SendUnchanged(CliLink& link, const std::string& path) {
  InputFile file;
  LocalFileError error = LocalFileErrorOf(file.Open(path, DownloadSizeMax));
  if (error != LocalFileError::None) {
    fprintf(CliErr(), "varnalux-cli: %s: %s\n", path.c_str(), LocalFileMessage(error));
    return ReportCliResult(ResultFileOpenError);
  }
  StreamReport report;
  ResultCode code;
  {
    TerminalTransferProgress progress(file.Size(), CliErr());
    code = RunFileSend(link.kind, file, report);
  }
  if (code == ResultOk) fprintf(CliOut(), "Please Wait Led change to Green...\n");
  if (code == ResultFileOpenError)
    fprintf(CliErr(), "varnalux-cli: %s %s\n", path.c_str(),
            StreamProblemText(file, report).c_str());
  return ReportCliResult(code);
}

// What download was asked to send.
struct DownloadArgs {
  std::string path, name;
  bool named = false;
  int type = FileTypeData;
  int device = DeviceFlash;
};

// Reads the words of download; false when they do not fit its usage.
bool ParseDownloadArgs(const CliArgs& args, DownloadArgs& d) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--type" && hasValue) {
      d.type = TypeFromWord(args[++i]);
      if (d.type < 0) return false;
    } else if (a == "--device" && hasValue) {
      d.device = DeviceFromWord(args[++i]);
      if (d.device < 0) return false;
    } else if (a == "--name" && hasValue) {
      d.name = args[++i];
      d.named = true;
    } else if (d.path.empty() && !a.empty() && a[0] != '-') {
      d.path = a;
    } else {
      return false;
    }
  }
  return !d.path.empty();
}

// The name is judged as the pages judge it: its characters first, then its
// length (in characters, which are bytes once it passed). False, with the
// message said, when the printer cannot take it.
bool PrinterNameFits(const std::string& name) {
  if (std::string problem = PrinterNameProblem(name); !problem.empty()) {
    fprintf(CliErr(), "%s\n", problem.c_str());
    return false;
  }
  if (name.size() > static_cast<size_t>(PrinterNameMax)) {
    fprintf(CliErr(), "File name too long\n");
    return false;
  }
  return true;
}

}  // namespace

int CmdFiles(CliLink& link, const CliArgs& args) {
  bool json = false;
  for (const std::string& a : args) {
    if (a != "--json") return UsageError(FilesUsage);
    json = true;
  }
  std::unique_ptr<DeviceFiles[]> files(new DeviceFiles[MemoryDeviceCount]());
  ResultCode code = RunOperation(OpReadFileList, link.kind, files.get(), 0);
  // What was read before a failure is printed too.
  if (json)
    PrintJson(files.get());
  else
    PrintText(files.get());
  fflush(CliOut());
  return ReportCliResult(code);
}

int CmdDownload(CliLink& link, const CliArgs& args) {
  DownloadArgs d;
  if (!ParseDownloadArgs(args, d)) return UsageError(DownloadUsage);
  if (FileTypes[d.type].sentUnchanged) return SendUnchanged(link, d.path);

  if (!d.named) d.name = PrinterNameFromPath(d.path, FileTypes[d.type].extension);
  if (!PrinterNameFits(d.name)) return ExitUsage;
  uint64_t size = 0;
  LocalFileError error = LocalFileSize(d.path, DownloadSizeMax, size);
  if (error != LocalFileError::None) {
    fprintf(CliErr(), "varnalux-cli: %s: %s\n", d.path.c_str(), LocalFileMessage(error));
    return ReportCliResult(ResultFileOpenError);
  }
  DownloadRequest request{d.path.c_str(), d.name.c_str(), d.device};
  ResultCode code;
  {
    TerminalTransferProgress progress(size, CliErr());
    code = RunOperation(OpDownloadFile, link.kind, &request, 0);
  }
  // The file could be opened just before: a 4 now means it failed or
  // changed while it was read, after part of it may have gone.
  if (code == ResultFileOpenError)
    fprintf(CliErr(),
            "varnalux-cli: %s could not be read whole while it was sent (it failed or changed "
            "size); the printer may have received part of it\n",
            d.path.c_str());
  return ReportCliResult(code);
}

int CmdFormat(CliLink& link, const CliArgs& args) {
  int device = -1;
  bool yes = false;
  for (const std::string& a : args) {
    if (a == "--yes") {
      yes = true;
    } else if (device < 0 && DeviceFromWord(a) >= 0) {
      device = DeviceFromWord(a);
    } else {
      return UsageError(FormatUsage);
    }
  }
  if (device < 0) return UsageError(FormatUsage);
  if (!yes) {
    // No question without a person to answer it: a script, or one printer
    // of a list, gives --yes.
    if (isatty(STDIN_FILENO) != 1 || !CliAttended()) {
      fprintf(CliErr(), "varnalux-cli: format erases every file of %s; give --yes to confirm\n",
              DeviceNames[device]);
      return ExitUsage;
    }
    fprintf(CliErr(), "Are you sure? [y/N] ");
    fflush(CliErr());
    std::string answer;
    if (!std::getline(std::cin, answer) ||
        (strcasecmp(answer.c_str(), "y") != 0 && strcasecmp(answer.c_str(), "yes") != 0)) {
      fprintf(CliErr(), "Not formatted\n");
      return 0;
    }
  }
  int32_t value = device;
  return ReportCliResult(RunOperation(OpFormatDevice, link.kind, &value, 0));
}

}  // namespace varnalux
