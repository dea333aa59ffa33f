// The group "Printer Function" driven as the user would, against the virtual
// printer over TCP on 127.0.0.1: the bytes each button sends, the dialogs and
// their close boxes, the dump text load-back and the clock.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "operations/progress.h"
#include "sim/virtual_printer.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialogs/form_rtc_setup.h"
#include "ui/pages/config_page.h"
#include "ui/pages/printer_function_group.h"

using namespace varnalux;

namespace {

class FunctionGroupTest : public PrinterWindowTest {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    group = form->findChild<TPrinterFunctionGroup*>();
    ASSERT_NE(group, nullptr);
  }
  // Clicks a button of the group; a scripted driver runs its dialog.
  void Press(const char* button, ScriptedSeam::Driver driver = {}) {
    if (driver) seam.drivers.push_back(std::move(driver));
    Click(group, button);
    EXPECT_TRUE(form->isEnabled());
  }
  // While "Press OK to load file." is shown, the application under test
  // prints to the printer on a connection of its own: that is what the
  // running dump keeps.
  void PrintWhileAsked(const std::string& bytes) {
    seam.whileAsking = [this, bytes] {
      int fd = socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      a.sin_port = htons(printer.TcpPort());
      size_t before = printer.Received().size();
      if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        (void)!send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      close(fd);
      printer.WaitForReceived(before + bytes.size(), 3000);
    };
  }

  TPrinterFunctionGroup* group = nullptr;
};

