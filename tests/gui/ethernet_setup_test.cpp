// "Ethernet Setup": the dialog on its own (layout, the DHCP rule, what each
// button hands back), then the button of the function group against the
// virtual printer over TCP: the reads, the dialog, and the one write.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstring>

#include "sim/virtual_printer.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialogs/form_ethernet_setup.h"
#include "ui/pages/printer_function_group.h"

using namespace varnalux;

namespace {

using varnalux::NetworkSettings;

QString Text(QWidget* root, const char* name) { return Find<QLineEdit>(root, name)->text(); }

NetworkSettings Record(uint8_t dhcp) {
  NetworkSettings s;
  varnalux::InitNetworkSettings(s);
  s.dhcp = dhcp;
  varnalux::StoreNetText(s.ipAddress, dhcp == 1 ? "0.0.0.0" : "10.4.0.20");
  varnalux::StoreNetText(s.subnetMask, "255.255.0.0");
  varnalux::StoreNetText(s.gateway, "10.4.0.1");
  varnalux::StoreNetText(s.lastUsedIp, "10.4.0.77");
  varnalux::StoreNetText(s.netName, "SHIPPING");
  varnalux::StoreNetText(s.macAddress, "00:1B:82:AA:BB:CC");
  s.action = 5;
  s.confirmed = 1;  // left from an earlier use
  return s;
}

const char* const AddressRows[] = {"LabelIP",  "EditIP",       "LabelMask",
                                   "EditMask", "LabelGateWay", "EditGateWay"};

// The enabled state of the six controls of the three address rows.
std::vector<bool> AddressRowsEnabled(QWidget* d) {
  std::vector<bool> enabled;
  for (const char* name : AddressRows) enabled.push_back(Find<QWidget>(d, name)->isEnabled());
  return enabled;
}

// The dialog run through the scripted seam, as a caller runs it.
class EthernetDialogTest : public ::testing::Test {
 protected:
  void Run(NetworkSettings& s, ScriptedSeam::Driver driver) {
    seam.drivers.push_back(std::move(driver));
    TFormEthernetSetup dialog(seam);
    dialog.Prepare(40, 50, s);
    EXPECT_EQ(s.confirmed, 0);  // cleared before it is shown
    EXPECT_EQ(dialog.pos(), QPoint(40, 50));
    seam.Exec(dialog);
  }
  void TearDown() override { EXPECT_TRUE(seam.drivers.empty()); }
  ScriptedSeam seam;
};

TEST_F(EthernetDialogTest, LayoutNamesAndTheReadOnlyMac) {
  NetworkSettings s = Record(1);
  Run(s, [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Ethernet Setup");
    EXPECT_EQ(d.size(), QSize(301, 310));
    EXPECT_EQ(Find<QWidget>(&d, "RadioGroupDHCP")->property("title").toString(), "IP Setup");
    EXPECT_EQ(Find<QRadioButton>(&d, "RadioGroupDHCPItem0")->text(), "DHCP");
    EXPECT_EQ(Find<QRadioButton>(&d, "RadioGroupDHCPItem1")->text(), "Static IP");
    struct Row {
      const char* label;
      const char* caption;
      const char* edit;
    };
    for (const Row& r :
         {Row{"LabelIP", "IP:", "EditIP"}, Row{"LabelMask", "Subnet Mask:", "EditMask"},
          Row{"LabelGateWay", "Gateway:", "EditGateWay"},
          Row{"LabelPrinterName", "Printer Name:", "EditPrinterName"},
          Row{"LabelMACAddr", "MAC Address:", "EditMACAddr"}}) {
      auto* label = Find<QLabel>(&d, r.label);
      EXPECT_EQ(label->text(), r.caption);
      EXPECT_EQ(label->buddy(), Find<QLineEdit>(&d, r.edit)) << r.label;
    }
    EXPECT_EQ(Find<QLineEdit>(&d, "EditPrinterName")->maxLength(), 15);
    auto* mac = Find<QLineEdit>(&d, "EditMACAddr");
    EXPECT_FALSE(mac->isEnabled());
    EXPECT_TRUE(mac->isReadOnly());
    // Buttons left to right.
    const int x1 = Find<QPushButton>(&d, "ButtonSetPrinterName")->x();
    const int x2 = Find<QPushButton>(&d, "ButtonSetIP")->x();
    const int x3 = Find<QPushButton>(&d, "ButtonCancel")->x();
    EXPECT_LT(x1, x2);
    EXPECT_LT(x2, x3);
    EXPECT_EQ(Visible(Find<QPushButton>(&d, "ButtonSetPrinterName")->text()), "Set Printer Name");
    EXPECT_EQ(Visible(Find<QPushButton>(&d, "ButtonSetIP")->text()), "Set IP");
    // Tab order follows the layout, the MAC box is no stop.
    QWidget* w = Find<QWidget>(&d, "EditIP");
    QStringList order;
    for (int i = 0; i < 5; ++i) {
      w = w->nextInFocusChain();
      while (w->focusPolicy() == Qt::NoFocus) w = w->nextInFocusChain();
      order << w->objectName();
    }
    EXPECT_EQ(order, (QStringList{"EditMask", "EditGateWay", "EditPrinterName",
                                  "ButtonSetPrinterName", "ButtonSetIP"}));
  });
}

TEST_F(EthernetDialogTest, DhcpShowsTheLastUsedAddressGreyedAndTheChoiceTogglesTheRows) {
  NetworkSettings s = Record(1);
  Run(s, [](QDialog& d) {
    EXPECT_TRUE(Find<QRadioButton>(&d, "RadioGroupDHCPItem0")->isChecked());
    EXPECT_EQ(Text(&d, "EditIP"), "10.4.0.77");
    EXPECT_EQ(Text(&d, "EditMask"), "255.255.0.0");
    EXPECT_EQ(Text(&d, "EditGateWay"), "10.4.0.1");
    EXPECT_EQ(Text(&d, "EditPrinterName"), "SHIPPING");
    EXPECT_EQ(Text(&d, "EditMACAddr"), "00:1B:82:AA:BB:CC");
    EXPECT_EQ(AddressRowsEnabled(&d), std::vector<bool>(6, false));
    Click(&d, "RadioGroupDHCPItem1");
    EXPECT_EQ(AddressRowsEnabled(&d), std::vector<bool>(6, true));
    Click(&d, "RadioGroupDHCPItem0");
    EXPECT_EQ(AddressRowsEnabled(&d), std::vector<bool>(6, false));
    EXPECT_EQ(Text(&d, "EditIP"), "10.4.0.77");  // the choice does not refill the boxes
    Click(&d, "ButtonCancel");
  });
  EXPECT_EQ(s.confirmed, 0);
}

TEST_F(EthernetDialogTest, SetIpHandsBackTheChoiceAndTheThreeBoxesAsTyped) {
  NetworkSettings s = Record(0);
  Run(s, [](QDialog& d) {
    EXPECT_TRUE(Find<QRadioButton>(&d, "RadioGroupDHCPItem1")->isChecked());
    EXPECT_EQ(Text(&d, "EditIP"), "10.4.0.20");
    EXPECT_EQ(AddressRowsEnabled(&d), std::vector<bool>(6, true));
    Type(&d, "EditIP", "192.168.1.50");
    Type(&d, "EditMask", "not a mask");  // not validated
    Type(&d, "EditGateWay", QString(70, QLatin1Char('9')));
    Click(&d, "ButtonSetIP");
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(s.confirmed, 1);
  EXPECT_EQ(s.action, varnalux::NetActionSetIp);
  EXPECT_EQ(s.dhcp, 0);
  EXPECT_STREQ(s.ipAddress, "192.168.1.50");
  EXPECT_STREQ(s.subnetMask, "not a mask");
  EXPECT_EQ(std::string(s.gateway), std::string(63, '9'));
  EXPECT_STREQ(s.netName, "SHIPPING");
  EXPECT_STREQ(s.lastUsedIp, "10.4.0.77");
  EXPECT_STREQ(s.macAddress, "00:1B:82:AA:BB:CC");

  // Switching to DHCP copies the (greyed) boxes too, with dhcp 1.
  s = Record(0);
  Run(s, [](QDialog& d) {
    Click(&d, "RadioGroupDHCPItem0");
    Click(&d, "ButtonSetIP");
  });
  EXPECT_EQ(s.confirmed, 1);
  EXPECT_EQ(s.dhcp, 1);
  EXPECT_STREQ(s.ipAddress, "10.4.0.20");
}

TEST_F(EthernetDialogTest, SetPrinterNameChangesOnlyTheName) {
  NetworkSettings s = Record(0);
  Run(s, [](QDialog& d) {
    Type(&d, "EditPrinterName", "DOCK-1234567890XYZ");  // 15 at most
    Click(&d, "ButtonSetPrinterName");
  });
  EXPECT_EQ(s.confirmed, 1);
  EXPECT_EQ(s.action, varnalux::NetActionSetName);
  EXPECT_STREQ(s.netName, "DOCK-1234567890");
  EXPECT_EQ(s.dhcp, 0);
  EXPECT_STREQ(s.ipAddress, "10.4.0.20");
  EXPECT_STREQ(s.gateway, "10.4.0.1");
}

// A printer's name longer than the 15 characters that can be typed is shown
// whole, and "Set Printer Name" without an edit hands it back whole. Typing
// cannot lengthen it; shortening it is an edit, sent as edited.
TEST_F(EthernetDialogTest, ALongNameFromThePrinterIsNeverCutUnlessTheUserEditsIt) {
  const char Long[] = "WAREHOUSE-NORTH-DOCK-7";  // 22 characters
  NetworkSettings s = Record(0);
  varnalux::StoreNetText(s.netName, Long);
  Run(s, [&](QDialog& d) {
    EXPECT_EQ(Text(&d, "EditPrinterName"), Long);
    Click(&d, "ButtonSetPrinterName");
  });
  EXPECT_EQ(s.confirmed, 1);
  EXPECT_STREQ(s.netName, Long);

  Run(s, [&](QDialog& d) {
    auto* edit = Find<QLineEdit>(&d, "EditPrinterName");
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, "X");
    EXPECT_EQ(edit->text(), Long);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, "YZ");
    EXPECT_EQ(edit->text(), QString(Long).chopped(1));
    Click(&d, "ButtonSetPrinterName");
  });
  EXPECT_EQ(std::string(s.netName), std::string(Long, sizeof Long - 2));

  Run(s, [&](QDialog& d) {
    Type(&d, "EditPrinterName", "SHORTER-BUT-STILL-LONG");
    EXPECT_EQ(Text(&d, "EditPrinterName"), "SHORTER-BUT-STI");
    Click(&d, "ButtonSetPrinterName");
  });
  EXPECT_STREQ(s.netName, "SHORTER-BUT-STI");
}

// Each button sends its own part. What the user typed into the other part
// would be lost: the dialog asks first (its own question, above it), and
// "No" goes back to the dialog with everything as typed.
TEST_F(EthernetDialogTest, APressThatWouldDropWhatWasTypedAsksFirst) {
  NetworkSettings s = Record(0);
  Run(s, [this](QDialog& d) {
    Type(&d, "EditIP", "192.168.1.50");
    Type(&d, "EditPrinterName", "TYPED");
    seam.answers = {false};
    Click(&d, "ButtonSetIP");
    ASSERT_EQ(seam.questions.size(), 1);
    EXPECT_TRUE(seam.questions[0].contains("(\"TYPED\") is not sent"))
        << seam.questions[0].toStdString();
    EXPECT_TRUE(seam.questions[0].contains("keeps \"SHIPPING\""))
        << seam.questions[0].toStdString();
    EXPECT_EQ(seam.questionOwners, std::vector<QWidget*>{&d});
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(Text(&d, "EditPrinterName"), "TYPED");
    EXPECT_EQ(Text(&d, "EditIP"), "192.168.1.50");
    seam.answers = {true};
    Click(&d, "ButtonSetIP");
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(s.confirmed, 1);
  EXPECT_EQ(s.action, varnalux::NetActionSetIp);
  EXPECT_STREQ(s.ipAddress, "192.168.1.50");
  EXPECT_STREQ(s.netName, "SHIPPING");

  // The other way round: a changed address choice, then "Set Printer Name".
  seam.questions.clear();
  seam.questionOwners.clear();
  s = Record(0);
  Run(s, [this](QDialog& d) {
    Click(&d, "RadioGroupDHCPItem0");
    Type(&d, "EditPrinterName", "DOCK");
    seam.answers = {false};
    Click(&d, "ButtonSetPrinterName");
    ASSERT_EQ(seam.questions.size(), 1);
    EXPECT_TRUE(seam.questions[0].contains("address settings you changed are not sent"))
        << seam.questions[0].toStdString();
    EXPECT_EQ(seam.questionOwners, std::vector<QWidget*>{&d});
    EXPECT_TRUE(d.isVisible());
    seam.answers = {true};
    Click(&d, "ButtonSetPrinterName");
  });
  EXPECT_EQ(s.confirmed, 1);
  EXPECT_EQ(s.action, varnalux::NetActionSetName);
  EXPECT_STREQ(s.netName, "DOCK");
  EXPECT_EQ(s.dhcp, 0);

  // Nothing typed in the other part: no question.
  seam.questions.clear();
  s = Record(0);
  Run(s, [](QDialog& d) {
    Type(&d, "EditPrinterName", "SHIPPING");  // typed back as it was
    Type(&d, "EditMask", "255.255.255.0");
    Click(&d, "ButtonSetIP");
  });
  EXPECT_TRUE(seam.questions.isEmpty());
  EXPECT_EQ(s.confirmed, 1);
}

TEST_F(EthernetDialogTest, CancelCloseBoxAndEscapeLeaveTheRecordUnconfirmed) {
  for (int way = 0; way < 3; ++way) {
    NetworkSettings s = Record(0);
    Run(s, [way](QDialog& d) {
      Type(&d, "EditIP", "1.1.1.1");
      if (way == 0) Click(&d, "ButtonCancel");
      if (way == 1) d.close();
      if (way == 2) QTest::keyClick(&d, Qt::Key_Escape);
      EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(s.confirmed, 0) << way;
    EXPECT_STREQ(s.ipAddress, "10.4.0.20") << way;
  }
}

TEST_F(EthernetDialogTest, UnsendableTextsAreRefusedAndKeepTheDialogOpen) {
  NetworkSettings s = Record(0);
  Run(s, [this](QDialog& d) {
    Type(&d, "EditPrinterName", "A\"B");
    Click(&d, "ButtonSetPrinterName");
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(seam.messages.size(), 1);
    EXPECT_TRUE(seam.messages[0].startsWith("'A\"B' cannot be sent"))
        << seam.messages[0].toStdString();
    // The box belongs to the dialog, so it stays above it.
    EXPECT_EQ(seam.messageOwners, std::vector<QWidget*>{&d});
    // Typed through an input method: no key for it.
    Find<QLineEdit>(&d, "EditGateWay")->setText(QStringLiteral("10.0.0.1\u00e9"));
    Click(&d, "ButtonSetIP");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(seam.messages.size(), 2);
    // With DHCP chosen the boxes are not sent, so they are not checked.
    Click(&d, "RadioGroupDHCPItem0");
    seam.answers = {true};  // without the name typed
    Click(&d, "ButtonSetIP");
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(s.confirmed, 1);
  EXPECT_EQ(s.dhcp, 1);
  EXPECT_STREQ(s.netName, "SHIPPING");
}

// The button of the function group on the window, against the printer.
class EthernetButtonTest : public PrinterWindowTest {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    group = form->findChild<TPrinterFunctionGroup*>();
    ASSERT_NE(group, nullptr);
    printer.ClearReceived();
  }
  void Press(ScriptedSeam::Driver driver = {}) {
    if (driver) seam.drivers.push_back(std::move(driver));
    auto* button = Find<QPushButton>(group, "ButtonEthernetSetup");
    EXPECT_TRUE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(form->isEnabled());
  }
  // Everything received once as many bytes as expected came and then no
  // more for a while.
  std::string Settled(const std::string& expected) { return Received(expected.size()); }
  TPrinterFunctionGroup* group = nullptr;
};

const std::string Reads =
    "\r\nDIAGNOSTIC INTERFACE NET\r\n"
    "DIAGNOSTIC REPORT CONFIGIP\r\nDIAGNOSTIC REPORT GATEWAY\r\nDIAGNOSTIC REPORT IPMASK\r\n"
    "DIAGNOSTIC REPORT LASTUSEDIP\r\nDIAGNOSTIC REPORT NETNAME\r\nDIAGNOSTIC REPORT MACADDR\r\n";

TEST_F(EthernetButtonTest, DhcpPrinterOpensOnDhcpAndSetIpSendsOnlyNetDhcp) {
  Press([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Ethernet Setup");
    EXPECT_TRUE(Find<QRadioButton>(&d, "RadioGroupDHCPItem0")->isChecked());
    EXPECT_EQ(Text(&d, "EditIP"), "192.168.1.120");  // LASTUSEDIP
    EXPECT_EQ(AddressRowsEnabled(&d), std::vector<bool>(6, false));
    EXPECT_EQ(Text(&d, "EditPrinterName"), "VPRINTER");
    EXPECT_EQ(Text(&d, "EditMACAddr"), "00:1B:82:56:50:01");
    Click(&d, "RadioGroupDHCPItem1");
    Type(&d, "EditIP", "172.16.0.9");
    Click(&d, "RadioGroupDHCPItem0");
    Click(&d, "ButtonSetIP");
  });
  const std::string sent = Reads + "NET DHCP\r\n";
  EXPECT_EQ(Settled(sent), sent);
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_EQ(group->Network().dhcp, 1);
  EXPECT_STREQ(group->Network().macAddress, "00:1B:82:56:50:01");
}

TEST_F(EthernetButtonTest, StaticAddressGoesOutAsOneNetIpLineAndThePrinterTakesIt) {
  Press([](QDialog& d) {
    Click(&d, "RadioGroupDHCPItem1");
    Type(&d, "EditIP", "192.168.1.50");
    Type(&d, "EditMask", "255.255.255.0");
    Type(&d, "EditGateWay", "192.168.1.1");
    Click(&d, "ButtonSetIP");
  });
  const std::string sent = Reads + "NET IP \"192.168.1.50\",\"255.255.255.0\",\"192.168.1.1\"\r\n";
  EXPECT_EQ(Settled(sent), sent);
  bool found = false;
  EXPECT_EQ(printer.ReportValue("CONFIGIP", found), "192.168.1.50");

  // The next click reads the static printer: 'Static IP', its own address.
  printer.ClearReceived();
  Press([](QDialog& d) {
    EXPECT_TRUE(Find<QRadioButton>(&d, "RadioGroupDHCPItem1")->isChecked());
    EXPECT_EQ(Text(&d, "EditIP"), "192.168.1.50");
    EXPECT_EQ(AddressRowsEnabled(&d), std::vector<bool>(6, true));
    Click(&d, "ButtonCancel");
  });
  EXPECT_EQ(Settled(Reads), Reads);
}

TEST_F(EthernetButtonTest, SetPrinterNameSendsOnlyTheNameWhateverTheBoxesShow) {
  Press([this](QDialog& d) {
    Click(&d, "RadioGroupDHCPItem1");
    Type(&d, "EditIP", "10.9.9.9");
    Type(&d, "EditPrinterName", "PACKING-2");
    seam.answers = {true};  // the changed addresses are not sent
    Click(&d, "ButtonSetPrinterName");
  });
  const std::string sent = Reads + "NET NAME \"PACKING-2\"\r\n";
  EXPECT_EQ(Settled(sent), sent);
  bool found = false;
  EXPECT_EQ(printer.ReportValue("NETNAME", found), "PACKING-2");
  EXPECT_EQ(printer.ReportValue("CONFIGIP", found), "0.0.0.0");  // still on DHCP
}

TEST_F(EthernetButtonTest, AnUneditedLongNameGoesBackWhole) {
  varnalux::sim::NetworkSettings net = printer.Network();
  net.netName = "RECEIVING-BAY-NORTH";
  printer.SetNetwork(net);
  Press([](QDialog& d) {
    EXPECT_EQ(Text(&d, "EditPrinterName"), "RECEIVING-BAY-NORTH");
    Click(&d, "ButtonSetPrinterName");
  });
  const std::string sent = Reads + "NET NAME \"RECEIVING-BAY-NORTH\"\r\n";
  EXPECT_EQ(Settled(sent), sent);
}

TEST_F(EthernetButtonTest, CancelAndTheCloseBoxSendOnlyTheReads) {
  Press([](QDialog& d) {
    Type(&d, "EditPrinterName", "NEVER");
    Click(&d, "ButtonCancel");
  });
  EXPECT_EQ(Settled(Reads), Reads);
  printer.ClearReceived();
  Press([](QDialog& d) { d.close(); });
  EXPECT_EQ(Settled(Reads), Reads);
  EXPECT_TRUE(seam.messages.isEmpty());
  EXPECT_EQ(group->Network().confirmed, 0);
}

TEST_F(EthernetButtonTest, PrinterWithoutNameReportGivesEmptyNameAndMacSilently) {
  printer.ForgetReport("NETNAME");
  Press([](QDialog& d) {
    EXPECT_EQ(Text(&d, "EditPrinterName"), "");
    EXPECT_EQ(Text(&d, "EditMACAddr"), "");
    EXPECT_EQ(Text(&d, "EditMask"), "255.255.255.0");
    Click(&d, "ButtonCancel");
  });
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
}

TEST_F(EthernetButtonTest, FailedReadsAreReportedAndOpenNoDialog) {
  printer.ForgetReport("IPMASK");
  Press();
  EXPECT_EQ(seam.messages, QStringList{"Data Receiving Error"});
  EXPECT_TRUE(seam.dialogs.isEmpty());

  // The parallel link cannot read: the same message, still no dialog.
  seam.messages.clear();
  Interface()->setCurrentIndex(varnalux::KindLpt);
  Press();
  EXPECT_EQ(seam.messages, QStringList{"Data Receiving Error"});
  EXPECT_TRUE(seam.dialogs.isEmpty());
}

TEST_F(EthernetButtonTest, AFailedWriteIsReported) {
  Press([this](QDialog& d) {
    printer.Stop();  // the printer goes away while the dialog is open
    Type(&d, "EditPrinterName", "GONE");
    Click(&d, "ButtonSetPrinterName");
  });
  EXPECT_EQ(seam.messages, QStringList{"Port Open Error\nThe printer refused the connection."});
}

}  // namespace
