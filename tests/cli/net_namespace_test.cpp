// The real broadcast and multicast path, end to end: varnalux-cli and
// virtual printers in network namespaces of their own, joined by veth pairs
// with private addresses that exist only inside them. Nothing here leaves
// the namespaces; the lab removes them when a test ends, passed or failed.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/cli/netns_lab.h"

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

}  // namespace
}  // namespace varnalux::testing
