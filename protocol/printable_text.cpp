#include "protocol/printable_text.h"

#include <cstdio>

namespace varnalux {

std::string PlainText(const std::string& s) {
  std::string out;
  for (unsigned char ch : s) {
    if (ch < 0x20 || ch == 0x7F) {
      char esc[8];
      snprintf(esc, sizeof esc, "\\x%02X", ch);
      out += esc;
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char ch : s) {
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch < 0x20 || ch >= 0x7F) {
      char esc[8];
      snprintf(esc, sizeof esc, "\\u%04X", ch);
      out += esc;
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out + "\"";
}

}  // namespace varnalux
