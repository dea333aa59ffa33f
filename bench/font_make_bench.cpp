// Makes the complete Simplified Chinese set (24,162 glyphs) at 24 x 24 with
// MakeFont and, in the same run, renders the same codes at the same pixel
// size with a plain FreeType loop that packs them by the same ink rule.
// Prints both times, their ratio, and the peak memory of a 96-glyph and of
// the complete make, each in its own process.
//
//   font_make_bench [FONT_FILE] [PIXEL_SIZE]
#include <ft2build.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "font/asian_sets.h"
#include "font/code_decoder.h"
#include "font/make_font.h"

using namespace varnalux;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* DefaultFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Code {
  char32_t ch;
  int width;  // cell width: half for the single-byte glyphs
};

// The plain loop: load and render each character, set a bit for every
// touched pixel inside the cell. Returns a checksum of the packed bits.
uint64_t PlainLoop(const std::string& fontFile, int pixelSize, int cellHeight,
                   const std::vector<Code>& codes) {
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) != 0) return 0;
  if (FT_New_Face(library, fontFile.c_str(), 0, &face) != 0) return 0;
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
  const int ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
  std::vector<uint8_t> cell(65536);
  uint64_t sum = 0;
  for (const Code& c : codes) {
    const int stride = (c.width + 7) / 8;
    std::memset(cell.data(), 0, static_cast<size_t>(stride * cellHeight));
    if (c.ch != NoCharacter && FT_Load_Char(face, c.ch, FT_LOAD_RENDER) == 0) {
      const FT_Bitmap& bm = face->glyph->bitmap;
      const int left = face->glyph->bitmap_left;
      const int top = ascent - face->glyph->bitmap_top;
      for (int r = 0; r < static_cast<int>(bm.rows); ++r) {
        const int y = top + r;
        if (y < 0 || y >= cellHeight) continue;
        for (int x = 0; x < static_cast<int>(bm.width); ++x) {
          const int px = left + x;
          if (px < 0 || px >= c.width || bm.buffer[r * bm.pitch + x] == 0) continue;
          cell[static_cast<size_t>(y * stride + px / 8)] |= static_cast<uint8_t>(0x80 >> (px % 8));
        }
      }
    }
    for (int i = 0; i < stride * cellHeight; ++i) sum = sum * 31 + cell[static_cast<size_t>(i)];
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return sum;
}

// Resident anonymous memory (heap and stacks, not the mapped font file),
// in KiB, from /proc/self/status.
long AnonKiB() {
  long kib = -1;
  if (FILE* f = fopen("/proc/self/status", "r")) {
    char line[256];
    while (fgets(line, sizeof line, f))
      if (sscanf(line, "RssAnon: %ld", &kib) == 1) break;
    fclose(f);
  }
  return kib;
}

struct Peak {
  long anonKiB = -1;   // largest anonymous memory seen while the font was made
  long totalKiB = -1;  // peak resident memory of the process, font file pages included
};

// Makes one font in a child process and reports its memory.
Peak MeasurePeak(const FontRequest& request, const std::string& fontFile, int pixelSize) {
  const std::string path = request.fileName + ".rss";
  const pid_t pid = fork();
  if (pid == 0) {
    FontCanvas canvas;
    FontRequest r = request;
    r.canvas = &canvas;
    if (!canvas.SelectFontFile(fontFile, pixelSize)) _exit(1);
    long anon = AnonKiB();
    const int code = MakeFont(r, [&](int) { anon = std::max(anon, AnonKiB()); });
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (FILE* f = fopen(path.c_str(), "w")) {
      fprintf(f, "%ld %ld\n", anon, usage.ru_maxrss);
      fclose(f);
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Peak peak;
  if (FILE* f = fopen(path.c_str(), "r")) {
    if (fscanf(f, "%ld %ld", &peak.anonKiB, &peak.totalKiB) != 2) peak = Peak{};
    fclose(f);
  }
  unlink(path.c_str());
  return peak;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string fontFile = argc > 1 ? argv[1] : DefaultFont;
  const int pixelSize = argc > 2 ? atoi(argv[2]) : 24;
  const int cell = pixelSize;
  char folder[] = "/tmp/varnalux-font-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  const std::string out = std::string(folder) + "/sc.bmf";

  FontCanvas canvas;
  if (!canvas.SelectFontFile(fontFile, pixelSize)) {
    fprintf(stderr, "cannot load %s (install fonts-wqy-microhei)\n", fontFile.c_str());
    return 1;
  }
  // The same codes the generator draws, decoded once for the plain loop.
  std::vector<Code> codes;
  CodeDecoder gbk(936);
  AsianCodeCursor cursor(AsianSimplifiedChinese);
  AsianCode code;
  while (cursor.Next(code))
    codes.push_back({gbk.Decode(code.bytes, code.length), code.length == 1 ? cell / 2 : cell});

  FontRequest request;
  request.doubleByte = 1;
  request.asianEncoding = AsianSimplifiedChinese;
  request.cellWidth = cell;
  request.cellHeight = cell;
  request.fileName = out;
  request.canvas = &canvas;

  double bestMake = 1e9, bestPlain = 1e9;
  uint64_t sum = 0;
  for (int round = 0; round < 3; ++round) {
    auto t = Clock::now();
    if (MakeFont(request) != MakeFontOk) {
      fprintf(stderr, "MakeFont failed\n");
      return 1;
    }
    bestMake = std::min(bestMake, Seconds(t));
    t = Clock::now();
    sum ^= PlainLoop(fontFile, pixelSize, cell, codes);
    bestPlain = std::min(bestPlain, Seconds(t));
  }
  printf("complete Simplified Chinese set, %zu glyphs at %d x %d, %s\n", codes.size(), cell, cell,
         fontFile.c_str());
  printf("MakeFont:           %.3f s (best of 3, file written)\n", bestMake);
  printf("plain FreeType loop: %.3f s (best of 3, checksum %016llx)\n", bestPlain,
         static_cast<unsigned long long>(sum));
  printf("ratio:              %.2f (goal <= 1.5)\n", bestMake / bestPlain);

  // Peak memory: 96 glyphs against the complete set.
  std::vector<uint8_t> pairs;
  {
    AsianCodeCursor c(AsianSimplifiedChinese);
    AsianCode a;
    while (c.Next(a) && pairs.size() < 192)
      if (a.length == 2) pairs.insert(pairs.end(), {a.bytes[0], a.bytes[1]});
  }
  FontRequest small = request;
  small.byTable = 1;
  small.tableCodes = pairs.data();
  small.tableCount = 96;
  small.canvas = nullptr;
  small.fileName = std::string(folder) + "/small.bmf";
  FontRequest full = request;
  full.canvas = nullptr;
  const Peak smallPeak = MeasurePeak(small, fontFile, pixelSize);
  const Peak fullPeak = MeasurePeak(full, fontFile, pixelSize);
  printf("peak heap memory:   %ld KiB for 96 glyphs, %ld KiB for %zu glyphs\n", smallPeak.anonKiB,
         fullPeak.anonKiB, codes.size());
  printf(
      "peak resident:      %ld KiB for 96 glyphs, %ld KiB for %zu glyphs "
      "(includes the pages of the font file read)\n",
      smallPeak.totalKiB, fullPeak.totalKiB, codes.size());
  unlink(out.c_str());
  unlink((std::string(folder) + "/small.bmf").c_str());
  rmdir(folder);
  return 0;
}
