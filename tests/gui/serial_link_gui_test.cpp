// The window over the serial link: a COM port that stands for the virtual
// printer's pseudo-terminal, for the status and a configuration round trip.
#include <QLineEdit>

#include "sim/virtual_printer.h"
#include "tests/gui/gui_test_support.h"
#include "ui/pages/config_page.h"

using namespace varnalux;

namespace {

using varnalux::sim::VirtualPrinter;

class SerialWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    slave = printer.StartPty();
    ASSERT_FALSE(slave.empty());
    // COM9 stands for the pseudo-terminal, as the run script arranges it.
    setenv("VARNALUX_COM9", slave.c_str(), 1);
    varnalux::CopyText(links.serial.portName, sizeof links.serial.portName, "COM9");
    form->UpdatePortStatus();
    Interface()->setCurrentIndex(varnalux::KindCom);
    page = ConfigurationPage();
    ASSERT_NE(page, nullptr);
  }
  void TearDown() override {
    unsetenv("VARNALUX_COM9");
    printer.Stop();
    MainWindowTest::TearDown();
  }

  VirtualPrinter printer;
  std::string slave;
  TConfigPage* page = nullptr;
};

TEST_F(SerialWindowTest, GetStatusOverCom) {
  printer.SetStatusByte(0x81);
  GetStatus()->click();
  EXPECT_EQ(LitLabels(), (QStringList{"Head Open", "Other Error"}));
  printer.SetStatusByte(0x40);
  GetStatus()->click();
  EXPECT_EQ(LitLabels(), QStringList{"Ready"});
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("; ").toStdString();
  EXPECT_EQ(printer.ReceivedText(), "\x1b!?\x1b!?");
  EXPECT_TRUE(PanelText(1).startsWith("COM9 9600,N,8,1"));
}

TEST_F(SerialWindowTest, ReadSetReadOverCom) {
  Find<QPushButton>(page, "ButtonRead")->click();
  ASSERT_TRUE(seam.messages.isEmpty()) << seam.messages.join("; ").toStdString();
  bool found = false;
  EXPECT_EQ(Find<QLineEdit>(page, "EditVersion")->text().toStdString(),
            printer.ReportValue("VERSION", found));
  EXPECT_EQ(printer.ReceivedText().rfind("\r\nDIAGNOSTIC INTERFACE COM\r\n", 0), 0u);

  // Change the density and the reference point, send, and read again.
  Choose(Find<QComboBox>(page, "ComboBoxDensity"), "12");
  Find<QLineEdit>(page, "EditReferenceX")->setText("7");
  Find<QLineEdit>(page, "EditReferenceY")->setText("3");
  printer.ClearReceived();
  Find<QPushButton>(page, "ButtonSet")->click();
  ASSERT_TRUE(seam.messages.isEmpty()) << seam.messages.join("; ").toStdString();
  std::string sent = printer.ReceivedText();
  EXPECT_NE(sent.find("DENSITY 12\r\n"), std::string::npos) << sent;
  EXPECT_NE(sent.find("REFERENCE 7,3\r\n"), std::string::npos) << sent;

  Find<QPushButton>(page, "ButtonClear")->click();
  EXPECT_EQ(Find<QComboBox>(page, "ComboBoxDensity")->currentIndex(), -1);
  Find<QPushButton>(page, "ButtonRead")->click();
  ASSERT_TRUE(seam.messages.isEmpty()) << seam.messages.join("; ").toStdString();
  EXPECT_EQ(Find<QComboBox>(page, "ComboBoxDensity")->currentText(), "12");
  EXPECT_EQ(Find<QLineEdit>(page, "EditReferenceX")->text(), "7");
  EXPECT_EQ(Find<QLineEdit>(page, "EditReferenceY")->text(), "3");
  EXPECT_EQ(printer.ReportValue("DENSITY", found), "12");
}

TEST_F(SerialWindowTest, UnmappedComPortReportsPortOpenError) {
  varnalux::CopyText(links.serial.portName, sizeof links.serial.portName, "/nonexistent/tty");
  GetStatus()->click();
  EXPECT_EQ(seam.messages, QStringList{"Port Open Error\nThe port does not exist."});
  EXPECT_TRUE(printer.Received().empty());
}

}  // namespace
