// What a font leaves out and what it draws for codes that are not one
// character: the counts of codes the code page or the font lacks, refusing
// such a font, pairs drawn as the text they decode to, code 0 in variable
// pitch, families found by any of their names, and font files read without
// waiting on a FIFO or reading a huge file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "font/code_decoder.h"
#include "font/font_file.h"
#include "font/glyph_gaps.h"
#include "font/make_font.h"
#include "font_fixture.h"

namespace varnalux {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::U16;
using testing::U32;

class FontGapsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(canvas_.SelectFontFile(testing::LatinFontFile, 20)) << "fonts-dejavu-core";
  }
  FontRequest Request(bool variable) {
    FontRequest r;
    r.cellWidth = 40;
    r.cellHeight = canvas_.MeasureChar(U'A').height;
    r.variablePitch = variable ? 1 : 0;
    r.fileName = dir_.File("font.bmf");
    r.canvas = &canvas_;
    return r;
  }
  FontRequest Pairs(const std::string& bytes) {
    pairs_ = bytes;
    FontRequest r = Request(false);
    r.doubleByte = 1;
    r.byTable = 1;
    r.codePage = 936;
    r.tableCodes = reinterpret_cast<const uint8_t*>(pairs_.data());
    r.tableCount = static_cast<int>(pairs_.size() / 2);
    return r;
  }
  // The characters drawn one after the other from x, as one cell.
  std::vector<uint8_t> Drawn(const std::vector<char32_t>& chars, int x, int w, int h) {
    const size_t size = static_cast<size_t>((w + 7) / 8 * h);
    std::vector<uint8_t> all(size, 0), one(size);
    for (char32_t ch : chars) {
      canvas_.DrawChar(ch, x, 0, w, h, one.data());
      for (size_t i = 0; i < size; ++i) all[i] |= one[i];
      x += canvas_.MeasureChar(ch).width;
    }
    return all;
  }
  FontCanvas canvas_;
  ScratchDir dir_;
  std::string pairs_;
};

TEST_F(FontGapsTest, CountsCodesTheCodePageOrTheFontLacks) {
  FontRequest r = Request(false);
  r.charStart = 32;
  r.charEnd = 255;
  r.cellWidth = 8;
  GlyphGaps gaps;
  ASSERT_EQ(MakeFont(r, {}, gaps, GapRule::Keep), MakeFontOk);
  EXPECT_EQ(gaps.glyphs, 224);
  // The five holes of code page 1252; DEL has no picture in any font and
  // lacks nothing.
  EXPECT_EQ(gaps.undecoded, 5);
  EXPECT_EQ(gaps.undecodedCodes, (std::vector<std::string>{"81", "8D", "8F", "90", "9D"}));
  EXPECT_EQ(gaps.missing, 0);
  EXPECT_EQ(DescribeGlyphGaps(gaps, 1252, "DejaVu Sans"),
            "5 of 224 codes are drawn blank or in part: not characters of code page 1252: 5 "
            "(81 8D 8F 90 9D).");
  EXPECT_EQ(U16(ReadBytes(r.fileName), 15), 224);  // kept, with blank glyphs

  // 你 and 好 are characters of code page 936 that DejaVu Sans does not have.
  r = Pairs("\xC4\xE3\xBA\xC3");
  ASSERT_EQ(MakeFont(r, {}, gaps, GapRule::Keep), MakeFontOk);
  EXPECT_EQ(gaps.undecoded, 0);
  EXPECT_EQ(gaps.missing, 2);
  EXPECT_EQ(gaps.missingCodes, (std::vector<std::string>{"C4E3", "BAC3"}));
  EXPECT_EQ(DescribeGlyphGaps(gaps, 936, "DejaVu Sans"),
            "2 of 2 codes are drawn blank or in part: characters the font DejaVu Sans lacks: 2 "
            "(C4E3 BAC3).");

  // A font with everything says nothing; more codes than are named end in "...".
  r = Request(false);
  r.charStart = 'A';
  r.charEnd = 'Z';
  ASSERT_EQ(MakeFont(r, {}, gaps, GapRule::Keep), MakeFontOk);
  EXPECT_EQ(gaps.LeftOut(), 0);
  EXPECT_EQ(DescribeGlyphGaps(gaps, 1252, "DejaVu Sans"), "");
  r = Pairs("\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3\xC4\xE3");
  ASSERT_EQ(MakeFont(r, {}, gaps, GapRule::Keep), MakeFontOk);
  EXPECT_EQ(gaps.missing, 9);
  EXPECT_EQ(gaps.missingCodes.size(), MaxGapExamples);
  EXPECT_NE(DescribeGlyphGaps(gaps, 936, "").find("C4E3 ...)."), std::string::npos);
}

