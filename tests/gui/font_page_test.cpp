// The page "Bitmap Font Manager": start-up state, the encoding presets, the
// request rules as the user meets them, the encoding table, the preview and
// the sheet, saving a font, and downloading one into the virtual printer.
#include "ui/pages/font_page.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <string>

#include "font/font_canvas.h"
#include "operations/progress.h"
#include "protocol/file_manager.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/font_page_test.h"
#include "ui/dialog_seam.h"
#include "ui/dialogs/form_font_sheet.h"

using namespace varnalux;

namespace {

// A progress view that records what the window was told while a font is
// made, and whether the main window was disabled meanwhile.
class MakingProgress : public varnalux::ProgressView {
 public:
  explicit MakingProgress(QWidget* window) : window_(window) { varnalux::SetProgressView(this); }
  ~MakingProgress() override { varnalux::SetProgressView(nullptr); }
  void Open(int left, int top, const char* caption) override {
    captions << QString::fromLatin1(caption);
    origin = QPoint(left, top);
    windowEnabledWhileOpen = window_->isEnabled();
  }
  void SetPosition(int position) override { positions.push_back(position); }
  void Close() override { ++closed; }
  void ProcessPendingMessages() override { ++pumps; }

  QStringList captions;
  QPoint origin;
  bool windowEnabledWhileOpen = true;
  std::vector<int> positions;
  int closed = 0;
  int pumps = 0;

 private:
  QWidget* window_;
};

class FontPageTest : public FontPageFixture {
 protected:
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(page, name); }
  QWidget* Control(const char* name) { return Find<QWidget>(page, name); }

  // Saves the font under name in the test folder; returns its bytes (empty
  // when no file was written).
  QByteArray SaveFont(const char* name = "font.bmf") {
    const QString path = dir.filePath(QString::fromLatin1(name));
    seam.fileNames.push_back(path);
    Press("ButtonSaveFont");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
  }
};

TEST_F(FontPageTest, StartsWithTheInitialFontAndTheStandardEncoding) {
  EXPECT_EQ(List("ComboBoxFontEncode")->currentText(), "Standard Encode");
  EXPECT_EQ(List("ComboBoxFontPitch")->currentText(), "Variable Pitch");
  EXPECT_EQ(List("ComboBoxMemoryDevice")->currentText(), "FLASH");
  EXPECT_EQ(List("ComboBoxSEncode")->currentText(), "Standard Mapping");
  EXPECT_EQ(Edit("EditCharStart")->text(), "32");
  EXPECT_EQ(Edit("EditCharEnd")->text(), "127");
  EXPECT_EQ(Edit("EditCharStart")->maxLength(), 3);
  EXPECT_EQ(Edit("EditPrinterFontName")->text(), "Font001");
  EXPECT_EQ(Edit("EditWinFontName")->text(), "Liberation Sans");
  EXPECT_TRUE(Edit("EditWinFontName")->isReadOnly());
  // 13 pixels show as 10 points.
  EXPECT_EQ(Edit("EditWinFontSize")->text(), "10");
  EXPECT_EQ(Edit("EditItalicWidth")->text(), "0");

  // The cell is the measured "W" of the font at 13 pixels.
  varnalux::FontCanvas canvas;
  ASSERT_TRUE(canvas.SelectFont("Liberation Sans", varnalux::FontStyle::Regular, 13));
  const varnalux::TextSize w = canvas.MeasureChar(U'W');
  EXPECT_EQ(Edit("EditFontWidth")->text(), QString::number(w.width));
  EXPECT_EQ(Edit("EditFontHeight")->text(), QString::number(w.height));

  EXPECT_TRUE(Enabled("GroupBoxSatndEncode"));
  EXPECT_TRUE(Enabled("EditCharEnd"));
  EXPECT_FALSE(Enabled("RadioGroupAsiaFontEncode"));
  EXPECT_FALSE(Enabled("GroupBoxEncodeTable"));
  EXPECT_FALSE(Enabled("MemoFontTable"));
  EXPECT_TRUE(Find<QRadioButton>(page, "RadioGroupAsiaFontEncode0")->isChecked());

  // The sample is drawn: some ink on white.
  const QImage sample = Find<QLabel>(page, "ImageSmaple")->pixmap().toImage();
  EXPECT_EQ(sample.size(), QSize(150, 56));
  EXPECT_NE(sample.pixelColor(0, 0), QColor(Qt::black));
  int ink = 0;
  for (int y = 0; y < sample.height(); ++y)
    for (int x = 0; x < sample.width(); ++x) ink += sample.pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_GT(ink, 20);

  // Every caption, and every label names its field.
  for (const char* caption :
       {"Font Encode:", "Font Picth:", "Printer Device:", "Windows Font Name:", "Font Size:",
        "Printer Font Name:", "Font Width:", "Font Height:", "Italic Width:", "Font Mapping:",
        "Character Start ASCII:", "Character End ASCII:"}) {
    bool found = false;
    for (QLabel* label : page->findChildren<QLabel*>()) {
      if (label->text() != QLatin1String(caption)) continue;
      found = true;
      EXPECT_NE(label->buddy(), nullptr) << caption;
    }
    EXPECT_TRUE(found) << caption;
  }
  EXPECT_EQ(Visible(Find<QPushButton>(page, "ButtonDowloadFont")->text()), "Dowload Font");
  EXPECT_EQ(Find<QGroupBox>(page, "GroupBoxEncodeTable")->title(), "Encode by Table");
}

