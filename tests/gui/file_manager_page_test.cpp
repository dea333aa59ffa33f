// The page "File Manager" against the virtual printer over TCP, every
// dialog answered through the scripted seam.
#include "ui/pages/file_manager_page.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <string>

#include "app/form_process.h"
#include "operations/progress.h"
#include "sim/virtual_printer.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/page_test.h"
#include "tests/support/refusing_port.h"
#include "ui/pages/file_dialog_text.h"

using namespace varnalux;

namespace {

namespace sim = varnalux::sim;

class FileManagerPageTest : public PageTest<TFileManagerPage> {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    OpenPage(1, true);
    ASSERT_TRUE(dir.isValid());
  }
  void Press(const char* button) {
    QTest::mouseClick(Find<QAbstractButton>(page, button), Qt::LeftButton);
  }
  void ShowDevice(int device) {
    QTest::mouseClick(
        Find<QRadioButton>(page,
                           QStringLiteral("RadioGroupDevice%1").arg(device).toLatin1().constData()),
        Qt::LeftButton);
  }
  QStringList Items() {
    QStringList items;
    auto* list = Find<QListWidget>(page, "ListBoxFileList");
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
  }
  QString Edit(const char* name) { return Find<QLineEdit>(page, name)->text(); }
  // Browse with the type chosen and the dialog answering path.
  void Browse(const char* type, const QString& path) {
    if (type != nullptr) Choose(Find<QComboBox>(page, "ComboBoxFileType"), type);
    seam.fileNames.push_back(path);
    Press("ButtonBrows");
  }
  bool DownloadEnabled() { return Find<QPushButton>(page, "ButtonDownload")->isEnabled(); }
};

TEST_F(FileManagerPageTest, StartStateAsLaidOut) {
  QStringList groups;
  for (QGroupBox* g : page->findChildren<QGroupBox*>()) groups << g->title();
  EXPECT_TRUE(groups.contains("File Download"));
  EXPECT_TRUE(groups.contains("File Infomation"));
  EXPECT_TRUE(groups.contains("File Format"));
  auto* type = Find<QComboBox>(page, "ComboBoxFileType");
  QStringList items;
  for (int i = 0; i < type->count(); ++i) items << type->itemText(i);
  EXPECT_EQ(items, (QStringList{"BMP", "PCX", "True Type Font", "Bitmap Font", "Printer BASIC File",
                                "Data File", "Firmware File", "KVX File"}));
  EXPECT_EQ(type->currentIndex(), -1);
  EXPECT_EQ(Find<QComboBox>(page, "ComboBoxDevice")->currentText(), "FLASH");
  EXPECT_FALSE(DownloadEnabled());
  EXPECT_TRUE(Find<QRadioButton>(page, "RadioGroupDevice1")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>(page, "RadioGroupFormatDevice1")->isChecked());
  EXPECT_EQ(Find<QRadioButton>(page, "RadioGroupDevice2")->text(), "CARD");
  EXPECT_TRUE(Find<QLineEdit>(page, "EditPhysicalSpace")->isReadOnly());
  EXPECT_TRUE(Find<QLineEdit>(page, "EditFreeSpace")->isReadOnly());
  EXPECT_FALSE(Find<QLineEdit>(page, "EditFileName")->isReadOnly());
  EXPECT_FALSE(Find<QLineEdit>(page, "EditFileSize")->isReadOnly());
  EXPECT_EQ(Visible(Find<QPushButton>(page, "ButtonFontSample")->text()), "Font View");
  EXPECT_EQ(Visible(Find<QPushButton>(page, "ButtonBrows")->text()), "Browse");
  EXPECT_EQ(Visible(Find<QPushButton>(page, "ButtonFileFormat")->text()), "Format");
  // Every caption of a field names it as its buddy.
  for (const char* caption : {"File Type:", "File Name:", "File Size:", "Memory Device:",
                              "Physical Space:", "Free Space:"}) {
    QLabel* label = nullptr;
    for (QLabel* l : page->findChildren<QLabel*>())
      if (l->text() == caption) label = l;
    ASSERT_NE(label, nullptr) << caption;
    EXPECT_NE(label->buddy(), nullptr) << caption;
  }
}