TEST_F(FontGapsTest, RefusingGapsWritesNothingAndKeepsThePreviousFile) {
  testing::WriteBytes(dir_.File("font.bmf"), "previous");
  FontRequest r = Request(true);
  r.charStart = 0x80;
  r.charEnd = 0x82;
  GlyphGaps gaps;
  // In a range, a code the code page does not assign is a hole of the layout:
  // told, not refused.
  EXPECT_EQ(MakeFont(r, {}, gaps, GapRule::Refuse), MakeFontOk);
  EXPECT_EQ(gaps.undecoded, 1);  // 0x81
  testing::WriteBytes(dir_.File("font.bmf"), "previous");
  // Listed in a table, it was asked for: refused.
  const uint8_t listed[] = {0x80, 0x81, 0x82};
  r.byTable = 1;
  r.tableCodes = listed;
  r.tableCount = 3;
  EXPECT_EQ(MakeFont(r, {}, gaps, GapRule::Refuse), MakeFontLeftOut);
  EXPECT_EQ(gaps.undecoded, 1);  // 0x81
  EXPECT_EQ(gaps.glyphs, 3);
  EXPECT_STREQ(MakeFontMessage(MakeFontLeftOut), "Make Font Error");
  const auto kept = ReadBytes(r.fileName);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"font.bmf"});  // no new file left behind
  // Nothing left out: written as always.
  r.byTable = 0;
  r.charStart = r.charEnd = 0x80;
  EXPECT_EQ(MakeFont(r, {}, gaps, GapRule::Refuse), MakeFontOk);
  EXPECT_EQ(ReadBytes(r.fileName)[0], 'B');
}

TEST_F(FontGapsTest, PairThatIsNotOneCharacterDrawsItsText) {
  // "AB" in code page 936 is two characters: both are drawn, centred as one
  // text in the fixed cell.
  FontRequest r = Pairs("AB");
  GlyphGaps gaps;
  ASSERT_EQ(MakeFont(r, {}, gaps, GapRule::Keep), MakeFontOk);
  EXPECT_EQ(gaps.LeftOut(), 0);
  const int h = r.cellHeight;
  const int tw = canvas_.MeasureChar(U'A').width + canvas_.MeasureChar(U'B').width;
  ASSERT_LT(tw, r.cellWidth);
  auto b = ReadBytes(r.fileName);
  const size_t glyph = 32 + 6;
  const std::vector<uint8_t> expected = Drawn({U'A', U'B'}, (r.cellWidth - tw) / 2, 40, h);
  ASSERT_EQ(b.size(), glyph + expected.size());
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + glyph, b.end()), expected);

  // "A" and a lone lead byte: the A is drawn beside the space of the
  // missing character, and the code counts as not decoded.
  r = Pairs("A\x81");
  ASSERT_EQ(MakeFont(r, {}, gaps, GapRule::Keep), MakeFontOk);
  EXPECT_EQ(gaps.undecoded, 1);
  const int tw2 = canvas_.MeasureChar(U'A').width + canvas_.MeasureChar(NoCharacter).width;
  b = ReadBytes(r.fileName);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + glyph, b.end()),
            Drawn({U'A'}, (r.cellWidth - tw2) / 2, 40, h));

  // In variable pitch the record is as wide as the text.
  r = Pairs("AB");
  r.variablePitch = 1;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  b = ReadBytes(r.fileName);
  EXPECT_EQ(U16(b, U32(b, 34)), tw);
}

