// The printer list file in both its forms, the JSON reader behind its second
// form, and the pieces of a fleet run's report.
#include "app/cli/printer_list.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/cli/fleet_report.h"
#include "app/cli/fleet_run.h"
#include "app/cli/json_reader.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

std::vector<ListedPrinter> Parse(const std::string& text) {
  std::vector<ListedPrinter> printers;
  ListError error;
  EXPECT_TRUE(ParsePrinterList(text, printers, error)) << error.line << ": " << error.why;
  return printers;
}

ListError Refused(const std::string& text) {
  std::vector<ListedPrinter> printers;
  ListError error;
  EXPECT_FALSE(ParsePrinterList(text, printers, error)) << text;
  EXPECT_TRUE(printers.empty());
  return error;
}

TEST(PrinterList, LinesNameEveryKindOfLinkWithCommentsAndBlankLines) {
  const auto p = Parse(
      "# the dock\r\n"
      "\n"
      "dock-3   tcp:10.0.4.21   # the first\n"
      "  dock-4\ttcp:10.0.4.22:9101\n"
      "lab_v6 tcp:[fe80::1%eth0]:9100\n"
      "bench com:COM3 baud=115200 parity=even stop=2 data=7 hw=none sw=xonxoff\n"
      "tty com:/dev/ttyUSB0\n"
      "shelf lpt:LPT2\n"
      "desk usb");
  ASSERT_EQ(p.size(), 7u);
  EXPECT_EQ(p[0].name, "dock-3");
  EXPECT_EQ(p[0].line, 3);
  EXPECT_EQ(p[0].settings.kind, KindEthernet);
  EXPECT_STREQ(p[0].settings.tcp.host, "10.0.4.21");
  EXPECT_EQ(p[0].settings.tcp.port, 9100);
  EXPECT_EQ(p[0].link, "tcp:10.0.4.21");
  EXPECT_EQ(p[1].settings.tcp.port, 9101);
  EXPECT_EQ(p[1].line, 4);
  EXPECT_STREQ(p[2].settings.tcp.host, "fe80::1%eth0");
  EXPECT_EQ(p[2].settings.tcp.port, 9100);
  EXPECT_EQ(p[3].settings.kind, KindCom);
  EXPECT_STREQ(p[3].settings.serial.portName, "COM3");
  EXPECT_EQ(p[3].settings.serial.baudIndex, 6);
  EXPECT_EQ(p[3].settings.serial.parityIndex, 2);
  EXPECT_EQ(p[3].settings.serial.stopBitsIndex, 2);
  EXPECT_EQ(p[3].settings.serial.dataBitsIndex, 0);
  EXPECT_EQ(p[3].settings.serial.hwHandshakeIndex, 0);
  EXPECT_EQ(p[3].settings.serial.swHandshakeIndex, 1);
  EXPECT_EQ(p[3].link, "com:COM3 baud=115200 parity=even stop=2 data=7 hw=none sw=xonxoff");
  // Settings not given are the link options' own defaults: 9600, RTS.
  EXPECT_STREQ(p[4].settings.serial.portName, "/dev/ttyUSB0");
  EXPECT_EQ(p[4].settings.serial.baudIndex, 2);
  EXPECT_EQ(p[4].settings.serial.hwHandshakeIndex, 1);
  EXPECT_EQ(p[5].settings.kind, KindLpt);
  EXPECT_STREQ(p[5].settings.parallel, "LPT2");
  EXPECT_EQ(p[6].settings.kind, KindUsb);
}

TEST(PrinterList, ABadLineIsNamedByItsNumberWithTheReason) {
  struct Case {
    std::string text;
    int line;
    const char* says;
  };
  const Case cases[] = {
      {"a tcp:1.2.3.4\nb\n", 2, "a name and a link"},
      {"a tcp:1.2.3.4\n\n# c\nb tcp:1.2.3.4:70000\n", 4, "bad link 'tcp:1.2.3.4:70000'"},
      {"a tcp:[::1\n", 1, "bad link"},
      {"a tcp:\n", 1, "tcp: needs an address"},
      {"a com:\n", 1, "com: needs a port"},
      {"a ftp:host\n", 1, "unknown link 'ftp:host'"},
      {"a 10.0.0.1\n", 1, "unknown link"},
      {"a com:COM1 baud=300\n", 1, "bad --baud 300"},
      {"a com:COM1 speed=9600\n", 1, "bad serial setting 'speed=9600'"},
      {"a com:COM1 baud=9600 baud=4800\n", 1, "baud= given twice"},
      {"a tcp:1.2.3.4 baud=9600\n", 1, "only a com: link takes settings"},
      {"a usb extra\n", 1, "only a com: link takes settings"},
      {"../etc tcp:1.2.3.4\n", 1, "the name '../etc' may hold only"},
      {".hidden tcp:1.2.3.4\n", 1, "not start with a dot"},
      {"a/b tcp:1.2.3.4\n", 1, "may hold only"},
      {"caf\xC3\xA9 tcp:1.2.3.4\n", 1, "the name 'caf\xC3\xA9'"},
      {"bell\x07 tcp:1.2.3.4\n", 1, "the name 'bell\\x07'"},
      {std::string(65, 'n') + " tcp:1.2.3.4\n", 1, "at most 64 characters"},
      {"# nothing here\n\n", 0, "no printer in the list"},
      {"", 0, "no printer in the list"},
  };
  for (const Case& c : cases) {
    const ListError e = Refused(c.text);
    EXPECT_EQ(e.line, c.line) << c.text;
    EXPECT_NE(e.why.find(c.says), std::string::npos) << c.text << " -> " << e.why;
  }
  // A name of exactly the longest length is taken.
  EXPECT_EQ(Parse(std::string(64, 'n') + " usb\n").size(), 1u);
}

