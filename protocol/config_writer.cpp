#include "protocol/config_writer.h"
// Placeholder until the configuration writer is built.
namespace varnalux {
ResultCode WriteConfig(InterfaceKind, const PrinterConfig&) { return ResultUnknownError; }
}  // namespace varnalux
