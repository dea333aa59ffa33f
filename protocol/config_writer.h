// Operation 2: sends one setting command for every valid flag of a write record.
#pragma once

#include <string>

#include "base/codes.h"
#include "protocol/printer_config.h"

namespace varnalux {

ResultCode WriteConfig(InterfaceKind kind, const PrinterConfig& config);

// Every command WriteConfig would send for the record, joined in order.
std::string ConfigCommandText(const PrinterConfig& config);

}  // namespace varnalux