TEST_F(FontPageTest, EachEncodingEnablesItsControlsAndPresetsThePitch) {
  QComboBox* encode = List("ComboBoxFontEncode");
  QComboBox* pitch = List("ComboBoxFontPitch");

  Choose(encode, "Asian Font Encode");
  EXPECT_EQ(pitch->currentText(), "Fixed Pitch");
  EXPECT_TRUE(Enabled("RadioGroupAsiaFontEncode"));
  EXPECT_FALSE(Enabled("GroupBoxSatndEncode"));
  EXPECT_FALSE(Enabled("ComboBoxSEncode"));
  EXPECT_FALSE(Enabled("GroupBoxEncodeTable"));
  EXPECT_FALSE(Enabled("ButtonFontTblLoad"));

  Choose(encode, "Encode by Table");
  EXPECT_EQ(pitch->currentText(), "Variable Pitch");
  EXPECT_TRUE(Enabled("GroupBoxEncodeTable"));
  EXPECT_TRUE(Enabled("MemoFontTable"));
  EXPECT_TRUE(Enabled("ButtonFontTblSave"));
  EXPECT_TRUE(Enabled("CheckBoxFileTable"));
  EXPECT_FALSE(Enabled("RadioGroupAsiaFontEncode"));
  EXPECT_FALSE(Enabled("EditCharStart"));

  // The user's own pitch stays until the encoding changes again.
  Choose(pitch, "Fixed Pitch");
  Choose(encode, "Encode by Table (Asian)");
  EXPECT_EQ(pitch->currentText(), "Fixed Pitch");
  Choose(pitch, "Variable Pitch");
  Choose(encode, "Standard Encode");
  EXPECT_EQ(pitch->currentText(), "Variable Pitch");
  EXPECT_TRUE(Enabled("EditCharStart"));
  EXPECT_FALSE(Enabled("MemoFontTable"));
}

