// The command-line tool's link options, probe, status and send, run as a
// separate process against the virtual printer.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "cli_runner.h"
#include "sim/virtual_printer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/refusing_port.h"

namespace varnalux {
namespace {

using testing::RunCli;

class CliBasic : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(printer_.StartTcp("127.0.0.1", 0));
    tcp_ = "127.0.0.1:" + std::to_string(printer_.TcpPort());
  }
  sim::VirtualPrinter printer_;
  std::string tcp_;
};

TEST_F(CliBasic, StatusListsLitIndicatorsInWindowOrder) {
  printer_.SetStatusByte(0x40);
  auto r = RunCli({"--tcp", tcp_, "status"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Ready\n");
  printer_.SetStatusByte(0xFF);
  r = RunCli({"--tcp", tcp_, "status"});
  EXPECT_EQ(r.out,
            "Head Open\nPaper Jam\nOut of Paper\nOut of Ribbon\nPause\nPrintting\nOther Error\n");
  printer_.SetStatusByte(0x81);
  r = RunCli({"--tcp", tcp_, "status", "--json"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "{\"headOpen\": 1, \"paperJam\": 0, \"outOfPaper\": 0, \"outOfRibbon\": 0, "
            "\"pause\": 0, \"printing\": 0, \"bit6\": 0, \"otherError\": 1, \"ready\": false}\n");
  EXPECT_EQ(printer_.ReceivedText(), "\x1b!?\x1b!?\x1b!?");
}

TEST_F(CliBasic, ExitStatusIsTheResultCodeWithItsMessage) {
  // Nothing listens there: "Port Open Error", and why.
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  auto r = RunCli({"--tcp", refusing.Address(), "status"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Port Open Error\nThe printer refused the connection.\n");
  EXPECT_EQ(r.out, "");
  printer_.SetFault(sim::Fault::Silent);
  r = RunCli({"--tcp", tcp_, "status"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "Data Receiving Error\n");
  // The parallel link cannot read: refused without opening anything.
  r = RunCli({"--lpt", "/nonexistent/lp", "status"});
  EXPECT_EQ(r.exitCode, 3);
}

TEST_F(CliBasic, ProbeOpensWithoutWriting) {
  auto r = RunCli({"--tcp", tcp_, "probe"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(printer_.Received().empty());
  EXPECT_EQ(RunCli({"--com", "/nonexistent/tty", "probe"}).exitCode, 1);
}

TEST_F(CliBasic, SendWritesFileAndStandardInputUnchanged) {
  std::string bytes("SIZE 4,2\r\n\x00\xff\x1b!R no line end", 27);
  testing::TempFolder folder;
  std::string path = folder.Path("cli_send.bin");
  std::ofstream(path, std::ios::binary) << bytes;
  auto r = RunCli({"--tcp", tcp_, "send", path});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(printer_.WaitForReceived(bytes.size(), 3000));
  EXPECT_EQ(printer_.ReceivedText(), bytes);
  printer_.ClearReceived();
  r = RunCli({"--tcp", tcp_, "send", "-"}, "CLS\r\nPRINT 1\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(printer_.WaitForReceived(14, 3000));
  EXPECT_EQ(printer_.ReceivedText(), "CLS\r\nPRINT 1\r\n");
  r = RunCli({"--tcp", tcp_, "send", "/nonexistent/file"});
  EXPECT_EQ(r.exitCode, 4);
}

TEST_F(CliBasic, StatusOverTheSerialEnd) {
  std::string slave = printer_.StartPty();
  ASSERT_FALSE(slave.empty());
  printer_.SetStatusByte(0x04);
  auto r = RunCli({"--com", slave, "--baud", "115200", "--parity", "even", "status"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Out of Paper\n");
}

TEST(CliUsage, BadUsageExits64) {
  EXPECT_EQ(RunCli({}).exitCode, 64);
  EXPECT_EQ(RunCli({"frobnicate"}).exitCode, 64);
  EXPECT_EQ(RunCli({"--tcp"}).exitCode, 64);
  EXPECT_EQ(RunCli({"--tcp", "host:notaport", "probe"}).exitCode, 64);
  EXPECT_EQ(RunCli({"--tcp", "a", "--com", "COM1", "probe"}).exitCode, 64);
  EXPECT_EQ(RunCli({"--baud", "1234", "probe"}).exitCode, 64);
  EXPECT_EQ(RunCli({"status", "--xml"}).exitCode, 64);
  EXPECT_EQ(RunCli({"send"}).exitCode, 64);
  auto r = RunCli({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("status [--json]"), std::string::npos);
}

}  // namespace
}  // namespace varnalux
