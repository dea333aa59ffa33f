#include "font/font_canvas.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_SYNTHESIS_H

#include <cmath>
#include <cstring>

#include "font/code_decoder.h"
#include "font/font_request.h"

namespace varnalux {

int PointsToPixels(double points) {
  if (!(points > 0)) return 0;
  const double px = std::floor(points * 96.0 / 72.0 + 0.5);
  return px > CanvasSize ? CanvasSize : static_cast<int>(px);
}

namespace {

// Control codes (C0, DEL, C1) have no picture in any font: a font without a
// glyph for them lacks nothing. NoCharacter (0) is one of them.
bool IsControlCharacter(char32_t ch) { return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F); }

}  // namespace

struct FontCanvas::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  FT_Bitmap converted;  // working bitmap for pixel formats other than 8-bit grey
  std::string path;
  int faceIndex = 0;
  FontStyle style = FontStyle::Regular;
  int pixelSize = 0;
  bool emboldenMissing = false;  // style asks for bold the face lacks
  int ascent = 0;
  int descent = 0;
  int cutGlyphs = 0;
  std::vector<char32_t> cutExamples;

  Impl() {
    FT_Bitmap_Init(&converted);
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~Impl() {
    if (library != nullptr) {
      FT_Bitmap_Done(library, &converted);
      if (face != nullptr) FT_Done_Face(face);
      FT_Done_FreeType(library);
    }
  }

  bool Load(const std::string& file, int index, int px, FontStyle wanted) {
    if (library == nullptr || px < 1 || px > CanvasSize || index < 0) return false;
    FT_Face f = nullptr;
    if (FT_New_Face(library, file.c_str(), index, &f) != 0) return false;
    if (FT_Select_Charmap(f, FT_ENCODING_UNICODE) != 0 && f->charmap == nullptr &&
        f->num_charmaps > 0)
      FT_Set_Charmap(f, f->charmaps[0]);
    bool sized = false;
    if (FT_IS_SCALABLE(f)) {
      sized = FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(px)) == 0;
    } else if (f->num_fixed_sizes > 0) {
      // A bitmap-only face: the strike nearest the asked size.
      int best = 0;
      for (int i = 1; i < f->num_fixed_sizes; ++i)
        if (std::abs(f->available_sizes[i].height - px) <
            std::abs(f->available_sizes[best].height - px))
          best = i;
      sized = FT_Select_Size(f, best) == 0;
    }
    if (!sized) {
      FT_Done_Face(f);
      return false;
    }
    const bool wantBold = wanted == FontStyle::Bold || wanted == FontStyle::BoldItalic;
    const bool wantItalic = wanted == FontStyle::Italic || wanted == FontStyle::BoldItalic;
    const bool hasBold = (f->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    const bool hasItalic = (f->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    if (wantItalic && !hasItalic && FT_IS_SCALABLE(f)) {
      // Slant the outlines by about 12 degrees.
      FT_Matrix shear = {0x10000, 0x0366A, 0, 0x10000};
      FT_Set_Transform(f, &shear, nullptr);
    }
    if (face != nullptr) FT_Done_Face(face);
    face = f;
    path = file;
    faceIndex = index;
    style = wanted;
    pixelSize = px;
    emboldenMissing = wantBold && !hasBold;
    ascent = static_cast<int>((f->size->metrics.ascender + 63) >> 6);
    descent = static_cast<int>((-f->size->metrics.descender + 63) >> 6);
    if (ascent + descent <= 0) {
      ascent = px;
      descent = 0;
    }
    return true;
  }

  // Loads the glyph of ch (the missing-glyph box when the face lacks it, or
  // when ch is NoCharacter) and returns its advance; *drawable tells
  // whether it is the real character. inFont is cleared when ch is a
  // character with a picture the face has no glyph for.
  bool LoadGlyph(char32_t ch, bool render, int& advance, bool& drawable, bool& inFont) {
    FT_UInt index = ch == NoCharacter ? 0 : FT_Get_Char_Index(face, ch);
    if (index == 0 && !IsControlCharacter(ch)) inFont = false;
    drawable = index != 0;
    FT_Int32 flags = FT_LOAD_DEFAULT;
    if (FT_Load_Glyph(face, index, flags) != 0) {
      drawable = false;
      if (index == 0 || FT_Load_Glyph(face, 0, flags) != 0) {
        advance = 0;
        return false;
      }
    }
    if (emboldenMissing) FT_GlyphSlot_Embolden(face->glyph);
    advance = static_cast<int>((face->glyph->advance.x + 32) >> 6);
    if (advance < 0) advance = 0;
    if (render && drawable && face->glyph->format != FT_GLYPH_FORMAT_BITMAP) {
      if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) drawable = false;
    }
    return true;
  }

  // The advance of a code's text: the sum of its characters' advances.
  int TextWidth(const CodeText& text, bool& inFont) {
    int width = 0;
    for (int i = 0; i < text.count; ++i) {
      int advance = 0;
      bool drawable = false;
      LoadGlyph(text.chars[i], false, advance, drawable, inFont);
      width += advance;
    }
    return width;
  }

  // Where ink of a glyph fell outside its cell and was cut.
  static constexpr int CutAcross = 1;  // left or right of the cell
  static constexpr int CutDown = 2;    // above or below the cell

  // Sets the bits of every touched pixel of the loaded glyph, drawn with its
  // origin at (x, y + ascent), inside the w x h cell. Returns where ink fell
  // outside the cell (CutAcross, CutDown), 0 when none did.
  int Blit(int x, int y, int w, int h, uint8_t* cell) {
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap* bm = &slot->bitmap;
    if (bm->pixel_mode != FT_PIXEL_MODE_GRAY && bm->pixel_mode != FT_PIXEL_MODE_MONO) {
      if (FT_Bitmap_Convert(library, bm, &converted, 1) != 0) return 0;
      bm = &converted;
    }
    const int stride = (w + 7) / 8;
    const int left = x + slot->bitmap_left;
    const int top = y + ascent - slot->bitmap_top;
    const int rows = static_cast<int>(bm->rows);
    const int cols = static_cast<int>(bm->width);
    const bool mono = bm->pixel_mode == FT_PIXEL_MODE_MONO;
    // Only the columns and rows that land inside the cell.
    const int c0 = left < 0 ? -left : 0;
    const int c1 = left + cols > w ? w - left : cols;
    const int r0 = top < 0 ? -top : 0;
    const int r1 = top + rows > h ? h - top : rows;
    for (int r = r0; r < r1; ++r) {
      const unsigned char* src = bm->buffer + static_cast<ptrdiff_t>(r) * bm->pitch;
      if (bm->pitch < 0) src = bm->buffer + static_cast<ptrdiff_t>(rows - 1 - r) * -bm->pitch;
      uint8_t* dst = cell + static_cast<size_t>(top + r) * stride;
      for (int c = c0; c < c1; ++c) {
        const bool ink = mono ? (src[c >> 3] & (0x80 >> (c & 7))) != 0 : src[c] != 0;
        if (!ink) continue;
        const int px = left + c;
        dst[px >> 3] |= static_cast<uint8_t>(0x80 >> (px & 7));
      }
    }
    if (c0 == 0 && c1 == cols && r0 == 0 && r1 == rows) return 0;
    // Some of the bitmap lies outside the cell: is any of that ink?
    int cut = 0;
    for (int r = 0; r < rows; ++r) {
      const unsigned char* src = bm->buffer + static_cast<ptrdiff_t>(r) * bm->pitch;
      if (bm->pitch < 0) src = bm->buffer + static_cast<ptrdiff_t>(rows - 1 - r) * -bm->pitch;
      const bool rowInside = r >= r0 && r < r1;
      for (int c = 0; c < cols; ++c) {
        const bool colInside = c >= c0 && c < c1;
        if (rowInside && colInside) continue;
        if (mono ? (src[c >> 3] & (0x80 >> (c & 7))) == 0 : src[c] == 0) continue;
        cut |= (rowInside ? 0 : CutDown) | (colInside ? 0 : CutAcross);
      }
    }
    return cut;
  }

  void NoteCut(char32_t ch) {
    ++cutGlyphs;
    if (cutExamples.size() < MaxCutExamples) cutExamples.push_back(ch);
  }
};

