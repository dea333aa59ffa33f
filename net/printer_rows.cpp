#include "net/printer_rows.h"

#include <algorithm>

#include "net/dotted_address.h"
#include "net/udp_protocol.h"

namespace varnalux::net {

namespace {

constexpr uint8_t StatePrinting = 1;
constexpr uint8_t StatePaused = 2;
constexpr uint8_t StateError = 3;

struct ErrorText {
  uint8_t bits;
  const char* text;
};
// First match in this order.
constexpr ErrorText ErrorTexts[] = {
    {0x01, "Carriage Open"}, {0x40 | 0x80, "Over Heat"},    {0x02, "Paper Jam"},
    {0x04, "Paper Empty"},   {0x08 | 0x10, "Ribbon Error"}, {0x20, "Cutter Error"},
};

}  // namespace

const char* StatusText(uint8_t state, uint8_t errors) {
  if (state == StatePrinting) return "Printing";
  if (state == StatePaused) return "Pause";
  if (state == StateError) {
    for (const ErrorText& e : ErrorTexts)
      if ((errors & e.bits) != 0) return e.text;
    // The table names every bit, so only 0 falls through.
    return "Error";
  }
  return "Ready";
}

bool AddPrinterRow(std::vector<PrinterRow>& rows, const uint8_t* data, size_t size,
                   const AnswerPath& from) {
  DiscoveryAnswer answer;
  if (!ParseDiscoveryAnswer(data, size, answer)) return false;
  PrinterRow row;
  row.name = answer.name;
  row.mac = FormatMacText(answer.mac);
  row.ip = FormatDottedAddress(answer.ip);
  row.model = answer.model;
  row.status = StatusText(answer.state, answer.errors);
  row.path = from;
  rows.push_back(std::move(row));
  return true;
}

std::vector<AnswerPath> PathsOf(const std::vector<PrinterRow>& rows, const std::string& mac) {
  std::vector<AnswerPath> paths;
  for (const PrinterRow& r : rows)
    if (r.mac == mac && std::find(paths.begin(), paths.end(), r.path) == paths.end())
      paths.push_back(r.path);
  return paths;
}

}  // namespace varnalux::net
