// The "Printer Configuration" group against the virtual printer over TCP:
// its controls, Read, Clear, Set with the strict conversions, Save and Load,
// and the start-up read.
#include "ui/pages/config_page.h"

#include <sys/stat.h>

#include <QButtonGroup>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <cstring>
#include <fstream>
#include <iterator>

#include "operations/progress.h"
#include "protocol/config_file.h"
#include "sim/virtual_printer.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/temp_folder.h"

using namespace varnalux;

namespace {

class ConfigPageTest : public PrinterWindowTest {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    page = ConfigurationPage();
    ASSERT_NE(page, nullptr);
  }

  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(page, name); }
  QComboBox* List(const char* name) { return Find<QComboBox>(page, name); }
  QString Text(const char* name) { return Edit(name)->text(); }
  int Index(const char* name) { return List(name)->currentIndex(); }
  void Click(const char* name) { Find<QPushButton>(page, name)->click(); }
  void UseUnit(const char* name) { Find<QRadioButton>(page, name)->setChecked(true); }
  std::string Temp(const char* name) { return folder.Path(name); }
  std::string Sent() { return printer.ReceivedText(); }

  TConfigPage* page = nullptr;
  varnalux::testing::TempFolder folder;
};

QStringList ItemsOf(QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

TEST_F(ConfigPageTest, ControlsCarryTheirCaptionsAndLists) {
  EXPECT_EQ(page->title(), "Printer Configuration");
  EXPECT_EQ(ItemsOf(List("ComboBoxMediaSensor")), QStringList({"", "Gap", "Bline", "Continuous"}));
  EXPECT_EQ(ItemsOf(List("ComboBoxPrintOut")), QStringList({"", "OFF", "TEAR", "PEEL", "CUTTER"}));
  EXPECT_EQ(ItemsOf(List("ComboBoxBaudrate")),
            QStringList({"", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
  EXPECT_EQ(List("ComboBoxDensity")->count(), 17);
  EXPECT_EQ(List("ComboBoxDensity")->itemText(16), "15");
  EXPECT_EQ(List("ComboBoxCodePage")->count(), 37);
  EXPECT_EQ(List("ComboBoxCodePage")->itemText(36), "8859-15");
  EXPECT_EQ(List("ComboBoxCountryCode")->itemText(22), "358");
  EXPECT_TRUE(List("ComboBoxRibbon")->isEditable());
  EXPECT_TRUE(List("ComboBoxCountryCode")->isEditable());
  EXPECT_FALSE(List("ComboBoxHead")->isEditable());
  EXPECT_EQ(ItemsOf(List("ComboBoxParity")), QStringList({"", "None", "Odd", "Even"}));
  // The page shows the reset record at once: no list has a selection.
  for (QComboBox* b : page->findChildren<QComboBox*>())
    EXPECT_EQ(b->currentIndex(), -1) << b->objectName().toStdString();
  EXPECT_TRUE(Edit("EditDensityBase")->isHidden());
  EXPECT_TRUE(Edit("EditShiftXBase")->isReadOnly());
  EXPECT_EQ(page->Unit(), varnalux::PageUnitInch);
  QStringList captions;
  for (QLabel* l : page->findChildren<QLabel*>()) captions << l->text();
  for (const char* c : {"Version:", "Milage:", "Km", "Check Sum:", "Post-Print Acttion:",
                        "Shift X:", "Shift Y:", "Stop Bit(s):", "Continuous Inten.:"})
    EXPECT_TRUE(captions.contains(c)) << c;
  EXPECT_EQ(Find<QGroupBox>(page, "GroupBoxPrinterInfomation")->title(), "Printer Infomation");

  // "Read" follows the interface: not on LPT. "Set" stays.
  Interface()->setCurrentIndex(varnalux::KindLpt);
  EXPECT_FALSE(Find<QPushButton>(page, "ButtonRead")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>(page, "ButtonSet")->isEnabled());
}

TEST_F(ConfigPageTest, ReadShowsThePrinterInTheSelectedUnit) {
  Click("ButtonRead");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_TRUE(form->isEnabled());
  bool found = false;
  EXPECT_EQ(Text("EditVersion").toStdString(), printer.ReportValue("VERSION", found));
  EXPECT_EQ(Text("EditSpeed"), "4");
  EXPECT_EQ(List("ComboBoxDensity")->currentText(), "8");
  EXPECT_EQ(Text("EditWidth"), "4.00");  // 812 dots at 8/mm: 101.5 mm
  EXPECT_EQ(List("ComboBoxCodePage")->currentText(), "850");
  EXPECT_EQ(List("ComboBoxBaudrate")->currentText(), "9600");
  EXPECT_EQ(List("ComboBoxParity")->currentText(), "None");
  EXPECT_FALSE(Edit("EditDensityBase")->isHidden());  // the printer reports 8
  EXPECT_EQ(Text("EditDensityBase"), "8");
  EXPECT_TRUE(Edit("EditOffsetBase")->isHidden());  // reports 0
  EXPECT_EQ(Text("EditCutterPiece"), "");           // post-print is not CUTTER

  UseUnit("RadioUnitMm");
  EXPECT_EQ(Text("EditWidth"), "4.00");  // switching converts nothing
  Click("ButtonRead");
  EXPECT_EQ(Text("EditWidth"), "101.50");
  EXPECT_EQ(form->Config().paperWidth, 101.5f);

  // A failed read reports and keeps what the page showed.
  printer.SetFault(varnalux::sim::Fault::Malformed);
  Click("ButtonRead");
  EXPECT_EQ(seam.messages, QStringList({"Data Receiving Error"}));
  EXPECT_EQ(Text("EditWidth"), "101.50");
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(ConfigPageTest, SetSendsWhatTheControlsShow) {
  Click("ButtonRead");
  printer.ClearReceived();
  Edit("EditSpeed")->setText("6");
  Edit("EditWidth")->setText("2,5");                // inch, comma accepted
  List("ComboBoxMediaSensor")->setCurrentIndex(3);  // Continuous
  Edit("EditContinuousInten")->setText("7");
  Edit("EditGapInten")->setText("1");  // not its sensor: not sent
  Click("ButtonSet");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_TRUE(form->isEnabled());
  ASSERT_TRUE(printer.WaitForReceived(30, 3000));
  const std::string sent = Received(30);
  EXPECT_EQ(sent.rfind("SPEED 6.0\r\nDENSITY 8\r\nSIZE 63.50 mm,", 0), 0u) << sent;
  EXPECT_NE(sent.find("GAP 0,0\r\n"), std::string::npos);
  EXPECT_NE(sent.find("SET GAP 7\r\n"), std::string::npos);
  EXPECT_EQ(sent.find("SET GAP 1\r\n"), std::string::npos);
  EXPECT_NE(sent.find("SET COM1 96,N,8,1\r\n"), std::string::npos);
  EXPECT_EQ(sent.find("DIAGNOSTIC"), std::string::npos);  // nothing read back
  EXPECT_EQ(form->Config().speed, 4.0f);                  // the displayed record stays
}

TEST_F(ConfigPageTest, BadTextStopsSetWithTheConversionMessage) {
  Edit("EditSpeed")->setText("3");
  Edit("EditGapOffset")->setText("2,5");
  Click("ButtonSet");
  Edit("EditGapOffset")->setText("");
  Edit("EditReferenceX")->setText("1x");
  Click("ButtonSet");
  EXPECT_EQ(seam.messages, QStringList({"'2,5' is not a valid floating point value",
                                        "'1x' is not a valid integer value"}));
  EXPECT_TRUE(form->isEnabled());
  EXPECT_TRUE(NothingReceived()) << Sent();
  EXPECT_EQ(Sent(), "");
}

TEST_F(ConfigPageTest, SpeedTakesTwoTypedCharactersButShowsTheWholeValue) {
  QLineEdit* speed = Edit("EditSpeed");
  QTest::keyClicks(speed, "123");
  EXPECT_EQ(speed->text(), "12");
  varnalux::PrinterConfig c;
  varnalux::ResetConfig(c);
  c.speedValid = 1;
  c.speed = 3.2f;
  page->ShowConfig(c);
  EXPECT_EQ(speed->text(), "3.20000004768372");
  EXPECT_EQ(speed->cursorPosition(), 0);  // shown from its start
  QTest::keyClick(speed, Qt::Key_End);
  QTest::keyClick(speed, Qt::Key_Backspace);  // a long text can still be shortened
  EXPECT_EQ(speed->text(), "3.2000000476837");
}

TEST_F(ConfigPageTest, ClearEmptiesEveryControl) {
  Click("ButtonRead");
  Click("ButtonClear");
  for (QLineEdit* e : page->findChildren<QLineEdit*>()) {
    if (e->parent() != nullptr && qobject_cast<QComboBox*>(e->parent())) continue;
    EXPECT_EQ(e->text(), "") << e->objectName().toStdString();
  }
  for (QComboBox* b : page->findChildren<QComboBox*>())
    EXPECT_EQ(b->currentIndex(), -1) << b->objectName().toStdString();
  EXPECT_TRUE(Edit("EditDensityBase")->isHidden());
  EXPECT_EQ(form->Config().dpi, 200.0f);
  EXPECT_EQ(form->Config().speedValid, 0);
}

TEST_F(ConfigPageTest, SaveAndLoadBringTheStateBack) {
  UseUnit("RadioUnitMm");
  Click("ButtonRead");
  form->Status().outOfPaper = 1;
  const std::string path = Temp("page.dcf");
  seam.fileNames.push_back(QString::fromStdString(path));
  Click("ButtonSave");
  EXPECT_EQ(seam.filters, QStringList({"*.dcf (*.dcf)"}));
  std::ifstream in(path, std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(file.size(), 477u);
  EXPECT_EQ(file[8], 1);    // unit mm
  EXPECT_EQ(file[471], 1);  // out of paper

  // Loading while 'inch' is selected switches to the file's unit.
  Click("ButtonClear");
  form->Status() = varnalux::PrinterStatus{};
  UseUnit("RadioUnitInch");
  seam.fileNames.push_back(QString::fromStdString(path));
  Click("ButtonLoad");
  EXPECT_TRUE(seam.messages.isEmpty());
  EXPECT_EQ(page->Unit(), varnalux::PageUnitMm);
  EXPECT_EQ(Text("EditWidth"), "101.50");
  EXPECT_EQ(List("ComboBoxCodePage")->currentText(), "850");
  EXPECT_EQ(form->Status().outOfPaper, 1);
  EXPECT_TRUE(Label("LabelOutOfPaper")->isEnabled());
  EXPECT_FALSE(Label("LabelReady")->isEnabled());
  EXPECT_TRUE(Sent().find("DIAGNOSTIC REPORT") != std::string::npos);  // only the read
}

TEST_F(ConfigPageTest, LoadRefusesBadFilesAndSaveReportsFailure) {
  Click("ButtonRead");
  const QString shown = Text("EditWidth");
  const std::string text = Temp("page_text.dcf");
  std::ofstream(text) << "this is not a configuration file, though it is long enough "
                      << std::string(500, '.');
  const std::string shortFile = Temp("page_short.dcf");
  std::ofstream(shortFile, std::ios::binary).write("\xAA\x55\x00\x00\x01\x00\x00\x00", 8);
  for (const std::string& name : {text, shortFile, Temp("page_missing.dcf")})
    seam.fileNames.push_back(QString::fromStdString(name));
  seam.fileNames.push_back(QString());  // cancelled: nothing at all
  for (int i = 0; i < 4; ++i) Click("ButtonLoad");
  EXPECT_EQ(seam.messages, QStringList({"File Data Error", "File Data Error", "File Open Error"}));
  EXPECT_EQ(Text("EditWidth"), shown);

  const std::string dir = Temp("page_dir.dcf");
  mkdir(dir.c_str(), 0755);
  seam.messages.clear();
  seam.fileNames.push_back(QString::fromStdString(dir));
  seam.fileNames.push_back(QString());
  Click("ButtonSave");
  Click("ButtonSave");
  EXPECT_EQ(seam.messages, QStringList({"File Open Error"}));
}

TEST_F(ConfigPageTest, StoredUnitOutsideTheGroupSelectsNoneOrMm) {
  varnalux::PrinterConfig c;
  varnalux::ResetConfig(c);
  c.paperWidthValid = 1;
  c.paperWidth = 50.8f;
  uint8_t image[varnalux::ConfigFileSize];
  const std::string path = Temp("page_units.dcf");
  Edit("EditWidth")->setText("kept");
  varnalux::BuildConfigFile(c, -1, varnalux::PrinterStatus{}, image);
  ASSERT_TRUE(varnalux::SaveConfigFile(path, image));
  seam.fileNames.push_back(QString::fromStdString(path));
  Click("ButtonLoad");
  EXPECT_EQ(page->Unit(), -1);
  EXPECT_EQ(Text("EditWidth"), "kept");  // no unit: the length edit is left alone

  varnalux::BuildConfigFile(c, 5, varnalux::PrinterStatus{}, image);
  ASSERT_TRUE(varnalux::SaveConfigFile(path, image));
  seam.fileNames.push_back(QString::fromStdString(path));
  Click("ButtonLoad");
  EXPECT_EQ(page->Unit(), varnalux::PageUnitMm);
  EXPECT_EQ(Text("EditWidth"), "50.80");
}

TEST_F(ConfigPageTest, StartupReadRunsOnlyAfterASuccessfulProbeAndWithoutProgress) {
  // The probe of this window ran on USB, where no printer is attached.
  ASSERT_FALSE(form->StartupProbeSucceeded());
  form->StartupRead();
  EXPECT_TRUE(NothingReceived()) << Sent();
  EXPECT_EQ(Sent(), "");
  EXPECT_EQ(Text("EditSpeed"), "");

  class CountingView : public varnalux::ProgressView {
   public:
    void Open(int, int, const char*) override { ++opens; }
    void SetPosition(int) override {}
    void Close() override {}
    void ProcessPendingMessages() override {}
    int opens = 0;
  } view;
  varnalux::SetProgressView(&view);
  page->ReadAfterProbe();
  varnalux::SetProgressView(nullptr);
  EXPECT_EQ(view.opens, 0);
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(Text("EditSpeed"), "4");
  EXPECT_EQ(form->Config().dpiValid, 1);

  printer.ForgetReport("SPEED");
  page->ReadAfterProbe();
  EXPECT_EQ(seam.messages, QStringList({"Data Receiving Error"}));
  EXPECT_EQ(Text("EditSpeed"), "4");
}

}  // namespace
