// Files and standard input sent piece by piece as they are read: what the
// printer receives, the progress window over the whole file, and how a file
// that fails or changes while it is read ends.
#include "protocol/stream_send.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/input_file.h"
#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "protocol/file_manager.h"
#include "tests/core/loopback_peer.h"
#include "tests/core/recording_progress.h"
#include "tests/support/temp_folder.h"
#include "tests/support/refusing_port.h"

namespace varnalux {
namespace {

using testing::LoopbackPeer;

// Bytes that differ from piece to piece, so a piece sent twice or skipped
// shows.
std::string Pattern(size_t size) {
  std::string s(size, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

// A peer and the link settings bound to it, with the progress window as the
// links' observer.
struct PeerLink {
  LoopbackPeer peer;
  testing::BoundLink link;
  PeerLink() { peer.Target(link.tcp); }
  // What the peer received once count bytes came and the connection ended.
  std::string Received(size_t count) {
    EXPECT_EQ(peer.WaitReceived(count, 20000), count);
    EXPECT_TRUE(peer.WaitIdle(20000));
    return peer.Received();
  }
};

// Records the window and runs an action at its first pump of messages
// (after the first chunk left), to change the file in the middle of a send.
class ActAtFirstPump : public testing::RecordingProgress {
 public:
  explicit ActAtFirstPump(std::function<void()> act) : act_(std::move(act)) {}
  void ProcessPendingMessages() override {
    RecordingProgress::ProcessPendingMessages();
    if (act_) std::exchange(act_, nullptr)();
  }

 private:
  std::function<void()> act_;
};

class StreamSendTest : public ::testing::Test {
 protected:
  testing::TempFolder folder;
};

TEST_F(StreamSendTest, AFileOfManyPiecesArrivesWholeWithTheShareRisingOnceToFull) {
  PeerLink p;
  const std::string data = Pattern(10 * StreamPieceSize + 123);
  InputFile file;
  ASSERT_EQ(file.Open(folder.Write("job.prn", data)), InputFileResult::Ok);
  testing::RecordingProgress view;
  StreamReport report;
  ASSERT_EQ(RunFileSend(KindEthernet, file, report), ResultOk);
  EXPECT_EQ(report.sent, data.size());
  const std::string got = p.Received(data.size());
  ASSERT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);

  // One window over the whole file: the share of the file the printer took,
  // not of a piece, so it never falls back at a piece's start.
  EXPECT_EQ(view.opened, 1);
  EXPECT_EQ(view.closed, 1);
  ASSERT_GE(view.positions.size(), 100u);
  EXPECT_EQ(view.positions[0], 3);
  EXPECT_LE(view.positions[1], 1);
  for (size_t i = 2; i < view.positions.size(); ++i)
    ASSERT_GE(view.positions[i], view.positions[i - 1]) << "at " << i;
  EXPECT_EQ(view.positions.back(), 100);
  // It rose through shares on the way, not in one jump at the end. How many
  // depends on how fast the printer reads; its system acknowledges a receive
  // window (tens of KB, over 1 % of the file) even before the printer reads,
  // and that share is shown while the rest is still being handed over.
  EXPECT_TRUE(std::any_of(view.positions.begin() + 1, view.positions.end(),
                          [](int position) { return position > 1 && position < 100; }));
}

TEST_F(StreamSendTest, ADownloadAnnouncesTheFileSizeAndFailsWhenTheFileGrowsMeanwhile) {
  PeerLink p;
  const std::string data = Pattern(3 * StreamPieceSize + 7);
  const std::string path = folder.Write("big.dat", data);
  DownloadRequest request{path.c_str(), "BIG.DAT", DeviceFlash};
  ASSERT_EQ(RunOperation(OpDownloadFile, KindEthernet, &request, 0), ResultOk);
  const std::string header = "DOWNLOAD F,\"BIG.DAT\"," + std::to_string(data.size()) + ",";
  std::string got = p.Received(header.size() + data.size());
  EXPECT_EQ(got.substr(0, header.size()), header);
  EXPECT_TRUE(got.substr(header.size()) == data);
  EXPECT_EQ(got.size(), header.size() + data.size());

  // Bytes appended while the file is sent: the announced count goes, no byte
  // more, and the download fails instead of claiming the file went.
  p.peer.ClearReceived();
  const std::string small = Pattern(100 * 1024);
  const std::string grows = folder.Write("grows.dat", small);
  ActAtFirstPump view([&] {
    FILE* f = fopen(grows.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    fputs("appended", f);
    fclose(f);
  });
  DownloadRequest growing{grows.c_str(), "GROWS", DeviceDram};
  EXPECT_EQ(RunOperation(OpDownloadFile, KindEthernet, &growing, 0), ResultFileOpenError);
  const std::string announced = "DOWNLOAD \"GROWS\"," + std::to_string(small.size()) + ",";
  got = p.Received(announced.size() + small.size());
  EXPECT_EQ(got.size(), announced.size() + small.size());
  EXPECT_EQ(got.substr(0, announced.size()), announced);
  EXPECT_TRUE(got.substr(announced.size()) == small);
  EXPECT_EQ(view.closed, view.opened);
}

TEST_F(StreamSendTest, AFileThatShrinksMidwayEndsWithFourAndSaysHowMuchWent) {
  PeerLink p;
  const std::string data = Pattern(3 * StreamPieceSize);
  const std::string path = folder.Write("shrinks.prn", data);
  const size_t keep = StreamPieceSize + 1000;
  InputFile file;
  ASSERT_EQ(file.Open(path), InputFileResult::Ok);
  ActAtFirstPump view([&] { ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(keep)), 0); });
  StreamReport report;
  EXPECT_EQ(RunFileSend(KindEthernet, file, report), ResultFileOpenError);
  EXPECT_EQ(report.fileResult, InputFileResult::SizeChanged);
  EXPECT_EQ(report.sent, keep);
  const std::string got = p.Received(keep);
  EXPECT_EQ(got.size(), keep);
  EXPECT_TRUE(got == data.substr(0, keep));
  EXPECT_EQ(StreamProblemText(file, report),
            "changed size while it was read (it had " + std::to_string(data.size()) +
                " bytes when it was opened); the printer received only the first " +
                std::to_string(keep) + " bytes");
  EXPECT_FALSE(ProgressActive());
}

// Standard input for the length of a scope, from fd.
class StdinFrom {
 public:
  explicit StdinFrom(int fd) : saved_(dup(STDIN_FILENO)) {
    dup2(fd, STDIN_FILENO);
    close(fd);
  }
  ~StdinFrom() {
    dup2(saved_, STDIN_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

TEST_F(StreamSendTest, StandardInputGoesAsItComesWithAStepBarThatClaimsNoShare) {
  PeerLink p;
  const std::string data = Pattern(3 * StreamPieceSize + 99);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::thread writer([&] {
    size_t done = 0;
    while (done < data.size()) {
      ssize_t n = write(fds[1], data.data() + done, data.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fds[1]);
  });
  testing::RecordingProgress view;
  StreamReport report;
  ResultCode code;
  {
    StdinFrom input(fds[0]);
    InputFile file;
    ASSERT_EQ(file.OpenStandardInput(), InputFileResult::Ok);
    code = RunFileSend(KindEthernet, file, report);
  }
  writer.join();
  EXPECT_EQ(code, ResultOk);
  EXPECT_EQ(report.sent, data.size());
  const std::string got = p.Received(data.size());
  EXPECT_TRUE(got == data);
  // The size is not known: step mode, three more per piece, and no share
  // of the bytes until the window closes at full.
  EXPECT_EQ(CurrentLinkSettings().progress.mode, ProgressStepMode);
  ASSERT_GE(view.positions.size(), 3u);
  for (size_t i = 0; i + 1 < view.positions.size(); ++i)
    EXPECT_EQ(view.positions[i], std::min(3 * static_cast<int>(i + 1), 100)) << i;
  EXPECT_EQ(view.positions.back(), 100);
}

TEST_F(StreamSendTest, InputThatCannotBeReadAtAllSendsNothingAndOpensNoLink) {
  PeerLink p;
  // Nothing listens there: a send that opened the link would end with 1.
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  p.link.tcp.port = refusing.Port();
  // A folder as standard input: every read fails.
  int fd = open(folder.Path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  StreamReport report;
  InputFile file;
  ResultCode code;
  {
    StdinFrom input(fd);
    ASSERT_EQ(file.OpenStandardInput(), InputFileResult::Ok);
    code = RunFileSend(KindEthernet, file, report);
  }
  EXPECT_EQ(code, ResultFileOpenError);
  EXPECT_EQ(report.fileResult, InputFileResult::ReadFailed);
  EXPECT_EQ(report.sent, 0u);
  EXPECT_EQ(StreamProblemText(file, report), "could not be read; nothing was sent");

  // An empty file opens and closes the link, like an empty buffer.
  p.peer.Target(p.link.tcp);
  InputFile empty;
  ASSERT_EQ(empty.Open(folder.Write("empty", "")), InputFileResult::Ok);
  EXPECT_EQ(RunFileSend(KindEthernet, empty, report), ResultOk);
  EXPECT_EQ(p.peer.Connections(1, 5000), 1);
  EXPECT_TRUE(p.peer.WaitIdle(5000));
  EXPECT_EQ(p.peer.Received(), "");
}

TEST_F(StreamSendTest, APeerThatGoesAwayIsATransmissionErrorWithThePartSentCounted) {
  PeerLink p;
  p.peer.SetScripts({LoopbackPeer::Script{"", false, true}});  // closes after its first read
  // 1 GiB that costs no disk: far more than the sockets can hold, so the
  // writes meet the closed connection.
  const std::string path = folder.Path("sparse.prn");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, off_t{1} << 30), 0);
  close(fd);
  InputFile file;
  ASSERT_EQ(file.Open(path), InputFileResult::Ok);
  StreamReport report;
  EXPECT_EQ(RunFileSend(KindEthernet, file, report), ResultTransmitError);
  EXPECT_LT(report.sent, file.Size());
  EXPECT_EQ(report.fileResult, InputFileResult::Ok);
}

}  // namespace
}  // namespace varnalux
