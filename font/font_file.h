// Reads a printer bitmap font file back, for checking it before a download
// and for drawing its glyphs. Every number in the file is checked against
// the file's size: a damaged or hostile file gives an error, never a read
// outside the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnalux {

// Files larger than this are not read.
inline constexpr size_t MaxFontFileSize = 256u << 20;

struct FontFileHeader {
  bool variablePitch = false;
  bool doubleByte = false;
  bool hasIndex = false;
  bool italic = false;
  int cellHeight = 0;
  int cellWidth = 0;
  int charStart = 0;
  int charEnd = 0;
  uint8_t asianLetter = 0;  // 'T', 'G', 'K', 'J' or 0
  int glyphCount = 0;       // as the header says
  int italicWidth = 0;
};

struct FontFileGlyph {
  uint8_t code[2] = {0, 0};
  int codeLength = 1;  // 1 or 2 bytes
  int width = 0;       // pixels
  int height = 0;
  size_t bitmap = 0;   // offset of the bitmap rows in the file
};

class FontFile {
 public:
  // Reads and checks a file; false with a reason in error.
  bool Load(const std::string& path, std::string& error);
  // Checks bytes already in memory.
  bool Parse(std::vector<uint8_t> bytes, std::string& error);

  const FontFileHeader& Header() const { return header_; }
  const std::vector<FontFileGlyph>& Glyphs() const { return glyphs_; }
  size_t Size() const { return bytes_.size(); }
  // Remarks about a readable file that a technician should see (a count in
  // the header that differs from the glyphs present, bytes after the last
  // glyph).
  const std::vector<std::string>& Notes() const { return notes_; }
  // One pixel of a glyph; x < width, y < height.
  bool Pixel(const FontFileGlyph& glyph, int x, int y) const;

 private:
  bool Fail(std::string& error, const std::string& reason);
  FontFileHeader header_;
  std::vector<FontFileGlyph> glyphs_;
  std::vector<uint8_t> bytes_;
  std::vector<std::string> notes_;
};

// "Traditional Chinese" ... for a header letter, "" for none.
const char* AsianSetName(uint8_t letter);

}  // namespace varnalux
