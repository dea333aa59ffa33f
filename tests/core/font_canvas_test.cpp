// The rasteriser and the glyph rules: centring, cutting, the ink rule,
// decoding codes through code pages, and the order of the Asian sets.
#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H

#include <vector>

#include "font/asian_sets.h"
#include "font/code_decoder.h"
#include "font/font_canvas.h"
#include "font/font_request.h"
#include "font_fixture.h"

namespace varnalux {
namespace {

using testing::Bitmap;

Bitmap Render(FontCanvas& canvas, const CodeDecoder& decoder, const std::vector<uint8_t>& code,
              bool variable, int w, int h) {
  std::vector<uint8_t> buffer(GlyphBufferSize, 0xAA);  // stale bytes must be cleared
  const GlyphSize g = canvas.RenderGlyph(code.data(), static_cast<int>(code.size()), decoder,
                                         variable, w, h, buffer.data());
  Bitmap b;
  b.w = g.width;
  b.h = h;
  if (g.bytes >= 0) b.bytes.assign(buffer.begin(), buffer.begin() + g.bytes);
  return b;
}

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(canvas_.SelectFontFile(testing::LatinFontFile, 20)); }
  FontCanvas canvas_;
  CodeDecoder latin_{1252};
};

TEST_F(CanvasTest, NarrowCharacterIsCentredWithTheOddPixelOnTheRight) {
  const int tw = canvas_.MeasureChar(U'i').width;
  const int th = canvas_.MeasureChar(U'i').height;
  ASSERT_GT(tw, 0);
  const Bitmap natural = Render(canvas_, latin_, {'i'}, true, 0, th);
  ASSERT_EQ(natural.w, tw);
  ASSERT_GT(natural.Ink(), 0);
  // Cells 5 and 6 pixels wider: the character moves right by 2 and by 3.
  for (int extra : {5, 6}) {
    const Bitmap cell = Render(canvas_, latin_, {'i'}, false, tw + extra, th);
    const int shift = extra / 2;
    ASSERT_EQ(cell.Ink(), natural.Ink()) << extra;
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x)
        ASSERT_EQ(cell.At(x + shift, y), natural.At(x, y)) << extra << " " << x << "," << y;
  }
}

TEST_F(CanvasTest, WideCharacterIsDrawnFromTheLeftAndCut) {
  const int th = canvas_.MeasureChar(U'W').height;
  const Bitmap natural = Render(canvas_, latin_, {'W'}, true, 0, th);
  ASSERT_GT(natural.w, 8);
  const Bitmap cut = Render(canvas_, latin_, {'W'}, false, 8, th);
  ASSERT_EQ(cut.w, 8);
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(cut.At(x, y), natural.At(x, y)) << x << "," << y;
}

TEST_F(CanvasTest, TallCellCentresVerticallyAndShortCellCuts) {
  const int th = canvas_.MeasureChar(U'H').height;
  const Bitmap natural = Render(canvas_, latin_, {'H'}, true, 0, th);
  const Bitmap tall = Render(canvas_, latin_, {'H'}, true, 0, th + 7);
  ASSERT_EQ(tall.Ink(), natural.Ink());
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < natural.w; ++x) ASSERT_EQ(tall.At(x, y + 3), natural.At(x, y));
  const Bitmap shortCell = Render(canvas_, latin_, {'H'}, true, 0, th / 2);
  for (int y = 0; y < th / 2; ++y)
    for (int x = 0; x < natural.w; ++x) ASSERT_EQ(shortCell.At(x, y), natural.At(x, y));
}

