// The operation dispatcher: out-of-table codes, the parallel link refusals,
// the progress window around operations, and the connection test.
#include "operations/dispatcher.h"

#include <gtest/gtest.h>

#include "loopback_peer.h"
#include "protocol/printer_config.h"
#include "protocol/report_exchange.h"
#include "recording_progress.h"
#include "tests/support/refusing_port.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using testing::LoopbackPeer;
using testing::RecordingProgress;

TEST(Dispatcher, CodesOutsideTheTableGiveUnknowError) {
  BoundLink link;
  LoopbackPeer peer;
  peer.Target(link.tcp);
  RecordingProgress progress;
  EXPECT_EQ(RunOperation(21, KindEthernet, nullptr, 0), ResultUnknownError);
  EXPECT_EQ(RunOperation(static_cast<OperationCode>(-1), KindEthernet, nullptr, 0),
            ResultUnknownError);
  EXPECT_EQ(RunOperation(0xFFFFFFFFu, KindEthernet, nullptr, 0), ResultUnknownError);
  EXPECT_EQ(progress.opened, 0);
  usleep(50000);                     // room for a connection that must not come
  EXPECT_EQ(peer.Connections(), 0);  // nothing was opened
  EXPECT_STREQ(ResultMessage(5), "Unknow Error");
  EXPECT_STREQ(ResultMessage(-3), "Unknow Error");
}

TEST(Dispatcher, RecordsThatCannotBeRightAreRefusedWithoutOpening) {
  BoundLink link;
  LoopbackPeer peer;
  peer.Target(link.tcp);
  char byte = 'x';
  EXPECT_EQ(RunOperation(OpSendRaw, KindEthernet, &byte, -1), ResultUnknownError);
  EXPECT_EQ(RunOperation(OpCalibrateSensor, KindEthernet, nullptr, 0), ResultUnknownError);
  EXPECT_EQ(RunOperation(OpQueryStatus, KindEthernet, nullptr, 0), ResultUnknownError);
  usleep(50000);  // room for a connection that must not come
  EXPECT_EQ(peer.Connections(), 0);
}

TEST(Dispatcher, ResultMessagesAsTheUserSeesThem) {
  EXPECT_STREQ(ResultMessages[0], "");
  EXPECT_STREQ(ResultMessages[1], "Port Open Error");
  EXPECT_STREQ(ResultMessages[2], "Data Transmission Error");
  EXPECT_STREQ(ResultMessages[3], "Data Receiving Error");
  EXPECT_STREQ(ResultMessages[4], "File Open Error");
  EXPECT_STREQ(ResultMessages[5], "Unknow Error");
}

TEST(Dispatcher, StatusAndConfigurationReadsAreRefusedOnLpt) {
  BoundLink link;
  // Point LPT1 at a path whose opening would be visible: a missing device
  // would fail with 1, so a 3 proves the port was never tried.
  CopyText(link.parallel, ParallelNameSize, "/nonexistent/lp-never-opened");
  RecordingProgress progress;
  PrinterStatus status;
  PrinterConfig config;
  ResetConfig(config);
  EXPECT_EQ(RunOperation(OpQueryStatus, KindLpt, &status, 0), ResultReceiveError);
  EXPECT_EQ(RunOperation(OpReadConfig, KindLpt, &config, 1), ResultReceiveError);
  EXPECT_EQ(progress.opened, 0);
  // Other operations are tried on LPT, and fail to open here.
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultPortOpenError);
}

TEST(Dispatcher, ProgressWindowAroundAFailingConfigurationRead) {
  BoundLink link;  // empty TCP host: the open fails
  RecordingProgress progress;
  PrinterConfig config;
  ResetConfig(config);
  SetProgressOrigin(321, 123);
  EXPECT_EQ(RunOperation(OpReadConfig, KindEthernet, &config, 0), ResultPortOpenError);
  EXPECT_EQ(progress.opened, 0);  // extra 0: no window
  EXPECT_EQ(RunOperation(OpReadConfig, KindEthernet, &config, 1), ResultPortOpenError);
  EXPECT_EQ(progress.opened, 1);
  EXPECT_EQ(progress.closed, 1);
  EXPECT_EQ(progress.lastLeft, 321);
  EXPECT_EQ(progress.lastTop, 123);
  EXPECT_EQ(progress.lastCaption, "Communicating...");
  ASSERT_FALSE(progress.positions.empty());
  EXPECT_EQ(progress.positions.front(), 3);
  // A failure is not shown as a finished job: the bar stays where it was.
  EXPECT_EQ(progress.positions.back(), 3);
  EXPECT_EQ(ProgressPosition(), 3);
  EXPECT_FALSE(ProgressActive());
  // The configuration write always shows it.
  EXPECT_EQ(RunOperation(OpWriteConfig, KindEthernet, &config, 0), ResultPortOpenError);
  EXPECT_EQ(progress.opened, 2);
  EXPECT_EQ(progress.closed, 2);
}

TEST(Dispatcher, StepModeBarStopsAt100AndIgnoresPercentTicks) {
  BoundLink link;
  RecordingProgress progress;
  ShowProgress(ProgressStepMode, 3, 3);
  for (int i = 0; i < 40; ++i) ProgressTick(0, 0);
  ProgressTick(1, 7);  // the other kind changes nothing
  EXPECT_EQ(ProgressPosition(), 100);
  HideProgress(true);
  // Ticks after the window closed change nothing.
  size_t seen = progress.positions.size();
  ProgressTick(0, 0);
  EXPECT_EQ(progress.positions.size(), seen);
}

TEST(Dispatcher, ConnectionTestOpensAndClosesWithoutWriting) {
  LoopbackPeer peer;
  BoundLink link;
  peer.Target(link.tcp);
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultOk);
  EXPECT_EQ(peer.Connections(1, 2000), 1);
  EXPECT_TRUE(peer.WaitIdle(2000));
  EXPECT_EQ(peer.Received(), "");
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  link.tcp.port = refusing.Port();
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultPortOpenError);
}

TEST(Dispatcher, SendRawWritesTheBytesUnchangedInPercentMode) {
  LoopbackPeer peer;
  BoundLink link;
  peer.Target(link.tcp);
  RecordingProgress progress;
  std::string data("SIZE 4,2\r\n\x00\x1b!?binary", 20);
  data.push_back('\0');
  EXPECT_EQ(RunOperation(OpSendRaw, KindEthernet, data.data(), static_cast<int32_t>(data.size())),
            ResultOk);
  EXPECT_EQ(peer.WaitReceived(data.size(), 2000), data.size());
  EXPECT_EQ(peer.Received(), data);
  EXPECT_EQ(progress.opened, 1);
  // From the start step to full, through what the printer acknowledged.
  ASSERT_GE(progress.positions.size(), 3u);
  EXPECT_EQ(progress.positions.front(), 3);
  for (size_t i = 2; i < progress.positions.size(); ++i)
    EXPECT_GE(progress.positions[i], progress.positions[i - 1]) << i;
  EXPECT_EQ(progress.positions.back(), 100);
  // Nothing to send: the link is still opened and closed, and all is well.
  EXPECT_EQ(RunOperation(OpSendRaw, KindEthernet, data.data(), 0), ResultOk);
  EXPECT_EQ(peer.Connections(2, 2000), 2);
}

}  // namespace
}  // namespace varnalux
