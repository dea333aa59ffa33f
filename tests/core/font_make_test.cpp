// The font files MakeFont writes: header bytes, index tables, record sizes,
// the complete Asian sets, refusals and write failures.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "font/asian_sets.h"
#include "font/code_decoder.h"
#include "font/make_font.h"
#include "font_fixture.h"

namespace varnalux {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::U16;
using testing::U32;

class MakeFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(canvas_.SelectFontFile(testing::LatinFontFile, 20)) << "fonts-dejavu-core";
  }
  FontRequest Range(int start, int end, int w, int h, bool variable) {
    FontRequest r;
    r.charStart = start;
    r.charEnd = end;
    r.cellWidth = w;
    r.cellHeight = h;
    r.variablePitch = variable ? 1 : 0;
    r.fileName = dir_.File("font.bmf");
    r.canvas = &canvas_;
    return r;
  }
  FontCanvas canvas_;
  ScratchDir dir_;
};

TEST_F(MakeFontTest, FixedRangeHeaderAndSize) {
  FontRequest r = Range(32, 127, 24, 24, false);
  r.italicWidth = 6;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto b = ReadBytes(r.fileName);
  ASSERT_EQ(b.size(), 6944u);
  const std::vector<uint8_t> header(b.begin(), b.begin() + 32);
  const std::vector<uint8_t> expected = {'B', 0, 0, 0, 1, 24, 0, 24, 0, 32, 0, 127, 0, 0, 0, 96,
                                         0,   6, 0, 0, 0, 0,  0, 0,  0, 0,  0, 0,   0, 0, 0, 0};
  EXPECT_EQ(header, expected);
  // Glyph 'A' (code 65, the 34th) has ink; the space (first) has none.
  auto inkOf = [&](int i) {
    int n = 0;
    for (int k = 0; k < 72; ++k) n += b[32 + i * 72 + k] != 0;
    return n;
  };
  EXPECT_EQ(inkOf(0), 0);
  EXPECT_GT(inkOf(65 - 32), 0);
  EXPECT_EQ(BuildFontHeader(r)[4], 1);
  r.italicWidth = 0;
  EXPECT_EQ(BuildFontHeader(r)[4], 0);
}

TEST_F(MakeFontTest, VariablePitchCarriesIndexAndWidths) {
  FontRequest r = Range(32, 127, 24, 24, true);
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto b = ReadBytes(r.fileName);
  ASSERT_GT(b.size(), 608u);
  EXPECT_EQ(b[1], 1);
  EXPECT_EQ(b[3], 1);
  EXPECT_EQ(U16(b, 9), 32);
  EXPECT_EQ(U16(b, 11), 127);
  EXPECT_EQ(U16(b, 15), 96);
  EXPECT_EQ(U32(b, 32 + 2), 608u);
  // Every entry names its code and points at a record whose width prefix
  // and bitmap end exactly where the next record starts.
  uint32_t expectedOffset = 608;
  for (int i = 0; i < 96; ++i) {
    const size_t e = 32 + 6 * static_cast<size_t>(i);
    EXPECT_EQ(b[e], 32 + i);
    EXPECT_EQ(b[e + 1], 0);
    ASSERT_EQ(U32(b, e + 2), expectedOffset) << "entry " << i;
    const int w = U16(b, expectedOffset);
    EXPECT_EQ(w, canvas_.MeasureChar(static_cast<char32_t>(32 + i)).width) << "code " << 32 + i;
    expectedOffset += 2 + static_cast<uint32_t>((w + 7) / 8 * 24);
  }
  EXPECT_EQ(expectedOffset, b.size());
}

TEST_F(MakeFontTest, TenPixelRowsKeepLowBitsClear) {
  // 'W' at 20 pixels is wider than 10, so it is cut at the cell edge and
  // inks the last columns of the row.
  FontRequest r = Range('W', 'W', 10, 24, false);
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto b = ReadBytes(r.fileName);
  ASSERT_EQ(b.size(), 32u + 2 * 24);
  bool lastColumnsInked = false;
  for (int y = 0; y < 24; ++y) {
    const uint8_t second = b[32 + 2 * y + 1];
    EXPECT_EQ(second & 0x3F, 0) << "row " << y;
    lastColumnsInked |= (second & 0xC0) != 0;
  }
  EXPECT_TRUE(lastColumnsInked);
}

