// The real broadcast and multicast path, end to end: varnalux-cli and
// virtual printers in network namespaces of their own, joined by veth pairs
// with private addresses that exist only inside them. Nothing here leaves
// the namespaces; the lab removes them when a test ends, passed or failed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/netns_lab.h"
#include "tests/core/udp_printer_peer.h"

namespace varnalux::testing {
namespace {

// varnalux-cli in a namespace with the real destinations (no override).
Ran CliIn(const std::string& ns, const std::vector<std::string>& args) {
  std::vector<std::string> all = {
      "ip", "netns", "exec", ns, "env", "-u", "VARNALUX_DISCOVERY_TO", VARNALUX_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram(all);
}

// A virtual printer on the protocol's port in a namespace.
std::vector<std::string> Printer(const std::string& mac, const std::string& name,
                                 const std::string& multicastIf = "") {
  std::vector<std::string> args = {VARNALUX_VPRINTER_PATH, "--no-tcp", "--udp",
                                   "0.0.0.0:22368",        "--mac",    mac,
                                   "--net-name",           name};
  if (!multicastIf.empty()) args.insert(args.end(), {"--udp-multicast", multicastIf});
  return args;
}

// The names of the discover lines (tab-separated, the name first).
std::vector<std::string> NamesOf(const std::string& out) {
  std::vector<std::string> names;
  size_t at = 0;
  while (at < out.size()) {
    size_t eol = out.find('\n', at);
    if (eol == std::string::npos) eol = out.size();
    const std::string line = out.substr(at, eol - at);
    names.push_back(line.substr(0, line.find('\t')));
    at = eol + 1;
  }
  return names;
}

// The write-setting datagrams a virtual printer received for a MAC, by
// selector, from the lines of its control command "udp".
std::map<int, int> WritesFor(const std::string& udpLines, const std::string& mac) {
  std::map<int, int> writes;
  std::istringstream lines(udpLines);
  std::string command, selector, size, target;
  while (lines >> command) {
    if (command == "OK" || !(lines >> selector >> size >> target)) break;
    if (command == "4" && target == mac) ++writes[std::stoi(selector)];
  }
  return writes;
}

class NetNamespaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (!NetnsLab::Available(reason)) GTEST_SKIP() << reason;
  }
};

// Client and two printers on one bridged segment, each in its own
// namespace. Alpha has joined the multicast group, Beta has not: Alpha
// answers both requests and is listed twice, Beta once.
TEST_F(NetNamespaceTest, TwoPrintersOnASegmentOneAnsweringBothRequests) {
  NetnsLab lab;
  const std::string sw = lab.Add("sw"), client = lab.Add("c"), p1 = lab.Add("p1"),
                    p2 = lab.Add("p2");
  ASSERT_FALSE(sw.empty() || client.empty() || p1.empty() || p2.empty());
  ASSERT_TRUE(lab.Ip(sw, {"link", "add", "br0", "type", "bridge"}));
  ASSERT_TRUE(lab.Ip(sw, {"link", "set", "br0", "up"}));
  const std::pair<std::string, std::string> hosts[] = {
      {client, "10.213.0.1/24"}, {p1, "10.213.0.11/24"}, {p2, "10.213.0.12/24"}};
  int n = 0;
  for (const auto& [ns, address] : hosts) {
    const std::string port = "sw" + std::to_string(n++);
    ASSERT_TRUE(lab.Link(ns, "eth0", sw, port));
    ASSERT_TRUE(lab.Ip(sw, {"link", "set", port, "master", "br0"}));
    ASSERT_TRUE(lab.Ip(ns, {"addr", "add", address, "dev", "eth0"}));
  }
  ASSERT_GT(lab.Start(p1, Printer("00:1B:82:00:01:01", "Alpha", "eth0")), 0);
  ASSERT_GT(lab.Start(p2, Printer("00:1B:82:00:01:02", "Beta")), 0);

  Ran found = CliIn(client, {"discover"});
  ASSERT_EQ(found.status, 0);
  std::vector<std::string> names = NamesOf(found.out);
  ASSERT_EQ(names.size(), 3u) << found.out;
  EXPECT_EQ(std::multiset<std::string>(names.begin(), names.begin() + 2),
            (std::multiset<std::string>{"Alpha", "Beta"}));
  EXPECT_EQ(names[2], "Alpha");
  EXPECT_NE(found.out.find("\t00:1B:82:00:01:02\t192.168.1.120\tVL-200\tReady"), std::string::npos);

  // Setting datagrams by broadcast reach the printer with the MAC only.
  Ran set = CliIn(client, {"remote-set", "00:1b:82:00:01:02", "--static", "10.213.0.50",
                           "255.255.255.0", "10.213.0.1", "--name", "Beta-2"});
  EXPECT_EQ(set.status, 0);
  Ran reset = CliIn(client, {"remote-reset", "00:1B:82:00:01:01"});
  EXPECT_EQ(reset.status, 0);
  found = CliIn(client, {"discover", "--json"});
  ASSERT_EQ(found.status, 0);
  EXPECT_NE(found.out.find("\"name\": \"Beta-2\", \"mac\": \"00:1B:82:00:01:02\", \"ip\": "
                           "\"10.213.0.50\""),
            std::string::npos)
      << found.out;
  EXPECT_NE(found.out.find("\"name\": \"VPRINTER\", \"mac\": \"00:1B:82:00:01:01\""),
            std::string::npos)
      << found.out;
  EXPECT_EQ(found.out.find("Alpha"), std::string::npos);
}

// The client's default route leaves through one interface; the printer is
// cabled to the other, which has no route beyond its own subnet. The
// requests go out of both, so the printer is found by both.
TEST_F(NetNamespaceTest, APrinterBehindTheInterfaceWithoutTheDefaultRoute) {
  NetnsLab lab;
  const std::string client = lab.Add("c"), wan = lab.Add("wan"), printer = lab.Add("p");
  ASSERT_FALSE(client.empty() || wan.empty() || printer.empty());
  ASSERT_TRUE(lab.Link(client, "wifi0", wan, "up0"));
  ASSERT_TRUE(lab.Ip(client, {"addr", "add", "10.213.1.1/24", "dev", "wifi0"}));
  ASSERT_TRUE(lab.Ip(wan, {"addr", "add", "10.213.1.2/24", "dev", "up0"}));
  ASSERT_TRUE(lab.Ip(client, {"route", "add", "default", "via", "10.213.1.2", "dev", "wifi0"}));
  ASSERT_TRUE(lab.Link(client, "cable0", printer, "eth0"));
  ASSERT_TRUE(lab.Ip(client, {"addr", "add", "10.213.2.1/24", "dev", "cable0"}));
  ASSERT_TRUE(lab.Ip(printer, {"addr", "add", "10.213.2.11/24", "dev", "eth0"}));
  ASSERT_GT(lab.Start(printer, Printer("00:1B:82:00:02:01", "Bench", "eth0")), 0);

  const Ran found = CliIn(client, {"discover"});
  ASSERT_EQ(found.status, 0);
  EXPECT_EQ(NamesOf(found.out), (std::vector<std::string>{"Bench", "Bench"})) << found.out;
}

// The common laptop: wired and Wi-Fi on one LAN, so every request leaves
// twice and the printer answers every read twice. A name-only change must
// change the name and nothing else (a DHCP printer stays on DHCP), and every
// write must arrive once. Checked with the virtual printer and with the
// independent peer (which does not echo the sequence number), each in a
// namespace of its own on the client's segment.
TEST_F(NetNamespaceTest, ANameChangeThroughTwoInterfacesOnOneLanChangesOnlyTheName) {
  NetnsLab lab;
  const std::string sw = lab.Add("sw"), client = lab.Add("c"), p1 = lab.Add("p1"),
                    p2 = lab.Add("p2");
  ASSERT_FALSE(sw.empty() || client.empty() || p1.empty() || p2.empty());
  ASSERT_TRUE(lab.Ip(sw, {"link", "add", "br0", "type", "bridge"}));
  ASSERT_TRUE(lab.Ip(sw, {"link", "set", "br0", "up"}));
  const struct {
    std::string ns, interface, address;
  } hosts[] = {{client, "wired0", "10.213.3.1/24"},
               {client, "wifi0", "10.213.3.2/24"},
               {p1, "eth0", "10.213.3.11/24"},
               {p2, "eth0", "10.213.3.12/24"}};
  int n = 0;
  for (const auto& h : hosts) {
    const std::string port = "sw" + std::to_string(n++);
    ASSERT_TRUE(lab.Link(h.ns, h.interface, sw, port));
    ASSERT_TRUE(lab.Ip(sw, {"link", "set", port, "master", "br0"}));
    ASSERT_TRUE(lab.Ip(h.ns, {"addr", "add", h.address, "dev", h.interface}));
  }
  const std::string mac = "00:1B:82:00:05:01";
  std::vector<std::string> printer = Printer(mac, "Alpha");
  printer.insert(printer.end(), {"--listen", "127.0.0.1:9100", "--control", "127.0.0.1:9200"});
  printer.erase(std::find(printer.begin(), printer.end(), "--no-tcp"));
  ASSERT_GT(lab.Start(p1, printer), 0);
  // The printer's own settings, through its TCP link inside its namespace.
  auto settings = [&] {
    return RunProgram({"ip", "netns", "exec", p1, VARNALUX_CLI_PATH, "--tcp", "127.0.0.1:9100",
                       "net", "get", "--json"});
  };
  const Ran before = settings();
  ASSERT_EQ(before.status, 0);
  ASSERT_NE(before.out.find("\"dhcp\": true"), std::string::npos) << before.out;

  const Ran set = CliIn(client, {"remote-set", mac, "--name", "NEWNAME"});
  EXPECT_EQ(set.status, 0);
  const Ran after = settings();
  ASSERT_EQ(after.status, 0);
  std::string expected = before.out;
  expected.replace(expected.find("\"Alpha\""), 7, "\"NEWNAME\"");
  EXPECT_EQ(after.out, expected);
  const std::string udp = AskInNamespace(p1, 9200, "udp");
  EXPECT_EQ(WritesFor(udp, mac), (std::map<int, int>{{0, 1}, {4, 1}, {5, 1}, {7, 1}})) << udp;

  // The independent peer, discovered first (remote-set without --name):
  // the change goes the way it answered, once.
  std::unique_ptr<UdpPrinterPeer> peer;
  ASSERT_TRUE(InNamespace(p2, [&] {
    UdpPrinterPeer::Options o;
    o.address = INADDR_ANY;
    o.port = 22368;
    o.echoSequence = false;
    o.mac = {0x00, 0x1B, 0x82, 0x77, 0x00, 0x02};
    o.settings.name = "Beta";
    peer = std::make_unique<UdpPrinterPeer>(o);
  }));
  ASSERT_NE(peer->Port(), 0);
  const Ran peerSet = CliIn(client, {"remote-set", "00:1B:82:77:00:02", "--dhcp"});
  EXPECT_EQ(peerSet.status, 0);
  for (uint8_t selector : {0, 4, 5, 7}) EXPECT_EQ(peer->Writes(selector), 1u) << int{selector};
  const UdpPrinterPeer::Settings now = peer->Current();
  EXPECT_EQ(now.name, "Beta");
  EXPECT_TRUE(now.dhcp);
  EXPECT_EQ(now.ip, UdpPrinterPeer::Settings{}.ip);
  const Ran peerRename = CliIn(client, {"remote-set", "00:1B:82:77:00:02", "--name", "Beta-2"});
  EXPECT_EQ(peerRename.status, 0);
  for (uint8_t selector : {0, 4, 5, 7}) EXPECT_EQ(peer->Writes(selector), 2u) << int{selector};
  EXPECT_EQ(peer->Current().name, "Beta-2");
  EXPECT_TRUE(peer->Current().dhcp);
  // The virtual printer saw those writes go by and took none of them.
  EXPECT_EQ(WritesFor(AskInNamespace(p1, 9200, "udp"), mac),
            (std::map<int, int>{{0, 1}, {4, 1}, {5, 1}, {7, 1}}));
}

// The broadcast addresses of the interfaces (as given, and the top of each
// subnet) are refused as the override's destinations with the message of
// 255.255.255.255, checked against the interfaces of the moment.
TEST_F(NetNamespaceTest, AnInterfacesBroadcastIsRefusedAsADestination) {
  NetnsLab lab;
  const std::string ns = lab.Add("b"), peer = lab.Add("bp");
  ASSERT_FALSE(ns.empty() || peer.empty());
  ASSERT_TRUE(lab.Link(ns, "v0", peer, "v1"));
  ASSERT_TRUE(lab.Ip(ns, {"addr", "add", "10.213.9.1/24", "brd", "10.213.9.254", "dev", "v0"}));
  auto discover = [&](const std::string& to) {
    return RunProgram({"ip", "netns", "exec", ns, "env", "VARNALUX_DISCOVERY_TO=" + to, "sh", "-c",
                       "exec \"$0\" discover 2>&1", VARNALUX_CLI_PATH});
  };
  const Ran refused = discover("255.255.255.255:22368");
  ASSERT_EQ(refused.status, 1);
  ASSERT_NE(refused.out.find("'255.255.255.255:22368'"), std::string::npos) << refused.out;
  for (const std::string to : {"10.213.9.255:22368", "10.213.9.254:22368"}) {
    const Ran r = discover(to);
    EXPECT_EQ(r.status, 1) << to;
    std::string expected = refused.out;
    expected.replace(expected.find("255.255.255.255:22368"), 21, to);
    EXPECT_EQ(r.out, expected);
  }
  // A host of that subnet is a destination like any other.
  EXPECT_EQ(discover("10.213.9.7:22368").status, 0);
}

}  // namespace
}  // namespace varnalux::testing
