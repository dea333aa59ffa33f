// The file list, download and erase operations against the virtual printer:
// the bytes it records, what it stored, and how failures end.
#include "protocol/file_manager.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "protocol/file_names.h"
#include "sim/virtual_printer.h"
#include "tests/core/printer_fixture.h"
#include "tests/core/recording_progress.h"
#include "tests/support/refusing_port.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

using Printer = testing::PrinterOnTcp;

// Three zeroed records, as "Get" leaves them before reading.
struct Lists {
  std::unique_ptr<DeviceFiles[]> files{new DeviceFiles[MemoryDeviceCount]()};
  DeviceFiles& operator[](int device) { return files[device]; }
  ResultCode Read() { return RunOperation(OpReadFileList, KindEthernet, files.get(), 0); }
};

// A scratch folder for the files to download.
using TempFiles = testing::TempFolder;

// Bytes that would be commands if the printer took them as text.
std::string TrickyPayload(size_t size) {
  std::string s = "DOWNLOAD F,\"X\",3,\r\nKILL F,\"*.*\"\r\n\x1b!R\x1b!?";
  s.push_back('\0');
  s += "\rDIAGNOSTIC REPORT DPI\r\n";
  while (s.size() < size) s.push_back(static_cast<char>((s.size() * 131 + 7) & 0xFF));
  s.resize(size);
  return s;
}

ResultCode Download(const std::string& path, const char* name, int32_t device) {
  DownloadRequest request{path.c_str(), name, device};
  return RunOperation(OpDownloadFile, KindEthernet, &request, 0);
}

const char AllQueries[] =
    "\r\nDIAGNOSTIC INTERFACE NET\r\n"
    "DIAGNOSTIC REPORT DPHYSPACE\r\nDIAGNOSTIC REPORT DFREESPACE\r\n"
    "DIAGNOSTIC REPORT DFILELIST\r\n"
    "DIAGNOSTIC REPORT FPHYSPACE\r\nDIAGNOSTIC REPORT FFREESPACE\r\n"
    "DIAGNOSTIC REPORT FFILELIST\r\n"
    "DIAGNOSTIC REPORT CPHYSPACE\r\nDIAGNOSTIC REPORT CFILELIST\r\n";

TEST(ReadFileList, NineExchangesFillTheThreeRecords) {
  Printer p;
  ASSERT_TRUE(p.printer.PutFileOn(sim::MemoryDram, "A.BAS", std::string(1500, 'a')));
  ASSERT_TRUE(p.printer.PutFileOn(sim::MemoryFlash, "LOGO.BMP", "x"));
  ASSERT_TRUE(p.printer.PutFileOn(sim::MemoryFlash, "FONT1.FNT", "y"));
  Lists lists;
  ASSERT_EQ(lists.Read(), ResultOk);
  EXPECT_EQ(p.printer.ReceivedText(), AllQueries);

  EXPECT_EQ(lists[DeviceDram].physicalValid, 1);
  EXPECT_EQ(lists[DeviceDram].physicalSpace, 1024);
  EXPECT_EQ(lists[DeviceDram].freeValid, 1);
  EXPECT_EQ(lists[DeviceDram].freeSpace, 1022);  // 1500 bytes take two KB
  EXPECT_STREQ(lists[DeviceDram].listText, "A.BAS\r\n");
  EXPECT_EQ(lists[DeviceFlash].freeSpace, 8190);
  EXPECT_EQ(FileListItems(lists[DeviceFlash].listText),
            (std::vector<std::string>{"LOGO.BMP", "FONT1.FNT"}));
  // An empty device: no items, but its numbers were read.
  EXPECT_STREQ(lists[DeviceCard].listText, "");
  EXPECT_EQ(lists[DeviceCard].physicalValid, 1);
  EXPECT_EQ(lists[DeviceCard].physicalSpace, 32768);
  // The card's free space is never asked.
  EXPECT_EQ(lists[DeviceCard].freeValid, 0);
  for (int d = 0; d < MemoryDeviceCount; ++d) EXPECT_EQ(lists[d].listCut, 0);
}

