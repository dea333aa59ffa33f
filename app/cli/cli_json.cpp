#include "app/cli/cli_json.h"

#include <cstdio>

namespace varnalux {

namespace {

// Length of the valid UTF-8 sequence at text[at] (2..4), or 0.
size_t Utf8Length(const std::string& text, size_t at) {
  unsigned char c = static_cast<unsigned char>(text[at]);
  size_t n = c >= 0xC2 && c <= 0xDF   ? 2
             : c >= 0xE0 && c <= 0xEF ? 3
             : c >= 0xF0 && c <= 0xF4 ? 4
                                      : 0;
  if (n == 0 || at + n > text.size()) return 0;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
  unsigned char c1 = static_cast<unsigned char>(text[at + 1]);
  // No overlong forms, no surrogates, nothing beyond U+10FFFF.
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
      (c == 0xF4 && c1 > 0x8F))
    return 0;
  return n;
}

void Latin1(std::string& out, unsigned char c) {
  out.push_back(static_cast<char>(0xC0 | (c >> 6)));
  out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (size_t n = Utf8Length(text, i); n > 0) {
      out.append(text, i, n);
      i += n - 1;
    } else {
      Latin1(out, c);
    }
  }
  out += "\"";
  return out;
}

}  // namespace varnalux
