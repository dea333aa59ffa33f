// A read that waits for a silent printer over TCP or a serial line lets the
// window handle its messages all through the wait, as a write does, and
// still ends at the link's own bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "link/link_settings.h"
#include "link/printer_link.h"
#include "loopback_peer.h"
#include "operations/progress.h"
#include "pty_pair.h"
#include "tests/support/processor_wait.h"

namespace varnalux {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Records when it was told to handle the window's messages.
class RecordingView : public ProgressView {
 public:
  RecordingView() { SetProgressView(this); }
  ~RecordingView() override { SetProgressView(nullptr); }
  void Open(int, int, const char*) override {}
  void SetPosition(int) override {}
  void Close() override {}
  void ProcessPendingMessages() override {
    pumps.push_back(Clock::now());
    waited.push_back(testing::WaitedForProcessor());
  }

  // The longest stretch from the first call to the last without a call,
  // less the time the thread waited for a processor in it (a busy machine's,
  // not the program's).
  milliseconds LongestGap() const {
    milliseconds longest{0};
    for (size_t i = 1; i < pumps.size(); ++i)
      longest = std::max(longest, std::chrono::duration_cast<milliseconds>(
                                      (pumps[i] - pumps[i - 1]) - (waited[i] - waited[i - 1])));
    return longest;
  }

  std::vector<Clock::time_point> pumps;
  std::vector<std::chrono::nanoseconds> waited;
};

// The whole wait of one failed read: how long it took and the longest
// stretch the window went without handling its messages. A busy machine
// may hold the thread a moment, so the gap allowed is well above the slice
// the links look at, yet far below the silence the read waits through.
void ExpectWindowHandledThroughout(LinkHandle h, InterfaceKind kind, milliseconds atLeast) {
  RecordingView view;
  uint8_t byte = 0;
  const Clock::time_point start = Clock::now();
  const std::chrono::nanoseconds waitedAtStart = testing::WaitedForProcessor();
  EXPECT_FALSE(ReadLinkByte(h, kind, byte));
  const std::chrono::nanoseconds waitedAtEnd = testing::WaitedForProcessor();
  const Clock::time_point end = Clock::now();
  EXPECT_GE(end - start, atLeast);  // the bound is unchanged
  ASSERT_GE(view.pumps.size(), static_cast<size_t>(atLeast / milliseconds(50)));
  // The first call comes soon after the wait began, the last soon before it
  // ended, and none is far from the one before.
  EXPECT_LT((view.pumps.front() - start) - (view.waited.front() - waitedAtStart),
            milliseconds(250));
  EXPECT_LT((end - view.pumps.back()) - (waitedAtEnd - view.waited.back()), milliseconds(250));
  EXPECT_LT(view.LongestGap(), milliseconds(250));
}

TEST(LinkReadWindow, ATcpReadWaitingForASilentPrinterHandlesTheWindowsMessages) {
  testing::LoopbackPeer peer;  // answers nothing
  testing::BoundLink link;
  peer.Target(link.tcp);
  LinkHandle h = OpenLink(KindEthernet);
  ASSERT_NE(h, InvalidLink);
  ExpectWindowHandledThroughout(h, KindEthernet, link.Timeouts().tcp.dataWait);
  CloseLink(KindEthernet, h);
}

TEST(LinkReadWindow, ASerialReadWaitingForASilentPrinterHandlesTheWindowsMessages) {
  testing::PtyPair pty;
  testing::BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, pty.slave.c_str());
  LinkHandle h = OpenLink(KindCom);
  ASSERT_NE(h, InvalidLink);
  const SerialTimeouts& t = link.Timeouts().serial;
  ExpectWindowHandledThroughout(h, KindCom, t.readPause * (t.readAttempts - 1));
  CloseLink(KindCom, h);
}

}  // namespace
}  // namespace varnalux