TEST(ReadFileList, NumbersAreReadLikeAtolAndListLinesMayEndInLoneCrOrLf) {
  Printer p;
  p.printer.OverrideReport("DPHYSPACE", "  2048KB");
  p.printer.OverrideReport("DFREESPACE", "none");
  p.printer.OverrideReport("FFREESPACE", "-5");
  p.printer.OverrideReport("DFILELIST", "A.BAS\rB.BMP\nC.PCX");
  Lists lists;
  ASSERT_EQ(lists.Read(), ResultOk);
  EXPECT_EQ(lists[DeviceDram].physicalSpace, 2048);
  EXPECT_EQ(lists[DeviceDram].freeValid, 1);
  EXPECT_EQ(lists[DeviceDram].freeSpace, 0);
  EXPECT_EQ(lists[DeviceFlash].freeSpace, -5);
  EXPECT_EQ(FileListItems(lists[DeviceDram].listText),
            (std::vector<std::string>{"A.BAS", "B.BMP", "C.PCX"}));
}

TEST(ReadFileList, NoCardEndsWithThreeAtCardSpaceKeepingWhatCameBefore) {
  sim::PrinterOptions options;
  options.hasCard = false;
  sim::VirtualPrinter printer(options);
  ASSERT_TRUE(printer.StartTcp("127.0.0.1", 0));
  testing::BoundLink link;
  testing::TargetPrinter(printer, link.tcp);
  printer.PutFileOn(sim::MemoryFlash, "KEEP.BAS", "1");
  Lists lists;
  EXPECT_EQ(lists.Read(), ResultReceiveError);
  EXPECT_EQ(lists[DeviceDram].physicalValid, 1);
  EXPECT_EQ(lists[DeviceFlash].freeValid, 1);
  EXPECT_STREQ(lists[DeviceFlash].listText, "KEEP.BAS\r\n");
  EXPECT_EQ(lists[DeviceCard].physicalValid, 0);
  // The card list was not asked after the failed space query.
  EXPECT_EQ(printer.ReceivedText().find("CFILELIST"), std::string::npos);
  // The link was closed: the next operation opens again.
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultOk);
}

TEST(ReadFileList, AListTooLongForItsFieldIsCutAtAWholeLineAndFlagged) {
  Printer p;
  // 70 names of 1,000 bytes: about 70 KB of list, more than the field.
  for (int i = 0; i < 70; ++i) {
    char head[16];
    snprintf(head, sizeof head, "%03d", i);
    ASSERT_TRUE(p.printer.PutFileOn(sim::MemoryCard, head + std::string(997, 'N'), ""));
  }
  Lists lists;
  ASSERT_EQ(lists.Read(), ResultOk);
  const DeviceFiles& card = lists[DeviceCard];
  EXPECT_EQ(card.listCut, 1);
  size_t length = strnlen(card.listText, DeviceListTextSize);
  ASSERT_LT(length, DeviceListTextSize);  // NUL inside the field
  EXPECT_EQ(length % 1002, 0u);           // whole lines only
  EXPECT_EQ(length / 1002, 65u);          // as many as fit
  std::vector<std::string> items = FileListItems(card.listText);
  ASSERT_EQ(items.size(), 65u);
  EXPECT_EQ(items.back().substr(0, 3), "064");
  // The rest of the list was read off the link: the exchange ended in step.
  EXPECT_EQ(lists[DeviceDram].listCut, 0);
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultOk);
}

TEST(ReadFileList, StepProgressIsShownAndClosed) {
  Printer p;
  testing::RecordingProgress view;
  Lists lists;
  ASSERT_EQ(lists.Read(), ResultOk);
  EXPECT_EQ(view.opened, 1);
  EXPECT_EQ(view.closed, 1);
  EXPECT_FALSE(ProgressActive());
  EXPECT_EQ(RunOperation(OpReadFileList, KindEthernet, nullptr, 0), ResultUnknownError);
}

