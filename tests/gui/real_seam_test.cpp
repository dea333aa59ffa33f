// The program's own DialogSeam: real message boxes and file dialogs,
// answered from a timer as a user would click them.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "link/link_settings.h"
#include "operations/dispatcher.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/link_binding.h"
#include "ui/dialog_seam.h"

using namespace varnalux;

namespace {

struct SeenBox {
  QString title;
  QString text;
  QWidget* parent = nullptr;
  QWindow* transientParent = nullptr;
  int width = 0;
  int titleWidth = 0;
  bool enabled = false;
  bool seen = false;
};

// Clicks a button of the next message box once it runs modally.
void AnswerNextBox(QMessageBox::StandardButton button, SeenBox* seen) {
  QTimer::singleShot(0, [button, seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      ADD_FAILURE() << "no message box";
      return;
    }
    seen->seen = true;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->parent = box->parentWidget();
    seen->transientParent = box->windowHandle() ? box->windowHandle()->transientParent() : nullptr;
    seen->width = box->width();
    seen->titleWidth = box->fontMetrics().horizontalAdvance(box->windowTitle());
    seen->enabled = box->isEnabled();
    QAbstractButton* b = box->button(button);
    if (b == nullptr) {
      ADD_FAILURE() << "the box has no such button";
      box->reject();
      return;
    }
    b->click();
    if (box->isVisible()) {  // a disabled box ignores the click
      ADD_FAILURE() << "the box did not close";
      box->done(QMessageBox::Cancel);
    }
  });
}

TEST(RealDialogSeamTest, QuestionsAnswerWithTheButtonClicked) {
  RealDialogSeam seam;
  SeenBox seen;
  AnswerNextBox(QMessageBox::Ok, &seen);
  EXPECT_TRUE(seam.Question("Continue?"));
  EXPECT_EQ(seen.text, "Continue?");
  AnswerNextBox(QMessageBox::Cancel, &seen);
  EXPECT_FALSE(seam.Question("Continue?"));
  AnswerNextBox(QMessageBox::Yes, &seen);
  EXPECT_TRUE(seam.YesNo("Are you sure?"));
  AnswerNextBox(QMessageBox::No, &seen);
  EXPECT_FALSE(seam.YesNo("Are you sure?"));
  EXPECT_EQ(seen.text, "Are you sure?");
}

// Enter on the question before an erase answers Cancel: it is the default
// button, and only a click on OK goes on.
TEST(RealDialogSeamTest, ConfirmTakesEnterAsCancel) {
  RealDialogSeam seam;
  QString defaultButton;
  QTimer::singleShot(0, [&defaultButton] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      ADD_FAILURE() << "no message box";
      return;
    }
    if (box->defaultButton() != nullptr) defaultButton = box->defaultButton()->text();
    QTest::keyClick(box, Qt::Key_Return);
    if (box->isVisible()) {
      ADD_FAILURE() << "Enter did not close the box";
      box->done(QMessageBox::Ok);
    }
  });
  EXPECT_FALSE(seam.Confirm("Erase?"));
  EXPECT_EQ(defaultButton, "Cancel");
  SeenBox seen;
  AnswerNextBox(QMessageBox::Ok, &seen);
  EXPECT_TRUE(seam.Confirm("Erase?"));
  EXPECT_EQ(seen.text, "Erase?");
}

TEST(RealDialogSeamTest, MessageStaysUsableWhileTheWindowIsDisabled) {
  RealDialogSeam seam;
  QWidget window;
  window.show();
  seam.SetParentWindow(&window);
  SeenBox seen;
  AnswerNextBox(QMessageBox::Ok, &seen);
  seam.Message("Port Open Error");
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.title, "Varnalux");
  EXPECT_EQ(seen.text, "Port Open Error");
  EXPECT_EQ(seen.parent, &window);

  // During an operation the window is disabled; a box it owned would be
  // disabled too and could never be dismissed.
  window.setEnabled(false);
  AnswerNextBox(QMessageBox::Ok, &seen);
  seam.Message("Data Receiving Error");
  EXPECT_EQ(seen.text, "Data Receiving Error");
  EXPECT_EQ(seen.parent, nullptr);
  EXPECT_TRUE(seen.enabled);
  // ... yet it stays above the window it speaks for.
  EXPECT_EQ(seen.transientParent, window.windowHandle());
}

