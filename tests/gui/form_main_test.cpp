// The main window's frame: start-up state, the interface table, status
// labels, About box and the clock panel.
#include <QAction>
#include <QGroupBox>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <span>

#include "app/form_about.h"
#include "app/page_table.h"
#include "link/printer_link.h"
#include "operations/dispatcher.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/kind_link.h"

using namespace varnalux;

namespace {

using varnalux::PrinterStatus;

TEST_F(MainWindowTest, StartsWithDefaultsAndNoMessage) {
  EXPECT_EQ(form->windowTitle(), "Varnalux");
  // No USB printer here: the probe fails silently.
  EXPECT_FALSE(form->StartupProbeSucceeded());
  EXPECT_TRUE(seam.messages.isEmpty());
  EXPECT_EQ(form->pos(), QPoint(60, 60));
  EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the window must not be resizable";
  EXPECT_EQ(form->width(), 688);
  EXPECT_EQ(form->height() - form->menuBar()->sizeHint().height(), 548);

  QComboBox* kinds = Interface();
  ASSERT_EQ(kinds->count(), 4);
  EXPECT_EQ(kinds->itemText(0), "USB");
  EXPECT_EQ(kinds->itemText(1), "COM");
  EXPECT_EQ(kinds->itemText(2), "LPT");
  EXPECT_EQ(kinds->itemText(3), "ETHERNET");
  EXPECT_EQ(kinds->currentIndex(), 0);
  EXPECT_EQ(form->CurrentKind(), varnalux::KindUsb);
  EXPECT_FALSE(SetupButton()->isEnabled());
  EXPECT_EQ(Visible(SetupButton()->text()), "Setup");
  EXPECT_TRUE(GetStatus()->isEnabled());
  EXPECT_TRUE(LitLabels().isEmpty()) << LitLabels().join(",").toStdString();

  auto* pages = Find<QTabWidget>(form.get(), "PageControl1");
  ASSERT_EQ(pages->count(), 4);
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_EQ(pages->tabText(0), "Printer Configuration");
  EXPECT_EQ(pages->tabText(1), "File Manager");
  EXPECT_EQ(pages->tabText(2), "Bitmap Font Manager");
  EXPECT_EQ(pages->tabText(3), "Command Tool");

  EXPECT_EQ(PanelText(0), "LPT1");
  EXPECT_EQ(PanelText(1), "COM1 9600,N,8,1 RTS ");
  EXPECT_EQ(PanelText(2), "");
  EXPECT_FALSE(PanelText(3).isEmpty());
  EXPECT_STREQ(links.tcp.host, "");
  EXPECT_EQ(links.tcp.port, 9100);

  // The link layer works on the window's own records.
  EXPECT_EQ(varnalux::CurrentLinkSettings().serial, &links.serial);
  EXPECT_EQ(varnalux::CurrentLinkSettings().tcp, &links.tcp);
  EXPECT_EQ(varnalux::CurrentLinkSettings().parallelDeviceName, links.parallelName);
  // ...and forgets them with the window, so no later open reads freed memory.
  form.reset();
  EXPECT_EQ(varnalux::CurrentLinkSettings().serial, nullptr);
  EXPECT_EQ(varnalux::CurrentLinkSettings().tcp, nullptr);
  EXPECT_EQ(varnalux::testing::KindLink(varnalux::KindEthernet).Open(), varnalux::InvalidLink);
  EXPECT_EQ(varnalux::LastOpenFailure(), varnalux::OpenFailure::NotSet);
}

// A page is one row of the page table: the window gives every row a tab with
// its caption and a sheet with its name, and the row puts its page on it.
TEST_F(MainWindowTest, EveryRowOfThePageTableIsATabWithItsPageOnItsSheet) {
  auto* pages = Find<QTabWidget>(form.get(), "PageControl1");
  const std::span<const PageRow> rows = WindowPages();
  ASSERT_EQ(pages->count(), static_cast<int>(rows.size()));
  QStringList names;
  for (int i = 0; i < pages->count(); ++i) {
    QWidget* sheet = pages->widget(i);
    const QString name = QString::fromLatin1(rows[i].sheetName);
    EXPECT_EQ(pages->tabText(i), QString::fromUtf8(rows[i].title));
    EXPECT_EQ(sheet->objectName(), name);
    EXPECT_NE(sheet->layout(), nullptr) << name.toStdString();
    EXPECT_FALSE(sheet->findChildren<QWidget*>().isEmpty()) << name.toStdString();
    EXPECT_FALSE(names.contains(name)) << name.toStdString();
    names << name;
  }
}

TEST_F(MainWindowTest, FrameLayoutLeavesRoomForThePages) {
  form->show();
  auto* status = Find<QGroupBox>(form.get(), "GroupBoxPrinterStatus");
  EXPECT_EQ(status->title(), "Printer Status");
  EXPECT_EQ(status->geometry(), QRect(0, 240, 113, 217));
  // The status group sits inside its page, the configuration area beside it.
  QWidget* page = status->parentWidget();
  EXPECT_LE(status->geometry().bottom(), page->height());
  auto* functionArea = Find<QWidget>(form.get(), "FunctionArea");
  auto* configArea = Find<QWidget>(form.get(), "ConfigArea");
  EXPECT_EQ(functionArea->geometry().topLeft(), QPoint(0, 0));
  EXPECT_GE(configArea->x(), 113);
  EXPECT_LE(configArea->geometry().right(), page->width());
  EXPECT_GT(configArea->width(), 500);
  EXPECT_GT(configArea->height(), 440);
  for (QWidget* area :
       {configArea, functionArea, Find<QWidget>(form.get(), "TabSheet2"),
        Find<QWidget>(form.get(), "TabSheet3"), Find<QWidget>(form.get(), "TabSheet4")})
    EXPECT_NE(area->layout(), nullptr) << area->objectName().toStdString();
  auto* pages = Find<QTabWidget>(form.get(), "PageControl1");
  EXPECT_EQ(pages->geometry().topLeft(), QPoint(4, 40));
  EXPECT_EQ(pages->width(), 681);
  // The interface group stays clear of the tabs.
  auto* group = Find<QGroupBox>(form.get(), "GroupBoxInterFace");
  QRect tabs;
  for (int i = 0; i < pages->count(); ++i) tabs |= pages->tabBar()->tabRect(i);
  tabs.translate(pages->pos() + pages->tabBar()->pos());
  EXPECT_FALSE(group->geometry().intersects(tabs))
      << "group " << group->geometry().x() << "," << group->geometry().bottom() << " tabs end "
      << tabs.right();
}

TEST_F(MainWindowTest, InterfaceTableEnablesTheMatchingButtons) {
  QPushButton read(QStringLiteral("Read"));
  form->RegisterReadButton(&read);
  struct Row {
    int kind;
    bool setup, status, read;
  };
  const Row table[] = {{1, true, true, true},
                       {2, true, false, false},
                       {3, true, true, true},
                       {0, false, true, true},
                       {2, true, false, false}};
  for (const Row& row : table) {
    Interface()->setCurrentIndex(row.kind);
    EXPECT_EQ(form->CurrentKind(), row.kind);
    EXPECT_EQ(SetupButton()->isEnabled(), row.setup) << "kind " << row.kind;
    EXPECT_EQ(GetStatus()->isEnabled(), row.status) << "kind " << row.kind;
    EXPECT_EQ(read.isEnabled(), row.read) << "kind " << row.kind;
  }
  // A button registered while LPT is selected starts disabled.
  QPushButton later(QStringLiteral("Read"));
  form->RegisterReadButton(&later);
  EXPECT_FALSE(later.isEnabled());
  // The user's keyboard goes the same way: Up from LPT is COM.
  Interface()->setFocus();
  QTest::keyClick(Interface(), Qt::Key_Up);
  EXPECT_EQ(form->CurrentKind(), varnalux::KindCom);
  EXPECT_TRUE(later.isEnabled());
  EXPECT_TRUE(GetStatus()->isEnabled());
  form->RegisterReadButton(nullptr);
  Interface()->setCurrentIndex(2);  // no registered button: nothing to touch
  EXPECT_TRUE(later.isEnabled());
}

TEST_F(MainWindowTest, StatusLabelsFollowTheFlags) {
  PrinterStatus status;
  varnalux::StatusFromByte(0x40, status);
  form->ShowPrinterStatus(status);
  EXPECT_EQ(LitLabels(), QStringList{"Ready"});

  varnalux::StatusFromByte(0xFF, status);
  form->ShowPrinterStatus(status);
  EXPECT_EQ(LitLabels(), (QStringList{"Head Open", "Paper Jam", "Out of Paper", "Out of Ribbon",
                                      "Pause", "Printting", "Other Error"}));

  // Each bit on its own lights its own label; a cleared bit greys it again.
  const char* const byBit[8] = {"Head Open", "Paper Jam", "Out of Paper", "Out of Ribbon",
                                "Pause",     "Printting", nullptr,        "Other Error"};
  for (int bit = 0; bit < 8; ++bit) {
    varnalux::StatusFromByte(static_cast<uint8_t>(1u << bit), status);
    form->ShowPrinterStatus(status);
    const QStringList expected =
        byBit[bit] != nullptr ? QStringList{QString::fromLatin1(byBit[bit])} : QStringList{"Ready"};
    EXPECT_EQ(LitLabels(), expected) << "bit " << bit;
  }
  varnalux::StatusFromByte(0x00, status);
  form->ShowPrinterStatus(status);
  EXPECT_EQ(LitLabels(), QStringList{"Ready"});
}

TEST_F(MainWindowTest, StatusLabelsAreColouredOnlyWhileEnabled) {
  QLabel* ready = Label("LabelReady");
  QLabel* jam = Label("LabelPaperJam");
  EXPECT_EQ(ready->palette().color(QPalette::Active, QPalette::WindowText), QColor(0, 255, 0));
  EXPECT_EQ(jam->palette().color(QPalette::Active, QPalette::WindowText), QColor(255, 0, 0));
  // Disabled they are drawn in the toolkit's grey, not in their colour.
  EXPECT_NE(ready->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(0, 255, 0));
  EXPECT_NE(jam->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(jam->palette().color(QPalette::Disabled, QPalette::WindowText),
            form->palette().color(QPalette::Disabled, QPalette::WindowText));
}

TEST_F(MainWindowTest, AboutBoxShowsTheVersionAndClosesOnClick) {
  bool checked = false;
  seam.drivers.push_back([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Varnalux");
    EXPECT_EQ(dialog.size(), QSize(206, 95));
    auto* button = Find<QPushButton>(&dialog, "Button1");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Version 1.16");
    EXPECT_EQ(button->size(), QSize(201, 89));
    EXPECT_EQ(button->font().pixelSize(), 19);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    checked = true;
  });
  auto* about = Find<QAction>(form.get(), "About1");
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(Visible(about->text()), "About");
  about->trigger();
  EXPECT_TRUE(checked);
  ASSERT_EQ(seam.results.size(), 1u);
  EXPECT_EQ(seam.results[0], QDialog::Accepted);
}

// The clock panel reads its time from the window's clock, here one the test
// sets, and the one-second timer is what refreshes it.
TEST_F(MainWindowTest, ClockPanelShowsLocalDateAndTime) {
  QDateTime now(QDate(2026, 12, 7), QTime(9, 5, 30));
  form.reset();
  form = std::make_unique<TFormMain>(seam, links, [&now] { return now; });
  auto* timer = Find<QTimer>(form.get(), "Timer1");
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 1000);

  const QLocale locale;
  auto expectShown = [&](const QDateTime& at, const char* time) {
    const QString text = PanelText(3);
    const QString date = locale.toString(at.date(), QLocale::ShortFormat);
    EXPECT_TRUE(text.startsWith(date + QLatin1Char(' '))) << text.toStdString();
    // Hours, minutes and seconds follow the date, in the locale's long time
    // format without its zone.
    EXPECT_TRUE(text.mid(date.size() + 1).contains(QLatin1String(time))) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1String("UTC"))) << text.toStdString();
  };
  // Shown at once by the constructor.
  expectShown(now, "5:30");
  // Each tick of the timer shows the clock's time then.
  now = now.addSecs(1);
  ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
  expectShown(now, "5:31");
  now = QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0));
  ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
  expectShown(now, "00:00");
}

