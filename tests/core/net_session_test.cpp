// The discovery window's actions against virtual printers and scripted
// peers, all on 127.0.0.1 through the override of destinations.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <map>
#include <set>
#include <thread>

#include "net/dotted_address.h"
#include "net/remote_actions.h"
#include "sim/virtual_printer.h"
#include "tests/core/udp_peer.h"
#include "tests/core/udp_printer_peer.h"

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

// A peer that never stops answering cannot hold a discovery forever: the
// rows are bounded, and so is the whole run (both requests together), even
// when what floods in is no row at all.
TEST(NetSession, AFloodOfAnswersEndsWithinTheBounds) {
  Bytes answer(40, 0);
  testing::UdpPeer flood({answer}, true);
  UdpOptions options = Loopback({flood.Destination()});
  RemoteSession session(options);
  std::vector<PrinterRow> rows;
  ASSERT_TRUE(session.Discover(rows));
  EXPECT_GT(rows.size(), 0u);
  EXPECT_LE(rows.size(), DiscoveryRowsMax);

  testing::UdpPeer noise({Bytes(8, 0)}, true);  // too short for a row
  options = Loopback({noise.Destination()});
  options.discoveryMax = milliseconds(800);
  RemoteSession bounded(options);
  rows.clear();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(bounded.Discover(rows));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(rows.empty());
  // Per request it would have been twice the bound.
  EXPECT_LT(took, milliseconds(800 + 700));
  // The first request had half of the run; the second still went out.
  for (int i = 0; i < 200 && noise.Received().size() < 2; ++i)
    std::this_thread::sleep_for(milliseconds(10));
  EXPECT_EQ(noise.Received().size(), 2u);
}

// Counts the write-setting datagrams of each selector among what a virtual
// printer received.
std::map<int, int> WritesOf(const std::vector<Bytes>& got) {
  std::map<int, int> writes;
  for (const Bytes& d : got)
    if (d.size() == WriteSettingSize && d[9] == CommandWriteSetting) ++writes[d[34]];
  return writes;
}

// One printer reached two ways (two destinations that are the same printer,
// as a printer on the LAN of two interfaces of this machine): every read
// is answered twice. Each read takes the answer to itself (the second copy
// of the address answer is not the mode), the change goes on the way the
// first answer came, and every write arrives once. Checked against the
// virtual printer and against the independent peer, which does not echo
// the sequence number.
TEST(NetSession, APrinterReachedTwoWaysGetsEachWriteOnceAndKeepsItsMode) {
  sim::VirtualPrinter printer;
  sim::NetworkSettings net = printer.Network();
  net.macAddress = "00:1B:82:00:00:1E";
  net.netName = "Twice";
  printer.SetNetwork(net);  // DHCP
  sim::UdpServeOptions any;
  any.address = "0.0.0.0";
  any.port = 0;
  ASSERT_TRUE(printer.StartUdp(any));
  const uint16_t port = printer.UdpPort();
  RemoteSession session(Loopback({{0x7F000001u, port}, {0x7F000002u, port}}));

  RemoteSettings assumed;
  assumed.netName = "Twice";
  SettingsRead readSeen;
  RemoteSettings seen;
  ASSERT_EQ(session.ChangeSettings(MacOf("00:1B:82:00:00:1E"), assumed,
                                   [&](const SettingsRead& read, SettingsEdit& edit) {
                                     readSeen = read;
                                     seen = edit.settings;
                                     edit.settings.netName = "Once";
                                     return true;
                                   }),
            ChangeOutcome::Sent);
  EXPECT_TRUE(readSeen.addressAnswered && readSeen.modeAnswered);
  EXPECT_TRUE(seen.dhcp);
  EXPECT_EQ(seen.ipAddress, "192.168.1.120");
  for (int i = 0; i < 100 && printer.Network().netName != "Once"; ++i)
    std::this_thread::sleep_for(milliseconds(10));
  const sim::NetworkSettings after = printer.Network();
  EXPECT_EQ(after.netName, "Once");
  EXPECT_TRUE(after.dhcp);
  EXPECT_EQ(after.ipAddress, net.ipAddress);
  EXPECT_EQ(WritesOf(printer.UdpReceived()), (std::map<int, int>{{0, 1}, {4, 1}, {5, 1}, {7, 1}}));

  testing::UdpPrinterPeer::Options o;
  o.address = INADDR_ANY;
  o.echoSequence = false;
  testing::UdpPrinterPeer peer(o);
  RemoteSession second(Loopback({{0x7F000001u, peer.Port()}, {0x7F000002u, peer.Port()}}));
  const Mac peerMac = {0x00, 0x1B, 0x82, 0x77, 0x00, 0x01};
  assumed.netName = "PEER";
  ASSERT_EQ(second.ChangeSettings(peerMac, assumed,
                                  [&](const SettingsRead& read, SettingsEdit& edit) {
                                    readSeen = read;
                                    edit.settings.netName = "PEER-2";
                                    return true;
                                  }),
            ChangeOutcome::Sent);
  EXPECT_TRUE(readSeen.addressAnswered && readSeen.modeAnswered);
  for (int i = 0; i < 100 && peer.Current().name != "PEER-2"; ++i)
    std::this_thread::sleep_for(milliseconds(10));
  EXPECT_EQ(peer.Current().name, "PEER-2");
  EXPECT_TRUE(peer.Current().dhcp);
  EXPECT_EQ(peer.Current().ip, o.settings.ip);
  for (uint8_t selector : {0, 4, 5, 7}) EXPECT_EQ(peer.Writes(selector), 1u) << int{selector};
}

