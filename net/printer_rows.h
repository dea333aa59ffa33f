// The rows of the discovery list: one per accepted answer, in arrival
// order (a printer that answers twice is listed twice).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnalux::net {

struct PrinterRow {
  std::string name;    // "Printer Name"
  std::string mac;     // "MAC"
  std::string ip;      // "IP Address"
  std::string model;   // "Model Name"
  std::string status;  // "Status"
};

// The status text of an answer's state and error bytes.
const char* StatusText(uint8_t state, uint8_t errors);
// Appends the row of one answer; an answer shorter than the header adds
// nothing (false).
bool AddPrinterRow(std::vector<PrinterRow>& rows, const uint8_t* data, size_t size);

// The rows as a JSON array (fields name, mac, ip, model, status), texts
// escaped for JSON whatever bytes they hold.
std::string RowsToJson(const std::vector<PrinterRow>& rows);

}  // namespace varnalux::net