TEST_F(FileManagerPageTest, GetShowsTheSelectedDeviceAndClicksUseTheStoredResults) {
  printer.PutFileOn(sim::MemoryDram, "A.BAS", "1");
  printer.PutFileOn(sim::MemoryFlash, "LOGO.BMP", std::string(3000, 'x'));
  printer.PutFileOn(sim::MemoryFlash, "B.PCX", "2");
  Press("ButtonGet");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_TRUE(form->isEnabled());
  EXPECT_EQ(Items(), (QStringList{"LOGO.BMP", "B.PCX"}));
  EXPECT_EQ(Edit("EditPhysicalSpace"), "8192");
  EXPECT_EQ(Edit("EditFreeSpace"), "8188");
  const size_t connections = printer.ConnectionCount();
  printer.ClearReceived();
  ShowDevice(0);
  EXPECT_EQ(Items(), QStringList{"A.BAS"});
  EXPECT_EQ(Edit("EditFreeSpace"), "1023");
  ShowDevice(2);
  EXPECT_TRUE(Items().isEmpty());
  EXPECT_EQ(Edit("EditPhysicalSpace"), "32768");
  EXPECT_EQ(Edit("EditFreeSpace"), "");  // the card's free space is not read
  EXPECT_TRUE(NothingReceived());
  EXPECT_EQ(printer.ConnectionCount(), connections);
}

TEST_F(FileManagerPageTest, WithoutACardGetFailsButEarlierDevicesStayReadable) {
  sim::PrinterOptions options;
  options.hasCard = false;
  sim::VirtualPrinter noCard(options);
  ASSERT_TRUE(noCard.StartTcp("127.0.0.1", 0));
  links.tcp.port = noCard.TcpPort();
  noCard.PutFileOn(sim::MemoryFlash, "KEEP.BAS", "1");
  Press("ButtonGet");
  EXPECT_EQ(seam.messages, QStringList{"Data Receiving Error"});
  EXPECT_TRUE(form->isEnabled());
  // What was read before the failure is shown at once, marked as such.
  auto* notCurrent = Find<QLabel>(page, "LabelNotCurrent");
  EXPECT_TRUE(notCurrent->isVisibleTo(page));
  EXPECT_EQ(notCurrent->text(),
            "Not current: the last Get failed; shown is what was read before it stopped.");
  EXPECT_EQ(Items(), QStringList{"KEEP.BAS"});
  EXPECT_EQ(Edit("EditPhysicalSpace"), "8192");
  ShowDevice(2);
  EXPECT_EQ(Edit("EditPhysicalSpace"), "");
  // A Get that ends well takes the mark away.
  links.tcp.port = printer.TcpPort();
  Press("ButtonGet");
  EXPECT_FALSE(notCurrent->isVisibleTo(page));
}

TEST_F(FileManagerPageTest, BrowseNamesTheFileAndDownloadSendsItIntoTheChosenDevice) {
  const QByteArray data("BM\r\n\x1b!R\0tail", 11);
  const QString path = WriteFile("my.logo.bmp", data);
  Browse("BMP", path);
  EXPECT_EQ(seam.filters.last(), "*.bmp (*.[bB][mM][pP]);;*.* (*)");
  EXPECT_EQ(Edit("EditFileName"), "my.BMP");
  EXPECT_EQ(Edit("EditFileSize"), "11");
  EXPECT_TRUE(DownloadEnabled());
  EXPECT_EQ(page->SelectedPath(), path);
  Choose(Find<QComboBox>(page, "ComboBoxDevice"), "CARD");
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages, QStringList{"Download finished: CARD lists my.BMP."});
  const std::string expected = "DOWNLOAD E,\"my.BMP\",11," + data.toStdString();
  EXPECT_EQ(Received(expected.size()).substr(0, expected.size()), expected);
  std::string stored;
  ASSERT_TRUE(printer.GetFileOn(sim::MemoryCard, "my.BMP", stored));
  EXPECT_EQ(stored, data.toStdString());
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FileManagerPageTest, ANameOfTwelveGoesThirteenIsRefusedWithTheWindowLeftEnabled) {
  Browse("Data File", WriteFile("averylongname.bmp", "12345"));
  EXPECT_EQ(Edit("EditFileName"), "averylon");
  auto* name = Find<QLineEdit>(page, "EditFileName");
  name->setText("ABCDEFGHI.BAS");
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages, QStringList{"File name too long"});
  EXPECT_TRUE(form->isEnabled());
  EXPECT_TRUE(NothingReceived());
  name->setText("A\"B.BAS");
  Press("ButtonDownload");
  ASSERT_EQ(seam.messages.size(), 2);
  EXPECT_TRUE(seam.messages[1].contains("double quote"));
  EXPECT_TRUE(NothingReceived());
  name->setText("ABCDEFGH.BAS");
  Press("ButtonDownload");
  EXPECT_EQ(Received(33).substr(0, 33), "DOWNLOAD F,\"ABCDEFGH.BAS\",5,12345");
}

