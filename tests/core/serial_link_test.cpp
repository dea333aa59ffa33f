// The serial link: the line settings it builds from every index, what a
// pseudo-terminal keeps of them, reads and their bound, and port names.
#include "link/serial_link.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "link/port_names.h"
#include "loopback_peer.h"
#include "operations/dispatcher.h"
#include "protocol/report_exchange.h"
#include "pty_pair.h"
#include "tests/support/kind_link.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using testing::KindLink;
using testing::PtyPair;

SerialSettings Settings(int baud, int data, int parity, int stop, int hw, int sw) {
  SerialSettings s;
  InitialSerialSettings(s);
  s.baudIndex = baud;
  s.dataBitsIndex = data;
  s.parityIndex = parity;
  s.stopBitsIndex = stop;
  s.hwHandshakeIndex = hw;
  s.swHandshakeIndex = sw;
  return s;
}

termios Dirty() {
  // A terminal in cooked mode with every option we touch set the wrong way.
  termios t{};
  t.c_iflag = ICRNL | IXON | IXOFF | INPCK | ISTRIP;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
  t.c_cflag = CS5 | PARENB | PARODD | CSTOPB | CRTSCTS;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 5;
  t.c_cc[VSTART] = 0x11;
  t.c_cc[VSTOP] = 0x13;
  return t;
}

TEST(SerialSettingsMapping, BaudIndexes) {
  const speed_t want[] = {B2400, B4800, B9600, B19200, B38400, B57600, B115200};
  for (int i = 0; i < 7; ++i) {
    termios t = BuildSerialTermios(Dirty(), Settings(i, 1, 0, 0, 1, 0));
    EXPECT_EQ(cfgetospeed(&t), want[i]) << i;
    EXPECT_EQ(cfgetispeed(&t), want[i]) << i;
  }
  for (int i : {7, -1, 99}) {
    termios t = BuildSerialTermios(Dirty(), Settings(i, 1, 0, 0, 1, 0));
    EXPECT_EQ(cfgetospeed(&t), B9600) << i;  // the empty item and anything else
  }
}

TEST(SerialSettingsMapping, DataBitsParityStopBits) {
  EXPECT_EQ(BuildSerialTermios(Dirty(), Settings(2, 0, 0, 0, 1, 0)).c_cflag & CSIZE, CS7);
  for (int d : {1, 2, -5})
    EXPECT_EQ(BuildSerialTermios(Dirty(), Settings(2, d, 0, 0, 1, 0)).c_cflag & CSIZE, CS8);

  termios none = BuildSerialTermios(Dirty(), Settings(2, 1, 0, 0, 1, 0));
  EXPECT_EQ(none.c_cflag & (PARENB | PARODD), 0u);
  EXPECT_EQ(none.c_iflag & INPCK, 0u);
  termios odd = BuildSerialTermios(Dirty(), Settings(2, 1, 1, 0, 1, 0));
  EXPECT_EQ(odd.c_cflag & (PARENB | PARODD), static_cast<tcflag_t>(PARENB | PARODD));
  EXPECT_NE(odd.c_iflag & INPCK, 0u);  // odd parity is checked
  termios even = BuildSerialTermios(Dirty(), Settings(2, 1, 2, 0, 1, 0));
  EXPECT_EQ(even.c_cflag & (PARENB | PARODD), static_cast<tcflag_t>(PARENB));
  EXPECT_EQ(even.c_iflag & INPCK, 0u);  // even parity is sent, not checked
  termios other = BuildSerialTermios(Dirty(), Settings(2, 1, 3, 0, 1, 0));
  EXPECT_EQ(other.c_cflag & PARENB, 0u);

  EXPECT_EQ(BuildSerialTermios(Dirty(), Settings(2, 1, 0, 0, 1, 0)).c_cflag & CSTOPB, 0u);
  EXPECT_NE(BuildSerialTermios(Dirty(), Settings(2, 1, 0, 1, 1, 0)).c_cflag & CSTOPB, 0u);
  EXPECT_NE(BuildSerialTermios(Dirty(), Settings(2, 1, 0, 2, 1, 0)).c_cflag & CSTOPB, 0u);
  EXPECT_EQ(BuildSerialTermios(Dirty(), Settings(2, 1, 0, 7, 1, 0)).c_cflag & CSTOPB, 0u);
}

