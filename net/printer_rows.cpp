#include "net/printer_rows.h"

#include <cstdio>

#include "net/dotted_address.h"
#include "net/udp_protocol.h"

namespace varnalux::net {

namespace {

constexpr uint8_t kStatePrinting = 1;
constexpr uint8_t kStatePaused = 2;
constexpr uint8_t kStateError = 3;

struct ErrorText {
  uint8_t bits;
  const char* text;
};
// First match in this order.
constexpr ErrorText kErrorTexts[] = {
    {0x01, "Carriage Open"}, {0x40 | 0x80, "Over Heat"},    {0x02, "Paper Jam"},
    {0x04, "Paper Empty"},   {0x08 | 0x10, "Ribbon Error"}, {0x20, "Cutter Error"},
};

void AppendJsonText(std::string& out, const std::string& text) {
  out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Bytes from the network are not trusted to be UTF-8: anything outside
      // printable ASCII goes out as a code point of its byte value.
      char escape[8];
      snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

}  // namespace

const char* StatusText(uint8_t state, uint8_t errors) {
  if (state == kStatePrinting) return "Printing";
  if (state == kStatePaused) return "Pause";
  if (state == kStateError) {
    for (const ErrorText& e : kErrorTexts)
      if ((errors & e.bits) != 0) return e.text;
    // The table names every bit, so only 0 falls through.
    return "Error";
  }
  return "Ready";
}

bool AddPrinterRow(std::vector<PrinterRow>& rows, const uint8_t* data, size_t size) {
  DiscoveryAnswer answer;
  if (!ParseDiscoveryAnswer(data, size, answer)) return false;
  PrinterRow row;
  row.name = answer.name;
  row.mac = FormatMacText(answer.mac);
  row.ip = FormatDottedAddress(answer.ip);
  row.model = answer.model;
  row.status = StatusText(answer.state, answer.errors);
  rows.push_back(std::move(row));
  return true;
}

std::string RowsToJson(const std::vector<PrinterRow>& rows) {
  std::string out = "[";
  for (size_t i = 0; i < rows.size(); ++i) {
    const PrinterRow& r = rows[i];
    out += i == 0 ? "\n  {" : ",\n  {";
    const std::pair<const char*, const std::string*> fields[] = {{"name", &r.name},
                                                                 {"mac", &r.mac},
                                                                 {"ip", &r.ip},
                                                                 {"model", &r.model},
                                                                 {"status", &r.status}};
    for (size_t f = 0; f < std::size(fields); ++f) {
      if (f > 0) out += ", ";
      out += '"';
      out += fields[f].first;
      out += "\": ";
      AppendJsonText(out, *fields[f].second);
    }
    out += '}';
  }
  out += rows.empty() ? "]\n" : "\n]\n";
  return out;
}

}  // namespace varnalux::net
