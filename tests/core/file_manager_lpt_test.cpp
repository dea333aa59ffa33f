// The file manager on the write-only parallel link, its port mapped to a
// pseudo-terminal: reading lists fails after the announcement, writing works.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "link/link_settings.h"
#include "operations/dispatcher.h"
#include "protocol/file_manager.h"
#include "tests/core/pty_pair.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

class FileManagerLpt : public ::testing::Test {
 protected:
  void SetUp() override {
    fcntl(pty_.master, F_SETFL, fcntl(pty_.master, F_GETFL) | O_NONBLOCK);
    setenv("VARNALUX_LPT3", pty_.slave.c_str(), 1);
    InitialSerialSettings(serial_);
    InitialParallelName(parallel_);
    InitialTcpTarget(tcp_);
    CopyText(parallel_, ParallelNameSize, "LPT3");
    BindLinkSettings(serial_, parallel_, tcp_);
  }
  void TearDown() override {
    UnbindLinkSettings();
    unsetenv("VARNALUX_LPT3");
  }
  // What came out of the port, once the expected count has come.
  std::string Out(const std::string& expected) { return pty_.ReadAtLeast(expected.size()); }

  testing::PtyPair pty_{testing::PtyPair::HoldSlave};
  SerialSettings serial_{};
  char parallel_[ParallelNameSize] = {};
  TcpTarget tcp_{};
};

TEST_F(FileManagerLpt, ReadingListsWritesTheAnnouncementThenFailsWithThree) {
  std::unique_ptr<DeviceFiles[]> files(new DeviceFiles[MemoryDeviceCount]());
  EXPECT_EQ(RunOperation(OpReadFileList, KindLpt, files.get(), 0), ResultReceiveError);
  const std::string announcement = "\r\nDIAGNOSTIC INTERFACE LPT\r\n";
  EXPECT_EQ(Out(announcement), announcement);
  for (int d = 0; d < MemoryDeviceCount; ++d) {
    EXPECT_EQ(files[d].physicalValid, 0);
    EXPECT_STREQ(files[d].listText, "");
  }
}

TEST_F(FileManagerLpt, DownloadAndFormatGoOutOnTheWriteOnlyLink) {
  testing::TempFolder folder;
  std::string path = folder.Path("f.bas");
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("PRINT 1\r\n", f);
  fclose(f);
  DownloadRequest request{path.c_str(), "F.BAS", DeviceDram};
  EXPECT_EQ(RunOperation(OpDownloadFile, KindLpt, &request, 0), ResultOk);
  int32_t card = DeviceCard;
  EXPECT_EQ(RunOperation(OpFormatDevice, KindLpt, &card, 0), ResultOk);
  const std::string sent = "DOWNLOAD \"F.BAS\",9,PRINT 1\r\nKILL E,\"*.*\"\r\n";
  EXPECT_EQ(Out(sent), sent);
}

}  // namespace
}  // namespace varnalux
