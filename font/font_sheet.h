// A picture of a font file's glyphs as the printer prints them: a grid of
// boxes, each with the code in hexadecimal above the glyph's pixels. Rows
// of the picture are drawn one at a time, so even a complete Asian set
// needs no more memory than one row.
#pragma once

#include <cstdint>

#include "font/font_file.h"

namespace varnalux {

// Grey levels of the picture.
inline constexpr uint8_t SheetInk = 0;
inline constexpr uint8_t SheetLabel = 96;
inline constexpr uint8_t SheetGrid = 176;
inline constexpr uint8_t SheetPaper = 255;

// Pictures larger than this many pixels are not drawn.
inline constexpr int64_t MaxSheetPixels = int64_t{1} << 30;

class FontSheet {
 public:
  explicit FontSheet(const FontFile& file, int columns = 16);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // False when the picture would exceed MaxSheetPixels (or has no glyphs).
  bool Fits() const;
  // Draws row y, Width() grey bytes.
  void RenderRow(int y, uint8_t* row) const;

  // Top-left corner of glyph i's pixels in the picture.
  int GlyphX(int i) const;
  int GlyphY(int i) const;

 private:
  const FontFile& file_;
  int columns_;
  int rows_ = 0;
  int boxWidth_ = 0;   // inside the grid lines
  int boxHeight_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace varnalux
