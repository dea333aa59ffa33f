// The printer's network settings: the NET commands it takes and refuses,
// and the six reports, each of which can be made silent and brought back.
#include <gtest/gtest.h>

#include <string>

#include "sim/virtual_printer.h"

namespace varnalux::sim {
namespace {

std::string Value(const VirtualPrinter& p, const std::string& key) {
  bool found = false;
  std::string v = p.ReportValue(key, found);
  return found ? v : "(silent)";
}

const char* const NetKeys[] = {"CONFIGIP", "GATEWAY", "IPMASK", "LASTUSEDIP", "NETNAME", "MACADDR"};

TEST(Network, StaticThenDhcpKeepsTheStaticAddressForLater) {
  VirtualPrinter p;
  p.Execute("NET IP \"10.1.2.3\", \"255.255.0.0\" ,\"10.1.0.1\"");
  EXPECT_EQ(Value(p, "CONFIGIP"), "10.1.2.3");
  EXPECT_EQ(Value(p, "LASTUSEDIP"), "10.1.2.3");
  p.Execute("net dhcp");  // the command word in any case
  EXPECT_EQ(Value(p, "CONFIGIP"), "0.0.0.0");
  EXPECT_EQ(Value(p, "IPMASK"), "255.255.0.0");
  EXPECT_EQ(Value(p, "LASTUSEDIP"), "10.1.2.3");
  p.Execute("NET NAME \"\"");
  EXPECT_EQ(Value(p, "NETNAME"), "");
}

TEST(Network, MalformedNetLinesChangeNothing) {
  VirtualPrinter p;
  const std::string before[] = {Value(p, "CONFIGIP"), Value(p, "IPMASK"), Value(p, "GATEWAY"),
                                Value(p, "NETNAME")};
  const char* bad[] = {
      "NET IP \"10.1.2.3\",\"255.0.0.0\"",             // two addresses
      "NET IP 10.1.2.3,255.0.0.0,10.0.0.1",            // no quotes
      "NET IP \"10.1.2.3\",\"255.0.0.0\",\"10.0.0.1",  // unclosed
      "NET IP \"1\",\"2\",\"3\",\"4\"",                // four
      "NET NAME \"A\"B\"",                             // a quote inside
      "NET NAME LABELS",                               // no quotes
  };
  for (const char* line : bad) p.Execute(line);
  const std::string longName = "NET NAME \"" + std::string(64, 'x') + "\"";
  p.Execute(longName);
  EXPECT_EQ(Value(p, "CONFIGIP"), before[0]);
  EXPECT_EQ(Value(p, "IPMASK"), before[1]);
  EXPECT_EQ(Value(p, "GATEWAY"), before[2]);
  EXPECT_EQ(Value(p, "NETNAME"), before[3]);
  p.Execute("NET NAME \"" + std::string(63, 'x') + "\"");
  EXPECT_EQ(Value(p, "NETNAME"), std::string(63, 'x'));
}

TEST(Network, EachReportCanBeSilencedAndBroughtBack) {
  VirtualPrinter p;
  for (const char* key : NetKeys) {
    const std::string answer = Value(p, key);
    ASSERT_NE(answer, "(silent)") << key;
    EXPECT_EQ(p.Control(std::string("forget ") + key), "OK\n");
    EXPECT_EQ(p.Execute(std::string("DIAGNOSTIC REPORT ") + key), "") << key;
    EXPECT_EQ(p.Control(std::string("remember ") + key), "OK\n");
    EXPECT_EQ(Value(p, key), answer) << key;
  }
  // An override is undone the same way, and follows the state again.
  p.OverrideReport("NETNAME", "FIXED");
  p.Execute("NET NAME \"MOVED\"");
  EXPECT_EQ(Value(p, "NETNAME"), "FIXED");
  p.RestoreReport("netname");
  EXPECT_EQ(Value(p, "NETNAME"), "MOVED");
  EXPECT_EQ(p.Control("remember"), "ERROR key missing\n");
}

}  // namespace
}  // namespace varnalux::sim
