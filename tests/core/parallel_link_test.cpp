// The parallel link with its port name mapped to a pseudo-terminal (a
// character device, as a real port is); FIFOs and files are refused.
#include "link/parallel_link.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "link/link_session.h"
#include "link/link_settings.h"
#include "link/printer_link.h"
#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "protocol/clock.h"
#include "protocol/printer_config.h"
#include "protocol/report_exchange.h"
#include "tests/core/pty_pair.h"
#include "tests/support/kind_link.h"

namespace varnalux {
namespace {

using testing::KindLink;
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

class RecordingProgress : public ProgressView {
 public:
  void Open(int, int, const char*) override { positions.clear(); }
  void SetPosition(int position) override { positions.push_back(position); }
  void Close() override {}
  void ProcessPendingMessages() override {}
  std::vector<int> positions;
};

// LPT2 stands for a pseudo-terminal while the test runs; a fresh directory
// holds the FIFO and the file that must be refused.
class ParallelLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/varnalux-lpt-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    fifo_ = dir_ + "/lp";
    ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
    port_ = pty_.slave;
    setenv("VARNALUX_LPT2", port_.c_str(), 1);
    InitialSerialSettings(serial_);
    InitialParallelName(parallel_);
    InitialTcpTarget(tcp_);
    CopyText(parallel_, ParallelNameSize, "LPT2");
    BindLinkSettings(serial_, parallel_, tcp_, &ProgressObserver());
  }
  void TearDown() override {
    SetProgressView(nullptr);
    UnbindLinkSettings();
    unsetenv("VARNALUX_LPT2");
    unlink(fifo_.c_str());
    rmdir(dir_.c_str());
  }

  // Reads everything that comes out of the port until it has been quiet for
  // half a second after the first byte (which may take up to five seconds).
  std::thread Drain(std::string& into) {
    int fd = dup(pty_.master);
    EXPECT_GE(fd, 0);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return std::thread([fd, &into] {
      char buffer[8192];
      auto idleSince = Clock::now();
      while (ElapsedMs(idleSince) < (into.empty() ? 5000 : 500)) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) continue;
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
          into.append(buffer, static_cast<size_t>(n));
          idleSince = Clock::now();
        } else if (n == 0) {
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
      }
      close(fd);
    });
  }

  testing::PtyPair pty_{testing::PtyPair::HoldSlave};
  std::string port_;
  std::string dir_;
  std::string fifo_;
  SerialSettings serial_{};
  char parallel_[ParallelNameSize] = {};
  TcpTarget tcp_{};
};

std::string Bytes(size_t count) {
  std::string s(count, '\0');
  for (size_t i = 0; i < count; ++i) s[i] = static_cast<char>((i * 31 + i / 256) & 0xFF);
  return s;
}

TEST_F(ParallelLinkTest, A100KbBufferGoesOutInOneWriteWithOneProgressStep) {
  std::string got;
  std::thread reader = Drain(got);
  RecordingProgress view;
  SetProgressView(&view);
  std::string data = Bytes(100 * 1024);
  ResultCode code =
      RunOperation(OpSendRaw, KindLpt, data.data(), static_cast<int32_t>(data.size()));
  reader.join();
  EXPECT_EQ(code, ResultOk);
  ASSERT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);
  // From the first step straight to full, then closed.
  EXPECT_EQ(view.positions, (std::vector<int>{3, 100, 100}));
}

TEST_F(ParallelLinkTest, APortThatStopsTakingDataEndsTheWriteAfterTheBound) {
  CurrentLinkSettings().timeouts.parallel = {milliseconds(300), milliseconds(0)};
  std::string data = Bytes(200 * 1024);  // more than the FIFO holds
  auto start = Clock::now();
  EXPECT_EQ(RunOperation(OpSendRaw, KindLpt, data.data(), static_cast<int32_t>(data.size())),
            ResultTransmitError);
  long elapsed = ElapsedMs(start);
  EXPECT_GE(elapsed, 250);
  EXPECT_LT(elapsed, 3000);  // the progress window's own 200 ms included
}

