// What a user sees and types on the first page and its dialogs: editable
// lists collected from their text, labels naming their fields, the tab
// order, the status bar tooltip and the interface group's frame.
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <map>
#include <string>

#include "tests/gui/gui_test_support.h"
#include "ui/dialogs/form_dump_text_setup.h"
#include "ui/dialogs/form_net_setup.h"
#include "ui/dialogs/form_rs232_setup.h"
#include "ui/dialogs/form_rtc_setup.h"
#include "ui/pages/config_page.h"

using namespace varnalux;

namespace {

class PageFieldsTest : public PrinterWindowTest {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    page = ConfigurationPage();
    ASSERT_NE(page, nullptr);
  }
  QComboBox* List(const char* name) { return Find<QComboBox>(page, name); }
  // Types text over the list's text, as the user does.
  void TypeInto(QComboBox* box, const QString& text) {
    box->lineEdit()->selectAll();
    if (text.isEmpty())
      QTest::keyClick(box->lineEdit(), Qt::Key_Delete);
    else
      QTest::keyClicks(box->lineEdit(), text);
  }
  varnalux::PrinterConfig Collected() {
    varnalux::PrinterConfig record;
    varnalux::ResetConfig(record);
    QString error;
    EXPECT_TRUE(page->CollectConfig(record, error)) << error.toStdString();
    return record;
  }

  TConfigPage* page = nullptr;
};

TEST_F(PageFieldsTest, EditableListsCollectTheTextShown) {
  QComboBox* country = List("ComboBoxCountryCode");
  QComboBox* ribbon = List("ComboBoxRibbon");
  Choose(country, "001");
  Choose(ribbon, "ON");
  ASSERT_EQ(Collected().country, 0);

  // Typed over the selected item: a code of the list is sent, whatever was
  // selected before.
  TypeInto(country, "049");
  varnalux::PrinterConfig c = Collected();
  EXPECT_EQ(c.countryValid, 1);
  EXPECT_STREQ(varnalux::CountryTable.entries[c.country], "049");
  // A code that is no item of the list, or an empty text, sends nothing.
  TypeInto(country, "999");
  EXPECT_EQ(Collected().countryValid, 0);
  TypeInto(country, "");
  EXPECT_EQ(country->currentText(), "");
  EXPECT_EQ(Collected().countryValid, 0);
  // Pasted, with the blanks a copied text brings along.
  QApplication::clipboard()->setText(QStringLiteral(" 044 "));
  country->lineEdit()->selectAll();
  country->lineEdit()->paste();
  c = Collected();
  EXPECT_EQ(c.countryValid, 1);
  EXPECT_STREQ(varnalux::CountryTable.entries[c.country], "044");

  // Ribbon: its words in any case; anything else is not sent.
  TypeInto(ribbon, "off");
  c = Collected();
  EXPECT_EQ(c.ribbonValid, 1);
  EXPECT_EQ(c.ribbon, 0);
  TypeInto(ribbon, "maybe");
  EXPECT_EQ(Collected().ribbonValid, 0);
  TypeInto(ribbon, "");
  EXPECT_EQ(Collected().ribbonValid, 0);
}

TEST_F(PageFieldsTest, SetSendsTheTypedCountryNotTheOneReadBefore) {
  Find<QPushButton>(page, "ButtonRead")->click();
  ASSERT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  QComboBox* country = List("ComboBoxCountryCode");
  ASSERT_GT(country->currentIndex(), 0);

  TypeInto(country, "999");
  printer.ClearReceived();
  Find<QPushButton>(page, "ButtonSet")->click();
  std::string sent = Received(10);
  EXPECT_EQ(sent.find("COUNTRY"), std::string::npos) << sent;

  TypeInto(country, "358");
  printer.ClearReceived();
  Find<QPushButton>(page, "ButtonSet")->click();
  sent = Received(10);
  EXPECT_NE(sent.find("COUNTRY 358\r\n"), std::string::npos) << sent;

  // "Clear" empties the typed text as well.
  Find<QPushButton>(page, "ButtonClear")->click();
  EXPECT_EQ(country->currentText(), "");
  EXPECT_EQ(Collected().countryValid, 0);
}