TEST_F(CanvasTest, GlyphsWhoseInkDoesNotFitTheCellAreCounted) {
  const int th = canvas_.MeasureChar(U'O').height;
  const int ow = canvas_.MeasureChar(U'O').width;
  ASSERT_GT(ow, 8);
  EXPECT_EQ(canvas_.CutGlyphs(), 0);
  // Whole: its own width, a wider fixed cell, a space in a narrow one.
  Render(canvas_, latin_, {'O'}, true, 0, th);
  Render(canvas_, latin_, {'O'}, false, ow + 4, th);
  Render(canvas_, latin_, {' '}, false, 2, th);
  EXPECT_EQ(canvas_.CutGlyphs(), 0);
  // Cut at the right edge (O becomes C), and at the bottom.
  Render(canvas_, latin_, {'O'}, false, ow / 2, th);
  Render(canvas_, latin_, {'H'}, true, 0, th / 2);
  EXPECT_EQ(canvas_.CutGlyphs(), 2);
  EXPECT_EQ(canvas_.CutExamples(), (std::vector<char32_t>{U'O', U'H'}));
  // In variable pitch the cell is the advance: ink reaching past it (the
  // hook of a j, an underscore) is not counted, a cell too short is.
  canvas_.ResetCutGlyphs();
  char32_t overhang = 0;
  for (char32_t ch : {U'j', U'_', U'/', U'J', U'T', U'f'}) {
    const int advance = canvas_.MeasureChar(ch).width;
    Render(canvas_, latin_, {static_cast<uint8_t>(ch)}, false, advance, th);
    if (canvas_.CutGlyphs() > 0) {
      overhang = ch;
      break;
    }
  }
  ASSERT_NE(overhang, 0u);
  canvas_.ResetCutGlyphs();
  Render(canvas_, latin_, {static_cast<uint8_t>(overhang)}, true, 0, th);
  EXPECT_EQ(canvas_.CutGlyphs(), 0);
  Render(canvas_, latin_, {'O'}, false, ow / 2, th);
  Render(canvas_, latin_, {'H'}, true, 0, th / 2);
  // The examples stop at their limit, the count does not.
  for (size_t i = 0; i < FontCanvas::MaxCutExamples; ++i)
    Render(canvas_, latin_, {'W'}, false, 4, th);
  EXPECT_EQ(canvas_.CutGlyphs(), 2 + static_cast<int>(FontCanvas::MaxCutExamples));
  EXPECT_EQ(canvas_.CutExamples().size(), FontCanvas::MaxCutExamples);
  canvas_.ResetCutGlyphs();
  EXPECT_EQ(canvas_.CutGlyphs(), 0);
  EXPECT_TRUE(canvas_.CutExamples().empty());
}

TEST_F(CanvasTest, EveryTouchedPixelIsInk) {
  // FreeType's own anti-aliased rendering of 'o': every pixel with any
  // coverage at all must be set, not only the dark ones.
  FT_Library library;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face;
  ASSERT_EQ(FT_New_Face(library, testing::LatinFontFile, 0, &face), 0);
  FT_Set_Pixel_Sizes(face, 0, 20);
  ASSERT_EQ(FT_Load_Char(face, 'o', FT_LOAD_RENDER), 0);
  int touched = 0;
  int faint = 0;
  const FT_Bitmap& bm = face->glyph->bitmap;
  for (unsigned r = 0; r < bm.rows; ++r)
    for (unsigned c = 0; c < bm.width; ++c) {
      const unsigned char v = bm.buffer[r * bm.pitch + c];
      touched += v != 0;
      faint += v != 0 && v < 128;
    }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  ASSERT_GT(faint, 0);
  const int th = canvas_.MeasureChar(U'o').height;
  const Bitmap glyph = Render(canvas_, latin_, {'o'}, true, 0, th);
  EXPECT_EQ(glyph.Ink(), touched);
}

TEST_F(CanvasTest, CellsOutsideTheLimitsDrawNothing) {
  std::vector<uint8_t> buffer(GlyphBufferSize);
  EXPECT_EQ(canvas_
                .RenderGlyph(reinterpret_cast<const uint8_t*>("A"), 1, latin_, false, 257, 2048,
                             buffer.data())
                .bytes,
            -1);
  EXPECT_EQ(canvas_
                .RenderGlyph(reinterpret_cast<const uint8_t*>("A"), 1, latin_, false, 8, 2049,
                             buffer.data())
                .bytes,
            -1);
  EXPECT_EQ(canvas_
                .RenderGlyph(reinterpret_cast<const uint8_t*>("A"), 1, latin_, false, 256, 2048,
                             buffer.data())
                .bytes,
            65536);
  FontCanvas empty;
  EXPECT_EQ(
      empty
          .RenderGlyph(reinterpret_cast<const uint8_t*>("A"), 1, latin_, false, 8, 8, buffer.data())
          .bytes,
      -1);
}

