// The main window against the virtual printer over TCP on 127.0.0.1: the
// status labels, a failed status query, and the progress window of a raw
// send and of a configuration read.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "app/form_process.h"
#include "operations/progress.h"
#include "sim/virtual_printer.h"
#include "tests/core/loopback_peer.h"
#include "tests/gui/gui_test_support.h"

using namespace varnalux;

namespace {

using varnalux::sim::VirtualPrinter;

// A loopback port on which nothing listens: bound once to learn a free
// number, then closed again.
uint16_t UnusedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  uint16_t port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  if (fd >= 0) close(fd);
  return port;
}

// The progress window as the program installs it, keeping a log of what it
// was told and in which state the windows were meanwhile; with a held
// printer, it lets the printer read on once it shows a note.
class RecordingProcess : public TFormProcess {
 public:
  void Open(int left, int top, const char* caption) override {
    ++opens;
    TFormProcess::Open(left, top, caption);
    openedAt = pos();
    caption_ = windowTitle();
  }
  void SetPosition(int position) override {
    TFormProcess::SetPosition(position);
    positions.push_back(ProgressBar1()->value());
    shownWhileMoving = shownWhileMoving && isVisible();
    if (main != nullptr) mainDisabled = mainDisabled && !main->isEnabled();
  }
  void Close() override {
    ++closes;
    TFormProcess::Close();
  }
  void SetNote(const char* text) override {
    TFormProcess::SetNote(text);
    notes.push_back(LabelWaiting()->isVisible() ? LabelWaiting()->text() : QString());
    sizesWithNote.push_back(size());
    shownWhileMoving = shownWhileMoving && isVisible();
    if (held != nullptr) held->ResumeReading();
  }

  QWidget* main = nullptr;
  varnalux::testing::LoopbackPeer* held = nullptr;
  QStringList notes;
  std::vector<QSize> sizesWithNote;
  int opens = 0;
  int closes = 0;
  QPoint openedAt;
  QString caption_;
  std::vector<int> positions;
  bool shownWhileMoving = true;
  bool mainDisabled = true;
};

class PrinterLinkTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(printer.StartTcp("127.0.0.1", 0));
    UseTcp(printer.TcpPort());
  }
  void TearDown() override {
    varnalux::SetProgressView(nullptr);
    printer.Stop();
    MainWindowTest::TearDown();
  }
  void UseTcp(uint16_t port) {
    Interface()->setCurrentIndex(varnalux::KindEthernet);
    varnalux::CopyText(links.tcp.host, sizeof links.tcp.host, "127.0.0.1");
    links.tcp.port = port;
  }

  VirtualPrinter printer;
};

TEST_F(PrinterLinkTest, GetStatusShowsTheStatusByte) {
  struct Case {
    uint8_t byte;
    QStringList lit;
  };
  const Case cases[] = {
      {0x00, {"Ready"}},
      {0x40, {"Ready"}},
      {0x81, {"Head Open", "Other Error"}},
      {0xFF,
       {"Head Open", "Paper Jam", "Out of Paper", "Out of Ribbon", "Pause", "Printting",
        "Other Error"}},
      {0x00, {"Ready"}},
  };
  for (const Case& c : cases) {
    printer.SetStatusByte(c.byte);
    QTest::mouseClick(GetStatus(), Qt::LeftButton);
    EXPECT_EQ(LitLabels(), c.lit) << "status byte " << int(c.byte);
    EXPECT_EQ(varnalux::StatusToByte(form->Status()), c.byte);
    EXPECT_TRUE(form->isEnabled());
  }
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  // The query itself: ESC ! ? and nothing else.
  EXPECT_EQ(printer.ReceivedText().substr(0, 3), std::string("\x1b!?", 3));
}

