// The printer function and clock commands of varnalux-cli, run as a program
// against an in-process virtual printer on 127.0.0.1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "sim/virtual_printer.h"
#include "tests/support/printer_wait.h"
#include "tests/support/temp_folder.h"

namespace {

using varnalux::testing::CliResult;
using varnalux::testing::RunCli;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliFunctions : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(printer.StartTcp("127.0.0.1", 0)); }
  CliResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(printer.TcpPort())});
    return RunCli(args);
  }
  std::string Received(size_t n) { return varnalux::testing::SettledText(printer, n); }
  bool NothingReceived() { return varnalux::testing::PrinterStaysSilent(printer); }
  varnalux::sim::VirtualPrinter printer;
};

TEST_F(CliFunctions, OneShotCommandsSendTheirBytes) {
  struct Case {
    std::vector<std::string> args;
    std::string bytes;
  };
  const Case cases[] = {
      {{"factory-default"}, "INITIALPRINTER\r\n"},
      {{"selftest"}, "SELFTEST\r\n"},
      {{"reset"}, std::string("\x1b!R", 3)},
      {{"ignore-autobas"}, std::string("\x1b!C", 3)},
      {{"calibrate", "gap"}, "GAPDETECT\r\n"},
      {{"calibrate", "bline"}, "BLINEDETECT\r\n"},
      {{"calibrate", "continuous"}, "GAP 0.12,0\r\nGAP 0,0\r\n"},
      {{"dump-text", "print"}, "DUMP_TEXT PRINT,"},
      {{"dump-text", "card", "LOG.TXT"}, "DUMP_TEXT SAVE 1000,E,\"LOG.TXT\","},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    printer.ClearReceived();
    CliResult r = Cli(c.args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Received(c.bytes.size()), c.bytes);
  }
}

TEST_F(CliFunctions, BadArgumentsAreUsageErrorsWithNothingSent) {
  const std::vector<std::vector<std::string>> bad = {
      {"calibrate", "paper"},
      {"calibrate"},
      {"reset", "now"},
      {"dump-text", "card"},
      {"dump-text", "card", "A\"B"},
      {"dump-text", "card", "A\r\nSELFTEST"},
      {"dump-text", "card", "SIXTEEN_BYTES.TX"},
      {"dump-text", "save"},
      {"test-page", "100"},
      {"test-page", "100mm", "50"},
      {"test-page", "100", "0x10"},
      {"clock", "set", "2026-12-07 09:05:30"},
      {"clock", "set", "2026-13-07T09:05:30"},
      {"clock", "set", "2026-12-07T24:00:00"},
      {"clock", "set", "26-12-07T09:05:30"},
      {"clock", "set", "2026-12-07T09:05:30Z"},
      {"clock", "get", "--xml"},
      {"clock"},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(args.back());
    CliResult r = Cli(args);
    EXPECT_EQ(r.exitCode, 64) << r.err;
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
}

TEST_F(CliFunctions, ClockSetSendsTheSixLines) {
  CliResult r = Cli({"clock", "set", "2026-12-07T09:05:30"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string lines =
      "YEAR = 26\r\nMONTH = 12\r\nDATE = 7\r\nHOUR = 9\r\nMINUTE = 5\r\nSECOND = 30\r\n";
  EXPECT_EQ(Received(lines.size()), lines);

  // "now": the local time, year modulo 100, as it was at some moment of the
  // run (a run across the turn of a month may show either side).
  printer.ClearReceived();
  auto yearAndMonth = [] {
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    return "YEAR = " + std::to_string((local.tm_year + 1900) % 100) +
           "\r\nMONTH = " + std::to_string(local.tm_mon + 1) + "\r\n";
  };
  const std::string before = yearAndMonth();
  r = Cli({"clock", "set", "now"});
  const std::string after = yearAndMonth();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::string sent = Received(60);
  EXPECT_TRUE(sent.rfind(before, 0) == 0 || sent.rfind(after, 0) == 0) << sent;
}

TEST_F(CliFunctions, ClockGetPrintsTheValuesAsRead) {
  printer.OverrideReport("YEAR", "26");
  printer.OverrideReport("MONTH", "12");
  printer.OverrideReport("DATE", "7");
  printer.OverrideReport("HOUR", "9");
  printer.OverrideReport("MINUTE", "5");
  printer.OverrideReport("SECOND", "30");
  CliResult r = Cli({"clock", "get"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "0026-12-07T09:05:30\n");
  r = Cli({"clock", "get", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"year\": 26, \"month\": 12, \"date\": 7, \"hour\": 9, \"minute\": 5, "
            "\"second\": 30}\n");

  // A printer that stops answering mid-way: the read's code, no output.
  printer.ForgetReport("HOUR");
  r = Cli({"clock", "get"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Data Receiving Error"), std::string::npos) << r.err;
}

TEST_F(CliFunctions, DumpToFileWritesWhatCameBack) {
  // A dump is already running, fed by another program with binary bytes; the
  // command's own header and line end become part of it, and its LOAD line
  // ends it and brings everything back byte for byte.
  const std::string dumped = std::string("dumped text\r\n\0\x01\xff", 16);
  const std::string header = "DUMP_TEXT SAVE 1000,\"Dump.txt\",";
  auto startDump = [&] {
    ASSERT_EQ(RunCli({"--tcp", "127.0.0.1:" + std::to_string(printer.TcpPort()), "send", "-"},
                     header + dumped)
                  .exitCode,
              0);
  };
  startDump();
  printer.ClearReceived();
  varnalux::testing::TempFolder folder;
  std::string out = folder.Path("dump.txt");
  CliResult r = Cli({"dump-text", "file", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Slurp(out), dumped + header + "\r\n");
  EXPECT_EQ(printer.ReceivedText(), header + "\r\nLOAD \"Dump.txt\"\r\n\r\n");

  // The same load into a file that cannot be written.
  startDump();
  r = Cli({"dump-text", "file", "/nonexistent-dir/dump.txt"});
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("File Open Error"), std::string::npos) << r.err;
}

TEST_F(CliFunctions, DumpToSilentPrinterWritesNoFile) {
  printer.SetFault(varnalux::sim::Fault::Silent);
  varnalux::testing::TempFolder folder;
  std::string out = folder.Path("dump.txt");
  // Nothing comes back: no file is written, and the command says so.
  CliResult r = Cli({"dump-text", "file", out});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("nothing"), std::string::npos) << r.err;
  EXPECT_NE(access(out.c_str(), F_OK), 0) << "an empty dump must not be written";
}

TEST_F(CliFunctions, TestPageIsScaledByTheResolutionReadFirst) {
  // 203 dpi: 8 dots per millimetre; the label of 100 x 50 mm.
  CliResult r = Cli({"test-page", "100", "50"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(printer.WaitForCommand("PRINT 1", 3000));
  EXPECT_EQ(printer.LastLabelProgram(),
            "CLS\r\n"
            "DIRECTION 0,0\r\n"
            "BOX 16,16,784,384,4\r\n"
            "BARCODE  98,32,\"39\",50,1,90,2,4,\"1234567890\"\r\n"
            "TEXT  114,32,\"0\",0,25,25,\"TEST\"\r\n"
            "PRINT 1\r\n");
}

TEST_F(CliFunctions, LinkThatDoesNotOpenGivesPortOpenError) {
  uint16_t port = printer.TcpPort();
  printer.Stop();
  CliResult r = RunCli({"--tcp", "127.0.0.1:" + std::to_string(port), "factory-default"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("Port Open Error"), std::string::npos) << r.err;
}

}  // namespace
