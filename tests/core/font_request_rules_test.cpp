// The font page's request rules: encodings, ranges, tables, messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/font_request_rules.h"
#include "font_fixture.h"

namespace varnalux {
namespace {

FontPageFields Fields(int encodeMode) {
  FontPageFields f;
  f.encodeMode = encodeMode;
  f.pitch = ApplyEncodeMode(encodeMode).pitch;
  f.fontWidth = "24";
  f.fontHeight = "24";
  f.italicWidth = "0";
  return f;
}

struct Built {
  bool ok;
  std::string message;
  FontRequest request;
  std::vector<uint8_t> table;
};

Built Build(const FontPageFields& f) {
  Built b;
  b.ok = BuildFontRequest(f, b.table, b.request, b.message);
  return b;
}

TEST(FontRequestRules, StandardRange) {
  FontPageFields f = Fields(EncodeStandard);
  Built b = Build(f);
  ASSERT_TRUE(b.ok) << b.message;
  EXPECT_EQ(b.request.charStart, 32);
  EXPECT_EQ(b.request.charEnd, 127);
  EXPECT_EQ(b.request.variablePitch, 1);
  EXPECT_EQ(b.request.doubleByte, 0);
  EXPECT_EQ(b.request.byTable, 0);
  EXPECT_EQ(b.request.cellWidth, 24);
  f.charEnd = "255";
  EXPECT_TRUE(Build(f).ok);
  f.charEnd = "256";
  EXPECT_EQ(Build(f).message, "Font Parameter Error");
  f.charEnd = "300";
  EXPECT_FALSE(Build(f).ok);
  f.charEnd = "12x";
  EXPECT_EQ(Build(f).message, "'12x' is not a valid integer value");
  f.charEnd = "";
  EXPECT_EQ(Build(f).message, "Font Parameter Error");
  f.charEnd = "127";
  f.charStart = "-1";
  EXPECT_EQ(Build(f).message, "Font Parameter Error");
  // Start above end passes the page; the generator refuses it.
  f.charStart = "200";
  f.charEnd = "100";
  EXPECT_TRUE(Build(f).ok);
}

TEST(FontRequestRules, CellAndItalicFields) {
  FontPageFields f = Fields(EncodeStandard);
  f.fontWidth = "-1";
  EXPECT_EQ(Build(f).message, "Font Parameter Error");
  f.fontWidth = "0";
  EXPECT_TRUE(Build(f).ok);
  f.fontWidth = "wide";
  EXPECT_EQ(Build(f).message, "'wide' is not a valid integer value");
  f.fontWidth = "24";
  f.italicWidth = "";
  EXPECT_EQ(Build(f).message, "Font Parameter Error");
  f.italicWidth = "-5";  // any value
  Built b = Build(f);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.request.italicWidth, -5);
  // Cells the glyph buffer or the canvas cannot hold.
  f.italicWidth = "0";
  f.pitch = PitchFixed;
  f.fontWidth = "256";
  f.fontHeight = "2048";
  EXPECT_TRUE(Build(f).ok);
  f.fontWidth = "257";
  EXPECT_EQ(Build(f).message, "Font Parameter Error");
  f.fontWidth = "2049";
  f.fontHeight = "8";
  EXPECT_FALSE(Build(f).ok);
  f.fontWidth = "8";
  f.fontHeight = "2049";
  EXPECT_FALSE(Build(f).ok);
  // Variable pitch: the width does not bound the glyphs, the height does.
  f.pitch = PitchVariable;
  f.fontWidth = "1000";
  f.fontHeight = "100";
  EXPECT_TRUE(Build(f).ok);
  // An unsupported code page.
  f.fontWidth = "24";
  f.codePage = 65001;
  EXPECT_FALSE(Build(f).ok);
  f.codePage = 1251;
  b = Build(f);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.request.codePage, 1251);
}

