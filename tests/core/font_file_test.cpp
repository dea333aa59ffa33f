// Reading font files back: files the generator made, and damaged ones.
#include "font/font_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/code_decoder.h"
#include "font/font_sheet.h"
#include "font/make_font.h"
#include "font_fixture.h"

namespace varnalux {
namespace {

using testing::ReadBytes;

std::vector<uint8_t> Header(uint8_t variable, uint8_t dbcs, uint8_t index, int h, int w, int start,
                            int end, uint8_t letter, int count) {
  std::vector<uint8_t> b(32, 0);
  b[0] = 'B';
  b[1] = variable;
  b[2] = dbcs;
  b[3] = index;
  b[5] = static_cast<uint8_t>(h);
  b[6] = static_cast<uint8_t>(h >> 8);
  b[7] = static_cast<uint8_t>(w);
  b[8] = static_cast<uint8_t>(w >> 8);
  b[9] = static_cast<uint8_t>(start);
  b[11] = static_cast<uint8_t>(end);
  b[13] = letter;
  b[15] = static_cast<uint8_t>(count);
  b[16] = static_cast<uint8_t>(count >> 8);
  return b;
}

void AddEntry(std::vector<uint8_t>& b, uint8_t c0, uint8_t c1, uint32_t offset) {
  b.insert(b.end(), {c0, c1, static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
                     static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 24)});
}

std::string ParseError(std::vector<uint8_t> bytes) {
  FontFile f;
  std::string error;
  return f.Parse(std::move(bytes), error) ? "" : error;
}

class FontFileMade : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(canvas_.SelectFontFile(testing::LatinFontFile, 16)); }
  FontRequest Request(bool variable) {
    FontRequest r;
    r.charStart = 'A';
    r.charEnd = 'Z';
    r.cellWidth = 12;
    r.cellHeight = 18;
    r.variablePitch = variable;
    r.fileName = dir_.File("f.bmf");
    r.canvas = &canvas_;
    return r;
  }
  FontCanvas canvas_;
  testing::ScratchDir dir_;
};

TEST_F(FontFileMade, ReadsBackWhatWasMade) {
  for (bool variable : {false, true}) {
    ASSERT_EQ(MakeFont(Request(variable)), MakeFontOk);
    FontFile f;
    std::string error;
    ASSERT_TRUE(f.Load(dir_.File("f.bmf"), error)) << error;
    EXPECT_EQ(f.Header().variablePitch, variable);
    EXPECT_EQ(f.Header().hasIndex, variable);
    ASSERT_EQ(f.Glyphs().size(), 26u);
    EXPECT_TRUE(f.Notes().empty());
    for (int i = 0; i < 26; ++i) {
      const FontFileGlyph& g = f.Glyphs()[i];
      EXPECT_EQ(g.code[0], 'A' + i);
      EXPECT_EQ(g.width, variable ? canvas_.MeasureChar(static_cast<char32_t>('A' + i)).width : 12);
      // The pixels read back are the ones drawn.
      std::vector<uint8_t> cell(64);
      const uint8_t code = static_cast<uint8_t>('A' + i);
      CodeDecoder d(1252);
      const GlyphSize drawn = canvas_.RenderGlyph(&code, 1, d, variable, 12, 18, cell.data());
      ASSERT_EQ(drawn.width, g.width);
      for (int y = 0; y < 18; ++y)
        for (int x = 0; x < g.width; ++x)
          ASSERT_EQ(f.Pixel(g, x, y),
                    ((cell[y * ((g.width + 7) / 8) + x / 8] >> (7 - x % 8)) & 1) != 0);
    }
  }
}

TEST_F(FontFileMade, SheetShowsGlyphsAndCodes) {
  ASSERT_EQ(MakeFont(Request(false)), MakeFontOk);
  FontFile f;
  std::string error;
  ASSERT_TRUE(f.Load(dir_.File("f.bmf"), error));
  FontSheet sheet(f, 16);
  ASSERT_TRUE(sheet.Fits());
  EXPECT_EQ(sheet.Height() > 0 && sheet.Width() > 0, true);
  // Every glyph pixel appears at its place, ink where the file has ink.
  std::vector<std::vector<uint8_t>> rows(sheet.Height(), std::vector<uint8_t>(sheet.Width()));
  for (int y = 0; y < sheet.Height(); ++y) sheet.RenderRow(y, rows[y].data());
  int inkPixels = 0;
  for (size_t i = 0; i < f.Glyphs().size(); ++i) {
    const FontFileGlyph& g = f.Glyphs()[i];
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x) {
        const uint8_t v =
            rows[sheet.GlyphY(static_cast<int>(i)) + y][sheet.GlyphX(static_cast<int>(i)) + x];
        ASSERT_EQ(v == SheetInk, f.Pixel(g, x, y));
        inkPixels += v == SheetInk;
      }
  }
  EXPECT_GT(inkPixels, 100);
  // Labels are drawn above the glyphs, nowhere in black.
  int labels = 0;
  for (const auto& row : rows)
    for (uint8_t v : row) labels += v == SheetLabel;
  EXPECT_GT(labels, 26 * 10);
}

