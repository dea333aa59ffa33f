// The page "Command Tool" against the virtual printer over TCP: the editor
// slots, Send of the selection or the whole text, Send File, Load and Save.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include "sim/virtual_printer.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/page_test.h"
#include "ui/pages/command_tool_page.h"

using namespace varnalux;

namespace {

class CommandToolTest : public PageTest<TCommandToolPage> {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    // The page shown, as the user sees it.
    OpenPage(3, true);
    if (page != nullptr) editor = Find<QPlainTextEdit>(page, "RichEditTText");
  }
  void Press(const char* button) {
    QTest::mouseClick(Find<QAbstractButton>(page, button), Qt::LeftButton);
  }
  void Slot(int number) {
    QTest::mouseClick(
        Find<QRadioButton>(
            page, QStringLiteral("RadioGroupSelect%1").arg(number - 1).toLatin1().constData()),
        Qt::LeftButton);
  }
  std::string Text() const { return editor->toPlainText().toStdString(); }

  QPlainTextEdit* editor = nullptr;
};

TEST_F(CommandToolTest, SlotsKeepTheirTexts) {
  QTest::keyClicks(editor, "slot one");
  Slot(3);
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(page->CurrentSlot(), 2);
  QTest::keyClicks(editor, "three");
  Slot(1);
  EXPECT_EQ(Text(), "slot one");
  Slot(3);
  EXPECT_EQ(Text(), "three");
  Slot(1);

  // Clicking the slot already selected keeps the editor as it is; the stored
  // copy is only updated when leaving the slot.
  editor->moveCursor(QTextCursor::End);
  QTest::keyClicks(editor, " more");
  Slot(1);
  EXPECT_EQ(Text(), "slot one more");
  EXPECT_EQ(page->SlotText(0).toStdString(), "slot one");
  EXPECT_EQ(page->SlotText(2).toStdString(), "three");
}

TEST_F(CommandToolTest, SendTakesTheSelectionOrTheWholeText) {
  // An empty editor: the link is opened and closed, nothing is sent, no error.
  const size_t before = printer.ConnectionCount();
  Press("ButtonSend");
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
  EXPECT_EQ(printer.ConnectionCount(), before + 1);
  EXPECT_TRUE(printer.Received().empty());
  EXPECT_TRUE(seam.messages.isEmpty());

  editor->setPlainText("SIZE 100 mm,50 mm\nCLS\nPRINT 1");
  Press("ButtonSend");
  EXPECT_EQ(Received(31), "SIZE 100 mm,50 mm\r\nCLS\r\nPRINT 1");

  // The last line selected: exactly those characters, no CR LF added.
  printer.ClearReceived();
  QTextCursor cursor = editor->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
  editor->setTextCursor(cursor);
  Press("ButtonSend");
  EXPECT_EQ(Received(7), "PRINT 1");

  // A selection across lines keeps their breaks as CR LF.
  printer.ClearReceived();
  cursor.setPosition(12);
  cursor.setPosition(20, QTextCursor::KeepAnchor);
  editor->setTextCursor(cursor);
  Press("ButtonSend");
  EXPECT_EQ(Received(9), "50 mm\r\nCL");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_TRUE(editor->hasFocus() || !editor->isVisible());
}

TEST_F(CommandToolTest, CharactersBecomeSingleBytesUnlessBeyondLatin1) {
  editor->setPlainText(QString::fromUtf8("TEXT \"\xC3\xA9\""));
  Press("ButtonSend");
  EXPECT_EQ(Received(8), "TEXT \"\xE9\"");
  printer.ClearReceived();
  editor->setPlainText(QString::fromUtf8("\xE2\x82\xAC"));
  Press("ButtonSend");
  EXPECT_EQ(Received(3), "\xE2\x82\xAC");
}

TEST_F(CommandToolTest, LoadStopsAtNulWhileSendFileSendsEveryByte) {
  const QByteArray bytes("CLS\r\nTEXT 1\0after\r\n\xff", 20);
  const QString path = WriteFile("with-nul.txt", bytes);
  seam.fileNames.push_back(path);
  Press("ButtonLoadFIle");
  EXPECT_EQ(Text(), "CLS\nTEXT 1");
  // A second Load appends the file again.
  seam.fileNames.push_back(path);
  Press("ButtonLoadFIle");
  EXPECT_EQ(Text(), "CLS\nTEXT 1CLS\nTEXT 1");
  EXPECT_TRUE(printer.Received().empty());

  seam.fileNames.push_back(path);
  Press("ButtonSendFile");
  EXPECT_EQ(Received(static_cast<size_t>(bytes.size())), bytes.toStdString());
  EXPECT_EQ(Text(), "CLS\nTEXT 1CLS\nTEXT 1");  // not through the editor
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
}