TEST_F(FileManagerPageTest, BrowseThatDoesNotEndWithAReadableFileLeavesDownloadDisabled) {
  Browse("PCX", WriteFile("a.pcx", "p"));
  EXPECT_TRUE(DownloadEnabled());
  Browse("PCX", QString());  // cancelled
  EXPECT_FALSE(DownloadEnabled());
  Browse(nullptr, dir.filePath("missing.pcx"));
  EXPECT_EQ(seam.messages.last(), "Open File Error");
  EXPECT_FALSE(DownloadEnabled());
  const QString fifo = dir.filePath("pipe");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  Browse(nullptr, fifo);
  EXPECT_EQ(seam.messages.last(), "Only a regular file can be sent");
  EXPECT_FALSE(DownloadEnabled());
  // No selection browses every file and names like 'Data File'.
  Find<QComboBox>(page, "ComboBoxFileType")->setCurrentIndex(-1);
  Browse(nullptr, WriteFile("plain.txt", "t"));
  EXPECT_EQ(seam.filters.last(), "*.* (*)");
  EXPECT_EQ(Edit("EditFileName"), "plain");
}

TEST_F(FileManagerPageTest, KvxGoesUnchangedAndSuccessAsksToWaitForTheLed) {
  const QByteArray data("\x02KVX DOWNLOAD \"A\",1,\r\n\0\xff", 25);
  Browse("KVX File", WriteFile("fw.kvx", data));
  EXPECT_EQ(Edit("EditFileName"), "fw");
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages, QStringList{"Please Wait Led change to Green..."});
  EXPECT_EQ(Received(data.size()), data.toStdString());
  EXPECT_TRUE(form->isEnabled());
  // A printer that is not there: the result, not the LED text.
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  links.tcp.port = refusing.Port();
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages.last(), "Port Open Error\nThe printer refused the connection.");
}

TEST_F(FileManagerPageTest, FirmwareOfManyPiecesGoesWholeAndAFileThatChangesIsNotSentAsGood) {
  QByteArray data(900 * 1024, '\0');
  for (int i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + i / 1024) & 0xFF);
  Browse("Firmware File", WriteFile("big.new", data));
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages, QStringList{"Please Wait Led change to Green..."});
  EXPECT_TRUE(Received(static_cast<size_t>(data.size())) == data.toStdString());

  // A file whose size says 0 but that gives bytes when read (as the
  // system's /proc files do): its size changed while it was read, so
  // neither the firmware send nor a download goes as if all were well.
  printer.ClearReceived();
  Browse("Firmware File", QStringLiteral("/proc/self/status"));
  EXPECT_EQ(Edit("EditFileSize"), "0");
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages.last(),
            "File Open Error\nThe file changed size while it was read (it had 0 bytes when it "
            "was opened); nothing was sent.");
  Browse("Data File", QStringLiteral("/proc/self/status"));
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages.last(), "File Open Error");
  EXPECT_TRUE(NothingReceived()) << printer.ReceivedText();
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FileManagerPageTest, ADownloadCutOffMidwaySaysSo) {
  Browse("Data File", WriteFile("huge.dat", QByteArray(16 * 1024 * 1024, 'h')));
  printer.SetFault(sim::Fault::DropOnReceive);
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages, QStringList{"Data Transmission Error"});
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FileManagerPageTest, FormatAsksFirstAndErasesTheChosenDevice) {
  printer.PutFileOn(sim::MemoryDram, "D.BAS", "1");
  printer.PutFileOn(sim::MemoryFlash, "F.BAS", "1");
  Press("ButtonGet");
  EXPECT_EQ(Items(), QStringList{"F.BAS"});
  printer.ClearReceived();
  // The question names the device, and Cancel is its default button.
  seam.answers.push_back(false);
  Press("ButtonFileFormat");
  EXPECT_EQ(seam.confirmations,
            QStringList{"Are you sure? Format erases every file in FLASH of the printer."});
  EXPECT_TRUE(NothingReceived());
  QTest::mouseClick(Find<QRadioButton>(page, "RadioGroupFormatDevice0"), Qt::LeftButton);
  seam.answers.push_back(true);
  Press("ButtonFileFormat");
  EXPECT_EQ(seam.confirmations.last(),
            "Are you sure? Format erases every file in DRAM of the printer.");
  const std::string kill = "KILL \"*.*\"\r\n";
  EXPECT_EQ(Received(12).substr(0, 12), kill);
  ASSERT_TRUE(printer.WaitForCommand("KILL \"*.*\"", 3000));
  EXPECT_TRUE(printer.FileNames(sim::MemoryDram).empty());
  EXPECT_EQ(printer.FileNames(sim::MemoryFlash).size(), 1u);
  // The lists were read again after the erase, and the erased device shown.
  EXPECT_NE(printer.ReceivedText().find("DIAGNOSTIC REPORT CFILELIST"), std::string::npos);
  EXPECT_TRUE(Find<QRadioButton>(page, "RadioGroupDevice0")->isChecked());
  EXPECT_TRUE(Items().isEmpty());
  EXPECT_TRUE(seam.messages.isEmpty());
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FileManagerPageTest, ALongListIsCutAndThePageSaysSo) {
  for (int i = 0; i < 70; ++i)
    printer.PutFileOn(
        sim::MemoryCard,
        QString::number(i).rightJustified(3, '0').toStdString() + std::string(997, 'N'), "");
  Press("ButtonGet");
  auto* cut = Find<QLabel>(page, "LabelListCut");
  EXPECT_FALSE(cut->isVisibleTo(page));  // FLASH is shown
  ShowDevice(2);
  EXPECT_TRUE(cut->isVisibleTo(page));
  EXPECT_EQ(Items().size(), 65);
  ShowDevice(0);
  EXPECT_FALSE(cut->isVisibleTo(page));
}