TEST_F(FontPageTest, MappingsPresetTheRangeAndFullAsciiMakes224Glyphs) {
  Choose(List("ComboBoxSEncode"), "Full ASCII Mapping");
  EXPECT_EQ(Edit("EditCharStart")->text(), "32");
  EXPECT_EQ(Edit("EditCharEnd")->text(), "255");
  SetEdit("EditCharEnd", "200");
  Choose(List("ComboBoxSEncode"), "Customer Mapping");
  EXPECT_EQ(Edit("EditCharEnd")->text(), "200");
  Choose(List("ComboBoxSEncode"), "Standard Mapping");
  EXPECT_EQ(Edit("EditCharEnd")->text(), "127");
  Choose(List("ComboBoxSEncode"), "Full ASCII Mapping");

  SmallFixedCell();
  MakingProgress progress(form.get());
  const QByteArray font = SaveFont();
  // The codes code page 1252 does not have are made blank, and said so.
  EXPECT_EQ(seam.messages,
            QStringList{"5 of 224 codes are drawn blank or in part: not characters of code page "
                        "1252: 5 (81 8D 8F 90 9D)."});
  ASSERT_EQ(font.size(), 32 + 224 * 10);
  EXPECT_EQ(font[0], 'B');
  EXPECT_EQ(font[1], 0);  // fixed pitch
  EXPECT_EQ(font[3], 0);  // no index table
  EXPECT_EQ(Word(font, 9), 32);
  EXPECT_EQ(Word(font, 11), 255);
  EXPECT_EQ(Word(font, 15), 224);
  EXPECT_EQ(font[13], 0);

  // The generator's own progress window, with the window disabled meanwhile
  // and enabled again after.
  EXPECT_EQ(progress.captions, QStringList{"Making font..."});
  EXPECT_EQ(progress.origin, QPoint(100, 100));
  EXPECT_FALSE(progress.windowEnabledWhileOpen);
  EXPECT_EQ(progress.closed, 1);
  ASSERT_FALSE(progress.positions.empty());
  EXPECT_EQ(progress.positions.back(), 100);
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FontPageTest, RangeRulesAsTheUserMeetsThem) {
  SmallFixedCell();
  // 255 is a code; 256 is not (the edit takes three characters).
  SetEdit("EditCharStart", "250");
  SetEdit("EditCharEnd", "255");
  EXPECT_EQ(SaveFont("ok.bmf").size(), 32 + 6 * 10);
  EXPECT_TRUE(seam.messages.isEmpty());

  SetEdit("EditCharEnd", "256");
  EXPECT_TRUE(SaveFont("256.bmf").isEmpty());
  SetEdit("EditCharEnd", "300");
  EXPECT_TRUE(SaveFont("300.bmf").isEmpty());
  SetEdit("EditCharEnd", "");
  EXPECT_TRUE(SaveFont("empty.bmf").isEmpty());
  SetEdit("EditCharEnd", "1x");
  EXPECT_TRUE(SaveFont("bad.bmf").isEmpty());
  EXPECT_EQ(seam.messages,
            (QStringList{"Font Parameter Error", "Font Parameter Error", "Font Parameter Error",
                         "'1x' is not a valid integer value"}));

  // End before start passes the page and is refused by the generator.
  seam.messages.clear();
  SetEdit("EditCharStart", "100");
  SetEdit("EditCharEnd", "50");
  EXPECT_TRUE(SaveFont("backwards.bmf").isEmpty());
  EXPECT_EQ(seam.messages, QStringList{"Make Font Error"});

  // A negative cell, an empty italic width, a cell wider than the canvas.
  seam.messages.clear();
  SetEdit("EditCharStart", "32");
  SetEdit("EditCharEnd", "127");
  SetEdit("EditFontWidth", "-1");
  EXPECT_TRUE(SaveFont("negative.bmf").isEmpty());
  SetEdit("EditFontWidth", "8");
  SetEdit("EditItalicWidth", "");
  EXPECT_TRUE(SaveFont("italic.bmf").isEmpty());
  SetEdit("EditItalicWidth", "0");
  SetEdit("EditFontWidth", "2049");
  EXPECT_TRUE(SaveFont("wide.bmf").isEmpty());
  EXPECT_EQ(seam.messages,
            (QStringList{"Font Parameter Error", "Font Parameter Error", "Font Parameter Error"}));
  // A cancelled save dialog makes nothing and says nothing.
  seam.messages.clear();
  seam.fileNames.push_back(QString());
  Press("ButtonSaveFont");
  EXPECT_TRUE(seam.messages.isEmpty());
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FontPageTest, AsianEncodeIsAlwaysFixedPitch) {
  Choose(List("ComboBoxFontEncode"), "Asian Font Encode");
  Find<QRadioButton>(page, "RadioGroupAsiaFontEncode2")->setChecked(true);  // Korean
  Choose(List("ComboBoxFontPitch"), "Variable Pitch");
  SetEdit("EditFontWidth", "8");
  SetEdit("EditFontHeight", "8");
  const QByteArray font = SaveFont();
  ASSERT_FALSE(font.isEmpty()) << seam.messages.join('|').toStdString();
  EXPECT_EQ(font[1], 0);
  EXPECT_EQ(font[2], 1);
  EXPECT_EQ(font[13], 'K');
  // 96 half-width glyphs of 4 x 8, then 94 x 95 of 8 x 8: one byte a row.
  EXPECT_EQ(font.size(), 32 + 96 * 8 + 94 * 95 * 8);
  EXPECT_EQ(Word(font, 15), 9026);
}

