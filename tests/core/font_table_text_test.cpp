// The encoding table's two forms: bytes of a code page and the text the
// font page shows. Every byte sequence comes back unchanged from its text,
// in every code page; what cannot be shown is escaped, never dropped.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "font/table_text_codec.h"

namespace varnalux {
namespace {

constexpr int CodePages[] = {874,  932,  936,  949,  950,  1250, 1251,
                             1252, 1253, 1254, 1255, 1256, 1257, 1258};

std::string Shown(const std::string& bytes, int codePage,
                  TableLineBreak lineBreak = TableLineBreak::CrLf) {
  std::string text;
  EXPECT_TRUE(TableBytesToText(bytes, codePage, lineBreak, text)) << codePage;
  return text;
}

std::string Bytes(const std::string& text, int codePage, std::u32string* leftOut = nullptr,
                  TableLineBreak lineBreak = TableLineBreak::CrLf) {
  std::string bytes;
  std::u32string left;
  EXPECT_TRUE(TableTextToBytes(text, codePage, lineBreak, bytes, left)) << codePage;
  if (leftOut != nullptr) *leftOut = left;
  return bytes;
}

TEST(TableTextTest, ShowsCharactersAndEscapesTheBytesThatAreNone) {
  // 0x81 and 0x8D are no character of 1252: shown, not dropped.
  const std::string table(
      "A\x81"
      "B\x8D"
      "C\xE4");
  EXPECT_EQ(Shown(table, 1252), "A\\x81B\\x8DC\xC3\xA4");  // ...Cä
  EXPECT_EQ(Bytes(Shown(table, 1252), 1252), table);

  EXPECT_EQ(Shown("\xC4\xE3\xBA\xC3", 936), "\xE4\xBD\xA0\xE5\xA5\xBD");  // 你好
  // A lone lead byte of Shift_JIS, at the end or before a byte that cannot
  // follow it, stands for itself.
  EXPECT_EQ(Shown("\x82\xA0X\x81", 932), "\xE3\x81\x82X\\x81");  // あX\x81
  EXPECT_EQ(Shown("\x81 A", 932), "\\x81 A");
  EXPECT_EQ(Shown("A\x81Z", 1253), "A\\x81Z");
  // Control bytes, DEL and NUL are escaped wherever they are.
  EXPECT_EQ(Shown(std::string("a\0b\tc\x7F", 6), 1252), "a\\x00b\\x09c\\x7F");
  // Characters a text box would not show or would change: the no-break
  // space, the soft hyphen, direction marks, C1 controls.
  EXPECT_EQ(Shown("\xA0\xAD", 1252), "\\xA0\\xAD");
  EXPECT_EQ(Shown("\xFD\xFE", 1255), "\\xFD\\xFE");
  EXPECT_EQ(Shown("\x80", 950), "\\x80");
  // Two codes of one character: only the one the code page gives back for
  // the character shows as the character; the other is escaped.
  EXPECT_EQ(Shown("\xFA\x5C", 932), "\xE7\xBA\x8A");  // 纊
  EXPECT_EQ(Shown("\xED\x40", 932), "\\xED\\x40");
  // A trail byte that is a backslash belongs to its character.
  EXPECT_EQ(Shown("\x95\x5C", 932), "\xE8\xA1\xA8");  // 表

  std::string text;
  EXPECT_FALSE(TableBytesToText("A", 12345, TableLineBreak::CrLf, text));
  std::u32string left;
  EXPECT_FALSE(TableTextToBytes("A", 65001, TableLineBreak::CrLf, text, left));
}

TEST(TableTextTest, BackslashesAndEscapesAsTyped) {
  EXPECT_EQ(Shown("a\\b", 1252), "a\\\\b");
  EXPECT_EQ(Bytes("a\\\\b", 1252), "a\\b");
  // A backslash that starts no escape is a backslash.
  EXPECT_EQ(Bytes("C:\\temp\\", 1252), "C:\\temp\\");
  EXPECT_EQ(Bytes("\\x41\\X4a\\\\x\\x4", 1252), "AJ\\x\\x4");
  EXPECT_EQ(Bytes("\\xzz", 1252), "\\xzz");
  // The escape of a byte that is half a character of a double-byte page.
  EXPECT_EQ(Bytes("\\x82\\xA0", 932), "\x82\xA0");
}

TEST(TableTextTest, LineBreaksKeepTheirBytes) {
  EXPECT_EQ(DetectLineBreak("A\r\nB\nC"), TableLineBreak::CrLf);
  EXPECT_EQ(DetectLineBreak("A\nB\rC"), TableLineBreak::Lf);
  EXPECT_EQ(DetectLineBreak("ABC\r"), TableLineBreak::CrLf);
  EXPECT_EQ(DetectLineBreak(""), TableLineBreak::CrLf);

  const std::string crlf("A\r\nB\nC\rD\r\n");
  EXPECT_EQ(Shown(crlf, 1252), "A\nB\\x0AC\\x0DD\n");
  EXPECT_EQ(Bytes(Shown(crlf, 1252), 1252), crlf);
  const std::string lf("A\nB\r\nC\n");
  EXPECT_EQ(Shown(lf, 1252, TableLineBreak::Lf), "A\nB\\x0D\nC\n");
  EXPECT_EQ(Bytes(Shown(lf, 1252, TableLineBreak::Lf), 1252, nullptr, TableLineBreak::Lf), lf);
}

TEST(TableTextTest, TypedCharactersTheCodePageCannotHoldAreListed) {
  std::u32string left;
  EXPECT_EQ(Bytes("AB\xE6\x97\xA5", 1252, &left), "AB");  // AB日
  EXPECT_EQ(left, U"\u65E5");
  // Each once, in the order typed.
  EXPECT_EQ(Bytes("\xD0\x96x\xE6\x97\xA5\xD0\x96", 1252, &left), "x");  // Жx日Ж
  EXPECT_EQ(left, U"\u0416\u65E5");
  EXPECT_EQ(Bytes("\xD0\x96", 1251, &left), "\xC6");
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(Bytes("A\xE4\xB8\xAD", 936, &left), "A\xD6\xD0");  // A中
  EXPECT_TRUE(left.empty());

  EXPECT_EQ(DescribeCharacters(U"\u65E5\u00A0 "), "\xE6\x97\xA5 U+00A0 U+0020");
  EXPECT_EQ(DescribeCharacters(U"abcde", 3), "a b c and 2 more");
}

TEST(TableTextTest, EveryByteSequenceComesBackInEveryCodePage) {
  std::mt19937 random(16);
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  // Every pair, so every lead byte meets every trail byte.
  std::string pairs;
  for (int lead = 0x80; lead < 0x100; ++lead)
    for (int trail = 0x20; trail < 0x100; ++trail) {
      pairs += static_cast<char>(lead);
      pairs += static_cast<char>(trail);
    }
  std::string noise(20000, '\0');
  for (char& c : noise) c = static_cast<char>(random() & 0xFF);
  for (int codePage : CodePages) {
    for (const std::string& table : {all, pairs, noise, std::string("\\\\x41\r\n\n\r")}) {
      for (TableLineBreak lineBreak : {TableLineBreak::CrLf, TableLineBreak::Lf}) {
        const std::string text = Shown(table, codePage, lineBreak);
        std::u32string left;
        EXPECT_EQ(Bytes(text, codePage, &left, lineBreak), table) << codePage;
        EXPECT_TRUE(left.empty()) << codePage;
        // Nothing but line breaks and shown characters: no control code
        // reaches the text box.
        for (unsigned char c : text) EXPECT_TRUE(c >= 0x20 || c == '\n') << codePage;
      }
    }
  }
}

}  // namespace
}  // namespace varnalux
