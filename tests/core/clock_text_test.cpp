// The clock's setting lines and the reading of the printer's numbers.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "base/numbers.h"
#include "protocol/clock.h"
#include "tests/core/clock_values.h"

namespace varnalux {
namespace {

using testing::Clock;

TEST(ClockSettingText, SixLinesWithTheYearModuloHundred) {
  EXPECT_EQ(ClockSettingText(Clock(2026, 12, 7, 9, 5, 30)),
            "YEAR = 26\r\nMONTH = 12\r\nDATE = 7\r\nHOUR = 9\r\nMINUTE = 5\r\nSECOND = 30\r\n");
  EXPECT_EQ(ClockSettingText(Clock(8, 1, 1, 0, 0, 0)).substr(0, 10), "YEAR = 8\r\n");
  EXPECT_EQ(ClockSettingText(Clock(2100, 1, 1, 0, 0, 0)).substr(0, 10), "YEAR = 0\r\n");
  // The remainder keeps the sign of the year, as C's % does.
  EXPECT_EQ(ClockSettingText(Clock(-2026, 1, 1, 0, 0, 0)).substr(0, 12), "YEAR = -26\r\n");
  EXPECT_EQ(ClockSettingText(Clock(INT_MIN, 1, 1, 0, 0, 0)).substr(0, 12), "YEAR = -48\r\n");
}

TEST(ClockSettingText, OutOfRangeValuesAreSentUnchanged) {
  EXPECT_EQ(ClockSettingText(Clock(2026, 13, 32, 25, 61, -1)),
            "YEAR = 26\r\nMONTH = 13\r\nDATE = 32\r\nHOUR = 25\r\nMINUTE = 61\r\nSECOND = -1\r\n");
  EXPECT_EQ(ClockSettingText(Clock(0, INT_MAX, INT_MIN, 0, 0, 0)),
            "YEAR = 0\r\nMONTH = 2147483647\r\nDATE = -2147483648\r\nHOUR = 0\r\nMINUTE = 0\r\n"
            "SECOND = 0\r\n");
}

TEST(AnswerInteger, ReadsLikeAtolWithinItsLength) {
  auto read = [](const char* s) { return LenientInteger(s, strlen(s)); };
  EXPECT_EQ(read("26"), 26);
  EXPECT_EQ(read("  \t 07"), 7);
  EXPECT_EQ(read("12:30"), 12);
  EXPECT_EQ(read("-5x"), -5);
  EXPECT_EQ(read("+9"), 9);
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(read("abc"), 0);
  EXPECT_EQ(read("- 5"), 0);
  EXPECT_EQ(read("99999999999999999999"), INT_MAX);
  EXPECT_EQ(read("-99999999999999999999"), INT_MIN);
  EXPECT_EQ(LenientInteger(nullptr, 5), 0);
  // Only length bytes are looked at: digits beyond them do not count.
  const char unterminated[4] = {'1', '2', '3', '4'};
  EXPECT_EQ(LenientInteger(unterminated, 2), 12);
}

}  // namespace
}  // namespace varnalux