TEST_F(FunctionGroupTest, ButtonsAndTheBytesTheySend) {
  EXPECT_EQ(group->title(), "Printer Function");
  EXPECT_EQ(Visible(Find<QPushButton>(group, "ButtonSensorCalibrate")->text()),
            "Calibrate Sensor ");
  EXPECT_EQ(Visible(Find<QPushButton>(group, "ButtonEthernetSetup")->text()), "Ethernet Setup");
  EXPECT_TRUE(Find<QPushButton>(group, "ButtonEthernetSetup")->isEnabled());
  struct Case {
    const char* button;
    std::string bytes;
  };
  const Case cases[] = {
      {"ButtonInitial", "INITIALPRINTER\r\n"},
      {"ButtonSelfTest", "SELFTEST\r\n"},
      {"ButtonRestPrinter", std::string("\x1b!R", 3)},
      {"ButtonIgnoreAuto", std::string("\x1b!C", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    printer.ClearReceived();
    Press(c.button);
    EXPECT_EQ(Received(c.bytes.size()), c.bytes);
  }
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
}

TEST_F(FunctionGroupTest, CalibrationSendsOnlyWhenConfirmed) {
  // Close box: nothing is sent, even with another medium picked.
  Press("ButtonSensorCalibrate", [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Sensor Calibration");
    EXPECT_TRUE(Find<QRadioButton>(&d, "RadioGroupMediaType0")->isChecked());
    Click(&d, "RadioGroupMediaType2");
    d.close();
  });
  EXPECT_EQ(group->MediaChoice(), -1);
  Press("ButtonSensorCalibrate", [](QDialog& d) {
    Click(&d, "RadioGroupMediaType1");
    Click(&d, "ButtonCancel");
  });
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();

  Press("ButtonSensorCalibrate", [](QDialog& d) {
    Click(&d, "RadioGroupMediaType2");
    Click(&d, "ButtonOK");
  });
  EXPECT_EQ(Received(21), "GAP 0.12,0\r\nGAP 0,0\r\n");
  printer.ClearReceived();
  Press("ButtonSensorCalibrate", [](QDialog& d) {
    Click(&d, "RadioGroupMediaType1");
    Click(&d, "ButtonOK");
  });
  EXPECT_EQ(Received(13), "BLINEDETECT\r\n");
}

TEST_F(FunctionGroupTest, DumpToCardSendsTheTypedName) {
  Press("ButtonDump", [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Dump Text Setup");
    EXPECT_TRUE(Find<QRadioButton>(&d, "RadioGroupDumpMode0")->isChecked());
    auto* name = Find<QLineEdit>(&d, "EditFileName");
    EXPECT_EQ(name->text(), "Dump.txt");
    EXPECT_FALSE(name->isEnabled());
    Click(&d, "RadioGroupDumpMode1");
    EXPECT_TRUE(name->isEnabled());
    Type(&d, "EditFileName", "LOG.TXT");
    Click(&d, "ButtonOK");
  });
  const std::string sent = "DUMP_TEXT SAVE 1000,E,\"LOG.TXT\",";
  EXPECT_EQ(Received(sent.size()), sent);
  EXPECT_TRUE(seam.questions.isEmpty());

  // A name that could close the quotes is refused with nothing sent.
  printer.ClearReceived();
  Press("ButtonDump", [](QDialog& d) {
    Click(&d, "RadioGroupDumpMode1");
    Type(&d, "EditFileName", "A\",KILL \"*");
    Click(&d, "ButtonOK");
  });
  EXPECT_EQ(seam.messages,
            QStringList{"A file name may not contain a double quote or a control character."});
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
  // A control character pasted into the name is refused the same way.
  seam.messages.clear();
  Press("ButtonDump", [](QDialog& d) {
    Click(&d, "RadioGroupDumpMode1");
    Find<QLineEdit>(&d, "EditFileName")->setText(QStringLiteral("A\tB.TXT"));
    Click(&d, "ButtonOK");
  });
  ASSERT_EQ(seam.messages.size(), 1);
  EXPECT_TRUE(seam.messages[0].contains("control character")) << seam.messages[0].toStdString();
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();

  // Cancel and the close box send nothing.
  Press("ButtonDump", [](QDialog& d) { Click(&d, "ButtonCancel"); });
  Press("ButtonDump", [](QDialog& d) { d.close(); });
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
}

TEST_F(FunctionGroupTest, DumpToFileLoadsDumpTxtAndSavesIt) {
  QTemporaryDir dir;
  const QString path = dir.filePath("dump.out");
  const std::string content = std::string("line 1\r\nline 2\r\n\0\xff", 18);
  PrintWhileAsked(content);
  seam.answers.push_back(true);
  seam.fileNames.push_back(path);
  Press("ButtonDump", [](QDialog& d) {
    // A name typed for the card is not what this mode sends.
    Click(&d, "RadioGroupDumpMode1");
    Type(&d, "EditFileName", "TYPED.TXT");
    Click(&d, "RadioGroupDumpMode2");
    Click(&d, "ButtonOK");
  });
  EXPECT_EQ(seam.questions, QStringList{"Press OK to load file."});
  EXPECT_EQ(seam.filters, QStringList{"*.* (*)"});
  EXPECT_EQ(printer.ReceivedText(),
            "DUMP_TEXT SAVE 1000,\"Dump.txt\"," + content + "\r\nLOAD \"Dump.txt\"\r\n\r\n");
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll().toStdString(), content + "\r\n");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
}

TEST_F(FunctionGroupTest, DumpToFileWithoutLoadOrWithNothingBack) {
  // Cancel at the question: no LOAD is sent.
  seam.answers.push_back(false);
  Press("ButtonDump", [](QDialog& d) {
    Click(&d, "RadioGroupDumpMode2");
    Click(&d, "ButtonOK");
  });
  EXPECT_TRUE(printer.WaitForReceived(31, 3000));
  EXPECT_EQ(Received(31), "DUMP_TEXT SAVE 1000,\"Dump.txt\",");

  // Nothing came back: said so, and no save dialog offers an empty file.
  printer.ClearReceived();
  printer.SetFault(varnalux::sim::Fault::Silent);
  seam.answers.push_back(true);
  Press("ButtonDump", [](QDialog& d) {
    Click(&d, "RadioGroupDumpMode2");
    Click(&d, "ButtonOK");
  });
  EXPECT_TRUE(seam.filters.isEmpty());
  ASSERT_EQ(seam.messages.size(), 1);
  EXPECT_TRUE(seam.messages[0].contains("Nothing")) << seam.messages[0].toStdString();
}

TEST_F(FunctionGroupTest, DumpSavedToAFileThatCannotBeWrittenIsReported) {
  PrintWhileAsked("dumped");
  seam.answers.push_back(true);
  seam.fileNames.push_back("/nonexistent-dir/dump.out");
  Press("ButtonDump", [](QDialog& d) {
    Click(&d, "RadioGroupDumpMode2");
    Click(&d, "ButtonOK");
  });
  ASSERT_EQ(seam.messages.size(), 1);
  EXPECT_TRUE(seam.messages[0].contains("/nonexistent-dir/dump.out"))
      << seam.messages[0].toStdString();
}

TEST_F(FunctionGroupTest, TestPageChecksThenPrintsTheCollectedPaper) {
  // Not read yet (or cleared): refused whatever the page holds.
  group->SetConfigCollector([](varnalux::PrinterConfig& c) {
    c.paperWidthValid = 1;
    c.paperWidth = 100.0f;
    c.paperHeightValid = 1;
    c.paperHeight = 50.0f;
    return true;
  });
  Press("ButtonTestPatern");
  EXPECT_EQ(seam.messages, QStringList{"Please read printer config first"});

  varnalux::PrinterConfig& stored = form->Config();
  stored.dpiValid = 1;
  stored.dpi = 203.0f;
  stored.dotsPerMm = 8.0f;
  Press("ButtonTestPatern");
  EXPECT_EQ(printer.WaitForCommand("PRINT 1", 3000), true);
  EXPECT_EQ(printer.LastLabelProgram(),
            "CLS\r\nDIRECTION 0,0\r\nBOX 16,16,784,384,4\r\n"
            "BARCODE  98,32,\"39\",50,1,90,2,4,\"1234567890\"\r\n"
            "TEXT  114,32,\"0\",0,25,25,\"TEST\"\r\nPRINT 1\r\n");
  EXPECT_EQ(seam.messages.size(), 1);

  // Missing width, then missing height; a page that fails to convert stops
  // silently here (the page reports it).
  printer.ClearReceived();
  group->SetConfigCollector([](varnalux::PrinterConfig&) { return true; });
  Press("ButtonTestPatern");
  group->SetConfigCollector([](varnalux::PrinterConfig& c) {
    c.paperWidthValid = 1;
    c.paperWidth = 100.0f;
    return true;
  });
  Press("ButtonTestPatern");
  group->SetConfigCollector([](varnalux::PrinterConfig&) { return false; });
  Press("ButtonTestPatern");
  ASSERT_EQ(seam.messages.size(), 3);
  EXPECT_EQ(seam.messages[1], "Please Entry Paper Width");
  EXPECT_EQ(seam.messages[2], "Please Entry Paper Height");
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
}

TEST_F(FunctionGroupTest, TestPageTakesThePaperFromTheConfigurationPage) {
  TConfigPage* page = ConfigurationPage();
  ASSERT_NE(page, nullptr);
  Find<QPushButton>(page, "ButtonRead")->click();  // 203 dpi: 8 dots per mm
  ASSERT_TRUE(form->Config().dpiValid);
  printer.ClearReceived();
  Find<QRadioButton>(page, "RadioUnitInch")->setChecked(true);
  Find<QLineEdit>(page, "EditWidth")->setText("2");
  Find<QLineEdit>(page, "EditHeight")->setText("1");
  Press("ButtonTestPatern");
  ASSERT_TRUE(printer.WaitForCommand("PRINT 1", 3000));
  // 50.8 x 25.4 mm: 406 x 203 dots.
  const std::string label = printer.LastLabelProgram();
  EXPECT_NE(label.find("BOX 16,16,390,187,4\r\n"), std::string::npos) << label;

  // An entry that is not a number stops with the conversion message.
  printer.ClearReceived();
  Find<QLineEdit>(page, "EditHeight")->setText("1x");
  Press("ButtonTestPatern");
  EXPECT_EQ(seam.messages, QStringList{"'1x' is not a valid floating point value"});
  // After "Clear" the printer's resolution is unknown again.
  Find<QPushButton>(page, "ButtonClear")->click();
  Find<QLineEdit>(page, "EditWidth")->setText("2");
  Find<QLineEdit>(page, "EditHeight")->setText("1");
  Press("ButtonTestPatern");
  ASSERT_EQ(seam.messages.size(), 2);
  EXPECT_EQ(seam.messages[1], "Please read printer config first");
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
}

TEST_F(FunctionGroupTest, RtcShowsTheClockThenSetsTheSystemTimeInOneWrite) {
  printer.OverrideReport("YEAR", "25");
  printer.OverrideReport("MONTH", "3");
  printer.OverrideReport("DATE", "14");
  printer.OverrideReport("HOUR", "15");
  printer.OverrideReport("MINUTE", "9");
  printer.OverrideReport("SECOND", "26");
  group->SetClockTimeSource([] { return QDateTime(QDate(2026, 12, 7), QTime(9, 5, 30)); });
  // Counts the write calls of the whole click: seven for the read, then the
  // setting's one.
  varnalux::ShowProgress(varnalux::ProgressStepMode, 0, 1);
  Press("ButtonRTCSetTime", [](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "RTC Setup");
    EXPECT_EQ(Find<QLineEdit>(&d, "EditYear")->text(), "25");
    EXPECT_EQ(Find<QLineEdit>(&d, "EditMonth")->text(), "3");
    EXPECT_EQ(Find<QLineEdit>(&d, "EditSecond")->text(), "26");
    Click(&d, "ButtonSetSysTime");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(Find<QLineEdit>(&d, "EditYear")->text(), "2026");
    EXPECT_EQ(Find<QLineEdit>(&d, "EditDate")->text(), "7");
    EXPECT_EQ(Find<QLineEdit>(&d, "EditMinute")->text(), "5");
    Click(&d, "ButtonOk");
  });
  const int writes = varnalux::ProgressPosition();
  varnalux::HideProgress(true);
  EXPECT_EQ(writes, 8);
  const std::string lines =
      "YEAR = 26\r\nMONTH = 12\r\nDATE = 7\r\nHOUR = 9\r\nMINUTE = 5\r\nSECOND = 30\r\n";
  const std::string sent = Received(200);
  ASSERT_GE(sent.size(), lines.size());
  EXPECT_EQ(sent.substr(sent.size() - lines.size()), lines);
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
}

