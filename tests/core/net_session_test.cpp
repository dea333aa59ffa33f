// The discovery window's actions against virtual printers and scripted
// peers, all on 127.0.0.1 through the override of destinations.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <set>
#include <thread>

#include "net/dotted_address.h"
#include "net/remote_actions.h"
#include "sim/virtual_printer.h"
#include "tests/core/udp_peer.h"

namespace varnalux::net {
namespace {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;

UdpOptions Loopback(std::vector<Destination> to) {
  UdpOptions o;
  o.overridden = true;
  o.destinations = std::move(to);
  o.silence = milliseconds(250);
  o.answerWait = milliseconds(500);
  return o;
}

// A virtual printer answering on a loopback port.
struct UdpPrinter {
  sim::VirtualPrinter printer;
  UdpPrinter(const std::string& mac, const std::string& name, uint8_t status = 0) {
    sim::NetworkSettings net = printer.Network();
    net.macAddress = mac;
    net.netName = name;
    printer.SetNetwork(net);
    printer.SetStatusByte(status);
    sim::UdpServeOptions options;
    options.port = 0;
    EXPECT_TRUE(printer.StartUdp(options));
  }
  Destination To() const { return {0x7F000001u, printer.UdpPort()}; }
  // Datagrams received once at least n have come (they are answered on
  // another thread).
  std::vector<Bytes> Received(size_t n) const {
    for (int i = 0; i < 200 && printer.UdpReceived().size() < n; ++i)
      std::this_thread::sleep_for(milliseconds(10));
    return printer.UdpReceived();
  }
};

Mac MacOf(const char* text) {
  Mac mac{};
  EXPECT_TRUE(ParseMacText(text, mac));
  return mac;
}

uint16_t SequenceOf(const Bytes& d) { return static_cast<uint16_t>(d[12] << 8 | d[13]); }

std::multiset<std::string> Names(const std::vector<PrinterRow>& rows, size_t from, size_t count) {
  std::multiset<std::string> names;
  for (size_t i = from; i < from + count && i < rows.size(); ++i) names.insert(rows[i].name);
  return names;
}

TEST(NetSession, TwoPrintersAnswerBothRequestsAndTheNextActionCarriesTwo) {
  UdpPrinter a("00:1B:82:00:00:0A", "Dock A", 0x01);  // head open
  UdpPrinter b("00:1B:82:00:00:0B", "Dock B", 0x20);  // printing
  RemoteSession session(Loopback({a.To(), b.To()}));
  EXPECT_EQ(session.SequenceNumber(), 1u);

  std::vector<PrinterRow> rows;
  ASSERT_TRUE(session.Discover(rows));
  ASSERT_EQ(rows.size(), 4u);
  // Each printer once for the broadcast stand-in, once for the multicast one.
  EXPECT_EQ(Names(rows, 0, 2), (std::multiset<std::string>{"Dock A", "Dock B"}));
  EXPECT_EQ(Names(rows, 2, 2), (std::multiset<std::string>{"Dock A", "Dock B"}));
  for (const PrinterRow& r : rows) {
    EXPECT_EQ(r.ip, "192.168.1.120");
    EXPECT_EQ(r.model, "VL-200");
    if (r.name == "Dock A") {
      EXPECT_EQ(r.mac, "00:1B:82:00:00:0A");
      EXPECT_EQ(r.status, "Carriage Open");
    } else {
      EXPECT_EQ(r.mac, "00:1B:82:00:00:0B");
      EXPECT_EQ(r.status, "Printing");
    }
  }
  EXPECT_EQ(session.SequenceNumber(), 2u);
  const std::vector<Bytes> first = a.Received(2);
  ASSERT_EQ(first.size(), 2u);
  for (const Bytes& d : first) {
    EXPECT_EQ(d, BuildDiscoveryRequest(1));
    EXPECT_EQ(SequenceOf(d), 1);
  }

  // The factory default goes to both; only the printer with the MAC acts.
  bool sent = false;
  ASSERT_TRUE(session.FactoryDefault(MacOf("00:1B:82:00:00:0B"), sent));
  EXPECT_TRUE(sent);
  const std::vector<Bytes> afterReset = b.Received(3);
  ASSERT_EQ(afterReset.size(), 3u);
  EXPECT_EQ(afterReset[2], BuildFactoryDefaultRequest(2, MacOf("00:1B:82:00:00:0B")));
  for (int i = 0; i < 100 && b.printer.Network().netName != "VPRINTER"; ++i)
    std::this_thread::sleep_for(milliseconds(10));
  EXPECT_EQ(b.printer.Network().netName, "VPRINTER");
  EXPECT_EQ(b.printer.Network().macAddress, "00:1B:82:00:00:0B");
  ASSERT_EQ(a.Received(3).size(), 3u);
  EXPECT_EQ(a.printer.Network().netName, "Dock A");
  EXPECT_EQ(session.SequenceNumber(), 3u);
}

TEST(NetSession, NothingAnsweringGivesAnEmptyListAndAnUnusableOverrideSendsNothing) {
  testing::UdpPeer silent({});
  RemoteSession session(Loopback({silent.Destination()}));
  std::vector<PrinterRow> rows;
  ASSERT_TRUE(session.Discover(rows));
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(session.SequenceNumber(), 2u);

  UdpOptions broken = Loopback({});
  broken.overrideError = "VARNALUX_DISCOVERY_TO: not an IPv4 address and port: 'x'";
  RemoteSession refused(broken);
  EXPECT_FALSE(refused.Discover(rows));
  bool sent = true;
  EXPECT_FALSE(refused.FactoryDefault(MacOf("00:00:00:00:00:01"), sent));
  EXPECT_FALSE(sent);
  EXPECT_EQ(refused.SequenceNumber(), 1u);
  EXPECT_EQ(silent.Received().size(), 2u);  // the first session's two only
}

TEST(NetSession, AChangeReadsBothSelectorsAndWritesFourCumulativeDatagrams) {
  UdpPrinter p("00:1B:82:00:00:0C", "Line 3");
  sim::NetworkSettings start = p.printer.Network();
  start.dhcp = false;
  start.ipAddress = "10.9.8.7";
  start.subnetMask = "255.255.0.0";
  start.gateway = "10.9.0.1";
  p.printer.SetNetwork(start);
  const Mac mac = MacOf("00:1B:82:00:00:0C");
  RemoteSession session(Loopback({p.To()}));

  RemoteSettings seen;
  SettingsRead readSeen;
  RemoteSettings assumed;
  assumed.netName = "Line 3";
  const ChangeOutcome outcome =
      session.ChangeSettings(mac, assumed, [&](const SettingsRead& read, SettingsEdit& edit) {
        readSeen = read;
        seen = edit.settings;
        edit.settings.netName = "Line 4";
        edit.settings.ipAddress = "10.9.8.70";
        return true;  // as "Set Printer Name" would: the rest as read
      });
  EXPECT_EQ(outcome, ChangeOutcome::Sent);
  EXPECT_TRUE(readSeen.addressAnswered);
  EXPECT_TRUE(readSeen.modeAnswered);
  EXPECT_FALSE(seen.dhcp);
  EXPECT_EQ(seen.ipAddress, "10.9.8.7");
  EXPECT_EQ(seen.subnetMask, "255.255.0.0");
  EXPECT_EQ(seen.gateway, "10.9.0.1");
  EXPECT_EQ(session.SequenceNumber(), 2u);

  const std::vector<Bytes> got = p.Received(6);
  ASSERT_EQ(got.size(), 6u);
  SettingRequest expected(1, mac);
  EXPECT_EQ(got[0], expected.Read(SelectorAddress));
  EXPECT_EQ(got[1], expected.Read(SelectorMode));
  EXPECT_EQ(got[2], expected.WriteName("Line 4"));
  EXPECT_EQ(got[3], expected.WriteAddress("10.9.8.70", "255.255.0.0", "10.9.0.1"));
  EXPECT_EQ(got[4], expected.WriteMode(false));
  EXPECT_EQ(got[5], expected.WriteClose());
  // The last one carries everything written before it.
  EXPECT_EQ(got[5][176], 'L');
  EXPECT_EQ(got[5][72], 70);
  EXPECT_EQ(got[5][942], 1);

  const sim::NetworkSettings now = p.printer.Network();
  EXPECT_EQ(now.netName, "Line 4");
  EXPECT_EQ(now.ipAddress, "10.9.8.70");
  EXPECT_FALSE(now.dhcp);
}

TEST(NetSession, CancellingSendsOnlyTheTwoReads) {
  UdpPrinter p("00:1B:82:00:00:0D", "Keep");
  RemoteSession session(Loopback({p.To()}));
  RemoteSettings assumed;
  assumed.netName = "Keep";
  const ChangeOutcome outcome = session.ChangeSettings(MacOf("00:1B:82:00:00:0D"), assumed,
                                                       [](const SettingsRead&, SettingsEdit& edit) {
                                                         edit.settings.netName = "Changed";
                                                         return false;
                                                       });
  EXPECT_EQ(outcome, ChangeOutcome::Cancelled);
  std::this_thread::sleep_for(milliseconds(200));  // room for a datagram that must not come
  const std::vector<Bytes> got = p.printer.UdpReceived();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].size(), 34u);
  EXPECT_EQ(got[1].size(), 34u);
  EXPECT_EQ(p.printer.Network().netName, "Keep");
  EXPECT_EQ(session.SequenceNumber(), 1u);
}