TEST_F(FontPageTest, TableTextRules) {
  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  SmallFixedCell();
  Memo()->setPlainText(QStringLiteral("AB\nC"));
  QByteArray font = SaveFont("single.bmf");
  ASSERT_FALSE(font.isEmpty()) << seam.messages.join('|').toStdString();
  EXPECT_EQ(font[3], 1);  // table fonts carry the index
  ASSERT_EQ(Word(font, 15), 3);
  EXPECT_EQ(font[32], 'A');
  EXPECT_EQ(font[38], 'B');
  EXPECT_EQ(font[44], 'C');

  // Pairs: A B is one code, the odd C is ignored.
  Choose(List("ComboBoxFontEncode"), "Encode by Table (Asian)");
  SmallFixedCell();
  font = SaveFont("pairs.bmf");
  ASSERT_FALSE(font.isEmpty()) << seam.messages.join('|').toStdString();
  EXPECT_EQ(font[2], 1);
  EXPECT_EQ(font[13], 0);
  ASSERT_EQ(Word(font, 15), 1);
  EXPECT_EQ(font[32], 'A');
  EXPECT_EQ(font[33], 'B');
  // The pair is drawn as its two letters, which do not fit one small cell.
  ASSERT_EQ(seam.messages.size(), 1);
  EXPECT_TRUE(seam.messages[0].startsWith("The font was saved, but 1 of its glyphs"));
  seam.messages.clear();

  // An empty table, and "By File" with no file loaded.
  Memo()->setPlainText(QStringLiteral("\n\t\n"));
  EXPECT_TRUE(SaveFont("empty.bmf").isEmpty());
  Memo()->setPlainText(QStringLiteral("AB"));
  ByFile()->setChecked(true);
  EXPECT_TRUE(SaveFont("nofile.bmf").isEmpty());
  EXPECT_EQ(seam.messages, (QStringList{"Font Parameter Error", "Font Parameter Error"}));
}

TEST_F(FontPageTest, LoadedTableFileIsReadAgainAtEveryMaking) {
  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  SmallFixedCell();
  const QString table = WriteFile("table.txt", QByteArray("XY\r\nZ\0ignored", 13));
  seam.fileNames.push_back(table);
  Press("ButtonFontTblLoad");
  // Every byte is shown: the NUL that ends the table too, escaped.
  EXPECT_EQ(Memo()->toPlainText(), "XY\nZ\\x00ignored");
  EXPECT_TRUE(ByFile()->isChecked());
  EXPECT_EQ(page->TableFilePath(), table);

  // The memo does not count while "By File" is checked: the file does.
  Memo()->setPlainText(QStringLiteral("Q"));
  WriteFile("table.txt", QByteArray("abcd"));
  QByteArray font = SaveFont("file.bmf");
  ASSERT_EQ(Word(font, 15), 4);
  EXPECT_EQ(font[32], 'a');

  // A file that cannot be opened changes nothing.
  seam.fileNames.push_back(dir.filePath(QStringLiteral("missing.txt")));
  Press("ButtonFontTblLoad");
  EXPECT_EQ(page->TableFilePath(), table);
  EXPECT_TRUE(seam.messages.isEmpty());

  // A table file that has grown to the buffer's size is refused.
  WriteFile("table.txt", QByteArray(65536, 'A'));
  EXPECT_TRUE(SaveFont("big.bmf").isEmpty());
  EXPECT_EQ(seam.messages, QStringList{"Font Parameter Error"});
}