TEST_F(CommandToolTest, SendFileOfManyPiecesGoesWholeAndAFileThatChangesSaysSo) {
  QByteArray bytes(700 * 1024 + 3, '\0');
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 13 + i / 4096) & 0xFF);
  seam.fileNames.push_back(WriteFile("job.prn", bytes));
  Press("ButtonSendFile");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_TRUE(Received(static_cast<size_t>(bytes.size())) == bytes.toStdString());

  // Its size says 0, yet it gives bytes: not sent as if it were empty.
  printer.ClearReceived();
  seam.fileNames.push_back(QStringLiteral("/proc/self/status"));
  Press("ButtonSendFile");
  EXPECT_EQ(seam.messages,
            QStringList{"File Open Error\nThe file changed size while it was read (it had 0 bytes "
                        "when it was opened); nothing was sent."});
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(CommandToolTest, FilesThatCannotBeOpened) {
  seam.fileNames.push_back(dir.filePath("missing.txt"));
  Press("ButtonSendFile");
  EXPECT_EQ(seam.messages, QStringList{"Open file Error!!!"});
  // Load of a missing file: nothing changes, no message.
  editor->setPlainText("kept");
  seam.fileNames.push_back(dir.filePath("missing.txt"));
  Press("ButtonLoadFIle");
  EXPECT_EQ(Text(), "kept");
  EXPECT_EQ(seam.messages.size(), 1);
  // Cancelled dialogs do nothing at all.
  seam.fileNames.push_back(QString());
  Press("ButtonSendFile");
  seam.fileNames.push_back(QString());
  Press("ButtonLoadFIle");
  EXPECT_EQ(seam.messages.size(), 1);
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
  EXPECT_TRUE(printer.Received().empty());
}

TEST_F(CommandToolTest, SaveWritesCrLfBetweenLines) {
  editor->setPlainText("SIZE 4,2\nCLS\n\nPRINT 1");
  QTextCursor cursor = editor->textCursor();
  cursor.setPosition(2);
  cursor.setPosition(5, QTextCursor::KeepAnchor);
  editor->setTextCursor(cursor);  // the selection plays no part
  const QString path = dir.filePath("saved.txt");
  seam.fileNames.push_back(path);
  Press("ButtonSaveFile");
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), QByteArray("SIZE 4,2\r\nCLS\r\n\r\nPRINT 1"));
  EXPECT_TRUE(seam.messages.isEmpty());

  seam.fileNames.push_back("/nonexistent-dir/saved.txt");
  Press("ButtonSaveFile");
  ASSERT_EQ(seam.messages.size(), 1);
  EXPECT_TRUE(seam.messages[0].contains("/nonexistent-dir/saved.txt"));
}

TEST_F(CommandToolTest, SaveThatFailsKeepsThePreviousFileAndLinksStay) {
  // A save through a symbolic link replaces the link's target.
  const QString target = WriteFile("target.txt", "old");
  const QString link = dir.filePath("link.txt");
  ASSERT_TRUE(QFile::link(target, link));
  editor->setPlainText("CLS");
  seam.fileNames.push_back(link);
  Press("ButtonSaveFile");
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  QFile saved(target);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), QByteArray("CLS"));
  saved.close();

  // A text larger than the file size limit allows cannot be written whole:
  // the previous file stays as it was.
  struct rlimit limit {
  }, small{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  small = limit;
  small.rlim_cur = 4096;
  editor->setPlainText(QString(10000, QLatin1Char('x')));
  seam.fileNames.push_back(target);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Press("ButtonSaveFile");
  setrlimit(RLIMIT_FSIZE, &limit);
  sigaction(SIGXFSZ, &previous, nullptr);
  ASSERT_EQ(seam.messages.size(), 1);
  EXPECT_TRUE(seam.messages[0].startsWith("Cannot write the file"));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), QByteArray("CLS"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            (QStringList{"link.txt", "target.txt"}));
}

TEST_F(CommandToolTest, SendFileRefusesFifosAtOnce) {
  const QString fifo = dir.filePath("fifo");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  seam.fileNames.push_back(fifo);
  Press("ButtonSendFile");
  EXPECT_EQ(seam.messages, QStringList{"Open file Error!!!"});
}

}  // namespace
