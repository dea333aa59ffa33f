// Many virtual printers in one process: the fleet plan's rules, the shared
// listening thread, and varnalux-vprinter --fleet as a program (ports,
// independent state, control channels, the printer list, faults for some
// printers, refused command lines, and discovery answered for every
// printer on one UDP socket over loopback).
#include "sim/fleet.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fleet_process.h"
#include "sim/fleet_plan.h"
#include "sim_test_client.h"
#include "tests/support/temp_folder.h"

namespace varnalux::sim {
namespace {

using test::Client;
using test::FleetProcess;

constexpr int AnswerTimeoutMs = 5000;
const std::string StatusQuery = "\x1b!?";

TEST(FleetPlan, PrinterListsTakeNumbersAndRangesWithinTheFleet) {
  std::vector<bool> chosen;
  EXPECT_EQ(ChoosePrinters("1-3,5,7-7", 8, chosen), "");
  EXPECT_EQ(chosen, (std::vector<bool>{true, true, true, false, true, false, true, false}));
  EXPECT_EQ(ChoosePrinters("8", 8, chosen), "");
  EXPECT_EQ(chosen, (std::vector<bool>{false, false, false, false, false, false, false, true}));
  for (const char* bad :
       {"", "0", "9", "3-2", "1,,2", "1-", "-2", "a", "1-3x", "2,", " 1", "1-99999"})
    EXPECT_NE(ChoosePrinters(bad, 8, chosen), "") << "'" << bad << "'";
}

TEST(FleetPlan, NamesMacAddressesAndPortRanges) {
  EXPECT_EQ(FleetName("VPRINTER", 7), "VPRINTER-007");
  EXPECT_EQ(FleetName("dock", 1000), "dock-1000");
  std::string mac;
  ASSERT_TRUE(FleetMac("00:1B:82:56:50:01", 0, mac));
  EXPECT_EQ(mac, "00:1B:82:56:50:01");
  ASSERT_TRUE(FleetMac("00:1b:82:56:50:ff", 1, mac));
  EXPECT_EQ(mac, "00:1B:82:56:51:00");  // the carry runs into the next byte
  ASSERT_TRUE(FleetMac("02:00:00:FF:FF:FF", 2, mac));
  EXPECT_EQ(mac, "02:00:00:00:00:01");  // wraps within the last three bytes
  EXPECT_FALSE(FleetMac("not a mac", 1, mac));
  EXPECT_EQ(CheckPortRange("--listen", 0, 1000), "");
  EXPECT_EQ(CheckPortRange("--listen", 64536, 1000), "");
  EXPECT_NE(CheckPortRange("--listen", 64537, 1000), "");
}

// Printer 1 of a fleet serves one connection at a time through the shared
// listening thread: a second waits until the first closes, a third comes
// after both, and stopping ends a connection still open.
TEST(FleetHub, ConnectionsOfOnePrinterAreServedOneAfterTheOther) {
  Fleet fleet;
  FleetPlan plan;
  plan.count = 3;
  plan.faults.assign(3, Fault::None);
  PrinterOptions options;
  options.statusByte = 0x20;
  ASSERT_EQ(fleet.Start(plan, options, nullptr), "");
  const uint16_t port = fleet.Printer(0).TcpPort();
  Client first = Client::Tcp(port);
  ASSERT_TRUE(first.Send(StatusQuery));
  EXPECT_EQ(first.Read(1, AnswerTimeoutMs), "\x20");
  Client second = Client::Tcp(port);
  ASSERT_TRUE(second.Send(StatusQuery));
  first.Close();
  EXPECT_EQ(second.Read(1, AnswerTimeoutMs), "\x20");
  second.Close();
  Client third = Client::Tcp(port);
  ASSERT_TRUE(third.Send(StatusQuery));
  EXPECT_EQ(third.Read(1, AnswerTimeoutMs), "\x20");
  EXPECT_EQ(fleet.Printer(0).ConnectionCount(), 3u);
  EXPECT_EQ(fleet.Printer(1).ConnectionCount(), 0u);
  fleet.Stop();
  EXPECT_EQ(third.Read(1, AnswerTimeoutMs), "");
  EXPECT_TRUE(third.ClosedByPeer());
}

// A port the system gave out as free a moment ago.
uint16_t RecentlyFreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  uint16_t port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
    port = ntohs(addr.sin_port);
  close(fd);
  return port;
}

// Given ports, printer i takes the i-th of each range and says so. Another
// program may take a port of the range meanwhile: then a few other ranges
// are tried.
TEST(FleetHub, PrintersTakeConsecutivePortsAndAnnounceThem) {
  constexpr int Count = 4;
  Fleet fleet;
  FleetPlan plan;
  plan.count = Count;
  plan.control = true;
  plan.faults.assign(Count, Fault::None);
  std::string error = "not started";
  for (int attempt = 0; attempt < 5 && !error.empty(); ++attempt) {
    const uint16_t base = RecentlyFreePort();
    if (base == 0 || base > 65535 - 2 * Count) continue;
    plan.port = base;
    plan.controlPort = static_cast<uint16_t>(base + Count);
    error = fleet.Start(plan, PrinterOptions{}, nullptr);
  }
  ASSERT_EQ(error, "");
  std::string expected;
  for (int i = 0; i < Count; ++i) {
    const uint16_t port = static_cast<uint16_t>(plan.port + i);
    const uint16_t control = static_cast<uint16_t>(plan.controlPort + i);
    EXPECT_EQ(fleet.Printer(static_cast<size_t>(i)).TcpPort(), port);
    EXPECT_EQ(fleet.Printer(static_cast<size_t>(i)).ControlPort(), control);
    expected += "printer " + FleetName("VPRINTER", i + 1) +
                " listening 127.0.0.1:" + std::to_string(port) +
                " control 127.0.0.1:" + std::to_string(control) + "\n";
  }
  EXPECT_EQ(fleet.Announcement(), expected);
}

// A framed report answer of a printer, asked on its own TCP port.
std::string Report(uint16_t port, const std::string& key) {
  Client c = Client::Tcp(port);
  c.Send("DIAGNOSTIC REPORT " + key + "\r\n");
  return c.ReadFramed(AnswerTimeoutMs);
}

// A control command on a printer's control channel; its reply.
std::string Control(uint16_t port, const std::string& command) {
  Client c = Client::Tcp(port);
  c.Send(command + "\nquit\n");
  return c.Read(1 << 16, AnswerTimeoutMs);
}

class FleetProgram : public ::testing::Test {
 protected:
  static constexpr int Count = 20;
  FleetProgram()
      : fleet_({"--fleet", std::to_string(Count), "--listen", "127.0.0.1:0", "--control",
                "127.0.0.1:0", "--fleet-list", folder_.Path("printers.txt")}) {}
  const test::AnnouncedPrinter& Printer(int number) const {
    return fleet_.Printers()[static_cast<size_t>(number - 1)];
  }
  testing::TempFolder folder_;
  FleetProcess fleet_;
};

TEST_F(FleetProgram, EveryPrinterIsAnnouncedAndAnswersOnItsOwnPort) {
  ASSERT_TRUE(fleet_.Ready()) << fleet_.Output();
  ASSERT_EQ(fleet_.Printers().size(), static_cast<size_t>(Count)) << fleet_.Output();
  std::set<uint16_t> ports;
  for (int number = 1; number <= Count; ++number) {
    const test::AnnouncedPrinter& p = Printer(number);
    EXPECT_EQ(p.name, FleetName("VPRINTER", number));
    ports.insert(p.port);
    ports.insert(p.controlPort);
    EXPECT_EQ(Report(p.port, "NETNAME"), "{" + std::to_string(p.name.size()) + "|" + p.name + "}");
  }
  EXPECT_EQ(ports.size(), static_cast<size_t>(2 * Count)) << "ports are shared";
  // The list file names the same printers at the same ports.
  std::ifstream list(folder_.Path("printers.txt"));
  std::stringstream expected;
  for (const test::AnnouncedPrinter& p : fleet_.Printers())
    expected << p.name << " tcp:127.0.0.1:" << p.port << "\n";
  std::stringstream written;
  written << list.rdbuf();
  EXPECT_EQ(written.str(), expected.str());
}

TEST_F(FleetProgram, SettingsMemoryAndStatusBelongToEachPrinter) {
  ASSERT_EQ(fleet_.Printers().size(), static_cast<size_t>(Count)) << fleet_.Output();
  const std::string gapBefore = Report(Printer(4).port, "GAPOFFSET");
  {
    Client c = Client::Tcp(Printer(3).port);
    ASSERT_TRUE(c.Send("GAP 2.50 mm,1.25 mm\r\nDOWNLOAD F,\"A.DAT\",3,abc"));
  }
  // One connection at a time: the next is served once the bytes above are.
  EXPECT_EQ(Report(Printer(3).port, "GAPOFFSET"), "{2|10}");  // 1.25 mm at 8 dots per mm
  EXPECT_EQ(Report(Printer(4).port, "GAPOFFSET"), gapBefore);
  EXPECT_NE(gapBefore, "{2|10}");
  EXPECT_EQ(Report(Printer(3).port, "FFILELIST"), "{5|A.DAT}");
  EXPECT_EQ(Report(Printer(4).port, "FFILELIST"), "{0|}");

  // The status byte set through printer 2's control channel is printer 2's.
  EXPECT_NE(Control(Printer(2).controlPort, "status 0x44").find("OK"), std::string::npos);
  Client two = Client::Tcp(Printer(2).port);
  two.Send(StatusQuery);
  EXPECT_EQ(two.Read(1, AnswerTimeoutMs), "\x44");
  Client one = Client::Tcp(Printer(1).port);
  one.Send(StatusQuery);
  EXPECT_EQ(one.Read(1, AnswerTimeoutMs), std::string(1, '\0'));
}

TEST_F(FleetProgram, EndsOnSigtermWithConnectionsOpen) {
  ASSERT_EQ(fleet_.Printers().size(), static_cast<size_t>(Count)) << fleet_.Output();
  Client printer = Client::Tcp(Printer(5).port);
  Client control = Client::Tcp(Printer(6).controlPort);
  ASSERT_TRUE(printer.Send(StatusQuery));
  EXPECT_EQ(printer.Read(1, AnswerTimeoutMs).size(), 1u);
  ASSERT_TRUE(control.Send("status\n"));
  EXPECT_NE(control.Read(8, AnswerTimeoutMs), "");
  EXPECT_EQ(fleet_.Terminate(10000), 0);
}

// Asks a control channel for the count of received bytes until it reaches
// count; false when it has not within AnswerTimeoutMs.
bool WaitForCount(uint16_t controlPort, size_t count) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(AnswerTimeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string reply = Control(controlPort, "count");
    if (!reply.empty() && reply[0] >= '0' && reply[0] <= '9' && std::stoul(reply) >= count)
      return true;
  }
  return false;
}

