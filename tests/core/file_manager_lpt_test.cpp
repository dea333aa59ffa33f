// The file manager on the write-only parallel link, its port mapped to a
// FIFO: reading lists fails after the announcement, writing works.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "app/dispatcher.h"
#include "link/link_settings.h"
#include "protocol/file_manager.h"

namespace varnalux {
namespace {

using Clock = std::chrono::steady_clock;

class FileManagerLpt : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/varnalux-fmlpt-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    fifo_ = dir_ + "/lp";
    ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
    setenv("VARNALUX_LPT3", fifo_.c_str(), 1);
    InitialSerialSettings(serial_);
    InitialParallelName(parallel_);
    InitialTcpTarget(tcp_);
    CopyText(parallel_, ParallelNameSize, "LPT3");
    BindLinkSettings(serial_, parallel_, tcp_);
    reader_ = open(fifo_.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader_, 0);
  }
  void TearDown() override {
    if (reader_ >= 0) close(reader_);
    unsetenv("VARNALUX_LPT3");
    unlink(fifo_.c_str());
    rmdir(dir_.c_str());
  }
  // What came through the FIFO until it stays quiet for a moment.
  std::string Drain() {
    std::string got;
    char buffer[4096];
    auto idle = Clock::now();
    while (Clock::now() - idle < std::chrono::milliseconds(300)) {
      pollfd p{reader_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      ssize_t n = read(reader_, buffer, sizeof buffer);
      if (n > 0) {
        got.append(buffer, static_cast<size_t>(n));
        idle = Clock::now();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    return got;
  }

  std::string dir_, fifo_;
  int reader_ = -1;
  SerialSettings serial_{};
  char parallel_[ParallelNameSize] = {};
  TcpTarget tcp_{};
};

TEST_F(FileManagerLpt, ReadingListsWritesTheAnnouncementThenFailsWithThree) {
  std::unique_ptr<DeviceFiles[]> files(new DeviceFiles[MemoryDeviceCount]());
  EXPECT_EQ(RunOperation(OpReadFileList, KindLpt, files.get(), 0), ResultReceiveError);
  EXPECT_EQ(Drain(), "\r\nDIAGNOSTIC INTERFACE LPT\r\n");
  for (int d = 0; d < MemoryDeviceCount; ++d) {
    EXPECT_EQ(files[d].physicalValid, 0);
    EXPECT_STREQ(files[d].listText, "");
  }
}

TEST_F(FileManagerLpt, DownloadAndFormatGoOutOnTheWriteOnlyLink) {
  std::string path = dir_ + "/f.bas";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("PRINT 1\r\n", f);
  fclose(f);
  DownloadRequest request{path.c_str(), "F.BAS", DeviceDram};
  EXPECT_EQ(RunOperation(OpDownloadFile, KindLpt, &request, 0), ResultOk);
  int32_t card = DeviceCard;
  EXPECT_EQ(RunOperation(OpFormatDevice, KindLpt, &card, 0), ResultOk);
  EXPECT_EQ(Drain(), "DOWNLOAD \"F.BAS\",9,PRINT 1\r\nKILL E,\"*.*\"\r\n");
  unlink(path.c_str());
}

}  // namespace
}  // namespace varnalux