TEST_F(CanvasTest, MissingCharacterMeasuresButDrawsNothing) {
  // DejaVu Sans has no Han characters.
  const int th = canvas_.MeasureChar(U'A').height;
  const Bitmap han = Render(canvas_, latin_, {}, true, 0, th);  // empty code
  EXPECT_EQ(han.Ink(), 0);
  std::vector<uint8_t> cell(64, 0xFF);
  EXPECT_EQ(canvas_.DrawChar(U'\u4E2D', 0, 0, 16, 16, cell.data()), 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(cell[i], 0);
  EXPECT_EQ(cell[32], 0xFF);  // nothing beyond the cell is touched
  EXPECT_GT(canvas_.MeasureChar(U'\u4E2D').width, 0);
}

TEST(FontCanvasSelect, FamilyStyleAndSizes) {
  FontCanvas canvas;
  EXPECT_FALSE(canvas.HasFont());
  ASSERT_TRUE(canvas.SelectFont("DejaVu Sans", FontStyle::Bold, 24));
  EXPECT_EQ(canvas.FamilyName(), "DejaVu Sans");
  EXPECT_EQ(canvas.StyleName(), "Bold");
  EXPECT_EQ(canvas.PixelSize(), 24);
  const int boldW = canvas.MeasureChar(U'W').width;
  ASSERT_TRUE(canvas.SelectFont("DejaVu Sans", FontStyle::Regular, 24));
  EXPECT_EQ(canvas.StyleName(), "Book");
  EXPECT_GT(boldW, canvas.MeasureChar(U'W').width);
  // Bigger pixel sizes measure taller.
  const int h24 = canvas.MeasureChar(U'W').height;
  ASSERT_TRUE(canvas.SelectFont("DejaVu Sans", FontStyle::Regular, 48));
  EXPECT_GT(canvas.MeasureChar(U'W').height, h24 + 20);
  // Bad sizes and files keep the previous font.
  EXPECT_FALSE(canvas.SelectFont("DejaVu Sans", FontStyle::Regular, 0));
  EXPECT_FALSE(canvas.SelectFontFile("/nonexistent.ttf", 12));
  EXPECT_FALSE(canvas.SelectFontFile("/etc/hostname", 12));
  EXPECT_EQ(canvas.PixelSize(), 48);
}

TEST(FontCanvasSelect, MissingItalicIsSlanted) {
  // The file is the upright face: asking it for italic slants the strokes,
  // so the ink of 'l' spreads over more columns.
  FontCanvas upright, slanted;
  ASSERT_TRUE(upright.SelectFontFile(testing::LatinFontFile, 40));
  ASSERT_TRUE(slanted.SelectFontFile(testing::LatinFontFile, 40, FontStyle::Italic));
  CodeDecoder d(1252);
  auto columns = [&](FontCanvas& c) {
    const Bitmap b = Render(c, d, {'l'}, false, 40, c.MeasureChar(U'l').height);
    int n = 0;
    for (int x = 0; x < b.w; ++x) {
      bool any = false;
      for (int y = 0; y < b.h; ++y) any |= b.At(x, y);
      n += any;
    }
    return n;
  };
  EXPECT_GT(columns(slanted), columns(upright) + 3);
}

TEST(FontPoints, NinetySixPixelsPerInch) {
  EXPECT_EQ(PointsToPixels(9), 12);
  EXPECT_EQ(PointsToPixels(12), 16);
  EXPECT_EQ(PointsToPixels(10), 13);  // 13.33 rounds down
  EXPECT_EQ(PointsToPixels(0), 0);
}

TEST(CjkGlyph, DrawnFromTheDecodedCharacter) {
  FontCanvas canvas;
  ASSERT_TRUE(canvas.SelectFontFile(testing::CjkFontFile, 24)) << "fonts-wqy-microhei";
  std::vector<uint8_t> cell(72);
  canvas.DrawChar(U'\u4E2D', 0, 0, 24, 24, cell.data());
  Bitmap direct{24, 24, cell};
  ASSERT_GT(direct.Ink(), 20);
  // 中 in each Asian code page: the same character, so the same glyph
  // (drawn at the top-left, as the cell matches the character box or not).
  struct Coded {
    int codePage;
    std::vector<uint8_t> bytes;
  } coded[] = {{936, {0xD6, 0xD0}}, {950, {0xA4, 0xA4}}, {932, {0x92, 0x86}}, {949, {0xF1, 0xE9}}};
  const TextSize box = canvas.MeasureChar(U'\u4E2D');
  for (const Coded& c : coded) {
    CodeDecoder decoder(c.codePage);
    ASSERT_TRUE(decoder.IsValid()) << c.codePage;
    EXPECT_EQ(decoder.Decode(c.bytes.data(), 2), U'\u4E2D') << c.codePage;
    const Bitmap g = Render(canvas, decoder, c.bytes, true, 0, box.height);
    std::vector<uint8_t> expected((box.width + 7) / 8 * box.height);
    canvas.DrawChar(U'\u4E2D', 0, 0, box.width, box.height, expected.data());
    EXPECT_EQ(g.bytes, expected) << c.codePage;
  }
  // The same bytes read as two Western characters draw something else.
  CodeDecoder gbk(936);
  const uint8_t zhong[] = {0xD6, 0xD0};
  std::vector<uint8_t> asGbk(72), asLatin(72);
  canvas.DrawChar(gbk.Decode(zhong, 2), 0, 0, 24, 24, asGbk.data());
  canvas.DrawChar(U'\u00D6', 0, 0, 24, 24, asLatin.data());
  EXPECT_NE(asGbk, asLatin);
}

TEST(CodeDecoding, WindowsCodePages) {
  CodeDecoder w(1252);
  ASSERT_TRUE(w.IsValid());
  const uint8_t euro = 0x80, hole = 0x81, a = 'A', nul = 0;
  EXPECT_EQ(w.Decode(&euro, 1), U'\u20AC');
  EXPECT_EQ(w.Decode(&hole, 1), NoCharacter);
  EXPECT_EQ(w.Decode(&a, 1), U'A');
  EXPECT_EQ(w.Decode(&nul, 1), NoCharacter);
  EXPECT_EQ(w.Decode(nullptr, 1), NoCharacter);
  CodeDecoder gbk(936);
  const uint8_t lead = 0xD6;
  EXPECT_EQ(gbk.Decode(&lead, 1), NoCharacter);  // half a character
  const uint8_t twoLatin[] = {'A', 'B'};
  EXPECT_EQ(gbk.Decode(twoLatin, 2), NoCharacter);  // two characters, not one
  const uint8_t bad[] = {0xFF, 0xFF};
  EXPECT_EQ(gbk.Decode(bad, 2), NoCharacter);
  // After a failed code the next one still decodes.
  const uint8_t zhong[] = {0xD6, 0xD0};
  EXPECT_EQ(gbk.Decode(zhong, 2), U'\u4E2D');
  CodeDecoder sjis(932);
  const uint8_t halfKa = 0xB6;
  EXPECT_EQ(sjis.Decode(&halfKa, 1), U'\uFF76');
  EXPECT_FALSE(CodeDecoder(1234).IsValid());
  EXPECT_FALSE(IsSupportedCodePage(65001));
  EXPECT_TRUE(IsSupportedCodePage(1251));
}

TEST(CodeDecoding, RequestCodePageByEncoding) {
  FontRequest r;
  EXPECT_EQ(EffectiveCodePage(r), 1252);
  r.doubleByte = 1;
  const int pages[] = {950, 936, 949, 932};
  for (int set = 0; set < 4; ++set) {
    r.asianEncoding = static_cast<uint8_t>(set);
    EXPECT_EQ(EffectiveCodePage(r), pages[set]);
  }
  r.codePage = 1250;
  EXPECT_EQ(EffectiveCodePage(r), 1250);
}

std::vector<AsianCode> WalkSet(int set) {
  std::vector<AsianCode> codes;
  AsianCodeCursor cursor(set);
  AsianCode c;
  while (cursor.Next(c)) codes.push_back(c);
  return codes;
}

TEST(AsianSets, CountsOfTheFourSets) {
  const int counts[] = {14854, 24162, 9026, 11500};
  const int half[] = {96, 96, 96, 160};
  for (int set = 0; set < 4; ++set) {
    const auto codes = WalkSet(set);
    EXPECT_EQ(static_cast<int>(codes.size()), counts[set]) << set;
    EXPECT_EQ(AsianGlyphCount(set), counts[set]);
    EXPECT_EQ(AsianHalfWidthCount(set), half[set]);
    int halfSeen = 0;
    for (const AsianCode& c : codes) halfSeen += c.length == 1;
    EXPECT_EQ(halfSeen, half[set]);
  }
  EXPECT_TRUE(WalkSet(4).empty());
  EXPECT_TRUE(WalkSet(-1).empty());
  EXPECT_EQ(AsianGlyphCount(4), 0);
  EXPECT_EQ(AsianEncodingLetter(0), 'T');
  EXPECT_EQ(AsianEncodingLetter(3), 'J');
  EXPECT_EQ(AsianEncodingLetter(9), 0);
}

TEST(AsianSets, JapaneseOrder) {
  const auto codes = WalkSet(AsianJapanese);
  for (int i = 0; i < 96; ++i) EXPECT_EQ(codes[i].bytes[0], 0x20 + i);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(codes[96 + i].bytes[0], 0xA0 + i);
  EXPECT_EQ(codes[160].length, 2);
  EXPECT_EQ(codes[160].bytes[0], 0x81);
  EXPECT_EQ(codes[160].bytes[1], 0x40);
  EXPECT_EQ(codes[160 + 188].bytes[1], 0xFC);
  EXPECT_TRUE(codes[160 + 188].endOfFirstByte);
  EXPECT_EQ(codes[160 + 189].bytes[0], 0x82);
  // First bytes 0xA0..0xDF never lead a full-width code; 0x9F is followed by 0xE0.
  for (size_t i = 160; i < codes.size(); ++i) {
    EXPECT_FALSE(codes[i].bytes[0] >= 0xA0 && codes[i].bytes[0] <= 0xDF);
    if (codes[i].bytes[0] == 0x9F && codes[i].endOfFirstByte) {
      ASSERT_LT(i + 1, codes.size());
      EXPECT_EQ(codes[i + 1].bytes[0], 0xE0);
    }
  }
  EXPECT_EQ(codes.back().bytes[0], 0xFC);
  EXPECT_EQ(codes.back().bytes[1], 0xFC);
  EXPECT_EQ(codes.back().progress, 100);
}

TEST(AsianSets, SecondByteRanges) {
  // Traditional Chinese skips 0x7F..0xA0 as second bytes; Simplified keeps 0x7F.
  const auto tc = WalkSet(AsianTraditionalChinese);
  EXPECT_EQ(tc[96 + 62].bytes[1], 0x7E);
  EXPECT_EQ(tc[96 + 63].bytes[1], 0xA1);
  EXPECT_EQ(tc[96].bytes[0], 0xA1);
  const auto sc = WalkSet(AsianSimplifiedChinese);
  EXPECT_EQ(sc[96].bytes[0], 0x81);
  EXPECT_EQ(sc[96 + 0x3F].bytes[1], 0x7F);
  EXPECT_EQ(sc[96 + 190].bytes[1], 0xFE);
  const auto kr = WalkSet(AsianKorean);
  EXPECT_EQ(kr[96].bytes[1], 0xA0);
  // Progress after each first byte rises to 100 with the set's divisor.
  int rows = 0;
  int last = -1;
  for (const AsianCode& c : sc)
    if (c.endOfFirstByte) {
      ++rows;
      EXPECT_EQ(c.progress, (c.bytes[0] - 0x81) * 100 / 125);
      EXPECT_GE(c.progress, last);
      last = c.progress;
    }
  EXPECT_EQ(rows, 126);
  EXPECT_EQ(last, 100);
}

}  // namespace
}  // namespace varnalux
