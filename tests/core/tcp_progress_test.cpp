// What the window shows of a TCP send: the share and the bytes the printer
// has taken (acknowledged), never the bytes merely handed to the socket, and
// never a full bar for a send that failed. Bounds are shortened through the
// settings.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "loopback_peer.h"
#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "recording_progress.h"
#include "tests/support/scripted_tcp_printer.h"

namespace varnalux {
namespace {

using std::chrono::milliseconds;
using testing::ScriptedTcpPrinter;
using testing::LoopbackPeer;

// What the printer's system may have acknowledged beyond what the printer
// read: its receive buffer, which the system doubles from the size set.
size_t KernelHolds(const LoopbackPeer::Script& script) {
  return 2 * static_cast<size_t>(script.receiveBuffer);
}

// Records every figure the window was given, with what the printer had read
// right after it was given (so at least what it had read when it was given).
class TakenLog : public testing::RecordingProgress {
 public:
  explicit TakenLog(const LoopbackPeer& peer) : peer_(peer) {}
  void SetPosition(int position) override {
    RecordingProgress::SetPosition(position);
    readAtPosition.push_back(peer_.ReceivedCount());
  }
  void SetTaken(uint64_t bytes) override {
    taken.push_back(bytes);
    readAtTaken.push_back(peer_.ReceivedCount());
  }

  std::vector<size_t> readAtPosition;
  std::vector<uint64_t> taken;
  std::vector<size_t> readAtTaken;

 private:
  const LoopbackPeer& peer_;
};

ResultCode Send(const std::string& job) {
  return RunOperation(OpSendRaw, KindEthernet, const_cast<char*>(job.data()),
                      static_cast<int32_t>(job.size()));
}

// Every figure the window showed is no more than the printer had read plus
// what its system may hold for it.
void ExpectNoFigureAheadOfThePrinter(const TakenLog& log, size_t jobSize, size_t holds) {
  for (size_t i = 0; i < log.positions.size(); ++i) {
    const size_t shown = jobSize * static_cast<size_t>(log.positions[i]) / 100;
    EXPECT_LE(shown, log.readAtPosition[i] + holds)
        << "position " << log.positions[i] << " at tick " << i;
  }
  for (size_t i = 0; i < log.taken.size(); ++i)
    EXPECT_LE(log.taken[i], log.readAtTaken[i] + holds) << "figure " << i;
}

TEST(TcpProgress, ASlowPrinterMovesTheBarAsItTakesTheBytes) {
  // 1 KiB every 10 ms: the socket takes the whole job at once, the printer
  // takes it over more than half a second.
  LoopbackPeer::Script s;
  s.readChunk = 1024;
  s.readPause = milliseconds(10);
  s.receiveBuffer = 4096;
  ScriptedTcpPrinter peer(s);
  TakenLog log(peer);
  const std::string job(64 * 1024, 's');
  EXPECT_EQ(Send(job), ResultOk);
  EXPECT_EQ(peer.WaitReceived(job.size(), 5000), job.size());

  ExpectNoFigureAheadOfThePrinter(log, job.size(), KernelHolds(s));
  // The bar rose with the printer, through shares between start and end,
  // and was full at the end; the bytes reached the whole job.
  ASSERT_GE(log.positions.size(), 3u);
  EXPECT_EQ(log.positions.front(), 3);
  int between = 0;
  for (size_t i = 2; i < log.positions.size(); ++i) {
    EXPECT_GE(log.positions[i], log.positions[i - 1]) << "at " << i;
    if (log.positions[i] > 10 && log.positions[i] < 90) ++between;
  }
  EXPECT_GT(between, 0);
  EXPECT_EQ(log.positions.back(), 100);
  ASSERT_FALSE(log.taken.empty());
  EXPECT_EQ(log.taken.back(), job.size());
}

TEST(TcpProgress, APrinterThatStopsReadingLeavesTheBarWhereItStopped) {
  // It reads 50000 bytes of 150000 and then nothing: the system takes the
  // whole job into its buffers, but the printer never takes the rest, and
  // the send fails once nothing was taken for the no-progress bound.
  LoopbackPeer::Script s;
  s.stopReadingAfter = 50000;
  s.receiveBuffer = 4096;
  ScriptedTcpPrinter peer(s, milliseconds(200));
  TakenLog log(peer);
  const std::string job(150000, 'h');
  EXPECT_EQ(Send(job), ResultTransmitError);
  EXPECT_EQ(peer.WaitReceived(50000, 2000), 50000u);

  ExpectNoFigureAheadOfThePrinter(log, job.size(), KernelHolds(s));
  // Never full, not even when the window closed after the failure.
  EXPECT_EQ(log.closed, 1);
  for (int position : log.positions) EXPECT_LT(position, 100);
  EXPECT_LT(ProgressPosition(), 100);
  // It shows what the printer took before it stopped.
  ASSERT_FALSE(log.taken.empty());
  EXPECT_GE(log.taken.back(), 50000u);
  EXPECT_LT(log.taken.back(), job.size());
  EXPECT_GE(log.positions.back(), 33);
}

}  // namespace
}  // namespace varnalux