FontCanvas::FontCanvas() : impl_(std::make_unique<Impl>()) {}
FontCanvas::~FontCanvas() = default;

bool FontCanvas::SelectFont(const std::string& family, FontStyle style, int pixelSize) {
  if (pixelSize < 1 || pixelSize > CanvasSize) return false;
  const FontMatch match = MatchFontFamily(family, style, pixelSize);
  return !match.file.empty() && impl_->Load(match.file, match.faceIndex, pixelSize, style);
}

bool FontCanvas::SelectFontFile(const std::string& path, int pixelSize, FontStyle style,
                                int faceIndex) {
  return impl_->Load(path, faceIndex, pixelSize, style);
}

bool FontCanvas::HasFont() const { return impl_->face != nullptr; }

std::string FontCanvas::FamilyName() const {
  return impl_->face && impl_->face->family_name ? impl_->face->family_name : "";
}

std::string FontCanvas::StyleName() const {
  return impl_->face && impl_->face->style_name ? impl_->face->style_name : "";
}

std::string FontCanvas::FilePath() const { return impl_->path; }
int FontCanvas::FaceIndex() const { return impl_->faceIndex; }
FontStyle FontCanvas::Style() const { return impl_->style; }
int FontCanvas::PixelSize() const { return impl_->pixelSize; }

