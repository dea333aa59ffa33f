// The link facade: chunking, progress ticks, rings and opens, over a real
// TCP connection and a real pseudo-terminal.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "link/printer_link.h"
#include "link/tcp_link.h"
#include "loopback_peer.h"
#include "operations/dispatcher.h"
#include "pty_pair.h"
#include "recording_progress.h"
#include "tests/support/kind_link.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using testing::KindLink;
using testing::LoopbackPeer;
using testing::PtyPair;
using testing::RecordingProgress;

void MakeNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Waits until fd holds at least count unread bytes; false after the bound.
bool WaitUnread(int fd, int count) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    int unread = 0;
    if (ioctl(fd, FIONREAD, &unread) != 0) return false;
    if (unread >= count) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    // Once part of it came the descriptor stays readable: look again shortly.
    if (unread > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) < 0) return false;
  }
}

// This process's socket connected to 127.0.0.1:port (the link's own).
int ConnectedSocketTo(int port) {
  for (int fd = 0; fd < 1024; ++fd) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 &&
        peer.sin_family == AF_INET && ntohs(peer.sin_port) == port &&
        peer.sin_addr.s_addr == htonl(INADDR_LOOPBACK))
      return fd;
  }
  return -1;
}

TEST(LinkFacade, TcpWriteTicksPerChunkAndOnceMoreAfterTheLast) {
  LoopbackPeer peer;
  BoundLink link;
  peer.Target(link.tcp);
  RecordingProgress progress;
  LinkHandle h = KindLink(KindEthernet).Open();
  ASSERT_EQ(h, 1);
  ShowProgress(ProgressPercentMode, 3, 3);
  std::string data(2500, 'x');
  ASSERT_TRUE(KindLink(KindEthernet).Write(h, data.data(), 2500));
  // Chunks of 1024, 1024 and 452 bytes, and one more look at the end. Each
  // tick is the share the printer has acknowledged, which may trail the
  // 40, 81 and 100 % handed over.
  ASSERT_EQ(progress.positions.size(), 5u);
  EXPECT_EQ(progress.positions[0], 3);
  const int handed[] = {40, 81, 100, 100};
  for (size_t i = 1; i < 5; ++i) EXPECT_LE(progress.positions[i], handed[i - 1]) << i;
  for (size_t i = 2; i < 5; ++i) EXPECT_GE(progress.positions[i], progress.positions[i - 1]) << i;
  EXPECT_EQ(progress.pumps, 3);  // messages processed after every chunk
  HideProgress(true);
  // The close returns once the peer has taken every byte.
  EXPECT_TRUE(KindLink(KindEthernet).Close(h));
  EXPECT_EQ(peer.WaitReceived(2500, 2000), 2500u);
  EXPECT_EQ(peer.Received(), data);
}

TEST(LinkFacade, SerialWriteTicks49_98_100AndBytesArrive) {
  PtyPair pty(PtyPair::HoldSlave);
  MakeNonBlocking(pty.master);
  BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, pty.slave.c_str());
  RecordingProgress progress;
  LinkHandle h = KindLink(KindCom).Open();
  ASSERT_NE(h, InvalidLink);
  ShowProgress(ProgressPercentMode, 3, 3);
  std::string data;
  for (int i = 0; i < 130; ++i) data += static_cast<char>('A' + i % 26);
  ASSERT_TRUE(KindLink(KindCom).Write(h, data.data(), 130));
  EXPECT_EQ(progress.positions, (std::vector<int>{3, 49, 98, 100}));
  HideProgress(true);
  KindLink(KindCom).Close(h);
  EXPECT_EQ(pty.ReadAtLeast(data.size()), data);
}