TEST_F(FontPageTest, SavedTableHasCrLfLinesAndNoTerminator) {
  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  Memo()->setPlainText(QString::fromUtf8("AB\nC\u00e9"));
  const QString path = dir.filePath(QStringLiteral("saved.txt"));
  seam.fileNames.push_back(path);
  Press("ButtonFontTblSave");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  // é is one byte of code page 1252.
  EXPECT_EQ(file.readAll(), QByteArray("AB\r\nC\xe9"));

  // A file that cannot be created is ignored without a message.
  seam.fileNames.push_back(dir.filePath(QStringLiteral("no/such/folder/t.txt")));
  Press("ButtonFontTblSave");
  EXPECT_TRUE(seam.messages.isEmpty());
}

TEST_F(FontPageTest, SelectedFontIsMeasuredAtNinetySixDotsPerInch) {
  QFont nine(QStringLiteral("DejaVu Sans"));
  nine.setPointSize(9);
  seam.fonts.push_back(nine);
  Press("ButtonSelectFont");
  // The dialog opened on the initial font.
  ASSERT_EQ(seam.fontsOffered.size(), 1u);
  EXPECT_EQ(seam.fontsOffered[0].family(), "Liberation Sans");
  EXPECT_EQ(Edit("EditWinFontName")->text(), "DejaVu Sans");
  EXPECT_EQ(Edit("EditWinFontSize")->text(), "9");
  varnalux::FontCanvas canvas;
  ASSERT_TRUE(canvas.SelectFont("DejaVu Sans", varnalux::FontStyle::Regular, 12));
  EXPECT_EQ(Edit("EditFontWidth")->text(), QString::number(canvas.MeasureChar(U'W').width));
  EXPECT_EQ(Edit("EditItalicWidth")->text(), "0");

  // The next selection opens on the font chosen before; a cancel changes
  // nothing.
  SetEdit("EditPrinterFontName", "Mine");
  seam.fonts.push_back(std::nullopt);
  Press("ButtonSelectFont");
  EXPECT_EQ(seam.fontsOffered[1].family(), "DejaVu Sans");
  EXPECT_EQ(Edit("EditPrinterFontName")->text(), "Mine");

  // Italic: width * 3 / 10; italic and underlined: 0. Every selection
  // names the printer font "Font001" again.
  QFont italic(QStringLiteral("Liberation Sans"));
  italic.setPixelSize(40);
  italic.setItalic(true);
  seam.fonts.push_back(italic);
  Press("ButtonSelectFont");
  const int width = Edit("EditFontWidth")->text().toInt();
  EXPECT_GT(width, 20);
  EXPECT_EQ(Edit("EditItalicWidth")->text(), QString::number(width * 3 / 10));
  EXPECT_EQ(Edit("EditPrinterFontName")->text(), "Font001");
  italic.setUnderline(true);
  seam.fonts.push_back(italic);
  Press("ButtonSelectFont");
  EXPECT_EQ(Edit("EditItalicWidth")->text(), "0");
}