TEST(DownloadFile, HeaderThenTheBytesAndNothingAfterForEachDevice) {
  Printer p;
  TempFiles files;
  std::string path = files.Write("logo.bmp", "BMDATA");
  ASSERT_EQ(Download(path, "LOGO.BMP", DeviceFlash), ResultOk);
  EXPECT_EQ(p.ReceivedText(30), "DOWNLOAD F,\"LOGO.BMP\",6,BMDATA");
  p.printer.ClearReceived();
  ASSERT_EQ(Download(path, "LOGO.BMP", DeviceDram), ResultOk);
  EXPECT_EQ(p.ReceivedText(28), "DOWNLOAD \"LOGO.BMP\",6,BMDATA");
  p.printer.ClearReceived();
  // Twelve characters are the most a name may have, and they go whole.
  ASSERT_EQ(Download(path, "ABCDEFGH.BMP", DeviceCard), ResultOk);
  EXPECT_EQ(p.ReceivedText(34), "DOWNLOAD E,\"ABCDEFGH.BMP\",6,BMDATA");
  std::string stored;
  EXPECT_TRUE(p.printer.GetFileOn(sim::MemoryFlash, "LOGO.BMP", stored));
  EXPECT_EQ(stored, "BMDATA");
  EXPECT_TRUE(p.printer.GetFileOn(sim::MemoryDram, "LOGO.BMP", stored));
  EXPECT_TRUE(p.printer.GetFileOn(sim::MemoryCard, "ABCDEFGH.BMP", stored));
}

TEST(DownloadFile, BinaryBytesWithCommandsInsideArriveWhole) {
  Printer p;
  TempFiles files;
  std::string data = TrickyPayload(300 * 1024);
  std::string path = files.Write("blob.dat", data);
  ASSERT_EQ(Download(path, "BLOB", DeviceFlash), ResultOk);
  std::string header = "DOWNLOAD F,\"BLOB\",307200,";
  std::vector<uint8_t> received = p.Received(header.size() + data.size());
  std::string got(received.begin(), received.end());
  ASSERT_EQ(got.size(), header.size() + data.size());
  EXPECT_EQ(got.substr(0, header.size()), header);
  EXPECT_TRUE(got.substr(header.size()) == data);
  std::string stored;
  ASSERT_TRUE(p.printer.GetFileOn(sim::MemoryFlash, "BLOB", stored));
  EXPECT_EQ(stored.size(), data.size());
  EXPECT_TRUE(stored == data);
  // None of the bytes inside was taken for a command.
  EXPECT_EQ(p.printer.Resets(), 0);
  EXPECT_EQ(p.printer.FileNames(sim::MemoryFlash), std::vector<std::string>{"BLOB"});
}

TEST(DownloadFile, ProgressFollowsTheDataInPercentMode) {
  Printer p;
  TempFiles files;
  std::string path = files.Write("big.dat", std::string(64 * 1024, 'z'));
  testing::RecordingProgress view;
  ASSERT_EQ(Download(path, "BIG", DeviceDram), ResultOk);
  EXPECT_EQ(view.opened, 1);
  EXPECT_EQ(view.closed, 1);
  // 64 chunks of 1 KB: the bar climbs through many positions to full.
  // After the opening position, the share of the data written.
  ASSERT_GE(view.positions.size(), 20u);
  EXPECT_EQ(view.positions[0], 3);
  for (size_t i = 2; i < view.positions.size(); ++i)
    EXPECT_GE(view.positions[i], view.positions[i - 1]);
  EXPECT_EQ(view.positions.back(), 100);
  EXPECT_LT(view.positions[1], 10);
}

TEST(DownloadFile, UnsafeNamesAndUnreadableFilesSendNothing) {
  Printer p;
  TempFiles files;
  std::string path = files.Write("a.bin", "abc");
  EXPECT_EQ(Download(path, "A\"B", DeviceFlash), ResultUnknownError);
  EXPECT_EQ(Download(path, "A\r\nKILL", DeviceFlash), ResultUnknownError);
  EXPECT_EQ(Download(path, "A", 3), ResultUnknownError);
  EXPECT_EQ(Download(path, "A", -1), ResultUnknownError);
  EXPECT_EQ(Download(files.Path() + "/missing", "A", DeviceFlash), ResultFileOpenError);
  // A FIFO with no writer would block a plain open.
  EXPECT_EQ(Download(files.Fifo("pipe"), "A", DeviceFlash), ResultFileOpenError);
  EXPECT_EQ(Download(files.Path(), "A", DeviceFlash), ResultFileOpenError);
  EXPECT_EQ(RunOperation(OpDownloadFile, KindEthernet, nullptr, 0), ResultUnknownError);
  EXPECT_TRUE(p.StaysSilent());
  EXPECT_EQ(p.printer.ConnectionCount(), 0u);
}

