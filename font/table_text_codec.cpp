#include "font/table_text_codec.h"

#include <iconv.h>

#include <cerrno>

#include "font/code_decoder.h"

namespace varnalux {

namespace {

// Converts in to out with cd; a byte that cannot be converted is skipped.
void Convert(iconv_t cd, std::string_view in, std::string& out) {
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
    ++inPtr;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state.
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, sizeof buffer - outLeft);
}

}  // namespace

bool TableBytesToText(std::string_view bytes, int codePage, std::string& utf8) {
  const char* from = CodePageIconvName(codePage);
  if (from == nullptr) return false;
  iconv_t cd = iconv_open("UTF-8", from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  Convert(cd, bytes, utf8);
  iconv_close(cd);
  return true;
}

}  // namespace varnalux