TEST_F(FunctionGroupTest, RtcWithAPartialReadAndABadEntry) {
  printer.OverrideReport("YEAR", "2026");
  printer.OverrideReport("MONTH", "12");
  printer.ForgetReport("DATE");
  Press("ButtonRTCSetTime", [this](QDialog& d) {
    EXPECT_EQ(Find<QLineEdit>(&d, "EditYear")->text(), "2026");
    EXPECT_EQ(Find<QLineEdit>(&d, "EditMonth")->text(), "12");
    for (const char* name : {"EditDate", "EditHour", "EditMinute", "EditSecond"})
      EXPECT_EQ(Find<QLineEdit>(&d, name)->text(), "0") << name;
    EXPECT_TRUE(seam.messages.isEmpty());  // the failed read is silent
    Type(&d, "EditHour", "9x");
    Click(&d, "ButtonOk");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(seam.messages, QStringList{"'9x' is not a valid integer value"});
    // The message belongs to the dialog, so it stays above it.
    ASSERT_EQ(seam.messageOwners.size(), 1u);
    EXPECT_EQ(seam.messageOwners[0], &d);
    printer.ClearReceived();
    Click(&d, "ButtonCancel");
  });
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
  EXPECT_EQ(group->Clock().hour, 0);  // the bad edit changed nothing
}

}  // namespace