TEST_F(FontGapsTest, CodeZeroInVariablePitchHasAnEmptyRecord) {
  // Code 0's text is empty: its record is the width 0 and no bitmap bytes,
  // and the next record follows right after.
  FontRequest r = Request(true);
  r.charStart = 0;
  r.charEnd = 1;
  GlyphGaps gaps;
  ASSERT_EQ(MakeFont(r, {}, gaps, GapRule::Keep), MakeFontOk);
  EXPECT_EQ(gaps.LeftOut(), 0);  // control codes have no picture to lack
  const auto b = ReadBytes(r.fileName);
  const uint32_t first = U32(b, 32 + 2), second = U32(b, 38 + 2);
  EXPECT_EQ(first, 32u + 12);
  EXPECT_EQ(U16(b, first), 0);
  EXPECT_EQ(second, first + 2);
  FontFile file;
  std::string error;
  ASSERT_TRUE(file.Parse(b, error)) << error;
  ASSERT_EQ(file.Glyphs().size(), 2u);
  EXPECT_EQ(file.Glyphs()[0].width, 0);
  EXPECT_TRUE(file.Notes().empty());
  // Fixed pitch keeps the full cell for it.
  r.variablePitch = 0;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  EXPECT_EQ(ReadBytes(r.fileName).size(), 32u + 2 * (40 / 8) * static_cast<size_t>(r.cellHeight));
}

TEST(CodeText, PairsDecodeAsStringsOfTheCodePage) {
  CodeDecoder gbk(936);
  auto text = [&](std::vector<uint8_t> bytes) {
    const CodeText t = gbk.DecodeText(bytes.data(), static_cast<int>(bytes.size()));
    return std::vector<char32_t>(t.chars, t.chars + t.count);
  };
  EXPECT_EQ(text({0xD6, 0xD0}), std::vector<char32_t>{U'\u4E2D'});
  EXPECT_EQ(text({'A', 'B'}), (std::vector<char32_t>{U'A', U'B'}));
  EXPECT_EQ(text({'A', 0x81}), (std::vector<char32_t>{U'A', NoCharacter}));
  // A lead byte the second byte does not complete is one missing character,
  // not a lead byte and an ASCII character.
  EXPECT_EQ(text({0x81, 0x7F}), std::vector<char32_t>{NoCharacter});
  EXPECT_EQ(text({0xFF, 'A'}), std::vector<char32_t>{NoCharacter});
  // The text ends at the first NUL.
  EXPECT_EQ(text({0}), std::vector<char32_t>{});
  EXPECT_EQ(text({'A', 0}), std::vector<char32_t>{U'A'});
  const uint8_t nul = 0, hole = 0x81;
  EXPECT_TRUE(gbk.DecodeText(&nul, 1).Decoded());
  EXPECT_FALSE(CodeDecoder(1252).DecodeText(&hole, 1).Decoded());
}

TEST(FontFamilies, FoundByAnyOfTheirNames) {
  // fonts-wqy-microhei names its family in English and in Chinese.
  for (const char* name :
       {"WenQuanYi Micro Hei", "文泉驿微米黑", "文泉驛微米黑", "wenquanyi microhei"}) {
    const FontMatch m = MatchFontFamily(name, FontStyle::Regular, 16);
    EXPECT_TRUE(m.named) << name;
    EXPECT_EQ(m.file, testing::CjkFontFile) << name;
  }
  EXPECT_TRUE(MatchFontFamily("dejavusans", FontStyle::Bold, 16).named);
  EXPECT_TRUE(MatchFontFamily("sans-serif", FontStyle::Regular, 16).named);
  const FontMatch other = MatchFontFamily("No Such Family Here", FontStyle::Regular, 16);
  EXPECT_FALSE(other.named);
  EXPECT_FALSE(other.file.empty());  // fontconfig still offers a face
  EXPECT_FALSE(other.family.empty());
}

// Bytes this process has read through read() and its kind, so far.
long long BytesRead() {
  long long rchar = -1;
  if (FILE* f = fopen("/proc/self/io", "r")) {
    char line[128];
    while (fgets(line, sizeof line, f))
      if (sscanf(line, "rchar: %lld", &rchar) == 1) break;
    fclose(f);
  }
  return rchar;
}

TEST(FontFileInput, AHugeFileIsRefusedBeforeItIsRead) {
  ScratchDir dir;
  const std::string path = dir.File("huge.bmf");
  const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 300ll << 20), 0);  // sparse: no disk space taken
  close(fd);
  const long long before = BytesRead();
  ASSERT_GE(before, 0) << "no /proc/self/io";
  FontFile file;
  std::string error;
  EXPECT_FALSE(file.Load(path, error));
  EXPECT_EQ(error, "the file is larger than any font file");
  EXPECT_LT(BytesRead() - before, 1 << 20);
  // A folder is not a file to read.
  EXPECT_FALSE(file.Load(dir.Path(), error));
  EXPECT_EQ(error, "not a regular file");
}

}  // namespace
}  // namespace varnalux
