// The byte-stream interpreter on its own: input split anywhere, escape
// sequences inside lines, raw data after DOWNLOAD and DUMP_TEXT headers, a
// dump spread over several connections, and garbage.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "sim/command_interpreter.h"
#include "sim/printer_core.h"

namespace varnalux::sim {
namespace {

std::string Join(const std::vector<std::string>& answers) {
  std::string all;
  for (const std::string& a : answers) all += a;
  return all;
}

// Feeds text in pieces of the given size; gives all answers.
std::string FeedInPieces(PrinterCore& core, const std::string& text, size_t piece) {
  CommandInterpreter interpreter(core);
  std::vector<std::string> answers;
  for (size_t at = 0; at < text.size(); at += piece) {
    size_t n = std::min(piece, text.size() - at);
    interpreter.Feed(reinterpret_cast<const uint8_t*>(text.data() + at), n, answers);
  }
  interpreter.Finish();
  return Join(answers);
}

const std::string Session =
    "\r\nDIAGNOSTIC INTERFACE COM\r\n"
    "SIZE 50.80 mm,25.40 mm\r\n"
    "DIAGNOSTIC REPORT PAPERWIDTH\r\n"
    "\x1b!?"
    "DIAGNOSTIC REPORT PAPERHEIGHT\n"  // bare LF
    "DIAGNOSTIC REPORT NOSUCHKEY\r\n"
    "DOWNLOAD F,\"A.BAS\",6,ab\r\n{}"
    "DIAGNOSTIC REPORT FFILELIST\r\n"
    "LOAD \"A.BAS\"\r\n";

TEST(Interpreter, SplitInputGivesTheSameAnswersAsWholeInput) {
  const std::string expected =
      "{2|OK}{3|406}" + std::string(1, '\x40') + "{3|203}{5|A.BAS}{0|}ab\r\n{}";
  for (size_t piece : {Session.size(), size_t{1}, size_t{2}, size_t{7}}) {
    PrinterOptions options;
    options.statusByte = 0x40;
    PrinterCore core(options);
    EXPECT_EQ(FeedInPieces(core, Session, piece), expected) << "pieces of " << piece;
    std::string file;
    ASSERT_TRUE(core.memory.Get(DeviceFlash, "A.BAS", file));
    EXPECT_EQ(file, "ab\r\n{}");
  }
}

TEST(Interpreter, StatusQueryInsideAPartialLineLeavesTheLineIntact) {
  PrinterOptions options;
  options.statusByte = 0x81;
  PrinterCore core(options);
  EXPECT_EQ(FeedInPieces(core, "DIAGNOSTIC REP\x1b!?ORT DPI\r\n", 1), "\x81{3|203}");
}

TEST(Interpreter, EscapeWithoutBangIsText) {
  PrinterCore core(PrinterOptions{});
  // ESC x is not a printer escape: the line is not a command.
  EXPECT_EQ(FeedInPieces(core, "\x1bxDIAGNOSTIC REPORT DPI\r\n", 1), "");
  EXPECT_EQ(core.ignored.size(), 1u);
}

TEST(Interpreter, ResetDropsThePartialLineButKeepsSettings) {
  PrinterCore core(PrinterOptions{});
  std::string answers =
      FeedInPieces(core, "SPEED 6\r\nDIAGNOSTIC REPORT SP\x1b!RDIAGNOSTIC REPORT SPEED\r\n", 3);
  EXPECT_EQ(answers, "{1|6}");
  EXPECT_EQ(core.resets, 1);
}

// Feeds text to an interpreter of its own (one connection) in pieces.
std::string Connection(PrinterCore& core, const std::string& text, size_t piece) {
  return FeedInPieces(core, text, piece);
}

TEST(Interpreter, DumpKeepsTheBytesAfterItsHeaderAndStillAnswersTheStatus) {
  for (size_t piece : {size_t{1}, size_t{2}, size_t{5}, size_t{4096}}) {
    SCOPED_TRACE(piece);
    PrinterOptions options;
    options.statusByte = 0x40;
    PrinterCore core(options);
    // Nothing but ESC ! ? is executed in dump mode; other escapes are text.
    std::string answers = Connection(
        core,
        "DUMP_TEXT PRINT,SIZE 10 mm,10 mm\r\n\x1b!?DIAGNOSTIC \x1b!REPORT DPI\r\n\x1bx\x1b\x1b!?",
        piece);
    EXPECT_EQ(answers, "\x40\x40");
    EXPECT_EQ(core.dump.text, "SIZE 10 mm,10 mm\r\nDIAGNOSTIC \x1b!REPORT DPI\r\n\x1bx\x1b");
    EXPECT_EQ(core.config.Settings().paperWidthDots, 812);
    // The connection is gone, the dump goes on; the control channel ends it.
    EXPECT_TRUE(core.dump.active);
    EXPECT_EQ(core.labelsPrinted, 0);
    EXPECT_TRUE(core.EndDump());
    EXPECT_EQ(core.labelsPrinted, 1);  // a PRINT dump ends as a printed label
    EXPECT_EQ(Connection(core, "DIAGNOSTIC REPORT DPI\r\n", piece), "{3|203}");
  }
}

// The technician starts the dump, the application prints on its own
// connections, and the load-back comes on one more.
TEST(Interpreter, DumpSpansConnectionsAndALoadLineEndsIt) {
  for (size_t piece : {size_t{1}, size_t{3}, size_t{4096}}) {
    SCOPED_TRACE(piece);
    PrinterCore core(PrinterOptions{});
    EXPECT_EQ(Connection(core, "DUMP_TEXT SAVE 1000,\"Dump.txt\",", piece), "");
    // Lines that only look like a LOAD line are text.
    EXPECT_EQ(Connection(core, "SIZE 4,2\r\n  loaded\r\nLOAD\r\nsay LOAD \"Dump.txt\"\r\n", piece),
              "");
    // A partial line, even one held back as a possible LOAD line, is kept
    // as it came when its connection ends.
    EXPECT_EQ(Connection(core, "\x1b!?LOA", piece), std::string(1, '\0'));
    EXPECT_EQ(Connection(core, "\r\n LOAD \"Dump.txt\"\r\n\r\nDIAGNOSTIC REPORT DPI\r\n", piece),
              "SIZE 4,2\r\n  loaded\r\nLOAD\r\nsay LOAD \"Dump.txt\"\r\nLOA\r\n{3|203}");
    EXPECT_FALSE(core.dump.active);
    std::string file;
    ASSERT_TRUE(core.memory.Get(DeviceDram, "Dump.txt", file));
    EXPECT_EQ(file, core.dump.text);
    EXPECT_EQ(core.labelsPrinted, 0);
  }
}

TEST(Interpreter, DumpLimitCountsAcrossConnectionsAndTheRestAreCommands) {
  for (size_t piece : {size_t{1}, size_t{3}, size_t{4096}}) {
    SCOPED_TRACE(piece);
    PrinterCore core(PrinterOptions{});
    Connection(core, "DUMP_TEXT SAVE 10,E,\"d.txt\",HELLO", piece);
    // The limit falls inside a line held back as a possible LOAD line: its
    // first bytes complete the dump, the rest are a command line.
    EXPECT_EQ(Connection(core, "\r\nLOADED 12345\r\nDIAGNOSTIC REPORT DPI\r\n", piece), "{3|203}");
    std::string file;
    ASSERT_TRUE(core.memory.Get(DeviceCard, "d.txt", file));
    EXPECT_EQ(file, "HELLO\r\nLOA");
    EXPECT_FALSE(core.dump.active);
    ASSERT_FALSE(core.ignored.empty());
    EXPECT_EQ(core.ignored.back(), "DED 12345");
  }
}

TEST(Interpreter, IncompleteDownloadIsNotStored) {
  PrinterCore core(PrinterOptions{});
  FeedInPieces(core, "DOWNLOAD \"X.DAT\",10,abc", 1);
  std::string file;
  EXPECT_FALSE(core.memory.Find("X.DAT", file));
}

TEST(Interpreter, OverlongLineIsIgnoredAndTheNextLineWorks) {
  PrinterCore core(PrinterOptions{});
  std::string junk(LineMax + 100, 'A');
  EXPECT_EQ(FeedInPieces(core, junk + "\r\nDIAGNOSTIC REPORT DPI\r\n", 4096), "{3|203}");
}

TEST(Interpreter, GarbageNeverCrashesAndLeavesTheSettingsSane) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> byte(0, 255);
  // Fragments of real commands mixed with random bytes.
  const std::vector<std::string> words = {
      "SIZE ",     "GAP ",        "mm",      ",",
      "\r\n",      "DOWNLOAD ",   "\"",      "DUMP_TEXT SAVE ",
      "SHIFT ",    "-",           "9",       "1e308",
      "SET COM1 ", "\x1b!",       "LOAD ",   "DIAGNOSTIC REPORT ",
      "OFFSET ",   "99999999999", " dot",    "YEAR = ",
      "KILL ",     "NET IP ",     "CLS\r\n", "PRINT 1\r\n"};
  PrinterCore core(PrinterOptions{});
  CommandInterpreter interpreter(core);
  std::vector<std::string> answers;
  for (int round = 0; round < 20000; ++round) {
    std::string piece = random() % 2 ? words[random() % words.size()]
                                     : std::string(1, static_cast<char>(byte(random)));
    interpreter.Feed(reinterpret_cast<const uint8_t*>(piece.data()), piece.size(), answers);
  }
  interpreter.Finish();
  const PrinterSettings& s = core.config.Settings();
  EXPECT_GT(s.paperWidthDots, 0);
  EXPECT_LE(s.paperWidthDots, 8000);  // 1000 mm at 8 dots per mm
  EXPECT_GE(s.gapDots, 0);
  EXPECT_LE(std::abs(s.shift), 1000);
  core.EndDump();  // a dump may have been started and would take the query
  // After the storm the printer still answers.
  std::vector<std::string> after;
  CommandInterpreter fresh(core);
  std::string query = "\r\nDIAGNOSTIC REPORT DPI\r\n";
  fresh.Feed(reinterpret_cast<const uint8_t*>(query.data()), query.size(), after);
  EXPECT_EQ(Join(after), "{3|203}");
}

TEST(Interpreter, LabelProgramIsKeptFromClsToPrint) {
  PrinterCore core(PrinterOptions{});
  FeedInPieces(core,
               "SPEED 3\r\nCLS\r\nDIRECTION 1,0\r\nBOX 16,16,784,384,4\r\nTEXT  1,2,\"0\",0,1,1,"
               "\"T\"\r\nPRINT 1\r\nSPEED 4\r\n",
               5);
  EXPECT_EQ(core.lastLabelProgram,
            "CLS\r\nDIRECTION 1,0\r\nBOX 16,16,784,384,4\r\nTEXT  1,2,\"0\",0,1,1,\"T\"\r\nPRINT "
            "1\r\n");
  EXPECT_EQ(core.labelsPrinted, 1);
  EXPECT_EQ(core.config.Settings().direction, 1);  // DIRECTION is a setting too
}

}  // namespace
}  // namespace varnalux::sim
