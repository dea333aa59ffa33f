// The "Setup" button's dialogs, driven as the user would, and the status
// bar text they leave behind.
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <cstring>

#include "tests/gui/gui_test_support.h"
#include "ui/dialogs/form_lpt_setup.h"
#include "ui/dialogs/form_net_setup.h"
#include "ui/dialogs/form_rs232_setup.h"

using namespace varnalux;

namespace {

using varnalux::SerialSettings;

struct SerialChoice {
  const char* port;
  const char* baud;
  const char* dataBits;
  const char* parity;
  const char* stopBits;
  const char* hardware;
  const char* software;
};

// Picks every list of the RS232 dialog.
void ChooseSerial(QDialog& dialog, const SerialChoice& c) {
  Choose(Find<QComboBox>(&dialog, "ComboBoxComPort"), c.port);
  Choose(Find<QComboBox>(&dialog, "ComboBoxBaudRate"), c.baud);
  Choose(Find<QComboBox>(&dialog, "ComboBoxDataBit"), c.dataBits);
  Choose(Find<QComboBox>(&dialog, "ComboBoxParity"), c.parity);
  Choose(Find<QComboBox>(&dialog, "ComboBoxStopBit"), c.stopBits);
  Choose(Find<QComboBox>(&dialog, "ComboBoxHdShak"), c.hardware);
  Choose(Find<QComboBox>(&dialog, "ComboBoxSWShak"), c.software);
}

void Click(QDialog& dialog, const char* button) {
  QTest::mouseClick(Find<QPushButton>(&dialog, button), Qt::LeftButton);
}

class PortDialogTest : public MainWindowTest {
 protected:
  void OpenSetup(int kind, ScriptedSeam::Driver driver) {
    Interface()->setCurrentIndex(kind);
    seam.drivers.push_back(std::move(driver));
    QTest::mouseClick(SetupButton(), Qt::LeftButton);
  }
};

TEST_F(PortDialogTest, Rs232SetStoresTheChoiceAndUpdatesPanel1) {
  OpenSetup(varnalux::KindCom, [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "RS232 Setup");
    EXPECT_EQ(d.size(), QSize(369, 311));
    ChooseSerial(d, {"COM12", "115200", "7", "Even", "2", "None", "Xon/Xoff"});
    Click(d, "ButtonSet");
  });
  EXPECT_EQ(PanelText(1), "COM12 115200,E,7,2 None Xon/Xoff");
  const SerialSettings& s = links.serial;
  EXPECT_STREQ(s.portName, "COM12");
  EXPECT_EQ(s.baudIndex, 6);
  EXPECT_EQ(s.dataBitsIndex, 0);
  EXPECT_EQ(s.parityIndex, 2);
  EXPECT_EQ(s.stopBitsIndex, 2);
  EXPECT_EQ(s.hwHandshakeIndex, 0);
  EXPECT_EQ(s.swHandshakeIndex, 1);
  EXPECT_EQ(seam.results, std::vector<int>{QDialog::Accepted});
}

TEST_F(PortDialogTest, Rs232StoresTheItemIndexesInOrder) {
  OpenSetup(varnalux::KindCom, [](QDialog& d) {
    ChooseSerial(d, {"COM7", "19200", "7", "Even", "2", "None", "Xon/Xoff"});
    Click(d, "ButtonSet");
  });
  const SerialSettings& s = links.serial;
  EXPECT_STREQ(s.portName, "COM7");
  EXPECT_EQ((std::vector<int>{s.baudIndex, s.dataBitsIndex, s.parityIndex, s.stopBitsIndex,
                              s.hwHandshakeIndex, s.swHandshakeIndex}),
            (std::vector<int>{3, 0, 2, 2, 0, 1}));
}

