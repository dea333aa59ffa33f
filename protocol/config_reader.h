// Operation 1: reads the printer's configuration by DIAGNOSTIC REPORT queries.
#pragma once

#include "base/codes.h"
#include "protocol/printer_config.h"

namespace varnalux {

// config must have been prepared by ResetConfig.
ResultCode ReadConfig(InterfaceKind kind, PrinterConfig& config);

}  // namespace varnalux