// What a connection sees after sending bytes: the first byte of the
// answer, "closed", or "silent" when nothing came within timeoutMs.
std::string AfterBytes(uint16_t port, const std::string& bytes, int timeoutMs) {
  Client c = Client::Tcp(port);
  if (!c.Send(bytes)) return "not sent";
  std::string answer = c.Read(1, timeoutMs);
  if (!answer.empty()) return answer;
  return c.ClosedByPeer() ? "closed" : "silent";
}

// A raw read that tells a reset from an orderly close.
std::string ResetOrAnswer(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string seen = "no connection";
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      send(fd, StatusQuery.data(), StatusQuery.size(), MSG_NOSIGNAL) > 0) {
    pollfd p{fd, POLLIN, 0};
    char byte = 0;
    if (poll(&p, 1, AnswerTimeoutMs) <= 0) {
      seen = "silent";
    } else {
      const ssize_t n = recv(fd, &byte, 1, 0);
      seen = n > 0 ? "answer" : n == 0 ? "closed" : errno == ECONNRESET ? "reset" : strerror(errno);
    }
  }
  close(fd);
  return seen;
}

TEST(FleetProgramFaults, OnlyTheListedPrintersMisbehave) {
  FleetProcess fleet({"--fleet", "6", "--listen", "127.0.0.1:0", "--control", "127.0.0.1:0",
                      "--fleet-fault", "reset:2,4-5", "--fleet-fault", "silent:3"});
  ASSERT_EQ(fleet.Printers().size(), 6u) << fleet.Output();
  const auto port = [&fleet](int number) { return fleet.Printers()[number - 1].port; };
  EXPECT_EQ(ResetOrAnswer(port(1)), "answer");
  EXPECT_EQ(ResetOrAnswer(port(2)), "reset");
  EXPECT_EQ(ResetOrAnswer(port(4)), "reset");
  EXPECT_EQ(ResetOrAnswer(port(5)), "reset");
  EXPECT_EQ(ResetOrAnswer(port(6)), "answer");
  // The silent printer takes the query and answers nothing: once the query
  // is counted, the fault is lifted and a status query on the same
  // connection gets the first byte back.
  const uint16_t control3 = fleet.Printers()[2].controlPort;
  const std::string query = "DIAGNOSTIC REPORT NETNAME\r\n";
  Client three = Client::Tcp(port(3));
  ASSERT_TRUE(three.Send(query));
  ASSERT_TRUE(WaitForCount(control3, query.size()));
  EXPECT_NE(Control(control3, "fault").find("silent"), std::string::npos);
  EXPECT_NE(Control(control3, "fault none").find("OK"), std::string::npos);
  ASSERT_TRUE(three.Send(StatusQuery));
  EXPECT_EQ(three.Read(1, AnswerTimeoutMs), std::string(1, '\0'));
  EXPECT_EQ(AfterBytes(port(6), query, AnswerTimeoutMs), "{");
  EXPECT_NE(Control(fleet.Printers()[1].controlPort, "fault").find("reset"), std::string::npos);
  EXPECT_NE(Control(fleet.Printers()[0].controlPort, "fault").find("none"), std::string::npos);
}

