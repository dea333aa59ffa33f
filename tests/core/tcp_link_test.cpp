// The TCP link against peers that behave badly: silence, dropped
// connections, a full backlog, a reader that stops reading, a slow reader,
// a printer that closed before the write. Bounds are shortened through the
// link settings.
#include "link/tcp_link.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include "link/link_session.h"
#include "loopback_peer.h"
#include "operations/dispatcher.h"
#include "protocol/report_exchange.h"
#include "tests/support/kind_link.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using testing::KindLink;
using testing::LoopbackPeer;
using Clock = std::chrono::steady_clock;

// True once one of the sockets (connecting without blocking) is connected.
bool OneConnected(const std::vector<int>& fds, int timeoutMs) {
  auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < until) {
    std::vector<pollfd> waiting;
    for (int fd : fds) waiting.push_back({fd, POLLOUT, 0});
    if (poll(waiting.data(), waiting.size(), 20) <= 0) continue;
    for (const pollfd& p : waiting) {
      int error = 0;
      socklen_t len = sizeof error;
      if ((p.revents & POLLOUT) != 0 && getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 &&
          error == 0)
        return true;
    }
  }
  return false;
}

TEST(TcpLink, EmptyHostFailsWithoutTraffic) {
  BoundLink link;
  PrinterStatus status;
  auto start = Clock::now();
  EXPECT_EQ(RunOperation(OpQueryStatus, KindEthernet, &status, 0), ResultPortOpenError);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
}

TEST(TcpLink, HostNamesAreResolved) {
  LoopbackPeer peer;
  BoundLink link;
  CopyText(link.tcp.host, sizeof link.tcp.host, "localhost");
  link.tcp.port = peer.Port();
  // localhost may resolve to ::1 first; the link tries every address.
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultOk);
  CopyText(link.tcp.host, sizeof link.tcp.host, "no-such-host.invalid");
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultPortOpenError);
}

TEST(TcpLink, StatusBytesComeBackAsFlags) {
  LoopbackPeer peer;
  BoundLink link;
  peer.Target(link.tcp);
  struct Case {
    uint8_t byte;
    bool ready;
  } cases[] = {{0x00, true}, {0x40, true}, {0x81, false}, {0xFF, false}};
  for (const Case& c : cases) {
    peer.SetAnswer(std::string(1, static_cast<char>(c.byte)));
    PrinterStatus status;
    ASSERT_EQ(RunOperation(OpQueryStatus, KindEthernet, &status, 0), ResultOk);
    EXPECT_EQ(StatusToByte(status), c.byte);
    EXPECT_EQ(StatusReady(status), c.ready) << int(c.byte);
  }
  PrinterStatus s;
  StatusFromByte(0x81, s);
  EXPECT_TRUE(s.headOpen && s.otherError);
  EXPECT_FALSE(s.paperJam || s.bit6 || s.printing);
  // Exactly ESC ! ? was sent, four times, and nothing else.
  EXPECT_EQ(peer.Received(), "\x1b!?\x1b!?\x1b!?\x1b!?");
}

TEST(TcpLink, SilentPrinterGivesReceiveErrorWithinTheBound) {
  LoopbackPeer peer;  // answers nothing
  BoundLink link;
  peer.Target(link.tcp);
  PrinterStatus status;
  StatusFromByte(0x10, status);
  auto start = Clock::now();
  EXPECT_EQ(RunOperation(OpQueryStatus, KindEthernet, &status, 0), ResultReceiveError);
  auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_LT(took, std::chrono::milliseconds(2500));
  EXPECT_EQ(StatusToByte(status), 0x10);  // the record is left as it was
}

TEST(TcpLink, DroppedConnectionFailsWithoutHanging) {
  LoopbackPeer peer;
  // The printer closes the connection as soon as the query arrives.
  peer.SetScripts({{"", false, true}});
  BoundLink link;
  peer.Target(link.tcp);
  PrinterStatus status;
  auto start = Clock::now();
  ResultCode r = RunOperation(OpQueryStatus, KindEthernet, &status, 0);
  EXPECT_TRUE(r == ResultTransmitError || r == ResultReceiveError) << r;
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));

  // Half an answer, then the connection drops: the framed read fails.
  peer.SetScripts({{"{10|abc", false, true}});
  LinkSession session(KindEthernet);
  ASSERT_TRUE(session.IsOpen());
  char buf[64];
  uint32_t len = 0;
  EXPECT_EQ(QueryReport(session, "DIAGNOSTIC REPORT DPI\r\n", buf, sizeof buf, len),
            ResultReceiveError);
  // Writing on the dropped connection fails instead of raising SIGPIPE.
  ASSERT_TRUE(peer.WaitIdle(2000));  // the printer has closed its end
  std::string big(256 * 1024, 'x');
  bool ok = true;
  for (int i = 0; i < 8 && ok; ++i) ok = session.Write(big.data(), big.size());
  EXPECT_FALSE(ok);
  session.Finish(ResultTransmitError);
}

TEST(TcpLink, ConnectToAListenerThatNeverAcceptsIsBounded) {
  // A listener with a full backlog drops new SYNs, so connecting hangs until
  // the link's own bound ends it.
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  socklen_t len = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    int f = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers.push_back(f);
  }
  // Nobody accepts, so the backlog is full once one filler is connected.
  ASSERT_TRUE(OneConnected(fillers, 2000));
  BoundLink link;
  link.Timeouts().tcp.connect = std::chrono::milliseconds(300);
  CopyText(link.tcp.host, sizeof link.tcp.host, "127.0.0.1");
  link.tcp.port = ntohs(a.sin_port);
  auto start = Clock::now();
  ResultCode r = RunOperation(OpTestConnection, KindEthernet, nullptr, 0);
  auto took = Clock::now() - start;
  EXPECT_EQ(r, ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::TimedOut);
  EXPECT_LT(took, std::chrono::milliseconds(300 + 2000));
  for (int f : fillers) close(f);
  close(listener);
}

