#include "protocol/config_reader.h"
// Placeholder until the configuration reader is built.
namespace varnalux {
ResultCode ReadConfig(InterfaceKind, PrinterConfig&) { return ResultUnknownError; }
}  // namespace varnalux