TEST(FontRequestRules, AsianIsAlwaysFixedPitch) {
  FontPageFields f = Fields(EncodeAsian);
  EXPECT_EQ(f.pitch, PitchFixed);
  f.pitch = PitchVariable;
  f.asianEncoding = AsianJapanese;
  Built b = Build(f);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.request.variablePitch, 0);
  EXPECT_EQ(b.request.doubleByte, 1);
  EXPECT_EQ(b.request.asianEncoding, AsianJapanese);
  EXPECT_EQ(b.request.charStart, 0);
  EXPECT_EQ(b.request.charEnd, 0);
  EXPECT_EQ(b.request.codePage, 932);
  f.asianEncoding = -1;
  EXPECT_EQ(Build(f).message, "Font Parameter Error");
}

TEST(FontRequestRules, TableTextRules) {
  FontPageFields f = Fields(EncodeTable);
  f.memoText = "AB\r\nC";
  Built b = Build(f);
  ASSERT_TRUE(b.ok);
  ASSERT_EQ(b.request.tableCount, 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.request.tableCodes), 3), "ABC");
  EXPECT_EQ(b.request.byTable, 1);
  EXPECT_EQ(b.request.charStart, 0);
  EXPECT_EQ(b.request.charEnd, 0);
  EXPECT_EQ(b.request.tableCodes, b.table.data());
  // The Asian table takes pairs; the odd last byte goes.
  f.encodeMode = EncodeAsianTable;
  b = Build(f);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.request.tableCount, 1);
  EXPECT_EQ(b.request.doubleByte, 1);
  EXPECT_EQ(b.request.codePage, 950);  // the radio's set: Traditional Chinese
  // The first NUL ends the text; spaces stay; only control bytes go.
  f.encodeMode = EncodeTable;
  f.memoText = std::string("\t x\x7F\x80", 5) + std::string(1, '\0') + "tail";
  b = Build(f);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.request.tableCodes), 4), " x\x7F\x80");
  EXPECT_EQ(b.request.tableCount, 4);
  // Nothing left, or only one byte for pairs: refused.
  f.memoText = "\r\n\t";
  EXPECT_EQ(Build(f).message, "Font Parameter Error");
  f.encodeMode = EncodeAsianTable;
  f.memoText = "A";
  EXPECT_FALSE(Build(f).ok);
  // Too long a memo.
  f.encodeMode = EncodeTable;
  f.memoText = std::string(65536, 'a');
  EXPECT_FALSE(Build(f).ok);
  f.memoText = std::string(65535, 'a');
  EXPECT_EQ(Build(f).request.tableCount, 65535);
}

TEST(FontRequestRules, TableByFile) {
  testing::ScratchDir dir;
  FontPageFields f = Fields(EncodeTable);
  f.byFile = true;
  f.memoText = "ignored";
  EXPECT_EQ(Build(f).message, "Font Parameter Error");  // no file ever loaded
  f.tableFilePath = dir.File("missing.txt");
  EXPECT_FALSE(Build(f).ok);
  testing::WriteBytes(dir.File("t.txt"), "XY\nZ");
  f.tableFilePath = dir.File("t.txt");
  Built b = Build(f);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.request.tableCodes), 3), "XYZ");
  testing::WriteBytes(dir.File("big.txt"), std::string(65536, 'q'));
  f.tableFilePath = dir.File("big.txt");
  EXPECT_FALSE(Build(f).ok);
  testing::WriteBytes(dir.File("max.txt"), std::string(65535, 'q'));
  f.tableFilePath = dir.File("max.txt");
  EXPECT_EQ(Build(f).request.tableCount, 65535);
}

