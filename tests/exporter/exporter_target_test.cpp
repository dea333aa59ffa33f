// The exporter's targets, allowed networks and options, without a printer.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "app/exporter/allow_list.h"
#include "app/exporter/exporter_options.h"
#include "app/exporter/exporter_service.h"
#include "app/exporter/probe_target.h"

namespace varnalux {
namespace {

ProbeTarget Parsed(const std::string& text) {
  ProbeTarget target;
  std::string error;
  EXPECT_TRUE(ParseProbeTarget(text, target, error)) << text << ": " << error;
  return target;
}

std::string Refusal(const std::string& text) {
  ProbeTarget target;
  std::string error;
  EXPECT_FALSE(ParseProbeTarget(text, target, error)) << text;
  EXPECT_EQ(error.find('\n'), std::string::npos);
  return error;
}

TEST(ExporterTarget, TcpFormsGiveHostAndPort) {
  struct Case {
    const char* text;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {"tcp://10.0.4.21:9100", "10.0.4.21", 9100},
      {"tcp://10.0.4.21", "10.0.4.21", 9100},
      {"tcp:10.0.4.21:9101", "10.0.4.21", 9101},
      {"10.0.4.21:9102", "10.0.4.21", 9102},
      {"tcp://[::1]:9100", "::1", 9100},
      {"[::1]", "::1", 9100},
      {"tcp://[fe80::1%eth0]:9103", "fe80::1%eth0", 9103},
      {"printer-3.dock.example:9100", "printer-3.dock.example", 9100},
  };
  for (const Case& c : cases) {
    const ProbeTarget t = Parsed(c.text);
    EXPECT_EQ(t.kind, KindEthernet) << c.text;
    EXPECT_EQ(t.host, c.host) << c.text;
    EXPECT_EQ(t.port, c.port) << c.text;
    EXPECT_FALSE(IsLocalPort(t));
  }
}

TEST(ExporterTarget, LocalPortsCarryTheirSerialWords) {
  ProbeTarget t = Parsed("com:/dev/ttyUSB0 baud=115200 parity=even");
  EXPECT_EQ(t.kind, KindCom);
  EXPECT_STREQ(t.serial.portName, "/dev/ttyUSB0");
  EXPECT_EQ(t.serial.baudIndex, 6);
  EXPECT_EQ(t.serial.parityIndex, 2);
  EXPECT_EQ(t.serial.dataBitsIndex, 1);  // untouched: the default 8 bits
  EXPECT_TRUE(IsLocalPort(t));
  std::string error;
  ASSERT_TRUE(SetSerialWord("stop", "2", t, error)) << error;
  EXPECT_EQ(t.serial.stopBitsIndex, 2);
  EXPECT_FALSE(SetSerialWord("baud", "12345", t, error));
  EXPECT_FALSE(SetSerialWord("speed", "9600", t, error));
  EXPECT_EQ(Parsed("com:COM3").serial.baudIndex, 2);  // 9600
  EXPECT_EQ(Parsed("usb").kind, KindUsb);
  ProbeTarget tcp = Parsed("10.0.4.21");
  EXPECT_FALSE(SetSerialWord("baud", "9600", tcp, error));
  EXPECT_NE(error.find("com:"), std::string::npos) << error;
}

TEST(ExporterTarget, BadTargetsAreRefusedWithAReason) {
  const char* const bad[] = {
      "",
      "   ",
      "tcp://",
      "tcp://[::1",
      "tcp://[10.0.4.21]:9100",  // brackets are for IPv6
      "tcp://10.0.4.21:0",
      "tcp://10.0.4.21:65536",
      "tcp://10.0.4.21:91x",
      "tcp://user@10.0.4.21",
      "tcp://10.0.4.21/path",
      "tcp://-printer",
      "tcp://[fe80::1%eth0/x]",
      "http://10.0.4.21",
      "com:",
      "com:COM3 baud=1",
      "com:COM3 9600",
      "tcp://10.0.4.21 baud=9600",
      "usb extra=1",
      "tcp://[fe80::1%eth0]:910b\\c\nd",  // the reason quotes it on one line
      "com:COM3 baud=\x1b[2J\n",
  };
  for (const char* text : bad) EXPECT_FALSE(Refusal(text).empty()) << text;
  EXPECT_NE(Refusal("lpt:LPT1").find("parallel"), std::string::npos);
  EXPECT_FALSE(Refusal(std::string(600, 'a')).empty());
  EXPECT_FALSE(Refusal("com:" + std::string(30, 'x')).empty());
  EXPECT_FALSE(Refusal(std::string("com:CO\x01M")).empty());
}

bool Permits(const AllowList& list, const std::string& text) {
  IpAddress address;
  EXPECT_TRUE(ParseIpAddress(text, address)) << text;
  return list.Permits(address);
}

AllowList ListOf(std::initializer_list<const char*> networks) {
  AllowList list;
  for (const char* n : networks) {
    Cidr cidr;
    std::string error;
    EXPECT_TRUE(ParseCidr(n, cidr, error)) << n << ": " << error;
    list.Add(cidr);
  }
  return list;
}

TEST(ExporterAllowList, NetworksOfBothFamiliesJudgeAddresses) {
  const AllowList list = ListOf({"10.0.4.0/24", "192.168.7.9", "fd00:ab::/32", "fe80::/10"});
  EXPECT_TRUE(Permits(list, "10.0.4.0"));
  EXPECT_TRUE(Permits(list, "10.0.4.255"));
  EXPECT_FALSE(Permits(list, "10.0.5.1"));
  EXPECT_TRUE(Permits(list, "192.168.7.9"));
  EXPECT_FALSE(Permits(list, "192.168.7.10"));
  EXPECT_TRUE(Permits(list, "fd00:ab:1::7"));
  EXPECT_FALSE(Permits(list, "fd00:ac::7"));
  // A zone plays no part in the address.
  EXPECT_TRUE(Permits(list, "fe80::1%eth0"));
  EXPECT_TRUE(Permits(list, "febf::1"));
  EXPECT_FALSE(Permits(list, "fec0::1"));
  // An IPv4-mapped address is the IPv4 address it carries.
  EXPECT_TRUE(Permits(list, "::ffff:10.0.4.7"));
  EXPECT_FALSE(Permits(list, "::ffff:10.0.9.7"));
  // Host bits of a network are cleared; /0 takes the whole family.
  EXPECT_TRUE(Permits(ListOf({"10.0.4.77/24"}), "10.0.4.1"));
  EXPECT_TRUE(Permits(ListOf({"0.0.0.0/0"}), "203.0.113.5"));
  EXPECT_FALSE(Permits(ListOf({"0.0.0.0/0"}), "2001:db8::1"));
  EXPECT_FALSE(Permits(AllowList{}, "127.0.0.1"));
}

TEST(ExporterAllowList, LoopbackIsTheDefault) {
  const AllowList loopback = AllowList::LoopbackOnly();
  EXPECT_TRUE(Permits(loopback, "127.0.0.1"));
  EXPECT_TRUE(Permits(loopback, "127.255.0.3"));
  EXPECT_TRUE(Permits(loopback, "::1"));
  EXPECT_TRUE(Permits(loopback, "::ffff:127.0.0.1"));
  EXPECT_FALSE(Permits(loopback, "10.0.4.21"));
  EXPECT_FALSE(Permits(loopback, "::2"));
  ExporterOptions options;
  std::string error;
  ASSERT_EQ(ParseExporterOptions({}, options, error), OptionsOutcome::Run);
  EXPECT_TRUE(Permits(options.allow, "127.0.0.1"));
  EXPECT_FALSE(Permits(options.allow, "10.0.4.21"));
  // A given --allow replaces the default.
  ASSERT_EQ(ParseExporterOptions({"--allow", "10.0.4.0/24"}, options, error), OptionsOutcome::Run);
  EXPECT_FALSE(Permits(options.allow, "127.0.0.1"));
  EXPECT_TRUE(Permits(options.allow, "10.0.4.21"));
}

TEST(ExporterAllowList, BadNetworksAndAddressesAreRefused) {
  const char* const badNetworks[] = {"",
                                     "10.0.4.0/33",
                                     "::/129",
                                     "10.0.4.0/",
                                     "10.0.4/24",
                                     "10.0.4.0/2x",
                                     "fe80::1%eth0",
                                     "[::1]/128",
                                     "host.example",
                                     "10.0.4.0/-1",
                                     "10.0.4.0/0024",
                                     "fd00::/99999999999999"};
  for (const char* n : badNetworks) {
    Cidr cidr;
    std::string error;
    EXPECT_FALSE(ParseCidr(n, cidr, error)) << n;
    EXPECT_FALSE(error.empty()) << n;
  }
  const char* const badAddresses[] = {"",         "1.2.3",         "1.2.3.4.5",    "::g",
                                      "fe80::1%", "fe80::1%e th0", "1.2.3.4%eth0", "[::1",
                                      "300.1.1.1"};
  for (const char* a : badAddresses) {
    IpAddress address;
    EXPECT_FALSE(ParseIpAddress(a, address)) << a;
  }
  IpAddress address;
  std::string zone;
  ASSERT_TRUE(ParseIpAddress("[fe80::1%eth0]", address, &zone));
  EXPECT_EQ(address.family, AF_INET6);
  EXPECT_EQ(zone, "eth0");
  EXPECT_EQ(IpAddressText(address), "fe80::1");
}

TEST(ExporterOptions, ValuesAndBounds) {
  ExporterOptions o;
  std::string error;
  ASSERT_EQ(
      ParseExporterOptions({"--listen", "[::1]:0", "--concurrency", "8", "--probe-timeout", "2.5",
                            "--queue-wait", "0", "--allow-local-ports", "--baseline", "b.dcf"},
                           o, error),
      OptionsOutcome::Run)
      << error;
  EXPECT_EQ(o.listenHost, "::1");
  EXPECT_EQ(o.listenPort, 0);
  EXPECT_EQ(o.concurrency, 8);
  EXPECT_DOUBLE_EQ(o.probeTimeout.count(), 2.5);
  EXPECT_DOUBLE_EQ(o.queueWait.count(), 0);
  EXPECT_TRUE(o.allowLocalPorts);
  EXPECT_EQ(o.baselinePath, "b.dcf");

  ExporterOptions defaults;
  ASSERT_EQ(ParseExporterOptions({}, defaults, error), OptionsOutcome::Run);
  EXPECT_EQ(defaults.listenHost, "127.0.0.1");
  EXPECT_EQ(defaults.listenPort, 9377);
  EXPECT_EQ(defaults.concurrency, 64);
  EXPECT_LT(defaults.probeTimeout.count(), 10.0);
  EXPECT_FALSE(defaults.allowLocalPorts);

  const std::vector<std::vector<std::string>> bad = {{"--listen", "::1:9377"},
                                                     {"--listen", "127.0.0.1"},
                                                     {"--listen", "127.0.0.1:70000"},
                                                     {"--listen", "[::1:9377"},
                                                     {"--concurrency", "0"},
                                                     {"--concurrency", "many"},
                                                     {"--probe-timeout", "0"},
                                                     {"--probe-timeout", "nan"},
                                                     {"--queue-wait", "-1"},
                                                     {"--allow", "10.0.0.0/40"},
                                                     {"--baseline", ""},
                                                     {"--concurrency"},
                                                     {"--what", "1"},
                                                     {"stray"}};
  for (const auto& args : bad) {
    error.clear();
    EXPECT_EQ(ParseExporterOptions(args, o, error), OptionsOutcome::Bad) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
  EXPECT_EQ(ParseExporterOptions({"--version"}, o, error), OptionsOutcome::Version);
  EXPECT_EQ(ParseExporterOptions({"--help"}, o, error), OptionsOutcome::Help);
}

TEST(ExporterOptions, ScrapeTimeoutHeaderCutsTheBudget) {
  Seconds budget;
  ASSERT_TRUE(ProbeBudget(Seconds(8), "", budget));
  EXPECT_DOUBLE_EQ(budget.count(), 8.0);
  ASSERT_TRUE(ProbeBudget(Seconds(8), "10", budget));
  EXPECT_DOUBLE_EQ(budget.count(), 8.0);
  ASSERT_TRUE(ProbeBudget(Seconds(8), "3", budget));
  EXPECT_DOUBLE_EQ(budget.count(), 2.5);
  ASSERT_TRUE(ProbeBudget(Seconds(8), "0.2", budget));
  EXPECT_DOUBLE_EQ(budget.count(), ProbeBudgetMin.count());
  for (const char* bad : {"0", "-3", "abc", "1e999", "nan", "3s"})
    EXPECT_FALSE(ProbeBudget(Seconds(8), bad, budget)) << bad;
}

}  // namespace
}  // namespace varnalux
