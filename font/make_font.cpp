#include "font/make_font.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/atomic_file.h"
#include "base/owned_fd.h"
#include "font/asian_sets.h"
#include "font/code_decoder.h"

namespace varnalux {

namespace {

constexpr int HeaderSize = 32;
constexpr int IndexEntrySize = 6;
constexpr int MaxGlyphCount = 65535;  // the header's count is 16 bits

void Put16(uint8_t* p, int32_t value) {
  const auto v = static_cast<uint16_t>(value);
  p[0] = static_cast<uint8_t>(v % 256);
  p[1] = static_cast<uint8_t>(v / 256);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

int64_t BitmapBytes(int64_t w, int64_t h) { return (w + 7) / 8 * h; }

bool FitsGlyphBuffer(int64_t w, int64_t h) {
  return w >= 0 && h >= 0 && w <= CanvasSize && h <= CanvasSize &&
         BitmapBytes(w, h) <= GlyphBufferSize;
}

// A new file beside the name itself (not beside a link's target), renamed
// over the name: a link planted there is replaced, never written through.
class LinkReplacingFile {
 public:
  ~LinkReplacingFile() { Discard(); }
  bool Open(const std::string& path) {
    if (path.empty()) return false;
    path_ = path;
    temp_ = path + ".tmpXXXXXX";
    fd_.Reset(mkstemp(temp_.data()));
    if (!fd_.Valid()) {
      temp_.clear();
      return false;
    }
    const mode_t mask = umask(0);
    umask(mask);
    failed_ = fchmod(fd_.Get(), 0666 & ~mask) != 0;
    return !failed_;
  }
  void Write(const uint8_t* bytes, size_t length) {
    if (!failed_ && !WriteAll(fd_.Get(), bytes, length)) failed_ = true;
  }
  bool Commit() {
    if (!fd_.Valid()) return false;
    bool ok = !failed_ && fsync(fd_.Get()) == 0;
    ok = fd_.Close() && ok;
    ok = ok && rename(temp_.c_str(), path_.c_str()) == 0;
    if (!ok) unlink(temp_.c_str());
    temp_.clear();
    return ok;
  }

 private:
  void Discard() {
    fd_.Reset();
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
  }
  OwnedFd fd_;
  bool failed_ = false;
  std::string path_;
  std::string temp_;
};

// Collects small writes into large ones on their way to the new file.
class FontFileWriter {
 public:
  bool Open(const FontRequest& request) {
    buffer_.reserve(Chunk);
    replaceLink_ = request.replaceLink != 0;
    return replaceLink_ ? linkReplacing_.Open(request.fileName) : file_.Open(request.fileName);
  }
  void Write(const void* data, size_t length) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (buffer_.size() + length > Chunk) Flush();
    if (length >= Chunk) {
      Send(bytes, length);
      return;
    }
    buffer_.insert(buffer_.end(), bytes, bytes + length);
  }
  bool Commit() {
    Flush();
    return replaceLink_ ? linkReplacing_.Commit() : file_.Commit();
  }

 private:
  static constexpr size_t Chunk = 1 << 16;
  void Send(const uint8_t* bytes, size_t length) {
    if (replaceLink_)
      linkReplacing_.Write(bytes, length);
    else
      file_.Write(bytes, length);
  }
  void Flush() {
    if (!buffer_.empty()) Send(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  bool replaceLink_ = false;
  AtomicFile file_;
  LinkReplacingFile linkReplacing_;
  std::vector<uint8_t> buffer_;
};

void Report(const FontProgress& progress, int percent) {
  if (progress) progress(percent);
}

// The codes of a listed font, one by one: pairs from an Asian table, bytes
// from a table, or the codes of the range.
struct ListedCodes {
  const FontRequest& request;
  bool pairs;
  bool fromTable;

  int At(int i, uint8_t* bytes) const {
    if (pairs) {
      bytes[0] = request.tableCodes[2 * i];
      bytes[1] = request.tableCodes[2 * i + 1];
      return 2;
    }
    bytes[0] = fromTable ? request.tableCodes[i] : static_cast<uint8_t>(request.charStart + i);
    bytes[1] = 0;
    return 1;
  }
};

// The index needs every record's offset before the first record is
// written; in variable pitch that takes each character's width, measured
// here, which also refuses a too wide glyph before anything is drawn.
// Fills the index (when indexed) and the widths (when variable).
MakeFontCode LayOutRecords(const ListedCodes& codes, int n, bool indexed, bool variable,
                           CodeDecoder& decoder, std::vector<uint8_t>& index,
                           std::vector<uint16_t>& widths) {
  const FontRequest& request = codes.request;
  const int h = request.cellHeight;
  index.assign(indexed ? static_cast<size_t>(n) * IndexEntrySize : 0, 0);
  if (variable) widths.resize(static_cast<size_t>(n));
  int64_t offset = HeaderSize + static_cast<int64_t>(indexed ? n : 0) * IndexEntrySize;
  for (int i = 0; i < n; ++i) {
    uint8_t code[2];
    const int length = codes.At(i, code);
    int64_t recordSize;
    if (variable) {
      const int w = request.canvas->MeasureCode(code, length, decoder).width;
      if (!FitsGlyphBuffer(w, h)) return MakeFontRefused;
      widths[static_cast<size_t>(i)] = static_cast<uint16_t>(w);
      recordSize = 2 + BitmapBytes(w, h);
    } else {
      recordSize = BitmapBytes(request.cellWidth, h);
    }
    if (indexed) {
      uint8_t* entry = &index[static_cast<size_t>(i) * IndexEntrySize];
      entry[0] = code[0];
      entry[1] = codes.pairs ? code[1] : 0;
      if (offset > UINT32_MAX) return MakeFontRefused;
      Put32(entry + 2, static_cast<uint32_t>(offset));
    }
    offset += recordSize;
  }
  return MakeFontOk;
}

// Single-byte fonts (range or table) and Asian table fonts: the codes are
// listed one by one, the index table comes first when the working copy has
// one, and in variable pitch every record starts with its width.
MakeFontCode WriteListedFont(const FontRequest& request, bool pairs, CodeDecoder& decoder,
                             uint8_t* glyphBuffer, const FontProgress& progress, GlyphGaps& gaps,
                             GapRule rule) {
  FontCanvas& canvas = *request.canvas;
  FontRequest copy = request;
  const bool fromTable = request.byTable == 1;
  const int n = fromTable ? request.tableCount : request.charEnd - request.charStart + 1;
  if (copy.variablePitch) copy.byTable = 1;  // variable pitch always carries the index
  copy.charCount = n;
  const bool indexed = copy.byTable == 1;
  const bool variable = copy.variablePitch != 0;
  const int h = request.cellHeight;
  const ListedCodes codes{request, pairs, fromTable};

  std::vector<uint8_t> index;
  std::vector<uint16_t> widths;  // measured widths, checked again when drawn
  const MakeFontCode laidOut = LayOutRecords(codes, n, indexed, variable, decoder, index, widths);
  if (laidOut != MakeFontOk) return laidOut;

  FontFileWriter file;
  if (!file.Open(request)) return MakeFontFileError;
  const auto header = BuildFontHeader(copy);
  file.Write(header.data(), header.size());
  if (indexed) file.Write(index.data(), index.size());
  for (int i = 0; i < n; ++i) {
    uint8_t code[2];
    const int length = codes.At(i, code);
    const GlyphSize g =
        canvas.RenderGlyph(code, length, decoder, variable, request.cellWidth, h, glyphBuffer);
    if (g.bytes < 0) return MakeFontRefused;
    gaps.Note(g, code, length);
    if (variable) {
      // The index was laid out with the measured width: a different drawn
      // width would put every later record at the wrong offset.
      if (g.width != widths[static_cast<size_t>(i)]) return MakeFontFileError;
      uint8_t w16[2];
      Put16(w16, g.width);
      file.Write(w16, 2);
    }
    file.Write(glyphBuffer, static_cast<size_t>(g.bytes));
    Report(progress, static_cast<int>(static_cast<int64_t>(i) * 100 / n));
  }
  if (rule == GapRule::Refuse && gaps.Refused(fromTable) > 0) return MakeFontLeftOut;
  return file.Commit() ? MakeFontOk : MakeFontFileError;
}

// A complete Asian set: header, then the half-width and full-width glyphs
// back to back, no index and no widths.
MakeFontCode WriteAsianFont(const FontRequest& request, CodeDecoder& decoder, uint8_t* glyphBuffer,
                            const FontProgress& progress, GlyphGaps& gaps, GapRule rule) {
  FontCanvas& canvas = *request.canvas;
  FontRequest copy = request;
  copy.charCount = AsianGlyphCount(request.asianEncoding);  // the number written
  FontFileWriter file;
  if (!file.Open(request)) return MakeFontFileError;
  const auto header = BuildFontHeader(copy);
  file.Write(header.data(), header.size());
  AsianCodeCursor cursor(request.asianEncoding);
  AsianCode code;
  while (cursor.Next(code)) {
    const int w = code.length == 1 ? request.cellWidth / 2 : request.cellWidth;
    const GlyphSize g = canvas.RenderGlyph(code.bytes, code.length, decoder, false, w,
                                           request.cellHeight, glyphBuffer);
    if (g.bytes < 0) return MakeFontRefused;
    gaps.Note(g, code.bytes, code.length);
    file.Write(glyphBuffer, static_cast<size_t>(g.bytes));
    if (code.endOfFirstByte) Report(progress, code.progress);
  }
  if (rule == GapRule::Refuse && gaps.Refused(false) > 0) return MakeFontLeftOut;
  return file.Commit() ? MakeFontOk : MakeFontFileError;
}

}  // namespace

const char* MakeFontMessage(MakeFontCode code) {
  return code == MakeFontOk ? "" : "Make Font Error";
}

std::array<uint8_t, 32> BuildFontHeader(const FontRequest& request) {
  std::array<uint8_t, 32> h{};
  h[0] = 'B';
  h[1] = request.variablePitch ? 1 : 0;
  h[2] = request.doubleByte ? 1 : 0;
  h[3] = request.byTable ? 1 : 0;
  h[4] = request.italicWidth != 0 ? 1 : 0;
  Put16(&h[5], request.cellHeight);
  Put16(&h[7], request.cellWidth);
  Put16(&h[9], request.charStart);
  Put16(&h[11], request.charEnd);
  // The set's letter only in a complete Asian font; every other font 0.
  h[13] = request.doubleByte == 1 && request.byTable == 0
              ? AsianEncodingLetter(request.asianEncoding)
              : 0;
  Put16(&h[15], request.charCount);
  Put16(&h[17], request.italicWidth);
  return h;
}

MakeFontCode CheckFontRequest(const FontRequest& request) {
  if (request.doubleByte > 1 || request.byTable > 1) return MakeFontRefused;
  if (request.cellWidth < 0 || request.cellHeight < 0 || request.cellWidth > CanvasSize ||
      request.cellHeight > CanvasSize)
    return MakeFontRefused;
  if (!request.variablePitch && !FitsGlyphBuffer(request.cellWidth, request.cellHeight))
    return MakeFontRefused;
  if (request.byTable == 1) {
    if (request.tableCount < 0 || request.tableCount > MaxGlyphCount) return MakeFontRefused;
    if (request.tableCount > 0 && request.tableCodes == nullptr) return MakeFontRefused;
  }
  if (request.doubleByte == 0) {
    if (request.byTable == 0 && (request.charStart < 0 || request.charEnd > 255))
      return MakeFontRefused;
    if (request.charEnd < request.charStart) return MakeFontRefused;
  } else if (request.byTable == 0 && request.variablePitch) {
    return MakeFontRefused;
  }
  return MakeFontOk;
}

MakeFontCode MakeFont(const FontRequest& request, const FontProgress& progress) {
  GlyphGaps gaps;
  return MakeFont(request, progress, gaps, GapRule::Keep);
}

MakeFontCode MakeFont(const FontRequest& request, const FontProgress& progress, GlyphGaps& gaps,
                      GapRule rule) {
  gaps = GlyphGaps{};
  const MakeFontCode check = CheckFontRequest(request);
  if (check != MakeFontOk) return check;
  if (request.canvas == nullptr || !request.canvas->HasFont()) return MakeFontNoCanvas;
  CodeDecoder decoder(EffectiveCodePage(request));
  if (!decoder.IsValid()) return MakeFontBadEncoding;
  std::vector<uint8_t> glyphBuffer(GlyphBufferSize);
  Report(progress, 0);
  if (request.doubleByte == 0)
    return WriteListedFont(request, false, decoder, glyphBuffer.data(), progress, gaps, rule);
  if (request.byTable == 0)
    return WriteAsianFont(request, decoder, glyphBuffer.data(), progress, gaps, rule);
  return WriteListedFont(request, true, decoder, glyphBuffer.data(), progress, gaps, rule);
}

}  // namespace varnalux