TEST(TcpLink, PrinterThatStopsTakingDataFailsTheWrite) {
  LoopbackPeer peer;
  LoopbackPeer::Script s;
  s.neverRead = true;
  peer.SetScripts({s});
  BoundLink link;
  link.Timeouts().tcp.write = std::chrono::milliseconds(100);
  peer.Target(link.tcp);
  LinkHandle h = KindLink(KindEthernet).Open();
  ASSERT_NE(h, InvalidLink);
  // Far more than the socket buffers hold: the write must give up after its
  // bounded retries rather than hang.
  std::vector<uint8_t> data(64 * 1024 * 1024, 'z');
  EXPECT_FALSE(KindLink(KindEthernet).Write(h, data.data(), static_cast<uint32_t>(data.size())));
  // What the socket took cannot leave either.
  EXPECT_FALSE(KindLink(KindEthernet).Close(h));
}

std::string Pattern(size_t count) {
  std::string s(count, '\0');
  for (size_t i = 0; i < count; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

TEST(TcpLink, BytesLeftUnreadAtCloseDoNotCostTheBytesWritten) {
  // The printer answers a status query inside the job that the job never
  // reads, and takes the job slowly. Closing with its answer unread used to
  // reset the connection and drop what was still queued, yet report success.
  LoopbackPeer peer;
  LoopbackPeer::Script s;
  s.answer = "\x40";
  s.answerAtOnce = true;
  s.readPause = std::chrono::milliseconds(2);
  s.receiveBuffer = 16 * 1024;
  peer.SetScripts({s});
  BoundLink link;
  peer.Target(link.tcp);
  std::string job = Pattern(300003);
  LinkSession session(KindEthernet);
  ASSERT_TRUE(session.IsOpen());
  ASSERT_TRUE(session.Write(job.data(), static_cast<uint32_t>(job.size())));
  EXPECT_EQ(session.Finish(ResultOk), ResultOk);
  EXPECT_EQ(peer.WaitReceived(job.size(), 10000), job.size());
  EXPECT_TRUE(peer.Received() == job);
}

TEST(TcpLink, AWriteToAPrinterThatHasClosedIsATransmitError) {
  // The printer accepts and closes at once; the command written after that
  // goes nowhere.
  LoopbackPeer peer;
  peer.SetScripts({{"", true, true}});
  BoundLink link;
  peer.Target(link.tcp);
  LinkSession session(KindEthernet);
  ASSERT_TRUE(session.IsOpen());
  ASSERT_TRUE(peer.WaitIdle(2000));
  // The read ends once the printer's close (end of stream) has arrived.
  uint8_t byte;
  EXPECT_FALSE(session.ReadByte(byte));
  EXPECT_TRUE(session.Write("PRINT 1\r\n", 9));  // the system still takes it
  EXPECT_EQ(session.Finish(ResultOk), ResultTransmitError);
  EXPECT_EQ(peer.Received(), "");
}

TEST(TcpLink, ACloseWaitsForTheQueueAndTheResultComparesWithWhatArrived) {
  // Several sizes against a slow reader: whatever the result, a reported
  // success means every byte arrived.
  for (size_t size : {1u, 1024u, 4097u, 70000u}) {
    LoopbackPeer peer;
    LoopbackPeer::Script s;
    s.readPause = std::chrono::milliseconds(5);
    s.receiveBuffer = 8192;
    peer.SetScripts({s});
    BoundLink link;
    peer.Target(link.tcp);
    std::string job = Pattern(size);
    ResultCode r =
        RunOperation(OpSendRaw, KindEthernet, job.data(), static_cast<int32_t>(job.size()));
    EXPECT_EQ(r, ResultOk) << size;
    EXPECT_EQ(peer.WaitReceived(size, 10000), size);
    EXPECT_TRUE(peer.Received() == job) << size;
  }
}

TEST(TcpLink, OpenFailuresSayWhy) {
  BoundLink link;
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::NotSet);
  // A port nobody listens on refuses.
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  CopyText(link.tcp.host, sizeof link.tcp.host, "127.0.0.1");
  link.tcp.port = ntohs(a.sin_port);
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::Refused);
  EXPECT_STREQ(LastOpenFailureText(), "The printer refused the connection.");
  close(s);
}

TEST(TcpLink, IPv6AddressesWithAndWithoutBrackets) {
  LoopbackPeer peer(LoopbackPeer::V6);
  BoundLink link;
  link.tcp.port = peer.Port();
  for (const char* host : {"::1", "[::1]"}) {
    CopyText(link.tcp.host, sizeof link.tcp.host, host);
    EXPECT_EQ(RunOperation(OpSendRaw, KindEthernet, const_cast<char*>("AB"), 2), ResultOk)
        << host;
  }
  EXPECT_EQ(peer.WaitReceived(4, 2000), 4u);
  EXPECT_EQ(peer.Received(), "ABAB");
  // The IPv4 loopback is another address: nothing listens there.
  CopyText(link.tcp.host, sizeof link.tcp.host, "127.0.0.1");
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultPortOpenError);
}

}  // namespace
}  // namespace varnalux
