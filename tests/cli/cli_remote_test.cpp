// discover, remote-reset and remote-set as a program, against in-process
// virtual printers on 127.0.0.1 reached through the override of
// destinations.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "sim/virtual_printer.h"
#include "tests/core/udp_printer_peer.h"

namespace {

using varnalux::testing::CliResult;
using varnalux::testing::RunCli;

class CliRemote : public ::testing::Test {
 protected:
  void SetUp() override {
    a = Start("00:1B:82:00:03:0A", "Front Desk");
    b = Start("00:1B:82:00:03:0B", "Back Room");
  }
  void TearDown() override { unsetenv("VARNALUX_DISCOVERY_TO"); }

  static std::unique_ptr<varnalux::sim::VirtualPrinter> Start(const std::string& mac,
                                                              const std::string& name) {
    auto p = std::make_unique<varnalux::sim::VirtualPrinter>();
    varnalux::sim::NetworkSettings net = p->Network();
    net.macAddress = mac;
    net.netName = name;
    p->SetNetwork(net);
    varnalux::sim::UdpServeOptions options;
    options.port = 0;
    EXPECT_TRUE(p->StartUdp(options));
    return p;
  }
  static std::string To(const varnalux::sim::VirtualPrinter& p) {
    return "127.0.0.1:" + std::to_string(p.UdpPort());
  }
  CliResult Cli(const std::string& to, const std::vector<std::string>& args) {
    setenv("VARNALUX_DISCOVERY_TO", to.c_str(), 1);
    return RunCli(args);
  }

