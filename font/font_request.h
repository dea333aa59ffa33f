// The request record of one font making: filled by the font page (or the
// command-line tool) and consumed by MakeFont.
#pragma once

#include <cstdint>
#include <string>

namespace varnalux {

class FontCanvas;

// Asian character sets, in the order of the page's "Asian Font Encode" group.
inline constexpr int AsianTraditionalChinese = 0;
inline constexpr int AsianSimplifiedChinese = 1;
inline constexpr int AsianKorean = 2;
inline constexpr int AsianJapanese = 3;

// Limits of one glyph: the packed bitmap must fit the working glyph buffer,
// and neither side may exceed the drawing surface.
inline constexpr int GlyphBufferSize = 65536;
inline constexpr int CanvasSize = 2048;

// Code page used for single-byte fonts unless the request names another.
inline constexpr int DefaultSingleByteCodePage = 1252;

struct FontRequest {
  uint8_t doubleByte = 0;     // 1: codes are byte pairs
  uint8_t variablePitch = 0;  // 1: each cell as wide as its character
  uint8_t asianEncoding = 0;  // AsianTraditionalChinese..AsianJapanese
  int32_t charStart = 0;      // single-byte range, inclusive
  int32_t charEnd = 0;
  int32_t cellWidth = 0;      // pixels
  int32_t cellHeight = 0;     // pixels
  int32_t italicWidth = 0;    // pixels, recorded in the header only
  int32_t charCount = 0;      // set by the writers on their working copy
  uint8_t byTable = 0;        // 1: codes come from tableCodes
  const uint8_t* tableCodes = nullptr;  // one byte per code, or pairs
  int32_t tableCount = 0;     // number of codes (pairs for double-byte)
  std::string fileName;       // the font file to create
  FontCanvas* canvas = nullptr;  // the rasteriser with the selected font
  // Windows code page the codes are decoded with before drawing. 0 chooses:
  // 1252 for single-byte fonts, the Asian set's code page (950, 936, 949,
  // 932 by asianEncoding) for double-byte fonts.
  int32_t codePage = 0;
  // 1: whatever is at fileName is replaced, a symbolic link included, and
  // nothing is written through a link planted there (for temporary files in
  // shared folders). 0: a link is followed and its target replaced.
  uint8_t replaceLink = 0;
};

// The code page the request's codes are decoded with (see codePage).
int EffectiveCodePage(const FontRequest& request);

}  // namespace varnalux