TextSize FontCanvas::MeasureChar(char32_t ch) {
  TextSize size;
  if (!HasFont()) return size;
  bool drawable = false;
  bool inFont = true;
  impl_->LoadGlyph(ch, false, size.width, drawable, inFont);
  size.height = impl_->ascent + impl_->descent;
  return size;
}

TextSize FontCanvas::MeasureCode(const uint8_t* code, int length, const CodeDecoder& decoder) {
  TextSize size;
  if (!HasFont()) return size;
  bool inFont = true;
  size.width = impl_->TextWidth(decoder.DecodeText(code, length), inFont);
  size.height = impl_->ascent + impl_->descent;
  return size;
}

int FontCanvas::DrawChar(char32_t ch, int x, int y, int w, int h, uint8_t* cell) {
  if (w <= 0 || h <= 0) return 0;
  const int size = (w + 7) / 8 * h;
  std::memset(cell, 0, static_cast<size_t>(size));
  if (!HasFont()) return size;
  int advance = 0;
  bool drawable = false;
  bool inFont = true;
  if (impl_->LoadGlyph(ch, true, advance, drawable, inFont) && drawable)
    impl_->Blit(x, y, w, h, cell);
  return size;
}

GlyphSize FontCanvas::RenderGlyph(const uint8_t* code, int length, const CodeDecoder& decoder,
                                  bool variablePitch, int cellWidth, int cellHeight,
                                  uint8_t* glyphBuffer) {
  GlyphSize result{-1, 0};
  if (!HasFont() || cellWidth < 0 || cellHeight < 0) return result;
  const CodeText text = decoder.DecodeText(code, length);
  result.decoded = text.Decoded();
  // One character (nearly every code) is loaded and rendered once; a text
  // of several is measured first and drawn character by character.
  const bool single = text.count == 1;
  int tw = 0;
  bool drawable = false;
  if (single)
    impl_->LoadGlyph(text.chars[0], true, tw, drawable, result.inFont);
  else
    tw = impl_->TextWidth(text, result.inFont);
  const int th = impl_->ascent + impl_->descent;
  const int x0 = !variablePitch && cellWidth > tw ? (cellWidth - tw) / 2 : 0;
  const int y0 = cellHeight > th ? (cellHeight - th) / 2 : 0;
  const int w = variablePitch ? tw : cellWidth;
  const int h = cellHeight;
  result.width = w;
  if (w > CanvasSize || h > CanvasSize ||
      static_cast<int64_t>((w + 7) / 8) * h > GlyphBufferSize)
    return result;
  result.bytes = (w + 7) / 8 * h;
  if (result.bytes == 0) return result;
  std::memset(glyphBuffer, 0, static_cast<size_t>(result.bytes));
  if (single) {
    if (drawable) {
      // A variable-pitch cell is the character's advance by the file's rule,
      // whatever the fields say: ink reaching past it is not the cell's doing.
      const int cut = impl_->Blit(x0, y0, w, h, glyphBuffer);
      if ((variablePitch ? cut & Impl::CutDown : cut) != 0) impl_->NoteCut(text.chars[0]);
    }
    return result;
  }
  int pen = x0;
  int cut = 0;
  for (int i = 0; i < text.count; ++i) {
    int advance = 0;
    bool inFont = true;
    if (impl_->LoadGlyph(text.chars[i], true, advance, drawable, inFont) && drawable)
      cut |= impl_->Blit(pen, y0, w, h, glyphBuffer);
    pen += advance;
  }
  if (text.count > 0 && (variablePitch ? cut & Impl::CutDown : cut) != 0)
    impl_->NoteCut(text.chars[0]);
  return result;
}

