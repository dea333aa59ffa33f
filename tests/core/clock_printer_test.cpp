// The clock operations against the virtual printer over TCP.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "protocol/clock.h"
#include "sim/virtual_printer.h"
#include "tests/core/clock_values.h"
#include "tests/core/printer_fixture.h"

namespace varnalux {
namespace {

using testing::Clock;
using Printer = testing::PrinterOnTcp;

TEST(ClockOnPrinter, SetSendsTheSixLinesInOneWrite) {
  Printer p;
  // Out-of-range values go unchanged; the year as its remainder by 100.
  ClockSettings clock = Clock(2100, 13, 0, 25, 60, 99);
  const std::string text =
      "YEAR = 0\r\nMONTH = 13\r\nDATE = 0\r\nHOUR = 25\r\nMINUTE = 60\r\nSECOND = 99\r\n";
  ShowProgress(ProgressStepMode, 0, 1);  // counts the write calls
  EXPECT_EQ(RunOperation(OpSetClock, KindEthernet, &clock, 0), ResultOk);
  EXPECT_EQ(ProgressPosition(), 1);
  HideProgress(true);
  EXPECT_EQ(p.ReceivedText(text.size()), text);
}

TEST(ClockOnPrinter, ReadConvertsEachAnswerLikeAtol) {
  Printer p;
  p.printer.OverrideReport("YEAR", "26");
  p.printer.OverrideReport("MONTH", " 12");
  p.printer.OverrideReport("DATE", "07th");
  p.printer.OverrideReport("HOUR", "-3");
  p.printer.OverrideReport("MINUTE", "none");
  p.printer.OverrideReport("SECOND", "59");
  ClockSettings clock = Clock(-1, -1, -1, -1, -1, -1);
  EXPECT_EQ(RunOperation(OpReadClock, KindEthernet, &clock, 0), ResultOk);
  EXPECT_EQ(clock.year, 26);
  EXPECT_EQ(clock.month, 12);
  EXPECT_EQ(clock.date, 7);
  EXPECT_EQ(clock.hour, -3);
  EXPECT_EQ(clock.minute, 0);
  EXPECT_EQ(clock.second, 59);
  const std::string queries =
      "\r\nDIAGNOSTIC INTERFACE NET\r\n"
      "DIAGNOSTIC REPORT YEAR\r\nDIAGNOSTIC REPORT MONTH\r\nDIAGNOSTIC REPORT DATE\r\n"
      "DIAGNOSTIC REPORT HOUR\r\nDIAGNOSTIC REPORT MINUTE\r\nDIAGNOSTIC REPORT SECOND\r\n";
  EXPECT_EQ(p.ReceivedText(queries.size()), queries);
}

TEST(ClockOnPrinter, FirstUnansweredQueryEndsTheReadKeepingEarlierFields) {
  Printer p;
  p.printer.OverrideReport("YEAR", "2026");
  p.printer.OverrideReport("MONTH", "12");
  p.printer.ForgetReport("DATE");
  ClockSettings clock{};
  EXPECT_EQ(RunOperation(OpReadClock, KindEthernet, &clock, 0), ResultReceiveError);
  EXPECT_EQ(clock.year, 2026);
  EXPECT_EQ(clock.month, 12);
  EXPECT_EQ(clock.date, 0);
  EXPECT_EQ(clock.hour, 0);
  EXPECT_EQ(clock.minute, 0);
  EXPECT_EQ(clock.second, 0);
  // Nothing was asked after DATE, and the link was closed: the next
  // operation opens again and works.
  std::string sent = p.printer.ReceivedText();
  EXPECT_EQ(sent.find("HOUR"), std::string::npos) << sent;
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultOk);
}

TEST(ClockOnPrinter, SilentPrinterLeavesEverythingAsItWas) {
  Printer p;
  p.printer.SetFault(sim::Fault::Silent);
  ClockSettings clock = Clock(1, 2, 3, 4, 5, 6);
  EXPECT_EQ(RunOperation(OpReadClock, KindEthernet, &clock, 0), ResultReceiveError);
  EXPECT_EQ(clock.year, 1);
  EXPECT_EQ(clock.second, 6);
  std::string sent = p.ReceivedText(28);
  EXPECT_EQ(sent.find("YEAR"), std::string::npos) << sent;  // the announcement went unanswered
}

}  // namespace
}  // namespace varnalux
