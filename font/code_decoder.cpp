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

constexpr CodePageName kCodePages[] = {
    {874, "CP874"},   {932, "CP932"},   {936, "CP936"},   {949, "CP949"},
    {950, "CP950"},   {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"},
    {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"},
    {1257, "CP1257"}, {1258, "CP1258"},
};

}  // namespace

const char* CodePageIconvName(int codePage) {
  for (const CodePageName& c : kCodePages)
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

char32_t CodeDecoder::Decode(const uint8_t* bytes, int length) const {
  if (handle_ == nullptr || bytes == nullptr || length < 1 || length > 2) return NoCharacter;
  iconv_t cd = static_cast<iconv_t>(handle_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  char in[2] = {static_cast<char>(bytes[0]), length > 1 ? static_cast<char>(bytes[1]) : '\0'};
  char* inPtr = in;
  size_t inLeft = static_cast<size_t>(length);
  // Room for two characters: a code that yields more than one is refused.
  char out[8];
  char* outPtr = out;
  size_t outLeft = sizeof out;
  const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (r == static_cast<size_t>(-1) || inLeft != 0) return NoCharacter;
  // Some converters hold a character back until the end of the input.
  size_t flush = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  if (flush == static_cast<size_t>(-1)) return NoCharacter;
  if (sizeof out - outLeft != 4) return NoCharacter;
  const auto* u = reinterpret_cast<const unsigned char*>(out);
  const char32_t ch = static_cast<char32_t>(u[0]) | static_cast<char32_t>(u[1]) << 8 |
                      static_cast<char32_t>(u[2]) << 16 | static_cast<char32_t>(u[3]) << 24;
  return ch;
}

}  // namespace varnalux