TEST_F(FileManagerPageTest, TrueTypeFontsAreBrowsedInTheFontFolderInAnyLetterCase) {
  Browse("True Type Font", WriteFile("Sans Bold.TtF", "ttf"));
  EXPECT_EQ(seam.filters.last(), "*.ttf (*.[tT][tT][fF])");
  ASSERT_EQ(seam.directories.size(), 1);
  EXPECT_EQ(seam.directories[0], TrueTypeFontFolder(QDir::homePath()));
  EXPECT_EQ(Edit("EditFileName"), "Sans Bol.TTF");
  // Other types open where the program started.
  Browse("BMP", QString());
  EXPECT_EQ(seam.directories.size(), 1);
}

TEST_F(FileManagerPageTest, FontViewChoiceOnlyPreselectsTheNextFontDialog) {
  const QFont before = form->DialogFont();
  QFont chosen(QStringLiteral("DejaVu Serif"));
  chosen.setPixelSize(21);
  seam.fonts.push_back(chosen);
  Press("ButtonFontSample");
  ASSERT_EQ(seam.fontsOffered.size(), 1u);
  EXPECT_EQ(seam.fontsOffered[0], before);
  // The choice is kept for the next dialog; nothing goes to the printer.
  EXPECT_EQ(form->DialogFont().family(), chosen.family());
  EXPECT_EQ(form->DialogFont().pixelSize(), 21);
  EXPECT_TRUE(NothingReceived());
  // Cancelling keeps the font chosen before.
  seam.fonts.push_back(std::nullopt);
  Press("ButtonFontSample");
  EXPECT_EQ(form->DialogFont().pixelSize(), 21);
}

TEST_F(FileManagerPageTest, ChangingTheFileTypeAfterBrowseRenamesForTheNewType) {
  Browse("BMP", WriteFile("my.logo.bmp", "b"));
  EXPECT_EQ(Edit("EditFileName"), "my.BMP");
  Choose(Find<QComboBox>(page, "ComboBoxFileType"), "Printer BASIC File");
  EXPECT_EQ(Edit("EditFileName"), "my.BAS");
  Choose(Find<QComboBox>(page, "ComboBoxFileType"), "Data File");
  EXPECT_EQ(Edit("EditFileName"), "my");
  EXPECT_TRUE(DownloadEnabled());
  Press("ButtonDownload");
  EXPECT_EQ(Received(19).substr(0, 19), "DOWNLOAD F,\"my\",1,b");
}

