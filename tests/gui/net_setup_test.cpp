// The TCP/IP Setup dialog with virtual printers answering on 127.0.0.1:
// the list it opens with, the row the user clicks, Web Setup, Factory
// Default and Change IP Address, and the target it hands back.
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>
#include <thread>

#include "tests/core/udp_printer_peer.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialogs/form_net_setup.h"

using namespace varnalux;

namespace {

// How long a test waits for a write the dialog sent to reach the printer
// peer: a bound for a loaded machine, not a pace; the wait ends when it lands.
constexpr int WriteArrivalBound = 10000;  // milliseconds

using std::chrono::milliseconds;
using varnalux::net::Destination;
using varnalux::net::UdpOptions;

std::unique_ptr<varnalux::sim::VirtualPrinter> UdpPrinter(const std::string& mac,
                                                          const std::string& name,
                                                          const std::string& ip,
                                                          uint8_t status = 0) {
  auto p = std::make_unique<varnalux::sim::VirtualPrinter>();
  varnalux::sim::NetworkSettings net = p->Network();
  net.macAddress = mac;
  net.netName = name;
  net.dhcp = false;
  net.ipAddress = ip;
  net.subnetMask = "255.255.255.0";
  net.gateway = "10.7.0.1";
  p->SetNetwork(net);
  p->SetStatusByte(status);
  varnalux::sim::UdpServeOptions options;
  options.port = 0;
  EXPECT_TRUE(p->StartUdp(options));
  return p;
}

Destination To(const varnalux::sim::VirtualPrinter& p) { return {0x7F000001u, p.UdpPort()}; }

UdpOptions Loopback(std::vector<Destination> to) {
  UdpOptions o;
  o.overridden = true;
  o.destinations = std::move(to);
  o.silence = milliseconds(200);
  o.answerWait = milliseconds(500);
  return o;
}

// Clicks a row where the user would.
void ClickRow(QTreeWidget* list, int row) {
  QTreeWidgetItem* item = list->topLevelItem(row);
  ASSERT_NE(item, nullptr);
  const QRect r = list->visualItemRect(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

class NetSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    front = UdpPrinter("00:1B:82:00:04:0A", "Front", "10.7.0.10", 0x01);
    back = UdpPrinter("00:1B:82:00:04:0B", "Back", "10.7.0.11");
    target.port = 9100;
  }
  void TearDown() override { EXPECT_TRUE(seam.drivers.empty()) << "dialogs not shown"; }

  // Opens the dialog on both printers and runs driver while it is shown.
  void Open(const ScriptedSeam::Driver& driver) {
    dialog = std::make_unique<TFormNetSetup>(seam, Loopback({To(*front), To(*back)}));
    dialog->Bind(target);
    seam.drivers.push_back(driver);
    seam.Exec(*dialog);
  }
  QTreeWidget* List() { return Find<QTreeWidget>(dialog.get(), "ListView1"); }
  QLineEdit* Host() { return Find<QLineEdit>(dialog.get(), "EditIPAddr"); }
  // The row of the printer named name among the first rows.
  int RowOf(const QString& name) {
    for (int i = 0; i < List()->topLevelItemCount(); ++i)
      if (List()->topLevelItem(i)->text(0) == name) return i;
    ADD_FAILURE() << "no row " << name.toStdString();
    return 0;
  }

  ScriptedSeam seam;
  std::unique_ptr<varnalux::sim::VirtualPrinter> front, back;
  varnalux::TcpTarget target{};
  std::unique_ptr<TFormNetSetup> dialog;
};

TEST_F(NetSetupTest, OpensWithTheListFilledAndTheFirstRowsAddress) {
  Open([this](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "TCP/IP Setup");
    EXPECT_EQ(d.size(), QSize(635, 315));
    QTreeWidget* list = List();
    const QStringList headers = {"Printer Name", "MAC", "IP Address", "Model Name", "Status"};
    for (int c = 0; c < headers.size(); ++c) EXPECT_EQ(list->headerItem()->text(c), headers[c]);
    ASSERT_EQ(list->topLevelItemCount(), 4);  // each printer answers both requests
    const int f = RowOf("Front");
    QTreeWidgetItem* row = list->topLevelItem(f);
    EXPECT_EQ(row->text(1), "00:1B:82:00:04:0A");
    EXPECT_EQ(row->text(2), "10.7.0.10");
    EXPECT_EQ(row->text(3), "VL-200");
    EXPECT_EQ(row->text(4), "Carriage Open");
    EXPECT_EQ(list->topLevelItem(RowOf("Back"))->text(4), "Ready");
    // The empty host became the first row's address, and that row is current.
    EXPECT_EQ(Host()->text(), list->topLevelItem(0)->text(2));
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    EXPECT_EQ(Find<QLineEdit>(&d, "EditPort")->text(), "9100");
    EXPECT_EQ(dialog->SequenceNumber(), 2u);

    // A click takes the row's address; Web Setup opens it; Exit hands it on.
    ClickRow(list, RowOf("Back"));
    EXPECT_EQ(Host()->text(), "10.7.0.11");
    Click(&d, "ButtonBrowser");
    EXPECT_EQ(seam.urls, QStringList{"http://10.7.0.11"});
    Click(&d, "ButtonSet");
  });
  EXPECT_STREQ(target.host, "10.7.0.11");
  EXPECT_EQ(target.port, 9100);
}

