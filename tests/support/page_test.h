// The set-up the widget tests of one page share: the main window on a
// virtual printer, the page found and its tab in front, and a test folder
// to write the files the page is given.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "tests/gui/gui_test_support.h"

template <typename Page>
class PageTest : public PrinterWindowTest {
 protected:
  // Finds the page and brings its tab to the front; with shown, the window
  // is put on the screen too, as the user sees it.
  void OpenPage(int tab, bool shown) {
    page = form->findChild<Page*>();
    ASSERT_NE(page, nullptr);
    Find<QTabWidget>(form.get(), "PageControl1")->setCurrentIndex(tab);
    if (!shown) return;
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }

  // Writes bytes into the file name of the test folder; its path.
  QString WriteFile(const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }

  QTemporaryDir dir;
  Page* page = nullptr;
};