TEST_F(FontPageTest, ItalicFontWithAWTwentyPixelsWideGetsSix) {
  // The pixel size at which the italic "W" is 20 pixels wide.
  varnalux::FontCanvas canvas;
  int pixels = 0;
  for (int px = 10; px <= 40 && pixels == 0; ++px) {
    ASSERT_TRUE(canvas.SelectFont("Liberation Sans", varnalux::FontStyle::Italic, px));
    if (canvas.MeasureChar(U'W').width == 20) pixels = px;
  }
  ASSERT_NE(pixels, 0);
  QFont italic(QStringLiteral("Liberation Sans"));
  italic.setPixelSize(pixels);
  italic.setItalic(true);
  seam.fonts.push_back(italic);
  Press("ButtonSelectFont");
  EXPECT_EQ(Edit("EditFontWidth")->text(), "20");
  EXPECT_EQ(Edit("EditItalicWidth")->text(), "6");
  italic.setBold(true);
  seam.fonts.push_back(italic);
  Press("ButtonSelectFont");
  EXPECT_EQ(Edit("EditItalicWidth")->text(),
            QString::number(Edit("EditFontWidth")->text().toInt() * 3 / 10));
}

TEST_F(FontPageTest, AsianTableTypedOnThePageDrawsItsCharacters) {
  QFont cjk(QStringLiteral("WenQuanYi Micro Hei"));
  cjk.setPixelSize(16);
  seam.fonts.push_back(cjk);
  Press("ButtonSelectFont");
  // Simplified Chinese chosen while the set list is enabled; the table
  // then takes its pairs in that set's code page (936).
  Choose(List("ComboBoxFontEncode"), "Asian Font Encode");
  Find<QRadioButton>(page, "RadioGroupAsiaFontEncode1")->setChecked(true);
  Choose(List("ComboBoxFontEncode"), "Encode by Table (Asian)");
  Memo()->setPlainText(QString::fromUtf8("\u4f60\n\u597d"));  // 你 好
  SetEdit("EditFontWidth", "16");
  SetEdit("EditFontHeight", "16");
  const QByteArray font = SaveFont();
  ASSERT_FALSE(font.isEmpty()) << seam.messages.join('|').toStdString();
  ASSERT_EQ(Word(font, 15), 2);
  EXPECT_EQ(font.mid(32, 2), QByteArray("\xC4\xE3"));
  EXPECT_EQ(font.mid(38, 2), QByteArray("\xBA\xC3"));
  // Both glyphs have ink: the characters were drawn, not the raw bytes.
  const int glyphBytes = 2 * 16;
  for (int g = 0; g < 2; ++g) {
    const QByteArray bitmap = font.mid(32 + 12 + g * glyphBytes, glyphBytes);
    EXPECT_GT(bitmap.count(QByteArray(1, '\0')), 0);
    EXPECT_LT(bitmap.count(QByteArray(1, '\0')), glyphBytes) << "glyph " << g;
  }
}

TEST_F(FontPageTest, PreviewShowsTheSingleByteCodesInAGrid) {
  QImage shown;
  QString caption;
  QPoint place;
  seam.drivers.push_back([&](QDialog& dialog) {
    caption = dialog.windowTitle();
    place = dialog.pos();
    shown = Find<QLabel>(&dialog, "ImagePreview")->pixmap().toImage();
    Find<QPushButton>(&dialog, "ButtonExit")->click();
  });
  Press("ButtonPreviewFont");
  EXPECT_EQ(caption, "Preview Font");
  EXPECT_EQ(seam.results, std::vector<int>{QDialog::Accepted});
  EXPECT_EQ(place, form->pos() + QPoint(20, 20));
  ASSERT_EQ(shown.size(), QSize(320, 480));
  const auto inkIn = [&](int code) {
    const int x0 = 20 * (code % 16) + 1, y0 = 30 * (code / 16) + 1;
    int ink = 0;
    for (int y = y0; y < y0 + 28; ++y)
      for (int x = x0; x < x0 + 18; ++x) ink += shown.pixel(x, y) != qRgb(255, 255, 255);
    return ink;
  };
  EXPECT_EQ(inkIn(0), 0);  // code 0 draws nothing
  EXPECT_EQ(inkIn(' '), 0);
  EXPECT_GT(inkIn('A'), 10);
  EXPECT_GT(inkIn(0xE9), 10);  // é of code page 1252
  // Grid lines, not at the outer edge.
  EXPECT_EQ(shown.pixel(20, 100), qRgb(0, 0, 0));
  EXPECT_EQ(shown.pixel(100, 30), qRgb(0, 0, 0));
  EXPECT_EQ(shown.pixel(0, 100), qRgb(255, 255, 255));
}

