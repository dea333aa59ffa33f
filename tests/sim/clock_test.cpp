// The printer's clock: set field by field as the tool sends it, read back,
// running on from what was set.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "sim/printer_clock.h"
#include "sim/virtual_printer.h"

namespace varnalux::sim {
namespace {

int Field(const VirtualPrinter& p, const char* key) {
  bool found = false;
  std::string v = p.ReportValue(key, found);
  EXPECT_TRUE(found) << key;
  return found ? std::stoi(v) : -1;
}

TEST(Clock, SixAssignmentsInOneWriteSetTheClock) {
  VirtualPrinter p;
  for (const char* line :
       {"YEAR = 26", "MONTH = 2", "DATE = 28", "HOUR = 9", "MINUTE = 5", "SECOND = 30"})
    p.Execute(line);
  EXPECT_EQ(Field(p, "YEAR"), 2026);
  EXPECT_EQ(Field(p, "MONTH"), 2);
  EXPECT_EQ(Field(p, "DATE"), 28);
  EXPECT_EQ(Field(p, "HOUR"), 9);
  EXPECT_EQ(Field(p, "MINUTE"), 5);
  // Seconds run on; within a minute of what was set.
  int second = Field(p, "SECOND");
  EXPECT_GE(second, 30);
  EXPECT_LE(second, 59);
}

TEST(Clock, HalfSetDateIsNotNormalisedOnTheWay) {
  // The 31st, then February, then the 28th: a clock that normalised each
  // step would end in March.
  PrinterClock clock;
  clock.SetNow(ClockFields{2026, 1, 31, 12, 0, 0});
  ASSERT_TRUE(clock.SetField("MONTH", 2));
  ASSERT_TRUE(clock.SetField("DATE", 28));
  EXPECT_EQ(clock.Now().month, 2);
  EXPECT_EQ(clock.Now().date, 28);
}

TEST(Clock, OutOfRangeValuesAreIgnored) {
  PrinterClock clock;
  clock.SetNow(ClockFields{2030, 6, 15, 10, 20, 0});
  EXPECT_FALSE(clock.SetField("MONTH", 13));
  EXPECT_FALSE(clock.SetField("HOUR", 25));
  EXPECT_FALSE(clock.SetField("YEAR", 2100));
  EXPECT_FALSE(clock.SetField("WEEKDAY", 1));
  ClockFields now = clock.Now();
  EXPECT_EQ(now.year, 2030);
  EXPECT_EQ(now.month, 6);
  EXPECT_EQ(now.hour, 10);
  EXPECT_TRUE(clock.SetField("YEAR", 0));
  EXPECT_EQ(clock.Now().year, 2000);
}

// A host time that moves only when the test moves it.
struct ManualTime {
  std::chrono::steady_clock::time_point now{};
  PrinterClock::Steady Source() {
    return [this] { return now; };
  }
};

TEST(Clock, RunsOnAcrossTheYearEnd) {
  ManualTime host;
  PrinterClock clock(host.Source());
  clock.SetNow(ClockFields{2027, 12, 31, 23, 59, 59});
  host.now += std::chrono::milliseconds(999);
  EXPECT_EQ(clock.Now().year, 2027);  // not a whole second yet
  EXPECT_EQ(clock.Now().second, 59);
  host.now += std::chrono::milliseconds(1);
  ClockFields now = clock.Now();
  EXPECT_EQ(now.year, 2028);
  EXPECT_EQ(now.month, 1);
  EXPECT_EQ(now.date, 1);
  EXPECT_EQ(now.hour, 0);
  EXPECT_EQ(now.minute, 0);
  EXPECT_EQ(now.second, 0);
  // A day and a bit later.
  host.now += std::chrono::hours(24) + std::chrono::seconds(61);
  now = clock.Now();
  EXPECT_EQ(now.date, 2);
  EXPECT_EQ(now.minute, 1);
  EXPECT_EQ(now.second, 1);
}

TEST(Clock, LeapDayCarries) {
  ManualTime host;
  PrinterClock clock(host.Source());
  clock.SetNow(ClockFields{2028, 2, 28, 23, 59, 59});
  host.now += std::chrono::seconds(1);
  EXPECT_EQ(clock.Now().date, 29);
  EXPECT_EQ(clock.Now().month, 2);
  host.now += std::chrono::hours(24);
  EXPECT_EQ(clock.Now().date, 1);
  EXPECT_EQ(clock.Now().month, 3);
  // Not in a year that is no leap year.
  clock.SetNow(ClockFields{2027, 2, 28, 23, 59, 59});
  host.now += std::chrono::seconds(1);
  EXPECT_EQ(clock.Now().date, 1);
  EXPECT_EQ(clock.Now().month, 3);
}

TEST(Clock, SettingAFieldKeepsTheOthersRunningFromThatMoment) {
  ManualTime host;
  PrinterClock clock(host.Source());
  clock.SetNow(ClockFields{2030, 6, 15, 10, 20, 0});
  host.now += std::chrono::seconds(90);
  ASSERT_TRUE(clock.SetField("HOUR", 8));
  ClockFields now = clock.Now();
  EXPECT_EQ(now.hour, 8);
  EXPECT_EQ(now.minute, 21);
  EXPECT_EQ(now.second, 30);
  host.now += std::chrono::seconds(30);
  EXPECT_EQ(clock.Now().minute, 22);
  EXPECT_EQ(clock.Now().second, 0);
}

}  // namespace
}  // namespace varnalux::sim
