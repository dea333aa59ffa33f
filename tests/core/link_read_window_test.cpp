// A read that waits for a silent printer over TCP or a serial line lets the
// window handle its messages all through the wait, as a write does, and
// still ends at the link's own bound.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "link/link_settings.h"
#include "link/printer_link.h"
#include "loopback_peer.h"
#include "operations/progress.h"
#include "pty_pair.h"
#include "tests/support/kind_link.h"
#include "tests/support/processor_wait.h"
#include "tests/support/recording_progress_view.h"

namespace varnalux {
namespace {

using testing::KindLink;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using RecordingView = testing::RecordingProgressView;

// The whole wait of one failed read: how long it took and the longest
// stretch the window went without handling its messages. A busy machine
// may hold the thread a moment, so the gap allowed is well above the slice
// the links look at, yet far below the silence the read waits through.
void ExpectWindowHandledThroughout(LinkHandle h, InterfaceKind kind, milliseconds atLeast) {
  RecordingView view;
  uint8_t byte = 0;
  const Clock::time_point start = Clock::now();
  const std::chrono::nanoseconds waitedAtStart = testing::WaitedForProcessor();
  EXPECT_FALSE(KindLink(kind).ReadByte(h, byte));
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
  LinkHandle h = KindLink(KindEthernet).Open();
  ASSERT_NE(h, InvalidLink);
  ExpectWindowHandledThroughout(h, KindEthernet, link.Timeouts().tcp.dataWait);
  KindLink(KindEthernet).Close(h);
}

TEST(LinkReadWindow, ASerialReadWaitingForASilentPrinterHandlesTheWindowsMessages) {
  testing::PtyPair pty;
  testing::BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, pty.slave.c_str());
  LinkHandle h = KindLink(KindCom).Open();
  ASSERT_NE(h, InvalidLink);
  const SerialTimeouts& t = link.Timeouts().serial;
  ExpectWindowHandledThroughout(h, KindCom, t.readPause * (t.readAttempts - 1));
  KindLink(KindCom).Close(h);
}

}  // namespace
}  // namespace varnalux
