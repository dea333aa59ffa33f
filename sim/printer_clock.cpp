#include "sim/printer_clock.h"

#include <ctime>
#include <utility>

namespace varnalux::sim {

namespace {
bool Leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysIn(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  return month == 2 && Leap(year) ? 29 : days[month - 1];
}

// Moves the fields on by seconds, carrying into minutes, hours, days,
// months and years.
ClockFields Advance(ClockFields f, long long seconds) {
  long long s = f.second + seconds;
  f.second = static_cast<int>(s % 60);
  long long m = f.minute + s / 60;
  f.minute = static_cast<int>(m % 60);
  long long h = f.hour + m / 60;
  f.hour = static_cast<int>(h % 24);
  long long days = h / 24;
  while (days > 0) {
    --days;
    if (++f.date > DaysIn(f.year, f.month)) {
      f.date = 1;
      if (++f.month > 12) {
        f.month = 1;
        ++f.year;
      }
    }
  }
  return f;
}
}  // namespace

PrinterClock::PrinterClock(Steady steady)
    : steady_(steady ? std::move(steady) : Steady(&std::chrono::steady_clock::now)) {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  base_ = ClockFields{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                      local.tm_hour,        local.tm_min,     local.tm_sec};
  since_ = steady_();
}

ClockFields PrinterClock::Now() const {
  auto elapsed =
      std::chrono::duration_cast<std::chrono::seconds>(steady_() - since_);
  return Advance(base_, elapsed.count() > 0 ? elapsed.count() : 0);
}

void PrinterClock::SetNow(const ClockFields& fields) {
  base_ = fields;
  since_ = steady_();
}

bool PrinterClock::SetField(const std::string& name, long value) {
  ClockFields f = Now();
  if (name == "YEAR") {
    if (value >= 0 && value <= 99)
      f.year = 2000 + static_cast<int>(value);
    else if (value >= 2000 && value <= 2099)
      f.year = static_cast<int>(value);
    else
      return false;
  } else if (name == "MONTH") {
    if (value < 1 || value > 12) return false;
    f.month = static_cast<int>(value);
  } else if (name == "DATE") {
    if (value < 1 || value > 31) return false;
    f.date = static_cast<int>(value);
  } else if (name == "HOUR") {
    if (value < 0 || value > 23) return false;
    f.hour = static_cast<int>(value);
  } else if (name == "MINUTE") {
    if (value < 0 || value > 59) return false;
    f.minute = static_cast<int>(value);
  } else if (name == "SECOND") {
    if (value < 0 || value > 59) return false;
    f.second = static_cast<int>(value);
  } else {
    return false;
  }
  SetNow(f);
  return true;
}

bool PrinterClock::Report(const std::string& key, std::string& payload) const {
  ClockFields f = Now();
  int value = 0;
  if (key == "YEAR")
    value = f.year;
  else if (key == "MONTH")
    value = f.month;
  else if (key == "DATE")
    value = f.date;
  else if (key == "HOUR")
    value = f.hour;
  else if (key == "MINUTE")
    value = f.minute;
  else if (key == "SECOND")
    value = f.second;
  else
    return false;
  payload = std::to_string(value);
  return true;
}

}  // namespace varnalux::sim
