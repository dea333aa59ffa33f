// The rows of the discovery list: one per accepted answer, in arrival
// order (a printer that answers twice is listed twice).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/answer_path.h"

namespace varnalux::net {

struct PrinterRow {
  std::string name;    // "Printer Name"
  std::string mac;     // "MAC"
  std::string ip;      // "IP Address"
  std::string model;   // "Model Name"
  std::string status;  // "Status"
  AnswerPath path;     // where the answer came from (not shown)
};

// The status text of an answer's state and error bytes.
const char* StatusText(uint8_t state, uint8_t errors);
// Appends the row of one answer that came by `from`; an answer shorter than
// the header adds nothing (false).
bool AddPrinterRow(std::vector<PrinterRow>& rows, const uint8_t* data, size_t size,
                   const AnswerPath& from = {});

// The paths of the rows with this MAC text, in the order they came, each
// once: the ways to reach that printer again.
std::vector<AnswerPath> PathsOf(const std::vector<PrinterRow>& rows, const std::string& mac);

}  // namespace varnalux::net
