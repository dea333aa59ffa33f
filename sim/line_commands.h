// The meaning of one complete command line: setting commands change the
// configuration, queries produce answers, label commands are collected
// from CLS to PRINT. Lines the printer does not understand are noted and
// otherwise ignored.
#pragma once

#include <string>
#include <vector>

#include "sim/printer_core.h"

namespace varnalux::sim {

// The label program being received on one connection.
struct LabelCapture {
  bool active = false;
  std::string program;
};

// Appends an answer for the sender, unless the printer is silent.
void EmitRaw(const PrinterCore& core, std::vector<std::string>& answers, const std::string& bytes);
// Appends a framed answer ("{len|payload}"), malformed when so told.
void EmitFramed(const PrinterCore& core, std::vector<std::string>& answers,
                const std::string& payload);

// True for a LOAD [F,|E,]"name" line (without its line end), the one line
// that ends a dump.
bool IsLoadLine(const std::string& line);

// Executes line (without its line end). Expects the core's lock to be held.
void ExecuteLine(PrinterCore& core, LabelCapture& label, const std::string& line,
                 std::vector<std::string>& answers);

}  // namespace varnalux::sim
