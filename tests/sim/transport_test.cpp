// The printer over its transports: TCP with sequential connections, the
// pseudo-terminal reopened per operation, and the faults.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "sim/virtual_printer.h"
#include "sim_test_client.h"
#include "tests/support/temp_folder.h"

namespace varnalux::sim {
namespace {

using test::Client;

const std::string Status = "\x1b!?";

class Tcp : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(printer_.StartTcp("127.0.0.1", 0)); }
  Client Connect() { return Client::Tcp(printer_.TcpPort()); }
  VirtualPrinter printer_;
};

TEST_F(Tcp, SequentialConnectionsEachGetTheirAnswers) {
  ASSERT_NE(printer_.TcpPort(), 0);
  for (int i = 0; i < 3; ++i) {
    uint8_t status = static_cast<uint8_t>(0x40 + i);
    printer_.SetStatusByte(status);
    Client c = Connect();
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.Send(Status));
    EXPECT_EQ(c.Read(1, 2000), std::string(1, static_cast<char>(status))) << "connection " << i;
  }
  EXPECT_EQ(printer_.ConnectionCount(), 3u);
  EXPECT_TRUE(printer_.WaitForReceived(9, 2000));
  EXPECT_EQ(printer_.ReceivedText(), Status + Status + Status);
}

TEST_F(Tcp, ReportExchangeAndReceivedBytes) {
  Client c = Connect();
  std::string query = "\r\nDIAGNOSTIC INTERFACE NET\r\nDIAGNOSTIC REPORT DPI\r\n";
  ASSERT_TRUE(c.Send(query));
  EXPECT_EQ(c.ReadFramed(2000), "{2|OK}");
  EXPECT_EQ(c.ReadFramed(2000), "{3|203}");
  EXPECT_EQ(printer_.ReceivedText(), query);
  printer_.ClearReceived();
  EXPECT_TRUE(printer_.Received().empty());
  EXPECT_FALSE(printer_.WaitForReceived(1, 50));
}

TEST_F(Tcp, SilentTakesBytesAndSettingsButAnswersNothing) {
  printer_.SetFault(Fault::Silent);
  Client c = Connect();
  ASSERT_TRUE(c.Send("SPEED 6\r\n" + Status + "DIAGNOSTIC REPORT DPI\r\n"));
  EXPECT_TRUE(printer_.WaitForReceived(35, 2000));
  EXPECT_EQ(c.Read(1, 300), "");
  bool found = false;
  EXPECT_EQ(printer_.ReportValue("SPEED", found), "6");
}

TEST_F(Tcp, MalformedAnswersCarryAWrongLength) {
  printer_.SetFault(Fault::Malformed);
  Client c = Connect();
  ASSERT_TRUE(c.Send("DIAGNOSTIC REPORT DPI\r\n"));
  EXPECT_EQ(c.ReadFramed(2000), "{4|203}");
}

TEST_F(Tcp, SplitAnswersArriveWholeInSeveralPieces) {
  printer_.SetFault(Fault::SplitAnswers);
  Client c = Connect();
  ASSERT_TRUE(c.Send("DIAGNOSTIC REPORT VERSION\r\n"));
  bool found = false;
  std::string version = printer_.ReportValue("VERSION", found);
  std::string expected = "{" + std::to_string(version.size()) + "|" + version + "}";
  // The first read sees only a piece of it.
  std::string first = c.ReadOnce(3000);
  EXPECT_LT(first.size(), expected.size());
  std::string all = first + c.Read(expected.size() - first.size(), 3000);
  EXPECT_EQ(all, expected);
}

TEST_F(Tcp, DropMidAnswerClosesHalfWayOnceThenServesAgain) {
  printer_.SetFault(Fault::DropMidAnswer);
  {
    Client c = Connect();
    ASSERT_TRUE(c.Send("DIAGNOSTIC REPORT PAPERWIDTH\r\n"));  // {3|812}
    EXPECT_EQ(c.Read(100, 2000), "{3|");
    EXPECT_TRUE(c.ClosedByPeer());
  }
  EXPECT_EQ(printer_.CurrentFault(), Fault::None);
  Client again = Connect();
  ASSERT_TRUE(again.Send("DIAGNOSTIC REPORT PAPERWIDTH\r\n"));
  EXPECT_EQ(again.ReadFramed(2000), "{3|812}");
}

