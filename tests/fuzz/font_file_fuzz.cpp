// Bitmap font files from anywhere, as font-info and font-sheet read them:
// the header, the glyph records checked against the file's bytes, and the
// sheet drawn from a file that was accepted (for pictures of at most
// SheetPixelsDrawn pixels, so that each input stays quick). Each glyph's
// pixels must appear in its box of the sheet, and nothing else in ink.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "font/asian_sets.h"
#include "font/font_file.h"
#include "font/font_sheet.h"

using namespace varnalux;

namespace {

constexpr int64_t SheetPixelsDrawn = 1 << 16;
std::string fontFile;

void Check(bool condition) {
  if (!condition) abort();
}

void RemoveFontFile() { unlink(fontFile.c_str()); }

int U16(const uint8_t* b, size_t at) { return b[at] | b[at + 1] << 8; }

size_t BitmapBytes(int w, int h) { return (static_cast<size_t>(w) + 7) / 8 * static_cast<size_t>(h); }

bool Bit(const uint8_t* data, const FontFileGlyph& g, int x, int y) {
  const size_t stride = (static_cast<size_t>(g.width) + 7) / 8;
  return (data[g.bitmap + static_cast<size_t>(y) * stride + static_cast<size_t>(x) / 8] >>
          (7 - x % 8)) & 1;
}

void CheckAccepted(const FontFile& file, const uint8_t* data, size_t size) {
  const FontFileHeader& h = file.Header();
  Check(file.Size() == size);
  Check(h.variablePitch == (data[1] == 1) && h.doubleByte == (data[2] == 1));
  Check(h.hasIndex == (data[3] == 1) && h.italic == (data[4] == 1));
  Check(h.cellHeight == U16(data, 5) && h.cellWidth == U16(data, 7));
  Check(h.charStart == U16(data, 9) && h.charEnd == U16(data, 11));
  Check(h.asianLetter == data[13] && h.glyphCount == U16(data, 15));
  Check(h.italicWidth == U16(data, 17));

  const std::vector<FontFileGlyph>& glyphs = file.Glyphs();
  if (h.hasIndex) {
    // One glyph per index entry, with the entry's code.
    Check(glyphs.size() == static_cast<size_t>(h.glyphCount));
    for (size_t i = 0; i < glyphs.size(); ++i) {
      Check(glyphs[i].code[0] == data[32 + 6 * i]);
      Check(glyphs[i].code[1] == (h.doubleByte ? data[33 + 6 * i] : 0));
    }
  }
  if (!h.hasIndex && h.doubleByte && !glyphs.empty()) {
    // The whole Asian set the header's letter names, whatever it counts.
    int set = -1;
    for (int s = 0; s < 4; ++s)
      if (AsianEncodingLetter(s) == h.asianLetter) set = s;
    Check(set >= 0 && glyphs.size() == static_cast<size_t>(AsianGlyphCount(set)));
  }
  if (!h.hasIndex && !h.doubleByte) {
    Check(glyphs.size() == static_cast<size_t>(h.glyphCount));
    for (size_t i = 0; i < glyphs.size(); ++i)
      Check(glyphs[i].code[0] == h.charStart + static_cast<int>(i));
  }
  size_t end = 32;  // where the records of a file without an index end
  for (const FontFileGlyph& g : glyphs) {
    // Every record lies inside the file.
    Check(g.height == h.cellHeight);
    if (!h.doubleByte || h.hasIndex) Check(g.codeLength == (h.doubleByte ? 2 : 1));
    Check(g.codeLength == 1 || g.codeLength == 2);
    Check(g.bitmap <= size && BitmapBytes(g.width, g.height) <= size - g.bitmap);
    // A fixed-pitch cell; the half-width codes of a complete Asian set take
    // half of it.
    const bool half = h.doubleByte && !h.hasIndex && g.codeLength == 1;
    if (!h.variablePitch) Check(g.width == (half ? h.cellWidth / 2 : h.cellWidth));
    if (h.variablePitch) {
      Check(g.bitmap >= 2 && U16(data, g.bitmap - 2) == g.width);
    }
    if (!h.hasIndex) {
      // One record after the other.
      Check(g.bitmap == end + (h.variablePitch ? 2 : 0));
      end = g.bitmap + BitmapBytes(g.width, g.height);
    }
    for (int y = 0; y < g.height && y < 4; ++y)
      for (int x = 0; x < g.width && x < 64; ++x) Check(file.Pixel(g, x, y) == Bit(data, g, x, y));
    Check(!file.Pixel(g, g.width, 0) && !file.Pixel(g, 0, g.height) && !file.Pixel(g, -1, 0));
  }
  if (!h.hasIndex) {
    const auto& notes = file.Notes();
    const bool trailing = std::any_of(notes.begin(), notes.end(), [](const std::string& n) {
      return n.find("bytes follow the last glyph") != std::string::npos;
    });
    Check(trailing == (end != size));
  }
}

void CheckSheet(const FontFile& file, const uint8_t* data) {
  const std::vector<FontFileGlyph>& glyphs = file.Glyphs();
  for (int columns : {16, 3}) {
    FontSheet sheet(file, columns);
    if (glyphs.empty()) {
      Check(!sheet.Fits());
      continue;
    }
    if (!sheet.Fits()) {
      Check(int64_t{sheet.Width()} * sheet.Height() == 0);
      continue;
    }
    const int64_t pixels = int64_t{sheet.Width()} * sheet.Height();
    Check(pixels <= MaxSheetPixels);
    if (pixels > SheetPixelsDrawn) continue;
    const int w = sheet.Width();
    std::vector<uint8_t> image(static_cast<size_t>(pixels));
    for (int y = 0; y < sheet.Height(); ++y) sheet.RenderRow(y, image.data() + int64_t{y} * w);
    size_t inked = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
      const FontFileGlyph& g = glyphs[i];
      const int gx = sheet.GlyphX(static_cast<int>(i));
      const int gy = sheet.GlyphY(static_cast<int>(i));
      Check(gx >= 0 && gy >= 0 && gx + g.width <= w && gy + g.height <= sheet.Height());
      for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
          const bool ink = image[static_cast<size_t>(gy + y) * w + gx + x] == SheetInk;
          Check(ink == Bit(data, g, x, y));
          inked += ink;
        }
    }
    // Ink only where a glyph has a pixel.
    Check(static_cast<size_t>(std::count(image.begin(), image.end(), SheetInk)) == inked);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = folder + "/varnalux-fuzz-font-XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back(0);
  int fd = mkstemp(path.data());
  if (fd < 0) abort();
  close(fd);
  fontFile = path.data();
  atexit(RemoveFontFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FontFile file;
  std::string error;
  const bool parsed = file.Parse(std::vector<uint8_t>(data, data + size), error);
  if (!parsed) {
    Check(!error.empty());
    Check(file.Glyphs().empty() && file.Size() == 0);
  } else {
    Check(size >= 32 && data[0] == 'B');
    CheckAccepted(file, data, size);
    CheckSheet(file, data);
  }

  // Read from a file (as font-info does), the same judgement.
  FILE* f = fopen(fontFile.c_str(), "wb");
  if (f == nullptr) abort();
  const bool written = fwrite(data, 1, size, f) == size;
  if (fclose(f) != 0 || !written) abort();
  FontFile loaded;
  std::string loadError;
  Check(loaded.Load(fontFile, loadError) == parsed);
  Check(loadError == error);
  if (parsed) {
    Check(loaded.Glyphs().size() == file.Glyphs().size());
    Check(loaded.Notes() == file.Notes());
  }
  return 0;
}