// Every caption names the field beside it.
void ExpectCaptionsHaveBuddies(QWidget* root) {
  for (QLabel* label : root->findChildren<QLabel*>()) {
    if (!label->text().endsWith(QLatin1Char(':'))) continue;
    EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
  }
}

TEST_F(PageFieldsTest, EveryCaptionIsTheBuddyOfItsField) {
  ExpectCaptionsHaveBuddies(form.get());
  std::map<QString, QString> expected{{"Speed:", "EditSpeed"},
                                      {"Version:", "EditVersion"},
                                      {"Country Code:", "ComboBoxCountryCode"},
                                      {"Reference:", "EditReferenceX"},
                                      {"Stop Bit(s):", "ComboBoxStopBit"}};
  for (QLabel* label : page->findChildren<QLabel*>()) {
    auto it = expected.find(label->text());
    if (it == expected.end() || label->buddy() == nullptr) continue;
    EXPECT_EQ(label->buddy()->objectName(), it->second) << label->text().toStdString();
  }
  TFormRTCSetup rtc(seam);
  ExpectCaptionsHaveBuddies(&rtc);
  // Discovery goes nowhere: an override with no destination sends nothing.
  varnalux::net::UdpOptions nowhere;
  nowhere.overridden = true;
  TFormNetSetup net(seam, nowhere);
  ExpectCaptionsHaveBuddies(&net);
  TFormRs232Setup rs232;
  ExpectCaptionsHaveBuddies(&rs232);
  TFormDumpTextSetup dump;
  ExpectCaptionsHaveBuddies(&dump);
}

// The names of the widgets Tab visits, from start on, as QWidget's own
// focus chain walk does.
QStringList TabWalk(QWidget* window, QWidget* start, int count) {
  QStringList names;
  QWidget* w = start;
  for (int guard = 0; guard < 2000 && names.size() < count; ++guard) {
    const bool stop = (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
                      w->isVisibleTo(window) && w->focusProxy() == nullptr;
    if (stop) {
      // An editable list's edit stands for its list.
      QString name = w->objectName();
      if (qobject_cast<QComboBox*>(w->parentWidget()) != nullptr)
        name = w->parentWidget()->objectName();
      names << name;
    }
    w = w->nextInFocusChain();
    if (w == start) break;
  }
  return names;
}

TEST_F(PageFieldsTest, TabFollowsTheLayoutFromTheInterfaceList) {
  Interface()->setCurrentIndex(varnalux::KindCom);  // Setup enabled
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  const QStringList walk = TabWalk(form.get(), Interface(), 27);
  const QStringList expected{
      "ComboBoxInterFace", "ButtonInterFace",     "qt_tabwidget_tabbar", "ButtonInitial",
      "ButtonDump",        "ButtonSelfTest",      "ButtonRTCSetTime",    "ButtonSensorCalibrate",
      "ButtonRestPrinter", "ButtonTestPatern",    "ButtonIgnoreAuto",    "ButtonEthernetSetup",
      "ButtonGetStatus",   "EditSpeed",           "ComboBoxDensity",     "EditWidth",
      "EditHeight",        "ComboBoxMediaSensor", "EditGapSize",         "EditGapOffset",
      "ComboBoxPrintOut",  "EditCutterPiece",     "EditReferenceX",      "EditReferenceY",
      "ComboBoxDirection", "ComboBoxMirror",      "EditOffset"};
  EXPECT_EQ(walk, expected);
  const QStringList rest = TabWalk(form.get(), Find<QWidget>(page, "EditShiftX"), 20);
  EXPECT_EQ(rest, (QStringList{"EditShiftX",          "EditShiftY",          "ComboBoxRibbon",
                               "ComboBoxCodePage",    "ComboBoxCountryCode", "ComboBoxHead",
                               "ComboBoxReprint",     "EditGapInten",        "EditBlineInten",
                               "EditContinuousInten", "ComboBoxBaudrate",    "ComboBoxDatabit",
                               "ComboBoxParity",      "ComboBoxStopBit",     "RadioUnitInch",
                               "ButtonClear",         "ButtonLoad",          "ButtonSave",
                               "ButtonSet",           "ButtonRead"}));
  // Read-only boxes are skipped by Tab but can still be clicked into.
  for (const char* name : {"EditVersion", "EditMilage", "EditChecksum"}) {
    auto* edit = Find<QLineEdit>(page, name);
    EXPECT_FALSE(edit->focusPolicy() & Qt::TabFocus) << name;
    EXPECT_TRUE(edit->focusPolicy() & Qt::ClickFocus) << name;
  }
  EXPECT_FALSE(walk.contains("EditVersion"));
}

// A group of choices is one Tab stop: Tab lands on the checked choice, the
// arrow keys move the choice, and the stop moves with it.
TEST_F(PageFieldsTest, TabIntoAChoiceGroupLandsOnTheCheckedChoice) {
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  Find<QTabWidget>(form.get(), "PageControl1")->setCurrentIndex(1);
  auto* fontView = Find<QPushButton>(form.get(), "ButtonFontSample");
  fontView->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(fontView->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  auto* flash = Find<QRadioButton>(form.get(), "RadioGroupFormatDevice1");
  ASSERT_TRUE(flash->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), flash)
      << QApplication::focusWidget()->objectName().toStdString();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  auto* card = Find<QRadioButton>(form.get(), "RadioGroupFormatDevice2");
  EXPECT_TRUE(card->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), card);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(form.get(), "ButtonFileFormat"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), card);
}

