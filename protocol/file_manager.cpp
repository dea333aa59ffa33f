#include "protocol/file_manager.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "link/link_progress.h"
#include "link/link_session.h"
#include "link/link_settings.h"
#include "protocol/clock.h"
#include "protocol/file_names.h"
#include "protocol/local_file.h"
#include "protocol/report_exchange.h"

namespace varnalux {

const char* const DevicePrefixes[MemoryDeviceCount] = {"", "F,", "E,"};

const char FormatCommands[MemoryDeviceCount][FormatCommandSize] = {
    "KILL \"*.*\"\r\n",
    "KILL F,\"*.*\"\r\n",
    "KILL E,\"*.*\"\r\n",
};

namespace {

// The printer's pause before each answer of a list.
constexpr auto ListAnswerPause = std::chrono::milliseconds(ReportListPauseMs);
// A list of more answers than its field has bytes cannot be a real one: a
// printer that never sends the empty answer is not followed for ever.
constexpr uint32_t ListAnswersMax = DeviceListTextSize;

bool ValidDevice(int32_t device) { return device >= 0 && device < MemoryDeviceCount; }

// Sends the query, then collects answers until an empty one. Each payload
// goes into the record's field followed by CR LF while it fits with the
// final NUL; from the first one that does not, the rest of the list is read
// but not kept and listCut is set, so the exchange stays in step and the
// field holds whole lines only.
ResultCode CollectFileList(LinkHandle handle, InterfaceKind kind, const char* query,
                           DeviceFiles& files) {
  files.listText[0] = '\0';
  if (SendCommand(handle, kind, query) != ResultOk) return ResultTransmitError;
  char payload[ReportBodyMax + 1];
  uint32_t position = 0;
  for (uint32_t answers = 0; answers < ListAnswersMax; ++answers) {
    std::this_thread::sleep_for(ListAnswerPause);
    uint32_t length = 0;
    if (!ReadReportAnswer(handle, kind, payload, sizeof payload, length)) return ResultReceiveError;
    if (length == 0) return ResultOk;
    if (files.listCut || length + 3 > DeviceListTextSize - position) {
      files.listCut = 1;
      continue;
    }
    memcpy(files.listText + position, payload, length);
    position += length;
    files.listText[position] = '\r';
    files.listText[position + 1] = '\n';
    files.listText[position + 2] = '\0';
    position += 2;
  }
  return ResultReceiveError;
}

ResultCode QueryNumber(LinkHandle handle, InterfaceKind kind, const char* query, uint8_t& valid,
                       int32_t& value) {
  char payload[ReportBodyMax + 1];
  uint32_t length = 0;
  ResultCode code = QueryReport(handle, kind, query, payload, sizeof payload, length);
  if (code != ResultOk) return code;
  valid = 1;
  value = AnswerInteger(payload, length);
  return ResultOk;
}

}  // namespace

ResultCode ReadFileList(InterfaceKind kind, DeviceFiles* files) {
  if (files == nullptr) return ResultUnknownError;
  const char* announcement = InterfaceAnnouncement(kind);
  if (announcement == nullptr) return ResultPortOpenError;  // no such link
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;

  struct Query {
    MemoryDevice device;
    const char* physical;
    const char* free;  // null: not asked
    const char* list;
  };
  static const Query queries[MemoryDeviceCount] = {
      {DeviceDram, "DIAGNOSTIC REPORT DPHYSPACE\r\n", "DIAGNOSTIC REPORT DFREESPACE\r\n",
       "DIAGNOSTIC REPORT DFILELIST\r\n"},
      {DeviceFlash, "DIAGNOSTIC REPORT FPHYSPACE\r\n", "DIAGNOSTIC REPORT FFREESPACE\r\n",
       "DIAGNOSTIC REPORT FFILELIST\r\n"},
      {DeviceCard, "DIAGNOSTIC REPORT CPHYSPACE\r\n", nullptr, "DIAGNOSTIC REPORT CFILELIST\r\n"},
  };

  char payload[ReportBodyMax + 1];
  uint32_t length = 0;
  ResultCode code =
      QueryReport(link.Handle(), link.Kind(), announcement, payload, sizeof payload, length);
  for (const Query& q : queries) {
    if (code != ResultOk) break;
    DeviceFiles& device = files[q.device];
    code = QueryNumber(link.Handle(), link.Kind(), q.physical, device.physicalValid,
                       device.physicalSpace);
    if (code != ResultOk) break;
    if (q.free != nullptr) {
      code = QueryNumber(link.Handle(), link.Kind(), q.free, device.freeValid, device.freeSpace);
      if (code != ResultOk) break;
    } else {
      device.freeValid = 0;
    }
    code = CollectFileList(link.Handle(), link.Kind(), q.list, device);
  }
  return link.Finish(code);
}

ResultCode DownloadFile(InterfaceKind kind, const DownloadRequest& request) {
  if (!ValidDevice(request.device) || request.printerName == nullptr ||
      !QuotedNameProblem(request.printerName).empty())
    return ResultUnknownError;
  if (request.sourcePath == nullptr) return ResultFileOpenError;
  std::vector<uint8_t> bytes;
  uint64_t size = 0;
  if (ReadLocalFile(request.sourcePath, DownloadSizeMax, bytes, size) != LocalFileError::None)
    return ResultFileOpenError;

  std::string header = std::string("DOWNLOAD ") + DevicePrefixes[request.device] + "\"" +
                       request.printerName + "\"," + std::to_string(size) + ",";
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  if (!link.Write(header.data(), static_cast<uint32_t>(header.size())))
    return link.Finish(ResultTransmitError);
  // The window stays up through the close, which may wait for the printer.
  PercentProgressScope progress(CurrentLinkSettings().observer);
  const bool ok = link.Write(bytes.data(), static_cast<uint32_t>(size));
  return link.Finish(ok ? ResultOk : ResultTransmitError);
}

ResultCode FormatDevice(InterfaceKind kind, MemoryDevice device) {
  if (!ValidDevice(device)) return ResultUnknownError;
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  const char* command = FormatCommands[device];
  bool ok = link.Write(command, static_cast<uint32_t>(strnlen(command, FormatCommandSize)));
  return link.Finish(ok ? ResultOk : ResultTransmitError);
}

}  // namespace varnalux
