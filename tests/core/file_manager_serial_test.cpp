// The file manager over the serial link, against the virtual printer's
// pseudo-terminal: the lists come back, and a binary download arrives whole.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "operations/dispatcher.h"
#include "protocol/file_manager.h"
#include "protocol/file_names.h"
#include "sim/virtual_printer.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

TEST(FileManagerOverSerial, ListDownloadAndFormat) {
  sim::VirtualPrinter printer;
  std::string slave = printer.StartPty();
  ASSERT_FALSE(slave.empty());
  testing::BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, slave.c_str());

  // Every byte value, CR LF and XON/XOFF included, in a file.
  std::string data;
  for (int round = 0; round < 8; ++round)
    for (int b = 0; b < 256; ++b) data.push_back(static_cast<char>(b));
  testing::TempFolder folder;
  const std::string path = folder.Write("all.bin", data);
  DownloadRequest request{path.c_str(), "ALL.BIN", DeviceDram};
  EXPECT_EQ(RunOperation(OpDownloadFile, KindCom, &request, 0), ResultOk);
  ASSERT_TRUE(printer.WaitForCommand("DOWNLOAD \"ALL.BIN\",2048,", 5000));
  std::string stored;
  ASSERT_TRUE(printer.GetFileOn(sim::MemoryDram, "ALL.BIN", stored));
  EXPECT_TRUE(stored == data);

  std::unique_ptr<DeviceFiles[]> files(new DeviceFiles[MemoryDeviceCount]());
  ASSERT_EQ(RunOperation(OpReadFileList, KindCom, files.get(), 0), ResultOk);
  EXPECT_EQ(FileListItems(files[DeviceDram].listText), std::vector<std::string>{"ALL.BIN"});
  EXPECT_EQ(files[DeviceDram].freeSpace, 1022);
  EXPECT_EQ(files[DeviceCard].physicalSpace, 32768);

  int32_t dram = DeviceDram;
  ASSERT_EQ(RunOperation(OpFormatDevice, KindCom, &dram, 0), ResultOk);
  ASSERT_TRUE(printer.WaitForCommand("KILL \"*.*\"", 3000));
  EXPECT_TRUE(printer.FileNames(sim::MemoryDram).empty());
}

}  // namespace
}  // namespace varnalux
