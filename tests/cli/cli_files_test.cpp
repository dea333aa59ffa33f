// files, download and format of varnalux-cli, run as a program against an
// in-process virtual printer on 127.0.0.1.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "pty_runner.h"
#include "sim/virtual_printer.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/printer_wait.h"
#include "tests/support/temp_folder.h"
#include "tests/support/refusing_port.h"

namespace {

using varnalux::testing::CliResult;
using varnalux::testing::RunCli;
using varnalux::testing::RunCliOnTerminal;
namespace sim = varnalux::sim;

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(printer.StartTcp("127.0.0.1", 0));
  }
  std::vector<std::string> With(std::vector<std::string> args) {
    args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(printer.TcpPort())});
    return args;
  }
  CliResult Cli(std::vector<std::string> args) { return RunCli(With(std::move(args))); }
  std::string File(const std::string& name, const std::string& bytes) {
    return folder_.Write(name, bytes);
  }
  std::string Received(size_t n) { return varnalux::testing::SettledText(printer, n); }
  bool NothingReceived() { return varnalux::testing::PrinterStaysSilent(printer); }
  sim::VirtualPrinter printer;
  varnalux::testing::TempFolder folder_;
  const std::string& dir_ = folder_.Path();
};

TEST_F(CliFiles, FilesListsEachDeviceAsTextAndJson) {
  printer.PutFileOn(sim::MemoryDram, "A.BAS", "1");
  printer.PutFileOn(sim::MemoryFlash, "LOGO.BMP", "2");
  printer.PutFileOn(sim::MemoryFlash, "Q\"T\x01.DAT", "3");  // any bytes may come back
  CliResult text = Cli({"files"});
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out,
            "DRAM physical: 1024 KB free: 1023 KB\n  A.BAS\n"
            "FLASH physical: 8192 KB free: 8190 KB\n  LOGO.BMP\n  Q\"T\\x01.DAT\n"
            "CARD physical: 32768 KB free: \n");
  CliResult json = Cli({"files", "--json"});
  EXPECT_EQ(json.exitCode, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\"DRAM\": {\"physicalKb\": 1024, \"freeKb\": 1023, \"files\": [\"A.BAS\"], "
            "\"listCut\": false}, "
            "\"FLASH\": {\"physicalKb\": 8192, \"freeKb\": 8190, \"files\": [\"LOGO.BMP\", "
            "\"Q\\\"T\\u0001.DAT\"], \"listCut\": false}, "
            "\"CARD\": {\"physicalKb\": 32768, \"freeKb\": null, \"files\": [], "
            "\"listCut\": false}}\n");
}

TEST_F(CliFiles, FilesWithoutACardPrintsWhatWasReadAndExitsThree) {
  sim::PrinterOptions options;
  options.hasCard = false;
  sim::VirtualPrinter noCard(options);
  ASSERT_TRUE(noCard.StartTcp("127.0.0.1", 0));
  noCard.PutFileOn(sim::MemoryFlash, "F.BAS", "1");
  CliResult r =
      RunCli({"--tcp", "127.0.0.1:" + std::to_string(noCard.TcpPort()), "files", "--json"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "Data Receiving Error\n");
  EXPECT_NE(r.out.find("\"FLASH\": {\"physicalKb\": 8192, \"freeKb\": 8191, \"files\": "
                       "[\"F.BAS\"]"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"CARD\": {\"physicalKb\": null, \"freeKb\": null, \"files\": []"),
            std::string::npos)
      << r.out;
}

TEST_F(CliFiles, NamesFromThePrinterShowWithoutMojibakeOrControlCharacters) {
  printer.PutFileOn(sim::MemoryFlash, "Gr\xC3\xB6\xC3\x9F" "en.BMP", "1");  // UTF-8
  printer.PutFileOn(sim::MemoryFlash, "Gr\xF6\xDF.BMP", "2");                  // Latin-1
  printer.PutFileOn(sim::MemoryFlash, "C1\xC2\x9B" "2J\x9B.BAS", "3");         // CSI both ways
  printer.PutFileOn(sim::MemoryFlash, std::string("A\0B.BAS", 7), "4");
  printer.PutFileOn(sim::MemoryFlash, "LAST.BAS", "5");
  CliResult text = Cli({"files"});
  EXPECT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("FLASH physical: 8192 KB free: 8187 KB\n"
                          "  Gr\xC3\xB6\xC3\x9F" "en.BMP\n"
                          "  Gr\\xF6\\xDF.BMP\n"
                          "  C1\\xC2\\x9B2J\\x9B.BAS\n"
                          "  A\\x00B.BAS\n"
                          "  LAST.BAS\n"
                          "CARD"),
            std::string::npos)
      << text.out;
}

