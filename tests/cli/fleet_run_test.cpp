// varnalux-cli --printers: one command over a list of virtual printers, run
// as a separate process; what it prints for each printer and in all, the
// files it writes by printer name, the exit status, and what it refuses
// before any printer is served.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <set>
#include <sstream>

#include "app/cli/printer_list.h"
#include "cli_runner.h"
#include "fleet_support.h"
#include "protocol/config_file.h"

namespace varnalux {
namespace {

using testing::CliResult;
using testing::JsonLines;
using testing::PrinterFleet;
using testing::RunCli;
using testing::Text;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CliFleet, TextGivesEachPrinterItsBlockAndASummary) {
  PrinterFleet fleet(3, "dock");
  fleet[1].SetStatusByte(0x04);  // out of paper
  testing::RefusingPort refusing;
  fleet.AddLine("gone tcp:" + refusing.Address());
  const CliResult r = RunCli({"--printers", fleet.ListFile(), "--jobs", "2", "status"});
  EXPECT_EQ(r.exitCode, 1) << r.err;  // the worst: the printer that is not there
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("dock-1  0  OK  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("s\n    Ready\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("dock-2  0  OK  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("s\n    Out of Paper\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("gone    1  Port Open Error  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("s\n    Port Open Error\n    The printer refused the connection.\n"),
            std::string::npos)
      << r.out;
  // The summary comes last, with the counts by result.
  const size_t summary = r.out.find("summary: 4 printers, 3 OK, 1 Port Open Error, ");
  ASSERT_NE(summary, std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\n', summary), r.out.size() - 1);
  for (size_t i = 0; i < fleet.size(); ++i) EXPECT_EQ(fleet[i].ReceivedText(), "\x1b!?");
}

TEST(CliFleet, JsonGivesOneObjectAPrinterWithTheCommandsOwnJson) {
  PrinterFleet fleet(3);
  fleet[2].SetStatusByte(0x04);
  CliResult r = RunCli({"--printers", fleet.ListFile(), "--json", "status", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  auto lines = JsonLines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  std::set<std::string> names;
  for (size_t i = 0; i < 3; ++i) {
    const JsonValue& line = lines[i];
    names.insert(Text(line, "name"));
    EXPECT_EQ(Text(line, "code"), "0");
    EXPECT_EQ(Text(line, "result"), "OK");
    EXPECT_EQ(Text(line, "errors"), "");
    ASSERT_NE(line.Member("seconds"), nullptr);
    EXPECT_EQ(line.Member("seconds")->kind, JsonValue::Kind::Number);
    const size_t index = static_cast<size_t>(std::stoi(Text(line, "name").substr(2)) - 1);
    EXPECT_EQ(Text(line, "link"), "tcp:127.0.0.1:" + std::to_string(fleet[index].TcpPort()));
    const JsonValue* output = line.Member("output");
    ASSERT_NE(output, nullptr);
    ASSERT_EQ(output->kind, JsonValue::Kind::Object) << r.out;
    EXPECT_EQ(output->Member("outOfPaper")->text, index == 2 ? "1" : "0");
  }
  EXPECT_EQ(names, (std::set<std::string>{"p-1", "p-2", "p-3"}));
  const JsonValue* summary = lines[3].Member("summary");
  ASSERT_NE(summary, nullptr) << r.out;
  EXPECT_EQ(Text(*summary, "printers"), "3");
  EXPECT_EQ(Text(*summary, "code"), "0");
  EXPECT_EQ(CompactJson(*summary->Member("results")), "{\"OK\": 3}");

  // Without the command's own --json its output is a string.
  r = RunCli({"--printers", fleet.ListFile(), "--json", "status"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  lines = JsonLines(r.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].Member("output")->kind, JsonValue::Kind::String);
  EXPECT_NE(r.out.find("\"output\": \"Ready\\u000A\""), std::string::npos) << r.out;
}

TEST(CliFleet, FilesAreWrittenByPrinterNameAndAPathWithoutTheNameIsRefused) {
  PrinterFleet fleet(3);
  const std::string dir = fleet.Folder().Path("backup");
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  CliResult r =
      RunCli({"--printers", fleet.ListFile(), "read-config", "--save", dir + "/{name}.dcf"});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  for (size_t i = 0; i < fleet.size(); ++i)
    EXPECT_EQ(ReadFile(dir + "/" + fleet.Name(i) + ".dcf").size(), ConfigFileSize) << i;

  // One file for several printers would be written by each in turn: refused
  // before any printer is served.
  const size_t before = fleet.Connections();
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"read-config", "--save", dir + "/all.dcf"},
        std::vector<std::string>{"dump-text", "file", dir + "/dump.txt"}}) {
    std::vector<std::string> args{"--printers", fleet.ListFile()};
    args.insert(args.end(), command.begin(), command.end());
    r = RunCli(args);
    EXPECT_EQ(r.exitCode, 64) << command[0];
    EXPECT_NE(r.err.find("put {name} in it"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(fleet.Connections(), before);
  struct stat st {};
  EXPECT_NE(stat((dir + "/all.dcf").c_str(), &st), 0);
}

TEST(CliFleet, DiffConfigNamesThePrintersThatDrifted) {
  PrinterFleet fleet(3);
  testing::TempFolder folder;
  const std::string base = folder.Path("base.dcf");
  CliResult r = RunCli(
      {"--tcp", "127.0.0.1:" + std::to_string(fleet[0].TcpPort()), "read-config", "--save", base});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  fleet[1].Execute("SPEED 6");
  r = RunCli({"--printers", fleet.ListFile(), "diff-config", "printer", base});
  EXPECT_EQ(r.exitCode, 6) << r.err << r.out;
  EXPECT_NE(r.out.find("p-1  0  OK  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("p-2  6  configurations differ  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    speed: 6 -> 4\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("p-3  0  OK  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("summary: 3 printers, 2 OK, 1 configurations differ, "), std::string::npos)
      << r.out;

  // A failure outranks a difference.
  testing::RefusingPort refusing;
  fleet.AddLine("gone tcp:" + refusing.Address());
  r = RunCli({"--printers", fleet.ListFile(), "diff-config", "printer", base});
  EXPECT_EQ(r.exitCode, 1) << r.out;
}

TEST(CliFleet, UsageErrorsAreFoundBeforeAnyPrinterIsServed) {
  PrinterFleet fleet(2);
  const std::string list = fleet.ListFile();
  const std::vector<std::vector<std::string>> refused = {
      {"--printers", list, "show-config", "x.dcf"},
      {"--printers", list, "devices"},
      {"--printers", list, "discover"},
      {"--printers", list, "make-font", "out.fnt", "--font", "x.ttf"},
      {"--printers", list, "remote-reset", "00:1B:82:00:03:0A"},
      {"--printers", list, "diff-config", "a.dcf", "b.dcf"},
      {"--printers", list, "--tcp", "127.0.0.1", "status"},
      {"--tcp", "127.0.0.1", "--printers", list, "status"},
      {"--printers", list, "--jobs", "0", "status"},
      {"--printers", list, "--jobs", "257", "status"},
      {"--printers", list, "--jobs", "x", "status"},
      {"--json", "status"},
      {"--printers", list},
      {"--printers", list, "frobnicate"},
      {"--printers", list, "format", "flash"},
      {"--printers", list, "send", "-"},
      {"--printers", list, "net", "set-ip", "10.0.0.9", "255.0.0.0", "10.0.0.1"},
      // The command's own arguments: one message, not one a printer.
      {"--printers", list, "status", "--jsn"},
      {"--printers", list, "calibrate", "sideways"},
      {"--printers", list, "clock", "set", "yesterday"},
  };
  for (const auto& args : refused) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.exitCode, 64) << args.back() << "\n" << r.err;
    EXPECT_EQ(r.out, "") << args.back();
    EXPECT_NE(r.err, "") << args.back();
  }
  CliResult r = RunCli({"--printers", list, "calibrate", "sideways"});
  EXPECT_EQ(r.err, "usage: varnalux-cli [link option] calibrate gap|bline|continuous\n");
  EXPECT_EQ(fleet.Connections(), 0u);

  // A bad line names the file and its line, and nothing runs.
  const std::string bad = fleet.Folder().Write("bad.list", "a usb\n\nb tcp:127.0.0.1:99999\n");
  r = RunCli({"--printers", bad, "status"});
  EXPECT_EQ(r.exitCode, 64);
  EXPECT_EQ(r.err.rfind("varnalux-cli: " + bad + ":3: bad link 'tcp:127.0.0.1:99999'", 0), 0u)
      << r.err;
  // One printer may take standard input and a plain file name.
  r = RunCli({"--printers",
              fleet.Folder().Write(
                  "one.list", "solo tcp:127.0.0.1:" + std::to_string(fleet[0].TcpPort()) + "\n"),
              "send", "-"},
             "PRINT 1\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fleet[0].WaitForReceived(9, 3000));
  EXPECT_EQ(fleet[0].ReceivedText(), "PRINT 1\r\n");
}

TEST(CliFleet, NameGoesIntoAnyArgument) {
  PrinterFleet fleet(2);
  const CliResult r = RunCli({"--printers", fleet.ListFile(), "net", "set-name", "{name}"});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_EQ(fleet[0].Network().netName, "p-1");
  EXPECT_EQ(fleet[1].Network().netName, "p-2");

  // A name that makes the arguments unusable for its printer (a network
  // name has at most 15 characters) stops the run before any printer.
  const size_t before = fleet.Connections();
  fleet.Add("a-name-of-twenty-chars");
  const CliResult refused = RunCli({"--printers", fleet.ListFile(), "net", "set-name", "{name}"});
  EXPECT_EQ(refused.exitCode, 64);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err.rfind("varnalux-cli: for the printer a-name-of-twenty-chars:\n", 0), 0u)
      << refused.err;
  EXPECT_EQ(fleet.Connections(), before);
  EXPECT_EQ(fleet[0].Network().netName, "p-1");
}

// Entries behind one serial device (here a pseudo-terminal, named once by
// its path and once by a link to it) are served one after the other, never
// at once: the printer's record of commands is the single run's twice over,
// not interleaved.
TEST(CliFleet, OneSerialDeviceIsNeverUsedByTwoPrintersAtOnce) {
  sim::VirtualPrinter printer;
  testing::TempFolder folder;
  const std::string other = folder.Path("other-name");
  const std::string slave = printer.StartPty(other);
  ASSERT_FALSE(slave.empty());
  // The second entry names it as COM7, which the environment maps to the link.
  setenv("VARNALUX_COM7", other.c_str(), 1);
  CliResult r = RunCli({"--com", slave, "read-config"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> single = printer.Commands();
  ASSERT_GT(single.size(), 10u);
  printer.ClearCommands();

  const std::string list =
      folder.Write("serial.list", "first com:" + slave + "\nsecond com:COM7\n");
  r = RunCli({"--printers", list, "--jobs", "2", "read-config"});
  unsetenv("VARNALUX_COM7");
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  std::vector<std::string> twice = single;
  twice.insert(twice.end(), single.begin(), single.end());
  EXPECT_EQ(printer.Commands(), twice);
  // Served in list order, so the first finishes first.
  EXPECT_LT(r.out.find("first "), r.out.find("second "));
}

// discover --save-printers writes what answered as a printer list that the
// tool reads back: names made safe and unique, one line a printer.
TEST(CliFleet, DiscoverSavesTheAnswersAsAPrinterList) {
  std::vector<std::unique_ptr<sim::VirtualPrinter>> printers;
  std::string to;
  const char* const macs[] = {"00:1B:82:00:03:0A", "00:1B:82:00:03:0B", "00:1B:82:00:03:0C"};
  const char* const ips[] = {"10.0.4.21", "10.0.4.22", "0.0.0.0"};
  for (int i = 0; i < 3; ++i) {
    printers.push_back(std::make_unique<sim::VirtualPrinter>());
    sim::NetworkSettings net = printers.back()->Network();
    net.macAddress = macs[i];
    net.netName = i < 2 ? "Front Desk" : "No Address";
    net.ipAddress = net.lastUsedIp = ips[i];
    printers.back()->SetNetwork(net);
    sim::UdpServeOptions options;
    options.port = 0;
    ASSERT_TRUE(printers.back()->StartUdp(options));
    to +=
        (i > 0 ? "," : "") + std::string("127.0.0.1:") + std::to_string(printers.back()->UdpPort());
  }
  testing::TempFolder folder;
  const std::string path = folder.Path("found.list");
  setenv("VARNALUX_DISCOVERY_TO", to.c_str(), 1);
  CliResult r = RunCli({"discover", "--save-printers", path});
  unsetenv("VARNALUX_DISCOVERY_TO");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // What was found is still printed.
  EXPECT_NE(r.out.find("Front Desk\t00:1B:82:00:03:0A\t10.0.4.21\t"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("No Address gave no usable address (0.0.0.0): not listed"),
            std::string::npos)
      << r.err;
  std::vector<ListedPrinter> listed;
  std::string error;
  ASSERT_TRUE(LoadPrinterList(path, listed, error)) << error << ReadFile(path);
  ASSERT_EQ(listed.size(), 2u) << ReadFile(path);
  // The two answers come in either order: which one gets the suffix varies.
  std::set<std::string> names, links;
  for (const ListedPrinter& p : listed) names.insert(p.name), links.insert(p.link);
  EXPECT_EQ(names, (std::set<std::string>{"Front_Desk", "Front_Desk-2"})) << ReadFile(path);
  EXPECT_EQ(links, (std::set<std::string>{"tcp:10.0.4.21", "tcp:10.0.4.22"})) << ReadFile(path);
  EXPECT_EQ(RunCli({"discover", "--save-printers"}).exitCode, 64);
}

}  // namespace
}  // namespace varnalux
