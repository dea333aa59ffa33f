// net get / set-dhcp / set-ip / set-name of varnalux-cli, run as a program
// against an in-process virtual printer on 127.0.0.1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_runner.h"
#include "sim/virtual_printer.h"
#include "tests/support/printer_wait.h"

namespace {

using varnalux::testing::CliResult;
using varnalux::testing::RunCli;

class CliNetwork : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(printer.StartTcp("127.0.0.1", 0)); }
  CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(printer.TcpPort())});
    return RunCli(args);
  }
  std::string Received(size_t n) { return varnalux::testing::SettledText(printer, n); }
  std::string Value(const char* key) {
    bool found = false;
    return printer.ReportValue(key, found);
  }
  varnalux::sim::VirtualPrinter printer;
};

TEST_F(CliNetwork, GetPrintsLinesOrJson) {
  printer.OverrideReport("NETNAME", "BAY \"3\"");
  CliResult r = Cli({"net", "get"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "dhcp: 1\nipAddress: 0.0.0.0\nsubnetMask: 255.255.255.0\ngateway: 192.168.1.1\n"
            "lastUsedIp: 192.168.1.120\nnetName: BAY \"3\"\nmacAddress: 00:1B:82:56:50:01\n");
  r = Cli({"net", "get", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"dhcp\": true, \"ipAddress\": \"0.0.0.0\", \"subnetMask\": \"255.255.255.0\", "
            "\"gateway\": \"192.168.1.1\", \"lastUsedIp\": \"192.168.1.120\", "
            "\"netName\": \"BAY \\\"3\\\"\", \"macAddress\": \"00:1B:82:56:50:01\"}\n");
}

TEST_F(CliNetwork, GetWithoutNameReportGivesEmptyNameAndMac) {
  printer.ForgetReport("NETNAME");
  CliResult r = Cli({"net", "get", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"netName\": \"\", \"macAddress\": \"\"}"), std::string::npos) << r.out;
  EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(CliNetwork, GetFailuresExitWithTheirCode) {
  printer.ForgetReport("GATEWAY");
  CliResult r = Cli({"net", "get"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("Data Receiving Error"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  r = RunCli({"--lpt", "/nonexistent/lp0", "net", "get"});
  EXPECT_EQ(r.exitCode, 3) << r.err;
}

TEST_F(CliNetwork, SettersSendTheirOneLine) {
  CliResult r = Cli({"net", "set-ip", "192.168.1.50", "255.255.255.0", "192.168.1.1"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string ip = "NET IP \"192.168.1.50\",\"255.255.255.0\",\"192.168.1.1\"\r\n";
  EXPECT_EQ(Received(ip.size()), ip);
  EXPECT_EQ(Value("CONFIGIP"), "192.168.1.50");

  printer.ClearReceived();
  r = Cli({"net", "set-name", "PACK 15 CHARS.."});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Received(28), "NET NAME \"PACK 15 CHARS..\"\r\n");

  printer.ClearReceived();
  r = Cli({"net", "set-dhcp"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Received(10), "NET DHCP\r\n");
  EXPECT_EQ(Value("CONFIGIP"), "0.0.0.0");
}

TEST_F(CliNetwork, BadArgumentsAreRefusedBeforeAnythingIsSent) {
  const std::vector<std::vector<std::string>> bad = {
      {"net"},
      {"net", "get", "--xml"},
      {"net", "set-ip", "10.0.0.2", "255.0.0.0"},
      {"net", "set-ip", "10.0.0.2\"", "255.0.0.0", "10.0.0.1"},
      {"net", "set-ip", "10.0.0.2", "255.0.0.0\r\nINITIALPRINTER", "10.0.0.1"},
      {"net", "set-ip", std::string(64, '1'), "255.0.0.0", "10.0.0.1"},
      {"net", "set-name"},
      {"net", "set-name", "A\"B"},
      {"net", "set-name", "SIXTEEN-CHARS-XX"},
      {"net", "set-dhcp", "now"},
      {"net", "reboot"},
  };
  for (const auto& args : bad) {
    CliResult r = Cli(args);
    EXPECT_EQ(r.exitCode, 64) << args.back();
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(varnalux::testing::PrinterStaysSilent(printer)) << printer.ReceivedText();
  EXPECT_EQ(printer.ConnectionCount(), 0u);
  EXPECT_TRUE(printer.Received().empty()) << printer.ReceivedText();
}

}  // namespace
