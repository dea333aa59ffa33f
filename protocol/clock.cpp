#include "protocol/clock.h"
// Placeholder until the clock operations are built.
namespace varnalux {
ResultCode SetClock(InterfaceKind, const ClockSettings&) { return ResultUnknownError; }
ResultCode ReadClock(InterfaceKind, ClockSettings&) { return ResultUnknownError; }
}  // namespace varnalux