TEST_F(NetSetupTest, AHostAlreadySetIsKeptAndNamesStayPlainText) {
  varnalux::sim::NetworkSettings net = back->Network();
  net.netName =
      "<b>Back</b>\x01"
      "2";
  back->SetNetwork(net);
  varnalux::CopyText(target.host, sizeof target.host, "printer.local");
  Open([this](QDialog&) {
    EXPECT_EQ(Host()->text(), "printer.local");
    EXPECT_EQ(List()->currentItem(), nullptr);
    EXPECT_EQ(List()->topLevelItemCount(), 4);
    RowOf("<b>Back</b> 2");
    // Discover Device runs again with the next sequence number.
    Click(dialog.get(), "ButtonDiscover");
    EXPECT_EQ(List()->topLevelItemCount(), 4);
    EXPECT_EQ(dialog->SequenceNumber(), 3u);
    EXPECT_TRUE(Find<QPushButton>(dialog.get(), "ButtonDiscover")->isEnabled());
  });
  EXPECT_STREQ(target.host, "printer.local");  // closed without Exit
  const auto got = front->UdpReceived();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[3][13], 2);
}

TEST_F(NetSetupTest, FactoryDefaultAsksAndResetsOnlyTheSelectedPrinter) {
  Open([this](QDialog& d) {
    List()->clearSelection();
    Click(&d, "ButtonFactoryDefault");  // nothing selected: no question
    EXPECT_TRUE(seam.questions.isEmpty());

    ClickRow(List(), RowOf("Back"));
    seam.answers = {false};
    Click(&d, "ButtonFactoryDefault");
    EXPECT_EQ(seam.questions, QStringList{"Are you sure?"});
    EXPECT_EQ(List()->topLevelItemCount(), 4);

    seam.answers = {true};
    Click(&d, "ButtonFactoryDefault");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(dialog->SequenceNumber(), 3u);
    // The question is this dialog's, so it stays above it.
    EXPECT_EQ(seam.questionOwners, (std::vector<QWidget*>{&d, &d}));
  });
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return back->Network().netName == "VPRINTER"; }, WriteArrivalBound));
  EXPECT_EQ(back->Network().netName, "VPRINTER");
  EXPECT_TRUE(back->Network().dhcp);
  EXPECT_EQ(front->Network().netName, "Front");
  // Two discovery requests and the one reset, which carries number 2.
  const auto got = back->UdpReceived();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[2].size(), 32u);
  EXPECT_EQ(got[2][9], 0x01);
  EXPECT_EQ(got[2][13], 2);
}

TEST_F(NetSetupTest, ChangeIpAddressShowsWhatWasReadAndSendsTheChoice) {
  Open([this](QDialog& d) {
    ClickRow(List(), RowOf("Back"));
    seam.drivers.push_back([](QDialog& e) {
      EXPECT_EQ(e.windowTitle(), "Ethernet Setup");
      EXPECT_TRUE(Find<QRadioButton>(&e, "RadioGroupDHCPItem1")->isChecked());
      EXPECT_EQ(Find<QLineEdit>(&e, "EditIP")->text(), "10.7.0.11");
      EXPECT_EQ(Find<QLineEdit>(&e, "EditMask")->text(), "255.255.255.0");
      EXPECT_EQ(Find<QLineEdit>(&e, "EditGateWay")->text(), "10.7.0.1");
      EXPECT_EQ(Find<QLineEdit>(&e, "EditPrinterName")->text(), "Back");
      EXPECT_EQ(Find<QLineEdit>(&e, "EditMACAddr")->text(), "00:1B:82:00:04:0B");
      Find<QLineEdit>(&e, "EditIP")->setText("10.7.0.99");
      Click(&e, "ButtonSetIP");
    });
    Click(&d, "ButtonChangeIP");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
  });
  const varnalux::sim::NetworkSettings net = back->Network();
  EXPECT_EQ(net.ipAddress, "10.7.0.99");
  EXPECT_FALSE(net.dhcp);
  EXPECT_EQ(net.netName, "Back");
  EXPECT_EQ(front->Network().ipAddress, "10.7.0.10");
  // Two discovery requests, two reads, four writes.
  const auto got = back->UdpReceived();
  ASSERT_EQ(got.size(), 8u);
  for (size_t i = 2; i < 4; ++i) EXPECT_EQ(got[i].size(), 34u);
  for (size_t i = 4; i < 8; ++i) EXPECT_EQ(got[i].size(), 1064u);
  EXPECT_EQ(got[7][34], 7);
}

