// One printer name, three ways to the printer: the file manager page, the
// font page's download and the command-line tool. Each name arrives as the
// same bytes, or is refused by all three with the same words and nothing
// sent.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <string>

#include "tests/cli/cli_runner.h"
#include "tests/gui/gui_test_support.h"
#include "ui/dialog_seam.h"
#include "ui/pages/file_manager_page.h"
#include "ui/pages/font_page.h"

using namespace varnalux;

namespace {

class PrinterNamePathsTest : public PrinterWindowTest {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    SetStartDirectory(dir.path());
    files = form->findChild<TFileManagerPage*>();
    fonts = form->findChild<TFontPage*>();
    ASSERT_NE(files, nullptr);
    ASSERT_NE(fonts, nullptr);
    QFile data(dir.filePath(QStringLiteral("data.bin")));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("DATA", 4);
    dataPath = data.fileName();
  }

  // What the printer received from one path, once it settled.
  std::string Taken() {
    const std::string taken = varnalux::testing::SettledText(printer, 1);
    printer.ClearReceived();
    return taken;
  }
  // The DOWNLOAD header up to the name's closing quote.
  static std::string Header(const std::string& taken) {
    const std::string start = "DOWNLOAD F,\"";
    if (taken.rfind(start, 0) != 0) return "not a download: " + taken.substr(0, 40);
    const size_t close = taken.find('"', start.size());
    return close == std::string::npos ? taken : taken.substr(0, close + 1);
  }

  // The file manager page, as the user browses a file and types the name.
  void ThroughFileManager(const QString& name) {
    Find<QTabWidget>(form.get(), "PageControl1")->setCurrentIndex(1);
    Choose(Find<QComboBox>(files, "ComboBoxFileType"), "Data File");
    seam.fileNames.push_back(dataPath);
    Find<QAbstractButton>(files, "ButtonBrows")->click();
    Find<QLineEdit>(files, "EditFileName")->setText(name);
    Find<QAbstractButton>(files, "ButtonDownload")->click();
  }
  void ThroughFontPage(const QString& name) {
    Find<QTabWidget>(form.get(), "PageControl1")->setCurrentIndex(2);
    Choose(Find<QComboBox>(fonts, "ComboBoxFontPitch"), "Fixed Pitch");
    Find<QLineEdit>(fonts, "EditFontWidth")->setText(QStringLiteral("8"));
    Find<QLineEdit>(fonts, "EditFontHeight")->setText(QStringLiteral("10"));
    Find<QLineEdit>(fonts, "EditPrinterFontName")->setText(name);
    Find<QAbstractButton>(fonts, "ButtonDowloadFont")->click();
  }
  varnalux::testing::CliResult ThroughTool(const QString& name) {
    return varnalux::testing::RunCli({"--tcp", "127.0.0.1:" + std::to_string(printer.TcpPort()),
                                      "download", dataPath.toStdString(), "--name",
                                      name.toStdString()});
  }

  QTemporaryDir dir;
  QString dataPath;
  TFileManagerPage* files = nullptr;
  TFontPage* fonts = nullptr;
};

TEST_F(PrinterNamePathsTest, AnAsciiNameArrivesAsTheSameBytesFromEveryPath) {
  const QString name = QStringLiteral("Fo~n t-1");
  const std::string expected = "DOWNLOAD F,\"Fo~n t-1\"";

  ThroughFileManager(name);
  EXPECT_EQ(seam.messages.last(), "Download finished: FLASH lists Fo~n t-1.");
  EXPECT_EQ(Header(Taken()), expected);

  seam.messages.clear();
  // The page's font cuts glyphs in an 8 x 10 cell and asks before sending.
  seam.answers.push_back(true);
  ThroughFontPage(name);
  ASSERT_FALSE(seam.questions.isEmpty());
  EXPECT_TRUE(seam.questions.last().endsWith("Download it anyway?"))
      << seam.questions.last().toStdString();
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join('|').toStdString();
  EXPECT_EQ(Header(Taken()), expected);

  const varnalux::testing::CliResult r = ThroughTool(name);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Header(Taken()), expected);
}

TEST_F(PrinterNamePathsTest, ANameOutsideAsciiIsRefusedByEveryPathWithTheSameWords) {
  struct Case {
    QString name;
    QString why;
  };
  const Case cases[] = {
      {QStringLiteral("F\u00F6nt"),
       QStringLiteral("The file name in the printer may hold only ASCII characters: \"\u00F6\" is "
                      "not one")},
      {QStringLiteral("Gr\u00F6\u00DFe.BMP"),
       QStringLiteral("The file name in the printer may hold only ASCII characters: \"\u00F6\", "
                      "\"\u00DF\" are not")},
      {QStringLiteral("\u65E5\u672C"),
       QStringLiteral("The file name in the printer may hold only ASCII characters: \"\u65E5\", "
                      "\"\u672C\" are not")},
      // Eleven characters of 33 bytes: longer than a font name may be in
      // bytes, yet the character is what is named.
      {QStringLiteral("\u65E5\u65E5\u65E5\u65E5\u65E5\u65E5\u65E5\u65E5\u65E5\u65E5\u65E5"),
       QStringLiteral("The file name in the printer may hold only ASCII characters: \"\u65E5\" "
                      "is not one")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    seam.messages.clear();
    ThroughFileManager(c.name);
    ThroughFontPage(c.name);
    EXPECT_EQ(seam.messages, (QStringList{c.why, c.why}));
    const varnalux::testing::CliResult r = ThroughTool(c.name);
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_EQ(QString::fromStdString(r.err), c.why + QLatin1Char('\n'));
    EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
  }
}

}  // namespace