// A printer that does not answer the reads (here: another MAC) gets no
// address of FF FF FF FF or 0.0.0.0 from a confirmed change: only the name
// and the closing request go out, unless the user set the address.
TEST(NetSession, SettingsThatWereNotReadAreNotWrittenUnlessSet) {
  testing::UdpPeer silent({});
  RemoteSession session(Loopback({silent.Destination()}));
  RemoteSettings assumed;
  assumed.netName = "Name";
  SettingsRead readSeen{true, true};
  session.ChangeSettings(MacOf("00:00:00:00:00:01"), assumed,
                         [&](const SettingsRead& read, SettingsEdit& edit) {
                           readSeen = read;
                           EXPECT_EQ(edit.settings.ipAddress, "");
                           return true;
                         });
  EXPECT_FALSE(readSeen.addressAnswered);
  EXPECT_FALSE(readSeen.modeAnswered);
  std::vector<Bytes> got = silent.Received();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[2][34], SelectorName);
  EXPECT_EQ(got[3][34], SelectorClose);
  EXPECT_EQ(got[3][69], 0);

  session.ChangeSettings(MacOf("00:00:00:00:00:01"), assumed,
                         [&](const SettingsRead&, SettingsEdit& edit) {
                           edit.settings.ipAddress = "10.0.0.5";
                           edit.settings.subnetMask = "255.0.0.0";
                           edit.settings.gateway = "10.0.0.1";
                           edit.addressSet = edit.modeSet = true;
                           return true;
                         });
  got = silent.Received();
  ASSERT_EQ(got.size(), 4u + 6u);
  EXPECT_EQ(got[6][34], SelectorName);
  EXPECT_EQ(got[7][34], SelectorAddress);
  EXPECT_EQ(got[7][69], 10);
  EXPECT_EQ(got[8][34], SelectorMode);
  EXPECT_EQ(SequenceOf(got[9]), 2);
}

