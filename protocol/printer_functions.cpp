#include "protocol/printer_functions.h"
// Placeholder until the printer functions are built.
namespace varnalux {
ResultCode FactoryDefault(InterfaceKind) { return ResultUnknownError; }
ResultCode DumpText(InterfaceKind, const DumpTextSettings&) { return ResultUnknownError; }
ResultCode PrintConfigurationPage(InterfaceKind) { return ResultUnknownError; }
ResultCode CalibrateSensor(InterfaceKind, int32_t) { return ResultUnknownError; }
ResultCode ResetPrinter(InterfaceKind) { return ResultUnknownError; }
ResultCode PrintTestPage(InterfaceKind, const TestPageRequest&) { return ResultUnknownError; }
ResultCode IgnoreAutoBas(InterfaceKind) { return ResultUnknownError; }
ResultCode ReadPrinterFile(InterfaceKind, ReadBackRequest&) { return ResultUnknownError; }
}  // namespace varnalux
