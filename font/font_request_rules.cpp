#include "font/font_request_rules.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/input_file.h"
#include "base/numbers.h"
#include "font/asian_sets.h"
#include "font/code_decoder.h"

namespace varnalux {

namespace {

std::string IntegerMessage(const std::string& text) {
  return "'" + text + "' is not a valid integer value";
}

// One edit's number: an empty edit is a missing value ("Font Parameter
// Error"), a text that is not an integer gives the conversion message.
bool ReadInteger(const std::string& text, int32_t& value, std::string& message) {
  if (text.empty()) {
    message = FontParameterError;
    return false;
  }
  if (!ParseStrictInteger(text.c_str(), value)) {
    message = IntegerMessage(text);
    return false;
  }
  return true;
}

// A table file: a regular file of at most limit bytes, its size checked
// before anything is read (a FIFO or a device is refused at once).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& buffer, size_t limit,
                   size_t& length) {
  InputFile file;
  if (file.Open(path, limit) != InputFileResult::Ok) return false;
  length = 0;
  for (;;) {
    size_t n = 0;
    if (file.Read(buffer.data() + length, limit - length, n) != InputFileResult::Ok) return false;
    if (n == 0) return true;
    length += n;
  }
}

}  // namespace

EncodeModeControls ApplyEncodeMode(int encodeMode) {
  EncodeModeControls c;
  switch (encodeMode) {
    case EncodeAsian:
      c.asianGroup = true;
      c.pitch = PitchFixed;
      break;
    case EncodeTable:
      c.tableGroup = true;
      c.codePageList = true;
      c.pitch = PitchVariable;
      break;
    case EncodeAsianTable:
      c.tableGroup = true;
      c.asianGroup = true;  // the set names the code page of the pairs
      c.pitch = PitchFixed;
      break;
    default:
      c.standardGroup = true;
      c.codePageList = true;
      c.pitch = PitchVariable;
      break;
  }
  return c;
}

bool MappingRange(int mapping, std::string& start, std::string& end) {
  if (mapping == MappingStandard) {
    start = "32";
    end = "127";
    return true;
  }
  if (mapping == MappingFullAscii) {
    start = "32";
    end = "255";
    return true;
  }
  return false;
}

std::string SampleCode(int encodeMode) {
  if (encodeMode == EncodeAsian || encodeMode == EncodeAsianTable) return "\xE0\xA2";
  return "W";
}

int PresetItalicWidth(int sampleWidth, bool bold, bool italic, bool underline, bool strikeOut) {
  if (!italic || underline || strikeOut) return 0;
  (void)bold;  // italic and bold italic both qualify
  return sampleWidth * 3 / 10;
}

int ReadEncodingTable(bool byFile, const std::string& tableFilePath, const std::string& memoText,
                      std::vector<uint8_t>& buffer) {
  const size_t limit = EncodingTableBufferSize - 1;
  buffer.assign(EncodingTableBufferSize + 1, 0);
  size_t length = 0;
  if (byFile) {
    if (tableFilePath.empty() || !ReadWholeFile(tableFilePath, buffer, limit, length)) {
      buffer.assign(1, 0);
      return 0;
    }
  } else {
    if (memoText.size() > limit) {
      buffer.assign(1, 0);
      return 0;
    }
    length = memoText.size();
    std::memcpy(buffer.data(), memoText.data(), length);
  }
  buffer[length] = 0;
  // Compact in place up to the first NUL: control bytes go, the rest stays.
  size_t kept = 0;
  for (size_t i = 0; i < length && buffer[i] != 0; ++i)
    if (buffer[i] >= 0x20) buffer[kept++] = buffer[i];
  buffer.resize(kept + 1);
  buffer[kept] = 0;
  return static_cast<int>(kept);
}