TEST(FleetProgramRefusals, BadCountsListsAndPortRangesExitWithTwo) {
  const std::vector<std::vector<std::string>> refused = {
      {"--fleet", "0"},
      {"--fleet", "1001"},
      {"--fleet", "many"},
      {"--fleet", "5x"},
      {"--fleet", ""},
      {"--fleet"},
      {"--fleet", "4", "--fleet-fault", "reset:5"},
      {"--fleet", "4", "--fleet-fault", "reset:0"},
      {"--fleet", "4", "--fleet-fault", "reset:3-2"},
      {"--fleet", "4", "--fleet-fault", "reset:"},
      {"--fleet", "4", "--fleet-fault", "reset"},
      {"--fleet", "4", "--fleet-fault", "melt:1"},
      {"--fleet", "4", "--fleet-fault", "reset:1,,2"},
      {"--fleet-fault", "reset:1"},
      {"--fleet-list", "printers.txt"},
      {"--fleet", "10", "--listen", "127.0.0.1:65530"},
      {"--fleet", "10", "--listen", "127.0.0.1:0", "--control", "127.0.0.1:65527"},
      {"--fleet", "2", "--listen", "127.0.0.1:0", "--pty"},
      {"--fleet", "2", "--listen", "127.0.0.1:0", "--stdin"},
      {"--fleet", "2", "--listen", "127.0.0.1:0", "--net-name", std::string(59, 'n')},
  };
  for (const std::vector<std::string>& args : refused) {
    std::string shown;
    for (const std::string& a : args) shown += " '" + a + "'";
    test::ProgramResult r = test::RunVprinter(args, 10000);
    EXPECT_EQ(r.exitCode, 2) << shown << ": " << r.err;
    EXPECT_EQ(r.err.rfind("varnalux-vprinter: ", 0), 0u) << shown << ": " << r.err;
    EXPECT_EQ(r.out.find("ready"), std::string::npos) << shown;
  }
}

