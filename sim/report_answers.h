// What the printer answers to DIAGNOSTIC REPORT: the payloads for a key,
// looked up in the overrides, the configuration, the clock, the memory
// devices and the network settings, and the framing "{len|payload}".
#pragma once

#include <string>
#include <vector>

#include "sim/printer_core.h"

namespace varnalux::sim {

// "{len|payload}"; with malformed, the length field is one too large.
std::string FrameAnswer(const std::string& payload, bool malformed);

// The payloads for key (one for a value, several for a file list, the
// last of them empty). false: the printer does not know the key and stays
// silent. Expects the core's lock to be held.
bool ResolveReport(const PrinterCore& core, const std::string& key,
                   std::vector<std::string>& payloads);

}  // namespace varnalux::sim
