// Command bytes of the printer functions and the printer file name guard.
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/printer_functions.h"

namespace varnalux {
namespace {

DumpTextSettings Dump(uint32_t mode, const char* name) {
  DumpTextSettings s{};
  s.mode = mode;
  strncpy(s.fileName, name, sizeof s.fileName);
  return s;
}

TEST(DumpTextCommand, UnterminatedNameFieldIsNotReadPastItsEnd) {
  // A record whose 16 name bytes hold no NUL, followed by more text in memory.
  struct {
    DumpTextSettings s;
    char after[8];
  } block;
  memset(&block, 'X', sizeof block);
  block.s.mode = 1;
  memcpy(block.s.fileName, "ABCDEFGHIJKLMNOP", 16);
  memcpy(block.after, "TAIL\0\0\0", 8);
  EXPECT_EQ(DumpTextCommand(block.s), "DUMP_TEXT SAVE 1000,E,\"ABCDEFGHIJKLMNOP\",");
}

TEST(CalibrationCommand, AnyChoiceOutsideTheListIsContinuous) {
  EXPECT_STREQ(CalibrationCommand(-1), "GAP 0.12,0\r\nGAP 0,0\r\n");
  EXPECT_STREQ(CalibrationCommand(99), "GAP 0.12,0\r\nGAP 0,0\r\n");
}

TEST(PrinterFileName, QuotesAndControlCharactersAreRefused) {
  EXPECT_TRUE(PrinterFileNameIsSafe("Dump.txt"));
  EXPECT_TRUE(PrinterFileNameIsSafe("MY FILE.BAS"));
  EXPECT_TRUE(PrinterFileNameIsSafe(""));
  EXPECT_TRUE(PrinterFileNameIsSafe("\xE9t\xE9.txt"));  // bytes above 0x7F
  EXPECT_FALSE(PrinterFileNameIsSafe(nullptr));
  EXPECT_FALSE(PrinterFileNameIsSafe("a\"b"));
  EXPECT_FALSE(PrinterFileNameIsSafe("\","));
  EXPECT_FALSE(PrinterFileNameIsSafe("a\r\nKILL"));
  EXPECT_FALSE(PrinterFileNameIsSafe("a\tb"));
  EXPECT_FALSE(PrinterFileNameIsSafe("a\x1b!R"));
  EXPECT_FALSE(PrinterFileNameIsSafe("a\x7f"));
}

TEST(PrinterFileName, OperationsRefuseUnsafeNamesBeforeOpeningTheLink) {
  // Kind 99 has no link: were the name accepted, the open would fail with 1.
  DumpTextSettings dump = Dump(1, "x\",KILL \"*");
  EXPECT_EQ(DumpText(99, dump), ResultUnsafeName);
  // Modes that do not send the name are not affected by it.
  dump.mode = 2;
  EXPECT_EQ(DumpText(99, dump), ResultPortOpenError);

  uint8_t buffer[4] = {};
  ReadBackRequest load{};
  load.capacity = sizeof buffer;
  load.count = 77;
  load.buffer = buffer;
  strncpy(load.fileName, "a\r\nKILL", sizeof load.fileName);
  EXPECT_EQ(ReadPrinterFile(99, load), ResultUnsafeName);
  EXPECT_EQ(load.count, 0u);
  strncpy(load.fileName, "Dump.txt", sizeof load.fileName);
  EXPECT_EQ(ReadPrinterFile(99, load), ResultPortOpenError);
}

}  // namespace
}  // namespace varnalux