// A printer whose list never ends, with names of 1,000 bytes: the field is
// full after 65 of them at the printer's pace, and the list is left soon
// after, with the names that came and the exit code of a missing answer.
TEST(CliFilesNeverEnding, FilesReturnsWithinItsBoundWithWhatCame) {
  varnalux::testing::LoopbackPeer peer;
  peer.AnswerReports();
  for (const char* key : {"DPHYSPACE", "DFREESPACE", "FPHYSPACE", "FFREESPACE", "CPHYSPACE"})
    peer.Answer(key, "100");
  peer.RawAnswer("DFILELIST", "{0|}");
  peer.RawAnswer("FFILELIST", "");
  peer.EndlessAnswer("FFILELIST", "{1000|" + std::string(1000, 'L') + "}");
  const auto start = std::chrono::steady_clock::now();
  CliResult r = RunCli({"--tcp", "127.0.0.1:" + std::to_string(peer.Port()), "files"}, "", 60000);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_EQ(r.err, "Data Receiving Error\n");
  // 65 names at 50 ms, then at most the two seconds after the cut.
  EXPECT_LT(took, std::chrono::seconds(15));
  EXPECT_NE(r.out.find("  (list cut: the printer did not end it in time)\n"), std::string::npos)
      << r.out.substr(0, 200);
  size_t names = 0;
  for (size_t at = r.out.find("  LLL"); at != std::string::npos; at = r.out.find("  LLL", at + 1))
    ++names;
  EXPECT_EQ(names, 65u);
  EXPECT_NE(r.out.find("CARD physical:  free: \n"), std::string::npos);  // not asked
}

