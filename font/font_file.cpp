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

// One glyph's record at `at`: its width (variable pitch) and its bitmap,
// which must end inside the file. The problem, or empty.
std::string ReadRecord(const std::vector<uint8_t>& b, size_t& at, bool variablePitch,
                       int fixedWidth, FontFileGlyph& g, size_t index) {
  const size_t size = b.size();
  const std::string which = "glyph " + std::to_string(index);
  if (variablePitch) {
    if (size - at < 2) return which + " has no room for its width";
    g.width = U16(b, at);
    at += 2;
  } else {
    g.width = fixedWidth;
  }
  if (BitmapBytes(g.width, g.height) > size - at) return which + " runs past the end of the file";
  g.bitmap = at;
  return {};
}

std::string ReadHeader(const std::vector<uint8_t>& b, FontFileHeader& h) {
  const size_t size = b.size();
  if (size > MaxFontFileSize) return "the file is larger than any font file";
  if (size < HeaderSize) return "the file is shorter than a font header";
  if (b[0] != 'B') return "not a font file (the first byte is not B)";
  for (int i = 1; i <= 4; ++i)
    if (b[i] > 1) return "header byte " + std::to_string(i) + " is neither 0 nor 1";
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
  return {};
}

// An index table names each glyph's code and where its record starts.
std::string ReadIndexedGlyphs(const std::vector<uint8_t>& b, const FontFileHeader& h,
                              std::vector<FontFileGlyph>& glyphs) {
  const size_t n = static_cast<size_t>(h.glyphCount);
  const size_t first = HeaderSize + n * IndexEntrySize;
  if (first > b.size()) return "the index table runs past the end of the file";
  glyphs.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const size_t e = HeaderSize + i * IndexEntrySize;
    FontFileGlyph g;
    g.code[0] = b[e];
    g.code[1] = h.doubleByte ? b[e + 1] : 0;
    g.codeLength = h.doubleByte ? 2 : 1;
    g.height = h.cellHeight;
    size_t at = U32(b, e + 2);
    if (at < first || at > b.size())
      return "glyph " + std::to_string(i) + " starts outside the glyph records";
    if (std::string problem = ReadRecord(b, at, h.variablePitch, h.cellWidth, g, i);
        !problem.empty())
      return problem;
    glyphs.push_back(g);
  }
  return {};
}

// Without an index the records follow each other from the header on.
struct RecordRun {
  const std::vector<uint8_t>& b;
  const FontFileHeader& h;
  std::vector<FontFileGlyph>& glyphs;
  size_t at = HeaderSize;

  std::string Take(FontFileGlyph g, int fixedWidth) {
    g.height = h.cellHeight;
    if (std::string problem = ReadRecord(b, at, h.variablePitch, fixedWidth, g, glyphs.size());
        !problem.empty())
      return problem;
    at += BitmapBytes(g.width, g.height);
    glyphs.push_back(g);
    return {};
  }

  void NoteTail(std::vector<std::string>& notes) const {
    if (at != b.size())
      notes.push_back(std::to_string(b.size() - at) + " bytes follow the last glyph");
  }
};

// One record per code of a complete Asian set, in the set's order.
std::string ReadAsianSetGlyphs(const std::vector<uint8_t>& b, const FontFileHeader& h,
                               std::vector<FontFileGlyph>& glyphs,
                               std::vector<std::string>& notes) {
  const int set = SetOfLetter(h.asianLetter);
  if (set < 0) {
    if (b.size() == HeaderSize) return {};
    return "a double-byte font without an index needs an Asian set letter";
  }
  if (h.variablePitch) return "a complete Asian set cannot be variable pitch";
  const int count = AsianGlyphCount(set);
  if (h.glyphCount != count)
    notes.push_back("the header counts " + std::to_string(h.glyphCount) + " glyphs; the " +
                    AsianSetName(h.asianLetter) + " set has " + std::to_string(count));
  glyphs.reserve(static_cast<size_t>(count));
  RecordRun run{b, h, glyphs};
  AsianCodeCursor cursor(set);
  AsianCode code;
  while (cursor.Next(code)) {
    FontFileGlyph g;
    g.code[0] = code.bytes[0];
    g.code[1] = code.bytes[1];
    g.codeLength = code.length;
    std::string problem = run.Take(g, code.length == 1 ? h.cellWidth / 2 : h.cellWidth);
    if (!problem.empty()) return problem;
  }
  run.NoteTail(notes);
  return {};
}

// One record per single-byte code of the header's range.
std::string ReadRangeGlyphs(const std::vector<uint8_t>& b, const FontFileHeader& h,
                            std::vector<FontFileGlyph>& glyphs, std::vector<std::string>& notes) {
  const int n = h.glyphCount;
  if (n > 0 && h.charStart + n - 1 > 255) return "the range and the glyph count go past code 255";
  if (h.charEnd - h.charStart + 1 != n)
    notes.push_back("the header counts " + std::to_string(n) + " glyphs for the range " +
                    std::to_string(h.charStart) + "-" + std::to_string(h.charEnd));
  glyphs.reserve(static_cast<size_t>(n));
  RecordRun run{b, h, glyphs};
  for (int i = 0; i < n; ++i) {
    FontFileGlyph g;
    g.code[0] = static_cast<uint8_t>(h.charStart + i);
    if (std::string problem = run.Take(g, h.cellWidth); !problem.empty()) return problem;
  }
  run.NoteTail(notes);
  return {};
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
  std::string problem = ReadHeader(b, header_);
  if (problem.empty()) {
    if (header_.hasIndex)
      problem = ReadIndexedGlyphs(b, header_, glyphs_);
    else if (header_.doubleByte)
      problem = ReadAsianSetGlyphs(b, header_, glyphs_, notes_);
    else
      problem = ReadRangeGlyphs(b, header_, glyphs_, notes_);
  }
  if (!problem.empty()) return Fail(error, problem);
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