namespace {

// Family names compare as fontconfig compares them: letter case and blanks
// do not count.
bool SameFamilyName(const char* a, const char* b) {
  auto next = [](const char*& p) {
    while (*p == ' ') ++p;
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c != 0) ++p;
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  };
  for (;;) {
    const int ca = next(a);
    const int cb = next(b);
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

// Names that ask for the desktop's choice rather than for one family.
bool IsGenericFamily(const std::string& family) {
  for (const char* generic : {"sans-serif", "sans", "serif", "monospace", "mono", "system-ui",
                              "cursive", "fantasy", "emoji", "math"})
    if (SameFamilyName(family.c_str(), generic)) return true;
  return false;
}

}  // namespace

FontMatch MatchFontFamily(const std::string& family, FontStyle style, int pixelSize) {
  FontMatch found;
  // A configuration of its own for each look-up: nothing of fontconfig
  // stays behind in the process once the font is found.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return found;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) {
    FcConfigDestroy(config);
    return found;
  }
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  const bool bold = style == FontStyle::Bold || style == FontStyle::BoldItalic;
  const bool italic = style == FontStyle::Italic || style == FontStyle::BoldItalic;
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) {
    FcConfigDestroy(config);
    return found;
  }
  FcChar8* text = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &text) == FcResultMatch && text != nullptr) {
    found.file = reinterpret_cast<const char*>(text);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &found.faceIndex) != FcResultMatch)
      found.faceIndex = 0;
  }
  if (FcPatternGetString(match, FC_STYLE, 0, &text) == FcResultMatch && text != nullptr)
    found.style = reinterpret_cast<const char*>(text);
  // Every name of the face's family, in every language it carries.
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &text) == FcResultMatch; ++i) {
    if (text == nullptr) continue;
    if (i == 0) found.family = reinterpret_cast<const char*>(text);
    if (SameFamilyName(reinterpret_cast<const char*>(text), family.c_str())) found.named = true;
  }
  if (IsGenericFamily(family)) found.named = true;
  FcPatternDestroy(match);
  FcConfigDestroy(config);
  return found;
}

int FontCanvas::CutGlyphs() const { return impl_->cutGlyphs; }

const std::vector<char32_t>& FontCanvas::CutExamples() const { return impl_->cutExamples; }

void FontCanvas::ResetCutGlyphs() {
  impl_->cutGlyphs = 0;
  impl_->cutExamples.clear();
}

}  // namespace varnalux
