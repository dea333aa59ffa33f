// A clock record from its six fields, for the clock tests.
#pragma once

#include <cstdint>

#include "protocol/clock.h"

namespace varnalux::testing {

inline ClockSettings Clock(int32_t y, int32_t mo, int32_t d, int32_t h, int32_t mi, int32_t s) {
  ClockSettings c{};
  c.year = y;
  c.month = mo;
  c.date = d;
  c.hour = h;
  c.minute = mi;
  c.second = s;
  return c;
}

}  // namespace varnalux::testing