TEST(RealDialogSeamTest, ShortBoxesShowTheirWholeTitle) {
  RealDialogSeam seam;
  SeenBox seen;
  AnswerNextBox(QMessageBox::Ok, &seen);
  seam.Message("OK");
  ASSERT_TRUE(seen.seen);
  // Room for the title and the title bar's own buttons beside it.
  EXPECT_GE(seen.width, seen.titleWidth + 100) << seen.width;
  AnswerNextBox(QMessageBox::Cancel, &seen);
  seam.Question("?");
  EXPECT_GE(seen.width, seen.titleWidth + 100) << seen.width;
}

TEST(RealDialogSeamTest, DialogMessagesBelongToTheDialog) {
  RealDialogSeam seam;
  QWidget window;
  window.show();
  seam.SetParentWindow(&window);
  QDialog dialog(&window);
  dialog.show();
  SeenBox seen;
  AnswerNextBox(QMessageBox::Ok, &seen);
  seam.MessageFrom(&dialog, "'9x' is not a valid integer value");
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.parent, &dialog);
  EXPECT_EQ(seen.text, "'9x' is not a valid integer value");
  // Without a dialog the box belongs to the window.
  AnswerNextBox(QMessageBox::Ok, &seen);
  seam.MessageFrom(nullptr, "Port Open Error");
  EXPECT_EQ(seen.parent, &window);
  // A dialog's own question too.
  AnswerNextBox(QMessageBox::No, &seen);
  EXPECT_FALSE(seam.YesNoFrom(&dialog, "Are you sure?"));
  EXPECT_EQ(seen.parent, &dialog);
  AnswerNextBox(QMessageBox::Yes, &seen);
  EXPECT_TRUE(seam.YesNoFrom(&dialog, "Are you sure?"));
}

TEST(RealDialogSeamTest, FileDialogsStartInTheStartDirectory) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile file(dir.filePath("setup.dcf"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const QString saved = StartDirectory();
  SetStartDirectory(dir.path());

  RealDialogSeam seam;
  QString shownDirectory;
  auto pick = [&](const QString& name) {
    QTimer::singleShot(0, [&, name] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) {
        ADD_FAILURE() << "no file dialog";
        return;
      }
      shownDirectory = QDir(dialog->directory()).canonicalPath();
      dialog->selectFile(name);
      QMetaObject::invokeMethod(dialog, "accept");
      if (dialog->isVisible()) {
        ADD_FAILURE() << "the file dialog refused " << name.toStdString();
        dialog->reject();
      }
    });
  };
  pick("setup.dcf");
  const QString opened = seam.OpenFileName("Configuration (*.dcf)");
  EXPECT_EQ(shownDirectory, QDir(dir.path()).canonicalPath());
  EXPECT_EQ(QFileInfo(opened).canonicalFilePath(), QFileInfo(file).canonicalFilePath());

  pick("new");
  const QString savedName = seam.SaveFileName("Configuration (*.dcf)", "dcf");
  EXPECT_EQ(QFileInfo(savedName).fileName(), "new.dcf");

  SetStartDirectory(saved);
}

TEST(RealDialogSeamTest, ResultTextsSayWhyTheLatestOpenFailed) {
  EXPECT_EQ(ResultText(0), "");
  EXPECT_EQ(ResultText(2), "Data Transmission Error");
  EXPECT_EQ(ResultText(9), "Unknow Error");
  // A serial port that does not exist: the reason follows on a second line,
  // for "Port Open Error" only.
  varnalux::SerialSettings serial{};
  char parallel[varnalux::ParallelNameSize] = {};
  varnalux::TcpTarget tcp{};
  varnalux::InitialSerialSettings(serial);
  varnalux::InitialTcpTarget(tcp);
  varnalux::CopyText(serial.portName, sizeof serial.portName, "/nonexistent/tty");
  varnalux::testing::ScopedLinkBinding binding(serial, parallel, tcp);
  EXPECT_EQ(varnalux::RunOperation(varnalux::OpTestConnection, varnalux::KindCom, nullptr, 0),
            varnalux::ResultPortOpenError);
  EXPECT_EQ(ResultText(1), "Port Open Error\nThe port does not exist.");
  EXPECT_EQ(ResultText(4), "File Open Error");
}

}  // namespace
