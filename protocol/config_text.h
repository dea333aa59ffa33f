// The configuration record as text for people and scripts: one
// "name: value" line per answered field, a JSON object keyed by the
// record's field names, and the list of settings in which two records
// differ. Names are those of PrinterConfig without the ...Valid flags.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/printer_config.h"
#include "protocol/printer_status.h"

namespace varnalux {

// "name: value" lines, in record order, for the texts and every field whose
// flag is set. Lengths in mm; list settings as "index (entry)".
std::string ConfigAsText(const PrinterConfig& config);

// One JSON object of every field: null where the flag is 0, lengths in mm,
// list settings as their table index. With unit and status (both or
// neither), also "unit" and a "status" object of the eight flags.
std::string ConfigAsJson(const PrinterConfig& config, const int32_t* unit = nullptr,
                         const PrinterStatus* status = nullptr);

// "unit: ..." and one "name: 0|1" line per status flag.
std::string UnitAndStatusAsText(int32_t unit, const PrinterStatus& status);

// The settings that differ between a and b (those a write sends: speed,
// density, the lengths, ... stopBits), one line each: "name: A -> B" with
// the values in JSON notation (null for an unset one). count is set to the
// number of lines.
std::string DiffConfigs(const PrinterConfig& a, const PrinterConfig& b, int& count);

}  // namespace varnalux
