#include "protocol/file_manager.h"

#include <cstring>
#include <string>

#include "base/input_file.h"
#include "base/numbers.h"
#include "link/link_session.h"
#include "link/link_settings.h"
#include "protocol/file_names.h"
#include "protocol/report_exchange.h"
#include "protocol/stream_send.h"

namespace varnalux {

const char* const DevicePrefixes[MemoryDeviceCount] = {"", "F,", "E,"};

const char FormatCommands[MemoryDeviceCount][FormatCommandSize] = {
    "KILL \"*.*\"\r\n",
    "KILL F,\"*.*\"\r\n",
    "KILL E,\"*.*\"\r\n",
};

namespace {

// A list of more answers than its field has bytes cannot be a real one: a
// printer that never sends the empty answer is not followed for ever.
constexpr uint32_t ListAnswersMax = DeviceListTextSize;

bool ValidDevice(int32_t device) { return device >= 0 && device < MemoryDeviceCount; }

// The payload as it goes into listText: a NUL (which would end the text
// there) as the four characters \x00. Line ends inside a payload stay: a
// printer may send several names in one answer, one a line.
std::string ListLine(const char* payload, uint32_t length) {
  std::string line;
  line.reserve(length);
  for (uint32_t i = 0; i < length; ++i) {
    if (payload[i] == '\0')
      line += "\\x00";
    else
      line.push_back(payload[i]);
  }
  return line;
}

// Collects the list into the record's field: each payload followed by CR LF
// while it fits with the final NUL; from the first one that does not, the
// list is cut (listCut says so), so the field holds whole lines only. A list
// whose end does not come (within its bound, or soon after the cut) or
// whose read is cancelled ends with 3 and says why in listCut.
ResultCode CollectFileList(LinkSession& link, const char* query, DeviceFiles& files) {
  files.listText[0] = '\0';
  uint32_t position = 0;
  auto keep = [&](const char* payload, uint32_t length) {
    const std::string line = ListLine(payload, length);
    if (line.size() + 3 > DeviceListTextSize - position) {
      files.listCut = ListCutFull;
      return false;
    }
    memcpy(files.listText + position, line.data(), line.size());
    position += static_cast<uint32_t>(line.size());
    files.listText[position] = '\r';
    files.listText[position + 1] = '\n';
    files.listText[position + 2] = '\0';
    position += 2;
    return true;
  };
  ListRead read;
  read.cut = files.listCut != 0;
  const ResultCode code = CollectReportList(link, query, ListAnswersMax, keep, read);
  if (read.stop != ListPace::Stop::None)
    files.listCut = read.stop == ListPace::Stop::Cancelled ? ListCutCancelled : ListCutUnended;
  return code;
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
  ResultCode code = QueryReport(link, announcement, payload, sizeof payload, length);
  for (const Query& q : queries) {
    if (code != ResultOk) break;
    DeviceFiles& device = files[q.device];
    code = QueryInteger(link, q.physical, device.physicalSpace);
    if (code != ResultOk) break;
    device.physicalValid = 1;
    if (q.free != nullptr) {
      code = QueryInteger(link, q.free, device.freeSpace);
      if (code != ResultOk) break;
      device.freeValid = 1;
    } else {
      device.freeValid = 0;
    }
    code = CollectFileList(link, q.list, device);
  }
  // Every answer arrived, so the printer read every query: the close cannot
  // have lost a byte, and a printer gone by then does not make it a 2.
  const ResultCode closed = link.Finish(code);
  return code == ResultOk ? ResultOk : closed;
}

ResultCode DownloadFile(InterfaceKind kind, const DownloadRequest& request) {
  if (!ValidDevice(request.device) || request.printerName == nullptr ||
      !PrinterNameProblem(request.printerName).empty())
    return ResultUnknownError;
  if (request.sourcePath == nullptr) return ResultFileOpenError;
  // The size is announced first, so it is taken from the file now; the send
  // fails rather than deliver a different count if the file changes.
  InputFile file;
  if (file.Open(request.sourcePath, DownloadSizeMax) != InputFileResult::Ok)
    return ResultFileOpenError;
  std::string header = std::string("DOWNLOAD ") + DevicePrefixes[request.device] + "\"" +
                       request.printerName + "\"," + std::to_string(file.Size()) + ",";
  StreamReport report;
  return SendStream(kind, header, file, report);
}

ResultCode FormatDevice(InterfaceKind kind, MemoryDevice device) {
  if (!ValidDevice(device)) return ResultUnknownError;
  const char* command = FormatCommands[device];
  return WriteOnce(kind, command, static_cast<uint32_t>(strnlen(command, FormatCommandSize)));
}

}  // namespace varnalux