TEST_F(CliFiles, NamesOutsideAsciiAreRefusedBeforeAnythingIsSent) {
  const std::string path = File("Gr\xC3\xB6\xC3\x9F" "enangabe.bmp", "B");
  CliResult r = Cli({"download", path, "--type", "bmp"});
  EXPECT_EQ(r.exitCode, 64);
  EXPECT_EQ(r.err,
            "The file name in the printer may hold only ASCII characters: \"\xC3\xB6\", "
            "\"\xC3\x9F\" are not\n");
  r = Cli({"download", path, "--name", "F\xC3\xB6nt"});
  EXPECT_EQ(r.exitCode, 64);
  EXPECT_NE(r.err.find("\"\xC3\xB6\" is not one"), std::string::npos) << r.err;
  EXPECT_TRUE(NothingReceived());
  r = Cli({"download", path, "--name", "GROESSE.BMP"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Received(26), "DOWNLOAD F,\"GROESSE.BMP\",1,B");
}

TEST_F(CliFiles, DownloadBuildsThePrinterNameByTypeAndDevice) {
  const std::string data("B\r\n\x1b!R\0M", 8);
  std::string path = File("averylongname.bmp", data);
  CliResult r = Cli({"download", path});  // data file into FLASH by default
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");  // not a terminal: no progress bar
  std::string first = "DOWNLOAD F,\"averylon\",8," + data;
  EXPECT_EQ(Received(first.size()), first);
  printer.ClearReceived();
  r = Cli({"download", path, "--type", "bmp", "--device", "card"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::string second = "DOWNLOAD E,\"averylon.BMP\",8," + data;
  EXPECT_EQ(Received(second.size()), second);
  std::string stored;
  ASSERT_TRUE(printer.GetFileOn(sim::MemoryCard, "averylon.BMP", stored));
  EXPECT_EQ(stored, data);
  EXPECT_EQ(printer.Resets(), 0);
}

TEST_F(CliFiles, TwelveCharacterNamesGoThirteenAndUnsafeOnesDoNot) {
  std::string path = File("x.bas", "PRINT 1\r\n");
  CliResult r = Cli({"download", path, "--device", "dram", "--name", "ABCDEFGH.BAS"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Received(31), "DOWNLOAD \"ABCDEFGH.BAS\",9,PRINT 1\r\n");
  printer.ClearReceived();
  r = Cli({"download", path, "--name", "ABCDEFGHI.BAS"});
  EXPECT_EQ(r.exitCode, 64);
  EXPECT_EQ(r.err, "File name too long\n");
  r = Cli({"download", path, "--name", "A\"B"});
  EXPECT_EQ(r.exitCode, 64);
  EXPECT_NE(r.err.find("double quote"), std::string::npos);
  r = Cli({"download", path, "--name", "A\r\nB"});
  EXPECT_EQ(r.exitCode, 64);
  // A derived name can be too long as well: .TTF makes it 13.
  r = Cli({"download", File("ABCDEFGHI.ttf", "t"), "--type", "ttf"});
  EXPECT_EQ(r.exitCode, 0) << r.err;  // ABCDEFGH.TTF: twelve
  printer.ClearReceived();
  r = Cli({"download", path, "--type", "zip"});
  EXPECT_EQ(r.exitCode, 64);
  EXPECT_TRUE(NothingReceived());
}

TEST_F(CliFiles, FifosAndMissingFilesAreRefusedWithoutHanging) {
  std::string fifo = folder_.Fifo("pipe");
  CliResult r = RunCli(With({"download", fifo}), "", 10000);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("Only a regular file"), std::string::npos) << r.err;
  r = RunCli(With({"download", fifo, "--type", "firmware"}), "", 10000);
  EXPECT_EQ(r.exitCode, 4);
  r = Cli({"download", dir_ + "/missing.bin"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("File Open Error"), std::string::npos);
  EXPECT_TRUE(NothingReceived());
}

TEST_F(CliFiles, FirmwareAndKvxGoByteForByteWithoutAHeader) {
  std::string data("\x02KVX\r\nDOWNLOAD \"A\",1,\0\xff", 21);
  std::string path = File("update.kvx", data);
  CliResult r = Cli({"download", path, "--type", "kvx", "--device", "dram", "--name", "X"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Please Wait Led change to Green...\n");
  EXPECT_EQ(Received(data.size()), data);
  printer.ClearReceived();
  r = Cli({"download", File("fw.new", "FIRMWARE"), "--type", "firmware"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Received(8), "FIRMWARE");
  // A printer that cannot be reached gives the result, not the LED text.
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  r = RunCli({"--tcp", refusing.Address(), "download", path, "--type", "kvx"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(CliFiles, FormatNeedsYesWithoutATerminal) {
  printer.PutFileOn(sim::MemoryFlash, "F.BAS", "1");
  CliResult r = Cli({"format", "flash"});
  EXPECT_EQ(r.exitCode, 64);
  EXPECT_TRUE(NothingReceived());
  EXPECT_EQ(printer.FileNames(sim::MemoryFlash).size(), 1u);
  r = Cli({"format", "flash", "--yes"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Received(14), "KILL F,\"*.*\"\r\n");
  ASSERT_TRUE(printer.WaitForCommand("KILL F,\"*.*\"", 3000));
  EXPECT_TRUE(printer.FileNames(sim::MemoryFlash).empty());
  printer.ClearReceived();
  r = Cli({"format", "--yes", "card"});
  EXPECT_EQ(Received(14), "KILL E,\"*.*\"\r\n");
  EXPECT_EQ(Cli({"format", "tape", "--yes"}).exitCode, 64);
}

TEST_F(CliFiles, OnATerminalFormatAsksAndOnlyYesErases) {
  printer.PutFileOn(sim::MemoryDram, "D.BAS", "1");
  auto no = RunCliOnTerminal(With({"format", "dram"}), "n\n");
  EXPECT_EQ(no.exitCode, 0);
  EXPECT_NE(no.output.find("Are you sure? [y/N]"), std::string::npos) << no.output;
  EXPECT_TRUE(NothingReceived());
  auto yes = RunCliOnTerminal(With({"format", "dram"}), "y\n");
  EXPECT_EQ(yes.exitCode, 0) << yes.output;
  EXPECT_EQ(Received(12), "KILL \"*.*\"\r\n");
}

TEST_F(CliFiles, OnATerminalLongTransfersShowAProgressBar) {
  std::string path = File("big.dat", std::string(200 * 1024, 'b'));
  auto r = RunCliOnTerminal(With({"download", path, "--device", "dram"}));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("100% 200.0 KB / 200.0 KB"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("/s"), std::string::npos);
  printer.ClearReceived();
  auto send = RunCliOnTerminal(With({"send", path}));
  EXPECT_EQ(send.exitCode, 0) << send.output;
  EXPECT_NE(send.output.find("100%"), std::string::npos) << send.output;
  // Without a terminal the same send writes nothing to standard error.
  CliResult quiet = Cli({"send", path});
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_EQ(quiet.err, "");
}

}  // namespace
