// The file manager over USB: an emulated printer whose OUT transfers feed
// the virtual printer's interpreter, which answers on the IN endpoint.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/link_settings.h"
#include "operations/dispatcher.h"
#include "protocol/file_manager.h"
#include "protocol/file_names.h"
#include "sim/command_interpreter.h"
#include "sim/printer_core.h"
#include "tests/usb/usb_fixture.h"

namespace varnalux::test {
namespace {

class FileManagerUsbTest : public UsbTest {
 protected:
  void SetUp() override {
    UsbTest::SetUp();
    FakeUsbPrinter& p = AddPrinter(2);
    printer = &p;
    // One interpreter for all transfers: a download's data spans many.
    p.SetResponder([this](const std::string& out) {
      std::lock_guard<std::mutex> lock(mutex);
      std::vector<std::string> answers;
      interpreter.Feed(reinterpret_cast<const uint8_t*>(out.data()), out.size(), answers);
      std::string in;
      for (const std::string& a : answers) in += a;
      return in;
    });
  }
  std::string TempFile(const std::string& bytes) {
    char path[] = "/tmp/varnalux-usb-dl-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    made.push_back(path);
    return path;
  }
  void TearDown() override {
    for (const std::string& p : made) unlink(p.c_str());
    UsbTest::TearDown();
  }

  std::mutex mutex;
  sim::PrinterCore core{sim::PrinterOptions{}};
  sim::CommandInterpreter interpreter{core};
  FakeUsbPrinter* printer = nullptr;
  std::vector<std::string> made;
};

TEST_F(FileManagerUsbTest, DownloadThenListThenFormat) {
  std::string data = "DOWNLOAD \"Z\",1,\r\n\x1b!R";
  data.push_back('\0');
  data += std::string(500, '\x1b');
  std::string path = TempFile(data);
  DownloadRequest request{path.c_str(), "ESC.BIN", DeviceFlash};
  ASSERT_EQ(RunOperation(OpDownloadFile, KindUsb, &request, 0), ResultOk);
  const std::string header = "DOWNLOAD F,\"ESC.BIN\"," + std::to_string(data.size()) + ",";
  EXPECT_EQ(printer->Received(), header + data);
  {
    std::lock_guard<std::mutex> lock(mutex);
    std::string stored;
    ASSERT_TRUE(core.memory.Get(sim::DeviceFlash, "ESC.BIN", stored));
    EXPECT_EQ(stored, data);
    EXPECT_EQ(core.resets, 0);
  }

  std::unique_ptr<DeviceFiles[]> files(new DeviceFiles[MemoryDeviceCount]());
  ASSERT_EQ(RunOperation(OpReadFileList, KindUsb, files.get(), 0), ResultOk);
  EXPECT_EQ(FileListItems(files[DeviceFlash].listText), std::vector<std::string>{"ESC.BIN"});
  EXPECT_EQ(files[DeviceFlash].freeSpace, 8191);
  EXPECT_EQ(files[DeviceCard].freeValid, 0);

  int32_t flash = DeviceFlash;
  ASSERT_EQ(RunOperation(OpFormatDevice, KindUsb, &flash, 0), ResultOk);
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_TRUE(core.memory.Names(sim::DeviceFlash).empty());
}

TEST_F(FileManagerUsbTest, APrinterUnpluggedDuringTheDataIsATransmissionError) {
  std::string path = TempFile(std::string(64 * 100, 'u'));
  printer->UnplugAfterOutTransfers(10);
  DownloadRequest request{path.c_str(), "U.BIN", DeviceDram};
  EXPECT_EQ(RunOperation(OpDownloadFile, KindUsb, &request, 0), ResultTransmitError);
  EXPECT_FALSE(ProgressActive());
  std::lock_guard<std::mutex> lock(mutex);
  std::string stored;
  EXPECT_FALSE(core.memory.Get(sim::DeviceDram, "U.BIN", stored));
}

}  // namespace
}  // namespace varnalux::test