TEST(FontFileParse, HostileFilesAreRefused) {
  EXPECT_EQ(ParseError({}), "the file is shorter than a font header");
  auto h = Header(0, 0, 0, 8, 8, 32, 33, 0, 2);
  h[0] = 'X';
  EXPECT_NE(ParseError(h), "");
  h = Header(2, 0, 0, 8, 8, 32, 33, 0, 2);
  EXPECT_NE(ParseError(h), "");
  // A fixed range font missing its last glyph's last row.
  h = Header(0, 0, 0, 8, 8, 32, 33, 0, 2);
  h.resize(32 + 16 - 1);
  EXPECT_EQ(ParseError(h), "glyph 1 runs past the end of the file");
  // Index larger than the file.
  h = Header(1, 0, 1, 8, 8, 0, 0, 0, 65535);
  EXPECT_EQ(ParseError(h), "the index table runs past the end of the file");
  // Offsets pointing into the header, past the end, or a width too large.
  h = Header(1, 0, 1, 8, 8, 0, 0, 0, 1);
  AddEntry(h, 'A', 0, 10);
  EXPECT_EQ(ParseError(h), "glyph 0 starts outside the glyph records");
  h.resize(32);
  AddEntry(h, 'A', 0, 0xFFFFFFF0u);
  EXPECT_EQ(ParseError(h), "glyph 0 starts outside the glyph records");
  h.resize(32);
  AddEntry(h, 'A', 0, 38);
  h.insert(h.end(), {0xFF, 0xFF, 0, 0});
  EXPECT_EQ(ParseError(h), "glyph 0 runs past the end of the file");
  h.resize(32);
  AddEntry(h, 'A', 0, 38);
  h.push_back(3);  // half a width
  EXPECT_EQ(ParseError(h), "glyph 0 has no room for its width");
  // A range that runs past 255.
  h = Header(0, 0, 0, 1, 8, 250, 255, 0, 10);
  h.resize(32 + 10);
  EXPECT_EQ(ParseError(h), "the range and the glyph count go past code 255");
  // An Asian font without index needs a known set.
  h = Header(0, 1, 0, 8, 8, 0, 0, 'X', 5);
  h.resize(40);
  EXPECT_NE(ParseError(h), "");
  h = Header(0, 1, 0, 8, 8, 0, 0, 'K', 9026);
  h.resize(32 + 96 * 8 + 8930 * 8 - 1);
  EXPECT_NE(ParseError(h), "");
  h.push_back(0);
  EXPECT_EQ(ParseError(h), "");
}

TEST(FontFileParse, NotesForOddButReadableFiles) {
  auto h = Header(0, 0, 0, 1, 8, 32, 40, 0, 2);
  h.insert(h.end(), {0x80, 0x01, 0xAA});
  FontFile f;
  std::string error;
  ASSERT_TRUE(f.Parse(h, error)) << error;
  ASSERT_EQ(f.Glyphs().size(), 2u);
  EXPECT_TRUE(f.Pixel(f.Glyphs()[0], 0, 0));
  EXPECT_FALSE(f.Pixel(f.Glyphs()[0], 1, 0));
  EXPECT_TRUE(f.Pixel(f.Glyphs()[1], 7, 0));
  EXPECT_FALSE(f.Pixel(f.Glyphs()[1], 8, 0));  // outside the glyph
  ASSERT_EQ(f.Notes().size(), 2u);
  EXPECT_EQ(f.Notes()[0], "the header counts 2 glyphs for the range 32-40");
  EXPECT_EQ(f.Notes()[1], "1 bytes follow the last glyph");
}

}  // namespace
}  // namespace varnalux
