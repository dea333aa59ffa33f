#include "font/code_decoder.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace varnalux {

namespace {

struct CodePageName {
  int codePage;
  const char* name;
};

constexpr CodePageName CodePages[] = {
    {874, "CP874"},   {932, "CP932"},   {936, "CP936"},   {949, "CP949"},   {950, "CP950"},
    {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"}, {1253, "CP1253"}, {1254, "CP1254"},
    {1255, "CP1255"}, {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"},
};

}  // namespace

const char* CodePageIconvName(int codePage) {
  for (const CodePageName& c : CodePages)
    if (c.codePage == codePage) return c.name;
  return nullptr;
}

bool IsSupportedCodePage(int codePage) { return CodePageIconvName(codePage) != nullptr; }

CodeDecoder::CodeDecoder(int codePage) : codePage_(codePage) {
  const char* name = CodePageIconvName(codePage);
  if (name == nullptr) return;
  iconv_t cd = iconv_open("UTF-32LE", name);
  if (cd != reinterpret_cast<iconv_t>(-1)) handle_ = cd;
}

CodeDecoder::~CodeDecoder() {
  if (handle_ != nullptr) iconv_close(static_cast<iconv_t>(handle_));
}

bool CodeDecoder::Convert(const uint8_t* bytes, int length, CodeText& text) const {
  iconv_t cd = static_cast<iconv_t>(handle_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  char in[2] = {static_cast<char>(bytes[0]), length > 1 ? static_cast<char>(bytes[1]) : '\0'};
  char* inPtr = in;
  size_t inLeft = static_cast<size_t>(length);
  char out[4 * MaxCodeCharacters];
  char* outPtr = out;
  size_t outLeft = sizeof out;
  const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (r == static_cast<size_t>(-1) || inLeft != 0) return false;
  // Some converters hold a character back until the end of the input.
  const size_t flush = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  if (flush == static_cast<size_t>(-1)) return false;
  const size_t produced = sizeof out - outLeft;
  if (produced == 0 || produced % 4 != 0) return false;
  const int count = static_cast<int>(produced / 4);
  if (text.count + count > MaxCodeCharacters) return false;
  const auto* u = reinterpret_cast<const unsigned char*>(out);
  for (int i = 0; i < count; ++i, u += 4) {
    const char32_t ch = static_cast<char32_t>(u[0]) | static_cast<char32_t>(u[1]) << 8 |
                        static_cast<char32_t>(u[2]) << 16 | static_cast<char32_t>(u[3]) << 24;
    text.chars[text.count++] = ch;
  }
  return true;
}

CodeText CodeDecoder::DecodeText(const uint8_t* bytes, int length) const {
  CodeText text;
  if (handle_ == nullptr || bytes == nullptr || length < 1 || length > 2) return text;
  // The code is drawn as a terminated string: it ends at its first NUL.
  if (bytes[0] == 0) return text;
  if (length == 2 && bytes[1] == 0) length = 1;
  if (Convert(bytes, length, text)) return text;
  // Not characters as a whole. A first byte that is a character by itself
  // is one, and the second byte is read on its own; a first byte that is
  // not (the lead byte of a pair the code page does not assign) makes the
  // whole code one character that is not there.
  if (length == 2 && Convert(bytes, 1, text)) {
    if (!Convert(bytes + 1, 1, text)) text.chars[text.count++] = NoCharacter;
    return text;
  }
  text.chars[text.count++] = NoCharacter;
  return text;
}

char32_t CodeDecoder::Decode(const uint8_t* bytes, int length) const {
  const CodeText text = DecodeText(bytes, length);
  return text.count == 1 ? text.chars[0] : NoCharacter;
}

}  // namespace varnalux
