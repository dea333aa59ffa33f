#include "font/table_text_codec.h"

#include <iconv.h>

#include <cstdint>

#include "font/code_decoder.h"

namespace varnalux {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// One character to its bytes in a code page, through iconv.
class CodeEncoder {
 public:
  explicit CodeEncoder(int codePage) {
    const char* name = CodePageIconvName(codePage);
    if (name == nullptr) return;
    iconv_t cd = iconv_open(name, "UTF-32LE");
    if (cd != reinterpret_cast<iconv_t>(-1)) handle_ = cd;
  }
  ~CodeEncoder() {
    if (handle_ != nullptr) iconv_close(static_cast<iconv_t>(handle_));
  }
  CodeEncoder(const CodeEncoder&) = delete;
  CodeEncoder& operator=(const CodeEncoder&) = delete;

  bool IsValid() const { return handle_ != nullptr; }

  // The bytes of ch; false when the code page cannot hold it.
  bool Encode(char32_t ch, std::string& out) const {
    out.clear();
    if (handle_ == nullptr || ch == 0) return false;
    iconv_t cd = static_cast<iconv_t>(handle_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    char in[4];
    for (int i = 0; i < 4; ++i) in[i] = static_cast<char>((ch >> (8 * i)) & 0xFF);
    char* inPtr = in;
    size_t inLeft = sizeof in;
    char buffer[8];
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
      return false;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
    out.assign(buffer, sizeof buffer - outLeft);
    return !out.empty();
  }

 private:
  void* handle_ = nullptr;  // iconv_t
};

void AppendUtf8(char32_t ch, std::string& out) {
  if (ch < 0x80) {
    out += static_cast<char>(ch);
  } else if (ch < 0x800) {
    out += static_cast<char>(0xC0 | (ch >> 6));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else if (ch < 0x10000) {
    out += static_cast<char>(0xE0 | (ch >> 12));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (ch >> 18));
    out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
}

// The UTF-8 text as code points; a broken sequence gives one U+FFFD per
// byte that cannot start or continue a character.
std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t ch = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      length = 1;
      ch = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      ch = lead & 0x1F;
      least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      ch = lead & 0x0F;
      least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      ch = lead & 0x07;
      least = 0x10000;
    }
    bool ok = length > 0 && i + static_cast<size_t>(length) <= text.size();
    for (int k = 1; ok && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((next & 0xC0) != 0x80) ok = false;
      ch = ch << 6 | (next & 0x3F);
    }
    if (ok && (ch < least || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))) ok = false;
    if (!ok) {
      out += Replacement;
      ++i;
      continue;
    }
    out += ch;
    i += static_cast<size_t>(length);
  }
  return out;
}

void AppendEscape(uint8_t byte, std::string& out) {
  static const char Hex[] = "0123456789ABCDEF";
  out += "\\x";
  out += Hex[byte >> 4];
  out += Hex[byte & 0x0F];
}

int HexValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

std::string_view BreakBytes(TableLineBreak lineBreak) {
  return lineBreak == TableLineBreak::Lf ? std::string_view("\n") : std::string_view("\r\n");
}

}  // namespace

TableLineBreak DetectLineBreak(std::string_view bytes) {
  bool lf = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n') continue;
    if (i > 0 && bytes[i - 1] == '\r') return TableLineBreak::CrLf;
    lf = true;
  }
  return lf ? TableLineBreak::Lf : TableLineBreak::CrLf;
}

bool ShowsAsItself(char32_t ch) {
  // Control codes, and the no-break space a text box turns into a space.
  if (ch < 0x20 || (ch >= 0x7F && ch <= 0xA0)) return false;
  // Invisible format characters, fillers and separators.
  switch (ch) {
    case 0x00AD:  // soft hyphen
    case 0x034F:  // combining grapheme joiner
    case 0x061C:  // Arabic letter mark
    case 0x115F:
    case 0x1160:  // Hangul fillers
    case 0x17B4:
    case 0x17B5:
    case 0x3164:  // Hangul filler
    case 0xFEFF:  // zero width no-break space
    case 0xFFA0:  // half-width Hangul filler
      return false;
    default: break;
  }
  if (ch >= 0x180B && ch <= 0x180F) return false;  // Mongolian selectors
  if (ch >= 0x200B && ch <= 0x200F) return false;  // zero widths, direction marks
  if (ch >= 0x2028 && ch <= 0x202E) return false;  // line separators, embeddings
  if (ch >= 0x205F && ch <= 0x206F) return false;  // invisible operators, isolates
  if (ch >= 0xFE00 && ch <= 0xFE0F) return false;  // variation selectors
  if (ch >= 0xD800 && ch <= 0xDFFF) return false;  // surrogates
  if (ch >= 0xE000 && ch <= 0xF8FF) return false;  // private use
  if (ch >= 0xFFF0 && ch <= 0xFFFF) return false;  // specials
  if (ch >= 0xE0000) return false;                 // tags, private planes
  return ch <= 0x10FFFF;
}

