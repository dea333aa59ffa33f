// Printer functions and the clock over the serial link, against the virtual
// printer's pseudo-terminal.
#include <gtest/gtest.h>

#include "operations/dispatcher.h"
#include "protocol/clock.h"
#include "protocol/printer_functions.h"
#include "sim/virtual_printer.h"
#include "tests/core/loopback_peer.h"

namespace varnalux {
namespace {

TEST(FunctionsOverSerial, ClockRoundTripAndOneShotCommands) {
  sim::VirtualPrinter printer;
  std::string slave = printer.StartPty();
  ASSERT_FALSE(slave.empty());
  testing::BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, slave.c_str());

  ClockSettings set{2026, 12, 7, 9, 5, 30, 1};
  ASSERT_EQ(RunOperation(OpSetClock, KindCom, &set, 0), ResultOk);
  ClockSettings read{};
  ASSERT_EQ(RunOperation(OpReadClock, KindCom, &read, 0), ResultOk);
  // The printer's clock runs on from what was set: allow a second or two.
  EXPECT_EQ(read.month, 12);
  EXPECT_EQ(read.date, 7);
  EXPECT_EQ(read.hour, 9);
  EXPECT_EQ(read.minute, 5);
  EXPECT_GE(read.second, 30) << read.year << "-" << read.month << "-" << read.date << " "
                             << read.hour << ":" << read.minute
                             << " sent: " << printer.ReceivedText();
  EXPECT_LE(read.second, 33);
  EXPECT_TRUE(read.year == 26 || read.year == 2026) << read.year;
  std::string sent = printer.ReceivedText();
  EXPECT_EQ(sent.rfind("YEAR = 26\r\nMONTH = 12\r\nDATE = 7\r\nHOUR = 9\r\nMINUTE = 5\r\n"
                       "SECOND = 30\r\n\r\nDIAGNOSTIC INTERFACE COM\r\n",
                       0),
            0u)
      << sent;

  printer.ClearReceived();
  ASSERT_EQ(RunOperation(OpResetPrinter, KindCom, nullptr, 0), ResultOk);
  ASSERT_EQ(RunOperation(OpPrintConfigurationPage, KindCom, nullptr, 0), ResultOk);
  int32_t continuous = 2;
  ASSERT_EQ(RunOperation(OpCalibrateSensor, KindCom, &continuous, 0), ResultOk);
  ASSERT_TRUE(printer.WaitForReceived(3 + 10 + 21, 3000));
  EXPECT_EQ(printer.ReceivedText(), "\x1b!RSELFTEST\r\nGAP 0.12,0\r\nGAP 0,0\r\n");
}

}  // namespace
}  // namespace varnalux
