// The printer's network settings through the link: the NET command lines,
// the read with its name and MAC rule, against the virtual printer on TCP.
#include "protocol/network_setup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "link/link_settings.h"
#include "operations/dispatcher.h"
#include "protocol/network_settings.h"
#include "protocol/network_text.h"
#include "tests/core/printer_fixture.h"

namespace varnalux {
namespace {

using Printer = testing::PrinterOnTcp;

NetworkSettings Static(const char* ip, const char* mask, const char* gateway) {
  NetworkSettings s;
  InitNetworkSettings(s);
  s.dhcp = 0;
  StoreNetText(s.ipAddress, ip);
  StoreNetText(s.subnetMask, mask);
  StoreNetText(s.gateway, gateway);
  return s;
}

NetworkSettings Named(const char* name) {
  NetworkSettings s;
  InitNetworkSettings(s);
  StoreNetText(s.netName, name);
  return s;
}

// Every field holds something that a read must overwrite or clear.
NetworkSettings Stale() {
  NetworkSettings s;
  InitNetworkSettings(s);
  s.dhcp = 7;
  for (char* f : {s.ipAddress, s.subnetMask, s.gateway, s.lastUsedIp, s.netName, s.macAddress})
    std::strcpy(f, "stale");
  s.action = NetActionSetName;
  s.confirmed = 1;
  return s;
}

const char AllQueries[] =
    "\r\nDIAGNOSTIC INTERFACE NET\r\n"
    "DIAGNOSTIC REPORT CONFIGIP\r\nDIAGNOSTIC REPORT GATEWAY\r\nDIAGNOSTIC REPORT IPMASK\r\n"
    "DIAGNOSTIC REPORT LASTUSEDIP\r\nDIAGNOSTIC REPORT NETNAME\r\nDIAGNOSTIC REPORT MACADDR\r\n";

TEST(NetworkRecord, StartsOnDhcpWithZeroAddressesAndTextsAreCutAt63) {
  NetworkSettings s = Stale();
  InitNetworkSettings(s);
  EXPECT_EQ(s.dhcp, 1);
  for (const char* f : {s.ipAddress, s.subnetMask, s.gateway, s.lastUsedIp})
    EXPECT_STREQ(f, "0.0.0.0");
  EXPECT_STREQ(s.netName, "");
  EXPECT_STREQ(s.macAddress, "");
  EXPECT_EQ(s.action, 0);
  EXPECT_EQ(s.confirmed, 0);

  const std::string long100(100, 'n');
  StoreNetText(s.netName, long100);
  EXPECT_EQ(std::string(s.netName), std::string(63, 'n'));
  StoreNetText(s.netName, std::string("ab\0cd", 5));  // an embedded NUL ends the text
  EXPECT_STREQ(s.netName, "ab");
}

TEST(NetworkCommands, DhcpSendsOnlyNetDhcpWhateverTheAddressesHold) {
  NetworkSettings s = Static("bad\"ip", "\r\nKILL \"*\"", "x");
  s.dhcp = 1;
  EXPECT_EQ(NetAddressCommand(s), "NET DHCP\r\n");
  // Anything but 1 is a static address.
  s = Static("192.168.1.50", "255.255.255.0", "192.168.1.1");
  for (uint8_t mode : {0, 2, 255}) {
    s.dhcp = mode;
    EXPECT_EQ(NetAddressCommand(s),
              "NET IP \"192.168.1.50\",\"255.255.255.0\",\"192.168.1.1\"\r\n");
  }
  // Not validated for the dotted form: what was typed goes, empty too.
  EXPECT_EQ(NetAddressCommand(Static("printer-1", "", "1.2.3")),
            "NET IP \"printer-1\",\"\",\"1.2.3\"\r\n");
  EXPECT_EQ(NetNameCommand(Named("LABEL 01")), "NET NAME \"LABEL 01\"\r\n");
  EXPECT_EQ(NetNameCommand(Named("")), "NET NAME \"\"\r\n");
}

TEST(NetworkCommands, TextsThatWouldBreakTheLineAreRefused) {
  const char* bad[] = {"a\"b", "a\rb", "a\nb", "tab\there", "del\x7f", "caf\xc3\xa9", "\x1b!R"};
  for (const char* text : bad) {
    EXPECT_TRUE(NetAddressCommand(Static(text, "255.0.0.0", "10.0.0.1")).empty()) << text;
    EXPECT_TRUE(NetAddressCommand(Static("10.0.0.2", text, "10.0.0.1")).empty()) << text;
    EXPECT_TRUE(NetAddressCommand(Static("10.0.0.2", "255.0.0.0", text)).empty()) << text;
    EXPECT_TRUE(NetNameCommand(Named(text)).empty()) << text;
    EXPECT_FALSE(NetTextSendable(text)) << text;
  }
  EXPECT_TRUE(NetTextSendable(" !#$%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}~"));
}

TEST(NetworkCommands, FieldsWithoutTheirNulAreReadNoFurtherThanTheField) {
  NetworkSettings s = Named("");
  std::memset(s.netName, 'N', sizeof s.netName);        // no NUL at all
  std::memset(s.macAddress, '"', sizeof s.macAddress);  // what follows must not be read
  EXPECT_EQ(NetNameCommand(s), "NET NAME \"" + std::string(64, 'N') + "\"\r\n");
  s = Static("", "255.0.0.0", "");
  std::memset(s.ipAddress, '1', sizeof s.ipAddress);
  EXPECT_EQ(NetAddressCommand(s), "NET IP \"" + std::string(64, '1') + "\",\"255.0.0.0\",\"\"\r\n");
}

TEST(NetworkText, JsonAndLinesShowEveryFieldSafely) {
  NetworkSettings s = Static("10.0.0.2", "255.0.0.0", "10.0.0.1");
  StoreNetText(s.lastUsedIp, "10.0.0.9");
  StoreNetText(s.netName, "we\"ird\\\x01");
  StoreNetText(s.macAddress, "00:1B:82:00:00:01");
  EXPECT_EQ(NetSettingsAsJson(s),
            "{\"dhcp\": false, \"ipAddress\": \"10.0.0.2\", \"subnetMask\": \"255.0.0.0\", "
            "\"gateway\": \"10.0.0.1\", \"lastUsedIp\": \"10.0.0.9\", "
            "\"netName\": \"we\\\"ird\\\\\\u0001\", \"macAddress\": \"00:1B:82:00:00:01\"}\n");
  EXPECT_EQ(NetSettingsAsText(s),
            "dhcp: 0\nipAddress: 10.0.0.2\nsubnetMask: 255.0.0.0\ngateway: 10.0.0.1\n"
            "lastUsedIp: 10.0.0.9\nnetName: we\"ird\\\\x01\nmacAddress: 00:1B:82:00:00:01\n");
  s.dhcp = 1;
  EXPECT_EQ(NetSettingsAsJson(s).substr(0, 15), "{\"dhcp\": true, ");
}

TEST(NetworkOnPrinter, ReadOfADhcpPrinterAsksInOrderAndFillsEveryField) {
  Printer p;
  NetworkSettings s = Stale();
  EXPECT_EQ(RunOperation(OpReadNetConfig, KindEthernet, &s, 0), ResultOk);
  EXPECT_EQ(p.ReceivedText(sizeof AllQueries - 1), AllQueries);
  EXPECT_EQ(s.dhcp, 1);
  EXPECT_STREQ(s.ipAddress, "0.0.0.0");
  EXPECT_STREQ(s.gateway, "192.168.1.1");
  EXPECT_STREQ(s.subnetMask, "255.255.255.0");
  EXPECT_STREQ(s.lastUsedIp, "192.168.1.120");
  EXPECT_STREQ(s.netName, "VPRINTER");
  EXPECT_STREQ(s.macAddress, "00:1B:82:56:50:01");
  // What the dialog sets is not the read's business.
  EXPECT_EQ(s.action, NetActionSetName);
  EXPECT_EQ(s.confirmed, 1);
}

TEST(NetworkOnPrinter, OnlyAnExactZeroAddressMeansDhcp) {
  Printer p;
  struct Case {
    const char* configIp;
    uint8_t dhcp;
  };
  for (const Case& c : {Case{"192.168.1.50", 0}, Case{"0.0.0.0 ", 0}, Case{"0.0.0.00", 0},
                        Case{"", 0}, Case{"0.0.0.0", 1}}) {
    p.printer.OverrideReport("CONFIGIP", c.configIp);
    NetworkSettings s = Stale();
    ASSERT_EQ(RunOperation(OpReadNetConfig, KindEthernet, &s, 0), ResultOk) << c.configIp;
    EXPECT_EQ(s.dhcp, c.dhcp) << "'" << c.configIp << "'";
    EXPECT_STREQ(s.ipAddress, c.configIp);
  }
}

TEST(NetworkOnPrinter, SilentNameQueryGivesEmptyNameAndMacAndSuccess) {
  Printer p;
  p.printer.ForgetReport("NETNAME");
  NetworkSettings s = Stale();
  EXPECT_EQ(RunOperation(OpReadNetConfig, KindEthernet, &s, 0), ResultOk);
  EXPECT_STREQ(s.netName, "");
  EXPECT_STREQ(s.macAddress, "");
  EXPECT_STREQ(s.lastUsedIp, "192.168.1.120");
  // The MAC was not asked for after the name went unanswered.
  EXPECT_EQ(p.printer.ReceivedText().find("MACADDR"), std::string::npos);
}

TEST(NetworkOnPrinter, SilentMacQueryKeepsTheNameAndSucceeds) {
  Printer p;
  p.printer.ForgetReport("MACADDR");
  p.printer.OverrideReport("NETNAME", "DOCK-7");
  NetworkSettings s = Stale();
  EXPECT_EQ(RunOperation(OpReadNetConfig, KindEthernet, &s, 0), ResultOk);
  EXPECT_STREQ(s.netName, "DOCK-7");
  EXPECT_STREQ(s.macAddress, "");
}

TEST(NetworkOnPrinter, AnUnansweredAddressQueryFailsTheReadAndAsksNoFurther) {
  const char* keys[] = {"CONFIGIP", "GATEWAY", "IPMASK", "LASTUSEDIP"};
  const char* next[] = {"GATEWAY", "IPMASK", "LASTUSEDIP", "NETNAME"};
  for (int i = 0; i < 4; ++i) {
    Printer p;
    p.printer.ForgetReport(keys[i]);
    NetworkSettings s = Stale();
    EXPECT_EQ(RunOperation(OpReadNetConfig, KindEthernet, &s, 0), ResultReceiveError) << keys[i];
    EXPECT_EQ(p.printer.ReceivedText().find(next[i]), std::string::npos) << keys[i];
    // The link was closed: the next operation opens it again.
    EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultOk);
  }
}

TEST(NetworkOnPrinter, LongAndHostileAnswersAreCutAndKept) {
  Printer p;
  p.printer.OverrideReport("NETNAME", std::string(300, 'Z'));
  p.printer.OverrideReport("GATEWAY", std::string("10.0.0.1\0junk", 13));
  p.printer.OverrideReport("MACADDR", "\";KILL\r\n");
  NetworkSettings s = Stale();
  EXPECT_EQ(RunOperation(OpReadNetConfig, KindEthernet, &s, 0), ResultOk);
  EXPECT_EQ(std::string(s.netName), std::string(63, 'Z'));
  EXPECT_STREQ(s.gateway, "10.0.0.1");
  EXPECT_STREQ(s.macAddress, "\";KILL\r\n");
}

TEST(NetworkOnPrinter, SilentPrinterFailsWithoutTouchingTheRecord) {
  Printer p;
  p.printer.SetFault(sim::Fault::Silent);
  NetworkSettings s = Stale();
  EXPECT_EQ(RunOperation(OpReadNetConfig, KindEthernet, &s, 0), ResultReceiveError);
  EXPECT_STREQ(s.ipAddress, "stale");
  EXPECT_EQ(s.dhcp, 7);
  EXPECT_EQ(p.ReceivedText(28).find("CONFIGIP"), std::string::npos);
}

TEST(NetworkOnPrinter, WritesSendExactlyTheirLineAndThePrinterAppliesIt) {
  Printer p;
  NetworkSettings s = Static("192.168.1.50", "255.255.255.0", "192.168.1.1");
  const std::string ipLine = "NET IP \"192.168.1.50\",\"255.255.255.0\",\"192.168.1.1\"\r\n";
  EXPECT_EQ(RunOperation(OpSetNetAddress, KindEthernet, &s, 0), ResultOk);
  EXPECT_EQ(p.ReceivedText(ipLine.size()), ipLine);
  bool found = false;
  EXPECT_EQ(p.printer.ReportValue("CONFIGIP", found), "192.168.1.50");

  p.printer.ClearReceived();
  s = Named("LINE-3");
  EXPECT_EQ(RunOperation(OpSetNetName, KindEthernet, &s, 0), ResultOk);
  EXPECT_EQ(p.ReceivedText(17), "NET NAME \"LINE-3\"\r\n");
  EXPECT_EQ(p.printer.ReportValue("NETNAME", found), "LINE-3");

  p.printer.ClearReceived();
  s.dhcp = 1;
  EXPECT_EQ(RunOperation(OpSetNetAddress, KindEthernet, &s, 0), ResultOk);
  EXPECT_EQ(p.ReceivedText(10), "NET DHCP\r\n");
  EXPECT_EQ(p.printer.ReportValue("CONFIGIP", found), "0.0.0.0");
}

TEST(NetworkOnPrinter, UnsendableTextsAreRefusedBeforeTheLinkOpens) {
  Printer p;
  NetworkSettings s = Named("A\"B");
  EXPECT_EQ(RunOperation(OpSetNetName, KindEthernet, &s, 0), ResultUnsendableNetText);
  s = Static("10.0.0.2\r\nINITIALPRINTER", "255.0.0.0", "10.0.0.1");
  EXPECT_EQ(RunOperation(OpSetNetAddress, KindEthernet, &s, 0), ResultUnsendableNetText);
  EXPECT_TRUE(p.StaysSilent());
  EXPECT_EQ(p.printer.ConnectionCount(), 0u);
}

TEST(NetworkOnPrinter, NoRecordOrNoPrinterGiveTheirCodes) {
  Printer p;
  for (OperationCode op : {OpSetNetAddress, OpSetNetName, OpReadNetConfig})
    EXPECT_EQ(RunOperation(op, KindEthernet, nullptr, 0), ResultUnknownError) << op;
  p.printer.Stop();
  NetworkSettings s = Stale();
  EXPECT_EQ(RunOperation(OpReadNetConfig, KindEthernet, &s, 0), ResultPortOpenError);
  EXPECT_EQ(RunOperation(OpSetNetName, KindEthernet, &s, 0), ResultPortOpenError);
  EXPECT_STREQ(s.netName, "stale");
}

TEST(NetworkOnPrinter, TheParallelLinkCannotReadTheSettings) {
  testing::BoundLink link;
  // Even a port that would not open: the parallel link never answers.
  CopyText(link.parallel, ParallelNameSize, "/nonexistent/lp0");
  NetworkSettings s = Stale();
  EXPECT_EQ(RunOperation(OpReadNetConfig, KindLpt, &s, 0), ResultReceiveError);
  EXPECT_STREQ(s.ipAddress, "stale");
}

}  // namespace
}  // namespace varnalux