namespace {

// A character shows as itself only when it encodes back to exactly these
// bytes.
bool ShownAsItself(char32_t ch, std::string_view these, const CodeEncoder& encoder) {
  std::string back;
  if (ch == NoCharacter || !ShowsAsItself(ch) || !encoder.Encode(ch, back)) return false;
  return back == these;
}

// Appends one character that is not a line break: the byte at i, or the
// pair it leads, as itself when it is exactly these bytes, escaped
// otherwise. The number of bytes it took.
size_t AppendCharacter(std::string_view bytes, size_t i, const CodeDecoder& decoder,
                       const CodeEncoder& encoder, std::string& utf8) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint8_t b = data[i];
  if (b == '\\') {
    utf8 += "\\\\";
    return 1;
  }
  if (b < 0x20 || b == 0x7F) {
    AppendEscape(b, utf8);
    return 1;
  }
  const char32_t one = decoder.Decode(data + i, 1);
  if (one != NoCharacter) {
    if (ShownAsItself(one, bytes.substr(i, 1), encoder))
      AppendUtf8(one, utf8);
    else
      AppendEscape(b, utf8);
    return 1;
  }
  // A lead byte: the pair is one character, or the lead stands alone.
  const char32_t pair = i + 1 < bytes.size() ? decoder.Decode(data + i, 2) : NoCharacter;
  if (pair == NoCharacter) {
    AppendEscape(b, utf8);
    return 1;
  }
  if (ShownAsItself(pair, bytes.substr(i, 2), encoder)) {
    AppendUtf8(pair, utf8);
  } else {
    AppendEscape(data[i], utf8);
    AppendEscape(data[i + 1], utf8);
  }
  return 2;
}

}  // namespace

bool TableBytesToText(std::string_view bytes, int codePage, TableLineBreak lineBreak,
                      std::string& utf8) {
  utf8.clear();
  const CodeDecoder decoder(codePage);
  const CodeEncoder encoder(codePage);
  if (!decoder.IsValid() || !encoder.IsValid()) return false;
  const std::string_view lineBytes = BreakBytes(lineBreak);
  size_t i = 0;
  while (i < bytes.size()) {
    if (bytes.substr(i, lineBytes.size()) == lineBytes) {
      utf8 += '\n';
      i += lineBytes.size();
    } else {
      i += AppendCharacter(bytes, i, decoder, encoder, utf8);
    }
  }
  return true;
}

bool TableTextToBytes(std::string_view utf8, int codePage, TableLineBreak lineBreak,
                      std::string& bytes, std::u32string& leftOut) {
  bytes.clear();
  leftOut.clear();
  const CodeEncoder encoder(codePage);
  if (!encoder.IsValid()) return false;
  const std::string_view lineBytes = BreakBytes(lineBreak);
  const std::u32string text = DecodeUtf8(utf8);
  std::string one;
  size_t i = 0;
  while (i < text.size()) {
    const char32_t ch = text[i];
    if (ch == '\\') {
      if (i + 1 < text.size() && text[i + 1] == '\\') {
        bytes += '\\';
        i += 2;
        continue;
      }
      if (i + 3 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
          HexValue(text[i + 2]) >= 0 && HexValue(text[i + 3]) >= 0) {
        bytes += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
        i += 4;
        continue;
      }
      bytes += '\\';
      ++i;
      continue;
    }
    if (ch == '\n') {
      bytes.append(lineBytes);
    } else if (ch < 0x80 && ch != 0) {
      bytes += static_cast<char>(ch);  // ASCII is the same in every supported code page
    } else if (encoder.Encode(ch, one)) {
      bytes += one;
    } else if (leftOut.find(ch) == std::u32string::npos) {
      leftOut += ch;
    }
    ++i;
  }
  return true;
}

std::string DescribeCharacters(const std::u32string& characters, size_t limit) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < characters.size() && i < limit; ++i) {
    if (!out.empty()) out += ' ';
    const char32_t ch = characters[i];
    if (ShowsAsItself(ch) && ch != ' ') {
      AppendUtf8(ch, out);
      continue;
    }
    out += "U+";
    const int digits = ch > 0xFFFF ? 6 : 4;
    for (int d = digits - 1; d >= 0; --d) out += Hex[(ch >> (4 * d)) & 0x0F];
  }
  if (characters.size() > limit)
    out += " and " + std::to_string(characters.size() - limit) + " more";
  return out;
}

}  // namespace varnalux