TEST_F(MakeFontTest, RangeLimitsAndOrder) {
  EXPECT_EQ(MakeFont(Range(32, 255, 12, 12, false)), MakeFontOk);
  EXPECT_EQ(ReadBytes(dir_.File("font.bmf")).size(), 32u + 224 * 2 * 12);
  // Refusals leave the earlier file alone and create nothing else.
  const auto before = ReadBytes(dir_.File("font.bmf"));
  EXPECT_EQ(MakeFont(Range(32, 256, 12, 12, false)), MakeFontRefused);
  EXPECT_EQ(MakeFont(Range(-1, 100, 12, 12, false)), MakeFontRefused);
  EXPECT_EQ(MakeFont(Range(100, 99, 12, 12, false)), MakeFontRefused);
  EXPECT_EQ(ReadBytes(dir_.File("font.bmf")), before);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"font.bmf"});
  // A single code is a valid range.
  EXPECT_EQ(MakeFont(Range(65, 65, 12, 12, false)), MakeFontOk);
}

TEST_F(MakeFontTest, SingleByteTableWithZeroRangePasses) {
  const uint8_t codes[] = {'C', 'A', 'B'};
  FontRequest r = Range(0, 0, 16, 16, false);
  r.byTable = 1;
  r.tableCodes = codes;
  r.tableCount = 3;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto b = ReadBytes(r.fileName);
  ASSERT_EQ(b.size(), 32u + 18 + 3 * 32);
  EXPECT_EQ(b[3], 1);
  EXPECT_EQ(U16(b, 9), 0);
  EXPECT_EQ(U16(b, 15), 3);
  EXPECT_EQ(b[32], 'C');
  EXPECT_EQ(b[38], 'A');
  EXPECT_EQ(b[44], 'B');
  EXPECT_EQ(U32(b, 34), 50u);
  EXPECT_EQ(U32(b, 40), 82u);
  EXPECT_EQ(U32(b, 46), 114u);
}

TEST_F(MakeFontTest, AsianTableThreePairs) {
  ASSERT_TRUE(canvas_.SelectFontFile(testing::CjkFontFile, 16)) << "fonts-wqy-microhei";
  const uint8_t pairs[] = {0xD6, 0xD0, 0xCE, 0xC4, 0xB0, 0xA1};  // GBK: 中 文 啊
  FontRequest r = Range(0, 0, 16, 16, false);
  r.doubleByte = 1;
  r.byTable = 1;
  r.tableCodes = pairs;
  r.tableCount = 3;
  r.codePage = 936;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto b = ReadBytes(r.fileName);
  ASSERT_EQ(b.size(), 32u + 18 + 3 * 32);
  EXPECT_EQ(b[2], 1);
  EXPECT_EQ(b[3], 1);
  EXPECT_EQ(b[13], 0);
  EXPECT_EQ(U16(b, 15), 3);
  EXPECT_EQ(b[32], 0xD6);
  EXPECT_EQ(b[33], 0xD0);
  EXPECT_EQ(U32(b, 34), 50u);
  EXPECT_EQ(b[44], 0xB0);
  EXPECT_EQ(b[45], 0xA1);
  EXPECT_EQ(U32(b, 46), 50u + 64);
}

