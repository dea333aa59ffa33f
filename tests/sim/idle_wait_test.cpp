// Waiting for the printer to go quiet: every byte restarts the quiet period,
// and the wait ends at its bound when the quiet cannot come in time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "sim/virtual_printer.h"
#include "sim_test_client.h"

namespace varnalux::sim {
namespace {

using test::Client;

class IdleWait : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(printer_.StartTcp("127.0.0.1", 0)); }
  VirtualPrinter printer_;
};

TEST_F(IdleWait, AQuietPrinterIsIdleAndAQuietLongerThanTheBoundIsNot) {
  EXPECT_TRUE(printer_.WaitForIdle(10, 3000));
  // The quiet period starts with the call, so it cannot be over before a
  // shorter bound ends.
  EXPECT_FALSE(printer_.WaitForIdle(400, 100));
}

TEST_F(IdleWait, IdleOnlyOnceTheBytesStopped) {
  Client c = Client::Tcp(printer_.TcpPort());
  ASSERT_TRUE(c.Ok());
  // A sender that keeps writing: the printer is never quiet for long while
  // it runs. Its own pauses between bytes are what makes it a stream.
  constexpr int Bytes = 40;
  std::atomic<int> sent{0};
  std::thread sender([&] {
    for (int i = 0; i < Bytes; ++i) {
      if (!c.Send("x")) break;
      ++sent;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  ASSERT_TRUE(printer_.WaitForReceived(1, 3000));
  // Idle after a second of quiet: the sender is done by then and every one
  // of its bytes was taken before the quiet began.
  EXPECT_TRUE(printer_.WaitForIdle(1000, 20000));
  sender.join();
  EXPECT_EQ(sent.load(), Bytes);
  EXPECT_EQ(printer_.ReceivedText(), std::string(Bytes, 'x'));
}

TEST_F(IdleWait, AByteAfterTheCallRestartsTheQuiet) {
  Client c = Client::Tcp(printer_.TcpPort());
  ASSERT_TRUE(c.Ok());
  std::thread late([&] {
    // The byte must come while the wait is under way.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    c.Send("y");
  });
  // A quiet of 1 s counted from the call would end before the bound of
  // 1.2 s; the byte, well after the start, moves its end past the bound.
  EXPECT_FALSE(printer_.WaitForIdle(1000, 1200));
  late.join();
  EXPECT_TRUE(printer_.WaitForReceived(1, 3000));
  EXPECT_EQ(printer_.ReceivedText(), "y");
}

}  // namespace
}  // namespace varnalux::sim
