// The printer's real-time clock. It starts at the host's local time and runs
// on from whatever was set: the set fields are kept as given together with
// the host instant they were set at, so setting YEAR, MONTH, DATE ... one
// after the other never normalises a half-set date (31 February) early.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace varnalux::sim {

struct ClockFields {
  int year = 2000;  // four digits
  int month = 1;
  int date = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class PrinterClock {
 public:
  // The host's steady time the clock runs by; tests pass one they move.
  using Steady = std::function<std::chrono::steady_clock::time_point()>;

  // Starts at the host's local time; steady (when given) replaces the
  // host's steady clock.
  explicit PrinterClock(Steady steady = {});

  ClockFields Now() const;
  void SetNow(const ClockFields& fields);
  // name YEAR/MONTH/DATE/HOUR/MINUTE/SECOND; a two-digit year means 20xx.
  // false for an unknown name or a value outside the field's range.
  bool SetField(const std::string& name, long value);
  // YEAR ... SECOND; false for other keys.
  bool Report(const std::string& key, std::string& payload) const;

 private:
  Steady steady_;
  ClockFields base_;
  std::chrono::steady_clock::time_point since_;
};

}  // namespace varnalux::sim
