// The printer functions against the virtual printer over TCP: the bytes it
// records, the number of write calls, the name guard and the load-back.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>

#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "protocol/printer_functions.h"
#include "protocol/test_page.h"
#include "sim/virtual_printer.h"
#include "tests/core/printer_fixture.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using Printer = testing::PrinterOnTcp;

// Runs op with the progress state in step mode (start 0, step 1): every
// link write ticks once, so the bar position counts the write calls.
int CountWrites(const std::function<ResultCode()>& op, ResultCode& code) {
  ShowProgress(ProgressStepMode, 0, 1);
  code = op();
  int writes = ProgressPosition();
  HideProgress(true);
  return writes;
}

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(PrinterFunctionsOnPrinter, EachCommandGoesOutExactlyInOneWrite) {
  Printer p;
  DumpTextSettings card{};
  card.mode = 1;
  CopyText(card.fileName, sizeof card.fileName, "LOG1.TXT");
  DumpTextSettings toFile{};
  toFile.mode = 2;
  CopyText(toFile.fileName, sizeof toFile.fileName, "TYPED.TXT");  // not sent
  DumpTextSettings print{};
  int32_t gap = 0, bline = 1, continuous = 2;

  struct Case {
    OperationCode op;
    void* data;
    std::string bytes;
  };
  const Case cases[] = {
      {OpFactoryDefault, nullptr, "INITIALPRINTER\r\n"},
      {OpPrintConfigurationPage, nullptr, "SELFTEST\r\n"},
      {OpDumpText, &print, "DUMP_TEXT PRINT,"},
      {OpDumpText, &card, "DUMP_TEXT SAVE 1000,E,\"LOG1.TXT\","},
      {OpDumpText, &toFile, "DUMP_TEXT SAVE 1000,\"Dump.txt\","},
      {OpCalibrateSensor, &gap, "GAPDETECT\r\n"},
      {OpCalibrateSensor, &bline, "BLINEDETECT\r\n"},
      {OpCalibrateSensor, &continuous, "GAP 0.12,0\r\nGAP 0,0\r\n"},
      {OpResetPrinter, nullptr, std::string("\x1b!R", 3)},
      {OpIgnoreAutoBas, nullptr, std::string("\x1b!C", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    p.printer.ClearReceived();
    ResultCode code = -1;
    int writes = CountWrites([&] { return RunOperation(c.op, KindEthernet, c.data, 0); }, code);
    EXPECT_EQ(code, ResultOk);
    EXPECT_EQ(writes, 1);
    // Exact bytes: the escape sequences are three bytes with no NUL after.
    EXPECT_EQ(p.Received(c.bytes.size()), Bytes(c.bytes));
  }
}

TEST(PrinterFunctionsOnPrinter, TestLabelArrivesAsBuilt) {
  Printer p;
  TestPageRequest request{203.0f, 8.0f, 100.0f, 50.0f, 0};
  const std::string program = BuildTestPageProgram(request);
  ResultCode code = -1;
  int writes =
      CountWrites([&] { return RunOperation(OpPrintTestPage, KindEthernet, &request, 0); }, code);
  EXPECT_EQ(code, ResultOk);
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(p.ReceivedText(program.size()), program);
  EXPECT_EQ(p.printer.LastLabelProgram(), program);
}

TEST(PrinterFunctionsOnPrinter, UnsafeNamesAreRefusedWithNothingSent) {
  Printer p;
  DumpTextSettings dump{};
  dump.mode = 1;
  CopyText(dump.fileName, sizeof dump.fileName, "A\",KILL \"*\",");
  EXPECT_EQ(RunOperation(OpDumpText, KindEthernet, &dump, 0), ResultUnsafeName);
  CopyText(dump.fileName, sizeof dump.fileName, "A\r\nINITIAL");
  EXPECT_EQ(RunOperation(OpDumpText, KindEthernet, &dump, 0), ResultUnsafeName);

  uint8_t buffer[8];
  ReadBackRequest load{};
  load.capacity = sizeof buffer;
  load.buffer = buffer;
  CopyText(load.fileName, sizeof load.fileName, "X\"\r\nSELFTEST");
  EXPECT_EQ(RunOperation(OpReadPrinterFile, KindEthernet, &load, 0), ResultUnsafeName);
  EXPECT_EQ(load.count, 0u);
  EXPECT_TRUE(p.StaysSilent());
}

TEST(PrinterFunctionsOnPrinter, OperationsReportALinkThatDoesNotOpen) {
  BoundLink link;  // empty TCP host: every open fails
  int32_t gap = 0;
  DumpTextSettings dump{};
  TestPageRequest page{203.0f, 8.0f, 100.0f, 50.0f, 0};
  uint8_t buffer[4];
  ReadBackRequest load{};
  load.capacity = sizeof buffer;
  load.count = 9;
  load.buffer = buffer;
  CopyText(load.fileName, sizeof load.fileName, "Dump.txt");
  EXPECT_EQ(RunOperation(OpFactoryDefault, KindEthernet, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(RunOperation(OpDumpText, KindEthernet, &dump, 0), ResultPortOpenError);
  EXPECT_EQ(RunOperation(OpCalibrateSensor, KindEthernet, &gap, 0), ResultPortOpenError);
  EXPECT_EQ(RunOperation(OpResetPrinter, KindEthernet, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(RunOperation(OpPrintTestPage, KindEthernet, &page, 0), ResultPortOpenError);
  EXPECT_EQ(RunOperation(OpReadPrinterFile, KindEthernet, &load, 0), ResultPortOpenError);
  EXPECT_EQ(load.count, 0u);
}

TEST(ReadPrinterFileOnPrinter, LoadsTheFileByteForByte) {
  Printer p;
  std::string content = "line one\r\nline two\r\n";
  content += std::string("\0\xff\x1b!R", 5);  // any bytes come back unchanged
  p.printer.PutFile("Dump.txt", content);
  std::vector<uint8_t> buffer(1024, 0xEE);
  ReadBackRequest request{};
  request.capacity = static_cast<int32_t>(buffer.size());
  request.buffer = buffer.data();
  CopyText(request.fileName, sizeof request.fileName, "Dump.txt");
  EXPECT_EQ(RunOperation(OpReadPrinterFile, KindEthernet, &request, 0), ResultOk);
  ASSERT_EQ(request.count, content.size());
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + request.count), content);
  EXPECT_EQ(buffer[request.count], 0xEE);
  EXPECT_EQ(p.ReceivedText(21), "\r\nLOAD \"Dump.txt\"\r\n\r\n");
}

TEST(ReadPrinterFileOnPrinter, NeverWritesBeyondTheCapacity) {
  Printer p;
  p.printer.PutFile("BIG.TXT", std::string(300, 'Z'));
  uint8_t block[64];
  memset(block, 0xEE, sizeof block);
  ReadBackRequest request{};
  request.capacity = 10;
  request.buffer = block;
  CopyText(request.fileName, sizeof request.fileName, "BIG.TXT");
  EXPECT_EQ(RunOperation(OpReadPrinterFile, KindEthernet, &request, 0), ResultOk);
  EXPECT_EQ(request.count, 10u);
  EXPECT_EQ(std::string(block, block + 10), std::string(10, 'Z'));
  for (size_t i = 10; i < sizeof block; ++i) ASSERT_EQ(block[i], 0xEE) << i;

  // No buffer, or no room: nothing is read, count 0, and still success.
  for (int32_t capacity : {0, -5}) {
    request.capacity = capacity;
    request.count = 77;
    EXPECT_EQ(RunOperation(OpReadPrinterFile, KindEthernet, &request, 0), ResultOk);
    EXPECT_EQ(request.count, 0u);
  }
  request.capacity = 10;
  request.buffer = nullptr;
  request.count = 77;
  EXPECT_EQ(RunOperation(OpReadPrinterFile, KindEthernet, &request, 0), ResultOk);
  EXPECT_EQ(request.count, 0u);
  for (size_t i = 10; i < sizeof block; ++i) ASSERT_EQ(block[i], 0xEE) << i;
}

TEST(ReadPrinterFileOnPrinter, SilenceGivesCountZeroAndSuccess) {
  Printer p;
  p.printer.PutFile("Dump.txt", "would come back");
  p.printer.SetFault(sim::Fault::Silent);
  uint8_t buffer[64];
  ReadBackRequest request{};
  request.capacity = sizeof buffer;
  request.count = 5;
  request.buffer = buffer;
  CopyText(request.fileName, sizeof request.fileName, "Dump.txt");
  EXPECT_EQ(RunOperation(OpReadPrinterFile, KindEthernet, &request, 0), ResultOk);
  EXPECT_EQ(request.count, 0u);
  // The lines still went out.
  EXPECT_EQ(p.ReceivedText(21), "\r\nLOAD \"Dump.txt\"\r\n\r\n");
}

}  // namespace
}  // namespace varnalux
