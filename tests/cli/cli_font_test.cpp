// make-font, font-info and font-sheet run as a separate process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../core/font_fixture.h"
#include "cli_runner.h"
#include "font/code_decoder.h"
#include "font/font_canvas.h"

namespace varnalux {
namespace {

using testing::ReadBytes;
using testing::RunCli;
using testing::U16;

class CliFont : public ::testing::Test {
 protected:
  std::string Out(const std::string& name = "f.bmf") { return dir_.File(name); }
  testing::ScratchDir dir_;
};

TEST_F(CliFont, FixedRangeFont) {
  auto r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--pixel-size", "20", "--pitch",
                   "fixed", "--width", "24", "--height", "24"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "96 glyphs, 6944 bytes\n");
  const auto b = ReadBytes(Out());
  ASSERT_EQ(b.size(), 6944u);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(U16(b, 9), 32);
  EXPECT_EQ(U16(b, 11), 127);
}

TEST_F(CliFont, DefaultsMeasureTheSampleLikeThePage) {
  // Standard encoding, variable pitch, 32-127, the cell of "W" at 13 pixels.
  auto r = RunCli({"make-font", Out(), "--font", testing::LatinFontFile, "--style", "italic"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  FontCanvas canvas;
  ASSERT_TRUE(canvas.SelectFontFile(testing::LatinFontFile, 13, FontStyle::Italic));
  const TextSize w = canvas.MeasureChar(U'W');
  const auto b = ReadBytes(Out());
  ASSERT_GE(b.size(), 32u);
  EXPECT_EQ(b[1], 1);
  EXPECT_EQ(b[3], 1);
  EXPECT_EQ(U16(b, 7), w.width);
  EXPECT_EQ(U16(b, 5), w.height);
  EXPECT_EQ(U16(b, 15), 96);
  EXPECT_EQ(b[4], w.width * 3 / 10 != 0 ? 1 : 0);
  EXPECT_EQ(U16(b, 17), w.width * 3 / 10);
  // --size in points: 9 points are 12 pixels.
  r = RunCli({"make-font", Out("p.bmf"), "--font", testing::LatinFontFile, "--size", "9"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(canvas.SelectFontFile(testing::LatinFontFile, 12));
  EXPECT_EQ(U16(ReadBytes(Out("p.bmf")), 5), canvas.MeasureChar(U'W').height);
}

TEST_F(CliFont, PageMessagesAndExitStatus) {
  auto r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--range", "32-300"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "Font Parameter Error\n");
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--range", "32-abc"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "'abc' is not a valid integer value\n");
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--range", "100-50"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "Make Font Error\n");
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--encoding", "table"});
  EXPECT_EQ(r.err, "Font Parameter Error\n");  // no table file
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--width", "3000"});
  EXPECT_EQ(r.err, "Font Parameter Error\n");
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--codepage", "65001"});
  EXPECT_EQ(r.err, "Font Parameter Error\n");
  EXPECT_TRUE(dir_.Names().empty());
  r = RunCli({"make-font", dir_.File("no/such/f.bmf"), "--font", "DejaVu Sans"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "Make Font Error\n");
  // Usage errors.
  EXPECT_EQ(RunCli({"make-font", Out()}).exitCode, 64);
  EXPECT_EQ(RunCli({"make-font", Out(), "--font", "x", "--bogus", "1"}).exitCode, 64);
  EXPECT_EQ(
      RunCli({"make-font", Out(), "--font", "x", "--size", "9", "--pixel-size", "9"}).exitCode, 64);
  EXPECT_EQ(RunCli({"make-font", Out(), "--font", "x", "--asian", "cn"}).exitCode, 64);
}

TEST_F(CliFont, RangeMappingsAndCodePage) {
  auto r = RunCli(
      {"make-font", Out(), "--font", "DejaVu Sans", "--mapping", "full", "--pitch", "fixed"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(U16(ReadBytes(Out()), 15), 224);
  r = RunCli({"make-font", Out("w.bmf"), "--font", "DejaVu Sans", "--range", "192-192", "--pitch",
              "fixed"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = RunCli({"make-font", Out("c.bmf"), "--font", "DejaVu Sans", "--range", "192-192", "--pitch",
              "fixed", "--codepage", "1251"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(ReadBytes(Out("w.bmf")), ReadBytes(Out("c.bmf")));  // À against А
}

TEST_F(CliFont, TablesFromFiles) {
  testing::WriteBytes(dir_.File("t.txt"), "AB\r\nC");
  auto r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--encoding", "table", "--table",
                   dir_.File("t.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  auto b = ReadBytes(Out());
  EXPECT_EQ(U16(b, 15), 3);
  EXPECT_EQ(b[32], 'A');
  EXPECT_EQ(b[38], 'B');
  EXPECT_EQ(b[44], 'C');
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--encoding", "asian-table", "--table",
              dir_.File("t.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  b = ReadBytes(Out());
  EXPECT_EQ(U16(b, 15), 1);
  EXPECT_EQ(b[2], 1);
  EXPECT_EQ(b[1], 0);  // the Asian table presets fixed pitch
  EXPECT_EQ(b[32], 'A');
  EXPECT_EQ(b[33], 'B');
}

TEST_F(CliFont, CompleteAsianSetIsFixedPitchWhateverIsAsked) {
  auto r =
      RunCli({"make-font", Out(), "--font", testing::CjkFontFile, "--encoding", "asian", "--asian",
              "kr", "--pitch", "variable", "--pixel-size", "8", "--width", "8", "--height", "8"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "9026 glyphs, " + std::to_string(32 + 9026 * 8) + " bytes\n");
  const auto b = ReadBytes(Out());
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[13], 'K');
}

TEST_F(CliFont, InfoAndSheet) {
  ASSERT_EQ(RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--range", "65-67"}).exitCode, 0);
  auto r = RunCli({"font-info", Out()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("pitch: variable\n"), std::string::npos);
  EXPECT_NE(r.out.find("index: yes\n"), std::string::npos);
  EXPECT_NE(r.out.find("glyphs: 3 (header 3)\n"), std::string::npos);
  r = RunCli({"font-info", Out(), "--json"});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("\"glyphCount\": 3"), std::string::npos);
  EXPECT_NE(r.out.find("{\"code\": \"41\", \"width\": "), std::string::npos);
  EXPECT_NE(r.out.find("{\"code\": \"43\", \"width\": "), std::string::npos);
  r = RunCli({"font-sheet", Out(), Out("s.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto png = ReadBytes(Out("s.png"));
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  EXPECT_EQ(RunCli({"font-sheet", Out(), "/dev/full"}).exitCode, 4);
  testing::WriteBytes(Out("bad.bmf"), "Bxxxx");
  r = RunCli({"font-info", Out("bad.bmf")});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("shorter than a font header"), std::string::npos);
  // A refused sheet leaves the earlier picture.
  EXPECT_EQ(RunCli({"font-sheet", Out("bad.bmf"), Out("s.png")}).exitCode, 4);
  EXPECT_EQ(ReadBytes(Out("s.png")), png);
  EXPECT_EQ(RunCli({"font-info"}).exitCode, 64);
}

TEST_F(CliFont, FontIsAnExistingFileOrAnInstalledFamilyByAnyName) {
  // The Chinese name of an installed family is that family: no warning, the
  // same font as under its English name.
  auto r = RunCli({"make-font", Out("zh.bmf"), "--font", "文泉驿微米黑", "--range", "65-70"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  r = RunCli({"make-font", Out("en.bmf"), "--font", "WenQuanYi Micro Hei", "--range", "65-70"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadBytes(Out("zh.bmf")), ReadBytes(Out("en.bmf")));

  // A mistyped file name, or a folder, is an error, not another face.
  r = RunCli({"make-font", Out(), "--font", "DejaVuSnas.ttf"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "varnalux-cli: DejaVuSnas.ttf: no such font file\n");
  r = RunCli({"make-font", Out(), "--font", dir_.Path()});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("not a font file"), std::string::npos);
  // A family that is not installed is an error unless a fallback is allowed.
  r = RunCli({"make-font", Out(), "--font", "No Such Family Here"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("no installed font family is named 'No Such Family Here' (the nearest is "),
            std::string::npos)
      << r.err;
  EXPECT_EQ(dir_.Names().size(), 2u);  // zh.bmf and en.bmf only
  r = RunCli({"make-font", Out(), "--font", "No Such Family Here", "--allow-fallback"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.err.find("no installed font family is named 'No Such Family Here'; using "),
            std::string::npos)
      << r.err;
  // A generic family asks for the desktop's choice.
  r = RunCli({"make-font", Out(), "--font", "sans-serif"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(RunCli({"make-font", Out(), "--font", "x", "--strict", "--strict"}).exitCode, 64);
}

TEST_F(CliFont, SaysWhatWasLeftOutAndStrictRefusesIt) {
  const std::string note =
      "varnalux-cli: 5 of 224 codes are drawn blank or in part: not characters of code page "
      "1252: 5 (81 8D 8F 90 9D).\n";
  auto r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--mapping", "full"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, note);
  EXPECT_EQ(r.out.rfind("224 glyphs, ", 0), 0u);
  // The holes of code page 1252 are part of the full mapping's layout: --strict
  // says so but writes the font.
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--mapping", "full", "--pitch", "fixed",
              "--strict"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, note);
  const auto made = ReadBytes(Out());
  // Listed in a table they are the user's own choice: --strict refuses them,
  // with the same words, exit 4, and the file is not replaced.
  testing::WriteBytes(dir_.File("holes.txt"), "A\x81");
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--encoding", "table", "--table",
              dir_.File("holes.txt"), "--strict"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err,
            "varnalux-cli: 1 of 2 codes are drawn blank or in part: not characters of code page "
            "1252: 1 (81).\nvarnalux-cli: --strict: nothing was written to " +
                Out() + "\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(Out()), made);
  // Characters the font lacks count too: 中 is not in DejaVu Sans.
  testing::WriteBytes(dir_.File("t.txt"), "\xD6\xD0");
  r = RunCli({"make-font", Out("t.bmf"), "--font", "DejaVu Sans", "--encoding", "asian-table",
              "--codepage", "936", "--table", dir_.File("t.txt"), "--strict"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("characters the font DejaVu Sans lacks: 1 (D6D0)"), std::string::npos)
      << r.err;
  // A font with all its characters passes --strict in silence.
  r = RunCli({"make-font", Out("t.bmf"), "--font", "DejaVu Sans", "--strict"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
}

TEST_F(CliFont, InputsAreRegularFilesOnly) {
  // A FIFO nobody writes to is refused at once by every font command.
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto r = RunCli({"font-info", fifo}, "", 10000);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "varnalux-cli: " + fifo + ": not a regular file\n");
  r = RunCli({"font-sheet", fifo, Out("s.png")}, "", 10000);
  EXPECT_EQ(r.exitCode, 4);
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--encoding", "table", "--table", fifo},
             "", 10000);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "varnalux-cli: " + fifo + ": is not a regular file\nFont Parameter Error\n");
  // Too large for what it is: known from the size.
  const std::string big = dir_.File("big");
  const int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 300ll << 20), 0);
  close(fd);
  r = RunCli({"font-info", big}, "", 10000);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "varnalux-cli: " + big + ": the file is larger than any font file\n");
  r = RunCli({"make-font", Out(), "--font", "DejaVu Sans", "--encoding", "table", "--table", big},
             "", 10000);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("holds fewer than 65536 bytes"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace varnalux