TEST(FleetProgramRefusals, ATakenPortStopsTheWholeFleet) {
  FleetProcess first({"--fleet", "1", "--listen", "127.0.0.1:0"});
  ASSERT_EQ(first.Printers().size(), 1u) << first.Output();
  const uint16_t taken = first.Printers()[0].port;
  const std::string address = "127.0.0.1:" + std::to_string(taken);
  test::ProgramResult r = test::RunVprinter({"--fleet", "3", "--listen", address}, 10000);
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_NE(r.err.find(address + " for VPRINTER-001"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("ready"), std::string::npos);
}

// A discovery request as the tool sends it: the 32-byte header, command 2.
std::vector<uint8_t> DiscoveryRequest() {
  std::vector<uint8_t> d(32, 0);
  d[1] = 0x20;
  d[3] = d[5] = 1;
  d[6] = 0x08;
  d[9] = 2;
  d[13] = 1;
  std::memset(d.data() + 22, 0xFF, 6);
  return d;
}

// The answers to datagrams sent to 127.0.0.1:port in turn, until count
// arrived or timeoutMs passed.
std::vector<std::vector<uint8_t>> AskOverUdp(uint16_t port,
                                             const std::vector<std::vector<uint8_t>>& requests,
                                             size_t count, int timeoutMs) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  int buffer = 1 << 20;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<std::vector<uint8_t>> answers;
  for (const std::vector<uint8_t>& request : requests)
    sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (answers.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    std::vector<uint8_t> datagram(2048);
    const ssize_t n = recv(fd, datagram.data(), datagram.size(), 0);
    if (n <= 0) break;
    datagram.resize(static_cast<size_t>(n));
    answers.push_back(datagram);
  }
  close(fd);
  return answers;
}

