// A run over many printers when some of them misbehave: silent printers,
// one that resets the connection and one that drops it cost only their own
// time, every other printer is served, and each faulty printer fails with
// its own code.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "fleet_support.h"
#include "tests/sim/fleet_process.h"

namespace varnalux {
namespace {

using testing::CliResult;
using testing::JsonLines;
using testing::PrinterFleet;
using testing::RunCli;
using testing::Text;

// The code a lone status run gets from a printer with this fault.
int LoneStatusCode(sim::Fault fault) {
  sim::VirtualPrinter printer;
  EXPECT_TRUE(printer.StartTcp("127.0.0.1", 0));
  printer.SetFault(fault);
  return RunCli({"--tcp", "127.0.0.1:" + std::to_string(printer.TcpPort()), "status"}).exitCode;
}

struct Outcome {
  int code = -1;
  double seconds = 0;
  size_t order = 0;  // the line it was told on
};

std::map<std::string, Outcome> Outcomes(const std::vector<JsonValue>& lines) {
  std::map<std::string, Outcome> by;
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    by[Text(lines[i], "name")] = {std::stoi(Text(lines[i], "code")),
                                  std::stod(Text(lines[i], "seconds")), i};
  return by;
}

TEST(CliFleetFaults, SilentResettingAndDroppingPrintersCostOnlyTheirOwnTime) {
  const int silentCode = LoneStatusCode(sim::Fault::Silent);
  const int resetCode = LoneStatusCode(sim::Fault::Reset);
  const int dropCode = LoneStatusCode(sim::Fault::DropOnReceive);
  ASSERT_EQ(silentCode, 3);
  ASSERT_NE(resetCode, 0);
  ASSERT_NE(dropCode, 0);

  PrinterFleet fleet(6, "ok");
  for (int i = 1; i <= 3; ++i)
    fleet.Add("silent-" + std::to_string(i)).SetFault(sim::Fault::Silent);
  fleet.Add("reset").SetFault(sim::Fault::Reset);
  fleet.Add("drop").SetFault(sim::Fault::DropOnReceive);
  const CliResult r = RunCli({"--printers", fleet.ListFile(), "--json", "--jobs", "11", "status"});
  EXPECT_EQ(r.exitCode, std::max({silentCode, resetCode, dropCode})) << r.err;
  const auto lines = JsonLines(r.out);
  ASSERT_EQ(lines.size(), 12u) << r.out;
  const auto by = Outcomes(lines);
  size_t lastHealthy = 0;
  double silentSum = 0;
  for (const auto& [name, outcome] : by) {
    if (name.rfind("ok-", 0) == 0) {
      EXPECT_EQ(outcome.code, 0) << name;
      lastHealthy = std::max(lastHealthy, outcome.order);
    } else if (name.rfind("silent-", 0) == 0) {
      EXPECT_EQ(outcome.code, silentCode) << name;
      silentSum += outcome.seconds;
    } else {
      EXPECT_EQ(outcome.code, name == "reset" ? resetCode : dropCode) << name;
    }
  }
  // Every healthy printer is told before any silent one, which waits out its
  // time-out; and the silent printers wait at once, not one after another.
  for (int i = 1; i <= 3; ++i) EXPECT_GT(by.at("silent-" + std::to_string(i)).order, lastHealthy);
  const double whole = std::stod(Text(*lines.back().Member("summary"), "seconds"));
  EXPECT_LT(whole, silentSum) << r.out;
}

// Two hundred printers of one fleet process, five silent and five that
// reset the connection, 64 at a time.
TEST(CliFleetFaults, TwoHundredPrintersEachGetTheirOwnResult) {
  const int silentCode = LoneStatusCode(sim::Fault::Silent);
  const int resetCode = LoneStatusCode(sim::Fault::Reset);
  testing::TempFolder folder;
  const std::string list = folder.Path("fleet.list");
  sim::test::FleetProcess printers({"--fleet", "200", "--listen", "127.0.0.1:0", "--fleet-list",
                                    list, "--fleet-fault", "silent:7,47,87,127,167",
                                    "--fleet-fault", "reset:23,63,103,143,183"});
  ASSERT_TRUE(printers.Ready()) << printers.Output();
  std::map<std::string, int> expected;
  for (int i = 1; i <= 200; ++i) {
    char name[32];
    snprintf(name, sizeof name, "VPRINTER-%03d", i);
    expected[name] = i % 40 == 7 ? silentCode : i % 40 == 23 ? resetCode : 0;
  }
  const CliResult r =
      RunCli({"--printers", list, "--json", "--jobs", "64", "status", "--json"}, "", 60000);
  EXPECT_EQ(r.exitCode, std::max(silentCode, resetCode)) << r.err;
  const auto lines = JsonLines(r.out);
  ASSERT_EQ(lines.size(), 201u);
  std::map<std::string, int> got;
  for (const auto& [name, outcome] : Outcomes(lines)) got[name] = outcome.code;
  EXPECT_EQ(got, expected);
  const JsonValue* summary = lines.back().Member("summary");
  ASSERT_NE(summary, nullptr);
  EXPECT_EQ(Text(*summary, "printers"), "200");
}

}  // namespace
}  // namespace varnalux