  std::unique_ptr<varnalux::sim::VirtualPrinter> a, b;
};

TEST_F(CliRemote, DiscoverListsEveryAnswerInJsonAndAsLines) {
  CliResult r = Cli(To(*a), {"discover", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string row =
      "{\"name\": \"Front Desk\", \"mac\": \"00:1B:82:00:03:0A\", \"ip\": \"192.168.1.120\", "
      "\"model\": \"VL-200\", \"status\": \"Ready\"}";
  EXPECT_EQ(r.out, "[\n  " + row + ",\n  " + row + "\n]\n");

  b->SetStatusByte(0x04);  // out of paper
  r = Cli(To(*b), {"discover"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string line = "Back Room\t00:1B:82:00:03:0B\t192.168.1.120\tVL-200\tPaper Empty\n";
  EXPECT_EQ(r.out, line + line);
}

// A name cannot add a column or a line, nor reach the terminal as a
// control; JSON keeps valid UTF-8 as characters.
TEST_F(CliRemote, DiscoverEscapesControlsInTextAndKeepsUtf8InJson) {
  varnalux::sim::NetworkSettings net = a->Network();
  net.netName = "Caf\xC3\xA9\t00:00:00:00:00:00\x1B[2J\xC2\x9B\x7F\xFF";
  a->SetNetwork(net);
  CliResult r = Cli(To(*a), {"discover"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string line =
      "Caf\xC3\xA9\\x0900:00:00:00:00:00\\x1B[2J\\xC2\\x9B\\x7F\\xFF\t00:1B:82:00:03:0A\t"
      "192.168.1.120\tVL-200\tReady\n";
  EXPECT_EQ(r.out, line + line);

  r = Cli(To(*a), {"discover", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("{\"name\": \"Caf\xC3\xA9\\u000900:00:00:00:00:00\\u001B[2J\\u009B\\u007F"
                       "\\u00FF\", \"mac\": \"00:1B:82:00:03:0A\""),
            std::string::npos)
      << r.out;
}

TEST_F(CliRemote, NothingAnsweringIsAnEmptyListAndABadOverrideSendsNothing) {
  a->Stop();
  CliResult r = Cli(To(*a), {"discover", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "[]\n");

  for (const char* bad : {"", "printer:22368", "127.0.0.1:0"}) {
    r = Cli(bad, {"discover"});
    EXPECT_EQ(r.exitCode, 1) << bad;
    EXPECT_NE(r.err.find("VARNALUX_DISCOVERY_TO"), std::string::npos) << bad;
    EXPECT_EQ(r.out, "") << bad;
  }
  // A list with one bad entry sends nothing, not even to its good entries.
  r = Cli("printer:22368," + To(*b), {"remote-reset", "00:1B:82:00:03:0B"});
  EXPECT_EQ(r.exitCode, 1);
  // Room for a datagram that must not come.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(b->UdpReceived().empty());
}

// Broadcast and multicast addresses are refused as destinations. Checked with
// the tool in a network namespace of its own, so that even a tool that failed
// to refuse them could send nothing onto a network.
TEST_F(CliRemote, BroadcastAndMulticastDestinationsAreRefused) {
  setenv("VARNALUX_DISCOVERY_TO", "255.255.255.255:22368", 1);
  bool ran = false;
  CliResult r = varnalux::testing::RunCliWithoutNetwork({"discover"}, ran);
  if (!ran) GTEST_SKIP() << "needs root and unshare for a private network namespace";
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("VARNALUX_DISCOVERY_TO"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string refusal = r.err;
  // The loopback broadcast and 0.0.0.0 (which would become this machine)
  // get the same refusal, not an empty list.
  for (const std::string bad : {"127.255.255.255:22368", "0.0.0.0:22368"}) {
    setenv("VARNALUX_DISCOVERY_TO", bad.c_str(), 1);
    r = varnalux::testing::RunCliWithoutNetwork({"discover"}, ran);
    EXPECT_EQ(r.exitCode, 1) << bad;
    std::string expected = refusal;
    expected.replace(expected.find("255.255.255.255:22368"), 21, bad);
    EXPECT_EQ(r.err, expected) << bad;
    EXPECT_EQ(r.out, "");
  }
  setenv("VARNALUX_DISCOVERY_TO", "127.0.0.1:22368,224.0.0.251:22368", 1);
  r = varnalux::testing::RunCliWithoutNetwork({"remote-reset", "00:1B:82:00:03:0B"}, ran);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("VARNALUX_DISCOVERY_TO"), std::string::npos) << r.err;
}

TEST_F(CliRemote, RemoteSetChangesOnlyThePrinterWithTheMac) {
  const std::string both = To(*a) + "," + To(*b);
  CliResult r = Cli(both, {"remote-set", "00:1b:82:00:03:0b", "--static", "10.4.0.20",
                           "255.255.252.0", "10.4.0.1", "--name", "Back Room 2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  varnalux::sim::NetworkSettings net = b->Network();
  EXPECT_FALSE(net.dhcp);
  EXPECT_EQ(net.ipAddress, "10.4.0.20");
  EXPECT_EQ(net.subnetMask, "255.255.252.0");
  EXPECT_EQ(net.gateway, "10.4.0.1");
  EXPECT_EQ(net.netName, "Back Room 2");
  EXPECT_EQ(a->Network().netName, "Front Desk");
  EXPECT_TRUE(a->Network().dhcp);

  // Without --name the name the printer gave at discovery goes back, so the
  // change of mode does not wipe it.
  r = Cli(both, {"remote-set", "00:1B:82:00:03:0B", "--dhcp"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  net = b->Network();
  EXPECT_TRUE(net.dhcp);
  EXPECT_EQ(net.netName, "Back Room 2");
  EXPECT_EQ(net.ipAddress, "10.4.0.20");
}

// Answers that stop after the header (or before the addresses) are no
// answers: nothing of them is written, and the user is told.
TEST_F(CliRemote, RemoteSetWritesNothingFromAnswersTooShortToHoldTheirFields) {
  varnalux::testing::UdpPrinterPeer::Options o;
  o.addressAnswerSize = 32;
  o.modeAnswerSize = 32;
  auto peer = std::make_unique<varnalux::testing::UdpPrinterPeer>(o);
  const std::string to = "127.0.0.1:" + std::to_string(peer->Port());
  CliResult r = Cli(to, {"remote-set", "00:1B:82:77:00:01", "--name", "KEEPME"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("answer to the address read is too short"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("answer to the address-mode read is too short"), std::string::npos) << r.err;
  for (uint8_t selector : {0, 4, 5, 7}) EXPECT_EQ(peer->Writes(selector), 0u);
  EXPECT_EQ(peer->Current().name, "PEER");
  EXPECT_TRUE(peer->Current().dhcp);

  // Addresses cut in the mask, the mode whole: the name and the mode it
  // read go back, the addresses stay out.
  o.addressAnswerSize = 75;
  o.modeAnswerSize = 1064;
  peer = std::make_unique<varnalux::testing::UdpPrinterPeer>(o);
  r = Cli("127.0.0.1:" + std::to_string(peer->Port()),
          {"remote-set", "00:1B:82:77:00:01", "--name", "KEEPME"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("answer to the address read is too short"), std::string::npos) << r.err;
  for (int i = 0; i < 100 && peer->Writes(7) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(peer->Writes(0), 1u);
  EXPECT_EQ(peer->Writes(4), 0u);
  EXPECT_EQ(peer->Writes(5), 1u);
  EXPECT_EQ(peer->Current().name, "KEEPME");
  EXPECT_TRUE(peer->Current().dhcp);
  EXPECT_EQ(peer->Current().ip, o.settings.ip);
}

TEST_F(CliRemote, RemoteSetRefusesAPrinterThatDoesNotAnswer) {
  const CliResult r = Cli(To(*a), {"remote-set", "00:1B:82:00:03:0B", "--dhcp"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("no printer with MAC 00:1B:82:00:03:0B"), std::string::npos) << r.err;
  // Only the two discovery requests reached the printer that did answer.
  EXPECT_EQ(a->UdpReceived().size(), 2u);
  EXPECT_EQ(a->Network().netName, "Front Desk");
}

TEST_F(CliRemote, RemoteResetAndBadUsage) {
  CliResult r = Cli(To(*a), {"remote-reset", "00:1B:82:00:03:0A"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (int i = 0; i < 100 && a->Network().netName != "VPRINTER"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(a->Network().netName, "VPRINTER");
  EXPECT_EQ(a->Network().macAddress, "00:1B:82:00:03:0A");

  const std::vector<std::vector<std::string>> bad = {
      {"remote-reset"},
      {"remote-reset", "00:1B:82:00:03"},
      {"remote-set", "00:1B:82:00:03:0A", "--dhcp", "--static", "1.2.3.4", "255.0.0.0", "1.0.0.1"},
      {"remote-set", "00:1B:82:00:03:0A", "--static", "1.2.3", "255.0.0.0", "1.0.0.1"},
      {"remote-set", "00:1B:82:00:03:0A", "--static", "1.2.3.4", "255.0.0.0"},
      {"remote-set", "00:1B:82:00:03:0A", "--name", std::string(64, 'n')},
      {"remote-set", "00:1B:82:00:03:0A", "--bogus"},
      {"discover", "--xml"},
  };
  for (const auto& args : bad) {
    r = Cli(To(*b), args);
    EXPECT_EQ(r.exitCode, 64) << args.back();
  }
  // Room for a datagram that must not come.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(b->UdpReceived().empty());
}

}  // namespace