TEST(LinkFacade, ZeroLengthWrites) {
  RecordingProgress progress;
  BoundLink link;
  // TCP: true after one tick of 100.
  LoopbackPeer peer;
  peer.Target(link.tcp);
  LinkHandle h = KindLink(KindEthernet).Open();
  ASSERT_NE(h, InvalidLink);
  ShowProgress(ProgressPercentMode, 3, 3);
  EXPECT_TRUE(KindLink(KindEthernet).Write(h, "", 0));
  EXPECT_EQ(progress.positions, (std::vector<int>{3, 100}));
  HideProgress(true);
  KindLink(KindEthernet).Close(h);

  // Serial: true after only the kind-0 tick (which moves a step-mode bar).
  PtyPair pty(PtyPair::HoldSlave);
  CopyText(link.serial.portName, sizeof link.serial.portName, pty.slave.c_str());
  progress.positions.clear();
  h = KindLink(KindCom).Open();
  ASSERT_NE(h, InvalidLink);
  ShowProgress(ProgressStepMode, 3, 3);
  EXPECT_TRUE(KindLink(KindCom).Write(h, "", 0));
  EXPECT_EQ(progress.positions, (std::vector<int>{3, 6}));
  HideProgress(true);
  KindLink(KindCom).Close(h);
}

TEST(LinkFacade, OpenOfAnUnknownKindFails) {
  BoundLink link;
  EXPECT_EQ(KindLink(4).Open(), InvalidLink);
  EXPECT_EQ(KindLink(-1).Open(), InvalidLink);
  uint8_t b;
  EXPECT_FALSE(KindLink(4).ReadByte(0, b));
  EXPECT_FALSE(KindLink(4).Write(0, "x", 1));
}

TEST(LinkFacade, BytesLeftByThePreviousOperationAreGoneAfterOpen) {
  LoopbackPeer peer;
  // First connection: a 5000-byte reply already waiting; second: silence.
  peer.SetScripts({{std::string(5000, 'r'), true}, {"", false}});
  BoundLink link;
  peer.Target(link.tcp);
  LinkHandle h = KindLink(KindEthernet).Open();
  ASSERT_NE(h, InvalidLink);
  // The whole reply is waiting on this side before the read.
  const int connection = ConnectedSocketTo(peer.Port());
  ASSERT_GE(connection, 0);
  ASSERT_TRUE(WaitUnread(connection, 5000));
  uint8_t b = 0;
  ASSERT_TRUE(KindLink(KindEthernet).ReadByte(h, b));
  EXPECT_EQ(b, 'r');
  // One refill brings at most 4096 bytes; the rest waits in the socket.
  EXPECT_EQ(TcpRing().unread, 4095u);
  for (int i = 0; i < 4095; ++i) ASSERT_TRUE(KindLink(KindEthernet).ReadByte(h, b));
  ASSERT_TRUE(KindLink(KindEthernet).ReadByte(h, b));
  EXPECT_EQ(TcpRing().unread, 903u);
  KindLink(KindEthernet).Close(h);

  h = KindLink(KindEthernet).Open();
  ASSERT_NE(h, InvalidLink);
  EXPECT_EQ(TcpRing().unread, 0u);
  EXPECT_FALSE(KindLink(KindEthernet).ReadByte(h, b));
  KindLink(KindEthernet).Close(h);
}

TEST(LinkFacade, SerialRingAndDriverQueueAreEmptiedAtOpen) {
  PtyPair pty(PtyPair::HoldSlave);
  BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, pty.slave.c_str());
  // Bytes the printer sent before the operation are stale; they wait in the
  // port's queue (raw, so that they count without a line end) before the open.
  termios raw{};
  ASSERT_EQ(tcgetattr(pty.keep, &raw), 0);
  cfmakeraw(&raw);
  ASSERT_EQ(tcsetattr(pty.keep, TCSANOW, &raw), 0);
  ASSERT_EQ(write(pty.master, "stale", 5), 5);
  ASSERT_TRUE(WaitUnread(pty.keep, 5));
  LinkHandle h = KindLink(KindCom).Open();
  ASSERT_NE(h, InvalidLink);
  uint8_t b;
  ASSERT_EQ(write(pty.master, "N", 1), 1);
  ASSERT_TRUE(KindLink(KindCom).ReadByte(h, b));
  EXPECT_EQ(b, 'N');
  KindLink(KindCom).Close(h);
}

TEST(LinkFacade, ParallelNeverReads) {
  BoundLink link;
  uint8_t b;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(KindLink(KindLpt).ReadByte(5, b));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

}  // namespace
}  // namespace varnalux