TEST_F(PrinterLinkTest, FailedGetStatusKeepsTheLabels) {
  printer.SetStatusByte(0x82);
  QTest::mouseClick(GetStatus(), Qt::LeftButton);
  ASSERT_EQ(LitLabels(), (QStringList{"Paper Jam", "Other Error"}));

  const uint16_t closed = UnusedPort();
  ASSERT_NE(closed, 0);
  UseTcp(closed);
  QTest::mouseClick(GetStatus(), Qt::LeftButton);
  // The second line says why the link did not open.
  EXPECT_EQ(seam.messages, QStringList{"Port Open Error\nThe printer refused the connection."});
  EXPECT_EQ(LitLabels(), (QStringList{"Paper Jam", "Other Error"}));
  EXPECT_EQ(varnalux::StatusToByte(form->Status()), 0x82);
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(PrinterLinkTest, RawSendMovesTheBarByPercentAndClosesTheWindow) {
  RecordingProcess process;
  process.main = form.get();
  varnalux::SetProgressView(&process);

  std::string data;
  while (data.size() < 2500) data += "REM progress line " + std::to_string(data.size()) + "\r\n";
  data.resize(2500);
  const auto code = PrinterOperation(*form).Run(varnalux::OpSendRaw, data.data(), 2500);
  EXPECT_EQ(code, varnalux::ResultOk);
  EXPECT_TRUE(seam.messages.isEmpty());

  EXPECT_EQ(process.opens, 1);
  EXPECT_EQ(process.closes, 1);
  EXPECT_EQ(process.caption_, "Communicating...");
  EXPECT_EQ(process.size(), QSize(241, 49));
  EXPECT_FALSE(process.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(process.openedAt, static_cast<const DialogPlace&>(*form).DialogOrigin());
  // Three chunks of at most 1024 bytes: at most the 40 %, 81 % and 100 %
  // handed over after the start, as the printer acknowledged them.
  ASSERT_GE(process.positions.size(), 4u);
  EXPECT_EQ(process.positions.front(), 3);
  EXPECT_LE(process.positions[1], 40);
  EXPECT_LE(process.positions[2], 81);
  for (size_t i = 2; i < process.positions.size(); ++i)
    EXPECT_GE(process.positions[i], process.positions[i - 1]) << i;
  EXPECT_EQ(process.positions.back(), 100);
  EXPECT_TRUE(process.shownWhileMoving);
  EXPECT_TRUE(process.mainDisabled);
  EXPECT_FALSE(process.isVisible());
  EXPECT_EQ(process.ProgressBar1()->value(), 100);
  EXPECT_TRUE(form->isEnabled());

  ASSERT_TRUE(printer.WaitForReceived(2500, 2000));
  EXPECT_EQ(printer.ReceivedText(), data);
}

TEST_F(PrinterLinkTest, ALongCloseSaysWhatTheWindowWaitsFor) {
  // The printer takes the first 20000 bytes of the send, then holds until
  // the window says what it waits for.
  varnalux::testing::LoopbackPeer peer;
  varnalux::testing::LoopbackPeer::Script script;
  script.stopReadingAfter = 20000;
  script.receiveBuffer = 4096;
  peer.SetScripts({script});
  UseTcp(peer.Port());
  varnalux::CurrentLinkSettings().timeouts.tcp.write = std::chrono::milliseconds(1000);
  RecordingProcess process;
  process.main = form.get();
  process.held = &peer;
  varnalux::SetProgressView(&process);

  const std::string data(60000, 'n');
  EXPECT_EQ(PrinterOperation(*form).Run(varnalux::OpSendRaw, const_cast<char*>(data.data()), 60000),
            varnalux::ResultOk);
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_EQ(peer.WaitReceived(data.size(), 5000), data.size());

  // A line under the bar while the close waited, gone at its end.
  ASSERT_GE(process.notes.size(), 2);
  EXPECT_TRUE(process.notes.front().startsWith("Waiting for the printer to take the last "))
      << process.notes.front().toStdString();
  EXPECT_TRUE(process.notes.front().endsWith(" KiB"));
  EXPECT_EQ(process.sizesWithNote.front().width(), 241);
  EXPECT_GT(process.sizesWithNote.front().height(), 49);
  EXPECT_EQ(process.notes.back(), QString());
  EXPECT_EQ(process.sizesWithNote.back(), QSize(241, 49));
  EXPECT_TRUE(process.shownWhileMoving);
  EXPECT_TRUE(process.mainDisabled);
  EXPECT_EQ(process.closes, 1);
  EXPECT_FALSE(process.isVisible());
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(PrinterLinkTest, AFailedSendNeverShowsAFullBar) {
  // The printer reads 20000 bytes of 150000 and then nothing: the socket
  // takes the job, the printer does not, and the send fails once it took
  // nothing for the no-progress bound.
  varnalux::testing::LoopbackPeer peer;
  varnalux::testing::LoopbackPeer::Script script;
  script.stopReadingAfter = 20000;
  script.receiveBuffer = 4096;
  peer.SetScripts({script});
  UseTcp(peer.Port());
  varnalux::CurrentLinkSettings().timeouts.tcp.write = std::chrono::milliseconds(200);
  RecordingProcess process;
  process.main = form.get();
  varnalux::SetProgressView(&process);

  const std::string data(150000, 'f');
  EXPECT_EQ(
      PrinterOperation(*form).Run(varnalux::OpSendRaw, const_cast<char*>(data.data()), 150000),
      varnalux::ResultTransmitError);
  EXPECT_EQ(seam.messages, QStringList{"Data Transmission Error"});
  EXPECT_EQ(peer.WaitReceived(20000, 2000), 20000u);
  EXPECT_EQ(process.closes, 1);
  EXPECT_FALSE(process.isVisible());
  // The bar followed the printer to where it stopped, and stayed there.
  ASSERT_FALSE(process.positions.empty());
  for (int position : process.positions) EXPECT_LT(position, 100);
  EXPECT_GE(process.ProgressBar1()->value(), 20000 * 100 / 150000);
  EXPECT_LT(process.ProgressBar1()->value(), 30);
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(PrinterLinkTest, ConfigurationReadStepsTheBarUpToItsEnd) {
  RecordingProcess process;
  process.main = form.get();
  varnalux::SetProgressView(&process);

  varnalux::PrinterConfig config;
  varnalux::ResetConfig(config);
  EXPECT_EQ(PrinterOperation(*form).Run(varnalux::OpReadConfig, &config, 1), varnalux::ResultOk);
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_EQ(process.opens, 1);
  EXPECT_EQ(process.closes, 1);
  // Step mode: 3 at the start, 3 more per write, held at 100.
  ASSERT_GT(process.positions.size(), 34u);
  for (size_t i = 0; i + 1 < process.positions.size(); ++i)
    EXPECT_EQ(process.positions[i], std::min<int>(3 + 3 * static_cast<int>(i), 100)) << i;
  EXPECT_EQ(process.positions.back(), 100);
  EXPECT_FALSE(process.isVisible());
  EXPECT_TRUE(process.mainDisabled);

  // Without the progress flag the same read shows no window.
  process.opens = 0;
  EXPECT_EQ(PrinterOperation(*form).Run(varnalux::OpReadConfig, &config, 0), varnalux::ResultOk);
  EXPECT_EQ(process.opens, 0);
}

}  // namespace
