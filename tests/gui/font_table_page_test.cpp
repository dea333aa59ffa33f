// The font page's encoding table as the user meets it: a table file comes
// back byte for byte through "Load" and "Save" in every code page the page
// offers, "By File" and the memo make the same font, a code page change
// keeps the table or asks, characters a code page cannot hold are named,
// the control that names the code page is the enabled one, and glyphs cut
// at their cell are reported.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <string>

#include "tests/gui/gui_test_support.h"
#include "tests/support/font_page_test.h"
#include "ui/pages/font_page.h"

using namespace varnalux;

namespace {

class FontTablePageTest : public FontPageFixture {
 protected:
  QRadioButton* AsianSet(int set) {
    const std::string name = "RadioGroupAsiaFontEncode" + std::to_string(set);
    return Find<QRadioButton>(page, name.c_str());
  }
  std::string Said() {
    return (seam.messages + seam.questions).join(QStringLiteral(" | ")).toStdString();
  }
  // Takes out the reports of codes the code page or the font lacks, which
  // every making of a table with such codes gives; the rest is what a test
  // looks at.
  void DropLeftOutReports() {
    seam.messages.removeIf(
        [](const QString& m) { return m.contains(" codes are drawn blank or in part: "); });
  }

  QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void Load(const QString& path) {
    seam.fileNames.push_back(path);
    Press("ButtonFontTblLoad");
  }
  // "Save" of the table into name; its bytes (empty when nothing was
  // written).
  QByteArray SaveTable(const char* name) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile::remove(path);
    seam.fileNames.push_back(path);
    Press("ButtonFontTblSave");
    return ReadFile(path);
  }
  QByteArray SaveFont(const char* name) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile::remove(path);
    seam.fileNames.push_back(path);
    Press("ButtonSaveFont");
    return ReadFile(path);
  }
};

TEST_F(FontTablePageTest, TableFileRoundTripsInEveryCodePageThePageOffers) {
  // Every byte value, both line breaks and lone CR and LF, backslashes and
  // look-alikes of escapes, double-byte pairs, and bytes after a NUL.
  QByteArray crlf;
  for (int b = 1; b < 256; ++b) crlf += static_cast<char>(b);
  crlf += "\r\n\\\\x41\\xZZ\\\n\r\r\n";
  for (int lead = 0x81; lead <= 0xFE; lead += 5)
    for (int trail = 0x40; trail <= 0xFE; trail += 11) {
      crlf += static_cast<char>(lead);
      crlf += static_cast<char>(trail);
    }
  crlf += QByteArray("\0after", 6);
  const QByteArray lf("line\nend\\\n\xA0\xAD\x81\xE4\n");
  const QString crlfPath = WriteFile("crlf.tbl", crlf);
  const QString lfPath = WriteFile("lf.tbl", lf);

  int offered = 0;
  const auto check = [&](const std::string& label) {
    ++offered;
    Load(crlfPath);
    ASSERT_TRUE(ByFile()->isChecked()) << label;
    EXPECT_EQ(SaveTable("saved.tbl"), crlf) << label;
    // The same table gives the same glyphs whether the file or the memo is
    // read.
    const QByteArray fromFile = SaveFont("file.bmf");
    ByFile()->setChecked(false);
    const QByteArray fromMemo = SaveFont("memo.bmf");
    EXPECT_GT(fromFile.size(), 32) << label << ": " << Said();
    EXPECT_EQ(fromFile, fromMemo) << label;
    Load(lfPath);
    EXPECT_EQ(SaveTable("saved.tbl"), lf) << label;
    Memo()->clear();
    ByFile()->setChecked(false);
  };

  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  SmallFixedCell();
  QComboBox* codePages = List("ComboBoxCodePage");
  for (int i = 0; i < codePages->count(); ++i) {
    codePages->setCurrentIndex(i);
    check(codePages->itemText(i).toStdString());
  }
  Choose(List("ComboBoxFontEncode"), "Encode by Table (Asian)");
  SmallFixedCell();
  for (int set = 0; set < 4; ++set) {
    AsianSet(set)->setChecked(true);
    check(AsianSet(set)->text().toStdString());
  }
  EXPECT_EQ(offered, codePages->count() + 4);
  // Nothing was asked; the only words are about accents cut at the small
  // cell.
  EXPECT_TRUE(seam.questions.isEmpty()) << Said();
  DropLeftOutReports();
  for (const QString& message : seam.messages)
    EXPECT_TRUE(message.startsWith("The font was saved, but ")) << Said();
}

