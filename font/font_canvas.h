// The rasteriser the font generator draws with: one selected desktop font
// at one pixel size (FreeType, with fontconfig to find a family), measuring
// and drawing one character at a time straight into a packed glyph bitmap.
//
// Drawing follows the ink rule of the font files: every pixel the rasteriser
// touches at all (anti-aliased edges included) is ink; only untouched pixels
// are background.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varnalux {

class CodeDecoder;

enum class FontStyle { Regular = 0, Bold = 1, Italic = 2, BoldItalic = 3 };

// Points to pixels at 96 pixels per inch, rounded to the nearest (9 -> 12).
int PointsToPixels(double points);

struct TextSize {
  int width = 0;   // advance width in pixels (tw)
  int height = 0;  // line height, ascent plus descent, in pixels (th)
};

struct GlyphSize {
  int bytes = 0;  // bytes of the packed bitmap: (width + 7) / 8 * height
  int width = 0;  // glyph width w
  // What the glyph lacks: decoded is false when a byte of the code is not
  // a character of the code page; inFont is false when a character it
  // decoded to is not in the font (control characters, which no font
  // draws, and the empty text of code 0 lack nothing). Either way the
  // missing part is drawn blank.
  bool decoded = true;
  bool inFont = true;
};

// The installed face fontconfig finds for a family and style.
struct FontMatch {
  std::string file;  // "" when nothing was found
  int faceIndex = 0;
  std::string family;  // the face's first family name
  std::string style;
  // The face belongs to the family asked: one of its family names, in any
  // language, is the name asked (letter case and blanks aside), or the name
  // asked is a generic family such as sans-serif or monospace. False when
  // fontconfig substituted another family.
  bool named = false;
};
FontMatch MatchFontFamily(const std::string& family, FontStyle style, int pixelSize);

class FontCanvas {
 public:
  FontCanvas();
  ~FontCanvas();
  FontCanvas(const FontCanvas&) = delete;
  FontCanvas& operator=(const FontCanvas&) = delete;

  // Selects the installed font fontconfig matches best for the family and
  // style, at pixelSize pixels per em. A style the face does not have is
  // made up (emboldened, slanted). False when no font could be loaded or the
  // size is outside 1..CanvasSize; the previous font then stays selected.
  bool SelectFont(const std::string& family, FontStyle style, int pixelSize);
  // Selects a font file (face 0, or faceIndex of a collection).
  bool SelectFontFile(const std::string& path, int pixelSize, FontStyle style = FontStyle::Regular,
                      int faceIndex = 0);

  bool HasFont() const;
  std::string FamilyName() const;  // as the face names itself
  std::string StyleName() const;
  std::string FilePath() const;
  int FaceIndex() const;           // of the face in its file
  FontStyle Style() const;         // the requested style
  int PixelSize() const;

  // The size of one character / of a one- or two-byte code decoded with the
  // decoder (the sum of the advances of its text, see CodeText; 0 for the
  // empty text of code 0). A character the font lacks (or a code that does
  // not decode) measures as the font's missing-glyph box but draws nothing.
  TextSize MeasureChar(char32_t ch);
  TextSize MeasureCode(const uint8_t* code, int length, const CodeDecoder& decoder);

  // Draws the character with its top-left at (x, y) into a cell of w x h
  // pixels packed one bit per pixel, rows of (w + 7) / 8 bytes, leftmost
  // pixel in bit 7; the cell is cleared first and everything outside it is
  // cut. The buffer must hold (w + 7) / 8 * h bytes. Returns that size.
  int DrawChar(char32_t ch, int x, int y, int w, int h, uint8_t* cell);

  // One glyph of a font file: measures the code's text (one character, or
  // the characters of a pair that is not one), centres it in a fixed
  // cell (odd spare pixel on the right; a wider character is drawn from the
  // left edge and cut), centres it vertically when the cell is taller, and
  // packs it into glyphBuffer. In variable pitch the glyph is as wide as
  // the character. Returns the bitmap size and width; bytes is -1 when no
  // font is selected or the glyph does not fit CanvasSize or GlyphBufferSize
  // (nothing is drawn then).
  GlyphSize RenderGlyph(const uint8_t* code, int length, const CodeDecoder& decoder,
                        bool variablePitch, int cellWidth, int cellHeight, uint8_t* glyphBuffer);

  // Glyphs drawn by RenderGlyph since the last ResetCutGlyphs whose ink did
  // not all fit the cell the request asked for (wider or taller than the
  // cell, or reaching past its left or top edge), and the characters of the
  // first MaxCutExamples of them, in drawing order. In variable pitch only
  // a cell too short counts: the cell is as wide as the character's
  // advance, and ink reaching past the advance is the face's design.
  static constexpr size_t MaxCutExamples = 12;
  int CutGlyphs() const;
  const std::vector<char32_t>& CutExamples() const;
  void ResetCutGlyphs();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace varnalux
