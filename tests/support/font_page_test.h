// The set-up of the font page's widget tests: the page in front, the file
// dialogs starting in the test folder, and the controls the tests use.
#pragma once

#include <QCheckBox>
#include <QFont>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <cstdint>

#include "tests/support/page_test.h"
#include "ui/dialog_seam.h"
#include "ui/pages/font_page.h"

// The little-endian 16-bit word at of a font file's bytes.
inline uint16_t Word(const QByteArray& bytes, int at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                               (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

class FontPageFixture : public PageTest<varnalux::TFontPage> {
 protected:
  void SetUp() override {
    PrinterWindowTest::SetUp();
    ASSERT_TRUE(dir.isValid());
    OpenPage(2, false);
    varnalux::SetStartDirectory(dir.path());
  }

  QComboBox* List(const char* name) { return Find<QComboBox>(page, name); }
  QPlainTextEdit* Memo() { return Find<QPlainTextEdit>(page, "MemoFontTable"); }
  QCheckBox* ByFile() { return Find<QCheckBox>(page, "CheckBoxFileTable"); }
  bool Enabled(const char* name) { return Find<QWidget>(page, name)->isEnabled(); }
  void Press(const char* name) { Find<QAbstractButton>(page, name)->click(); }
  void SetEdit(const char* name, const char* text) {
    Find<QLineEdit>(page, name)->setText(QString::fromLatin1(text));
  }
  // A small fixed cell that the 8-pixel monospaced font fits: the making is
  // quick, and no glyph is cut.
  void SmallFixedCell() {
    QFont small(QStringLiteral("DejaVu Sans Mono"));
    small.setPixelSize(8);
    seam.fonts.push_back(small);
    Press("ButtonSelectFont");
    Choose(List("ComboBoxFontPitch"), "Fixed Pitch");
    SetEdit("EditFontWidth", "8");
    SetEdit("EditFontHeight", "10");
  }
};
