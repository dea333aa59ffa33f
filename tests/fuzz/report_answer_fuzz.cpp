// Report answers from a hostile printer: one answer (ReadReportAnswer) or a
// list of answers (QueryReportList) into buffers of every size.
//   byte 0: bit 0 list or single answer, bits 1-2 the interface kind
//   byte 1: the buffer capacity, (byte + 1) * 5 bytes (5 .. 1280)
//   the rest: what the printer sends
// A single answer is checked against the frame rules read off the stream:
// lead-in, "{", decimal length, "|", payload, "}" (or the end of the bytes).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "protocol/report_exchange.h"
#include "tests/fuzz/memory_link.h"

using namespace varnalux;

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

// The payload the frame rules give for the stream, or false when the
// stream holds no acceptable answer for a buffer of capacity bytes;
// consumed is set to the bytes the answer takes, its "}" included.
bool ExpectedAnswer(const uint8_t* data, size_t size, uint32_t capacity, std::string& payload,
                    size_t& consumed) {
  size_t open = 0;
  while (open < size && data[open] != '{') ++open;
  if (open == size || open > ReportLeadInMax) return false;
  size_t end = open + 1;
  while (end < size && data[end] != '}') ++end;
  consumed = end < size ? end + 1 : size;
  std::string body(reinterpret_cast<const char*>(data) + open + 1, end - open - 1);
  if (body.size() > ReportBodyMax) return false;
  size_t bar = body.find('|');
  if (bar == std::string::npos || bar > static_cast<size_t>(ReportLengthDigitsMax)) return false;
  uint64_t declared = 0;
  for (size_t i = 0; i < bar; ++i) {
    if (body[i] < '0' || body[i] > '9') return false;
    if (declared < 100000) declared = declared * 10 + static_cast<uint64_t>(body[i] - '0');
  }
  payload = body.substr(bar + 1);
  return declared == payload.size() && payload.size() + 1 <= capacity;
}

void SingleAnswer(InterfaceKind kind, uint32_t capacity, const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> payload(new char[capacity]);
  uint32_t length = 0xFFFFFFFF;
  fuzz::SetLinkInput(data, size);
  LinkSession link(kind);
  bool read = ReadReportAnswer(link, payload.get(), capacity, length);
  std::string expected;
  size_t consumed = 0;
  bool valid = ExpectedAnswer(data, size, capacity, expected, consumed);
  Check(read == valid);
  if (!read) return;
  Check(length == expected.size());
  Check(payload[length] == '\0');
  Check(memcmp(payload.get(), expected.data(), length) == 0);
}

void AnswerList(InterfaceKind kind, uint32_t capacity, const uint8_t* data, size_t size) {
  std::unique_ptr<char[]> list(new char[capacity]);
  uint32_t total = 0xFFFFFFFF;
  fuzz::SetLinkInput(data, size);
  LinkSession link(kind);
  ResultCode code = QueryReportList(link, "DIAGNOSTIC REPORT FILES\r\n", list.get(), capacity, total);
  Check(code == ResultOk || code == ResultReceiveError);
  Check(fuzz::LinkBytesWritten() == strlen("DIAGNOSTIC REPORT FILES\r\n"));
  // The list the frame rules give: answers one after the other until an
  // empty one, each followed by CR LF, refused when one does not fit.
  std::string expected;
  bool valid = false;
  for (size_t at = 0;;) {
    std::string payload;
    size_t consumed = 0;
    const uint32_t room = capacity - static_cast<uint32_t>(expected.size());
    if (!ExpectedAnswer(data + at, size - at, room, payload, consumed)) break;
    if (payload.empty()) {
      valid = true;
      break;
    }
    if (payload.size() + 3 > room) break;
    expected += payload + "\r\n";
    at += consumed;
  }
  Check((code == ResultOk) == valid);
  if (code != ResultOk) return;
  Check(total == expected.size());
  Check(total < capacity);
  Check(list[total] == '\0');
  Check(memcmp(list.get(), expected.data(), total) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool list = (data[0] & 1) != 0;
  const InterfaceKind kind = (data[0] >> 1) & 3;
  const uint32_t capacity = (static_cast<uint32_t>(data[1]) + 1) * 5;
  if (list) {
    AnswerList(kind, capacity, data + 2, size - 2);
  } else {
    SingleAnswer(kind, capacity, data + 2, size - 2);
  }
  return 0;
}
