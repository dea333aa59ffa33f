// Datagrams from anyone on the network, of any length (the parsers look at
// no more than the largest datagram taken, 2048 bytes): the discovery answer, the row and the
// JSON and terminal texts made of it, and the two read-setting answers. Each field is checked against the bytes of
// the datagram; the datagram is copied into a buffer of exactly its length,
// so a read past what arrived stops the run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/printable_text.h"
#include "net/dotted_address.h"
#include "net/printer_rows.h"
#include "net/udp_protocol.h"
#include "tests/fuzz/json_check.h"

using namespace varnalux::net;

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

uint8_t At(const uint8_t* data, size_t size, size_t offset) {
  return offset < size ? data[offset] : 0;
}

// The text at offset: up to its NUL, the end of its field or the end of the
// datagram.
std::string Text(const uint8_t* data, size_t size, size_t offset, size_t field) {
  std::string out;
  for (size_t i = offset; i < size && i < offset + field && data[i] != 0; ++i)
    out += static_cast<char>(data[i]);
  return out;
}

void CheckAddress(const Address& a, const uint8_t* data, size_t size, size_t offset) {
  for (size_t i = 0; i < a.size(); ++i) Check(a[i] == At(data, size, offset + i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  std::unique_ptr<uint8_t[]> owned(new uint8_t[size == 0 ? 1 : size]);
  if (size > 0) memcpy(owned.get(), input, size);
  const size_t taken = size < AnswerMax ? size : AnswerMax;
  const uint8_t* data = size == 0 ? nullptr : owned.get();

  DiscoveryAnswer answer;
  answer.model = "left";
  const bool parsed = ParseDiscoveryAnswer(data, size, answer);
  Check(parsed == (size >= HeaderSize));
  std::vector<PrinterRow> rows;
  Check(AddPrinterRow(rows, data, size) == parsed);
  if (parsed) {
    for (size_t i = 0; i < answer.mac.size(); ++i) Check(answer.mac[i] == data[OffsetAnswerMac + i]);
    Check(answer.state == At(data, size, OffsetAnswerState));
    Check(answer.errors == At(data, size, OffsetAnswerErrors));
    CheckAddress(answer.ip, data, size, OffsetAnswerIp);
    Check(answer.model == Text(data, size, OffsetAnswerModel, ModelFieldSize));
    Check(answer.model.size() <= ModelFieldSize);
    Check(answer.name == Text(data, taken, OffsetAnswerName, AnswerMax));

    Check(rows.size() == 1);
    const PrinterRow& row = rows[0];
    Check(row.name == answer.name && row.model == answer.model);
    char mac[18];
    snprintf(mac, sizeof mac, "%02X:%02X:%02X:%02X:%02X:%02X", answer.mac[0], answer.mac[1],
             answer.mac[2], answer.mac[3], answer.mac[4], answer.mac[5]);
    Check(row.mac == mac);
    char ip[16];
    snprintf(ip, sizeof ip, "%u.%u.%u.%u", answer.ip[0], answer.ip[1], answer.ip[2],
             answer.ip[3]);
    Check(row.ip == ip);
    Check(row.status == StatusText(answer.state, answer.errors));
    // Twice, as for a printer that answers both requests is listed.
    Check(AddPrinterRow(rows, data, size));
    Check(rows.size() == 2 && rows[1].name == rows[0].name && rows[1].mac == rows[0].mac);
  } else {
    Check(answer.model == "left");  // a refused datagram leaves the record alone
    Check(rows.empty());
  }
  for (const PrinterRow& row : rows)
    for (const std::string* text : {&row.name, &row.model}) {
      Check(varnalux::fuzz::JsonCheck::Valid(varnalux::JsonString(*text)));
      for (unsigned char c : varnalux::PlainText(*text)) Check(c >= 0x20 && c != 0x7F);
    }

  // The read-setting answers: nothing from an answer that ends before the
  // fields.
  Address ipAddress{}, mask{}, gateway{};
  const bool addresses = ParseAddressAnswer(data, size, ipAddress, mask, gateway);
  Check(addresses == (size >= AddressAnswerMin));
  if (addresses) {
    CheckAddress(ipAddress, data, size, OffsetIp);
    CheckAddress(mask, data, size, OffsetMask);
    CheckAddress(gateway, data, size, OffsetGateway);
  }
  bool dhcp = false;
  const bool mode = ParseModeAnswer(data, size, dhcp);
  Check(mode == (size >= ModeAnswerMin));
  Check(dhcp == (mode && data[OffsetMode] == ModeDhcp));

  const int selector = RequestSelector(data, size);
  Check(selector >= -1 && selector <= 255);
  if (size < HeaderSize + 2) Check(selector == -1);
  return 0;
}