TEST_F(FileManagerPageTest, NamesAreCutBetweenCharactersAndShownAsTheyAre) {
  const QString path =
      dir.filePath(QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                                     "enangabe.bmp"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("b");
  file.close();
  Browse("BMP", path);
  EXPECT_EQ(Edit("EditFileName"), QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                                                    "enan.BMP"));
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages, QStringList{QString::fromUtf8(
                               "The file name in the printer may hold only ASCII characters: "
                               "\"\xC3\xB6\", \"\xC3\x9F\" are not")});
  EXPECT_TRUE(NothingReceived());
}

TEST_F(FileManagerPageTest, NamesFromThePrinterShowWithoutMojibakeOrControlCharacters) {
  printer.PutFileOn(sim::MemoryFlash,
                    "Gr\xC3\xB6\xC3\x9F"
                    "en.BMP",
                    "1");                                      // UTF-8
  printer.PutFileOn(sim::MemoryFlash, "Gr\xF6\xDF.BMP", "2");  // Latin-1
  printer.PutFileOn(sim::MemoryFlash,
                    "C1\xC2\x9B"
                    "2J.BAS",
                    "3");                                                // a C1 control
  printer.PutFileOn(sim::MemoryFlash, std::string("A\0B.BAS", 7), "4");  // a NUL
  printer.PutFileOn(sim::MemoryFlash, "LAST.BAS", "5");
  Press("ButtonGet");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_EQ(Items(),
            (QStringList{QString::fromUtf8("Gr\xC3\xB6\xC3\x9F"
                                           "en.BMP"),
                         "Gr\\xF6\\xDF.BMP", "C1\\xC2\\x9B2J.BAS", "A\\x00B.BAS", "LAST.BAS"}));
  for (const QString& item : Items())
    for (QChar c : item)
      EXPECT_FALSE(c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F));
}

TEST_F(FileManagerPageTest, ADownloadTheLastGetSaysCannotFitIsQuestionedAndTheOutcomeConfirmed) {
  Press("ButtonGet");  // DRAM: 1,024 KB free
  printer.ClearReceived();
  const QString big = WriteFile("big.dat", QByteArray(1500 * 1024, 'b'));
  Browse("Data File", big);
  Choose(Find<QComboBox>(page, "ComboBoxDevice"), "DRAM");
  seam.answers.push_back(false);
  Press("ButtonDownload");
  EXPECT_EQ(seam.confirmations,
            QStringList{"The file has 1536000 bytes, but the last Get showed 1024 KB free in "
                        "DRAM: the printer will not keep it. Send it anyway?"});
  EXPECT_TRUE(NothingReceived());
  // Sent anyway: the printer takes the bytes and keeps nothing, and the
  // refreshed list says so.
  seam.answers.push_back(true);
  Press("ButtonDownload");
  EXPECT_EQ(seam.messages,
            QStringList{"The printer took the bytes of big, but DRAM does not list it: the "
                        "printer did not keep the file (too little room?)."});
  EXPECT_TRUE(Find<QRadioButton>(page, "RadioGroupDevice0")->isChecked());
  EXPECT_TRUE(Items().isEmpty());
  // A file that fits goes without a question, and the refreshed list shows it.
  Browse("Data File", WriteFile("small.dat", "s"));
  Choose(Find<QComboBox>(page, "ComboBoxDevice"), "FLASH");
  Press("ButtonDownload");
  EXPECT_EQ(seam.confirmations.size(), 2);
  EXPECT_EQ(seam.messages.last(), "Download finished: FLASH lists small.");
  EXPECT_TRUE(Find<QRadioButton>(page, "RadioGroupDevice1")->isChecked());
  EXPECT_EQ(Items(), QStringList{"small"});
  EXPECT_TRUE(form->isEnabled());
}

