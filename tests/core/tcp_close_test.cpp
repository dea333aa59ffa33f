// The end of a TCP send: the close waits while the printer keeps taking
// bytes, at whatever pace; fails when it stops taking them or the connection
// breaks with bytes unacknowledged; takes a reset after the last byte as the
// end of a job; gives up at once after a failed write; and keeps the window
// alive and informed meanwhile. Bounds are shortened through the settings.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/link_session.h"
#include "link/tcp_link.h"
#include "loopback_peer.h"
#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "recording_progress.h"
#include "tests/support/scripted_tcp_printer.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using testing::LoopbackPeer;
using testing::RecordingProgress;
using testing::ScriptedTcpPrinter;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string Job(size_t count) {
  std::string s(count, '\0');
  for (size_t i = 0; i < count; ++i) s[i] = static_cast<char>((i * 13 + i / 509) & 0xFF);
  return s;
}

ResultCode Send(const std::string& job) {
  return RunOperation(OpSendRaw, KindEthernet, const_cast<char*>(job.data()),
                      static_cast<int32_t>(job.size()));
}

TEST(TcpClose, ASlowReaderGetsEveryByteAndTheSendSucceeds) {
  // 1 KiB every 50 ms, about 20 KiB/s: far slower than a budget computed
  // from the queued size allowed (the write bound plus 10 ms per KiB), yet
  // it never pauses as long as the no-progress bound.
  LoopbackPeer::Script s;
  s.readChunk = 1024;
  s.readPause = milliseconds(50);
  s.receiveBuffer = 4096;
  ScriptedTcpPrinter peer(s, milliseconds(500));
  const std::string job = Job(40 * 1024);
  EXPECT_EQ(Send(job), ResultOk);
  EXPECT_EQ(peer.WaitReceived(job.size(), 5000), job.size());
  EXPECT_TRUE(peer.Received() == job);
}

TEST(TcpClose, APrinterThatStopsReadingFailsOneNoProgressBoundLater) {
  // It reads the first 1000 bytes, then nothing: the rest never arrives, so
  // the send must not be reported as done, and the close ends once nothing
  // has been acknowledged for the no-progress bound.
  LoopbackPeer::Script s;
  s.stopReadingAfter = 1000;
  s.receiveBuffer = 4096;
  ScriptedTcpPrinter peer(s, milliseconds(200));
  const milliseconds bound = peer.link.Timeouts().tcp.NoProgressBound();
  const std::string job = Job(100000);
  LinkSession session(KindEthernet);
  ASSERT_TRUE(session.IsOpen());
  // The system takes the whole job into its buffers...
  ASSERT_TRUE(session.Write(job.data(), static_cast<uint32_t>(job.size())));
  // ...but it cannot leave, and the close says so.
  auto start = Clock::now();
  EXPECT_EQ(session.Finish(ResultOk), ResultTransmitError);
  auto took = Clock::now() - start;
  EXPECT_GE(took, bound);
  EXPECT_LT(took, bound + milliseconds(3000));
  EXPECT_EQ(peer.WaitReceived(1000, 2000), 1000u);
  EXPECT_LT(peer.Received().size(), job.size());
}

TEST(TcpClose, AResetAfterThePrinterTookEverythingIsTheEndOfTheJob) {
  // The printer reads to the end of the job and then resets the connection,
  // as printers that close after a job do.
  for (size_t size : {size_t{10}, size_t{2000000}}) {
    LoopbackPeer::Script s;
    s.resetAtEnd = true;
    ScriptedTcpPrinter peer(s);
    const std::string job = Job(size);
    EXPECT_EQ(Send(job), ResultOk) << size;
    EXPECT_TRUE(peer.WaitReset(5000)) << size;
    EXPECT_TRUE(peer.Received() == job) << size;
  }
}

TEST(TcpClose, AResetWithBytesStillUnacknowledgedIsATransmitError) {
  LoopbackPeer::Script s;
  s.resetAfter = 1000;
  s.receiveBuffer = 4096;
  ScriptedTcpPrinter peer(s);
  const std::string job = Job(100000);
  EXPECT_EQ(Send(job), ResultTransmitError);
  EXPECT_TRUE(peer.WaitReset(5000));
  EXPECT_EQ(peer.Received(), job.substr(0, 1000));
}

TEST(TcpClose, AfterAFailedWriteTheCloseDropsTheQueueWithoutWaiting) {
  // A printer that never reads: the write fails after its bounded retries,
  // with megabytes still queued that cannot drain.
  LoopbackPeer::Script s;
  s.neverRead = true;
  s.receiveBuffer = 4096;
  ScriptedTcpPrinter peer(s, milliseconds(200));
  const milliseconds bound = peer.link.Timeouts().tcp.NoProgressBound();
  RecordingProgress view;
  std::vector<uint8_t> job(64 * 1024 * 1024, 'z');
  LinkSession session(KindEthernet);
  ASSERT_TRUE(session.IsOpen());
  ASSERT_FALSE(session.Write(job.data(), static_cast<uint32_t>(job.size())));
  const int pumpsBefore = view.pumps;
  auto start = Clock::now();
  EXPECT_EQ(session.Finish(ResultTransmitError), ResultTransmitError);
  auto took = Clock::now() - start;
  // Every wait of a close lets the window handle its messages: none did, so
  // the close never waited. The time is a loose second check.
  EXPECT_EQ(view.pumps, pumpsBefore);
  EXPECT_TRUE(view.notes.empty());
  EXPECT_LT(took, bound);
}

