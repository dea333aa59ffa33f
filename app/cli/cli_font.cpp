// make-font, font-info and font-sheet: the font page's generator and a look
// at font files, without a display.
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_png.h"
#include "base/input_file.h"
#include "base/numbers.h"
#include "font/asian_sets.h"
#include "font/code_decoder.h"
#include "font/font_file.h"
#include "font/font_request_rules.h"
#include "font/font_sheet.h"
#include "font/make_font.h"

namespace varnalux {

namespace {

constexpr const char* MakeFontUsage =
    "make-font OUT --font FAMILY|FILE [--style regular|bold|italic|bold-italic]\n"
    "      [--size PT | --pixel-size PX] [--encoding standard|asian|table|asian-table]\n"
    "      [--range START-END | --mapping standard|full] [--asian tc|sc|kr|jp] [--table FILE]\n"
    "      [--codepage N] [--width W] [--height H] [--italic-width N] [--pitch fixed|variable]\n"
    "      [--strict] [--allow-fallback]";
constexpr const char* FontInfoUsage = "font-info FILE [--json]";
constexpr const char* FontSheetUsage = "font-sheet FILE OUT.png";

// The character height of the page's initial font.
constexpr int DefaultPixelSize = 13;

int Index(const std::string& value, std::initializer_list<const char*> names) {
  int i = 0;
  for (const char* n : names) {
    if (value == n) return i;
    ++i;
  }
  return -1;
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A --font value that names a file rather than a family: a path with a
// folder in it, or a name with a font file's extension. Such a value must
// name a font file; it is never looked up as a family.
bool NamesAFile(const std::string& font) {
  if (font.find('/') != std::string::npos) return true;
  const size_t dot = font.rfind('.');
  if (dot == std::string::npos) return false;
  const std::string ext = font.substr(dot + 1);
  for (const char* known :
       {"ttf", "ttc", "otf", "otc", "pfa", "pfb", "pcf", "bdf", "gz", "woff", "woff2", "dfont"})
    if (strcasecmp(ext.c_str(), known) == 0) return true;
  return false;
}

// Selects the --font of make-font: an existing font file, or an installed
// family by any of its names in any language. A file that is not there and
// a family that is not installed are errors; with allowFallback the face
// fontconfig offers instead is taken, with a warning.
bool LoadFont(FontCanvas& canvas, const std::string& font, FontStyle style, int px,
              bool allowFallback) {
  if (IsRegularFile(font) || NamesAFile(font)) {
    if (!IsRegularFile(font)) {
      struct stat info;
      fprintf(stderr, "varnalux-cli: %s: %s\n", font.c_str(),
              stat(font.c_str(), &info) == 0 ? "not a font file" : "no such font file");
      return false;
    }
    if (canvas.SelectFontFile(font, px, style)) return true;
    fprintf(stderr, "varnalux-cli: cannot load the font '%s'\n", font.c_str());
    return false;
  }
  const FontMatch match = MatchFontFamily(font, style, px);
  if (match.file.empty()) {
    fprintf(stderr, "varnalux-cli: cannot load the font '%s'\n", font.c_str());
    return false;
  }
  if (!match.named) {
    if (!allowFallback) {
      fprintf(stderr,
              "varnalux-cli: no installed font family is named '%s' (the nearest is %s %s; "
              "--allow-fallback takes it)\n",
              font.c_str(), match.family.c_str(), match.style.c_str());
      return false;
    }
    fprintf(stderr, "varnalux-cli: no installed font family is named '%s'; using %s %s\n",
            font.c_str(), match.family.c_str(), match.style.c_str());
  }
  if (canvas.SelectFontFile(match.file, px, style, match.faceIndex)) return true;
  fprintf(stderr, "varnalux-cli: cannot load the font '%s'\n", font.c_str());
  return false;
}

int FailWith(const std::string& message) {
  fprintf(stderr, "%s\n", message.c_str());
  return ResultFileOpenError;
}

std::string Hex(const FontFileGlyph& g) {
  char text[8];
  if (g.codeLength == 2)
    snprintf(text, sizeof text, "%02X%02X", g.code[0], g.code[1]);
  else
    snprintf(text, sizeof text, "%02X", g.code[0]);
  return text;
}

bool LoadFontFile(const std::string& path, FontFile& file) {
  std::string error;
  if (file.Load(path, error)) return true;
  fprintf(stderr, "varnalux-cli: %s: %s\n", path.c_str(), error.c_str());
  return false;
}

// What make-font was asked for.
struct MakeFontArgs {
  std::string out, font, style = "regular", size, pixelSize, encoding = "standard", range, mapping,
                         asian, table, codePage, width, height, italicWidth, pitch;
  bool strict = false, allowFallback = false;
};

// Reads the words of make-font; false when they do not fit its usage.
bool ParseMakeFontArgs(const CliArgs& args, MakeFontArgs& m) {
  struct Option {
    const char* name;
    std::string* value;
  } options[] = {{"--font", &m.font},
                 {"--style", &m.style},
                 {"--size", &m.size},
                 {"--pixel-size", &m.pixelSize},
                 {"--encoding", &m.encoding},
                 {"--range", &m.range},
                 {"--mapping", &m.mapping},
                 {"--asian", &m.asian},
                 {"--table", &m.table},
                 {"--codepage", &m.codePage},
                 {"--width", &m.width},
                 {"--height", &m.height},
                 {"--italic-width", &m.italicWidth},
                 {"--pitch", &m.pitch}};
  bool given[sizeof options / sizeof options[0]] = {};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--strict" || a == "--allow-fallback") {
      bool& flag = a == "--strict" ? m.strict : m.allowFallback;
      if (flag) return false;
      flag = true;
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      bool known = false;
      for (size_t k = 0; k < sizeof options / sizeof options[0]; ++k) {
        if (a != options[k].name) continue;
        if (i + 1 >= args.size() || given[k]) return false;
        *options[k].value = args[++i];
        given[k] = known = true;
      }
      if (!known) return false;
    } else if (m.out.empty()) {
      m.out = a;
    } else {
      return false;
    }
  }
  return !m.out.empty() && !m.font.empty() &&
         Index(m.style, {"regular", "bold", "italic", "bold-italic"}) >= 0 &&
         Index(m.encoding, {"standard", "asian", "table", "asian-table"}) >= 0 &&
         (m.size.empty() || m.pixelSize.empty()) && (m.range.empty() || m.mapping.empty());
}

// The page's fields as the options set them, before a font is measured:
// 0, or the exit code when an option is unusable.
int FieldsFromArgs(const MakeFontArgs& m, int encodeMode, FontPageFields& fields) {
  fields.encodeMode = encodeMode;
  fields.pitch = ApplyEncodeMode(encodeMode).pitch;
  if (!m.pitch.empty()) {
    fields.pitch = Index(m.pitch, {"fixed", "variable"});
    if (fields.pitch < 0) return UsageError(MakeFontUsage);
  }
  if (!m.mapping.empty()) {
    const int mapping = Index(m.mapping, {"standard", "full"});
    if (mapping < 0) return UsageError(MakeFontUsage);
    MappingRange(mapping, fields.charStart, fields.charEnd);
  }
  if (!m.range.empty()) {
    // START-END as typed into the two range edits.
    const size_t dash = m.range.find('-', 1);
    if (dash == std::string::npos) return UsageError(MakeFontUsage);
    fields.charStart = m.range.substr(0, dash);
    fields.charEnd = m.range.substr(dash + 1);
  }
  if (!m.asian.empty()) {
    fields.asianEncoding = Index(m.asian, {"tc", "sc", "kr", "jp"});
    if (fields.asianEncoding < 0) return UsageError(MakeFontUsage);
  }
  if (!m.table.empty()) {
    fields.byFile = true;
    fields.tableFilePath = m.table;
    // Why a table file cannot be used, before the page's message for it.
    InputFile check;
    const InputFileResult opened = check.Open(m.table, EncodingTableBufferSize - 1);
    if (opened != InputFileResult::Ok) {
      fprintf(stderr, "varnalux-cli: %s: %s\n", m.table.c_str(),
              opened == InputFileResult::TooLarge ? "an encoding table holds fewer than 65536 bytes"
                                                  : InputFileProblem(opened));
      return FailWith(FontParameterError);
    }
  }
  if (!m.codePage.empty()) {
    int32_t cp = 0;
    if (!ParseStrictInteger(m.codePage.c_str(), cp)) return FailWith(FontParameterError);
    fields.codePage = cp;
  }
  return 0;
}

// The character height from --pixel-size or --size (the page's initial one
// without either); false when the value is unusable.
bool PixelSizeFromArgs(const MakeFontArgs& m, int& px) {
  px = DefaultPixelSize;
  if (!m.pixelSize.empty()) {
    int32_t v = 0;
    if (!ParseStrictInteger(m.pixelSize.c_str(), v) || v < 1 || v > CanvasSize) return false;
    px = v;
  } else if (!m.size.empty()) {
    double pt = 0;
    if (!ParseStrictDecimal(m.size.c_str(), pt) || PointsToPixels(pt) < 1) return false;
    px = PointsToPixels(pt);
  }
  return true;
}

// The cell and italic width the page measures when a font is applied, where
// the options do not give them.
void MeasureCell(FontCanvas& canvas, const MakeFontArgs& m, FontStyle fontStyle,
                 FontPageFields& fields) {
  const int encodeMode = fields.encodeMode;
  const std::string sample = SampleCode(encodeMode);
  const bool asianMode = encodeMode == EncodeAsian || encodeMode == EncodeAsianTable;
  int sampleCodePage = fields.codePage;
  if (asianMode && (encodeMode == EncodeAsian || sampleCodePage == 0))
    sampleCodePage = AsianCodePage(fields.asianEncoding);
  if (sampleCodePage == 0) sampleCodePage = DefaultSingleByteCodePage;
  CodeDecoder sampleDecoder(sampleCodePage);
  const TextSize measured = canvas.MeasureCode(reinterpret_cast<const uint8_t*>(sample.data()),
                                               static_cast<int>(sample.size()), sampleDecoder);
  const bool bold = fontStyle == FontStyle::Bold || fontStyle == FontStyle::BoldItalic;
  const bool italic = fontStyle == FontStyle::Italic || fontStyle == FontStyle::BoldItalic;
  fields.fontWidth = m.width.empty() ? std::to_string(measured.width) : m.width;
  fields.fontHeight = m.height.empty() ? std::to_string(measured.height) : m.height;
  fields.italicWidth =
      m.italicWidth.empty()
          ? std::to_string(PresetItalicWidth(measured.width, bold, italic, false, false))
          : m.italicWidth;
}

// Makes the font file out of the fields and says what was written; the exit
// code.
int WriteFont(const FontPageFields& fields, FontCanvas& canvas, const std::string& out,
              bool strict) {
  std::vector<uint8_t> tableBuffer;
  FontRequest request;
  std::string message;
  if (!BuildFontRequest(fields, tableBuffer, request, message)) return FailWith(message);
  request.fileName = out;
  request.canvas = &canvas;
  GlyphGaps gaps;
  const MakeFontCode makeResult =
      MakeFont(request, {}, gaps, strict ? GapRule::Refuse : GapRule::Keep);
  // What was left out is said in every case; with --strict it is an error
  // and nothing is written.
  const std::string leftOut =
      DescribeGlyphGaps(gaps, EffectiveCodePage(request), canvas.FamilyName());
  if (!leftOut.empty()) fprintf(stderr, "varnalux-cli: %s\n", leftOut.c_str());
  if (makeResult == MakeFontLeftOut)
    return FailWith("varnalux-cli: --strict: nothing was written to " + out);
  if (makeResult != MakeFontOk) return FailWith(MakeFontError);

  FontFile made;
  std::string error;
  if (!made.Load(out, error)) {
    // Written to a device or a pipe: nothing to read back.
    printf("font written to %s\n", out.c_str());
    return 0;
  }
  printf("%zu glyphs, %zu bytes\n", made.Glyphs().size(), made.Size());
  return 0;
}

}  // namespace