TEST(FontRequestRules, PagePresets) {
  EXPECT_EQ(ApplyEncodeMode(EncodeStandard).pitch, PitchVariable);
  EXPECT_EQ(ApplyEncodeMode(EncodeAsian).pitch, PitchFixed);
  EXPECT_EQ(ApplyEncodeMode(EncodeTable).pitch, PitchVariable);
  EXPECT_EQ(ApplyEncodeMode(EncodeAsianTable).pitch, PitchFixed);
  EXPECT_TRUE(ApplyEncodeMode(EncodeStandard).standardGroup);
  EXPECT_FALSE(ApplyEncodeMode(EncodeStandard).tableGroup);
  EXPECT_TRUE(ApplyEncodeMode(EncodeAsian).asianGroup);
  EXPECT_FALSE(ApplyEncodeMode(EncodeAsian).standardGroup);
  EXPECT_TRUE(ApplyEncodeMode(EncodeAsianTable).tableGroup);
  // The control that names the code page is enabled exactly where it does:
  // the Asian set for the pairs of an Asian table, the list for the
  // single-byte encodings.
  EXPECT_TRUE(ApplyEncodeMode(EncodeAsianTable).asianGroup);
  EXPECT_FALSE(ApplyEncodeMode(EncodeAsianTable).codePageList);
  EXPECT_FALSE(ApplyEncodeMode(EncodeAsian).codePageList);
  EXPECT_TRUE(ApplyEncodeMode(EncodeTable).codePageList);
  EXPECT_FALSE(ApplyEncodeMode(EncodeTable).asianGroup);
  EXPECT_TRUE(ApplyEncodeMode(EncodeStandard).codePageList);
  std::string start = "1", end = "2";
  EXPECT_TRUE(MappingRange(MappingFullAscii, start, end));
  EXPECT_EQ(start + "-" + end, "32-255");
  EXPECT_TRUE(MappingRange(MappingStandard, start, end));
  EXPECT_EQ(start + "-" + end, "32-127");
  start = "40";
  EXPECT_FALSE(MappingRange(MappingCustomer, start, end));
  EXPECT_EQ(start, "40");
  EXPECT_EQ(SampleCode(EncodeStandard), "W");
  EXPECT_EQ(SampleCode(EncodeAsianTable), "\xE0\xA2");
  EXPECT_EQ(PresetItalicWidth(20, false, true, false, false), 6);
  EXPECT_EQ(PresetItalicWidth(20, true, true, false, false), 6);
  EXPECT_EQ(PresetItalicWidth(20, false, true, true, false), 0);
  EXPECT_EQ(PresetItalicWidth(20, true, false, false, false), 0);
}

TEST(FontRequestRules, PrinterFontNames) {
  EXPECT_TRUE(IsValidPrinterFontName("Font001"));
  EXPECT_TRUE(IsValidPrinterFontName(std::string(31, 'a')));
  EXPECT_FALSE(IsValidPrinterFontName(std::string(32, 'a')));
  EXPECT_FALSE(IsValidPrinterFontName(""));
  EXPECT_FALSE(IsValidPrinterFontName("a\"b"));
  EXPECT_FALSE(IsValidPrinterFontName("a\r\nKILL"));
  EXPECT_FALSE(IsValidPrinterFontName(std::string("a\x7F")));

  // The message keeps the system's first line and names the field and the
  // rule that was broken.
  EXPECT_EQ(PrinterFontNameMessage("Font001"), "");
  for (const std::string& bad : {std::string(), std::string(32, 'a'), std::string("a\"b"),
                                 std::string("a\tb")}) {
    const std::string message = PrinterFontNameMessage(bad);
    EXPECT_EQ(message.rfind("Font Parameter Error\nPrinter Font Name: ", 0), 0u) << message;
    EXPECT_NE(message.find("1 to 31 characters"), std::string::npos) << message;
  }
  EXPECT_NE(PrinterFontNameMessage("").find("empty"), std::string::npos);
  EXPECT_NE(PrinterFontNameMessage(std::string(32, 'a')).find("longer than 31"), std::string::npos);
  EXPECT_NE(PrinterFontNameMessage("a\"b").find("double quote"), std::string::npos);
  EXPECT_NE(PrinterFontNameMessage("a\r\nKILL").find("control characters"), std::string::npos);
}

TEST(FontRequestRules, MemoTextInACodePage) {
  std::string bytes;
  ASSERT_TRUE(EncodeTextForCodePage("A\xE4\xB8\xAD", 936, bytes));  // "A中"
  EXPECT_EQ(bytes, "A\xD6\xD0");
  // A character the code page lacks is dropped, the rest kept.
  ASSERT_TRUE(EncodeTextForCodePage("x\xE4\xB8\xADy", 1252, bytes));
  EXPECT_EQ(bytes, "xy");
  EXPECT_FALSE(EncodeTextForCodePage("x", 65001, bytes));
}

}  // namespace
}  // namespace varnalux