TEST(DownloadFile, APrinterThatDropsTheConnectionMidwayIsATransmissionError) {
  Printer p;
  TempFiles files;
  // Far more than the socket buffers hold, so writes meet the closed peer.
  std::string path = files.Write("huge.dat", std::string(16 * 1024 * 1024, 'q'));
  p.printer.SetFault(sim::Fault::DropOnReceive);
  testing::RecordingProgress view;
  EXPECT_EQ(Download(path, "HUGE", DeviceCard), ResultTransmitError);
  EXPECT_EQ(view.closed, view.opened);
  EXPECT_FALSE(ProgressActive());
  EXPECT_TRUE(p.printer.FileNames(sim::MemoryCard).empty());
}

TEST(DownloadFile, AFileLargerThanTheFreeSpaceIsRefusedByThePrinter) {
  Printer p;
  TempFiles files;
  p.printer.FillDevice(sim::MemoryFlash);
  EXPECT_EQ(p.printer.FreeKb(sim::MemoryFlash), 0);
  std::string path = files.Write("f.bas", "PRINT 1\r\n");
  // The tool does not check what the printer stored.
  ASSERT_EQ(Download(path, "F.BAS", DeviceFlash), ResultOk);
  ASSERT_TRUE(p.printer.WaitForReceived(29, 3000));
  EXPECT_TRUE(testing::SettlePrinter(p.printer));
  EXPECT_TRUE(p.printer.FileNames(sim::MemoryFlash).empty());
  std::vector<std::string> ignored = p.printer.IgnoredLines();
  ASSERT_EQ(ignored.size(), 1u);
  EXPECT_NE(ignored[0].find("no room"), std::string::npos) << ignored[0];
}

TEST(FormatDevice, EachDeviceGetsItsKillLineAndThePrinterErases) {
  Printer p;
  p.printer.PutFileOn(sim::MemoryDram, "D.BAS", "1");
  p.printer.PutFileOn(sim::MemoryFlash, "F.BAS", "2");
  p.printer.PutFileOn(sim::MemoryCard, "C.BAS", "3");
  int32_t flash = DeviceFlash;
  ASSERT_EQ(RunOperation(OpFormatDevice, KindEthernet, &flash, 0), ResultOk);
  EXPECT_EQ(p.ReceivedText(14), "KILL F,\"*.*\"\r\n");
  ASSERT_TRUE(p.printer.WaitForCommand("KILL F,\"*.*\"", 3000));
  EXPECT_TRUE(p.printer.FileNames(sim::MemoryFlash).empty());
  EXPECT_EQ(p.printer.FileNames(sim::MemoryDram).size(), 1u);
  p.printer.ClearReceived();
  int32_t dram = DeviceDram, card = DeviceCard;
  ASSERT_EQ(RunOperation(OpFormatDevice, KindEthernet, &dram, 0), ResultOk);
  EXPECT_EQ(p.ReceivedText(12), "KILL \"*.*\"\r\n");
  p.printer.ClearReceived();
  ASSERT_EQ(RunOperation(OpFormatDevice, KindEthernet, &card, 0), ResultOk);
  EXPECT_EQ(p.ReceivedText(14), "KILL E,\"*.*\"\r\n");
  ASSERT_TRUE(p.printer.WaitForCommand("KILL E,\"*.*\"", 3000));
  EXPECT_TRUE(p.printer.FileNames(sim::MemoryCard).empty());
  EXPECT_TRUE(p.printer.FileNames(sim::MemoryDram).empty());
  int32_t bad = 3;
  p.printer.ClearReceived();
  EXPECT_EQ(RunOperation(OpFormatDevice, KindEthernet, &bad, 0), ResultUnknownError);
  EXPECT_TRUE(p.StaysSilent());
}

TEST(FileManagerNoPrinter, NothingListeningIsAPortOpenError) {
  Printer p;
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  p.link.tcp.port = refusing.Port();
  TempFiles files;
  std::string path = files.Write("x", "x");
  Lists lists;
  EXPECT_EQ(lists.Read(), ResultPortOpenError);
  EXPECT_EQ(Download(path, "X", DeviceFlash), ResultPortOpenError);
  int32_t flash = DeviceFlash;
  EXPECT_EQ(RunOperation(OpFormatDevice, KindEthernet, &flash, 0), ResultPortOpenError);
}

}  // namespace
}  // namespace varnalux
