// Shared pieces of the widget tests: a main window on a scripted seam, the
// same window talking to a virtual printer over TCP, and lookups of controls
// by their object names.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTest>
#include <memory>
#include <string>

#include "app/form_main.h"
#include "link/link_settings.h"
#include "sim/virtual_printer.h"
#include "tests/gui/scripted_seam.h"
#include "tests/support/printer_wait.h"
#include "ui/pages/config_page.h"

// The child of root with the object name; a failure when there is none.
template <typename T>
T* Find(const QObject* root, const char* name) {
  T* child = root->findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) ADD_FAILURE() << "no control named " << name;
  return child;
}

// A caption as the user reads it: without its mnemonic marker ("&&" stands
// for one "&").
inline QString Visible(const QString& caption) {
  QString shown;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

// Selects the item with the text, as the user picks it from the list.
inline void Choose(QComboBox* box, const char* text) {
  const int index = box->findText(QString::fromLatin1(text));
  ASSERT_GE(index, 0) << box->objectName().toStdString() << " has no item " << text;
  box->setCurrentIndex(index);
}

// Clicks a button; a radio button on its label's first characters (a radio
// button reacts to its indicator and text only, not to the rest of its row).
inline void Click(QWidget* root, const char* name) {
  auto* button = Find<QAbstractButton>(root, name);
  if (qobject_cast<QRadioButton*>(button) != nullptr)
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
  else
    QTest::mouseClick(button, Qt::LeftButton);
}

// Replaces the text of an edit by typing, as the user does.
inline void Type(QWidget* root, const char* name, const QString& text) {
  auto* edit = Find<QLineEdit>(root, name);
  edit->selectAll();
  QTest::keyClicks(edit, text);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { form = std::make_unique<varnalux::TFormMain>(seam, links); }
  void TearDown() override {
    form.reset();
    EXPECT_TRUE(seam.drivers.empty()) << "scripted dialogs were not shown";
  }

  QComboBox* Interface() { return Find<QComboBox>(form.get(), "ComboBoxInterFace"); }
  QPushButton* SetupButton() { return Find<QPushButton>(form.get(), "ButtonInterFace"); }
  QPushButton* GetStatus() { return Find<QPushButton>(form.get(), "ButtonGetStatus"); }
  QLabel* Label(const char* name) { return Find<QLabel>(form.get(), name); }
  // The text of status bar panel 0..3.
  QString PanelText(int panel) {
    const std::string name = "StatusPanel" + std::to_string(panel);
    QLabel* label = Find<QLabel>(form.get(), name.c_str());
    return label != nullptr ? label->text() : QString();
  }
  // The "Printer Configuration" group of the first page.
  varnalux::TConfigPage* ConfigurationPage() {
    return Find<varnalux::TConfigPage>(form.get(), "GroupBoxPrinterConfiguration");
  }

  // Enabled status labels, in the order of the group.
  QStringList LitLabels() {
    static const char* const Names[] = {"LabelReady",      "LabelHeadOpen",    "LabelPaperJam",
                                        "LabelOutOfPaper", "LabelOutOfRibbon", "LabelPause",
                                        "LabelPrintting",  "LabelOtherError"};
    QStringList lit;
    for (const char* name : Names)
      if (Label(name)->isEnabledTo(form.get())) lit << Label(name)->text();
    return lit;
  }

  ScriptedSeam seam;
  // The run's link records, which the window binds the links to.
  varnalux::LinkRecords links;
  std::unique_ptr<varnalux::TFormMain> form;
};

// The main window on Ethernet, pointed at a virtual printer on 127.0.0.1.
class PrinterWindowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(printer.StartTcp("127.0.0.1", 0));
    Interface()->setCurrentIndex(varnalux::KindEthernet);
    varnalux::CopyText(links.tcp.host, sizeof links.tcp.host, "127.0.0.1");
    links.tcp.port = printer.TcpPort();
  }
  void TearDown() override {
    printer.Stop();
    MainWindowTest::TearDown();
  }
  // What the printer has received once it holds at least n bytes and no
  // more arrive.
  std::string Received(size_t n) { return varnalux::testing::SettledText(printer, n); }
  // Nothing reached the printer, and nothing arrives for a while.
  bool NothingReceived() { return varnalux::testing::PrinterStaysSilent(printer); }

  varnalux::sim::VirtualPrinter printer;
};