TEST_F(ParallelLinkTest, ThePortIsNotShared) {
  LinkHandle first = KindLink(KindLpt).Open();
  ASSERT_NE(first, InvalidLink);
  EXPECT_EQ(KindLink(KindLpt).Open(), InvalidLink);
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultPortOpenError);
  KindLink(KindLpt).Close(first);
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultOk);
}

TEST_F(ParallelLinkTest, NothingIsReadBackAndReadsDoNotWait) {
  LinkHandle h = KindLink(KindLpt).Open();
  ASSERT_NE(h, InvalidLink);
  uint8_t b = 0;
  auto start = Clock::now();
  EXPECT_FALSE(KindLink(KindLpt).ReadByte(h, b));
  EXPECT_LT(ElapsedMs(start), 50);
  KindLink(KindLpt).Close(h);
}

TEST_F(ParallelLinkTest, StatusAndConfigurationReadsNeverOpenThePort) {
  int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, port_.c_str(), IN_OPEN), 0);
  auto opens = [&] {
    int count = 0;
    alignas(inotify_event) char buffer[4096];
    ssize_t n = 0;
    while ((n = read(watch, buffer, sizeof buffer)) > 0) {
      for (char* p = buffer; p < buffer + n;) {
        auto* e = reinterpret_cast<inotify_event*>(p);
        if (e->mask & IN_OPEN) ++count;
        p += sizeof(inotify_event) + e->len;
      }
    }
    return count;
  };
  PrinterStatus status;
  EXPECT_EQ(RunOperation(OpQueryStatus, KindLpt, &status, 0), ResultReceiveError);
  PrinterConfig config;
  ResetConfig(config);
  EXPECT_EQ(RunOperation(OpReadConfig, KindLpt, &config, 1), ResultReceiveError);
  EXPECT_EQ(opens(), 0);
  // The watch does see an operation that opens the port.
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultOk);
  EXPECT_EQ(opens(), 1);
  close(watch);
}

TEST_F(ParallelLinkTest, OperationsThatNeedAnAnswerFailAfterWritingTheirQuery) {
  // The clock read is tried on LPT: its first query goes out, then the
  // missing answer ends it with "Data Receiving Error".
  std::string got;
  std::thread reader = Drain(got);
  ClockSettings clock{};
  clock.year = 77;
  EXPECT_EQ(RunOperation(OpReadClock, KindLpt, &clock, 0), ResultReceiveError);
  reader.join();
  EXPECT_EQ(got, "\r\nDIAGNOSTIC INTERFACE LPT\r\n");
  EXPECT_EQ(clock.year, 77);
}

TEST_F(ParallelLinkTest, UnknownNamesAndMissingDevicesAreOpenErrors) {
  for (const char* name : {"LPT5", "LPT0", "COM1x", "", "/nonexistent/lp0"}) {
    CopyText(parallel_, ParallelNameSize, name);
    EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultPortOpenError) << name;
  }
  CopyText(parallel_, ParallelNameSize, dir_.c_str());  // a directory is no port
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultPortOpenError);
  // A device path is used as it is.
  CopyText(parallel_, ParallelNameSize, port_.c_str());
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultOk);
}

TEST_F(ParallelLinkTest, ATerminalBehindThePortPassesEveryByteUnchanged) {
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  close(slave);  // the link opens it by name
  setenv("VARNALUX_LPT3", name, 1);
  CopyText(parallel_, ParallelNameSize, "LPT3");
  std::string data = "SIZE 4,2\nCLS\r\n";
  for (int c = 0; c < 256; ++c) data.push_back(static_cast<char>(c));
  EXPECT_EQ(RunOperation(OpSendRaw, KindLpt, data.data(), static_cast<int32_t>(data.size())),
            ResultOk);
  unsetenv("VARNALUX_LPT3");
  std::string got;
  char buffer[1024];
  auto start = Clock::now();
  while (got.size() < data.size() && ElapsedMs(start) < 2000) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<size_t>(n));
  }
  close(master);
  ASSERT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);
}