TEST(FleetProgramUdp, OneSocketAnswersDiscoveryForEveryPrinter) {
  constexpr int Count = 12;
  FleetProcess fleet({"--fleet", std::to_string(Count), "--listen", "127.0.0.1:0", "--udp",
                      "127.0.0.1:0", "--net-name", "dock", "--mac", "02:00:00:00:00:FE"});
  ASSERT_TRUE(fleet.Ready()) << fleet.Output();
  ASSERT_NE(fleet.UdpPort(), 0) << fleet.Output();
  // A read-setting request for printer 5's MAC, then a discovery: the one
  // socket takes them in turn, so the discovery answers come after all
  // answers to the first request.
  std::vector<uint8_t> readSetting = DiscoveryRequest();
  readSetting.resize(34);
  readSetting[9] = 3;
  readSetting[32] = 4;
  const uint8_t fifth[6] = {0x02, 0x00, 0x00, 0x00, 0x01, 0x02};
  std::memcpy(readSetting.data() + 22, fifth, 6);
  std::vector<std::vector<uint8_t>> answers =
      AskOverUdp(fleet.UdpPort(), {readSetting, DiscoveryRequest()}, Count + 1, AnswerTimeoutMs);
  ASSERT_EQ(answers.size(), static_cast<size_t>(Count + 1));
  ASSERT_EQ(answers[0].size(), 1064u);
  EXPECT_EQ(std::memcmp(answers[0].data() + 22, fifth, 6), 0);
  answers.erase(answers.begin());
  std::set<std::string> names, macs;
  for (const std::vector<uint8_t>& a : answers) {
    ASSERT_EQ(a.size(), 148u);
    names.insert(std::string(reinterpret_cast<const char*>(a.data() + 84)));
    char mac[18];
    snprintf(mac, sizeof mac, "%02X:%02X:%02X:%02X:%02X:%02X", a[22], a[23], a[24], a[25], a[26],
             a[27]);
    macs.insert(mac);
  }
  std::set<std::string> expectedNames, expectedMacs;
  for (int number = 1; number <= Count; ++number) {
    expectedNames.insert(FleetName("dock", number));
    std::string mac;
    FleetMac("02:00:00:00:00:FE", number - 1, mac);
    expectedMacs.insert(mac);
  }
  EXPECT_EQ(names, expectedNames);
  EXPECT_EQ(macs, expectedMacs);
  EXPECT_TRUE(macs.count("02:00:00:00:01:09"));  // printer 12, past the carry
}

}  // namespace
}  // namespace varnalux::sim
