// read-config, write-config, show-config and diff-config run as a separate
// process against the virtual printer.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "protocol/config_file.h"
#include "sim/virtual_printer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/refusing_port.h"

namespace varnalux {
namespace {

using testing::RunCli;

int CountLines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

std::vector<uint8_t> Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliConfig : public ::testing::Test {
 protected:
  void SetUp() override { Start({}); }
  void Start(const sim::PrinterOptions& options) {
    printer_ = std::make_unique<sim::VirtualPrinter>(options);
    ASSERT_TRUE(printer_->StartTcp("127.0.0.1", 0));
    tcp_ = "127.0.0.1:" + std::to_string(printer_->TcpPort());
  }
  std::string Temp(const std::string& name) const { return folder_.Path(name); }
  std::string Answer(const char* key) const {
    bool found = false;
    return printer_->ReportValue(key, found);
  }

  std::unique_ptr<sim::VirtualPrinter> printer_;
  std::string tcp_;
  testing::TempFolder folder_;
};

TEST_F(CliConfig, ReadConfigPrintsOneLinePerAnsweredField) {
  auto r = RunCli({"--tcp", tcp_, "read-config"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.rfind("version: " + Answer("VERSION") + "\nmilage: " + Answer("MILAGE") +
                            "\nchecksum: " + Answer("CHECKSUM") + "\ndpi: 203\ndotsPerMm: 8\n",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\ncodePage: 10 (850)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nbaudRate: 4 (9600)\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nspeed: 4\ndensity: 8\n"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - 16), "stopBits: 0 (1)\n");
  EXPECT_EQ(CountLines(r.out), 37);  // every field of a printer that knows all keys

  // An older printer: no lines for the keys it did not answer.
  sim::PrinterOptions old;
  old.knowsReprint = false;
  Start(old);
  r = RunCli({"--tcp", tcp_, "read-config"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(CountLines(r.out), 34);
  EXPECT_EQ(r.out.find("reprint"), std::string::npos);
  EXPECT_EQ(r.out.find("shiftX"), std::string::npos);
}

TEST_F(CliConfig, ReadConfigJsonUsesNullForUnansweredKeys) {
  sim::PrinterOptions old;
  old.knowsShiftX = false;
  Start(old);
  auto r = RunCli({"--tcp", tcp_, "read-config", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.front(), '{');
  EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
  EXPECT_NE(r.out.find("\"dpi\": 203, \"dotsPerMm\": 8,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"shiftX\": null, \"shiftXBase\": null,"), std::string::npos);
  EXPECT_NE(r.out.find("\"reprint\": 1,"), std::string::npos);
  EXPECT_NE(r.out.find("\"codePage\": 10,"), std::string::npos);
  EXPECT_EQ(r.out.find("Valid"), std::string::npos);
}

TEST_F(CliConfig, SavedFileShowsTheSameAsTheRead) {
  std::string path = Temp("cli_read.dcf");
  auto read = RunCli({"--tcp", tcp_, "read-config", "--save", path});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  std::vector<uint8_t> file = Contents(path);
  ASSERT_EQ(file.size(), 477u);
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 12),
            (std::vector<uint8_t>{0xAA, 0x55, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 469, file.end()), std::vector<uint8_t>(8, 0));

  auto show = RunCli({"show-config", path});
  ASSERT_EQ(show.exitCode, 0) << show.err;
  EXPECT_EQ(show.out, read.out +
                          "unit: 1 (mm)\nheadOpen: 0\npaperJam: 0\noutOfPaper: 0\noutOfRibbon: 0\n"
                          "pause: 0\nprinting: 0\nbit6: 0\notherError: 0\n");
  auto json = RunCli({"show-config", path, "--json"});
  auto readJson = RunCli({"--tcp", tcp_, "read-config", "--json"});
  ASSERT_EQ(json.exitCode, 0);
  EXPECT_EQ(json.out.substr(0, json.out.find(", \"unit\": 1, \"status\": {")),
            readJson.out.substr(0, readJson.out.size() - 2));
}

TEST_F(CliConfig, WriteConfigSendsWhatThePageWouldAfterLoading) {
  PrinterConfig c;
  ResetConfig(c);
  strcpy(c.version, "not sent");
  c.dpiValid = 1, c.dpi = 203.0f, c.dotsPerMm = 8.0f;
  c.speedValid = 1, c.speed = 3.2f;
  c.paperWidthValid = c.paperHeightValid = 1;
  c.paperWidth = 50.004f, c.paperHeight = 30.0f;  // sent as shown: two decimals
  c.sensorModeValid = 1, c.sensorMode = 2;
  c.printOutValid = 1, c.printOut = 1;
  c.cutterPieceValid = 1, c.cutterPiece = 3;  // no cutter: not sent
  c.gapIntenValid = c.conIntenValid = 1;
  c.gapInten = 2, c.conInten = 6;        // continuous: only its intensity
  c.codePageValid = 1, c.codePage = 36;  // outside the list: not sent
  c.baudRateValid = c.dataBitsValid = c.parityValid = c.stopBitsValid = 1;
  c.baudRate = 5, c.dataBits = 1, c.parity = 0, c.stopBits = 0;
  uint8_t image[ConfigFileSize];
  BuildConfigFile(c, 0, PrinterStatus{}, image);  // saved in inch: sent in mm all the same
  std::string path = Temp("cli_write.dcf");
  ASSERT_TRUE(SaveConfigFile(path, image));

  auto r = RunCli({"--tcp", tcp_, "write-config", path});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string want =
      "SPEED 3.2\r\n"
      "SIZE 50.00 mm,30.00 mm\r\n"
      "GAP 0,0\r\n"
      "SET TEAR ON\r\nSET PEEL OFF\r\nSET CUTTER OFF\r\n"
      "SET GAP 6\r\n"
      "SET COM1 19,N,8,1\r\n";
  ASSERT_TRUE(printer_->WaitForReceived(want.size(), 3000));
  EXPECT_EQ(printer_->ReceivedText(), want);

  // The printer took them: a read shows the new values.
  r = RunCli({"--tcp", tcp_, "read-config", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* part : {"\"speed\": 3.2,", "\"paperWidth\": 50,", "\"sensorMode\": 2,",
                           "\"printOut\": 1,", "\"conInten\": 6,", "\"baudRate\": 5,"})
    EXPECT_NE(r.out.find(part), std::string::npos) << part << " in " << r.out;

  // A value the page could not show as a number stops the write unsent.
  c.speed = __builtin_nanf("");
  BuildConfigFile(c, 1, PrinterStatus{}, image);
  ASSERT_TRUE(SaveConfigFile(path, image));
  printer_->ClearReceived();
  r = RunCli({"--tcp", tcp_, "write-config", path});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "'nan' is not a valid floating point value\n");
  EXPECT_EQ(printer_->ReceivedText(), "");
}

TEST_F(CliConfig, DiffConfigComparesFilesAndThePrinter) {
  std::string saved = Temp("cli_diff.dcf");
  ASSERT_EQ(RunCli({"--tcp", tcp_, "read-config", "--save", saved}).exitCode, 0);
  auto r = RunCli({"--tcp", tcp_, "diff-config", saved, "printer"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(RunCli({"diff-config", saved, saved}).exitCode, 0);

  printer_->OverrideReport("SPEED", "6");
  printer_->OverrideReport("CODEPAGE", "866");
  r = RunCli({"--tcp", tcp_, "diff-config", saved, "printer"});
  EXPECT_EQ(r.exitCode, 6) << r.err;
  EXPECT_EQ(r.out, "speed: 4 -> 6\ncodePage: 10 -> 36\n");
  r = RunCli({"--tcp", tcp_, "diff-config", "printer", saved});
  EXPECT_EQ(r.out, "speed: 6 -> 4\ncodePage: 36 -> 10\n");
}

TEST_F(CliConfig, BadFilesAndLinkFailures) {
  std::string text = Temp("cli_text.dcf");
  std::ofstream(text) << "SIZE 4,2\r\nthis is a text file, not a configuration\r\n";
  for (const std::vector<std::string>& args : {std::vector<std::string>{"show-config", text},
                                               {"--tcp", tcp_, "write-config", text},
                                               {"--tcp", tcp_, "diff-config", text, "printer"}}) {
    auto r = RunCli(args);
    EXPECT_EQ(r.exitCode, 4) << args[args.size() - 2];
    EXPECT_EQ(r.err, "File Data Error\n");
    EXPECT_EQ(r.out, "");
  }
  // A file that starts like one but is cut short is refused the same way.
  std::ofstream(Temp("cli_short.dcf"), std::ios::binary).write("\xAA\x55\x00\x00\x01\x00", 6);
  EXPECT_EQ(RunCli({"show-config", Temp("cli_short.dcf")}).err, "File Data Error\n");

  auto r = RunCli({"show-config", Temp("no_such_file.dcf")});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("File Open Error\n"), std::string::npos);
  EXPECT_EQ(printer_->ReceivedText(), "");  // nothing went to the printer

  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  r = RunCli({"--tcp", refusing.Address(), "read-config"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Port Open Error\nThe printer refused the connection.\n");
  r = RunCli({"--tcp", refusing.Address(), "diff-config", "printer", "printer"});
  EXPECT_EQ(r.exitCode, 1);
  printer_->ForgetReport("HEAD");
  r = RunCli({"--tcp", tcp_, "read-config", "--save", Temp("cli_never.dcf")});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "Data Receiving Error\n");
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(Contents(Temp("cli_never.dcf")).empty());  // no file for a failed read
  r = RunCli({"--lpt", "/nonexistent/lp", "read-config"});
  EXPECT_EQ(r.exitCode, 3);
  // A save that cannot be made is reported after the output.
  printer_->OverrideReport("HEAD", "1");
  r = RunCli({"--tcp", tcp_, "read-config", "--save", "/nonexistent/dir/x.dcf"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("File Open Error"), std::string::npos);
}

TEST(CliConfigUsage, BadUsageExits64) {
  EXPECT_EQ(RunCli({"read-config", "--xml"}).exitCode, 64);
  EXPECT_EQ(RunCli({"read-config", "--save"}).exitCode, 64);
  EXPECT_EQ(RunCli({"write-config"}).exitCode, 64);
  EXPECT_EQ(RunCli({"write-config", "a.dcf", "b.dcf"}).exitCode, 64);
  EXPECT_EQ(RunCli({"show-config"}).exitCode, 64);
  EXPECT_EQ(RunCli({"show-config", "--json"}).exitCode, 64);
  EXPECT_EQ(RunCli({"diff-config", "a.dcf"}).exitCode, 64);
}

}  // namespace
}  // namespace varnalux
