// The control channel: commands change the running printer, replies end in
// OK or ERROR.
#include <gtest/gtest.h>

#include <string>

#include "sim/virtual_printer.h"
#include "sim_test_client.h"

namespace varnalux::sim {
namespace {

TEST(Control, CommandsChangeTheRunningPrinter) {
  VirtualPrinter p;
  EXPECT_EQ(p.Control("status 0x81"), "0x81\nOK\n");
  EXPECT_EQ(p.StatusByte(), 0x81);
  EXPECT_EQ(p.Control("status 300"), "ERROR bad status byte\n");
  EXPECT_EQ(p.Control("fault drop-mid"), "drop-mid\nOK\n");
  EXPECT_EQ(p.CurrentFault(), Fault::DropMidAnswer);
  EXPECT_EQ(p.Control("fault sideways"), "ERROR unknown fault\n");
  EXPECT_EQ(p.Control("fault none"), "none\nOK\n");
  EXPECT_EQ(p.Control("override codepage 866"), "OK\n");
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT CODEPAGE"), "{3|866}");
  EXPECT_EQ(p.Control("forget CODEPAGE"), "OK\n");
  EXPECT_EQ(p.Control("report CODEPAGE"), "ERROR no answer\n");
  EXPECT_EQ(p.Control("exec SPEED 5"), "OK\n");
  EXPECT_EQ(p.Control("report SPEED"), "5\nOK\n");
  EXPECT_EQ(p.Control("put card LOGO.PCX hello"), "OK\n");
  EXPECT_EQ(p.Control("files card"), "LOGO.PCX\nOK\n");
  EXPECT_EQ(p.Control("cat LOGO.PCX"), "hello\nOK\n");
  EXPECT_EQ(p.Control("bogus"), "ERROR unknown command (try help)\n");
}

TEST(Control, OverTcpWithReceivedBytesAsHex) {
  VirtualPrinter p;
  ASSERT_TRUE(p.StartTcp("127.0.0.1", 0));
  ASSERT_TRUE(p.StartControl("127.0.0.1", 0));
  {
    test::Client printer = test::Client::Tcp(p.TcpPort());
    ASSERT_TRUE(printer.Send("\x1b!?"));
    ASSERT_EQ(printer.Read(1, 2000).size(), 1u);
  }
  test::Client control = test::Client::Tcp(p.ControlPort());
  ASSERT_TRUE(control.Send("received\ncommands\nquit\n"));
  std::string expected = "00000000: 1B 21 3F\nOK\nESC ! ?\nOK\nOK\n";
  EXPECT_EQ(control.Read(expected.size() + 10, 2000), expected);
  EXPECT_TRUE(control.ClosedByPeer());
}

}  // namespace
}  // namespace varnalux::sim