TEST_F(Tcp, DropOnReceiveClosesWithoutRunningTheCommand) {
  printer_.SetFault(Fault::DropOnReceive);
  Client c = Connect();
  ASSERT_TRUE(c.Send("SPEED 6\r\n"));
  EXPECT_EQ(c.Read(1, 2000), "");
  EXPECT_TRUE(c.ClosedByPeer());
  bool found = false;
  EXPECT_EQ(printer_.ReportValue("SPEED", found), "4");
  EXPECT_EQ(printer_.ReceivedText(), "SPEED 6\r\n");
}

// The reset fault: the first bytes are kept, not run, and the connection
// ends in a reset that the peer's read reports, not in an orderly close.
TEST_F(Tcp, ResetAnswersTheFirstBytesWithAReset) {
  Fault named = Fault::None;
  ASSERT_TRUE(FaultFromName("Reset", named));
  EXPECT_EQ(named, Fault::Reset);
  EXPECT_STREQ(FaultName(Fault::Reset), "reset");
  printer_.SetFault(named);
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(printer_.TcpPort());
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const std::string line = "SPEED 6\r\n";
  ASSERT_EQ(send(fd, line.data(), line.size(), MSG_NOSIGNAL), static_cast<ssize_t>(line.size()));
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1);
  char byte = 0;
  errno = 0;
  EXPECT_EQ(recv(fd, &byte, 1, 0), -1);
  EXPECT_EQ(errno, ECONNRESET);
  close(fd);
  EXPECT_TRUE(printer_.WaitForReceived(line.size(), 2000));
  bool found = false;
  EXPECT_EQ(printer_.ReportValue("SPEED", found), "4");
}

// The exchange of a dump to a file: the dump is started on one connection,
// the application under test prints on another, and the load-back ("\r\n",
// a pause, then the LOAD line) comes on a third and gets the dump.
TEST_F(Tcp, DumpOutlivesItsConnectionAndTheLoadBackGetsIt) {
  const std::string header = "DUMP_TEXT SAVE 1000,\"Dump.txt\",";
  {
    Client c = Connect();
    ASSERT_TRUE(c.Send(header));
    ASSERT_TRUE(printer_.WaitForReceived(header.size(), 2000));
  }
  {
    Client c = Connect();
    ASSERT_TRUE(c.Send("hello\r\n" + Status));
    EXPECT_EQ(c.Read(1, 2000), std::string(1, '\0'));  // the status still answers
  }
  EXPECT_TRUE(printer_.DumpRunning());
  Client c = Connect();
  ASSERT_TRUE(c.Send("\r\n"));
  ASSERT_TRUE(printer_.WaitForReceived(header.size() + 7 + 3 + 2, 2000));
  ASSERT_TRUE(c.Send("LOAD \"Dump.txt\"\r\n\r\n"));
  EXPECT_EQ(c.Read(9, 2000), "hello\r\n\r\n");
  EXPECT_EQ(c.Read(1, 200), "");  // then silence
  EXPECT_FALSE(printer_.DumpRunning());
  std::string file;
  ASSERT_TRUE(printer_.GetFile("Dump.txt", file));
  EXPECT_EQ(file, "hello\r\n\r\n");
}

TEST_F(Tcp, RecordFileGetsEveryByte) {
  varnalux::testing::TempFolder folder;
  const std::string path = folder.Write("record.bin", "");
  ASSERT_TRUE(printer_.SetRecordFile(path));
  std::string bytes = Status + "DOWNLOAD \"B.DAT\",3," + std::string("\0\1\2", 3) + "\r\n";
  {
    Client c = Connect();
    ASSERT_TRUE(c.Send(bytes));
    ASSERT_TRUE(printer_.WaitForReceived(bytes.size(), 2000));
  }
  ASSERT_TRUE(printer_.SetRecordFile(""));
  FILE* f = fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char buffer[256];
  size_t n = fread(buffer, 1, sizeof buffer, f);
  fclose(f);
  EXPECT_EQ(std::string(buffer, n), bytes);
}