TEST(PrinterList, ANameIsTakenOnceAcrossBothForms) {
  ListError e = Refused("dock tcp:1.2.3.4\nother usb\ndock tcp:1.2.3.5\n");
  EXPECT_EQ(e.line, 3);
  EXPECT_EQ(e.why, "the name 'dock' is taken by line 1");
  e = Refused("[{\"targets\": [\"1.2.3.4\", \"1.2.3.5\"],\n  \"labels\": {\"name\": \"dock\"}}]");
  EXPECT_EQ(e.line, 1);
  EXPECT_EQ(e.why, "the name 'dock' is taken by line 1");
  // Names differ by case: both stand.
  EXPECT_EQ(Parse("Dock usb\ndock tcp:1.2.3.4\n").size(), 2u);
}

TEST(PrinterList, PrometheusTargetsAreNamedByLabelOrByAddress) {
  const auto p = Parse(
      "[\n"
      "  {\"targets\": [\"10.0.4.21:9100\"], \"labels\": {\"name\": \"dock-3\", \"site\": "
      "\"b\"}},\n"
      "  {\"targets\": [\"10.0.4.22\",\n"
      "               \"[fe80::1%eth0]:9101\"]},\n"
      "  {\"targets\": []}\n"
      "]\n");
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].name, "dock-3");
  EXPECT_EQ(p[0].link, "tcp:10.0.4.21:9100");
  EXPECT_EQ(p[0].line, 2);
  EXPECT_EQ(p[1].name, "10.0.4.22");
  EXPECT_EQ(p[1].settings.tcp.port, 9100);
  EXPECT_EQ(p[2].name, "fe80__1_eth0_9101");
  EXPECT_EQ(p[2].line, 4);
  EXPECT_STREQ(p[2].settings.tcp.host, "fe80::1%eth0");
  EXPECT_EQ(p[2].settings.tcp.port, 9101);
}

TEST(PrinterList, HostileJsonIsRefusedWithItsLine) {
  struct Case {
    std::string text;
    int line;
    const char* says;
  };
  const Case cases[] = {
      {"[{\"targets\": [\"1.2.3.4\"]},\n {\"targets\": [42]}]", 2, "a target must be a string"},
      {"[{\"targets\": \"1.2.3.4\"}]", 1, "needs one \"targets\" array"},
      {"[{\"labels\": {\"name\": \"x\"}}]", 1, "needs one \"targets\" array"},
      {"[{\"targets\": [\"1.2.3.4\"], \"targets\": [\"1.2.3.5\"]}]", 1, "one \"targets\""},
      {"[{\"targets\": [\"1.2.3.4\"], \"labels\": []}]", 1, "\"labels\" must be one object"},
      {"[{\"targets\": [\"1.2.3.4\"], \"labels\": {\"name\": 7}}]", 1, "name label must be"},
      {"[{\"targets\": [\"1.2.3.4\"],\n\"labels\": {\"name\": \"../x\"}}]", 1, "may hold only"},
      {"[\"1.2.3.4\"]", 1, "a target group must be an object"},
      {"[{\"targets\": [\"1.2.3.4:0\"]}]", 1, "bad link 'tcp:1.2.3.4:0'"},
      {"[{\"targets\": [\"a\"]}\n\n", 3, "the text ends inside an array"},
      {"[{\"targets\": [\"a\"]}] x", 1, "more text after the value"},
      {"[{\"targets\": [\"\xFF\"]}]", 1, "not UTF-8"},
      {"[{\"targets\": [\"a\x01\"]}]", 1, "a control character"},
      {"[{\"targets\": [\"\\ud800\"]}]", 1, "lone surrogate"},
      {"[{\"targets\": [\"\\x41\"]}]", 1, "a bad escape"},
      {"[{\"targets\": [01]}]", 1, "leading zero"},
      {"[{\"targets\": [tru]}]", 1, "not a JSON value"},
      {std::string(100, '[') + std::string(100, ']'), 1, "nested deeper than 64"},
      {"{\"targets\": [\"1.2.3.4\"]}", 0, ""},  // the list must be an array: not JSON form
  };
  for (const Case& c : cases) {
    if (c.line == 0) continue;
    const ListError e = Refused(c.text);
    EXPECT_EQ(e.line, c.line) << c.text << " -> " << e.why;
    EXPECT_NE(e.why.find(c.says), std::string::npos) << c.text << " -> " << e.why;
  }
  // An object is read as the line form, whose first word is no name.
  EXPECT_EQ(Refused("{\"targets\": [\"1.2.3.4\"]}").line, 1);
  // A name label with escapes that make it unsafe is refused like a line's name.
  EXPECT_NE(Refused("[{\"targets\": [\"1.2.3.4\"], \"labels\": {\"name\": \"a\\u0000b\"}}]")
                .why.find("may hold only"),
            std::string::npos);
}

