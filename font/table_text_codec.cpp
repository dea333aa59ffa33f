#include "font/table_text_codec.h"

#include <iconv.h>

#include <cerrno>

#include "font/code_decoder.h"

namespace varnalux {

namespace {

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte).
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Converts in to out with cd; an input sequence that cannot be converted is
// skipped (one character of UTF-8 input, else one byte).
void Convert(iconv_t cd, std::string_view in, bool utf8Input, std::string& out) {
  out.clear();
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t n = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    if (n != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: skip what does not convert and go on.
    size_t skip = utf8Input ? Utf8Length(static_cast<unsigned char>(*inPtr)) : 1;
    if (skip > inLeft) skip = inLeft;
    inPtr += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state.
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, sizeof buffer - outLeft);
}

bool ConvertWith(const char* to, const char* from, std::string_view in, bool utf8Input,
                 std::string& out) {
  if (to == nullptr || from == nullptr) return false;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  Convert(cd, in, utf8Input, out);
  iconv_close(cd);
  return true;
}

}  // namespace

bool TableTextToBytes(std::string_view utf8, int codePage, std::string& bytes) {
  return ConvertWith(CodePageIconvName(codePage), "UTF-8", utf8, true, bytes);
}

bool TableBytesToText(std::string_view bytes, int codePage, std::string& utf8) {
  return ConvertWith("UTF-8", CodePageIconvName(codePage), bytes, false, utf8);
}

}  // namespace varnalux