// Answers that are not to the read in hand, in front of the right ones: of
// another printer, of another sequence number, of another command, of the
// other selector. None of them counts; the right ones do, whatever came
// first.
TEST(NetSession, OnlyTheAnswerToTheReadInHandCounts) {
  const Mac mac = MacOf("00:1B:82:00:00:1F");
  auto answer = [&](uint16_t command, uint16_t sequence, const Mac& from, uint8_t selector) {
    Bytes a(1064, 0);
    WriteHeader(a.data(), command, sequence, from);
    a[32] = selector;
    if (selector == SelectorAddress) {
      const Bytes wrong = {6, 6, 6, 6};
      std::copy(wrong.begin(), wrong.end(), a.begin() + OffsetIp);
    } else {
      a[OffsetMode] = ModeStatic;
    }
    return a;
  };
  const Mac other = MacOf("00:1B:82:00:00:20");
  Bytes rightAddress = answer(CommandReadSetting, 1, mac, SelectorAddress);
  const Bytes ip = {10, 1, 2, 3};
  std::copy(ip.begin(), ip.end(), rightAddress.begin() + OffsetIp);
  Bytes rightMode = answer(CommandReadSetting, 1, mac, SelectorMode);
  rightMode[OffsetMode] = ModeDhcp;
  testing::UdpPeer peer({answer(CommandReadSetting, 1, other, SelectorAddress),
                         answer(CommandReadSetting, 7, mac, SelectorAddress),
                         answer(CommandWriteSetting, 1, mac, SelectorAddress), rightMode,
                         rightAddress, answer(CommandReadSetting, 1, other, SelectorMode)});
  UdpOptions options = Loopback({peer.Destination()});
  options.answerWait = milliseconds(300);
  RemoteSession session(options);
  RemoteSettings seen;
  session.ChangeSettings(mac, {}, [&](const SettingsRead& read, SettingsEdit& edit) {
    EXPECT_TRUE(read.addressAnswered);
    EXPECT_TRUE(read.modeAnswered);
    seen = edit.settings;
    return false;
  });
  EXPECT_EQ(seen.ipAddress, "10.1.2.3");
  EXPECT_TRUE(seen.dhcp);
}

// Answers that stop before their fields (a 32-byte header, addresses cut
// in the mask, a mode answer one byte short) count as no answer: the
// change says so and leaves those settings out of the writes.
TEST(NetSession, AnAnswerTooShortForItsFieldsIsNoAnswer) {
  struct Case {
    size_t addressSize, modeSize;
  };
  for (const Case c : {Case{32, 1064}, Case{75, 1064}, Case{1064, 942}}) {
    testing::UdpPrinterPeer::Options o;
    o.settings.dhcp = false;
    o.addressAnswerSize = c.addressSize;
    o.modeAnswerSize = c.modeSize;
    testing::UdpPrinterPeer peer(o);
    RemoteSession session(Loopback({{0x7F000001u, peer.Port()}}));
    const Mac mac = {0x00, 0x1B, 0x82, 0x77, 0x00, 0x01};
    SettingsRead readSeen;
    RemoteSettings assumed;
    assumed.netName = "PEER";
    session.ChangeSettings(mac, assumed, [&](const SettingsRead& read, SettingsEdit& edit) {
      readSeen = read;
      edit.settings.netName = "KEEPME";
      return true;
    });
    const bool addressCut = c.addressSize < 81, modeCut = c.modeSize < 943;
    EXPECT_EQ(readSeen.addressAnswered, !addressCut) << c.addressSize;
    EXPECT_EQ(readSeen.addressShort, addressCut) << c.addressSize;
    EXPECT_EQ(readSeen.modeAnswered, !modeCut) << c.modeSize;
    EXPECT_EQ(readSeen.modeShort, modeCut) << c.modeSize;
    for (int i = 0; i < 100 && peer.Writes(SelectorClose) == 0; ++i)
      std::this_thread::sleep_for(milliseconds(10));
    EXPECT_EQ(peer.Writes(SelectorAddress), addressCut ? 0u : 1u);
    EXPECT_EQ(peer.Writes(SelectorMode), modeCut ? 0u : 1u);
    EXPECT_EQ(peer.Current().name, "KEEPME");
    EXPECT_EQ(peer.Current().ip, o.settings.ip);
    EXPECT_FALSE(peer.Current().dhcp);
  }
}

// While an action waits for answers the window's pump runs.
TEST(NetSession, ThePumpRunsWhileAnActionWaits) {
  testing::UdpPeer silent({});
  RemoteSession session(Loopback({silent.Destination()}));
  int pumped = 0;
  session.SetPump([&] { ++pumped; });
  std::vector<PrinterRow> rows;
  ASSERT_TRUE(session.Discover(rows));
  // Two silences of 250 ms, with a pump at least every 50 ms (fewer when
  // the machine is slow, never none).
  EXPECT_GE(pumped, 2);
}

}  // namespace
}  // namespace varnalux::net
