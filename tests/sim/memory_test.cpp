// The printer's memory devices: downloads of any bytes, space that shrinks
// and runs out, KILL, LOAD, and the control commands that show the files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/command_interpreter.h"
#include "sim/file_sums.h"
#include "sim/printer_core.h"
#include "sim/virtual_printer.h"

namespace varnalux::sim {
namespace {

std::string Feed(PrinterCore& core, const std::string& bytes, size_t piece) {
  CommandInterpreter interpreter(core);
  std::vector<std::string> answers;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    size_t n = std::min(piece, bytes.size() - at);
    interpreter.Feed(reinterpret_cast<const uint8_t*>(bytes.data() + at), n, answers);
  }
  interpreter.Finish();
  std::string all;
  for (const std::string& a : answers) all += a;
  return all;
}

TEST(Memory, DownloadDataOfAnyBytesIsStoredAndNotRun) {
  std::string data("\r\nKILL \"*.*\"\r\n\x1b!R\x1b!?\0DOWNLOAD \"Y\",1,Z\r\n", 38);
  for (size_t piece : {size_t{1}, size_t{3}, size_t{4096}}) {
    PrinterCore core(PrinterOptions{});
    ASSERT_TRUE(core.memory.Put(DeviceDram, "OLD.BAS", "keep"));
    std::string header = "DOWNLOAD \"BIN.DAT\"," + std::to_string(data.size()) + ",";
    // No answer: the ESC ! ? inside the data is data.
    EXPECT_EQ(Feed(core, header + data + "DIAGNOSTIC REPORT DFREESPACE\r\n", piece), "{4|1022}")
        << piece;
    std::string stored;
    ASSERT_TRUE(core.memory.Get(DeviceDram, "BIN.DAT", stored));
    EXPECT_EQ(stored, data);
    EXPECT_TRUE(core.memory.Get(DeviceDram, "OLD.BAS", stored));
    EXPECT_FALSE(core.memory.Find("Y", stored));
    EXPECT_EQ(core.resets, 0);
  }
}

TEST(Memory, SpaceShrinksAsFilesArriveAndAFullDeviceRefusesVisibly) {
  PrinterCore core(PrinterOptions{});
  EXPECT_EQ(core.memory.FreeKb(DeviceFlash), 8192);
  Feed(core, "DOWNLOAD F,\"A.BMP\",2049," + std::string(2049, 'a'), 512);
  EXPECT_EQ(core.memory.FreeKb(DeviceFlash), 8189);  // whole KB blocks
  ASSERT_TRUE(core.memory.Fill(DeviceFlash));
  EXPECT_EQ(core.memory.FreeKb(DeviceFlash), 0);
  Feed(core, "DOWNLOAD F,\"B.BMP\",1,bDIAGNOSTIC REPORT DPI\r\n", 7);
  std::string stored;
  EXPECT_FALSE(core.memory.Get(DeviceFlash, "B.BMP", stored));
  ASSERT_FALSE(core.ignored.empty());
  EXPECT_EQ(core.ignored.back(), "DOWNLOAD F,\"B.BMP\",1, (no room)");
  // The filled space is not given back by KILL; the file's space is.
  Feed(core, "KILL F,\"*.*\"\r\n", 64);
  EXPECT_TRUE(core.memory.Names(DeviceFlash).empty());
  EXPECT_EQ(core.memory.FreeKb(DeviceFlash), 3);
  // Empty files take no space; other devices are untouched.
  Feed(core, "DOWNLOAD E,\"EMPTY\",0,", 64);
  EXPECT_TRUE(core.memory.Get(DeviceCard, "EMPTY", stored));
  EXPECT_EQ(core.memory.FreeKb(DeviceCard), 32768);
}

TEST(Memory, ADownloadBeyondWhatThePrinterHoldsIsReadToItsEndAndRefused) {
  PrinterCore core(PrinterOptions{});
  CommandInterpreter interpreter(core);
  std::vector<std::string> answers;
  std::string header = "DOWNLOAD \"HUGE\"," + std::to_string(DownloadMax + 1) + ",";
  interpreter.Feed(reinterpret_cast<const uint8_t*>(header.data()), header.size(), answers);
  // Data that looks like a status query and a report must not be answered.
  std::string chunk(1 << 20, '\0');
  chunk.replace(0, 3, "\x1b!?");
  size_t left = DownloadMax + 1;
  while (left > 0) {
    size_t n = std::min(left, chunk.size());
    interpreter.Feed(reinterpret_cast<const uint8_t*>(chunk.data()), n, answers);
    left -= n;
  }
  EXPECT_TRUE(answers.empty());
  std::string after = "DIAGNOSTIC REPORT DPI\r\n";
  interpreter.Feed(reinterpret_cast<const uint8_t*>(after.data()), after.size(), answers);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0], "{3|203}");
  std::string stored;
  EXPECT_FALSE(core.memory.Find("HUGE", stored));
  ASSERT_FALSE(core.ignored.empty());
  EXPECT_NE(core.ignored.back().find("(too large)"), std::string::npos);
}

TEST(Memory, LoadServesAStoredFileAndKillWithoutPrefixErasesDram) {
  PrinterCore core(PrinterOptions{});
  std::string bin("A\r\nB\0C", 6);
  Feed(core, "DOWNLOAD F,\"BIN\",6," + bin + "LOAD F,\"BIN\"\r\n", 64);
  EXPECT_EQ(Feed(core, "LOAD F,\"BIN\"\r\n", 64), bin);
  core.memory.Put(DeviceDram, "D1", "x");
  core.memory.Put(DeviceCard, "C1", "x");
  Feed(core, "KILL \"*.*\"\r\n", 64);
  EXPECT_TRUE(core.memory.Names(DeviceDram).empty());
  EXPECT_EQ(core.memory.Names(DeviceFlash).size(), 1u);
  EXPECT_EQ(core.memory.Names(DeviceCard).size(), 1u);
}

TEST(MemoryControl, SumsListSizesAndChecksumsPerDevice) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);  // the check value of CRC-32
  EXPECT_EQ(Crc32(""), 0u);
  VirtualPrinter printer;
  ASSERT_TRUE(printer.PutFileOn(MemoryFlash, "N.TXT", "123456789"));
  ASSERT_TRUE(printer.PutFileOn(MemoryCard, "E.DAT", ""));
  EXPECT_EQ(printer.Control("sums"), "FLASH N.TXT 9 CBF43926\nCARD E.DAT 0 00000000\nOK\n");
  EXPECT_EQ(printer.Control("sums card"), "CARD E.DAT 0 00000000\nOK\n");
  EXPECT_EQ(printer.Control("sums tape"), "ERROR unknown device\n");
}

TEST(MemoryControl, SpaceAndFillAndNoCard) {
  VirtualPrinter printer;
  EXPECT_EQ(printer.Control("fill dram"), "OK\n");
  EXPECT_EQ(printer.Control("space"), "DRAM 1024 0\nFLASH 8192 8192\nCARD 32768 32768\nOK\n");
  PrinterOptions options;
  options.hasCard = false;
  VirtualPrinter noCard(options);
  EXPECT_EQ(noCard.Control("space"), "DRAM 1024 1024\nFLASH 8192 8192\nCARD - -\nOK\n");
  EXPECT_FALSE(noCard.PutFileOn(MemoryCard, "X", "x"));
}

}  // namespace
}  // namespace varnalux::sim