TEST(SerialSettingsMapping, HandshakesCombine) {
  EXPECT_EQ(BuildSerialTermios(Dirty(), Settings(2, 1, 0, 0, 0, 0)).c_cflag & CRTSCTS, 0u);
  for (int hw : {1, 2, 5})
    EXPECT_NE(BuildSerialTermios(Dirty(), Settings(2, 1, 0, 0, hw, 0)).c_cflag & CRTSCTS, 0u) << hw;
  termios xon = BuildSerialTermios(Dirty(), Settings(2, 1, 0, 0, 2, 1));
  EXPECT_NE(xon.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(xon.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  for (int sw : {0, 2})
    EXPECT_EQ(BuildSerialTermios(Dirty(), Settings(2, 1, 0, 0, 1, sw)).c_iflag & (IXON | IXOFF),
              0u);
  // The XON/XOFF characters are kept as the driver had them.
  EXPECT_EQ(xon.c_cc[VSTART], 0x11);
  EXPECT_EQ(xon.c_cc[VSTOP], 0x13);
}

TEST(SerialSettingsMapping, RawModeWhateverTheTerminalHad) {
  termios t = BuildSerialTermios(Dirty(), Settings(2, 1, 0, 0, 1, 0));
  EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | ISTRIP), 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  EXPECT_NE(t.c_cflag & CREAD, 0u);
}

TEST(SerialLink, SettingsReadBackFromTheOpenPort) {
  PtyPair pty;
  SerialSettings s = Settings(6, 1, 0, 2, 2, 1);
  CopyText(s.portName, sizeof s.portName, pty.slave.c_str());
  int fd = OpenSerialPort(s);
  ASSERT_GE(fd, 0);
  termios t{};
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B115200);
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
  CloseSerialPort(fd);

  // Settings are applied afresh at every open.
  s = Settings(0, 1, 0, 0, 0, 0);
  CopyText(s.portName, sizeof s.portName, pty.slave.c_str());
  fd = OpenSerialPort(s);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(tcgetattr(fd, &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B2400);
  EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), 0u);
  CloseSerialPort(fd);
}

TEST(SerialLink, ReadsWaitSixAttemptsThenFail) {
  PtyPair pty;
  BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, pty.slave.c_str());
  LinkHandle h = KindLink(KindCom).Open();
  ASSERT_NE(h, InvalidLink);
  uint8_t b;
  // A byte already waiting comes at once, without a pause.
  ASSERT_EQ(write(pty.master, "Q", 1), 1);
  pollfd waiting{static_cast<int>(h), POLLIN, 0};
  ASSERT_EQ(poll(&waiting, 1, 5000), 1) << "the byte never reached the port";
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(KindLink(KindCom).ReadByte(h, b));
  EXPECT_EQ(b, 'Q');
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  // Silence: six attempts with 200 ms pauses.
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(KindLink(KindCom).ReadByte(h, b));
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(1150));
  EXPECT_LT(took, std::chrono::milliseconds(2000));
  KindLink(KindCom).Close(h);
}

TEST(SerialLink, StatusOverThePseudoTerminal) {
  PtyPair pty;
  BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, pty.slave.c_str());
  std::thread printer([&] {
    // Answer ESC ! ? with 0x81 once it arrives.
    std::string got;
    for (int i = 0; i < 300 && got.size() < 3; ++i) {
      char buf[16];
      ssize_t n = read(pty.master, buf, sizeof buf);
      if (n > 0)
        got.append(buf, static_cast<size_t>(n));
      else
        usleep(10000);
    }
    if (got == "\x1b!?") {
      char answer = static_cast<char>(0x81);
      (void)!write(pty.master, &answer, 1);
    }
  });
  fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
  PrinterStatus status;
  EXPECT_EQ(RunOperation(OpQueryStatus, KindCom, &status, 0), ResultOk);
  printer.join();
  EXPECT_EQ(StatusToByte(status), 0x81);
}

TEST(SerialLink, UnknownPortFailsToOpen) {
  BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, "COM31");
  EXPECT_EQ(RunOperation(OpTestConnection, KindCom, nullptr, 0), ResultPortOpenError);
  CopyText(link.serial.portName, sizeof link.serial.portName, "/dev/null");  // not a terminal
  EXPECT_EQ(RunOperation(OpTestConnection, KindCom, nullptr, 0), ResultPortOpenError);
}

