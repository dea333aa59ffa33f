#include "protocol/report_exchange.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "link/link_settings.h"
#include "base/numbers.h"

namespace varnalux {

const char* InterfaceAnnouncement(InterfaceKind kind) {
  static const char* const lines[4] = {
      "\r\nDIAGNOSTIC INTERFACE USB\r\n",
      "\r\nDIAGNOSTIC INTERFACE COM\r\n",
      "\r\nDIAGNOSTIC INTERFACE LPT\r\n",
      "\r\nDIAGNOSTIC INTERFACE NET\r\n",
  };
  if (kind < 0 || kind > 3) return nullptr;
  return lines[kind];
}

ResultCode QueryStatus(InterfaceKind kind, PrinterStatus& status) {
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  if (!link.Write(StatusQueryBytes, sizeof StatusQueryBytes))
    return link.Finish(ResultTransmitError);
  uint8_t byte = 0;
  if (!link.ReadByte(byte)) return link.Finish(ResultReceiveError);
  StatusFromByte(byte, status);
  return link.Finish(ResultOk);
}

bool ReadReportAnswer(LinkSession& link, char* payload, uint32_t capacity, uint32_t& length) {
  uint8_t byte = 0;
  // Lead-in: everything before the first "{" is discarded. A peer that keeps
  // sending without ever opening an answer (garbage at a wrong baud rate, a
  // printer stuck in a dump) must not hold the read for ever: after a ring's
  // worth of lead-in the answer counts as missing.
  uint32_t skipped = 0;
  do {
    if (!link.ReadByte(byte)) return false;
    if (byte != '{' && ++skipped > ReportLeadInMax) return false;
  } while (byte != '{');

  // Body up to "}". A read that fails ends the body: an answer whose close
  // brace never comes is judged on what arrived.
  char body[ReportBodyMax];
  uint32_t bodyLength = 0;
  while (link.ReadByte(byte) && byte != '}') {
    if (bodyLength == ReportBodyMax) return false;
    body[bodyLength++] = static_cast<char>(byte);
  }

  // Length field: digits up to the first "|".
  uint32_t digits = 0;
  uint64_t declared = 0;
  for (;;) {
    if (digits == bodyLength) return false;  // no separator
    char c = body[digits];
    if (c == '|') break;
    if (c < '0' || c > '9') return false;
    if (digits == ReportLengthDigitsMax) return false;
    // Saturates instead of overflowing; any such value differs from the
    // payload length, which is at most 1023.
    if (declared < 100000) declared = declared * 10 + static_cast<uint64_t>(c - '0');
    ++digits;
  }
  uint32_t payloadLength = bodyLength - digits - 1;
  if (declared != payloadLength) return false;
  if (payload == nullptr || payloadLength + 1 > capacity) return false;
  memcpy(payload, body + digits + 1, payloadLength);
  payload[payloadLength] = '\0';
  length = payloadLength;
  return true;
}

ResultCode SendCommand(LinkSession& link, const char* text) {
  uint32_t n = static_cast<uint32_t>(strlen(text));
  return link.Write(text, n) ? ResultOk : ResultTransmitError;
}

ResultCode QueryReport(LinkSession& link, const char* query, char* payload, uint32_t capacity,
                       uint32_t& length) {
  if (SendCommand(link, query) != ResultOk) return ResultTransmitError;
  return ReadReportAnswer(link, payload, capacity, length) ? ResultOk : ResultReceiveError;
}

ResultCode QueryInteger(LinkSession& link, const char* query, int32_t& value) {
  char payload[ReportBodyMax + 1];
  uint32_t length = 0;
  const ResultCode code = QueryReport(link, query, payload, sizeof payload, length);
  if (code == ResultOk) value = LenientInteger(payload, length);
  return code;
}

namespace {
// How often the pause lets the window handle its messages.
constexpr std::chrono::milliseconds PumpSlice{10};
}  // namespace

ListPace::ListPace(const LinkSession& link)
    : observer_(link.Observer()),
      timeouts_(CurrentLinkSettings().timeouts.list),
      whole_(timeouts_.whole),
      offerAt_(timeouts_.offerCancel),
      afterCut_(timeouts_.afterCut) {}

ListPace::~ListPace() {
  if (offered_) observer_->OfferCancel(false);
}

ListPace::Stop ListPace::Pause() {
  Deadline pause(timeouts_.pause);
  for (;;) {
    const Stop stop = Look();
    if (stop != Stop::None || pause.Passed()) return stop;
    std::this_thread::sleep_for(pause.Left() < PumpSlice ? pause.Left() : PumpSlice);
  }
}

ListPace::Stop ListPace::Look() {
  if (observer_ != nullptr) {
    if (!offered_ && offerAt_.Passed()) {
      observer_->OfferCancel(true);
      offered_ = true;
    }
    observer_->PumpMessages();
    if (offered_ && observer_->CancelRequested()) return Stop::Cancelled;
  }
  if (whole_.Passed() || (cut_ && afterCut_.Passed())) return Stop::Bound;
  return Stop::None;
}

void ListPace::Cut() {
  if (cut_) return;
  cut_ = true;
  afterCut_ = Deadline(timeouts_.afterCut);
}

ResultCode CollectReportList(LinkSession& link, const char* query, uint32_t answersMax,
                             const KeepAnswer& keep, ListRead& read) {
  if (SendCommand(link, query) != ResultOk) return ResultTransmitError;
  ListPace pace(link);
  char payload[ReportBodyMax + 1];
  for (uint32_t answers = 0; answers < answersMax; ++answers) {
    read.stop = read.cut ? pace.Look() : pace.Pause();
    if (read.stop != ListPace::Stop::None) return ResultReceiveError;
    uint32_t length = 0;
    if (!ReadReportAnswer(link, payload, sizeof payload, length)) return ResultReceiveError;
    if (length == 0) return ResultOk;
    if (read.cut || keep(payload, length)) continue;
    read.cut = true;
    pace.Cut();
  }
  read.stop = ListPace::Stop::Bound;
  return ResultReceiveError;
}

ResultCode QueryReportList(LinkSession& link, const char* query, char* list, uint32_t capacity,
                           uint32_t& total) {
  const bool room = list != nullptr && capacity != 0;
  if (room) list[0] = '\0';
  uint32_t position = 0;
  auto keep = [&](const char* payload, uint32_t length) {
    if (!room || length + 3 > capacity - position) return false;
    memcpy(list + position, payload, length);
    position += length;
    list[position] = '\r';
    list[position + 1] = '\n';
    list[position + 2] = '\0';
    position += 2;
    return true;
  };
  ListRead read;
  const ResultCode code = CollectReportList(link, query, UINT32_MAX, keep, read);
  if (code != ResultOk) return code;
  if (!room || read.cut) return ResultReceiveError;
  total = position;
  return ResultOk;
}

}  // namespace varnalux