TEST_F(FontTablePageTest, BytesTheMemoCannotShowAreEscapedAndKept) {
  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  SmallFixedCell();
  const QByteArray table(
      "A\x81"
      "B\x8D"
      "C\xE4 x\\y");
  Load(WriteFile("t.tbl", table));
  EXPECT_EQ(Memo()->toPlainText(), QString::fromUtf8("A\\x81B\\x8DC\u00e4 x\\\\y"));
  EXPECT_EQ(SaveTable("saved.tbl"), table);
  const QByteArray fromFile = SaveFont("file.bmf");
  ASSERT_EQ(Word(fromFile, 15), table.size()) << Said();
  ByFile()->setChecked(false);
  EXPECT_EQ(SaveFont("memo.bmf"), fromFile);
  // Typed: an escape is its byte, a lone backslash a backslash.
  Memo()->setPlainText(QStringLiteral("\\x41\\\\b\\c"));
  EXPECT_EQ(SaveTable("typed.tbl"), QByteArray("A\\b\\c"));
  // 81 and 8D are no characters of 1252: the makings say so, nothing else.
  DropLeftOutReports();
  EXPECT_TRUE(seam.messages.isEmpty() && seam.questions.isEmpty()) << Said();
}

TEST_F(FontTablePageTest, ACodePageChangeKeepsTheTableOrAsksFirst) {
  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  SmallFixedCell();
  QComboBox* codePages = List("ComboBoxCodePage");
  // A loaded table keeps its bytes and shows them in the new code page.
  Load(WriteFile("cyr.tbl", QByteArray("\xC0\xC1\r\n")));
  EXPECT_EQ(Memo()->toPlainText(), QString::fromUtf8("\u00c0\u00c1\n"));  // ÀÁ
  Choose(codePages, "1251 Cyrillic");
  EXPECT_EQ(Memo()->toPlainText(), QString::fromUtf8("\u0410\u0411\n"));  // АБ
  EXPECT_EQ(SaveTable("cyr-saved.tbl"), QByteArray("\xC0\xC1\r\n"));
  EXPECT_TRUE(seam.questions.isEmpty()) << Said();

  // Typed text stays as typed; a code page that cannot hold it asks, and
  // "Cancel" keeps the code page and the text.
  ByFile()->setChecked(false);
  const QString privet = QString::fromUtf8("\u041f\u0440\u0438\u0432\u0435\u0442");  // Привет
  Memo()->setPlainText(privet);
  seam.answers.push_back(false);
  Choose(codePages, "1252 Western");
  ASSERT_EQ(seam.questions.size(), 1) << Said();
  EXPECT_TRUE(seam.questions[0].startsWith(
      QString::fromUtf8("Code page 1252 Western cannot hold these characters of the table: "
                        "\u041f \u0440 \u0438 \u0432 \u0435 \u0442\n")))
      << Said();
  EXPECT_EQ(codePages->currentText(), "1251 Cyrillic");
  EXPECT_EQ(Memo()->toPlainText(), privet);

  // Typed in a code page that cannot hold it, then the right one chosen:
  // the text stays and becomes that code page's bytes.
  Memo()->clear();
  Choose(codePages, "1252 Western");
  Memo()->setPlainText(privet);
  Choose(codePages, "1251 Cyrillic");
  EXPECT_EQ(Memo()->toPlainText(), privet);
  EXPECT_EQ(SaveTable("privet.tbl"), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"));
  EXPECT_EQ(seam.questions.size(), 1) << Said();

  // "OK" leaves out what the new code page cannot hold.
  Memo()->clear();
  Choose(codePages, "1252 Western");
  Memo()->setPlainText(QString::fromUtf8("x\u00e4\u65e5"));  // xä日
  seam.answers.push_back(true);
  Choose(codePages, "1251 Cyrillic");
  ASSERT_EQ(seam.questions.size(), 2) << Said();
  EXPECT_NE(seam.questions[1].indexOf(QString::fromUtf8(": \u00e4 \u65e5\n")), -1) << Said();
  EXPECT_EQ(codePages->currentText(), "1251 Cyrillic");
  EXPECT_EQ(Memo()->toPlainText(), "x");

  // Another encoding changes the code page too: "Cancel" keeps the
  // encoding.
  Choose(codePages, "1252 Western");
  Memo()->setPlainText(QString::fromUtf8("\u00e4"));
  seam.answers.push_back(false);
  Choose(List("ComboBoxFontEncode"), "Encode by Table (Asian)");
  ASSERT_EQ(seam.questions.size(), 3) << Said();
  EXPECT_TRUE(seam.questions[2].startsWith("Code page 950 Traditional Chinese cannot hold"))
      << Said();
  EXPECT_EQ(List("ComboBoxFontEncode")->currentText(), "Encode by Table");
  EXPECT_TRUE(Enabled("ComboBoxCodePage"));
  EXPECT_EQ(Memo()->toPlainText(), QString::fromUtf8("\u00e4"));

  // With "By File" the bytes stay; only what was typed in and never was a
  // byte goes, after asking.
  Load(WriteFile("a.tbl", QByteArray("a\xE4")));
  Memo()->setPlainText(Memo()->toPlainText() + QString::fromUtf8("\u65e5"));  // aä日
  seam.answers.push_back(true);
  Choose(codePages, "1251 Cyrillic");
  ASSERT_EQ(seam.questions.size(), 4) << Said();
  EXPECT_EQ(seam.questions[3],
            QString::fromUtf8("Code page 1252 Western cannot hold these characters typed into the "
                              "table: \u65e5\nChange the code page and leave them out?"));
  EXPECT_EQ(Memo()->toPlainText(), QString::fromUtf8("a\u0434"));  // aд
  EXPECT_TRUE(seam.messages.isEmpty()) << Said();
}

TEST_F(FontTablePageTest, AsianTableEncodesWithTheEnabledSet) {
  Choose(List("ComboBoxFontEncode"), "Encode by Table (Asian)");
  EXPECT_TRUE(Enabled("RadioGroupAsiaFontEncode"));
  EXPECT_FALSE(Enabled("ComboBoxCodePage"));
  Choose(List("ComboBoxFontEncode"), "Asian Font Encode");
  EXPECT_TRUE(Enabled("RadioGroupAsiaFontEncode"));
  EXPECT_FALSE(Enabled("ComboBoxCodePage"));
  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  EXPECT_FALSE(Enabled("RadioGroupAsiaFontEncode"));
  EXPECT_TRUE(Enabled("ComboBoxCodePage"));

  // Korean chosen where the pairs are typed: their codes are Korean ones,
  // whatever the list shows.
  Choose(List("ComboBoxFontEncode"), "Encode by Table (Asian)");
  SmallFixedCell();
  Choose(List("ComboBoxCodePage"), "1251 Cyrillic");
  AsianSet(2)->setChecked(true);
  Memo()->setPlainText(QString::fromUtf8("\uac00\ub098"));  // 가나
  const QByteArray font = SaveFont("korean.bmf");
  ASSERT_EQ(Word(font, 15), 2) << Said();
  EXPECT_EQ(font.mid(32, 2), QByteArray("\xB0\xA1"));
  EXPECT_EQ(font.mid(38, 2), QByteArray("\xB3\xAA"));
  // Back to Traditional Chinese: 가나 is no Big5 text, so it asks.
  seam.answers.push_back(false);
  AsianSet(0)->setChecked(true);
  ASSERT_EQ(seam.questions.size(), 1) << Said();
  EXPECT_TRUE(AsianSet(2)->isChecked());
  EXPECT_EQ(Memo()->toPlainText(), QString::fromUtf8("\uac00\ub098"));
}

TEST_F(FontTablePageTest, CharactersTheCodePageCannotHoldAreNamed) {
  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  SmallFixedCell();
  Memo()->setPlainText(QString::fromUtf8("AB\u65e5"));  // AB日
  seam.answers.push_back(false);
  EXPECT_TRUE(SaveFont("no.bmf").isEmpty());
  ASSERT_EQ(seam.questions.size(), 1) << Said();
  EXPECT_EQ(seam.questions[0],
            QString::fromUtf8("Code page 1252 Western cannot hold these characters of the table, "
                              "so they make no glyph: \u65e5\nMake the font without them?"));
  seam.answers.push_back(true);
  const QByteArray font = SaveFont("yes.bmf");
  ASSERT_EQ(Word(font, 15), 2) << Said();

  // Saving the table asks the same before the file is chosen.
  seam.answers.push_back(false);
  Press("ButtonFontTblSave");
  ASSERT_EQ(seam.questions.size(), 3) << Said();
  EXPECT_TRUE(seam.questions[2].endsWith("\nSave the table without them?"));
  seam.answers.push_back(true);
  EXPECT_EQ(SaveTable("ab.tbl"), QByteArray("AB"));
  EXPECT_TRUE(seam.messages.isEmpty()) << Said();
}

TEST_F(FontTablePageTest, LoadRefusesATableTooLongToKeep) {
  Choose(List("ComboBoxFontEncode"), "Encode by Table");
  Memo()->setPlainText(QStringLiteral("kept"));
  Load(WriteFile("big.tbl", QByteArray(65536, 'A')));
  ASSERT_EQ(seam.messages.size(), 1) << Said();
  EXPECT_EQ(seam.messages[0],
            "The table file big.tbl holds 65536 bytes; an encoding table holds at most 65535. "
            "Nothing was loaded.");
  EXPECT_EQ(Memo()->toPlainText(), "kept");
  EXPECT_TRUE(page->TableFilePath().isEmpty());
  EXPECT_FALSE(ByFile()->isChecked());
  const QString most = WriteFile("most.tbl", QByteArray(65535, 'A'));
  Load(most);
  EXPECT_EQ(page->TableFilePath(), most);
  EXPECT_EQ(Memo()->toPlainText().size(), 65535);
}

TEST_F(FontTablePageTest, GlyphsCutAtTheCellAreReported) {
  QFont cjk(QStringLiteral("WenQuanYi Micro Hei"));
  cjk.setPixelSize(16);
  seam.fonts.push_back(cjk);
  Press("ButtonSelectFont");
  Choose(List("ComboBoxFontEncode"), "Asian Font Encode");
  AsianSet(2)->setChecked(true);  // Korean, the smallest set
  SetEdit("EditFontWidth", "16");
  SetEdit("EditFontHeight", "20");
  // The half-width glyphs get 8 pixels: O and its like do not fit.
  const QByteArray font = SaveFont("korean.bmf");
  ASSERT_FALSE(font.isEmpty()) << Said();
  DropLeftOutReports();
  ASSERT_EQ(seam.messages.size(), 1) << Said();
  const QString& said = seam.messages[0];
  EXPECT_TRUE(said.startsWith("The font was saved, but ")) << Said();
  EXPECT_NE(said.indexOf(" of its glyphs do not fit the cell of 16 x 20 pixels and are cut: "), -1)
      << Said();
  EXPECT_NE(said.indexOf("Half-width characters are drawn in half the Font Width (8 pixels)."), -1)
      << Said();
  // A download asks before sending a cut font; "Cancel" sends nothing.
  seam.answers.push_back(false);
  Press("ButtonDowloadFont");
  ASSERT_EQ(seam.questions.size(), 1) << Said();
  EXPECT_TRUE(seam.questions[0].startsWith("The font is made, but ")) << Said();
  EXPECT_TRUE(seam.questions[0].endsWith("\nDownload it anyway?")) << Said();
  EXPECT_TRUE(NothingReceived());
  EXPECT_TRUE(form->isEnabled());

  // In variable pitch the cell is each character's own width: only a cell
  // too short cuts, and the advice says so.
  seam.messages.clear();
  Choose(List("ComboBoxFontEncode"), "Standard Encode");
  SetEdit("EditFontHeight", "6");
  ASSERT_FALSE(SaveFont("short.bmf").isEmpty()) << Said();
  ASSERT_EQ(seam.messages.size(), 1) << Said();
  EXPECT_TRUE(seam.messages[0].endsWith(
      "\nA taller cell (Font Height) or a smaller font keeps them whole."))
      << Said();
}

}  // namespace
