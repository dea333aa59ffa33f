// The printer's real-time clock: operations 6 (set) and 7 (read).
#pragma once

#include <cstdint>
#include <string>

#include "base/codes.h"

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

// The six setting lines of SetClock, in one text: the year goes as the
// remainder of a signed division by 100 (2026 -> 26, 2100 -> 0, -2026 ->
// -26); the other values unchanged, whatever their range.
std::string ClockSettingText(const ClockSettings& clock);


ResultCode SetClock(InterfaceKind kind, const ClockSettings& clock);
ResultCode ReadClock(InterfaceKind kind, ClockSettings& clock);

}  // namespace varnalux