TEST(PrinterList, FileErrorsStartWithTheFileAndTheLine) {
  testing::TempFolder folder;
  std::vector<ListedPrinter> printers;
  std::string error;
  const std::string path = folder.Write("printers", "a usb\nb nothing:x\n");
  EXPECT_FALSE(LoadPrinterList(path, printers, error));
  EXPECT_EQ(error, path + ":2: unknown link 'nothing:x' (tcp:ADDRESS, com:PORT, lpt:PORT or usb)");
  EXPECT_FALSE(LoadPrinterList(folder.Path("missing"), printers, error));
  EXPECT_EQ(error, folder.Path("missing") + ": cannot open the printer list");
  EXPECT_FALSE(LoadPrinterList(folder.Path(), printers, error));
  EXPECT_EQ(error, folder.Path() + ": the printer list is not a regular file");
  // A FIFO is refused at once, not waited on.
  const std::string fifo = folder.Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(LoadPrinterList(fifo, printers, error));
  EXPECT_EQ(error, fifo + ": the printer list is not a regular file");
  const std::string empty = folder.Write("empty", "");
  EXPECT_FALSE(LoadPrinterList(empty, printers, error));
  EXPECT_EQ(error, empty + ": no printer in the list");
  EXPECT_TRUE(LoadPrinterList(folder.Write("good", "a usb\n"), printers, error)) << error;
  EXPECT_EQ(printers.size(), 1u);
}

TEST(PrinterList, NamesMadeFromAnyTextAreAllowedAndUnique) {
  const std::vector<std::string> texts{
      "Front Desk", "10.0.4.21:9100",     "[::1]:9100",         ".x",
      "",           "caf\xC3\xA9\x1B[2J", std::string(200, 'z')};
  for (const std::string& text : texts) {
    const std::string name = ListNameFrom(text);
    EXPECT_TRUE(ListNameAllowed(name)) << text << " -> " << name;
  }
  EXPECT_EQ(ListNameFrom("Front Desk"), "Front_Desk");
  EXPECT_EQ(ListNameFrom(""), "printer");
  EXPECT_EQ(ListNameFrom(".x"), "_x");
  const std::set<std::string> taken{"a", "a-2", std::string(64, 'b')};
  EXPECT_EQ(UniqueListName("c", taken), "c");
  EXPECT_EQ(UniqueListName("a", taken), "a-3");
  EXPECT_EQ(UniqueListName(std::string(64, 'b'), taken), std::string(62, 'b') + "-2");
}

// Entries that reach one device share a lane, served in list order; every
// network printer has a lane of its own.
TEST(FleetLanes, OneLaneADeviceAndOneANetworkPrinter) {
  testing::TempFolder folder;
  const std::string device = folder.Write("tty", "");
  const std::string link = folder.Path("link");
  ASSERT_EQ(symlink(device.c_str(), link.c_str()), 0);
  // A serial port name has at most 23 bytes: the two serial entries reach
  // the file through port names, one of them through the link.
  setenv("VARNALUX_COM8", device.c_str(), 1);
  setenv("VARNALUX_COM9", link.c_str(), 1);
  const auto printers = Parse(
      "a com:COM8\nb tcp:10.0.0.1\nc usb\nd com:COM9\ne tcp:10.0.0.1\n"
      "f usb\ng lpt:" +
      link + "\nh com:COM10\n");
  using Lanes = std::vector<std::vector<size_t>>;
  EXPECT_EQ(FleetLanes(printers), (Lanes{{0, 3, 6}, {1}, {2, 5}, {4}, {7}}));
  unsetenv("VARNALUX_COM8");
  unsetenv("VARNALUX_COM9");
  EXPECT_EQ(DeviceKey(printers[1].settings), "");
  EXPECT_EQ(DeviceKey(printers[2].settings), "usb");
}