TEST_F(FontPageTest, PreviewDrawsThePagesFontNotTheOneFontViewChose) {
  QFont serif(QStringLiteral("DejaVu Serif"));
  serif.setPixelSize(30);
  seam.fonts.push_back(serif);
  Press("ButtonSelectFont");
  // "Font View" on the file manager page picks another font for the dialog;
  // the font page still makes DejaVu Serif.
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  mono.setPixelSize(13);
  seam.fonts.push_back(mono);
  Find<QAbstractButton>(form.get(), "ButtonFontSample")->click();
  ASSERT_EQ(form->DialogFont().family(), "DejaVu Sans Mono");
  EXPECT_EQ(Edit("EditWinFontName")->text(), "DejaVu Serif");

  QImage shown;
  seam.drivers.push_back([&](QDialog& dialog) {
    shown = Find<QLabel>(&dialog, "ImagePreview")->pixmap().toImage();
    Find<QPushButton>(&dialog, "ButtonExit")->click();
  });
  Press("ButtonPreviewFont");
  ASSERT_EQ(shown.size(), QSize(320, 480));
  // Each character as the generator draws DejaVu Serif at 10 points (13
  // pixels), black where a glyph of the saved font has ink, white elsewhere.
  varnalux::FontCanvas serifAt10;
  ASSERT_TRUE(serifAt10.SelectFont("DejaVu Serif", varnalux::FontStyle::Regular, 13));
  for (const char32_t code : {U'A', U'g', U'W', U'\u00E9'}) {
    const int left = 20 * static_cast<int>(code % 16) + 5,
              top = 30 * static_cast<int>(code / 16) + 5;
    std::vector<uint8_t> cell(2 * 24);
    serifAt10.DrawChar(code, 0, 0, 15, 24, cell.data());
    int ink = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 15; ++x) {
        const bool expected = (cell[static_cast<size_t>(y * 2 + x / 8)] >> (7 - x % 8)) & 1;
        ink += expected;
        ASSERT_EQ(shown.pixel(left + x, top + y), expected ? qRgb(0, 0, 0) : qRgb(255, 255, 255))
            << "code " << static_cast<int>(code) << " at " << x << "," << y;
      }
    EXPECT_GT(ink, 10) << static_cast<int>(code);
  }
}

TEST_F(FontPageTest, DownloadMakesTempBmfAndSendsItUnderThePrinterName) {
  SmallFixedCell();
  SetEdit("EditPrinterFontName", "MYFONT");
  Choose(List("ComboBoxMemoryDevice"), "DRAM");
  Press("ButtonDowloadFont");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join('|').toStdString();
  EXPECT_TRUE(form->isEnabled());

  QFile temp(dir.filePath(QStringLiteral("Temp.BMF")));
  ASSERT_TRUE(temp.open(QIODevice::ReadOnly));
  const QByteArray made = temp.readAll();
  EXPECT_EQ(made.size(), 32 + 96 * 10);
  ASSERT_TRUE(
      printer.WaitForCommand("DOWNLOAD \"MYFONT\"," + std::to_string(made.size()) + ",", 3000));
  std::string stored;
  ASSERT_TRUE(printer.GetFile("MYFONT", stored));
  EXPECT_EQ(stored, made.toStdString());
  // Nothing of the making is left beside it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"Temp.BMF"});
}

TEST_F(FontPageTest, DownloadReplacesALinkPlantedAtTheTemporaryName) {
  SmallFixedCell();
  const QString victim = WriteFile("victim.txt", QByteArray("keep me"));
  const QString temp = dir.filePath(QStringLiteral("Temp.BMF"));
  ASSERT_EQ(symlink(victim.toLocal8Bit().constData(), temp.toLocal8Bit().constData()), 0);
  Press("ButtonDowloadFont");
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join('|').toStdString();
  QFile kept(victim);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
  EXPECT_FALSE(QFileInfo(temp).isSymLink());
  EXPECT_EQ(QFileInfo(temp).size(), 32 + 96 * 10);
  std::string stored;
  EXPECT_TRUE(printer.WaitForCommand("DOWNLOAD F,\"Font001\",992,", 3000));
}