TEST_F(MainWindowTest, OperationsDisableTheWindowAndReportFailures) {
  OperationHost& operations = *form;
  const DialogPlace& place = *form;
  operations.BeginOperation();
  EXPECT_FALSE(form->isEnabled());
  const QPoint origin = place.DialogOrigin();
  const QRect frame = form->frameGeometry();
  EXPECT_EQ(origin, QPoint(frame.x() + frame.width() / 3, frame.y() + frame.height() / 3));
  EXPECT_EQ(varnalux::CurrentLinkSettings().progress.originX, origin.x());
  EXPECT_EQ(varnalux::CurrentLinkSettings().progress.originY, origin.y());
  form->show();
  EXPECT_FALSE(form->close()) << "closed while an operation runs";
  EXPECT_TRUE(form->isVisible());
  operations.EndOperation();
  EXPECT_TRUE(form->isEnabled());

  // Codes outside the table are "Unknow Error"; the window is enabled after.
  EXPECT_EQ(PrinterOperation(operations).Run(21, nullptr, 0), varnalux::ResultUnknownError);
  EXPECT_TRUE(form->isEnabled());
  operations.ReportResult(varnalux::ResultOk);
  EXPECT_EQ(seam.messages, QStringList{"Unknow Error"});

  // "Port Open Error" says on a second line why the latest open failed.
  operations.ReportResult(varnalux::ResultReceiveError);
  varnalux::CopyText(links.serial.portName, sizeof links.serial.portName, "/nonexistent/tty");
  EXPECT_EQ(varnalux::RunOperation(varnalux::OpTestConnection, varnalux::KindCom, nullptr, 0),
            varnalux::ResultPortOpenError);
  operations.ReportResult(varnalux::ResultPortOpenError);
  varnalux::CopyText(links.parallelName, varnalux::ParallelNameSize, "");
  EXPECT_EQ(varnalux::RunOperation(varnalux::OpTestConnection, varnalux::KindLpt, nullptr, 0),
            varnalux::ResultPortOpenError);
  operations.ReportResult(varnalux::ResultPortOpenError);
  EXPECT_EQ(seam.messages,
            (QStringList{"Unknow Error", "Data Receiving Error", "Port Open Error\nThe port does not exist.",
                         "Port Open Error\nNo port is set."}));
}

TEST_F(MainWindowTest, GetStatusOnLptIsRefusedWithoutOpeningThePort) {
  Interface()->setCurrentIndex(varnalux::KindLpt);
  // A device name that would fail to open differently if it were tried.
  varnalux::CopyText(links.parallelName, varnalux::ParallelNameSize, "/nonexistent/lp9");
  PrinterStatus lit;
  varnalux::StatusFromByte(0x02, lit);
  form->ShowPrinterStatus(lit);
  form->ButtonGetStatusClick();
  EXPECT_EQ(seam.messages, QStringList{"Data Receiving Error"});
  EXPECT_EQ(LitLabels(), QStringList{"Paper Jam"});
  EXPECT_TRUE(form->isEnabled());
}

}  // namespace