TEST(FleetLanes, NameStandsForEveryPlaceholder) {
  EXPECT_EQ(WithPrinterName({"--save", "b/{name}/{name}.dcf", "{nam}", "{NAME}"}, "dock-3"),
            (CliArgs{"--save", "b/dock-3/dock-3.dcf", "{nam}", "{NAME}"}));
}

TEST(JsonReader, ReadsValuesAndWritesThemOnOneLine) {
  JsonValue v;
  JsonError e;
  ASSERT_TRUE(ReadJson(
      " {\"a\": [1, -2.5e+3, true, false, null],\n \"b\": \"x\\\"\\u00e9\\ud83d\\ude00\\n\","
      " \"c\": {}} ",
      v, e))
      << e.why;
  EXPECT_EQ(
      CompactJson(v),
      "{\"a\": [1, -2.5e+3, true, false, null], \"b\": \"x\\\"\xC3\xA9\xF0\x9F\x98\x80\\u000A\", "
      "\"c\": {}}");
  ASSERT_NE(v.Member("b"), nullptr);
  EXPECT_EQ(v.Member("b")->text, "x\"\xC3\xA9\xF0\x9F\x98\x80\n");
  EXPECT_EQ(v.Member("b")->line, 2);
  for (const char* bad : {"", "[", "[1,]", "{\"a\" 1}", "{\"a\": 1,}", "1.", "-", "1e", "\"a",
                          "nul", "[1] [2]", "\"\\u12\"", "{1: 2}"})
    EXPECT_FALSE(ReadJson(bad, v, e)) << bad;
  // As deep as allowed, and one deeper.
  EXPECT_TRUE(ReadJson(std::string(JsonDepthMax, '[') + std::string(JsonDepthMax, ']'), v, e));
  EXPECT_FALSE(
      ReadJson(std::string(JsonDepthMax + 1, '[') + std::string(JsonDepthMax + 1, ']'), v, e));
}

TEST(FleetReport, BlocksLinesAndSummaryTellEachPrinterAndTheWorst) {
  std::vector<ListedPrinter> printers(2);
  printers[0].name = "a";
  printers[0].link = "tcp:127.0.0.1:1";
  printers[1].name = "longer";
  printers[1].link = "usb";
  FleetReport text(printers, false, true, nullptr);
  PrinterOutcome ok{0, 0.126, "{\"ready\": true,\n \"x\": [1]}\n", ""};
  PrinterOutcome failed{3, 3.004, "", "Data Receiving Error\n"};
  EXPECT_EQ(text.TextBlock(printers[0], ok),
            "a       0  OK  0.13s\n    {\"ready\": true,\n     \"x\": [1]}\n");
  EXPECT_EQ(text.TextBlock(printers[1], failed),
            "longer  3  Data Receiving Error  3.00s\n    Data Receiving Error\n");
  // Output that is valid JSON is embedded (on one line) when the command was
  // given --json; anything else is a string.
  EXPECT_EQ(text.JsonLine(printers[0], ok),
            "{\"name\": \"a\", \"link\": \"tcp:127.0.0.1:1\", \"code\": 0, \"result\": \"OK\", "
            "\"seconds\": 0.13, \"output\": {\"ready\": true, \"x\": [1]}, \"errors\": \"\"}\n");
  PrinterOutcome notJson{0, 0, "Ready\n\x1B[2J", ""};
  EXPECT_NE(text.JsonLine(printers[0], notJson).find("\"output\": \"Ready\\u000A\\u001B[2J\""),
            std::string::npos);
  FleetReport plain(printers, true, false, nullptr);
  EXPECT_NE(plain.JsonLine(printers[0], ok).find("\"output\": \"{\\\"ready\\\": true,\\u000A"),
            std::string::npos);

  EXPECT_EQ(WorseCode(0, 6), 6);
  EXPECT_EQ(WorseCode(6, 1), 1);
  EXPECT_EQ(WorseCode(5, 2), 5);
  EXPECT_EQ(WorseCode(2, 0), 2);
  EXPECT_EQ(WorseCode(5, 64), 64);
  EXPECT_EQ(FleetResultText(6), "configurations differ");
  EXPECT_EQ(FleetResultText(4), "File Open Error");
}

}  // namespace
}  // namespace varnalux