// "Set IP" changes the addresses; the name the user typed is not sent, as
// the dialog said, and the four writes carry the name as it was read.
// "Set Printer Name" likewise leaves the addresses as read.
TEST_F(NetSetupTest, EachSetButtonWritesItsOwnPartAndTheRestAsRead) {
  Open([this](QDialog& d) {
    ClickRow(List(), RowOf("Back"));
    seam.drivers.push_back([this](QDialog& e) {
      EXPECT_EQ(e.parentWidget(), dialog.get());  // stays above the list
      Type(&e, "EditIP", "10.7.0.98");
      Type(&e, "EditPrinterName", "Renamed");
      seam.answers = {true};
      Click(&e, "ButtonSetIP");
      EXPECT_EQ(seam.questionOwners, std::vector<QWidget*>{&e});
    });
    Click(&d, "ButtonChangeIP");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
  });
  varnalux::sim::NetworkSettings net = back->Network();
  EXPECT_EQ(net.ipAddress, "10.7.0.98");
  EXPECT_EQ(net.netName, "Back");

  seam.questionOwners.clear();
  Open([this](QDialog& d) {
    ClickRow(List(), RowOf("Back"));
    seam.drivers.push_back([this](QDialog& e) {
      Type(&e, "EditIP", "10.7.0.97");
      Type(&e, "EditPrinterName", "Renamed");
      seam.answers = {true};
      Click(&e, "ButtonSetPrinterName");
      EXPECT_EQ(seam.questionOwners, std::vector<QWidget*>{&e});
    });
    Click(&d, "ButtonChangeIP");
  });
  net = back->Network();
  EXPECT_EQ(net.netName, "Renamed");
  EXPECT_EQ(net.ipAddress, "10.7.0.98");
  EXPECT_FALSE(net.dhcp);
}

// Without a browser "Web Setup" would do nothing at all: the dialog says
// so, with the address, in a box of its own.
TEST_F(NetSetupTest, WebSetupWithoutABrowserSaysWhy) {
  Open([this](QDialog& d) {
    ClickRow(List(), RowOf("Back"));
    seam.urlsTaken = {false};
    Click(&d, "ButtonBrowser");
    EXPECT_EQ(seam.urls, QStringList{"http://10.7.0.11"});
    ASSERT_EQ(seam.messages.size(), 1);
    EXPECT_TRUE(seam.messages[0].contains("http://10.7.0.11 could not be opened"))
        << seam.messages[0].toStdString();
    EXPECT_TRUE(seam.messages[0].contains("no web browser")) << seam.messages[0].toStdString();
    EXPECT_EQ(seam.messageOwners, std::vector<QWidget*>{&d});
    // A browser that takes it: nothing more to say.
    seam.urlsTaken = {true};
    Click(&d, "ButtonBrowser");
    EXPECT_EQ(seam.messages.size(), 1);
  });
}

TEST_F(NetSetupTest, CancelInTheEthernetDialogSendsOnlyTheTwoReads) {
  Open([this](QDialog& d) {
    ClickRow(List(), RowOf("Front"));
    seam.drivers.push_back([](QDialog& e) {
      Find<QLineEdit>(&e, "EditPrinterName")->setText("Other");
      Click(&e, "ButtonCancel");
    });
    Click(&d, "ButtonChangeIP");
    EXPECT_EQ(List()->topLevelItemCount(), 4);
    EXPECT_EQ(dialog->SequenceNumber(), 2u);
  });
  std::this_thread::sleep_for(milliseconds(100));  // room for a datagram beyond the four
  const auto got = front->UdpReceived();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[2][32], 4);
  EXPECT_EQ(got[3][32], 5);
  EXPECT_EQ(front->Network().netName, "Front");
}