TEST_F(PageFieldsTest, SerialPanelShowsItsWholeTextAsTooltipWhenCut) {
  auto* panel = Find<QLabel>(form.get(), "StatusPanel1");
  form->UpdatePortStatus();
  EXPECT_EQ(panel->toolTip(), "") << "the default summary fits";
  // A long device path in place of COM1 no longer fits the panel.
  const std::string longName = "/dev/serial/by-id/usb-V";  // as long as the field takes
  varnalux::CopyText(links.serial.portName, sizeof links.serial.portName, longName.c_str());
  form->UpdatePortStatus();
  ASSERT_GT(panel->fontMetrics().horizontalAdvance(panel->text()), panel->contentsRect().width());
  EXPECT_EQ(panel->toolTip(), panel->text());
  EXPECT_TRUE(panel->toolTip().startsWith(QString::fromStdString(longName)));
  varnalux::CopyText(links.serial.portName, sizeof links.serial.portName, "COM1");
  form->UpdatePortStatus();
  EXPECT_EQ(panel->toolTip(), "");
}

TEST_F(PageFieldsTest, InterfaceListAndSetupSitInsideTheirGroupFrame) {
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  auto* group = Find<QGroupBox>(form.get(), "GroupBoxInterFace");
  QStyleOptionGroupBox option;
  option.initFrom(group);
  option.text = group->title();
  option.lineWidth = 1;
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  const QRect frame =
      group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, group);
  const QRect label =
      group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
  const int inside = std::max(frame.top(), label.bottom()) + 1;
  for (QWidget* w : {static_cast<QWidget*>(Interface()), static_cast<QWidget*>(SetupButton())}) {
    const QRect r = w->geometry();
    EXPECT_GE(r.top(), inside) << w->objectName().toStdString();
    EXPECT_LE(r.bottom(), frame.bottom() - 1) << w->objectName().toStdString();
    EXPECT_GE(r.height(), 18) << w->objectName().toStdString();
  }
}

}  // namespace