TEST_F(FontPageTest, DownloadGoesToTheCacheFolderWhenTheStartFolderCannotTakeIt) {
  SmallFixedCell();
  const QByteArray previous = qgetenv("XDG_CACHE_HOME");
  qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toLocal8Bit());
  SetStartDirectory(dir.filePath(QStringLiteral("gone")));
  Press("ButtonDowloadFont");
  if (previous.isNull())
    qunsetenv("XDG_CACHE_HOME");
  else
    qputenv("XDG_CACHE_HOME", previous);
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join('|').toStdString();
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("cache/varnalux/Temp.BMF"))).isFile());
  EXPECT_TRUE(printer.WaitForCommand("DOWNLOAD F,\"Font001\",992,", 3000));
}

TEST_F(FontPageTest, DownloadRefusesBadNamesAndReportsLinkFailures) {
  SmallFixedCell();
  for (const char* name : {"", "A23456789012345678901234567890123", "quo\"te"}) {
    SetEdit("EditPrinterFontName", name);
    Press("ButtonDowloadFont");
  }
  // The system's own first line, then the field and the rule broken.
  const QString rule = QStringLiteral(
      " A name has 1 to 31 characters, without double quotes or control characters.");
  EXPECT_EQ(seam.messages,
            (QStringList{"Font Parameter Error\nPrinter Font Name: the name is empty." + rule,
                         "Font Parameter Error\nPrinter Font Name: the name is longer than 31 "
                         "characters." +
                             rule,
                         "Font Parameter Error\nPrinter Font Name: a double quote (\") would end "
                         "the name inside the download command." +
                             rule}))
      << seam.messages.join('|').toStdString();
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Temp.BMF"))));

  // 31 characters travel; a printer that is gone gives "Port Open Error".
  seam.messages.clear();
  SetEdit("EditPrinterFontName", "A234567890123456789012345678901");
  Press("ButtonDowloadFont");
  EXPECT_TRUE(printer.WaitForCommand("DOWNLOAD F,\"A234567890123456789012345678901\",992,", 3000));
  EXPECT_TRUE(seam.messages.isEmpty()) << seam.messages.join('|').toStdString();
  printer.Stop();
  Press("ButtonDowloadFont");
  EXPECT_EQ(seam.messages, QStringList{"Port Open Error\nThe printer refused the connection."});
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("Temp.BMF"))).isFile());
  EXPECT_TRUE(form->isEnabled());
}

TEST_F(FontPageTest, SheetShowsTheFontJustMadeAndOpensOthers) {
  SmallFixedCell();
  ASSERT_FALSE(SaveFont("made.bmf").isEmpty());
  const QString garbage = WriteFile("garbage.bin", QByteArray("not a font"));
  QImage first;
  bool openedOther = true;
  seam.fileNames.push_back(garbage);
  seam.drivers.push_back([&](QDialog& dialog) {
    auto& sheet = static_cast<TFormFontSheet&>(dialog);
    EXPECT_EQ(sheet.ShownFile(), dir.filePath(QStringLiteral("made.bmf")));
    first = sheet.Sheet();
    Find<QPushButton>(&dialog, "ButtonOpen")->click();
    openedOther = !sheet.Sheet().isNull();
    EXPECT_TRUE(Find<QLabel>(&dialog, "LabelFile")->text().startsWith("garbage.bin: "));
  });
  Press("ButtonFontSheet");
  EXPECT_EQ(seam.dialogs, QStringList{"Font Sheet"});
  ASSERT_FALSE(first.isNull());
  EXPECT_GT(first.width(), 8 * 16);
  EXPECT_FALSE(openedOther);
}

}  // namespace