// The port's terminal settings are the user's (stty): raw only while the
// link writes, as they were before once the operation ends.
TEST_F(ParallelLinkTest, ATerminalGetsItsOwnSettingsBackAfterEachOperation) {
  termios before{};
  ASSERT_EQ(tcgetattr(pty_.keep, &before), 0);
  ASSERT_NE(before.c_oflag & OPOST, 0u);  // a cooked terminal: it would rewrite "\n"
  auto expectSettingsAsBefore = [&](const char* after) {
    termios now{};
    ASSERT_EQ(tcgetattr(pty_.keep, &now), 0);
    EXPECT_EQ(now.c_iflag, before.c_iflag) << after;
    EXPECT_EQ(now.c_oflag, before.c_oflag) << after;
    EXPECT_EQ(now.c_cflag, before.c_cflag) << after;
    EXPECT_EQ(now.c_lflag, before.c_lflag) << after;
    EXPECT_EQ(cfgetospeed(&now), cfgetospeed(&before)) << after;
    EXPECT_TRUE(std::equal(std::begin(now.c_cc), std::end(now.c_cc), std::begin(before.c_cc)))
        << after;
  };

  std::string data = "SIZE 4,2\nCLS\r\n\x03\x7f";
  EXPECT_EQ(RunOperation(OpSendRaw, KindLpt, data.data(), static_cast<int32_t>(data.size())),
            ResultOk);
  std::string got;
  char buffer[256];
  auto start = Clock::now();
  while (got.size() < data.size() && ElapsedMs(start) < 2000) {
    pollfd p{pty_.master, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    ssize_t n = read(pty_.master, buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<size_t>(n));
  }
  EXPECT_TRUE(got == data);  // raw while it wrote
  expectSettingsAsBefore("a send");

  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultOk);
  expectSettingsAsBefore("an open and close");
  // A write that fails (the port never takes it) gives them back as well.
  CurrentLinkSettings().timeouts.parallel = {milliseconds(200), milliseconds(0)};
  std::string big = Bytes(256 * 1024);
  EXPECT_EQ(RunOperation(OpSendRaw, KindLpt, big.data(), static_cast<int32_t>(big.size())),
            ResultTransmitError);
  expectSettingsAsBefore("a failed send");
}

TEST_F(ParallelLinkTest, AFifoOrAFileIsNoPortAndIsLeftUntouched) {
  // A FIFO with no reader used to "succeed": the program was its own reader.
  CopyText(parallel_, ParallelNameSize, fifo_.c_str());
  std::string data = "SIZE 4,2\r\nPRINT 1\r\n";
  EXPECT_EQ(RunOperation(OpSendRaw, KindLpt, data.data(), static_cast<int32_t>(data.size())),
            ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::NotADevice);

  // A regular file used to be overwritten in place.
  const std::string file = dir_ + "/notes.txt";
  {
    FILE* f = fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("keep me", f);
    fclose(f);
  }
  CopyText(parallel_, ParallelNameSize, file.c_str());
  EXPECT_EQ(RunOperation(OpSendRaw, KindLpt, data.data(), static_cast<int32_t>(data.size())),
            ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::NotADevice);
  char back[32] = {};
  FILE* f = fopen(file.c_str(), "r");
  ASSERT_NE(f, nullptr);
  size_t n = fread(back, 1, sizeof back - 1, f);
  fclose(f);
  unlink(file.c_str());
  EXPECT_EQ(std::string(back, n), "keep me");
}

TEST_F(ParallelLinkTest, ThePortIsOpenedForWritingOnlyAndSaysWhyAnOpenFailed) {
  {
    LinkSession link(KindLpt);
    ASSERT_TRUE(link.IsOpen());
    EXPECT_EQ(link.Failure(), OpenFailure::None);
    EXPECT_EQ(fcntl(static_cast<int>(link.Handle()), F_GETFL) & O_ACCMODE, O_WRONLY);
    LinkSession second(KindLpt);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.Failure(), OpenFailure::Busy);
    EXPECT_STREQ(LastOpenFailureText(), "Another program is using the port.");
  }
  CopyText(parallel_, ParallelNameSize, "/nonexistent/lp0");
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::Missing);
  CopyText(parallel_, ParallelNameSize, "");
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::NotSet);
  // A successful open clears the reason.
  CopyText(parallel_, ParallelNameSize, "LPT2");
  EXPECT_EQ(RunOperation(OpTestConnection, KindLpt, nullptr, 0), ResultOk);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::None);
  EXPECT_STREQ(LastOpenFailureText(), "");
}

}  // namespace
}  // namespace varnalux
