#include "font/font_file.h"

#include <cstdio>
#include <utility>

#include "base/input_file.h"
#include "font/asian_sets.h"

namespace varnalux {

namespace {

constexpr size_t HeaderSize = 32;
constexpr size_t IndexEntrySize = 6;

int U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

size_t BitmapBytes(int w, int h) {
  return (static_cast<size_t>(w) + 7) / 8 * static_cast<size_t>(h);
}

int SetOfLetter(uint8_t letter) {
  for (int set = 0; set < 4; ++set)
    if (AsianEncodingLetter(set) == letter) return set;
  return -1;
}

}  // namespace

const char* AsianSetName(uint8_t letter) {
  switch (letter) {
    case 'T': return "Traditional Chinese";
    case 'G': return "Simplified Chinese";
    case 'K': return "Korean";
    case 'J': return "Japanese";
    default: return "";
  }
}

bool FontFile::Fail(std::string& error, const std::string& reason) {
  error = reason;
  glyphs_.clear();
  bytes_.clear();
  return false;
}

bool FontFile::Load(const std::string& path, std::string& error) {
  // Regular files only, their size checked before a byte is read: a FIFO
  // cannot hold the reading up and a huge file is refused at once.
  InputFile file;
  switch (file.Open(path, MaxFontFileSize)) {
    case InputFileResult::Ok: break;
    case InputFileResult::NotRegular: return Fail(error, "not a regular file");
    case InputFileResult::TooLarge: return Fail(error, "the file is larger than any font file");
    default: return Fail(error, "cannot open the file");
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
  size_t at = 0;
  for (;;) {
    size_t n = 0;
    const InputFileResult read = file.Read(bytes.data() + at, bytes.size() - at, n);
    if (read == InputFileResult::SizeChanged) return Fail(error, "the file changed while it was read");
    if (read != InputFileResult::Ok) return Fail(error, "cannot read the file");
    if (n == 0) break;
    at += n;
  }
  return Parse(std::move(bytes), error);
}

bool FontFile::Parse(std::vector<uint8_t> bytes, std::string& error) {
  bytes_ = std::move(bytes);
  glyphs_.clear();
  notes_.clear();
  header_ = FontFileHeader{};
  const std::vector<uint8_t>& b = bytes_;
  const size_t size = b.size();
  if (size > MaxFontFileSize) return Fail(error, "the file is larger than any font file");
  if (size < HeaderSize) return Fail(error, "the file is shorter than a font header");
  if (b[0] != 'B') return Fail(error, "not a font file (the first byte is not B)");
  for (int i = 1; i <= 4; ++i)
    if (b[i] > 1) return Fail(error, "header byte " + std::to_string(i) + " is neither 0 nor 1");
  FontFileHeader& h = header_;
  h.variablePitch = b[1] == 1;
  h.doubleByte = b[2] == 1;
  h.hasIndex = b[3] == 1;
  h.italic = b[4] == 1;
  h.cellHeight = U16(b, 5);
  h.cellWidth = U16(b, 7);
  h.charStart = U16(b, 9);
  h.charEnd = U16(b, 11);
  h.asianLetter = b[13];
  h.glyphCount = U16(b, 15);
  h.italicWidth = U16(b, 17);
  const int height = h.cellHeight;

  if (h.hasIndex) {
    const size_t n = static_cast<size_t>(h.glyphCount);
    const size_t first = HeaderSize + n * IndexEntrySize;
    if (first > size) return Fail(error, "the index table runs past the end of the file");
    glyphs_.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      const size_t e = HeaderSize + i * IndexEntrySize;
      FontFileGlyph g;
      g.code[0] = b[e];
      g.code[1] = h.doubleByte ? b[e + 1] : 0;
      g.codeLength = h.doubleByte ? 2 : 1;
      g.height = height;
      size_t at = U32(b, e + 2);
      const std::string which = "glyph " + std::to_string(i);
      if (at < first || at > size) return Fail(error, which + " starts outside the glyph records");
      if (h.variablePitch) {
        if (size - at < 2) return Fail(error, which + " has no room for its width");
        g.width = U16(b, at);
        at += 2;
      } else {
        g.width = h.cellWidth;
      }
      if (BitmapBytes(g.width, height) > size - at)
        return Fail(error, which + " runs past the end of the file");
      g.bitmap = at;
      glyphs_.push_back(g);
    }
    return true;
  }

  // No index: the records follow each other, one per code of the range or
  // of the complete Asian set.
  size_t at = HeaderSize;
  auto take = [&](FontFileGlyph g, int fixedWidth, std::string& err) {
    const std::string which = "glyph " + std::to_string(glyphs_.size());
    g.height = height;
    if (h.variablePitch) {
      if (size - at < 2) {
        err = which + " has no room for its width";
        return false;
      }
      g.width = U16(b, at);
      at += 2;
    } else {
      g.width = fixedWidth;
    }
    if (BitmapBytes(g.width, height) > size - at) {
      err = which + " runs past the end of the file";
      return false;
    }
    g.bitmap = at;
    at += BitmapBytes(g.width, height);
    glyphs_.push_back(g);
    return true;
  };

  if (h.doubleByte) {
    const int set = SetOfLetter(h.asianLetter);
    if (set < 0) {
      if (size == HeaderSize) return true;
      return Fail(error, "a double-byte font without an index needs an Asian set letter");
    }
    if (h.variablePitch) return Fail(error, "a complete Asian set cannot be variable pitch");
    const int count = AsianGlyphCount(set);
    if (h.glyphCount != count)
      notes_.push_back("the header counts " + std::to_string(h.glyphCount) + " glyphs; the " +
                       AsianSetName(h.asianLetter) + " set has " + std::to_string(count));
    glyphs_.reserve(static_cast<size_t>(count));
    AsianCodeCursor cursor(set);
    AsianCode code;
    std::string err;
    while (cursor.Next(code)) {
      FontFileGlyph g;
      g.code[0] = code.bytes[0];
      g.code[1] = code.bytes[1];
      g.codeLength = code.length;
      if (!take(g, code.length == 1 ? h.cellWidth / 2 : h.cellWidth, err)) return Fail(error, err);
    }
  } else {
    const int n = h.glyphCount;
    if (n > 0 && h.charStart + n - 1 > 255)
      return Fail(error, "the range and the glyph count go past code 255");
    if (h.charEnd - h.charStart + 1 != n)
      notes_.push_back("the header counts " + std::to_string(n) + " glyphs for the range " +
                       std::to_string(h.charStart) + "-" + std::to_string(h.charEnd));
    glyphs_.reserve(static_cast<size_t>(n));
    std::string err;
    for (int i = 0; i < n; ++i) {
      FontFileGlyph g;
      g.code[0] = static_cast<uint8_t>(h.charStart + i);
      if (!take(g, h.cellWidth, err)) return Fail(error, err);
    }
  }
  if (at != size)
    notes_.push_back(std::to_string(size - at) + " bytes follow the last glyph");
  return true;
}

bool FontFile::Pixel(const FontFileGlyph& glyph, int x, int y) const {
  if (x < 0 || y < 0 || x >= glyph.width || y >= glyph.height) return false;
  const size_t stride = (static_cast<size_t>(glyph.width) + 7) / 8;
  const size_t at = glyph.bitmap + static_cast<size_t>(y) * stride + static_cast<size_t>(x) / 8;
  if (at >= bytes_.size()) return false;
  return (bytes_[at] >> (7 - x % 8)) & 1;
}

}  // namespace varnalux