TEST_F(MakeFontTest, CompleteAsianSetsCountsAndSizes) {
  ASSERT_TRUE(canvas_.SelectFontFile(testing::CjkFontFile, 8));
  struct Expect {
    int set;
    uint8_t letter;
    int halfWidth;
    int glyphs;
  } sets[] = {{AsianTraditionalChinese, 'T', 96, 14854},
              {AsianSimplifiedChinese, 'G', 96, 24162},
              {AsianKorean, 'K', 96, 9026},
              {AsianJapanese, 'J', 160, 11500}};
  for (const Expect& e : sets) {
    FontRequest r = Range(0, 0, 12, 10, false);
    r.doubleByte = 1;
    r.asianEncoding = static_cast<uint8_t>(e.set);
    std::vector<int> progress;
    ASSERT_EQ(MakeFont(r, [&](int p) { progress.push_back(p); }), MakeFontOk) << e.set;
    const auto b = ReadBytes(r.fileName);
    // Half-width glyphs are 6 pixels wide (1 byte a row), full-width 12 (2).
    const size_t size = 32 + static_cast<size_t>(e.halfWidth) * 10 +
                        static_cast<size_t>(e.glyphs - e.halfWidth) * 20;
    EXPECT_EQ(b.size(), size) << e.set;
    EXPECT_EQ(b[2], 1);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(b[13], e.letter);
    EXPECT_EQ(U16(b, 15), e.glyphs);
    EXPECT_EQ(U16(b, 7), 12);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_LE(progress[i - 1], progress[i]);
  }
}

TEST_F(MakeFontTest, VariablePitchCompleteAsianRefused) {
  FontRequest r = Range(0, 0, 16, 16, true);
  r.doubleByte = 1;
  EXPECT_EQ(MakeFont(r), MakeFontRefused);
  EXPECT_TRUE(dir_.Names().empty());
}

TEST_F(MakeFontTest, UnknownAsianSetWritesHeaderOnly) {
  FontRequest r = Range(0, 0, 16, 16, false);
  r.doubleByte = 1;
  r.asianEncoding = 7;
  r.codePage = 936;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto b = ReadBytes(r.fileName);
  ASSERT_EQ(b.size(), 32u);
  EXPECT_EQ(b[13], 0);
  EXPECT_EQ(U16(b, 15), 0);
}

TEST_F(MakeFontTest, CellsThatDoNotFitAreRefusedBeforeDrawing) {
  std::vector<int> progress;
  auto record = [&](int p) { progress.push_back(p); };
  EXPECT_EQ(MakeFont(Range(32, 33, 2049, 8, false), record), MakeFontRefused);
  EXPECT_EQ(MakeFont(Range(32, 33, 8, 2049, false), record), MakeFontRefused);
  EXPECT_EQ(MakeFont(Range(32, 33, 257, 2048, false), record), MakeFontRefused);
  EXPECT_EQ(MakeFont(Range(32, 33, -1, 8, false), record), MakeFontRefused);
  EXPECT_TRUE(progress.empty());
  EXPECT_TRUE(dir_.Names().empty());
  // Exactly a full glyph buffer is accepted by the checks.
  EXPECT_EQ(CheckFontRequest(Range(32, 33, 256, 2048, false)), MakeFontOk);
  // In variable pitch a glyph wider than the buffer allows at this height
  // refuses the whole font: 'W' at 400 pixels is wider than the 256
  // pixels a 2048-pixel-high glyph may have.
  ASSERT_TRUE(canvas_.SelectFontFile(testing::LatinFontFile, 400));
  EXPECT_EQ(MakeFont(Range('W', 'W', 8, 2048, true), record), MakeFontRefused);
  EXPECT_TRUE(dir_.Names().empty());
}

TEST_F(MakeFontTest, UndecodableCodeGivesBlankGlyphOfTheCellSize) {
  // 0x81 is not a character of code page 1252; 0x80 is the euro sign.
  FontRequest r = Range(0x80, 0x81, 16, 16, false);
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  auto b = ReadBytes(r.fileName);
  ASSERT_EQ(b.size(), 32u + 2 * 32);
  auto ink = [&](size_t from) {
    int n = 0;
    for (size_t k = from; k < from + 32; ++k) n += b[k] != 0;
    return n;
  };
  EXPECT_GT(ink(32), 0);
  EXPECT_EQ(ink(64), 0);
  // Variable pitch keeps the record too, with the missing-glyph width.
  r.variablePitch = 1;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  b = ReadBytes(r.fileName);
  EXPECT_EQ(U16(b, 15), 2);
  const uint32_t second = U32(b, 38 + 2);
  ASSERT_LT(second, b.size());
  EXPECT_EQ(U16(b, second), canvas_.MeasureChar(NoCharacter).width);
  EXPECT_EQ(b.size(), second + 2 + (U16(b, second) + 7) / 8 * 16);
}