// A discovery waits for answers with the window's messages handled: a timer
// fires meanwhile (here it lets the held answers go), under a busy cursor
// and with "Discover Device" disabled; both are back when it ends.
TEST_F(NetSetupTest, TheWindowHandlesItsMessagesWhileADiscoveryWaits) {
  varnalux::testing::UdpPrinterPeer peer({});
  peer.Hold();
  UdpOptions options = Loopback({{0x7F000001u, peer.Port()}});
  options.silence = milliseconds(1000);
  dialog = std::make_unique<TFormNetSetup>(seam, options);
  bool fired = false, busy = false, discoverDisabled = false;
  QTimer::singleShot(100, [&] {
    fired = true;
    busy = QApplication::overrideCursor() != nullptr &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    discoverDisabled = !Find<QPushButton>(dialog.get(), "ButtonDiscover")->isEnabled();
    peer.Release();
  });
  dialog->Bind(target);
  EXPECT_TRUE(fired);
  EXPECT_TRUE(busy);
  EXPECT_TRUE(discoverDisabled);
  ASSERT_EQ(List()->topLevelItemCount(), 2);
  EXPECT_EQ(List()->topLevelItem(0)->text(0), "PEER");
  EXPECT_TRUE(Find<QPushButton>(dialog.get(), "ButtonDiscover")->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A printer whose answer to the address read stops after the header: the
// user is told, the dialog shows no address, and "Set Printer Name" writes
// the name and the mode it read, not 0.0.0.0.
TEST_F(NetSetupTest, AnAddressAnswerTooShortIsToldAndNotWritten) {
  varnalux::testing::UdpPrinterPeer::Options o;
  o.settings.dhcp = false;
  o.addressAnswerSize = 32;
  varnalux::testing::UdpPrinterPeer peer(o);
  dialog = std::make_unique<TFormNetSetup>(seam, Loopback({{0x7F000001u, peer.Port()}}));
  dialog->Bind(target);
  seam.drivers.push_back([this](QDialog& d) {
    ClickRow(List(), 0);
    seam.drivers.push_back([](QDialog& e) {
      EXPECT_EQ(Find<QLineEdit>(&e, "EditIP")->text(), "");
      EXPECT_TRUE(Find<QRadioButton>(&e, "RadioGroupDHCPItem1")->isChecked());
      Type(&e, "EditPrinterName", "NEWNAME");
      Click(&e, "ButtonSetPrinterName");
    });
    Click(&d, "ButtonChangeIP");
  });
  seam.Exec(*dialog);
  ASSERT_EQ(seam.messages.size(), 1);
  EXPECT_TRUE(seam.messages[0].contains("addresses was too short"))
      << seam.messages[0].toStdString();
  EXPECT_TRUE(QTest::qWaitFor([&] { return peer.Writes(7) != 0; }, WriteArrivalBound));
  EXPECT_EQ(peer.Current().name, "NEWNAME");
  EXPECT_EQ(peer.Current().ip, o.settings.ip);
  EXPECT_FALSE(peer.Current().dhcp);
  EXPECT_EQ(peer.Writes(4), 0u);
  EXPECT_EQ(peer.Writes(5), 1u);
}

// Through the main window: the Setup button on ETHERNET opens the dialog on
// the destinations of the environment.
class NetSetupWindowTest : public MainWindowTest {};

TEST_F(NetSetupWindowTest, SetupOnEthernetDiscoversAndExitSetsTheTarget) {
  auto printer = UdpPrinter("00:1B:82:00:04:0C", "Solo", "10.7.0.12");
  const QByteArray before = qgetenv("VARNALUX_DISCOVERY_TO");
  qputenv("VARNALUX_DISCOVERY_TO",
          QByteArray("127.0.0.1:") + QByteArray::number(printer->UdpPort()));
  Interface()->setCurrentIndex(varnalux::KindEthernet);
  seam.drivers.push_back([](QDialog& d) {
    auto* list = Find<QTreeWidget>(&d, "ListView1");
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(Find<QLineEdit>(&d, "EditIPAddr")->text(), "10.7.0.12");
    Find<QLineEdit>(&d, "EditPort")->setText("9101");
    Click(&d, "ButtonSet");
  });
  QTest::mouseClick(SetupButton(), Qt::LeftButton);
  qputenv("VARNALUX_DISCOVERY_TO", before);
  EXPECT_STREQ(links.tcp.host, "10.7.0.12");
  EXPECT_EQ(links.tcp.port, 9101);
}

}  // namespace