// How long this thread has waited for a processor so far (ms), as the
// system counts it; 0 when it does not say.
qint64 WaitedForProcessorMs() {
  QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
  if (!stat.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = stat.readAll().split(' ');
  return fields.size() >= 2 ? fields[1].toLongLong() / 1000000 : 0;
}

// The window's event loop during "Get" against a printer with a few hundred
// files, at the printer's own pace: a timer of 10 ms never waits more than
// 100 ms for its next tick. Time the system kept the thread from a processor
// (a busy machine) is not the program's and is taken off each wait. A
// virtual machine whose host stops it now and then shows such a moment
// uncounted; a wait of the program's own would come back at every answer,
// so two lone waits up to 300 ms are let pass.
TEST_F(FileManagerPageTest, GetNeverHoldsTheWindowsEventLoopForLong) {
  for (int i = 0; i < 200; ++i)
    printer.PutFileOn(sim::MemoryCard, "F" + std::to_string(1000 + i) + ".BMP", "");
  TFormProcess process;
  varnalux::SetProgressView(&process);
  QElapsedTimer clock;
  qint64 last = -1;
  qint64 lastWaited = 0;
  std::vector<qint64> gaps;
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    const qint64 waited = WaitedForProcessorMs();
    if (last >= 0) gaps.push_back(now - last - (waited - lastWaited));
    last = now;
    lastWaited = waited;
  });
  clock.start();
  timer.start();
  Press("ButtonGet");
  timer.stop();
  varnalux::SetProgressView(nullptr);
  ShowDevice(2);
  EXPECT_EQ(Items().size(), 200);
  EXPECT_GE(clock.elapsed(), 200 * 50);  // the pace was kept
  ASSERT_GT(gaps.size(), 200u);
  std::sort(gaps.begin(), gaps.end());
  EXPECT_LT(gaps[gaps.size() - 3], 100);  // all but two
  EXPECT_LT(gaps.back(), 300);
}

TEST_F(FileManagerPageTest, ALongGetOffersCancelAndStopsWhenItIsPressed) {
  for (int i = 0; i < 300; ++i)
    printer.PutFileOn(sim::MemoryFlash, "F" + std::to_string(1000 + i) + ".BMP", "");
  printer.PutFileOn(sim::MemoryCard, "CARD.BAS", "");
  TFormProcess process;
  varnalux::SetProgressView(&process);
  // The user presses Cancel once it is offered.
  bool offered = false;
  QTimer user;
  user.setInterval(20);
  QObject::connect(&user, &QTimer::timeout, [&] {
    QPushButton* cancel = process.ButtonCancel();
    if (!offered && cancel->isVisible() && process.isVisible()) {
      offered = true;
      QTest::mouseClick(cancel, Qt::LeftButton);
    }
  });
  user.start();
  QElapsedTimer clock;
  clock.start();
  Press("ButtonGet");
  user.stop();
  varnalux::SetProgressView(nullptr);
  EXPECT_TRUE(offered);
  EXPECT_LT(clock.elapsed(), 5000);  // not 300 answers at 50 ms
  // No error box: the page says what happened.
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join("|").toStdString();
  EXPECT_EQ(Find<QLabel>(page, "LabelNotCurrent")->text(),
            "Not current: the last Get was cancelled; shown is what arrived before.");
  EXPECT_TRUE(Find<QLabel>(page, "LabelNotCurrent")->isVisibleTo(page));
  EXPECT_EQ(Find<QLabel>(page, "LabelListCut")->text(),
            "The list was cut: its reading was cancelled.");
  EXPECT_GT(Items().size(), 5);
  EXPECT_LT(Items().size(), 300);
  EXPECT_FALSE(process.ButtonCancel()->isVisible());
  EXPECT_TRUE(form->isEnabled());
}

TEST(FileDialogText, FiltersAndTheFontFolder) {
  EXPECT_EQ(QtFileFilter("*.*|*.*"), "*.* (*)");
  EXPECT_EQ(QtFileFilter(""), "");
  // A description that is a pattern shows in small letters; the patterns
  // still match either case.
  EXPECT_EQ(QtFileFilter("*.NEW|*.NEW|*.*|*.*"), "*.new (*.[nN][eE][wW]);;*.* (*)");
  EXPECT_EQ(QtFileFilter("Pictures|*.bmp;*.pcx"), "Pictures (*.[bB][mM][pP] *.[pP][cC][xX])");
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  EXPECT_EQ(TrueTypeFontFolder(home.path()), "/usr/share/fonts");
  ASSERT_TRUE(QDir(home.path()).mkpath(".local/share/fonts"));
  EXPECT_EQ(TrueTypeFontFolder(home.path()), home.path() + "/.local/share/fonts");
  EXPECT_EQ(TrueTypeFontFolder(QString()), "/usr/share/fonts");
}

}  // namespace