TEST(TcpStart, RefusesABadAddressAndAPortInUse) {
  VirtualPrinter a, b, c;
  EXPECT_FALSE(a.StartTcp("not an address", 0));
  ASSERT_TRUE(b.StartTcp("127.0.0.1", 0));
  EXPECT_FALSE(c.StartTcp("127.0.0.1", b.TcpPort()));
  // Stop and start again on a fresh port.
  b.Stop();
  ASSERT_TRUE(b.StartTcp("127.0.0.1", 0));
  Client client = Client::Tcp(b.TcpPort());
  ASSERT_TRUE(client.Send(Status));
  EXPECT_EQ(client.Read(1, 2000), std::string(1, '\0'));
}

class Pty : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/vprinter-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    link_ = dir_ + "/tty";
    slave_ = printer_.StartPty(link_);
    ASSERT_FALSE(slave_.empty());
  }
  void TearDown() override {
    printer_.Stop();
    rmdir(dir_.c_str());
  }
  VirtualPrinter printer_;
  std::string dir_, link_, slave_;
};

TEST_F(Pty, SurvivesTheSlaveBeingReopenedForEveryOperation) {
  printer_.SetStatusByte(0x12);
  for (int i = 0; i < 4; ++i) {
    Client c = Client::Serial(link_);
    ASSERT_TRUE(c.Ok());
    ASSERT_TRUE(c.Send(Status + "\r\nDIAGNOSTIC INTERFACE COM\r\nDIAGNOSTIC REPORT DPI\r\n"));
    EXPECT_EQ(c.Read(1, 2000), "\x12") << "operation " << i;
    EXPECT_EQ(c.ReadFramed(2000), "{2|OK}");
    EXPECT_EQ(c.ReadFramed(2000), "{3|203}");
  }
  EXPECT_EQ(printer_.PtyPath(), slave_);
}

TEST_F(Pty, DumpGoesOnWhenReopenedUntilTheControlChannelEndsIt) {
  {
    Client c = Client::Serial(link_);
    ASSERT_TRUE(c.Send("DUMP_TEXT PRINT,abc"));
    ASSERT_TRUE(printer_.WaitForReceived(19, 2000));
  }
  Client c = Client::Serial(link_);
  ASSERT_TRUE(c.Send("DIAGNOSTIC REPORT DPI\r\n"));
  ASSERT_TRUE(printer_.WaitForReceived(19 + 23, 2000));
  EXPECT_EQ(c.Read(1, 200), "");  // dump text, not a query
  EXPECT_EQ(printer_.Control("enddump"), "OK\n");
  EXPECT_EQ(printer_.Control("enddump"), "ERROR no dump running\n");
  EXPECT_EQ(printer_.DumpTextKept(), "abcDIAGNOSTIC REPORT DPI\r\n");
  EXPECT_EQ(printer_.LabelsPrinted(), 1);
  ASSERT_TRUE(c.Send("DIAGNOSTIC REPORT DPI\r\n"));
  EXPECT_EQ(c.ReadFramed(2000), "{3|203}");
}

TEST_F(Pty, BothTransportsShareOneState) {
  ASSERT_TRUE(printer_.StartTcp("127.0.0.1", 0));
  {
    Client serial = Client::Serial(link_);
    ASSERT_TRUE(serial.Send("SPEED 3\r\n"));
    ASSERT_TRUE(printer_.WaitForCommand("SPEED 3", 2000));
  }
  Client tcp = Client::Tcp(printer_.TcpPort());
  ASSERT_TRUE(tcp.Send("DIAGNOSTIC REPORT SPEED\r\n"));
  EXPECT_EQ(tcp.ReadFramed(2000), "{1|3}");
}

TEST_F(Pty, StopRemovesTheLink) {
  struct stat st {};
  ASSERT_EQ(lstat(link_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  printer_.Stop();
  EXPECT_NE(lstat(link_.c_str(), &st), 0);
}

}  // namespace
}  // namespace varnalux::sim