// Xon/Xoff on the port; the far end of the pseudo-terminal holds the line
// with XOFF. Only bytes that left count as sent.
struct HeldLine {
  PtyPair pty{PtyPair::HoldSlave};
  BoundLink link;
  HeldLine() {
    CopyText(link.serial.portName, sizeof link.serial.portName, pty.slave.c_str());
    link.serial.swHandshakeIndex = 1;
    link.Timeouts().serial.writePerByte = std::chrono::milliseconds(0);
    link.Timeouts().serial.writeBase = std::chrono::milliseconds(300);
    fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
  }
  // Sends XOFF and waits until the port has stopped its output: the master
  // in packet mode hears of the stop.
  void Hold() {
    int on = 1;
    ASSERT_EQ(ioctl(pty.master, TIOCPKT, &on), 0);
    ASSERT_EQ(write(pty.master, "\x13", 1), 1);
    bool stopped = false;
    for (int waited = 0; !stopped && waited < 5000; waited += 50) {
      pollfd p{pty.master, POLLIN | POLLPRI, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char packet[64];
      const ssize_t n = read(pty.master, packet, sizeof packet);
      stopped = n > 0 && (packet[0] & TIOCPKT_STOP) != 0;
    }
    int off = 0;
    ASSERT_EQ(ioctl(pty.master, TIOCPKT, &off), 0);
    ASSERT_TRUE(stopped) << "the port never took the XOFF";
  }
  void Release() { ASSERT_EQ(write(pty.master, "\x11", 1), 1); }
};

std::string Job(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

TEST(SerialLink, FlowControlThatNeverReleasesIsATransmitError) {
  HeldLine line;
  LinkHandle h = KindLink(KindCom).Open();  // the settings (IXON) are on the port now
  ASSERT_NE(h, InvalidLink);
  line.Hold();
  std::string job = Job(200);
  EXPECT_FALSE(KindLink(KindCom).Write(h, job.data(), static_cast<uint32_t>(job.size())));
  // Nothing was reported as sent and nothing shows up later either.
  EXPECT_TRUE(KindLink(KindCom).Close(h));
  line.Release();
  EXPECT_EQ(line.pty.Drain(200), "");
}

TEST(SerialLink, FlowControlReleasedWithinTheBoundDeliversEveryByte) {
  HeldLine line;
  line.link.Timeouts().serial.writeBase = std::chrono::milliseconds(3000);
  LinkHandle h = KindLink(KindCom).Open();
  ASSERT_NE(h, InvalidLink);
  line.Hold();
  std::thread release([&line] {
    usleep(150000);  // the line is released late on purpose, within the bound
    line.Release();
  });
  std::string job = Job(300);
  EXPECT_TRUE(KindLink(KindCom).Write(h, job.data(), static_cast<uint32_t>(job.size())));
  release.join();
  EXPECT_TRUE(KindLink(KindCom).Close(h));
  EXPECT_EQ(line.pty.ReadAtLeast(job.size()), job);
}

TEST(SerialLink, OpenFailuresSayWhy) {
  BoundLink link;
  CopyText(link.serial.portName, sizeof link.serial.portName, "/nonexistent/tty");
  EXPECT_EQ(RunOperation(OpTestConnection, KindCom, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::Missing);
  CopyText(link.serial.portName, sizeof link.serial.portName, "/dev/null");
  EXPECT_EQ(RunOperation(OpTestConnection, KindCom, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::NotADevice);
  CopyText(link.serial.portName, sizeof link.serial.portName, "");
  EXPECT_EQ(RunOperation(OpTestConnection, KindCom, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::NotSet);
}

class PortNames : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/varnalux-ports-XXXXXX";
    dir_ = mkdtemp(tmpl);
    file_ = dir_ + "/ports.conf";
    setenv("VARNALUX_PORTS_FILE", file_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VARNALUX_PORTS_FILE");
    unsetenv("VARNALUX_COM7");
    unlink(file_.c_str());
    rmdir(dir_.c_str());
  }
  std::string dir_, file_;
};

TEST_F(PortNames, BuiltInTableReachesOnBoardAndUsbAdapters) {
  EXPECT_EQ(ResolvePortDevice("COM1"), "/dev/ttyS0");
  EXPECT_EQ(ResolvePortDevice("COM4"), "/dev/ttyS3");
  EXPECT_EQ(ResolvePortDevice("COM5"), "/dev/ttyUSB0");
  EXPECT_EQ(ResolvePortDevice("COM12"), "/dev/ttyUSB7");
  EXPECT_EQ(ResolvePortDevice("COM13"), "/dev/ttyACM0");
  EXPECT_EQ(ResolvePortDevice("COM21"), "/dev/ttyS4");
  EXPECT_EQ(ResolvePortDevice("COM30"), "/dev/ttyS13");
  EXPECT_EQ(ResolvePortDevice("LPT1"), "/dev/lp0");
  EXPECT_EQ(ResolvePortDevice("LPT4"), "/dev/lp3");
  EXPECT_EQ(ResolvePortDevice("COM0"), "");
  EXPECT_EQ(ResolvePortDevice("COM31"), "");
  EXPECT_EQ(ResolvePortDevice("LPT5"), "");
  EXPECT_EQ(ResolvePortDevice("COMx"), "");
  EXPECT_EQ(ResolvePortDevice(""), "");
  EXPECT_EQ(ResolvePortDevice("/dev/pts/9"), "/dev/pts/9");
  EXPECT_EQ(PortMappingSource("COM3"), "built-in");
}

TEST_F(PortNames, MappingFileAndEnvironmentOverrideTheTable) {
  std::ofstream(file_) << "# adapters of this bench\n"
                          "com7 = /dev/serial/by-id/usb-FTDI-if00  # the label printer\n"
                          "COM8=relative/ignored\n"
                          "LPT2 = /dev/usb/lp0\n";
  EXPECT_EQ(ResolvePortDevice("COM7"), "/dev/serial/by-id/usb-FTDI-if00");
  EXPECT_EQ(PortMappingSource("COM7"), "mapping file");
  EXPECT_EQ(ResolvePortDevice("COM8"), "/dev/ttyUSB3");  // only absolute paths count
  EXPECT_EQ(ResolvePortDevice("LPT2"), "/dev/usb/lp0");
  setenv("VARNALUX_COM7", "/dev/pts/4", 1);
  EXPECT_EQ(ResolvePortDevice("COM7"), "/dev/pts/4");
  EXPECT_EQ(PortMappingSource("COM7"), "environment");
}

}  // namespace
}  // namespace varnalux