TEST_F(MakeFontTest, CodePageChangesTheCharacterDrawn) {
  // Byte 0xC0 is 'À' in 1252 and 'А' (Cyrillic) in 1251.
  FontRequest r = Range(0xC0, 0xC0, 20, 24, false);
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto western = ReadBytes(r.fileName);
  r.codePage = 1251;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto cyrillic = ReadBytes(r.fileName);
  ASSERT_EQ(western.size(), cyrillic.size());
  EXPECT_NE(western, cyrillic);
  r.codePage = 1234;
  EXPECT_EQ(MakeFont(r), MakeFontBadEncoding);
}

TEST_F(MakeFontTest, SingleByteProgressPerGlyph) {
  std::vector<int> progress;
  ASSERT_EQ(MakeFont(Range(32, 41, 8, 8, false), [&](int p) { progress.push_back(p); }),
            MakeFontOk);
  // 0 at the start, then i * 100 / N after glyph i.
  EXPECT_EQ(progress, (std::vector<int>{0, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
}

TEST_F(MakeFontTest, NoCanvasOrNoFont) {
  FontRequest r = Range(32, 33, 8, 8, false);
  r.canvas = nullptr;
  EXPECT_EQ(MakeFont(r), MakeFontNoCanvas);
  FontCanvas empty;
  r.canvas = &empty;
  EXPECT_EQ(MakeFont(r), MakeFontNoCanvas);
  EXPECT_TRUE(dir_.Names().empty());
  EXPECT_STREQ(MakeFontMessage(MakeFontNoCanvas), "Make Font Error");
}

TEST_F(MakeFontTest, WriteFailureOnAFullDiskFailsTheMake) {
  FontRequest r = Range(32, 127, 24, 24, false);
  r.fileName = "/dev/full";
  EXPECT_EQ(MakeFont(r), MakeFontFileError);
}

TEST_F(MakeFontTest, WriteFailureKeepsThePreviousFile) {
  FontRequest r = Range(32, 127, 24, 24, false);
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  const auto good = ReadBytes(r.fileName);
  // A child limited to 4,000 bytes per file: the 6,944-byte font cannot be
  // written there.
  r.italicWidth = 3;
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4000, 4000};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(MakeFont(r));
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), MakeFontFileError);
  EXPECT_EQ(ReadBytes(r.fileName), good);
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"font.bmf"});
}

TEST_F(MakeFontTest, LinkPlantedAtATemporaryNameIsReplacedNotFollowed) {
  testing::WriteBytes(dir_.File("victim"), "precious");
  ASSERT_EQ(symlink(dir_.File("victim").c_str(), dir_.File("Temp.BMF").c_str()), 0);
  FontRequest r = Range(32, 127, 24, 24, false);
  r.fileName = dir_.File("Temp.BMF");
  r.replaceLink = 1;
  ASSERT_EQ(MakeFont(r), MakeFontOk);
  EXPECT_EQ(ReadBytes(dir_.File("victim")),
            std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
  struct stat info;
  ASSERT_EQ(lstat(r.fileName.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(ReadBytes(r.fileName).size(), 6944u);
  // A refused or failed make there leaves the earlier file and no leftovers.
  r.charEnd = 300;
  EXPECT_EQ(MakeFont(r), MakeFontRefused);
  r.charEnd = 127;
  r.fileName = dir_.File("none/Temp.BMF");
  EXPECT_EQ(MakeFont(r), MakeFontFileError);
  EXPECT_EQ(ReadBytes(dir_.File("Temp.BMF")).size(), 6944u);
  auto names = dir_.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Temp.BMF", "victim"}));
}

TEST_F(MakeFontTest, UnwritableFolderFailsWithoutFile) {
  FontRequest r = Range(32, 33, 8, 8, false);
  r.fileName = dir_.File("missing/font.bmf");
  EXPECT_EQ(MakeFont(r), MakeFontFileError);
  r.fileName = "";
  EXPECT_EQ(MakeFont(r), MakeFontFileError);
}

}  // namespace
}  // namespace varnalux