// Answers of every length from a stranger: under 32 bytes they are
// ignored, longer ones are cut at 2048 and listed.
TEST(NetSession, ShortLongAndForeignAnswersFromAScriptedPeer) {
  Bytes whole(84, 0);
  whole[40] = 3;
  const std::string name = "Odd";
  whole.insert(whole.end(), name.begin(), name.end());
  std::vector<Bytes> answers = {Bytes{},
                                Bytes(5, 1),
                                Bytes(whole.begin(), whole.begin() + 31),
                                Bytes(whole.begin(), whole.begin() + 32),
                                whole,
                                Bytes(4000, 'z')};
  testing::UdpPeer peer(answers);
  RemoteSession session(Loopback({peer.Destination()}));
  std::vector<PrinterRow> rows;
  ASSERT_TRUE(session.Discover(rows));
  ASSERT_EQ(rows.size(), 6u);          // three of six, for each of the two requests
  EXPECT_EQ(rows[0].status, "Ready");  // the state byte did not arrive
  EXPECT_EQ(rows[0].name, "");
  EXPECT_EQ(rows[1].status, "Error");
  EXPECT_EQ(rows[1].name, "Odd");
  EXPECT_EQ(rows[2].name, std::string(2048 - 84, 'z'));
  EXPECT_EQ(rows[2].model, std::string(32, 'z'));
}

// A peer that never stops answering cannot hold a discovery forever.
TEST(NetSession, AFloodOfAnswersEndsWithinTheBounds) {
  Bytes answer(40, 0);
  testing::UdpPeer flood({answer}, true);
  UdpOptions options = Loopback({flood.Destination()});
  options.collectMax = milliseconds(300);
  RemoteSession session(options);
  std::vector<PrinterRow> rows;
  ASSERT_TRUE(session.Discover(rows));
  EXPECT_GT(rows.size(), 0u);
  EXPECT_LE(rows.size(), DiscoveryRowsMax);
}

}  // namespace
}  // namespace varnalux::net
