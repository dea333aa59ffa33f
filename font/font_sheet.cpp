#include "font/font_sheet.h"

#include <algorithm>
#include <cstring>

namespace varnalux {

namespace {

// Hexadecimal digits, 3 x 5 pixels, one row of 3 bits per byte.
constexpr uint8_t Digits[16][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
    {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2},
    {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {2, 5, 7, 5, 5}, {6, 5, 6, 5, 6},
    {7, 4, 4, 4, 7}, {6, 5, 5, 5, 6}, {7, 4, 6, 4, 7}, {7, 4, 6, 4, 4},
};
constexpr int DigitWidth = 4;   // 3 pixels and a gap
constexpr int LabelHeight = 7;  // 5 pixels, a gap above and below
constexpr int Pad = 1;

}  // namespace

FontSheet::FontSheet(const FontFile& file, int columns)
    : file_(file), columns_(std::max(1, columns)) {
  const auto& glyphs = file_.Glyphs();
  const int n = static_cast<int>(glyphs.size());
  int widest = DigitWidth * 4;
  for (const FontFileGlyph& g : glyphs) widest = std::max(widest, g.width);
  boxWidth_ = widest + 2 * Pad;
  boxHeight_ = LabelHeight + file_.Header().cellHeight + Pad;
  rows_ = (n + columns_ - 1) / columns_;
  const int used = std::min(n, columns_);
  // One grid line before each box and after the last.
  const int64_t w = static_cast<int64_t>(used) * (boxWidth_ + 1) + 1;
  const int64_t h = static_cast<int64_t>(rows_) * (boxHeight_ + 1) + 1;
  if (n > 0 && w * h <= MaxSheetPixels) {
    width_ = static_cast<int>(w);
    height_ = static_cast<int>(h);
  }
}

bool FontSheet::Fits() const { return width_ > 0 && height_ > 0; }

int FontSheet::GlyphX(int i) const { return (i % columns_) * (boxWidth_ + 1) + 1 + Pad; }
int FontSheet::GlyphY(int i) const { return (i / columns_) * (boxHeight_ + 1) + 1 + LabelHeight; }

void FontSheet::RenderRow(int y, uint8_t* row) const {
  if (!Fits() || y < 0 || y >= height_) return;
  const int pitchY = boxHeight_ + 1;
  if (y % pitchY == 0) {
    std::memset(row, SheetGrid, static_cast<size_t>(width_));
    return;
  }
  std::memset(row, SheetPaper, static_cast<size_t>(width_));
  const int gridRow = y / pitchY;
  const int inBox = y % pitchY - 1;  // 0 .. boxHeight_ - 1
  const auto& glyphs = file_.Glyphs();
  for (int c = 0; c < columns_; ++c) {
    const int left = c * (boxWidth_ + 1);
    if (left >= width_) break;
    row[left] = SheetGrid;
    const size_t i = static_cast<size_t>(gridRow) * static_cast<size_t>(columns_) + c;
    if (i >= glyphs.size()) continue;
    const FontFileGlyph& g = glyphs[i];
    const int x0 = left + 1 + Pad;
    if (inBox >= 1 && inBox < 6) {
      // The code, two or four hexadecimal digits.
      const int line = inBox - 1;
      const int digits = g.codeLength * 2;
      for (int d = 0; d < digits; ++d) {
        const uint8_t byte = g.code[d / 2];
        const int value = d % 2 == 0 ? byte >> 4 : byte & 15;
        for (int px = 0; px < 3; ++px)
          if ((Digits[value][line] >> (2 - px)) & 1) row[x0 + d * DigitWidth + px] = SheetLabel;
      }
    } else if (inBox >= LabelHeight) {
      const int gy = inBox - LabelHeight;
      if (gy < g.height)
        for (int x = 0; x < g.width; ++x)
          if (file_.Pixel(g, x, gy)) row[x0 + x] = SheetInk;
    }
  }
  row[width_ - 1] = SheetGrid;
}

}  // namespace varnalux