// Records what the window was told during the close, and lets the held
// printer read on once the window says what it waits for.
class WatchingWindow : public RecordingProgress {
 public:
  explicit WatchingWindow(LoopbackPeer& peer) : peer_(peer) {}
  // The bar follows what the printer takes, during the close too: pumps are
  // counted from its last move.
  void SetPosition(int position) override {
    if (positions.empty() || positions.back() != position) pumpsSinceBar = 0;
    RecordingProgress::SetPosition(position);
  }
  void ProcessPendingMessages() override {
    RecordingProgress::ProcessPendingMessages();
    ++pumpsSinceBar;
  }
  void SetNote(const char* text) override {
    RecordingProgress::SetNote(text);
    if (notes.size() != 1) return;
    pumpsBeforeNote = pumpsSinceBar;
    positionAtNote = positions.empty() ? -1 : positions.back();
    heldAt = peer_.Received().size();
    peer_.ResumeReading();
  }

  int pumpsSinceBar = 0;
  int pumpsBeforeNote = -1;
  int positionAtNote = -1;
  size_t heldAt = 0;

 private:
  LoopbackPeer& peer_;
};

// The KiB figure of a note, or -1 when the note does not say it.
long KiBIn(const std::string& note) {
  const std::string head = "Waiting for the printer to take the last ";
  if (note.rfind(head, 0) != 0 || note.size() < head.size() + 5) return -1;
  if (note.compare(note.size() - 4, 4, " KiB") != 0) return -1;
  const std::string digits = note.substr(head.size(), note.size() - head.size() - 4);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::strtol(digits.c_str(), nullptr, 10);
}

TEST(TcpClose, ALongCloseKeepsTheWindowAliveAndSaysWhatItWaitsFor) {
  // The printer takes 50000 bytes of 150000 and then holds: the close waits
  // for the rest. Its window must go on handling messages, and once the wait
  // lasted a moment it says how much is left: the 100000 bytes not read,
  // less what the printer's small receive buffer took.
  LoopbackPeer::Script s;
  s.stopReadingAfter = 50000;
  s.receiveBuffer = 4096;
  ScriptedTcpPrinter peer(s, milliseconds(1000));
  WatchingWindow window(peer);
  const std::string job = Job(150000);
  EXPECT_EQ(Send(job), ResultOk);
  EXPECT_EQ(peer.WaitReceived(job.size(), 5000), job.size());
  EXPECT_TRUE(peer.Received() == job);

  // Said while the send's window was up (it is told nothing otherwise).
  ASSERT_GE(window.notes.size(), 2u);
  EXPECT_EQ(window.heldAt, 50000u);
  // The messages were handled all through the wait, before the note too.
  EXPECT_GT(window.pumpsBeforeNote, 0);
  const long first = KiBIn(window.notes.front());
  EXPECT_LE(first, (100000 + 1023) / 1024) << window.notes.front();
  EXPECT_GE(first, (100000 - 4 * 4096) / 1024) << window.notes.front();
  // The figure falls as the printer reads on, and the note goes at the end.
  for (size_t i = 1; i + 1 < window.notes.size(); ++i) {
    EXPECT_GE(KiBIn(window.notes[i]), 1) << window.notes[i];
    EXPECT_LT(KiBIn(window.notes[i]), KiBIn(window.notes[i - 1])) << window.notes[i];
  }
  EXPECT_EQ(window.notes.back(), "");
  // The bar showed where the printer was held (a third of the job and what
  // its small buffer took), not the bytes handed to the socket, and rose to
  // full as it read on.
  EXPECT_GE(window.positionAtNote, 33);
  EXPECT_LT(window.positionAtNote, 50);
  EXPECT_EQ(window.positions.back(), 100);
}

TEST(TcpClose, TheNoteCountsWholeKiBAndNeedsAShownWindow) {
  EXPECT_EQ(WaitingForPrinterText(1), "Waiting for the printer to take the last 1 KiB");
  EXPECT_EQ(WaitingForPrinterText(1024), "Waiting for the printer to take the last 1 KiB");
  EXPECT_EQ(WaitingForPrinterText(1025), "Waiting for the printer to take the last 2 KiB");
  EXPECT_EQ(WaitingForPrinterText(2000000), "Waiting for the printer to take the last 1954 KiB");
  RecordingProgress view;
  BoundLink link;
  LinkProgress& observer = ProgressObserver();
  // Without a window shown, nothing is said.
  observer.WaitingForPrinter(5000);
  EXPECT_TRUE(view.notes.empty());
  ShowProgress(ProgressPercentMode, 3, 3);
  observer.WaitingForPrinter(5000);
  observer.WaitingForPrinter(0);
  HideProgress(true);
  EXPECT_EQ(view.notes,
            (std::vector<std::string>{"Waiting for the printer to take the last 5 KiB", ""}));
}

}  // namespace
}  // namespace varnalux
