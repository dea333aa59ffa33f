// The byte-stream interpreter on its own: input split anywhere, escape
// sequences inside lines, raw data after DOWNLOAD and DUMP_TEXT headers,
// and garbage.
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

const std::string kSession =
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
  for (size_t piece : {kSession.size(), size_t{1}, size_t{2}, size_t{7}}) {
    PrinterOptions options;
    options.statusByte = 0x40;
    PrinterCore core(options);
    EXPECT_EQ(FeedInPieces(core, kSession, piece), expected) << "pieces of " << piece;
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

TEST(Interpreter, DumpKeepsEverythingAfterTheHeaderUntilTheConnectionEnds) {
  PrinterCore core(PrinterOptions{});
  std::string after = "SIZE 10 mm,10 mm\r\n\x1b!?DIAGNOSTIC REPORT DPI\r\n";
  std::string answers = FeedInPieces(core, "DUMP_TEXT PRINT," + after, 4);
  EXPECT_EQ(answers, "");  // nothing is executed in dump mode
  EXPECT_EQ(core.dumpText, after);
  EXPECT_NEAR(core.config.Settings().paperWidthMm, 101.6, 1e-9);
}

TEST(Interpreter, SavedDumpBecomesAFileAndStopsAtItsLimit) {
  PrinterCore core(PrinterOptions{});
  std::string text =
      "DUMP_TEXT SAVE 5,E,\"d.txt\",HELLO"
      "DIAGNOSTIC REPORT DPI\r\n";
  EXPECT_EQ(FeedInPieces(core, text, 1), "{3|203}");
  std::string file;
  ASSERT_TRUE(core.memory.Get(DeviceCard, "d.txt", file));
  EXPECT_EQ(file, "HELLO");

  PrinterCore other(PrinterOptions{});
  FeedInPieces(other, "DUMP_TEXT SAVE 1000,\"Dump.txt\",abc\r\n", 2);
  ASSERT_TRUE(other.memory.Find("Dump.txt", file));
  EXPECT_EQ(file, "abc\r\n");
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
  EXPECT_GT(s.paperWidthMm, 0);
  EXPECT_LE(s.paperWidthMm, 1000);
  EXPECT_GE(s.gapMm, 0);
  EXPECT_LE(std::abs(s.shift), 1000);
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