namespace {

// A code list from the table (pairs of bytes for the Asian table); false
// when it holds no code.
bool ReadTableEncoding(const FontPageFields& fields, std::vector<uint8_t>& tableBuffer,
                       FontRequest& request) {
  const bool pairs = fields.encodeMode == EncodeAsianTable;
  request.doubleByte = pairs ? 1 : 0;
  request.byTable = 1;
  int count = ReadEncodingTable(fields.byFile, fields.tableFilePath, fields.memoText, tableBuffer);
  if (pairs) count /= 2;
  if (count == 0) return false;
  request.tableCodes = tableBuffer.data();
  request.tableCount = count;
  if (pairs) {
    const int set = fields.asianEncoding >= 0 && fields.asianEncoding <= 3
                        ? fields.asianEncoding
                        : AsianTraditionalChinese;
    request.codePage = fields.codePage != 0 ? fields.codePage : AsianCodePage(set);
  } else {
    request.codePage = fields.codePage;
  }
  return true;
}

// The request's codes and code page from the encoding mode; false when the
// fields cannot give them.
bool ReadEncoding(const FontPageFields& fields, std::vector<uint8_t>& tableBuffer,
                  FontRequest& request, std::string& message) {
  int32_t value = 0;
  switch (fields.encodeMode) {
    case EncodeStandard:
      request.doubleByte = 0;
      if (!ReadInteger(fields.charStart, value, message)) return false;
      if (value < 0 || value > 255) return false;
      request.charStart = value;
      if (!ReadInteger(fields.charEnd, value, message)) return false;
      if (value < 0 || value > 255) return false;
      request.charEnd = value;
      request.codePage = fields.codePage;
      return true;
    case EncodeAsian:
      if (fields.asianEncoding < 0 || fields.asianEncoding > 3) return false;
      request.doubleByte = 1;
      request.asianEncoding = static_cast<uint8_t>(fields.asianEncoding);
      request.variablePitch = 0;  // complete sets are always fixed pitch
      request.codePage = AsianCodePage(fields.asianEncoding);
      return true;
    case EncodeTable:
    case EncodeAsianTable: return ReadTableEncoding(fields, tableBuffer, request);
    default: return false;
  }
}

// The cell and italic width; false when a field is not a number, or the
// cell is one the glyph buffer or the canvas cannot hold (refused here,
// before anything is drawn).
bool ReadCell(const FontPageFields& fields, FontRequest& request, std::string& message) {
  int32_t value = 0;
  if (!ReadInteger(fields.fontWidth, value, message)) return false;
  if (value < 0) return false;
  request.cellWidth = value;
  if (!ReadInteger(fields.fontHeight, value, message)) return false;
  if (value < 0) return false;
  request.cellHeight = value;
  if (!ReadInteger(fields.italicWidth, value, message)) return false;
  request.italicWidth = value;
  if (request.cellWidth > CanvasSize || request.cellHeight > CanvasSize) return false;
  return request.variablePitch ||
         static_cast<int64_t>((request.cellWidth + 7) / 8) * request.cellHeight <= GlyphBufferSize;
}

}  // namespace

bool BuildFontRequest(const FontPageFields& fields, std::vector<uint8_t>& tableBuffer,
                      FontRequest& request, std::string& message) {
  FontCanvas* canvas = request.canvas;
  std::string fileName = request.fileName;
  request = FontRequest{};
  request.canvas = canvas;
  request.fileName = fileName;
  message = FontParameterError;
  request.variablePitch = fields.pitch == PitchVariable ? 1 : 0;
  if (!ReadEncoding(fields, tableBuffer, request, message)) return false;
  if (!ReadCell(fields, request, message)) return false;
  if (request.codePage != 0 && !IsSupportedCodePage(request.codePage)) return false;
  message.clear();
  return true;
}

bool IsValidPrinterFontName(const std::string& name) {
  if (name.empty() || name.size() > MaxPrinterFontNameLength) return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F || c == '"') return false;
  return true;
}

std::string PrinterFontNameMessage(const std::string& name) {
  const char* problem = nullptr;
  if (name.empty()) {
    problem = "the name is empty.";
  } else if (name.size() > MaxPrinterFontNameLength) {
    problem = "the name is longer than 31 characters.";
  } else {
    for (unsigned char c : name) {
      if (c == '"') {
        problem = "a double quote (\") would end the name inside the download command.";
        break;
      }
      if (c < 0x20 || c == 0x7F) {
        problem = "control characters (line breaks, tabs) cannot be part of a name.";
        break;
      }
    }
  }
  if (problem == nullptr) return std::string();
  return std::string(FontParameterError) + "\nPrinter Font Name: " + problem +
         " A name has 1 to 31 characters, without double quotes or control characters.";
}

bool EncodeTextForCodePage(const std::string& utf8, int codePage, std::string& bytes) {
  bytes.clear();
  const char* name = CodePageIconvName(codePage);
  if (name == nullptr) return false;
  iconv_t cd = iconv_open(name, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char out[256];
  while (inLeft > 0) {
    char* outPtr = out;
    size_t outLeft = sizeof out;
    const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    bytes.append(out, sizeof out - outLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // A character the code page lacks (or broken UTF-8): skip it.
    const auto lead = static_cast<unsigned char>(*in);
    size_t skip = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (skip > inLeft) skip = inLeft;
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* outPtr = out;
  size_t outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  bytes.append(out, sizeof out - outLeft);
  iconv_close(cd);
  return true;
}

}  // namespace varnalux
