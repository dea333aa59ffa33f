// The printer's real-time clock: operations 6 (set) and 7 (read).
#pragma once

#include <cstdint>

#include "protocol/codes.h"

namespace varnalux {

struct ClockSettings {
  int32_t year;
  int32_t month;
  int32_t date;
  int32_t hour;
  int32_t minute;
  int32_t second;
  uint8_t accepted;
};

ResultCode SetClock(InterfaceKind kind, const ClockSettings& clock);
ResultCode ReadClock(InterfaceKind kind, ClockSettings& clock);

}  // namespace varnalux