int CmdMakeFont(CliLink&, const CliArgs& args) {
  MakeFontArgs m;
  if (!ParseMakeFontArgs(args, m)) return UsageError(MakeFontUsage);
  const int styleIndex = Index(m.style, {"regular", "bold", "italic", "bold-italic"});
  const int encodeMode = Index(m.encoding, {"standard", "asian", "table", "asian-table"});
  FontPageFields fields;
  if (const int code = FieldsFromArgs(m, encodeMode, fields); code != 0) return code;
  int px = 0;
  if (!PixelSizeFromArgs(m, px)) return FailWith(FontParameterError);
  FontCanvas canvas;
  const auto fontStyle = static_cast<FontStyle>(styleIndex);
  if (!LoadFont(canvas, m.font, fontStyle, px, m.allowFallback)) return ResultFileOpenError;
  MeasureCell(canvas, m, fontStyle, fields);
  return WriteFont(fields, canvas, m.out, m.strict);
}

int CmdFontInfo(CliLink&, const CliArgs& args) {
  bool json = false;
  std::string path;
  for (const std::string& a : args) {
    if (a == "--json")
      json = true;
    else if (path.empty() && a.compare(0, 2, "--") != 0)
      path = a;
    else
      return UsageError(FontInfoUsage);
  }
  if (path.empty()) return UsageError(FontInfoUsage);
  FontFile file;
  if (!LoadFontFile(path, file)) return ResultFileOpenError;
  const FontFileHeader& h = file.Header();
  if (json) {
    printf(
        "{\"size\": %zu, \"variablePitch\": %s, \"doubleByte\": %s, \"index\": %s, "
        "\"italic\": %s, \"cellWidth\": %d, \"cellHeight\": %d, \"charStart\": %d, "
        "\"charEnd\": %d, \"asianSet\": ",
        file.Size(), h.variablePitch ? "true" : "false", h.doubleByte ? "true" : "false",
        h.hasIndex ? "true" : "false", h.italic ? "true" : "false", h.cellWidth, h.cellHeight,
        h.charStart, h.charEnd);
    if (*AsianSetName(h.asianLetter) != '\0')
      printf("\"%c\"", h.asianLetter);
    else
      printf("null");
    printf(", \"headerGlyphCount\": %d, \"glyphCount\": %zu, \"italicWidth\": %d, \"notes\": [",
           h.glyphCount, file.Glyphs().size(), h.italicWidth);
    for (size_t i = 0; i < file.Notes().size(); ++i)
      printf("%s\"%s\"", i ? ", " : "", file.Notes()[i].c_str());
    printf("], \"glyphs\": [");
    for (size_t i = 0; i < file.Glyphs().size(); ++i) {
      const FontFileGlyph& g = file.Glyphs()[i];
      printf("%s{\"code\": \"%s\", \"width\": %d}", i ? ", " : "", Hex(g).c_str(), g.width);
    }
    printf("]}\n");
    return 0;
  }
  printf("size: %zu bytes\n", file.Size());
  printf("pitch: %s\n", h.variablePitch ? "variable" : "fixed");
  printf("codes: %s\n", h.doubleByte ? "double-byte" : "single-byte");
  printf("index: %s\n", h.hasIndex ? "yes" : "no");
  printf("cell: %d x %d\n", h.cellWidth, h.cellHeight);
  printf("range: %d-%d\n", h.charStart, h.charEnd);
  const char* set = AsianSetName(h.asianLetter);
  printf("asian set: %s\n", *set ? set : "none");
  printf("italic: %s, width %d\n", h.italic ? "yes" : "no", h.italicWidth);
  printf("glyphs: %zu (header %d)\n", file.Glyphs().size(), h.glyphCount);
  for (const std::string& n : file.Notes()) printf("note: %s\n", n.c_str());
  return 0;
}

int CmdFontSheet(CliLink&, const CliArgs& args) {
  if (args.size() != 2) return UsageError(FontSheetUsage);
  FontFile file;
  if (!LoadFontFile(args[0], file)) return ResultFileOpenError;
  FontSheet sheet(file);
  if (!sheet.Fits()) {
    fprintf(stderr, "varnalux-cli: %s: %s\n", args[0].c_str(),
            file.Glyphs().empty() ? "the font has no glyphs" : "the picture would be too large");
    return ResultFileOpenError;
  }
  std::string error;
  if (!WriteGreyPng(
          args[1], sheet.Width(), sheet.Height(),
          [&](int y, uint8_t* row) { sheet.RenderRow(y, row); }, error)) {
    fprintf(stderr, "varnalux-cli: %s: %s\n", args[1].c_str(), error.c_str());
    return ResultFileOpenError;
  }
  printf("%zu glyphs, %d x %d pixels\n", file.Glyphs().size(), sheet.Width(), sheet.Height());
  return 0;
}

}  // namespace varnalux