TEST_F(PortDialogTest, Rs232CancelEscapeAndCloseBoxChangeNothing) {
  const SerialSettings before = links.serial;
  const QString panel = PanelText(1);
  const std::function<void(QDialog&)> closers[] = {
      [](QDialog& d) { Click(d, "ButtonCancel"); },
      [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
      [](QDialog& d) { d.close(); },
  };
  for (const auto& close : closers) {
    OpenSetup(varnalux::KindCom, [&close](QDialog& d) {
      ChooseSerial(d, {"COM30", "", "7", "Odd", "1.5", "RTS/CTS", "Xon/Xoff"});
      close(d);
      EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(memcmp(&before, &links.serial, sizeof before), 0);
    EXPECT_EQ(PanelText(1), panel);
  }
  EXPECT_EQ(seam.results, (std::vector<int>(3, QDialog::Rejected)));
}

TEST_F(PortDialogTest, Rs232ShowsTheBoundRecordAndWritesItBack) {
  varnalux::CopyText(links.serial.portName, sizeof links.serial.portName, "COM30");
  links.serial.baudIndex = 7;  // the empty baud item
  links.serial.swHandshakeIndex = 1;
  OpenSetup(varnalux::KindCom, [](QDialog& d) {
    auto* port = Find<QComboBox>(&d, "ComboBoxComPort");
    EXPECT_EQ(port->count(), 30);
    EXPECT_EQ(port->currentIndex(), 29);
    EXPECT_EQ(port->currentText(), "COM30");
    auto* baud = Find<QComboBox>(&d, "ComboBoxBaudRate");
    EXPECT_EQ(baud->count(), 8);
    EXPECT_EQ(baud->currentIndex(), 7);
    EXPECT_EQ(baud->currentText(), "");
    EXPECT_EQ(Find<QComboBox>(&d, "ComboBoxDataBit")->currentText(), "8");
    EXPECT_EQ(Find<QComboBox>(&d, "ComboBoxParity")->currentText(), "None");
    EXPECT_EQ(Find<QComboBox>(&d, "ComboBoxStopBit")->currentText(), "1");
    EXPECT_EQ(Find<QComboBox>(&d, "ComboBoxHdShak")->currentText(), "RTS");
    EXPECT_EQ(Find<QComboBox>(&d, "ComboBoxSWShak")->currentText(), "Xon/Xoff");
    Click(d, "ButtonSet");
  });
  EXPECT_STREQ(links.serial.portName, "COM30");
  EXPECT_EQ(links.serial.baudIndex, 7);
  // The empty baud item runs at 9600, and the panel says so.
  EXPECT_EQ(PanelText(1), "COM30 9600,N,8,1 RTS Xon/Xoff");
}

TEST_F(PortDialogTest, Rs232LeavesValuesOutsideItsListsAlone) {
  SerialSettings& s = links.serial;
  varnalux::CopyText(s.portName, sizeof s.portName, "/dev/ttyV0");
  s.baudIndex = 12;
  s.parityIndex = -1;
  OpenSetup(varnalux::KindCom, [](QDialog& d) {
    EXPECT_EQ(Find<QComboBox>(&d, "ComboBoxComPort")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>(&d, "ComboBoxBaudRate")->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>(&d, "ComboBoxParity")->currentIndex(), -1);
    EXPECT_EQ(Find<QLabel>(&d, "LabelPortDevice")->text(),
              "/dev/ttyV0 -> /dev/ttyV0 (device path)");
    Choose(Find<QComboBox>(&d, "ComboBoxStopBit"), "2");
    Click(d, "ButtonSet");
  });
  EXPECT_STREQ(s.portName, "/dev/ttyV0");
  EXPECT_EQ(s.baudIndex, 12);
  EXPECT_EQ(s.parityIndex, -1);
  EXPECT_EQ(s.stopBitsIndex, 2);
  EXPECT_EQ(PanelText(1), "/dev/ttyV0 9600,N,8,2 RTS ");
}

TEST_F(PortDialogTest, Rs232ShowsWhichDeviceAPortNameOpens) {
  setenv("VARNALUX_COM9", "/dev/pts/3", 1);
  OpenSetup(varnalux::KindCom, [](QDialog& d) {
    auto* port = Find<QComboBox>(&d, "ComboBoxComPort");
    auto* device = Find<QLabel>(&d, "LabelPortDevice");
    EXPECT_EQ(device->text(), "COM1 -> /dev/ttyS0 (built-in)");
    Choose(port, "COM9");
    EXPECT_EQ(device->text(), "COM9 -> /dev/pts/3 (environment)");
    EXPECT_EQ(port->itemData(8, Qt::ToolTipRole).toString(), "COM9 -> /dev/pts/3 (environment)");
    EXPECT_EQ(port->itemData(5, Qt::ToolTipRole).toString(), "COM6 -> /dev/ttyUSB1 (built-in)");
    Click(d, "ButtonCancel");
  });
  unsetenv("VARNALUX_COM9");
}

TEST_F(PortDialogTest, LptShowsTheBoundNameAndStoresTheChoice) {
  varnalux::CopyText(links.parallelName, varnalux::ParallelNameSize, "LPT3");
  OpenSetup(varnalux::KindLpt, [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "LPT Setup");
    EXPECT_EQ(d.size(), QSize(315, 88));
    auto* list = Find<QComboBox>(&d, "ComboBoxLPT");
    EXPECT_EQ(list->count(), 4);
    EXPECT_EQ(list->currentText(), "LPT3");
    EXPECT_EQ(Find<QLabel>(&d, "LabelPortDevice")->text(), "LPT3 -> /dev/lp2 (built-in)");
    Choose(list, "LPT4");
    EXPECT_EQ(Find<QLabel>(&d, "LabelPortDevice")->text(), "LPT4 -> /dev/lp3 (built-in)");
    Click(d, "ButtonSet");
  });
  EXPECT_STREQ(links.parallelName, "LPT4");
  EXPECT_EQ(PanelText(0), "LPT4");

  OpenSetup(varnalux::KindLpt, [](QDialog& d) {
    Choose(Find<QComboBox>(&d, "ComboBoxLPT"), "LPT1");
    Click(d, "ButtonCancel");
  });
  EXPECT_STREQ(links.parallelName, "LPT4");
  EXPECT_EQ(PanelText(0), "LPT4");
}

TEST_F(PortDialogTest, UsbHasNoDialogButRefreshesThePanels) {
  // Setup is disabled on USB; its handler still runs the status update.
  varnalux::CopyText(links.parallelName, varnalux::ParallelNameSize, "LPT2");
  form->ButtonInterFaceClick();
  EXPECT_TRUE(seam.dialogs.isEmpty());
  EXPECT_EQ(PanelText(0), "LPT2");
}

TEST_F(PortDialogTest, NetSetupOffersADefaultHostAndTakesTheTarget) {
  OpenSetup(varnalux::KindEthernet, [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "TCP/IP Setup");
    auto* host = Find<QLineEdit>(&d, "EditIPAddr");
    auto* port = Find<QLineEdit>(&d, "EditPort");
    EXPECT_EQ(host->text(), "192.168.1.100");
    EXPECT_EQ(host->maxLength(), 64);
    EXPECT_EQ(port->text(), "9100");
    EXPECT_EQ(Visible(Find<QPushButton>(&d, "ButtonSet")->text()), "Exit");
    host->clear();
    QTest::keyClicks(host, "127.0.0.1");
    port->clear();
    QTest::keyClicks(port, "9200");
    Click(d, "ButtonSet");
  });
  EXPECT_STREQ(links.tcp.host, "127.0.0.1");
  EXPECT_EQ(links.tcp.port, 9200);

  // Opened again it shows the target; closing without "Exit" keeps it.
  OpenSetup(varnalux::KindEthernet, [](QDialog& d) {
    EXPECT_EQ(Find<QLineEdit>(&d, "EditIPAddr")->text(), "127.0.0.1");
    EXPECT_EQ(Find<QLineEdit>(&d, "EditPort")->text(), "9200");
    Find<QLineEdit>(&d, "EditIPAddr")->setText("10.1.1.1");
    Find<QLineEdit>(&d, "EditPort")->setText("1");
    d.close();
  });
  EXPECT_STREQ(links.tcp.host, "127.0.0.1");
  EXPECT_EQ(links.tcp.port, 9200);
  EXPECT_TRUE(seam.messages.isEmpty());
}

TEST_F(PortDialogTest, NetSetupRefusesABadPortAndStaysOpen) {
  OpenSetup(varnalux::KindEthernet, [this](QDialog& d) {
    auto* host = Find<QLineEdit>(&d, "EditIPAddr");
    auto* port = Find<QLineEdit>(&d, "EditPort");
    host->setText("127.0.0.2");
    for (const char* bad : {"91OO", "", "9100.0", "99999999999"}) {
      port->setText(QString::fromLatin1(bad));
      Click(d, "ButtonSet");
      EXPECT_TRUE(d.isVisible()) << bad;
      EXPECT_EQ(seam.messages.last(),
                QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
    }
    // The host was taken over before the port failed.
    EXPECT_STREQ(links.tcp.host, "127.0.0.2");
    EXPECT_EQ(links.tcp.port, 9100);
    port->setText("9101");
    Click(d, "ButtonSet");
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(seam.messages.size(), 4);
  EXPECT_EQ(links.tcp.port, 9101);
  EXPECT_EQ(seam.results, std::vector<int>{QDialog::Accepted});
}

TEST_F(PortDialogTest, NetSetupCutsALongHostToTheField) {
  const QString longHost = QString(64, QLatin1Char('h'));
  OpenSetup(varnalux::KindEthernet, [&](QDialog& d) {
    auto* host = Find<QLineEdit>(&d, "EditIPAddr");
    host->clear();
    QTest::keyClicks(host, longHost + QStringLiteral("xyz"));  // the edit stops at 64
    EXPECT_EQ(host->text(), longHost);
    Click(d, "ButtonSet");
  });
  EXPECT_EQ(strnlen(links.tcp.host, sizeof links.tcp.host), 63u);
  EXPECT_EQ(QString::fromLatin1(links.tcp.host), longHost.left(63));
}

}  // namespace
